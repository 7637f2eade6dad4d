// OID content octets in every structure of the support library that holds
// an OBJECT IDENTIFIER, so that one table of well-formed and malformed OIDs
// runs through every reader (and, in the oracle tests, through OpenSSL).
#ifndef PKIX_TESTS_PLATFORM_OID_FORMS_H_
#define PKIX_TESTS_PLATFORM_OID_FORMS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "test_util.h"

namespace x509asn_test {

struct OidForm {
  const char* what;
  const char* hex;  // content octets
  bool valid;
};

// The three malformed shapes (empty, a subidentifier opened by the padding
// octet 0x80, an unterminated last subidentifier) and valid neighbours.
inline const OidForm kOidForms[] = {
    {"empty", "", false},
    {"first subidentifier opens with 80", "80 01", false},
    {"later subidentifier opens with 80", "2A 80 01", false},
    {"80 alone", "80", false},
    {"last subidentifier unterminated", "2A 86", false},
    {"one unterminated octet", "86", false},
    {"2.5.4.3", "55 04 03", true},
    {"1.2.840.113549.1.1.11", "2A 864886F70D 01 01 0B", true},
    {"0.0", "00", true},
    {"2.999 (first subidentifier of two octets)", "88 37", true},
    {"1.2.128 (a later one of two octets)", "2A 81 00", true},
};

// identifier, short-form length (content below 128 octets), content
inline std::vector<uint8_t> Tlv(uint8_t tag, const std::vector<uint8_t>& content) {
  std::vector<uint8_t> out = {tag, static_cast<uint8_t>(content.size())};
  out.insert(out.end(), content.begin(), content.end());
  return out;
}
inline std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The structures, each around the OID content octets oid.
// AlgorithmIdentifier: 30 { 06 oid, 05 00 }
inline std::vector<uint8_t> AlgIdWith(const std::vector<uint8_t>& oid) {
  return Tlv(0x30, Cat(Tlv(0x06, oid), {0x05, 0x00}));
}
// Name with one attribute of type oid: 30 { 31 { 30 { 06 oid, 0C 01 41 } } }
inline std::vector<uint8_t> DnWith(const std::vector<uint8_t>& oid) {
  return Tlv(0x30, Tlv(0x31, Tlv(0x30, Cat(Tlv(0x06, oid), {0x0C, 0x01, 0x41}))));
}
// GeneralNames { registeredID [8] oid }: 30 { 88 oid }
inline std::vector<uint8_t> RidWith(const std::vector<uint8_t>& oid) { return Tlv(0x30, Tlv(0x88, oid)); }
// GeneralNames { otherName [0] { 06 oid, [0] { 0C 01 41 } } }
inline std::vector<uint8_t> OtherNameWith(const std::vector<uint8_t>& oid) {
  return Tlv(0x30, Tlv(0xA0, Cat(Tlv(0x06, oid), Tlv(0xA0, {0x0C, 0x01, 0x41}))));
}
// GeneralNames { directoryName [4] Name with the attribute above }
inline std::vector<uint8_t> DirNameWith(const std::vector<uint8_t>& oid) {
  return Tlv(0x30, Tlv(0xA4, DnWith(oid)));
}

}  // namespace x509asn_test

#endif  // PKIX_TESTS_PLATFORM_OID_FORMS_H_
