// The emulated SIM of the telephony library and its control.
#include "support/PlatformFixture.h"

#include "KivCommTAPI/KivCommTAPI.h"
#include "control/PlatformControl.h"

#include <string>
#include <thread>

namespace
{
using SimTest = ulogtest::PlatformTest;

// The SIM as the telephony library shows it: card type, country and network codes, and the advice of
// charge of its two service tables ("-" for a record it does not give).
std::string Sim()
{
    const SimImsiInfo* imsi = SimGetImsiInfo();
    const SimSstInfo* sst = SimGetSstInfo();
    const SimUstInfo* ust = SimGetUstInfo();
    const int nType = SimGetCardType();
    return (nType == SIM_CARD_TYPE_GSM    ? "GSM "
            : nType == SIM_CARD_TYPE_USIM ? "USIM "
            : nType == SIM_CARD_TYPE_NONE ? "none "
                                          : "? ") +
           (imsi ? std::string(imsi->mcc) + "-" + imsi->mnc : "-") + " aoc " +
           (sst ? std::to_string(sst->bAoc) : "-") + "/" + (ust ? std::to_string(ust->bAoc) : "-");
}

TEST_F(SimTest, HandsetStartsWithAGsmSimWithoutAdviceOfCharge)
{
    EXPECT_EQ(Sim(), "GSM 450-05 aoc 0/0");
}

TEST_F(SimTest, ControlSetsAndRemovesTheSim)
{
    ASSERT_TRUE(UlogCtlSetSim(SIM_CARD_TYPE_USIM, "454", "123", ULOG_CTL_SIM_SERVICE_AOC));
    EXPECT_EQ(Sim(), "USIM 454-123 aoc 1/1");
    ASSERT_TRUE(UlogCtlSetSim(SIM_CARD_TYPE_GSM, "001", "01", ULOG_CTL_SIM_TABLE_UNREADABLE));
    EXPECT_EQ(Sim(), "GSM 001-01 aoc -/-");
    UlogCtlRemoveSim();
    EXPECT_EQ(Sim(), "none - aoc -/-");
    // A reset of the platform puts the default SIM back.
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_EQ(Sim(), "GSM 450-05 aoc 0/0");
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
    EXPECT_EQ(Sim(), "GSM 454-00 aoc 0/0");
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
