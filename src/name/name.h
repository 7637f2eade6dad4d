/* Distinguished names and general names written as text, encoded as DER.
 *
 * The text is a list of attribute-type/value pairs, for example
 *   CN=Alice, OU=Research+L=Oslo, O=Example, C=NO
 * When every keyword names a distinguished-name attribute (sub_rdn) the
 * result is a DER Name (SEQUENCE OF RDN); when a keyword names a general-name
 * choice (sub_rgn: email, DNS, IP, URI, ...) the result is a GeneralNames
 * SEQUENCE, and the distinguished-name attributes, if any, are folded into
 * one directory-name component of it.
 *
 * The text is split by a reentrant scanner (name.l) with the start
 * conditions INITIAL (an attribute may begin), ATTR_TYPE (keyword or dotted
 * OID, up to "="), VALUE, QUOTED ("...") and ESCAPE (after a backslash).
 * Several threads may encode at once: all state lives in one
 * x509_name_state_t per call and in the scanner object.
 */
#ifndef PKIX_NAME_NAME_H_
#define PKIX_NAME_NAME_H_

#include <stdint.h>

#include "contract/x509asn.h"
#include "framework/cmn_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes of x509_enc_name. Codes of the support library's encoding
 * and buffer operations pass through unchanged. */
#define NAME_E_START (-148)   /* unexpected character, or the text ends, where an attribute
                                 should begin (also "CN=a+" at the end of the text) */
#define NAME_E_TYPECHAR (-57) /* unexpected character in an attribute type, "=" without a
                                 type, or the text ends inside a type ("CN=a,O") */
#define NAME_E_KEYWORD (-30)  /* unknown keyword */
#define NAME_E_BADOID (-7)    /* malformed numeric OID or IP address, or a null argument */
#define NAME_E_NOSTRING (-58) /* quote or escape after a non-string type; a general-name
                                 tag that is not one octet */
#define NAME_E_HEXLEN (-60)   /* hex form without a DER length matching its content, or
                                 with tag 00 or a high tag-number form */
#define NAME_E_SPECIAL (-61)  /* unescaped special character ; < > = or a lone # */
#define NAME_E_OPEN (-62)     /* the text ends inside quotes or after a backslash */
#define NAME_E_ESCAPE (-63)   /* invalid escape */
#define NAME_E_GNPLUS (-149)  /* "+" joining a general-name component to anything */
#define NAME_E_SHIFT (-36)    /* a buffer could not be advanced */
#define NAME_E_RETREAT (-35)  /* a buffer could not be stepped back */
#define NAME_E_SCANNER (-56)  /* the scanner could not be created or ran out of memory */

/* ASN.1 string types the encoder chooses (universal tags). */
#define NAME_T_OCTETS 4u
#define NAME_T_UTF8 12u
#define NAME_T_PRINTABLE 19u
#define NAME_T_IA5 22u

/* Room reserved in front of the result buffers and the RDN buffer. */
#define NAME_RESULT_ROOM 10u
#define NAME_RDN_ROOM 32u
/* A dotted OID of at most 16 arcs encodes in at most 75 octets. */
#define NAME_OID_ARCS 16u
#define NAME_OID_AREA 75u

/* The encoding state of one x509_enc_name call, zeroed at its start. */
typedef struct x509_name_state {
  Buffer* current;          /* &dn or &gn: where finished components go (initially &gn) */
  Buffer dn;                /* finished RDNs */
  Buffer gn;                /* finished general-name components */
  Buffer type;              /* view: OID content octets, or the one-octet general-name tag */
  Buffer value;             /* value octets collected for the current attribute */
  Buffer rdn;               /* AttributeTypeAndValues of the RDN being built, or the one
                               general-name component */
  uint8_t str_type;         /* universal tag of the value; 0 = not chosen yet */
  uint8_t gn_flag;          /* 1: the current keyword came from sub_rgn */
  unsigned char* oid_area;  /* NAME_OID_AREA octets for a numeric attribute type */
  uint32_t oid_size;
} x509_name_state_t;

/* Encodes the name written in text as DER into out, which takes over a new
 * owned buffer (whatever out held before is overwritten, not freed). With
 * reverse non-zero each finished RDN or component is put in front of those
 * already done, so the text lists the name from its last RDN to its first.
 * Empty text (or only blanks and newlines) gives 30 00.
 * Returns 0, or a negative NAME_E_* code or a support-library code. On
 * failure out still receives whatever finished output there was (possibly
 * nothing), which the caller releases with release_buffer. text is not
 * changed. */
CMN_EXPORT int x509_enc_name(Buffer* text, Buffer* out, unsigned char reverse);

/* Looks keyword (len octets, compared case-insensitively) up in sub_rgn,
 * then in sub_rdn, and makes its OID (or general-name tag) the attribute
 * type of st, setting or clearing st->gn_flag. 0, or NAME_E_KEYWORD. */
CMN_EXPORT int set_objid(x509_name_state_t* st, int len, const char* keyword);

/* Closes the RDN or general-name component being built: strips trailing
 * blanks from the value (unless it is an OCTET STRING), encodes the last
 * attribute, and adds the RDN (a SET) or the component to the current
 * result, at the end or, with reverse, in front. 0 or a negative code
 * (NAME_E_GNPLUS when a general-name component would join an RDN that
 * already holds attributes). */
CMN_EXPORT int put_rdn(x509_name_state_t* st, unsigned char reverse);

/* x509_enc_name with a limit on the scanner's own allocations (negative: no
 * limit), so that tests can make the scanner run out of memory. Internal. */
int pkix_name_encode(Buffer* text, Buffer* out, unsigned char reverse, long alloc_budget);

#ifdef __cplusplus
}
#endif

#endif /* PKIX_NAME_NAME_H_ */
