// Loading, wiping, storing and unloading "Ulog.ini", and sharing it with other processes: what another
// process stores is kept and read, a file that cannot be read is kept aside instead of wiped, and totals
// beyond 2^31 seconds stay whole.
#include "UlogSvcAccountMgr/AccountTestUtil.h"

#include "UlogSvcLogMgr/CUlogEmailLog.h"

#include <filesystem>

using namespace accounttest;

namespace
{
using AccountFileTest = AccountTest;

// The file as a start finds it, and the figures it then has.
struct FileCase
{
    const char* name;
    std::optional<std::string> text; // nullopt: no file
    long long voice1, sentMsg, lifeTime;
    bool bKeptAside; // as "Ulog.ini.bad"
};

void PrintTo(const FileCase& c, std::ostream* os)
{
    *os << c.name;
}

class AccountLoadTest : public AccountTest, public ::testing::WithParamInterface<FileCase>
{
};

const std::string kOldFigures = "[OriginatedLog]\nVoice1TotalTime=500\n[MessageLog]\nSentMessage=9\n[LastLog]"
                                "\nLifeTime=900\n[Stray]\nKey=1\n";

// A missing file starts fresh and a file of another layout version is wiped; both get every figure at 0
// and the life time of the non-volatile item. A current file is loaded as it is. Whatever cannot be read
// (an empty file, bytes without a section, values without a version, a version that is not a number) is
// kept aside, never wiped, and the statistics start fresh.
TEST_P(AccountLoadTest, TheFileFoundAtTheStartIsLoadedWipedOrKeptAside)
{
    const FileCase& c = GetParam();
    if (c.text)
        ulogtest::ReplaceFile(m_root + "/Ulog.ini", *c.text);
    UlogCtlSetNvInt(459, 42);
    UlogCtlClearDiagnostics();
    Load();

    EXPECT_EQ(UlogCtlDiagnosticsContain("Ulog.ini cannot be read; kept as Ulog.ini.bad"), c.bKeptAside);
    EXPECT_EQ(std::filesystem::exists(m_root + "/Ulog.ini.bad"), c.bKeptAside);
    EXPECT_EQ(ulogtest::ReadWholeFile(m_root + "/Ulog.ini.bad"), c.bKeptAside ? *c.text : "");
    EXPECT_EQ(UlogIni("Version", "Version"), 6);
    EXPECT_EQ(UlogIni("OriginatedLog", "Voice1TotalTime"), c.voice1);
    EXPECT_EQ(m_pMgr->GetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1), c.voice1);
    EXPECT_EQ(UlogIni("MessageLog", "SentMessage"), c.sentMsg);
    EXPECT_EQ(m_pMgr->GetSentMsgCounter(), c.sentMsg);
    EXPECT_EQ(UlogIni("LastLog", "LifeTime"), c.lifeTime);
    EXPECT_EQ(m_pMgr->GetLifeTime(), c.lifeTime);
    EXPECT_EQ(UlogGetLifeTime(), c.lifeTime);
    const bool bCurrent = c.voice1 != 0; // only a current file keeps its figures
    EXPECT_EQ(UlogIni("Stray", "Key").has_value(), bCurrent);
    if (bCurrent)
        return;
    // Every figure at 0; the received video line-2 total lives in its own section.
    for (const char* section : {"OriginatedLog", "MissedLog", "TerminatedLog"})
        for (const std::string key : kTotalKeys)
        {
            const bool bElsewhere = std::string(section) == "TerminatedLog" && key == "Video2TotalTime";
            EXPECT_EQ(UlogIni(section, key), bElsewhere ? std::nullopt : std::optional<long long>(0)) << key;
        }
    EXPECT_EQ(UlogIni("TrminatedLog", "Video2TotalTime"), 0);
    for (const auto& [section, keys] : std::vector<std::pair<const char*, std::vector<const char*>>>{
             {"MessageLog", {"ReceivedMessage", "ReceivedEmail", "SentEmail"}},
             {"RecentResetDate", {"CallDuration", "MessageCounter", "EmailCounter", "CallCost"}},
             {"LastLog", {"VoiceLastTime", "VideoLastTime", "LastCallTime"}}})
        for (const char* key : keys)
            EXPECT_EQ(UlogIni(section, key), 0) << key;
}

INSTANTIATE_TEST_SUITE_P(
    Files, AccountLoadTest,
    ::testing::Values(
        FileCase{"Missing", std::nullopt, 0, 0, 42, false},
        FileCase{"OtherVersion", "[Version]\nVersion=5\n" + kOldFigures, 0, 0, 42, false},
        FileCase{"Current", "[Version]\nVersion=6\n" + kOldFigures, 500, 9, 900, false},
        FileCase{"Empty", "", 0, 0, 42, true},
        FileCase{"Garbage", "\x01\x02 garbage without sections\n[Version\nVersion=six\n", 0, 0, 42, true},
        FileCase{"NoVersion", "[OriginatedLog]\nVoice1TotalTime=50\n", 0, 0, 42, true},
        FileCase{"VersionNotANumber", "[Version]\nVersion=six\n" + kOldFigures, 0, 0, 42, true}),
    [](const ::testing::TestParamInfo<FileCase>& info) { return std::string(info.param.name); });

TEST_F(AccountFileTest, FailedStoreLeavesTheOldFileWholeAndIsReported)
{
    Load();
    ASSERT_TRUE(UlogSetLifeTime(100));
    ASSERT_EQ(UlogIni("LastLog", "LifeTime"), 100);
    UlogCtlFailNextFileWrites(1);
    EXPECT_FALSE(UlogSetLifeTime(200));
    // The file on disk is the old one, complete.
    EXPECT_EQ(UlogIni("LastLog", "LifeTime"), 100);
    EXPECT_EQ(UlogIni("Version", "Version"), 6);
    EXPECT_EQ(UlogIni("OriginatedLog", "CSD2TotalTime"), 0);
    // The value is kept and goes to disk with the next store.
    EXPECT_EQ(UlogGetLifeTime(), 200u);
    ASSERT_TRUE(m_pMgr->Flush());
    EXPECT_EQ(UlogIni("LastLog", "LifeTime"), 200);
    UlogCtlFailNextFileWrites(1);
    EXPECT_FALSE(UlogResetLastCallTime());
    UlogCtlFailNextFileWrites(1);
    EXPECT_FALSE(m_pMgr->SetRecentResetDateCallCost());
}

TEST_F(AccountFileTest, ExitStoresWhatWasNotYetStoredAndInitReloads)
{
    Load();
    ASSERT_TRUE(UlogSetLifeTime(1000));
    // Adds to the life time without storing the file.
    ASSERT_TRUE(m_pMgr->AddCallTime(MakeCall(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1, 50)));
    EXPECT_EQ(UlogIni("LastLog", "LifeTime"), 1000);
    EXPECT_EQ(NvGetInt(459), 1050);
    Unload();
    EXPECT_EQ(UlogIni("LastLog", "LifeTime"), 1050);
    // A restart picks the figures up again.
    Load();
    EXPECT_EQ(UlogGetLifeTime(), 1050u);
    // AddCallTime counts the call in memory only: the totals were never written.
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1), 0u);
    // A second init reloads without losing figures.
    ASSERT_TRUE(m_pMgr->WriteCallTime(MakeCall(ULOG_LOG_TERMINATED, ULOG_CALL_VOICE, ULOG_LINE_2, 70)));
    ASSERT_TRUE(m_pMgr->Init());
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_TERMINATED, ULOG_CALL_VOICE, ULOG_LINE_2), 70u);
    ASSERT_TRUE(m_pMgr->WriteCallTime(MakeCall(ULOG_LOG_TERMINATED, ULOG_CALL_VOICE, ULOG_LINE_2, 5)));
    EXPECT_EQ(UlogIni("TerminatedLog", "Voice2TotalTime"), 75);
}

TEST_F(AccountFileTest, OperationsNeedingTheFileFailWhileItIsNotLoadedOrTheLogTypeIsInvalid)
{
    Load();
    Unload();
    UlogCtlClearDiagnostics();
    EXPECT_FALSE(m_pMgr->Exit());
    EXPECT_FALSE(m_pMgr->Flush());
    EXPECT_FALSE(m_pMgr->WriteTotalCallTime(ULOG_LOG_ORIGINATED, TRUE));
    EXPECT_FALSE(m_pMgr->WriteTotalCallTime());
    EXPECT_FALSE(UlogResetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1));
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1), 0u);
    EXPECT_EQ(UlogGetLastCallTime(), 0u);
    EXPECT_FALSE(UlogResetLastVoiceCallTime());
    EXPECT_FALSE(m_pMgr->WriteLastVideoCallTime());
    EXPECT_FALSE(m_pMgr->SetRecentResetDateMsgCnt());
    EXPECT_EQ(m_pMgr->GetRecentResetDateEmailCnt(), 0u);
    EXPECT_FALSE(m_pMgr->__InitReg());
    // WriteTotalCallTime() reports once per direction and once for its store.
    EXPECT_EQ(UlogCtlGetAssertCount(), 14);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("ASSERTION_REQUIRE: __UlogIsValidReg()"));
    EXPECT_FALSE(UlogCtlDiagnosticsContain("_UlogIsValidLog"));
    // Loaded, a log type that does not exist is a precondition failure.
    Load();
    UlogCtlClearDiagnostics();
    EXPECT_FALSE(m_pMgr->WriteTotalCallTime(ULOG_LOG_CNT_MAX, TRUE));
    EXPECT_FALSE(UlogResetTotalCallTime(static_cast<UlogLogType>(-1), ULOG_CALL_VOICE, ULOG_LINE_1));
    EXPECT_EQ(UlogGetTotalCallTime(static_cast<UlogLogType>(11), ULOG_CALL_VOICE, ULOG_LINE_1), 0u);
    EXPECT_EQ(UlogCtlGetAssertCount(), 3);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("ASSERTION_REQUIRE: _UlogIsValidLog(iLogType)"));
}

TEST_F(AccountFileTest, WhatAnotherProcessCountedIsKeptAndRead)
{
    Load();
    ASSERT_TRUE(m_pMgr->WriteCallTime(MakeCall(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1, 40)));
    // Meanwhile another process stored its own calls and e-mails.
    StoreAsAnotherProcess("Voice1TotalTime", "1040");
    StoreAsAnotherProcess("LifeTime", "1040");
    StoreAsAnotherProcess("SentEmail", "3");
    // Read at once, without a restart.
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1), 1040u);
    EXPECT_EQ(UlogGetLifeTime(), 1040u);
    EXPECT_EQ(m_pMgr->GetSentEmailCounter(), 3);

    // This process's calls and e-mails add to the other's.
    ASSERT_TRUE(m_pMgr->WriteCallTime(MakeCall(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1, 5)));
    CUlogEmailLog email;
    email.SetLogType(ULOG_LOG_EMAIL_SENT);
    ASSERT_TRUE(m_pMgr->WriteEmailCounter(email));
    EXPECT_EQ(UlogIni("OriginatedLog", "Voice1TotalTime"), 1045);
    EXPECT_EQ(UlogIni("LastLog", "LifeTime"), 1045);
    EXPECT_EQ(UlogIni("MessageLog", "SentEmail"), 4);
    EXPECT_EQ(UlogIni("LastLog", "LastCallTime"), 5);
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1), 1045u);
    // The non-volatile copy of the life time counts this process's calls only once each.
    EXPECT_EQ(NvGetInt(459), 45);

    // A reset is a plain value: it clears what any process counted before it.
    StoreAsAnotherProcess("Voice1TotalTime", "2000");
    ASSERT_TRUE(UlogResetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1));
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1), 0u);
    ASSERT_TRUE(m_pMgr->WriteCallTime(MakeCall(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1, 7)));
    EXPECT_EQ(UlogIni("OriginatedLog", "Voice1TotalTime"), 7);
}

TEST_F(AccountFileTest, TotalsOfTwoToTheThirtyFirstSecondsAndMoreStayWhole)
{
    Load();
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(
            m_pMgr->WriteCallTime(MakeCall(ULOG_LOG_TERMINATED, ULOG_CALL_CSD, ULOG_LINE_2, 1500000000u)));
    EXPECT_EQ(DiskValue("Ulog.ini", "TerminatedLog", "CSD2TotalTime"), "3000000000");
    EXPECT_EQ(DiskValue("Ulog.ini", "LastLog", "LifeTime"), "3000000000");
    EXPECT_EQ(DiskValue("Ulog.ini", "LastLog", "LastCallTime"), "1500000000");
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_TERMINATED, ULOG_CALL_CSD, ULOG_LINE_2), 3000000000u);
    EXPECT_EQ(UlogGetLifeTime(), 3000000000u);
    Unload();
    // A total an earlier version wrote as a negative number reads and grows unsigned.
    StoreAsAnotherProcess("CSD2TotalTime", "-1294967296");
    Load();
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_TERMINATED, ULOG_CALL_CSD, ULOG_LINE_2), 3000000000u);
    ASSERT_TRUE(m_pMgr->WriteCallTime(MakeCall(ULOG_LOG_TERMINATED, ULOG_CALL_CSD, ULOG_LINE_2, 10)));
    EXPECT_EQ(DiskValue("Ulog.ini", "TerminatedLog", "CSD2TotalTime"), "3000000010");
}
} // namespace
