// Storing one event through the distinct log manager (statistics, distinct row, duplicate row),
// beside a bare SQLite insert of one row with the same durability (WAL, synchronous=NORMAL).
// Each Add case reports its time as a multiple of the bare insert ("x_bare").
#include "UlogSvcECOM/UlogSvcECOM.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogSvcGenerator.h"
#include "UlogSvcLogMgr/IUlogSvcDistinctMgr.h"
#include "control/PlatformControl.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace
{
using Clock = std::chrono::steady_clock;

const std::string& Root()
{
    static const std::string root =
        (std::filesystem::temp_directory_path() / ("addevent-bench-" + std::to_string(::getpid()))).string();
    return root;
}

// A started service on an empty data root.
void StartService()
{
    UlogSvcDispatch(1);
    UlogCtlWaitForStores();
    std::filesystem::remove_all(Root());
    std::filesystem::create_directories(Root());
    UlogCtlReset(Root().c_str());
    UlogSvcDispatch(0);
}

std::unique_ptr<CUlog> CallLog(int nNumber, unsigned start, UlogLogType type = ULOG_LOG_ORIGINATED)
{
    UlogInfo info;
    std::memset(&info, 0, sizeof(info));
    info.iLogType = type;
    info.iCallType = ULOG_CALL_VOICE;
    info.iLineType = ULOG_LINE_1;
    info.iPhoneType = ULOG_PHONE_TYPE_NONE;
    info.nUniqueId = ULOG_INVALID_DB_INDEX;
    info.nSpInfo = -1;
    info.tmStart = start;
    info.tmEnd = start + 42;
    std::snprintf(info.szNumber, sizeof(info.szNumber), "0105%06d", nNumber);
    CUlogSvcGenerator generator;
    return std::unique_ptr<CUlog>(generator.Generate(info));
}

// The bare insert: one row of comparable width into a WAL database with synchronous=NORMAL.
class BareTable
{
public:
    BareTable()
    {
        const std::string path = Root() + "/bare.db";
        std::filesystem::create_directories(Root());
        std::filesystem::remove(path);
        sqlite3_open(path.c_str(), &m_db);
        sqlite3_exec(m_db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
        sqlite3_exec(
            m_db,
            "create table t (id int primary key, sortindex int, groupid int, parentid int, "
            "starttime int, endtime int, logtype int, basicnumber text, lognumber text, logname text)",
            nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(m_db, "insert into t values (?, ?, ?, 0, ?, ?, 0, ?, ?, '')", -1, &m_stmt,
                           nullptr);
    }
    ~BareTable()
    {
        sqlite3_finalize(m_stmt);
        sqlite3_close(m_db);
    }
    bool Insert()
    {
        ++m_nId;
        char szNumber[32];
        std::snprintf(szNumber, sizeof(szNumber), "0105%06d", m_nId);
        sqlite3_bind_int(m_stmt, 1, m_nId);
        sqlite3_bind_int(m_stmt, 2, m_nId);
        sqlite3_bind_int(m_stmt, 3, m_nId);
        sqlite3_bind_int(m_stmt, 4, 1700000000 + m_nId);
        sqlite3_bind_int(m_stmt, 5, 1700000042 + m_nId);
        sqlite3_bind_text(m_stmt, 6, szNumber + 2, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(m_stmt, 7, szNumber, -1, SQLITE_TRANSIENT);
        const bool ok = sqlite3_step(m_stmt) == SQLITE_DONE;
        sqlite3_reset(m_stmt);
        return ok;
    }

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    int m_nId = 0;
};

// Nanoseconds of one bare insert: what BM_BareInsert measured in this run, or else a measurement of
// a fixed number of inserts.
double g_bareNs = 0.0;

double BareInsertNs()
{
    if (g_bareNs <= 0.0)
    {
        BareTable table;
        const int n = 2000;
        const auto t0 = Clock::now();
        for (int i = 0; i < n; ++i)
            table.Insert();
        g_bareNs = std::chrono::duration<double, std::nano>(Clock::now() - t0).count() / n;
    }
    return g_bareNs;
}

// Times each Add by hand so that the untimed preparation does not count, and reports the ratio.
void Report(benchmark::State& state, double totalNs, long long nAdds, int nStatements)
{
    const double perAdd = nAdds > 0 ? totalNs / static_cast<double>(nAdds) : 0.0;
    state.counters["sql_per_add"] = nAdds > 0 ? static_cast<double>(nStatements) / nAdds : 0.0;
    state.counters["ns_per_add"] = perAdd;
    state.counters["bare_ns"] = BareInsertNs();
    state.counters["x_bare"] = BareInsertNs() > 0 ? perAdd / BareInsertNs() : 0.0;
}

void BM_BareInsert(benchmark::State& state)
{
    BareTable table;
    double totalNs = 0;
    long long n = 0;
    for (auto _ : state)
    {
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(table.Insert());
        totalNs += std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
        ++n;
    }
    if (n > 0)
        g_bareNs = totalNs / static_cast<double>(n);
    state.counters["bare_ns"] = g_bareNs;
}
BENCHMARK(BM_BareInsert)->Unit(benchmark::kMicrosecond);

// A correspondent without a row; the table is emptied (untimed) before it would reach 30 rows.
void BM_AddNewCorrespondent(benchmark::State& state)
{
    StartService();
    IUlogSvcDistinctMgr* mgr = IUlogSvcDistinctMgr::Instance();
    double totalNs = 0;
    long long nAdds = 0;
    int nStatements = 0;
    int nNumber = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        if (nNumber % 29 == 28)
            mgr->DeleteAll();
        ++nNumber;
        auto log = CallLog(nNumber, 1700000000u + nNumber);
        state.ResumeTiming();
        const int nBefore = UlogCtlGetSqlStatementCount();
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(mgr->Add(*log));
        totalNs += std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
        nStatements += UlogCtlGetSqlStatementCount() - nBefore;
        ++nAdds;
    }
    Report(state, totalNs, nAdds, nStatements);
}
BENCHMARK(BM_AddNewCorrespondent)->Unit(benchmark::kMicrosecond);

// One of ten correspondents that already have rows (their event counts saturate at 30 on the way).
// Argument 0: a call, whose call times go to the statistics file; 1: a received message, which leaves
// the statistics file alone (the table side of Add alone).
void BM_AddKnownCorrespondent(benchmark::State& state)
{
    StartService();
    IUlogSvcDistinctMgr* mgr = IUlogSvcDistinctMgr::Instance();
    const UlogLogType type = state.range(0) == 0 ? ULOG_LOG_ORIGINATED : ULOG_LOG_MSG_RECEIVED;
    for (int i = 0; i < 10; ++i)
        mgr->Add(*CallLog(i, 1600000000u + i, type));
    double totalNs = 0;
    long long nAdds = 0;
    int nStatements = 0;
    int n = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        auto log = CallLog(n % 10, 1700000000u + n, type);
        ++n;
        state.ResumeTiming();
        const int nBefore = UlogCtlGetSqlStatementCount();
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(mgr->Add(*log));
        totalNs += std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
        nStatements += UlogCtlGetSqlStatementCount() - nBefore;
        ++nAdds;
    }
    Report(state, totalNs, nAdds, nStatements);
}
BENCHMARK(BM_AddKnownCorrespondent)->Arg(0)->Arg(1)->ArgName("msg")->Unit(benchmark::kMicrosecond);

// A new correspondent while 30 rows of the type exist: the least recently touched row and its events
// are removed first.
void BM_AddEviction(benchmark::State& state)
{
    StartService();
    IUlogSvcDistinctMgr* mgr = IUlogSvcDistinctMgr::Instance();
    int nNumber = 0;
    for (; nNumber < 30; ++nNumber)
    {
        mgr->Add(*CallLog(nNumber, 1600000000u + nNumber));
        mgr->Add(*CallLog(nNumber, 1600000100u + nNumber));
    }
    double totalNs = 0;
    long long nAdds = 0;
    int nStatements = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        ++nNumber;
        auto log = CallLog(nNumber, 1700000000u + nNumber);
        state.ResumeTiming();
        const int nBefore = UlogCtlGetSqlStatementCount();
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(mgr->Add(*log));
        totalNs += std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
        nStatements += UlogCtlGetSqlStatementCount() - nBefore;
        ++nAdds;
    }
    Report(state, totalNs, nAdds, nStatements);
    UlogSvcDispatch(1);
    UlogCtlWaitForStores();
    std::filesystem::remove_all(Root());
}
BENCHMARK(BM_AddEviction)->Unit(benchmark::kMicrosecond);
} // namespace

BENCHMARK_MAIN();
