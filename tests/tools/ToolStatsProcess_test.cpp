// Statistics kept by several processes at once: ulog processes run side by side on one data root, each
// starting the service, adding one call and stopping. Every event must be stored and "Ulog.ini" must
// count every call's time; a reader of the file never finds it empty or cut short; a store that cannot
// be made ends the tool with an error.
#include "support/PlatformFixture.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{
namespace fs = std::filesystem;

using IniFile = std::map<std::string, std::map<std::string, std::string>>;

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A registry file as the platform writes it; nullopt when a line is neither a section nor a value.
std::optional<IniFile> ParseIni(const std::string& text)
{
    IniFile ini;
    std::istringstream in(text);
    std::string line;
    std::string section;
    while (std::getline(in, line))
    {
        if (line.empty())
            continue;
        if (line.front() == '[' && line.back() == ']')
        {
            section = line.substr(1, line.size() - 2);
            ini[section];
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0)
            return std::nullopt;
        ini[section][line.substr(0, eq)] = line.substr(eq + 1);
    }
    return ini;
}

// A value that must be a whole unsigned number; -1 when it is missing or is not one.
long long UnsignedValue(const IniFile& ini, const std::string& section, const std::string& key)
{
    auto s = ini.find(section);
    if (s == ini.end())
        return -1;
    auto k = s->second.find(key);
    if (k == s->second.end() || k->second.empty() ||
        k->second.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stoll(k->second);
}

class ToolStatsProcessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The build directory: $ULOG_TEST_BIN, else the one this test program was built in.
        const char* bin = std::getenv("ULOG_TEST_BIN");
        std::string build = (bin != nullptr) ? bin : "";
        if (build.empty())
            build = fs::read_symlink("/proc/self/exe").parent_path().parent_path().string();
        m_tool = build + "/tools/ulog/ulog";
        ASSERT_TRUE(fs::exists(m_tool)) << m_tool << " is not built";
        m_dir = ulogtest::MakeTempDir("ulogstats");
        ASSERT_FALSE(m_dir.empty());
        m_root = m_dir + "/root";
    }
    void TearDown() override { ulogtest::RemoveTree(m_dir); }

    // Runs the tool on the data root, its output appended to <dir>/<log>.out and .err; its exit status.
    int Run(const std::vector<std::string>& args, const std::string& log) const
    {
        std::vector<std::string> all = {m_tool, "--root", m_root};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string out = m_dir + "/" + log + ".out";
        const std::string err = m_dir + "/" + log + ".err";
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        pid_t pid = 0;
        const int rc = posix_spawn(&pid, m_tool.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0)
            return -1;
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0)
            if (errno != EINTR)
                return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Every stored call event: its direction (log type) and duration, from the database.
    std::multimap<int, long long> StoredCalls() const
    {
        std::multimap<int, long long> calls;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2((m_root + "/System/ulog.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) ==
            SQLITE_OK)
        {
            sqlite3_stmt* stmt = nullptr;
            if (sqlite3_prepare_v2(db, "select logtype, endtime - starttime from UlogDuplDbTable", -1, &stmt,
                                   nullptr) == SQLITE_OK)
                while (sqlite3_step(stmt) == SQLITE_ROW)
                    calls.emplace(sqlite3_column_int(stmt, 0), sqlite3_column_int64(stmt, 1));
            sqlite3_finalize(stmt);
        }
        sqlite3_close(db);
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

    std::string m_tool;
    std::string m_dir;
    std::string m_root;
};

TEST_F(ToolStatsProcessTest, SixProcessesAddingCallsKeepEveryEventAndEveryCallsTime)
{
    constexpr int kProcesses = 6;
    constexpr int kCalls = 20;
    EXPECT_EQ(AddCallsSideBySide(kProcesses, kCalls), 0) << ReadFile(m_dir + "/worker0.err");

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
    const std::optional<IniFile> ini = ParseIni(ReadFile(m_root + "/Ulog.ini"));
    ASSERT_TRUE(ini.has_value());
    EXPECT_EQ(UnsignedValue(*ini, "Version", "Version"), 6);
    EXPECT_EQ(UnsignedValue(*ini, "OriginatedLog", "Voice1TotalTime"), anSum[0]);
    EXPECT_EQ(UnsignedValue(*ini, "TerminatedLog", "Voice1TotalTime"), anSum[1]);
    EXPECT_EQ(UnsignedValue(*ini, "LastLog", "LifeTime"), anSum[0] + anSum[1]);
    const std::optional<IniFile> nv = ParseIni(ReadFile(m_root + "/System/nv.ini"));
    ASSERT_TRUE(nv.has_value());
    EXPECT_EQ(UnsignedValue(*nv, "Nv", "459"), anSum[0] + anSum[1]);
    std::printf("[ figures  ] %d processes at once, %d events stored; outgoing %lld s, incoming %lld s; "
                "Ulog.ini %lld s and %lld s, life time %lld s\n",
                kProcesses, static_cast<int>(calls.size()), anSum[0], anSum[1],
                UnsignedValue(*ini, "OriginatedLog", "Voice1TotalTime"),
                UnsignedValue(*ini, "TerminatedLog", "Voice1TotalTime"),
                UnsignedValue(*ini, "LastLog", "LifeTime"));

    // The service reads the same figures, and no temporary file is left behind.
    EXPECT_EQ(Run({"--json", "stats"}, "stats"), 0);
    const std::string stats = ReadFile(m_dir + "/stats.out");
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
            const std::string text = ReadFile(ulogIni);
            const std::optional<IniFile> ini = ParseIni(text);
            long long nTotal = -1;
            if (ini)
            {
                const long long nOut = UnsignedValue(*ini, "OriginatedLog", "Voice1TotalTime");
                const long long nIn = UnsignedValue(*ini, "TerminatedLog", "Voice1TotalTime");
                const long long nLife = UnsignedValue(*ini, "LastLog", "LifeTime");
                if (UnsignedValue(*ini, "Version", "Version") == 6 && nOut >= 0 && nIn >= 0 && nLife >= 0 &&
                    UnsignedValue(*ini, "RecentResetDate", "CallCost") >= 0)
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
            const std::optional<IniFile> nv = ParseIni(ReadFile(nvIni));
            const long long nLife = nv ? UnsignedValue(*nv, "Nv", "459") : -1;
            if (nLife < 0)
                ++nBad;
            nShrunk += (nLife >= 0 && nLife < nLastNv) ? 1 : 0;
            nLastNv = std::max(nLastNv, nLife);
        }
    }
    writers.join();
    EXPECT_EQ(nFailures, 0) << ReadFile(m_dir + "/worker0.err");
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
    EXPECT_EQ(ReadFile(m_dir + "/blocked.err"), "ulog: statistics could not be stored\n");
    EXPECT_NE(ReadFile(m_dir + "/blocked.out").find("stored outgoing"), std::string::npos); // the event is
    const std::optional<IniFile> ini = ParseIni(ReadFile(m_root + "/Ulog.ini"));
    ASSERT_TRUE(ini.has_value());
    EXPECT_EQ(UnsignedValue(*ini, "OriginatedLog", "Voice1TotalTime"), 5);

    // A link in the place of the statistics file is refused the same way.
    fs::remove(m_root + "/Ulog.ini.lock");
    fs::rename(m_root + "/Ulog.ini", m_dir + "/elsewhere.ini");
    fs::create_symlink(m_dir + "/elsewhere.ini", m_root + "/Ulog.ini");
    EXPECT_EQ(Run({"add", "call", "--dir", "out", "--number", "0105550100", "--duration", "9"}, "link"), 1);
    EXPECT_EQ(ReadFile(m_dir + "/link.err"), "ulog: statistics could not be stored\n");
    EXPECT_EQ(ParseIni(ReadFile(m_dir + "/elsewhere.ini")), ini);

    // Reading needs no store: a data root that is only read gives no error, and no lock file is made.
    fs::remove(m_root + "/Ulog.ini");
    fs::rename(m_dir + "/elsewhere.ini", m_root + "/Ulog.ini");
    fs::remove(m_root + "/System/nv.ini.lock");
    EXPECT_EQ(Run({"stats"}, "stats"), 0) << ReadFile(m_dir + "/stats.err");
    EXPECT_EQ(Run({"list"}, "list"), 0) << ReadFile(m_dir + "/list.err");
    EXPECT_FALSE(fs::exists(m_root + "/Ulog.ini.lock"));
    EXPECT_FALSE(fs::exists(m_root + "/System/nv.ini.lock"));
}
} // namespace
