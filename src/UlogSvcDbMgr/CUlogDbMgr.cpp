/*
 * The query manager's common part: table objects, initialisation, forwards to
 * the table objects, and the list, grouping and counting queries.
 */
#define ULOG_SRC_MODULE "UlogSvcDbMgr/UlogSvcDbMgr"
#include "UlogSvcDbMgr/CUlogDbMgr.h"

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "H/UlogSvcDef.h"
#include "H/UlogSvcList.h"
#include "H/UlogSvcPtr.h"
#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvcDbMgr/CUlogDB.h"
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"
#include "UlogSvcDbMgr/UlogDbQuery.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogSvcGenerator.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"

namespace
{
using UlogDbQuery::CBoundFilter;
using UlogDbQuery::CResultGuard;
using UlogDbQuery::QUERY_SIZE;

constexpr int NV_NAME_ORDER = 1417;
constexpr int NAME_SIZE = 310;

bool IsLimited(int nStart, int nCount)
{
    return !(nStart == 0 && nCount == -1);
}
} // namespace

CUlogDbMgr::CUlogDbMgr()
{
    CUlogDB* pDB = new (std::nothrow) CUlogDistinctDB();
    if (ULOG_REQUIRE(pDB != NULL))
    {
        m_mapDB[ULOG_DB_TABLE_DISTINCT] = pDB;
    }
    pDB = new (std::nothrow) CUlogDuplDB();
    if (ULOG_REQUIRE(pDB != NULL))
    {
        m_mapDB[ULOG_DB_TABLE_DUPL] = pDB;
    }
}

CUlogDbMgr::~CUlogDbMgr()
{
    for (auto& entry : m_mapDB)
    {
        CUlogDB* pDB = entry.second;
        if (!ULOG_REQUIRE(pDB != NULL))
        {
            break;
        }
        delete pDB;
        entry.second = NULL;
    }
}

CUlogDB* CUlogDbMgr::GetDB(UlogDbTableType type) const
{
    auto it = m_mapDB.find(type);
    CUlogDB* pDB = (it != m_mapDB.end()) ? it->second : NULL;
    ULOG_REQUIRE(pDB != NULL);
    return pDB;
}

BOOL CUlogDbMgr::Init()
{
    CheckTables();
    InitContent();
    /* A read-only database is only read: a left-over temporary log stays as it is. */
    if (!Db2IsReadOnly())
    {
        CheckTempLog();
    }
    return 1;
}

BOOL CUlogDbMgr::CheckTables()
{
    static const UlogDbTableType s_aTypes[] = {ULOG_DB_TABLE_DISTINCT, ULOG_DB_TABLE_DUPL};
    for (UlogDbTableType type : s_aTypes)
    {
        auto it = m_mapDB.find(type);
        CUlogDB* pDB = (it != m_mapDB.end()) ? it->second : NULL;
        if (!ULOG_REQUIRE(pDB != NULL))
        {
            return 0;
        }
        const BOOL bExists = Db2CheckTable(pDB->GetTableName());
        if (Db2IsReadOnly())
        {
            /* Nothing is created in a read-only database; a missing table reads as an empty one. */
            if (!bExists)
            {
                pDB->CreateStandIn();
            }
        }
        else if (!bExists)
        {
            pDB->CheckAndCreateTable();
        }
        else
        {
            /* A start cut short after creating a table may have left some of its indexes missing. */
            pDB->CreateMissingIndexes();
        }
    }
    return 1;
}

BOOL CUlogDbMgr::Exit()
{
    return 1;
}

const char* CUlogDbMgr::GetTableName(UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    return pDB != NULL ? pDB->GetTableName() : "";
}

const char* CUlogDbMgr::GetFieldName(int nField, UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    return pDB != NULL ? pDB->GetFieldName(nField) : "";
}

BOOL CUlogDbMgr::Insert(CUlog& log, UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    return pDB != NULL ? pDB->Insert(log) : 0;
}

BOOL CUlogDbMgr::Update(CUlog& log, UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    return pDB != NULL ? pDB->Update(log) : 0;
}

BOOL CUlogDbMgr::UpdateReserved(CUlog& /*log*/, UlogDbTableType /*type*/)
{
    return 1;
}

BOOL CUlogDbMgr::UpdateUncheckedStatus(const IUlogSvcFilter& filter, int nValue, UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    return pDB != NULL ? pDB->UpdateUncheckedStatus(filter, nValue) : 0;
}

BOOL CUlogDbMgr::UpdateNameByVoicemailByLogType(CUlog& log, UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    return pDB != NULL ? pDB->UpdateNameByVoicemailByLogType(log) : 0;
}

BOOL CUlogDbMgr::UpdateNameByVoicemail(CUlog& log, UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    return pDB != NULL ? pDB->UpdateNameByVoicemail(log) : 0;
}

BOOL CUlogDbMgr::UpdateAllGroupId(int nOldGroupId, int nNewGroupId, UlogDbTableType type)
{
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "update %s set %s = %d where %s = %d",
                 GetTableName(type), GetFieldName(ULOG_DB_GROUP_ID, type), nNewGroupId,
                 GetFieldName(ULOG_DB_GROUP_ID, type), nOldGroupId);
    const int nResult = Db2QueryEx(szQuery);
    Db2ClearRow();
    if (nResult < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDbMgr::UpdateAllGroupId: Query Error!! Fail to update data!\n");
        return 0;
    }
    if (nResult == 0)
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogDbMgr::UpdateAllGroupId : Nothing to update. \n");
        return 0;
    }
    return 1;
}

BOOL CUlogDbMgr::Delete(int nUniqueId, UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    return pDB != NULL ? pDB->Delete(nUniqueId) : 0;
}

BOOL CUlogDbMgr::DeleteAll(int nLogType, UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    return pDB != NULL ? pDB->DeleteAll(nLogType) : 0;
}

BOOL CUlogDbMgr::DeleteAll(UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    return pDB != NULL ? pDB->DeleteAll() : 0;
}

void CUlogDbMgr::__ResolveDisplayName(CUlogSvcDataSet& dataSet)
{
    const char* pszFirst = dataSet.GetFirstName();
    const char* pszLast = dataSet.GetLastName();
    const bool bFirst = pszFirst != NULL && pszFirst[0] != '\0';
    const bool bLast = pszLast != NULL && pszLast[0] != '\0';
    if (!bFirst && !bLast)
    {
        return; /* the display name read from the row stays */
    }
    char szName[NAME_SIZE] = {0};
    AcStrcpySEx(szName, sizeof(szName), bFirst ? pszFirst : pszLast, __FILE__, __LINE__);
    const int nOrder = NvGetInt(NV_NAME_ORDER);
    if (bFirst && bLast)
    {
        if (nOrder == 0)
        {
            AcSprintfSEx(szName, sizeof(szName), __FILE__, __LINE__, "%s %s", pszFirst, pszLast);
        }
        else if (nOrder == 1)
        {
            AcSprintfSEx(szName, sizeof(szName), __FILE__, __LINE__, "%s %s", pszLast, pszFirst);
        }
    }
    WCHAR mszName[NAME_SIZE] = {0};
    WmConvert2PCode(mszName, NAME_SIZE, szName);
    dataSet.SetDisplayName(mszName);
}

IUlogList<CUlog>* CUlogDbMgr::__GetUlogsByText(const char* pszQuery, int nCount, UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    if (pDB == NULL)
    {
        return NULL;
    }
    CUlogList<CUlog>* pList = new (std::nothrow) CUlogList<CUlog>();
    if (!ULOG_REQUIRE(pList != NULL))
    {
        return NULL;
    }
    CResultGuard guard;
    const int nRowCnt = Db2QueryEx(pszQuery);
    if (nCount != -1 && nRowCnt != nCount)
    {
        SysDebugPrintf(ULOG_DBG_FAIL,
                       "CUlogDbMgr::GetUlogs: CHECK THE RESULT!! nRowCnt (%d), nAddCount (%d)!\n", nRowCnt,
                       nCount);
    }
    CUlogSvcDataSet dataSet;
    CUlogSvcGenerator generator;
    for (int i = 0; i < nRowCnt; i++)
    {
        if (!pDB->GetNextRecord(dataSet))
        {
            break;
        }
        __ResolveDisplayName(dataSet);
        CUlog* pUlog = generator.Generate(dataSet);
        if (!ULOG_REQUIRE(pUlog != NULL))
        {
            pList->Release();
            return NULL;
        }
        pList->Add(*pUlog);
    }
    return pList;
}

IUlogList<CUlog>* CUlogDbMgr::__GetUlogsByStmt(const char* pszFunc, const char* pszQuery,
                                               const std::vector<const WCHAR*>& args, int nCount,
                                               int nFirstColumn, UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    if (pDB == NULL)
    {
        return NULL;
    }
    const HOBJ hStmt = Db2StmtCreate(pszQuery);
    if (hStmt == -1)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: szQuery (%s).\n", pszFunc, pszQuery);
        return NULL;
    }
    SysDebugPrintf(ULOG_DBG_PROGRESS, "%s: szQuery (%s)!\n", pszFunc, pszQuery);

    Db2BindField* pParams = Db2StmtGetBindParamFields(hStmt);
    const int nParamCnt = Db2StmtGetBindParamCount(hStmt);
    for (int i = 0; i < (int)args.size(); i++)
    {
        UlogDbQuery::BindWideParam(pParams, nParamCnt, i, args[i], -1);
    }

    const int nRowCnt = Db2StmtExecute(hStmt);
    if (nRowCnt < 0)
    {
        Db2StmtDestroy(hStmt);
        Db2Rollback();
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: szQuery(%s) failed or there is no data.\n", pszFunc, pszQuery);
        return NULL;
    }
    if (nCount != -1 && nRowCnt != nCount)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: CHECK THE RESULT!! nRowCnt (%d), nAddCount (%d)!\n", pszFunc,
                       nRowCnt, nCount);
    }

    CUlogList<CUlog>* pList = new (std::nothrow) CUlogList<CUlog>();
    if (ULOG_REQUIRE(pList != NULL))
    {
        CUlogSvcDataSet dataSet;
        CUlogSvcGenerator generator;
        for (int i = 0; i < nRowCnt; i++)
        {
            if (!pDB->GetNextRecord(hStmt, dataSet, nFirstColumn))
            {
                break;
            }
            __ResolveDisplayName(dataSet);
            CUlog* pUlog = generator.Generate(dataSet);
            if (!ULOG_REQUIRE(pUlog != NULL))
            {
                pList->Release();
                pList = NULL;
                break;
            }
            pList->Add(*pUlog);
        }
    }
    Db2StmtDestroy(hStmt);
    Db2Commit();
    Db2ClearRow();
    return pList;
}

IUlogList<CUlog>* CUlogDbMgr::GetUlogs(const IUlogSvcFilter& filter, int nStart, int nCount,
                                       UlogDbTableType type)
{
    const CBoundFilter where(filter);
    const std::string strOrder = filter.GetOrder();
    const char* T = GetTableName(type);
    const bool bLimit = IsLimited(nStart, nCount);
    char szQuery[QUERY_SIZE] = {0};
    if (!where.IsEmpty() && !strOrder.empty())
    {
        if (bLimit)
            AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__,
                         "select * from %s where %s order by %s limit  %d, %d", T, where.GetText(),
                         strOrder.c_str(), nStart, nCount);
        else
            AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__,
                         "select * from %s where %s order by %s", T, where.GetText(), strOrder.c_str());
    }
    else if (!where.IsEmpty())
    {
        if (bLimit)
            AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__,
                         "select * from %s where %s limit  %d, %d", T, where.GetText(), nStart, nCount);
        else
            AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select * from %s where %s", T,
                         where.GetText());
    }
    else if (!strOrder.empty())
    {
        if (bLimit)
            AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__,
                         "select * from %s order by %s limit  %d, %d", T, strOrder.c_str(), nStart, nCount);
        else
            AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select * from %s order by %s", T,
                         strOrder.c_str());
    }
    else
    {
        if (bLimit)
            AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select * from %s limit  %d, %d", T,
                         nStart, nCount);
        else
            AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select * from %s", T);
    }
    return __GetUlogsByStmt("CUlogDbMgr::GetUlogs", szQuery, where.GetWideArgs(), nCount, 0, type);
}

IUlogList<CUlog>* CUlogDbMgr::GetUlogs(int nStart, int nCount, UlogDbTableType type)
{
    char szQuery[QUERY_SIZE] = {0};
    if (IsLimited(nStart, nCount))
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__,
                     "select * from %s  order by %s desc limit  %d, %d", GetTableName(type),
                     GetFieldName(ULOG_DB_SORT_INDEX, type), nStart, nCount);
    else
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select * from %s  order by %s desc",
                     GetTableName(type), GetFieldName(ULOG_DB_SORT_INDEX, type));
    return __GetUlogsByText(szQuery, nCount, type);
}

IUlogList<CUlog>* CUlogDbMgr::GetUlogs(int nLogType, int nStart, int nCount, UlogDbTableType type)
{
    char szQuery[QUERY_SIZE] = {0};
    if (IsLimited(nStart, nCount))
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__,
                     "select * from %s where %s = %d order by %s desc limit  %d, %d", GetTableName(type),
                     GetFieldName(ULOG_DB_LOG_TYPE, type), nLogType, GetFieldName(ULOG_DB_SORT_INDEX, type),
                     nStart, nCount);
    else
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__,
                     "select * from %s where %s = %d order by %s desc", GetTableName(type),
                     GetFieldName(ULOG_DB_LOG_TYPE, type), nLogType, GetFieldName(ULOG_DB_SORT_INDEX, type));
    return __GetUlogsByText(szQuery, nCount, type);
}

IUlogList<CUlog>* CUlogDbMgr::GetUlogsByGroup(const IUlogSvcFilter& filter, int nStart, int nCount,
                                              UlogDbTableType type)
{
    SysDebugPrintf(ULOG_DBG_PROGRESS, "CUlogDbMgr::GetUlogsByGroup: nStartIndex (%d), nAddCount (%d)!\n",
                   nStart, nCount);
    const CBoundFilter where(filter);
    const char* T = GetTableName(type);
    const char* pszSort = GetFieldName(ULOG_DB_SORT_INDEX, type);
    const char* pszGroup = GetFieldName(ULOG_DB_GROUP_ID, type);
    const bool bLimit = IsLimited(nStart, nCount);
    char szQuery[QUERY_SIZE] = {0};
    if (where.IsEmpty())
    {
        if (bLimit)
            AcSprintfSEx(
                szQuery, sizeof(szQuery), __FILE__, __LINE__,
                "select * from (select max(%s), %s from %s group by %s ) As A(f1,f2), %s where A.f1 = "
                "%s.%s and A.f2 = %s.%s order by %s desc  limit %d, %d",
                pszSort, pszGroup, T, pszGroup, T, T, pszSort, T, pszGroup, pszSort, nStart, nCount);
        else
            AcSprintfSEx(
                szQuery, sizeof(szQuery), __FILE__, __LINE__,
                "select * from (select max(%s), %s from %s group by %s ) As A(f1,f2), %s where A.f1 = "
                "%s.%s and A.f2 = %s.%s order by %s desc",
                pszSort, pszGroup, T, pszGroup, T, T, pszSort, T, pszGroup, pszSort);
    }
    else
    {
        if (bLimit)
            AcSprintfSEx(
                szQuery, sizeof(szQuery), __FILE__, __LINE__,
                "select * from (select max(%s), %s from %s where %s group by %s ) As A(f1,f2), %s where "
                "A.f1 = %s.%s and A.f2 = %s.%s  order by %s desc  limit %d, %d",
                pszSort, pszGroup, T, where.GetText(), pszGroup, T, T, pszSort, T, pszGroup, pszSort, nStart,
                nCount);
        else
            AcSprintfSEx(
                szQuery, sizeof(szQuery), __FILE__, __LINE__,
                "select * from (select max(%s), %s from %s where %s group by %s ) As A(f1,f2), %s where "
                "A.f1 = %s.%s and A.f2 = %s.%s order by %s desc",
                pszSort, pszGroup, T, where.GetText(), pszGroup, T, T, pszSort, T, pszGroup, pszSort);
    }
    return __GetUlogsByStmt("CUlogDbMgr::GetUlogsByGroup", szQuery, where.GetWideArgs(), nCount, 2, type);
}

IUlogList<CUlog>* CUlogDbMgr::GetAllUlogOnlyNumber(UlogDbTableType type)
{
    const char* T = GetTableName(type);
    const char* pszSort = GetFieldName(ULOG_DB_SORT_INDEX, type);
    const char* pszGroup = GetFieldName(ULOG_DB_GROUP_ID, type);
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(
        szQuery, sizeof(szQuery), __FILE__, __LINE__,
        "select * from (select max(%s), %s from %s where %s > ? and %s between %d and %d group by %s ) As "
        "A(f1,f2), %s where A.f1 = %s.%s and A.f2 = %s.%s order by %s desc",
        pszSort, pszGroup, T, GetFieldName(ULOG_DB_LOG_NUMBER, type), GetFieldName(ULOG_DB_LOG_TYPE, type), 0,
        4, pszGroup, T, T, pszSort, T, pszGroup, pszSort);
    static const WCHAR s_mszEmpty[1] = {0};
    const std::vector<const WCHAR*> bound(1, s_mszEmpty);
    return __GetUlogsByStmt("CUlogDbMgr::GetAllUlogOnlyNumber", szQuery, bound, -1, 2, type);
}

IUlogList<int>* CUlogDbMgr::GetFieldDistinct(int nField, const IUlogSvcFilter& filter, UlogDbTableType type)
{
    const CBoundFilter where(filter);
    char szQuery[QUERY_SIZE] = {0};
    if (where.IsEmpty())
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select distinct %s from %s",
                     GetFieldName(nField, type), GetTableName(type));
    else
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select distinct %s from %s where %s",
                     GetFieldName(nField, type), GetTableName(type), where.GetText());

    CUlogList<int>* pList = new (std::nothrow) CUlogList<int>();
    if (!ULOG_REQUIRE(pList != NULL))
    {
        return NULL;
    }
    /* A condition with "?" marks is read through a statement with the filter's arguments bound. */
    UlogDbQuery::CRowReader reader;
    const int nRowCnt = reader.Open(szQuery, where.GetArgs());
    for (int i = 0; i < nRowCnt; i++)
    {
        if (reader.Next() < 0)
        {
            SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDbMgr::GetFieldDistinct: Db2GetNextRow() failed!\n");
            continue;
        }
        const char* pColumn = reader.Column(0);
        if (!ULOG_REQUIRE(pColumn != NULL))
        {
            pList->Release();
            return NULL;
        }
        int* pnValue = new (std::nothrow) int(AcAtoi(pColumn));
        if (!ULOG_REQUIRE(pnValue != NULL))
        {
            pList->Release();
            return NULL;
        }
        pList->Add(*pnValue);
    }
    return pList;
}

IUlogList<CUlog>* CUlogDbMgr::GetDateByGroup(const IUlogSvcFilter& filter, UlogDbTableType type)
{
    const CBoundFilter where(filter);
    const std::string strOrder = filter.GetOrder();
    const char* T = GetTableName(type);
    const char* pszStart = GetFieldName(ULOG_DB_START_TIME, type);
    const char* pszGroup = GetFieldName(ULOG_DB_GROUP_ID, type);
    const char* pszSort = GetFieldName(ULOG_DB_SORT_INDEX, type);
    char szQuery[QUERY_SIZE] = {0};
    if (!where.IsEmpty() && !strOrder.empty())
        AcSprintfSEx(
            szQuery, sizeof(szQuery), __FILE__, __LINE__,
            "select date_f, count(pid_f) from (select %s/86400*86400, %s, max(%s) from %s where %s group by "
            "1,2 order by %s ) as date_tbl(date_f,pid_f) group by 1",
            pszStart, pszGroup, pszSort, T, where.GetText(), strOrder.c_str());
    else if (!where.IsEmpty())
        AcSprintfSEx(
            szQuery, sizeof(szQuery), __FILE__, __LINE__,
            "select date_f, count(pid_f) from (select %s/86400*86400, %s, max(%s) from %s where %s group by "
            "1,2 order by 1 desc) as date_tbl(date_f,pid_f) group by 1",
            pszStart, pszGroup, pszSort, T, where.GetText());
    else
        AcSprintfSEx(
            szQuery, sizeof(szQuery), __FILE__, __LINE__,
            "select date_f, count(pid_f) from (select %s/86400*86400, %s, max(%s) from %s group by 1,2 order "
            "by 1 desc) as date_tbl(date_f,pid_f) group by 1",
            pszStart, pszGroup, pszSort, T);

    UlogDbQuery::CRowReader reader;
    const int nRowCnt = reader.Open(szQuery, where.GetArgs());
    if (!ULOG_REQUIRE(nRowCnt >= 0))
    {
        return NULL;
    }
    CUlogList<CUlog>* pList = new (std::nothrow) CUlogList<CUlog>();
    if (!ULOG_REQUIRE(pList != NULL))
    {
        return NULL;
    }
    CUlogSvcDataSet dataSet;
    CUlogSvcGenerator generator;
    for (int i = 0; i < nRowCnt; i++)
    {
        if (reader.Next() < 0)
        {
            SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDbMgr::GetDateByGroup: Db2GetNextRow() failed!\n");
            continue;
        }
        const std::string strColumn = reader.Column(0) != NULL ? reader.Column(0) : "";
        const char* pColumn = reader.Column(0) != NULL ? strColumn.c_str() : NULL;
        const char* pColumn1 = reader.Column(1);
        if (!ULOG_REQUIRE(pColumn != NULL) || !ULOG_REQUIRE(pColumn1 != NULL))
        {
            pList->Release();
            return NULL;
        }
        dataSet.SetStartTime((unsigned int)std::strtoull(pColumn, NULL, 10));
        dataSet.SetDuplLogCount(AcAtoi(pColumn1));
        CUlog* pUlog = generator.Generate(dataSet);
        if (!ULOG_REQUIRE(pUlog != NULL))
        {
            pList->Release();
            return NULL;
        }
        pList->Add(*pUlog);
    }
    return pList;
}

BOOL CUlogDbMgr::GetNextRecord(CUlogSvcDataSet& dataSet, UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    return pDB != NULL ? pDB->GetNextRecord(dataSet) : 0;
}

double CUlogDbMgr::GetSum(int nField, UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    return pDB != NULL ? pDB->GetSum(nField) : 0;
}

double CUlogDbMgr::GetAverage(int nField, UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    return pDB != NULL ? pDB->GetAverage(nField) : 0;
}

int CUlogDbMgr::GetCount(const IUlogSvcFilter& filter, UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    return pDB != NULL ? pDB->GetCount(filter) : -1;
}

int CUlogDbMgr::GetGroupCount(const IUlogSvcFilter& filter, UlogDbTableType type)
{
    const CBoundFilter where(filter);
    char szQuery[QUERY_SIZE] = {0};
    if (where.IsEmpty())
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__,
                     "select %s as f1, max(%s) as f2 from %s  group by %s order by f2 desc",
                     GetFieldName(ULOG_DB_GROUP_ID, type), GetFieldName(ULOG_DB_SORT_INDEX, type),
                     GetTableName(type), GetFieldName(ULOG_DB_GROUP_ID, type));
    else
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__,
                     "select %s as f1, max(%s) as f2 from %s where %s group by %s order by f2 desc",
                     GetFieldName(ULOG_DB_GROUP_ID, type), GetFieldName(ULOG_DB_SORT_INDEX, type),
                     GetTableName(type), where.GetText(), GetFieldName(ULOG_DB_GROUP_ID, type));
    return where.Run(szQuery);
}

int CUlogDbMgr::GetCountDistinct(int nField, const IUlogSvcFilter& filter, UlogDbTableType type)
{
    const CBoundFilter where(filter);
    char szQuery[QUERY_SIZE] = {0};
    if (where.IsEmpty())
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select distinct %s from %s",
                     GetFieldName(nField, type), GetTableName(type));
    else
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select distinct %s from %s where %s",
                     GetFieldName(nField, type), GetTableName(type), where.GetText());
    return where.Run(szQuery);
}

int CUlogDbMgr::GetMaxSortIndex(UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    return pDB != NULL ? pDB->GetMaxSortIndex() : -1;
}

int CUlogDbMgr::GetMinSortIndex(UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    return pDB != NULL ? pDB->GetMinSortIndex() : -1;
}

int CUlogDbMgr::GetMaxSortIndex(int nLogType, UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    return pDB != NULL ? pDB->GetMaxSortIndex(nLogType) : -1;
}

int CUlogDbMgr::GetMinSortIndex(int nLogType, UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    return pDB != NULL ? pDB->GetMinSortIndex(nLogType) : -1;
}

int CUlogDbMgr::GetMaxSortIndex(const IUlogSvcFilter& filter, UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    return pDB != NULL ? pDB->GetMaxSortIndex(filter) : -1;
}

int CUlogDbMgr::GetMinSortIndex(const IUlogSvcFilter& filter, UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    return pDB != NULL ? pDB->GetMinSortIndex(filter) : -1;
}

int CUlogDbMgr::GetMaxGroupID(UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    return pDB != NULL ? pDB->GetMaxGroupID() : -1;
}

BOOL CUlogDbMgr::SetFilter(int /*nFilter*/, UlogDbTableType /*type*/)
{
    return 1;
}

BOOL CUlogDbMgr::SetOrder(int /*nOrder1*/, int /*nOrder2*/, int /*nOrder3*/, int /*nOrder4*/,
                          UlogDbTableType /*type*/)
{
    return 1;
}

BOOL CUlogDbMgr::UpdateDupleContactInfo(const CUlog& log)
{
    const UlogDbTableType type = ULOG_DB_TABLE_DUPL;
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__,
                 "update %s set %s = %d, %s = %d, %s = %d, %s = %d where %s = %d", GetTableName(type),
                 GetFieldName(ULOG_DB_CT_PID, type), log.GetCtPid(), GetFieldName(ULOG_DB_CT_DATA_ID, type),
                 log.GetCtDataId(), GetFieldName(ULOG_DB_CT_FDN_ID, type), log.GetCtFdnId(),
                 GetFieldName(ULOG_DB_MY_ACCOUNT_ID, type), log.GetMyAccountId(),
                 GetFieldName(ULOG_DB_PARENT_ID, type), log.GetUniqueID());
    const int nResult = Db2QueryEx(szQuery);
    Db2ClearRow();
    if (nResult < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL,
                       "CUlogDbMgr::UpdateDupleContactInfo: Query Error!! Fail to update data!\n");
        return 0;
    }
    if (nResult == 0)
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogDbMgr::UpdateDupleContactInfo : Nothing to update. \n");
        return 0;
    }
    return 1;
}

BOOL CUlogDbMgr::InitContent()
{
    return 1;
}

BOOL CUlogDbMgr::CheckTempLog()
{
    CUlogDB* pDB = GetDB(ULOG_DB_TABLE_DISTINCT);
    if (pDB == NULL)
    {
        return 0;
    }
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select * from %s where %s = %d",
                 pDB->GetTableName(), pDB->GetFieldName(ULOG_DB_IS_TEMP_LOG), 1);
    CUlogSvcDataSet dataSet;
    {
        CResultGuard guard;
        if (Db2QueryEx(szQuery) < 1)
        {
            return 1;
        }
        pDB->GetNextRecord(dataSet);
    } /* the result is released before the row is written back */
    dataSet.SetTemporary(0);
    CUlogSvcGenerator generator;
    CUlogPtr<CUlog> log(generator.Generate(dataSet));
    if (!log.IsValidPtr())
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogContentFrmwkDbMgr::CheckTempLog: !ptr.IsValidPtr() failed.\n");
        return 0;
    }
    Update(*log.Get(), ULOG_DB_TABLE_DISTINCT);
    return 1;
}
