// Heap with allocation fault injection.
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

namespace
{
std::atomic<int> g_failAllocs{0}; // allocations still to fail
std::atomic<int> g_skipAllocs{0}; // allocations to serve before the failures begin
std::mutex g_faultMutex;
} // namespace

namespace kiv::core
{
void ResetMemory()
{
    g_failAllocs = 0;
    g_skipAllocs = 0;
}
} // namespace kiv::core

extern "C" void* MemAllocTraceEx(int /*heap*/, size_t size, const char* /*srcFile*/, int /*srcLine*/)
{
    if (g_failAllocs.load(std::memory_order_relaxed) > 0)
    {
        std::lock_guard<std::mutex> lock(g_faultMutex);
        if (g_skipAllocs > 0)
            --g_skipAllocs;
        else if (g_failAllocs > 0)
        {
            --g_failAllocs;
            return nullptr;
        }
    }
    return std::malloc(size == 0 ? 1 : size);
}

extern "C" void MemFreeTraceMultiHeap(void* p, const char* /*srcFile*/, int /*srcLine*/)
{
    std::free(p);
}

namespace kiv::core::mem
{
void SetFailNext(int count)
{
    std::lock_guard<std::mutex> lock(g_faultMutex);
    g_skipAllocs = 0;
    g_failAllocs = count < 0 ? 0 : count;
}

void SetFailAt(int position)
{
    std::lock_guard<std::mutex> lock(g_faultMutex);
    g_skipAllocs = position > 0 ? position - 1 : 0;
    g_failAllocs = position > 0 ? 1 : 0;
}

int PendingFaults()
{
    std::lock_guard<std::mutex> lock(g_faultMutex);
    return g_failAllocs;
}
} // namespace kiv::core::mem
