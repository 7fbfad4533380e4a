/* The exported registration of an application's change callback. */
#include "UlogSvc.h"
#include "UlogSvcChangeMgr/CUlogSvcChangeCallback.h"
#include "UlogSvcECOM/UlogSvcLastError.h"

extern "C" BOOL UlogSvcSetChangeCallback(UlogChangeCallback pfnCallback, void* pUserData)
{
    ulogerr::CUlogApiCall call;
    if (!CUlogSvcChangeCallback::Instance()->SetCallback(pfnCallback, pUserData))
        return ulogerr::Fail(ULOG_ERR_FAILED);
    return TRUE;
}
