/*
 * CUlogDbBatch: the statements run while one lives are written to the log database as one
 * transaction when it goes. A change of several steps (an event's distinct row, its duplicate row and
 * the room made for them) then costs one write of the database instead of one per step, and a crash
 * in between leaves none of its steps behind rather than some of them.
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
            Db2EndBatch();
    }
    CUlogDbBatch(const CUlogDbBatch&) = delete;
    CUlogDbBatch& operator=(const CUlogDbBatch&) = delete;

private:
    bool m_bOpen; // false when the batch could not begin: the statements then commit one by one
};

#endif
