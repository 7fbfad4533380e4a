/*
 * CUlogContentFrmwkDbMgr: the query manager the service runs on. Writes,
 * deletes by id and aggregates are direct SQL (CUlogDbMgr); single logs, log
 * lists, counts and deletes by filter go through the content framework, which
 * routes the table URIs below "ulog/log" back to this service's query handler.
 *
 * Every operation of this class that is not a plain forward holds the service
 * lock for its whole run.
 */
#ifndef CULOG_CONTENT_FRMWK_DB_MGR_H
#define CULOG_CONTENT_FRMWK_DB_MGR_H

#include "UlogSvcDbMgr/CUlogDbMgr.h"

class CContentURI;
class CContentFilter;

class CUlogContentFrmwkDbMgr : public CUlogDbMgr
{
public:
    /* The single instance, created on the first call under the service lock. */
    static CUlogContentFrmwkDbMgr* Instance();

    CUlogContentFrmwkDbMgr() {}
    ~CUlogContentFrmwkDbMgr() override {}

    using CUlogDbMgr::Delete;
    BOOL Delete(const IUlogSvcFilter& filter, UlogDbTableType type) override;

    CUlog* GetUlog(const IUlogSvcFilter& filter, UlogDbTableType type) override;
    BOOL GetFirstUlogs(const IUlogSvcFilter& filter, int nMax, std::vector<CUlog*>& rows,
                       UlogDbTableType type) override;
    CUlog* GetFirstUlog(int nLogType, UlogDbTableType type) override;
    CUlog* GetLastUlog(int nLogType, UlogDbTableType type) override;
    CUlog* GetFirstUlog(UlogDbTableType type) override;
    CUlog* GetLastUlog(UlogDbTableType type) override;
    CUlog* GetLastUlog(const IUlogSvcFilter& filter, UlogDbTableType type) override;
    CUlog* GetUlogByUniqueID(int nUniqueId, UlogDbTableType type) override;

    using CUlogDbMgr::GetUlogs;
    IUlogList<CUlog>* GetUlogs(const IUlogSvcFilter& filter, UlogDbTableType type) override;
    IUlogList<CUlog>* GetAllUlog(int nLogType, UlogDbTableType type) override;
    IUlogList<CUlog>* GetAllUlog(UlogDbTableType type) override;
    IUlogList<CUlog>* GetMax(int nField, UlogDbTableType type) override;
    IUlogList<CUlog>* GetMin(int nField, UlogDbTableType type) override;

    int GetCount(const IUlogSvcFilter& filter, UlogDbTableType type) override;
    /* Registers the query handler factory for "ulog/log"; 0 without a content manager. */
    BOOL InitContent() override;
    BOOL CheckTempLog() override;

    /* The first log matching a condition text, read through the single-log URI of the table. */
    CUlog* GetULOG(const char* pszCondition, UlogDbTableType type);
    /* The table a URI addresses: 0 at or below "ulog/log/distinct", else 1 at or below "ulog/log/dupl",
     * else 0. */
    UlogDbTableType GetTableType(const CContentURI& uri) const;

    static const char* GetRootUri() { return "ulog/log"; }
    static const char* GetTableUri(UlogDbTableType type);
    static const char* GetSingleLogUri(UlogDbTableType type);

private:
    CUlog* __GetFirstRow(const char* pszFunc, const CContentFilter& filter, UlogDbTableType type);
    IUlogList<CUlog>* __GetMaxMin(int nField, bool bMax, UlogDbTableType type);
};

#endif
