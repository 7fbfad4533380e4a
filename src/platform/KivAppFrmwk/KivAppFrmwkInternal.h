/* Internal hooks of KivAppFrmwk for the control interface; not for the service. */
#ifndef KIVAPPFRMWK_INTERNAL_H
#define KIVAPPFRMWK_INTERNAL_H

namespace kiv::appfrmwk
{
/* Back to the state at load. */
void Reset();
} // namespace kiv::appfrmwk

#endif
