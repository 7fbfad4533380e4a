#define ULOG_SRC_MODULE "UlogSvcDbMgr/UlogDuplDB"
#include "H/UlogSvcDef.h"
#include "UlogSvcDbMgr/CUlogDB.h"
#include "UlogSvcDbMgr/UlogDbColumns.h"
#include "UlogSvcDbMgr/UlogDbQuery.h"

namespace
{
const char* const TABLE_NAME = "UlogDuplDbTable";

const char* const CREATE_FORMAT =
    "create table %s ( %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, "
    "%s "
    "%s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s, %s %s(%d), %s %s(%d), "
    "%s "
    "%s(%d), %s %s(%d), %s %s(%d), %s %s(%d),%s %s, %s %s, %s %s(%d), %s %s(%d), %s %s(%d), %s %s(%d), %s "
    "%s(%d), %s %s(%d), %s %s, %s %s, %s %s(%d), %s %s,  %s %s(%d),%s %s(%d), %s %s, %s %s)";

const UlogDbColumns::IndexDef INDEXES[CUlogDuplDB::INDEX_CNT] = {
    {"DuplIndexSortIdx",
     1,
     {{"sortindex", "desc"}},
     "CUlogDuplDB::CreateIndex: Fail to create single [ULOG_DB_SORT_INDEX] index!\n"},
    {"DuplIndexIsUnchecked",
     1,
     {{"isuncheckedyet", "desc"}},
     "CUlogDuplDB::CreateIndex: Fail to create single [ULOG_DB_IS_UNCHECKED_YET] index!\n"},
    {"DuplMulIdxLogType_SortIndex",
     2,
     {{"logtype", "asc"}, {"sortindex", "desc"}},
     "CUlogDuplDB::CreateIndex: Fail to create multi [ULOG_DB_LOG_TYPE, ULOG_DB_SORT_INDEX] index!\n"},
    {"DuplMulIdxGroupId_SortIndex",
     2,
     {{"groupid", "asc"}, {"sortindex", "desc"}},
     "CUlogDuplDB::CreateIndex: Fail to create multi [ULOG_DB_GROUP_ID, ULOG_DB_SORT_INDEX] index!\n"},
    {"DuplMulIdxParentId_SortIndex",
     2,
     {{"parentid", "asc"}, {"sortindex", "desc"}},
     "CUlogDuplDB::CreateIndex: Fail to create multi [ULOG_DB_PARENT_ID, ULOG_DB_SORT_INDEX] index!\n"},
    {"DuplMulIdxSnsPersonId_SortIndex",
     2,
     {{"snspersonid", "asc"}, {"sortindex", "desc"}},
     "CUlogDuplDB::CreateIndex: Fail to create multi [ULOG_DB_SNS_PERSON_ID, ULOG_DB_SORT_INDEX] index!\n"},
    {"DuplMulIdxLogType_UncheckedCount",
     2,
     {{"logtype", "asc"}, {"isuncheckedyet", "desc"}},
     "CUlogDuplDB::CreateIndex: Fail to create multi [ULOG_DB_LOG_TYPE, ULOG_DB_IS_UNCHECKED_YET] index!\n"},
    {"DuplMulIdxCtPid_SortIndex",
     2,
     {{"ctprimaryid", "desc"}, {"sortindex", "desc"}},
     "CUlogDuplDB::CreateIndex: Fail to create multi [ULOG_DB_CT_PID,ULOG_DB_SORT_INDEX] index!\n"},
    {"DuplMulIdxCtDataId_SortIndex",
     2,
     {{"ctdataid", "desc"}, {"sortindex", "desc"}},
     "CUlogDuplDB::CreateIndex: Fail to create multi [ULOG_DB_CT_DATA_ID,ULOG_DB_SORT_INDEX] index!\n"},
};
} // namespace

CUlogDuplDB::CUlogDuplDB() : m_pszTableName(TABLE_NAME)
{
    for (int i = 0; i < INDEX_CNT; i++)
    {
        m_apszIndexName[i] = INDEXES[i].pszName;
    }
}

const char* CUlogDuplDB::GetFieldName(int nFieldId) const
{
    // An identifier from outside the table names no column: the statement built with it fails.
    if (!ULOG_REQUIRE((0 <= nFieldId) && (nFieldId < UlogDbColumns::COLUMN_CNT)))
        return "";
    return UlogDbColumns::ColumnOfField(nFieldId).pszName;
}

int CUlogDuplDB::FormatCreateStatement(char* pszQuery, int nQuerySize) const
{
    return UlogDbColumns::FormatCreateTable(pszQuery, nQuerySize, CREATE_FORMAT, m_pszTableName);
}

BOOL CUlogDuplDB::OnCreateTable()
{
    char szQuery[UlogDbQuery::QUERY_SIZE] = {0};
    FormatCreateStatement(szQuery, sizeof(szQuery));
    int nResult = Db2QueryEx(szQuery);
    Db2ClearRow();
    if (nResult == -1)
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogDuplDB::OnCreateTable: Fail to create table!\n");
        return 0;
    }
    CreateIndex();
    return 1;
}

BOOL CUlogDuplDB::CreateIndex()
{
    return UlogDbColumns::CreateIndexes(m_pszTableName, INDEXES, INDEX_CNT, "CUlogDuplDB::CreateIndex");
}

BOOL CUlogDuplDB::CreateMissingIndexes()
{
    return UlogDbColumns::CreateMissingIndexes(m_pszTableName, INDEXES, INDEX_CNT,
                                               "CUlogDuplDB::CreateMissingIndexes") >= 0;
}
