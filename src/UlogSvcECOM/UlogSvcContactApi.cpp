/* The exported address-book function: a log's contact fields looked up before it is added. */
#include "UlogSvc.h"
#include "UlogSvcECOM/UlogSvcApiUtil.h"
#include "UlogSvcECOM/UlogSvcLastError.h"

#include "H/UlogSvcPtr.h"
#include "UlogSvcChangeMgr/CUlogSvcContactSync.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogSvcGenerator.h"

#include <cstring>

namespace
{
typedef CUlogSvcContactSync::CtLink CtLink;

template <size_t N> void CopyText(char (&szDest)[N], const char* pszSrc)
{
    CUlogSvcContactSync::__CopyCut(szDest, static_cast<int>(N), pszSrc);
}

/* The fields of the link into the record, as a stored log takes them. */
void WriteLink(const CtLink& link, UlogInfo& info)
{
    if (link.nFields & CtLink::PHONE_TYPE)
        info.iPhoneType = link.iPhoneType;
    if (link.nFields & CtLink::STORAGE_TYPE)
        info.iStorageType = link.iStorageType;
    if (link.nFields & CtLink::PERSON_ID)
        info.nPersonId = link.nCtPid;
    if (link.nFields & CtLink::DATA_ID)
        info.nCtDataId = link.nCtDataId;
    if (link.nFields & CtLink::FDN_ID)
        info.nCtFdnId = link.nCtFdnId;
    if (link.nFields & CtLink::ACCOUNT_ID)
        info.nMyAccountId = link.nMyAccountId;
    if (link.nFields & CtLink::NAMES)
    {
        CopyText(info.szFirstName, link.szFirstName);
        CopyText(info.szLastName, link.szLastName);
        CopyText(info.szName, link.szName);
        CopyText(info.szCallerIdPath, link.szCallerIdPath);
        if (info.iLogType == ULOG_LOG_EMAIL_SENT || info.iLogType == ULOG_LOG_EMAIL_RECEIVED)
            CopyText(info.szEmailDisplayName, link.szName);
    }
}
} // namespace

extern "C" BOOL UlogFillContactInfo(UlogInfo* pUlogInfo)
{
    ulogerr::CUlogApiCall call;
    if (pUlogInfo == nullptr)
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    UlogInfo safe;
    ulogapi::CopyTerminated(*pUlogInfo, safe);
    CUlogSvcGenerator generator;
    CUlogPtr<CUlog> ptr(generator.Generate(safe));
    if (!ptr.IsValidPtr())
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    CtLink link;
    const int nFound = CUlogSvcContactSync::FindLink(*ptr.Get(), link);
    if (nFound < 0)
        return ulogerr::Fail(ULOG_ERR_FAILED);
    if (nFound == 0)
        return ulogerr::Fail(ULOG_ERR_NOT_FOUND);
    WriteLink(link, *pUlogInfo);
    return 1;
}
