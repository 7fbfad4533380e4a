/*
 * CUlogDbBatch: the statements run while one lives are written to the log database as one
 * transaction, all of them or none. A change of several steps (an event's distinct row, its duplicate
 * row and the room made for them) then costs one write of the database instead of one per step, and
 * a crash or a failed step in between leaves none of its steps behind rather than some of them.
 *
 * Check IsOpen() before the first step: a batch that could not begin (the database cannot be opened,
 * another process holds it past the busy wait) runs nothing as one change, so the change must not be
 * made. Commit() ends the batch and says whether every step was written; a batch that goes without
 * Commit() (an early return on a failed step) is rolled back.
 *
 * Take it inside the service lock, so that no other change runs its own steps into the same batch.
 *
 * An inner batch that ends well while the outermost one is later rolled back has committed nothing; the
 * outermost batch's end is the one that counts, for the tables and for AfterCommit.
 */
#ifndef CULOG_DB_BATCH_H
#define CULOG_DB_BATCH_H

#include "KivCore/KivCore.h"

#include <functional>
#include <utility>
#include <vector>

class CUlogDbBatch
{
public:
    CUlogDbBatch() : m_bOpen(Db2BeginBatch() == 0)
    {
        if (m_bOpen)
            ++Depth();
    }
    ~CUlogDbBatch()
    {
        if (m_bOpen)
        {
            Db2AbortBatch();
            Db2EndBatch();
            __Closed(false);
        }
    }
    CUlogDbBatch(const CUlogDbBatch&) = delete;
    CUlogDbBatch& operator=(const CUlogDbBatch&) = delete;

    bool IsOpen() const { return m_bOpen; }

    /* Marks the change failed: the batch is rolled back at its end, whatever its steps did. */
    void Abort()
    {
        if (m_bOpen)
            Db2AbortBatch();
    }

    /* Ends the batch: true once every step is committed, false when the batch never began, a step
     * failed, it was aborted, or the commit failed (then nothing of it is in the tables). */
    bool Commit()
    {
        if (!m_bOpen)
            return false;
        m_bOpen = false;
        const bool bCommitted = Db2EndBatch() == 0;
        __Closed(bCommitted);
        return bCommitted;
    }

    /* Runs the action once the calling thread's outermost batch is committed, or drops it when that
     * batch is rolled back; outside a batch it runs at once. For news of a change that must not go out
     * before the change is in the tables. */
    static void AfterCommit(std::function<void()> action)
    {
        if (Depth() == 0)
            action();
        else
            Pending().push_back(std::move(action));
    }

private:
    static int& Depth()
    {
        thread_local int t_nDepth = 0;
        return t_nDepth;
    }
    static std::vector<std::function<void()>>& Pending()
    {
        thread_local std::vector<std::function<void()>> t_actions;
        return t_actions;
    }
    /* An inner batch's end decides nothing: its steps are committed or rolled back with the outermost. */
    static void __Closed(bool bCommitted)
    {
        if (--Depth() > 0)
            return;
        std::vector<std::function<void()>> actions;
        actions.swap(Pending());
        if (bCommitted)
            for (const std::function<void()>& action : actions)
                action();
    }

    bool m_bOpen;
};

#endif
