// Control of the emulated SIM (KivCommTAPI).
#include "control/PlatformControl.h"

#include "KivCommTAPI/KivCommTAPIInternal.h"

#include <cstring>

namespace
{
// A country or network code: one to three decimal digits.
bool IsSimCode(const char* code)
{
    if (code == nullptr)
        return false;
    const size_t len = strnlen(code, 4);
    if (len < 1 || len > 3)
        return false;
    for (size_t i = 0; i < len; ++i)
    {
        if (code[i] < '0' || code[i] > '9')
            return false;
    }
    return true;
}
} // namespace

extern "C" BOOL UlogCtlSetSim(int cardType, const char* mcc, const char* mnc, unsigned int serviceFlags)
{
    if (!IsSimCode(mcc) || !IsSimCode(mnc))
        return FALSE;
    kiv::tapi::SimState sim = kiv::tapi::DefaultSim();
    sim.bPresent = true;
    sim.iCardType = cardType;
    sim.mcc = mcc;
    sim.mnc = mnc;
    sim.bAoc = (serviceFlags & ULOG_CTL_SIM_SERVICE_AOC) != 0;
    sim.bServiceTableReadable = (serviceFlags & ULOG_CTL_SIM_TABLE_UNREADABLE) == 0;
    kiv::tapi::SetSim(sim);
    return TRUE;
}

extern "C" void UlogCtlRemoveSim(void)
{
    kiv::tapi::SimState sim = kiv::tapi::DefaultSim();
    sim.bPresent = false;
    kiv::tapi::SetSim(sim);
}
