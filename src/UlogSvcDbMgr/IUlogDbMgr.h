/*
 * IUlogDbMgr: the query manager, the only door from the rest of the service to
 * the log tables. Every operation names its table by the UlogDbTableType given
 * as its last argument (0 distinct table, 1 duplicate table).
 *
 * Lists returned here are new CUlogList objects owned by the caller; CUlog*
 * results are new logs owned by the caller; null means failure.
 */
#ifndef IULOG_DB_MGR_H
#define IULOG_DB_MGR_H

#include "UlogSvc.h"
#include "KivCore/KivTypes.h"

#include <vector>

class CUlog;
class CUlogSvcDataSet;
class IUlogSvcFilter;
template <class T> class IUlogList;

class IUlogDbMgr
{
public:
    virtual ~IUlogDbMgr() {}

    /* Creates missing tables, then InitContent(), then CheckTempLog(). Returns 1. */
    virtual BOOL Init() = 0;
    /* Creates every missing table with its indexes; 0 when a table object is missing. */
    virtual BOOL CheckTables() = 0;
    /* No operation; returns 1. */
    virtual BOOL Exit() = 0;

    virtual const char* GetTableName(UlogDbTableType type) = 0;
    virtual const char* GetFieldName(int nField, UlogDbTableType type) = 0;

    /* Writes a new row and sets the log's unique id. */
    virtual BOOL Insert(CUlog& log, UlogDbTableType type) = 0;
    /* Rewrites the row of the log's unique id. */
    virtual BOOL Update(CUlog& log, UlogDbTableType type) = 0;
    /* No operation; returns 1. */
    virtual BOOL UpdateReserved(CUlog& log, UlogDbTableType type) = 0;
    virtual BOOL UpdateUncheckedStatus(const IUlogSvcFilter& filter, int nValue, UlogDbTableType type) = 0;
    virtual BOOL UpdateNameByVoicemailByLogType(CUlog& log, UlogDbTableType type) = 0;
    virtual BOOL UpdateNameByVoicemail(CUlog& log, UlogDbTableType type) = 0;
    virtual BOOL UpdateAllGroupId(int nOldGroupId, int nNewGroupId, UlogDbTableType type) = 0;

    virtual BOOL Delete(int nUniqueId, UlogDbTableType type) = 0;
    virtual BOOL Delete(const IUlogSvcFilter& filter, UlogDbTableType type) = 0;
    virtual BOOL DeleteAll(int nLogType, UlogDbTableType type) = 0;
    virtual BOOL DeleteAll(UlogDbTableType type) = 0;

    virtual CUlog* GetUlog(const IUlogSvcFilter& filter, UlogDbTableType type) = 0;
    virtual CUlog* GetFirstUlog(int nLogType, UlogDbTableType type) = 0;
    virtual CUlog* GetLastUlog(int nLogType, UlogDbTableType type) = 0;
    virtual CUlog* GetFirstUlog(UlogDbTableType type) = 0;
    virtual CUlog* GetLastUlog(UlogDbTableType type) = 0;
    virtual CUlog* GetLastUlog(const IUlogSvcFilter& filter, UlogDbTableType type) = 0;
    virtual CUlog* GetUlogByUniqueID(int nUniqueId, UlogDbTableType type) = 0;
    /* The first nMax rows (or fewer) that the filter matches, in the order one read of the table gives
     * them (the order in which GetUlog takes its first row), appended to rows as new logs owned by the
     * caller, in one statement. FALSE when the manager cannot read them so (rows unchanged). */
    virtual BOOL GetFirstUlogs(const IUlogSvcFilter& filter, int nMax, std::vector<CUlog*>& rows,
                               UlogDbTableType type) = 0;

    virtual IUlogList<CUlog>* GetUlogs(const IUlogSvcFilter& filter, UlogDbTableType type) = 0;
    virtual IUlogList<CUlog>* GetAllUlog(int nLogType, UlogDbTableType type) = 0;
    virtual IUlogList<CUlog>* GetAllUlog(UlogDbTableType type) = 0;
    /* nStart 0 with nCount -1 means every row; otherwise a window of nCount rows from nStart. */
    virtual IUlogList<CUlog>* GetUlogs(const IUlogSvcFilter& filter, int nStart, int nCount,
                                       UlogDbTableType type) = 0;
    virtual IUlogList<CUlog>* GetUlogs(int nStart, int nCount, UlogDbTableType type) = 0;
    virtual IUlogList<CUlog>* GetUlogs(int nLogType, int nStart, int nCount, UlogDbTableType type) = 0;
    /* The newest row of each group, newest group first. */
    virtual IUlogList<CUlog>* GetUlogsByGroup(const IUlogSvcFilter& filter, int nStart, int nCount,
                                              UlogDbTableType type) = 0;
    virtual IUlogList<int>* GetFieldDistinct(int nField, const IUlogSvcFilter& filter,
                                             UlogDbTableType type) = 0;
    virtual IUlogList<CUlog>* GetAllUlogOnlyNumber(UlogDbTableType type) = 0;
    /* Per UTC day: a log whose start time is the day and whose duplicate count is the number of groups. */
    virtual IUlogList<CUlog>* GetDateByGroup(const IUlogSvcFilter& filter, UlogDbTableType type) = 0;

    /* Reads the next row of the current query result into the data set. */
    virtual BOOL GetNextRecord(CUlogSvcDataSet& dataSet, UlogDbTableType type) = 0;
    virtual double GetSum(int nField, UlogDbTableType type) = 0;
    virtual double GetAverage(int nField, UlogDbTableType type) = 0;
    virtual IUlogList<CUlog>* GetMax(int nField, UlogDbTableType type) = 0;
    virtual IUlogList<CUlog>* GetMin(int nField, UlogDbTableType type) = 0;
    virtual int GetCount(const IUlogSvcFilter& filter, UlogDbTableType type) = 0;
    virtual int GetGroupCount(const IUlogSvcFilter& filter, UlogDbTableType type) = 0;
    virtual int GetCountDistinct(int nField, const IUlogSvcFilter& filter, UlogDbTableType type) = 0;
    virtual int GetMaxSortIndex(UlogDbTableType type) = 0;
    virtual int GetMinSortIndex(UlogDbTableType type) = 0;
    virtual int GetMaxSortIndex(int nLogType, UlogDbTableType type) = 0;
    virtual int GetMinSortIndex(int nLogType, UlogDbTableType type) = 0;
    virtual int GetMaxSortIndex(const IUlogSvcFilter& filter, UlogDbTableType type) = 0;
    virtual int GetMinSortIndex(const IUlogSvcFilter& filter, UlogDbTableType type) = 0;
    virtual int GetMaxGroupID(UlogDbTableType type) = 0;
    /* Accepted and ignored; return 1. */
    virtual BOOL SetFilter(int nFilter, UlogDbTableType type) = 0;
    virtual BOOL SetOrder(int nOrder1, int nOrder2, int nOrder3, int nOrder4, UlogDbTableType type) = 0;
    /* Copies the contact ids of the log into every duplicate row whose parent is the log. */
    virtual BOOL UpdateDupleContactInfo(const CUlog& log) = 0;
    virtual BOOL InitContent() = 0;
    /* Makes a temporary log left in the distinct table permanent. */
    virtual BOOL CheckTempLog() = 0;
};

#endif
