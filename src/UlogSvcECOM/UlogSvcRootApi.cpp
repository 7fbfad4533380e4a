/* The data root an application chooses before it starts the service. */
#define ULOG_SRC_MODULE "UlogSvcECOM/UlogSvcRootApi"
#include "H/UlogSvcDef.h"

#include "UlogSvc.h"
#include "UlogSvcECOM/UlogSvcApiUtil.h"
#include "UlogSvcECOM/UlogSvcLastError.h"

#include <mutex>

namespace
{
/* Guards the running state against a root chosen at the same moment: a start either sees the new root
 * whole or makes the choice fail. */
std::mutex s_stateMutex;
bool s_bRunning = false;
} // namespace

namespace ulogapi
{
void SetServiceRunning(bool bRunning)
{
    std::lock_guard<std::mutex> lock(s_stateMutex);
    s_bRunning = bRunning;
}
} // namespace ulogapi

extern "C" BOOL UlogSetDataRoot(const char* pszDir)
{
    ulogerr::CUlogApiCall call;
    if (!ULOG_REQUIRE(pszDir != NULL && pszDir[0] != '\0'))
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    std::lock_guard<std::mutex> lock(s_stateMutex);
    if (s_bRunning)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "UlogSetDataRoot: the service runs; the data root stays\n");
        return ulogerr::Fail(ULOG_ERR_FAILED);
    }
    if (!FmSetRootDir(pszDir))
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "UlogSetDataRoot: no directory at %s\n", pszDir);
        return ulogerr::Fail(ULOG_ERR_IO);
    }
    return TRUE;
}
