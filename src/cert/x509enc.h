/* DER writing of what the parser of x509.h reads: a whole certificate from
 * its record, its extensions, one extension, an algorithm identifier, a
 * SubjectPublicKeyInfo and a PrivateKeyInfo.
 *
 * DER is written backwards: content first, then its header prepended into
 * the room in front of the Buffer's data. The support library grows a
 * buffer whose room runs out (moving it into a new owned block), so an
 * output Buffer must be owned or empty, and no view into it survives a
 * call. Results are 0 or a negative code (x509.h, or the library's passed
 * through); on failure the output holds a partial encoding to discard. */
#ifndef PKIX_CERT_X509ENC_H_
#define PKIX_CERT_X509ENC_H_

#include <stdint.h>

#include "cert/x509.h"
#include "contract/x509asn.h"
#include "framework/cmn_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Algorithm codes of x509_enc_alg: the key codes X509_KEY_* (1 to 5), and
 * signature codes with the base algorithm (PKI_ALG_BASE_*: 1 RSA, 2 DSA,
 * 0x10 EC) in the low octet and the hash (PKI_ALG_HASH_*: 1 SHA, 2 SHA-1,
 * 3 MD2, 4 MD5, 7 SHA-224, 8 SHA-256, 9 SHA-384, 0x0A SHA-512) in the high
 * one. */
#define X509_ENC_DSA_SHA 0x0102u      /* dsaWithSHA (also 0x0104) */
#define X509_ENC_SHA1_RSA 0x0201u     /* sha1WithRSAEncryption */
#define X509_ENC_DSA_SHA1 0x0202u     /* dsaWithsha1 (also 0x0204) */
#define X509_ENC_MD2_RSA 0x0301u      /* md2WithRSAEncryption */
#define X509_ENC_MD5_RSA 0x0401u      /* md5WithRSAEncryption */
#define X509_ENC_SHA224_RSA 0x0701u   /* sha224WithRSAEncryption */
#define X509_ENC_SHA256_RSA 0x0801u   /* sha256WithRSAEncryption */
#define X509_ENC_SHA384_RSA 0x0901u   /* sha384WithRSAEncryption */
#define X509_ENC_SHA512_RSA 0x0A01u   /* sha512WithRSAEncryption */
#define X509_ENC_DSA_SHA224 0x0702u   /* dsa-with-sha224 */
#define X509_ENC_DSA_SHA256 0x0802u   /* dsa-with-sha256 */
#define X509_ENC_ECDSA_SHA1 0x0210u   /* ecdsa-with-SHA1 */
#define X509_ENC_ECDSA_SHA224 0x0710u /* ecdsa-with-SHA224 */
#define X509_ENC_ECDSA_SHA256 0x0810u /* ecdsa-with-SHA256 */
#define X509_ENC_ECDSA_SHA384 0x0910u /* ecdsa-with-SHA384 */
#define X509_ENC_ECDSA_SHA512 0x0A10u /* ecdsa-with-SHA512 */

/* Writes the Certificate of rec into out. out's content must be at least
 * ten octets long: they are stepped over and serve as room in front for the
 * two SEQUENCE headers (X509_E_SHORT when it is shorter), and the content
 * is replaced by the Certificate. tbs (optional) becomes a view of the
 * TBSCertificate inside out. The version element is written for version 1
 * and 2, not for 0; an unset version (0xFFFF) is written as 2 (v3), any
 * other X509_E_VERSION. Extensions as x509_enc_extensions with a null
 * mask. A time saturated by the parser is written as the limit it holds
 * (2038-01-19T03:14:07Z, 1901-12-13T20:45:52Z). */
CMN_EXPORT int x509_enc_cert(x509_cert_t* rec, Buffer* out, Buffer* tbs);

/* Prepends the Extension elements of rec (without the extensions SEQUENCE
 * and [3]) in front of b's content and leaves b covering them and what it
 * held. With a null mask the extensions whose views are set are written in
 * this order: the unrecognised critical ones, the unrecognised non-critical
 * ones (both as stored), CRLDistributionPoints, AuthorityKeyIdentifier,
 * SubjectKeyIdentifier, SubjectAltName, IssuerAltName, KeyUsage,
 * BasicConstraints, NameConstraints; each critical as its flag in
 * rec->critical says. A non-null mask writes only BasicConstraints,
 * KeyUsage, IssuerAltName, SubjectAltName and SubjectKeyIdentifier, each
 * when its X509_CRIT_* bit is set in *mask. */
CMN_EXPORT int x509_enc_extensions(x509_cert_t* rec, uint32_t* mask, Buffer* b);

/* b holds an extension value (extnValue content) as its whole content;
 * wraps it into the Extension element with the identifier whose OID content
 * octets oid holds and, when critical is non-zero, the BOOLEAN TRUE.
 * X509_OK; X509_E_NULL for a null argument or an empty oid,
 * X509ASN_E_VALUE for malformed identifier octets (b unchanged then). */
CMN_EXPORT int x509_enc_extension(Buffer* oid, uint8_t critical, Buffer* b);

/* Prepends the AlgorithmIdentifier of the code alg to out; the identifier
 * is the conversion table's (alg/pki_static.h) for the code's pki_alg_t,
 * the signature codes of base 4 naming the DSA ones. Parameters of
 * the key codes and of the SHA-1, SHA and MD signature codes: with params,
 * a SEQUENCE of its INTEGERs (first, second, and the third when present
 * for the codes 2, 3 and 4); without, NULL for the code 1 and nothing
 * otherwise. The SHA-2 signature codes ignore params: NULL for RSA, no
 * parameters for DSA; the ECDSA codes never have parameters either (NULL
 * exactly where the table's parameters column says so). X509_OK;
 * X509_E_ENC_ALG for a code not in the table. */
CMN_EXPORT int x509_enc_alg(uint16_t alg, x509_key_params_t* params, Buffer* out);

/* Prepends a SubjectPublicKeyInfo to out: for the codes 2, 3 and 4 the
 * public INTEGER with content value and the AlgorithmIdentifier of
 * (alg, params); for the code 1 the RSAPublicKey from params' first two
 * views (or, without params, value as the whole RSAPublicKey element)
 * with rsaEncryption and NULL. X509_E_NULL for an empty value,
 * X509_E_PUBKEY_ALG for another code. */
CMN_EXPORT int x509_enc_key(uint16_t alg, x509_key_params_t* params, Buffer* value, Buffer* out);

/* Writes into the empty out the PrivateKeyInfo that asn1_der_decode_secret
 * reads: version 0, the AlgorithmIdentifier of (alg, params), the private
 * INTEGER with content value in an OCTET STRING. X509_E_NULL when out is
 * not empty or value is empty. */
CMN_EXPORT int asn1_der_encode_secret(uint16_t alg, x509_key_params_t* params, Buffer* value,
                                      Buffer* out);

#ifdef __cplusplus
}
#endif

#endif /* PKIX_CERT_X509ENC_H_ */
