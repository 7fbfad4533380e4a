// Iterator handles handed out by the exported list functions, walked and released as an application
// does. (Which rows each list function hands out: ApiCallLog_test.cpp; the handle registry itself:
// tests/UlogSvcCollection.)
#include "ApiTestSupport.h"

using namespace apitest;

TEST_F(ApiTest, WalksOverListsOfZeroAndThreeLogs)
{
    HOBJ h = UlogGetAllLogInfo();
    ASSERT_GT(h, 0);
    UlogSvcIteratorMoveFirst(h);
    EXPECT_EQ(UlogSvcIteratorIsDone(h), 1);
    UlogInfo info;
    std::memset(&info, 0x44, sizeof(info));
    const UlogInfo before = info;
    EXPECT_EQ(UlogSvcIteratorGetCurItem(h, &info), 0);
    EXPECT_EQ(std::memcmp(&info, &before, sizeof(info)), 0);
    UlogSvcIteratorRelease(h);

    Add(ULOG_LOG_ORIGINATED, "0101111111", 1700000000u);
    Add(ULOG_LOG_ORIGINATED, "0102222222", 1700000010u);
    Add(ULOG_LOG_ORIGINATED, "0103333333", 1700000020u);
    // The list is counted and read whole by one statement; walking it again reads nothing.
    const int nBefore = UlogCtlGetSqlStatementCount();
    h = UlogGetAllLogInfo();
    const std::vector<UlogInfo> three = Walk(h);
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(UlogSvcIteratorIsDone(h), 1);
    EXPECT_EQ(UlogCtlGetSqlStatementCount() - nBefore, 1);
    // The walk gives the rows in the order of the list of all rows.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(UlogGetIndex(three[static_cast<size_t>(i)].nUniqueId), i);
    // A second walk of the same handle starts again from the first row.
    const int nBeforeAgain = UlogCtlGetSqlStatementCount();
    EXPECT_EQ(Numbers(Walk(h)), Numbers(three));
    EXPECT_EQ(UlogCtlGetSqlStatementCount(), nBeforeAgain);
    // A null record is refused (ApiCallLog_test.cpp) without moving the walk.
    UlogSvcIteratorMoveFirst(h);
    EXPECT_EQ(UlogSvcIteratorGetCurItem(h, nullptr), 0);
    ASSERT_EQ(UlogSvcIteratorGetCurItem(h, &info), 1);
    EXPECT_EQ(UlogGetIndex(info.nUniqueId), 0);
    UlogSvcIteratorRelease(h);
}

TEST_F(ApiTest, InvalidAndUnknownHandlesAreReportedWithoutEffect)
{
    EXPECT_EQ(UlogSvcIteratorIsDone(INVALID_HOBJ), 0);
    EXPECT_TRUE(UlogCtlDiagnosticsContain(
        "__UlogIsValidIterator(hIterator) (UlogSvcCollection/UlogSvcIteratorAdapter:214)"));
    UlogSvcIteratorMoveFirst(INVALID_HOBJ);
    UlogSvcIteratorMoveNext(INVALID_HOBJ);
    UlogSvcIteratorRelease(INVALID_HOBJ);
    EXPECT_EQ(UlogCtlGetAssertCount(), 4);

    for (HOBJ unknown : {0, 987654, -7, 2147483647})
    {
        UlogSvcIteratorMoveFirst(unknown);
        UlogSvcIteratorMoveNext(unknown);
        EXPECT_EQ(UlogSvcIteratorIsDone(unknown), 0);
        UlogInfo info;
        EXPECT_EQ(UlogSvcIteratorGetCurItem(unknown, &info), 0);
        UlogSvcIteratorRelease(unknown);
    }
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pAdapterItem != NULL"));
}

TEST_F(ApiTest, AHandleKeepsItsRowsWhenTheTableChangesAfterwards)
{
    Add(ULOG_LOG_ORIGINATED, "0101111111", 1700000000u);
    Add(ULOG_LOG_ORIGINATED, "0102222222", 1700000010u);
    const HOBJ h = UlogGetAllLogInfo();
    UlogSvcIteratorMoveFirst(h);
    ASSERT_EQ(UlogDeleteAllCallLog(), 1);
    // Whatever the list still gives, walking it after the table was emptied is safe.
    EXPECT_LE(WalkAndRelease(h).size(), 2u);
    EXPECT_EQ(WalkAndRelease(UlogGetAllLogInfo()).size(), 0u);
}
