// Settings kept across power cycles: one integer per item id, stored durably in "System/nv.ini"
// under the data root ("[Nv]" section, one "id=value" line per item that was ever written).
//
// The file is a registry file of the platform's own: several processes may write settings, each
// store merging its changes into what the file holds (see Registry.cpp), and reads see the stores of
// other processes.
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"

#include <mutex>
#include <string>

namespace
{
constexpr const char* kNvFile = "System/nv.ini";
constexpr const char* kNvSection = "Nv";

std::mutex g_nvMutex;
bool g_loaded = false;     // tried to load since the last reset
HOBJ g_hNv = INVALID_HOBJ; // the settings file of the current data root, once loaded

// Loads the settings file once per reset; a file that cannot be loaded (reported by RegLoad) is tried
// again by the next write.
bool LoadLocked(bool bRetry)
{
    if (g_hNv != INVALID_HOBJ)
        return true;
    if (g_loaded && !bRetry)
        return false;
    g_loaded = true;
    g_hNv = RegLoad(kNvFile, 1);
    return g_hNv != INVALID_HOBJ;
}

// Stores the change just made; when it cannot be stored it is taken back.
BOOL StoreLocked()
{
    return kiv::core::RegStore(g_hNv, true) ? TRUE : FALSE;
}
} // namespace

namespace kiv::core
{
void ResetNv()
{
    std::lock_guard<std::mutex> lock(g_nvMutex);
    if (g_hNv != INVALID_HOBJ)
        RegUnload(g_hNv); // already gone when the registry was reset first
    g_hNv = INVALID_HOBJ;
    g_loaded = false; // re-read from the (possibly new) data root on next use
}
} // namespace kiv::core

extern "C"
{

    int NvGetInt(int id)
    {
        std::lock_guard<std::mutex> lock(g_nvMutex);
        if (!LoadLocked(false))
            return 0;
        return RegGetInt(g_hNv, kNvSection, std::to_string(id).c_str(), 0);
    }

    /* TRUE once the value is stored; on failure the old value stays. */
    BOOL NvWriteInt(int id, int value)
    {
        std::lock_guard<std::mutex> lock(g_nvMutex);
        if (!LoadLocked(true))
            return FALSE;
        if (!RegSetInt(g_hNv, kNvSection, std::to_string(id).c_str(), value))
            return FALSE;
        return StoreLocked();
    }

    BOOL NvAddInt(int id, int delta)
    {
        std::lock_guard<std::mutex> lock(g_nvMutex);
        if (!LoadLocked(true))
            return FALSE;
        if (!RegAddInt(g_hNv, kNvSection, std::to_string(id).c_str(), delta))
            return FALSE;
        return StoreLocked();
    }
}
