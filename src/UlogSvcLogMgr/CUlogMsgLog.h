/*
 * CUlogMsgLog: a sent or received message (log types 3 and 4).
 */
#ifndef CULOG_MSG_LOG_H
#define CULOG_MSG_LOG_H

#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/UlogKindValues.h"
#include "UlogSvcLogMgr/CUlogValues.h"

class CUlogMsgLog : public CUlog
{
public:
    CUlogMsgLog() { Init(); }
    CUlogMsgLog(const CUlogMsgLog& other) : CUlog(other) { ulog::InitLog(*this, other); }
    explicit CUlogMsgLog(const CContent& content) { ulog::InitLog(*this, content); }
    explicit CUlogMsgLog(const UlogInfo& info) { ulog::InitLog(*this, info); }
    explicit CUlogMsgLog(const CUlogSvcDataSet& dataSet) { ulog::InitLog(*this, dataSet); }
    ~CUlogMsgLog() override;

    CUlogMsgLog& operator=(const CUlogMsgLog& other) { return ulog::AssignLog(*this, other); }
    CUlogMsgLog& operator=(const CContent& content) { return ulog::AssignLog(*this, content); }
    CUlogMsgLog& operator=(const UlogInfo& info) { return ulog::AssignLog(*this, info); }
    CUlogMsgLog& operator=(const CUlogSvcDataSet& dataSet) { return ulog::AssignLog(*this, dataSet); }

    CUlogMsgLog* Clone() const override { return ulog::CloneLog(*this); }
    const char* GetLogClass() const override { return "CUlogMsgLog"; }
    BOOL OnConvert2UlogInfo(UlogInfo& info) const override;

    BOOL Init();
    BOOL Assign(const CUlogMsgLog& other);
    BOOL AssignContent(const CContent& content);
    BOOL AssignUlogInfo(const UlogInfo& info);
    BOOL AssignDataSet(const CUlogSvcDataSet& dataSet);

    /* Owned by the log: the caller must not delete them. */
    CUlogMsgOwnValue* GetMsgOwnValue() const { return m_pMsgOwnValue; }
    CUlogContentValue* GetContentValue() const { return m_pContentValue; }
    /* The log keeps a clone of the given object. */
    void SetMsgOwnValue(const CUlogMsgOwnValue* pMsgOwnValue);
    void SetContentValue(const CUlogContentValue* pContentValue);

    /* A message that went by e-mail: it has an e-mail address and message log type 32, 64, 1024 or 2048. */
    BOOL IsEmailBased() const;

private:
    CUlogMsgOwnValue* m_pMsgOwnValue = nullptr;
    CUlogContentValue* m_pContentValue = nullptr;
};

#endif
