/*
 * CUlogSvcMgr: the service manager. Init brings up the process-wide managers
 * at service start; Exit ends what must end before the library is unloaded.
 * A single process-wide instance.
 */
#ifndef CULOG_SVC_MGR_H
#define CULOG_SVC_MGR_H

#include "H/CUlogObject.h"
#include "KivCore/KivTypes.h"

class IContentSyncSubscriber;

class CUlogSvcMgr : public CUlogObject
{
public:
    /* The single instance, created on the first call under the service lock. */
    static CUlogSvcMgr* Instance();

    ~CUlogSvcMgr() override;
    CUlogSvcMgr(const CUlogSvcMgr&) = delete;
    CUlogSvcMgr& operator=(const CUlogSvcMgr&) = delete;

    /* Initialises the database manager, the log managers and the statistics, registers the contacts
     * listeners and subscribes the SNS message sync. FALSE when a manager is missing. */
    BOOL Init();
    /* Unsubscribes the SNS message sync and unloads the statistics; holds the service lock. */
    BOOL Exit();

    /* The content-sync URI of SNS message changes. */
    static const char* GetSnsSyncUri() { return "kiv.content.sync.sns/message"; }
    /* The owned SNS message content-sync handler (CUlogSvcSnsSync), made by the constructor. */
    IContentSyncSubscriber* GetSnsSync() const { return m_pSnsSync; }

private:
    CUlogSvcMgr();

    IContentSyncSubscriber* m_pSnsSync;
};

#endif
