// Listeners of the address book: what they hear and in which order, that a write returns after them,
// that they may read and write, and that readers never wait for a writer that waits for them.
#include "support/PlatformFixture.h"

#include "KivCore/KivCore.h"
#include "control/PlatformControl.h"
#include "platform/KivCtSvc/CtSvcTestRecords.h"

#include <algorithm>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace
{
using namespace ctsvctest;

std::mutex g_mutex;
std::vector<std::string> g_heard; // "kind+id" new, "kind~id" changed, "kind-id" deleted, in order

// Registered for every kind, with the kind's name as its user data.
BOOL Record(int nChangeType, int nRecordId, void* pUserData, void* pReserved)
{
    EXPECT_EQ(pReserved, nullptr);
    std::lock_guard<std::mutex> lock(g_mutex);
    const char* const kTypes[] = {"+", "~", "-"};
    const std::string strType = nChangeType >= 0 && nChangeType <= 2 ? kTypes[nChangeType] : "?";
    g_heard.push_back(static_cast<const char*>(pUserData) + strType + std::to_string(nRecordId));
    return TRUE;
}

BOOL Register(int nKind, CtSvcDbListenerCallback pfnCallback, const void* pUserData = nullptr)
{
    return _CtSvcDbListenerRegisterCallback(nKind, pfnCallback, const_cast<void*>(pUserData), __FILE__,
                                            __LINE__);
}

// What was heard since the last look.
std::string Journal()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    std::string strText;
    for (const std::string& strHeard : g_heard)
        strText += (strText.empty() ? "" : " ") + strHeard;
    g_heard.clear();
    return strText;
}

// The kinds of record, each with its name in what is heard.
const std::pair<int, const char*> kKinds[] = {
    {CTSVC_DB_PHONE_NUMBER, "number"}, {CTSVC_DB_EMAIL, "email"}, {CTSVC_DB_FDN, "fdn"},
    {CTSVC_DB_CONTACT, "contact"},     {CTSVC_DB_IM, "im"},       {CTSVC_DB_SNS, "sns"}};

class CtSvcListenerTest : public ulogtest::PlatformTest
{
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        g_heard.clear();
        for (const auto& [nKind, pszName] : kKinds)
            ASSERT_TRUE(Register(nKind, Record, pszName));
    }
};

// Ids: contacts and FDN entries from 1, the contact data (numbers, e-mail, SNS, IM) from 1 in one sequence.
TEST_F(CtSvcListenerTest, EveryWriteIsHeardAndAContactDeleteNotifiesItsDataByKindFirst)
{
    const int nAnn = AddContact("Ann");
    ASSERT_GT(Add(CtSvcDbIMAdd, Im(nAnn, "ann@im")), 0);
    ASSERT_GT(AddNumber(nAnn, "222"), 0);
    ASSERT_GT(Add(CtSvcDbSnsDataAdd, Sns(nAnn, "ann")), 0);
    ASSERT_GT(Add(CtSvcDbEmailAddressAdd, Email(nAnn, "ann@x")), 0);
    CtSvcPhoneNumberRecord number = Number(nAnn, "112");
    number.nDataId = AddNumber(nAnn, "111");
    ASSERT_TRUE(CtSvcDbPhoneNumberChange(&number));
    ASSERT_TRUE(CtSvcDbFdnDelete(Add(CtSvcDbFdnAdd, Fdn("F", "112"))));
    ASSERT_TRUE(Add(CtSvcDbContactChange, Contact("Anna", "", "", nAnn)));
    ASSERT_GT(AddNumber(AddContact("Bo"), "333"), 0);
    EXPECT_EQ(Journal(), "contact+1 im+1 number+2 sns+3 email+4 number+5 number~5 fdn+1 fdn-1 contact~1 "
                         "contact+2 number+6");

    ASSERT_TRUE(CtSvcDbContactDelete(nAnn));
    EXPECT_EQ(Journal(), "number-2 number-5 email-4 sns-3 im-1 contact-1");
    EXPECT_EQ(CtSvcDbPhoneNumberGetRecordsOfContact(nAnn, nullptr, 0), 0);
    CtSvcImRecord im{};
    EXPECT_FALSE(CtSvcDbIMGetRecord(1, &im));

    // Writes that fail notify nothing.
    EXPECT_FALSE(CtSvcDbContactDelete(nAnn));
    EXPECT_EQ(AddNumber(nAnn, "444"), -1);
    EXPECT_EQ(Journal(), "");
}

// Reads the new contact it is told about and gives it a number: a read and a write on the notification
// thread.
BOOL NumberForNewContact(int nChangeType, int nRecordId, void*, void*)
{
    if (nChangeType == CTSVC_CHANGE_NEW)
    {
        EXPECT_STREQ(Read(CtSvcDbContactGetRecord, nRecordId).szFirstName, "Ann"); // committed before
        EXPECT_GT(AddNumber(nRecordId, "5550100"), 0);
    }
    return TRUE;
}

TEST_F(CtSvcListenerTest, WriteReturnsAfterListenersThatReadAndWriteWithoutWaiting)
{
    ASSERT_TRUE(Register(CTSVC_DB_CONTACT, NumberForNewContact));
    const int nAnn = AddContact("Ann");
    EXPECT_EQ(CtSvcDbPhoneNumberGetRecordsOfContact(nAnn, nullptr, 0), 1); // the listener has run
    // The listener's number is heard after the contact; a later write's notice after it.
    ASSERT_GT(Add(CtSvcDbFdnAdd, Fdn("F", "112")), 0);
    EXPECT_EQ(Journal(), "contact+1 number+1 fdn+1");
}

TEST_F(CtSvcListenerTest, RegistrationIsOncePerKindAndUnregisterStopsTheCalls)
{
    // Again for the same kind: a no-op, the first user data stays (one call per change).
    EXPECT_TRUE(Register(CTSVC_DB_CONTACT, Record, "other"));
    const int nAnn = AddContact("Ann");
    EXPECT_EQ(Journal(), "contact+1");

    EXPECT_FALSE(Register(7, Record));
    EXPECT_FALSE(Register(CTSVC_DB_CONTACT, nullptr));
    EXPECT_EQ(SysGetLastError(), CTSVC_ERR_INVALID_ARG);
    EXPECT_TRUE(CtSvcDbListenerUnregisterCallback(CTSVC_DB_CONTACT, Record));
    EXPECT_FALSE(CtSvcDbListenerUnregisterCallback(CTSVC_DB_CONTACT, Record));
    EXPECT_FALSE(CtSvcDbListenerUnregisterCallback(CTSVC_DB_CONTACT, NumberForNewContact));
    ASSERT_GT(AddNumber(AddContact("Bo"), "1"), 0);
    EXPECT_EQ(Journal(), "number+1");

    // A reset forgets every listener.
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    ASSERT_GT(AddNumber(nAnn, "2"), 0);
    EXPECT_EQ(Journal(), "");
}

TEST_F(CtSvcListenerTest, ConcurrentWritersAreHeardInCommitOrderBeforeTheyReturn)
{
    constexpr int kPerThread = 40;
    auto fnWriter = [&]
    {
        for (int i = 0; i < kPerThread; ++i)
        {
            const std::string strHeard = "contact+" + std::to_string(AddContact("W"));
            std::lock_guard<std::mutex> lock(g_mutex);
            EXPECT_NE(std::find(g_heard.begin(), g_heard.end(), strHeard), g_heard.end()) << strHeard;
        }
    };
    std::thread first(fnWriter), second(fnWriter);
    first.join();
    second.join();
    std::string strExpected; // ids are given in commit order, the order in which they are heard
    for (int nId = 1; nId <= 2 * kPerThread; ++nId)
        strExpected += (nId > 1 ? " contact+" : "contact+") + std::to_string(nId);
    EXPECT_EQ(Journal(), strExpected);
}

// Holds the notification thread, once, until the test has read: its user data is the gate.
struct Gate
{
    std::promise<void> entered, read;
};

BOOL WaitForTheReader(int, int, void* pGate, void*)
{
    static_cast<Gate*>(pGate)->entered.set_value();
    static_cast<Gate*>(pGate)->read.get_future().wait();
    return TRUE;
}

TEST_F(CtSvcListenerTest, ConcurrentReadersDoNotWaitForAWriterWaitingForItsListeners)
{
    const int nAnn = AddContact("Ann");
    Gate gate;
    ASSERT_TRUE(Register(CTSVC_DB_PHONE_NUMBER, WaitForTheReader, &gate));
    int nNumber = 0;
    std::thread writer([&] { nNumber = AddNumber(nAnn, "12345678"); });
    gate.entered.get_future().wait();
    // The writer waits for the listener, which waits for these reads: they must not wait for the writer.
    const CtSvcPhoneNumberRecord search = Number(0, "12345678");
    CtSvcPhoneNumberRecord found{};
    EXPECT_EQ(CtSvcDbPhoneNumberGetRecords(&search, &found, 1), 1);
    gate.read.set_value();
    writer.join();
    EXPECT_EQ(found.nDataId, nNumber);
}
} // namespace
