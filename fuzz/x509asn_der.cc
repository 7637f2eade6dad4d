// Fuzz target: the DER decoders of libs_x509asn over arbitrary octets.
// Every decoder either fails without consuming or consumes what it reports;
// views stay inside the input; DER that decodes re-encodes to the same
// octets (INTEGER, BIT STRING with 0 unused bits, OID, canonical times,
// AlgorithmIdentifier). Every OID a decoder delivers passes asn1_oid_check.
// The empty record {NULL, NULL, 0} (absent algorithm parameters, for one) is
// decoded as well: its null pointer must never be offset.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "contract/x509asn.h"

namespace {

const uint8_t* g_begin;
const uint8_t* g_end;

void Check(bool ok) {
  if (!ok) std::abort();
}

void InInput(const Buffer& v) {
  if (v.len == 0) return;
  Check(v.data >= g_begin && v.data + v.len <= g_end);
}

// A decoder result against the cursor movement.
void Moved(const Buffer& before, const Buffer& after, int r) {
  if (r < 0 && r != X509ASN_INDEFINITE) {
    Check(after.data == before.data && after.len == before.len);
  } else {
    Check(after.data >= before.data && after.data + after.len == before.data + before.len);
  }
}

bool SameAs(const Buffer& encoded, const uint8_t* p, uint32_t n) {
  return encoded.len == n && std::memcmp(encoded.data, p, n) == 0;
}

// Encodes content with a wrapper and compares with the element's octets.
void ReEncode(const Buffer& content, const Buffer& element, int (*wrap)(Buffer*), bool definite) {
  if (!definite) return;
  Buffer b;
  init_buffer(&b);
  Check(insert_buffer(&b, &content) == 0);
  Check(wrap(&b) == 0);
  Check(SameAs(b, element.data, element.len));
  release_buffer(&b);
}

int WrapInteger(Buffer* b) { return asn1_der_encode_integer(b); }
int WrapBits(Buffer* b) { return asn1_der_encode_bit_string(b); }

// Tries every typed decoder at b (a copy each time).
void Typed(const Buffer& at) {
  Buffer b = at, v;
  int r;
  bool definite = at.len >= 2 && at.data[1] != 0x80;

  b = at;
  r = asn1_decode_integer(&b, &v);
  Moved(at, b, r);
  if (r >= 0) {
    InInput(v);
    Buffer elem = {nullptr, at.data, at.len - b.len};
    ReEncode(v, elem, WrapInteger, definite);
  }

  b = at;
  r = asn1_decode_bit_string(&b, &v);
  Moved(at, b, r);
  if (r >= 0) {
    InInput(v);
    Buffer elem = {nullptr, at.data, at.len - b.len};
    if (at.data[0] == 0x03 && elem.len >= 3 && v.data[-1] == 0) ReEncode(v, elem, WrapBits, definite);
  }

  b = at;
  int64_t t64;
  r = asn1_decode_time64(&b, &t64);
  Moved(at, b, r);
  if (r == 0 && t64 >= INT32_MIN && t64 <= INT32_MAX) {
    // Canonical DER text re-encodes to the same octets.
    uint32_t n = at.len - b.len;
    bool utc = at.data[0] == 0x17;
    bool canonical = n == (utc ? 15u : 17u) && at.data[n - 1] == 'Z';
    int64_t y1950 = -631152000, y2050 = 2524608000LL;
    bool right_type = utc == (t64 >= y1950 && t64 < y2050);
    if (canonical && right_type) {
      Buffer e;
      init_buffer(&e);
      Check(asn1_der_encode_time(static_cast<int32_t>(t64), &e) == 0);
      Check(SameAs(e, at.data, n));
      release_buffer(&e);
    }
    b = at;
    int32_t t32;
    Check(asn1_decode_time(&b, &t32) == 0 && t32 == t64);
  }

  b = at;
  Buffer oid, params;
  r = x509_parse_algid(&b, &oid, &params);
  Moved(at, b, r);
  if (r == 0) {
    InInput(oid);
    InInput(params);
    Check(asn1_oid_check(&oid) == 0);
    // Absent parameters are the empty record; a key reader decodes them next.
    if (params.len == 0) {
      Check(params.data == nullptr);
      Typed(params);
    }
    if (definite) {
      // Definite outer form and definite parameters: identical re-encoding.
      bool params_definite = params.len == 0 || params.data[1] != 0x80;
      if (params_definite) {
        Buffer e;
        init_buffer(&e);
        Check(x509_enc_algid(&oid, &params, &e) == 0);
        Check(SameAs(e, at.data, at.len - b.len));
        release_buffer(&e);
      }
    }
  }

  b = at;
  r = asn1_decode_primitive(0x06, &b, &v);
  Moved(at, b, r);
  if (r >= 0) {
    uint32_t arcs[64];
    int n = asn1_dec_objid(&v, arcs, 64);
    char text[1024];
    int tl = asn1_oid_to_text(&v, text, sizeof text);
    // One verdict on the octets' shape from all three readers.
    bool well_formed = asn1_oid_check(&v) == 0;
    Check(well_formed == (n != X509ASN_E_VALUE));
    Check(well_formed == (tl != X509ASN_E_VALUE));
    if (n >= 0) {
      Check(tl > 0);
      Buffer e;
      init_buffer(&e);
      Check(asn1_enc_objid(arcs, static_cast<uint32_t>(n), &e) == 0);
      Check(SameAs(e, v.data, v.len));
      release_buffer(&e);
    }
  }

  b = at;
  uint32_t len;
  r = asn1_read_length(&b, &len);
  Moved(at, b, r);
  b = at;
  (void)asn1_get_length(&b);
  Check(b.data >= at.data && b.data + b.len == at.data + at.len);
}

// Descends into constructed elements (bounded), trying every decoder at
// every element boundary met.
void Descend(Buffer b, int depth) {
  int elements = 0;
  while (b.len > 0 && elements++ < 64) {
    Typed(b);
    if (asn1_is_eoc(&b)) {
      shift_buffer(&b, 2);
      continue;
    }
    Buffer before = b, whole;
    int n = asn1_decode_any_type(&b, &whole);
    Moved(before, b, n);
    if (n < 0) return;
    InInput(whole);
    Check(static_cast<uint32_t>(n) == whole.len && whole.data == before.data);
    unsigned char tag = whole.data[0];
    Buffer inner = whole;
    int r = asn1_der_decode(tag, &inner);
    Check(r >= X509ASN_INDEFINITE);
    if (r == X509ASN_INDEFINITE) {
      Check(inner.len >= 2);
      inner.len -= 2;  // the closing 00 00 of this element
    } else {
      Check(static_cast<uint32_t>(r) <= inner.len);
      inner.len = static_cast<uint32_t>(r);
    }
    Buffer content;
    Buffer again = whole;
    int cl = asn1_decode_primitive(tag, &again, &content);
    Check(cl >= 0 && content.data == inner.data && content.len == inner.len && again.len == 0);
    if ((tag & 0x20) && depth < 8) Descend(inner, depth + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1u << 20) return 0;
  g_begin = data;
  g_end = data + size;
  Buffer b;
  set_buffer(&b, static_cast<uint32_t>(size), data);
  Descend(b, 0);
  Buffer none = {nullptr, nullptr, 0};
  Typed(none);
  // Header decoding with the first octet as the expected tag, and a wrong one.
  if (size > 0 && (data[0] & 0x1F) != 0x1F) {
    Buffer h = b;
    int r = asn1_der_decode(data[0], &h);
    Moved(b, h, r);
    Buffer w = b;
    Check(asn1_der_decode(static_cast<unsigned char>(data[0] ^ 0x40), &w) == X509ASN_E_TAG);
  }
  return 0;
}
