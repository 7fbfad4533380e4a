#include "KivAppFrmwk/KivAppFrmwkInternal.h"

namespace kiv::appfrmwk
{
void Reset()
{
    ResetLocale();
}
} // namespace kiv::appfrmwk
