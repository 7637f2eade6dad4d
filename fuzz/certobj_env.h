// The module's internals in process for the certificate fuzz targets: the
// buffer and logging services, the conversion service and the certificate
// service, set up once.
#ifndef PKIX_FUZZ_CERTOBJ_ENV_H_
#define PKIX_FUZZ_CERTOBJ_ENV_H_

#include "alg/pki_cnvrt_c.h"
#include "alg/pki_cnvrt_s.h"
#include "module/pkixsrv.h"
#include "testing/inproc.h"

namespace certfuzz {

inline void Require(bool ok) {
  if (!ok) __builtin_trap();
}

struct Env {
  Env() {
    TPkiAlgCnvrt* c = createAlgCnvrtSrv();
    conversion = c;
    PkiAlgCnvrt bound(c);
    cnvrt = bound;
    TPkixService* s = createTPkixService();
    service = s;
  }
  pkixtest::InProcessManager mgr;
  CMN_GRefPtr<TPkiAlgCnvrt> conversion;
  CMN_GRefPtr<TPkixService> service;
};

inline TPkixService* Service() {
  static Env* env = new Env;  // lives to the end of the process
  return env->service.get();
}

}  // namespace certfuzz

#endif  // PKIX_FUZZ_CERTOBJ_ENV_H_
