// Control of the core library's settings, status items and injected faults.
#include "control/PlatformControl.h"

#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"

extern "C" void UlogCtlSetNvInt(int id, int value)
{
    NvWriteInt(id, value);
}

extern "C" int UlogCtlWaitForStores(void)
{
    kiv::core::ApplyPendingStores(); // changes handed over and not yet stored count as made before
    kiv::core::WaitForStores();
    const unsigned int nFailure = kiv::core::TakeStoreFailure();
    if (nFailure == 0)
        return 0;
    SysSetLastError(nFailure);
    return -1;
}

extern "C" void UlogCtlSetPhsStatus(int item, int value)
{
    kiv::core::SetPhsStatus(item, value);
}

extern "C" void UlogCtlFailNextFileWrites(int count)
{
    kiv::core::SetFileWriteFaults(count);
}

extern "C" void UlogCtlFailMutexCreate(BOOL fail)
{
    kiv::core::SetMutexCreateFault(fail != FALSE);
}
