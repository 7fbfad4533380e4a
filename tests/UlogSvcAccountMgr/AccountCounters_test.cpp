// Message and e-mail counters, reset dates, and the stored-log counts file.
#include "UlogSvcAccountMgr/AccountTestUtil.h"

#include "KivAppFrmwk/KivAppFrmwk.h"
#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvcLogMgr/CUlogEmailLog.h"
#include "UlogSvcLogMgr/CUlogMsgLog.h"
#include "control/PlatformControl.h"

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

TEST_F(AccountCounterTest, MessagesOfTextAndMultimediaTypesAreCountedPerDirection)
{
    Load();
    EXPECT_TRUE(m_pMgr->WriteMsgCounter(MakeMsg(ULOG_LOG_MSG_SENT, ULOG_MSG_LOG_TYPE_16)));
    EXPECT_TRUE(m_pMgr->WriteMsgCounter(MakeMsg(ULOG_LOG_MSG_SENT, ULOG_MSG_LOG_TYPE_32)));
    EXPECT_TRUE(m_pMgr->WriteMsgCounter(MakeMsg(ULOG_LOG_MSG_RECEIVED, ULOG_MSG_LOG_TYPE_32)));
    EXPECT_EQ(m_pMgr->GetSentMsgCounter(), 2);
    EXPECT_EQ(m_pMgr->GetRcvMsgCounter(), 1);
    EXPECT_EQ(UlogIni("MessageLog", "SentMessage"), 2);
    EXPECT_EQ(UlogIni("MessageLog", "ReceivedMessage"), 1);

    // Other message types and log types are accepted but not counted.
    EXPECT_TRUE(m_pMgr->WriteMsgCounter(MakeMsg(ULOG_LOG_MSG_SENT, ULOG_MSG_LOG_TYPE_64)));
    EXPECT_TRUE(m_pMgr->WriteMsgCounter(MakeMsg(ULOG_LOG_MSG_RECEIVED, 0)));
    EXPECT_TRUE(m_pMgr->WriteMsgCounter(MakeMsg(ULOG_LOG_EMAIL_SENT, ULOG_MSG_LOG_TYPE_16)));
    EXPECT_EQ(m_pMgr->GetSentMsgCounter(), 2);
    EXPECT_EQ(m_pMgr->GetRcvMsgCounter(), 1);
    EXPECT_EQ(m_pMgr->GetSentEmailCounter(), 0);

    // The counters survive a restart.
    Unload();
    Load();
    EXPECT_TRUE(m_pMgr->WriteMsgCounter(MakeMsg(ULOG_LOG_MSG_SENT, ULOG_MSG_LOG_TYPE_16)));
    EXPECT_EQ(m_pMgr->GetSentMsgCounter(), 3);
}

TEST_F(AccountCounterTest, EmailsAreCountedPerDirection)
{
    Load();
    UlogCtlClearDiagnostics();
    EXPECT_TRUE(m_pMgr->WriteEmailCounter(MakeEmail(ULOG_LOG_EMAIL_SENT)));
    EXPECT_TRUE(m_pMgr->WriteEmailCounter(MakeEmail(ULOG_LOG_EMAIL_RECEIVED)));
    EXPECT_TRUE(m_pMgr->WriteEmailCounter(MakeEmail(ULOG_LOG_EMAIL_RECEIVED)));
    EXPECT_EQ(m_pMgr->GetSentEmailCounter(), 1);
    EXPECT_EQ(m_pMgr->GetRcvEmailCounter(), 2);
    EXPECT_EQ(UlogIni("MessageLog", "SentEmail"), 1);
    EXPECT_EQ(UlogIni("MessageLog", "ReceivedEmail"), 2);
    EXPECT_FALSE(UlogCtlDiagnosticsContain("WriteEmailCounter::WriteMsgCounter error"));

    EXPECT_TRUE(m_pMgr->WriteEmailCounter(MakeEmail(ULOG_LOG_MSG_SENT)));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("WriteEmailCounter::WriteMsgCounter error. iLogType: (3)"));
    EXPECT_EQ(m_pMgr->GetSentEmailCounter(), 1);
    EXPECT_EQ(m_pMgr->GetSentMsgCounter(), 0);
}

TEST_F(AccountCounterTest, ResetsClearTheFileAndTheCountingStartsAgain)
{
    Load();
    for (int i = 0; i < 3; ++i)
    {
        m_pMgr->WriteMsgCounter(MakeMsg(ULOG_LOG_MSG_SENT, ULOG_MSG_LOG_TYPE_16));
        m_pMgr->WriteMsgCounter(MakeMsg(ULOG_LOG_MSG_RECEIVED, ULOG_MSG_LOG_TYPE_16));
        m_pMgr->WriteEmailCounter(MakeEmail(ULOG_LOG_EMAIL_SENT));
        m_pMgr->WriteEmailCounter(MakeEmail(ULOG_LOG_EMAIL_RECEIVED));
    }

    EXPECT_TRUE(m_pMgr->ResetSentMsgCounter());
    EXPECT_EQ(m_pMgr->GetSentMsgCounter(), 0);
    EXPECT_EQ(m_pMgr->GetRcvMsgCounter(), 3);
    EXPECT_EQ(UlogIni("MessageLog", "SentMessage"), 0);
    m_pMgr->WriteMsgCounter(MakeMsg(ULOG_LOG_MSG_SENT, ULOG_MSG_LOG_TYPE_16));
    EXPECT_EQ(m_pMgr->GetSentMsgCounter(), 1);

    EXPECT_TRUE(m_pMgr->ResetTotalMsgCounter());
    EXPECT_EQ(m_pMgr->GetSentMsgCounter(), 0);
    EXPECT_EQ(m_pMgr->GetRcvMsgCounter(), 0);
    EXPECT_EQ(UlogIni("MessageLog", "ReceivedMessage"), 0);

    EXPECT_TRUE(m_pMgr->ResetRcvEmailCounter());
    EXPECT_EQ(m_pMgr->GetRcvEmailCounter(), 0);
    EXPECT_EQ(m_pMgr->GetSentEmailCounter(), 3);
    EXPECT_TRUE(m_pMgr->ResetSentEmailCounter());
    EXPECT_EQ(UlogIni("MessageLog", "SentEmail"), 0);
    m_pMgr->WriteEmailCounter(MakeEmail(ULOG_LOG_EMAIL_SENT));
    m_pMgr->WriteEmailCounter(MakeEmail(ULOG_LOG_EMAIL_RECEIVED));
    EXPECT_EQ(m_pMgr->GetSentEmailCounter(), 1);
    EXPECT_EQ(m_pMgr->GetRcvEmailCounter(), 1);
    EXPECT_TRUE(m_pMgr->ResetTotalEmailCounter());
    EXPECT_EQ(UlogIni("MessageLog", "SentEmail"), 0);
    EXPECT_EQ(UlogIni("MessageLog", "ReceivedEmail"), 0);
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
