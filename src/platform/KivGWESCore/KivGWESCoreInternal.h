/* Internal hooks of KivGWESCore for the control interface; not for the service. */
#ifndef KIVGWESCORE_INTERNAL_H
#define KIVGWESCORE_INTERNAL_H

#include "KivGWESCore/KivGWESCore.h"

namespace kiv::gwes
{
/* Back to the state at load. */
void Reset();

/* Timers: every timer deleted (a callback already running is waited for). */
void ResetTimers();
/* Fires, in due order, the started timers due at or before the platform clock (TmGetTime() * 1000 ms);
 * returns how many fired. */
int RunDueTimers();

/* Events sent with WmSendEvent, oldest first. */
void ResetEvents();
int SentEventCount();
bool GetSentEvent(int index, WMEVENT* event);
} // namespace kiv::gwes

#endif
