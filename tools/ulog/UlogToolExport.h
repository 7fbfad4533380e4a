// The export commands of the ulog tool.
#ifndef ULOG_TOOL_EXPORT_H
#define ULOG_TOOL_EXPORT_H

#include <string>
#include <vector>

namespace ulogtool
{
int CmdExport(const std::vector<std::string>& args, const std::string& root, bool json);
extern const char* const s_exportHelp;
} // namespace ulogtool

#endif
