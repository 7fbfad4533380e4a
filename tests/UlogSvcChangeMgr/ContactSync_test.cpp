// The contact fields of stored logs follow the address book, driven by the contacts service's writes.
#include "ContactSyncTestSupport.h"

#include "KivCore/KivCore.h"
#include "UlogSvcChangeMgr/CUlogSvcContactSync.h"
#include "control/PlatformControl.h"

namespace
{
using namespace ctsynctest;

const UlogLogType CALL = ULOG_LOG_ORIGINATED;

// A new number links the calls and messages of its basic number (not an e-mail log that has the number
// too), their history included; a new address links the e-mail logs; a changed main record renames all.
TEST_F(ContactSyncTest, NewRecordsLinkTheirLogsAndAChangedMainRecordRenamesThem)
{
    const int call = AddLog(CALL, "0101234567");
    ASSERT_EQ(call, AddLog(CALL, "0101234567", "", "", 1700000100u));
    const int msg = AddLog(ULOG_LOG_MSG_RECEIVED, "+82101234567");
    const int mail = AddLog(ULOG_LOG_EMAIL_SENT, "0101234567", "ann@example.com");
    const int other = AddLog(CALL, "0109999999");
    m_changes.clear();

    const int ann = AddContact("O'Neil 100%", "Zoë 李", "/p/ann's.jpg");
    const int number = AddNumber(ann, "010-1234-567", CTSVC_PHONE_MOBILE, CTSVC_USE_WORK);
    ASSERT_GT(number, 0);
    const std::string linked =
        Row(ann, number, 0, 0, 1, 1, "O'Neil 100%", "Zoë 李", "O'Neil 100% Zoë 李", "/p/ann's.jpg");
    EXPECT_EQ(linked, Contact(call));
    EXPECT_EQ(linked, Contact(msg));
    EXPECT_EQ(kNone, Contact(mail));
    EXPECT_EQ(kNone, Contact(other));
    EXPECT_EQ(std::vector<std::string>{Row(ann, number, 0, 0)}, HistoryIds(call));
    EXPECT_EQ((Changes{{1, call}, {2, -1}, {1, msg}, {2, -1}}), m_changes);

    CtSvcEmailAddressRecord email = {0, ann, CTSVC_STORAGE_SIM, 4, CTSVC_USE_WORK, "ann@example.com"};
    const int address = CtSvcDbEmailAddressAdd(&email);
    EXPECT_EQ(Row(ann, address, 0, 4, 14, 2, "O'Neil 100%", "Zoë 李", "O'Neil 100% Zoë 李", "/p/ann's.jpg"),
              Contact(mail));
    const CtSvcContactRecord renamed = Person("Annie", "Li", "/p/annie.jpg", ann);
    ASSERT_TRUE(CtSvcDbContactChange(&renamed));
    EXPECT_EQ(Row(ann, number, 0, 0, 1, 1, "Annie", "Li", "Annie Li", "/p/annie.jpg"), Contact(call));
    EXPECT_EQ(Row(ann, address, 0, 4, 14, 2, "Annie", "Li", "Annie Li", "/p/annie.jpg"), Contact(mail));
    EXPECT_EQ(kNone, Contact(other));
}

// A changed number leaves its old logs and links the new ones; a deleted number goes to another contact
// holding it, else to an FDN entry, else its logs lose the link.
TEST_F(ContactSyncTest, AChangedOrDeletedNumberGoesToTheNextHolder)
{
    const int log = AddLog(CALL, "0303333333");
    const int elsewhere = AddLog(CALL, "0302222222");
    const int ann = AddContact("Ann", "Lee");
    CtSvcPhoneNumberRecord annNumber = NumberRecord(ann, "0302222222");
    annNumber.nDataId = CtSvcDbPhoneNumberAdd(&annNumber);
    Put(annNumber.szNumber, "0303333333");
    ASSERT_TRUE(CtSvcDbPhoneNumberChange(&annNumber));
    EXPECT_EQ(kNone, Contact(elsewhere));
    EXPECT_EQ(std::vector<std::string>{"0|0|0|0"}, HistoryIds(elsewhere));
    const std::string anns = Row(ann, annNumber.nDataId, 0, 0, 0, 1, "Ann", "Lee", "Ann Lee", "");
    EXPECT_EQ(anns, Contact(log));

    const int bob = AddContact("Bob", "Kim");
    const int bobNumber = AddNumber(bob, "+82303333333", CTSVC_PHONE_VIDEO);
    const std::string bobs = Row(bob, bobNumber, 0, 0, 12, 1, "Bob", "Kim", "Bob Kim", "");
    ASSERT_EQ(bobs, Contact(log));
    // An FDN entry does not take the number from the contacts that hold it.
    const int fdn = AddFdn("Office 'A'", "0303333333");
    EXPECT_EQ(bobs, Contact(log));

    ASSERT_TRUE(CtSvcDbPhoneNumberDelete(bobNumber));
    EXPECT_EQ(anns, Contact(log));
    EXPECT_EQ(std::vector<std::string>{Row(ann, annNumber.nDataId, 0, 0)}, HistoryIds(log));
    ASSERT_TRUE(CtSvcDbPhoneNumberDelete(annNumber.nDataId));
    EXPECT_EQ(Row(0, 0, fdn, 0, 13, 2, "", "", "Office 'A'", ""), Contact(log));
    EXPECT_EQ(std::vector<std::string>{Row(0, 0, fdn, 0)}, HistoryIds(log));
    m_changes.clear();
    ASSERT_TRUE(CtSvcDbFdnDelete(fdn));
    EXPECT_EQ(kNone, Contact(log));
    EXPECT_EQ((Changes{{1, log}, {2, -1}}), m_changes);

    // A row that holds nothing of a contact but a stale FDN id is left alone, and nothing is announced.
    const int desk = AddFdn("Desk", "0304444444");
    const int stale = AddLog(CALL, "0304444444", "", "", 1700000000u, desk);
    m_changes.clear();
    ASSERT_TRUE(CtSvcDbFdnDelete(desk));
    EXPECT_EQ(Row(0, 0, desk, 0, -1, 0, "", "", "", ""), Contact(stale));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("__DeleteCtInfo: nothing to change."));
    EXPECT_TRUE(m_changes.empty());
}

struct NameCase
{
    int nOrder;
    const char *first, *last, *display;
};

class ContactSyncNameTest : public ContactSyncTest, public ::testing::WithParamInterface<NameCase>
{
};

TEST_P(ContactSyncNameTest, TheDisplayNameFollowsTheNameOrderSetting)
{
    const NameCase& c = GetParam();
    UlogCtlSetNvInt(1417, c.nOrder);
    const int log = AddLog(CALL, "0405555555");
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
    const int log = AddLog(CALL, "0506666666");
    const int person = AddContact("Zoë", "");
    const int number = AddNumber(person, "0506666666");
    for (const std::string unit : {"é", "€", "😀"})
    {
        std::string first = "a";
        while (first.size() + unit.size() < CTSVC_NAME_LEN)
            first += unit;
        const CtSvcContactRecord renamed = Person(first, "Lee", "", person);
        ASSERT_TRUE(CtSvcDbContactChange(&renamed));
        const std::vector<std::string> rows = ulogtest::QueryDbFile(
            m_root, "select firstname, logname, ctdataid from UlogDistinctDbTable where clogdbindex = " +
                        std::to_string(log));
        ASSERT_EQ(1u, rows.size());
        const std::string stored = rows[0].substr(0, rows[0].find('|'));
        // As many whole characters as fit: the next one would not.
        EXPECT_EQ(first.substr(0, stored.size()), stored);
        EXPECT_LE(stored.size(), ULOG_NAME_LEN - 1u);
        EXPECT_GT(stored.size() + unit.size(), ULOG_NAME_LEN - 1u);
        EXPECT_EQ(Row(stored, stored, number), rows[0]);
    }
}

TEST_F(ContactSyncTest, WhileAFullSyncIsPendingNoCallbackTouchesTheLogs)
{
    const int call = AddLog(CALL, "0709999999");
    const int mail = AddLog(ULOG_LOG_EMAIL_SENT, "", "a@x.org");
    const HOBJ hFile = FmCreateFile("/User/Ulog/CtFullSyncCheckDummy.txt", 1);
    ASSERT_NE(INVALID_HOBJ, hFile);
    FmCloseFile(hFile);
    m_changes.clear();

    const int ann = AddContact("Ann", "Lee");
    const int number = AddNumber(ann, "0709999999");
    CtSvcEmailAddressRecord email = {0, ann, CTSVC_STORAGE_PHONE, 0, CTSVC_USE_HOME, "a@x.org"};
    CtSvcSnsDataRecord sns = {0, ann, 0, "person"};
    CtSvcImRecord im = {0, ann, 0, "im@x.org"};
    ASSERT_GT(CtSvcDbEmailAddressAdd(&email) + CtSvcDbSnsDataAdd(&sns) + CtSvcDbIMAdd(&im), 0);
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
    AddNumber(AddContact("Ann", "Lee"), "0801234567");
    int nRuns = 0;
    for (int i = 0; i < UlogCtlGetDiagnosticCount(); ++i)
        nRuns += std::strstr(UlogCtlGetDiagnostic(i), "UpdateNewNumberCtInfoData: No log to update") ? 1 : 0;
    EXPECT_EQ(1, nRuns);

    // A reset of the platform drops the contacts listeners; the start after it registers them again.
    UlogSvcDispatch(1);
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    UlogSvcDispatch(0);
    const int log = AddLog(CALL, "0802345678");
    const int bob = AddContact("Bob", "Kim");
    const int number = AddNumber(bob, "0802345678");
    EXPECT_EQ(Row(bob, number, 0, 0, 0, 1, "Bob", "Kim", "Bob Kim", ""), Contact(log));
}

// E-mail addresses, SNS data and IM addresses: new, changed and deleted records, with keys that hold a
// quote and a '%'. The decoy is a log of another kind with the same key text (for SNS: the key with a
// second '%'), which no record of the kind may link.
struct DataCase
{
    const char* name;
    UlogLogType logType;
    UlogLogType decoyType;
    BOOL (*remove)(int nDataId);
    const char* phoneStorage; // what a link writes there
    const char* keys[2];
};

int AddKeyLog(UlogLogType type, const std::string& key)
{
    return type == ULOG_LOG_SNS_2 ? AddLog(type, "", "", key.c_str()) : AddLog(type, "", key.c_str());
}

// Adds (id 0) or changes the record of the log type's kind that holds the key; its id, -1 on failure.
int WriteKey(UlogLogType type, int nDataId, int nContactId, const char* key)
{
    CtSvcEmailAddressRecord email = {nDataId, nContactId, CTSVC_STORAGE_PHONE, 3, CTSVC_USE_HOME, ""};
    CtSvcSnsDataRecord sns = {nDataId, nContactId, 3, ""};
    CtSvcImRecord im = {nDataId, nContactId, 3, ""};
    Put(email.szAddress, key);
    Put(sns.szPersonId, key);
    Put(im.szAddress, key);
    if (type == ULOG_LOG_SNS_2)
        return nDataId != 0 ? (CtSvcDbSnsDataChange(&sns) ? nDataId : -1) : CtSvcDbSnsDataAdd(&sns);
    if (type == ULOG_LOG_IM_1)
        return nDataId != 0 ? (CtSvcDbIMChange(&im) ? nDataId : -1) : CtSvcDbIMAdd(&im);
    return nDataId != 0 ? (CtSvcDbEmailAddressChange(&email) ? nDataId : -1) : CtSvcDbEmailAddressAdd(&email);
}

class ContactSyncDataTest : public ContactSyncTest, public ::testing::WithParamInterface<DataCase>
{
};

TEST_P(ContactSyncDataTest, ARecordLinksItsLogsAndTheyGoToTheNextHolderWhenItGoes)
{
    const DataCase& c = GetParam();
    const int first = AddKeyLog(c.logType, c.keys[0]);
    const int second = AddKeyLog(c.logType, c.keys[1]);
    const int decoy = AddKeyLog(c.decoyType, std::string(c.keys[0]) + (c.logType == c.decoyType ? "%" : ""));
    const int ann = AddContact("Ann", "Lee");
    const int annRecord = WriteKey(c.logType, 0, ann, c.keys[0]);
    ASSERT_GT(annRecord, 0);
    const std::string anns = Row(ann, annRecord, 0, 3, c.phoneStorage, "Ann", "Lee", "Ann Lee", "");
    EXPECT_EQ(anns, Contact(first));
    EXPECT_EQ(kNone, Contact(second));
    EXPECT_EQ(kNone, Contact(decoy));

    // Changed: the old key's logs lose the link, the new key's logs gain it.
    ASSERT_EQ(annRecord, WriteKey(c.logType, annRecord, ann, c.keys[1]));
    EXPECT_EQ(kNone, Contact(first));
    EXPECT_EQ(anns, Contact(second));

    const int bob = AddContact("Bob", "Kim");
    const int bobRecord = WriteKey(c.logType, 0, bob, c.keys[1]);
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
                 ULOG_LOG_EMAIL_RECEIVED,
                 ULOG_LOG_IM_1,
                 CtSvcDbEmailAddressDelete,
                 "14|1",
                 {"o'neil%1@example.com", "o'neil%2@example.com"}},
        DataCase{"Sns", ULOG_LOG_SNS_2, ULOG_LOG_SNS_2, CtSvcDbSnsDataDelete, "-1|0", {"p'1%", "p'2%"}},
        DataCase{
            "Im", ULOG_LOG_IM_1, ULOG_LOG_EMAIL_RECEIVED, CtSvcDbIMDelete, "-1|0", {"i'1%@im", "i'2%@im"}}),
    [](const ::testing::TestParamInfo<DataCase>& info) { return std::string(info.param.name); });
} // namespace
