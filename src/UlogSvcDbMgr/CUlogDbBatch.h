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
 */
#ifndef CULOG_DB_BATCH_H
#define CULOG_DB_BATCH_H

#include "KivCore/KivCore.h"

class CUlogDbBatch
{
public:
    CUlogDbBatch() : m_bOpen(Db2BeginBatch() == 0) {}
    ~CUlogDbBatch()
    {
        if (m_bOpen)
        {
            Db2AbortBatch();
            Db2EndBatch();
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
        return Db2EndBatch() == 0;
    }

private:
    bool m_bOpen;
};

#endif
