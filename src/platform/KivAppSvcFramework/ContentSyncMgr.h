/*
 * Content-sync notifications: modules subscribe to a content URI and are
 * called, on the publisher's thread, with the changed data of that URI.
 */
#ifndef KIV_CONTENT_SYNC_MGR_H
#define KIV_CONTENT_SYNC_MGR_H

#include "KivCore/KivTypes.h"

#include <mutex>
#include <string>
#include <vector>

/* One changed data element; services derive their record interfaces from it. */
class IContentSyncData
{
public:
    virtual ~IContentSyncData() {}
};

class IContentSyncSubscriber
{
public:
    /* Called after a change of uri. data lists the changed elements (may be NULL); reserved is passed
     * through from the publisher. TRUE when the subscriber took every element. */
    virtual BOOL OnContentSync(const char* uri, void* reserved,
                               const std::vector<IContentSyncData*>* data) = 0;
    virtual ~IContentSyncSubscriber() {}
};

class CContentSyncMgr
{
public:
    static CContentSyncMgr* Instance();

    /* Subscribes (not owned). FALSE for a null subscriber, an empty URI, or a subscriber that already
     * holds this URI. flags is reserved (0). */
    BOOL Subscribe(const char* uri, IContentSyncSubscriber* subscriber, int flags);
    /* FALSE when the subscriber did not hold the URI. */
    BOOL Unsubscribe(const char* uri, IContentSyncSubscriber* subscriber);
    /* Calls every subscriber of uri, in subscription order; the number called. pnTaken, when given,
     * receives how many of them answered TRUE (took every element). */
    int Publish(const char* uri, void* reserved, const std::vector<IContentSyncData*>* data,
                int* pnTaken = nullptr);
    int GetSubscriberCount(const char* uri);

    /* Drops every subscription (platform reset). */
    void Reset();

private:
    struct Entry
    {
        std::string uri;
        IContentSyncSubscriber* subscriber;
    };
    std::mutex m_mutex;
    std::vector<Entry> m_entries;
};

#endif
