// Helpers for the tests of the exported functions: a started service on a fresh data root, records
// built as an application would fill them, and walks of iterator handles.
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
inline UlogInfo Record(UlogLogType type, const char* number, unsigned start = 1700000000u,
                       unsigned duration = 60, const char* name = "")
{
    return ulogtest::MakeInfo(
        ulogtest::Event{.type = type, .number = number, .name = name, .start = start, .duration = duration});
}

// Adds one event; the record as the service filled it in.
inline UlogInfo Add(const ulogtest::Event& e)
{
    UlogInfo info = ulogtest::MakeInfo(e);
    EXPECT_EQ(UlogAddCallLog(&info), 1) << e.number;
    return info;
}
inline UlogInfo Add(UlogLogType type, const char* number, unsigned start = 1700000000u,
                    unsigned duration = 60)
{
    return Add(ulogtest::Event{.type = type, .number = number, .start = start, .duration = duration});
}

// Walks a handle from the first log to the end; leaves it registered.
inline std::vector<UlogInfo> Walk(HOBJ h)
{
    std::vector<UlogInfo> out;
    UlogSvcIteratorMoveFirst(h);
    for (int guard = 0; !UlogSvcIteratorIsDone(h) && guard < 1000; ++guard)
    {
        UlogInfo info;
        std::memset(&info, 0, sizeof(info));
        if (!UlogSvcIteratorGetCurItem(h, &info))
            break;
        out.push_back(info);
        UlogSvcIteratorMoveNext(h);
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

// The service started on a fresh data root, stopped afterwards.
using ApiTest = ulogtest::ServiceTest;
} // namespace apitest

#endif
