// The log tables through the native query manager: writing a row (quoted texts and six bound 16-bit
// texts), rewriting it, reading one row by id, and reading lists of a 300-row table (plain text rows,
// statement rows, and the newest row of each group).
#include "H/UlogSvcList.h"
#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvcDbMgr/CUlogDB.h"
#include "UlogSvcDbMgr/CUlogNativeDbMgr.h"
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"
#include "UlogSvcLogMgr/CUlogSvcGenerator.h"
#include "control/PlatformControl.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

namespace
{
constexpr int kRows = 300;

// A fresh data root with both tables created.
struct Platform
{
    Platform()
    {
        root = (std::filesystem::temp_directory_path() / ("storage-bench-" + std::to_string(::getpid())))
                   .string();
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root);
        UlogCtlReset(root.c_str());
        CUlogNativeDbMgr::Instance()->Init();
    }
    ~Platform()
    {
        UlogCtlReset(root.c_str());
        std::filesystem::remove_all(root);
    }
    std::string root;
};

std::unique_ptr<CUlog> MakeLog(int i)
{
    CUlogSvcDataSet ds;
    ds.SetLogType((UlogLogType)(i % 5));
    ds.SetSortIndex(i);
    ds.SetGroupID(i % 30);
    ds.SetStartTime(1700000000u + (unsigned)i * 600u);
    const std::string number = "010" + std::to_string(1000000 + i);
    WCHAR mszText[128] = {0};
    WmConvert2PCode(mszText, 128, number.c_str());
    ds.SetNumber(mszText);
    ds.SetBasicNumber(number.c_str());
    ds.SetFirstName("O'Brien");
    ds.SetLastName("100% sure");
    ds.SetCallerIdPath("/User/Photo/it's.jpg");
    WmConvert2PCode(mszText, 128, "Ann O'Neil");
    ds.SetDisplayName(mszText);
    CUlogSvcGenerator generator;
    return std::unique_ptr<CUlog>(generator.Generate(ds));
}

void Fill(int nRows)
{
    for (int i = 1; i <= nRows; i++)
    {
        std::unique_ptr<CUlog> log = MakeLog(i);
        CUlogNativeDbMgr::Instance()->Insert(*log, ULOG_DB_TABLE_DISTINCT);
    }
}

void BM_Insert(benchmark::State& state)
{
    Platform platform;
    CUlogNativeDbMgr* pMgr = CUlogNativeDbMgr::Instance();
    std::unique_ptr<CUlog> log = MakeLog(1);
    int n = 0;
    for (auto _ : state)
    {
        log->SetSortIndex(++n);
        benchmark::DoNotOptimize(pMgr->Insert(*log, ULOG_DB_TABLE_DUPL));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Insert)->Unit(benchmark::kMicrosecond);

void BM_Update(benchmark::State& state)
{
    Platform platform;
    Fill(kRows);
    CUlogNativeDbMgr* pMgr = CUlogNativeDbMgr::Instance();
    std::unique_ptr<CUlog> log(pMgr->GetUlogByUniqueID(kRows / 2, ULOG_DB_TABLE_DISTINCT));
    for (auto _ : state)
        benchmark::DoNotOptimize(pMgr->Update(*log, ULOG_DB_TABLE_DISTINCT));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Update)->Unit(benchmark::kMicrosecond);

void BM_ReadById(benchmark::State& state)
{
    Platform platform;
    Fill(kRows);
    CUlogNativeDbMgr* pMgr = CUlogNativeDbMgr::Instance();
    int id = 0;
    for (auto _ : state)
    {
        std::unique_ptr<CUlog> log(pMgr->GetUlogByUniqueID(id % kRows + 1, ULOG_DB_TABLE_DISTINCT));
        benchmark::DoNotOptimize(log.get());
        ++id;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadById)->Unit(benchmark::kMicrosecond);

template <class Read> void ReadList(benchmark::State& state, Read read)
{
    Platform platform;
    Fill(kRows);
    int nRows = 0;
    for (auto _ : state)
    {
        IUlogList<CUlog>* pList = read();
        nRows = pList != nullptr ? pList->GetCount() : -1;
        UlogRelease(pList);
    }
    state.counters["rows"] = nRows;
    state.SetItemsProcessed(state.iterations() * (nRows > 0 ? nRows : 0));
}

void BM_ListAllText(benchmark::State& state)
{
    ReadList(state, [] { return CUlogNativeDbMgr::Instance()->GetUlogs(0, -1, ULOG_DB_TABLE_DISTINCT); });
}
BENCHMARK(BM_ListAllText)->Unit(benchmark::kMillisecond);

void BM_ListFilteredStatement(benchmark::State& state)
{
    CUlogSvcFilter filter;
    filter.SetFilter("logtype", 2);
    CUlogSvcOrder order;
    order.SetOrder("sortindex", CUlogSvcOrder::ORDER_DESC);
    filter.SetOrder(order);
    ReadList(state,
             [&] { return CUlogNativeDbMgr::Instance()->GetUlogs(filter, 0, -1, ULOG_DB_TABLE_DISTINCT); });
}
BENCHMARK(BM_ListFilteredStatement)->Unit(benchmark::kMillisecond);

void BM_ListByGroup(benchmark::State& state)
{
    CUlogSvcFilter none;
    ReadList(state, [&]
             { return CUlogNativeDbMgr::Instance()->GetUlogsByGroup(none, 0, -1, ULOG_DB_TABLE_DISTINCT); });
}
BENCHMARK(BM_ListByGroup)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
