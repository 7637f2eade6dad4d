/* Binary selectors: compact descriptions of sets of traffic or of
 * certificates, their builders and their matchers.
 *
 * A selector is one contiguous, position-independent block: three 32-bit
 * words in the host's byte order, then the data.
 *   slen   data octets of the source part
 *   len    all data octets (source part, then destination part)
 *   flags  SEL_F_TAGREPS, SEL_F_CMPLX
 * The data of each part is a list of elements; an OR element (octet 02)
 * splits a part into alternatives. An element is a tag of one octet (type
 * index << 1 | range flag) or two (then subtype index << 1 | ANY flag), the
 * length octets of variable-length types, and the value octets: numbers and
 * addresses in network order, both bounds of a range, low first.
 *
 * Every operation except sel_swap leaves its inputs unchanged and returns a
 * new selector that the caller frees with sel_destroy. A null selector is
 * read as the empty one. Matchers and builders trust their input: validate
 * selectors from outside with sel_check first.
 */
#ifndef PKIX_NAME_SEL_H_
#define PKIX_NAME_SEL_H_

#include <stddef.h>
#include <stdint.h>

#include "framework/cmn_export.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _selector {
  uint32_t slen;
  uint32_t len;
  uint32_t flags;
  /* len data octets follow */
} _selector;

/* Flags word. */
#define SEL_F_TAGREPS 1u /* an element repeats the tag of the one before it */
#define SEL_F_CMPLX 2u   /* the data holds OR separators */

/* Type indexes (the first tag octet is index << 1 | range flag). */
enum {
  SEL_NULL = 0,
  SEL_OR = 1,
  SEL_IP_ADDR = 2,
  SEL_PROTOCOL = 3,
  SEL_PORT = 4,
  SEL_ICMP_TYPE = 5,
  SEL_ICMP_CODE = 6,
  SEL_SKIP = 7,
  SEL_IPSEC_SPI = 8,
  SEL_IPCOMP_SPI = 9,
  SEL_CERT_HASH = 10,
  SEL_CERT_TYPE = 11,
  SEL_CERT_SN = 12,
  SEL_CERT_SUBJECT = 13,
  SEL_CERT_ISSUER = 14,
  SEL_CERT_KEYTYPE = 15,
  SEL_X509S = 16,
  SEL_X509I = 17,
  SEL_NAME = 18,
  SEL_CERT_SUBJECT_STR = 19,
  SEL_CERT_ISSUER_STR = 20,
  SEL_NTYPES = 21
};

/* Subtype indexes. */
enum { SEL_IP4 = 0, SEL_IP6 = 1 };                          /* IP_ADDR */
enum { SEL_SKIP_ID = 0, SEL_SKIP_MD5DH = 1 };               /* SKIP */
enum { SEL_HASH_MD5 = 0, SEL_HASH_SHA1 = 1 };               /* CERT_HASH */
enum { SEL_NAME_COMPLETE = 0, SEL_NAME_TEMPLATE = 1 };      /* CERT_SUBJECT... */
enum {                                                      /* X509S, X509I */
  SEL_X509_COUNTRY = 0, SEL_X509_STATE, SEL_X509_LOCALITY, SEL_X509_ORG,
  SEL_X509_UNIT, SEL_X509_CN, SEL_X509_TITLE, SEL_X509_SURNAME,
  SEL_X509_GIVENNAME, SEL_X509_INITIALS, SEL_X509_MAIL, SEL_X509_DNS, SEL_X509_IP
};
enum {                                                      /* NAME */
  SEL_NAME_IP4_ADDR = 0, SEL_NAME_IP6_ADDR, SEL_NAME_FQDN_HOST, SEL_NAME_FQDN_USER,
  SEL_NAME_ASN1_DN, SEL_NAME_ASN1_GN, SEL_NAME_KEY_ID
};

/* 16-bit tags: the first octet is the low byte. */
#define SEL_TAG(type, sub) ((unsigned)(type) * 2u + (unsigned)(sub) * 512u)
#define SEL_TAG_RANGE 1u  /* the element holds low and high value */
#define SEL_TAG_ANY 256u  /* the element matches every value of its subtype */

/* sel_getnext mode bits. */
#define SEL_M_SRC 1u      /* start in the source part */
#define SEL_M_DST 2u      /* start in (or walk through) the destination part */
#define SEL_M_INSPOS 4u   /* find the insertion position for a tag */
#define SEL_M_STOPOR 8u   /* end the walk at an OR separator */
#define SEL_M_SUBTYPE 16u /* the tag search compares subtypes too */
#define SEL_M_RANGE 32u   /* the tag search compares the range flag too */

/* Match results. */
#define SEL_NOMATCH 0
#define SEL_UNDETERMINED 1 /* the candidate lacks what the pattern tests */
#define SEL_MATCH 2
#define SEL_NOMEM 3 /* sel_match_heavy only */

/* Packet record (psel_match). Ports and addresses are host-order numbers. */
typedef struct sel_packet {
  uint8_t flags; /* SEL_PKT_SPORT, SEL_PKT_DPORT */
  uint8_t protocol;
  uint8_t pad[2];
  uint16_t sport;
  uint16_t dport;
  uint32_t saddr;
  uint32_t daddr;
} sel_packet;
#define SEL_PKT_SPORT 1u
#define SEL_PKT_DPORT 2u

/* Security-association record (sasel_match): address ranges, both bounds
 * inclusive, host-order numbers. */
typedef struct sel_sa {
  uint8_t flags; /* SEL_SA_PROTO, SEL_SA_SPORT, SEL_SA_DPORT */
  uint8_t protocol;
  uint8_t pad[2];
  uint16_t sport;
  uint16_t dport;
  uint32_t saddr_lo;
  uint32_t saddr_hi;
  uint32_t daddr_lo;
  uint32_t daddr_hi;
} sel_sa;
#define SEL_SA_PROTO 1u
#define SEL_SA_SPORT 2u
#define SEL_SA_DPORT 4u

/* ---- Creation and copies ---- */

/* A new empty selector (12 octets, all 0); null when memory is short. */
CMN_EXPORT _selector* sel_create_empty(void);
/* A copy of sel (null sel: an empty one); null when memory is short. */
CMN_EXPORT _selector* sel_duplicate(const _selector* sel);
/* Frees a selector; null is ignored. */
CMN_EXPORT void sel_destroy(_selector* sel);
/* 1 when len is 0 or every data octet is 02 or 03 (null: 1), else 0. */
CMN_EXPORT int sel_is_empty(const _selector* sel);
/* 1 when both have the same len and equal header and data octets, else 0
 * (two nulls are equal; null and non-null are not). */
CMN_EXPORT int sel_trivial_cmp(const _selector* a, const _selector* b);
/* 1 when sel is well formed, else 0 (null: 0). Well formed: every element
 * has a known type (first octet at most 41) and subtype, its length octets
 * and its value lie inside len, the last element ends exactly at len, slen
 * is at most len and falls on an element boundary, and no variable-length
 * element carries the range flag. The caller vouches for the block holding
 * 12 + len octets. */
CMN_EXPORT int sel_check(const _selector* sel);

/* ---- Iteration ---- */

/* Walks the elements of sel. *cursor is a data position, or null to start:
 * at the source part with SEL_M_SRC, else at the destination part with
 * SEL_M_DST. The walk ends at the end of the data, or at slen for a walk of
 * the source part alone, or on an OR element with SEL_M_STOPOR (the cursor
 * is then left on it).
 * - *tag 0, no SEL_M_INSPOS: delivers the element at the cursor.
 * - *tag given: moves to the next element whose tag equals *tag in its type
 *   (and subtype with SEL_M_SUBTYPE, range flag with SEL_M_RANGE).
 * A delivered element sets *tag, *length (value octets, both values of a
 * range) and *data (its first value octet), and moves *cursor past it.
 * - SEL_M_INSPOS: moves *cursor past every element whose type index is not
 *   greater than that of *tag, and sets *tag to the tag of the last element
 *   passed over (0 if none); *length is 0 and *data the position. Refused
 *   for a SEL_F_CMPLX selector:
 *   "sel_getnext: complex selector as input" is written as a warning and
 *   nothing is delivered.
 * length and data may be null. Returns 1 when something was delivered, 0 at
 * the end, on a refusal, or for a cursor outside the data. */
CMN_EXPORT int sel_getnext(const _selector* sel, const unsigned char** cursor, unsigned mode,
                           unsigned* tag, unsigned* length, const unsigned char** data);

/* ---- Builders ---- */

/* A copy of sel (null: an empty selector) with the elements of the argument
 * groups inserted in type order: first the source group, then the
 * destination group, each ended by a 0 tag. Per element: the 16-bit tag,
 * then for a variable-length type one length and one pointer to the value;
 * for a fixed length of 1, 2 or 4 one integer per value (its first octets
 * in memory, so numbers are passed in network order); for a longer fixed
 * length one pointer per value (two for a range). An element goes after
 * every element of lower or equal type in its part; SEL_F_TAGREPS is set
 * when the element before it has the same tag.
 * Returns null when memory is short, for a SEL_F_CMPLX sel ("sel_insert:
 * complex selector as input", a warning), for an OR tag, an unknown tag, a
 * variable-length range, a length the type cannot hold or a null value
 * pointer. */
CMN_EXPORT _selector* sel_insert(const _selector* sel, ...);
/* As sel_insert, but the elements are appended at the end of each part in
 * the given order, and OR tags (02, no value) are allowed and set
 * SEL_F_CMPLX; the old flags are kept. Null on the same failures. */
CMN_EXPORT _selector* sel_append(const _selector* sel, ...);
/* A copy of sel without one element: the one whose octets hold the position
 * element (its first octet, or its value position as sel_getnext delivers
 * it when the value is not empty); null element: the first element. slen
 * shrinks for an element of the source part; SEL_F_CMPLX is cleared when no
 * OR is left. Null when there is no such element or memory is short. */
CMN_EXPORT _selector* sel_dtag(const _selector* sel, const unsigned char* element);

/* ---- Parts ---- */

/* Splits off the first alternative of the parts chosen by which (bit 0 the
 * source, bit 1 the destination part). For each chosen part that holds an
 * OR, *first gets the octets before its first OR and *rest those after it;
 * the OR goes to neither. Other parts stay whole in *rest and are empty in
 * *first. *first has the flags without SEL_F_CMPLX; *rest keeps them, without
 * SEL_F_CMPLX when no OR is left. Returns 1 on success, with both outputs
 * null when nothing was split; 0 when memory is short or an output pointer
 * is null (outputs then null). */
CMN_EXPORT int sel_split(const _selector* sel, int which, _selector** first, _selector** rest);
/* A selector whose source part is a's source, an OR when both are not
 * empty, then b's source, and likewise for the destination; flags of both,
 * with SEL_F_CMPLX when an OR was added. Null when memory is short. */
CMN_EXPORT _selector* sel_merge(const _selector* a, const _selector* b);
/* Exchanges the two parts in place, without extra memory; returns the new
 * slen (the former destination length); null: 0. */
CMN_EXPORT unsigned sel_swap(_selector* sel);
/* which 1: the source part alone, as a source part, flags 0; which 2: the
 * destination part, as a source part, with the old flags. SEL_F_CMPLX is
 * set exactly when the half holds an OR. Null for other values of which or
 * when memory is short. */
CMN_EXPORT _selector* sel_get_half(const _selector* sel, int which);

/* ---- Matching: a is the pattern (the rule), b the candidate ---- */

/* SEL_MATCH, SEL_UNDETERMINED or SEL_NOMATCH: for each part and each
 * alternative of b, the best result over a's alternatives; the smallest of
 * these. An alternative of a matches one of b when every type a tests is
 * present in b and each of b's elements of that type lies inside one of a's
 * (by subtype, then ANY, range or equal octets); a type b lacks gives
 * SEL_UNDETERMINED. Allocates nothing. */
CMN_EXPORT int sel_match(const _selector* a, const _selector* b);
/* As sel_match, with a's source compared to b's destination and a's
 * destination to b's source (the reply direction). */
CMN_EXPORT int sel_revmatch(const _selector* a, const _selector* b);
/* As sel_match for a candidate of single values: only b's first element of
 * each type is compared. Allocates nothing. */
CMN_EXPORT int sel_match_light(const _selector* a, const _selector* b);
/* Exact containment: SEL_MATCH when, in each part, every point of the union
 * of b's alternatives lies in the union of a's; SEL_NOMATCH otherwise;
 * SEL_NOMEM when memory is short or the work would exceed a fixed bound. */
CMN_EXPORT int sel_match_heavy(const _selector* a, const _selector* b);
/* The per-packet matcher: a packet against a rule over IPv4 addresses,
 * protocol and ports. SEL_UNDETERMINED when the rule tests a port the
 * packet lacks. Allocates nothing. Null sel: SEL_MATCH; null packet:
 * SEL_NOMATCH. */
CMN_EXPORT int psel_match(const _selector* sel, const sel_packet* packet);
/* As psel_match for a security association: an address element must hold
 * the association's whole range; protocol and ports the record does not
 * carry give SEL_UNDETERMINED. */
CMN_EXPORT int sasel_match(const _selector* sel, const sel_sa* sa);

/* Prints sel to standard output through os_defs_error level 0. */
CMN_EXPORT void sel_dump(const _selector* sel);

#ifdef __cplusplus
}  /* extern "C" */

static_assert(sizeof(_selector) == 12, "a selector header is three 32-bit words");
static_assert(offsetof(_selector, slen) == 0 && offsetof(_selector, len) == 4 &&
                  offsetof(_selector, flags) == 8,
              "slen, len, flags");
static_assert(sizeof(sel_packet) == 16 && offsetof(sel_packet, protocol) == 1 &&
                  offsetof(sel_packet, sport) == 4 && offsetof(sel_packet, dport) == 6 &&
                  offsetof(sel_packet, saddr) == 8 && offsetof(sel_packet, daddr) == 12,
              "packet record layout");
static_assert(sizeof(sel_sa) == 24 && offsetof(sel_sa, protocol) == 1 &&
                  offsetof(sel_sa, sport) == 4 && offsetof(sel_sa, dport) == 6 &&
                  offsetof(sel_sa, saddr_lo) == 8 && offsetof(sel_sa, saddr_hi) == 12 &&
                  offsetof(sel_sa, daddr_lo) == 16 && offsetof(sel_sa, daddr_hi) == 20,
              "security-association record layout");
#endif

#endif /* PKIX_NAME_SEL_H_ */
