/* Reading KeyUsage bits, and a byte search over a buffer's room. */
#ifndef PKIX_CERT_KEYUSAGE_H_
#define PKIX_CERT_KEYUSAGE_H_

#include <stdint.h>

#include "contract/x509asn.h"
#include "framework/cmn_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* KeyUsage bits as masks over the first two value octets (is_set). */
#define X509_KU_DIGITAL_SIGNATURE 0x8000u
#define X509_KU_NON_REPUDIATION 0x4000u
#define X509_KU_KEY_ENCIPHERMENT 0x2000u
#define X509_KU_DATA_ENCIPHERMENT 0x1000u
#define X509_KU_KEY_AGREEMENT 0x0800u
#define X509_KU_KEY_CERT_SIGN 0x0400u
#define X509_KU_CRL_SIGN 0x0200u
#define X509_KU_ENCIPHER_ONLY 0x0100u
#define X509_KU_DECIPHER_ONLY 0x0080u

/* bits: the KeyUsage BIT STRING content, unused-bits octet first, then one
 * or two value octets. V = first value octet x 256 + the second (0 when
 * absent); 1 when V AND mask is non-zero, else 0. X509_E_UNUSED_BITS (-17)
 * when bits is null or not two or three octets long. */
int is_set(Buffer* bits, uint16_t mask);

/* Writes one line per usage that is_set reports, "\t" and the usage's
 * name, to standard output, from digitalSignature to decipherOnly. Nothing
 * for bits of the wrong length. */
CMN_EXPORT void print_keyusage(Buffer* bits);

/* search_byte's answer when the octet is not there. */
#define X509_SEARCH_NOT_FOUND (-1)

/* Looks for the octet c at b's data pointer and then backwards through the
 * room in front of it, down to the start of b's block. Returns the distance
 * back (0: the data pointer's own octet); X509_SEARCH_NOT_FOUND (-1) when
 * not found. The octet at
 * the data pointer counts only when b has content; a view (no block) has
 * no room to search. */
int search_byte(Buffer* b, uint8_t c);

#ifdef __cplusplus
}
#endif

#endif /* PKIX_CERT_KEYUSAGE_H_ */
