// The contact sync per record: the contact fields of the stored logs follow each changed contacts record.
#define ULOG_SRC_MODULE "UlogSvcChangeMgr/UlogSvcContactSync"
#include "H/UlogSvcDef.h"

#include "UlogSvcChangeMgr/CUlogSvcContactSync.h"

#include "H/UlogSvcList.h"
#include "H/UlogSvcPtr.h"
#include "KivCtSvc/KivCtSvc.h"
#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvcDbMgr/CUlogContentFrmwkDbMgr.h"
#include "UlogSvcDbMgr/CUlogDbBatch.h"
#include "UlogSvcLogMgr/CUlogSnsLog.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"
#include "UlogSvcLogMgr/CUlogSvcFilterMgr.h"
#include "UlogSvcLogMgr/CUlogSvcLogMgrLock.h"
#include "UlogSvcLogMgr/IUlogSvcDistinctMgr.h"
#include "UlogSvcUtil/CUlogSvcUtil.h"

#include <cstring>
#include <string>
#include <vector>

namespace
{
const UlogDbTableType TABLE = ULOG_DB_TABLE_DISTINCT;

/* While this file exists a full pass over the logs is pending: the per-record sync stands aside. */
const char* const CHECK_FILE = "/User/Ulog/CtFullSyncCheckDummy.txt";

/* The name-order setting: 0 "first last", 1 "last first". */
const int NV_NAME_ORDER = 1417;

/* The log types of each kind of contact data. */
const int LOG_TYPE_MSG_FIRST = 3, LOG_TYPE_MSG_LAST = 6;
const int LOG_TYPE_SNS_FIRST = 7, LOG_TYPE_SNS_LAST = 8;
const int LOG_TYPE_IM_FIRST = 9, LOG_TYPE_IM_LAST = 10;

/* Characters of a number that the address book keeps and searches with. */
const int MAX_NUMBER_CHARS = CTSVC_NUMBER_LEN - 1;

typedef CUlogSvcContactSync::CtLink CtLink;

/* The column name of a field of the distinct table. */
std::string Field(int nField)
{
    CUlogSvcFilterMgr* pFilterMgr = CUlogSvcFilterMgr::Instance();
    return pFilterMgr != NULL ? pFilterMgr->GetFieldName(nField, TABLE) : std::string();
}

bool FilterMgrReady()
{
    CUlogSvcFilterMgr* pFilterMgr = CUlogSvcFilterMgr::Instance();
    return ULOG_REQUIRE(pFilterMgr != NULL);
}

/* " logtype between low and high " */
std::string LogTypeRange(int nLow, int nHigh)
{
    char szRange[128] = {0};
    AcSprintfSEx(szRange, sizeof(szRange), __FILE__, __LINE__, " %s between %d and %d ",
                 Field(ULOG_DB_LOG_TYPE).c_str(), nLow, nHigh);
    return szRange;
}

/* Logs without an e-mail address: calls and messages. */
void AppendNoEmail(CUlogSvcFilter& filter)
{
    filter.AppendFilter(Field(ULOG_DB_EMAIL_ADDRESS) + " = n''", TRUE);
}

/* The call and message logs of a basic number. */
void SetNumberFilter(CUlogSvcFilter& filter, const char* pszBasic)
{
    filter.SetFilter(Field(ULOG_DB_BASIC_NUMBER), std::string(pszBasic));
    AppendNoEmail(filter);
}

/* The logs of the types low to high whose address is the given one (bound, never pasted). */
BOOL SetAddressFilter(CUlogSvcFilter& filter, int nLow, int nHigh, const char* pszAddress)
{
    WCHAR mszAddress[ULOG_EMAIL_ADDRESS_LEN] = {0};
    WmConvert2PCode(mszAddress, ULOG_EMAIL_ADDRESS_LEN, pszAddress);
    filter.SetFilter(LogTypeRange(nLow, nHigh));
    filter.AppendFilter(Field(ULOG_DB_EMAIL_ADDRESS) + " = ?", TRUE);
    return filter.AppendFilterArg(mszAddress);
}

/* The logs of the types low to high linked to a contact-data record. */
void SetDataIdFilter(CUlogSvcFilter& filter, int nLow, int nHigh, int nDataId)
{
    filter.SetFilter(LogTypeRange(nLow, nHigh));
    filter.AppendFilter(Field(ULOG_DB_CT_DATA_ID), nDataId, TRUE);
}

/* A text field of a contacts record, terminated within its field. */
template <size_t N> std::string FieldText(const char (&szField)[N])
{
    return std::string(szField, strnlen(szField, N));
}

/* The record's number, at most the characters that the address book keeps. */
template <size_t N> void CopyNumber(char (&szDest)[ULOG_NUMBER_LEN], const char (&szSrc)[N])
{
    const size_t n = strnlen(szSrc, N < (size_t)MAX_NUMBER_CHARS ? N : (size_t)MAX_NUMBER_CHARS);
    std::memcpy(szDest, szSrc, n);
    szDest[n] = '\0';
}

/* The link to an FDN entry: its name only, no contact. */
void SetFdnLink(CtLink& link, const CtSvcFdnRecord& fdn)
{
    link = CtLink();
    link.nFields = CtLink::PHONE_TYPE | CtLink::STORAGE_TYPE | CtLink::PERSON_ID | CtLink::DATA_ID |
                   CtLink::FDN_ID | CtLink::NAMES;
    link.iPhoneType = ULOG_PHONE_TYPE_FDN;
    link.iStorageType = ULOG_STORAGE_FDN;
    link.nCtFdnId = fdn.nFdnId;
    CUlogSvcContactSync::__CopyCut(link.szName, ULOG_NAME_LEN, FieldText(fdn.szName).c_str());
}

/* TRUE when the log carries anything of a contact. */
bool HoldsContact(const CUlog& log)
{
    return log.GetPhoneType() == ULOG_PHONE_TYPE_FDN || log.GetCtPid() != 0 || log.GetCtDataId() != 0 ||
           log.GetMyAccountId() != 0 || log.GetFirstName()[0] != '\0' || log.GetLastName()[0] != '\0' ||
           log.GetCallerIdPath()[0] != '\0';
}

/* The kinds of contact data other than phone numbers, and how each is searched. */
enum DataKind
{
    DATA_EMAIL,
    DATA_SNS,
    DATA_IM
};

/* The first record of the address book holding a key. */
struct Holder
{
    int nDataId = 0;
    int nContactId = 0;
    int nAccountId = 0;
    int nUseType = 0;
};

/* -1 when the address book cannot be read, 0 when no record holds the key, 1 with the first holder. */
int FindDataHolder(DataKind iKind, const char* pszKey, Holder& holder)
{
    int nFound = -1;
    switch (iKind)
    {
    case DATA_EMAIL:
    {
        CtSvcEmailAddressRecord search, record;
        std::memset(&search, 0, sizeof(search));
        std::memset(&record, 0, sizeof(record));
        AcStrcpySEx(search.szAddress, sizeof(search.szAddress), pszKey, __FILE__, __LINE__);
        nFound = CtSvcDbEmailAddressGetRecords(&search, &record, 1);
        holder = {record.nDataId, record.nContactId, record.nAccountId, record.nUseType};
        break;
    }
    case DATA_SNS:
    {
        CtSvcSnsDataRecord search, record;
        std::memset(&search, 0, sizeof(search));
        std::memset(&record, 0, sizeof(record));
        AcStrcpySEx(search.szPersonId, sizeof(search.szPersonId), pszKey, __FILE__, __LINE__);
        nFound = CtSvcDbSnsDataGetRecords(&search, &record, 1);
        holder = {record.nDataId, record.nContactId, record.nAccountId, 0};
        break;
    }
    case DATA_IM:
    {
        CtSvcImRecord search, record;
        std::memset(&search, 0, sizeof(search));
        std::memset(&record, 0, sizeof(record));
        AcStrcpySEx(search.szAddress, sizeof(search.szAddress), pszKey, __FILE__, __LINE__);
        nFound = CtSvcDbIMGetRecords(&search, &record, 1);
        holder = {record.nDataId, record.nContactId, record.nAccountId, 0};
        break;
    }
    }
    return nFound < 0 ? -1 : (nFound > 0 ? 1 : 0);
}

/* The contact's main record into the link; false (reported) when it cannot be read. */
bool ReadContact(const char* pszFunc, int nContactId, CtLink& link)
{
    CtSvcContactRecord contact;
    std::memset(&contact, 0, sizeof(contact));
    if (!CtSvcDbContactGetRecord(nContactId, &contact))
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: CtSvcDbContactGetRecord fail!!\n", pszFunc);
        return false;
    }
    link.SetContact(contact);
    link.nCtPid = nContactId;
    return true;
}

/* The link of a contact-data record: its contact, ids and account. */
bool SetDataLink(const char* pszFunc, const Holder& holder, CtLink& link)
{
    link = CtLink();
    if (!ReadContact(pszFunc, holder.nContactId, link))
        return false;
    link.nFields |= CtLink::PERSON_ID | CtLink::DATA_ID | CtLink::ACCOUNT_ID;
    link.nCtDataId = holder.nDataId;
    link.nMyAccountId = holder.nAccountId;
    return true;
}

} // namespace

/* ==== The instance ==== */

CUlogSvcContactSync* CUlogSvcContactSync::Instance()
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    static CUlogSvcContactSync s_instance;
    return &s_instance;
}

CUlogSvcContactSync::CUlogSvcContactSync() : m_pDbMgr(CUlogContentFrmwkDbMgr::Instance())
{
    ULOG_REQUIRE(m_pDbMgr != NULL);
}

CUlogSvcContactSync::~CUlogSvcContactSync() {}

BOOL CUlogSvcContactSync::__CheckDbMgr() const
{
    return ULOG_REQUIRE(m_pDbMgr != NULL) && FilterMgrReady() ? TRUE : FALSE;
}

/* ==== The listeners ==== */

BOOL CUlogSvcContactSync::NumberDataContactSync(int nCtChangeType, int nRecordId, void*, void*)
{
    return Dispatch(
        "NumberDataContactSync", nCtChangeType, nRecordId, &CUlogSvcContactSync::UpdateNewNumberCtInfoData,
        &CUlogSvcContactSync::UpdateNumberCtInfoData, &CUlogSvcContactSync::UpdateDeletedNumberCtInfoData);
}

BOOL CUlogSvcContactSync::EmailDataContactSync(int nCtChangeType, int nRecordId, void*, void*)
{
    return Dispatch(
        "EmailDataContactSync", nCtChangeType, nRecordId, &CUlogSvcContactSync::UpdateNewEmailCtInfoData,
        &CUlogSvcContactSync::UpdateEmailCtInfoData, &CUlogSvcContactSync::UpdateDeletedEmailCtInfoData);
}

BOOL CUlogSvcContactSync::FdnDataContactSync(int nCtChangeType, int nRecordId, void*, void*)
{
    return Dispatch("FdnDataContactSync", nCtChangeType, nRecordId,
                    &CUlogSvcContactSync::UpdateNewFdnCtInfoData, &CUlogSvcContactSync::UpdateFdnCtInfoData,
                    &CUlogSvcContactSync::UpdateDeletedFdnCtInfoData);
}

BOOL CUlogSvcContactSync::SnsContactSync(int nCtChangeType, int nRecordId, void*, void*)
{
    return Dispatch("SnsContactSync", nCtChangeType, nRecordId, &CUlogSvcContactSync::UpdateNewSnsCtData,
                    &CUlogSvcContactSync::UpdateSnsCtData, &CUlogSvcContactSync::UpdateDeletedSnsCtData);
}

BOOL CUlogSvcContactSync::ImContactSync(int nCtChangeType, int nRecordId, void*, void*)
{
    return Dispatch("ImContactSync", nCtChangeType, nRecordId, &CUlogSvcContactSync::UpdateNewImCtData,
                    &CUlogSvcContactSync::UpdateImCtData, &CUlogSvcContactSync::UpdateDeletedImCtData);
}

BOOL CUlogSvcContactSync::PrimaryContactSync(int nCtChangeType, int nRecordId, void*, void*)
{
    // A new main record has no data records yet; a deleted one had them reported deleted first.
    return Dispatch("PrimaryContactSync", nCtChangeType, nRecordId, NULL,
                    &CUlogSvcContactSync::UpdatePrimaryCtInfo, NULL);
}

BOOL CUlogSvcContactSync::Dispatch(const char* pszCallback, int nCtChangeType, int nRecordId, Update pfnNew,
                                   Update pfnChanged, Update pfnDeleted)
{
    unsigned int nAttributes = 0;
    if (FmGetFileAttributes(CHECK_FILE, &nAttributes) == TRUE)
    {
        SysDebugPrintf(ULOG_DBG_PROGRESS,
                       "CUlogSvcContactSync::%s: full sync is already started or going to be!!\n",
                       pszCallback);
        return FALSE;
    }
    Update pfnUpdate = NULL;
    if (nCtChangeType == CTSVC_CHANGE_NEW)
        pfnUpdate = pfnNew;
    else if (nCtChangeType == CTSVC_CHANGE_CHANGED)
        pfnUpdate = pfnChanged;
    else if (nCtChangeType == CTSVC_CHANGE_DELETED)
        pfnUpdate = pfnDeleted;
    if (pfnUpdate != NULL)
        (Instance()->*pfnUpdate)(nRecordId);
    return TRUE;
}

/* ==== Phone numbers ==== */

BOOL CUlogSvcContactSync::UpdateNewNumberCtInfoData(int nRecordId)
{
    static const char FUNC[] = "UpdateNewNumberCtInfoData";
    if (!__CheckDbMgr())
        return FALSE;
    CtSvcContactDataRecord data;
    std::memset(&data, 0, sizeof(data));
    if (!CtSvcDbContactDataGetRecord(nRecordId, &data))
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "UpdateNewNumberCtInfoData: CtSvcDbContactDataGetRecord fail!!.\n");
        return FALSE;
    }
    char szNumber[ULOG_NUMBER_LEN] = {0};
    CopyNumber(szNumber, data.stNumber.szNumber);
    if (data.nKind != CTSVC_DATA_PHONE_NUMBER || szNumber[0] == '\0')
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "UpdateNewNumberCtInfoData: Invalid number data.\n");
        return FALSE;
    }
    const CtSvcPhoneNumberRecord& number = data.stNumber;
    CtLink link;
    if (!ReadContact(FUNC, number.nContactId, link))
        return FALSE;
    link.nFields |= CtLink::PHONE_TYPE | CtLink::STORAGE_TYPE | CtLink::PERSON_ID | CtLink::DATA_ID;
    link.iPhoneType = __GetPhoneType(number.nNumberKind, number.nUseType);
    link.iStorageType = __GetStorageType(number.nStorageKind);
    link.nCtDataId = nRecordId;

    char szBasic[ULOG_NUMBER_LEN] = {0};
    CUlogSvcUtil::ExtractBasicNum(szNumber, szBasic, 0);
    CUlogSvcFilter filter;
    SetNumberFilter(filter, szBasic);
    return __LinkLogs(FUNC, "UpdateNewNumberCtInfoData: No log to update contact info.\n", filter, link);
}

BOOL CUlogSvcContactSync::UpdateNumberCtInfoData(int nRecordId)
{
    UpdateDeletedNumberCtInfoData(nRecordId);
    UpdateNewNumberCtInfoData(nRecordId);
    return TRUE;
}

BOOL CUlogSvcContactSync::UpdateDeletedNumberCtInfoData(int nRecordId)
{
    return __UpdateDeletedNumber("UpdateDeletedNumberCtInfoData", nRecordId, false);
}

BOOL CUlogSvcContactSync::__FindNumberHolder(const char* pszFunc, const char* pszNumber, bool bFdn,
                                             CtLink& link)
{
    SysDebugPrintf(ULOG_DBG_DETAIL, "%s: Search Phone&SIM\n", pszFunc);
    CtSvcPhoneNumberRecord search, record;
    std::memset(&search, 0, sizeof(search));
    std::memset(&record, 0, sizeof(record));
    AcStrncpyEx(search.szNumber, sizeof(search.szNumber), pszNumber, MAX_NUMBER_CHARS, __FILE__, __LINE__);
    const int nFound = CtSvcDbPhoneNumberGetRecords(&search, &record, 1);
    if (nFound < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: CtSvcDbPhoneNumberGetRecords fail!!\n", pszFunc);
        return FALSE;
    }
    if (nFound > 0)
    {
        const Holder holder = {record.nDataId, record.nContactId, record.nAccountId, record.nUseType};
        if (!SetDataLink(pszFunc, holder, link))
            return FALSE;
        link.nFields |= CtLink::PHONE_TYPE | CtLink::STORAGE_TYPE | (bFdn ? CtLink::FDN_ID : 0u);
        link.iPhoneType = __GetPhoneType(record.nNumberKind, record.nUseType);
        link.iStorageType = __GetStorageType(record.nStorageKind);
        return TRUE;
    }

    SysDebugPrintf(ULOG_DBG_DETAIL, "%s: Search FDN db\n", pszFunc);
    CtSvcFdnRecord fdn;
    std::memset(&fdn, 0, sizeof(fdn));
    if (CtSvcDbFdnGetRecordByPhoneNumber(search.szNumber, &fdn))
    {
        SetFdnLink(link, fdn);
        return TRUE;
    }
    // Nothing found, or the address book could not be read: only the first may clear the logs.
    if (SysGetLastError() != CTSVC_ERR_NOT_FOUND)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: CtSvcDbFdnGetRecordByPhoneNumber fail!!\n", pszFunc);
        return FALSE;
    }

    SysDebugPrintf(ULOG_DBG_DETAIL, "%s: Delete contact info\n", pszFunc);
    link = CtLink();
    link.nFields = CtLink::CLEAR;
    return TRUE;
}

BOOL CUlogSvcContactSync::__UpdateDeletedNumber(const char* pszFunc, int nRecordId, bool bFdn)
{
    if (!__CheckDbMgr())
        return FALSE;
    // Id 0 is what every log without a link holds: it names no record.
    if (nRecordId <= 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: invalid record id (%d).\n", pszFunc, nRecordId);
        return FALSE;
    }
    CUlogSvcFilter filter;
    if (bFdn)
        filter.SetFilter(Field(ULOG_DB_CT_FDN_ID), nRecordId);
    else
    {
        filter.SetFilter(Field(ULOG_DB_CT_DATA_ID), nRecordId);
        AppendNoEmail(filter);
    }
    std::string strNoLog = std::string(pszFunc) + (bFdn ? "::No matching nCtFdnId in Logs.\n"
                                                        : "::No matching nCtDataId in Logs.\n");
    CUlogPtr<CUlog> first(__GetFirstLog(filter));
    if (!first.IsValidPtr())
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, strNoLog.c_str());
        return TRUE;
    }
    char szNumber[ULOG_NUMBER_LEN] = {0};
    AcStrcpySEx(szNumber, sizeof(szNumber), first->GetNumber(), __FILE__, __LINE__);
    if (szNumber[0] == '\0')
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: pUlog->GetNumber() is null.\n", pszFunc);
        return FALSE;
    }

    // The address book is read before the service lock is taken.
    CtLink link;
    if (!__FindNumberHolder(pszFunc, szNumber, bFdn, link))
        return FALSE;
    return __LinkLogs(pszFunc, strNoLog.c_str(), filter, link);
}

/* ==== E-mail addresses ==== */

BOOL CUlogSvcContactSync::UpdateNewEmailCtInfoData(int nRecordId)
{
    static const char FUNC[] = "UpdateNewEmailCtInfoData";
    if (!__CheckDbMgr())
        return FALSE;
    CtSvcContactDataRecord data;
    std::memset(&data, 0, sizeof(data));
    if (!CtSvcDbContactDataGetRecord(nRecordId, &data))
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "UpdateNewEmailCtInfoData: CtSvcDbContactDataGetRecord fail!!.\n");
        return FALSE;
    }
    const CtSvcEmailAddressRecord& email = data.stEmail;
    const std::string strAddress = FieldText(email.szAddress);
    if (data.nKind != CTSVC_DATA_EMAIL || strAddress.empty())
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "UpdateNewEmailCtInfoData: Invalid email data.\n");
        return FALSE;
    }
    CtLink link;
    const Holder holder = {nRecordId, email.nContactId, email.nAccountId, email.nUseType};
    if (!SetDataLink(FUNC, holder, link))
        return FALSE;
    link.nFields |= CtLink::PHONE_TYPE | CtLink::STORAGE_TYPE;
    link.iPhoneType = __GetPhoneType(CTSVC_PHONE_NONE, email.nUseType);
    link.iStorageType = __GetStorageType(email.nStorageKind);

    CUlogSvcFilter filter;
    if (!SetAddressFilter(filter, LOG_TYPE_MSG_FIRST, LOG_TYPE_MSG_LAST, strAddress.c_str()))
        return FALSE;
    return __LinkLogs(FUNC, "UpdateNewEmailCtInfoData: No log to update contact info.\n", filter, link);
}

BOOL CUlogSvcContactSync::UpdateEmailCtInfoData(int nRecordId)
{
    UpdateDeletedEmailCtInfoData(nRecordId);
    UpdateNewEmailCtInfoData(nRecordId);
    return TRUE;
}

BOOL CUlogSvcContactSync::UpdateDeletedEmailCtInfoData(int nRecordId)
{
    return __UpdateDeletedData("UpdateDeletedEmailCtInfoData", DATA_EMAIL, nRecordId);
}

/* ==== FDN entries ==== */

BOOL CUlogSvcContactSync::UpdateNewFdnCtInfoData(int nRecordId)
{
    static const char FUNC[] = "UpdateNewFdnCtInfoData";
    if (!__CheckDbMgr())
        return FALSE;
    CtSvcFdnRecord fdn;
    std::memset(&fdn, 0, sizeof(fdn));
    if (!CtSvcDbFdnGetRecord(nRecordId, &fdn))
    {
        SysDebugPrintf(ULOG_DBG_FAIL,
                       "UpdateNewFdnCtInfoData: GetFdnRecord: CtSvcDbFdnGetRecord is fail..\n");
        return FALSE;
    }
    char szNumber[ULOG_NUMBER_LEN] = {0};
    CopyNumber(szNumber, fdn.szNumber);
    if (szNumber[0] == '\0')
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "UpdateNewFdnCtInfoData: Invalid number data.\n");
        return FALSE;
    }
    // A contact holding the number stays the logs' link: a contact goes before an FDN entry, as when a
    // number is deleted.
    CtSvcPhoneNumberRecord search;
    std::memset(&search, 0, sizeof(search));
    AcStrcpySEx(search.szNumber, sizeof(search.szNumber), szNumber, __FILE__, __LINE__);
    const int nHeld = CtSvcDbPhoneNumberGetCount(&search);
    if (nHeld < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "UpdateNewFdnCtInfoData: CtSvcDbPhoneNumberGetCount fail!!\n");
        return FALSE;
    }
    if (nHeld > 0)
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, "UpdateNewFdnCtInfoData: a contact holds the number.\n");
        return TRUE;
    }
    CtLink link;
    SetFdnLink(link, fdn);
    char szBasic[ULOG_NUMBER_LEN] = {0};
    CUlogSvcUtil::ExtractBasicNum(szNumber, szBasic, 0);
    CUlogSvcFilter filter;
    SetNumberFilter(filter, szBasic);
    return __LinkLogs(FUNC, "UpdateNewFdnCtInfoData: No log to update contact info.\n", filter, link);
}

BOOL CUlogSvcContactSync::UpdateFdnCtInfoData(int nRecordId)
{
    UpdateDeletedFdnCtInfoData(nRecordId);
    UpdateNewFdnCtInfoData(nRecordId);
    return TRUE;
}

BOOL CUlogSvcContactSync::UpdateDeletedFdnCtInfoData(int nRecordId)
{
    return __UpdateDeletedNumber("UpdateDeletedFdnCtInfoData", nRecordId, true);
}

/* ==== SNS data and IM addresses ==== */

BOOL CUlogSvcContactSync::UpdateNewSnsCtData(int nRecordId)
{
    static const char FUNC[] = "UpdateNewSnsCtData";
    if (!__CheckDbMgr())
        return FALSE;
    CtSvcSnsDataRecord sns;
    std::memset(&sns, 0, sizeof(sns));
    if (!CtSvcDbSnsDataGetRecord(nRecordId, &sns))
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "UpdateNewSnsCtData: CtSvcDbSnsDataGetRecord fail!!\n");
        return FALSE;
    }
    const std::string strPersonId = FieldText(sns.szPersonId);
    if (strPersonId.empty())
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "UpdateNewSnsCtData: Invalid person id.\n");
        return FALSE;
    }
    CtLink link;
    if (!SetDataLink(FUNC, {nRecordId, sns.nContactId, sns.nAccountId, 0}, link))
        return FALSE;
    CUlogSvcFilter filter;
    if (!filter.SetFilter(Field(ULOG_DB_SNS_PERSON_ID), strPersonId))
        return FALSE;
    return __LinkLogs(FUNC, "UpdateNewSnsCtData: No log to update contact info.\n", filter, link);
}

BOOL CUlogSvcContactSync::UpdateSnsCtData(int nRecordId)
{
    UpdateDeletedSnsCtData(nRecordId);
    UpdateNewSnsCtData(nRecordId);
    return TRUE;
}

BOOL CUlogSvcContactSync::UpdateDeletedSnsCtData(int nRecordId)
{
    return __UpdateDeletedData("UpdateDeletedSnsCtData", DATA_SNS, nRecordId);
}

BOOL CUlogSvcContactSync::UpdateNewImCtData(int nRecordId)
{
    static const char FUNC[] = "UpdateNewImCtData";
    if (!__CheckDbMgr())
        return FALSE;
    CtSvcImRecord im;
    std::memset(&im, 0, sizeof(im));
    if (!CtSvcDbIMGetRecord(nRecordId, &im))
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "UpdateNewImCtData: CtSvcDbIMGetRecord fail!!\n");
        return FALSE;
    }
    const std::string strAddress = FieldText(im.szAddress);
    if (strAddress.empty())
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "UpdateNewImCtData: Invalid IM address.\n");
        return FALSE;
    }
    CtLink link;
    if (!SetDataLink(FUNC, {nRecordId, im.nContactId, im.nAccountId, 0}, link))
        return FALSE;
    CUlogSvcFilter filter;
    if (!SetAddressFilter(filter, LOG_TYPE_IM_FIRST, LOG_TYPE_IM_LAST, strAddress.c_str()))
        return FALSE;
    return __LinkLogs(FUNC, "UpdateNewImCtData: No log to update contact info.\n", filter, link);
}

BOOL CUlogSvcContactSync::UpdateImCtData(int nRecordId)
{
    UpdateDeletedImCtData(nRecordId);
    UpdateNewImCtData(nRecordId);
    return TRUE;
}

BOOL CUlogSvcContactSync::UpdateDeletedImCtData(int nRecordId)
{
    return __UpdateDeletedData("UpdateDeletedImCtData", DATA_IM, nRecordId);
}

BOOL CUlogSvcContactSync::__UpdateDeletedData(const char* pszFunc, int iKind, int nRecordId)
{
    if (!__CheckDbMgr())
        return FALSE;
    if (nRecordId <= 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: invalid record id (%d).\n", pszFunc, nRecordId);
        return FALSE;
    }
    const DataKind iDataKind = static_cast<DataKind>(iKind);
    CUlogSvcFilter filter;
    if (iDataKind == DATA_EMAIL)
        SetDataIdFilter(filter, LOG_TYPE_MSG_FIRST, LOG_TYPE_MSG_LAST, nRecordId);
    else if (iDataKind == DATA_SNS)
        SetDataIdFilter(filter, LOG_TYPE_SNS_FIRST, LOG_TYPE_SNS_LAST, nRecordId);
    else
        SetDataIdFilter(filter, LOG_TYPE_IM_FIRST, LOG_TYPE_IM_LAST, nRecordId);
    const std::string strNoLog = std::string(pszFunc) + "::No matching nCtDataId in Logs.\n";
    CUlogPtr<CUlog> first(__GetFirstLog(filter));
    if (!first.IsValidPtr())
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, strNoLog.c_str());
        return TRUE;
    }

    // The key: the SNS person id, else the address (an IM log keeps its IM address there).
    std::string strKey;
    if (iDataKind == DATA_SNS)
    {
        const CUlogSnsLog* pSns = dynamic_cast<const CUlogSnsLog*>(first.Get());
        strKey = pSns != NULL ? pSns->GetSnsPersonId() : "";
        if (strKey.empty())
        {
            SysDebugPrintf(ULOG_DBG_FAIL, "%s::pUlog->GetSnsPersonId() is null.\n", pszFunc);
            return FALSE;
        }
    }
    else
    {
        char szAddress[CTSVC_EMAIL_LEN] = {0};
        WmConvert2LCode(szAddress, sizeof(szAddress), first->GetEmailAddress());
        strKey = szAddress;
        if (strKey.empty())
        {
            SysDebugPrintf(ULOG_DBG_FAIL, "%s::pUlog->GetEmailAddress() is null.\n", pszFunc);
            return FALSE;
        }
    }

    // Another record holding the key, read before the service lock is taken.
    if (iDataKind == DATA_EMAIL)
        SysDebugPrintf(ULOG_DBG_DETAIL, "%s: Search another contact with email\n", pszFunc);
    Holder holder;
    const int nFound = FindDataHolder(iDataKind, strKey.c_str(), holder);
    if (nFound < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: the contacts cannot be searched.\n", pszFunc);
        return FALSE;
    }
    CtLink link;
    if (nFound > 0)
    {
        if (!SetDataLink(pszFunc, holder, link))
            return FALSE;
        if (iDataKind == DATA_EMAIL)
        {
            link.nFields |= CtLink::PHONE_TYPE | CtLink::STORAGE_TYPE;
            link.iPhoneType = __GetPhoneType(CTSVC_PHONE_NONE, holder.nUseType);
            link.iStorageType = ULOG_STORAGE_EMAIL_LINK;
        }
    }
    else
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, "%s: Delete contact info\n", pszFunc);
        link.nFields = CtLink::CLEAR;
    }
    return __LinkLogs(pszFunc, strNoLog.c_str(), filter, link);
}

/* ==== Main records ==== */

BOOL CUlogSvcContactSync::UpdatePrimaryCtInfo(int nRecordId)
{
    static const char FUNC[] = "UpdatePrimaryCtInfo";
    if (!__CheckDbMgr())
        return FALSE;
    if (nRecordId <= 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "UpdatePrimaryCtInfo: invalid record id (%d).\n", nRecordId);
        return FALSE;
    }
    CtLink link;
    if (!ReadContact(FUNC, nRecordId, link))
        return FALSE;
    link.nFields = CtLink::NAMES;
    CUlogSvcFilter filter;
    filter.SetFilter(Field(ULOG_DB_CT_PID), nRecordId);
    return __LinkLogs(FUNC, "UpdatePrimaryCtInfo: No log to update contact info.\n", filter, link);
}

BOOL CUlogSvcContactSync::UpdateDeletedPrimaryCtInfo(int)
{
    return TRUE;
}

/* ==== Writing the logs ==== */

int CUlogSvcContactSync::FindLink(const CUlog& log, CtLink& link)
{
    static const char FUNC[] = "CUlogSvcContactSync::FindLink";
    link = CtLink();
    const int iLogType = log.GetLogType();
    DataKind iKind = DATA_EMAIL;
    std::string strKey;
    if (iLogType >= LOG_TYPE_SNS_FIRST && iLogType <= LOG_TYPE_SNS_LAST)
    {
        const CUlogSnsLog* pSns = dynamic_cast<const CUlogSnsLog*>(&log);
        strKey = pSns != NULL ? pSns->GetSnsPersonId() : "";
        iKind = DATA_SNS;
    }
    else if (log.GetEmailAddress()[0] != 0 && iLogType >= LOG_TYPE_MSG_FIRST && iLogType <= LOG_TYPE_IM_LAST)
    {
        char szAddress[CTSVC_EMAIL_LEN] = {0};
        WmConvert2LCode(szAddress, sizeof(szAddress), log.GetEmailAddress());
        strKey = szAddress;
        iKind = (iLogType >= LOG_TYPE_IM_FIRST) ? DATA_IM : DATA_EMAIL;
    }
    else if (log.GetNumber()[0] != '\0')
    {
        if (!__FindNumberHolder(FUNC, log.GetNumber(), false, link))
            return -1;
        return (link.nFields & CtLink::CLEAR) ? 0 : 1;
    }
    if (strKey.empty())
        return 0;

    Holder holder;
    const int nFound = FindDataHolder(iKind, strKey.c_str(), holder);
    if (nFound <= 0)
        return nFound;
    if (!SetDataLink(FUNC, holder, link))
        return -1;
    if (iKind == DATA_EMAIL)
    {
        link.nFields |= CtLink::PHONE_TYPE | CtLink::STORAGE_TYPE;
        link.iPhoneType = __GetPhoneType(CTSVC_PHONE_NONE, holder.nUseType);
        link.iStorageType = ULOG_STORAGE_EMAIL_LINK;
    }
    return 1;
}

CUlog* CUlogSvcContactSync::__GetFirstLog(const CUlogSvcFilter& filter)
{
    IUlogSvcDistinctMgr* pMgr = IUlogSvcDistinctMgr::Instance();
    IUlogList<CUlog>* pList = pMgr->GetUlogs(&filter, 0, 1);
    if (!ULOG_REQUIRE(pList != NULL))
        return NULL;
    IUlogIterator<CUlog>* pIter = pList->GetIterator();
    CUlog* pFirst = NULL;
    if (ULOG_REQUIRE(pIter != NULL))
    {
        pIter->First();
        CUlog* pUlog = pIter->GetCurItem();
        pFirst = pUlog != NULL ? pUlog->Clone() : NULL;
        pIter->Release();
    }
    pList->Release();
    return pFirst;
}

BOOL CUlogSvcContactSync::__LinkLogs(const char* pszFunc, const char* pszNoLog, const CUlogSvcFilter& filter,
                                     const CtLink& link)
{
    IUlogSvcDistinctMgr* pMgr = IUlogSvcDistinctMgr::Instance();
    CUlogSvcLogMgrScope scope;
    CUlogDbBatch batch;
    if (!batch.IsOpen())
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: the change could not begin.\n", pszFunc);
        return FALSE;
    }
    IUlogList<CUlog>* pList = pMgr->GetUlogs(&filter, 0, -1);
    if (!ULOG_REQUIRE(pList != NULL))
        return FALSE;
    if (pList->GetCount() == 0)
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, pszNoLog);
        pList->Release();
        return TRUE;
    }
    IUlogIterator<CUlog>* pIter = pList->GetIterator();
    if (!ULOG_REQUIRE(pIter != NULL))
    {
        pList->Release();
        return FALSE;
    }

    bool bWritten = true;
    for (pIter->First(); !pIter->IsDone(); pIter->Next())
    {
        CUlog* pUlog = pIter->GetCurItem();
        if (!ULOG_REQUIRE(pUlog != NULL))
        {
            bWritten = false;
            break;
        }
        if ((link.nFields & CtLink::CLEAR) == 0)
            link.Apply(*pUlog);
        CUlogPtr<CUlog> ptr(pUlog->Clone());
        if (!ptr.IsValidPtr())
        {
            SysDebugPrintf(ULOG_DBG_FAIL, "%s: !ptr.IsValidPtr() failed.\n", pszFunc);
            bWritten = false;
            break;
        }
        if ((link.nFields & CtLink::CLEAR) != 0)
        {
            const bool bHeld = HoldsContact(*ptr.Get());
            if (__DeleteCtInfo(*ptr.Get()))
                pMgr->UpdateDistinctContactInfo();
            else if (bHeld)
                bWritten = false;
        }
        else if (pMgr->Update(*ptr.Get()))
            pMgr->UpdateDistinctContactInfo();
        else
            bWritten = false;
        if (!bWritten)
        {
            SysDebugPrintf(ULOG_DBG_FAIL, "%s: the log (%d) could not be written.\n", pszFunc,
                           ptr->GetUniqueID());
            break;
        }
    }
    pIter->Release();
    pList->Release();
    if (!bWritten)
    {
        batch.Abort();
        return FALSE;
    }
    return batch.Commit() ? TRUE : FALSE;
}

BOOL CUlogSvcContactSync::__DeleteCtInfo(CUlog& log)
{
    if (!HoldsContact(log))
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, "__DeleteCtInfo: nothing to change.\n");
        return FALSE;
    }
    log.SetPhoneType(ULOG_PHONE_TYPE_NONE);
    log.SetStorageType(ULOG_STORAGE_NONE);
    log.SetCtPid(0);
    log.SetCtDataId(0);
    log.SetCtFdnId(0);
    log.SetMyAccountId(0);
    log.SetFirstName("");
    log.SetLastName("");
    log.SetDisplayName("");
    log.SetCallerIdPath("");
    return IUlogSvcDistinctMgr::Instance()->Update(log);
}

/* ==== Helpers ==== */

UlogPhoneType CUlogSvcContactSync::__GetPhoneType(int iCtPhoneType, int iUseType)
{
    switch (iCtPhoneType)
    {
    case CTSVC_PHONE_NONE:
        return ULOG_PHONE_TYPE_14;
    case CTSVC_PHONE_MOBILE:
    case CTSVC_PHONE_TELEPHONE:
    {
        if (iUseType < CTSVC_USE_HOME || iUseType > CTSVC_USE_OTHER)
            return ULOG_PHONE_TYPE_NONE;
        const int nFirst = (iCtPhoneType == CTSVC_PHONE_MOBILE) ? 0 : 3;
        return static_cast<UlogPhoneType>(nFirst + iUseType - CTSVC_USE_HOME);
    }
    default:
        if (iCtPhoneType >= CTSVC_PHONE_FAX_HOME && iCtPhoneType <= CTSVC_PHONE_OTHER)
            return static_cast<UlogPhoneType>(iCtPhoneType + 3);
        return ULOG_PHONE_TYPE_NONE;
    }
}

UlogStorageType CUlogSvcContactSync::__GetStorageType(int iCtRecordType)
{
    if (iCtRecordType == CTSVC_STORAGE_PHONE || iCtRecordType == CTSVC_STORAGE_SIM)
        return static_cast<UlogStorageType>(iCtRecordType);
    return ULOG_STORAGE_NONE;
}

BOOL CUlogSvcContactSync::__SetName(const char* pszFirstName, const char* pszLastName, char* pszName)
{
    if (!ULOG_REQUIRE(pszFirstName != NULL) || !ULOG_REQUIRE(pszLastName != NULL) ||
        !ULOG_REQUIRE(pszName != NULL))
        return FALSE;
    const bool bFirst = pszFirstName[0] != '\0';
    const bool bLast = pszLastName[0] != '\0';
    std::string strName = bFirst ? pszFirstName : pszLastName;
    if (bFirst && bLast)
    {
        const int nOrder = NvGetInt(NV_NAME_ORDER);
        if (nOrder == 0)
            strName = std::string(pszFirstName) + " " + pszLastName;
        else if (nOrder == 1)
            strName = std::string(pszLastName) + " " + pszFirstName;
    }
    __CopyCut(pszName, ULOG_NAME_LEN, strName.c_str());
    return TRUE;
}

void CUlogSvcContactSync::__CopyCut(char* pszDest, int nDestSize, const char* pszSrc)
{
    if (pszDest == NULL || nDestSize <= 0)
        return;
    const size_t n = (pszSrc != NULL) ? std::strlen(pszSrc) : 0;
    if (n < static_cast<size_t>(nDestSize))
    {
        if (n > 0)
            std::memcpy(pszDest, pszSrc, n);
        pszDest[n] = '\0';
        return;
    }
    // Through 16-bit text, whose conversion back stops before a character that does not fit whole.
    std::vector<WCHAR> wide(n + 1, 0);
    WmConvert2PCode(wide.data(), static_cast<int>(wide.size()), pszSrc);
    WmConvert2LCode(pszDest, nDestSize, wide.data());
}

void CUlogSvcContactSync::CtLink::SetContact(const CtSvcContactRecord& contact)
{
    const std::string strFirst = FieldText(contact.szFirstName);
    const std::string strLast = FieldText(contact.szLastName);
    __CopyCut(szFirstName, ULOG_NAME_LEN, strFirst.c_str());
    __CopyCut(szLastName, ULOG_NAME_LEN, strLast.c_str());
    __CopyCut(szCallerIdPath, ULOG_CALLER_ID_PATH_LEN, FieldText(contact.szCallerIdPath).c_str());
    __SetName(strFirst.c_str(), strLast.c_str(), szName);
    nFields |= NAMES;
}

void CUlogSvcContactSync::CtLink::Apply(CUlog& log) const
{
    if (nFields & PHONE_TYPE)
        log.SetPhoneType(iPhoneType);
    if (nFields & STORAGE_TYPE)
        log.SetStorageType(iStorageType);
    if (nFields & PERSON_ID)
        log.SetCtPid(nCtPid);
    if (nFields & DATA_ID)
        log.SetCtDataId(nCtDataId);
    if (nFields & FDN_ID)
        log.SetCtFdnId(nCtFdnId);
    if (nFields & ACCOUNT_ID)
        log.SetMyAccountId(nMyAccountId);
    if (nFields & NAMES)
    {
        log.SetFirstName(szFirstName);
        log.SetLastName(szLastName);
        log.SetDisplayName(szName);
        log.SetCallerIdPath(szCallerIdPath);
    }
}
