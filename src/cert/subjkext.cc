#include "cert/subjkext.h"

#include "support/tbufs.h"

using namespace pkixrc;

namespace {
constexpr int kTagOctetString = 0x04;
}  // namespace

X509SubjectKeyId::~X509SubjectKeyId() = default;

// SubjectKeyIdentifier ::= KeyIdentifier
// KeyIdentifier ::= OCTET STRING
int X509SubjectKeyId::setValue(TBuf* value) {
  if (value == nullptr) return error_ = kBadArgument;
  id_.reset();
  int r = storeValue(value);
  if (r != kOk) return error_ = r;
  Buffer b = viewOf(value);
  Buffer content;
  init_buffer(&content);
  r = asn1_decode_primitive(kTagOctetString, &b, &content);
  if (r < 0) return error_ = r;
  id_ = tbufCopy(content);
  return error_ = id_ ? kOk : kNoMemory;
}

TBuf* X509SubjectKeyId::getKeyId() {
  error_ = id_ ? kOk : kFailed;
  return id_.newRef();
}

TBuf* subjectKeyIdOf(TCert* c) {
  if (c == nullptr) return nullptr;
  Ref<TExtnList> l = adoptRef(c->getExtns());
  if (!l) return nullptr;
  Ref<TExtn> e = adoptRef(l->get(TExtn::EXT_SUBJECT_KEY_ID));
  X509SubjectKeyId* s = dynamic_cast<X509SubjectKeyId*>(e.get());
  if (s == nullptr) return nullptr;
  Ref<TBuf> id = adoptRef(s->getKeyId());
  if (!id) return nullptr;
  return createTBuf(id->datap(), id->len());
}

int X509SubjectKeyId::setKeyId(TCert* c) {
  if (c == nullptr) return error_ = kFailed;
  Ref<TBuf> id = adoptRef(subjectKeyIdOf(c));
  if (!id) return error_ = kFailed;
  id_ = std::move(id);
  markStale();
  return error_ = kOk;
}

int X509SubjectKeyId::setKeyId(TBuf* id) {
  if (id == nullptr) return error_ = kBadArgument;
  if (id->addRef() < 0) return error_ = kFailed;
  id_.reset(id);
  markStale();
  return error_ = kOk;
}

int X509SubjectKeyId::isCertCompliant(TCert* c) {
  // The candidate's identifier is looked up but not compared: no rule for
  // the comparison is settled.
  Ref<TBuf> id = adoptRef(subjectKeyIdOf(c));
  error_ = kOk;
  return 0;
}

TBuf* X509SubjectKeyId::encodeValue() {
  if (!id_) return nullptr;
  Ref<TBuf> out = adoptRef(createTBuf(id_->datap(), id_->len()));
  if (!out || asn1_der_encode(kTagOctetString, out->getBuffer()) != 0) return nullptr;
  return out.detach();
}
