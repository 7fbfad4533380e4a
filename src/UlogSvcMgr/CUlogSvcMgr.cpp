#define ULOG_SRC_MODULE "UlogSvcMgr/UlogSvcMgr"
#include "H/UlogSvcDef.h"

#include "UlogSvcMgr/CUlogSvcMgr.h"

#include "KivAppSvcFramework/ContentSyncMgr.h"
#include "KivCtSvc/KivCtSvc.h"
#include "UlogSvcAccountMgr/CUlogSvcAccountMgr.h"
#include "UlogSvcChangeMgr/CUlogSvcContactSync.h"
#include "UlogSvcChangeMgr/CUlogSvcSnsSync.h"
#include "UlogSvcDbMgr/CUlogContentFrmwkDbMgr.h"
#include "UlogSvcLogMgr/IUlogSvcDistinctMgr.h"
#include "UlogSvcLogMgr/IUlogSvcDuplMgr.h"
#include "UlogSvcUtil/CUlogSvcMutex.h"

#include <new>

namespace
{
/* Lines of the manager checks as the service has always reported them. */
const int LINE_DB_MGR = 92;
const int LINE_DISTINCT_MGR = 98;
const int LINE_DUPL_MGR = 102;
const int LINE_ACCOUNT_MGR = 107;
const int LINE_EXIT_ACCOUNT_MGR = 147;

void ReportMissing(const char* pszCondition, int nLine)
{
    _SysAssertReport(1, "ASSERTION_REQUIRE", pszCondition, ULOG_SRC_MODULE, nLine);
}
} // namespace

CUlogSvcMgr* CUlogSvcMgr::Instance()
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    static CUlogSvcMgr s_instance;
    return &s_instance;
}

CUlogSvcMgr::CUlogSvcMgr() : m_pSnsSync(new (std::nothrow) CUlogSvcSnsSync)
{
    ULOG_REQUIRE(m_pSnsSync != NULL);
}

CUlogSvcMgr::~CUlogSvcMgr()
{
    delete m_pSnsSync;
    m_pSnsSync = NULL;
}

BOOL CUlogSvcMgr::Init()
{
    /* 1. The database manager: tables and indexes, the content handler, a left-over temporary log. */
    IUlogDbMgr* pDbMgr = CUlogContentFrmwkDbMgr::Instance();
    if (pDbMgr == NULL)
    {
        ReportMissing("pDbMgr != NULL", LINE_DB_MGR);
        return FALSE;
    }
    pDbMgr->Init();

    /* 2. The distinct log manager. */
    IUlogSvcDistinctMgr* pDistinctLogMgr = IUlogSvcDistinctMgr::Instance();
    if (pDistinctLogMgr == NULL)
    {
        ReportMissing("pDistinctLogMgr != NULL", LINE_DISTINCT_MGR);
        return FALSE;
    }
    pDistinctLogMgr->Init();

    /* 3. The duplicate log manager, which attaches the distinct-table observer. */
    IUlogSvcDuplMgr* pDuplLogMgr = IUlogSvcDuplMgr::Instance();
    if (pDuplLogMgr == NULL)
    {
        ReportMissing("pDuplLogMgr != NULL", LINE_DUPL_MGR);
        return FALSE;
    }
    pDuplLogMgr->Init();

    /* 4. The statistics. */
    CUlogSvcAccountMgr* pAccountMgr = CUlogSvcAccountMgr::Instance();
    if (pAccountMgr == NULL)
    {
        ReportMissing("pAccountMgr != NULL", LINE_ACCOUNT_MGR);
        return FALSE;
    }
    pAccountMgr->Init();

    /* 5. The contacts listeners. Registering a listener that is already registered changes nothing, so
     * a second start keeps one of each; a reset of the contacts service drops them, and the start after
     * it registers them again. */
    static const struct
    {
        int nKind;
        CtSvcDbListenerCallback pfnCallback;
    } s_listeners[] = {{CTSVC_DB_PHONE_NUMBER, &CUlogSvcContactSync::NumberDataContactSync},
                       {CTSVC_DB_EMAIL, &CUlogSvcContactSync::EmailDataContactSync},
                       {CTSVC_DB_FDN, &CUlogSvcContactSync::FdnDataContactSync},
                       {CTSVC_DB_SNS, &CUlogSvcContactSync::SnsContactSync},
                       {CTSVC_DB_IM, &CUlogSvcContactSync::ImContactSync},
                       {CTSVC_DB_CONTACT, &CUlogSvcContactSync::PrimaryContactSync}};
    for (const auto& listener : s_listeners)
    {
        if (!_CtSvcDbListenerRegisterCallback(listener.nKind, listener.pfnCallback, NULL, __FILE__, __LINE__))
            SysDebugPrintf(ULOG_DBG_FAIL,
                           "CUlogSvcMgr::Init: the contacts listener of kind %d is not registered.\n",
                           listener.nKind);
    }

    /* 6. The SNS message sync. */
    if (m_pSnsSync != NULL)
    {
        CContentSyncMgr::Instance()->Subscribe(GetSnsSyncUri(), m_pSnsSync, 0);
    }
    return TRUE;
}

BOOL CUlogSvcMgr::Exit()
{
    CUlogSvcAccountMgr* pAccountMgr = CUlogSvcAccountMgr::Instance();
    if (pAccountMgr == NULL)
    {
        ReportMissing("pAccountMgr != NULL", LINE_EXIT_ACCOUNT_MGR);
        return FALSE;
    }

    {
        CUlogSvcMutex mutex;
        CUlogSvcLock lock(mutex);
        if (m_pSnsSync != NULL)
        {
            CContentSyncMgr::Instance()->Unsubscribe(GetSnsSyncUri(), m_pSnsSync);
        }
    }

    /* The statistics file is unloaded outside the service lock: its last flushes are waited for there,
     * and nothing else has to wait for them meanwhile. */
    pAccountMgr->Exit();
    return TRUE;
}
