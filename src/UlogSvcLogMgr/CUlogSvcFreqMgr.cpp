// The frequency and photo-favourite queries over the distinct log table.
#define ULOG_SRC_MODULE "UlogSvcLogMgr/UlogSvcFreqMgr"
#include "UlogSvcLogMgr/CUlogSvcFreqMgr.h"

#include <new>

#include "H/UlogSvcDef.h"
#include "H/UlogSvcList.h"
#include "UlogSvcDbMgr/CUlogNativeDbMgr.h"
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"
#include "UlogSvcDbMgr/UlogDbQuery.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogSvcGenerator.h"
#include "UlogSvcLogMgr/CUlogSvcLogMgrLock.h"
#include "UlogSvcLogMgr/IUlogSvcDistinctMgr.h"
#include "UlogSvcUtil/CUlogSvcUtil.h"

namespace
{
using UlogDbQuery::CResultGuard;
using UlogDbQuery::QUERY_SIZE;

const UlogDbTableType TABLE = ULOG_DB_TABLE_DISTINCT;
/* Messages of this message log type (e-mail based) never make a favourite. */
const int MSG_LOG_TYPE_EXCLUDED = ULOG_MSG_LOG_TYPE_64;
/* The contact person id of a row that no contact owns; the address book's ids start at 1. */
const int NO_CONTACT = 0;
/* A basic number with every quote and '%' doubled. */
const int ESCAPED_NUMBER_SIZE = 2 * ULOG_NUMBER_LEN;

/* Releases a list or an iterator that the function still holds when it ends. */
template <class T> struct COwner
{
    T* p;
    ~COwner()
    {
        if (p != NULL)
            p->Release();
    }
    T* Take()
    {
        T* pTaken = p;
        p = NULL;
        return pTaken;
    }
};
using CListOwner = COwner<IUlogList<CUlog>>;
using CIterOwner = COwner<IUlogIterator<CUlog>>;
} // namespace

CUlogSvcFreqMgr::CUlogSvcFreqMgr() : m_pDbMgr(NULL) {}

CUlogSvcFreqMgr::~CUlogSvcFreqMgr() {}

BOOL CUlogSvcFreqMgr::Init()
{
    CUlogSvcLogMgrScope scope;
    m_pDbMgr = CUlogNativeDbMgr::Instance();
    return ULOG_REQUIRE(m_pDbMgr != NULL) ? TRUE : FALSE;
}

BOOL CUlogSvcFreqMgr::__ReadRows(const char* pszQuery, IUlogList<CUlog>* pList)
{
    CResultGuard guard;
    const int nRowCnt = Db2QueryEx(pszQuery);
    if (nRowCnt < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcFreqMgr: query failed (%s)\n", pszQuery);
        return FALSE;
    }
    CUlogSvcDataSet dataSet;
    CUlogSvcGenerator generator;
    for (int i = 0; i < nRowCnt; i++)
    {
        /* Rows that cannot be read would shorten the answer without a word: the query fails. */
        if (!m_pDbMgr->GetNextRecord(dataSet, TABLE))
            return FALSE;
        CUlog* pUlog = generator.Generate(dataSet);
        if (!ULOG_REQUIRE(pUlog != NULL))
            return FALSE;
        pList->Add(*pUlog);
    }
    return TRUE;
}

IUlogList<CUlog>* CUlogSvcFreqMgr::GetFreqLogs(UlogLogType iLogType, int nCount)
{
    if (!ULOG_REQUIRE(m_pDbMgr != NULL))
        return NULL;
    CUlogSvcLogMgrScope scope;
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__,
                 "select * from %s where %s = %d order by %s desc limit 0, %d", m_pDbMgr->GetTableName(TABLE),
                 m_pDbMgr->GetFieldName(ULOG_DB_LOG_TYPE, TABLE), (int)iLogType,
                 m_pDbMgr->GetFieldName(ULOG_DB_SN_COUNT, TABLE), nCount);
    CListOwner owner = {new (std::nothrow) CUlogList<CUlog>()};
    if (!ULOG_REQUIRE_T(owner.p != NULL, "pList != NULL"))
        return NULL;
    if (!__ReadRows(szQuery, owner.p))
        return NULL;
    return owner.Take();
}

IUlogList<CUlog>* CUlogSvcFreqMgr::GetPhotoFvrLogs(int nCount, int nMaxRows)
{
    if (!ULOG_REQUIRE(m_pDbMgr != NULL))
        return NULL;
    CUlogSvcLogMgrScope scope;
    const char* T = m_pDbMgr->GetTableName(TABLE);
    const char* pszBasic = m_pDbMgr->GetFieldName(ULOG_DB_BASIC_NUMBER, TABLE);
    char szQuery[QUERY_SIZE] = {0};
    /* The derived table names its columns f1 (basic number), f2 (summed event count) and f3 (newest
     * sort index); the inner query ranks by f2, then f3. */
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__,
                 "select f1, f2, f3 from (select %s, sum(%s), max(%s) from %s where %s > %d and %s <> %d and "
                 "%s in(%d, %d) group by %s order by f2 desc, f3 desc limit 0, %d ) as %s(f1,f2,f3) ",
                 pszBasic, m_pDbMgr->GetFieldName(ULOG_DB_SN_COUNT, TABLE),
                 m_pDbMgr->GetFieldName(ULOG_DB_SORT_INDEX, TABLE), T,
                 m_pDbMgr->GetFieldName(ULOG_DB_CT_PID, TABLE), NO_CONTACT,
                 m_pDbMgr->GetFieldName(ULOG_DB_MSG_LOG_TYPE, TABLE), MSG_LOG_TYPE_EXCLUDED,
                 m_pDbMgr->GetFieldName(ULOG_DB_LOG_TYPE, TABLE), (int)ULOG_LOG_ORIGINATED,
                 (int)ULOG_LOG_MSG_SENT, pszBasic, nCount, T);

    CListOwner temp = {new (std::nothrow) CUlogList<CUlog>()};
    if (!ULOG_REQUIRE_T(temp.p != NULL, "pList != NULL"))
        return NULL;
    {
        CResultGuard guard;
        const int nRowCnt = Db2QueryEx(szQuery);
        if (nRowCnt < 0)
        {
            SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcFreqMgr::GetPhotoFvrLogs: query failed\n");
            return NULL;
        }
        CUlogSvcGenerator generator;
        for (int i = 0; i < nRowCnt; i++)
        {
            if (Db2GetNextRow() < 0)
            {
                /* A favourite left out would promote the next one: the query fails instead. */
                SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcFreqMgr::GetPhotoFvrLogs: Db2GetNextRow() failed!\n");
                return NULL;
            }
            const char* pColumn = Db2GetColumn(0);
            if (!ULOG_REQUIRE(pColumn != NULL))
                return NULL;
            /* A call log that carries only the basic number. */
            CUlogSvcDataSet dataSet;
            dataSet.SetBasicNumber(pColumn);
            CUlog* pUlog = generator.Generate(dataSet);
            if (!ULOG_REQUIRE(pUlog != NULL))
                return NULL;
            temp.p->Add(*pUlog);
        }
    }
    return GetPhotoFvrLogsInfo(temp.p, nMaxRows);
}

IUlogList<CUlog>* CUlogSvcFreqMgr::GetPhotoFvrLogsInfo(IUlogList<CUlog>* pTempList, int nMaxRows)
{
    if (!ULOG_REQUIRE(m_pDbMgr != NULL) || !ULOG_REQUIRE(pTempList != NULL))
        return NULL;
    CUlogSvcLogMgrScope scope;
    CIterOwner iter = {pTempList->GetIterator()};
    if (!ULOG_REQUIRE_T(iter.p != NULL, "pIter != NULL"))
        return NULL;
    CListOwner result = {new (std::nothrow) CUlogList<CUlog>()};
    if (!ULOG_REQUIRE_T(result.p != NULL, "pList != NULL"))
        return NULL;
    for (iter.p->First(); !iter.p->IsDone(); iter.p->Next())
    {
        if (nMaxRows >= 0 && result.p->GetCount() >= nMaxRows)
            break;
        const CUlog* pUlog = iter.p->GetCurItem();
        if (!ULOG_REQUIRE(pUlog != NULL))
            return NULL;
        if (pUlog->GetBasicNumber()[0] == '\0')
            continue;
        /* The number stands between quotes: its quotes (and '%', which the engine folds) are doubled. */
        char szBasic[ESCAPED_NUMBER_SIZE] = {0};
        if (!CUlogSvcUtil::ConvertDBStringForQuery(pUlog->GetBasicNumber(), szBasic, sizeof(szBasic)))
            return NULL;
        char szQuery[QUERY_SIZE] = {0};
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select * from  %s where %s = '%s'",
                     m_pDbMgr->GetTableName(TABLE), m_pDbMgr->GetFieldName(ULOG_DB_BASIC_NUMBER, TABLE),
                     szBasic);
        if (!__ReadRows(szQuery, result.p))
            return NULL;
    }
    return result.Take();
}

BOOL CUlogSvcFreqMgr::DeleteByBasicNumber(IUlogList<CUlog>* pList)
{
    if (!ULOG_REQUIRE(pList != NULL))
        return FALSE;
    CListOwner owner = {pList};
    CIterOwner iter = {pList->GetIterator()};
    if (!ULOG_REQUIRE_T(iter.p != NULL, "pIter != NULL"))
        return FALSE;
    IUlogSvcDistinctMgr* pDistinct = IUlogSvcDistinctMgr::Instance();
    BOOL bResult = TRUE;
    for (iter.p->First(); !iter.p->IsDone(); iter.p->Next())
    {
        const CUlog* pUlog = iter.p->GetCurItem();
        if (!ULOG_REQUIRE(pUlog != NULL))
            return FALSE;
        /* An empty basic number would match every row without one (e-mail, SNS, IM logs). */
        if (pUlog->GetBasicNumber()[0] == '\0')
        {
            SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcFreqMgr::DeleteByBasicNumber: no basic number, skipped\n");
            continue;
        }
        /* Every delete is tried; one that fails makes the whole result FALSE. */
        if (!pDistinct->DeleteByBasicNumber(pUlog->GetBasicNumber()))
            bResult = FALSE;
    }
    return bResult;
}
