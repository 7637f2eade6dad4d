#include "cert/subjkext.h"

#include "cert/tbufview.h"

X509SubjectKeyId::~X509SubjectKeyId() { replaceRef(id_, static_cast<TBuf*>(nullptr)); }

int X509SubjectKeyId::setValue(TBuf* value) {
  if (value == nullptr) return error_ = 4;
  replaceRef(id_, static_cast<TBuf*>(nullptr));
  int r = storeValue(value);
  if (r != 0) return error_ = r;
  Buffer b = bufferOf(value);
  Buffer content;
  init_buffer(&content);
  r = asn1_decode_primitive(4, &b, &content);
  if (r < 0) return error_ = r;
  id_ = tbufCopy(content);
  return error_ = id_ != nullptr ? 0 : 1;
}

TBuf* X509SubjectKeyId::getKeyId() {
  error_ = id_ != nullptr ? 0 : 9;
  return shareRef(id_);
}

TBuf* subjectKeyIdOf(TCert* c) {
  if (c == nullptr) return nullptr;
  TExtnList* l = c->getExtns();
  if (l == nullptr) return nullptr;
  TExtn* e = l->get(TExtn::EXT_SUBJECT_KEY_ID);
  l->release();
  if (e == nullptr) return nullptr;
  TBuf* copy = nullptr;
  if (X509SubjectKeyId* s = dynamic_cast<X509SubjectKeyId*>(e)) {
    TBuf* id = s->getKeyId();
    if (id != nullptr) {
      copy = createTBuf(id->datap(), id->len());
      id->release();
    }
  }
  e->release();
  return copy;
}

int X509SubjectKeyId::setKeyId(TCert* c) {
  if (c == nullptr) return error_ = 9;
  TBuf* id = subjectKeyIdOf(c);
  if (id == nullptr) return error_ = 9;
  replaceRef(id_, id);
  markStale();
  return error_ = 0;
}

int X509SubjectKeyId::setKeyId(TBuf* id) {
  if (id == nullptr) return error_ = 4;
  if (id->addRef() < 0) return error_ = 9;
  replaceRef(id_, id);
  markStale();
  return error_ = 0;
}

int X509SubjectKeyId::isCertCompliant(TCert* c) {
  TBuf* id = subjectKeyIdOf(c);
  if (id != nullptr) id->release();
  error_ = 0;
  return 0;
}

TBuf* X509SubjectKeyId::encodeValue() {
  if (id_ == nullptr) return nullptr;
  TBuf* out = createTBuf(id_->datap(), id_->len());
  if (out == nullptr) return nullptr;
  if (asn1_der_encode(4, out->getBuffer()) != 0) {
    out->release();
    return nullptr;
  }
  return out;
}
