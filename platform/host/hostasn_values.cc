// The ASN.1 type service's primitive kinds: the generic element, BOOLEAN,
// INTEGER, the strings, BIT STRING, NULL, OBJECT IDENTIFIER, the two times
// and the template. Content octets are checked and coded here; identifiers
// and lengths by the common base over the support library.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>

#include "host/hostasn_impl.h"

namespace pkixhost {
namespace asnimpl {

namespace {

// Universal identifier octets.
constexpr unsigned char kIdBoolean = 0x01;
constexpr unsigned char kIdInteger = 0x02;
constexpr unsigned char kIdBitString = 0x03;
constexpr unsigned char kIdOctetString = 0x04;
constexpr unsigned char kIdNull = 0x05;
constexpr unsigned char kIdObjectId = 0x06;
constexpr unsigned char kIdPrintable = 0x13;
constexpr unsigned char kIdIA5 = 0x16;
constexpr unsigned char kIdUtcTime = 0x17;
constexpr unsigned char kIdGeneralTime = 0x18;
constexpr unsigned char kIdUniversal = 0x1C;
constexpr unsigned char kIdBMP = 0x1E;

constexpr unsigned char kDerTrue = 0xFF;
constexpr unsigned kMaxUnusedBits = 7;

Bytes BytesOf(View v) { return v.n == 0 ? Bytes() : Bytes(v.p, v.p + v.n); }
View ViewOf(const Bytes& b) { return View{b.empty() ? nullptr : b.data(), static_cast<uint32_t>(b.size())}; }

// A new buffer holding b, as the reference handed to the caller.
CMN_ASN_Buf_Interface* BufferOf(const Bytes& b) { return NewRef(AsnBuf::Copy(ViewOf(b))); }

// ---------------------------------------------------------------------------
// BER segments of a constructed string: elements of the kind's universal
// identifier, primitive or (again) constructed, joined in order. For a BIT
// STRING each primitive segment starts with its unused-bits octet, which
// only the last segment may make non-zero.

int JoinSegments(View content, unsigned char universal, bool bits, Bytes* out, unsigned* unused) {
  DepthGuard depth;
  if (!depth.ok()) return kAsnTooDeep;
  while (content.n > 0) {
    if (*unused != 0) return kAsnBadValue;  // a segment after one with unused bits
    Element s;
    int rc = ReadElement(content, true, &s);
    if (rc != kAsnOk) return rc;
    if (s.id == (universal | kAsnConstructed)) {
      rc = JoinSegments(s.content, universal, bits, out, unused);
      if (rc != kAsnOk) return rc;
    } else if (s.id == universal) {
      View v = s.content;
      if (bits) {
        if (v.n == 0 || v.p[0] > kMaxUnusedBits || (v.n == 1 && v.p[0] != 0)) return kAsnBadValue;
        *unused = v.p[0];
        v = View{v.n == 1 ? nullptr : v.p + 1, v.n - 1};
      }
      if (v.n > 0) out->insert(out->end(), v.p, v.p + v.n);
    } else {
      return kAsnBadValue;
    }
    content = View{content.n == s.total ? nullptr : content.p + s.total, content.n - s.total};
  }
  return kAsnOk;
}

// ---------------------------------------------------------------------------
// The generic kind: one whole element kept as its octets.

class AsnGeneric final : public Cloning<AsnGeneric, AsnValue<CMN_ASN_Type_Interface>> {
 public:
  AsnGeneric() : Cloning(kKindGeneric, 0, IdKind::kHeld) {}
  int isConstructed() override { return !raw_.empty() && (raw_[0] & kAsnConstructed) != 0 ? 1 : 0; }

 protected:
  unsigned char HeldId() override { return raw_.empty() ? 0 : raw_[0]; }
  int EncodeElement(Buffer* out) override {
    if (raw_.empty()) return kAsnNotSet;
    return Prepend(out, ViewOf(raw_));
  }
  int DecodeAt(CMN_ASN_Buf_Interface* in, uint32_t* used) override {
    View v = UnreadOf(in);
    Element e;
    int rc = ReadElement(v, ber(), &e);
    if (rc != kAsnOk) return rc;
    raw_.assign(v.p, v.p + e.total);
    *used = e.total;
    return *in >> e.total;
  }

 private:
  Bytes raw_;
};

// ---------------------------------------------------------------------------
// BOOLEAN

class AsnBool final : public Cloning<AsnBool, AsnValue<CMN_ASN_Bool_Interface>> {
 public:
  AsnBool() : Cloning(kKindBool, kIdBoolean, IdKind::kPrimitive) {}
  int value() override { return value_ ? 1 : 0; }
  int value(int v) override {
    value_ = v != 0;
    return Result(kAsnOk);
  }

 protected:
  int EncodeContent(Buffer* out) override {
    unsigned char octet = value_ ? kDerTrue : 0x00;
    return Prepend(out, View{&octet, 1});
  }
  int DecodeContent(const Element& e) override {
    if (e.content.n != 1) return kAsnBadValue;
    unsigned char octet = e.content.p[0];
    if (!ber() && octet != 0x00 && octet != kDerTrue) return kAsnNotDer;
    value_ = octet != 0;
    return kAsnOk;
  }

 private:
  bool value_ = false;
};

// ---------------------------------------------------------------------------
// INTEGER: kept as minimal two's complement octets.

bool RedundantLead(const Bytes& v) {
  return v.size() > 1 && ((v[0] == 0x00 && (v[1] & 0x80) == 0) || (v[0] == 0xFF && (v[1] & 0x80) != 0));
}

void Minimise(Bytes* v) {
  size_t drop = 0;
  while (drop + 1 < v->size() &&
         (((*v)[drop] == 0x00 && ((*v)[drop + 1] & 0x80) == 0) ||
          ((*v)[drop] == 0xFF && ((*v)[drop + 1] & 0x80) != 0)))
    ++drop;
  v->erase(v->begin(), v->begin() + static_cast<std::ptrdiff_t>(drop));
}

bool IsNegative(const Bytes& v) { return !v.empty() && (v[0] & 0x80) != 0; }

// -v in two's complement (one sign octet more, then minimised).
Bytes Negated(const Bytes& v) {
  Bytes out(v.size() + 1);
  out[0] = IsNegative(v) ? 0xFF : 0x00;
  std::memcpy(out.data() + 1, v.data(), v.size());
  unsigned carry = 1;
  for (size_t i = out.size(); i-- > 0;) {
    unsigned x = static_cast<unsigned char>(~out[i]) + carry;
    out[i] = static_cast<unsigned char>(x);
    carry = x >> 8;
  }
  Minimise(&out);
  return out;
}

class AsnInteger final : public Cloning<AsnInteger, AsnValue<CMN_ASN_Integer_Interface>> {
 public:
  AsnInteger() : Cloning(kKindInteger, kIdInteger, IdKind::kPrimitive) {}

  int setValue(CMN_ASN_Buf_Interface* value) override {
    if (value == nullptr) return Result(kAsnBadArgument);
    View v = UnreadOf(value);
    return setValue(v.p, v.n);
  }
  CMN_ASN_Buf_Interface* getValue() override {
    if (value_.empty()) return FailNull(kAsnNotSet);
    return BufferOf(value_);
  }
  int setValue(const unsigned char* p, unsigned len) override {
    if (p == nullptr || len == 0) return Result(kAsnBadArgument);
    value_.assign(p, p + len);
    Minimise(&value_);
    return Result(kAsnOk);
  }
  int setNumber(CMN_ASN_Buf_Interface* magnitude) override {
    if (magnitude == nullptr) return Result(kAsnBadArgument);
    View v = UnreadOf(magnitude);
    return SetMagnitude(v);
  }
  int setNumber(const unsigned char* p, unsigned len) override {
    if (p == nullptr && len > 0) return Result(kAsnBadArgument);
    return SetMagnitude(View{p, len});
  }
  CMN_ASN_Buf_Interface* getNumber() override {
    if (value_.empty()) return FailNull(kAsnNotSet);
    Bytes m = IsNegative(value_) ? Negated(value_) : value_;
    // A positive two's complement value may carry one 00 sign octet.
    if (m.size() > 1 && m[0] == 0x00) m.erase(m.begin());
    return BufferOf(m);
  }
  int signum() override {
    if (value_.empty()) return 0;
    if (IsNegative(value_)) return -1;
    return value_.size() == 1 && value_[0] == 0 ? 0 : 1;
  }
  int signum(int sign) override {
    if (value_.empty()) return Result(kAsnNotSet);
    if ((sign < 0) != IsNegative(value_) && signum() != 0) value_ = Negated(value_);
    return Result(kAsnOk);
  }

 protected:
  int EncodeContent(Buffer* out) override {
    if (value_.empty()) return kAsnNotSet;
    return Prepend(out, ViewOf(value_));
  }
  int DecodeContent(const Element& e) override {
    Bytes v = BytesOf(e.content);
    if (v.empty() || RedundantLead(v)) return kAsnBadValue;
    value_.swap(v);
    return kAsnOk;
  }

 private:
  int SetMagnitude(View v) {
    Bytes m(1, 0x00);  // a sign octet, dropped again by Minimise when not needed
    if (v.n > 0) m.insert(m.end(), v.p, v.p + v.n);
    Minimise(&m);
    value_.swap(m);
    return Result(kAsnOk);
  }

  Bytes value_;
};

// ---------------------------------------------------------------------------
// OCTET STRING and the character strings.

bool AnyOctets(View) { return true; }
bool PrintableChars(View v) {
  static const char kExtra[] = " '()+,-./:=?";
  for (uint32_t i = 0; i < v.n; ++i) {
    unsigned char c = v.p[i];
    bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
              (c != 0 && std::strchr(kExtra, c) != nullptr);
    if (!ok) return false;
  }
  return true;
}
bool IA5Chars(View v) {
  for (uint32_t i = 0; i < v.n; ++i) {
    if (v.p[i] >= 0x80) return false;
  }
  return true;
}
bool EvenOctets(View v) { return v.n % 2 == 0; }
bool QuadOctets(View v) { return v.n % 4 == 0; }

struct StringRule {
  unsigned kind;
  unsigned char id;
  bool (*valid)(View);
  // Decoding checks the characters too. PrintableString does not: widely
  // issued certificates carry '@', '&' or '*' in it.
  bool checkOnDecode;
};

const StringRule kStringRules[] = {
    {kKindOctetString, kIdOctetString, AnyOctets, true},
    {kKindPrintableString, kIdPrintable, PrintableChars, false},
    {kKindIA5String, kIdIA5, IA5Chars, true},
    {kKindBMPString, kIdBMP, EvenOctets, true},
    {kKindUniversalString, kIdUniversal, QuadOctets, true},
};

const StringRule& RuleFor(unsigned kind) {
  for (const StringRule& r : kStringRules) {
    if (r.kind == kind) return r;
  }
  return kStringRules[0];
}

template <class D, class I>
class AsnStringBase : public Cloning<D, AsnValue<I>> {
 public:
  explicit AsnStringBase(unsigned kind)
      : Cloning<D, AsnValue<I>>(kind, RuleFor(kind).id, IdKind::kString), rule_(&RuleFor(kind)) {}

  int setValue(CMN_ASN_Buf_Interface* value) override {
    if (value == nullptr) return this->Result(kAsnBadArgument);
    return SetOctets(UnreadOf(value));
  }
  CMN_ASN_Buf_Interface* getValue() override {
    CMN_ASN_Buf_Interface* b = BufferOf(value_);
    return b != nullptr ? b : this->FailNull(kAsnNoMemory);
  }

 protected:
  int SetOctets(View v) {
    if (v.p == nullptr && v.n > 0) return this->Result(kAsnBadArgument);
    if (!rule_->valid(v)) return this->Result(kAsnBadArgument);
    value_ = BytesOf(v);
    return this->Result(kAsnOk);
  }
  int EncodeContent(Buffer* out) override { return Prepend(out, ViewOf(value_)); }
  int DecodeContent(const Element& e) override {
    Bytes v;
    if ((e.id & kAsnConstructed) != 0) {
      unsigned unused = 0;
      int rc = JoinSegments(e.content, rule_->id, false, &v, &unused);
      if (rc != kAsnOk) return rc;
    } else {
      v = BytesOf(e.content);
    }
    if (rule_->checkOnDecode && !rule_->valid(ViewOf(v))) return kAsnBadValue;
    value_.swap(v);
    return kAsnOk;
  }

  const StringRule* rule_;
  Bytes value_;
};

template <class I>
class AsnString final : public AsnStringBase<AsnString<I>, I> {
 public:
  explicit AsnString(unsigned kind) : AsnStringBase<AsnString<I>, I>(kind) {}
};

class AsnOctetString final : public AsnStringBase<AsnOctetString, CMN_ASN_OctetString_Interface> {
 public:
  AsnOctetString() : AsnStringBase(kKindOctetString) {}
  using AsnStringBase::setValue;
  int setValue(const unsigned char* p, unsigned len) override { return SetOctets(View{p, len}); }
};

// ---------------------------------------------------------------------------
// BIT STRING

class AsnBitString final : public Cloning<AsnBitString, AsnValue<CMN_ASN_BitString_Interface>> {
 public:
  AsnBitString() : Cloning(kKindBitString, kIdBitString, IdKind::kString) {}

  int setValue(CMN_ASN_Buf_Interface* value) override {
    if (value == nullptr) return Result(kAsnBadArgument);
    View v = UnreadOf(value);
    return setValue(v.p, v.n);
  }
  CMN_ASN_Buf_Interface* getValue() override {
    CMN_ASN_Buf_Interface* b = BufferOf(bits_);
    return b != nullptr ? b : FailNull(kAsnNoMemory);
  }
  int setValue(const unsigned char* p, unsigned len) override {
    if (p == nullptr && len > 0) return Result(kAsnBadArgument);
    bits_ = BytesOf(View{p, len});
    unused_ = 0;
    return Result(kAsnOk);
  }
  unsigned unused() override { return unused_; }
  int unused(unsigned char bits) override {
    if (bits > kMaxUnusedBits || (bits != 0 && bits_.empty())) return Result(kAsnBadArgument);
    unused_ = bits;
    return Result(kAsnOk);
  }

 protected:
  int EncodeContent(Buffer* out) override {
    Bytes content(1, static_cast<unsigned char>(unused_));
    content.insert(content.end(), bits_.begin(), bits_.end());
    if (unused_ != 0) content.back() &= static_cast<unsigned char>(0xFF << unused_);  // DER: cleared
    return Prepend(out, ViewOf(content));
  }
  int DecodeContent(const Element& e) override {
    Bytes bits;
    unsigned unused = 0;
    if ((e.id & kAsnConstructed) != 0) {
      int rc = JoinSegments(e.content, kIdBitString, true, &bits, &unused);
      if (rc != kAsnOk) return rc;
      if (bits.empty() && unused != 0) return kAsnBadValue;
    } else {
      View v = e.content;
      if (v.n == 0 || v.p[0] > kMaxUnusedBits || (v.n == 1 && v.p[0] != 0)) return kAsnBadValue;
      unused = v.p[0];
      bits.assign(v.p + 1, v.p + v.n);
    }
    if (!ber() && unused != 0 && (bits.back() & ~(0xFF << unused) & 0xFF) != 0) return kAsnNotDer;
    bits_.swap(bits);
    unused_ = unused;
    return kAsnOk;
  }

 private:
  Bytes bits_;
  unsigned unused_ = 0;
};

// ---------------------------------------------------------------------------
// NULL

class AsnNull final : public Cloning<AsnNull, AsnValue<CMN_ASN_Null_Interface>> {
 public:
  AsnNull() : Cloning(kKindNull, kIdNull, IdKind::kPrimitive) {}

 protected:
  int EncodeContent(Buffer*) override { return kAsnOk; }
  int DecodeContent(const Element& e) override { return e.content.n == 0 ? kAsnOk : kAsnBadValue; }
};

// ---------------------------------------------------------------------------
// OBJECT IDENTIFIER: the content octets, checked by the support library.

class AsnObjectId final : public Cloning<AsnObjectId, AsnValue<CMN_ASN_ObjectId_Interface>> {
 public:
  AsnObjectId() : Cloning(kKindObjectId, kIdObjectId, IdKind::kPrimitive) {}

  int setValue(CMN_ASN_Buf_Interface* content) override {
    if (content == nullptr) return Result(kAsnBadArgument);
    return SetContent(UnreadOf(content));
  }
  CMN_ASN_Buf_Interface* getValue() override {
    if (content_.empty()) return FailNull(kAsnNotSet);
    return BufferOf(content_);
  }
  int setValue(const unsigned* arcs, unsigned count) override {
    if (arcs == nullptr) return Result(kAsnBadArgument);
    OwnedRecord out;
    int rc = FromSupport(asn1_enc_objid(reinterpret_cast<const uint32_t*>(arcs), count, out.get()));
    if (rc != kAsnOk) return Result(rc);
    content_ = BytesOf(View{out.get()->data, out.get()->len});
    return Result(kAsnOk);
  }

 protected:
  int EncodeContent(Buffer* out) override {
    if (content_.empty()) return kAsnNotSet;
    return Prepend(out, ViewOf(content_));
  }
  int DecodeContent(const Element& e) override {
    Buffer b;
    init_buffer(&b);
    set_buffer(&b, e.content.n, e.content.p);
    if (asn1_oid_check(&b) != 0) return kAsnBadValue;
    content_ = BytesOf(e.content);
    return kAsnOk;
  }

 private:
  int SetContent(View v) {
    Buffer b;
    init_buffer(&b);
    set_buffer(&b, v.n, v.p);
    if (asn1_oid_check(&b) != 0) return Result(kAsnBadValue);
    content_ = BytesOf(v);
    return Result(kAsnOk);
  }

  static_assert(sizeof(unsigned) == sizeof(uint32_t), "arcs are 32-bit");
  Bytes content_;
};

// ---------------------------------------------------------------------------
// UTCTime and GeneralizedTime

constexpr int kUtcFirstYear = 1950;
constexpr int kUtcLastYear = 2049;
constexpr int kGeneralLastYear = 9999;
constexpr size_t kUtcDerLength = 13;      // YYMMDDHHMMSSZ
constexpr size_t kGeneralDerLength = 15;  // YYYYMMDDHHMMSSZ

template <class I>
class AsnTime final : public Cloning<AsnTime<I>, AsnValue<I>> {
 public:
  AsnTime(unsigned kind, unsigned char id) : Cloning<AsnTime<I>, AsnValue<I>>(kind, id, IdKind::kPrimitive) {}

  int setTime(long seconds) override {
    Bytes text;
    int rc = Format(seconds, &text);
    if (rc != kAsnOk) return this->Result(rc);
    seconds_ = seconds;
    set_ = true;
    return this->Result(kAsnOk);
  }
  long getTime() override { return seconds_; }

 protected:
  unsigned char universal() const { return this->getType() == kKindUtcTime ? kIdUtcTime : kIdGeneralTime; }
  // The DER text of seconds: YYMMDDHHMMSSZ or YYYYMMDDHHMMSSZ.
  int Format(long seconds, Bytes* out) const {
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm;
    if (gmtime_r(&t, &tm) == nullptr) return kAsnBadArgument;
    int year = tm.tm_year + 1900;
    bool utc = universal() == kIdUtcTime;
    if (utc ? (year < kUtcFirstYear || year > kUtcLastYear) : (year < 0 || year > kGeneralLastYear))
      return kAsnBadArgument;
    char text[24];
    int n = utc ? std::snprintf(text, sizeof text, "%02d%02d%02d%02d%02d%02dZ", year % 100, tm.tm_mon + 1,
                                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec)
                : std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02dZ", year, tm.tm_mon + 1,
                                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    out->assign(text, text + n);
    return kAsnOk;
  }
  // Written from the seconds, so that BER forms read (offsets, fractions,
  // no seconds) are written back as DER.
  int EncodeContent(Buffer* out) override {
    if (!set_) return kAsnNotSet;
    Bytes text;
    int rc = Format(seconds_, &text);
    return rc != kAsnOk ? rc : Prepend(out, ViewOf(text));
  }
  int DecodeContent(const Element& e) override {
    // The support library reads the text of a universal element: rebuild
    // one around the content (the object's own identifier may be implicit).
    OwnedRecord element;
    int rc = Prepend(element.get(), e.content);
    if (rc == kAsnOk) rc = FromSupport(asn1_der_encode(universal(), element.get()));
    if (rc != kAsnOk) return rc;
    int64_t t = 0;
    if (asn1_decode_time64(element.get(), &t) != 0) return kAsnBadValue;
    if (t < std::numeric_limits<long>::min() || t > std::numeric_limits<long>::max()) return kAsnBadValue;
    if (!this->ber()) {
      size_t want = universal() == kIdUtcTime ? kUtcDerLength : kGeneralDerLength;
      if (e.content.n != want || e.content.p[want - 1] != 'Z') return kAsnNotDer;
    }
    Bytes text;
    if (Format(static_cast<long>(t), &text) != kAsnOk) return kAsnBadValue;  // e.g. a year 0 offset back
    seconds_ = static_cast<long>(t);
    set_ = true;
    return kAsnOk;
  }

 private:
  long seconds_ = 0;
  bool set_ = false;
};

// ---------------------------------------------------------------------------
// Template: one element of an identifier chosen at run time.

class AsnTemplate final : public Cloning<AsnTemplate, AsnValue<CMN_ASN_Template_Interface>> {
 public:
  AsnTemplate() : Cloning(kKindTemplate, 0, IdKind::kHeld) {}

  int setValue(CMN_ASN_Buf_Interface* content) override {
    if (content == nullptr) return Result(kAsnBadArgument);
    content_ = BytesOf(UnreadOf(content));
    return Result(kAsnOk);
  }
  CMN_ASN_Buf_Interface* getValue() override {
    CMN_ASN_Buf_Interface* b = BufferOf(content_);
    return b != nullptr ? b : FailNull(kAsnNoMemory);
  }
  unsigned getRealId() override { return fixed_ != 0 ? fixed_ : seen_; }
  int setRealId(unsigned id) override {
    if (id > 0xFF || (id & ~kAsnFlagMask & 0xFFu) > kAsnMaxTagNumber) return Result(kAsnBadArgument);
    fixed_ = static_cast<unsigned char>(id);
    return Result(kAsnOk);
  }
  int setFlag(unsigned char flag) override {
    if (fixed_ == 0 || (flag & ~kAsnFlagMask) != 0) return Result(kAsnBadArgument);
    return setRealId(flag | (fixed_ & ~kAsnFlagMask & 0xFFu));
  }
  int setObjId(unsigned number) override {
    if (fixed_ == 0 || number > kAsnMaxTagNumber) return Result(kAsnBadArgument);
    return setRealId((fixed_ & kAsnFlagMask) | number);
  }

 protected:
  unsigned char HeldId() override { return static_cast<unsigned char>(getRealId()); }
  int EncodeElement(Buffer* out) override {
    unsigned char id = HeldId();
    if (id == 0) return kAsnNotSet;
    int rc = Prepend(out, ViewOf(content_));
    return rc != kAsnOk ? rc : FromSupport(asn1_der_encode(id, out));
  }
  int DecodeAt(CMN_ASN_Buf_Interface* in, uint32_t* used) override {
    Element e;
    int rc = ReadElement(UnreadOf(in), ber(), &e);
    if (rc != kAsnOk) return rc;
    if (fixed_ != 0 && e.id != fixed_) return kAsnBadTag;
    content_ = BytesOf(e.content);
    seen_ = e.id;
    *used = e.total;
    return *in >> e.total;
  }

 private:
  Bytes content_;
  unsigned char fixed_ = 0;
  unsigned char seen_ = 0;
};

}  // namespace

CMN_ASN_Type_Interface* NewValue(unsigned code) {
  switch (code) {
    case kKindGeneric: return new (std::nothrow) AsnGeneric;
    case kKindBool: return new (std::nothrow) AsnBool;
    case kKindInteger: return new (std::nothrow) AsnInteger;
    case kKindOctetString: return new (std::nothrow) AsnOctetString;
    case kKindPrintableString:
      return new (std::nothrow) AsnString<CMN_ASN_PrintableString_Interface>(code);
    case kKindIA5String: return new (std::nothrow) AsnString<CMN_ASN_IA5String_Interface>(code);
    case kKindBMPString: return new (std::nothrow) AsnString<CMN_ASN_BMPString_Interface>(code);
    case kKindUniversalString: return new (std::nothrow) AsnString<CMN_ASN_UniversalString_Interface>(code);
    case kKindBitString: return new (std::nothrow) AsnBitString;
    case kKindNull: return new (std::nothrow) AsnNull;
    case kKindObjectId: return new (std::nothrow) AsnObjectId;
    case kKindUtcTime: return new (std::nothrow) AsnTime<CMN_ASN_UtcTime_Interface>(code, kIdUtcTime);
    case kKindGeneralTime:
      return new (std::nothrow) AsnTime<CMN_ASN_GeneralTime_Interface>(code, kIdGeneralTime);
    case kKindTemplate: return new (std::nothrow) AsnTemplate;
    default: return nullptr;
  }
}

}  // namespace asnimpl
}  // namespace pkixhost
