// The memory of a process holding the full history: 30 rows of every log type, 30 events each (330
// rows, 9,900 events). A child process fills a data root; this process then starts the service on it,
// walks the main list and every event through iterator handles, and reads its own
// /proc/self/smaps_rollup, before the service starts and after the walk.
// Usage: Memory_bench [--keep ROOT] [--mappings]   (a kept root is filled once and reused; --mappings
// also lists the mappings that hold the most private dirty memory)
#include "BenchSupport.h"
#include "UlogSvc.h"
#include "control/PlatformControl.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace
{
const int kRowsPerType = 30;
const int kEventsPerRow = 30;

// The kB figures of /proc/self/smaps_rollup by name ("Rss", "Private_Dirty", ...).
std::map<std::string, long> Rollup()
{
    std::map<std::string, long> kb;
    std::ifstream in("/proc/self/smaps_rollup");
    std::string name;
    long value = 0;
    std::string unit;
    std::getline(in, name); // the range line
    while (in >> name >> value >> unit)
        kb[name.substr(0, name.size() - 1)] = value;
    return kb;
}

// The mappings of /proc/self/smaps with the most Private_Dirty, largest first.
void PrintMappings()
{
    std::ifstream in("/proc/self/smaps");
    std::map<std::string, long> kb;
    std::string line;
    std::string name;
    while (std::getline(in, line))
    {
        long value = 0;
        if (std::sscanf(line.c_str(), "Private_Dirty: %ld kB", &value) == 1)
            kb[name] += value;
        else if (line.find(':') == std::string::npos || line.find(' ') < line.find(':'))
        {
            // A range line: "start-end perms offset dev inode [path]".
            const size_t slash = line.find_first_of("/[");
            name = slash == std::string::npos ? "[anonymous]" : line.substr(slash);
        }
    }
    std::multimap<long, std::string, std::greater<long>> order;
    for (const auto& [mapping, value] : kb)
        if (value > 0)
            order.emplace(value, mapping);
    int n = 0;
    for (const auto& [value, mapping] : order)
        if (n++ < 12)
            std::printf("  %6ld KiB  %s\n", value, mapping.c_str());
}

void Print(const char* when, std::map<std::string, long> kb)
{
    std::printf("%-34s Rss %6ld KiB  Private_Dirty %6ld KiB  Private_Clean %6ld KiB  Shared_Clean %6ld KiB\n",
                when, kb["Rss"], kb["Private_Dirty"], kb["Private_Clean"], kb["Shared_Clean"]);
}

// Fills the root: every event is one Add of the service. Exits with 0 when every Add stored its event.
[[noreturn]] void Fill(const std::string& root)
{
    std::filesystem::create_directories(root);
    UlogCtlReset(root.c_str());
    UlogSvcDispatch(0);
    int nFailed = 0;
    for (int e = 0; e < kEventsPerRow; ++e)
        for (int type = 0; type < ULOG_LOG_CNT_MAX; ++type)
            for (int n = 0; n < kRowsPerType; ++n)
            {
                UlogInfo info = ulogbench::NewEvent(
                    type, 1700000000u + static_cast<unsigned>((e * 11 + type) * kRowsPerType + n) * 60u, 42);
                std::snprintf(info.szNumber, sizeof(info.szNumber), "01%02d%06d", type, n);
                std::snprintf(info.szName, sizeof(info.szName), "Person %d-%d", type, n);
                ulogbench::SetAddressOf(info, type, n);
                nFailed += UlogAddCallLog(&info) ? 0 : 1;
            }
    UlogSvcDispatch(1);
    std::exit(nFailed == 0 && UlogCtlWaitForStores() == 0 ? 0 : 1);
}

// Walks a list handle to its end; the number of items.
int Walk(HOBJ h)
{
    UlogInfo info;
    int n = 0;
    for (UlogSvcIteratorMoveFirst(h); !UlogSvcIteratorIsDone(h); UlogSvcIteratorMoveNext(h))
        n += UlogSvcIteratorGetCurItem(h, &info) ? 1 : 0;
    UlogSvcIteratorRelease(h);
    return n;
}
} // namespace

int main(int argc, char** argv)
{
    std::string root = ulogbench::RunRoot("ulog-memory");
    bool bKeep = false;
    bool bMappings = false;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--keep") == 0 && i + 1 < argc)
        {
            root = argv[++i];
            bKeep = true;
        }
        else if (std::strcmp(argv[i], "--mappings") == 0)
            bMappings = true;
        else if (std::strncmp(argv[i], "--benchmark_", 12) != 0) // the options of the other benchmarks
        {
            std::fprintf(stderr, "usage: Memory_bench [--keep ROOT] [--mappings]\n");
            return 2;
        }
    }
    if (!bKeep || !std::filesystem::exists(std::filesystem::path(root) / "System" / "ulog.db"))
    {
        // The filling runs in a process of its own: what it allocated is not counted here.
        const pid_t child = fork();
        if (child == 0)
            Fill(root);
        int status = 0;
        if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0)
        {
            std::fprintf(stderr, "Memory_bench: the history could not be stored\n");
            return 1;
        }
    }
    // A library the linker has just written is dirty in the page cache until it reaches the disk, and
    // its pages would count as this process's private dirty memory: written back first.
    sync();
    Print("before the service starts:", Rollup());
    UlogCtlReset(root.c_str());
    UlogSvcDispatch(0);
    const int nRows = Walk(UlogGetAllLogInfo());
    const int nEvents = Walk(UlogGetDuplAllLogInfo());
    const std::map<std::string, long> kb = Rollup();
    Print("holding the full history:", kb);
    if (bMappings)
        PrintMappings();
    std::printf("%d rows, %d events walked; Private_Dirty %.2f MiB (target < 2 MiB), Rss %.2f MiB\n", nRows,
                nEvents, kb.at("Private_Dirty") / 1024.0, kb.at("Rss") / 1024.0);
    UlogSvcDispatch(1);
    if (!bKeep)
    {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    return nRows == kRowsPerType * ULOG_LOG_CNT_MAX && nEvents == nRows * kEventsPerRow ? 0 : 1;
}
