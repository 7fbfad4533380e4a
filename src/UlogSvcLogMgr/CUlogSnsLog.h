/*
 * CUlogSnsLog: an SNS message log (log types 7 and 8).
 */
#ifndef CULOG_SNS_LOG_H
#define CULOG_SNS_LOG_H

#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/UlogKindValues.h"
#include "UlogSvcLogMgr/CUlogValues.h"

class CUlogSnsLog : public CUlog
{
public:
    CUlogSnsLog() { Init(); }
    CUlogSnsLog(const CUlogSnsLog& other) : CUlog(other) { ulog::InitLog(*this, other); }
    explicit CUlogSnsLog(const CContent& content) { ulog::InitLog(*this, content); }
    explicit CUlogSnsLog(const UlogInfo& info) { ulog::InitLog(*this, info); }
    explicit CUlogSnsLog(const CUlogSvcDataSet& dataSet) { ulog::InitLog(*this, dataSet); }
    ~CUlogSnsLog() override;

    CUlogSnsLog& operator=(const CUlogSnsLog& other) { return ulog::AssignLog(*this, other); }
    CUlogSnsLog& operator=(const CContent& content) { return ulog::AssignLog(*this, content); }
    CUlogSnsLog& operator=(const UlogInfo& info) { return ulog::AssignLog(*this, info); }
    CUlogSnsLog& operator=(const CUlogSvcDataSet& dataSet) { return ulog::AssignLog(*this, dataSet); }

    CUlogSnsLog* Clone() const override { return ulog::CloneLog(*this); }
    const char* GetLogClass() const override { return "CUlogSnsLog"; }
    BOOL OnConvert2UlogInfo(UlogInfo& info) const override;

    BOOL Init();
    BOOL Assign(const CUlogSnsLog& other);
    BOOL AssignContent(const CContent& content);
    BOOL AssignUlogInfo(const UlogInfo& info);
    BOOL AssignDataSet(const CUlogSvcDataSet& dataSet);

    int GetSnsSpInfo() const { return m_nSnsSpInfo; }
    void SetSnsSpInfo(int n) { m_nSnsSpInfo = n; }
    const char* GetSnsPersonId() const { return m_szSnsPersonId; }
    void SetSnsPersonId(const char* pszSnsPersonId);
    const char* GetEmailDisplayName() const { return m_szEmailDisplayName; }
    void SetEmailDisplayName(const char* pszEmailDisplayName);
    const char* GetSyncId() const { return m_szSyncId; }
    void SetSyncId(const char* pszSyncId);

    /* Owned by the log: the caller must not delete it. */
    CUlogContentValue* GetContentValue() const { return m_pContentValue; }
    /* The log keeps a clone of the given object. */
    void SetContentValue(const CUlogContentValue* pContentValue);

private:
    int m_nSnsSpInfo;
    char m_szSnsPersonId[ULOG_SNS_PERSON_ID_LEN];
    char m_szEmailDisplayName[ULOG_EMAIL_DISPLAY_NAME_LEN];
    char m_szSyncId[ULOG_SYNC_ID_LEN];
    CUlogContentValue* m_pContentValue = nullptr;
};

#endif
