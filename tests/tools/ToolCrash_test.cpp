// Processes adding events to one data root are killed (SIGKILL) at random points, several at once,
// the first ones while they create the database. Afterwards every event that a process reported
// stored is there, the tables are consistent, the next start finds every index, and Ulog.ini parses
// with totals that never went down and never count an event that is not stored. Then one process at
// a time adds a stream of events, reporting each stored one through a pipe, and is killed part way.
#include "support/DataFiles.h"
#include "support/Records.h"
#include "support/ToolProcess.h"

#include "UlogSvc.h"
#include "control/PlatformControl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace
{
using ulogtest::QueryDbFile;
using ulogtest::ReadWholeFile;

struct Added
{
    unsigned start;
    unsigned duration;
};

class ToolCrashTest : public ulogtest::ToolTest
{
protected:
    // The total outgoing voice call time of line 1 in Ulog.ini; -1 when the file does not parse.
    long long OutgoingTotal(std::string& problem)
    {
        const std::string text = ReadWholeFile(m_root + "/Ulog.ini");
        if (text.empty())
            return 0; // not written yet
        const std::optional<ulogtest::IniFile> ini = ulogtest::ParseIni(text);
        const long long total = ini ? ulogtest::IniUnsigned(*ini, "OriginatedLog", "Voice1TotalTime") : -1;
        if (!ini || ulogtest::IniUnsigned(*ini, "Version", "Version") != 6 || total < 0)
        {
            problem = "no version, no total or a line that is neither a section nor a key:\n" + text;
            return -1;
        }
        return total;
    }
};

TEST_F(ToolCrashTest, KilledAddersLoseNothingTheyReportedAndLeaveAConsistentRoot)
{
    const unsigned kBase = 1790000000u;
    const int kKills = 100;
    const int kAtOnce = 4;
    std::mt19937 random(20261206u);
    // Kill points are spread over the time a round of adders takes in this build (a sanitizer build is
    // several times slower), so that some adders finish and most are cut off somewhere inside.
    const auto t0 = std::chrono::steady_clock::now();
    std::vector<ulogtest::ToolChild> probes;
    for (int k = 0; k < kAtOnce; ++k)
        probes.push_back(ulogtest::SpawnTool(
            {"--root", m_dir + "/probe", "add", "call", "--dir", "out", "--number", std::to_string(k + 1)},
            m_dir + "/probe.out" + std::to_string(k), m_dir + "/probe.err" + std::to_string(k)));
    for (const ulogtest::ToolChild& probe : probes)
        ASSERT_EQ(0, ulogtest::WaitTool(probe)) << ReadWholeFile(probe.errPath);
    const long long nRoundUs = std::max<long long>(
        20000,
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0).count());
    std::map<unsigned, Added> reported; // by start time, which is unique per event
    long long nLastTotal = 0;
    int nKills = 0, nProcesses = 0;
    // 20 correspondents and at most 150 rounds: no row reaches 30 events, so none is evicted.
    for (int round = 0; nKills < kKills && round < 150; ++round)
    {
        std::vector<ulogtest::ToolChild> children;
        std::vector<Added> adds;
        for (int k = 0; k < kAtOnce; ++k)
        {
            const int n = round * kAtOnce + k;
            const Added add = {kBase + static_cast<unsigned>(n) * 100u, 1u + static_cast<unsigned>(n % 97)};
            const std::string number = "07700900" + std::to_string(100 + n % 20);
            const std::string out = m_dir + "/out" + std::to_string(k),
                              err = m_dir + "/err" + std::to_string(k);
            children.push_back(ulogtest::SpawnTool({"--root", m_root, "add", "call", "--dir", "out",
                                                    "--number", number, "--start", std::to_string(add.start),
                                                    "--duration", std::to_string(add.duration)},
                                                   out, err));
            adds.push_back(add);
            ++nProcesses;
        }
        // The first rounds die early, while the root and the database are being created.
        const long long nMaxDelayUs = round < 3 ? nRoundUs / 4 : nRoundUs * 5 / 4;
        std::this_thread::sleep_for(std::chrono::microseconds(random() % nMaxDelayUs));
        for (const ulogtest::ToolChild& child : children)
            kill(child.pid, SIGKILL);
        for (size_t k = 0; k < children.size(); ++k)
        {
            const int code = ulogtest::WaitTool(children[k]);
            if (code == -SIGKILL)
                ++nKills;
            else if (code == 0)
            {
                const std::string out = ReadWholeFile(children[k].outPath);
                ASSERT_EQ(0u, out.rfind("stored outgoing: id ", 0)) << out;
                reported[adds[k].start] = adds[k];
            }
            else
                ADD_FAILURE() << "an adder failed without being killed (" << code
                              << "): " << ReadWholeFile(children[k].errPath);
        }
        std::string problem;
        const long long nTotal = OutgoingTotal(problem);
        ASSERT_GE(nTotal, 0) << "round " << round << ": Ulog.ini does not parse: " << problem;
        EXPECT_GE(nTotal, nLastTotal) << "round " << round << ": the total went down";
        nLastTotal = nTotal;
    }
    ASSERT_GE(nKills, kKills);
    EXPECT_GT(reported.size(), 10u) << "too few adders finished to check anything";

    // The next start repairs what a killed first start left undone.
    Ok({"list"});

    // Every event reported stored is there.
    std::set<unsigned> stored;
    for (const std::string& row : QueryDbFile(m_root, "select starttime from UlogDuplDbTable"))
        stored.insert(static_cast<unsigned>(std::strtoul(row.c_str(), nullptr, 10)));
    for (const auto& [start, add] : reported)
        EXPECT_EQ(1u, stored.count(start)) << "the event starting at " << start << " was reported stored";

    // Consistent tables and every index of a database made without interruption.
    EXPECT_EQ(std::vector<std::string>{"ok"}, QueryDbFile(m_root, "pragma integrity_check"));
    ulogtest::ExpectTablesConsistent(m_root, "after the kills");
    const std::string reference = m_dir + "/reference";
    ASSERT_EQ(Run({"add", "call", "--dir", "out", "--number", "1"}, reference).code, 0);
    const std::string indexes = "select name from sqlite_master where type = 'index' order by name";
    EXPECT_EQ(QueryDbFile(reference, indexes), QueryDbFile(m_root, indexes));

    // The statistics count only stored events: at most the durations of the stored events (a crash
    // right after a commit may lose that event's share, never add one).
    long long nStoredTotal = 0;
    for (const std::string& row :
         QueryDbFile(m_root, "select endtime - starttime from UlogDuplDbTable where logtype = 0"))
        nStoredTotal += std::atoll(row.c_str());
    std::string problem;
    const long long nTotal = OutgoingTotal(problem);
    EXPECT_LE(nTotal, nStoredTotal) << problem;
    // A process that ended well had its statistics stored before it exited: they are all counted.
    long long nReportedTotal = 0;
    for (const auto& [start, add] : reported)
        nReportedTotal += add.duration;
    EXPECT_GE(nTotal, nReportedTotal);
    std::printf("crash test: %d processes, %d killed, %zu reported stored, %zu events stored, total %lld s "
                "(reported events %lld s, stored events %lld s)\n",
                nProcesses, nKills, reported.size(), stored.size(), nTotal, nReportedTotal, nStoredTotal);
}

// The child of the stream test: adds outgoing calls from the start time on, the n-th of the stream to
// correspondent (nFirstIndex + n) % 30, and writes the start time of each Add that returned TRUE to
// the pipe. Never returns.
[[noreturn]] void AddStream(const std::string& root, unsigned nFirstStart, unsigned nFirstIndex, int fd)
{
    if (!UlogCtlReset(root.c_str()))
        _exit(2);
    UlogSvcDispatch(0);
    for (unsigned n = 0; n < 1000; ++n)
    {
        char szNumber[16];
        std::snprintf(szNumber, sizeof(szNumber), "0770090%04u", (nFirstIndex + n) % 30);
        ulogtest::Event event;
        event.number = szNumber;
        event.start = nFirstStart + n;
        event.duration = 7;
        UlogInfo info = ulogtest::MakeInfo(event);
        if (UlogAddCallLog(&info) && write(fd, &info.tmStart, sizeof(info.tmStart)) != sizeof(info.tmStart))
            _exit(3);
    }
    _exit(0);
}

TEST_F(ToolCrashTest, AStreamOfAddsKilledPartWayLosesNothingItReported)
{
    std::mt19937 random(20261207u);
    std::set<unsigned> reported;
    // The events go round 30 correspondents, at most 17 a child: no row reaches 30 events, nothing is
    // evicted.
    unsigned nIndex = 0;
    for (int nKill = 0; nKill < 50; ++nKill)
    {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const unsigned nFirst = 1795000000u + static_cast<unsigned>(nKill) * 1000u;
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0)
        {
            close(fds[0]);
            AddStream(m_root, nFirst, nIndex, fds[1]);
        }
        close(fds[1]);
        // Killed in the Add that follows the chosen report; reports already in the pipe still count.
        const size_t nKillAfter = 1 + random() % 16;
        size_t nReports = 0;
        unsigned nStart = 0;
        while (read(fds[0], &nStart, sizeof(nStart)) == static_cast<ssize_t>(sizeof(nStart)))
        {
            reported.insert(nStart);
            if (++nReports == nKillAfter)
                kill(pid, SIGKILL);
        }
        close(fds[0]);
        nIndex += static_cast<unsigned>(nReports) + 1; // the Add cut off may have been stored
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the adder ended by itself: " << status;
        std::string problem;
        ASSERT_GE(OutgoingTotal(problem), 0) << "kill " << nKill << ": Ulog.ini does not parse: " << problem;
    }
    std::set<unsigned> stored;
    for (const std::string& row : QueryDbFile(m_root, "select starttime from UlogDuplDbTable"))
        stored.insert(static_cast<unsigned>(std::strtoul(row.c_str(), nullptr, 10)));
    for (unsigned nStart : reported)
        EXPECT_EQ(1u, stored.count(nStart)) << "the event starting at " << nStart << " was reported stored";
    EXPECT_EQ(std::vector<std::string>{"ok"}, QueryDbFile(m_root, "pragma integrity_check"));
    ulogtest::ExpectTablesConsistent(m_root, "after the killed streams");
    std::printf("stream crash test: 50 adders killed, %zu events reported stored, %zu stored\n",
                reported.size(), stored.size());
}
} // namespace
