// SIM queries of CUlogSvcUtil and their exported wrappers.
#include "support/PlatformFixture.h"

#include "UlogSvcUtil/CUlogSvcUtil.h"
#include "control/PlatformControl.h"

namespace
{
using NumberSimTest = ulogtest::PlatformTest;

TEST_F(NumberSimTest, CountryAndNetworkCodesAreDecimalAndTheTestSimIsOneOne)
{
    // The handset starts with a SIM of country 450, network 05.
    EXPECT_EQ(CUlogSvcUtil::GetMcc(), 450);
    EXPECT_EQ(CUlogSvcUtil::GetMnc(), 5);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcUtil::GetMcc: mcc (0x1c2)!! pImsiInfo->mcc (450)"));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcUtil::GetMnc: mnc (0x5)!! pImsiInfo->mnc (05)"));

    ASSERT_TRUE(UlogCtlSetSim(1, "454", "123", 0));
    EXPECT_EQ(UlogGetMcc(), 454);
    EXPECT_EQ(UlogGetMnc(), 123);
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);

    // The test SIM is country 1, network 1.
    EXPECT_FALSE(CUlogSvcUtil::IsTestSim());
    ASSERT_TRUE(UlogCtlSetSim(0, "001", "01", 0));
    EXPECT_TRUE(CUlogSvcUtil::IsTestSim());
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcUtil::IsTestSim: bTestSim (1) mcc (0x1) mnc (0x1)"));
    ASSERT_TRUE(UlogCtlSetSim(0, "001", "02", 0));
    EXPECT_FALSE(CUlogSvcUtil::IsTestSim());
    ASSERT_TRUE(UlogCtlSetSim(0, "002", "01", 0));
    EXPECT_FALSE(CUlogSvcUtil::IsTestSim());
    ASSERT_TRUE(UlogCtlSetSim(0, "1", "1", 0));
    EXPECT_TRUE(CUlogSvcUtil::IsTestSim());
}

TEST_F(NumberSimTest, WithoutSimCodesAreZeroAndComparisonStillWorks)
{
    UlogCtlRemoveSim();
    EXPECT_EQ(CUlogSvcUtil::GetMcc(), 0);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pImsiInfo != NULL"));
    EXPECT_EQ(UlogGetMnc(), 0);
    EXPECT_EQ(UlogCtlGetAssertCount(), 2);
    EXPECT_FALSE(CUlogSvcUtil::IsTestSim());

    EXPECT_TRUE(UlogStrCmp("0212345678", "+82212345678"));
    EXPECT_FALSE(UlogStrCmp("0212345678", "0212345679"));
    char basic[81] = {};
    EXPECT_TRUE(CUlogSvcUtil::ExtractBasicNum("+85291234567", basic, 0));
    EXPECT_STREQ(basic, "91234567");
    EXPECT_FALSE(UlogIsAcmValid());
}

TEST_F(NumberSimTest, AdviceOfChargeFollowsTheCardsServiceTable)
{
    EXPECT_FALSE(CUlogSvcUtil::IsAcmValid()); // the default SIM has none

    ASSERT_TRUE(UlogCtlSetSim(0, "450", "05", ULOG_CTL_SIM_SERVICE_AOC));
    EXPECT_TRUE(CUlogSvcUtil::IsAcmValid());
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcUtil::IsAcmValid: SIM_CARD_TYPE_GSM!!"));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcUtil::IsAcmValid: bIsAcmValid (1)!!"));

    ASSERT_TRUE(UlogCtlSetSim(1, "450", "05", ULOG_CTL_SIM_SERVICE_AOC));
    EXPECT_TRUE(UlogIsAcmValid());
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcUtil::IsAcmValid: SIM_CARD_TYPE_USIM!!"));
    ASSERT_TRUE(UlogCtlSetSim(1, "450", "05", 0));
    EXPECT_FALSE(UlogIsAcmValid());
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);

    // A card of unknown type, or a table that cannot be read, has no advice of charge.
    ASSERT_TRUE(UlogCtlSetSim(7, "450", "05", ULOG_CTL_SIM_SERVICE_AOC));
    EXPECT_FALSE(CUlogSvcUtil::IsAcmValid());
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcUtil::IsAcmValid: SimGetCardType unknown sim type!!"));
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);
    ASSERT_TRUE(UlogCtlSetSim(0, "450", "05", ULOG_CTL_SIM_SERVICE_AOC | ULOG_CTL_SIM_TABLE_UNREADABLE));
    EXPECT_FALSE(CUlogSvcUtil::IsAcmValid());
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pSstInfo != NULL"));
    ASSERT_TRUE(UlogCtlSetSim(1, "450", "05", ULOG_CTL_SIM_SERVICE_AOC | ULOG_CTL_SIM_TABLE_UNREADABLE));
    EXPECT_FALSE(CUlogSvcUtil::IsAcmValid());
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pUstInfo != NULL"));
    EXPECT_EQ(UlogCtlGetAssertCount(), 2);
}

} // namespace
