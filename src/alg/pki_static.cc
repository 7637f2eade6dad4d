#include "alg/pki_static.h"

#include <iterator>

namespace {

template <size_t N>
constexpr pki_alg_row Row(pki_alg_t alg, const uint32_t (&arcs)[N]) {
  return pki_alg_row{alg, arcs, static_cast<uint32_t>(N)};
}
constexpr pki_alg_row NoOid(pki_alg_t alg) { return pki_alg_row{alg, nullptr, 0}; }

}  // namespace

using namespace pki_oid;

const pki_alg_row staticAlgTable[] = {
    Row(PKI_ALG_RSA, rsaEncryption),
    Row(PKI_ALG_DSA, dsa),
    Row(PKI_ALG_DH, dhKeyAgreement),
    Row(PKI_ALG_DSA_OIW, sDN702_dsa),
    Row(PKI_ALG_DH_X942, dhPublicNumber),
    Row(PKI_ALG_RC2_CBC, rc2CBC),
    Row(PKI_ALG_RC4, rc4),
    Row(PKI_ALG_RC5_CBC, rc5CBC),
    Row(PKI_ALG_DES_CBC, desCBC),
    NoOid(PKI_ALG_SYM_0A),
    Row(PKI_ALG_DES_EDE3_CBC, des_EDE3_CBC),
    Row(PKI_ALG_GOST3410_TIK, GOST3410_TIK),
    Row(PKI_ALG_GOST3410_CPRO, GOST3410_CPRO),
    Row(PKI_ALG_GOST341001_CPRO, GOST341001_CPRO),
    Row(PKI_ALG_GOST3410_SC, GOST3410_SC),
    Row(PKI_ALG_GOST341001_SC, GOST341001_SC),
    Row(PKI_ALG_SHA, sha),
    Row(PKI_ALG_SHA1, sha1),
    Row(PKI_ALG_MD2, md2),
    Row(PKI_ALG_MD5, md5),
    Row(PKI_ALG_GOST3411_TIK, GOST3411_TIK),
    Row(PKI_ALG_GOST3411_CPRO, GOST3411_CPRO),
    Row(PKI_ALG_GOST3411_SC, GOST3411_SC),
    NoOid(PKI_ALG_SHA_RSA),
    Row(PKI_ALG_SHA1_RSA, sha1withRSAEncryption),
    Row(PKI_ALG_MD2_RSA, md2withRSAEncryption),
    Row(PKI_ALG_MD5_RSA, md5withRSAEncryption),
    Row(PKI_ALG_SHA_DSA, dsaWithSHA),
    Row(PKI_ALG_SHA1_DSA, dsaWithSha1),
    NoOid(PKI_ALG_SHA1_SYM_0C),
    Row(PKI_ALG_GOST3411_3410_TIK, GOST3411With3410_TIK),
    Row(PKI_ALG_GOST3411_3410_CPRO, GOST3411With3410_CPRO),
    Row(PKI_ALG_GOST3411_341001_CPRO, GOST3411With341001_CPRO),
    Row(PKI_ALG_GOST3411_3410_SC, GOST3411With3410_SC),
    Row(PKI_ALG_GOST3411_341001_SC, GOST3411With341001_SC),
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
    NoOid(PKI_ALG_NONE),
};

const uint32_t staticAlgSize = static_cast<uint32_t>(std::size(staticAlgTable));
