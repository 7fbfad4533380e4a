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

// Log k has the type k / 30 and a key that the contact k + 1 holds (imported in this order): a number,
// an e-mail address, an SNS person id or an IM address. 670 more contacts hold other numbers.
std::string ContactsFile()
{
    std::string text;
    for (int k = 0; k < 1000; ++k)
    {
        const std::string key = std::to_string(10000 + k);
        const int type = k < 330 ? k / 30 : 0;
        text += "BEGIN:VCARD\nVERSION:3.0\nN:Last;First" + key + "\n";
        text += type <= ULOG_LOG_MSG_RECEIVED     ? "TEL;TYPE=cell:0770" + std::to_string(k < 330) + key
                : type <= ULOG_LOG_EMAIL_RECEIVED ? "EMAIL:m" + key + "@example.com"
                : type <= ULOG_LOG_SNS_2          ? "X-SNS:p" + key
                                                  : "IMPP:xmpp:m" + key + "@example.com";
        text += "\nEND:VCARD\n";
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
    // The service in this process on the data root, for f; another root afterwards.
    template <class F> void InService(F f)
    {
        ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
        UlogCtlCaptureDiagnostics(TRUE);
        ASSERT_EQ(0u, UlogSvcDispatch(0));
        f();
        UlogSvcDispatch(1);
        ASSERT_TRUE(UlogCtlReset((m_dir + "/elsewhere").c_str()));
    }
    void AddLogs()
    {
        for (int k = 0; k < 330; ++k)
        {
            const UlogLogType type = static_cast<UlogLogType>(k / 30);
            const std::string key = std::to_string(10000 + k), number = "07701" + key, person = "p" + key;
            ulogtest::Event e;
            e.type = type;
            e.number = type <= ULOG_LOG_MSG_RECEIVED ? number.c_str() : "";
            e.snsPersonId = type == ULOG_LOG_SNS_1 || type == ULOG_LOG_SNS_2 ? person.c_str() : "";
            e.start = 1700000000u + static_cast<unsigned>(k);
            UlogInfo info = ulogtest::MakeInfo(e);
            if (type >= ULOG_LOG_EMAIL_SENT && e.snsPersonId[0] == '\0')
                WmConvert2PCode(info.mszEmailAddress, ULOG_EMAIL_ADDRESS_LEN,
                                ("m" + key + "@example.com").c_str());
            info.nSpInfo = type >= ULOG_LOG_IM_1 ? 1 : -1;
            ASSERT_TRUE(UlogAddCallLog(&info)) << k;
            m_contactOf[info.nUniqueId] = k + 1;
        }
    }
    // Renames every contact behind the service's back, as a restore of the address book would.
    void Restore(int round) const
    {
        sqlite3* db = nullptr;
        const std::string sql = "update contacts set first_name = 'R" + std::to_string(round) + "-' || id";
        ASSERT_EQ(SQLITE_OK, sqlite3_open((m_root + "/System/contacts.db").c_str(), &db));
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr));
        sqlite3_close(db);
    }
    // Every log linked to the contact holding its key, with that contact's name of the round.
    void ExpectInStep(int round) const
    {
        int nWrong = 0;
        for (const std::string& row : ulogtest::QueryDbFile(
                 m_root, "select clogdbindex, ctprimaryid, firstname from UlogDistinctDbTable"))
        {
            const int id = std::atoi(row.c_str()), contact = m_contactOf.count(id) ? m_contactOf.at(id) : -1;
            const std::string expected = std::to_string(id) + "|" + std::to_string(contact) + "|R" +
                                         std::to_string(round) + "-" + std::to_string(contact);
            EXPECT_TRUE(row == expected || ++nWrong > 3)
                << "round " << round << ": " << row << " not " << expected;
        }
        EXPECT_EQ(0, nWrong) << "round " << round;
        EXPECT_EQ(330, ulogtest::ScalarDbFile(m_root, "select count(*) from UlogDistinctDbTable"));
        EXPECT_EQ(std::vector<std::string>{"ok"}, ulogtest::QueryDbFile(m_root, "pragma integrity_check"));
        EXPECT_EQ(0, ulogtest::ScalarDbFile(m_root,
                                            "select count(*) from UlogDuplDbTable d join UlogDistinctDbTable "
                                            "t on d.parentid = t.clogdbindex where d.ctprimaryid != "
                                            "t.ctprimaryid"))
            << "round " << round << ": events not carrying their row's contact";
    }
    // Starts 'sync --full' and waits until its pass has begun (the check file is there).
    ulogtest::ToolChild StartSync() const
    {
        const ulogtest::ToolChild child = ulogtest::SpawnTool({"--root", m_root, "sync", "--full"},
                                                              m_dir + "/sync.out", m_dir + "/sync.err");
        const auto begin = Clock::now();
        while (!CheckFileExists() && Clock::now() - begin < std::chrono::seconds(60))
            std::this_thread::yield();
        return child;
    }

    std::map<int, int> m_contactOf; // unique id -> contact id
};

TEST_F(ToolSyncCrashTest, APassKilledAtRandomPointsIsResumedAndEndsInStep)
{
    const std::string vcf = m_dir + "/contacts.vcf";
    std::ofstream(vcf) << ContactsFile();
    ASSERT_NE("", Ok({"contact", "import", vcf}));
    InService([this] { AddLogs(); });
    ASSERT_FALSE(HasFailure());

    // An unkilled pass gives the length of a pass in this build (a sanitizer build is several times
    // slower): kill points are spread over it.
    Restore(0);
    const ulogtest::ToolChild probe = StartSync();
    const auto t0 = Clock::now();
    ASSERT_EQ(0, ulogtest::WaitTool(probe)) << ulogtest::ReadWholeFile(probe.errPath);
    const long long nPassUs = std::max<long long>(
        1000, std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0).count());
    ExpectInStep(0);

    std::mt19937 random(20261207u);
    // The window shrinks whenever a pass ends before its kill (a loaded machine runs it at another pace
    // than the probe's), so that the kills keep landing inside passes.
    long long nWindowUs = nPassUs * 9 / 10 + 1;
    int nKills = 0, round = 1;
    for (; nKills < 20 && round <= 200 && !HasFailure(); ++round)
    {
        Restore(round);
        const ulogtest::ToolChild child = StartSync();
        std::this_thread::sleep_for(std::chrono::microseconds(random() % nWindowUs));
        kill(child.pid, SIGKILL);
        const int code = ulogtest::WaitTool(child);
        ASSERT_TRUE(code == -SIGKILL || code == 0) << code << ": " << ulogtest::ReadWholeFile(child.errPath);
        const bool bFileLeft = CheckFileExists();
        EXPECT_TRUE(code == -SIGKILL || !bFileLeft) << "round " << round << ": a finished sync left its file";
        nKills += (code == -SIGKILL && bFileLeft) ? 1 : 0;
        if (!bFileLeft)
            nWindowUs = std::max<long long>(1, nWindowUs * 3 / 4);
        // The next start finds the file and resumes the pass, which runs to its end.
        InService(
            [&]
            {
                EXPECT_EQ(bFileLeft, UlogCtlDiagnosticsContain(
                                         "RestartContactFullSyncCallback: full sync started!!") == TRUE);
                const auto deadline = Clock::now() + std::chrono::seconds(120);
                while (CheckFileExists() && Clock::now() < deadline)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                EXPECT_FALSE(CheckFileExists()) << "round " << round << ": the resumed pass did not end";
            });
        ExpectInStep(round);
    }
    EXPECT_GE(nKills, 20) << "too few kills landed inside a pass";
    std::printf("sync crash test: pass of %lld us, %d rounds, %d killed inside the pass\n", nPassUs,
                round - 1, nKills);
}
} // namespace
