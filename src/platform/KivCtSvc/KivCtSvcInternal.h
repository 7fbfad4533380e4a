/* Internal hooks of KivCtSvc for the control interface; not for the service. */
#ifndef KIVCTSVC_INTERNAL_H
#define KIVCTSVC_INTERNAL_H

namespace kiv::ctsvc
{
/* Back to the state at load: the notification thread stopped, listeners forgotten, the database
 * closed (opened again on the next call, under the data root of that time), the digit count and the
 * read fault back to their defaults. */
void Reset();

/* The digit count that CtSvcGetDigitsCount2Compare answers. */
constexpr int kDefaultDigitsCount2Compare = 8;
void SetDigitsCount2Compare(int count);

/* At process exit, once registered: the notification thread is stopped (the call under way ends first,
 * the rest is dropped) before the libraries above this one unload, and the database is closed.
 * Registered by the first of the database and the notifier to be made. */
void RegisterExitHandler();

/* Forgets the full-sync callback (a reset). */
void ForgetFullSyncCallback();

/* While set, every read of the address book fails (SYS_ERR_IO). */
void SetFailReads(bool bFail);
bool ReadsFail();
} // namespace kiv::ctsvc

#endif
