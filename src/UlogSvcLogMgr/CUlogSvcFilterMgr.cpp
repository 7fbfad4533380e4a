#define ULOG_SRC_MODULE "UlogSvcLogMgr/UlogSvcFilterMgr"
#include "H/UlogSvcDef.h"

#include "UlogSvcLogMgr/CUlogSvcFilterMgr.h"

#include "UlogSvcDbMgr/CUlogContentFrmwkDbMgr.h"
#include "UlogSvcUtil/CUlogSvcMutex.h"

CUlogSvcFilterMgr* CUlogSvcFilterMgr::Instance()
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    static CUlogSvcFilterMgr s_instance(CUlogContentFrmwkDbMgr::Instance());
    return &s_instance;
}

std::string CUlogSvcFilterMgr::GetTableName(UlogDbTableType type) const
{
    if (!ULOG_REQUIRE(m_pDbMgr != NULL))
    {
        return std::string();
    }
    const char* pszName = m_pDbMgr->GetTableName(type);
    return pszName != NULL ? std::string(pszName) : std::string();
}

std::string CUlogSvcFilterMgr::GetFieldName(int nField, UlogDbTableType type) const
{
    if (!ULOG_REQUIRE(m_pDbMgr != NULL))
    {
        return std::string();
    }
    const char* pszName = m_pDbMgr->GetFieldName(nField, type);
    return pszName != NULL ? std::string(pszName) : std::string();
}
