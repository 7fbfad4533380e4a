// Records of the address book as the tests write them, and their reads.
#ifndef ULOG_TEST_CTSVC_RECORDS_H
#define ULOG_TEST_CTSVC_RECORDS_H

#include "KivCtSvc/KivCtSvc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace ctsvctest
{
// Fills a field with text; text as long as the field leaves no room for the NUL.
template <size_t N> void Put(char (&szField)[N], const std::string& strText)
{
    std::memset(szField, 0, N);
    std::memcpy(szField, strText.data(), std::min(strText.size(), N));
}

// The record with one more text field filled; a builder for each kind below.
template <class R, size_t N> R With(R record, char (R::*pField)[N], const std::string& strText)
{
    Put(record.*pField, strText);
    return record;
}

inline CtSvcContactRecord Contact(const std::string& strFirst, const std::string& strLast = "",
                                  const std::string& strPath = "", int nId = 0)
{
    CtSvcContactRecord record{nId, {}, {}, {}};
    Put(record.szFirstName, strFirst), Put(record.szLastName, strLast), Put(record.szCallerIdPath, strPath);
    return record;
}

inline CtSvcPhoneNumberRecord Number(int nContactId, const std::string& strNumber,
                                     int nKind = CTSVC_PHONE_MOBILE, int nUse = CTSVC_USE_HOME,
                                     int nStorage = CTSVC_STORAGE_PHONE)
{
    return With(CtSvcPhoneNumberRecord{0, nContactId, nStorage, 0, nKind, nUse, {}},
                &CtSvcPhoneNumberRecord::szNumber, strNumber);
}

inline CtSvcEmailAddressRecord Email(int nContactId, const std::string& strAddress, int nAccount = 0)
{
    return With(CtSvcEmailAddressRecord{0, nContactId, CTSVC_STORAGE_PHONE, nAccount, CTSVC_USE_WORK, {}},
                &CtSvcEmailAddressRecord::szAddress, strAddress);
}

inline CtSvcSnsDataRecord Sns(int nContactId, const std::string& strPersonId, int nAccount = 0)
{
    return With(CtSvcSnsDataRecord{0, nContactId, nAccount, {}}, &CtSvcSnsDataRecord::szPersonId,
                strPersonId);
}

inline CtSvcImRecord Im(int nContactId, const std::string& strAddress, int nAccount = 0)
{
    return With(CtSvcImRecord{0, nContactId, nAccount, {}}, &CtSvcImRecord::szAddress, strAddress);
}

inline CtSvcFdnRecord Fdn(const std::string& strName, const std::string& strNumber, int nId = 0)
{
    return With(With(CtSvcFdnRecord{nId, {}, {}}, &CtSvcFdnRecord::szName, strName),
                &CtSvcFdnRecord::szNumber, strNumber);
}

// Adds of one record (the add functions take pointers).
template <class R, class F> int Add(F pfnAdd, const R& record)
{
    return pfnAdd(&record);
}

inline int AddContact(const std::string& strFirst)
{
    return Add(CtSvcDbContactAdd, Contact(strFirst));
}

inline int AddNumber(int nContactId, const std::string& strNumber)
{
    return Add(CtSvcDbPhoneNumberAdd, Number(nContactId, strNumber));
}

// The record of that id, read by pfnGet, which must find it.
template <class R> R Read(BOOL (*pfnGet)(int, R*), int nId)
{
    R record{};
    EXPECT_TRUE(pfnGet(nId, &record)) << nId;
    return record;
}
} // namespace ctsvctest

#endif
