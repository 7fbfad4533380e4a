/* Internal hooks of KivAppSvcFramework for the control interface and tests; not for the service. */
#ifndef KIVAPPSVCFRAMEWORK_INTERNAL_H
#define KIVAPPSVCFRAMEWORK_INTERNAL_H

namespace kiv::appsvc
{
/* Back to the state at load: no handler factories, no sync subscriptions, framework up. */
void Reset();
/* Takes the content manager down (CContentMgr::Instance() gives NULL) or brings it back up. */
void SetContentMgrAvailable(bool available);
} // namespace kiv::appsvc

#endif
