#include "KivCommTAPI/KivCommTAPIInternal.h"

namespace kiv::tapi
{
void Reset()
{
}
} // namespace kiv::tapi
