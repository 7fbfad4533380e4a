#define ULOG_SRC_MODULE "UlogSvcLogMgr/UlogImLog"

#include "UlogSvcLogMgr/CUlogImLog.h"

#include "H/UlogSvcDef.h"
#include "H/UlogSvcText.h"
#include "KivAppSvcFramework/ContentTypes.h"
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"

#include <cstring>
#include <new>

CUlogImLog::CUlogImLog()
{
    Init();
}

CUlogImLog::CUlogImLog(const CUlogImLog& other) : CUlog(other)
{
    Init();
    Assign(other);
}

CUlogImLog::CUlogImLog(const CContent& content)
{
    Init();
    AssignContent(content);
}

CUlogImLog::CUlogImLog(const UlogInfo& info)
{
    Init();
    AssignUlogInfo(info);
}

CUlogImLog::CUlogImLog(const CUlogSvcDataSet& dataSet)
{
    Init();
    AssignDataSet(dataSet);
}

CUlogImLog::~CUlogImLog()
{
    delete m_pContentValue;
    delete m_pAccountValue;
}

CUlogImLog& CUlogImLog::operator=(const CUlogImLog& other)
{
    if (this != &other)
        Assign(other);
    return *this;
}

CUlogImLog& CUlogImLog::operator=(const CContent& content)
{
    AssignContent(content);
    return *this;
}

CUlogImLog& CUlogImLog::operator=(const UlogInfo& info)
{
    AssignUlogInfo(info);
    return *this;
}

CUlogImLog& CUlogImLog::operator=(const CUlogSvcDataSet& dataSet)
{
    AssignDataSet(dataSet);
    return *this;
}

CUlogImLog* CUlogImLog::Clone() const
{
    return new (std::nothrow) CUlogImLog(*this);
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
    const char* psz = content.GetString(ULOG_DB_EMAIL_NAME);
    if (psz == nullptr)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogImLog::AssignContent - content.GetString(Column = %d) failed\n",
                       (int)ULOG_DB_EMAIL_NAME);
        return FALSE;
    }
    ulog::CopyText(m_szEmailDisplayName, psz);
    if (m_pContentValue != nullptr)
    {
        m_pContentValue->SetSubject(content.GetNString(ULOG_DB_LOG_SUBJECT));
        m_pContentValue->SetBody(content.GetNString(ULOG_DB_LOG_CONTENT_BODY));
        content.GetInt(ULOG_DB_CONTENT_ID, nValue);
        m_pContentValue->SetContentId(nValue);
    }
    psz = content.GetString(ULOG_DB_ACCOUNT_EMAIL_ADDRESS);
    if (psz == nullptr)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogImLog::AssignContent - content.GetString(Column = %d) failed\n",
                       (int)ULOG_DB_ACCOUNT_EMAIL_ADDRESS);
        return FALSE;
    }
    if (m_pAccountValue != nullptr)
    {
        m_pAccountValue->SetAccountEmailAddress(psz);
        content.GetInt(ULOG_DB_ACCOUNT_ID, nValue);
        m_pAccountValue->SetAccountId(nValue);
    }
    return TRUE;
}

BOOL CUlogImLog::AssignUlogInfo(const UlogInfo& info)
{
    CUlog::AssignUlogInfo(info);
    m_nSpInfo = info.nSpInfo;
    ulog::CopyText(m_szEmailDisplayName, info.szEmailDisplayName);
    if (m_pContentValue != nullptr)
    {
        m_pContentValue->SetSubject(info.mszSubject);
        m_pContentValue->SetBody(info.mszBody);
        m_pContentValue->SetContentId(info.nContentId);
    }
    if (m_pAccountValue != nullptr)
    {
        /* Bounded by the record's field, which may be unterminated. */
        char szAccount[ULOG_ACCOUNT_EMAIL_ADDRESS_LEN];
        ulog::CopyText(szAccount, info.szAccountEmailAddress);
        m_pAccountValue->SetAccountEmailAddress(szAccount);
        m_pAccountValue->SetAccountId(info.nAccountId);
    }
    return TRUE;
}

BOOL CUlogImLog::AssignDataSet(const CUlogSvcDataSet& dataSet)
{
    CUlog::AssignDataSet(dataSet);
    m_nSpInfo = dataSet.GetSpInfo();
    ulog::CopyText(m_szEmailDisplayName, dataSet.GetEmailDisplayName());
    if (m_pContentValue != nullptr)
    {
        m_pContentValue->SetSubject(dataSet.GetSubject());
        m_pContentValue->SetBody(dataSet.GetBody());
        m_pContentValue->SetContentId(dataSet.GetContentId());
    }
    if (m_pAccountValue != nullptr)
    {
        m_pAccountValue->SetAccountEmailAddress(dataSet.GetAccountEmailAddress());
        m_pAccountValue->SetAccountId(dataSet.GetAccountId());
    }
    return TRUE;
}

BOOL CUlogImLog::OnConvert2UlogInfo(UlogInfo& info) const
{
    info.nSpInfo = m_nSpInfo;
    ulog::CopyText(info.szEmailDisplayName, m_szEmailDisplayName);
    if (m_pContentValue != nullptr)
    {
        ulog::CopyWText(info.mszSubject, m_pContentValue->GetSubject());
        ulog::CopyWText(info.mszBody, m_pContentValue->GetBody());
        info.nContentId = m_pContentValue->GetContentId();
    }
    if (m_pAccountValue != nullptr)
    {
        ulog::CopyText(info.szAccountEmailAddress, m_pAccountValue->GetAccountEmailAddress());
        info.nAccountId = m_pAccountValue->GetAccountId();
    }
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
