// X509Cert, the one implementation of TCert: a parsed-certificate record
// with the objects made from it (names, keys, serial, fingerprints,
// extensions) created on first request and cached; setters mark the
// certificate modified and the DER is encoded again on the next request.
#ifndef PKIX_CERT_X509CRT_H_
#define PKIX_CERT_X509CRT_H_

#include <cstdint>
#include <vector>

#include "cert/tcert.h"
#include "cert/x509.h"

// The four names a certificate holds, as getName takes them.
namespace certname {
constexpr int kIssuer = TName::NAME_ISSUER | TName::NAME_DN;
constexpr int kIssuerAlt = TName::NAME_ISSUER | TName::NAME_GN;
constexpr int kSubject = TName::NAME_SUBJECT | TName::NAME_DN;
constexpr int kSubjectAlt = TName::NAME_SUBJECT | TName::NAME_GN;
static_assert(kIssuer == 0x101 && kIssuerAlt == 0x102 && kSubject == 0x201 && kSubjectAlt == 0x202,
              "name types of the selector tags");
}  // namespace certname

class X509Cert : public TCert {
 public:
  X509Cert();
  ~X509Cert() override;

  int getType() override;
  cert_format_t getFormat() override {
    error_ = 0;
    return CF_X509;
  }
  TBuf* getRaw() override;
  int setRaw(TBuf* in) override;
  unsigned getVersion() override;
  int setVersion(unsigned v) override;
  int setSerialNumber(const unsigned char* data, unsigned len) override;
  TBuf* getSerialNumber() override;
  pki_alg_t getSignAlg() override;
  int setSignAlg(pki_alg_t a) override;
  TName* getName(TName::name_type_t t) override;
  TName* getNormName(TName::name_type_t t) override;
  int setName(TName* n) override;
  int getValidity(long* from, long* to) override;
  int setValidity(long from, long to) override;
  TKey* getKey(TKey::key_type_t t) override;
  int setKey(TKey* k) override;
  _selector* getSelector() override;
  int setSelector(const _selector* s) override;
  cert_status_t getStatus() override;
  int setStatus(cert_status_t s) override;
  int sign(TCert* signer) override;
  TBuf* sign(TKey* k, pki_alg_t a, TBuf* msg) override;
  int checkSign(TCert* issuer) override;
  int checkSign(TKey* k, pki_alg_t a, TBuf* signature, TBuf* msg) override;
  int is_complete() override;
  int is_ident_complete() override;
  TBuf* getMD5() override;
  TBuf* getSHA1() override;
  TCRLList* getCRLList() override;
  int setCRLList(TCRLList* l) override;
  TExtnList* getExtns() override;
  int setExtns(TExtnList* l) override;
  int addExtn(TExtn* e) override;
  int getCRLPeriod(long* from, long* to) override;
  int setCRLPeriod(long from, long to) override;
  int check() override;
  int operator==(TCert& other) override;
  int operator!=(TCert& other) override { return (*this == other) == 0 ? 1 : 0; }
  int areISNMatched(TCert* other) override;
  int areISNSimilar(TCert* other) override;
  int isCertSimilar(TCert* other) override;
  int error() override { return error_; }
  TCert* dup() override;
  int del() override { return error_ = 0; }

  // Parses one certificate from in (advanced past it); the object is
  // cleared first. 0, 4, 6 or 9.
  int parse(TBuf* in);
  // Writes the record, with the fields set since, as new DER. 0, 9 or 40.
  int encodeCert();
  // Distribution points are not produced yet: 0.
  int encodeCRLList() { return 0; }
  // The cached name of type t (borrowed), made from the record on first
  // use; null with 5 (type), 36 (no such name) or 9.
  TName* get_src_name(TName::name_type_t t);
  void clear();
  // The record (borrowed), or null with 9.
  x509_cert_t* getX509Struct();

 private:
  static constexpr uint32_t kOwnedCrlDp = 0x1;
  static constexpr uint32_t kOwnedSignature = 0x2;
  static constexpr uint32_t kCrlDpDone = 0x4;
  static constexpr uint32_t kModified = 0x8;

  int ensureRecord();
  TName** nameSlot(int t);
  Buffer* nameView(int t);
  TBuf* fingerprint(TBuf** slot, pki_alg_t hash, unsigned size);
  // Puts the extension list into the record as whole Extension elements.
  int recordExtensions();
  // Matches this certificate's name of type t against other's by the
  // template rule; false with the error set when they do not fit.
  bool nameFits(TCert* other, int t);

  TBuf* raw_ = nullptr;
  x509_cert_t* rec_ = nullptr;
  TBuf* md5_ = nullptr;
  TBuf* sha1_ = nullptr;
  TExtnList* extns_ = nullptr;
  TKey* pub_key_ = nullptr;
  TKey* priv_key_ = nullptr;
  TName* subject_ = nullptr;
  TName* subject_alt_ = nullptr;
  TName* issuer_ = nullptr;
  TName* issuer_alt_ = nullptr;
  TBuf* serial_ = nullptr;
  uint32_t flags_ = kModified;
  cert_status_t status_ = 0;
  pki_alg_t sign_alg_ = 0;
  int error_ = 0;
  int32_t crl_from_ = -1;
  int32_t crl_to_ = -1;
  // The octets the record's views point into besides raw (encodings of set
  // fields, the DER replaced by a new encoding), kept while they are viewed.
  std::vector<TBuf*> parts_;
  bool extns_set_ = false;
};

// A new certificate; with data and len both given, parsed from a copy of
// them (null when that fails).
TCert* createX509Cert(const unsigned char* data, unsigned len);
// Null unless fmt is 1; otherwise createX509Cert.
TCert* createTCert(TCert::cert_format_t fmt, const unsigned char* data, unsigned len);
TCert* createTCert(TCert::cert_format_t fmt);
// 4 for a null argument, 9 without the certificate's public key; else the
// key pair check of the two keys.
int checkPrivKeyConsistency(TCert* c, TKey* k, int mode);

#endif  // PKIX_CERT_X509CRT_H_
