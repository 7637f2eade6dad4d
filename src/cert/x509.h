/* DER certificate parsing into a flat record of views, and the parsers of
 * SubjectPublicKeyInfo and private-key structures the key objects use.
 *
 * Input arrives as a Buffer positioned at an element; a parser leaves it
 * positioned after the element on success. Every view stored in a record or
 * an output is a non-owning Buffer into the caller's input, which must
 * outlive them; the only owned storage is noted in x509_cert_t.
 *
 * Indefinite lengths (BER) are accepted on every constructed element: its
 * content must then be closed by the two octets 00 00 (else
 * X509_E_NO_EOC, or X509ASN_E_SHORT when fewer than two octets are left).
 * A definite-length element must be filled exactly by the fields read from
 * it: octets left over give X509ASN_E_TRAILING. Results are 0 (or a
 * non-negative length where stated) on success and a negative code on
 * failure: the codes below, or the support library's codes passed through.
 * No parser recurses: nesting is bounded by the support library's walkers
 * and its indefinite-length limit. */
#ifndef PKIX_CERT_X509_H_
#define PKIX_CERT_X509_H_

#include <stddef.h>
#include <stdint.h>

#include "contract/x509asn.h"
#include "framework/cmn_export.h"

#ifdef __cplusplus
extern "C" {
#endif

struct _selector;

/* Results of the certificate parser and encoder: X509_OK, or a negative
 * code (the support library's codes with the same value mean the same
 * thing). Three conditions share -22, the number callers have always seen
 * for them; each has its own name. */
#define X509_OK 0                  /* success */
#define X509_E_KEY_ALG (-3)        /* private-key algorithm not recognised */
#define X509_E_NOMEM (-6)          /* memory could not be allocated */
#define X509_E_NULL (-7)           /* null or empty input; non-empty output where an empty
                                      one is required */
#define X509_E_AKI_EOC (-13)       /* x509_parse_KI: end-of-contents octet inside the SEQUENCE */
#define X509_E_PATHLEN (-14)       /* path length longer than four octets, or negative */
#define X509_E_AKI_TAG (-15)       /* x509_parse_KI: element of another tag */
#define X509_E_UNUSED_BITS (-17)   /* a signature or public-key BIT STRING with unused bits
                                      (both hold whole octets); key-usage bits of the wrong
                                      length */
#define X509_E_RSA_PARAMS (-21)    /* RSA public key whose parameters are not NULL */
#define X509_E_NO_EOC (-22)        /* end-of-contents octets missing after an indefinite
                                      length */
#define X509_E_DSA_PARAMS (-22)    /* DSA private-key parameters without the third INTEGER */
#define X509_E_DUPLICATE (-22)     /* x509_parse_KI: an element met twice */
#define X509_E_VERSION (-23)       /* certificate version above 2 or not one octet; private-key
                                      version not the single octet 00 */
#define X509_E_SIG_MISMATCH (-25)  /* outer signatureAlgorithm differs from the TBSCertificate's */
#define X509_E_PUBKEY_ALG (-27)    /* public-key algorithm not recognised, or not writable */
#define X509_E_BOOLEAN (-28)       /* BOOLEAN not of exactly one content octet */
#define X509_E_ENC_ALG (-31)       /* x509_enc_alg: algorithm code not in its table */
#define X509_E_NO_ROOM (-35)       /* no room to step back (a buffer that cannot grow) */
#define X509_E_SHORT (-36)         /* too short to step over an element or end-of-contents,
                                      or over the reserved room of x509_enc_cert */

/* Key-type codes written by the key parsers; each equals the base octet of
 * the pki_alg_t of the same algorithm. */
#define X509_KEY_RSA 1     /* rsaEncryption */
#define X509_KEY_DSA 2     /* new_dsa, 1.2.840.10040.4.1 */
#define X509_KEY_DH 3      /* dhKeyAgreement, PKCS #3 */
#define X509_KEY_DSA_OIW 4 /* dsa, 1.3.14.3.2.12 */
#define X509_KEY_DH_X942 5 /* dhpublicnumber (public keys only) */

/* Values of x509_cert_t.version: v1 to v3, and a record nothing was parsed
 * into (x509_enc_cert writes it as v3). */
#define X509_VERSION_1 0
#define X509_VERSION_3 2
#define X509_VERSION_UNSET 0xFFFFu
/* Each parse marker and reserved octet of a fresh record. */
#define X509_MARKER_UNSET 0xFF

/* Critical flags: which recognised extensions were marked critical. */
#define X509_CRIT_SUBJECT_KEY_ID 0x0001u
#define X509_CRIT_KEY_USAGE 0x0002u
#define X509_CRIT_SUBJECT_ALT_NAME 0x0004u
#define X509_CRIT_ISSUER_ALT_NAME 0x0008u
#define X509_CRIT_BASIC_CONSTRAINTS 0x0010u
#define X509_CRIT_NAME_CONSTRAINTS 0x1000u
#define X509_CRIT_CRL_DP 0x2000u
#define X509_CRIT_AUTHORITY_KEY_ID 0x4000u

/* The parsed certificate: views into the certificate's octets. Made by
 * x509_init_cert, released with x509_release_cert. */
typedef struct x509_cert_t {
  /* 0xFF each until parsed; x509_parse_cert sets the first two to 1, so
   * they read 0xFFFF as one 16-bit value until a certificate was parsed. */
  uint8_t markers[4];
  /* SubjectPublicKeyInfo, the whole element */
  Buffer spki;
  /* a selector made for this certificate, owned (sel_destroy); or null */
  struct _selector* selector;
  /* validity, seconds since 1970 UTC, saturated to 32 bits: a time after
   * 2038-01-19T03:14:07Z reads INT32_MAX, one before 1901-12-13T20:45:52Z
   * INT32_MIN; -1 until set */
  int32_t not_before;
  int32_t not_after;
  /* the whole Certificate element */
  Buffer raw;
  /* content octets of the TBSCertificate's signature algorithm OID */
  Buffer sig_alg_oid;
  /* that algorithm's parameters element (whole), or the outer one's when
   * the inner has none; empty when neither has parameters */
  Buffer sig_alg_params;
  /* the whole TBSCertificate element: the signed octets */
  Buffer tbs;
  /* the signature BIT STRING's octets after its unused-bits octet */
  Buffer signature;
  /* 0, 1 or 2 for v1, v2, v3; 0xFFFF until set */
  uint16_t version;
  uint8_t reserved[2]; /* 0xFF */
  /* content octets of serialNumber */
  Buffer serial;
  /* NameConstraints: content of permittedSubtrees [0], excludedSubtrees [1] */
  Buffer nc_permitted;
  Buffer nc_excluded;
  /* BasicConstraints extnValue content: the SEQUENCE, header included */
  Buffer basic_constraints;
  /* KeyUsage BIT STRING content, unused-bits octet first */
  Buffer key_usage;
  /* the issuer and subject Name elements, header included */
  Buffer issuer;
  Buffer subject;
  /* IssuerAltName, SubjectAltName: the GeneralNames element, header included */
  Buffer issuer_alt_name;
  Buffer subject_alt_name;
  /* SubjectKeyIdentifier OCTET STRING content */
  Buffer subject_key_id;
  /* AuthorityKeyIdentifier SEQUENCE content (without its header) */
  Buffer authority_key_id;
  /* CRLDistributionPoints extnValue content: the SEQUENCE, header included */
  Buffer crl_dp;
  /* content of the extensions SEQUENCE: every Extension element */
  Buffer extensions;
  /* owned: the unrecognised non-critical Extension elements, whole, in
   * certificate order */
  Buffer other_extns;
  /* owned: the same for unrecognised critical extensions */
  Buffer other_critical_extns;
  /* X509_CRIT_* bits */
  uint32_t critical;
} x509_cert_t;

/* Domain parameters or an RSA public key's two numbers: up to three views of
 * INTEGER content octets, in the order met. Allocated zero-filled by the
 * parameter parsers (malloc), freed by the caller (free). */
typedef struct x509_key_params_t {
  Buffer first;  /* p (DSA, DH) or the RSA modulus */
  Buffer second; /* q (DSA), g (DH) or the RSA public exponent */
  Buffer third;  /* g (DSA), the optional third DH INTEGER; else empty */
} x509_key_params_t;

/* ---- The certificate record ---- */

/* Allocates a zero-filled record with markers, reserved octets, not_before,
 * not_after and version all-ones, into *out. 0; X509_E_NULL for a null out;
 * X509_E_NOMEM (*out untouched). */
CMN_EXPORT int x509_init_cert(x509_cert_t** out);

/* Frees the two owned extension buffers, destroys the selector, frees the
 * record; views are not touched. A null rec is ignored. */
CMN_EXPORT void x509_release_cert(x509_cert_t* rec);

/* Certificate ::= SEQUENCE { tbsCertificate, signatureAlgorithm,
 *                            signatureValue }
 * Parses one Certificate at in into rec (fresh from x509_init_cert) and
 * advances in past it, so certificates laid end to end are read one by one.
 * On failure in is unchanged and rec partly filled: release it, do not use
 * it. Codes: X509_E_NULL, X509_E_VERSION, X509_E_SIG_MISMATCH,
 * X509_E_BOOLEAN, X509_E_UNUSED_BITS (signature or key BIT STRING with
 * unused bits), X509_E_NO_EOC, X509_E_NOMEM, the library's (X509ASN_E_VALUE
 * for a malformed object identifier among them). */
CMN_EXPORT int x509_parse_cert(Buffer* in, x509_cert_t* rec);

/* The content of a Certificate: TBSCertificate, signatureAlgorithm (its OID
 * must equal the TBSCertificate's: X509_E_SIG_MISMATCH), signatureValue.
 * Sets tbs and signature (and sig_alg_params when the inner ones are
 * absent); in is advanced past the three. Codes as x509_parse_cert. */
CMN_EXPORT int x509_parse_tbssequence(Buffer* in, x509_cert_t* rec);

/* The fields of a TBSCertificate, in at its first content octet: version,
 * serial, signature, issuer, validity, subject, key, unique identifiers
 * (skipped), extensions. in is advanced past the last field read. Codes as
 * x509_parse_cert. */
CMN_EXPORT int x509_parse_tbscert(Buffer* in, x509_cert_t* rec);

/* Extension ::= SEQUENCE { extnID OBJECT IDENTIFIER,
 *                          critical BOOLEAN DEFAULT FALSE,
 *                          extnValue OCTET STRING }
 * oid gets the OID content, *critical the BOOLEAN's octet as it stands (0
 * when absent), value the OCTET STRING content; each output optional.
 * Returns the value's length and advances in; X509_E_NULL (null in),
 * X509_E_BOOLEAN, X509ASN_E_VALUE (identifier octets malformed: empty, a
 * subidentifier starting with 0x80, the last one unterminated), the
 * library's codes (in and the outputs unchanged). */
CMN_EXPORT int x509_parse_extension(Buffer* in, Buffer* oid, int* critical, Buffer* value);

/* SubjectPublicKeyInfo ::= SEQUENCE { algorithm AlgorithmIdentifier,
 *                                     subjectPublicKey BIT STRING }
 * alg gets the OID content, params the parameters element (empty when
 * none), bits the BIT STRING's octets after the unused-bits octet, which
 * must be 0 (every key the module knows is a whole number of octets); each
 * optional. X509_OK and in advanced; X509_E_NULL for a null in,
 * X509_E_UNUSED_BITS, the library's codes (in unchanged). */
CMN_EXPORT int x509_parse_spki(Buffer* in, Buffer* alg, Buffer* params, Buffer* bits);

/* A SubjectPublicKeyInfo with the key type recognised: *type gets the
 * X509_KEY_* code as soon as it is known; *params (optional) a new record
 * (domain parameters for DSA and DH, modulus and exponent for RSA); value
 * (optional) the whole RSAPublicKey element for RSA, else the public
 * INTEGER's content. 0 and in advanced. Failure (in unchanged, *params
 * null): X509_E_NULL, X509_E_RSA_PARAMS, X509_E_PUBKEY_ALG,
 * X509_E_UNUSED_BITS, X509_E_NOMEM, the library's codes. */
CMN_EXPORT int x509_parse_key(Buffer* in, uint16_t* type, x509_key_params_t** params,
                              Buffer* value);

/* PrivateKeyInfo ::= SEQUENCE { version INTEGER (0),
 *     privateKeyAlgorithm AlgorithmIdentifier, privateKey OCTET STRING,
 *     attributes [0] OPTIONAL }
 * The private key held in the OCTET STRING is an INTEGER, whose content
 * becomes value, or (RSA) an RSAPrivateKey SEQUENCE, which becomes value
 * whole. *type gets the X509_KEY_* code (RSA, DSA, DH, DSA_OIW); *params
 * (optional) a new record when the algorithm has a parameters SEQUENCE
 * (RSA: modulus and exponent; DSA: p, q, g, all three required; DH: p, g
 * and the optional third), else null. The outer SEQUENCE must have a
 * definite length: an indefinite one returns X509ASN_INDEFINITE (-1).
 * 0 and in advanced. Failure (in unchanged, *params null): X509_E_NULL,
 * X509_E_VERSION, X509_E_KEY_ALG, X509_E_DSA_PARAMS, X509_E_NO_EOC,
 * X509_E_NOMEM, the library's codes. */
CMN_EXPORT int asn1_der_decode_secret(Buffer* in, uint16_t* type, x509_key_params_t** params,
                                      Buffer* value);

/* The same PrivateKeyInfo without type recognition (definite or indefinite
 * lengths): alg the OID content, params the parameters element, value the
 * private key as asn1_der_decode_secret gives it; each optional. 0 and in
 * advanced; X509_E_NULL for a null in, X509_E_VERSION, the library's. */
CMN_EXPORT int x509_parse_secret(Buffer* in, Buffer* alg, Buffer* params, Buffer* value);

/* SEQUENCE { INTEGER, INTEGER, ... }: the first two INTEGERs into a new
 * record in *out (out optional: then only checked). Octets after the second
 * INTEGER of a definite-length SEQUENCE are not examined. 0 and in advanced
 * past the SEQUENCE; X509_E_NOMEM, the library's codes (in unchanged, *out
 * untouched). */
CMN_EXPORT int x509_parse_params_pair(Buffer* in, x509_key_params_t** out);

/* As x509_parse_params_pair, then a third INTEGER when the next element is
 * one (DHParameter, Dss-Parms). */
CMN_EXPORT int x509_parse_params_dhKA(Buffer* in, x509_key_params_t** out);

/* Check a GeneralNames (x509_parse_gn) or a Name (x509_parse_dn) element
 * at in by walking every attribute; nothing is stored. 0 and in advanced
 * past the element; the walkers' codes (in unchanged). */
CMN_EXPORT int x509_parse_gn(Buffer* in);
CMN_EXPORT int x509_parse_dn(Buffer* in);

/* AuthorityKeyIdentifier ::= SEQUENCE {
 *     keyIdentifier [0] IMPLICIT OCTET STRING OPTIONAL,
 *     authorityCertIssuer [1] IMPLICIT GeneralNames OPTIONAL,
 *     authorityCertSerialNumber [2] IMPLICIT INTEGER OPTIONAL }
 * Reads the element at in (in is not advanced): key_id, serial and issuer
 * (each optional; emptied first) get the content octets of [0], [2] and
 * [1]. With check_name non-zero the issuer's general names are checked by
 * rendering them. 0; X509_E_NULL (null in), X509_E_AKI_EOC (an octet 00
 * where an element should be), X509_E_AKI_TAG (another element),
 * X509_E_DUPLICATE (an element met twice), X509_E_NO_EOC, the library's
 * codes. */
CMN_EXPORT int x509_parse_KI(Buffer* in, Buffer* key_id, Buffer* serial, Buffer* issuer,
                             int check_name);

#ifdef __cplusplus
}

static_assert(sizeof(void*) != 4 || sizeof(x509_cert_t) == 276, "record size on i386");
static_assert(sizeof(void*) != 4 || offsetof(x509_cert_t, spki) == 4, "spki at 4");
static_assert(sizeof(void*) != 4 || offsetof(x509_cert_t, selector) == 16, "selector at 16");
static_assert(sizeof(void*) != 4 || offsetof(x509_cert_t, not_before) == 20, "not_before at 20");
static_assert(sizeof(void*) != 4 || offsetof(x509_cert_t, raw) == 28, "raw at 28");
static_assert(sizeof(void*) != 4 || offsetof(x509_cert_t, version) == 88, "version at 88");
static_assert(sizeof(void*) != 4 || offsetof(x509_cert_t, serial) == 92, "serial at 92");
static_assert(sizeof(void*) != 4 || offsetof(x509_cert_t, issuer) == 152, "issuer at 152");
static_assert(sizeof(void*) != 4 || offsetof(x509_cert_t, extensions) == 236, "extensions at 236");
static_assert(sizeof(void*) != 4 || offsetof(x509_cert_t, other_critical_extns) == 260,
              "other_critical_extns at 260");
static_assert(sizeof(void*) != 4 || offsetof(x509_cert_t, critical) == 272, "critical at 272");
static_assert(sizeof(x509_key_params_t) == 3 * sizeof(Buffer), "three views");
#endif

#endif /* PKIX_CERT_X509_H_ */
