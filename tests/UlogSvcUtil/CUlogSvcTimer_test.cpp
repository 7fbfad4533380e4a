// Periodic service timers over one-shot platform timers.
#include "support/PlatformFixture.h"

#include "UlogSvcUtil/CUlogSvcTimer.h"
#include "control/PlatformControl.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace
{
using namespace std::chrono_literals;

class TestTimer : public CUlogSvcTimer
{
public:
    std::mutex m;
    std::condition_variable cv;
    std::vector<unsigned long> ticks;
    std::vector<std::string> names;
    bool failCreate = false;
    int killAfterTicks = -1; // kill the ticking timer from inside its own tick

    bool WaitForTicks(size_t n)
    {
        std::unique_lock<std::mutex> lock(m);
        return cv.wait_for(lock, 10s, [&] { return ticks.size() >= n; });
    }
    size_t TickCount()
    {
        std::lock_guard<std::mutex> lock(m);
        return ticks.size();
    }

protected:
    void OnTick(unsigned long timerId) override
    {
        std::unique_lock<std::mutex> lock(m);
        ticks.push_back(timerId);
        cv.notify_all();
        const bool kill = killAfterTicks >= 0 && static_cast<int>(ticks.size()) >= killAfterTicks;
        lock.unlock();
        if (kill)
            KillTimer(timerId);
    }
    HOBJ OnCreate(char const* pszName) override
    {
        names.emplace_back(pszName);
        return failCreate ? INVALID_HOBJ : CUlogSvcTimer::OnCreate(pszName);
    }
};

// On a frozen clock: timers expire as the test moves it on.
class CUlogSvcTimerTest : public ulogtest::PlatformTest
{
protected:
    TestTimer timer; // goes after the platform reset, which waits for a callback still running
    void SetUp() override
    {
        ulogtest::PlatformTest::SetUp();
        UlogCtlFreezeClock(1700000000);
    }
    int Tick(int seconds)
    {
        UlogCtlAdvanceClock(seconds);
        return UlogCtlRunDueTimers();
    }
};

TEST_F(CUlogSvcTimerTest, SetTimerNamesThePlatformTimerAndTicksUntilKilled)
{
    EXPECT_TRUE(timer.SetTimer(3, 1000));
    ASSERT_EQ(timer.names.size(), 1u);
    EXPECT_EQ(timer.names[0], "UlogSvcTimer__3");
    EXPECT_EQ(UlogCtlRunDueTimers(), 0);
    // Each expiry ticks once and re-arms with the same frequency.
    for (int i = 1; i <= 3; ++i)
    {
        EXPECT_EQ(Tick(1), 1);
        EXPECT_EQ(timer.TickCount(), static_cast<size_t>(i));
    }
    EXPECT_EQ(timer.ticks, (std::vector<unsigned long>{3, 3, 3}));
    EXPECT_TRUE(timer.KillTimer(3));
    EXPECT_EQ(Tick(5), 0);
    EXPECT_EQ(timer.TickCount(), 3u);
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);
}

TEST_F(CUlogSvcTimerTest, TicksAreRoutedToTheirTimerIds)
{
    timer.SetTimer(1, 1000);
    timer.SetTimer(2, 2000);
    EXPECT_EQ(Tick(1), 1);
    EXPECT_EQ(Tick(1), 2); // both due: the earlier started (id 2) first
    EXPECT_EQ(Tick(1), 1);
    EXPECT_EQ(Tick(1), 2);
    EXPECT_EQ(timer.ticks, (std::vector<unsigned long>{1, 2, 1, 1, 2, 1}));
    timer.KillTimer(1);
    EXPECT_EQ(Tick(2), 1);
    EXPECT_EQ(timer.ticks.back(), 2u);
    timer.KillTimer(2);
}

TEST_F(CUlogSvcTimerTest, KillingIsHarmlessAndSettingAnIdAgainReplacesItsTimer)
{
    EXPECT_TRUE(timer.KillTimer(7));
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);
    // Killing twice is the same.
    timer.SetTimer(4, 1000);
    EXPECT_TRUE(timer.KillTimer(4));
    EXPECT_TRUE(timer.KillTimer(4));
    EXPECT_EQ(Tick(2), 0);

    // Setting an id again replaces its platform timer: only the new one runs.
    timer.SetTimer(3, 1000);
    timer.SetTimer(3, 1000);
    EXPECT_EQ(timer.names.size(), 3u);
    EXPECT_EQ(Tick(1), 1);
    EXPECT_EQ(Tick(1), 1);
    EXPECT_EQ(timer.ticks, (std::vector<unsigned long>{3, 3}));
    timer.KillTimer(3);
}

TEST_F(CUlogSvcTimerTest, PlatformTimerCreationFailureIsAPrecondition)
{
    timer.failCreate = true;
    EXPECT_TRUE(timer.SetTimer(5, 1000));  // the result does not look at the steps
    EXPECT_EQ(UlogCtlGetAssertCount(), 2); // no platform timer, then no entry to start
    EXPECT_EQ(Tick(2), 0);
    EXPECT_EQ(timer.TickCount(), 0u);
}

TEST_F(CUlogSvcTimerTest, ATickMayKillItsOwnTimer)
{
    timer.killAfterTicks = 2;
    timer.SetTimer(9, 500);
    EXPECT_EQ(Tick(1), 1);
    EXPECT_EQ(Tick(1), 1);
    EXPECT_EQ(Tick(1), 0);
    EXPECT_EQ(timer.TickCount(), 2u);
}

TEST_F(CUlogSvcTimerTest, TicksOnThePlatformTimerThreadWithARunningClock)
{
    UlogCtlUnfreezeClock();
    timer.killAfterTicks = 3;
    EXPECT_TRUE(timer.SetTimer(6, 10));
    ASSERT_TRUE(timer.WaitForTicks(3));
    std::this_thread::sleep_for(50ms);
    // The last tick's callback may still be finishing on the timer thread: a reset waits for it.
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_EQ(timer.TickCount(), 3u);
    EXPECT_EQ(timer.ticks, (std::vector<unsigned long>{6, 6, 6}));
}
} // namespace
