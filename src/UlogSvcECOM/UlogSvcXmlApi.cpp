/* The exported XML export functions. */
#define ULOG_SRC_MODULE "UlogSvcECOM/UlogSvcXmlApi"
#include "H/UlogSvcDef.h"

#include "UlogSvc.h"
#include "UlogSvcECOM/UlogSvcLastError.h"
#include "UlogSvcXmlMgr/CUlogSvcXmlMgr.h"

extern "C" BOOL UlogConvertAll2Xml(void)
{
    ulogerr::CUlogApiCall call;
    CUlogSvcXmlMgr* pXmlMgr = CUlogSvcXmlMgr::Instance();
    if (!ULOG_REQUIRE(pXmlMgr != NULL))
        return ulogerr::Fail(ULOG_ERR_FAILED);
    if (pXmlMgr->ConvertAll2Xml())
        return 1;
    // The platform names the cause of a read or write that failed; without one, no log was stored.
    return ulogerr::Fail(SysGetLastError() == SYS_ERR_NONE ? ULOG_ERR_NOT_FOUND : ULOG_ERR_FAILED);
}

extern "C" BOOL UlogGetXmlExportStatus(BOOL* pbDone, BOOL* pbSucceeded)
{
    ulogerr::CUlogApiCall call;
    if (!ULOG_REQUIRE(pbDone != NULL) || !ULOG_REQUIRE(pbSucceeded != NULL))
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    CUlogSvcXmlMgr* pXmlMgr = CUlogSvcXmlMgr::Instance();
    if (!ULOG_REQUIRE(pXmlMgr != NULL))
        return ulogerr::Fail(ULOG_ERR_FAILED);
    *pbDone = pXmlMgr->IsDone();
    *pbSucceeded = pXmlMgr->IsSucceeded();
    return 1;
}
