/*
 * IUlogSvcLogMgr: the common interface of the distinct and the duplicate log
 * managers. Each manager runs these operations on its own table.
 *
 * Filters are passed by pointer. Reads treat a null filter as an empty one
 * (every row); writes and deletes refuse it. Logs and lists handed out belong
 * to the caller, who releases a list's iterator before the list.
 */
#ifndef IULOG_SVC_LOG_MGR_H
#define IULOG_SVC_LOG_MGR_H

#include "UlogSvc.h"

class CUlog;
class IUlogSvcFilter;
template <class T> class IUlogList;

class IUlogSvcLogMgr
{
public:
    virtual ~IUlogSvcLogMgr() {}

    /* Takes the query manager; FALSE when there is none. */
    virtual BOOL Init() = 0;
    virtual BOOL Exit() = 0;
    /* Stores a new event. */
    virtual BOOL Add(CUlog& log) = 0;
    /* Rewrites the row of the log's unique id. */
    virtual BOOL Update(CUlog& log) = 0;
    /* Does nothing; TRUE. */
    virtual BOOL UpdateReserved(CUlog& log) = 0;
    virtual BOOL UpdateNameByVoicemailByLogType(UlogLogType iLogType, const MbdnInfo* pEntry) = 0;
    virtual BOOL UpdateNameByVoicemail(const MbdnInfo* pEntry) = 0;
    virtual BOOL UpdateUncheckedStatus(const IUlogSvcFilter* pFilter, int nStatus) = 0;
    virtual BOOL UpdateAllUncheckedStatus(int nStatus) = 0;
    virtual BOOL UpdateAllGroupId(int nOldGroupId, int nNewGroupId) = 0;
    virtual void Delete(const CUlog& log) = 0;
    virtual BOOL Delete(int nUniqueId) = 0;
    virtual BOOL Delete(const IUlogSvcFilter* pFilter) = 0;
    virtual BOOL DeleteByBasicNumber(const char* pszBasicNumber) = 0;
    virtual BOOL DeleteAll(UlogLogType iLogType) = 0;
    virtual BOOL DeleteAll() = 0;

    /* The first row that the filter matches, or NULL. */
    virtual CUlog* GetUlog(const IUlogSvcFilter* pFilter) = 0;
    /* The row of the type with the lowest (highest) sort index. */
    virtual CUlog* GetFirstUlog(UlogLogType iLogType) = 0;
    virtual CUlog* GetLastUlog(UlogLogType iLogType) = 0;
    virtual CUlog* GetFirstUlog() = 0;
    virtual CUlog* GetLastUlog() = 0;
    /* The row with the highest sort index among those that the filter matches. */
    virtual CUlog* GetLastUlog(const IUlogSvcFilter* pFilter) = 0;
    virtual CUlog* GetUlog(int nUniqueId) = 0;
    /* The row of the type whose basic number is that of pszNumber. */
    virtual CUlog* GetUlogByNumber(UlogLogType iLogType, const char* pszNumber, int nIPCallDigitCount) = 0;

    virtual IUlogList<CUlog>* GetUlogs(const IUlogSvcFilter* pFilter) = 0;
    virtual IUlogList<CUlog>* GetUlogs(UlogLogType iLogType) = 0;
    virtual IUlogList<CUlog>* GetUlogs() = 0;
    /* nStart 0 with nCount -1: every matched row; otherwise a window of nCount rows from nStart. */
    virtual IUlogList<CUlog>* GetUlogs(const IUlogSvcFilter* pFilter, int nStart, int nCount) = 0;
    /* Newest first, with a window. */
    virtual IUlogList<CUlog>* GetUlogs(int nStart, int nCount) = 0;
    virtual IUlogList<CUlog>* GetUlogs(UlogLogType iLogType, int nStart, int nCount) = 0;
    /* The newest row of each group, newest group first. */
    virtual IUlogList<CUlog>* GetUlogsByGroup(const IUlogSvcFilter* pFilter, int nStart, int nCount) = 0;
    virtual IUlogList<int>* GetFieldDistinct(int nField, const IUlogSvcFilter* pFilter) = 0;
    virtual IUlogList<CUlog>* GetAllUlogOnlyNumber() = 0;
    /* Per day: a log whose start time is the day and whose duplicate count is the number of groups. */
    virtual IUlogList<CUlog>* GetDateByGroup(const IUlogSvcFilter* pFilter) = 0;
    /* Position of the row in the list of all rows; -1 when it is not there or the list cannot be read. */
    virtual int GetIndex(int nUniqueId) = 0;
    virtual int GetSum(int nField) = 0;
    virtual int GetAverage(int nField) = 0;
    /* The rows that hold the largest (smallest) value of the field. */
    virtual IUlogList<CUlog>* GetMax(int nField) = 0;
    virtual IUlogList<CUlog>* GetMin(int nField) = 0;
    virtual int GetCount(UlogLogType iLogType) = 0;
    virtual int GetCount() = 0;
    virtual int GetCount(const IUlogSvcFilter* pFilter) = 0;
    virtual int GetGroupCount(const IUlogSvcFilter* pFilter) = 0;
    virtual int GetCountDistinct(int nField, const IUlogSvcFilter* pFilter) = 0;
    /* Accepted and ignored by the query manager. */
    virtual BOOL SetFilter(int nFilter) = 0;
    virtual BOOL SetOrder(int nOrder1, int nOrder2, int nOrder3, int nOrder4) = 0;
    virtual BOOL IsExist(int nUniqueId) = 0;
    virtual BOOL UpdateDistinctContactInfo() { return TRUE; }
    /* Copies the row's contact ids into its duplicate rows (duplicate manager). */
    virtual BOOL UpdateDupleContactInfo(const CUlog& /*row*/) { return TRUE; }
};

#endif
