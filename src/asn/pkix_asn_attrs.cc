#include "asn/pkix_asn_attrs.h"

#include <cstring>
#include <new>
#include <optional>

#include "contract/x509asn.h"

using pkixasn::Octets;

// ---------------------------------------------------------------------------
// The shared part

ASNBaseAttribute::ASNBaseAttribute(int type) {
  attr_.type = type;
  setID();
}

void ASNBaseAttribute::setID() {
  uint32_t count = 0;
  const uint32_t* arcs = pkixasn::attrArcs(attr_.type, &count);
  if (arcs == nullptr) return;
  OwnedBuffer b;
  if (alloc_buffer(80, &b.b) < 0) return;
  shift_buffer(&b.b, b.b.len);
  if (asn1_enc_objid(arcs, count, &b.b) == 0) attr_.oid.assign(b.b.data, b.b.data + b.b.len);
}

int ASNBaseAttribute::checkID() const {
  if (attr_.type == pkixasn::kAttrAny) return 0;
  return pkixasn::attrTypeFromContent(attr_.oid.data(), attr_.oid.size()) == attr_.type ? 0 : pkixrc::kFailed;
}

template <class I>
int PkixAttribute<I>::setValue(CMN_ASN_Buf_Stub& v) {
  if (v.empty()) return this->fail(pkixrc::kBadArgument);
  Octets value = pkixasn::octetsOf(v);
  unsigned char tag = 0;
  if (int rc = tagFor(value, &tag); rc != 0) return this->fail(rc);
  attr_.value_tag = tag;
  attr_.value = std::move(value);
  has_value_ = true;
  return this->error_ = 0;
}

template <class I>
int PkixAttribute<I>::readDer(DerReader& in) {
  pkixasn::Attribute a;
  const int rc = pkixasn::attributeDecode(in, attr_.type, &a);
  if (rc != 0) return pkixasn::derFailure(rc);
  attr_ = std::move(a);
  has_value_ = true;
  return checkID();
}

template <class I>
int PkixAttribute<I>::writeDer(DerBuilder& out) {
  if (!has_value_ || attr_.oid.empty()) return pkixrc::kUnavailable;
  const int rc = pkixasn::attributeEncode(attr_, out);
  return rc == 0 ? 0 : pkixasn::derFailure(rc);
}

// ---------------------------------------------------------------------------
// The value kinds

ASNLocalKeyIdAttribute::~ASNLocalKeyIdAttribute() = default;
int ASNLocalKeyIdAttribute::tagFor(const Octets&, unsigned char* tag) {
  *tag = der::kOctetString;
  return 0;
}

ASNFriendlyNameAttribute::~ASNFriendlyNameAttribute() = default;
int ASNFriendlyNameAttribute::tagFor(const Octets& v, unsigned char* tag) {
  if (v.size() % 2 != 0) return pkixrc::kBadArgument;
  *tag = der::kBmpString;
  return 0;
}

namespace {

// X.680 PrintableString: A-Z a-z 0-9 space ' ( ) + , - . / : = ?
bool IsPrintable(const Octets& v) {
  for (unsigned char c : v) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    (c != 0 && std::strchr(" '()+,-./:=?", c) != nullptr);
    if (!ok) return false;
  }
  return true;
}

// Content octets of the whole element der (tag and length dropped).
Octets ContentOf(const Buffer& der) {
  Buffer b = der;
  const int n = asn1_der_decode(der.data[0], &b);
  return n < 0 ? Octets() : Octets(b.data, b.data + n);
}

}  // namespace

ASNChalPassAttribute::~ASNChalPassAttribute() = default;
int ASNChalPassAttribute::tagFor(const Octets& v, unsigned char* tag) {
  *tag = IsPrintable(v) ? der::kPrintableString : der::kUtf8String;
  return 0;
}

ASNExtensionAttribute::~ASNExtensionAttribute() = default;

int ASNExtensionAttribute::tagFor(const Octets& v, unsigned char* tag) {
  // Only a well-formed Extensions content is taken.
  DerBuilder whole;
  whole.prepend(v.data(), static_cast<uint32_t>(v.size()));
  if (whole.wrap(der::kSequence) != 0) return pkixrc::kNoMemory;
  DerReader r(whole.view());
  std::vector<Octets> exts;
  if (pkixasn::extensionsDecode(r, &exts) != 0 || r.left() != 0) return pkixrc::kFailed;
  *tag = der::kSequence;
  return 0;
}

int ASNExtensionAttribute::setValue(const aExtnList& l) {
  if (l.raw() == nullptr) return fail(pkixrc::kBadArgument);
  aExtnList walk(l);
  std::vector<Octets> exts;
  for (std::optional<aExtn> e(walk.getFirst()); e->raw() != nullptr; e.emplace(walk.getNext())) {
    Octets der = pkixasn::octetsOf(e->getRaw());
    if (der.empty()) return fail(pkixrc::kFailed);
    exts.push_back(std::move(der));
  }
  DerBuilder out;
  if (pkixasn::extensionsEncode(exts, out) != 0) return fail(pkixrc::kFailed);
  attr_.value_tag = der::kSequence;
  attr_.value = ContentOf(out.view());
  has_value_ = true;
  return error_ = 0;
}

aExtnList ASNExtensionAttribute::getExtensions() {
  aExtnList l;
  if (!has_value_) return l;
  DerBuilder whole;
  whole.prepend(attr_.value.data(), static_cast<uint32_t>(attr_.value.size()));
  whole.wrap(der::kSequence);
  DerReader r(whole.view());
  std::vector<Octets> exts;
  if (pkixasn::extensionsDecode(r, &exts) != 0) return l;
  for (const Octets& x : exts) {
    aExtn e(pkixasn::aBufOf(x));
    if (e.raw() != nullptr) l.append(e);
  }
  return l;
}

ASNAnyAttribute::~ASNAnyAttribute() = default;

int ASNAnyAttribute::tagFor(const Octets&, unsigned char* tag) {
  *tag = value_id_;
  return 0;
}

int ASNAnyAttribute::setValue(CMN_ASN_Buf_Stub& v) {
  if (v.empty()) return fail(pkixrc::kBadArgument);
  // One value of the identifier chosen: the SET's content.
  DerBuilder one;
  const Octets content = pkixasn::octetsOf(v);
  one.prepend(content.data(), static_cast<uint32_t>(content.size()));
  if (one.wrap(value_id_) != 0) return fail(pkixrc::kNoMemory);
  attr_.value.assign(one.view().data, one.view().data + one.view().len);
  has_value_ = true;
  return error_ = 0;
}

int ASNAnyAttribute::setOID(CMN_ASN_Buf_Stub& oid) {
  if (oid.empty()) return fail(pkixrc::kBadArgument);
  Octets v = pkixasn::octetsOf(oid);
  Buffer b{nullptr, v.data(), static_cast<uint32_t>(v.size())};
  if (asn1_oid_check(&b) != 0) return fail(pkixrc::kFailed);
  attr_.oid = std::move(v);
  return error_ = 0;
}

int ASNAnyAttribute::setValueId(unsigned id, unsigned char flag) {
  if (id > pkixasn::kAsnMaxTagNumber || (flag & ~pkixasn::kAsnFlagMask) != 0) return fail(pkixrc::kBadArgument);
  value_id_ = static_cast<unsigned char>(flag | id);
  return error_ = 0;
}

unsigned ASNAnyAttribute::getValueId() {
  const unsigned char id = has_value_ && !attr_.value.empty() ? attr_.value[0] : value_id_;
  return id & der::kTagNumberMask;
}

unsigned char ASNAnyAttribute::getValueFlag() {
  const unsigned char id = has_value_ && !attr_.value.empty() ? attr_.value[0] : value_id_;
  return static_cast<unsigned char>(id & pkixasn::kAsnFlagMask);
}

// ---------------------------------------------------------------------------
// Making attributes

namespace pkixasn {

CMN_ASN_Type_Interface* createAttribute(int t) {
  switch (t) {
    case kAttrExtensionRequest: return newAsnObject<ASNExtensionAttribute>();
    case kAttrLocalKeyId: return newAsnObject<ASNLocalKeyIdAttribute>();
    case kAttrFriendlyName: return newAsnObject<ASNFriendlyNameAttribute>();
    case kAttrChallengePassword: return newAsnObject<ASNChalPassAttribute>();
    case kAttrAny: return newAsnObject<ASNAnyAttribute>();
    default: return nullptr;
  }
}

}  // namespace pkixasn

namespace {

// The type of the Attribute at the cursor, by its identifier; 0 when the
// element is no Attribute.
int TypeAt(const Buffer& at) {
  DerReader r(at);
  pkixasn::Attribute a;
  return pkixasn::attributeDecodeAny(r, &a) == 0 ? a.type : 0;
}

// A new attribute object of the type read at view, decoded from it through
// a buffer of the host's service; an empty stub when either fails.
CMN_ASN_BaseAttribute AttributeAt(CMN_ASN_Buf_Interface* in) {
  const Buffer view{nullptr, in->datap(), in->len_of_datap()};
  const int type = TypeAt(view);
  CMN_ASN_BaseAttribute made(CMN_ASN_BaseAttribute::Adopt{}, static_cast<Attribute_Interface*>(pkixasn::createAttribute(type)));
  Attribute_Interface* a = made.get();
  if (a == nullptr || a->decode(in) != 0) return CMN_ASN_BaseAttribute();
  return made;
}

}  // namespace

CMN_ASN_BaseAttribute createAttr(CMN_ASN_Buf_Stub& in) {
  CMN_ASN_Buf_Interface* b = in.get();
  if (b == nullptr) return CMN_ASN_BaseAttribute();
  GuardLockVar g(b->getGuard());
  return AttributeAt(b);
}

// ---------------------------------------------------------------------------
// The set

ASNAttributes::ASNAttributes() {
  flag_ = pkixasn::kAsnConstructed;  // universal, constructed
  obj_id_ = 17;                      // SET
}

ASNAttributes::~ASNAttributes() = default;

CMN_ASN_BaseAttribute ASNAttributes::getFirst() {
  cursor_ = 0;
  return attrs_.empty() ? CMN_ASN_BaseAttribute() : attrs_[0];
}

CMN_ASN_BaseAttribute ASNAttributes::getNext() {
  if (cursor_ + 1 >= attrs_.size()) {
    cursor_ = attrs_.size();
    return CMN_ASN_BaseAttribute();
  }
  return attrs_[++cursor_];
}

int ASNAttributes::append(const CMN_ASN_BaseAttribute& a) {
  if (a.get() == nullptr) return fail(pkixrc::kFailed);
  attrs_.push_back(a);
  return error_ = 0;
}

int ASNAttributes::delAttr() {
  attrs_.clear();
  cursor_ = 0;
  return 0;
}

int ASNAttributes::readDer(DerReader& in) {
  const unsigned char tag = static_cast<unsigned char>(flag_ | obj_id_);
  if (in.peek() != tag) return pkixrc::kFailed;
  std::vector<CMN_ASN_BaseAttribute> found;
  int failed = 0;
  const int rc = in.element(tag, [&](DerReader& set) {
    while (!set.atEnd()) {
      // Each Attribute through a buffer of the host's service, as the
      // attribute objects read.
      Buffer one{};
      Buffer rest{nullptr, const_cast<unsigned char*>(set.pos()), set.left()};
      if (asn1_decode_any_type(&rest, &one) < 0) return X509ASN_E_VALUE;
      CMN_ASN_Buf_Stub b(one.data, one.len);
      if (b.empty()) return failed = pkixrc::kFailed, X509ASN_E_VALUE;
      CMN_ASN_BaseAttribute a = createAttr(b);
      if (a.get() == nullptr) return X509ASN_E_VALUE;
      found.push_back(a);
      set.moveTo(one.data + one.len);
    }
    return 0;
  });
  if (rc != 0) return failed != 0 ? failed : pkixasn::derFailure(rc);
  attrs_ = std::move(found);
  cursor_ = 0;
  return 0;
}

int ASNAttributes::writeDer(DerBuilder& out) {
  const unsigned char tag = static_cast<unsigned char>(flag_ | obj_id_ | pkixasn::kAsnConstructed);
  return pkixasn::derFailure(out.element(tag, [&](DerBuilder& set) {
    for (size_t i = attrs_.size(); i-- > 0;) {
      CMN_ASN_Buf_Stub enc = attrs_[i].encode();
      if (enc.empty()) return X509ASN_E_VALUE;
      DER_TRY(set.prepend(enc.datap(), enc.len_of_datap()));
    }
    return 0;
  }));
}
