// Statistics of stored calls applied behind the caller: what every later operation sees, what is on
// disk once the stores are waited for, a reset after a call, a process that exits without stopping the
// service, and calls stored while another task stops and restarts the service.
//
// Where the order matters the test's own thread holds the statistics lock ("UlogSvcAccount"), so the
// statistics task cannot apply anything: what the test sees was applied on its own thread.
#include "UlogSvcAccountMgr/AccountTestUtil.h"
#include "support/Records.h"

#include "UlogSvc.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <unistd.h>

using namespace accounttest;

namespace
{
// Holds the service's statistics lock on the calling thread for the scope.
class CHeldStatisticsLock
{
public:
    CHeldStatisticsLock() : m_hMutex(OsCreateMutex("UlogSvcAccount"))
    {
        m_bHeld = OsAcquireMutexEx(m_hMutex, __FILE__, __LINE__) == 0;
    }
    ~CHeldStatisticsLock()
    {
        OsReleaseMutex(m_hMutex);
        OsDeleteMutex(m_hMutex);
    }
    bool Held() const { return m_bHeld; }

private:
    HOBJ m_hMutex;
    bool m_bHeld;
};

BOOL AddCall(UlogLogType iLogType, unsigned int nSeconds, unsigned int tmStart = kCallStart)
{
    UlogInfo info = ulogtest::MakeInfo(
        ulogtest::Event{.type = iLogType, .number = "0105551234", .start = tmStart, .duration = nSeconds});
    return UlogAddCallLog(&info);
}

unsigned int OrgVoice1()
{
    return UlogGetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1);
}

using AccountPendingTest = ulogtest::ServiceTest;

TEST_F(AccountPendingTest, EveryOperationAndTheWaitForStoresSeeTheCallsStoredBefore)
{
    CHeldStatisticsLock held;
    ASSERT_TRUE(held.Held());
    ASSERT_TRUE(AddCall(ULOG_LOG_ORIGINATED, 40));
    ASSERT_TRUE(AddCall(ULOG_LOG_TERMINATED, 8, kCallStart + 100));
    // The getters right after the Adds show both calls.
    EXPECT_EQ(OrgVoice1(), 40u);
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_TERMINATED, ULOG_CALL_VOICE, ULOG_LINE_1), 8u);
    EXPECT_EQ(UlogGetLastCallTime(), 8u);
    EXPECT_EQ(UlogGetLifeTime(), 48u);

    ASSERT_TRUE(AddCall(ULOG_LOG_ORIGINATED, 5, kCallStart + 200));
    // On disk once the stores are waited for, with the non-volatile life time.
    ASSERT_EQ(UlogCtlWaitForStores(), 0);
    EXPECT_EQ(UlogIni("OriginatedLog", "Voice1TotalTime"), 45);
    EXPECT_EQ(UlogIni("LastLog", "LastCallTime"), 5);
    EXPECT_EQ(UlogIni("LastLog", "LifeTime"), 53);
    EXPECT_EQ(NvGetInt(459), 53);
}

TEST_F(AccountPendingTest, AResetAfterACallIsNotUndoneByTheCallLandingLater)
{
    {
        CHeldStatisticsLock held;
        ASSERT_TRUE(held.Held());
        ASSERT_TRUE(AddCall(ULOG_LOG_ORIGINATED, 40));
        ASSERT_TRUE(UlogResetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1));
        EXPECT_EQ(OrgVoice1(), 0u);
    }
    // The statistics task may run now: nothing is left for it to add.
    ASSERT_EQ(UlogCtlWaitForStores(), 0);
    EXPECT_EQ(OrgVoice1(), 0u);
    // The next call of that direction starts the total again from the reset.
    ASSERT_TRUE(AddCall(ULOG_LOG_ORIGINATED, 7, kCallStart + 100));
    EXPECT_EQ(OrgVoice1(), 7u);
    EXPECT_EQ(UlogIni("OriginatedLog", "Voice1TotalTime"), 7);
    EXPECT_EQ(UlogGetLifeTime(), 47u);
}

// A stop stores what is pending; a call whose statistics arrive while the service is stopped (stored
// just before the stop) counts in the file, at the wait for stores or at the next start.
TEST_F(AccountPendingTest, StoppingTheServiceStoresWhatIsPendingAndLaterCallsStillCount)
{
    {
        CHeldStatisticsLock held;
        ASSERT_TRUE(held.Held());
        ASSERT_TRUE(AddCall(ULOG_LOG_TERMINATED, 30));
        EXPECT_EQ(UlogSvcDispatch(1), 0u);
    }
    EXPECT_EQ(UlogIni("TerminatedLog", "Voice1TotalTime"), 30);

    CUlogSvcAccountMgr* pMgr = CUlogSvcAccountMgr::Instance();
    ASSERT_TRUE(pMgr->WriteCallTime(MakeCall(ULOG_LOG_TERMINATED, ULOG_CALL_VOICE, ULOG_LINE_1, 4)));
    EXPECT_EQ(UlogIni("TerminatedLog", "Voice1TotalTime"), 34);
    ASSERT_TRUE(pMgr->WriteCallTime(MakeCall(ULOG_LOG_TERMINATED, ULOG_CALL_VOICE, ULOG_LINE_1, 6)));
    EXPECT_EQ(UlogSvcDispatch(0), 0u);
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_TERMINATED, ULOG_CALL_VOICE, ULOG_LINE_1), 40u);
    EXPECT_EQ(UlogIni("TerminatedLog", "Voice1TotalTime"), 40);
    EXPECT_EQ(NvGetInt(459), 40);
}

// The calls of a process that ends with exit(), the service still running, reach the file. The
// process holds the statistics lock to the end, so only its exit applies them.
TEST(AccountExitTest, CallsOfAProcessThatExitsWithoutStoppingTheServiceAreStored)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Named by the process that runs the test, so that its child (which runs it again) finds it.
    const auto RootOf = [](pid_t pid)
    { return (std::filesystem::temp_directory_path() / ("ulog-exit-" + std::to_string(pid))).string(); };
    EXPECT_EXIT(
        {
            UlogCtlReset(RootOf(getppid()).c_str());
            UlogSvcDispatch(0);
            CHeldStatisticsLock held;
            int nAdded = 0;
            for (unsigned int i = 0; i < 3; ++i)
                nAdded += AddCall(ULOG_LOG_ORIGINATED, 10 + i, kCallStart + 100 * i) ? 1 : 0;
            std::exit(held.Held() && nAdded == 3 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");

    const std::string root = RootOf(getpid());
    ASSERT_TRUE(UlogCtlReset(root.c_str()));
    EXPECT_EQ(UlogIni("OriginatedLog", "Voice1TotalTime"), 33);
    EXPECT_EQ(UlogIni("LastLog", "LastCallTime"), 12);
    EXPECT_EQ(NvGetInt(459), 33);
    ulogtest::RemoveTree(root);
}

// A task stores calls while another stops and restarts the service: both run to the end, and every
// call that was stored counts.
TEST_F(AccountPendingTest, CallsStoredConcurrentlyWithStopsAndRestartsOfTheServiceAllCount)
{
    UlogCtlCaptureDiagnostics(FALSE);
    std::atomic<bool> bDone{false};
    unsigned int nStoredSeconds = 0;
    std::thread adder(
        [&]
        {
            for (unsigned int i = 0; i < 60; ++i)
                if (AddCall(ULOG_LOG_ORIGINATED, 1 + i % 3, kCallStart + 100 * i))
                    nStoredSeconds += 1 + i % 3;
            bDone = true;
        });
    int nRestarts = 0;
    while (!bDone || nRestarts < 2)
    {
        EXPECT_EQ(UlogSvcDispatch(1), 0u);
        EXPECT_EQ(UlogSvcDispatch(0), 0u);
        ++nRestarts;
    }
    adder.join();
    ASSERT_GT(nStoredSeconds, 0u);
    EXPECT_EQ(OrgVoice1(), nStoredSeconds);
    EXPECT_EQ(UlogIni("OriginatedLog", "Voice1TotalTime"), nStoredSeconds);
    EXPECT_EQ(NvGetInt(459), static_cast<int>(nStoredSeconds));
}
} // namespace
