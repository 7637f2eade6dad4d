// The certificate interface: one X.509 certificate parsed from DER, built
// field by field, or made from a selector as a search template, and the
// certificate list interface. X509Cert (cert/x509crt.h) and CertList
// (cert/certlist.h) implement them.
//
// Every operation stores its outcome as the object's last error, read back
// with error(): 0 ok, 1 no memory, 4 null or out-of-range argument, 5 wrong
// type, 6 input without buffer, 9 parse, encode or creation failed, 36 no
// name of that type, 40 value not present, 68 unusable signature
// algorithm, 69 public key not creatable; validity: 0xE0060008 not yet
// valid, 0xE0060009 expired, 0xE006000A unrecognised critical extension,
// 0xE006000D before and 0xE006000E after the CRL period. Objects and TBufs
// returned carry one new reference for the caller; arguments are never
// consumed.
#ifndef PKIX_CERT_TCERT_H_
#define PKIX_CERT_TCERT_H_

#include "alg/pki_alg.h"
#include "cert/textn.h"
#include "cert/xbase.h"
#include "contract/tbuf.h"
#include "key/tkey.h"
#include "name/sel.h"
#include "name/tname.h"

class TCRLList;

// Validity error codes.
constexpr int kCertNotYetValid = static_cast<int>(0xE0060008u);
constexpr int kCertExpired = static_cast<int>(0xE0060009u);
constexpr int kCertUnknownCritical = static_cast<int>(0xE006000Au);
constexpr int kCertBeforeCRLPeriod = static_cast<int>(0xE006000Du);
constexpr int kCertAfterCRLPeriod = static_cast<int>(0xE006000Eu);

class TCert : public XBase {
 public:
  enum cert_format_t : int { CF_NONE = 0, CF_X509 = 1 };
  // 0 no verdict, 6 outside validity, 7 a sticky verdict; others are the
  // callers'.
  typedef int cert_status_t;

  // The order of the virtual operations is part of the module's binary
  // interface: do not reorder or insert.

  // 1 end entity, 2 certification authority, 0 undetermined (error).
  virtual int getType() = 0;
  virtual cert_format_t getFormat() = 0;
  // The DER, encoded first when a setter changed the certificate.
  virtual TBuf* getRaw() = 0;
  // Parses one certificate from in (in advanced past it) and makes its key.
  virtual int setRaw(TBuf* in) = 0;
  // 0, 1, 2 for v1..v3; 0 with 40 when unknown.
  virtual unsigned getVersion() = 0;
  virtual int setVersion(unsigned v) = 0;
  virtual int setSerialNumber(const unsigned char* data, unsigned len) = 0;
  virtual TBuf* getSerialNumber() = 0;
  virtual pki_alg_t getSignAlg() = 0;
  virtual int setSignAlg(pki_alg_t a) = 0;
  // Types 0x101 issuer, 0x102 issuer alt, 0x201 subject, 0x202 subject alt.
  virtual TName* getName(TName::name_type_t t) = 0;
  virtual TName* getNormName(TName::name_type_t t) = 0;
  virtual int setName(TName* n) = 0;
  virtual int getValidity(long* from, long* to) = 0;
  virtual int setValidity(long from, long to) = 0;
  virtual TKey* getKey(TKey::key_type_t t) = 0;
  virtual int setKey(TKey* k) = 0;
  // A selector for the certificate (the caller frees it with sel_destroy).
  virtual _selector* getSelector() = 0;
  // Makes the certificate a template for the selector.
  virtual int setSelector(const _selector* s) = 0;
  virtual cert_status_t getStatus() = 0;
  virtual int setStatus(cert_status_t s) = 0;
  virtual int sign(TCert* signer) = 0;
  virtual TBuf* sign(TKey* k, pki_alg_t a, TBuf* msg) = 0;
  // 0 when the signature verifies under issuer's key.
  virtual int checkSign(TCert* issuer) = 0;
  virtual int checkSign(TKey* k, pki_alg_t a, TBuf* signature, TBuf* msg) = 0;
  virtual int is_complete() = 0;
  virtual int is_ident_complete() = 0;
  virtual TBuf* getMD5() = 0;
  virtual TBuf* getSHA1() = 0;
  virtual TCRLList* getCRLList() = 0;
  virtual int setCRLList(TCRLList* l) = 0;
  virtual TExtnList* getExtns() = 0;
  virtual int setExtns(TExtnList* l) = 0;
  virtual int addExtn(TExtn* e) = 0;
  virtual int getCRLPeriod(long* from, long* to) = 0;
  virtual int setCRLPeriod(long from, long to) = 0;
  // 0 when inside validity with no unrecognised critical extension.
  virtual int check() = 0;
  virtual int operator==(TCert& other) = 0;
  virtual int operator!=(TCert& other) = 0;
  // 1 when both have the same issuer and serial number.
  virtual int areISNMatched(TCert* other) = 0;
  // 1 when this certificate fits other's issuer and serial as a pattern.
  virtual int areISNSimilar(TCert* other) = 0;
  // 1 when this certificate fits other as a template.
  virtual int isCertSimilar(TCert* other) = 0;
  virtual int error() = 0;
  virtual TCert* dup() = 0;
  virtual int del() = 0;
};

class TCertList : public XBase {
 public:
  // The order of the virtual operations is part of the module's binary
  // interface.
  virtual TCert* getFirst() = 0;
  virtual TCert* getNext() = 0;
  virtual TCert* getLast() = 0;
  virtual TCert* getPrev() = 0;
  virtual int append(TCert* c) = 0;
  virtual int pushFront(TCert* c) = 0;
  // Removes the element at the cursor.
  virtual int del() = 0;
  // The certificates as a [2] set, in reverse list order; null when empty.
  virtual TBuf* getPKCS7Certificates() = 0;
  // Reads a [0] or [2] set from in; 0, a negative code, or a certificate's
  // or the list's error.
  virtual int setPKCS7Certificates(TBuf* in) = 0;
  // A new list of the elements similar to (fuzzy) or equal to (strict) c.
  virtual TCertList* fuzzyFind(TCert* c, int reverse) = 0;
  virtual TCertList* strictFind(TCert* c, int reverse) = 0;
  virtual bool isEmpty() = 0;
  virtual TCertList& operator+=(TCertList& other) = 0;
  virtual int error() = 0;
};

#endif  // PKIX_CERT_TCERT_H_
