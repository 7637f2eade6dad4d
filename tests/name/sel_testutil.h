// Helpers for the selector tests: selectors from hex, owners, and reading
// a selector back as hex.
#ifndef PKIX_TESTS_NAME_SEL_TESTUTIL_H_
#define PKIX_TESTS_NAME_SEL_TESTUTIL_H_

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "name/sel.h"

namespace seltest {

struct SelDeleter {
  void operator()(_selector* s) const { sel_destroy(s); }
};
using SelPtr = std::unique_ptr<_selector, SelDeleter>;

inline std::vector<uint8_t> FromHex(const std::string& hex) {
  std::vector<uint8_t> out;
  std::string digits;
  for (char c : hex) {
    if (c != ' ') digits += c;
  }
  for (size_t i = 0; i + 1 < digits.size(); i += 2) {
    out.push_back(static_cast<uint8_t>(std::strtoul(digits.substr(i, 2).c_str(), nullptr, 16)));
  }
  return out;
}

inline std::string ToHex(const uint8_t* p, size_t n) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    out += kDigits[p[i] >> 4];
    out += kDigits[p[i] & 15];
  }
  return out;
}

// Hex text without spaces, upper case.
inline std::string Norm(const std::string& hex) {
  const std::vector<uint8_t> v = FromHex(hex);
  return ToHex(v.data(), v.size());
}

// A selector with the given source and destination data (hex, spaces
// allowed) and flags; slen and len follow from the data.
inline SelPtr Make(const std::string& src_hex, const std::string& dst_hex = "", uint32_t flags = 0) {
  const std::vector<uint8_t> src = FromHex(src_hex), dst = FromHex(dst_hex);
  auto* s = static_cast<_selector*>(std::malloc(sizeof(_selector) + src.size() + dst.size()));
  s->slen = static_cast<uint32_t>(src.size());
  s->len = static_cast<uint32_t>(src.size() + dst.size());
  s->flags = flags;
  uint8_t* d = reinterpret_cast<uint8_t*>(s + 1);
  if (!src.empty()) std::memcpy(d, src.data(), src.size());
  if (!dst.empty()) std::memcpy(d + src.size(), dst.data(), dst.size());
  return SelPtr(s);
}

// A selector from a raw header and data, for lying headers.
inline SelPtr MakeRaw(uint32_t slen, uint32_t len, uint32_t flags, const std::string& data_hex) {
  const std::vector<uint8_t> data = FromHex(data_hex);
  auto* s = static_cast<_selector*>(std::malloc(sizeof(_selector) + data.size()));
  s->slen = slen;
  s->len = len;
  s->flags = flags;
  if (!data.empty()) std::memcpy(s + 1, data.data(), data.size());
  return SelPtr(s);
}

inline const uint8_t* Data(const _selector* s) { return reinterpret_cast<const uint8_t*>(s + 1); }

inline std::string SrcHex(const _selector* s) { return ToHex(Data(s), s->slen); }
inline std::string DstHex(const _selector* s) { return ToHex(Data(s) + s->slen, s->len - s->slen); }

}  // namespace seltest

#endif  // PKIX_TESTS_NAME_SEL_TESTUTIL_H_
