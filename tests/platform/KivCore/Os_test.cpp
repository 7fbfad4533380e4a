// Tasks, messages and named recursive mutexes.
#include "support/PlatformFixture.h"

#include "KivCore/KivCore.h"
#include "control/PlatformControl.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

namespace
{
using namespace std::chrono_literals;

// Task entries take no argument, so each test talks to its task through these.
struct TaskProbe
{
    std::mutex m;
    std::condition_variable cv;
    std::vector<int> received;
    std::atomic<int> started{0};
    std::atomic<int> unwound{0};
    std::atomic<HOBJ> selfHandle{INVALID_HOBJ};
    std::atomic<int> lastResult{-100};
    std::atomic<unsigned int> lastError{0};
    std::atomic<bool> returned{false};
    HOBJ mutexToHold = INVALID_HOBJ;

    template <class Pred> bool WaitFor(Pred pred)
    {
        std::unique_lock<std::mutex> lock(m);
        return cv.wait_for(lock, 10s, pred);
    }
    void Count(std::atomic<int>& n)
    {
        ++n;
        std::lock_guard<std::mutex> lock(m);
        cv.notify_all();
    }
};
TaskProbe* g_probe = nullptr;

// Counts the task's start when made, and the unwinding of its stack when destroyed.
struct UnwindMarker
{
    UnwindMarker() { g_probe->Count(g_probe->started); }
    ~UnwindMarker() { g_probe->Count(g_probe->unwound); }
};

// Receives forever, recording each message's id.
void ReceiverEntry()
{
    g_probe->selfHandle = OsGetCurrentTask();
    UnwindMarker marker;
    for (;;)
    {
        OSMSG msg{};
        int r = OsReceiveMessage(-1, &msg, 0);
        g_probe->lastResult = r;
        if (r == 1)
        {
            std::lock_guard<std::mutex> lock(g_probe->m);
            g_probe->received.push_back(msg.nMsgId);
            g_probe->cv.notify_all();
        }
    }
}

// Takes a mutex twice and then waits for messages forever while owning it.
void HolderEntry()
{
    OsAcquireMutexEx(g_probe->mutexToHold, __FILE__, __LINE__);
    OsAcquireMutexEx(g_probe->mutexToHold, __FILE__, __LINE__);
    UnwindMarker marker;
    OSMSG msg{};
    for (;;)
        OsReceiveMessage(-1, &msg, 0);
}

// Waits for messages until a wait fails, then returns by itself.
void QuittingReceiverEntry()
{
    UnwindMarker marker;
    OSMSG msg{};
    int r;
    while ((r = OsReceiveMessage(-1, &msg, 0)) >= 0)
    {
        std::lock_guard<std::mutex> lock(g_probe->m);
        g_probe->lastResult = r;
        g_probe->cv.notify_all();
    }
    g_probe->lastResult = r;
    g_probe->lastError = SysGetLastError();
    g_probe->returned = true; // not reached when the stack is unwound
}

// Sleeps for a long time.
void SleeperEntry()
{
    UnwindMarker marker;
    OsSleep(60000);
}

// Waits for a mutex that someone else holds.
void WaiterEntry()
{
    UnwindMarker marker;
    OsAcquireMutexEx(g_probe->mutexToHold, __FILE__, __LINE__);
    OsReleaseMutex(g_probe->mutexToHold);
}

class OsTest : public ulogtest::PlatformTest
{
protected:
    void SetUp() override
    {
        ulogtest::PlatformTest::SetUp();
        g_probe = &m_probe;
    }
    void TearDown() override
    {
        ulogtest::PlatformTest::TearDown(); // ends every task before the probe goes
        g_probe = nullptr;
    }
    // Creates and starts a task; returns once it has started.
    HOBJ Start(void (*entry)())
    {
        const int nStarted = m_probe.started.load();
        HOBJ h = OsCreateTask("t", 10003, 0x20000, entry, 1, 0);
        EXPECT_TRUE(OsStartTask(h));
        EXPECT_TRUE(m_probe.WaitFor([&] { return m_probe.started.load() == nStarted + 1; }));
        return h;
    }
    TaskProbe m_probe;
};

TEST_F(OsTest, TaskIsSuspendedUntilStartedAndKnowsItsHandle)
{
    HOBJ h = OsCreateTask("UlogCtFullSyncTask", 10003, 0x20000, ReceiverEntry, 1, 0);
    ASSERT_NE(h, INVALID_HOBJ);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(m_probe.started.load(), 0);
    EXPECT_TRUE(OsStartTask(h));
    ASSERT_TRUE(m_probe.WaitFor([&] { return m_probe.started.load() == 1; }));
    EXPECT_EQ(m_probe.selfHandle.load(), h);
    EXPECT_FALSE(OsStartTask(h)); // only once
    EXPECT_EQ(OsGetCurrentTask(), INVALID_HOBJ);
    EXPECT_TRUE(OsDeleteTask(h));
}

TEST_F(OsTest, MessagesArriveInOrderAndReceiveBlocksUntilOneComes)
{
    HOBJ h = OsCreateTask("t", 10003, 0x20000, ReceiverEntry, 1, 0);
    // Messages sent before the start are kept.
    OSMSG first{1, 0, 0, nullptr};
    EXPECT_TRUE(OsSendMessage(h, &first));
    ASSERT_TRUE(OsStartTask(h));
    ASSERT_TRUE(m_probe.WaitFor([&] { return m_probe.received.size() == 1; }));
    // The task now waits without limit: nothing arrives until we send.
    std::this_thread::sleep_for(30ms);
    {
        std::lock_guard<std::mutex> lock(m_probe.m);
        EXPECT_EQ(m_probe.received.size(), 1u);
    }
    for (int i = 2; i <= 100; ++i)
    {
        OSMSG msg{i, 0, 0, nullptr};
        ASSERT_TRUE(OsSendMessage(h, &msg));
    }
    ASSERT_TRUE(m_probe.WaitFor([&] { return m_probe.received.size() == 100; }));
    std::vector<int> expected(100);
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(m_probe.received, expected);
    EXPECT_EQ(m_probe.lastResult.load(), 1); // a received message answers 1
    EXPECT_TRUE(OsDeleteTask(h));
}

TEST_F(OsTest, ReceiveOutsideATaskFailsAndTimeoutAnswersZero)
{
    OSMSG msg{};
    EXPECT_LT(OsReceiveMessage(0, &msg, 0), 0);
    OSMSG bogus{};
    EXPECT_FALSE(OsSendMessage(987654, &bogus));
    EXPECT_FALSE(OsStartTask(987654));
    EXPECT_FALSE(OsDeleteTask(987654));
    EXPECT_EQ(OsCreateTask("t", 1, 1, nullptr, 1, 0), INVALID_HOBJ);
}

// Deleting a task ends it, and unwinds its stack, before the deletion returns: a task waiting for a
// message, sleeping, or waiting for a mutex this thread holds (only the deletion can end that wait).
TEST_F(OsTest, DeletingABlockedTaskEndsItAndUnwindsItsStack)
{
    m_probe.mutexToHold = OsCreateMutex("UlogSvc");
    ASSERT_EQ(OsAcquireMutexEx(m_probe.mutexToHold, __FILE__, __LINE__), 0);
    for (void (*entry)() : {ReceiverEntry, SleeperEntry, WaiterEntry})
    {
        HOBJ h = Start(entry);
        EXPECT_TRUE(OsDeleteTask(h));
        EXPECT_EQ(m_probe.unwound.load(), m_probe.started.load());
        OSMSG msg{};
        EXPECT_FALSE(OsSendMessage(h, &msg));
        EXPECT_FALSE(OsDeleteTask(h));
    }
    EXPECT_EQ(OsReleaseMutex(m_probe.mutexToHold), 0);
}

// A task being deleted is first told so by its wait for messages, and one that returns then ends
// without being unwound; a task that waits again is unwound (above).
TEST_F(OsTest, ADeletedTaskWaitingForMessagesMayReturnByItself)
{
    HOBJ h = Start(QuittingReceiverEntry);
    OSMSG msg{7, 0, 0, nullptr};
    ASSERT_TRUE(OsSendMessage(h, &msg));
    ASSERT_TRUE(m_probe.WaitFor([&] { return m_probe.lastResult.load() == 1; }));
    EXPECT_TRUE(OsDeleteTask(h));
    EXPECT_TRUE(m_probe.returned.load());
    EXPECT_LT(m_probe.lastResult.load(), 0);
    EXPECT_EQ(m_probe.lastError.load(), OS_ERR_TASK_ENDING);
    EXPECT_EQ(m_probe.unwound.load(), 1);
    EXPECT_FALSE(OsSendMessage(h, &msg));
}

TEST_F(OsTest, MutexesOwnedByADeletedTaskAreGivenUp)
{
    m_probe.mutexToHold = OsCreateMutex("UlogSvc");
    EXPECT_TRUE(OsDeleteTask(Start(HolderEntry)));
    // Held twice by the task; still free for us now.
    EXPECT_EQ(OsAcquireMutexEx(m_probe.mutexToHold, __FILE__, __LINE__), 0);
    EXPECT_EQ(OsReleaseMutex(m_probe.mutexToHold), 0);
}

TEST_F(OsTest, ResetEndsRunningTasks)
{
    HOBJ h = Start(ReceiverEntry);
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_EQ(m_probe.unwound.load(), 1);
    OSMSG msg{};
    EXPECT_FALSE(OsSendMessage(h, &msg));
}

TEST_F(OsTest, OwnerMayAcquireAgainAndOthersWaitForTheLastRelease)
{
    HOBJ m = OsCreateMutex("UlogSvcAccount");
    ASSERT_NE(m, INVALID_HOBJ);
    ASSERT_EQ(OsAcquireMutexEx(m, __FILE__, __LINE__), 0);
    ASSERT_EQ(OsAcquireMutexEx(m, __FILE__, __LINE__), 0); // no deadlock on the owner

    std::atomic<bool> acquired{false};
    std::thread other(
        [&]
        {
            OsAcquireMutexEx(m, __FILE__, __LINE__);
            acquired = true;
            OsReleaseMutex(m);
        });
    std::this_thread::sleep_for(30ms);
    EXPECT_FALSE(acquired.load());
    int otherResult = 0;
    std::thread([&] { otherResult = OsReleaseMutex(m); }).join();
    EXPECT_LT(otherResult, 0); // a thread that does not own it cannot release it
    EXPECT_EQ(OsReleaseMutex(m), 0);
    std::this_thread::sleep_for(30ms);
    EXPECT_FALSE(acquired.load()); // still held once
    EXPECT_EQ(OsReleaseMutex(m), 0);
    other.join();
    EXPECT_TRUE(acquired.load());
    EXPECT_LT(OsReleaseMutex(m), 0); // not owned any more
    EXPECT_TRUE(OsDeleteMutex(m));
}

TEST_F(OsTest, MutexGuardsSharedStateAcrossThreads)
{
    HOBJ m = OsCreateMutex("counter");
    int counter = 0; // deliberately not atomic: the mutex must serialise it
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(
            [&]
            {
                for (int i = 0; i < 2000; ++i)
                {
                    OsAcquireMutexEx(m, __FILE__, __LINE__);
                    OsAcquireMutexEx(m, __FILE__, __LINE__);
                    ++counter;
                    OsReleaseMutex(m);
                    OsReleaseMutex(m);
                }
            });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(counter, 8000);
    OsDeleteMutex(m);
}

TEST_F(OsTest, HandlesOfOneNameShareTheMutex)
{
    HOBJ a = OsCreateMutex("UlogSvc");
    HOBJ b = OsCreateMutex("UlogSvc");
    ASSERT_NE(a, INVALID_HOBJ);
    ASSERT_NE(b, INVALID_HOBJ);
    EXPECT_NE(a, b);
    ASSERT_EQ(OsAcquireMutexEx(a, __FILE__, __LINE__), 0);
    std::atomic<bool> acquired{false};
    std::thread other(
        [&]
        {
            OsAcquireMutexEx(b, __FILE__, __LINE__);
            acquired = true;
            OsReleaseMutex(b);
        });
    std::this_thread::sleep_for(30ms);
    EXPECT_FALSE(acquired.load());
    OsReleaseMutex(a);
    other.join();
    EXPECT_TRUE(acquired.load());
    // Deleting one handle leaves the other usable.
    EXPECT_TRUE(OsDeleteMutex(a));
    EXPECT_EQ(OsAcquireMutexEx(b, __FILE__, __LINE__), 0);
    EXPECT_EQ(OsReleaseMutex(b), 0);
    EXPECT_LT(OsAcquireMutexEx(a, __FILE__, __LINE__), 0);
    EXPECT_FALSE(OsDeleteMutex(a));
    EXPECT_TRUE(OsDeleteMutex(b));
}

TEST_F(OsTest, CreationFaultGivesInvalidHandleUntilCleared)
{
    UlogCtlFailMutexCreate(TRUE);
    EXPECT_EQ(OsCreateMutex("UlogSvc"), INVALID_HOBJ);
    EXPECT_EQ(OsCreateMutex("UlogSvc"), INVALID_HOBJ);
    UlogCtlFailMutexCreate(FALSE);
    HOBJ m = OsCreateMutex("UlogSvc");
    EXPECT_NE(m, INVALID_HOBJ);
    UlogCtlFailMutexCreate(TRUE);
    ASSERT_TRUE(UlogCtlReset(m_root.c_str())); // reset clears the fault and the mutexes
    EXPECT_NE(OsCreateMutex("UlogSvc"), INVALID_HOBJ);
    EXPECT_LT(OsAcquireMutexEx(m, __FILE__, __LINE__), 0);
    EXPECT_LT(OsAcquireMutexEx(INVALID_HOBJ, __FILE__, __LINE__), 0);
    EXPECT_LT(OsReleaseMutex(INVALID_HOBJ), 0);
    EXPECT_FALSE(OsDeleteMutex(INVALID_HOBJ));
}

} // namespace
