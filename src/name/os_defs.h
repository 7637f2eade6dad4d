/* Messages of the plain C code of the module. */
#ifndef PKIX_NAME_OS_DEFS_H_
#define PKIX_NAME_OS_DEFS_H_

#include "framework/cmn_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Message levels. */
#define OS_MSG_TEXT 0  /* standard output, no prefix */
#define OS_MSG_NOTE 1  /* "NOTE: " on standard error */
#define OS_MSG_WARN 2  /* "WARN: " on standard error */
#define OS_MSG_PANIC 3 /* "PANIC: " on standard error, then the process aborts */

/* Prints a printf-style message at level (OS_MSG_*; any other level is
 * printed as OS_MSG_TEXT). Every message is followed by a line end written
 * to standard error, for level 0 too, so that text written to standard
 * output in pieces keeps its own line structure; the message's stream is
 * flushed. Level 3 does not return. */
CMN_EXPORT void os_defs_error(int level, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

#ifdef __cplusplus
}
#endif

#endif /* PKIX_NAME_OS_DEFS_H_ */
