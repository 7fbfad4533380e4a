#define ULOG_SRC_MODULE "UlogSvcLogMgr/Ulog"

#include "UlogSvcLogMgr/CUlog.h"

#include "H/UlogSvcDef.h"
#include "H/UlogSvcText.h"
#include "KivAppSvcFramework/ContentTypes.h"
#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"
#include "UlogSvcLogMgr/UlogKindValues.h"

#include <cstring>

CUlog::CUlog()
{
    Init();
}

CUlog::CUlog(const CUlog& other) : CUlogObject(), IUlogCloneable()
{
    Init();
    Assign(other);
}

CUlog& CUlog::operator=(const CUlog& other)
{
    if (this != &other)
        Assign(other);
    return *this;
}

BOOL CUlog::Init()
{
    m_nDbIndex = ULOG_INVALID_DB_INDEX;
    m_nSortIndex = -1;
    m_nGroupId = -1;
    m_bTemporary = FALSE;
    m_bUncheckedYet = FALSE;
    m_nParentId = -1;
    m_tmStart = 0;
    m_tmEnd = 0;
    m_tmWiFiTotal = 0;
    m_tmGsmTotal = 0;
    m_iLogType = ULOG_LOG_ORIGINATED;
    m_iLineType = ULOG_LINE_NONE;
    m_iPhoneType = ULOG_PHONE_TYPE_NONE;
    m_iStorageType = ULOG_STORAGE_NONE;
    m_nCallCost = -1;
    m_nCtPid = 0;
    m_nCtDataId = 0;
    m_nCtFdnId = 0;
    m_nMyAccountId = 0;
    m_nDuplLogCount = 0;
    m_nDuplLogLastUniqueId = -1;
    std::memset(m_szBasicNumber, 0, sizeof(m_szBasicNumber));
    std::memset(m_szNumber, 0, sizeof(m_szNumber));
    std::memset(m_szName, 0, sizeof(m_szName));
    std::memset(m_szFirstName, 0, sizeof(m_szFirstName));
    std::memset(m_szLastName, 0, sizeof(m_szLastName));
    std::memset(m_szCallerIdPath, 0, sizeof(m_szCallerIdPath));
    std::memset(m_mszEmailAddress, 0, sizeof(m_mszEmailAddress));
    m_nIPCallDigitCount = 0;
    return TRUE;
}

BOOL CUlog::Assign(const CUlog& other)
{
    if (this == &other)
        return TRUE;
    m_nDbIndex = other.m_nDbIndex;
    m_nSortIndex = other.m_nSortIndex;
    m_nGroupId = other.m_nGroupId;
    m_bTemporary = other.m_bTemporary;
    m_bUncheckedYet = other.m_bUncheckedYet;
    m_nParentId = other.m_nParentId;
    m_tmStart = other.m_tmStart;
    m_tmEnd = other.m_tmEnd;
    m_tmWiFiTotal = other.m_tmWiFiTotal;
    m_tmGsmTotal = other.m_tmGsmTotal;
    m_iLogType = other.m_iLogType;
    m_iLineType = other.m_iLineType;
    m_iPhoneType = other.m_iPhoneType;
    m_iStorageType = other.m_iStorageType;
    m_nCallCost = other.m_nCallCost;
    m_nCtPid = other.m_nCtPid;
    m_nCtDataId = other.m_nCtDataId;
    m_nCtFdnId = other.m_nCtFdnId;
    m_nMyAccountId = other.m_nMyAccountId;
    m_nDuplLogCount = other.m_nDuplLogCount;
    m_nDuplLogLastUniqueId = other.m_nDuplLogLastUniqueId;
    m_nIPCallDigitCount = other.m_nIPCallDigitCount;
    ulog::CopyText(m_szBasicNumber, other.m_szBasicNumber);
    ulog::CopyText(m_szNumber, other.m_szNumber);
    ulog::CopyText(m_szName, other.m_szName);
    ulog::CopyText(m_szFirstName, other.m_szFirstName);
    ulog::CopyText(m_szLastName, other.m_szLastName);
    ulog::CopyText(m_szCallerIdPath, other.m_szCallerIdPath);
    ulog::CopyWText(m_mszEmailAddress, other.m_mszEmailAddress);
    return TRUE;
}

BOOL CUlog::AssignContent(const CContent& content)
{
    content.GetInt(ULOG_DB_ULOG_DB_INDEX, m_nDbIndex);
    content.GetInt(ULOG_DB_SORT_INDEX, m_nSortIndex);
    content.GetInt(ULOG_DB_GROUP_ID, m_nGroupId);
    content.GetInt(ULOG_DB_PARENT_ID, m_nParentId);

    content.GetUInt32(ULOG_DB_START_TIME, m_tmStart);
    content.GetUInt32(ULOG_DB_END_TIME, m_tmEnd);
    content.GetUInt32(ULOG_DB_WIFI_TIME, m_tmWiFiTotal);
    content.GetUInt32(ULOG_DB_GSM_TIME, m_tmGsmTotal);

    /* One scratch value for the enumerations: a failed read keeps the value read before it. */
    int nValue = 0;
    content.GetInt(ULOG_DB_LOG_TYPE, nValue);
    m_iLogType = static_cast<UlogLogType>(nValue);
    content.GetInt(ULOG_DB_LINE_TYPE, nValue);
    m_iLineType = static_cast<UlogLineType>(nValue);
    content.GetInt(ULOG_DB_PHONE_TYPE, nValue);
    m_iPhoneType = static_cast<UlogPhoneType>(nValue);
    content.GetInt(ULOG_DB_STORAGE_TYPE, nValue);
    m_iStorageType = static_cast<UlogStorageType>(nValue);

    content.GetInt(ULOG_DB_CALL_COST, m_nCallCost);
    content.GetInt(ULOG_DB_CT_PID, m_nCtPid);
    content.GetInt(ULOG_DB_CT_DATA_ID, m_nCtDataId);
    content.GetInt(ULOG_DB_CT_FDN_ID, m_nCtFdnId);
    content.GetInt(ULOG_DB_MY_ACCOUNT_ID, m_nMyAccountId);
    content.GetInt(ULOG_DB_SN_COUNT, m_nDuplLogCount);
    content.GetInt(ULOG_DB_IP_CALL_DIGIT_COUNT, m_nIPCallDigitCount);

    const char* psz = ulog::GetContentText(content, ULOG_DB_BASIC_NUMBER, "CUlog");
    if (psz == nullptr)
        return FALSE;
    ulog::CopyText(m_szBasicNumber, psz);

    WCHAR mszNumber[ULOG_NUMBER_LEN] = {0};
    ulog::CopyWText(mszNumber, content.GetNString(ULOG_DB_LOG_NUMBER));
    WmConvert2LCode(m_szNumber, (int)sizeof(m_szNumber), mszNumber);

    WCHAR mszName[ULOG_NAME_LEN] = {0};
    ulog::CopyWText(mszName, content.GetNString(ULOG_DB_LOG_NAME));
    WmConvert2LCode(m_szName, (int)sizeof(m_szName), mszName);

    /* Names and picture path: a missing column ends the read. */
    auto readText = [&content](int nColumn, char* pszDest, size_t nSize) -> bool
    {
        const char* pszText = ulog::GetContentText(content, nColumn, "CUlog");
        if (pszText == nullptr)
            return false;
        ulog::CopyText(pszDest, nSize, pszText);
        return true;
    };
    if (!readText(ULOG_DB_FIRST_NAME, m_szFirstName, sizeof(m_szFirstName)) ||
        !readText(ULOG_DB_LAST_NAME, m_szLastName, sizeof(m_szLastName)) ||
        !readText(ULOG_DB_CALLER_ID, m_szCallerIdPath, sizeof(m_szCallerIdPath)))
        return FALSE;

    const WCHAR* pmszEmail = content.GetNString(ULOG_DB_EMAIL_ADDRESS);
    if (pmszEmail != nullptr)
        ulog::CopyWText(m_mszEmailAddress, pmszEmail);

    if (!ulog::GetContentBool(content, ULOG_DB_IS_UNCHECKED_YET, m_bUncheckedYet, "CUlog"))
        return FALSE;
    return ulog::GetContentBool(content, ULOG_DB_IS_TEMP_LOG, m_bTemporary, "CUlog");
}

BOOL CUlog::AssignUlogInfo(const UlogInfo& info)
{
    m_bUncheckedYet = info.bUncheckedYet;
    m_bTemporary = info.bTempLog;
    m_nDbIndex = info.nUniqueId;
    m_nSortIndex = info.nSortIndex;
    m_nGroupId = info.nGroupId;
    m_nParentId = info.nParentId;
    m_tmStart = info.tmStart;
    m_tmEnd = info.tmEnd;
    m_tmWiFiTotal = info.tmWiFiTotal;
    m_tmGsmTotal = info.tmGsmTotal;
    m_iLogType = info.iLogType;
    m_iLineType = info.iLineType;
    m_iPhoneType = info.iPhoneType;
    m_iStorageType = info.iStorageType;
    m_nCallCost = info.nCallCost;
    m_nCtPid = info.nPersonId;
    m_nCtDataId = info.nCtDataId;
    m_nCtFdnId = info.nCtFdnId;
    m_nMyAccountId = info.nMyAccountId;
    m_nDuplLogCount = info.nDuplLogCount;
    m_nDuplLogLastUniqueId = info.nDuplLogLastUniqueId;
    m_nIPCallDigitCount = info.nIPCallDigitCount;
    /* The record's texts may be unterminated: each copy reads no further than its field. */
    ulog::CopyText(m_szBasicNumber, info.szBasicNumber);
    ulog::CopyText(m_szNumber, info.szNumber);
    ulog::CopyText(m_szName, info.szName);
    ulog::CopyText(m_szFirstName, info.szFirstName);
    ulog::CopyText(m_szLastName, info.szLastName);
    ulog::CopyText(m_szCallerIdPath, info.szCallerIdPath);
    ulog::CopyWText(m_mszEmailAddress, info.mszEmailAddress);
    return TRUE;
}

BOOL CUlog::AssignDataSet(const CUlogSvcDataSet& dataSet)
{
    m_nDbIndex = dataSet.GetUniqueID();
    m_nSortIndex = dataSet.GetSortIndex();
    m_nGroupId = dataSet.GetGroupID();
    m_bTemporary = dataSet.IsTemporary();
    m_bUncheckedYet = dataSet.IsUncheckedYet();
    m_nParentId = dataSet.GetParentID();
    m_tmStart = dataSet.GetStartTime();
    m_tmEnd = dataSet.GetEndTime();
    m_tmWiFiTotal = dataSet.GetWiFiTotalTime();
    m_tmGsmTotal = dataSet.GetGsmTotalTime();
    m_iLogType = dataSet.GetLogType();
    m_iLineType = dataSet.GetLineType();
    m_iPhoneType = dataSet.GetPhoneType();
    m_iStorageType = dataSet.GetStorageType();
    m_nCallCost = dataSet.GetCallCost();
    m_nCtPid = dataSet.GetCtPid();
    m_nCtDataId = dataSet.GetCtDataId();
    m_nCtFdnId = dataSet.GetCtFdnId();
    m_nMyAccountId = dataSet.GetMyAccountId();
    m_nDuplLogCount = dataSet.GetDuplLogCount();
    m_nDuplLogLastUniqueId = dataSet.GetDuplLogLastUniqueID();
    m_nIPCallDigitCount = dataSet.GetIPCallDigitCount();
    ulog::CopyText(m_szBasicNumber, dataSet.GetBasicNumber());
    WmConvert2LCode(m_szNumber, (int)sizeof(m_szNumber), dataSet.GetNumber());
    WmConvert2LCode(m_szName, (int)sizeof(m_szName), dataSet.GetDisplayName());
    ulog::CopyText(m_szFirstName, dataSet.GetFirstName());
    ulog::CopyText(m_szLastName, dataSet.GetLastName());
    ulog::CopyText(m_szCallerIdPath, dataSet.GetCallerIdPath());
    ulog::CopyWText(m_mszEmailAddress, dataSet.GetEmailAddress());
    return TRUE;
}

BOOL CUlog::Convert2UlogInfo(UlogInfo& info) const
{
    std::memset(&info, 0, sizeof(info));
    info.bUncheckedYet = m_bUncheckedYet;
    info.bTempLog = m_bTemporary;
    info.nUniqueId = m_nDbIndex;
    info.nSortIndex = m_nSortIndex;
    info.nGroupId = m_nGroupId;
    info.nParentId = m_nParentId;
    info.tmStart = m_tmStart;
    info.tmEnd = m_tmEnd;
    info.tmWiFiTotal = m_tmWiFiTotal;
    info.tmGsmTotal = m_tmGsmTotal;
    info.iLogType = m_iLogType;
    info.iLineType = m_iLineType;
    info.iPhoneType = m_iPhoneType;
    info.iStorageType = m_iStorageType;
    info.nCallCost = m_nCallCost;
    info.nPersonId = m_nCtPid;
    info.nCtDataId = m_nCtDataId;
    info.nCtFdnId = m_nCtFdnId;
    info.nMyAccountId = m_nMyAccountId;
    info.nDuplLogCount = m_nDuplLogCount;
    info.nDuplLogLastUniqueId = m_nDuplLogLastUniqueId;
    info.nIPCallDigitCount = m_nIPCallDigitCount;
    ulog::CopyText(info.szBasicNumber, m_szBasicNumber);
    ulog::CopyText(info.szNumber, m_szNumber);
    ulog::CopyText(info.szName, m_szName);
    ulog::CopyText(info.szFirstName, m_szFirstName);
    ulog::CopyText(info.szLastName, m_szLastName);
    ulog::CopyText(info.szCallerIdPath, m_szCallerIdPath);
    ulog::CopyWText(info.mszEmailAddress, m_mszEmailAddress);
    OnConvert2UlogInfo(info);
    return TRUE;
}

BOOL CUlog::IsTypeEqual(const CUlog& other) const
{
    return (AcStrcmp(GetLogClass(), other.GetLogClass()) == 0) ? TRUE : FALSE;
}

int CUlog::GetUniqueID() const
{
    SysDebugPrintf(ULOG_DBG_DETAIL, "CUlog::GetUniqueID: m_nDbIndex (%d)\n", m_nDbIndex);
    return m_nDbIndex;
}

void CUlog::SetBasicNumber(const char* pszNumber)
{
    if (!ULOG_REQUIRE(pszNumber != NULL))
        return;
    ulog::CopyText(m_szBasicNumber, pszNumber);
}

void CUlog::SetNumber(const char* pszNumber)
{
    if (!ULOG_REQUIRE(pszNumber != NULL))
        return;
    ulog::CopyText(m_szNumber, pszNumber);
}

void CUlog::SetDisplayName(const char* pszName)
{
    if (!ULOG_REQUIRE(pszName != NULL))
        return;
    ulog::CopyText(m_szName, pszName);
}

void CUlog::SetFirstName(const char* pszFirstName)
{
    if (!ULOG_REQUIRE(pszFirstName != NULL))
        return;
    ulog::CopyText(m_szFirstName, pszFirstName);
}

void CUlog::SetLastName(const char* pszLastName)
{
    if (!ULOG_REQUIRE(pszLastName != NULL))
        return;
    ulog::CopyText(m_szLastName, pszLastName);
}

void CUlog::SetCallerIdPath(const char* pszCallerIdPath)
{
    if (!ULOG_REQUIRE(pszCallerIdPath != NULL))
        return;
    ulog::CopyText(m_szCallerIdPath, pszCallerIdPath);
}

void CUlog::SetEmailAddress(const WCHAR* pmszEmailAddress)
{
    if (!ULOG_REQUIRE(pmszEmailAddress != NULL))
        return;
    ulog::CopyWText(m_mszEmailAddress, pmszEmailAddress);
}
