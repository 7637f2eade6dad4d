#include "tools/asn_walk.h"

#include <cstdio>

namespace pkixtool {
namespace {

// Octets as upper-case hex digit pairs.
std::string Hex(const unsigned char* p, size_t n) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s;
  s.reserve(2 * n);
  for (size_t i = 0; i < n; ++i) {
    s += kDigits[p[i] >> 4];
    s += kDigits[p[i] & 0x0F];
  }
  return s;
}

// The length octet that announces long-form length octets.
constexpr unsigned char kLongLengthBit = 0x80;

enum UniversalTag : uint32_t {
  kEoc = 0, kBoolean = 1, kInteger = 2, kBitString = 3, kOctetString = 4, kNull = 5, kOid = 6,
  kEnumerated = 10, kUtf8 = 12, kNumeric = 18, kPrintable = 19, kTeletex = 20, kIa5 = 22, kUtcTime = 23,
  kGeneralizedTime = 24, kVisible = 26, kGeneral = 27, kUniversal = 28, kBmp = 30,
};

struct TagName {
  uint32_t tag;
  const char* name;
  AsnValueKind kind;
};
const TagName kUniversalNames[] = {
    {kEoc, "EOC", AsnValueKind::kNone},
    {kBoolean, "BOOLEAN", AsnValueKind::kNumber},
    {kInteger, "INTEGER", AsnValueKind::kHex},
    {kBitString, "BIT STRING", AsnValueKind::kHex},
    {kOctetString, "OCTET STRING", AsnValueKind::kHex},
    {kNull, "NULL", AsnValueKind::kNone},
    {kOid, "OBJECT", AsnValueKind::kOid},
    {kEnumerated, "ENUMERATED", AsnValueKind::kHex},
    {kUtf8, "UTF8STRING", AsnValueKind::kText},
    {16, "SEQUENCE", AsnValueKind::kNone},
    {17, "SET", AsnValueKind::kNone},
    {kNumeric, "NUMERICSTRING", AsnValueKind::kText},
    {kPrintable, "PRINTABLESTRING", AsnValueKind::kText},
    {kTeletex, "T61STRING", AsnValueKind::kText},
    {kIa5, "IA5STRING", AsnValueKind::kText},
    {kUtcTime, "UTCTIME", AsnValueKind::kText},
    {kGeneralizedTime, "GENERALIZEDTIME", AsnValueKind::kText},
    {kVisible, "VISIBLESTRING", AsnValueKind::kText},
    {kGeneral, "GENERALSTRING", AsnValueKind::kText},
    {kUniversal, "UNIVERSALSTRING", AsnValueKind::kHex},
    {kBmp, "BMPSTRING", AsnValueKind::kText},
};

// Text with every octet outside printable ASCII shown as '.'; a BMPString
// is read two octets a character.
std::string Printable(const unsigned char* p, size_t n, size_t step) {
  std::string s;
  for (size_t i = 0; i + step <= n; i += step) {
    const unsigned c = step == 2 ? (p[i] << 8 | p[i + 1]) : p[i];
    s += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '.';
  }
  return s;
}

// An INTEGER's value as hex: the magnitude, "-" before a negative one.
std::string IntegerHex(const unsigned char* p, size_t n) {
  if (n == 0) return "";
  if ((p[0] & 0x80) == 0) {
    size_t skip = 0;
    while (skip + 1 < n && p[skip] == 0) ++skip;
    return Hex(p + skip, n - skip);
  }
  // Two's complement: negate into a copy.
  std::string mag(p, p + n);
  bool carry = true;
  for (size_t i = n; i-- > 0;) {
    unsigned v = static_cast<unsigned char>(~mag[i]) + (carry ? 1u : 0u);
    carry = v > 0xFF;
    mag[i] = static_cast<char>(v & 0xFF);
  }
  size_t skip = 0;
  while (skip + 1 < n && mag[skip] == 0) ++skip;
  return "-" + Hex(reinterpret_cast<const unsigned char*>(mag.data()) + skip, n - skip);
}

// Dotted text of an identifier's content octets; "" when malformed.
std::string Dotted(const unsigned char* p, size_t n) {
  std::string s;
  uint64_t v = 0;
  bool first = true;
  bool open = false;
  for (size_t i = 0; i < n; ++i) {
    if (!open && p[i] == 0x80) return "";  // non-minimal subidentifier
    v = (v << 7) | (p[i] & 0x7F);
    if (v >> 56 != 0) return "";
    open = (p[i] & 0x80) != 0;
    if (open) continue;
    if (first) {
      const uint64_t top = v < 40 ? 0 : v < 80 ? 1 : 2;
      s = std::to_string(top) + "." + std::to_string(v - 40 * top);
      first = false;
    } else {
      s += "." + std::to_string(v);
    }
    v = 0;
  }
  return open ? "" : s;
}

void Describe(unsigned char klass, uint32_t number, AsnElement* e) {
  e->kind = AsnValueKind::kHex;
  if (klass != 0) {
    const char* word = klass == 0x80 ? "cont" : klass == 0x40 ? "appl" : "priv";
    e->tag_name = std::string(word) + " [ " + std::to_string(number) + " ]";
  } else {
    e->tag_name = "UNIVERSAL " + std::to_string(number);
    for (const TagName& t : kUniversalNames) {
      if (t.tag != number) continue;
      e->tag_name = t.name;
      e->kind = t.kind;
    }
  }
  if (e->constructed) e->kind = AsnValueKind::kNone;
}

void FormatValue(uint32_t number, AsnElement* e) {
  const unsigned char* p = e->content;
  const size_t n = e->content_len;
  switch (e->kind) {
    case AsnValueKind::kNone:
      return;
    case AsnValueKind::kNumber:
      e->value = n == 1 ? std::to_string(p[0]) : "BAD BOOLEAN";
      return;
    case AsnValueKind::kText:
      e->value = Printable(p, n, number == kBmp ? 2 : 1);
      return;
    case AsnValueKind::kOid:
      e->value = Dotted(p, n);
      if (e->value.empty()) e->value = "BAD OBJECT " + Hex(p, n);
      return;
    case AsnValueKind::kHex:
      if (number == kInteger || number == kEnumerated) {
        e->value = IntegerHex(p, n);
      } else if (number == kOctetString) {
        e->value = "[HEX DUMP]:" + Hex(p, n);
      } else if (number == kBitString && n != 0) {
        e->value = std::to_string(p[0]) + " unused bits:" + Hex(p + 1, n - 1);
      } else {
        e->value = Hex(p, n);
      }
      return;
  }
}

class Walker {
 public:
  Walker(const unsigned char* base, CMN_ASN_Buf_Interface* buf, const AsnLineWriter& line)
      : base_(base), buf_(buf), line_(line) {}

  // Reads elements from *pos until end (closed by 00 00 when until_eoc);
  // *pos then stands after what was read.
  AsnWalkCode Elements(size_t* pos, size_t end, unsigned depth, bool until_eoc) {
    if (depth > kMaxAsnDepth) return Fail(*pos, AsnWalkCode::kTooDeep);
    while (*pos < end) {
      bool was_eoc = false;
      AsnWalkCode c = One(pos, end, depth, &was_eoc);
      if (c != AsnWalkCode::kOk) return c;
      if (until_eoc && was_eoc) return AsnWalkCode::kOk;
    }
    return until_eoc ? Fail(*pos, AsnWalkCode::kUnclosed) : AsnWalkCode::kOk;
  }

  size_t failed_at() const { return failed_at_; }

 private:
  AsnWalkCode Fail(size_t at, AsnWalkCode c) {
    failed_at_ = at;
    return c;
  }

  // Where the buffer's cursor stands, from the input's start.
  size_t Cursor() const { return buf_->len() - buf_->len_of_datap(); }

  // Why the length octets of the element at start could not be read whole:
  // the octets end inside them, or the length runs past the input.
  AsnWalkCode TruncatedLength(size_t start, size_t end, unsigned id_octets) const {
    const size_t at = start + id_octets;
    const unsigned char first = base_[at];
    const size_t count = (first & kLongLengthBit) != 0 ? (first & 0x7F) : 0;
    return end - at - 1 < count ? AsnWalkCode::kShortHeader : AsnWalkCode::kBeyondEnd;
  }

  AsnWalkCode One(size_t* pos, size_t end, unsigned depth, bool* was_eoc) {
    const size_t start = *pos;
    // An element needs its identifier and at least one length octet.
    if (end - start < 2) return Fail(start, AsnWalkCode::kShortHeader);
    buf_->reset();
    if (buf_->shift(static_cast<unsigned>(start)) != pkixasn::kAsnOk) return Fail(start, AsnWalkCode::kShortHeader);
    unsigned number = 0;
    unsigned char flag = 0;
    unsigned id_octets = 0;
    int rc = buf_->getTag(number, flag, id_octets);
    if (rc == pkixasn::kAsnBadTag) return Fail(start, AsnWalkCode::kHighTag);
    if (rc != pkixasn::kAsnOk) return Fail(start, AsnWalkCode::kShortHeader);
    unsigned length = 0;
    rc = buf_->getLen(length);
    if (rc == pkixasn::kAsnTruncated) return Fail(start, TruncatedLength(start, end, id_octets));
    if (rc != pkixasn::kAsnOk) return Fail(start, AsnWalkCode::kBadLength);
    AsnElement e{};
    e.offset = start;
    e.depth = depth;
    e.constructed = (flag & pkixasn::kAsnConstructed) != 0;
    const size_t i = Cursor();
    if (length == pkixasn::kAsnIndefiniteLength) {
      if (!e.constructed) return Fail(start, AsnWalkCode::kIndefinitePrim);
      e.indefinite = true;
      length = 0;
    }
    if (i > end || length > end - i) return Fail(start, AsnWalkCode::kBeyondEnd);
    e.header_len = i - start;
    e.content_len = length;
    e.content = base_ + i;
    Describe(flag & pkixasn::kAsnClassMask, number, &e);
    *was_eoc = number == 0 && flag == 0 && length == 0 && !e.indefinite;
    FormatValue(number, &e);
    line_(e);
    *pos = i;
    if (!e.constructed) {
      *pos += length;
      return AsnWalkCode::kOk;
    }
    if (e.indefinite) return Elements(pos, end, depth + 1, true);
    size_t inner = i;
    AsnWalkCode c = Elements(&inner, i + length, depth + 1, false);
    if (c != AsnWalkCode::kOk) return c;
    *pos = i + length;
    return AsnWalkCode::kOk;
  }

  const unsigned char* base_;
  CMN_ASN_Buf_Interface* buf_;
  const AsnLineWriter& line_;
  size_t failed_at_ = 0;
};

}  // namespace

AsnWalkResult AsnWalk(CMN_ASN_Interface* asn, const unsigned char* data, size_t len, const AsnLineWriter& line) {
  if (data == nullptr || len == 0) return {AsnWalkCode::kEmpty, 0};
  if (asn == nullptr || len > kMaxAsnInput) return {AsnWalkCode::kNoService, 0};
  auto* buf = static_cast<CMN_ASN_Buf_Interface*>(asn->create(pkixasn::kKindBuffer));
  if (buf == nullptr) return {AsnWalkCode::kNoService, 0};
  AsnWalkResult r{AsnWalkCode::kNoService, 0};
  if (buf->set(data, static_cast<unsigned>(len)) == pkixasn::kAsnOk) {
    Walker w(data, buf, line);
    size_t pos = 0;
    AsnWalkCode c = w.Elements(&pos, len, 0, false);
    r = {c, c == AsnWalkCode::kOk ? len : w.failed_at()};
  }
  buf->remReference();
  return r;
}

const char* AsnWalkText(AsnWalkCode code) {
  switch (code) {
    case AsnWalkCode::kOk: return "no error";
    case AsnWalkCode::kEmpty: return "no DER element";
    case AsnWalkCode::kShortHeader: return "identifier or length octets cut off";
    case AsnWalkCode::kBadLength: return "malformed length octets";
    case AsnWalkCode::kBeyondEnd: return "a length runs past its enclosing element";
    case AsnWalkCode::kIndefinitePrim: return "indefinite length on a primitive element";
    case AsnWalkCode::kUnclosed: return "indefinite content not closed by 00 00";
    case AsnWalkCode::kTooDeep: return "elements nested too deeply";
    case AsnWalkCode::kHighTag: return "a tag number in the high tag-number form (above 30)";
    case AsnWalkCode::kNoService: return "the host's ASN.1 service is not available";
  }
  return "unknown";
}

}  // namespace pkixtool
