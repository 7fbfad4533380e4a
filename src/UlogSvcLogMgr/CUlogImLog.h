/*
 * CUlogImLog: an instant-messaging log (log types 9 and 10).
 */
#ifndef CULOG_IM_LOG_H
#define CULOG_IM_LOG_H

#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/UlogKindValues.h"
#include "UlogSvcLogMgr/CUlogValues.h"

class CUlogImLog : public CUlog
{
public:
    CUlogImLog() { Init(); }
    CUlogImLog(const CUlogImLog& other) : CUlog(other) { ulog::InitLog(*this, other); }
    explicit CUlogImLog(const CContent& content) { ulog::InitLog(*this, content); }
    explicit CUlogImLog(const UlogInfo& info) { ulog::InitLog(*this, info); }
    explicit CUlogImLog(const CUlogSvcDataSet& dataSet) { ulog::InitLog(*this, dataSet); }
    ~CUlogImLog() override;

    CUlogImLog& operator=(const CUlogImLog& other) { return ulog::AssignLog(*this, other); }
    CUlogImLog& operator=(const CContent& content) { return ulog::AssignLog(*this, content); }
    CUlogImLog& operator=(const UlogInfo& info) { return ulog::AssignLog(*this, info); }
    CUlogImLog& operator=(const CUlogSvcDataSet& dataSet) { return ulog::AssignLog(*this, dataSet); }

    CUlogImLog* Clone() const override { return ulog::CloneLog(*this); }
    const char* GetLogClass() const override { return "CUlogImLog"; }
    BOOL OnConvert2UlogInfo(UlogInfo& info) const override;

    BOOL Init();
    BOOL Assign(const CUlogImLog& other);
    BOOL AssignContent(const CContent& content);
    BOOL AssignUlogInfo(const UlogInfo& info);
    BOOL AssignDataSet(const CUlogSvcDataSet& dataSet);

    int GetSpInfo() const { return m_nSpInfo; }
    void SetSpInfo(int n) { m_nSpInfo = n; }
    const char* GetEmailDisplayName() const { return m_szEmailDisplayName; }
    void SetEmailDisplayName(const char* pszEmailDisplayName);

    /* Owned by the log: the caller must not delete them. */
    CUlogContentValue* GetContentValue() const { return m_pContentValue; }
    CUlogAccountValue* GetAccountValue() const { return m_pAccountValue; }
    /* The log keeps a clone of the given object. */
    void SetContentValue(const CUlogContentValue* pContentValue);
    void SetAccountValue(const CUlogAccountValue* pAccountValue);

private:
    int m_nSpInfo;
    char m_szEmailDisplayName[ULOG_EMAIL_DISPLAY_NAME_LEN];
    CUlogContentValue* m_pContentValue = nullptr;
    CUlogAccountValue* m_pAccountValue = nullptr;
};

#endif
