#define ULOG_SRC_MODULE "UlogSvcCollection/UlogSvcIteratorAdapter"
#include "H/UlogSvcDef.h"

#include "UlogSvcCollection/CUlogSvcIteratorAdapter.h"

#include "UlogSvcLogMgr/CUlog.h"

#include <new>

namespace
{
/* Report lines of the registry's preconditions. */
const int LINE_ADD_ELEMENT_ITEM = 50;
const int LINE_REGISTER_ITEM = 95;
const int LINE_FIRST_ITEM = 106, LINE_FIRST_ITER = 110;
const int LINE_MOVE_ITEM = 119, LINE_MOVE_ITER = 122;
const int LINE_PREV_ITEM = 131, LINE_PREV_ITER = 134;
const int LINE_NEXT_ITEM = 143, LINE_NEXT_ITER = 146;
const int LINE_ISDONE_ITEM = 155, LINE_ISDONE_ITER = 158;
const int LINE_GETCUR_ITEM = 167, LINE_GETCUR_ITER = 170, LINE_GETCUR_LOG = 173;

void Require(const char* pszCond, int nLine)
{
    _SysAssertReport(1, "ASSERTION_REQUIRE", pszCond, ULOG_SRC_MODULE, nLine);
}
} // namespace

CUlogSvcIteratorAdapter* CUlogSvcIteratorAdapter::Instance()
{
    static CUlogSvcIteratorAdapter s_instance;
    return &s_instance;
}

CUlogSvcIteratorAdapter::~CUlogSvcIteratorAdapter()
{
    for (auto& entry : m_map)
        delete entry.second;
    m_map.clear();
}

int CUlogSvcIteratorAdapter::Register(IUlogSvcIteratorAdapterItem<CUlog>* pAdapterItem)
{
    if (pAdapterItem == nullptr)
    {
        Require("pAdapterItem != NULL", LINE_REGISTER_ITEM);
        return INVALID_HOBJ;
    }
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (AddElement(pAdapterItem) != 1)
        return INVALID_HOBJ;
    return m_nLastHandle;
}

int CUlogSvcIteratorAdapter::AddElement(IUlogSvcIteratorAdapterItem<CUlog>* pAdapterItem)
{
    if (pAdapterItem == nullptr)
    {
        Require("pAdapterItem != NULL", LINE_ADD_ELEMENT_ITEM);
        return INVALID_HOBJ;
    }
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    ++m_nLastHandle;
    m_map[m_nLastHandle] = pAdapterItem;
    return 1;
}

IUlogSvcIteratorAdapterItem<CUlog>* CUlogSvcIteratorAdapter::__GetElement(int hIterator)
{
    auto it = m_map.find(hIterator);
    if (it == m_map.end())
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "GetElement: m_map doesn't have an element (%d)\n", hIterator);
        return nullptr;
    }
    return it->second;
}

IUlogSvcIteratorAdapterItem<CUlog>* CUlogSvcIteratorAdapter::GetElement(int hIterator)
{
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return __GetElement(hIterator);
}

BOOL CUlogSvcIteratorAdapter::DeleteElement(int hIterator)
{
    IUlogSvcIteratorAdapterItem<CUlog>* pItem = nullptr;
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        auto it = m_map.find(hIterator);
        if (it == m_map.end())
        {
            SysDebugPrintf(ULOG_DBG_FAIL, "DeleteElement: m_map doesn't have an element (%d)\n", hIterator);
            return FALSE;
        }
        pItem = it->second;
        m_map.erase(it);
        /* The pair is freed under the lock: a walk of the same handle on another thread holds it. */
        delete pItem;
    }
    return TRUE;
}

IUlogIterator<CUlog>* CUlogSvcIteratorAdapter::__GetIterator(int hIterator, int nItemLine, int nIterLine)
{
    IUlogSvcIteratorAdapterItem<CUlog>* pAdapterItem = __GetElement(hIterator);
    if (pAdapterItem == nullptr)
    {
        Require("pAdapterItem != NULL", nItemLine);
        return nullptr;
    }
    IUlogIterator<CUlog>* pIter = pAdapterItem->GetIterator();
    if (pIter == nullptr)
    {
        Require("pIter != NULL", nIterLine);
        return nullptr;
    }
    return pIter;
}

void CUlogSvcIteratorAdapter::First(int hIterator)
{
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (IUlogIterator<CUlog>* pIter = __GetIterator(hIterator, LINE_FIRST_ITEM, LINE_FIRST_ITER))
        pIter->First();
}

BOOL CUlogSvcIteratorAdapter::Move(int hIterator, int nIndex)
{
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    IUlogIterator<CUlog>* pIter = __GetIterator(hIterator, LINE_MOVE_ITEM, LINE_MOVE_ITER);
    return (pIter != nullptr) ? pIter->Move(nIndex) : 0;
}

void CUlogSvcIteratorAdapter::Prev(int hIterator)
{
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (IUlogIterator<CUlog>* pIter = __GetIterator(hIterator, LINE_PREV_ITEM, LINE_PREV_ITER))
        pIter->Prev();
}

void CUlogSvcIteratorAdapter::Next(int hIterator)
{
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (IUlogIterator<CUlog>* pIter = __GetIterator(hIterator, LINE_NEXT_ITEM, LINE_NEXT_ITER))
        pIter->Next();
}

BOOL CUlogSvcIteratorAdapter::IsDone(int hIterator)
{
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    IUlogIterator<CUlog>* pIter = __GetIterator(hIterator, LINE_ISDONE_ITEM, LINE_ISDONE_ITER);
    return (pIter != nullptr) ? pIter->IsDone() : 0;
}

BOOL CUlogSvcIteratorAdapter::GetCurItem(int hIterator, UlogInfo* pUlogInfo)
{
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    IUlogIterator<CUlog>* pIter = __GetIterator(hIterator, LINE_GETCUR_ITEM, LINE_GETCUR_ITER);
    if (pIter == nullptr)
        return 0;
    CUlog* pUlog = pIter->GetCurItem();
    if (pUlog == nullptr)
    {
        Require("pUlog != NULL", LINE_GETCUR_LOG);
        return 0;
    }
    if (pUlogInfo == nullptr)
        return 0;
    pUlog->Convert2UlogInfo(*pUlogInfo);
    return TRUE;
}

void CUlogSvcIteratorAdapter::Release(int hIterator)
{
    DeleteElement(hIterator);
}

int CUlogSvcIteratorAdapter::GetCount()
{
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return static_cast<int>(m_map.size());
}
