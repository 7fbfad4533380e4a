// Call times: totals per direction, kind and line, last durations, life time, resets.
#include "UlogSvcAccountMgr/AccountTestUtil.h"

#include "UlogSvcLogMgr/CUlogMsgLog.h"

#include <thread>
#include <vector>

using namespace accounttest;

namespace
{
using AccountCallTest = AccountTest;

struct CallCase
{
    UlogLogType iLogType;
    UlogCallType iCallType;
    UlogLineType iLineType;
    const char* pszSection; // where the duration must be added
    const char* pszKey;
};

class CallSlotTest : public AccountTest, public ::testing::WithParamInterface<CallCase>
{
};

TEST_P(CallSlotTest, EachKindAndLineAddsToItsOwnTotal)
{
    const CallCase& c = GetParam();
    ulogtest::ReplaceFile(m_root + "/Ulog.ini", "[Version]\nVersion=6\n[TrminatedLog]\nVideo2TotalTime=99\n");
    Load();

    ASSERT_TRUE(m_pMgr->WriteCallTime(MakeCall(c.iLogType, c.iCallType, c.iLineType, 61)));
    // Read back by its kind (call type 2 is asked for as voice) on its line: video totals on any line.
    EXPECT_EQ(UlogGetTotalCallTime(c.iLogType,
                                   c.iCallType == ULOG_CALL_TYPE_2 ? ULOG_CALL_VOICE : c.iCallType,
                                   c.iLineType == ULOG_LINE_1 ? ULOG_LINE_1 : ULOG_LINE_2),
              61u);
    // Nothing else moved (keys of the direction that was not written are still missing: 0).
    for (const char* section : {"OriginatedLog", "TerminatedLog"})
        for (const std::string key : kTotalKeys)
            EXPECT_EQ(UlogIni(section, key).value_or(0),
                      section == std::string(c.pszSection) && key == c.pszKey ? 61 : 0)
                << section << "/" << key;
    // The received video line-2 total lives in its own section, is never added to and keeps what it held.
    EXPECT_FALSE(UlogIni("TerminatedLog", "Video2TotalTime").has_value());
    EXPECT_EQ(UlogIni("TrminatedLog", "Video2TotalTime"), 99);
    EXPECT_EQ(UlogIni("LastLog", "LastCallTime"), 61);
    EXPECT_EQ(UlogGetLifeTime(), 61u);
    EXPECT_EQ(NvGetInt(459), 61);
}

INSTANTIATE_TEST_SUITE_P(
    Slots, CallSlotTest,
    ::testing::Values(
        CallCase{ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1, "OriginatedLog", "Voice1TotalTime"},
        CallCase{ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_2, "OriginatedLog", "Voice2TotalTime"},
        CallCase{ULOG_LOG_ORIGINATED, ULOG_CALL_TYPE_2, ULOG_LINE_1, "OriginatedLog", "Voice1TotalTime"},
        CallCase{ULOG_LOG_ORIGINATED, ULOG_CALL_VIDEO, ULOG_LINE_1, "OriginatedLog", "Video1TotalTime"},
        CallCase{ULOG_LOG_ORIGINATED, ULOG_CALL_VIDEO, ULOG_LINE_2, "OriginatedLog", "Video1TotalTime"},
        CallCase{ULOG_LOG_ORIGINATED, ULOG_CALL_CSD, ULOG_LINE_1, "OriginatedLog", "CSD1TotalTime"},
        CallCase{ULOG_LOG_ORIGINATED, ULOG_CALL_CSD, ULOG_LINE_2, "OriginatedLog", "CSD2TotalTime"},
        CallCase{ULOG_LOG_TERMINATED, ULOG_CALL_VOICE, ULOG_LINE_1, "TerminatedLog", "Voice1TotalTime"},
        CallCase{ULOG_LOG_TERMINATED, ULOG_CALL_VOICE, ULOG_LINE_2, "TerminatedLog", "Voice2TotalTime"},
        CallCase{ULOG_LOG_TERMINATED, ULOG_CALL_TYPE_2, ULOG_LINE_2, "TerminatedLog", "Voice2TotalTime"},
        CallCase{ULOG_LOG_TERMINATED, ULOG_CALL_VIDEO, ULOG_LINE_1, "TerminatedLog", "Video1TotalTime"},
        CallCase{ULOG_LOG_TERMINATED, ULOG_CALL_VIDEO, ULOG_LINE_2, "TerminatedLog", "Video1TotalTime"},
        CallCase{ULOG_LOG_TERMINATED, ULOG_CALL_CSD, ULOG_LINE_1, "TerminatedLog", "CSD1TotalTime"},
        // Any line other than line 1 counts as line 2.
        CallCase{ULOG_LOG_TERMINATED, ULOG_CALL_CSD, ULOG_LINE_NONE, "TerminatedLog", "CSD2TotalTime"}));

// The last durations, step by step: each call sets the last call's and its kind's; a missed call
// rewrites the keys of its kind from the duration in memory (the last one) and counts nothing.
TEST_F(AccountCallTest, LastDurationsFollowTheCallKind)
{
    struct Step
    {
        UlogLogType iLogType;
        UlogCallType iCallType;
        unsigned int nSeconds;
        unsigned int voice, video, last; // the three last durations after the call
    };
    const Step steps[] = {{ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, 60, 60, 0, 60},
                          {ULOG_LOG_TERMINATED, ULOG_CALL_VIDEO, 30, 60, 30, 30},
                          {ULOG_LOG_TERMINATED, ULOG_CALL_TYPE_2, 12, 12, 30, 12},
                          {ULOG_LOG_ORIGINATED, ULOG_CALL_CSD, 20, 12, 30, 20},
                          {ULOG_LOG_MISSED, ULOG_CALL_VIDEO, 500, 12, 20, 20}};
    Load();
    for (const Step& s : steps)
    {
        ASSERT_TRUE(m_pMgr->WriteCallTime(MakeCall(s.iLogType, s.iCallType, ULOG_LINE_1, s.nSeconds)));
        EXPECT_EQ((std::vector<unsigned>{UlogGetLastVoiceCallTime(), UlogGetLastVideoCallTime(),
                                         UlogGetLastCallTime()}),
                  (std::vector<unsigned>{s.voice, s.video, s.last}))
            << s.iLogType << "/" << s.iCallType;
    }
    EXPECT_TRUE(UlogCtlDiagnosticsContain("WriteCallTime: GetCallType (3)!!!"));
    EXPECT_EQ(UlogIni("LastLog", "LastCallTime"), 20);
    EXPECT_EQ(UlogIni("LastLog", "VideoLastTime"), 20);
    // The missed call counted nothing.
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_TERMINATED, ULOG_CALL_VIDEO, ULOG_LINE_1), 30u);
    EXPECT_EQ(UlogIni("MissedLog", "Video1TotalTime"), 0);
    EXPECT_EQ(UlogGetLifeTime(), 122u);
    EXPECT_FALSE(m_pMgr->WriteTotalCallTime(ULOG_LOG_MISSED, TRUE));
    EXPECT_TRUE(m_pMgr->__LoadCallTime(ULOG_LOG_MISSED));
    EXPECT_FALSE(m_pMgr->__LoadCallTime(ULOG_LOG_MSG_SENT));

    // Resets clear the key and the shared in-memory duration, which the keys are then rewritten with.
    EXPECT_TRUE(UlogResetLastVideoCallTime());
    EXPECT_EQ(UlogGetLastVideoCallTime(), 0u);
    EXPECT_EQ(UlogIni("LastLog", "VideoLastTime"), 0);
    EXPECT_EQ(UlogGetLastCallTime(), 20u);
    EXPECT_TRUE(m_pMgr->WriteLastCallTime());
    EXPECT_EQ(UlogGetLastCallTime(), 0u);
    ASSERT_TRUE(m_pMgr->WriteCallTime(MakeCall(ULOG_LOG_MISSED, ULOG_CALL_VOICE, ULOG_LINE_1, 9)));
    EXPECT_EQ(UlogIni("LastLog", "VoiceLastTime"), 0);
}

TEST_F(AccountCallTest, LogsThatAreNotCallsAndCallsEndingBeforeTheyStartedCountNothing)
{
    Load();
    CUlogMsgLog msg;
    msg.SetLogType(ULOG_LOG_MSG_SENT);
    msg.SetStartTime(100);
    msg.SetEndTime(200);
    EXPECT_TRUE(m_pMgr->WriteCallTime(msg));
    EXPECT_TRUE(m_pMgr->AddCallTime(msg));
    CUlogCallLog call = MakeCall(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1, 0);
    call.SetEndTime(kCallStart - 10);
    ASSERT_TRUE(m_pMgr->WriteCallTime(call));
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1), 0u);
    EXPECT_EQ(UlogIni("OriginatedLog", "Voice1TotalTime"), 0);
    EXPECT_EQ(UlogGetLastCallTime(), 0u);
    EXPECT_EQ(UlogGetLifeTime(), 0u);
    EXPECT_EQ(NvGetInt(459), 0);
}

TEST_F(AccountCallTest, ResetOfATotalIsInMemoryUntilTheNextWrite)
{
    Load();
    m_pMgr->WriteCallTime(MakeCall(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1, 40));
    m_pMgr->WriteCallTime(MakeCall(ULOG_LOG_TERMINATED, ULOG_CALL_VOICE, ULOG_LINE_1, 8));

    EXPECT_TRUE(UlogResetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1));
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1), 0u);
    EXPECT_EQ(UlogIni("OriginatedLog", "Voice1TotalTime"), 40);
    // A call of the other direction does not write this one.
    m_pMgr->WriteCallTime(MakeCall(ULOG_LOG_TERMINATED, ULOG_CALL_VOICE, ULOG_LINE_1, 2));
    EXPECT_EQ(UlogIni("OriginatedLog", "Voice1TotalTime"), 40);
    m_pMgr->WriteCallTime(MakeCall(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1, 10));
    EXPECT_EQ(UlogIni("OriginatedLog", "Voice1TotalTime"), 10);

    EXPECT_TRUE(UlogResetTotalCallTime(ULOG_LOG_TERMINATED, ULOG_CALL_VOICE, ULOG_LINE_1));
    EXPECT_EQ(UlogIni("TerminatedLog", "Voice1TotalTime"), 10);
    EXPECT_TRUE(m_pMgr->WriteTotalCallTime());
    EXPECT_EQ(UlogIni("TerminatedLog", "Voice1TotalTime"), 0);
    // Resetting the totals leaves the life time alone.
    EXPECT_EQ(UlogGetLifeTime(), 60u);
}

TEST_F(AccountCallTest, SlotsThatDoNotExistAreReportedWithTheOffendingArgument)
{
    Load();
    m_pMgr->WriteCallTime(MakeCall(ULOG_LOG_ORIGINATED, ULOG_CALL_TYPE_2, ULOG_LINE_1, 30));
    UlogCtlClearDiagnostics();
    // Call type 2 is counted as voice but cannot be asked for by itself.
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_TYPE_2, ULOG_LINE_1), 0u);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("ASSERTION_NEVER_GET_HERE"));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("UlogGetTotalCallTime: iCallType (2)"));
    EXPECT_FALSE(UlogResetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, static_cast<UlogLineType>(2)));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("UlogResetTotalCallTime: iLineType (2)"));
    EXPECT_FALSE(UlogResetTotalCallTime(ULOG_LOG_MISSED, ULOG_CALL_VOICE, ULOG_LINE_1));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("UlogResetTotalCallTime: iLogType (2)"));
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_EMAIL_SENT, ULOG_CALL_CSD, ULOG_LINE_1), 0u);
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_TYPE_NONE, ULOG_LINE_1), 0u);
    EXPECT_EQ(UlogCtlGetAssertCount(), 5);
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1), 30u);
}

TEST_F(AccountCallTest, LifeTimeIsAddedSetAndKeptInTheNonVolatileItem)
{
    Load();
    EXPECT_TRUE(UlogAddLifeTime(100));
    EXPECT_TRUE(UlogAddLifeTime(23));
    EXPECT_EQ(UlogGetLifeTime(), 123u);
    EXPECT_EQ(UlogIni("LastLog", "LifeTime"), 123);
    EXPECT_EQ(NvGetInt(459), 123);
    // Setting does not touch the non-volatile item; the next addition copies the set value there.
    EXPECT_TRUE(UlogSetLifeTime(500));
    EXPECT_EQ(UlogGetLifeTime(), 500u);
    EXPECT_EQ(UlogIni("LastLog", "LifeTime"), 500);
    EXPECT_EQ(NvGetInt(459), 123);
    ASSERT_TRUE(UlogAddLifeTime(5));
    EXPECT_EQ(NvGetInt(459), 505);
    EXPECT_EQ(UlogIni("LastLog", "LifeTime"), 505);
    // Then additions add to the item again.
    UlogCtlSetNvInt(459, 1000);
    ASSERT_TRUE(UlogAddLifeTime(1));
    EXPECT_EQ(NvGetInt(459), 1001);
    EXPECT_EQ(UlogIni("LastLog", "LifeTime"), 506);
    ASSERT_TRUE(m_pMgr->SetLifeTime(9, FALSE));
    EXPECT_EQ(UlogIni("LastLog", "LifeTime"), 506);
    ASSERT_TRUE(m_pMgr->LoadLifeTime());
    EXPECT_EQ(UlogGetLifeTime(), 9u);
}

TEST_F(AccountCallTest, TestSimCountsTotalsButNoLifeTime)
{
    ASSERT_TRUE(UlogCtlSetSim(0, "001", "01", 0));
    UlogCtlSetNvInt(459, 300);
    Load();
    UlogCtlClearDiagnostics();
    ASSERT_TRUE(m_pMgr->WriteCallTime(MakeCall(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1, 90)));
    EXPECT_EQ(UlogIni("OriginatedLog", "Voice1TotalTime"), 90);
    EXPECT_EQ(UlogGetLastCallTime(), 90u);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("AddLifeTime: This is test SIM so return FALSE"));
    EXPECT_FALSE(UlogAddLifeTime(10));
    EXPECT_EQ(UlogGetLifeTime(), 300u);
    EXPECT_EQ(UlogIni("LastLog", "LifeTime"), 300);
    EXPECT_EQ(NvGetInt(459), 300);
    // Another SIM counts again.
    ASSERT_TRUE(UlogCtlSetSim(0, "450", "05", 0));
    EXPECT_TRUE(UlogAddLifeTime(10));
    EXPECT_EQ(UlogGetLifeTime(), 310u);
}

// Before the named mutex exists (the service started, with it: the concurrent test).
TEST_F(AccountCallTest, CallsFromSeveralTasksBeforeTheNamedMutexExistsAreAllCounted)
{
    Load();
    std::vector<std::thread> threads;
    for (const UlogLogType iLogType :
         {ULOG_LOG_ORIGINATED, ULOG_LOG_TERMINATED, ULOG_LOG_ORIGINATED, ULOG_LOG_TERMINATED})
        threads.emplace_back(
            [this, iLogType]
            {
                for (int i = 0; i < 5; ++i)
                {
                    m_pMgr->WriteCallTime(MakeCall(iLogType, ULOG_CALL_VOICE, ULOG_LINE_1, 2));
                    UlogGetTotalCallTime(iLogType, ULOG_CALL_VOICE, ULOG_LINE_1);
                }
            });
    for (std::thread& th : threads)
        th.join();
    // Two tasks of five 2-second calls in each direction.
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1), 20u);
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_TERMINATED, ULOG_CALL_VOICE, ULOG_LINE_1), 20u);
    EXPECT_EQ(UlogIni("OriginatedLog", "Voice1TotalTime"), 20);
    EXPECT_EQ(UlogIni("TerminatedLog", "Voice1TotalTime"), 20);
    EXPECT_EQ(UlogGetLifeTime(), 40u);
    EXPECT_EQ(NvGetInt(459), 40);
}
} // namespace
