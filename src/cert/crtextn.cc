#include "cert/crtextn.h"

#include "module/cmn_abuf.h"
#include "name/x509name.h"

template <class I, TExtn::extn_t kKind, int kNameType>
int AltName<I, kKind, kNameType>::setName(TName* n) {
  if (n == nullptr) return this->error_ = 4;
  if (n->getType() != kNameType) return this->error_ = 5;
  if (n->addRef() < 0) return this->error_ = 43;
  if (name_ != nullptr) name_->release();
  name_ = n;
  this->markStale();
  return this->error_ = 0;
}

template <class I, TExtn::extn_t kKind, int kNameType>
int AltName<I, kKind, kNameType>::setValue(TBuf* value) {
  if (value == nullptr) return this->error_ = 4;
  int r = this->storeValue(value);
  if (r != 0) return this->error_ = r;
  TName* n = createTName(static_cast<TName::name_type_t>(kNameType));
  if (n == nullptr) return this->error_ = 1;
  r = n->setRaw(value);
  if (name_ != nullptr) name_->release();
  name_ = n;
  return this->error_ = r;
}

template <class I, TExtn::extn_t kKind, int kNameType>
TBuf* AltName<I, kKind, kNameType>::encodeValue() {
  if (name_ == nullptr) return nullptr;
  TBuf* raw = name_->getRaw();
  if (raw == nullptr) {
    // An empty name is the empty SEQUENCE.
    static const unsigned char kEmpty[2] = {0x30, 0x00};
    return createTBuf(kEmpty, 2);
  }
  return raw;
}

template class AltName<TAltSubject, TExtn::EXT_SUBJECT_ALT_NAME, 0x202>;
template class AltName<TAltIssuer, TExtn::EXT_ISSUER_ALT_NAME, 0x102>;
