// The SNS commands of the ulog tool.
#ifndef ULOG_TOOL_SNS_H
#define ULOG_TOOL_SNS_H

#include <string>
#include <vector>

namespace ulogtool
{
int CmdSns(const std::vector<std::string>& args, const std::string& root, bool json);
extern const char* const s_snsHelp;
} // namespace ulogtool

#endif
