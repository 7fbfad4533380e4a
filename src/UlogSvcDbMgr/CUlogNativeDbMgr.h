/*
 * CUlogNativeDbMgr: the query manager that answers every read with direct SQL
 * (used by the frequency queries). A single process-wide instance.
 */
#ifndef CULOG_NATIVE_DB_MGR_H
#define CULOG_NATIVE_DB_MGR_H

#include "UlogSvcDbMgr/CUlogDbMgr.h"

class CUlogNativeDbMgr : public CUlogDbMgr
{
public:
    static CUlogNativeDbMgr* Instance();

    CUlogNativeDbMgr() {}
    ~CUlogNativeDbMgr() override {}

    using CUlogDbMgr::Delete;
    /* No operation here; returns 1. */
    BOOL Delete(const IUlogSvcFilter& filter, UlogDbTableType type) override;
    /* Not offered here; null. */
    CUlog* GetUlog(const IUlogSvcFilter& filter, UlogDbTableType type) override;
    BOOL GetFirstUlogs(const IUlogSvcFilter& filter, int nMax, std::vector<CUlog*>& rows,
                       UlogDbTableType type) override;
    CUlog* GetFirstUlog(int nLogType, UlogDbTableType type) override;
    CUlog* GetLastUlog(int nLogType, UlogDbTableType type) override;
    CUlog* GetFirstUlog(UlogDbTableType type) override;
    CUlog* GetLastUlog(UlogDbTableType type) override;
    /* Not offered here; null. */
    CUlog* GetLastUlog(const IUlogSvcFilter& filter, UlogDbTableType type) override;
    CUlog* GetUlogByUniqueID(int nUniqueId, UlogDbTableType type) override;
    using CUlogDbMgr::GetUlogs;
    /* Not offered here; null. */
    IUlogList<CUlog>* GetUlogs(const IUlogSvcFilter& filter, UlogDbTableType type) override;
    IUlogList<CUlog>* GetAllUlog(int nLogType, UlogDbTableType type) override;
    IUlogList<CUlog>* GetAllUlog(UlogDbTableType type) override;
    IUlogList<CUlog>* GetMax(int nField, UlogDbTableType type) override;
    IUlogList<CUlog>* GetMin(int nField, UlogDbTableType type) override;

private:
    CUlog* __GetSingleUlog(const char* pszFunc, const char* pszQuery, UlogDbTableType type);
    IUlogList<CUlog>* __ReadAll(const char* pszFunc, const char* pszQuery, UlogDbTableType type);
};

#endif
