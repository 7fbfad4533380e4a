// Control of the emulated contacts service (KivCtSvc).
#include "control/PlatformControl.h"

#include "KivCtSvc/KivCtSvcInternal.h"

extern "C" void UlogCtlSetDigitsCount2Compare(int count)
{
    kiv::ctsvc::SetDigitsCount2Compare(count);
}

extern "C" void UlogCtlFailContactReads(BOOL fail)
{
    kiv::ctsvc::SetFailReads(fail != FALSE);
}
