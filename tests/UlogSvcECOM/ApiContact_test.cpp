// UlogFillContactInfo: a log's contact fields looked up in the address book before it is added, as the
// contact sync would write them; the record untouched when no contact holds the key or the address
// book cannot be read.
#include "ApiTestSupport.h"

#include "KivCtSvc/KivCtSvc.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
using apitest::ApiTest;
using apitest::Record;

class ApiContactTest : public ApiTest
{
protected:
    void SetUp() override
    {
        ApiTest::SetUp();
        CtSvcContactRecord contact{};
        std::strcpy(contact.szFirstName, "Zoë");
        std::strcpy(contact.szLastName, "O'Hara");
        std::strcpy(contact.szCallerIdPath, "/User/Pictures/z.png");
        m_nContact = CtSvcDbContactAdd(&contact);
        ASSERT_GT(m_nContact, 0);
        CtSvcPhoneNumberRecord number{};
        number.nContactId = m_nContact;
        number.nStorageKind = CTSVC_STORAGE_SIM;
        number.nNumberKind = CTSVC_PHONE_TELEPHONE;
        number.nUseType = CTSVC_USE_WORK;
        std::strcpy(number.szNumber, "+4930123456");
        m_nNumber = CtSvcDbPhoneNumberAdd(&number);
        CtSvcEmailAddressRecord email{};
        email.nContactId = m_nContact;
        email.nUseType = CTSVC_USE_HOME;
        std::strcpy(email.szAddress, "zoe@example.com");
        m_nEmail = CtSvcDbEmailAddressAdd(&email);
        ASSERT_GT(m_nNumber, 0);
        ASSERT_GT(m_nEmail, 0);
    }
    int m_nContact = 0, m_nNumber = 0, m_nEmail = 0;
};

TEST_F(ApiContactTest, ANumberOrAddressOfAContactGivesItsFields)
{
    UlogInfo call = Record(ULOG_LOG_TERMINATED, "030123456");
    ASSERT_EQ(UlogFillContactInfo(&call), 1);
    EXPECT_EQ(call.nPersonId, m_nContact);
    EXPECT_EQ(call.nCtDataId, m_nNumber);
    EXPECT_STREQ(call.szName, "Zoë O'Hara");
    EXPECT_STREQ(call.szFirstName, "Zoë");
    EXPECT_STREQ(call.szCallerIdPath, "/User/Pictures/z.png");
    EXPECT_EQ(call.iPhoneType, ULOG_PHONE_TYPE_4);  // a telephone number at work
    EXPECT_EQ(call.iStorageType, ULOG_STORAGE_FDN); // storage kind 2, the SIM
    EXPECT_STREQ(call.szNumber, "030123456") << "the key stays as given";

    UlogInfo email = Record(ULOG_LOG_EMAIL_RECEIVED, "");
    const char* address = "zoe@example.com";
    for (size_t i = 0; i <= std::strlen(address); ++i)
        email.mszEmailAddress[i] = static_cast<WCHAR>(address[i]);
    ASSERT_EQ(UlogFillContactInfo(&email), 1);
    EXPECT_EQ(email.nCtDataId, m_nEmail);
    EXPECT_STREQ(email.szEmailDisplayName, "Zoë O'Hara");
    EXPECT_EQ(email.iStorageType, ULOG_STORAGE_EMAIL_LINK);

    // The fields are those a stored log gets from the contact sync.
    ASSERT_EQ(UlogAddCallLog(&call), 1);
    UlogInfo stored;
    ASSERT_EQ(UlogGetCallLogInfoByUniqueID(call.nUniqueId, &stored), 1);
    EXPECT_EQ(stored.nPersonId, m_nContact);
    EXPECT_STREQ(stored.szName, "Zoë O'Hara");
}

TEST_F(ApiContactTest, AnFdnEntryNamesANumberNoContactHolds)
{
    CtSvcFdnRecord fdn{};
    std::strcpy(fdn.szName, "Front desk");
    std::strcpy(fdn.szNumber, "0800100200");
    const int nFdn = CtSvcDbFdnAdd(&fdn);
    ASSERT_GT(nFdn, 0);
    UlogInfo call = Record(ULOG_LOG_ORIGINATED, "0800100200");
    ASSERT_EQ(UlogFillContactInfo(&call), 1);
    EXPECT_EQ(call.nCtFdnId, nFdn);
    EXPECT_EQ(call.nPersonId, 0);
    EXPECT_STREQ(call.szName, "Front desk");
    EXPECT_EQ(call.iPhoneType, ULOG_PHONE_TYPE_FDN);
    EXPECT_EQ(call.iStorageType, ULOG_STORAGE_FDN);
}

TEST_F(ApiContactTest, NoHolderOrAnUnreadableAddressBookLeavesTheRecordAlone)
{
    UlogInfo call = Record(ULOG_LOG_MISSED, "0999888777");
    const UlogInfo before = call;
    EXPECT_EQ(UlogFillContactInfo(&call), 0);
    EXPECT_EQ(UlogGetLastError(nullptr), ULOG_ERR_NOT_FOUND);
    EXPECT_EQ(std::memcmp(&call, &before, sizeof(call)), 0);

    UlogInfo known = Record(ULOG_LOG_MISSED, "030123456");
    const UlogInfo knownBefore = known;
    UlogCtlFailContactReads(TRUE);
    EXPECT_EQ(UlogFillContactInfo(&known), 0);
    EXPECT_EQ(UlogGetLastError(nullptr), ULOG_ERR_IO) << "the cause the address book gave";
    EXPECT_EQ(std::memcmp(&known, &knownBefore, sizeof(known)), 0);
    UlogCtlFailContactReads(FALSE);

    EXPECT_EQ(UlogFillContactInfo(nullptr), 0);
    EXPECT_EQ(UlogGetLastError(nullptr), ULOG_ERR_INVALID_ARGUMENT);
}
} // namespace
