#define ULOG_SRC_MODULE "UlogSvcLogMgr/UlogMsgLog"

#include "UlogSvcLogMgr/CUlogMsgLog.h"

#include "H/UlogSvcDef.h"
#include "H/UlogSvcText.h"
#include "KivAppSvcFramework/ContentTypes.h"
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"

#include <new>

CUlogMsgLog::CUlogMsgLog()
{
    Init();
}

CUlogMsgLog::CUlogMsgLog(const CUlogMsgLog& other) : CUlog(other)
{
    Init();
    Assign(other);
}

CUlogMsgLog::CUlogMsgLog(const CContent& content)
{
    Init();
    AssignContent(content);
}

CUlogMsgLog::CUlogMsgLog(const UlogInfo& info)
{
    Init();
    AssignUlogInfo(info);
}

CUlogMsgLog::CUlogMsgLog(const CUlogSvcDataSet& dataSet)
{
    Init();
    AssignDataSet(dataSet);
}

CUlogMsgLog::~CUlogMsgLog()
{
    delete m_pMsgOwnValue;
    delete m_pContentValue;
}

CUlogMsgLog& CUlogMsgLog::operator=(const CUlogMsgLog& other)
{
    if (this != &other)
        Assign(other);
    return *this;
}

CUlogMsgLog& CUlogMsgLog::operator=(const CContent& content)
{
    AssignContent(content);
    return *this;
}

CUlogMsgLog& CUlogMsgLog::operator=(const UlogInfo& info)
{
    AssignUlogInfo(info);
    return *this;
}

CUlogMsgLog& CUlogMsgLog::operator=(const CUlogSvcDataSet& dataSet)
{
    AssignDataSet(dataSet);
    return *this;
}

CUlogMsgLog* CUlogMsgLog::Clone() const
{
    return new (std::nothrow) CUlogMsgLog(*this);
}

BOOL CUlogMsgLog::Init()
{
    ulog::CreateValue(m_pMsgOwnValue);
    if (!ULOG_REQUIRE(m_pMsgOwnValue != NULL))
        return FALSE;
    ulog::CreateValue(m_pContentValue);
    if (!ULOG_REQUIRE(m_pContentValue != NULL))
        return FALSE;
    return TRUE;
}

BOOL CUlogMsgLog::Assign(const CUlogMsgLog& other)
{
    CUlog::Assign(other);
    ulog::CopyValue(m_pMsgOwnValue, other.m_pMsgOwnValue);
    ulog::CopyValue(m_pContentValue, other.m_pContentValue);
    return TRUE;
}

BOOL CUlogMsgLog::AssignContent(const CContent& content)
{
    CUlog::AssignContent(content);
    int nValue = 0;
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
    return TRUE;
}

BOOL CUlogMsgLog::AssignUlogInfo(const UlogInfo& info)
{
    CUlog::AssignUlogInfo(info);
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
    return TRUE;
}

BOOL CUlogMsgLog::AssignDataSet(const CUlogSvcDataSet& dataSet)
{
    CUlog::AssignDataSet(dataSet);
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
    return TRUE;
}

BOOL CUlogMsgLog::OnConvert2UlogInfo(UlogInfo& info) const
{
    if (m_pMsgOwnValue != nullptr)
    {
        info.nMsgLogType = m_pMsgOwnValue->GetMsgLogType();
        info.nMsgLogId = m_pMsgOwnValue->GetMsgLogID();
    }
    if (m_pContentValue != nullptr)
    {
        /* The content id of a message does not leave the service through the record. */
        ulog::CopyWText(info.mszSubject, m_pContentValue->GetSubject());
        ulog::CopyWText(info.mszBody, m_pContentValue->GetBody());
    }
    return TRUE;
}

void CUlogMsgLog::SetMsgOwnValue(const CUlogMsgOwnValue* pMsgOwnValue)
{
    if (!ULOG_REQUIRE(pMsgOwnValue != NULL))
        return;
    ulog::ReplaceValue(m_pMsgOwnValue, pMsgOwnValue);
}

void CUlogMsgLog::SetContentValue(const CUlogContentValue* pContentValue)
{
    if (!ULOG_REQUIRE(pContentValue != NULL))
        return;
    ulog::ReplaceValue(m_pContentValue, pContentValue);
}

BOOL CUlogMsgLog::IsEmailBased() const
{
    if (GetEmailAddress()[0] == 0 || m_pMsgOwnValue == nullptr)
        return FALSE;
    switch (m_pMsgOwnValue->GetMsgLogType())
    {
    case ULOG_MSG_LOG_TYPE_32:
    case ULOG_MSG_LOG_TYPE_64:
    case ULOG_MSG_LOG_TYPE_1024:
    case ULOG_MSG_LOG_TYPE_2048:
        return TRUE;
    default:
        return FALSE;
    }
}
