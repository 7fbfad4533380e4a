// Batches: the statements of one change as one transaction, committed whole or rolled back whole.
#include "KivCore/Db2EngineInternal.h"
#include "KivCore/KivCore.h"

using namespace kiv::core::db2;

static int EndTransaction(const char* sql, const char* what, bool undo)
{
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    if (e.batchDepth > 0)
    {
        // The batch commits as a whole; a rollback asked for by its owner undoes the whole batch.
        if (undo && std::this_thread::get_id() == e.batchOwner)
            e.batchFailed = true;
        return 0;
    }
    if (e.db == nullptr || sqlite3_get_autocommit(e.db) != 0)
        return 0; // each statement commits by itself
    return e.ExecLocked(sql, what) ? 0 : -1;
}

extern "C" int Db2Commit(void)
{
    return EndTransaction("COMMIT", "Db2Commit", false);
}

extern "C" int Db2Rollback(void)
{
    return EndTransaction("ROLLBACK", "Db2Rollback", true);
}

extern "C" int Db2BeginBatch(void)
{
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    if (e.batchDepth > 0)
    {
        ++e.batchDepth;
        return 0;
    }
    if (!e.OpenLocked())
        return -1;
    if (sqlite3_get_autocommit(e.db) == 0)
    {
        // A transaction left open outside any batch would swallow the batch's end: refuse.
        SysSetLastError(SYS_ERR_SQL);
        SysDebugPrintf(SYS_DBG_FAIL, "Db2BeginBatch: a transaction is already open\n");
        return -1;
    }
    // Immediate: the write lock is taken (or waited for) now, so that no later statement of the
    // batch can find the database taken by another process half way through.
    if (!e.ExecLocked("BEGIN IMMEDIATE", "Db2BeginBatch"))
        return -1;
    e.batchDepth = 1;
    e.batchOwner = std::this_thread::get_id();
    e.batchFailed = false;
    return 0;
}

extern "C" int Db2AbortBatch(void)
{
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    if (e.batchDepth == 0 || std::this_thread::get_id() != e.batchOwner)
        return -1;
    e.batchFailed = true;
    return 0;
}

extern "C" int Db2EndBatch(void)
{
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    if (e.batchDepth == 0)
        return -1;
    if (--e.batchDepth > 0)
        return e.batchFailed ? -1 : 0; // an inner batch: the outermost one commits or rolls back
    const bool failed = e.batchFailed;
    e.batchFailed = false;
    e.batchOwner = std::thread::id();
    if (e.db == nullptr)
        return -1; // closed under the batch (a reset): nothing was committed
    if (sqlite3_get_autocommit(e.db) != 0)
        return failed ? -1 : 0; // SQLite already rolled the transaction back after a hard error
    if (!failed && e.ExecLocked("COMMIT", "Db2EndBatch"))
        return 0;
    // Never leave the transaction open: later statements would silently join it.
    const unsigned int cause = SysGetLastError();
    e.ExecLocked("ROLLBACK", "Db2EndBatch");
    SysSetLastError(cause); // the reason the batch failed, not the rollback's
    return -1;
}
