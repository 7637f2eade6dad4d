// The module's certificate service in process, offered through the tests'
// manager under its number as the host offers a loaded module's, with the
// algorithm conversion bound: for host services that build the module's
// objects through that service (the directory client's lists), in tests and
// fuzz targets alike. One for the whole process.
#ifndef PKIX_TESTS_TESTING_CERT_SERVICE_SIDE_H_
#define PKIX_TESTS_TESTING_CERT_SERVICE_SIDE_H_

#include "alg/pki_cnvrt_c.h"
#include "alg/pki_cnvrt_s.h"
#include "contract/service_ids.h"
#include "module/pkixsrv.h"
#include "testing/inproc.h"

namespace pkixtest {

struct CertServiceSide {
  CertServiceSide() {
    TPkiAlgCnvrt* c = createAlgCnvrtSrv();
    conversion = c;
    PkiAlgCnvrt bound(c);
    cnvrt = bound;
    TPkixService* s = createTPkixService();
    certs = s;
    mgr.offer(pkixid::kCertService, s);
  }
  InProcessManager mgr;
  CMN_GRefPtr<TPkiAlgCnvrt> conversion;
  CMN_GRefPtr<TPkixService> certs;
};

// Made on first use; lives to the end of the process.
inline CertServiceSide& CertServiceInProcess() {
  static CertServiceSide* side = new CertServiceSide;
  return *side;
}

}  // namespace pkixtest

#endif  // PKIX_TESTS_TESTING_CERT_SERVICE_SIDE_H_
