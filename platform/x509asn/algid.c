/* AlgorithmIdentifier and SubjectPublicKeyInfo. */
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "internal.h"

int x509_parse_algid(Buffer* b, Buffer* oid, Buffer* params) {
  if (b == NULL) return X509ASN_E_ARG;
  /* AlgorithmIdentifier ::= SEQUENCE { */
  asn_cur c = cur_of(b), body, oid_content, param_elem = {NULL, NULL};
  int r = asn_take(&c, 0x30, NULL, NULL, &body);
  if (r != 0) return r;
  /*   algorithm OBJECT IDENTIFIER, */
  r = asn_take(&body, 0x06, NULL, NULL, &oid_content);
  if (r != 0) return r;
  r = cur_oid_check(&oid_content);
  if (r != 0) return r;
  /*   parameters ANY DEFINED BY algorithm OPTIONAL } */
  if (!cur_empty(&body)) {
    r = asn_take(&body, -1, NULL, &param_elem, NULL);
    if (r != 0) return r;
    if (!cur_empty(&body)) return X509ASN_E_TRAILING;
  }
  if (oid != NULL) set_buffer(oid, cur_left(&oid_content), oid_content.p);
  if (params != NULL) {
    if (param_elem.p != NULL)
      set_buffer(params, cur_left(&param_elem), param_elem.p);
    else
      init_buffer(params);
  }
  buf_advance_to(b, &c);
  return 0;
}

/* Writes SEQUENCE { 06 oid, params } ending at end; returns its start. The
 * caller has made the room (algid_size octets). */
static unsigned char* put_algid(unsigned char* end, const Buffer* oid, const Buffer* params) {
  uint32_t plen = params != NULL ? params->len : 0;
  unsigned char* p = end - plen;
  if (plen != 0) memmove(p, params->data, plen);
  p -= oid->len;
  memmove(p, oid->data, oid->len);
  asn_put_hdr(p, 0x06, oid->len);
  p -= asn_hdr_size(oid->len);
  uint32_t body = (uint32_t)(end - p);
  asn_put_hdr(p, 0x30, body);
  return p - asn_hdr_size(body);
}

/* Octets of the AlgorithmIdentifier, or 0 when too large. */
static uint64_t algid_size(const Buffer* oid, const Buffer* params) {
  uint64_t body = (uint64_t)asn_hdr_size(oid->len) + oid->len + (params != NULL ? params->len : 0);
  if (body > 0x7FFFFFF0u) return 0;
  return body + asn_hdr_size((uint32_t)body);
}

/* The encoders write only well-formed OIDs: a malformed one would give DER
 * that every reader (this library's included) refuses. */
static int check_algid_args(const Buffer* oid, const Buffer* params) {
  if (oid == NULL || oid->len == 0 || oid->data == NULL) return X509ASN_E_ARG;
  if (params != NULL && params->len != 0 && params->data == NULL) return X509ASN_E_ARG;
  return asn1_oid_check(oid);
}

int x509_enc_algid(const Buffer* oid, const Buffer* params, Buffer* out) {
  if (out == NULL) return X509ASN_E_ARG;
  int r = check_algid_args(oid, params);
  if (r != 0) return r;
  uint64_t size = algid_size(oid, params);
  if (size == 0 || size + out->len > 0xFFFFFFF0u) return X509ASN_E_RANGE;
  /* Copies of the inputs' positions stay valid: the old block is freed only
   * after writing, in case oid or params point into out. */
  unsigned char* old = NULL;
  r = asn_reserve(out, (uint32_t)size, &old);
  if (r != 0) return r;
  put_algid(out->data, oid, params);
  out->data -= size;
  out->len += (uint32_t)size;
  asn_free_block(old);
  return 0;
}

int x509_encode_spki(const Buffer* oid, const Buffer* params, const Buffer* bits, Buffer* out) {
  if (out == NULL) return X509ASN_E_ARG;
  int r = check_algid_args(oid, params);
  if (r != 0) return r;
  uint32_t blen = bits != NULL ? bits->len : 0;
  if (blen != 0 && bits->data == NULL) return X509ASN_E_ARG;
  uint64_t alg = algid_size(oid, params);
  if (alg == 0 || blen > 0x7FFFFFF0u) return X509ASN_E_RANGE;
  uint64_t bit_elem = (uint64_t)asn_hdr_size(blen + 1) + 1 + blen;
  uint64_t body = alg + bit_elem;
  if (body > 0x7FFFFFF0u) return X509ASN_E_RANGE;
  uint64_t size = body + asn_hdr_size((uint32_t)body);
  if (size + out->len > 0xFFFFFFF0u) return X509ASN_E_RANGE;
  unsigned char* old = NULL;
  r = asn_reserve(out, (uint32_t)size, &old);
  if (r != 0) return r;
  unsigned char* end = out->data;
  /* subjectPublicKey BIT STRING */
  unsigned char* p = end - blen;
  if (blen != 0) memmove(p, bits->data, blen);
  *--p = 0x00; /* unused bits */
  asn_put_hdr(p, 0x03, blen + 1);
  p -= asn_hdr_size(blen + 1);
  /* algorithm AlgorithmIdentifier */
  p = put_algid(p, oid, params);
  asn_put_hdr(p, 0x30, (uint32_t)body);
  out->data -= size;
  out->len += (uint32_t)size;
  asn_free_block(old);
  return 0;
}
