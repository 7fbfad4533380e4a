// Events sent to applications are recorded for tests and tools.
#include "support/PlatformFixture.h"

#include "KivGWESCore/KivGWESCore.h"
#include "control/PlatformControl.h"

#include <thread>
#include <vector>

namespace
{
using WmEventTest = ulogtest::PlatformTest;

WMEVENT MakeEvent(unsigned short code, int p0)
{
    WMEVENT e{};
    e.wEventCode = code;
    e.hDestEventHandler = 7;
    e.nParam[0] = p0;
    e.nParam[1] = -1;
    e.nParam[2] = 3;
    e.wSubType = 2;
    return e;
}

TEST_F(WmEventTest, SentEventsAreReadBackInOrderWithAllFieldsUntilClearedOrReset)
{
    EXPECT_EQ(UlogCtlGetSentEventCount(), 0);
    WMEVENT a = MakeEvent(532, 1);
    WMEVENT b = MakeEvent(533, 2);
    EXPECT_TRUE(WmSendEvent(&a));
    EXPECT_TRUE(WmSendEvent(&b));
    ASSERT_EQ(UlogCtlGetSentEventCount(), 2);
    WMEVENT got{};
    ASSERT_TRUE(UlogCtlGetSentEvent(0, &got));
    EXPECT_EQ(got.wEventCode, 532);
    EXPECT_EQ(got.hDestEventHandler, 7);
    EXPECT_EQ(got.nParam[0], 1);
    EXPECT_EQ(got.nParam[1], -1);
    EXPECT_EQ(got.nParam[2], 3);
    EXPECT_EQ(got.wSubType, 2);
    ASSERT_TRUE(UlogCtlGetSentEvent(1, &got));
    EXPECT_EQ(got.wEventCode, 533);
    EXPECT_FALSE(UlogCtlGetSentEvent(2, &got));
    EXPECT_FALSE(UlogCtlGetSentEvent(-1, &got));
    EXPECT_FALSE(UlogCtlGetSentEvent(0, nullptr));
    EXPECT_FALSE(WmSendEvent(nullptr));
    EXPECT_EQ(UlogCtlGetSentEventCount(), 2);

    UlogCtlClearSentEvents();
    EXPECT_EQ(UlogCtlGetSentEventCount(), 0);
    WmSendEvent(&a);
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_EQ(UlogCtlGetSentEventCount(), 0);
}

TEST_F(WmEventTest, EventsFromManyThreadsAreAllRecorded)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(
            [t]
            {
                for (int i = 0; i < 250; ++i)
                {
                    WMEVENT e = MakeEvent(532, t * 1000 + i);
                    WmSendEvent(&e);
                }
            });
    for (auto& th : threads)
        th.join();
    ASSERT_EQ(UlogCtlGetSentEventCount(), 1000);
    std::vector<int> seen(4, -1);
    for (int i = 0; i < 1000; ++i)
    {
        WMEVENT e{};
        ASSERT_TRUE(UlogCtlGetSentEvent(i, &e));
        int t = e.nParam[0] / 1000;
        EXPECT_GT(e.nParam[0] % 1000, seen[t]); // each thread's events keep their order
        seen[t] = e.nParam[0] % 1000;
    }
}
} // namespace
