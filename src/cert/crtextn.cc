#include "cert/crtextn.h"

#include "support/abuf.h"
#include "name/x509name.h"

using namespace pkixrc;

template <class I, TExtn::extn_t kKind, int kNameType>
int AltName<I, kKind, kNameType>::setName(TName* n) {
  if (n == nullptr) return this->error_ = kBadArgument;
  if (n->getType() != kNameType) return this->error_ = kWrongType;
  if (n->addRef() < 0) return this->error_ = kNoReference;
  name_.reset(n);
  this->markStale();
  return this->error_ = kOk;
}

// GeneralNames ::= SEQUENCE SIZE (1..MAX) OF GeneralName
template <class I, TExtn::extn_t kKind, int kNameType>
int AltName<I, kKind, kNameType>::setValue(TBuf* value) {
  if (value == nullptr) return this->error_ = kBadArgument;
  int r = this->storeValue(value);
  if (r != kOk) return this->error_ = r;
  name_.reset(createTName(static_cast<TName::name_type_t>(kNameType)));
  if (!name_) return this->error_ = kNoMemory;
  return this->error_ = name_->setRaw(value);
}

template <class I, TExtn::extn_t kKind, int kNameType>
TBuf* AltName<I, kKind, kNameType>::encodeValue() {
  if (!name_) return nullptr;
  TBuf* raw = name_->getRaw();
  if (raw == nullptr) {
    // An empty name is the empty SEQUENCE.
    static const unsigned char kEmpty[2] = {0x30, 0x00};
    return createTBuf(kEmpty, sizeof kEmpty);
  }
  return raw;
}

template class AltName<TAltSubject, TExtn::EXT_SUBJECT_ALT_NAME, kAltSubjectNameType>;
template class AltName<TAltIssuer, TExtn::EXT_ISSUER_ALT_NAME, kAltIssuerNameType>;
