// 16-bit text: conversions at buffer limits, invalid input, GSM alphabet, formatting.
#include "KivGWESCore/KivGWESCore.h"
#include "control/PlatformControl.h"
#include "support/PlatformFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
using W = std::u16string;
W Wide(const WCHAR* s)
{
    return W(reinterpret_cast<const char16_t*>(s));
}
class WmText : public ulogtest::PlatformTest
{
};
} // namespace

TEST_F(WmText, NarrowToWideRoundTripsNonAscii)
{
    const char* text =
        "O'Neil 50% \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80"; // e-acute and an emoji (surrogate pair)
    WCHAR wide[64];
    int units = WmConvert2PCode(wide, 64, text);
    EXPECT_EQ(units, WmStrlen(wide));
    EXPECT_EQ(wide[units - 2], 0xD83D);
    EXPECT_EQ(wide[units - 1], 0xDE00);
    char back[64];
    WmConvert2LCode(back, sizeof back, wide);
    EXPECT_STREQ(back, text);
}

TEST_F(WmText, ConversionsStopAtTheBufferAndKeepCharactersWhole)
{
    WCHAR wide[4];
    // "ab" then an emoji: 4 units needed with the terminator would split the pair; it is dropped whole.
    EXPECT_EQ(WmConvert2PCode(wide, 4, "ab\xF0\x9F\x98\x80"), 2);
    EXPECT_EQ(Wide(wide), u"ab");
    const WCHAR src[] = {'x', 0x00E9, 0x00E9, 0};
    char narrow[4]; // "x" + 2 bytes fits, the second e-acute does not
    EXPECT_EQ(WmConvert2LCode(narrow, sizeof narrow, src), 3);
    EXPECT_STREQ(narrow, "x\xC3\xA9");
    EXPECT_EQ(WmConvert2PCode(wide, 1, "abc"), 0);
    EXPECT_EQ(wide[0], 0);
}

TEST_F(WmText, InvalidInputIsSubstituted)
{
    WCHAR wide[16];
    WmConvert2PCode(wide, 16,
                    "a\xFF"
                    "b");
    EXPECT_EQ(Wide(wide), u"a\uFFFDb");
    const WCHAR lone[] = {'a', 0xD800, 'b', 0};
    char narrow[16];
    WmConvert2LCode(narrow, sizeof narrow, lone);
    EXPECT_STREQ(narrow, "a\xEF\xBF\xBD"
                         "b");
}

TEST_F(WmText, OtherLocalCodePages)
{
    ASSERT_TRUE(UlogCtlSetLocalCodePage("ISO-8859-1"));
    WCHAR wide[8];
    WmConvert2PCode(wide, 8, "\xE9t\xE9");
    EXPECT_EQ(Wide(wide), u"\u00E9t\u00E9");
    char narrow[8];
    const WCHAR euro[] = {'a', 0x20AC, 0};
    WmConvert2LCode(narrow, sizeof narrow, euro);
    EXPECT_EQ(narrow[0], 'a');
    EXPECT_EQ(std::string(narrow).size(), 2u); // the euro sign is substituted by one byte
    EXPECT_FALSE(UlogCtlSetLocalCodePage("no-such-code-page"));
    UlogCtlReset(m_root.c_str()); // back to UTF-8
    WmConvert2PCode(wide, 8, "\xC3\xA9");
    EXPECT_EQ(Wide(wide), u"\u00E9");
}

TEST_F(WmText, GsmDefaultAlphabetAndEscapes)
{
    WCHAR wide[16];
    const char gsm[] = {0x01, 0x1B, 0x65, 'A', 0x5D, 0x1B};
    EXPECT_EQ(WmConvertGSM2PCode(wide, 16, gsm, sizeof gsm), 5);
    EXPECT_EQ(Wide(wide), u"\u00A3\u20ACA\u00D1 "); // pound, euro, A, N-tilde, lone escape as space
    EXPECT_EQ(WmConvertGSM2PCode(wide, 3, "ABCDE", 5), 2);
    EXPECT_EQ(Wide(wide), u"AB");
}

TEST_F(WmText, FormattingAndBoundedCopies)
{
    WCHAR a[] = {'1', '2', '.', '5', 0};
    WCHAR b[] = {'E', 'U', 'R', 0};
    WCHAR out[16];
    WmSprintf(out, 16, "%S %S", a, b);
    EXPECT_EQ(Wide(out), u"12.5 EUR");
    WmSprintf(out, 6, "%S %S", a, b);
    EXPECT_EQ(Wide(out), u"12.5 ");
    WmSprintf(out, 16, "%d%%", 50);
    EXPECT_EQ(Wide(out), u"50%");

    WCHAR dst[4];
    WmStrcpy(dst, 4, a);
    EXPECT_EQ(Wide(dst), u"12.");
    WCHAR dst2[8];
    WmStrncpy(dst2, a, 2);
    EXPECT_EQ(Wide(dst2), u"12");
    EXPECT_EQ(WmStrlen(nullptr), 0);
    EXPECT_EQ(WmStrcmp(a, a), 0);
    EXPECT_GT(WmStrcmp(b, a), 0); // "EUR" sorts after "12.5"
    EXPECT_LT(WmStrcmp(a, b), 0);
}
