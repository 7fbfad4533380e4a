// The plumbing every command of the ulog tool shares: errors and exit codes, option parsing, and the
// data root with the started service for the life of one command.
#ifndef ULOG_TOOL_COMMON_H
#define ULOG_TOOL_COMMON_H

#include "UlogSvc.h"

#include <map>
#include <string>
#include <vector>

namespace ulogtool
{
const int EXIT_FAILED = 1; // the command could not be carried out
const int EXIT_USAGE = 2;  // bad arguments: nothing was done

struct ToolError
{
    int code;
    std::string message;
};

[[noreturn]] void Usage(const std::string& message);
[[noreturn]] void Fail(const std::string& message);

// Why the service's last call failed, as ": reason" for a message (nothing when it gave no reason).
std::string Reason();

// Every log of an iterator handle, which it releases; a handle that could not be made or a log that
// could not be read fails the command: a failed read is never shown as an empty list.
std::vector<UlogInfo> WalkHandle(HOBJ h, const std::string& command);

// Options of one command: name -> value ("" for flags), the values of repeatable options in the order
// given, and the positional arguments.
struct Parsed
{
    std::map<std::string, std::string> options;
    std::map<std::string, std::vector<std::string>> repeated;
    std::vector<std::string> positional;

    bool Has(const std::string& name) const { return options.count(name) != 0 || repeated.count(name) != 0; }
    std::string Get(const std::string& name) const;
    std::vector<std::string> All(const std::string& name) const;
};

// How an option is written: a flag, an option with a value, or one that may be given several times.
enum class Opt
{
    FLAG,
    VALUE,
    REPEATED
};

// Parses args against the allowed options.
Parsed ParseArgs(const std::vector<std::string>& args, const std::map<std::string, Opt>& allowed,
                 const std::string& command);

// The one positional ID of a command.
int ParseId(const Parsed& parsed, const std::string& command, const std::string& hint = std::string());

// Copies value into a terminated text field of places bytes; bad arguments when it does not fit or is
// not printable UTF-8.
void SetText(char* field, size_t places, const std::string& value, const std::string& what);

// The data root and the started service for the life of one command. Commands that only read use
// the root read-only: nothing is created there (not even the root), and a read-only root works.
class Service
{
public:
    enum Access
    {
        READ_WRITE,
        READ_ONLY
    };
    Service(const std::string& root, Access access);
    ~Service();
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;
};

// The commands kept in files of their own.
int CmdContact(const std::vector<std::string>& args, const std::string& root, bool json);
int CmdFdn(const std::vector<std::string>& args, const std::string& root, bool json);
extern const char* const s_contactHelp;
extern const char* const s_fdnHelp;
// The full contact sync (UlogToolSync.cpp): 'contact import FILE' and 'sync --full'.
int ContactImport(const std::vector<std::string>& args, const std::string& root, bool json);
int CmdSync(const std::vector<std::string>& args, const std::string& root, bool json);
extern const char* const s_syncHelp;
} // namespace ulogtool

#endif
