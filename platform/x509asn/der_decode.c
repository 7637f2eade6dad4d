/* DER (and BER indefinite-length) decoding over the read cursor. */
#include <stdint.h>
#include <string.h>

#include "internal.h"

int asn_read_hdr(const asn_cur* c, asn_hdr* h) {
  uint32_t left = cur_left(c);
  if (left == 0) return X509ASN_E_SHORT;
  const unsigned char* p = c->p;
  unsigned char tag = p[0];
  if ((tag & 0x1F) == 0x1F) return X509ASN_E_TAGFORM;
  if (left < 2) return X509ASN_E_SHORT;
  unsigned char l0 = p[1];
  h->tag = tag;
  h->indefinite = 0;
  if (l0 < 0x80) {
    h->hdr_len = 2;
    h->len = l0;
  } else if (l0 == 0x80) {
    /* Indefinite form: constructed elements only. */
    if ((tag & 0x20) == 0) return X509ASN_E_INDEF;
    h->hdr_len = 2;
    h->len = 0;
    h->indefinite = 1;
    return 0;
  } else {
    uint32_t n = l0 & 0x7Fu;
    if (n > 4) return X509ASN_E_LENGTH; /* also 0xFF, the reserved form */
    if (left - 2 < n) return X509ASN_E_SHORT;
    if (p[2] == 0) return X509ASN_E_LENGTH; /* leading zero octet: not minimal */
    uint32_t v = 0;
    for (uint32_t i = 0; i < n; ++i) v = (v << 8) | p[2 + i];
    if (n == 1 && v < 0x80) return X509ASN_E_LENGTH; /* short form would do */
    if (v > (uint32_t)INT32_MAX) return X509ASN_E_LENGTH;
    h->hdr_len = 2 + n;
    h->len = v;
  }
  if (h->len > left - h->hdr_len) return X509ASN_E_SHORT;
  return 0;
}

/* Length of the indefinite-length element whose header h is at p (the header
 * already read and checked): follows the content element by element to the
 * matching 00 00, iteratively, at most X509ASN_MAX_DEPTH levels deep. */
static int indefinite_span(const asn_cur* c, const asn_hdr* h, uint32_t* total) {
  asn_cur q = *c;
  q.p += h->hdr_len;
  uint32_t depth = 1;
  for (;;) {
    if (cur_left(&q) == 0) return X509ASN_E_SHORT;
    if (q.p[0] == 0x00) {
      /* End of contents: exactly 00 00. */
      if (cur_left(&q) < 2) return X509ASN_E_SHORT;
      if (q.p[1] != 0x00) return X509ASN_E_EOC;
      q.p += 2;
      if (--depth == 0) break;
      continue;
    }
    asn_hdr e;
    int r = asn_read_hdr(&q, &e);
    if (r != 0) return r;
    if (e.indefinite) {
      if (++depth > X509ASN_MAX_DEPTH) return X509ASN_E_DEPTH;
      q.p += e.hdr_len;
    } else {
      q.p += e.hdr_len + e.len;
    }
  }
  uint64_t span = (uint64_t)(q.p - c->p);
  if (span > (uint64_t)INT32_MAX) return X509ASN_E_LENGTH;
  *total = (uint32_t)span;
  return 0;
}

int asn_take(asn_cur* c, int want_tag, asn_hdr* h, asn_cur* elem, asn_cur* content) {
  if (cur_empty(c)) return X509ASN_E_SHORT;
  if (want_tag >= 0 ? c->p[0] != (unsigned char)want_tag : c->p[0] == 0x00) return X509ASN_E_TAG;
  asn_hdr hh;
  int r = asn_read_hdr(c, &hh);
  if (r != 0) return r;
  uint32_t total;
  uint32_t content_len;
  if (hh.indefinite) {
    r = indefinite_span(c, &hh, &total);
    if (r != 0) return r;
    content_len = total - hh.hdr_len - 2;
  } else {
    total = hh.hdr_len + hh.len;
    content_len = hh.len;
  }
  if (h != NULL) *h = hh;
  if (elem != NULL) {
    elem->p = c->p;
    elem->end = c->p + total;
  }
  if (content != NULL) {
    content->p = c->p + hh.hdr_len;
    content->end = content->p + content_len;
  }
  c->p += total;
  return 0;
}

/* Advances b to the cursor position. */
static void advance_to(Buffer* b, const asn_cur* c) {
  uint32_t n = (uint32_t)(c->p - b->data);
  b->data += n;
  b->len -= n;
}

static void view_of(Buffer* out, const asn_cur* c) {
  if (out == NULL) return;
  out->start = NULL;
  out->data = (unsigned char*)c->p;
  out->len = cur_left(c);
}

int asn1_der_decode(unsigned char tag, Buffer* b) {
  if (b == NULL) return X509ASN_E_ARG;
  if ((tag & 0x1F) == 0x1F) return X509ASN_E_TAGFORM;
  asn_cur c = cur_of(b);
  if (cur_empty(&c)) return X509ASN_E_SHORT;
  if (c.p[0] != tag) return X509ASN_E_TAG;
  asn_hdr h;
  int r = asn_read_hdr(&c, &h);
  if (r != 0) return r;
  b->data += h.hdr_len;
  b->len -= h.hdr_len;
  return h.indefinite ? X509ASN_INDEFINITE : (int)h.len;
}

int asn1_decode_primitive(unsigned char tag, Buffer* b, Buffer* out) {
  if (b == NULL) return X509ASN_E_ARG;
  if ((tag & 0x1F) == 0x1F) return X509ASN_E_TAGFORM;
  asn_cur c = cur_of(b), content;
  int r = asn_take(&c, tag, NULL, NULL, &content);
  if (r != 0) return r;
  view_of(out, &content);
  advance_to(b, &c);
  return (int)cur_left(&content);
}

int asn1_decode_integer(Buffer* b, Buffer* out) {
  if (b == NULL) return X509ASN_E_ARG;
  asn_cur c = cur_of(b), content;
  int r = asn_take(&c, 0x02, NULL, NULL, &content);
  if (r != 0) return r;
  uint32_t n = cur_left(&content);
  if (n == 0) return X509ASN_E_VALUE;
  if (n > 1) {
    /* DER: the first nine bits are neither all zero nor all one. */
    unsigned char a = content.p[0], s = content.p[1];
    if ((a == 0x00 && s < 0x80) || (a == 0xFF && s >= 0x80)) return X509ASN_E_VALUE;
  }
  view_of(out, &content);
  advance_to(b, &c);
  return (int)n;
}

int asn1_decode_bit_string(Buffer* b, Buffer* out) {
  if (b == NULL) return X509ASN_E_ARG;
  asn_cur c = cur_of(b), content;
  int r = asn_take(&c, 0x03, NULL, NULL, &content);
  if (r != 0) return r;
  uint32_t n = cur_left(&content);
  if (n == 0) return X509ASN_E_VALUE;
  unsigned char unused = content.p[0];
  if (unused > 7 || (n == 1 && unused != 0)) return X509ASN_E_VALUE;
  content.p += 1;
  view_of(out, &content);
  advance_to(b, &c);
  return (int)(n - 1);
}

int asn1_decode_any_type(Buffer* b, Buffer* out) {
  if (b == NULL) return X509ASN_E_ARG;
  asn_cur c = cur_of(b), elem;
  int r = asn_take(&c, -1, NULL, &elem, NULL);
  if (r != 0) return r;
  view_of(out, &elem);
  advance_to(b, &c);
  return (int)cur_left(&elem);
}

/* Reads length octets at c (not an identifier first). */
static int read_length(asn_cur* c, uint32_t* len, int* indefinite) {
  uint32_t left = cur_left(c);
  if (left == 0) return X509ASN_E_SHORT;
  unsigned char l0 = c->p[0];
  uint32_t used, v;
  *indefinite = 0;
  if (l0 < 0x80) {
    used = 1;
    v = l0;
  } else if (l0 == 0x80) {
    *indefinite = 1;
    *len = 0;
    c->p += 1;
    return 0;
  } else {
    uint32_t n = l0 & 0x7Fu;
    if (n > 4) return X509ASN_E_LENGTH;
    if (left - 1 < n) return X509ASN_E_SHORT;
    if (c->p[1] == 0) return X509ASN_E_LENGTH;
    v = 0;
    for (uint32_t i = 0; i < n; ++i) v = (v << 8) | c->p[1 + i];
    if (n == 1 && v < 0x80) return X509ASN_E_LENGTH;
    if (v > (uint32_t)INT32_MAX) return X509ASN_E_LENGTH;
    used = 1 + n;
  }
  if (v > left - used) return X509ASN_E_SHORT;
  c->p += used;
  *len = v;
  return 0;
}

int asn1_read_length(Buffer* b, uint32_t* len) {
  if (b == NULL || len == NULL) return X509ASN_E_ARG;
  asn_cur c = cur_of(b);
  uint32_t v;
  int indefinite;
  int r = read_length(&c, &v, &indefinite);
  if (r != 0) return r;
  *len = v;
  advance_to(b, &c);
  return indefinite ? 0 : 1;
}

uint32_t asn1_get_length(Buffer* b) {
  if (b == NULL) return 0;
  asn_cur c = cur_of(b);
  uint32_t v;
  int indefinite;
  if (read_length(&c, &v, &indefinite) != 0 || indefinite) return 0;
  advance_to(b, &c);
  return v;
}

int asn1_peek_tag(const Buffer* b) {
  if (b == NULL) return X509ASN_E_ARG;
  if (b->len == 0) return X509ASN_E_SHORT;
  return b->data[0];
}

int asn1_is_eoc(const Buffer* b) {
  return b != NULL && b->len >= 2 && b->data[0] == 0 && b->data[1] == 0;
}
