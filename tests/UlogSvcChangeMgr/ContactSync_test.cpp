// The contact fields of stored logs follow the address book, driven by the contacts service's writes.
#include "ContactSyncTestSupport.h"

#include "KivCore/KivCore.h"
#include "UlogSvcChangeMgr/CUlogSvcContactSync.h"
#include "control/PlatformControl.h"

namespace
{
using namespace ctsynctest;

int CountDiagnostics(const char* text)
{
    int n = 0;
    for (int i = 0; i < UlogCtlGetDiagnosticCount(); ++i)
        n += std::strstr(UlogCtlGetDiagnostic(i), text) != nullptr ? 1 : 0;
    return n;
}

TEST_F(ContactSyncTest, ANewNumberLinksTheCallsAndMessagesOfItsBasicNumberAndTheirHistory)
{
    const int call = AddCall("0101234567");
    ASSERT_EQ(call, AddCall("0101234567", ULOG_LOG_ORIGINATED, 1700000100u));
    const int msg = AddCall("+82101234567", ULOG_LOG_MSG_RECEIVED);
    const int mail = AddAddressLog(ULOG_LOG_EMAIL_SENT, "ann@example.com", "0101234567");
    const int other = AddCall("0109999999");
    m_changes.clear();

    const int ann = AddContact("O'Neil 100%", "Zoë 李", "/User/Pictures/ann's.jpg");
    const int number = AddNumber(ann, "010-1234-567", CTSVC_PHONE_MOBILE, CTSVC_USE_WORK, CTSVC_STORAGE_SIM);
    ASSERT_GT(number, 0);
    const std::string linked = Row(ann, number, 0, 0, 1, 2, "O'Neil 100%", "Zoë 李", "O'Neil 100% Zoë 李",
                                   "/User/Pictures/ann's.jpg");
    EXPECT_EQ(linked, Contact(call));
    EXPECT_EQ(linked, Contact(msg));
    EXPECT_EQ(kNone, Contact(mail));
    EXPECT_EQ(kNone, Contact(other));
    EXPECT_EQ(std::vector<std::string>{Row(ann, number, 0, 0)}, HistoryIds(call));
    EXPECT_EQ((Changes{{1, call}, {2, -1}, {1, msg}, {2, -1}}), m_changes);
}

TEST_F(ContactSyncTest, AChangedNumberLeavesItsOldLogsAndLinksTheNewOnes)
{
    const int oldLog = AddCall("0201111111");
    const int newLog = AddCall("0202222222");
    const int ann = AddContact("Ann", "Lee");
    CtSvcPhoneNumberRecord record = NumberRecord(ann, "0201111111");
    record.nDataId = CtSvcDbPhoneNumberAdd(&record);
    ASSERT_EQ(Row(ann, record.nDataId, 0, 0, 0, 1, "Ann", "Lee", "Ann Lee", ""), Contact(oldLog));

    std::strcpy(record.szNumber, "0202222222");
    ASSERT_TRUE(CtSvcDbPhoneNumberChange(&record));
    EXPECT_EQ(kNone, Contact(oldLog));
    EXPECT_EQ(std::vector<std::string>{"0|0|0|0"}, HistoryIds(oldLog));
    EXPECT_EQ(Row(ann, record.nDataId, 0, 0, 0, 1, "Ann", "Lee", "Ann Lee", ""), Contact(newLog));
}

// A deleted number goes to another contact holding it, else to an FDN entry, else its logs lose the link.
TEST_F(ContactSyncTest, ADeletedNumberGoesToTheNextHolder)
{
    const int log = AddCall("0303333333");
    const int ann = AddContact("Ann", "Lee");
    const int annNumber = AddNumber(ann, "0303333333");
    const int bob = AddContact("Bob", "Kim");
    const int bobNumber = AddNumber(bob, "+82303333333", CTSVC_PHONE_VIDEO);
    const std::string bobs = Row(bob, bobNumber, 0, 0, 12, 1, "Bob", "Kim", "Bob Kim", "");
    ASSERT_EQ(bobs, Contact(log));
    // An FDN entry does not take the number from the contacts that hold it.
    const int fdn = AddFdn("Office 'A'", "0303333333");
    EXPECT_EQ(bobs, Contact(log));

    ASSERT_TRUE(CtSvcDbPhoneNumberDelete(bobNumber));
    EXPECT_EQ(Row(ann, annNumber, 0, 0, 0, 1, "Ann", "Lee", "Ann Lee", ""), Contact(log));
    EXPECT_EQ(std::vector<std::string>{Row(ann, annNumber, 0, 0)}, HistoryIds(log));
    ASSERT_TRUE(CtSvcDbPhoneNumberDelete(annNumber));
    EXPECT_EQ(Row(0, 0, fdn, 0, 13, 2, "", "", "Office 'A'", ""), Contact(log));
    EXPECT_EQ(std::vector<std::string>{Row(0, 0, fdn, 0)}, HistoryIds(log));
    m_changes.clear();
    ASSERT_TRUE(CtSvcDbFdnDelete(fdn));
    EXPECT_EQ(kNone, Contact(log));
    EXPECT_EQ((Changes{{1, log}, {2, -1}}), m_changes);

    // A row that holds nothing of a contact but a stale FDN id is left alone, and nothing is announced.
    const int desk = AddFdn("Desk", "0304444444");
    ulogtest::Event e;
    e.number = "0304444444";
    UlogInfo info = ulogtest::MakeInfo(e);
    info.nCtFdnId = desk;
    const int stale = AddLog(info);
    m_changes.clear();
    UlogCtlClearDiagnostics();
    ASSERT_TRUE(CtSvcDbFdnDelete(desk));
    EXPECT_EQ(Row(0, 0, desk, 0, -1, 0, "", "", "", ""), Contact(stale));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("__DeleteCtInfo: nothing to change."));
    EXPECT_TRUE(m_changes.empty());
}

struct NameCase
{
    int nOrder;
    const char* first;
    const char* last;
    const char* display;
};

class ContactSyncNameTest : public ContactSyncTest, public ::testing::WithParamInterface<NameCase>
{
};

TEST_P(ContactSyncNameTest, TheDisplayNameFollowsTheNameOrderSetting)
{
    const NameCase& c = GetParam();
    UlogCtlSetNvInt(1417, c.nOrder);
    const int log = AddCall("0405555555");
    const int person = AddContact(c.first, c.last);
    const int number = AddNumber(person, "0405555555");
    EXPECT_EQ(Row(person, number, 0, 0, 0, 1, c.first, c.last, c.display, ""), Contact(log));
}

INSTANTIATE_TEST_SUITE_P(Orders, ContactSyncNameTest,
                         ::testing::Values(NameCase{0, "Ann", "Lee", "Ann Lee"},
                                           NameCase{1, "Ann", "Lee", "Lee Ann"},
                                           NameCase{1, "Ann", "", "Ann"}, NameCase{0, "", "Lee", "Lee"},
                                           NameCase{2, "Ann", "Lee", "Ann"}));

TEST_F(ContactSyncTest, ANameLongerThanTheLogsFieldIsCutAtACharacterBoundary)
{
    const int log = AddCall("0506666666");
    const int person = AddContact("Zoë", "");
    const int number = AddNumber(person, "0506666666");
    for (const std::string unit : {"é", "€", "😀"})
    {
        std::string first = "a";
        while (first.size() + unit.size() < CTSVC_NAME_LEN)
            first += unit;
        CtSvcContactRecord renamed = Person(first, "Lee", "", person);
        ASSERT_TRUE(CtSvcDbContactChange(&renamed));
        const std::vector<std::string> rows = ulogtest::QueryDbFile(
            m_root, "select firstname, logname, ctdataid from UlogDistinctDbTable where clogdbindex = " +
                        std::to_string(log));
        ASSERT_EQ(1u, rows.size());
        std::string stored = rows[0].substr(0, rows[0].find('|'));
        // As long as whole characters fit: the next character would not.
        EXPECT_EQ(first.substr(0, stored.size()), stored);
        EXPECT_LE(stored.size(), ULOG_NAME_LEN - 1u);
        EXPECT_GT(stored.size() + unit.size(), ULOG_NAME_LEN - 1u);
        EXPECT_EQ(Row(stored, stored, number), rows[0]);
    }
}

TEST_F(ContactSyncTest, AChangedMainRecordRenamesEveryLogOfTheContact)
{
    const int call = AddCall("0607777777");
    const int mail = AddAddressLog(ULOG_LOG_EMAIL_RECEIVED, "ann@example.com");
    const int otherCall = AddCall("0608888888");
    const int ann = AddContact("Ann", "Lee", "/p/ann.jpg");
    const int number = AddNumber(ann, "0607777777");
    CtSvcEmailAddressRecord email = {0, ann, CTSVC_STORAGE_PHONE, 4, CTSVC_USE_WORK, "ann@example.com"};
    const int address = CtSvcDbEmailAddressAdd(&email);
    const int bob = AddContact("Bob", "Kim");
    const int bobNumber = AddNumber(bob, "0608888888");

    CtSvcContactRecord renamed = Person("Annie", "Li", "/p/annie.jpg", ann);
    ASSERT_TRUE(CtSvcDbContactChange(&renamed));
    EXPECT_EQ(Row(ann, number, 0, 0, 0, 1, "Annie", "Li", "Annie Li", "/p/annie.jpg"), Contact(call));
    EXPECT_EQ(Row(ann, address, 0, 4, 14, 1, "Annie", "Li", "Annie Li", "/p/annie.jpg"), Contact(mail));
    EXPECT_EQ(Row(bob, bobNumber, 0, 0, 0, 1, "Bob", "Kim", "Bob Kim", ""), Contact(otherCall));
}

TEST_F(ContactSyncTest, WhileAFullSyncIsPendingNoCallbackTouchesTheLogs)
{
    const int call = AddCall("0709999999");
    const int mail = AddAddressLog(ULOG_LOG_EMAIL_SENT, "a@x.org");
    const HOBJ hFile = FmCreateFile("/User/Ulog/CtFullSyncCheckDummy.txt", 1);
    ASSERT_NE(INVALID_HOBJ, hFile);
    FmCloseFile(hFile);
    m_changes.clear();

    const int ann = AddContact("Ann", "Lee");
    const int number = AddNumber(ann, "0709999999");
    CtSvcEmailAddressRecord email = {0, ann, CTSVC_STORAGE_PHONE, 0, CTSVC_USE_HOME, "a@x.org"};
    ASSERT_GT(CtSvcDbEmailAddressAdd(&email), 0);
    CtSvcSnsDataRecord sns = {0, ann, 0, "person"};
    ASSERT_GT(CtSvcDbSnsDataAdd(&sns), 0);
    CtSvcImRecord im = {0, ann, 0, "im@x.org"};
    ASSERT_GT(CtSvcDbIMAdd(&im), 0);
    ASSERT_GT(AddFdn("Office", "0709999999"), 0);
    for (const char* callback : {"NumberDataContactSync", "EmailDataContactSync", "FdnDataContactSync",
                                 "SnsContactSync", "ImContactSync", "PrimaryContactSync"})
        EXPECT_TRUE(UlogCtlDiagnosticsContain((std::string("CUlogSvcContactSync::") + callback +
                                               ": full sync is already started or going to be!!")
                                                  .c_str()))
            << callback;
    EXPECT_EQ(FALSE, CUlogSvcContactSync::NumberDataContactSync(CTSVC_CHANGE_NEW, number, nullptr, nullptr));
    EXPECT_EQ(kNone, Contact(call));
    EXPECT_EQ(kNone, Contact(mail));
    EXPECT_TRUE(m_changes.empty());

    ASSERT_TRUE(FmRemoveFile("/User/Ulog/CtFullSyncCheckDummy.txt"));
    EXPECT_EQ(TRUE, CUlogSvcContactSync::NumberDataContactSync(CTSVC_CHANGE_NEW, number, nullptr, nullptr));
    EXPECT_EQ(Row(ann, number, 0, 0, 0, 1, "Ann", "Lee", "Ann Lee", ""), Contact(call));
}

TEST_F(ContactSyncTest, TheListenersStayRegisteredOnceAcrossRestartsAndResets)
{
    UlogSvcDispatch(1);
    UlogSvcDispatch(0);
    UlogCtlClearDiagnostics();
    const int ann = AddContact("Ann", "Lee");
    AddNumber(ann, "0801234567");
    EXPECT_EQ(1, CountDiagnostics("UpdateNewNumberCtInfoData: No log to update contact info."));

    // A reset of the platform drops the contacts listeners; the start after it registers them again.
    UlogSvcDispatch(1);
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    UlogSvcDispatch(0);
    const int log = AddCall("0802345678");
    const int bob = AddContact("Bob", "Kim");
    const int number = AddNumber(bob, "0802345678");
    EXPECT_EQ(Row(bob, number, 0, 0, 0, 1, "Bob", "Kim", "Bob Kim", ""), Contact(log));
}

// E-mail addresses, SNS data and IM addresses: new, changed and deleted records, with keys that hold a
// quote and a '%'.
struct DataCase
{
    const char* name;
    int (*addLog)(const char* key);
    int (*addDecoy)(const char* key); // a log of another kind with the same key text
    int (*write)(int nDataId, int nContactId, const char* key); // add (id 0) or change; the id
    BOOL (*remove)(int nDataId);
    const char* phoneStorage; // what a link writes there
    const char* keys[2];
};

void PrintTo(const DataCase& c, std::ostream* os)
{
    *os << c.name;
}

int EmailLog(const char* key)
{
    return AddAddressLog(ULOG_LOG_EMAIL_RECEIVED, key);
}
int ImLog(const char* key)
{
    return AddAddressLog(ULOG_LOG_IM_1, key);
}
int SnsDecoy(const char* key)
{
    return AddSnsLog((std::string(key) + "%").c_str());
}
template <class R, int (*Add)(const R*), BOOL (*Change)(const R*)> int Write(const R& r)
{
    return r.nDataId == 0 ? Add(&r) : (Change(&r) ? r.nDataId : -1);
}
int WriteEmail(int nDataId, int nContactId, const char* key)
{
    CtSvcEmailAddressRecord r = {nDataId, nContactId, CTSVC_STORAGE_PHONE, 3, CTSVC_USE_HOME, ""};
    std::strcpy(r.szAddress, key);
    return Write<CtSvcEmailAddressRecord, CtSvcDbEmailAddressAdd, CtSvcDbEmailAddressChange>(r);
}
int WriteSns(int nDataId, int nContactId, const char* key)
{
    CtSvcSnsDataRecord r = {nDataId, nContactId, 3, ""};
    std::strcpy(r.szPersonId, key);
    return Write<CtSvcSnsDataRecord, CtSvcDbSnsDataAdd, CtSvcDbSnsDataChange>(r);
}
int WriteIm(int nDataId, int nContactId, const char* key)
{
    CtSvcImRecord r = {nDataId, nContactId, 3, ""};
    std::strcpy(r.szAddress, key);
    return Write<CtSvcImRecord, CtSvcDbIMAdd, CtSvcDbIMChange>(r);
}

class ContactSyncDataTest : public ContactSyncTest, public ::testing::WithParamInterface<DataCase>
{
};

TEST_P(ContactSyncDataTest, ARecordLinksItsLogsAndTheyGoToTheNextHolderWhenItGoes)
{
    const DataCase& c = GetParam();
    const int first = c.addLog(c.keys[0]);
    const int second = c.addLog(c.keys[1]);
    const int decoy = c.addDecoy(c.keys[0]);
    const int ann = AddContact("Ann", "Lee");
    const int annRecord = c.write(0, ann, c.keys[0]);
    ASSERT_GT(annRecord, 0);
    const std::string anns = Row(ann, annRecord, 0, 3, c.phoneStorage, "Ann", "Lee", "Ann Lee", "");
    EXPECT_EQ(anns, Contact(first));
    EXPECT_EQ(kNone, Contact(second));
    EXPECT_EQ(kNone, Contact(decoy));

    // Changed: the old key's logs lose the link, the new key's logs gain it.
    ASSERT_EQ(annRecord, c.write(annRecord, ann, c.keys[1]));
    EXPECT_EQ(kNone, Contact(first));
    EXPECT_EQ(anns, Contact(second));

    const int bob = AddContact("Bob", "Kim");
    const int bobRecord = c.write(0, bob, c.keys[1]);
    EXPECT_EQ(Row(bob, bobRecord, 0, 3, c.phoneStorage, "Bob", "Kim", "Bob Kim", ""), Contact(second));
    ASSERT_TRUE(c.remove(bobRecord));
    EXPECT_EQ(anns, Contact(second));
    EXPECT_EQ(std::vector<std::string>{Row(ann, annRecord, 0, 3)}, HistoryIds(second));
    ASSERT_TRUE(c.remove(annRecord));
    EXPECT_EQ(kNone, Contact(second));
    EXPECT_EQ(kNone, Contact(decoy));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ContactSyncDataTest,
    ::testing::Values(
        DataCase{"Email",
                 EmailLog,
                 ImLog,
                 WriteEmail,
                 CtSvcDbEmailAddressDelete,
                 "14|1",
                 {"o'neil%1@example.com", "o'neil%2@example.com"}},
        DataCase{"Sns", AddSnsLog, SnsDecoy, WriteSns, CtSvcDbSnsDataDelete, "-1|0", {"p'1%", "p'2%"}},
        DataCase{"Im", ImLog, EmailLog, WriteIm, CtSvcDbIMDelete, "-1|0", {"i'1%@im", "i'2%@im"}}),
    [](const ::testing::TestParamInfo<DataCase>& info) { return std::string(info.param.name); });
} // namespace
