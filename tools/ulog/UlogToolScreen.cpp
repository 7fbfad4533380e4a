// The handset's settings for one run of the ulog tool and the log screen's texts.
#include "UlogToolScreen.h"
#include "UlogToolCommon.h"
#include "UlogToolFormat.h"

#include "control/PlatformControl.h"

#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <cctype>
#include <cmath>
#include <ctime>
#include <memory>

namespace ulogtool
{
namespace
{
// The SIM's advice-of-charge price per unit: eppu x 10^-exponent in the currency.
struct Price
{
    int eppu = 0;
    int exponent = 0;
    std::string currency;
};

struct Settings
{
    std::string locale;
    std::string zone;
    std::optional<unsigned int> now;
    std::optional<Price> price;
};

Settings& Kept()
{
    static Settings s_settings;
    return s_settings;
}

// "0.25:EUR", "5", "12.5:" : at most nine digits, at most three letters.
std::optional<Price> ParsePrice(const std::string& text)
{
    const size_t colon = text.find(':');
    const std::string value = text.substr(0, colon);
    Price price;
    if (colon != std::string::npos)
        price.currency = text.substr(colon + 1);
    if (price.currency.size() > 3)
        return std::nullopt;
    for (char c : price.currency)
        if (!std::isalpha(static_cast<unsigned char>(c)))
            return std::nullopt;
    std::string digits;
    bool point = false;
    for (char c : value)
    {
        if (c == '.' && !point)
            point = true;
        else if (std::isdigit(static_cast<unsigned char>(c)))
        {
            digits += c;
            price.exponent += point ? 1 : 0;
        }
        else
            return std::nullopt;
    }
    auto eppu = ParseInteger(digits, 0, 999999999LL);
    if (!eppu || (point && price.exponent == 0))
        return std::nullopt;
    price.eppu = static_cast<int>(*eppu);
    return price;
}

// The UTC seconds of a wall-clock time in the zone (given as the seconds of the same wall clock in UTC).
std::optional<unsigned int> FromZone(unsigned int wall, const std::string& zone)
{
    std::unique_ptr<icu::TimeZone> tz(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(zone)));
    int32_t rawOffset = 0;
    int32_t dstOffset = 0;
    UErrorCode status = U_ZERO_ERROR;
    if (tz)
        tz->getOffset(static_cast<UDate>(wall) * 1000.0, true, rawOffset, dstOffset, status);
    if (!tz || U_FAILURE(status))
        Fail("the time zone " + zone + " cannot be read");
    const long long utc =
        static_cast<long long>(wall) - (static_cast<long long>(rawOffset) + dstOffset) / 1000;
    if (utc < 0 || utc > 4294967295LL)
        return std::nullopt;
    return static_cast<unsigned int>(utc);
}

// A text of the list formatters; a refusal fails the command.
std::string Formatted(BOOL (*format)(unsigned long, char*, int), unsigned long value)
{
    char text[ULOG_DATE_TIME_TEXT_LEN];
    if (!format(value, text, sizeof text))
        Fail("a time cannot be shown in this locale");
    return text;
}
} // namespace

void SetHandset(const HandsetOptions& options)
{
    Settings settings;
    if (options.locale)
    {
        settings.locale = *options.locale;
        if (!UlogCtlSetLocale(settings.locale.c_str()))
            Usage("--locale: unknown locale '" + settings.locale + "'");
    }
    if (options.zone)
    {
        settings.zone = *options.zone;
        if (!UlogCtlSetTimeZone(settings.zone.c_str()))
            Usage("--tz: unknown time zone '" + settings.zone + "'");
    }
    Kept() = settings; // --now is read in the zone
    if (options.now)
    {
        settings.now = ParseUserTime(*options.now);
        if (!settings.now)
            Usage("--now: not a time: '" + *options.now + "'");
    }
    if (options.aoc)
    {
        settings.price = ParsePrice(*options.aoc);
        if (!settings.price)
            Usage("--aoc: not a price per unit: '" + *options.aoc + "' (PRICE[:CURRENCY], e.g. 0.25:EUR)");
    }
    Kept() = settings;
}

void ApplyHandset()
{
    const Settings& s = Kept();
    if (!s.locale.empty() && !UlogCtlSetLocale(s.locale.c_str()))
        Fail("the locale " + s.locale + " cannot be set");
    if (!s.zone.empty() && !UlogCtlSetTimeZone(s.zone.c_str()))
        Fail("the time zone " + s.zone + " cannot be set");
    if (s.now)
        UlogCtlFreezeClock(*s.now);
    if (s.price)
    {
        // As the telephony side does: a SIM that offers advice of charge, and its price table.
        if (!UlogCtlSetSim(0, "450", "05", ULOG_CTL_SIM_SERVICE_AOC))
            Fail("the SIM cannot be set");
        UlogAocInfo aoc{};
        aoc.eppu = s.price->eppu;
        aoc.expSign = 1;
        aoc.exp = s.price->exponent;
        aoc.currencyCodeLen = static_cast<int32_t>(s.price->currency.size());
        s.price->currency.copy(aoc.currencyCode, sizeof aoc.currencyCode - 1);
        aoc.pricePerUnit = static_cast<float>(s.price->eppu * std::pow(10.0, -s.price->exponent));
        if (!SetAocInfo(&aoc))
            Fail("the advice of charge cannot be set");
    }
}

std::optional<unsigned int> ParseUserTime(const std::string& text)
{
    const std::optional<unsigned int> wall = ParseTime(text);
    if (!wall || Kept().zone.empty() || ParseInteger(text, 0, 4294967295LL))
        return wall;
    return FromZone(*wall, Kept().zone);
}

unsigned int Now()
{
    return Kept().now ? *Kept().now : static_cast<unsigned int>(std::time(nullptr));
}

std::string ListTime(unsigned int t)
{
    return Formatted(UlogConvertDateTimeFormatForMainList, t);
}

std::string DateTime(unsigned int t)
{
    return Formatted(UlogConvertDateTimeFormat, t);
}

std::string CallTime(unsigned int seconds)
{
    return Formatted(UlogConvertCallTimeFormat, seconds);
}

std::optional<std::string> CallCost(const UlogInfo& info)
{
    const std::optional<Price>& price = Kept().price;
    if (!price || info.nCallCost < 0 || !_UlogIsCallLog(info.iLogType) || !UlogIsAcmValid())
        return std::nullopt;
    WCHAR text[ULOG_CALL_COST_TEXT_LEN];
    if (!UlogMakeCallCostFormat(ULOG_COST_VALUE_CURRENCY, static_cast<unsigned long>(info.nCallCost),
                                price->eppu, 1, price->exponent, price->currency.c_str(),
                                static_cast<int>(price->currency.size()), text))
        Fail("the cost of log " + std::to_string(info.nUniqueId) + " cannot be shown");
    return Utf16ToUtf8(text, ULOG_CALL_COST_TEXT_LEN);
}
} // namespace ulogtool
