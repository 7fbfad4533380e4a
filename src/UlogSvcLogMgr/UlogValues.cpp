#define ULOG_SRC_MODULE "UlogSvcLogMgr/UlogValues"

#include "UlogSvcLogMgr/CUlogValues.h"

#include "H/UlogSvcDef.h"
#include "H/UlogSvcText.h"

#include <cstring>
#include <new>

CUlogMsgOwnValue* CUlogMsgOwnValue::Clone() const
{
    return new (std::nothrow) CUlogMsgOwnValue(*this);
}

BOOL CUlogMsgOwnValue::Assign(const CUlogMsgOwnValue& other)
{
    m_nMsgLogType = other.m_nMsgLogType;
    m_nMsgLogId = other.m_nMsgLogId;
    return TRUE;
}

CUlogContentValue* CUlogContentValue::Clone() const
{
    return new (std::nothrow) CUlogContentValue(*this);
}

BOOL CUlogContentValue::Init()
{
    std::memset(m_mszSubject, 0, sizeof(m_mszSubject));
    std::memset(m_mszBody, 0, sizeof(m_mszBody));
    m_nContentId = 0;
    return TRUE;
}

BOOL CUlogContentValue::Assign(const CUlogContentValue& other)
{
    if (this == &other)
        return TRUE;
    ulog::CopyWText(m_mszSubject, other.m_mszSubject);
    ulog::CopyWText(m_mszBody, other.m_mszBody);
    m_nContentId = other.m_nContentId;
    return TRUE;
}

void CUlogContentValue::SetSubject(const WCHAR* pmszSubject)
{
    if (!ULOG_REQUIRE(pmszSubject != NULL))
        return;
    ulog::CopyWText(m_mszSubject, pmszSubject);
}

void CUlogContentValue::SetBody(const WCHAR* pmszBody)
{
    if (!ULOG_REQUIRE(pmszBody != NULL))
        return;
    ulog::CopyWText(m_mszBody, pmszBody);
}

CUlogAccountValue* CUlogAccountValue::Clone() const
{
    return new (std::nothrow) CUlogAccountValue(*this);
}

BOOL CUlogAccountValue::Init()
{
    std::memset(m_szAccountEmailAddress, 0, sizeof(m_szAccountEmailAddress));
    m_nAccountId = 0;
    return TRUE;
}

BOOL CUlogAccountValue::Assign(const CUlogAccountValue& other)
{
    if (this == &other)
        return TRUE;
    ulog::CopyText(m_szAccountEmailAddress, other.m_szAccountEmailAddress);
    m_nAccountId = other.m_nAccountId;
    return TRUE;
}

void CUlogAccountValue::SetAccountEmailAddress(const char* pszAccountEmailAddress)
{
    if (!ULOG_REQUIRE(pszAccountEmailAddress != NULL))
        return;
    ulog::CopyText(m_szAccountEmailAddress, pszAccountEmailAddress);
}
