#include "cert/authkext.h"

#include "cert/subjkext.h"
#include "cert/tbufview.h"
#include "cert/x509.h"
#include "name/x509name.h"

namespace {

// n as general names (a new reference): itself for general names, else a
// one-name GeneralNames holding it as its directoryName.
TName* generalNames(TName* n) {
  if (n == nullptr) return nullptr;
  if (TName::kindOf(n->getType()) == TName::NAME_GN) {
    n->addRef();
    return n;
  }
  return GNplusDN(nullptr, n);
}

}  // namespace

X509AuthKeyId::~X509AuthKeyId() { drop(); }

void X509AuthKeyId::drop() {
  replaceRef(key_id_, static_cast<TBuf*>(nullptr));
  replaceRef(serial_, static_cast<TBuf*>(nullptr));
  replaceRef(issuer_, static_cast<TName*>(nullptr));
}

// AuthorityKeyIdentifier ::= SEQUENCE {
//     keyIdentifier [0] IMPLICIT OCTET STRING OPTIONAL,
//     authorityCertIssuer [1] IMPLICIT GeneralNames OPTIONAL,
//     authorityCertSerialNumber [2] IMPLICIT INTEGER OPTIONAL }
int X509AuthKeyId::setValue(TBuf* value) {
  if (value == nullptr) return error_ = 4;
  drop();
  int r = storeValue(value);
  if (r != 0) return error_ = r;
  Buffer b = bufferOf(value);
  Buffer key_id, serial, issuer;
  if (x509_parse_KI(&b, &key_id, &serial, &issuer, 0) != 0) return error_ = 9;
  if (key_id.len != 0 && (key_id_ = tbufCopy(key_id)) == nullptr) return error_ = 1;
  if (serial.len != 0 && (serial_ = tbufCopy(serial)) == nullptr) return error_ = 1;
  if (issuer.len != 0) {
    // The [1] content re-wrapped as the GeneralNames SEQUENCE.
    TBuf* gn = tbufCopy(issuer);
    if (gn == nullptr) return error_ = 1;
    if (asn1_der_encode(0x30, gn->getBuffer()) != 0) {
      gn->release();
      return error_ = 1;
    }
    issuer_ = createTName(TName::NAME_GN, gn);
    gn->release();
    if (issuer_ == nullptr) return error_ = 9;
  }
  return error_ = 0;
}

int X509AuthKeyId::getIdType() {
  error_ = 0;
  int t = key_id_ != nullptr ? ID_KEY : 0;
  if (issuer_ != nullptr && serial_ != nullptr) t |= ID_ISSUER_SERIAL;
  return t;
}

int X509AuthKeyId::setIdType(id_type t) {
  requested_ = t;
  markStale();
  return error_ = 0;
}

int X509AuthKeyId::setIssuer(TCert* ca) {
  if (ca == nullptr) return error_ = 4;
  drop();
  key_id_ = subjectKeyIdOf(ca);
  issuer_ = ca->getName(static_cast<TName::name_type_t>(0x101));
  serial_ = ca->getSerialNumber();
  markStale();
  return error_ = 0;
}

int X509AuthKeyId::isCertCompliant(TCert* ca) {
  error_ = 9;
  if (ca == nullptr) return 0;
  int have = getIdType();
  error_ = 9;
  int mode = have;
  if (requested_ != ID_ANY) {
    if ((have & requested_) != requested_) return 0;
    mode = requested_;
  }
  if (mode == 0) return 0;
  int result = 0;
  if ((mode & ID_KEY) != 0) {
    TBuf* id = subjectKeyIdOf(ca);
    int same = tbufEqual(id, key_id_);
    if (id != nullptr) id->release();
    if (same == 0) return 0;
    result = 1;
  }
  if ((mode & ID_ISSUER_SERIAL) != 0) {
    TName* dn = ca->getName(static_cast<TName::name_type_t>(0x101));
    TName* n = generalNames(dn);
    TName* mine = generalNames(issuer_);
    TBuf* s = ca->getSerialNumber();
    result = n != nullptr && mine != nullptr && (*n == *mine) == 1 && tbufEqual(s, serial_) == 1 ? 1 : 0;
    if (dn != nullptr) dn->release();
    if (n != nullptr) n->release();
    if (mine != nullptr) mine->release();
    if (s != nullptr) s->release();
  }
  error_ = 0;
  return result;
}

int X509AuthKeyId::Synhronize() {
  TBuf* v = getValue();
  if (v == nullptr) return error_ = 9;
  v->release();
  return error_ = 0;
}

TBuf* X509AuthKeyId::encodeValue() {
  TBuf* out = createTBuf();
  if (out == nullptr) return nullptr;
  Buffer* b = out->getBuffer();
  // Built from the end: serial [2], issuer [1], key identifier [0].
  Buffer part;
  bool ok = true;
  if (serial_ != nullptr) {
    Buffer w;
    init_buffer(&w);
    part = bufferOf(serial_);
    ok = insert_buffer(&w, &part) == 0 && asn1_der_encode(0x82, &w) == 0 && insert_buffer(b, &w) == 0;
    release_buffer(&w);
  }
  if (ok && issuer_ != nullptr) {
    // GeneralNames: a distinguished name goes in as its directoryName.
    TName* gn = generalNames(issuer_);
    TBuf* raw = gn != nullptr ? gn->getRaw() : nullptr;
    if (gn != nullptr) gn->release();
    ok = raw != nullptr;
    if (ok) {
      Buffer content = bufferOf(raw);
      ok = asn1_der_decode(0x30, &content) >= 0;
      Buffer w;
      init_buffer(&w);
      ok = ok && insert_buffer(&w, &content) == 0 && asn1_der_encode(0xA1, &w) == 0 &&
           insert_buffer(b, &w) == 0;
      release_buffer(&w);
      raw->release();
    }
  }
  if (ok && key_id_ != nullptr) {
    Buffer w;
    init_buffer(&w);
    part = bufferOf(key_id_);
    ok = insert_buffer(&w, &part) == 0 && asn1_der_encode(0x80, &w) == 0 && insert_buffer(b, &w) == 0;
    release_buffer(&w);
  }
  if (!ok || asn1_der_encode(0x30, b) != 0) {
    out->release();
    return nullptr;
  }
  return out;
}
