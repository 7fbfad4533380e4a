// The engine's cache of compiled statements, keyed by their final text, most recently used first.
#include "KivCore/Db2EngineInternal.h"
#include "KivCore/KivCore.h"

#include <functional>
#include <list>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

namespace kiv::core::db2
{
// A prepared statement for the text: from the cache, or compiled now. Null on failure.
sqlite3_stmt* Engine::Acquire(const std::string& sql, const char* what, bool quiet)
{
    auto it = cached.find(sql);
    if (it != cached.end())
    {
        sqlite3_stmt* st = it->second->second;
        lru.erase(it->second);
        cached.erase(it);
        return st;
    }
    sqlite3_stmt* st = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &st,
                           &tail) != SQLITE_OK)
    {
        if (!quiet)
            Fail(what, sqlite3_errmsg(db), sql);
        return nullptr;
    }
    if (st == nullptr)
    {
        Fail(what, "empty statement", sql, true);
        return nullptr;
    }
    // One statement per call: text after it is refused rather than silently dropped.
    for (const char* p = tail; p != nullptr && *p != '\0'; ++p)
    {
        if (*p != ';' && *p != ' ' && *p != '\t' && *p != '\n' && *p != '\r')
        {
            sqlite3_finalize(st);
            Fail(what, "more than one statement", sql, true);
            return nullptr;
        }
    }
    return st;
}

// Compiles t (its values lifted out when it could be); when the lifted form does not compile, the
// statement is translated again with its literals in place. Binds the lifted values.
sqlite3_stmt* Engine::Prepare(TranslationRef& t, const std::string& text, const char* what, bool copyLiterals)
{
    sqlite3_stmt* st = Acquire(t->sql, what, t->parameterised);
    if (st == nullptr && t->parameterised)
    {
        t = std::make_shared<const Translation>(Translate(text, false));
        st = Acquire(t->sql, what);
    }
    if (st == nullptr || !t->parameterised)
        return st;
    BindLiterals(st, t->literals, static_cast<int>(t->params.size()), copyLiterals);
    return st;
}

void Engine::Release(std::string sql, sqlite3_stmt* st)
{
    if (st == nullptr)
        return;
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    if (cached.count(sql) != 0)
    {
        sqlite3_finalize(st);
        return;
    }
    lru.emplace_front(std::move(sql), st);
    cached.emplace(std::string_view(lru.front().first), lru.begin());
    while (lru.size() > kStatementCacheSize)
    {
        cached.erase(std::string_view(lru.back().first));
        sqlite3_finalize(lru.back().second);
        lru.pop_back();
    }
}
} // namespace kiv::core::db2

namespace kiv::core::db2
{
namespace
{
// The translations of statement texts run more than once, most recently used first. A text is kept from
// its second use on, so that the texts that carry their values (most inserts and updates, run once
// each) do not push out the ones that come back (lookups, counts, deletes by a key).
class TranslationCache
{
public:
    TranslationRef Get(const std::string& text)
    {
        const size_t nHash = std::hash<std::string>{}(text);
        bool bFirst;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (auto it = m_map.find(text); it != m_map.end())
            {
                m_lru.splice(m_lru.begin(), m_lru, it->second);
                return it->second->second;
            }
            if (m_seenOnce.size() >= kTranslationsSeenMax)
                m_seenOnce.clear();
            bFirst = m_seenOnce.insert(nHash).second;
        }
        Translation translation;
        if (!TranslateByShape(text, translation))
            translation = Translate(text, true);
        TranslationRef t = std::make_shared<const Translation>(std::move(translation));
        std::lock_guard<std::mutex> lock(m_mutex);
        if (bFirst || m_map.count(text) != 0)
            return t;
        m_lru.emplace_front(text, t);
        m_map.emplace(std::string_view(m_lru.front().first), m_lru.begin());
        m_nBytes += Size(m_lru.front());
        while (m_nBytes > kTranslationCacheBytes && m_lru.size() > 1)
        {
            m_nBytes -= Size(m_lru.back());
            m_map.erase(std::string_view(m_lru.back().first));
            m_lru.pop_back();
        }
        return t;
    }

private:
    using Entry = std::pair<std::string, TranslationRef>;
    static size_t Size(const Entry& e) { return 2 * e.first.size() + e.second->sql.size() + 256; }

    std::mutex m_mutex;
    std::list<Entry> m_lru;
    std::unordered_map<std::string_view, std::list<Entry>::iterator> m_map;
    std::unordered_set<size_t> m_seenOnce; // hashes of texts translated once
    size_t m_nBytes = 0;
};
} // namespace

TranslationRef CachedTranslate(const std::string& text)
{
    static TranslationCache* s_cache = new TranslationCache; // used by tasks until the process ends
    return s_cache->Get(text);
}
} // namespace kiv::core::db2
