// Diagnostics: debug messages filtered by level into a log file under the data root (or standard
// error), assertion reports, and an in-memory capture that tests read.
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"
#include "KivCore/KivCoreText.h"
#include "control/PlatformControl.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace
{
struct DiagState
{
    std::mutex mutex;
    unsigned int threshold = SYS_DBG_FAIL;
    bool toStderr = false;
    bool capture = false;
    std::vector<std::string> captured;
    int assertCount = 0;
    FILE* logFile = nullptr;
    std::string logPath;
};

DiagState& State()
{
    static DiagState* state = new DiagState(); // lives until the process ends
    return *state;
}

thread_local std::string t_savedAssertMsg;

unsigned int LevelFromEnvironment()
{
    const char* env = std::getenv("ULOG_DEBUG_LEVEL");
    if (env == nullptr || *env == '\0')
        return SYS_DBG_FAIL;
    return static_cast<unsigned int>(std::strtoul(env, nullptr, 0));
}

// Writes one line to the log file or standard error. Caller holds the mutex.
void EmitLocked(DiagState& s, const std::string& text)
{
    if (s.toStderr)
    {
        std::fputs(text.c_str(), stderr);
        if (text.empty() || text.back() != '\n')
            std::fputc('\n', stderr);
        return;
    }
    const std::string path = kiv::core::DataRoot() + "/System/debug.log";
    if (s.logFile == nullptr || s.logPath != path)
    {
        if (s.logFile != nullptr)
            std::fclose(s.logFile);
        std::error_code ec;
        std::filesystem::create_directories(kiv::core::DataRoot() + "/System", ec);
        s.logFile = std::fopen(path.c_str(), "a");
        s.logPath = path;
        if (s.logFile == nullptr)
            return;
    }
    std::fputs(text.c_str(), s.logFile);
    if (text.empty() || text.back() != '\n')
        std::fputc('\n', s.logFile);
    std::fflush(s.logFile);
}
} // namespace

namespace kiv::core
{
void ResetDiag()
{
    DiagState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.threshold = LevelFromEnvironment();
    const char* env = std::getenv("ULOG_DEBUG_STDERR");
    s.toStderr = env != nullptr && *env != '\0' && *env != '0';
    s.capture = false;
    s.captured.clear();
    s.assertCount = 0;
    if (s.logFile != nullptr)
        std::fclose(s.logFile);
    s.logFile = nullptr;
    s.logPath.clear();
    t_savedAssertMsg.clear();
}
} // namespace kiv::core

extern "C" void SysDebugPrintfV(unsigned int level, const char* format, const KivArg* args, int nargs)
{
    DiagState& s = State();
    bool emit;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        emit = level <= s.threshold;
        if (!emit && !s.capture)
            return; // not wanted: do not even format
    }
    std::string text = kiv::core::FormatToString(format, args, nargs, false);
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.capture)
        s.captured.push_back(text);
    if (emit)
        EmitLocked(s, text);
}

extern "C" void _SysSaveAssertMsgV(const char* format, const KivArg* args, int nargs)
{
    t_savedAssertMsg = kiv::core::FormatToString(format, args, nargs, false);
}

extern "C" void _SysAssertReport(int /*kind*/, const char* kindName, const char* condition,
                                 const char* srcFile, int srcLine)
{
    std::string text = std::string(kindName != nullptr ? kindName : "ASSERTION") + ": " +
                       (condition != nullptr ? condition : "") + " (" + (srcFile != nullptr ? srcFile : "?") +
                       ":" + std::to_string(srcLine) + ")";
    if (!t_savedAssertMsg.empty())
    {
        text += " - " + t_savedAssertMsg;
        t_savedAssertMsg.clear();
    }
    DiagState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    ++s.assertCount;
    if (s.capture)
        s.captured.push_back(text);
    // Reports are failures: they are written whenever failures are.
    if (SYS_DBG_FAIL <= s.threshold)
        EmitLocked(s, text);
}

extern "C" void UlogCtlSetDebugLevel(unsigned int threshold)
{
    DiagState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.threshold = threshold;
}

extern "C" void UlogCtlSetDebugToStderr(BOOL toStderr)
{
    DiagState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.toStderr = toStderr != FALSE;
}

extern "C" void UlogCtlCaptureDiagnostics(BOOL on)
{
    DiagState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.capture = on != FALSE;
}

extern "C" int UlogCtlGetDiagnosticCount(void)
{
    DiagState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return static_cast<int>(s.captured.size());
}

extern "C" const char* UlogCtlGetDiagnostic(int index)
{
    DiagState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (index < 0 || static_cast<size_t>(index) >= s.captured.size())
        return nullptr;
    return s.captured[static_cast<size_t>(index)].c_str();
}

extern "C" BOOL UlogCtlDiagnosticsContain(const char* text)
{
    if (text == nullptr)
        return FALSE;
    DiagState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    for (const auto& line : s.captured)
        if (line.find(text) != std::string::npos)
            return TRUE;
    return FALSE;
}

extern "C" int UlogCtlGetAssertCount(void)
{
    DiagState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.assertCount;
}

extern "C" void UlogCtlClearDiagnostics(void)
{
    DiagState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.captured.clear();
    s.assertCount = 0;
}
