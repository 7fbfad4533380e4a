#include "control/PlatformControl.h"

#include "KivAppFrmwk/KivAppFrmwkInternal.h"
#include "KivAppSvcFramework/KivAppSvcFrameworkInternal.h"
#include "KivCommTAPI/KivCommTAPIInternal.h"
#include "KivCore/KivCoreInternal.h"
#include "KivCtSvc/KivCtSvcInternal.h"
#include "KivGWESCore/KivGWESCoreInternal.h"

#include <cstdlib>

namespace
{
BOOL ResetOnto(const char* dataRoot, bool readOnly)
{
    // Changes still pending belong to the old root, and are applied while every library still holds
    // the state they were made in.
    kiv::core::ApplyPendingStores();
    // Upper libraries first: they may hold handles of the core.
    kiv::appsvc::Reset();
    kiv::appfrmwk::Reset();
    kiv::ctsvc::Reset();
    kiv::tapi::Reset();
    kiv::gwes::Reset();
    kiv::core::Reset();
    std::string root;
    if (dataRoot != nullptr && dataRoot[0] != '\0')
        root = dataRoot;
    else if (const char* env = std::getenv("ULOG_ROOT"); env != nullptr && env[0] != '\0')
        root = env;
    else
        root = "./ulog-data";
    return kiv::core::SetDataRoot(root, readOnly) ? TRUE : FALSE;
}
} // namespace

extern "C" BOOL UlogCtlReset(const char* dataRoot)
{
    return ResetOnto(dataRoot, false);
}

extern "C" BOOL UlogCtlResetReadOnly(const char* dataRoot)
{
    return ResetOnto(dataRoot, true);
}

extern "C" BOOL UlogCtlSetDataRoot(const char* dataRoot)
{
    if (dataRoot == nullptr || dataRoot[0] == '\0')
        return FALSE;
    return kiv::core::SetDataRoot(dataRoot) ? TRUE : FALSE;
}

static std::string g_rootCopy;

extern "C" const char* UlogCtlGetDataRoot(void)
{
    g_rootCopy = kiv::core::DataRoot();
    return g_rootCopy.c_str();
}
