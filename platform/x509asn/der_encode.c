/* DER encoding: headers prepended in front of the content they cover. */
#include <stdint.h>
#include <string.h>

#include "internal.h"

uint32_t asn_hdr_size(uint32_t len) {
  if (len < 0x80) return 2;
  if (len <= 0xFF) return 3;
  if (len <= 0xFFFF) return 4;
  if (len <= 0xFFFFFF) return 5;
  return 6;
}

void asn_put_hdr(unsigned char* dst_end, unsigned char tag, uint32_t len) {
  uint32_t size = asn_hdr_size(len);
  unsigned char* p = dst_end - size;
  p[0] = tag;
  if (size == 2) {
    p[1] = (unsigned char)len;
    return;
  }
  uint32_t n = size - 2;
  p[1] = (unsigned char)(0x80 | n);
  for (uint32_t i = 0; i < n; ++i) p[2 + i] = (unsigned char)(len >> (8 * (n - 1 - i)));
}

/* Prepends a header for a content of len octets (already in front of b). */
static int prepend_hdr(Buffer* b, unsigned char tag, uint32_t len) {
  unsigned char hdr[6];
  uint32_t size = asn_hdr_size(len);
  asn_put_hdr(hdr + size, tag, len);
  return asn_prepend(b, hdr, size);
}

int asn1_der_encode(unsigned char tag, Buffer* b) {
  if (b == NULL || (tag & 0x1F) == 0x1F) return X509ASN_E_ARG;
  return prepend_hdr(b, tag, b->len);
}

int asn1_der_encode_integer(Buffer* b) {
  if (b == NULL) return X509ASN_E_ARG;
  if (b->len == 0) {
    static const unsigned char kZero[3] = {0x02, 0x01, 0x00};
    return asn_prepend(b, kZero, 3);
  }
  return prepend_hdr(b, 0x02, b->len);
}

int asn1_der_encode_uint(Buffer* b) {
  if (b == NULL) return X509ASN_E_ARG;
  Buffer saved = *b;
  while (b->len > 1 && b->data[0] == 0) {
    b->data++;
    b->len--;
  }
  if (b->len == 0 || (b->data[0] & 0x80) != 0) {
    /* 00 sign octet (or the zero value) in front, then the header. */
    if (b->len == (uint32_t)INT32_MAX) {
      *b = saved;
      return X509ASN_E_RANGE;
    }
    unsigned char two[7];
    uint32_t len = b->len + 1;
    uint32_t size = asn_hdr_size(len);
    asn_put_hdr(two + size, 0x02, len);
    two[size] = 0x00;
    int r = asn_prepend(b, two, size + 1);
    if (r != 0) *b = saved;
    return r;
  }
  int r = prepend_hdr(b, 0x02, b->len);
  if (r != 0) *b = saved;
  return r;
}

int asn1_der_encode_bit_string(Buffer* b) {
  if (b == NULL) return X509ASN_E_ARG;
  if (b->len >= 0xFFFFFFF0u) return X509ASN_E_RANGE;
  unsigned char hdr[7];
  uint32_t len = b->len + 1;
  uint32_t size = asn_hdr_size(len);
  asn_put_hdr(hdr + size, 0x03, len);
  hdr[size] = 0x00; /* unused bits */
  return asn_prepend(b, hdr, size + 1);
}
