// The names the tool prints for object identifiers: algorithms, curves,
// extensions, extended key usage purposes, access methods and policies,
// spelled as the standards (and the openssl command) spell them.
#ifndef PKIX_TOOLS_OID_NAMES_H_
#define PKIX_TOOLS_OID_NAMES_H_

#include <string>

#include "contract/x509asn.h"

namespace pkixtool {

// The dotted text of OID content octets ("1.2.840.113549.1.1.11"); "" when
// the octets are not a well-formed identifier.
std::string DottedOid(const Buffer& content);

// The name of a dotted identifier ("sha256WithRSAEncryption", "serverAuth",
// "prime256v1"), or null when the tool knows none.
const char* OidName(const std::string& dotted);

// The name when there is one, else the dotted text itself.
std::string OidText(const std::string& dotted);

}  // namespace pkixtool

#endif  // PKIX_TOOLS_OID_NAMES_H_
