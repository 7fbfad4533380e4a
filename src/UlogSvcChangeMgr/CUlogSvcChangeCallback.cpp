// Changes of the logs passed on to a C application's callback once they are committed.
#include "UlogSvcChangeMgr/CUlogSvcChangeCallback.h"

#include "UlogSvcChangeMgr/CUlogSvcSubject.h"
#include "UlogSvcDbMgr/CUlogDbBatch.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogSvcDistinctMgr.h"

CUlogSvcChangeCallback* CUlogSvcChangeCallback::Instance()
{
    static CUlogSvcChangeCallback s_instance;
    return &s_instance;
}

BOOL CUlogSvcChangeCallback::SetCallback(UlogChangeCallback pfnCallback, void* pUserData)
{
    CUlogSvcDistinctMgr* pDistinct = static_cast<CUlogSvcDistinctMgr*>(IUlogSvcDistinctMgr::Instance());
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pfnCallback = pfnCallback;
    m_pUserData = pUserData;
    if (pfnCallback != nullptr && !m_bAttached)
        m_bAttached = pDistinct->Attach(this, 1) != FALSE;
    else if (pfnCallback == nullptr && m_bAttached)
        m_bAttached = pDistinct->Detach(this, 1) == FALSE;
    return (pfnCallback == nullptr || m_bAttached) ? TRUE : FALSE;
}

BOOL CUlogSvcChangeCallback::Update(CUlogSvcSubject* pSubject, CUlogObject* pObject, const IUlogSvcFilter*)
{
    if (pSubject == nullptr)
        return FALSE;
    const int nChangeType = pSubject->GetChangeType();
    const CUlog* pLog = dynamic_cast<const CUlog*>(pObject);
    // A change of many rows (a filter, every row) names none of them.
    int nUniqueId = ULOG_INVALID_DB_INDEX;
    if (pLog != nullptr && nChangeType != CUlogSvcSubject::CHANGE_DELETE_ALL &&
        nChangeType != CUlogSvcSubject::CHANGE_UPDATE_NAME_BY_VOICEMAIL_LOGTYPE)
        nUniqueId = pLog->GetUniqueID();
    CUlogDbBatch::AfterCommit([this, nChangeType, nUniqueId] { __Deliver(nChangeType, nUniqueId); });
    return TRUE;
}

void CUlogSvcChangeCallback::__Deliver(int nChangeType, int nUniqueId)
{
    UlogChangeCallback pfnCallback = nullptr;
    void* pUserData = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pfnCallback = m_pfnCallback;
        pUserData = m_pUserData;
    }
    if (pfnCallback != nullptr)
        pfnCallback(nChangeType, nUniqueId, pUserData);
}
