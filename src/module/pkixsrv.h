// The certificate service: the factory through which other modules create
// certificates, names, lists, CRLs and extensions.
#ifndef PKIX_MODULE_PKIXSRV_H_
#define PKIX_MODULE_PKIXSRV_H_

#include "framework/cmn_gref.h"

class TPkixService : public CMN_GuardedRef {
 public:
  TPkixService() : CMN_GuardedRef(0) {}
};

// A new certificate service with count 0 (the first holder adds the first
// reference), or null while the service cannot be built.
TPkixService* createTPkixService();

#endif  // PKIX_MODULE_PKIXSRV_H_
