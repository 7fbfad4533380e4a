// The distinct log manager: one row per correspondent and log type.
#define ULOG_SRC_MODULE "UlogSvcLogMgr/UlogSvcDistinctMgr"
#include "H/UlogSvcDef.h"

#include "UlogSvcLogMgr/CUlogSvcDistinctMgr.h"

#include "H/UlogSvcList.h"
#include "H/UlogSvcPtr.h"
#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvcAccountMgr/CUlogSvcAccountMgr.h"
#include "UlogSvcChangeMgr/CUlogSvcNotify.h"
#include "UlogSvcDbMgr/CUlogContentFrmwkDbMgr.h"
#include "UlogSvcDbMgr/CUlogDbBatch.h"
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"
#include "UlogSvcLogMgr/CUlogCallLog.h"
#include "UlogSvcLogMgr/CUlogEmailLog.h"
#include "UlogSvcLogMgr/CUlogImLog.h"
#include "UlogSvcLogMgr/CUlogMsgLog.h"
#include "UlogSvcLogMgr/CUlogSnsLog.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"
#include "UlogSvcLogMgr/CUlogSvcFilterMgr.h"
#include "UlogSvcLogMgr/CUlogSvcGenerator.h"
#include "UlogSvcLogMgr/CUlogSvcLogMgrLock.h"
#include "UlogSvcUtil/CUlogSvcUtil.h"

#include <cstring>
#include <new>
#include <vector>

namespace
{
const UlogDbTableType TABLE = ULOG_DB_TABLE_DISTINCT;

/* Rows per log type, and the saturation of a row's duplicate count. */
const int MAX_ROWS_PER_TYPE = 30;
const int MAX_DUPL_COUNT = 30;
/* Rows of one correspondent read in one go: one per log type, with room to spare. */
const int MAX_ROWS_READ = 64;

const int LINE_ADD = 142;
const int LINE_ACCOUNT = 167;
const int LINE_MSG = 174;
const int LINE_EMAIL = 181;
const int LINE_UPDATE_TEMP = 620;
const int LINE_ANY = 100;

/* A filter on distinct-table columns. */
std::string Field(int nField)
{
    CUlogSvcFilterMgr* pFilterMgr = CUlogSvcFilterMgr::Instance();
    return pFilterMgr != NULL ? pFilterMgr->GetFieldName(nField, TABLE) : std::string();
}

/* Bounded copy into a buffer of nSize places, always terminated. */
void CopyText(char* pszDest, size_t nSize, const char* pszSrc)
{
    const size_t n = (pszSrc != NULL) ? strnlen(pszSrc, nSize - 1) : 0;
    if (n > 0)
        std::memcpy(pszDest, pszSrc, n);
    pszDest[n] = '\0';
}

/* Appends "field = ?" bound to the text. */
void AppendBound(CUlogSvcFilter& filter, int nField, const WCHAR* pmszValue)
{
    filter.AppendFilter(Field(nField) + " = ?", TRUE);
    filter.AppendFilterArg(pmszValue);
}

/* The display name as 16-bit text. */
void NameToWide(const char* pszName, WCHAR* pmszDest, int nUnits)
{
    pmszDest[0] = 0;
    if (pszName != NULL && pszName[0] != '\0')
        WmConvert2PCode(pmszDest, nUnits, pszName);
}

/* The e-mail address, at most 300 units. */
void EmailOf(const CUlog& log, WCHAR* pmszDest)
{
    WmStrcpy(pmszDest, ULOG_EMAIL_ADDRESS_LEN, log.GetEmailAddress());
}

/* The basic number and the name of a voicemail entry; false for a missing, empty or unset entry. */
bool ReadVoicemailEntry(const MbdnInfo* pEntry, char (&szBasic)[ULOG_NUMBER_LEN],
                        char (&szName)[ULOG_NAME_LEN])
{
    if (pEntry == NULL)
        return false;
    MbdnInfo entry;
    std::memcpy(&entry, pEntry, sizeof(entry));
    entry.szNumber[sizeof(entry.szNumber) - 1] = '\0';
    entry.mszName[40] = 0;
    if (entry.szNumber[0] == '\0' || entry.bSet == 0)
        return false;
    CUlogSvcUtil::ExtractBasicNum(entry.szNumber, szBasic, 0);
    WmConvert2LCode(szName, sizeof(szName), entry.mszName);
    return true;
}

/* Matches an e-mail correspondent of no service provider. */
void SetEmailFilter(CUlogSvcFilter& filter, const WCHAR* pmszEmail)
{
    AppendBound(filter, ULOG_DB_EMAIL_ADDRESS, pmszEmail);
    filter.AppendFilter(Field(ULOG_DB_SP_INFO), -1, TRUE);
}

/* Matches a correspondent with neither number nor address, by its display name. */
void SetNameOnlyFilter(CUlogSvcFilter& filter, const CUlog& log)
{
    static const WCHAR s_mszEmpty[1] = {0};
    WCHAR mszName[ULOG_NAME_LEN] = {0};
    NameToWide(log.GetDisplayName(), mszName, ULOG_NAME_LEN);
    filter.SetFilter(Field(ULOG_DB_SP_INFO), -1);
    AppendBound(filter, ULOG_DB_LOG_NUMBER, s_mszEmpty);
    AppendBound(filter, ULOG_DB_LOG_NAME, mszName);
    AppendBound(filter, ULOG_DB_EMAIL_ADDRESS, s_mszEmpty);
}

/* The filter that finds a log's correspondent: an SNS person, an IM or e-mail address (with its provider),
 * a basic number, or else the display name of a log with neither number nor address. bRowOfType narrows
 * it to the correspondent's row of the log's own type (an SNS person's also to its provider). FALSE for
 * an IM log without an address, which no row can match. */
bool SetCorrespondentFilter(CUlogSvcFilter& filter, const CUlog& log, bool bRowOfType, const char* pszFunc)
{
    WCHAR mszEmail[ULOG_EMAIL_ADDRESS_LEN] = {0};
    EmailOf(log, mszEmail);
    const bool bHasEmail = (mszEmail[0] != 0);
    if (const CUlogSnsLog* pSns = dynamic_cast<const CUlogSnsLog*>(&log))
    {
        filter.SetFilter(Field(ULOG_DB_SNS_PERSON_ID), std::string(pSns->GetSnsPersonId()));
        if (bRowOfType)
            filter.AppendFilter(Field(ULOG_DB_SP_INFO), pSns->GetSnsSpInfo(), TRUE);
        return true;
    }
    if (const CUlogImLog* pIm = dynamic_cast<const CUlogImLog*>(&log))
    {
        if (!bHasEmail)
        {
            SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcDistinctMgr::%s: IM log -  no email address.\n", pszFunc);
            return false;
        }
        AppendBound(filter, ULOG_DB_EMAIL_ADDRESS, mszEmail);
        filter.AppendFilter(Field(ULOG_DB_SP_INFO), pIm->GetSpInfo(), TRUE);
        return true;
    }
    if (bHasEmail)
        SetEmailFilter(filter, mszEmail);
    else if (log.GetBasicNumber()[0] != '\0')
        filter.SetFilter(Field(ULOG_DB_BASIC_NUMBER), std::string(log.GetBasicNumber()));
    else
        SetNameOnlyFilter(filter, log);
    if (bRowOfType)
        filter.AppendFilter(Field(ULOG_DB_LOG_TYPE), (int)log.GetLogType(), TRUE);
    return true;
}

/* Copies a kind's optional value into the row when the log has one. */
template <class TLog, class TValue>
void CopyIfSet(const TLog& log, TLog& row, TValue* (TLog::*pGet)() const, void (TLog::*pSet)(const TValue*))
{
    if ((log.*pGet)() != NULL)
        (row.*pSet)((log.*pGet)());
}

/* The contact ids that a row's events share with it. */
struct ContactIds
{
    int nCtPid;
    int nCtDataId;
    int nCtFdnId;
    int nMyAccountId;
    bool operator==(const ContactIds&) const = default;
};

ContactIds ContactIdsOf(const CUlog& row)
{
    return ContactIds{row.GetCtPid(), row.GetCtDataId(), row.GetCtFdnId(), row.GetMyAccountId()};
}

/* Counting stored logs for the statistics file goes through the distinct table. */
int CountStoredLogs(UlogLogType iLogType)
{
    IUlogSvcDistinctMgr* pMgr = IUlogSvcDistinctMgr::Instance();
    return pMgr != NULL ? pMgr->GetCount(iLogType) : -1;
}
} // namespace

IUlogSvcDistinctMgr* IUlogSvcDistinctMgr::Instance()
{
    static CUlogSvcDistinctMgr s_instance;
    return &s_instance;
}

CUlogSvcDistinctMgr::CUlogSvcDistinctMgr(IUlogDbMgr* pDbMgr)
    : CUlogSvcLogMgrBase<IUlogSvcDistinctMgr>(pDbMgr, TABLE, ULOG_SRC_MODULE), m_nEventsGoneOf(-1),
      m_nEventsLinkedOf(-1)
{
}

CUlogSvcDistinctMgr::~CUlogSvcDistinctMgr() {}

BOOL CUlogSvcDistinctMgr::Init()
{
    // Set by the first start only: a restart must not write what other tasks' Adds are reading.
    if (m_pDbMgr != CUlogContentFrmwkDbMgr::Instance())
        m_pDbMgr = CUlogContentFrmwkDbMgr::Instance();
    if (!__CheckDbMgr(__LINE__))
        return FALSE;
    if (this == IUlogSvcDistinctMgr::Instance())
        CUlogSvcAccountMgr::SetLogCountSource(&CountStoredLogs);
    return TRUE;
}

BOOL CUlogSvcDistinctMgr::Exit()
{
    return TRUE;
}

BOOL CUlogSvcDistinctMgr::__Notify(ChangeType iChangeType, CUlogObject* pObject,
                                   const IUlogSvcFilter* pFilter)
{
    // The change type and the walk belong together: no other change may set its type in between.
    CUlogSvcLogMgrScope scope;
    SetChangeType(iChangeType);
    Notify(pObject, pFilter);
    return TRUE;
}

/* ==== Add ==== */

BOOL CUlogSvcDistinctMgr::Add(CUlog& log)
{
    if (!__CheckDbMgr(LINE_ADD))
        return FALSE;
    if (log.GetStartTime() == 0)
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcDistinctMgr::Add: log.GetStartTime() (%d) !!\n",
                       (int)log.GetStartTime());

    CUlogSvcAccountMgr* pAccountMgr = NULL;
    CUlogMsgLog* pMsgLog = NULL;
    CUlogEmailLog* pEmailLog = NULL;
    if (!log.IsTemporary())
    {
        pAccountMgr = CUlogSvcAccountMgr::Instance();
        if (pAccountMgr == NULL)
        {
            _SysAssertReport(1, "ASSERTION_REQUIRE", "pAccountMgr != NULL", ULOG_SRC_MODULE, LINE_ACCOUNT);
            return FALSE;
        }
        static const CUlogMsgLog s_msgLog;
        static const CUlogEmailLog s_emailLog;
        if (log.IsTypeEqual(s_msgLog))
        {
            pMsgLog = dynamic_cast<CUlogMsgLog*>(&log);
            if (pMsgLog == NULL)
            {
                _SysAssertReport(1, "ASSERTION_REQUIRE", "pMsgLog != NULL", ULOG_SRC_MODULE, LINE_MSG);
                return FALSE;
            }
        }
        else if (log.IsTypeEqual(s_emailLog))
        {
            pEmailLog = dynamic_cast<CUlogEmailLog*>(&log);
            if (pEmailLog == NULL)
            {
                _SysAssertReport(1, "ASSERTION_REQUIRE", "pEmailLog != NULL", ULOG_SRC_MODULE, LINE_EMAIL);
                return FALSE;
            }
        }
    }

    // The caller's log is given its unique id, group and counts only once the event is committed.
    CUlogPtr<CUlog> original(log.Clone());
    if (!original.IsValidPtr())
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcDistinctMgr::Add: !ptr.IsValidPtr() failed.\n");
        return FALSE;
    }
    if (!__AddLocked(log))
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcDistinctMgr::Add: the event was not stored.\n");
        log.Assign(*original.Get());
        return FALSE;
    }

    // Statistics count the event once its tables are committed, and outside the table lock: the
    // statistics lock may be taken under the table lock, but nothing here needs both.
    if (pAccountMgr != NULL)
    {
        pAccountMgr->WriteCallTime(log);
        if (pMsgLog != NULL)
            pAccountMgr->WriteMsgCounter(*pMsgLog);
        else if (pEmailLog != NULL)
            pAccountMgr->WriteEmailCounter(*pEmailLog);
    }

    SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogSvcDistinctMgr::Add: iLogType (%d) szNumber (%s) szName (%s)\n",
                   (int)log.GetLogType(), log.GetNumber(), log.GetDisplayName());
    SysDebugPrintf(ULOG_DBG_DETAIL,
                   "CUlogSvcDistinctMgr::Add: Start (0x%x) End (0x%x) LineType (%d) PhoneType (%d) Storage "
                   "(%d) Cost (%d) CtIndex: (%d)\n",
                   log.GetStartTime(), log.GetEndTime(), (int)log.GetLineType(), (int)log.GetPhoneType(),
                   (int)log.GetStorageType(), log.GetCallCost(), log.GetCtPid());
    return TRUE;
}

/* The table steps of Add, from the sort index to the duplicate insert, as one change: TRUE once all of
 * them are committed, FALSE (and none of them in the tables) otherwise. */
BOOL CUlogSvcDistinctMgr::__AddLocked(CUlog& log)
{
    CUlogSvcLogMgrScope scope;
    CUlogDbBatch batch;
    if (!batch.IsOpen())
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcDistinctMgr::OnAdd: the change could not begin.\n");
        return FALSE;
    }
    const int nSortIndex = m_pDbMgr->GetMaxSortIndex(TABLE) + 1;

    if (log.IsTemporary())
    {
        {
            CUlogSvcNotify notify;
            CUlogSvcLock silence(notify);
            log.SetSortIndex(nSortIndex);
            log.SetDuplLogCount(1);
            log.SetGroupID(__GetGroupID(log));
            SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogSvcDistinctMgr::OnAdd: nGroupID(%d).\n", log.GetGroupID());
            if (!m_pDbMgr->Insert(log, TABLE))
                return FALSE;
        }
        __Notify(CHANGE_ADD, &log, NULL);
        return batch.Commit() ? TRUE : FALSE;
    }

    // The group and the row come from one read of the correspondent's rows; the lock held here keeps
    // them as they were found.
    int nGroupId = 0;
    bool bUnmatchable = false;
    CUlogPtr<CUlog> row(__FindCorrespondent(log, nGroupId, bUnmatchable));
    log.SetGroupID(nGroupId);
    SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogSvcDistinctMgr::OnAdd: nGroupID(%d).\n", log.GetGroupID());
    if (bUnmatchable)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcDistinctMgr::OnAdd: !ptr.IsValidPtr() failed.\n");
        return FALSE;
    }

    if (!row.IsValidPtr())
    {
        if (GetCount(log.GetLogType()) > MAX_ROWS_PER_TYPE - 1)
        {
            CUlogPtr<CUlog> first(GetFirstUlog(log.GetLogType()));
            if (!first.IsValidPtr())
            {
                SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcDistinctMgr::OnAdd: !ptr.IsValidPtr() failed.\n");
                SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcDistinctMgr::OnAdd: fail to get FirstUlog type %d.\n",
                               (int)log.GetLogType());
                return FALSE;
            }
            if (!Delete(first->GetUniqueID()))
                return FALSE;
            // The row's events went with the first change 11; the second one finds nothing to delete.
            m_nEventsGoneOf = first->GetUniqueID();
            __Notify(CHANGE_DELETE, first.Get(), NULL);
            m_nEventsGoneOf = -1;
        }
        log.SetSortIndex(nSortIndex);
        log.SetDuplLogCount(1);
        if (!m_pDbMgr->Insert(log, TABLE))
            return FALSE;
    }
    else
    {
        CUlog& r = *row.Get();
        const ContactIds idsBefore = ContactIdsOf(r);
        r.SetDuplLogCount(r.GetDuplLogCount() > MAX_DUPL_COUNT - 1 ? MAX_DUPL_COUNT
                                                                   : r.GetDuplLogCount() + 1);
        if (log.GetCallerIdPath()[0] == '\0')
            r.SetCallerIdPath("");
        r.SetCtPid(log.GetCtPid());
        r.SetCtDataId(log.GetCtDataId());
        r.SetCtFdnId(log.GetCtFdnId());
        r.SetStartTime(log.GetStartTime());
        r.SetEndTime(log.GetEndTime());
        // The event's call cost is its own: the row shows the newest event's, and the event's duplicate
        // row (which takes the row's fields back below) keeps what the call cost, not the first call's.
        r.SetCallCost(log.GetCallCost());
        r.SetLineType(log.GetLineType());
        r.SetCheckStatus(log.IsUncheckedYet());
        r.SetSortIndex(nSortIndex);
        r.SetFirstName(log.GetFirstName());
        r.SetLastName(log.GetLastName());
        r.SetNumber(log.GetNumber());
        if (log.GetIPCallDigitCount() > 0 || r.GetIPCallDigitCount() > 0)
        {
            r.SetBasicNumber(log.GetBasicNumber());
            r.SetIPCallDigitCount(log.GetIPCallDigitCount());
        }
        __CopyKindFields(log, r);
        // The row's events carry the row's contact ids: when the row keeps them, change 1 leaves the
        // events as they are without looking at them.
        m_nEventsLinkedOf = (ContactIdsOf(r) == idsBefore) ? r.GetUniqueID() : -1;
        const BOOL bUpdated = Update(r);
        m_nEventsLinkedOf = -1;
        if (!bUpdated)
            return FALSE;
        log.Assign(r);
    }

    __Notify(CHANGE_ADD, &log, NULL);
    return batch.Commit() ? TRUE : FALSE;
}

void CUlogSvcDistinctMgr::__CopyKindFields(const CUlog& log, CUlog& row)
{
    if (const CUlogCallLog* pLog = dynamic_cast<const CUlogCallLog*>(&log))
    {
        CUlogCallLog* pRow = dynamic_cast<CUlogCallLog*>(&row);
        if (pRow == NULL)
            return;
        pRow->SetCnapLog(pLog->IsCnapLog());
        pRow->SetVideoShareLog(pLog->IsVideoShareLog());
        pRow->SetCallType(pLog->GetCallType());
        pRow->Set2StageAliasAddress(pLog->Get2StageDialingInfo()->aliasAddress);
        pRow->Set2StageType(pLog->Get2StageDialingInfo()->iAddressType);
    }
    else if (const CUlogMsgLog* pLog = dynamic_cast<const CUlogMsgLog*>(&log))
    {
        CUlogMsgLog* pRow = dynamic_cast<CUlogMsgLog*>(&row);
        if (pRow == NULL)
            return;
        CopyIfSet(*pLog, *pRow, &CUlogMsgLog::GetMsgOwnValue, &CUlogMsgLog::SetMsgOwnValue);
        CopyIfSet(*pLog, *pRow, &CUlogMsgLog::GetContentValue, &CUlogMsgLog::SetContentValue);
    }
    else if (const CUlogEmailLog* pLog = dynamic_cast<const CUlogEmailLog*>(&log))
    {
        CUlogEmailLog* pRow = dynamic_cast<CUlogEmailLog*>(&row);
        if (pRow == NULL)
            return;
        pRow->SetEmailDisplayName(pLog->GetEmailDisplayName());
        pRow->SetSourceType(pLog->GetSourceType());
        CopyIfSet(*pLog, *pRow, &CUlogEmailLog::GetMsgOwnValue, &CUlogEmailLog::SetMsgOwnValue);
        CopyIfSet(*pLog, *pRow, &CUlogEmailLog::GetContentValue, &CUlogEmailLog::SetContentValue);
        CopyIfSet(*pLog, *pRow, &CUlogEmailLog::GetAccountValue, &CUlogEmailLog::SetAccountValue);
    }
    else if (const CUlogImLog* pLog = dynamic_cast<const CUlogImLog*>(&log))
    {
        CUlogImLog* pRow = dynamic_cast<CUlogImLog*>(&row);
        if (pRow == NULL)
            return;
        pRow->SetLogType(pLog->GetLogType());
        pRow->SetSpInfo(pLog->GetSpInfo());
        pRow->SetEmailDisplayName(pLog->GetEmailDisplayName());
        CopyIfSet(*pLog, *pRow, &CUlogImLog::GetContentValue, &CUlogImLog::SetContentValue);
        CopyIfSet(*pLog, *pRow, &CUlogImLog::GetAccountValue, &CUlogImLog::SetAccountValue);
    }
    else if (const CUlogSnsLog* pLog = dynamic_cast<const CUlogSnsLog*>(&log))
    {
        CUlogSnsLog* pRow = dynamic_cast<CUlogSnsLog*>(&row);
        if (pRow == NULL)
            return;
        pRow->SetLogType(pLog->GetLogType());
        pRow->SetSnsPersonId(pLog->GetSnsPersonId());
        pRow->SetSnsSpInfo(pLog->GetSnsSpInfo());
        pRow->SetEmailDisplayName(pLog->GetEmailDisplayName());
        pRow->SetSyncId(pLog->GetSyncId());
        CopyIfSet(*pLog, *pRow, &CUlogSnsLog::GetContentValue, &CUlogSnsLog::SetContentValue);
    }
}

/* ==== Correspondent lookup ==== */

int CUlogSvcDistinctMgr::__GetGroupID(CUlog& log)
{
    char szBasicNumber[ULOG_NUMBER_LEN] = {0};
    char szTempPhoneNumber[51] = {0};
    CopyText(szTempPhoneNumber, sizeof(szTempPhoneNumber), log.GetNumber());
    CUlogSvcUtil::ExtractBasicNum(szTempPhoneNumber, szBasicNumber, log.GetIPCallDigitCount());
    log.SetBasicNumber(szBasicNumber);

    CUlogSvcFilterMgr* pFilterMgr = CUlogSvcFilterMgr::Instance();
    if (!ULOG_REQUIRE(pFilterMgr != NULL))
        return 0;

    CUlogSvcFilter filter;
    if (!SetCorrespondentFilter(filter, log, false, "__GetGroupID"))
        return 0;
    CUlogSvcLogMgrScope scope;
    CUlogPtr<CUlog> ptr(GetUlog(&filter));
    if (ptr.IsValidPtr())
        return ptr->GetGroupID();
    SysDebugPrintf(ULOG_DBG_FAIL, "__GetGroupID: ptr is invalid. no exist the same group log\n");
    return (m_pDbMgr != NULL ? m_pDbMgr->GetMaxGroupID(TABLE) : 0) + 1;
}

CUlog* CUlogSvcDistinctMgr::__FindCorrespondent(CUlog& log, int& nGroupId, bool& bUnmatchable)
{
    // The rows that share the correspondent's group filter, in the order in which the group lookup
    // takes its first one. Every kind but SNS finds its row among them by the log type alone (an IM
    // log's row by the same filter); an SNS person's rows, matched by provider, are read on their own.
    const CUlogSnsLog* pSns = dynamic_cast<const CUlogSnsLog*>(&log);
    std::vector<CUlog*> rows;
    bool bRead = false;
    if (pSns == NULL)
    {
        char szBasicNumber[ULOG_NUMBER_LEN] = {0};
        char szTempPhoneNumber[51] = {0};
        CopyText(szTempPhoneNumber, sizeof(szTempPhoneNumber), log.GetNumber());
        CUlogSvcUtil::ExtractBasicNum(szTempPhoneNumber, szBasicNumber, log.GetIPCallDigitCount());
        log.SetBasicNumber(szBasicNumber);
        CUlogSvcFilter filter;
        if (m_pDbMgr != NULL && CUlogSvcFilterMgr::Instance() != NULL &&
            SetCorrespondentFilter(filter, log, false, "__GetGroupID"))
        {
            CUlogSvcLogMgrScope scope;
            bRead = m_pDbMgr->GetFirstUlogs(filter, MAX_ROWS_READ, rows, TABLE) != FALSE;
        }
    }
    const bool bIm = dynamic_cast<const CUlogImLog*>(&log) != NULL;
    const int nFirstGroupId = rows.empty() ? 0 : rows.front()->GetGroupID();
    CUlog* pRow = NULL;
    for (CUlog* pCandidate : rows)
    {
        if (pRow == NULL && (bIm || pCandidate->GetLogType() == log.GetLogType()))
            pRow = pCandidate;
        else
            delete pCandidate;
    }
    if (!bRead || (pRow == NULL && rows.size() >= static_cast<size_t>(MAX_ROWS_READ)))
    {
        // Not read in one go (or more rows than one read takes): the group and the row each by
        // their own lookup.
        delete pRow;
        nGroupId = __GetGroupID(log);
        return __FindRow(log, bUnmatchable);
    }
    bUnmatchable = false;
    if (!rows.empty())
        nGroupId = nFirstGroupId;
    else
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "__GetGroupID: ptr is invalid. no exist the same group log\n");
        nGroupId = m_pDbMgr->GetMaxGroupID(TABLE) + 1;
    }
    if (pRow == NULL)
        SysDebugPrintf(ULOG_DBG_FAIL, "__GetUniqueID: ptr is invalid. new type record in DistinctDB\n");
    return pRow;
}

int CUlogSvcDistinctMgr::__GetUniqueID(CUlog& log)
{
    bool bUnmatchable = false;
    CUlogPtr<CUlog> row(__FindRow(log, bUnmatchable));
    if (bUnmatchable)
        return 0;
    return row.IsValidPtr() ? row->GetUniqueID() : -1;
}

CUlog* CUlogSvcDistinctMgr::__FindRow(CUlog& log, bool& bUnmatchable)
{
    bUnmatchable = false;
    CUlogSvcFilterMgr* pFilterMgr = CUlogSvcFilterMgr::Instance();
    if (!ULOG_REQUIRE(pFilterMgr != NULL))
    {
        bUnmatchable = true;
        return NULL;
    }

    CUlogSvcFilter filter;
    if (!SetCorrespondentFilter(filter, log, true, "__GetUniqueID"))
    {
        bUnmatchable = true;
        return NULL;
    }

    CUlog* pRow = GetUlog(&filter);
    if (pRow == NULL)
        SysDebugPrintf(ULOG_DBG_FAIL, "__GetUniqueID: ptr is invalid. new type record in DistinctDB\n");
    return pRow;
}

/* ==== Updates ==== */

BOOL CUlogSvcDistinctMgr::Update(CUlog& log)
{
    if (!__CheckDbMgr(LINE_ANY))
        return FALSE;
    CUlogSvcLogMgrScope scope;
    CUlogDbBatch batch;
    if (!batch.IsOpen() || !m_pDbMgr->Update(log, TABLE))
        return FALSE;
    __Notify(CHANGE_UPDATE, &log, NULL);
    return batch.Commit() ? TRUE : FALSE;
}

BOOL CUlogSvcDistinctMgr::UpdateNameByVoicemailByLogType(UlogLogType iLogType, const MbdnInfo* pEntry)
{
    if (!ULOG_REQUIRE(_UlogIsValidLog(iLogType)))
        return FALSE;
    char szBasic[ULOG_NUMBER_LEN] = {0};
    char szName[ULOG_NAME_LEN] = {0};
    if (!ReadVoicemailEntry(pEntry, szBasic, szName) || !__CheckDbMgr(LINE_ANY))
        return FALSE;

    CUlogCallLog log;
    log.SetLogType(iLogType);
    log.SetBasicNumber(szBasic);
    log.SetDisplayName(szName);
    CUlogSvcLogMgrScope scope;
    CUlogDbBatch batch;
    if (!batch.IsOpen())
        return FALSE;
    if (m_pDbMgr->UpdateNameByVoicemailByLogType(log, TABLE))
        __Notify(CHANGE_UPDATE_NAME_BY_VOICEMAIL_LOGTYPE, &log, NULL);
    return batch.Commit() ? TRUE : FALSE;
}

BOOL CUlogSvcDistinctMgr::UpdateNameByVoicemail(const MbdnInfo* pEntry)
{
    char szBasic[ULOG_NUMBER_LEN] = {0};
    char szName[ULOG_NAME_LEN] = {0};
    if (!ReadVoicemailEntry(pEntry, szBasic, szName) || !__CheckDbMgr(LINE_ANY))
        return FALSE;

    CUlogSvcFilterMgr* pFilterMgr = CUlogSvcFilterMgr::Instance();
    if (!ULOG_REQUIRE(pFilterMgr != NULL))
        return FALSE;
    CUlogSvcFilter filter;
    filter.SetFilter(Field(ULOG_DB_BASIC_NUMBER), std::string(szBasic));

    CUlogSvcLogMgrScope scope;
    CUlogDbBatch batch;
    if (!batch.IsOpen())
        return FALSE;
    IUlogList<CUlog>* pList = GetUlogs(&filter, 0, -1);
    if (!ULOG_REQUIRE(pList != NULL))
        return FALSE;
    IUlogIterator<CUlog>* pIter = pList->GetIterator();
    if (!ULOG_REQUIRE(pIter != NULL))
    {
        pList->Release();
        return FALSE;
    }
    BOOL bResult = TRUE;
    for (pIter->First(); !pIter->IsDone(); pIter->Next())
    {
        CUlog* pUlog = pIter->GetCurItem();
        if (!ULOG_REQUIRE(pUlog != NULL))
        {
            bResult = FALSE;
            break;
        }
        pUlog->SetPhoneType(ULOG_PHONE_TYPE_NONE);
        pUlog->SetCtPid(0);
        pUlog->SetStorageType(ULOG_STORAGE_NONE);
        pUlog->SetDisplayName(szName);
        pUlog->SetFirstName("");
        pUlog->SetLastName("");
        pUlog->SetCallerIdPath("");
        pUlog->SetBasicNumber(szBasic);
        CUlogPtr<CUlog> clone(pUlog->Clone());
        if (!clone.IsValidPtr())
        {
            SysDebugPrintf(ULOG_DBG_FAIL,
                           "CUlogSvcDistinctMgr::UpdateNameByVoicemail: !ptr.IsValidPtr() failed.\n");
            bResult = FALSE;
            break;
        }
        if (m_pDbMgr->UpdateNameByVoicemail(*clone.Get(), TABLE))
            __Notify(CHANGE_UPDATE_NAME_BY_VOICEMAIL, clone.Get(), NULL);
    }
    pIter->Release();
    pList->Release();
    if (!bResult)
        return FALSE;
    return batch.Commit() ? TRUE : FALSE;
}

BOOL CUlogSvcDistinctMgr::UpdateUncheckedStatus(const IUlogSvcFilter* pFilter, int nStatus)
{
    if (!__CheckDbMgr(LINE_ANY) || !ULOG_REQUIRE(pFilter != NULL))
        return FALSE;
    CUlogSvcLogMgrScope scope;
    CUlogDbBatch batch;
    if (!batch.IsOpen())
        return FALSE;
    const BOOL bResult = m_pDbMgr->UpdateUncheckedStatus(*pFilter, nStatus, TABLE);
    if (bResult)
        __Notify(CHANGE_UPDATE_UNCHECKED_STATUS, NULL, pFilter);
    if (!bResult)
        return FALSE;
    return batch.Commit() ? TRUE : FALSE;
}

BOOL CUlogSvcDistinctMgr::UpdateAllUncheckedStatus(int nStatus)
{
    if (!__CheckDbMgr(LINE_ANY))
        return FALSE;
    CUlogSvcLogMgrScope scope;
    CUlogDbBatch batch;
    if (!batch.IsOpen())
        return FALSE;
    const CUlogSvcFilter empty;
    const BOOL bResult = m_pDbMgr->UpdateUncheckedStatus(empty, nStatus, TABLE);
    if (bResult)
        __Notify(CHANGE_UPDATE_ALL_UNCHECKED_STATUS, NULL, NULL);
    if (!bResult)
        return FALSE;
    return batch.Commit() ? TRUE : FALSE;
}

BOOL CUlogSvcDistinctMgr::UpdateAllGroupId(int nOldGroupId, int nNewGroupId)
{
    if (!__CheckDbMgr(LINE_ANY))
        return FALSE;
    CUlogSvcLogMgrScope scope;
    CUlogDbBatch batch;
    if (!batch.IsOpen())
        return FALSE;
    const BOOL bResult = m_pDbMgr->UpdateAllGroupId(nOldGroupId, nNewGroupId, TABLE);
    if (bResult)
        __Notify(CHANGE_UPDATE_ALL_GROUP_ID, NULL, NULL);
    if (!bResult)
        return FALSE;
    return batch.Commit() ? TRUE : FALSE;
}

/* ==== Deletes ==== */

BOOL CUlogSvcDistinctMgr::Delete(int nUniqueId)
{
    if (!__CheckDbMgr(LINE_ANY))
        return FALSE;
    CUlogSvcLogMgrScope scope;
    CUlogDbBatch batch;
    if (!batch.IsOpen())
        return FALSE;
    CUlogPtr<CUlog> ptr(GetUlog(nUniqueId));
    if (!ptr.IsValidPtr())
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcDistinctMgr::Delete: !ptr.IsValidPtr() failed.\n");
        return FALSE;
    }
    // TRUE only when the row and its events are gone, together.
    if (!m_pDbMgr->Delete(nUniqueId, TABLE))
        return FALSE;
    __Notify(CHANGE_DELETE, ptr.Get(), NULL);
    return batch.Commit() ? TRUE : FALSE;
}

BOOL CUlogSvcDistinctMgr::Delete(const IUlogSvcFilter* pFilter)
{
    // A missing filter would empty the table: refused.
    if (!__CheckDbMgr(LINE_ANY) || !ULOG_REQUIRE(pFilter != NULL))
        return FALSE;
    CUlogSvcLogMgrScope scope;
    CUlogDbBatch batch;
    if (!batch.IsOpen())
        return FALSE;
    const BOOL bResult = m_pDbMgr->Delete(*pFilter, TABLE);
    if (bResult)
        __Notify(CHANGE_DELETE_BY_FILTER, NULL, pFilter);
    if (!bResult)
        return FALSE;
    return batch.Commit() ? TRUE : FALSE;
}

BOOL CUlogSvcDistinctMgr::DeleteAll(UlogLogType iLogType)
{
    if (!__CheckDbMgr(LINE_ANY))
        return FALSE;
    CUlogSvcLogMgrScope scope;
    CUlogDbBatch batch;
    if (!batch.IsOpen())
        return FALSE;
    const BOOL bResult = m_pDbMgr->DeleteAll((int)iLogType, TABLE);
    if (!bResult)
        return bResult;
    CUlogSvcDataSet dataSet;
    dataSet.SetLogType(iLogType);
    CUlogSvcGenerator generator;
    CUlogPtr<CUlog> ptr(generator.Generate(dataSet));
    if (!ptr.IsValidPtr())
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcDistinctMgr::DeleteAll: !ptr.IsValidPtr() failed.\n");
        return FALSE;
    }
    __Notify(CHANGE_DELETE_ALL, ptr.Get(), NULL);
    return batch.Commit() ? TRUE : FALSE;
}

BOOL CUlogSvcDistinctMgr::DeleteAll()
{
    if (!__CheckDbMgr(LINE_ANY))
        return FALSE;
    CUlogSvcLogMgrScope scope;
    CUlogDbBatch batch;
    if (!batch.IsOpen())
        return FALSE;
    const BOOL bResult = m_pDbMgr->DeleteAll(TABLE);
    if (bResult)
        __Notify(CHANGE_DELETE_ALL, NULL, NULL);
    if (!bResult)
        return FALSE;
    return batch.Commit() ? TRUE : FALSE;
}

BOOL CUlogSvcDistinctMgr::UpdateDistinctContactInfo()
{
    __Notify(CHANGE_UPDATE_CONTACT_INFO, NULL, NULL);
    return TRUE;
}

/* ==== Bulk updates ==== */

BOOL CUlogSvcDistinctMgr::SetAllLogInfoByType(UlogLogType iLogType, int iUpdateType, const UlogInfo* pInfo,
                                              int bNoWrite)
{
    if (!ULOG_REQUIRE(_UlogIsValidLog(iLogType)) || !ULOG_REQUIRE(iUpdateType != ULOG_UPDATE_NONE) ||
        !ULOG_REQUIRE(pInfo != NULL))
        return FALSE;
    CUlogSvcLogMgrScope scope;
    CUlogDbBatch batch;
    if (!batch.IsOpen() || !__UpdateListByUlogInfo(GetUlogs(iLogType), iUpdateType, pInfo, bNoWrite))
        return FALSE;
    return batch.Commit() ? TRUE : FALSE;
}

BOOL CUlogSvcDistinctMgr::SetAllLogInfo(int iUpdateType, const UlogInfo* pInfo)
{
    if (!ULOG_REQUIRE(iUpdateType != ULOG_UPDATE_NONE) || !ULOG_REQUIRE(pInfo != NULL))
        return FALSE;
    CUlogSvcLogMgrScope scope;
    CUlogDbBatch batch;
    if (!batch.IsOpen() || !__UpdateListByUlogInfo(GetUlogs(), iUpdateType, pInfo, FALSE))
        return FALSE;
    return batch.Commit() ? TRUE : FALSE;
}

BOOL CUlogSvcDistinctMgr::__UpdateListByUlogInfo(IUlogList<CUlog>* pList, int iUpdateType,
                                                 const UlogInfo* pInfo, int bNoWrite)
{
    if (!ULOG_REQUIRE(pList != NULL))
        return FALSE;
    IUlogIterator<CUlog>* pIter = pList->GetIterator();
    const BOOL bResult = __UpdateAllByUlogInfo(pIter, iUpdateType, pInfo, bNoWrite);
    UlogRelease(pIter);
    pList->Release();
    return bResult;
}

BOOL CUlogSvcDistinctMgr::__UpdateAllByUlogInfo(IUlogIterator<CUlog>* pIter, int iUpdateType,
                                                const UlogInfo* pInfo, int bNoWrite)
{
    if (!ULOG_REQUIRE(pIter != NULL) || !ULOG_REQUIRE(iUpdateType != ULOG_UPDATE_NONE) ||
        !ULOG_REQUIRE(pInfo != NULL))
        return FALSE;
    for (pIter->First(); !pIter->IsDone(); pIter->Next())
    {
        CUlog* pUlog = pIter->GetCurItem();
        if (!ULOG_REQUIRE(pUlog != NULL))
            return FALSE;
        BOOL bMatch = FALSE;
        const CUlogCallLog* pCall = dynamic_cast<const CUlogCallLog*>(pUlog);
        if (pCall != NULL && IsVT2StageDailedLog(*pUlog))
            bMatch = (std::strncmp(pCall->Get2StageDialingInfo()->aliasAddress,
                                   pInfo->st2StageDialingInfo.aliasAddress, ULOG_ALIAS_ADDRESS_LEN) == 0);
        else
            bMatch = CUlogSvcUtil::StrCmp(pUlog->GetNumber(), pInfo->szNumber);
        if (!bMatch)
            continue;

        UlogInfo info;
        pUlog->Convert2UlogInfo(info);
        if (iUpdateType & ULOG_UPDATE_PHONE_TYPE)
            info.iPhoneType = pInfo->iPhoneType;
        if (iUpdateType & ULOG_UPDATE_STORAGE_TYPE)
            info.iStorageType = pInfo->iStorageType;
        if ((iUpdateType & ULOG_UPDATE_DUPL_COUNT) && !bNoWrite)
            info.nDuplLogCount = pInfo->nDuplLogCount;
        if (iUpdateType & ULOG_UPDATE_NAME)
        {
            CopyText(info.szName, ULOG_NAME_LEN, pInfo->szName);
        }
        if (iUpdateType & ULOG_UPDATE_PERSON_ID)
            info.nPersonId = pInfo->nPersonId;
        if (iUpdateType & ULOG_UPDATE_2STAGE_ALIAS)
        {
            CopyText(info.st2StageDialingInfo.aliasAddress, ULOG_ALIAS_ADDRESS_LEN,
                     pInfo->st2StageDialingInfo.aliasAddress);
        }
        if (iUpdateType & ULOG_UPDATE_CALLER_ID_PATH)
        {
            CopyText(info.szCallerIdPath, ULOG_CALLER_ID_PATH_LEN, pInfo->szCallerIdPath);
        }
        if (iUpdateType & ULOG_UPDATE_TIMES)
        {
            info.tmStart = pInfo->tmStart;
            info.tmEnd = pInfo->tmEnd;
            info.tmWiFiTotal = pInfo->tmWiFiTotal;
            info.tmGsmTotal = pInfo->tmGsmTotal;
        }
        if (iUpdateType & ULOG_UPDATE_CALL_TYPE)
            info.iCallType = pInfo->iCallType;
        if ((iUpdateType & ULOG_UPDATE_VIDEO_SHARE) && pInfo->bVideoShare != 0)
            info.bVideoShare = 1;
        if (iUpdateType & ULOG_UPDATE_DUPL_LAST_UID)
            info.nDuplLogLastUniqueId = pInfo->nDuplLogLastUniqueId;

        CUlogSvcGenerator generator;
        CUlogPtr<CUlog> ptr(generator.Generate(info));
        if (!ptr.IsValidPtr())
        {
            SysDebugPrintf(ULOG_DBG_FAIL,
                           "CUlogSvcDistinctMgr::__UpdateAllByUlogInfo: !ptr.IsValidPtr() failed.\n");
            return FALSE;
        }
        if (!bNoWrite && !Update(*ptr.Get()))
            return FALSE;
        SysDebugPrintf(
            ULOG_DBG_DETAIL,
            "CUlogSvcDistinctMgr::__UpdateAllByUlogInfo: iLogType (%d) iPhoneType (%d) iStorageType "
            "(%d) szName (%s) szNumber (%s)\n",
            (int)info.iLogType, (int)info.iPhoneType, (int)info.iStorageType, info.szName, info.szNumber);
    }
    return TRUE;
}

/* ==== Temporary logs ==== */

BOOL CUlogSvcDistinctMgr::UpdateTempLog(CUlog& log)
{
    if (!__CheckDbMgr(LINE_UPDATE_TEMP))
        return FALSE;
    {
        CUlogSvcLogMgrScope scope;
        CUlogDbBatch batch;
        if (!batch.IsOpen())
            return FALSE;
        log.SetGroupID(__GetGroupID(log));
        SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogSvcDistinctMgr::UpdateTempLog: nGroupID(%d).\n",
                       log.GetGroupID());
        if (log.GetStartTime() == 0)
            SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcDistinctMgr::UpdateTempLog: log.GetStartTime() (%d) !!\n",
                           (int)log.GetStartTime());
        if (!m_pDbMgr->Update(log, TABLE))
            return FALSE;
        __Notify(CHANGE_UPDATE_TEMP_LOG, &log, NULL);
        if (!batch.Commit())
            return FALSE;
    }
    // The call time counts once the log is committed, after the table lock has been given back.
    CUlogSvcAccountMgr* pAccountMgr = CUlogSvcAccountMgr::Instance();
    if (pAccountMgr != NULL)
        pAccountMgr->WriteCallTime(log);
    return TRUE;
}

BOOL CUlogSvcDistinctMgr::UpdateTempPrevLogByUlogInfo(const UlogInfo& info)
{
    CUlogSvcGenerator generator;
    CUlogPtr<CUlog> ptr(generator.Generate(info));
    if (!ptr.IsValidPtr())
    {
        SysDebugPrintf(ULOG_DBG_FAIL,
                       "CUlogSvcDistinctMgr::UpdateTempPrevLogByUlogInfo: !ptr.IsValidPtr() failed.\n");
        return FALSE;
    }
    return UpdateTempLog(*ptr.Get());
}

BOOL CUlogSvcDistinctMgr::IsVT2StageDailedLog(const CUlog& log)
{
    SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogSvcDistinctMgr::GetLogType(%d)\n", (int)log.GetLogType());
    const CUlogCallLog* pCall = dynamic_cast<const CUlogCallLog*>(&log);
    if (pCall == NULL)
        return FALSE;
    const UlogVT2StageDialingInfo* pInfo = pCall->Get2StageDialingInfo();
    SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogSvcDistinctMgr::IsVT2StageDailedLog: (%s) vt2StageType(%d)\n",
                   pInfo->aliasAddress, (int)pInfo->iAddressType);
    if (pInfo->aliasAddress[0] != '\0' && pInfo->iAddressType >= 1 && pInfo->iAddressType <= 3)
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogSvcDistinctMgr::IsVT2StageDailedLog: return TRUE\n");
        return TRUE;
    }
    SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcDistinctMgr::IsVT2StageDailedLog: vt2StageInfo.aliasAddress(%s)\n",
                   pInfo->aliasAddress);
    return FALSE;
}
