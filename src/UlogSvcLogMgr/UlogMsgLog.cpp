#define ULOG_SRC_MODULE "UlogSvcLogMgr/UlogMsgLog"

#include "UlogSvcLogMgr/CUlogMsgLog.h"

#include "H/UlogSvcDef.h"
#include "H/UlogSvcText.h"
#include "KivAppSvcFramework/ContentTypes.h"
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"
#include "UlogSvcLogMgr/UlogKindValues.h"

CUlogMsgLog::~CUlogMsgLog()
{
    delete m_pMsgOwnValue;
    delete m_pContentValue;
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
    ulog::LoadValue(m_pMsgOwnValue, content, nValue);
    ulog::LoadValue(m_pContentValue, content, nValue);
    return TRUE;
}

BOOL CUlogMsgLog::AssignUlogInfo(const UlogInfo& info)
{
    CUlog::AssignUlogInfo(info);
    ulog::LoadValue(m_pMsgOwnValue, info);
    ulog::LoadValue(m_pContentValue, info);
    return TRUE;
}

BOOL CUlogMsgLog::AssignDataSet(const CUlogSvcDataSet& dataSet)
{
    CUlog::AssignDataSet(dataSet);
    ulog::LoadValue(m_pMsgOwnValue, dataSet);
    ulog::LoadValue(m_pContentValue, dataSet);
    return TRUE;
}

BOOL CUlogMsgLog::OnConvert2UlogInfo(UlogInfo& info) const
{
    ulog::StoreValue(m_pMsgOwnValue, info);
    /* The content id of a message does not leave the service through the record. */
    ulog::StoreValue(m_pContentValue, info, FALSE);
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
