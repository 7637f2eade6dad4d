// The conversion table: every defined pki_alg_t with the arcs of its object
// identifier, and the named arc arrays the rows point at.
#ifndef PKIX_ALG_PKI_STATIC_H_
#define PKIX_ALG_PKI_STATIC_H_

#include <cstddef>
#include <cstdint>

#include "alg/pki_alg.h"

// One row: the value, its OID as an array of arcs (arcs null and count 0
// for a value that has no identifier), and whether the algorithm's
// AlgorithmIdentifier carries NULL parameters (the RSA and GOST R 34.10
// families; every other row has none or its key's own).
struct pki_alg_row {
  pki_alg_t alg;
  const uint32_t* arcs;
  uint32_t count;
  bool null_params;
};

// The rows in their fixed order, the last one all zero (PKI_ALG_NONE). A
// value appears once; lookups take the first matching row. The SHA-2 and
// elliptic-curve rows come after the older ones, so that every older row
// keeps its index.
extern const pki_alg_row staticAlgTable[];
// Number of rows of staticAlgTable, the closing zero row included.
extern const uint32_t staticAlgSize;

// The first row of staticAlgTable whose value is a; null when there is
// none. Reads the table itself, so it answers without the conversion
// service (the certificate encoder writes its identifiers from it).
const pki_alg_row* pki_alg_find(pki_alg_t a);

// The arc arrays the rows point at (std::size gives the arc count). They
// live in a namespace of their own: the support library exports OID
// constants, in another form, under some of the same names.
namespace pki_oid {
inline constexpr uint32_t rsaEncryption[] = {1, 2, 840, 113549, 1, 1, 1};
inline constexpr uint32_t dsa[] = {1, 2, 840, 10040, 4, 1};
inline constexpr uint32_t dhKeyAgreement[] = {1, 2, 840, 113549, 1, 3, 1};
inline constexpr uint32_t sDN702_dsa[] = {1, 3, 14, 3, 2, 12};
inline constexpr uint32_t dhPublicNumber[] = {1, 2, 840, 10046, 2, 1};
inline constexpr uint32_t rc2CBC[] = {1, 2, 840, 113549, 3, 2};
inline constexpr uint32_t rc4[] = {1, 2, 840, 113549, 3, 4};
inline constexpr uint32_t rc5CBC[] = {1, 2, 840, 113549, 3, 8};
inline constexpr uint32_t desCBC[] = {1, 3, 14, 3, 2, 7};
inline constexpr uint32_t des_EDE3_CBC[] = {1, 2, 840, 113549, 3, 7};
inline constexpr uint32_t GOST3410_TIK[] = {1, 3, 6, 1, 4, 1, 3670, 1, 10};
inline constexpr uint32_t GOST3410_CPRO[] = {1, 2, 643, 2, 2, 20};
inline constexpr uint32_t GOST341001_CPRO[] = {1, 2, 643, 2, 2, 19};
inline constexpr uint32_t GOST3410_SC[] = {1, 3, 6, 1, 4, 1, 5849, 1, 1, 5};
inline constexpr uint32_t GOST341001_SC[] = {1, 3, 6, 1, 4, 1, 5849, 1, 6, 2};
inline constexpr uint32_t sha[] = {1, 3, 14, 3, 2, 18};
inline constexpr uint32_t sha1[] = {1, 3, 14, 3, 2, 26};
inline constexpr uint32_t md2[] = {1, 2, 840, 113549, 2, 2};
inline constexpr uint32_t md5[] = {1, 2, 840, 113549, 2, 5};
inline constexpr uint32_t GOST3411_TIK[] = {1, 3, 6, 1, 4, 1, 3670, 1, 5};
inline constexpr uint32_t GOST3411_CPRO[] = {1, 2, 643, 2, 2, 9};
inline constexpr uint32_t GOST3411_SC[] = {1, 3, 6, 1, 4, 1, 5849, 1, 2, 1};
inline constexpr uint32_t sha1withRSAEncryption[] = {1, 2, 840, 113549, 1, 1, 5};
inline constexpr uint32_t md2withRSAEncryption[] = {1, 2, 840, 113549, 1, 1, 2};
inline constexpr uint32_t md5withRSAEncryption[] = {1, 2, 840, 113549, 1, 1, 4};
inline constexpr uint32_t dsaWithSHA[] = {1, 3, 14, 3, 2, 13};
inline constexpr uint32_t dsaWithSha1[] = {1, 2, 840, 10040, 4, 3};
inline constexpr uint32_t GOST3411With3410_TIK[] = {1, 3, 6, 1, 4, 1, 3670, 1, 6};
inline constexpr uint32_t GOST3411With3410_CPRO[] = {1, 2, 643, 2, 2, 4};
inline constexpr uint32_t GOST3411With341001_CPRO[] = {1, 2, 643, 2, 2, 3};
inline constexpr uint32_t GOST3411With3410_SC[] = {1, 3, 6, 1, 4, 1, 5849, 1, 3, 1};
inline constexpr uint32_t GOST3411With341001_SC[] = {1, 3, 6, 1, 4, 1, 5849, 1, 3, 2};
inline constexpr uint32_t sha224[] = {2, 16, 840, 1, 101, 3, 4, 2, 4};
inline constexpr uint32_t sha256[] = {2, 16, 840, 1, 101, 3, 4, 2, 1};
inline constexpr uint32_t sha384[] = {2, 16, 840, 1, 101, 3, 4, 2, 2};
inline constexpr uint32_t sha512[] = {2, 16, 840, 1, 101, 3, 4, 2, 3};
inline constexpr uint32_t sha224WithRSAEncryption[] = {1, 2, 840, 113549, 1, 1, 14};
inline constexpr uint32_t sha256WithRSAEncryption[] = {1, 2, 840, 113549, 1, 1, 11};
inline constexpr uint32_t sha384WithRSAEncryption[] = {1, 2, 840, 113549, 1, 1, 12};
inline constexpr uint32_t sha512WithRSAEncryption[] = {1, 2, 840, 113549, 1, 1, 13};
inline constexpr uint32_t dsa_with_sha224[] = {2, 16, 840, 1, 101, 3, 4, 3, 1};
inline constexpr uint32_t dsa_with_sha256[] = {2, 16, 840, 1, 101, 3, 4, 3, 2};
inline constexpr uint32_t id_ecPublicKey[] = {1, 2, 840, 10045, 2, 1};
inline constexpr uint32_t ecdsa_with_SHA1[] = {1, 2, 840, 10045, 4, 1};
inline constexpr uint32_t ecdsa_with_SHA224[] = {1, 2, 840, 10045, 4, 3, 1};
inline constexpr uint32_t ecdsa_with_SHA256[] = {1, 2, 840, 10045, 4, 3, 2};
inline constexpr uint32_t ecdsa_with_SHA384[] = {1, 2, 840, 10045, 4, 3, 3};
inline constexpr uint32_t ecdsa_with_SHA512[] = {1, 2, 840, 10045, 4, 3, 4};
}  // namespace pki_oid

#endif  // PKIX_ALG_PKI_STATIC_H_
