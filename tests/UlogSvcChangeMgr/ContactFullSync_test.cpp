// The full contact sync with its task running on its own thread, beside a real address book: a bulk
// import announces itself (record updates stand aside) and one pass links every kind of log; a stop
// during a pass; a stop and start of the service and a platform reset; a row deleted and a contact
// renamed while the pass runs; and a pass racing with adds, deletes and record changes.
#include "ContactSyncTestSupport.h"

#include "UlogSvcChangeMgr/CUlogSvcContactSync.h"
#include "control/PlatformControl.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <random>
#include <thread>

namespace
{
using namespace ctsynctest;

bool CheckFileExists()
{
    unsigned int nAttributes = 0;
    return FmGetFileAttributes("/User/Ulog/CtFullSyncCheckDummy.txt", &nAttributes) == TRUE;
}

// Waits for something the task does to become visible (never for a fixed time); false at the deadline.
bool WaitFor(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return done();
}

bool PassEnded()
{
    return WaitFor([] { return !CheckFileExists(); });
}

bool Said(const char* pszText)
{
    return WaitFor([pszText] { return UlogCtlDiagnosticsContain(pszText) == TRUE; });
}

class ContactFullSync : public ContactSyncTest
{
protected:
    long long Linked() const
    {
        return ulogtest::ScalarDbFile(m_root,
                                      "select count(*) from UlogDistinctDbTable where ctprimaryid != 0");
    }
    std::string PersonOf(int nUniqueId) const
    {
        return Contact(nUniqueId).substr(0, Contact(nUniqueId).find('|'));
    }
    // Contacts each holding one number, and a log of each number added without a look-up.
    std::map<int, int> PeopleWithLogs(int nCount, const std::string& prefix)
    {
        std::map<int, int> contactOfLog;
        for (int k = 0; k < nCount; ++k)
        {
            const std::string number = prefix + std::to_string(100 + k);
            const int person = AddContact(prefix + std::to_string(k), "");
            EXPECT_GT(AddNumber(person, number), 0);
            contactOfLog[AddLog(static_cast<UlogLogType>(k % 5), number.c_str(), "", "", 1700000000u + k)] =
                person;
        }
        return contactOfLog;
    }
};

TEST_F(ContactFullSync, AnImportIsAnnouncedAndOnePassLinksEveryKindOfLog)
{
    const int cy = AddContact("Cy", "");
    const int cyNumber = AddNumber(cy, "07700900004");
    const int desk = AddFdn("Desk", "07700900003");
    const int ann1 = AddLog(ULOG_LOG_ORIGINATED, "07700900001");
    const int bo2 = AddLog(ULOG_LOG_MSG_RECEIVED, "07700900002");
    const int desk3 = AddLog(ULOG_LOG_MISSED, "07700900003");
    const int cy4 = AddLog(ULOG_LOG_ORIGINATED, "07700900004");
    const int cy5 = AddLog(ULOG_LOG_ORIGINATED, "07700900005");
    const int mail = AddLog(ULOG_LOG_EMAIL_RECEIVED, "", "ann@example.com");
    const int sns = AddLog(ULOG_LOG_SNS_2, "", "", "bo.person");
    const int im = AddLog(ULOG_LOG_IM_1, "", "ann@im.example");
    const int cyNumber5 = AddNumber(cy, "07700900005");
    EXPECT_EQ(Row(cy, cyNumber5, 0, 0, 0, 1, "Cy||Cy|"), Contact(cy5));

    // Announced: record changes are refused (the number deleted, another added) and change nothing.
    ASSERT_EQ(TRUE, ContactFullSyncCallback(0, nullptr, nullptr));
    ASSERT_TRUE(CtSvcDbPhoneNumberDelete(cyNumber5));
    EXPECT_TRUE(
        UlogCtlDiagnosticsContain("NumberDataContactSync: full sync is already started or going to be!!"));
    EXPECT_EQ(Row(cy, cyNumber5, 0, 0, 0, 1, "Cy||Cy|"), Contact(cy5));
    EXPECT_EQ(kNone, Contact(ann1));

    // A record that cannot be stored refuses the whole import before anything is written.
    const CtSvcPhoneNumberRecord letters = NumberRecord(0, "not a number");
    CtSvcImportContact bad = {Person("Bad", ""), &letters, 1, nullptr, 0, nullptr, 0, nullptr, 0};
    EXPECT_EQ(-1, CtSvcDbContactImport(&bad, 1, nullptr));
    EXPECT_EQ(CTSVC_ERR_INVALID_ARG, SysGetLastError());

    // Two contacts with every kind of record in one write, which requests the pass.
    const CtSvcPhoneNumberRecord annNumber = NumberRecord(0, "07700900001");
    const CtSvcPhoneNumberRecord boNumber =
        NumberRecord(0, "07700900002", CTSVC_PHONE_TELEPHONE, CTSVC_USE_WORK);
    const CtSvcEmailAddressRecord annMail = {0, 0, CTSVC_STORAGE_PHONE, 0, CTSVC_USE_HOME, "ann@example.com"};
    const CtSvcImRecord annIm = {0, 0, 3, "ann@im.example"};
    const CtSvcSnsDataRecord boSns = {0, 0, 5, "bo.person"};
    const CtSvcImportContact people[2] = {
        {Person("Ann", "Lee", "/p/ann.jpg"), &annNumber, 1, &annMail, 1, nullptr, 0, &annIm, 1},
        {Person("Bo", ""), &boNumber, 1, nullptr, 0, &boSns, 1, nullptr, 0}};
    int ids[2] = {0, 0};
    ASSERT_EQ(2, CtSvcDbContactImport(people, 2, ids));
    ASSERT_TRUE(PassEnded());

    CtSvcPhoneNumberRecord n[2];
    CtSvcEmailAddressRecord e;
    CtSvcSnsDataRecord s;
    CtSvcImRecord i;
    ASSERT_EQ(4, CtSvcDbPhoneNumberGetRecordsOfContact(ids[0], &n[0], 1) +
                     CtSvcDbPhoneNumberGetRecordsOfContact(ids[1], &n[1], 1) +
                     CtSvcDbEmailAddressGetRecordsOfContact(ids[0], &e, 1) +
                     CtSvcDbIMGetRecordsOfContact(ids[0], &i, 1));
    ASSERT_EQ(1, CtSvcDbSnsDataGetRecordsOfContact(ids[1], &s, 1));
    EXPECT_EQ(Row(ids[0], n[0].nDataId, 0, 0, 0, 1, "Ann|Lee|Ann Lee|/p/ann.jpg"), Contact(ann1));
    EXPECT_EQ(Row(ids[1], n[1].nDataId, 0, 0, 4, 1, "Bo||Bo|"), Contact(bo2));
    EXPECT_EQ(Row(0, 0, desk, 0, 13, 2, "||Desk|"), Contact(desk3));
    EXPECT_EQ(Row(cy, cyNumber, 0, 0, 0, 1, "Cy||Cy|"), Contact(cy4));
    EXPECT_EQ(kNone, Contact(cy5)); // the refused delete is not lost
    EXPECT_EQ(Row(ids[0], e.nDataId, 0, 0, 14, 1, "Ann|Lee|Ann Lee|/p/ann.jpg"), Contact(mail));
    EXPECT_EQ(Row(ids[1], s.nDataId, 0, 5, -1, 0, "Bo||Bo|"), Contact(sns));
    EXPECT_EQ(Row(ids[0], i.nDataId, 0, 3, -1, 0, "Ann|Lee|Ann Lee|/p/ann.jpg"), Contact(im));
    EXPECT_EQ(std::vector<std::string>{Row(ids[1], s.nDataId, 0, 5)}, HistoryIds(sns));

    // Once the pass has ended, record changes reach the logs again.
    const CtSvcContactRecord renamed = Person("Bob", "", "", ids[1]);
    ASSERT_TRUE(CtSvcDbContactChange(&renamed));
    EXPECT_EQ(Row(ids[1], n[1].nDataId, 0, 0, 4, 1, "Bob||Bob|"), Contact(bo2));
}

TEST_F(ContactFullSync, AStopDuringAPassEndsItAtTheNextRowAndRequestsWaitForTheStart)
{
    ASSERT_EQ(TRUE, ContactFullSyncCallback(0, nullptr, nullptr));
    PeopleWithLogs(5, "0612345");
    // The first row the pass writes stops the sync, on the task's own thread, and holds the pass there
    // until the test lets it go.
    static std::atomic<bool> s_bHeld, s_bRelease;
    s_bHeld = false;
    s_bRelease = false;
    UlogSvcSetChangeCallback(
        [](int nChangeType, int, void*)
        {
            if (nChangeType == 1 && !s_bHeld.exchange(true))
            {
                UlogSvcStopCtFullSync();
                WaitFor([] { return s_bRelease.load(); });
            }
        },
        nullptr);
    CUlogSvcContactSync* pSync = CUlogSvcContactSync::Instance(); // takes the service lock: not while held
    ASSERT_EQ(TRUE, ContactFullSyncCallback(1, nullptr, nullptr));
    ASSERT_TRUE(WaitFor([] { return s_bHeld.load(); }));
    // Waiting for the pass (as the service's stop does) returns only once the pass has returned.
    std::atomic<bool> bWaiting{false}, bReleasedFirst{false};
    std::thread waiter(
        [&]
        {
            bWaiting = true;
            pSync->WaitForPassEnd();
            bReleasedFirst = s_bRelease.load();
        });
    ASSERT_TRUE(WaitFor([&] { return bWaiting.load(); }));
    s_bRelease = true;
    waiter.join();
    EXPECT_TRUE(bReleasedFirst.load());
    EXPECT_TRUE(UlogCtlDiagnosticsContain("__UpdateFullSync: Need to stop sync."));
    EXPECT_EQ(1, Linked());
    EXPECT_TRUE(CheckFileExists());

    ASSERT_EQ(TRUE, ContactFullSyncCallback(1, nullptr, nullptr));
    ASSERT_TRUE(Said("CUlogSvcContactSync::__CtFullSync: the sync is stopped: request ignored."));
    EXPECT_EQ(1, Linked());

    // Started again: a restart runs a new pass from the first row.
    UlogSvcSetChangeCallback(nullptr, nullptr);
    ASSERT_EQ(TRUE, pSync->StartSync());
    ASSERT_EQ(TRUE, RestartContactFullSyncCallback());
    EXPECT_TRUE(UlogCtlDiagnosticsContain("RestartContactFullSyncCallback: full sync started!!"));
    ASSERT_TRUE(PassEnded());
    EXPECT_EQ(5, Linked());
}

TEST_F(ContactFullSync, AnUnfinishedPassIsResumedByTheNextStartOfTheService)
{
    ASSERT_EQ(TRUE, ContactFullSyncCallback(0, nullptr, nullptr));
    const std::map<int, int> contactOfLog = PeopleWithLogs(3, "06555");
    // Stopped with the service before its request arrives: the request is ignored, the file stays.
    ASSERT_EQ(0u, UlogSvcDispatch(1));
    ASSERT_EQ(TRUE, ContactFullSyncCallback(1, nullptr, nullptr));
    ASSERT_TRUE(Said("the sync is stopped: request ignored."));
    EXPECT_EQ(0, Linked());

    // Data about to be wiped: the start resumes nothing. Then a start clears the stop and resumes.
    UlogCtlSetPhsStatus(58, 1);
    ASSERT_EQ(0u, UlogSvcDispatch(0));
    EXPECT_FALSE(UlogCtlDiagnosticsContain("RestartContactFullSyncCallback"));
    ASSERT_EQ(0u, UlogSvcDispatch(1));
    UlogCtlSetPhsStatus(58, 0);
    ASSERT_EQ(0u, UlogSvcDispatch(0));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("RestartContactFullSyncCallback: full sync started!!"));
    ASSERT_TRUE(PassEnded());
    EXPECT_EQ(3, Linked());

    // A platform reset ends the task: the next start makes a new one.
    ASSERT_EQ(0u, UlogSvcDispatch(1));
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    UlogCtlCaptureDiagnostics(TRUE);
    ASSERT_EQ(0u, UlogSvcDispatch(0));
    EXPECT_TRUE(
        UlogCtlDiagnosticsContain("CUlogSvcContactSync::CreateTask: the task has ended; it is made anew."));
    ASSERT_EQ(TRUE, ContactFullSyncCallback(0, nullptr, nullptr));
    const auto& [log, person] = *contactOfLog.begin();
    const CtSvcContactRecord renamed = Person("Anne", "", "", person);
    ASSERT_TRUE(CtSvcDbContactChange(&renamed));
    ASSERT_EQ(TRUE, ContactFullSyncCallback(1, nullptr, nullptr));
    ASSERT_TRUE(PassEnded());
    EXPECT_NE(std::string::npos, Contact(log).find("|Anne||Anne|"));
}

TEST_F(ContactFullSync, ARowDeletedAndAContactRenamedDuringThePassAreBothHandled)
{
    ASSERT_EQ(TRUE, ContactFullSyncCallback(0, nullptr, nullptr));
    static std::map<int, int> s_contactOfLog; // written before the pass, read by the task
    s_contactOfLog = PeopleWithLogs(4, "0622222");
    static std::atomic<int> s_nFirst, s_nVictim;
    s_nFirst = 0;
    s_nVictim = 0;
    // At the first row written every other row is still to come: one of them is deleted, and the first
    // row's contact is renamed (refused by the record update while the pass runs).
    UlogSvcSetChangeCallback(
        [](int nChangeType, int nUniqueId, void*)
        {
            int nNone = 0;
            if (nChangeType != 1 || !s_nFirst.compare_exchange_strong(nNone, nUniqueId))
                return;
            s_nVictim = s_contactOfLog.begin()->first != nUniqueId ? s_contactOfLog.begin()->first
                                                                   : s_contactOfLog.rbegin()->first;
            UlogDeleteCallLog(s_nVictim);
            const CtSvcContactRecord renamed = Person("Renamed", "", "", s_contactOfLog[nUniqueId]);
            CtSvcDbContactChange(&renamed);
        },
        nullptr);
    ASSERT_EQ(TRUE, ContactFullSyncCallback(1, nullptr, nullptr));
    ASSERT_TRUE(PassEnded());
    ASSERT_NE(0, s_nFirst.load());
    EXPECT_TRUE(UlogCtlDiagnosticsContain("PrimaryContactSync: full sync is already started"));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("the contacts changed during the pass: one more pass."));
    EXPECT_EQ("<0 rows>", Contact(s_nVictim));
    EXPECT_NE(std::string::npos, Contact(s_nFirst).find("|Renamed||Renamed|"));
    s_contactOfLog.erase(s_nVictim);
    for (const auto& [log, person] : s_contactOfLog)
        EXPECT_EQ(std::to_string(person), PersonOf(log));
}

// ---- A pass racing with adds, deletes and record changes (run under ThreadSanitizer) ----------------

class ContactFullSyncConcurrent : public ContactFullSync
{
};

TEST_F(ContactFullSyncConcurrent, APassBesideAddsDeletesAndRecordChangesEndsInStep)
{
    UlogCtlCaptureDiagnostics(FALSE);
    UlogSvcSetChangeCallback(nullptr, nullptr);
    ASSERT_EQ(TRUE, ContactFullSyncCallback(0, nullptr, nullptr));
    const std::map<int, int> contactOfLog = PeopleWithLogs(40, "0633333");
    std::vector<int> logs, people;
    for (const auto& [log, person] : contactOfLog)
    {
        logs.push_back(log);
        people.push_back(person);
    }
    std::atomic<int> nFailed{0};
    ASSERT_EQ(TRUE, ContactFullSyncCallback(1, nullptr, nullptr));
    // New correspondents that no contact holds (their rows push the oldest rows of a type out), deleted
    // rows, and renamed contacts.
    std::thread adder(
        [&]
        {
            for (int k = 0; k < 60; ++k)
                nFailed += AddLog(static_cast<UlogLogType>(k % 5),
                                  ("0644444" + std::to_string(100 + k)).c_str(), "", "", 1710000000u + k) > 0
                               ? 0
                               : 1;
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
                const CtSvcContactRecord renamed = Person("E" + std::to_string(k), "", "", person);
                nFailed += CtSvcDbContactChange(&renamed) ? 0 : 1;
            }
        });
    adder.join();
    deleter.join();
    editor.join();
    ASSERT_TRUE(PassEnded());
    EXPECT_EQ(0, nFailed.load());

    // Every row of a contact's number shows the contact as it is now; the others show none.
    std::map<std::string, int> holderOf; // basic number -> contact
    for (size_t k = 0; k < people.size(); ++k)
        holderOf["33333" + std::to_string(100 + k)] = people[k];
    const std::vector<std::string> rows =
        ulogtest::QueryDbFile(m_root, "select basicnumber, ctprimaryid, firstname from UlogDistinctDbTable");
    EXPECT_GT(rows.size(), 60u);
    for (const std::string& row : rows)
    {
        const std::string basic = row.substr(0, row.find('|'));
        CtSvcContactRecord c = Person("", "");
        ASSERT_TRUE(holderOf.count(basic) == 0 || CtSvcDbContactGetRecord(holderOf[basic], &c));
        EXPECT_EQ(basic + "|" + std::to_string(c.nContactId) + "|" + c.szFirstName, row);
    }
    ulogtest::ExpectTablesConsistent(m_root, "after the racing pass");
}
} // namespace
