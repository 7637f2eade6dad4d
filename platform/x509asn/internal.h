/* Internals shared by the units of libs_x509asn: the read cursor, element
 * headers, and the room-making primitive of the encoders. Nothing here is
 * exported. */
#ifndef PKIX_PLATFORM_X509ASN_INTERNAL_H_
#define PKIX_PLATFORM_X509ASN_INTERNAL_H_

#include <stdint.h>

#include "contract/x509asn.h"

#if defined(__GNUC__)
#define X509ASN_HIDDEN __attribute__((visibility("hidden")))
#else
#define X509ASN_HIDDEN
#endif

/* A forward-only read cursor over [p, end). Every reader checks the room
 * first and moves p only on success. */
typedef struct asn_cur {
  const unsigned char* p;
  const unsigned char* end;
} asn_cur;

/* A cursor over b's content. An empty view (data NULL, len 0, as left by
 * init_buffer or an absent optional field) gives an empty cursor without
 * offsetting its pointer: arithmetic on a null pointer is undefined even for
 * an offset of 0. */
static inline asn_cur cur_of(const Buffer* b) {
  asn_cur c;
  c.p = b->data;
  c.end = b->len == 0 ? b->data : b->data + b->len;
  return c;
}
static inline uint32_t cur_left(const asn_cur* c) {
  return c->p == c->end ? 0u : (uint32_t)(c->end - c->p);
}
static inline int cur_empty(const asn_cur* c) { return c->p == c->end; }
/* Moves b forward to the cursor position c (a position inside b's content,
 * at or after b->data); b is left alone when c has not moved. */
static inline void buf_advance_to(Buffer* b, const asn_cur* c) {
  if (c->p == b->data) return;
  uint32_t n = (uint32_t)(c->p - b->data);
  b->data += n;
  b->len -= n;
}

/* An element header as read. */
typedef struct asn_hdr {
  unsigned char tag;  /* identifier octet */
  int indefinite;     /* 1 for the 0x80 length form */
  uint32_t hdr_len;   /* identifier and length octets */
  uint32_t len;       /* content length (definite form only) */
} asn_hdr;

/* Reads DER length octets at p, where left octets remain (p may be NULL when
 * left is 0: X509ASN_E_SHORT, nothing read): *used gets the number of length octets, *len the value and
 * *indefinite 1 for the 0x80 form (then *len is 0). A definite value is
 * checked against the octets that remain after the length octets. Accepted:
 * the short form, the long form with 1 to 4 octets in minimal form (no
 * leading zero octet, 0x81 only for 128 or more) up to INT32_MAX. Returns 0,
 * X509ASN_E_SHORT or X509ASN_E_LENGTH; outputs are written only on success.
 * The one decoder of length octets in the library. */
X509ASN_HIDDEN int asn_read_len(const unsigned char* p, uint32_t left, uint32_t* used,
                                uint32_t* len, int* indefinite);

/* Reads the header at c without moving it; for a definite length checks the
 * content against what remains. 0 or a negative code. */
X509ASN_HIDDEN int asn_read_hdr(const asn_cur* c, asn_hdr* h);

/* Reads one whole element at c: *elem covers it all (header, content and, for
 * the indefinite form, 00 00), *content its content (without 00 00). c moves
 * past the element on success. want_tag < 0 accepts any identifier except 00.
 * Returns 0 or a negative code (X509ASN_E_TAG for another identifier). */
X509ASN_HIDDEN int asn_take_any(asn_cur* c, int want_tag, asn_hdr* h, asn_cur* elem,
                                asn_cur* content);
/* asn_take, with the common case inline: an element of the expected tag
 * in the short definite form (content under 128 octets) is taken here,
 * every other case by asn_take_any with the same results. */
static inline int asn_take(asn_cur* c, int want_tag, asn_hdr* h, asn_cur* elem, asn_cur* content) {
  const unsigned char* p = c->p;
  uint32_t left = cur_left(c);
  if (left < 2 || p[1] >= 0x80 || (p[0] & 0x1F) == 0x1F) return asn_take_any(c, want_tag, h, elem, content);
  if (want_tag >= 0 ? p[0] != (unsigned char)want_tag : p[0] == 0x00) return X509ASN_E_TAG;
  uint32_t len = p[1];
  if (len > left - 2) return X509ASN_E_SHORT;
  if (h != NULL) {
    h->tag = p[0];
    h->indefinite = 0;
    h->hdr_len = 2;
    h->len = len;
  }
  if (elem != NULL) {
    elem->p = p;
    elem->end = p + 2 + len;
  }
  if (content != NULL) {
    content->p = p + 2;
    content->end = p + 2 + len;
  }
  c->p = p + 2 + len;
  return 0;
}

/* Checks OID content octets for structure only (any arc size): non-empty, no
 * subidentifier starting with 0x80, last octet ends a subidentifier. The one
 * check behind asn1_oid_check and every reader of an OBJECT IDENTIFIER;
 * 0 or X509ASN_E_VALUE. */
X509ASN_HIDDEN int asn_oid_check(const unsigned char* p, uint32_t n);
/* The same over the octets under a cursor (what asn1_oid_check checks). */
static inline int cur_oid_check(const asn_cur* c) { return asn_oid_check(c->p, cur_left(c)); }

/* Frees a block a record held, unless it is embedded in the record's object
 * (an odd address: buffer.c). Every block the library replaces or releases
 * goes through here. NULL is ignored. */
X509ASN_HIDDEN void asn_free_block(unsigned char* block);

/* Makes at least n octets of room in front of b's content, moving b into a
 * new owned block when needed. When old_block is not NULL the replaced block
 * is handed back instead of freed (the caller frees it with asn_free_block
 * after copying from it). 0, X509ASN_E_NOMEM or X509ASN_E_RANGE; b unchanged on failure. */
X509ASN_HIDDEN int asn_reserve(Buffer* b, uint32_t n, unsigned char** old_block);

/* Prepends n octets from src (may be NULL when n is 0). Same codes. */
X509ASN_HIDDEN int asn_prepend(Buffer* b, const void* src, uint32_t n);

/* Number of octets of a DER header for a content length. */
X509ASN_HIDDEN uint32_t asn_hdr_size(uint32_t content_len);
/* Writes a DER header (identifier, minimal definite length) ending at dst_end
 * (the header occupies the asn_hdr_size(len) octets before it). */
X509ASN_HIDDEN void asn_put_hdr(unsigned char* dst_end, unsigned char tag, uint32_t content_len);

/* A growing text or octet string for the renderers. */
typedef struct asn_sb {
  unsigned char* p;
  uint32_t len;
  uint32_t cap;
  int failed; /* sticky X509ASN_E_NOMEM / X509ASN_E_RANGE */
} asn_sb;

X509ASN_HIDDEN void sb_put(asn_sb* sb, const void* src, uint32_t n);
X509ASN_HIDDEN void sb_putc(asn_sb* sb, unsigned char c);
X509ASN_HIDDEN void sb_puts(asn_sb* sb, const char* s);
X509ASN_HIDDEN void sb_hex(asn_sb* sb, const unsigned char* p, uint32_t n);
/* Hands the string over to out as an owned buffer with a zero octet after
 * it; returns out->len or the sticky failure (then everything is freed). */
X509ASN_HIDDEN int sb_finish(asn_sb* sb, Buffer* out);
X509ASN_HIDDEN void sb_free(asn_sb* sb);

#endif /* PKIX_PLATFORM_X509ASN_INTERNAL_H_ */
