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
    CtSvcPhoneNumberRecord search = NumberRecord(0, number);
    return CtSvcDbPhoneNumberGetRecords(&search, &holder, 1) == 1 &&
           CtSvcDbContactGetRecord(holder.nContactId, &contact);
}

template <size_t N> void Put(char (&dest)[N], const std::string& text)
{
    const size_t n = text.size() < N - 1 ? text.size() : N - 1;
    std::memcpy(dest, text.data(), n);
    dest[n] = '\0';
}

// Adds events while the address book is edited; how many were made.
int AddEvents(int nAdder, std::atomic<int>& stored, const std::atomic<bool>& editing)
{
    int k = 0;
    for (; k < kMaxEventsPerAdder && editing.load(); ++k)
    {
        const int slot = (nAdder * kNumbers * kTypes / 2 + k) % (kNumbers * kTypes);
        const std::string number = NumberOf(slot % kNumbers);
        ulogtest::Event e;
        e.type = static_cast<UlogLogType>(slot / kNumbers);
        e.number = number.c_str();
        e.start = 1700000000u + nAdder * 1000u + k;
        UlogInfo info = ulogtest::MakeInfo(e);
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

struct Entry
{
    int nContactId;
    CtSvcPhoneNumberRecord number;
};

class ContactSyncConcurrent : public ContactSyncTest
{
};

TEST_F(ContactSyncConcurrent, EditsBesideAddsEndInStep)
{
    UlogCtlCaptureDiagnostics(FALSE);
    UlogSvcSetChangeCallback(nullptr, nullptr);
    std::vector<Entry> people;
    for (int i = 0; i < kNumbers; ++i)
    {
        Entry p{AddContact("P" + std::to_string(i), "Lee"), NumberRecord(0, NumberOf(i).c_str())};
        p.number.nContactId = p.nContactId;
        p.number.nDataId = CtSvcDbPhoneNumberAdd(&p.number);
        ASSERT_GT(p.number.nDataId, 0);
        people.push_back(p);
    }

    std::atomic<int> stored{0};
    std::atomic<bool> editing{true};
    int nMade[2] = {0, 0};
    std::thread adder1([&] { nMade[0] = AddEvents(0, stored, editing); });
    std::thread adder2([&] { nMade[1] = AddEvents(1, stored, editing); });
    int nFailed = 0;
    std::thread editor(
        [&people, &nFailed, &editing]
        {
            std::mt19937 rng(7);
            for (int nWrites = 0; nWrites < kWrites; ++nWrites)
            {
                const int op = static_cast<int>(rng() % 3);
                const size_t pick = rng() % people.size();
                const std::string name = "E" + std::to_string(nWrites);
                int nHolders = 0;
                for (const Entry& p : people)
                    nHolders += std::strcmp(p.number.szNumber, people[pick].number.szNumber) == 0 ? 1 : 0;
                if (op == 0 && nWrites + 1 < kWrites) // a new contact and its number: two writes
                {
                    Entry p{AddContact(name, "Kim", "/p/" + name + ".jpg"),
                            NumberRecord(0, NumberOf(static_cast<int>(rng() % kNumbers)).c_str())};
                    p.number.nContactId = p.nContactId;
                    p.number.nDataId = CtSvcDbPhoneNumberAdd(&p.number);
                    nFailed += (p.nContactId > 0 && p.number.nDataId > 0) ? 0 : 1;
                    people.push_back(p);
                    ++nWrites;
                }
                else if (op == 2 && nHolders > 1) // every number keeps a holder
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
        ASSERT_TRUE(CtSvcDbPhoneNumberChange(&it->number));
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
