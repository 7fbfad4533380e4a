/* Internal hooks of KivAppSvcFramework for the control interface; not for the service. */
#ifndef KIVAPPSVCFRAMEWORK_INTERNAL_H
#define KIVAPPSVCFRAMEWORK_INTERNAL_H

namespace kiv::appsvc
{
/* Back to the state at load. */
void Reset();
} // namespace kiv::appsvc

#endif
