// Log entries: defaults, conversions to and from UlogInfo for every kind, bounded texts, owned value
// objects and clones; logs read from content-framework rows, and the generator that picks the kind.
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"
#include "UlogSvcLogMgr/CUlogCallLog.h"
#include "UlogSvcLogMgr/CUlogEmailLog.h"
#include "UlogSvcLogMgr/CUlogImLog.h"
#include "UlogSvcLogMgr/CUlogMsgLog.h"
#include "UlogSvcLogMgr/CUlogSnsLog.h"
#include "UlogSvcLogMgr/CUlogSvcGenerator.h"

#include "UlogSvcLogMgr/UlogTestRows.h"
#include "control/PlatformControl.h"
#include "support/PlatformFixture.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using ulogtest::FullRow;
using ulogtest::RowWithout;
using ulogtest::ToU16;
using ulogtest::WLen;
using ulogtest::WText;

namespace
{
CUlogContentValue MakeContent(const char16_t* subject, const char16_t* body, int id)
{
    CUlogContentValue v;
    v.SetSubject(WText(subject));
    v.SetBody(WText(body));
    v.SetContentId(id);
    return v;
}

CUlogMsgOwnValue MakeOwn(int type, int id)
{
    CUlogMsgOwnValue v;
    v.SetMsgLogType(type);
    v.SetMsgLogID(id);
    return v;
}

// The lengths of a call log's texts: basic number, number, name, first and last name, caller id, e-mail
// address and alias address.
std::vector<size_t> TextLengths(const CUlogCallLog& log)
{
    return {std::strlen(log.GetBasicNumber()), std::strlen(log.GetNumber()),
            std::strlen(log.GetDisplayName()), std::strlen(log.GetFirstName()),
            std::strlen(log.GetLastName()),    std::strlen(log.GetCallerIdPath()),
            WLen(log.GetEmailAddress(), 1000), std::strlen(log.Get2StageDialingInfo()->aliasAddress)};
}
const std::vector<size_t> kTextLimits = {80, 80, 309, 309, 309, 771, 300, 128};

// Converts into a record that was filled with 0xFF bytes first.
std::unique_ptr<UlogInfo> ConvertDirty(const CUlog& log)
{
    auto info = std::make_unique<UlogInfo>();
    std::memset(info.get(), 0xFF, sizeof(UlogInfo));
    EXPECT_EQ(log.Convert2UlogInfo(*info), TRUE);
    return info;
}

using UlogKindsTest = ulogtest::PlatformTest;

// A kind that does not provide its own copy.
class CUncloneableLog : public CUlog
{
public:
    BOOL OnConvert2UlogInfo(UlogInfo&) const override { return TRUE; }
};
} // namespace

TEST_F(UlogKindsTest, NewLogsStartWithTheDocumentedDefaults)
{
    CUlogCallLog call;
    EXPECT_EQ(call.GetUniqueID(), ULOG_INVALID_DB_INDEX);
    EXPECT_EQ(call.GetSortIndex(), -1);
    EXPECT_EQ(call.GetGroupID(), -1);
    EXPECT_EQ(call.GetParentID(), -1);
    EXPECT_EQ(call.GetLineType(), -1);
    EXPECT_EQ(call.GetPhoneType(), -1);
    EXPECT_EQ(call.GetCallCost(), -1);
    EXPECT_EQ(call.GetDuplLogLastUniqueID(), -1);
    EXPECT_EQ(call.GetStorageType(), 0);
    EXPECT_EQ(call.GetLogType(), 0);
    EXPECT_EQ(call.GetCallType(), -1);
    EXPECT_STREQ(call.GetNumber(), "");
    EXPECT_STREQ(call.GetDisplayName(), "");
    EXPECT_EQ(call.GetEmailAddress()[0], 0);
    EXPECT_EQ(call.Get2StageDialingInfo()->iAddressType, 0);

    CUlogEmailLog email;
    EXPECT_EQ(email.GetSourceType(), -1);
    ASSERT_NE(email.GetMsgOwnValue(), nullptr);
    ASSERT_NE(email.GetContentValue(), nullptr);
    ASSERT_NE(email.GetAccountValue(), nullptr);
    EXPECT_EQ(email.GetContentValue()->GetContentId(), 0);
    EXPECT_EQ(CUlogImLog().GetSpInfo(), -1);
    EXPECT_EQ(CUlogSnsLog().GetSnsSpInfo(), -1);
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);
}

// (Each kind's class name: the generator's test.)
TEST_F(UlogKindsTest, ClassNamesDecideTypeEquality)
{
    CUlogCallLog a;
    CUlogCallLog b;
    b.SetNumber("123");
    b.SetLogType(ULOG_LOG_MISSED);
    EXPECT_STREQ(CUncloneableLog().GetLogClass(), "CUlog");
    EXPECT_TRUE(a.IsTypeEqual(b));
    EXPECT_FALSE(a.IsTypeEqual(CUlogMsgLog()));
    EXPECT_FALSE(CUlogImLog().IsTypeEqual(CUlogSnsLog()));
}

namespace
{
// A record holding the fields of one kind and (when asked) every common field, the others 0.
UlogInfo KindRecord(UlogLogType type, bool withCommon = true)
{
    UlogInfo info;
    std::memset(&info, 0, sizeof(info));
    info.iLogType = type;
    if (withCommon)
    {
        info.nUniqueId = 5;
        info.nSortIndex = 6;
        info.nGroupId = 7;
        info.nParentId = 8;
        info.bTempLog = 1;
        info.bUncheckedYet = 1;
        info.tmStart = 4000000000u;
        info.tmEnd = 4000000100u;
        info.tmWiFiTotal = 1;
        info.tmGsmTotal = 2;
        info.iLineType = ULOG_LINE_1;
        info.iPhoneType = ULOG_PHONE_TYPE_FDN;
        info.iStorageType = ULOG_STORAGE_EMAIL_LINK;
        info.nCallCost = 9;
        info.nPersonId = 10;
        info.nCtDataId = 11;
        info.nCtFdnId = 12;
        info.nMyAccountId = 13;
        info.nDuplLogCount = 14;
        info.nDuplLogLastUniqueId = 15;
        info.nIPCallDigitCount = 3;
        std::strcpy(info.szBasicNumber, "1234");
        std::strcpy(info.szNumber, "0011234");
        std::strcpy(info.szName, "Bob");
        std::strcpy(info.szFirstName, "Bo");
        std::strcpy(info.szLastName, "B");
        std::strcpy(info.szCallerIdPath, "/p");
        info.mszEmailAddress[0] = 'b';
    }
    switch (type)
    {
    case ULOG_LOG_MISSED:
        info.bCNAPLog = 1;
        info.bVideoShare = 1;
        info.iCallType = ULOG_CALL_CSD;
        info.st2StageDialingInfo.iAddressType = 3;
        std::strcpy(info.st2StageDialingInfo.aliasAddress, "alias");
        info.st2StageDialingInfo.abRest[130] = 0x5A; // opaque bytes travel with the block
        break;
    case ULOG_LOG_MSG_SENT: // a message's content id is not written back (below)
        info.nMsgLogType = 16;
        info.nMsgLogId = 31;
        info.mszSubject[0] = 's';
        info.mszBody[0] = 'b';
        break;
    case ULOG_LOG_EMAIL_SENT:
        info.iSourceType = static_cast<UlogSourceType>(2);
        info.nMsgLogType = 64;
        info.nMsgLogId = 4;
        std::strcpy(info.szEmailDisplayName, "E");
        std::strcpy(info.szSyncId, "S");
        info.mszSubject[0] = 's';
        info.mszBody[0] = 'b';
        info.nContentId = 44;
        std::strcpy(info.szAccountEmailAddress, "A");
        info.nAccountId = 45;
        break;
    case ULOG_LOG_IM_2:
        info.nSpInfo = 2;
        std::strcpy(info.szEmailDisplayName, "I");
        info.mszSubject[0] = 's';
        info.nContentId = 46;
        std::strcpy(info.szAccountEmailAddress, "A");
        info.nAccountId = 47;
        break;
    default: // ULOG_LOG_SNS_1
        info.nSnsSpInfo = 3;
        std::strcpy(info.szSnsPersonId, "P");
        std::strcpy(info.szEmailDisplayName, "N");
        std::strcpy(info.szSyncId, "Y");
        info.mszBody[0] = 'b';
        info.nContentId = 48;
        break;
    }
    return info;
}

// The common values of KindRecord through a log's setters.
void SetCommon(CUlog& log)
{
    log.SetUniqueID(5);
    log.SetSortIndex(6);
    log.SetGroupID(7);
    log.SetParentID(8);
    log.SetTemporary(1);
    log.SetCheckStatus(1);
    log.SetStartTime(4000000000u);
    log.SetEndTime(4000000100u);
    log.SetWiFiTotalTime(1);
    log.SetGsmTotalTime(2);
    log.SetLineType(ULOG_LINE_1);
    log.SetPhoneType(ULOG_PHONE_TYPE_FDN);
    log.SetStorageType(ULOG_STORAGE_EMAIL_LINK);
    log.SetCallCost(9);
    log.SetCtPid(10);
    log.SetCtDataId(11);
    log.SetCtFdnId(12);
    log.SetMyAccountId(13);
    log.SetDuplLogCount(14);
    log.SetDuplLogLastUniqueID(15);
    log.SetIPCallDigitCount(3);
    log.SetBasicNumber("1234");
    log.SetNumber("0011234");
    log.SetDisplayName("Bob");
    log.SetFirstName("Bo");
    log.SetLastName("B");
    log.SetCallerIdPath("/p");
    log.SetEmailAddress(WText(u"b"));
}

class KindRecordTest : public UlogKindsTest, public ::testing::WithParamInterface<UlogLogType>
{
};
} // namespace

// Read into its kind and written into a record full of 0xFF bytes, a record comes back byte for byte:
// every field of the kind is kept, the fields of other kinds and the reserved bytes are cleared. The
// common setters reach the record through every kind as well.
TEST_P(KindRecordTest, RecordsComeBackWholeWithOnlyTheirKindsFields)
{
    const UlogInfo record = KindRecord(GetParam());
    CUlogSvcGenerator generator;
    std::unique_ptr<CUlog> log(generator.Generate(record));
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(std::memcmp(ConvertDirty(*log).get(), &record, sizeof(UlogInfo)), 0);

    // The common setters reach the same fields through every kind.
    std::unique_ptr<CUlog> set(generator.Generate(KindRecord(GetParam(), false)));
    ASSERT_NE(set, nullptr);
    SetCommon(*set);
    EXPECT_EQ(std::memcmp(ConvertDirty(*set).get(), &record, sizeof(UlogInfo)), 0);
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, KindRecordTest,
                         ::testing::Values(ULOG_LOG_MISSED, ULOG_LOG_MSG_SENT, ULOG_LOG_EMAIL_SENT,
                                           ULOG_LOG_IM_2, ULOG_LOG_SNS_1));

TEST_F(UlogKindsTest, MessageContentIdIsReadButNeverWrittenBack)
{
    UlogInfo info;
    std::memset(&info, 0, sizeof(info));
    info.iLogType = ULOG_LOG_MSG_RECEIVED;
    info.nContentId = 55;
    info.nMsgLogType = 16;
    CUlogMsgLog log(info);
    ASSERT_NE(log.GetContentValue(), nullptr);
    EXPECT_EQ(log.GetContentValue()->GetContentId(), 55);

    UlogInfo out;
    log.Convert2UlogInfo(out);
    EXPECT_EQ(out.nContentId, 0);
    EXPECT_EQ(out.nMsgLogType, 16);
    CUlogMsgLog again(out);
    EXPECT_EQ(again.GetContentValue()->GetContentId(), 0);
}

TEST_F(UlogKindsTest, LongTextsAreCutToTheirBuffers)
{
    CUlogCallLog log;
    const std::string name(400, 'n');
    const std::string digits(100, '7');
    log.SetDisplayName(name.c_str());
    log.SetFirstName(name.c_str());
    log.SetLastName(name.c_str());
    log.SetNumber(digits.c_str());
    log.SetBasicNumber(digits.c_str());
    log.SetCallerIdPath(std::string(1000, 'p').c_str());
    log.Set2StageAliasAddress(std::string(200, 'a').c_str());
    log.SetEmailAddress(WText(400, u'e'));
    EXPECT_EQ(TextLengths(log), kTextLimits);
    EXPECT_EQ(std::string(log.GetNumber()), digits.substr(0, 80));

    UlogInfo info;
    log.Convert2UlogInfo(info);
    EXPECT_EQ(std::string(info.szName), name.substr(0, 309));
    EXPECT_EQ(info.szName[309], 0);
    EXPECT_EQ(std::strlen(info.szNumber), 80u);

    CUlogSnsLog sns;
    sns.SetSnsPersonId(std::string(150, 'x').c_str());
    sns.SetSyncId(std::string(150, 'y').c_str());
    sns.SetEmailDisplayName(std::string(500, 'z').c_str());
    CUlogContentValue content;
    content.SetSubject(WText(150, u's'));
    content.SetBody(WText(150, u'b'));
    sns.SetContentValue(&content);
    EXPECT_EQ(std::strlen(sns.GetSnsPersonId()), 99u);
    EXPECT_EQ(std::strlen(sns.GetSyncId()), 99u);
    EXPECT_EQ(std::strlen(sns.GetEmailDisplayName()), 300u);
    EXPECT_EQ(WLen(sns.GetContentValue()->GetSubject(), 1000), 100u);
    EXPECT_EQ(WLen(sns.GetContentValue()->GetBody(), 1000), 100u);
}

TEST_F(UlogKindsTest, RecordsFullOfGarbageAreReadWithinEveryField)
{
    // Every byte 0xFF: no text is terminated. Reads must stay inside each field (AddressSanitizer
    // reports any read past the end of the heap record) and every text comes out cut and terminated.
    auto info = std::make_unique<UlogInfo>();
    std::memset(info.get(), 0xFF, sizeof(UlogInfo));

    CUlogCallLog call;
    call.AssignUlogInfo(*info);
    EXPECT_EQ(TextLengths(call), kTextLimits);
    EXPECT_EQ(call.GetUniqueID(), -1);
    EXPECT_EQ(call.GetCallType(), -1);

    CUlogMsgLog msg(*info);
    EXPECT_EQ(WLen(msg.GetContentValue()->GetSubject(), 1000), 100u);
    EXPECT_EQ(WLen(msg.GetContentValue()->GetBody(), 1000), 100u);

    CUlogEmailLog email(*info);
    EXPECT_EQ(std::strlen(email.GetEmailDisplayName()), 300u);
    EXPECT_EQ(std::strlen(email.GetSyncId()), 99u);
    EXPECT_EQ(std::strlen(email.GetAccountValue()->GetAccountEmailAddress()), 300u);

    CUlogImLog im(*info);
    EXPECT_EQ(std::strlen(im.GetEmailDisplayName()), 300u);
    EXPECT_EQ(std::strlen(im.GetAccountValue()->GetAccountEmailAddress()), 300u);

    CUlogSnsLog sns(*info);
    EXPECT_EQ(std::strlen(sns.GetSnsPersonId()), 99u);
    EXPECT_EQ(std::strlen(sns.GetSyncId()), 99u);

    // Written back, every text is terminated inside its field.
    auto out = std::make_unique<UlogInfo>();
    email.Convert2UlogInfo(*out);
    EXPECT_EQ(out->szName[309], 0);
    EXPECT_EQ(out->szSyncId[99], 0);
    EXPECT_EQ(out->mszEmailAddress[300], 0);
    EXPECT_EQ(out->mszSubject[100], 0);
    call.Convert2UlogInfo(*out);
    EXPECT_EQ(out->st2StageDialingInfo.aliasAddress[128], 0);
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);
}

TEST_F(UlogKindsTest, NullTextsAreRefusedAndLeaveFieldsAlone)
{
    CUlogEmailLog log;
    log.SetNumber("555");
    log.SetNumber(nullptr);
    EXPECT_STREQ(log.GetNumber(), "555");
    EXPECT_TRUE(UlogCtlDiagnosticsContain("ASSERTION_REQUIRE: pszNumber != NULL (UlogSvcLogMgr/Ulog:"));
    log.SetDisplayName(nullptr);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pszName != NULL"));
    log.SetEmailAddress(nullptr);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pmszEmailAddress != NULL"));
    log.SetSyncId("s");
    log.SetSyncId(nullptr);
    EXPECT_STREQ(log.GetSyncId(), "s");
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pszSyncId != NULL"));
    log.SetContentValue(nullptr);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pContentValue != NULL"));
    ASSERT_NE(log.GetContentValue(), nullptr);
    log.GetContentValue()->SetSubject(nullptr);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pmszSubject != NULL"));
    EXPECT_EQ(UlogCtlGetAssertCount(), 6);
}

TEST_F(UlogKindsTest, ValueObjectsAreNeverSharedWithCallersOrCopies)
{
    CUlogEmailLog log;
    CUlogContentValue mine = MakeContent(u"first", u"body", 1);
    log.SetContentValue(&mine);
    ASSERT_NE(log.GetContentValue(), &mine);
    mine.SetSubject(WText(u"changed"));
    mine.SetContentId(2);
    EXPECT_EQ(ToU16(log.GetContentValue()->GetSubject()), u"first");
    EXPECT_EQ(log.GetContentValue()->GetContentId(), 1);

    // Setting a log's own value object again keeps its content.
    log.SetContentValue(log.GetContentValue());
    EXPECT_EQ(ToU16(log.GetContentValue()->GetSubject()), u"first");

    CUlogEmailLog copy(log);
    EXPECT_NE(copy.GetContentValue(), log.GetContentValue());
    EXPECT_NE(copy.GetAccountValue(), log.GetAccountValue());
    copy.GetContentValue()->SetSubject(WText(u"copy"));
    EXPECT_EQ(ToU16(log.GetContentValue()->GetSubject()), u"first");

    CUlogEmailLog assigned;
    assigned = log;
    EXPECT_NE(assigned.GetContentValue(), log.GetContentValue());
    EXPECT_EQ(ToU16(assigned.GetContentValue()->GetSubject()), u"first");
    assigned = assigned; // self-assignment keeps everything
    EXPECT_EQ(ToU16(assigned.GetContentValue()->GetSubject()), u"first");

    // A second Init resets the value objects rather than leaking them.
    assigned.Init();
    EXPECT_EQ(assigned.GetContentValue()->GetContentId(), 0);
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);
}

TEST_F(UlogKindsTest, ClonesAreIndependentCopiesOfTheirKind)
{
    CUlogSnsLog sns;
    sns.SetLogType(ULOG_LOG_SNS_1);
    sns.SetSnsPersonId("p");
    CUlogContentValue content = MakeContent(u"s", u"b", 3);
    sns.SetContentValue(&content);

    std::unique_ptr<CUlog> clone(sns.Clone());
    ASSERT_NE(clone, nullptr);
    auto* snsClone = dynamic_cast<CUlogSnsLog*>(clone.get());
    ASSERT_NE(snsClone, nullptr);
    EXPECT_STREQ(snsClone->GetSnsPersonId(), "p");
    EXPECT_EQ(snsClone->GetContentValue()->GetContentId(), 3);
    snsClone->GetContentValue()->SetContentId(4);
    snsClone->SetSnsPersonId("q");
    EXPECT_EQ(sns.GetContentValue()->GetContentId(), 3);
    EXPECT_STREQ(sns.GetSnsPersonId(), "p");

    // Through the cloneable interface the same kind comes back and can be deleted through it.
    const IUlogCloneable& asCloneable = sns;
    std::unique_ptr<IUlogCloneable> viaInterface(asCloneable.Clone());
    ASSERT_NE(viaInterface, nullptr);
    EXPECT_NE(dynamic_cast<CUlogSnsLog*>(viaInterface.get()), nullptr);

    for (CUlog* p :
         std::initializer_list<CUlog*>{new CUlogCallLog, new CUlogMsgLog, new CUlogEmailLog, new CUlogImLog})
    {
        std::unique_ptr<CUlog> owner(p);
        std::unique_ptr<CUlog> c(p->Clone());
        ASSERT_NE(c, nullptr);
        EXPECT_TRUE(c->IsTypeEqual(*p));
    }

    CUncloneableLog plain;
    EXPECT_EQ(plain.Clone(), nullptr);
    EXPECT_EQ(static_cast<const IUlogCloneable&>(plain).Clone(), nullptr);
}

TEST_F(UlogKindsTest, EmailBasedMessagesNeedAnAddressAndAnEmailType)
{
    auto make = [](int type, bool withAddress)
    {
        CUlogMsgLog log;
        CUlogMsgOwnValue own = MakeOwn(type, 1);
        log.SetMsgOwnValue(&own);
        if (withAddress)
            log.SetEmailAddress(WText(u"x@y"));
        return log.IsEmailBased();
    };
    EXPECT_FALSE(make(32, false));
    EXPECT_FALSE(make(16, true));
    EXPECT_TRUE(make(1024, true));
    EXPECT_TRUE(make(32, true));
    EXPECT_TRUE(make(64, true));
    EXPECT_TRUE(make(2048, true));
    EXPECT_FALSE(make(0, true));
}

using UlogContentRowTest = ulogtest::PlatformTest;

TEST_F(UlogContentRowTest, CallRowFillsEveryCommonAndCallField)
{
    CUlogCallLog log(FullRow(ULOG_LOG_MISSED).Build());
    EXPECT_EQ(log.GetUniqueID(), 100);
    EXPECT_EQ(log.GetSortIndex(), 101);
    EXPECT_EQ(log.GetGroupID(), 102);
    EXPECT_EQ(log.GetParentID(), 103);
    EXPECT_EQ(log.GetStartTime(), 3000000000u);
    EXPECT_EQ(log.GetEndTime(), 105u);
    EXPECT_EQ(log.GetLogType(), ULOG_LOG_MISSED);
    EXPECT_EQ(log.GetCallType(), 109);
    EXPECT_EQ(log.GetLineType(), 110);
    EXPECT_EQ(log.GetPhoneType(), 111);
    EXPECT_EQ(log.GetStorageType(), 112);
    EXPECT_EQ(log.GetCallCost(), 113);
    EXPECT_EQ(log.GetCtPid(), 114);
    EXPECT_EQ(log.GetCtFdnId(), 116);
    EXPECT_EQ(log.GetDuplLogCount(), 118);
    EXPECT_EQ(log.GetDuplLogLastUniqueID(), -1); // never read from a row
    EXPECT_EQ(log.GetIPCallDigitCount(), 145);
    EXPECT_EQ(log.Get2StageDialingInfo()->iAddressType, 119);
    EXPECT_STREQ(log.Get2StageDialingInfo()->aliasAddress, "alias");
    EXPECT_STREQ(log.GetBasicNumber(), "5551234");
    EXPECT_STREQ(log.GetNumber(), "+15551234");
    EXPECT_STREQ(log.GetDisplayName(), "Ann Lee");
    EXPECT_STREQ(log.GetFirstName(), "Ann");
    EXPECT_STREQ(log.GetCallerIdPath(), "/User/Pic/ann.jpg");
    EXPECT_EQ(ToU16(log.GetEmailAddress()), u"ann@example.com");
    EXPECT_EQ(log.IsUncheckedYet(), 1);
    EXPECT_EQ(log.IsTemporary(), 1);
    // Column 21 (isvideoshare) carries the CNAP flag, column 20 (iscnap) the video-share flag.
    EXPECT_EQ(log.IsCnapLog(), 1);
    EXPECT_EQ(log.IsVideoShareLog(), 0);
}

TEST_F(UlogContentRowTest, MissingBaseColumnStopsTheBaseReadButNotTheCallRead)
{
    const CContent row = RowWithout(ULOG_LOG_ORIGINATED, ULOG_DB_FIRST_NAME);

    CUlogCallLog log;
    log.SetCheckStatus(0);
    log.SetTemporary(0);
    EXPECT_EQ(log.CUlog::AssignContent(row), FALSE);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlog::AssignContent - content.GetString(Column = 26) failed"));
    // Read before the failure: kept. After it: the previous values.
    EXPECT_STREQ(log.GetBasicNumber(), "5551234");
    EXPECT_STREQ(log.GetNumber(), "+15551234");
    EXPECT_STREQ(log.GetDisplayName(), "Ann Lee");
    EXPECT_EQ(log.IsUncheckedYet(), 0);
    EXPECT_EQ(log.IsTemporary(), 0);

    // The call kind reports its own result.
    CUlogCallLog other;
    EXPECT_EQ(other.AssignContent(row), TRUE);
    EXPECT_EQ(other.IsCnapLog(), 1);
}

TEST_F(UlogContentRowTest, MissingKindColumnsReportTheColumnAndStop)
{
    CUlogEmailLog email;
    CUlogContentValue before;
    before.SetSubject(WText(u"old"));
    email.SetContentValue(&before);
    EXPECT_EQ(email.AssignContent(RowWithout(ULOG_LOG_EMAIL_SENT, ULOG_DB_SYNC_ID)), FALSE);
    EXPECT_STREQ(email.GetEmailDisplayName(), "Ann L");
    EXPECT_EQ(email.GetSourceType(), -1);
    EXPECT_EQ(ToU16(email.GetContentValue()->GetSubject()), u"old");
    EXPECT_EQ(email.GetMsgOwnValue()->GetMsgLogType(), 0);
    EXPECT_TRUE(
        UlogCtlDiagnosticsContain("CUlogEmailLog::AssignContent - content.GetString(Column = 42) failed"));

    CUlogCallLog call;
    EXPECT_EQ(call.AssignContent(RowWithout(ULOG_LOG_MISSED, ULOG_DB_IS_VIDEO_SHARE)), FALSE);
    EXPECT_TRUE(
        UlogCtlDiagnosticsContain("CUlogCallLog::AssignContent - Content.GetBool(Column = 21) failed"));

    CUlogImLog im;
    EXPECT_EQ(im.AssignContent(RowWithout(ULOG_LOG_IM_1, ULOG_DB_ACCOUNT_EMAIL_ADDRESS)), FALSE);
    EXPECT_EQ(im.GetSpInfo(), 144);
    EXPECT_EQ(im.GetContentValue()->GetContentId(), 138);
    EXPECT_TRUE(
        UlogCtlDiagnosticsContain("CUlogImLog::AssignContent - content.GetString(Column = 40) failed"));

    CUlogSnsLog sns;
    EXPECT_EQ(sns.AssignContent(RowWithout(ULOG_LOG_SNS_2, ULOG_DB_SNS_PERSON_ID)), FALSE);
    EXPECT_EQ(sns.GetSnsSpInfo(), 144);
    EXPECT_TRUE(
        UlogCtlDiagnosticsContain("CUlogSnsLog::AssignContent - content.GetString(Column = 43) failed"));
}

TEST_F(UlogContentRowTest, MessageRowsAlwaysSucceedAndMissingTextsKeepTheOldOnes)
{
    CUlogMsgLog log;
    CUlogContentValue before;
    before.SetSubject(WText(u"kept"));
    log.SetContentValue(&before);
    UlogCtlClearDiagnostics();
    EXPECT_EQ(log.AssignContent(RowWithout(ULOG_LOG_MSG_SENT, ULOG_DB_LOG_SUBJECT)), TRUE);
    EXPECT_EQ(ToU16(log.GetContentValue()->GetSubject()), u"kept");
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pmszSubject != NULL"));
    EXPECT_EQ(ToU16(log.GetContentValue()->GetBody()), u"Body text");
    EXPECT_EQ(log.GetContentValue()->GetContentId(), 138);
    EXPECT_EQ(log.GetMsgOwnValue()->GetMsgLogType(), 130);
    EXPECT_EQ(log.GetMsgOwnValue()->GetMsgLogID(), 131);
}

TEST_F(UlogContentRowTest, GeneratorPicksTheKindByLogType)
{
    CUlogSvcGenerator gen;
    const char* expected[] = {"CUlogCallLog", "CUlogCallLog",  "CUlogCallLog",  "CUlogMsgLog",
                              "CUlogMsgLog",  "CUlogEmailLog", "CUlogEmailLog", "CUlogSnsLog",
                              "CUlogSnsLog",  "CUlogImLog",    "CUlogImLog"};
    for (int type = 0; type < ULOG_LOG_CNT_MAX; ++type)
    {
        UlogInfo info;
        std::memset(&info, 0, sizeof(info));
        info.iLogType = static_cast<UlogLogType>(type);
        std::unique_ptr<CUlog> fromInfo(gen.Generate(info));
        ASSERT_NE(fromInfo, nullptr) << type;
        EXPECT_STREQ(fromInfo->GetLogClass(), expected[type]);
        EXPECT_EQ(fromInfo->GetLogType(), type);

        CUlogSvcDataSet set;
        set.SetLogType(static_cast<UlogLogType>(type));
        std::unique_ptr<CUlog> fromSet(gen.Generate(set));
        ASSERT_NE(fromSet, nullptr);
        EXPECT_STREQ(fromSet->GetLogClass(), expected[type]);

        std::unique_ptr<CUlog> fromRow(gen.Generate(FullRow(type).Build()));
        ASSERT_NE(fromRow, nullptr);
        EXPECT_STREQ(fromRow->GetLogClass(), expected[type]);

        std::unique_ptr<CUlog> copy(gen.Generate(*fromInfo));
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy.get(), fromInfo.get());
        EXPECT_STREQ(copy->GetLogClass(), expected[type]);
    }
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);
}

TEST_F(UlogContentRowTest, GeneratorBuildsNothingForAnUnknownLogType)
{
    CUlogSvcGenerator gen;
    for (int type : {11, -1, 1000})
    {
        UlogCtlClearDiagnostics();
        UlogInfo info;
        std::memset(&info, 0, sizeof(info));
        info.iLogType = static_cast<UlogLogType>(type);
        EXPECT_EQ(gen.Generate(info), nullptr);
        EXPECT_EQ(UlogCtlGetAssertCount(), 1);
        EXPECT_TRUE(UlogCtlDiagnosticsContain("ASSERTION_NEVER_GET_HERE: NEVER_GET_HERE"));
        EXPECT_TRUE(UlogCtlDiagnosticsContain(
            ("CUlogSvcGenerator::Generate: iLogType (" + std::to_string(type) + ")").c_str()));
    }
    CUlogSvcDataSet set;
    set.SetLogType(ULOG_LOG_CNT_MAX);
    EXPECT_EQ(gen.Generate(set), nullptr);
}

TEST_F(UlogContentRowTest, GeneratorRefusesALogWhoseClassDoesNotMatchItsType)
{
    CUlogSvcGenerator gen;
    CUlogMsgLog msg;
    msg.SetLogType(ULOG_LOG_TERMINATED);
    EXPECT_EQ(gen.Generate(msg), nullptr);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pCallLog != NULL"));

    CUlogCallLog call;
    call.SetLogType(ULOG_LOG_IM_1);
    EXPECT_EQ(gen.Generate(call), nullptr);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pImLog != NULL"));
}

TEST_F(UlogContentRowTest, RowWithoutALogTypeGivesACallLogAndAFailedReadStillGivesTheLog)
{
    CUlogSvcGenerator gen;
    std::unique_ptr<CUlog> log(gen.Generate(RowWithout(ULOG_LOG_EMAIL_RECEIVED, ULOG_DB_LOG_TYPE)));
    ASSERT_NE(log, nullptr);
    EXPECT_STREQ(log->GetLogClass(), "CUlogCallLog");

    std::unique_ptr<CUlog> email(gen.Generate(RowWithout(ULOG_LOG_EMAIL_RECEIVED, ULOG_DB_EMAIL_NAME)));
    ASSERT_NE(email, nullptr);
    EXPECT_STREQ(email->GetLogClass(), "CUlogEmailLog");
}
