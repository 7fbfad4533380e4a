// Listeners of the address book: what they hear and in which order, that a write returns after them,
// that they may read and write, and that readers never wait for a writer that waits for them.
#include "support/PlatformFixture.h"

#include "KivCore/KivCore.h"
#include "control/PlatformControl.h"
#include "platform/KivCtSvc/CtSvcTestRecords.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace
{
using namespace ctsvctest;

struct Heard
{
    int nKind;
    int nChangeType;
    int nRecordId;
    bool operator==(const Heard&) const = default;
};

std::mutex g_mutex;
std::vector<Heard> g_heard;

std::vector<Heard> HeardSoFar()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_heard;
}

// Registered for every kind, with the kind as its user data.
BOOL Record(int nChangeType, int nRecordId, void* pUserData, void* pReserved)
{
    EXPECT_EQ(pReserved, nullptr);
    std::lock_guard<std::mutex> lock(g_mutex);
    g_heard.push_back({static_cast<int>(reinterpret_cast<intptr_t>(pUserData)), nChangeType, nRecordId});
    return TRUE;
}

BOOL Register(int nKind, CtSvcDbListenerCallback pfnCallback, intptr_t nUserData = 0)
{
    return _CtSvcDbListenerRegisterCallback(nKind, pfnCallback, reinterpret_cast<void*>(nUserData), __FILE__,
                                            __LINE__);
}

class CtSvcListenerTest : public ulogtest::PlatformTest
{
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        g_heard.clear();
        for (int nKind : {CTSVC_DB_PHONE_NUMBER, CTSVC_DB_EMAIL, CTSVC_DB_FDN, CTSVC_DB_CONTACT, CTSVC_DB_IM,
                          CTSVC_DB_SNS})
            ASSERT_TRUE(Register(nKind, Record, nKind));
    }
};

TEST_F(CtSvcListenerTest, EveryWriteIsHeardAndAContactDeleteNotifiesItsDataByKindFirst)
{
    const int nAnn = AddContact("Ann");
    const int nIm = Add(CtSvcDbIMAdd, Im(nAnn, "ann@im"));
    const int nNumber2 = AddNumber(nAnn, "222");
    const int nSns = Add(CtSvcDbSnsDataAdd, Sns(nAnn, "ann"));
    const int nEmail = Add(CtSvcDbEmailAddressAdd, Email(nAnn, "ann@x"));
    const int nNumber1 = AddNumber(nAnn, "111");
    CtSvcPhoneNumberRecord number = Number(nAnn, "112");
    number.nDataId = nNumber1;
    ASSERT_TRUE(CtSvcDbPhoneNumberChange(&number));
    const int nFdn = Add(CtSvcDbFdnAdd, Fdn("F", "112"));
    ASSERT_TRUE(CtSvcDbFdnDelete(nFdn));
    ASSERT_TRUE(Add(CtSvcDbContactChange, Contact("Anna", "", "", nAnn)));
    ASSERT_GT(AddNumber(AddContact("Bo"), "333"), 0);
    std::vector<Heard> expected = {{CTSVC_DB_CONTACT, CTSVC_CHANGE_NEW, nAnn},
                                   {CTSVC_DB_IM, CTSVC_CHANGE_NEW, nIm},
                                   {CTSVC_DB_PHONE_NUMBER, CTSVC_CHANGE_NEW, nNumber2},
                                   {CTSVC_DB_SNS, CTSVC_CHANGE_NEW, nSns},
                                   {CTSVC_DB_EMAIL, CTSVC_CHANGE_NEW, nEmail},
                                   {CTSVC_DB_PHONE_NUMBER, CTSVC_CHANGE_NEW, nNumber1},
                                   {CTSVC_DB_PHONE_NUMBER, CTSVC_CHANGE_CHANGED, nNumber1},
                                   {CTSVC_DB_FDN, CTSVC_CHANGE_NEW, nFdn},
                                   {CTSVC_DB_FDN, CTSVC_CHANGE_DELETED, nFdn},
                                   {CTSVC_DB_CONTACT, CTSVC_CHANGE_CHANGED, nAnn}};
    ASSERT_EQ(HeardSoFar().size(), expected.size() + 2);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), HeardSoFar().begin()));

    g_heard.clear();
    ASSERT_TRUE(CtSvcDbContactDelete(nAnn));
    expected = {{CTSVC_DB_PHONE_NUMBER, CTSVC_CHANGE_DELETED, nNumber2},
                {CTSVC_DB_PHONE_NUMBER, CTSVC_CHANGE_DELETED, nNumber1},
                {CTSVC_DB_EMAIL, CTSVC_CHANGE_DELETED, nEmail},
                {CTSVC_DB_SNS, CTSVC_CHANGE_DELETED, nSns},
                {CTSVC_DB_IM, CTSVC_CHANGE_DELETED, nIm},
                {CTSVC_DB_CONTACT, CTSVC_CHANGE_DELETED, nAnn}};
    EXPECT_EQ(HeardSoFar(), expected);
    EXPECT_EQ(CtSvcDbPhoneNumberGetRecordsOfContact(nAnn, nullptr, 0), 0);
    CtSvcImRecord im{};
    EXPECT_FALSE(CtSvcDbIMGetRecord(nIm, &im));

    // Writes that fail notify nothing.
    g_heard.clear();
    EXPECT_FALSE(CtSvcDbContactDelete(nAnn));
    EXPECT_EQ(AddNumber(nAnn, "444"), -1);
    EXPECT_TRUE(HeardSoFar().empty());
}

// Reads the contact it is told about and gives it a number: a read and a write on the notification thread.
CtSvcContactRecord g_seen;
BOOL NumberForNewContact(int nChangeType, int nRecordId, void*, void*)
{
    if (nChangeType == CTSVC_CHANGE_NEW)
    {
        EXPECT_TRUE(CtSvcDbContactGetRecord(nRecordId, &g_seen));
        EXPECT_GT(AddNumber(nRecordId, "5550100"), 0);
    }
    return TRUE;
}

TEST_F(CtSvcListenerTest, WriteReturnsAfterListenersThatReadAndWriteWithoutWaiting)
{
    ASSERT_TRUE(Register(CTSVC_DB_CONTACT, NumberForNewContact));
    g_seen = {};
    const int nAnn = AddContact("Ann");
    EXPECT_EQ(g_seen.nContactId, nAnn); // the listener has run, and read the committed contact
    EXPECT_STREQ(g_seen.szFirstName, "Ann");
    CtSvcPhoneNumberRecord numbers[2];
    ASSERT_EQ(CtSvcDbPhoneNumberGetRecordsOfContact(nAnn, numbers, 2), 1);
    // The listener's number is heard after the contact; a later write's notice after it.
    const int nFdn = Add(CtSvcDbFdnAdd, Fdn("F", "112"));
    const std::vector<Heard> expected = {{CTSVC_DB_CONTACT, CTSVC_CHANGE_NEW, nAnn},
                                         {CTSVC_DB_PHONE_NUMBER, CTSVC_CHANGE_NEW, numbers[0].nDataId},
                                         {CTSVC_DB_FDN, CTSVC_CHANGE_NEW, nFdn}};
    EXPECT_EQ(HeardSoFar(), expected);
}

TEST_F(CtSvcListenerTest, RegistrationIsOncePerKindAndUnregisterStopsTheCalls)
{
    // Again for the same kind: a no-op, the first user data stays (one call per change).
    EXPECT_TRUE(Register(CTSVC_DB_CONTACT, Record, 99));
    const int nAnn = AddContact("Ann");
    EXPECT_EQ(HeardSoFar(), (std::vector<Heard>{{CTSVC_DB_CONTACT, CTSVC_CHANGE_NEW, nAnn}}));

    EXPECT_FALSE(Register(7, Record));
    EXPECT_FALSE(Register(CTSVC_DB_CONTACT, nullptr));
    EXPECT_EQ(SysGetLastError(), CTSVC_ERR_INVALID_ARG);
    EXPECT_TRUE(CtSvcDbListenerUnregisterCallback(CTSVC_DB_CONTACT, Record));
    EXPECT_FALSE(CtSvcDbListenerUnregisterCallback(CTSVC_DB_CONTACT, Record));
    EXPECT_FALSE(CtSvcDbListenerUnregisterCallback(CTSVC_DB_CONTACT, NumberForNewContact));
    const int nNumber = AddNumber(AddContact("Bo"), "1");
    EXPECT_EQ(HeardSoFar().back(), (Heard{CTSVC_DB_PHONE_NUMBER, CTSVC_CHANGE_NEW, nNumber}));
    EXPECT_EQ(HeardSoFar().size(), 2u);

    // A reset forgets every listener.
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    AddNumber(nAnn, "2");
    EXPECT_EQ(HeardSoFar().size(), 2u);
}

TEST_F(CtSvcListenerTest, ConcurrentWritersAreHeardInCommitOrderBeforeTheyReturn)
{
    constexpr int kPerThread = 40;
    auto fnWriter = [&]
    {
        for (int i = 0; i < kPerThread; ++i)
        {
            const int nId = AddContact("W");
            const std::vector<Heard> heard = HeardSoFar();
            EXPECT_NE(std::find(heard.begin(), heard.end(), Heard{CTSVC_DB_CONTACT, CTSVC_CHANGE_NEW, nId}),
                      heard.end());
        }
    };
    std::thread first(fnWriter);
    std::thread second(fnWriter);
    first.join();
    second.join();
    const std::vector<Heard> heard = HeardSoFar();
    ASSERT_EQ(heard.size(), 2u * kPerThread);
    for (size_t i = 1; i < heard.size(); ++i)
        EXPECT_LT(heard[i - 1].nRecordId, heard[i].nRecordId); // ids are given in commit order
}

// Holds the notification thread until the test has read.
std::mutex g_gateMutex;
std::condition_variable g_gate;
bool g_bInListener = false;
bool g_bRead = false;

BOOL WaitForTheReader(int, int, void*, void*)
{
    std::unique_lock<std::mutex> lock(g_gateMutex);
    g_bInListener = true;
    g_gate.notify_all();
    g_gate.wait(lock, [] { return g_bRead; });
    return TRUE;
}

TEST_F(CtSvcListenerTest, ConcurrentReadersDoNotWaitForAWriterWaitingForItsListeners)
{
    g_bInListener = g_bRead = false;
    const int nAnn = AddContact("Ann");
    ASSERT_TRUE(Register(CTSVC_DB_PHONE_NUMBER, WaitForTheReader));
    int nNumber = 0;
    std::thread writer([&] { nNumber = AddNumber(nAnn, "12345678"); });
    {
        std::unique_lock<std::mutex> lock(g_gateMutex);
        g_gate.wait(lock, [] { return g_bInListener; });
    }
    // The writer waits for the listener, which waits for these reads: they must not wait for the writer.
    const CtSvcPhoneNumberRecord search = Number(0, "12345678");
    CtSvcPhoneNumberRecord found{};
    EXPECT_EQ(CtSvcDbPhoneNumberGetRecords(&search, &found, 1), 1);
    {
        std::lock_guard<std::mutex> lock(g_gateMutex);
        g_bRead = true;
    }
    g_gate.notify_all();
    writer.join();
    EXPECT_EQ(found.nDataId, nNumber);
}
} // namespace
