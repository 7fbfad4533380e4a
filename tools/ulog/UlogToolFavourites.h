// The ranking commands of the ulog tool: the most frequent correspondents of one log type, and the
// photo favourites (with the delete of a favourite's logs).
#ifndef ULOG_TOOL_FAVOURITES_H
#define ULOG_TOOL_FAVOURITES_H

#include <string>
#include <vector>

namespace ulogtool
{
int CmdFrequent(const std::vector<std::string>& args, const std::string& root, bool json);
int CmdFavourites(const std::vector<std::string>& args, const std::string& root, bool json);
extern const char* const s_frequentHelp;
extern const char* const s_favouritesHelp;
} // namespace ulogtool

#endif
