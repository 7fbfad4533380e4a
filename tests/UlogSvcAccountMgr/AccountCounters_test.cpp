// The message and e-mail counters (each on its own key), reset dates, and the stored-log counts file.
#include "UlogSvcAccountMgr/AccountTestUtil.h"

#include "KivAppFrmwk/KivAppFrmwk.h"
#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvcLogMgr/CUlogEmailLog.h"
#include "UlogSvcLogMgr/CUlogMsgLog.h"

#include <array>

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

// Different counts in every counter (sent and received messages, then e-mails: 2, 1, 3, 4), so that any
// two counters mixed up show; text and multimedia messages both count.
void CountEach(CUlogSvcAccountMgr* pMgr)
{
    pMgr->WriteMsgCounter(MakeMsg(ULOG_LOG_MSG_SENT, ULOG_MSG_LOG_TYPE_16));
    pMgr->WriteMsgCounter(MakeMsg(ULOG_LOG_MSG_SENT, ULOG_MSG_LOG_TYPE_32));
    pMgr->WriteMsgCounter(MakeMsg(ULOG_LOG_MSG_RECEIVED, ULOG_MSG_LOG_TYPE_32));
    for (int i = 0; i < 4; ++i)
    {
        if (i < 3)
            pMgr->WriteEmailCounter(MakeEmail(ULOG_LOG_EMAIL_SENT));
        pMgr->WriteEmailCounter(MakeEmail(ULOG_LOG_EMAIL_RECEIVED));
    }
}

// The four counters in memory and in the file, in the order of CountEach.
void ExpectCounters(CUlogSvcAccountMgr* pMgr, std::array<int, 4> expected)
{
    EXPECT_EQ((std::array<int, 4>{pMgr->GetSentMsgCounter(), pMgr->GetRcvMsgCounter(),
                                  pMgr->GetSentEmailCounter(), pMgr->GetRcvEmailCounter()}),
              expected);
    const char* const apszKeys[4] = {"SentMessage", "ReceivedMessage", "SentEmail", "ReceivedEmail"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(UlogIni("MessageLog", apszKeys[i]), expected[i]) << apszKeys[i];
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
    // The resets as plain functions: the sanitizer refuses member pointers called through the fixture.
    using Reset = BOOL (*)(CUlogSvcAccountMgr*);
    const std::pair<Reset, std::array<int, 4>> cases[] = {
        {[](CUlogSvcAccountMgr* p) { return p->ResetSentMsgCounter(); }, {0, 1, 3, 4}},
        {[](CUlogSvcAccountMgr* p) { return p->ResetRcvMsgCounter(); }, {2, 0, 3, 4}},
        {[](CUlogSvcAccountMgr* p) { return p->ResetTotalMsgCounter(); }, {0, 0, 3, 4}},
        {[](CUlogSvcAccountMgr* p) { return p->ResetSentEmailCounter(); }, {2, 1, 0, 4}},
        {[](CUlogSvcAccountMgr* p) { return p->ResetRcvEmailCounter(); }, {2, 1, 3, 0}},
        {[](CUlogSvcAccountMgr* p) { return p->ResetTotalEmailCounter(); }, {2, 1, 0, 0}}};
    Load();
    for (size_t i = 0; i < std::size(cases); ++i)
    {
        const auto& [pfnReset, after] = cases[i];
        SCOPED_TRACE(i);
        ASSERT_TRUE(m_pMgr->ResetTotalMsgCounter() && m_pMgr->ResetTotalEmailCounter());
        CountEach(m_pMgr);
        ExpectCounters(m_pMgr, {2, 1, 3, 4});
        EXPECT_TRUE(pfnReset(m_pMgr));
        ExpectCounters(m_pMgr, after);
    }
}

TEST_F(AccountCounterTest, ResetDatesRecordTheClockPerDisplay)
{
    using Set = BOOL (*)(CUlogSvcAccountMgr*);
    using Get = unsigned int (*)(CUlogSvcAccountMgr*);
    const std::tuple<Set, Get, const char*> displays[] = {
        {[](CUlogSvcAccountMgr* p) { return p->SetRecentResetDateCallCost(); },
         [](CUlogSvcAccountMgr* p) { return p->GetRecentResetDateCallCost(); }, "CallCost"},
        {[](CUlogSvcAccountMgr* p) { return p->SetRecentResetDateMsgCnt(); },
         [](CUlogSvcAccountMgr* p) { return p->GetRecentResetDateMsgCnt(); }, "MessageCounter"},
        {[](CUlogSvcAccountMgr* p) { return p->SetRecentResetDateEmailCnt(); },
         [](CUlogSvcAccountMgr* p) { return p->GetRecentResetDateEmailCnt(); }, "EmailCounter"},
        {[](CUlogSvcAccountMgr* p) { return p->SetRecentResetDateCallDuration(); },
         [](CUlogSvcAccountMgr* p) { return p->GetRecentResetDateCallDuration(); }, "CallDuration"}};
    Load();
    UlogCtlFreezeClock(1700000000u);
    for (const auto& [pfnSet, pfnGet, key] : displays)
    {
        EXPECT_TRUE(pfnSet(m_pMgr)) << key;
        UlogCtlAdvanceClock(60);
    }
    unsigned int tmExpected = 1700000000u;
    for (const auto& [pfnSet, pfnGet, key] : displays)
    {
        EXPECT_EQ(pfnGet(m_pMgr), tmExpected) << key;
        EXPECT_EQ(UlogIni("RecentResetDate", key), tmExpected) << key;
        tmExpected += 60;
    }
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
    return iLogType == ULOG_LOG_MISSED       ? 4
           : iLogType == ULOG_LOG_TERMINATED ? 7
           : iLogType == ULOG_LOG_ORIGINATED ? 30
                                             : -100;
}

int NoLogs(UlogLogType)
{
    return 0;
}

std::optional<long long> Mox(const std::string& key)
{
    return DiskInt("MoxSetMemoryStatus.ini", "CallLog", key);
}

// Missed, received and dialled calls with their labels; the statistics file is another one and needs not
// be loaded; the counts need their source and a store, and a failed store keeps the old file whole.
TEST_F(AccountCounterTest, LogCountsAreWrittenPerListWithTheirLabels)
{
    UlogCtlClearDiagnostics();
    EXPECT_FALSE(m_pMgr->WriteLogCount());
    EXPECT_TRUE(UlogCtlDiagnosticsContain("ASSERTION_REQUIRE: pLogMgr != NULL"));
    EXPECT_FALSE(Mox("ItemCount").has_value());

    CUlogSvcAccountMgr::SetLogCountSource(&FixedCounts);
    EXPECT_TRUE(m_pMgr->WriteLogCount());
    EXPECT_EQ(Mox("ItemCount"), 3);
    const int anCounts[3] = {4, 7, 30};
    const unsigned int anLabels[3] = {RSRC_STR_MISSED_CALLS, RSRC_STR_RECEIVED_CALLS, RSRC_STR_DIALLED_CALLS};
    for (int i = 0; i < 3; ++i)
    {
        const std::string n = std::to_string(i + 1);
        EXPECT_EQ(Mox("Count" + n), anCounts[i]);
        EXPECT_EQ(Mox("CountMax" + n), 30);
        ASSERT_FALSE(ResourceText(anLabels[i]).empty());
        EXPECT_EQ(DiskValue("MoxSetMemoryStatus.ini", "CallLog", "Name" + n), ResourceText(anLabels[i]));
    }
    EXPECT_FALSE(UlogIni("Version", "Version").has_value());

    CUlogSvcAccountMgr::SetLogCountSource(&NoLogs);
    UlogCtlFailNextFileWrites(1);
    EXPECT_FALSE(m_pMgr->WriteLogCount());
    EXPECT_EQ(Mox("Count1"), 4);
    EXPECT_EQ(Mox("CountMax3"), 30);
    // Written again whole with the new counts.
    EXPECT_TRUE(m_pMgr->WriteLogCount());
    for (const char* key : {"Count1", "Count2", "Count3"})
        EXPECT_EQ(Mox(key), 0) << key;
    EXPECT_EQ(Mox("CountMax2"), 30);
}
} // namespace
