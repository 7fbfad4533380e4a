#define ULOG_SRC_MODULE "UlogSvcCollection/UlogSvcList"
#include "H/UlogSvcDef.h"

#include "UlogSvcCollection/CUlogContentList.h"
#include "UlogSvcLogMgr/CUlogSvcGenerator.h"

#include <new>

CUlogContentList<CUlog>::CUlogContentList(const std::string& uri, const CContentFilter* pFilter)
    : m_pContentList(NULL), m_strUri(uri), m_filter(pFilter != NULL ? *pFilter : CContentFilter())
{
    if (!ULOG_REQUIRE(pFilter != NULL))
    {
        return;
    }
    CContentMgr* pCotentMgr = CContentMgr::Instance();
    if (!ULOG_REQUIRE(pCotentMgr != NULL))
    {
        return;
    }
    m_pContentList = pCotentMgr->Query(m_strUri, m_filter);
    ULOG_REQUIRE(m_pContentList != NULL);
}

CUlogContentList<CUlog>::~CUlogContentList()
{
    if (m_pContentList != NULL)
    {
        m_pContentList->Release();
        m_pContentList = NULL;
    }
}

BOOL CUlogContentList<CUlog>::Add(const CUlog& /*item*/)
{
    return TRUE;
}

BOOL CUlogContentList<CUlog>::Delete(int /*nIndex*/)
{
    return TRUE;
}

int CUlogContentList<CUlog>::GetCount() const
{
    if (m_pContentList == NULL)
    {
        return 0;
    }
    // A failed count stays negative: the caller must be able to tell it from an empty list.
    return m_pContentList->GetCount();
}

BOOL CUlogContentList<CUlog>::IsReadable() const
{
    return (m_pContentList != NULL && m_pContentList->GetCount() >= 0) ? TRUE : FALSE;
}

IUlogIterator<CUlog>* CUlogContentList<CUlog>::GetIterator() const
{
    IUlogIterator<CUlog>* pIter = new (std::nothrow) CUlogContentIterator<CUlog>(m_pContentList);
    ULOG_REQUIRE(pIter != NULL);
    return pIter;
}

CUlogContentIterator<CUlog>::CUlogContentIterator(IContentList* pContentList)
    : m_pContentList(pContentList), m_nIndex(0), m_pUlog(NULL)
{
}

CUlogContentIterator<CUlog>::~CUlogContentIterator()
{
    delete m_pUlog;
    m_pUlog = NULL;
}

BOOL CUlogContentIterator<CUlog>::Move(int nIndex)
{
    const int nCount = m_pContentList != NULL ? m_pContentList->GetCount() : 0;
    if (!ULOG_REQUIRE_T(nIndex < nCount, "nIndex < m_contentList.GetCount()"))
    {
        return FALSE;
    }
    m_nIndex = nIndex;
    return TRUE;
}

BOOL CUlogContentIterator<CUlog>::IsDone() const
{
    if (m_pContentList == NULL || m_nIndex < 0)
    {
        return TRUE;
    }
    return m_nIndex >= m_pContentList->GetCount() ? TRUE : FALSE;
}

CUlog* CUlogContentIterator<CUlog>::GetCurItem() const
{
    if (IsDone())
    {
        return NULL;
    }
    /* The row is read in place from the content list's block. */
    const CContent* pRow = m_pContentList->GetContentAt(m_nIndex);
    delete m_pUlog;
    m_pUlog = NULL;
    if (pRow != NULL)
    {
        CUlogSvcGenerator generator;
        m_pUlog = generator.Generate(*pRow);
    }
    if (!ULOG_REQUIRE(m_pUlog != NULL))
    {
        return NULL;
    }
    return m_pUlog;
}
