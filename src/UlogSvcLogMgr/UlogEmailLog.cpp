#define ULOG_SRC_MODULE "UlogSvcLogMgr/UlogEmailLog"

#include "UlogSvcLogMgr/CUlogEmailLog.h"

#include "H/UlogSvcDef.h"
#include "H/UlogSvcText.h"
#include "KivAppSvcFramework/ContentTypes.h"
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"

#include <cstring>
#include <new>

CUlogEmailLog::CUlogEmailLog()
{
    Init();
}

CUlogEmailLog::CUlogEmailLog(const CUlogEmailLog& other) : CUlog(other)
{
    Init();
    Assign(other);
}

CUlogEmailLog::CUlogEmailLog(const CContent& content)
{
    Init();
    AssignContent(content);
}

CUlogEmailLog::CUlogEmailLog(const UlogInfo& info)
{
    Init();
    AssignUlogInfo(info);
}

CUlogEmailLog::CUlogEmailLog(const CUlogSvcDataSet& dataSet)
{
    Init();
    AssignDataSet(dataSet);
}

CUlogEmailLog::~CUlogEmailLog()
{
    delete m_pMsgOwnValue;
    delete m_pContentValue;
    delete m_pAccountValue;
}

CUlogEmailLog& CUlogEmailLog::operator=(const CUlogEmailLog& other)
{
    if (this != &other)
        Assign(other);
    return *this;
}

CUlogEmailLog& CUlogEmailLog::operator=(const CContent& content)
{
    AssignContent(content);
    return *this;
}

CUlogEmailLog& CUlogEmailLog::operator=(const UlogInfo& info)
{
    AssignUlogInfo(info);
    return *this;
}

CUlogEmailLog& CUlogEmailLog::operator=(const CUlogSvcDataSet& dataSet)
{
    AssignDataSet(dataSet);
    return *this;
}

CUlogEmailLog* CUlogEmailLog::Clone() const
{
    return new (std::nothrow) CUlogEmailLog(*this);
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

    const char* psz = content.GetString(ULOG_DB_EMAIL_NAME);
    if (psz == nullptr)
    {
        SysDebugPrintf(ULOG_DBG_FAIL,
                       "CUlogEmailLog::AssignContent - content.GetString(Column = %d) failed\n",
                       (int)ULOG_DB_EMAIL_NAME);
        return FALSE;
    }
    ulog::CopyText(m_szEmailDisplayName, psz);
    psz = content.GetString(ULOG_DB_SYNC_ID);
    if (psz == nullptr)
    {
        SysDebugPrintf(ULOG_DBG_FAIL,
                       "CUlogEmailLog::AssignContent - content.GetString(Column = %d) failed\n",
                       (int)ULOG_DB_SYNC_ID);
        return FALSE;
    }
    ulog::CopyText(m_szSyncId, psz);

    int nValue = 0;
    content.GetInt(ULOG_DB_LOG_SOURCE_TYPE, nValue);
    m_iSourceType = static_cast<UlogSourceType>(nValue);
    if (m_pMsgOwnValue != nullptr)
    {
        content.GetInt(ULOG_DB_MSG_LOG_TYPE, nValue);
        m_pMsgOwnValue->SetMsgLogType(nValue);
        content.GetInt(ULOG_DB_MSG_LOG_ID, nValue);
        m_pMsgOwnValue->SetMsgLogID(nValue);
    }
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
        SysDebugPrintf(ULOG_DBG_FAIL,
                       "CUlogEmailLog::AssignContent - content.GetString(Column = %d) failed\n",
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

BOOL CUlogEmailLog::AssignUlogInfo(const UlogInfo& info)
{
    CUlog::AssignUlogInfo(info);
    m_iSourceType = info.iSourceType;
    ulog::CopyText(m_szEmailDisplayName, info.szEmailDisplayName);
    ulog::CopyText(m_szSyncId, info.szSyncId);
    if (m_pMsgOwnValue != nullptr)
    {
        m_pMsgOwnValue->SetMsgLogType(info.nMsgLogType);
        m_pMsgOwnValue->SetMsgLogID(info.nMsgLogId);
    }
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

BOOL CUlogEmailLog::AssignDataSet(const CUlogSvcDataSet& dataSet)
{
    CUlog::AssignDataSet(dataSet);
    ulog::CopyText(m_szEmailDisplayName, dataSet.GetEmailDisplayName());
    ulog::CopyText(m_szSyncId, dataSet.GetSyncId());
    m_iSourceType = dataSet.GetSourceType();
    if (m_pMsgOwnValue != nullptr)
    {
        m_pMsgOwnValue->SetMsgLogType(dataSet.GetMsgLogType());
        m_pMsgOwnValue->SetMsgLogID(dataSet.GetMsgLogID());
    }
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

BOOL CUlogEmailLog::OnConvert2UlogInfo(UlogInfo& info) const
{
    info.iSourceType = m_iSourceType;
    if (m_pMsgOwnValue != nullptr)
    {
        info.nMsgLogType = m_pMsgOwnValue->GetMsgLogType();
        info.nMsgLogId = m_pMsgOwnValue->GetMsgLogID();
    }
    ulog::CopyText(info.szEmailDisplayName, m_szEmailDisplayName);
    ulog::CopyText(info.szSyncId, m_szSyncId);
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
