/* Internal hooks of KivCommTAPI for the control interface; not for the service. */
#ifndef KIVCOMMTAPI_INTERNAL_H
#define KIVCOMMTAPI_INTERNAL_H

#include <string>

namespace kiv::tapi
{
/* Back to the state at load. */
void Reset();

/* What the emulated SIM holds. */
struct SimState
{
    bool bPresent = true;
    int iCardType = 0;       /* SIM_CARD_TYPE_... */
    std::string mcc = "450"; /* decimal digits */
    std::string mnc = "05";
    std::string msin = "1234567890";
    bool bServiceTableReadable = true;
    bool bAoc = false;
};

/* The SIM at load: a GSM SIM with country code 450, network code 05, no advice of charge. */
SimState DefaultSim();
void SetSim(const SimState& sim);
SimState GetSim();
} // namespace kiv::tapi

#endif
