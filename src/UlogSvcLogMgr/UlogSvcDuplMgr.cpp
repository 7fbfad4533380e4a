// The duplicate log manager: one row per event under its correspondent's distinct row.
#define ULOG_SRC_MODULE "UlogSvcLogMgr/UlogSvcDuplMgr"
#include "H/UlogSvcDef.h"

#include "UlogSvcLogMgr/CUlogSvcDuplMgr.h"

#include "H/UlogSvcList.h"
#include "H/UlogSvcPtr.h"
#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvcDbMgr/CUlogContentFrmwkDbMgr.h"
#include "UlogSvcLogMgr/CUlogCallLog.h"
#include "UlogSvcLogMgr/CUlogSvcDistinctMgr.h"
#include "UlogSvcLogMgr/CUlogSvcDistinctMgrObserver.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"
#include "UlogSvcLogMgr/CUlogSvcFilterMgr.h"
#include "UlogSvcLogMgr/CUlogSvcGenerator.h"
#include "UlogSvcLogMgr/CUlogSvcLogMgrLock.h"
#include "UlogSvcUtil/CUlogSvcUtil.h"

#include <cstring>
#include <new>

namespace
{
const UlogDbTableType TABLE = ULOG_DB_TABLE_DUPL;

/* Events kept per distinct row. */
const int MAX_EVENTS_PER_PARENT = 30;

const int LINE_OBSERVER = 86;
const int LINE_INIT = 90;
const int LINE_ADD = 111;
const int LINE_FILTER_MGR = 116;
const int LINE_VOICEMAIL = 211;
const int LINE_ANY = 100;

std::string Field(int nField)
{
    CUlogSvcFilterMgr* pFilterMgr = CUlogSvcFilterMgr::Instance();
    return pFilterMgr != NULL ? pFilterMgr->GetFieldName(nField, TABLE) : std::string();
}

} // namespace

IUlogSvcDuplMgr* IUlogSvcDuplMgr::Instance()
{
    static CUlogSvcDuplMgr s_instance;
    return &s_instance;
}

CUlogSvcDuplMgr::CUlogSvcDuplMgr(IUlogDbMgr* pDbMgr)
    : CUlogSvcLogMgrBase<IUlogSvcDuplMgr>(pDbMgr, TABLE, ULOG_SRC_MODULE), m_pObserver(NULL)
{
}

CUlogSvcDuplMgr::~CUlogSvcDuplMgr()
{
    // While attached, the observer belongs to the distinct log manager's subject, which deletes it.
}

BOOL CUlogSvcDuplMgr::Init()
{
    // Set by the first start only: a restart must not write what other tasks' Adds are reading.
    if (m_pDbMgr != CUlogContentFrmwkDbMgr::Instance())
        m_pDbMgr = CUlogContentFrmwkDbMgr::Instance();
    // Every further start would otherwise attach one more observer, and each event would then be
    // stored once per start.
    if (m_pObserver == NULL)
    {
        m_pObserver = new (std::nothrow) CUlogSvcDistinctMgrObserver;
        if (m_pObserver == NULL)
        {
            _SysAssertReport(1, "ASSERTION_REQUIRE", "m_pObserver != NULL", ULOG_SRC_MODULE, LINE_OBSERVER);
            return FALSE;
        }
        CUlogSvcDistinctMgr* pDistinct = static_cast<CUlogSvcDistinctMgr*>(IUlogSvcDistinctMgr::Instance());
        pDistinct->Attach(m_pObserver, 0);
    }
    return __CheckDbMgr(LINE_INIT);
}

BOOL CUlogSvcDuplMgr::Exit()
{
    if (m_pObserver != NULL)
    {
        CUlogSvcDistinctMgr* pDistinct = static_cast<CUlogSvcDistinctMgr*>(IUlogSvcDistinctMgr::Instance());
        pDistinct->Detach(m_pObserver, 0);
        delete m_pObserver;
        m_pObserver = NULL;
    }
    return TRUE;
}

BOOL CUlogSvcDuplMgr::Add(CUlog& log)
{
    if (!__CheckDbMgr(LINE_ADD))
        return FALSE;
    CUlogSvcFilterMgr* pFilterMgr = CUlogSvcFilterMgr::Instance();
    if (pFilterMgr == NULL)
    {
        _SysAssertReport(1, "ASSERTION_REQUIRE", "pFilterMgr != NULL", ULOG_SRC_MODULE, LINE_FILTER_MGR);
        return FALSE;
    }
    // Count, make room and insert as one step, so that a parent never holds more than 30 events.
    CUlogSvcLogMgrScope scope;
    CUlogSvcFilter parent;
    parent.SetFilter(Field(ULOG_DB_PARENT_ID), log.GetUniqueID());
    const int nCount = GetCount(&parent);
    if (nCount > MAX_EVENTS_PER_PARENT - 1)
    {
        CUlogSvcFilter oldest(parent);
        oldest.AppendFilter(Field(ULOG_DB_LOG_TYPE), (int)log.GetLogType(), TRUE);
        // Sort indexes start at 1: none (0) means that every event of the parent is of the other direction
        // (SNS, IM), and the parent gives up its oldest event of any type, so that it never keeps more than
        // 30. Asked by the parent's index alone: a count by type would walk every event of the type.
        int nMinSortIndex = m_pDbMgr->GetMinSortIndex(oldest, TABLE);
        if (nMinSortIndex < 1)
            nMinSortIndex = m_pDbMgr->GetMinSortIndex(parent, TABLE);
        CUlogSvcFilter victim(parent);
        victim.AppendFilter(Field(ULOG_DB_SORT_INDEX), nMinSortIndex, TRUE);
        Delete(&victim);
    }
    log.SetSortIndex(m_pDbMgr->GetMaxSortIndex(TABLE) + 1);
    SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogSvcLog::Add: iLogType (%d) szNumber (%s) szName (%s)\n",
                   (int)log.GetLogType(), log.GetNumber(), log.GetDisplayName());
    SysDebugPrintf(ULOG_DBG_DETAIL,
                   "CUlogSvcLog::Add: Start (0x%x) End (0x%x) LineType (%d) PhoneType (%d) Storage (%d) Cost "
                   "(%d) CtIndex: (%d)\n",
                   log.GetStartTime(), log.GetEndTime(), (int)log.GetLineType(), (int)log.GetPhoneType(),
                   (int)log.GetStorageType(), log.GetCallCost(), log.GetCtPid());
    return m_pDbMgr->Insert(log, TABLE);
}

BOOL CUlogSvcDuplMgr::Update(CUlog& log)
{
    return __CheckDbMgr(LINE_ANY) ? m_pDbMgr->Update(log, TABLE) : FALSE;
}

CUlog* CUlogSvcDuplMgr::__VoicemailLog(UlogLogType iLogType, const MbdnInfo* pEntry)
{
    if (pEntry == NULL)
        return NULL;
    MbdnInfo entry;
    std::memcpy(&entry, pEntry, sizeof(entry));
    entry.szNumber[sizeof(entry.szNumber) - 1] = '\0';
    entry.mszName[40] = 0;
    if (entry.bSet == 0)
        return NULL;

    UlogInfo info;
    std::memset(&info, 0, sizeof(info));
    info.iLogType = iLogType;
    info.iPhoneType = ULOG_PHONE_TYPE_NONE;
    info.iStorageType = ULOG_STORAGE_NONE;
    info.nPersonId = 0;
    WmConvert2LCode(info.szName, ULOG_NAME_LEN, entry.mszName);
    CUlogSvcUtil::ExtractBasicNum(entry.szNumber, info.szBasicNumber, 0);
    info.szCallerIdPath[0] = '\0';

    CUlogSvcGenerator generator;
    CUlog* pLog = generator.Generate(info);
    if (pLog == NULL)
        SysDebugPrintf(ULOG_DBG_FAIL,
                       "CUlogSvcDistinctMgr::UpdateNameByVoicemail: !ptr.IsValidPtr() failed.\n");
    return pLog;
}

BOOL CUlogSvcDuplMgr::UpdateNameByVoicemailByLogType(UlogLogType iLogType, const MbdnInfo* pEntry)
{
    if (!ULOG_REQUIRE(_UlogIsValidLog(iLogType)))
        return FALSE;
    CUlogPtr<CUlog> ptr(__VoicemailLog(iLogType, pEntry));
    if (!ptr.IsValidPtr() || !__CheckDbMgr(LINE_VOICEMAIL))
        return FALSE;
    return m_pDbMgr->UpdateNameByVoicemailByLogType(*ptr.Get(), TABLE);
}

BOOL CUlogSvcDuplMgr::UpdateNameByVoicemail(const MbdnInfo* pEntry)
{
    CUlogPtr<CUlog> ptr(__VoicemailLog(ULOG_LOG_ORIGINATED, pEntry));
    if (!ptr.IsValidPtr() || !__CheckDbMgr(LINE_VOICEMAIL))
        return FALSE;
    return m_pDbMgr->UpdateNameByVoicemail(*ptr.Get(), TABLE);
}

BOOL CUlogSvcDuplMgr::UpdateUncheckedStatus(const IUlogSvcFilter* pFilter, int nStatus)
{
    if (!__CheckDbMgr(LINE_ANY) || !ULOG_REQUIRE(pFilter != NULL))
        return FALSE;
    m_pDbMgr->UpdateUncheckedStatus(*pFilter, nStatus, TABLE);
    return TRUE;
}

BOOL CUlogSvcDuplMgr::UpdateAllUncheckedStatus(int nStatus)
{
    if (!__CheckDbMgr(LINE_ANY))
        return FALSE;
    const CUlogSvcFilter empty;
    return m_pDbMgr->UpdateUncheckedStatus(empty, nStatus, TABLE);
}

BOOL CUlogSvcDuplMgr::UpdateAllGroupId(int nOldGroupId, int nNewGroupId)
{
    return __CheckDbMgr(LINE_ANY) ? m_pDbMgr->UpdateAllGroupId(nOldGroupId, nNewGroupId, TABLE) : FALSE;
}

BOOL CUlogSvcDuplMgr::Delete(int nUniqueId)
{
    return __CheckDbMgr(LINE_ANY) ? m_pDbMgr->Delete(nUniqueId, TABLE) : FALSE;
}

BOOL CUlogSvcDuplMgr::Delete(const IUlogSvcFilter* pFilter)
{
    // A missing filter would empty the table: refused.
    if (!__CheckDbMgr(LINE_ANY) || !ULOG_REQUIRE(pFilter != NULL))
        return FALSE;
    return m_pDbMgr->Delete(*pFilter, TABLE);
}

BOOL CUlogSvcDuplMgr::DeleteAll(UlogLogType iLogType)
{
    return __CheckDbMgr(LINE_ANY) ? m_pDbMgr->DeleteAll((int)iLogType, TABLE) : FALSE;
}

BOOL CUlogSvcDuplMgr::DeleteAll()
{
    return __CheckDbMgr(LINE_ANY) ? m_pDbMgr->DeleteAll(TABLE) : FALSE;
}

BOOL CUlogSvcDuplMgr::UpdateDupleContactInfo(const CUlog& row)
{
    return __CheckDbMgr(LINE_ANY) ? m_pDbMgr->UpdateDupleContactInfo(row) : FALSE;
}
