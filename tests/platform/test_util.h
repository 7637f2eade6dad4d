// Helpers of the support-library tests: hex fixtures in exactly sized heap
// blocks (so that AddressSanitizer sees any read past the end), views, and
// hex rendering of results.
#ifndef PKIX_TESTS_PLATFORM_TEST_UTIL_H_
#define PKIX_TESTS_PLATFORM_TEST_UTIL_H_

#include <cctype>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "contract/x509asn.h"

namespace x509asn_test {

// Octets of a hex text; spaces, colons and line breaks are ignored.
inline std::vector<uint8_t> Hex(const std::string& text) {
  std::vector<uint8_t> out;
  int hi = -1;
  for (char ch : text) {
    int v;
    if (ch >= '0' && ch <= '9') v = ch - '0';
    else if (ch >= 'a' && ch <= 'f') v = ch - 'a' + 10;
    else if (ch >= 'A' && ch <= 'F') v = ch - 'A' + 10;
    else continue;
    if (hi < 0) {
      hi = v;
    } else {
      out.push_back(static_cast<uint8_t>(hi * 16 + v));
      hi = -1;
    }
  }
  return out;
}

inline std::string ToHex(const uint8_t* p, size_t n) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    s += kDigits[p[i] >> 4];
    s += kDigits[p[i] & 15];
  }
  return s;
}
inline std::string ToHex(const Buffer& b) { return ToHex(b.data, b.len); }
inline std::string ToHex(const std::vector<uint8_t>& v) { return ToHex(v.data(), v.size()); }

// Hex without separators, upper case, for comparisons.
inline std::string Norm(const std::string& hex) { return ToHex(Hex(hex)); }

// Octets in a heap block of exactly their size.
class Bytes {
 public:
  Bytes() = default;
  explicit Bytes(const std::vector<uint8_t>& v) : n_(v.size()), p_(new uint8_t[v.size() ? v.size() : 1]) {
    if (!v.empty()) std::memcpy(p_.get(), v.data(), v.size());
  }
  explicit Bytes(const std::string& hex) : Bytes(Hex(hex)) {}
  static Bytes Text(const std::string& s) { return Bytes(std::vector<uint8_t>(s.begin(), s.end())); }
  const uint8_t* data() const { return n_ ? p_.get() : nullptr; }
  size_t size() const { return n_; }
  // A view of the octets.
  Buffer View() const {
    Buffer b;
    set_buffer(&b, static_cast<uint32_t>(n_), data());
    return b;
  }

 private:
  size_t n_ = 0;
  std::unique_ptr<uint8_t[]> p_;
};

inline std::string Str(const Buffer& b) { return std::string(reinterpret_cast<const char*>(b.data), b.len); }

// An owned buffer released at scope end.
struct Owned {
  Buffer b;
  Owned() { init_buffer(&b); }
  ~Owned() { release_buffer(&b); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
};

// An empty owned buffer with n octets of room in front.
inline void Room(Buffer* b, uint32_t n) {
  alloc_buffer(n, b);
  shift_buffer(b, n);
}

}  // namespace x509asn_test

#endif  // PKIX_TESTS_PLATFORM_TEST_UTIL_H_
