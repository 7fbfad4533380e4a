#include "KivGWESCore/KivGWESCoreInternal.h"

namespace kiv::gwes
{
void Reset()
{
}
} // namespace kiv::gwes
