/*
 * CUlogSvcSubject: announces every change of the logs to its observers, the internal ones (the service's
 * own, which keep derived tables in step) first and then the external ones (other modules' objects).
 *
 * The subject owns its observers: its destructor deletes each attached observer once, also one that is
 * attached to both lists. Detach does not delete.
 *
 * Attach, Detach and Notify hold the observer lock (the named "observer" mutex, when a client created
 * it) and a process-local lock, so the lists stay whole when changed from several tasks. Notify walks
 * a copy of the lists: an observer may attach or detach from inside Update on its own task; one
 * detached during a walk is not called any more, one attached during a walk is called from the next.
 */
#ifndef CULOG_SVC_SUBJECT_H
#define CULOG_SVC_SUBJECT_H

#include "H/CUlogObject.h"
#include "KivCore/KivTypes.h"
#include "UlogSvcChangeMgr/IUlogObserver.h"

#include <mutex>
#include <vector>

class CUlogSvcSubject : public CUlogObject
{
public:
    /* What changed; set before each notification. */
    enum ChangeType : int
    {
        CHANGE_ADD = 0,                              /* an event stored; object: the log */
        CHANGE_UPDATE = 1,                           /* one row written; object: the row */
        CHANGE_UPDATE_CONTACT_INFO = 2,              /* contact data of rows rewritten */
        CHANGE_UPDATE_TEMP_LOG = 3,                  /* a temporary log completed; object: the log */
        CHANGE_4 = 4,                                /* not raised */
        CHANGE_UPDATE_NAME_BY_VOICEMAIL = 5,         /* object: the renamed row */
        CHANGE_UPDATE_NAME_BY_VOICEMAIL_LOGTYPE = 6, /* object: the call log used */
        CHANGE_UPDATE_UNCHECKED_STATUS = 7,          /* filter: the rows */
        CHANGE_UPDATE_ALL_UNCHECKED_STATUS = 8,
        CHANGE_UPDATE_ALL_GROUP_ID = 9,
        CHANGE_10 = 10,               /* not raised */
        CHANGE_DELETE = 11,           /* object: the deleted row */
        CHANGE_DELETE_BY_FILTER = 12, /* filter: the rows */
        CHANGE_DELETE_ALL = 13        /* object: an empty log of the type, or none for every type */
    };

    CUlogSvcSubject();
    ~CUlogSvcSubject() override;

    CUlogSvcSubject(const CUlogSvcSubject&) = delete;
    CUlogSvcSubject& operator=(const CUlogSvcSubject&) = delete;

    /* bExternal 1: the external list; any other value: the internal list. FALSE for NULL or an observer
     * already in that list. */
    virtual BOOL Attach(IUlogObserver* pObserver, int bExternal);
    /* Removes every occurrence from the selected list; TRUE also when it was not there. FALSE for NULL. */
    virtual BOOL Detach(IUlogObserver* pObserver, int bExternal);
    /* Calls Update on every internal observer in order of attachment, then on every external one.
     * Always TRUE: the observers' results are not looked at. */
    virtual BOOL Notify(CUlogObject* pObject, const IUlogSvcFilter* pFilter);

    void SetChangeType(ChangeType iChangeType) { m_iChangeType = iChangeType; }
    ChangeType GetChangeType() const { return m_iChangeType; }

    int GetObserverCount() const;
    int GetExternalObserverCount() const;

private:
    static bool Contains(const std::vector<IUlogObserver*>& list, const IUlogObserver* pObserver);

    std::vector<IUlogObserver*> m_internalObservers;
    std::vector<IUlogObserver*> m_externalObservers;
    ChangeType m_iChangeType;

    mutable std::recursive_mutex m_listMutex;
};

#endif
