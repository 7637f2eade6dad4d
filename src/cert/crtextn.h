// The subject and issuer alternative-name extensions (kinds 12 and 2),
// whose value is a general-names object.
#ifndef PKIX_CERT_CRTEXTN_H_
#define PKIX_CERT_CRTEXTN_H_

#include "cert/typedext.h"
#include "name/tname.h"

class TAltSubject : public TExtn {
 public:
  virtual TName* getName() = 0;
  // Holds n and marks the value stale. 0; kBadArgument (null), kWrongType
  // (a name of another type than 0x202), kNoReference.
  virtual int setName(TName* n) = 0;
};

class TAltIssuer : public TExtn {
 public:
  virtual TName* getName() = 0;
  // Holds n and marks the value stale. 0; kBadArgument (null), kWrongType
  // (a name of another type than 0x102), kNoReference.
  virtual int setName(TName* n) = 0;
};

// One implementation for both: I the interface, kKind the extension kind,
// kNameType the name type it accepts.
template <class I, TExtn::extn_t kKind, int kNameType>
class AltName : public TypedExtn<I, kKind> {
 public:
  AltName() = default;
  ~AltName() override = default;

  // The held name (a new reference), or null.
  TName* getName() override { return name_.newRef(); }
  int setName(TName* n) override;
  int setValue(TBuf* value) override;

 protected:
  TBuf* encodeValue() override;

 private:
  Ref<TName> name_;
};

// The name types the two accept: general names of the subject resp. issuer.
constexpr int kAltSubjectNameType = TName::NAME_SUBJECT | TName::NAME_GN;  // 0x202
constexpr int kAltIssuerNameType = TName::NAME_ISSUER | TName::NAME_GN;    // 0x102

using AltSubject = AltName<TAltSubject, TExtn::EXT_SUBJECT_ALT_NAME, kAltSubjectNameType>;
using AltIssuer = AltName<TAltIssuer, TExtn::EXT_ISSUER_ALT_NAME, kAltIssuerNameType>;

extern template class AltName<TAltSubject, TExtn::EXT_SUBJECT_ALT_NAME, kAltSubjectNameType>;
extern template class AltName<TAltIssuer, TExtn::EXT_ISSUER_ALT_NAME, kAltIssuerNameType>;

#endif  // PKIX_CERT_CRTEXTN_H_
