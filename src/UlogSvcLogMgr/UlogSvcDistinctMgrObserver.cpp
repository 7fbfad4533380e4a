// Keeps the duplicate table in step with every change of the distinct table.
#define ULOG_SRC_MODULE "UlogSvcLogMgr/UlogSvcDistinctMgrObserver"
#include "H/UlogSvcDef.h"

#include "UlogSvcLogMgr/CUlogSvcDistinctMgrObserver.h"

#include "H/UlogSvcPtr.h"
#include "UlogSvcChangeMgr/CUlogSvcSubject.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"
#include "UlogSvcLogMgr/CUlogSvcDistinctMgr.h"
#include "UlogSvcLogMgr/CUlogSvcFilterMgr.h"
#include "UlogSvcLogMgr/IUlogSvcDuplMgr.h"

namespace
{
void Require(const char* pszCondition, int nLine)
{
    _SysAssertReport(1, "ASSERTION_REQUIRE", pszCondition, ULOG_SRC_MODULE, nLine);
}

void ReportInvalidPtr()
{
    SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcDistinctMgrObserver::Update: !ptr.IsValidPtr() failed.\n");
}

/* The duplicate table could not follow the change: the change as a whole must not be kept. A failed
 * statement has already failed the change's batch; this covers failures without one (a log that could
 * not be copied). Outside a batch there is nothing to undo. */
BOOL FailChange()
{
    Db2AbortBatch();
    return FALSE;
}

/* Change 0: the event goes into the duplicate table under its distinct row. */
BOOL OnAdd(IUlogSvcDuplMgr* pDupl, CUlogObject* pObject)
{
    if (pObject == NULL)
        return TRUE;
    CUlog* pUlog = dynamic_cast<CUlog*>(pObject);
    if (pUlog == NULL)
    {
        Require("pUlog != NULL", 53);
        return FALSE;
    }
    CUlogPtr<CUlog> clone(pUlog->Clone());
    if (!clone.IsValidPtr())
    {
        ReportInvalidPtr();
        return FailChange();
    }
    clone->SetParentID(pUlog->GetUniqueID());
    if (!pDupl->Add(*clone.Get()))
        return FailChange(); // an event whose duplicate row is missing is not stored
    pUlog->SetDuplLogLastUniqueID(clone->GetUniqueID());
    return TRUE;
}

/* Add tells, while it notifies, when the duplicate table already is as the change would make it. */
const CUlogSvcDistinctMgr* AddOf(CUlogSvcSubject* pSubject)
{
    return dynamic_cast<const CUlogSvcDistinctMgr*>(pSubject);
}

/* Change 1: the row's contact data goes to its events. */
BOOL OnUpdate(IUlogSvcDuplMgr* pDupl, CUlogSvcSubject* pSubject, CUlogObject* pObject)
{
    if (pObject == NULL)
        return TRUE;
    CUlog* pUlog = dynamic_cast<CUlog*>(pObject);
    if (pUlog == NULL)
    {
        Require("pUlog != NULL", 78);
        return FALSE;
    }
    const CUlogSvcDistinctMgr* pAdd = AddOf(pSubject);
    if (pAdd != NULL && pAdd->AreEventsLinked(pUlog->GetUniqueID()))
        return TRUE;
    CUlogPtr<CUlog> clone(pUlog->Clone());
    if (!clone.IsValidPtr())
    {
        ReportInvalidPtr();
        return FailChange();
    }
    return pDupl->UpdateDupleContactInfo(*clone.Get());
}

/* Change 3: the final data of a temporary log goes to its event. */
BOOL OnUpdateTempLog(IUlogSvcDuplMgr* pDupl, CUlogObject* pObject)
{
    if (pObject == NULL)
        return TRUE;
    CUlog* pDistinctUlog = dynamic_cast<CUlog*>(pObject);
    if (pDistinctUlog == NULL)
    {
        Require("pDistinctUlog != NULL", 96);
        return FALSE;
    }
    CUlogPtr<CUlog> event(pDupl->GetUlog(pDistinctUlog->GetDuplLogLastUniqueID()));
    if (!event.IsValidPtr())
    {
        ReportInvalidPtr();
        return FALSE;
    }
    CUlog& e = *event.Get();
    e.SetCtPid(pDistinctUlog->GetCtPid());
    e.SetCtDataId(pDistinctUlog->GetCtDataId());
    e.SetCtFdnId(pDistinctUlog->GetCtFdnId());
    e.SetStartTime(pDistinctUlog->GetStartTime());
    e.SetEndTime(pDistinctUlog->GetEndTime());
    e.SetLineType(pDistinctUlog->GetLineType());
    e.SetWiFiTotalTime(pDistinctUlog->GetWiFiTotalTime());
    e.SetGsmTotalTime(pDistinctUlog->GetGsmTotalTime());
    e.SetIPCallDigitCount(pDistinctUlog->GetIPCallDigitCount());
    BOOL bResult = pDupl->Update(e);
    if (e.GetGroupID() != pDistinctUlog->GetGroupID())
        bResult = pDupl->UpdateAllGroupId(e.GetGroupID(), pDistinctUlog->GetGroupID()) && bResult;
    return bResult;
}

/* Change 11: every event of the deleted row goes. Both directions of an SNS or IM conversation share
 * one row, so the events are matched by their parent alone, not by the row's current log type: events
 * left behind would later show up under whichever row is given the same unique id. */
BOOL OnDelete(IUlogSvcDuplMgr* pDupl, CUlogSvcSubject* pSubject, CUlogObject* pObject)
{
    if (pObject == NULL)
        return TRUE;
    CUlog* pUlog = dynamic_cast<CUlog*>(pObject);
    if (pUlog == NULL)
    {
        Require("pUlog != NULL", 161);
        return FALSE;
    }
    const CUlogSvcDistinctMgr* pAdd = AddOf(pSubject);
    if (pAdd != NULL && pAdd->AreEventsGone(pUlog->GetUniqueID()))
        return TRUE;
    CUlogSvcFilterMgr* pFilterMgr = CUlogSvcFilterMgr::Instance();
    if (pFilterMgr == NULL)
    {
        Require("pFilterMgr != NULL", 166);
        return FALSE;
    }
    CUlogSvcFilter filter;
    filter.SetFilter(pFilterMgr->GetFieldName(ULOG_DB_PARENT_ID, ULOG_DB_TABLE_DUPL), pUlog->GetUniqueID());
    return pDupl->Delete(&filter);
}

/* Change 13: all events, or all of one log type. */
BOOL OnDeleteAll(IUlogSvcDuplMgr* pDupl, CUlogObject* pObject)
{
    if (pObject == NULL)
        return pDupl->DeleteAll();
    CUlog* pUlog = dynamic_cast<CUlog*>(pObject);
    if (pUlog == NULL)
    {
        Require("pUlog != NULL", 186);
        return FALSE;
    }
    return pDupl->DeleteAll(pUlog->GetLogType());
}
} // namespace

BOOL CUlogSvcDistinctMgrObserver::Update(CUlogSvcSubject* pSubject, CUlogObject* pObject,
                                         const IUlogSvcFilter* pFilter)
{
    if (pSubject == NULL)
    {
        Require("pSubject != NULL", 43);
        return FALSE;
    }
    SysDebugPrintf(ULOG_DBG_PROGRESS, "CUlogSvcDistinctMgrObserver::Update: started.\n");
    IUlogSvcDuplMgr* pDupl = IUlogSvcDuplMgr::Instance();
    const int iChangeType = pSubject->GetChangeType();
    switch (iChangeType)
    {
    case CUlogSvcSubject::CHANGE_ADD:
        return OnAdd(pDupl, pObject);
    case CUlogSvcSubject::CHANGE_UPDATE:
        return OnUpdate(pDupl, pSubject, pObject);
    case CUlogSvcSubject::CHANGE_UPDATE_TEMP_LOG:
        return OnUpdateTempLog(pDupl, pObject);
    case CUlogSvcSubject::CHANGE_UPDATE_UNCHECKED_STATUS:
        if (pFilter != NULL)
            pDupl->UpdateUncheckedStatus(pFilter, 0);
        return TRUE;
    case CUlogSvcSubject::CHANGE_UPDATE_ALL_UNCHECKED_STATUS:
    {
        const CUlogSvcFilter empty;
        pDupl->UpdateUncheckedStatus(&empty, 0);
        return TRUE;
    }
    case CUlogSvcSubject::CHANGE_DELETE:
        return OnDelete(pDupl, pSubject, pObject);
    case CUlogSvcSubject::CHANGE_DELETE_BY_FILTER:
        if (pFilter != NULL)
            pDupl->Delete(pFilter);
        return TRUE;
    case CUlogSvcSubject::CHANGE_DELETE_ALL:
        return OnDeleteAll(pDupl, pObject);
    case CUlogSvcSubject::CHANGE_UPDATE_NAME_BY_VOICEMAIL:
        /* The renamed row lost its contact: its events follow it as they follow any written row, so
         * that an event never keeps the ids of a contact its row no longer has. */
        return OnUpdate(pDupl, pSubject, pObject);
    case CUlogSvcSubject::CHANGE_UPDATE_CONTACT_INFO:
    case CUlogSvcSubject::CHANGE_UPDATE_NAME_BY_VOICEMAIL_LOGTYPE:
    case CUlogSvcSubject::CHANGE_10:
        return TRUE;
    default:
        _SysSaveAssertMsg("CUlogSvcDistinctMgrObserver::Update: pSubject->GetChangeType() (%d)", iChangeType);
        _SysAssertReport(4, "ASSERTION_NEVER_GET_HERE", "NEVER_GET_HERE", ULOG_SRC_MODULE, 200);
        return FALSE;
    }
}
