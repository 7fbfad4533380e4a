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
/* Records the cause the platform left for this thread (full, read-only, busy, ...), else iFallback,
 * unless a code is already recorded; returns FALSE (0). */
BOOL Fail(UlogErrorCode iFallback);

/* Clears the record when an exported call begins. */
struct CUlogApiCall
{
    CUlogApiCall() { Clear(); }
};
} // namespace ulogerr

#endif
