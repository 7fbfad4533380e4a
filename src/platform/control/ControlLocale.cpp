// Control of the handset's locale and its default date and time format codes.
#include "control/PlatformControl.h"

#include "KivAppFrmwk/KivAppFrmwkInternal.h"

extern "C" BOOL UlogCtlSetLocale(const char* localeName)
{
    return kiv::appfrmwk::SetLocale(localeName) ? TRUE : FALSE;
}

extern "C" void UlogCtlSetDefaultDateFormat(int code)
{
    kiv::appfrmwk::SetDefaultDateFormat(code);
}

extern "C" void UlogCtlSetDefaultTimeFormat(int code)
{
    kiv::appfrmwk::SetDefaultTimeFormat(code);
}
