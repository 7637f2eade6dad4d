/* DER (and BER indefinite-length) decoding over the read cursor. */
#include <stdint.h>
#include <string.h>

#include "internal.h"

int asn_read_len(const unsigned char* p, uint32_t left, uint32_t* used, uint32_t* len,
                 int* indefinite) {
  if (left == 0) return X509ASN_E_SHORT;
  unsigned char l0 = p[0];
  uint32_t n = 1, v;
  if (l0 < 0x80) {
    v = l0;
  } else if (l0 == 0x80) {
    *used = 1;
    *len = 0;
    *indefinite = 1;
    return 0;
  } else {
    uint32_t k = l0 & 0x7Fu;
    if (k > 4) return X509ASN_E_LENGTH; /* also 0xFF, the reserved form */
    if (left - 1 < k) return X509ASN_E_SHORT;
    if (p[1] == 0) return X509ASN_E_LENGTH; /* leading zero octet: not minimal */
    v = 0;
    for (uint32_t i = 1; i <= k; ++i) v = (v << 8) | p[i];
    if (k == 1 && v < 0x80) return X509ASN_E_LENGTH; /* short form would do */
    if (v > (uint32_t)INT32_MAX) return X509ASN_E_LENGTH;
    n = 1 + k;
  }
  if (v > left - n) return X509ASN_E_SHORT;
  *used = n;
  *len = v;
  *indefinite = 0;
  return 0;
}

int asn_read_hdr(const asn_cur* c, asn_hdr* h) {
  uint32_t left = cur_left(c);
  if (left == 0) return X509ASN_E_SHORT;
  unsigned char tag = c->p[0];
  if ((tag & 0x1F) == 0x1F) return X509ASN_E_TAGFORM;
  if (left >= 2 && c->p[1] < 0x80) {
    /* The short definite form, most elements of a certificate: read here
     * as asn_read_len would, without the general length decoder. */
    if (c->p[1] > left - 2) return X509ASN_E_SHORT;
    h->tag = tag;
    h->indefinite = 0;
    h->hdr_len = 2;
    h->len = c->p[1];
    return 0;
  }
  uint32_t used, len;
  int indefinite;
  int r = asn_read_len(c->p + 1, left - 1, &used, &len, &indefinite);
  if (r != 0) return r;
  /* Indefinite form: constructed elements only. */
  if (indefinite && (tag & 0x20) == 0) return X509ASN_E_INDEF;
  h->tag = tag;
  h->indefinite = indefinite;
  h->hdr_len = 1 + used;
  h->len = len;
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

int asn_take_any(asn_cur* c, int want_tag, asn_hdr* h, asn_cur* elem, asn_cur* content) {
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
  buf_advance_to(b, &c);
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
  buf_advance_to(b, &c);
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
  buf_advance_to(b, &c);
  return (int)(n - 1);
}

int asn1_decode_any_type(Buffer* b, Buffer* out) {
  if (b == NULL) return X509ASN_E_ARG;
  asn_cur c = cur_of(b), elem;
  int r = asn_take(&c, -1, NULL, &elem, NULL);
  if (r != 0) return r;
  view_of(out, &elem);
  buf_advance_to(b, &c);
  return (int)cur_left(&elem);
}

int asn1_read_length(Buffer* b, uint32_t* len) {
  if (b == NULL || len == NULL) return X509ASN_E_ARG;
  uint32_t used, v;
  int indefinite;
  int r = asn_read_len(b->data, b->len, &used, &v, &indefinite);
  if (r != 0) return r;
  *len = v;
  b->data += used;
  b->len -= used;
  return indefinite ? 0 : 1;
}

uint32_t asn1_get_length(Buffer* b) {
  if (b == NULL) return 0;
  uint32_t used, v;
  int indefinite;
  if (asn_read_len(b->data, b->len, &used, &v, &indefinite) != 0 || indefinite) return 0;
  b->data += used;
  b->len -= used;
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
