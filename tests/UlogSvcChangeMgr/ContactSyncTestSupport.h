// The started service beside a real address book: contacts written through the contacts service (whose
// listeners reach the service as on a handset), events added as an application adds them, and the
// contact fields of the stored rows read back from the database file.
#ifndef ULOG_CONTACT_SYNC_TEST_SUPPORT_H
#define ULOG_CONTACT_SYNC_TEST_SUPPORT_H

#include "KivCtSvc/KivCtSvc.h"
#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvc.h"
#include "support/DataFiles.h"
#include "support/PlatformFixture.h"
#include "support/Records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace ctsynctest
{
// A main record; nContactId is read only by a change.
inline CtSvcContactRecord Person(const std::string& first, const std::string& last,
                                 const std::string& path = "", int nContactId = 0)
{
    CtSvcContactRecord c;
    std::memset(&c, 0, sizeof(c));
    c.nContactId = nContactId;
    std::strncpy(c.szFirstName, first.c_str(), sizeof(c.szFirstName) - 1);
    std::strncpy(c.szLastName, last.c_str(), sizeof(c.szLastName) - 1);
    std::strncpy(c.szCallerIdPath, path.c_str(), sizeof(c.szCallerIdPath) - 1);
    return c;
}

inline int AddContact(const std::string& first, const std::string& last, const std::string& path = "")
{
    const CtSvcContactRecord c = Person(first, last, path);
    return CtSvcDbContactAdd(&c);
}

inline CtSvcPhoneNumberRecord NumberRecord(int nContactId, const char* number, int kind = CTSVC_PHONE_MOBILE,
                                           int use = CTSVC_USE_HOME, int storage = CTSVC_STORAGE_PHONE)
{
    CtSvcPhoneNumberRecord r;
    std::memset(&r, 0, sizeof(r));
    r.nContactId = nContactId;
    r.nNumberKind = kind;
    r.nUseType = use;
    r.nStorageKind = storage;
    std::strncpy(r.szNumber, number, sizeof(r.szNumber) - 1);
    return r;
}

inline int AddNumber(int nContactId, const char* number, int kind = CTSVC_PHONE_MOBILE,
                     int use = CTSVC_USE_HOME, int storage = CTSVC_STORAGE_PHONE)
{
    const CtSvcPhoneNumberRecord r = NumberRecord(nContactId, number, kind, use, storage);
    return CtSvcDbPhoneNumberAdd(&r);
}

inline int AddFdn(const char* name, const char* number)
{
    CtSvcFdnRecord r;
    std::memset(&r, 0, sizeof(r));
    std::strncpy(r.szName, name, sizeof(r.szName) - 1);
    std::strncpy(r.szNumber, number, sizeof(r.szNumber) - 1);
    return CtSvcDbFdnAdd(&r);
}

// Adds an event as an application does; its unique id, -1 when it was not stored.
inline int AddLog(UlogInfo info)
{
    return UlogAddCallLog(&info) ? info.nUniqueId : -1;
}

inline int AddCall(const char* number, UlogLogType type = ULOG_LOG_ORIGINATED, unsigned start = 1700000000u)
{
    ulogtest::Event e;
    e.type = type;
    e.number = number;
    e.start = start;
    return AddLog(ulogtest::MakeInfo(e));
}

// An event of an address: an e-mail (or message) log, or an IM log (types 9, 10).
inline int AddAddressLog(UlogLogType type, const char* address, const char* number = "")
{
    ulogtest::Event e;
    e.type = type;
    e.number = number;
    UlogInfo info = ulogtest::MakeInfo(e);
    WmConvert2PCode(info.mszEmailAddress, ULOG_EMAIL_ADDRESS_LEN, address);
    if (type == ULOG_LOG_IM_1 || type == ULOG_LOG_IM_2)
        info.nSpInfo = 1;
    return AddLog(info);
}

inline int AddSnsLog(const char* personId)
{
    ulogtest::Event e;
    e.type = ULOG_LOG_SNS_2;
    e.number = "";
    e.snsPersonId = personId;
    return AddLog(ulogtest::MakeInfo(e));
}

// Fields joined as ContactSyncTest::Contact gives them.
template <class... A> std::string Row(const A&... fields)
{
    std::ostringstream out;
    int n = 0;
    ((out << (n++ ? "|" : "") << fields), ...);
    return out.str();
}

// The changes an application's change callback heard: (change type, unique id).
using Changes = std::vector<std::pair<int, int>>;

inline void RecordChange(int nChangeType, int nUniqueId, void* pUserData)
{
    static_cast<Changes*>(pUserData)->emplace_back(nChangeType, nUniqueId);
}

class ContactSyncTest : public ulogtest::ServiceTest
{
protected:
    void SetUp() override
    {
        ServiceTest::SetUp();
        ASSERT_EQ(1, UlogSvcSetChangeCallback(&RecordChange, &m_changes));
    }
    void TearDown() override
    {
        UlogSvcSetChangeCallback(nullptr, nullptr);
        ServiceTest::TearDown();
    }

    // The contact fields of a row without a contact.
    static constexpr const char* kNone = "0|0|0|0|-1|0||||";

    // A distinct row's contact fields as stored: "person|data|fdn|account|phone type|storage type|first|
    // last|display name|picture".
    std::string Contact(int nUniqueId) const
    {
        const std::vector<std::string> rows = ulogtest::QueryDbFile(
            m_root, "select ctprimaryid, ctdataid, ctfdnid, myaccountid, phonetype, storagetype, firstname, "
                    "lastname, logname, callerid from UlogDistinctDbTable where clogdbindex = " +
                        std::to_string(nUniqueId));
        return rows.size() == 1 ? rows[0] : "<" + std::to_string(rows.size()) + " rows>";
    }
    // The contact ids of a row's events (its history), one entry per distinct combination.
    std::vector<std::string> HistoryIds(int nUniqueId) const
    {
        return ulogtest::QueryDbFile(m_root,
                                     "select distinct ctprimaryid, ctdataid, ctfdnid, myaccountid from "
                                     "UlogDuplDbTable where parentid = " +
                                         std::to_string(nUniqueId));
    }
    int CountChanges(int nChangeType) const
    {
        int n = 0;
        for (const auto& change : m_changes)
            n += change.first == nChangeType ? 1 : 0;
        return n;
    }

    Changes m_changes;
};
} // namespace ctsynctest

#endif
