// The advice-of-charge store.
#define ULOG_SRC_MODULE "UlogSvcSimMgr/UlogSvcSimMgr"
#include "H/UlogSvcDef.h"

#include "UlogSvcSimMgr/CUlogSvcSimMgr.h"
#include "UlogSvcUtil/CUlogSvcMutex.h"

#include <cstring>

namespace
{
void PrintAocInfo(const char* pszOperation, const UlogAocInfo& info)
{
    // The code is printed from a terminated copy: the record's field need not be terminated.
    char szCurrencyCode[sizeof(info.currencyCode) + 1] = {};
    std::memcpy(szCurrencyCode, info.currencyCode, sizeof(info.currencyCode));
    SysDebugPrintf(ULOG_DBG_DETAIL2, "CUlogSvcSimMgr::%s: currencyCode (%s) currencyCodeLen (%d)\n",
                   pszOperation, szCurrencyCode, info.currencyCodeLen);
    SysDebugPrintf(ULOG_DBG_DETAIL2,
                   "CUlogSvcSimMgr::%s: eppu (%d) expSign (%d) exp (%d) priceperUnit (%f)\n", pszOperation,
                   info.eppu, info.expSign, info.exp, info.pricePerUnit);
    SysDebugPrintf(ULOG_DBG_DETAIL2, "CUlogSvcSimMgr::%s: acm.value (%d) acmMax.value (%d)\n", pszOperation,
                   info.acm.value, info.acmMax.value);
}
} // namespace

CUlogSvcSimMgr* CUlogSvcSimMgr::Instance()
{
    static CUlogSvcSimMgr s_instance;
    return &s_instance;
}

CUlogSvcSimMgr::CUlogSvcSimMgr()
{
    std::memset(&m_aocInfo, 0, sizeof(m_aocInfo));
}

CUlogSvcSimMgr::~CUlogSvcSimMgr() = default;

BOOL CUlogSvcSimMgr::SetAocInfo(const UlogAocInfo* pInfo)
{
    if (!ULOG_REQUIRE(pInfo != NULL))
        return FALSE;
    UlogAocInfo copy;
    {
        CUlogSvcMutex serviceMutex;
        CUlogSvcLock serviceLock(serviceMutex);
        std::lock_guard<std::mutex> copyLock(m_copyMutex);
        std::memcpy(&m_aocInfo, pInfo, sizeof(m_aocInfo));
        copy = m_aocInfo;
    }
    PrintAocInfo("SetAocInfo", copy);
    return TRUE;
}

BOOL CUlogSvcSimMgr::GetAocInfo(UlogAocInfo* pInfo)
{
    if (!ULOG_REQUIRE(pInfo != NULL))
        return FALSE;
    {
        CUlogSvcMutex serviceMutex;
        CUlogSvcLock serviceLock(serviceMutex);
        std::lock_guard<std::mutex> copyLock(m_copyMutex);
        std::memcpy(pInfo, &m_aocInfo, sizeof(m_aocInfo));
    }
    PrintAocInfo("GetAocInfo", *pInfo);
    return TRUE;
}
