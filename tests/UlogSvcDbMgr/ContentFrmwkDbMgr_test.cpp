// The content-framework query manager on a real database: reads through the framework come back
// into the service's own query handler and give the logs that were written.
#include "support/PlatformFixture.h"

#include "UlogSvcDbMgr/CUlogDbTestUtil.h"
#include "UlogSvcDbMgr/ContentTestLogs.h"

#include "H/UlogSvcList.h"
#include "H/UlogSvcPtr.h"
#include "KivAppSvcFramework/ContentMgr.h"
#include "KivAppSvcFramework/KivAppSvcFrameworkInternal.h"
#include "KivCore/KivCore.h"
#include "UlogSvcCfPlugin/CUlogQueryHandler.h"
#include "UlogSvcDbMgr/CUlogContentFrmwkDbMgr.h"
#include "UlogSvcLogMgr/CUlogCallLog.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"
#include "UlogSvcLogMgr/CUlogSvcFilterMgr.h"
#include "UlogSvcLogMgr/CUlogSvcGenerator.h"
#include "UlogSvcUtil/CUlogSvcUtil.h"
#include "KivGWESCore/KivGWESCore.h"
#include "control/PlatformControl.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using contenttest::CallSpec;
using contenttest::InsertCall;

namespace
{
class ContentFrmwkDbMgrTest : public ulogtest::PlatformTest
{
protected:
    void SetUp() override
    {
        ulogtest::PlatformTest::SetUp();
        m_mgr = CUlogContentFrmwkDbMgr::Instance();
        ASSERT_NE(m_mgr, nullptr);
        ASSERT_EQ(m_mgr->Init(), 1);
    }

    int Insert(UlogDbTableType type, UlogLogType logType, int sortIndex, const char* number = "0101234567")
    {
        return InsertCall(*m_mgr, type, {.logType = logType, .number = number, .sortIndex = sortIndex});
    }

    CUlogContentFrmwkDbMgr* m_mgr = nullptr;
};

// Offset of the first byte in which two records differ; -1 when they are the same.
int FirstDifference(const UlogInfo& x, const UlogInfo& y)
{
    const unsigned char* px = reinterpret_cast<const unsigned char*>(&x);
    const unsigned char* py = reinterpret_cast<const unsigned char*>(&y);
    for (size_t i = 0; i < sizeof(UlogInfo); ++i)
        if (px[i] != py[i])
            return static_cast<int>(i);
    return -1;
}

} // namespace

TEST_F(ContentFrmwkDbMgrTest, InitCreatesTablesAndRoutesTheLogUrisToTheQueryHandler)
{
    EXPECT_TRUE(Db2CheckTable("UlogDistinctDbTable"));
    EXPECT_TRUE(Db2CheckTable("UlogDuplDbTable"));
    CContentMgr* content = CContentMgr::Instance();
    ASSERT_NE(content, nullptr);
    for (const char* uri : {"ulog/log", "ulog/log/distinct", "ulog/log/dupl/temp"})
        EXPECT_EQ(content->FindFactory(uri), CUlogQueryHandlerFactory::Instance()) << uri;
    EXPECT_EQ(content->FindFactory("ulog/logs"), nullptr);

    EXPECT_EQ(m_mgr->GetTableType(CContentURI("ulog/log/dupl")), ULOG_DB_TABLE_DUPL);
    EXPECT_EQ(m_mgr->GetTableType(CContentURI("ulog/log/dupl/temp")), ULOG_DB_TABLE_DUPL);
    EXPECT_EQ(m_mgr->GetTableType(CContentURI("ulog/log/distinct/temp")), ULOG_DB_TABLE_DISTINCT);
    EXPECT_EQ(m_mgr->GetTableType(CContentURI("ulog/log")), ULOG_DB_TABLE_DISTINCT);
    EXPECT_EQ(m_mgr->GetTableType(CContentURI("ulog/log/duplx")), ULOG_DB_TABLE_DISTINCT);
    EXPECT_STREQ(CUlogContentFrmwkDbMgr::GetTableUri(ULOG_DB_TABLE_DUPL), "ulog/log/dupl");
    EXPECT_STREQ(CUlogContentFrmwkDbMgr::GetSingleLogUri(ULOG_DB_TABLE_DISTINCT), "ulog/log/distinct/temp");
}

// Single reads through the framework (first, last, by type and id: through the log managers and the
// exported functions); what only this level shows: each table on its own, and a missing condition.
TEST_F(ContentFrmwkDbMgrTest, SingleLogReadsFindTheRowOrGiveNull)
{
    ASSERT_EQ(Insert(ULOG_DB_TABLE_DISTINCT, ULOG_LOG_MISSED, 8, "222"), 1);
    CUlogPtr<CUlog> byId(m_mgr->GetUlogByUniqueID(1, ULOG_DB_TABLE_DISTINCT));
    ASSERT_TRUE(byId.IsValidPtr());
    EXPECT_STREQ(byId->GetNumber(), "222");
    UlogCtlClearDiagnostics();
    EXPECT_EQ(m_mgr->GetUlogByUniqueID(5, ULOG_DB_TABLE_DISTINCT), nullptr);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogContentFrmwkDbMgr::GetULOG: GetContent() failed.\n"));
    EXPECT_EQ(m_mgr->GetUlogByUniqueID(1, ULOG_DB_TABLE_DUPL), nullptr); // the other table
    EXPECT_EQ(m_mgr->GetULOG(nullptr, ULOG_DB_TABLE_DISTINCT), nullptr);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pszFilter != NULL"));
}

TEST_F(ContentFrmwkDbMgrTest, LastLogOfAFilterKeepsTheWholeFilterTogether)
{
    Insert(ULOG_DB_TABLE_DUPL, ULOG_LOG_MSG_RECEIVED, 17);
    Insert(ULOG_DB_TABLE_DUPL, ULOG_LOG_MSG_RECEIVED, 4);
    Insert(ULOG_DB_TABLE_DUPL, ULOG_LOG_ORIGINATED, 30);
    CUlogSvcFilter filter;
    ASSERT_TRUE(filter.SetFilter("logtype", 4));
    CUlogPtr<CUlog> last(m_mgr->GetLastUlog(filter, ULOG_DB_TABLE_DUPL));
    ASSERT_TRUE(last.IsValidPtr());
    EXPECT_EQ(last->GetSortIndex(), 17);
    EXPECT_EQ(last->GetLogType(), ULOG_LOG_MSG_RECEIVED);

    // An "or" in the filter: the newest row of either type, not a row of the first type.
    Insert(ULOG_DB_TABLE_DISTINCT, ULOG_LOG_ORIGINATED, 3);
    Insert(ULOG_DB_TABLE_DISTINCT, ULOG_LOG_MISSED, 9);
    CUlogSvcFilter either("logtype = 0 or logtype = 2");
    CUlogPtr<CUlog> newest(m_mgr->GetLastUlog(either, ULOG_DB_TABLE_DISTINCT));
    ASSERT_TRUE(newest.IsValidPtr());
    EXPECT_EQ(newest->GetSortIndex(), 9);

    // A long filter is not cut (a cut condition would select another row or fail).
    std::string longText = "logtype = 0";
    while (longText.size() < 200)
        longText += " and groupid = 1";
    CUlogPtr<CUlog> longLast(m_mgr->GetLastUlog(CUlogSvcFilter(longText), ULOG_DB_TABLE_DISTINCT));
    ASSERT_TRUE(longLast.IsValidPtr());
    EXPECT_EQ(longLast->GetSortIndex(), 3);

    // A filter with a bound argument keeps its argument.
    Insert(ULOG_DB_TABLE_DISTINCT, ULOG_LOG_ORIGINATED, 11, "999");
    CUlogPtr<CUlog> lastOfNumber(
        m_mgr->GetLastUlog(ulogdbtest::ByNumber("0101234567"), ULOG_DB_TABLE_DISTINCT));
    ASSERT_TRUE(lastOfNumber.IsValidPtr());
    EXPECT_EQ(lastOfNumber->GetSortIndex(), 9);
}

// Lists of the framework in their orders (whole tables, types and extremes are read through the log
// managers and the exported functions): a filter's own order, and a failing extreme.
TEST_F(ContentFrmwkDbMgrTest, ListsAreOrderedAndFiltered)
{
    const int sorts[] = {5, 1, 9, 3, 7};
    for (int i = 0; i < 5; ++i)
        Insert(ULOG_DB_TABLE_DISTINCT, i % 2 ? ULOG_LOG_MISSED : ULOG_LOG_ORIGINATED, sorts[i]);
    CUlogSvcFilter filter = ulogdbtest::Where("logtype", 0);
    filter.SetOrder(CUlogSvcOrder("sortindex asc"));
    EXPECT_EQ(ulogdbtest::SortIndexes(m_mgr->GetUlogs(filter, ULOG_DB_TABLE_DISTINCT)),
              (std::vector<int>{5, 7, 9}));

    UlogCtlClearDiagnostics();
    UlogCtlFailNextSql(1);
    EXPECT_EQ(m_mgr->GetMin(ULOG_DB_SORT_INDEX, ULOG_DB_TABLE_DISTINCT), nullptr);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogContentFrmwkDbMgr::GetMax: GetMin() failed!\n"));
}

TEST_F(ContentFrmwkDbMgrTest, CountAndDeleteByFilterGoThroughTheFramework)
{
    for (int i = 1; i <= 6; ++i)
        Insert(ULOG_DB_TABLE_DUPL, i % 3 ? ULOG_LOG_ORIGINATED : ULOG_LOG_MISSED, i, i % 2 ? "111" : "222");
    CUlogSvcFilter all;
    EXPECT_EQ(m_mgr->GetCount(all, ULOG_DB_TABLE_DUPL), 6);
    EXPECT_EQ(m_mgr->GetCount(all, ULOG_DB_TABLE_DISTINCT), 0);

    const CUlogSvcFilter byNumber = ulogdbtest::ByNumber("111");
    EXPECT_EQ(m_mgr->GetCount(byNumber, ULOG_DB_TABLE_DUPL), 3);
    EXPECT_EQ(m_mgr->Delete(byNumber, ULOG_DB_TABLE_DUPL), 1);
    EXPECT_EQ(m_mgr->GetCount(byNumber, ULOG_DB_TABLE_DUPL), 0);
    EXPECT_EQ(m_mgr->GetCount(all, ULOG_DB_TABLE_DUPL), 3);

    const CUlogSvcFilter missed = ulogdbtest::Where("logtype", 2);
    EXPECT_EQ(m_mgr->GetCount(missed, ULOG_DB_TABLE_DUPL), 1); // sort 6 ("222")
    UlogCtlFailNextSql(1);
    EXPECT_EQ(m_mgr->Delete(missed, ULOG_DB_TABLE_DUPL), 0);
    EXPECT_EQ(m_mgr->GetCount(missed, ULOG_DB_TABLE_DUPL), 1);
    UlogCtlFailNextSql(1);
    EXPECT_EQ(m_mgr->GetCount(missed, ULOG_DB_TABLE_DUPL), -1);
}

TEST_F(ContentFrmwkDbMgrTest, WithoutTheFrameworkTablesAreMadeAndReadsFail)
{
    ASSERT_TRUE(UlogCtlReset(m_root.c_str())); // an empty database again
    UlogCtlCaptureDiagnostics(TRUE);
    kiv::appsvc::SetContentMgrAvailable(false);
    m_mgr->Init();
    EXPECT_TRUE(Db2CheckTable("UlogDistinctDbTable"));
    EXPECT_TRUE(Db2CheckTable("UlogDuplDbTable"));
    EXPECT_EQ(m_mgr->InitContent(), 0);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pCotentMgr != NULL"));
    Insert(ULOG_DB_TABLE_DISTINCT, ULOG_LOG_ORIGINATED, 1); // writes are direct
    EXPECT_EQ(m_mgr->GetCount(CUlogSvcFilter(), ULOG_DB_TABLE_DISTINCT), -1);
    EXPECT_EQ(m_mgr->GetUlogByUniqueID(1, ULOG_DB_TABLE_DISTINCT), nullptr);
    EXPECT_EQ(m_mgr->Delete(CUlogSvcFilter(), ULOG_DB_TABLE_DISTINCT), 0);
    // A list that cannot be read is no list, never an empty one.
    EXPECT_EQ(m_mgr->GetAllUlog(ULOG_DB_TABLE_DISTINCT), nullptr);
    EXPECT_EQ(m_mgr->GetAllUlog(ULOG_LOG_ORIGINATED, ULOG_DB_TABLE_DISTINCT), nullptr);
    EXPECT_EQ(m_mgr->GetUlogs(CUlogSvcFilter(), ULOG_DB_TABLE_DISTINCT), nullptr);
    kiv::appsvc::SetContentMgrAvailable(true);
}

// The filter manager's table and column names come from the query manager, and filters built from them
// select the rows.
TEST_F(ContentFrmwkDbMgrTest, FilterManagerNamesComeFromTheQueryManagerAndSelectTheRows)
{
    CUlogSvcFilterMgr* fm = CUlogSvcFilterMgr::Instance();
    ASSERT_NE(fm, nullptr);
    EXPECT_EQ(CUlogSvcFilterMgr::Instance(), fm);
    EXPECT_EQ(fm->GetTableName(ULOG_DB_TABLE_DISTINCT), "UlogDistinctDbTable");
    EXPECT_EQ(fm->GetTableName(ULOG_DB_TABLE_DUPL), "UlogDuplDbTable");
    EXPECT_EQ(fm->GetFieldName(ULOG_DB_ULOG_DB_INDEX, ULOG_DB_TABLE_DUPL), "clogdbindex");
    EXPECT_EQ(fm->GetFieldName(20, ULOG_DB_TABLE_DISTINCT), "iscnap");
    EXPECT_EQ(fm->GetFieldName(21, ULOG_DB_TABLE_DISTINCT), "isvideoshare");
    EXPECT_EQ(fm->GetFieldName(45, ULOG_DB_TABLE_DISTINCT), "ipcalldigitcount");
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);

    InsertCall(*m_mgr, ULOG_DB_TABLE_DISTINCT, {.logType = ULOG_LOG_MISSED, .cnap = true});
    InsertCall(*m_mgr, ULOG_DB_TABLE_DISTINCT, {.sortIndex = 2});
    CUlogSvcFilter missed;
    missed.SetFilter(fm->GetFieldName(ULOG_DB_LOG_TYPE, ULOG_DB_TABLE_DISTINCT), 2);
    EXPECT_EQ(m_mgr->GetCount(missed, ULOG_DB_TABLE_DISTINCT), 1);
    // The CNAP flag lives in the column of identifier 21.
    CUlogSvcFilter cnap;
    cnap.SetFilter(fm->GetFieldName(21, ULOG_DB_TABLE_DISTINCT), 1);
    EXPECT_EQ(m_mgr->GetCount(cnap, ULOG_DB_TABLE_DISTINCT), 1);
    CUlogSvcFilter number;
    number.SetFilter(fm->GetFieldName(ULOG_DB_BASIC_NUMBER, ULOG_DB_TABLE_DISTINCT),
                     std::string("0101234567"));
    EXPECT_EQ(number.GetFilter(), "basicnumber = '0101234567'");
    EXPECT_EQ(m_mgr->GetCount(number, ULOG_DB_TABLE_DISTINCT), 2);
}

TEST_F(ContentFrmwkDbMgrTest, WithoutAQueryManagerFilterNamesAreEmptyAndReported)
{
    CUlogSvcFilterMgr fm(nullptr);
    EXPECT_EQ(fm.GetTableName(ULOG_DB_TABLE_DISTINCT), "");
    EXPECT_EQ(fm.GetFieldName(8, ULOG_DB_TABLE_DISTINCT), "");
    EXPECT_EQ(UlogCtlGetAssertCount(), 2);
    EXPECT_TRUE(
        UlogCtlDiagnosticsContain("ASSERTION_REQUIRE: m_pDbMgr != NULL (UlogSvcLogMgr/UlogSvcFilterMgr:"));
}

// A log of each kind with every field of its own set, written and read back, then written and read
// again: what was written comes back, and a read and write changes nothing.
class ContentRoundTripTest : public ContentFrmwkDbMgrTest, public ::testing::WithParamInterface<UlogLogType>
{
};

TEST_P(ContentRoundTripTest, EveryFieldOfTheKindSurvivesAReadAndAWrite)
{
    const UlogLogType kind = GetParam();
    const UlogDbTableType table = kind == ULOG_LOG_ORIGINATED ? ULOG_DB_TABLE_DISTINCT : ULOG_DB_TABLE_DUPL;
    UlogInfo in = contenttest::MakeInfo(CallSpec{});
    in.iLogType = kind;
    in.bCNAPLog = 1;
    in.bVideoShare = 0;
    in.bUncheckedYet = 1;
    in.iCallType = ULOG_CALL_VIDEO;
    in.nCallCost = 77;
    in.nPersonId = 12;
    in.nCtDataId = 13;
    in.nCtFdnId = 14;
    in.nMyAccountId = 15;
    in.nDuplLogCount = 4;
    in.tmWiFiTotal = 3000000000u; // above the signed range
    in.nMsgLogType = 3;
    in.nMsgLogId = 4242;
    in.iSourceType = static_cast<UlogSourceType>(1);
    in.nAccountId = 9;
    in.nContentId = 31;
    in.nSnsSpInfo = 5;
    in.nSpInfo = 6;
    in.nIPCallDigitCount = 5;
    in.st2StageDialingInfo.iAddressType = 1;
    std::strcpy(in.st2StageDialingInfo.aliasAddress, "a1");
    std::strcpy(in.szName, "Ann O'Neil");
    std::strcpy(in.szCallerIdPath, "/User/Pics/a%b.jpg");
    std::strcpy(in.szEmailDisplayName, "Bo's mail");
    std::strcpy(in.szAccountEmailAddress, "me@example.org");
    std::strcpy(in.szSyncId, "thread.17");
    std::strcpy(in.szSnsPersonId, "person-8");
    WmConvert2PCode(in.mszEmailAddress, ULOG_EMAIL_ADDRESS_LEN, "bo@example.org");
    WmConvert2PCode(in.mszSubject, ULOG_SUBJECT_LEN, "Subject 100%");
    WmConvert2PCode(in.mszBody, ULOG_BODY_LEN, "Body text");
    // The stored basic number is the one a write derives from the number.
    ASSERT_TRUE(CUlogSvcUtil::ExtractBasicNum(in.szNumber, in.szBasicNumber, in.nIPCallDigitCount));
    CUlogSvcGenerator generator;
    CUlogPtr<CUlog> log(generator.Generate(in));
    ASSERT_TRUE(log.IsValidPtr());
    ASSERT_TRUE(m_mgr->Insert(*log.Get(), table));

    CUlogPtr<CUlog> first(m_mgr->GetUlogByUniqueID(log->GetUniqueID(), table));
    ASSERT_TRUE(first.IsValidPtr());
    EXPECT_STREQ(first->GetLogClass(), log->GetLogClass());
    UlogInfo a, written;
    ASSERT_TRUE(first->Convert2UlogInfo(a));
    ASSERT_TRUE(log->Convert2UlogInfo(written));
    ASSERT_TRUE(m_mgr->Update(*first.Get(), table));
    CUlogPtr<CUlog> second(m_mgr->GetUlogByUniqueID(log->GetUniqueID(), table));
    ASSERT_TRUE(second.IsValidPtr());
    UlogInfo b;
    ASSERT_TRUE(second->Convert2UlogInfo(b));
    written.nDuplLogLastUniqueId = a.nDuplLogLastUniqueId; // no column holds it
    EXPECT_EQ(FirstDifference(written, a), -1);
    EXPECT_EQ(FirstDifference(a, b), -1);
    if (kind == ULOG_LOG_ORIGINATED) // the two flags, which trade columns, each come back as written
    {
        EXPECT_TRUE(b.bCNAPLog == 1 && b.bVideoShare == 0 && b.tmWiFiTotal == 3000000000u);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, ContentRoundTripTest,
                         ::testing::Values(ULOG_LOG_ORIGINATED, ULOG_LOG_MSG_SENT, ULOG_LOG_EMAIL_RECEIVED,
                                           ULOG_LOG_SNS_2, ULOG_LOG_IM_1));
