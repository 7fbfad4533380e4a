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
#include "UlogSvcLogMgr/IUlogSvcDuplMgr.h"

class IUlogDbMgr;
class CUlogSvcDistinctMgrObserver;

class CUlogSvcDuplMgr : public IUlogSvcDuplMgr, public CUlogObject
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
    BOOL UpdateReserved(CUlog& log) override;
    BOOL UpdateNameByVoicemailByLogType(UlogLogType iLogType, const MbdnInfo* pEntry) override;
    BOOL UpdateNameByVoicemail(const MbdnInfo* pEntry) override;
    BOOL UpdateUncheckedStatus(const IUlogSvcFilter* pFilter, int nStatus) override;
    BOOL UpdateAllUncheckedStatus(int nStatus) override;
    BOOL UpdateAllGroupId(int nOldGroupId, int nNewGroupId) override;
    void Delete(const CUlog& log) override;
    BOOL Delete(int nUniqueId) override;
    BOOL Delete(const IUlogSvcFilter* pFilter) override;
    BOOL DeleteByBasicNumber(const char* pszBasicNumber) override;
    BOOL DeleteAll(UlogLogType iLogType) override;
    BOOL DeleteAll() override;

    CUlog* GetUlog(const IUlogSvcFilter* pFilter) override;
    CUlog* GetFirstUlog(UlogLogType iLogType) override;
    CUlog* GetLastUlog(UlogLogType iLogType) override;
    CUlog* GetFirstUlog() override;
    CUlog* GetLastUlog() override;
    CUlog* GetLastUlog(const IUlogSvcFilter* pFilter) override;
    CUlog* GetUlog(int nUniqueId) override;
    CUlog* GetUlogByNumber(UlogLogType iLogType, const char* pszNumber, int nIPCallDigitCount) override;

    IUlogList<CUlog>* GetUlogs(const IUlogSvcFilter* pFilter) override;
    IUlogList<CUlog>* GetUlogs(UlogLogType iLogType) override;
    IUlogList<CUlog>* GetUlogs() override;
    IUlogList<CUlog>* GetUlogs(const IUlogSvcFilter* pFilter, int nStart, int nCount) override;
    IUlogList<CUlog>* GetUlogs(int nStart, int nCount) override;
    IUlogList<CUlog>* GetUlogs(UlogLogType iLogType, int nStart, int nCount) override;
    IUlogList<CUlog>* GetUlogsByGroup(const IUlogSvcFilter* pFilter, int nStart, int nCount) override;
    IUlogList<int>* GetFieldDistinct(int nField, const IUlogSvcFilter* pFilter) override;
    IUlogList<CUlog>* GetAllUlogOnlyNumber() override;
    IUlogList<CUlog>* GetDateByGroup(const IUlogSvcFilter* pFilter) override;
    int GetIndex(int nUniqueId) override;
    int GetSum(int nField) override;
    int GetAverage(int nField) override;
    IUlogList<CUlog>* GetMax(int nField) override;
    IUlogList<CUlog>* GetMin(int nField) override;
    int GetCount(UlogLogType iLogType) override;
    int GetCount() override;
    int GetCount(const IUlogSvcFilter* pFilter) override;
    int GetGroupCount(const IUlogSvcFilter* pFilter) override;
    int GetCountDistinct(int nField, const IUlogSvcFilter* pFilter) override;
    BOOL SetFilter(int nFilter) override;
    BOOL SetOrder(int nOrder1, int nOrder2, int nOrder3, int nOrder4) override;
    BOOL IsExist(int nUniqueId) override;
    BOOL UpdateDupleContactInfo(const CUlog& row) override;

    /* The attached observer, or NULL. */
    CUlogSvcDistinctMgrObserver* GetObserver() const { return m_pObserver; }

private:
    BOOL __CheckDbMgr(int nLine) const;
    /* Builds the call log that a voicemail entry renames; NULL when the entry is empty. */
    CUlog* __VoicemailLog(UlogLogType iLogType, const MbdnInfo* pEntry);

    CUlogSvcDistinctMgrObserver* m_pObserver;
    IUlogDbMgr* m_pDbMgr;
};

#endif
