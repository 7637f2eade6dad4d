// The DER forms the ASN.1 object service reads and writes, as plain
// functions over the module's cursor (DerReader) and writer (DerBuilder):
// AlgorithmIdentifier with its parameters, the password-based-encryption
// identifier, Attribute and the attribute set, Extensions, and the three
// enrolment structures. The objects of the service (pkix_asn_obj.h) move
// octets between these and the host's ASN.1 buffers.
//
// Every decoder reads one element at the cursor: on success (0) the cursor
// stands after it; on failure it returns a negative code of the support
// library or kDerRefused, with the cursor unmoved.
#ifndef PKIX_ASN_PKIX_ASN_DER_H_
#define PKIX_ASN_PKIX_ASN_DER_H_

#include <cstdint>
#include <vector>

#include "alg/pki_alg.h"
#include "asn/pkix_asn_algtab.h"
#include "support/der_reader.h"

class DerBuilder;

namespace pkixasn {

using Octets = std::vector<uint8_t>;

// A decoder's code for content that is well-formed DER but not what the
// structure allows (an unknown algorithm, a value of the wrong type, too
// many or no extensions).
constexpr int kDerRefused = -1000;

// The most extensions an Extensions value may hold.
constexpr uint32_t kMaxExtensions = 20;

// AlgorithmIdentifier ::= SEQUENCE { algorithm OBJECT IDENTIFIER,
//                                    parameters ANY DEFINED BY algorithm OPTIONAL }
struct AlgId {
  pki_alg_t alg = PKI_ALG_NONE;
  ParamKind kind = ParamKind::kUnsupported;
  bool has_params = false;  // kDsa, kAny, kAbsent: whether parameters are written
  Octets p, q, g;           // kDsa: unsigned big-endian magnitudes
  Octets iv;                // kDes
  Octets any;               // kAny: the whole parameters element
  bool null_params = false;  // kAbsent: NULL was read (and is written back)
};

// Sets a's algorithm and its parameter class, clearing the parameters.
// kDerRefused (a left with alg 0) when alg has no parameter class.
int algIdSet(AlgId* a, pki_alg_t alg);
// Reads an AlgorithmIdentifier. An identifier not in the table, or
// parameters its class does not allow (RSA: NULL; DSA: absent or Dss-Parms;
// DES: OCTET STRING; others of the table: absent, or any one element for
// kAny, NULL for kAbsent) give kDerRefused.
int algIdDecode(DerReader& in, AlgId* out);
// Writes a (prepends to out). kDerRefused when a.alg has no identifier.
int algIdEncode(const AlgId& a, DerBuilder& out);
// The parameters alone, by a->kind: read from the rest of the cursor
// (absent when nothing is left), and prepended (nothing when absent).
// kDerRefused for kUnsupported and for parameters the kind does not allow.
int paramsDecode(DerReader& in, AlgId* a);
int paramsEncode(const AlgId& a, DerBuilder& out);

// EncAlgorithmId ::= SEQUENCE { algorithm OBJECT IDENTIFIER,
//                               parameters SEQUENCE { salt OCTET STRING,
//                                                     iterations INTEGER } OPTIONAL }
struct EncAlgId {
  Octets oid;         // content octets of the identifier
  bool has_params = false;
  Octets salt;
  Octets iterations;  // INTEGER content octets as read
};
int encAlgIdDecode(DerReader& in, EncAlgId* out);
int encAlgIdEncode(const EncAlgId& a, DerBuilder& out);

// Attribute ::= SEQUENCE { type OBJECT IDENTIFIER, values SET OF value }
// For the four PKCS #9 types exactly one value, of the type's kind:
//   extensionRequest  Extensions (SEQUENCE of 1 to kMaxExtensions Extension)
//   localKeyID        OCTET STRING
//   friendlyName      BMPString
//   challengePassword DirectoryString: UTF8String, PrintableString,
//                     TeletexString, UniversalString or BMPString
// Any other type: the values are kept as they stand.
struct Attribute {
  int type = 0;          // AttrType; kAttrAny for identifiers not in the table
  Octets oid;            // content octets of the type
  unsigned char value_tag = 0;  // the single value's identifier octet (typed attributes)
  Octets value;          // typed: the value's content; any: the SET's content
};
// Reads an Attribute of type expected: kAttrAny takes every identifier and
// keeps the values as read; another type refuses identifiers other than its
// own and values of another kind.
int attributeDecode(DerReader& in, int expected, Attribute* out);
// The same with the type the identifier names (kAttrAny for the others).
int attributeDecodeAny(DerReader& in, Attribute* out);
int attributeEncode(const Attribute& a, DerBuilder& out);

// The elements of one Extensions SEQUENCE: each whole Extension element.
// kDerRefused for none or more than kMaxExtensions.
int extensionsDecode(DerReader& in, std::vector<Octets>* out);
int extensionsEncode(const std::vector<Octets>& exts, DerBuilder& out);

// IssuerAndSerialNumber ::= SEQUENCE { issuer Name, serialNumber INTEGER }
// names are whole Name elements, the serial INTEGER content octets.
struct IssuerAndSerial {
  Octets issuer;
  Octets serial;
};
int issuerAndSerialDecode(DerReader& in, IssuerAndSerial* out);
int issuerAndSerialEncode(const IssuerAndSerial& v, DerBuilder& out);

// IssuerAndSubject ::= SEQUENCE { issuer Name, subject Name }
struct IssuerAndSubject {
  Octets issuer;
  Octets subject;
};
int issuerAndSubjectDecode(DerReader& in, IssuerAndSubject* out);
int issuerAndSubjectEncode(const IssuerAndSubject& v, DerBuilder& out);

// SEQUENCE { IssuerAndSerialNumber, Extension } (the Extension a CRL
// distribution points extension, kept whole).
struct IssuerAndDp {
  IssuerAndSerial ias;
  Octets extension;
};
int issuerAndDpDecode(DerReader& in, IssuerAndDp* out);
int issuerAndDpEncode(const IssuerAndDp& v, DerBuilder& out);

// Unsigned big-endian magnitude of INTEGER content octets; false for a
// negative value.
bool integerMagnitude(const Buffer& content, Octets* out);

}  // namespace pkixasn

#endif  // PKIX_ASN_PKIX_ASN_DER_H_
