// The XML export of 330 logs (30 of every log type) from its start to its end, the timer run as fast as
// it can go on a frozen clock; the file's size is reported as "bytes".
#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace
{
const int ROWS_PER_TYPE = 30; // the distinct table's limit per log type

UlogInfo MakeEvent(int type, int n)
{
    return ulogbench::ExportEvent(type, n, "Lee & <Park>");
}

void BM_XmlExport330(benchmark::State& state)
{
    const std::string root = ulogbench::RunRoot("ulog-xml-bench");
    ulogbench::StartServiceOn(root);
    for (int type = 0; type < ULOG_LOG_CNT_MAX; ++type)
        for (int n = 0; n < ROWS_PER_TYPE; ++n)
        {
            UlogInfo info = MakeEvent(type, n);
            UlogAddCallLog(&info);
        }
    int rows = 0;
    for (int type = 0; type < ULOG_LOG_CNT_MAX; ++type)
        rows += UlogGetCallLogCountEx(static_cast<UlogLogType>(type));
    if (rows != ULOG_LOG_CNT_MAX * ROWS_PER_TYPE)
    {
        state.SkipWithError(("expected 330 rows, found " + std::to_string(rows)).c_str());
        return;
    }
    UlogCtlFreezeClock(1800000000u);
    for (auto _ : state)
    {
        BOOL bDone = FALSE;
        BOOL bSucceeded = FALSE;
        if (!UlogConvertAll2Xml())
        {
            state.SkipWithError("the export did not start");
            break;
        }
        for (int nTick = 0; nTick < 1000 && UlogGetXmlExportStatus(&bDone, &bSucceeded) && !bDone; ++nTick)
        {
            UlogCtlAdvanceClock(1);
            UlogCtlRunDueTimers();
        }
        if (!bDone || !bSucceeded)
        {
            state.SkipWithError("the export failed");
            break;
        }
    }
    UlogCtlUnfreezeClock();
    state.counters["bytes"] =
        static_cast<double>(std::filesystem::file_size(root + "/User/UlogSvc/Ulogs.xml"));
    UlogSvcDispatch(1);
    std::filesystem::remove_all(root);
}
BENCHMARK(BM_XmlExport330)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
