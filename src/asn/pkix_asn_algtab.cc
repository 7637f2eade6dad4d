#include "asn/pkix_asn_algtab.h"

#include <cstring>
#include <iterator>

#include "alg/pki_static.h"
#include "contract/x509asn.h"

namespace pkixasn {
namespace {

// Identifiers that only this table knows; the others are the conversion
// table's arc arrays (alg/pki_static.h).
constexpr uint32_t kDesTeletrust[] = {1, 3, 36, 3, 1, 1};
constexpr uint32_t kPbeSha3KeyTripleDesCbc[] = {1, 2, 840, 113549, 1, 12, 1, 3};
constexpr uint32_t kPbeSha2KeyTripleDesCbc[] = {1, 2, 840, 113549, 1, 12, 1, 4};
constexpr uint32_t kBds1176[] = {1, 3, 6, 1, 4, 1, 12656, 1, 38};
constexpr uint32_t kBds1176Pro[] = {1, 3, 6, 1, 4, 1, 12656, 1, 35};
constexpr uint32_t kBds1176Int[] = {1, 3, 6, 1, 4, 1, 12656, 1, 40};
constexpr uint32_t kBds1176ProInt[] = {1, 3, 6, 1, 4, 1, 12656, 1, 43};

template <size_t N>
constexpr AsnAlgRow Row(pki_alg_t alg, const uint32_t (&arcs)[N]) {
  return AsnAlgRow{alg, arcs, static_cast<uint32_t>(N)};
}

namespace o = pki_oid;

// First match wins in both directions: 1.3.36.3.1.1 reads as DES, and DES is
// written as 1.3.14.3.2.7.
constexpr AsnAlgRow kRows[] = {
    Row(PKI_ALG_RSA, o::rsaEncryption),
    Row(PKI_ALG_DSA, o::dsa),
    Row(PKI_ALG_DH, o::dhKeyAgreement),
    Row(PKI_ALG_DSA_OIW, o::sDN702_dsa),
    Row(PKI_ALG_DH_X942, o::dhPublicNumber),
    Row(PKI_ALG_RC2_CBC, o::rc2CBC),
    Row(PKI_ALG_RC4, o::rc4),
    Row(PKI_ALG_RC5_CBC, o::rc5CBC),
    Row(PKI_ALG_DES_CBC, o::desCBC),
    Row(PKI_ALG_DES_CBC, kDesTeletrust),
    Row(kAlgPbeSha3DesCbc, kPbeSha3KeyTripleDesCbc),
    Row(kAlgPbeSha2DesCbc, kPbeSha2KeyTripleDesCbc),
    Row(PKI_ALG_SHA, o::sha),
    Row(PKI_ALG_SHA1, o::sha1),
    Row(PKI_ALG_MD2, o::md2),
    Row(PKI_ALG_MD5, o::md5),
    Row(PKI_ALG_SHA1_RSA, o::sha1withRSAEncryption),
    Row(PKI_ALG_MD2_RSA, o::md2withRSAEncryption),
    Row(PKI_ALG_MD5_RSA, o::md5withRSAEncryption),
    Row(PKI_ALG_SHA_DSA, o::dsaWithSHA),
    Row(PKI_ALG_SHA1_DSA, o::dsaWithSha1),
    Row(PKI_ALG_GOST3410_CPRO, o::GOST3410_CPRO),
    Row(PKI_ALG_GOST3411_3410_CPRO, o::GOST3411With3410_CPRO),
    Row(PKI_ALG_GOST341001_CPRO, o::GOST341001_CPRO),
    Row(PKI_ALG_GOST3411_341001_CPRO, o::GOST3411With341001_CPRO),
    Row(kAlgBds1176, kBds1176),
    Row(kAlgBds1176Pro, kBds1176Pro),
    Row(kAlgBds1176Int, kBds1176Int),
    Row(kAlgBds1176ProInt, kBds1176ProInt),
    // Added after the older rows: SHA-2 digests and signatures, elliptic
    // curves.
    Row(PKI_ALG_SHA224, o::sha224),
    Row(PKI_ALG_SHA256, o::sha256),
    Row(PKI_ALG_SHA384, o::sha384),
    Row(PKI_ALG_SHA512, o::sha512),
    Row(PKI_ALG_SHA224_RSA, o::sha224WithRSAEncryption),
    Row(PKI_ALG_SHA256_RSA, o::sha256WithRSAEncryption),
    Row(PKI_ALG_SHA384_RSA, o::sha384WithRSAEncryption),
    Row(PKI_ALG_SHA512_RSA, o::sha512WithRSAEncryption),
    Row(PKI_ALG_SHA224_DSA, o::dsa_with_sha224),
    Row(PKI_ALG_SHA256_DSA, o::dsa_with_sha256),
    Row(PKI_ALG_EC, o::id_ecPublicKey),
    Row(PKI_ALG_SHA1_ECDSA, o::ecdsa_with_SHA1),
    Row(PKI_ALG_SHA224_ECDSA, o::ecdsa_with_SHA224),
    Row(PKI_ALG_SHA256_ECDSA, o::ecdsa_with_SHA256),
    Row(PKI_ALG_SHA384_ECDSA, o::ecdsa_with_SHA384),
    Row(PKI_ALG_SHA512_ECDSA, o::ecdsa_with_SHA512),
};

// More arcs than any identifier of the table has.
constexpr uint32_t kMaxArcs = 32;

struct KindRow {
  pki_alg_t alg;
  ParamKind kind;
};

// Parameter class by algorithm; a value not listed has none (9).
constexpr KindRow kKinds[] = {
    {PKI_ALG_RSA, ParamKind::kRsa},
    {PKI_ALG_SHA1_RSA, ParamKind::kRsa},
    {PKI_ALG_MD2_RSA, ParamKind::kRsa},
    {PKI_ALG_MD5_RSA, ParamKind::kRsa},
    {PKI_ALG_DSA, ParamKind::kDsa},
    {PKI_ALG_SHA_DSA, ParamKind::kDsa},
    {PKI_ALG_SHA1_DSA, ParamKind::kDsa},
    {PKI_ALG_DES_CBC, ParamKind::kDes},
    {PKI_ALG_GOST3410_CPRO, ParamKind::kAny},
    {PKI_ALG_GOST3411_3410_CPRO, ParamKind::kAny},
    {PKI_ALG_GOST341001_CPRO, ParamKind::kAny},
    {PKI_ALG_GOST3411_341001_CPRO, ParamKind::kAny},
    {kAlgBds1176, ParamKind::kAny},
    {kAlgBds1176Pro, ParamKind::kAny},
    {kAlgBds1176Int, ParamKind::kAny},
    {kAlgBds1176ProInt, ParamKind::kAny},
    // RSA with SHA-2 carries NULL; the SHA-2 digests, DSA with SHA-2 and
    // ECDSA carry nothing (RFC 5754, RFC 5758); the EC key its curve.
    {PKI_ALG_SHA224_RSA, ParamKind::kRsa},
    {PKI_ALG_SHA256_RSA, ParamKind::kRsa},
    {PKI_ALG_SHA384_RSA, ParamKind::kRsa},
    {PKI_ALG_SHA512_RSA, ParamKind::kRsa},
    {PKI_ALG_SHA224, ParamKind::kAbsent},
    {PKI_ALG_SHA256, ParamKind::kAbsent},
    {PKI_ALG_SHA384, ParamKind::kAbsent},
    {PKI_ALG_SHA512, ParamKind::kAbsent},
    {PKI_ALG_SHA224_DSA, ParamKind::kAbsent},
    {PKI_ALG_SHA256_DSA, ParamKind::kAbsent},
    {PKI_ALG_EC, ParamKind::kAny},
    {PKI_ALG_SHA1_ECDSA, ParamKind::kAbsent},
    {PKI_ALG_SHA224_ECDSA, ParamKind::kAbsent},
    {PKI_ALG_SHA256_ECDSA, ParamKind::kAbsent},
    {PKI_ALG_SHA384_ECDSA, ParamKind::kAbsent},
    {PKI_ALG_SHA512_ECDSA, ParamKind::kAbsent},
};

}  // namespace

const AsnAlgRow* asnAlgRows(size_t* out_count) {
  if (out_count != nullptr) *out_count = std::size(kRows);
  return kRows;
}

pki_alg_t asnAlgFromArcOctets(const uint8_t* octets, size_t len, pki_alg_t kNoAlg) {
  if (octets == nullptr || len == 0) return kNoAlg;
  for (const AsnAlgRow& row : kRows) {
    if (size_t{row.count} * sizeof(uint32_t) == len && std::memcmp(row.arcs, octets, len) == 0) return row.alg;
  }
  return kNoAlg;
}

pki_alg_t asnAlgFromArcs(const uint32_t* arcs, uint32_t count, pki_alg_t kNoAlg) {
  return asnAlgFromArcOctets(reinterpret_cast<const uint8_t*>(arcs), size_t{count} * sizeof(uint32_t), kNoAlg);
}

const uint32_t* asnAlgArcs(pki_alg_t a, uint32_t* out_count, pki_alg_t no_alg) {
  if (out_count != nullptr) *out_count = 0;
  if (a == no_alg) return nullptr;
  for (const AsnAlgRow& row : kRows) {
    if (row.alg != a) continue;
    if (out_count != nullptr) *out_count = row.count;
    return row.arcs;
  }
  return nullptr;
}

ParamKind asnAlgParamKind(pki_alg_t a) {
  for (const KindRow& row : kKinds) {
    if (row.alg == a) return row.kind;
  }
  return ParamKind::kUnsupported;
}

pki_alg_t asnAlgFromContent(const uint8_t* content, size_t len, pki_alg_t kNoAlg) {
  uint32_t arcs[kMaxArcs];
  Buffer b{nullptr, const_cast<uint8_t*>(content), static_cast<uint32_t>(len)};
  if (content == nullptr || len == 0 || len > UINT32_MAX) return kNoAlg;
  const int n = asn1_dec_objid(&b, arcs, kMaxArcs);
  return n < 2 ? kNoAlg : asnAlgFromArcs(arcs, static_cast<uint32_t>(n), kNoAlg);
}

}  // namespace pkixasn
