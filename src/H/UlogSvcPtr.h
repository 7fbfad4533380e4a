/*
 * CUlogPtr<T>: holds one object (usually a log from the generator) and
 * deletes it at the end of the scope. Not copied.
 */
#ifndef ULOG_SVC_PTR_H
#define ULOG_SVC_PTR_H

#include "KivCore/KivCore.h"
#include "H/CUlogObject.h"

template <class T> class CUlogPtr : public CUlogObject
{
public:
    explicit CUlogPtr(T* p = nullptr) : m_ptr(p) {}
    ~CUlogPtr() override { delete m_ptr; }
    CUlogPtr(const CUlogPtr&) = delete;
    CUlogPtr& operator=(const CUlogPtr&) = delete;

    BOOL IsValidPtr() const { return (m_ptr != nullptr) ? TRUE : FALSE; }

    /* The held object; a null one is reported. */
    T* Get() const { return Checked(); }
    T* operator*() const { return Checked(); }
    T* operator->() const { return Checked(); }

    /* Gives up ownership: the caller now owns the object. */
    T* Detach()
    {
        T* p = m_ptr;
        m_ptr = nullptr;
        return p;
    }

private:
    T* Checked() const
    {
        if (m_ptr == nullptr)
            _SysAssertReport(1, "ASSERTION_REQUIRE", "m_ptr != NULL", "H/UlogSvcPtr", 64);
        return m_ptr;
    }

    T* m_ptr;
};

#endif
