// Names as path validation compares them: distinguished names RDN by RDN
// under a case- and space-folding match of their string values, and the
// name constraint forms of RFC 5280 section 4.2.1.10 (directory names, DNS
// names, e-mail addresses, URIs and IP addresses).
#ifndef PKIX_PATH_PATHNAME_H_
#define PKIX_PATH_PATHNAME_H_

#include <vector>

#include "path/pathder.h"

namespace pkixpath {

// True when the two Name elements hold the same RDNs in the same order.
// Malformed names are equal only when their octets are.
bool sameName(const Bytes& a, const Bytes& b);
// True when the Name element is an empty SEQUENCE.
bool emptyName(const Bytes& name);
// True when the RDN (a SET element) equals the last RDN of name.
bool lastRdnIs(const Bytes& name, const Bytes& rdn);
// The Name element name with rdn (a SET element) appended.
Bytes appendRdn(const Bytes& name, const Bytes& rdn);
// The values of the emailAddress attributes of a Name element.
std::vector<Bytes> emailAddresses(const Bytes& name);

// True when two GeneralNames name the same thing (directory names as
// sameName, the rest by their octets, IA5 forms without regard to case).
bool sameGeneralName(const GeneralName& a, const GeneralName& b);

// How a name stands against one subtree of its own form.
enum class Within { kNo, kYes, kCannotTell };
// Whether name falls within the subtree base (both of the same form).
Within withinSubtree(const GeneralName& name, const GeneralName& base);

}  // namespace pkixpath

#endif  // PKIX_PATH_PATHNAME_H_
