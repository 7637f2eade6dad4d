// The ASN.1 object service offered under 0x3f0009.
#ifndef PKIX_ASN_PKIX_ASN_IMPL_H_
#define PKIX_ASN_PKIX_ASN_IMPL_H_

#include "framework/cmn_gref.h"

class TPkixASNService : public CMN_GuardedRef {
 public:
  TPkixASNService() : CMN_GuardedRef(0) {}
};

// A new ASN.1 object service with count 0, or null while it cannot be built.
TPkixASNService* createTPkixASNService();

#endif  // PKIX_ASN_PKIX_ASN_IMPL_H_
