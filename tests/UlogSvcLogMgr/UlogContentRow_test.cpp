// Log entries read from content-framework rows, and the generator that picks the kind.
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

#include <cstring>
#include <memory>

using ulogtest::FullRow;
using ulogtest::RowWithout;
using ulogtest::ToU16;
using ulogtest::WText;

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
