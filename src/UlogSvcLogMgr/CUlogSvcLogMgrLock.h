/*
 * CUlogSvcLogMgrScope: the lock that the log managers hold across a change of
 * the log tables. It takes the service lock ("UlogSvc", re-entrant) and then a
 * process-local re-entrant lock, so that the steps of one change stay together
 * also while the named mutex has not been created.
 *
 * Order: the service lock is always taken first. The statistics lock may be
 * taken while this scope is held (observers notified under it read statistics),
 * never the reverse: nothing done under the statistics lock waits for this one.
 */
#ifndef CULOG_SVC_LOG_MGR_LOCK_H
#define CULOG_SVC_LOG_MGR_LOCK_H

#include "UlogSvcUtil/CUlogSvcMutex.h"

#include <mutex>

class CUlogSvcLogMgrScope
{
public:
    CUlogSvcLogMgrScope() : m_lock(m_mutex), m_guard(LocalMutex()) {}
    CUlogSvcLogMgrScope(const CUlogSvcLogMgrScope&) = delete;
    CUlogSvcLogMgrScope& operator=(const CUlogSvcLogMgrScope&) = delete;

    static std::recursive_mutex& LocalMutex()
    {
        static std::recursive_mutex s_mutex;
        return s_mutex;
    }

private:
    CUlogSvcMutex m_mutex;
    CUlogSvcLock m_lock;
    std::lock_guard<std::recursive_mutex> m_guard;
};

#endif
