/*
 * CUlogSvcDistinctMgrObserver: keeps the duplicate table in step with the
 * distinct table. Attached to the distinct log manager as an internal observer
 * by the duplicate log manager; it inserts each new event, copies contact data
 * and final call times, and deletes the events of deleted rows.
 */
#ifndef CULOG_SVC_DISTINCT_MGR_OBSERVER_H
#define CULOG_SVC_DISTINCT_MGR_OBSERVER_H

#include "H/CUlogObject.h"
#include "UlogSvcChangeMgr/IUlogObserver.h"

class CUlogSvcDistinctMgrObserver : public IUlogObserver, public CUlogObject
{
public:
    ~CUlogSvcDistinctMgrObserver() override {}
    /* FALSE for a missing subject, a change it does not expect, or duplicate-table work that failed. */
    BOOL Update(CUlogSvcSubject* pSubject, CUlogObject* pObject, const IUlogSvcFilter* pFilter) override;
};

#endif
