/*
 * Iterator handles of the plain-function interface.
 *
 * Callers of the plain functions cannot hold list and iterator objects, so the
 * functions that return many logs register a (list, iterator) pair with the
 * process-wide CUlogSvcIteratorAdapter and hand out its integer handle. The
 * caller walks the pair through the handle and releases it.
 *
 * Handles are 1, 2, 3, ... in the order of registration over the life of the
 * library; a released handle is never given out again. INVALID_HOBJ (-1) is
 * the invalid handle.
 */
#ifndef CULOG_SVC_ITERATOR_ADAPTER_H
#define CULOG_SVC_ITERATOR_ADAPTER_H

#include "H/CUlogObject.h"
#include "H/UlogSvcList.h"
#include "UlogSvc.h"

#include <map>
#include <mutex>

template <class T> class IUlogSvcIteratorAdapterItem
{
public:
    virtual ~IUlogSvcIteratorAdapterItem() {}
    virtual IUlogList<T>* GetList() = 0;
    virtual IUlogIterator<T>* GetIterator() = 0;
    /* Both setters take ownership and return TRUE. */
    virtual BOOL SetList(IUlogList<T>* pList) = 0;
    virtual BOOL SetIterator(IUlogIterator<T>* pIter) = 0;
};

/* Owns its iterator and list: the destructor releases the iterator first, then the list. */
template <class T> class CUlogSvcIteratorAdapterItem : public IUlogSvcIteratorAdapterItem<T>
{
public:
    CUlogSvcIteratorAdapterItem() : m_pIter(nullptr), m_pList(nullptr) {}
    ~CUlogSvcIteratorAdapterItem() override
    {
        if (m_pIter != nullptr)
            m_pIter->Release();
        if (m_pList != nullptr)
            m_pList->Release();
    }
    CUlogSvcIteratorAdapterItem(const CUlogSvcIteratorAdapterItem&) = delete;
    CUlogSvcIteratorAdapterItem& operator=(const CUlogSvcIteratorAdapterItem&) = delete;

    IUlogList<T>* GetList() override { return m_pList; }
    IUlogIterator<T>* GetIterator() override { return m_pIter; }
    BOOL SetList(IUlogList<T>* pList) override
    {
        m_pList = pList;
        return TRUE;
    }
    BOOL SetIterator(IUlogIterator<T>* pIter) override
    {
        m_pIter = pIter;
        return TRUE;
    }

private:
    IUlogIterator<T>* m_pIter;
    IUlogList<T>* m_pList;
};

class CUlogSvcIteratorAdapter : public CUlogObject
{
public:
    /* The single registry, created on first use. */
    static CUlogSvcIteratorAdapter* Instance();

    CUlogSvcIteratorAdapter() : m_nLastHandle(0) {}
    /* Deletes the items still registered. */
    ~CUlogSvcIteratorAdapter() override;
    CUlogSvcIteratorAdapter(const CUlogSvcIteratorAdapter&) = delete;
    CUlogSvcIteratorAdapter& operator=(const CUlogSvcIteratorAdapter&) = delete;

    /* Takes ownership of the item and returns its new handle; -1 for a null item. */
    int Register(IUlogSvcIteratorAdapterItem<CUlog>* pAdapterItem);
    /* Stores the item under the next handle; 1, or -1 for a null item. */
    int AddElement(IUlogSvcIteratorAdapterItem<CUlog>* pAdapterItem);
    /* The item of the handle; NULL (with a message) when there is none. */
    IUlogSvcIteratorAdapterItem<CUlog>* GetElement(int hIterator);
    /* Deletes the item (releasing its iterator and list); FALSE when the handle is unknown. */
    BOOL DeleteElement(int hIterator);

    void First(int hIterator);
    BOOL Move(int hIterator, int nIndex);
    void Prev(int hIterator);
    void Next(int hIterator);
    /* The iterator's IsDone; 0 for an unknown handle. */
    BOOL IsDone(int hIterator);
    /* Copies the current log into the record; 0 when there is none. */
    BOOL GetCurItem(int hIterator, UlogInfo* pUlogInfo);
    void Release(int hIterator);

    /* The number of handles currently registered. */
    int GetCount();

private:
    IUlogSvcIteratorAdapterItem<CUlog>* __GetElement(int hIterator);
    /* The iterator of a registered handle, with the reports of a missing item or iterator. */
    IUlogIterator<CUlog>* __GetIterator(int hIterator, int nItemLine, int nIterLine);

    std::map<int, IUlogSvcIteratorAdapterItem<CUlog>*> m_map;
    int m_nLastHandle;
    /* Guards the map and the counter; walks hold it so that a concurrent release cannot free the
     * pair under them. */
    std::recursive_mutex m_lock;
};

#endif
