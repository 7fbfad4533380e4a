// Storing one event through the distinct log manager (statistics, distinct row, duplicate row),
// beside a bare SQLite insert of one row with the same durability (WAL, synchronous=NORMAL).
// Each Add case times one bare insert before each Add in the same loop and reports the Add as a multiple
// of it ("x_bare"), so both are measured under the same conditions.
#include "BenchSupport.h"
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
    static const std::string root = ulogbench::RunRoot("addevent-bench");
    return root;
}

// A started service on an empty data root.
void StartService()
{
    ulogbench::StartServiceOn(Root());
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

// Reports one Add's time and its multiple of one bare insert. The bare inserts are made in the same
// loop, one before each Add, so that both are measured under the same conditions of the machine.
void Report(benchmark::State& state, double addNs, double bareNs, long long nAdds, int nStatements)
{
    const double perAdd = nAdds > 0 ? addNs / static_cast<double>(nAdds) : 0.0;
    const double perBare = nAdds > 0 ? bareNs / static_cast<double>(nAdds) : 0.0;
    state.counters["sql_per_add"] = nAdds > 0 ? static_cast<double>(nStatements) / nAdds : 0.0;
    state.counters["ns_per_add"] = perAdd;
    state.counters["bare_ns"] = perBare;
    state.counters["x_bare"] = perBare > 0 ? perAdd / perBare : 0.0;
}

// Times one bare insert and then one Add.
class Pair
{
public:
    void Add(IUlogSvcDistinctMgr* mgr, CUlog& log)
    {
        auto t0 = Clock::now();
        benchmark::DoNotOptimize(m_bare.Insert());
        auto t1 = Clock::now();
        const int nBefore = UlogCtlGetSqlStatementCount();
        benchmark::DoNotOptimize(mgr->Add(log));
        auto t2 = Clock::now();
        m_nStatements += UlogCtlGetSqlStatementCount() - nBefore;
        m_bareNs += std::chrono::duration<double, std::nano>(t1 - t0).count();
        m_addNs += std::chrono::duration<double, std::nano>(t2 - t1).count();
        ++m_nAdds;
    }
    void Report(benchmark::State& state) const { ::Report(state, m_addNs, m_bareNs, m_nAdds, m_nStatements); }

private:
    BareTable m_bare;
    double m_addNs = 0;
    double m_bareNs = 0;
    long long m_nAdds = 0;
    int m_nStatements = 0;
};

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
    state.counters["bare_ns"] = n > 0 ? totalNs / static_cast<double>(n) : 0.0;
}
BENCHMARK(BM_BareInsert)->Unit(benchmark::kMicrosecond);

// A correspondent without a row; the table is emptied (untimed) before it would reach 30 rows.
void BM_AddNewCorrespondent(benchmark::State& state)
{
    StartService();
    IUlogSvcDistinctMgr* mgr = IUlogSvcDistinctMgr::Instance();
    Pair pair;
    int nNumber = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        if (nNumber % 29 == 28)
            mgr->DeleteAll();
        ++nNumber;
        auto log = CallLog(nNumber, 1700000000u + nNumber);
        state.ResumeTiming();
        pair.Add(mgr, *log);
    }
    pair.Report(state);
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
    Pair pair;
    int n = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        auto log = CallLog(n % 10, 1700000000u + n, type);
        ++n;
        state.ResumeTiming();
        pair.Add(mgr, *log);
    }
    pair.Report(state);
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
    Pair pair;
    for (auto _ : state)
    {
        state.PauseTiming();
        ++nNumber;
        auto log = CallLog(nNumber, 1700000000u + nNumber);
        state.ResumeTiming();
        pair.Add(mgr, *log);
    }
    pair.Report(state);
    UlogSvcDispatch(1);
    UlogCtlWaitForStores();
    std::filesystem::remove_all(Root());
}
BENCHMARK(BM_AddEviction)->Unit(benchmark::kMicrosecond);
} // namespace

BENCHMARK_MAIN();
