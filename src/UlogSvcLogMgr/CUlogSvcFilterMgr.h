/*
 * CUlogSvcFilterMgr: where callers look up the table and column names that
 * they put into filters, so that every condition names the columns of the log
 * tables. A single process-wide instance over the content-framework query
 * manager.
 */
#ifndef CULOG_SVC_FILTER_MGR_H
#define CULOG_SVC_FILTER_MGR_H

#include "H/CUlogObject.h"
#include "UlogSvc.h"

#include <string>

class IUlogDbMgr;

class CUlogSvcFilterMgr : public CUlogObject
{
public:
    /* The single instance, created on the first call under the service lock. */
    static CUlogSvcFilterMgr* Instance();

    /* A filter manager over the given query manager (not owned; may be null). */
    explicit CUlogSvcFilterMgr(IUlogDbMgr* pDbMgr) : m_pDbMgr(pDbMgr) {}
    ~CUlogSvcFilterMgr() override {}

    /* The table's name; empty (with a report) without a query manager. */
    std::string GetTableName(UlogDbTableType type) const;
    /* The column name of a field identifier; empty (with a report) without a query manager. */
    std::string GetFieldName(int nField, UlogDbTableType type) const;

private:
    IUlogDbMgr* m_pDbMgr;
};

#endif
