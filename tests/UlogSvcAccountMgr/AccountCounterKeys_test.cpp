// The four message and e-mail counters stay apart: each counts, reloads and resets on its own key.
#include "UlogSvcAccountMgr/AccountTestUtil.h"

#include "UlogSvcLogMgr/CUlogEmailLog.h"
#include "UlogSvcLogMgr/CUlogMsgLog.h"

using namespace accounttest;

namespace
{
using AccountCounterKeysTest = AccountTest;

void CountMsgs(CUlogSvcAccountMgr* pMgr, UlogLogType iLogType, int nTimes)
{
    CUlogMsgLog log;
    log.SetLogType(iLogType);
    CUlogMsgOwnValue own;
    own.SetMsgLogType(ULOG_MSG_LOG_TYPE_16);
    log.SetMsgOwnValue(&own);
    for (int i = 0; i < nTimes; ++i)
        pMgr->WriteMsgCounter(log);
}

void CountEmails(CUlogSvcAccountMgr* pMgr, UlogLogType iLogType, int nTimes)
{
    CUlogEmailLog log;
    log.SetLogType(iLogType);
    for (int i = 0; i < nTimes; ++i)
        pMgr->WriteEmailCounter(log);
}

// Different counts in every counter, so that any two counters mixed up show.
void CountOneToFour(CUlogSvcAccountMgr* pMgr)
{
    CountMsgs(pMgr, ULOG_LOG_MSG_SENT, 1);
    CountMsgs(pMgr, ULOG_LOG_MSG_RECEIVED, 2);
    CountEmails(pMgr, ULOG_LOG_EMAIL_SENT, 3);
    CountEmails(pMgr, ULOG_LOG_EMAIL_RECEIVED, 4);
}

TEST_F(AccountCounterKeysTest, EveryCounterKeepsItsOwnCountAcrossARestart)
{
    Load();
    CountOneToFour(m_pMgr);
    EXPECT_EQ(UlogIni("MessageLog", "SentMessage"), 1);
    EXPECT_EQ(UlogIni("MessageLog", "ReceivedMessage"), 2);
    EXPECT_EQ(UlogIni("MessageLog", "SentEmail"), 3);
    EXPECT_EQ(UlogIni("MessageLog", "ReceivedEmail"), 4);

    // After a restart every counter goes on from its own stored count.
    Unload();
    Load();
    CountOneToFour(m_pMgr);
    EXPECT_EQ(m_pMgr->GetSentMsgCounter(), 2);
    EXPECT_EQ(m_pMgr->GetRcvMsgCounter(), 4);
    EXPECT_EQ(m_pMgr->GetSentEmailCounter(), 6);
    EXPECT_EQ(m_pMgr->GetRcvEmailCounter(), 8);
}

TEST_F(AccountCounterKeysTest, EachResetClearsOnlyItsOwnCounter)
{
    Load();
    CountOneToFour(m_pMgr);

    EXPECT_TRUE(m_pMgr->ResetRcvMsgCounter());
    CountOneToFour(m_pMgr);
    EXPECT_EQ(m_pMgr->GetSentMsgCounter(), 2);
    EXPECT_EQ(m_pMgr->GetRcvMsgCounter(), 2);
    EXPECT_EQ(m_pMgr->GetSentEmailCounter(), 6);
    EXPECT_EQ(m_pMgr->GetRcvEmailCounter(), 8);

    EXPECT_TRUE(m_pMgr->ResetSentEmailCounter());
    CountOneToFour(m_pMgr);
    EXPECT_EQ(m_pMgr->GetSentMsgCounter(), 3);
    EXPECT_EQ(m_pMgr->GetRcvMsgCounter(), 4);
    EXPECT_EQ(m_pMgr->GetSentEmailCounter(), 3);
    EXPECT_EQ(m_pMgr->GetRcvEmailCounter(), 12);
}
} // namespace
