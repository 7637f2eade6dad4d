// X509CRLDP, the CRL distribution points extension: its value read into a
// list of revocation-list templates, one per DistributionPoint, and written
// back from them. Each template carries the point's name as an issuing
// distribution point extension, its reasons, and its CRL issuer.
#ifndef PKIX_CERT_CRLDP_H_
#define PKIX_CERT_CRLDP_H_

#include "cert/dplist.h"
#include "cert/typedext.h"
#include "crl/crlextn.h"
#include "crl/tcrl.h"
#include "support/ref.h"

class TX509CRLDP : public TExtn {
 public:
  // The order of the virtual operations is part of the module's binary
  // interface.
  virtual int setCertIssuer(TName* n) = 0;
  virtual int setCRLList(TCRLList* l) = 0;
  virtual TCRLList* getCRLList() = 0;
};

// CRLDistributionPoints ::= SEQUENCE SIZE (1..MAX) OF DistributionPoint
class X509CRLDP : public TypedExtn<TX509CRLDP, TExtn::EXT_CRL_DP> {
 public:
  X509CRLDP() = default;
  ~X509CRLDP() override = default;

  // Takes the value after checking it; the list of templates is read from
  // it when first asked for. 0; 4 (null); 1; 6 (a reasons field that is not
  // a bit string); 9 (malformed).
  int setValue(TBuf* value) override;
  // The issuer of the certificate holding the extension (type 0x101; null
  // clears): given to every template without a CRL issuer of its own (or
  // with the previous certificate issuer); a template's own issuer stays.
  // The value omits cRLIssuer where it equals this issuer. 0; 4 (another
  // type); or the list's error.
  int setCertIssuer(TName* n) override;
  // Replaces the templates (null clears). 0.
  int setCRLList(TCRLList* l) override;
  // The templates (a new reference); with only a certificate issuer, one
  // template named by it; null with 40 when neither is set.
  TCRLList* getCRLList() override;
  // The directory (LDAP) points of the templates (crlDistributionPoints);
  // null with the code as error.
  TDPList* getDistributionPoints();

 protected:
  TBuf* encodeValue() override;

 private:
  // Builds the templates from the value kept unread, if any. 0, or the
  // code of the failure (the value stays unread).
  int readList();

  Ref<TCRLList> list_;
  // A value checked but not yet read into templates (list_ is then null).
  Ref<TBuf> unread_;
  Ref<TName> cert_issuer_;
};

// The directory (LDAP) distribution points of revocation-list templates
// (a certificate's getCRLList, or X509CRLDP::getCRLList), in order: for each
// template, the points its distribution point name gives (a relative name
// taken relative to the template's issuer); a template without a name gives
// its issuer's directory entry. Templates naming no LDAP location add
// nothing. Every call goes through the objects' interfaces and the
// factory f (anything with createTExtn(TExtn::extn_t) and createTDPList():
// the certificate service, or the module's own factories), so a client of
// the module walks the points the same way. A new list (possibly empty)
// with *code 0; null with *code 4 (no templates) or 1 (memory).
template <class Factory>
__attribute__((no_sanitize("vptr"))) TDPList* collectDistributionPoints(TCRLList* templates, Factory& f,
                                                                       int* code) {
  if (templates == nullptr) return *code = 4, nullptr;
  Ref<TDPList> all = Ref<TDPList>::adopt(f.createTDPList());
  if (!all) return *code = 1, nullptr;
  for (Ref<TCRL> c = Ref<TCRL>::adopt(templates->getFirst()); c; c = Ref<TCRL>::adopt(templates->getNext())) {
    // A scratch issuing distribution point: the template's name, issued by
    // the template's issuer, so that a relative name and a name-less point
    // both resolve against it.
    Ref<TExtn> made = Ref<TExtn>::adopt(f.createTExtn(TExtn::EXT_ISSUING_DP));
    if (!made || made->getType() != TExtn::EXT_ISSUING_DP) return *code = 1, nullptr;
    TIDP* scratch = static_cast<TIDP*>(made.get());
    Ref<TExtnList> extns = Ref<TExtnList>::adopt(c->getCRLExtns());
    Ref<TExtn> named = Ref<TExtn>::adopt(extns ? extns->get(TExtn::EXT_ISSUING_DP) : nullptr);
    if (named && named->getType() == TExtn::EXT_ISSUING_DP) {
      Ref<TBuf> dp = Ref<TBuf>::adopt(static_cast<TIDP*>(named.get())->getDp());
      if (dp && dp->len() != 0 && scratch->setDp(dp.get()) != 0) continue;
    }
    Ref<TName> issuer = Ref<TName>::adopt(c->getTName(TName::NAME_ISSUER | TName::NAME_DN));
    if (issuer && issuer->is_empty() == 0) scratch->setIssuer(issuer.get());
    Ref<TDPList> points = Ref<TDPList>::adopt(scratch->getDistributionPoints());
    if (!points) return *code = scratch->error(), nullptr;
    for (Ref<TDP> p = Ref<TDP>::adopt(points->getFirst()); p; p = Ref<TDP>::adopt(points->getNext())) {
      if (all->append(p.get()) != 0) return *code = 1, nullptr;
    }
  }
  *code = 0;
  return all.detach();
}

#endif  // PKIX_CERT_CRLDP_H_
