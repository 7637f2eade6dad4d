// The certificate interface: one X.509 certificate parsed from DER, built
// field by field, or made from a selector as a search template, and the
// certificate list interface. X509Cert (cert/x509crt.h) and CertList
// (cert/certlist.h) implement them.
//
// Every operation stores its outcome as the object's last error, read back
// with error(); the pkixrc codes (support/result_codes.h): kOk, kNoMemory,
// kBadArgument (null or out-of-range argument), kWrongType, kMalformed
// (input without buffer; an extension that cannot be read), kFailed (parse,
// encode or creation failed), kNotFound (no name of that type),
// kUnavailable (value not present), kUnusableSignAlg, kKeyNotCreatable; and
// the validity codes below. Objects and TBufs returned carry one new
// reference for the caller; arguments are never consumed.
#ifndef PKIX_CERT_TCERT_H_
#define PKIX_CERT_TCERT_H_

#include "alg/pki_alg.h"
#include "cert/textn.h"
#include "cert/xbase.h"
#include "contract/tbuf.h"
#include "key/tkey.h"
#include "name/sel.h"
#include "name/tname.h"
#include "support/result_codes.h"

class TCRLList;

// Validity codes, in the host framework's error space.
constexpr int kCertNotYetValid = static_cast<int>(0xE0060008u);
constexpr int kCertExpired = static_cast<int>(0xE0060009u);
constexpr int kCertUnknownCritical = static_cast<int>(0xE006000Au);
constexpr int kCertBeforeCRLPeriod = static_cast<int>(0xE006000Du);
constexpr int kCertAfterCRLPeriod = static_cast<int>(0xE006000Eu);

class TCert : public XBase {
 public:
  enum cert_format_t : int { CF_NONE = 0, CF_X509 = 1 };
  // The verdict getStatus answers: CS_NONE until there is one,
  // CS_OUT_OF_VALIDITY when the certificate is outside its validity,
  // CS_STICKY a verdict the validity logic keeps (see getStatus). Other
  // values are the callers' own, stored as given.
  typedef int cert_status_t;
  enum : cert_status_t { CS_NONE = 0, CS_OUT_OF_VALIDITY = 6, CS_STICKY = 7 };
  // What getType answers.
  enum cert_type_t : int { CT_UNDETERMINED = 0, CT_END_ENTITY = 1, CT_AUTHORITY = 2 };

  // The order of the virtual operations is part of the module's binary
  // interface: do not reorder or insert.

  // CT_END_ENTITY, or CT_AUTHORITY (a v1/v2 certificate, or a v3 one whose
  // basic constraints say cA). CT_UNDETERMINED with kUnavailable (no record
  // or version) or kFailed (unreadable basic constraints).
  virtual int getType() = 0;
  // CF_X509; error kOk.
  virtual cert_format_t getFormat() = 0;
  // The DER (a new TBuf viewing the certificate's octets), encoded first
  // when a setter changed the certificate. Null with the encoding's code
  // (kNoMemory, kFailed, kUnavailable without a public key) or kFailed when
  // there is no DER.
  virtual TBuf* getRaw() = 0;
  // Parses one certificate from in, advances in past it, maps its signature
  // algorithm and makes its public key. The object is cleared first. 0;
  // kBadArgument (null), kMalformed (no buffer), kFailed (not a
  // certificate), kUnusableSignAlg, kKeyNotCreatable. On failure the object
  // is left cleared; in stays where it was when the octets are not a
  // certificate, and past the certificate when it is one the module cannot
  // use (kUnusableSignAlg, kKeyNotCreatable).
  virtual int setRaw(TBuf* in) = 0;
  // 0, 1, 2 for v1..v3; 0 with kUnavailable when unknown.
  virtual unsigned getVersion() = 0;
  // v below 3; kBadArgument otherwise, kNoMemory without a record.
  virtual int setVersion(unsigned v) = 0;
  // Stores a copy of the serial octets. kBadArgument for null or empty,
  // kFailed when the copy cannot be made.
  virtual int setSerialNumber(const unsigned char* data, unsigned len) = 0;
  // The serial octets, or null with kUnavailable (none) or kFailed.
  virtual TBuf* getSerialNumber() = 0;
  // The signature algorithm; 0 with kUnavailable when not known.
  virtual pki_alg_t getSignAlg() = 0;
  // kBadArgument for an algorithm without a key or hash part; the next
  // encoding writes the new algorithm's identifier.
  virtual int setSignAlg(pki_alg_t a) = 0;
  // A copy of the name of type 0x101 issuer, 0x102 issuer alt, 0x201
  // subject, 0x202 subject alt. Null with kWrongType (another type),
  // kNotFound (no such name) or kFailed.
  virtual TName* getName(TName::name_type_t t) = 0;
  // The same name normalised; null with the codes of getName or the name's.
  virtual TName* getNormName(TName::name_type_t t) = 0;
  // Stores a copy of n in the slot its type names. kBadArgument (null),
  // kWrongType (a type getName does not take), kFailed (no copy).
  virtual int setName(TName* n) = 0;
  // Copies not before and not after (seconds since 1970 UTC). kBadArgument
  // (null pointer), kUnavailable (no record), kFailed (not set).
  virtual int getValidity(long* from, long* to) = 0;
  virtual int setValidity(long from, long to) = 0;
  // The public (KT_PUBLIC) or private (KT_PRIVATE) key. Null with
  // kBadArgument (another type) or kUnavailable (not held).
  virtual TKey* getKey(TKey::key_type_t t) = 0;
  // Holds k in the slot of its type; a private key is kept for signing and
  // never encoded. kBadArgument, kWrongType, kNoReference.
  virtual int setKey(TKey* k) = 0;
  // A selector for the certificate (the caller frees it with sel_destroy),
  // cached after the first call; null with kFailed.
  virtual _selector* getSelector() = 0;
  // Makes the certificate a template for the selector. kBadArgument,
  // kWrongType (the selector names another format), kFailed.
  virtual int setSelector(const _selector* s) = 0;
  // The status, brought up to date with the clock (support/clock.h):
  // without a record it becomes CS_NONE. Before not before: error
  // kCertNotYetValid and the answer CS_STICKY for a CS_STICKY authority,
  // else CS_OUT_OF_VALIDITY (the stored status is not changed). After a set
  // not after: error kCertExpired and the status becomes CS_OUT_OF_VALIDITY
  // unless it is CS_STICKY on an authority. Otherwise before the CRL period
  // kCertBeforeCRLPeriod, after it kCertAfterCRLPeriod, and the status
  // becomes CS_NONE unless it is CS_STICKY. Answers the status.
  virtual cert_status_t getStatus() = 0;
  // Stores s: before not before only over CS_NONE, otherwise over anything
  // but CS_STICKY. Without a record nothing changes. Always kOk.
  virtual int setStatus(cert_status_t s) = 0;
  // Signs the certificate (encoded first when modified) with signer's
  // private key and the certificate's signature algorithm. The certificate
  // owns the signature; it enters the DER at the next encoding (getRaw).
  // kBadArgument, the signer's error when it has no private key, the
  // encoding's or the crypto service's code.
  virtual int sign(TCert* signer) = 0;
  // The signature of msg under k (null: the certificate's private key,
  // kUnavailable without one) with algorithm a; the caller owns it. Null
  // with the crypto service's code.
  virtual TBuf* sign(TKey* k, pki_alg_t a, TBuf* msg) = 0;
  // 0 when the signature verifies under issuer's public key; kBadArgument,
  // the issuer's error without a key, the crypto service's code otherwise.
  virtual int checkSign(TCert* issuer) = 0;
  // 0 when signature is msg's under k (null: the certificate's public key,
  // kUnavailable without one) and a.
  virtual int checkSign(TKey* k, pki_alg_t a, TBuf* signature, TBuf* msg) = 0;
  // 1 when the certificate was parsed from DER and holds DER, a record with
  // validity and version, a public key with DER, and is_ident_complete();
  // else 0 with kUnavailable.
  virtual int is_complete() = 0;
  // 1 when it has an issuer and no name of it is a selector pattern; 0
  // (kUnavailable when serial, record and key are all absent).
  virtual int is_ident_complete() = 0;
  // The MD5 (16 octets) and SHA-1 (20 octets) fingerprints of the current
  // DER, computed once. Null with kUnavailable (no DER), kNoMemory or the
  // hash's code.
  virtual TBuf* getMD5() = 0;
  virtual TBuf* getSHA1() = 0;
  // The CRL distribution points as a list of CRL templates (a new
  // reference): one per point, carrying the point's name as an issuing
  // distribution point, its reasons and its CRL issuer (the certificate's
  // issuer where the point names none). Without the extension, one
  // template named by the issuer. For a CA certificate every template's
  // issuing distribution point says it covers only CA certificates. Null
  // with kUnavailable (no extension and no issuer), kFailed, kNoMemory.
  virtual TCRLList* getCRLList() = 0;
  // Makes l the distribution points (shared, not copied), adding the
  // extension when the certificate has none; written on the next encoding.
  // 0; kBadArgument for null; kNoMemory; the extension list's code.
  virtual int setCRLList(TCRLList* l) = 0;
  // The extension list, built from the record on first request and cached.
  // An extension that its kind's class cannot read (a malformed key usage,
  // authority key identifier, extended key usage ...) is kept in the list
  // unread, as an unrecognised extension (kind 0) with its identifier and
  // DER: the list is returned and the error is kMalformed. Null with
  // kFailed (no record, or the extensions are not Extension elements) or
  // kNoMemory.
  virtual TExtnList* getExtns() = 0;
  // Holds l (null drops the list); the next encoding writes it.
  // kNoReference.
  virtual int setExtns(TExtnList* l) = 0;
  // Adds e to the list (starting from the certificate's own extensions),
  // replacing one with the same identifier. kBadArgument, kNoMemory, the
  // list's code.
  virtual int addExtn(TExtn* e) = 0;
  // Copies the CRL period (-1 unset). kBadArgument for a null pointer.
  virtual int getCRLPeriod(long* from, long* to) = 0;
  // kBadArgument when from is after to. While the clock is inside the
  // stored period the period may only narrow: (-1, -1) resets it, another
  // negative from is kBadArgument, a later from and an earlier to are
  // taken, the rest kept. Outside it both values are stored as given.
  virtual int setCRLPeriod(long from, long to) = 0;
  // 0 when the clock is inside the validity and nothing critical is left
  // unrecognised. kUnavailable (no record); kCertUnknownCritical for an
  // unrecognised critical extension, and for a recognised critical one
  // that cannot be read (see getExtns); kCertNotYetValid while not before
  // is now or later; kCertExpired from not after on.
  virtual int check() = 0;
  // 1 when the two are the same certificate (type, validity, issuer and
  // serial, names, key algorithm, a fingerprint); 0 otherwise, with
  // kUnavailable when data are missing.
  virtual int operator==(TCert& other) = 0;
  virtual int operator!=(TCert& other) = 0;
  // 1 when both have the same issuer and serial number.
  virtual int areISNMatched(TCert* other) = 0;
  // 1 when this certificate fits other's issuer and serial as a pattern.
  virtual int areISNSimilar(TCert* other) = 0;
  // 1 when this certificate fits other as a template.
  virtual int isCertSimilar(TCert* other) = 0;
  virtual int error() = 0;
  // A new certificate with the same content, names, keys and status; the
  // extension list is rebuilt on demand. Null with kNoMemory or kFailed.
  virtual TCert* dup() = 0;
  // kOk; the object goes with its last holder.
  virtual int del() = 0;
};

class TCertList : public XBase {
 public:
  // The order of the virtual operations is part of the module's binary
  // interface.

  // The element at the new cursor position (a new reference), or null at
  // either end; kUnavailable when the object holds no list (after a failed
  // setSelector). Walking past the last element leaves the cursor on it;
  // walking back past the first parks it before the first.
  virtual TCert* getFirst() = 0;
  virtual TCert* getNext() = 0;
  virtual TCert* getLast() = 0;
  virtual TCert* getPrev() = 0;
  // Adds c with a reference of its own. 0; kUnavailable (no list),
  // kNoMemory, kNoReference.
  virtual int append(TCert* c) = 0;
  virtual int pushFront(TCert* c) = 0;
  // Removes the element at the cursor; the cursor moves to the one before.
  virtual int del() = 0;
  // The certificates as a [2] set, in reverse list order (a new TBuf);
  // null with kFailed when the list is empty or a certificate has no DER.
  virtual TBuf* getPKCS7Certificates() = 0;
  // Empties the list and reads a [0] or [2] set from in (advanced past the
  // certificates read). 0; -408 without a list, -7 for a null in, -34 for
  // an in without buffer, the decoder's negative code for another element;
  // a certificate's or the list's code, the certificates read so far kept.
  virtual int setPKCS7Certificates(TBuf* in) = 0;
  // A new list of the elements similar to (fuzzy) or equal to (strict) c,
  // each element compared with c as the template (reverse: c compared with
  // each). The cursor stays where it was. Null with kUnavailable or the
  // walk's code.
  virtual TCertList* fuzzyFind(TCert* c, int reverse) = 0;
  virtual TCertList* strictFind(TCert* c, int reverse) = 0;
  // True without an element, or when the first cannot be had; moves the
  // cursor to the start.
  virtual bool isEmpty() = 0;
  // Appends the elements of other in order, stopping at the first failing
  // append (whose code is kept); else the error becomes other's.
  virtual TCertList& operator+=(TCertList& other) = 0;
  virtual int error() = 0;
};

#endif  // PKIX_CERT_TCERT_H_
