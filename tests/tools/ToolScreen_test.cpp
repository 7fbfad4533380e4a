// The log screen of the ulog tool: each log's time, call time and cost as the handset shows them in
// its locale and time zone, under a clock fixed for the run.
#include "support/DataFiles.h"
#include "support/ToolProcess.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
using ulogtest::Holds;

// A handset: its locale, zone and clock (local time in the zone).
struct Handset
{
    const char* locale;
    const char* zone;
    const char* now;
};

class ToolScreenTest : public ulogtest::ToolTest
{
protected:
    // A command on the handset that must succeed; its standard output.
    std::string On(const Handset& h, std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--locale", h.locale, "--tz", h.zone, "--now", h.now});
        return Ok(args);
    }
    // Calls at times of the handset's zone: Alice, one of 12 units (yesterday), Alice again (today).
    void AddCalls(const Handset& h, const char* older, const char* yesterday, const char* today)
    {
        On(h, {"add", "call", "--dir", "out", "--number", "0101", "--name", "Alice", "--start", older,
               "--duration", "59"});
        On(h, {"add", "call", "--dir", "in", "--number", "0102", "--start", yesterday, "--duration", "3725",
               "--cost", "12"});
        On(h, {"add", "call", "--dir", "out", "--number", "0101", "--name", "Alice", "--start", today,
               "--duration", "65"});
    }
};

const Handset kNewYork = {"en_US", "America/New_York", "2026-12-06 10:00"};
const Handset kTokyo = {"de_DE", "Asia/Tokyo", "2026-12-06 08:00"}; // still the 5th in UTC
} // namespace

TEST_F(ToolScreenTest, ListHistoryAndShowInTwoLocalesAndZones)
{
    struct Case
    {
        Handset handset;
        const char* older;
        const char* yesterday; // in UTC already the handset's today (New York) or still the 4th (Tokyo)
        const char* today;
        std::string list;
        std::string history;
        const char* start; // the line of 'show'
    };
    const Case cases[] = {
        {kNewYork, "2026-12-04 23:59:59", "2026-12-05 23:30", "2026-12-06 08:05",
         "1     outgoing         Alice                          2  8:05 AM\n"
         "2     incoming         0102                           1  Yesterday  6 EUR\n",
         "outgoing Alice: 2 event(s)\n"
         "  3     outgoing         12/06/2026 8:05:00 AM  00:01:05\n"
         "  1     outgoing         12/04/2026 11:59:59 PM  00:00:59\n",
         "start:      12/05/2026 11:30:00 PM\n"},
        {kTokyo, "2026-12-04 18:05:09", "2026-12-05 08:05", "2026-12-06 00:10",
         "1     outgoing         Alice                          2  00:10\n"
         "2     incoming         0102                           1  Gestern  6 EUR\n",
         "outgoing Alice: 2 event(s)\n"
         "  3     outgoing         06/12/2026 00:10  00:01:05\n"
         "  1     outgoing         04/12/2026 18:05  00:00:59\n",
         "start:      05/12/2026 08:05\n"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.handset.locale);
        m_root = m_dir + "/" + c.handset.locale;
        AddCalls(c.handset, c.older, c.yesterday, c.today);
        EXPECT_EQ(On(c.handset, {"--aoc", "0.5:EUR", "list"}), c.list);
        EXPECT_EQ(On(c.handset, {"--aoc", "0.5:EUR", "history", "1"}), c.history);
        EXPECT_TRUE(Holds(On(c.handset, {"--aoc", "0.5:EUR", "show", "2"}),
                          {c.start, "duration:   01:02:05\n", "cost:       6 EUR\n"}));
        std::string list = c.list; // without advice of charge no cost is shown
        EXPECT_EQ(On(c.handset, {"list"}), list.erase(list.find("  6 EUR"), 7));
    }
    // The older row appears once the list reaches it: the date alone in each locale.
    m_root = m_dir + "/older";
    On(kNewYork, {"add", "message", "--dir", "sent", "--number", "0103", "--start", "2026-12-03 23:59:59"});
    EXPECT_NE(On(kNewYork, {"list"}).find("1  12/03/2026\n"), std::string::npos);
    EXPECT_NE(On(kTokyo, {"list"}).find("1  04.12.2026\n"), std::string::npos)
        << "13:59:59 on the 4th in Tokyo";
}

TEST_F(ToolScreenTest, TimesAreReadInTheZoneAndJsonKeepsTheRawSecondsBesideTheTexts)
{
    On(kNewYork, {"add", "call", "--dir", "out", "--number", "0101", "--start", "2026-12-06 08:05",
                  "--duration", "65", "--cost", "12"});
    On(kNewYork, {"add", "call", "--dir", "in", "--number", "0102", "--start", "2026-07-01 12:00"}); // summer
    On(kNewYork, {"add", "call", "--dir", "missed", "--number", "0103", "--start", "1796483400"});   // as is
    On(kNewYork, {"add", "message", "--dir", "sent", "--number", "0104"});                           // --now
    const std::string json = On(kNewYork, {"--aoc", "0.5:EUR", "--json", "list"});
    EXPECT_TRUE(Holds(json, {"\"start\": 1796562300, \"start_text\": \"8:05 AM\", \"duration\": 65, "
                             "\"duration_text\": \"00:01:05\", \"cost\": 12, \"cost_text\": \"6 EUR\"",
                             "\"start\": 1782921600, \"start_text\": \"07/01/2026\"",
                             "\"start\": 1796483400, \"start_text\": \"Yesterday\"",
                             "\"start\": 1796569200, \"start_text\": \"10:00 AM\""}))
        << json;
    // Without --tz a date is UTC and the zone and locale come from the environment.
    const ulogtest::ToolResult r =
        ulogtest::RunTool({"--root", m_root, "--now", "2026-12-06 13:30", "list", "--type", "outgoing"},
                          m_dir, {"ULOG_TZ=Asia/Tokyo", "ULOG_LOCALE=de_DE"});
    EXPECT_EQ(r.out, "1     outgoing         0101                           1  22:05\n") << r.err;
}
