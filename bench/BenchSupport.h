// What the benchmarks share: a data root of this run, and the service started on it afresh.
#ifndef ULOG_BENCH_SUPPORT_H
#define ULOG_BENCH_SUPPORT_H

#include "UlogSvc.h"
#include "control/PlatformControl.h"

#include <filesystem>
#include <string>

#include <unistd.h>

namespace ulogbench
{
// "<temporary directory>/<name>-<pid>".
inline std::string RunRoot(const char* name)
{
    return (std::filesystem::temp_directory_path() / (std::string(name) + "-" + std::to_string(::getpid())))
        .string();
}

// Stops the service (its stores landed), empties the data root and starts the service on it.
inline void StartServiceOn(const std::string& root)
{
    UlogSvcDispatch(1);
    UlogCtlWaitForStores();
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    UlogCtlReset(root.c_str());
    UlogSvcDispatch(0);
}
} // namespace ulogbench

#endif
