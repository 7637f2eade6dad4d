// The revocation list wrappers: how client code holds a CRL (aCrl), a list
// of them (aCrlList), a certificate's distribution points extension (aCDP)
// and an issuing distribution point extension (aIdp).
#ifndef PKIX_MODULE_PKIXACRL_H_
#define PKIX_MODULE_PKIXACRL_H_

#include "cert/crldp.h"
#include "crl/crlextn.h"
#include "crl/tcrl.h"
#include "support/abuf.h"
#include "module/pkixacert.h"
#include "module/pkixaextn.h"
#include "module/pkixalist.h"
#include "module/pkixaname.h"
#include "module/pkixwrap.h"

// Operations follow the wrapper rules (module/pkixwrap.h): codes become the
// error, plain values and objects take the list's error. An empty wrapper
// answers 40 and its failure value without calling: 0xdeadbeaf from
// getVersion, -1 from getThisUpdate and getNextUpdate, 0 otherwise.
class aCrl : public PKIXObject<TCRL> {
 public:
  // What an empty wrapper's getVersion answers.
  static constexpr unsigned kNoVersion = 0xdeadbeafu;

  explicit aCrl(TCRL* c = nullptr) : PKIXObject<TCRL>(c) {}
  // Through the certificate service client: an empty list, or one parsed
  // from der. Empty (40) when nothing comes back; the wrapper holds the
  // only reference.
  explicit aCrl(TCert::cert_format_t f);
  aCrl(TCert::cert_format_t f, aBuf& der);
  aCrl(const aCrl& other) : PKIXObject<TCRL>(other) {}
  ~aCrl() override;

  int getType() const;
  TCert::cert_status_t getStatus() const;
  int setStatus(TCert::cert_status_t s);
  unsigned getVersion() const;
  int setVersion(unsigned v);
  pki_alg_t getSignAlg() const;
  int setSignAlg(pki_alg_t a);
  // The issuer as general names.
  aName getIssuer() const;
  aName getName(TName::name_type_t t) const;
  aName getNormName(TName::name_type_t t) const;
  int setName(aName& n);
  long getThisUpdate() const;
  int setThisUpdate(long t);
  long getNextUpdate() const;
  int setNextUpdate(long t);
  aCertList getRevokedCerts() const;
  int setRevokedCerts(aCertList& l);
  int addRevokedCert(aCert& c);
  // The entry revoking c.
  aCert findRevokedCert(aCert& c) const;
  aExtnList getCRLExtns() const;
  int setCRLExtns(aExtnList& l);
  int addCRLExtn(aExtn& e);
  int setRaw(aBuf& der);
  // The DER; signer is passed on (an empty signer asks for the DER read).
  aBuf getRaw(aCert& signer) const;
  int checkSign(aCert& issuer);
  int isSuccessor(aCrl& next);
  X509CRLReasons getReasons() const;
  int setReasons(X509CRLReasons& r);
  aCrl dup() const;

 private:
  aCrl& operator=(const aCrl&) = delete;
};

// An empty wrapper answers isEmpty with true.
class aCrlList : public PKIXObject<TCRLList> {
 public:
  explicit aCrlList(TCRLList* l) : PKIXObject<TCRLList>(l) {}
  // A new empty list through the certificate service client.
  aCrlList();
  aCrlList(const aCrlList& other) : PKIXObject<TCRLList>(other) {}
  ~aCrlList() override;

  aCrl getFirst();
  aCrl getNext();
  int append(aCrl& c);
  int strictAppend(aCrl& c);
  aCrlList& operator+=(const aCrlList& other);
  int clear();
  bool isEmpty() const;
  bool isComplete() const;
  aBuf getPKCS7Crls() const;
  int setPKCS7Crls(aBuf& in);

 private:
  aCrlList& operator=(const aCrlList&) = delete;
};

// A certificate's CRL distribution points (kind 15) as CRL templates.
class aCDP : public aExtnChild<TX509CRLDP, TExtn::EXT_CRL_DP> {
 public:
  aCDP() = default;
  explicit aCDP(aExtn& generic) : aExtnChild(generic) {}
  ~aCDP() override;

  int setCertIssuer(aName& n);
  int setCRLList(aCrlList& l);
  aCrlList getCRLList() const;
};

// An issuing distribution point (kind 5). onlyContainsUserCerts,
// onlyContainsCACerts and indirectCRL set their flag; the is... forms read
// it.
class aDPList;

class aIdp : public aExtnChild<TIDP, TExtn::EXT_ISSUING_DP> {
 public:
  aIdp() = default;
  explicit aIdp(aExtn& generic) : aExtnChild(generic) {}
  ~aIdp() override;

  int setDp(aBuf& dp);
  aBuf getDp() const;
  int setFullDp(aName& n);
  aName getFullDp() const;
  int setRdn(aName& n);
  aName getRdn() const;
  int setIssuer(aName& n);
  aName getIssuer() const;
  // The extension's distribution points as directory points (built once and
  // kept by the extension); an empty list wrapper with the extension's error
  // when they cannot be built, 40 when empty.
  aDPList getDistributionPoints() const;
  int setReasons(X509CRLReasons& r);
  X509CRLReasons getReasons() const;
  int onlyContainsUserCerts();
  int isOnlyContainsUserCerts() const;
  int onlyContainsCACerts();
  int isOnlyContainsCACerts() const;
  int indirectCRL();
  int isIndirectCRL() const;
};

#endif  // PKIX_MODULE_PKIXACRL_H_
