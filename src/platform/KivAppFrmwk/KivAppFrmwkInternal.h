/* Internal hooks of KivAppFrmwk for the control interface; not for the service. */
#ifndef KIVAPPFRMWK_INTERNAL_H
#define KIVAPPFRMWK_INTERNAL_H

namespace kiv::appfrmwk
{
/* Back to the state at load: locale $ULOG_LOCALE (when ICU knows it) or en_US, default codes as the
 * locale suggests. */
void Reset();
void ResetLocale();

/* Sets the handset's locale and the default codes it suggests; false (nothing changed) for a name
 * ICU has no data for. */
bool SetLocale(const char* localeName);
void SetDefaultDateFormat(int code);
void SetDefaultTimeFormat(int code);
} // namespace kiv::appfrmwk

#endif
