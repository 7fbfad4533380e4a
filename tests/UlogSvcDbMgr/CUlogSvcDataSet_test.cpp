// The data set: defaults, copies, filling from every log kind, and writing records.
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"
#include "UlogSvcLogMgr/CUlogCallLog.h"
#include "UlogSvcLogMgr/CUlogImLog.h"
#include "UlogSvcLogMgr/CUlogMsgLog.h"
#include "UlogSvcLogMgr/CUlogSnsLog.h"

#include "UlogSvcLogMgr/UlogTestRows.h"
#include "control/PlatformControl.h"
#include "support/PlatformFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

using ulogtest::ToU16;
using ulogtest::WLen;
using ulogtest::WText;

namespace
{
using DataSetTest = ulogtest::PlatformTest;

bool AllBytes(const void* p, size_t n, unsigned char value)
{
    const auto* b = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; ++i)
        if (b[i] != value)
            return false;
    return true;
}
} // namespace

TEST_F(DataSetTest, NewDataSetHoldsTheDefaults)
{
    CUlogSvcDataSet set;
    EXPECT_EQ(set.GetUniqueID(), -1);
    EXPECT_EQ(set.GetSortIndex(), -1);
    EXPECT_EQ(set.GetGroupID(), -1);
    EXPECT_EQ(set.GetParentID(), -1);
    EXPECT_EQ(set.GetCallType(), -1);
    EXPECT_EQ(set.GetLineType(), -1);
    EXPECT_EQ(set.GetPhoneType(), -1);
    EXPECT_EQ(set.GetCallCost(), -1);
    EXPECT_EQ(set.GetDuplLogLastUniqueID(), -1);
    EXPECT_EQ(set.GetSourceType(), -1);
    EXPECT_EQ(set.GetSnsSpInfo(), -1);
    EXPECT_EQ(set.GetSpInfo(), -1);
    EXPECT_EQ(set.GetLogType(), 0);
    EXPECT_EQ(set.GetStorageType(), 0);
    EXPECT_EQ(set.GetContentId(), 0);
    EXPECT_EQ(set.GetNumber()[0], 0);
    EXPECT_EQ(set.GetDisplayName()[0], 0);
    EXPECT_TRUE(AllBytes(set.Get2StageDialingInfo(), sizeof(UlogVT2StageDialingInfo), 0));
}

TEST_F(DataSetTest, CopiesKeepTextsAndIdsAndAreIndependent)
{
    CUlogSvcDataSet a;
    a.SetSubject(WText(u"subject"));
    a.SetBody(WText(u"body"));
    a.SetContentId(42);
    a.SetDisplayName(WText(u"Name"));
    a.Set2StageType(3);
    a.Set2StageAliasAddress("alias");
    CUlogSvcDataSet b(a);
    EXPECT_EQ(ToU16(b.GetSubject()), u"subject");
    EXPECT_EQ(ToU16(b.GetBody()), u"body");
    EXPECT_EQ(b.GetContentId(), 42);
    EXPECT_EQ(b.Get2StageDialingInfo()->iAddressType, 3);
    EXPECT_STREQ(b.Get2StageDialingInfo()->aliasAddress, "alias");
    a.SetSubject(WText(u"other"));
    EXPECT_EQ(ToU16(b.GetSubject()), u"subject");

    CUlogSvcDataSet c;
    c = b;
    c = c;
    EXPECT_EQ(ToU16(c.GetDisplayName()), u"Name");
    EXPECT_EQ(c.GetContentId(), 42);
}

TEST_F(DataSetTest, StringSettersAreBoundedAndRefuseNull)
{
    CUlogSvcDataSet set;
    set.SetNumber(WText(100, u'9'));
    set.SetDisplayName(WText(400, u'n'));
    set.SetEmailAddress(WText(400, u'e'));
    set.SetSubject(WText(150, u's'));
    set.SetBasicNumber(std::string(100, '1').c_str());
    set.SetCallerIdPath(std::string(900, 'p').c_str());
    set.SetSyncId(std::string(150, 'y').c_str());
    set.SetAccountEmailAddress(std::string(400, 'a').c_str());
    EXPECT_EQ(WLen(set.GetNumber(), 1000), 80u);
    EXPECT_EQ(WLen(set.GetDisplayName(), 1000), 309u);
    EXPECT_EQ(WLen(set.GetEmailAddress(), 1000), 300u);
    EXPECT_EQ(WLen(set.GetSubject(), 1000), 100u);
    EXPECT_EQ(std::strlen(set.GetBasicNumber()), 80u);
    EXPECT_EQ(std::strlen(set.GetCallerIdPath()), 771u);
    EXPECT_EQ(std::strlen(set.GetSyncId()), 99u);
    EXPECT_EQ(std::strlen(set.GetAccountEmailAddress()), 300u);

    set.SetSyncId(nullptr);
    EXPECT_EQ(std::strlen(set.GetSyncId()), 99u);
    EXPECT_TRUE(
        UlogCtlDiagnosticsContain("ASSERTION_REQUIRE: pszSyncId != NULL (UlogSvcDbMgr/UlogSvcDataSet:"));
    set.SetAccountEmailAddress(nullptr);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pszAccountEmailAddess != NULL"));
    set.SetNumber(nullptr);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pmszNumber != NULL"));
    EXPECT_EQ(UlogCtlGetAssertCount(), 3);
}

TEST_F(DataSetTest, DisplayNameSurvivesTheTripThroughSixteenBitText)
{
    CUlogSnsLog sns;
    sns.SetLogType(ULOG_LOG_SNS_1);
    sns.SetDisplayName("abc");
    sns.SetNumber("+4930123");
    CUlogSvcDataSet set(sns);
    EXPECT_EQ(ToU16(set.GetDisplayName()), u"abc");
    EXPECT_EQ(ToU16(set.GetNumber()), u"+4930123");
    UlogInfo info;
    std::memset(&info, 0, sizeof(info));
    set.Convert2UlogInfo(info);
    EXPECT_STREQ(info.szName, "abc");
    EXPECT_STREQ(info.szNumber, "+4930123");

    // Non-ASCII names keep every character (the local code page is UTF-8).
    CUlogCallLog call;
    call.SetDisplayName("J\xC3\xBCrgen \xE5\xB1\xB1");
    CUlogSvcDataSet callSet(call);
    EXPECT_EQ(ToU16(callSet.GetDisplayName()), u"J\u00FCrgen \u5C71");
    CUlogCallLog back(callSet);
    EXPECT_STREQ(back.GetDisplayName(), "J\xC3\xBCrgen \xE5\xB1\xB1");
}

TEST_F(DataSetTest, RecordsWrittenFromADataSetKeepTheReservedBytes)
{
    CUlogSvcDataSet set;
    set.SetLogType(ULOG_LOG_EMAIL_SENT);
    set.SetUniqueID(3);
    set.SetSyncId("s");
    auto info = std::make_unique<UlogInfo>();
    std::memset(info.get(), 0xFF, sizeof(UlogInfo));
    EXPECT_EQ(set.Convert2UlogInfo(*info), TRUE);
    EXPECT_EQ(info->nReserved1, -1);
    EXPECT_EQ(info->nReserved2, -1);
    EXPECT_TRUE(AllBytes(info->abReserved3, sizeof(info->abReserved3), 0xFF));
    // Every field the data set holds is written, whatever the kind.
    EXPECT_EQ(info->nUniqueId, 3);
    EXPECT_EQ(info->iLogType, ULOG_LOG_EMAIL_SENT);
    EXPECT_EQ(info->iCallType, -1);
    EXPECT_EQ(info->bCNAPLog, 0);
    EXPECT_EQ(info->nSpInfo, -1);
    EXPECT_EQ(info->nSnsSpInfo, -1);
    EXPECT_STREQ(info->szSyncId, "s");
    EXPECT_STREQ(info->szName, "");
    EXPECT_TRUE(AllBytes(&info->st2StageDialingInfo, sizeof(info->st2StageDialingInfo), 0));
}

// Each kind's fields reach the data set (the round trips of the tables show them coming back); the two
// provider values stay apart, and unlike a message log the data set writes the content id into a record.
TEST_F(DataSetTest, ProviderValuesStayApartAndTheContentIdIsWritten)
{
    CUlogImLog im;
    im.SetSpInfo(3);
    EXPECT_EQ(CUlogSvcDataSet(im).GetSpInfo(), 3);
    EXPECT_EQ(CUlogSvcDataSet(im).GetSnsSpInfo(), -1);
    CUlogSnsLog sns;
    sns.SetSnsSpInfo(7);
    EXPECT_EQ(CUlogSvcDataSet(sns).GetSnsSpInfo(), 7);
    EXPECT_EQ(CUlogSvcDataSet(sns).GetSpInfo(), -1);

    CUlogMsgLog msg;
    msg.SetLogType(ULOG_LOG_MSG_SENT);
    msg.GetContentValue()->SetContentId(12);
    CUlogSvcDataSet set(msg);
    UlogInfo info;
    set.Convert2UlogInfo(info);
    EXPECT_EQ(info.nContentId, 12);
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);
}
