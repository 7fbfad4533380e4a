#include "KivAppFrmwk/KivAppFrmwkInternal.h"

namespace kiv::appfrmwk
{
void Reset()
{
}
} // namespace kiv::appfrmwk
