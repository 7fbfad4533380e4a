// Two dialers add events, each looking its correspondent up in the address book just before the add,
// while a third thread edits the address book (adds, renames, deletes). Every event is stored, nothing
// deadlocks, and once every remaining contact has been written once more every log shows the contact
// that the address book gives for its number.
#include "ContactSyncTestSupport.h"

#include "control/PlatformControl.h"

#include <atomic>
#include <random>
#include <thread>

namespace
{
using namespace ctsynctest;

const int kNumbers = 6;
const int kTypes = 5;                                  // calls and messages of log types 0 to 4: 30 rows
const int kMaxEventsPerAdder = 15 * kNumbers * kTypes; // at most 30 events per row
const int kWrites = 200;

std::string NumberOf(int i)
{
    return "07070000" + std::to_string(10 + i);
}

// The first contact holding the number, as a dialer fills the event's contact fields from it.
bool LookUp(const char* number, CtSvcPhoneNumberRecord& holder, CtSvcContactRecord& contact)
{
    const CtSvcPhoneNumberRecord search = NumberRecord(0, number);
    return CtSvcDbPhoneNumberGetRecords(&search, &holder, 1) == 1 &&
           CtSvcDbContactGetRecord(holder.nContactId, &contact);
}

// Adds events while the address book is edited; how many were made.
int AddEvents(int nAdder, std::atomic<int>& stored, const std::atomic<bool>& editing)
{
    int k = 0;
    for (; k < kMaxEventsPerAdder && editing.load(); ++k)
    {
        const int slot = (nAdder * kNumbers * kTypes / 2 + k) % (kNumbers * kTypes);
        const std::string number = NumberOf(slot % kNumbers);
        UlogInfo info = ulogtest::MakeInfo({.type = static_cast<UlogLogType>(slot / kNumbers),
                                            .number = number.c_str(),
                                            .start = 1700000000u + nAdder * 1000u + k});
        CtSvcPhoneNumberRecord holder;
        CtSvcContactRecord contact;
        if (LookUp(info.szNumber, holder, contact))
        {
            info.nPersonId = holder.nContactId;
            info.nCtDataId = holder.nDataId;
            Put(info.szFirstName, contact.szFirstName);
            Put(info.szLastName, contact.szLastName);
            Put(info.szName, std::string(contact.szFirstName) + " " + contact.szLastName);
        }
        stored += UlogAddCallLog(&info) ? 1 : 0;
    }
    return k;
}

using ContactSyncConcurrent = ContactSyncTest;

TEST_F(ContactSyncConcurrent, EditsBesideAddsEndInStep)
{
    UlogCtlCaptureDiagnostics(FALSE);
    UlogSvcSetChangeCallback(nullptr, nullptr);
    // The contacts and each one's number; every number keeps at least one holder.
    std::vector<CtSvcPhoneNumberRecord> people;
    int nFailed = 0;
    auto addPerson = [&people, &nFailed](const std::string& first, int i)
    {
        people.push_back(NumberRecord(AddContact(first, "Kim", "/p/" + first + ".jpg"), NumberOf(i)));
        people.back().nDataId = CtSvcDbPhoneNumberAdd(&people.back());
        nFailed += (people.back().nContactId > 0 && people.back().nDataId > 0) ? 0 : 1;
    };
    for (int i = 0; i < kNumbers; ++i)
        addPerson("P" + std::to_string(i), i);

    std::atomic<int> stored{0};
    std::atomic<bool> editing{true};
    int nMade[2] = {0, 0};
    std::thread adder1([&] { nMade[0] = AddEvents(0, stored, editing); });
    std::thread adder2([&] { nMade[1] = AddEvents(1, stored, editing); });
    std::thread editor(
        [&]
        {
            std::mt19937 rng(7);
            for (int nWrites = 0; nWrites < kWrites; ++nWrites)
            {
                const unsigned op = rng() % 3;
                const size_t pick = rng() % people.size();
                const std::string name = "E" + std::to_string(nWrites);
                int nHolders = 0;
                for (const CtSvcPhoneNumberRecord& p : people)
                    nHolders += std::strcmp(p.szNumber, people[pick].szNumber) == 0 ? 1 : 0;
                if (op == 0 && nWrites + 1 < kWrites) // a new contact and its number: two writes
                {
                    addPerson(name, static_cast<int>(rng() % kNumbers));
                    ++nWrites;
                }
                else if (op == 1 && nHolders > 1)
                {
                    nFailed += CtSvcDbContactDelete(people[pick].nContactId) ? 0 : 1;
                    people.erase(people.begin() + static_cast<long>(pick));
                }
                else
                {
                    const CtSvcContactRecord renamed = Person(name, "Park", "", people[pick].nContactId);
                    nFailed += CtSvcDbContactChange(&renamed) ? 0 : 1;
                }
            }
            editing = false;
        });
    adder1.join();
    adder2.join();
    editor.join();
    EXPECT_EQ(0, nFailed);
    EXPECT_GT(nMade[0] + nMade[1], 0);
    EXPECT_EQ(nMade[0] + nMade[1], stored.load());
    EXPECT_EQ(nMade[0] + nMade[1], ulogtest::ScalarDbFile(m_root, "select count(*) from UlogDuplDbTable"));
    ulogtest::ExpectTablesConsistent(m_root, "after the edits");

    // One more write of each remaining number, the oldest holder's last: each number then goes to the
    // holder that a look-up finds first.
    for (auto it = people.rbegin(); it != people.rend(); ++it)
        ASSERT_TRUE(CtSvcDbPhoneNumberChange(&*it));
    const std::vector<std::string> rows = ulogtest::QueryDbFile(
        m_root, "select lognumber, ctprimaryid, ctdataid, firstname, lastname, logname, callerid, phonetype, "
                "storagetype from UlogDistinctDbTable");
    ASSERT_EQ(static_cast<size_t>(kNumbers * kTypes), rows.size());
    for (const std::string& row : rows)
    {
        const std::string number = row.substr(0, row.find('|'));
        CtSvcPhoneNumberRecord holder;
        CtSvcContactRecord c;
        ASSERT_TRUE(LookUp(number.c_str(), holder, c));
        EXPECT_EQ(Row(number, holder.nContactId, holder.nDataId, c.szFirstName, c.szLastName,
                      std::string(c.szFirstName) + " " + c.szLastName, c.szCallerIdPath, 0, 1),
                  row);
    }
}
} // namespace
