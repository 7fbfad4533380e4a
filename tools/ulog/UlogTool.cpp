// ulog: stores, lists and deletes communication logs and shows the call statistics, through the
// plain-function interface of the log service, on a data root of the emulated platform.
#include "UlogToolCommon.h"
#include "UlogToolExport.h"
#include "UlogToolFavourites.h"
#include "UlogToolFormat.h"
#include "UlogToolScreen.h"
#include "UlogToolSns.h"

#include "UlogSvc.h"
#include "control/PlatformControl.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace ulogtool;

namespace
{
const char* const s_mainHelp =
    "usage: ulog [--root DIR] [--json] [--locale L] [--tz ZONE] [--now TIME]\n"
    "            [--aoc PRICE[:CURRENCY]] COMMAND [ARGS]\n"
    "\n"
    "Keeps the communication logs of the handset emulation under a data root\n"
    "(--root DIR, else $ULOG_ROOT, else ./ulog-data).\n"
    "\n"
    "The handset for this run: --locale L (an ICU locale such as de_DE; default\n"
    "$ULOG_LOCALE, else en_US) and --tz ZONE (an IANA zone such as Asia/Tokyo;\n"
    "default $ULOG_TZ, else UTC) choose how times are shown; with --tz, a TIME\n"
    "given as a date is read in ZONE. --now TIME sets the handset's clock for\n"
    "this run (what is today and yesterday, the time of an event added without\n"
    "one). --aoc PRICE[:CURRENCY] gives the SIM advice of charge with that price\n"
    "per unit (e.g. 0.25:EUR): calls stored with a cost show it.\n"
    "\n"
    "commands:\n"
    "  add call|message|email ...  store one event\n"
    "  list [--type TYPE]          one line per correspondent and type, newest first\n"
    "  history ID                  the events behind one row of the list\n"
    "  show ID                     every field of one row of the list\n"
    "  delete ID | delete --all    remove one row (with its events) or every log\n"
    "  stats                       call times and counts\n"
    "  contact add|edit|delete|list|import  the address book, which the logs follow\n"
    "  fdn add|delete|list         the fixed-dialling entries\n"
    "  sync --full                 bring every log in step with the address book\n"
    "  sns receive|send ...        publish one SNS message as the SNS service does\n"
    "  export vcard [--kind K] [--each] DIR  the call history as vCard files in DIR\n"
    "  export xml [--out FILE]     every log as one XML file (copied to FILE)\n"
    "  frequent [--type TYPE] [--count N]  the correspondents with the most events\n"
    "  favourites [--count N] | favourites delete NUMBER  the contacts called and written to most\n"
    "\n"
    "--json prints machine-readable output; COMMAND --help describes a command.\n"
    "Exit status: 0 done, 1 failed, 2 bad arguments.\n";

const char* const s_addHelp =
    "usage: ulog add call --dir out|in|missed --number N [--name NAME] [--start TIME]\n"
    "                     [--duration SECONDS] [--video] [--line 1|2] [--cost UNITS]\n"
    "       ulog add message --dir sent|received --number N [--name NAME] [--start TIME]\n"
    "       ulog add email --dir sent|received --address ADDR [--number N] [--name NAME] [--start TIME]\n"
    "\n"
    "Stores one event and prints the id, group and count of its row in the list.\n"
    "N is stored without the spaces, dashes and brackets it may be written with.\n"
    "Without --name the event takes its contact (names, picture) from the address book.\n"
    "TIME is seconds since 1970-01-01 UTC or \"YYYY-MM-DD HH:MM[:SS]\" in UTC, or in\n"
    "the zone of --tz when given (default: now, or --now).\n"
    "UNITS: the call meter units the call cost (shown as a price with --aoc).\n"
    "A missed call has no duration and no cost.\n";

const char* const s_listHelp =
    "usage: ulog list [--type TYPE] [--json]\n"
    "\n"
    "One line per correspondent and log type, the most recently touched first:\n"
    "id, type, name or number, number of events, start of the newest event as\n"
    "the handset's list shows it (the time today, \"Yesterday\", else the date,\n"
    "in the locale and zone of --locale and --tz), and its cost with --aoc.\n"
    "TYPE: outgoing, incoming, missed, message-sent, message-received, email-sent,\n"
    "email-received, sns-out, sns-in, im-1, im-2, or calls, messages, emails.\n";

const char* const s_historyHelp = "usage: ulog history ID [--json]\n"
                                  "\n"
                                  "The events behind the row ID of 'ulog list', newest first, each named\n"
                                  "as the row is now: date and time (in the locale and zone of --locale\n"
                                  "and --tz), call time, and cost with --aoc.\n";

const char* const s_showHelp = "usage: ulog show ID [--json]\n"
                               "\n"
                               "Every field of the row ID of 'ulog list'; times as 'ulog history'\n"
                               "shows them.\n";

const char* const s_deleteHelp = "usage: ulog delete ID | ulog delete --all\n"
                                 "\n"
                                 "Removes the row ID of 'ulog list' with its events, or every log.\n";

const char* const s_statsHelp = "usage: ulog stats [--json]\n"
                                "\n"
                                "Total call times per direction, kind and line, the last call times,\n"
                                "the accumulated call time, the messages and e-mails sent and received,\n"
                                "and the numbers of stored rows and events. Call times read\n"
                                "hours:minutes:seconds (--json: seconds).\n";

// A stored text field as the text output shows it (see Printable).
std::string Shown(const char* field, size_t places)
{
    return Printable(FieldText(field, places));
}

std::string EmailOf(const UlogInfo& info)
{
    return Utf16ToUtf8(info.mszEmailAddress, ULOG_EMAIL_ADDRESS_LEN);
}

// What the list shows for the correspondent: the name, else the number, else the e-mail address.
std::string Who(const UlogInfo& info)
{
    std::string who = FieldText(info.szName, sizeof(info.szName));
    if (who.empty())
        who = FieldText(info.szNumber, sizeof(info.szNumber));
    if (who.empty())
        who = FieldText(info.szEmailDisplayName, sizeof(info.szEmailDisplayName));
    if (who.empty())
        who = EmailOf(info);
    return who.empty() ? "(unknown)" : Printable(who);
}

unsigned int Duration(const UlogInfo& info)
{
    return info.tmEnd >= info.tmStart ? info.tmEnd - info.tmStart : 0;
}

// ---- add -------------------------------------------------------------------------------------

UlogInfo NewRecord()
{
    UlogInfo info;
    std::memset(&info, 0, sizeof(info));
    info.iCallType = ULOG_CALL_TYPE_NONE;
    info.iLineType = ULOG_LINE_1;
    info.iPhoneType = ULOG_PHONE_TYPE_NONE;
    info.iStorageType = ULOG_STORAGE_NONE;
    info.iSourceType = ULOG_SOURCE_TYPE_NONE;
    info.nUniqueId = ULOG_INVALID_DB_INDEX;
    info.nSortIndex = -1;
    info.nGroupId = -1;
    info.nParentId = -1;
    info.nDuplLogLastUniqueId = -1;
    info.nCallCost = -1;
    info.nSpInfo = -1;
    info.nAccountId = -1;
    info.nMsgLogId = -1;
    info.nContentId = -1;
    return info;
}

UlogInfo BuildAddRecord(const std::string& kind, const Parsed& p)
{
    const std::string command = "add " + kind;
    if (!p.positional.empty())
        Usage(command + ": unexpected argument '" + p.positional[0] + "'");
    if (!p.Has("--dir"))
        Usage(command + ": --dir is required");
    const std::string dir = p.Get("--dir");
    UlogInfo info = NewRecord();

    if (kind == "call")
    {
        if (dir == "out")
            info.iLogType = ULOG_LOG_ORIGINATED;
        else if (dir == "in")
            info.iLogType = ULOG_LOG_TERMINATED;
        else if (dir == "missed")
            info.iLogType = ULOG_LOG_MISSED;
        else
            Usage(command + ": --dir must be out, in or missed, not '" + dir + "'");
        info.iCallType = p.Has("--video") ? ULOG_CALL_VIDEO : ULOG_CALL_VOICE;
        if (p.Has("--line"))
        {
            const std::string line = p.Get("--line");
            if (line != "1" && line != "2")
                Usage(command + ": --line must be 1 or 2, not '" + line + "'");
            info.iLineType = (line == "1") ? ULOG_LINE_1 : ULOG_LINE_2;
        }
        if (info.iLogType == ULOG_LOG_MISSED)
            info.bUncheckedYet = 1;
        if (p.Has("--cost"))
        {
            auto units = ParseInteger(p.Get("--cost"), 0, 2147483647LL);
            if (!units)
                Usage(command + ": not a number of units: '" + p.Get("--cost") + "'");
            if (info.iLogType == ULOG_LOG_MISSED)
                Usage(command + ": a missed call has no cost");
            info.nCallCost = static_cast<int>(*units);
        }
    }
    else
    {
        const bool message = (kind == "message");
        if (dir == "sent")
            info.iLogType = message ? ULOG_LOG_MSG_SENT : ULOG_LOG_EMAIL_SENT;
        else if (dir == "received")
            info.iLogType = message ? ULOG_LOG_MSG_RECEIVED : ULOG_LOG_EMAIL_RECEIVED;
        else
            Usage(command + ": --dir must be sent or received, not '" + dir + "'");
        info.iLineType = ULOG_LINE_NONE;
        if (dir == "received")
            info.bUncheckedYet = 1;
    }

    if (p.Has("--number"))
    {
        const std::string number = p.Get("--number");
        if (!IsPhoneNumber(number))
            Usage(command + ": not a phone number: '" + number + "'");
        // Stored as dialled: the separators it may be written with are not part of the number.
        SetText(info.szNumber, sizeof(info.szNumber), WithoutSeparators(number), command + ": --number");
    }
    else if (kind != "email")
        Usage(command + ": --number is required");

    if (kind == "email")
    {
        if (!p.Has("--address"))
            Usage(command + ": --address is required");
        const std::string address = p.Get("--address");
        if (!IsEmailAddress(address))
            Usage(command + ": not an e-mail address: '" + address + "'");
        if (!IsPrintableUtf8(address) || !Utf8ToUtf16(address, info.mszEmailAddress, ULOG_EMAIL_ADDRESS_LEN))
            Usage(command + ": the e-mail address is longer than " +
                  std::to_string(ULOG_EMAIL_ADDRESS_LEN - 1) + " characters");
    }

    if (p.Has("--name"))
    {
        SetText(info.szName, sizeof(info.szName), p.Get("--name"), command + ": --name");
        if (kind == "email")
            SetText(info.szEmailDisplayName, sizeof(info.szEmailDisplayName), p.Get("--name"),
                    command + ": --name");
    }

    unsigned int start = Now();
    if (p.Has("--start"))
    {
        auto parsed = ParseUserTime(p.Get("--start"));
        if (!parsed)
            Usage(command + ": not a time: '" + p.Get("--start") +
                  "' (seconds since 1970 or \"YYYY-MM-DD HH:MM[:SS]\")");
        start = *parsed;
    }
    unsigned int duration = 0;
    if (p.Has("--duration"))
    {
        auto parsed = ParseInteger(p.Get("--duration"), 0, 4294967295LL - start);
        if (!parsed)
            Usage(command + ": not a duration in seconds: '" + p.Get("--duration") + "'");
        duration = static_cast<unsigned int>(*parsed);
        if (info.iLogType == ULOG_LOG_MISSED && duration != 0)
            Usage(command + ": a missed call has no duration");
    }
    info.tmStart = start;
    info.tmEnd = start + duration;
    return info;
}

void PrintAdded(const UlogInfo& info, bool json)
{
    if (json)
        std::printf("{\"id\": %d, \"group\": %d, \"count\": %d, \"type\": %s}\n", info.nUniqueId,
                    info.nGroupId, info.nDuplLogCount, JsonString(LogTypeName(info.iLogType)).c_str());
    else
        std::printf("stored %s: id %d, group %d, count %d\n", LogTypeName(info.iLogType), info.nUniqueId,
                    info.nGroupId, info.nDuplLogCount);
}

int CmdAdd(const std::vector<std::string>& args, const std::string& root, bool json)
{
    if (args.empty())
        Usage("add: say what to add: call, message or email");
    const std::string kind = args[0];
    std::map<std::string, Opt> allowed = {
        {"--dir", Opt::VALUE}, {"--number", Opt::VALUE}, {"--name", Opt::VALUE}, {"--start", Opt::VALUE}};
    if (kind == "call")
    {
        allowed["--duration"] = Opt::VALUE;
        allowed["--video"] = Opt::FLAG;
        allowed["--line"] = Opt::VALUE;
        allowed["--cost"] = Opt::VALUE;
    }
    else if (kind == "email")
        allowed["--address"] = Opt::VALUE;
    else if (kind != "message")
        Usage("add: cannot add '" + kind + "' (call, message or email)");
    const Parsed p =
        ParseArgs(std::vector<std::string>(args.begin() + 1, args.end()), allowed, "add " + kind);
    UlogInfo info = BuildAddRecord(kind, p);

    Service service(root, Service::READ_WRITE);
    // As a dialer does: the correspondent's contact from the address book, unless a name is given. An
    // address book that cannot be read does not keep the event from being stored.
    std::string contactProblem;
    if (!p.Has("--name") && !UlogFillContactInfo(&info) && UlogGetLastError(nullptr) != ULOG_ERR_NOT_FOUND)
        contactProblem = "the address book cannot be read" + Reason();
    if (!UlogAddCallLog(&info) || info.nUniqueId == ULOG_INVALID_DB_INDEX)
        Fail("add " + kind + ": the event could not be stored" + Reason());
    // Claimed only once the stored row reads back.
    UlogInfo stored;
    if (!UlogGetCallLogInfoByUniqueID(info.nUniqueId, &stored) || stored.iLogType != info.iLogType)
        Fail("add " + kind + ": the stored event cannot be read back" + Reason());
    if (!contactProblem.empty())
        std::fprintf(stderr, "ulog: warning: %s; the event is stored without its contact\n",
                     contactProblem.c_str());
    PrintAdded(info, json);
    return 0;
}

// ---- list, history, show ---------------------------------------------------------------------

// The contact fields of a log, as the address book gave them.
std::string ContactJson(const UlogInfo& info)
{
    std::ostringstream out;
    out << "{\"id\": " << info.nPersonId << ", \"data\": " << info.nCtDataId << ", \"fdn\": " << info.nCtFdnId
        << ", \"first\": " << JsonString(FieldText(info.szFirstName, sizeof(info.szFirstName)))
        << ", \"last\": " << JsonString(FieldText(info.szLastName, sizeof(info.szLastName)))
        << ", \"picture\": " << JsonString(FieldText(info.szCallerIdPath, sizeof(info.szCallerIdPath)))
        << ", \"phone_type\": " << info.iPhoneType << ", \"storage\": " << info.iStorageType << "}";
    return out.str();
}

// How the screens show a log's start: the list's form, or date and time.
enum class TimeForm
{
    LIST,
    DETAIL
};

std::string StartText(const UlogInfo& info, TimeForm form)
{
    return form == TimeForm::LIST ? ListTime(info.tmStart) : DateTime(info.tmStart);
}

// "  6 EUR" after a line, for a call whose cost the SIM's advice of charge gives.
std::string CostSuffix(const UlogInfo& info)
{
    const std::optional<std::string> cost = CallCost(info);
    return cost ? "  " + *cost : std::string();
}

std::string LogJson(const UlogInfo& info, bool event, TimeForm form, bool withContact = false)
{
    std::ostringstream out;
    out << "{\"id\": " << info.nUniqueId << ", \"type\": " << JsonString(LogTypeName(info.iLogType))
        << ", \"name\": " << JsonString(FieldText(info.szName, sizeof(info.szName)))
        << ", \"number\": " << JsonString(FieldText(info.szNumber, sizeof(info.szNumber)))
        << ", \"email\": " << JsonString(EmailOf(info)) << ", \"group\": " << info.nGroupId;
    if (event)
        out << ", \"parent\": " << info.nParentId;
    else
        out << ", \"count\": " << info.nDuplLogCount;
    out << ", \"start\": " << info.tmStart << ", \"start_text\": " << JsonString(StartText(info, form))
        << ", \"duration\": " << Duration(info)
        << ", \"duration_text\": " << JsonString(CallTime(Duration(info)));
    if (info.nCallCost >= 0)
        out << ", \"cost\": " << info.nCallCost;
    if (const std::optional<std::string> cost = CallCost(info))
        out << ", \"cost_text\": " << JsonString(*cost);
    out << ", \"unchecked\": " << (info.bUncheckedYet ? "true" : "false");
    if (withContact)
        out << ", \"contact\": " << ContactJson(info);
    out << "}";
    return out.str();
}

void PrintJsonArray(const std::vector<UlogInfo>& logs, bool event, TimeForm form)
{
    std::printf("[");
    for (size_t i = 0; i < logs.size(); ++i)
        std::printf("%s\n  %s", i == 0 ? "" : ",", LogJson(logs[i], event, form).c_str());
    std::printf("%s]\n", logs.empty() ? "" : "\n");
}

std::set<int> TypesOf(const std::string& name)
{
    if (name == "calls")
        return {ULOG_LOG_ORIGINATED, ULOG_LOG_TERMINATED, ULOG_LOG_MISSED};
    if (name == "messages")
        return {ULOG_LOG_MSG_SENT, ULOG_LOG_MSG_RECEIVED};
    if (name == "emails")
        return {ULOG_LOG_EMAIL_SENT, ULOG_LOG_EMAIL_RECEIVED};
    const int type = LogTypeByName(name);
    if (type < 0)
        Usage("list: unknown type '" + name + "' (see 'ulog list --help')");
    return {type};
}

int CmdList(const std::vector<std::string>& args, const std::string& root, bool json)
{
    const Parsed p = ParseArgs(args, {{"--type", Opt::VALUE}}, "list");
    if (!p.positional.empty())
        Usage("list: unexpected argument '" + p.positional[0] + "'");
    std::set<int> types;
    if (p.Has("--type"))
        types = TypesOf(p.Get("--type"));

    Service service(root, Service::READ_ONLY);
    std::vector<UlogInfo> logs;
    if (types.size() == 1)
        logs = WalkHandle(UlogGetAllLogInfoByType(static_cast<UlogLogType>(*types.begin())), "list");
    else
    {
        logs = WalkHandle(UlogGetAllLogInfo(), "list");
        if (!types.empty())
            logs.erase(std::remove_if(logs.begin(), logs.end(),
                                      [&](const UlogInfo& info) { return types.count(info.iLogType) == 0; }),
                       logs.end());
    }
    std::stable_sort(logs.begin(), logs.end(),
                     [](const UlogInfo& a, const UlogInfo& b) { return a.nSortIndex > b.nSortIndex; });
    if (json)
    {
        PrintJsonArray(logs, false, TimeForm::LIST);
        return 0;
    }
    for (const UlogInfo& info : logs)
        std::printf("%-5d %-16s %-28s %3d  %s%s\n", info.nUniqueId, LogTypeName(info.iLogType),
                    Who(info).c_str(), info.nDuplLogCount, ListTime(info.tmStart).c_str(),
                    CostSuffix(info).c_str());
    if (logs.empty())
        std::printf("no logs\n");
    return 0;
}

UlogInfo ReadRow(int id, const std::string& command)
{
    UlogInfo row;
    if (!UlogGetCallLogInfoByUniqueID(id, &row))
    {
        const UlogErrorCode code = UlogGetLastError(nullptr);
        if (code == ULOG_ERR_NONE || code == ULOG_ERR_NOT_FOUND)
            Fail(command + ": no log with id " + std::to_string(id));
        Fail(command + ": the log with id " + std::to_string(id) + " cannot be read" + Reason());
    }
    return row;
}

int CmdHistory(const std::vector<std::string>& args, const std::string& root, bool json)
{
    const Parsed p = ParseArgs(args, {}, "history");
    const int id = ParseId(p, "history", " (see 'ulog list')");

    Service service(root, Service::READ_ONLY);
    const UlogInfo row = ReadRow(id, "history");
    std::vector<UlogInfo> events = WalkHandle(UlogGetDuplAllLogInfo(), "history");
    events.erase(std::remove_if(events.begin(), events.end(),
                                [&](const UlogInfo& info) { return info.nParentId != row.nUniqueId; }),
                 events.end());
    // The events keep the links to the contact; its name is the row's, as the address book gives it now.
    for (UlogInfo& info : events)
    {
        std::memcpy(info.szName, row.szName, sizeof(info.szName));
        std::memcpy(info.szFirstName, row.szFirstName, sizeof(info.szFirstName));
        std::memcpy(info.szLastName, row.szLastName, sizeof(info.szLastName));
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const UlogInfo& a, const UlogInfo& b)
                     { return a.tmStart != b.tmStart ? a.tmStart > b.tmStart : a.nUniqueId > b.nUniqueId; });
    if (json)
    {
        PrintJsonArray(events, true, TimeForm::DETAIL);
        return 0;
    }
    std::printf("%s %s: %d event(s)\n", LogTypeName(row.iLogType), Who(row).c_str(), row.nDuplLogCount);
    for (const UlogInfo& info : events)
    {
        std::printf("  %-5d %-16s %s", info.nUniqueId, LogTypeName(info.iLogType),
                    DateTime(info.tmStart).c_str());
        if (_UlogIsCallLog(info.iLogType))
            std::printf("  %s", CallTime(Duration(info)).c_str());
        std::printf("%s\n", CostSuffix(info).c_str());
    }
    return 0;
}

int CmdShow(const std::vector<std::string>& args, const std::string& root, bool json)
{
    const Parsed p = ParseArgs(args, {}, "show");
    const int id = ParseId(p, "show", " (see 'ulog list')");

    Service service(root, Service::READ_ONLY);
    const UlogInfo info = ReadRow(id, "show");
    if (json)
    {
        std::printf("%s\n", LogJson(info, false, TimeForm::DETAIL, true).c_str());
        return 0;
    }
    std::printf("id:         %d\n", info.nUniqueId);
    std::printf("type:       %s\n", LogTypeName(info.iLogType));
    std::printf("name:       %s\n", Shown(info.szName, sizeof(info.szName)).c_str());
    std::printf("number:     %s\n", Shown(info.szNumber, sizeof(info.szNumber)).c_str());
    std::printf("basic:      %s\n", Shown(info.szBasicNumber, sizeof(info.szBasicNumber)).c_str());
    std::printf("email:      %s\n", Printable(EmailOf(info)).c_str());
    if (info.nPersonId > 0)
        std::printf("contact:    %d (first %s, last %s)\n", info.nPersonId,
                    Shown(info.szFirstName, sizeof(info.szFirstName)).c_str(),
                    Shown(info.szLastName, sizeof(info.szLastName)).c_str());
    if (info.nCtFdnId > 0)
        std::printf("fdn entry:  %d\n", info.nCtFdnId);
    if (info.szCallerIdPath[0] != '\0')
        std::printf("picture:    %s\n", Shown(info.szCallerIdPath, sizeof(info.szCallerIdPath)).c_str());
    std::printf("group:      %d\n", info.nGroupId);
    std::printf("count:      %d\n", info.nDuplLogCount);
    std::printf("start:      %s\n", DateTime(info.tmStart).c_str());
    if (_UlogIsCallLog(info.iLogType))
    {
        std::printf("duration:   %s\n", CallTime(Duration(info)).c_str());
        if (const std::optional<std::string> cost = CallCost(info))
            std::printf("cost:       %s\n", cost->c_str());
        std::printf("call:       %s, line %d\n", info.iCallType == ULOG_CALL_VIDEO ? "video" : "voice",
                    info.iLineType == ULOG_LINE_2 ? 2 : 1);
    }
    std::printf("unchecked:  %s\n", info.bUncheckedYet ? "yes" : "no");
    return 0;
}

// ---- delete ----------------------------------------------------------------------------------

int CmdDelete(const std::vector<std::string>& args, const std::string& root, bool json)
{
    const Parsed p = ParseArgs(args, {{"--all", Opt::FLAG}}, "delete");
    if (p.Has("--all"))
    {
        if (!p.positional.empty())
            Usage("delete: give either an ID or --all");
        Service service(root, Service::READ_WRITE);
        if (!UlogDeleteAllCallLog())
            Fail("delete: the logs could not be deleted" + Reason());
        std::printf(json ? "{\"deleted\": \"all\"}\n" : "deleted every log\n");
        return 0;
    }
    const int id = ParseId(p, "delete", " (see 'ulog list')");
    Service service(root, Service::READ_WRITE);
    ReadRow(id, "delete");
    if (!UlogDeleteCallLog(id))
        Fail("delete: the log with id " + std::to_string(id) + " could not be deleted" + Reason());
    if (json)
        std::printf("{\"deleted\": %d}\n", id);
    else
        std::printf("deleted log %d\n", id);
    return 0;
}

// ---- stats -----------------------------------------------------------------------------------

int CmdStats(const std::vector<std::string>& args, const std::string& root, bool json)
{
    const Parsed p = ParseArgs(args, {}, "stats");
    if (!p.positional.empty())
        Usage("stats: unexpected argument '" + p.positional[0] + "'");

    Service service(root, Service::READ_ONLY);
    struct Kind
    {
        const char* name;
        UlogCallType type;
    };
    const Kind kinds[] = {{"voice", ULOG_CALL_VOICE}, {"video", ULOG_CALL_VIDEO}, {"data", ULOG_CALL_CSD}};
    const UlogLogType dirs[] = {ULOG_LOG_ORIGINATED, ULOG_LOG_TERMINATED};
    const UlogLineType lines[] = {ULOG_LINE_1, ULOG_LINE_2};

    unsigned int totals[2][3][2];
    for (int d = 0; d < 2; ++d)
        for (int k = 0; k < 3; ++k)
            for (int l = 0; l < 2; ++l)
                totals[d][k][l] = UlogGetTotalCallTime(dirs[d], kinds[k].type, lines[l]);
    const unsigned int lastVoice = UlogGetLastVoiceCallTime();
    const unsigned int lastVideo = UlogGetLastVideoCallTime();
    const unsigned int lastCall = UlogGetLastCallTime();
    const unsigned int life = UlogGetLifeTime();
    const int messagesSent = UlogGetSentMessageCount();
    const int messagesReceived = UlogGetReceivedMessageCount();
    const int emailsSent = UlogGetSentEmailCount();
    const int emailsReceived = UlogGetReceivedEmailCount();
    int rows[ULOG_LOG_CNT_MAX];
    int events[ULOG_LOG_CNT_MAX];
    for (int t = 0; t < ULOG_LOG_CNT_MAX; ++t)
    {
        rows[t] = UlogGetCallLogCountEx(static_cast<UlogLogType>(t));
        if (rows[t] < 0)
            Fail("stats: the logs cannot be counted" + Reason());
        events[t] = UlogGetDuplLogCount(static_cast<UlogLogType>(t));
        if (events[t] < 0)
            Fail("stats: the logs cannot be counted" + Reason());
    }
    int uncheckedMissed = 0;
    if (!UlogGetDuplLogUncheckedCount(ULOG_LOG_MISSED, &uncheckedMissed) || uncheckedMissed < 0)
        Fail("stats: the logs cannot be counted" + Reason());

    if (json)
    {
        std::printf("{\"total\": {");
        for (int d = 0; d < 2; ++d)
        {
            std::printf("%s\"%s\": {", d ? ", " : "", d == 0 ? "outgoing" : "incoming");
            for (int k = 0; k < 3; ++k)
            {
                if (kinds[k].type == ULOG_CALL_VIDEO)
                    std::printf(", \"%s\": %u", kinds[k].name, totals[d][k][0]);
                else
                    std::printf("%s\"%s\": [%u, %u]", k ? ", " : "", kinds[k].name, totals[d][k][0],
                                totals[d][k][1]);
            }
            std::printf("}");
        }
        std::printf("}, \"last\": {\"voice\": %u, \"video\": %u, \"any\": %u}, \"life\": %u, ", lastVoice,
                    lastVideo, lastCall, life);
        std::printf(
            "\"messages\": {\"sent\": %d, \"received\": %d}, \"emails\": {\"sent\": %d, \"received\": "
            "%d}, \"counts\": {",
            messagesSent, messagesReceived, emailsSent, emailsReceived);
        for (int t = 0; t < ULOG_LOG_CNT_MAX; ++t)
            std::printf("%s\"%s\": {\"rows\": %d, \"events\": %d}", t ? ", " : "", LogTypeName(t), rows[t],
                        events[t]);
        std::printf("}, \"unchecked_missed\": %d}\n", uncheckedMissed);
        return 0;
    }
    std::printf("total call time        outgoing   incoming\n");
    for (int k = 0; k < 3; ++k)
    {
        /* Video calls are all counted on line 1. */
        const int nLines = (kinds[k].type == ULOG_CALL_VIDEO) ? 1 : 2;
        for (int l = 0; l < nLines; ++l)
        {
            const std::string label =
                std::string(kinds[k].name) + (nLines == 1 ? std::string() : " line " + std::to_string(l + 1));
            std::printf("  %-18s %10s %10s\n", label.c_str(), CallTime(totals[0][k][l]).c_str(),
                        CallTime(totals[1][k][l]).c_str());
        }
    }
    std::printf("last voice call      %10s\n", CallTime(lastVoice).c_str());
    std::printf("last video call      %10s\n", CallTime(lastVideo).c_str());
    std::printf("last call            %10s\n", CallTime(lastCall).c_str());
    std::printf("life time            %10s\n", CallTime(life).c_str());
    std::printf("messages             sent %d, received %d\n", messagesSent, messagesReceived);
    std::printf("e-mails              sent %d, received %d\n", emailsSent, emailsReceived);
    std::printf("stored                     rows     events\n");
    for (int t = 0; t < ULOG_LOG_CNT_MAX; ++t)
        if (rows[t] != 0 || events[t] != 0 || t < ULOG_LOG_EMAIL_SENT + 1)
            std::printf("  %-18s %10d %10d\n", LogTypeName(t), rows[t], events[t]);
    std::printf("unchecked missed calls%9d\n", uncheckedMissed);
    return 0;
}

struct Command
{
    int (*run)(const std::vector<std::string>&, const std::string&, bool);
    const char* help;
};

const std::map<std::string, Command>& Commands()
{
    static const std::map<std::string, Command> s_commands = {
        {"add", {CmdAdd, s_addHelp}},
        {"list", {CmdList, s_listHelp}},
        {"history", {CmdHistory, s_historyHelp}},
        {"show", {CmdShow, s_showHelp}},
        {"delete", {CmdDelete, s_deleteHelp}},
        {"stats", {CmdStats, s_statsHelp}},
        {"contact", {CmdContact, s_contactHelp}},
        {"fdn", {CmdFdn, s_fdnHelp}},
        {"sns", {CmdSns, s_snsHelp}},
        {"sync", {CmdSync, s_syncHelp}},
        {"export", {CmdExport, s_exportHelp}},
        {"frequent", {CmdFrequent, s_frequentHelp}},
        {"favourites", {CmdFavourites, s_favouritesHelp}}};
    return s_commands;
}

int Run(int argc, char** argv)
{
    std::string root;
    bool rootGiven = false;
    bool json = false;
    bool help = false;
    HandsetOptions handset;
    // The options every command takes, with a value: "--name VALUE" or "--name=VALUE".
    const std::map<std::string, std::optional<std::string>*> globals = {{"--locale", &handset.locale},
                                                                        {"--tz", &handset.zone},
                                                                        {"--now", &handset.now},
                                                                        {"--aoc", &handset.aoc}};
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        const std::string name = arg.substr(0, arg.find('='));
        if (arg == "--root")
        {
            if (i + 1 >= argc)
                Usage("--root needs a directory");
            root = argv[++i];
            rootGiven = true;
        }
        else if (arg.compare(0, 7, "--root=") == 0)
        {
            root = arg.substr(7);
            rootGiven = true;
        }
        else if (globals.count(name) != 0)
        {
            if (name == arg && i + 1 >= argc)
                Usage(name + " needs a value");
            *globals.at(name) = (name == arg) ? std::string(argv[++i]) : arg.substr(name.size() + 1);
        }
        else if (arg == "--json")
            json = true;
        else if (arg == "--help" || arg == "-h")
            help = true;
        else
            args.push_back(arg);
    }
    if (rootGiven && root.empty())
        Usage("--root needs a directory");
    if (!rootGiven)
    {
        const char* env = std::getenv("ULOG_ROOT");
        root = (env != nullptr && env[0] != '\0') ? env : "./ulog-data";
    }

    if (args.empty())
    {
        if (help)
        {
            std::fputs(s_mainHelp, stdout);
            return 0;
        }
        Usage("no command given (try 'ulog --help')");
    }
    auto it = Commands().find(args[0]);
    if (it == Commands().end())
        Usage("unknown command '" + args[0] + "' (try 'ulog --help')");
    if (help)
    {
        std::fputs(it->second.help, stdout);
        return 0;
    }
    SetHandset(handset);
    return it->second.run(std::vector<std::string>(args.begin() + 1, args.end()), root, json);
}
} // namespace

int main(int argc, char** argv)
{
    try
    {
        const int code = Run(argc, argv);
        if (UlogCtlWaitForStores() != 0) // the statistics and settings reach the disk after the command
            Fail("statistics could not be stored");
        return code;
    }
    catch (const ToolError& error)
    {
        std::fflush(stdout);
        std::fprintf(stderr, "ulog: %s\n", error.message.c_str());
        return error.code;
    }
}
