/* Names as text: x509_parse_name renders a Name or GeneralNames in the text
 * form that the module's distinguished-name parser reads back, and
 * x509_esc_value escapes one value. The format is documented in the header. */
#include <arpa/inet.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "internal.h"

/* ---- UTF-8 -------------------------------------------------------------- */

/* Length of the well-formed UTF-8 sequence at p (1 to 4), or 0. */
static uint32_t utf8_seq(const unsigned char* p, uint32_t n) {
  unsigned char c = p[0];
  if (c < 0x80) return 1;
  uint32_t len;
  uint32_t cp;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (n < len) return 0;
  for (uint32_t i = 1; i < len; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (p[i] & 0x3F);
  }
  if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000)) return 0; /* overlong */
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

static void put_utf8(asn_sb* sb, uint32_t cp) {
  unsigned char u[4];
  uint32_t n;
  if (cp < 0x80) {
    u[0] = (unsigned char)cp;
    n = 1;
  } else if (cp < 0x800) {
    u[0] = (unsigned char)(0xC0 | (cp >> 6));
    u[1] = (unsigned char)(0x80 | (cp & 0x3F));
    n = 2;
  } else if (cp < 0x10000) {
    u[0] = (unsigned char)(0xE0 | (cp >> 12));
    u[1] = (unsigned char)(0x80 | ((cp >> 6) & 0x3F));
    u[2] = (unsigned char)(0x80 | (cp & 0x3F));
    n = 3;
  } else {
    u[0] = (unsigned char)(0xF0 | (cp >> 18));
    u[1] = (unsigned char)(0x80 | ((cp >> 12) & 0x3F));
    u[2] = (unsigned char)(0x80 | ((cp >> 6) & 0x3F));
    u[3] = (unsigned char)(0x80 | (cp & 0x3F));
    n = 4;
  }
  sb_put(sb, u, n);
}

/* The value of a string type converted to UTF-8 into out; 0, or -1 when the
 * type is not a string type or the octets do not convert. */
static int to_utf8(unsigned char tag, const unsigned char* p, uint32_t n, asn_sb* out) {
  switch (tag) {
    case 0x0C: /* UTF8String */
      for (uint32_t i = 0; i < n;) {
        uint32_t k = utf8_seq(p + i, n - i);
        if (k == 0) return -1;
        i += k;
      }
      sb_put(out, p, n);
      return 0;
    case 0x12: /* NumericString */
    case 0x13: /* PrintableString */
    case 0x16: /* IA5String */
    case 0x1A: /* VisibleString */
      for (uint32_t i = 0; i < n; ++i)
        if (p[i] >= 0x80) return -1;
      sb_put(out, p, n);
      return 0;
    case 0x14: /* TeletexString, read as ISO-8859-1 */
      for (uint32_t i = 0; i < n; ++i) put_utf8(out, p[i]);
      return 0;
    case 0x1E: /* BMPString, UTF-16 big-endian */
      if (n % 2 != 0) return -1;
      for (uint32_t i = 0; i < n; i += 2) {
        uint32_t u = (uint32_t)p[i] << 8 | p[i + 1];
        if (u >= 0xDC00 && u <= 0xDFFF) return -1;
        if (u >= 0xD800 && u <= 0xDBFF) {
          if (i + 4 > n) return -1;
          uint32_t lo = (uint32_t)p[i + 2] << 8 | p[i + 3];
          if (lo < 0xDC00 || lo > 0xDFFF) return -1;
          u = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
          i += 2;
        }
        put_utf8(out, u);
      }
      return 0;
    case 0x1C: /* UniversalString, UCS-4 big-endian */
      if (n % 4 != 0) return -1;
      for (uint32_t i = 0; i < n; i += 4) {
        uint32_t u = (uint32_t)p[i] << 24 | (uint32_t)p[i + 1] << 16 | (uint32_t)p[i + 2] << 8 | p[i + 3];
        if (u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) return -1;
        put_utf8(out, u);
      }
      return 0;
    default:
      return -1;
  }
}

/* ---- escaping ----------------------------------------------------------- */

static int is_special(unsigned char c) {
  return c == '"' || c == '#' || c == '+' || c == ',' || c == ';' || c == '<' || c == '>' ||
         c == '=' || c == '\\';
}

static void put_hex_escape(asn_sb* sb, unsigned char c) {
  sb_putc(sb, '\\');
  sb_hex(sb, &c, 1);
}

static void escape_into(asn_sb* sb, const unsigned char* p, uint32_t n, int utf8) {
  for (uint32_t i = 0; i < n; ++i) {
    unsigned char c = p[i];
    if (is_special(c)) {
      unsigned char two[2] = {'\\', c};
      sb_put(sb, two, 2);
    } else if (c == ' ' && (i == 0 || i == n - 1)) {
      put_hex_escape(sb, c);
    } else if (c < 0x20 || c == 0x7F) {
      put_hex_escape(sb, c);
    } else if (c >= 0x80) {
      uint32_t k = utf8 ? utf8_seq(p + i, n - i) : 0;
      if (k == 0) {
        put_hex_escape(sb, c);
      } else {
        sb_put(sb, p + i, k);
        i += k - 1;
      }
    } else {
      sb_putc(sb, c);
    }
  }
}

int x509_esc_value(const Buffer* in, Buffer* out, int flags) {
  if (out == NULL) return X509ASN_E_ARG;
  init_buffer(out);
  if (in == NULL || (in->len != 0 && in->data == NULL) ||
      (flags != X509_ESC_ASCII && flags != X509_ESC_UTF8))
    return X509ASN_E_ARG;
  asn_sb sb = {0};
  escape_into(&sb, in->data, in->len, flags == X509_ESC_UTF8);
  return sb_finish(&sb, out);
}

/* ---- rendering ---------------------------------------------------------- */

/* "#" and the element tag, DER length, content in hexadecimal. */
static void put_hex_form(asn_sb* sb, unsigned char tag, const unsigned char* p, uint32_t n) {
  unsigned char hdr[6];
  uint32_t size = asn_hdr_size(n);
  asn_put_hdr(hdr + size, tag, n);
  sb_putc(sb, '#');
  sb_hex(sb, hdr, size);
  sb_hex(sb, p, n);
}

/* A string value as text (converted to UTF-8, escaped), else in hex form. */
static void put_value(asn_sb* sb, unsigned char tag, const Buffer* v, int utf8) {
  asn_sb conv = {0};
  if (to_utf8(tag, v->data, v->len, &conv) == 0 && !conv.failed) {
    escape_into(sb, conv.p, conv.len, utf8);
  } else if (conv.failed) {
    sb->failed = conv.failed;
  } else {
    put_hex_form(sb, tag, v->data, v->len);
  }
  sb_free(&conv);
}

static const x509_keyword_t* rdn_keyword(const Buffer* type) {
  for (int i = 0; i < X509_SUB_RDN_COUNT; ++i)
    if (asn1_oid_eq(type, sub_rdn[i].oid)) return &sub_rdn[i];
  return NULL;
}

static const x509_keyword_t* rgn_keyword(unsigned char tag) {
  for (int i = 0; i < X509_SUB_RGN_COUNT; ++i)
    if (sub_rgn[i].oid[0] == 1 && sub_rgn[i].oid[1] == tag) return &sub_rgn[i];
  return NULL;
}

static int put_oid_text(asn_sb* sb, const Buffer* type) {
  /* At most four characters per content octet (".127"), and "2." ahead. */
  uint64_t size = (uint64_t)type->len * 4 + 8;
  if (size > 0x7FFFFFFFu) return X509ASN_E_RANGE;
  char* text = malloc((size_t)size);
  if (text == NULL) return X509ASN_E_NOMEM;
  int r = asn1_oid_to_text(type, text, (uint32_t)size);
  if (r >= 0) sb_put(sb, text, (uint32_t)r);
  free(text);
  return r < 0 ? r : 0;
}

/* Appends the attributes of the Name at name; *count (optional) gets their
 * number. */
static int render_dn(asn_sb* sb, const Buffer* name, int utf8, uint32_t* count) {
  x509_walk_state_t st;
  unsigned char tag;
  Buffer type, value;
  int r = x509_dn_gfra(&st, name, &tag, &type, &value);
  uint32_t n = 0;
  int prev_enclosed = 0;
  while (r == 1) {
    if (n > 0) sb_puts(sb, prev_enclosed ? "+" : ", ");
    const x509_keyword_t* kw = rdn_keyword(&type);
    if (kw != NULL) {
      sb_put(sb, kw->keyword, (uint32_t)kw->keyword_len);
      sb_putc(sb, '=');
      put_value(sb, tag, &value, utf8);
    } else {
      int e = put_oid_text(sb, &type);
      if (e != 0) return e;
      sb_putc(sb, '=');
      put_hex_form(sb, tag, value.data, value.len);
    }
    prev_enclosed = st.enclosed != 0;
    ++n;
    r = x509_dn_gnra(&st, &tag, &type, &value);
  }
  if (r < 0) return r;
  if (count != NULL) *count = n;
  return sb->failed;
}

static void put_ipv4(asn_sb* sb, const unsigned char* p) {
  char text[16];
  int n = snprintf(text, sizeof text, "%u.%u.%u.%u", p[0], p[1], p[2], p[3]);
  sb_put(sb, text, (uint32_t)n);
}

static void put_ipv6(asn_sb* sb, const unsigned char* p) {
  char text[INET6_ADDRSTRLEN];
  if (inet_ntop(AF_INET6, p, text, sizeof text) != NULL) sb_puts(sb, text);
}

static void put_ip(asn_sb* sb, const Buffer* v) {
  const unsigned char* p = v->data;
  switch (v->len) {
    case 4: put_ipv4(sb, p); break;
    case 8: put_ipv4(sb, p); sb_putc(sb, '/'); put_ipv4(sb, p + 4); break;
    case 16: put_ipv6(sb, p); break;
    case 32: put_ipv6(sb, p); sb_putc(sb, '/'); put_ipv6(sb, p + 16); break;
    default: put_hex_form(sb, 0x87, p, v->len); break;
  }
}

static int render_gn(asn_sb* sb, const Buffer* name, int utf8) {
  x509_walk_state_t st;
  unsigned char tag;
  Buffer type, value;
  /* First pass: may the directory name be written as plain attributes? */
  uint32_t total = 0, dir_count = 0;
  int last_is_dir = 0;
  int r = x509_gfra(&st, name, &tag, &type, &value);
  while (r == 1) {
    ++total;
    last_is_dir = tag == 0xA4;
    if (last_is_dir) ++dir_count;
    r = x509_gnra(&st, &tag, &type, &value);
  }
  if (r < 0) return r;
  int inline_dir = dir_count == 1 && last_is_dir;
  if (inline_dir) {
    /* Not when it has no attributes: nothing would be written. */
    r = x509_gfra(&st, name, &tag, &type, &value);
    while (r == 1 && tag != 0xA4) r = x509_gnra(&st, &tag, &type, &value);
    x509_walk_state_t inner;
    if (r == 1 && x509_dn_gfra(&inner, &value, NULL, NULL, NULL) != 1) inline_dir = 0;
  }
  uint32_t i = 0;
  r = x509_gfra(&st, name, &tag, &type, &value);
  while (r == 1) {
    if (i > 0) sb_puts(sb, ", ");
    const x509_keyword_t* kw = rgn_keyword(tag);
    if (tag == 0xA4 && inline_dir && i == total - 1) {
      int e = render_dn(sb, &value, utf8, NULL);
      if (e != 0) return e;
    } else if (kw == NULL) {
      return X509ASN_E_NAME; /* the walker delivers only the nine choices */
    } else {
      sb_put(sb, kw->keyword, (uint32_t)kw->keyword_len);
      sb_putc(sb, '=');
      switch (tag) {
        case 0x81: /* rfc822Name */
        case 0x82: /* dNSName */
        case 0x86: /* uniformResourceIdentifier */
          escape_into(sb, value.data, value.len, utf8);
          break;
        case 0x87: /* iPAddress */
          put_ip(sb, &value);
          break;
        default:
          put_hex_form(sb, tag, value.data, value.len);
          break;
      }
    }
    ++i;
    r = x509_gnra(&st, &tag, &type, &value);
  }
  if (r < 0) return r;
  return sb->failed;
}

int x509_parse_name(const Buffer* der, Buffer* text, int mode) {
  if (text == NULL) return X509ASN_E_ARG;
  init_buffer(text);
  if (der == NULL || (mode != 1 && mode != 3)) return X509ASN_E_ARG;
  int kind = isDN(der);
  if (kind < 0) return kind;
  asn_sb sb = {0};
  int r = kind == 1 ? render_dn(&sb, der, mode == 3, NULL) : render_gn(&sb, der, mode == 3);
  if (r != 0) {
    sb_free(&sb);
    return r;
  }
  return sb_finish(&sb, text);
}
