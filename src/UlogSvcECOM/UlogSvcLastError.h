/*
 * The calling thread's last failure, as UlogGetLastError reports it. Every exported function that
 * stores, deletes or reads starts with a CUlogApiCall (which clears the record and the platform's
 * last error), and on failure records why: the platform's last error when it names a cause, else
 * the fallback the function gives.
 */
#ifndef ULOG_SVC_LAST_ERROR_H
#define ULOG_SVC_LAST_ERROR_H

#include "UlogSvc.h"

namespace ulogerr
{
/* ULOG_ERR_NONE, and the platform's last error cleared. */
void Clear();
/* Records the code as it is. */
void Set(UlogErrorCode iCode);
/* The code for the platform's last error of this thread; iFallback when that names no cause. */
UlogErrorCode FromPlatform(UlogErrorCode iFallback);
/* Records FromPlatform(iFallback) unless a code is already recorded; returns FALSE (0). */
BOOL Fail(UlogErrorCode iFallback);
/* The recorded code. */
UlogErrorCode Get();

/* Clears the record when an exported call begins. */
struct CUlogApiCall
{
    CUlogApiCall() { Clear(); }
};
} // namespace ulogerr

#endif
