// The files of a data root read behind the platform's back: the database with SQLite itself (as another
// process sees it), registry files as text, and the invariants of the two log tables.
#ifndef ULOG_TEST_DATA_FILES_H
#define ULOG_TEST_DATA_FILES_H

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace ulogtest
{
inline std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Replaces a file whole, as another process's store does: written beside it, then renamed over it.
inline void ReplaceFile(const std::string& path, const std::string& text)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path + ".other", std::ios::binary) << text;
    std::filesystem::rename(path + ".other", path);
}

// Passes when the text holds every part; a failure names the parts missing and shows the text.
inline ::testing::AssertionResult Holds(const std::string& text, std::initializer_list<std::string> parts)
{
    std::string missing;
    for (const std::string& part : parts)
        missing += text.find(part) == std::string::npos ? " \"" + part + "\"" : "";
    if (missing.empty())
        return ::testing::AssertionSuccess() << "holds every part:\n" << text;
    return ::testing::AssertionFailure() << "missing" << missing << " in:\n" << text;
}

// The rows of a statement on <root>/System/ulog.db, each row's columns joined by '|' (NULL as "<null>",
// texts byte for byte); one "<error: ...>" row when it cannot be run.
inline std::vector<std::string> QueryDbFile(const std::string& root, const std::string& sql,
                                            bool bReadOnly = true)
{
    std::vector<std::string> rows;
    sqlite3* db = nullptr;
    const int flags = bReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_open_v2((root + "/System/ulog.db").c_str(), &db, flags, nullptr) != SQLITE_OK ||
        sqlite3_busy_timeout(db, 5000) != SQLITE_OK ||
        sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
        rows.push_back("<error: " + std::string(sqlite3_errmsg(db)) + ">");
    int rc = SQLITE_DONE;
    while (st != nullptr && (rc = sqlite3_step(st)) == SQLITE_ROW)
    {
        std::string row;
        for (int c = 0; c < sqlite3_column_count(st); ++c)
        {
            const void* p = sqlite3_column_blob(st, c);
            row += c > 0 ? "|" : "";
            row += p != nullptr ? std::string(static_cast<const char*>(p), sqlite3_column_bytes(st, c))
                                : std::string(sqlite3_column_type(st, c) == SQLITE_NULL ? "<null>" : "");
        }
        rows.push_back(row);
    }
    if (rc != SQLITE_DONE)
        rows.push_back("<error: " + std::string(sqlite3_errmsg(db)) + ">");
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

// The one number a statement gives; -1 when it gives anything else.
inline long long ScalarDbFile(const std::string& root, const std::string& sql)
{
    const std::vector<std::string> rows = QueryDbFile(root, sql);
    return rows.size() == 1 && !rows[0].empty() && rows[0][0] != '<' ? std::atoll(rows[0].c_str()) : -1;
}

// The invariants of the two tables, each as a query that counts what breaks it.
inline void ExpectTablesConsistent(const std::string& root, const std::string& where)
{
    EXPECT_EQ(0, ScalarDbFile(root, "select count(*) from UlogDuplDbTable d where not exists (select 1 from "
                                    "UlogDistinctDbTable t where t.clogdbindex = d.parentid)"))
        << where << ": an event without its row";
    EXPECT_EQ(0, ScalarDbFile(root, "select count(*) from UlogDistinctDbTable t where t.sncount != (select "
                                    "count(*) from UlogDuplDbTable d where d.parentid = t.clogdbindex)"))
        << where << ": a row whose count is not its number of events";
    EXPECT_EQ(0, ScalarDbFile(root, "select count(*) from (select basicnumber, logtype from "
                                    "UlogDistinctDbTable group by basicnumber, logtype having count(*) > 1)"))
        << where << ": two rows for one correspondent and type";
    EXPECT_GE(30, ScalarDbFile(root, "select coalesce(max(n), 0) from (select count(*) as n from "
                                     "UlogDistinctDbTable group by logtype)"))
        << where << ": more than 30 rows of a type";
    EXPECT_GE(30, ScalarDbFile(root, "select coalesce(max(n), 0) from (select count(*) as n from "
                                     "UlogDuplDbTable group by parentid)"))
        << where << ": more than 30 events of a row";
}

using IniFile = std::map<std::string, std::map<std::string, std::string>>;

// A registry file as the platform writes it; nullopt when a line is neither a section nor a value.
inline std::optional<IniFile> ParseIni(const std::string& text)
{
    IniFile ini;
    std::istringstream in(text);
    std::string line;
    std::string section;
    while (std::getline(in, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (line.front() == '[' && line.back() == ']')
        {
            section = line.substr(1, line.size() - 2);
            ini[section];
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0)
            return std::nullopt;
        ini[section][line.substr(0, eq)] = line.substr(eq + 1);
    }
    return ini;
}

// A value that must be a whole unsigned number; -1 when it is missing or is not one.
inline long long IniUnsigned(const IniFile& ini, const std::string& section, const std::string& key)
{
    auto s = ini.find(section);
    if (s == ini.end())
        return -1;
    auto k = s->second.find(key);
    if (k == s->second.end() || k->second.empty() ||
        k->second.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stoll(k->second);
}
} // namespace ulogtest

#endif
