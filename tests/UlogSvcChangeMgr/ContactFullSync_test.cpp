// The full contact sync with its task running on its own thread, beside a real address book: a bulk
// import announces itself (the per-record updates stand aside) and one pass links every kind of log; a
// stop during a pass, a stop and start of the service, a platform reset; a row deleted and a contact
// renamed while the pass runs; and a pass racing with adds, deletes and record changes.
#include "KivCtSvc/KivCtSvc.h"
#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvc.h"
#include "UlogSvcChangeMgr/CUlogSvcContactSync.h"
#include "control/PlatformControl.h"
#include "support/DataFiles.h"
#include "support/PlatformFixture.h"
#include "support/Records.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace
{
const char* const kCheckFile = "/User/Ulog/CtFullSyncCheckDummy.txt";
const char* const kNone = "0|0|0|0|-1|0||||";

template <size_t N> void Put(char (&dest)[N], const std::string& text)
{
    std::strncpy(dest, text.c_str(), N - 1);
    dest[N - 1] = '\0';
}

bool CheckFileExists()
{
    unsigned int nAttributes = 0;
    return FmGetFileAttributes(kCheckFile, &nAttributes) == TRUE;
}

// Waits for something the task does to become visible (never for a fixed time); false at the deadline.
bool WaitFor(const std::function<bool()>& done, int nSeconds = 60)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(nSeconds);
    while (!done())
    {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

bool PassEnded()
{
    return WaitFor([] { return !CheckFileExists(); });
}

bool Said(const char* pszText)
{
    return WaitFor([pszText] { return UlogCtlDiagnosticsContain(pszText) == TRUE; });
}

int AddContact(const std::string& first, const std::string& last = "")
{
    CtSvcContactRecord c = {0, {}, {}, {}};
    Put(c.szFirstName, first);
    Put(c.szLastName, last);
    return CtSvcDbContactAdd(&c);
}

CtSvcPhoneNumberRecord Number(const std::string& number, int kind = CTSVC_PHONE_MOBILE,
                              int use = CTSVC_USE_HOME)
{
    CtSvcPhoneNumberRecord r = {0, 0, CTSVC_STORAGE_PHONE, 0, kind, use, {}};
    Put(r.szNumber, number);
    return r;
}

int AddNumber(int nContactId, const std::string& number)
{
    CtSvcPhoneNumberRecord r = Number(number);
    r.nContactId = nContactId;
    return CtSvcDbPhoneNumberAdd(&r);
}

// An event as an application adds it, without looking its contact up: its unique id, -1 when not stored.
int AddLog(UlogLogType type, const char* number, const char* address = "", const char* person = "",
           unsigned start = 1700000000u, const char* staleName = "")
{
    ulogtest::Event e;
    e.type = type;
    e.number = number;
    e.snsPersonId = person;
    e.start = start;
    UlogInfo info = ulogtest::MakeInfo(e);
    WmConvert2PCode(info.mszEmailAddress, ULOG_EMAIL_ADDRESS_LEN, address);
    info.nSpInfo = (type == ULOG_LOG_IM_1 || type == ULOG_LOG_IM_2) ? 1 : -1;
    if (staleName[0] != '\0') // a link the address book no longer holds
    {
        info.nPersonId = 77;
        Put(info.szFirstName, staleName);
        Put(info.szName, staleName);
    }
    return UlogAddCallLog(&info) ? info.nUniqueId : -1;
}

template <class... A> std::string Row(const A&... fields)
{
    std::ostringstream out;
    int n = 0;
    ((out << (n++ ? "|" : "") << fields), ...);
    return out.str();
}

class ContactFullSync : public ulogtest::ServiceTest
{
protected:
    void TearDown() override
    {
        UlogSvcSetChangeCallback(nullptr, nullptr);
        ServiceTest::TearDown();
    }
    // A row's contact fields: "person|data|fdn|account|phone type|storage type|first|last|display|picture".
    std::string Contact(int nUniqueId) const
    {
        const std::vector<std::string> rows = ulogtest::QueryDbFile(
            m_root, "select ctprimaryid, ctdataid, ctfdnid, myaccountid, phonetype, storagetype, firstname, "
                    "lastname, logname, callerid from UlogDistinctDbTable where clogdbindex = " +
                        std::to_string(nUniqueId));
        return rows.size() == 1 ? rows[0] : "<" + std::to_string(rows.size()) + " rows>";
    }
    long long Rows() const
    {
        return ulogtest::ScalarDbFile(m_root, "select count(*) from UlogDistinctDbTable");
    }
    long long Linked() const
    {
        return ulogtest::ScalarDbFile(m_root,
                                      "select count(*) from UlogDistinctDbTable where ctprimaryid != 0");
    }
};

TEST_F(ContactFullSync, AnImportIsAnnouncedAndOnePassLinksEveryKindOfLog)
{
    const int cy = AddContact("Cy");
    const int cyNumber4 = AddNumber(cy, "07700900004");
    ASSERT_GT(cyNumber4, 0);
    CtSvcFdnRecord fdn = {0, "Desk", "07700900003"};
    const int desk = CtSvcDbFdnAdd(&fdn);
    ASSERT_GT(desk, 0);
    const int ann1 = AddLog(ULOG_LOG_ORIGINATED, "07700900001");
    const int bo2 = AddLog(ULOG_LOG_MSG_RECEIVED, "07700900002");
    const int desk3 = AddLog(ULOG_LOG_MISSED, "07700900003");
    const int cy4 = AddLog(ULOG_LOG_TERMINATED, "07700900004");
    const int ghost5 = AddLog(ULOG_LOG_ORIGINATED, "07700900005", "", "", 1700000000u, "Ghost");
    const int cy6 = AddLog(ULOG_LOG_ORIGINATED, "07700900006");
    const int mail = AddLog(ULOG_LOG_EMAIL_RECEIVED, "", "ann@example.com");
    const int sns = AddLog(ULOG_LOG_SNS_2, "", "", "bo.person");
    const int im = AddLog(ULOG_LOG_IM_1, "", "ann@im.example");
    ASSERT_EQ(9, Rows());
    EXPECT_EQ(kNone, Contact(cy4)); // added without a look-up

    // Announced: a record change is refused and changes nothing.
    ASSERT_EQ(TRUE, ContactFullSyncCallback(0, nullptr, nullptr));
    EXPECT_TRUE(CheckFileExists());
    const int cyNumber6 = AddNumber(cy, "07700900006");
    EXPECT_TRUE(UlogCtlDiagnosticsContain(
        "CUlogSvcContactSync::NumberDataContactSync: full sync is already started or going to be!!"));
    EXPECT_EQ(kNone, Contact(cy6));

    // A record that cannot be stored refuses the whole import, before anything is announced or written.
    CtSvcImportContact bad = {{0, "Bad", "", ""}, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0};
    const CtSvcPhoneNumberRecord letters = Number("not a number");
    bad.pNumbers = &letters;
    bad.nNumbers = 1;
    EXPECT_EQ(-1, CtSvcDbContactImport(&bad, 1, nullptr));
    EXPECT_EQ(CTSVC_ERR_INVALID_ARG, SysGetLastError());

    // The import: two contacts with every kind of record, in one write that requests the pass.
    const CtSvcPhoneNumberRecord annNumber = Number("07700900001");
    const CtSvcPhoneNumberRecord boNumber = Number("07700900002", CTSVC_PHONE_TELEPHONE, CTSVC_USE_WORK);
    const CtSvcEmailAddressRecord annMail = {0, 0, CTSVC_STORAGE_PHONE, 0, CTSVC_USE_HOME, "ann@example.com"};
    const CtSvcImRecord annIm = {0, 0, 3, "ann@im.example"};
    const CtSvcSnsDataRecord boSns = {0, 0, 5, "bo.person"};
    CtSvcImportContact people[2] = {
        {{0, "Ann", "Lee", "/User/Pictures/ann.jpg"}, &annNumber, 1, &annMail, 1, nullptr, 0, &annIm, 1},
        {{0, "Bo", "", ""}, &boNumber, 1, nullptr, 0, &boSns, 1, nullptr, 0}};
    int ids[2] = {0, 0};
    ASSERT_EQ(2, CtSvcDbContactImport(people, 2, ids));
    ASSERT_TRUE(PassEnded());
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcContactSync::__UpdateFullSync: full sync is done."));

    CtSvcPhoneNumberRecord n[2];
    CtSvcEmailAddressRecord e;
    CtSvcSnsDataRecord s;
    CtSvcImRecord i;
    ASSERT_EQ(1, CtSvcDbPhoneNumberGetRecordsOfContact(ids[0], &n[0], 1));
    ASSERT_EQ(1, CtSvcDbPhoneNumberGetRecordsOfContact(ids[1], &n[1], 1));
    ASSERT_EQ(1, CtSvcDbEmailAddressGetRecordsOfContact(ids[0], &e, 1));
    ASSERT_EQ(1, CtSvcDbIMGetRecordsOfContact(ids[0], &i, 1));
    ASSERT_EQ(1, CtSvcDbSnsDataGetRecordsOfContact(ids[1], &s, 1));
    const std::string annNames = "Ann|Lee|Ann Lee|/User/Pictures/ann.jpg";
    EXPECT_EQ(Row(ids[0], n[0].nDataId, 0, 0, 0, 1, annNames), Contact(ann1));
    EXPECT_EQ(Row(ids[1], n[1].nDataId, 0, 0, 4, 1, "Bo||Bo|"), Contact(bo2));
    EXPECT_EQ(Row(0, 0, desk, 0, 13, 2, "||Desk|"), Contact(desk3));
    EXPECT_EQ(Row(cy, cyNumber4, 0, 0, 0, 1, "Cy||Cy|"), Contact(cy4));
    EXPECT_EQ(kNone, Contact(ghost5));
    EXPECT_EQ(Row(cy, cyNumber6, 0, 0, 0, 1, "Cy||Cy|"), Contact(cy6)); // the refused change is not lost
    EXPECT_EQ(Row(ids[0], e.nDataId, 0, 0, 14, 1, annNames), Contact(mail));
    EXPECT_EQ(Row(ids[1], s.nDataId, 0, 5, -1, 0, "Bo||Bo|"), Contact(sns));
    EXPECT_EQ(Row(ids[0], i.nDataId, 0, 3, -1, 0, annNames), Contact(im));
    // The events behind the rows carry the same contact ids.
    EXPECT_EQ(0, ulogtest::ScalarDbFile(m_root,
                                        "select count(*) from UlogDuplDbTable d join UlogDistinctDbTable t"
                                        " on d.parentid = t.clogdbindex where d.ctprimaryid != "
                                        "t.ctprimaryid or d.ctdataid != t.ctdataid"));

    // Once the pass has ended, record changes reach the logs again.
    const CtSvcContactRecord renamed = {ids[1], "Bob", "", ""};
    ASSERT_TRUE(CtSvcDbContactChange(&renamed));
    EXPECT_EQ(Row(ids[1], n[1].nDataId, 0, 0, 4, 1, "Bob||Bob|"), Contact(bo2));
}

TEST_F(ContactFullSync, AStopDuringAPassEndsItAtTheNextRowAndRequestsWaitForTheStart)
{
    ASSERT_EQ(TRUE, ContactFullSyncCallback(0, nullptr, nullptr));
    std::vector<int> logs;
    for (int k = 0; k < 5; ++k)
    {
        const std::string number = "0612345" + std::to_string(100 + k);
        ASSERT_GT(AddNumber(AddContact("P" + std::to_string(k)), number), 0); // refused: no log changes
        logs.push_back(AddLog(ULOG_LOG_ORIGINATED, number.c_str()));
    }
    static std::atomic<int> s_nChanged;
    s_nChanged = 0;
    // The first row the pass writes stops the sync, on the task's own thread.
    UlogSvcSetChangeCallback(
        [](int nChangeType, int, void*)
        {
            if (nChangeType == 1 && s_nChanged++ == 0)
                UlogSvcStopCtFullSync();
        },
        nullptr);
    ASSERT_EQ(TRUE, ContactFullSyncCallback(1, nullptr, nullptr));
    ASSERT_TRUE(Said("__UpdateFullSync: Need to stop sync."));
    EXPECT_EQ(1, s_nChanged.load());
    EXPECT_EQ(1, Linked());
    EXPECT_TRUE(CheckFileExists());

    // Stopped: a request is received and ignored.
    ASSERT_EQ(TRUE, ContactFullSyncCallback(1, nullptr, nullptr));
    ASSERT_TRUE(Said("CUlogSvcContactSync::__CtFullSync: the sync is stopped: request ignored."));
    EXPECT_EQ(1, Linked());

    // Started again: a restart runs a new pass from the first row.
    UlogSvcSetChangeCallback(nullptr, nullptr);
    ASSERT_EQ(TRUE, CUlogSvcContactSync::Instance()->StartSync());
    ASSERT_EQ(TRUE, RestartContactFullSyncCallback());
    EXPECT_TRUE(UlogCtlDiagnosticsContain("RestartContactFullSyncCallback: full sync started!!"));
    ASSERT_TRUE(PassEnded());
    EXPECT_EQ(5, Linked());
    UlogCtlClearDiagnostics();
    EXPECT_EQ(TRUE, RestartContactFullSyncCallback());
    EXPECT_TRUE(UlogCtlDiagnosticsContain("RestartContactFullSyncCallback: no need to full sync!!"));
}

TEST_F(ContactFullSync, AnUnfinishedPassIsResumedByTheNextStartOfTheService)
{
    const int log = AddLog(ULOG_LOG_MISSED, "0611111111");
    ASSERT_EQ(TRUE, ContactFullSyncCallback(0, nullptr, nullptr));
    const int ann = AddContact("Ann");
    ASSERT_GT(AddNumber(ann, "0611111111"), 0);
    for (int k = 0; k < 30; ++k)
    {
        const std::string number = "06555" + std::to_string(10000 + k);
        ASSERT_GT(AddNumber(AddContact("S" + std::to_string(k)), number), 0);
        ASSERT_GT(AddLog(ULOG_LOG_ORIGINATED, number.c_str()), 0);
    }

    // The service stops while a pass runs: the stop returns once the pass has returned.
    static std::atomic<int> s_nChanged;
    s_nChanged = 0;
    UlogSvcSetChangeCallback([](int nChangeType, int, void*) { s_nChanged += nChangeType == 1 ? 1 : 0; },
                             nullptr);
    ASSERT_EQ(TRUE, ContactFullSyncCallback(1, nullptr, nullptr));
    ASSERT_TRUE(WaitFor([] { return s_nChanged > 0; }));
    ASSERT_EQ(0u, UlogSvcDispatch(1));
    const int nChanged = s_nChanged;
    EXPECT_TRUE(UlogCtlDiagnosticsContain("__UpdateFullSync: Need to stop sync.") ||
                UlogCtlDiagnosticsContain("__UpdateFullSync: full sync is done."));
    UlogSvcSetChangeCallback(nullptr, nullptr);

    // Stopped: a request is ignored.
    ASSERT_EQ(TRUE, ContactFullSyncCallback(1, nullptr, nullptr));
    ASSERT_TRUE(Said("the sync is stopped: request ignored."));
    EXPECT_EQ(nChanged, s_nChanged.load());
    if (nChanged >= 31)
        GTEST_SKIP() << "the pass ended before the stop: nothing is left to resume";
    EXPECT_TRUE(CheckFileExists());

    // Data about to be wiped: the start resumes nothing.
    UlogCtlSetPhsStatus(58, 1);
    ASSERT_EQ(0u, UlogSvcDispatch(0));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("no need to sync data"));
    EXPECT_FALSE(UlogCtlDiagnosticsContain("RestartContactFullSyncCallback"));
    ASSERT_EQ(0u, UlogSvcDispatch(1));

    // A start in the same process clears the stop and resumes the pass that the file says is unfinished.
    UlogCtlSetPhsStatus(58, 0);
    ASSERT_EQ(0u, UlogSvcDispatch(0));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("RestartContactFullSyncCallback: full sync started!!"));
    ASSERT_TRUE(PassEnded());
    EXPECT_EQ(std::to_string(ann), Contact(log).substr(0, Contact(log).find('|')));

    // A platform reset ends the task: the next start makes a new one.
    ASSERT_EQ(0u, UlogSvcDispatch(1));
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    UlogCtlCaptureDiagnostics(TRUE);
    ASSERT_EQ(0u, UlogSvcDispatch(0));
    EXPECT_TRUE(
        UlogCtlDiagnosticsContain("CUlogSvcContactSync::CreateTask: the task has ended; it is made anew."));
    ASSERT_EQ(TRUE, ContactFullSyncCallback(0, nullptr, nullptr));
    const CtSvcContactRecord renamed = {ann, "Anne", "", ""};
    ASSERT_TRUE(CtSvcDbContactChange(&renamed));
    ASSERT_EQ(TRUE, ContactFullSyncCallback(1, nullptr, nullptr));
    ASSERT_TRUE(PassEnded());
    EXPECT_NE(std::string::npos, Contact(log).find("|Anne||Anne|"));
}

TEST_F(ContactFullSync, ARowDeletedAndAContactRenamedDuringThePassAreBothHandled)
{
    ASSERT_EQ(TRUE, ContactFullSyncCallback(0, nullptr, nullptr));
    static std::map<int, int> s_contactOfLog; // written before the pass, read by the task
    s_contactOfLog.clear();
    std::vector<int> logs;
    for (int k = 0; k < 4; ++k)
    {
        const std::string number = "0622222" + std::to_string(100 + k);
        const int person = AddContact("Q" + std::to_string(k));
        ASSERT_GT(AddNumber(person, number), 0);
        logs.push_back(AddLog(ULOG_LOG_ORIGINATED, number.c_str()));
        s_contactOfLog[logs.back()] = person;
    }
    static std::atomic<int> s_nFirst, s_nVictim;
    s_nFirst = 0;
    s_nVictim = 0;
    // At the first row written, every other row is still to come: one of them is deleted, and the first
    // row's contact is renamed (refused by the record update while the pass runs).
    UlogSvcSetChangeCallback(
        [](int nChangeType, int nUniqueId, void*)
        {
            int nExpected = 0;
            if (nChangeType != 1 || !s_nFirst.compare_exchange_strong(nExpected, nUniqueId))
                return;
            for (const auto& [nLog, nPerson] : s_contactOfLog)
                if (nLog != nUniqueId && s_nVictim == 0)
                    s_nVictim = nLog;
            UlogDeleteCallLog(s_nVictim);
            const CtSvcContactRecord renamed = {s_contactOfLog[nUniqueId], "Renamed", "", ""};
            CtSvcDbContactChange(&renamed);
        },
        nullptr);
    ASSERT_EQ(TRUE, ContactFullSyncCallback(1, nullptr, nullptr));
    ASSERT_TRUE(PassEnded());
    ASSERT_NE(0, s_nFirst.load());
    EXPECT_TRUE(UlogCtlDiagnosticsContain("PrimaryContactSync: full sync is already started"));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("the contacts changed during the pass: one more pass."));
    EXPECT_EQ("<0 rows>", Contact(s_nVictim));
    EXPECT_EQ(3, Rows());
    EXPECT_NE(std::string::npos, Contact(s_nFirst).find("|Renamed||Renamed|"));
    for (int log : logs)
    {
        if (log == s_nFirst || log == s_nVictim)
            continue;
        EXPECT_EQ(std::to_string(s_contactOfLog[log]), Contact(log).substr(0, Contact(log).find('|')));
    }
}

// ---- A pass racing with adds, deletes and record changes (run under ThreadSanitizer) -----------------

class ContactFullSyncConcurrent : public ContactFullSync
{
};

TEST_F(ContactFullSyncConcurrent, APassBesideAddsDeletesAndRecordChangesEndsInStep)
{
    UlogCtlCaptureDiagnostics(FALSE);
    const int kPeople = 40;
    std::vector<int> people, logs;
    std::map<std::string, int> holderOf; // basic number -> contact
    ASSERT_EQ(TRUE, ContactFullSyncCallback(0, nullptr, nullptr));
    for (int k = 0; k < kPeople; ++k)
    {
        const std::string number = "0633333" + std::to_string(100 + k);
        people.push_back(AddContact("C" + std::to_string(k)));
        ASSERT_GT(AddNumber(people.back(), number), 0);
        holderOf[number.substr(number.size() - 8)] = people.back(); // by its basic number
        logs.push_back(AddLog(static_cast<UlogLogType>(k % 5), number.c_str(), "", "", 1700000000u + k));
        ASSERT_GT(logs.back(), 0);
    }

    std::atomic<int> nFailed{0};
    ASSERT_EQ(TRUE, ContactFullSyncCallback(1, nullptr, nullptr));
    // New correspondents that no contact holds: their rows push the oldest rows of a type out.
    std::thread adder(
        [&]
        {
            for (int k = 0; k < 60; ++k)
            {
                const std::string number = "0644444" + std::to_string(100 + k);
                nFailed +=
                    AddLog(static_cast<UlogLogType>(k % 5), number.c_str(), "", "", 1710000000u + k) > 0 ? 0
                                                                                                         : 1;
            }
        });
    std::thread deleter(
        [&]
        {
            for (int k = 0; k < 10; ++k)
                UlogDeleteCallLog(logs[static_cast<size_t>(k * 3)]); // may be gone already
        });
    std::thread editor(
        [&]
        {
            std::mt19937 rng(11);
            for (int k = 0; k < 15; ++k)
            {
                const int person = people[rng() % people.size()];
                const CtSvcContactRecord renamed = {person, {}, {}, {}};
                CtSvcContactRecord r = renamed;
                Put(r.szFirstName, "E" + std::to_string(k) + "-" + std::to_string(person));
                nFailed += CtSvcDbContactChange(&r) ? 0 : 1;
            }
        });
    adder.join();
    deleter.join();
    editor.join();
    ASSERT_TRUE(PassEnded());
    EXPECT_EQ(0, nFailed.load());

    // Every row shows what the address book holds for its number now; rows of no contact show none.
    int nChecked = 0;
    for (const std::string& row :
         ulogtest::QueryDbFile(m_root, "select basicnumber, ctprimaryid, firstname from UlogDistinctDbTable"))
    {
        const std::string number = row.substr(0, row.find('|'));
        std::string expected = number + "|0|";
        if (holderOf.count(number) != 0)
        {
            CtSvcContactRecord c;
            ASSERT_TRUE(CtSvcDbContactGetRecord(holderOf[number], &c));
            expected = number + "|" + std::to_string(holderOf[number]) + "|" + c.szFirstName;
        }
        EXPECT_EQ(expected, row);
        ++nChecked;
    }
    EXPECT_GT(nChecked, 60);
    ulogtest::ExpectTablesConsistent(m_root, "after the racing pass");
}
} // namespace
