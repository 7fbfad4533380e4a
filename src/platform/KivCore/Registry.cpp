// Registry files: INI text under the data root, shared by every process that uses the data root.
//
// Format: "[Section]" lines and "key=value" lines; blank lines and lines starting with ';' are skipped.
// Names are kept exactly as given. A value's backslash, line feed and carriage return are escaped
// as "\\", "\n" and "\r" so any text survives a flush. Handles of the same file share one loaded copy.
//
// A loaded copy is the file as last read from disk (its base) with this process's changes applied in
// order: plain sets, additions, values given only where the file has none, cleanings. A flush hands
// the changes made so far to the store writer, which applies them to whatever the file holds when it
// writes it (under the file's inter-process lock) and makes the result the new base; so changes of
// other processes made in between are kept, and a counter two processes add to counts both. A read
// reloads the base when the file on disk was replaced by another process, and applies the changes
// not yet written again.
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace
{
struct Section
{
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;
};
using Sections = std::vector<Section>;

Section* FindSection(Sections& sections, const std::string& name)
{
    for (auto& s : sections)
        if (s.name == name)
            return &s;
    return nullptr;
}

const std::string* FindValue(Sections& sections, const std::string& section, const std::string& key)
{
    Section* s = FindSection(sections, section);
    if (s == nullptr)
        return nullptr;
    for (auto& kv : s->values)
        if (kv.first == key)
            return &kv.second;
    return nullptr;
}

void SetValue(Sections& sections, const std::string& section, const std::string& key,
              const std::string& value)
{
    Section* s = FindSection(sections, section);
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

// An integer value as stored: signed, or unsigned up to 2^32 - 1, both read back bit-exact.
bool ParseInteger(const std::string& text, unsigned int& value)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const long long n = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0' || n < INT_MIN ||
        n > static_cast<long long>(UINT_MAX))
        return false;
    value = static_cast<unsigned int>(n);
    return true;
}

// One change of a loaded copy, in the order made.
enum OpKind
{
    OP_SET,         // key := value
    OP_ADD,         // key := key + delta (32-bit, wrapping; a missing or non-integer key counts 0)
    OP_INIT,        // key := value where the file has no key
    OP_CLEAN,       // the file emptied
    OP_CLEAN_UNLESS // the file emptied unless key holds value
};

struct Op
{
    OpKind kind;
    std::string section;
    std::string key;
    std::string value;
    unsigned int nDelta = 0;
    bool bUnsigned = false; // how an addition's result is written
};

void Apply(Sections& sections, const Op& op)
{
    switch (op.kind)
    {
    case OP_SET:
        SetValue(sections, op.section, op.key, op.value);
        break;
    case OP_ADD:
    {
        unsigned int n = 0;
        if (const std::string* v = FindValue(sections, op.section, op.key))
            ParseInteger(*v, n);
        n += op.nDelta;
        SetValue(sections, op.section, op.key,
                 op.bUnsigned ? std::to_string(n) : std::to_string(static_cast<int>(n)));
        break;
    }
    case OP_INIT:
        if (FindValue(sections, op.section, op.key) == nullptr)
            SetValue(sections, op.section, op.key, op.value);
        break;
    case OP_CLEAN:
        sections.clear();
        break;
    case OP_CLEAN_UNLESS:
    {
        unsigned int n = 0;
        unsigned int want = 0;
        const std::string* v = FindValue(sections, op.section, op.key);
        if (v == nullptr || !ParseInteger(*v, n) || !ParseInteger(op.value, want) || n != want)
            sections.clear();
        break;
    }
    }
}

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

// Reads what can be read; a line that is no section, value or comment, or a NUL byte, marks the text
// as damaged (its readable lines are still taken).
void Parse(const std::string& text, Sections& out, bool& bDamaged)
{
    std::string line;
    Section* current = nullptr;
    out.clear();
    bDamaged = text.find('\0') != std::string::npos;
    // Line by line, without a stream: a stream's first use sets up the C++ locale, which a short
    // process would pay for this one file.
    for (size_t nStart = 0; nStart < text.size();)
    {
        size_t nEnd = text.find('\n', nStart);
        if (nEnd == std::string::npos)
            nEnd = text.size();
        line.assign(text, nStart, nEnd - nStart);
        nStart = nEnd + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[' && line.back() == ']')
        {
            std::string name = line.substr(1, line.size() - 2);
            current = FindSection(out, name);
            if (current == nullptr)
            {
                out.push_back(Section{name, {}});
                current = &out.back();
            }
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0)
        {
            bDamaged = true; // not a value line: skipped
            continue;
        }
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
}

std::string Serialise(const Sections& sections)
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

// The loaded copy of one file, shared by its handles and, while it has changes queued, by the store
// writer. Lock order: a file's inter-process lock, then g_regMutex, then this mutex.
class RegDoc : public kiv::core::IStoredFile
{
public:
    std::mutex mutex;
    std::string hostPath;
    int nHandles = 0; // under g_regMutex

    // Under mutex from here on.
    Sections base; // the file as last read or written by this process
    kiv::core::FileIdentity identity;
    bool bDamaged = false;
    std::vector<Op> ops; // changes not yet on disk, in order
    size_t nFlushed = 0; // the first nFlushed were handed to the store writer
    size_t nMerging = 0; // the first nMerging are being written now
    bool bMerging = false;
    Sections merged; // the content being written
    Sections view;   // base with every change applied: what the handles read

    void Recompute()
    {
        view = base;
        for (const Op& op : ops)
            Apply(view, op);
    }

    void Change(Op op)
    {
        Apply(view, op);
        ops.push_back(std::move(op));
    }

    // Takes the file as it is on disk when another process replaced it; false when it cannot be read.
    bool Load(unsigned int& error)
    {
        std::string text;
        kiv::core::FileIdentity id;
        if (!kiv::core::ReadStoredFile(hostPath, text, id, error))
            return false;
        Parse(text, base, bDamaged);
        identity = id;
        Recompute();
        return true;
    }

    // Before a read: the changes other processes stored since the file was last read.
    void Refresh()
    {
        if (bMerging)
            return; // the copy is whole as it is; the writer brings the new base in a moment
        kiv::core::FileIdentity now;
        unsigned int error = 0;
        if (!kiv::core::StatStoredFile(hostPath, now, error) || now == identity)
            return;
        Load(error); // a file that cannot be read now keeps the copy as it was
    }

    bool Merge(const std::string& current, std::string& content) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (nFlushed == 0)
            return false;
        bool bIgnored = false;
        Parse(current, merged, bIgnored);
        for (size_t i = 0; i < nFlushed; ++i)
            Apply(merged, ops[i]);
        content = Serialise(merged);
        nMerging = nFlushed;
        bMerging = true;
        return true;
    }

    void Merged(bool bWritten, const kiv::core::FileIdentity& id) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (bWritten)
        {
            base = std::move(merged);
            identity = id;
            bDamaged = false;
            ops.erase(ops.begin(), ops.begin() + static_cast<std::ptrdiff_t>(nMerging));
            nFlushed -= nMerging;
            Recompute();
        }
        merged.clear();
        nMerging = 0;
        bMerging = false;
    }
};

std::mutex g_regMutex;
std::map<HOBJ, std::shared_ptr<RegDoc>> g_handles;
std::map<std::string, std::weak_ptr<RegDoc>> g_docs; // by host path
HOBJ g_nextReg = 1;

std::shared_ptr<RegDoc> Doc(HOBJ h)
{
    std::lock_guard<std::mutex> lock(g_regMutex);
    auto it = g_handles.find(h);
    return it == g_handles.end() ? nullptr : it->second;
}

// The host path of a registry file; false, with the cause in SysGetLastError, when there is none.
bool Resolve(const char* fileName, std::string& host)
{
    if (fileName == nullptr || fileName[0] == '\0')
    {
        SysSetLastError(SYS_ERR_BAD_PATH);
        return false;
    }
    if (kiv::core::ResolvePath(fileName, host))
        return true;
    // A path without ".." that still leaves the root does so through a link.
    const std::string name = std::string("/") + fileName + "/";
    const bool bClimbs = name.find("/../") != std::string::npos;
    SysDebugPrintf(SYS_DBG_FAIL, "Reg: %s leaves the data root; refused\n", fileName);
    SysSetLastError(bClimbs ? SYS_ERR_BAD_PATH : SYS_ERR_OUTSIDE_ROOT);
    if (!bClimbs)
        kiv::core::NoteStoreFailure(SYS_ERR_OUTSIDE_ROOT); // a file of the root that cannot be stored
    return false;
}

// The loaded copy of a file, loaded when no handle holds it. Under g_regMutex.
std::shared_ptr<RegDoc> OpenDocLocked(const char* fileName, const std::string& host)
{
    kiv::core::FileIdentity now;
    unsigned int error = 0;
    if (!kiv::core::StatStoredFile(host, now, error))
    {
        // Never through a link (it could lead anywhere), never a directory.
        SysDebugPrintf(SYS_DBG_FAIL, "RegLoad: %s is not a file; refused\n", fileName);
        SysSetLastError(error);
        kiv::core::NoteStoreFailure(error); // nothing can be stored there either
        return nullptr;
    }
    std::shared_ptr<RegDoc> doc;
    if (auto it = g_docs.find(host); it != g_docs.end())
        doc = it->second.lock();
    if (doc)
    {
        std::lock_guard<std::mutex> lock(doc->mutex);
        doc->Refresh();
        return doc;
    }
    doc = std::make_shared<RegDoc>();
    doc->hostPath = host;
    if (!doc->Load(error))
    {
        SysDebugPrintf(SYS_DBG_FAIL, "RegLoad: %s cannot be read (0x%x)\n", fileName, error);
        SysSetLastError(error);
        kiv::core::NoteStoreFailure(error);
        return nullptr;
    }
    g_docs[host] = doc;
    return doc;
}

// Hands the changes made so far to the store writer. On failure they stay unstored, or, with
// bDropLast, the last change is taken back.
bool StoreDoc(const std::shared_ptr<RegDoc>& doc, bool bDropLast)
{
    std::lock_guard<std::mutex> lock(doc->mutex);
    if (doc->ops.empty())
        return true; // nothing to store
    const size_t nBefore = doc->nFlushed;
    doc->nFlushed = doc->ops.size();
    if (kiv::core::StoreFile(doc->hostPath, doc))
        return true;
    doc->nFlushed = nBefore;
    if (bDropLast && doc->ops.size() > nBefore)
    {
        doc->ops.pop_back();
        doc->Recompute();
    }
    return false;
}

// An injected write fault fails the store where it is made; counted like any failed store.
bool InjectedFault()
{
    if (!kiv::core::ConsumeFileWriteFault())
        return false;
    SysSetLastError(SYS_ERR_WRITE_FAULT);
    kiv::core::NoteStoreFailure(SYS_ERR_WRITE_FAULT);
    return true;
}

BOOL AddChange(HOBJ hReg, Op op)
{
    auto doc = Doc(hReg);
    if (!doc || !ValidSection(op.section.c_str()) || !ValidKey(op.key.c_str()))
        return FALSE;
    std::lock_guard<std::mutex> lock(doc->mutex);
    doc->Change(std::move(op));
    return TRUE;
}
} // namespace

namespace kiv::core
{
void ResetRegistry()
{
    std::lock_guard<std::mutex> lock(g_regMutex);
    g_handles.clear();
    g_docs.clear(); // handle numbers go on, so a stale handle never names a new file
    ForgetStoreFailures();
}

bool RegStore(HOBJ hReg, bool bDropOnFailure)
{
    auto doc = Doc(hReg);
    return doc && StoreDoc(doc, bDropOnFailure);
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
        if (!Resolve(fileName, host))
            return INVALID_HOBJ;
        std::lock_guard<std::mutex> lock(g_regMutex);
        std::shared_ptr<RegDoc> doc = OpenDocLocked(fileName, host);
        if (!doc)
            return INVALID_HOBJ;
        HOBJ h = g_nextReg++;
        if (g_nextReg <= 0)
            g_nextReg = 1;
        ++doc->nHandles;
        g_handles[h] = doc;
        return h;
    }

    int RegGetInt(HOBJ hReg, const char* section, const char* key, int defaultValue)
    {
        auto doc = Doc(hReg);
        if (!doc || section == nullptr || key == nullptr)
            return defaultValue;
        std::lock_guard<std::mutex> lock(doc->mutex);
        doc->Refresh();
        const std::string* v = FindValue(doc->view, section, key);
        unsigned int n = 0;
        if (v == nullptr || !ParseInteger(*v, n))
            return defaultValue;
        return static_cast<int>(n); // values stored unsigned read back bit-exact
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
        doc->Refresh();
        const std::string* v = FindValue(doc->view, section, key);
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
        if (!ValidSection(section) || !ValidKey(key))
            return FALSE;
        return AddChange(hReg, Op{OP_SET, section, key, std::to_string(value)});
    }

    BOOL RegSetUInt(HOBJ hReg, const char* section, const char* key, unsigned int value)
    {
        if (!ValidSection(section) || !ValidKey(key))
            return FALSE;
        return AddChange(hReg, Op{OP_SET, section, key, std::to_string(value)});
    }

    BOOL RegSetString(HOBJ hReg, const char* section, const char* key, const char* text)
    {
        if (!ValidSection(section) || !ValidKey(key) || text == nullptr)
            return FALSE;
        return AddChange(hReg, Op{OP_SET, section, key, text});
    }

    BOOL RegAddInt(HOBJ hReg, const char* section, const char* key, int delta)
    {
        if (!ValidSection(section) || !ValidKey(key))
            return FALSE;
        return AddChange(hReg,
                         Op{OP_ADD, section, key, std::string(), static_cast<unsigned int>(delta), false});
    }

    BOOL RegAddUInt(HOBJ hReg, const char* section, const char* key, unsigned int delta)
    {
        if (!ValidSection(section) || !ValidKey(key))
            return FALSE;
        return AddChange(hReg, Op{OP_ADD, section, key, std::string(), delta, true});
    }

    BOOL RegInitUInt(HOBJ hReg, const char* section, const char* key, unsigned int value)
    {
        if (!ValidSection(section) || !ValidKey(key))
            return FALSE;
        return AddChange(hReg, Op{OP_INIT, section, key, std::to_string(value)});
    }

    BOOL RegCleanUnless(HOBJ hReg, const char* section, const char* key, int value)
    {
        if (!ValidSection(section) || !ValidKey(key))
            return FALSE;
        return AddChange(hReg, Op{OP_CLEAN_UNLESS, section, key, std::to_string(value)});
    }

    BOOL RegFlush(HOBJ hReg)
    {
        auto doc = Doc(hReg);
        if (!doc || InjectedFault())
            return FALSE;
        return StoreDoc(doc, false) ? TRUE : FALSE;
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
            if (--doc->nHandles > 0)
                return TRUE;
        }
        // The last handle of a file goes: what was flushed through it is on disk when this returns
        // (the service's statistics at its stop, for one), and what was not flushed is dropped.
        kiv::core::WaitForStores();
        std::lock_guard<std::mutex> lock(g_regMutex);
        if (doc->nHandles == 0)
        {
            std::lock_guard<std::mutex> docLock(doc->mutex);
            if (doc->ops.size() > doc->nFlushed)
            {
                doc->ops.resize(doc->nFlushed);
                doc->Recompute();
            }
        }
        return TRUE;
    }

    /* Empties the file (creating it when missing) and every loaded copy of it. */
    BOOL RegClean(const char* fileName)
    {
        std::string host;
        if (!Resolve(fileName, host))
            return FALSE;
        std::shared_ptr<RegDoc> doc;
        {
            std::lock_guard<std::mutex> lock(g_regMutex);
            doc = OpenDocLocked(fileName, host);
        }
        if (!doc || InjectedFault())
            return FALSE;
        {
            std::lock_guard<std::mutex> lock(doc->mutex);
            doc->Change(Op{OP_CLEAN, std::string(), std::string(), std::string()});
        }
        return StoreDoc(doc, true) ? TRUE : FALSE;
    }

    int RegGetFileState(HOBJ hReg)
    {
        auto doc = Doc(hReg);
        if (!doc)
            return -1;
        std::lock_guard<std::mutex> lock(doc->mutex);
        doc->Refresh();
        if (!doc->identity.bExists)
            return REG_FILE_MISSING;
        return doc->bDamaged ? REG_FILE_DAMAGED : REG_FILE_READ;
    }

    BOOL RegSetAside(HOBJ hReg, const char* suffix)
    {
        auto doc = Doc(hReg);
        if (!doc || suffix == nullptr || suffix[0] == '\0' || std::strchr(suffix, '/') != nullptr)
            return FALSE;
        kiv::core::WaitForStores(); // changes of this process already on their way land first
        kiv::core::CFileLock fileLock(doc->hostPath);
        if (!fileLock.Locked())
        {
            SysDebugPrintf(SYS_DBG_FAIL, "RegSetAside: %s cannot be locked (0x%x)\n", doc->hostPath.c_str(),
                           fileLock.Error());
            SysSetLastError(fileLock.Error());
            return FALSE;
        }
        std::lock_guard<std::mutex> lock(doc->mutex);
        kiv::core::FileIdentity now;
        unsigned int error = 0;
        if (!kiv::core::StatStoredFile(doc->hostPath, now, error))
        {
            SysSetLastError(error);
            return FALSE;
        }
        if (!now.bExists || now != doc->identity)
        {
            doc->Load(error); // another process got there first: its file is the one to read
            return FALSE;
        }
        const std::string aside = doc->hostPath + suffix;
        if (::rename(doc->hostPath.c_str(), aside.c_str()) != 0)
        {
            const unsigned int nError = kiv::core::ErrorOfErrno(errno);
            SysDebugPrintf(SYS_DBG_FAIL, "RegSetAside: %s cannot be renamed (0x%x)\n", doc->hostPath.c_str(),
                           nError);
            SysSetLastError(nError);
            return FALSE;
        }
        doc->base.clear();
        doc->identity = kiv::core::FileIdentity{};
        doc->bDamaged = false;
        doc->Recompute();
        return TRUE;
    }
}
