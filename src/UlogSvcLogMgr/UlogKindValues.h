/*
 * What the log kinds share: their construction, assignment and copy,
 * reading a content row's columns with their diagnostics, and the
 * shared handling of the value objects of the message-like log kinds: filling
 * them from a content row, a record or a data set, and writing them back into
 * a record. A NULL value object is left alone, as a log whose value could not
 * be created keeps working without it.
 */
#ifndef ULOG_KIND_VALUES_H
#define ULOG_KIND_VALUES_H

#include "UlogSvc.h"
#include "UlogSvcLogMgr/CUlogValues.h"

#include <new>

class CContent;
class CUlogSvcDataSet;

namespace ulog
{
/*
 * Reads a text column of a content row. On failure reports
 * "<pszLogClass>::AssignContent - content.GetString(Column = n) failed" and gives NULL.
 */
const char* GetContentText(const CContent& content, int nColumn, const char* pszLogClass);
/*
 * Reads a flag column of a content row into nValue. On failure reports
 * "<pszLogClass>::AssignContent - Content.GetBool(Column = n) failed" and gives FALSE.
 */
BOOL GetContentBool(const CContent& content, int nColumn, int& nValue, const char* pszLogClass);

/*
 * From a content row. nValue is the caller's scratch integer: a column that
 * cannot be read as an integer leaves it, and so the value set, unchanged.
 */
void LoadValue(CUlogMsgOwnValue* pValue, const CContent& content, int& nValue);
void LoadValue(CUlogContentValue* pValue, const CContent& content, int& nValue);
/* FALSE (with the diagnostic) when the account address column cannot be read. */
BOOL LoadValue(CUlogAccountValue* pValue, const CContent& content, int& nValue, const char* pszLogClass);

/* From a record. */
void LoadValue(CUlogMsgOwnValue* pValue, const UlogInfo& info);
void LoadValue(CUlogContentValue* pValue, const UlogInfo& info);
void LoadValue(CUlogAccountValue* pValue, const UlogInfo& info);

/* From a data set. */
void LoadValue(CUlogMsgOwnValue* pValue, const CUlogSvcDataSet& dataSet);
void LoadValue(CUlogContentValue* pValue, const CUlogSvcDataSet& dataSet);
void LoadValue(CUlogAccountValue* pValue, const CUlogSvcDataSet& dataSet);

/* Into a record. */
void StoreValue(const CUlogMsgOwnValue* pValue, UlogInfo& info);
/* bWithContentId FALSE leaves the record's content id as it is. */
void StoreValue(const CUlogContentValue* pValue, UlogInfo& info, BOOL bWithContentId = TRUE);
void StoreValue(const CUlogAccountValue* pValue, UlogInfo& info);

/*
 * Construction, assignment and copy of a log kind L from its own kind, a
 * content row, a record or a data set, in terms of the kind's Init, Assign,
 * AssignContent, AssignUlogInfo and AssignDataSet.
 */
template <class L> L& AssignLog(L& log, const L& other)
{
    if (&log != &other)
        log.Assign(other);
    return log;
}
template <class L> L& AssignLog(L& log, const CContent& content)
{
    log.AssignContent(content);
    return log;
}
template <class L> L& AssignLog(L& log, const UlogInfo& info)
{
    log.AssignUlogInfo(info);
    return log;
}
template <class L> L& AssignLog(L& log, const CUlogSvcDataSet& dataSet)
{
    log.AssignDataSet(dataSet);
    return log;
}
/* For a constructor: the kind's own defaults, then the source's values. */
template <class L, class S> void InitLog(L& log, const S& source)
{
    log.Init();
    AssignLog(log, source);
}
/* NULL when out of memory. */
template <class L> L* CloneLog(const L& log)
{
    return new (std::nothrow) L(log);
}
} // namespace ulog

#endif
