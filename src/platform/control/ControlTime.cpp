// Control of the handset clock and time zone.
#include "control/PlatformControl.h"

#include "KivCore/KivCoreInternal.h"

extern "C" void UlogCtlFreezeClock(unsigned int utcSeconds)
{
    kiv::core::FreezeClock(utcSeconds);
}

extern "C" void UlogCtlAdvanceClock(int seconds)
{
    kiv::core::AdvanceClock(seconds);
}

extern "C" void UlogCtlUnfreezeClock(void)
{
    kiv::core::UnfreezeClock();
}

extern "C" BOOL UlogCtlSetTimeZone(const char* ianaName)
{
    return kiv::core::SetTimeZone(ianaName) ? TRUE : FALSE;
}
