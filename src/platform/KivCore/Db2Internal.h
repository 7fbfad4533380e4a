/* Hooks of the SQL engine for the control interface. */
#ifndef KIVCORE_DB2_INTERNAL_H
#define KIVCORE_DB2_INTERNAL_H

namespace kiv::core::db2
{
/* The next count statements (Db2QueryEx, Db2QueryRecordCount, Db2StmtCreate, Db2StmtExecute) fail. */
void SetFailNext(int count);
/* Lets position - 1 statements through, then fails the next one (0 or less: none). */
void SetFailAt(int position);
/* Injected faults not given yet. */
int PendingFaults();
/* Statements run since the last reset (see KivCore.h for what counts). */
int StatementCount();
} // namespace kiv::core::db2

#endif
