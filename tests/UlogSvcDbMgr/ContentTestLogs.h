// Logs for the content-framework tests: call logs built from records and written through the
// content-framework query manager.
#ifndef ULOG_CONTENT_TEST_LOGS_H
#define ULOG_CONTENT_TEST_LOGS_H

#include "UlogSvc.h"
#include "UlogSvcDbMgr/CUlogContentFrmwkDbMgr.h"
#include "UlogSvcLogMgr/CUlogCallLog.h"

#include <cstring>
#include <string>

namespace contenttest
{
struct CallSpec
{
    UlogLogType logType = ULOG_LOG_ORIGINATED;
    const char* number = "0101234567";
    int sortIndex = 1;
    int groupId = 1;
    bool cnap = false;
    bool videoShare = false;
    const char* firstName = "";
    const char* lastName = "";
    const char* name = "";
};

inline UlogInfo MakeInfo(const CallSpec& s)
{
    UlogInfo info;
    std::memset(&info, 0, sizeof(info));
    info.iLogType = s.logType;
    info.nSortIndex = s.sortIndex;
    info.nGroupId = s.groupId;
    info.bCNAPLog = s.cnap ? 1 : 0;
    info.bVideoShare = s.videoShare ? 1 : 0;
    info.tmStart = 1700000000u + static_cast<unsigned>(s.sortIndex);
    info.tmEnd = info.tmStart + 30;
    std::strncpy(info.szNumber, s.number, sizeof(info.szNumber) - 1);
    std::strncpy(info.szBasicNumber, s.number, sizeof(info.szBasicNumber) - 1);
    std::strncpy(info.szFirstName, s.firstName, sizeof(info.szFirstName) - 1);
    std::strncpy(info.szLastName, s.lastName, sizeof(info.szLastName) - 1);
    std::strncpy(info.szName, s.name, sizeof(info.szName) - 1);
    return info;
}

// Writes a call log into the table; its unique id, or -1.
inline int InsertCall(IUlogDbMgr& mgr, UlogDbTableType type, const CallSpec& s)
{
    CUlogCallLog log(MakeInfo(s));
    if (!mgr.Insert(log, type))
        return -1;
    return log.GetUniqueID();
}
} // namespace contenttest

#endif
