// The listeners of the address book and the notification thread that calls them.
#include "KivCtSvc/CtSvcNotifier.h"

#include "KivCore/KivCore.h"
#include "KivCtSvc/CtSvcDatabase.h"
#include "KivCtSvc/KivCtSvcInternal.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace kiv::ctsvc
{
namespace
{
// How long a stop waits for a listener call under way before it lets the thread go.
constexpr auto kStopWait = std::chrono::seconds(5);

constexpr int kKinds[] = {CTSVC_DB_PHONE_NUMBER, CTSVC_DB_EMAIL, CTSVC_DB_FDN,
                          CTSVC_DB_CONTACT,      CTSVC_DB_IM,    CTSVC_DB_SNS};

thread_local bool t_bNotificationThread = false;

int KindSlot(int nKind)
{
    for (int i = 0; i < static_cast<int>(std::size(kKinds)); ++i)
        if (kKinds[i] == nKind)
            return i;
    return -1;
}
} // namespace

CCtSvcNotifier& CCtSvcNotifier::Instance()
{
    // Never destroyed: a thread let go at a stop may still end its call later. The thread is stopped at
    // process exit (see RegisterExitHandler).
    static CCtSvcNotifier* s_pNotifier = []
    {
        RegisterExitHandler();
        return new CCtSvcNotifier;
    }();
    return *s_pNotifier;
}

std::vector<CCtSvcNotifier::CListener>* CCtSvcNotifier::ListenersLocked(int nKind)
{
    const int nSlot = KindSlot(nKind);
    return nSlot < 0 ? nullptr : &m_listeners[nSlot];
}

const CCtSvcNotifier::CListener* CCtSvcNotifier::FindLocked(int nKind, CtSvcDbListenerCallback pfnCallback)
{
    std::vector<CListener>* pList = ListenersLocked(nKind);
    if (pList == nullptr)
        return nullptr;
    for (const CListener& listener : *pList)
        if (listener.pfnCallback == pfnCallback)
            return &listener;
    return nullptr;
}

bool CCtSvcNotifier::CallUnderWayLocked(int nKind, CtSvcDbListenerCallback pfnCallback) const
{
    return std::any_of(m_calls.begin(), m_calls.end(),
                       [&](const CCall& call)
                       { return call.nKind == nKind && call.pfnCallback == pfnCallback; });
}

bool CCtSvcNotifier::Register(int nKind, CtSvcDbListenerCallback pfnCallback, void* pUserData)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<CListener>* pList = ListenersLocked(nKind);
    if (pList == nullptr || pfnCallback == nullptr)
        return false;
    if (FindLocked(nKind, pfnCallback) == nullptr)
        pList->push_back({pfnCallback, pUserData});
    return true;
}

bool CCtSvcNotifier::Unregister(int nKind, CtSvcDbListenerCallback pfnCallback)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    std::vector<CListener>* pList = ListenersLocked(nKind);
    if (pList == nullptr)
        return false;
    const auto it =
        std::find_if(pList->begin(), pList->end(),
                     [&](const CListener& listener) { return listener.pfnCallback == pfnCallback; });
    if (it == pList->end())
        return false;
    pList->erase(it);
    if (!t_bNotificationThread)
        m_cvProgress.wait(lock, [&] { return !CallUnderWayLocked(nKind, pfnCallback); });
    return true;
}

CtSvcTicket CCtSvcNotifier::Queue(const std::vector<CtSvcNotice>& notices)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    CtSvcTicket ticket;
    if (m_bClosed)
        return ticket;
    for (const CtSvcNotice& notice : notices)
    {
        const std::vector<CListener>* pList = ListenersLocked(notice.nKind);
        if (pList == nullptr || pList->empty())
            continue;
        m_queue.push_back({notice, ++m_nQueued});
        ticket.nSeq = m_nQueued;
    }
    if (ticket.nSeq == 0)
        return ticket;
    ticket.nEpoch = m_nEpoch;
    if (!m_thread.joinable())
    {
        try
        {
            m_thread = std::thread(&CCtSvcNotifier::Run, this, m_nEpoch);
        }
        catch (const std::system_error& error)
        {
            SysDebugPrintf(SYS_DBG_FAIL,
                           "CtSvcNotifier: the notification thread cannot start (%s): %d change(s) "
                           "not notified\n",
                           error.what(), static_cast<int>(m_queue.size()));
            m_queue.clear();
            m_nDelivered = m_nQueued;
            return CtSvcTicket();
        }
    }
    m_cvWork.notify_one();
    return ticket;
}

void CCtSvcNotifier::Wait(const CtSvcTicket& ticket)
{
    if (ticket.nSeq == 0 || t_bNotificationThread)
        return;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cvProgress.wait(lock, [&] { return m_nDelivered >= ticket.nSeq || m_nEpoch != ticket.nEpoch; });
}

void CCtSvcNotifier::Run(uint64_t nEpoch)
{
    t_bNotificationThread = true;
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;)
    {
        m_cvWork.wait(lock, [&] { return m_nEpoch != nEpoch || !m_queue.empty(); });
        if (m_nEpoch != nEpoch)
            break;
        const CQueued item = m_queue.front();
        m_queue.pop_front();
        // The listeners as they stand now; each is looked up again before its call, so one unregistered
        // meanwhile is not called, and one registered meanwhile waits for the next notice.
        std::vector<CtSvcDbListenerCallback> callbacks;
        for (const CListener& listener : *ListenersLocked(item.notice.nKind))
            callbacks.push_back(listener.pfnCallback);
        for (CtSvcDbListenerCallback pfnCallback : callbacks)
        {
            const CListener* pListener = FindLocked(item.notice.nKind, pfnCallback);
            if (m_nEpoch != nEpoch || pListener == nullptr)
                continue;
            void* pUserData = pListener->pUserData;
            m_calls.push_back({item.notice.nKind, pfnCallback, std::this_thread::get_id()});
            lock.unlock();
            pfnCallback(item.notice.nChangeType, item.notice.nRecordId, pUserData, nullptr);
            lock.lock();
            const auto it =
                std::find_if(m_calls.begin(), m_calls.end(),
                             [&](const CCall& call) { return call.threadId == std::this_thread::get_id(); });
            if (it != m_calls.end())
                m_calls.erase(it);
            m_cvProgress.notify_all();
        }
        if (m_nEpoch != nEpoch)
            break;
        m_nDelivered = item.nSeq;
        m_cvProgress.notify_all();
    }
    m_nEnded = std::max(m_nEnded, nEpoch);
    m_cvProgress.notify_all();
}

void CCtSvcNotifier::Stop(bool bForget)
{
    std::thread thread;
    uint64_t nEpoch;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        nEpoch = m_nEpoch++;
        if (!m_queue.empty())
            SysDebugPrintf(SYS_DBG_PROGRESS, "CtSvcNotifier: %d change(s) dropped at the stop\n",
                           static_cast<int>(m_queue.size()));
        m_queue.clear();
        m_nDelivered = m_nQueued;
        if (bForget)
            for (std::vector<CListener>& list : m_listeners)
                list.clear();
        thread = std::move(m_thread);
    }
    m_cvWork.notify_all();
    m_cvProgress.notify_all();
    if (!thread.joinable())
        return;
    if (thread.get_id() == std::this_thread::get_id())
    {
        thread.detach(); // stopped by one of its own listeners: it ends when that call returns
        return;
    }
    bool bEnded;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        bEnded = m_cvProgress.wait_for(lock, kStopWait, [&] { return m_nEnded >= nEpoch; });
    }
    if (bEnded)
        thread.join();
    else
    {
        SysDebugPrintf(SYS_DBG_FAIL, "CtSvcNotifier: a listener did not return; its thread is let go\n");
        thread.detach();
    }
}

void CCtSvcNotifier::Close()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bClosed = true;
    }
    Stop(false);
}
} // namespace kiv::ctsvc

extern "C" BOOL _CtSvcDbListenerRegisterCallback(int nDbKind, CtSvcDbListenerCallback pfnCallback,
                                                 void* pUserData, const char* srcFile, int srcLine)
{
    if (!kiv::ctsvc::CCtSvcNotifier::Instance().Register(nDbKind, pfnCallback, pUserData))
    {
        kiv::ctsvc::Fail(CTSVC_ERR_INVALID_ARG, "_CtSvcDbListenerRegisterCallback",
                         "an unknown kind (" + std::to_string(nDbKind) + ") or no callback, from " +
                             (srcFile != nullptr ? srcFile : "?") + ":" + std::to_string(srcLine));
        return FALSE;
    }
    SysDebugPrintf(SYS_DBG_DETAIL, "_CtSvcDbListenerRegisterCallback: kind %d, from %s:%d\n", nDbKind,
                   srcFile != nullptr ? srcFile : "?", srcLine);
    return TRUE;
}

extern "C" BOOL CtSvcDbListenerUnregisterCallback(int nDbKind, CtSvcDbListenerCallback pfnCallback)
{
    if (kiv::ctsvc::CCtSvcNotifier::Instance().Unregister(nDbKind, pfnCallback))
        return TRUE;
    SysSetLastError(CTSVC_ERR_NOT_FOUND);
    return FALSE;
}
