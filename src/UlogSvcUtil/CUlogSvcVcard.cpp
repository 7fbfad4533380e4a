#define ULOG_SRC_MODULE "UlogSvcUtil/UlogSvcVcard"
#include "H/UlogSvcDef.h"

#include "UlogSvcUtil/CUlogSvcVcard.h"

#include "UlogSvcAccountMgr/CUlogSvcAccountMgr.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"
#include "UlogSvcLogMgr/CUlogSvcFilterMgr.h"
#include "UlogSvcLogMgr/IUlogSvcDistinctMgr.h"

#include <cstdio>
#include <cstring>

namespace
{
const int kPathBufSize = 773;

/* Where the export's own step failed when the platform left no cause. */
void SetCauseIfNone(unsigned int nError)
{
    if (SysGetLastError() == SYS_ERR_NONE)
        SysSetLastError(nError);
}

/* The call kind the card carries for a call log; 0 for other logs. */
unsigned int CallKindOf(UlogLogType iLogType)
{
    switch (iLogType)
    {
    case ULOG_LOG_ORIGINATED:
        return VPARAM_CALL_DIALED;
    case ULOG_LOG_TERMINATED:
        return VPARAM_CALL_RECEIVED;
    case ULOG_LOG_MISSED:
        return VPARAM_CALL_MISSED;
    default:
        return 0;
    }
}

void* Alloc(size_t nSize)
{
    void* p = MemAllocTraceEx(0, nSize, __FILE__, __LINE__);
    if (p != nullptr)
        std::memset(p, 0, nSize);
    return p;
}

void FreeProps(_VProp* pProp)
{
    while (pProp != nullptr)
    {
        _VProp* pNextProp = pProp->pNext;
        for (unsigned int i = 0; i < pProp->nValues && i < VPROP_VALUE_MAX; ++i)
            if (pProp->pValue[i] != nullptr)
                MemFreeTraceMultiHeap(pProp->pValue[i], __FILE__, __LINE__);
        for (_VParam* pParam = pProp->pParam; pParam != nullptr;)
        {
            _VParam* pNextParam = pParam->pNext;
            MemFreeTraceMultiHeap(pParam, __FILE__, __LINE__);
            pParam = pNextParam;
        }
        MemFreeTraceMultiHeap(pProp, __FILE__, __LINE__);
        pProp = pNextProp;
    }
}

void FreeChain(_VTree* pCard)
{
    while (pCard != nullptr)
    {
        _VTree* pNextCard = pCard->pNext;
        FreeProps(pCard->pTop);
        MemFreeTraceMultiHeap(pCard, __FILE__, __LINE__);
        pCard = pNextCard;
    }
}

/* Appends a property with one value (a heap copy) and the given parameters; false when an allocation
 * fails (the card keeps what it had). */
bool AddProp(_VTree* pCard, unsigned int nPropId, const char* pszValue, const unsigned int (*pParams)[2],
             int nParams)
{
    _VProp* pProp = static_cast<_VProp*>(Alloc(sizeof(_VProp)));
    if (pProp == nullptr)
        return false;
    pProp->nPropId = nPropId;
    _VParam** ppTail = &pProp->pParam;
    for (int i = 0; i < nParams; ++i)
    {
        _VParam* pParam = static_cast<_VParam*>(Alloc(sizeof(_VParam)));
        if (pParam == nullptr)
        {
            FreeProps(pProp);
            return false;
        }
        pParam->nParamId = pParams[i][0];
        pParam->nParamValue = pParams[i][1];
        *ppTail = pParam;
        ppTail = &pParam->pNext;
    }
    const size_t nLen = std::strlen(pszValue);
    char* pszCopy = static_cast<char*>(Alloc(nLen + 1));
    if (pszCopy == nullptr)
    {
        FreeProps(pProp);
        return false;
    }
    std::memcpy(pszCopy, pszValue, nLen + 1);
    pProp->pValue[0] = pszCopy;
    pProp->nValues = 1;
    if (pCard->pTop == nullptr)
        pCard->pTop = pProp;
    else
        pCard->pLast->pNext = pProp;
    pCard->pLast = pProp;
    return true;
}

/* Builds "<dir>/<name>" into the buffer; false (reported) when it does not fit: a cut path would name
 * another file. */
bool MakePath(char* pszBuf, const char* pszDir, const char* pszName, const char* pszCaller)
{
    const int n = std::snprintf(pszBuf, kPathBufSize, "%s/%s", pszDir, pszName);
    if (n < 0 || n >= kPathBufSize)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcVcard::%s: path too long\n", pszCaller);
        SysSetLastError(SYS_ERR_BAD_PATH);
        return false;
    }
    return true;
}

void ReleaseList(IUlogList<CUlog>* pList, IUlogIterator<CUlog>* pIter)
{
    if (pIter != nullptr)
        pIter->Release();
    if (pList != nullptr)
        pList->Release();
}
} // namespace

IUlogList<CUlog>* CUlogSvcVcard::__GetList(UlogConvertType iVcfType, bool bEach, const char* pszCaller)
{
    IUlogSvcDistinctMgr* pLogMgr = IUlogSvcDistinctMgr::Instance();
    switch (static_cast<int>(iVcfType))
    {
    case ULOG_CONVERT_COMBINED:
    {
        if (bEach)
            return pLogMgr->GetUlogs();
        CUlogSvcFilterMgr* pFilterMgr = CUlogSvcFilterMgr::Instance();
        if (!ULOG_REQUIRE(pFilterMgr != NULL))
            return nullptr;
        char szFilter[256];
        AcSprintfSEx(szFilter, sizeof(szFilter), ULOG_SRC_MODULE, __LINE__, " %s between %d and %d ",
                     pFilterMgr->GetFieldName(ULOG_DB_LOG_TYPE, ULOG_DB_TABLE_DISTINCT).c_str(),
                     ULOG_LOG_ORIGINATED, ULOG_LOG_MISSED);
        CUlogSvcFilter filter;
        if (!filter.SetFilter(std::string(szFilter)))
            return nullptr;
        return pLogMgr->GetUlogs(&filter);
    }
    case ULOG_CONVERT_INCOMING:
        return pLogMgr->GetUlogs(ULOG_LOG_TERMINATED);
    case ULOG_CONVERT_OUTGOING:
        return pLogMgr->GetUlogs(ULOG_LOG_ORIGINATED);
    case ULOG_CONVERT_MISSED:
        return pLogMgr->GetUlogs(ULOG_LOG_MISSED);
    default:
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcVcard::%s: iVcfType is not VALID\n", pszCaller);
        SysSetLastError(SYS_ERR_BAD_MODE);
        return nullptr;
    }
}

BOOL CUlogSvcVcard::__WriteWhole(const char* pszDir, const char* pszPath, const char* pszText,
                                 const char* pszCaller)
{
    // The caller's directory: made when missing (a path that leaves the data root is refused here).
    const HOBJ hDir = FmOpenDir(pszDir);
    if (hDir == INVALID_HOBJ)
    {
        if (!FmCreateDir(pszDir))
        {
            SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcVcard::%s: FmCreateDir() failed\n", pszCaller);
            return FALSE;
        }
    }
    else
        FmCloseDir(hDir);
    // The new text replaces the old file in one step: the old file stays until the new one is whole.
    if (!VCardWriteFile(pszPath, pszText, std::strlen(pszText)))
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcVcard::%s: FmWriteFile Fail \n", pszCaller);
        return FALSE;
    }
    return TRUE;
}

BOOL CUlogSvcVcard::MakeTotalVcardFileByType(UlogConvertType iVcfType, const char* pszFilePathName)
{
    static const char* const kCaller = "MakeTotalVcardFileByType";
    if (!ULOG_REQUIRE(pszFilePathName != NULL))
        return FALSE;
    if (!ULOG_REQUIRE_T(IUlogSvcDistinctMgr::Instance() != nullptr, "pLogMgr != NULL"))
        return FALSE;

    static const char* const kNames[4] = {"cch.vcf", "ich.vcf", "och.vcf", "mch.vcf"};
    if (iVcfType == ULOG_CONVERT_COMBINED)
    {
        CUlogSvcAccountMgr* pAccountMgr = CUlogSvcAccountMgr::Instance();
        if (!ULOG_REQUIRE(pAccountMgr != NULL))
            return FALSE;
        if (!pAccountMgr->WriteLogCount())
            SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcVcard::MakeTotalVcardFileByType: WriteLogCount failed\n");
    }
    IUlogList<CUlog>* pList = __GetList(iVcfType, false, kCaller);
    if (!ULOG_REQUIRE(pList != NULL))
        return FALSE;
    char szPath[kPathBufSize];
    if (!MakePath(szPath, pszFilePathName, kNames[iVcfType], kCaller))
    {
        ReleaseList(pList, nullptr);
        return FALSE;
    }
    SysDebugPrintf(ULOG_DBG_PROGRESS, "CUlogSvcVcard::MakeTotalVcardFileByType: %s\n", szPath);
    if (pList->GetCount() <= 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcVcard::MakeTotalVcardFileByType: pList->GetCount() == 0 \n");
        ReleaseList(pList, nullptr);
        return FALSE;
    }
    IUlogIterator<CUlog>* pIter = pList->GetIterator();
    char* pszText = nullptr;
    if (pIter == nullptr || !ConvertTotalCallLogs2VCard(pIter, &pszText, 0))
    {
        SysDebugPrintf(ULOG_DBG_FAIL,
                       "CUlogSvcVcard::MakeTotalVcardFileByType: ConvertTotalCallLogs2VCard return FALSE.\n");
        ReleaseList(pList, pIter);
        return FALSE;
    }
    const BOOL bWritten = __WriteWhole(pszFilePathName, szPath, pszText, kCaller);
    MemFreeTraceMultiHeap(pszText, __FILE__, __LINE__);
    ReleaseList(pList, pIter);
    return bWritten;
}

BOOL CUlogSvcVcard::MakeEachVcardFileByType(UlogConvertType iVcfType, const char* pszFilePathName)
{
    static const char* const kCaller = "MakeEachVcardFileByType";
    if (!ULOG_REQUIRE(pszFilePathName != NULL))
        return FALSE;
    if (!ULOG_REQUIRE_T(IUlogSvcDistinctMgr::Instance() != nullptr, "pLogMgr != NULL"))
        return FALSE;
    IUlogList<CUlog>* pList = __GetList(iVcfType, true, kCaller);
    if (!ULOG_REQUIRE(pList != NULL))
        return FALSE;
    SysDebugPrintf(ULOG_DBG_PROGRESS, "CUlogSvcVcard::MakeEachVcardFileByType: %s\n", pszFilePathName);
    if (pList->GetCount() <= 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcVcard::MakeEachVcardFileByType: pList->GetCount() == 0 \n");
        ReleaseList(pList, nullptr);
        return FALSE;
    }
    IUlogIterator<CUlog>* pIter = pList->GetIterator();
    if (pIter == nullptr)
    {
        SetCauseIfNone(SYS_ERR_NO_MEMORY);
        ReleaseList(pList, nullptr);
        return FALSE;
    }
    BOOL bOk = TRUE;
    int i = 0;
    for (pIter->First(); !pIter->IsDone() && bOk; pIter->Next(), ++i)
    {
        const CUlog* pLog = pIter->GetCurItem();
        char* pszText = nullptr;
        if (pLog == nullptr || !ConvertEachCallLog2VCard(*pLog, &pszText))
        {
            SysDebugPrintf(
                ULOG_DBG_FAIL,
                "CUlogSvcVcard::MakeEachVcardFileByType: ConvertEachCallLog2VCard return FALSE. i =%d\n", i);
            bOk = FALSE;
            break;
        }
        char szName[32];
        char szPath[kPathBufSize];
        std::snprintf(szName, sizeof(szName), "%d.vcf", i);
        bOk = MakePath(szPath, pszFilePathName, szName, kCaller) &&
              __WriteWhole(pszFilePathName, szPath, pszText, kCaller);
        MemFreeTraceMultiHeap(pszText, __FILE__, __LINE__);
    }
    ReleaseList(pList, pIter);
    return bOk;
}

BOOL CUlogSvcVcard::ConvertTotalCallLogs2VCard(IUlogIterator<CUlog>* pIter, char** ppObject, int nCount)
{
    if (!ULOG_REQUIRE_T(ppObject != nullptr, "ppObject") || !ULOG_REQUIRE(pIter != NULL))
        return FALSE;
    SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogSvcVcard::ConvertTotalCallLogs2VCard: nCount (%d)\n", nCount);
    _VTree* pHead = nullptr;
    _VTree* pTail = nullptr;
    int i = 0;
    for (pIter->First(); !pIter->IsDone(); pIter->Next(), ++i)
    {
        const CUlog* pLog = pIter->GetCurItem();
        _VTree* pCard = nullptr;
        if (pLog == nullptr || !OneLog2OneVTree(*pLog, &pCard))
        {
            SysDebugPrintf(
                ULOG_DBG_FAIL,
                "CUlogSvcVcard::ConvertTotalCallLogs2VCard: OneLog2OneVTree return FALSE. i = (%d)\n", i);
            FreeChain(pHead);
            return FALSE;
        }
        if (pHead == nullptr)
            pHead = pCard;
        else
            pTail->pNext = pCard;
        pTail = pCard;
    }
    if (pHead == nullptr)
        return FALSE;
    *ppObject = VCardEncode(pHead);
    FreeVcard(&pHead);
    if (*ppObject == nullptr)
    {
        SysDebugPrintf(ULOG_DBG_FAIL,
                       "CUlogSvcVcard::ConvertTotalCallLogs2VCard:VCardEncode MemAlloc Failed\n");
        return FALSE;
    }
    return TRUE;
}

BOOL CUlogSvcVcard::ConvertEachCallLog2VCard(const CUlog& log, char** ppObject)
{
    if (!ULOG_REQUIRE_T(ppObject != nullptr, "ppObject"))
        return FALSE;
    _VTree* pCard = nullptr;
    if (!CopyItemsAsVcardType(log, &pCard))
        return FALSE;
    *ppObject = VCardEncode(pCard);
    FreeVcard(&pCard);
    return *ppObject != nullptr;
}

BOOL CUlogSvcVcard::OneLog2OneVTree(const CUlog& log, _VTree** ppCard)
{
    if (!ULOG_REQUIRE(ppCard != NULL))
        return FALSE;
    if (!CopyItemsAsVcardType(log, ppCard))
    {
        if (SysGetLastError() == SYS_ERR_NO_MEMORY)
            SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcVcard::OneLog2OneVTree:MemAlloc Failed\n");
        return FALSE;
    }
    return TRUE;
}

BOOL CUlogSvcVcard::CopyItemsAsVcardType(const CUlog& log, _VTree** ppCard)
{
    if (!ULOG_REQUIRE(ppCard != NULL))
        return FALSE;
    *ppCard = nullptr;
    _VTree* pCard = static_cast<_VTree*>(Alloc(sizeof(_VTree)));
    if (pCard == nullptr)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcVcard::CopyItemsAsVcardType:MemAlloc Failed\n");
        SysSetLastError(SYS_ERR_NO_MEMORY);
        return FALSE;
    }
    pCard->nTreeKind = VTREE_KIND_VCARD;

    bool bOk = true;
    const char* pszName = log.GetDisplayName();
    if (bOk && pszName != nullptr && pszName[0] != '\0')
    {
        static const unsigned int kNameParams[2][2] = {{VPARAM_CHARSET, VPARAM_CHARSET_UTF8},
                                                       {VPARAM_ENCODING, VPARAM_ENCODING_QP}};
        bOk = AddProp(pCard, VPROP_DISPLAY_NAME, pszName, kNameParams, 2);
    }
    const char* pszNumber = log.GetNumber();
    if (bOk && pszNumber != nullptr && pszNumber[0] != '\0')
        bOk = AddProp(pCard, VPROP_TEL, pszNumber, nullptr, 0);
    if (bOk && log.GetStartTime() != 0)
    {
        const long long tmLocal = TmConvertUTC2TimeZoneLocal64(log.GetStartTime(), TmGetTimeZoneName());
        TM_DATETIME dt;
        TmSecondsToDateTime64(tmLocal, &dt);
        char szTime[100];
        AcSprintfSEx(szTime, sizeof(szTime), ULOG_SRC_MODULE, __LINE__, "%04d%02d%02dT%02d%02d%02d", dt.nYear,
                     dt.nMonth, dt.nDay, dt.nHour, dt.nMinute, dt.nSecond);
        // The call's kind goes with its time, so a combined history tells missed from received calls.
        const unsigned int nKind = CallKindOf(log.GetLogType());
        const unsigned int kKindParam[1][2] = {{VPARAM_CALL_KIND, nKind}};
        bOk = AddProp(pCard, VPROP_CALL_DATETIME, szTime, kKindParam, nKind != 0 ? 1 : 0);
    }
    if (!bOk)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcVcard::CopyItemsAsVcardType:MemAlloc Failed\n");
        SysSetLastError(SYS_ERR_NO_MEMORY);
        FreeChain(pCard);
        return FALSE;
    }
    if (pCard->pTop == nullptr)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcVcard::CopyItemsAsVcardType: pCard->pTop == NULL\n");
        FreeChain(pCard);
        return FALSE;
    }
    *ppCard = pCard;
    return TRUE;
}

BOOL CUlogSvcVcard::FreeVcard(_VTree** ppVCard)
{
    if (!ULOG_REQUIRE_T(ppVCard != nullptr, "ppVCard"))
        return FALSE;
    _VTree* pCard = *ppVCard;
    if (!ULOG_REQUIRE(pCard != NULL))
        return FALSE;
    BOOL bOk = TRUE;
    for (_VTree* p = pCard; p != nullptr; p = p->pNext)
        if (!ULOG_REQUIRE_T(p->pTop != nullptr, "pEncTemp != NULL"))
            bOk = FALSE;
    FreeChain(pCard);
    *ppVCard = nullptr;
    SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogSvcVcard::FreeVcard: Finished the job\n");
    return bOk;
}
