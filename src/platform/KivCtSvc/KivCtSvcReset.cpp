// The contacts service's state at reset and at process exit.
#include "KivCtSvc/CtSvcDatabase.h"
#include "KivCtSvc/CtSvcNotifier.h"
#include "KivCtSvc/KivCtSvcInternal.h"

#include <cstdlib>
#include <mutex>

namespace kiv::ctsvc
{
namespace
{
void FinishAtExit()
{
    CCtSvcNotifier::Instance().Close();
    CCtSvcDatabase::Instance().Close();
}
} // namespace

void RegisterExitHandler()
{
    static std::once_flag s_once;
    std::call_once(s_once, [] { std::atexit(FinishAtExit); });
}

void Reset()
{
    CCtSvcNotifier::Instance().Stop(true); // no listener is called once the listeners are forgotten
    ForgetFullSyncCallback();
    CCtSvcDatabase::Instance().Close();
    SetDigitsCount2Compare(kDefaultDigitsCount2Compare);
    SetFailReads(false);
}
} // namespace kiv::ctsvc
