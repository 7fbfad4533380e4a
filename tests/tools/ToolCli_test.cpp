// The ulog tool, run as a subprocess on a temporary data root: output and exit status of each
// command, and the refusal of bad arguments.
#include "support/DataFiles.h"
#include "support/ToolProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace
{
using ulogtest::CountLines;
using ulogtest::Holds;
using ulogtest::ToolResult;

class ToolTest : public ulogtest::ToolTest
{
protected:
    // Runs the tool in the test's directory with the given environment changes.
    ToolResult RunRaw(const std::vector<std::string>& args, const std::vector<std::string>& env = {})
    {
        return ulogtest::RunTool(args, m_dir, env, m_dir);
    }
    // A refused command line; extra arguments follow the arguments of a valid outgoing call when given.
    void ExpectUsageError(std::vector<std::string> args, const std::string& text,
                          const std::vector<std::string>& extra = {})
    {
        if (!extra.empty())
            args.insert(args.end(), extra.begin(), extra.end());
        std::string all;
        for (const auto& a : args)
            all += a + " ";
        ExpectError(Run(args), 2, text, all);
    }
};
} // namespace

TEST_F(ToolTest, HelpDescribesEveryCommandWithoutTouchingTheDataRoot)
{
    ToolResult r = Run({"--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(Holds(r.out, {"usage: ulog", "--locale L", "--tz ZONE", "--now TIME", "--aoc PRICE"}));
    for (const char* command : {"add", "list", "history", "show", "delete", "stats", "contact", "fdn", "sync",
                                "sns", "export", "frequent", "favourites"})
    {
        r = Run({command, "--help"});
        EXPECT_EQ(r.code, 0) << command;
        EXPECT_NE(r.out.find(std::string("usage: ulog ") + command), std::string::npos) << command << r.out;
    }
    r = Run({"add", "call", "--help"});
    EXPECT_NE(r.out.find("--duration SECONDS"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(m_root));
}

TEST_F(ToolTest, AddPrintsTheRowIdGroupAndCount)
{
    EXPECT_EQ(Ok({"add", "call", "--dir", "out", "--number", "0101234567", "--duration", "65"}),
              "stored outgoing: id 1, group 1, count 1\n");
    EXPECT_EQ(Ok({"add", "call", "--dir", "out", "--number", "0101234567"}),
              "stored outgoing: id 1, group 1, count 2\n");
    EXPECT_EQ(Ok({"add", "call", "--dir", "missed", "--number", "0101234567"}),
              "stored missed: id 2, group 1, count 1\n");
    EXPECT_EQ(Ok({"--json", "add", "message", "--dir", "sent", "--number", "0209999999"}),
              "{\"id\": 3, \"group\": 2, \"count\": 1, \"type\": \"message-sent\"}\n");
    EXPECT_EQ(Ok({"add", "email", "--dir", "received", "--address", "ann@example.org", "--name", "Ann"}),
              "stored email-received: id 4, group 3, count 1\n");
}

TEST_F(ToolTest, BadArgumentsAreRefusedWithOneLineAndNothingIsStored)
{
    const std::vector<std::string> call = {"add", "call", "--dir", "out", "--number", "0101234567"};
    ExpectUsageError({}, "no command");
    ExpectUsageError({"fly"}, "unknown command 'fly'");
    ExpectUsageError({"add"}, "call, message or email");
    ExpectUsageError({"add", "fax", "--number", "1"}, "cannot add 'fax'");
    ExpectUsageError({"add", "call", "--number", "0101234567"}, "--dir is required");
    ExpectUsageError({"add", "call", "--dir", "sideways", "--number", "0101234567"},
                     "--dir must be out, in or missed");
    ExpectUsageError({"add", "call", "--dir", "out"}, "--number is required");
    ExpectUsageError({"add", "call", "--dir", "out", "--number", "call me"}, "not a phone number");
    ExpectUsageError({"add", "call", "--dir", "out", "--number", ""}, "not a phone number");
    ExpectUsageError(call, "not a duration", {"--duration", "-5"});
    ExpectUsageError(call, "not a duration", {"--duration", "1e3"});
    ExpectUsageError(call, "not a time", {"--start", "2026-13-01"});
    ExpectUsageError(call, "not a time", {"--start", "2026-02-30 10:00"});
    ExpectUsageError(call, "--line must be 1 or 2", {"--line", "3"});
    ExpectUsageError({"add", "call", "--dir", "missed", "--number", "0101234567", "--duration", "10"},
                     "a missed call has no duration");
    ExpectUsageError(call, "longer than 309", {"--name", std::string(400, 'x')});
    ExpectUsageError(call, "--dir given twice", {"--dir", "in"});
    ExpectUsageError({"add", "call", "--dir", "out", "--number"}, "--number needs a value");
    ExpectUsageError(call, "takes no value", {"--video=yes"});
    ExpectUsageError({"add", "message", "--dir", "sent", "--number", "0101234567", "--duration", "5"},
                     "unknown option --duration");
    ExpectUsageError({"add", "message", "--dir", "missed", "--number", "0101234567"}, "sent or received");
    ExpectUsageError({"add", "email", "--dir", "sent"}, "--address is required");
    ExpectUsageError({"add", "email", "--dir", "sent", "--address", "nobody"}, "not an e-mail address");
    ExpectUsageError({"list", "--type", "faxes"}, "unknown type 'faxes'");
    ExpectUsageError({"list", "extra"}, "unexpected argument");
    ExpectUsageError({"history"}, "give one ID");
    ExpectUsageError({"history", "abc"}, "not an id");
    ExpectUsageError({"show", "-3"}, "not an id");
    ExpectUsageError({"delete", "1", "2"}, "give one ID");
    ExpectUsageError({"delete", "--all", "5"}, "either an ID or --all");
    ExpectUsageError({"stats", "now"}, "unexpected argument");
    ExpectUsageError({"add", "call", "--dir", "missed", "--number", "0101234567", "--cost", "1"},
                     "a missed call has no cost");
    ExpectUsageError({"--tz", "Mars/Base", "list"}, "unknown time zone 'Mars/Base'");
    ExpectUsageError({"--locale=xx_YY", "list"}, "unknown locale 'xx_YY'");
    ExpectUsageError({"--now", "2026-02-30", "list"}, "--now: not a time");
    ExpectUsageError({"--aoc", "0.5:EURO", "list"}, "not a price per unit");
    ExpectUsageError({"list", "--aoc"}, "--aoc needs a value");

    ToolResult r = RunRaw({"list", "--root"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("--root needs a directory"), std::string::npos);

    // None of them stored anything.
    EXPECT_EQ(Ok({"list"}), "no logs\n");
    EXPECT_EQ(Ok({"--json", "list"}), "[]\n");
}

TEST_F(ToolTest, ListShowsOneLinePerRowNewestFirstAndFiltersByType)
{
    Ok({"add", "call", "--dir", "out", "--number", "0101111111", "--name", "Alice", "--start",
        "2026-01-02 10:00"});
    Ok({"add", "call", "--dir", "in", "--number", "0102222222", "--start", "2026-01-02 11:00:30"});
    Ok({"add", "message", "--dir", "received", "--number", "0103333333", "--start", "1767355200"});
    Ok({"add", "call", "--dir", "out", "--number", "0101111111", "--start", "2026-01-02 12:00"});

    const std::string list = Ok({"list"});
    EXPECT_EQ(list, "1     outgoing         Alice                          2  01/02/2026\n"
                    "3     message-received 0103333333                     1  01/02/2026\n"
                    "2     incoming         0102222222                     1  01/02/2026\n");
    EXPECT_EQ(Ok({"list", "--type", "incoming"}),
              "2     incoming         0102222222                     1  01/02/2026\n");
    EXPECT_EQ(CountLines(Ok({"list", "--type", "calls"})), 2);
    EXPECT_EQ(Ok({"list", "--type", "missed"}), "no logs\n");

    const std::string json = Ok({"list", "--json", "--type", "messages"});
    EXPECT_EQ(json,
              "[\n  {\"id\": 3, \"type\": \"message-received\", \"name\": \"\", \"number\": \"0103333333\", "
              "\"email\": \"\", \"group\": 3, \"count\": 1, \"start\": 1767355200, \"start_text\": "
              "\"01/02/2026\", \"duration\": 0, \"duration_text\": \"00:00:00\", \"unchecked\": true}\n]\n");
}

TEST_F(ToolTest, HistoryAndShowDescribeOneRowAndItsEvents)
{
    Ok({"add", "call", "--dir", "out", "--number", "0101111111", "--start", "2026-03-01 09:00", "--duration",
        "65"});
    Ok({"add", "call", "--dir", "out", "--number", "0101111111", "--start", "2026-03-01 10:00", "--duration",
        "3725", "--video", "--line", "2"});
    Ok({"add", "call", "--dir", "in", "--number", "0109999999", "--start", "2026-03-01 11:00"});

    EXPECT_EQ(Ok({"history", "1"}), "outgoing 0101111111: 2 event(s)\n"
                                    "  2     outgoing         03/01/2026 10:00:00 AM  01:02:05\n"
                                    "  1     outgoing         03/01/2026 9:00:00 AM  00:01:05\n");
    const std::string json = Ok({"--json", "history", "1"});
    EXPECT_TRUE(Holds(json, {"\"parent\": 1", "\"duration\": 3725"}));
    EXPECT_EQ(CountLines(json), 4);
    EXPECT_TRUE(Holds(Ok({"show", "1"}), {"type:       outgoing\n", "count:      2\n",
                                          "duration:   01:02:05\n", "call:       video, line 2\n"}));
    EXPECT_EQ(Ok({"show", "2", "--json"}).rfind("{\"id\": 2, \"type\": \"incoming\"", 0), 0u);

    for (const char* command : {"history", "show", "delete"})
    {
        ToolResult r = Run({command, "42"});
        EXPECT_EQ(r.code, 1) << command;
        EXPECT_EQ(r.err, "ulog: " + std::string(command) + ": no log with id 42\n");
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(ToolTest, DeleteRemovesOneRowWithItsEventsOrEverything)
{
    Ok({"add", "call", "--dir", "out", "--number", "0101111111"});
    Ok({"add", "call", "--dir", "out", "--number", "0101111111"});
    Ok({"add", "call", "--dir", "in", "--number", "0102222222"});
    EXPECT_EQ(Ok({"delete", "1"}), "deleted log 1\n");
    EXPECT_EQ(CountLines(Ok({"list"})), 1);
    EXPECT_EQ(Run({"history", "1"}).code, 1);
    EXPECT_NE(Ok({"--json", "stats"}).find("\"outgoing\": {\"rows\": 0, \"events\": 0}"), std::string::npos);

    EXPECT_EQ(Ok({"delete", "--all", "--json"}), "{\"deleted\": \"all\"}\n");
    EXPECT_EQ(Ok({"list"}), "no logs\n");
}

TEST_F(ToolTest, StatsGiveCallTimesAndCounts)
{
    Ok({"add", "call", "--dir", "missed", "--number", "0103333333"});
    Ok({"add", "call", "--dir", "out", "--number", "0101111111", "--duration", "65"});
    Ok({"add", "call", "--dir", "in", "--number", "0102222222", "--duration", "3725"});
    EXPECT_TRUE(Holds(Ok({"stats"}),
                      {"  voice line 1         00:01:05   01:02:05\n", "last call              01:02:05\n",
                       "life time              01:03:10\n", "unchecked missed calls        1\n"}));
    EXPECT_TRUE(Holds(Ok({"stats", "--json"}),
                      {"\"outgoing\": {\"voice\": [65, 0]", "\"incoming\": {\"voice\": [3725, 0]",
                       "\"life\": 3790", "\"missed\": {\"rows\": 1, \"events\": 1}"}));
}

TEST_F(ToolTest, TheDataRootComesFromTheOptionThenTheEnvironmentThenTheWorkingDirectory)
{
    const std::string envRoot = m_dir + "/env-root";
    ToolResult r =
        RunRaw({"add", "call", "--dir", "out", "--number", "0101111111"}, {"ULOG_ROOT=" + envRoot});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(envRoot));
    // --root wins over the environment.
    r = RunRaw({"--root", m_root, "list"}, {"ULOG_ROOT=" + envRoot});
    EXPECT_EQ(r.out, "no logs\n");
    r = RunRaw({"list"}, {"ULOG_ROOT=" + envRoot});
    EXPECT_EQ(CountLines(r.out), 1);

    r = RunRaw({"add", "call", "--dir", "in", "--number", "0102222222"}, {"ULOG_ROOT"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(m_dir + "/ulog-data"));

    // A data root that cannot be a directory.
    std::ofstream(m_dir + "/file") << "x";
    r = RunRaw({"--root", m_dir + "/file", "list"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("cannot use the data root"), std::string::npos) << r.err;
}
