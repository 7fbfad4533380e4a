#define ULOG_SRC_MODULE "UlogSvcLogMgr/UlogEmailLog"

#include "UlogSvcLogMgr/CUlogEmailLog.h"

#include "H/UlogSvcDef.h"
#include "H/UlogSvcText.h"
#include "KivAppSvcFramework/ContentTypes.h"
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"
#include "UlogSvcLogMgr/UlogKindValues.h"

#include <cstring>

CUlogEmailLog::~CUlogEmailLog()
{
    delete m_pMsgOwnValue;
    delete m_pContentValue;
    delete m_pAccountValue;
}

BOOL CUlogEmailLog::Init()
{
    std::memset(m_szEmailDisplayName, 0, sizeof(m_szEmailDisplayName));
    std::memset(m_szSyncId, 0, sizeof(m_szSyncId));
    m_iSourceType = ULOG_SOURCE_TYPE_NONE;
    ulog::CreateValue(m_pMsgOwnValue);
    if (!ULOG_REQUIRE(m_pMsgOwnValue != NULL))
        return FALSE;
    ulog::CreateValue(m_pContentValue);
    if (!ULOG_REQUIRE(m_pContentValue != NULL))
        return FALSE;
    ulog::CreateValue(m_pAccountValue);
    if (!ULOG_REQUIRE(m_pAccountValue != NULL))
        return FALSE;
    return TRUE;
}

BOOL CUlogEmailLog::Assign(const CUlogEmailLog& other)
{
    CUlog::Assign(other);
    ulog::CopyText(m_szEmailDisplayName, other.m_szEmailDisplayName);
    ulog::CopyText(m_szSyncId, other.m_szSyncId);
    m_iSourceType = other.m_iSourceType;
    ulog::CopyValue(m_pMsgOwnValue, other.m_pMsgOwnValue);
    ulog::CopyValue(m_pContentValue, other.m_pContentValue);
    ulog::CopyValue(m_pAccountValue, other.m_pAccountValue);
    return TRUE;
}

BOOL CUlogEmailLog::AssignContent(const CContent& content)
{
    CUlog::AssignContent(content);

    const char* psz = ulog::GetContentText(content, ULOG_DB_EMAIL_NAME, "CUlogEmailLog");
    if (psz == nullptr)
        return FALSE;
    ulog::CopyText(m_szEmailDisplayName, psz);
    psz = ulog::GetContentText(content, ULOG_DB_SYNC_ID, "CUlogEmailLog");
    if (psz == nullptr)
        return FALSE;
    ulog::CopyText(m_szSyncId, psz);

    int nValue = 0;
    content.GetInt(ULOG_DB_LOG_SOURCE_TYPE, nValue);
    m_iSourceType = static_cast<UlogSourceType>(nValue);
    ulog::LoadValue(m_pMsgOwnValue, content, nValue);
    ulog::LoadValue(m_pContentValue, content, nValue);
    return ulog::LoadValue(m_pAccountValue, content, nValue, "CUlogEmailLog");
}

BOOL CUlogEmailLog::AssignUlogInfo(const UlogInfo& info)
{
    CUlog::AssignUlogInfo(info);
    m_iSourceType = info.iSourceType;
    ulog::CopyText(m_szEmailDisplayName, info.szEmailDisplayName);
    ulog::CopyText(m_szSyncId, info.szSyncId);
    ulog::LoadValue(m_pMsgOwnValue, info);
    ulog::LoadValue(m_pContentValue, info);
    ulog::LoadValue(m_pAccountValue, info);
    return TRUE;
}

BOOL CUlogEmailLog::AssignDataSet(const CUlogSvcDataSet& dataSet)
{
    CUlog::AssignDataSet(dataSet);
    ulog::CopyText(m_szEmailDisplayName, dataSet.GetEmailDisplayName());
    ulog::CopyText(m_szSyncId, dataSet.GetSyncId());
    m_iSourceType = dataSet.GetSourceType();
    ulog::LoadValue(m_pMsgOwnValue, dataSet);
    ulog::LoadValue(m_pContentValue, dataSet);
    ulog::LoadValue(m_pAccountValue, dataSet);
    return TRUE;
}

BOOL CUlogEmailLog::OnConvert2UlogInfo(UlogInfo& info) const
{
    info.iSourceType = m_iSourceType;
    ulog::CopyText(info.szEmailDisplayName, m_szEmailDisplayName);
    ulog::CopyText(info.szSyncId, m_szSyncId);
    ulog::StoreValue(m_pMsgOwnValue, info);
    ulog::StoreValue(m_pContentValue, info);
    ulog::StoreValue(m_pAccountValue, info);
    return TRUE;
}

void CUlogEmailLog::SetEmailDisplayName(const char* pszEmailDisplayName)
{
    if (!ULOG_REQUIRE(pszEmailDisplayName != NULL))
        return;
    ulog::CopyText(m_szEmailDisplayName, pszEmailDisplayName);
}

void CUlogEmailLog::SetSyncId(const char* pszSyncId)
{
    if (!ULOG_REQUIRE(pszSyncId != NULL))
        return;
    ulog::CopyText(m_szSyncId, pszSyncId);
}

void CUlogEmailLog::SetMsgOwnValue(const CUlogMsgOwnValue* pMsgOwnValue)
{
    if (!ULOG_REQUIRE(pMsgOwnValue != NULL))
        return;
    ulog::ReplaceValue(m_pMsgOwnValue, pMsgOwnValue);
}

void CUlogEmailLog::SetContentValue(const CUlogContentValue* pContentValue)
{
    if (!ULOG_REQUIRE(pContentValue != NULL))
        return;
    ulog::ReplaceValue(m_pContentValue, pContentValue);
}

void CUlogEmailLog::SetAccountValue(const CUlogAccountValue* pAccountValue)
{
    if (!ULOG_REQUIRE(pAccountValue != NULL))
        return;
    ulog::ReplaceValue(m_pAccountValue, pAccountValue);
}
