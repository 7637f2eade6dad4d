/* The algorithm numbering: one 32-bit pki_alg_t per key algorithm, cipher,
 * hash and signature algorithm the module knows.
 *
 *   bits  0- 7  base algorithm (PKI_ALG_BASE_*)
 *   bits  8-15  variant: 1 marks the GOST R 34.10-2001 form of base 0x0D
 *   bits 16-23  hash (PKI_ALG_HASH_*)
 *   bits 24-31  vendor of a GOST container format: 1 TIK, 2 CPRO, 3 SC;
 *               0 for every other algorithm
 *
 * A base and no hash is a key or cipher algorithm, a hash alone a digest,
 * base and hash together a signature algorithm. The object identifiers of
 * these values are in the conversion table (pki_static.h); a value without
 * an identifier there (PKI_ALG_SYM_0A, PKI_ALG_SHA_RSA, PKI_ALG_SHA1_SYM_0C)
 * converts to nothing. Usable from C and C++. */
#ifndef PKIX_ALG_PKI_ALG_H_
#define PKIX_ALG_PKI_ALG_H_

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t pki_alg_t;

/* Base algorithms (bits 0-7). */
enum {
  PKI_ALG_BASE_RSA = 0x01,
  PKI_ALG_BASE_DSA = 0x02,          /* id-dsa, X9.57 */
  PKI_ALG_BASE_DH = 0x03,           /* PKCS #3 */
  PKI_ALG_BASE_DSA_OIW = 0x04,      /* the OIW identifier of DSA */
  PKI_ALG_BASE_DH_X942 = 0x05,      /* dhpublicnumber, X9.42 */
  PKI_ALG_BASE_RC2_CBC = 0x06,
  PKI_ALG_BASE_RC4 = 0x07,
  PKI_ALG_BASE_RC5_CBC = 0x08,
  PKI_ALG_BASE_DES_CBC = 0x09,
  PKI_ALG_BASE_SYM_0A = 0x0A,       /* symmetric algorithm without identifier */
  PKI_ALG_BASE_DES_EDE3_CBC = 0x0B,
  PKI_ALG_BASE_SYM_0C = 0x0C,       /* symmetric algorithm used with SHA-1 */
  PKI_ALG_BASE_GOST3410 = 0x0D,
  PKI_ALG_BASE_EC = 0x10            /* id-ecPublicKey, X9.62 */
};

/* Hash algorithms (bits 16-23, shown here unshifted). */
enum {
  PKI_ALG_HASH_SHA = 0x01,
  PKI_ALG_HASH_SHA1 = 0x02,
  PKI_ALG_HASH_MD2 = 0x03,
  PKI_ALG_HASH_MD5 = 0x04,
  PKI_ALG_HASH_GOST3411 = 0x05,
  PKI_ALG_HASH_SHA224 = 0x07,
  PKI_ALG_HASH_SHA256 = 0x08,
  PKI_ALG_HASH_SHA384 = 0x09,
  PKI_ALG_HASH_SHA512 = 0x0A
};

/* GOST container vendors (bits 24-31, unshifted). */
enum {
  PKI_ALG_VENDOR_NONE = 0,
  PKI_ALG_VENDOR_TIK = 1,
  PKI_ALG_VENDOR_CPRO = 2,
  PKI_ALG_VENDOR_SC = 3
};

/* Every defined value. */
enum {
  PKI_ALG_NONE = 0x00000000,
  /* key algorithms */
  PKI_ALG_RSA = 0x00000001,
  PKI_ALG_DSA = 0x00000002,
  PKI_ALG_DH = 0x00000003,
  PKI_ALG_DSA_OIW = 0x00000004,
  PKI_ALG_DH_X942 = 0x00000005,
  /* symmetric ciphers */
  PKI_ALG_RC2_CBC = 0x00000006,
  PKI_ALG_RC4 = 0x00000007,
  PKI_ALG_RC5_CBC = 0x00000008,
  PKI_ALG_DES_CBC = 0x00000009,
  PKI_ALG_SYM_0A = 0x0000000A,
  PKI_ALG_DES_EDE3_CBC = 0x0000000B,
  /* elliptic-curve public key (the curve is the key's parameter) */
  PKI_ALG_EC = 0x00000010,
  /* GOST R 34.10 keys of the three vendors (-2001 forms: variant 1) */
  PKI_ALG_GOST3410_TIK = 0x0100000D,
  PKI_ALG_GOST3410_CPRO = 0x0200000D,
  PKI_ALG_GOST341001_CPRO = 0x0200010D,
  PKI_ALG_GOST3410_SC = 0x0300000D,
  PKI_ALG_GOST341001_SC = 0x0300010D,
  /* digests */
  PKI_ALG_SHA = 0x00010000,
  PKI_ALG_SHA1 = 0x00020000,
  PKI_ALG_MD2 = 0x00030000,
  PKI_ALG_MD5 = 0x00040000,
  PKI_ALG_SHA224 = 0x00070000,
  PKI_ALG_SHA256 = 0x00080000,
  PKI_ALG_SHA384 = 0x00090000,
  PKI_ALG_SHA512 = 0x000A0000,
  PKI_ALG_GOST3411_TIK = 0x01050000,
  PKI_ALG_GOST3411_CPRO = 0x02050000,
  PKI_ALG_GOST3411_SC = 0x03050000,
  /* signature algorithms */
  PKI_ALG_SHA_RSA = 0x00010001,
  PKI_ALG_SHA1_RSA = 0x00020001,
  PKI_ALG_MD2_RSA = 0x00030001,
  PKI_ALG_MD5_RSA = 0x00040001,
  PKI_ALG_SHA_DSA = 0x00010002,
  PKI_ALG_SHA1_DSA = 0x00020002,
  PKI_ALG_SHA1_SYM_0C = 0x0002000C,
  PKI_ALG_SHA224_RSA = 0x00070001,
  PKI_ALG_SHA256_RSA = 0x00080001,
  PKI_ALG_SHA384_RSA = 0x00090001,
  PKI_ALG_SHA512_RSA = 0x000A0001,
  PKI_ALG_SHA224_DSA = 0x00070002,
  PKI_ALG_SHA256_DSA = 0x00080002,
  PKI_ALG_SHA1_ECDSA = 0x00020010,
  PKI_ALG_SHA224_ECDSA = 0x00070010,
  PKI_ALG_SHA256_ECDSA = 0x00080010,
  PKI_ALG_SHA384_ECDSA = 0x00090010,
  PKI_ALG_SHA512_ECDSA = 0x000A0010,
  PKI_ALG_GOST3411_3410_TIK = 0x0105000D,
  PKI_ALG_GOST3411_3410_CPRO = 0x0205000D,
  PKI_ALG_GOST3411_341001_CPRO = 0x0205010D,
  PKI_ALG_GOST3411_3410_SC = 0x0305000D,
  PKI_ALG_GOST3411_341001_SC = 0x0305010D
};

/* The four octets of a value. */
static inline uint32_t pki_alg_base(pki_alg_t a) { return a & 0xFFu; }
static inline uint32_t pki_alg_variant(pki_alg_t a) { return (a >> 8) & 0xFFu; }
static inline uint32_t pki_alg_hash(pki_alg_t a) { return (a >> 16) & 0xFFu; }
static inline uint32_t pki_alg_vendor(pki_alg_t a) { return a >> 24; }
/* A value from its four octets. */
static inline pki_alg_t pki_alg_make(uint32_t base, uint32_t variant, uint32_t hash,
                                     uint32_t vendor) {
  return (base & 0xFFu) | (variant & 0xFFu) << 8 | (hash & 0xFFu) << 16 | (vendor & 0xFFu) << 24;
}
/* 1 for a signature algorithm (base and hash both set), else 0. */
static inline int pki_alg_is_signature(pki_alg_t a) {
  return pki_alg_base(a) != 0 && pki_alg_hash(a) != 0;
}
/* 1 for a GOST R 34.10 key algorithm of any vendor and variant (no hash). */
static inline int pki_alg_is_gost_key(pki_alg_t a) { return (a & 0x00FF00FFu) == 0x0Du; }
/* The vendor family of a GOST key: the value without its variant octet, to
 * compare with PKI_ALG_GOST3410_CPRO or PKI_ALG_GOST3410_SC. */
static inline pki_alg_t pki_alg_gost_family(pki_alg_t a) { return a & 0xFFFF00FFu; }

/* 1 when the AlgorithmIdentifier of a carries NULL parameters (05 00), as
 * the conversion table says: every RSA and every GOST R 34.10 value of the
 * table (keys and signature algorithms). 0 for the other values of the
 * table, for a value not in it and for PKI_ALG_NONE. */
int pki_alg_null_params(pki_alg_t a);

#ifdef __cplusplus
}
#endif

#endif /* PKIX_ALG_PKI_ALG_H_ */
