// The algorithm table of the ASN.1 object service: which object identifier an
// AlgorithmIdentifier object writes for a pki_alg_t, which pki_alg_t it reads
// from an identifier, and which parameters go with the algorithm.
//
// It is a table of its own, apart from the conversion table (alg/): here the
// two password-based-encryption values 0x0A and 0x0B carry their PKCS #12
// identifiers, DES has a second identifier, and four values of vendor 4
// exist. The SHA-2, DSA-with-SHA-2 and elliptic-curve rows come after the
// older rows, so every older lookup answers as it did; their numbers are the
// conversion table's.
#ifndef PKIX_ASN_PKIX_ASN_ALGTAB_H_
#define PKIX_ASN_PKIX_ASN_ALGTAB_H_

#include <cstddef>
#include <cstdint>

#include "alg/pki_alg.h"

namespace pkixasn {

// The parameters an AlgorithmIdentifier carries for an algorithm.
enum class ParamKind {
  kUnsupported,  // no parameter value object: encoding and decoding fail (9)
  kRsa,          // NULL
  kDsa,          // Dss-Parms: SEQUENCE { p INTEGER, q INTEGER, g INTEGER }
  kDes,          // OCTET STRING, the initialisation vector
  kAny,          // any element, kept as its encoding (GOST, the EC curve)
  kAbsent        // no parameters written; NULL or nothing accepted on decoding
};

// Values of the vendor-4 rows, which exist only in this table.
constexpr pki_alg_t kAlgBds1176 = 0x0400000E;
constexpr pki_alg_t kAlgBds1176Pro = 0x0400000F;
constexpr pki_alg_t kAlgBds1176Int = 0x0406000E;
constexpr pki_alg_t kAlgBds1176ProInt = 0x0406000F;
// The password-based-encryption meaning of 0x0A and 0x0B in this table.
constexpr pki_alg_t kAlgPbeSha3DesCbc = 0x0000000A;
constexpr pki_alg_t kAlgPbeSha2DesCbc = 0x0000000B;

// One row: the value and the arcs of its identifier.
struct AsnAlgRow {
  pki_alg_t alg;
  const uint32_t* arcs;
  uint32_t count;  // number of arcs
};

// The rows in their fixed order (the 29 older rows first).
const AsnAlgRow* asnAlgRows(size_t* out_count);

// Identifier to algorithm: the first row whose arcs equal arcs[0..count)
// (compared as the arc octets, 4 per arc); kNoAlg for null, empty or unknown
// identifiers. Both DES identifiers give 0x9.
pki_alg_t asnAlgFromArcs(const uint32_t* arcs, uint32_t count, pki_alg_t kNoAlg = PKI_ALG_NONE);

// The same over arc octets as an OBJECT IDENTIFIER object holds them (4
// octets per arc, host order); a length that is not a multiple of 4 is
// unknown.
pki_alg_t asnAlgFromArcOctets(const uint8_t* octets, size_t len, pki_alg_t kNoAlg = PKI_ALG_NONE);

// Algorithm to identifier: the first row with value a. Returns null (and
// *out_count 0) when a is unknown or equals no_alg; 0x9 gives 1.3.14.3.2.7.
const uint32_t* asnAlgArcs(pki_alg_t a, uint32_t* out_count, pki_alg_t no_alg = PKI_ALG_NONE);

// The parameters that go with a: kUnsupported for values outside the
// parameter classes (among them the digests of the older rows and every
// value not in the table).
ParamKind asnAlgParamKind(pki_alg_t a);

// Identifier to algorithm for the DER content octets of the identifier;
// kNoAlg for malformed or unknown content.
pki_alg_t asnAlgFromContent(const uint8_t* content, size_t len, pki_alg_t kNoAlg = PKI_ALG_NONE);

}  // namespace pkixasn

#endif  // PKIX_ASN_PKIX_ASN_ALGTAB_H_
