/*
 * CUlogSvcDuplMgr: owner of the duplicate log table, one row per event, tied
 * to its correspondent's distinct row by the parent id. Events reach it through
 * the distinct-table observer that Init attaches to the distinct log manager.
 * At most 30 rows per parent: the oldest event of the new event's log type
 * gives way.
 */
#ifndef CULOG_SVC_DUPL_MGR_H
#define CULOG_SVC_DUPL_MGR_H

#include "H/CUlogObject.h"
#include "UlogSvcLogMgr/CUlogSvcLogMgrBase.h"
#include "UlogSvcLogMgr/IUlogSvcDuplMgr.h"

class IUlogDbMgr;
class CUlogSvcDistinctMgrObserver;

class CUlogSvcDuplMgr : public CUlogSvcLogMgrBase<IUlogSvcDuplMgr>, public CUlogObject
{
public:
    /* A manager over pDbMgr (not owned); Init() replaces it with the service's query manager. */
    explicit CUlogSvcDuplMgr(IUlogDbMgr* pDbMgr = NULL);
    ~CUlogSvcDuplMgr() override;

    /* Takes the query manager and attaches the distinct-table observer (once: a second Init keeps the
     * observer already attached). */
    BOOL Init() override;
    /* Detaches and deletes the observer. */
    BOOL Exit() override;
    BOOL Add(CUlog& log) override;
    BOOL Update(CUlog& log) override;
    BOOL UpdateNameByVoicemailByLogType(UlogLogType iLogType, const MbdnInfo* pEntry) override;
    BOOL UpdateNameByVoicemail(const MbdnInfo* pEntry) override;
    BOOL UpdateUncheckedStatus(const IUlogSvcFilter* pFilter, int nStatus) override;
    BOOL UpdateAllUncheckedStatus(int nStatus) override;
    BOOL UpdateAllGroupId(int nOldGroupId, int nNewGroupId) override;
    using CUlogSvcLogMgrBase<IUlogSvcDuplMgr>::Delete;
    BOOL Delete(int nUniqueId) override;
    BOOL Delete(const IUlogSvcFilter* pFilter) override;
    BOOL DeleteAll(UlogLogType iLogType) override;
    BOOL DeleteAll() override;

    // The reads and queries are the common ones of CUlogSvcLogMgrBase.

    BOOL UpdateDupleContactInfo(const CUlog& row) override;

    /* The attached observer, or NULL. */
    CUlogSvcDistinctMgrObserver* GetObserver() const { return m_pObserver; }

private:
    /* Builds the call log that a voicemail entry renames; NULL when the entry is empty. */
    CUlog* __VoicemailLog(UlogLogType iLogType, const MbdnInfo* pEntry);

    CUlogSvcDistinctMgrObserver* m_pObserver;
};

#endif
