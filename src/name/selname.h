/* Certificate fields read out of selectors for certificate searches. Each
 * looks at the source part only and matches on the type index alone. */
#ifndef PKIX_NAME_SELNAME_H_
#define PKIX_NAME_SELNAME_H_

#include "contract/x509asn.h"
#include "framework/cmn_export.h"
#include "name/sel.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. */
#define SEL_ERR_NOMEM (-6)   /* memory exhausted */
#define SEL_ERR_ARG (-7)     /* a null argument */
#define SEL_ERR_ABSENT (-11) /* the selector holds no such element */

/* The first octet of the first CERT_TYPE element (tag 22) of the source
 * part in *type. 0; SEL_ERR_ARG for a null argument; SEL_ERR_ABSENT when
 * there is none (*type unchanged). */
CMN_EXPORT int sel_get_type(const _selector* sel, unsigned int* type);

/* An allocated copy of the value of the first CERT_SN element (tag 24) of
 * the source part in *serial, which the caller frees with release_buffer.
 * 0; SEL_ERR_ARG for a null argument; SEL_ERR_ABSENT when there is none;
 * SEL_ERR_NOMEM when memory is short (*serial is then left empty). */
CMN_EXPORT int sel_get_sn(const _selector* sel, Buffer* serial);

/* The name a selector describes, as DER in *out (a new owned buffer the
 * caller releases; empty when the selector holds no name). With issuer set
 * the issuer's elements are read (CERT_ISSUER, CERT_ISSUER_STR, X509I),
 * else the subject's (CERT_SUBJECT, CERT_SUBJECT_STR, X509S).
 * A distinguished name (generalNames 0) comes, in order of preference, from
 * a whole-name element (its DER), a text element (encoded as x509_enc_name
 * does), or the name components (text made of the sub_rdn keywords and the
 * component values, which selectors hold escaped). General names
 * (generalNames non-zero) come from the mail, DNS and IP components only.
 * *complete is 1 for a whole or text name of subtype COMPLETE, else 0.
 * 0; SEL_ERR_ARG for a null argument; SEL_ERR_NOMEM; or the encoder's
 * code (*out then empty). */
CMN_EXPORT int sel_compile_name(const _selector* sel, int issuer, int generalNames, Buffer* out,
                                int* complete);

#ifdef __cplusplus
}
#endif

#endif /* PKIX_NAME_SELNAME_H_ */
