/*
 * KivCtSvc: the handset platform's contacts service (the address book), emulated on Linux.
 *
 * The address book lives in its own SQLite database, "<data root>/System/contacts.db", opened through
 * the contacts service's own connection. It holds contacts (the main record: names and caller-id
 * picture), and per contact its phone numbers, e-mail addresses, SNS data and IM addresses; apart from
 * contacts it holds the fixed-dialling (FDN) entries. Every record has an id from 1 upward that is never
 * given out twice within its id space. Phone numbers, e-mail addresses, SNS data and IM addresses share
 * one id space (the contact-data ids), so a data id names one record of one kind; contacts and FDN
 * entries have id spaces of their own.
 *
 * Texts are narrow text of the platform's local code page, NUL-terminated. A text longer than its field
 * is refused by the write calls (FALSE / -1), never cut. Phone numbers (of contacts and of FDN entries)
 * are stored without separators: the write calls drop spaces, dashes, dots and brackets, so
 * "+44 (20) 7946-0001" is stored, read back and compared as "+442079460001"; a number left empty, or
 * holding anything but digits, a leading "+", "*", "#" and pause characters ("P", "W", ",", ";"), is
 * refused, and so is a number with nothing to dial before its first pause. E-mail addresses, SNS person
 * ids and IM addresses, the keys of their searches, may not be empty either.
 *
 * Failures leave their cause in the platform's last error of the calling thread (SysGetLastError of
 * KivCore): the platform's own codes for the database (SYS_ERR_DB_BUSY, SYS_ERR_DISK_FULL,
 * SYS_ERR_READ_ONLY for every write under a read-only data root, ...) or one of the CTSVC_ERR_ codes.
 *
 * Public header of the platform, installed beside UlogSvc.h. C linkage; compiles as C and as C++.
 */
#ifndef KIV_CTSVC_H
#define KIV_CTSVC_H

#ifdef __cplusplus
extern "C"
{
#endif

#ifndef KIV_BOOL_DEFINED
#define KIV_BOOL_DEFINED
    typedef int BOOL;
#endif
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

/* Failure causes of the contacts service's own, beside the platform's SYS_ERR_ codes. NOT_FOUND: no
 * record with that id (of that kind), or a data record's contact is missing. INVALID_ARG: a NULL
 * pointer, an unknown kind, a text longer than its field, a bad number, an empty key to store. */
#define CTSVC_ERR_NOT_FOUND 0x80060001u
#define CTSVC_ERR_INVALID_ARG 0x80060002u
/* SYNC_REFUSED: the full-sync callback could not announce a bulk import (nothing was stored). */
#define CTSVC_ERR_SYNC_REFUSED 0x80060003u

    /* Kind of a contact number (0 to 10 are the kinds the service knows, see CTSVC_PHONE_*). A 32-bit
     * integer. */
    typedef int CtSvcPhoneType;

/* Number kinds. Kinds 1 (mobile) and 2 (telephone) carry a use type (1 home, 2 work, 3 other). */
#define CTSVC_PHONE_NONE 0
#define CTSVC_PHONE_MOBILE 1
#define CTSVC_PHONE_TELEPHONE 2
#define CTSVC_PHONE_FAX_HOME 3
#define CTSVC_PHONE_FAX_WORK 4
#define CTSVC_PHONE_PAGER 5
#define CTSVC_PHONE_CAR 6
#define CTSVC_PHONE_COMPANY 7
#define CTSVC_PHONE_RADIO 8
#define CTSVC_PHONE_VIDEO 9
#define CTSVC_PHONE_OTHER 10

#define CTSVC_USE_HOME 1
#define CTSVC_USE_WORK 2
#define CTSVC_USE_OTHER 3

/* Where a contact's record is stored. */
#define CTSVC_STORAGE_PHONE 1
#define CTSVC_STORAGE_SIM 2

/* Field sizes in bytes, the terminating NUL included. */
#define CTSVC_NUMBER_LEN 51 /* a phone number: at most 50 characters */
#define CTSVC_NAME_LEN 512  /* a first or last name, an FDN name */
#define CTSVC_PATH_LEN 1024 /* a caller-id picture path */
#define CTSVC_EMAIL_LEN 301 /* an e-mail address */
#define CTSVC_SNS_PERSON_ID_LEN 102
#define CTSVC_IM_ADDRESS_LEN 301

    /* The contact's main record. */
    typedef struct CtSvcContactRecord
    {
        int nContactId;
        char szFirstName[CTSVC_NAME_LEN];
        char szLastName[CTSVC_NAME_LEN];
        char szCallerIdPath[CTSVC_PATH_LEN]; /* the caller-id picture, "" for none */
    } CtSvcContactRecord;

    typedef struct CtSvcPhoneNumberRecord
    {
        int nDataId;
        int nContactId;
        int nStorageKind; /* CTSVC_STORAGE_PHONE or CTSVC_STORAGE_SIM */
        int nAccountId;
        CtSvcPhoneType nNumberKind;
        int nUseType;
        char szNumber[CTSVC_NUMBER_LEN];
    } CtSvcPhoneNumberRecord;

    typedef struct CtSvcEmailAddressRecord
    {
        int nDataId;
        int nContactId;
        int nStorageKind;
        int nAccountId;
        int nUseType;
        char szAddress[CTSVC_EMAIL_LEN];
    } CtSvcEmailAddressRecord;

/* Kinds of a contact-data record. */
#define CTSVC_DATA_PHONE_NUMBER 1
#define CTSVC_DATA_EMAIL 2

    /* A phone number or an e-mail address, by its data id: nKind says which of the two is filled (the
     * other is zeroed). */
    typedef struct CtSvcContactDataRecord
    {
        int nKind; /* CTSVC_DATA_PHONE_NUMBER or CTSVC_DATA_EMAIL */
        CtSvcPhoneNumberRecord stNumber;
        CtSvcEmailAddressRecord stEmail;
    } CtSvcContactDataRecord;

    typedef struct CtSvcFdnRecord
    {
        int nFdnId;
        char szName[CTSVC_NAME_LEN];
        char szNumber[CTSVC_NUMBER_LEN];
    } CtSvcFdnRecord;

    typedef struct CtSvcSnsDataRecord
    {
        int nDataId;
        int nContactId;
        int nAccountId;
        char szPersonId[CTSVC_SNS_PERSON_ID_LEN];
    } CtSvcSnsDataRecord;

    typedef struct CtSvcImRecord
    {
        int nDataId;
        int nContactId;
        int nAccountId;
        char szAddress[CTSVC_IM_ADDRESS_LEN];
    } CtSvcImRecord;

    /* ---- Number comparison ------------------------------------------------- */
    /* How many trailing characters of pszNumber decide whether two numbers are the same: the answer set
     * through the control interface (UlogCtlSetDigitsCount2Compare), 8 by default, for every number
     * (NULL included). The answer may be larger than the number, or even 0 or negative if so set:
     * callers must bound it. */
    int CtSvcGetDigitsCount2Compare(const char* pszNumber);

    /* ---- Reads ------------------------------------------------------------- */
    /* Reads answer from the committed state of the address book. A read that finds nothing, or meets a
     * failure (the database cannot be opened or read), returns FALSE or -1 and leaves the cause in
     * SysGetLastError; a search that finds nothing returns 0.
     *
     * Searches. A search record names its key (the number, the address or the person id; the other
     * fields are not read). Several matches come oldest first: in ascending record id, so the first
     * match is the record added first and stays first until it is deleted.
     *
     * Phone numbers match as the log service groups numbers. Both numbers are taken without separators
     * and without a pause and what follows it (the DTMF digits); two numbers match when their last n
     * characters agree, n being CtSvcGetDigitsCount2Compare of the searched number (at least 1); when
     * either number is shorter than n, the whole numbers must agree. So a contact stored as
     * "+44 20 7946 0001" is found for "020 7946 0001" (both end in "79460001"). An empty key matches
     * nothing.
     * E-mail addresses, SNS person ids and IM addresses match byte for byte. */

    BOOL CtSvcDbContactGetRecord(int nContactId, CtSvcContactRecord* pRecord);
    /* A phone number or e-mail address by its data id; FALSE for an id of another kind. */
    BOOL CtSvcDbContactDataGetRecord(int nDataId, CtSvcContactDataRecord* pRecord);
    BOOL CtSvcDbPhoneNumberGetRecord(int nDataId, CtSvcPhoneNumberRecord* pRecord);
    BOOL CtSvcDbEmailAddressGetRecord(int nDataId, CtSvcEmailAddressRecord* pRecord);
    BOOL CtSvcDbFdnGetRecord(int nFdnId, CtSvcFdnRecord* pRecord);
    BOOL CtSvcDbSnsDataGetRecord(int nDataId, CtSvcSnsDataRecord* pRecord);
    BOOL CtSvcDbIMGetRecord(int nDataId, CtSvcImRecord* pRecord);

    /* Counts of the matches of a search; -1 on failure. */
    int CtSvcDbPhoneNumberGetCount(const CtSvcPhoneNumberRecord* pSearch);
    int CtSvcDbEmailAddressGetCount(const CtSvcEmailAddressRecord* pSearch);
    int CtSvcDbSnsDataGetCount(const CtSvcSnsDataRecord* pSearch);
    int CtSvcDbIMGetCount(const CtSvcImRecord* pSearch);

    /* The first nMax matches of a search, into pRecords (room for nMax); returns how many were written,
     * 0 for none, -1 on failure. */
    int CtSvcDbPhoneNumberGetRecords(const CtSvcPhoneNumberRecord* pSearch, CtSvcPhoneNumberRecord* pRecords,
                                     int nMax);
    int CtSvcDbEmailAddressGetRecords(const CtSvcEmailAddressRecord* pSearch,
                                      CtSvcEmailAddressRecord* pRecords, int nMax);
    int CtSvcDbSnsDataGetRecords(const CtSvcSnsDataRecord* pSearch, CtSvcSnsDataRecord* pRecords, int nMax);
    int CtSvcDbIMGetRecords(const CtSvcImRecord* pSearch, CtSvcImRecord* pRecords, int nMax);

    /* The FDN entry for a number (matched as phone numbers are, the oldest entry first). */
    BOOL CtSvcDbFdnGetRecordByPhoneNumber(const char* pszNumber, CtSvcFdnRecord* pRecord);

    /* Enumeration, for tools: the ids in ascending order, at most nMax of them into pIds; each returns the
     * total number there is (which may exceed nMax), -1 on failure. pIds may be NULL when nMax is 0. */
    int CtSvcDbContactGetIds(int* pIds, int nMax);
    int CtSvcDbFdnGetIds(int* pIds, int nMax);
    /* A contact's records of one kind, in ascending id, at most nMax of them into pRecords; the total
     * number (0 for a contact that has none or does not exist), -1 on failure. */
    int CtSvcDbPhoneNumberGetRecordsOfContact(int nContactId, CtSvcPhoneNumberRecord* pRecords, int nMax);
    int CtSvcDbEmailAddressGetRecordsOfContact(int nContactId, CtSvcEmailAddressRecord* pRecords, int nMax);
    int CtSvcDbSnsDataGetRecordsOfContact(int nContactId, CtSvcSnsDataRecord* pRecords, int nMax);
    int CtSvcDbIMGetRecordsOfContact(int nContactId, CtSvcImRecord* pRecords, int nMax);

    /* ---- Change listeners -------------------------------------------------- */
/* Record kinds a listener follows. */
#define CTSVC_DB_PHONE_NUMBER 1
#define CTSVC_DB_EMAIL 2
#define CTSVC_DB_FDN 6
#define CTSVC_DB_CONTACT 10
#define CTSVC_DB_IM 11
#define CTSVC_DB_SNS 12

/* Change types passed to a listener. */
#define CTSVC_CHANGE_NEW 0
#define CTSVC_CHANGE_CHANGED 1
#define CTSVC_CHANGE_DELETED 2

    /* A listener: the change type, the id of the changed record, the registration's pUserData and a
     * pointer that is always NULL. Its result is not looked at. */
    typedef BOOL (*CtSvcDbListenerCallback)(int nCtChangeType, int nRecordId, void* pUserData,
                                            void* pReserved);

    /* Registers pfnCallback for changes of records of kind nDbKind (CTSVC_DB_*). srcFile and srcLine name
     * the caller (for diagnostics). Registering the same callback for the same kind again is a no-op that
     * returns TRUE (the first pUserData stays). FALSE for an unknown kind or a NULL callback. */
    BOOL _CtSvcDbListenerRegisterCallback(int nDbKind, CtSvcDbListenerCallback pfnCallback, void* pUserData,
                                          const char* srcFile, int srcLine);
    /* FALSE when the callback was not registered for that kind. Once it returns, the callback is not called
     * again for that kind; a call under way on the notification thread has ended first (unless the
     * notification thread unregisters it itself). */
    BOOL CtSvcDbListenerUnregisterCallback(int nDbKind, CtSvcDbListenerCallback pfnCallback);

    /* ---- Writes ------------------------------------------------------------- */
    /* Each write commits to the contacts database first. Then every listener of the kinds it changed is
     * called, on the contacts service's own notification thread, once per changed record, in the order
     * of the writes (of all threads) and of the records within a write; the write returns once those
     * calls have ended, so the caller sees their effects. A listener must not block on a thread that
     * waits in a contacts write; a write made by a listener (on the notification thread) returns once it
     * is committed, and its own notifications follow those being delivered. Listeners hear of the writes
     * made in their own process. A platform reset stops the notification thread (a call under way ends
     * first; notifications not yet delivered are dropped) and forgets every listener.
     *
     * An add returns the new record's id, -1 on failure (nothing stored, no notification; the cause is in
     * SysGetLastError). The id field of the record passed to an add is not read. A change rewrites every
     * field of the record with the id given (the owning contact of a data record cannot change: its
     * nContactId is not read); a change or delete of a missing id, or of an id of another kind, returns
     * FALSE. A data record's contact must exist. The write calls fail under a read-only data root. */

    /* Contacts: a new or changed main record notifies CTSVC_DB_CONTACT (new / changed). Deleting a
     * contact deletes its phone numbers, e-mail addresses, SNS data and IM addresses first (each notified
     * as deleted under its own kind, in that order of kinds, ascending ids within a kind) and then the
     * main record (CTSVC_DB_CONTACT, deleted), all in one transaction. */
    int CtSvcDbContactAdd(const CtSvcContactRecord* pRecord);
    BOOL CtSvcDbContactChange(const CtSvcContactRecord* pRecord);
    BOOL CtSvcDbContactDelete(int nContactId);

    int CtSvcDbPhoneNumberAdd(const CtSvcPhoneNumberRecord* pRecord);
    BOOL CtSvcDbPhoneNumberChange(const CtSvcPhoneNumberRecord* pRecord);
    BOOL CtSvcDbPhoneNumberDelete(int nDataId);

    int CtSvcDbEmailAddressAdd(const CtSvcEmailAddressRecord* pRecord);
    BOOL CtSvcDbEmailAddressChange(const CtSvcEmailAddressRecord* pRecord);
    BOOL CtSvcDbEmailAddressDelete(int nDataId);

    int CtSvcDbSnsDataAdd(const CtSvcSnsDataRecord* pRecord);
    BOOL CtSvcDbSnsDataChange(const CtSvcSnsDataRecord* pRecord);
    BOOL CtSvcDbSnsDataDelete(int nDataId);

    int CtSvcDbIMAdd(const CtSvcImRecord* pRecord);
    BOOL CtSvcDbIMChange(const CtSvcImRecord* pRecord);
    BOOL CtSvcDbIMDelete(int nDataId);

    int CtSvcDbFdnAdd(const CtSvcFdnRecord* pRecord);
    BOOL CtSvcDbFdnChange(const CtSvcFdnRecord* pRecord);
    BOOL CtSvcDbFdnDelete(int nFdnId);

    /* ---- Bulk import and the full sync --------------------------------------- */
    /* After a bulk change the contacts service does not report every record to the listeners: it asks
     * for one full re-synchronisation instead, through the full-sync callback that the log service
     * registers when it starts. nEvent 0 announces the change (from then on the listeners' own work is
     * pending), any other value asks for the re-synchronisation once the change is written. The callback
     * runs on the thread of the bulk write, holding none of the contacts service's locks. For event 0,
     * FALSE means the announcement could not be made; the result of any other event is not looked at. */
    typedef BOOL (*CtSvcFullSyncCallback)(int nEvent, void* pUserData, void* pReserved);

    /* Registers the full-sync callback (one for the process; a second registration replaces the first,
     * NULL removes it). A platform reset forgets it. TRUE. */
    BOOL CtSvcDbSetFullSyncCallback(CtSvcFullSyncCallback pfnCallback, void* pUserData);

    /* One contact of a bulk import: its main record and the records it holds. The arrays may be NULL
     * when their count is 0; the records' ids and contact ids are not read. */
    typedef struct CtSvcImportContact
    {
        CtSvcContactRecord stContact;
        const CtSvcPhoneNumberRecord* pNumbers;
        int nNumbers;
        const CtSvcEmailAddressRecord* pEmails;
        int nEmails;
        const CtSvcSnsDataRecord* pSns;
        int nSns;
        const CtSvcImRecord* pIms;
        int nIms;
    } CtSvcImportContact;

    /* Stores nCount new contacts with their records, all in one transaction: all of them or none.
     * Every record is checked first (as the single adds check them); one that cannot be stored refuses
     * the whole import before anything is announced (CTSVC_ERR_INVALID_ARG). With a full-sync callback
     * registered, the import announces itself with event 0 (FALSE from it refuses the import:
     * CTSVC_ERR_SYNC_REFUSED, nothing stored), writes, and then asks for the re-synchronisation with
     * event 1, also when the write failed (the re-synchronisation then finds the logs as they were and
     * ends the announcement); the listeners hear nothing of the import. Without a full-sync callback
     * every stored record is notified as its single add would be. Returns nCount (0 for nothing to
     * import), the new contacts' ids in pContactIds when it is not NULL (room for nCount), or -1 with
     * the cause in SysGetLastError and nothing stored. */
    int CtSvcDbContactImport(const CtSvcImportContact* pContacts, int nCount, int* pContactIds);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* KIV_CTSVC_H */
