#define ULOG_SRC_MODULE "UlogSvcDbMgr/UlogSvcNativeDbMgr"
#include "UlogSvcDbMgr/CUlogNativeDbMgr.h"

#include <new>

#include "H/UlogSvcDef.h"
#include "H/UlogSvcList.h"
#include "UlogSvcDbMgr/CUlogDB.h"
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"
#include "UlogSvcDbMgr/UlogDbQuery.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogSvcGenerator.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"

namespace
{
using UlogDbQuery::QUERY_SIZE;
}

CUlogNativeDbMgr* CUlogNativeDbMgr::Instance()
{
    static CUlogNativeDbMgr s_instance;
    return &s_instance;
}

BOOL CUlogNativeDbMgr::Delete(const IUlogSvcFilter& /*filter*/, UlogDbTableType /*type*/)
{
    return 1;
}

CUlog* CUlogNativeDbMgr::GetUlog(const IUlogSvcFilter& /*filter*/, UlogDbTableType /*type*/)
{
    return NULL;
}

BOOL CUlogNativeDbMgr::GetFirstUlogs(const IUlogSvcFilter& /*filter*/, int /*nMax*/,
                                     std::vector<CUlog*>& /*rows*/, UlogDbTableType /*type*/)
{
    return 0;
}

CUlog* CUlogNativeDbMgr::__GetSingleUlog(const char* pszFunc, const char* pszQuery, UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    if (pDB == NULL)
    {
        return NULL;
    }
    const int nCount = Db2QueryEx(pszQuery);
    if (nCount < 1)
    {
        Db2ClearRow();
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: nCount (%d)\n", pszFunc, nCount);
        return NULL;
    }
    CUlogSvcDataSet dataSet;
    pDB->GetNextRecord(dataSet);
    Db2ClearRow();
    CUlogSvcGenerator generator;
    CUlog* pUlog = generator.Generate(dataSet);
    ULOG_REQUIRE(pUlog != NULL);
    return pUlog;
}

CUlog* CUlogNativeDbMgr::GetFirstUlog(int nLogType, UlogDbTableType type)
{
    const int nSortIndex = GetMinSortIndex(nLogType, type);
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select * from %s where %s = %d and %s = %d",
                 GetTableName(type), GetFieldName(ULOG_DB_LOG_TYPE, type), nLogType,
                 GetFieldName(ULOG_DB_SORT_INDEX, type), nSortIndex);
    return __GetSingleUlog("CUlogNativeDbMgr::GetFirstUlog", szQuery, type);
}

CUlog* CUlogNativeDbMgr::GetLastUlog(int nLogType, UlogDbTableType type)
{
    const int nSortIndex = GetMaxSortIndex(nLogType, type);
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select * from %s where %s = %d and %s = %d",
                 GetTableName(type), GetFieldName(ULOG_DB_LOG_TYPE, type), nLogType,
                 GetFieldName(ULOG_DB_SORT_INDEX, type), nSortIndex);
    return __GetSingleUlog("CUlogNativeDbMgr::GetLastUlog", szQuery, type);
}

CUlog* CUlogNativeDbMgr::GetFirstUlog(UlogDbTableType type)
{
    const int nSortIndex = GetMinSortIndex(type);
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select * from %s where %s = %d",
                 GetTableName(type), GetFieldName(ULOG_DB_SORT_INDEX, type), nSortIndex);
    return __GetSingleUlog("CUlogNativeDbMgr::GetFirstUlog", szQuery, type);
}

CUlog* CUlogNativeDbMgr::GetLastUlog(UlogDbTableType type)
{
    const int nSortIndex = GetMaxSortIndex(type);
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select * from %s where %s = %d",
                 GetTableName(type), GetFieldName(ULOG_DB_SORT_INDEX, type), nSortIndex);
    return __GetSingleUlog("CUlogNativeDbMgr::GetLastUlog", szQuery, type);
}

CUlog* CUlogNativeDbMgr::GetLastUlog(const IUlogSvcFilter& /*filter*/, UlogDbTableType /*type*/)
{
    return NULL;
}

CUlog* CUlogNativeDbMgr::GetUlogByUniqueID(int nUniqueId, UlogDbTableType type)
{
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select * from %s where %s = %d",
                 GetTableName(type), GetFieldName(ULOG_DB_ULOG_DB_INDEX, type), nUniqueId);
    return __GetSingleUlog("CUlogNativeDbMgr::GetUlogByUniqueID", szQuery, type);
}

IUlogList<CUlog>* CUlogNativeDbMgr::GetUlogs(const IUlogSvcFilter& /*filter*/, UlogDbTableType /*type*/)
{
    return NULL;
}

/* Runs a "select *" and reads every row it gives into a new list; null when the query fails. */
IUlogList<CUlog>* CUlogNativeDbMgr::__ReadAll(const char* pszFunc, const char* pszQuery, UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    if (pDB == NULL)
    {
        return NULL;
    }
    const int nRowCnt = Db2QueryEx(pszQuery);
    if (nRowCnt < 0)
    {
        Db2ClearRow();
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: Db2QueryEx failed!\n", pszFunc);
        return NULL;
    }
    CUlogList<CUlog>* pList = new (std::nothrow) CUlogList<CUlog>();
    if (!ULOG_REQUIRE(pList != NULL))
    {
        Db2ClearRow();
        return NULL;
    }
    CUlogSvcDataSet dataSet;
    CUlogSvcGenerator generator;
    for (int i = 0; i < nRowCnt; i++)
    {
        if (!pDB->GetNextRecord(dataSet))
        {
            break;
        }
        CUlog* pUlog = generator.Generate(dataSet);
        if (!ULOG_REQUIRE(pUlog != NULL))
        {
            pList->Release();
            pList = NULL;
            break;
        }
        pList->Add(*pUlog);
    }
    Db2ClearRow();
    return pList;
}

IUlogList<CUlog>* CUlogNativeDbMgr::GetAllUlog(int nLogType, UlogDbTableType type)
{
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__,
                 "select * from %s where %s = %d order by %s, %s desc", GetTableName(type),
                 GetFieldName(ULOG_DB_LOG_TYPE, type), nLogType, GetFieldName(ULOG_DB_LOG_TYPE, type),
                 GetFieldName(ULOG_DB_SORT_INDEX, type));
    return __ReadAll("CUlogNativeDbMgr::GetAllUlog", szQuery, type);
}

IUlogList<CUlog>* CUlogNativeDbMgr::GetAllUlog(UlogDbTableType type)
{
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select * from %s order by %s desc",
                 GetTableName(type), GetFieldName(ULOG_DB_SORT_INDEX, type));
    return __ReadAll("CUlogNativeDbMgr::GetAllUlog", szQuery, type);
}

IUlogList<CUlog>* CUlogNativeDbMgr::GetMax(int nField, UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    int nValue = 0;
    if (pDB == NULL || !pDB->GetMax(nField, &nValue))
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogNativeDbMgr::GetMax: GetMax() failed!\n");
        return NULL;
    }
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select * from %s where %s = %d",
                 GetTableName(type), GetFieldName(nField, type), nValue);
    return __ReadAll("CUlogNativeDbMgr::GetMax", szQuery, type);
}

IUlogList<CUlog>* CUlogNativeDbMgr::GetMin(int nField, UlogDbTableType type)
{
    CUlogDB* pDB = GetDB(type);
    int nValue = 0;
    if (pDB == NULL || !pDB->GetMin(nField, &nValue))
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogContentFrmwkDbMgr::GetMin: GetMin() failed!\n");
        return NULL;
    }
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select * from %s where %s = %d",
                 GetTableName(type), GetFieldName(nField, type), nValue);
    return __ReadAll("CUlogNativeDbMgr::GetMin", szQuery, type);
}
