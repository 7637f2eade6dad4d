#include "cert/basiccon.h"

#include "cert/x509.h"

extern "C" int parse_basic_constraints(Buffer* bc, uint8_t* ca, uint32_t* path_len) {
  if (ca != nullptr) *ca = 0;
  if (path_len != nullptr) *path_len = 0;
  if (bc == nullptr || ca == nullptr || bc->len == 0 || bc->data == nullptr) return X509_E_NULL;
  // BasicConstraints ::= SEQUENCE {
  Buffer b = *bc;
  int n = asn1_der_decode(0x30, &b);
  if (n < X509ASN_INDEFINITE) return n;
  bool indefinite = n == X509ASN_INDEFINITE;
  Buffer seq = {nullptr, b.data, indefinite ? b.len : static_cast<uint32_t>(n)};
  auto at_end = [&] { return indefinite ? asn1_is_eoc(&seq) != 0 : seq.len == 0; };
  //   cA BOOLEAN DEFAULT FALSE,
  if (!at_end() && asn1_peek_tag(&seq) == 0x01) {
    Buffer flag;
    int len = asn1_decode_primitive(0x01, &seq, &flag);
    if (len < 0) return len;
    if (len != 1) return X509_E_BOOLEAN;
    *ca = flag.data[0];
  }
  //   pathLenConstraint INTEGER (0..MAX) OPTIONAL }
  if (path_len == nullptr) return 0;
  if (!at_end()) {
    Buffer value;
    int len = asn1_decode_integer(&seq, &value);
    if (len < 0) return len;
    if (len > 4 || (value.data[0] & 0x80) != 0) return X509_E_PATHLEN;
    uint32_t v = 0;
    for (int i = 0; i < len; ++i) v = v << 8 | value.data[i];
    *path_len = v;
  }
  if (indefinite) {
    if (seq.len < 2) return X509_E_SHORT;
    if (!asn1_is_eoc(&seq)) return X509_E_NO_EOC;
  } else if (seq.len != 0) {
    return X509ASN_E_TRAILING;
  }
  return 0;
}
