// The reads and queries that the distinct and the duplicate log managers share.
#define ULOG_SRC_MODULE "UlogSvcLogMgr/CUlogSvcLogMgrBase"
#include "H/UlogSvcDef.h"

#include "UlogSvcLogMgr/CUlogSvcLogMgrBase.h"

#include "H/UlogSvcList.h"
#include "H/UlogSvcPtr.h"
#include "UlogSvcDbMgr/IUlogDbMgr.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"
#include "UlogSvcLogMgr/CUlogSvcFilterMgr.h"
#include "UlogSvcUtil/CUlogSvcUtil.h"

namespace
{
const int LINE_ANY = 100;

/* Reads go with an empty filter when none is given. */
const IUlogSvcFilter& OrEmpty(const IUlogSvcFilter* pFilter, CUlogSvcFilter& empty)
{
    return pFilter != NULL ? *pFilter : empty;
}
} // namespace

template <class TInterface>
CUlogSvcLogMgrBase<TInterface>::CUlogSvcLogMgrBase(IUlogDbMgr* pDbMgr, UlogDbTableType iTable,
                                                   const char* pszModule)
    : m_pDbMgr(pDbMgr), m_iTable(iTable), m_pszModule(pszModule)
{
}

template <class TInterface> CUlogSvcLogMgrBase<TInterface>::~CUlogSvcLogMgrBase() {}

template <class TInterface> BOOL CUlogSvcLogMgrBase<TInterface>::__CheckDbMgr(int nLine) const
{
    return __Require(m_pDbMgr != NULL, "m_pDbMgr != NULL", nLine) ? TRUE : FALSE;
}

template <class TInterface>
bool CUlogSvcLogMgrBase<TInterface>::__Require(bool bCond, const char* pszText, int nLine) const
{
    if (!bCond)
        _SysAssertReport(1, "ASSERTION_REQUIRE", pszText, m_pszModule, nLine);
    return bCond;
}

template <class TInterface> std::string CUlogSvcLogMgrBase<TInterface>::__Field(int nField) const
{
    CUlogSvcFilterMgr* pFilterMgr = CUlogSvcFilterMgr::Instance();
    return pFilterMgr != NULL ? pFilterMgr->GetFieldName(nField, m_iTable) : std::string();
}

/* ==== Forwarding writes ==== */

template <class TInterface> void CUlogSvcLogMgrBase<TInterface>::Delete(const CUlog& log)
{
    this->Delete(log.GetUniqueID());
}

template <class TInterface> BOOL CUlogSvcLogMgrBase<TInterface>::UpdateReserved(CUlog& /*log*/)
{
    return TRUE;
}

template <class TInterface>
BOOL CUlogSvcLogMgrBase<TInterface>::DeleteByBasicNumber(const char* pszBasicNumber)
{
    if (!__CheckDbMgr(LINE_ANY) || !__Require(pszBasicNumber != NULL, "pszBasicNumber != NULL", __LINE__))
        return FALSE;
    CUlogSvcFilter filter;
    filter.SetFilter(__Field(ULOG_DB_BASIC_NUMBER), std::string(pszBasicNumber));
    return this->Delete(&filter);
}

/* ==== Queries ==== */

template <class TInterface> CUlog* CUlogSvcLogMgrBase<TInterface>::GetUlog(const IUlogSvcFilter* pFilter)
{
    if (!__CheckDbMgr(LINE_ANY))
        return NULL;
    CUlogSvcFilter empty;
    return m_pDbMgr->GetUlog(OrEmpty(pFilter, empty), m_iTable);
}

template <class TInterface> CUlog* CUlogSvcLogMgrBase<TInterface>::GetFirstUlog(UlogLogType iLogType)
{
    return __CheckDbMgr(LINE_ANY) ? m_pDbMgr->GetFirstUlog((int)iLogType, m_iTable) : NULL;
}

template <class TInterface> CUlog* CUlogSvcLogMgrBase<TInterface>::GetLastUlog(UlogLogType iLogType)
{
    return __CheckDbMgr(LINE_ANY) ? m_pDbMgr->GetLastUlog((int)iLogType, m_iTable) : NULL;
}

template <class TInterface> CUlog* CUlogSvcLogMgrBase<TInterface>::GetFirstUlog()
{
    return __CheckDbMgr(LINE_ANY) ? m_pDbMgr->GetFirstUlog(m_iTable) : NULL;
}

template <class TInterface> CUlog* CUlogSvcLogMgrBase<TInterface>::GetLastUlog()
{
    return __CheckDbMgr(LINE_ANY) ? m_pDbMgr->GetLastUlog(m_iTable) : NULL;
}

template <class TInterface> CUlog* CUlogSvcLogMgrBase<TInterface>::GetLastUlog(const IUlogSvcFilter* pFilter)
{
    if (!__CheckDbMgr(LINE_ANY))
        return NULL;
    CUlogSvcFilter empty;
    return m_pDbMgr->GetLastUlog(OrEmpty(pFilter, empty), m_iTable);
}

template <class TInterface> CUlog* CUlogSvcLogMgrBase<TInterface>::GetUlog(int nUniqueId)
{
    return __CheckDbMgr(LINE_ANY) ? m_pDbMgr->GetUlogByUniqueID(nUniqueId, m_iTable) : NULL;
}

template <class TInterface>
CUlog* CUlogSvcLogMgrBase<TInterface>::GetUlogByNumber(UlogLogType iLogType, const char* pszNumber,
                                                       int nIPCallDigitCount)
{
    if (!__CheckDbMgr(LINE_ANY) || !__Require(pszNumber != NULL, "pszNumber != NULL", __LINE__))
        return NULL;
    char szBasic[ULOG_NUMBER_LEN] = {0};
    CUlogSvcUtil::ExtractBasicNum(pszNumber, szBasic, nIPCallDigitCount);
    CUlogSvcFilter filter;
    filter.SetFilter(__Field(ULOG_DB_LOG_TYPE), (int)iLogType);
    filter.AppendFilter(__Field(ULOG_DB_BASIC_NUMBER), std::string(szBasic), TRUE);
    return m_pDbMgr->GetUlog(filter, m_iTable);
}

template <class TInterface>
IUlogList<CUlog>* CUlogSvcLogMgrBase<TInterface>::GetUlogs(const IUlogSvcFilter* pFilter)
{
    if (!__CheckDbMgr(LINE_ANY))
        return NULL;
    CUlogSvcFilter empty;
    return m_pDbMgr->GetUlogs(OrEmpty(pFilter, empty), m_iTable);
}

template <class TInterface> IUlogList<CUlog>* CUlogSvcLogMgrBase<TInterface>::GetUlogs(UlogLogType iLogType)
{
    return __CheckDbMgr(LINE_ANY) ? m_pDbMgr->GetAllUlog((int)iLogType, m_iTable) : NULL;
}

template <class TInterface> IUlogList<CUlog>* CUlogSvcLogMgrBase<TInterface>::GetUlogs()
{
    return __CheckDbMgr(LINE_ANY) ? m_pDbMgr->GetAllUlog(m_iTable) : NULL;
}

template <class TInterface>
IUlogList<CUlog>* CUlogSvcLogMgrBase<TInterface>::GetUlogs(const IUlogSvcFilter* pFilter, int nStart,
                                                           int nCount)
{
    if (!__CheckDbMgr(LINE_ANY))
        return NULL;
    CUlogSvcFilter empty;
    return m_pDbMgr->GetUlogs(OrEmpty(pFilter, empty), nStart, nCount, m_iTable);
}

template <class TInterface> IUlogList<CUlog>* CUlogSvcLogMgrBase<TInterface>::GetUlogs(int nStart, int nCount)
{
    return __CheckDbMgr(LINE_ANY) ? m_pDbMgr->GetUlogs(nStart, nCount, m_iTable) : NULL;
}

template <class TInterface>
IUlogList<CUlog>* CUlogSvcLogMgrBase<TInterface>::GetUlogs(UlogLogType iLogType, int nStart, int nCount)
{
    return __CheckDbMgr(LINE_ANY) ? m_pDbMgr->GetUlogs((int)iLogType, nStart, nCount, m_iTable) : NULL;
}

template <class TInterface>
IUlogList<CUlog>* CUlogSvcLogMgrBase<TInterface>::GetUlogsByGroup(const IUlogSvcFilter* pFilter, int nStart,
                                                                  int nCount)
{
    if (!__CheckDbMgr(LINE_ANY))
        return NULL;
    CUlogSvcFilter empty;
    return m_pDbMgr->GetUlogsByGroup(OrEmpty(pFilter, empty), nStart, nCount, m_iTable);
}

template <class TInterface>
IUlogList<int>* CUlogSvcLogMgrBase<TInterface>::GetFieldDistinct(int nField, const IUlogSvcFilter* pFilter)
{
    if (!__CheckDbMgr(LINE_ANY))
        return NULL;
    CUlogSvcFilter empty;
    return m_pDbMgr->GetFieldDistinct(nField, OrEmpty(pFilter, empty), m_iTable);
}

template <class TInterface> IUlogList<CUlog>* CUlogSvcLogMgrBase<TInterface>::GetAllUlogOnlyNumber()
{
    return __CheckDbMgr(LINE_ANY) ? m_pDbMgr->GetAllUlogOnlyNumber(m_iTable) : NULL;
}

template <class TInterface>
IUlogList<CUlog>* CUlogSvcLogMgrBase<TInterface>::GetDateByGroup(const IUlogSvcFilter* pFilter)
{
    if (!__CheckDbMgr(LINE_ANY))
        return NULL;
    CUlogSvcFilter empty;
    return m_pDbMgr->GetDateByGroup(OrEmpty(pFilter, empty), m_iTable);
}

template <class TInterface> int CUlogSvcLogMgrBase<TInterface>::GetIndex(int nUniqueId)
{
    // -1, never a valid position, when the list cannot be read.
    IUlogList<CUlog>* pList = this->GetUlogs();
    if (!__Require(pList != NULL, "pList != NULL", __LINE__))
        return -1;
    IUlogIterator<CUlog>* pIter = pList->GetIterator();
    if (!__Require(pIter != NULL, "pIter != NULL", __LINE__))
    {
        pList->Release();
        return -1;
    }
    int nIndex = -1;
    int nPos = 0;
    for (pIter->First(); !pIter->IsDone(); pIter->Next(), ++nPos)
    {
        const CUlog* pUlog = pIter->GetCurItem();
        if (pUlog != NULL && pUlog->GetUniqueID() == nUniqueId)
        {
            nIndex = nPos;
            break;
        }
    }
    SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogSvcDistinctMgr::GetIndex: nIndex (%d)\n", nIndex);
    pIter->Release();
    pList->Release();
    return nIndex;
}

template <class TInterface> int CUlogSvcLogMgrBase<TInterface>::GetSum(int nField)
{
    return __CheckDbMgr(LINE_ANY) ? (int)m_pDbMgr->GetSum(nField, m_iTable) : 0;
}

template <class TInterface> int CUlogSvcLogMgrBase<TInterface>::GetAverage(int nField)
{
    return __CheckDbMgr(LINE_ANY) ? (int)m_pDbMgr->GetAverage(nField, m_iTable) : 0;
}

template <class TInterface> IUlogList<CUlog>* CUlogSvcLogMgrBase<TInterface>::GetMax(int nField)
{
    return __CheckDbMgr(LINE_ANY) ? m_pDbMgr->GetMax(nField, m_iTable) : NULL;
}

template <class TInterface> IUlogList<CUlog>* CUlogSvcLogMgrBase<TInterface>::GetMin(int nField)
{
    return __CheckDbMgr(LINE_ANY) ? m_pDbMgr->GetMin(nField, m_iTable) : NULL;
}

template <class TInterface> int CUlogSvcLogMgrBase<TInterface>::GetCount(UlogLogType iLogType)
{
    CUlogSvcFilter filter;
    filter.SetFilter(__Field(ULOG_DB_LOG_TYPE), (int)iLogType);
    return this->GetCount(&filter);
}

template <class TInterface> int CUlogSvcLogMgrBase<TInterface>::GetCount()
{
    CUlogSvcFilter empty;
    return this->GetCount(&empty);
}

template <class TInterface> int CUlogSvcLogMgrBase<TInterface>::GetCount(const IUlogSvcFilter* pFilter)
{
    if (!__CheckDbMgr(LINE_ANY))
        return 0;
    CUlogSvcFilter empty;
    return m_pDbMgr->GetCount(OrEmpty(pFilter, empty), m_iTable);
}

template <class TInterface> int CUlogSvcLogMgrBase<TInterface>::GetGroupCount(const IUlogSvcFilter* pFilter)
{
    if (!__CheckDbMgr(LINE_ANY))
        return 0;
    CUlogSvcFilter empty;
    return m_pDbMgr->GetGroupCount(OrEmpty(pFilter, empty), m_iTable);
}

template <class TInterface>
int CUlogSvcLogMgrBase<TInterface>::GetCountDistinct(int nField, const IUlogSvcFilter* pFilter)
{
    if (!__CheckDbMgr(LINE_ANY))
        return 0;
    CUlogSvcFilter empty;
    return m_pDbMgr->GetCountDistinct(nField, OrEmpty(pFilter, empty), m_iTable);
}

template <class TInterface> BOOL CUlogSvcLogMgrBase<TInterface>::SetFilter(int nFilter)
{
    return __CheckDbMgr(LINE_ANY) ? m_pDbMgr->SetFilter(nFilter, m_iTable) : FALSE;
}

template <class TInterface>
BOOL CUlogSvcLogMgrBase<TInterface>::SetOrder(int nOrder1, int nOrder2, int nOrder3, int nOrder4)
{
    return __CheckDbMgr(LINE_ANY) ? m_pDbMgr->SetOrder(nOrder1, nOrder2, nOrder3, nOrder4, m_iTable) : FALSE;
}

template <class TInterface> BOOL CUlogSvcLogMgrBase<TInterface>::IsExist(int nUniqueId)
{
    CUlogPtr<CUlog> ptr(this->GetUlog(nUniqueId));
    return ptr.IsValidPtr();
}

template class CUlogSvcLogMgrBase<IUlogSvcDistinctMgr>;
template class CUlogSvcLogMgrBase<IUlogSvcDuplMgr>;
