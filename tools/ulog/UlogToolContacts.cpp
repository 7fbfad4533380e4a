// The address book commands of the ulog tool: contacts and fixed-dialling entries, written through the
// contacts service, whose listeners bring the stored logs in step before each write returns.
#include "UlogToolCommon.h"
#include "UlogToolContacts.h"
#include "UlogToolFormat.h"

#include "KivCtSvc/KivCtSvc.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace ulogtool
{
const char* const s_contactHelp =
    "usage: ulog contact add (--first F | --last L)... [--picture PATH] [--sim]\n"
    "                        [--number N[:KIND[:USE]]]... [--email ADDR]... [--sns PERSONID]... [--im "
    "ADDR]...\n"
    "       ulog contact edit ID [--first F] [--last L] [--picture PATH] [--sim]\n"
    "                        [--number N[:KIND[:USE]]]... [--email ADDR]... [--sns PERSONID]... [--im "
    "ADDR]...\n"
    "       ulog contact delete ID\n"
    "       ulog contact list [--json]\n"
    "       ulog contact import FILE [--timeout SECONDS]\n"
    "\n"
    "Keeps the address book. The stored logs follow it at once: a number or address given to a\n"
    "contact links its logs to the contact, a rename renames them, a delete unlinks them.\n"
    "add prints the new contact's id. edit changes only what is given; a list given to edit\n"
    "(--number, --email, --sns or --im) replaces the contact's list of that kind.\n"
    "KIND: mobile (default), telephone, fax-home, fax-work, pager, car, company, radio, video,\n"
    "other, none. USE (mobile and telephone numbers): home (default), work, other.\n"
    "--sim stores the numbers and addresses given on the SIM.\n"
    "import stores every contact of a vCard file (versions 2.1 and 3.0: N, FN, TEL with its\n"
    "types, EMAIL, PHOTO as a path or file: URI, X-SNS for an SNS person id, IMPP and X-JABBER,\n"
    "X-AIM, ... for IM addresses; other properties are left out) in one write, then waits\n"
    "until the logs are in step (at most --timeout seconds, 60 by default). A file that is\n"
    "not such a vCard file is refused with the line it failed on (2), and nothing is stored.\n";

const char* const s_fdnHelp = "usage: ulog fdn add --name NAME --number N\n"
                              "       ulog fdn delete ID\n"
                              "       ulog fdn list [--json]\n"
                              "\n"
                              "Keeps the fixed-dialling (FDN) entries. Logs of a number that no contact\n"
                              "holds show the name of its FDN entry.\n";

namespace
{
const char* const s_kindNames[] = {"none", "mobile",  "telephone", "fax-home", "fax-work", "pager",
                                   "car",  "company", "radio",     "video",    "other"};
const char* const s_useNames[] = {"", "home", "work", "other"};

std::string KindName(int kind)
{
    return (kind >= 0 && kind <= CTSVC_PHONE_OTHER) ? s_kindNames[kind] : std::to_string(kind);
}

std::string UseName(int use)
{
    return (use >= CTSVC_USE_HOME && use <= CTSVC_USE_OTHER) ? s_useNames[use] : std::to_string(use);
}

int IndexOf(const char* const* names, int count, const std::string& name)
{
    for (int i = 0; i < count; ++i)
        if (name == names[i])
            return i;
    return -1;
}

// "N[:KIND[:USE]]" as a phone-number record (the contact and storage are filled by the caller).
CtSvcPhoneNumberRecord ParseNumber(const std::string& text, const std::string& command)
{
    CtSvcPhoneNumberRecord rec;
    std::memset(&rec, 0, sizeof(rec));
    rec.nNumberKind = CTSVC_PHONE_MOBILE;
    rec.nUseType = CTSVC_USE_HOME;
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, ':');)
        parts.push_back(part);
    if (parts.empty() || parts.size() > 3 || !IsPhoneNumber(parts[0]))
        Usage(command + ": not a number: '" + text + "' (N[:KIND[:USE]])");
    SetText(rec.szNumber, sizeof(rec.szNumber), parts[0], command + ": --number");
    if (parts.size() > 1)
    {
        rec.nNumberKind = IndexOf(s_kindNames, CTSVC_PHONE_OTHER + 1, parts[1]);
        if (rec.nNumberKind < 0)
            Usage(command + ": unknown number kind '" + parts[1] + "' (see 'ulog contact --help')");
    }
    if (parts.size() > 2)
    {
        rec.nUseType = IndexOf(s_useNames, CTSVC_USE_OTHER + 1, parts[2]);
        if (rec.nUseType < CTSVC_USE_HOME)
            Usage(command + ": unknown use '" + parts[2] + "' (home, work or other)");
    }
    return rec;
}

// What the options of add or edit ask for.
struct ContactRequest
{
    std::vector<CtSvcPhoneNumberRecord> numbers;
    std::vector<CtSvcEmailAddressRecord> emails;
    std::vector<CtSvcSnsDataRecord> sns;
    std::vector<CtSvcImRecord> ims;
};

ContactRequest ParseLists(const Parsed& p, const std::string& command)
{
    ContactRequest req;
    const int storage = p.Has("--sim") ? CTSVC_STORAGE_SIM : CTSVC_STORAGE_PHONE;
    for (const std::string& text : p.All("--number"))
    {
        CtSvcPhoneNumberRecord rec = ParseNumber(text, command);
        rec.nStorageKind = storage;
        req.numbers.push_back(rec);
    }
    for (const std::string& text : p.All("--email"))
    {
        if (!IsEmailAddress(text))
            Usage(command + ": not an e-mail address: '" + text + "'");
        CtSvcEmailAddressRecord rec;
        std::memset(&rec, 0, sizeof(rec));
        rec.nStorageKind = storage;
        rec.nUseType = CTSVC_USE_HOME;
        SetText(rec.szAddress, sizeof(rec.szAddress), text, command + ": --email");
        req.emails.push_back(rec);
    }
    for (const std::string& text : p.All("--sns"))
    {
        if (text.empty())
            Usage(command + ": --sns needs a person id");
        CtSvcSnsDataRecord rec;
        std::memset(&rec, 0, sizeof(rec));
        SetText(rec.szPersonId, sizeof(rec.szPersonId), text, command + ": --sns");
        req.sns.push_back(rec);
    }
    for (const std::string& text : p.All("--im"))
    {
        if (text.empty())
            Usage(command + ": --im needs an address");
        CtSvcImRecord rec;
        std::memset(&rec, 0, sizeof(rec));
        SetText(rec.szAddress, sizeof(rec.szAddress), text, command + ": --im");
        req.ims.push_back(rec);
    }
    return req;
}

// Every record of a growing list: fetch(buffer, room) returns the total, -1 on failure.
template <typename T, typename Fetch> bool FetchAll(std::vector<T>& out, Fetch fetch)
{
    out.assign(16, T());
    int total = fetch(out.data(), static_cast<int>(out.size()));
    if (total > static_cast<int>(out.size()))
    {
        out.assign(static_cast<size_t>(total), T());
        total = fetch(out.data(), static_cast<int>(out.size()));
    }
    if (total < 0)
        return false;
    out.resize(std::min(static_cast<size_t>(total), out.size()));
    return true;
}

typedef ContactRecords ContactView;

bool ReadContact(int id, ContactView& view)
{
    return CtSvcDbContactGetRecord(id, &view.main) &&
           FetchAll(view.numbers, [&](CtSvcPhoneNumberRecord* p, int n)
                    { return CtSvcDbPhoneNumberGetRecordsOfContact(id, p, n); }) &&
           FetchAll(view.emails, [&](CtSvcEmailAddressRecord* p, int n)
                    { return CtSvcDbEmailAddressGetRecordsOfContact(id, p, n); }) &&
           FetchAll(view.sns, [&](CtSvcSnsDataRecord* p, int n)
                    { return CtSvcDbSnsDataGetRecordsOfContact(id, p, n); }) &&
           FetchAll(view.ims,
                    [&](CtSvcImRecord* p, int n) { return CtSvcDbIMGetRecordsOfContact(id, p, n); });
}

// The contact must exist: a missing one and an unreadable address book are told apart.
ContactView ReadExistingContact(int id, const std::string& command)
{
    std::vector<int> ids;
    if (!FetchAll(ids, [](int* p, int n) { return CtSvcDbContactGetIds(p, n); }))
        Fail(command + ": the address book cannot be read");
    if (std::find(ids.begin(), ids.end(), id) == ids.end())
        Fail(command + ": no contact with id " + std::to_string(id));
    ContactView view;
    if (!ReadContact(id, view))
        Fail(command + ": the contact " + std::to_string(id) + " cannot be read");
    return view;
}

// Makes the contact's list of one kind the requested one: records whose key is asked for again are
// kept (changed when their details differ), the others deleted, the new keys added. A key is compared
// as stored, so a number is compared without its separators.
template <typename T, typename Key, typename Same, typename Add, typename Change, typename Del>
void Reconcile(const std::vector<T>& have, std::vector<T> want, int contactId, Key key, Same same, Add add,
               Change change, Del del, const std::string& what)
{
    std::vector<bool> kept(have.size(), false);
    for (T& rec : want)
    {
        rec.nContactId = contactId;
        size_t i = 0;
        while (i < have.size() && (kept[i] || key(have[i]) != key(rec)))
            ++i;
        if (i == have.size())
        {
            if (add(&rec) < 0)
                Fail("contact edit: the " + what + " '" + key(rec) + "' could not be stored");
            continue;
        }
        kept[i] = true;
        rec.nDataId = have[i].nDataId;
        if (!same(have[i], rec) && !change(&rec))
            Fail("contact edit: the " + what + " '" + key(rec) + "' could not be changed");
    }
    for (size_t i = 0; i < have.size(); ++i)
        if (!kept[i] && !del(have[i].nDataId))
            Fail("contact edit: the " + what + " '" + key(have[i]) + "' could not be deleted");
}

void ApplyLists(const ContactView& have, const ContactRequest& req, const Parsed& p, int id)
{
    if (p.Has("--number"))
        Reconcile(
            have.numbers, req.numbers, id,
            [](const CtSvcPhoneNumberRecord& r) { return WithoutSeparators(r.szNumber); },
            [](const CtSvcPhoneNumberRecord& a, const CtSvcPhoneNumberRecord& b)
            {
                return a.nNumberKind == b.nNumberKind && a.nUseType == b.nUseType &&
                       a.nStorageKind == b.nStorageKind && a.nAccountId == b.nAccountId &&
                       std::strcmp(a.szNumber, b.szNumber) == 0;
            },
            CtSvcDbPhoneNumberAdd, CtSvcDbPhoneNumberChange, CtSvcDbPhoneNumberDelete, "number");
    if (p.Has("--email"))
        Reconcile(
            have.emails, req.emails, id,
            [](const CtSvcEmailAddressRecord& r) { return std::string(r.szAddress); },
            [](const CtSvcEmailAddressRecord& a, const CtSvcEmailAddressRecord& b) {
                return a.nStorageKind == b.nStorageKind && a.nUseType == b.nUseType &&
                       a.nAccountId == b.nAccountId;
            },
            CtSvcDbEmailAddressAdd, CtSvcDbEmailAddressChange, CtSvcDbEmailAddressDelete, "e-mail address");
    if (p.Has("--sns"))
        Reconcile(
            have.sns, req.sns, id, [](const CtSvcSnsDataRecord& r) { return std::string(r.szPersonId); },
            [](const CtSvcSnsDataRecord& a, const CtSvcSnsDataRecord& b)
            { return a.nAccountId == b.nAccountId; },
            CtSvcDbSnsDataAdd, CtSvcDbSnsDataChange, CtSvcDbSnsDataDelete, "SNS person id");
    if (p.Has("--im"))
        Reconcile(
            have.ims, req.ims, id, [](const CtSvcImRecord& r) { return std::string(r.szAddress); },
            [](const CtSvcImRecord& a, const CtSvcImRecord& b) { return a.nAccountId == b.nAccountId; },
            CtSvcDbIMAdd, CtSvcDbIMChange, CtSvcDbIMDelete, "IM address");
}

const std::map<std::string, Opt> s_contactOptions = {{"--first", Opt::VALUE},     {"--last", Opt::VALUE},
                                                     {"--picture", Opt::VALUE},   {"--sim", Opt::FLAG},
                                                     {"--number", Opt::REPEATED}, {"--email", Opt::REPEATED},
                                                     {"--sns", Opt::REPEATED},    {"--im", Opt::REPEATED}};

void SetMainFields(CtSvcContactRecord& rec, const Parsed& p, const std::string& command)
{
    if (p.Has("--first"))
        SetText(rec.szFirstName, sizeof(rec.szFirstName), p.Get("--first"), command + ": --first");
    if (p.Has("--last"))
        SetText(rec.szLastName, sizeof(rec.szLastName), p.Get("--last"), command + ": --last");
    if (p.Has("--picture"))
        SetText(rec.szCallerIdPath, sizeof(rec.szCallerIdPath), p.Get("--picture"), command + ": --picture");
}

int ContactAdd(const std::vector<std::string>& args, const std::string& root, bool json)
{
    const std::string command = "contact add";
    const Parsed p = ParseArgs(args, s_contactOptions, command);
    if (!p.positional.empty())
        Usage(command + ": unexpected argument '" + p.positional[0] + "'");
    CtSvcContactRecord rec;
    std::memset(&rec, 0, sizeof(rec));
    SetMainFields(rec, p, command);
    if (rec.szFirstName[0] == '\0' && rec.szLastName[0] == '\0')
        Usage(command + ": give the contact a name (--first or --last)");
    const ContactRequest req = ParseLists(p, command);

    Service service(root, Service::READ_WRITE);
    const int id = CtSvcDbContactAdd(&rec);
    if (id < 0)
        Fail(command + ": the contact could not be stored");
    try
    {
        ApplyLists(ContactView{rec, {}, {}, {}, {}}, req, p, id);
    }
    catch (const ToolError& error)
    {
        // A contact is stored whole or not at all.
        if (!CtSvcDbContactDelete(id))
            Fail(error.message + "; the contact " + std::to_string(id) + " is stored without it");
        throw;
    }
    if (json)
        std::printf("{\"id\": %d}\n", id);
    else
        std::printf("stored contact %d\n", id);
    return 0;
}

int ContactEdit(const std::vector<std::string>& args, const std::string& root, bool json)
{
    const std::string command = "contact edit";
    const Parsed p = ParseArgs(args, s_contactOptions, command);
    const int id = ParseId(p, command, " (see 'ulog contact list')");
    const ContactRequest req = ParseLists(p, command);

    Service service(root, Service::READ_WRITE);
    const ContactView have = ReadExistingContact(id, command);
    CtSvcContactRecord rec = have.main;
    SetMainFields(rec, p, command);
    if (rec.szFirstName[0] == '\0' && rec.szLastName[0] == '\0')
        Usage(command + ": a contact keeps a name (--first or --last)");
    if (std::memcmp(&rec, &have.main, sizeof(rec)) != 0 && !CtSvcDbContactChange(&rec))
        Fail(command + ": the contact " + std::to_string(id) + " could not be changed");
    ApplyLists(have, req, p, id);
    if (json)
        std::printf("{\"changed\": %d}\n", id);
    else
        std::printf("changed contact %d\n", id);
    return 0;
}

int ContactDelete(const std::vector<std::string>& args, const std::string& root, bool json)
{
    const std::string command = "contact delete";
    const Parsed p = ParseArgs(args, {}, command);
    const int id = ParseId(p, command, " (see 'ulog contact list')");
    Service service(root, Service::READ_WRITE);
    ReadExistingContact(id, command);
    if (!CtSvcDbContactDelete(id))
        Fail(command + ": the contact " + std::to_string(id) + " could not be deleted");
    if (json)
        std::printf("{\"deleted\": %d}\n", id);
    else
        std::printf("deleted contact %d\n", id);
    return 0;
}

std::string StorageName(int storage)
{
    return storage == CTSVC_STORAGE_SIM ? "sim" : "phone";
}

std::string ContactJson(const ContactView& c)
{
    std::ostringstream out;
    out << "{\"id\": " << c.main.nContactId << ", \"first\": " << JsonString(c.main.szFirstName)
        << ", \"last\": " << JsonString(c.main.szLastName)
        << ", \"picture\": " << JsonString(c.main.szCallerIdPath) << ", \"numbers\": [";
    for (size_t i = 0; i < c.numbers.size(); ++i)
        out << (i ? ", " : "") << "{\"id\": " << c.numbers[i].nDataId
            << ", \"number\": " << JsonString(c.numbers[i].szNumber)
            << ", \"kind\": " << JsonString(KindName(c.numbers[i].nNumberKind))
            << ", \"use\": " << JsonString(UseName(c.numbers[i].nUseType))
            << ", \"storage\": " << JsonString(StorageName(c.numbers[i].nStorageKind)) << "}";
    out << "], \"emails\": [";
    for (size_t i = 0; i < c.emails.size(); ++i)
        out << (i ? ", " : "") << "{\"id\": " << c.emails[i].nDataId
            << ", \"address\": " << JsonString(c.emails[i].szAddress) << "}";
    out << "], \"sns\": [";
    for (size_t i = 0; i < c.sns.size(); ++i)
        out << (i ? ", " : "") << "{\"id\": " << c.sns[i].nDataId
            << ", \"person\": " << JsonString(c.sns[i].szPersonId) << "}";
    out << "], \"im\": [";
    for (size_t i = 0; i < c.ims.size(); ++i)
        out << (i ? ", " : "") << "{\"id\": " << c.ims[i].nDataId
            << ", \"address\": " << JsonString(c.ims[i].szAddress) << "}";
    out << "]}";
    return out.str();
}

void PrintContact(const ContactView& c)
{
    std::string name = std::string(c.main.szFirstName);
    if (c.main.szLastName[0] != '\0')
        name += (name.empty() ? "" : " ") + std::string(c.main.szLastName);
    std::printf("%-5d %s", c.main.nContactId, Printable(name).c_str());
    if (c.main.szCallerIdPath[0] != '\0')
        std::printf("  picture %s", Printable(c.main.szCallerIdPath).c_str());
    std::printf("\n");
    for (const auto& n : c.numbers)
        std::printf("      %-6d number %s (%s%s%s, %s)\n", n.nDataId, Printable(n.szNumber).c_str(),
                    KindName(n.nNumberKind).c_str(),
                    (n.nNumberKind == CTSVC_PHONE_MOBILE || n.nNumberKind == CTSVC_PHONE_TELEPHONE) ? "/"
                                                                                                    : "",
                    (n.nNumberKind == CTSVC_PHONE_MOBILE || n.nNumberKind == CTSVC_PHONE_TELEPHONE)
                        ? UseName(n.nUseType).c_str()
                        : "",
                    StorageName(n.nStorageKind).c_str());
    for (const auto& e : c.emails)
        std::printf("      %-6d email  %s\n", e.nDataId, Printable(e.szAddress).c_str());
    for (const auto& s : c.sns)
        std::printf("      %-6d sns    %s\n", s.nDataId, Printable(s.szPersonId).c_str());
    for (const auto& m : c.ims)
        std::printf("      %-6d im     %s\n", m.nDataId, Printable(m.szAddress).c_str());
}

int ContactList(const std::vector<std::string>& args, const std::string& root, bool json)
{
    const Parsed p = ParseArgs(args, {}, "contact list");
    if (!p.positional.empty())
        Usage("contact list: unexpected argument '" + p.positional[0] + "'");
    Service service(root, Service::READ_ONLY);
    std::vector<int> ids;
    if (!FetchAll(ids, [](int* pIds, int n) { return CtSvcDbContactGetIds(pIds, n); }))
        Fail("contact list: the address book cannot be read");
    std::vector<ContactView> contacts(ids.size());
    for (size_t i = 0; i < ids.size(); ++i)
        if (!ReadContact(ids[i], contacts[i]))
            Fail("contact list: the contact " + std::to_string(ids[i]) + " cannot be read");
    if (json)
    {
        std::printf("[");
        for (size_t i = 0; i < contacts.size(); ++i)
            std::printf("%s\n  %s", i == 0 ? "" : ",", ContactJson(contacts[i]).c_str());
        std::printf("%s]\n", contacts.empty() ? "" : "\n");
        return 0;
    }
    for (const ContactView& c : contacts)
        PrintContact(c);
    if (contacts.empty())
        std::printf("no contacts\n");
    return 0;
}

int FdnAdd(const std::vector<std::string>& args, const std::string& root, bool json)
{
    const std::string command = "fdn add";
    const Parsed p = ParseArgs(args, {{"--name", Opt::VALUE}, {"--number", Opt::VALUE}}, command);
    if (!p.positional.empty())
        Usage(command + ": unexpected argument '" + p.positional[0] + "'");
    if (!p.Has("--name") || !p.Has("--number"))
        Usage(command + ": --name and --number are required");
    if (!IsPhoneNumber(p.Get("--number")))
        Usage(command + ": not a phone number: '" + p.Get("--number") + "'");
    CtSvcFdnRecord rec;
    std::memset(&rec, 0, sizeof(rec));
    SetText(rec.szName, sizeof(rec.szName), p.Get("--name"), command + ": --name");
    SetText(rec.szNumber, sizeof(rec.szNumber), p.Get("--number"), command + ": --number");

    Service service(root, Service::READ_WRITE);
    const int id = CtSvcDbFdnAdd(&rec);
    if (id < 0)
        Fail(command + ": the entry could not be stored");
    if (json)
        std::printf("{\"id\": %d}\n", id);
    else
        std::printf("stored fdn entry %d\n", id);
    return 0;
}

int FdnDelete(const std::vector<std::string>& args, const std::string& root, bool json)
{
    const std::string command = "fdn delete";
    const Parsed p = ParseArgs(args, {}, command);
    const int id = ParseId(p, command, " (see 'ulog fdn list')");
    Service service(root, Service::READ_WRITE);
    CtSvcFdnRecord rec;
    if (!CtSvcDbFdnGetRecord(id, &rec))
        Fail(command + ": no fdn entry with id " + std::to_string(id));
    if (!CtSvcDbFdnDelete(id))
        Fail(command + ": the entry " + std::to_string(id) + " could not be deleted");
    if (json)
        std::printf("{\"deleted\": %d}\n", id);
    else
        std::printf("deleted fdn entry %d\n", id);
    return 0;
}

int FdnList(const std::vector<std::string>& args, const std::string& root, bool json)
{
    const Parsed p = ParseArgs(args, {}, "fdn list");
    if (!p.positional.empty())
        Usage("fdn list: unexpected argument '" + p.positional[0] + "'");
    Service service(root, Service::READ_ONLY);
    std::vector<int> ids;
    if (!FetchAll(ids, [](int* pIds, int n) { return CtSvcDbFdnGetIds(pIds, n); }))
        Fail("fdn list: the entries cannot be read");
    std::vector<CtSvcFdnRecord> entries(ids.size());
    for (size_t i = 0; i < ids.size(); ++i)
        if (!CtSvcDbFdnGetRecord(ids[i], &entries[i]))
            Fail("fdn list: the entry " + std::to_string(ids[i]) + " cannot be read");
    if (json)
    {
        std::printf("[");
        for (size_t i = 0; i < entries.size(); ++i)
            std::printf("%s\n  {\"id\": %d, \"name\": %s, \"number\": %s}", i == 0 ? "" : ",",
                        entries[i].nFdnId, JsonString(entries[i].szName).c_str(),
                        JsonString(entries[i].szNumber).c_str());
        std::printf("%s]\n", entries.empty() ? "" : "\n");
        return 0;
    }
    for (const CtSvcFdnRecord& e : entries)
        std::printf("%-5d %-20s %s\n", e.nFdnId, Printable(e.szNumber).c_str(), Printable(e.szName).c_str());
    if (entries.empty())
        std::printf("no fdn entries\n");
    return 0;
}

using SubCommand = int (*)(const std::vector<std::string>&, const std::string&, bool);

int Dispatch(const std::string& command, const std::map<std::string, SubCommand>& subs,
             const std::vector<std::string>& args, const std::string& root, bool json)
{
    if (args.empty())
        Usage(command + ": say what to do (see 'ulog " + command + " --help')");
    auto it = subs.find(args[0]);
    if (it == subs.end())
        Usage(command + ": unknown action '" + args[0] + "' (see 'ulog " + command + " --help')");
    return it->second(std::vector<std::string>(args.begin() + 1, args.end()), root, json);
}
} // namespace

int CmdContact(const std::vector<std::string>& args, const std::string& root, bool json)
{
    return Dispatch("contact",
                    {{"add", ContactAdd},
                     {"edit", ContactEdit},
                     {"delete", ContactDelete},
                     {"list", ContactList},
                     {"import", ContactImport}},
                    args, root, json);
}

int CmdFdn(const std::vector<std::string>& args, const std::string& root, bool json)
{
    return Dispatch("fdn", {{"add", FdnAdd}, {"delete", FdnDelete}, {"list", FdnList}}, args, root, json);
}
} // namespace ulogtool
