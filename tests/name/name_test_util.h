// Helpers shared by the name tests: hex text, and DER built from a compact
// description, so that expected encodings read as what they mean.
#ifndef PKIX_TESTS_NAME_NAME_TEST_UTIL_H_
#define PKIX_TESTS_NAME_NAME_TEST_UTIL_H_

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "contract/x509asn.h"
#include "platform/test_util.h"

namespace nametest {

using Bytes = std::string;  // octets

inline std::string Hex(const unsigned char* p, size_t n) { return x509asn_test::ToHex(p, n); }
inline std::string Hex(const Bytes& b) { return Hex(reinterpret_cast<const unsigned char*>(b.data()), b.size()); }
inline std::string Hex(const Buffer& b) { return Hex(b.data, b.len); }

inline Bytes FromHex(const std::string& hex) {
  std::vector<uint8_t> v = x509asn_test::Hex(hex);
  return Bytes(v.begin(), v.end());
}

// One element: tag, definite DER length, content.
inline Bytes Tlv(unsigned tag, const Bytes& content) {
  Bytes out(1, static_cast<char>(tag));
  size_t n = content.size();
  if (n < 128) {
    out += static_cast<char>(n);
  } else {
    Bytes len;
    for (size_t v = n; v != 0; v >>= 8) len.insert(len.begin(), static_cast<char>(v & 0xFF));
    out += static_cast<char>(0x80 | len.size());
    out += len;
  }
  return out + content;
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out += p;
  return out;
}

// OID content octets of the attribute types the tests use.
inline const Bytes kCN = FromHex("550403");
inline const Bytes kO = FromHex("55040A");
inline const Bytes kOU = FromHex("55040B");
inline const Bytes kC = FromHex("550406");
inline const Bytes kL = FromHex("550407");
inline const Bytes kDC = FromHex("0992268993F22C640119");

// AttributeTypeAndValue ::= SEQUENCE { type OBJECT IDENTIFIER, value ANY }
inline Bytes Atv(const Bytes& oid, unsigned tag, const Bytes& value) {
  return Tlv(0x30, Tlv(0x06, oid) + Tlv(tag, value));
}
// RelativeDistinguishedName ::= SET OF AttributeTypeAndValue
inline Bytes Rdn(std::initializer_list<Bytes> atvs) { return Tlv(0x31, Cat(atvs)); }
// Name ::= SEQUENCE OF RDN; GeneralNames ::= SEQUENCE OF GeneralName
inline Bytes Seq(std::initializer_list<Bytes> items) { return Tlv(0x30, Cat(items)); }

inline Buffer View(const Bytes& b) {
  Buffer v;
  set_buffer(&v, static_cast<uint32_t>(b.size()), reinterpret_cast<const unsigned char*>(b.data()));
  return v;
}

}  // namespace nametest

#endif  // PKIX_TESTS_NAME_NAME_TEST_UTIL_H_
