// Log-change events to applications and their silencing.
#include "support/PlatformFixture.h"

#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvcChangeMgr/CUlogSvcNotify.h"
#include "control/PlatformControl.h"

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace
{
using NotifyTest = ulogtest::PlatformTest;

// Reads a field of the sent event record by its byte offset.
template <class T> T FieldAt(const WMEVENT& event, size_t offset)
{
    T value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(&event) + offset, sizeof(T));
    return value;
}

TEST_F(NotifyTest, SendPutsCodeHandlerAndTypeIntoTheEvent)
{
    EXPECT_TRUE(CUlogSvcNotify::Send(0x21, 1234));
    CUlogSvcNotify notify;
    EXPECT_TRUE(notify(7, 99));
    ASSERT_EQ(UlogCtlGetSentEventCount(), 2);

    WMEVENT event;
    ASSERT_TRUE(UlogCtlGetSentEvent(0, &event));
    EXPECT_EQ(FieldAt<uint16_t>(event, 0), 532);
    EXPECT_EQ(FieldAt<int32_t>(event, 4), 1234);
    EXPECT_EQ(FieldAt<uint16_t>(event, 20), 0x21);
    // Nothing else is set.
    EXPECT_EQ(FieldAt<int32_t>(event, 8), 0);
    EXPECT_EQ(FieldAt<int32_t>(event, 12), 0);
    EXPECT_EQ(FieldAt<int32_t>(event, 16), 0);

    ASSERT_TRUE(UlogCtlGetSentEvent(1, &event));
    EXPECT_EQ(FieldAt<uint16_t>(event, 0), 532);
    EXPECT_EQ(FieldAt<int32_t>(event, 4), 99);
    EXPECT_EQ(FieldAt<uint16_t>(event, 20), 7);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcNotify::Send: nType (0x7)"));

    // An invalid handler gets nothing.
    EXPECT_FALSE(CUlogSvcNotify::Send(1, INVALID_HOBJ));
    EXPECT_EQ(UlogCtlGetSentEventCount(), 2);
    EXPECT_TRUE(
        UlogCtlDiagnosticsContain("CUlogSvcNotify::Send: event.notify.hDestEventHandler == INVALID_HOBJ"));
}

TEST_F(NotifyTest, ScopesSilenceEventsAndNest)
{
    CUlogSvcNotify notify;
    {
        CUlogSvcLock outer(notify);
        EXPECT_FALSE(notify(1, 10));
        EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcNotify::Send: m_bEnable is FALSE"));
        {
            CUlogSvcNotify other;
            CUlogSvcLock inner(other);
            EXPECT_EQ(CUlogSvcNotify::m_nLock.load(), 2);
            EXPECT_FALSE(CUlogSvcNotify::Send(2, 10));
        }
        // Still silenced by the outer scope.
        EXPECT_FALSE(CUlogSvcNotify::Send(3, 10));
    }
    EXPECT_EQ(UlogCtlGetSentEventCount(), 0);
    EXPECT_EQ(CUlogSvcNotify::m_nLock.load(), 0);
    EXPECT_TRUE(notify(4, 10));
    EXPECT_EQ(UlogCtlGetSentEventCount(), 1);

    // A release without a lock does not silence for good.
    EXPECT_FALSE(notify.Release());
    EXPECT_EQ(CUlogSvcNotify::m_nLock.load(), 0);
    EXPECT_TRUE(CUlogSvcNotify::Send(5, 10));
    EXPECT_TRUE(notify.Lock());
    EXPECT_TRUE(notify.Release());
    EXPECT_TRUE(CUlogSvcNotify::Send(6, 10));
    EXPECT_EQ(UlogCtlGetSentEventCount(), 3);
}

TEST_F(NotifyTest, ScopesOnSeveralTasksBalanceOut)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(
            []
            {
                for (int i = 0; i < 2000; ++i)
                {
                    CUlogSvcNotify notify;
                    CUlogSvcLock silence(notify);
                }
            });
    for (std::thread& th : threads)
        th.join();
    EXPECT_EQ(CUlogSvcNotify::m_nLock.load(), 0);
    EXPECT_TRUE(CUlogSvcNotify::Send(8, 10));
}
} // namespace
