// The plumbing every command of the ulog tool shares.
#include "UlogToolCommon.h"
#include "UlogToolFormat.h"
#include "UlogToolScreen.h"

#include "UlogSvc.h"
#include "control/PlatformControl.h"

#include <cstring>

namespace ulogtool
{
void Usage(const std::string& message)
{
    throw ToolError{EXIT_USAGE, message};
}

void Fail(const std::string& message)
{
    throw ToolError{EXIT_FAILED, message};
}

std::string Reason()
{
    const char* pszText = nullptr;
    if (UlogGetLastError(&pszText) == ULOG_ERR_NONE || pszText == nullptr)
        return std::string();
    return std::string(": ") + pszText;
}

// Every log of an iterator handle; a handle that could not be made or a log that could not be read
// fails the command: a failed read is never shown as an empty list.
std::vector<UlogInfo> WalkHandle(HOBJ h, const std::string& command)
{
    std::vector<UlogInfo> logs;
    if (h == 0 || h == INVALID_HOBJ)
        Fail(command + ": the logs cannot be read" + Reason());
    UlogSvcIteratorMoveFirst(h);
    while (!UlogSvcIteratorIsDone(h))
    {
        UlogInfo info;
        if (!UlogSvcIteratorGetCurItem(h, &info))
        {
            const std::string reason = Reason();
            UlogSvcIteratorRelease(h);
            Fail(command + ": the logs cannot be read" + reason);
        }
        logs.push_back(info);
        UlogSvcIteratorMoveNext(h);
    }
    UlogSvcIteratorRelease(h);
    return logs;
}

std::string Parsed::Get(const std::string& name) const
{
    auto it = options.find(name);
    return it == options.end() ? std::string() : it->second;
}

std::vector<std::string> Parsed::All(const std::string& name) const
{
    auto it = repeated.find(name);
    return it == repeated.end() ? std::vector<std::string>() : it->second;
}

Parsed ParseArgs(const std::vector<std::string>& args, const std::map<std::string, Opt>& allowed,
                 const std::string& command)
{
    Parsed parsed;
    for (size_t i = 0; i < args.size(); ++i)
    {
        std::string arg = args[i];
        if (arg.size() > 2 && arg.compare(0, 2, "--") == 0)
        {
            std::string value;
            bool inlineValue = false;
            const size_t eq = arg.find('=');
            if (eq != std::string::npos)
            {
                value = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
                inlineValue = true;
            }
            auto it = allowed.find(arg);
            if (it == allowed.end())
                Usage(command + ": unknown option " + arg);
            if (it->second != Opt::REPEATED && parsed.Has(arg))
                Usage(command + ": " + arg + " given twice");
            if (it->second != Opt::FLAG)
            {
                if (!inlineValue)
                {
                    if (i + 1 >= args.size())
                        Usage(command + ": " + arg + " needs a value");
                    value = args[++i];
                }
            }
            else if (inlineValue)
                Usage(command + ": " + arg + " takes no value");
            if (it->second == Opt::REPEATED)
                parsed.repeated[arg].push_back(value);
            else
                parsed.options[arg] = value;
        }
        else if (arg.size() > 1 && arg[0] == '-' && !ParseInteger(arg, -2147483647LL, 0))
            Usage(command + ": unknown option " + arg);
        else
            parsed.positional.push_back(arg);
    }
    return parsed;
}

int ParseId(const Parsed& parsed, const std::string& command, const std::string& hint)
{
    if (parsed.positional.size() != 1)
        Usage(command + ": give one ID" + hint);
    auto id = ParseInteger(parsed.positional[0], 0, 2147483647LL);
    if (!id)
        Usage(command + ": not an id: '" + parsed.positional[0] + "'");
    return static_cast<int>(*id);
}

void SetText(char* field, size_t places, const std::string& value, const std::string& what)
{
    if (value.size() >= places)
        Usage(what + " is longer than " + std::to_string(places - 1) + " bytes");
    if (!IsPrintableUtf8(value))
        Usage(what + " is not printable UTF-8 text");
    std::memcpy(field, value.data(), value.size());
    field[value.size()] = '\0';
}

Service::Service(const std::string& root, Access access)
{
    const BOOL bReset =
        (access == READ_ONLY) ? UlogCtlResetReadOnly(root.c_str()) : UlogCtlReset(root.c_str());
    if (!bReset)
        Fail("cannot use the data root " + root);
    ApplyHandset();
    UlogSvcDispatch(0);
}

Service::~Service()
{
    UlogSvcDispatch(1);
}
} // namespace ulogtool
