// The number-comparison setting of the contacts service and its read fault.
#include "KivCtSvc/KivCtSvc.h"
#include "KivCtSvc/KivCtSvcInternal.h"

#include <atomic>

namespace kiv::ctsvc
{
namespace
{
std::atomic<int> g_digitsCount2Compare{kDefaultDigitsCount2Compare};
std::atomic<bool> g_bFailReads{false};
} // namespace

void SetDigitsCount2Compare(int count)
{
    g_digitsCount2Compare.store(count, std::memory_order_relaxed);
}

void SetFailReads(bool bFail)
{
    g_bFailReads.store(bFail, std::memory_order_relaxed);
}

bool ReadsFail()
{
    return g_bFailReads.load(std::memory_order_relaxed);
}
} // namespace kiv::ctsvc

extern "C" int CtSvcGetDigitsCount2Compare(const char* /*pszNumber*/)
{
    return kiv::ctsvc::g_digitsCount2Compare.load(std::memory_order_relaxed);
}
