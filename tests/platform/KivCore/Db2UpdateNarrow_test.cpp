// Updates that set many columns of a row, inside a batch (where the engine writes only what changes)
// and outside one: the row, the indexes and the result must be those of the statement as written.
#include "Db2TestUtil.h"
#include "support/DataFiles.h"
#include "support/PlatformFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
class Db2UpdateTest : public ulogtest::PlatformTest
{
protected:
    void SetUp() override
    {
        ulogtest::PlatformTest::SetUp();
        ASSERT_EQ(Db2QueryEx("create table r ( id int primary key, a int, b int, c varchar(20), "
                             "w nvarchar(10), d int )"),
                  0);
        ASSERT_EQ(Db2QueryEx("create index r_a on r (a desc)"), 0);
        ASSERT_EQ(Db2QueryEx("create index r_bc on r (b, c)"), 0);
        ASSERT_EQ(Db2QueryEx("create unique index r_d on r (d)"), 0);
        ASSERT_EQ(Db2QueryEx("insert into r values (1, 10, 20, 'x', 'wide', 100)"), 1);
        ASSERT_EQ(Db2QueryEx("insert into r values (2, 11, 21, 'y', 'wide', 200)"), 1);
        ASSERT_EQ(Db2BeginBatch(), 0);
        m_bBatch = true;
    }
    void TearDown() override
    {
        if (m_bBatch)
            Db2EndBatch();
        ulogtest::PlatformTest::TearDown();
    }

    // Runs "update r set a, b, c, w, d where <where>" through a statement, w bound as 16-bit text.
    int Update(int a, int b, const char* c, const char16_t* w, int d, const char* where)
    {
        const int n = db2test::RunWide(w, "update r set a = %d, b = %d, c = '%s', w = ?, d = %d where %s", a,
                                       b, c, d, where);
        Db2Commit();
        return n;
    }

    std::string Row(int id)
    {
        return db2test::Select("nnnwn", "select a, b, c, w, d from r where id = %d", id);
    }

    // Ends the batch (the check reads what is committed) and, unless told, opens the next one.
    std::string IntegrityCheck(bool bBatchAfter = true)
    {
        if (m_bBatch)
        {
            EXPECT_EQ(Db2EndBatch(), 0);
        }
        m_bBatch = bBatchAfter && Db2BeginBatch() == 0;
        const std::vector<std::string> rows = ulogtest::QueryDbFile(m_root, "pragma integrity_check");
        return rows.size() == 1 ? rows[0] : std::to_string(rows.size()) + " rows";
    }

    // Ends a batch that a failed statement has failed (so it is rolled back) and opens the next one.
    void RestartFailedBatch()
    {
        EXPECT_EQ(Db2EndBatch(), -1);
        m_bBatch = Db2BeginBatch() == 0;
    }

    bool m_bBatch = false;
};

TEST_F(Db2UpdateTest, ChangedAndUnchangedColumnsEndAsWritten)
{
    // Only a and w change; b, c and d are written with their current values.
    EXPECT_EQ(Update(15, 20, "x", u"wider", 100, "id = 1"), 1);
    EXPECT_EQ(Row(1), "1: 15|20|x|wider|100");
    EXPECT_EQ(Row(2), "1: 11|21|y|wide|200");
    // Negative values, and every column changing at once.
    EXPECT_EQ(Update(-3, -4, "z", u"w", -100, "id = 1"), 1);
    EXPECT_EQ(Row(1), "1: -3|-4|z|w|-100");
    // Nothing changes: still one row, as SQLite counts it.
    EXPECT_EQ(Update(-3, -4, "z", u"w", -100, "id = 1"), 1);
    EXPECT_EQ(Row(1), "1: -3|-4|z|w|-100");
    // The indexes follow: lookups through each of them find the row by its new values only.
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from r where a = -3"), 1);
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from r where a = 15"), 0);
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from r where b = -4 and c = 'z'"), 1);
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from r where d = -100"), 1);
    EXPECT_EQ(IntegrityCheck(), "ok");
}

TEST_F(Db2UpdateTest, NoRowOrSeveralRowsAreCountedAsWritten)
{
    EXPECT_EQ(Update(1, 2, "q", u"q", 300, "id = 99"), 0);
    EXPECT_EQ(Row(1), "1: 10|20|x|wide|100");
    // Two rows: the unique index refuses the same d for both, and nothing changes.
    EXPECT_LT(Update(7, 8, "m", u"m", 500, "id > 0"), 0);
    RestartFailedBatch();
    EXPECT_EQ(Row(1), "1: 10|20|x|wide|100");
    EXPECT_EQ(Row(2), "1: 11|21|y|wide|200");
    ASSERT_EQ(Db2QueryEx("drop index r_d"), 0);
    EXPECT_EQ(Update(7, 8, "m", u"m", 500, "id > 0"), 2);
    EXPECT_EQ(Row(1), "1: 7|8|m|m|500");
    EXPECT_EQ(Row(2), "1: 7|8|m|m|500");
    EXPECT_EQ(IntegrityCheck(), "ok");
}

TEST_F(Db2UpdateTest, AChangedValueThatBreaksAUniqueIndexFailsAndLeavesTheRow)
{
    EXPECT_LT(Update(10, 20, "x", u"wide", 200, "id = 1"), 0);
    RestartFailedBatch();
    EXPECT_EQ(Row(1), "1: 10|20|x|wide|100");
    // The same statement text with other values: each run compares its own values.
    EXPECT_EQ(Update(10, 20, "x", u"wide", 150, "id = 1"), 1);
    EXPECT_EQ(Update(12, 20, "x", u"wide", 150, "id = 1"), 1);
    EXPECT_EQ(Row(1), "1: 12|20|x|wide|150");
    EXPECT_EQ(IntegrityCheck(), "ok");
}

TEST_F(Db2UpdateTest, UpdatesOfSeveralRowsCountEveryMatchedRow)
{
    for (int id = 3; id <= 5; ++id)
        ASSERT_EQ(Db2QueryEx("insert into r values (%d, 1, 20, 'x', 'wide', %d)", id, id * 100), 1);
    // Every value already in place: the matched rows still count.
    EXPECT_EQ(Db2QueryEx("update r set b = 20, c = 'x' where id >= 3"), 3);
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from r where b = 20 and c = 'x'"), 4);
    // Some rows differ in one column only.
    EXPECT_EQ(Db2QueryEx("update r set b = 20, c = 'q' where id >= 1"), 5);
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from r where b = 20 and c = 'q'"), 5);
    EXPECT_EQ(Row(2), "1: 11|20|q|wide|200");
    // More rows than are read first.
    for (int id = 10; id < 90; ++id)
        ASSERT_EQ(Db2QueryEx("insert into r values (%d, 1, 20, 'q', 'wide', %d)", id, id * 100), 1);
    EXPECT_EQ(Db2QueryEx("update r set b = 20, c = 'z' where b = 20"), 85);
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from r where c = 'z'"), 85);
    EXPECT_EQ(Db2QueryEx("update r set b = 20, c = 'z' where b = 20"), 85);
    EXPECT_EQ(IntegrityCheck(), "ok");
}

TEST_F(Db2UpdateTest, OutsideABatchUpdatesRunAsWritten)
{
    EXPECT_EQ(IntegrityCheck(false), "ok"); // ends the fixture's batch
    EXPECT_EQ(Update(15, 20, "x", u"wider", 100, "id = 1"), 1);
    EXPECT_EQ(Update(15, 20, "x", u"wider", 100, "id = 1"), 1);
    EXPECT_EQ(Row(1), "1: 15|20|x|wider|100");
    EXPECT_EQ(Db2QueryEx("update r set b = 21, c = 'y' where id >= 1"), 2);
    EXPECT_EQ(Row(1), "1: 15|21|y|wider|100");
    EXPECT_EQ(IntegrityCheck(false), "ok");
}

// A statement that cannot be compiled is refused where it is made, inside a batch or not; one that
// can runs again and again, as written when every value it sets changes (the first run), narrowed
// when some stay.
TEST_F(Db2UpdateTest, StatementsAreCheckedWhenMadeAndRunAsWrittenWhenEverythingChanges)
{
    EXPECT_LT(Db2StmtCreate("update r set a = 1, nosuch = 2, w = ? where id = 1"), 0);
    EXPECT_LT(Db2StmtCreate("update nosuch set a = 1, b = 2 where id = 1"), 0);
    RestartFailedBatch();
    const int h = Db2StmtCreate("update r set a = a + 1, b = b + 1, w = ? where id = 1");
    ASSERT_GT(h, 0);
    for (int i = 0; i < 3; ++i)
    {
        Db2StmtGetBindParamFields(h)[0].nIndicator = -1;
        EXPECT_EQ(Db2StmtExecute(h), 1);
    }
    Db2StmtDestroy(h);
    EXPECT_EQ(Row(1), "1: 13|23|x|<null>|100");
    EXPECT_EQ(IntegrityCheck(false), "ok");
    EXPECT_LT(Db2StmtCreate("update r set a = 1, nosuch = 2 where id = 1"), 0);
}

TEST_F(Db2UpdateTest, NullsCompareAsValues)
{
    ASSERT_EQ(Db2QueryEx("update r set c = null where id = 1"), 1);
    EXPECT_EQ(Update(10, 20, "x", u"wide", 100, "id = 1"), 1);
    EXPECT_EQ(Row(1), "1: 10|20|x|wide|100");
    // A null bound for w replaces the stored text.
    const int h = Db2StmtCreate("update r set a = 10, w = ? where id = 1");
    ASSERT_GT(h, 0);
    Db2StmtGetBindParamFields(h)[0].nIndicator = -1;
    EXPECT_EQ(Db2StmtExecute(h), 1);
    Db2StmtDestroy(h);
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from r where id = 1 and w is null"), 1);
}
} // namespace
