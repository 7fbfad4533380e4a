// The message and e-mail counters (each on its own key), reset dates, and the stored-log counts file.
#include "UlogSvcAccountMgr/AccountTestUtil.h"

#include "KivAppFrmwk/KivAppFrmwk.h"
#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvcLogMgr/CUlogEmailLog.h"
#include "UlogSvcLogMgr/CUlogMsgLog.h"
#include "control/PlatformControl.h"

#include <array>
#include <functional>

using namespace accounttest;

namespace
{
using AccountCounterTest = AccountTest;

CUlogMsgLog MakeMsg(UlogLogType iLogType, int nMsgLogType)
{
    CUlogMsgLog log;
    log.SetLogType(iLogType);
    CUlogMsgOwnValue own;
    own.SetMsgLogType(nMsgLogType);
    own.SetMsgLogID(17);
    log.SetMsgOwnValue(&own);
    return log;
}

CUlogEmailLog MakeEmail(UlogLogType iLogType)
{
    CUlogEmailLog log;
    log.SetLogType(iLogType);
    return log;
}

// Different counts in every counter (2, 1, 3, 4), so that any two counters mixed up show; text and
// multimedia messages both count.
void CountEach(CUlogSvcAccountMgr* pMgr)
{
    for (int i = 0; i < 4; ++i)
    {
        if (i < 2)
            pMgr->WriteMsgCounter(
                MakeMsg(ULOG_LOG_MSG_SENT, i == 0 ? ULOG_MSG_LOG_TYPE_16 : ULOG_MSG_LOG_TYPE_32));
        if (i < 1)
            pMgr->WriteMsgCounter(MakeMsg(ULOG_LOG_MSG_RECEIVED, ULOG_MSG_LOG_TYPE_32));
        if (i < 3)
            pMgr->WriteEmailCounter(MakeEmail(ULOG_LOG_EMAIL_SENT));
        pMgr->WriteEmailCounter(MakeEmail(ULOG_LOG_EMAIL_RECEIVED));
    }
}

// The four counters in memory and in the file, sent and received messages, then e-mails.
void ExpectCounters(CUlogSvcAccountMgr* pMgr, std::array<int, 4> expected)
{
    EXPECT_EQ((std::array<int, 4>{pMgr->GetSentMsgCounter(), pMgr->GetRcvMsgCounter(),
                                  pMgr->GetSentEmailCounter(), pMgr->GetRcvEmailCounter()}),
              expected);
    EXPECT_EQ(UlogIni("MessageLog", "SentMessage"), expected[0]);
    EXPECT_EQ(UlogIni("MessageLog", "ReceivedMessage"), expected[1]);
    EXPECT_EQ(UlogIni("MessageLog", "SentEmail"), expected[2]);
    EXPECT_EQ(UlogIni("MessageLog", "ReceivedEmail"), expected[3]);
}

TEST_F(AccountCounterTest, EveryCounterCountsItsOwnKindAndDirectionAcrossARestart)
{
    Load();
    CountEach(m_pMgr);
    ExpectCounters(m_pMgr, {2, 1, 3, 4});

    // Other message types, and logs of another kind, are accepted but not counted.
    UlogCtlClearDiagnostics();
    EXPECT_TRUE(m_pMgr->WriteMsgCounter(MakeMsg(ULOG_LOG_MSG_SENT, ULOG_MSG_LOG_TYPE_64)));
    EXPECT_TRUE(m_pMgr->WriteMsgCounter(MakeMsg(ULOG_LOG_MSG_RECEIVED, 0)));
    EXPECT_TRUE(m_pMgr->WriteMsgCounter(MakeMsg(ULOG_LOG_EMAIL_SENT, ULOG_MSG_LOG_TYPE_16)));
    EXPECT_FALSE(UlogCtlDiagnosticsContain("WriteEmailCounter::WriteMsgCounter error"));
    EXPECT_TRUE(m_pMgr->WriteEmailCounter(MakeEmail(ULOG_LOG_MSG_SENT)));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("WriteEmailCounter::WriteMsgCounter error. iLogType: (3)"));
    ExpectCounters(m_pMgr, {2, 1, 3, 4});

    // After a restart every counter goes on from its own stored count.
    Unload();
    Load();
    CountEach(m_pMgr);
    ExpectCounters(m_pMgr, {4, 2, 6, 8});
}

TEST_F(AccountCounterTest, EachResetClearsOnlyItsOwnCountersAndTheCountingStartsAgain)
{
    const struct
    {
        std::function<BOOL(CUlogSvcAccountMgr&)> reset;
        std::array<int, 4> after;
    } cases[] = {{[](CUlogSvcAccountMgr& m) { return m.ResetSentMsgCounter(); }, {0, 1, 3, 4}},
                 {[](CUlogSvcAccountMgr& m) { return m.ResetRcvMsgCounter(); }, {2, 0, 3, 4}},
                 {[](CUlogSvcAccountMgr& m) { return m.ResetTotalMsgCounter(); }, {0, 0, 3, 4}},
                 {[](CUlogSvcAccountMgr& m) { return m.ResetSentEmailCounter(); }, {2, 1, 0, 4}},
                 {[](CUlogSvcAccountMgr& m) { return m.ResetRcvEmailCounter(); }, {2, 1, 3, 0}},
                 {[](CUlogSvcAccountMgr& m) { return m.ResetTotalEmailCounter(); }, {2, 1, 0, 0}}};
    Load();
    for (const auto& c : cases)
    {
        SCOPED_TRACE(&c - cases);
        ASSERT_TRUE(m_pMgr->ResetTotalMsgCounter() && m_pMgr->ResetTotalEmailCounter());
        CountEach(m_pMgr);
        ExpectCounters(m_pMgr, {2, 1, 3, 4});
        EXPECT_TRUE(c.reset(*m_pMgr));
        ExpectCounters(m_pMgr, c.after);
    }
}

TEST_F(AccountCounterTest, ResetDatesRecordTheClockPerDisplay)
{
    Load();
    UlogCtlFreezeClock(1700000000u);
    EXPECT_TRUE(m_pMgr->SetRecentResetDateCallCost());
    UlogCtlAdvanceClock(60);
    EXPECT_TRUE(m_pMgr->SetRecentResetDateMsgCnt());
    UlogCtlAdvanceClock(60);
    EXPECT_TRUE(m_pMgr->SetRecentResetDateEmailCnt());
    UlogCtlAdvanceClock(60);
    EXPECT_TRUE(m_pMgr->SetRecentResetDateCallDuration());

    EXPECT_EQ(m_pMgr->GetRecentResetDateCallCost(), 1700000000u);
    EXPECT_EQ(m_pMgr->GetRecentResetDateMsgCnt(), 1700000060u);
    EXPECT_EQ(m_pMgr->GetRecentResetDateEmailCnt(), 1700000120u);
    EXPECT_EQ(m_pMgr->GetRecentResetDateCallDuration(), 1700000180u);
    EXPECT_EQ(UlogIni("RecentResetDate", "CallCost"), 1700000000);
    EXPECT_EQ(UlogIni("RecentResetDate", "CallDuration"), 1700000180);
}

std::string ResourceText(unsigned int nId)
{
    WCHAR mszText[256];
    RsrcLoadString(nId, mszText, 256);
    char szText[768];
    WmConvert2LCode(szText, sizeof(szText), mszText);
    return szText;
}

int FixedCounts(UlogLogType iLogType)
{
    switch (iLogType)
    {
    case ULOG_LOG_MISSED:
        return 4;
    case ULOG_LOG_TERMINATED:
        return 7;
    case ULOG_LOG_ORIGINATED:
        return 30;
    default:
        return -100;
    }
}

int NoLogs(UlogLogType)
{
    return 0;
}

std::optional<long long> Mox(const char* key)
{
    return DiskInt("MoxSetMemoryStatus.ini", "CallLog", key);
}

TEST_F(AccountCounterTest, LogCountsAreWrittenPerListWithTheirLabels)
{
    CUlogSvcAccountMgr::SetLogCountSource(&FixedCounts);
    EXPECT_TRUE(m_pMgr->WriteLogCount());

    EXPECT_EQ(Mox("ItemCount"), 3);
    EXPECT_EQ(Mox("Count1"), 4);
    EXPECT_EQ(Mox("Count2"), 7);
    EXPECT_EQ(Mox("Count3"), 30);
    EXPECT_EQ(Mox("CountMax1"), 30);
    EXPECT_EQ(Mox("CountMax2"), 30);
    EXPECT_EQ(Mox("CountMax3"), 30);
    const std::string missed = ResourceText(RSRC_STR_MISSED_CALLS);
    ASSERT_FALSE(missed.empty());
    EXPECT_EQ(DiskValue("MoxSetMemoryStatus.ini", "CallLog", "Name1"), missed);
    EXPECT_EQ(DiskValue("MoxSetMemoryStatus.ini", "CallLog", "Name2"), ResourceText(RSRC_STR_RECEIVED_CALLS));
    EXPECT_EQ(DiskValue("MoxSetMemoryStatus.ini", "CallLog", "Name3"), ResourceText(RSRC_STR_DIALLED_CALLS));
    // The statistics file is a separate one and needs not be loaded.
    EXPECT_FALSE(UlogIni("Version", "Version").has_value());

    // Written again whole with new counts.
    CUlogSvcAccountMgr::SetLogCountSource(&NoLogs);
    EXPECT_TRUE(m_pMgr->WriteLogCount());
    EXPECT_EQ(Mox("Count1"), 0);
    EXPECT_EQ(Mox("Count2"), 0);
    EXPECT_EQ(Mox("Count3"), 0);
    EXPECT_EQ(Mox("CountMax2"), 30);
}

TEST_F(AccountCounterTest, LogCountsNeedTheLogManagerAndAStore)
{
    UlogCtlClearDiagnostics();
    EXPECT_FALSE(m_pMgr->WriteLogCount());
    EXPECT_TRUE(UlogCtlDiagnosticsContain("ASSERTION_REQUIRE: pLogMgr != NULL"));
    EXPECT_FALSE(Mox("ItemCount").has_value());

    CUlogSvcAccountMgr::SetLogCountSource(&FixedCounts);
    ASSERT_TRUE(m_pMgr->WriteLogCount());
    CUlogSvcAccountMgr::SetLogCountSource(&NoLogs);
    UlogCtlFailNextFileWrites(1);
    EXPECT_FALSE(m_pMgr->WriteLogCount());
    // The old file is still there, whole.
    EXPECT_EQ(Mox("Count1"), 4);
    EXPECT_EQ(Mox("CountMax3"), 30);
}
} // namespace
