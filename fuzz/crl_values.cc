// Extension values from arbitrary octets: the first octet picks the
// extension (issuing distribution point, certificate issuer, distribution
// points), the rest is its value. A value that reads is written back; for
// the issuing distribution point and the distribution points, the fields
// written again from scratch must read back as well.
#include <cstddef>
#include <cstdint>

#include "cert/crldp.h"
#include "crl/crlextn.h"
#include "certobj_env.h"
#include "support/abuf.h"
#include "support/ref.h"

using certfuzz::Require;

namespace {

// Reads value into a new E; when it reads, rewrites it and reads that.
template <class E, class Restale>
void RoundTrip(TBuf* value, Restale restale) {
  Ref<E> e = adoptRef(new E);
  if (e->setValue(value) != 0) return;
  Ref<TBuf> same = adoptRef(e->getValue());
  Require(same && (*same != value) == 0);
  restale(e.get());
  Ref<TBuf> again = adoptRef(e->getValue());
  if (!again) return;
  Ref<E> back = adoptRef(new E);
  Require(back->setValue(again.get()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  certfuzz::Service();  // the module's internals in process
  if (size < 2 || size > 16384) return 0;
  Ref<TBuf> value = adoptRef(createTBuf(data + 1, static_cast<unsigned>(size - 1)));
  if (!value) return 0;
  switch (data[0] % 3) {
    case 0:
      RoundTrip<IDP>(value.get(), [](IDP* idp) {
        X509CRLReasons r = static_cast<X509CRLReasons>(idp->getReasons() ^ 0x02);
        idp->setReasons(r);
        Ref<TName> full = adoptRef(idp->getFullDp());
        idp->setFullDp(full.get());
      });
      break;
    case 1:
      RoundTrip<CertIssuer>(value.get(), [](CertIssuer* ci) {
        Ref<TName> n = adoptRef(ci->getName());
        ci->setName(n.get());
      });
      break;
    default:
      RoundTrip<X509CRLDP>(value.get(), [](X509CRLDP* dp) {
        Ref<TCRLList> l = adoptRef(dp->getCRLList());
        dp->setCRLList(l.get());
      });
      break;
  }
  return 0;
}
