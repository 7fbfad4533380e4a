// The full contact sync in the ulog tool: 'contact import FILE' stores the contacts of a vCard file in one
// bulk write of the address book, and 'sync --full' asks for a pass over every log; both wait until the
// pass has brought the logs in step (its check file is gone).
//
// The vCard reader is a small one of the tool's own. Debian's C and C++ vCard libraries are either old
// and unmaintained (libvformat, libvc: neither reads 3.0's escapes nor converts character sets) or bring
// a grammar engine with them (libbelcard on belr); the part of vCard 2.1 and 3.0 that the address book
// can hold is small enough to read here.
#include "UlogToolCommon.h"
#include "UlogToolContacts.h"
#include "UlogToolFormat.h"

#include "KivCtSvc/KivCtSvc.h"
#include "UlogSvc.h"
#include "control/PlatformControl.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace ulogtool
{
const char* const s_syncHelp =
    "usage: ulog sync --full [--timeout SECONDS]\n"
    "\n"
    "Brings every stored log in step with the address book in one pass, as after a\n"
    "restore of the address book, and waits until the pass has ended (at most\n"
    "--timeout seconds, 60 by default; 0 does not wait). A pass that has not ended by\n"
    "then is left to the next start of the service, and the command fails (1).\n";

namespace
{
const char* const kCheckFile = "/User/Ulog/CtFullSyncCheckDummy.txt";
const long long kDefaultTimeout = 60;

// ---- vCard reading -----------------------------------------------------------------------------

// A refusal of the file, at a line of it.
[[noreturn]] void Malformed(int line, const std::string& why)
{
    Usage("contact import: line " + std::to_string(line) + ": " + why + "; nothing was stored");
}

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() && Upper(text.substr(0, prefix.size())) == Upper(prefix);
}

// One property line, unfolded: NAME;PARAM=VALUE,...;BARE:value.
struct Property
{
    int line = 0;
    std::string name;                          // upper case, without its group
    std::vector<std::string> types;            // TYPE values and 2.1's bare parameters, upper case
    std::map<std::string, std::string> params; // other parameters, names and values upper case
    std::string value;                         // as written (escapes and encodings still in it)
};

// Splits at a separator that is not inside double quotes (3.0 parameter values) and not escaped.
std::vector<std::string> SplitOutside(const std::string& text, char separator, bool escapes)
{
    std::vector<std::string> parts(1);
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i)
    {
        const char c = text[i];
        if (escapes && c == '\\' && i + 1 < text.size())
        {
            parts.back() += text.substr(i, 2);
            ++i;
        }
        else if (c == '"')
            quoted = !quoted;
        else if (c == separator && !quoted)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

Property ParseProperty(const std::string& text, int line)
{
    Property prop;
    prop.line = line;
    bool quoted = false;
    size_t colon = std::string::npos;
    for (size_t i = 0; i < text.size() && colon == std::string::npos; ++i)
    {
        if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == ':' && !quoted)
            colon = i;
    }
    if (colon == std::string::npos)
        Malformed(line, "not a vCard line (NAME:value)");
    prop.value = text.substr(colon + 1);
    const std::vector<std::string> head = SplitOutside(text.substr(0, colon), ';', false);
    std::string name = head[0];
    if (const size_t dot = name.find('.'); dot != std::string::npos)
        name = name.substr(dot + 1); // a group: "item1.TEL"
    if (name.empty() ||
        !std::all_of(name.begin(), name.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-'; }))
        Malformed(line, "not a property name: '" + Printable(head[0]) + "'");
    prop.name = Upper(name);
    for (size_t i = 1; i < head.size(); ++i)
    {
        const size_t eq = head[i].find('=');
        const std::string key = Upper(head[i].substr(0, eq));
        std::string value = eq == std::string::npos ? std::string() : head[i].substr(eq + 1);
        value.erase(std::remove(value.begin(), value.end(), '"'), value.end());
        if (eq == std::string::npos) // 2.1: a bare type, or a bare encoding
        {
            if (key == "QUOTED-PRINTABLE" || key == "BASE64" || key == "8BIT" || key == "7BIT")
                prop.params["ENCODING"] = key;
            else
                prop.types.push_back(key);
        }
        else if (key == "TYPE")
            for (const std::string& type : SplitOutside(value, ',', false))
                prop.types.push_back(Upper(type));
        else
            prop.params[key] = Upper(value);
    }
    return prop;
}

// The physical lines unfolded into property lines, each with the number of its first line: a line that
// begins with a space or tab continues the one before (both versions); a quoted-printable value that
// ends in '=' continues on the next line (2.1's soft line break).
std::vector<std::pair<int, std::string>> Unfold(const std::string& text)
{
    std::vector<std::pair<int, std::string>> lines;
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    bool softBreak = false;
    while (std::getline(in, raw))
    {
        ++number;
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        if (number == 1 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0)
            raw.erase(0, 3); // a byte-order mark
        if (softBreak)
            lines.back().second += raw;
        else if (!raw.empty() && (raw[0] == ' ' || raw[0] == '\t'))
        {
            if (lines.empty())
                Malformed(number, "a continued line with no line before it");
            lines.back().second += raw.substr(1);
        }
        else if (!raw.empty())
            lines.emplace_back(number, raw);
        softBreak = false;
        if (!lines.empty() && !lines.back().second.empty() && lines.back().second.back() == '=')
        {
            const std::string& line = lines.back().second;
            const size_t colon = line.find(':');
            if (colon != std::string::npos &&
                Upper(line.substr(0, colon)).find("QUOTED-PRINTABLE") != std::string::npos)
            {
                lines.back().second.pop_back();
                softBreak = true;
            }
        }
    }
    return lines;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
}

// One value of a property: its encoding, character set and (3.0) escapes undone, as UTF-8.
std::string DecodeText(const Property& prop, const std::string& raw, bool v30)
{
    std::string text;
    const auto encoding = prop.params.find("ENCODING");
    if (encoding != prop.params.end() && encoding->second == "QUOTED-PRINTABLE")
    {
        for (size_t i = 0; i < raw.size(); ++i)
        {
            if (raw[i] != '=')
            {
                text += raw[i];
                continue;
            }
            const int hi = i + 2 < raw.size() ? HexDigit(raw[i + 1]) : -1;
            const int lo = i + 2 < raw.size() ? HexDigit(raw[i + 2]) : -1;
            if (hi < 0 || lo < 0)
                Malformed(prop.line, "a quoted-printable value with a bad escape");
            text += static_cast<char>(hi * 16 + lo);
            i += 2;
        }
    }
    else if (encoding != prop.params.end() && encoding->second != "8BIT" && encoding->second != "7BIT")
        Malformed(prop.line, prop.name + " is not text (ENCODING=" + encoding->second + ")");
    else
        text = raw;

    const auto charset = prop.params.find("CHARSET");
    const std::string set = charset == prop.params.end() ? "UTF-8" : charset->second;
    if (set == "ISO-8859-1" || set == "LATIN1")
    {
        std::string utf8;
        for (unsigned char c : text)
        {
            if (c < 0x80)
                utf8 += static_cast<char>(c);
            else
            {
                utf8 += static_cast<char>(0xC0 | (c >> 6));
                utf8 += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
        text = utf8;
    }
    else if (set != "UTF-8" && set != "US-ASCII")
        Malformed(prop.line, "the character set " + set + " is not read (UTF-8, US-ASCII, ISO-8859-1)");

    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
    {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] == '\\' && (next == ';' || (v30 && (next == ',' || next == '\\'))))
            out += text[++i];
        else if (v30 && text[i] == '\\' && (next == 'n' || next == 'N'))
        {
            out += '\n';
            ++i;
        }
        else
            out += text[i];
    }
    if (!IsPrintableUtf8(out))
        Malformed(prop.line, prop.name + " is not printable text");
    return out;
}

template <size_t N> void Field(char (&field)[N], const std::string& value, const Property& prop)
{
    if (value.size() >= N)
        Malformed(prop.line, prop.name + " is longer than " + std::to_string(N - 1) + " bytes");
    std::memcpy(field, value.data(), value.size());
    field[value.size()] = '\0';
}

bool HasType(const Property& prop, const char* type)
{
    return std::find(prop.types.begin(), prop.types.end(), type) != prop.types.end();
}

// A TEL line: its kind and use from its types.
CtSvcPhoneNumberRecord TelRecord(const Property& prop, std::string number)
{
    CtSvcPhoneNumberRecord rec;
    std::memset(&rec, 0, sizeof(rec));
    rec.nStorageKind = CTSVC_STORAGE_PHONE;
    if (StartsWithNoCase(number, "tel:"))
        number = number.substr(4);
    number = WithoutSeparators(number);
    if (!IsPhoneNumber(number))
        Malformed(prop.line, "not a phone number: '" + Printable(number) + "'");
    Field(rec.szNumber, number, prop);
    const bool work = HasType(prop, "WORK");
    rec.nUseType = work ? CTSVC_USE_WORK : CTSVC_USE_HOME;
    if (HasType(prop, "CELL") || HasType(prop, "MOBILE"))
        rec.nNumberKind = CTSVC_PHONE_MOBILE;
    else if (HasType(prop, "FAX"))
        rec.nNumberKind = work ? CTSVC_PHONE_FAX_WORK : CTSVC_PHONE_FAX_HOME;
    else if (HasType(prop, "PAGER"))
        rec.nNumberKind = CTSVC_PHONE_PAGER;
    else if (HasType(prop, "CAR"))
        rec.nNumberKind = CTSVC_PHONE_CAR;
    else if (HasType(prop, "VIDEO"))
        rec.nNumberKind = CTSVC_PHONE_VIDEO;
    else if (HasType(prop, "ISDN") || HasType(prop, "MODEM") || HasType(prop, "BBS"))
        rec.nNumberKind = CTSVC_PHONE_OTHER;
    else
        rec.nNumberKind = CTSVC_PHONE_TELEPHONE;
    if (rec.nNumberKind != CTSVC_PHONE_MOBILE && rec.nNumberKind != CTSVC_PHONE_TELEPHONE)
        rec.nUseType = 0;
    return rec;
}

// One contact of the file.
typedef ContactRecords Card;

const char* const s_imProperties[] = {"X-JABBER", "X-AIM",   "X-ICQ",         "X-MSN", "X-YAHOO",
                                      "X-SKYPE",  "X-GTALK", "X-GOOGLE-TALK", "X-QQ"};

// The properties of one card (BEGIN and END left out) as a contact.
Card BuildCard(const std::vector<Property>& props, int beginLine)
{
    Card card;
    std::memset(&card.main, 0, sizeof(card.main));
    std::string version;
    int versionLine = beginLine;
    for (const Property& prop : props)
        if (prop.name == "VERSION")
        {
            version = prop.value;
            versionLine = prop.line;
        }
    if (version.empty())
        Malformed(beginLine, "a vCard without a VERSION");
    if (version != "2.1" && version != "3.0")
        Malformed(versionLine, "vCard version " + Printable(version) + " is not read (2.1 and 3.0 are)");
    const bool v30 = version == "3.0";
    std::string formatted;
    for (const Property& prop : props)
    {
        if (prop.name == "N")
        {
            std::vector<std::string> parts = SplitOutside(prop.value, ';', true);
            parts.resize(std::max<size_t>(parts.size(), 2));
            Field(card.main.szLastName, DecodeText(prop, parts[0], v30), prop);
            Field(card.main.szFirstName, DecodeText(prop, parts[1], v30), prop);
        }
        else if (prop.name == "FN")
            formatted = DecodeText(prop, prop.value, v30);
        else if (prop.name == "TEL")
            card.numbers.push_back(TelRecord(prop, DecodeText(prop, prop.value, v30)));
        else if (prop.name == "EMAIL")
        {
            const std::string address = DecodeText(prop, prop.value, v30);
            if (!IsEmailAddress(address))
                Malformed(prop.line, "not an e-mail address: '" + Printable(address) + "'");
            CtSvcEmailAddressRecord rec;
            std::memset(&rec, 0, sizeof(rec));
            rec.nStorageKind = CTSVC_STORAGE_PHONE;
            rec.nUseType = HasType(prop, "WORK") ? CTSVC_USE_WORK : CTSVC_USE_HOME;
            Field(rec.szAddress, address, prop);
            card.emails.push_back(rec);
        }
        else if (prop.name == "PHOTO")
        {
            // The address book keeps a picture's place: an inline picture is left out.
            const auto encoding = prop.params.find("ENCODING");
            if (encoding != prop.params.end() && encoding->second != "QUOTED-PRINTABLE")
                continue;
            std::string path = DecodeText(prop, prop.value, v30);
            if (StartsWithNoCase(path, "file://"))
                path = path.substr(7);
            Field(card.main.szCallerIdPath, path, prop);
        }
        else if (prop.name == "X-SNS" || prop.name == "X-SNS-ID")
        {
            CtSvcSnsDataRecord rec;
            std::memset(&rec, 0, sizeof(rec));
            Field(rec.szPersonId, DecodeText(prop, prop.value, v30), prop);
            if (rec.szPersonId[0] != '\0')
                card.sns.push_back(rec);
        }
        else if (prop.name == "IMPP" || std::find(std::begin(s_imProperties), std::end(s_imProperties),
                                                  prop.name) != std::end(s_imProperties))
        {
            std::string address = DecodeText(prop, prop.value, v30);
            if (prop.name == "IMPP" && address.find(':') != std::string::npos)
                address = address.substr(address.find(':') + 1); // "xmpp:ann@example.org"
            CtSvcImRecord rec;
            std::memset(&rec, 0, sizeof(rec));
            Field(rec.szAddress, address, prop);
            if (rec.szAddress[0] != '\0')
                card.ims.push_back(rec);
        }
        // Every other property (ADR, ORG, NOTE, BDAY, ...) has no place in the address book.
    }
    if (card.main.szFirstName[0] == '\0' && card.main.szLastName[0] == '\0')
    {
        if (formatted.empty())
            Malformed(beginLine, "a contact without a name (N or FN)");
        if (formatted.size() >= sizeof(card.main.szFirstName))
            Malformed(beginLine,
                      "FN is longer than " + std::to_string(sizeof(card.main.szFirstName) - 1) + " bytes");
        std::memcpy(card.main.szFirstName, formatted.data(), formatted.size());
    }
    return card;
}

// Every card of the text; the first line that cannot be read refuses the whole file.
std::vector<Card> ReadVcards(const std::string& text)
{
    std::vector<Card> cards;
    std::vector<Property> props;
    int beginLine = 0;
    int lastLine = 0;
    for (const auto& [line, content] : Unfold(text))
    {
        lastLine = line;
        const Property prop = ParseProperty(content, line);
        if (prop.name == "BEGIN")
        {
            if (Upper(prop.value) != "VCARD")
                Malformed(line, "BEGIN:" + Printable(prop.value) + " is not a vCard");
            if (beginLine != 0)
                Malformed(line, "a vCard begins inside another (END:VCARD missing)");
            beginLine = line;
            props.clear();
        }
        else if (beginLine == 0)
            Malformed(line, "a line outside BEGIN:VCARD and END:VCARD");
        else if (prop.name == "END")
        {
            if (Upper(prop.value) != "VCARD")
                Malformed(line, "END:" + Printable(prop.value) + " does not end a vCard");
            cards.push_back(BuildCard(props, beginLine));
            beginLine = 0;
        }
        else
            props.push_back(prop);
    }
    if (beginLine != 0)
        Malformed(lastLine, "the file ends inside a vCard (END:VCARD missing)");
    if (cards.empty())
        Malformed(std::max(lastLine, 1), "no vCard in the file");
    return cards;
}

// ---- waiting for the pass ----------------------------------------------------------------------

long long TimeoutOf(const Parsed& p, const std::string& command)
{
    if (!p.Has("--timeout"))
        return kDefaultTimeout;
    const auto seconds = ParseInteger(p.Get("--timeout"), 0, 86400);
    if (!seconds)
        Usage(command + ": --timeout takes seconds from 0 to 86400, not '" + p.Get("--timeout") + "'");
    return *seconds;
}

// Waits until the pass has removed its check file; false at the timeout.
bool WaitForPass(long long seconds)
{
    const std::filesystem::path file = std::string(UlogCtlGetDataRoot()) + kCheckFile;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    std::error_code ec;
    while (std::filesystem::exists(file, ec) || ec)
    {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::string NotInStep(long long seconds)
{
    return "the logs were not brought in step within " + std::to_string(seconds) +
           " s; the sync goes on at the next start";
}
} // namespace

int ContactImport(const std::vector<std::string>& args, const std::string& root, bool json)
{
    const std::string command = "contact import";
    const Parsed p = ParseArgs(args, {{"--timeout", Opt::VALUE}}, command);
    if (p.positional.size() != 1)
        Usage(command + ": give one vCard FILE");
    const long long timeout = TimeoutOf(p, command);
    std::error_code ec;
    std::ifstream in(p.positional[0], std::ios::binary);
    if (!std::filesystem::is_regular_file(p.positional[0], ec) || !in)
        Fail(command + ": cannot read " + p.positional[0]);
    std::stringstream text;
    text << in.rdbuf();
    if (in.bad())
        Fail(command + ": cannot read " + p.positional[0]);
    const std::vector<Card> cards = ReadVcards(text.str());

    std::vector<CtSvcImportContact> contacts;
    for (const Card& card : cards)
        contacts.push_back({card.main, card.numbers.data(), static_cast<int>(card.numbers.size()),
                            card.emails.data(), static_cast<int>(card.emails.size()), card.sns.data(),
                            static_cast<int>(card.sns.size()), card.ims.data(),
                            static_cast<int>(card.ims.size())});
    std::vector<int> ids(contacts.size(), 0);

    Service service(root, Service::READ_WRITE);
    if (CtSvcDbContactImport(contacts.data(), static_cast<int>(contacts.size()), ids.data()) !=
        static_cast<int>(contacts.size()))
        Fail(command + ": the address book refused the contacts; nothing was stored");
    if (!WaitForPass(timeout))
        Fail(command + ": " + std::to_string(ids.size()) + " contact(s) stored, but " + NotInStep(timeout));
    if (json)
    {
        std::printf("{\"imported\": %zu, \"ids\": [", ids.size());
        for (size_t i = 0; i < ids.size(); ++i)
            std::printf("%s%d", i ? ", " : "", ids[i]);
        std::printf("]}\n");
    }
    else
        std::printf("imported %zu contact(s), ids %d to %d; the logs are in step\n", ids.size(), ids.front(),
                    ids.back());
    return 0;
}

int CmdSync(const std::vector<std::string>& args, const std::string& root, bool json)
{
    const Parsed p = ParseArgs(args, {{"--full", Opt::FLAG}, {"--timeout", Opt::VALUE}}, "sync");
    if (!p.positional.empty())
        Usage("sync: unexpected argument '" + p.positional[0] + "'");
    if (!p.Has("--full"))
        Usage("sync: say --full (see 'ulog sync --help')");
    const long long timeout = TimeoutOf(p, "sync");

    Service service(root, Service::READ_WRITE);
    if (!ContactFullSyncCallback(0, nullptr, nullptr))
        Fail("sync: the sync could not be announced");
    if (!ContactFullSyncCallback(1, nullptr, nullptr))
        Fail("sync: the sync could not be requested; it goes on at the next start");
    if (!WaitForPass(timeout))
        Fail("sync: " + NotInStep(timeout));
    std::printf(json ? "{\"synced\": true}\n" : "the logs are in step with the address book\n");
    return 0;
}
} // namespace ulogtool
