// Window-manager timers: deterministic firing against a frozen clock, and the timer thread.
#include "support/PlatformFixture.h"

#include "KivGWESCore/KivGWESCore.h"
#include "control/PlatformControl.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace
{
using namespace std::chrono_literals;
using Calls = std::vector<std::pair<int, unsigned long>>; // handle, param

struct Fired
{
    std::mutex m;
    std::condition_variable cv;
    Calls calls;
    std::vector<std::thread::id> threads;
    std::atomic<int> restartsLeft{0};
    unsigned long restartTick = 0;
    bool deleteSelf = false;

    void Record(int h, unsigned long param)
    {
        std::lock_guard<std::mutex> lock(m);
        calls.emplace_back(h, param);
        threads.push_back(std::this_thread::get_id());
        cv.notify_all();
    }
    size_t Count()
    {
        std::lock_guard<std::mutex> lock(m);
        return calls.size();
    }
    bool WaitForCount(size_t n)
    {
        std::unique_lock<std::mutex> lock(m);
        return cv.wait_for(lock, 10s, [&] { return calls.size() >= n; });
    }
};

void RecordCallback(int h, unsigned long param)
{
    reinterpret_cast<Fired*>(param)->Record(h, param);
}

// Restarts its own timer from inside the callback, like a periodic tick does.
void RestartingCallback(int h, unsigned long param)
{
    Fired* f = reinterpret_cast<Fired*>(param);
    f->Record(h, param);
    if (f->restartsLeft-- > 0)
        WmStartTimer(h, f->restartTick, RestartingCallback, f);
    else if (f->deleteSelf)
        __WmDeleteTimer(h, __FILE__, __LINE__);
}

std::atomic<bool> g_slowDone{false};
void SlowCallback(int h, unsigned long param)
{
    reinterpret_cast<Fired*>(param)->Record(h, param);
    std::this_thread::sleep_for(100ms);
    g_slowDone = true;
}

class WmTimerTest : public ulogtest::PlatformTest
{
protected:
    Fired m_fired;
    unsigned long Param() { return reinterpret_cast<unsigned long>(&m_fired); }
};

TEST_F(WmTimerTest, FrozenClockFiresOnlyWhenRunAndOnlyWhatIsDue)
{
    UlogCtlFreezeClock(1700000000);
    HOBJ h = __WmCreateTimer("UlogSvcTimer__3", __FILE__, __LINE__);
    ASSERT_NE(h, INVALID_HOBJ);
    ASSERT_TRUE(WmStartTimer(h, 1000, RecordCallback, &m_fired));
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(m_fired.Count(), 0u); // nothing fires by itself
    EXPECT_EQ(UlogCtlRunDueTimers(), 0);
    UlogCtlAdvanceClock(1);
    EXPECT_EQ(UlogCtlRunDueTimers(), 1);
    ASSERT_EQ(m_fired.calls, (Calls{{h, Param()}}));
    EXPECT_EQ(m_fired.threads[0], std::this_thread::get_id()); // fired on the caller's thread
    // Once per start.
    UlogCtlAdvanceClock(5);
    EXPECT_EQ(UlogCtlRunDueTimers(), 0);
    EXPECT_TRUE(__WmDeleteTimer(h, __FILE__, __LINE__));
}

TEST_F(WmTimerTest, DueTimersFireInDueOrder)
{
    UlogCtlFreezeClock(1700000000);
    HOBJ late = __WmCreateTimer("late", __FILE__, __LINE__);
    HOBJ early = __WmCreateTimer("early", __FILE__, __LINE__);
    HOBJ never = __WmCreateTimer("never", __FILE__, __LINE__);
    WmStartTimer(late, 3000, RecordCallback, &m_fired);
    WmStartTimer(early, 1000, RecordCallback, &m_fired);
    WmStartTimer(never, 10000, RecordCallback, &m_fired);
    UlogCtlAdvanceClock(3);
    EXPECT_EQ(UlogCtlRunDueTimers(), 2);
    EXPECT_EQ(m_fired.calls, (Calls{{early, Param()}, {late, Param()}}));
}

TEST_F(WmTimerTest, CancelledRestartedAndDeletedTimers)
{
    UlogCtlFreezeClock(1700000000);
    HOBJ h = __WmCreateTimer("t", __FILE__, __LINE__);
    WmStartTimer(h, 1000, RecordCallback, &m_fired);
    EXPECT_TRUE(WmCancelTimer(h));
    UlogCtlAdvanceClock(2);
    EXPECT_EQ(UlogCtlRunDueTimers(), 0);

    // A restart counts from the new start.
    WmStartTimer(h, 1000, RecordCallback, &m_fired);
    UlogCtlAdvanceClock(1);
    WmStartTimer(h, 2000, RecordCallback, &m_fired);
    UlogCtlAdvanceClock(1);
    EXPECT_EQ(UlogCtlRunDueTimers(), 0);
    UlogCtlAdvanceClock(1);
    EXPECT_EQ(UlogCtlRunDueTimers(), 1);

    EXPECT_TRUE(__WmDeleteTimer(h, __FILE__, __LINE__));
    EXPECT_FALSE(WmStartTimer(h, 1000, RecordCallback, &m_fired));
    EXPECT_FALSE(WmCancelTimer(h));
    EXPECT_FALSE(__WmDeleteTimer(h, __FILE__, __LINE__));
    EXPECT_FALSE(WmStartTimer(__WmCreateTimer("x", __FILE__, __LINE__), 10, nullptr, nullptr));
}

TEST_F(WmTimerTest, CallbackRestartingItsTimerFiresOncePerRun)
{
    UlogCtlFreezeClock(1700000000);
    m_fired.restartsLeft = 10;
    m_fired.restartTick = 1000;
    HOBJ h = __WmCreateTimer("periodic", __FILE__, __LINE__);
    WmStartTimer(h, 1000, RestartingCallback, &m_fired);
    for (int i = 1; i <= 3; ++i)
    {
        UlogCtlAdvanceClock(1);
        EXPECT_EQ(UlogCtlRunDueTimers(), 1);
        EXPECT_EQ(m_fired.Count(), static_cast<size_t>(i));
    }
    // A zero tick restart is not fired again within the same run.
    m_fired.restartTick = 0;
    UlogCtlAdvanceClock(1);
    EXPECT_EQ(UlogCtlRunDueTimers(), 1);
    EXPECT_EQ(UlogCtlRunDueTimers(), 1);
}

TEST_F(WmTimerTest, RunningClockFiresOnTheTimerThread)
{
    HOBJ h = __WmCreateTimer("real", __FILE__, __LINE__);
    ASSERT_TRUE(WmStartTimer(h, 20, RecordCallback, &m_fired));
    ASSERT_TRUE(m_fired.WaitForCount(1));
    ASSERT_EQ(m_fired.calls, (Calls{{h, Param()}}));
    EXPECT_NE(m_fired.threads[0], std::this_thread::get_id());
    EXPECT_TRUE(__WmDeleteTimer(h, __FILE__, __LINE__));
}

TEST_F(WmTimerTest, CallbackOnTheTimerThreadMayRestartAndDeleteItsOwnTimer)
{
    m_fired.restartsLeft = 3;
    m_fired.restartTick = 5;
    m_fired.deleteSelf = true;
    HOBJ h = __WmCreateTimer("periodic", __FILE__, __LINE__);
    ASSERT_TRUE(WmStartTimer(h, 5, RestartingCallback, &m_fired));
    ASSERT_TRUE(m_fired.WaitForCount(4));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(m_fired.Count(), 4u);
    EXPECT_FALSE(WmCancelTimer(h)); // deleted by its own callback
}

TEST_F(WmTimerTest, DeleteWaitsForARunningCallback)
{
    g_slowDone = false;
    HOBJ h = __WmCreateTimer("slow", __FILE__, __LINE__);
    ASSERT_TRUE(WmStartTimer(h, 1, SlowCallback, &m_fired));
    ASSERT_TRUE(m_fired.WaitForCount(1));
    EXPECT_TRUE(__WmDeleteTimer(h, __FILE__, __LINE__));
    EXPECT_TRUE(g_slowDone.load()); // whatever the callback uses may be freed now
}

TEST_F(WmTimerTest, ResetDropsEveryTimer)
{
    UlogCtlFreezeClock(1700000000);
    HOBJ h = __WmCreateTimer("t", __FILE__, __LINE__);
    WmStartTimer(h, 1000, RecordCallback, &m_fired);
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    UlogCtlFreezeClock(1800000000);
    EXPECT_EQ(UlogCtlRunDueTimers(), 0);
    EXPECT_FALSE(WmCancelTimer(h));
    EXPECT_EQ(m_fired.Count(), 0u);
}
} // namespace
