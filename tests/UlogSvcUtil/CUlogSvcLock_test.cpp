// The scoped lock over any lockable, and over the service mutex across threads.
#include "support/PlatformFixture.h"

#include "UlogSvcUtil/CUlogSvcLock.h"
#include "UlogSvcUtil/CUlogSvcMutex.h"
#include "control/PlatformControl.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace
{
using namespace std::chrono_literals;

class RecordingLockable : public IUlogSvcLockable
{
public:
    explicit RecordingLockable(BOOL result) : m_result(result) {}
    BOOL Lock() override
    {
        m_trace += "L";
        return m_result;
    }
    BOOL Release() override
    {
        m_trace += "R";
        return m_result;
    }
    std::string m_trace;

private:
    BOOL m_result;
};

class CUlogSvcLockTest : public ulogtest::PlatformTest
{
protected:
    void TearDown() override
    {
        CUlogSvcMutex::m_hMutex = INVALID_HOBJ;
        ulogtest::PlatformTest::TearDown();
    }
};

TEST_F(CUlogSvcLockTest, LocksForTheScopeAndReleasesAtItsEnd)
{
    RecordingLockable lockable(TRUE);
    {
        CUlogSvcLock lock(lockable);
        EXPECT_EQ(lockable.m_trace, "L");
        {
            CUlogSvcLock inner(lockable);
            EXPECT_EQ(lockable.m_trace, "LL");
        }
        EXPECT_EQ(lockable.m_trace, "LLR");
    }
    EXPECT_EQ(lockable.m_trace, "LLRR");
}

TEST_F(CUlogSvcLockTest, AFailedLockIsStillPairedWithARelease)
{
    RecordingLockable lockable(FALSE);
    {
        CUlogSvcLock lock(lockable);
    }
    EXPECT_EQ(lockable.m_trace, "LR");
}

TEST_F(CUlogSvcLockTest, ServiceLockExcludesOtherThreadsAndNestsInTheOwner)
{
    ASSERT_TRUE(CUlogSvcMutex::Create("UlogSvc"));
    std::atomic<bool> entered{false};
    std::thread other;
    {
        CUlogSvcMutex mutex;
        CUlogSvcLock lock(mutex);
        {
            CUlogSvcMutex again; // another object, the same class-wide mutex, the same owner
            CUlogSvcLock nested(again);
        }
        other = std::thread(
            [&]
            {
                CUlogSvcMutex m;
                CUlogSvcLock l(m);
                entered = true;
            });
        std::this_thread::sleep_for(30ms);
        EXPECT_FALSE(entered.load()); // still held once after the nested scope ended
    }
    other.join();
    EXPECT_TRUE(entered.load());
    EXPECT_TRUE(CUlogSvcMutex::Delete());
}

TEST_F(CUlogSvcLockTest, LockOnAMutexNeverCreatedHasNoEffect)
{
    ASSERT_EQ(CUlogSvcMutex::m_hMutex, INVALID_HOBJ);
    {
        CUlogSvcMutex mutex;
        CUlogSvcLock lock(mutex);
    }
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcMutex::Lock: m_hMutex is invalid.\n"));
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);
}
} // namespace
