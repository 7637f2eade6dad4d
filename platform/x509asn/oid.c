/* Object identifiers: arcs to content octets and back, dotted text, and the
 * OID constants (length octet, then content octets). */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "internal.h"

/* Octets of one subidentifier in base 128. */
static uint32_t septets(uint64_t v) {
  uint32_t n = 1;
  while (v >= 0x80) {
    v >>= 7;
    ++n;
  }
  return n;
}

/* Writes v in base 128 ending at end; returns the new start. */
static unsigned char* put_subid(unsigned char* end, uint64_t v) {
  unsigned char* p = end;
  *--p = (unsigned char)(v & 0x7F);
  v >>= 7;
  while (v != 0) {
    *--p = (unsigned char)(0x80 | (v & 0x7F));
    v >>= 7;
  }
  return p;
}

int asn1_enc_objid(const uint32_t* arcs, uint32_t count, Buffer* b) {
  if (arcs == NULL || b == NULL || count < 2 || arcs[0] > 2) return X509ASN_E_ARG;
  if (arcs[0] < 2 && arcs[1] > 39) return X509ASN_E_ARG;
  uint64_t first = (uint64_t)arcs[0] * 40 + arcs[1];
  uint64_t total = septets(first);
  for (uint32_t i = 2; i < count; ++i) total += septets(arcs[i]);
  if (total > 0x7FFFFFFFu) return X509ASN_E_RANGE;
  int r = asn_reserve(b, (uint32_t)total, NULL);
  if (r != 0) return r;
  unsigned char* p = b->data;
  for (uint32_t i = count - 1; i >= 2; --i) p = put_subid(p, arcs[i]);
  p = put_subid(p, first);
  b->data = p;
  b->len += (uint32_t)total;
  return 0;
}

int asn_oid_check(const unsigned char* p, uint32_t n) {
  if (n == 0) return X509ASN_E_VALUE;
  if (p[n - 1] & 0x80) return X509ASN_E_VALUE;
  /* A subidentifier starts at 0 and after every octet without the top bit;
   * none may start with 0x80 (a leading zero group). */
  if (p[0] == 0x80) return X509ASN_E_VALUE;
  for (uint32_t i = 1; i < n; ++i) {
    if (p[i] == 0x80 && (p[i - 1] & 0x80) == 0) return X509ASN_E_VALUE;
  }
  return 0;
}

int asn1_oid_check(const Buffer* content) {
  if (content == NULL) return X509ASN_E_ARG;
  return asn_oid_check(content->data, content->len);
}

int asn1_dec_objid(const Buffer* content, uint32_t* arcs, uint32_t max) {
  if (content == NULL) return X509ASN_E_ARG;
  const unsigned char* p = content->data;
  uint32_t n = content->len;
  int r = asn1_oid_check(content);
  if (r != 0) return r;
  /* Two passes: check and count first, so arcs stays unchanged on failure. */
  for (int pass = 0; pass < 2; ++pass) {
    uint32_t count = 0;
    uint64_t v = 0;
    for (uint32_t i = 0; i < n; ++i) {
      if (v > (UINT64_MAX >> 7)) return X509ASN_E_RANGE;
      v = (v << 7) | (p[i] & 0x7F);
      if (p[i] & 0x80) continue;
      /* One subidentifier complete. */
      uint64_t a0 = 0, a1 = v;
      if (count == 0) {
        a0 = v < 40 ? 0 : v < 80 ? 1 : 2;
        a1 = v - 40 * a0;
      }
      if (a1 > UINT32_MAX) return X509ASN_E_RANGE;
      if (count == 0) {
        if (pass == 1) {
          arcs[0] = (uint32_t)a0;
          arcs[1] = (uint32_t)a1;
        }
        count = 2;
      } else {
        if (pass == 1) arcs[count] = (uint32_t)a1;
        ++count;
      }
      v = 0;
    }
    if (pass == 0) {
      if (arcs == NULL) return (int)count;
      if (count > max) return X509ASN_E_RANGE;
    } else {
      return (int)count;
    }
  }
  return X509ASN_E_VALUE; /* not reached */
}

/* Decimal digits of a subidentifier of any size, minus sub (< 10^9, and
 * known to be at most its value): the base-128 digits accumulated into
 * base-10^9 limbs, least significant first. Writes the digits and a zero to
 * out when they fit in cap; returns their number, -1 when they do not fit,
 * -2 when memory is short. */
static int big_decimal(const unsigned char* p, uint32_t n, uint32_t sub, char* out, uint32_t cap) {
  uint64_t max_limbs = (uint64_t)n * 7 / 29 + 2;
  uint32_t* limb = malloc((size_t)max_limbs * sizeof *limb);
  if (limb == NULL) return -2;
  uint32_t used = 1;
  limb[0] = 0;
  for (uint32_t i = 0; i < n; ++i) {
    uint64_t carry = p[i] & 0x7F;
    for (uint32_t k = 0; k < used; ++k) {
      uint64_t x = (uint64_t)limb[k] * 128 + carry;
      limb[k] = (uint32_t)(x % 1000000000u);
      carry = x / 1000000000u;
    }
    if (carry != 0) limb[used++] = (uint32_t)carry;
  }
  uint32_t borrow = sub;
  for (uint32_t k = 0; k < used && borrow != 0; ++k) {
    if (limb[k] >= borrow) {
      limb[k] -= borrow;
      borrow = 0;
    } else {
      limb[k] = limb[k] + 1000000000u - borrow;
      borrow = 1;
    }
  }
  while (used > 1 && limb[used - 1] == 0) --used;
  char head[16];
  int hl = snprintf(head, sizeof head, "%u", limb[used - 1]);
  uint64_t len = (uint64_t)hl + 9ull * (used - 1);
  int r;
  if (len + 1 > cap) {
    r = -1;
  } else {
    memcpy(out, head, (size_t)hl);
    char* q = out + hl;
    for (uint32_t k = used - 1; k-- > 0; q += 9) {
      uint32_t v = limb[k];
      for (int d = 8; d >= 0; --d, v /= 10) q[d] = (char)('0' + v % 10);
    }
    *q = 0;
    r = (int)len;
  }
  free(limb);
  return r;
}

int asn1_oid_to_text(const Buffer* content, char* text, uint32_t size) {
  if (content == NULL || text == NULL || size == 0) return X509ASN_E_ARG;
  text[0] = 0;
  const unsigned char* p = content->data;
  uint32_t n = content->len;
  int r = asn1_oid_check(content);
  if (r != 0) return r;
  uint32_t len = 0;
  uint32_t begin = 0;
  int first = 1;
  for (uint32_t i = 0; i < n; ++i) {
    if (p[i] & 0x80) continue;
    const unsigned char* s = p + begin;
    uint32_t sn = i + 1 - begin;
    begin = i + 1;
    char piece[48];
    int plen;
    if (sn <= 9) { /* fits in 63 bits */
      uint64_t v = 0;
      for (uint32_t k = 0; k < sn; ++k) v = (v << 7) | (s[k] & 0x7F);
      if (first) {
        unsigned a0 = v < 40 ? 0 : v < 80 ? 1 : 2;
        plen = snprintf(piece, sizeof piece, "%u.%llu", a0, (unsigned long long)(v - 40u * a0));
      } else {
        plen = snprintf(piece, sizeof piece, ".%llu", (unsigned long long)v);
      }
    } else {
      /* Large: written in place. Only a first subidentifier of arc 2 can be
       * this large (>= 2^63), so the first one is "2." and the value - 80. */
      const char* lead = first ? "2." : ".";
      uint32_t ll = first ? 2u : 1u;
      if (len + ll + 1 > size) {
        text[0] = 0;
        return X509ASN_E_RANGE;
      }
      memcpy(text + len, lead, ll);
      int d = big_decimal(s, sn, first ? 80u : 0u, text + len + ll, size - len - ll);
      if (d < 0) {
        text[0] = 0;
        return d == -2 ? X509ASN_E_NOMEM : X509ASN_E_RANGE;
      }
      len += ll + (uint32_t)d;
      first = 0;
      continue;
    }
    first = 0;
    if (len + (uint32_t)plen + 1 > size) {
      text[0] = 0;
      return X509ASN_E_RANGE;
    }
    memcpy(text + len, piece, (size_t)plen);
    len += (uint32_t)plen;
    text[len] = 0;
  }
  return (int)len;
}

int asn1_oid_eq(const Buffer* content, const unsigned char* oid) {
  if (content == NULL || oid == NULL) return 0;
  if (content->len != oid[0]) return 0;
  return content->len == 0 || memcmp(content->data, oid + 1, oid[0]) == 0;
}

int asn1_oid_view(const unsigned char* oid, Buffer* out) {
  if (out == NULL) return X509ASN_E_ARG;
  if (oid == NULL) {
    init_buffer(out);
    return X509ASN_E_ARG;
  }
  return set_buffer(out, oid[0], oid + 1);
}

/* ---- OID constants ------------------------------------------------------ */

#define OID(name, ...)                                                    \
  const unsigned char name[] = {(unsigned char)sizeof((unsigned char[]){__VA_ARGS__}), __VA_ARGS__}

/* 1.2.840.113549 = 2A 86 48 86 F7 0D */
OID(rsaEncryption, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01);
OID(new_dsa, 0x2A, 0x86, 0x48, 0xCE, 0x38, 0x04, 0x01);
OID(dhKeyAgreement, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x03, 0x01);
OID(dsa, 0x2B, 0x0E, 0x03, 0x02, 0x0C);
OID(dhpublicnumber, 0x2A, 0x86, 0x48, 0xCE, 0x3E, 0x02, 0x01);
OID(dsaWithSHA, 0x2B, 0x0E, 0x03, 0x02, 0x0D);
OID(dsaWithsha1, 0x2A, 0x86, 0x48, 0xCE, 0x38, 0x04, 0x03);
OID(md2WithRSAEncryption, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x02);
OID(md5WithRSAEncryption, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x04);
OID(sha1WithRSAEncryption, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x05);

/* id-ce = 2.5.29 = 55 1D */
OID(SubjectKeyIdentifier_Id, 0x55, 0x1D, 0x0E);
OID(KeyUsage_Id, 0x55, 0x1D, 0x0F);
OID(SubjectAltName_Id, 0x55, 0x1D, 0x11);
OID(IssuerAltName_Id, 0x55, 0x1D, 0x12);
OID(BasicConstraints_Id, 0x55, 0x1D, 0x13);
OID(CRLNumber_Id, 0x55, 0x1D, 0x14);
OID(ReasonCode_Id, 0x55, 0x1D, 0x15);
OID(InstructionCode_Id, 0x55, 0x1D, 0x17);
OID(InvalidityDate_Id, 0x55, 0x1D, 0x18);
OID(DeltaCRLIndicator_Id, 0x55, 0x1D, 0x1B);
OID(IssuingDistributionPoint_Id, 0x55, 0x1D, 0x1C);
OID(CertificateIssuer_Id, 0x55, 0x1D, 0x1D);
OID(NameConstraints_Id, 0x55, 0x1D, 0x1E);
OID(CRLDistributionPoints_Id, 0x55, 0x1D, 0x1F);
OID(AuthorityKeyIdentifier_Id, 0x55, 0x1D, 0x23);
OID(ExtendedKeyUsage_Id, 0x55, 0x1D, 0x25);

/* id-at = 2.5.4 = 55 04; 0.9.2342.19200300.100.1 = 09 92 26 89 93 F2 2C 64 01 */
OID(id_at_countryName, 0x55, 0x04, 0x06);
OID(id_at_stateOrProvinceName, 0x55, 0x04, 0x08);
OID(id_at_localityName, 0x55, 0x04, 0x07);
OID(id_at_organizationName, 0x55, 0x04, 0x0A);
OID(id_at_organizationalUnitName, 0x55, 0x04, 0x0B);
OID(id_at_commonName, 0x55, 0x04, 0x03);
OID(id_at_title, 0x55, 0x04, 0x0C);
OID(id_at_surname, 0x55, 0x04, 0x04);
OID(id_at_givenName, 0x55, 0x04, 0x2A);
OID(id_at_initials, 0x55, 0x04, 0x2B);
OID(id_emailAddress, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x01);
OID(id_domainComponent, 0x09, 0x92, 0x26, 0x89, 0x93, 0xF2, 0x2C, 0x64, 0x01, 0x19);
OID(id_at_serialNumber, 0x55, 0x04, 0x05);
OID(id_at_streetAddress, 0x55, 0x04, 0x09);
OID(id_userId, 0x09, 0x92, 0x26, 0x89, 0x93, 0xF2, 0x2C, 0x64, 0x01, 0x01);
OID(id_at_organizationIdentifier, 0x55, 0x04, 0x61);
OID(unstructedName, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x02);

OID(directoryName, 0xA4);
OID(gn_otherName, 0xA0);
OID(gn_rfc822Name, 0x81);
OID(gn_dNSName, 0x82);
OID(gn_x400Address, 0xA3);
OID(gn_ediPartyName, 0xA5);
OID(gn_uniformResourceIdentifier, 0x86);
OID(gn_iPAddress, 0x87);
OID(gn_registeredID, 0x88);
