/* Internal hooks of KivCtSvc for the control interface; not for the service. */
#ifndef KIVCTSVC_INTERNAL_H
#define KIVCTSVC_INTERNAL_H

namespace kiv::ctsvc
{
/* Back to the state at load. */
void Reset();

/* The digit count that CtSvcGetDigitsCount2Compare answers. */
constexpr int kDefaultDigitsCount2Compare = 8;
void SetDigitsCount2Compare(int count);
} // namespace kiv::ctsvc

#endif
