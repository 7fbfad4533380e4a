// The SQL dialect layer: rewrites and the column each "?" stands for.
#include "KivCore/Db2Dialect.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using kiv::core::db2::ParseUpdate;
using kiv::core::db2::Translate;
using kiv::core::db2::TranslateByShape;
using kiv::core::db2::Translation;
using kiv::core::db2::UpdateShape;

namespace
{
std::string Sql(const std::string& in)
{
    return Translate(in).sql;
}

// The column of every parameter, then " @" and the positions of those that have one.
std::string Params(const Translation& t)
{
    std::string names, positions;
    for (const auto& p : t.params)
    {
        names += (&p == &t.params[0] ? "" : ",") + p.column;
        positions += p.position >= 0 ? " @" + std::to_string(p.position) : "";
    }
    return std::to_string(t.params.size()) + ":" + names + positions;
}

TEST(Db2Dialect, TruncateBecomesDeleteOutsideLiteralsOnly)
{
    EXPECT_EQ(Sql("truncate table UlogDuplDbTable"), "delete from UlogDuplDbTable");
    EXPECT_EQ(Sql("  TRUNCATE Table T"), "  delete from T");
    EXPECT_EQ(Sql("truncate T"), "delete from T");
    // Not at the start, or inside a literal: untouched.
    EXPECT_EQ(Sql("select 'truncate table T' from T"), "select 'truncate table T' from T");
    EXPECT_FALSE(Translate("select 'truncate table T' from T").changed);
    EXPECT_EQ(Sql("insert into T values ('truncate table T')"), "insert into T values ('truncate table T')");
}

TEST(Db2Dialect, NationalLiteralsLoseTheirPrefix)
{
    EXPECT_EQ(Sql("update T set a = n'' where b = N'x''y'"), "update T set a = '' where b = 'x''y'");
    // A trailing n of a word, an n inside a literal, and a column named n stay.
    EXPECT_EQ(Sql("select sn'' from T"), "select sn'' from T");
    EXPECT_EQ(Sql("select 'an n''x' from T"), "select 'an n''x' from T");
    EXPECT_EQ(Sql("select n from T where n = 'n'"), "select n from T where n = 'n'");
    EXPECT_EQ(Sql("select x'00ff', n'a' from T"), "select x'00ff', 'a' from T");
}

TEST(Db2Dialect, DerivedColumnListsBecomeAliases)
{
    EXPECT_EQ(Sql("select * from (select max(sortindex), groupid from T group by groupid ) As A(f1,f2), T "
                  "where A.f1 = T.sortindex"),
              "select * from (select max(sortindex) AS f1, groupid AS f2 from T group by groupid ) As A, T "
              "where A.f1 = T.sortindex");
    // Fewer names than columns: the rest keep their own names.
    EXPECT_EQ(
        Sql("select date_f, count(pid_f) from (select starttime/86400*86400, groupid, max(sortindex) from T "
            "group by 1,2 order by 1 desc) as date_tbl(date_f,pid_f) group by 1"),
        "select date_f, count(pid_f) from (select starttime/86400*86400 AS date_f, groupid AS pid_f, "
        "max(sortindex) from T group by 1,2 order by 1 desc) as date_tbl group by 1");
    // Existing aliases are replaced; nested calls and scalar subqueries stay whole items.
    EXPECT_EQ(Sql("select q from (select a as z, b c, coalesce(d, (select 1, 2)) from T) q2(x, y, w)"),
              "select q from (select a as x, b y, coalesce(d, (select 1, 2)) AS w from T) q2");
    // Without "as", and with a distinct list.
    EXPECT_EQ(Sql("select f1 from (select distinct a from T) D(f1)"),
              "select f1 from (select distinct a AS f1 from T) D");
}

TEST(Db2Dialect, LeavesEverythingElseAlone)
{
    const char* unchanged[] = {
        "select * from T where a between 0 and 4 limit  0, 10",
        "select * from T where a in (select b from U) and (c = 1)",
        "select * from T where exists (select 1 from U) or (c)",
        "select * from (select * from T) As A(f1)", // no list to name
        "select '(select a from T) As A(f1)' from T",
        "select * from \"(select a from T) As A(f1)\"",
        "select a -- (select b from T) as q(x)\n from T",
        "create table T ( a int primary key, b nvarchar(309), c varchar(81) )",
    };
    for (const char* s : unchanged)
    {
        const auto t = Translate(s);
        EXPECT_EQ(t.sql, s);
        EXPECT_FALSE(t.changed) << s;
    }
    EXPECT_TRUE(Translate("create table T ( a int )").schemaChange);
    EXPECT_TRUE(Translate("DROP table T").schemaChange);
    EXPECT_FALSE(Translate("select * from T").schemaChange);
}

TEST(Db2Dialect, ParameterHintsNameTheirColumns)
{
    auto t = Translate("update T set a = ?, b=? where T.c like ? and ? <> d and e between ? and 5");
    ASSERT_EQ(Params(t), "5:a,b,c,d,e");
    EXPECT_EQ(t.params[2].table, "T");
    EXPECT_EQ(t.tables, std::vector<std::string>{"T"});

    t = Translate("insert into T values ( 1, 'a,b', ?, f(1, 2), ?, ?)");
    ASSERT_EQ(Params(t), "3:,, @2 @4 @5");
    EXPECT_EQ(t.params[0].table, "T");
    EXPECT_EQ(Params(Translate("insert into T (x, y) values (?, ?)")), "2:x,y");
    // A "?" in a literal is no parameter; a "?" inside an expression has no column.
    EXPECT_EQ(Params(Translate("select '?' from T where a = coalesce(?, 1)")), "1:");
}
TEST(Db2Dialect, LiteralsAreLiftedOutOfQueriesAndWrites)
{
    using kiv::core::db2::Literal;
    auto t = Translate(
        "select * from T where a = -5 and b = n'x''y' and c = ? and d > 1.5 order by 1 desc, a limit 0, "
        "10",
        true);
    ASSERT_TRUE(t.parameterised);
    EXPECT_EQ(
        t.sql,
        "select * from T where a = -?2 and b = ?3 and c = ?1 and d > ?4 order by 1 desc, a limit ?5, ?6");
    ASSERT_EQ(t.literals.size(), 5u);
    EXPECT_EQ(t.literals[0].kind, Literal::Integer);
    EXPECT_EQ(t.literals[0].i, 5);
    EXPECT_EQ(t.literals[1].kind, Literal::Text);
    EXPECT_EQ(t.literals[1].text, "x'y");
    EXPECT_EQ(t.literals[2].kind, Literal::Real);
    EXPECT_DOUBLE_EQ(t.literals[2].d, 1.5);
    EXPECT_EQ(t.literals[4].i, 10);
    EXPECT_EQ(Params(t), "1:c");

    // Positions in group by / order by lists (also inside a derived table), aliases, blobs, hexadecimal
    // and integers too large for 64 bits stay in the text.
    t = Translate(
        "select x from (select s/86400*86400, g from T where k = '' group by 1,2 order by 1 desc) as "
        "d(x, y) where y <> 0x10 and z = x'00' and w = 99999999999999999999 group by 1 having count(*) > 2",
        true);
    EXPECT_EQ(
        t.sql,
        "select x from (select s/?1*?2 AS x, g AS y from T where k = ?3 group by 1,2 order by 1 desc) as "
        "d where y <> 0x10 and z = x'00' and w = 99999999999999999999 group by 1 having count(*) > ?4");
    EXPECT_EQ(t.literals.size(), 4u);
    EXPECT_EQ(Translate("select 1 as 'one' from T", true).sql, "select ?1 as 'one' from T");

    // Writes too; definitions, casts, numbered parameters and unterminated text keep their literals.
    EXPECT_EQ(Translate("update T set a = 'it''s', b = 2 where c = ?", true).sql,
              "update T set a = ?2, b = ?3 where c = ?1");
    EXPECT_EQ(Translate("insert into T values (1, 'a', ?)", true).sql, "insert into T values (?2, ?3, ?1)");
    const char* kept[] = {"create table T ( a varchar(10) default 'x' )",
                          "select cast(a as varchar(10)) from T",
                          "select * from T where a = ?1 and b = 2",
                          "select * from T where a = :a and b = 2",
                          "select * from T where a = 'open",
                          "pragma table_info('T')"};
    for (const char* s : kept)
    {
        t = Translate(s, true);
        EXPECT_FALSE(t.parameterised) << s;
        EXPECT_EQ(t.sql, s);
    }
}
} // namespace

TEST(Db2Dialect, UpdatesOfNumberedParametersAreTakenApart)
{
    UpdateShape shape;
    // What the parameterised form of a row update looks like, negative literal included.
    const Translation t =
        Translate("update Logs set sortindex = 7, calltype = -1, logname = ? where clogdbindex = 3", true);
    ASSERT_TRUE(ParseUpdate(t.sql, shape)) << t.sql;
    EXPECT_EQ(shape.table, "Logs");
    EXPECT_EQ(shape.sets, (std::vector<std::pair<std::string, std::string>>{
                              {"sortindex", "?2"}, {"calltype", "-?3"}, {"logname", "?1"}}));
    EXPECT_NE(shape.where.find("clogdbindex"), std::string::npos);

    // Everything else is refused.
    for (const char* sql :
         {"update t set a = ?1 where id = ?2",      // one column only
          "update t set a = ?1, b = b + 1 where x", // an expression
          "update t set a = ?, b = ?2 where x",     // an unnumbered parameter
          "update t set a = ?1, b = ?2",            // no where
          "update main.t set a = ?1, b = ?2 where x", "update \"t\" set a = ?1, b = ?2 where x",
          "insert into t values (?1, ?2)", "select a from t where a = ?1"})
    {
        UpdateShape other;
        EXPECT_FALSE(ParseUpdate(sql, other)) << sql;
    }
}

// Statements that differ only in their values share one translation, filled with each one's values; it
// must give exactly what translating the statement as a whole gives.
TEST(Db2Dialect, StatementsOfOneShapeShareTheirTranslation)
{
    const auto describe = [](const Translation& t)
    {
        std::string s = t.sql + " |" + Params(t) + "|";
        for (const auto& l : t.literals)
            s += l.kind == kiv::core::db2::Literal::Text ? " '" + l.text + "'" : " " + std::to_string(l.i);
        for (const auto& c : t.insertColumns)
            s += " c:" + c;
        for (const auto& n : t.tables)
            s += " t:" + n;
        return s + (t.parameterised ? " lifted" : "") + (t.changed ? " changed" : "");
    };
    const struct
    {
        const char* first;
        const char* second;
    } cases[] = {
        {"insert into T (a, b, c) values (1, 'x', -5)", "insert into T (a, b, c) values (22, 'it''s', -7)"},
        {"update T set a = 3, b = 'p' where id = 9", "update T set a = 40, b = '' where id = 10"},
        {"select * from T where n = '0101' and t > 17 order by 2 desc limit 0, 30",
         "select * from T where n = '0''2' and t > 18 order by 3 desc limit 0, 5"},
        {"select f1 from (select a, sum(b) from T where c = n'x' group by a order by f1 desc limit 0, 3) as "
         "T(f1, f2)",
         "select f1 from (select a, sum(b) from T where c = n'yy' group by a order by f1 desc limit 0, 9) as "
         "T(f1, f2)"},
        {"delete from T where id = 4 and name = ? and k in (1, 2)",
         "delete from T where id = 5 and name = ? and k in (3, 40)"},
    };
    for (const auto& c : cases)
    {
        Translation a, b;
        ASSERT_TRUE(TranslateByShape(c.first, a)) << c.first;
        EXPECT_EQ(describe(a), describe(Translate(c.first, true)));
        ASSERT_TRUE(TranslateByShape(c.second, b)) << c.second;
        EXPECT_EQ(describe(b), describe(Translate(c.second, true)));
    }
    // Left to the whole translation: nothing that varies, comments, reals, hexadecimal, leading zeros.
    for (const char* sql : {"select * from T", "select 1 from T -- 2", "select 1.5 from T",
                            "select 0x10 from T", "select 007 from T", "select [a] from T where b = 1"})
    {
        Translation t;
        EXPECT_FALSE(TranslateByShape(sql, t)) << sql;
    }
}
