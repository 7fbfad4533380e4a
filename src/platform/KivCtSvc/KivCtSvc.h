/*
 * KivCtSvc: the handset platform's contacts service, emulated on Linux.
 * C linkage.
 */
#ifndef KIV_CTSVC_H
#define KIV_CTSVC_H

#include "KivCore/KivTypes.h"

#ifdef __cplusplus
extern "C"
{
#endif

    /* Kind of a contact number (0 to 10 are the kinds the service knows). A 32-bit integer. */
    typedef int CtSvcPhoneType;

    /* ---- Number comparison ------------------------------------------------- */
    /* How many trailing characters of pszNumber decide whether two numbers are the same: the answer set
     * through the control interface (UlogCtlSetDigitsCount2Compare), 8 by default, for every number
     * (NULL included). The answer may be larger than the number, or even 0 or negative if so set:
     * callers must bound it. */
    int CtSvcGetDigitsCount2Compare(const char* pszNumber);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* KIV_CTSVC_H */
