#include "KivCtSvc/KivCtSvcInternal.h"

namespace kiv::ctsvc
{
void Reset()
{
    SetDigitsCount2Compare(kDefaultDigitsCount2Compare);
}
} // namespace kiv::ctsvc
