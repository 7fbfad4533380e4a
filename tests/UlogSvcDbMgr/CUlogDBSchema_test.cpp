// Table creation: names, columns, indexes, and what initialisation creates.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "UlogSvcDbMgr/CUlogDB.h"
#include "UlogSvcDbMgr/CUlogNativeDbMgr.h"
#include "UlogSvcDbMgr/UlogDbColumns.h"
#include "control/PlatformControl.h"
#include "support/PlatformFixture.h"

#include "CUlogDbTestUtil.h"

using namespace ulogdbtest;

namespace
{
std::vector<std::string> Sorted(std::vector<std::string> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

const std::vector<std::string> kDistinctIndexes(
    {"DistinctIndexDbIdx", "DistinctIndexSortIdx", "DistinctIndexPHandle", "DistinctIndexIsTemp",
     "DistinctMulIdxLogType_SortIndex", "DistinctMulIdxNum_LogType_SortIndex",
     "DistinctMulIdxBsNum_SortIndex", "DistinctMulIdxGroupId_LogType_SortIndex",
     "DistinctMulIdxGroupId_LogType", "DistinctMulIdxGroupId_SortIndex", "DistinctMulIdxSnsPersonId_LogType",
     "DistinctMulIdxLogType_SpInfo", "DistinctIndexCtPid_SortIndex", "DistinctIndexCtDataId_SortIndex",
     "DistinctIndexSpInfo_LogType"});
const std::vector<std::string> kDuplIndexes(
    {"DuplIndexSortIdx", "DuplIndexIsUnchecked", "DuplMulIdxLogType_SortIndex", "DuplMulIdxGroupId_SortIndex",
     "DuplMulIdxParentId_SortIndex", "DuplMulIdxSnsPersonId_SortIndex", "DuplMulIdxLogType_UncheckedCount",
     "DuplMulIdxCtPid_SortIndex", "DuplMulIdxCtDataId_SortIndex"});

// The declared columns of a table, "name type" in table order, from its create statement.
std::string CreateStatement(const char* pszTable)
{
    std::string query = "select sql from sqlite_master where type = 'table' and name = '";
    query += pszTable;
    query += "'";
    std::vector<std::string> rows = QueryColumn(query.c_str());
    return rows.empty() ? std::string() : rows[0];
}

using TableSchemaTest = ulogtest::PlatformTest;
} // namespace

TEST_F(TableSchemaTest, NamesAndFieldIdentifiers)
{
    CUlogDistinctDB distinct;
    CUlogDuplDB dupl;
    EXPECT_STREQ("UlogDistinctDbTable", distinct.GetTableName());
    EXPECT_STREQ("UlogDuplDbTable", dupl.GetTableName());

    // The two flag identifiers name the columns opposite to their table positions.
    EXPECT_STREQ("iscnap", distinct.GetFieldName(ULOG_DB_IS_CNAP));
    EXPECT_STREQ("isvideoshare", distinct.GetFieldName(ULOG_DB_IS_VIDEO_SHARE));
    EXPECT_STREQ("clogdbindex", distinct.GetFieldName(0));
    EXPECT_STREQ("basicnumber", dupl.GetFieldName(ULOG_DB_BASIC_NUMBER));
    EXPECT_STREQ("ipcalldigitcount", dupl.GetFieldName(45));
    for (int i = 0; i < ULOG_DB_FIELD_CNT_MAX; i++)
        EXPECT_STREQ(distinct.GetFieldName(i), dupl.GetFieldName(i)) << "field " << i;

    // An identifier outside the table is refused with a report, never read past the name array.
    EXPECT_STREQ("", distinct.GetFieldName(ULOG_DB_FIELD_CNT_MAX));
    EXPECT_STREQ("", dupl.GetFieldName(-1));
    EXPECT_EQ(UlogCtlGetAssertCount(), 2);
}

TEST_F(TableSchemaTest, InitCreatesBothTablesWithTheirIndexes)
{
    ASSERT_FALSE(TableExists("UlogDistinctDbTable"));
    CUlogNativeDbMgr mgr;
    EXPECT_EQ(1, mgr.Init());
    EXPECT_TRUE(TableExists("UlogDistinctDbTable"));
    EXPECT_TRUE(TableExists("UlogDuplDbTable"));
    EXPECT_EQ(Sorted(kDistinctIndexes), IndexNames("UlogDistinctDbTable"));
    EXPECT_EQ(Sorted(kDuplIndexes), IndexNames("UlogDuplDbTable"));

    // Column order and types as declared: the CNAP column (isvideoshare) precedes iscnap.
    const std::string sql = CreateStatement("UlogDistinctDbTable");
    EXPECT_NE(std::string::npos, sql.find("clogdbindex int primary key, sortindex int"));
    EXPECT_NE(std::string::npos, sql.find("isvideoshare tinyint, iscnap tinyint, isuncheckedyet tinyint"));
    EXPECT_NE(std::string::npos, sql.find("aliasaddress varchar(129), basicnumber varchar(81)"));
    EXPECT_NE(std::string::npos, sql.find("dummystring nvarchar(103)"));
    EXPECT_NE(std::string::npos, sql.find("spinfo int,ipcalldigitcount int"));
    const std::string dupl = CreateStatement("UlogDuplDbTable");
    EXPECT_NE(std::string::npos,
              dupl.find("callerid varchar(772), dummystring nvarchar(103),msglogtype int"));
    EXPECT_NE(std::string::npos, dupl.find("spinfo int, ipcalldigitcount int"));

    // A select of every column gives the 46 columns.
    const int hStmt = Db2StmtCreate("select * from UlogDuplDbTable");
    ASSERT_NE(-1, hStmt);
    EXPECT_EQ(46, Db2StmtGetBindResCount(hStmt));
    Db2StmtDestroy(hStmt);
}

// Each table's create statement declares the columns of the column table, in its order, with their
// types and sizes: a column described but left out of a create statement would show here.
TEST_F(TableSchemaTest, CreatedTablesDeclareEveryColumnOfTheColumnTable)
{
    CUlogNativeDbMgr mgr;
    ASSERT_EQ(1, mgr.Init());
    std::vector<std::string> expected;
    for (const UlogDbColumns::Column& column : UlogDbColumns::s_aColumns)
    {
        std::string strType = column.pszType;
        if (column.nSize != 0)
            strType += "(" + std::to_string(column.nSize) + ")";
        expected.push_back(std::string(column.pszName) + " " + strType);
    }
    EXPECT_EQ("clogdbindex int primary key", expected[0]);
    for (const char* pszTable : {"UlogDistinctDbTable", "UlogDuplDbTable"})
    {
        std::string query = "select name, type, pk from pragma_table_info('";
        query += pszTable;
        query += "') order by cid";
        std::vector<std::string> declared;
        ASSERT_EQ(UlogDbColumns::COLUMN_CNT, Db2QueryEx(query.c_str())) << pszTable;
        while (Db2GetNextRow() == 0)
        {
            const std::string strName = Db2GetColumn(0) != nullptr ? Db2GetColumn(0) : "<null>";
            // The engine may spell a type word in capitals.
            std::string strType = Db2GetColumn(1) != nullptr ? Db2GetColumn(1) : "<null>";
            std::transform(strType.begin(), strType.end(), strType.begin(),
                           [](unsigned char c) { return (char)std::tolower(c); });
            const bool bKey = AcAtoi(Db2GetColumn(2)) != 0;
            declared.push_back(strName + " " + strType + (bKey ? " primary key" : ""));
        }
        Db2ClearRow();
        EXPECT_EQ(expected, declared) << pszTable;
    }
}

TEST_F(TableSchemaTest, StartCreatesOnlyTheMissingIndexesAndTablesOfExistingTables)
{
    CUlogNativeDbMgr mgr;
    mgr.Init();
    ASSERT_GE(Db2QueryEx("insert into UlogDistinctDbTable (clogdbindex, sortindex) values (7, 70)"), 1);
    ASSERT_GE(Db2QueryEx("drop index DistinctIndexDbIdx"), 0);
    ASSERT_GE(Db2QueryEx("drop index DistinctIndexSpInfo_LogType"), 0);
    ASSERT_GE(Db2QueryEx("drop index DuplMulIdxCtPid_SortIndex"), 0);
    ASSERT_EQ(13u, IndexNames("UlogDistinctDbTable").size());

    // The next start puts the dropped indexes back and keeps the rows.
    EXPECT_EQ(1, mgr.Init());
    EXPECT_EQ(Sorted(kDistinctIndexes), IndexNames("UlogDistinctDbTable"));
    EXPECT_EQ(Sorted(kDuplIndexes), IndexNames("UlogDuplDbTable"));
    EXPECT_EQ(std::vector<std::string>{"7"}, QueryColumn("select clogdbindex from UlogDistinctDbTable"));

    // Everything in place, a start issues no create statement: one index missing costs exactly one more.
    int nBefore = UlogCtlGetSqlStatementCount();
    EXPECT_EQ(1, mgr.Init());
    const int nComplete = UlogCtlGetSqlStatementCount() - nBefore;
    ASSERT_GE(Db2QueryEx("drop index DuplIndexSortIdx"), 0);
    nBefore = UlogCtlGetSqlStatementCount();
    EXPECT_EQ(1, mgr.Init());
    EXPECT_EQ(nComplete + 1, UlogCtlGetSqlStatementCount() - nBefore);
    EXPECT_EQ(Sorted(kDuplIndexes), IndexNames("UlogDuplDbTable"));

    // The table object's own check only looks at the table.
    ASSERT_GE(Db2QueryEx("drop index DistinctIndexSortIdx"), 0);
    CUlogDistinctDB distinct;
    EXPECT_EQ(1, distinct.CheckAndCreateTable());
    EXPECT_EQ(14u, IndexNames("UlogDistinctDbTable").size());
    EXPECT_EQ(1, distinct.CreateMissingIndexes());
    EXPECT_EQ(15u, IndexNames("UlogDistinctDbTable").size());

    // Only a missing table is created: the other keeps its row and its indexes.
    ASSERT_GE(Db2QueryEx("drop table UlogDuplDbTable"), 0);
    ASSERT_FALSE(TableExists("UlogDuplDbTable"));
    ASSERT_TRUE(IndexNames("UlogDuplDbTable").empty());
    EXPECT_EQ(1, mgr.Init());
    EXPECT_TRUE(TableExists("UlogDuplDbTable"));
    EXPECT_EQ(Sorted(kDuplIndexes), IndexNames("UlogDuplDbTable"));
    EXPECT_EQ(std::vector<std::string>{"7"}, QueryColumn("select clogdbindex from UlogDistinctDbTable"));
    EXPECT_EQ(15u, IndexNames("UlogDistinctDbTable").size());
}

TEST_F(TableSchemaTest, FailingThirdIndexLeavesTheFirstTwo)
{
    // An object already named like the third index makes its creation fail in the engine.
    ASSERT_GE(Db2QueryEx("create table Blocker (a int)"), 0);
    ASSERT_GE(Db2QueryEx("create index DistinctIndexPHandle on Blocker (a)"), 0);

    CUlogDistinctDB distinct;
    EXPECT_EQ(1, distinct.OnCreateTable());
    EXPECT_TRUE(TableExists("UlogDistinctDbTable"));
    EXPECT_EQ(Sorted({"DistinctIndexDbIdx", "DistinctIndexSortIdx"}), IndexNames("UlogDistinctDbTable"));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("Fail to create single ULOG_DB_PARENT_ID index!"));

    // While the name is taken, a later start's repair of the table is one change that fails whole: it
    // reports the index it cannot create and leaves the table as it was (the other table is complete).
    CUlogNativeDbMgr mgr;
    mgr.Init();
    EXPECT_EQ(Sorted({"DistinctIndexDbIdx", "DistinctIndexSortIdx"}), IndexNames("UlogDistinctDbTable"));
    EXPECT_EQ(9u, IndexNames("UlogDuplDbTable").size());
    EXPECT_TRUE(UlogCtlDiagnosticsContain("the missing index DistinctIndexPHandle could not be created"));
    EXPECT_EQ(0, distinct.CreateMissingIndexes());

    // Once the name is free, the next start completes the table.
    ASSERT_GE(Db2QueryEx("drop table Blocker"), 0);
    mgr.Init();
    EXPECT_EQ(Sorted(kDistinctIndexes), IndexNames("UlogDistinctDbTable"));
}

TEST_F(TableSchemaTest, CreateIndexStopsAtInjectedFailure)
{
    CUlogDuplDB dupl;
    ASSERT_EQ(1, dupl.OnCreateTable());
    ASSERT_GE(Db2QueryEx("drop table UlogDuplDbTable"), 0);

    // The create statement itself fails: no table and no index.
    UlogCtlFailNextSql(1);
    EXPECT_EQ(0, dupl.OnCreateTable());
    EXPECT_FALSE(TableExists("UlogDuplDbTable"));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogDuplDB::OnCreateTable: Fail to create table!"));

    // With the table in place, a failing first index stops the sequence.
    ASSERT_GE(Db2QueryEx("create table UlogDuplDbTable (sortindex int, isuncheckedyet int)"), 0);
    UlogCtlFailNextSql(1);
    EXPECT_EQ(0, dupl.CreateIndex());
    EXPECT_TRUE(IndexNames("UlogDuplDbTable").empty());
}
