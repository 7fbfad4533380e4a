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

#include <cstdio>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace ctsynctest
{
template <size_t N> void Put(char (&dest)[N], const std::string& text)
{
    std::snprintf(dest, N, "%s", text.c_str());
}

// A main record; nContactId is read only by a change.
inline CtSvcContactRecord Person(const std::string& first, const std::string& last,
                                 const std::string& path = "", int nContactId = 0)
{
    CtSvcContactRecord c = {nContactId, {}, {}, {}};
    Put(c.szFirstName, first);
    Put(c.szLastName, last);
    Put(c.szCallerIdPath, path);
    return c;
}

inline int AddContact(const std::string& first, const std::string& last, const std::string& path = "")
{
    const CtSvcContactRecord c = Person(first, last, path);
    return CtSvcDbContactAdd(&c);
}

inline CtSvcPhoneNumberRecord NumberRecord(int nContactId, const std::string& number,
                                           int kind = CTSVC_PHONE_MOBILE, int use = CTSVC_USE_HOME)
{
    CtSvcPhoneNumberRecord r = {0, nContactId, CTSVC_STORAGE_PHONE, 0, kind, use, {}};
    Put(r.szNumber, number);
    return r;
}

inline int AddNumber(int nContactId, const std::string& number, int kind = CTSVC_PHONE_MOBILE,
                     int use = CTSVC_USE_HOME)
{
    const CtSvcPhoneNumberRecord r = NumberRecord(nContactId, number, kind, use);
    return CtSvcDbPhoneNumberAdd(&r);
}

inline int AddFdn(const std::string& name, const std::string& number)
{
    CtSvcFdnRecord r = {0, {}, {}};
    Put(r.szName, name);
    Put(r.szNumber, number);
    return CtSvcDbFdnAdd(&r);
}

// Adds an event as an application does: a call or message of a number, an e-mail or IM log of an
// address, an SNS log of a person. Its unique id, -1 when it was not stored.
inline int AddLog(UlogLogType type, const char* number, const char* address = "", const char* person = "",
                  unsigned start = 1700000000u, int nCtFdnId = 0)
{
    UlogInfo info =
        ulogtest::MakeInfo({.type = type, .number = number, .start = start, .snsPersonId = person});
    WmConvert2PCode(info.mszEmailAddress, ULOG_EMAIL_ADDRESS_LEN, address);
    info.nSpInfo = (type == ULOG_LOG_IM_1 || type == ULOG_LOG_IM_2) ? 1 : -1;
    info.nCtFdnId = nCtFdnId;
    return UlogAddCallLog(&info) ? info.nUniqueId : -1;
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

class ContactSyncTest : public ulogtest::ServiceTest
{
protected:
    void SetUp() override
    {
        ServiceTest::SetUp();
        ASSERT_EQ(1, UlogSvcSetChangeCallback([](int nType, int nId, void* p)
                                              { static_cast<Changes*>(p)->emplace_back(nType, nId); },
                                              &m_changes));
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
    Changes m_changes;
};
} // namespace ctsynctest

#endif
