// The module's internals in process for the revocation-list fuzz targets:
// the buffer, logging and crypto services and the conversion service, set
// up once.
#ifndef PKIX_FUZZ_CRL_ENV_H_
#define PKIX_FUZZ_CRL_ENV_H_

#include "alg/pki_cnvrt_c.h"
#include "alg/pki_cnvrt_s.h"
#include "testing/inproc.h"

namespace crlfuzz {

inline void Require(bool ok) {
  if (!ok) __builtin_trap();
}

struct Env {
  Env() {
    TPkiAlgCnvrt* c = createAlgCnvrtSrv();
    conversion = c;
    PkiAlgCnvrt bound(c);
    cnvrt = bound;
  }
  pkixtest::InProcessManager mgr;
  CMN_GRefPtr<TPkiAlgCnvrt> conversion;
};

inline void Setup() {
  static Env* env = new Env;  // lives to the end of the process
  (void)env;
}

}  // namespace crlfuzz

#endif  // PKIX_FUZZ_CRL_ENV_H_
