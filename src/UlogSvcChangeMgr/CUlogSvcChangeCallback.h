/*
 * CUlogSvcChangeCallback: the observer through which a C application follows the changes of the logs
 * (UlogSvcSetChangeCallback). It passes each change on once the change is committed: a change that is
 * rolled back is never announced.
 */
#ifndef CULOG_SVC_CHANGE_CALLBACK_H
#define CULOG_SVC_CHANGE_CALLBACK_H

#include "H/CUlogObject.h"
#include "UlogSvc.h"
#include "UlogSvcChangeMgr/IUlogObserver.h"

#include <mutex>

class CUlogSvcChangeCallback : public IUlogObserver, public CUlogObject
{
public:
    static CUlogSvcChangeCallback* Instance();

    /* Sets the application's callback (NULL: none) and attaches to the distinct log manager's changes
     * while there is one. */
    BOOL SetCallback(UlogChangeCallback pfnCallback, void* pUserData);

    BOOL Update(CUlogSvcSubject* pSubject, CUlogObject* pObject, const IUlogSvcFilter* pFilter) override;

private:
    CUlogSvcChangeCallback() = default;
    void __Deliver(int nChangeType, int nUniqueId);

    std::mutex m_mutex;
    UlogChangeCallback m_pfnCallback = nullptr;
    void* m_pUserData = nullptr;
    bool m_bAttached = false;
};

#endif
