// Heap with allocation fault injection.
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"
#include "control/PlatformControl.h"

#include <atomic>
#include <cstdlib>

namespace
{
std::atomic<int> g_failAllocs{0};
}

namespace kiv::core
{
void ResetMemory()
{
    g_failAllocs = 0;
}
} // namespace kiv::core

extern "C" void* MemAllocTraceEx(int /*heap*/, size_t size, const char* /*srcFile*/, int /*srcLine*/)
{
    int pending = g_failAllocs.load();
    while (pending > 0)
    {
        if (g_failAllocs.compare_exchange_weak(pending, pending - 1))
            return nullptr;
    }
    return std::malloc(size == 0 ? 1 : size);
}

extern "C" void MemFreeTraceMultiHeap(void* p, const char* /*srcFile*/, int /*srcLine*/)
{
    std::free(p);
}

extern "C" void UlogCtlFailNextAllocs(int count)
{
    g_failAllocs = count < 0 ? 0 : count;
}
