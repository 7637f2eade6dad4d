// Typed identifiers of modules and services (declared with the host
// contract), and the construction order of the module's static identifiers.
#ifndef PKIX_FRAMEWORK_ID_TYPE_H_
#define PKIX_FRAMEWORK_ID_TYPE_H_

#include "contract/typed_id.h"

// Static identifiers are built before, and destroyed after, the static stubs
// that point at them (a stub's destructor still names its service).
#define CMN_ID_INIT __attribute__((init_priority(103)))

#endif  // PKIX_FRAMEWORK_ID_TYPE_H_
