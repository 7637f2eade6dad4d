// CRLEntry, the certificate object a revoked entry of a parsed list is
// handed out as: a light TCert made on demand from views into the list's
// DER, carrying what the issuer-and-serial comparison needs (serial number
// and issuer) plus the revocation date and the entry extensions. The
// operations of a full certificate that an entry has no data for answer 40.
#ifndef PKIX_CRL_CRLENTRY_H_
#define PKIX_CRL_CRLENTRY_H_

#include "cert/tcert.h"
#include "support/ref.h"

class CRLEntry : public TCert {
 public:
  // An entry over der's octets: serial (content octets of the INTEGER) and
  // extns (the crlEntryExtensions element, empty when absent) lie inside
  // der's content. issuer is the entry's issuer (type 0x101); the validity
  // runs from revoked to next.
  CRLEntry(TBuf* der, const Buffer& serial, const Buffer& extns, TName* issuer, long revoked, long next);
  CRLEntry();
  ~CRLEntry() override;

  // 1 (end entity).
  int getType() override { return error_ = 0, 1; }
  cert_format_t getFormat() override { return error_ = 0, CF_X509; }
  TBuf* getRaw() override { return unavailable<TBuf*>(); }
  int setRaw(TBuf*) override { return error_ = 40; }
  unsigned getVersion() override { return unavailable<unsigned>(); }
  int setVersion(unsigned) override { return error_ = 40; }
  // Replaces the serial number by a copy of the octets. 0, 4, 1.
  int setSerialNumber(const unsigned char* data, unsigned len) override;
  // The serial's content octets; null with 40 when there is none.
  TBuf* getSerialNumber() override;
  pki_alg_t getSignAlg() override { return unavailable<pki_alg_t>(); }
  int setSignAlg(pki_alg_t) override { return error_ = 40; }
  // A copy of the issuer for 0x101; null with 36 for other types or when
  // no issuer is set.
  TName* getName(TName::name_type_t t) override;
  TName* getNormName(TName::name_type_t t) override;
  // Sets the issuer (type 0x101, else 5; null 4).
  int setName(TName* n) override;
  // The revocation date and the list's next update. 0, 4.
  int getValidity(long* from, long* to) override;
  int setValidity(long from, long to) override;
  TKey* getKey(TKey::key_type_t) override { return unavailable<TKey*>(); }
  int setKey(TKey*) override { return error_ = 40; }
  _selector* getSelector() override { return unavailable<_selector*>(); }
  int setSelector(const _selector*) override { return error_ = 40; }
  cert_status_t getStatus() override { return error_ = 0, status_; }
  int setStatus(cert_status_t s) override { return status_ = s, error_ = 0; }
  int sign(TCert*) override { return error_ = 40; }
  TBuf* sign(TKey*, pki_alg_t, TBuf*) override { return unavailable<TBuf*>(); }
  int checkSign(TCert*) override { return error_ = 40; }
  int checkSign(TKey*, pki_alg_t, TBuf*, TBuf*) override { return error_ = 40; }
  int is_complete() override { return unavailable<int>(); }
  // 1 with a serial number and an issuer.
  int is_ident_complete() override;
  TBuf* getMD5() override { return unavailable<TBuf*>(); }
  TBuf* getSHA1() override { return unavailable<TBuf*>(); }
  TCRLList* getCRLList() override { return unavailable<TCRLList*>(); }
  int setCRLList(TCRLList*) override { return error_ = 40; }
  // The entry extensions, read on first request; null with 40 when the
  // entry has none, 9 when they cannot be read.
  TExtnList* getExtns() override;
  int setExtns(TExtnList* l) override;
  int addExtn(TExtn* e) override;
  int getCRLPeriod(long*, long*) override { return error_ = 40; }
  int setCRLPeriod(long, long) override { return error_ = 40; }
  int check() override { return error_ = 40; }
  // Entries are equal when they revoke the same certificate.
  int operator==(TCert& other) override { return areISNMatched(&other); }
  int operator!=(TCert& other) override { return areISNMatched(&other) == 1 ? 0 : 1; }
  // 1 when other has this entry's serial number and issuer.
  int areISNMatched(TCert* other) override;
  int areISNSimilar(TCert* other) override { return areISNMatched(other); }
  int isCertSimilar(TCert* other) override { return areISNMatched(other); }
  int error() override { return error_; }
  TCert* dup() override;
  int del() override { return error_ = 0; }

 private:
  template <class T>
  T unavailable() {
    error_ = 40;
    return T();
  }

  Ref<TBuf> der_;
  Buffer serial_view_{};
  Buffer extns_view_{};
  Ref<TBuf> serial_;  // a serial set by the caller
  Ref<TName> issuer_;
  Ref<TExtnList> extns_;
  bool extns_read_ = false;
  long from_ = -1;
  long to_ = -1;
  cert_status_t status_ = 0;
  int error_ = 0;
};

// 1 when a and b name the same issuer: equal DER, or equal names.
int sameIssuer(TName* a, TName* b);

#endif  // PKIX_CRL_CRLENTRY_H_
