// The vCard export of the call history: the combined history (cch.vcf) of 90 call logs, 30 of each kind,
// and one file per log of 330 logs (30 of every log type), each written whole under the data root.
#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace
{
const int ROWS_PER_TYPE = 30; // the distinct table's limit per log type

UlogInfo MakeEvent(int type, int n)
{
    return ulogbench::ExportEvent(type, n, "Lee; Park");
}

// The service on a fresh root holding 30 rows of the log types below maxType; the number of rows stored.
int Fill(const std::string& root, int maxType)
{
    ulogbench::StartServiceOn(root);
    for (int type = 0; type < maxType; ++type)
        for (int n = 0; n < ROWS_PER_TYPE; ++n)
        {
            UlogInfo info = MakeEvent(type, n);
            UlogAddCallLog(&info);
        }
    int rows = 0;
    for (int type = 0; type < maxType; ++type)
        rows += UlogGetCallLogCountEx(static_cast<UlogLogType>(type));
    return rows;
}

void BM_VcardCombined90(benchmark::State& state)
{
    const std::string root = ulogbench::RunRoot("ulog-vcard-bench");
    const int rows = Fill(root, ULOG_LOG_MISSED + 1);
    if (rows != 3 * ROWS_PER_TYPE)
    {
        state.SkipWithError(("expected 90 rows, found " + std::to_string(rows)).c_str());
        return;
    }
    for (auto _ : state)
        if (!UlogMakeTotalVcardFileByType(ULOG_CONVERT_COMBINED, "/User/Bench"))
        {
            state.SkipWithError("the export failed");
            break;
        }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(root + "/User/Bench/cch.vcf"));
    UlogSvcDispatch(1);
    std::filesystem::remove_all(root);
}
BENCHMARK(BM_VcardCombined90)->Unit(benchmark::kMillisecond);

void BM_VcardEach330(benchmark::State& state)
{
    const std::string root = ulogbench::RunRoot("ulog-vcard-bench");
    const int rows = Fill(root, ULOG_LOG_CNT_MAX);
    if (rows != ULOG_LOG_CNT_MAX * ROWS_PER_TYPE)
    {
        state.SkipWithError(("expected 330 rows, found " + std::to_string(rows)).c_str());
        return;
    }
    for (auto _ : state)
        if (!UlogMakeEachVcardFileByType(ULOG_CONVERT_COMBINED, "/User/BenchEach"))
        {
            state.SkipWithError("the export failed");
            break;
        }
    UlogSvcDispatch(1);
    std::filesystem::remove_all(root);
}
BENCHMARK(BM_VcardEach330)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
