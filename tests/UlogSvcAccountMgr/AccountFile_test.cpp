// Loading, wiping, storing and unloading "Ulog.ini", and sharing it with other processes: what another
// process stores is kept and read, a file that cannot be read is kept aside instead of wiped, and totals
// beyond 2^31 seconds stay whole.
#include "UlogSvcAccountMgr/AccountTestUtil.h"

#include "UlogSvcLogMgr/CUlogEmailLog.h"
#include "control/PlatformControl.h"

#include <filesystem>
#include <sstream>

using namespace accounttest;

namespace
{
using AccountFileTest = AccountTest;

const char* const kTotalKeys[6] = {"Voice1TotalTime", "Voice2TotalTime", "Video1TotalTime",
                                   "Video2TotalTime", "CSD1TotalTime",   "CSD2TotalTime"};

TEST_F(AccountFileTest, NewFileGetsVersionZeroFiguresAndTheStoredLifeTime)
{
    UlogCtlSetNvInt(459, 7777);
    UlogCtlClearDiagnostics();
    Load();
    // A missing file is a fresh start, not a file that cannot be read.
    EXPECT_FALSE(UlogCtlDiagnosticsContain("cannot be read"));
    EXPECT_FALSE(std::filesystem::exists(m_root + "/Ulog.ini.bad"));

    EXPECT_EQ(UlogIni("Version", "Version"), 6);
    // Every total is 0; the received video line-2 total lives in its own section.
    for (const char* section : {"OriginatedLog", "MissedLog", "TerminatedLog"})
        for (const std::string key : kTotalKeys)
        {
            const bool bElsewhere = std::string(section) == "TerminatedLog" && key == "Video2TotalTime";
            EXPECT_EQ(UlogIni(section, key), bElsewhere ? std::nullopt : std::optional<long long>(0)) << key;
        }
    EXPECT_EQ(UlogIni("TrminatedLog", "Video2TotalTime"), 0);
    for (const auto& [section, keys] : std::vector<std::pair<const char*, std::vector<const char*>>>{
             {"MessageLog", {"ReceivedMessage", "SentMessage", "ReceivedEmail", "SentEmail"}},
             {"RecentResetDate", {"CallDuration", "MessageCounter", "EmailCounter", "CallCost"}},
             {"LastLog", {"VoiceLastTime", "VideoLastTime", "LastCallTime"}}})
        for (const char* key : keys)
            EXPECT_EQ(UlogIni(section, key), 0) << key;
    EXPECT_EQ(UlogIni("LastLog", "LifeTime"), 7777);
    EXPECT_EQ(m_pMgr->GetLifeTime(), 7777u);
    EXPECT_EQ(UlogGetLifeTime(), 7777u);
}

TEST_F(AccountFileTest, FileOfAnotherVersionIsWipedButKeepsTheStoredLifeTime)
{
    WriteRegFile("Ulog.ini", {{"Version", "Version", 5},
                              {"OriginatedLog", "Voice1TotalTime", 500},
                              {"MessageLog", "SentMessage", 9},
                              {"LastLog", "LifeTime", 123456},
                              {"Stray", "Key", 1}});
    UlogCtlSetNvInt(459, 42);
    Load();

    EXPECT_EQ(UlogIni("Version", "Version"), 6);
    EXPECT_EQ(UlogIni("OriginatedLog", "Voice1TotalTime"), 0);
    EXPECT_EQ(UlogIni("MessageLog", "SentMessage"), 0);
    EXPECT_FALSE(UlogIni("Stray", "Key").has_value());
    EXPECT_EQ(UlogIni("LastLog", "LifeTime"), 42);
    EXPECT_EQ(m_pMgr->GetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1), 0u);
    EXPECT_EQ(m_pMgr->GetSentMsgCounter(), 0);
    EXPECT_EQ(m_pMgr->GetLifeTime(), 42u);
    // An old layout is wiped, not kept aside as a file that cannot be read.
    EXPECT_FALSE(std::filesystem::exists(m_root + "/Ulog.ini.bad"));
}

TEST_F(AccountFileTest, CurrentFileIsLoadedAsItIs)
{
    WriteRegFile("Ulog.ini", {{"Version", "Version", 6},
                              {"OriginatedLog", "Voice2TotalTime", 12},
                              {"OriginatedLog", "CSD1TotalTime", 14},
                              {"TerminatedLog", "Video1TotalTime", 23},
                              {"TerminatedLog", "CSD2TotalTime", 25},
                              {"LastLog", "LifeTime", 900},
                              {"MessageLog", "SentMessage", 4},
                              {"MessageLog", "ReceivedEmail", 6}});
    UlogCtlSetNvInt(459, 1);
    Load();

    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_2), 12u);
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1), 0u);
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_CSD, ULOG_LINE_1), 14u);
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_TERMINATED, ULOG_CALL_VIDEO, ULOG_LINE_2), 23u);
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_TERMINATED, ULOG_CALL_CSD, ULOG_LINE_2), 25u);
    // The life time comes from the file, not from the non-volatile item.
    EXPECT_EQ(UlogGetLifeTime(), 900u);
    EXPECT_EQ(m_pMgr->GetSentMsgCounter(), 4);
    EXPECT_EQ(m_pMgr->GetRcvEmailCounter(), 6);
    EXPECT_EQ(m_pMgr->GetRcvMsgCounter(), 0);
}

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

class AccountSharedTest : public AccountTest
{
protected:
    std::string HostPath(const std::string& name) const { return m_root + "/" + name; }
    std::string ReadHost(const std::string& name) const
    {
        UlogCtlWaitForStores();
        return ulogtest::ReadWholeFile(HostPath(name));
    }
    // Replaces "Ulog.ini" whole, as another process's store does.
    void StoreAsAnotherProcess(const std::string& text) const
    {
        UlogCtlWaitForStores();
        std::ofstream(HostPath("Ulog.ini.other"), std::ios::binary) << text;
        std::filesystem::rename(HostPath("Ulog.ini.other"), HostPath("Ulog.ini"));
    }
    // The current file with one value changed, as another process would store it.
    std::string WithValue(const std::string& key, const std::string& value) const
    {
        std::istringstream in(ReadHost("Ulog.ini"));
        std::string text;
        std::string line;
        while (std::getline(in, line))
            text += (line.rfind(key + "=", 0) == 0 ? key + "=" + value : line) + "\n";
        return text;
    }
};

TEST_F(AccountSharedTest, WhatAnotherProcessCountedIsKeptAndRead)
{
    Load();
    ASSERT_TRUE(m_pMgr->WriteCallTime(MakeCall(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1, 40)));
    // Meanwhile another process stored its own calls and e-mails.
    StoreAsAnotherProcess(WithValue("Voice1TotalTime", "1040"));
    StoreAsAnotherProcess(WithValue("LifeTime", "1040"));
    StoreAsAnotherProcess(WithValue("SentEmail", "3"));

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
    StoreAsAnotherProcess(WithValue("Voice1TotalTime", "2000"));
    ASSERT_TRUE(UlogResetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1));
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1), 0u);
    ASSERT_TRUE(m_pMgr->WriteCallTime(MakeCall(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1, 7)));
    EXPECT_EQ(UlogIni("OriginatedLog", "Voice1TotalTime"), 7);
}

class UnreadableFileTest : public AccountSharedTest, public ::testing::WithParamInterface<std::string>
{
};

// Whatever cannot be read is kept aside: an empty file, bytes without a section, values without a
// version, a version that is not a number.
TEST_P(UnreadableFileTest, AFileThatCannotBeReadIsKeptAsideNeverWiped)
{
    std::ofstream(HostPath("Ulog.ini"), std::ios::binary) << GetParam();
    UlogCtlSetNvInt(459, 77);
    UlogCtlClearDiagnostics();
    Load();

    EXPECT_TRUE(UlogCtlDiagnosticsContain("Ulog.ini cannot be read; kept as Ulog.ini.bad"));
    EXPECT_EQ(ReadHost("Ulog.ini.bad"), GetParam());
    // A fresh start, with the life time kept by the non-volatile item.
    EXPECT_EQ(UlogIni("Version", "Version"), 6);
    EXPECT_EQ(UlogIni("OriginatedLog", "Voice1TotalTime"), 0);
    EXPECT_EQ(UlogIni("LastLog", "LifeTime"), 77);
    EXPECT_EQ(UlogGetLifeTime(), 77u);
}

INSTANTIATE_TEST_SUITE_P(Contents, UnreadableFileTest,
                         ::testing::Values(std::string(),
                                           "\x01\x02 garbage without sections\n[Version\nVersion=six\n",
                                           "[OriginatedLog]\nVoice1TotalTime=50\n",
                                           "[Version]\nVersion=six\n[OriginatedLog]\nVoice1TotalTime=50\n"));

TEST_F(AccountSharedTest, TotalsOfTwoToTheThirtyFirstSecondsAndMoreStayWhole)
{
    Load();
    ASSERT_TRUE(
        m_pMgr->WriteCallTime(MakeCall(ULOG_LOG_TERMINATED, ULOG_CALL_CSD, ULOG_LINE_2, 1500000000u)));
    ASSERT_TRUE(
        m_pMgr->WriteCallTime(MakeCall(ULOG_LOG_TERMINATED, ULOG_CALL_CSD, ULOG_LINE_2, 1500000000u)));
    EXPECT_EQ(DiskValue("Ulog.ini", "TerminatedLog", "CSD2TotalTime"), "3000000000");
    EXPECT_EQ(DiskValue("Ulog.ini", "LastLog", "LifeTime"), "3000000000");
    EXPECT_EQ(DiskValue("Ulog.ini", "LastLog", "LastCallTime"), "1500000000");
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_TERMINATED, ULOG_CALL_CSD, ULOG_LINE_2), 3000000000u);
    EXPECT_EQ(UlogGetLifeTime(), 3000000000u);
    Unload();

    // A total an earlier version wrote as a negative number reads and grows unsigned.
    StoreAsAnotherProcess(WithValue("CSD2TotalTime", "-1294967296"));
    Load();
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_TERMINATED, ULOG_CALL_CSD, ULOG_LINE_2), 3000000000u);
    ASSERT_TRUE(m_pMgr->WriteCallTime(MakeCall(ULOG_LOG_TERMINATED, ULOG_CALL_CSD, ULOG_LINE_2, 10)));
    EXPECT_EQ(DiskValue("Ulog.ini", "TerminatedLog", "CSD2TotalTime"), "3000000010");
}
} // namespace
