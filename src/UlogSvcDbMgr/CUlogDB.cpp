/*
 * Record operations of the log tables: every statement that writes, deletes or
 * aggregates log rows, and the reading of a result row into a data set.
 *
 * Narrow text goes into the statement text between quotes with every quote
 * and every percent sign doubled (the engine reads statement text as a
 * format, which folds "%%" back to "%"); 16-bit text is always bound to a "?".
 */
#define ULOG_SRC_MODULE "UlogSvcDbMgr/UlogDB"
#include "UlogSvcDbMgr/CUlogDB.h"

#include "UlogSvcDbMgr/CUlogDbBatch.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "H/UlogSvcDef.h"
#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"
#include "UlogSvcDbMgr/UlogDbColumns.h"
#include "UlogSvcDbMgr/UlogDbQuery.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"
#include "UlogSvcUtil/CUlogSvcMutex.h"
#include "UlogSvcUtil/CUlogSvcUtil.h"

namespace
{
using UlogDbColumns::COLUMN_CNT;
using UlogDbColumns::s_aColumns;
using UlogDbQuery::QUERY_SIZE;

const WCHAR s_mszEmpty[1] = {0};

int ColumnSize(int nFieldId)
{
    return UlogDbColumns::ColumnOfField(nFieldId).nSize;
}

/* The integer value of a result slot, whatever type the engine gave it. */
long long SlotToInt64(const Db2BindField& field)
{
    if (field.nIndicator != 0 || field.pData == NULL)
    {
        return 0;
    }
    switch (field.nType)
    {
    case DB2_FIELD_INT:
        return *(const long long*)field.pData;
    case DB2_FIELD_REAL:
        return (long long)*(const double*)field.pData;
    case DB2_FIELD_TEXT:
        return std::strtoll((const char*)field.pData, NULL, 10);
    default:
        return 0;
    }
}

bool IsEmptyText(const char* psz)
{
    return psz == NULL || psz[0] == '\0';
}

/* Runs a prepared write statement: destroy, then commit or roll back. Returns the engine's result. */
int ExecuteWrite(HOBJ hStmt)
{
    return UlogDbQuery::FinishStatement(hStmt, Db2StmtExecute(hStmt));
}

/* Creates the statement of a row write, fills its "?" marks and runs it; the engine's result, -1 when
 * the statement cannot be made. A text longer than the statement buffer is refused and rolled back like
 * a failed statement: cut short it could lose its condition and write other rows. */
int WriteRow(const char* pszFunc, const std::string& strQuery, const UlogDbColumns::CRowValues& row,
             bool bInsert)
{
    char szQuery[QUERY_SIZE] = {0};
    AcStrcpySEx(szQuery, sizeof(szQuery), strQuery.c_str(), __FILE__, __LINE__);
    int nResult = -1;
    if (strQuery.size() >= sizeof(szQuery))
    {
        Db2Rollback();
    }
    else
    {
        const HOBJ hStmt = Db2StmtCreate(szQuery);
        if (hStmt != -1)
        {
            row.Bind(hStmt, bInsert);
            nResult = ExecuteWrite(hStmt);
        }
    }
    if (nResult < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: query(%s) failed or there is no data to change.\n", pszFunc,
                       szQuery);
    }
    return nResult;
}
} // namespace

BOOL CUlogDB::CheckAndCreateTable()
{
    // The question and the creation as one change: another process starting at the same moment waits
    // and then finds the table, instead of failing to create it a second time.
    CUlogDbBatch batch;
    if (Db2CheckTable(GetTableName()) != 1)
    {
        OnCreateTable();
    }
    if (batch.IsOpen() && !batch.Commit())
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::CheckAndCreateTable: %s was not created\n", GetTableName());
    }
    return 1;
}

BOOL CUlogDB::CreateStandIn()
{
    char szQuery[5120] = {0};
    UlogDbColumns::FormatStandInTable(szQuery, sizeof(szQuery), GetTableName());
    const int nResult = Db2QueryEx(szQuery);
    Db2ClearRow();
    if (nResult < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::CreateStandIn: no stand-in for %s\n", GetTableName());
        return 0;
    }
    return 1;
}

BOOL CUlogDB::Insert(CUlog& log)
{
    const int nDbIndex = GetUnusedDbIndex();
    if (nDbIndex == ULOG_INVALID_DB_INDEX)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::Insert: nDbIndex is ULOG_INVALID_DB_INDEX!\n");
        return 0;
    }
    // The log carries its new id only once its row is written.
    const int nPrevIndex = log.GetUniqueID();
    log.SetUniqueID(nDbIndex);
    if (!__InsertRow(log))
    {
        log.SetUniqueID(nPrevIndex);
        return 0;
    }
    return 1;
}

BOOL CUlogDB::__InsertRow(CUlog& log)
{
    const CUlogSvcDataSet ds(log);
    UlogDbColumns::CRowValues row(ds, log);
    if (!row.Prepare())
    {
        return 0;
    }
    return WriteRow("CUlogDB::Insert", row.FormatInsert(GetTableName()), row, true) < 0 ? 0 : 1;
}

BOOL CUlogDB::Update(CUlog& log)
{
    CUlogSvcDataSet ds(log);

    /* The basic number always follows the number. */
    char szNumber[81] = {0};
    WmConvert2LCode(szNumber, sizeof(szNumber), ds.GetNumber());
    szNumber[50] = '\0';
    char szBasicNumber[81] = {0};
    CUlogSvcUtil::ExtractBasicNum(szNumber, szBasicNumber, ds.GetIPCallDigitCount());
    ds.SetBasicNumber(szBasicNumber);

    UlogDbColumns::CRowValues row(ds, log);
    if (!row.Prepare())
    {
        return 0;
    }
    const int nResult = WriteRow("CUlogDB::Update", row.FormatUpdate(GetTableName()), row, false);
    if (nResult < 0)
    {
        return 0;
    }
    if (nResult == 0)
    {
        // No row has the log's id: nothing was written.
        SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogDB::Update: no row %d to change.\n", ds.GetUniqueID());
        return 0;
    }
    return 1;
}

BOOL CUlogDB::UpdateUncheckedStatus(const IUlogSvcFilter& filter, int nValue)
{
    const int nWhere = (nValue == 0) ? 1 : 0;
    const UlogDbQuery::CBoundFilter where(filter);
    char szQuery[QUERY_SIZE] = {0};
    if (where.IsEmpty())
    {
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "update %s set %s = %d where %s = %d",
                     GetTableName(), GetFieldName(ULOG_DB_IS_UNCHECKED_YET), nValue,
                     GetFieldName(ULOG_DB_IS_UNCHECKED_YET), nWhere);
    }
    else
    {
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__,
                     "update %s set %s =%d where %s = %d and %s", GetTableName(),
                     GetFieldName(ULOG_DB_IS_UNCHECKED_YET), nValue, GetFieldName(ULOG_DB_IS_UNCHECKED_YET),
                     nWhere, where.GetText());
    }
    const int nResult = where.Run(szQuery);
    if (nResult < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::UpdateUncheckedStatus() : QUERY (%s)ERROR \n", szQuery);
        return 0;
    }
    if (nResult == 0)
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogDB::UpdateUncheckedStatus() : Nothing to update. \n");
        return 0;
    }
    return 1;
}

int CUlogDB::__UpdateNameByVoicemail(const char* pszFunc, const char* pszQuery, const CUlog& log)
{
    const HOBJ hStmt = Db2StmtCreate(pszQuery);
    if (hStmt == -1)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: Query Error!! Fail to update data!\n", pszFunc);
        return 0;
    }
    WCHAR mszName[310] = {0};
    WmConvert2PCode(mszName, 310, log.GetDisplayName());
    UlogDbQuery::BindWideParam(Db2StmtGetBindParamFields(hStmt), Db2StmtGetBindParamCount(hStmt), 0, mszName,
                               309);
    const int nResult = ExecuteWrite(hStmt);
    if (nResult < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: Query Error!! Fail to update data!\n", pszFunc);
        return 0;
    }
    if (nResult == 0)
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, "%s : Nothing to update. \n", pszFunc);
        return 0;
    }
    return 1;
}

BOOL CUlogDB::UpdateNameByVoicemailByLogType(CUlog& log)
{
    const CUlogSvcDataSet ds(log);
    UlogDbColumns::CQuotedText basic, callerId;
    if (!ULOG_REQUIRE_T(basic.Prepare(ds.GetBasicNumber(), ColumnSize(ULOG_DB_BASIC_NUMBER)),
                        "pszBasicNumber != NULL") ||
        !ULOG_REQUIRE_T(callerId.Prepare(ds.GetCallerIdPath(), ColumnSize(ULOG_DB_CALLER_ID)),
                        "pszCallerId != NULL"))
    {
        return 0;
    }
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(
        szQuery, sizeof(szQuery), __FILE__, __LINE__,
        "update %s set %s = %d, %s = %d, %s = %d, %s = '', %s = '', %s = ?, %s = '%s' where %s = '%s' and "
        "%s = %d",
        GetTableName(), GetFieldName(ULOG_DB_PHONE_TYPE), (int)ds.GetPhoneType(),
        GetFieldName(ULOG_DB_CT_PID), ds.GetCtPid(), GetFieldName(ULOG_DB_STORAGE_TYPE),
        (int)ds.GetStorageType(), GetFieldName(ULOG_DB_FIRST_NAME), GetFieldName(ULOG_DB_LAST_NAME),
        GetFieldName(ULOG_DB_LOG_NAME), GetFieldName(ULOG_DB_CALLER_ID), callerId.Get(),
        GetFieldName(ULOG_DB_BASIC_NUMBER), basic.Get(), GetFieldName(ULOG_DB_LOG_TYPE),
        (int)ds.GetLogType());
    return __UpdateNameByVoicemail("CUlogDB::UpdateNameByVoicemailByLogType", szQuery, log);
}

BOOL CUlogDB::UpdateNameByVoicemail(CUlog& log)
{
    const CUlogSvcDataSet ds(log);
    UlogDbColumns::CQuotedText basic;
    if (!ULOG_REQUIRE_T(basic.Prepare(ds.GetBasicNumber(), ColumnSize(ULOG_DB_BASIC_NUMBER)),
                        "pszBasicNumber != NULL"))
    {
        return 0;
    }
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__,
                 "update %s set %s = %d, %s = %d, %s = %d, %s = '', %s = '', %s = ?, %s = '' where %s = '%s'",
                 GetTableName(), GetFieldName(ULOG_DB_PHONE_TYPE), -1, GetFieldName(ULOG_DB_CT_PID), 0,
                 GetFieldName(ULOG_DB_STORAGE_TYPE), 0, GetFieldName(ULOG_DB_FIRST_NAME),
                 GetFieldName(ULOG_DB_LAST_NAME), GetFieldName(ULOG_DB_LOG_NAME),
                 GetFieldName(ULOG_DB_CALLER_ID), GetFieldName(ULOG_DB_BASIC_NUMBER), basic.Get());
    return __UpdateNameByVoicemail("CUlogDB::UpdateNameByVoicemail", szQuery, log);
}

BOOL CUlogDB::Delete(int nUniqueId)
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "delete from %s where %s = %d", GetTableName(),
                 GetFieldName(ULOG_DB_ULOG_DB_INDEX), nUniqueId);
    const int nResult = Db2QueryEx(szQuery);
    Db2ClearRow();
    if (nResult < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::Delete: delete failed(LastError 0x%X)\n", SysGetLastError());
        return 0;
    }
    if (nResult == 0)
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogDB::Delete : Nothing to delete. \n");
        return 0;
    }
    return 1;
}

BOOL CUlogDB::DeleteAll(int nLogType)
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "delete from %s where %s = %d", GetTableName(),
                 GetFieldName(ULOG_DB_LOG_TYPE), nLogType);
    const int nResult = Db2QueryEx(szQuery);
    Db2ClearRow();
    if (nResult < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::DeleteAll: Db2QueryEx failed!\n");
        return 0;
    }
    if (nResult == 0)
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogDB::DeleteAll : Nothing to delete. \n");
        return 0;
    }
    return 1;
}

BOOL CUlogDB::DeleteAll()
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "truncate table %s", GetTableName());
    const int nResult = Db2QueryEx(szQuery);
    Db2ClearRow();
    if (nResult == -1)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::DeleteAll: Db2QueryEx failed!\n");
        return 0;
    }
    return 1;
}

BOOL CUlogDB::GetNextRecord(CUlogSvcDataSet& dataSet)
{
    if (Db2GetNextRow() < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::GetNextRecord: Db2GetNextRow() failed!\n");
        return 0;
    }
    CopyDataFromDB(dataSet);
    return 1;
}

BOOL CUlogDB::GetNextRecord(HOBJ hStmt, CUlogSvcDataSet& dataSet, int nFirstColumn)
{
    if (!ULOG_REQUIRE(hStmt != INVALID_HOBJ))
    {
        return 0;
    }
    if (Db2StmtGetNextRow(hStmt) < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::GetNextRecord: Db2GetNextRow() failed!\n");
        return 0;
    }
    CopyDataFromDB(hStmt, dataSet, nFirstColumn);
    return 1;
}

BOOL CUlogDB::CopyDataFromDB(CUlogSvcDataSet& dataSet)
{
    for (int nPos = 0; nPos < COLUMN_CNT; nPos++)
    {
        const UlogDbColumns::Column& column = s_aColumns[nPos];
        if (!column.HasField())
        {
            continue;
        }
        switch (column.iKind)
        {
        case UlogDbColumns::COLUMN_TEXT:
        {
            const char* pszColumn = Db2GetColumn(nPos);
            if (!ULOG_REQUIRE(pszColumn != NULL))
            {
                return 0;
            }
            column.access.pfnSetText(dataSet, pszColumn);
            break;
        }
        case UlogDbColumns::COLUMN_WTEXT:
        {
            const char* pszColumn = Db2GetColumn(nPos);
            column.access.pfnSetWText(dataSet, pszColumn != NULL ? (const WCHAR*)pszColumn : s_mszEmpty);
            break;
        }
        case UlogDbColumns::COLUMN_TIME:
        {
            /* Unsigned 32-bit seconds: the low 32 bits of the stored integer; 0 for SQL NULL. */
            long long nValue = 0;
            (void)Db2GetColumnInt64(nPos, &nValue);
            column.access.pfnSetNumber(dataSet, (unsigned int)nValue);
            break;
        }
        default:
        {
            /* Saturated to the range of int; 0 for SQL NULL. */
            int nValue = 0;
            (void)Db2GetColumnInt(nPos, &nValue);
            column.access.pfnSetNumber(dataSet, nValue);
            break;
        }
        }
    }
    return 1;
}

BOOL CUlogDB::CopyDataFromDB(HOBJ hStmt, CUlogSvcDataSet& dataSet, int nFirstColumn)
{
    if (hStmt == INVALID_HOBJ)
    {
        return 0;
    }
    Db2BindField* pBind = Db2StmtGetBindResFields(hStmt);
    if (!ULOG_REQUIRE(pBind != NULL))
    {
        return 0;
    }
    /* A result narrower than the table would be read past its slots. */
    if (!ULOG_REQUIRE(Db2StmtGetBindResCount(hStmt) >= nFirstColumn + UlogDbColumns::COLUMN_CNT))
    {
        return 0;
    }
    for (int nPos = 0; nPos < COLUMN_CNT; nPos++)
    {
        const UlogDbColumns::Column& column = s_aColumns[nPos];
        if (!column.HasField())
        {
            continue;
        }
        const Db2BindField& field = pBind[nFirstColumn + nPos];
        const bool bPresent = field.nIndicator == 0 && field.pData != NULL;
        switch (column.iKind)
        {
        case UlogDbColumns::COLUMN_TEXT:
            if (bPresent && field.nType == DB2_FIELD_TEXT)
            {
                column.access.pfnSetText(dataSet, (const char*)field.pData);
            }
            break;
        case UlogDbColumns::COLUMN_WTEXT:
            if (bPresent && field.nType == DB2_FIELD_WTEXT)
            {
                column.access.pfnSetWText(dataSet, (const WCHAR*)field.pData);
            }
            break;
        default:
            column.access.pfnSetNumber(dataSet, SlotToInt64(field));
            break;
        }
    }
    return 1;
}

int CUlogDB::GetCount(const IUlogSvcFilter& filter)
{
    const UlogDbQuery::CBoundFilter where(filter);
    char szQuery[QUERY_SIZE] = {0};
    if (where.IsEmpty())
    {
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select count(%s) from %s",
                     GetFieldName(ULOG_DB_ULOG_DB_INDEX), GetTableName());
    }
    else
    {
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select count(%s) from %s where %s",
                     GetFieldName(ULOG_DB_ULOG_DB_INDEX), GetTableName(), where.GetText());
    }
    int nCount = 0;
    if (where.IsBound())
    {
        long long nValue = 0;
        bool bValue = false;
        nCount = UlogDbQuery::RunBound(szQuery, where.GetArgs(), &nValue, &bValue);
        if (nCount >= 0)
        {
            nCount = bValue ? (int)nValue : 0;
        }
    }
    else
    {
        nCount = Db2QueryRecordCount(szQuery);
    }
    if (nCount < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::GetCount: nCount (%d) !\n", nCount);
        return -1;
    }
    return nCount;
}

double CUlogDB::__GetAggregate(const char* pszFunc, const char* pszAggregate, int nFieldId)
{
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select %s(%s) from %s", pszAggregate,
                 GetFieldName(nFieldId), GetTableName());
    UlogDbQuery::CResultGuard guard;
    if (Db2QueryEx(szQuery) < 1)
    {
        return 0;
    }
    if (Db2GetNextRow() < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: Db2GetNextRow() failed!\n", pszFunc);
        return 0;
    }
    const char* pszColumn = Db2GetColumn(0);
    return IsEmptyText(pszColumn) ? 0 : AcAtof(pszColumn);
}

double CUlogDB::GetSum(int nFieldId)
{
    return __GetAggregate("CUlogDB::GetSum", "sum", nFieldId);
}

double CUlogDB::GetAverage(int nFieldId)
{
    return __GetAggregate("CUlogDB::GetAverage", "avg", nFieldId);
}

int CUlogDB::GetUnusedDbIndex()
{
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select max(%s) from %s",
                 GetFieldName(ULOG_DB_ULOG_DB_INDEX), GetTableName());
    UlogDbQuery::CResultGuard guard;
    const int nRows = Db2QueryEx(szQuery);
    if (nRows < 0)
    {
        /* A failed query must not hand out an id that may already be taken. */
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::GetUnusedDbIndex: query(%s) failed!\n", szQuery);
        return ULOG_INVALID_DB_INDEX;
    }
    if (nRows == 0)
    {
        return 0;
    }
    if (Db2GetNextRow() < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::GetUnusedDbIndex: Db2GetNextRow() failed!\n");
        return -1;
    }
    const char* pszColumn = Db2GetColumn(0);
    return (IsEmptyText(pszColumn) ? 0 : AcAtoi(pszColumn)) + 1;
}

/* The single value of a max/min query on the sort index: 0 for no row or no value, -1 when stepping
 * fails. An empty table gives SQL NULL, which counts as no value. */
int CUlogDB::__GetSortIndex(const char* pszFunc, const char* pszQuery,
                            const std::vector<unsigned short*>& args)
{
    if (!args.empty())
    {
        long long nValue = 0;
        bool bValue = false;
        const int nRows = UlogDbQuery::RunBound(pszQuery, args, &nValue, &bValue);
        if (nRows < 1)
        {
            SysDebugPrintf(ULOG_DBG_DETAIL, "%s: query(%s) return rows: %d!\n", pszFunc, pszQuery, nRows);
            return 0;
        }
        return bValue ? (int)nValue : 0;
    }
    UlogDbQuery::CResultGuard guard;
    const int nRows = Db2QueryEx(pszQuery);
    if (nRows < 1)
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, "%s: query(%s) return rows: %d!\n", pszFunc, pszQuery, nRows);
        return 0;
    }
    if (Db2GetNextRow() < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: Db2GetNextRow() failed!\n", pszFunc);
        return -1;
    }
    const char* pszColumn = Db2GetColumn(0);
    return IsEmptyText(pszColumn) ? 0 : AcAtoi(pszColumn);
}

int CUlogDB::GetMaxSortIndex()
{
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select max(%s) from %s",
                 GetFieldName(ULOG_DB_SORT_INDEX), GetTableName());
    return __GetSortIndex("CUlogDB::GetMaxSortIndex", szQuery, {});
}

int CUlogDB::GetMinSortIndex()
{
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select min(%s) from %s",
                 GetFieldName(ULOG_DB_SORT_INDEX), GetTableName());
    return __GetSortIndex("CUlogDB::GetMinSortIndex", szQuery, {});
}

int CUlogDB::GetMaxSortIndex(int nLogType)
{
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select max(%s) from %s where %s = %d",
                 GetFieldName(ULOG_DB_SORT_INDEX), GetTableName(), GetFieldName(ULOG_DB_LOG_TYPE), nLogType);
    return __GetSortIndex("CUlogDB::GetMaxSortIndex", szQuery, {});
}

int CUlogDB::GetMinSortIndex(int nLogType)
{
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select min(%s) from %s where %s = %d",
                 GetFieldName(ULOG_DB_SORT_INDEX), GetTableName(), GetFieldName(ULOG_DB_LOG_TYPE), nLogType);
    return __GetSortIndex("CUlogDB::GetMinSortIndex", szQuery, {});
}

int CUlogDB::GetMaxSortIndex(const IUlogSvcFilter& filter)
{
    return __GetSortIndex("CUlogDB::GetMaxSortIndex", "max", filter);
}

int CUlogDB::GetMinSortIndex(const IUlogSvcFilter& filter)
{
    return __GetSortIndex("CUlogDB::GetMinSortIndex", "min", filter);
}

/* "select max(sortindex) from <table> where <filter>" (min likewise); the filter's arguments are bound. */
int CUlogDB::__GetSortIndex(const char* pszFunc, const char* pszAggregate, const IUlogSvcFilter& filter)
{
    const UlogDbQuery::CBoundFilter where(filter);
    char szQuery[QUERY_SIZE] = {0};
    if (where.IsEmpty())
    {
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select %s(%s) from %s", pszAggregate,
                     GetFieldName(ULOG_DB_SORT_INDEX), GetTableName());
    }
    else
    {
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select %s(%s) from %s where %s",
                     pszAggregate, GetFieldName(ULOG_DB_SORT_INDEX), GetTableName(), where.GetText());
    }
    return __GetSortIndex(pszFunc, szQuery, where.GetArgs());
}

int CUlogDB::GetMaxGroupID()
{
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select max(%s) from %s",
                 GetFieldName(ULOG_DB_GROUP_ID), GetTableName());
    UlogDbQuery::CResultGuard guard;
    if (Db2QueryEx(szQuery) < 1)
    {
        return -1;
    }
    if (Db2GetNextRow() < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::GetMaxGroupID: Db2GetNextRow() failed!\n");
        return -1;
    }
    const char* pszColumn = Db2GetColumn(0);
    return IsEmptyText(pszColumn) ? 0 : AcAtoi(pszColumn);
}

BOOL CUlogDB::__GetMaxMin(const char* pszAggregate, int nFieldId, int* pnValue)
{
    if (!ULOG_REQUIRE(pnValue != NULL))
    {
        return 0;
    }
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select %s(%s) from %s", pszAggregate,
                 GetFieldName(nFieldId), GetTableName());
    UlogDbQuery::CResultGuard guard;
    if (Db2QueryEx(szQuery) < 1 || Db2GetNextRow() < 0)
    {
        return 0;
    }
    *pnValue = AcAtoi(Db2GetColumn(0));
    return 1;
}

BOOL CUlogDB::GetMax(int nFieldId, int* pnValue)
{
    return __GetMaxMin("max", nFieldId, pnValue);
}

BOOL CUlogDB::GetMin(int nFieldId, int* pnValue)
{
    return __GetMaxMin("min", nFieldId, pnValue);
}
