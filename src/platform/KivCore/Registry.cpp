// Registry files: INI text under the data root, read whole on load and replaced durably on flush.
//
// Format: "[Section]" lines and "key=value" lines; blank lines and lines starting with ';' are skipped.
// Names are kept exactly as given. A value's backslash, line feed and carriage return are escaped
// as "\\", "\n" and "\r" so any text survives a flush. Handles of the same file share one loaded copy.
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace
{
struct Section
{
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;
};

struct RegDoc
{
    std::mutex mutex;
    std::string hostPath;
    std::vector<Section> sections;

    Section* FindSection(const std::string& name)
    {
        for (auto& s : sections)
            if (s.name == name)
                return &s;
        return nullptr;
    }
    const std::string* Find(const std::string& section, const std::string& key)
    {
        Section* s = FindSection(section);
        if (s == nullptr)
            return nullptr;
        for (auto& kv : s->values)
            if (kv.first == key)
                return &kv.second;
        return nullptr;
    }
    void Set(const std::string& section, const std::string& key, const std::string& value)
    {
        Section* s = FindSection(section);
        if (s == nullptr)
        {
            sections.push_back(Section{section, {}});
            s = &sections.back();
        }
        for (auto& kv : s->values)
            if (kv.first == key)
            {
                kv.second = value;
                return;
            }
        s->values.emplace_back(key, value);
    }
};

std::mutex g_regMutex;
std::map<HOBJ, std::shared_ptr<RegDoc>> g_handles;
std::map<std::string, std::weak_ptr<RegDoc>> g_docs; // by host path
HOBJ g_nextReg = 1;

std::string Escape(const std::string& v)
{
    std::string out;
    for (char c : v)
    {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string Unescape(const std::string& v)
{
    std::string out;
    for (size_t i = 0; i < v.size(); ++i)
    {
        if (v[i] == '\\' && i + 1 < v.size())
        {
            char n = v[++i];
            out += (n == 'n') ? '\n' : (n == 'r') ? '\r' : n;
        }
        else
            out += v[i];
    }
    return out;
}

// A section name must fit on its "[...]" line; a key must fit before the first '='.
bool ValidSection(const char* s)
{
    return s != nullptr && std::strpbrk(s, "]\r\n") == nullptr;
}
bool ValidKey(const char* k)
{
    return k != nullptr && k[0] != '\0' && k[0] != '[' && k[0] != ';' && std::strpbrk(k, "=\r\n") == nullptr;
}

bool Parse(const std::string& text, std::vector<Section>& out)
{
    std::istringstream in(text);
    std::string line;
    Section* current = nullptr;
    out.clear();
    while (std::getline(in, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[' && line.back() == ']')
        {
            std::string name = line.substr(1, line.size() - 2);
            current = nullptr;
            for (auto& s : out)
                if (s.name == name)
                    current = &s;
            if (current == nullptr)
            {
                out.push_back(Section{name, {}});
                current = &out.back();
            }
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0)
            continue; // not a value line: skipped
        if (current == nullptr)
        {
            out.push_back(Section{"", {}});
            current = &out.back();
        }
        std::string key = line.substr(0, eq);
        std::string value = Unescape(line.substr(eq + 1));
        bool replaced = false;
        for (auto& kv : current->values)
            if (kv.first == key)
            {
                kv.second = value;
                replaced = true;
            }
        if (!replaced)
            current->values.emplace_back(key, value);
    }
    return true;
}

std::string Serialise(const std::vector<Section>& sections)
{
    std::string out;
    for (const auto& s : sections)
    {
        out += "[" + s.name + "]\n";
        for (const auto& kv : s.values)
            out += kv.first + "=" + Escape(kv.second) + "\n";
        out += "\n";
    }
    return out;
}

std::shared_ptr<RegDoc> Doc(HOBJ h)
{
    std::lock_guard<std::mutex> lock(g_regMutex);
    auto it = g_handles.find(h);
    return it == g_handles.end() ? nullptr : it->second;
}
} // namespace

namespace kiv::core
{
void ResetRegistry()
{
    std::lock_guard<std::mutex> lock(g_regMutex);
    g_handles.clear();
    g_docs.clear(); // handle numbers go on, so a stale handle never names a new file
}
} // namespace kiv::core

extern "C"
{

    /* mode is accepted as given; every mode opens the file for reading and writing, a missing file reads
     * empty. */
    HOBJ RegLoad(const char* fileName, int mode)
    {
        (void)mode;
        std::string host;
        if (fileName == nullptr || fileName[0] == '\0' || !kiv::core::ResolvePath(fileName, host))
            return INVALID_HOBJ;
        std::lock_guard<std::mutex> lock(g_regMutex);
        std::shared_ptr<RegDoc> doc;
        if (auto it = g_docs.find(host); it != g_docs.end())
            doc = it->second.lock();
        if (!doc)
        {
            doc = std::make_shared<RegDoc>();
            doc->hostPath = host;
            kiv::core::WaitForStores(); // the newest content of a file unloaded a moment ago
            struct stat st
            {
            };
            if (::lstat(host.c_str(), &st) == 0)
            {
                if (!S_ISREG(st.st_mode))
                    return INVALID_HOBJ;
                std::ifstream in(host, std::ios::binary);
                if (!in)
                    return INVALID_HOBJ;
                std::ostringstream text;
                text << in.rdbuf();
                Parse(text.str(), doc->sections);
            }
            else if (errno != ENOENT)
                return INVALID_HOBJ;
            g_docs[host] = doc;
        }
        HOBJ h = g_nextReg++;
        if (g_nextReg <= 0)
            g_nextReg = 1;
        g_handles[h] = doc;
        return h;
    }

    int RegGetInt(HOBJ hReg, const char* section, const char* key, int defaultValue)
    {
        auto doc = Doc(hReg);
        if (!doc || section == nullptr || key == nullptr)
            return defaultValue;
        std::lock_guard<std::mutex> lock(doc->mutex);
        const std::string* v = doc->Find(section, key);
        if (v == nullptr || v->empty())
            return defaultValue;
        errno = 0;
        char* end = nullptr;
        long long n = std::strtoll(v->c_str(), &end, 10);
        if (errno != 0 || end == v->c_str() || *end != '\0' || n < INT_MIN ||
            n > static_cast<long long>(UINT_MAX))
            return defaultValue;
        return static_cast<int>(static_cast<unsigned int>(n)); // values stored unsigned read back bit-exact
    }

    /* Copies the value (bounded, terminated) and returns its length, or -1 when missing (buffer emptied). */
    int RegGetString(HOBJ hReg, const char* section, const char* key, char* buffer, int bufferSize)
    {
        if (buffer != nullptr && bufferSize > 0)
            buffer[0] = '\0';
        auto doc = Doc(hReg);
        if (!doc || section == nullptr || key == nullptr)
            return -1;
        std::lock_guard<std::mutex> lock(doc->mutex);
        const std::string* v = doc->Find(section, key);
        if (v == nullptr)
            return -1;
        if (buffer == nullptr || bufferSize <= 0)
            return static_cast<int>(v->size());
        size_t n = std::min(v->size(), static_cast<size_t>(bufferSize - 1));
        std::memcpy(buffer, v->data(), n);
        buffer[n] = '\0';
        return static_cast<int>(n);
    }

    BOOL RegSetInt(HOBJ hReg, const char* section, const char* key, int value)
    {
        auto doc = Doc(hReg);
        if (!doc || !ValidSection(section) || !ValidKey(key))
            return FALSE;
        std::lock_guard<std::mutex> lock(doc->mutex);
        doc->Set(section, key, std::to_string(value));
        return TRUE;
    }

    BOOL RegSetString(HOBJ hReg, const char* section, const char* key, const char* text)
    {
        auto doc = Doc(hReg);
        if (!doc || !ValidSection(section) || !ValidKey(key) || text == nullptr)
            return FALSE;
        std::lock_guard<std::mutex> lock(doc->mutex);
        doc->Set(section, key, text);
        return TRUE;
    }

    BOOL RegFlush(HOBJ hReg)
    {
        auto doc = Doc(hReg);
        if (!doc)
            return FALSE;
        std::lock_guard<std::mutex> lock(doc->mutex);
        if (kiv::core::ConsumeFileWriteFault())
            return FALSE;
        return kiv::core::StoreFile(doc->hostPath, Serialise(doc->sections)) ? TRUE : FALSE;
    }

    BOOL RegUnload(HOBJ hReg)
    {
        std::shared_ptr<RegDoc> doc;
        {
            std::lock_guard<std::mutex> lock(g_regMutex);
            auto it = g_handles.find(hReg);
            if (it == g_handles.end())
                return FALSE;
            doc = std::move(it->second);
            g_handles.erase(it);
        }
        // The last handle of a file goes: what was flushed through it is on disk when this returns
        // (the service's statistics at its stop, for one).
        if (doc.use_count() == 1)
            kiv::core::WaitForStores();
        return TRUE;
    }

    /* Empties the file (creating it when missing) and every loaded copy of it. */
    BOOL RegClean(const char* fileName)
    {
        std::string host;
        if (fileName == nullptr || fileName[0] == '\0' || !kiv::core::ResolvePath(fileName, host))
            return FALSE;
        std::shared_ptr<RegDoc> doc;
        {
            std::lock_guard<std::mutex> lock(g_regMutex);
            if (auto it = g_docs.find(host); it != g_docs.end())
                doc = it->second.lock();
        }
        std::unique_lock<std::mutex> docLock;
        if (doc)
            docLock = std::unique_lock<std::mutex>(doc->mutex);
        if (kiv::core::ConsumeFileWriteFault())
            return FALSE;
        if (!kiv::core::StoreFile(host, std::string()))
            return FALSE;
        if (doc)
            doc->sections.clear();
        return TRUE;
    }
}
