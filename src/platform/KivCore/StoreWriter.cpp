// Durable stores of small files (registry files, settings), written behind the caller's back.
//
// A store is queued and the caller goes on; one writer thread per process writes each queued file.
// Several processes may change one file, so a store is not a snapshot of this process's copy: the
// writer takes the file's inter-process lock (an flock on "<file>.lock"), reads what the file holds
// now, lets the file merge its queued changes into it (IStoredFile::Merge) and replaces the file
// durably: a temporary file of its own ("<file>.tmp.<pid>.<n>", created new, never shared), data
// sync, rename. A file is therefore always its old or its new whole content, and readers need no
// lock. This is the durability of the log database's write-ahead journal (synchronous=NORMAL): a
// crash right after a store may lose that store, never consistency; a temporary file left by a crash
// is never read and never in anyone's way.
//
// The writer gathers the stores that follow one for up to 20 ms, so that a burst of calls costs one
// write per file. What can be seen at once fails the store where it is made: a directory or a link in
// the place of the file or of its lock file. A failure of the writer itself (a full disk) is reported
// by the file's next store and by TakeStoreFailure (the control interface's wait for stores).
// Whatever reads files from disk in this process first waits for every store made before. A library
// that keeps changes pending before it stores them (SysSetPendingStoresFunc) has them applied at the
// top-level points where stores must count: the control interface's wait, a reset, and process exit
// before the writer's last round.
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
constexpr std::chrono::milliseconds kGatherTime{20};

kiv::core::FileIdentity IdentityOf(const struct stat& st)
{
    kiv::core::FileIdentity id;
    id.bExists = true;
    id.nDevice = static_cast<unsigned long long>(st.st_dev);
    id.nInode = static_cast<unsigned long long>(st.st_ino);
    id.nSize = static_cast<long long>(st.st_size);
    id.nModifiedNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return id;
}

// The cause when something other than a regular file stands at the path (0: a file, or nothing).
unsigned int Blocked(const std::string& path)
{
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode))
        return 0;
    return S_ISLNK(st.st_mode) ? SYS_ERR_OUTSIDE_ROOT : SYS_ERR_IO;
}

bool MakeParents(const std::string& path, unsigned int& error)
{
    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (parent.empty() || std::filesystem::is_directory(parent, ec))
        return true;
    std::filesystem::create_directories(parent, ec);
    if (!ec && std::filesystem::is_directory(parent, ec))
        return true;
    error = ec ? kiv::core::ErrorOfErrno(ec.value()) : SYS_ERR_IO;
    return false;
}

// Numbers the temporary files of this process.
std::atomic<unsigned long> g_tmpCounter{0};

// Writes the content to a new temporary file beside the path and syncs it; its name and identity.
bool WriteTemporary(const std::string& path, const std::string& content, std::string& tmp,
                    kiv::core::FileIdentity& identity, unsigned int& error)
{
    int fd = -1;
    // A name of this process and this store; one left by a crashed process of the same number is
    // stepped over, never truncated.
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt)
    {
        tmp = path + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(++g_tmpCounter);
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
    {
        error = kiv::core::ErrorOfErrno(errno);
        return false;
    }
    struct stat st
    {
    };
    bool ok = kiv::core::WriteAll(fd, content.data(), content.size()) && ::fdatasync(fd) == 0 &&
              ::fstat(fd, &st) == 0;
    if (!ok)
        error = kiv::core::ErrorOfErrno(errno);
    if (::close(fd) != 0 && ok)
    {
        error = kiv::core::ErrorOfErrno(errno);
        ok = false;
    }
    if (!ok)
    {
        ::unlink(tmp.c_str());
        return false;
    }
    identity = IdentityOf(st);
    return true;
}

// One store: under the file's lock, the file's changes merged into its current content, written whole.
bool WriteMerged(const std::string& path, kiv::core::IStoredFile& file, unsigned int& error)
{
    if (!MakeParents(path, error))
        return false;
    kiv::core::CFileLock lock(path);
    if (!lock.Locked())
    {
        error = lock.Error();
        return false;
    }
    std::string current;
    kiv::core::FileIdentity identity;
    if (!kiv::core::ReadStoredFile(path, current, identity, error))
        return false;
    std::string content;
    if (!file.Merge(current, content))
        return true; // nothing to write
    std::string tmp;
    bool ok = WriteTemporary(path, content, tmp, identity, error);
    if (ok && ::rename(tmp.c_str(), path.c_str()) != 0)
    {
        error = kiv::core::ErrorOfErrno(errno);
        ::unlink(tmp.c_str());
        ok = false;
    }
    // The data reached the disk before the rename, so a crash leaves the old file or the new one,
    // never a torn one. The directory is not synced: like the log database's write-ahead journal
    // (synchronous=NORMAL), a power cut right after a store may lose that store, never consistency.
    file.Merged(ok, identity);
    return ok;
}

enum StoreResult
{
    STORE_QUEUED,
    STORE_EARLIER_FAILED,
    STORE_CANNOT_WRITE
};

class StoreWriter
{
public:
    // At process exit: writes what is queued; later stores are refused.
    void Finish()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_bStop = true;
        m_wake.notify_all();
        m_hurry.notify_all();
        m_idle.wait(lock, [this] { return m_queue.empty() && !m_bWriting; });
        std::thread writer = std::move(m_thread); // it ends now that nothing is left and no more comes
        lock.unlock();
        if (writer.joinable())
            writer.join();
    }

    StoreResult Store(const std::string& hostPath, const std::shared_ptr<kiv::core::IStoredFile>& file,
                      unsigned int& error)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (auto it = m_failed.find(hostPath); it != m_failed.end())
        {
            error = it->second;
            m_failed.erase(it);
            NoteFailureLocked(error);
            return STORE_EARLIER_FAILED;
        }
        error = m_bStop ? SYS_ERR_IO : Blocked(hostPath);
        if (error == 0)
            error = Blocked(hostPath + ".lock");
        if (error != 0)
        {
            NoteFailureLocked(error);
            return STORE_CANNOT_WRITE;
        }
        for (const auto& queued : m_queue)
            if (queued.second == file)
                return STORE_QUEUED; // its merge takes every change handed over until it runs
        const bool bWasEmpty = m_queue.empty();
        m_queue.emplace_back(hostPath, file);
        if (!m_thread.joinable())
            m_thread = std::thread([this] { Run(); });
        else if (bWasEmpty && !m_bWriting)
            m_wake.notify_one(); // the writer waits for work; while it gathers, stores only join in
        return STORE_QUEUED;
    }

    // The round being gathered is written now; the caller goes on.
    void Start()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_queue.empty())
            return;
        m_bStart = true;
        m_hurry.notify_all();
    }

    void Wait()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        ++m_nWaiters; // the writer stops gathering and writes at once
        m_hurry.notify_all();
        m_idle.wait(lock, [this] { return m_queue.empty() && !m_bWriting; });
        --m_nWaiters;
    }

    unsigned int TakeFailure()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return std::exchange(m_nFailure, 0u);
    }

    void NoteFailure(unsigned int error)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        NoteFailureLocked(error);
    }

    void Forget()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_failed.clear();
        m_nFailure = 0;
    }

private:
    using Job = std::pair<std::string, std::shared_ptr<kiv::core::IStoredFile>>;

    void NoteFailureLocked(unsigned int error)
    {
        if (m_nFailure == 0)
            m_nFailure = (error != 0) ? error : SYS_ERR_IO;
    }

    // Rounds: wait for a store, gather the stores that follow it for a moment, write them all.
    void Run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;)
        {
            m_wake.wait(lock, [this] { return m_bStop || !m_queue.empty(); });
            if (m_queue.empty())
                return; // stopping, and nothing is left to write
            // A call writes its statistics and the life time, busy moments bring many calls: each file
            // is written once a round, however often it was stored.
            m_hurry.wait_for(lock, kGatherTime, [this] { return m_bStop || m_bStart || m_nWaiters > 0; });
            m_bStart = false;
            std::vector<Job> round;
            round.swap(m_queue);
            m_bWriting = true;
            lock.unlock();
            std::vector<std::pair<std::string, unsigned int>> failed;
            for (const auto& [path, file] : round)
            {
                unsigned int error = 0;
                if (!WriteMerged(path, *file, error))
                {
                    SysDebugPrintf(SYS_DBG_FAIL, "StoreFile: %s could not be written (0x%x)\n", path.c_str(),
                                   error);
                    failed.emplace_back(path, error);
                }
            }
            round.clear(); // files no handle holds any more go here, their changes written or reported
            lock.lock();
            m_bWriting = false;
            for (const auto& [path, error] : failed)
            {
                NoteFailureLocked(error);
                bool bQueuedAgain = false;
                for (const auto& queued : m_queue)
                    bQueuedAgain = bQueuedAgain || queued.first == path;
                if (!bQueuedAgain)
                    m_failed[path] = error; // a newer store gets its own try, with these changes in it
            }
            m_idle.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;  // work arrived
    std::condition_variable m_hurry; // a caller waits for the queue, or the process ends
    std::condition_variable m_idle;
    std::vector<Job> m_queue;                     // in the order stored, each file once
    std::map<std::string, unsigned int> m_failed; // files whose last store could not be written, and why
    unsigned int m_nFailure = 0;                  // the first failed store since TakeFailure
    int m_nWaiters = 0;                           // callers of Wait
    bool m_bWriting = false;
    bool m_bStart = false; // the round is written without gathering more (StartStores)
    bool m_bStop = false;
    std::thread m_thread;
};

void FinishAtExit();

// The function that applies what a library keeps pending (SysSetPendingStoresFunc).
std::atomic<SYS_PENDING_STORES_FUNC> g_pfnApplyPending{nullptr};

void ApplyPendingAtExit()
{
    kiv::core::ApplyPendingStores();
}

// Never destroyed: platform tasks may still store while the process exits (they are refused once the
// queue has been written at exit).
StoreWriter& Writer()
{
    static StoreWriter* s_writer = []
    {
        StoreWriter* writer = new StoreWriter;
        std::atexit(FinishAtExit);
        return writer;
    }();
    return *s_writer;
}

void FinishAtExit()
{
    // What is still pending is stored while stores are accepted.
    kiv::core::ApplyPendingStores();
    Writer().Finish();
}
} // namespace

namespace kiv::core
{
unsigned int ErrorOfErrno(int error)
{
    switch (error)
    {
    case ENOSPC:
    case EDQUOT:
        return SYS_ERR_DISK_FULL;
    case EROFS:
    case EACCES:
    case EPERM:
        return SYS_ERR_READ_ONLY;
    case ELOOP:
        return SYS_ERR_OUTSIDE_ROOT;
    case ENOMEM:
        return SYS_ERR_NO_MEMORY;
    default:
        return SYS_ERR_IO;
    }
}

bool StatStoredFile(const std::string& hostPath, FileIdentity& identity, unsigned int& error)
{
    struct stat st
    {
    };
    if (::lstat(hostPath.c_str(), &st) != 0)
    {
        if (errno != ENOENT)
        {
            error = ErrorOfErrno(errno);
            return false;
        }
        identity = FileIdentity{};
        return true;
    }
    if (!S_ISREG(st.st_mode))
    {
        error = S_ISLNK(st.st_mode) ? SYS_ERR_OUTSIDE_ROOT : SYS_ERR_IO;
        return false;
    }
    identity = IdentityOf(st);
    return true;
}

bool ReadStoredFile(const std::string& hostPath, std::string& content, FileIdentity& identity,
                    unsigned int& error)
{
    content.clear();
    const int fd = ::open(hostPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
    {
        if (errno == ENOENT)
        {
            identity = FileIdentity{};
            return true;
        }
        error = ErrorOfErrno(errno);
        return false;
    }
    struct stat st
    {
    };
    bool ok = ::fstat(fd, &st) == 0;
    if (ok && !S_ISREG(st.st_mode))
    {
        errno = EISDIR;
        ok = false;
    }
    char buffer[8192];
    while (ok)
    {
        const ssize_t n = ::read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            ok = (n == 0);
            break;
        }
        content.append(buffer, static_cast<size_t>(n));
    }
    if (!ok)
        error = ErrorOfErrno(errno);
    ::close(fd);
    if (ok)
        identity = IdentityOf(st);
    return ok;
}

CFileLock::CFileLock(const std::string& hostPath)
{
    const std::string path = hostPath + ".lock";
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (m_fd < 0)
    {
        m_nError = ErrorOfErrno(errno);
        return;
    }
    while (::flock(m_fd, LOCK_EX) != 0)
    {
        if (errno == EINTR)
            continue;
        m_nError = ErrorOfErrno(errno);
        ::close(m_fd);
        m_fd = -1;
        return;
    }
}

CFileLock::~CFileLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // gives the lock up
}

bool StoreFile(const std::string& hostPath, const std::shared_ptr<IStoredFile>& file)
{
    if (DataRootReadOnly())
    {
        SysSetLastError(SYS_ERR_READ_ONLY);
        SysDebugPrintf(SYS_DBG_FAIL, "StoreFile: %s cannot be written: the data root is read-only\n",
                       hostPath.c_str());
        return false;
    }
    unsigned int error = 0;
    switch (Writer().Store(hostPath, file, error))
    {
    case STORE_QUEUED:
        return true;
    case STORE_EARLIER_FAILED:
        SysDebugPrintf(SYS_DBG_FAIL, "StoreFile: the previous store of %s could not be written\n",
                       hostPath.c_str());
        break;
    default:
        SysDebugPrintf(SYS_DBG_FAIL, "StoreFile: %s cannot be written\n", hostPath.c_str());
        break;
    }
    SysSetLastError(error);
    return false;
}

void ApplyPendingStores()
{
    if (const SYS_PENDING_STORES_FUNC pfnApply = g_pfnApplyPending.load())
        pfnApply();
}

void WaitForStores()
{
    Writer().Wait();
}

void StartStores()
{
    Writer().Start();
}

unsigned int TakeStoreFailure()
{
    return Writer().TakeFailure();
}

void NoteStoreFailure(unsigned int error)
{
    Writer().NoteFailure(error);
}

void ForgetStoreFailures()
{
    Writer().Forget();
}
} // namespace kiv::core

extern "C" void SysSetPendingStoresFunc(SYS_PENDING_STORES_FUNC pfnApply)
{
    // Registered at exit once the first function is set, so that it runs before the objects that
    // existed when it was set are destroyed; the writer's own exit (FinishAtExit) applies too, for a
    // writer first used later.
    static const bool s_bAtExit = [] { return std::atexit(ApplyPendingAtExit) == 0; }();
    (void)s_bAtExit;
    g_pfnApplyPending.store(pfnApply);
}
