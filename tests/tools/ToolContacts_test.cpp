// The address book and SNS commands of the ulog tool, run as subprocesses: contacts and FDN entries kept,
// the logs following them from one command to the next, SNS messages stored per correspondent with their
// texts intact, and bad arguments refused before anything is done.
#include "support/ToolProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace
{
using ulogtest::Holds;
using ToolContactsTest = ulogtest::ToolTest;
using ToolSnsTest = ulogtest::ToolTest;

TEST_F(ToolContactsTest, BadArgumentsAreRefusedAndListsCreateNothing)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"contact"}, "say what to do"},
        {{"contact", "rename", "1"}, "unknown action 'rename'"},
        {{"contact", "add", "--number", "0123"}, "give the contact a name"},
        {{"contact", "add", "--first", "A", "--number", "01x3"}, "not a number: '01x3'"},
        {{"contact", "add", "--first", "A", "--number", "0123:cell"}, "unknown number kind 'cell'"},
        {{"contact", "add", "--first", "A", "--number", "0123:mobile:play"}, "unknown use 'play'"},
        {{"contact", "add", "--first", "A", "--email", "nobody"}, "not an e-mail address"},
        {{"contact", "add", "--first", "A", "--first", "B"}, "--first given twice"},
        {{"contact", "add", "--first", std::string(600, 'a')}, "--first is longer than"},
        {{"contact", "edit", "--first", "A"}, "give one ID"},
        {{"contact", "delete", "x"}, "not an id: 'x'"},
        {{"fdn", "add", "--name", "Office"}, "--name and --number are required"},
        {{"fdn", "add", "--name", "Office", "--number", "12ab"}, "not a phone number"},
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
    // Listing a missing root finds nothing there and leaves it missing.
    EXPECT_EQ(Ok({"contact", "list"}), "no contacts\n");
    EXPECT_EQ(Ok({"--json", "fdn", "list"}), "[]\n");
    EXPECT_FALSE(std::filesystem::exists(m_root));
}

TEST_F(ToolContactsTest, ContactsAreStoredEditedAndDeleted)
{
    EXPECT_EQ(
        Ok({"contact", "add", "--first", "Ann", "--last", "O'Lee \"100%\"", "--picture",
            "/User/Pictures/ann.jpg", "--number", "+44 (20) 7946-0001", "--number", "555 0100:telephone:work",
            "--email", "ann@example.com", "--sns", "ann.sns", "--im", "ann@im"}),
        "stored contact 1\n");
    EXPECT_TRUE(Holds(
        Ok({"--json", "contact", "list"}),
        {"\"first\": \"Ann\", \"last\": \"O'Lee \\\"100%\\\"\", \"picture\": \"/User/Pictures/ann.jpg\"",
         "\"number\": \"+442079460001\", \"kind\": \"mobile\", \"use\": \"home\", \"storage\": \"phone\"",
         "\"number\": \"5550100\", \"kind\": \"telephone\", \"use\": \"work\"",
         "\"address\": \"ann@example.com\"", "\"person\": \"ann.sns\"", "\"address\": \"ann@im\""}));

    // A list given to edit replaces that list; what is not given stays.
    EXPECT_EQ(Ok({"contact", "edit", "1", "--first", "Anne", "--sim", "--number", "02079460001:mobile:work"}),
              "changed contact 1\n");
    const std::string json = Ok({"--json", "contact", "list"});
    EXPECT_TRUE(Holds(json, {"\"first\": \"Anne\"", "ann@example.com",
                             "\"number\": \"02079460001\", \"kind\": \"mobile\", \"use\": \"work\", "
                             "\"storage\": \"sim\""}));
    EXPECT_EQ(json.find("5550100"), std::string::npos) << json;

    ExpectError(Run({"contact", "delete", "2"}), 1, "no contact with id 2", "delete");
    EXPECT_EQ(Ok({"contact", "delete", "1"}), "deleted contact 1\n");
    EXPECT_EQ(Ok({"contact", "list"}), "no contacts\n");
    // Ids are never given out again.
    EXPECT_EQ(Ok({"contact", "add", "--last", "Lee"}), "stored contact 2\n");
}

TEST_F(ToolContactsTest, TheLogsFollowTheAddressBook)
{
    auto fnOnlyRow = [&] // the one row of `ulog list --json`, which must hold exactly one row
    {
        const std::string out = Ok({"--json", "list"});
        EXPECT_EQ(ulogtest::CountLines(out), 3) << out; // "[", the row, "]"
        return out;
    };
    Ok({"add", "call", "--dir", "in", "--number", "020 7946 0001", "--start", "2026-12-01 09:00",
        "--duration", "30"});
    Ok({"add", "call", "--dir", "in", "--number", "020 7946 0001", "--start", "2026-12-01 10:00"});
    EXPECT_TRUE(Holds(fnOnlyRow(), {"\"name\": \"\""})) << "an unknown number has no name";

    // The number saved to a new contact names the row and every event at once.
    Ok({"contact", "add", "--first", "Ann", "--last", "Lee", "--number", "+44 20 7946 0001"});
    EXPECT_TRUE(Holds(fnOnlyRow(), {"\"name\": \"Ann Lee\""}));
    const std::string history = Ok({"--json", "history", "1"});
    EXPECT_EQ(ulogtest::CountLines(history), 4) << history;
    size_t named = 0;
    for (size_t at = 0; (at = history.find("\"name\": \"Ann Lee\"", at)) != std::string::npos; ++at)
        ++named;
    EXPECT_EQ(named, 2u) << history;

    Ok({"contact", "edit", "1", "--first", "Anna"});
    EXPECT_TRUE(Holds(fnOnlyRow(), {"\"name\": \"Anna Lee\""}));
    EXPECT_TRUE(Holds(Ok({"show", "1"}), {"Anna Lee"}));

    // Without its contact the number shows the name of its FDN entry, then nothing.
    Ok({"fdn", "add", "--name", "Office", "--number", "02079460001"});
    Ok({"contact", "delete", "1"});
    EXPECT_TRUE(Holds(fnOnlyRow(), {"\"name\": \"Office\""}));
    Ok({"fdn", "delete", "1"});
    EXPECT_TRUE(Holds(fnOnlyRow(), {"\"name\": \"\""}));
}

TEST_F(ToolContactsTest, AnAddedEventTakesItsContactFromTheAddressBook)
{
    Ok({"contact", "add", "--first", "Bo", "--picture", "/User/Pictures/bo.png", "--number", "0171 555 0123",
        "--email", "bo@example.com"});
    Ok({"add", "call", "--dir", "out", "--number", "+44 171 555 0123", "--duration", "5"});
    Ok({"add", "email", "--dir", "received", "--address", "bo@example.com"});
    Ok({"add", "message", "--dir", "sent", "--number", "0171 555 0123", "--name", "Given"});
    // A name given on the command line is the caller's choice.
    EXPECT_TRUE(Holds(Ok({"--json", "list"}), {"\"type\": \"outgoing\", \"name\": \"Bo\"",
                                               "\"type\": \"email-received\", \"name\": \"Bo\"",
                                               "\"type\": \"message-sent\", \"name\": \"Given\""}));
    // The outgoing call's row (the first added) carries the contact whole.
    EXPECT_TRUE(Holds(Ok({"--json", "show", "1"}),
                      {"\"type\": \"outgoing\"",
                       "\"contact\": {\"id\": 1, \"data\": 1, \"fdn\": 0, \"first\": \"Bo\", \"last\": \"\", "
                       "\"picture\": \"/User/Pictures/bo.png\", \"phone_type\": 0, \"storage\": 1}"}));
}

TEST_F(ToolSnsTest, MessagesAreStoredPerCorrespondentWithTheirTexts)
{
    ASSERT_EQ(Ok({"contact", "add", "--first", "Ann", "--last", "Lee", "--sns", "ann.sns"}),
              "stored contact 1\n");
    EXPECT_TRUE(Holds(
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
    EXPECT_TRUE(Holds(out, {"Ann Lee", "Z:ed"}));
}
} // namespace
