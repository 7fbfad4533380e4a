#define ULOG_SRC_MODULE "UlogSvcDbMgr/UlogDB"
#include "UlogSvcDbMgr/UlogDbColumns.h"

#include "UlogSvcDbMgr/CUlogDbBatch.h"

#include <array>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "H/UlogSvcDef.h"
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"
#include "UlogSvcDbMgr/UlogDbQuery.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogSnsLog.h"
#include "UlogSvcUtil/CUlogSvcUtil.h"

namespace UlogDbColumns
{
namespace
{
using DS = CUlogSvcDataSet;

template <class T> struct SetterArg;
template <class A> struct SetterArg<void (DS::*)(A)>
{
    using Type = A;
};

/* Accessors of the data set's plain fields: numbers cross as 32-bit values, enumerations and flags
 * included, so a stored value reads back as the same bits. */
template <auto pfnGet> long long GetNumber(const DS& ds, const CUlog& /*log*/)
{
    return static_cast<long long>((ds.*pfnGet)());
}
template <auto pfnSet> void SetNumber(DS& ds, long long nValue)
{
    using A = typename SetterArg<decltype(pfnSet)>::Type;
    (ds.*pfnSet)(static_cast<A>(static_cast<int>(nValue)));
}
template <auto pfnGet> auto GetText(const DS& ds)
{
    return (ds.*pfnGet)();
}
template <auto pfnSet, class T> void SetText(DS& ds, const T* pValue)
{
    (ds.*pfnSet)(pValue);
}

constexpr Column Number(const char* pszName, const char* pszType, int nFieldId, ColumnKind iKind,
                        long long (*pfnGet)(const DS&, const CUlog&), void (*pfnSet)(DS&, long long))
{
    return Column{
        pszName, pszType, 0, nFieldId, iKind, nullptr, {pfnGet, pfnSet, nullptr, nullptr, nullptr, nullptr}};
}
constexpr Column Text(const char* pszName, int nSize, int nFieldId, const char* (*pfnGet)(const DS&),
                      void (*pfnSet)(DS&, const char*), const char* pszQuoteRequire)
{
    return Column{pszName,
                  "varchar",
                  nSize,
                  nFieldId,
                  COLUMN_TEXT,
                  pszQuoteRequire,
                  {nullptr, nullptr, pfnGet, pfnSet, nullptr, nullptr}};
}
constexpr Column WText(const char* pszName, int nSize, int nFieldId, const WCHAR* (*pfnGet)(const DS&),
                       void (*pfnSet)(DS&, const WCHAR*))
{
    return Column{pszName,
                  "nvarchar",
                  nSize,
                  nFieldId,
                  COLUMN_WTEXT,
                  nullptr,
                  {nullptr, nullptr, nullptr, nullptr, pfnGet, pfnSet}};
}

#define ULOG_NUMBER(name, type, id, kind, get, set)                                                          \
    Number(name, type, id, kind, &GetNumber<&DS::get>, &SetNumber<&DS::set>)
#define ULOG_TEXT(name, size, id, get, set, require)                                                         \
    Text(name, size, id, &GetText<&DS::get>, &SetText<&DS::set, char>, require)
#define ULOG_WTEXT(name, size, id, get, set)                                                                 \
    WText(name, size, id, &GetText<&DS::get>, &SetText<&DS::set, WCHAR>)

/* Service-provider value: the SNS one for an SNS log, the plain one for any other. */
long long GetSpInfo(const DS& ds, const CUlog& log)
{
    const CUlogSnsLog snsLog;
    return log.IsTypeEqual(snsLog) ? ds.GetSnsSpInfo() : ds.GetSpInfo();
}
void SetSpInfo(DS& ds, long long nValue)
{
    ds.SetSnsSpInfo(static_cast<int>(nValue));
    ds.SetSpInfo(static_cast<int>(nValue));
}
long long Get2StageType(const DS& ds, const CUlog& /*log*/)
{
    return static_cast<int>(ds.Get2StageDialingInfo()->iAddressType);
}
const char* Get2StageAliasAddress(const DS& ds)
{
    return ds.Get2StageDialingInfo()->aliasAddress;
}
} // namespace

constexpr Column s_aColumns[COLUMN_CNT] = {
    ULOG_NUMBER("clogdbindex", "int primary key", ULOG_DB_ULOG_DB_INDEX, COLUMN_NUMBER, GetUniqueID,
                SetUniqueID),
    ULOG_NUMBER("sortindex", "int", ULOG_DB_SORT_INDEX, COLUMN_NUMBER, GetSortIndex, SetSortIndex),
    ULOG_NUMBER("groupid", "int", ULOG_DB_GROUP_ID, COLUMN_NUMBER, GetGroupID, SetGroupID),
    ULOG_NUMBER("parentid", "int", ULOG_DB_PARENT_ID, COLUMN_NUMBER, GetParentID, SetParentID),
    ULOG_NUMBER("starttime", "bigint", ULOG_DB_START_TIME, COLUMN_TIME, GetStartTime, SetStartTime),
    ULOG_NUMBER("endtime", "bigint", ULOG_DB_END_TIME, COLUMN_TIME, GetEndTime, SetEndTime),
    ULOG_NUMBER("wifitime", "bigint", ULOG_DB_WIFI_TIME, COLUMN_TIME, GetWiFiTotalTime, SetWiFiTotalTime),
    ULOG_NUMBER("gsmtime", "bigint", ULOG_DB_GSM_TIME, COLUMN_TIME, GetGsmTotalTime, SetGsmTotalTime),
    ULOG_NUMBER("logtype", "int", ULOG_DB_LOG_TYPE, COLUMN_NUMBER, GetLogType, SetLogType),
    ULOG_NUMBER("calltype", "int", ULOG_DB_CALL_TYPE, COLUMN_NUMBER, GetCallType, SetCallType),
    ULOG_NUMBER("linetype", "int", ULOG_DB_LINE_TYPE, COLUMN_NUMBER, GetLineType, SetLineType),
    ULOG_NUMBER("phonetype", "int", ULOG_DB_PHONE_TYPE, COLUMN_NUMBER, GetPhoneType, SetPhoneType),
    ULOG_NUMBER("storagetype", "int", ULOG_DB_STORAGE_TYPE, COLUMN_NUMBER, GetStorageType, SetStorageType),
    ULOG_NUMBER("callcost", "int", ULOG_DB_CALL_COST, COLUMN_NUMBER, GetCallCost, SetCallCost),
    ULOG_NUMBER("ctprimaryid", "int", ULOG_DB_CT_PID, COLUMN_NUMBER, GetCtPid, SetCtPid),
    ULOG_NUMBER("ctdataid", "int", ULOG_DB_CT_DATA_ID, COLUMN_NUMBER, GetCtDataId, SetCtDataId),
    ULOG_NUMBER("ctfdnid", "int", ULOG_DB_CT_FDN_ID, COLUMN_NUMBER, GetCtFdnId, SetCtFdnId),
    ULOG_NUMBER("myaccountid", "int", ULOG_DB_MY_ACCOUNT_ID, COLUMN_NUMBER, GetMyAccountId, SetMyAccountId),
    ULOG_NUMBER("sncount", "int", ULOG_DB_SN_COUNT, COLUMN_NUMBER, GetDuplLogCount, SetDuplLogCount),
    Number("stagetype", "int", ULOG_DB_STAGE_TYPE, COLUMN_NUMBER, &Get2StageType,
           &SetNumber<&DS::Set2StageType>),
    /* The flag columns hold the flag opposite to their names. */
    ULOG_NUMBER("isvideoshare", "tinyint", ULOG_DB_IS_VIDEO_SHARE, COLUMN_FLAG, IsCnapLog, SetCnapLog),
    ULOG_NUMBER("iscnap", "tinyint", ULOG_DB_IS_CNAP, COLUMN_FLAG, IsVideoShareLog, SetVideoShareLog),
    ULOG_NUMBER("isuncheckedyet", "tinyint", ULOG_DB_IS_UNCHECKED_YET, COLUMN_FLAG, IsUncheckedYet,
                SetCheckStatus),
    ULOG_NUMBER("istemplog", "tinyint", ULOG_DB_IS_TEMP_LOG, COLUMN_FLAG, IsTemporary, SetTemporary),
    Text("aliasaddress", 129, ULOG_DB_ALIAS_ADDRESS, &Get2StageAliasAddress,
         &SetText<&DS::Set2StageAliasAddress, char>, "pszAliasAddress != NULL"),
    ULOG_TEXT("basicnumber", 81, ULOG_DB_BASIC_NUMBER, GetBasicNumber, SetBasicNumber,
              "pszBasicNumber != NULL"),
    ULOG_TEXT("firstname", 310, ULOG_DB_FIRST_NAME, GetFirstName, SetFirstName, "pszFirstName != NULL"),
    ULOG_TEXT("lastname", 310, ULOG_DB_LAST_NAME, GetLastName, SetLastName, "pszLastName != NULL"),
    ULOG_TEXT("callerid", 772, ULOG_DB_CALLER_ID, GetCallerIdPath, SetCallerIdPath, "pszCallerId != NULL"),
    /* No record field: written as an empty text, never read. */
    WText("dummystring", 103, ULOG_DB_DUMMY_STRING, nullptr, nullptr),
    ULOG_NUMBER("msglogtype", "int", ULOG_DB_MSG_LOG_TYPE, COLUMN_NUMBER, GetMsgLogType, SetMsgLogType),
    ULOG_NUMBER("msglogid", "int", ULOG_DB_MSG_LOG_ID, COLUMN_NUMBER, GetMsgLogID, SetMsgLogID),
    ULOG_TEXT("emailname", 301, ULOG_DB_EMAIL_NAME, GetEmailDisplayName, SetEmailDisplayName,
              "pszEmailName != NULL"),
    ULOG_WTEXT("emailaddress", 301, ULOG_DB_EMAIL_ADDRESS, GetEmailAddress, SetEmailAddress),
    ULOG_WTEXT("logname", 310, ULOG_DB_LOG_NAME, GetDisplayName, SetDisplayName),
    ULOG_WTEXT("lognumber", 81, ULOG_DB_LOG_NUMBER, GetNumber, SetNumber),
    ULOG_WTEXT("logsubject", 101, ULOG_DB_LOG_SUBJECT, GetSubject, SetSubject),
    ULOG_WTEXT("logcontentbody", 101, ULOG_DB_LOG_CONTENT_BODY, GetBody, SetBody),
    ULOG_NUMBER("contentid", "int", ULOG_DB_CONTENT_ID, COLUMN_NUMBER, GetContentId, SetContentId),
    ULOG_NUMBER("logsourcetype", "int", ULOG_DB_LOG_SOURCE_TYPE, COLUMN_NUMBER, GetSourceType, SetSourceType),
    ULOG_TEXT("accountemailaddress", 301, ULOG_DB_ACCOUNT_EMAIL_ADDRESS, GetAccountEmailAddress,
              SetAccountEmailAddress, "pszAccountEmailAddress != NULL"),
    ULOG_NUMBER("accountid", "int", ULOG_DB_ACCOUNT_ID, COLUMN_NUMBER, GetAccountId, SetAccountId),
    ULOG_TEXT("syncid", 100, ULOG_DB_SYNC_ID, GetSyncId, SetSyncId, "pszSyncId != NULL"),
    ULOG_TEXT("snspersonid", 100, ULOG_DB_SNS_PERSON_ID, GetSnsPersonId, SetSnsPersonId,
              "pszSnsPersonId != NULL"),
    /* Written from the provider value of the log's kind, read back into both. */
    Number("spinfo", "int", ULOG_DB_SP_INFO, COLUMN_NUMBER, &GetSpInfo, &SetSpInfo),
    ULOG_NUMBER("ipcalldigitcount", "int", ULOG_DB_IP_CALL_DIGIT_COUNT, COLUMN_NUMBER, GetIPCallDigitCount,
                SetIPCallDigitCount),
};

#undef ULOG_NUMBER
#undef ULOG_TEXT
#undef ULOG_WTEXT

namespace
{
constexpr std::array<int, COLUMN_CNT> MakePositionsOfFields()
{
    std::array<int, COLUMN_CNT> anPosition{};
    for (int& nPos : anPosition)
    {
        nPos = -1;
    }
    for (int nPos = 0; nPos < COLUMN_CNT; nPos++)
    {
        anPosition[s_aColumns[nPos].nFieldId] = nPos;
    }
    return anPosition;
}
constexpr std::array<int, COLUMN_CNT> s_anPositionOfField = MakePositionsOfFields();

constexpr bool IsWellFormed()
{
    for (int nFieldId = 0; nFieldId < COLUMN_CNT; nFieldId++)
    {
        if (s_anPositionOfField[nFieldId] < 0)
        {
            return false; /* two columns with one identifier */
        }
    }
    for (const Column& column : s_aColumns)
    {
        if ((column.nSize > 0) != column.IsText())
        {
            return false; /* text columns have a size, number columns none */
        }
        if ((column.iKind == COLUMN_TEXT) != (column.pszQuoteRequire != nullptr))
        {
            return false;
        }
    }
    return true;
}
static_assert(IsWellFormed(),
              "every field identifier names one column; text columns, and only they, have sizes");
} // namespace

int PositionOfField(int nFieldId)
{
    return s_anPositionOfField[nFieldId];
}

int FormatCreateTable(char* pszQuery, int nQuerySize, const char* pszFormat, const char* pszTableName)
{
    std::vector<KivArg> args;
    args.push_back(kiv::MakeArg(pszTableName));
    for (const Column& column : s_aColumns)
    {
        args.push_back(kiv::MakeArg(column.pszName));
        args.push_back(kiv::MakeArg(column.pszType));
        if (column.nSize != 0)
        {
            args.push_back(kiv::MakeArg(column.nSize));
        }
    }
    return AcSprintfSExV(pszQuery, (size_t)nQuerySize, __FILE__, __LINE__, pszFormat, args.data(),
                         (int)args.size());
}

namespace
{
/* Runs the index's create statement; the engine's result (-1 on failure). */
int CreateOneIndex(const char* pszTableName, const IndexDef& idx)
{
    int nResult = -1;
    if (idx.nKeyCnt == 1)
    {
        nResult = Db2QueryEx("create index %s on %s (%s %s)", idx.pszName, pszTableName, idx.apszKey[0][0],
                             idx.apszKey[0][1]);
    }
    else if (idx.nKeyCnt == 2)
    {
        nResult = Db2QueryEx("create index %s on %s (%s %s, %s %s)", idx.pszName, pszTableName,
                             idx.apszKey[0][0], idx.apszKey[0][1], idx.apszKey[1][0], idx.apszKey[1][1]);
    }
    else
    {
        nResult = Db2QueryEx("create index %s on %s (%s %s, %s %s, %s %s)", idx.pszName, pszTableName,
                             idx.apszKey[0][0], idx.apszKey[0][1], idx.apszKey[1][0], idx.apszKey[1][1],
                             idx.apszKey[2][0], idx.apszKey[2][1]);
    }
    Db2ClearRow();
    return nResult;
}

std::string Lower(const char* psz)
{
    std::string str(psz != nullptr ? psz : "");
    for (char& c : str)
    {
        if (c >= 'A' && c <= 'Z')
        {
            c = (char)(c - 'A' + 'a');
        }
    }
    return str;
}
} // namespace

int CreateIndexes(const char* pszTableName, const IndexDef* pIndexes, int nIndexCnt,
                  const char* pszSummaryPrefix)
{
    std::string strSummary;
    for (int i = 0; i < nIndexCnt; i++)
    {
        const IndexDef& idx = pIndexes[i];
        if (CreateOneIndex(pszTableName, idx) == -1)
        {
            SysDebugPrintf(ULOG_DBG_DETAIL, idx.pszFailMsg);
            return 0;
        }
        if (!strSummary.empty())
        {
            strSummary += ", ";
        }
        strSummary += idx.pszName;
    }
    SysDebugPrintf(ULOG_DBG_DETAIL, "%s: created (%s)\n", pszSummaryPrefix, strSummary.c_str());
    return 1;
}

int CreateMissingIndexes(const char* pszTableName, const IndexDef* pIndexes, int nIndexCnt,
                         const char* pszFunc)
{
    // One process at a time: another one starting at the same moment waits, then finds the indexes
    // this one created instead of failing to create them again.
    CUlogDbBatch batch;
    if (!batch.IsOpen())
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: the indexes of %s cannot be checked now\n", pszFunc, pszTableName);
        return -1;
    }
    std::set<std::string> existing;
    {
        char szQuery[256] = {0};
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__,
                     "select name from sqlite_master where type = 'index' and tbl_name = '%s'", pszTableName);
        UlogDbQuery::CRowReader reader;
        if (reader.Open(szQuery, std::vector<unsigned short*>()) < 0)
        {
            SysDebugPrintf(ULOG_DBG_FAIL, "%s: the indexes of %s cannot be read\n", pszFunc, pszTableName);
            return -1;
        }
        while (reader.Next() == 0)
        {
            existing.insert(Lower(reader.Column(0)));
        }
    }
    int nCreated = 0;
    bool bFailed = false;
    std::string strSummary;
    for (int i = 0; i < nIndexCnt; i++)
    {
        const IndexDef& idx = pIndexes[i];
        if (existing.count(Lower(idx.pszName)) != 0)
        {
            continue;
        }
        if (CreateOneIndex(pszTableName, idx) == -1)
        {
            SysDebugPrintf(ULOG_DBG_DETAIL, idx.pszFailMsg);
            SysDebugPrintf(ULOG_DBG_FAIL, "%s: the missing index %s could not be created\n", pszFunc,
                           idx.pszName);
            bFailed = true;
            continue;
        }
        ++nCreated;
        strSummary += (strSummary.empty() ? "" : ", ") + std::string(idx.pszName);
    }
    if (nCreated > 0)
    {
        SysDebugPrintf(ULOG_DBG_PROGRESS, "%s: created the missing indexes of %s (%s)\n", pszFunc,
                       pszTableName, strSummary.c_str());
    }
    if (!batch.Commit() || bFailed)
        return -1;
    return nCreated;
}

int FormatStandInTable(char* pszQuery, int nQuerySize, const char* pszTableName)
{
    std::string strQuery = std::string("create temp table ") + pszTableName + " (";
    for (int i = 0; i < COLUMN_CNT; i++)
    {
        const Column& col = s_aColumns[i];
        strQuery += (i > 0 ? ", " : "") + std::string(col.pszName) + " " + col.pszType;
        if (col.nSize > 0)
        {
            strQuery += "(" + std::to_string(col.nSize) + ")";
        }
    }
    strQuery += ")";
    AcStrcpySEx(pszQuery, (size_t)nQuerySize, strQuery.c_str(), __FILE__, __LINE__);
    return (int)strQuery.size();
}

CQuotedText::~CQuotedText()
{
    if (m_psz != NULL)
    {
        MemFreeTraceMultiHeap(m_psz, __FILE__, __LINE__);
    }
}

bool CQuotedText::Prepare(const char* pszSource, int nColumnSize)
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

bool CRowValues::Prepare()
{
    for (int nPos = 0; nPos < COLUMN_CNT; nPos++)
    {
        const Column& column = s_aColumns[nPos];
        if (column.iKind != COLUMN_TEXT)
        {
            continue;
        }
        if (!ULOG_REQUIRE_T(m_aQuoted[nPos].Prepare(column.access.pfnGetText(m_dataSet), column.nSize),
                            column.pszQuoteRequire))
        {
            return false;
        }
    }
    m_bPrepared = true;
    return true;
}

/* The value of a column as the statement text carries it. */
std::string CRowValues::__Value(int nPos) const
{
    const Column& column = s_aColumns[nPos];
    switch (column.iKind)
    {
    case COLUMN_TEXT:
        return "'" + std::string(m_aQuoted[nPos].Get()) + "'";
    case COLUMN_WTEXT:
        return "?";
    case COLUMN_TIME:
        return std::to_string((unsigned int)column.access.pfnGetNumber(m_dataSet, m_log));
    default:
        return std::to_string((int)column.access.pfnGetNumber(m_dataSet, m_log));
    }
}

std::string CRowValues::FormatInsert(const char* pszTableName) const
{
    if (!ULOG_REQUIRE(m_bPrepared))
    {
        return std::string();
    }
    std::string strQuery = std::string("insert into ") + pszTableName + " values ( ";
    for (int nPos = 0; nPos < COLUMN_CNT; nPos++)
    {
        strQuery += (nPos == 0 ? "" : ", ") + __Value(nPos);
    }
    return strQuery + " )";
}

std::string CRowValues::FormatUpdate(const char* pszTableName) const
{
    if (!ULOG_REQUIRE(m_bPrepared))
    {
        return std::string();
    }
    const int nKey = PositionOfField(ULOG_DB_ULOG_DB_INDEX);
    std::string strQuery = std::string("update ") + pszTableName + " set ";
    const char* pszSeparator = "";
    for (int nPos = 0; nPos < COLUMN_CNT; nPos++)
    {
        if (nPos == nKey || !s_aColumns[nPos].HasField())
        {
            continue;
        }
        strQuery += pszSeparator + std::string(s_aColumns[nPos].pszName) + " = " + __Value(nPos);
        pszSeparator = ", ";
    }
    return strQuery + " where " + s_aColumns[nKey].pszName + " = " + __Value(nKey);
}

void CRowValues::Bind(HOBJ hStmt, bool bInsert) const
{
    static const WCHAR s_mszEmpty[1] = {0};
    Db2BindField* pFields = Db2StmtGetBindParamFields(hStmt);
    const int nFieldCnt = Db2StmtGetBindParamCount(hStmt);
    int nParam = 0;
    for (const Column& column : s_aColumns)
    {
        if (column.iKind != COLUMN_WTEXT || (!bInsert && !column.HasField()))
        {
            continue;
        }
        const WCHAR* pmszValue =
            column.access.pfnGetWText != nullptr ? column.access.pfnGetWText(m_dataSet) : s_mszEmpty;
        UlogDbQuery::BindWideParam(pFields, nFieldCnt, nParam++, pmszValue, column.nSize - 1);
    }
}
} // namespace UlogDbColumns
