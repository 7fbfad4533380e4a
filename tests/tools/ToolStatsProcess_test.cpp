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

// A value of a registry file's text that must be a whole unsigned number; -1 when the text does not
// parse or the value is not one.
long long Figure(const std::optional<IniFile>& ini, const char* section, const char* key)
{
    return ini ? ulogtest::IniUnsigned(*ini, section, key) : -1;
}

class ToolStatsProcessTest : public ulogtest::ToolTest
{
protected:
    // Every stored call event: its direction (log type) and duration, from the database.
    std::multimap<int, long long> StoredCalls() const
    {
        std::multimap<int, long long> calls;
        for (const std::string& row :
             ulogtest::QueryDbFile(m_root, "select logtype, endtime - starttime from UlogDuplDbTable"))
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
                        failures += Run({"add", "call", "--dir", (p % 2 == 0) ? "out" : "in", "--number",
                                         "0105550" + std::to_string(100 + p), "--duration",
                                         std::to_string(Duration(p, i))},
                                        "", "worker" + std::to_string(p))
                                        .code != 0;
                });
        for (std::thread& worker : workers)
            worker.join();
        return failures.load();
    }
    static long long Duration(int p, int i) { return 1000LL * (p + 1) + 7 * i + 1; }
};

TEST_F(ToolStatsProcessTest, SixProcessesAddingCallsKeepEveryEventAndEveryCallsTimeAndAreReadWhole)
{
    constexpr int kProcesses = 6;
    constexpr int kCalls = 20;
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
    long long nReads = 0, nBad = 0, nShrunk = 0, nLastTotal = 0, nLastNv = 0;
    std::string firstBad;
    while (!bDone.load())
    {
        if (fs::exists(m_root + "/Ulog.ini"))
        {
            const std::string text = ReadWholeFile(m_root + "/Ulog.ini");
            const std::optional<IniFile> ini = ParseIni(text);
            const long long nOut = Figure(ini, "OriginatedLog", "Voice1TotalTime");
            const long long nIn = Figure(ini, "TerminatedLog", "Voice1TotalTime");
            const bool bWhole = Figure(ini, "Version", "Version") == 6 && nOut >= 0 && nIn >= 0 &&
                                Figure(ini, "LastLog", "LifeTime") >= 0 &&
                                Figure(ini, "RecentResetDate", "CallCost") >= 0;
            ++nReads;
            if (!bWhole && nBad++ == 0)
                firstBad = text;
            nShrunk += (bWhole && nOut + nIn < nLastTotal) ? 1 : 0;
            nLastTotal = bWhole ? nOut + nIn : nLastTotal;
        }
        if (fs::exists(m_root + "/System/nv.ini"))
        {
            const long long nLife = Figure(ParseIni(ReadWholeFile(m_root + "/System/nv.ini")), "Nv", "459");
            nBad += (nLife < 0) ? 1 : 0;
            nShrunk += (nLife >= 0 && nLife < nLastNv) ? 1 : 0;
            nLastNv = std::max(nLastNv, nLife);
        }
    }
    writers.join();
    EXPECT_EQ(nFailures, 0) << ReadWholeFile(m_dir + "/worker0.err");
    EXPECT_GT(nReads, 0);
    EXPECT_EQ(nBad, 0) << "first bad read of " << nReads << ":\n" << firstBad;
    EXPECT_EQ(nShrunk, 0);

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
    EXPECT_EQ(Figure(ini, "Version", "Version"), 6);
    EXPECT_EQ(Figure(ini, "OriginatedLog", "Voice1TotalTime"), anSum[0]);
    EXPECT_EQ(Figure(ini, "TerminatedLog", "Voice1TotalTime"), anSum[1]);
    EXPECT_EQ(Figure(ini, "LastLog", "LifeTime"), anSum[0] + anSum[1]);
    EXPECT_EQ(Figure(ParseIni(ReadWholeFile(m_root + "/System/nv.ini")), "Nv", "459"), anSum[0] + anSum[1]);
    std::printf("[ figures  ] %d processes at once, %d events stored, %lld reads of Ulog.ini meanwhile; "
                "outgoing %lld s, incoming %lld s\n",
                kProcesses, static_cast<int>(calls.size()), nReads, anSum[0], anSum[1]);

    // The service reads the same figures, and no temporary file is left behind.
    EXPECT_TRUE(ulogtest::Holds(Ok({"--json", "stats"}),
                                {"\"outgoing\": {\"voice\": [" + std::to_string(anSum[0]) + ", 0]",
                                 "\"incoming\": {\"voice\": [" + std::to_string(anSum[1]) + ", 0]"}));
    for (const auto& entry : fs::recursive_directory_iterator(m_root))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST_F(ToolStatsProcessTest, AStoreThatCannotBeMadeEndsTheToolWithAnError)
{
    Ok({"add", "call", "--dir", "out", "--number", "0105550100", "--duration", "5"});
    // The statistics' lock file cannot be made: nothing can be stored, but the event is.
    fs::remove(m_root + "/Ulog.ini.lock");
    fs::create_directory(m_root + "/Ulog.ini.lock");
    ulogtest::ToolResult r =
        Run({"add", "call", "--dir", "out", "--number", "0105550100", "--duration", "7"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "ulog: statistics could not be stored\n");
    EXPECT_TRUE(ulogtest::Holds(r.out, {"stored outgoing"}));
    const std::optional<IniFile> ini = ParseIni(ReadWholeFile(m_root + "/Ulog.ini"));
    ASSERT_TRUE(ini.has_value());
    EXPECT_EQ(Figure(ini, "OriginatedLog", "Voice1TotalTime"), 5);

    // A link in the place of the statistics file is refused the same way.
    fs::remove(m_root + "/Ulog.ini.lock");
    fs::rename(m_root + "/Ulog.ini", m_dir + "/elsewhere.ini");
    fs::create_symlink(m_dir + "/elsewhere.ini", m_root + "/Ulog.ini");
    r = Run({"add", "call", "--dir", "out", "--number", "0105550100", "--duration", "9"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "ulog: statistics could not be stored\n");
    EXPECT_EQ(ParseIni(ReadWholeFile(m_dir + "/elsewhere.ini")), ini);

    // Reading needs no store: a data root that is only read gives no error, and no lock file is made.
    fs::remove(m_root + "/Ulog.ini");
    fs::rename(m_dir + "/elsewhere.ini", m_root + "/Ulog.ini");
    fs::remove(m_root + "/System/nv.ini.lock");
    Ok({"stats"});
    Ok({"list"});
    EXPECT_FALSE(fs::exists(m_root + "/Ulog.ini.lock"));
    EXPECT_FALSE(fs::exists(m_root + "/System/nv.ini.lock"));
}
} // namespace
