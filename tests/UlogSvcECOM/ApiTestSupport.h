// Helpers for the tests of the exported functions: a started service on a fresh data root, records
// built as an application would fill them, walks of iterator handles and the thread's last error.
#ifndef ULOG_API_TEST_SUPPORT_H
#define ULOG_API_TEST_SUPPORT_H

#include "support/PlatformFixture.h"
#include "support/Records.h"

#include "UlogSvc.h"
#include "control/PlatformControl.h"

#include <cstring>
#include <string>
#include <vector>

namespace apitest
{
inline UlogInfo Record(UlogLogType type, const char* number, unsigned start = 1700000000u)
{
    return ulogtest::MakeInfo(ulogtest::Event{.type = type, .number = number, .start = start});
}

// Adds one event; the record as the service filled it in.
inline UlogInfo Add(const ulogtest::Event& e)
{
    UlogInfo info = ulogtest::MakeInfo(e);
    EXPECT_EQ(UlogAddCallLog(&info), 1) << e.number;
    return info;
}
inline UlogInfo Add(UlogLogType type, const char* number, unsigned start = 1700000000u,
                    bool unchecked = false)
{
    return Add(ulogtest::Event{.type = type, .number = number, .start = start, .unchecked = unchecked});
}

// Walks a handle from the first log to the end; leaves it registered.
inline std::vector<UlogInfo> Walk(HOBJ h)
{
    std::vector<UlogInfo> out;
    UlogSvcIteratorMoveFirst(h);
    for (UlogInfo info; !UlogSvcIteratorIsDone(h) && out.size() < 1000; UlogSvcIteratorMoveNext(h))
    {
        std::memset(&info, 0, sizeof(info));
        if (!UlogSvcIteratorGetCurItem(h, &info))
            break;
        out.push_back(info);
    }
    return out;
}

inline std::vector<UlogInfo> WalkAndRelease(HOBJ h)
{
    std::vector<UlogInfo> out = Walk(h);
    UlogSvcIteratorRelease(h);
    return out;
}

inline std::vector<std::string> Numbers(const std::vector<UlogInfo>& logs)
{
    std::vector<std::string> out;
    for (const UlogInfo& info : logs)
        out.emplace_back(info.szNumber);
    return out;
}

// The cause UlogGetLastError gives, as "code text".
inline std::string LastError()
{
    const char* text = nullptr;
    const UlogErrorCode code = UlogGetLastError(&text);
    return std::to_string(static_cast<int>(code)) + " " + (text != nullptr ? text : "<null>");
}
inline std::string Expected(UlogErrorCode code, const char* text)
{
    return std::to_string(static_cast<int>(code)) + " " + text;
}

// The service started on a fresh data root, stopped afterwards.
using ApiTest = ulogtest::ServiceTest;
} // namespace apitest

#endif
