/*
 * CUlogSvcSimMgr: the SIM's advice-of-charge record (accumulated call meter, its maximum, price per
 * unit and currency), handed in by the telephony side and read back by the call-cost formatting.
 * One process-wide copy, in memory only: all zero after each start until it is set.
 */
#ifndef CULOG_SVC_SIM_MGR_H
#define CULOG_SVC_SIM_MGR_H

#include "UlogSvc.h"
#include "H/CUlogObject.h"

#include <mutex>

class CUlogSvcSimMgr : public CUlogObject
{
public:
    /* The single instance, created on first use. */
    static CUlogSvcSimMgr* Instance();

    /* Copies the 32-byte record into the store; FALSE (nothing copied) for NULL. */
    BOOL SetAocInfo(const UlogAocInfo* pInfo);
    /* Copies the stored 32-byte record out; FALSE (nothing written) for NULL. */
    BOOL GetAocInfo(UlogAocInfo* pInfo);

    ~CUlogSvcSimMgr() override;

private:
    CUlogSvcSimMgr();
    CUlogSvcSimMgr(const CUlogSvcSimMgr&) = delete;
    CUlogSvcSimMgr& operator=(const CUlogSvcSimMgr&) = delete;

    UlogAocInfo m_aocInfo;
    /* Keeps a copy whole even when the service mutex does not exist (service not started). */
    std::mutex m_copyMutex;
};

#endif
