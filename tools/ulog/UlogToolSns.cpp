// The SNS commands of the ulog tool: one message published as the SNS service publishes it (a
// content-sync notification, through the control interface), and the logs the service made of it read
// back from the tables.
#include "UlogToolSns.h"

#include "UlogToolCommon.h"
#include "UlogToolFormat.h"
#include "UlogToolScreen.h"

#include "UlogSvc.h"
#include "control/PlatformControl.h"

#include <cstdio>
#include <cstring>
#include <sstream>

namespace ulogtool
{
const char* const s_snsHelp =
    "usage: ulog sns receive --thread T --message M --from ID --name NAME [--subject S] [--body B]\n"
    "                        [--sp N] [--time TIME]\n"
    "       ulog sns send --thread T --message M --to ID:NAME... [--subject S] [--body B]\n"
    "                     [--sp N] [--time TIME]\n"
    "\n"
    "Publishes one SNS message as the SNS service does; the log service stores it and the command\n"
    "prints the logs it stored (read back from the tables). A received message is stored as one sns-in\n"
    "log of its sender, a sent one as one sns-out log per recipient (--to, in the order given; ID is\n"
    "the text before the first ':'). Each log has the sync id T.M, the subject and body, and the name\n"
    "given as its display name; a person id held by a contact links the log to the contact.\n"
    "Texts may be of any length: the service cuts what does not fit its fields at a character\n"
    "boundary. N is the SNS provider (default 0). TIME is seconds since 1970-01-01 UTC or\n"
    "\"YYYY-MM-DD HH:MM[:SS]\" in UTC, or in the zone of --tz when given (default: now, or --now).\n";

namespace
{
// A text that reaches the service: UTF-8 without control characters (in subject and body also line
// breaks and tabs).
std::string TextOption(const Parsed& p, const std::string& name, const std::string& command, bool multiline)
{
    std::string text = p.Get(name);
    std::string checked = text;
    if (multiline)
        for (char& c : checked)
            c = (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
    if (!IsPrintableUtf8(checked))
        Usage(command + ": " + name + " is not printable UTF-8 text");
    return text;
}

std::string RequiredId(const Parsed& p, const std::string& name, const std::string& command)
{
    if (!p.Has(name))
        Usage(command + ": " + name + " is required");
    const std::string text = TextOption(p, name, command, false);
    if (text.empty())
        Usage(command + ": " + name + " must not be empty");
    return text;
}

struct Person
{
    std::string id;
    std::string name;
};

// The message the options describe; the texts stay owned by the request.
struct Request
{
    std::string thread, message, subject, body;
    bool hasSubject = false, hasBody = false;
    int sp = 0;
    unsigned int time = 0;
    std::vector<Person> people; // the sender, or the recipients
};

Request ParseRequest(const Parsed& p, bool send, const std::string& command)
{
    if (!p.positional.empty())
        Usage(command + ": unexpected argument '" + p.positional[0] + "'");
    Request r;
    r.thread = RequiredId(p, "--thread", command);
    r.message = RequiredId(p, "--message", command);
    if (send)
    {
        if (!p.Has("--to"))
            Usage(command + ": --to is required");
        for (const std::string& to : p.All("--to"))
        {
            const size_t colon = to.find(':');
            if (colon == std::string::npos || colon == 0)
                Usage(command + ": --to needs ID:NAME, not '" + to + "'");
            const Person person{to.substr(0, colon), to.substr(colon + 1)};
            if (!IsPrintableUtf8(to))
                Usage(command + ": --to is not printable UTF-8 text");
            r.people.push_back(person);
        }
    }
    else
    {
        const std::string from = RequiredId(p, "--from", command);
        if (!p.Has("--name"))
            Usage(command + ": --name is required");
        r.people.push_back(Person{from, TextOption(p, "--name", command, false)});
    }
    if ((r.hasSubject = p.Has("--subject")))
        r.subject = TextOption(p, "--subject", command, true);
    if ((r.hasBody = p.Has("--body")))
        r.body = TextOption(p, "--body", command, true);
    if (p.Has("--sp"))
    {
        auto sp = ParseInteger(p.Get("--sp"), -2147483647LL - 1, 2147483647LL);
        if (!sp)
            Usage(command + ": not a provider number: '" + p.Get("--sp") + "'");
        r.sp = static_cast<int>(*sp);
    }
    r.time = Now();
    if (p.Has("--time"))
    {
        auto parsed = ParseUserTime(p.Get("--time"));
        if (!parsed)
            Usage(command + ": not a time: '" + p.Get("--time") +
                  "' (seconds since 1970 or \"YYYY-MM-DD HH:MM[:SS]\")");
        r.time = *parsed;
    }
    return r;
}

// True when stored is what the service keeps of given: all of it, or a start of it cut to its field.
bool StoredFrom(const std::string& stored, const std::string& given)
{
    return !stored.empty() && given.compare(0, stored.size(), stored) == 0;
}

// The row the service keeps for the person's log of this message: its type, the person and the sync id
// (as far as they fit), the most recently touched of them.
const UlogInfo* FindRow(const std::vector<UlogInfo>& rows, int type, const Person& person,
                        const std::string& syncId)
{
    const UlogInfo* found = nullptr;
    for (const UlogInfo& info : rows)
        if (info.iLogType == type &&
            StoredFrom(FieldText(info.szSnsPersonId, sizeof(info.szSnsPersonId)), person.id) &&
            StoredFrom(FieldText(info.szSyncId, sizeof(info.szSyncId)), syncId) &&
            (found == nullptr || info.nSortIndex > found->nSortIndex))
            found = &info;
    return found;
}

std::string RowJson(const UlogInfo& info)
{
    std::ostringstream out;
    out << "{\"id\": " << info.nUniqueId << ", \"type\": " << JsonString(LogTypeName(info.iLogType))
        << ", \"person\": " << JsonString(FieldText(info.szSnsPersonId, sizeof(info.szSnsPersonId)))
        << ", \"name\": " << JsonString(FieldText(info.szEmailDisplayName, sizeof(info.szEmailDisplayName)))
        << ", \"sync\": " << JsonString(FieldText(info.szSyncId, sizeof(info.szSyncId)))
        << ", \"subject\": " << JsonString(Utf16ToUtf8(info.mszSubject, ULOG_SUBJECT_LEN))
        << ", \"body\": " << JsonString(Utf16ToUtf8(info.mszBody, ULOG_BODY_LEN))
        << ", \"sp\": " << info.nSnsSpInfo << ", \"contact\": " << info.nPersonId
        << ", \"group\": " << info.nGroupId << ", \"count\": " << info.nDuplLogCount
        << ", \"start\": " << info.tmStart << "}";
    return out.str();
}

int Publish(const std::vector<std::string>& args, const std::string& root, bool json, bool send)
{
    const std::string command = send ? "sns send" : "sns receive";
    const Parsed p = ParseArgs(args,
                               {{"--thread", Opt::VALUE},
                                {"--message", Opt::VALUE},
                                {send ? "--to" : "--from", send ? Opt::REPEATED : Opt::VALUE},
                                {"--name", Opt::VALUE},
                                {"--subject", Opt::VALUE},
                                {"--body", Opt::VALUE},
                                {"--sp", Opt::VALUE},
                                {"--time", Opt::VALUE}},
                               command);
    if (send && p.Has("--name"))
        Usage(command + ": give the names with --to ID:NAME");
    const Request r = ParseRequest(p, send, command);

    std::vector<UlogCtlSnsRecipient> recipients;
    for (const Person& person : r.people)
        recipients.push_back(UlogCtlSnsRecipient{person.id.c_str(), person.name.c_str()});
    UlogCtlSnsMessage message;
    std::memset(&message, 0, sizeof(message));
    message.threadId = r.thread.c_str();
    message.messageId = r.message.c_str();
    message.spInfo = r.sp;
    message.kind = send ? 1 : 0;
    message.subject = r.hasSubject ? r.subject.c_str() : nullptr;
    message.body = r.hasBody ? r.body.c_str() : nullptr;
    message.time = r.time;
    if (send)
    {
        message.recipients = recipients.data();
        message.recipientCount = static_cast<int>(recipients.size());
    }
    else
    {
        message.senderId = r.people[0].id.c_str();
        message.senderName = r.people[0].name.c_str();
    }

    Service service(root, Service::READ_WRITE);
    if (!UlogCtlPublishSnsMessage(&message))
        Fail(command + ": the message could not be stored");
    // Claimed only for logs that read back.
    const std::vector<UlogInfo> rows = WalkHandle(UlogGetAllLogInfo(), command);
    const int type = send ? ULOG_LOG_SNS_1 : ULOG_LOG_SNS_2;
    const std::string syncId = r.thread + "." + r.message;
    std::vector<UlogInfo> stored;
    for (const Person& person : r.people)
    {
        const UlogInfo* row = FindRow(rows, type, person, syncId);
        if (row == nullptr)
            Fail(command + ": the log of '" + Printable(person.id) + "' cannot be read back");
        stored.push_back(*row);
    }
    if (json)
    {
        std::printf("[");
        for (size_t i = 0; i < stored.size(); ++i)
            std::printf("%s\n  %s", i == 0 ? "" : ",", RowJson(stored[i]).c_str());
        std::printf("\n]\n");
        return 0;
    }
    for (const UlogInfo& info : stored)
        std::printf("stored %s: id %d, group %d, count %d, person %s, sync id %s\n",
                    LogTypeName(info.iLogType), info.nUniqueId, info.nGroupId, info.nDuplLogCount,
                    Printable(FieldText(info.szSnsPersonId, sizeof(info.szSnsPersonId))).c_str(),
                    Printable(FieldText(info.szSyncId, sizeof(info.szSyncId))).c_str());
    return 0;
}
} // namespace

int CmdSns(const std::vector<std::string>& args, const std::string& root, bool json)
{
    if (args.empty())
        Usage("sns: say what to do: receive or send (see 'ulog sns --help')");
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "receive")
        return Publish(rest, root, json, false);
    if (args[0] == "send")
        return Publish(rest, root, json, true);
    Usage("sns: unknown action '" + args[0] + "' (receive or send)");
}
} // namespace ulogtool
