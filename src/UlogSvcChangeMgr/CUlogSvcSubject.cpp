// The subject of log changes and its observer lists.
#define ULOG_SRC_MODULE "UlogSvcChangeMgr/UlogSvcSubject"
#include "H/UlogSvcDef.h"

#include "UlogSvcChangeMgr/CUlogSvcSubject.h"
#include "UlogSvcUtil/CUlogSvcMutex.h"

#include <algorithm>
#include <cstdint>

namespace
{
// The observer lock: the named mutex (only when a client created it) and the subject's own lock.
class CObserverScope
{
public:
    explicit CObserverScope(std::recursive_mutex& listMutex) : m_lock(m_mutex), m_guard(listMutex) {}

private:
    CUlogSvcObserverMutex m_mutex;
    CUlogSvcLock m_lock;
    std::lock_guard<std::recursive_mutex> m_guard;
};

unsigned int PointerText(const void* p)
{
    return static_cast<unsigned int>(reinterpret_cast<uintptr_t>(p));
}
} // namespace

CUlogSvcSubject::CUlogSvcSubject() : m_iChangeType(CHANGE_ADD) {}

CUlogSvcSubject::~CUlogSvcSubject()
{
    // An observer may sit in both lists: each one is deleted once.
    std::vector<IUlogObserver*> owned;
    for (IUlogObserver* pObserver : m_internalObservers)
        if (pObserver != nullptr && !Contains(owned, pObserver))
            owned.push_back(pObserver);
    for (IUlogObserver* pObserver : m_externalObservers)
        if (pObserver != nullptr && !Contains(owned, pObserver))
            owned.push_back(pObserver);
    m_internalObservers.clear();
    m_externalObservers.clear();
    for (IUlogObserver* pObserver : owned)
        delete pObserver;
}

bool CUlogSvcSubject::Contains(const std::vector<IUlogObserver*>& list, const IUlogObserver* pObserver)
{
    return std::find(list.begin(), list.end(), pObserver) != list.end();
}

BOOL CUlogSvcSubject::Attach(IUlogObserver* pObserver, int bExternal)
{
    CObserverScope scope(m_listMutex);
    if (pObserver == nullptr)
    {
        _SysAssertReport(1, "ASSERTION_REQUIRE", "pObserver != NULL", ULOG_SRC_MODULE, 94);
        return FALSE;
    }
    SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogSvcSubject::Attach: bExternal (%d).\n", bExternal);
    const bool bToExternal = (bExternal == 1);
    std::vector<IUlogObserver*>& list = bToExternal ? m_externalObservers : m_internalObservers;
    if (Contains(list, pObserver))
    {
        if (bToExternal)
            SysDebugPrintf(ULOG_DBG_FAIL,
                           "CUlogSvcSubject::Attach: external pObserver(0x%x) already registered.\n",
                           PointerText(pObserver));
        else
            SysDebugPrintf(ULOG_DBG_FAIL,
                           "CUlogSvcSubject::Attach: internal pObserver(0x%x) already registered.\n",
                           PointerText(pObserver));
        return FALSE;
    }
    list.push_back(pObserver);
    return TRUE;
}

BOOL CUlogSvcSubject::Detach(IUlogObserver* pObserver, int bExternal)
{
    CObserverScope scope(m_listMutex);
    if (pObserver == nullptr)
    {
        _SysAssertReport(1, "ASSERTION_REQUIRE", "pObserver != NULL", ULOG_SRC_MODULE, 142);
        return FALSE;
    }
    std::vector<IUlogObserver*>& list = (bExternal == 1) ? m_externalObservers : m_internalObservers;
    list.erase(std::remove(list.begin(), list.end(), pObserver), list.end());
    return TRUE;
}

BOOL CUlogSvcSubject::Notify(CUlogObject* pObject, const IUlogSvcFilter* pFilter)
{
    CObserverScope scope(m_listMutex);
    // Walk copies taken before the first call: Update may attach or detach on this subject.
    const std::vector<IUlogObserver*> internalObservers = m_internalObservers;
    const std::vector<IUlogObserver*> externalObservers = m_externalObservers;
    for (IUlogObserver* pObserver : internalObservers)
    {
        if (pObserver == nullptr || !Contains(m_internalObservers, pObserver))
            continue;
        SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogSvcSubject::Notify: to internal observer .\n");
        pObserver->Update(this, pObject, pFilter);
    }
    for (IUlogObserver* pObserver : externalObservers)
    {
        if (pObserver == nullptr || !Contains(m_externalObservers, pObserver))
            continue;
        SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogSvcSubject::Notify: to external observer .\n");
        pObserver->Update(this, pObject, pFilter);
    }
    return TRUE;
}

int CUlogSvcSubject::GetObserverCount() const
{
    std::lock_guard<std::recursive_mutex> guard(m_listMutex);
    const int nCount = static_cast<int>(m_internalObservers.size());
    SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogSvcSubject::GetObserverCount (%d)\n", nCount);
    return nCount;
}

int CUlogSvcSubject::GetExternalObserverCount() const
{
    std::lock_guard<std::recursive_mutex> guard(m_listMutex);
    const int nCount = static_cast<int>(m_externalObservers.size());
    SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogSvcSubject::GetExternalObserverCount (%d)\n", nCount);
    return nCount;
}
