#include "cert/authkext.h"

#include "cert/subjkext.h"
#include "support/tbufs.h"
#include "cert/x509.h"
#include "name/x509name.h"

using namespace pkixrc;

namespace {

constexpr int kTagSequence = 0x30;
constexpr int kTagKeyId = 0x80;   // [0] IMPLICIT OCTET STRING
constexpr int kTagIssuer = 0xA1;  // [1] IMPLICIT GeneralNames
constexpr int kTagSerial = 0x82;  // [2] IMPLICIT INTEGER

// n as general names (a new reference): itself for general names, else a
// one-name GeneralNames holding it as its directoryName.
Ref<TName> generalNames(TName* n) {
  if (n == nullptr) return Ref<TName>();
  if (TName::kindOf(n->getType()) == TName::NAME_GN) return shareRef(n);
  return adoptRef(GNplusDN(nullptr, n));
}

// Prepends to b the element of tag tag whose content is content; false when
// the support library fails.
bool prependElement(Buffer* b, int tag, const Buffer& content) {
  OwnedBuffer w;
  Buffer part = content;
  return insert_buffer(&w.b, &part) == 0 && asn1_der_encode(tag, &w.b) == 0 && insert_buffer(b, &w.b) == 0;
}

}  // namespace

X509AuthKeyId::~X509AuthKeyId() = default;

void X509AuthKeyId::drop() {
  key_id_.reset();
  serial_.reset();
  issuer_.reset();
}

// AuthorityKeyIdentifier ::= SEQUENCE {
//     keyIdentifier [0] IMPLICIT OCTET STRING OPTIONAL,
//     authorityCertIssuer [1] IMPLICIT GeneralNames OPTIONAL,
//     authorityCertSerialNumber [2] IMPLICIT INTEGER OPTIONAL }
int X509AuthKeyId::setValue(TBuf* value) {
  if (value == nullptr) return error_ = kBadArgument;
  drop();
  int r = storeValue(value);
  if (r != kOk) return error_ = r;
  Buffer b = viewOf(value);
  Buffer key_id, serial, issuer;
  if (x509_parse_KI(&b, &key_id, &serial, &issuer, 0) != 0) return error_ = kFailed;
  if (key_id.len != 0 && !(key_id_ = tbufCopy(key_id))) return error_ = kNoMemory;
  if (serial.len != 0 && !(serial_ = tbufCopy(serial))) return error_ = kNoMemory;
  if (issuer.len != 0) {
    // The [1] content re-wrapped as the GeneralNames SEQUENCE.
    Ref<TBuf> gn = tbufCopy(issuer);
    if (!gn || asn1_der_encode(kTagSequence, gn->getBuffer()) != 0) return error_ = kNoMemory;
    issuer_.reset(createTName(TName::NAME_GN, gn.get()));
    if (!issuer_) return error_ = kFailed;
  }
  return error_ = kOk;
}

int X509AuthKeyId::getIdType() {
  error_ = kOk;
  int t = key_id_ ? ID_KEY : ID_ANY;
  if (issuer_ && serial_) t |= ID_ISSUER_SERIAL;
  return t;
}

int X509AuthKeyId::setIdType(id_type t) {
  requested_ = t;
  markStale();
  return error_ = kOk;
}

int X509AuthKeyId::setIssuer(TCert* ca) {
  if (ca == nullptr) return error_ = kBadArgument;
  drop();
  key_id_.reset(subjectKeyIdOf(ca));
  issuer_.reset(ca->getName(static_cast<TName::name_type_t>(TName::NAME_ISSUER | TName::NAME_DN)));
  serial_.reset(ca->getSerialNumber());
  markStale();
  return error_ = kOk;
}

int X509AuthKeyId::isCertCompliant(TCert* ca) {
  error_ = kFailed;
  if (ca == nullptr) return 0;
  int have = getIdType();
  error_ = kFailed;
  int mode = have;
  if (requested_ != ID_ANY) {
    if ((have & requested_) != requested_) return 0;
    mode = requested_;
  }
  if (mode == ID_ANY) return 0;
  int result = 0;
  if ((mode & ID_KEY) != 0) {
    Ref<TBuf> id = adoptRef(subjectKeyIdOf(ca));
    if (tbufEqual(id.get(), key_id_.get()) == 0) return 0;
    result = 1;
  }
  if ((mode & ID_ISSUER_SERIAL) != 0) {
    Ref<TName> dn = adoptRef(ca->getName(static_cast<TName::name_type_t>(TName::NAME_ISSUER | TName::NAME_DN)));
    Ref<TName> n = generalNames(dn.get());
    Ref<TName> mine = generalNames(issuer_.get());
    Ref<TBuf> s = adoptRef(ca->getSerialNumber());
    result = n && mine && (*n == *mine) == 1 && tbufEqual(s.get(), serial_.get()) == 1 ? 1 : 0;
  }
  error_ = kOk;
  return result;
}

int X509AuthKeyId::Synhronize() {
  Ref<TBuf> v = adoptRef(getValue());
  return error_ = v ? kOk : kFailed;
}

TBuf* X509AuthKeyId::encodeValue() {
  Ref<TBuf> out = adoptRef(createTBuf());
  if (!out) return nullptr;
  Buffer* b = out->getBuffer();
  // Built from the end: serial [2], issuer [1], key identifier [0].
  if (serial_ && !prependElement(b, kTagSerial, viewOf(serial_.get()))) return nullptr;
  if (issuer_) {
    // GeneralNames: a distinguished name goes in as its directoryName.
    Ref<TName> gn = generalNames(issuer_.get());
    Ref<TBuf> raw = gn ? adoptRef(gn->getRaw()) : Ref<TBuf>();
    if (!raw) return nullptr;
    Buffer content = viewOf(raw.get());
    if (asn1_der_decode(kTagSequence, &content) < 0 || !prependElement(b, kTagIssuer, content)) return nullptr;
  }
  if (key_id_ && !prependElement(b, kTagKeyId, viewOf(key_id_.get()))) return nullptr;
  if (asn1_der_encode(kTagSequence, b) != 0) return nullptr;
  return out.detach();
}
