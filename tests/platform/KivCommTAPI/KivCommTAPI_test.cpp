// The emulated SIM of the telephony library and its control.
#include "support/PlatformFixture.h"

#include "KivCommTAPI/KivCommTAPI.h"
#include "control/PlatformControl.h"

#include <thread>

namespace
{
using SimTest = ulogtest::PlatformTest;

TEST_F(SimTest, HandsetStartsWithAGsmSimWithoutAdviceOfCharge)
{
    const SimImsiInfo* imsi = SimGetImsiInfo();
    ASSERT_NE(imsi, nullptr);
    EXPECT_STREQ(imsi->mcc, "450");
    EXPECT_STREQ(imsi->mnc, "05");
    EXPECT_EQ(SimGetCardType(), SIM_CARD_TYPE_GSM);
    ASSERT_NE(SimGetSstInfo(), nullptr);
    EXPECT_EQ(SimGetSstInfo()->bAoc, 0);
    ASSERT_NE(SimGetUstInfo(), nullptr);
    EXPECT_EQ(SimGetUstInfo()->bAoc, 0);
}

TEST_F(SimTest, ControlSetsAndRemovesTheSim)
{
    ASSERT_TRUE(UlogCtlSetSim(SIM_CARD_TYPE_USIM, "454", "123", ULOG_CTL_SIM_SERVICE_AOC));
    EXPECT_EQ(SimGetCardType(), SIM_CARD_TYPE_USIM);
    EXPECT_STREQ(SimGetImsiInfo()->mcc, "454");
    EXPECT_STREQ(SimGetImsiInfo()->mnc, "123");
    EXPECT_EQ(SimGetUstInfo()->bAoc, 1);
    EXPECT_EQ(SimGetSstInfo()->bAoc, 1);

    ASSERT_TRUE(UlogCtlSetSim(SIM_CARD_TYPE_GSM, "001", "01", ULOG_CTL_SIM_TABLE_UNREADABLE));
    EXPECT_NE(SimGetImsiInfo(), nullptr);
    EXPECT_EQ(SimGetSstInfo(), nullptr);
    EXPECT_EQ(SimGetUstInfo(), nullptr);

    UlogCtlRemoveSim();
    EXPECT_EQ(SimGetImsiInfo(), nullptr);
    EXPECT_EQ(SimGetSstInfo(), nullptr);
    EXPECT_EQ(SimGetUstInfo(), nullptr);
    EXPECT_EQ(SimGetCardType(), SIM_CARD_TYPE_NONE);

    // A reset of the platform puts the default SIM back.
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    ASSERT_NE(SimGetImsiInfo(), nullptr);
    EXPECT_STREQ(SimGetImsiInfo()->mcc, "450");
}

TEST_F(SimTest, MalformedCodesAreRefusedAndLeaveTheSimAsItWas)
{
    ASSERT_TRUE(UlogCtlSetSim(SIM_CARD_TYPE_GSM, "454", "00", 0));
    EXPECT_FALSE(UlogCtlSetSim(SIM_CARD_TYPE_USIM, nullptr, "01", 0));
    EXPECT_FALSE(UlogCtlSetSim(SIM_CARD_TYPE_USIM, "450", nullptr, 0));
    EXPECT_FALSE(UlogCtlSetSim(SIM_CARD_TYPE_USIM, "", "01", 0));
    EXPECT_FALSE(UlogCtlSetSim(SIM_CARD_TYPE_USIM, "4501", "01", 0));
    EXPECT_FALSE(UlogCtlSetSim(SIM_CARD_TYPE_USIM, "45a", "01", 0));
    EXPECT_FALSE(UlogCtlSetSim(SIM_CARD_TYPE_USIM, "450", "0x1", 0));
    EXPECT_EQ(SimGetCardType(), SIM_CARD_TYPE_GSM);
    EXPECT_STREQ(SimGetImsiInfo()->mcc, "454");
    EXPECT_STREQ(SimGetImsiInfo()->mnc, "00");
}

TEST_F(SimTest, RecordsHandedOutStayStableForTheirThread)
{
    ASSERT_TRUE(UlogCtlSetSim(SIM_CARD_TYPE_GSM, "454", "00", 0));
    const SimImsiInfo* mine = SimGetImsiInfo();
    ASSERT_NE(mine, nullptr);

    // Another thread's query and a SIM change do not disturb the record this thread holds.
    std::thread other(
        []
        {
            ASSERT_TRUE(UlogCtlSetSim(SIM_CARD_TYPE_GSM, "310", "260", 0));
            const SimImsiInfo* theirs = SimGetImsiInfo();
            ASSERT_NE(theirs, nullptr);
            EXPECT_STREQ(theirs->mcc, "310");
        });
    other.join();
    EXPECT_STREQ(mine->mcc, "454");
    EXPECT_STREQ(mine->mnc, "00");
    // The next query sees the new SIM.
    EXPECT_STREQ(SimGetImsiInfo()->mcc, "310");
}
} // namespace
