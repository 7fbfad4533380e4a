#define ULOG_SRC_MODULE "UlogSvcMgr/UlogSvcMgr"
#include "H/UlogSvcDef.h"

#include "UlogSvcMgr/CUlogSvcMgr.h"

#include "KivAppSvcFramework/ContentSyncMgr.h"
#include "UlogSvcDbMgr/CUlogContentFrmwkDbMgr.h"
#include "UlogSvcUtil/CUlogSvcMutex.h"

namespace
{
/* Lines of the manager checks as the service has always reported them. */
const int LINE_DB_MGR = 92;

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

CUlogSvcMgr::CUlogSvcMgr() : m_pSnsSync(NULL)
{
    /* LATER (SNS message sync): m_pSnsSync = new CUlogSvcSnsSync; */
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

    /* LATER (distinct log manager): IUlogSvcDistinctMgr::Instance(), "pDistinctLogMgr != NULL" (line 98),
     * then its Init(). */
    /* LATER (duplicate log manager): IUlogSvcDuplMgr::Instance(), "pDuplLogMgr != NULL" (line 102), then
     * its Init(), which attaches the distinct-table observer. */
    /* LATER (account manager): CUlogSvcAccountMgr::Instance(), "pAccountMgr != NULL" (line 107), then
     * CUlogSvcAccountMgr::Init(). */
    /* LATER (contact sync): _CtSvcDbListenerRegisterCallback for kinds 1, 2, 6, 12, 11, 10 with the
     * CUlogSvcContactSync callbacks, in that order. */

    /* 6. The SNS message sync. */
    if (m_pSnsSync != NULL)
    {
        CContentSyncMgr::Instance()->Subscribe(GetSnsSyncUri(), m_pSnsSync, 0);
    }
    return TRUE;
}

BOOL CUlogSvcMgr::Exit()
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);

    /* LATER (account manager): CUlogSvcAccountMgr::Instance(), "pAccountMgr != NULL" (line 147), FALSE
     * when missing. */

    if (m_pSnsSync != NULL)
    {
        CContentSyncMgr::Instance()->Unsubscribe(GetSnsSyncUri(), m_pSnsSync);
    }

    /* LATER (account manager): CUlogSvcAccountMgr::Exit(), which unloads Ulog.ini. */
    return TRUE;
}
