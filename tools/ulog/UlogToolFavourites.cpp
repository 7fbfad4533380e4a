// The ranking commands of the ulog tool: 'frequent' (the correspondents of one log type with the most
// events) and 'favourites' (the contacts called and written to most, with their pictures), and the
// delete of one favourite's logs.
#include "UlogToolFavourites.h"

#include "UlogToolCommon.h"
#include "UlogToolFormat.h"
#include "UlogToolScreen.h"

#include "UlogSvc.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>

namespace ulogtool
{
const char* const s_frequentHelp =
    "usage: ulog frequent [--type TYPE] [--count N] [--json]\n"
    "\n"
    "The correspondents of one log type with the most events, most first (at most N, default 10):\n"
    "id, name or number, number of events, start of the newest event.\n"
    "TYPE: outgoing (default), incoming, missed, message-sent, message-received, email-sent,\n"
    "email-received, sns-out, sns-in, im-1, im-2.\n";

const char* const s_favouritesHelp =
    "usage: ulog favourites [--count N] [--json]\n"
    "       ulog favourites delete NUMBER\n"
    "\n"
    "The photo favourites: the contacts called and written to most (outgoing calls and sent\n"
    "messages of logs linked to a contact, counted together per number), best first, at most N\n"
    "(default 10). Each shows its name, number, picture and the events of its logs per type.\n"
    "'delete' removes every log of the favourite with that number (of every type, with their\n"
    "events); it fails when NUMBER is not a favourite.\n";

namespace
{
const int COUNT_DEFAULT = 10;
const int COUNT_MAX = 100;
// Rows one favourite can have: one per log type.
const int ROWS_PER_FAVOURITE = ULOG_LOG_CNT_MAX;

int CountOption(const Parsed& p, const std::string& command)
{
    if (!p.Has("--count"))
        return COUNT_DEFAULT;
    auto count = ParseInteger(p.Get("--count"), 1, COUNT_MAX);
    if (!count)
        Usage(command + ": --count takes a number from 1 to " + std::to_string(COUNT_MAX));
    return static_cast<int>(*count);
}

// ---- frequent --------------------------------------------------------------------------------

int Frequent(const std::vector<std::string>& args, const std::string& root, bool json)
{
    const Parsed p = ParseArgs(args, {{"--type", Opt::VALUE}, {"--count", Opt::VALUE}}, "frequent");
    if (!p.positional.empty())
        Usage("frequent: unexpected argument '" + p.positional[0] + "'");
    int type = ULOG_LOG_ORIGINATED;
    if (p.Has("--type"))
    {
        type = LogTypeByName(p.Get("--type"));
        if (type < 0)
            Usage("frequent: unknown type '" + p.Get("--type") + "' (see 'ulog frequent --help')");
    }
    const int count = CountOption(p, "frequent");

    Service service(root, Service::READ_ONLY);
    std::vector<UlogInfo> logs(static_cast<size_t>(count));
    int filled = 0;
    if (!UlogGetFrequentLogs(static_cast<UlogLogType>(type), count, logs.data(), &filled))
        Fail("frequent: the logs cannot be read" + Reason());
    logs.resize(static_cast<size_t>(filled));
    if (json)
    {
        std::printf("[");
        for (size_t i = 0; i < logs.size(); ++i)
        {
            const UlogInfo& info = logs[i];
            std::printf("%s\n  {\"id\": %d, \"type\": %s, \"name\": %s, \"number\": %s, \"count\": %d, "
                        "\"start\": %u, \"start_text\": %s}",
                        i == 0 ? "" : ",", info.nUniqueId, JsonString(LogTypeName(info.iLogType)).c_str(),
                        JsonString(FieldText(info.szName, sizeof(info.szName))).c_str(),
                        JsonString(FieldText(info.szNumber, sizeof(info.szNumber))).c_str(),
                        info.nDuplLogCount, info.tmStart, JsonString(ListTime(info.tmStart)).c_str());
        }
        std::printf("%s]\n", logs.empty() ? "" : "\n");
        return 0;
    }
    for (const UlogInfo& info : logs)
    {
        std::string who = FieldText(info.szName, sizeof(info.szName));
        if (who.empty())
            who = FieldText(info.szNumber, sizeof(info.szNumber));
        std::printf("%-5d %-28s %3d  %s\n", info.nUniqueId, Printable(who).c_str(), info.nDuplLogCount,
                    ListTime(info.tmStart).c_str());
    }
    if (logs.empty())
        std::printf("no %s logs\n", LogTypeName(type));
    return 0;
}

// ---- favourites ------------------------------------------------------------------------------

// One favourite: its first row's record, and the events of each of its rows by log type.
struct Favourite
{
    UlogPhotoFvrInfo info;
    std::vector<std::pair<int, int>> events; // log type, events
};

// The rows of the list by basic number: (log type, events) each.
std::map<std::string, std::vector<std::pair<int, int>>> EventsByBasicNumber()
{
    std::map<std::string, std::vector<std::pair<int, int>>> events;
    for (const UlogInfo& info : WalkHandle(UlogGetAllLogInfo(), "favourites"))
        events[FieldText(info.szBasicNumber, sizeof(info.szBasicNumber))].push_back(
            {info.iLogType, info.nDuplLogCount});
    return events;
}

// The first count favourites, best first, each with the events of its rows.
std::vector<Favourite> ReadFavourites(int count)
{
    // Asked for enough records to hold every row of the first count favourites.
    std::vector<UlogPhotoFvrInfo> records(static_cast<size_t>(count * ROWS_PER_FAVOURITE));
    int filled = 0;
    if (!UlogGetPhotoFavouritesLogsEx(static_cast<int>(records.size()), records.data(), &filled))
        Fail("favourites: the favourites cannot be read" + Reason());
    const auto events = EventsByBasicNumber();
    std::vector<Favourite> favourites;
    for (int i = 0; i < filled; ++i)
    {
        const UlogPhotoFvrInfo& record = records[static_cast<size_t>(i)];
        const std::string basic = FieldText(record.szBasicNumber, sizeof(record.szBasicNumber));
        // The rows of one favourite come together.
        if (!favourites.empty() && basic == FieldText(favourites.back().info.szBasicNumber, ULOG_NUMBER_LEN))
            continue;
        if (static_cast<int>(favourites.size()) == count)
            break;
        Favourite favourite;
        favourite.info = record;
        auto it = events.find(basic);
        if (it != events.end())
            favourite.events = it->second;
        favourites.push_back(favourite);
    }
    return favourites;
}

std::string EventsText(const Favourite& favourite)
{
    std::ostringstream out;
    for (size_t i = 0; i < favourite.events.size(); ++i)
        out << (i == 0 ? "" : ", ") << LogTypeName(favourite.events[i].first) << " "
            << favourite.events[i].second;
    return out.str();
}

void PrintFavourites(const std::vector<Favourite>& favourites, bool json)
{
    if (json)
    {
        std::printf("[");
        for (size_t i = 0; i < favourites.size(); ++i)
        {
            const UlogPhotoFvrInfo& info = favourites[i].info;
            std::ostringstream events;
            for (size_t e = 0; e < favourites[i].events.size(); ++e)
                events << (e == 0 ? "" : ", ") << JsonString(LogTypeName(favourites[i].events[e].first))
                       << ": " << favourites[i].events[e].second;
            std::printf("%s\n  {\"rank\": %zu, \"contact\": %d, \"name\": %s, \"number\": %s, \"basic\": %s, "
                        "\"picture\": %s, \"events\": {%s}}",
                        i == 0 ? "" : ",", i + 1, info.nPersonId,
                        JsonString(FieldText(info.szName, sizeof(info.szName))).c_str(),
                        JsonString(FieldText(info.szNumber, sizeof(info.szNumber))).c_str(),
                        JsonString(FieldText(info.szBasicNumber, sizeof(info.szBasicNumber))).c_str(),
                        JsonString(FieldText(info.szCallerIdPath, sizeof(info.szCallerIdPath))).c_str(),
                        events.str().c_str());
        }
        std::printf("%s]\n", favourites.empty() ? "" : "\n");
        return;
    }
    for (size_t i = 0; i < favourites.size(); ++i)
    {
        const UlogPhotoFvrInfo& info = favourites[i].info;
        std::printf("%2zu. %-28s %-16s %s\n", i + 1,
                    Printable(FieldText(info.szName, sizeof(info.szName))).c_str(),
                    Printable(FieldText(info.szNumber, sizeof(info.szNumber))).c_str(),
                    Printable(FieldText(info.szCallerIdPath, sizeof(info.szCallerIdPath))).c_str());
        std::printf("    %s\n", EventsText(favourites[i]).c_str());
    }
    if (favourites.empty())
        std::printf("no favourites\n");
}

int DeleteFavourite(const std::vector<std::string>& args, const std::string& root, bool json)
{
    const Parsed p = ParseArgs(args, {}, "favourites delete");
    if (p.positional.size() != 1)
        Usage("favourites delete: give one NUMBER (see 'ulog favourites')");
    const std::string number = WithoutSeparators(p.positional[0]);
    if (!IsPhoneNumber(p.positional[0]) || number.size() >= ULOG_NUMBER_LEN)
        Usage("favourites delete: not a phone number: '" + p.positional[0] + "'");

    Service service(root, Service::READ_WRITE);
    const std::vector<Favourite> favourites = ReadFavourites(COUNT_MAX);
    const Favourite* pFound = nullptr;
    for (const Favourite& favourite : favourites)
    {
        const UlogPhotoFvrInfo& info = favourite.info;
        if (number == FieldText(info.szBasicNumber, sizeof(info.szBasicNumber)) ||
            UlogStrCmp(number.c_str(), FieldText(info.szNumber, sizeof(info.szNumber)).c_str()))
        {
            pFound = &favourite;
            break;
        }
    }
    if (pFound == nullptr)
        Fail("favourites delete: " + p.positional[0] + " is not a favourite; nothing deleted");
    if (!UlogDeleteSinglePhotoFavouritesLog(&pFound->info))
        Fail("favourites delete: the logs of " + p.positional[0] + " could not be deleted" + Reason());
    const std::string shown = FieldText(pFound->info.szNumber, sizeof(pFound->info.szNumber));
    if (json)
        std::printf("{\"deleted\": %s, \"rows\": %zu}\n", JsonString(shown).c_str(), pFound->events.size());
    else
        std::printf("deleted the logs of %s (%zu row(s) with their events)\n", Printable(shown).c_str(),
                    pFound->events.size());
    return 0;
}
} // namespace

int CmdFrequent(const std::vector<std::string>& args, const std::string& root, bool json)
{
    return Frequent(args, root, json);
}

int CmdFavourites(const std::vector<std::string>& args, const std::string& root, bool json)
{
    if (!args.empty() && args[0] == "delete")
        return DeleteFavourite(std::vector<std::string>(args.begin() + 1, args.end()), root, json);
    const Parsed p = ParseArgs(args, {{"--count", Opt::VALUE}}, "favourites");
    if (!p.positional.empty())
        Usage("favourites: unexpected argument '" + p.positional[0] + "'");
    const int count = CountOption(p, "favourites");
    Service service(root, Service::READ_ONLY);
    PrintFavourites(ReadFavourites(count), json);
    return 0;
}
} // namespace ulogtool
