// Diagnostics: debug messages filtered by level into a log file under the data root (or standard
// error), assertion reports, and an in-memory capture that tests read. The log file is
// "System/debug.log", kept under 1 MiB by moving it to "debug.log.1" when full.
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"
#include "KivCore/KivCoreText.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
constexpr off_t kLogCap = 1 << 20; // the diagnostics file stays under 1 MiB
constexpr const char* kLogHandsetPath = "System/debug.log";

struct DiagState
{
    std::mutex mutex;
    unsigned int threshold = SYS_DBG_FAIL;
    bool toStderr = false;
    bool capture = false;
    std::vector<std::string> captured;
    int assertCount = 0;
    int logFd = -1;
    std::string logRoot; // the data root the file belongs to (set once it was opened or refused)
    std::string logPath; // host path of the open file
    off_t logSize = 0;
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

void CloseLogLocked(DiagState& s)
{
    if (s.logFd >= 0)
        ::close(s.logFd);
    s.logFd = -1;
    s.logSize = 0;
}

// The file cannot be used for this root: said once, in the capture (it cannot go to the file), and
// left as the thread's last error unless that already names a cause.
void RefuseLogLocked(DiagState& s, unsigned int code, const std::string& why, const std::string& path)
{
    if (SysGetLastError() == SYS_ERR_NONE)
        SysSetLastError(code);
    if (s.capture)
        s.captured.push_back("SysDebugPrintf: " + why + "; diagnostics are not written to a file [" + path +
                             "]\n");
}

int OpenAppend(const std::string& path)
{
    // O_NOFOLLOW: a link in the file's place is never followed.
    return ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
}

// Opens the diagnostics file of the current data root once; false when there is none to write to.
bool OpenLogLocked(DiagState& s)
{
    const std::string root = kiv::core::DataRoot();
    if (s.logRoot == root)
        return s.logFd >= 0;
    CloseLogLocked(s);
    if (kiv::core::DataRootReadOnly())
    {
        s.logRoot = root;
        return false; // nothing is written under a read-only root
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(root, ec))
        return false; // a data root that was removed is not made again for a message (asked again later)
    s.logRoot = root;
    std::string real;
    const kiv::core::PathStatus status = kiv::core::ConfinePath(kLogHandsetPath, s.logPath, &real);
    if (status != kiv::core::PATH_OK)
    {
        RefuseLogLocked(s, status == kiv::core::PATH_OUTSIDE_ROOT ? SYS_ERR_OUTSIDE_ROOT : SYS_ERR_BAD_PATH,
                        std::string("a link on the way to ") + kLogHandsetPath +
                            " leads outside the data root",
                        root + "/" + kLogHandsetPath);
        return false;
    }
    const std::filesystem::path folder = std::filesystem::path(real).parent_path();
    if (!std::filesystem::exists(std::filesystem::symlink_status(folder, ec)))
        std::filesystem::create_directories(folder, ec); // under the root: checked with the path
    s.logFd = OpenAppend(s.logPath);
    if (s.logFd < 0)
    {
        if (errno == ELOOP) // a link under the root in the file's place (one leading out was refused above)
            RefuseLogLocked(s, SYS_ERR_BAD_PATH, "the diagnostics file is a link", s.logPath);
        return false;
    }
    struct stat st
    {
    };
    s.logSize = ::fstat(s.logFd, &st) == 0 ? st.st_size : 0;
    return true;
}

// Moves a full file to "debug.log.1" (replacing the older one) and starts a new one. When another
// process has moved it already, only the new file is opened.
void RotateLogLocked(DiagState& s)
{
    struct stat mine
    {
    };
    struct stat named
    {
    };
    const bool stillNamed = ::fstat(s.logFd, &mine) == 0 && ::lstat(s.logPath.c_str(), &named) == 0 &&
                            mine.st_dev == named.st_dev && mine.st_ino == named.st_ino;
    ::close(s.logFd);
    s.logFd = -1;
    s.logSize = 0;
    // rename replaces whatever is named "debug.log.1", a link included, and never writes through it.
    if (stillNamed && ::rename(s.logPath.c_str(), (s.logPath + ".1").c_str()) != 0)
        ::truncate(s.logPath.c_str(), 0); // no place for the older file: start the file again
    s.logFd = OpenAppend(s.logPath);
    struct stat st
    {
    };
    if (s.logFd >= 0 && ::fstat(s.logFd, &st) == 0)
        s.logSize = st.st_size;
}

bool WriteAll(int fd, const char* data, size_t length)
{
    while (length > 0)
    {
        const ssize_t n = ::write(fd, data, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

// Writes one line to the log file or standard error. Caller holds the mutex.
void EmitLocked(DiagState& s, const std::string& text)
{
    const bool newline = text.empty() || text.back() != '\n';
    if (s.toStderr)
    {
        std::fputs(text.c_str(), stderr);
        if (newline)
            std::fputc('\n', stderr);
        return;
    }
    if (!OpenLogLocked(s))
        return;
    const std::string line = newline ? text + "\n" : text;
    if (s.logSize > 0 && s.logSize + static_cast<off_t>(line.size()) > kLogCap)
    {
        RotateLogLocked(s);
        if (s.logFd < 0)
            return;
    }
    if (WriteAll(s.logFd, line.data(), line.size()))
        s.logSize += static_cast<off_t>(line.size());
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
    CloseLogLocked(s);
    s.logRoot.clear();
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

namespace kiv::core::diag
{
void SetThreshold(unsigned int threshold)
{
    DiagState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.threshold = threshold;
}

void SetToStderr(bool toStderr)
{
    DiagState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.toStderr = toStderr;
}

void SetCapture(bool on)
{
    DiagState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.capture = on;
}

int CapturedCount()
{
    DiagState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return static_cast<int>(s.captured.size());
}

const char* Captured(int index)
{
    DiagState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (index < 0 || static_cast<size_t>(index) >= s.captured.size())
        return nullptr;
    return s.captured[static_cast<size_t>(index)].c_str();
}

bool CapturedContains(const char* text)
{
    if (text == nullptr)
        return false;
    DiagState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    for (const auto& line : s.captured)
        if (line.find(text) != std::string::npos)
            return true;
    return false;
}

int AssertCount()
{
    DiagState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.assertCount;
}

void ClearCaptured()
{
    DiagState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.captured.clear();
    s.assertCount = 0;
}
} // namespace kiv::core::diag
