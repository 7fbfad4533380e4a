// Statistics kept by several processes at once: ulog processes run side by side on one data root, each
// starting the service, adding one call and stopping. Every event must be stored and "Ulog.ini" must
// count every call's time; a reader of the file never finds it empty or cut short; a store that cannot
// be made ends the tool with an error.
#include "support/DataFiles.h"
#include "support/ToolProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace
{
namespace fs = std::filesystem;

using ulogtest::IniFile;
using ulogtest::ParseIni;
using ulogtest::ReadWholeFile;

class ToolStatsProcessTest : public ulogtest::ToolTest
{
protected:
    // Runs the tool on the data root, its output in <dir>/<log>.out and .err; its exit status.
    int Run(const std::vector<std::string>& args, const std::string& log) const
    {
        return ulogtest::ToolTest::Run(args, "", log).code;
    }

    // Every stored call event: its direction (log type) and duration, from the database.
    std::multimap<int, long long> StoredCalls() const
    {
        std::multimap<int, long long> calls;
        for (const std::string& row :
             ulogtest::QueryDbFile(m_root, "select logtype, endtime - starttime from "
                                           "UlogDuplDbTable"))
            calls.emplace(std::atoi(row.c_str()), std::atoll(row.substr(row.find('|') + 1).c_str()));
        return calls;
    }

    // Adds calls from several processes at once: worker p runs nCalls processes one after the other,
    // each adding one call of its own duration, outgoing for even p, incoming for odd p. The number of
    // processes that failed.
    int AddCallsSideBySide(int nProcesses, int nCalls) const
    {
        std::atomic<int> failures{0};
        std::vector<std::thread> workers;
        for (int p = 0; p < nProcesses; ++p)
            workers.emplace_back(
                [this, &failures, p, nCalls]
                {
                    for (int i = 0; i < nCalls; ++i)
                        if (Run({"add", "call", "--dir", (p % 2 == 0) ? "out" : "in", "--number",
                                 "0105550" + std::to_string(100 + p), "--duration",
                                 std::to_string(Duration(p, i))},
                                "worker" + std::to_string(p)) != 0)
                            ++failures;
                });
        for (std::thread& worker : workers)
            worker.join();
        return failures.load();
    }
    static long long Duration(int p, int i) { return 1000LL * (p + 1) + 7 * i + 1; }
};

TEST_F(ToolStatsProcessTest, SixProcessesAddingCallsKeepEveryEventAndEveryCallsTime)
{
    constexpr int kProcesses = 6;
    constexpr int kCalls = 20;
    EXPECT_EQ(AddCallsSideBySide(kProcesses, kCalls), 0) << ReadWholeFile(m_dir + "/worker0.err");

    // Every event is stored, each with its own duration.
    const std::multimap<int, long long> calls = StoredCalls();
    ASSERT_EQ(calls.size(), static_cast<size_t>(kProcesses * kCalls));
    long long anSum[2] = {0, 0};
    for (const auto& [iLogType, nDuration] : calls)
    {
        ASSERT_TRUE(iLogType == 0 || iLogType == 1) << iLogType;
        anSum[iLogType] += nDuration;
    }
    long long anExpected[2] = {0, 0};
    for (int p = 0; p < kProcesses; ++p)
        for (int i = 0; i < kCalls; ++i)
            anExpected[p % 2] += Duration(p, i);
    EXPECT_EQ(anSum[0], anExpected[0]);
    EXPECT_EQ(anSum[1], anExpected[1]);

    // The totals, the life time and its non-volatile copy count every call, none twice.
    const std::optional<IniFile> ini = ParseIni(ReadWholeFile(m_root + "/Ulog.ini"));
    ASSERT_TRUE(ini.has_value());
    EXPECT_EQ(ulogtest::IniUnsigned(*ini, "Version", "Version"), 6);
    EXPECT_EQ(ulogtest::IniUnsigned(*ini, "OriginatedLog", "Voice1TotalTime"), anSum[0]);
    EXPECT_EQ(ulogtest::IniUnsigned(*ini, "TerminatedLog", "Voice1TotalTime"), anSum[1]);
    EXPECT_EQ(ulogtest::IniUnsigned(*ini, "LastLog", "LifeTime"), anSum[0] + anSum[1]);
    const std::optional<IniFile> nv = ParseIni(ReadWholeFile(m_root + "/System/nv.ini"));
    ASSERT_TRUE(nv.has_value());
    EXPECT_EQ(ulogtest::IniUnsigned(*nv, "Nv", "459"), anSum[0] + anSum[1]);
    std::printf("[ figures  ] %d processes at once, %d events stored; outgoing %lld s, incoming %lld s; "
                "Ulog.ini %lld s and %lld s, life time %lld s\n",
                kProcesses, static_cast<int>(calls.size()), anSum[0], anSum[1],
                ulogtest::IniUnsigned(*ini, "OriginatedLog", "Voice1TotalTime"),
                ulogtest::IniUnsigned(*ini, "TerminatedLog", "Voice1TotalTime"),
                ulogtest::IniUnsigned(*ini, "LastLog", "LifeTime"));

    // The service reads the same figures, and no temporary file is left behind.
    EXPECT_EQ(Run({"--json", "stats"}, "stats"), 0);
    const std::string stats = ReadWholeFile(m_dir + "/stats.out");
    EXPECT_NE(stats.find("\"outgoing\": {\"voice\": [" + std::to_string(anSum[0]) + ", 0]"),
              std::string::npos)
        << stats;
    EXPECT_NE(stats.find("\"incoming\": {\"voice\": [" + std::to_string(anSum[1]) + ", 0]"),
              std::string::npos)
        << stats;
    for (const auto& entry : fs::recursive_directory_iterator(m_root))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST_F(ToolStatsProcessTest, AReaderNeverFindsTheStatisticsEmptyOrCutShort)
{
    constexpr int kProcesses = 4;
    constexpr int kCalls = 12;
    std::atomic<bool> bDone{false};
    int nFailures = 0;
    std::thread writers(
        [&]
        {
            nFailures = AddCallsSideBySide(kProcesses, kCalls);
            bDone = true;
        });

    // Read both files over and over while the processes store them: each read is a whole file, and
    // the figures only ever grow.
    const std::string ulogIni = m_root + "/Ulog.ini";
    const std::string nvIni = m_root + "/System/nv.ini";
    long long nReads = 0;
    long long nBad = 0;
    long long nShrunk = 0;
    long long nLastTotal = 0;
    long long nLastNv = 0;
    std::string firstBad;
    while (!bDone.load())
    {
        if (fs::exists(ulogIni))
        {
            ++nReads;
            const std::string text = ReadWholeFile(ulogIni);
            const std::optional<IniFile> ini = ParseIni(text);
            long long nTotal = -1;
            if (ini)
            {
                const long long nOut = ulogtest::IniUnsigned(*ini, "OriginatedLog", "Voice1TotalTime");
                const long long nIn = ulogtest::IniUnsigned(*ini, "TerminatedLog", "Voice1TotalTime");
                const long long nLife = ulogtest::IniUnsigned(*ini, "LastLog", "LifeTime");
                if (ulogtest::IniUnsigned(*ini, "Version", "Version") == 6 && nOut >= 0 && nIn >= 0 &&
                    nLife >= 0 && ulogtest::IniUnsigned(*ini, "RecentResetDate", "CallCost") >= 0)
                    nTotal = nOut + nIn;
            }
            if (nTotal < 0)
            {
                if (nBad++ == 0)
                    firstBad = text;
            }
            else
            {
                nShrunk += (nTotal < nLastTotal) ? 1 : 0;
                nLastTotal = nTotal;
            }
        }
        if (fs::exists(nvIni))
        {
            const std::optional<IniFile> nv = ParseIni(ReadWholeFile(nvIni));
            const long long nLife = nv ? ulogtest::IniUnsigned(*nv, "Nv", "459") : -1;
            if (nLife < 0)
                ++nBad;
            nShrunk += (nLife >= 0 && nLife < nLastNv) ? 1 : 0;
            nLastNv = std::max(nLastNv, nLife);
        }
    }
    writers.join();
    EXPECT_EQ(nFailures, 0) << ReadWholeFile(m_dir + "/worker0.err");
    EXPECT_GT(nReads, 0);
    EXPECT_EQ(nBad, 0) << "first bad read of " << nReads << ":\n" << firstBad;
    EXPECT_EQ(nShrunk, 0);
    std::printf("[ figures  ] %lld reads of Ulog.ini while %d processes stored %d calls\n", nReads,
                kProcesses, kProcesses * kCalls);
}

TEST_F(ToolStatsProcessTest, AStoreThatCannotBeMadeEndsTheToolWithAnError)
{
    ASSERT_EQ(Run({"add", "call", "--dir", "out", "--number", "0105550100", "--duration", "5"}, "first"), 0);
    // The statistics' lock file cannot be made: nothing can be stored.
    fs::remove(m_root + "/Ulog.ini.lock");
    fs::create_directory(m_root + "/Ulog.ini.lock");
    EXPECT_EQ(Run({"add", "call", "--dir", "out", "--number", "0105550100", "--duration", "7"}, "blocked"),
              1);
    EXPECT_EQ(ReadWholeFile(m_dir + "/blocked.err"), "ulog: statistics could not be stored\n");
    EXPECT_NE(ReadWholeFile(m_dir + "/blocked.out").find("stored outgoing"),
              std::string::npos); // the event is
    const std::optional<IniFile> ini = ParseIni(ReadWholeFile(m_root + "/Ulog.ini"));
    ASSERT_TRUE(ini.has_value());
    EXPECT_EQ(ulogtest::IniUnsigned(*ini, "OriginatedLog", "Voice1TotalTime"), 5);

    // A link in the place of the statistics file is refused the same way.
    fs::remove(m_root + "/Ulog.ini.lock");
    fs::rename(m_root + "/Ulog.ini", m_dir + "/elsewhere.ini");
    fs::create_symlink(m_dir + "/elsewhere.ini", m_root + "/Ulog.ini");
    EXPECT_EQ(Run({"add", "call", "--dir", "out", "--number", "0105550100", "--duration", "9"}, "link"), 1);
    EXPECT_EQ(ReadWholeFile(m_dir + "/link.err"), "ulog: statistics could not be stored\n");
    EXPECT_EQ(ParseIni(ReadWholeFile(m_dir + "/elsewhere.ini")), ini);

    // Reading needs no store: a data root that is only read gives no error, and no lock file is made.
    fs::remove(m_root + "/Ulog.ini");
    fs::rename(m_dir + "/elsewhere.ini", m_root + "/Ulog.ini");
    fs::remove(m_root + "/System/nv.ini.lock");
    EXPECT_EQ(Run({"stats"}, "stats"), 0) << ReadWholeFile(m_dir + "/stats.err");
    EXPECT_EQ(Run({"list"}, "list"), 0) << ReadWholeFile(m_dir + "/list.err");
    EXPECT_FALSE(fs::exists(m_root + "/Ulog.ini.lock"));
    EXPECT_FALSE(fs::exists(m_root + "/System/nv.ini.lock"));
}
} // namespace
