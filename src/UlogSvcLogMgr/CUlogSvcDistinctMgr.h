/*
 * CUlogSvcDistinctMgr: owner of the distinct log table, one row per
 * correspondent and log type. Every new event enters through Add, which finds
 * or creates the correspondent's row, keeps at most 30 rows per log type
 * (evicting the least recently touched one), writes the statistics, and
 * notifies change 0 so that the event reaches the duplicate table.
 *
 * Every change of the table is notified to the observers (CUlogSvcSubject).
 * Changes run under CUlogSvcLogMgrScope; the statistics are written before the
 * scope is taken, never inside it.
 */
#ifndef CULOG_SVC_DISTINCT_MGR_H
#define CULOG_SVC_DISTINCT_MGR_H

#include "UlogSvcChangeMgr/CUlogSvcSubject.h"
#include "UlogSvcLogMgr/CUlogSvcLogMgrBase.h"
#include "UlogSvcLogMgr/IUlogSvcDistinctMgr.h"

class IUlogDbMgr;

class CUlogSvcDistinctMgr : public CUlogSvcLogMgrBase<IUlogSvcDistinctMgr>, public CUlogSvcSubject
{
public:
    /* A manager over pDbMgr (not owned); Init() replaces it with the service's query manager. */
    explicit CUlogSvcDistinctMgr(IUlogDbMgr* pDbMgr = NULL);
    ~CUlogSvcDistinctMgr() override;

    BOOL Init() override;
    BOOL Exit() override;
    BOOL Add(CUlog& log) override;
    BOOL Update(CUlog& log) override;
    BOOL UpdateNameByVoicemailByLogType(UlogLogType iLogType, const MbdnInfo* pEntry) override;
    BOOL UpdateNameByVoicemail(const MbdnInfo* pEntry) override;
    BOOL UpdateUncheckedStatus(const IUlogSvcFilter* pFilter, int nStatus) override;
    BOOL UpdateAllUncheckedStatus(int nStatus) override;
    BOOL UpdateAllGroupId(int nOldGroupId, int nNewGroupId) override;
    using CUlogSvcLogMgrBase<IUlogSvcDistinctMgr>::Delete;
    BOOL Delete(int nUniqueId) override;
    BOOL Delete(const IUlogSvcFilter* pFilter) override;
    BOOL DeleteAll(UlogLogType iLogType) override;
    BOOL DeleteAll() override;

    // The reads and queries are the common ones of CUlogSvcLogMgrBase.
    BOOL UpdateDistinctContactInfo() override;

    BOOL SetAllLogInfoByType(UlogLogType iLogType, int iUpdateType, const UlogInfo* pInfo,
                             int bNoWrite) override;
    BOOL SetAllLogInfo(int iUpdateType, const UlogInfo* pInfo) override;
    BOOL UpdateTempLog(CUlog& log) override;
    BOOL UpdateTempPrevLogByUlogInfo(const UlogInfo& info) override;
    BOOL IsVT2StageDailedLog(const CUlog& log) override;

    /* The correspondent's group across every log type (existing, or the largest plus one); also sets
     * the log's basic number. */
    int __GetGroupID(CUlog& log);
    /* The unique id of the correspondent's row of the log's type; -1 when there is none, 0 when the
     * log cannot be matched at all (an IM log without an address). */
    int __GetUniqueID(CUlog& log);
    /* The correspondent's row of the log's type itself (owned by the caller), or null; bUnmatchable as
     * for the 0 of __GetUniqueID. */
    CUlog* __FindRow(CUlog& log, bool& bUnmatchable);
    /* __GetGroupID and __FindRow together, from one read of the correspondent's rows where it can:
     * sets nGroupId and the log's basic number, returns the row as __FindRow does. */
    CUlog* __FindCorrespondent(CUlog& log, int& nGroupId, bool& bUnmatchable);
    BOOL __UpdateAllByUlogInfo(IUlogIterator<CUlog>* pIter, int iUpdateType, const UlogInfo* pInfo,
                               int bNoWrite);
    BOOL __Notify(ChangeType iChangeType, CUlogObject* pObject, const IUlogSvcFilter* pFilter);

    /* For the observer that keeps the duplicate table in step, while a change is notified: TRUE when
     * the events of the row with that unique id are already gone (a change 11 notified again), or
     * already carry the row's contact ids (a change 1 that kept them). */
    BOOL AreEventsGone(int nUniqueId) const { return nUniqueId == m_nEventsGoneOf ? TRUE : FALSE; }
    BOOL AreEventsLinked(int nUniqueId) const { return nUniqueId == m_nEventsLinkedOf ? TRUE : FALSE; }

private:
    BOOL __AddLocked(CUlog& log);
    /* __UpdateAllByUlogInfo over the list, which it releases. */
    BOOL __UpdateListByUlogInfo(IUlogList<CUlog>* pList, int iUpdateType, const UlogInfo* pInfo,
                                int bNoWrite);
    static void __CopyKindFields(const CUlog& log, CUlog& row);

    /* Set by Add, under the service lock, only while it notifies the change they are about. */
    int m_nEventsGoneOf;
    int m_nEventsLinkedOf;
};

#endif
