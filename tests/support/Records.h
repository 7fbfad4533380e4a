// A log record as an application fills it before adding it: the type, number, times and the few
// fields a test gives, every id the service hands out -1, everything else empty.
#ifndef ULOG_TEST_RECORDS_H
#define ULOG_TEST_RECORDS_H

#include "UlogSvc.h"

#include <cstring>

namespace ulogtest
{
struct Event
{
    UlogLogType type = ULOG_LOG_ORIGINATED;
    const char* number = "0101234567";
    const char* name = "";
    unsigned start = 1700000000u;
    unsigned duration = 60;
    UlogCallType callType = ULOG_CALL_VOICE; // calls only; other logs have none
    bool temporary = false;
    const char* snsPersonId = "";
    int snsSpInfo = 0;
    int msgLogType = 0;
    bool unchecked = false;
    int cost = -1; // call meter units; -1: none
};

inline UlogInfo MakeInfo(const Event& e)
{
    UlogInfo info;
    std::memset(&info, 0, sizeof(info));
    info.iLogType = e.type;
    info.iCallType = e.type <= ULOG_LOG_MISSED ? e.callType : ULOG_CALL_TYPE_NONE;
    info.iLineType = ULOG_LINE_1;
    info.iPhoneType = ULOG_PHONE_TYPE_NONE;
    info.iSourceType = ULOG_SOURCE_TYPE_NONE;
    info.nUniqueId = ULOG_INVALID_DB_INDEX;
    info.nSortIndex = -1;
    info.nGroupId = -1;
    info.nParentId = -1;
    info.nDuplLogLastUniqueId = -1;
    info.nCallCost = e.cost;
    info.nSpInfo = -1;
    info.nSnsSpInfo = e.snsSpInfo;
    info.nMsgLogType = e.msgLogType;
    info.bTempLog = e.temporary ? 1 : 0;
    info.bUncheckedYet = e.unchecked ? 1 : 0;
    info.tmStart = e.start;
    info.tmEnd = e.start + e.duration;
    std::strncpy(info.szNumber, e.number, sizeof(info.szNumber) - 1);
    std::strncpy(info.szName, e.name, sizeof(info.szName) - 1);
    std::strncpy(info.szSnsPersonId, e.snsPersonId, sizeof(info.szSnsPersonId) - 1);
    return info;
}
} // namespace ulogtest

#endif
