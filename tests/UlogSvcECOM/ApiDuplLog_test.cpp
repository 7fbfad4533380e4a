// The exported duplicate-log functions: counts and positions of single events.
#include "ApiTestSupport.h"

using apitest::Add;
using apitest::ApiTest;
using apitest::WalkAndRelease;

using ulogtest::Event;

TEST_F(ApiTest, UncheckedEventCountsOnlyTheTypesStillUncheckedEvents)
{
    Add(Event{.type = ULOG_LOG_MISSED, .number = "0101111111", .duration = 0, .unchecked = true});
    Add(Event{.type = ULOG_LOG_MISSED,
              .number = "0101111111",
              .start = 1700000060u,
              .duration = 0,
              .unchecked = true});
    Add(Event{.type = ULOG_LOG_MISSED, .number = "0102222222", .start = 1700000120u, .duration = 0});
    Add(Event{
        .type = ULOG_LOG_MSG_RECEIVED, .number = "0103333333", .start = 1700000180u, .unchecked = true});

    int n = -1;
    EXPECT_EQ(UlogGetDuplLogUncheckedCount(ULOG_LOG_MISSED, &n), 1);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(UlogGetDuplLogUncheckedCount(ULOG_LOG_MSG_RECEIVED, &n), 1);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(UlogGetDuplLogUncheckedCount(ULOG_LOG_ORIGINATED, &n), 1);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(UlogGetDuplLogUncheckedCount(static_cast<UlogLogType>(42), &n), 1);
    EXPECT_EQ(n, 0);

    EXPECT_EQ(UlogGetDuplLogCount(ULOG_LOG_MISSED), 3);
    EXPECT_EQ(UlogGetCallLogCountEx(ULOG_LOG_MISSED), 2);
    EXPECT_EQ(UlogGetDuplLogCount(static_cast<UlogLogType>(-1)), 0);
}

TEST_F(ApiTest, EventPositionsFollowTheListOfAllEvents)
{
    Add(ULOG_LOG_ORIGINATED, "0101111111", 1700000000u);
    Add(ULOG_LOG_ORIGINATED, "0101111111", 1700000060u);
    Add(ULOG_LOG_TERMINATED, "0102222222", 1700000120u);
    std::vector<UlogInfo> events = WalkAndRelease(UlogGetDuplAllLogInfo());
    ASSERT_EQ(events.size(), 3u);
    for (size_t i = 0; i < events.size(); ++i)
        EXPECT_EQ(UlogGetDuplIndex(events[i].nUniqueId), static_cast<int>(i));
    EXPECT_EQ(UlogGetDuplIndex(-1), -1);
    // Two outgoing events (type 0) and one incoming (type 1); every call lasted 60 seconds.
    EXPECT_EQ(UlogGetDuplSum(ULOG_DB_LOG_TYPE), 1);
    EXPECT_EQ(UlogGetSum(ULOG_DB_LOG_TYPE), 1);
    EXPECT_EQ(UlogGetDuplAverage(ULOG_DB_END_TIME) - UlogGetDuplAverage(ULOG_DB_START_TIME), 60);
}
