#include "cert/x509extn.h"

#include <cstring>
#include <new>

#include "cert/authkext.h"
#include "cert/crldp.h"
#include "cert/crtextn.h"
#include "cert/exkuext.h"
#include "cert/keyusageext.h"
#include "cert/subjkext.h"
#include "crl/crlextn.h"
#include "support/tbufs.h"
#include "cert/x509.h"
#include "cert/x509enc.h"
#include "support/buffers.h"

using namespace pkixrc;

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
Ref<TBuf> oidBuf(const unsigned char* oid) { return adoptRef(createTBuf(oid + 1, oid[0])); }

}  // namespace

X509Extn::~X509Extn() = default;

void ExtnCore::fini() {
  raw_.reset();
  oid_.reset();
  value_.reset();
  id_at_ = Buffer{nullptr, nullptr, 0};
  value_at_ = Buffer{nullptr, nullptr, 0};
}

TExtn::extn_t X509Extn::kindOf(const Buffer& oid) {
  if (oid.len == 0 || oid.data == nullptr) return EXT_NONE;
  const unsigned char last = oid.data[oid.len - 1];
  for (const ExtnRow& r : kExtnTable) {
    // Length and last octet first: every other row is passed over cheaply.
    if (r.oid[0] == oid.len && r.oid[oid.len] == last && std::memcmp(r.oid + 1, oid.data, oid.len) == 0) {
      return r.type;
    }
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
  ExtnElement e;
  if (in == nullptr || in->getBuffer() == nullptr || !readExtnElement(*in->getBuffer(), &e)) return EXT_NONE;
  return kindOf(e.oid);
}

bool readExtnElement(const Buffer& in, ExtnElement* out) {
  Buffer cursor = in;
  init_buffer(&out->oid);
  init_buffer(&out->value);
  out->critical = 0;
  if (x509_parse_extension(&cursor, &out->oid, &out->critical, &out->value) < 0) return false;
  out->whole = in;
  out->whole.len = static_cast<uint32_t>(cursor.data - in.data);
  return true;
}

void ExtnCore::reset() {
  fini();
  modified_ = 1;
  type_ = TExtn::EXT_NONE;
}

int ExtnCore::parse(TBuf* in) {
  Buffer* b = in != nullptr ? in->getBuffer() : nullptr;
  ExtnElement e;
  if (b != nullptr && readExtnElement(*b, &e)) return adopt(in, e);
  reset();
  if (in == nullptr) return kBadArgument;
  return b == nullptr ? kUnavailable : kFailed;
}

int ExtnCore::adopt(TBuf* in, const ExtnElement& e) {
  reset();
  // The view is made while in still covers the element; in is advanced
  // past it at the end.
  raw_ = tbufView(in, e.whole);
  if (!raw_) return kNoMemory;
  type_ = X509Extn::kindOf(e.oid);
  critical_ = e.critical != 0 ? 1 : 0;
  id_at_ = e.oid;
  value_at_ = e.value;
  set_ = 1;
  in->shift(e.whole.len);
  modified_ = 0;
  return kOk;
}

Ref<TBuf>& ExtnCore::oidRef() {
  if (oid_) return oid_;
  if (id_at_.data != nullptr) {
    oid_ = tbufView(raw_.get(), id_at_);
  } else if (const unsigned char* known = X509Extn::oidOf(type_)) {
    oid_ = oidBuf(known);
  }
  return oid_;
}

Ref<TBuf>& ExtnCore::valueRef() {
  if (!value_ && value_at_.data != nullptr) value_ = tbufView(raw_.get(), value_at_);
  return value_;
}

TBuf* ExtnCore::raw(int* code) {
  if (modified_ == 0 && raw_) {
    // A view of its own for the caller: the identifier and value are made
    // from raw_ on request, so a caller that advances what it got (as a
    // parse does) must not move raw_.
    Ref<TBuf> out = tbufView(raw_.get(), viewOf(raw_.get()));
    if (!out) {
      *code = kNoMemory;
      return nullptr;
    }
    *code = kOk;
    return out.detach();
  }
  // Any failure leaves the extension without DER, identifier and value.
  Ref<TBuf> v = adoptRef(value(code));
  if (!v) {
    fini();
    *code = kFailed;
    return nullptr;
  }
  if (!oidRef()) {
    bool known = type_ != TExtn::EXT_NONE || id_at_.data != nullptr;
    fini();
    *code = known ? kFailed : kUnavailable;
    return nullptr;
  }
  // The extension is rebuilt from the end: value, identifier, and the
  // critical BOOLEAN when the flag is set, so a rebuilt extension keeps its
  // criticality.
  Ref<TBuf> out = adoptRef(createTBuf(v->datap(), v->len()));
  Buffer id = viewOf(oid_.get());
  if (!out || x509_enc_extension(&id, critical_ != 0 ? 1 : 0, out->getBuffer()) != 0) {
    fini();
    *code = kFailed;
    return nullptr;
  }
  // Identifier and value are buffer objects of their own now: nothing
  // points into the element being replaced.
  raw_ = std::move(out);
  id_at_ = Buffer{nullptr, nullptr, 0};
  value_at_ = Buffer{nullptr, nullptr, 0};
  modified_ = 0;
  *code = kOk;
  return raw_.newRef();
}

TBuf* ExtnCore::objId(int* code) {
  if (!oidRef()) {
    *code = id_at_.data == nullptr && X509Extn::oidOf(type_) == nullptr ? kUnavailable : kNoMemory;
    return nullptr;
  }
  *code = kOk;
  return oid_.newRef();
}

int ExtnCore::setValue(TBuf* value) {
  if (value == nullptr) return kBadArgument;
  if (value->addRef() < 0) return kNoReference;
  value_.reset(value);
  value_at_ = Buffer{nullptr, nullptr, 0};
  modified_ = 1;
  set_ = 1;
  return kOk;
}

TBuf* ExtnCore::value(int* code) {
  *code = kOk;
  if (!valueRef()) {
    if (value_at_.data != nullptr) *code = kNoMemory;
    return nullptr;
  }
  if (value_->addRef() < 0) {
    *code = kNoReference;
    return nullptr;
  }
  return value_.get();
}

// ---- The list ----

X509ExtnList::X509ExtnList() : list_(adoptRef(new (std::nothrow) List)) {}
X509ExtnList::~X509ExtnList() = default;

TExtn* X509ExtnList::getFirst() {
  if (!list_) {
    error_ = kUnavailable;
    return nullptr;
  }
  XBase* x = list_->getFirst();
  error_ = list_->error();
  return static_cast<TExtn*>(x);
}

TExtn* X509ExtnList::getNext() {
  if (!list_) {
    error_ = kUnavailable;
    return nullptr;
  }
  XBase* x = list_->getNext();
  error_ = list_->error();
  return static_cast<TExtn*>(x);
}

TExtn* X509ExtnList::get(TExtn::extn_t t) {
  if (t == TExtn::EXT_NONE || t == TExtn::EXT_LIMIT) {
    error_ = kBadArgument;
    return nullptr;
  }
  if (!list_) {
    error_ = kUnavailable;
    return nullptr;
  }
  error_ = kOk;
  for (Ref<XBase> x = adoptRef(list_->getFirst()); x; x = adoptRef(list_->getNext())) {
    if (static_cast<TExtn*>(x.get())->getType() == t) return static_cast<TExtn*>(x.detach());
  }
  return nullptr;
}

int X509ExtnList::clear() {
  if (!list_) return error_ = kUnavailable;
  by_id_.clear();
  ids_.clear();
  return error_ = list_->clean();
}

Node* X509ExtnList::findNode(const std::string& id) {
  if (ids_.size() < kIndexFrom && by_id_.empty()) {
    for (const auto& [known, node] : ids_) {
      if (known == id) return node;
    }
    return nullptr;
  }
  if (by_id_.empty()) {
    for (const auto& [known, node] : ids_) by_id_.emplace(known, node);
  }
  auto found = by_id_.find(id);
  return found != by_id_.end() ? found->second : nullptr;
}

void X509ExtnList::forgetNode(Node* at) {
  for (auto it = ids_.begin(); it != ids_.end(); ++it) {
    if (it->second != at) continue;
    by_id_.erase(it->first);
    ids_.erase(it);
    return;
  }
}

int X509ExtnList::append(TExtn* e) {
  if (!list_ || e == nullptr) return error_ = kUnavailable;
  Ref<TBuf> id = adoptRef(e->getObjId());
  if (!id) return error_ = kFailed;
  return appendWithId(e, viewOf(id.get()));
}

int X509ExtnList::appendWithId(TExtn* e, const Buffer& id) {
  if (!list_ || e == nullptr) return error_ = kUnavailable;
  std::string key(reinterpret_cast<const char*>(id.data), id.len);
  if (Node* at = findNode(key)) {
    // The replacement takes the replaced one's place.
    int r = at->setAddr(e);
    if (r != kOk) {
      // The node let go of the old extension and holds nothing: drop it.
      forgetNode(at);
      list_->removeNode(at);
    }
    return error_ = r;
  }
  int r = list_->append(e);
  if (r != kOk) return error_ = r;
  // Room for a certificate's usual extensions in one allocation.
  if (ids_.empty()) ids_.reserve(kUsualCount);
  ids_.emplace_back(key, list_->lastNode());
  if (!by_id_.empty()) by_id_.emplace(std::move(key), list_->lastNode());
  return error_ = kOk;
}

// ---- The factory ----

namespace {

template <class T>
TExtn* make() {
  return new (std::nothrow) T();
}

// A new T read from the element e at the start of in; null (in unchanged)
// when T cannot read it.
template <class T>
TExtn* readAs(TBuf* in, const ExtnElement& e) {
  Ref<T> x = adoptRef(new (std::nothrow) T());
  if (!x) return nullptr;
  // A typed extension has consumed the element before its class reads the
  // value: a value it cannot read puts in's record back where it was.
  const Buffer before = *in->getBuffer();
  if (x->setRawParsed(in, e) != kOk) {
    *in->getBuffer() = before;
    return nullptr;
  }
  return x.detach();
}

struct FactoryRow {
  TExtn::extn_t type;
  TExtn* (*create)();
  TExtn* (*read)(TBuf*, const ExtnElement&);
};

template <class T>
constexpr FactoryRow row(TExtn::extn_t t) {
  return {t, &make<T>, &readAs<T>};
}

// Kinds with a class of their own; every other kind is a generic extension.
const FactoryRow kTypedExtns[] = {
    row<X509AuthKeyId>(TExtn::EXT_AUTHORITY_KEY_ID),
    row<AltIssuer>(TExtn::EXT_ISSUER_ALT_NAME),
    row<IDP>(TExtn::EXT_ISSUING_DP),
    row<CertIssuer>(TExtn::EXT_CERT_ISSUER),
    row<X509SubjectKeyId>(TExtn::EXT_SUBJECT_KEY_ID),
    row<X509KeyUsage>(TExtn::EXT_KEY_USAGE),
    row<AltSubject>(TExtn::EXT_SUBJECT_ALT_NAME),
    row<X509CRLDP>(TExtn::EXT_CRL_DP),
    row<X509ExtKeyUsage>(TExtn::EXT_EXT_KEY_USAGE),
};

}  // namespace

TExtn* createX509Extn(TExtn::extn_t t) {
  for (const FactoryRow& r : kTypedExtns) {
    if (r.type == t) return r.create();
  }
  return new (std::nothrow) X509Extn(t);
}

TExtn* createTExtn(TExtn::extn_t t) { return createX509Extn(t); }

TExtn* createX509Extn(TBuf* in, Buffer* id) {
  if (id != nullptr) init_buffer(id);
  if (in == nullptr || in->getBuffer() == nullptr) return nullptr;
  ExtnElement e;
  if (!readExtnElement(*in->getBuffer(), &e)) return nullptr;
  if (id != nullptr) *id = e.oid;
  TExtn::extn_t kind = X509Extn::kindOf(e.oid);
  for (const FactoryRow& r : kTypedExtns) {
    if (r.type == kind) return r.read(in, e);
  }
  return readAs<X509Extn>(in, e);  // a generic extension of that kind
}

TExtn* createUnreadExtn(TBuf* in) {
  if (in == nullptr || in->getBuffer() == nullptr) return nullptr;
  Ref<X509Extn> e = adoptRef(new (std::nothrow) X509Extn(TExtn::EXT_NONE));
  if (!e || e->setRaw(in) != kOk) return nullptr;
  e->setType(TExtn::EXT_NONE);  // its kind's class has not read it
  return e.detach();
}

TExtnList* createTExtnList() { return new (std::nothrow) X509ExtnList; }
