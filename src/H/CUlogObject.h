/*
 * CUlogObject: the common root class of the service's classes.
 *
 * Objects of the service's classes come from the platform's heap (MemAllocTraceEx), so that an
 * allocation failure, real or injected through the control interface, reaches the service's own
 * `new (std::nothrow)` sites as a null pointer that they handle. A plain `new` that cannot be
 * served throws std::bad_alloc as usual.
 *
 * An allocation that fails while the calling thread is making a change of the log tables (inside its
 * database batch) fails that change: a read that could not build its log looks like a row that is not
 * there, and a change decided on it (a second row for a known correspondent, a skipped eviction) must
 * not be committed.
 */
#ifndef CULOG_OBJECT_H
#define CULOG_OBJECT_H

#include "KivCore/KivCore.h"

#include <cstddef>
#include <new>

class CUlogObject
{
public:
    virtual ~CUlogObject() {}

    static void* operator new(std::size_t nSize, const std::nothrow_t&) noexcept
    {
        void* p = MemAllocTraceEx(0, nSize, __FILE__, __LINE__);
        if (p == nullptr)
            Db2AbortBatch(); // nothing outside a change of this thread
        return p;
    }
    static void* operator new(std::size_t nSize)
    {
        void* p = MemAllocTraceEx(0, nSize, __FILE__, __LINE__);
        if (p == nullptr)
            throw std::bad_alloc();
        return p;
    }
    static void* operator new(std::size_t, void* pPlace) noexcept { return pPlace; }
    static void operator delete(void* p) noexcept { MemFreeTraceMultiHeap(p, __FILE__, __LINE__); }
    static void operator delete(void* p, const std::nothrow_t&) noexcept
    {
        MemFreeTraceMultiHeap(p, __FILE__, __LINE__);
    }
    static void operator delete(void*, void*) noexcept {}
};

#endif
