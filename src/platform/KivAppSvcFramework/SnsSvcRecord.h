/*
 * The SNS service's records as they travel in content-sync notifications.
 *
 * The SNS service publishes every change of its messages under the content URI
 * SNS_SVC_MESSAGE_SYNC_URI: each changed element of the notification's list is an
 * ISnsSvcRecord, and a record that holds a message converts to ISnsSvcMessage. Texts
 * are narrow text of the local code page; a record never gives NULL for a text.
 */
#ifndef KIV_SNS_SVC_RECORD_H
#define KIV_SNS_SVC_RECORD_H

#include "KivAppSvcFramework/ContentSyncMgr.h"
#include "KivCore/KivCore.h"

#include <string>
#include <vector>

#define SNS_SVC_MESSAGE_SYNC_URI "kiv.content.sync.sns/message"

/* Message kinds: 0 and 5 are the two kinds of received message, 1 a message the user sent. Other values
 * may come from newer SNS services. */
#define SNS_SVC_MSG_KIND_RECEIVED 0
#define SNS_SVC_MSG_KIND_SENT 1
#define SNS_SVC_MSG_KIND_RECEIVED_2 5

class ISnsSvcMessage;

/* One changed element of an SNS notification. */
class ISnsSvcRecord : public IContentSyncData
{
public:
    ~ISnsSvcRecord() override;
    /* The record as a message; NULL when it holds something else. Not owned by the caller. */
    virtual ISnsSvcMessage* ToMessage() = 0;
};

/* One recipient of a sent message. */
class ISnsSvcMessageReceiver
{
public:
    virtual ~ISnsSvcMessageReceiver();
    virtual const char* GetId() const = 0;
    virtual const char* GetName() const = 0;
};

/* An SNS message. */
class ISnsSvcMessage
{
public:
    virtual ~ISnsSvcMessage();
    /* The conversation the message belongs to, and the message within it. */
    virtual const char* GetThreadId() const = 0;
    virtual const char* GetMessageId() const = 0;
    /* Which SNS provider the message came through. */
    virtual int GetSpInfo() const = 0;
    /* The kind (SNS_SVC_MSG_KIND_...) into *piKind; FALSE (nothing written) when the message has none. */
    virtual BOOL GetKind(int* piKind) const = 0;
    /* The subject into *ppszSubject; FALSE (nothing written) when the message has none. */
    virtual BOOL GetSubject(const char** ppszSubject) const = 0;
    virtual const char* GetSenderId() const = 0;
    virtual const char* GetSenderName() const = 0;
    /* The recipients, in the order the sender gave them; NULL outside 0 .. count-1. */
    virtual int GetReceiverCount() const = 0;
    virtual const ISnsSvcMessageReceiver* GetReceiver(int nIndex) const = 0;
    /* The body into *ppszBody; FALSE (nothing written) when the message has none. */
    virtual BOOL GetBody(const char** ppszBody) const = 0;
    /* When the message was sent or received, as a UTC calendar time. */
    virtual void GetTimeStamp(TM_DATETIME* pTimeStamp) const = 0;
};

/* A message as the SNS service builds it for a notification: a record that is a message. */
class CSnsSvcMessage : public ISnsSvcRecord, public ISnsSvcMessage
{
public:
    class CReceiver : public ISnsSvcMessageReceiver
    {
    public:
        CReceiver(const std::string& strId, const std::string& strName) : m_strId(strId), m_strName(strName)
        {
        }
        const char* GetId() const override { return m_strId.c_str(); }
        const char* GetName() const override { return m_strName.c_str(); }

    private:
        std::string m_strId;
        std::string m_strName;
    };

    CSnsSvcMessage();
    ~CSnsSvcMessage() override;

    ISnsSvcMessage* ToMessage() override { return this; }

    const char* GetThreadId() const override { return m_strThreadId.c_str(); }
    const char* GetMessageId() const override { return m_strMessageId.c_str(); }
    int GetSpInfo() const override { return m_nSpInfo; }
    BOOL GetKind(int* piKind) const override;
    BOOL GetSubject(const char** ppszSubject) const override;
    const char* GetSenderId() const override { return m_strSenderId.c_str(); }
    const char* GetSenderName() const override { return m_strSenderName.c_str(); }
    int GetReceiverCount() const override { return static_cast<int>(m_receivers.size()); }
    const ISnsSvcMessageReceiver* GetReceiver(int nIndex) const override;
    BOOL GetBody(const char** ppszBody) const override;
    void GetTimeStamp(TM_DATETIME* pTimeStamp) const override;

    /* NULL texts are taken as empty; a NULL subject or body removes it. */
    void SetThreadId(const char* pszThreadId);
    void SetMessageId(const char* pszMessageId);
    void SetSpInfo(int nSpInfo) { m_nSpInfo = nSpInfo; }
    void SetKind(int iKind);
    void SetSubject(const char* pszSubject);
    void SetSender(const char* pszId, const char* pszName);
    void AddReceiver(const char* pszId, const char* pszName);
    void SetBody(const char* pszBody);
    /* UTC seconds since 1970-01-01. */
    void SetTime(unsigned int tmSeconds) { m_tmTime = tmSeconds; }

private:
    std::string m_strThreadId;
    std::string m_strMessageId;
    int m_nSpInfo;
    bool m_bKind;
    int m_iKind;
    bool m_bSubject;
    std::string m_strSubject;
    std::string m_strSenderId;
    std::string m_strSenderName;
    std::vector<CReceiver> m_receivers;
    bool m_bBody;
    std::string m_strBody;
    unsigned int m_tmTime;
};

#endif
