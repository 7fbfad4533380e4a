/* The exported call-log functions: plain-function access to the distinct log table. */
#define ULOG_SRC_MODULE "UlogSvcLogMgr/UlogSvcDistinctMgr"
#include "H/UlogSvcDef.h"

#include "UlogSvc.h"
#include "UlogSvcECOM/UlogSvcApiUtil.h"
#include "UlogSvcECOM/UlogSvcLastError.h"

#include "H/UlogSvcPtr.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"
#include "UlogSvcLogMgr/CUlogSvcFilterMgr.h"
#include "UlogSvcLogMgr/CUlogSvcGenerator.h"
#include "UlogSvcLogMgr/IUlogSvcDistinctMgr.h"

#include <string>

namespace
{
const int LINE_ADD_CALL_LOG = 1551;

void Require(const char* pszCond, int nLine)
{
    ulogapi::Require(ULOG_SRC_MODULE, pszCond, nLine);
}

void ReportNoLog(const char* pszFunction)
{
    SysDebugPrintf(ULOG_DBG_FAIL, "%s: !ptr.IsValidPtr() failed.\n", pszFunction);
}

/* A log of the kind the record's type selects; the record's texts are read within their fields. */
CUlog* GenerateFrom(const UlogInfo& info)
{
    UlogInfo safe;
    ulogapi::CopyTerminated(info, safe);
    CUlogSvcGenerator generator;
    return generator.Generate(safe);
}

/* Writes a log handed out by the manager into the record; 0 (record untouched) when there is none, or
 * when it could not be read (the last error tells which). */
BOOL ToRecord(CUlog* pLog, UlogInfo* pUlogInfo, const char* pszFunction)
{
    CUlogPtr<CUlog> ptr(pLog);
    if (!ptr.IsValidPtr())
    {
        ReportNoLog(pszFunction);
        return ulogerr::Fail(ULOG_ERR_NOT_FOUND);
    }
    ptr->Convert2UlogInfo(*pUlogInfo);
    return 1;
}

/* The filter "field = value" on a distinct-table column; FALSE when the filter manager is missing. */
bool MakeFilter(CUlogSvcFilter& filter, int nField, int nValue, int nLine)
{
    CUlogSvcFilterMgr* pFilterMgr = CUlogSvcFilterMgr::Instance();
    if (pFilterMgr == nullptr)
    {
        Require("pFilterMgr != NULL", nLine);
        return false;
    }
    filter.SetFilter(pFilterMgr->GetFieldName(nField, ULOG_DB_TABLE_DISTINCT), nValue);
    return true;
}

/* A handle on the list; 0 or INVALID_HOBJ, with the cause recorded, when the rows cannot be read. */
HOBJ HandleOf(IUlogList<CUlog>* pList, int nLine)
{
    const ulogapi::HandleLines lines = {nLine, nLine, nLine, nLine};
    return ulogapi::MakeHandle(pList, ULOG_SRC_MODULE, lines);
}

IUlogSvcDistinctMgr* Mgr()
{
    return IUlogSvcDistinctMgr::Instance();
}
} // namespace

extern "C" BOOL UlogAddCallLog(UlogInfo* pUlogInfo)
{
    ulogerr::CUlogApiCall call;
    if (pUlogInfo == nullptr)
    {
        Require("pUlogInfo != NULL", LINE_ADD_CALL_LOG);
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    }
    CUlogPtr<CUlog> ptr(GenerateFrom(*pUlogInfo));
    if (!ptr.IsValidPtr())
    {
        ReportNoLog("UlogAddCallLog");
        /* A type that selects no log kind is the caller's; anything else (no memory) the service's. */
        const bool bKnownType = pUlogInfo->iLogType >= 0 && pUlogInfo->iLogType < ULOG_LOG_CNT_MAX;
        return ulogerr::Fail(bKnownType ? ULOG_ERR_FAILED : ULOG_ERR_INVALID_ARGUMENT);
    }
    /* Nothing stored: the record stays as the caller wrote it. */
    if (!Mgr()->Add(*ptr.Get()))
        return ulogerr::Fail(ULOG_ERR_FAILED);
    ptr->Convert2UlogInfo(*pUlogInfo);
    /* The stored event belongs to the distinct row whose unique id the log now carries; the log
     * itself is that row's, which has no parent of its own. */
    if (pUlogInfo->nParentId == ULOG_INVALID_DB_INDEX && pUlogInfo->nUniqueId != ULOG_INVALID_DB_INDEX)
        pUlogInfo->nParentId = pUlogInfo->nUniqueId;
    return 1;
}

extern "C" BOOL UlogDeleteAllCallLog(void)
{
    ulogerr::CUlogApiCall call;
    return Mgr()->DeleteAll() ? 1 : ulogerr::Fail(ULOG_ERR_FAILED);
}

extern "C" BOOL UlogDeleteCallLog(int nUniqueId)
{
    ulogerr::CUlogApiCall call;
    CUlogPtr<CUlog> ptr(Mgr()->GetUlog(nUniqueId));
    if (!ptr.IsValidPtr())
        return ulogerr::Fail(ULOG_ERR_NOT_FOUND);
    return Mgr()->Delete(nUniqueId) ? 1 : ulogerr::Fail(ULOG_ERR_FAILED);
}

extern "C" BOOL UlogGetCallLogCount(UlogLogType iLogType, int* pnCount)
{
    ulogerr::CUlogApiCall call;
    /* The count is written through the pointer: a null one is refused, not written. */
    if (pnCount == nullptr)
    {
        Require("pnCount != NULL", __LINE__);
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    }
    *pnCount = Mgr()->GetCount(iLogType);
    return *pnCount >= 0 ? 1 : ulogerr::Fail(ULOG_ERR_FAILED);
}

extern "C" int UlogGetCallLogCountEx(UlogLogType iLogType)
{
    ulogerr::CUlogApiCall call;
    const int nCount = Mgr()->GetCount(iLogType);
    if (nCount < 0)
        ulogerr::Fail(ULOG_ERR_FAILED);
    return nCount;
}

extern "C" BOOL UlogGetToolbarOnLogCount(UlogLogType iLogType, int* pnCount)
{
    ulogerr::CUlogApiCall call;
    if (pnCount == nullptr)
    {
        Require("pnCount != NULL", __LINE__);
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    }
    CUlogSvcFilter filter;
    if (!MakeFilter(filter, ULOG_DB_LOG_TYPE, static_cast<int>(iLogType), __LINE__))
        return ulogerr::Fail(ULOG_ERR_FAILED);
    *pnCount = Mgr()->GetCount(&filter);
    return *pnCount >= 0 ? 1 : ulogerr::Fail(ULOG_ERR_FAILED);
}

extern "C" BOOL UlogGetCallLogInfoByUniqueID(int nUniqueId, UlogInfo* pUlogInfo)
{
    ulogerr::CUlogApiCall call;
    if (pUlogInfo == nullptr)
    {
        Require("pUlogInfo != NULL", __LINE__);
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    }
    /* No row: "no such log", unless the read itself failed (the platform then names the cause). */
    if (!ToRecord(Mgr()->GetUlog(nUniqueId), pUlogInfo, "UlogGetCallLogInfoByUniqueID"))
        return ulogerr::Fail(ULOG_ERR_NOT_FOUND);
    return 1;
}

extern "C" BOOL UlogGetAllCallLogInfo(UlogLogType iLogType, UlogInfo* pUlogInfo)
{
    ulogerr::CUlogApiCall call;
    if (pUlogInfo == nullptr)
    {
        Require("pUlogInfo != NULL", __LINE__);
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    }
    if (!ulogapi::CopyListToArray(Mgr()->GetUlogs(iLogType), pUlogInfo, -1, ULOG_SRC_MODULE, __LINE__))
        return ulogerr::Fail(ULOG_ERR_FAILED);
    return 1;
}

extern "C" BOOL UlogGetAllCallLogInfoEx(UlogLogType iLogType, UlogInfo* pUlogInfo, int nCapacity,
                                        int* pnFilled)
{
    ulogerr::CUlogApiCall call;
    if (pnFilled != nullptr)
        *pnFilled = 0;
    if (nCapacity < 0 || (pUlogInfo == nullptr && nCapacity > 0))
    {
        Require("(0 <= nCapacity) && (pUlogInfo != NULL || nCapacity == 0)", __LINE__);
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    }
    IUlogList<CUlog>* pList = Mgr()->GetUlogs(iLogType);
    if (pList == nullptr)
        return ulogerr::Fail(ULOG_ERR_FAILED);
    if (!ulogapi::CopyListToArray(pList, pUlogInfo, nCapacity, ULOG_SRC_MODULE, __LINE__, pnFilled))
        return ulogerr::Fail(ULOG_ERR_FAILED);
    return 1;
}

extern "C" BOOL UlogGetFirstCallLogByType(UlogLogType iLogType, UlogInfo* pUlogInfo)
{
    ulogerr::CUlogApiCall call;
    if (pUlogInfo == nullptr)
    {
        Require("pUlogInfo != NULL", __LINE__);
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    }
    return ToRecord(Mgr()->GetFirstUlog(iLogType), pUlogInfo, "UlogGetFirstCallLogByType");
}

extern "C" BOOL UlogGetLastCallLogByType(UlogLogType iLogType, UlogInfo* pUlogInfo)
{
    ulogerr::CUlogApiCall call;
    if (pUlogInfo == nullptr)
    {
        Require("pUlogInfo != NULL", __LINE__);
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    }
    return ToRecord(Mgr()->GetLastUlog(iLogType), pUlogInfo, "UlogGetLastCallLogByType");
}

extern "C" BOOL UlogGetFirstCallLog(UlogInfo* pUlogInfo)
{
    ulogerr::CUlogApiCall call;
    if (pUlogInfo == nullptr)
    {
        Require("pUlogInfo != NULL", __LINE__);
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    }
    return ToRecord(Mgr()->GetFirstUlog(), pUlogInfo, "UlogGetFirstCallLog");
}

extern "C" BOOL UlogGetLastCallLog(UlogInfo* pUlogInfo)
{
    ulogerr::CUlogApiCall call;
    if (pUlogInfo == nullptr)
    {
        Require("pUlogInfo != NULL", __LINE__);
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    }
    return ToRecord(Mgr()->GetLastUlog(), pUlogInfo, "UlogGetLastCallLog");
}

extern "C" BOOL UlogSetAllCallLogInfo(int iUpdateType, const UlogInfo* pUlogInfo)
{
    ulogerr::CUlogApiCall call;
    if (iUpdateType == ULOG_UPDATE_NONE)
    {
        Require("iUpdateType != ULOG_UPDATE_NONE", __LINE__);
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    }
    if (pUlogInfo == nullptr)
    {
        Require("pUlogInfo != NULL", __LINE__);
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    }
    UlogInfo safe;
    ulogapi::CopyTerminated(*pUlogInfo, safe);
    return Mgr()->SetAllLogInfo(iUpdateType, &safe) ? 1 : ulogerr::Fail(ULOG_ERR_FAILED);
}

extern "C" BOOL UlogUpdateTempPrevLog(const UlogInfo* pUlogInfo)
{
    ulogerr::CUlogApiCall call;
    if (pUlogInfo == nullptr)
    {
        Require("pUlogInfo != NULL", __LINE__);
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    }
    UlogInfo safe;
    ulogapi::CopyTerminated(*pUlogInfo, safe);
    return Mgr()->UpdateTempPrevLogByUlogInfo(safe) ? 1 : ulogerr::Fail(ULOG_ERR_FAILED);
}

extern "C" BOOL UlogUpdateCallLog(const UlogInfo* pUlogInfo)
{
    ulogerr::CUlogApiCall call;
    if (pUlogInfo == nullptr)
    {
        Require("pUlogInfo != NULL", __LINE__);
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    }
    CUlogPtr<CUlog> ptr(GenerateFrom(*pUlogInfo));
    if (!ptr.IsValidPtr())
    {
        ReportNoLog("UlogUpdateCallLog");
        return ulogerr::Fail(ULOG_ERR_FAILED);
    }
    return Mgr()->Update(*ptr.Get()) ? 1 : ulogerr::Fail(ULOG_ERR_FAILED);
}

extern "C" BOOL UlogUpdateCallLogNameByVoicemail(const MbdnInfo* pMbdnInfo)
{
    ulogerr::CUlogApiCall call;
    if (pMbdnInfo == nullptr)
    {
        Require("pMbdnInfo != NULL", __LINE__);
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    }
    MbdnInfo safe = *pMbdnInfo;
    safe.szNumber[sizeof(safe.szNumber) - 1] = '\0';
    safe.mszName[sizeof(safe.mszName) / sizeof(safe.mszName[0]) - 1] = 0;
    return Mgr()->UpdateNameByVoicemail(&safe) ? 1 : ulogerr::Fail(ULOG_ERR_FAILED);
}

extern "C" BOOL UlogGetUnreadMissedCallLog(UlogInfo* pUnreadMissedLog, int nMax)
{
    ulogerr::CUlogApiCall call;
    if (pUnreadMissedLog == nullptr)
    {
        Require("pUnreadMissedLog != NULL", __LINE__);
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    }
    CUlogSvcFilter filter;
    if (!MakeFilter(filter, ULOG_DB_IS_UNCHECKED_YET, 1, __LINE__))
        return ulogerr::Fail(ULOG_ERR_FAILED);
    /* A negative bound writes nothing, as 0 does. */
    const int nBound = (nMax < 0) ? 0 : nMax;
    if (!ulogapi::CopyListToArray(Mgr()->GetUlogs(&filter), pUnreadMissedLog, nBound, ULOG_SRC_MODULE,
                                  __LINE__))
        return ulogerr::Fail(ULOG_ERR_FAILED);
    return 1;
}

extern "C" int UlogGetUnreadTotalMissedCount(void)
{
    ulogerr::CUlogApiCall call;
    CUlogSvcFilter filter;
    if (!MakeFilter(filter, ULOG_DB_LOG_TYPE, static_cast<int>(ULOG_LOG_MISSED), __LINE__))
        return 0;
    const int nCount = Mgr()->GetCount(&filter);
    if (nCount < 0)
        ulogerr::Fail(ULOG_ERR_FAILED);
    return nCount;
}

extern "C" int UlogGetUnreadMissedLogCount(void)
{
    ulogerr::CUlogApiCall call;
    return UlogGetUnreadTotalMissedCount();
}

extern "C" BOOL UlogSetAllUnreadMissedStatus(int nStatus)
{
    ulogerr::CUlogApiCall call;
    return Mgr()->UpdateAllUncheckedStatus(nStatus) ? 1 : ulogerr::Fail(ULOG_ERR_FAILED);
}

extern "C" int UlogGetIndex(int nUniqueId)
{
    ulogerr::CUlogApiCall call;
    return Mgr()->GetIndex(nUniqueId);
}

extern "C" int UlogGetSum(int nField)
{
    ulogerr::CUlogApiCall call;
    if (!ulogapi::IsValidField(nField, ULOG_SRC_MODULE, __LINE__))
        return 0;
    return Mgr()->GetSum(nField);
}

extern "C" int UlogGetAverage(int nField)
{
    ulogerr::CUlogApiCall call;
    if (!ulogapi::IsValidField(nField, ULOG_SRC_MODULE, __LINE__))
        return 0;
    return Mgr()->GetAverage(nField);
}

extern "C" BOOL UlogSetFilter(int nFilter)
{
    ulogerr::CUlogApiCall call;
    return Mgr()->SetFilter(nFilter);
}

extern "C" BOOL UlogSetOrder(int nOrder1, int nOrder2, int nOrder3, int nOrder4)
{
    ulogerr::CUlogApiCall call;
    return Mgr()->SetOrder(nOrder1, nOrder2, nOrder3, nOrder4);
}

extern "C" HOBJ UlogGetAllLogInfo(void)
{
    ulogerr::CUlogApiCall call;
    return HandleOf(Mgr()->GetUlogs(), __LINE__);
}

extern "C" HOBJ UlogGetAllLogInfoByType(UlogLogType iLogType)
{
    ulogerr::CUlogApiCall call;
    return HandleOf(Mgr()->GetUlogs(iLogType), __LINE__);
}

extern "C" HOBJ UlogGetMaxLogInfo(int nField)
{
    ulogerr::CUlogApiCall call;
    if (!ulogapi::IsValidField(nField, ULOG_SRC_MODULE, __LINE__))
        return 0;
    return HandleOf(Mgr()->GetMax(nField), __LINE__);
}

extern "C" HOBJ UlogGetMinLogInfo(int nField)
{
    ulogerr::CUlogApiCall call;
    if (!ulogapi::IsValidField(nField, ULOG_SRC_MODULE, __LINE__))
        return 0;
    return HandleOf(Mgr()->GetMin(nField), __LINE__);
}
