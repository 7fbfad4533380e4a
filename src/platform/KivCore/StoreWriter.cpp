// Durable stores of small files (registry files, settings), written behind the caller's back.
//
// A store is queued and the caller goes on; one writer thread per process replaces each file durably
// (WriteFileDurably: temporary file, data sync, rename), the newest content of a file replacing any
// older one still queued. A file is therefore always its old or its new whole content. This is the
// durability of the log database's write-ahead journal (synchronous=NORMAL): a crash right after a
// store may lose that store, never consistency.
//
// The writer gathers the stores that follow one for up to 20 ms, so that a burst of calls costs one
// write per file. What can be seen at once fails the store where it is made: a directory or a link in the
// place of the file or of its temporary file. A failure of the writer itself (a full disk) is reported by the
// file's next store. Whatever reads files from disk in this process first waits for every store made before.
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include <sys/stat.h>

namespace
{
constexpr std::chrono::milliseconds kGatherTime{20};

enum StoreResult
{
    STORE_QUEUED,
    STORE_EARLIER_FAILED,
    STORE_CANNOT_WRITE
};

// True when the path names something other than a regular file (a missing path is fine).
bool Blocked(const std::string& path)
{
    struct stat st
    {
    };
    return ::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

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

    StoreResult Store(const std::string& hostPath, const std::string& content)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_failed.erase(hostPath) > 0)
            return STORE_EARLIER_FAILED;
        if (m_bStop || Blocked(hostPath) || Blocked(hostPath + ".tmp"))
            return STORE_CANNOT_WRITE;
        const bool bWasEmpty = m_queue.empty();
        m_queue[hostPath] = content;
        if (!m_thread.joinable())
            m_thread = std::thread([this] { Run(); });
        else if (bWasEmpty && !m_bWriting)
            m_wake.notify_one(); // the writer waits for work; while it gathers, stores only join in
        return STORE_QUEUED;
    }

    void Wait()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        ++m_nWaiters; // the writer stops gathering and writes at once
        m_hurry.notify_all();
        m_idle.wait(lock, [this] { return m_queue.empty() && !m_bWriting; });
        --m_nWaiters;
    }

private:
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
            m_hurry.wait_for(lock, kGatherTime, [this] { return m_bStop || m_nWaiters > 0; });
            std::map<std::string, std::string> round;
            round.swap(m_queue);
            m_bWriting = true;
            lock.unlock();
            std::set<std::string> failed;
            for (const auto& [path, content] : round)
                if (!kiv::core::WriteFileDurably(path, content))
                    failed.insert(path);
            lock.lock();
            m_bWriting = false;
            for (const std::string& path : failed)
                if (m_queue.find(path) == m_queue.end())
                    m_failed.insert(path); // a newer queued content gets its own try
            m_idle.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;  // work arrived
    std::condition_variable m_hurry; // a caller waits for the queue, or the process ends
    std::condition_variable m_idle;
    std::map<std::string, std::string> m_queue; // host path -> newest content
    std::set<std::string> m_failed;             // files whose last store could not be written
    int m_nWaiters = 0;                         // callers of Wait
    bool m_bWriting = false;
    bool m_bStop = false;
    std::thread m_thread;
};

void FinishAtExit();

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
    Writer().Finish();
}
} // namespace

namespace kiv::core
{
bool StoreFile(const std::string& hostPath, const std::string& content)
{
    if (DataRootReadOnly())
    {
        SysSetLastError(SYS_ERR_READ_ONLY);
        SysDebugPrintf(SYS_DBG_FAIL, "StoreFile: %s cannot be written: the data root is read-only\n",
                       hostPath.c_str());
        return false;
    }
    switch (Writer().Store(hostPath, content))
    {
    case STORE_QUEUED:
        return true;
    case STORE_EARLIER_FAILED:
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
