// The SQL engine against raw SQLite: the log service's 46-column insert (values in the text, six
// 16-bit texts bound to "?") and its single-row select by id, run through the engine and through
// SQLite directly on a file with the same settings (WAL, synchronous=NORMAL). The raw insert keeps one
// statement prepared and binds every value, the floor of this insert; the raw select is measured both
// ways, compiling each composed text and kept prepared. Prints the ratios at the end (the medians when
// run with --benchmark_repetitions).
#include "KivCore/KivCore.h"
#include "control/PlatformControl.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

namespace
{
const char* const kCreate =
    "create table UlogDistinctDbTable ( clogdbindex int primary key, sortindex int, groupid int, parentid "
    "int, "
    "starttime bigint, endtime bigint, wifitime bigint, gsmtime bigint, logtype int, calltype int, linetype "
    "int, "
    "phonetype int, storagetype int, callcost int, ctprimaryid int, ctdataid int, ctfdnid int, myaccountid "
    "int, "
    "sncount int, stagetype int, isvideoshare tinyint, iscnap tinyint, isuncheckedyet tinyint, istemplog "
    "tinyint, "
    "aliasaddress varchar(129), basicnumber varchar(81), firstname varchar(310), lastname varchar(310), "
    "callerid "
    "varchar(772), dummystring nvarchar(103),msglogtype int,msglogid int, emailname varchar(301), "
    "emailaddress "
    "nvarchar(301), logname nvarchar(310), lognumber nvarchar(81), logsubject nvarchar(101), logcontentbody "
    "nvarchar(101), contentid int, logsourcetype int, accountemailaddress varchar(301), accountid int, "
    "syncid "
    "varchar(100),snspersonid varchar(100),spinfo int,ipcalldigitcount int )";
const char* const kInsert = "insert into %s values ( %d, %d, %d, %d, %lu, %lu, %lu, %lu, %d, %d, %d, %d, %d, "
                            "%d, %d, %d, %d, %d, %d, %d, "
                            "%d, %d, %d, %d, '%s', '%s', '%s', '%s', '%s', ?, %d, %d, '%s', ?, ?, ?, ?, ?, "
                            "%d, %d,'%s', %d, '%s','%s',%d ,%d )";
const char* const kSelect = "select * from %s where %s = %d";
const int kSeedRows = 1000;

const char16_t kName[] = u"\ud64d\uae38\ub3d9 Hong";
const char16_t kNumber[] = u"+82 10-1234-5678";
const char16_t kEmpty[] = u"";

std::string g_dir;
std::string g_rawPath;
sqlite3* g_raw = nullptr;
int g_nextEngineId = kSeedRows + 1;
int g_nextRawId = kSeedRows + 1;

// The service composes its text with bounded formatting; both sides pay the same for it.
void Compose(char* buffer, size_t size, int id)
{
    std::snprintf(buffer, size, kInsert, "UlogDistinctDbTable", id, id, id, 0, 1700000000ul, 1700000060ul,
                  0ul, 0ul, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 1, 0, 0, 0, 1, 0, "", "01012345678", "Gil''dong",
                  "Hong 100%%", "", 0, 0, "", 0, 0, "", 0, "", "", 0, 0);
}

void FillWide(Db2BindField& f, const char16_t* text)
{
    const size_t n = std::char_traits<char16_t>::length(text);
    std::memcpy(f.pData, text, (n + 1) * 2);
    f.nIndicator = 0;
}

bool EngineInsert(int id)
{
    char sql[5120];
    Compose(sql, sizeof sql, id);
    const int h = Db2StmtCreate(sql);
    if (h < 0)
        return false;
    Db2BindField* p = Db2StmtGetBindParamFields(h);
    FillWide(p[0], kEmpty);
    FillWide(p[1], kEmpty);
    FillWide(p[2], kName);
    FillWide(p[3], kNumber);
    FillWide(p[4], kEmpty);
    FillWide(p[5], kEmpty);
    const int n = Db2StmtExecute(h);
    Db2StmtDestroy(h);
    Db2Commit();
    return n == 1;
}

// The insert of the engine's text with every value bound, prepared once.
sqlite3_stmt* g_rawInsert = nullptr;

bool RawInsert(int id)
{
    if (g_rawInsert == nullptr)
    {
        std::string sql = "insert into UlogDistinctDbTable values (?1";
        for (int i = 2; i <= 46; ++i)
            sql += ", ?" + std::to_string(i);
        sql += ")";
        if (sqlite3_prepare_v3(g_raw, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &g_rawInsert, nullptr) !=
            SQLITE_OK)
            return false;
    }
    sqlite3_stmt* st = g_rawInsert;
    // The values of Compose, in column order; the six 16-bit texts at columns 30 and 34 to 38.
    const long long ints[] = {id, id, id, 0, 1700000000, 1700000060, 0, 0, 0, 0, 0, 1,
                              0,  0,  -1, 0, 0,          0,          1, 0, 0, 0, 1, 0};
    for (int i = 0; i < 24; ++i)
        sqlite3_bind_int64(st, i + 1, ints[i]);
    const char* narrow[] = {"", "01012345678", "Gil'dong", "Hong 100%"};
    for (int i = 0; i < 4; ++i)
        sqlite3_bind_text(st, 25 + i, narrow[i], -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 29, "", -1, SQLITE_STATIC);
    const char16_t* wide[6] = {kEmpty, kEmpty, kName, kNumber, kEmpty, kEmpty};
    sqlite3_bind_text16(st, 30, wide[0], -1, SQLITE_STATIC);
    sqlite3_bind_int(st, 31, 0);
    sqlite3_bind_int(st, 32, 0);
    sqlite3_bind_text(st, 33, "", -1, SQLITE_STATIC);
    for (int i = 1; i < 6; ++i)
        sqlite3_bind_text16(st, 33 + i, wide[i], -1, SQLITE_STATIC);
    sqlite3_bind_int(st, 39, 0);
    sqlite3_bind_int(st, 40, 0);
    sqlite3_bind_text(st, 41, "", -1, SQLITE_STATIC);
    sqlite3_bind_int(st, 42, 0);
    sqlite3_bind_text(st, 43, "", -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 44, "", -1, SQLITE_STATIC);
    sqlite3_bind_int(st, 45, 0);
    sqlite3_bind_int(st, 46, 0);
    const bool ok = sqlite3_step(st) == SQLITE_DONE;
    sqlite3_reset(st);
    return ok;
}

void Setup()
{
    char tmpl[] = "/tmp/db2bench-XXXXXX";
    const char* dir = mkdtemp(tmpl);
    if (dir == nullptr)
        std::abort();
    g_dir = dir;
    UlogCtlReset((g_dir + "/engine").c_str());
    if (Db2QueryEx(kCreate) != 0)
        std::abort();
    g_rawPath = std::string(dir) + "/raw.db";
    if (sqlite3_open_v2(g_rawPath.c_str(), &g_raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK)
        std::abort();
    sqlite3_busy_timeout(g_raw, 5000);
    sqlite3_exec(g_raw, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
    if (sqlite3_exec(g_raw, kCreate, nullptr, nullptr, nullptr) != SQLITE_OK)
        std::abort();
    sqlite3_exec(g_raw, "begin", nullptr, nullptr, nullptr);
    for (int id = 1; id <= kSeedRows; ++id)
    {
        if (!EngineInsert(id) || !RawInsert(id))
            std::abort();
    }
    sqlite3_exec(g_raw, "commit", nullptr, nullptr, nullptr);
}

void BM_InsertEngine(benchmark::State& state)
{
    for (auto _ : state)
    {
        if (!EngineInsert(g_nextEngineId++))
            state.SkipWithError("insert failed");
    }
}
BENCHMARK(BM_InsertEngine);

void BM_InsertRaw(benchmark::State& state)
{
    for (auto _ : state)
    {
        if (!RawInsert(g_nextRawId++))
            state.SkipWithError("insert failed");
    }
}
BENCHMARK(BM_InsertRaw);

void BM_SelectEngine(benchmark::State& state)
{
    int i = 0;
    size_t bytes = 0;
    for (auto _ : state)
    {
        const int id = i++ % kSeedRows + 1;
        if (Db2QueryEx(kSelect, "UlogDistinctDbTable", "clogdbindex", id) != 1 || Db2GetNextRow() != 0)
            state.SkipWithError("select failed");
        for (int c = 0; c < 46; ++c)
            bytes += Db2GetColumn(c) != nullptr ? 1 : 0;
        Db2ClearRow();
    }
    benchmark::DoNotOptimize(bytes);
}
BENCHMARK(BM_SelectEngine);

void BM_SelectRaw(benchmark::State& state)
{
    int i = 0;
    size_t bytes = 0;
    for (auto _ : state)
    {
        const int id = i++ % kSeedRows + 1;
        char sql[256];
        std::snprintf(sql, sizeof sql, kSelect, "UlogDistinctDbTable", "clogdbindex", id);
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(g_raw, sql, -1, &st, nullptr) != SQLITE_OK || sqlite3_step(st) != SQLITE_ROW)
            state.SkipWithError("select failed");
        for (int c = 0; c < 46; ++c)
        {
            const char* decl = sqlite3_column_decltype(st, c);
            const void* v = (decl != nullptr && decl[0] == 'n')
                                ? sqlite3_column_text16(st, c)
                                : static_cast<const void*>(sqlite3_column_text(st, c));
            bytes += v != nullptr ? 1 : 0;
        }
        sqlite3_step(st);
        sqlite3_finalize(st);
    }
    benchmark::DoNotOptimize(bytes);
}
BENCHMARK(BM_SelectRaw);

// Reference only: raw SQLite with one prepared statement kept and the id bound, the best a caller
// that writes its own binding code can do.
void BM_SelectRawPrepared(benchmark::State& state)
{
    int i = 0;
    size_t bytes = 0;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(g_raw, "select * from UlogDistinctDbTable where clogdbindex = ?", -1, &st, nullptr);
    for (auto _ : state)
    {
        sqlite3_bind_int(st, 1, i++ % kSeedRows + 1);
        if (sqlite3_step(st) != SQLITE_ROW)
            state.SkipWithError("select failed");
        for (int c = 0; c < 46; ++c)
        {
            const char* decl = sqlite3_column_decltype(st, c);
            const void* v = (decl != nullptr && decl[0] == 'n')
                                ? sqlite3_column_text16(st, c)
                                : static_cast<const void*>(sqlite3_column_text(st, c));
            bytes += v != nullptr ? 1 : 0;
        }
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    benchmark::DoNotOptimize(bytes);
}
BENCHMARK(BM_SelectRawPrepared);

// Keeps the mean time of each benchmark for the ratio lines.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const auto& r : runs)
            if (!r.error_occurred && r.iterations > 0)
            {
                m_ns[r.benchmark_name()] = r.GetAdjustedRealTime();
                m_cpu[r.benchmark_name()] = r.GetAdjustedCPUTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }
    // With repetitions, the medians of the runs.
    void PrintRatio(const char* what, std::string engine, std::string raw) const
    {
        if (m_ns.count(engine + "_median") != 0 && m_ns.count(raw + "_median") != 0)
        {
            engine += "_median";
            raw += "_median";
        }
        if (m_ns.count(engine) == 0 || m_ns.count(raw) == 0 || m_ns.at(raw) <= 0 || m_cpu.at(raw) <= 0)
        {
            std::printf("ratio %s: no figures (%s, %s)\n", what, engine.c_str(), raw.c_str());
            return;
        }
        std::printf(
            "ratio %s engine/raw SQLite: %.2fx real time (%.1f us vs %.1f us), %.2fx CPU time (%.1f us vs "
            "%.1f us)\n",
            what, m_ns.at(engine) / m_ns.at(raw), m_ns.at(engine) / 1000.0, m_ns.at(raw) / 1000.0,
            m_cpu.at(engine) / m_cpu.at(raw), m_cpu.at(engine) / 1000.0, m_cpu.at(raw) / 1000.0);
    }

private:
    std::map<std::string, double> m_ns;
    std::map<std::string, double> m_cpu;
};
} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    Setup();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("insert (raw kept prepared)", "BM_InsertEngine", "BM_InsertRaw");
    reporter.PrintRatio("select", "BM_SelectEngine", "BM_SelectRaw");
    reporter.PrintRatio("select (raw kept prepared)", "BM_SelectEngine", "BM_SelectRawPrepared");
    sqlite3_finalize(g_rawInsert);
    sqlite3_close(g_raw);
    UlogCtlReset((g_dir + "/engine").c_str()); // closes the database
    std::error_code ec;
    std::filesystem::remove_all(g_dir, ec);
    return 0;
}
