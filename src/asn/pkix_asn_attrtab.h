// The attribute table of the ASN.1 object service: the PKCS #9 attribute
// types the attribute objects know, by identifier.
#ifndef PKIX_ASN_PKIX_ASN_ATTRTAB_H_
#define PKIX_ASN_PKIX_ASN_ATTRTAB_H_

#include <cstddef>
#include <cstdint>

namespace pkixasn {

// Attribute types (the values of ASNAttribute_Interface::attribute_t).
enum AttrType : int {
  kAttrNone = 0,               // not a type: createObj refuses it
  kAttrExtensionRequest = 1,   // 1.2.840.113549.1.9.14, Extensions
  kAttrLocalKeyId = 2,         // 1.2.840.113549.1.9.21, OCTET STRING
  kAttrFriendlyName = 3,       // 1.2.840.113549.1.9.20, BMPString
  kAttrChallengePassword = 4,  // 1.2.840.113549.1.9.7, DirectoryString
  kAttrAny = 5,                // any other identifier; has no row
};
constexpr int kAttrLast = kAttrAny;

// The identifier of type t: its arcs and their count; null (count 0) for
// kAttrAny and values outside the table.
const uint32_t* attrArcs(int t, uint32_t* out_count);

// The type of an identifier given as its arcs: the first row whose arcs
// equal them, kAttrAny for anything else (null and empty included).
int attrTypeFromArcs(const uint32_t* arcs, uint32_t count);

// The same for the DER content octets of the identifier.
int attrTypeFromContent(const uint8_t* content, size_t len);

}  // namespace pkixasn

#endif  // PKIX_ASN_PKIX_ASN_ATTRTAB_H_
