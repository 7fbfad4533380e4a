#include "KivAppSvcFramework/ContentSyncMgr.h"

#include "KivAppSvcFramework/ContentTypes.h"

CContentSyncMgr* CContentSyncMgr::Instance()
{
    static CContentSyncMgr s_mgr;
    return &s_mgr;
}

BOOL CContentSyncMgr::Subscribe(const char* uri, IContentSyncSubscriber* subscriber, int /*flags*/)
{
    if (uri == nullptr || uri[0] == '\0' || subscriber == nullptr)
        return FALSE;
    const CContentURI target(uri);
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Entry& e : m_entries)
        if (e.subscriber == subscriber && target.IsEqual(e.uri))
            return FALSE;
    m_entries.push_back(Entry{target.GetURI(), subscriber});
    return TRUE;
}

BOOL CContentSyncMgr::Unsubscribe(const char* uri, IContentSyncSubscriber* subscriber)
{
    if (uri == nullptr)
        return FALSE;
    const CContentURI target(uri);
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it)
    {
        if (it->subscriber == subscriber && target.IsEqual(it->uri))
        {
            m_entries.erase(it);
            return TRUE;
        }
    }
    return FALSE;
}

int CContentSyncMgr::Publish(const char* uri, void* reserved, const std::vector<IContentSyncData*>* data,
                             int* pnTaken)
{
    if (pnTaken != nullptr)
        *pnTaken = 0;
    if (uri == nullptr)
        return 0;
    const CContentURI target(uri);
    std::vector<IContentSyncSubscriber*> called;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const Entry& e : m_entries)
            if (target.IsEqual(e.uri))
                called.push_back(e.subscriber);
    }
    /* Called without the lock: a subscriber may subscribe or unsubscribe from its notification. */
    int nTaken = 0;
    for (IContentSyncSubscriber* s : called)
        if (s->OnContentSync(uri, reserved, data))
            ++nTaken;
    if (pnTaken != nullptr)
        *pnTaken = nTaken;
    return static_cast<int>(called.size());
}

int CContentSyncMgr::GetSubscriberCount(const char* uri)
{
    if (uri == nullptr)
        return 0;
    const CContentURI target(uri);
    std::lock_guard<std::mutex> lock(m_mutex);
    int n = 0;
    for (const Entry& e : m_entries)
        if (target.IsEqual(e.uri))
            ++n;
    return n;
}

void CContentSyncMgr::Reset()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.clear();
}
