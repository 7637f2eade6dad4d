// Binds the module's algorithm conversion client to a conversion service of
// its own for the length of a test, the way the module's service would be
// reached through the host, and lets both go afterwards.
#ifndef PKIX_TESTS_TESTING_CNVRT_BINDING_H_
#define PKIX_TESTS_TESTING_CNVRT_BINDING_H_

#include <gtest/gtest.h>

#include "alg/pki_cnvrt_c.h"
#include "alg/pki_cnvrt_s.h"
#include "framework/cmn_gref.h"
#include "support/abuf.h"

namespace pkixtest {

class ConversionBinding {
 public:
  // A fresh conversion service, bound to the module's client.
  void Bind() {
    TPkiAlgCnvrt* s = createAlgCnvrtSrv();
    ASSERT_NE(s, nullptr);
    service_ = s;
    PkiAlgCnvrt bound(s);
    cnvrt = bound;
  }
  // Unbinds the client, drops the service, and lets the buffer service go.
  void Unbind() {
    PkiAlgCnvrt empty(nullptr);
    cnvrt = empty;
    service_.Drop();
    x509cmn_fini();
  }
  TPkiAlgCnvrt* service() const { return service_.get(); }

 private:
  CMN_GRefPtr<TPkiAlgCnvrt> service_;
};

}  // namespace pkixtest

#endif  // PKIX_TESTS_TESTING_CNVRT_BINDING_H_
