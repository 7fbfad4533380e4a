// Writes of the address book. Each write is one transaction of the writer connection. Once it is
// committed its notices are queued (still under the writer mutex, so the queue follows the order of
// the commits), every lock is given back, and the write waits until the notification thread has
// called the listeners for them.
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"
#include "KivCtSvc/CtSvcDatabase.h"
#include "KivCtSvc/CtSvcNotifier.h"
#include "KivCtSvc/CtSvcRecords.h"
#include "KivCtSvc/CtSvcText.h"
#include "KivCtSvc/KivCtSvc.h"

#include <functional>
#include <mutex>
#include <vector>

namespace kiv::ctsvc
{
namespace
{
using WriteBody = std::function<bool(CCtSvcConnection& connection, std::vector<CtSvcNotice>& notices)>;

// Runs fnBody inside one write transaction; false (nothing kept, nothing notified, the cause left)
// when it or the commit fails.
bool RunWrite(const char* pszWhat, const WriteBody& fnBody)
{
    if (kiv::core::DataRootReadOnly())
    {
        Fail(SYS_ERR_READ_ONLY, pszWhat, "the data root is read-only");
        return false;
    }
    CtSvcTicket ticket;
    {
        std::lock_guard<std::mutex> writer(CCtSvcDatabase::Instance().WriterMutex());
        CCtSvcLease lease(pszWhat); // given back before the writer mutex
        if (!lease || !lease->Exec("BEGIN IMMEDIATE", pszWhat))
            return false;
        std::vector<CtSvcNotice> notices;
        if (!fnBody(*lease, notices) || !lease->Exec("COMMIT", pszWhat))
        {
            if (!sqlite3_get_autocommit(lease->Db()))
                sqlite3_exec(lease->Db(), "ROLLBACK", nullptr, nullptr, nullptr); // the cause stays
            return false;
        }
        ticket = CCtSvcNotifier::Instance().Queue(notices);
    }
    CCtSvcNotifier::Instance().Wait(ticket);
    return true;
}

// Runs a statement that returns no rows; the number of rows it changed, -1 on failure.
int Change(CCtSvcConnection& connection, sqlite3_stmt* pStmt, const char* pszWhat)
{
    const int nResult = sqlite3_step(pStmt);
    sqlite3_reset(pStmt);
    if (nResult != SQLITE_DONE)
    {
        FailSql(connection.Db(), pszWhat);
        return -1;
    }
    return sqlite3_changes(connection.Db());
}

// A statement that changes the record nId: false when it failed or found no such record.
bool ChangeOne(CCtSvcConnection& connection, sqlite3_stmt* pStmt, int nId, const char* pszWhat)
{
    const int nChanged = Change(connection, pStmt, pszWhat);
    if (nChanged == 0)
        NotFound(pszWhat, nId);
    return nChanged > 0;
}

// The id of the row just inserted by pStmt; -1 on failure.
int Insert(CCtSvcConnection& connection, sqlite3_stmt* pStmt, const char* pszWhat)
{
    return Change(connection, pStmt, pszWhat) < 0
               ? -1
               : static_cast<int>(sqlite3_last_insert_rowid(connection.Db()));
}

bool ContactExists(CCtSvcConnection& connection, int nContactId, const char* pszWhat)
{
    sqlite3_stmt* pStmt = connection.Statement("SELECT 1 FROM contacts WHERE id = :id", pszWhat);
    if (pStmt == nullptr)
        return false;
    BindInt(pStmt, ":id", nContactId);
    const int nResult = sqlite3_step(pStmt);
    sqlite3_reset(pStmt);
    if (nResult == SQLITE_ROW)
        return true;
    if (nResult == SQLITE_DONE)
        NotFound(pszWhat, nContactId);
    else
        FailSql(connection.Db(), pszWhat);
    return false;
}

void BindContact(sqlite3_stmt* pStmt, const CtSvcContactRecord& record)
{
    BindString(pStmt, ":first", record.szFirstName);
    BindString(pStmt, ":last", record.szLastName);
    BindString(pStmt, ":path", record.szCallerIdPath);
}

bool ContactFits(const CtSvcContactRecord* pRecord, const char* pszWhat)
{
    if (pRecord == nullptr)
    {
        Refuse(pszWhat, "no record");
        return false;
    }
    return FieldFits(pRecord->szFirstName, sizeof pRecord->szFirstName, pszWhat, "first name") &&
           FieldFits(pRecord->szLastName, sizeof pRecord->szLastName, pszWhat, "last name") &&
           FieldFits(pRecord->szCallerIdPath, sizeof pRecord->szCallerIdPath, pszWhat, "caller-id path");
}

void BindDataRow(sqlite3_stmt* pStmt, const CtSvcDataRow& row)
{
    BindInt(pStmt, ":kind", row.nKind);
    BindInt(pStmt, ":storage", row.nStorageKind);
    BindInt(pStmt, ":account", row.nAccountId);
    BindInt(pStmt, ":number_kind", row.nNumberKind);
    BindInt(pStmt, ":use", row.nUseType);
    BindString(pStmt, ":value", row.strValue);
    if (row.nKind == CTSVC_DB_PHONE_NUMBER)
        BindString(pStmt, ":reversed", row.strReversed);
}

template <class R> bool DataFits(const R* pRecord, CtSvcDataRow& row, const char* pszWhat)
{
    if (pRecord != nullptr)
        return ToRow(*pRecord, row, pszWhat);
    Refuse(pszWhat, "no record");
    return false;
}

template <class R> int AddData(const R* pRecord, const char* pszWhat)
{
    CtSvcDataRow row;
    if (!DataFits(pRecord, row, pszWhat))
        return -1;
    int nId = -1;
    const bool bDone = RunWrite(pszWhat,
                                [&](CCtSvcConnection& connection, std::vector<CtSvcNotice>& notices)
                                {
                                    if (!ContactExists(connection, row.nContactId, pszWhat))
                                        return false;
                                    sqlite3_stmt* pStmt = connection.Statement(
                                        "INSERT INTO contact_data(kind, contact_id, storage_kind, "
                                        "account_id, number_kind, use_type, value,"
                                        " reversed) VALUES (:kind, :contact, :storage, :account, "
                                        ":number_kind, :use, :value, :reversed)",
                                        pszWhat);
                                    if (pStmt == nullptr)
                                        return false;
                                    BindDataRow(pStmt, row);
                                    BindInt(pStmt, ":contact", row.nContactId);
                                    nId = Insert(connection, pStmt, pszWhat);
                                    notices.push_back({row.nKind, CTSVC_CHANGE_NEW, nId});
                                    return nId > 0;
                                });
    return bDone ? nId : -1;
}

template <class R> BOOL ChangeData(const R* pRecord, const char* pszWhat)
{
    CtSvcDataRow row;
    if (!DataFits(pRecord, row, pszWhat))
        return FALSE;
    return RunWrite(
               pszWhat,
               [&](CCtSvcConnection& connection, std::vector<CtSvcNotice>& notices)
               {
                   sqlite3_stmt* pStmt = connection.Statement(
                       "UPDATE contact_data SET storage_kind = :storage, account_id = :account,"
                       " number_kind = :number_kind, use_type = :use, value = :value, reversed = :reversed"
                       " WHERE id = :id AND kind = :kind",
                       pszWhat);
                   if (pStmt == nullptr)
                       return false;
                   BindDataRow(pStmt, row);
                   BindInt(pStmt, ":id", pRecord->nDataId);
                   notices.push_back({row.nKind, CTSVC_CHANGE_CHANGED, pRecord->nDataId});
                   return ChangeOne(connection, pStmt, pRecord->nDataId, pszWhat);
               })
               ? TRUE
               : FALSE;
}

// Deletes the record nId of a table (of the kind nKind for contact data) and notifies it.
BOOL DeleteOne(const char* pszSql, int nKind, int nId, const char* pszWhat)
{
    return RunWrite(pszWhat,
                    [&](CCtSvcConnection& connection, std::vector<CtSvcNotice>& notices)
                    {
                        sqlite3_stmt* pStmt = connection.Statement(pszSql, pszWhat);
                        if (pStmt == nullptr)
                            return false;
                        BindInt(pStmt, ":id", nId);
                        BindInt(pStmt, ":kind", nKind);
                        notices.push_back({nKind, CTSVC_CHANGE_DELETED, nId});
                        return ChangeOne(connection, pStmt, nId, pszWhat);
                    })
               ? TRUE
               : FALSE;
}

BOOL DeleteData(int nKind, int nDataId, const char* pszWhat)
{
    return DeleteOne("DELETE FROM contact_data WHERE id = :id AND kind = :kind", nKind, nDataId, pszWhat);
}

// An FDN entry's row: its name and its number (normalised, and reversed for the searches).
bool FdnFits(const CtSvcFdnRecord* pRecord, std::string& strNumber, const char* pszWhat)
{
    if (pRecord == nullptr)
    {
        Refuse(pszWhat, "no record");
        return false;
    }
    return FieldFits(pRecord->szName, sizeof pRecord->szName, pszWhat, "name") &&
           NumberFits(pRecord->szNumber, sizeof pRecord->szNumber, pszWhat, strNumber);
}

void BindFdn(sqlite3_stmt* pStmt, const CtSvcFdnRecord& record, const std::string& strNumber)
{
    BindString(pStmt, ":name", record.szName);
    BindString(pStmt, ":number", strNumber);
    BindString(pStmt, ":reversed", ReversedDialled(strNumber));
}

// The full-sync callback of the process.
struct CFullSync
{
    std::mutex mutex;
    CtSvcFullSyncCallback pfnCallback = nullptr;
    void* pUserData = nullptr;
};

CFullSync& FullSync()
{
    static CFullSync* s_pFullSync = new CFullSync; // never destroyed: an import may run at exit
    return *s_pFullSync;
}

// The rows of one imported contact's records (contact id not set yet).
template <class R>
bool ImportRows(const R* pRecords, int nRecords, std::vector<CtSvcDataRow>& rows, const char* pszWhat)
{
    if (nRecords < 0 || (nRecords > 0 && pRecords == nullptr))
    {
        Refuse(pszWhat, "a list of records without its records");
        return false;
    }
    for (int i = 0; i < nRecords; ++i)
    {
        CtSvcDataRow row;
        if (!ToRow(pRecords[i], row, pszWhat))
            return false;
        rows.push_back(row);
    }
    return true;
}
} // namespace

void ForgetFullSyncCallback()
{
    std::lock_guard<std::mutex> lock(FullSync().mutex);
    FullSync().pfnCallback = nullptr;
    FullSync().pUserData = nullptr;
}
} // namespace kiv::ctsvc

using namespace kiv::ctsvc;

extern "C" int CtSvcDbContactAdd(const CtSvcContactRecord* pRecord)
{
    constexpr const char* kWhat = "CtSvcDbContactAdd";
    if (!ContactFits(pRecord, kWhat))
        return -1;
    int nId = -1;
    const bool bDone = RunWrite(kWhat,
                                [&](CCtSvcConnection& connection, std::vector<CtSvcNotice>& notices)
                                {
                                    sqlite3_stmt* pStmt = connection.Statement(
                                        "INSERT INTO contacts(first_name, last_name, caller_id_path)"
                                        " VALUES (:first, :last, :path)",
                                        kWhat);
                                    if (pStmt == nullptr)
                                        return false;
                                    BindContact(pStmt, *pRecord);
                                    nId = Insert(connection, pStmt, kWhat);
                                    notices.push_back({CTSVC_DB_CONTACT, CTSVC_CHANGE_NEW, nId});
                                    return nId > 0;
                                });
    return bDone ? nId : -1;
}

extern "C" BOOL CtSvcDbContactChange(const CtSvcContactRecord* pRecord)
{
    constexpr const char* kWhat = "CtSvcDbContactChange";
    if (!ContactFits(pRecord, kWhat))
        return FALSE;
    return RunWrite(
               kWhat,
               [&](CCtSvcConnection& connection, std::vector<CtSvcNotice>& notices)
               {
                   sqlite3_stmt* pStmt = connection.Statement(
                       "UPDATE contacts SET first_name = :first, last_name = :last, caller_id_path = :path"
                       " WHERE id = :id",
                       kWhat);
                   if (pStmt == nullptr)
                       return false;
                   BindContact(pStmt, *pRecord);
                   BindInt(pStmt, ":id", pRecord->nContactId);
                   notices.push_back({CTSVC_DB_CONTACT, CTSVC_CHANGE_CHANGED, pRecord->nContactId});
                   return ChangeOne(connection, pStmt, pRecord->nContactId, kWhat);
               })
               ? TRUE
               : FALSE;
}

extern "C" BOOL CtSvcDbContactDelete(int nContactId)
{
    constexpr const char* kWhat = "CtSvcDbContactDelete";
    return RunWrite(kWhat,
                    [&](CCtSvcConnection& connection, std::vector<CtSvcNotice>& notices)
                    {
                        // The contact's data first: numbers, e-mail addresses, SNS data, IM addresses, each
                        // kind in ascending id; then the contact itself.
                        sqlite3_stmt* pData = connection.Statement(
                            "SELECT id, kind FROM contact_data WHERE contact_id = :id ORDER BY"
                            " CASE kind WHEN 1 THEN 0 WHEN 2 THEN 1 WHEN 12 THEN 2 ELSE 3 END, id",
                            kWhat);
                        if (pData == nullptr)
                            return false;
                        BindInt(pData, ":id", nContactId);
                        int nResult;
                        while ((nResult = sqlite3_step(pData)) == SQLITE_ROW)
                            notices.push_back({sqlite3_column_int(pData, 1), CTSVC_CHANGE_DELETED,
                                               sqlite3_column_int(pData, 0)});
                        sqlite3_reset(pData);
                        if (nResult != SQLITE_DONE)
                        {
                            FailSql(connection.Db(), kWhat);
                            return false;
                        }
                        sqlite3_stmt* pDeleteData =
                            connection.Statement("DELETE FROM contact_data WHERE contact_id = :id", kWhat);
                        sqlite3_stmt* pDelete =
                            connection.Statement("DELETE FROM contacts WHERE id = :id", kWhat);
                        if (pDeleteData == nullptr || pDelete == nullptr)
                            return false;
                        BindInt(pDeleteData, ":id", nContactId);
                        BindInt(pDelete, ":id", nContactId);
                        notices.push_back({CTSVC_DB_CONTACT, CTSVC_CHANGE_DELETED, nContactId});
                        return Change(connection, pDeleteData, kWhat) >= 0 &&
                               ChangeOne(connection, pDelete, nContactId, kWhat);
                    })
               ? TRUE
               : FALSE;
}

extern "C" int CtSvcDbPhoneNumberAdd(const CtSvcPhoneNumberRecord* pRecord)
{
    return AddData(pRecord, "CtSvcDbPhoneNumberAdd");
}

extern "C" BOOL CtSvcDbPhoneNumberChange(const CtSvcPhoneNumberRecord* pRecord)
{
    return ChangeData(pRecord, "CtSvcDbPhoneNumberChange");
}

extern "C" BOOL CtSvcDbPhoneNumberDelete(int nDataId)
{
    return DeleteData(CTSVC_DB_PHONE_NUMBER, nDataId, "CtSvcDbPhoneNumberDelete");
}

extern "C" int CtSvcDbEmailAddressAdd(const CtSvcEmailAddressRecord* pRecord)
{
    return AddData(pRecord, "CtSvcDbEmailAddressAdd");
}

extern "C" BOOL CtSvcDbEmailAddressChange(const CtSvcEmailAddressRecord* pRecord)
{
    return ChangeData(pRecord, "CtSvcDbEmailAddressChange");
}

extern "C" BOOL CtSvcDbEmailAddressDelete(int nDataId)
{
    return DeleteData(CTSVC_DB_EMAIL, nDataId, "CtSvcDbEmailAddressDelete");
}

extern "C" int CtSvcDbSnsDataAdd(const CtSvcSnsDataRecord* pRecord)
{
    return AddData(pRecord, "CtSvcDbSnsDataAdd");
}

extern "C" BOOL CtSvcDbSnsDataChange(const CtSvcSnsDataRecord* pRecord)
{
    return ChangeData(pRecord, "CtSvcDbSnsDataChange");
}

extern "C" BOOL CtSvcDbSnsDataDelete(int nDataId)
{
    return DeleteData(CTSVC_DB_SNS, nDataId, "CtSvcDbSnsDataDelete");
}

extern "C" int CtSvcDbIMAdd(const CtSvcImRecord* pRecord)
{
    return AddData(pRecord, "CtSvcDbIMAdd");
}

extern "C" BOOL CtSvcDbIMChange(const CtSvcImRecord* pRecord)
{
    return ChangeData(pRecord, "CtSvcDbIMChange");
}

extern "C" BOOL CtSvcDbIMDelete(int nDataId)
{
    return DeleteData(CTSVC_DB_IM, nDataId, "CtSvcDbIMDelete");
}

extern "C" int CtSvcDbFdnAdd(const CtSvcFdnRecord* pRecord)
{
    constexpr const char* kWhat = "CtSvcDbFdnAdd";
    std::string strNumber;
    if (!FdnFits(pRecord, strNumber, kWhat))
        return -1;
    int nId = -1;
    const bool bDone =
        RunWrite(kWhat,
                 [&](CCtSvcConnection& connection, std::vector<CtSvcNotice>& notices)
                 {
                     sqlite3_stmt* pStmt = connection.Statement(
                         "INSERT INTO fdn(name, number, reversed) VALUES (:name, :number, :reversed)", kWhat);
                     if (pStmt == nullptr)
                         return false;
                     BindFdn(pStmt, *pRecord, strNumber);
                     nId = Insert(connection, pStmt, kWhat);
                     notices.push_back({CTSVC_DB_FDN, CTSVC_CHANGE_NEW, nId});
                     return nId > 0;
                 });
    return bDone ? nId : -1;
}

extern "C" BOOL CtSvcDbFdnChange(const CtSvcFdnRecord* pRecord)
{
    constexpr const char* kWhat = "CtSvcDbFdnChange";
    std::string strNumber;
    if (!FdnFits(pRecord, strNumber, kWhat))
        return FALSE;
    return RunWrite(
               kWhat,
               [&](CCtSvcConnection& connection, std::vector<CtSvcNotice>& notices)
               {
                   sqlite3_stmt* pStmt = connection.Statement(
                       "UPDATE fdn SET name = :name, number = :number, reversed = :reversed WHERE id = :id",
                       kWhat);
                   if (pStmt == nullptr)
                       return false;
                   BindFdn(pStmt, *pRecord, strNumber);
                   BindInt(pStmt, ":id", pRecord->nFdnId);
                   notices.push_back({CTSVC_DB_FDN, CTSVC_CHANGE_CHANGED, pRecord->nFdnId});
                   return ChangeOne(connection, pStmt, pRecord->nFdnId, kWhat);
               })
               ? TRUE
               : FALSE;
}

extern "C" BOOL CtSvcDbFdnDelete(int nFdnId)
{
    return DeleteOne("DELETE FROM fdn WHERE id = :id", CTSVC_DB_FDN, nFdnId, "CtSvcDbFdnDelete");
}

extern "C" BOOL CtSvcDbSetFullSyncCallback(CtSvcFullSyncCallback pfnCallback, void* pUserData)
{
    std::lock_guard<std::mutex> lock(FullSync().mutex);
    FullSync().pfnCallback = pfnCallback;
    FullSync().pUserData = pfnCallback != nullptr ? pUserData : nullptr;
    return TRUE;
}

extern "C" int CtSvcDbContactImport(const CtSvcImportContact* pContacts, int nCount, int* pContactIds)
{
    constexpr const char* kWhat = "CtSvcDbContactImport";
    if (nCount < 0 || (nCount > 0 && pContacts == nullptr))
    {
        Refuse(kWhat, "no contacts");
        return -1;
    }
    if (nCount == 0)
        return 0;
    // Everything is checked before the import is announced.
    std::vector<std::vector<CtSvcDataRow>> rows(static_cast<size_t>(nCount));
    for (int i = 0; i < nCount; ++i)
    {
        const CtSvcImportContact& contact = pContacts[i];
        if (!ContactFits(&contact.stContact, kWhat) ||
            !ImportRows(contact.pNumbers, contact.nNumbers, rows[i], kWhat) ||
            !ImportRows(contact.pEmails, contact.nEmails, rows[i], kWhat) ||
            !ImportRows(contact.pSns, contact.nSns, rows[i], kWhat) ||
            !ImportRows(contact.pIms, contact.nIms, rows[i], kWhat))
            return -1;
    }
    if (kiv::core::DataRootReadOnly())
    {
        Fail(SYS_ERR_READ_ONLY, kWhat, "the data root is read-only");
        return -1;
    }

    CtSvcFullSyncCallback pfnSync;
    void* pSyncData;
    {
        std::lock_guard<std::mutex> lock(FullSync().mutex);
        pfnSync = FullSync().pfnCallback;
        pSyncData = FullSync().pUserData;
    }
    if (pfnSync != nullptr && !pfnSync(0, pSyncData, nullptr))
    {
        Fail(CTSVC_ERR_SYNC_REFUSED, kWhat, "the full sync could not be announced");
        return -1;
    }

    std::vector<int> ids(static_cast<size_t>(nCount), -1);
    const bool bDone = RunWrite(
        kWhat,
        [&](CCtSvcConnection& connection, std::vector<CtSvcNotice>& notices)
        {
            sqlite3_stmt* pContact = connection.Statement(
                "INSERT INTO contacts(first_name, last_name, caller_id_path) VALUES (:first, :last, :path)",
                kWhat);
            sqlite3_stmt* pData =
                connection.Statement("INSERT INTO contact_data(kind, contact_id, storage_kind, account_id,"
                                     " number_kind, use_type, value, reversed) VALUES (:kind, :contact,"
                                     " :storage, :account, :number_kind, :use, :value, :reversed)",
                                     kWhat);
            if (pContact == nullptr || pData == nullptr)
                return false;
            for (int i = 0; i < nCount; ++i)
            {
                BindContact(pContact, pContacts[i].stContact);
                ids[i] = Insert(connection, pContact, kWhat);
                if (ids[i] <= 0)
                    return false;
                if (pfnSync == nullptr)
                    notices.push_back({CTSVC_DB_CONTACT, CTSVC_CHANGE_NEW, ids[i]});
                for (const CtSvcDataRow& row : rows[i])
                {
                    sqlite3_clear_bindings(pData);
                    BindDataRow(pData, row);
                    BindInt(pData, ":contact", ids[i]);
                    const int nDataId = Insert(connection, pData, kWhat);
                    if (nDataId <= 0)
                        return false;
                    if (pfnSync == nullptr)
                        notices.push_back({row.nKind, CTSVC_CHANGE_NEW, nDataId});
                }
            }
            return true;
        });
    if (pfnSync != nullptr)
    {
        // Asked for also after a failed write, so that the announcement ends; the write's cause stays.
        const unsigned int nError = SysGetLastError();
        pfnSync(1, pSyncData, nullptr);
        SysSetLastError(nError);
    }
    if (!bDone)
        return -1;
    if (pContactIds != nullptr)
        for (int i = 0; i < nCount; ++i)
            pContactIds[i] = ids[i];
    return nCount;
}
