// Hand-made DER for test fixtures: an element from its tag and content
// (minimal definite length octets, or the indefinite form), and octet
// strings joined end to end.
#ifndef PKIX_TESTS_TESTING_DER_BYTES_H_
#define PKIX_TESTS_TESTING_DER_BYTES_H_

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace pkixtest {

// tag, length octets, content; indefinite: tag, 0x80, content, 00 00.
inline std::vector<uint8_t> Tlv(uint8_t tag, const std::vector<uint8_t>& content, bool indefinite = false) {
  std::vector<uint8_t> out{tag};
  if (indefinite) {
    out.push_back(0x80);
    out.insert(out.end(), content.begin(), content.end());
    out.insert(out.end(), {0x00, 0x00});
    return out;
  }
  size_t n = content.size();
  if (n < 0x80) {
    out.push_back(static_cast<uint8_t>(n));
  } else if (n < 0x100) {
    out.insert(out.end(), {0x81, static_cast<uint8_t>(n)});
  } else {
    out.insert(out.end(), {0x82, static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
  }
  out.insert(out.end(), content.begin(), content.end());
  return out;
}

// The parts one after the other.
inline std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

}  // namespace pkixtest

#endif  // PKIX_TESTS_TESTING_DER_BYTES_H_
