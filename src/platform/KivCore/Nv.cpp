// Settings kept across power cycles: one integer per item id, stored durably in "System/nv.ini"
// under the data root ("[Nv]" section, one "id=value" line per item that was ever written).
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <string>

namespace
{
constexpr const char* kNvFile = "System/nv.ini";

std::mutex g_nvMutex;
bool g_loaded = false;
std::map<int, int> g_values;
std::string g_host; // the settings file of the current data root, once loaded

// Items the service reads before anything was written: all start at 0.
void LoadLocked()
{
    if (g_loaded)
        return;
    g_values.clear();
    g_host.clear();
    std::string host;
    if (kiv::core::ResolvePath(kNvFile, host))
    {
        g_host = host;
        kiv::core::WaitForStores();
        std::ifstream in(host);
        std::string line;
        while (std::getline(in, line))
        {
            size_t eq = line.find('=');
            if (eq == std::string::npos || line.empty() || line[0] == '[')
                continue;
            errno = 0;
            char* end = nullptr;
            long long id = std::strtoll(line.c_str(), &end, 10);
            if (errno != 0 || end != line.c_str() + eq || id < INT_MIN || id > INT_MAX)
                continue;
            const char* v = line.c_str() + eq + 1;
            long long value = std::strtoll(v, &end, 10);
            if (errno != 0 || end == v || value < INT_MIN || value > static_cast<long long>(UINT_MAX))
                continue;
            g_values[static_cast<int>(id)] = static_cast<int>(static_cast<unsigned int>(value));
        }
    }
    g_loaded = true;
}

bool StoreLocked()
{
    if (g_host.empty())
        return false;
    std::string text = "[Nv]\n";
    for (const auto& [id, value] : g_values)
        text += std::to_string(id) + "=" + std::to_string(value) + "\n";
    return kiv::core::StoreFile(g_host, text);
}
} // namespace

namespace kiv::core
{
void ResetNv()
{
    std::lock_guard<std::mutex> lock(g_nvMutex);
    g_loaded = false; // re-read from the (possibly new) data root on next use
    g_values.clear();
}
} // namespace kiv::core

extern "C"
{

    int NvGetInt(int id)
    {
        std::lock_guard<std::mutex> lock(g_nvMutex);
        LoadLocked();
        auto it = g_values.find(id);
        return it == g_values.end() ? 0 : it->second;
    }

    /* TRUE once the value is stored durably; on failure the old value stays. */
    BOOL NvWriteInt(int id, int value)
    {
        std::lock_guard<std::mutex> lock(g_nvMutex);
        LoadLocked();
        auto it = g_values.find(id);
        const bool had = it != g_values.end();
        const int old = had ? it->second : 0;
        g_values[id] = value;
        if (!StoreLocked())
        {
            // Keep memory and storage in step: what was not stored is not kept.
            if (had)
                g_values[id] = old;
            else
                g_values.erase(id);
            return FALSE;
        }
        return TRUE;
    }
}
