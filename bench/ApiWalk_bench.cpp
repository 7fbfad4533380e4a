// A full walk of the main log list through an iterator handle, as a list screen reads it:
// UlogGetAllLogInfo, then move/is-done/get/next over every row, then release.
#include "BenchSupport.h"
#include "UlogSvc.h"
#include "control/PlatformControl.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace
{
const int ROWS_PER_TYPE = 30; // the distinct table's limit per log type

UlogInfo MakeEvent(int type, int n)
{
    UlogInfo info = ulogbench::NewEvent(type, 1700000000u + static_cast<unsigned>(type * 1000 + n) * 60u, 42);
    std::snprintf(info.szNumber, sizeof(info.szNumber), "01%02d%06d", type, n);
    std::snprintf(info.szName, sizeof(info.szName), "Person %d-%d", type, n);
    if (type == ULOG_LOG_SNS_1 || type == ULOG_LOG_SNS_2)
        std::snprintf(info.szSnsPersonId, sizeof(info.szSnsPersonId), "sns-%d-%d", type, n);
    if (type >= ULOG_LOG_EMAIL_SENT && type != ULOG_LOG_SNS_1 && type != ULOG_LOG_SNS_2)
    {
        char address[64];
        std::snprintf(address, sizeof(address), "p%d.%d@example.org", type, n);
        for (size_t i = 0; address[i] != '\0'; ++i)
            info.mszEmailAddress[i] = static_cast<WCHAR>(address[i]);
    }
    return info;
}

int CountRows()
{
    int n = 0;
    for (int type = 0; type < ULOG_LOG_CNT_MAX; ++type)
        n += UlogGetCallLogCountEx(static_cast<UlogLogType>(type));
    return n;
}

// The service started on a fresh root holding 30 distinct rows of every log type.
class Store
{
public:
    Store()
    {
        m_root = (std::filesystem::temp_directory_path() / ("ulog-apiwalk-" + std::to_string(::getpid())))
                     .string();
        std::filesystem::create_directories(m_root);
        UlogCtlReset(m_root.c_str());
        UlogSvcDispatch(0);
        for (int type = 0; type < ULOG_LOG_CNT_MAX; ++type)
            for (int n = 0; n < ROWS_PER_TYPE; ++n)
            {
                UlogInfo info = MakeEvent(type, n);
                UlogAddCallLog(&info);
            }
        m_rows = CountRows();
    }
    ~Store()
    {
        UlogSvcDispatch(1);
        UlogCtlReset(m_root.c_str());
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }
    int Rows() const { return m_rows; }

private:
    std::string m_root;
    int m_rows = 0;
};

Store& TheStore()
{
    static Store s_store;
    return s_store;
}

void BM_WalkAllLogInfo(benchmark::State& state)
{
    const int expected = ROWS_PER_TYPE * ULOG_LOG_CNT_MAX;
    if (TheStore().Rows() != expected)
    {
        state.SkipWithError(
            ("expected " + std::to_string(expected) + " rows, found " + std::to_string(TheStore().Rows()))
                .c_str());
        return;
    }
    UlogInfo info;
    int walked = 0;
    for (auto _ : state)
    {
        HOBJ h = UlogGetAllLogInfo();
        walked = 0;
        for (UlogSvcIteratorMoveFirst(h); !UlogSvcIteratorIsDone(h); UlogSvcIteratorMoveNext(h))
        {
            UlogSvcIteratorGetCurItem(h, &info);
            ++walked;
        }
        UlogSvcIteratorRelease(h);
        benchmark::DoNotOptimize(info.nUniqueId);
    }
    if (walked != expected)
        state.SkipWithError("the walk did not give every row");
    state.counters["rows"] = walked;
    state.counters["rows/s"] =
        benchmark::Counter(static_cast<double>(walked) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WalkAllLogInfo)->Unit(benchmark::kMillisecond);

// The same rows copied into a caller's array per type, for comparison.
void BM_CopyAllCallLogInfoByType(benchmark::State& state)
{
    static UlogInfo s_array[ROWS_PER_TYPE];
    if (TheStore().Rows() != ROWS_PER_TYPE * ULOG_LOG_CNT_MAX)
    {
        state.SkipWithError("the store is not full");
        return;
    }
    for (auto _ : state)
    {
        for (int type = 0; type < ULOG_LOG_CNT_MAX; ++type)
            UlogGetAllCallLogInfo(static_cast<UlogLogType>(type), s_array);
        benchmark::DoNotOptimize(s_array[0].nUniqueId);
    }
}
BENCHMARK(BM_CopyAllCallLogInfoByType)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
