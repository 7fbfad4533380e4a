/* Internal hooks of KivCommTAPI for the control interface; not for the service. */
#ifndef KIVCOMMTAPI_INTERNAL_H
#define KIVCOMMTAPI_INTERNAL_H

namespace kiv::tapi
{
/* Back to the state at load. */
void Reset();
} // namespace kiv::tapi

#endif
