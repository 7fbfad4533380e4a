#define ULOG_SRC_MODULE "UlogSvcLogMgr/UlogImLog"

#include "UlogSvcLogMgr/CUlogImLog.h"

#include "H/UlogSvcDef.h"
#include "H/UlogSvcText.h"
#include "KivAppSvcFramework/ContentTypes.h"
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"
#include "UlogSvcLogMgr/UlogKindValues.h"

#include <cstring>

CUlogImLog::~CUlogImLog()
{
    delete m_pContentValue;
    delete m_pAccountValue;
}

BOOL CUlogImLog::Init()
{
    m_nSpInfo = -1;
    std::memset(m_szEmailDisplayName, 0, sizeof(m_szEmailDisplayName));
    ulog::CreateValue(m_pContentValue);
    if (!ULOG_REQUIRE(m_pContentValue != NULL))
        return FALSE;
    ulog::CreateValue(m_pAccountValue);
    if (!ULOG_REQUIRE(m_pAccountValue != NULL))
        return FALSE;
    return TRUE;
}

BOOL CUlogImLog::Assign(const CUlogImLog& other)
{
    CUlog::Assign(other);
    m_nSpInfo = other.m_nSpInfo;
    ulog::CopyText(m_szEmailDisplayName, other.m_szEmailDisplayName);
    ulog::CopyValue(m_pContentValue, other.m_pContentValue);
    ulog::CopyValue(m_pAccountValue, other.m_pAccountValue);
    return TRUE;
}

BOOL CUlogImLog::AssignContent(const CContent& content)
{
    CUlog::AssignContent(content);

    int nValue = 0;
    content.GetInt(ULOG_DB_SP_INFO, nValue);
    m_nSpInfo = nValue;
    const char* psz = ulog::GetContentText(content, ULOG_DB_EMAIL_NAME, "CUlogImLog");
    if (psz == nullptr)
        return FALSE;
    ulog::CopyText(m_szEmailDisplayName, psz);
    ulog::LoadValue(m_pContentValue, content, nValue);
    return ulog::LoadValue(m_pAccountValue, content, nValue, "CUlogImLog");
}

BOOL CUlogImLog::AssignUlogInfo(const UlogInfo& info)
{
    CUlog::AssignUlogInfo(info);
    m_nSpInfo = info.nSpInfo;
    ulog::CopyText(m_szEmailDisplayName, info.szEmailDisplayName);
    ulog::LoadValue(m_pContentValue, info);
    ulog::LoadValue(m_pAccountValue, info);
    return TRUE;
}

BOOL CUlogImLog::AssignDataSet(const CUlogSvcDataSet& dataSet)
{
    CUlog::AssignDataSet(dataSet);
    m_nSpInfo = dataSet.GetSpInfo();
    ulog::CopyText(m_szEmailDisplayName, dataSet.GetEmailDisplayName());
    ulog::LoadValue(m_pContentValue, dataSet);
    ulog::LoadValue(m_pAccountValue, dataSet);
    return TRUE;
}

BOOL CUlogImLog::OnConvert2UlogInfo(UlogInfo& info) const
{
    info.nSpInfo = m_nSpInfo;
    ulog::CopyText(info.szEmailDisplayName, m_szEmailDisplayName);
    ulog::StoreValue(m_pContentValue, info);
    ulog::StoreValue(m_pAccountValue, info);
    return TRUE;
}

void CUlogImLog::SetEmailDisplayName(const char* pszEmailDisplayName)
{
    if (!ULOG_REQUIRE(pszEmailDisplayName != NULL))
        return;
    ulog::CopyText(m_szEmailDisplayName, pszEmailDisplayName);
}

void CUlogImLog::SetContentValue(const CUlogContentValue* pContentValue)
{
    if (!ULOG_REQUIRE(pContentValue != NULL))
        return;
    ulog::ReplaceValue(m_pContentValue, pContentValue);
}

void CUlogImLog::SetAccountValue(const CUlogAccountValue* pAccountValue)
{
    if (!ULOG_REQUIRE(pAccountValue != NULL))
        return;
    ulog::ReplaceValue(m_pAccountValue, pAccountValue);
}
