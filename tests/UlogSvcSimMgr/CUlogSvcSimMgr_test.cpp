// The advice-of-charge store.
#include "support/PlatformFixture.h"

#include "UlogSvcSimMgr/CUlogSvcSimMgr.h"
#include "UlogSvcUtil/CUlogSvcMutex.h"
#include "control/PlatformControl.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

namespace
{
// Meter 120 of 5000, "EUR", 5 x 10^-1 per unit.
const UlogAocInfo kEuro = {{120}, {5000}, 3, "EUR", 5, 1, 1, 0.5f};

bool SameBytes(const UlogAocInfo& a, const UlogAocInfo& b)
{
    return std::memcmp(&a, &b, sizeof(UlogAocInfo)) == 0;
}

UlogAocInfo Stored()
{
    UlogAocInfo out;
    std::memset(&out, 0x11, sizeof(out));
    EXPECT_TRUE(CUlogSvcSimMgr::Instance()->GetAocInfo(&out));
    return out;
}

using SimMgrTest = ulogtest::PlatformTest;

// Runs in a fresh process, so that no other test has filled the store yet.
TEST_F(SimMgrTest, StoreIsEmptyUntilSet)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            UlogAocInfo out;
            std::memset(&out, 0x7F, sizeof(out));
            std::exit(CUlogSvcSimMgr::Instance()->GetAocInfo(&out) && SameBytes(out, UlogAocInfo{}) ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(SimMgrTest, RecordRoundTripsByteForByteAndNullIsRefused)
{
    ASSERT_TRUE(CUlogSvcSimMgr::Instance()->SetAocInfo(&kEuro));
    EXPECT_TRUE(SameBytes(Stored(), kEuro));

    // The exported entry of the telephony side fills the same store.
    const UlogAocInfo other = {{120}, {42}, 3, "KRW", 5, 1, 1, 0.5f};
    ASSERT_TRUE(SetAocInfo(&other));
    EXPECT_TRUE(SameBytes(Stored(), other));
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);

    // A currency code without a terminator in its field is stored and printed safely.
    const UlogAocInfo unterminated = {{120}, {5000}, 4, {'A', 'B', 'C', 'D'}, 5, 1, 1, 0.5f};
    ASSERT_TRUE(CUlogSvcSimMgr::Instance()->SetAocInfo(&unterminated));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("currencyCode (ABCD) currencyCodeLen (4)"));
    // A null record is refused and changes nothing.
    EXPECT_FALSE(CUlogSvcSimMgr::Instance()->SetAocInfo(nullptr));
    EXPECT_FALSE(SetAocInfo(nullptr));
    EXPECT_FALSE(CUlogSvcSimMgr::Instance()->GetAocInfo(nullptr));
    EXPECT_EQ(UlogCtlGetAssertCount(), 3);
    EXPECT_TRUE(SameBytes(Stored(), unterminated));
}

TEST_F(SimMgrTest, ConcurrentReadersNeverSeeAMixedRecord)
{
    UlogCtlCaptureDiagnostics(FALSE);
    UlogAocInfo b;
    std::memset(&b, 0x3C, sizeof(b));
    b.currencyCode[3] = '\0';
    ASSERT_TRUE(CUlogSvcSimMgr::Instance()->SetAocInfo(&kEuro));
    std::atomic<bool> stop{false};
    std::thread writer(
        [&]
        {
            for (int i = 0; i < 20000 && !stop; ++i)
                CUlogSvcSimMgr::Instance()->SetAocInfo((i & 1) != 0 ? &kEuro : &b);
        });
    int mixed = 0;
    for (int i = 0; i < 20000; ++i)
    {
        const UlogAocInfo out = Stored();
        mixed += !SameBytes(out, kEuro) && !SameBytes(out, b);
    }
    stop = true;
    writer.join();
    EXPECT_EQ(mixed, 0);
}

TEST_F(SimMgrTest, CopiesWaitForTheServiceLock)
{
    ASSERT_TRUE(CUlogSvcMutex::Create("UlogSvc"));
    std::atomic<bool> done{false};
    std::thread setter;
    {
        CUlogSvcMutex mutex;
        CUlogSvcLock lock(mutex);
        setter = std::thread([&] { done = CUlogSvcSimMgr::Instance()->SetAocInfo(&kEuro) == TRUE; });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(done.load()) << "written while the service lock was held";
    }
    setter.join();
    EXPECT_TRUE(done.load());
    EXPECT_TRUE(SameBytes(Stored(), kEuro));
    EXPECT_TRUE(CUlogSvcMutex::Delete());
}
} // namespace
