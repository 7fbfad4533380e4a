/* The exported vCard export functions. */
#define ULOG_SRC_MODULE "UlogSvcECOM/UlogSvcVcardApi"
#include "H/UlogSvcDef.h"

#include "UlogSvc.h"
#include "UlogSvcECOM/UlogSvcLastError.h"
#include "UlogSvcUtil/CUlogSvcVcard.h"

namespace
{
/* Why an export failed: a kind out of range or no path is the caller's; no log of the kind is "no such
 * log"; otherwise the platform's cause (outside the root, full, read-only, ...), else a plain failure. */
BOOL FailExport(UlogConvertType iVcfType, const char* pszPath)
{
    if (pszPath == nullptr || iVcfType < ULOG_CONVERT_COMBINED || iVcfType > ULOG_CONVERT_MISSED)
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    const unsigned int nCause = SysGetLastError();
    if (nCause == SYS_ERR_OUTSIDE_ROOT || nCause == SYS_ERR_BAD_PATH)
        return ulogerr::Fail(ULOG_ERR_OUTSIDE_ROOT);
    return ulogerr::Fail(nCause == SYS_ERR_NONE ? ULOG_ERR_NOT_FOUND : ULOG_ERR_FAILED);
}
} // namespace

extern "C" BOOL UlogMakeTotalVcardFileByType(UlogConvertType iVcfType, const char* pszFilePathName)
{
    ulogerr::CUlogApiCall call;
    CUlogSvcVcard vcard;
    if (vcard.MakeTotalVcardFileByType(iVcfType, pszFilePathName))
        return 1;
    return FailExport(iVcfType, pszFilePathName);
}

extern "C" BOOL UlogMakeEachVcardFileByType(UlogConvertType iVcfType, const char* pszFilePathName)
{
    ulogerr::CUlogApiCall call;
    CUlogSvcVcard vcard;
    if (vcard.MakeEachVcardFileByType(iVcfType, pszFilePathName))
        return 1;
    return FailExport(iVcfType, pszFilePathName);
}
