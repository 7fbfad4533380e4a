#include "KivAppSvcFramework/SnsSvcRecord.h"

namespace
{
std::string TextOf(const char* psz)
{
    return psz != nullptr ? std::string(psz) : std::string();
}
} // namespace

ISnsSvcRecord::~ISnsSvcRecord() {}
ISnsSvcMessageReceiver::~ISnsSvcMessageReceiver() {}
ISnsSvcMessage::~ISnsSvcMessage() {}

CSnsSvcMessage::CSnsSvcMessage()
    : m_nSpInfo(0), m_bKind(false), m_iKind(0), m_bSubject(false), m_bBody(false), m_tmTime(0)
{
}

CSnsSvcMessage::~CSnsSvcMessage() {}

BOOL CSnsSvcMessage::GetKind(int* piKind) const
{
    if (!m_bKind || piKind == nullptr)
        return FALSE;
    *piKind = m_iKind;
    return TRUE;
}

BOOL CSnsSvcMessage::GetSubject(const char** ppszSubject) const
{
    if (!m_bSubject || ppszSubject == nullptr)
        return FALSE;
    *ppszSubject = m_strSubject.c_str();
    return TRUE;
}

const ISnsSvcMessageReceiver* CSnsSvcMessage::GetReceiver(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetReceiverCount())
        return nullptr;
    return &m_receivers[static_cast<size_t>(nIndex)];
}

BOOL CSnsSvcMessage::GetBody(const char** ppszBody) const
{
    if (!m_bBody || ppszBody == nullptr)
        return FALSE;
    *ppszBody = m_strBody.c_str();
    return TRUE;
}

void CSnsSvcMessage::GetTimeStamp(TM_DATETIME* pTimeStamp) const
{
    if (pTimeStamp != nullptr)
        TmSecondsToDateTime(m_tmTime, pTimeStamp);
}

void CSnsSvcMessage::SetThreadId(const char* pszThreadId)
{
    m_strThreadId = TextOf(pszThreadId);
}

void CSnsSvcMessage::SetMessageId(const char* pszMessageId)
{
    m_strMessageId = TextOf(pszMessageId);
}

void CSnsSvcMessage::SetKind(int iKind)
{
    m_bKind = true;
    m_iKind = iKind;
}

void CSnsSvcMessage::SetSubject(const char* pszSubject)
{
    m_bSubject = pszSubject != nullptr;
    m_strSubject = TextOf(pszSubject);
}

void CSnsSvcMessage::SetSender(const char* pszId, const char* pszName)
{
    m_strSenderId = TextOf(pszId);
    m_strSenderName = TextOf(pszName);
}

void CSnsSvcMessage::AddReceiver(const char* pszId, const char* pszName)
{
    m_receivers.emplace_back(TextOf(pszId), TextOf(pszName));
}

void CSnsSvcMessage::SetBody(const char* pszBody)
{
    m_bBody = pszBody != nullptr;
    m_strBody = TextOf(pszBody);
}
