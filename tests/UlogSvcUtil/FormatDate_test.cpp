// Durations, dates and times of logs for the list screens, in the handset's locale and time zone.
#include "support/PlatformFixture.h"

#include "KivAppFrmwk/KivAppFrmwk.h"
#include "KivCore/KivCore.h"
#include "UlogSvc.h"
#include "UlogSvcUtil/CUlogSvcUtil.h"
#include "control/PlatformControl.h"

#include <cstring>
#include <functional>
#include <iterator>
#include <string>

namespace
{
// UTC seconds of a local wall-clock time in a zone offsetHours east of UTC.
unsigned long At(int y, int mo, int d, int h, int mi, int s, int offsetHours)
{
    const TM_DATETIME local{y, mo, d, h, mi, s};
    return TmDateTimeToSeconds(&local) - offsetHours * 3600L;
}

using Fn = BOOL (*)(unsigned long, char*);
const Fn kMainList = &CUlogSvcUtil::ConvertDateTimeFormatForMainList;
const Fn kPopup = &CUlogSvcUtil::ConvertDateTimeFormatForMissedPopup;
const Fn kDateTime = &CUlogSvcUtil::ConvertDateTimeFormat;
const Fn kZoomed = &CUlogSvcUtil::ConvertDateTimeFormatForZoomedList;
const Fn kClock = static_cast<Fn>(&CUlogSvcUtil::ConvertCallTimeFormat);
const Fn kMade = [](unsigned long t, char* p)
{ return CUlogSvcUtil::MakeDateTimeFormat(t, p, ULOG_DATE_TIME_TEXT_LEN); };

// One of the forms of 50 places, checked for writes past them.
std::string Text(Fn fn, unsigned long t)
{
    char buf[ULOG_DATE_TIME_TEXT_LEN + 8];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_TRUE(fn(t, buf));
    EXPECT_EQ(buf[ULOG_DATE_TIME_TEXT_LEN], 'x') << "wrote past the 50 places";
    return buf;
}
std::u16string DateWord(unsigned long t, int units = ULOG_DATE_TIME_TEXT_LEN)
{
    WCHAR buf[128];
    for (auto& w : buf)
        w = 0x7777;
    EXPECT_TRUE(CUlogSvcUtil::ConvertDateFormat(t, buf, units));
    EXPECT_EQ(buf[units], 0x7777) << "wrote past the caller's length";
    return std::u16string(reinterpret_cast<const char16_t*>(buf));
}
std::string Duration(unsigned long sec, int len = 32)
{
    char buf[40];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_TRUE(CUlogSvcUtil::ConvertCallTimeFormat(sec, buf, len));
    EXPECT_EQ(buf[len], 'x');
    return buf;
}

// The main list's text, the missed-call pop-up's and the date word of a log.
void ExpectListForms(unsigned long t, const char* main, const char* popup, const char16_t* word)
{
    EXPECT_EQ(Text(kMainList, t), main);
    EXPECT_EQ(Text(kPopup, t), popup);
    EXPECT_EQ(DateWord(t), word);
}

bool WholeUtf8(const std::string& s)
{
    for (size_t i = 0, len = 0; i < s.size(); i += len)
    {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + len > s.size())
            return false;
    }
    return true;
}

using FormatDateTest = ulogtest::PlatformTest;

// A locale in a time zone offsetHours east of UTC (in December); now is Sunday 2026-12-06 at nowHour local.
template <const char* locale, const char* zone, int offsetHours, int nowHour>
class LocaleTest : public ulogtest::PlatformTest
{
protected:
    static constexpr int kOffset = offsetHours;
    void SetUp() override
    {
        ulogtest::PlatformTest::SetUp();
        ASSERT_TRUE(UlogCtlSetLocale(locale));
        ASSERT_TRUE(UlogCtlSetTimeZone(zone));
        UlogCtlFreezeClock(At(2026, 12, 6, nowHour, 0, 0, kOffset));
    }
};
constexpr char kEnglish[] = "en_US", kNewYork[] = "America/New_York", kGerman[] = "de_DE",
               kTokyo[] = "Asia/Tokyo";
using EnglishNewYorkTest = LocaleTest<kEnglish, kNewYork, -5, 10>;
using GermanTokyoTest = LocaleTest<kGerman, kTokyo, 9, 8>; // still the 5th in UTC
} // namespace

TEST_F(FormatDateTest, DurationsAsHoursMinutesSeconds)
{
    const std::pair<unsigned long, const char*> durations[] = {
        {3725, "01:02:05"}, {360000, "100:00:00"}, {0, "00:00:00"},
        {59, "00:00:59"},   {3599, "00:59:59"},    {86399, "23:59:59"},
    };
    for (const auto& [sec, text] : durations)
        EXPECT_EQ(Duration(sec), text) << sec;
    EXPECT_EQ(Duration(3725, 6), "01:02") << "cut to the caller's length";
    EXPECT_EQ(Duration(3725, 1), "");
}

TEST_F(EnglishNewYorkTest, ListFormsOfTodayYesterdayAndOlderLogs)
{
    ExpectListForms(At(2026, 12, 6, 8, 5, 0, kOffset), "8:05 AM", "Today 8:05 AM", u"Today");
    // The handset's calendar decides, not UTC's: 23:30 on the 5th is 04:30 on the 6th in UTC.
    ExpectListForms(At(2026, 12, 5, 23, 30, 0, kOffset), "Yesterday", "Yesterday 11:30 PM", u"Yesterday");
    ExpectListForms(At(2026, 12, 5, 0, 0, 0, kOffset), "Yesterday", "Yesterday 12:00 AM", u"Yesterday");
    ExpectListForms(At(2026, 12, 4, 23, 59, 59, kOffset), "12/04/2026", "12/04/2026 11:59 PM", u"12/04/2026");
}

TEST_F(EnglishNewYorkTest, DetailFormsOfALog)
{
    const unsigned long t = At(2026, 12, 4, 18, 5, 9, kOffset); // 23:05:09 UTC
    EXPECT_EQ(Text(kDateTime, t), "12/04/2026 6:05:09 PM");
    EXPECT_EQ(Text(kZoomed, t), "12/4 06:05 PM");
    EXPECT_EQ(Text(kClock, t), "6:05 PM");
    EXPECT_EQ(Text(kMade, t), "12/04/2026 11:05:09 PM") << "no zone conversion";

    UlogCtlSetDefaultTimeFormat(0x2000); // the user picks a 24-hour clock
    EXPECT_EQ(Text(kDateTime, t), "12/04/2026 18:05");
    EXPECT_EQ(Text(kZoomed, t), "12/4 18:05");
    EXPECT_EQ(Text(kClock, t), "18:05");
    EXPECT_EQ(Text(kPopup, t), "12/04/2026 18:05");
    UlogCtlSetDefaultDateFormat(0x20); // and year first
    EXPECT_EQ(Text(kDateTime, t), "2026/12/04 18:05");
    EXPECT_EQ(Text(kZoomed, t), "Dec 4 18:05");
    EXPECT_EQ(Text(kMainList, t), "2026-12-04");
}

TEST_F(EnglishNewYorkTest, TheDayTurnsAtLocalMidnight)
{
    UlogCtlFreezeClock(At(2026, 12, 6, 23, 59, 0, kOffset));
    const unsigned long log = At(2026, 12, 6, 23, 30, 0, kOffset);
    const unsigned long earlier = At(2026, 12, 5, 12, 0, 0, kOffset);
    EXPECT_EQ(Text(kMainList, log), "11:30 PM");
    EXPECT_EQ(Text(kMainList, earlier), "Yesterday");

    UlogCtlAdvanceClock(120); // 00:01 on the 7th
    EXPECT_EQ(Text(kMainList, log), "Yesterday");
    EXPECT_EQ(Text(kMainList, earlier), "12/05/2026");

    ASSERT_TRUE(UlogCtlSetTimeZone("UTC")); // 05:01 on the 7th; the log was at 04:30 UTC
    EXPECT_EQ(Text(kMainList, log), "4:30 AM");
}

TEST_F(GermanTokyoTest, ListAndDetailFormsOfALog)
{
    ExpectListForms(At(2026, 12, 6, 0, 10, 0, kOffset), "00:10", "Heute 00:10", u"Heute"); // the 5th in UTC
    ExpectListForms(At(2026, 12, 5, 8, 5, 0, kOffset), "Gestern", "Gestern 08:05", u"Gestern");
    const unsigned long t = At(2026, 12, 4, 18, 5, 9, kOffset); // 09:05:09 UTC
    ExpectListForms(t, "04.12.2026", "04.12.2026 18:05", u"04/12/2026");
    EXPECT_EQ(Text(kDateTime, t), "04/12/2026 18:05");
    EXPECT_EQ(Text(kZoomed, t), "4.12. 18:05");
    EXPECT_EQ(Text(kClock, t), "18:05");
    EXPECT_EQ(Text(kMade, t), "04/12/2026 09:05");
    EXPECT_EQ(CUlogSvcUtil::ConvertUTC2Local(t), t + 9 * 3600ul);
}

TEST_F(FormatDateTest, LongLocaleTextsStayWithinFiftyPlaces)
{
    ASSERT_TRUE(UlogCtlSetLocale("ru_RU"));
    UlogCtlSetDefaultDateFormat(0x4B); // full date: weekday and month name
    UlogCtlSetDefaultTimeFormat(0x5000);
    UlogCtlFreezeClock(At(2026, 12, 30, 12, 0, 0, 0));
    const unsigned long t = At(2026, 12, 6, 18, 5, 9, 0);

    TM_DATETIME local{2026, 12, 6, 18, 5, 9};
    char full[256];
    ASSERT_GE(LocGetDateTimeFormatEx(&local, 0x4B | 0x3000, 0, full, sizeof full), ULOG_DATE_TIME_TEXT_LEN)
        << "the uncut text is longer than the list's buffer";
    const std::string popup = Text(kPopup, t);
    EXPECT_LT(popup.size(), static_cast<size_t>(ULOG_DATE_TIME_TEXT_LEN));
    EXPECT_TRUE(WholeUtf8(popup)) << "no character is cut in half";
    EXPECT_EQ(std::string(full).compare(0, popup.size(), popup), 0);

    for (const std::string& s : {Text(kMainList, t), Text(kDateTime, t), Text(kZoomed, t), Text(kClock, t)})
    {
        EXPECT_FALSE(s.empty());
        EXPECT_LT(s.size(), static_cast<size_t>(ULOG_DATE_TIME_TEXT_LEN));
        EXPECT_TRUE(WholeUtf8(s)) << s;
    }
    char small[10];
    std::memset(small, 'x', sizeof small);
    EXPECT_TRUE(CUlogSvcUtil::MakeDateTimeFormat(t, small, 8));
    EXPECT_LT(std::strlen(small), 8u);
    EXPECT_EQ(small[8], 'x');
}

TEST_F(EnglishNewYorkTest, DateWordKeepsToTheCallersLength)
{
    const unsigned long today = At(2026, 12, 6, 8, 5, 0, kOffset);
    const unsigned long older = At(2026, 12, 1, 8, 5, 0, kOffset);
    EXPECT_EQ(DateWord(today, 4), u"Tod");
    EXPECT_EQ(DateWord(older, 4), u"12/");
    EXPECT_EQ(DateWord(older, 11), u"12/01/2026");
    EXPECT_EQ(DateWord(older, 100), u"12/01/2026");

    UlogCtlSetDefaultDateFormat(0x4B); // A maps it to the locale's own numeric order
    EXPECT_EQ(DateWord(older, 100), u"12/01/2026");
}

TEST_F(FormatDateTest, MissingBuffersAndLengthsAreRefusedAndReportedAndTheEpochIsStillADate)
{
    char buf[8] = "old";
    WCHAR wbuf[4] = {'o', 'l', 'd', 0};
    const std::function<BOOL()> calls[] = {
        [] { return CUlogSvcUtil::MakeDateTimeFormat(0, nullptr, 50); },
        [&] { return CUlogSvcUtil::MakeDateTimeFormat(0, buf, 0); },
        [] { return CUlogSvcUtil::ConvertCallTimeFormat(3725ul, nullptr, 8); },
        [&] { return CUlogSvcUtil::ConvertCallTimeFormat(3725ul, buf, 0); },
        [] { return CUlogSvcUtil::ConvertCallTimeFormat(0ul, nullptr); },
        [] { return CUlogSvcUtil::ConvertDateFormat(0, nullptr, 50); },
        [&] { return CUlogSvcUtil::ConvertDateFormat(0, wbuf, 0); },
        [] { return CUlogSvcUtil::ConvertDateTimeFormat(0, nullptr); },
        [] { return CUlogSvcUtil::ConvertDateTimeFormatForZoomedList(0, nullptr); },
        [] { return CUlogSvcUtil::ConvertDateTimeFormatForMissedPopup(0, nullptr); },
        [] { return CUlogSvcUtil::ConvertDateTimeFormatForMainList(0, nullptr); },
    };
    for (size_t i = 0; i < std::size(calls); ++i)
    {
        UlogCtlClearDiagnostics();
        EXPECT_FALSE(calls[i]()) << "call " << i;
        EXPECT_EQ(UlogCtlGetAssertCount(), 1) << "call " << i;
    }
    EXPECT_STREQ(buf, "old");
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(wbuf)), u"old");

    UlogCtlFreezeClock(At(2026, 12, 6, 10, 0, 0, 0));
    EXPECT_EQ(DateWord(0), u"01/01/1970");
    EXPECT_EQ(Text(kMainList, 0), "01/01/1970");
}

TEST_F(EnglishNewYorkTest, ExportedFormsGiveTheWholeTextOrRefuseAndWriteNothing)
{
    const unsigned long t = At(2026, 12, 6, 8, 5, 0, kOffset);
    const struct
    {
        BOOL (*fn)(unsigned long, char*, int);
        unsigned long value;
        const char* text;
    } forms[] = {
        {UlogConvertDateTimeFormatForMainList, t, "8:05 AM"},
        {UlogConvertDateTimeFormat, t, "12/06/2026 8:05:00 AM"},
        {UlogConvertDateTimeFormatForZoomedList, t, "12/6 08:05 AM"},
        {UlogConvertDateTimeFormatForMissedPopup, t, "Today 8:05 AM"},
        {UlogConvertClockTimeFormat, t, "8:05 AM"},
        {UlogConvertCallTimeFormat, 3725, "01:02:05"},
        {UlogConvertCallTimeFormat, 4294967295ul, "1193046:28:15"},
    };
    for (const auto& f : forms)
    {
        const int places = static_cast<int>(std::strlen(f.text)) + 1;
        char buf[64];
        std::memset(buf, 'x', sizeof buf);
        UlogCtlClearDiagnostics();
        EXPECT_FALSE(f.fn(f.value, nullptr, sizeof buf)) << f.text;
        EXPECT_FALSE(f.fn(f.value, buf, 0)) << f.text;
        EXPECT_EQ(UlogCtlGetAssertCount(), 2) << f.text;
        EXPECT_FALSE(f.fn(f.value, buf, places - 1)) << "one place short: " << f.text;
        EXPECT_EQ(buf[0], 'x') << "a refusal writes nothing: " << f.text;
        EXPECT_TRUE(f.fn(f.value, buf, places)) << f.text;
        EXPECT_STREQ(buf, f.text);
        EXPECT_EQ(buf[places], 'x') << f.text;
    }
}
