/* Reading a BasicConstraints value. */
#ifndef PKIX_CERT_BASICCON_H_
#define PKIX_CERT_BASICCON_H_

#include <stdint.h>

#include "contract/x509asn.h"
#include "framework/cmn_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* BasicConstraints ::= SEQUENCE { cA BOOLEAN DEFAULT FALSE,
 *                                 pathLenConstraint INTEGER (0..MAX) OPTIONAL }
 * bc: the whole SEQUENCE element (the record's basic_constraints view; bc
 * itself is not advanced). *ca gets the BOOLEAN's octet (0 when absent),
 * *path_len (optional) the path length (0 when absent); both are zeroed
 * first. Without path_len the octets after cA of a definite SEQUENCE are
 * not examined; an indefinite one is still read to its end-of-contents.
 * X509_OK on success, also for the empty SEQUENCE (not a CA).
 * Failure: X509_E_NULL (-7: null or empty bc, null ca), X509_E_BOOLEAN
 * (-28), X509_E_PATHLEN (-14: more than four octets, or negative),
 * X509_E_NO_EOC (-22), X509_E_SHORT (-36: fewer than the two
 * end-of-contents octets left), the library's codes (X509ASN_E_TRAILING for
 * octets after the last field). */
CMN_EXPORT int parse_basic_constraints(Buffer* bc, uint8_t* ca, uint32_t* path_len);

#ifdef __cplusplus
}
#endif

#endif /* PKIX_CERT_BASICCON_H_ */
