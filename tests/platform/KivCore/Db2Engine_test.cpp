// The SQL engine: return conventions, current results, the statement API, text widths, threads and
// fault injection.
#include "Db2TestUtil.h"
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"
#include "control/PlatformControl.h"
#include "support/DataFiles.h"
#include "support/PlatformFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace
{
using db2test::Next;
using db2test::ParamKinds;
using db2test::Select;

class Db2EngineTest : public ulogtest::PlatformTest
{
protected:
    void SetUp() override
    {
        ulogtest::PlatformTest::SetUp();
        ASSERT_EQ(Db2QueryEx("create table people ( id int primary key, age int, nick varchar(20), "
                             "wname nvarchar(9), score real )"),
                  0);
    }
};

TEST_F(Db2EngineTest, ReturnConventions)
{
    // Writes give the rows changed; nothing matched gives 0; a query gives its row count.
    EXPECT_EQ(Db2QueryEx("insert into people values (%d, %d, '%s', n'', 1.5)", 1, 30, "ann"), 1);
    EXPECT_EQ(Db2QueryEx("insert into people values (2, 41, 'bob', N'', 2.5)"), 1);
    EXPECT_EQ(Db2QueryEx("insert into people values (3, 41, 'cy', '', 0)"), 1);
    EXPECT_EQ(Db2QueryEx("update people set age = 42 where age = %d", 41), 2);
    EXPECT_EQ(Db2QueryEx("update people set age = 1 where id = 99"), 0);
    EXPECT_EQ(Db2QueryEx("delete from people where id = 99"), 0);
    EXPECT_EQ(Db2QueryEx("select * from people where age = 42"), 2);
    Db2ClearRow();
    EXPECT_EQ(Db2QueryEx("select * from people where age = 1000"), 0);
    Db2ClearRow();
    EXPECT_EQ(Db2QueryEx("delete from people where id = %d", 3), 1);

    // Failures are -1 and leave a diagnostic naming the engine's message.
    EXPECT_EQ(Db2QueryEx("select * from no_such_table"), -1);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("no such table"));
    EXPECT_EQ(Db2QueryEx("insert into people values (1, 0, 'dup', '', 0)"), -1); // primary key taken
    EXPECT_EQ(Db2QueryEx("this is not sql"), -1);
    EXPECT_EQ(Db2QueryEx("create table people ( id int )"), -1);
    EXPECT_EQ(Db2QueryEx(nullptr), -1);
    // Two statements in one text are refused rather than half run.
    EXPECT_EQ(Db2QueryEx("delete from people; drop table people"), -1);
    EXPECT_TRUE(Db2CheckTable("people"));
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from people"), 2);

    // Commit and rollback outside a transaction are harmless.
    EXPECT_EQ(Db2Commit(), 0);
    EXPECT_EQ(Db2Rollback(), 0);
}

TEST_F(Db2EngineTest, StatementsDifferingOnlyInValuesKeepTheirOwnValues)
{
    // Texts that share one compiled form (values lifted out) must still see their own values.
    for (int i = 1; i <= 6; ++i)
        ASSERT_EQ(Db2QueryEx("insert into people values (%d, %d, '%s', '', %d.5)", i, i * 10,
                             i % 2 ? "o''dd" : "even%", i),
                  1);
    for (int round = 0; round < 2; ++round)
        for (int i = 1; i <= 6; ++i)
            EXPECT_EQ(Select("nnn", "select age, nick, score from people where id = %d", i),
                      "1: " + std::to_string(i * 10) + (i % 2 ? "|o'dd|" : "|even%|") + std::to_string(i) +
                          ".5");
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from people where nick = 'o''dd'"), 3);
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from people where nick = 'even%%'"), 3);
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from people where age between 20 and 40"), 3);
    // Positional group and order lists keep their meaning.
    EXPECT_EQ(Select("nn", "select nick, sum(age) from people group by 1 order by 2 desc"),
              "2: even%|120; o'dd|90");
    // A text whose values cannot be lifted (a quoted column alias) still runs as written.
    EXPECT_EQ(Select("nn", "select nick 'n', 7 from people where id = 2"), "1: even%|7");
    // Integer columns divide as integers, and literal arithmetic stays integral.
    EXPECT_EQ(Db2QueryRecordCount("select sum(age / 7) from people"), 1 + 2 + 4 + 5 + 7 + 8);
    EXPECT_EQ(Db2QueryRecordCount("select 7 / 2"), 3);
}

TEST_F(Db2EngineTest, ManyOpenStatementsKeepTheirOwnValues)
{
    ASSERT_EQ(Db2QueryEx("insert into people values (1, 5, 'a', '', 0)"), 1);
    // More open statements than the engine keeps compiled, all of one shape with different values.
    std::vector<int> handles;
    for (int k = 0; k < 100; ++k)
    {
        handles.push_back(
            Db2StmtCreate("select age + %d, '%s' from people where nick = 'a'", k, k % 2 ? "odd" : "even"));
        ASSERT_GT(handles.back(), 0);
    }
    for (int k = 99; k >= 0; --k)
    {
        const int h = handles[static_cast<size_t>(k)];
        ASSERT_EQ(Db2StmtExecute(h), 1);
        EXPECT_EQ(Next(h), std::to_string(5 + k) + (k % 2 ? "|odd" : "|even"));
        EXPECT_EQ(Db2StmtDestroy(h), 0);
    }
    // Handles are small numbers reused after release.
    const int h = Db2StmtCreate("select 1");
    EXPECT_EQ(h, 1);
    Db2StmtDestroy(h);
    // Many texts of different shapes in a row: more than the engine keeps compiled.
    std::string more;
    for (int k = 0; k < 200; ++k)
    {
        more += " and id > -1";
        ASSERT_EQ(Select("n", "select age * %d from people where id = 1%s", k, more.c_str()),
                  "1: " + std::to_string(5 * k));
    }
}

TEST_F(Db2EngineTest, CurrentResultIsSteppedAndReleased)
{
    ASSERT_EQ(Db2QueryEx("insert into people values (1, 30, 'ann', 'x', 1.5)"), 1);
    ASSERT_EQ(Db2QueryEx("insert into people values (2, 31, null, null, null)"), 1);
    ASSERT_EQ(Db2QueryEx("select id, nick, age * 2, score from people order by id"), 2);
    EXPECT_EQ(Db2GetColumn(0), nullptr); // no row before the first step
    ASSERT_EQ(Db2GetNextRow(), 0);
    EXPECT_EQ(db2test::Row("nnnn"), "1|ann|60|1.5");
    EXPECT_EQ(Db2GetColumn(4), nullptr);
    EXPECT_EQ(Db2GetColumn(-1), nullptr);
    // A write in between leaves the current result alone.
    EXPECT_EQ(Db2QueryEx("update people set age = 0"), 2);
    ASSERT_EQ(Db2GetNextRow(), 0);
    EXPECT_EQ(db2test::Row("nnnn"), "2|<null>|62|<null>");
    EXPECT_LT(Db2GetNextRow(), 0);
    EXPECT_EQ(Db2ClearRow(), 0);
    EXPECT_LT(Db2GetNextRow(), 0);
    EXPECT_EQ(Db2GetColumn(0), nullptr);
    EXPECT_EQ(Db2ClearRow(), 0); // releasing twice is harmless
}

// Integers are kept whole at both ends of their range, for the typed reads of the current row and for
// statement slots; text, reals and NULL are told apart; text forms stay what they were.
TEST_F(Db2EngineTest, TypedReadsKeepIntegersWholeAndTellNullFromValues)
{
    struct Case
    {
        const char* age; // the stored value, as literal text (an integer is bound as one)
        int type;
        long long i64;
        int i32;
        const char* text;
    } const cases[] = {
        {"9223372036854775807", DB2_FIELD_INT, LLONG_MAX, INT_MAX, "9223372036854775807"},
        {"-9223372036854775808", DB2_FIELD_INT, LLONG_MIN, INT_MIN, "-9223372036854775808"},
        {"4294967295", DB2_FIELD_INT, 4294967295LL, INT_MAX, "4294967295"},
        {"2147483647", DB2_FIELD_INT, INT_MAX, INT_MAX, "2147483647"},
        {"-2147483649", DB2_FIELD_INT, -2147483649LL, INT_MIN, "-2147483649"},
        {"0", DB2_FIELD_INT, 0, 0, "0"},
        {"'12abc'", DB2_FIELD_TEXT, 12, 12, "12abc"},
        {"-2.75", DB2_FIELD_REAL, -2, -2, "-2.75"},
        {"1e300", DB2_FIELD_REAL, LLONG_MAX, INT_MAX, "1.0e+300"},
        {"null", DB2_FIELD_NULL, 77, 77, nullptr},
    };
    int id = 0;
    for (const Case& c : cases)
    {
        ++id;
        if (c.type == DB2_FIELD_INT)
        {
            const int h = Db2StmtCreate("insert into people (id, age, wname) values (?, ?, 'w')");
            Db2BindField* p = Db2StmtGetBindParamFields(h);
            ASSERT_NE(p, nullptr);
            *static_cast<long long*>(p[0].pData) = id;
            *static_cast<long long*>(p[1].pData) = std::stoll(c.age);
            p[0].nIndicator = p[1].nIndicator = 0;
            ASSERT_EQ(Db2StmtExecute(h), 1);
            Db2StmtDestroy(h);
        }
        else
            ASSERT_EQ(Db2QueryEx("insert into people (id, age, wname) values (%d, %s, 'w')", id, c.age), 1);
    }

    ASSERT_EQ(Db2QueryEx("select id, age, wname from people order by id"), id);
    EXPECT_EQ(Db2GetColumnType(0), -1); // no row yet
    const char* firstText = nullptr;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.age);
        ASSERT_EQ(Db2GetNextRow(), 0);
        long long i64 = 77;
        int i32 = 77;
        EXPECT_EQ(Db2GetColumnType(1), c.type);
        EXPECT_EQ(Db2GetColumnInt64(1, &i64), c.type);
        EXPECT_EQ(i64, c.i64);
        EXPECT_EQ(Db2GetColumnInt(1, &i32), c.type == DB2_FIELD_NULL ? FALSE : TRUE);
        EXPECT_EQ(i32, c.i32);
        const char* text = Db2GetColumn(1);
        EXPECT_EQ(text == nullptr ? "<null>" : std::string(text), c.text == nullptr ? "<null>" : c.text);
        EXPECT_EQ(Db2GetColumn(1), text); // asked again: the same text
        firstText = firstText == nullptr ? text : firstText;
        // A 16-bit column and columns that do not exist give no number.
        i64 = 5;
        EXPECT_EQ(Db2GetColumnInt64(2, &i64), DB2_FIELD_WTEXT);
        EXPECT_EQ(Db2GetColumnInt(2, &i32), FALSE);
        EXPECT_EQ(Db2GetColumnInt64(3, &i64), -1);
        EXPECT_EQ(Db2GetColumnType(-1), -1);
        EXPECT_EQ(i64, 5);
    }
    // The text of an earlier row's integer stays valid until the result is released.
    EXPECT_STREQ(firstText, "9223372036854775807");
    EXPECT_LT(Db2GetNextRow(), 0);
    Db2ClearRow();
    EXPECT_EQ(Db2GetColumnInt64(0, nullptr), -1);

    // Statement slots: integers whole in an integer slot, their text in an expression's text slot.
    const int h = Db2StmtCreate("select age, +age from people order by id");
    ASSERT_EQ(Db2StmtExecute(h), id);
    const Db2BindField* r = Db2StmtGetBindResFields(h);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.age);
        ASSERT_EQ(Db2StmtGetNextRow(h), 0);
        EXPECT_EQ(r[0].nIndicator, c.type == DB2_FIELD_NULL ? -1 : 0);
        if (c.type == DB2_FIELD_INT || c.type == DB2_FIELD_TEXT)
        {
            EXPECT_EQ(*static_cast<long long*>(r[0].pData), c.i64);
        }
        EXPECT_EQ(db2test::Value(r[1]), c.text == nullptr ? "<null>" : c.text);
    }
    Db2StmtDestroy(h);
}

TEST_F(Db2EngineTest, PercentInReadyTextIsNeverAFormat)
{
    // No arguments: only "%%" folds; "%s" and "%d" are stored as written and nothing is read.
    ASSERT_EQ(Db2QueryEx("insert into people values (1, 0, '100%% %s %d %n', '', 0)"), 1);
    EXPECT_EQ(Select("n", "select nick from people where nick like '100%% %%'"), "1: 100% %s %d %n");
    // With arguments the text is a format; an argument's own '%' is never folded or formatted.
    ASSERT_EQ(Db2QueryEx("insert into people values (%d, 0, '%s', '', 0)", 2, "5%d%%"), 1);
    EXPECT_EQ(Select("n", "select nick from people where id = %d", 2), "1: 5%d%%");
    // Statements and counts follow the same rule.
    // like '%\%d\%%' escape '\' once folded: the literal text "%d%".
    int h = Db2StmtCreate("select nick from people where nick like '%%\\%%d\\%%%%' escape '\\'");
    ASSERT_GT(h, 0);
    EXPECT_EQ(Db2StmtExecute(h), 1);
    EXPECT_EQ(Next(h), "5%d%%");
    Db2StmtDestroy(h);
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from people where nick like '100%%'"), 1);
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from people where nick like '%%d%%'"), 2);
}

TEST_F(Db2EngineTest, WideColumnsComeBackAs16BitText)
{
    int h = Db2StmtCreate("insert into people values (%d, %d, %s, ?, 0)", 1, 2, "'narrow'");
    ASSERT_GT(h, 0);
    ASSERT_EQ(ParamKinds(h), "WTEXT10"); // nvarchar(9)
    Db2BindField* p = Db2StmtGetBindParamFields(h);
    EXPECT_EQ(p[0].nIndicator, -1);
    db2test::SetWide(p[0], u"K\u00e9\u6771\U0001F600'%");
    EXPECT_EQ(Db2StmtExecute(h), 1);
    EXPECT_EQ(Db2StmtDestroy(h), 0);
    EXPECT_EQ(Db2StmtDestroy(h), -1);
    // Expressions are narrow.
    EXPECT_EQ(Select("wnn", "select wname, nick, upper(nick) from people"),
              "1: K\\u00E9\\u6771\\uD83D\\uDE00'%|narrow|NARROW");

    // 16-bit text compares as text: an empty n'' literal, and "?" bound to an empty 16-bit text.
    EXPECT_EQ(Db2QueryEx("insert into people values (2, 0, 'e', n'', 0)"), 1);
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from people where wname = n''"), 1);
    h = Db2StmtCreate("select id from people where wname > ?");
    ASSERT_EQ(ParamKinds(h), "WTEXT10");
    db2test::SetWide(Db2StmtGetBindParamFields(h)[0], u"");
    EXPECT_EQ(Db2StmtExecute(h), 1);
    EXPECT_EQ(db2test::Kinds(Db2StmtGetBindResFields(h), Db2StmtGetBindResCount(h)), "INT");
    EXPECT_EQ(Next(h), "1");
    EXPECT_EQ(Next(h), "<end>");
    Db2StmtDestroy(h);
}

TEST_F(Db2EngineTest, LoneSurrogatesBecomeReplacementCharactersAndKeepTheNextUnit)
{
    const std::u16string cases[][2] = {
        {std::u16string(u"a") + char16_t(0xD800) + u"bc", u"a\uFFFDbc"},                 // lone lead
        {std::u16string(u"a") + char16_t(0xDC00) + u"b", u"a\uFFFDb"},                   // lone trail
        {std::u16string(u"x") + char16_t(0xDBFF), u"x\uFFFD"},                           // lead at the end
        {std::u16string(u"\U0001F600") + char16_t(0xD83D) + u"z", u"\U0001F600\uFFFDz"}, // pair kept
    };
    for (int id = 1; id <= 4; ++id)
    {
        EXPECT_EQ(db2test::RunWide(cases[id - 1][0], "insert into people (id, wname) values (%d, ?)", id), 1);
        EXPECT_EQ(Select("w", "select wname from people where id = %d", id),
                  "1: " + db2test::Wide(cases[id - 1][1].c_str()))
            << "case " << id;
    }
}

TEST_F(Db2EngineTest, StatementSlotsFollowDeclaredColumns)
{
    ASSERT_EQ(Db2QueryEx("insert into people values (7, 70, 'seven', 'sieben', 7.25)"), 1);
    ASSERT_EQ(Db2QueryEx("insert into people values (8, 80, null, null, null)"), 1);
    int h = Db2StmtCreate("select id, age, nick, wname, score, max(age) over () from people order by id");
    ASSERT_GT(h, 0);
    ASSERT_EQ(Db2StmtGetBindResCount(h), 6);
    EXPECT_EQ(Db2StmtGetBindParamFields(h), nullptr);
    EXPECT_EQ(Db2StmtGetBindParamCount(h), 0);
    Db2BindField* r = Db2StmtGetBindResFields(h);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(db2test::Kinds(r, 5), "INT INT TEXT21 WTEXT10 REAL");
    EXPECT_EQ(r[5].nType, DB2_FIELD_TEXT); // an expression

    EXPECT_EQ(Db2StmtExecute(h), 2);
    EXPECT_EQ(Next(h), "7|70|seven|sieben|7.25|80");
    EXPECT_EQ(Next(h), "8|80|<null>|<null>|<null>|80");
    EXPECT_EQ(Next(h), "<end>");
    // Executing again runs the statement afresh.
    EXPECT_EQ(Db2StmtExecute(h), 2);
    EXPECT_EQ(Next(h), "7|70|seven|sieben|7.25|80");
    Db2StmtDestroy(h);

    // Unknown handles fail instead of touching another statement.
    EXPECT_EQ(Db2StmtExecute(h), -1);
    EXPECT_EQ(Db2StmtGetNextRow(h), -1);
    EXPECT_EQ(Db2StmtGetBindResFields(h), nullptr);
    EXPECT_EQ(Db2StmtExecute(-1), -1);
    EXPECT_EQ(Db2StmtExecute(12345), -1);
}

TEST_F(Db2EngineTest, ParameterSlotsAreSizedByTheirColumn)
{
    int h =
        Db2StmtCreate("update people set nick = ?, wname = ?, age = ?, score = ? where id = ? and ? = wname");
    EXPECT_EQ(ParamKinds(h), "TEXT21 WTEXT10 INT REAL INT WTEXT10");
    Db2StmtDestroy(h);

    // Insert by position and by explicit column list; a "?" with no column is 16-bit text.
    h = Db2StmtCreate("insert into people values (?, ?, ?, ?, ?)");
    ASSERT_EQ(ParamKinds(h), "INT INT TEXT21 WTEXT10 REAL");
    // Fill every slot and check the row.
    Db2BindField* p = Db2StmtGetBindParamFields(h);
    *static_cast<long long*>(p[0].pData) = 5;
    *static_cast<long long*>(p[1].pData) = 50;
    std::strcpy(static_cast<char*>(p[2].pData), "five");
    std::memcpy(p[3].pData, u"f\u00fcnf", 10);
    *static_cast<double*>(p[4].pData) = 0.5;
    for (int i = 0; i < 5; ++i)
        p[i].nIndicator = 0;
    EXPECT_EQ(Db2StmtExecute(h), 1);
    // Values stay bound: executing again hits the primary key.
    EXPECT_EQ(Db2StmtExecute(h), -1);
    Db2StmtDestroy(h);
    EXPECT_EQ(Select("nnwn", "select age, nick, wname, score from people where id = 5"),
              "1: 50|five|f\\u00FCnf|0.5");

    h = Db2StmtCreate("insert into people (wname, id) values (?, 9)");
    EXPECT_EQ(ParamKinds(h), "WTEXT10");
    // Left at -1 the parameter binds SQL NULL.
    EXPECT_EQ(Db2StmtExecute(h), 1);
    Db2StmtDestroy(h);
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from people where id = 9 and wname is null"), 1);

    h = Db2StmtCreate("select coalesce(?, 'x')");
    EXPECT_EQ(ParamKinds(h), "WTEXT1024");
    Db2StmtDestroy(h);
}

TEST_F(Db2EngineTest, TooLongTextIsCutWithinTheSlot)
{
    // A result slot never overflows: text longer than the declared size is cut and terminated, and a
    // surrogate pair is never split.
    ASSERT_EQ(Db2QueryEx("create table t2 ( w nvarchar(3), n varchar(3) )"), 0);
    int h = Db2StmtCreate("insert into t2 values (?, ?)");
    ASSERT_EQ(ParamKinds(h), "WTEXT4 TEXT4");
    Db2BindField* p = Db2StmtGetBindParamFields(h);
    std::memcpy(p[0].pData, u"ab\U0001F600", 8); // 4 units: the pair ends at the last place
    std::memcpy(p[1].pData, "xy\xc3\xa9", 4);    // no terminator inside the slot: ends at nSize
    p[0].nIndicator = 0;
    p[1].nIndicator = 0;
    ASSERT_EQ(Db2StmtExecute(h), 1);
    Db2StmtDestroy(h);
    ASSERT_EQ(Db2QueryEx("update t2 set n = 'abcdef'"), 1);

    h = Db2StmtCreate("select w, n from t2");
    ASSERT_EQ(Db2StmtExecute(h), 1);
    EXPECT_EQ(Next(h), "ab|abc"); // half a pair would not fit
    Db2StmtDestroy(h);
}

// The ranking form of the frequency queries: a derived table with a three-name column list, named like
// the table it reads, whose inner order names the columns of that list.
TEST_F(Db2EngineTest, RankingOverADerivedTableNamedLikeItsSource)
{
    ASSERT_EQ(Db2QueryEx("create table logs ( basicnumber varchar(81), sncount int, sortindex int, "
                         "ctprimaryid int, msglogtype int, logtype int )"),
              0);
    // Basic number, events, sort index, contact, message type, log type.
    for (const char* row : {"'111', 5, 1, 1, 0, 0", "'111', 4, 2, 1, 0, 3", // 111: 9 together
                            "'222', 7, 3, 2, 0, 0", "'333', 7, 8, 3, 0, 3", // a tie on 7: the newer first
                            "'444', 50, 5, 4, 0, 1",                        // received only: never
                            "'555', 60, 6, -1, 0, 0",                       // no contact: never
                            "'666', 70, 7, 6, 64, 3"})                      // e-mail based: never
        ASSERT_EQ(Db2QueryEx("insert into logs values (%s)", row), 1);
    auto ranking = [](int nCount)
    {
        return Select(
            "nnn",
            "select f1, f2, f3 from (select %s, sum(%s), max(%s) from %s where %s > -1 and %s <> %d and "
            "%s in(%d, %d) group by %s order by f2 desc, f3 desc limit 0, %d ) as %s(f1,f2,f3) ",
            "basicnumber", "sncount", "sortindex", "logs", "ctprimaryid", "msglogtype", 64, "logtype", 0, 3,
            "basicnumber", nCount, "logs");
    };
    EXPECT_EQ(ranking(10), "3: 111|9|2; 333|7|8; 222|7|3");
    EXPECT_EQ(ranking(2), "2: 111|9|2; 333|7|8");
}

TEST_F(Db2EngineTest, CheckTableAndRecordCount)
{
    EXPECT_TRUE(Db2CheckTable("people"));
    EXPECT_TRUE(Db2CheckTable("PEOPLE"));
    EXPECT_FALSE(Db2CheckTable("nobody"));
    EXPECT_FALSE(Db2CheckTable("people' or '1'='1"));
    EXPECT_FALSE(Db2CheckTable(""));
    EXPECT_FALSE(Db2CheckTable(nullptr));
    EXPECT_EQ(Db2QueryRecordCount("select count(id) from people"), 0);
    EXPECT_EQ(Db2QueryRecordCount("select id from people"), 0); // no row
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from nobody"), -1);
    EXPECT_EQ(Db2QueryRecordCount(nullptr), -1);
}

TEST_F(Db2EngineTest, DatabaseLivesUnderTheDataRootAndSurvivesReset)
{
    ASSERT_EQ(Db2QueryEx("insert into people values (1, 1, 'a', 'b', 0)"), 1);
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(m_root) / "System" / "ulog.db"));
    EXPECT_EQ(Select("n", "pragma journal_mode"), "1: wal");
    EXPECT_EQ(Select("n", "pragma synchronous"), "1: 1"); // NORMAL

    // Reset closes the database and forgets results and handles; the next use reopens it.
    int h = Db2StmtCreate("select * from people");
    ASSERT_GT(h, 0);
    ASSERT_EQ(Db2QueryEx("select * from people"), 1); // a result not stepped yet
    kiv::core::ResetSql();
    EXPECT_LT(Db2GetNextRow(), 0);
    EXPECT_EQ(Db2StmtExecute(h), -1);
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from people"), 1);

    // A new data root gets its own database.
    const std::string other = ulogtest::MakeTempDir();
    ASSERT_TRUE(UlogCtlReset(other.c_str()));
    EXPECT_FALSE(Db2CheckTable("people"));
    UlogCtlReset(m_root.c_str());
    ulogtest::RemoveTree(other);
    EXPECT_TRUE(Db2CheckTable("people"));
}

TEST_F(Db2EngineTest, FaultInjectionAndStatementCount)
{
    EXPECT_EQ(UlogCtlGetSqlStatementCount(), 1); // the create in SetUp
    UlogCtlFailNextSql(4);
    EXPECT_EQ(Db2QueryEx("insert into people values (1, 1, 'a', 'b', 0)"), -1);
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from people"), -1);
    EXPECT_EQ(Db2StmtCreate("select * from people"), -1);
    int h = -1;
    {
        // The fourth fault falls on the execution of a statement created after it.
        UlogCtlFailNextSql(0);
        h = Db2StmtCreate("select * from people");
        ASSERT_GT(h, 0);
        UlogCtlFailNextSql(1);
        EXPECT_EQ(Db2StmtExecute(h), -1);
        EXPECT_EQ(Db2StmtExecute(h), 0);
        Db2StmtDestroy(h);
    }
    EXPECT_TRUE(UlogCtlDiagnosticsContain("injected failure"));
    // Nothing was written by the failed statements; faults are used up.
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from people"), 0);
    EXPECT_EQ(UlogCtlGetSqlStatementCount(), 3);
    EXPECT_TRUE(Db2CheckTable("people"));
    EXPECT_EQ(UlogCtlGetSqlStatementCount(), 4);

    // Reset clears pending faults and the count.
    UlogCtlFailNextSql(10);
    kiv::core::ResetSql();
    EXPECT_EQ(UlogCtlGetSqlStatementCount(), 0);
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from people"), 0);
}

TEST_F(Db2EngineTest, ExplicitTransactionCommitsAndRollsBack)
{
    ASSERT_EQ(Db2QueryEx("begin"), 0);
    ASSERT_EQ(Db2QueryEx("insert into people values (1, 1, 'a', 'b', 0)"), 1);
    EXPECT_EQ(Db2Rollback(), 0);
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from people"), 0);
    ASSERT_EQ(Db2QueryEx("begin"), 0);
    ASSERT_EQ(Db2QueryEx("insert into people values (1, 1, 'a', 'b', 0)"), 1);
    EXPECT_EQ(Db2Commit(), 0);
    EXPECT_EQ(Db2Rollback(), 0);
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from people"), 1);
}

// At exit the thread's own objects go before the exit handlers run: a handler that resets the platform
// or queries again finds no current result instead of writing into freed memory.
TEST_F(Db2EngineTest, ExitHandlersUseTheEngineAfterTheThreadsObjectsAreGone)
{
    ASSERT_EQ(Db2QueryEx("insert into people values (1, 30, 'ann', '', 0)"), 1);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        static std::string s_root;
        s_root = m_root;
        std::atexit(
            []
            {
                // A write still works; a query counts its rows but has nowhere to keep them.
                const bool bOk = UlogCtlReset(s_root.c_str()) &&
                                 Db2QueryEx("insert into people values (2, 31, 'bob', '', 0)") == 1 &&
                                 Db2QueryEx("select * from people") == 2 && Db2GetNextRow() < 0 &&
                                 Db2ClearRow() == 0;
                _exit(bOk ? 0 : 3);
            });
        // The current result is left held, as a program that exits in the middle of a read leaves it;
        // its text is too long to be kept inside the result object itself.
        const int n = Db2QueryEx("select id, nick || ' and a text longer than a few words' from people");
        std::exit(n == 1 && Db2GetNextRow() == 0 ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child died of signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(Db2EngineTest, ThreadsReadTheirOwnCurrentResults)
{
    for (int i = 1; i <= 200; ++i)
        ASSERT_EQ(Db2QueryEx("insert into people values (%d, %d, 'n%d', '', 0)", i, i % 2, i), 1);

    std::atomic<int> failures{0};
    auto reader = [&failures](int parity)
    {
        for (int round = 0; round < 50; ++round)
        {
            const int n = Db2QueryEx("select id, age from people where age = %d order by id", parity);
            if (n != 100)
                ++failures;
            int rows = 0;
            while (Db2GetNextRow() == 0)
            {
                const char* age = Db2GetColumn(1);
                if (age == nullptr || std::atoi(age) != parity)
                    ++failures;
                ++rows;
                std::this_thread::yield();
            }
            if (rows != 100)
                ++failures;
            Db2ClearRow();
        }
    };
    std::thread a(reader, 0);
    std::thread b(reader, 1);
    // A writer at the same time does not disturb the readers' results.
    std::thread c(
        []
        {
            for (int i = 0; i < 50; ++i)
                Db2QueryEx("update people set score = %d", i);
        });
    a.join();
    b.join();
    c.join();
    EXPECT_EQ(failures.load(), 0);
}
} // namespace

namespace
{
TEST_F(Db2EngineTest, JournalIsCopiedBehindTheWritersAndEmptiedByClose)
{
    namespace fs = std::filesystem;
    const fs::path db = fs::path(m_root) / "System" / "ulog.db";
    const fs::path wal = db.string() + "-wal";
    // A steady stream of commits: without checkpoints the journal would pass 20 MB, with SQLite's own
    // (on the caller's commit, at 1000 pages) it would stay at 4 MB.
    std::uintmax_t nLargest = 0;
    for (int i = 1; i <= 6000; ++i)
    {
        ASSERT_EQ(Db2QueryEx("insert into people values (%d, %d, 'nick%d', n'w', 0)", i, i, i), 1);
        std::error_code ec;
        if (i % 50 == 0)
            nLargest = std::max(nLargest, fs::file_size(wal, ec));
    }
    EXPECT_GT(nLargest, 0u);
    EXPECT_LT(nLargest, 3u << 20) << "the journal grew without bound";

    // Closing waits for no batch or statement of a caller: they keep the database open.
    const int h = Db2StmtCreate("select id from people where id = ?");
    ASSERT_GT(h, 0);
    EXPECT_EQ(Db2Close(), 1);
    EXPECT_EQ(Db2StmtDestroy(h), 0);
    ASSERT_EQ(Db2BeginBatch(), 0);
    EXPECT_EQ(Db2Close(), 1);
    ASSERT_EQ(Db2QueryEx("delete from people where id = 6000"), 1);
    ASSERT_EQ(Db2EndBatch(), 0);

    // Closed: the journal is empty and the database file alone holds every commit.
    EXPECT_EQ(Db2Close(), 0);
    std::error_code ec;
    EXPECT_EQ(fs::exists(wal) ? fs::file_size(wal, ec) : 0u, 0u);
    const fs::path copy = fs::path(ulogtest::MakeTempDir()) / "System";
    fs::create_directories(copy);
    fs::copy_file(db, copy / "ulog.db");
    EXPECT_EQ(
        ulogtest::QueryDbFile(copy.parent_path().string(), "select count(*), max(id) from people", false),
        std::vector<std::string>{"5999|5999"});
    ulogtest::RemoveTree(copy.parent_path().string());
    // The next call opens it again.
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from people"), 5999);
}
} // namespace
