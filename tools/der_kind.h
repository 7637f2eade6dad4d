// What kind of object a DER element is, told by its shape alone, so that a
// command given the wrong kind of file can say what the file holds ("a
// private key, not a certificate").
#ifndef PKIX_TOOLS_DER_KIND_H_
#define PKIX_TOOLS_DER_KIND_H_

#include "tools/tool_util.h"

namespace pkixtool {

// Kinds a DER element is recognised as.
constexpr const char* kKindCertificate = "certificate";
constexpr const char* kKindCrl = "CRL";
constexpr const char* kKindPublicKey = "public key";
constexpr const char* kKindPrivateKey = "private key";
constexpr const char* kKindSet = "PKCS #7 set";

// One of the kinds above (compare by text), or null when der has none of their shapes. The
// shape is the outer SEQUENCE's first elements:
//   certificate, CRL   SEQUENCE { SEQUENCE, SEQUENCE, BIT STRING } (a CRL's
//                      first SEQUENCE holds a time directly, a certificate's
//                      holds its times inside a Validity SEQUENCE)
//   public key         SEQUENCE { SEQUENCE, BIT STRING }
//   private key        SEQUENCE { INTEGER, SEQUENCE, OCTET STRING ... } or
//                      a SEQUENCE of three or more INTEGERs (the traditional
//                      forms; two INTEGERs are an RSAPublicKey)
//   PKCS #7 set        SEQUENCE { OBJECT IDENTIFIER, [0] ... }
const char* DerKind(const Octets& der);

// "; the file holds a KIND" when der is recognised as a kind other than
// wanted, to follow the reason a command gives for refusing it; "" when it
// is not recognised or is of the kind wanted.
std::string KindNote(const Octets& der, const char* wanted);

}  // namespace pkixtool

#endif  // PKIX_TOOLS_DER_KIND_H_
