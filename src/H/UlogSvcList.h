/*
 * Lists of the service: the list and iterator interfaces, and the in-memory
 * list CUlogList<T> over a vector of owned pointers (T = CUlog or int).
 *
 * Ownership: Add stores the address of the object it is given and the list
 * deletes it when the list is destroyed; Delete only takes an entry out of
 * the list (the object then belongs to whoever took it). An iterator from
 * GetIterator belongs to the caller, must not outlive its list, and is
 * released before the list. Release() deletes the object it is called on;
 * UlogRelease(p) does the same and accepts a null pointer.
 */
#ifndef ULOG_SVC_LIST_H
#define ULOG_SVC_LIST_H

#include "KivCore/KivCore.h"
#include "H/CUlogObject.h"
#include "UlogSvcLogMgr/CUlog.h"

#include <new>
#include <vector>

template <class T> class IUlogIterator
{
public:
    virtual ~IUlogIterator() {}
    virtual void First() = 0;
    virtual BOOL Move(int nIndex) = 0;
    virtual void Prev() = 0;
    virtual void Next() = 0;
    virtual BOOL IsDone() const = 0;
    virtual T* GetCurItem() const = 0;
    virtual void Release() = 0;
};

template <class T> class IUlogList
{
public:
    virtual ~IUlogList() {}
    virtual BOOL Add(const T& item) = 0;
    virtual BOOL Delete(int nIndex) = 0;
    virtual int GetCount() const = 0;
    virtual void Release() = 0;
    virtual IUlogIterator<T>* GetIterator() const = 0;
};

/* Releases a list or an iterator; nothing for a null pointer. */
template <class P> inline void UlogRelease(P* p)
{
    if (p != nullptr)
        p->Release();
}

/* The module name that the list's reports carry. */
template <class T> struct UlogSvcListModule
{
    static const char* Name() { return "H/UlogSvcList"; }
};
template <> struct UlogSvcListModule<CUlog>
{
    static const char* Name() { return "UlogSvcCollection/UlogSvcList"; }
};

#include "H/UlogSvcVectorIterator.h"

template <class T> class CUlogList : public IUlogList<T>, public CUlogObject
{
public:
    CUlogList() : m_nReserved(0) {}
    /* n is kept with the list and not used by it. */
    explicit CUlogList(int n) : m_nReserved(n) {}
    ~CUlogList() override;
    CUlogList(const CUlogList&) = delete;
    CUlogList& operator=(const CUlogList&) = delete;

    /* Takes ownership of item, which must have been allocated with new. */
    BOOL Add(const T& item) override
    {
        m_vector.push_back(const_cast<T*>(&item));
        return TRUE;
    }
    /* Takes the entry out of the list without deleting it. FALSE for an index outside the list. */
    BOOL Delete(int nIndex) override;
    int GetCount() const override { return static_cast<int>(m_vector.size()); }
    /* TRUE when 0 <= nIndex < GetCount(). */
    BOOL IsValidIndex(int nIndex) const { return (nIndex >= 0 && nIndex < GetCount()) ? TRUE : FALSE; }
    void Release() override { delete this; }
    IUlogIterator<T>* GetIterator() const override;
    int GetReserved() const { return m_nReserved; }

private:
    std::vector<T*> m_vector;
    int m_nReserved;
};

template <class T> CUlogList<T>::~CUlogList()
{
    for (T* p : m_vector)
        delete p;
    m_vector.clear();
}

template <class T> BOOL CUlogList<T>::Delete(int nIndex)
{
    if (!IsValidIndex(nIndex))
    {
        _SysAssertReport(1, "ASSERTION_REQUIRE", "IsValidIndex(nIndex)", UlogSvcListModule<T>::Name(),
                         __LINE__);
        return FALSE;
    }
    m_vector.erase(m_vector.begin() + nIndex);
    return TRUE;
}

template <class T> IUlogIterator<T>* CUlogList<T>::GetIterator() const
{
    IUlogIterator<T>* pIter = new (std::nothrow) CUlogVectorIterator<T>(m_vector);
    if (pIter == nullptr)
        _SysAssertReport(1, "ASSERTION_REQUIRE", "pIter != NULL", UlogSvcListModule<T>::Name(), __LINE__);
    return pIter;
}

extern template class CUlogList<CUlog>;
extern template class CUlogList<int>;

#endif
