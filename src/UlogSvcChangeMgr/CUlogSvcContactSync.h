/*
 * CUlogSvcContactSync: keeps the contact fields of the stored logs (contact ids, names, display name,
 * caller-id picture, phone and storage type) in step with the address book, one changed contacts record
 * at a time. The service manager registers the six callbacks below with the contacts service at start;
 * each finds the distinct rows that the changed record concerns and rewrites them through the distinct
 * log manager, whose observers carry the change on to the duplicate rows and to the applications.
 *
 * While the full-sync check file exists every callback does nothing: a full pass over the logs is then
 * pending and will look at every log anyway.
 *
 * The full sync: after a bulk change of the address book (an import, a restore) the contacts service
 * announces it through ContactFullSyncCallback(0), which creates the check file, and asks for the pass
 * with ContactFullSyncCallback(1), which posts a request to the task "UlogCtFullSyncTask". The task runs
 * one pass per request: it takes the unique ids of every distinct row when the pass starts and re-links
 * each row that is still there with the address book, then removes the check file. A per-record change
 * refused while the check file exists (or a new announcement) after the pass started makes the pass run
 * once more before it removes the file, so that no change is lost. A pass left unfinished (a stop, a
 * crash) leaves the file, and RestartContactFullSyncCallback at the next start runs a new pass.
 *
 * Locks: the callbacks run on the contacts service's notification thread. Every update reads the
 * address book first, without the service lock, and then takes the service lock for its change of the
 * logs, which is one database batch (all rows or none). Nothing here writes to the address book. The
 * pass holds the service lock only while it takes its list of ids and while it reads or writes one row,
 * so that other threads' changes go on beside a long pass. Two locks of this file's own are innermost:
 * the pass state (the stop request, whether a pass runs) and the check file (its test by a callback
 * and its removal by a pass); the service lock is never taken while either is held.
 *
 * A single process-wide instance; it keeps no state between calls.
 */
#ifndef CULOG_SVC_CONTACT_SYNC_H
#define CULOG_SVC_CONTACT_SYNC_H

#include "H/CUlogObject.h"
#include "KivCore/KivCore.h"
#include "UlogSvc.h"

#include <atomic>

class CUlog;
class CUlogSvcFilter;
class IUlogDbMgr;
struct CtSvcContactRecord;

class CUlogSvcContactSync : public CUlogObject
{
public:
    /* The single instance, created on the first call under the service lock. */
    static CUlogSvcContactSync* Instance();

    ~CUlogSvcContactSync() override;
    CUlogSvcContactSync(const CUlogSvcContactSync&) = delete;
    CUlogSvcContactSync& operator=(const CUlogSvcContactSync&) = delete;

    /* The contacts listeners (change type 0 new, 1 changed, 2 deleted; the id of the changed record).
     * FALSE only when the full-sync check file blocked the call. */
    static BOOL NumberDataContactSync(int nCtChangeType, int nRecordId, void* pUserData, void* pReserved);
    static BOOL EmailDataContactSync(int nCtChangeType, int nRecordId, void* pUserData, void* pReserved);
    static BOOL FdnDataContactSync(int nCtChangeType, int nRecordId, void* pUserData, void* pReserved);
    static BOOL SnsContactSync(int nCtChangeType, int nRecordId, void* pUserData, void* pReserved);
    static BOOL ImContactSync(int nCtChangeType, int nRecordId, void* pUserData, void* pReserved);
    static BOOL PrimaryContactSync(int nCtChangeType, int nRecordId, void* pUserData, void* pReserved);

    /* The updates, each for the id of one contacts record. TRUE when the logs it concerns (none, too)
     * were rewritten and committed; FALSE when a precondition or a contacts read failed, the key is
     * empty, or the change could not be committed (then no log changed). */
    BOOL UpdateNewNumberCtInfoData(int nRecordId);
    BOOL UpdateNumberCtInfoData(int nRecordId);
    BOOL UpdateDeletedNumberCtInfoData(int nRecordId);
    BOOL UpdateNewEmailCtInfoData(int nRecordId);
    BOOL UpdateEmailCtInfoData(int nRecordId);
    BOOL UpdateDeletedEmailCtInfoData(int nRecordId);
    BOOL UpdateNewFdnCtInfoData(int nRecordId);
    /* A changed FDN entry: the deleted and then the new variant. */
    BOOL UpdateFdnCtInfoData(int nRecordId);
    BOOL UpdateDeletedFdnCtInfoData(int nRecordId);
    BOOL UpdateNewSnsCtData(int nRecordId);
    BOOL UpdateSnsCtData(int nRecordId);
    BOOL UpdateDeletedSnsCtData(int nRecordId);
    BOOL UpdateNewImCtData(int nRecordId);
    BOOL UpdateImCtData(int nRecordId);
    BOOL UpdateDeletedImCtData(int nRecordId);
    BOOL UpdatePrimaryCtInfo(int nRecordId);
    /* A deleted main record changes nothing (its data records are reported deleted first); TRUE. */
    BOOL UpdateDeletedPrimaryCtInfo(int nRecordId);

    /* The log's phone type for a contacts number kind and use type. */
    static UlogPhoneType __GetPhoneType(int iCtPhoneType, int iUseType);
    /* The log's storage type for a contacts storage kind. */
    static UlogStorageType __GetStorageType(int iCtRecordType);
    /* The display name of a contact into pszName (ULOG_NAME_LEN bytes): the first name, or the last
     * name when there is none; with both, "first last" or "last first" by the name-order setting (0 or
     * 1; any other value keeps the single name). A longer name is cut at a character boundary. */
    static BOOL __SetName(const char* pszFirstName, const char* pszLastName, char* pszName);
    /* Clears every contact field of the log and writes it; FALSE (and nothing written) when the log
     * holds no contact link, else the result of the write. */
    BOOL __DeleteCtInfo(CUlog& log);

    /* A copy of pszSrc into nDestSize bytes; a text that does not fit is cut at a character boundary of
     * the local code page. */
    static void __CopyCut(char* pszDest, int nDestSize, const char* pszSrc);

    /* What an update writes into each log that it concerns. */
    struct CtLink
    {
        enum Field : unsigned
        {
            PHONE_TYPE = 0x01,
            STORAGE_TYPE = 0x02,
            PERSON_ID = 0x04,
            DATA_ID = 0x08,
            FDN_ID = 0x10,
            ACCOUNT_ID = 0x20,
            NAMES = 0x40, /* first, last and display name, caller-id path */
            CLEAR = 0x80  /* no link any more: every contact field cleared */
        };
        unsigned nFields = 0;
        UlogPhoneType iPhoneType = ULOG_PHONE_TYPE_NONE;
        UlogStorageType iStorageType = ULOG_STORAGE_NONE;
        int nCtPid = 0;
        int nCtDataId = 0;
        int nCtFdnId = 0;
        int nMyAccountId = 0;
        char szFirstName[ULOG_NAME_LEN] = {0};
        char szLastName[ULOG_NAME_LEN] = {0};
        char szName[ULOG_NAME_LEN] = {0};
        char szCallerIdPath[ULOG_CALLER_ID_PATH_LEN] = {0};

        /* The names and picture of a contact's main record. */
        void SetContact(const CtSvcContactRecord& contact);
        void Apply(CUlog& log) const;
    };

    /* ==== The full sync ==== */

    /* Creates and starts the task "UlogCtFullSyncTask" unless it runs (a task ended by a platform reset
     * is made anew). TRUE; a failure is reported. */
    BOOL CreateTask();
    /* Ends the task; TRUE (also when there is none), FALSE when the platform refused. */
    BOOL DeleteTask();
    /* Clears / sets the stop request. While it is set the task ignores requests, and a running pass
     * returns at its next row, leaving the check file. TRUE. */
    BOOL StartSync();
    BOOL StopSync();
    /* Returns once no pass is running (at once on the task itself, whose pass is its caller). Used after
     * StopSync, so that nothing of a pass runs once the service has stopped. The caller must not hold the
     * service lock, which the pass needs to reach its next row. TRUE. */
    BOOL WaitForPassEnd();
    /* The request entry of the contacts service: nEvent 0 creates the check file (TRUE when it exists
     * now), any other value posts a request to the task (TRUE when it was posted). */
    static BOOL ContactFullSyncCallback(int nEvent, void* pUserData, void* pReserved);
    /* Posts a request when the check file is there (an unfinished pass). TRUE. */
    static BOOL RestartContactFullSyncCallback();

    /* The task: one pass per request received, unless the stop request is set. */
    static void __CtFullSync();
    /* One pass, run once more while per-record changes were refused during it. TRUE when every row was
     * looked at and the check file is gone; FALSE when the pass was stopped, the rows could not be
     * listed or read, or the check file could not be removed (then the file stays). */
    BOOL __UpdateFullSync();
    /* Re-link one row (the log read at the start of its turn) with the address book by its key: TRUE
     * when the row was written, needed no change, or is gone; FALSE when the address book cannot be
     * read or the change could not be committed. */
    BOOL __NumberUpdateFullSync(CUlog& log, const char* pszNumber);
    BOOL __EmailUpdateFullSync(CUlog& log, const WCHAR* pmszEmailAddress);
    BOOL __SnsUpdateFullSync(CUlog& log, const char* pszSnsPersonId);
    BOOL __ImUpdateFullSync(CUlog& log, const WCHAR* pmszImAddress);

    /* The stop request: read by the task without the service lock. */
    static std::atomic<BOOL> m_bStopSyncOnTask;
    /* The task's handle, INVALID_HOBJ before CreateTask. */
    static std::atomic<HOBJ> hUlogCtFullSyncTask;

    /* The address book's link for a log not stored yet, as the updates would write it: an SNS log by its
     * person id, an IM log by its IM address, a message or e-mail log with an address by the address,
     * any other log by its number (a contact's number, else an FDN entry). 1 with the link, 0 when no
     * record holds the key (or the log has none), -1 when the address book cannot be read. */
    static int FindLink(const CUlog& log, CtLink& link);

private:
    CUlogSvcContactSync();

    typedef BOOL (CUlogSvcContactSync::*Update)(int nRecordId);
    /* Runs the update of the change type (none: nothing), unless the full-sync check file exists. */
    static BOOL Dispatch(const char* pszCallback, int nCtChangeType, int nRecordId, Update pfnNew,
                         Update pfnChanged, Update pfnDeleted);

    /* The pieces of the updates. */
    BOOL __CheckDbMgr() const;
    /* Writes the link into every distinct row that the filter selects, under the service lock and as one
     * batch. pszFunc names the update in its messages; pszNoLog is the message when no row is selected. */
    BOOL __LinkLogs(const char* pszFunc, const char* pszNoLog, const CUlogSvcFilter& filter,
                    const CtLink& link);
    /* The first distinct row that the filter selects (owned by the caller), or NULL. */
    CUlog* __GetFirstLog(const CUlogSvcFilter& filter);
    /* The link of a deleted number or FDN entry: another contact holding the number, else an FDN entry,
     * else none. FALSE when the address book cannot be read. */
    static BOOL __FindNumberHolder(const char* pszFunc, const char* pszNumber, bool bFdn, CtLink& link);
    /* A deleted phone number (bFdn false) or FDN entry: its logs go to the next holder of their number. */
    BOOL __UpdateDeletedNumber(const char* pszFunc, int nRecordId, bool bFdn);
    /* A deleted e-mail address, SNS record or IM address (iKind 0, 1, 2): its logs go to the next holder
     * of their key. */
    BOOL __UpdateDeletedData(const char* pszFunc, int iKind, int nRecordId);
    /* The pass over a snapshot of ids; -1 when it could not list or read the rows, 0 when it was
     * stopped, 1 when every row was looked at. */
    int __FullSyncRows();
    /* One row of the pass by its unique id: read, then re-linked by its key. FALSE when it cannot be
     * read (a row that is gone is skipped: TRUE). */
    BOOL __FullSyncRow(int nUniqueId);
    /* Writes the link into the row of the log's unique id as it is now, under the service lock: only
     * when its contact fields change. pszFunc names the re-link in its messages. */
    BOOL __WriteFullSyncLink(const char* pszFunc, const CUlog& log, const CtLink& link);

    IUlogDbMgr* m_pDbMgr;
};

#endif
