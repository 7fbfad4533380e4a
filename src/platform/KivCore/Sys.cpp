// Status items, the last error of each thread, and the class registry.
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"

#include <map>
#include <mutex>

namespace
{
std::mutex g_sysMutex;
std::map<int, int> g_status;
std::map<unsigned int, void*> g_classes;
thread_local unsigned int t_lastError = 0;
} // namespace

namespace kiv::core
{
void SetPhsStatus(int item, int value)
{
    std::lock_guard<std::mutex> lock(g_sysMutex);
    g_status[item] = value;
}

void ResetSys()
{
    std::lock_guard<std::mutex> lock(g_sysMutex);
    g_status.clear();
    g_classes.clear();
    t_lastError = 0;
}
} // namespace kiv::core

extern "C"
{

    /* Status items read 0 until the control interface sets them. */
    int PhsGetStatus(int item)
    {
        std::lock_guard<std::mutex> lock(g_sysMutex);
        auto it = g_status.find(item);
        return it == g_status.end() ? 0 : it->second;
    }

    /* The last error is kept per thread. */
    unsigned int SysGetLastError(void)
    {
        return t_lastError;
    }

    void SysSetLastError(unsigned int error)
    {
        t_lastError = error;
    }

    /* 0 on success; -1 when the identifier is taken, -2 for a null object. module and flags are not used. */
    int __SysRegisterClass(int module, unsigned int classId, void* classObject, int flags)
    {
        (void)module;
        (void)flags;
        if (classObject == nullptr)
            return -2;
        std::lock_guard<std::mutex> lock(g_sysMutex);
        if (!g_classes.emplace(classId, classObject).second)
            return -1;
        return 0;
    }

    /* 0 on success; -1 when nothing is registered under the identifier. */
    int SysUnregisterClass(int module, unsigned int classId)
    {
        (void)module;
        std::lock_guard<std::mutex> lock(g_sysMutex);
        return g_classes.erase(classId) > 0 ? 0 : -1;
    }

    void* SysGetClassObject(unsigned int classId)
    {
        std::lock_guard<std::mutex> lock(g_sysMutex);
        auto it = g_classes.find(classId);
        return it == g_classes.end() ? nullptr : it->second;
    }
}
