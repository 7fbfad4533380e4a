/*
 * Common definitions of the service: assertion reports and debug levels.
 *
 * Each source file defines ULOG_SRC_MODULE, the module name its reports carry
 * (for example "UlogSvcLogMgr/UlogSvcDistinctMgr"), before including this file.
 */
#ifndef ULOG_SVC_DEF_H
#define ULOG_SVC_DEF_H

#include "KivCore/KivCore.h"

#ifndef ULOG_SRC_MODULE
#define ULOG_SRC_MODULE "UlogSvc"
#endif

#define ULOG_DBG_FAIL SYS_DBG_FAIL         /* 186: failures */
#define ULOG_DBG_PROGRESS SYS_DBG_PROGRESS /* 232: progress */
#define ULOG_DBG_DETAIL SYS_DBG_DETAIL     /* 65768: detail */
#define ULOG_DBG_DETAIL2 SYS_DBG_DETAIL2   /* 1048808: detail */

/* Reports a failed precondition (kind 1) with the condition's own text; evaluates to the condition. */
#define ULOG_REQUIRE(cond)                                                                                   \
    ((cond) ? true : (_SysAssertReport(1, "ASSERTION_REQUIRE", #cond, ULOG_SRC_MODULE, __LINE__), false))
/* The same with a report text that differs from the expression. */
#define ULOG_REQUIRE_T(cond, text)                                                                           \
    ((cond) ? true : (_SysAssertReport(1, "ASSERTION_REQUIRE", text, ULOG_SRC_MODULE, __LINE__), false))
/* kind 3 */
#define ULOG_CHECK_T(cond, text)                                                                             \
    ((cond) ? true : (_SysAssertReport(3, "ASSERTION_CHECK", text, ULOG_SRC_MODULE, __LINE__), false))
/* kind 4: a branch that must not be reached. */
#define ULOG_NEVER_GET_HERE()                                                                                \
    _SysAssertReport(4, "ASSERTION_NEVER_GET_HERE", "NEVER_GET_HERE", ULOG_SRC_MODULE, __LINE__)

#endif
