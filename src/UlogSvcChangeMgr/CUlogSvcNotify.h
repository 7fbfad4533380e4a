/*
 * CUlogSvcNotify: tells applications of a change of the logs with window-manager event 532.
 *
 * Events can be silenced for a while: Lock adds one to a class-wide counter and Release takes one off;
 * events go out only while the counter is 0. Used through CUlogSvcLock, a scope silences events:
 *
 *     CUlogSvcNotify notify;
 *     CUlogSvcLock silence(notify);
 *
 * The counter is changed atomically, so scopes on several tasks may nest and overlap.
 */
#ifndef CULOG_SVC_NOTIFY_H
#define CULOG_SVC_NOTIFY_H

#include "UlogSvcUtil/CUlogSvcLock.h"

#include <atomic>

/* Event code of the log-change notification. */
#define ULOG_EVENT_LOG_CHANGED 532

class CUlogSvcNotify : public IUlogSvcLockable
{
public:
    ~CUlogSvcNotify() override {}

    /* Silences events: TRUE. */
    BOOL Lock() override;
    /* Ends one silencing scope: TRUE; FALSE (the counter stays 0) when nothing was silenced. */
    BOOL Release() override;
    /* Sends event 532 carrying nType to hDestEventHandler. FALSE when events are silenced or the
     * handler is INVALID_HOBJ (nothing sent). */
    virtual BOOL operator()(int nType, int hDestEventHandler);
    static BOOL Send(int nType, int hDestEventHandler);

    /* Nested silencing scopes; events are sent only while it is 0. */
    static std::atomic<int> m_nLock;
};

#endif
