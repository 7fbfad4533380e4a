// Number comparison and basic numbers on typical numbers.
#include "UlogSvcUtil/CUlogSvcUtil.h"
#include "control/PlatformControl.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace
{
const char* const kNumbers[] = {
    "0212345678",   "+82212345678",   "01012345678",    "+821012345678", "17951012345678",
    "12345678P123", "9912345678P123", "+85291234567",   "0085291234567", "1234",
    "114",          "+441632960961",  "0316320000P1P2", "07700900123",   "+12025550143",
};
constexpr int kCount = sizeof(kNumbers) / sizeof(kNumbers[0]);

// A fresh platform under a private data root, with the default SIM or a Hong Kong one.
void SetUpPlatform(bool hongKong)
{
    static const std::string root =
        (std::filesystem::temp_directory_path() / ("number-bench-" + std::to_string(::getpid()))).string();
    UlogCtlReset(root.c_str());
    if (hongKong)
        UlogCtlSetSim(0, "454", "00", 0);
}

void BM_StrCmp(benchmark::State& state)
{
    SetUpPlatform(state.range(0) != 0);
    int i = 0;
    for (auto _ : state)
    {
        const char* l = kNumbers[i % kCount];
        const char* r = kNumbers[(i * 7 + 3) % kCount];
        benchmark::DoNotOptimize(CUlogSvcUtil::StrCmp(l, r));
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StrCmp)->Arg(0)->Arg(1)->ArgName("hk");

void BM_ExtractBasicNum(benchmark::State& state)
{
    SetUpPlatform(state.range(0) != 0);
    char basic[81];
    int i = 0;
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(
            CUlogSvcUtil::ExtractBasicNum(kNumbers[i % kCount], basic, i % 3 == 0 ? 5 : 0));
        benchmark::ClobberMemory();
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ExtractBasicNum)->Arg(0)->Arg(1)->ArgName("hk");

// The longest input: 500 characters, cut to 80.
void BM_StrCmpLong(benchmark::State& state)
{
    SetUpPlatform(false);
    const std::string a(500, '7');
    const std::string b = std::string(499, '7') + "1";
    for (auto _ : state)
        benchmark::DoNotOptimize(CUlogSvcUtil::StrCmp(a.c_str(), b.c_str()));
}
BENCHMARK(BM_StrCmpLong);
} // namespace

BENCHMARK_MAIN();
