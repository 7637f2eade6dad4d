// The module's internals in process for the key fuzz targets: the buffer
// and logging services and the conversion service, set up once.
#ifndef PKIX_FUZZ_KEY_ENV_H_
#define PKIX_FUZZ_KEY_ENV_H_

#include "alg/pki_cnvrt_c.h"
#include "alg/pki_cnvrt_s.h"
#include "testing/inproc.h"

namespace keyfuzz {

// A broken promise of the code under test: stop with a crash the fuzzer
// keeps.
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

// Sets the services up on first use; they live to the end of the process.
inline void Setup() {
  static Env* env = new Env;
  (void)env;
}

}  // namespace keyfuzz

#endif  // PKIX_FUZZ_KEY_ENV_H_
