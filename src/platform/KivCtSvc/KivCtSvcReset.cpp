#include "KivCtSvc/CtSvcDatabase.h"
#include "KivCtSvc/CtSvcNotifier.h"
#include "KivCtSvc/KivCtSvcInternal.h"

namespace kiv::ctsvc
{
void Reset()
{
    CCtSvcNotifier::Instance().Stop(true); // no listener is called once the listeners are forgotten
    CCtSvcDatabase::Instance().Close();
    SetDigitsCount2Compare(kDefaultDigitsCount2Compare);
    SetFailReads(false);
}
} // namespace kiv::ctsvc
