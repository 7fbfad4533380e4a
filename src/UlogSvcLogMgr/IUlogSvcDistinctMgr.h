/*
 * IUlogSvcDistinctMgr: the distinct log manager's interface: the common log
 * manager operations on the distinct table, and the bulk and temporary-log
 * operations that only the distinct table has.
 */
#ifndef IULOG_SVC_DISTINCT_MGR_H
#define IULOG_SVC_DISTINCT_MGR_H

#include "UlogSvcLogMgr/IUlogSvcLogMgr.h"

template <class T> class IUlogIterator;

class IUlogSvcDistinctMgr : public IUlogSvcLogMgr
{
public:
    /* The single instance (a CUlogSvcDistinctMgr), created on first use. */
    static IUlogSvcDistinctMgr* Instance();

    /* Copies the parts of pInfo that iUpdateType selects into every row of the type whose number
     * matches pInfo's; with bNoWrite the rows are only matched, not written. */
    virtual BOOL SetAllLogInfoByType(UlogLogType iLogType, int iUpdateType, const UlogInfo* pInfo,
                                     int bNoWrite) = 0;
    /* The same over every row. */
    virtual BOOL SetAllLogInfo(int iUpdateType, const UlogInfo* pInfo) = 0;
    /* Finishes a temporary log: writes its final data and its call time. */
    virtual BOOL UpdateTempLog(CUlog& log) = 0;
    virtual BOOL UpdateTempPrevLogByUlogInfo(const UlogInfo& info) = 0;
    /* TRUE for a call log with a two-stage alias address and a two-stage type of 1, 2 or 3. */
    virtual BOOL IsVT2StageDailedLog(const CUlog& log) = 0;
};

#endif
