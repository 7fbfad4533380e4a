// Content rows, content filters and content addresses.
#include "KivAppSvcFramework/ContentTypes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
std::vector<WCHAR> W(const char16_t* text)
{
    std::vector<WCHAR> out;
    for (const char16_t* p = text; *p != 0; ++p)
        out.push_back(static_cast<WCHAR>(*p));
    out.push_back(0);
    return out;
}

std::u16string U(const WCHAR* text)
{
    std::u16string out;
    for (const WCHAR* p = text; p != nullptr && *p != 0; ++p)
        out.push_back(static_cast<char16_t>(*p));
    return out;
}
} // namespace

TEST(ContentRowTest, ColumnsFromEngineTextReadBackByKind)
{
    CContent row;
    const std::vector<WCHAR> wide = W(u"J\u00FCrgen");
    EXPECT_EQ(row.AddFieldData(CONTENT_COLUMN_TYPE_INT, "-42"), TRUE);
    EXPECT_EQ(row.AddFieldData(CONTENT_COLUMN_TYPE_TIME, "4000000000"), TRUE);
    EXPECT_EQ(row.AddFieldData(CONTENT_COLUMN_TYPE_BOOL, "1"), TRUE);
    EXPECT_EQ(row.AddFieldData(CONTENT_COLUMN_TYPE_STRING, "text"), TRUE);
    EXPECT_EQ(row.AddFieldData(CONTENT_COLUMN_TYPE_NSTRING, reinterpret_cast<const char*>(wide.data())),
              TRUE);
    EXPECT_EQ(row.AddFieldData(CONTENT_COLUMN_TYPE_INT, nullptr), TRUE);
    EXPECT_EQ(row.AddFieldData(CONTENT_COLUMN_TYPE_INT, "12abc"), TRUE);
    EXPECT_EQ(row.GetCount(), 7);

    int i = 7;
    unsigned int u = 0;
    EXPECT_EQ(row.GetInt(0, i), TRUE);
    EXPECT_EQ(i, -42);
    EXPECT_EQ(row.GetUInt32(1, u), TRUE);
    EXPECT_EQ(u, 4000000000u);
    EXPECT_EQ(row.GetBool(2, i), TRUE);
    EXPECT_EQ(i, 1);
    EXPECT_STREQ(row.GetString(3), "text");
    EXPECT_EQ(U(row.GetNString(4)), u"J\u00FCrgen");
    EXPECT_EQ(row.GetColumnType(1), CONTENT_COLUMN_TYPE_TIME);
    EXPECT_EQ(row.GetColumnType(4), CONTENT_COLUMN_TYPE_NSTRING);

    // Null, wrong kind, bad number and missing columns fail and leave the output alone.
    i = 99;
    EXPECT_EQ(row.GetInt(5, i), FALSE);
    EXPECT_TRUE(row.IsNull(5));
    EXPECT_EQ(row.GetInt(6, i), FALSE);
    EXPECT_EQ(row.GetInt(3, i), FALSE);
    EXPECT_EQ(row.GetInt(7, i), FALSE);
    EXPECT_EQ(row.GetInt(-1, i), FALSE);
    EXPECT_EQ(i, 99);
    EXPECT_EQ(row.GetString(0), nullptr);
    EXPECT_EQ(row.GetString(4), nullptr);
    EXPECT_EQ(row.GetNString(3), nullptr);
    EXPECT_EQ(row.GetString(100), nullptr);
    EXPECT_TRUE(row.IsNull(100));
    EXPECT_EQ(row.GetColumnType(100), CONTENT_COLUMN_TYPE_NONE);

    // An unknown column type still takes its place, as a null value.
    EXPECT_EQ(row.AddFieldData(static_cast<ContentColumnType>(99), "1"), FALSE);
    EXPECT_EQ(row.GetCount(), 8);
    EXPECT_TRUE(row.IsNull(7));
}

TEST(ContentRowTest, TypedAddsAndCopiesAreIndependent)
{
    CContent row;
    row.Reserve(4);
    row.AddInt(5);
    row.AddString("abcdef", 3);
    row.AddString("ab\0cd", 5);
    const std::vector<WCHAR> wide = W(u"xyz");
    row.AddNString(wide.data());
    row.AddString(nullptr);
    row.AddNString(nullptr);
    EXPECT_STREQ(row.GetString(1), "abc");
    EXPECT_STREQ(row.GetString(2), "ab");
    EXPECT_TRUE(row.IsNull(4));
    EXPECT_TRUE(row.IsNull(5));

    CContent copy(row);
    CContent assigned;
    assigned = row;
    row.Clear();
    EXPECT_EQ(row.GetCount(), 0);
    EXPECT_EQ(copy.GetCount(), 6);
    EXPECT_EQ(U(copy.GetNString(3)), u"xyz");
    int v = 0;
    EXPECT_EQ(assigned.GetInt(0, v), TRUE);
    EXPECT_EQ(v, 5);
}

TEST(ContentFilterTest, KeepsCopiesOfItsPartsAndArguments)
{
    std::vector<WCHAR> a = W(u"first");
    std::vector<WCHAR> b = W(u"second");
    std::vector<WCHAR*> args = {a.data(), nullptr, b.data()};
    CContentFilter filter({"logname", "lognumber"}, "logname = ? and x = ?", args, "sortindex desc");
    a[0] = 'X';
    b.clear();
    EXPECT_EQ(filter.GetWhere(), "logname = ? and x = ?");
    EXPECT_EQ(filter.GetOrderBy(), "sortindex desc");
    EXPECT_EQ(filter.GetColumnNames(), (std::vector<std::string>{"logname", "lognumber"}));
    ASSERT_EQ(filter.GetWhereArgCount(), 3);
    EXPECT_EQ(U(filter.GetWhereArg(0)), u"first");
    EXPECT_EQ(filter.GetWhereArg(1), nullptr);
    EXPECT_EQ(U(filter.GetWhereArg(2)), u"second");
    EXPECT_EQ(filter.GetWhereArg(3), nullptr);
    EXPECT_EQ(filter.GetWhereArg(-1), nullptr);

    CContentFilter copy = filter;
    EXPECT_NE(copy.GetWhereArg(0), filter.GetWhereArg(0));
    EXPECT_EQ(U(copy.GetWhereArgs()[2]), u"second");

    CContentFilter empty;
    EXPECT_EQ(empty.GetWhere(), "");
    EXPECT_EQ(empty.GetWhereArgCount(), 0);
    EXPECT_TRUE(empty.GetWhereArgs().empty());
}

TEST(ContentURITest, EqualityAndSubsetsFollowPathSegments)
{
    CContentURI uri("ulog/log/dupl/temp");
    EXPECT_TRUE(uri.IsEqual("ulog/log/dupl/temp"));
    EXPECT_TRUE(uri.IsEqual("ulog/log/dupl/temp/"));
    EXPECT_FALSE(uri.IsEqual("ulog/log/dupl"));
    EXPECT_TRUE(uri.IsSubsetOf("ulog/log/dupl"));
    EXPECT_TRUE(uri.IsSubsetOf("ulog/log"));
    EXPECT_TRUE(uri.IsSubsetOf("ulog/log/dupl/temp"));
    EXPECT_FALSE(uri.IsSubsetOf("ulog/log/distinct"));
    EXPECT_FALSE(uri.IsSubsetOf("ulog/log/du"));
    EXPECT_FALSE(uri.IsSubsetOf(""));
    EXPECT_FALSE(uri.IsSubsetOf(static_cast<const char*>(nullptr)));
    EXPECT_FALSE(CContentURI("ulog/log").IsSubsetOf("ulog/log/dupl"));
    EXPECT_EQ(CContentURI(std::string("a/b/")).GetURI(), "a/b");
}
