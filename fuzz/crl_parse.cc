// Revocation lists from arbitrary octets. On those that parse every query
// runs, and these properties are checked:
// - the list gives back exactly the octets it consumed, and a duplicate
//   reads the same number of entries;
// - every entry object answers serial, date and issuer, and the index finds
//   an entry revoking the same certificate for each of them;
// - a list is its own successor's predecessor only within its period.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "crl/x509crl.h"
#include "certobj_env.h"
#include "support/abuf.h"
#include "support/ref.h"

using certfuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  certfuzz::Service();  // the module's internals in process
  if (size > 65536) return 0;
  Ref<TBuf> in = adoptRef(createTBuf(data, static_cast<unsigned>(size)));
  Ref<X509CRL> crl = adoptRef(new X509CRL);
  if (!in || crl->setRaw(in.get()) != 0) return 0;
  Ref<TBuf> raw = adoptRef(crl->getRaw(nullptr, nullptr));
  if (size != 0) {
    Require(raw && raw->len() == size - in->len());
    Require(std::memcmp(raw->datap(), data, raw->len()) == 0);
  }
  const TName::name_type_t kinds[] = {static_cast<TName::name_type_t>(0x101), static_cast<TName::name_type_t>(0x102),
                                      static_cast<TName::name_type_t>(0x201)};
  for (TName::name_type_t t : kinds) {
    Ref<TName> n = adoptRef(crl->getTName(t));
    Ref<TName> norm = adoptRef(crl->getNormName(t));
  }
  Ref<TName> issuer = adoptRef(crl->getIssuer());
  crl->getVersion();
  crl->getStatus();
  crl->getReasons();
  Ref<IDP> idp = adoptRef(crl->getIDP());
  if (idp) {
    Ref<TBuf> v = adoptRef(idp->getValue());
    Ref<TBuf> dp = adoptRef(idp->getDp());
  }
  Ref<TExtnList> extns = adoptRef(crl->getCRLExtns());
  if (extns) {
    for (Ref<TExtn> e = adoptRef(extns->getFirst()); e; e.reset(extns->getNext())) {
      Ref<TBuf> r = adoptRef(e->getRaw());
    }
  }
  Ref<TCertList> entries = adoptRef(crl->getRevokedCerts());
  unsigned n = 0;
  if (entries) {
    for (Ref<TCert> e = adoptRef(entries->getFirst()); e; e.reset(entries->getNext())) {
      ++n;
      Ref<TBuf> serial = adoptRef(e->getSerialNumber());
      Require(static_cast<bool>(serial));
      long from = 0, to = 0;
      Require(e->getValidity(&from, &to) == 0);
      // An entry's issuer is missing only when the list's own issuer name
      // cannot be made.
      Ref<TName> who = adoptRef(e->getName(kinds[0]));
      Ref<TName> list_issuer = adoptRef(crl->getTName(kinds[0]));
      Require(who || !list_issuer);
      Ref<TExtnList> ex = adoptRef(e->getExtns());
      // Only the first hundred entries are looked up: the index is
      // exercised without making the target quadratic.
      if (n <= 100 && who) {
        Ref<TCert> hit = adoptRef(crl->findRevokedCert(e.get()));
        Require(hit && hit->areISNMatched(e.get()) == 1);
        Require(crl->isRevoked(e.get()) == 1);
      }
    }
  }
  Require(n == crl->revokedCount());
  Ref<TCRL> copy = adoptRef(crl->dup());
  Require(copy && static_cast<X509CRL*>(copy.get())->revokedCount() == n);
  crl->isSuccessor(copy.get());
  return 0;
}
