/*
 * Helpers shared by the exported call-log and duplicate-log functions: copying
 * a manager's list into a caller's array of records, and turning a list into
 * an iterator handle. Each reports its failures under the caller's module name
 * and the lines the caller gives.
 */
#ifndef ULOG_SVC_API_UTIL_H
#define ULOG_SVC_API_UTIL_H

#include "H/UlogSvcList.h"
#include "UlogSvc.h"

class IUlogSvcLogMgr;

namespace ulogapi
{
/* Report lines of the four steps of handing out a handle. */
struct HandleLines
{
    int nItem;
    int nList;
    int nIter;
    int nRegister;
};

void Require(const char* pszModule, const char* pszCond, int nLine);

/* Copies the list's logs, at most nMax of them (all for nMax < 0), into pArray, then releases the
 * iterator and the list; *pnFilled (when given) gets the number copied. 1, or 0 after a report when
 * the list, its iterator or a log is missing. */
BOOL CopyListToArray(IUlogList<CUlog>* pList, UlogInfo* pArray, int nMax, const char* pszModule, int nLine,
                     int* pnFilled = nullptr);

/* Registers the list (taken over) with the handle registry. 0 when no item can be made or the list or
 * its iterator is missing, INVALID_HOBJ when the registration fails, else the new handle. The list
 * is freed whenever no handle results, and the failure is recorded for UlogGetLastError. */
HOBJ MakeHandle(IUlogList<CUlog>* pList, const char* pszModule, const HandleLines& lines);

/* TRUE for a field identifier of the log tables (0 to ULOG_DB_FIELD_CNT_MAX - 1); any other one is
 * reported under the caller's module. */
bool IsValidField(int nField, const char* pszModule, int nLine);

/* A copy of the record with every text field terminated within its buffer. */
void CopyTerminated(const UlogInfo& in, UlogInfo& out);

/* Whether the service runs (from UlogSvcDispatch(0) to UlogSvcDispatch(1)): UlogSetDataRoot is refused
 * while it does. */
void SetServiceRunning(bool bRunning);
} // namespace ulogapi

#endif
