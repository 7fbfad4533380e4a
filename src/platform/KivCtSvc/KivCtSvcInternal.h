/* Internal hooks of KivCtSvc for the control interface; not for the service. */
#ifndef KIVCTSVC_INTERNAL_H
#define KIVCTSVC_INTERNAL_H

namespace kiv::ctsvc
{
/* Back to the state at load. */
void Reset();
} // namespace kiv::ctsvc

#endif
