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
    UlogInfo info = ulogbench::NewEvent(type, 1700000000u + static_cast<unsigned>(type * 1000 + n) * 60u, 42);
    std::snprintf(info.szNumber, sizeof(info.szNumber), "01%02d%06d", type, n);
    // Every third name in Korean, every fifth with characters the file must escape.
    std::snprintf(info.szName, sizeof(info.szName), "%s %d-%d",
                  n % 3 == 0   ? "\xEA\xB9\x80\xEB\xAF\xBC\xEC\x88\x98"
                  : n % 5 == 0 ? "Lee & <Park>"
                               : "Person",
                  type, n);
    ulogbench::SetAddressOf(info, type, n);
    return info;
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
