// What the directory client service turns into LDAP text: distinguished
// names given as DER become RFC 4514 strings, and "ldap://" URLs are read
// into the few parts the service honours. Nothing here talks to a server.
#ifndef PKIX_HOST_HOSTLDAP_TEXT_H_
#define PKIX_HOST_HOSTLDAP_TEXT_H_

#include <cstdint>
#include <string>

namespace pkixhost {

// The four attributes a request may fetch, each as the request asks for it
// (with ";binary") and as the service sorts its values.
enum class LdapValueKind { kCrl, kCert };
struct LdapAttribute {
  const char* name;          // "certificateRevocationList;binary", ...
  LdapValueKind kind;
};
constexpr unsigned kLdapAttributeCount = 4;
extern const LdapAttribute kLdapAttributes[kLdapAttributeCount];

// The row of an attribute description: its name with or without ";binary",
// any case. Null for every other text (including other options).
const LdapAttribute* ldapFindAttribute(const char* text, size_t len);

// The RFC 4514 string of a DER Name (SEQUENCE OF RDN, each a SET OF
// AttributeTypeAndValue), most specific RDN first, multi-valued RDNs joined
// by "+". Types from RFC 4514's table by name (CN, L, ST, O, OU, C, STREET,
// DC, UID), others as dotted decimal. Values of the string types are
// converted to UTF-8 (TeletexString read as ISO-8859-1, BMPString as
// UTF-16, UniversalString as UCS-4) and escaped: the characters RFC 4514
// requires (" + , ; < > \ and =, a leading space or "#", a trailing space),
// NUL and the other control octets as \XX. The DER must be exactly one Name.
// Returns 0 with the text in *out; 6 (not a DER Name, trailing octets, a
// value of another type, or one that does not convert), 4 (null or empty
// name), 1. *out is cleared on failure.
int ldapDnFromDer(const unsigned char* der, size_t len, std::string* out);

// The parts of an "ldap://" URL the service honours. host empty: the
// service's default server; port 0: 389; attribute null: the request's
// own kind decides.
struct LdapTarget {
  std::string host;
  uint16_t port = 0;
  std::string dn;  // RFC 4514 text, percent-decoding done; may be empty
  const LdapAttribute* attribute = nullptr;
};

// Reads url (scheme "ldap" in any case) into *out. Only host, port, DN and
// one attribute are honoured: a scope other than base, a filter other than
// (objectClass=*), or any extension is refused, so no URL widens a search.
// 0; 4 (null); 6 (not a URL, DN does not parse, host over 255 octets); 5
// (another scheme, an unknown attribute or more than one, a scope, filter
// or extension refused); 1.
int ldapParseUrl(const char* url, LdapTarget* out);

}  // namespace pkixhost

#endif  // PKIX_HOST_HOSTLDAP_TEXT_H_
