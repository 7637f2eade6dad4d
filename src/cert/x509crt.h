// X509Cert, the one implementation of TCert: a parsed-certificate record
// with the objects made from it (names, keys, serial, fingerprints,
// extensions) created on first request and cached; setters mark the
// certificate modified and the DER is encoded again on the next request.
#ifndef PKIX_CERT_X509CRT_H_
#define PKIX_CERT_X509CRT_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "cert/crldp.h"
#include "cert/tcert.h"
#include "cert/x509.h"
#include "key/ccdC.h"
#include "support/ref.h"

// The four names a certificate holds, as getName takes them.
namespace certname {
constexpr int kIssuer = TName::NAME_ISSUER | TName::NAME_DN;
constexpr int kIssuerAlt = TName::NAME_ISSUER | TName::NAME_GN;
constexpr int kSubject = TName::NAME_SUBJECT | TName::NAME_DN;
constexpr int kSubjectAlt = TName::NAME_SUBJECT | TName::NAME_GN;
static_assert(kIssuer == 0x101 && kIssuerAlt == 0x102 && kSubject == 0x201 && kSubjectAlt == 0x202,
              "name types of the selector tags");
}  // namespace certname

// The certificate's public key, made from the DER of its
// SubjectPublicKeyInfo on first use. setRaw defers only a key that
// publicKeyDeferrable (key/x509key.h) has found creatable, so deferring
// changes no outcome; every other key is made at once. Used like the
// Ref<TKey> it wraps: any read makes the key.
class LazyPublicKey {
 public:
  // Drops the key and what was deferred; with adopted, holds that key.
  void reset(TKey* adopted = nullptr) {
    key_.reset(adopted);
    der_ = nullptr;
    len_ = 0;
  }
  // Drops the key; the next read makes one from the len octets at der,
  // which must stay alive (they lie in the certificate's own DER).
  void defer(const unsigned char* der, unsigned len) {
    key_.reset();
    der_ = der;
    len_ = len;
  }
  // The key (made now when it was deferred), or null.
  TKey* get() const { return ref().get(); }
  TKey* operator->() const { return get(); }
  explicit operator bool() const { return get() != nullptr; }
  // The holder itself, after making a deferred key.
  Ref<TKey>& ref() const;

 private:
  mutable Ref<TKey> key_;
  mutable const unsigned char* der_ = nullptr;
  mutable unsigned len_ = 0;
};

class X509Cert : public TCert {
 public:
  X509Cert();
  ~X509Cert() override;

  int getType() override;
  cert_format_t getFormat() override {
    error_ = pkixrc::kOk;
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
  int del() override { return error_ = pkixrc::kOk; }

  // Parses one certificate from in (advanced past it); the object is
  // cleared first. 0; 4 (null in), 6 (in without buffer), 9 (not a
  // certificate: the object stays cleared, in unchanged).
  int parse(TBuf* in);
  // parse and setRaw; with sole_owner the caller hands in a buffer no one
  // else sees, which the object keeps as its octets when the certificate
  // fills it (in is then not advanced). Codes as parse and setRaw.
  int parseFrom(TBuf* in, bool sole_owner);
  int setRawFrom(TBuf* in, bool sole_owner);
  // Writes the record, with the fields set since, as new DER into raw and
  // reads it back so that every view points into it. 0; 1 (no record), 9
  // (a field or the whole cannot be encoded), 40 (no public key). On
  // failure raw is empty and the record keeps the fields set.
  int encodeCert();
  // After the distribution points changed (setCRLList, or a distribution
  // point extension set or added), gives the certificate's issuer to that
  // extension and points the record's crl_dp view at its new value (kept
  // alive until the next read-back). 0 when unchanged or when there is no
  // such extension; 9 when the value cannot be encoded.
  int encodeCRLList();
  // The cached name of type t (borrowed), made from the record on first
  // use; null with 5 (type), 36 (no such name) or 9.
  TName* get_src_name(TName::name_type_t t);
  // Drops every field: the object is as new (nothing parsed, modified).
  void clear();
  // The record (borrowed), or null with 9.
  x509_cert_t* getX509Struct();

 private:
  // The parsed record owns the two buffers of unrecognised extensions and
  // the selector; releasing it frees them.
  struct RecordRelease {
    void operator()(x509_cert_t* r) const { x509_release_cert(r); }
  };
  using RecordPtr = std::unique_ptr<x509_cert_t, RecordRelease>;

  int ensureRecord();
  Ref<TName>* nameSlot(int t);
  Buffer* nameView(int t);
  TBuf* fingerprint(Ref<TBuf>* slot, pki_alg_t hash, unsigned size);
  // Keeps octets the record views alive until the next encoding reads the
  // record back from its own DER.
  void keepViewed(Ref<TBuf> octets) { parts_.push_back(std::move(octets)); }
  // What signing and checking work on: other's key of type t in *key and
  // a view of the TBSCertificate (encoded first when modified) in *tbs. 0;
  // kBadArgument (null other), other's error when it has no such key, the
  // encoding's code, kNoMemory.
  int signedPart(TCert* other, TKey::key_type_t t, Ref<TKey>* key, Ref<TBuf>* tbs);
  // Puts the extension list into the record as whole Extension elements.
  int recordExtensions();
  // The extension list read from the record's extensions (a new list), or
  // null with the code in *code. An extension its kind's class cannot read
  // is kept unread, as an unrecognised one: *code is then 6 and
  // unreadable_critical_ tells whether such an extension was critical.
  TExtnList* readExtns(int* code);
  // The distribution points extension of the extension list (read from
  // the record first when needed), or null when there is none.
  Ref<TX509CRLDP> findCrlDp();
  // Gives the certificate's issuer, when it has a non-empty one, to dp.
  // 0 or dp's code.
  int giveIssuer(TX509CRLDP* dp);
  // Matches this certificate's name of type t against other's by the
  // template rule; false with the error set when they do not fit.
  bool nameFits(TCert* other, int t);

  Ref<TBuf> raw_;
  RecordPtr rec_;
  Ref<TBuf> md5_;
  Ref<TBuf> sha1_;
  Ref<TExtnList> extns_;
  LazyPublicKey pub_key_;
  Ref<TKey> priv_key_;
  Ref<TName> subject_;
  Ref<TName> subject_alt_;
  Ref<TName> issuer_;
  Ref<TName> issuer_alt_;
  Ref<TBuf> serial_;
  // Set by every setter: raw no longer holds what the fields say.
  bool modified_ = true;
  // The extension list was set or added to: the next encoding writes it.
  bool extns_set_ = false;
  // The outcome of reading the record's extensions: 0, or 6 when one was
  // kept unread; and whether an unread one is critical.
  int extns_error_ = pkixrc::kOk;
  bool unreadable_critical_ = false;
  // The distribution points changed since the last encoding.
  bool crl_dp_changed_ = false;
  cert_status_t status_ = CS_NONE;
  pki_alg_t sign_alg_ = 0;
  int error_ = pkixrc::kOk;
  int32_t crl_from_ = -1;
  int32_t crl_to_ = -1;
  // Every octet string the record views besides raw (encodings of set
  // fields, a new signature, the DER replaced by a new encoding), kept
  // while it is viewed.
  std::vector<Ref<TBuf>> parts_;
  // Held from the first fingerprint on: the crypto service stays bound for
  // this object's further hashes and checks.
  std::unique_ptr<ccdServiceUse> crypto_use_;
};

// A new certificate (one reference for the caller); with data and len both
// given, parsed from a copy of them with setRaw. Null when memory is short
// or the octets are not a usable certificate.
TCert* createX509Cert(const unsigned char* data, unsigned len);
// Null unless fmt is CF_X509; otherwise createX509Cert.
TCert* createTCert(TCert::cert_format_t fmt, const unsigned char* data, unsigned len);
TCert* createTCert(TCert::cert_format_t fmt);
// 4 (kBadArgument) for a null argument, 9 (kFailed) without the
// certificate's public key; else the key pair check of the two keys.
int checkPrivKeyConsistency(TCert* c, TKey* k, int mode);

#endif  // PKIX_CERT_X509CRT_H_
