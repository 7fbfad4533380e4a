/*
 * CUlogSvcUtil: the service's utility functions (all static): phone-number
 * comparison, SIM queries, text for queries, display formatting.
 */
#ifndef CULOG_SVC_UTIL_H
#define CULOG_SVC_UTIL_H

#include "UlogSvc.h"
#include "KivCore/KivTypes.h"

class CUlogSvcUtil
{
public:
    /* ==== Number comparison and SIM (UlogSvcUtilNumber.cpp) ==== */

    /* ==== Text for queries (UlogSvcUtilQuery.cpp) ==== */

    /* ==== Date, time and call-cost formatting (UlogSvcUtilFormat.cpp) ==== */
};

#endif
