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
#include "UlogSvcLogMgr/CUlogImLog.h"
#include "UlogSvcLogMgr/CUlogSnsLog.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"
#include "UlogSvcLogMgr/CUlogSvcFilterMgr.h"
#include "UlogSvcLogMgr/CUlogSvcLogMgrLock.h"
#include "UlogSvcLogMgr/IUlogSvcDistinctMgr.h"
#include "UlogSvcUtil/CUlogSvcUtil.h"

#include <condition_variable>
#include <cstring>
#include <mutex>
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

/* The link of the first record holding an e-mail address, SNS person id or IM address, or a link that
 * clears the log when none holds it; false when the address book cannot be read. */
bool DataLink(const char* pszFunc, DataKind iKind, const char* pszKey, CtLink& link)
{
    link = CtLink();
    Holder holder;
    const int nFound = FindDataHolder(iKind, pszKey, holder);
    if (nFound < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: the contacts cannot be searched.\n", pszFunc);
        return false;
    }
    if (nFound == 0)
    {
        link.nFields = CtLink::CLEAR;
        return true;
    }
    if (!SetDataLink(pszFunc, holder, link))
        return false;
    if (iKind == DATA_EMAIL)
    {
        link.nFields |= CtLink::PHONE_TYPE | CtLink::STORAGE_TYPE;
        link.iPhoneType = CUlogSvcContactSync::__GetPhoneType(CTSVC_PHONE_NONE, holder.nUseType);
        link.iStorageType = ULOG_STORAGE_EMAIL_LINK;
    }
    return true;
}

/* ==== The state of the full sync ==== */

struct CFullSyncState
{
    /* The stop request's changes, and whether a pass runs (passEnded tells its end). */
    std::mutex passMutex;
    std::condition_variable passEnded;
    bool bPassRunning = false;
    /* The last task that ended (a platform reset ends tasks); task handles are never given out twice. */
    std::atomic<HOBJ> hEndedTask{INVALID_HOBJ};
    /* The check file's test by a per-record callback and its creation and removal by the full sync,
     * and the count of per-record changes refused and announcements made (under checkMutex). */
    std::mutex checkMutex;
    unsigned long long nMissed = 0;
};

/* Never destroyed: the task may still be ending when the library unloads. */
CFullSyncState& FullSync()
{
    static CFullSyncState* s_pState = new CFullSyncState;
    return *s_pState;
}

bool CheckFileExists()
{
    unsigned int nAttributes = 0;
    return FmGetFileAttributes(CHECK_FILE, &nAttributes) == TRUE;
}

/* The distinct rows with the unique id: 0 or 1, -1 when they cannot be counted. */
int CountRow(int nUniqueId)
{
    CUlogSvcFilter filter;
    filter.SetFilter(Field(ULOG_DB_ULOG_DB_INDEX), nUniqueId);
    return IUlogSvcDistinctMgr::Instance()->GetCount(&filter);
}

bool SameText(const char* pszA, const char* pszB)
{
    return std::strcmp(pszA, pszB) == 0;
}

bool SameWide(const WCHAR* pmszA, const WCHAR* pmszB)
{
    while (*pmszA != 0 && *pmszA == *pmszB)
        ++pmszA, ++pmszB;
    return *pmszA == *pmszB;
}

const char* SnsPersonId(const CUlog& log)
{
    const CUlogSnsLog* pSns = dynamic_cast<const CUlogSnsLog*>(&log);
    return pSns != NULL ? pSns->GetSnsPersonId() : "";
}

/* The same correspondent: a unique id given out again (after the row with the largest id was deleted)
 * names another one. */
bool SameKey(const CUlog& a, const CUlog& b)
{
    return a.GetLogType() == b.GetLogType() && SameText(a.GetBasicNumber(), b.GetBasicNumber()) &&
           SameWide(a.GetEmailAddress(), b.GetEmailAddress()) && SameText(SnsPersonId(a), SnsPersonId(b));
}

bool SameContact(const CUlog& a, const CUlog& b)
{
    return a.GetPhoneType() == b.GetPhoneType() && a.GetStorageType() == b.GetStorageType() &&
           a.GetCtPid() == b.GetCtPid() && a.GetCtDataId() == b.GetCtDataId() &&
           a.GetCtFdnId() == b.GetCtFdnId() && a.GetMyAccountId() == b.GetMyAccountId() &&
           SameText(a.GetFirstName(), b.GetFirstName()) && SameText(a.GetLastName(), b.GetLastName()) &&
           SameText(a.GetDisplayName(), b.GetDisplayName()) &&
           SameText(a.GetCallerIdPath(), b.GetCallerIdPath());
}

/* Marks the end of the task, also when a platform reset unwinds it. */
struct CTaskEnd
{
    ~CTaskEnd() { FullSync().hEndedTask = OsGetCurrentTask(); }
};

/* Marks the end of a pass, also when a platform reset unwinds it. */
struct CPassRun
{
    ~CPassRun()
    {
        {
            std::lock_guard<std::mutex> lock(FullSync().passMutex);
            FullSync().bPassRunning = false;
        }
        FullSync().passEnded.notify_all();
    }
};

} // namespace

std::atomic<BOOL> CUlogSvcContactSync::m_bStopSyncOnTask{FALSE};
std::atomic<HOBJ> CUlogSvcContactSync::hUlogCtFullSyncTask{INVALID_HOBJ};

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
    {
        // Counted as missed, so that a pass running now runs once more before it removes the file.
        std::lock_guard<std::mutex> check(FullSync().checkMutex);
        if (CheckFileExists())
        {
            ++FullSync().nMissed;
            SysDebugPrintf(ULOG_DBG_PROGRESS,
                           "CUlogSvcContactSync::%s: full sync is already started or going to be!!\n",
                           pszCallback);
            return FALSE;
        }
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
    if (!DataLink(FUNC, iKind, strKey.c_str(), link))
        return -1;
    return (link.nFields & CtLink::CLEAR) ? 0 : 1;
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

/* ==== The full sync ==== */

BOOL CUlogSvcContactSync::CreateTask()
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    HOBJ hTask = hUlogCtFullSyncTask;
    if (hTask != INVALID_HOBJ && hTask == FullSync().hEndedTask)
    {
        SysDebugPrintf(ULOG_DBG_PROGRESS,
                       "CUlogSvcContactSync::CreateTask: the task has ended; it is made anew.\n");
        hTask = INVALID_HOBJ;
    }
    if (hTask == INVALID_HOBJ)
    {
        hTask = OsCreateTask("UlogCtFullSyncTask", 10003, 0x20000, &CUlogSvcContactSync::__CtFullSync, 1, 0);
        hUlogCtFullSyncTask = hTask;
        if (ULOG_CHECK_T(hTask != INVALID_HOBJ, "hUlogCtFullSyncTask != INVALID_HOBJ"))
            ULOG_CHECK_T(OsStartTask(hTask) == TRUE, "OsStartTask( hUlogCtFullSyncTask ) == TRUE");
    }
    return TRUE;
}

BOOL CUlogSvcContactSync::DeleteTask()
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    const HOBJ hTask = hUlogCtFullSyncTask;
    if (hTask == INVALID_HOBJ)
    {
        SysDebugPrintf(ULOG_DBG_PROGRESS,
                       "CUlogSvcContactSync::DeleteTask: hUlogCtFullSyncTask == INVALID_HOBJ\n");
        return TRUE;
    }
    if (OsDeleteTask(hTask))
    {
        SysDebugPrintf(ULOG_DBG_PROGRESS, "CUlogSvcContactSync::DeleteTask: task is deleted.\n");
        hUlogCtFullSyncTask = INVALID_HOBJ;
        return TRUE;
    }
    _SysSaveAssertMsg("CUlogSvcContactSync::DeleteTask: OsDeleteTask failed(%d)\n", (int)SysGetLastError());
    ULOG_REQUIRE_T(false, "OsDeleteTask( hUlogCtFullSyncTask ) == TRUE");
    return FALSE;
}

BOOL CUlogSvcContactSync::StartSync()
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    std::lock_guard<std::mutex> pass(FullSync().passMutex);
    m_bStopSyncOnTask = FALSE;
    return TRUE;
}

BOOL CUlogSvcContactSync::StopSync()
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    std::lock_guard<std::mutex> pass(FullSync().passMutex);
    m_bStopSyncOnTask = TRUE;
    return TRUE;
}

BOOL CUlogSvcContactSync::WaitForPassEnd()
{
    const HOBJ hTask = hUlogCtFullSyncTask;
    if (hTask != INVALID_HOBJ && OsGetCurrentTask() == hTask)
        return TRUE;
    std::unique_lock<std::mutex> pass(FullSync().passMutex);
    FullSync().passEnded.wait(pass, [] { return !FullSync().bPassRunning; });
    return TRUE;
}

BOOL CUlogSvcContactSync::ContactFullSyncCallback(int nEvent, void*, void*)
{
    if (nEvent == 0)
    {
        // Counted as missed: a pass running now has not seen what is announced.
        std::lock_guard<std::mutex> check(FullSync().checkMutex);
        const HOBJ hFile = FmCreateFile(CHECK_FILE, 1);
        if (hFile == INVALID_HOBJ)
        {
            SysDebugPrintf(ULOG_DBG_FAIL,
                           "CUlogSvcContactSync::ContactFullSyncCallback: FmCreateFile failed\n");
            return FALSE;
        }
        FmCloseFile(hFile);
        ++FullSync().nMissed;
        SysDebugPrintf(
            ULOG_DBG_PROGRESS,
            "CUlogSvcContactSync::ContactFullSyncCallback: dummy file is ready for fullsync check\n");
        return TRUE;
    }
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    const HOBJ hTask = hUlogCtFullSyncTask;
    if (hTask == INVALID_HOBJ)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcContactSync::ContactFullSyncCallback: there is no task.\n");
        return FALSE;
    }
    // A zeroed request: the task does not read it, every message is one pass.
    OSMSG message;
    std::memset(&message, 0, sizeof(message));
    if (!OsSendMessage(hTask, &message))
    {
        SysDebugPrintf(ULOG_DBG_FAIL,
                       "CUlogSvcContactSync::ContactFullSyncCallback: OsSendMessage failed(%d)\n",
                       (int)SysGetLastError());
        return FALSE;
    }
    return TRUE;
}

BOOL CUlogSvcContactSync::RestartContactFullSyncCallback()
{
    if (CheckFileExists())
    {
        ContactFullSyncCallback(-1, NULL, NULL);
        SysDebugPrintf(ULOG_DBG_PROGRESS,
                       "CUlogSvcContactSync::RestartContactFullSyncCallback: full sync started!!\n");
    }
    else
        SysDebugPrintf(ULOG_DBG_PROGRESS,
                       "CUlogSvcContactSync::RestartContactFullSyncCallback: no need to full sync!!\n");
    return TRUE;
}

void CUlogSvcContactSync::__CtFullSync()
{
    CTaskEnd end;
    for (;;)
    {
        OSMSG message;
        std::memset(&message, 0, sizeof(message));
        const int nReceived = OsReceiveMessage(-1, &message, 0);
        if (nReceived < 0)
        {
            const unsigned int nError = SysGetLastError();
            if (nError != OS_ERR_TASK_ENDING) /* being deleted is no failure */
                SysDebugPrintf(ULOG_DBG_FAIL,
                               "CUlogSvcContactSync::__CtFullSync: OsReceiveMessage failed(%d)\n",
                               (int)nError);
            return;
        }
        if (nReceived != 1)
            continue;
        {
            std::lock_guard<std::mutex> pass(FullSync().passMutex);
            if (m_bStopSyncOnTask)
            {
                SysDebugPrintf(ULOG_DBG_PROGRESS,
                               "CUlogSvcContactSync::__CtFullSync: the sync is stopped: request ignored.\n");
                continue;
            }
            FullSync().bPassRunning = true;
        }
        CPassRun run;
        Instance()->__UpdateFullSync();
    }
}

BOOL CUlogSvcContactSync::__UpdateFullSync()
{
    for (;;)
    {
        unsigned long long nMissedAtStart;
        {
            std::lock_guard<std::mutex> check(FullSync().checkMutex);
            nMissedAtStart = FullSync().nMissed;
        }
        if (__FullSyncRows() <= 0)
            return FALSE;
        {
            std::lock_guard<std::mutex> check(FullSync().checkMutex);
            if (FullSync().nMissed == nMissedAtStart)
            {
                if (CheckFileExists() && !FmRemoveFile(CHECK_FILE))
                {
                    SysDebugPrintf(
                        ULOG_DBG_FAIL,
                        "CUlogSvcContactSync::__UpdateFullSync: Fail to remove check file of full sync!!");
                    return FALSE;
                }
                SysDebugPrintf(ULOG_DBG_PROGRESS,
                               "CUlogSvcContactSync::__UpdateFullSync: full sync is done.\n");
                return TRUE;
            }
        }
        SysDebugPrintf(
            ULOG_DBG_PROGRESS,
            "CUlogSvcContactSync::__UpdateFullSync: the contacts changed during the pass: one more pass.\n");
    }
}

int CUlogSvcContactSync::__FullSyncRows()
{
    // The ids, not positions: rows added, moved or deleted by other threads while the pass walks
    // cannot make it skip a row that was there when it began.
    std::vector<int> ids;
    {
        CUlogSvcLogMgrScope scope;
        IUlogList<CUlog>* pList = IUlogSvcDistinctMgr::Instance()->GetUlogs();
        if (!ULOG_REQUIRE(pList != NULL))
            return -1;
        IUlogIterator<CUlog>* pIter = pList->GetIterator();
        if (!ULOG_REQUIRE(pIter != NULL))
        {
            pList->Release();
            return -1;
        }
        bool bRead = true;
        for (pIter->First(); !pIter->IsDone(); pIter->Next())
        {
            const CUlog* pUlog = pIter->GetCurItem();
            if (pUlog == NULL)
            {
                bRead = false;
                break;
            }
            ids.push_back(pUlog->GetUniqueID());
        }
        pIter->Release();
        pList->Release();
        if (!bRead)
        {
            SysDebugPrintf(ULOG_DBG_FAIL, "__UpdateFullSync: the logs cannot be read.\n");
            return -1;
        }
    }
    if (ids.empty())
        SysDebugPrintf(ULOG_DBG_PROGRESS, "__UpdateFullSync:There is no log.\n");
    for (int nUniqueId : ids)
    {
        if (m_bStopSyncOnTask)
        {
            SysDebugPrintf(ULOG_DBG_PROGRESS,
                           "__UpdateFullSync: Need to stop sync. DB connection is not valid.\n");
            return 0;
        }
        if (!__FullSyncRow(nUniqueId))
            return -1;
    }
    return 1;
}

BOOL CUlogSvcContactSync::__FullSyncRow(int nUniqueId)
{
    CUlog* pRead = NULL;
    int nRows = 1;
    {
        CUlogSvcLogMgrScope scope;
        pRead = IUlogSvcDistinctMgr::Instance()->GetUlog(nUniqueId);
        if (pRead == NULL)
            nRows = CountRow(nUniqueId);
    }
    CUlogPtr<CUlog> ptr(pRead);
    if (!ptr.IsValidPtr())
    {
        if (nRows == 0)
        {
            SysDebugPrintf(ULOG_DBG_DETAIL, "__UpdateFullSync: the log (%d) is gone.\n", nUniqueId);
            return TRUE;
        }
        SysDebugPrintf(ULOG_DBG_FAIL, "__UpdateFullSync: !ptr.IsValidPtr() failed.\n");
        return FALSE;
    }

    // A failed re-link does not stop the pass.
    CUlog& log = *ptr.Get();
    BOOL bLinked = TRUE;
    if (dynamic_cast<const CUlogSnsLog*>(&log) != NULL)
    {
        if (SnsPersonId(log)[0] != '\0')
            bLinked = __SnsUpdateFullSync(log, SnsPersonId(log));
    }
    else if (log.GetEmailAddress()[0] != 0)
    {
        if (dynamic_cast<const CUlogImLog*>(&log) != NULL)
            bLinked = __ImUpdateFullSync(log, log.GetEmailAddress());
        else
            bLinked = __EmailUpdateFullSync(log, log.GetEmailAddress());
    }
    else if (log.GetNumber()[0] != '\0')
        bLinked = __NumberUpdateFullSync(log, log.GetNumber());
    if (!bLinked)
        SysDebugPrintf(ULOG_DBG_FAIL, "__UpdateFullSync: the log (%d) could not be re-linked.\n", nUniqueId);
    return TRUE;
}

BOOL CUlogSvcContactSync::__NumberUpdateFullSync(CUlog& log, const char* pszNumber)
{
    static const char FUNC[] = "__NumberUpdateFullSync";
    if (!ULOG_REQUIRE(pszNumber != NULL))
        return FALSE;
    // A contact holding the number (its FDN id cleared), else an FDN entry, else no link.
    CtLink link;
    if (!__FindNumberHolder(FUNC, pszNumber, true, link))
        return FALSE;
    return __WriteFullSyncLink(FUNC, log, link);
}

BOOL CUlogSvcContactSync::__EmailUpdateFullSync(CUlog& log, const WCHAR* pmszEmailAddress)
{
    static const char FUNC[] = "__EmailUpdateFullSync";
    if (!ULOG_REQUIRE(pmszEmailAddress != NULL))
        return FALSE;
    char szAddress[CTSVC_EMAIL_LEN] = {0};
    WmConvert2LCode(szAddress, sizeof(szAddress), pmszEmailAddress);
    CtLink link;
    if (!DataLink(FUNC, DATA_EMAIL, szAddress, link))
        return FALSE;
    return __WriteFullSyncLink(FUNC, log, link);
}

BOOL CUlogSvcContactSync::__SnsUpdateFullSync(CUlog& log, const char* pszSnsPersonId)
{
    static const char FUNC[] = "__SnsUpdateFullSync";
    if (!ULOG_REQUIRE(pszSnsPersonId != NULL))
        return FALSE;
    CtLink link;
    if (!DataLink(FUNC, DATA_SNS, pszSnsPersonId, link))
        return FALSE;
    return __WriteFullSyncLink(FUNC, log, link);
}

BOOL CUlogSvcContactSync::__ImUpdateFullSync(CUlog& log, const WCHAR* pmszImAddress)
{
    static const char FUNC[] = "__ImUpdateFullSync";
    if (!ULOG_REQUIRE(pmszImAddress != NULL))
        return FALSE;
    char szAddress[CTSVC_IM_ADDRESS_LEN] = {0};
    WmConvert2LCode(szAddress, sizeof(szAddress), pmszImAddress);
    CtLink link;
    if (!DataLink(FUNC, DATA_IM, szAddress, link))
        return FALSE;
    return __WriteFullSyncLink(FUNC, log, link);
}

BOOL CUlogSvcContactSync::__WriteFullSyncLink(const char* pszFunc, const CUlog& log, const CtLink& link)
{
    IUlogSvcDistinctMgr* pMgr = IUlogSvcDistinctMgr::Instance();
    const int nUniqueId = log.GetUniqueID();
    CUlogSvcLogMgrScope scope;
    CUlogDbBatch batch;
    if (!batch.IsOpen())
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: the change could not begin.\n", pszFunc);
        return FALSE;
    }
    // The row as it is now: other threads may have changed its other fields since the pass read it.
    CUlogPtr<CUlog> now(pMgr->GetUlog(nUniqueId));
    if (!now.IsValidPtr() || !SameKey(*now.Get(), log))
    {
        if (now.IsValidPtr() || CountRow(nUniqueId) == 0)
        {
            SysDebugPrintf(ULOG_DBG_DETAIL, "%s: the log (%d) is gone.\n", pszFunc, nUniqueId);
            return TRUE;
        }
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: the log (%d) cannot be read.\n", pszFunc, nUniqueId);
        return FALSE;
    }
    CUlogPtr<CUlog> ptr(now->Clone());
    if (!ptr.IsValidPtr())
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: !ptr.IsValidPtr() failed.\n", pszFunc);
        return FALSE;
    }
    bool bWritten;
    if ((link.nFields & CtLink::CLEAR) != 0)
    {
        if (!HoldsContact(*ptr.Get()))
        {
            SysDebugPrintf(ULOG_DBG_DETAIL, "__DeleteCtInfo: nothing to change.\n");
            return TRUE;
        }
        bWritten = __DeleteCtInfo(*ptr.Get()) != FALSE;
    }
    else
    {
        link.Apply(*ptr.Get());
        if (SameContact(*now.Get(), *ptr.Get()))
        {
            SysDebugPrintf(ULOG_DBG_DETAIL,
                           "__UpdateFullSync: contact info same as before: nothing to change.\n");
            return TRUE;
        }
        bWritten = pMgr->Update(*ptr.Get()) != FALSE;
    }
    if (!bWritten)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: the log (%d) could not be written.\n", pszFunc, nUniqueId);
        batch.Abort();
        return FALSE;
    }
    pMgr->UpdateDistinctContactInfo();
    return batch.Commit() ? TRUE : FALSE;
}
