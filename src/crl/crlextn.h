// The revocation-list extensions: the issuing distribution point (IDP), the
// certificate issuer of indirect-list entries (CertIssuer over the
// name-valued ExtnName), and two generic extensions that accept only list
// extensions (X509CRLExtn) or only entry extensions (X509CRLEntryExtn).
// Also the one mapping between reason flags and the ReasonFlags BIT STRING.
#ifndef PKIX_CRL_CRLEXTN_H_
#define PKIX_CRL_CRLEXTN_H_

#include "cert/dplist.h"
#include "cert/typedext.h"
#include "cert/x509extn.h"
#include "crl/derbuild.h"
#include "crl/tcrl.h"
#include "support/ref.h"

// Last errors of the restricted extensions.
constexpr int kExtnUnparsable = static_cast<int>(0xE0060007u);
constexpr int kExtnNotAllowed = static_cast<int>(0xE006000Au);

namespace crlreasons {
// ReasonFlags ::= BIT STRING { unused(0), keyCompromise(1), ... }
// The flags of a BIT STRING's content (the unused-bits octet, then the
// value octets); 0 or X509ASN_E_VALUE for a malformed content (out
// unchanged). Reasons past the first octet are dropped.
int fromBitString(const Buffer& content, X509CRLReasons* out);
// Prepends the BIT STRING content of r (unused-bits octet, trailing zero
// bits dropped as DER's named bit lists require) in front of b's content.
// 0 or the support library's code.
int prependBitString(X509CRLReasons r, DerBuilder& b);
}  // namespace crlreasons

// The issuing distribution point interface.
class TIDP : public TExtn {
 public:
  // The order of the virtual operations is part of the module's binary
  // interface.
  virtual int setDp(TBuf* dp) = 0;
  virtual int setDp(const unsigned char* data, unsigned len) = 0;
  virtual int setFullDp(TName* n) = 0;
  virtual TName* getFullDp() = 0;
  virtual int setRdn(TName* n) = 0;
  virtual TName* getRdn() = 0;
  virtual int setIssuer(TName* n) = 0;
  virtual TName* getIssuer() = 0;
  virtual TBuf* getDp() = 0;
  virtual TDPList* getDistributionPoints() = 0;
  virtual int setReasons(X509CRLReasons& r) = 0;
  virtual X509CRLReasons getReasons() = 0;
  virtual int isOnlyContainsUserCerts() = 0;
  virtual int onlyContainsUserCerts() = 0;
  virtual int isOnlyContainsCACerts() = 0;
  virtual int onlyContainsCACerts() = 0;
  virtual int isIndirectCRL() = 0;
  virtual int indirectCRL() = 0;
};

// The certificate issuer interface.
class TCertIssuer : public TExtn {
 public:
  virtual TName* getName() = 0;
  virtual int setName(TName* n) = 0;
};

// IssuingDistributionPoint ::= SEQUENCE {
//   distributionPoint          [0] DistributionPointName OPTIONAL,
//   onlyContainsUserCerts      [1] BOOLEAN DEFAULT FALSE,
//   onlyContainsCACerts        [2] BOOLEAN DEFAULT FALSE,
//   onlySomeReasons            [3] ReasonFlags OPTIONAL,
//   indirectCRL                [4] BOOLEAN DEFAULT FALSE,
//   onlyContainsAttributeCerts [5] BOOLEAN DEFAULT FALSE }
class IDP : public TypedExtn<TIDP, TExtn::EXT_ISSUING_DP> {
 public:
  IDP() = default;
  ~IDP() override = default;

  // Reads the value into the fields. 0; 4 (null); 9 (malformed, both
  // "only" flags set); or the distribution point name's error.
  int setValue(TBuf* value) override;
  // The DistributionPointName content ([0] fullName or [1]
  // nameRelativeToCRLIssuer with its header). 0; 4 (null or empty); 6
  // (another tag); 9 (not a name).
  int setDp(TBuf* dp) override;
  int setDp(const unsigned char* data, unsigned len) override;
  // Keep n (null clears). 0.
  int setFullDp(TName* n) override;
  TName* getFullDp() override;
  // A relative name cannot be set directly: clears it; 4 for a name.
  int setRdn(TName* n) override;
  TName* getRdn() override;
  int setIssuer(TName* n) override;
  TName* getIssuer() override;
  // The DistributionPointName element ([0] or [1]); empty without a name.
  TBuf* getDp() override;
  // The LDAP distribution points the name gives (built once and kept; a new
  // reference): with a full name, one point per directory-name or "ldap://"
  // URI component; without one, the CRL issuer extended by the relative
  // name. Error 0; 9 (and an empty list) when neither names a point; null
  // with 1 when memory is short.
  TDPList* getDistributionPoints() override;
  int setReasons(X509CRLReasons& r) override;
  X509CRLReasons getReasons() override { return reasons_; }
  int isOnlyContainsUserCerts() override { return only_user_; }
  int onlyContainsUserCerts() override { return setFlag(&only_user_); }
  int isOnlyContainsCACerts() override { return only_ca_; }
  int onlyContainsCACerts() override { return setFlag(&only_ca_); }
  int isIndirectCRL() override { return indirect_; }
  int indirectCRL() override { return setFlag(&indirect_); }

  // 1 when both describe the same scope: equal issuers and relative names,
  // full names sharing a component, and the same certificate kinds.
  int operator==(IDP& other);

 protected:
  TBuf* encodeValue() override;

 private:
  int setFlag(int* flag);
  void clearFields();
  // Keeps n (null clears) in slot and marks the value stale. 0.
  int keepName(Ref<TName>& slot, TName* n);
  // A new reference to the name in slot, or null. Error 0.
  TName* nameOf(const Ref<TName>& slot);

  Ref<TName> full_;
  Ref<TName> rdn_;
  Ref<TName> issuer_;
  Ref<TDPList> dps_;
  X509CRLReasons reasons_ = crlreasons::kAll;
  int only_user_ = 0;
  int only_ca_ = 0;
  int indirect_ = 0;
  int only_attr_ = 0;
};

// An extension whose value is one name of a fixed type; I declares
// getName() and setName(TName*).
template <class I, TExtn::extn_t kKind>
class ExtnName : public TypedExtn<I, kKind> {
 public:
  explicit ExtnName(TName::name_type_t t) : type_(t) {}

  // Reads the value as a name of the configured type. 0; 4 (null); 9.
  int setValue(TBuf* value) override;
  // A new reference to the name, or null with 40.
  TName* getName() override { return nameRef(); }
  // Keeps n. 0; 4 (null); 40 (no type configured); 5 (another type).
  int setName(TName* n) override;

 protected:
  TName* nameRef();
  TBuf* encodeValue() override;

  Ref<TName> name_;
  TName::name_type_t type_;
};

// CertificateIssuer ::= GeneralNames
class CertIssuer : public ExtnName<TCertIssuer, TExtn::EXT_CERT_ISSUER> {
 public:
  CertIssuer() : ExtnName(TName::NAME_GN) {}
  // Only general names without a role (type 2). 0; 4; 5.
  int setName(TName* n) override;
};

// A generic extension that accepts only the identifiers of kAllowed.
// setRaw: 9 with last error kExtnUnparsable for a malformed Extension,
// 9 with kExtnNotAllowed for an identifier of another kind.
template <const TExtn::extn_t* kAllowed, unsigned kCount>
class RestrictedExtn : public X509Extn {
 public:
  // Parsed from der when given (its error then tells the outcome).
  explicit RestrictedExtn(TBuf* der = nullptr) {
    if (der != nullptr) setRaw(der);
  }
  int setRaw(TBuf* in) override;
};

namespace crlextn {
extern const TExtn::extn_t kListKinds[5];
extern const TExtn::extn_t kEntryKinds[4];
}  // namespace crlextn

// Extensions of a list: authority key identifier, issuer alternative name,
// CRL number, delta CRL indicator, issuing distribution point.
using X509CRLExtn = RestrictedExtn<crlextn::kListKinds, 5>;
// Extensions of an entry: reason code, hold instruction, invalidity date,
// certificate issuer.
using X509CRLEntryExtn = RestrictedExtn<crlextn::kEntryKinds, 4>;

// A new extension read from the Extension element at der (whole element),
// in the class the extension factory gives its kind (an IDP or CertIssuer
// for those kinds); der is advanced past it. Null, der unchanged, when the
// element is malformed or its class cannot read the value.
TExtn* createCRLExtn(TBuf* der);

#endif  // PKIX_CRL_CRLEXTN_H_
