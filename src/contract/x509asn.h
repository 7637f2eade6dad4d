/* The ASN.1 support library (libs_x509asn.so) as the module uses it: byte
 * buffers, DER decoding and encoding, object identifiers, times, and name and
 * algorithm-identifier parsing. Plain C11, depends only on
 * the C library; every declaration below is exported with default
 * visibility.
 *
 * Buffer record. Three words:
 *   start  the owned block (from alloc_buffer and the growing operations), or
 *          NULL for a view (set_buffer, link_buffer) that borrows its octets;
 *   data   the first octet of the content;
 *   len    the number of content octets from data.
 * An owned buffer may have room in front of data (data - start octets) into
 * which encoders prepend; a view has none. release_buffer frees the owned
 * block and leaves an empty buffer; on a view it only empties the record.
 *
 * Results are non-negative on success and small negative codes on failure.
 *
 * ---------------------------------------------------------------------------
 * Conventions used by every function below
 * ---------------------------------------------------------------------------
 * Decoding reads forwards. A decoder takes a Buffer `b` positioned at an
 * element; on success it advances b past what it read (b->data moves forward,
 * b->len shrinks, b->start is untouched); on failure b and every output are
 * left exactly as they were. Every length is checked against what remains in
 * b before anything is read, so no decoder reads outside [b->data,
 * b->data + b->len). Outputs are views (start = NULL) into b's octets, so the
 * octets must outlive them. Output pointers documented as optional may be
 * NULL. An empty record (start, data NULL, len 0: what init_buffer leaves and
 * what x509_parse_algid delivers for absent parameters) is a valid empty
 * input everywhere: decoders report X509ASN_E_SHORT for it, and no function
 * offsets its null data pointer.
 *
 * Encoding writes backwards. An encoder prepends in front of the current
 * content of `b` (b->data moves back, b->len grows). When the room in front
 * is too small, b is moved into a new owned block with room to spare (a view
 * becomes an owned buffer then; the old owned block is freed), so encoders
 * only fail for lack of memory or invalid arguments. Prepare an empty buffer
 * with room: alloc_buffer(n, &b); shift_buffer(&b, n);
 * Growing frees the old block with free(), so a record whose start is not
 * NULL must hold a block from malloc (as every block of this library is),
 * or a block embedded in its owner at an odd address, which no malloc
 * block has and which the library therefore never frees. A
 * record over a caller's own area (start = the area) is fine only where it
 * never needs to grow (asn1_enc_objid of at most 16 arcs into 75 octets).
 *
 * Length octets accepted by the decoders: the short form (0..127), the long
 * form with 1 to 4 octets in minimal form (no leading zero octet, 0x81 only
 * for values of 128 or more), and, for constructed elements only, the
 * indefinite form 0x80, whose content is a series of elements closed by the
 * two end-of-contents octets 00 00. Identifier octets are single octets; the
 * high tag-number form (low five bits all set) is refused.
 * ---------------------------------------------------------------------------
 */
#ifndef PKIX_CONTRACT_X509ASN_H_
#define PKIX_CONTRACT_X509ASN_H_

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define X509ASN_API __attribute__((visibility("default")))
#else
#define X509ASN_API
#endif

typedef struct Buffer {
  unsigned char* start;
  unsigned char* data;
  uint32_t len;
} Buffer;

#ifdef __cplusplus
static_assert(sizeof(Buffer) == 2 * sizeof(void*) + (sizeof(void*) == 8 ? 8 : 4),
              "Buffer is three words");
#else
_Static_assert(sizeof(Buffer) == 2 * sizeof(void*) + (sizeof(void*) == 8 ? 8 : 4),
               "Buffer is three words");
#endif

/* ===========================================================================
 * Result codes of the library
 * ===========================================================================
 * Callers pass these up unchanged. -1 is not an error: it is the result of
 * asn1_der_decode for an indefinite length. */
#define X509ASN_INDEFINITE (-1)  /* asn1_der_decode: indefinite length (success) */
#define X509ASN_E_NOMEM (-6)     /* memory could not be allocated */
#define X509ASN_E_ARG (-7)       /* missing or invalid argument (null, bad mode, bad arcs) */
#define X509ASN_E_TAG (-15)      /* the element has another identifier octet (nothing consumed) */
#define X509ASN_E_SHORT (-36)    /* the input ends inside the header or the content */
#define X509ASN_E_LENGTH (-40)   /* malformed length octets: non-minimal, more than 4 octets,
                                    0xFF, or a length above INT32_MAX */
#define X509ASN_E_INDEF (-41)    /* indefinite length on a primitive element, or where the
                                    decoder needs a definite length */
#define X509ASN_E_EOC (-42)      /* indefinite content not closed by 00 00, or a stray 00 */
#define X509ASN_E_DEPTH (-43)    /* indefinite lengths nested deeper than X509ASN_MAX_DEPTH */
#define X509ASN_E_VALUE (-44)    /* malformed content: INTEGER empty or not minimal, BIT STRING
                                    unused-bits octet, OID octets, time text, BOOLEAN */
#define X509ASN_E_RANGE (-45)    /* well formed but not representable: OID arc above 32 bits or
                                    more arcs than room, time outside years 0..9999 */
#define X509ASN_E_TAGFORM (-46)  /* high tag-number form identifier */
#define X509ASN_E_NAME (-47)     /* not shaped as a Name or as GeneralNames */
#define X509ASN_E_TRAILING (-48) /* octets left inside an element after its last field */
#define X509ASN_E_STATE (-49)    /* walker state not started, of the other kind, or damaged */

/* Deepest nesting of indefinite-length elements the decoders follow. */
#define X509ASN_MAX_DEPTH 64

/* Initial size the encoders' callers give their working buffers.
 * Encoders grow a buffer whose room runs out, so this is not a limit; after
 * a growth the block has another size, so reset a working buffer to "empty at
 * its end" relative to its content (shift_buffer(&w, w.len)), never from
 * w.start + ALLOC_SIZE. */
#define ALLOC_SIZE 4096u

/* ===========================================================================
 * Buffers
 * =========================================================================== */

/* Empties the record without freeing anything. */
X509ASN_API void init_buffer(Buffer* b);
/* Allocates an owned block of size octets as the content (uninitialised);
 * 0, or a negative code when memory is short (b then empty). Whatever b held
 * before is overwritten, not freed. */
X509ASN_API int alloc_buffer(uint32_t size, Buffer* b);
/* Frees an owned block; empties the record in every case. */
X509ASN_API void release_buffer(Buffer* b);
/* Makes b a view of len octets at ptr; 0 (X509ASN_E_ARG, b unchanged, for a
 * null ptr with a non-zero len). Whatever b held before is not freed. */
X509ASN_API int set_buffer(Buffer* b, uint32_t len, const unsigned char* ptr);
/* Makes dst a view of src's content; 0. dst may be src (an owned src then
 * stops owning its block: release it first through another record). */
X509ASN_API int link_buffer(Buffer* dst, const Buffer* src);
/* Moves the start of the content forward by n octets; non-zero when the
 * content is shorter than n (b unchanged). */
X509ASN_API int shift_buffer(Buffer* b, uint32_t n);
/* Moves the start of the content back by n octets into the room in front;
 * non-zero when there is less room than n (b unchanged). */
X509ASN_API int retreat_buffer(Buffer* b, uint32_t n);
/* Prepends a copy of src's content to dst, growing dst when its room is
 * short (dst then owns a new block); 0 or a negative code (X509ASN_E_NOMEM,
 * X509ASN_E_RANGE when the result would exceed 2^32-2 octets; dst unchanged).
 * src may be dst itself or a view of any part of dst's block. */
X509ASN_API int insert_buffer(Buffer* dst, const Buffer* src);
/* Appends a copy of src's content to dst; dst then owns its block (room in
 * front is kept). 0 or a negative code as insert_buffer (dst unchanged). src
 * may alias dst. */
X509ASN_API int append_buffer(Buffer* dst, const Buffer* src);
/* Orders two contents: negative, 0, positive; a shorter prefix first. */
X509ASN_API int cmp_buffers(const Buffer* a, const Buffer* b);

/* ===========================================================================
 * DER decoding
 * =========================================================================== */

/* Opens an element: checks that the identifier octet at b equals tag and
 * steps over identifier and length octets.
 * Returns the content length (>= 0) with b at the first content octet;
 * for the indefinite form X509ASN_INDEFINITE (-1) with b at the first content
 * octet: the content then ends with 00 00, which the caller must check and
 * step over (asn1_is_eoc). A definite content length is checked against
 * what remains in b (X509ASN_E_SHORT), but b still covers everything after
 * the header, not only the content: the caller bounds the content.
 * Failure (b unchanged): X509ASN_E_TAG (another identifier octet),
 * X509ASN_E_SHORT (b empty, or ends inside the header or the content),
 * X509ASN_E_LENGTH, X509ASN_E_INDEF (0x80 on a primitive tag),
 * X509ASN_E_TAGFORM (tag in high tag-number form), X509ASN_E_ARG (b null). */
X509ASN_API int asn1_der_decode(unsigned char tag, Buffer* b);

/* Decodes one whole element with identifier tag; out (optional) becomes a
 * view of its content octets and b is advanced past the element. Any tag is
 * accepted; the indefinite form is accepted for a constructed tag (bit 0x20),
 * out then excludes the closing 00 00 and b is advanced past it.
 * Returns the content length. Failure (b, out unchanged): as asn1_der_decode,
 * plus X509ASN_E_EOC and X509ASN_E_DEPTH for indefinite content. */
X509ASN_API int asn1_decode_primitive(unsigned char tag, Buffer* b, Buffer* out);

/* INTEGER (tag 02, definite length): out (optional) is a view of the content
 * octets as they stand (two's complement, big-endian, sign octet included).
 * Returns the content length (>= 1). Failure (b, out unchanged): as
 * asn1_decode_primitive, plus X509ASN_E_VALUE for empty content or a
 * non-minimal encoding (00 followed by an octet below 0x80, FF followed by an
 * octet of 0x80 or above). */
X509ASN_API int asn1_decode_integer(Buffer* b, Buffer* out);

/* BIT STRING (tag 03, primitive, definite): out (optional) is a view of the
 * octets after the unused-bits octet. Returns their number (>= 0).
 * Failure (b, out unchanged): as asn1_decode_primitive, plus X509ASN_E_VALUE
 * for empty content, an unused-bits octet above 7, or a non-zero unused-bits
 * octet with no octets after it. The unused-bits count itself is not
 * delivered (open the element with asn1_der_decode(3, ...) to see it). */
X509ASN_API int asn1_decode_bit_string(Buffer* b, Buffer* out);

/* UTCTime (tag 17) or GeneralizedTime (tag 18) to seconds since
 * 1970-01-01T00:00:00Z. Accepted text (the forms OpenSSL's ASN1_TIME_to_tm
 * accepts):
 *   UTCTime          YYMMDDHHMM[SS]{Z|+hhmm|-hhmm}   YY < 50 is 20YY, else 19YY
 *   GeneralizedTime  YYYYMMDDHHMM[SS[.f+]]{Z|+hhmm|-hhmm}
 * Fields are range checked (month 1-12, day within the month, leap years,
 * hour 0-23, minute and second 0-59, offset hours 0-12 and minutes 0-59); an
 * offset is subtracted from the local time given (for any year; OpenSSL
 * refuses an offset whose result lies outside 1900-9999); fractions are
 * ignored.
 * asn1_decode_time stores into *out (optional) the value saturated to signed
 * 32 bits: after 2038-01-19T03:14:07Z it is INT32_MAX (0x7FFFFFFF), before
 * 1901-12-13T20:45:52Z it is INT32_MIN. Returns 0.
 * Failure (b, out unchanged): X509ASN_E_TAG (neither tag), the header codes,
 * X509ASN_E_INDEF (constructed or indefinite), X509ASN_E_VALUE (text). */
X509ASN_API int asn1_decode_time(Buffer* b, int32_t* out);
/* The same without saturation (64-bit seconds). */
X509ASN_API int asn1_decode_time64(Buffer* b, int64_t* out);

/* Any one element: out (optional) becomes a view of the whole element,
 * identifier, length and content (and 00 00 of an indefinite form) included;
 * b is advanced past it. Returns the element's length in octets (>= 2); its
 * identifier octet is out->data[0]. The content of a definite-length element
 * is not examined; indefinite content is followed element by element to its
 * 00 00 (iteratively, at most X509ASN_MAX_DEPTH levels deep).
 * Failure (b, out unchanged): X509ASN_E_TAG for the octet 00 (end of
 * contents is not an element), the header codes, X509ASN_E_EOC,
 * X509ASN_E_DEPTH. */
X509ASN_API int asn1_decode_any_type(Buffer* b, Buffer* out);

/* Reads the length octets at b and steps over them. Returns the length value
 * (checked against what remains after the length octets); 0 on failure with
 * b unchanged, also for the indefinite form. A genuine length 0 also returns
 * 0 but steps over one octet: compare b->len to tell them apart, or use
 * asn1_read_length. */
X509ASN_API uint32_t asn1_get_length(Buffer* b);
/* Reads the length octets at b and steps over them: *len (required) gets the
 * value and 1 is returned for a definite length (checked against what
 * remains after the length octets), 0 for the indefinite form (*len = 0).
 * Failure (b, *len unchanged): X509ASN_E_ARG, X509ASN_E_SHORT,
 * X509ASN_E_LENGTH. */
X509ASN_API int asn1_read_length(Buffer* b, uint32_t* len);

/* The identifier octet at b (0..255) without consuming it; X509ASN_E_SHORT
 * when b is empty, X509ASN_E_ARG when b is null. */
X509ASN_API int asn1_peek_tag(const Buffer* b);
/* 1 when b starts with the end-of-contents octets 00 00, else 0. Consumes
 * nothing: step over them with shift_buffer(b, 2). */
X509ASN_API int asn1_is_eoc(const Buffer* b);

/* ===========================================================================
 * DER encoding (prepending, see the conventions at the top)
 * =========================================================================== */

/* Prepends the identifier octet tag and the definite (minimal) length of b's
 * current content, so that b covers the whole element. Returns 0;
 * X509ASN_E_NOMEM or X509ASN_E_ARG (b null, or tag in high tag-number form)
 * with b unchanged. */
X509ASN_API int asn1_der_encode(unsigned char tag, Buffer* b);
/* Wraps b's content, taken as INTEGER content octets as they stand (two's
 * complement, as asn1_decode_integer delivers them), as INTEGER (tag 02). An
 * empty content is written as the single octet 00 first. 0 or as
 * asn1_der_encode. */
X509ASN_API int asn1_der_encode_integer(Buffer* b);
/* Wraps b's content, taken as an unsigned big-endian magnitude, as INTEGER:
 * leading zero octets are dropped from the view (one is kept for zero), a 00
 * octet is prepended when the first octet is 0x80 or above. 0 or as
 * asn1_der_encode. */
X509ASN_API int asn1_der_encode_uint(Buffer* b);
/* Prepends the unused-bits octet 00 and wraps the result as BIT STRING
 * (tag 03): b's content are the bit-string octets. 0 or as asn1_der_encode. */
X509ASN_API int asn1_der_encode_bit_string(Buffer* b);
/* Prepends the time t (seconds since 1970, UTC) as a whole element in front
 * of b's content: UTCTime YYMMDDHHMMSSZ for the years 1950 to 2049,
 * GeneralizedTime YYYYMMDDHHMMSSZ otherwise (RFC 5280 4.1.2.5). 0 or as
 * asn1_der_encode. */
X509ASN_API int asn1_der_encode_time(int32_t t, Buffer* b);

/* ===========================================================================
 * Object identifiers
 * ===========================================================================
 * Arcs are unsigned 32-bit numbers. The "content" of an OID is the DER
 * content octets of the OBJECT IDENTIFIER (no tag, no length). */

/* Prepends the content octets of the OID with count arcs in front of b's
 * content (no tag, no length: wrap with asn1_der_encode(6, b) for a whole
 * element). At most 5 octets per arc are written, so 16 arcs take at most
 * 75 octets. Returns 0. Failure (b unchanged): X509ASN_E_ARG for a null
 * argument, count below 2, a first arc above 2, or a second arc above 39
 * under a first arc of 0 or 1; X509ASN_E_NOMEM. */
X509ASN_API int asn1_enc_objid(const uint32_t* arcs, uint32_t count, Buffer* b);

/* Checks that `content` holds well-formed OID content octets: not empty, no
 * subidentifier starting with the padding octet 0x80, and the last octet
 * ending a subidentifier (bit 0x80 clear). Every reader of an OBJECT
 * IDENTIFIER calls this before using the octets. Returns 0; X509ASN_E_ARG
 * (content null), X509ASN_E_VALUE (malformed). */
X509ASN_API int asn1_oid_check(const Buffer* content);

/* Decodes OID content octets (the whole of `content`) into arcs. Returns the
 * number of arcs (>= 2); arcs (optional: NULL only counts) receives them when
 * they fit in max. Failure (arcs unchanged): X509ASN_E_ARG (content null),
 * X509ASN_E_VALUE (empty, a subidentifier starting with 0x80, or the last
 * octet with bit 0x80 set), X509ASN_E_RANGE (an arc above 2^32-1, or more
 * arcs than max when arcs is given). */
X509ASN_API int asn1_dec_objid(const Buffer* content, uint32_t* arcs, uint32_t max);

/* Writes the OID content as dotted decimal text with a terminating zero into
 * text (size octets). Arcs of any size are written exactly. Returns the text
 * length without the zero; 4 x content->len + 8 octets always suffice.
 * Failure: X509ASN_E_ARG (null, size 0), X509ASN_E_VALUE (malformed
 * content), X509ASN_E_RANGE (text does not fit; text then holds an empty
 * string), X509ASN_E_NOMEM (work area for an arc above 2^63). */
X509ASN_API int asn1_oid_to_text(const Buffer* content, char* text, uint32_t size);

/* 1 when the OID content octets equal the OID constant oid (see below:
 * length octet, then content): same length and same octets; else 0. */
X509ASN_API int asn1_oid_eq(const Buffer* content, const unsigned char* oid);
/* Makes out a view of the content octets of an OID constant; 0, or
 * X509ASN_E_ARG for a null argument (out then empty). */
X509ASN_API int asn1_oid_view(const unsigned char* oid, Buffer* out);

/* OID constants: oid[0] is the number of content octets, oid[1..oid[0]] the
 * DER content octets of the OBJECT IDENTIFIER.
 *
 * Note for the module's algorithm tables: the module's arc arrays share
 * some of these names (rsaEncryption, dsa, dhKeyAgreement, dsaWithSHA) and
 * `dsa` even names another OID there; keep them in a C++ namespace or static
 * so that they never meet these C symbols. */

/* Key algorithms (the key parsers' key-type codes in brackets). */
X509ASN_API extern const unsigned char rsaEncryption[];  /* 1.2.840.113549.1.1.1 [1] */
X509ASN_API extern const unsigned char new_dsa[];        /* 1.2.840.10040.4.1 [2] id-dsa (X9.57) */
X509ASN_API extern const unsigned char dhKeyAgreement[]; /* 1.2.840.113549.1.3.1 [3] PKCS #3 */
X509ASN_API extern const unsigned char dsa[];            /* 1.3.14.3.2.12 [4] OIW dsa */
X509ASN_API extern const unsigned char dhpublicnumber[]; /* 1.2.840.10046.2.1 [5] X9.42 */
/* Signature algorithms written by x509_enc_alg. */
X509ASN_API extern const unsigned char dsaWithSHA[];            /* 1.3.14.3.2.13 */
X509ASN_API extern const unsigned char dsaWithsha1[];           /* 1.2.840.10040.4.3 */
X509ASN_API extern const unsigned char md2WithRSAEncryption[];  /* 1.2.840.113549.1.1.2 */
X509ASN_API extern const unsigned char md5WithRSAEncryption[];  /* 1.2.840.113549.1.1.4 */
X509ASN_API extern const unsigned char sha1WithRSAEncryption[]; /* 1.2.840.113549.1.1.5 */

/* Extension identifiers of certificates and CRLs, id-ce = 2.5.29. */
X509ASN_API extern const unsigned char SubjectKeyIdentifier_Id[];     /* 2.5.29.14 */
X509ASN_API extern const unsigned char KeyUsage_Id[];                 /* 2.5.29.15 */
X509ASN_API extern const unsigned char SubjectAltName_Id[];           /* 2.5.29.17 */
X509ASN_API extern const unsigned char IssuerAltName_Id[];            /* 2.5.29.18 */
X509ASN_API extern const unsigned char BasicConstraints_Id[];         /* 2.5.29.19 */
X509ASN_API extern const unsigned char CRLNumber_Id[];                /* 2.5.29.20 */
X509ASN_API extern const unsigned char ReasonCode_Id[];               /* 2.5.29.21 */
X509ASN_API extern const unsigned char InstructionCode_Id[];          /* 2.5.29.23 */
X509ASN_API extern const unsigned char InvalidityDate_Id[];           /* 2.5.29.24 */
X509ASN_API extern const unsigned char DeltaCRLIndicator_Id[];        /* 2.5.29.27 */
X509ASN_API extern const unsigned char IssuingDistributionPoint_Id[]; /* 2.5.29.28 */
X509ASN_API extern const unsigned char CertificateIssuer_Id[];        /* 2.5.29.29 */
X509ASN_API extern const unsigned char NameConstraints_Id[];          /* 2.5.29.30 */
X509ASN_API extern const unsigned char CRLDistributionPoints_Id[];    /* 2.5.29.31 */
X509ASN_API extern const unsigned char AuthorityKeyIdentifier_Id[];   /* 2.5.29.35 */
X509ASN_API extern const unsigned char ExtendedKeyUsage_Id[];         /* 2.5.29.37 */

/* Attribute types of distinguished names (the OIDs of sub_rdn). */
X509ASN_API extern const unsigned char id_at_countryName[];            /* 2.5.4.6 */
X509ASN_API extern const unsigned char id_at_stateOrProvinceName[];    /* 2.5.4.8 */
X509ASN_API extern const unsigned char id_at_localityName[];           /* 2.5.4.7 */
X509ASN_API extern const unsigned char id_at_organizationName[];       /* 2.5.4.10 */
X509ASN_API extern const unsigned char id_at_organizationalUnitName[]; /* 2.5.4.11 */
X509ASN_API extern const unsigned char id_at_commonName[];             /* 2.5.4.3 */
X509ASN_API extern const unsigned char id_at_title[];                  /* 2.5.4.12 */
X509ASN_API extern const unsigned char id_at_surname[];                /* 2.5.4.4 */
X509ASN_API extern const unsigned char id_at_givenName[];              /* 2.5.4.42 */
X509ASN_API extern const unsigned char id_at_initials[];               /* 2.5.4.43 */
X509ASN_API extern const unsigned char id_emailAddress[];              /* 1.2.840.113549.1.9.1 */
X509ASN_API extern const unsigned char id_domainComponent[];           /* 0.9.2342.19200300.100.1.25 */
X509ASN_API extern const unsigned char id_at_serialNumber[];           /* 2.5.4.5 */
X509ASN_API extern const unsigned char id_at_streetAddress[];          /* 2.5.4.9 */
X509ASN_API extern const unsigned char id_userId[];                    /* 0.9.2342.19200300.100.1.1 */
X509ASN_API extern const unsigned char id_at_organizationIdentifier[]; /* 2.5.4.97 */
/* unstructuredName, 1.2.840.113549.1.9.2 (the text parser makes its values
 * IA5String): unstructedName[0] == 9, content 2A 86 48 86 F7 0D 01 09 02. */
X509ASN_API extern const unsigned char unstructedName[];

/* GeneralName choices: "OID" constants of one content octet, the identifier
 * octet of the choice (what the general-name walkers deliver as the type). */
X509ASN_API extern const unsigned char directoryName[]; /* { 1, 0xA4 } [4] Name */
X509ASN_API extern const unsigned char gn_otherName[];  /* { 1, 0xA0 } */
X509ASN_API extern const unsigned char gn_rfc822Name[]; /* { 1, 0x81 } */
X509ASN_API extern const unsigned char gn_dNSName[];    /* { 1, 0x82 } */
X509ASN_API extern const unsigned char gn_x400Address[];  /* { 1, 0xA3 } */
X509ASN_API extern const unsigned char gn_ediPartyName[]; /* { 1, 0xA5 } */
X509ASN_API extern const unsigned char gn_uniformResourceIdentifier[]; /* { 1, 0x86 } */
X509ASN_API extern const unsigned char gn_iPAddress[];  /* { 1, 0x87 } */
X509ASN_API extern const unsigned char gn_registeredID[]; /* { 1, 0x88 } */

/* ===========================================================================
 * Times without DER
 * =========================================================================== */

/* Seconds since 1970 of a UTC civil time (proleptic Gregorian, any year);
 * no range check of the fields. */
X509ASN_API int64_t asn1_civil_to_seconds(int64_t year, unsigned month, unsigned day,
                                          unsigned hour, unsigned minute, unsigned second);
/* Saturates a 64-bit time to signed 32 bits (INT32_MIN .. INT32_MAX). */
X509ASN_API int32_t asn1_time_saturate(int64_t t);

/* ===========================================================================
 * Algorithm identifiers and public keys
 * =========================================================================== */

/* AlgorithmIdentifier ::= SEQUENCE { algorithm OBJECT IDENTIFIER,
 *                                    parameters ANY DEFINED BY algorithm OPTIONAL }
 * Decodes one at b (definite or indefinite length) and advances b past it.
 * oid (optional) gets a view of the OID content octets; params (optional) a
 * view of the whole parameters element (identifier and length included), or
 * an empty record (all zero) when there are none. Returns 0.
 * Failure (b and outputs unchanged): X509ASN_E_TAG (not a SEQUENCE, or the
 * first field not an OID), X509ASN_E_VALUE (OID octets malformed),
 * X509ASN_E_TRAILING (more than one parameters element), the header codes. */
X509ASN_API int x509_parse_algid(Buffer* b, Buffer* oid, Buffer* params);

/* Prepends SEQUENCE { OBJECT IDENTIFIER oid, params } in front of out's
 * content. oid holds OID content octets (required, non-empty, well formed
 * as asn1_oid_check wants them); params (optional; NULL or empty means none)
 * one whole element, copied as it is.
 * Returns 0; X509ASN_E_ARG, X509ASN_E_VALUE (oid malformed), X509ASN_E_NOMEM
 * (out unchanged). */
X509ASN_API int x509_enc_algid(const Buffer* oid, const Buffer* params, Buffer* out);

/* SubjectPublicKeyInfo ::= SEQUENCE { algorithm AlgorithmIdentifier,
 *                                     subjectPublicKey BIT STRING }
 * Prepends one in front of out's content: the algorithm as x509_enc_algid,
 * the BIT STRING as the unused-bits octet 00 followed by bits (optional;
 * NULL or empty gives 03 01 00). Returns 0; X509ASN_E_ARG, X509ASN_E_VALUE
 * (oid malformed), X509ASN_E_NOMEM (out unchanged). */
X509ASN_API int x509_encode_spki(const Buffer* oid, const Buffer* params, const Buffer* bits,
                                 Buffer* out);

/* ===========================================================================
 * Names: classification and attribute walkers
 * ===========================================================================
 * Name ::= SEQUENCE OF RelativeDistinguishedName
 * RelativeDistinguishedName ::= SET SIZE (1..MAX) OF AttributeTypeAndValue
 * AttributeTypeAndValue ::= SEQUENCE { type OBJECT IDENTIFIER, value ANY }
 * GeneralNames ::= SEQUENCE OF GeneralName
 * GeneralName ::= CHOICE { otherName [0], rfc822Name [1], dNSName [2],
 *     x400Address [3], directoryName [4] (explicit Name), ediPartyName [5],
 *     uniformResourceIdentifier [6], iPAddress [7], registeredID [8] }
 */

/* Classifies a name element at b (b is not advanced): 1 for a distinguished
 * name (an empty SEQUENCE, or one whose first element is a SET 0x31),
 * 2 for general names (first element of context-specific class, 0x80..0xBF).
 * Only the outer header and the first identifier octet are examined.
 * Failure: X509ASN_E_ARG (null), X509ASN_E_TAG (not a SEQUENCE),
 * X509ASN_E_NAME (first element of another class), the header codes. */
X509ASN_API int isDN(const Buffer* b);

/* Kinds of walk recorded in the state. */
#define X509_WALK_DN 1u
#define X509_WALK_GN 2u

/* The 40-byte walker state (the name object keeps one per name; byte offset
 * 28 holds the enclosed indicator). Offsets are counted from base; the same
 * layout on 32- and 64-bit targets. Callers read `enclosed` and `total` and
 * leave the rest alone. */
typedef struct x509_walk_state {
  union {
    const unsigned char* p; /* 0: first octet of the name element */
    uint64_t pad_;
  } base;
  uint32_t total;    /*  8: octets of the whole name element, header (and closing
                            00 00) included: where the walk stops. Valid once the
                            first call returned 0 or 1. */
  uint32_t pos;      /* 12: offset of the next unread octet */
  uint32_t rdn_end;  /* 16: DN: offset where the current RDN's content ends
                            (before the 00 00 of an indefinite SET) */
  uint32_t seq_end;  /* 20: offset where the outer content ends (before 00 00) */
  uint32_t index;    /* 24: attributes delivered so far */
  uint32_t enclosed; /* 28: 1 while the current attribute is followed by another
                            attribute of the same RDN; always 0 for general names */
  uint32_t kind;     /* 32: low 8 bits 0 (not started), X509_WALK_DN or
                            X509_WALK_GN; the bits above are the walker's */
  int32_t status;    /* 36: last result: 1 an attribute is current, 0 ended,
                            negative failed (sticky) */
} x509_walk_state_t;

#ifdef __cplusplus
static_assert(sizeof(x509_walk_state_t) == 40, "walker state is 40 bytes");
static_assert(offsetof(x509_walk_state_t, enclosed) == 28, "enclosed indicator at byte 28");
#else
_Static_assert(sizeof(x509_walk_state_t) == 40, "walker state is 40 bytes");
_Static_assert(offsetof(x509_walk_state_t, enclosed) == 28, "enclosed indicator at byte 28");
#endif

/* Distinguished-name walk. x509_dn_gfra starts a walk over the Name element
 * at name (name is not advanced; its octets must outlive the walk) and
 * delivers the first attribute; x509_dn_gnra delivers the next one.
 * The first call checks the whole element before delivering anything: outer
 * SEQUENCE, every RDN a non-empty SET of AttributeTypeAndValue SEQUENCEs,
 * each holding exactly a well-formed OBJECT IDENTIFIER and one value element
 * (definite or indefinite lengths at every level); so a walk that started
 * does not fail later. Outputs, each optional, for an attribute:
 *   *tag   the identifier octet of the value (its string type, e.g. 0x0C),
 *   type   a view of the OID content octets,
 *   value  a view of the value's content octets (without 00 00).
 * state->enclosed is 1 when another attribute of the same RDN follows, 0
 * when the RDN ends with this one. state->total is the length of the whole
 * Name element (the caller advances its input by it).
 * Returns 1 (an attribute delivered), 0 (no more attributes; outputs
 * unchanged; a Name without RDNs gives 0 at once), negative on failure:
 * X509ASN_E_ARG, X509ASN_E_TAG (not a SEQUENCE), X509ASN_E_NAME,
 * X509ASN_E_TAGFORM, X509ASN_E_TRAILING, X509ASN_E_VALUE, the header codes;
 * x509_dn_gnra on a state not started by x509_dn_gfra: X509ASN_E_STATE.
 * After 0 or a failure, further x509_dn_gnra calls repeat that result. */
X509ASN_API int x509_dn_gfra(x509_walk_state_t* state, const Buffer* name, unsigned char* tag,
                             Buffer* type, Buffer* value);
X509ASN_API int x509_dn_gnra(x509_walk_state_t* state, unsigned char* tag, Buffer* type,
                             Buffer* value);

/* General-names walk, as the distinguished-name walk, one GeneralName per
 * attribute. The first call checks the whole element: every component of
 * context-specific class with a choice number 0..8 in its proper form
 * (constructed for [0] [3] [4] [5], primitive for the others), [4]
 * holding exactly one well-formed Name, [8] (registeredID) holding
 * well-formed OID content octets, and [0] (otherName) holding exactly a
 * well-formed OBJECT IDENTIFIER followed by an explicit [0] (A0) around one
 * element. Outputs, each optional:
 *   *tag   the component's identifier octet (0x81 e-mail, 0x82 DNS name,
 *          0x86 URI, 0x87 IP address, 0xA4 directory name, ...),
 *   type   a view of that one identifier octet (compare with the one-octet
 *          constants directoryName, gn_* and the sub_rgn OIDs),
 *   value  a view of the component's content octets; for [4] that is the
 *          whole Name element (30 ...).
 * state->enclosed is always 0. Codes as for the distinguished-name walk. */
X509ASN_API int x509_gfra(x509_walk_state_t* state, const Buffer* name, unsigned char* tag,
                          Buffer* type, Buffer* value);
X509ASN_API int x509_gnra(x509_walk_state_t* state, unsigned char* tag, Buffer* type,
                          Buffer* value);

/* Either kind: x509_U_gfra decides with isDN and walks as x509_dn_gfra (1)
 * or x509_gfra (2); x509_U_gnra continues the walk of the kind recorded in
 * the state. Codes as above (isDN's failures from the first call). */
X509ASN_API int x509_U_gfra(x509_walk_state_t* state, const Buffer* name, unsigned char* tag,
                            Buffer* type, Buffer* value);
X509ASN_API int x509_U_gnra(x509_walk_state_t* state, unsigned char* tag, Buffer* type,
                            Buffer* value);

/* ===========================================================================
 * Names as text
 * ===========================================================================
 * The text format (what x509_enc_name reads back):
 *
 *   name       = [ component *( ", " component ) ]
 *   DN         = rdn *( ", " rdn )                  RDNs in DER order
 *   rdn        = attribute *( "+" attribute )       attributes in DER order
 *   attribute  = keyword "=" value                  type in sub_rdn
 *              / dotted-oid "=" "#" hex             any other type
 *   GN         = gn *( ", " gn ) [ ", " DN ]
 *   gn         = "email=" value / "DNS=" value / "URI=" value
 *              / "IP=" a.b.c.d (4 octets)
 *              / keyword "=#" hex                   other choices and odd values
 *
 * keyword: the text of the first table row whose OID equals the type
 * (sub_rdn for attributes, sub_rgn for components). dotted-oid: the arcs in
 * decimal joined by ".". hex: the whole value element, identifier, length
 * and content, in upper-case hexadecimal (the parser takes the first pair as
 * the string type and wants a DER length and exactly that content after it);
 * a general-name component in hex form is written as its identifier, the
 * content length and the content.
 *
 * A value of one of the string types 12 UTF8String, 18 NumericString, 19
 * PrintableString, 20 TeletexString (read as ISO-8859-1), 22 IA5String, 26
 * VisibleString, 28 UniversalString (UCS-4), 30 BMPString (UTF-16) is
 * converted to UTF-8 and written as text; a value of another type, or one
 * that does not convert (bad UTF-8, odd lengths, surrogates, octets of 0x80
 * or above in the ASCII types), is written in the hex form instead.
 * In text values these are escaped with a backslash: the characters the
 * parser treats as special, " # + , ; < = > \ (written as \" \# ... \\),
 * and as \XX (two upper-case hex digits of the octet): a space at the start
 * or the end of the value, every octet below 0x20 and 0x7F, and, in mode 1
 * only, every octet of 0x80 or above (mode 3 writes UTF-8 as it is).
 * Components of general names: email, DNS and URI values are escaped the
 * same way; an IP address of 4 octets is written dotted; 16 octets as IPv6
 * text, and 8 or 32 octets (address and mask) as address "/" mask (these the
 * text parser cannot read back: its IP form is IPv4 only). A
 * directory name that is the last component, the only one, and not empty is
 * written as its attributes (the parser folds trailing distinguished-name
 * attributes into one directory-name component at the end); any other
 * directory name in the hex form "dirName=#A4...".
 * Known losses of the round trip: the parser chooses the string type of a
 * text value itself (PrintableString, IA5String or UTF8String by content),
 * and it drops spaces at the end of a value. An empty name renders as the
 * empty text.
 */

/* Renders the name element at der (a Name or GeneralNames, isDN decides; der
 * is not advanced) as text. mode 1: ASCII text (octets of 0x80 or above
 * escaped), mode 3: UTF-8 text. On success text is a new owned buffer
 * holding the text, followed in the block by a zero octet that len does not
 * count (text->data[text->len] == 0); whatever text held before is
 * overwritten, not freed. Returns text->len.
 * Failure (text empty): X509ASN_E_ARG (null, mode not 1 or 3),
 * X509ASN_E_NOMEM, the walkers' codes. */
X509ASN_API int x509_parse_name(const Buffer* der, Buffer* text, int mode);

/* Escape flags of x509_esc_value. */
#define X509_ESC_ASCII 0 /* octets of 0x80 or above as \XX */
#define X509_ESC_UTF8 1  /* octets of 0x80 or above as they are */

/* Escapes the value octets of in as a text value (the escaping described
 * above: specials with a backslash, leading and trailing spaces, control
 * octets and, with X509_ESC_ASCII, octets of 0x80 or above as \XX), so that
 * "keyword=" followed by the result reads back as the same octets. out is a
 * new owned buffer with a zero octet after its content (not counted);
 * whatever it held before is overwritten, not freed. Returns out->len.
 * Failure (out empty): X509ASN_E_ARG, X509ASN_E_NOMEM. */
X509ASN_API int x509_esc_value(const Buffer* in, Buffer* out, int flags);

/* ===========================================================================
 * Keyword tables
 * ===========================================================================
 * Four words per row: the two 16-bit selector tags (subject tag =
 * 32 + 512 x subtype of X509S, issuer tag = 34 + 512 x subtype of X509I; 0
 * when the row has no selector component), the OID constant (length octet,
 * content; for general names one octet, the GeneralName identifier), the
 * keyword text (zero-terminated) and its length.
 *
 * sub_rdn (16 rows; row i is X509S/X509I subtype i for i < 11):
 *   0 C  1 ST  2 L  3 O  4 OU  5 CN  6 T (title)  7 SN (surname)
 *   8 GN (givenName)  9 initials  10 emailAddress  11 DC  12 serialNumber
 *   13 street  14 UID  15 organizationIdentifier     (rows 11-15: tags 0)
 * sub_rgn (9 rows; row i is GeneralName choice [i]):
 *   0 otherName  1 email  2 DNS  3 x400Address  4 dirName  5 ediPartyName
 *   6 URI  7 IP  8 RID      (selector tags on email, DNS and IP only)
 * sub_recognized_rgn (9 rows; row i is X509S/X509I subtype 10 + i for i < 3):
 *   0 email (MAIL)  1 DNS  2 IP  3 URI  4 dirName  5 otherName
 *   6 x400Address  7 ediPartyName  8 RID            (rows 3-8: tags 0)
 * Keywords are unique across sub_rdn and sub_rgn, compared case-insensitively.
 */
typedef struct x509_keyword {
  uint16_t subject_tag;      /* selector tag for NAME_SUBJECT */
  uint16_t issuer_tag;       /* selector tag for any other role */
  const unsigned char* oid;  /* OID constant; never NULL in these tables */
  const char* keyword;       /* zero-terminated keyword text */
  size_t keyword_len;        /* strlen(keyword) */
} x509_keyword_t;

#ifdef __cplusplus
static_assert(sizeof(x509_keyword_t) == 4 * sizeof(void*), "keyword row is four words");
#else
_Static_assert(sizeof(x509_keyword_t) == 4 * sizeof(void*), "keyword row is four words");
#endif

#define X509_SUB_RDN_COUNT 16
#define X509_SUB_RGN_COUNT 9
#define X509_SUB_RECOGNIZED_RGN_COUNT 9
#define X509_SUB_RGN_DIRNAME 4 /* sub_rgn row of the directory-name choice */

X509ASN_API extern const x509_keyword_t sub_rdn[X509_SUB_RDN_COUNT];
X509ASN_API extern const x509_keyword_t sub_rgn[X509_SUB_RGN_COUNT];
X509ASN_API extern const x509_keyword_t sub_recognized_rgn[X509_SUB_RECOGNIZED_RGN_COUNT];

#ifdef __cplusplus
}
#endif

#endif /* PKIX_CONTRACT_X509ASN_H_ */
