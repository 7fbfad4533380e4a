// Iterator handles handed out by the exported list functions, walked and released as an
// application does.
#include "ApiTestSupport.h"

using apitest::Add;
using apitest::ApiTest;
using apitest::Numbers;
using apitest::Walk;
using apitest::WalkAndRelease;

TEST_F(ApiTest, WalksOverListsOfZeroOneAndThreeLogs)
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
    std::vector<UlogInfo> one = WalkAndRelease(UlogGetAllLogInfo());
    ASSERT_EQ(one.size(), 1u);
    EXPECT_STREQ(one[0].szNumber, "0101111111");

    Add(ULOG_LOG_ORIGINATED, "0102222222", 1700000010u);
    Add(ULOG_LOG_ORIGINATED, "0103333333", 1700000020u);
    h = UlogGetAllLogInfo();
    std::vector<UlogInfo> three = Walk(h);
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(UlogSvcIteratorIsDone(h), 1);
    // The walk gives the rows in the order of the list of all rows.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(UlogGetIndex(three[static_cast<size_t>(i)].nUniqueId), i);
    // A second walk of the same handle starts again from the first row.
    std::vector<UlogInfo> again = Walk(h);
    EXPECT_EQ(Numbers(again), Numbers(three));
    // A null record is refused without moving the walk.
    UlogSvcIteratorMoveFirst(h);
    EXPECT_EQ(UlogSvcIteratorGetCurItem(h, nullptr), 0);
    EXPECT_TRUE(
        UlogCtlDiagnosticsContain("pUlogInfo != NULL (UlogSvcCollection/UlogSvcIteratorAdapter:222)"));
    ASSERT_EQ(UlogSvcIteratorGetCurItem(h, &info), 1);
    EXPECT_EQ(UlogGetIndex(info.nUniqueId), 0);
    UlogSvcIteratorRelease(h);
}

TEST_F(ApiTest, HandlesByTypeAndOfTheDuplicateTableWalkTheirOwnRows)
{
    Add(ULOG_LOG_ORIGINATED, "0101111111", 1700000000u);
    Add(ULOG_LOG_ORIGINATED, "0101111111", 1700000010u);
    Add(ULOG_LOG_MISSED, "0102222222", 1700000020u);
    Add(ULOG_LOG_MSG_RECEIVED, "0103333333", 1700000030u);

    std::vector<UlogInfo> missed = WalkAndRelease(UlogGetAllLogInfoByType(ULOG_LOG_MISSED));
    ASSERT_EQ(missed.size(), 1u);
    EXPECT_STREQ(missed[0].szNumber, "0102222222");

    std::vector<UlogInfo> outgoingEvents = WalkAndRelease(UlogGetDuplAllLogInfoByType(ULOG_LOG_ORIGINATED));
    ASSERT_EQ(outgoingEvents.size(), 2u);
    EXPECT_EQ(outgoingEvents[0].nParentId, outgoingEvents[1].nParentId);
    EXPECT_NE(outgoingEvents[0].nUniqueId, outgoingEvents[1].nUniqueId);

    EXPECT_EQ(WalkAndRelease(UlogGetDuplAllLogInfo()).size(), 4u);
    EXPECT_EQ(WalkAndRelease(UlogGetAllLogInfo()).size(), 3u);
    EXPECT_EQ(WalkAndRelease(UlogGetDuplAllLogInfoByType(ULOG_LOG_EMAIL_SENT)).size(), 0u);
    std::vector<UlogInfo> newest = WalkAndRelease(UlogGetDuplMaxLogInfo(ULOG_DB_START_TIME));
    ASSERT_EQ(newest.size(), 1u);
    EXPECT_EQ(newest[0].tmStart, 1700000030u);
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
    HOBJ h = UlogGetAllLogInfo();
    UlogSvcIteratorMoveFirst(h);
    ASSERT_EQ(UlogDeleteAllCallLog(), 1);
    // Whatever the list still gives, walking it after the table was emptied is safe.
    std::vector<UlogInfo> rows = apitest::Walk(h);
    EXPECT_LE(rows.size(), 2u);
    UlogSvcIteratorRelease(h);
    EXPECT_EQ(WalkAndRelease(UlogGetAllLogInfo()).size(), 0u);
}
