/*
 * Value objects of the message-like log kinds. A log owns its value objects
 * and never shares them: setters on a log store a clone of what they are given.
 */
#ifndef CULOG_VALUES_H
#define CULOG_VALUES_H

#include "UlogSvc.h"

#include <new>

/* Message log type and the message's id in its own store. */
class CUlogMsgOwnValue
{
public:
    CUlogMsgOwnValue() : m_nMsgLogType(0), m_nMsgLogId(0) {}
    CUlogMsgOwnValue(const CUlogMsgOwnValue& other) : m_nMsgLogType(0), m_nMsgLogId(0) { Assign(other); }
    CUlogMsgOwnValue& operator=(const CUlogMsgOwnValue& other)
    {
        if (this != &other)
            Assign(other);
        return *this;
    }
    virtual ~CUlogMsgOwnValue() {}
    virtual CUlogMsgOwnValue* Clone() const;

    BOOL Assign(const CUlogMsgOwnValue& other);
    int GetMsgLogType() const { return m_nMsgLogType; }
    void SetMsgLogType(int n) { m_nMsgLogType = n; }
    int GetMsgLogID() const { return m_nMsgLogId; }
    void SetMsgLogID(int n) { m_nMsgLogId = n; }

private:
    int m_nMsgLogType;
    int m_nMsgLogId;
};

/* Subject, start of the body and the content item id. */
class CUlogContentValue
{
public:
    CUlogContentValue() { Init(); }
    CUlogContentValue(const CUlogContentValue& other)
    {
        Init();
        Assign(other);
    }
    CUlogContentValue& operator=(const CUlogContentValue& other)
    {
        if (this != &other)
            Assign(other);
        return *this;
    }
    virtual ~CUlogContentValue() {}
    virtual CUlogContentValue* Clone() const;

    BOOL Init();
    BOOL Assign(const CUlogContentValue& other);
    const WCHAR* GetSubject() const { return m_mszSubject; }
    void SetSubject(const WCHAR* pmszSubject);
    const WCHAR* GetBody() const { return m_mszBody; }
    void SetBody(const WCHAR* pmszBody);
    int GetContentId() const { return m_nContentId; }
    void SetContentId(int n) { m_nContentId = n; }

private:
    WCHAR m_mszSubject[ULOG_SUBJECT_LEN];
    WCHAR m_mszBody[ULOG_BODY_LEN];
    int m_nContentId;
};

/* The own account of an e-mail or IM log. */
class CUlogAccountValue
{
public:
    CUlogAccountValue() { Init(); }
    CUlogAccountValue(const CUlogAccountValue& other)
    {
        Init();
        Assign(other);
    }
    CUlogAccountValue& operator=(const CUlogAccountValue& other)
    {
        if (this != &other)
            Assign(other);
        return *this;
    }
    virtual ~CUlogAccountValue() {}
    virtual CUlogAccountValue* Clone() const;

    BOOL Init();
    BOOL Assign(const CUlogAccountValue& other);
    const char* GetAccountEmailAddress() const { return m_szAccountEmailAddress; }
    void SetAccountEmailAddress(const char* pszAccountEmailAddress);
    int GetAccountId() const { return m_nAccountId; }
    void SetAccountId(int n) { m_nAccountId = n; }

private:
    char m_szAccountEmailAddress[ULOG_ACCOUNT_EMAIL_ADDRESS_LEN];
    int m_nAccountId;
};

namespace ulog
{
/* Makes sure a log has its own value object, reset to the defaults. FALSE when it cannot be created. */
template <class V> BOOL CreateValue(V*& pValue)
{
    if (pValue != nullptr)
    {
        *pValue = V();
        return TRUE;
    }
    pValue = new (std::nothrow) V();
    return (pValue != nullptr) ? TRUE : FALSE;
}

/* Replaces a log's value object by a clone of the given one (which may be the log's own). */
template <class V> BOOL ReplaceValue(V*& pValue, const V* pGiven)
{
    V* pClone = pGiven->Clone();
    if (pClone == nullptr)
        return FALSE;
    delete pValue;
    pValue = pClone;
    return TRUE;
}

/* Copies another log's value object into this log's own, field by field. */
template <class V> void CopyValue(V*& pValue, const V* pOther)
{
    if (pOther == nullptr || pOther == pValue)
        return;
    if (pValue != nullptr)
        pValue->Assign(*pOther);
    else
        pValue = pOther->Clone();
}
} // namespace ulog

#endif
