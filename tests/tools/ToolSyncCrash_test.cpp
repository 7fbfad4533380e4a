// 'ulog sync --full' over 330 logs (30 of every log type) against an address book of 1,000 contacts is
// killed (SIGKILL) at random points of its pass, after the address book was restored behind the
// service's back. Each time the check file survives the kill, the next start of the service resumes
// the pass, which runs to its end; then every log shows its contact as the address book holds it now,
// and the log database passes its integrity check.
#include "support/DataFiles.h"
#include "support/Records.h"
#include "support/ToolProcess.h"

#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvc.h"
#include "control/PlatformControl.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <thread>

namespace
{
using Clock = std::chrono::steady_clock;

const int kContacts = 1000;
const int kKills = 20;

// The key of log k (log type k / 30): a number, e-mail address, SNS person id or IM address; the
// contact k + 1 holds it (contacts are imported in this order, so their ids are 1 to 1000).
std::string KeyOf(int k)
{
    return std::to_string(10000 + k);
}

std::string ContactsFile()
{
    std::string text;
    for (int k = 0; k < kContacts; ++k)
    {
        text += "BEGIN:VCARD\nVERSION:3.0\nN:Last" + std::to_string(k) + ";First" + std::to_string(k) + "\n";
        const int type = k / 30;
        if (k < 330 && type <= ULOG_LOG_MSG_RECEIVED)
            text += "TEL;TYPE=cell:07700" + KeyOf(k) + "\n";
        else if (k < 330 && type <= ULOG_LOG_EMAIL_RECEIVED)
            text += "EMAIL:m" + KeyOf(k) + "@example.com\n";
        else if (k < 330 && type <= ULOG_LOG_SNS_2)
            text += "X-SNS:p" + KeyOf(k) + "\n";
        else if (k < 330)
            text += "IMPP:xmpp:i" + KeyOf(k) + "@im.example\n";
        else
            text += "TEL:0800" + KeyOf(k) + "\n";
        text += "END:VCARD\n";
    }
    return text;
}

class ToolSyncCrashTest : public ulogtest::ToolTest
{
protected:
    bool CheckFileExists() const
    {
        return std::filesystem::exists(m_root + "/User/Ulog/CtFullSyncCheckDummy.txt");
    }
    // The 330 logs, added in this process without contact look-ups; their unique ids by key index.
    void AddLogs()
    {
        ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
        ASSERT_EQ(0u, UlogSvcDispatch(0));
        for (int k = 0; k < 330; ++k)
        {
            const UlogLogType type = static_cast<UlogLogType>(k / 30);
            const std::string number = "07700" + KeyOf(k), person = "p" + KeyOf(k);
            ulogtest::Event e;
            e.type = type;
            e.number = type <= ULOG_LOG_MSG_RECEIVED ? number.c_str() : "";
            e.snsPersonId = type == ULOG_LOG_SNS_1 || type == ULOG_LOG_SNS_2 ? person.c_str() : "";
            e.start = 1700000000u + static_cast<unsigned>(k);
            UlogInfo info = ulogtest::MakeInfo(e);
            const std::string address = (type >= ULOG_LOG_IM_1 ? "i" : "m") + KeyOf(k) +
                                        (type >= ULOG_LOG_IM_1 ? "@im.example" : "@example.com");
            if (type >= ULOG_LOG_EMAIL_SENT && type <= ULOG_LOG_EMAIL_RECEIVED)
                WmConvert2PCode(info.mszEmailAddress, ULOG_EMAIL_ADDRESS_LEN, address.c_str());
            if (type >= ULOG_LOG_IM_1)
            {
                WmConvert2PCode(info.mszEmailAddress, ULOG_EMAIL_ADDRESS_LEN, address.c_str());
                info.nSpInfo = 1;
            }
            ASSERT_TRUE(UlogAddCallLog(&info)) << k;
            m_contactOf[info.nUniqueId] = k + 1;
        }
        UlogSvcDispatch(1);
        ASSERT_TRUE(UlogCtlReset((m_dir + "/elsewhere").c_str()));
    }
    // Renames every contact behind the service's back, as a restore of the address book would.
    void Restore(int round) const
    {
        sqlite3* db = nullptr;
        const std::string sql =
            "update contacts set first_name = 'R" + std::to_string(round) + "-' || id, last_name = ''";
        ASSERT_EQ(SQLITE_OK, sqlite3_open((m_root + "/System/contacts.db").c_str(), &db));
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr));
        sqlite3_close(db);
    }
    // The next start of the service in this process: it finds the check file and resumes the pass.
    void ResumeAndWait(bool bFileLeft)
    {
        ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
        UlogCtlCaptureDiagnostics(TRUE);
        ASSERT_EQ(0u, UlogSvcDispatch(0));
        EXPECT_EQ(bFileLeft,
                  UlogCtlDiagnosticsContain("RestartContactFullSyncCallback: full sync started!!") == TRUE);
        const auto deadline = Clock::now() + std::chrono::seconds(120);
        while (CheckFileExists() && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_FALSE(CheckFileExists()) << "the resumed pass did not end";
        UlogSvcDispatch(1);
        UlogCtlCaptureDiagnostics(FALSE);
        ASSERT_TRUE(UlogCtlReset((m_dir + "/elsewhere").c_str()));
    }
    // Every log linked to the contact holding its key, with that contact's name of the round.
    void ExpectInStep(int round) const
    {
        const std::vector<std::string> rows = ulogtest::QueryDbFile(
            m_root, "select clogdbindex, ctprimaryid, firstname from UlogDistinctDbTable");
        ASSERT_EQ(330u, rows.size());
        int nWrong = 0;
        for (const std::string& row : rows)
        {
            const int id = std::atoi(row.c_str());
            const int contact = m_contactOf.at(id);
            const std::string expected = std::to_string(id) + "|" + std::to_string(contact) + "|R" +
                                         std::to_string(round) + "-" + std::to_string(contact);
            if (row != expected && nWrong++ < 3)
                ADD_FAILURE() << "round " << round << ": " << row << " instead of " << expected;
        }
        EXPECT_EQ(0, nWrong) << "round " << round;
        EXPECT_EQ(std::vector<std::string>{"ok"}, ulogtest::QueryDbFile(m_root, "pragma integrity_check"));
        // Rows of e-mail, SNS and IM logs share the empty basic number: only the events are checked.
        EXPECT_EQ(0, ulogtest::ScalarDbFile(m_root,
                                            "select count(*) from UlogDistinctDbTable t where t.sncount != "
                                            "(select count(*) from UlogDuplDbTable d where d.parentid = "
                                            "t.clogdbindex)"))
            << "round " << round;
        EXPECT_EQ(0, ulogtest::ScalarDbFile(
                         m_root, "select count(*) from UlogDuplDbTable d join UlogDistinctDbTable t on "
                                 "d.parentid = t.clogdbindex where d.ctprimaryid != t.ctprimaryid"))
            << "round " << round << ": events not carrying their row's contact";
    }

    std::map<int, int> m_contactOf; // unique id -> contact id
};

TEST_F(ToolSyncCrashTest, APassKilledAtRandomPointsIsResumedAndEndsInStep)
{
    const std::string vcf = m_dir + "/contacts.vcf";
    std::ofstream(vcf) << ContactsFile();
    ASSERT_NE("", Ok({"contact", "import", vcf}));
    AddLogs();
    ASSERT_FALSE(HasFailure());

    // An unkilled pass gives the length of a pass in this build (a sanitizer build is several times
    // slower): kill points are spread over it.
    Restore(0);
    const ulogtest::ToolChild probe =
        ulogtest::SpawnTool({"--root", m_root, "sync", "--full"}, m_dir + "/probe.out", m_dir + "/probe.err");
    const auto t0 = Clock::now();
    while (!CheckFileExists() && Clock::now() - t0 < std::chrono::seconds(60))
        std::this_thread::yield();
    const auto t1 = Clock::now();
    ASSERT_EQ(0, ulogtest::WaitTool(probe)) << ulogtest::ReadWholeFile(probe.errPath);
    const long long nPassUs = std::max<long long>(
        1000, std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t1).count());
    ExpectInStep(0);

    std::mt19937 random(20261207u);
    int nKills = 0, nRounds = 0;
    for (int round = 1; nKills < kKills && round <= 3 * kKills; ++round, ++nRounds)
    {
        Restore(round);
        const ulogtest::ToolChild child = ulogtest::SpawnTool({"--root", m_root, "sync", "--full"},
                                                              m_dir + "/child.out", m_dir + "/child.err");
        // The pass begins once the file is there; the kill comes somewhere inside it.
        const auto begin = Clock::now();
        while (!CheckFileExists() && Clock::now() - begin < std::chrono::seconds(60))
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::microseconds(random() % (nPassUs * 9 / 10 + 1)));
        kill(child.pid, SIGKILL);
        const int code = ulogtest::WaitTool(child);
        ASSERT_TRUE(code == -SIGKILL || code == 0) << code << ": " << ulogtest::ReadWholeFile(child.errPath);
        const bool bFileLeft = CheckFileExists();
        EXPECT_TRUE(code == -SIGKILL || !bFileLeft) << "round " << round << ": a finished sync left its file";
        nKills += (code == -SIGKILL && bFileLeft) ? 1 : 0;
        ResumeAndWait(bFileLeft);
        ExpectInStep(round);
        if (HasFailure())
            break;
    }
    EXPECT_GE(nKills, kKills) << "too few kills landed inside a pass";
    std::printf("sync crash test: pass of %lld us, %d rounds, %d killed inside the pass\n", nPassUs, nRounds,
                nKills);
}
} // namespace
