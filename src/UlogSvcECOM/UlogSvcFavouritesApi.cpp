/* The exported frequency and photo-favourite functions. */
#define ULOG_SRC_MODULE "UlogSvcLogMgr/UlogSvcFreqMgr"
#include "H/UlogSvcDef.h"

#include "UlogSvc.h"
#include "UlogSvcECOM/UlogSvcApiUtil.h"
#include "UlogSvcECOM/UlogSvcLastError.h"

#include "H/UlogSvcList.h"
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogSvcFreqMgr.h"
#include "UlogSvcLogMgr/CUlogSvcGenerator.h"

#include <cstring>
#include <new>

namespace
{
void Require(const char* pszCond, int nLine)
{
    ulogapi::Require(ULOG_SRC_MODULE, pszCond, nLine);
}

/* A bounded, terminated copy into a text field; the rest of the field is cleared. */
void CopyText(char* pszDest, size_t nPlaces, const char* pszSrc)
{
    std::memset(pszDest, 0, nPlaces);
    if (pszSrc != nullptr)
        std::memcpy(pszDest, pszSrc, strnlen(pszSrc, nPlaces - 1));
}

void ToRecord(const CUlog& log, UlogPhotoFvrInfo& info)
{
    info.nPersonId = log.GetCtPid();
    info.iStorageType = log.GetStorageType();
    CopyText(info.szBasicNumber, sizeof(info.szBasicNumber), log.GetBasicNumber());
    CopyText(info.szNumber, sizeof(info.szNumber), log.GetNumber());
    CopyText(info.szName, sizeof(info.szName), log.GetDisplayName());
    CopyText(info.szCallerIdPath, sizeof(info.szCallerIdPath), log.GetCallerIdPath());
}

/* Releases a list or an iterator when the scope ends. */
template <class T> struct COwner
{
    T* p;
    ~COwner()
    {
        if (p != nullptr)
            p->Release();
    }
};

/* Deletes the favourites of the records: a list of call logs carrying only their basic numbers. */
BOOL DeleteRecords(const UlogPhotoFvrInfo* pFvrInfo, int nCount, int nLine)
{
    if (pFvrInfo == nullptr || nCount < 0)
    {
        Require("(pFvrInfo != NULL) && (0 <= nCount)", nLine);
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    }
    /* The caller's text may lack its terminator: it is read within its field. An empty basic number
     * would name every row without one; such a record is refused before anything is deleted. */
    for (int i = 0; i < nCount; ++i)
    {
        if (pFvrInfo[i].szBasicNumber[0] == '\0')
        {
            Require("pFvrInfo->szBasicNumber[0] != '\\0'", nLine);
            return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
        }
    }
    IUlogList<CUlog>* pList = new (std::nothrow) CUlogList<CUlog>();
    if (pList == nullptr)
    {
        Require("pList != NULL", nLine);
        return ulogerr::Fail(ULOG_ERR_NO_MEMORY);
    }
    CUlogSvcGenerator generator;
    for (int i = 0; i < nCount; ++i)
    {
        char szBasic[ULOG_NUMBER_LEN] = {0};
        std::memcpy(szBasic, pFvrInfo[i].szBasicNumber, sizeof(szBasic) - 1);
        CUlogSvcDataSet dataSet;
        dataSet.SetBasicNumber(szBasic);
        CUlog* pUlog = generator.Generate(dataSet);
        if (pUlog == nullptr)
        {
            Require("pUlog != NULL", nLine);
            pList->Release();
            return ulogerr::Fail(ULOG_ERR_NO_MEMORY);
        }
        pList->Add(*pUlog);
    }
    CUlogSvcFreqMgr mgr;
    if (!mgr.Init())
    {
        pList->Release();
        return ulogerr::Fail(ULOG_ERR_FAILED);
    }
    return mgr.DeleteByBasicNumber(pList) ? 1 : ulogerr::Fail(ULOG_ERR_FAILED);
}
} // namespace

extern "C" BOOL UlogGetPhotoFavouritesLogsEx(int nCount, UlogPhotoFvrInfo* pFvrInfo, int* pnFilled)
{
    ulogerr::CUlogApiCall call;
    if (pnFilled != nullptr)
        *pnFilled = 0;
    if (pFvrInfo == nullptr || nCount < 0)
    {
        Require("(pFvrInfo != NULL) && (0 <= nCount)", __LINE__);
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    }
    if (nCount == 0)
        return 1;
    CUlogSvcFreqMgr mgr;
    if (!mgr.Init())
        return ulogerr::Fail(ULOG_ERR_FAILED);
    /* Only the first nCount rows are copied: the favourites behind them are not read. */
    COwner<IUlogList<CUlog>> list = {mgr.GetPhotoFvrLogs(nCount, nCount)};
    if (list.p == nullptr)
    {
        Require("pList != NULL", __LINE__);
        return ulogerr::Fail(ULOG_ERR_FAILED);
    }
    COwner<IUlogIterator<CUlog>> iter = {list.p->GetIterator()};
    if (iter.p == nullptr)
    {
        Require("pIter != NULL", __LINE__);
        return ulogerr::Fail(ULOG_ERR_FAILED);
    }
    int nFilled = 0;
    for (iter.p->First(); !iter.p->IsDone() && nFilled < nCount; iter.p->Next())
    {
        const CUlog* pUlog = iter.p->GetCurItem();
        if (pUlog == nullptr)
        {
            Require("pUlog != NULL", __LINE__);
            break;
        }
        ToRecord(*pUlog, pFvrInfo[nFilled]);
        ++nFilled;
    }
    /* The walk stopped at a missing log: the records written so far are not the answer. */
    if (nFilled < nCount && !iter.p->IsDone())
        return ulogerr::Fail(ULOG_ERR_FAILED);
    if (pnFilled != nullptr)
        *pnFilled = nFilled;
    return 1;
}

extern "C" BOOL UlogGetPhotoFavouritesLogs(int nCount, UlogPhotoFvrInfo* pFvrInfo)
{
    return UlogGetPhotoFavouritesLogsEx(nCount, pFvrInfo, nullptr);
}

extern "C" BOOL UlogDeletePhotoFavouritesLog(const UlogPhotoFvrInfo* pFvrInfo, int nCount)
{
    ulogerr::CUlogApiCall call;
    return DeleteRecords(pFvrInfo, nCount, __LINE__);
}

extern "C" BOOL UlogDeleteSinglePhotoFavouritesLog(const UlogPhotoFvrInfo* pFvrInfo)
{
    ulogerr::CUlogApiCall call;
    return DeleteRecords(pFvrInfo, 1, __LINE__);
}

extern "C" BOOL UlogGetFrequentLogs(UlogLogType iLogType, int nCapacity, UlogInfo* pUlogInfo, int* pnFilled)
{
    ulogerr::CUlogApiCall call;
    if (pnFilled != nullptr)
        *pnFilled = 0;
    if (nCapacity < 0 || (pUlogInfo == nullptr && nCapacity > 0) || !_UlogIsValidLog(iLogType))
    {
        Require("(0 <= nCapacity) && (pUlogInfo != NULL || nCapacity == 0) && _UlogIsValidLog(iLogType)",
                __LINE__);
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    }
    if (nCapacity == 0)
        return 1;
    CUlogSvcFreqMgr mgr;
    if (!mgr.Init())
        return ulogerr::Fail(ULOG_ERR_FAILED);
    IUlogList<CUlog>* pList = mgr.GetFreqLogs(iLogType, nCapacity);
    if (pList == nullptr)
        return ulogerr::Fail(ULOG_ERR_FAILED);
    if (!ulogapi::CopyListToArray(pList, pUlogInfo, nCapacity, ULOG_SRC_MODULE, __LINE__, pnFilled))
        return ulogerr::Fail(ULOG_ERR_FAILED);
    return 1;
}
