// Statistics shared with other processes: what another process stores in "Ulog.ini" is kept and
// read, a file that cannot be read is kept aside instead of wiped, and totals beyond 2^31 seconds
// stay whole.
#include "UlogSvcAccountMgr/AccountTestUtil.h"

#include "UlogSvcLogMgr/CUlogEmailLog.h"
#include "control/PlatformControl.h"

#include <filesystem>
#include <sstream>

using namespace accounttest;

namespace
{
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
