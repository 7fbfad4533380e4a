// The listeners of the address book and the notification thread that calls them.
#ifndef KIVCTSVC_NOTIFIER_H
#define KIVCTSVC_NOTIFIER_H

#include "KivCtSvc/KivCtSvc.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace kiv::ctsvc
{
/* One change of one record, for the listeners of its kind. */
struct CtSvcNotice
{
    int nKind; /* CTSVC_DB_... */
    int nChangeType;
    int nRecordId;
};

/* What a write waits for: its last notice delivered, or the thread stopped. */
struct CtSvcTicket
{
    uint64_t nSeq = 0; /* 0: nothing to wait for */
    uint64_t nEpoch = 0;
};

/* The listener registry per kind, and the queue of notices with its thread. The thread is started by
 * the first notice that has a listener; a stop (reset, process exit) ends it: the call under way ends
 * first, the notices not yet delivered are dropped, and waiting writers are let go. Each start after a
 * stop is a new epoch: a thread that did not end in time is let go and calls no listener any more. */
class CCtSvcNotifier
{
public:
    static CCtSvcNotifier& Instance();

    bool Register(int nKind, CtSvcDbListenerCallback pfnCallback, void* pUserData);
    /* Returns once no call of the callback for that kind is under way (except on a notification thread). */
    bool Unregister(int nKind, CtSvcDbListenerCallback pfnCallback);

    /* Queues the notices of a committed write; called under the writer mutex, so the queue follows the
     * order of the commits. Notices of kinds without a listener are left out. */
    CtSvcTicket Queue(const std::vector<CtSvcNotice>& notices);
    /* Returns once the notices up to the ticket were delivered; at once on a notification thread (a
     * listener's own write: its notices follow those being delivered). */
    void Wait(const CtSvcTicket& ticket);

    /* Stops the thread; bForget also forgets every listener (a reset). */
    void Stop(bool bForget);
    /* Process exit: stops the thread for good; later writes queue nothing. */
    void Close();

private:
    CCtSvcNotifier() = default;

    struct CListener
    {
        CtSvcDbListenerCallback pfnCallback;
        void* pUserData;
    };
    struct CQueued
    {
        CtSvcNotice notice;
        uint64_t nSeq;
    };
    struct CCall
    {
        int nKind;
        CtSvcDbListenerCallback pfnCallback;
        std::thread::id threadId;
    };

    std::vector<CListener>* ListenersLocked(int nKind);
    const CListener* FindLocked(int nKind, CtSvcDbListenerCallback pfnCallback);
    bool CallUnderWayLocked(int nKind, CtSvcDbListenerCallback pfnCallback) const;
    void Run(uint64_t nEpoch);

    std::mutex m_mutex;
    std::condition_variable m_cvWork;      // the thread: a notice queued, or a stop
    std::condition_variable m_cvProgress;  // writers, unregisters and stops: a notice or a call ended
    std::vector<CListener> m_listeners[6]; // per kind, in registration order
    std::deque<CQueued> m_queue;
    std::vector<CCall> m_calls; // listener calls under way
    uint64_t m_nQueued = 0;     // sequence number of the last notice queued
    uint64_t m_nDelivered = 0;  // ... of the last one delivered (or dropped)
    uint64_t m_nEpoch = 1;
    uint64_t m_nEnded = 0; // the latest epoch whose thread has ended
    std::thread m_thread;  // the thread of the current epoch, once started
    bool m_bClosed = false;
};
} // namespace kiv::ctsvc

#endif
