// The revocation-list interfaces: one X.509 certificate revocation list
// (TCRL) and an ordered list of them (TCRLList). X509CRL (crl/x509crl.h) and
// CRLList (crl/crllist.h) implement them.
//
// Every operation stores its outcome as the object's last error, read back
// with error(): 0 ok, 1 no memory, 4 bad argument, 5 wrong kind of object or
// name type, 6 unknown signature algorithm (or the outer and inner
// algorithms differ), 9 malformed data or a failed check, 36 not present,
// 40 nothing set. isSuccessor also leaves the warnings kCRLNotYetIssued,
// kCRLSuccessorExpired and kCRLScopeDiffers. Objects and TBufs returned
// carry one new reference for the caller; arguments are never consumed.
#ifndef PKIX_CRL_TCRL_H_
#define PKIX_CRL_TCRL_H_

#include "alg/pki_alg.h"
#include "cert/tcert.h"
#include "cert/textn.h"
#include "cert/xbase.h"
#include "contract/tbuf.h"
#include "key/tkey.h"
#include "name/tname.h"

class TDPList;

// Reason flags of a distribution point or an issuing distribution point:
// bit n (the value 1 << n) stands for reason n as the ReasonFlags BIT STRING
// numbers them (1 keyCompromise ... 7 privilegeWithdrawn); bit 0 is unused.
// aACompromise (8) lies outside the octet and is not tracked.
typedef unsigned char X509CRLReasons;

namespace crlreasons {
constexpr X509CRLReasons kNone = 0x00;
constexpr X509CRLReasons kAll = 0xFE;  // no limit: every reason
}  // namespace crlreasons

// Warnings of the successor test.
constexpr int kCRLNotYetIssued = static_cast<int>(0xE006000Du);      // this update in the future
constexpr int kCRLSuccessorExpired = static_cast<int>(0xE006000Eu);  // next update passed
constexpr int kCRLScopeDiffers = static_cast<int>(0xE006000Fu);      // issuing points differ

class TCRL : public XBase {
 public:
  // The order of the virtual operations is part of the module's binary
  // interface: do not reorder or insert; new operations go at the end.

  // 1 (X.509).
  virtual int getType() = 0;
  // Any value is stored. 0.
  virtual int setStatus(TCert::cert_status_t s) = 0;
  // The stored status, turned to 6 once the next update has passed (and
  // back to 0 first when the CRL is not issued yet).
  virtual TCert::cert_status_t getStatus() = 0;
  // The issuer as general names (type 0x102), the distinguished name
  // included; null with 40 when no issuer is set.
  virtual TName* getIssuer() = 0;
  // A copy of the issuer as distinguished name (0x101) or general names
  // (0x102); null with 4 for other types, 36 when absent.
  virtual TName* getTName(TName::name_type_t t) = 0;
  // The same name normalised; null with 9 when it cannot be.
  virtual TName* getNormName(TName::name_type_t t) = 0;
  // Sets the issuer: 0x101 the distinguished name, 0x102 the general names,
  // 2 the general names and the distinguished name found in them. 0, 4
  // (null), 5 (other types), or the name's error.
  virtual int setTName(TName* n) = 0;
  virtual pki_alg_t getSignatureAlgorithm() = 0;
  // 0; 4 when a is not a usable signature algorithm.
  virtual int setSignatureAlgorithm(pki_alg_t a) = 0;
  // With both arguments null, the DER (null with 40 when there is none).
  // Otherwise encodes and signs the list anew: the issuer certificate's
  // subject becomes the issuer, the extensions gain its authority key
  // identifier (and an issuer alternative name from its subject
  // alternative name), key (or the certificate's own private key) signs,
  // and the list becomes the one written. Null with 4 (key without
  // issuer), 40 (no signing key), 5 (a time read saturated past 2038
  // would be written wrong), 9 (encoding or signing failed; the old DER
  // stays).
  virtual TBuf* getRaw(TCert* issuer, TKey* key) = 0;
  // Parses one CertificateList at in's position (in is advanced past it).
  // Null or empty in leaves an empty list. 0, 6 (algorithm), 9 (malformed),
  // 40 (no buffer); the list is empty after a failure.
  virtual int setRaw(TBuf* in) = 0;
  // The version as X.509 counts it: 1 (v1, no version field), 2 (v2).
  virtual unsigned getVersion() = 0;
  // Only 2 is accepted (the module writes v2 lists); else 4.
  virtual int setVersion(unsigned v) = 0;
  // Seconds since 1970; -1 when not set. A parsed list without nextUpdate
  // has 0x7FFFFFFF.
  virtual long getThisReleaseTime() = 0;
  virtual int setThisReleaseTime(long t) = 0;
  virtual long getNextReleaseTime() = 0;
  virtual int setNextReleaseTime(long t) = 0;
  // The revoked entries as certificates carrying serial number, issuer,
  // revocation date (validity start) and entry extensions; null with 40
  // when the list has none.
  virtual TCertList* getRevokedCerts() = 0;
  // Appends c. 0, 4 (null), 1.
  virtual int addRevokedCert(TCert* c) = 0;
  // Replaces the entries by l (null clears). 0.
  virtual int setRevokedCerts(TCertList* l) = 0;
  virtual TExtnList* getCRLExtns() = 0;
  virtual int setCRLExtns(TExtnList* l) = 0;
  virtual int addCRLExtn(TExtn* e) = 0;
  // The issuing distribution point's locations; null with the extension's
  // error, or 40 without that extension.
  virtual TDPList* getDistributionPoints() = 0;
  // 1 when next is a valid later issue of this list, else 0 (error 5, 9,
  // 40 or kCRLScopeDiffers); on 1 the error may be kCRLNotYetIssued or
  // kCRLSuccessorExpired.
  virtual int isSuccessor(TCRL* next) = 0;
  // 0 when the signature verifies under issuer's public key; 4, 9, 40, or
  // the crypto service's code.
  virtual int checkSign(TCert* issuer) = 0;
  virtual int error() = 0;
  // A new list parsed from a copy of the DER, with the same status.
  virtual TCRL* dup() = 0;

  // The reasons of the issuing distribution point (crlreasons::kAll when
  // there is none).
  virtual X509CRLReasons getReasons() = 0;
  // Sets them, adding an issuing distribution point when there is none.
  virtual int setReasons(X509CRLReasons& r) = 0;
  // The entry revoking c (same serial number and issuer), with a new
  // reference; null with 36 when c is not on the list, 4 for null.
  virtual TCert* findRevokedCert(TCert* c) = 0;
};

class TCRLList : public XBase {
 public:
  // The order of the virtual operations is part of the module's binary
  // interface.
  virtual TCRL* getFirst() = 0;
  virtual TCRL* getNext() = 0;
  // Appends crl and adds its reasons to the coverage.
  virtual int append(TCRL* crl) = 0;
  // 33 when this very list is already present.
  virtual int strictAppend(TCRL* crl) = 0;
  virtual TCRLList& operator+=(TCRLList& other) = 0;
  virtual int clear() = 0;
  virtual int error() = 0;
  virtual bool isEmpty() = 0;
  // True when the members together cover every reason.
  virtual bool isComplete() = 0;
  // The lists as a [3] set, the last first; null when empty.
  virtual TBuf* getPKCS7Crls() = 0;
  // Reads a [3] or [1] set into the list (cleared first). 0, 4, 9.
  virtual int setPKCS7Crls(TBuf* in) = 0;
};

// A new empty list for format 1, else null.
TCRL* createTCRL(TCert::cert_format_t format);
// The same, parsed from der when given; null when that fails.
TCRL* createTCRL(TCert::cert_format_t format, TBuf* der);
TCRLList* createTCRLList();

#endif  // PKIX_CRL_TCRL_H_
