// The favourites screen's read: UlogGetPhotoFavouritesLogs(10, ...) on full tables (30 rows of each of
// the 11 log types, every row linked to a contact; the 30 numbers are the same in every type, so each
// favourite expands to one row per type; SNS and IM rows, which both directions share, are keyed by
// type). Goal: under 1 ms per call.
#include "BenchSupport.h"
#include "UlogSvc.h"
#include "control/PlatformControl.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
const int ROWS_PER_TYPE = 30; // the distinct table's limit per log type
const int FAVOURITES = 10;

UlogInfo MakeEvent(int type, int n)
{
    UlogInfo info = ulogbench::NewEvent(type, 1700000000u + static_cast<unsigned>(type * 1000 + n) * 60u, 42);
    std::snprintf(info.szNumber, sizeof(info.szNumber), "0100000%03d", n);
    std::snprintf(info.szName, sizeof(info.szName), "Person %d", n);
    std::snprintf(info.szCallerIdPath, sizeof(info.szCallerIdPath), "/User/Pictures/person-%d.jpg", n);
    info.nPersonId = n + 1;
    ulogbench::SetAddressOf(info, type, n);
    return info;
}

// The service started on a fresh root holding 30 rows of every log type (Rows() tells what was stored).
class Store
{
public:
    Store() : m_root(ulogbench::RunRoot("ulog-favourites"))
    {
        ulogbench::StartServiceOn(m_root);
        for (int type = 0; type < ULOG_LOG_CNT_MAX; ++type)
            for (int n = 0; n < ROWS_PER_TYPE; ++n)
                // Earlier correspondents get more events, so the ranking has work to do.
                for (int e = 0; e <= (ROWS_PER_TYPE - n) / 10; ++e)
                {
                    UlogInfo info = MakeEvent(type, n);
                    UlogAddCallLog(&info);
                }
        for (int type = 0; type < ULOG_LOG_CNT_MAX; ++type)
            m_nRows += UlogGetCallLogCountEx(static_cast<UlogLogType>(type));
    }
    ~Store()
    {
        UlogSvcDispatch(1);
        UlogCtlWaitForStores();
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }
    int Rows() const { return m_nRows; }

private:
    std::string m_root;
    int m_nRows = 0;
};

void BM_PhotoFavourites10(benchmark::State& state)
{
    static Store s_store;
    if (s_store.Rows() != ROWS_PER_TYPE * ULOG_LOG_CNT_MAX)
    {
        state.SkipWithError("the tables are not full");
        return;
    }
    std::vector<UlogPhotoFvrInfo> out(FAVOURITES);
    int filled = 0;
    if (!UlogGetPhotoFavouritesLogsEx(FAVOURITES, out.data(), &filled) || filled != FAVOURITES)
    {
        state.SkipWithError("the favourites were not read");
        return;
    }
    for (auto _ : state)
    {
        BOOL bOk = UlogGetPhotoFavouritesLogs(FAVOURITES, out.data());
        benchmark::DoNotOptimize(bOk);
        if (!bOk)
        {
            state.SkipWithError("UlogGetPhotoFavouritesLogs failed");
            break;
        }
    }
    state.counters["rows"] = s_store.Rows();
}
BENCHMARK(BM_PhotoFavourites10)->Unit(benchmark::kMicrosecond);
} // namespace

BENCHMARK_MAIN();
