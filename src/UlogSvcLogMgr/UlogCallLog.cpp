#define ULOG_SRC_MODULE "UlogSvcLogMgr/UlogCallLog"

#include "UlogSvcLogMgr/CUlogCallLog.h"

#include "H/UlogSvcDef.h"
#include "H/UlogSvcText.h"
#include "KivAppSvcFramework/ContentTypes.h"
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"
#include "UlogSvcLogMgr/UlogKindValues.h"

#include <cstring>

BOOL CUlogCallLog::Init()
{
    m_bCnapLog = FALSE;
    m_bVideoShare = FALSE;
    m_iCallType = ULOG_CALL_TYPE_NONE;
    std::memset(&m_st2StageDialingInfo, 0, sizeof(m_st2StageDialingInfo));
    return TRUE;
}

void CUlogCallLog::Copy2StageBlock(const UlogVT2StageDialingInfo& block)
{
    if (&block == &m_st2StageDialingInfo)
        return;
    std::memcpy(&m_st2StageDialingInfo, &block, sizeof(m_st2StageDialingInfo));
    /* The alias address is later read as text: keep it terminated within its field. */
    m_st2StageDialingInfo.aliasAddress[ULOG_ALIAS_ADDRESS_LEN - 1] = 0;
}

BOOL CUlogCallLog::Assign(const CUlogCallLog& other)
{
    CUlog::Assign(other);
    m_bCnapLog = other.m_bCnapLog;
    m_bVideoShare = other.m_bVideoShare;
    m_iCallType = other.m_iCallType;
    Copy2StageBlock(other.m_st2StageDialingInfo);
    return TRUE;
}

BOOL CUlogCallLog::AssignContent(const CContent& content)
{
    CUlog::AssignContent(content);

    /* Column 21 (isvideoshare) carries the CNAP flag and column 20 (iscnap) the video-share flag. */
    if (!ulog::GetContentBool(content, ULOG_DB_IS_VIDEO_SHARE, m_bCnapLog, "CUlogCallLog"))
        return FALSE;
    int nValue = 0;
    content.GetInt(ULOG_DB_CALL_TYPE, nValue);
    m_iCallType = static_cast<UlogCallType>(nValue);
    if (!ulog::GetContentBool(content, ULOG_DB_IS_CNAP, m_bVideoShare, "CUlogCallLog"))
        return FALSE;
    content.GetInt(ULOG_DB_STAGE_TYPE, nValue);
    m_st2StageDialingInfo.iAddressType = nValue;
    const char* pszAlias = ulog::GetContentText(content, ULOG_DB_ALIAS_ADDRESS, "CUlogCallLog");
    if (pszAlias == nullptr)
        return FALSE;
    ulog::CopyText(m_st2StageDialingInfo.aliasAddress, pszAlias);
    return TRUE;
}

BOOL CUlogCallLog::AssignUlogInfo(const UlogInfo& info)
{
    CUlog::AssignUlogInfo(info);
    m_bCnapLog = info.bCNAPLog;
    m_bVideoShare = info.bVideoShare;
    m_iCallType = info.iCallType;
    Copy2StageBlock(info.st2StageDialingInfo);
    return TRUE;
}

BOOL CUlogCallLog::AssignDataSet(const CUlogSvcDataSet& dataSet)
{
    CUlog::AssignDataSet(dataSet);
    m_bCnapLog = dataSet.IsCnapLog();
    m_bVideoShare = dataSet.IsVideoShareLog();
    m_iCallType = dataSet.GetCallType();
    Copy2StageBlock(*dataSet.Get2StageDialingInfo());
    return TRUE;
}

BOOL CUlogCallLog::OnConvert2UlogInfo(UlogInfo& info) const
{
    info.bCNAPLog = m_bCnapLog;
    info.bVideoShare = m_bVideoShare;
    info.iCallType = m_iCallType;
    std::memcpy(&info.st2StageDialingInfo, &m_st2StageDialingInfo, sizeof(info.st2StageDialingInfo));
    return TRUE;
}

void CUlogCallLog::Set2StageAliasAddress(const char* pszAliasAddress)
{
    if (!ULOG_REQUIRE(pszAliasAddress != NULL))
        return;
    ulog::CopyText(m_st2StageDialingInfo.aliasAddress, pszAliasAddress);
}
