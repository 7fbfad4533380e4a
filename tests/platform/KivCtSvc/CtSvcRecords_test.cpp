// The address book's records: round trips, ids, refusals, the read-only root, the database's life.
#include "support/PlatformFixture.h"

#include "KivCore/KivCore.h"
#include "control/PlatformControl.h"
#include "platform/KivCtSvc/CtSvcTestRecords.h"

#include <sqlite3.h>

#include <filesystem>
#include <functional>

namespace
{
using namespace ctsvctest;
using CtSvcRecordsTest = ulogtest::PlatformTest;

TEST_F(CtSvcRecordsTest, EveryKindOfRecordIsStoredChangedAndReadBack)
{
    const int nAnn = Add(CtSvcDbContactAdd, Contact("Ann", "Lee", "/User/Pictures/ann.jpg"));
    const int nNumber =
        Add(CtSvcDbPhoneNumberAdd,
            Number(nAnn, "+44 (20) 7946-0001P12", CTSVC_PHONE_TELEPHONE, CTSVC_USE_WORK, CTSVC_STORAGE_SIM));
    const int nEmail = Add(CtSvcDbEmailAddressAdd, Email(nAnn, "ann@example.org", 7));
    const int nSns = Add(CtSvcDbSnsDataAdd, Sns(nAnn, "ann.lee", 3));
    const int nIm = Add(CtSvcDbIMAdd, Im(nAnn, "ann@im.example", 4));
    const int nFdn = Add(CtSvcDbFdnAdd, Fdn("Office", "020 7946 0002"));
    ASSERT_TRUE(nAnn > 0 && nNumber > 0 && nEmail > 0 && nSns > 0 && nIm > 0 && nFdn > 0);

    CtSvcContactRecord contact{};
    ASSERT_TRUE(CtSvcDbContactGetRecord(nAnn, &contact));
    EXPECT_EQ(contact.nContactId, nAnn);
    EXPECT_STREQ(contact.szLastName, "Lee");
    EXPECT_STREQ(contact.szCallerIdPath, "/User/Pictures/ann.jpg");
    CtSvcPhoneNumberRecord number{};
    ASSERT_TRUE(CtSvcDbPhoneNumberGetRecord(nNumber, &number));
    EXPECT_EQ(number.nContactId, nAnn);
    EXPECT_EQ(number.nStorageKind, CTSVC_STORAGE_SIM);
    EXPECT_EQ(number.nNumberKind, CTSVC_PHONE_TELEPHONE);
    EXPECT_EQ(number.nUseType, CTSVC_USE_WORK);
    EXPECT_STREQ(number.szNumber, "+442079460001P12"); // separators dropped, the pause kept
    CtSvcEmailAddressRecord email{};
    ASSERT_TRUE(CtSvcDbEmailAddressGetRecord(nEmail, &email));
    EXPECT_EQ(email.nAccountId, 7);
    EXPECT_STREQ(email.szAddress, "ann@example.org");
    CtSvcSnsDataRecord sns{};
    ASSERT_TRUE(CtSvcDbSnsDataGetRecord(nSns, &sns));
    EXPECT_STREQ(sns.szPersonId, "ann.lee");
    CtSvcImRecord im{};
    ASSERT_TRUE(CtSvcDbIMGetRecord(nIm, &im));
    EXPECT_STREQ(im.szAddress, "ann@im.example");
    CtSvcFdnRecord fdn{};
    ASSERT_TRUE(CtSvcDbFdnGetRecord(nFdn, &fdn));
    EXPECT_STREQ(fdn.szName, "Office");
    EXPECT_STREQ(fdn.szNumber, "02079460002");

    // The contact-data read fills the kind it finds and zeroes the other; other kinds are not its.
    CtSvcContactDataRecord data{};
    ASSERT_TRUE(CtSvcDbContactDataGetRecord(nEmail, &data));
    EXPECT_EQ(data.nKind, CTSVC_DATA_EMAIL);
    EXPECT_STREQ(data.stEmail.szAddress, "ann@example.org");
    EXPECT_EQ(data.stNumber.nDataId, 0);
    ASSERT_TRUE(CtSvcDbContactDataGetRecord(nNumber, &data));
    EXPECT_EQ(data.nKind, CTSVC_DATA_PHONE_NUMBER);
    EXPECT_FALSE(CtSvcDbContactDataGetRecord(nSns, &data));
    EXPECT_EQ(SysGetLastError(), CTSVC_ERR_NOT_FOUND);
    EXPECT_FALSE(CtSvcDbPhoneNumberGetRecord(nEmail, &number));
    const CtSvcImRecord imSearch = Im(0, "ann@example.org"); // an e-mail address is no IM address
    EXPECT_EQ(CtSvcDbIMGetCount(&imSearch), 0);

    // A change rewrites every field but the owner, of a record of its own kind.
    CtSvcPhoneNumberRecord changed = Number(0, "07700 900123");
    changed.nDataId = nEmail;
    EXPECT_FALSE(CtSvcDbPhoneNumberChange(&changed));
    changed.nDataId = nNumber;
    ASSERT_TRUE(CtSvcDbPhoneNumberChange(&changed));
    ASSERT_TRUE(CtSvcDbPhoneNumberGetRecord(nNumber, &number));
    EXPECT_STREQ(number.szNumber, "07700900123");
    EXPECT_EQ(number.nContactId, nAnn);
    EXPECT_EQ(number.nStorageKind, CTSVC_STORAGE_PHONE);
    ASSERT_TRUE(Add(CtSvcDbContactChange, Contact("Anna", "", "", nAnn)));
    ASSERT_TRUE(CtSvcDbContactGetRecord(nAnn, &contact));
    EXPECT_STREQ(contact.szFirstName, "Anna");
    EXPECT_STREQ(contact.szCallerIdPath, "");

    // Enumeration for tools: the total, and at most nMax ids or records.
    int nIds[1] = {0};
    ASSERT_GT(AddContact("Bo"), 0);
    EXPECT_EQ(CtSvcDbContactGetIds(nIds, 1), 2);
    EXPECT_EQ(nIds[0], nAnn);
    EXPECT_EQ(CtSvcDbFdnGetIds(nullptr, 0), 1);
    EXPECT_EQ(CtSvcDbContactGetIds(nullptr, 1), -1);
    EXPECT_EQ(CtSvcDbEmailAddressGetRecordsOfContact(nAnn, &email, 1), 1);
    EXPECT_EQ(email.nDataId, nEmail);
    EXPECT_EQ(CtSvcDbSnsDataGetRecordsOfContact(nAnn + 1, nullptr, 0), 0);
}

TEST_F(CtSvcRecordsTest, IdsAreNeverGivenOutTwiceAlsoAfterReopening)
{
    const int nFirst = AddContact("A");
    const int nSecond = AddContact("B");
    ASSERT_TRUE(CtSvcDbContactDelete(nSecond));
    const int nThird = AddContact("C");
    EXPECT_GT(nThird, nSecond);
    // The four kinds of contact data share one id space.
    const int nNumber = AddNumber(nFirst, "12345");
    const int nEmail = Add(CtSvcDbEmailAddressAdd, Email(nFirst, "a@b"));
    ASSERT_TRUE(CtSvcDbEmailAddressDelete(nEmail));
    const int nSns = Add(CtSvcDbSnsDataAdd, Sns(nFirst, "a"));
    EXPECT_GT(nEmail, nNumber);
    EXPECT_GT(nSns, nEmail);
    const int nFdn = Add(CtSvcDbFdnAdd, Fdn("F", "112"));
    ASSERT_TRUE(CtSvcDbFdnDelete(nFdn));

    // A reset closes the database; the data and the id sequences are read again from its file.
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_TRUE(std::filesystem::exists(m_root + "/System/contacts.db"));
    CtSvcContactRecord read{};
    EXPECT_TRUE(CtSvcDbContactGetRecord(nThird, &read));
    EXPECT_FALSE(CtSvcDbContactGetRecord(nSecond, &read));
    EXPECT_GT(AddContact("D"), nThird);
    EXPECT_GT(Add(CtSvcDbIMAdd, Im(nFirst, "a@im")), nSns);
    EXPECT_GT(Add(CtSvcDbFdnAdd, Fdn("F", "112")), nFdn);
}

TEST_F(CtSvcRecordsTest, IdsPastThirtyTwoBitsAreRefused)
{
    ASSERT_GT(AddContact("A"), 0);
    sqlite3* pDb = nullptr;
    ASSERT_EQ(sqlite3_open((m_root + "/System/contacts.db").c_str(), &pDb), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(pDb, "UPDATE sqlite_sequence SET seq = 2147483647 WHERE name = 'contacts'",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(pDb);
    EXPECT_EQ(AddContact("B"), -1);
    EXPECT_EQ(SysGetLastError(), SYS_ERR_SQL);
    EXPECT_EQ(CtSvcDbContactGetIds(nullptr, 0), 1);
}

// A write that is refused (fnWrite true when it failed), and the cause it leaves.
struct Refusal
{
    const char* pszName;
    std::function<bool(int nContactId)> fnWrite;
    unsigned int nError;
};

void PrintTo(const Refusal& refusal, std::ostream* pOut)
{
    *pOut << refusal.pszName;
}

class CtSvcRefusalTest : public ulogtest::PlatformTest, public ::testing::WithParamInterface<Refusal>
{
};

TEST_P(CtSvcRefusalTest, IsRefusedWithItsCauseAndStoresNothing)
{
    const int nContact = AddContact("Owner");
    ASSERT_GT(nContact, 0);
    SysSetLastError(SYS_ERR_NONE);
    EXPECT_TRUE(GetParam().fnWrite(nContact));
    EXPECT_EQ(SysGetLastError(), GetParam().nError);
    EXPECT_EQ(CtSvcDbContactGetIds(nullptr, 0), 1);
    EXPECT_EQ(CtSvcDbPhoneNumberGetRecordsOfContact(nContact, nullptr, 0), 0);
    EXPECT_EQ(CtSvcDbEmailAddressGetRecordsOfContact(nContact, nullptr, 0), 0);
    EXPECT_EQ(CtSvcDbFdnGetIds(nullptr, 0), 0);
    CtSvcContactRecord read{};
    ASSERT_TRUE(CtSvcDbContactGetRecord(nContact, &read));
    EXPECT_STREQ(read.szFirstName, "Owner");
}

// Both an add and a change (of the contact nId) refuse the record.
bool ContactRefused(CtSvcContactRecord record, int nId)
{
    record.nContactId = nId;
    return Add(CtSvcDbContactAdd, record) == -1 && !Add(CtSvcDbContactChange, record);
}

bool NumberRefused(int nContactId, const std::string& strNumber)
{
    return Add(CtSvcDbPhoneNumberAdd, Number(nContactId, strNumber)) == -1 &&
           Add(CtSvcDbFdnAdd, Fdn("F", strNumber)) == -1;
}

const std::string kLong(CTSVC_PATH_LEN, 'n'); // fills any field: no room for the NUL

INSTANTIATE_TEST_SUITE_P(
    Writes, CtSvcRefusalTest,
    ::testing::Values(
        Refusal{"LongFirstName", [](int nId) { return ContactRefused(Contact(kLong), nId); },
                CTSVC_ERR_INVALID_ARG},
        Refusal{"LongPath", [](int nId) { return ContactRefused(Contact("", "", kLong), nId); },
                CTSVC_ERR_INVALID_ARG},
        Refusal{"LongEmail", [](int nId) { return Add(CtSvcDbEmailAddressAdd, Email(nId, kLong)) == -1; },
                CTSVC_ERR_INVALID_ARG},
        Refusal{"EmptyEmail", [](int nId) { return Add(CtSvcDbEmailAddressAdd, Email(nId, "")) == -1; },
                CTSVC_ERR_INVALID_ARG},
        Refusal{"LongFdnName", [](int) { return Add(CtSvcDbFdnAdd, Fdn(kLong, "112")) == -1; },
                CTSVC_ERR_INVALID_ARG},
        Refusal{"LongNumber", [](int nId) { return NumberRefused(nId, std::string(CTSVC_NUMBER_LEN, '1')); },
                CTSVC_ERR_INVALID_ARG},
        Refusal{"EmptyNumber", [](int nId) { return NumberRefused(nId, " - "); }, CTSVC_ERR_INVALID_ARG},
        Refusal{"Letters", [](int nId) { return NumberRefused(nId, "0800 FLOWERS"); }, CTSVC_ERR_INVALID_ARG},
        Refusal{"PlusInside", [](int nId) { return NumberRefused(nId, "12+34"); }, CTSVC_ERR_INVALID_ARG},
        Refusal{"OnlyDtmf", [](int nId) { return NumberRefused(nId, "P123"); }, CTSVC_ERR_INVALID_ARG},
        Refusal{"NullRecord",
                [](int) { return CtSvcDbContactAdd(nullptr) == -1 && !CtSvcDbIMChange(nullptr); },
                CTSVC_ERR_INVALID_ARG},
        Refusal{"MissingContact", [](int nId) { return AddNumber(nId + 1, "123") == -1; },
                CTSVC_ERR_NOT_FOUND},
        Refusal{"ChangeOfMissingId", [](int nId) { return !Add(CtSvcDbIMChange, Im(nId, "x@y")); },
                CTSVC_ERR_NOT_FOUND},
        Refusal{"DeleteOfMissingId",
                [](int nId) { return !CtSvcDbContactDelete(nId + 1) && !CtSvcDbFdnDelete(1); },
                CTSVC_ERR_NOT_FOUND}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.pszName); });

TEST_F(CtSvcRecordsTest, ReadOnlyRootIsReadAndNeverWritten)
{
    const int nAnn = AddContact("Ann");
    ASSERT_GT(AddNumber(nAnn, "020 7946 0001"), 0);
    ASSERT_TRUE(UlogCtlResetReadOnly(m_root.c_str()));
    EXPECT_EQ(CtSvcDbContactGetIds(nullptr, 0), 1);
    const CtSvcPhoneNumberRecord search = Number(0, "+44 20 7946 0001");
    EXPECT_EQ(CtSvcDbPhoneNumberGetCount(&search), 1);
    EXPECT_EQ(AddContact("Bo"), -1);
    EXPECT_EQ(SysGetLastError(), SYS_ERR_READ_ONLY);

    // A root without an address book reads as an empty one, and stays as it was.
    const std::string strEmpty = ulogtest::MakeTempDir("ctsvc-ro");
    ASSERT_TRUE(UlogCtlResetReadOnly(strEmpty.c_str()));
    EXPECT_EQ(CtSvcDbContactGetIds(nullptr, 0), 0);
    EXPECT_EQ(CtSvcDbPhoneNumberGetCount(&search), 0);
    EXPECT_EQ(AddContact("Cy"), -1);
    EXPECT_TRUE(ulogtest::Listing(strEmpty).empty());
    ulogtest::RemoveTree(strEmpty);

    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_GT(AddContact("Di"), nAnn);
}

TEST_F(CtSvcRecordsTest, InjectedReadFaultFailsEveryReadUntilReset)
{
    const int nAnn = AddContact("Ann");
    const int nNumber = AddNumber(nAnn, "12345678");
    UlogCtlFailContactReads(TRUE);
    CtSvcContactRecord contact{};
    EXPECT_FALSE(CtSvcDbContactGetRecord(nAnn, &contact));
    EXPECT_EQ(SysGetLastError(), SYS_ERR_IO);
    CtSvcPhoneNumberRecord number{};
    const CtSvcPhoneNumberRecord search = Number(0, "12345678");
    EXPECT_EQ(CtSvcDbPhoneNumberGetCount(&search), -1);
    EXPECT_EQ(CtSvcDbPhoneNumberGetRecords(&search, &number, 1), -1);
    EXPECT_EQ(CtSvcDbContactGetIds(nullptr, 0), -1);
    CtSvcFdnRecord fdn{};
    EXPECT_FALSE(CtSvcDbFdnGetRecordByPhoneNumber("12345678", &fdn));
    EXPECT_EQ(SysGetLastError(), SYS_ERR_IO);
    EXPECT_GT(AddNumber(nAnn, "999"), nNumber); // writes go on

    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_EQ(CtSvcDbPhoneNumberGetCount(&search), 1);
}

TEST_F(CtSvcRecordsTest, DatabaseBehindALinkOutOfTheRootIsRefused)
{
    const std::string strOutside = ulogtest::MakeTempDir("ctsvc-outside");
    std::filesystem::remove(m_root + "/System"); // empty if there
    std::filesystem::create_directory_symlink(strOutside, m_root + "/System");
    EXPECT_EQ(AddContact("Ann"), -1);
    EXPECT_EQ(SysGetLastError(), SYS_ERR_OUTSIDE_ROOT);
    EXPECT_EQ(CtSvcDbContactGetIds(nullptr, 0), -1);
    EXPECT_TRUE(ulogtest::Listing(strOutside).empty());
    ulogtest::RemoveTree(strOutside);
}
} // namespace
