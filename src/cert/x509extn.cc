#include "cert/x509extn.h"

#include <new>

#include "cert/authkext.h"
#include "cert/crtextn.h"
#include "cert/exkuext.h"
#include "cert/keyusageext.h"
#include "cert/subjkext.h"
#include "cert/tbufview.h"
#include "cert/x509.h"
#include "cert/x509enc.h"

namespace {

struct ExtnRow {
  TExtn::extn_t type;
  const unsigned char* oid;
};

// Extension kinds and their identifiers.
const ExtnRow kExtnTable[] = {
    {TExtn::EXT_AUTHORITY_KEY_ID, AuthorityKeyIdentifier_Id},
    {TExtn::EXT_ISSUER_ALT_NAME, IssuerAltName_Id},
    {TExtn::EXT_CRL_NUMBER, CRLNumber_Id},
    {TExtn::EXT_DELTA_CRL, DeltaCRLIndicator_Id},
    {TExtn::EXT_ISSUING_DP, IssuingDistributionPoint_Id},
    {TExtn::EXT_REASON_CODE, ReasonCode_Id},
    {TExtn::EXT_HOLD_INSTRUCTION, InstructionCode_Id},
    {TExtn::EXT_INVALIDITY_DATE, InvalidityDate_Id},
    {TExtn::EXT_CERT_ISSUER, CertificateIssuer_Id},
    {TExtn::EXT_SUBJECT_KEY_ID, SubjectKeyIdentifier_Id},
    {TExtn::EXT_KEY_USAGE, KeyUsage_Id},
    {TExtn::EXT_SUBJECT_ALT_NAME, SubjectAltName_Id},
    {TExtn::EXT_BASIC_CONSTRAINTS, BasicConstraints_Id},
    {TExtn::EXT_NAME_CONSTRAINTS, NameConstraints_Id},
    {TExtn::EXT_CRL_DP, CRLDistributionPoints_Id},
    {TExtn::EXT_EXT_KEY_USAGE, ExtendedKeyUsage_Id},
};

// A new TBuf with the content octets of an identifier constant.
TBuf* oidBuf(const unsigned char* oid) { return createTBuf(oid + 1, oid[0]); }

}  // namespace

X509Extn::~X509Extn() { extnfini(); }

void X509Extn::extnfini() {
  replaceRef(raw_, static_cast<TBuf*>(nullptr));
  replaceRef(oid_, static_cast<TBuf*>(nullptr));
  replaceRef(value_, static_cast<TBuf*>(nullptr));
}

TExtn::extn_t X509Extn::kindOf(const Buffer& oid) {
  for (const ExtnRow& r : kExtnTable) {
    if (asn1_oid_eq(&oid, r.oid) != 0) return r.type;
  }
  return EXT_NONE;
}

const unsigned char* X509Extn::oidOf(extn_t t) {
  for (const ExtnRow& r : kExtnTable) {
    if (r.type == t) return r.oid;
  }
  return nullptr;
}

TExtn::extn_t X509Extn::getType(TBuf* in) {
  if (in == nullptr || in->getBuffer() == nullptr) return EXT_NONE;
  Buffer b = *in->getBuffer();  // a copy: in is not consumed
  Buffer oid;
  init_buffer(&oid);
  if (x509_parse_extension(&b, &oid, nullptr, nullptr) < 0) return EXT_NONE;
  return kindOf(oid);
}

int X509Extn::setRaw(TBuf* in) {
  extnfini();
  modified_ = 1;
  type_ = EXT_NONE;
  if (in == nullptr) return error_ = 4;
  Buffer* b = in->getBuffer();
  if (b == nullptr) return error_ = 40;
  // Parsed from a copy: the views are made while in still covers the
  // extension, and in is advanced past it at the end.
  Buffer cursor = *b;
  Buffer oid, value;
  init_buffer(&oid);
  init_buffer(&value);
  int critical = 0;
  if (x509_parse_extension(&cursor, &oid, &critical, &value) < 0) return error_ = 9;
  Buffer whole = *b;
  whole.len = static_cast<uint32_t>(cursor.data - b->data);
  type_ = kindOf(oid);
  oid_ = tbufView(in, oid);
  TBuf* v = tbufView(in, value);
  if (oid_ == nullptr || v == nullptr) {
    if (v != nullptr) v->release();
    return error_ = 1;
  }
  critical_ = critical != 0 ? 1 : 0;
  int r = setValue(v);  // a typed extension reads its fields here
  v->release();
  if (r != 0) return error_ = r;
  raw_ = tbufView(in, whole);
  if (raw_ == nullptr) return error_ = 1;
  in->shift(whole.len);
  modified_ = 0;
  return error_ = 0;
}

TBuf* X509Extn::getRaw() {
  if (modified_ == 0 && raw_ != nullptr) {
    if (raw_->addRef() < 0) {
      error_ = 43;
      return nullptr;
    }
    error_ = 0;
    return raw_;
  }
  TBuf* v = getValue();
  if (v == nullptr) {
    extnfini();
    error_ = 9;
    return nullptr;
  }
  if (oid_ == nullptr) {
    const unsigned char* known = oidOf(type_);
    if (known != nullptr) oid_ = oidBuf(known);
    if (oid_ == nullptr) {
      v->release();
      extnfini();
      error_ = type_ == EXT_NONE ? 40 : 9;
      return nullptr;
    }
  }
  // The extension is rebuilt from the end: value, identifier, and the
  // critical BOOLEAN when the flag is set, so a rebuilt extension keeps its
  // criticality.
  TBuf* out = createTBuf(v->datap(), v->len());
  v->release();
  Buffer oid = bufferOf(oid_);
  if (out == nullptr || x509_enc_extension(&oid, critical_ != 0 ? 1 : 0, out->getBuffer()) != 0) {
    if (out != nullptr) out->release();
    extnfini();
    error_ = 9;
    return nullptr;
  }
  replaceRef(raw_, out);
  modified_ = 0;
  error_ = 0;
  return shareRef(raw_);
}

TBuf* X509Extn::getObjId() {
  if (oid_ == nullptr) {
    const unsigned char* known = oidOf(type_);
    if (known == nullptr) {
      error_ = 40;
      return nullptr;
    }
    oid_ = oidBuf(known);
    if (oid_ == nullptr) {
      error_ = 1;
      return nullptr;
    }
  }
  error_ = 0;
  return shareRef(oid_);
}

int X509Extn::setValue(TBuf* value) {
  if (value == nullptr) return error_ = 4;
  if (value->addRef() < 0) return error_ = 43;
  replaceRef(value_, value);
  modified_ = 1;
  set_ = 1;
  return error_ = 0;
}

TBuf* X509Extn::getValue() {
  error_ = 0;
  if (value_ == nullptr) return nullptr;
  if (value_->addRef() < 0) {
    error_ = 43;
    return nullptr;
  }
  return value_;
}

// ---- The list ----

X509ExtnList::X509ExtnList() : list_(new (std::nothrow) List) {}
X509ExtnList::~X509ExtnList() {
  if (list_ != nullptr) list_->release();
}

TExtn* X509ExtnList::getFirst() {
  if (list_ == nullptr) {
    error_ = 40;
    return nullptr;
  }
  XBase* x = list_->getFirst();
  error_ = list_->error();
  return static_cast<TExtn*>(x);
}

TExtn* X509ExtnList::getNext() {
  if (list_ == nullptr) {
    error_ = 40;
    return nullptr;
  }
  XBase* x = list_->getNext();
  error_ = list_->error();
  return static_cast<TExtn*>(x);
}

TExtn* X509ExtnList::get(TExtn::extn_t t) {
  if (t == TExtn::EXT_NONE || t == TExtn::EXT_LIMIT) {
    error_ = 4;
    return nullptr;
  }
  if (list_ == nullptr) {
    error_ = 40;
    return nullptr;
  }
  for (XBase* x = list_->getFirst(); x != nullptr; x = list_->getNext()) {
    TExtn* e = static_cast<TExtn*>(x);
    if (e->getType() == t) {
      error_ = 0;
      return e;
    }
    e->release();
  }
  error_ = 0;
  return nullptr;
}

int X509ExtnList::clear() {
  if (list_ == nullptr) return error_ = 40;
  return error_ = list_->clean();
}

int X509ExtnList::append(TExtn* e) {
  if (list_ == nullptr || e == nullptr) return error_ = 40;
  TBuf* id = e->getObjId();
  if (id == nullptr) return error_ = 9;
  int r = -1;
  for (XBase* x = list_->getFirst(); x != nullptr; x = list_->getNext()) {
    TExtn* old = static_cast<TExtn*>(x);
    TBuf* old_id = old->getObjId();
    int same = tbufEqual(id, old_id);
    if (old_id != nullptr) old_id->release();
    old->release();
    if (same != 0) {
      // The replacement takes the replaced one's place: remove it (the
      // cursor moves back one) and insert after the cursor.
      list_->delCurrent();
      r = list_->insert(e);
      break;
    }
  }
  id->release();
  if (r < 0) r = list_->append(e);
  return error_ = r;
}

// ---- The factory ----

namespace {

template <class T>
TExtn* make() {
  return new (std::nothrow) T();
}

struct FactoryRow {
  TExtn::extn_t type;
  TExtn* (*create)();
};

// Kinds with a class of their own; every other kind is a generic extension
// (the distribution point and CRL-entry kinds are generic until their
// classes exist).
const FactoryRow kTypedExtns[] = {
    {TExtn::EXT_AUTHORITY_KEY_ID, &make<X509AuthKeyId>},
    {TExtn::EXT_ISSUER_ALT_NAME, &make<AltIssuer>},
    {TExtn::EXT_SUBJECT_KEY_ID, &make<X509SubjectKeyId>},
    {TExtn::EXT_KEY_USAGE, &make<X509KeyUsage>},
    {TExtn::EXT_SUBJECT_ALT_NAME, &make<AltSubject>},
    {TExtn::EXT_EXT_KEY_USAGE, &make<X509ExtKeyUsage>},
};

}  // namespace

TExtn* createX509Extn(TExtn::extn_t t) {
  for (const FactoryRow& r : kTypedExtns) {
    if (r.type == t) return r.create();
  }
  return new (std::nothrow) X509Extn(t);
}

TExtn* createTExtn(TExtn::extn_t t) { return createX509Extn(t); }

TExtn* createX509Extn(TBuf* in) {
  if (in == nullptr || in->getBuffer() == nullptr) return nullptr;
  TExtn* e = createX509Extn(X509Extn::getType(in));
  if (e == nullptr) return nullptr;
  // A failing setRaw leaves in where it was.
  if (e->setRaw(in) != 0) {
    e->release();
    return nullptr;
  }
  return e;
}

TExtnList* createTExtnList() { return new (std::nothrow) X509ExtnList; }
