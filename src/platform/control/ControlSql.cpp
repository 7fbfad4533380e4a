// Control of the SQL engine: fault injection and the statement counter.
#include "control/PlatformControl.h"

#include "KivCore/Db2Internal.h"

extern "C" void UlogCtlFailNextSql(int count)
{
    kiv::core::db2::SetFailNext(count);
}

extern "C" void UlogCtlFailSqlAt(int position)
{
    kiv::core::db2::SetFailAt(position);
}

extern "C" int UlogCtlPendingSqlFaults(void)
{
    return kiv::core::db2::PendingFaults();
}

extern "C" int UlogCtlGetSqlStatementCount(void)
{
    return kiv::core::db2::StatementCount();
}
