// The key service: the factory through which other modules create keys.
#ifndef PKIX_MODULE_PKIXKEYSRV_H_
#define PKIX_MODULE_PKIXKEYSRV_H_

#include "framework/cmn_gref.h"

class TPkixKeyService : public CMN_GuardedRef {
 public:
  TPkixKeyService() : CMN_GuardedRef(0) {}
};

// A new key service with count 0, or null while it cannot be built.
TPkixKeyService* createTPkixKeyService();

#endif  // PKIX_MODULE_PKIXKEYSRV_H_
