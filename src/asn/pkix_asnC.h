// Client stub of the module's ASN.1 object service.
#ifndef PKIX_ASN_PKIX_ASNC_H_
#define PKIX_ASN_PKIX_ASNC_H_

#include "asn/pkix_asn_impl.h"
#include "framework/cmn_stub.h"
#include "module/pkixids.h"

class PkixASNService : public CMN_ServiceStub<TPkixASNService> {
 public:
  PkixASNService() : CMN_ServiceStub(&PkixASNServiceID) {}
  explicit PkixASNService(TPkixASNService* s) : CMN_ServiceStub(&PkixASNServiceID, s) {}
  ~PkixASNService() override;
};

extern PkixASNService asnPkixSrv;

#endif  // PKIX_ASN_PKIX_ASNC_H_
