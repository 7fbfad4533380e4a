// The service's three named mutexes (creation, deletion, lock and release, and their diagnostics) and the
// scoped lock.
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

class CUlogSvcMutexTest : public ulogtest::PlatformTest
{
protected:
    void SetUp() override
    {
        ulogtest::PlatformTest::SetUp();
        ResetHandles();
    }
    void TearDown() override
    {
        ResetHandles(); // the platform reset below drops the mutexes themselves
        ulogtest::PlatformTest::TearDown();
    }
    static void ResetHandles()
    {
        CUlogSvcMutex::m_hMutex = INVALID_HOBJ;
        CUlogSvcAccountMutex::m_hAccountMutex = INVALID_HOBJ;
        CUlogSvcObserverMutex::m_hObserverMutex = INVALID_HOBJ;
    }
};

// Locks taken before their mutex exists fail: the service lock says so, the other two silently.
TEST_F(CUlogSvcMutexTest, LocksBeforeCreateFail)
{
    UlogCtlClearDiagnostics();
    CUlogSvcAccountMutex account;
    CUlogSvcObserverMutex observer;
    EXPECT_FALSE(account.Lock());
    EXPECT_FALSE(account.Release());
    EXPECT_FALSE(observer.Lock());
    EXPECT_FALSE(observer.Release());
    EXPECT_EQ(UlogCtlGetDiagnosticCount(), 0);
    CUlogSvcMutex mutex;
    EXPECT_FALSE(mutex.Lock());
    EXPECT_FALSE(mutex.Release());
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcMutex::Lock: m_hMutex is invalid.\n"));
}

TEST_F(CUlogSvcMutexTest, CreateLockReleaseAndDeleteOnce)
{
    ASSERT_TRUE(CUlogSvcMutex::Create("UlogSvc"));
    HOBJ h = CUlogSvcMutex::m_hMutex;
    ASSERT_NE(h, INVALID_HOBJ);
    EXPECT_TRUE(
        UlogCtlDiagnosticsContain(("CUlogSvcMutex::Create: m_hMutex(" + std::to_string(h) + ")").c_str()));
    CUlogSvcMutex a;
    CUlogSvcMutex b;
    EXPECT_TRUE(a.Lock());
    EXPECT_TRUE(b.Lock()); // same owner takes it again
    EXPECT_TRUE(b.Release());
    EXPECT_TRUE(a.Release());
    EXPECT_TRUE(CUlogSvcMutex::Delete());
    EXPECT_EQ(CUlogSvcMutex::m_hMutex, INVALID_HOBJ);
    EXPECT_FALSE(a.Lock());

    // A second delete fails and says which mutex.
    EXPECT_FALSE(CUlogSvcMutex::Delete());
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcMutex::Delete: m_hMutex == INVALID_HOBJ\n"));
    ASSERT_TRUE(CUlogSvcAccountMutex::Create("UlogSvcAccount"));
    EXPECT_TRUE(CUlogSvcAccountMutex::Delete());
    EXPECT_FALSE(CUlogSvcAccountMutex::Delete());
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcAccountMutex::Delete: m_hAccountMutex == INVALID_HOBJ\n"));
    EXPECT_FALSE(CUlogSvcObserverMutex::Delete());
    EXPECT_TRUE(
        UlogCtlDiagnosticsContain("CUlogSvcObserverMutex::Delete: m_hObserverMutex == INVALID_HOBJ\n"));
}

TEST_F(CUlogSvcMutexTest, CreationRefusesABadNameOrAPlatformFailure)
{
    ASSERT_TRUE(CUlogSvcMutex::Create("UlogSvc"));
    HOBJ h = CUlogSvcMutex::m_hMutex;
    EXPECT_FALSE(CUlogSvcMutex::Create(""));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("AcStrlen(pszName) > 0"));
    EXPECT_FALSE(CUlogSvcMutex::Create(nullptr));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pszName != NULL"));
    EXPECT_EQ(UlogCtlGetAssertCount(), 2);
    EXPECT_EQ(CUlogSvcMutex::m_hMutex, h); // the handle is kept
    CUlogSvcMutex m;
    EXPECT_TRUE(m.Lock());
    EXPECT_TRUE(m.Release());
    ASSERT_TRUE(CUlogSvcMutex::Delete());

    UlogCtlFailMutexCreate(TRUE);
    EXPECT_FALSE(CUlogSvcMutex::Create("UlogSvc"));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcMutex::Create: m_hMutex == INVALID_HOBJ\n"));
    EXPECT_EQ(CUlogSvcMutex::m_hMutex, INVALID_HOBJ);
    EXPECT_FALSE(CUlogSvcAccountMutex::Create("UlogSvcAccount"));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcAccountMutex::Create: m_hAccountMutex == INVALID_HOBJ\n"));
    EXPECT_FALSE(CUlogSvcObserverMutex::Create("Observer"));
    EXPECT_TRUE(
        UlogCtlDiagnosticsContain("CUlogSvcObserverMutex::Create: m_hObserverMutex == INVALID_HOBJ\n"));
}

TEST_F(CUlogSvcMutexTest, TheThreeClassesAreIndependentLocks)
{
    ASSERT_TRUE(CUlogSvcMutex::Create("UlogSvc"));
    ASSERT_TRUE(CUlogSvcAccountMutex::Create("UlogSvcAccount"));
    ASSERT_TRUE(CUlogSvcObserverMutex::Create("UlogSvcObserver"));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcAccountMutex::Create: m_hAccountMutex("));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcObserverMutex::Create: m_hObserverMutex("));
    CUlogSvcMutex svc;
    ASSERT_TRUE(svc.Lock());
    std::atomic<int> got{0};
    std::thread other(
        [&]
        {
            CUlogSvcAccountMutex account;
            CUlogSvcObserverMutex observer;
            if (account.Lock())
                ++got;
            if (observer.Lock())
                ++got;
            account.Release();
            observer.Release();
            CUlogSvcMutex blocked;
            blocked.Lock(); // waits for the test thread
            got += 10;
            blocked.Release();
        });
    for (int i = 0; i < 500 && got.load() < 2; ++i)
        std::this_thread::sleep_for(2ms);
    EXPECT_EQ(got.load(), 2);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(got.load(), 2);
    EXPECT_TRUE(svc.Release());
    other.join();
    EXPECT_EQ(got.load(), 12);
}
// The scoped lock over any lockable: locked for the scope, released at its end, nested, and a failed
// lock still paired with its release.
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

TEST_F(CUlogSvcMutexTest, AScopedLockPairsEveryLockWithARelease)
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

    RecordingLockable failing(FALSE);
    {
        CUlogSvcLock lock(failing);
    }
    EXPECT_EQ(failing.m_trace, "LR");
}
} // namespace
