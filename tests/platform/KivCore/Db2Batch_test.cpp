// Batches of the SQL engine: what another connection to the database sees before and after a batch
// ends, nesting, and the commit and rollback calls made inside one.
#include "KivCore/KivCore.h"
#include "control/PlatformControl.h"
#include "support/DataFiles.h"
#include "support/PlatformFixture.h"

#include <gtest/gtest.h>

namespace
{
class Db2BatchTest : public ulogtest::PlatformTest
{
protected:
    void SetUp() override
    {
        ulogtest::PlatformTest::SetUp();
        ASSERT_EQ(Db2QueryEx("create table t ( id int primary key, v int )"), 0);
    }
    // Rows of t as another process would see them (committed data only).
    long long PeerRows() { return ulogtest::ScalarDbFile(m_root, "select count(*) from t"); }
    int OwnRows() { return Db2QueryRecordCount("select count(*) from t"); }
};

TEST_F(Db2BatchTest, StatementsOfABatchAreCommittedTogetherAtItsEnd)
{
    ASSERT_EQ(Db2BeginBatch(), 0);
    EXPECT_EQ(Db2QueryEx("insert into t values (1, 10)"), 1);
    EXPECT_EQ(Db2Commit(), 0); // a commit inside a batch waits for its end
    EXPECT_EQ(Db2QueryEx("insert into t values (2, 20)"), 1);
    EXPECT_EQ(Db2QueryEx("update t set v = 11 where id = 1"), 1);
    // This process reads its own changes at once; nobody else sees any of the batch.
    EXPECT_EQ(OwnRows(), 2);
    EXPECT_EQ(PeerRows(), 0);
    ASSERT_EQ(Db2EndBatch(), 0);
    EXPECT_EQ(PeerRows(), 2);
    // After the batch every statement commits by itself again.
    EXPECT_EQ(Db2QueryEx("insert into t values (3, 30)"), 1);
    EXPECT_EQ(PeerRows(), 3);
}

TEST_F(Db2BatchTest, AFailedStatementFailsTheWholeBatch)
{
    ASSERT_EQ(Db2BeginBatch(), 0);
    EXPECT_EQ(Db2QueryEx("insert into t values (1, 10)"), 1);
    // A duplicate key: the batch is failed, later statements of it run nothing.
    EXPECT_LT(Db2QueryEx("insert into t values (1, 99)"), 0);
    EXPECT_LT(Db2QueryEx("insert into t values (2, 20)"), 0);
    EXPECT_LT(Db2QueryRecordCount("select count(*) from t"), 0);
    const int hStmt = Db2StmtCreate("insert into t values (3, 30)");
    EXPECT_LT(hStmt, 0);
    // The end rolls everything back and says so, keeping the cause of the failure.
    EXPECT_EQ(Db2EndBatch(), -1);
    EXPECT_EQ(SysGetLastError(), SYS_ERR_SQL);
    EXPECT_EQ(OwnRows(), 0);
    EXPECT_EQ(PeerRows(), 0);
    // The next batch starts clean.
    ASSERT_EQ(Db2BeginBatch(), 0);
    EXPECT_EQ(Db2QueryEx("insert into t values (4, 40)"), 1);
    ASSERT_EQ(Db2EndBatch(), 0);
    EXPECT_EQ(PeerRows(), 1);
}

TEST_F(Db2BatchTest, RollbackOrAbortInsideABatchUndoesAllOfIt)
{
    ASSERT_EQ(Db2BeginBatch(), 0);
    EXPECT_EQ(Db2QueryEx("insert into t values (1, 10)"), 1);
    EXPECT_EQ(Db2Rollback(), 0);
    EXPECT_EQ(Db2EndBatch(), -1);
    EXPECT_EQ(PeerRows(), 0);

    ASSERT_EQ(Db2BeginBatch(), 0);
    ASSERT_EQ(Db2BeginBatch(), 0);
    EXPECT_EQ(Db2QueryEx("insert into t values (2, 20)"), 1);
    EXPECT_EQ(Db2AbortBatch(), 0);
    // The inner end reports the failure; the outer one rolls back.
    EXPECT_EQ(Db2EndBatch(), -1);
    EXPECT_EQ(Db2EndBatch(), -1);
    EXPECT_EQ(OwnRows(), 0);
    EXPECT_EQ(Db2AbortBatch(), -1); // outside a batch
    EXPECT_EQ(Db2QueryEx("insert into t values (3, 30)"), 1);
    EXPECT_EQ(PeerRows(), 1);
}

TEST_F(Db2BatchTest, AnInjectedFaultAtAPositionFailsOnlyThatStatement)
{
    UlogCtlFailSqlAt(2);
    EXPECT_EQ(Db2QueryEx("insert into t values (1, 10)"), 1);
    EXPECT_LT(Db2QueryEx("insert into t values (2, 20)"), 0);
    EXPECT_EQ(Db2QueryEx("insert into t values (3, 30)"), 1);
    EXPECT_EQ(PeerRows(), 2);
}

TEST_F(Db2BatchTest, OnlyTheOutermostBatchCommits)
{
    ASSERT_EQ(Db2BeginBatch(), 0);
    ASSERT_EQ(Db2BeginBatch(), 0);
    EXPECT_EQ(Db2QueryEx("insert into t values (1, 10)"), 1);
    ASSERT_EQ(Db2EndBatch(), 0);
    EXPECT_EQ(PeerRows(), 0);
    ASSERT_EQ(Db2EndBatch(), 0);
    EXPECT_EQ(PeerRows(), 1);
    // An end without a beginning is refused and changes nothing.
    EXPECT_EQ(Db2EndBatch(), -1);
    EXPECT_EQ(Db2QueryEx("insert into t values (2, 20)"), 1);
    EXPECT_EQ(PeerRows(), 2);
}

TEST_F(Db2BatchTest, AResetDropsAnOpenBatch)
{
    ASSERT_EQ(Db2BeginBatch(), 0);
    EXPECT_EQ(Db2QueryEx("insert into t values (1, 10)"), 1);
    ASSERT_TRUE(UlogCtlReset(m_root.c_str())); // a power cut in the middle of the batch
    EXPECT_EQ(OwnRows(), 0);
    EXPECT_EQ(Db2EndBatch(), -1);
    EXPECT_EQ(Db2QueryEx("insert into t values (2, 20)"), 1);
    EXPECT_EQ(PeerRows(), 1);
}
} // namespace
