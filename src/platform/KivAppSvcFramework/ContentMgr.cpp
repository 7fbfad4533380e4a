#include "KivAppSvcFramework/ContentMgr.h"

#include "KivAppSvcFramework/KivAppSvcFrameworkInternal.h"
#include "KivCore/KivCoreInternal.h"

#include <atomic>
#include <memory>

namespace
{
std::atomic<bool> g_available{true};

std::string Canonical(const std::string& uri)
{
    std::string s = uri;
    while (!s.empty() && s.back() == '/')
        s.pop_back();
    return s;
}

/* A list over one handler, read one block at a time. The first block is read before the count: a
 * list shorter than a block is then read whole by one statement, its count being the rows that came
 * back; only a full first block, or an empty one, asks the handler for the count. An empty first block
 * beside a count of some rows is a failed read: the list counts -1, as when the count fails. */
class CContentList final : public IContentList
{
public:
    explicit CContentList(IContentHandler* handler) : m_handler(handler)
    {
        m_blockSize = m_handler->GetBlockSize();
        if (m_blockSize <= 0)
            m_blockSize = CContentDb2MgrBaseHandler::DEFAULT_BLOCK_SIZE;
    }

    int GetCount() override
    {
        if (!m_bCount)
        {
            ReadBlock(0);
            const int rows = static_cast<int>(m_block.size());
            if (rows > 0 && rows < m_blockSize)
                m_count = rows;
            else
            {
                m_count = m_handler->GetCount();
                // No first rows but a count of some: the read failed (a read of none tells nothing).
                if (rows == 0 && m_count > 0)
                    m_count = -1;
            }
            m_bCount = true;
        }
        return m_count;
    }

    BOOL GetContent(int index, CContent& row) override
    {
        const CContent* found = GetContentAt(index);
        if (found == nullptr)
            return FALSE;
        row = *found;
        return TRUE;
    }

    const CContent* GetContentAt(int index) override
    {
        if (index < 0 || index >= GetCount())
            return nullptr;
        if (!m_bBlock || index < m_blockStart || index >= m_blockStart + static_cast<int>(m_block.size()))
        {
            ReadBlock((index / m_blockSize) * m_blockSize);
            if (index >= m_blockStart + static_cast<int>(m_block.size()))
                return nullptr;
        }
        return &m_block[static_cast<size_t>(index - m_blockStart)];
    }

    void Release() override { delete this; }

private:
    ~CContentList() override
    {
        // A list read past its first block (the whole history of events, say) has moved megabytes
        // through the heap: they go back to the system with the list.
        const bool bLong = m_bBlock && m_blockStart > 0;
        m_block = std::vector<CContent>();
        if (bLong)
            kiv::core::ReturnFreeMemory();
    }

    void ReadBlock(int start)
    {
        m_block.clear();
        m_blockStart = start;
        m_handler->GetContents(start, m_blockSize, m_block);
        m_bBlock = true;
    }

    std::unique_ptr<IContentHandler> m_handler;
    int m_blockSize = CContentDb2MgrBaseHandler::DEFAULT_BLOCK_SIZE;
    bool m_bCount = false;
    int m_count = -1;
    bool m_bBlock = false; /* m_block holds the rows read from m_blockStart */
    int m_blockStart = 0;
    std::vector<CContent> m_block;
};
} // namespace

namespace kiv::appsvc
{
void SetContentMgrAvailable(bool available)
{
    g_available = available;
}
} // namespace kiv::appsvc

CContentMgr* CContentMgr::Instance()
{
    static CContentMgr s_mgr;
    return g_available ? &s_mgr : nullptr;
}

IContentHandlerFactory* CContentMgr::FindFactory(const std::string& uri)
{
    const CContentURI target(uri);
    std::lock_guard<std::mutex> lock(m_mutex);
    IContentHandlerFactory* best = nullptr;
    size_t bestLength = 0;
    for (const auto& [root, factory] : m_factories)
    {
        if ((best == nullptr || root.size() > bestLength) && target.IsSubsetOf(root))
        {
            best = factory;
            bestLength = root.size();
        }
    }
    return best;
}

IContentHandler* CContentMgr::CreateHandler(const std::string& uri, const CContentFilter& filter)
{
    IContentHandlerFactory* factory = FindFactory(uri);
    if (factory == nullptr)
        return nullptr;
    return factory->CreateHandler(uri, &filter);
}

IContentList* CContentMgr::Query(const std::string& uri, const CContentFilter& filter)
{
    IContentHandler* handler = CreateHandler(uri, filter);
    if (handler == nullptr)
        return nullptr;
    return new CContentList(handler);
}

BOOL CContentMgr::GetContents(const std::string& uri, const CContentFilter& filter,
                              std::vector<CContent>& rows, int start, int count)
{
    std::unique_ptr<IContentHandler> handler(CreateHandler(uri, filter));
    if (!handler || start < 0)
        return FALSE;
    const size_t before = rows.size();
    if (count >= 0)
    {
        if (count > 0)
            handler->GetContents(start, count, rows);
        return rows.size() > before ? TRUE : FALSE;
    }
    int blockSize = handler->GetBlockSize();
    if (blockSize <= 0)
        blockSize = CContentDb2MgrBaseHandler::DEFAULT_BLOCK_SIZE;
    for (int at = start;; at += blockSize)
    {
        const size_t had = rows.size();
        handler->GetContents(at, blockSize, rows);
        if (rows.size() - had < static_cast<size_t>(blockSize))
            break;
    }
    return rows.size() > before ? TRUE : FALSE;
}

int CContentMgr::GetCount(const std::string& uri, const CContentFilter& filter)
{
    std::unique_ptr<IContentHandler> handler(CreateHandler(uri, filter));
    if (!handler)
        return -1;
    const int count = handler->GetCount();
    return count < 0 ? -1 : count;
}

int CContentMgr::Delete(const std::string& uri, const CContentFilter& filter)
{
    std::unique_ptr<IContentHandler> handler(CreateHandler(uri, filter));
    if (!handler)
        return 0;
    return handler->DeleteMatching() >= 0 ? 1 : 0;
}

BOOL CContentMgr::RegisterHandlerFactory(const std::string& rootUri, IContentHandlerFactory* factory)
{
    const std::string root = Canonical(rootUri);
    if (factory == nullptr || root.empty())
        return FALSE;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_factories[root] = factory;
    return TRUE;
}

BOOL CContentMgr::UnregisterHandlerFactory(const std::string& rootUri)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_factories.erase(Canonical(rootUri)) > 0 ? TRUE : FALSE;
}

void CContentMgr::Reset()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_factories.clear();
}
