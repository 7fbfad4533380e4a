#include "KivCommTAPI/KivCommTAPIInternal.h"

namespace kiv::tapi
{
void Reset()
{
    SetSim(DefaultSim());
}
} // namespace kiv::tapi
