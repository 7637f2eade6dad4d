#include "alg/pki_static.h"

#include <iterator>

namespace {

// The parameters column: NULL (the RSA family, keys and signatures, and
// the GOST R 34.10 family of every vendor), or anything else (none, or the
// key's own domain parameters).
constexpr bool kNullParams = true;
constexpr bool kNotNull = false;

template <size_t N>
constexpr pki_alg_row Row(pki_alg_t alg, const uint32_t (&arcs)[N], bool params) {
  return pki_alg_row{alg, arcs, static_cast<uint32_t>(N), params};
}
constexpr pki_alg_row NoOid(pki_alg_t alg, bool params) { return pki_alg_row{alg, nullptr, 0, params}; }

}  // namespace

using namespace pki_oid;

const pki_alg_row staticAlgTable[] = {
    Row(PKI_ALG_RSA, rsaEncryption, kNullParams),
    Row(PKI_ALG_DSA, dsa, kNotNull),
    Row(PKI_ALG_DH, dhKeyAgreement, kNotNull),
    Row(PKI_ALG_DSA_OIW, sDN702_dsa, kNotNull),
    Row(PKI_ALG_DH_X942, dhPublicNumber, kNotNull),
    Row(PKI_ALG_RC2_CBC, rc2CBC, kNotNull),
    Row(PKI_ALG_RC4, rc4, kNotNull),
    Row(PKI_ALG_RC5_CBC, rc5CBC, kNotNull),
    Row(PKI_ALG_DES_CBC, desCBC, kNotNull),
    NoOid(PKI_ALG_SYM_0A, kNotNull),
    Row(PKI_ALG_DES_EDE3_CBC, des_EDE3_CBC, kNotNull),
    Row(PKI_ALG_GOST3410_TIK, GOST3410_TIK, kNullParams),
    Row(PKI_ALG_GOST3410_CPRO, GOST3410_CPRO, kNullParams),
    Row(PKI_ALG_GOST341001_CPRO, GOST341001_CPRO, kNullParams),
    Row(PKI_ALG_GOST3410_SC, GOST3410_SC, kNullParams),
    Row(PKI_ALG_GOST341001_SC, GOST341001_SC, kNullParams),
    Row(PKI_ALG_SHA, sha, kNotNull),
    Row(PKI_ALG_SHA1, sha1, kNotNull),
    Row(PKI_ALG_MD2, md2, kNotNull),
    Row(PKI_ALG_MD5, md5, kNotNull),
    Row(PKI_ALG_GOST3411_TIK, GOST3411_TIK, kNotNull),
    Row(PKI_ALG_GOST3411_CPRO, GOST3411_CPRO, kNotNull),
    Row(PKI_ALG_GOST3411_SC, GOST3411_SC, kNotNull),
    NoOid(PKI_ALG_SHA_RSA, kNullParams),
    Row(PKI_ALG_SHA1_RSA, sha1withRSAEncryption, kNullParams),
    Row(PKI_ALG_MD2_RSA, md2withRSAEncryption, kNullParams),
    Row(PKI_ALG_MD5_RSA, md5withRSAEncryption, kNullParams),
    Row(PKI_ALG_SHA_DSA, dsaWithSHA, kNotNull),
    Row(PKI_ALG_SHA1_DSA, dsaWithSha1, kNotNull),
    NoOid(PKI_ALG_SHA1_SYM_0C, kNotNull),
    Row(PKI_ALG_GOST3411_3410_TIK, GOST3411With3410_TIK, kNullParams),
    Row(PKI_ALG_GOST3411_3410_CPRO, GOST3411With3410_CPRO, kNullParams),
    Row(PKI_ALG_GOST3411_341001_CPRO, GOST3411With341001_CPRO, kNullParams),
    Row(PKI_ALG_GOST3411_3410_SC, GOST3411With3410_SC, kNullParams),
    Row(PKI_ALG_GOST3411_341001_SC, GOST3411With341001_SC, kNullParams),
    Row(PKI_ALG_SHA224, sha224, kNotNull),
    Row(PKI_ALG_SHA256, sha256, kNotNull),
    Row(PKI_ALG_SHA384, sha384, kNotNull),
    Row(PKI_ALG_SHA512, sha512, kNotNull),
    Row(PKI_ALG_SHA224_RSA, sha224WithRSAEncryption, kNullParams),
    Row(PKI_ALG_SHA256_RSA, sha256WithRSAEncryption, kNullParams),
    Row(PKI_ALG_SHA384_RSA, sha384WithRSAEncryption, kNullParams),
    Row(PKI_ALG_SHA512_RSA, sha512WithRSAEncryption, kNullParams),
    Row(PKI_ALG_SHA224_DSA, dsa_with_sha224, kNotNull),
    Row(PKI_ALG_SHA256_DSA, dsa_with_sha256, kNotNull),
    Row(PKI_ALG_EC, id_ecPublicKey, kNotNull),
    Row(PKI_ALG_SHA1_ECDSA, ecdsa_with_SHA1, kNotNull),
    Row(PKI_ALG_SHA224_ECDSA, ecdsa_with_SHA224, kNotNull),
    Row(PKI_ALG_SHA256_ECDSA, ecdsa_with_SHA256, kNotNull),
    Row(PKI_ALG_SHA384_ECDSA, ecdsa_with_SHA384, kNotNull),
    Row(PKI_ALG_SHA512_ECDSA, ecdsa_with_SHA512, kNotNull),
    NoOid(PKI_ALG_NONE, kNotNull),
};

const uint32_t staticAlgSize = static_cast<uint32_t>(std::size(staticAlgTable));

const pki_alg_row* pki_alg_find(pki_alg_t a) {
  for (const pki_alg_row& row : staticAlgTable) {
    if (row.alg == a) return &row;
  }
  return nullptr;
}

extern "C" int pki_alg_null_params(pki_alg_t a) {
  const pki_alg_row* row = pki_alg_find(a);
  return row != nullptr && row->null_params ? 1 : 0;
}
