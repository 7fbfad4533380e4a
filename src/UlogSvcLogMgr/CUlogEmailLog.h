/*
 * CUlogEmailLog: a sent or received e-mail (log types 5 and 6).
 */
#ifndef CULOG_EMAIL_LOG_H
#define CULOG_EMAIL_LOG_H

#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/UlogKindValues.h"
#include "UlogSvcLogMgr/CUlogValues.h"

class CUlogEmailLog : public CUlog
{
public:
    CUlogEmailLog() { Init(); }
    CUlogEmailLog(const CUlogEmailLog& other) : CUlog(other) { ulog::InitLog(*this, other); }
    explicit CUlogEmailLog(const CContent& content) { ulog::InitLog(*this, content); }
    explicit CUlogEmailLog(const UlogInfo& info) { ulog::InitLog(*this, info); }
    explicit CUlogEmailLog(const CUlogSvcDataSet& dataSet) { ulog::InitLog(*this, dataSet); }
    ~CUlogEmailLog() override;

    CUlogEmailLog& operator=(const CUlogEmailLog& other) { return ulog::AssignLog(*this, other); }
    CUlogEmailLog& operator=(const CContent& content) { return ulog::AssignLog(*this, content); }
    CUlogEmailLog& operator=(const UlogInfo& info) { return ulog::AssignLog(*this, info); }
    CUlogEmailLog& operator=(const CUlogSvcDataSet& dataSet) { return ulog::AssignLog(*this, dataSet); }

    CUlogEmailLog* Clone() const override { return ulog::CloneLog(*this); }
    const char* GetLogClass() const override { return "CUlogEmailLog"; }
    BOOL OnConvert2UlogInfo(UlogInfo& info) const override;

    BOOL Init();
    BOOL Assign(const CUlogEmailLog& other);
    BOOL AssignContent(const CContent& content);
    BOOL AssignUlogInfo(const UlogInfo& info);
    BOOL AssignDataSet(const CUlogSvcDataSet& dataSet);

    const char* GetEmailDisplayName() const { return m_szEmailDisplayName; }
    void SetEmailDisplayName(const char* pszEmailDisplayName);
    const char* GetSyncId() const { return m_szSyncId; }
    void SetSyncId(const char* pszSyncId);
    UlogSourceType GetSourceType() const { return m_iSourceType; }
    void SetSourceType(UlogSourceType i) { m_iSourceType = i; }

    /* Owned by the log: the caller must not delete them. */
    CUlogMsgOwnValue* GetMsgOwnValue() const { return m_pMsgOwnValue; }
    CUlogContentValue* GetContentValue() const { return m_pContentValue; }
    CUlogAccountValue* GetAccountValue() const { return m_pAccountValue; }
    /* The log keeps a clone of the given object. */
    void SetMsgOwnValue(const CUlogMsgOwnValue* pMsgOwnValue);
    void SetContentValue(const CUlogContentValue* pContentValue);
    void SetAccountValue(const CUlogAccountValue* pAccountValue);

private:
    char m_szEmailDisplayName[ULOG_EMAIL_DISPLAY_NAME_LEN];
    char m_szSyncId[ULOG_SYNC_ID_LEN];
    UlogSourceType m_iSourceType;
    CUlogMsgOwnValue* m_pMsgOwnValue = nullptr;
    CUlogContentValue* m_pContentValue = nullptr;
    CUlogAccountValue* m_pAccountValue = nullptr;
};

#endif
