// The engine's cache of compiled statements, keyed by their final text, most recently used first.
#include "KivCore/Db2EngineInternal.h"
#include "KivCore/KivCore.h"

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
sqlite3_stmt* Engine::Prepare(Translation& t, const std::string& text, const char* what, bool copyLiterals)
{
    sqlite3_stmt* st = Acquire(t.sql, what, t.parameterised);
    if (st == nullptr && t.parameterised)
    {
        t = Translate(text, false);
        st = Acquire(t.sql, what);
    }
    if (st == nullptr || !t.parameterised)
        return st;
    BindLiterals(st, t.literals, static_cast<int>(t.params.size()), copyLiterals);
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
