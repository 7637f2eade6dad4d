// Client stub of the algorithm conversion service.
#ifndef PKIX_ALG_PKI_CNVRT_C_H_
#define PKIX_ALG_PKI_CNVRT_C_H_

#include "alg/pki_cnvrt_s.h"
#include "framework/cmn_stub.h"
#include "module/pkixids.h"

class PkiAlgCnvrt : public CMN_ServiceStub<TPkiAlgCnvrt> {
 public:
  PkiAlgCnvrt() : CMN_ServiceStub(&PkiAlgCnvrtSrvID) {}
  explicit PkiAlgCnvrt(TPkiAlgCnvrt* s) : CMN_ServiceStub(&PkiAlgCnvrtSrvID, s) {}
  ~PkiAlgCnvrt() override;
};

extern PkiAlgCnvrt cnvrt;

#endif  // PKIX_ALG_PKI_CNVRT_C_H_
