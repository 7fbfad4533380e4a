// The log query handler: the rows it serves, by either read path, and its statements.
#include "support/PlatformFixture.h"

#include "UlogSvcDbMgr/CUlogDbTestUtil.h"
#include "UlogSvcDbMgr/ContentTestLogs.h"

#include "KivAppSvcFramework/ContentMgr.h"
#include "KivCore/KivCore.h"
#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvcCfPlugin/CUlogQueryHandler.h"
#include "UlogSvcDbMgr/CUlogContentFrmwkDbMgr.h"
#include "control/PlatformControl.h"

#include <memory>
#include <string>
#include <vector>

using contenttest::InsertCall;

namespace
{
std::string Narrow(const WCHAR* w)
{
    char buf[700] = {0};
    if (w != nullptr)
        WmConvert2LCode(buf, sizeof(buf), w);
    return buf;
}

class QueryHandlerTest : public ulogtest::PlatformTest
{
protected:
    void SetUp() override
    {
        ulogtest::PlatformTest::SetUp();
        m_mgr = CUlogContentFrmwkDbMgr::Instance();
        ASSERT_EQ(m_mgr->Init(), 1);
    }

    std::unique_ptr<IContentHandler> Handler(const char* uri, const CContentFilter& filter)
    {
        return std::unique_ptr<IContentHandler>(
            CUlogQueryHandlerFactory::Instance()->CreateHandler(uri, &filter));
    }

    static CContentFilter Filter(const std::string& where, const std::string& order = "",
                                 std::vector<const WCHAR*> args = {})
    {
        return CContentFilter(std::vector<std::string>(), where, args, order);
    }

    CUlogContentFrmwkDbMgr* m_mgr = nullptr;
};

int IntAt(const CContent& row, int column)
{
    int v = -12345;
    EXPECT_TRUE(row.GetInt(column, v)) << "column " << column;
    return v;
}
} // namespace

TEST_F(QueryHandlerTest, DeclaresFortySixColumnsAndNamesItsTable)
{
    auto distinct = Handler("ulog/log/distinct/temp", Filter(""));
    auto dupl = Handler("ulog/log/dupl", Filter(""));
    ASSERT_TRUE(distinct && dupl);
    EXPECT_EQ(distinct->GetTableName(), "UlogDistinctDbTable");
    EXPECT_EQ(dupl->GetTableName(), "UlogDuplDbTable");
    EXPECT_EQ(dupl->GetKeyName(), "clogdbindex");
    EXPECT_EQ(dupl->GetSequenceKeyName(), "");
    std::vector<CContentURIInput> inputs;
    EXPECT_EQ(dupl->Insert(inputs), -1);

    std::vector<ContentColumnType> types;
    EXPECT_EQ(dupl->GetColumnTypes(types), 1);
    ASSERT_EQ(types.size(), 46u);
    const int expected[46] = {5,  5,  5,  5,  7,  7,  7, 7, 5,  5,  5,  5,  5,  5,  5, 5,
                              5,  5,  5,  5,  1,  1,  1, 1, 11, 11, 11, 11, 11, 12, 5, 5,
                              11, 12, 12, 12, 12, 12, 5, 5, 11, 5,  11, 11, 5,  5};
    for (int c = 0; c < 46; ++c)
        EXPECT_EQ(static_cast<int>(types[static_cast<size_t>(c)]), expected[c]) << "column " << c;
}

TEST_F(QueryHandlerTest, ServesAWindowOfRowsInIdentifierOrder)
{
    for (int i = 1; i <= 25; ++i)
    {
        ASSERT_EQ(InsertCall(*m_mgr, ULOG_DB_TABLE_DUPL, {.sortIndex = i}), i);
    }
    auto h = Handler("ulog/log/dupl", Filter(""));
    std::vector<CContent> rows;
    const int before = UlogCtlGetSqlStatementCount();
    ASSERT_EQ(h->GetContents(0, 20, rows), 1);
    EXPECT_EQ(UlogCtlGetSqlStatementCount() - before, 1);
    ASSERT_EQ(rows.size(), 20u);
    ASSERT_EQ(rows[0].GetCount(), 46);
    // Types as declared; the dummy string comes as empty narrow text.
    EXPECT_EQ(rows[0].GetColumnType(4), CONTENT_COLUMN_TYPE_TIME);
    unsigned int start = 0;
    ASSERT_TRUE(rows[0].GetUInt32(4, start));
    EXPECT_EQ(start, 1700000001u);
    EXPECT_EQ(rows[0].GetColumnType(29), CONTENT_COLUMN_TYPE_STRING);
    ASSERT_NE(rows[0].GetString(29), nullptr);
    EXPECT_STREQ(rows[0].GetString(29), "");
    EXPECT_EQ(Narrow(rows[0].GetNString(35)), "0101234567");

    // The rest of the table from a later start.
    rows.clear();
    ASSERT_EQ(h->GetContents(20, 20, rows), 1);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(IntAt(rows[0], 0), 21);
}

TEST_F(QueryHandlerTest, AppliesWhereAndOrderTexts)
{
    for (int i = 1; i <= 6; ++i)
    {
        InsertCall(*m_mgr, ULOG_DB_TABLE_DISTINCT,
                   {.logType = (i % 2) ? ULOG_LOG_MISSED : ULOG_LOG_ORIGINATED, .sortIndex = i * 10});
    }
    auto h = Handler("ulog/log/distinct/temp", Filter("logtype = 2", "sortindex desc"));
    std::vector<CContent> rows;
    ASSERT_EQ(h->GetContents(0, 20, rows), 1);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(IntAt(rows[0], 1), 50);
    EXPECT_EQ(IntAt(rows[1], 1), 30);
    EXPECT_EQ(IntAt(rows[2], 1), 10);
    EXPECT_EQ(h->GetCount(), 3);

    // Nothing matching: the failure result and its message.
    auto none = Handler("ulog/log/distinct", Filter("logtype = 9"));
    rows.clear();
    UlogCtlClearDiagnostics();
    EXPECT_EQ(none->GetContents(0, 20, rows), 0);
    EXPECT_TRUE(rows.empty());
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogQueryHandler::nRowCnt (0)!\n"));
    // A failing statement likewise, and the engine is usable afterwards.
    UlogCtlFailNextSql(1);
    EXPECT_EQ(h->GetContents(0, 20, rows), 0);
    EXPECT_EQ(h->GetContents(0, 1, rows), 1);
}

TEST_F(QueryHandlerTest, BoundArgumentRowsMatchTheHandlersOwnRowsColumnForColumn)
{
    const int id = InsertCall(*m_mgr, ULOG_DB_TABLE_DISTINCT,
                              {.number = "+44 20 7946", .cnap = true, .firstName = "Ann", .lastName = "Lee"});
    ASSERT_GT(id, 0);

    for (int order : {0, 1})
    {
        UlogCtlSetNvInt(1417, order);
        std::vector<CContent> own;
        auto byText = Handler("ulog/log/distinct/temp", Filter("clogdbindex = " + std::to_string(id)));
        ASSERT_EQ(byText->GetContents(0, 1, own), 1);
        const std::u16string number = ulogdbtest::W("+44 20 7946");
        std::vector<CContent> bound;
        auto byArg = Handler("ulog/log/distinct/temp", Filter("lognumber = ?", "", {ulogdbtest::P(number)}));
        // Only a statement with the argument bound finds the row.
        ASSERT_EQ(byArg->GetContents(0, 1, bound), 1);
        ASSERT_EQ(own.size(), 1u);
        ASSERT_EQ(bound.size(), 1u);
        ASSERT_EQ(own[0].GetCount(), 46);
        ASSERT_EQ(bound[0].GetCount(), 46);
        for (int c = 0; c < 46; ++c)
        {
            EXPECT_EQ(own[0].GetColumnType(c), bound[0].GetColumnType(c)) << "column " << c;
            int a = 0, b = 0;
            if (own[0].GetInt(c, a))
            {
                ASSERT_TRUE(bound[0].GetInt(c, b)) << "column " << c;
                EXPECT_EQ(a, b) << "column " << c;
            }
            else if (own[0].GetString(c) != nullptr)
            {
                ASSERT_NE(bound[0].GetString(c), nullptr) << "column " << c;
                EXPECT_STREQ(own[0].GetString(c), bound[0].GetString(c)) << "column " << c;
            }
            else
            {
                EXPECT_EQ(Narrow(own[0].GetNString(c)), Narrow(bound[0].GetNString(c))) << "column " << c;
            }
        }
        EXPECT_EQ(Narrow(bound[0].GetNString(34)), order == 0 ? "Ann Lee" : "Lee Ann");
        int cnap = 0;
        ASSERT_TRUE(bound[0].GetBool(21, cnap));
        EXPECT_EQ(cnap, 1);
    }
    // Every statement of the bound path was destroyed (handles take the lowest free slot).
    const int h = Db2StmtCreate("select count(*) from UlogDistinctDbTable");
    EXPECT_EQ(h, 1);
    Db2StmtDestroy(h);
}

TEST_F(QueryHandlerTest, DisplayNameFollowsTheNameOrderOrKeepsTheStoredName)
{
    InsertCall(*m_mgr, ULOG_DB_TABLE_DISTINCT, {.firstName = "Ann", .lastName = "Lee", .name = "Stored"});
    InsertCall(*m_mgr, ULOG_DB_TABLE_DISTINCT, {.sortIndex = 2, .lastName = "Lee"});
    InsertCall(*m_mgr, ULOG_DB_TABLE_DISTINCT, {.sortIndex = 3, .name = "Kept Name"});

    auto names = [&]()
    {
        auto h = Handler("ulog/log/distinct", Filter("", "sortindex"));
        std::vector<CContent> rows;
        EXPECT_EQ(h->GetContents(0, 10, rows), 1);
        std::vector<std::string> out;
        for (const CContent& r : rows)
            out.push_back(Narrow(r.GetNString(34)));
        return out;
    };
    UlogCtlSetNvInt(1417, 1);
    EXPECT_EQ(names(), (std::vector<std::string>{"Lee Ann", "Lee", "Kept Name"}));
    UlogCtlSetNvInt(1417, 0);
    EXPECT_EQ(names(), (std::vector<std::string>{"Ann Lee", "Lee", "Kept Name"}));
    // Another order value keeps the first name alone.
    UlogCtlSetNvInt(1417, 5);
    EXPECT_EQ(names(), (std::vector<std::string>{"Ann", "Lee", "Kept Name"}));
}
