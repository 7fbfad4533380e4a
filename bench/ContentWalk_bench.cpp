// Walking every row of a distinct table of 330 logs through the content-framework query manager
// (GetAllUlog and its iterator), against one raw SQLite select of the same rows.
#include <benchmark/benchmark.h>

#include "H/UlogSvcList.h"
#include "KivCore/KivCore.h"
#include "UlogSvcDbMgr/CUlogContentFrmwkDbMgr.h"
#include "UlogSvcLogMgr/CUlogCallLog.h"
#include "control/PlatformControl.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace
{
const int ROWS = 330;

struct Setup
{
    std::string root;
    bool ok = false;

    Setup()
    {
        root = (std::filesystem::temp_directory_path() / ("ulog-contentwalk-" + std::to_string(::getpid())))
                   .string();
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root);
        if (!UlogCtlReset(root.c_str()))
            return;
        UlogCtlSetDebugLevel(0);
        CUlogContentFrmwkDbMgr* mgr = CUlogContentFrmwkDbMgr::Instance();
        mgr->Init();
        for (int i = 1; i <= ROWS; ++i)
        {
            UlogInfo info;
            std::memset(&info, 0, sizeof(info));
            info.iLogType = static_cast<UlogLogType>(i % 3);
            info.nSortIndex = i;
            info.nGroupId = i;
            info.tmStart = 1700000000u + static_cast<unsigned>(i);
            info.tmEnd = info.tmStart + 60;
            std::snprintf(info.szNumber, sizeof(info.szNumber), "010%07d", i);
            std::snprintf(info.szBasicNumber, sizeof(info.szBasicNumber), "010%07d", i);
            std::snprintf(info.szFirstName, sizeof(info.szFirstName), "First%d", i);
            std::snprintf(info.szLastName, sizeof(info.szLastName), "Last%d", i);
            CUlogCallLog log(info);
            if (!mgr->Insert(log, ULOG_DB_TABLE_DISTINCT))
                return;
        }
        ok = true;
    }
    ~Setup()
    {
        UlogCtlReset(root.c_str());
        std::filesystem::remove_all(root);
    }
};

Setup& Shared()
{
    static Setup s;
    return s;
}

void BM_ContentFrameworkWalk(benchmark::State& state)
{
    if (!Shared().ok)
    {
        state.SkipWithError("setup failed");
        return;
    }
    CUlogContentFrmwkDbMgr* mgr = CUlogContentFrmwkDbMgr::Instance();
    long long statements = 0;
    long long walks = 0;
    for (auto _ : state)
    {
        const int before = UlogCtlGetSqlStatementCount();
        IUlogList<CUlog>* list = mgr->GetAllUlog(ULOG_DB_TABLE_DISTINCT);
        IUlogIterator<CUlog>* it = list->GetIterator();
        int n = 0;
        long long sum = 0;
        for (it->First(); !it->IsDone(); it->Next())
        {
            CUlog* log = it->GetCurItem();
            sum += log->GetSortIndex();
            benchmark::DoNotOptimize(log->GetNumber());
            ++n;
        }
        it->Release();
        list->Release();
        statements += UlogCtlGetSqlStatementCount() - before;
        ++walks;
        if (n != ROWS)
        {
            state.SkipWithError("wrong row count");
            return;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["rows"] = ROWS;
    state.counters["sql_statements_per_walk"] = walks ? static_cast<double>(statements) / walks : 0;
}

void BM_RawSqliteSelect(benchmark::State& state)
{
    if (!Shared().ok)
    {
        state.SkipWithError("setup failed");
        return;
    }
    sqlite3* db = nullptr;
    const std::string path = Shared().root + "/System/ulog.db";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
    {
        sqlite3_close(db);
        state.SkipWithError("cannot open database");
        return;
    }
    for (auto _ : state)
    {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "select * from UlogDistinctDbTable order by sortindex desc", -1, &st, nullptr);
        int n = 0;
        long long sum = 0;
        while (sqlite3_step(st) == SQLITE_ROW)
        {
            const int cols = sqlite3_column_count(st);
            for (int c = 0; c < cols; ++c)
            {
                if (sqlite3_column_type(st, c) == SQLITE_INTEGER)
                    sum += sqlite3_column_int64(st, c);
                else
                    benchmark::DoNotOptimize(sqlite3_column_blob(st, c));
            }
            ++n;
        }
        sqlite3_finalize(st);
        if (n != ROWS)
        {
            state.SkipWithError("wrong row count");
            break;
        }
        benchmark::DoNotOptimize(sum);
    }
    sqlite3_close(db);
    state.counters["rows"] = ROWS;
}
// Both reads in each iteration; the counter walk_to_raw is the ratio of their times (target: at most 3).
void BM_WalkToRawRatio(benchmark::State& state)
{
    if (!Shared().ok)
    {
        state.SkipWithError("setup failed");
        return;
    }
    sqlite3* db = nullptr;
    const std::string path = Shared().root + "/System/ulog.db";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
    {
        sqlite3_close(db);
        state.SkipWithError("cannot open database");
        return;
    }
    CUlogContentFrmwkDbMgr* mgr = CUlogContentFrmwkDbMgr::Instance();
    std::chrono::nanoseconds walk{0}, raw{0};
    for (auto _ : state)
    {
        auto t0 = std::chrono::steady_clock::now();
        IUlogList<CUlog>* list = mgr->GetAllUlog(ULOG_DB_TABLE_DISTINCT);
        IUlogIterator<CUlog>* it = list->GetIterator();
        for (it->First(); !it->IsDone(); it->Next())
            benchmark::DoNotOptimize(it->GetCurItem()->GetSortIndex());
        it->Release();
        list->Release();
        auto t1 = std::chrono::steady_clock::now();
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "select * from UlogDistinctDbTable order by sortindex desc", -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW)
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                benchmark::DoNotOptimize(sqlite3_column_type(st, c) == SQLITE_INTEGER
                                             ? sqlite3_column_int64(st, c)
                                             : sqlite3_column_bytes(st, c));
        sqlite3_finalize(st);
        auto t2 = std::chrono::steady_clock::now();
        walk += t1 - t0;
        raw += t2 - t1;
    }
    sqlite3_close(db);
    state.counters["walk_to_raw"] = raw.count() > 0 ? static_cast<double>(walk.count()) / raw.count() : 0;
}
} // namespace

BENCHMARK(BM_ContentFrameworkWalk)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawSqliteSelect)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WalkToRawRatio)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
