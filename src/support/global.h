// Where the product's files lie: the product root from the system-wide
// product configuration, and the program directory beside the running
// executable. Each answer is computed once per process and then returned
// from a cache whose text never changes again.
#ifndef PKIX_SUPPORT_GLOBAL_H_
#define PKIX_SUPPORT_GLOBAL_H_

#include "framework/cmn_export.h"

// The product root: "AgentRoot" before any section header of
// /etc/zelnet.cfg, as written (it ends with a slash). 0 with *out set; 9 when
// out is null, the value is missing or longer than 4096 characters, or no
// reader can be made; else the reader's load code (50: no such file). *out is
// written only on success, and a failure is retried on the next call.
extern "C" CMN_EXPORT int zel_get_product_dir(const char** out);

// The directory "bin" beside the directory of the running executable, with a
// trailing slash and no symbolic links. 0 with *out set; 9 when a path cannot
// be resolved or is too long, or out is null. *out is written only on
// success, and a failure is retried on the next call.
extern "C" CMN_EXPORT int zel_get_executable_dir(const char** out);

namespace pkix_support {

// zel_get_product_dir reading config_path instead of /etc/zelnet.cfg; shares
// its cache.
int ProductDirFrom(const char* config_path, const char** out);
// zel_get_executable_dir resolving exe_path instead of /proc/self/exe; shares
// its cache.
int ExecutableDirFrom(const char* exe_path, const char** out);
// Empties both caches, so that tests can fill them again.
void ResetDirCachesForTest();

}  // namespace pkix_support

#endif  // PKIX_SUPPORT_GLOBAL_H_
