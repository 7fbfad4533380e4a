/*
 * A list of logs backed by a content-framework query: CUlogContentList<CUlog>
 * with its iterator CUlogContentIterator<CUlog>. The rows are read through the
 * platform content list (which reads them in blocks) as the iterator moves;
 * the list itself is read-only.
 */
#ifndef CULOG_CONTENT_LIST_H
#define CULOG_CONTENT_LIST_H

#include "H/UlogSvcList.h"
#include "KivAppSvcFramework/ContentMgr.h"

#include <string>

template <class T> class CUlogContentList;
template <class T> class CUlogContentIterator;

template <> class CUlogContentList<CUlog> : public IUlogList<CUlog>, public CUlogObject
{
public:
    /* Queries the content manager for (uri, *pFilter); filter must be given. Without a content manager
     * or a content list the object stays empty. */
    CUlogContentList(const std::string& uri, const CContentFilter* pFilter);
    ~CUlogContentList() override;
    CUlogContentList(const CUlogContentList&) = delete;
    CUlogContentList& operator=(const CUlogContentList&) = delete;

    /* Read-only: both do nothing and return TRUE. */
    BOOL Add(const CUlog& item) override;
    BOOL Delete(int nIndex) override;
    int GetCount() const override;
    void Release() override { delete this; }
    IUlogIterator<CUlog>* GetIterator() const override;
    /* TRUE when the rows can be read: the query was made and its rows could be counted. A list that
     * cannot be read also counts 0 rows; this tells it from an empty one. */
    BOOL IsReadable() const;

    const std::string& GetURI() const { return m_strUri; }
    const CContentFilter& GetContentFilter() const { return m_filter; }

private:
    IContentList* m_pContentList;
    std::string m_strUri;
    CContentFilter m_filter;
};

template <> class CUlogContentIterator<CUlog> : public IUlogIterator<CUlog>, public CUlogObject
{
public:
    /* pContentList (not owned) may be null: the iterator is then over no rows. */
    explicit CUlogContentIterator(IContentList* pContentList);
    ~CUlogContentIterator() override;
    CUlogContentIterator(const CUlogContentIterator&) = delete;
    CUlogContentIterator& operator=(const CUlogContentIterator&) = delete;

    void First() override { m_nIndex = 0; }
    BOOL Move(int nIndex) override;
    void Prev() override { --m_nIndex; }
    void Next() override { ++m_nIndex; }
    BOOL IsDone() const override;
    /* A new log built from the current row, owned by the iterator until the next call or its end. */
    CUlog* GetCurItem() const override;
    void Release() override { delete this; }

private:
    IContentList* m_pContentList;
    int m_nIndex;
    mutable CUlog* m_pUlog;
};

#endif
