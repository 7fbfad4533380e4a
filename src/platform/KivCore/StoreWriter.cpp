// Durable stores of small files (registry files, settings), synced behind the caller's back.
//
// A store writes the new content to a temporary file beside the target at once, so that a folder that
// cannot be written, a full disk or a directory standing in the target's place fail the store where it
// is made. One writer thread per process then syncs the temporary file's data and renames it over the
// target. A file is therefore always its old or its new whole content. This is the durability of the
// log database's write-ahead journal (synchronous=NORMAL): a crash right after a store may lose that
// store, never consistency. While one store of a file is being synced, a newer one waits in a second
// temporary file, and newer ones still replace the waiting one. Whatever reads files from disk in this
// process first waits for every store made before.
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
bool WriteAll(int fd, const char* data, size_t length)
{
    while (length > 0)
    {
        const ssize_t n = ::write(fd, data, length);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

bool MakeParents(const std::string& host)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path parent = fs::path(host).parent_path();
    if (parent.empty() || fs::is_directory(parent, ec))
        return true;
    fs::create_directories(parent, ec);
    return !ec && fs::is_directory(parent, ec);
}

// Content written to a temporary file and not yet synced or renamed.
struct Written
{
    std::string tmp;
    int fd = -1;
};

struct FileState
{
    std::optional<Written> waiting; // newest content, not yet taken by the writer
    std::string syncing;            // temporary file the writer is syncing now ("" when none)
    bool failed = false;            // the last sync or rename failed; reported by the next store
};

class StoreWriter
{
public:
    ~StoreWriter()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_bStop = true;
        m_wake.notify_all();
        if (!m_thread.joinable())
            return;
        lock.unlock();
        m_thread.join(); // every waiting store is written before the thread ends
    }

    // 0 on success; otherwise why the store failed (1 = an earlier store failed, 2 = this one).
    int Store(const std::string& host, const std::string& content)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_bStop)
            return 2;
        FileState& f = m_files[host];
        if (f.failed)
        {
            f.failed = false;
            return 1;
        }
        struct stat st
        {
        };
        if (::lstat(host.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
            return 2; // nothing can be renamed over a directory or a link
        std::string tmp;
        if (f.waiting)
        {
            tmp = f.waiting->tmp; // the waiting content is replaced by this newer one
            ::close(f.waiting->fd);
            f.waiting.reset();
        }
        else
        {
            tmp = host + ".tmp";
            if (f.syncing == tmp)
                tmp = host + ".tmp2";
        }
        const bool bQueued =
            !m_order.empty() && std::find(m_order.begin(), m_order.end(), host) != m_order.end();
        const int fd = MakeParents(host)
                           ? ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644)
                           : -1;
        if (fd < 0 || !WriteAll(fd, content.data(), content.size()))
        {
            if (fd >= 0)
            {
                ::close(fd);
                ::unlink(tmp.c_str());
            }
            if (bQueued)
                m_order.erase(std::find(m_order.begin(), m_order.end(), host));
            return 2;
        }
        f.waiting = Written{tmp, fd};
        if (!bQueued)
            m_order.push_back(host);
        if (!m_thread.joinable())
            m_thread = std::thread([this] { Run(); });
        m_wake.notify_one();
        return 0;
    }

    void Wait()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_idle.wait(lock, [this] { return m_order.empty() && m_nSyncing == 0; });
    }

private:
    void Run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;)
        {
            m_wake.wait(lock, [this] { return m_bStop || !m_order.empty(); });
            if (m_order.empty())
                return; // stopping, and nothing is left to write
            const std::string host = m_order.front();
            m_order.pop_front();
            FileState& f = m_files[host];
            const Written w = *f.waiting;
            f.waiting.reset();
            f.syncing = w.tmp;
            ++m_nSyncing;
            lock.unlock();
            bool ok = ::fdatasync(w.fd) == 0;
            ok = (::close(w.fd) == 0) && ok;
            ok = ok && ::rename(w.tmp.c_str(), host.c_str()) == 0;
            if (!ok)
                ::unlink(w.tmp.c_str());
            lock.lock();
            f.syncing.clear();
            --m_nSyncing;
            if (!ok && !f.waiting)
                f.failed = true;
            m_idle.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::map<std::string, FileState> m_files; // by host path
    std::deque<std::string> m_order;          // files with waiting content, oldest first
    int m_nSyncing = 0;
    bool m_bStop = false;
    std::thread m_thread;
};

StoreWriter& Writer()
{
    static StoreWriter s_writer;
    return s_writer;
}
} // namespace

namespace kiv::core
{
bool StoreFile(const std::string& hostPath, const std::string& content)
{
    switch (Writer().Store(hostPath, content))
    {
    case 0:
        return true;
    case 1:
        SysDebugPrintf(SYS_DBG_FAIL, "StoreFile: the previous store of %s could not be written\n",
                       hostPath.c_str());
        return false;
    default:
        SysDebugPrintf(SYS_DBG_FAIL, "StoreFile: %s cannot be written\n", hostPath.c_str());
        return false;
    }
}

void WaitForStores()
{
    Writer().Wait();
}
} // namespace kiv::core
