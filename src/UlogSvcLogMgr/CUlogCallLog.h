/*
 * CUlogCallLog: a voice, video or data call (log types 0 to 2).
 */
#ifndef CULOG_CALL_LOG_H
#define CULOG_CALL_LOG_H

#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/UlogKindValues.h"

class CUlogCallLog : public CUlog
{
public:
    CUlogCallLog() { Init(); }
    CUlogCallLog(const CUlogCallLog& other) : CUlog(other) { ulog::InitLog(*this, other); }
    explicit CUlogCallLog(const CContent& content) { ulog::InitLog(*this, content); }
    explicit CUlogCallLog(const UlogInfo& info) { ulog::InitLog(*this, info); }
    explicit CUlogCallLog(const CUlogSvcDataSet& dataSet) { ulog::InitLog(*this, dataSet); }
    ~CUlogCallLog() override {}

    CUlogCallLog& operator=(const CUlogCallLog& other) { return ulog::AssignLog(*this, other); }
    CUlogCallLog& operator=(const CContent& content) { return ulog::AssignLog(*this, content); }
    CUlogCallLog& operator=(const UlogInfo& info) { return ulog::AssignLog(*this, info); }
    CUlogCallLog& operator=(const CUlogSvcDataSet& dataSet) { return ulog::AssignLog(*this, dataSet); }

    CUlogCallLog* Clone() const override { return ulog::CloneLog(*this); }
    const char* GetLogClass() const override { return "CUlogCallLog"; }
    BOOL OnConvert2UlogInfo(UlogInfo& info) const override;

    BOOL Init();
    BOOL Assign(const CUlogCallLog& other);
    BOOL AssignContent(const CContent& content);
    BOOL AssignUlogInfo(const UlogInfo& info);
    BOOL AssignDataSet(const CUlogSvcDataSet& dataSet);

    BOOL IsCnapLog() const { return m_bCnapLog; }
    void SetCnapLog(int b) { m_bCnapLog = b; }
    BOOL IsVideoShareLog() const { return m_bVideoShare; }
    void SetVideoShareLog(int b) { m_bVideoShare = b; }
    UlogCallType GetCallType() const { return m_iCallType; }
    void SetCallType(UlogCallType i) { m_iCallType = i; }
    const UlogVT2StageDialingInfo* Get2StageDialingInfo() const { return &m_st2StageDialingInfo; }
    /* The two-stage address type (TapiVT2StageAddressType), first word of the block. */
    void Set2StageType(int iAddressType) { m_st2StageDialingInfo.iAddressType = iAddressType; }
    void Set2StageAliasAddress(const char* pszAliasAddress);

private:
    void Copy2StageBlock(const UlogVT2StageDialingInfo& block);

    BOOL m_bCnapLog;
    BOOL m_bVideoShare;
    UlogCallType m_iCallType;
    UlogVT2StageDialingInfo m_st2StageDialingInfo;
};

#endif
