/* Internal hooks of KivGWESCore for the control interface; not for the service. */
#ifndef KIVGWESCORE_INTERNAL_H
#define KIVGWESCORE_INTERNAL_H

namespace kiv::gwes
{
/* Back to the state at load. */
void Reset();
} // namespace kiv::gwes

#endif
