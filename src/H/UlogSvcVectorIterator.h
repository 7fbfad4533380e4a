/*
 * CUlogVectorIterator<T>: an iterator over the vector of a CUlogList<T>.
 * First/Next/Prev move the index without bound checks; IsDone tells when the
 * index is outside the vector, and GetCurItem then gives NULL.
 */
#ifndef ULOG_SVC_VECTOR_ITERATOR_H
#define ULOG_SVC_VECTOR_ITERATOR_H

#include "KivCore/KivCore.h"
#include "H/CUlogObject.h"

#include <vector>

template <class T> class IUlogIterator;

template <class T> class CUlogVectorIterator : public IUlogIterator<T>, public CUlogObject
{
public:
    explicit CUlogVectorIterator(const std::vector<T*>& vec) : m_vector(vec), m_nIndex(0) {}
    ~CUlogVectorIterator() override {}

    void First() override { m_nIndex = 0; }
    /* Any index below the size is accepted (a negative one leaves the iterator done). */
    BOOL Move(int nIndex) override
    {
        if (nIndex >= static_cast<int>(m_vector.size()))
        {
            _SysAssertReport(1, "ASSERTION_REQUIRE", "nIndex < static_cast<int>(m_vector.size())",
                             "H/UlogSvcVectorIterator", 85);
            return FALSE;
        }
        m_nIndex = nIndex;
        return TRUE;
    }
    void Prev() override { --m_nIndex; }
    void Next() override { ++m_nIndex; }
    BOOL IsDone() const override
    {
        return (m_nIndex < 0 || m_nIndex >= static_cast<int>(m_vector.size())) ? TRUE : FALSE;
    }
    /* The element itself, still owned by the list; NULL when done. */
    T* GetCurItem() const override { return IsDone() ? nullptr : m_vector[static_cast<size_t>(m_nIndex)]; }
    void Release() override { delete this; }
    int GetIndex() const { return m_nIndex; }

private:
    const std::vector<T*>& m_vector;
    int m_nIndex;
};

#endif
