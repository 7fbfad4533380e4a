#include "KivAppSvcFramework/KivAppSvcFrameworkInternal.h"

namespace kiv::appsvc
{
void Reset()
{
}
} // namespace kiv::appsvc
