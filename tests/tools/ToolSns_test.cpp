// The SNS commands of the ulog tool, run as subprocesses: bad arguments refused before anything is done,
// a received and a sent message stored and read back with their texts intact, linked to the contact that
// holds the person id.
#include "support/ToolProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace
{
using ToolSnsTest = ulogtest::ToolTest;

TEST_F(ToolSnsTest, BadArgumentsAreRefusedBeforeTheDataRootIsTouched)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"sns"}, "say what to do"},
        {{"sns", "receive", "--message", "m", "--from", "p", "--name", "P"}, "--thread is required"},
        {{"sns", "receive", "--thread", "", "--message", "m", "--from", "p", "--name", "P"},
         "must not be empty"},
        {{"sns", "send", "--thread", "t", "--message", "m"}, "--to is required"},
        {{"sns", "send", "--thread", "t", "--message", "m", "--to", "nobody"}, "--to needs ID:NAME"},
        {{"sns", "send", "--thread", "t", "--message", "m", "--to", "a:A", "--sp", "x"},
         "not a provider number"},
        {{"sns", "send", "--thread", "t", "--message", "m", "--to", "a:A", "--time", "soon"}, "not a time"},
        {{"sns", "send", "--thread", "t\x1b", "--message", "m", "--to", "a:A"}, "not printable UTF-8"},
    };
    for (const auto& [args, text] : cases)
        ExpectError(Run(args), 2, text, text);
    EXPECT_FALSE(std::filesystem::exists(m_root));
}

TEST_F(ToolSnsTest, MessagesAreStoredPerCorrespondentWithTheirTexts)
{
    ASSERT_EQ(Ok({"contact", "add", "--first", "Ann", "--last", "Lee", "--sns", "ann.sns"}),
              "stored contact 1\n");
    EXPECT_TRUE(ulogtest::Holds(
        Ok({"--json", "sns", "receive", "--thread", "th'1", "--message", "m%1", "--from", "ann.sns", "--name",
            "Annie \"A\" 100%", "--subject", "Grüße 😀", "--body", "line 1\nline 2", "--sp", "3", "--time",
            "2026-12-01 10:00"}),
        {"{\"id\": 1, \"type\": \"sns-in\", \"person\": \"ann.sns\", \"name\": \"Annie \\\"A\\\" 100%\", "
         "\"sync\": \"th'1.m%1\", \"subject\": \"Grüße 😀\", \"body\": \"line 1\\nline 2\", \"sp\": 3, "
         "\"contact\": 1,",
         "\"start\": 1796119200}"}));

    // A recipient's name runs to the end of its --to, colons and all.
    EXPECT_EQ(
        Ok({"sns", "send", "--thread", "th'1", "--message", "m2", "--to", "ann.sns:Ann", "--to", "zed:Z:ed"}),
        "stored sns-out: id 2, group 1, count 1, person ann.sns, sync id th'1.m2\n"
        "stored sns-out: id 3, group 2, count 1, person zed, sync id th'1.m2\n");
    const std::string out = Ok({"list", "--type", "sns-out"});
    EXPECT_EQ(ulogtest::CountLines(out), 2) << out;
    EXPECT_TRUE(ulogtest::Holds(out, {"Ann Lee", "Z:ed"}));
}
} // namespace
