/*
 * CUlogSvcDataSet: a flat holder of every field of every log kind. The table
 * layer reads rows into it and writes rows from it; the log kinds fill
 * themselves from it. Number and display name are kept as 16-bit text, the
 * form in which the tables store them.
 */
#ifndef CULOG_SVC_DATA_SET_H
#define CULOG_SVC_DATA_SET_H

#include "UlogSvc.h"
#include "H/CUlogObject.h"

class CUlog;

class CUlogSvcDataSet : public CUlogObject
{
public:
    CUlogSvcDataSet();
    CUlogSvcDataSet(const CUlogSvcDataSet& other);
    explicit CUlogSvcDataSet(const CUlog& log);
    CUlogSvcDataSet& operator=(const CUlogSvcDataSet& other);
    ~CUlogSvcDataSet() override {}

    BOOL Init();
    BOOL Assign(const CUlogSvcDataSet& other);
    /* Fills the data set from a log of any kind. */
    BOOL AssignUlog(const CUlog& log);
    /* Writes every field of the record that the data set holds; the reserved fields are left alone. */
    BOOL Convert2UlogInfo(UlogInfo& info) const;

    int GetUniqueID() const { return m_nUniqueId; }
    void SetUniqueID(int n) { m_nUniqueId = n; }
    int GetSortIndex() const { return m_nSortIndex; }
    void SetSortIndex(int n) { m_nSortIndex = n; }
    int GetGroupID() const { return m_nGroupId; }
    void SetGroupID(int n) { m_nGroupId = n; }
    BOOL IsTemporary() const { return m_bTemporary; }
    void SetTemporary(int b) { m_bTemporary = b; }
    BOOL IsCnapLog() const { return m_bCnapLog; }
    void SetCnapLog(int b) { m_bCnapLog = b; }
    BOOL IsUncheckedYet() const { return m_bUncheckedYet; }
    void SetCheckStatus(int b) { m_bUncheckedYet = b; }
    int GetParentID() const { return m_nParentId; }
    void SetParentID(int n) { m_nParentId = n; }
    unsigned int GetStartTime() const { return m_tmStart; }
    void SetStartTime(unsigned int t) { m_tmStart = t; }
    unsigned int GetEndTime() const { return m_tmEnd; }
    void SetEndTime(unsigned int t) { m_tmEnd = t; }
    unsigned int GetWiFiTotalTime() const { return m_tmWiFiTotal; }
    void SetWiFiTotalTime(unsigned int t) { m_tmWiFiTotal = t; }
    unsigned int GetGsmTotalTime() const { return m_tmGsmTotal; }
    void SetGsmTotalTime(unsigned int t) { m_tmGsmTotal = t; }
    UlogLogType GetLogType() const { return m_iLogType; }
    void SetLogType(UlogLogType i) { m_iLogType = i; }
    UlogCallType GetCallType() const { return m_iCallType; }
    void SetCallType(UlogCallType i) { m_iCallType = i; }
    UlogLineType GetLineType() const { return m_iLineType; }
    void SetLineType(UlogLineType i) { m_iLineType = i; }
    UlogPhoneType GetPhoneType() const { return m_iPhoneType; }
    void SetPhoneType(UlogPhoneType i) { m_iPhoneType = i; }
    UlogStorageType GetStorageType() const { return m_iStorageType; }
    void SetStorageType(UlogStorageType i) { m_iStorageType = i; }
    int GetCallCost() const { return m_nCallCost; }
    void SetCallCost(int n) { m_nCallCost = n; }
    int GetCtPid() const { return m_nCtPid; }
    void SetCtPid(int n) { m_nCtPid = n; }
    int GetCtDataId() const { return m_nCtDataId; }
    void SetCtDataId(int n) { m_nCtDataId = n; }
    int GetCtFdnId() const { return m_nCtFdnId; }
    void SetCtFdnId(int n) { m_nCtFdnId = n; }
    int GetMyAccountId() const { return m_nMyAccountId; }
    void SetMyAccountId(int n) { m_nMyAccountId = n; }
    int GetDuplLogCount() const { return m_nDuplLogCount; }
    void SetDuplLogCount(int n) { m_nDuplLogCount = n; }
    int GetDuplLogLastUniqueID() const { return m_nDuplLogLastUniqueId; }
    void SetDuplLogLastUniqueID(int n) { m_nDuplLogLastUniqueId = n; }
    BOOL IsVideoShareLog() const { return m_bVideoShare; }
    void SetVideoShareLog(int b) { m_bVideoShare = b; }

    const char* GetBasicNumber() const { return m_szBasicNumber; }
    void SetBasicNumber(const char* pszBasicNumber);
    const WCHAR* GetNumber() const { return m_mszNumber; }
    void SetNumber(const WCHAR* pmszNumber);
    const WCHAR* GetDisplayName() const { return m_mszName; }
    void SetDisplayName(const WCHAR* pmszName);
    const char* GetFirstName() const { return m_szFirstName; }
    void SetFirstName(const char* pszFirstName);
    const char* GetLastName() const { return m_szLastName; }
    void SetLastName(const char* pszLastName);
    const char* GetCallerIdPath() const { return m_szCallerIdPath; }
    void SetCallerIdPath(const char* pszCallerIdPath);

    const UlogVT2StageDialingInfo* Get2StageDialingInfo() const { return &m_st2StageDialingInfo; }
    void Set2StageType(int iAddressType) { m_st2StageDialingInfo.iAddressType = iAddressType; }
    void Set2StageAliasAddress(const char* pszAliasAddress);

    int GetMsgLogType() const { return m_nMsgLogType; }
    void SetMsgLogType(int n) { m_nMsgLogType = n; }
    int GetMsgLogID() const { return m_nMsgLogId; }
    void SetMsgLogID(int n) { m_nMsgLogId = n; }
    const WCHAR* GetEmailAddress() const { return m_mszEmailAddress; }
    void SetEmailAddress(const WCHAR* pmszEmailAddress);
    const char* GetEmailDisplayName() const { return m_szEmailDisplayName; }
    void SetEmailDisplayName(const char* pszEmailDisplayName);
    const char* GetAccountEmailAddress() const { return m_szAccountEmailAddress; }
    void SetAccountEmailAddress(const char* pszAccountEmailAddess);
    const char* GetSyncId() const { return m_szSyncId; }
    void SetSyncId(const char* pszSyncId);
    int GetAccountId() const { return m_nAccountId; }
    void SetAccountId(int n) { m_nAccountId = n; }
    UlogSourceType GetSourceType() const { return m_iSourceType; }
    void SetSourceType(UlogSourceType i) { m_iSourceType = i; }
    const WCHAR* GetSubject() const { return m_mszSubject; }
    void SetSubject(const WCHAR* pmszSubject);
    const WCHAR* GetBody() const { return m_mszBody; }
    void SetBody(const WCHAR* pmszBody);
    int GetContentId() const { return m_nContentId; }
    void SetContentId(int n) { m_nContentId = n; }
    const char* GetSnsPersonId() const { return m_szSnsPersonId; }
    void SetSnsPersonId(const char* pszSnsPersonId);
    int GetSnsSpInfo() const { return m_nSnsSpInfo; }
    void SetSnsSpInfo(int n) { m_nSnsSpInfo = n; }
    int GetSpInfo() const { return m_nSpInfo; }
    void SetSpInfo(int n) { m_nSpInfo = n; }
    int GetIPCallDigitCount() const { return m_nIPCallDigitCount; }
    void SetIPCallDigitCount(int n) { m_nIPCallDigitCount = n; }

private:
    int m_nUniqueId;
    int m_nSortIndex;
    int m_nGroupId;
    BOOL m_bTemporary;
    BOOL m_bCnapLog;
    BOOL m_bUncheckedYet;
    int m_nParentId;
    unsigned int m_tmStart;
    unsigned int m_tmEnd;
    unsigned int m_tmWiFiTotal;
    unsigned int m_tmGsmTotal;
    UlogLogType m_iLogType;
    UlogCallType m_iCallType;
    UlogLineType m_iLineType;
    UlogPhoneType m_iPhoneType;
    UlogStorageType m_iStorageType;
    int m_nCallCost;
    int m_nCtPid;
    int m_nCtDataId;
    int m_nCtFdnId;
    int m_nMyAccountId;
    int m_nDuplLogCount;
    int m_nDuplLogLastUniqueId;
    BOOL m_bVideoShare;
    char m_szBasicNumber[ULOG_NUMBER_LEN];
    WCHAR m_mszNumber[ULOG_NUMBER_LEN];
    WCHAR m_mszName[ULOG_NAME_LEN];
    char m_szFirstName[ULOG_NAME_LEN];
    char m_szLastName[ULOG_NAME_LEN];
    char m_szCallerIdPath[ULOG_CALLER_ID_PATH_LEN];
    UlogVT2StageDialingInfo m_st2StageDialingInfo;
    int m_nMsgLogType;
    int m_nMsgLogId;
    WCHAR m_mszEmailAddress[ULOG_EMAIL_ADDRESS_LEN];
    char m_szEmailDisplayName[ULOG_EMAIL_DISPLAY_NAME_LEN];
    char m_szAccountEmailAddress[ULOG_ACCOUNT_EMAIL_ADDRESS_LEN];
    char m_szSyncId[ULOG_SYNC_ID_LEN];
    int m_nAccountId;
    UlogSourceType m_iSourceType;
    WCHAR m_mszSubject[ULOG_SUBJECT_LEN];
    WCHAR m_mszBody[ULOG_BODY_LEN];
    int m_nContentId;
    char m_szSnsPersonId[ULOG_SNS_PERSON_ID_LEN];
    int m_nSnsSpInfo;
    int m_nSpInfo;
    int m_nIPCallDigitCount;
};

#endif
