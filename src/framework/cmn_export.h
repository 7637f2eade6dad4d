// Symbol visibility. Everything in the module is hidden unless marked here,
// so only the entry points and the documented globals leave the library.
#ifndef PKIX_FRAMEWORK_CMN_EXPORT_H_
#define PKIX_FRAMEWORK_CMN_EXPORT_H_

#define CMN_EXPORT __attribute__((visibility("default")))

#endif  // PKIX_FRAMEWORK_CMN_EXPORT_H_
