#include "asn/pkix_asn_wrapped.h"

#include "contract/x509asn.h"

using pkixasn::Octets;

namespace {

// The whole non-empty SEQUENCE at the cursor, without moving it. 9 for
// another identifier, an empty SEQUENCE or a malformed element.
int PeekSequence(const DerReader& in, Buffer* whole) {
  if (in.peek() != der::kSequence) return pkixrc::kFailed;
  Buffer probe{nullptr, const_cast<unsigned char*>(in.pos()), in.left()};
  if (asn1_der_decode(der::kSequence, &probe) <= 0) return pkixrc::kFailed;  // empty, indefinite, malformed
  Buffer rest{nullptr, const_cast<unsigned char*>(in.pos()), in.left()};
  const int r = asn1_decode_any_type(&rest, whole);
  return r < 0 ? pkixrc::kFailed : 0;
}

// Decodes the SEQUENCE at the cursor into a wrapper made by make(data,
// len); the cursor moves past it only when the wrapper holds an object.
template <class W, class Make>
int ReadWrapped(DerReader& in, std::optional<W>* out, Make make) {
  Buffer whole{};
  if (int rc = PeekSequence(in, &whole); rc != 0) return rc;
  W w = make(whole.data, whole.len);
  if (w.raw() == nullptr) return pkixrc::kFailed;
  out->emplace(w);
  in.moveTo(whole.data + whole.len);
  return 0;
}

// The DER a wrapper's getRaw() gives, prepended; 40 without an object, the
// wrapper's error (9 when it has none) when it gives nothing.
template <class W>
aBuf RawOf(const W& w) {
  return w.getRaw();
}
// A CRL's DER as read (no signer).
aBuf RawOf(const aCrl& c) {
  aCert no_signer;
  return c.getRaw(no_signer);
}

template <class W>
int WriteRaw(const std::optional<W>& w, DerBuilder& out) {
  if (!w || w->raw() == nullptr) return pkixrc::kUnavailable;
  aBuf der = RawOf(*w);
  if (der.raw() == nullptr || der.len() == 0) return w->error() != 0 ? w->error() : pkixrc::kFailed;
  return pkixasn::derFailure(out.prepend(der.datap(), der.len()));
}

// A setter: shares the object and reports the wrapper's error.
template <class W>
int Share(std::optional<W>* mine, const W& given) {
  mine->emplace(given);
  return given.error();
}

}  // namespace

// ---------------------------------------------------------------------------

ASNName::~ASNName() = default;
int ASNName::setName(const aName& n) { return error_ = Share(&name_, n); }
int ASNName::fini() {
  name_.reset();
  return 0;
}
int ASNName::readDer(DerReader& in) {
  return ReadWrapped(in, &name_, [](const unsigned char* p, unsigned n) {
    return aName(static_cast<TName::name_type_t>(TName::NAME_DN | TName::NAME_SUBJECT), p, n);
  });
}
int ASNName::writeDer(DerBuilder& out) { return WriteRaw(name_, out); }

ASNKey::~ASNKey() = default;
int ASNKey::setKey(const aKey& k) { return error_ = Share(&key_, k); }
int ASNKey::fini() {
  key_.reset();
  return 0;
}
int ASNKey::readDer(DerReader& in) {
  return ReadWrapped(in, &key_, [](const unsigned char* p, unsigned n) { return aKey(TKey::KT_PUBLIC, p, n); });
}
int ASNKey::writeDer(DerBuilder& out) { return WriteRaw(key_, out); }

ASNExtension::~ASNExtension() = default;
int ASNExtension::setExtension(const aExtn& e) { return error_ = Share(&extn_, e); }
int ASNExtension::fini() {
  extn_.reset();
  return 0;
}
int ASNExtension::readDer(DerReader& in) {
  return ReadWrapped(in, &extn_, [](const unsigned char* p, unsigned n) { return aExtn(aBuf(p, n)); });
}
int ASNExtension::writeDer(DerBuilder& out) {
  if (extn_ && extn_->raw() != nullptr && extn_->getType() == TExtn::EXT_CRL_DP) {
    aBuf der = extn_->getRaw();
    if (der.raw() == nullptr || der.len() == 0) return 0;  // an empty buffer
  }
  return WriteRaw(extn_, out);
}

ASNExtensions::~ASNExtensions() = default;

int ASNExtensions::setValue(const aExtnList& l) {
  if (l.raw() == nullptr) return fail(pkixrc::kBadArgument);
  aExtnList walk(l);
  std::vector<Octets> exts;
  for (std::optional<aExtn> e(walk.getFirst()); e->raw() != nullptr; e.emplace(walk.getNext())) {
    if (exts.size() == pkixasn::kMaxExtensions) return fail(pkixrc::kFailed);
    Octets der = pkixasn::octetsOf(e->getRaw());
    if (der.empty()) return fail(pkixrc::kFailed);
    exts.push_back(std::move(der));
  }
  exts_ = std::move(exts);
  return error_ = 0;
}

aExtnList ASNExtensions::getValue() const {
  aExtnList l;
  for (const Octets& x : exts_) {
    aExtn e(pkixasn::aBufOf(x));
    if (e.raw() != nullptr) l.append(e);
  }
  return l;
}

int ASNExtensions::fini() {
  Reset();
  return 0;
}

int ASNExtensions::readDer(DerReader& in) {
  Reset();
  std::vector<Octets> exts;
  const int rc = pkixasn::extensionsDecode(in, &exts);
  if (rc != 0) return pkixasn::derFailure(rc);
  exts_ = std::move(exts);
  return 0;
}

int ASNExtensions::writeDer(DerBuilder& out) {
  const int rc = pkixasn::extensionsEncode(exts_, out);
  return rc == 0 ? 0 : pkixasn::derFailure(rc);
}

ASNCrl::~ASNCrl() = default;
int ASNCrl::setCrl(aCrl& c) { return error_ = Share(&crl_, c); }
int ASNCrl::fini() {
  crl_.reset();
  return 0;
}
int ASNCrl::readDer(DerReader& in) {
  return ReadWrapped(in, &crl_, [](const unsigned char* p, unsigned n) {
    aBuf der(p, n);
    return aCrl(TCert::CF_X509, der);
  });
}
int ASNCrl::writeDer(DerBuilder& out) { return WriteRaw(crl_, out); }
