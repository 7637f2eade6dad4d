// The algorithm conversion service offered under 0x3f000a.
#ifndef PKIX_ALG_PKI_CNVRT_S_H_
#define PKIX_ALG_PKI_CNVRT_S_H_

#include "framework/cmn_gref.h"

class TPkiAlgCnvrt : public CMN_GuardedRef {
 public:
  TPkiAlgCnvrt() : CMN_GuardedRef(0) {}
};

// A new conversion service with count 0, or null while it cannot be built.
TPkiAlgCnvrt* createAlgCnvrtSrv();

#endif  // PKIX_ALG_PKI_CNVRT_S_H_
