// The full contact sync through the ulog tool, run as subprocesses: a vCard file of both versions
// imported with the logs following it, malformed files refused at their line with nothing stored, and
// 'sync --full' after the address book was restored behind the service's back.
#include "support/DataFiles.h"
#include "support/ToolProcess.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace
{
class ToolSyncTest : public ulogtest::ToolTest
{
protected:
    std::string WriteFile(const std::string& name, const std::string& text) const
    {
        const std::string path = m_dir + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    bool CheckFileExists() const
    {
        return std::filesystem::exists(m_root + "/User/Ulog/CtFullSyncCheckDummy.txt");
    }
};

TEST_F(ToolSyncTest, AnImportOfBothVersionsStoresEveryContactAndTheLogsFollow)
{
    Ok({"add", "call", "--dir", "in", "--number", "0170 1234567"});
    Ok({"add", "message", "--dir", "sent", "--number", "0700900222"});
    Ok({"add", "email", "--dir", "received", "--address", "jose@example.es"});
    // 2.1 with quoted-printable UTF-8 (soft line break) and Latin-1 names, bare types and a file URI;
    // 3.0 with escapes, TYPE lists, a folded number and IMPP; CRLF line ends throughout.
    const std::string text = "BEGIN:VCARD\r\n"
                             "VERSION:2.1\r\n"
                             "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:M=C3=BCl=\r\n"
                             "ler;J=C3=BCrgen;;;\r\n"
                             "TEL;CELL;WORK:+49 (170) 123-4567\r\n"
                             "TEL;FAX:030 1234\r\n"
                             "PHOTO;VALUE=URL:file:///User/Pictures/j.jpg\r\n"
                             "X-SNS:jm.person\r\n"
                             "END:VCARD\r\n"
                             "BEGIN:VCARD\r\n"
                             "VERSION:2.1\r\n"
                             "N;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:;Jos=E9\r\n"
                             "EMAIL;INTERNET:jose@example.es\r\n"
                             "PHOTO;ENCODING=BASE64;TYPE=JPEG:/9j/4AAQSkZJRgABAQ\r\n"
                             " AAAQABAAD\r\n"
                             "END:VCARD\r\n"
                             "\r\n"
                             "BEGIN:VCARD\r\n"
                             "VERSION:3.0\r\n"
                             "item1.N:O\\,Neil\\;Jr.;Ann\\\\B;;;\r\n"
                             "FN:Ann O'Neil\r\n"
                             "TEL;TYPE=\"cell,home\":0700 900\r\n"
                             " 222\r\n"
                             "TEL;TYPE=work,voice:tel:+1-555-0100\r\n"
                             "IMPP;TYPE=personal:xmpp:ann@im.example\r\n"
                             "X-JABBER:ann2@im.example\r\n"
                             "NOTE:a note that the address book\r\n"
                             " has no place for\r\n"
                             "END:VCARD\r\n";
    EXPECT_EQ("imported 3 contact(s), ids 1 to 3; the logs are in step\n",
              Ok({"contact", "import", WriteFile("a.vcf", text)}));
    EXPECT_FALSE(CheckFileExists());

    const std::string contacts = Ok({"--json", "contact", "list"});
    EXPECT_TRUE(ulogtest::Holds(
        contacts,
        {"{\"id\": 1, \"first\": \"Jürgen\", \"last\": \"Müller\", \"picture\": \"/User/Pictures/j.jpg\"",
         "\"number\": \"+491701234567\", \"kind\": \"mobile\", \"use\": \"work\"",
         "\"number\": \"0301234\", \"kind\": \"fax-home\"", "\"person\": \"jm.person\"",
         "{\"id\": 2, \"first\": \"José\", \"last\": \"\", \"picture\": \"\"",
         "\"address\": \"jose@example.es\"", "{\"id\": 3, \"first\": \"Ann\\\\B\", \"last\": \"O,Neil;Jr.\"",
         "\"number\": \"0700900222\", \"kind\": \"mobile\", \"use\": \"home\"",
         "\"number\": \"+15550100\", \"kind\": \"telephone\", \"use\": \"work\"",
         "\"address\": \"ann@im.example\"", "\"address\": \"ann2@im.example\""}));
    const std::string logs = Ok({"list"});
    EXPECT_TRUE(ulogtest::Holds(logs, {"incoming         Jürgen Müller",
                                       "message-sent     Ann\\\\B O,Neil;Jr.", "email-received   José"}));
}

struct Malformed
{
    const char* text;
    int code;
    const char* error;
};

void PrintTo(const Malformed& file, std::ostream* out)
{
    *out << file.error;
}

class ToolSyncMalformed : public ToolSyncTest, public ::testing::WithParamInterface<Malformed>
{
};

TEST_P(ToolSyncMalformed, IsRefusedAtItsLineAndStoresNothing)
{
    const std::string file =
        GetParam().text == nullptr ? m_dir + "/missing.vcf" : WriteFile("bad.vcf", GetParam().text);
    ExpectError(Run({"contact", "import", file}), GetParam().code, GetParam().error, GetParam().error);
    EXPECT_FALSE(std::filesystem::exists(m_root)); // refused before the data root is used
}

const char* const kGood = "BEGIN:VCARD\nVERSION:3.0\nN:Lee;Ann\nTEL:0700900333\nEND:VCARD\n";

INSTANTIATE_TEST_SUITE_P(
    Files, ToolSyncMalformed,
    ::testing::Values(
        Malformed{nullptr, 1, "cannot read"},
        Malformed{"VERSION:3.0\n", 2, "line 1: a line outside BEGIN:VCARD and END:VCARD"},
        Malformed{" folded\n", 2, "line 1: a continued line with no line before it"},
        Malformed{"BEGIN:VCARD\nVERSION:3.0\nN:Lee;Ann\n", 2, "line 3: the file ends inside a vCard"},
        Malformed{"BEGIN:VCARD\nVERSION:4.0\nN:Lee;Ann\nEND:VCARD\n", 2, "line 2: vCard version 4.0"},
        Malformed{"BEGIN:VCARD\nVERSION:3.0\nTEL:0700\nEND:VCARD\n", 2, "line 1: a contact without a name"},
        Malformed{"BEGIN:VCARD\nVERSION:3.0\nN:Lee;Ann\nTEL:07ab\nEND:VCARD\n", 2,
                  "line 4: not a phone number: '07ab'"},
        Malformed{"BEGIN:VCARD\nVERSION:2.1\nN;ENCODING=QUOTED-PRINTABLE:L=ZZ;A\nEND:VCARD\n", 2,
                  "line 3: a quoted-printable value with a bad escape"},
        Malformed{"BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=SHIFT_JIS:Lee;Ann\nEND:VCARD\n", 2,
                  "line 3: the character set SHIFT_JIS is not read"},
        Malformed{"BEGIN:VCARD\nVERSION:3.0\nN:Lee;A\\nB\nEND:VCARD\n", 2, "line 3: N is not printable text"},
        // The first card is good: the second refuses the whole file.
        Malformed{"BEGIN:VCARD\nVERSION:3.0\nN:Lee;Ann\nTEL:0700900333\nEND:VCARD\n"
                  "BEGIN:VCARD\nVERSION:3.0\nFN:Bo\nTEL:0700900444\nTEL:+\nEND:VCARD\n",
                  2, "line 10: not a phone number: '+'"}));

TEST_F(ToolSyncTest, AFullSyncBringsTheLogsInStepWithARestoredAddressBook)
{
    ExpectError(Run({"sync"}), 2, "sync: say --full", "no --full");
    ExpectError(Run({"sync", "--full", "--timeout", "soon"}), 2, "--timeout takes seconds", "a bad timeout");
    EXPECT_FALSE(std::filesystem::exists(m_root));

    Ok({"contact", "import", WriteFile("good.vcf", kGood)});
    Ok({"add", "call", "--dir", "out", "--number", "0700900333"});
    EXPECT_TRUE(ulogtest::Holds(Ok({"list"}), {"outgoing         Ann Lee"}));
    // A restore: the address book changes without its listeners hearing of it.
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open((m_root + "/System/contacts.db").c_str(), &db));
    ASSERT_EQ(SQLITE_OK,
              sqlite3_exec(db, "update contacts set first_name = 'Anna'", nullptr, nullptr, nullptr));
    sqlite3_close(db);
    EXPECT_TRUE(ulogtest::Holds(Ok({"list"}), {"outgoing         Ann Lee"}));
    // A pending pass outlives a command that only reads: its marker stays for the next writer.
    std::ofstream(m_root + "/User/Ulog/CtFullSyncCheckDummy.txt").close();
    EXPECT_TRUE(ulogtest::Holds(Ok({"list"}), {"outgoing         Ann Lee"}));
    EXPECT_TRUE(CheckFileExists());

    EXPECT_EQ("the logs are in step with the address book\n", Ok({"sync", "--full"}));
    EXPECT_FALSE(CheckFileExists());
    EXPECT_TRUE(ulogtest::Holds(Ok({"list"}), {"outgoing         Anna Lee"}));
    EXPECT_EQ("{\"synced\": true}\n", Ok({"--json", "sync", "--full", "--timeout", "30"}));
}
} // namespace
