// Control of the window-manager timers and the record of sent events.
#include "control/PlatformControl.h"

#include "KivCore/KivCoreText.h"
#include "KivGWESCore/KivGWESCoreInternal.h"

extern "C" int UlogCtlRunDueTimers(void)
{
    return kiv::gwes::RunDueTimers();
}

extern "C" int UlogCtlGetSentEventCount(void)
{
    return kiv::gwes::SentEventCount();
}

extern "C" BOOL UlogCtlGetSentEvent(int index, WMEVENT* event)
{
    return kiv::gwes::GetSentEvent(index, event) ? TRUE : FALSE;
}

extern "C" void UlogCtlClearSentEvents(void)
{
    kiv::gwes::ResetEvents();
}

extern "C" BOOL UlogCtlSetLocalCodePage(const char* icuName)
{
    if (icuName == nullptr)
        return FALSE;
    return kiv::core::SetLocalCodePage(icuName) ? TRUE : FALSE;
}
