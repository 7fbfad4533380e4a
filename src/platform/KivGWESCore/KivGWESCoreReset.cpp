#include "KivGWESCore/KivGWESCoreInternal.h"

namespace kiv::gwes
{
void Reset()
{
    ResetTimers();
    ResetEvents();
}
} // namespace kiv::gwes
