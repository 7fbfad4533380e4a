/*
 * The content manager: routes a content URI to the handler factory registered
 * for the longest root URI it lies under, and serves lists, reads, counts and
 * deletes through the handler the factory makes for each request.
 *
 * A content list (IContentList) keeps its handler for its whole life and
 * reads rows from it in blocks of the handler's block size. It reads the
 * first block before it counts: a list shorter than a block costs one read
 * for its count and all its rows; a longer one one count and one read per
 * block.
 */
#ifndef KIV_CONTENT_MGR_H
#define KIV_CONTENT_MGR_H

#include "KivAppSvcFramework/ContentHandler.h"
#include "KivAppSvcFramework/ContentTypes.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

/* The rows of one query. */
class IContentList
{
public:
    virtual int GetCount() = 0; /* rows of the list; negative when the handler failed */
    /* Fills row with the row at index (from 0). FALSE for an index outside the list or a failed read. */
    virtual BOOL GetContent(int index, CContent& row) = 0;
    /* The row at index without a copy; valid until the next row access on the list or its release.
     * NULL where GetContent gives FALSE. */
    virtual const CContent* GetContentAt(int index) = 0;
    /* Ends the list's life (the list deletes itself). */
    virtual void Release() = 0;

protected:
    virtual ~IContentList() {}
};

class CContentMgr
{
public:
    /* The manager; NULL while the framework is down. */
    static CContentMgr* Instance();

    /* A list of the rows of uri matching filter; NULL when no factory serves the URI or the factory
     * gives no handler. The caller releases the list. */
    virtual IContentList* Query(const std::string& uri, const CContentFilter& filter);
    /* Appends the rows from start (at most count; -1 for all) to rows. TRUE when at least one row was
     * appended. */
    virtual BOOL GetContents(const std::string& uri, const CContentFilter& filter,
                             std::vector<CContent>& rows, int start = 0, int count = -1);
    /* Number of rows matching filter; -1 when no handler serves the URI or the count failed. */
    virtual int GetCount(const std::string& uri, const CContentFilter& filter);
    /* Deletes the rows matching filter. 1 when the delete ran (also when nothing matched), 0 otherwise. */
    virtual int Delete(const std::string& uri, const CContentFilter& filter);

    /* Registers factory (not owned) for rootUri and every URI below it; a second registration of the
     * same root replaces the first. FALSE for a null factory or an empty root. */
    virtual BOOL RegisterHandlerFactory(const std::string& rootUri, IContentHandlerFactory* factory);
    /* FALSE when nothing was registered for rootUri. */
    virtual BOOL UnregisterHandlerFactory(const std::string& rootUri);

    /* The factory that serves uri (the one of the longest registered root containing it), or NULL. */
    IContentHandlerFactory* FindFactory(const std::string& uri);

    /* Drops every registration (platform reset). */
    void Reset();

    virtual ~CContentMgr() {}

private:
    IContentHandler* CreateHandler(const std::string& uri, const CContentFilter& filter);

    std::mutex m_mutex;
    std::map<std::string, IContentHandlerFactory*> m_factories; /* by root, without trailing '/' */
};

#endif
