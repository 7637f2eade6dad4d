// The subject and issuer alternative-name extensions (kinds 12 and 2),
// whose value is a general-names object.
#ifndef PKIX_CERT_CRTEXTN_H_
#define PKIX_CERT_CRTEXTN_H_

#include "cert/typedext.h"
#include "name/tname.h"

class TAltSubject : public TExtn {
 public:
  virtual TName* getName() = 0;
  // 4 for null, 5 for a name of another type than 0x202.
  virtual int setName(TName* n) = 0;
};

class TAltIssuer : public TExtn {
 public:
  virtual TName* getName() = 0;
  // 4 for null, 5 for a name of another type than 0x102.
  virtual int setName(TName* n) = 0;
};

// One implementation for both: I the interface, kKind the extension kind,
// kNameType the name type it accepts.
template <class I, TExtn::extn_t kKind, int kNameType>
class AltName : public TypedExtn<I, kKind> {
 public:
  AltName() = default;
  ~AltName() override {
    if (name_ != nullptr) name_->release();
  }

  TName* getName() override {
    if (name_ != nullptr) name_->addRef();
    return name_;
  }
  int setName(TName* n) override;
  int setValue(TBuf* value) override;

 protected:
  TBuf* encodeValue() override;

 private:
  TName* name_ = nullptr;
};

using AltSubject = AltName<TAltSubject, TExtn::EXT_SUBJECT_ALT_NAME, 0x202>;
using AltIssuer = AltName<TAltIssuer, TExtn::EXT_ISSUER_ALT_NAME, 0x102>;

extern template class AltName<TAltSubject, TExtn::EXT_SUBJECT_ALT_NAME, 0x202>;
extern template class AltName<TAltIssuer, TExtn::EXT_ISSUER_ALT_NAME, 0x102>;

#endif  // PKIX_CERT_CRTEXTN_H_
