/*
 * The SQL dialect layer of the engine: turns the statements the service writes into statements
 * SQLite runs, in one pass over the text, and tells which column each "?" belongs to.
 *
 * Rewrites (never inside quoted literals, quoted identifiers or comments):
 *   - "truncate table T"                  -> "delete from T"
 *   - n'text', N'text'                    -> 'text'
 *   - "(select a, b, c from ...) As A(x, y)" -> "(select a AS x, b AS y, c from ...) As A"
 *     (the derived column names become aliases of the inner select list, so fewer names than
 *     columns work, the inner query's "order by" may name them, and the alias may be the name of
 *     a real table).
 * Everything SQLite already understands ("limit a, b", "between", integer division, n/varchar(N)
 * types, "int primary key") passes unchanged.
 *
 * With parameterise set, the literals of a select / insert / update / delete (numbers and quoted
 * text, except in "order by" / "group by" lists and after "as") are lifted out into bound values:
 * the user's "?" marks become ?1..?k and the literals ?k+1.., so statements that differ only in their
 * values share one compiled form. Statements with "cast", numbered or named parameters, and all
 * others are left with their literals.
 */
#ifndef KIVCORE_DB2_DIALECT_H
#define KIVCORE_DB2_DIALECT_H

#include <string>
#include <string_view>
#include <vector>

namespace kiv::core::db2
{
/* What is known about the column a "?" is compared with, assigned to or inserted into. */
struct ParamHint
{
    std::string table;  /* qualifier or insert target; empty when unknown */
    std::string column; /* column name; empty when the "?" stands by position or alone */
    int position = -1;  /* 0-based position in an insert's value list; -1 otherwise */
};

/* A literal lifted out of a statement. */
struct Literal
{
    enum Kind
    {
        Integer,
        Real,
        Text
    } kind = Integer;
    long long i = 0;
    double d = 0;
    std::string text;
};

struct Translation
{
    std::string sql;                        /* the statement SQLite runs */
    bool changed = false;                   /* sql differs from the input */
    bool schemaChange = false;              /* create / drop / alter */
    std::vector<std::string> tables;        /* tables named after from / into / update / join / table */
    std::vector<ParamHint> params;          /* one per "?" (or named parameter) in order */
    std::vector<std::string> insertColumns; /* explicit column list of an insert, if any */
    bool parameterised = false;             /* literals lifted out (sql holds ?1..?n) */
    std::vector<Literal> literals;          /* bound after the user's parameters, in order */
};

Translation Translate(std::string_view sql, bool parameterise = false);

/* What Translate(sql, true) gives, made from the translation of an earlier statement of the same shape
 * (the same text but for its numbers and quoted texts) when there is one, so that statements which
 * carry their values in their text are not translated anew each time. False when sql is left to
 * Translate (nothing in it varies, or it holds what the shape scan does not handle). Thread-safe. */
bool TranslateByShape(const std::string& sql, Translation& out);

/* The parts of a compiled update "update T set c1 = ?N1, ..., ck = -?Nk where W": plain names, every
 * value a numbered parameter (a lifted negative literal keeps its sign outside), at least two of them. */
struct UpdateShape
{
    std::string table;
    std::vector<std::pair<std::string, std::string>> sets; /* column, its value ("?7", "-?8") */
    std::string where;                                     /* the text after "where" */
};
/* True, with shape filled, for a statement of that form; false for every other statement. */
bool ParseUpdate(std::string_view sql, UpdateShape& shape);

/* Case-insensitive ASCII comparison of an identifier with a lower-case keyword. */
bool EqualsKeyword(std::string_view word, std::string_view lowerKeyword);
} // namespace kiv::core::db2

#endif
