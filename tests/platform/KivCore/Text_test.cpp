// Formatting and bounded narrow text.
#include "KivCore/KivCore.h"
#include "support/PlatformFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{
template <class... A> std::string Fmt(const char* format, A... args)
{
    char buf[256];
    AcSprintfSEx(buf, sizeof buf, __FILE__, __LINE__, format, args...);
    return buf;
}
} // namespace

TEST(AcFormat, ConversionsMatchPrintf)
{
    EXPECT_EQ(Fmt("%d|%5d|%-5d|%05d", 42, 42, 42, -42), "42|   42|42   |-0042");
    EXPECT_EQ(Fmt("%u %lu %x %X %08x", 7u, 4000000000ul, 255, 255, 0xbeef), "7 4000000000 ff FF 0000beef");
    EXPECT_EQ(Fmt("%s and %.3s and [%6s]", "full", "truncated", "pad"), "full and tru and [   pad]");
    EXPECT_EQ(Fmt("%.2f %c %ld", 2.005 + 0.001, 'Z', -5L), "2.01 Z -5");
    EXPECT_EQ(Fmt("%*d|%.*s", 4, 7, 2, "abcdef"), "   7|ab");
}

TEST(AcFormat, PercentWithoutArgumentsIsNeverFormatted)
{
    // A ready text: only "%%" folds, every other '%' stays as written.
    EXPECT_EQ(Fmt("like '%%50%%' and %d and %s"), "like '%50%' and %d and %s");
    // More conversions than arguments: the extra ones stay literal, nothing is read.
    EXPECT_EQ(Fmt("%d %d %s", 1), "1 %d %s");
    EXPECT_EQ(Fmt("100%"), "100%");
    EXPECT_EQ(Fmt("%q %d", 3), "%q 3");
}

TEST(AcFormat, MismatchedArgumentsAreRenderedNotReinterpreted)
{
    EXPECT_EQ(Fmt("%d", "text"), "text");
    EXPECT_EQ(Fmt("%s", 12), "12");
    EXPECT_EQ(Fmt("%s", static_cast<const char*>(nullptr)), "(null)");
    EXPECT_EQ(Fmt("%x", -1), "ffffffff"); // an int keeps its 32-bit view
    const WCHAR wide[] = {'w', 0x00E9, 0};
    EXPECT_EQ(Fmt("%S|%s", wide, wide), "w\xC3\xA9|w\xC3\xA9");
}

TEST(AcFormat, OutputIsBoundedAndTerminated)
{
    char buf[8];
    std::memset(buf, 'x', sizeof buf);
    int n = AcSprintfSEx(buf, sizeof buf, __FILE__, __LINE__, "%s", "0123456789");
    EXPECT_EQ(n, 7);
    EXPECT_STREQ(buf, "0123456");
    // A cut never leaves half a UTF-8 character: "ab" + e-acute (2 bytes) into 4 bytes keeps "ab".
    char small[4];
    AcSprintfSEx(small, sizeof small, __FILE__, __LINE__, "ab\xC3\xA9");
    EXPECT_STREQ(small, "ab");
    // The full length is reported by the plain formatter, like snprintf.
    EXPECT_EQ(AcFormatV(nullptr, 0, "abc", nullptr, 0), 3);
}

TEST(AcText, CopiesAreBoundedAndTerminated)
{
    char dst[6];
    AcStrcpySEx(dst, sizeof dst, "abcdefghij", __FILE__, __LINE__);
    EXPECT_STREQ(dst, "abcde");
    AcStrncpyEx(dst, sizeof dst, "xyz123", 2, __FILE__, __LINE__);
    EXPECT_STREQ(dst, "xy");
    AcStrcatSEx(dst, sizeof dst, "1234567", __FILE__, __LINE__);
    EXPECT_STREQ(dst, "xy123");
    AcStrcpySEx(dst, sizeof dst, nullptr, __FILE__, __LINE__);
    EXPECT_STREQ(dst, "");

    // An unterminated source is read only up to the destination's bound.
    char raw[4] = {'q', 'r', 's', 't'};
    char out[3];
    AcStrncpyEx(out, sizeof out, raw, sizeof raw, __FILE__, __LINE__);
    EXPECT_STREQ(out, "qr");

    char mem[4] = {1, 2, 3, 4};
    const char src[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    AcMemcpyEx(mem, 2, src, sizeof src, __FILE__, __LINE__);
    EXPECT_EQ(mem[1], 9);
    EXPECT_EQ(mem[2], 3); // bounded by the destination size given
    AcMemsetEx(mem, 3, 0, 100, __FILE__, __LINE__);
    EXPECT_EQ(mem[2], 0);
    EXPECT_EQ(mem[3], 4);
}

TEST(AcText, NullTolerantHelpers)
{
    EXPECT_EQ(AcStrlen(nullptr), 0u);
    EXPECT_EQ(AcStrlen("abc"), 3u);
    EXPECT_LT(AcStrcmp(nullptr, "a"), 0);
    EXPECT_EQ(AcStrcmp("a", "a"), 0);
    EXPECT_EQ(AcAtoi(nullptr), 0);
    EXPECT_EQ(AcAtoi("  -17x"), -17);
    EXPECT_DOUBLE_EQ(AcAtof("2.5"), 2.5);
    const char* hello = "hello";
    EXPECT_EQ(AcStrstr(hello, "ll"), hello + 2);
    EXPECT_EQ(AcStrstr(hello, "zz"), nullptr);
    EXPECT_EQ(AcStrchr(nullptr, 'a'), nullptr);
}
