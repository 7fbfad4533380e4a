// The address book's records: round trips, ids, refusals, the read-only root, the database's life; and its
// searches: numbers by their last characters, the other keys byte for byte, the order of several matches,
// and keys that hold SQL's special characters.
#include "support/PlatformFixture.h"

#include "KivCore/KivCore.h"
#include "control/PlatformControl.h"
#include "platform/KivCtSvc/CtSvcTestRecords.h"

#include <sqlite3.h>

#include <filesystem>
#include <functional>
#include <tuple>
#include <typeinfo>
#include <vector>

namespace
{
using namespace ctsvctest;
using CtSvcRecordsTest = ulogtest::PlatformTest;
using CtSvcSearchTest = ulogtest::PlatformTest;

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

    using S = std::string;
    CtSvcContactRecord contact = Read(CtSvcDbContactGetRecord, nAnn);
    EXPECT_EQ(std::tuple(contact.nContactId, S(contact.szLastName), S(contact.szCallerIdPath)),
              std::tuple(nAnn, "Lee", "/User/Pictures/ann.jpg"));
    CtSvcPhoneNumberRecord number = Read(CtSvcDbPhoneNumberGetRecord, nNumber);
    EXPECT_EQ(std::tie(number.nContactId, number.nStorageKind, number.nNumberKind, number.nUseType),
              std::tuple(nAnn, CTSVC_STORAGE_SIM, CTSVC_PHONE_TELEPHONE, CTSVC_USE_WORK));
    EXPECT_STREQ(number.szNumber, "+442079460001P12"); // separators dropped, the pause kept
    const CtSvcEmailAddressRecord email = Read(CtSvcDbEmailAddressGetRecord, nEmail);
    EXPECT_EQ(std::tuple(email.nAccountId, S(email.szAddress)), std::tuple(7, "ann@example.org"));
    EXPECT_STREQ(Read(CtSvcDbSnsDataGetRecord, nSns).szPersonId, "ann.lee");
    EXPECT_STREQ(Read(CtSvcDbIMGetRecord, nIm).szAddress, "ann@im.example");
    const CtSvcFdnRecord fdn = Read(CtSvcDbFdnGetRecord, nFdn);
    EXPECT_EQ(std::tuple(S(fdn.szName), S(fdn.szNumber)), std::tuple("Office", "02079460002"));

    // The contact-data read fills the kind it finds and zeroes the other; other kinds are not its.
    CtSvcContactDataRecord data = Read(CtSvcDbContactDataGetRecord, nEmail);
    EXPECT_EQ(std::tuple(data.nKind, S(data.stEmail.szAddress), data.stNumber.nDataId),
              std::tuple(CTSVC_DATA_EMAIL, "ann@example.org", 0));
    EXPECT_EQ(Read(CtSvcDbContactDataGetRecord, nNumber).nKind, CTSVC_DATA_PHONE_NUMBER);
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
    number = Read(CtSvcDbPhoneNumberGetRecord, nNumber);
    EXPECT_EQ(std::tuple(S(number.szNumber), number.nContactId, number.nStorageKind),
              std::tuple("07700900123", nAnn, CTSVC_STORAGE_PHONE));
    ASSERT_TRUE(Add(CtSvcDbContactChange, Contact("Anna", "", "", nAnn)));
    contact = Read(CtSvcDbContactGetRecord, nAnn);
    EXPECT_EQ(std::tuple(S(contact.szFirstName), S(contact.szCallerIdPath)), std::tuple("Anna", ""));

    // Enumeration for tools: the total, and at most nMax ids or records.
    int nIds[1] = {0};
    ASSERT_GT(AddContact("Bo"), 0);
    EXPECT_EQ(CtSvcDbContactGetIds(nIds, 1), 2);
    EXPECT_EQ(nIds[0], nAnn);
    EXPECT_EQ(CtSvcDbFdnGetIds(nullptr, 0), 1);
    EXPECT_EQ(CtSvcDbContactGetIds(nullptr, 1), -1);
    CtSvcEmailAddressRecord emails[1];
    EXPECT_EQ(CtSvcDbEmailAddressGetRecordsOfContact(nAnn, emails, 1), 1);
    EXPECT_EQ(emails[0].nDataId, nEmail);
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

    // Past 32 bits no id is given: the add fails and stores nothing.
    sqlite3* pDb = nullptr;
    ASSERT_EQ(sqlite3_open((m_root + "/System/contacts.db").c_str(), &pDb), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(pDb, "UPDATE sqlite_sequence SET seq = 2147483647 WHERE name = 'contacts'",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(pDb);
    EXPECT_EQ(AddContact("E"), -1);
    EXPECT_EQ(SysGetLastError(), SYS_ERR_SQL);
    EXPECT_EQ(CtSvcDbContactGetIds(nullptr, 0), 3);
}

TEST_F(CtSvcRecordsTest, RefusedWritesLeaveTheirCauseAndStoreNothing)
{
    const int nId = AddContact("Owner");
    ASSERT_GT(nId, 0);
    const std::string kLong(CTSVC_PATH_LEN, 'n'); // fills any field: no room for the NUL
    // Both an add and a change (of the owner) refuse the contact; both kinds of number refuse the number.
    auto fnContact = [&](CtSvcContactRecord record)
    {
        record.nContactId = nId;
        return Add(CtSvcDbContactAdd, record) == -1 && !Add(CtSvcDbContactChange, record);
    };
    auto fnNumber = [&](const std::string& strNumber)
    { return AddNumber(nId, strNumber) == -1 && Add(CtSvcDbFdnAdd, Fdn("F", strNumber)) == -1; };
    const unsigned int kBad = CTSVC_ERR_INVALID_ARG, kMissing = CTSVC_ERR_NOT_FOUND;
    const std::vector<std::tuple<const char*, unsigned int, std::function<bool()>>> refusals = {
        {"long first name", kBad, [&] { return fnContact(Contact(kLong)); }},
        {"long path", kBad, [&] { return fnContact(Contact("", "", kLong)); }},
        {"long e-mail", kBad, [&] { return Add(CtSvcDbEmailAddressAdd, Email(nId, kLong)) == -1; }},
        {"empty e-mail", kBad, [&] { return Add(CtSvcDbEmailAddressAdd, Email(nId, "")) == -1; }},
        {"long FDN name", kBad, [&] { return Add(CtSvcDbFdnAdd, Fdn(kLong, "112")) == -1; }},
        {"long number", kBad, [&] { return fnNumber(std::string(CTSVC_NUMBER_LEN, '1')); }},
        {"empty number", kBad, [&] { return fnNumber(" - "); }},
        {"letters", kBad, [&] { return fnNumber("0800 FLOWERS"); }},
        {"plus inside", kBad, [&] { return fnNumber("12+34"); }},
        {"only DTMF", kBad, [&] { return fnNumber("P123"); }},
        {"null record", kBad, [&] { return CtSvcDbContactAdd(nullptr) == -1 && !CtSvcDbIMChange(nullptr); }},
        {"missing contact", kMissing, [&] { return AddNumber(nId + 1, "123") == -1; }},
        {"change of a missing id", kMissing, [&] { return !Add(CtSvcDbIMChange, Im(nId, "x@y")); }},
        {"delete of a missing id", kMissing,
         [&] { return !CtSvcDbContactDelete(nId + 1) && !CtSvcDbFdnDelete(1); }},
    };
    for (const auto& [pszName, nError, fnWrite] : refusals)
    {
        SysSetLastError(SYS_ERR_NONE);
        EXPECT_TRUE(fnWrite()) << pszName;
        EXPECT_EQ(SysGetLastError(), nError) << pszName;
    }
    EXPECT_EQ(CtSvcDbContactGetIds(nullptr, 0), 1);
    EXPECT_EQ(CtSvcDbPhoneNumberGetRecordsOfContact(nId, nullptr, 0), 0);
    EXPECT_EQ(CtSvcDbEmailAddressGetRecordsOfContact(nId, nullptr, 0), 0);
    EXPECT_EQ(CtSvcDbFdnGetIds(nullptr, 0), 0);
    EXPECT_STREQ(Read(CtSvcDbContactGetRecord, nId).szFirstName, "Owner");
}

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

// Numbers stored, the digit count, a searched number and which of the stored ones it finds.
struct NumberCase
{
    const char* pszName;
    std::vector<std::string> stored;
    int nDigits;
    std::string strSearched;
    std::vector<int> found; // indexes into stored, in ascending id
};

class CtSvcNumberSearchTest : public ulogtest::PlatformTest, public ::testing::WithParamInterface<NumberCase>
{
};

TEST_P(CtSvcNumberSearchTest, FindsTheNumbersThatEndAlike)
{
    const NumberCase& c = GetParam();
    const int nContact = AddContact("Owner");
    // The numbers, and the FDN entries, get the ids 1, 2, ... in turn.
    for (const std::string& strNumber : c.stored)
        ASSERT_TRUE(AddNumber(nContact, strNumber) > 0 && Add(CtSvcDbFdnAdd, Fdn("F", strNumber)) > 0)
            << strNumber;
    UlogCtlSetDigitsCount2Compare(c.nDigits);
    const CtSvcPhoneNumberRecord search = Number(0, c.strSearched);
    EXPECT_EQ(CtSvcDbPhoneNumberGetCount(&search), static_cast<int>(c.found.size()));
    CtSvcPhoneNumberRecord records[8];
    ASSERT_EQ(CtSvcDbPhoneNumberGetRecords(&search, records, 8), static_cast<int>(c.found.size()));
    for (size_t i = 0; i < c.found.size(); ++i)
        EXPECT_EQ(records[i].nDataId, c.found[i] + 1) << i;

    // FDN entries match as numbers do, the oldest first.
    CtSvcFdnRecord fdn{};
    EXPECT_EQ(CtSvcDbFdnGetRecordByPhoneNumber(c.strSearched.c_str(), &fdn), c.found.empty() ? FALSE : TRUE);
    EXPECT_EQ(fdn.nFdnId, c.found.empty() ? 0 : c.found[0] + 1);
    EXPECT_TRUE(!c.found.empty() || SysGetLastError() == CTSVC_ERR_NOT_FOUND) << SysGetLastError();
}

const std::vector<NumberCase> kNumberCases = {
    {"InternationalAndNationalForms", {"+44 20 7946 0001", "020 7946 0002"}, 8, "020 7946 0001", {0}},
    {"SeparatorsInTheKey", {"02079460001"}, 8, "(020) 7946-0001", {0}},
    {"ShortStoredNumberWhole", {"1234", "91234"}, 8, "1234", {0}},
    {"ShortKeyNeedsWholeEquality", {"12345678", "012345678"}, 8, "2345678", {}},
    {"LongKeyShortStored", {"5678", "12345678"}, 8, "0012345678", {1}},
    {"DtmfTailsAreNotCompared", {"12345678P123", "0012345678W9", "12345678"}, 8, "+8212345678P55", {0, 1, 2}},
    {"EveryPauseEndsTheDialledPart", {"5551234,1", "5551234;2"}, 8, "5551234", {0, 1}},
    {"DigitCountFromThePlatform", {"5550001", "5559001", "0001"}, 4, "0001", {0, 2}},
    {"DigitCountBelowOneCountsAsOne", {"12", "13"}, 0, "92", {0}},
    {"EmptyKeyMatchesNothing", {"12345678"}, 8, "", {}},
    {"DtmfOnlyKeyMatchesNothing", {"12345678"}, 8, "P12345678", {}},
    {"LikeWildcardsAreLiteral", {"12345678", "1234567"}, 8, "1234567%", {}},
    {"UnderscoreIsLiteral", {"12345678"}, 8, "_2345678", {}},
    {"QuoteIsLiteral", {"12345678"}, 8, "1' OR '1'='1", {}},
    {"StarAndHashAreCompared", {"*#06#", "*#07#"}, 8, "*#06#", {0}},
};

INSTANTIATE_TEST_SUITE_P(Numbers, CtSvcNumberSearchTest, ::testing::ValuesIn(kNumberCases),
                         [](const ::testing::TestParamInfo<NumberCase>& info)
                         { return std::string(info.param.pszName); });

TEST_F(CtSvcSearchTest, SeveralMatchesComeOldestFirstAndTheFirstStaysFirst)
{
    const int nAnn = AddContact("Ann");
    const int nBo = AddContact("Bo");
    const int nFirst = AddNumber(nBo, "+44 20 7946 0001");
    const int nSecond = AddNumber(nAnn, "020 7946 0001");
    const int nThird = AddNumber(nBo, "79460001");
    const CtSvcPhoneNumberRecord search = Number(0, "0044 20 7946 0001");
    CtSvcPhoneNumberRecord records[3];
    ASSERT_EQ(CtSvcDbPhoneNumberGetRecords(&search, records, 2), 2);
    EXPECT_EQ(std::tuple(records[0].nDataId, records[1].nDataId), std::tuple(nFirst, nSecond));
    EXPECT_EQ(CtSvcDbPhoneNumberGetRecords(&search, records, 0), 0);
    EXPECT_EQ(CtSvcDbPhoneNumberGetRecords(&search, nullptr, 1), -1);
    EXPECT_EQ(SysGetLastError(), CTSVC_ERR_INVALID_ARG);

    // A change keeps the record's place; a delete gives the first place to the next oldest.
    CtSvcPhoneNumberRecord changed = Number(0, "7946 0001");
    changed.nDataId = nFirst;
    ASSERT_TRUE(CtSvcDbPhoneNumberChange(&changed));
    ASSERT_EQ(CtSvcDbPhoneNumberGetRecords(&search, records, 1), 1);
    EXPECT_EQ(records[0].nDataId, nFirst);
    ASSERT_TRUE(CtSvcDbPhoneNumberDelete(nFirst));
    ASSERT_EQ(CtSvcDbPhoneNumberGetRecords(&search, records, 3), 2);
    EXPECT_EQ(records[0].nDataId, nSecond);
    EXPECT_EQ(records[1].nDataId, nThird);
}

// Keys of a kind searched byte for byte (Make builds a record of the kind, Get searches): SQL's quote and
// wildcards match only themselves, case counts, and of two equal keys the first added comes first.
template <class R>
void ExpectByteForByte(R (*Make)(int, const std::string&, int), int (*pfnAdd)(const R*),
                       int (*pfnCount)(const R*), int (*pfnGet)(const R*, R*, int))
{
    SCOPED_TRACE(typeid(R).name());
    const int nContact = AddContact("O'Brien \"quoted\" 100% a_b");
    const std::vector<std::string> values = {"a_b@x", "axb@x", "o'neil@x", "100%@x",
                                             "x\"y",  "A_B@x", "a_b@x"};
    std::vector<int> ids;
    for (const std::string& strValue : values)
        ids.push_back(Add(pfnAdd, Make(nContact, strValue, 0)));
    EXPECT_GT(ids.back(), ids[values.size() - 2]);
    auto fnFound = [&](const std::string& strKey, int nCount, int nFirst)
    {
        const R search = Make(0, strKey, 0);
        R found{};
        EXPECT_EQ(pfnCount(&search), nCount) << strKey;
        EXPECT_EQ(pfnGet(&search, &found, 1), nCount > 0 ? 1 : 0) << strKey;
        EXPECT_EQ(found.nDataId, nFirst) << strKey;
    };
    fnFound("a_b@x", 2, ids[0]);
    for (size_t i = 1; i + 1 < values.size(); ++i)
        fnFound(values[i], 1, ids[i]);
    for (const char* pszKey : {"a%", "%", "_", "a_b@_", "o''neil@x", "' OR 1=1 --", "a_b@x ", "A_b@x", ""})
        fnFound(pszKey, 0, 0);
    EXPECT_STREQ(Read(CtSvcDbContactGetRecord, nContact).szFirstName, "O'Brien \"quoted\" 100% a_b");
}

TEST_F(CtSvcSearchTest, EmailSnsAndImKeysMatchByteForByteWhateverCharactersTheyHold)
{
    ExpectByteForByte(Email, CtSvcDbEmailAddressAdd, CtSvcDbEmailAddressGetCount,
                      CtSvcDbEmailAddressGetRecords);
    ExpectByteForByte(Sns, CtSvcDbSnsDataAdd, CtSvcDbSnsDataGetCount, CtSvcDbSnsDataGetRecords);
    ExpectByteForByte(Im, CtSvcDbIMAdd, CtSvcDbIMGetCount, CtSvcDbIMGetRecords);
}
} // namespace
