#include "cert/basiccon.h"

#include "cert/x509.h"
#include "support/der_reader.h"

namespace {

// pathLenConstraint INTEGER (0..MAX): at most four content octets here.
constexpr int kMaxPathLenOctets = 4;
// The sign bit of the first content octet.
constexpr unsigned char kSignBit = 0x80;

}  // namespace

extern "C" int parse_basic_constraints(Buffer* bc, uint8_t* ca, uint32_t* path_len) {
  if (ca != nullptr) *ca = 0;
  if (path_len != nullptr) *path_len = 0;
  if (bc == nullptr || ca == nullptr || bc->len == 0 || bc->data == nullptr) return X509_E_NULL;
  DerReader r(*bc, X509_E_NO_EOC);
  // BasicConstraints ::= SEQUENCE {
  return r.element(der::kSequence, [&](DerReader& seq) {
    //   cA BOOLEAN DEFAULT FALSE,
    if (!seq.atEnd() && seq.peek() == der::kBoolean) {
      Buffer flag;
      DER_TRY(seq.primitive(der::kBoolean, &flag));
      if (flag.len != 1) return X509_E_BOOLEAN;
      *ca = flag.data[0];
    }
    if (path_len == nullptr) {
      // The rest is not examined; an indefinite content is still followed
      // to its end-of-contents octets.
      seq.skipRest();
      while (!seq.atEnd()) DER_TRY(asn1_decode_any_type(seq.buf(), nullptr));
      return X509_OK;
    }
    //   pathLenConstraint INTEGER (0..MAX) OPTIONAL }
    if (!seq.atEnd()) {
      Buffer value;
      int len = asn1_decode_integer(seq.buf(), &value);
      if (len < 0) return len;
      if (len > kMaxPathLenOctets || (value.data[0] & kSignBit) != 0) return X509_E_PATHLEN;
      uint32_t v = 0;
      for (int i = 0; i < len; ++i) v = v << 8 | value.data[i];
      *path_len = v;
    }
    return X509_OK;
  });
}
