// The records of the address book as rows of its tables, and the keys of its searches.
#include "KivCtSvc/CtSvcRecords.h"

#include "KivCore/KivCore.h"
#include "KivCtSvc/CtSvcDatabase.h"
#include "KivCtSvc/CtSvcText.h"

namespace kiv::ctsvc
{
namespace
{
bool TextColumn(sqlite3_stmt* pStmt, int nColumn, char* pszField, size_t nSize)
{
    const unsigned char* pText = sqlite3_column_text(pStmt, nColumn);
    const int nBytes = sqlite3_column_bytes(pStmt, nColumn);
    return CopyToField(pszField, nSize, pText != nullptr ? reinterpret_cast<const char*>(pText) : "",
                       static_cast<size_t>(nBytes));
}

// The common columns of a data row: id, contact id, storage kind, account id, number kind, use type.
struct CtSvcDataHead
{
    int nDataId, nContactId, nStorageKind, nAccountId, nNumberKind, nUseType;
};

CtSvcDataHead Head(sqlite3_stmt* pStmt)
{
    return {sqlite3_column_int(pStmt, 0), sqlite3_column_int(pStmt, 2), sqlite3_column_int(pStmt, 3),
            sqlite3_column_int(pStmt, 4), sqlite3_column_int(pStmt, 5), sqlite3_column_int(pStmt, 6)};
}

// The key of a text field compared byte for byte; an empty one is refused.
bool ValueKey(const char* pszField, size_t nSize, CtSvcKey& key, const char* pszWhat)
{
    const int nLength = FieldLength(pszField, nSize);
    if (nLength < 0)
    {
        Refuse(pszWhat, "the search key is longer than its field");
        return false;
    }
    key.iType = nLength == 0 ? CtSvcKey::KEY_NONE : CtSvcKey::KEY_VALUE;
    key.strValue.assign(pszField, static_cast<size_t>(nLength));
    return true;
}

// A key field of a record to be written: not empty, not longer than its field.
bool ValueFits(const char* pszField, size_t nSize, const char* pszWhat, const char* pszName,
               std::string& strValue)
{
    if (!FieldFits(pszField, nSize, pszWhat, pszName))
        return false;
    if (pszField[0] == '\0')
    {
        Refuse(pszWhat, std::string("the ") + pszName + " is empty");
        return false;
    }
    strValue = pszField;
    return true;
}
} // namespace

void Refuse(const char* pszWhat, const std::string& strWhy)
{
    Fail(CTSVC_ERR_INVALID_ARG, pszWhat, strWhy);
}

void NotFound(const char* pszWhat, int nId)
{
    SysSetLastError(CTSVC_ERR_NOT_FOUND);
    SysDebugPrintf(SYS_DBG_DETAIL, "%s: no record %d\n", pszWhat, nId);
}

bool FieldFits(const char* pszField, size_t nSize, const char* pszWhat, const char* pszName)
{
    if (FieldLength(pszField, nSize) >= 0)
        return true;
    Refuse(pszWhat, std::string("the ") + pszName + " is longer than its field (" +
                        std::to_string(nSize - 1) + " bytes)");
    return false;
}

bool NumberFits(const char* pszField, size_t nSize, const char* pszWhat, std::string& strNumber)
{
    if (!FieldFits(pszField, nSize, pszWhat, "number"))
        return false;
    if (NormaliseNumber(pszField, strNumber))
        return true;
    Refuse(pszWhat, "not a phone number");
    return false;
}

CtSvcKey NumberSearchKey(const char* pszNumber)
{
    const CtSvcNumberKey number = NumberKey(pszNumber);
    CtSvcKey key;
    if (number.bNone)
        return key;
    key.iType = number.bWhole ? CtSvcKey::KEY_WHOLE_NUMBER : CtSvcKey::KEY_NUMBER_TAIL;
    key.strValue = number.strFrom;
    key.strTo = number.strTo;
    return key;
}

const char* KeyCondition(const CtSvcKey& key)
{
    switch (key.iType)
    {
    case CtSvcKey::KEY_VALUE:
        return "value = :value";
    case CtSvcKey::KEY_WHOLE_NUMBER:
        return "reversed = :value";
    case CtSvcKey::KEY_NUMBER_TAIL:
        return "reversed >= :value AND reversed < :to";
    default:
        return "0";
    }
}

void BindInt(sqlite3_stmt* pStmt, const char* pszName, int nValue)
{
    sqlite3_bind_int(pStmt, sqlite3_bind_parameter_index(pStmt, pszName), nValue);
}

void BindString(sqlite3_stmt* pStmt, const char* pszName, const std::string& strValue)
{
    BindText(pStmt, sqlite3_bind_parameter_index(pStmt, pszName), strValue);
}

void BindKey(sqlite3_stmt* pStmt, const CtSvcKey& key)
{
    if (key.iType == CtSvcKey::KEY_NONE)
        return;
    BindString(pStmt, ":value", key.strValue);
    if (key.iType == CtSvcKey::KEY_NUMBER_TAIL)
        BindString(pStmt, ":to", key.strTo);
}

bool ToRow(const CtSvcPhoneNumberRecord& record, CtSvcDataRow& row, const char* pszWhat)
{
    std::string strNumber;
    if (!NumberFits(record.szNumber, sizeof record.szNumber, pszWhat, strNumber))
        return false;
    row = {CTSVC_DB_PHONE_NUMBER, record.nContactId, record.nStorageKind, record.nAccountId,
           record.nNumberKind,    record.nUseType,   strNumber,           ReversedDialled(strNumber)};
    return true;
}

bool ToRow(const CtSvcEmailAddressRecord& record, CtSvcDataRow& row, const char* pszWhat)
{
    std::string strValue;
    if (!ValueFits(record.szAddress, sizeof record.szAddress, pszWhat, "e-mail address", strValue))
        return false;
    row = {CTSVC_DB_EMAIL,  record.nContactId, record.nStorageKind, record.nAccountId, 0,
           record.nUseType, strValue,          std::string()};
    return true;
}

bool ToRow(const CtSvcSnsDataRecord& record, CtSvcDataRow& row, const char* pszWhat)
{
    std::string strValue;
    if (!ValueFits(record.szPersonId, sizeof record.szPersonId, pszWhat, "person id", strValue))
        return false;
    row = {CTSVC_DB_SNS, record.nContactId, 0, record.nAccountId, 0, 0, strValue, std::string()};
    return true;
}

bool ToRow(const CtSvcImRecord& record, CtSvcDataRow& row, const char* pszWhat)
{
    std::string strValue;
    if (!ValueFits(record.szAddress, sizeof record.szAddress, pszWhat, "IM address", strValue))
        return false;
    row = {CTSVC_DB_IM, record.nContactId, 0, record.nAccountId, 0, 0, strValue, std::string()};
    return true;
}

bool Key(const CtSvcPhoneNumberRecord& search, CtSvcKey& key, const char* pszWhat)
{
    if (FieldLength(search.szNumber, sizeof search.szNumber) < 0)
    {
        Refuse(pszWhat, "the searched number is longer than its field");
        return false;
    }
    key = NumberSearchKey(search.szNumber);
    return true;
}

bool Key(const CtSvcEmailAddressRecord& search, CtSvcKey& key, const char* pszWhat)
{
    return ValueKey(search.szAddress, sizeof search.szAddress, key, pszWhat);
}

bool Key(const CtSvcSnsDataRecord& search, CtSvcKey& key, const char* pszWhat)
{
    return ValueKey(search.szPersonId, sizeof search.szPersonId, key, pszWhat);
}

bool Key(const CtSvcImRecord& search, CtSvcKey& key, const char* pszWhat)
{
    return ValueKey(search.szAddress, sizeof search.szAddress, key, pszWhat);
}

bool FromRow(sqlite3_stmt* pStmt, CtSvcPhoneNumberRecord& record)
{
    const CtSvcDataHead head = Head(pStmt);
    record = {head.nDataId,
              head.nContactId,
              head.nStorageKind,
              head.nAccountId,
              head.nNumberKind,
              head.nUseType,
              {}};
    return TextColumn(pStmt, 7, record.szNumber, sizeof record.szNumber);
}

bool FromRow(sqlite3_stmt* pStmt, CtSvcEmailAddressRecord& record)
{
    const CtSvcDataHead head = Head(pStmt);
    record = {head.nDataId, head.nContactId, head.nStorageKind, head.nAccountId, head.nUseType, {}};
    return TextColumn(pStmt, 7, record.szAddress, sizeof record.szAddress);
}

bool FromRow(sqlite3_stmt* pStmt, CtSvcSnsDataRecord& record)
{
    const CtSvcDataHead head = Head(pStmt);
    record = {head.nDataId, head.nContactId, head.nAccountId, {}};
    return TextColumn(pStmt, 7, record.szPersonId, sizeof record.szPersonId);
}

bool FromRow(sqlite3_stmt* pStmt, CtSvcImRecord& record)
{
    const CtSvcDataHead head = Head(pStmt);
    record = {head.nDataId, head.nContactId, head.nAccountId, {}};
    return TextColumn(pStmt, 7, record.szAddress, sizeof record.szAddress);
}

bool FromRow(sqlite3_stmt* pStmt, CtSvcContactRecord& record)
{
    record.nContactId = sqlite3_column_int(pStmt, 0);
    return TextColumn(pStmt, 1, record.szFirstName, sizeof record.szFirstName) &&
           TextColumn(pStmt, 2, record.szLastName, sizeof record.szLastName) &&
           TextColumn(pStmt, 3, record.szCallerIdPath, sizeof record.szCallerIdPath);
}

bool FromRow(sqlite3_stmt* pStmt, CtSvcFdnRecord& record)
{
    record.nFdnId = sqlite3_column_int(pStmt, 0);
    return TextColumn(pStmt, 1, record.szName, sizeof record.szName) &&
           TextColumn(pStmt, 2, record.szNumber, sizeof record.szNumber);
}
} // namespace kiv::ctsvc
