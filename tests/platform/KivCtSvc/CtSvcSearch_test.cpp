// Searches of the address book: numbers by their last characters, the other keys byte for byte, the
// order of several matches, and keys that hold SQL's special characters.
#include "support/PlatformFixture.h"

#include "KivCore/KivCore.h"
#include "control/PlatformControl.h"
#include "platform/KivCtSvc/CtSvcTestRecords.h"

#include <tuple>
#include <typeinfo>
#include <vector>

namespace
{
using namespace ctsvctest;
using CtSvcSearchTest = ulogtest::PlatformTest;

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
