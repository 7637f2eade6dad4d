// The name object: DER held in a buffer, its normalised form and tree made
// on first need, text and selectors in and out, comparisons and
// combinations.
#include "name/x509name.h"

#include <cstring>
#include <new>
#include <string>
#include <typeinfo>

#include "cert/x509.h"
#include "support/abuf.h"
#include "name/name.h"
#include "name/selname.h"
#include "name/x509conv.h"
#include "support/buffers.h"
#include "support/ref.h"
#include "support/result_codes.h"

namespace {

using pkixrc::kBadArgument;
using pkixrc::kFailed;
using pkixrc::kNoMemory;
using pkixrc::kNotFound;
using pkixrc::kOk;
using pkixrc::kUnavailable;
constexpr int kBadIp = pkixrc::kMalformed;  // an IP-address component that is not 4 octets

constexpr unsigned char kDirectoryNameTag = 0xA4;

// Results besides 1 and 0 of the attribute walk and of is_empty.
constexpr int kWalkFailed = -1;       // no walk possible for this name
constexpr int kMalformedHeader = -1;  // the outer SEQUENCE header does not decode

// Selector tags of the IP-address components (X509S_IP, X509I_IP).
constexpr unsigned kSubjectIpTag = SEL_TAG(SEL_X509S, SEL_X509_IP);
constexpr unsigned kIssuerIpTag = SEL_TAG(SEL_X509I, SEL_X509_IP);

// The name as an X509Name, or null for another implementation. A type
// check rather than a cast through the hierarchy: cheap enough for the
// comparison path.
X509Name* AsOurs(TName& n) { return typeid(n) == typeid(X509Name) ? static_cast<X509Name*>(&n) : nullptr; }

// Whether both buffers are there and hold the same octets.
bool SameOctets(TBuf* a, TBuf* b) {
  if (a == nullptr || b == nullptr) return false;
  Buffer x = viewOf(a), y = viewOf(b);
  return x.len == y.len && (x.len == 0 || std::memcmp(x.data, y.data, x.len) == 0);
}

// Checks a name element of one kind with the certificate parser's name
// checks; on success in is advanced past the element. 0 or the walkers'
// code.
int CheckName(int kind, Buffer* in) { return kind == TName::NAME_DN ? x509_parse_dn(in) : x509_parse_gn(in); }

// The content octets of the outer SEQUENCE of a checked name element.
bool OuterContent(const Buffer* der, Buffer* content) {
  Buffer v;
  link_buffer(&v, der);
  int n = asn1_der_decode(0x30, &v);
  if (n >= 0) return set_buffer(content, static_cast<uint32_t>(n), v.data) == 0;
  if (n != X509ASN_INDEFINITE || v.len < 2) return false;
  return set_buffer(content, v.len - 2, v.data) == 0;  // the checked element ends with 00 00
}

// Appends the content of name's outer SEQUENCE to out.
bool AppendContent(TName* name, std::string* out) {
  Ref<TBuf> der = adoptRef(name->getRaw());
  Buffer whole = viewOf(der.get());
  Buffer content;
  if (whole.len == 0 || !OuterContent(&whole, &content)) return false;
  out->append(reinterpret_cast<const char*>(content.data), content.len);
  return true;
}

std::string Header(unsigned char tag, size_t len) {
  std::string h(1, static_cast<char>(tag));
  if (len < 0x80) return h + static_cast<char>(len);
  std::string octets;
  for (size_t v = len; v != 0; v >>= 8) octets.insert(octets.begin(), static_cast<char>(v & 0xFF));
  return h + static_cast<char>(0x80 | octets.size()) + octets;
}

TName* NameFromContent(TName::name_type_t type, const std::string& content) {
  std::string der = Header(0x30, content.size()) + content;
  return createTName(type, reinterpret_cast<const unsigned char*>(der.data()),
                     static_cast<unsigned>(der.size()));
}

TBuf* TextBuf(const char* text, size_t len_with_zero) {
  return createTBuf(reinterpret_cast<const unsigned char*>(text), static_cast<unsigned>(len_with_zero));
}

}  // namespace

// ---- Lifetime ------------------------------------------------------------------

X509Name::X509Name(name_type_t type)
    : flags_(0),
      type_(type),
      attr_tag_(0),
      has_attr_(false),
      walk_(nullptr),
      error_(kOk) {
  init_buffer(&attr_type_);
  init_buffer(&attr_value_);
  std::memset(&walk_state_, 0, sizeof walk_state_);
}

X509Name::~X509Name() { reinit(); }

void X509Name::reinit() {
  raw_.reset();
  norm_.reset();
  tree_.reset();
  walk_ = nullptr;
  std::memset(&walk_state_, 0, sizeof walk_state_);
  init_buffer(&attr_type_);
  init_buffer(&attr_value_);
  attr_tag_ = 0;
  has_attr_ = false;
  flags_ = 0;
  error_ = kOk;
}

// ---- DER and text in ----------------------------------------------------------

int X509Name::setRaw(TBuf* der) {
  if (der == nullptr) return error_ = kBadArgument;
  reinit();
  Buffer in = viewOf(der);
  if (in.len == 0) return error_ = kFailed;  // no octets: no name
  int kind = kindOf(type_);
  if (kind == NAME_NONE) {
    int d = isDN(&in);
    if (d < 0) return error_ = kFailed;
    kind = d == 1 ? NAME_DN : NAME_GN;
    type_ = static_cast<name_type_t>(roleOf(type_) | kind);
  }
  if (kind != NAME_DN && kind != NAME_GN) return error_ = kFailed;
  Buffer rest = in;
  if (CheckName(kind, &rest) != 0) return error_ = kFailed;
  raw_.reset(createTBuf(in.data, in.len - rest.len));  // reinit left it empty
  return error_ = raw_ != nullptr ? kOk : kNoMemory;
}

TBuf* X509Name::getRaw() {
  error_ = raw_ != nullptr ? kOk : kUnavailable;
  return raw_.newRef();
}

int X509Name::setPrintable(const char* text) {
  if (text == nullptr) return error_ = kBadArgument;
  reinit();
  int kind = kindOf(type_);
  if (kind != NAME_DN && kind != NAME_GN) return error_ = kFailed;
  Buffer in;
  set_buffer(&in, static_cast<uint32_t>(std::strlen(text)), reinterpret_cast<const unsigned char*>(text));
  OwnedBuffer der;
  if (x509_enc_name(&in, &der.b, 0) != 0) return error_ = kFailed;
  int d = isDN(&der.b);
  if (kind == NAME_DN && d != 1) return error_ = kFailed;
  if (kind == NAME_GN && d == 1) {
    // A distinguished name alone becomes one directory-name component.
    if (asn1_der_encode(kDirectoryNameTag, &der.b) != 0 || asn1_der_encode(0x30, &der.b) != 0)
      return error_ = kNoMemory;
  }
  // The text may name choices whose content the text form cannot give (a
  // directory name written as a string): only a well-formed name is kept.
  Buffer check;
  link_buffer(&check, &der.b);
  if (CheckName(kind, &check) != 0 || check.len != 0) return error_ = kFailed;
  raw_.reset(createTBuf(der.b.data, der.b.len));  // reinit left it empty
  return error_ = raw_ != nullptr ? kOk : kNoMemory;
}

// ---- Text out ------------------------------------------------------------------

TBuf* X509Name::toString(int options, int mode) {
  if (raw_ == nullptr) {
    error_ = kUnavailable;
    return nullptr;
  }
  if (is_empty() == 1) {
    TBuf* t = TextBuf("\"\"", 3);
    error_ = t != nullptr ? kOk : kNoMemory;
    return t;
  }
  OwnedBuffer norm;
  Buffer raw = viewOf(raw_.get());
  const Buffer* der = &raw;
  if ((options & PRN_NORM) && !(flags_ & kNormalised)) {
    int rc = x509_norm_name(&raw, &norm.b, NORM_STRICT);
    if ((rc == kConvUnconvertible || rc == kConvForbidden) && (options & PRN_LOSSY)) {
      if (x509_norm_name(&raw, &norm.b, NORM_ASCII) != kOk) {
        error_ = kFailed;
        return nullptr;
      }
    } else if (rc != kOk) {
      error_ = rc;
      return nullptr;
    }
    der = &norm.b;
  }
  OwnedBuffer text;
  if (x509_parse_name(der, &text.b, mode) < 0) {
    error_ = kFailed;
    return nullptr;
  }
  TBuf* t = createTBuf(text.b.data, text.b.len + 1);  // with the zero after the text
  error_ = t != nullptr ? kOk : kNoMemory;
  return t;
}

TBuf* X509Name::getPrintable(prn_opt_t options) { return toString(options, 1); }

TBuf* X509Name::getUTF8String() { return toString(PRN_NORM, 3); }

// ---- Attributes ------------------------------------------------------------------

int X509Name::walk_result(int r) {
  has_attr_ = r == 1;
  error_ = r < 0 ? kFailed : kOk;
  return r;
}

int X509Name::firstAttr() {
  int kind = kindOf(type_);
  if (raw_ == nullptr || (kind != NAME_DN && kind != NAME_GN)) {
    has_attr_ = false;
    error_ = kFailed;
    return kWalkFailed;
  }
  walk_ = &walk_state_;
  const Buffer der = viewOf(raw_.get());
  int r = kind == NAME_DN ? x509_dn_gfra(walk_, &der, &attr_tag_, &attr_type_, &attr_value_)
                          : x509_gfra(walk_, &der, &attr_tag_, &attr_type_, &attr_value_);
  return walk_result(r);
}

int X509Name::nextAttr() {
  int kind = kindOf(type_);
  if (walk_ == nullptr || (kind != NAME_DN && kind != NAME_GN)) {
    has_attr_ = false;
    error_ = kFailed;
    return kWalkFailed;
  }
  int r = kind == NAME_DN ? x509_dn_gnra(walk_, &attr_tag_, &attr_type_, &attr_value_)
                          : x509_gnra(walk_, &attr_tag_, &attr_type_, &attr_value_);
  return walk_result(r);
}

int X509Name::getAttr(TBuf** type, unsigned char* tag, TBuf** value) {
  if (!has_attr_) return error_ = kUnavailable;
  Ref<TBuf> t;
  if (type != nullptr) {
    t.reset(createTBuf(attr_type_.data, attr_type_.len));
    if (!t) return error_ = kNoMemory;
  }
  if (value != nullptr) {
    TBuf* v = createTBuf(attr_value_.data, attr_value_.len);
    if (v == nullptr) return error_ = kNoMemory;
    *value = v;
  }
  if (type != nullptr) *type = t.detach();
  if (tag != nullptr) *tag = attr_tag_;
  return error_ = kOk;
}

int X509Name::is_enclosed() { return walk_ != nullptr ? static_cast<int>(walk_->enclosed) : 0; }

unsigned short X509Name::getuid(TBuf* attrType) {
  if (attrType == nullptr) {
    error_ = kBadArgument;
    return 0;
  }
  int role = roleOf(type_);
  int kind = kindOf(type_);
  if (role == 0 || (kind != NAME_DN && kind != NAME_GN)) {
    error_ = kFailed;
    return 0;
  }
  const x509_keyword_t* table = kind == NAME_DN ? sub_rdn : sub_rgn;
  unsigned count = kind == NAME_DN ? X509_SUB_RDN_COUNT : X509_SUB_RGN_COUNT;
  const Buffer type = viewOf(attrType);
  for (unsigned i = 0; i < count; ++i) {
    if (!asn1_oid_eq(&type, table[i].oid)) continue;
    error_ = kOk;
    return role == NAME_SUBJECT ? table[i].subject_tag : table[i].issuer_tag;
  }
  error_ = kNotFound;
  return 0;
}

int X509Name::is_empty() {
  if (raw_ == nullptr) {
    error_ = kUnavailable;
    return 1;
  }
  Buffer v = viewOf(raw_.get());
  error_ = kOk;
  if (v.len == 0) return 1;
  int n = asn1_der_decode(0x30, &v);
  if (n == X509ASN_INDEFINITE) return asn1_is_eoc(&v);
  if (n < 0) {
    error_ = kFailed;
    return kMalformedHeader;
  }
  return n == 0 ? 1 : 0;
}

// ---- Normalised form and tree ------------------------------------------------------

TBuf* X509Name::norm_name() {
  if (flags_ & kNormalised) return raw_.get();
  if (norm_ != nullptr) return norm_.get();
  if (raw_ == nullptr) {
    error_ = kUnavailable;
    return nullptr;
  }
  Buffer raw = viewOf(raw_.get());
  OwnedBuffer out;
  int rc = x509_norm_name(&raw, &out.b, NORM_UPPER);
  if (rc != kOk && rc != kConvUnconvertible && rc != kConvForbidden) {
    error_ = rc;
    return nullptr;
  }
  norm_.reset(createTBuf(out.b.data, out.b.len));
  if (norm_ == nullptr) error_ = kNoMemory;
  return norm_.get();
}

NameTree* X509Name::get_tree() {
  if (tree_ != nullptr) return tree_.get();
  TBuf* norm = norm_name();
  if (norm == nullptr) return nullptr;
  Ref<NameTree> t = adoptRef(new (std::nothrow) NameTree);
  if (!t) {
    error_ = kNoMemory;
    return nullptr;
  }
  if (!t->build_tree(norm)) {
    error_ = kFailed;
    return nullptr;
  }
  tree_ = std::move(t);
  return tree_.get();
}

TName* X509Name::getNormName() {
  TBuf* norm = norm_name();
  if (norm == nullptr) return nullptr;
  X509Name* n = new (std::nothrow) X509Name(type_);
  if (n == nullptr) {
    error_ = kNoMemory;
    return nullptr;
  }
  n->raw_ = shareRef(norm);
  n->flags_ = kNormalised;
  n->tree_ = shareRef(get_tree());
  error_ = kOk;
  return n;
}

// ---- Selectors ---------------------------------------------------------------------

_selector* X509Name::getSelector(const _selector* base) {
  int kind = kindOf(type_);
  if (raw_ == nullptr || kind == NAME_NONE) {
    error_ = kUnavailable;
    return nullptr;
  }
  if (kind == NAME_DN) {
    unsigned type = type_ == (NAME_DN | NAME_ISSUER) ? SEL_CERT_ISSUER : SEL_CERT_SUBJECT;
    unsigned sub = (flags_ & kTemplate) ? SEL_NAME_TEMPLATE : SEL_NAME_COMPLETE;
    const Buffer der = viewOf(raw_.get());
    _selector* s = sel_insert(base, SEL_TAG(type, sub), static_cast<unsigned>(der.len), der.data, 0u, 0u);
    error_ = s != nullptr ? kOk : kFailed;
    return s;
  }
  _selector* s = base != nullptr ? sel_duplicate(base) : sel_create_empty();
  if (s == nullptr) {
    error_ = kNoMemory;
    return nullptr;
  }
  int rc = kOk;
  int r = firstAttr();
  for (; r == 1; r = nextAttr()) {
    if (asn1_oid_eq(&attr_type_, directoryName)) continue;
    Ref<TBuf> t = adoptRef(createTBuf(attr_type_.data, attr_type_.len));
    if (!t) {
      rc = kNoMemory;
      break;
    }
    unsigned tag = getuid(t.get());
    if (tag == 0) continue;
    _selector* next = nullptr;
    if (tag == kSubjectIpTag || tag == kIssuerIpTag) {
      if (attr_value_.len != 4) {
        rc = kBadIp;
        break;
      }
      unsigned ip = 0;
      std::memcpy(&ip, attr_value_.data, 4);
      next = sel_insert(s, tag, ip, 0u, 0u);
    } else {
      OwnedBuffer esc;
      if (x509_esc_value(&attr_value_, &esc.b, X509_ESC_ASCII) < 0) {
        rc = kFailed;
        break;
      }
      next = sel_insert(s, tag, static_cast<unsigned>(esc.b.len), esc.b.data, 0u, 0u);
    }
    if (next == nullptr) {
      rc = kNoMemory;
      break;
    }
    sel_destroy(s);
    s = next;
  }
  if (rc == kOk && r < 0) rc = kFailed;  // the walk itself failed
  error_ = rc;
  if (rc != kOk) {
    sel_destroy(s);
    return nullptr;
  }
  return s;
}

int X509Name::setSelector(const _selector* sel) {
  reinit();
  if (sel == nullptr) return error_ = kOk;
  int role = roleOf(type_);
  if (role == 0) return error_ = kBadArgument;
  OwnedBuffer der;
  int complete = 1;
  int rc = sel_compile_name(sel, role == NAME_ISSUER, kindOf(type_) == NAME_GN, &der.b, &complete);
  if (rc != 0) return error_ = kFailed;
  if (der.b.len == 0) return error_ = kNotFound;
  Ref<TBuf> b = adoptRef(createTBuf(der.b.data, der.b.len));
  if (!b) return error_ = kNoMemory;
  rc = setRaw(b.get());
  if (rc == kOk && complete == 0) flags_ |= kTemplate;
  return rc;
}

void X509Name::setComplete(int complete) {
  if (complete == 0) {
    flags_ |= kTemplate;
  } else {
    flags_ &= static_cast<uint8_t>(~kTemplate);
  }
}

// ---- Comparisons --------------------------------------------------------------------

int X509Name::same_raw(TName& other) {
  if (X509Name* o = AsOurs(other)) return SameOctets(raw_.get(), o->raw_.get());
  Ref<TBuf> theirs = adoptRef(other.getRaw());
  return SameOctets(raw_.get(), theirs.get());
}

bool X509Name::has_der(TName& other) {
  if (X509Name* o = AsOurs(other)) return o->raw_ != nullptr;
  Ref<TBuf> der = adoptRef(other.getRaw());
  return static_cast<bool>(der);
}

NameTree* X509Name::tree_of(TName& other, Ref<NameTree>* temporary) {
  temporary->reset();
  if (X509Name* o = AsOurs(other)) return o->get_tree();
  // Another implementation: a name of ours over its DER.
  Ref<TBuf> der = adoptRef(other.getRaw());
  Ref<TName> copy = adoptRef(createTName(other.getType(), der.get()));
  if (!copy) return nullptr;
  *temporary = shareRef(static_cast<X509Name*>(copy.get())->get_tree());
  return temporary->get();
}

int X509Name::operator==(TName& other) {
  error_ = kOk;
  if (&other == this) return 1;
  if (X509Name* o = AsOurs(other)) {
    // The common case in one pass: octets, then the cached trees.
    if (kindOf(o->type_) == NAME_NONE || raw_ == nullptr || o->raw_ == nullptr) return 0;
    // Names equal octet for octet have equal trees: with both trees cached
    // the octets need not be looked at.
    if (tree_ != nullptr && o->tree_ != nullptr) return tree_->match(o->tree_.get());
    if (SameOctets(raw_.get(), o->raw_.get())) return 1;
    NameTree* mine = get_tree();
    NameTree* theirs = mine != nullptr ? o->get_tree() : nullptr;
    if (mine != nullptr && theirs != nullptr) return mine->match(theirs);
    if (is_empty() == 1 && o->is_empty() == 1) return 1;
    error_ = kFailed;
    return 0;
  }
  if (kindOf(other.getType()) == NAME_NONE) return 0;
  if (raw_ == nullptr || !has_der(other)) return 0;
  if (same_raw(other)) return 1;
  NameTree* mine = get_tree();
  Ref<NameTree> temp;
  NameTree* theirs = mine != nullptr ? tree_of(other, &temp) : nullptr;
  if (mine != nullptr && theirs != nullptr) return mine->match(theirs);
  if (is_empty() == 1 && other.is_empty() == 1) return 1;
  error_ = kFailed;
  return 0;
}

int X509Name::operator<<(TName& other) {
  error_ = kOk;
  if (&other == this) return 1;
  if (other.is_empty() == 1) return 1;
  if (kindOf(other.getType()) == NAME_NONE || raw_ == nullptr || !has_der(other)) return 0;
  if (same_raw(other)) return 1;
  NameTree* mine = get_tree();
  Ref<NameTree> temp;
  NameTree* theirs = mine != nullptr ? tree_of(other, &temp) : nullptr;
  if (mine == nullptr || theirs == nullptr) {
    error_ = kFailed;
    return 0;
  }
  return mine->subtree(theirs);
}

int X509Name::doesContainSmth(TName* other) {
  error_ = kOk;
  if (other == nullptr || kindOf(other->getType()) == NAME_NONE) return 0;
  NameTree* mine = get_tree();
  Ref<NameTree> temp;
  NameTree* theirs = mine != nullptr ? tree_of(*other, &temp) : nullptr;
  if (mine == nullptr || theirs == nullptr) {
    error_ = kFailed;
    return 0;
  }
  return mine->intersect(theirs);
}

// ---- Combinations and conversions -----------------------------------------------------

TName& X509Name::operator+=(TName& other) {
  int mine = kindOf(type_);
  int theirs = kindOf(other.getType());
  if ((mine != NAME_DN && mine != NAME_GN) || (theirs != NAME_DN && theirs != NAME_GN)) {
    error_ = kBadArgument;
    return *this;
  }
  Ref<TName> sum;
  name_type_t result_type = type_;
  if (mine == theirs) {
    sum.reset(NplusN(this, &other));
  } else if (mine == NAME_GN) {
    sum.reset(GNplusDN(this, &other));
  } else {
    // DN += GN gives general names, and the kind follows the result.
    sum.reset(GNplusDN(&other, this));
    result_type = static_cast<name_type_t>(roleOf(type_) | NAME_GN);
  }
  Ref<TBuf> der = adoptRef(sum ? sum->getRaw() : nullptr);
  if (!der) {
    error_ = kFailed;
    return *this;
  }
  name_type_t before = type_;
  type_ = result_type;
  if (setRaw(der.get()) != kOk) {
    type_ = before;
    error_ = kFailed;
  }
  return *this;
}

TName* X509Name::produce(name_type_t type) {
  int mine = kindOf(type_);
  int wanted = kindOf(type);
  if (mine == NAME_NONE || wanted == NAME_NONE) {
    error_ = kBadArgument;
    return nullptr;
  }
  if (mine == wanted) {
    auto* d = static_cast<X509Name*>(dup());
    if (d != nullptr) d->type_ = type;
    return d;
  }
  if (wanted == NAME_DN) {
    for (int r = firstAttr(); r == 1; r = nextAttr()) {
      if (attr_tag_ != kDirectoryNameTag) continue;
      TName* n = createTName(type, attr_value_.data, attr_value_.len);
      error_ = n != nullptr ? kOk : kFailed;
      return n;
    }
    if (error_ == kOk) error_ = kNotFound;
    return nullptr;
  }
  auto* n = static_cast<X509Name*>(GNplusDN(nullptr, this));
  if (n == nullptr) {
    error_ = kFailed;
    return nullptr;
  }
  n->type_ = type;
  error_ = kOk;
  return n;
}

TName* X509Name::dup() {
  X509Name* d = new (std::nothrow) X509Name(type_);
  if (d == nullptr) {
    error_ = kNoMemory;
    return nullptr;
  }
  d->flags_ = flags_;
  d->raw_ = raw_;
  d->norm_ = norm_;
  d->tree_ = tree_;
  error_ = kOk;
  return d;
}

// ---- Free functions ----------------------------------------------------------------------

TName* createTName(TName::name_type_t type, TBuf* der) {
  if (der == nullptr) return nullptr;
  Ref<X509Name> n = adoptRef(new (std::nothrow) X509Name(type));
  if (!n || n->setRaw(der) != kOk) return nullptr;
  return n.detach();
}

TName* createTName(TName::name_type_t type, const unsigned char* data, unsigned int len) {
  if (data == nullptr || len == 0) return nullptr;
  Ref<TBuf> b = adoptRef(createTBuf(data, len));
  return b ? createTName(type, b.get()) : nullptr;
}

TName* createTName(TName::name_type_t type) {
  static const unsigned char kEmpty[] = {0x30, 0x00};
  return createTName(type, kEmpty, sizeof kEmpty);
}

int createTName(TName::name_type_t type, const _selector* sel, TName** out) {
  if (out == nullptr) return kBadArgument;
  *out = nullptr;
  Ref<TName> n = adoptRef(createTName(type));
  if (!n) return kNoMemory;
  int rc = n->setSelector(sel);
  if (rc != kOk) return rc;
  *out = n.detach();
  return kOk;
}

TName* createTName(TName::name_type_t type, TName* other) {
  return other != nullptr ? other->produce(type) : nullptr;
}

TName* GNplusDN(TName* gn, TName* dn) {
  if (dn == nullptr) return gn != nullptr ? gn->dup() : nullptr;
  try {
    std::string content;
    if (gn != nullptr && !AppendContent(gn, &content)) return nullptr;
    Ref<TBuf> der = adoptRef(dn->getRaw());
    if (!der) return nullptr;
    const Buffer d = viewOf(der.get());
    content += Header(kDirectoryNameTag, d.len);
    content.append(reinterpret_cast<const char*>(d.data), d.len);
    TName::name_type_t type = gn != nullptr ? gn->getType() : TName::NAME_GN;
    return NameFromContent(type, content);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

TName* NplusN(TName* a, TName* b) {
  if (a == nullptr) return nullptr;
  if (b == nullptr) return a->dup();
  try {
    std::string content;
    if (!AppendContent(a, &content) || !AppendContent(b, &content)) return nullptr;
    return NameFromContent(a->getType(), content);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
