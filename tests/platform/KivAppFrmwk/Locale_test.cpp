// Locale formats and string resources of the application framework.
#include "support/PlatformFixture.h"

#include "KivAppFrmwk/KivAppFrmwk.h"
#include "control/PlatformControl.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace
{
using LocaleTest = ulogtest::PlatformTest;

// Sunday 2026-12-06 18:05:09 (a local time record).
const TM_DATETIME kEvening{2026, 12, 6, 18, 5, 9};
// Monday 2026-03-02 07:04:03.
const TM_DATETIME kMorning{2026, 3, 2, 7, 4, 3};

std::string Narrow(const TM_DATETIME& dt, unsigned long flags, int size = 50)
{
    char buf[256];
    std::memset(buf, 'x', sizeof buf);
    const int n = LocGetDateTimeFormatEx(&dt, flags, 0, buf, size);
    EXPECT_EQ(n, static_cast<int>(std::strlen(buf)));
    EXPECT_EQ(buf[size], 'x') << "wrote past the buffer";
    return buf;
}

std::u16string Wide(const TM_DATETIME& dt, unsigned long flags, int units = 50)
{
    WCHAR buf[128];
    const int n = LocGetDateTimeFormat(&dt, flags, 0, buf, units);
    std::u16string text(reinterpret_cast<const char16_t*>(buf));
    EXPECT_EQ(n, static_cast<int>(text.size()));
    return text;
}

std::u16string Resource(unsigned int id, int units = 64)
{
    WCHAR buf[64];
    buf[0] = 0xFFFF;
    const int n = RsrcLoadString(id, buf, units);
    std::u16string text(reinterpret_cast<const char16_t*>(buf));
    EXPECT_EQ(n, static_cast<int>(text.size()));
    return text;
}

// True when the text is whole UTF-8 (no character cut at the end).
bool WholeUtf8(const std::string& s)
{
    for (size_t i = 0, len = 1; i < s.size(); i += len)
    {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        for (size_t k = 1; k < len; ++k)
            len = i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80 ? len : 0;
        if (len == 0)
            return false;
    }
    return true;
}

// The default date and time format codes.
std::pair<int, int> Defaults()
{
    return {LocGetDefaultDateFormat(), LocGetDefaultTimeFormat()};
}
} // namespace

TEST_F(LocaleTest, DefaultsFollowTheLocale)
{
    EXPECT_EQ(Defaults(), std::make_pair(0x19, 0x3000)) << "en_US writes the month first, on a 12-hour clock";
    ASSERT_TRUE(UlogCtlSetLocale("de_DE"));
    EXPECT_EQ(Defaults(), std::make_pair(0x30, 0x1000));
    ASSERT_TRUE(UlogCtlSetLocale("ja_JP"));
    EXPECT_EQ(Defaults(), std::make_pair(0x20, 0x1000));
    UlogCtlSetDefaultDateFormat(0x4A);
    UlogCtlSetDefaultTimeFormat(0x5000);
    EXPECT_EQ(Defaults(), std::make_pair(0x4A, 0x5000));

    EXPECT_FALSE(UlogCtlSetLocale("xx_YY"));
    EXPECT_FALSE(UlogCtlSetLocale(""));
    EXPECT_FALSE(UlogCtlSetLocale(nullptr));
    EXPECT_EQ(LocGetDefaultDateFormat(), 0x4A) << "a refused locale changes nothing";

    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_EQ(Defaults(), std::make_pair(0x19, 0x3000));
}

TEST_F(LocaleTest, ResetTakesTheLocaleFromTheEnvironment)
{
    ASSERT_EQ(setenv("ULOG_LOCALE", "de_DE", 1), 0);
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_EQ(LocGetDefaultDateFormat(), 0x30);
    EXPECT_EQ(Resource(RSRC_STR_TODAY), u"Heute");

    ASSERT_EQ(setenv("ULOG_LOCALE", "zz_QQ", 1), 0);
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_EQ(LocGetDefaultDateFormat(), 0x19) << "an unknown locale falls back to en_US";

    unsetenv("ULOG_LOCALE");
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_EQ(Resource(RSRC_STR_TODAY), u"Today");
}

TEST_F(LocaleTest, DateFlagWordsInEnglish)
{
    EXPECT_EQ(Narrow(kEvening, 0x18), "2026/12/06");
    EXPECT_EQ(Narrow(kEvening, 0x19), "12/06/2026");
    EXPECT_EQ(Narrow(kEvening, 0x1A), "06/12/2026");
    EXPECT_EQ(Narrow(kEvening, 0x1B), "12/06/2026");
    EXPECT_EQ(Narrow(kMorning, 0x11), "3/2/2026");
    EXPECT_EQ(Narrow(kMorning, 0x12), "2/3/2026");
    EXPECT_EQ(Narrow(kMorning, 0x20), "2026-03-02");
    EXPECT_EQ(Narrow(kMorning, 0x30), "02.03.2026");
    EXPECT_EQ(Narrow(kEvening, 0x40), "12/6/2026");
    EXPECT_EQ(Narrow(kEvening, 0x49), "Dec 6, 2026");
    EXPECT_EQ(Narrow(kEvening, 0x4A), "December 6, 2026");
    EXPECT_EQ(Narrow(kEvening, 0x4B), "Sunday, December 6, 2026");
    EXPECT_EQ(Narrow(kEvening, 0xB0), "Dec 6");
    EXPECT_EQ(Narrow(kEvening, 0xC0), "12/6");
}

TEST_F(LocaleTest, TimeFlagWordsAndCombinations)
{
    EXPECT_EQ(Narrow(kEvening, 0x1000), "18:05");
    EXPECT_EQ(Narrow(kEvening, 0x2000), "18:05:09");
    EXPECT_EQ(Narrow(kEvening, 0x3000), "6:05 PM");
    EXPECT_EQ(Narrow(kMorning, 0x4000), "07:04 AM");
    EXPECT_EQ(Narrow(kMorning, 0x5000), "7:04:03 AM");
    EXPECT_EQ(Narrow(kEvening, 0x6000), "6:05 PM") << "en_US's own clock has 12 hours";
    EXPECT_EQ(Narrow(kEvening, 0x19 | 0x5000), "12/06/2026 6:05:09 PM");
    EXPECT_EQ(Narrow(kEvening, 0xB0 | 0x4000), "Dec 6 06:05 PM");
    // Bits outside the date and time parts change nothing.
    EXPECT_EQ(Narrow(kEvening, 0x19 | 0x1000 | 0x10F00), "12/06/2026 18:05");

    ASSERT_TRUE(UlogCtlSetLocale("de_DE"));
    EXPECT_EQ(Narrow(kEvening, 0x6000), "18:05") << "de_DE's own clock has 24 hours";
    EXPECT_EQ(Narrow(kEvening, 0x1B | 0x1000), "06.12.2026 18:05");
}

TEST_F(LocaleTest, NamesAndOrderComeFromTheLocale)
{
    ASSERT_TRUE(UlogCtlSetLocale("de_DE"));
    EXPECT_EQ(Narrow(kEvening, 0x4A), "6. Dezember 2026");
    EXPECT_EQ(Narrow(kEvening, 0x4B), "Sonntag, 6. Dezember 2026");
    EXPECT_EQ(Narrow(kEvening, 0x19), "12/06/2026") << "an explicit order is kept in any locale";
    EXPECT_EQ(Wide(kEvening, 0x4A), u"6. Dezember 2026");

    ASSERT_TRUE(UlogCtlSetLocale("fr_FR"));
    EXPECT_EQ(Narrow(kEvening, 0x4A), "6 d\xC3\xA9"
                                      "cembre 2026");
    EXPECT_EQ(Wide(kEvening, 0x4A), u"6 d\u00e9cembre 2026");
}

TEST_F(LocaleTest, InvalidRecordsAndEmptyFlagsGiveEmptyText)
{
    char buf[50] = "stale";
    EXPECT_EQ(LocGetDateTimeFormatEx(nullptr, 0x19, 0, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "");
    const TM_DATETIME badDay{2025, 2, 29, 0, 0, 0};
    const TM_DATETIME badHour{2025, 1, 1, 24, 0, 0};
    const TM_DATETIME badMonth{2025, 0, 1, 0, 0, 0};
    EXPECT_EQ(Narrow(badDay, 0x19), "");
    EXPECT_EQ(Narrow(badHour, 0x1000), "");
    EXPECT_EQ(Narrow(badMonth, 0x19), "");
    EXPECT_EQ(Narrow(kEvening, 0), "");
    EXPECT_EQ(Narrow(kEvening, 0x0F00), "");
    const TM_DATETIME leap{2024, 2, 29, 0, 0, 0};
    EXPECT_EQ(Narrow(leap, 0x18), "2024/02/29");
    EXPECT_EQ(LocGetDateTimeFormatEx(&kEvening, 0x19, 0, nullptr, 50), 0);
    EXPECT_EQ(LocGetDateTimeFormatEx(&kEvening, 0x19, 0, buf, 0), 0);
    WCHAR wbuf[4] = {'x', 'x', 0, 0};
    EXPECT_EQ(LocGetDateTimeFormat(&badDay, 0x19, 0, wbuf, 4), 0);
    EXPECT_EQ(wbuf[0], 0);
}

TEST_F(LocaleTest, LongTextsAreCutToTheBufferOnACharacterBoundary)
{
    ASSERT_TRUE(UlogCtlSetLocale("ru_RU"));
    char full[256];
    ASSERT_GT(LocGetDateTimeFormatEx(&kEvening, 0x4B | 0x5000, 0, full, sizeof full), 49)
        << "this locale's full date and time needs more than 50 bytes";

    for (int size : {50, 20, 11, 2, 1})
    {
        const std::string cut = Narrow(kEvening, 0x4B | 0x5000, size);
        EXPECT_LT(cut.size(), static_cast<size_t>(size));
        EXPECT_TRUE(WholeUtf8(cut)) << size;
        EXPECT_EQ(std::string(full).compare(0, cut.size(), cut), 0)
            << "a cut text is the start of the full one";
    }

    WCHAR wide[8];
    wide[7] = 0x7777;
    EXPECT_EQ(LocGetDateTimeFormat(&kEvening, 0x4B, 0, wide, 7), 6);
    EXPECT_EQ(wide[6], 0);
    EXPECT_EQ(wide[7], 0x7777);
}

TEST_F(LocaleTest, StringResourcesInTheLocaleLanguage)
{
    EXPECT_EQ(Resource(RSRC_STR_TODAY), u"Today");
    EXPECT_EQ(Resource(RSRC_STR_YESTERDAY), u"Yesterday");
    EXPECT_EQ(Resource(RSRC_STR_MISSED_CALLS), u"Missed calls");
    EXPECT_EQ(Resource(RSRC_STR_RECEIVED_CALLS), u"Received calls");
    EXPECT_EQ(Resource(RSRC_STR_DIALLED_CALLS), u"Dialled calls");
    EXPECT_EQ(Resource(RSRC_STR_TODAY, 3), u"To");

    EXPECT_EQ(Resource(1745), u"");
    EXPECT_EQ(Resource(0), u"");
    EXPECT_EQ(RsrcLoadString(RSRC_STR_TODAY, nullptr, 10), 0);

    ASSERT_TRUE(UlogCtlSetLocale("de_DE"));
    EXPECT_EQ(Resource(RSRC_STR_TODAY), u"Heute");
    EXPECT_EQ(Resource(RSRC_STR_YESTERDAY), u"Gestern");
}

TEST_F(LocaleTest, ConcurrentFormattingWhileTheLocaleChangesGivesWholeTexts)
{
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::atomic<int> done{0};
    std::vector<std::thread> workers;
    for (int i = 0; i < 3; ++i)
    {
        workers.emplace_back(
            [&]
            {
                char buf[50];
                WCHAR word[20];
                while (!stop.load())
                {
                    LocGetDateTimeFormatEx(&kEvening, 0x4A, 0, buf, sizeof buf);
                    const std::string text = buf;
                    if (text != "December 6, 2026" && text != "6. Dezember 2026")
                        ++bad;
                    RsrcLoadString(RSRC_STR_TODAY, word, 20);
                    const std::u16string w(reinterpret_cast<const char16_t*>(word));
                    if (w != u"Today" && w != u"Heute")
                        ++bad;
                    ++done;
                }
            });
    }
    for (int i = 0; i < 40; ++i)
        EXPECT_TRUE(UlogCtlSetLocale(i % 2 == 0 ? "de_DE" : "en_US"));
    while (done.load() < 100)
        std::this_thread::yield();
    stop = true;
    for (auto& t : workers)
        t.join();
    EXPECT_EQ(bad.load(), 0);
}

TEST_F(LocaleTest, NarrowTextsFollowTheLocalCodePage)
{
    ASSERT_TRUE(UlogCtlSetLocale("fr_FR"));
    ASSERT_TRUE(UlogCtlSetLocalCodePage("ISO-8859-1"));
    EXPECT_EQ(Narrow(kEvening, 0x4A), "6 d\xE9"
                                      "cembre 2026");

    ASSERT_TRUE(UlogCtlSetLocale("ja_JP"));
    ASSERT_TRUE(UlogCtlSetLocalCodePage("Shift_JIS"));
    const std::string full = Narrow(kEvening, 0x4A, 50);
    ASSERT_EQ(full, "2026\x94N12\x8C\x8E"
                    "6\x93\xFA"); // 2026年12月6日
    EXPECT_EQ(Narrow(kEvening, 0x4A, 7), "2026\x94N");
    EXPECT_EQ(Narrow(kEvening, 0x4A, 6), "2026") << "half of a double-byte character is never written";
}
