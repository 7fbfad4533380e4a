// Reads and searches of the address book. Each read takes a connection of its own from the pool and
// answers from the committed state; it never waits for a write of this process.
#include "KivCore/KivCore.h"
#include "KivCtSvc/CtSvcDatabase.h"
#include "KivCtSvc/CtSvcRecords.h"
#include "KivCtSvc/KivCtSvc.h"
#include "KivCtSvc/KivCtSvcInternal.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace kiv::ctsvc
{
namespace
{
// One read: the injected fault first, then a connection for the calling thread.
class CCtSvcRead
{
public:
    explicit CCtSvcRead(const char* pszWhat) : m_pszWhat(pszWhat)
    {
        if (ReadsFail())
            Fail(SYS_ERR_IO, pszWhat, "the address book cannot be read (injected fault)");
        else
            m_lease.emplace(pszWhat);
    }
    explicit operator bool() const { return m_lease.has_value() && static_cast<bool>(*m_lease); }

    sqlite3_stmt* Statement(const std::string& strSql) { return (*m_lease)->Statement(strSql, m_pszWhat); }

    // Steps through the rows of pStmt, calling fnRow(pStmt, nIndex) for each (false: a stored text does
    // not fit its field); the number of rows, -1 on failure. The statement is reset at the end, so no
    // read transaction stays open.
    template <class F> int Rows(sqlite3_stmt* pStmt, F&& fnRow)
    {
        int nRows = 0;
        int nResult;
        while ((nResult = sqlite3_step(pStmt)) == SQLITE_ROW)
        {
            if (!fnRow(pStmt, nRows))
            {
                sqlite3_reset(pStmt);
                Fail(SYS_ERR_DB_CORRUPT, m_pszWhat, "a stored text is longer than its field");
                return -1;
            }
            ++nRows;
        }
        if (nResult != SQLITE_DONE)
            FailSql((*m_lease)->Db(), m_pszWhat);
        sqlite3_reset(pStmt);
        return nResult == SQLITE_DONE ? nRows : -1;
    }

private:
    const char* m_pszWhat;
    std::optional<CCtSvcLease> m_lease;
};

// Room for nMax results: nMax not negative, and an array when nMax is above 0.
bool RoomValid(const void* pArray, int nMax, const char* pszWhat)
{
    if (nMax >= 0 && (nMax == 0 || pArray != nullptr))
        return true;
    Refuse(pszWhat, "no room for the results");
    return false;
}

std::string DataSql(const char* pszWhere)
{
    return std::string("SELECT ") + kDataColumns + " FROM contact_data WHERE " + pszWhere;
}

// A record by its id (bound as :id; :kind, when the text has it, as nKind).
template <class R>
BOOL GetById(const std::string& strSql, int nId, int nKind, R* pRecord, const char* pszWhat)
{
    if (pRecord == nullptr)
    {
        Refuse(pszWhat, "no record to fill");
        return FALSE;
    }
    CCtSvcRead read(pszWhat);
    sqlite3_stmt* pStmt = read ? read.Statement(strSql) : nullptr;
    if (pStmt == nullptr)
        return FALSE;
    BindInt(pStmt, ":id", nId);
    BindInt(pStmt, ":kind", nKind);
    R record{};
    const int nRows = read.Rows(pStmt, [&](sqlite3_stmt* pRow, int) { return FromRow(pRow, record); });
    if (nRows < 0)
        return FALSE;
    if (nRows == 0)
    {
        NotFound(pszWhat, nId);
        return FALSE;
    }
    *pRecord = record;
    return TRUE;
}

template <class R> BOOL GetData(int nDataId, R* pRecord, const char* pszWhat)
{
    return GetById(DataSql("id = :id AND kind = :kind"), nDataId, KindOf(pRecord), pRecord, pszWhat);
}

// The matches of a search record: their count (bCount), or the first nMax of them into pRecords.
template <class R> int Search(const R* pSearch, R* pRecords, int nMax, bool bCount, const char* pszWhat)
{
    if (pSearch == nullptr)
    {
        Refuse(pszWhat, "no search record");
        return -1;
    }
    CtSvcKey key;
    if ((!bCount && !RoomValid(pRecords, nMax, pszWhat)) || !Key(*pSearch, key, pszWhat))
        return -1;
    CCtSvcRead read(pszWhat);
    if (!read)
        return -1;
    if (key.iType == CtSvcKey::KEY_NONE || (!bCount && nMax == 0))
        return 0;
    const std::string strWhere = std::string("kind = :kind AND ") + KeyCondition(key);
    sqlite3_stmt* pStmt = read.Statement(bCount ? "SELECT count(*) FROM contact_data WHERE " + strWhere
                                                : DataSql(strWhere.c_str()) + " ORDER BY id LIMIT :limit");
    if (pStmt == nullptr)
        return -1;
    BindInt(pStmt, ":kind", KindOf(pSearch));
    BindKey(pStmt, key);
    BindInt(pStmt, ":limit", nMax);
    int nCount = 0;
    std::vector<R> found;
    const int nRows = read.Rows(pStmt,
                                [&](sqlite3_stmt* pRow, int)
                                {
                                    if (bCount)
                                    {
                                        nCount = sqlite3_column_int(pRow, 0);
                                        return true;
                                    }
                                    found.emplace_back();
                                    return FromRow(pRow, found.back());
                                });
    if (nRows < 0)
        return -1;
    if (!found.empty())
        std::copy(found.begin(), found.end(), pRecords);
    return bCount ? nCount : static_cast<int>(found.size());
}

// A contact's records of one kind: the total, the first nMax of them into pRecords.
template <class R> int OfContact(int nContactId, R* pRecords, int nMax, const char* pszWhat)
{
    if (!RoomValid(pRecords, nMax, pszWhat))
        return -1;
    CCtSvcRead read(pszWhat);
    sqlite3_stmt* pStmt =
        read ? read.Statement(DataSql("contact_id = :contact AND kind = :kind ORDER BY id")) : nullptr;
    if (pStmt == nullptr)
        return -1;
    BindInt(pStmt, ":contact", nContactId);
    BindInt(pStmt, ":kind", KindOf(pRecords));
    std::vector<R> found;
    const int nRows = read.Rows(pStmt,
                                [&](sqlite3_stmt* pRow, int nIndex)
                                {
                                    if (nIndex >= nMax)
                                        return true;
                                    found.emplace_back();
                                    return FromRow(pRow, found.back());
                                });
    if (nRows >= 0 && !found.empty())
        std::copy(found.begin(), found.end(), pRecords);
    return nRows;
}

// The ids of a table in ascending order: the total, the first nMax of them into pIds.
int Ids(const char* pszSql, int* pIds, int nMax, const char* pszWhat)
{
    if (!RoomValid(pIds, nMax, pszWhat))
        return -1;
    CCtSvcRead read(pszWhat);
    sqlite3_stmt* pStmt = read ? read.Statement(pszSql) : nullptr;
    if (pStmt == nullptr)
        return -1;
    return read.Rows(pStmt,
                     [&](sqlite3_stmt* pRow, int nIndex)
                     {
                         if (nIndex < nMax)
                             pIds[nIndex] = sqlite3_column_int(pRow, 0);
                         return true;
                     });
}
} // namespace
} // namespace kiv::ctsvc

using namespace kiv::ctsvc;

extern "C" BOOL CtSvcDbContactGetRecord(int nContactId, CtSvcContactRecord* pRecord)
{
    return GetById("SELECT id, first_name, last_name, caller_id_path FROM contacts WHERE id = :id",
                   nContactId, 0, pRecord, "CtSvcDbContactGetRecord");
}

extern "C" BOOL CtSvcDbContactDataGetRecord(int nDataId, CtSvcContactDataRecord* pRecord)
{
    constexpr const char* kWhat = "CtSvcDbContactDataGetRecord";
    if (pRecord == nullptr)
    {
        Refuse(kWhat, "no record to fill");
        return FALSE;
    }
    CCtSvcRead read(kWhat);
    sqlite3_stmt* pStmt = read ? read.Statement(DataSql("id = :id AND kind IN (1, 2)")) : nullptr;
    if (pStmt == nullptr)
        return FALSE;
    BindInt(pStmt, ":id", nDataId);
    CtSvcContactDataRecord record{};
    const int nRows = read.Rows(pStmt,
                                [&](sqlite3_stmt* pRow, int)
                                {
                                    record.nKind = sqlite3_column_int(pRow, 1);
                                    return record.nKind == CTSVC_DATA_PHONE_NUMBER
                                               ? FromRow(pRow, record.stNumber)
                                               : FromRow(pRow, record.stEmail);
                                });
    if (nRows < 0)
        return FALSE;
    if (nRows == 0)
    {
        NotFound(kWhat, nDataId);
        return FALSE;
    }
    *pRecord = record;
    return TRUE;
}

extern "C" BOOL CtSvcDbPhoneNumberGetRecord(int nDataId, CtSvcPhoneNumberRecord* pRecord)
{
    return GetData(nDataId, pRecord, "CtSvcDbPhoneNumberGetRecord");
}

extern "C" BOOL CtSvcDbEmailAddressGetRecord(int nDataId, CtSvcEmailAddressRecord* pRecord)
{
    return GetData(nDataId, pRecord, "CtSvcDbEmailAddressGetRecord");
}

extern "C" BOOL CtSvcDbSnsDataGetRecord(int nDataId, CtSvcSnsDataRecord* pRecord)
{
    return GetData(nDataId, pRecord, "CtSvcDbSnsDataGetRecord");
}

extern "C" BOOL CtSvcDbIMGetRecord(int nDataId, CtSvcImRecord* pRecord)
{
    return GetData(nDataId, pRecord, "CtSvcDbIMGetRecord");
}

extern "C" BOOL CtSvcDbFdnGetRecord(int nFdnId, CtSvcFdnRecord* pRecord)
{
    return GetById(std::string("SELECT ") + kFdnColumns + " FROM fdn WHERE id = :id", nFdnId, 0, pRecord,
                   "CtSvcDbFdnGetRecord");
}

extern "C" int CtSvcDbPhoneNumberGetCount(const CtSvcPhoneNumberRecord* pSearch)
{
    return Search(pSearch, static_cast<CtSvcPhoneNumberRecord*>(nullptr), 0, true,
                  "CtSvcDbPhoneNumberGetCount");
}

extern "C" int CtSvcDbEmailAddressGetCount(const CtSvcEmailAddressRecord* pSearch)
{
    return Search(pSearch, static_cast<CtSvcEmailAddressRecord*>(nullptr), 0, true,
                  "CtSvcDbEmailAddressGetCount");
}

extern "C" int CtSvcDbSnsDataGetCount(const CtSvcSnsDataRecord* pSearch)
{
    return Search(pSearch, static_cast<CtSvcSnsDataRecord*>(nullptr), 0, true, "CtSvcDbSnsDataGetCount");
}

extern "C" int CtSvcDbIMGetCount(const CtSvcImRecord* pSearch)
{
    return Search(pSearch, static_cast<CtSvcImRecord*>(nullptr), 0, true, "CtSvcDbIMGetCount");
}

extern "C" int CtSvcDbPhoneNumberGetRecords(const CtSvcPhoneNumberRecord* pSearch,
                                            CtSvcPhoneNumberRecord* pRecords, int nMax)
{
    return Search(pSearch, pRecords, nMax, false, "CtSvcDbPhoneNumberGetRecords");
}

extern "C" int CtSvcDbEmailAddressGetRecords(const CtSvcEmailAddressRecord* pSearch,
                                             CtSvcEmailAddressRecord* pRecords, int nMax)
{
    return Search(pSearch, pRecords, nMax, false, "CtSvcDbEmailAddressGetRecords");
}

extern "C" int CtSvcDbSnsDataGetRecords(const CtSvcSnsDataRecord* pSearch, CtSvcSnsDataRecord* pRecords,
                                        int nMax)
{
    return Search(pSearch, pRecords, nMax, false, "CtSvcDbSnsDataGetRecords");
}

extern "C" int CtSvcDbIMGetRecords(const CtSvcImRecord* pSearch, CtSvcImRecord* pRecords, int nMax)
{
    return Search(pSearch, pRecords, nMax, false, "CtSvcDbIMGetRecords");
}

extern "C" BOOL CtSvcDbFdnGetRecordByPhoneNumber(const char* pszNumber, CtSvcFdnRecord* pRecord)
{
    constexpr const char* kWhat = "CtSvcDbFdnGetRecordByPhoneNumber";
    if (pszNumber == nullptr || pRecord == nullptr)
    {
        Refuse(kWhat, "no number or no record to fill");
        return FALSE;
    }
    const CtSvcKey key = NumberSearchKey(pszNumber);
    CCtSvcRead read(kWhat);
    if (!read)
        return FALSE;
    CtSvcFdnRecord record{};
    int nRows = 0; // an empty key matches nothing
    if (key.iType != CtSvcKey::KEY_NONE)
    {
        sqlite3_stmt* pStmt = read.Statement(std::string("SELECT ") + kFdnColumns + " FROM fdn WHERE " +
                                             KeyCondition(key) + " ORDER BY id LIMIT 1");
        if (pStmt == nullptr)
            return FALSE;
        BindKey(pStmt, key);
        nRows = read.Rows(pStmt, [&](sqlite3_stmt* pRow, int) { return FromRow(pRow, record); });
    }
    if (nRows < 0)
        return FALSE;
    if (nRows == 0)
    {
        SysSetLastError(CTSVC_ERR_NOT_FOUND); // a search that found nothing: no report
        return FALSE;
    }
    *pRecord = record;
    return TRUE;
}

extern "C" int CtSvcDbContactGetIds(int* pIds, int nMax)
{
    return Ids("SELECT id FROM contacts ORDER BY id", pIds, nMax, "CtSvcDbContactGetIds");
}

extern "C" int CtSvcDbFdnGetIds(int* pIds, int nMax)
{
    return Ids("SELECT id FROM fdn ORDER BY id", pIds, nMax, "CtSvcDbFdnGetIds");
}

extern "C" int CtSvcDbPhoneNumberGetRecordsOfContact(int nContactId, CtSvcPhoneNumberRecord* pRecords,
                                                     int nMax)
{
    return OfContact(nContactId, pRecords, nMax, "CtSvcDbPhoneNumberGetRecordsOfContact");
}

extern "C" int CtSvcDbEmailAddressGetRecordsOfContact(int nContactId, CtSvcEmailAddressRecord* pRecords,
                                                      int nMax)
{
    return OfContact(nContactId, pRecords, nMax, "CtSvcDbEmailAddressGetRecordsOfContact");
}

extern "C" int CtSvcDbSnsDataGetRecordsOfContact(int nContactId, CtSvcSnsDataRecord* pRecords, int nMax)
{
    return OfContact(nContactId, pRecords, nMax, "CtSvcDbSnsDataGetRecordsOfContact");
}

extern "C" int CtSvcDbIMGetRecordsOfContact(int nContactId, CtSvcImRecord* pRecords, int nMax)
{
    return OfContact(nContactId, pRecords, nMax, "CtSvcDbIMGetRecordsOfContact");
}
