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

// Identifier octet parts.
constexpr unsigned char kClassMask = 0xC0;
constexpr unsigned char kConstructedBit = 0x20;
constexpr unsigned char kTagNumberMask = 0x1F;
constexpr unsigned char kLongLengthBit = 0x80;
constexpr unsigned kMaxLengthOctets = 4;

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
  Walker(const unsigned char* base, const AsnLineWriter& line) : base_(base), line_(line) {}

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

  AsnWalkCode One(size_t* pos, size_t end, unsigned depth, bool* was_eoc) {
    const size_t start = *pos;
    size_t i = start;
    const unsigned char id = base_[i++];
    uint32_t number = id & kTagNumberMask;
    if (number == kTagNumberMask) {  // high tag number form
      number = 0;
      unsigned char b = 0;
      do {
        if (i == end || number >> 24 != 0) return Fail(start, AsnWalkCode::kShortHeader);
        b = base_[i++];
        number = (number << 7) | (b & 0x7F);
      } while ((b & 0x80) != 0);
    }
    if (i == end) return Fail(start, AsnWalkCode::kShortHeader);
    AsnElement e{};
    e.offset = start;
    e.depth = depth;
    e.constructed = (id & kConstructedBit) != 0;
    const unsigned char first = base_[i++];
    size_t length = first;
    if (first == kLongLengthBit) {
      if (!e.constructed) return Fail(start, AsnWalkCode::kIndefinitePrim);
      e.indefinite = true;
      length = 0;
    } else if ((first & kLongLengthBit) != 0) {
      const unsigned count = first & 0x7F;
      if (count > kMaxLengthOctets) return Fail(start, AsnWalkCode::kBadLength);
      if (end - i < count) return Fail(start, AsnWalkCode::kShortHeader);
      length = 0;
      for (unsigned k = 0; k < count; ++k) length = (length << 8) | base_[i++];
      if (length < 0x80 || (count > 1 && (length >> (8 * (count - 1))) == 0)) {
        return Fail(start, AsnWalkCode::kBadLength);
      }
    }
    if (length > end - i) return Fail(start, AsnWalkCode::kBeyondEnd);
    e.header_len = i - start;
    e.content_len = length;
    e.content = base_ + i;
    Describe(id & kClassMask, number, &e);
    *was_eoc = id == 0 && first == 0;
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
  const AsnLineWriter& line_;
  size_t failed_at_ = 0;
};

}  // namespace

AsnWalkResult AsnWalk(const unsigned char* data, size_t len, const AsnLineWriter& line) {
  if (data == nullptr || len == 0) return {AsnWalkCode::kEmpty, 0};
  Walker w(data, line);
  size_t pos = 0;
  AsnWalkCode c = w.Elements(&pos, len, 0, false);
  return {c, c == AsnWalkCode::kOk ? len : w.failed_at()};
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
  }
  return "unknown";
}

}  // namespace pkixtool
