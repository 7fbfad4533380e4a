// The handset's settings for one run of the ulog tool (locale, time zone, clock, advice of charge) and
// the log screen's texts: times, call times and call costs as the handset shows them.
#ifndef ULOG_TOOL_SCREEN_H
#define ULOG_TOOL_SCREEN_H

#include "UlogSvc.h"

#include <optional>
#include <string>

namespace ulogtool
{
// The global options --locale L, --tz ZONE, --now TIME and --aoc PRICE[:CURRENCY] as given; one not
// given leaves the handset as the platform starts it ($ULOG_LOCALE, $ULOG_TZ, the system clock, a SIM
// without advice of charge).
struct HandsetOptions
{
    std::optional<std::string> locale;
    std::optional<std::string> zone;
    std::optional<std::string> now;
    std::optional<std::string> aoc;
};

// Checks and keeps the settings: bad arguments for a locale or zone the platform does not know, a
// malformed time or price. --now is read in the --tz zone.
void SetHandset(const HandsetOptions& options);
// Gives the kept settings to the platform: after each reset, before the service is started.
void ApplyHandset();

// A time as the user writes it: seconds since 1970, or "YYYY-MM-DD HH:MM[:SS]" in the --tz zone when
// one is given, else in UTC.
std::optional<unsigned int> ParseUserTime(const std::string& text);
// The tool's clock: --now when given, else the system's.
unsigned int Now();

// The main list's text of a time: the time today, the yesterday word, else the date.
std::string ListTime(unsigned int t);
// A log's date and time.
std::string DateTime(unsigned int t);
// A call time: "01:02:05".
std::string CallTime(unsigned int seconds);
// The cost of a log as "6 EUR" when the SIM offers advice of charge and the log has a cost in units.
std::optional<std::string> CallCost(const UlogInfo& info);
} // namespace ulogtool

#endif
