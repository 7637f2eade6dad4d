// The module's internals in process for the key fuzz targets: the manager
// of the unit tests with the buffer and logging services, offering the
// conversion service too, set up once.
#ifndef PKIX_FUZZ_KEY_ENV_H_
#define PKIX_FUZZ_KEY_ENV_H_

#include "contract/service_ids.h"
#include "alg/pki_cnvrt_s.h"
#include "testing/inproc.h"

namespace keyfuzz {

// A broken promise of the code under test: a crash the fuzzer keeps.
inline void Require(bool ok) {
  if (!ok) __builtin_trap();
}

// Sets the services up on first use; they live to the end of the process
// (the conversion stub binds to the offered service on its first lookup).
inline void Setup() {
  static pkixtest::InProcessManager* mgr = [] {
    auto* m = new pkixtest::InProcessManager;
    m->offer(pkixid::kAlgConversion, createAlgCnvrtSrv());
    return m;
  }();
  (void)mgr;
}

}  // namespace keyfuzz

#endif  // PKIX_FUZZ_KEY_ENV_H_
