// What the benchmarks share: a data root of this run, and the service started on it afresh.
#ifndef ULOG_BENCH_SUPPORT_H
#define ULOG_BENCH_SUPPORT_H

#include "UlogSvc.h"
#include "control/PlatformControl.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace ulogbench
{
// "<temporary directory>/<name>-<pid>".
inline std::string RunRoot(const char* name)
{
    return (std::filesystem::temp_directory_path() / (std::string(name) + "-" + std::to_string(::getpid())))
        .string();
}

// Stops the service (its stores landed), empties the data root and starts the service on it.
inline void StartServiceOn(const std::string& root)
{
    UlogSvcDispatch(1);
    UlogCtlWaitForStores();
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    UlogCtlReset(root.c_str());
    UlogSvcDispatch(0);
}
// A record of one event as an application fills it before adding it: the type and times, no ids.
inline UlogInfo NewEvent(int type, unsigned int tmStart, unsigned int nDuration)
{
    UlogInfo info;
    std::memset(&info, 0, sizeof(info));
    info.iLogType = static_cast<UlogLogType>(type);
    info.iCallType = _UlogIsCallLog(type) ? ULOG_CALL_VOICE : ULOG_CALL_TYPE_NONE;
    info.iLineType = ULOG_LINE_1;
    info.iPhoneType = ULOG_PHONE_TYPE_NONE;
    info.nUniqueId = ULOG_INVALID_DB_INDEX;
    info.nCallCost = -1;
    info.nSpInfo = (type >= ULOG_LOG_IM_1) ? 1 : -1;
    info.tmStart = tmStart;
    info.tmEnd = tmStart + nDuration;
    return info;
}

// The key that names correspondent n of a type where the number does not: an SNS person id, or an
// e-mail address for e-mails and instant messages.
inline void SetAddressOf(UlogInfo& info, int type, int n)
{
    if (type == ULOG_LOG_SNS_1 || type == ULOG_LOG_SNS_2)
    {
        std::snprintf(info.szSnsPersonId, sizeof(info.szSnsPersonId), "sns-%d-%d", type, n);
        return;
    }
    if (type < ULOG_LOG_EMAIL_SENT)
        return;
    char address[64];
    std::snprintf(address, sizeof(address), "p%d.%d@example.org", type, n);
    for (size_t i = 0; address[i] != '\0'; ++i)
        info.mszEmailAddress[i] = static_cast<WCHAR>(address[i]);
}

// Correspondent n of a type in a full table, as the export benchmarks store it: every third name in
// Korean, every fifth one holding pszSpecial (characters an export must escape).
inline UlogInfo ExportEvent(int type, int n, const char* pszSpecial)
{
    UlogInfo info = NewEvent(type, 1700000000u + static_cast<unsigned>(type * 1000 + n) * 60u, 42);
    std::snprintf(info.szNumber, sizeof(info.szNumber), "01%02d%06d", type, n);
    std::snprintf(info.szName, sizeof(info.szName), "%s %d-%d",
                  n % 3 == 0   ? "\xEA\xB9\x80\xEB\xAF\xBC\xEC\x88\x98"
                  : n % 5 == 0 ? pszSpecial
                               : "Person",
                  type, n);
    SetAddressOf(info, type, n);
    return info;
}
} // namespace ulogbench

#endif
