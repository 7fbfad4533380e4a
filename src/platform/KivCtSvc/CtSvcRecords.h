// The records of the address book as rows of its tables, and the keys of its searches.
#ifndef KIVCTSVC_RECORDS_H
#define KIVCTSVC_RECORDS_H

#include "KivCtSvc/KivCtSvc.h"

#include <sqlite3.h>

#include <string>

namespace kiv::ctsvc
{
/* The columns a data row is read with, in this order. */
constexpr const char* kDataColumns =
    "id, kind, contact_id, storage_kind, account_id, number_kind, use_type, value";
constexpr const char* kFdnColumns = "id, name, number";

/* A row of contact_data as written (the id aside). */
struct CtSvcDataRow
{
    int nKind = 0;
    int nContactId = 0;
    int nStorageKind = 0;
    int nAccountId = 0;
    int nNumberKind = 0;
    int nUseType = 0;
    std::string strValue;
    std::string strReversed; /* phone numbers only */
};

/* What a search compares: a value byte for byte, a phone number (see NumberKey), or nothing. */
struct CtSvcKey
{
    enum
    {
        KEY_NONE,
        KEY_VALUE,
        KEY_WHOLE_NUMBER,
        KEY_NUMBER_TAIL
    } iType = KEY_NONE;
    std::string strValue; /* KEY_VALUE; KEY_WHOLE_NUMBER: the reversed dialled part; KEY_NUMBER_TAIL: from */
    std::string strTo;    /* KEY_NUMBER_TAIL */
};
CtSvcKey NumberSearchKey(const char* pszNumber);
/* The condition of a key on a table's columns (value, reversed), with named parameters :value, :to. */
const char* KeyCondition(const CtSvcKey& key);
/* Binds the key's parameters. */
void BindKey(sqlite3_stmt* pStmt, const CtSvcKey& key);
void BindInt(sqlite3_stmt* pStmt, const char* pszName, int nValue);
void BindString(sqlite3_stmt* pStmt, const char* pszName, const std::string& strValue);

/* Per kind of data record: its kind, its row, its search key and its reading from a row (kDataColumns).
 * ToRow and Key leave CTSVC_ERR_INVALID_ARG and report when the record cannot be stored or searched
 * with (a text longer than its field, a bad number, an empty key). FromRow is false when a stored text
 * does not fit its field. */
inline int KindOf(const CtSvcPhoneNumberRecord*)
{
    return CTSVC_DB_PHONE_NUMBER;
}
inline int KindOf(const CtSvcEmailAddressRecord*)
{
    return CTSVC_DB_EMAIL;
}
inline int KindOf(const CtSvcSnsDataRecord*)
{
    return CTSVC_DB_SNS;
}
inline int KindOf(const CtSvcImRecord*)
{
    return CTSVC_DB_IM;
}

bool ToRow(const CtSvcPhoneNumberRecord& record, CtSvcDataRow& row, const char* pszWhat);
bool ToRow(const CtSvcEmailAddressRecord& record, CtSvcDataRow& row, const char* pszWhat);
bool ToRow(const CtSvcSnsDataRecord& record, CtSvcDataRow& row, const char* pszWhat);
bool ToRow(const CtSvcImRecord& record, CtSvcDataRow& row, const char* pszWhat);

bool Key(const CtSvcPhoneNumberRecord& search, CtSvcKey& key, const char* pszWhat);
bool Key(const CtSvcEmailAddressRecord& search, CtSvcKey& key, const char* pszWhat);
bool Key(const CtSvcSnsDataRecord& search, CtSvcKey& key, const char* pszWhat);
bool Key(const CtSvcImRecord& search, CtSvcKey& key, const char* pszWhat);

bool FromRow(sqlite3_stmt* pStmt, CtSvcPhoneNumberRecord& record);
bool FromRow(sqlite3_stmt* pStmt, CtSvcEmailAddressRecord& record);
bool FromRow(sqlite3_stmt* pStmt, CtSvcSnsDataRecord& record);
bool FromRow(sqlite3_stmt* pStmt, CtSvcImRecord& record);
/* A contact (id, first_name, last_name, caller_id_path) and an FDN entry (kFdnColumns). */
bool FromRow(sqlite3_stmt* pStmt, CtSvcContactRecord& record);
bool FromRow(sqlite3_stmt* pStmt, CtSvcFdnRecord& record);

/* Checks a text field of a record to be written; false (CTSVC_ERR_INVALID_ARG, reported) when it is
 * longer than its field. */
bool FieldFits(const char* pszField, size_t nSize, const char* pszWhat, const char* pszName);
/* A number to be written, normalised; false (CTSVC_ERR_INVALID_ARG, reported) when it is too long or no
 * phone number. */
bool NumberFits(const char* pszField, size_t nSize, const char* pszWhat, std::string& strNumber);
/* An invalid argument: CTSVC_ERR_INVALID_ARG left and reported. */
void Refuse(const char* pszWhat, const std::string& strWhy);
/* No record with the id: CTSVC_ERR_NOT_FOUND left (reported as detail: callers ask for ids that may be
 * gone). */
void NotFound(const char* pszWhat, int nId);
} // namespace kiv::ctsvc

#endif
