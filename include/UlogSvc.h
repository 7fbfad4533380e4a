/*
 * UlogSvc: the plain-function interface of the unified log service.
 * Compiles as C11 and as C++. Every function has C linkage.
 */
#ifndef ULOG_SVC_H
#define ULOG_SVC_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ==== Basic types, enumerations, records (log record model) ==== */

/* ==== Number comparison, SIM, advice of charge ==== */

/* ==== Formatting and service-code parsing ==== */

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* ULOG_SVC_H */
