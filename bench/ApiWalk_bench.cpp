// A full walk of the main log list through an iterator handle, as a list screen reads it:
// UlogGetAllLogInfo, then move/is-done/get/next over every row, then release. The tables are full: 30
// distinct rows of every log type, each with 30 events behind it.
//
// Beside it, the floor: one raw prepared select of the same rows on the service's own database file,
// every column read in its type. BM_WalkVsRawSelect times one of each in the same loop and reports the
// walk as a multiple of the select ("x_raw" in real time, "x_raw_cpu" in the thread's CPU time, the
// steadier figure on a shared machine), so both are measured under the same conditions of the
// machine; the ratio is a counter, so --benchmark_repetitions gives its mean, median and spread too.
#include "BenchSupport.h"
#include "UlogSvc.h"
#include "control/PlatformControl.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <time.h>

namespace
{
using Clock = std::chrono::steady_clock;

// The calling thread's CPU time in nanoseconds: on a loaded machine it counts only this thread's work.
double ThreadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}

const int ROWS_PER_TYPE = 30;  // the distinct table's limit per log type
const int EVENTS_PER_ROW = 30; // the events a distinct row keeps
const int ROWS = ROWS_PER_TYPE * ULOG_LOG_CNT_MAX;

UlogInfo MakeEvent(int type, int n, int event)
{
    UlogInfo info = ulogbench::NewEvent(
        type, 1700000000u + static_cast<unsigned>((type * 1000 + n) * 100 + event) * 60u, 42);
    std::snprintf(info.szNumber, sizeof(info.szNumber), "01%02d%06d", type, n);
    std::snprintf(info.szName, sizeof(info.szName), "Person %d-%d", type, n);
    ulogbench::SetAddressOf(info, type, n);
    return info;
}

// Distinct rows (events when bEvents) over every log type.
int CountRows(bool bEvents)
{
    int n = 0;
    for (int type = 0; type < ULOG_LOG_CNT_MAX; ++type)
        n += bEvents ? UlogGetDuplLogCount(static_cast<UlogLogType>(type))
                     : UlogGetCallLogCountEx(static_cast<UlogLogType>(type));
    return n;
}

// The service started on a fresh root with full tables.
class Store
{
public:
    Store() : m_root(ulogbench::RunRoot("ulog-apiwalk"))
    {
        ulogbench::StartServiceOn(m_root);
        for (int event = 0; event < EVENTS_PER_ROW; ++event)
            for (int type = 0; type < ULOG_LOG_CNT_MAX; ++type)
                for (int n = 0; n < ROWS_PER_TYPE; ++n)
                {
                    UlogInfo info = MakeEvent(type, n, event);
                    if (UlogAddCallLog(&info))
                        ++m_nAdded;
                }
        m_rows = CountRows(false);
        m_events = CountRows(true);
    }
    ~Store()
    {
        UlogSvcDispatch(1);
        UlogCtlWaitForStores();
        UlogCtlReset(m_root.c_str());
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }
    // Empty when the tables are as expected, else what is wrong.
    std::string Problem() const
    {
        const int events = ROWS * EVENTS_PER_ROW;
        if (m_nAdded != events || m_rows != ROWS || m_events != events)
            return "expected " + std::to_string(ROWS) + " rows and " + std::to_string(events) +
                   " events, added " + std::to_string(m_nAdded) + ", found " + std::to_string(m_rows) +
                   " rows and " + std::to_string(m_events) + " events";
        return std::string();
    }
    const std::string& Root() const { return m_root; }

private:
    std::string m_root;
    int m_nAdded = 0;
    int m_rows = 0;
    int m_events = 0;
};

Store& TheStore()
{
    static Store s_store;
    return s_store;
}

// The walk of the main list through a handle; the number of rows walked.
int Walk(UlogInfo& info)
{
    HOBJ h = UlogGetAllLogInfo();
    int walked = 0;
    for (UlogSvcIteratorMoveFirst(h); !UlogSvcIteratorIsDone(h); UlogSvcIteratorMoveNext(h))
    {
        if (UlogSvcIteratorGetCurItem(h, &info))
            ++walked;
    }
    UlogSvcIteratorRelease(h);
    return walked;
}

// The same rows read by SQLite alone: a statement kept prepared on its own connection to the service's
// database, every column read in its declared type.
class RawSelect
{
public:
    explicit RawSelect(const std::string& root)
    {
        const std::string path = root + "/System/ulog.db";
        if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(m_db, "select * from UlogDistinctDbTable order by sortindex desc", -1, &m_st,
                               nullptr) != SQLITE_OK)
        {
            m_error = "raw select: " + std::string(m_db != nullptr ? sqlite3_errmsg(m_db) : "no database");
            return;
        }
        const int n = sqlite3_column_count(m_st);
        for (int c = 0; c < n; ++c)
        {
            const char* decl = sqlite3_column_decltype(m_st, c);
            const std::string d = decl != nullptr ? decl : "";
            m_kinds.push_back(d.find("int") != std::string::npos ? 'i' : (d[0] == 'n' ? 'w' : 't'));
        }
    }
    ~RawSelect()
    {
        sqlite3_finalize(m_st);
        sqlite3_close(m_db);
    }
    const std::string& Error() const { return m_error; }

    // The number of rows read; a checksum of their values goes to sink.
    int Run(long long& sink)
    {
        int rows = 0;
        while (sqlite3_step(m_st) == SQLITE_ROW)
        {
            for (size_t c = 0; c < m_kinds.size(); ++c)
            {
                const int col = static_cast<int>(c);
                if (m_kinds[c] == 'i')
                    sink += sqlite3_column_int64(m_st, col);
                else if (m_kinds[c] == 'w')
                {
                    const void* p = sqlite3_column_text16(m_st, col);
                    sink += p != nullptr ? sqlite3_column_bytes16(m_st, col) : 0;
                }
                else
                {
                    const unsigned char* p = sqlite3_column_text(m_st, col);
                    sink += p != nullptr ? sqlite3_column_bytes(m_st, col) : 0;
                }
            }
            ++rows;
        }
        sqlite3_reset(m_st);
        return rows;
    }

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_st = nullptr;
    std::vector<char> m_kinds; // 'i' integer, 'w' 16-bit text, 't' narrow text
    std::string m_error;
};

void BM_WalkAllLogInfo(benchmark::State& state)
{
    if (const std::string problem = TheStore().Problem(); !problem.empty())
    {
        state.SkipWithError(problem.c_str());
        return;
    }
    UlogInfo info;
    int walked = 0;
    const int before = UlogCtlGetSqlStatementCount();
    for (auto _ : state)
    {
        walked = Walk(info);
        benchmark::DoNotOptimize(info.nUniqueId);
    }
    const int statements = UlogCtlGetSqlStatementCount() - before;
    if (walked != ROWS)
        state.SkipWithError("the walk did not give every row");
    state.counters["rows"] = walked;
    state.counters["sql_per_walk"] =
        static_cast<double>(statements) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_WalkAllLogInfo)->Unit(benchmark::kMicrosecond);

// The raw select over the filled store; null, the benchmark skipped with the reason, when the store
// or the select cannot be had.
std::unique_ptr<RawSelect> OpenRawSelect(benchmark::State& state)
{
    if (const std::string problem = TheStore().Problem(); !problem.empty())
    {
        state.SkipWithError(problem.c_str());
        return nullptr;
    }
    auto pRaw = std::make_unique<RawSelect>(TheStore().Root());
    if (!pRaw->Error().empty())
    {
        state.SkipWithError(pRaw->Error().c_str());
        return nullptr;
    }
    return pRaw;
}

void BM_RawSelect(benchmark::State& state)
{
    const std::unique_ptr<RawSelect> pRaw = OpenRawSelect(state);
    if (!pRaw)
        return;
    RawSelect& raw = *pRaw;
    long long sink = 0;
    int rows = 0;
    for (auto _ : state)
        rows = raw.Run(sink);
    benchmark::DoNotOptimize(sink);
    if (rows != ROWS)
        state.SkipWithError("the raw select did not give every row");
}
BENCHMARK(BM_RawSelect)->Unit(benchmark::kMicrosecond);

// One raw select, then one walk, in each iteration; the walk as a multiple of the select.
void BM_WalkVsRawSelect(benchmark::State& state)
{
    const std::unique_ptr<RawSelect> pRaw = OpenRawSelect(state);
    if (!pRaw)
        return;
    RawSelect& raw = *pRaw;
    UlogInfo info;
    long long sink = 0;
    double rawNs = 0;
    double walkNs = 0;
    double rawCpuNs = 0;
    double walkCpuNs = 0;
    bool complete = true;
    for (auto _ : state)
    {
        const double c0 = ThreadCpuNs();
        const auto t0 = Clock::now();
        const int rawRows = raw.Run(sink);
        const auto t1 = Clock::now();
        const double c1 = ThreadCpuNs();
        const int walked = Walk(info);
        const auto t2 = Clock::now();
        const double c2 = ThreadCpuNs();
        rawNs += std::chrono::duration<double, std::nano>(t1 - t0).count();
        walkNs += std::chrono::duration<double, std::nano>(t2 - t1).count();
        rawCpuNs += c1 - c0;
        walkCpuNs += c2 - c1;
        complete = complete && rawRows == ROWS && walked == ROWS;
    }
    benchmark::DoNotOptimize(sink);
    benchmark::DoNotOptimize(info.nUniqueId);
    if (!complete)
        state.SkipWithError("a walk or a raw select did not give every row");
    const double n = static_cast<double>(state.iterations());
    state.counters["raw_us"] = rawNs / n / 1000.0;
    state.counters["walk_us"] = walkNs / n / 1000.0;
    state.counters["x_raw"] = rawNs > 0 ? walkNs / rawNs : 0.0;
    state.counters["x_raw_cpu"] = rawCpuNs > 0 ? walkCpuNs / rawCpuNs : 0.0;
}
BENCHMARK(BM_WalkVsRawSelect)->Unit(benchmark::kMicrosecond);

// The same rows copied into a caller's array per type, for comparison.
void BM_CopyAllCallLogInfoByType(benchmark::State& state)
{
    static UlogInfo s_array[ROWS_PER_TYPE];
    if (const std::string problem = TheStore().Problem(); !problem.empty())
    {
        state.SkipWithError(problem.c_str());
        return;
    }
    for (auto _ : state)
    {
        for (int type = 0; type < ULOG_LOG_CNT_MAX; ++type)
            UlogGetAllCallLogInfo(static_cast<UlogLogType>(type), s_array);
        benchmark::DoNotOptimize(s_array[0].nUniqueId);
    }
}
BENCHMARK(BM_CopyAllCallLogInfoByType)->Unit(benchmark::kMicrosecond);
} // namespace

BENCHMARK_MAIN();
