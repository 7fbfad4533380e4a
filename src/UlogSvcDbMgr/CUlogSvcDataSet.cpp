#define ULOG_SRC_MODULE "UlogSvcDbMgr/UlogSvcDataSet"

#include "UlogSvcDbMgr/CUlogSvcDataSet.h"

#include "H/UlogSvcDef.h"
#include "H/UlogSvcText.h"
#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvcLogMgr/CUlogCallLog.h"
#include "UlogSvcLogMgr/CUlogEmailLog.h"
#include "UlogSvcLogMgr/CUlogImLog.h"
#include "UlogSvcLogMgr/CUlogMsgLog.h"
#include "UlogSvcLogMgr/CUlogSnsLog.h"

#include <cstring>

CUlogSvcDataSet::CUlogSvcDataSet()
{
    Init();
}

CUlogSvcDataSet::CUlogSvcDataSet(const CUlogSvcDataSet& other) : CUlogObject()
{
    Init();
    Assign(other);
}

CUlogSvcDataSet::CUlogSvcDataSet(const CUlog& log)
{
    Init();
    AssignUlog(log);
}

CUlogSvcDataSet& CUlogSvcDataSet::operator=(const CUlogSvcDataSet& other)
{
    if (this != &other)
        Assign(other);
    return *this;
}

BOOL CUlogSvcDataSet::Init()
{
    m_nUniqueId = ULOG_INVALID_DB_INDEX;
    m_nSortIndex = -1;
    m_nGroupId = -1;
    m_bTemporary = FALSE;
    m_bCnapLog = FALSE;
    m_bUncheckedYet = FALSE;
    m_nParentId = -1;
    m_tmStart = 0;
    m_tmEnd = 0;
    m_tmWiFiTotal = 0;
    m_tmGsmTotal = 0;
    m_iLogType = ULOG_LOG_ORIGINATED;
    m_iCallType = ULOG_CALL_TYPE_NONE;
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
    m_bVideoShare = FALSE;
    std::memset(m_szBasicNumber, 0, sizeof(m_szBasicNumber));
    std::memset(m_mszNumber, 0, sizeof(m_mszNumber));
    std::memset(m_mszName, 0, sizeof(m_mszName));
    std::memset(m_szFirstName, 0, sizeof(m_szFirstName));
    std::memset(m_szLastName, 0, sizeof(m_szLastName));
    std::memset(m_szCallerIdPath, 0, sizeof(m_szCallerIdPath));
    std::memset(&m_st2StageDialingInfo, 0, sizeof(m_st2StageDialingInfo));
    m_nMsgLogType = 0;
    m_nMsgLogId = 0;
    std::memset(m_mszEmailAddress, 0, sizeof(m_mszEmailAddress));
    std::memset(m_szEmailDisplayName, 0, sizeof(m_szEmailDisplayName));
    std::memset(m_szAccountEmailAddress, 0, sizeof(m_szAccountEmailAddress));
    std::memset(m_szSyncId, 0, sizeof(m_szSyncId));
    m_nAccountId = 0;
    m_iSourceType = ULOG_SOURCE_TYPE_NONE;
    std::memset(m_mszSubject, 0, sizeof(m_mszSubject));
    std::memset(m_mszBody, 0, sizeof(m_mszBody));
    m_nContentId = 0;
    std::memset(m_szSnsPersonId, 0, sizeof(m_szSnsPersonId));
    m_nSnsSpInfo = -1;
    m_nSpInfo = -1;
    m_nIPCallDigitCount = 0;
    return TRUE;
}

BOOL CUlogSvcDataSet::Assign(const CUlogSvcDataSet& other)
{
    if (this == &other)
        return TRUE;
    m_nUniqueId = other.m_nUniqueId;
    m_nSortIndex = other.m_nSortIndex;
    m_nGroupId = other.m_nGroupId;
    m_bTemporary = other.m_bTemporary;
    m_bCnapLog = other.m_bCnapLog;
    m_bUncheckedYet = other.m_bUncheckedYet;
    m_nParentId = other.m_nParentId;
    m_tmStart = other.m_tmStart;
    m_tmEnd = other.m_tmEnd;
    m_tmWiFiTotal = other.m_tmWiFiTotal;
    m_tmGsmTotal = other.m_tmGsmTotal;
    m_iLogType = other.m_iLogType;
    m_iCallType = other.m_iCallType;
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
    m_bVideoShare = other.m_bVideoShare;
    ulog::CopyText(m_szBasicNumber, other.m_szBasicNumber);
    ulog::CopyWText(m_mszNumber, other.m_mszNumber);
    ulog::CopyWText(m_mszName, other.m_mszName);
    ulog::CopyText(m_szFirstName, other.m_szFirstName);
    ulog::CopyText(m_szLastName, other.m_szLastName);
    ulog::CopyText(m_szCallerIdPath, other.m_szCallerIdPath);
    std::memcpy(&m_st2StageDialingInfo, &other.m_st2StageDialingInfo, sizeof(m_st2StageDialingInfo));
    m_nMsgLogType = other.m_nMsgLogType;
    m_nMsgLogId = other.m_nMsgLogId;
    ulog::CopyWText(m_mszEmailAddress, other.m_mszEmailAddress);
    ulog::CopyText(m_szEmailDisplayName, other.m_szEmailDisplayName);
    ulog::CopyText(m_szAccountEmailAddress, other.m_szAccountEmailAddress);
    ulog::CopyText(m_szSyncId, other.m_szSyncId);
    m_nAccountId = other.m_nAccountId;
    m_iSourceType = other.m_iSourceType;
    ulog::CopyWText(m_mszSubject, other.m_mszSubject);
    ulog::CopyWText(m_mszBody, other.m_mszBody);
    m_nContentId = other.m_nContentId;
    ulog::CopyText(m_szSnsPersonId, other.m_szSnsPersonId);
    m_nSnsSpInfo = other.m_nSnsSpInfo;
    m_nSpInfo = other.m_nSpInfo;
    m_nIPCallDigitCount = other.m_nIPCallDigitCount;
    return TRUE;
}

namespace
{
void CopyContentValue(CUlogSvcDataSet& set, const CUlogContentValue* pValue)
{
    if (pValue == nullptr)
        return;
    set.SetSubject(pValue->GetSubject());
    set.SetBody(pValue->GetBody());
    set.SetContentId(pValue->GetContentId());
}

void CopyAccountValue(CUlogSvcDataSet& set, const CUlogAccountValue* pValue)
{
    if (pValue == nullptr)
        return;
    set.SetAccountEmailAddress(pValue->GetAccountEmailAddress());
    set.SetAccountId(pValue->GetAccountId());
}

void CopyMsgOwnValue(CUlogSvcDataSet& set, const CUlogMsgOwnValue* pValue)
{
    if (pValue == nullptr)
        return;
    set.SetMsgLogType(pValue->GetMsgLogType());
    set.SetMsgLogID(pValue->GetMsgLogID());
}
} // namespace

BOOL CUlogSvcDataSet::AssignUlog(const CUlog& log)
{
    m_nUniqueId = log.GetUniqueID();
    m_nSortIndex = log.GetSortIndex();
    m_nGroupId = log.GetGroupID();
    m_bTemporary = log.IsTemporary();
    m_bUncheckedYet = log.IsUncheckedYet();
    m_nParentId = log.GetParentID();
    m_tmStart = log.GetStartTime();
    m_tmEnd = log.GetEndTime();
    m_tmWiFiTotal = log.GetWiFiTotalTime();
    m_tmGsmTotal = log.GetGsmTotalTime();
    m_iLogType = log.GetLogType();
    m_iLineType = log.GetLineType();
    m_iPhoneType = log.GetPhoneType();
    m_iStorageType = log.GetStorageType();
    m_nCallCost = log.GetCallCost();
    m_nCtPid = log.GetCtPid();
    m_nCtDataId = log.GetCtDataId();
    m_nCtFdnId = log.GetCtFdnId();
    m_nMyAccountId = log.GetMyAccountId();
    m_nDuplLogCount = log.GetDuplLogCount();
    m_nDuplLogLastUniqueId = log.GetDuplLogLastUniqueID();
    m_nIPCallDigitCount = log.GetIPCallDigitCount();

    ulog::CopyText(m_szBasicNumber, log.GetBasicNumber());
    ulog::CopyText(m_szFirstName, log.GetFirstName());
    ulog::CopyText(m_szLastName, log.GetLastName());
    ulog::CopyText(m_szCallerIdPath, log.GetCallerIdPath());
    ulog::CopyWText(m_mszEmailAddress, log.GetEmailAddress());
    WmConvert2PCode(m_mszNumber, ULOG_NUMBER_LEN, log.GetNumber());
    WmConvert2PCode(m_mszName, ULOG_NAME_LEN, log.GetDisplayName());

    if (log.IsTypeEqual(CUlogCallLog()))
    {
        const CUlogCallLog* pCallLog = dynamic_cast<const CUlogCallLog*>(&log);
        if (!ULOG_REQUIRE(pCallLog != NULL))
            return FALSE;
        m_bCnapLog = pCallLog->IsCnapLog();
        m_bVideoShare = pCallLog->IsVideoShareLog();
        m_iCallType = pCallLog->GetCallType();
        std::memcpy(&m_st2StageDialingInfo, pCallLog->Get2StageDialingInfo(), sizeof(m_st2StageDialingInfo));
    }
    else if (log.IsTypeEqual(CUlogMsgLog()))
    {
        const CUlogMsgLog* pMsgLog = dynamic_cast<const CUlogMsgLog*>(&log);
        if (!ULOG_REQUIRE(pMsgLog != NULL))
            return FALSE;
        CopyMsgOwnValue(*this, pMsgLog->GetMsgOwnValue());
        CopyContentValue(*this, pMsgLog->GetContentValue());
    }
    else if (log.IsTypeEqual(CUlogEmailLog()))
    {
        const CUlogEmailLog* pEmailLog = dynamic_cast<const CUlogEmailLog*>(&log);
        if (!ULOG_REQUIRE(pEmailLog != NULL))
            return FALSE;
        ulog::CopyText(m_szEmailDisplayName, pEmailLog->GetEmailDisplayName());
        ulog::CopyText(m_szSyncId, pEmailLog->GetSyncId());
        m_iSourceType = pEmailLog->GetSourceType();
        CopyMsgOwnValue(*this, pEmailLog->GetMsgOwnValue());
        CopyContentValue(*this, pEmailLog->GetContentValue());
        CopyAccountValue(*this, pEmailLog->GetAccountValue());
    }
    else if (log.IsTypeEqual(CUlogImLog()))
    {
        const CUlogImLog* pImLog = dynamic_cast<const CUlogImLog*>(&log);
        if (!ULOG_REQUIRE(pImLog != NULL))
            return FALSE;
        m_nSpInfo = pImLog->GetSpInfo();
        ulog::CopyText(m_szEmailDisplayName, pImLog->GetEmailDisplayName());
        CopyContentValue(*this, pImLog->GetContentValue());
        CopyAccountValue(*this, pImLog->GetAccountValue());
    }
    else if (log.IsTypeEqual(CUlogSnsLog()))
    {
        const CUlogSnsLog* pSnsLog = dynamic_cast<const CUlogSnsLog*>(&log);
        if (!ULOG_REQUIRE(pSnsLog != NULL))
            return FALSE;
        m_nSnsSpInfo = pSnsLog->GetSnsSpInfo();
        ulog::CopyText(m_szSnsPersonId, pSnsLog->GetSnsPersonId());
        ulog::CopyText(m_szEmailDisplayName, pSnsLog->GetEmailDisplayName());
        ulog::CopyText(m_szSyncId, pSnsLog->GetSyncId());
        CopyContentValue(*this, pSnsLog->GetContentValue());
    }
    return TRUE;
}

BOOL CUlogSvcDataSet::Convert2UlogInfo(UlogInfo& info) const
{
    info.bCNAPLog = m_bCnapLog;
    info.bUncheckedYet = m_bUncheckedYet;
    info.bTempLog = m_bTemporary;
    info.nUniqueId = m_nUniqueId;
    info.nSortIndex = m_nSortIndex;
    info.nGroupId = m_nGroupId;
    info.nParentId = m_nParentId;
    info.tmStart = m_tmStart;
    info.tmEnd = m_tmEnd;
    info.tmWiFiTotal = m_tmWiFiTotal;
    info.tmGsmTotal = m_tmGsmTotal;
    info.iLogType = m_iLogType;
    info.iCallType = m_iCallType;
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
    info.bVideoShare = m_bVideoShare;
    ulog::CopyText(info.szBasicNumber, m_szBasicNumber);
    WmConvert2LCode(info.szNumber, (int)sizeof(info.szNumber), m_mszNumber);
    WmConvert2LCode(info.szName, (int)sizeof(info.szName), m_mszName);
    ulog::CopyText(info.szFirstName, m_szFirstName);
    ulog::CopyText(info.szLastName, m_szLastName);
    ulog::CopyText(info.szCallerIdPath, m_szCallerIdPath);
    ulog::CopyWText(info.mszEmailAddress, m_mszEmailAddress);
    std::memcpy(&info.st2StageDialingInfo, &m_st2StageDialingInfo, sizeof(info.st2StageDialingInfo));
    info.nMsgLogType = m_nMsgLogType;
    info.nMsgLogId = m_nMsgLogId;
    info.iSourceType = m_iSourceType;
    ulog::CopyText(info.szEmailDisplayName, m_szEmailDisplayName);
    info.nAccountId = m_nAccountId;
    ulog::CopyText(info.szAccountEmailAddress, m_szAccountEmailAddress);
    ulog::CopyText(info.szSyncId, m_szSyncId);
    ulog::CopyWText(info.mszSubject, m_mszSubject);
    ulog::CopyWText(info.mszBody, m_mszBody);
    info.nContentId = m_nContentId;
    ulog::CopyText(info.szSnsPersonId, m_szSnsPersonId);
    info.nSnsSpInfo = m_nSnsSpInfo;
    info.nSpInfo = m_nSpInfo;
    info.nIPCallDigitCount = m_nIPCallDigitCount;
    return TRUE;
}

void CUlogSvcDataSet::SetBasicNumber(const char* pszBasicNumber)
{
    if (!ULOG_REQUIRE(pszBasicNumber != NULL))
        return;
    ulog::CopyText(m_szBasicNumber, pszBasicNumber);
}

void CUlogSvcDataSet::SetNumber(const WCHAR* pmszNumber)
{
    if (!ULOG_REQUIRE(pmszNumber != NULL))
        return;
    ulog::CopyWText(m_mszNumber, pmszNumber);
}

void CUlogSvcDataSet::SetDisplayName(const WCHAR* pmszName)
{
    if (!ULOG_REQUIRE(pmszName != NULL))
        return;
    ulog::CopyWText(m_mszName, pmszName);
}

void CUlogSvcDataSet::SetFirstName(const char* pszFirstName)
{
    if (!ULOG_REQUIRE(pszFirstName != NULL))
        return;
    ulog::CopyText(m_szFirstName, pszFirstName);
}

void CUlogSvcDataSet::SetLastName(const char* pszLastName)
{
    if (!ULOG_REQUIRE(pszLastName != NULL))
        return;
    ulog::CopyText(m_szLastName, pszLastName);
}

void CUlogSvcDataSet::SetCallerIdPath(const char* pszCallerIdPath)
{
    if (!ULOG_REQUIRE(pszCallerIdPath != NULL))
        return;
    ulog::CopyText(m_szCallerIdPath, pszCallerIdPath);
}

void CUlogSvcDataSet::Set2StageAliasAddress(const char* pszAliasAddress)
{
    if (!ULOG_REQUIRE(pszAliasAddress != NULL))
        return;
    ulog::CopyText(m_st2StageDialingInfo.aliasAddress, pszAliasAddress);
}

void CUlogSvcDataSet::SetEmailAddress(const WCHAR* pmszEmailAddress)
{
    if (!ULOG_REQUIRE(pmszEmailAddress != NULL))
        return;
    ulog::CopyWText(m_mszEmailAddress, pmszEmailAddress);
}

void CUlogSvcDataSet::SetEmailDisplayName(const char* pszEmailDisplayName)
{
    if (!ULOG_REQUIRE(pszEmailDisplayName != NULL))
        return;
    ulog::CopyText(m_szEmailDisplayName, pszEmailDisplayName);
}

void CUlogSvcDataSet::SetAccountEmailAddress(const char* pszAccountEmailAddess)
{
    if (!ULOG_REQUIRE(pszAccountEmailAddess != NULL))
        return;
    ulog::CopyText(m_szAccountEmailAddress, pszAccountEmailAddess);
}

void CUlogSvcDataSet::SetSyncId(const char* pszSyncId)
{
    if (!ULOG_REQUIRE(pszSyncId != NULL))
        return;
    ulog::CopyText(m_szSyncId, pszSyncId);
}

void CUlogSvcDataSet::SetSubject(const WCHAR* pmszSubject)
{
    if (!ULOG_REQUIRE(pmszSubject != NULL))
        return;
    ulog::CopyWText(m_mszSubject, pmszSubject);
}

void CUlogSvcDataSet::SetBody(const WCHAR* pmszBody)
{
    if (!ULOG_REQUIRE(pmszBody != NULL))
        return;
    ulog::CopyWText(m_mszBody, pmszBody);
}

void CUlogSvcDataSet::SetSnsPersonId(const char* pszSnsPersonId)
{
    if (!ULOG_REQUIRE(pszSnsPersonId != NULL))
        return;
    ulog::CopyText(m_szSnsPersonId, pszSnsPersonId);
}
