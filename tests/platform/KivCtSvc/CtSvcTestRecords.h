// Records of the address book as the tests write them.
#ifndef ULOG_TEST_CTSVC_RECORDS_H
#define ULOG_TEST_CTSVC_RECORDS_H

#include "KivCtSvc/KivCtSvc.h"

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

inline CtSvcContactRecord Contact(const std::string& strFirst, const std::string& strLast = "",
                                  const std::string& strPath = "", int nId = 0)
{
    CtSvcContactRecord record{nId, {}, {}, {}};
    Put(record.szFirstName, strFirst);
    Put(record.szLastName, strLast);
    Put(record.szCallerIdPath, strPath);
    return record;
}

inline CtSvcPhoneNumberRecord Number(int nContactId, const std::string& strNumber,
                                     int nKind = CTSVC_PHONE_MOBILE, int nUse = CTSVC_USE_HOME,
                                     int nStorage = CTSVC_STORAGE_PHONE)
{
    CtSvcPhoneNumberRecord record{0, nContactId, nStorage, 0, nKind, nUse, {}};
    Put(record.szNumber, strNumber);
    return record;
}

inline CtSvcEmailAddressRecord Email(int nContactId, const std::string& strAddress, int nAccount = 0)
{
    CtSvcEmailAddressRecord record{0, nContactId, CTSVC_STORAGE_PHONE, nAccount, CTSVC_USE_WORK, {}};
    Put(record.szAddress, strAddress);
    return record;
}

inline CtSvcSnsDataRecord Sns(int nContactId, const std::string& strPersonId, int nAccount = 0)
{
    CtSvcSnsDataRecord record{0, nContactId, nAccount, {}};
    Put(record.szPersonId, strPersonId);
    return record;
}

inline CtSvcImRecord Im(int nContactId, const std::string& strAddress, int nAccount = 0)
{
    CtSvcImRecord record{0, nContactId, nAccount, {}};
    Put(record.szAddress, strAddress);
    return record;
}

inline CtSvcFdnRecord Fdn(const std::string& strName, const std::string& strNumber, int nId = 0)
{
    CtSvcFdnRecord record{nId, {}, {}};
    Put(record.szName, strName);
    Put(record.szNumber, strNumber);
    return record;
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
} // namespace ctsvctest

#endif
