/*
 * Record operations of the log tables: every statement that writes, deletes or
 * aggregates log rows, and the reading of a result row into a data set.
 *
 * Narrow text goes into the statement text between quotes with every quote
 * and every percent sign doubled (the engine reads statement text as a
 * format, which folds "%%" back to "%"); 16-bit text is always bound to a "?".
 */
#define ULOG_SRC_MODULE "UlogSvcDbMgr/UlogDB"
#include "UlogSvcDbMgr/CUlogDB.h"

#include "UlogSvcDbMgr/CUlogDbBatch.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "H/UlogSvcDef.h"
#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"
#include "UlogSvcDbMgr/UlogDbColumns.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogSnsLog.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"
#include "UlogSvcUtil/CUlogSvcMutex.h"
#include "UlogSvcUtil/CUlogSvcUtil.h"

namespace
{
constexpr int QUERY_SIZE = 5120;

/* A zeroed heap buffer holding a narrow text ready for quotes: every ' and % doubled. Freed on every
 * path out of the operation by the destructor. */
class CQuotedText
{
public:
    CQuotedText() = default;
    CQuotedText(const CQuotedText&) = delete;
    CQuotedText& operator=(const CQuotedText&) = delete;
    ~CQuotedText()
    {
        if (m_psz != NULL)
        {
            MemFreeTraceMultiHeap(m_psz, __FILE__, __LINE__);
        }
    }

    /* Takes at most nColumnSize - 1 characters of the source; the buffer holds twice the column. */
    bool Prepare(const char* pszSource, int nColumnSize)
    {
        const size_t nBufSize = (size_t)nColumnSize * 2;
        m_psz = (char*)MemAllocTraceEx(0, nBufSize, __FILE__, __LINE__);
        if (m_psz == NULL)
        {
            return false;
        }
        AcMemsetEx(m_psz, nBufSize, 0, nBufSize, __FILE__, __LINE__);
        // At most the column's text, doubled: always fits twice the column size.
        const char* pszSrc = pszSource != NULL ? pszSource : "";
        const std::string text(pszSrc, strnlen(pszSrc, (size_t)nColumnSize - 1));
        CUlogSvcUtil::ConvertDBStringForQuery(text.c_str(), m_psz, nBufSize);
        return true;
    }
    const char* Get() const { return m_psz != NULL ? m_psz : ""; }

private:
    char* m_psz = NULL;
};

/* Releases the current Db2QueryEx result when the scope ends. */
class CResultGuard
{
public:
    CResultGuard() = default;
    CResultGuard(const CResultGuard&) = delete;
    CResultGuard& operator=(const CResultGuard&) = delete;
    ~CResultGuard() { Db2ClearRow(); }
};

const WCHAR s_mszEmpty[1] = {0};

void BindWide(Db2BindField* pFields, int nFieldCnt, int nIndex, const WCHAR* pmszValue, int nMaxChars)
{
    UlogDbColumns::BindWideParam(pFields, nFieldCnt, nIndex, pmszValue, nMaxChars);
}

/* The integer value of a result slot, whatever type the engine gave it. */
long long SlotToInt64(const Db2BindField& field)
{
    if (field.nIndicator != 0 || field.pData == NULL)
    {
        return 0;
    }
    switch (field.nType)
    {
    case DB2_FIELD_INT:
        return *(const long long*)field.pData;
    case DB2_FIELD_REAL:
        return (long long)*(const double*)field.pData;
    case DB2_FIELD_TEXT:
        return std::strtoll((const char*)field.pData, NULL, 10);
    default:
        return 0;
    }
}

/* Times are unsigned 32-bit seconds; read them without going through a signed int. */
unsigned int TextToTime(const char* pszText)
{
    if (pszText == NULL)
    {
        return 0;
    }
    return (unsigned int)std::strtoull(pszText, NULL, 10);
}

bool IsEmptyText(const char* psz)
{
    return psz == NULL || psz[0] == '\0';
}

/* Stores the number value of table position nPos into the data set. */
void SetNumberField(CUlogSvcDataSet& dataSet, int nPos, long long nValue)
{
    const int n = (int)nValue;
    switch (nPos)
    {
    case 0:
        dataSet.SetUniqueID(n);
        break;
    case 1:
        dataSet.SetSortIndex(n);
        break;
    case 2:
        dataSet.SetGroupID(n);
        break;
    case 3:
        dataSet.SetParentID(n);
        break;
    case 4:
        dataSet.SetStartTime((unsigned int)nValue);
        break;
    case 5:
        dataSet.SetEndTime((unsigned int)nValue);
        break;
    case 6:
        dataSet.SetWiFiTotalTime((unsigned int)nValue);
        break;
    case 7:
        dataSet.SetGsmTotalTime((unsigned int)nValue);
        break;
    case 8:
        dataSet.SetLogType((UlogLogType)n);
        break;
    case 9:
        dataSet.SetCallType((UlogCallType)n);
        break;
    case 10:
        dataSet.SetLineType((UlogLineType)n);
        break;
    case 11:
        dataSet.SetPhoneType((UlogPhoneType)n);
        break;
    case 12:
        dataSet.SetStorageType((UlogStorageType)n);
        break;
    case 13:
        dataSet.SetCallCost(n);
        break;
    case 14:
        dataSet.SetCtPid(n);
        break;
    case 15:
        dataSet.SetCtDataId(n);
        break;
    case 16:
        dataSet.SetCtFdnId(n);
        break;
    case 17:
        dataSet.SetMyAccountId(n);
        break;
    case 18:
        dataSet.SetDuplLogCount(n);
        break;
    case 19:
        dataSet.Set2StageType(n);
        break;
    case 20:
        dataSet.SetCnapLog(n);
        break; /* column isvideoshare holds the CNAP flag */
    case 21:
        dataSet.SetVideoShareLog(n);
        break; /* column iscnap holds the video-share flag */
    case 22:
        dataSet.SetCheckStatus(n);
        break;
    case 23:
        dataSet.SetTemporary(n);
        break;
    case 30:
        dataSet.SetMsgLogType(n);
        break;
    case 31:
        dataSet.SetMsgLogID(n);
        break;
    case 38:
        dataSet.SetContentId(n);
        break;
    case 39:
        dataSet.SetSourceType((UlogSourceType)n);
        break;
    case 41:
        dataSet.SetAccountId(n);
        break;
    case 44:
        dataSet.SetSnsSpInfo(n);
        dataSet.SetSpInfo(n);
        break;
    case 45:
        dataSet.SetIPCallDigitCount(n);
        break;
    default:
        break;
    }
}

void SetNarrowField(CUlogSvcDataSet& dataSet, int nPos, const char* psz)
{
    switch (nPos)
    {
    case 24:
        dataSet.Set2StageAliasAddress(psz);
        break;
    case 25:
        dataSet.SetBasicNumber(psz);
        break;
    case 26:
        dataSet.SetFirstName(psz);
        break;
    case 27:
        dataSet.SetLastName(psz);
        break;
    case 28:
        dataSet.SetCallerIdPath(psz);
        break;
    case 32:
        dataSet.SetEmailDisplayName(psz);
        break;
    case 40:
        dataSet.SetAccountEmailAddress(psz);
        break;
    case 42:
        dataSet.SetSyncId(psz);
        break;
    case 43:
        dataSet.SetSnsPersonId(psz);
        break;
    default:
        break;
    }
}

void SetWideField(CUlogSvcDataSet& dataSet, int nPos, const WCHAR* pmsz)
{
    switch (nPos)
    {
    case 33:
        dataSet.SetEmailAddress(pmsz);
        break;
    case 34:
        dataSet.SetDisplayName(pmsz);
        break;
    case 35:
        dataSet.SetNumber(pmsz);
        break;
    case 36:
        dataSet.SetSubject(pmsz);
        break;
    case 37:
        dataSet.SetBody(pmsz);
        break;
    default:
        break; /* 29, dummystring, is never read */
    }
}

/* The quoted narrow texts that insert and update write. */
struct QuotedFields
{
    CQuotedText alias, basic, first, last, callerId, emailName, accountEmail, syncId, snsPersonId;

    bool Prepare(const CUlogSvcDataSet& ds)
    {
        using UlogDbColumns::s_aColumns;
        if (!ULOG_REQUIRE_T(alias.Prepare(ds.Get2StageDialingInfo()->aliasAddress, s_aColumns[24].nSize),
                            "pszAliasAddress != NULL"))
            return false;
        if (!ULOG_REQUIRE_T(basic.Prepare(ds.GetBasicNumber(), s_aColumns[25].nSize),
                            "pszBasicNumber != NULL"))
            return false;
        if (!ULOG_REQUIRE_T(first.Prepare(ds.GetFirstName(), s_aColumns[26].nSize), "pszFirstName != NULL"))
            return false;
        if (!ULOG_REQUIRE_T(last.Prepare(ds.GetLastName(), s_aColumns[27].nSize), "pszLastName != NULL"))
            return false;
        if (!ULOG_REQUIRE_T(callerId.Prepare(ds.GetCallerIdPath(), s_aColumns[28].nSize),
                            "pszCallerId != NULL"))
            return false;
        if (!ULOG_REQUIRE_T(emailName.Prepare(ds.GetEmailDisplayName(), s_aColumns[32].nSize),
                            "pszEmailName != NULL"))
            return false;
        if (!ULOG_REQUIRE_T(accountEmail.Prepare(ds.GetAccountEmailAddress(), s_aColumns[40].nSize),
                            "pszAccountEmailAddress != NULL"))
            return false;
        if (!ULOG_REQUIRE_T(syncId.Prepare(ds.GetSyncId(), s_aColumns[42].nSize), "pszSyncId != NULL"))
            return false;
        if (!ULOG_REQUIRE_T(snsPersonId.Prepare(ds.GetSnsPersonId(), s_aColumns[43].nSize),
                            "pszSnsPersonId != NULL"))
            return false;
        return true;
    }
};

/* Binds the five 16-bit columns (emailaddress, logname, lognumber, logsubject, logcontentbody) from
 * parameter nFirst on. */
void BindLogTexts(Db2BindField* pFields, int nFieldCnt, int nFirst, const CUlogSvcDataSet& ds)
{
    BindWide(pFields, nFieldCnt, nFirst + 0, ds.GetEmailAddress(), 300);
    BindWide(pFields, nFieldCnt, nFirst + 1, ds.GetDisplayName(), 309);
    BindWide(pFields, nFieldCnt, nFirst + 2, ds.GetNumber(), 80);
    BindWide(pFields, nFieldCnt, nFirst + 3, ds.GetSubject(), 100);
    BindWide(pFields, nFieldCnt, nFirst + 4, ds.GetBody(), 100);
}

/* Runs a prepared write statement: destroy, then commit or roll back. Returns the engine's result. */
int ExecuteWrite(HOBJ hStmt)
{
    const int nResult = Db2StmtExecute(hStmt);
    Db2StmtDestroy(hStmt);
    if (nResult < 0)
    {
        Db2Rollback();
    }
    else
    {
        Db2Commit();
    }
    return nResult;
}

int SpInfoOf(const CUlog& log, const CUlogSvcDataSet& ds)
{
    const CUlogSnsLog snsLog;
    return log.IsTypeEqual(snsLog) ? ds.GetSnsSpInfo() : ds.GetSpInfo();
}
} // namespace

BOOL CUlogDB::CheckAndCreateTable()
{
    // The question and the creation as one change: another process starting at the same moment waits
    // and then finds the table, instead of failing to create it a second time.
    CUlogDbBatch batch;
    if (Db2CheckTable(GetTableName()) != 1)
    {
        OnCreateTable();
    }
    if (batch.IsOpen() && !batch.Commit())
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::CheckAndCreateTable: %s was not created\n", GetTableName());
    }
    return 1;
}

BOOL CUlogDB::CreateStandIn()
{
    char szQuery[5120] = {0};
    UlogDbColumns::FormatStandInTable(szQuery, sizeof(szQuery), GetTableName());
    const int nResult = Db2QueryEx(szQuery);
    Db2ClearRow();
    if (nResult < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::CreateStandIn: no stand-in for %s\n", GetTableName());
        return 0;
    }
    return 1;
}

BOOL CUlogDB::Insert(CUlog& log)
{
    const int nDbIndex = GetUnusedDbIndex();
    if (nDbIndex == ULOG_INVALID_DB_INDEX)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::Insert: nDbIndex is ULOG_INVALID_DB_INDEX!\n");
        return 0;
    }
    // The log carries its new id only once its row is written.
    const int nPrevIndex = log.GetUniqueID();
    log.SetUniqueID(nDbIndex);
    if (!__InsertRow(log))
    {
        log.SetUniqueID(nPrevIndex);
        return 0;
    }
    return 1;
}

BOOL CUlogDB::__InsertRow(CUlog& log)
{

    const CUlogSvcDataSet ds(log);
    const int nSpInfo = SpInfoOf(log, ds);
    QuotedFields q;
    if (!q.Prepare(ds))
    {
        return 0;
    }

    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(
        szQuery, sizeof(szQuery), __FILE__, __LINE__,
        "insert into %s values ( %d, %d, %d, %d, %lu, %lu, %lu, %lu, %d, %d, %d, %d, %d, %d, %d, %d, %d, "
        "%d, %d, %d, %d, %d, %d, %d, '%s', '%s', '%s', '%s', '%s', ?, %d, %d, '%s', ?, ?, ?, ?, ?, %d, "
        "%d,'%s', %d, '%s','%s',%d ,%d )",
        GetTableName(), ds.GetUniqueID(), ds.GetSortIndex(), ds.GetGroupID(), ds.GetParentID(),
        ds.GetStartTime(), ds.GetEndTime(), ds.GetWiFiTotalTime(), ds.GetGsmTotalTime(), (int)ds.GetLogType(),
        (int)ds.GetCallType(), (int)ds.GetLineType(), (int)ds.GetPhoneType(), (int)ds.GetStorageType(),
        ds.GetCallCost(), ds.GetCtPid(), ds.GetCtDataId(), ds.GetCtFdnId(), ds.GetMyAccountId(),
        ds.GetDuplLogCount(), (int)ds.Get2StageDialingInfo()->iAddressType, (int)ds.IsCnapLog(),
        (int)ds.IsVideoShareLog(), (int)ds.IsUncheckedYet(), (int)ds.IsTemporary(), q.alias.Get(),
        q.basic.Get(), q.first.Get(), q.last.Get(), q.callerId.Get(), ds.GetMsgLogType(), ds.GetMsgLogID(),
        q.emailName.Get(), ds.GetContentId(), (int)ds.GetSourceType(), q.accountEmail.Get(),
        ds.GetAccountId(), q.syncId.Get(), q.snsPersonId.Get(), nSpInfo, ds.GetIPCallDigitCount());

    const HOBJ hStmt = Db2StmtCreate(szQuery);
    if (hStmt == -1)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::Insert: query(%s) failed or there is no data to change.\n",
                       szQuery);
        return 0;
    }
    Db2BindField* pFields = Db2StmtGetBindParamFields(hStmt);
    const int nFieldCnt = Db2StmtGetBindParamCount(hStmt);
    WCHAR mszDummy[104] = {0};
    BindWide(pFields, nFieldCnt, 0, mszDummy, 103);
    BindLogTexts(pFields, nFieldCnt, 1, ds);

    if (ExecuteWrite(hStmt) < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::Insert: query(%s) failed or there is no data to change.\n",
                       szQuery);
        return 0;
    }
    return 1;
}

BOOL CUlogDB::Update(CUlog& log)
{
    CUlogSvcDataSet ds(log);

    /* The basic number always follows the number. */
    char szNumber[81] = {0};
    WmConvert2LCode(szNumber, sizeof(szNumber), ds.GetNumber());
    szNumber[50] = '\0';
    char szBasicNumber[81] = {0};
    CUlogSvcUtil::ExtractBasicNum(szNumber, szBasicNumber, ds.GetIPCallDigitCount());
    ds.SetBasicNumber(szBasicNumber);

    const int nSpInfo = SpInfoOf(log, ds);
    QuotedFields q;
    if (!q.Prepare(ds))
    {
        return 0;
    }

    auto F = [this](int nFieldId) { return GetFieldName(nFieldId); };
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(
        szQuery, sizeof(szQuery), __FILE__, __LINE__,
        "update %s set %s = %d, %s = %d, %s = %d, %s = %lu, %s = %lu, %s = %lu,  %s = %lu,  %s = %d, %s = "
        "%d, %s = "
        "%d,  %s = %d,  %s = %d,  %s = %d,  %s = %d,  %s = %d,  %s = %d, %s = %d, %s = %d, %s = %d, %s = %d, "
        "%s = "
        "%d, %s = %d,  %s = %d, %s = '%s', %s = '%s', %s = '%s', %s = '%s', %s = '%s', %s = %d,  %s = %d , "
        "%s = "
        "'%s', %s = ?, %s = ? , %s = ?, %s = ?, %s = ?, %s = %d, %s = %d, %s = '%s', %s = %d, %s = '%s', %s "
        "= "
        "'%s', %s = %d , %s = %d where %s = %d",
        GetTableName(), F(ULOG_DB_SORT_INDEX), ds.GetSortIndex(), F(ULOG_DB_GROUP_ID), ds.GetGroupID(),
        F(ULOG_DB_PARENT_ID), ds.GetParentID(), F(ULOG_DB_START_TIME), ds.GetStartTime(), F(ULOG_DB_END_TIME),
        ds.GetEndTime(), F(ULOG_DB_WIFI_TIME), ds.GetWiFiTotalTime(), F(ULOG_DB_GSM_TIME),
        ds.GetGsmTotalTime(), F(ULOG_DB_LOG_TYPE), (int)ds.GetLogType(), F(ULOG_DB_CALL_TYPE),
        (int)ds.GetCallType(), F(ULOG_DB_LINE_TYPE), (int)ds.GetLineType(), F(ULOG_DB_PHONE_TYPE),
        (int)ds.GetPhoneType(), F(ULOG_DB_STORAGE_TYPE), (int)ds.GetStorageType(), F(ULOG_DB_CALL_COST),
        ds.GetCallCost(), F(ULOG_DB_CT_PID), ds.GetCtPid(), F(ULOG_DB_CT_DATA_ID), ds.GetCtDataId(),
        F(ULOG_DB_CT_FDN_ID), ds.GetCtFdnId(), F(ULOG_DB_MY_ACCOUNT_ID), ds.GetMyAccountId(),
        F(ULOG_DB_SN_COUNT), ds.GetDuplLogCount(), F(ULOG_DB_STAGE_TYPE),
        (int)ds.Get2StageDialingInfo()->iAddressType, F(ULOG_DB_IS_VIDEO_SHARE), (int)ds.IsCnapLog(),
        F(ULOG_DB_IS_CNAP), (int)ds.IsVideoShareLog(), F(ULOG_DB_IS_UNCHECKED_YET), (int)ds.IsUncheckedYet(),
        F(ULOG_DB_IS_TEMP_LOG), (int)ds.IsTemporary(), F(ULOG_DB_ALIAS_ADDRESS), q.alias.Get(),
        F(ULOG_DB_BASIC_NUMBER), q.basic.Get(), F(ULOG_DB_FIRST_NAME), q.first.Get(), F(ULOG_DB_LAST_NAME),
        q.last.Get(), F(ULOG_DB_CALLER_ID), q.callerId.Get(), F(ULOG_DB_MSG_LOG_TYPE), ds.GetMsgLogType(),
        F(ULOG_DB_MSG_LOG_ID), ds.GetMsgLogID(), F(ULOG_DB_EMAIL_NAME), q.emailName.Get(),
        F(ULOG_DB_EMAIL_ADDRESS), F(ULOG_DB_LOG_NAME), F(ULOG_DB_LOG_NUMBER), F(ULOG_DB_LOG_SUBJECT),
        F(ULOG_DB_LOG_CONTENT_BODY), F(ULOG_DB_CONTENT_ID), ds.GetContentId(), F(ULOG_DB_LOG_SOURCE_TYPE),
        (int)ds.GetSourceType(), F(ULOG_DB_ACCOUNT_EMAIL_ADDRESS), q.accountEmail.Get(),
        F(ULOG_DB_ACCOUNT_ID), ds.GetAccountId(), F(ULOG_DB_SYNC_ID), q.syncId.Get(),
        F(ULOG_DB_SNS_PERSON_ID), q.snsPersonId.Get(), F(ULOG_DB_SP_INFO), nSpInfo,
        F(ULOG_DB_IP_CALL_DIGIT_COUNT), ds.GetIPCallDigitCount(), F(ULOG_DB_ULOG_DB_INDEX), ds.GetUniqueID());

    const HOBJ hStmt = Db2StmtCreate(szQuery);
    if (hStmt == -1)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::Update: query(%s) failed or there is no data to change.\n",
                       szQuery);
        return 0;
    }
    BindLogTexts(Db2StmtGetBindParamFields(hStmt), Db2StmtGetBindParamCount(hStmt), 0, ds);
    const int nResult = ExecuteWrite(hStmt);
    if (nResult < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::Update: query(%s) failed or there is no data to change.\n",
                       szQuery);
        return 0;
    }
    if (nResult == 0)
    {
        // No row has the log's id: nothing was written.
        SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogDB::Update: no row %d to change.\n", ds.GetUniqueID());
        return 0;
    }
    return 1;
}

BOOL CUlogDB::UpdateUncheckedStatus(const IUlogSvcFilter& filter, int nValue)
{
    const int nWhere = (nValue == 0) ? 1 : 0;
    const std::string strFilter = filter.GetFilter();
    char szQuery[QUERY_SIZE] = {0};
    if (strFilter.empty())
    {
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "update %s set %s = %d where %s = %d",
                     GetTableName(), GetFieldName(ULOG_DB_IS_UNCHECKED_YET), nValue,
                     GetFieldName(ULOG_DB_IS_UNCHECKED_YET), nWhere);
    }
    else
    {
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__,
                     "update %s set %s =%d where %s = %d and %s", GetTableName(),
                     GetFieldName(ULOG_DB_IS_UNCHECKED_YET), nValue, GetFieldName(ULOG_DB_IS_UNCHECKED_YET),
                     nWhere, strFilter.c_str());
    }
    /* A condition with "?" marks runs with the filter's arguments bound. */
    const std::vector<unsigned short*> args = filter.GetFilterArg();
    int nResult = 0;
    if (!strFilter.empty() && !args.empty())
    {
        nResult = UlogDbColumns::RunBound(szQuery, args);
    }
    else
    {
        nResult = Db2QueryEx(szQuery);
        Db2ClearRow();
    }
    if (nResult < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::UpdateUncheckedStatus() : QUERY (%s)ERROR \n", szQuery);
        return 0;
    }
    if (nResult == 0)
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogDB::UpdateUncheckedStatus() : Nothing to update. \n");
        return 0;
    }
    return 1;
}

int CUlogDB::__UpdateNameByVoicemail(const char* pszFunc, const char* pszQuery, const CUlog& log)
{
    const HOBJ hStmt = Db2StmtCreate(pszQuery);
    if (hStmt == -1)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: Query Error!! Fail to update data!\n", pszFunc);
        return 0;
    }
    WCHAR mszName[310] = {0};
    WmConvert2PCode(mszName, 310, log.GetDisplayName());
    BindWide(Db2StmtGetBindParamFields(hStmt), Db2StmtGetBindParamCount(hStmt), 0, mszName, 309);
    const int nResult = ExecuteWrite(hStmt);
    if (nResult < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: Query Error!! Fail to update data!\n", pszFunc);
        return 0;
    }
    if (nResult == 0)
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, "%s : Nothing to update. \n", pszFunc);
        return 0;
    }
    return 1;
}

BOOL CUlogDB::UpdateNameByVoicemailByLogType(CUlog& log)
{
    const CUlogSvcDataSet ds(log);
    CQuotedText basic, callerId;
    if (!ULOG_REQUIRE_T(basic.Prepare(ds.GetBasicNumber(), UlogDbColumns::s_aColumns[25].nSize),
                        "pszBasicNumber != NULL") ||
        !ULOG_REQUIRE_T(callerId.Prepare(ds.GetCallerIdPath(), UlogDbColumns::s_aColumns[28].nSize),
                        "pszCallerId != NULL"))
    {
        return 0;
    }
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(
        szQuery, sizeof(szQuery), __FILE__, __LINE__,
        "update %s set %s = %d, %s = %d, %s = %d, %s = '', %s = '', %s = ?, %s = '%s' where %s = '%s' and "
        "%s = %d",
        GetTableName(), GetFieldName(ULOG_DB_PHONE_TYPE), (int)ds.GetPhoneType(),
        GetFieldName(ULOG_DB_CT_PID), ds.GetCtPid(), GetFieldName(ULOG_DB_STORAGE_TYPE),
        (int)ds.GetStorageType(), GetFieldName(ULOG_DB_FIRST_NAME), GetFieldName(ULOG_DB_LAST_NAME),
        GetFieldName(ULOG_DB_LOG_NAME), GetFieldName(ULOG_DB_CALLER_ID), callerId.Get(),
        GetFieldName(ULOG_DB_BASIC_NUMBER), basic.Get(), GetFieldName(ULOG_DB_LOG_TYPE),
        (int)ds.GetLogType());
    return __UpdateNameByVoicemail("CUlogDB::UpdateNameByVoicemailByLogType", szQuery, log);
}

BOOL CUlogDB::UpdateNameByVoicemail(CUlog& log)
{
    const CUlogSvcDataSet ds(log);
    CQuotedText basic;
    if (!ULOG_REQUIRE_T(basic.Prepare(ds.GetBasicNumber(), UlogDbColumns::s_aColumns[25].nSize),
                        "pszBasicNumber != NULL"))
    {
        return 0;
    }
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__,
                 "update %s set %s = %d, %s = %d, %s = %d, %s = '', %s = '', %s = ?, %s = '' where %s = '%s'",
                 GetTableName(), GetFieldName(ULOG_DB_PHONE_TYPE), -1, GetFieldName(ULOG_DB_CT_PID), 0,
                 GetFieldName(ULOG_DB_STORAGE_TYPE), 0, GetFieldName(ULOG_DB_FIRST_NAME),
                 GetFieldName(ULOG_DB_LAST_NAME), GetFieldName(ULOG_DB_LOG_NAME),
                 GetFieldName(ULOG_DB_CALLER_ID), GetFieldName(ULOG_DB_BASIC_NUMBER), basic.Get());
    return __UpdateNameByVoicemail("CUlogDB::UpdateNameByVoicemail", szQuery, log);
}

BOOL CUlogDB::Delete(int nUniqueId)
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "delete from %s where %s = %d", GetTableName(),
                 GetFieldName(ULOG_DB_ULOG_DB_INDEX), nUniqueId);
    const int nResult = Db2QueryEx(szQuery);
    Db2ClearRow();
    if (nResult < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::Delete: delete failed(LastError 0x%X)\n", SysGetLastError());
        return 0;
    }
    if (nResult == 0)
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogDB::Delete : Nothing to delete. \n");
        return 0;
    }
    return 1;
}

BOOL CUlogDB::DeleteAll(int nLogType)
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "delete from %s where %s = %d", GetTableName(),
                 GetFieldName(ULOG_DB_LOG_TYPE), nLogType);
    const int nResult = Db2QueryEx(szQuery);
    Db2ClearRow();
    if (nResult < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::DeleteAll: Db2QueryEx failed!\n");
        return 0;
    }
    if (nResult == 0)
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogDB::DeleteAll : Nothing to delete. \n");
        return 0;
    }
    return 1;
}

BOOL CUlogDB::DeleteAll()
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "truncate table %s", GetTableName());
    const int nResult = Db2QueryEx(szQuery);
    Db2ClearRow();
    if (nResult == -1)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::DeleteAll: Db2QueryEx failed!\n");
        return 0;
    }
    return 1;
}

BOOL CUlogDB::GetNextRecord(CUlogSvcDataSet& dataSet)
{
    if (Db2GetNextRow() < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::GetNextRecord: Db2GetNextRow() failed!\n");
        return 0;
    }
    CopyDataFromDB(dataSet);
    return 1;
}

BOOL CUlogDB::GetNextRecord(HOBJ hStmt, CUlogSvcDataSet& dataSet, int nFirstColumn)
{
    if (!ULOG_REQUIRE(hStmt != INVALID_HOBJ))
    {
        return 0;
    }
    if (Db2StmtGetNextRow(hStmt) < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::GetNextRecord: Db2GetNextRow() failed!\n");
        return 0;
    }
    CopyDataFromDB(hStmt, dataSet, nFirstColumn);
    return 1;
}

BOOL CUlogDB::CopyDataFromDB(CUlogSvcDataSet& dataSet)
{
    for (int nPos = 0; nPos < UlogDbColumns::COLUMN_CNT; nPos++)
    {
        if (nPos == ULOG_DB_DUMMY_STRING)
        {
            continue;
        }
        const char* pszColumn = Db2GetColumn(nPos);
        if (UlogDbColumns::IsNarrowTextPosition(nPos))
        {
            if (!ULOG_REQUIRE(pszColumn != NULL))
            {
                return 0;
            }
            SetNarrowField(dataSet, nPos, pszColumn);
        }
        else if (UlogDbColumns::IsWideTextPosition(nPos))
        {
            SetWideField(dataSet, nPos, pszColumn != NULL ? (const WCHAR*)pszColumn : s_mszEmpty);
        }
        else if (nPos >= 4 && nPos <= 7)
        {
            SetNumberField(dataSet, nPos, TextToTime(pszColumn));
        }
        else
        {
            SetNumberField(dataSet, nPos, AcAtoi(pszColumn));
        }
    }
    return 1;
}

BOOL CUlogDB::CopyDataFromDB(HOBJ hStmt, CUlogSvcDataSet& dataSet, int nFirstColumn)
{
    if (hStmt == INVALID_HOBJ)
    {
        return 0;
    }
    Db2BindField* pBind = Db2StmtGetBindResFields(hStmt);
    if (!ULOG_REQUIRE(pBind != NULL))
    {
        return 0;
    }
    /* A result narrower than the table would be read past its slots. */
    if (!ULOG_REQUIRE(Db2StmtGetBindResCount(hStmt) >= nFirstColumn + UlogDbColumns::COLUMN_CNT))
    {
        return 0;
    }
    for (int nPos = 0; nPos < UlogDbColumns::COLUMN_CNT; nPos++)
    {
        if (nPos == ULOG_DB_DUMMY_STRING)
        {
            continue;
        }
        const Db2BindField& field = pBind[nFirstColumn + nPos];
        if (UlogDbColumns::IsNarrowTextPosition(nPos))
        {
            if (field.nIndicator == 0 && field.pData != NULL && field.nType == DB2_FIELD_TEXT)
            {
                SetNarrowField(dataSet, nPos, (const char*)field.pData);
            }
        }
        else if (UlogDbColumns::IsWideTextPosition(nPos))
        {
            if (field.nIndicator == 0 && field.pData != NULL && field.nType == DB2_FIELD_WTEXT)
            {
                SetWideField(dataSet, nPos, (const WCHAR*)field.pData);
            }
        }
        else
        {
            SetNumberField(dataSet, nPos, SlotToInt64(field));
        }
    }
    return 1;
}

int CUlogDB::GetCount(const IUlogSvcFilter& filter)
{
    const std::string strFilter = filter.GetFilter();
    char szQuery[QUERY_SIZE] = {0};
    if (strFilter.empty())
    {
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select count(%s) from %s",
                     GetFieldName(ULOG_DB_ULOG_DB_INDEX), GetTableName());
    }
    else
    {
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select count(%s) from %s where %s",
                     GetFieldName(ULOG_DB_ULOG_DB_INDEX), GetTableName(), strFilter.c_str());
    }
    int nCount = 0;
    const std::vector<unsigned short*> args = filter.GetFilterArg();
    if (!strFilter.empty() && !args.empty())
    {
        long long nValue = 0;
        bool bValue = false;
        nCount = UlogDbColumns::RunBound(szQuery, args, &nValue, &bValue);
        if (nCount >= 0)
        {
            nCount = bValue ? (int)nValue : 0;
        }
    }
    else
    {
        nCount = Db2QueryRecordCount(szQuery);
    }
    if (nCount < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::GetCount: nCount (%d) !\n", nCount);
        return -1;
    }
    return nCount;
}

double CUlogDB::__GetAggregate(const char* pszFunc, const char* pszAggregate, int nFieldId)
{
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select %s(%s) from %s", pszAggregate,
                 GetFieldName(nFieldId), GetTableName());
    CResultGuard guard;
    if (Db2QueryEx(szQuery) < 1)
    {
        return 0;
    }
    if (Db2GetNextRow() < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: Db2GetNextRow() failed!\n", pszFunc);
        return 0;
    }
    const char* pszColumn = Db2GetColumn(0);
    return IsEmptyText(pszColumn) ? 0 : AcAtof(pszColumn);
}

double CUlogDB::GetSum(int nFieldId)
{
    return __GetAggregate("CUlogDB::GetSum", "sum", nFieldId);
}

double CUlogDB::GetAverage(int nFieldId)
{
    return __GetAggregate("CUlogDB::GetAverage", "avg", nFieldId);
}

int CUlogDB::GetUnusedDbIndex()
{
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select max(%s) from %s",
                 GetFieldName(ULOG_DB_ULOG_DB_INDEX), GetTableName());
    CResultGuard guard;
    const int nRows = Db2QueryEx(szQuery);
    if (nRows < 0)
    {
        /* A failed query must not hand out an id that may already be taken. */
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::GetUnusedDbIndex: query(%s) failed!\n", szQuery);
        return ULOG_INVALID_DB_INDEX;
    }
    if (nRows == 0)
    {
        return 0;
    }
    if (Db2GetNextRow() < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::GetUnusedDbIndex: Db2GetNextRow() failed!\n");
        return -1;
    }
    const char* pszColumn = Db2GetColumn(0);
    return (IsEmptyText(pszColumn) ? 0 : AcAtoi(pszColumn)) + 1;
}

/* The single value of a max/min query on the sort index: 0 for no row or no value, -1 when stepping
 * fails. An empty table gives SQL NULL, which counts as no value. */
int CUlogDB::__GetSortIndex(const char* pszFunc, const char* pszQuery,
                            const std::vector<unsigned short*>& args)
{
    if (!args.empty())
    {
        long long nValue = 0;
        bool bValue = false;
        const int nRows = UlogDbColumns::RunBound(pszQuery, args, &nValue, &bValue);
        if (nRows < 1)
        {
            SysDebugPrintf(ULOG_DBG_DETAIL, "%s: query(%s) return rows: %d!\n", pszFunc, pszQuery, nRows);
            return 0;
        }
        return bValue ? (int)nValue : 0;
    }
    CResultGuard guard;
    const int nRows = Db2QueryEx(pszQuery);
    if (nRows < 1)
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, "%s: query(%s) return rows: %d!\n", pszFunc, pszQuery, nRows);
        return 0;
    }
    if (Db2GetNextRow() < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: Db2GetNextRow() failed!\n", pszFunc);
        return -1;
    }
    const char* pszColumn = Db2GetColumn(0);
    return IsEmptyText(pszColumn) ? 0 : AcAtoi(pszColumn);
}

int CUlogDB::GetMaxSortIndex()
{
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select max(%s) from %s",
                 GetFieldName(ULOG_DB_SORT_INDEX), GetTableName());
    return __GetSortIndex("CUlogDB::GetMaxSortIndex", szQuery, {});
}

int CUlogDB::GetMinSortIndex()
{
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select min(%s) from %s",
                 GetFieldName(ULOG_DB_SORT_INDEX), GetTableName());
    return __GetSortIndex("CUlogDB::GetMinSortIndex", szQuery, {});
}

int CUlogDB::GetMaxSortIndex(int nLogType)
{
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select max(%s) from %s where %s = %d",
                 GetFieldName(ULOG_DB_SORT_INDEX), GetTableName(), GetFieldName(ULOG_DB_LOG_TYPE), nLogType);
    return __GetSortIndex("CUlogDB::GetMaxSortIndex", szQuery, {});
}

int CUlogDB::GetMinSortIndex(int nLogType)
{
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select min(%s) from %s where %s = %d",
                 GetFieldName(ULOG_DB_SORT_INDEX), GetTableName(), GetFieldName(ULOG_DB_LOG_TYPE), nLogType);
    return __GetSortIndex("CUlogDB::GetMinSortIndex", szQuery, {});
}

int CUlogDB::GetMaxSortIndex(const IUlogSvcFilter& filter)
{
    const std::string strFilter = filter.GetFilter();
    char szQuery[QUERY_SIZE] = {0};
    if (strFilter.empty())
    {
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select max(%s) from %s",
                     GetFieldName(ULOG_DB_SORT_INDEX), GetTableName());
    }
    else
    {
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select max(%s) from %s where %s",
                     GetFieldName(ULOG_DB_SORT_INDEX), GetTableName(), strFilter.c_str());
    }
    return __GetSortIndex("CUlogDB::GetMaxSortIndex", szQuery,
                          strFilter.empty() ? std::vector<unsigned short*>() : filter.GetFilterArg());
}

int CUlogDB::GetMinSortIndex(const IUlogSvcFilter& filter)
{
    const std::string strFilter = filter.GetFilter();
    char szQuery[QUERY_SIZE] = {0};
    if (strFilter.empty())
    {
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select min(%s) from %s",
                     GetFieldName(ULOG_DB_SORT_INDEX), GetTableName());
    }
    else
    {
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select min(%s) from %s where %s",
                     GetFieldName(ULOG_DB_SORT_INDEX), GetTableName(), strFilter.c_str());
    }
    return __GetSortIndex("CUlogDB::GetMinSortIndex", szQuery,
                          strFilter.empty() ? std::vector<unsigned short*>() : filter.GetFilterArg());
}

int CUlogDB::GetMaxGroupID()
{
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select max(%s) from %s",
                 GetFieldName(ULOG_DB_GROUP_ID), GetTableName());
    CResultGuard guard;
    if (Db2QueryEx(szQuery) < 1)
    {
        return -1;
    }
    if (Db2GetNextRow() < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogDB::GetMaxGroupID: Db2GetNextRow() failed!\n");
        return -1;
    }
    const char* pszColumn = Db2GetColumn(0);
    return IsEmptyText(pszColumn) ? 0 : AcAtoi(pszColumn);
}

BOOL CUlogDB::__GetMaxMin(const char* pszAggregate, int nFieldId, int* pnValue)
{
    if (!ULOG_REQUIRE(pnValue != NULL))
    {
        return 0;
    }
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, "select %s(%s) from %s", pszAggregate,
                 GetFieldName(nFieldId), GetTableName());
    CResultGuard guard;
    if (Db2QueryEx(szQuery) < 1 || Db2GetNextRow() < 0)
    {
        return 0;
    }
    *pnValue = AcAtoi(Db2GetColumn(0));
    return 1;
}

BOOL CUlogDB::GetMax(int nFieldId, int* pnValue)
{
    return __GetMaxMin("max", nFieldId, pnValue);
}

BOOL CUlogDB::GetMin(int nFieldId, int* pnValue)
{
    return __GetMaxMin("min", nFieldId, pnValue);
}
