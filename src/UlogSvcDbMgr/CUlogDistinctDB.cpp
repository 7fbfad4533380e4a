#define ULOG_SRC_MODULE "UlogSvcDbMgr/UlogDistinctDB"
#include "H/UlogSvcDef.h"
#include "UlogSvcDbMgr/CUlogDB.h"
#include "UlogSvcDbMgr/UlogDbColumns.h"
#include "UlogSvcDbMgr/UlogDbQuery.h"

namespace
{
const char* const TABLE_NAME = "UlogDistinctDbTable";

const char* const CREATE_FORMAT =
    "create table %s ( %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, "
    "%s "
    "%s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s(%d), %s %s(%d), "
    "%s "
    "%s(%d), %s %s(%d), %s %s(%d), %s %s(%d),%s %s,%s %s, %s %s(%d), %s %s(%d), %s %s(%d), %s %s(%d), %s "
    "%s(%d), %s %s(%d), %s %s, %s %s, %s %s(%d), %s %s, %s %s(%d),%s %s(%d),%s %s,%s %s )";

const UlogDbColumns::IndexDef INDEXES[CUlogDistinctDB::INDEX_CNT] = {
    {"DistinctIndexDbIdx",
     1,
     {{"clogdbindex", "desc"}},
     "CUlogDistinctDB::CreateIndex: Fail to create single  ULOG_DB_ULOG_DB_INDEX index!\n"},
    {"DistinctIndexSortIdx",
     1,
     {{"sortindex", "desc"}},
     "CUlogDistinctDB::CreateIndex: Fail to create single  ULOG_DB_SORT_INDEX index!\n"},
    {"DistinctIndexPHandle",
     1,
     {{"parentid", "desc"}},
     "CUlogDistinctDB::CreateIndex: Fail to create single ULOG_DB_PARENT_ID index!\n"},
    {"DistinctIndexIsTemp",
     1,
     {{"istemplog", "desc"}},
     "CUlogDistinctDB::CreateIndex: Fail to create single ULOG_DB_IS_TEMP_LOG index!\n"},
    {"DistinctMulIdxLogType_SortIndex",
     2,
     {{"logtype", "asc"}, {"sortindex", "desc"}},
     "CUlogDistinctDB::CreateIndex: Fail to create multi [ULOG_DB_LOG_TYPE, ULOG_DB_SORT_INDEX] index!\n"},
    {"DistinctMulIdxNum_LogType_SortIndex",
     3,
     {{"basicnumber", "desc"}, {"logtype", "asc"}, {"sortindex", "desc"}},
     "CUlogDistinctDB::CreateIndex: Fail to create multi [ULOG_DB_BASIC_NUMBER, ULOG_DB_LOG_TYPE, "
     "ULOG_DB_SORT_INDEX] index!\n"},
    {"DistinctMulIdxBsNum_SortIndex",
     2,
     {{"basicnumber", "desc"}, {"logtype", "asc"}},
     "CUlogDistinctDB::CreateIndex: Fail to create multi [ULOG_DB_BASIC_NUMBER, ULOG_DB_LOG_TYPE] index!\n"},
    {"DistinctMulIdxGroupId_LogType_SortIndex",
     3,
     {{"groupid", "desc"}, {"logtype", "desc"}, {"sortindex", "asc"}},
     "CUlogDistinctDB::CreateIndex: Fail to create multi [ULOG_DB_GROUP_ID, ULOG_DB_SORT_INDEX, "
     "ULOG_DB_LOG_TYPE] index!\n"},
    {"DistinctMulIdxGroupId_LogType",
     2,
     {{"groupid", "desc"}, {"logtype", "desc"}},
     "CUlogDistinctDB::CreateIndex: Fail to create multi [ULOG_DB_GROUP_ID, ULOG_DB_LOG_TYPE] index!\n"},
    {"DistinctMulIdxGroupId_SortIndex",
     2,
     {{"groupid", "desc"}, {"sortindex", "desc"}},
     "CUlogDistinctDB::CreateIndex: Fail to create multi [ULOG_DB_GROUP_ID, ULOG_DB_SORT_INDEX] index!\n"},
    {"DistinctMulIdxSnsPersonId_LogType",
     2,
     {{"snspersonid", "desc"}, {"logtype", "asc"}},
     "CUlogDistinctDB::CreateIndex: Fail to create multi [ULOG_DB_SNS_PERSON_ID, ULOG_DB_LOG_TYPE] index!\n"},
    {"DistinctMulIdxLogType_SpInfo",
     2,
     {{"logtype", "desc"}, {"spinfo", "asc"}},
     "CUlogDistinctDB::CreateIndex: Fail to create multi [ULOG_DB_LOG_TYPE, ULOG_DB_SP_INFO] index!\n"},
    {"DistinctIndexCtPid_SortIndex",
     2,
     {{"ctprimaryid", "desc"}, {"sortindex", "desc"}},
     "CUlogDistinctDB::CreateIndex: Fail to create multi [ULOG_DB_CT_PID, ULOG_DB_SORT_INDEX]index!\n"},
    {"DistinctIndexCtDataId_SortIndex",
     2,
     {{"ctdataid", "desc"}, {"sortindex", "desc"}},
     "CUlogDistinctDB::CreateIndex: Fail to create multi [ULOG_DB_CT_DATA_ID, ULOG_DB_SORT_INDEX] index!\n"},
    {"DistinctIndexSpInfo_LogType",
     2,
     {{"spinfo", "desc"}, {"logtype", "desc"}},
     "CUlogDistinctDB::CreateIndex: Fail to create multi [ULOG_DB_SP_INFO, ULOG_DB_LOG_TYPE] index!\n"},
};
} // namespace

CUlogDistinctDB::CUlogDistinctDB() : m_pszTableName(TABLE_NAME)
{
    for (int i = 0; i < INDEX_CNT; i++)
    {
        m_apszIndexName[i] = INDEXES[i].pszName;
    }
}

const char* CUlogDistinctDB::GetFieldName(int nFieldId) const
{
    // An identifier from outside the table names no column: the statement built with it fails.
    if (!ULOG_REQUIRE((0 <= nFieldId) && (nFieldId < UlogDbColumns::COLUMN_CNT)))
        return "";
    return UlogDbColumns::ColumnOfField(nFieldId).pszName;
}

int CUlogDistinctDB::FormatCreateStatement(char* pszQuery, int nQuerySize) const
{
    return UlogDbColumns::FormatCreateTable(pszQuery, nQuerySize, CREATE_FORMAT, m_pszTableName);
}

BOOL CUlogDistinctDB::OnCreateTable()
{
    char szQuery[UlogDbQuery::QUERY_SIZE] = {0};
    FormatCreateStatement(szQuery, sizeof(szQuery));
    int nResult = Db2QueryEx(szQuery);
    Db2ClearRow();
    if (nResult == -1)
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogDistinctDB::OnCreateTable: Fail to create table!\n");
        return 0;
    }
    CreateIndex();
    return 1;
}

BOOL CUlogDistinctDB::CreateIndex()
{
    return UlogDbColumns::CreateIndexes(m_pszTableName, INDEXES, INDEX_CNT, "CUlogDistinctDB::CreateIndex");
}

BOOL CUlogDistinctDB::CreateMissingIndexes()
{
    return UlogDbColumns::CreateMissingIndexes(m_pszTableName, INDEXES, INDEX_CNT,
                                               "CUlogDistinctDB::CreateMissingIndexes") >= 0;
}
