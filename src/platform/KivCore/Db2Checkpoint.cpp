// Checkpoints of the write-ahead journal, off the callers' way: the connection of the engine never
// checkpoints on its own (a commit would now and then pay for copying the whole journal); a thread
// with a connection of its own copies the journal into the database once it has grown past a few
// hundred pages, while callers go on reading and writing. Closing the database (the service's stop,
// the end of the process, a reset) checkpoints whole and empties the journal.
#include "KivCore/Db2EngineInternal.h"
#include "KivCore/KivCore.h"

#include <cstdio>

namespace kiv::core::db2
{
namespace
{
// After every commit of the engine's connection, with the pages the journal now holds. The journal
// starts over only when a checkpoint has copied all of it before a write begins; a writer that never
// pauses (or a checkpointer that gets no processor) can keep that from happening. Past
// kCheckpointPagesHard pages the committing caller waits for the checkpoint under way and copies the rest
// itself, so that the journal starts over at the next write whatever the load.
int OnCommit(void* pEngine, sqlite3* db, const char*, int nPages)
{
    Engine& e = *static_cast<Engine*>(pEngine);
    if (nPages >= kCheckpointPagesHard && e.checkpointer)
        e.checkpointer->CatchUp(db);
    else if (nPages >= kCheckpointPages && e.checkpointer)
        e.checkpointer->Request(nPages);
    return SQLITE_OK;
}
} // namespace

void Engine::StartCheckpoints(const std::string& path)
{
    char sql[64];
    std::snprintf(sql, sizeof sql, "PRAGMA cache_size=-%d", kPageCacheKiB);
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        SysDebugPrintf(SYS_DBG_DETAIL, "Db2Open: %s [%s]\n", sqlite3_errmsg(db), sql);
    KeepJournalFiles(db);
    checkpointer = std::make_unique<Checkpointer>(path);
    sqlite3_wal_hook(db, OnCommit, this); // replaces SQLite's own checkpoint on commit
}

void Checkpointer::Request(int nJournalPages)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bStop)
        return;
    m_nPages = nJournalPages;
    if (!m_thread.joinable())
        m_thread = std::thread([this] { Run(); });
    else
        m_wake.notify_one();
}

Checkpointer::~Checkpointer()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
        m_wake.notify_one();
    }
    if (m_thread.joinable())
        m_thread.join();
    sqlite3_close(m_pDb);
}

void Checkpointer::Run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;)
    {
        m_wake.wait(lock, [this] { return m_bStop || m_nPages > 0; });
        if (m_bStop)
            return;
        m_nPages = 0;
        lock.unlock();
        CheckpointOnce();
        lock.lock();
    }
}

void Checkpointer::CatchUp(sqlite3* db)
{
    std::lock_guard<std::mutex> lock(m_runMutex);
    sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
}

void Checkpointer::CheckpointOnce()
{
    std::lock_guard<std::mutex> run(m_runMutex);
    if (m_pDb == nullptr)
    {
        if (OpenSqlite(m_path.c_str(), &m_pDb,
                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW) != SQLITE_OK)
        {
            SysDebugPrintf(SYS_DBG_FAIL, "Db2Checkpoint: %s [%s]\n", sqlite3_errmsg(m_pDb), m_path.c_str());
            sqlite3_close(m_pDb);
            m_pDb = nullptr;
            return;
        }
        sqlite3_busy_timeout(m_pDb, kBusyTimeoutMs);
        sqlite3_exec(m_pDb, "PRAGMA cache_size=-64", nullptr, nullptr, nullptr);
    }
    // Passive: copies what no reader still needs, waiting for nobody.
    int nLog = 0, nCopied = 0;
    const int rc = sqlite3_wal_checkpoint_v2(m_pDb, nullptr, SQLITE_CHECKPOINT_PASSIVE, &nLog, &nCopied);
    if (rc != SQLITE_OK && rc != SQLITE_BUSY)
        SysDebugPrintf(SYS_DBG_FAIL, "Db2Checkpoint: %s [%s]\n", sqlite3_errmsg(m_pDb), m_path.c_str());
    else
        SysDebugPrintf(SYS_DBG_DETAIL, "Db2Checkpoint: %d of %d journal pages copied\n", nCopied, nLog);
}
} // namespace kiv::core::db2
