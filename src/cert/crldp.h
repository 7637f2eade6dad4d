// X509CRLDP, the CRL distribution points extension: its value read into a
// list of revocation-list templates, one per DistributionPoint, and written
// back from them. Each template carries the point's name as an issuing
// distribution point extension, its reasons, and its CRL issuer.
#ifndef PKIX_CERT_CRLDP_H_
#define PKIX_CERT_CRLDP_H_

#include "cert/typedext.h"
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

  // Reads the value into a new list of templates. 0; 4 (null); 1; 6 (a
  // reasons field that is not a bit string); 9 (malformed).
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

 protected:
  TBuf* encodeValue() override;

 private:
  Ref<TCRLList> list_;
  Ref<TName> cert_issuer_;
};

#endif  // PKIX_CERT_CRLDP_H_
