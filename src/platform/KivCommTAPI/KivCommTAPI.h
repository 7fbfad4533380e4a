/*
 * KivCommTAPI: the handset platform's telephony library, emulated on Linux.
 *
 * Only the SIM queries: card type, IMSI (country and network codes) and the
 * service tables of a GSM SIM and of a USIM. The SIM itself is chosen through
 * the control interface (control/PlatformControl.h). C linkage.
 *
 * The records handed out are copies private to the calling thread: they stay
 * valid and unchanged until the same thread calls the same function again,
 * whatever the control interface does to the SIM meanwhile.
 */
#ifndef KIV_COMMTAPI_H
#define KIV_COMMTAPI_H

#include "KivCore/KivTypes.h"

#ifdef __cplusplus
extern "C"
{
#endif

/* Card types of SimGetCardType. Any other value is a card the platform does not know. */
#define SIM_CARD_TYPE_GSM 0
#define SIM_CARD_TYPE_USIM 1
#define SIM_CARD_TYPE_NONE (-1) /* no SIM inserted */

#define SIM_MCC_LEN_MAX 3 /* mobile country code: three decimal digits */
#define SIM_MNC_LEN_MAX 3 /* mobile network code: two or three decimal digits */
#define SIM_MSIN_LEN_MAX 10

    /* IMSI of the SIM, split into its parts; each part is a NUL-terminated string of decimal digits. */
    typedef struct SimImsiInfo
    {
        char mcc[SIM_MCC_LEN_MAX + 1];
        char mnc[SIM_MNC_LEN_MAX + 1];
        char msin[SIM_MSIN_LEN_MAX + 1];
    } SimImsiInfo;

    /* SIM service table of a GSM SIM: one flag per service the emulation knows (non-zero = allocated and
     * activated). */
    typedef struct SimSstInfo
    {
        int bAoc; /* advice of charge: accumulated call meter (ACM) */
    } SimSstInfo;

    /* USIM service table: one flag per service the emulation knows (non-zero = available). */
    typedef struct SimUstInfo
    {
        int bAoc; /* advice of charge: accumulated call meter (ACM) */
    } SimUstInfo;

    /* IMSI of the inserted SIM, or NULL when there is no SIM. */
    const SimImsiInfo* SimGetImsiInfo(void);
    /* SIM_CARD_TYPE_GSM, SIM_CARD_TYPE_USIM, another card type, or SIM_CARD_TYPE_NONE. */
    int SimGetCardType(void);
    /* Service table of a GSM SIM; NULL when there is no SIM or its table cannot be read. */
    const SimSstInfo* SimGetSstInfo(void);
    /* Service table of a USIM; NULL when there is no SIM or its table cannot be read. */
    const SimUstInfo* SimGetUstInfo(void);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* KIV_COMMTAPI_H */
