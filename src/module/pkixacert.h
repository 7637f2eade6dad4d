// The certificate wrapper: how client code holds a certificate (TCert).
#ifndef PKIX_MODULE_PKIXACERT_H_
#define PKIX_MODULE_PKIXACERT_H_

#include "cert/tcert.h"
#include "support/abuf.h"
#include "module/pkixaextn.h"
#include "module/pkixakey.h"
#include "module/pkixaname.h"
#include "module/pkixwrap.h"

class aCrlList;

// Operations follow the wrapper rules (module/pkixwrap.h): codes become the
// error, plain values and objects take the certificate's error; an empty
// wrapper answers 40 and its failure value (-1 from getVersion) without
// calling.
class aCert : public PKIXObject<TCert> {
 public:
  explicit aCert(TCert* c = nullptr) : PKIXObject<TCert>(c) {}
  // Through the certificate service client; empty (40) when nothing comes
  // back. The wrapper holds the only reference.
  explicit aCert(TCert::cert_format_t f);
  aCert(TCert::cert_format_t f, const unsigned char* data, unsigned len);
  aCert(TCert::cert_format_t f, aBuf& der);
  aCert(const aCert& other) : PKIXObject<TCert>(other) {}
  ~aCert() override;

  int getType() const;
  TCert::cert_format_t getFormat() const;
  aBuf getRaw() const;
  int setRaw(aBuf& der);
  int getVersion() const;
  int setVersion(unsigned v);
  int setSerialNumber(aBuf& serial);
  aBuf getSerialNumber() const;
  pki_alg_t getSignAlg() const;
  int setSignAlg(pki_alg_t a);
  aName getName(TName::name_type_t t) const;
  aName getNormName(TName::name_type_t t) const;
  int setName(aName& n);
  int getValidity(long& from, long& to) const;
  int setValidity(long from, long to);
  aKey getKey(TKey::key_type_t t) const;
  int setKey(aKey& k);
  // A new selector (sel_destroy), or null.
  _selector* getSelector() const;
  int setSelector(const _selector* s);
  TCert::cert_status_t getStatus() const;
  int setStatus(TCert::cert_status_t s);
  int checkSign(const aCert& issuer);
  int is_complete() const;
  int is_ident_complete() const;
  aBuf getMD5() const;
  aBuf getSHA1() const;
  // The distribution points as CRL templates (module/pkixacrl.h).
  aCrlList getCrlList() const;
  int setCrlList(aCrlList& l);
  aExtnList getExtns() const;
  int setExtns(aExtnList& l);
  int addExtn(aExtn& e);
  int getCrlPeriod(long& from, long& to) const;
  int setCrlPeriod(long from, long to);
  int check();
  int operator==(const aCert& other) const;
  int operator!=(const aCert& other) const;
  int areISNMatched(const aCert& other) const;
  int areISNSimilar(const aCert& other) const;
  int isCertSimilar(const aCert& other) const;
  int del();

 private:
  aCert& operator=(const aCert&) = delete;
};

#endif  // PKIX_MODULE_PKIXACERT_H_
