// The service's three named mutexes (creation, deletion, lock and release, and their diagnostics) and the
// scoped lock.
#include "support/PlatformFixture.h"

#include "UlogSvcUtil/CUlogSvcLock.h"
#include "UlogSvcUtil/CUlogSvcMutex.h"
#include "control/PlatformControl.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace
{
using namespace std::chrono_literals;

class CUlogSvcMutexTest : public ulogtest::PlatformTest
{
protected:
    // The platform reset after each test drops the mutexes themselves.
    void SetUp() override
    {
        ulogtest::PlatformTest::SetUp();
        ResetHandles();
    }
    void TearDown() override
    {
        ResetHandles();
        ulogtest::PlatformTest::TearDown();
    }
    static void ResetHandles()
    {
        CUlogSvcMutex::m_hMutex = CUlogSvcAccountMutex::m_hAccountMutex =
            CUlogSvcObserverMutex::m_hObserverMutex = INVALID_HOBJ;
    }
};

// Each class with its handle, the head of its texts, and whether a lock without the mutex says so.
template <class M, HOBJ& handle, const char* texts, bool bLockReported> struct Kind
{
    using Mutex = M;
    static HOBJ& Handle() { return handle; }
    static constexpr const char* kTexts = texts;
    static constexpr bool kLockReported = bLockReported;
};
constexpr char kSvcTexts[] = "CUlogSvcMutex::%s: m_hMutex";
constexpr char kAccountTexts[] = "CUlogSvcAccountMutex::%s: m_hAccountMutex";
constexpr char kObserverTexts[] = "CUlogSvcObserverMutex::%s: m_hObserverMutex";

template <class K> class MutexKindTest : public CUlogSvcMutexTest
{
protected:
    // The class's text of the operation, followed by the rest.
    static bool Said(const char* pszOperation, const std::string& rest)
    {
        char szHead[96];
        std::snprintf(szHead, sizeof szHead, K::kTexts, pszOperation);
        return UlogCtlDiagnosticsContain((szHead + rest).c_str()) == TRUE;
    }
};
using MutexKinds = ::testing::Types<
    Kind<CUlogSvcMutex, CUlogSvcMutex::m_hMutex, kSvcTexts, true>,
    Kind<CUlogSvcAccountMutex, CUlogSvcAccountMutex::m_hAccountMutex, kAccountTexts, false>,
    Kind<CUlogSvcObserverMutex, CUlogSvcObserverMutex::m_hObserverMutex, kObserverTexts, false>>;
TYPED_TEST_SUITE(MutexKindTest, MutexKinds);

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
} // namespace

TYPED_TEST(MutexKindTest, CreateLockReleaseAndDeleteOnce)
{
    using M = typename TypeParam::Mutex;
    M a, b;
    // Before the mutex exists, locks fail: the service lock says so, the other two silently.
    UlogCtlClearDiagnostics();
    EXPECT_FALSE(a.Lock());
    EXPECT_FALSE(a.Release());
    EXPECT_EQ(UlogCtlGetDiagnosticCount(), TypeParam::kLockReported ? 1 : 0);
    EXPECT_EQ(this->Said("Lock", " is invalid.\n"), TypeParam::kLockReported);

    ASSERT_TRUE(M::Create("UlogSvcTest"));
    const HOBJ h = TypeParam::Handle();
    ASSERT_NE(h, INVALID_HOBJ);
    EXPECT_TRUE(this->Said("Create", "(" + std::to_string(h) + ")"));
    // A bad name is refused and the handle kept.
    EXPECT_FALSE(M::Create(""));
    EXPECT_FALSE(M::Create(nullptr));
    EXPECT_EQ(UlogCtlGetAssertCount(), 2);
    EXPECT_EQ(TypeParam::Handle(), h);

    EXPECT_TRUE(a.Lock());
    EXPECT_TRUE(b.Lock()); // same owner takes it again
    EXPECT_TRUE(b.Release());
    EXPECT_TRUE(a.Release());
    EXPECT_TRUE(M::Delete());
    EXPECT_EQ(TypeParam::Handle(), INVALID_HOBJ);
    EXPECT_FALSE(a.Lock());
    // A second delete fails and says which mutex.
    EXPECT_FALSE(M::Delete());
    EXPECT_TRUE(this->Said("Delete", " == INVALID_HOBJ\n"));

    UlogCtlFailMutexCreate(TRUE);
    EXPECT_FALSE(M::Create("UlogSvcTest"));
    EXPECT_TRUE(this->Said("Create", " == INVALID_HOBJ\n"));
    EXPECT_EQ(TypeParam::Handle(), INVALID_HOBJ);
}

TEST_F(CUlogSvcMutexTest, TheThreeClassesAreIndependentLocks)
{
    ASSERT_TRUE(CUlogSvcMutex::Create("UlogSvc"));
    ASSERT_TRUE(CUlogSvcAccountMutex::Create("UlogSvcAccount"));
    ASSERT_TRUE(CUlogSvcObserverMutex::Create("UlogSvcObserver"));
    CUlogSvcMutex svc;
    ASSERT_TRUE(svc.Lock());
    std::atomic<int> got{0};
    std::thread other(
        [&]
        {
            CUlogSvcAccountMutex account;
            CUlogSvcObserverMutex observer;
            got += account.Lock() + observer.Lock();
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
