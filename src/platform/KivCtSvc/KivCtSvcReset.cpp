#include "KivCtSvc/KivCtSvcInternal.h"

namespace kiv::ctsvc
{
void Reset()
{
}
} // namespace kiv::ctsvc
