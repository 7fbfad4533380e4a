// The emulated SIM: one process-wide record, read through per-thread copies.
#include "KivCommTAPI/KivCommTAPI.h"
#include "KivCommTAPI/KivCommTAPIInternal.h"

#include <cstring>
#include <mutex>

namespace kiv::tapi
{
namespace
{
std::mutex g_simMutex;
SimState g_sim = DefaultSim();

// Copies text into a fixed field: bounded and always terminated.
template <size_t N> void CopyField(char (&dest)[N], const std::string& src)
{
    const size_t n = src.size() < N - 1 ? src.size() : N - 1;
    std::memcpy(dest, src.data(), n);
    dest[n] = '\0';
}
} // namespace

SimState DefaultSim()
{
    return SimState{};
}

void SetSim(const SimState& sim)
{
    std::lock_guard<std::mutex> lock(g_simMutex);
    g_sim = sim;
}

SimState GetSim()
{
    std::lock_guard<std::mutex> lock(g_simMutex);
    return g_sim;
}
} // namespace kiv::tapi

extern "C" const SimImsiInfo* SimGetImsiInfo(void)
{
    thread_local SimImsiInfo info;
    const kiv::tapi::SimState sim = kiv::tapi::GetSim();
    if (!sim.bPresent)
        return nullptr;
    std::memset(&info, 0, sizeof(info));
    kiv::tapi::CopyField(info.mcc, sim.mcc);
    kiv::tapi::CopyField(info.mnc, sim.mnc);
    kiv::tapi::CopyField(info.msin, sim.msin);
    return &info;
}

extern "C" int SimGetCardType(void)
{
    const kiv::tapi::SimState sim = kiv::tapi::GetSim();
    return sim.bPresent ? sim.iCardType : SIM_CARD_TYPE_NONE;
}

extern "C" const SimSstInfo* SimGetSstInfo(void)
{
    thread_local SimSstInfo info;
    const kiv::tapi::SimState sim = kiv::tapi::GetSim();
    if (!sim.bPresent || !sim.bServiceTableReadable)
        return nullptr;
    // A GSM SIM's table; a USIM answers this query with its own table's flags.
    info.bAoc = sim.bAoc ? 1 : 0;
    return &info;
}

extern "C" const SimUstInfo* SimGetUstInfo(void)
{
    thread_local SimUstInfo info;
    const kiv::tapi::SimState sim = kiv::tapi::GetSim();
    if (!sim.bPresent || !sim.bServiceTableReadable)
        return nullptr;
    info.bAoc = sim.bAoc ? 1 : 0;
    return &info;
}
