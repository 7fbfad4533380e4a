/*
 * KivAppFrmwk: the handset platform's application framework, emulated on Linux.
 *
 * Localised date and time formats (ICU, for the handset's locale) and the
 * platform's string resources. C linkage.
 *
 * The handset's locale is an ICU locale name ("en_US" by default;
 * $ULOG_LOCALE at reset, or the control interface). The user's default date
 * and time format codes start as the locale suggests and may be changed
 * through the control interface.
 *
 * Format flag words
 * -----------------
 * LocGetDateTimeFormatEx / LocGetDateTimeFormat take a flag word made of a
 * date part (bits 0-7) and a time part (bits 12-15); other bits are ignored.
 * When both parts are present the text is the date, one blank, the time.
 * The default codes of LocGetDefaultDateFormat / LocGetDefaultTimeFormat are
 * flag words themselves (a date part alone, a time part alone).
 *
 * Date style, bits 4-7 (the low four bits refine it):
 *   0x0_  no date
 *   0x1_  numeric date with a four-digit year and '/' separators. Bits 0-1 are
 *         the field order: 0 year/month/day, 1 month/day/year,
 *         2 day/month/year, 3 the locale's own order and separators.
 *         Bit 3 (0x08) writes day and month with two digits.
 *           0x18 "2026/12/06"  0x19 "12/06/2026"  0x1A "06/12/2026"
 *           0x11 "12/6/2026"   0x1B en_US "12/06/2026", de_DE "06.12.2026"
 *   0x2_  year-month-day, two digits each:       "2026-12-06"
 *   0x3_  day.month.year, two digits each:       "06.12.2026"
 *   0x4_  the locale's own date; the low bits pick its length:
 *           0x49 medium, abbreviated month name  "Dec 6, 2026"
 *           0x4A long, month name                "December 6, 2026"
 *           0x4B full, weekday and month name    "Sunday, December 6, 2026"
 *           others short, numeric                "12/6/2026"
 *   0xB_  day and abbreviated month name, no year, the locale's order: "Dec 6"
 *   0xC_  day and month as numbers, no year, the locale's order:       "12/6"
 *   other styles: as 0x40.
 *
 * Time, bits 12-15:
 *   0x0000  no time
 *   0x1000  24-hour clock, hours and minutes     "18:05"
 *   0x2000  24-hour clock with seconds           "18:05:09"
 *   0x3000  12-hour clock with the day period    "6:05 PM"
 *   0x4000  12-hour clock, two-digit hour        "06:05 PM"
 *   0x5000  12-hour clock with seconds           "6:05:09 PM"
 *   0x6000  the locale's own clock, hours and minutes (12- or 24-hour)
 *   other values: as 0x6000.
 *
 * Names, day periods and digits are the locale's. Narrow no-break spaces and
 * no-break spaces of the locale's patterns are written as plain blanks.
 *
 * Default codes suggested by the locale: the date code is 0x20 when the
 * locale writes the year first, 0x30 when it writes the day first and 0x19
 * otherwise; the time code is 0x3000 for a locale with a 12-hour clock and
 * 0x1000 otherwise (en_US: 0x19 and 0x3000; de_DE: 0x30 and 0x1000).
 */
#ifndef KIV_APPFRMWK_H
#define KIV_APPFRMWK_H

#include "KivCore/KivCore.h"

#ifdef __cplusplus
extern "C"
{
#endif

    /* ------------------------------------------------------------------ */
    /* Locale formats                                                      */
    /* ------------------------------------------------------------------ */

    /* The user's default date format code (a date flag word, see above). */
    int LocGetDefaultDateFormat(void);
    /* The user's default time format code (a time flag word, see above). */
    int LocGetDefaultTimeFormat(void);

    /*
     * Formats a calendar record (already in local time) per the flag word, in the
     * local code page, into dest: at most destSize-1 bytes, never a split
     * character, always terminated when destSize > 0. reserved must be 0.
     * Returns the bytes written; 0 with an empty text for a null record, a
     * record that is no valid date and time (year 1-9999, month 1-12, a day of
     * that month, hour 0-23, minute and second 0-59) or a flag word that selects
     * neither date nor time.
     */
    int LocGetDateTimeFormatEx(const TM_DATETIME* dateTime, unsigned long flags, int reserved, char* dest,
                               int destSize);
    /* The same as 16-bit text: at most destUnits-1 units, never a split surrogate pair, terminated. */
    int LocGetDateTimeFormat(const TM_DATETIME* dateTime, unsigned long flags, int reserved, WCHAR* dest,
                             int destUnits);

    /* ------------------------------------------------------------------ */
    /* String resources                                                    */
    /* ------------------------------------------------------------------ */

#define RSRC_STR_YESTERDAY 36u        /* the word for yesterday, in the locale's language */
#define RSRC_STR_MISSED_CALLS 1243u   /* "Missed calls" */
#define RSRC_STR_RECEIVED_CALLS 1246u /* "Received calls" */
#define RSRC_STR_DIALLED_CALLS 1248u  /* "Dialled calls" */
#define RSRC_STR_TODAY 1744u          /* the word for today, in the locale's language */

    /*
     * Copies string resource id into dest (at most destUnits-1 units, terminated
     * when destUnits > 0). Returns the units written; an unknown id gives an
     * empty text and 0.
     */
    int RsrcLoadString(unsigned int id, WCHAR* dest, int destUnits);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* KIV_APPFRMWK_H */
