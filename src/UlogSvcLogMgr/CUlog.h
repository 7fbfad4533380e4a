/*
 * CUlog: the abstract base of every log entry held in memory, and the
 * IUlogCloneable interface through which logs are copied.
 */
#ifndef CULOG_H
#define CULOG_H

#include "UlogSvc.h"
#include "H/CUlogObject.h"

class CContent;
class CUlogSvcDataSet;

class IUlogCloneable
{
public:
    virtual ~IUlogCloneable() {}
    virtual IUlogCloneable* Clone() const = 0;
};

class CUlog : public CUlogObject, public IUlogCloneable
{
public:
    ~CUlog() override {}

    /* A new object of the same kind, copied from this one; NULL for a kind that cannot be copied. */
    CUlog* Clone() const override { return nullptr; }
    virtual const char* GetLogClass() const { return "CUlog"; }
    /* Writes the kind's own fields into a record. */
    virtual BOOL OnConvert2UlogInfo(UlogInfo& info) const = 0;

    BOOL Init();
    BOOL Assign(const CUlog& other);
    /* Reads one row of the log tables as the content framework delivers it. */
    BOOL AssignContent(const CContent& content);
    BOOL AssignUlogInfo(const UlogInfo& info);
    BOOL AssignDataSet(const CUlogSvcDataSet& dataSet);
    /* Clears the record, writes the common fields, then the kind's own. */
    BOOL Convert2UlogInfo(UlogInfo& info) const;
    BOOL IsTypeEqual(const CUlog& other) const;

    int GetUniqueID() const;
    void SetUniqueID(int n) { m_nDbIndex = n; }
    int GetSortIndex() const { return m_nSortIndex; }
    void SetSortIndex(int n) { m_nSortIndex = n; }
    int GetGroupID() const { return m_nGroupId; }
    void SetGroupID(int n) { m_nGroupId = n; }
    BOOL IsTemporary() const { return m_bTemporary; }
    void SetTemporary(int b) { m_bTemporary = b; }
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
    int GetIPCallDigitCount() const { return m_nIPCallDigitCount; }
    void SetIPCallDigitCount(int n) { m_nIPCallDigitCount = n; }

    const char* GetBasicNumber() const { return m_szBasicNumber; }
    void SetBasicNumber(const char* pszNumber);
    const char* GetNumber() const { return m_szNumber; }
    void SetNumber(const char* pszNumber);
    const char* GetDisplayName() const { return m_szName; }
    void SetDisplayName(const char* pszName);
    const char* GetFirstName() const { return m_szFirstName; }
    void SetFirstName(const char* pszFirstName);
    const char* GetLastName() const { return m_szLastName; }
    void SetLastName(const char* pszLastName);
    const char* GetCallerIdPath() const { return m_szCallerIdPath; }
    void SetCallerIdPath(const char* pszCallerIdPath);
    const WCHAR* GetEmailAddress() const { return m_mszEmailAddress; }
    void SetEmailAddress(const WCHAR* pmszEmailAddress);

protected:
    CUlog();
    CUlog(const CUlog& other);
    CUlog& operator=(const CUlog& other);

private:
    int m_nDbIndex;
    int m_nSortIndex;
    int m_nGroupId;
    BOOL m_bTemporary;
    BOOL m_bUncheckedYet;
    int m_nParentId;
    unsigned int m_tmStart;
    unsigned int m_tmEnd;
    unsigned int m_tmWiFiTotal;
    unsigned int m_tmGsmTotal;
    UlogLogType m_iLogType;
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
    char m_szBasicNumber[ULOG_NUMBER_LEN];
    char m_szNumber[ULOG_NUMBER_LEN];
    char m_szName[ULOG_NAME_LEN];
    char m_szFirstName[ULOG_NAME_LEN];
    char m_szLastName[ULOG_NAME_LEN];
    char m_szCallerIdPath[ULOG_CALLER_ID_PATH_LEN];
    WCHAR m_mszEmailAddress[ULOG_EMAIL_ADDRESS_LEN];
    int m_nIPCallDigitCount;
};

#endif
