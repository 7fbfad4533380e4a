// The filter manager: table and column names for filters, and filters built from them.
#include "support/PlatformFixture.h"

#include "UlogSvcDbMgr/ContentTestLogs.h"

#include "UlogSvcDbMgr/CUlogContentFrmwkDbMgr.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"
#include "UlogSvcLogMgr/CUlogSvcFilterMgr.h"
#include "control/PlatformControl.h"

using ContentFilterMgrTest = ulogtest::PlatformTest;

TEST_F(ContentFilterMgrTest, NamesComeFromTheQueryManager)
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
}

TEST_F(ContentFilterMgrTest, WithoutAQueryManagerNamesAreEmptyAndReported)
{
    CUlogSvcFilterMgr fm(nullptr);
    EXPECT_EQ(fm.GetTableName(ULOG_DB_TABLE_DISTINCT), "");
    EXPECT_EQ(fm.GetFieldName(8, ULOG_DB_TABLE_DISTINCT), "");
    EXPECT_EQ(UlogCtlGetAssertCount(), 2);
    EXPECT_TRUE(
        UlogCtlDiagnosticsContain("ASSERTION_REQUIRE: m_pDbMgr != NULL (UlogSvcLogMgr/UlogSvcFilterMgr:"));
}

TEST_F(ContentFilterMgrTest, FiltersBuiltFromItsNamesSelectTheRows)
{
    CUlogContentFrmwkDbMgr* db = CUlogContentFrmwkDbMgr::Instance();
    ASSERT_EQ(db->Init(), 1);
    contenttest::InsertCall(*db, ULOG_DB_TABLE_DISTINCT, {.logType = ULOG_LOG_MISSED, .cnap = true});
    contenttest::InsertCall(*db, ULOG_DB_TABLE_DISTINCT, {.sortIndex = 2});

    CUlogSvcFilterMgr* fm = CUlogSvcFilterMgr::Instance();
    CUlogSvcFilter missed;
    missed.SetFilter(fm->GetFieldName(ULOG_DB_LOG_TYPE, ULOG_DB_TABLE_DISTINCT), 2);
    EXPECT_EQ(db->GetCount(missed, ULOG_DB_TABLE_DISTINCT), 1);
    // The CNAP flag lives in the column of identifier 21.
    CUlogSvcFilter cnap;
    cnap.SetFilter(fm->GetFieldName(21, ULOG_DB_TABLE_DISTINCT), 1);
    EXPECT_EQ(db->GetCount(cnap, ULOG_DB_TABLE_DISTINCT), 1);
    CUlogSvcFilter number;
    number.SetFilter(fm->GetFieldName(ULOG_DB_BASIC_NUMBER, ULOG_DB_TABLE_DISTINCT),
                     std::string("0101234567"));
    EXPECT_EQ(number.GetFilter(), "basicnumber = '0101234567'");
    EXPECT_EQ(db->GetCount(number, ULOG_DB_TABLE_DISTINCT), 2);
}
