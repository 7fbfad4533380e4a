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
UlogAocInfo EuroRecord()
{
    UlogAocInfo info;
    std::memset(&info, 0, sizeof(info));
    info.acm.value = 120;
    info.acmMax.value = 5000;
    info.currencyCodeLen = 3;
    std::memcpy(info.currencyCode, "EUR", 4);
    info.eppu = 5;
    info.expSign = 1;
    info.exp = 1;
    info.pricePerUnit = 0.5f;
    return info;
}

bool SameBytes(const UlogAocInfo& a, const UlogAocInfo& b)
{
    return std::memcmp(&a, &b, sizeof(UlogAocInfo)) == 0;
}

using SimMgrTest = ulogtest::PlatformTest;

// Runs in a fresh process, so that no other test has filled the store yet.
TEST_F(SimMgrTest, StoreIsEmptyUntilSet)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            UlogAocInfo info;
            std::memset(&info, 0x7F, sizeof(info));
            const BOOL ok = CUlogSvcSimMgr::Instance()->GetAocInfo(&info);
            UlogAocInfo zero;
            std::memset(&zero, 0, sizeof(zero));
            std::exit(ok == TRUE && SameBytes(info, zero) ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(SimMgrTest, RecordRoundTripsByteForByteAndNullIsRefused)
{
    const UlogAocInfo euro = EuroRecord();
    ASSERT_TRUE(CUlogSvcSimMgr::Instance()->SetAocInfo(&euro));
    UlogAocInfo out;
    std::memset(&out, 0x11, sizeof(out));
    ASSERT_TRUE(CUlogSvcSimMgr::Instance()->GetAocInfo(&out));
    EXPECT_TRUE(SameBytes(out, euro));
    EXPECT_EQ(out.pricePerUnit, 0.5f);
    EXPECT_STREQ(out.currencyCode, "EUR");
    EXPECT_TRUE(
        UlogCtlDiagnosticsContain("CUlogSvcSimMgr::SetAocInfo: currencyCode (EUR) currencyCodeLen (3)"));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcSimMgr::GetAocInfo: acm.value (120) acmMax.value (5000)"));
    EXPECT_TRUE(UlogCtlDiagnosticsContain(
        "CUlogSvcSimMgr::SetAocInfo: eppu (5) expSign (1) exp (1) priceperUnit (0.500000)"));

    // The exported entry of the telephony side fills the same store.
    UlogAocInfo other = euro;
    other.acmMax.value = 42;
    std::memcpy(other.currencyCode, "KRW", 4);
    ASSERT_TRUE(SetAocInfo(&other));
    ASSERT_TRUE(CUlogSvcSimMgr::Instance()->GetAocInfo(&out));
    EXPECT_TRUE(SameBytes(out, other));
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);

    // A currency code without a terminator in its field is stored and printed safely.
    UlogAocInfo unterminated = euro;
    std::memcpy(unterminated.currencyCode, "ABCD", 4);
    unterminated.currencyCodeLen = 4;
    ASSERT_TRUE(CUlogSvcSimMgr::Instance()->SetAocInfo(&unterminated));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("currencyCode (ABCD) currencyCodeLen (4)"));
    // A null record is refused and changes nothing.
    EXPECT_FALSE(CUlogSvcSimMgr::Instance()->SetAocInfo(nullptr));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pInfo != NULL"));
    EXPECT_FALSE(SetAocInfo(nullptr));
    EXPECT_FALSE(CUlogSvcSimMgr::Instance()->GetAocInfo(nullptr));
    EXPECT_EQ(UlogCtlGetAssertCount(), 3);
    ASSERT_TRUE(CUlogSvcSimMgr::Instance()->GetAocInfo(&out));
    EXPECT_TRUE(SameBytes(out, unterminated));
}

TEST_F(SimMgrTest, ConcurrentReadersNeverSeeAMixedRecord)
{
    UlogCtlCaptureDiagnostics(FALSE);
    UlogAocInfo a = EuroRecord();
    UlogAocInfo b;
    std::memset(&b, 0x3C, sizeof(b));
    b.currencyCode[3] = '\0';
    ASSERT_TRUE(CUlogSvcSimMgr::Instance()->SetAocInfo(&a));

    std::atomic<bool> stop{false};
    std::thread writer(
        [&]
        {
            for (int i = 0; i < 20000 && !stop; ++i)
                CUlogSvcSimMgr::Instance()->SetAocInfo((i & 1) != 0 ? &a : &b);
        });
    int mixed = 0;
    for (int i = 0; i < 20000; ++i)
    {
        UlogAocInfo out;
        CUlogSvcSimMgr::Instance()->GetAocInfo(&out);
        if (!SameBytes(out, a) && !SameBytes(out, b))
            ++mixed;
    }
    stop = true;
    writer.join();
    EXPECT_EQ(mixed, 0);
}

TEST_F(SimMgrTest, CopiesWaitForTheServiceLock)
{
    ASSERT_TRUE(CUlogSvcMutex::Create("UlogSvc"));
    const UlogAocInfo euro = EuroRecord();
    std::atomic<bool> done{false};
    std::thread setter;
    {
        CUlogSvcMutex mutex;
        CUlogSvcLock lock(mutex);
        setter = std::thread(
            [&]
            {
                CUlogSvcSimMgr::Instance()->SetAocInfo(&euro);
                done = true;
            });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        // Still held here: the store must not have been written yet.
        EXPECT_FALSE(done.load());
    }
    setter.join();
    EXPECT_TRUE(done.load());
    UlogAocInfo out;
    ASSERT_TRUE(CUlogSvcSimMgr::Instance()->GetAocInfo(&out));
    EXPECT_TRUE(SameBytes(out, euro));
    EXPECT_FALSE(UlogCtlDiagnosticsContain("m_hMutex is invalid"));
    EXPECT_TRUE(CUlogSvcMutex::Delete());
}
} // namespace
