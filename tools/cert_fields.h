// What a certificate's DER states, read by the tool itself: the serial
// number, the times (the module keeps them as seconds in a long, which
// cannot hold a date past 2038 on the 32-bit product), the algorithm
// identifiers and every extension with its value.
#ifndef PKIX_TOOLS_CERT_FIELDS_H_
#define PKIX_TOOLS_CERT_FIELDS_H_

#include <string>
#include <vector>

#include "tools/tool_util.h"

namespace pkixtool {

// One extension as it stands: its identifier (dotted), criticality and
// the content of its extnValue OCTET STRING.
struct ExtnField {
  std::string oid;
  std::string oid_hex;  // the identifier's content octets in hex
  bool critical = false;
  Octets value;
};

struct CertFields {
  Octets serial;             // the INTEGER's content octets
  std::string not_before;    // "2026-12-09 22:35:00 UTC", or as it stands
  std::string not_after;
  std::string sign_oid;      // the signature algorithm (dotted)
  std::string key_oid;       // the public key's algorithm (dotted)
  std::string key_param_oid; // its parameters when they are an identifier (a curve)
  std::vector<ExtnField> extensions;
};

// Reads the Certificate der into *out. Returns 0, or the DER cursor's
// negative code when der is not a certificate it can follow (*out then
// partly filled and not to be used).
//
// Certificate ::= SEQUENCE { tbsCertificate, signatureAlgorithm, signature }
int ReadCertFields(const Octets& der, CertFields* out);

// The serial number in hex octets with colons, the sign octet a positive
// number with its top bit set carries left out ("01:A2:FF"); "-" before a
// negative number's octets.
std::string SerialText(const Octets& serial);

}  // namespace pkixtool

#endif  // PKIX_TOOLS_CERT_FIELDS_H_
