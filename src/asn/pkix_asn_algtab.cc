#include "asn/pkix_asn_algtab.h"

#include <cstring>
#include <iterator>

#include "alg/pki_static.h"

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

using namespace pki_oid;

// First match wins in both directions: 1.3.36.3.1.1 reads as DES, and DES is
// written as 1.3.14.3.2.7.
constexpr AsnAlgRow kRows[] = {
    Row(PKI_ALG_RSA, rsaEncryption),
    Row(PKI_ALG_DSA, dsa),
    Row(PKI_ALG_DH, dhKeyAgreement),
    Row(PKI_ALG_DSA_OIW, sDN702_dsa),
    Row(PKI_ALG_DH_X942, dhPublicNumber),
    Row(PKI_ALG_RC2_CBC, rc2CBC),
    Row(PKI_ALG_RC4, rc4),
    Row(PKI_ALG_RC5_CBC, rc5CBC),
    Row(PKI_ALG_DES_CBC, desCBC),
    Row(PKI_ALG_DES_CBC, kDesTeletrust),
    Row(kAlgPbeSha3DesCbc, kPbeSha3KeyTripleDesCbc),
    Row(kAlgPbeSha2DesCbc, kPbeSha2KeyTripleDesCbc),
    Row(PKI_ALG_SHA, sha),
    Row(PKI_ALG_SHA1, sha1),
    Row(PKI_ALG_MD2, md2),
    Row(PKI_ALG_MD5, md5),
    Row(PKI_ALG_SHA1_RSA, sha1withRSAEncryption),
    Row(PKI_ALG_MD2_RSA, md2withRSAEncryption),
    Row(PKI_ALG_MD5_RSA, md5withRSAEncryption),
    Row(PKI_ALG_SHA_DSA, dsaWithSHA),
    Row(PKI_ALG_SHA1_DSA, dsaWithSha1),
    Row(PKI_ALG_GOST3410_CPRO, GOST3410_CPRO),
    Row(PKI_ALG_GOST3411_3410_CPRO, GOST3411With3410_CPRO),
    Row(PKI_ALG_GOST341001_CPRO, GOST341001_CPRO),
    Row(PKI_ALG_GOST3411_341001_CPRO, GOST3411With341001_CPRO),
    Row(kAlgBds1176, kBds1176),
    Row(kAlgBds1176Pro, kBds1176Pro),
    Row(kAlgBds1176Int, kBds1176Int),
    Row(kAlgBds1176ProInt, kBds1176ProInt),
    // Added after the older rows: SHA-2 digests and signatures, elliptic
    // curves.
    Row(PKI_ALG_SHA224, sha224),
    Row(PKI_ALG_SHA256, sha256),
    Row(PKI_ALG_SHA384, sha384),
    Row(PKI_ALG_SHA512, sha512),
    Row(PKI_ALG_SHA224_RSA, sha224WithRSAEncryption),
    Row(PKI_ALG_SHA256_RSA, sha256WithRSAEncryption),
    Row(PKI_ALG_SHA384_RSA, sha384WithRSAEncryption),
    Row(PKI_ALG_SHA512_RSA, sha512WithRSAEncryption),
    Row(PKI_ALG_SHA224_DSA, dsa_with_sha224),
    Row(PKI_ALG_SHA256_DSA, dsa_with_sha256),
    Row(PKI_ALG_EC, id_ecPublicKey),
    Row(PKI_ALG_SHA1_ECDSA, ecdsa_with_SHA1),
    Row(PKI_ALG_SHA224_ECDSA, ecdsa_with_SHA224),
    Row(PKI_ALG_SHA256_ECDSA, ecdsa_with_SHA256),
    Row(PKI_ALG_SHA384_ECDSA, ecdsa_with_SHA384),
    Row(PKI_ALG_SHA512_ECDSA, ecdsa_with_SHA512),
};

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

uint32_t asnContentToArcs(const uint8_t* content, size_t len, uint32_t* out, uint32_t cap) {
  if (content == nullptr || len == 0 || out == nullptr || cap < 2) return 0;
  uint32_t n = 0;
  uint64_t value = 0;
  bool fresh = true;  // at the first octet of a subidentifier
  for (size_t i = 0; i < len; ++i) {
    const uint8_t octet = content[i];
    // X.690 8.19.2: no leading 0x80 octet in a subidentifier.
    if (fresh && octet == 0x80) return 0;
    value = (value << 7) | (octet & 0x7F);
    if (value > UINT32_MAX + uint64_t{80}) return 0;
    fresh = (octet & 0x80) == 0;
    if (!fresh) continue;
    if (n == 0) {
      // The first subidentifier holds two arcs: 40 * first + second.
      const uint32_t first = value < 40 ? 0 : value < 80 ? 1 : 2;
      const uint64_t second = value - 40u * first;
      if (second > UINT32_MAX) return 0;
      out[n++] = first;
      out[n++] = static_cast<uint32_t>(second);
    } else {
      if (value > UINT32_MAX || n == cap) return 0;
      out[n++] = static_cast<uint32_t>(value);
    }
    value = 0;
  }
  return fresh ? n : 0;  // a subidentifier left open is malformed
}

}  // namespace pkixasn
