/*
 * CUlogSvcFreqMgr: the ranking questions over the distinct log table. Which
 * correspondents of one log type are contacted most often, and which contacts
 * are the user's photo favourites: the contacts most often called or written
 * to (outgoing calls and sent messages of rows linked to a contact, message
 * log type 64 left out), ranked by their summed event counts and then by their
 * most recent row. It also deletes the logs of chosen favourites.
 *
 * A short-lived object: created, initialised, used for one query, destroyed.
 * The queries run under the service lock (re-entrant: GetPhotoFvrLogs holds it
 * while it calls GetPhotoFvrLogsInfo); the deletes go through the distinct
 * manager, which takes its own locks and notifies its observers.
 */
#ifndef CULOG_SVC_FREQ_MGR_H
#define CULOG_SVC_FREQ_MGR_H

#include "H/CUlogObject.h"
#include "UlogSvc.h"

class CUlog;
class IUlogDbMgr;
template <class T> class IUlogList;

class CUlogSvcFreqMgr : public CUlogObject
{
public:
    CUlogSvcFreqMgr();
    ~CUlogSvcFreqMgr() override;

    /* Takes the process-wide query manager; FALSE (reported) when there is none. Every query below
     * needs it. */
    BOOL Init();
    /* The distinct rows of the log type with the highest event counts first, at most nCount of them;
     * a new list owned by the caller, or null. */
    IUlogList<CUlog>* GetFreqLogs(UlogLogType iLogType, int nCount);
    /* The favourites' rows: the nCount best-ranked basic numbers, each expanded into every distinct
     * row with that basic number (of any log type), in rank order. A new list, or null. With nMaxRows
     * >= 0 the expansion stops once the list holds at least nMaxRows rows (a caller that keeps only
     * the first rows reads no more). */
    IUlogList<CUlog>* GetPhotoFvrLogs(int nCount, int nMaxRows = -1);
    /* For each log of pTempList in order (its basic number; empty ones are skipped), every distinct row
     * with that basic number; nMaxRows as above. A new list, or null; pTempList stays the caller's. */
    IUlogList<CUlog>* GetPhotoFvrLogsInfo(IUlogList<CUlog>* pTempList, int nMaxRows = -1);
    /* Deletes, through the distinct manager, every row (and with it every event) whose basic number is
     * that of a log of pList; logs without a basic number are skipped. Consumes pList. TRUE when every
     * delete succeeded (also for an empty list); FALSE when any failed or pList is null. */
    BOOL DeleteByBasicNumber(IUlogList<CUlog>* pList);

private:
    /* Runs a ready query and appends one log per row to pList; FALSE when a log cannot be made. */
    BOOL __ReadRows(const char* pszQuery, IUlogList<CUlog>* pList);

    IUlogDbMgr* m_pDbMgr;
};

#endif
