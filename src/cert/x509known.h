// The extensions the certificate record keeps in views of their own, in one
// table that the parser and the encoder share: the parser compares an
// extension's identifier with the rows in order and stores its value as the
// row says; the encoder writes the rows in the same order, each in front of
// those before it, turning the view back into the value.
#ifndef PKIX_CERT_X509KNOWN_H_
#define PKIX_CERT_X509KNOWN_H_

#include <cstddef>
#include <cstdint>

#include "cert/x509.h"

namespace x509known {

// How an extension's extnValue and its view in the record relate.
enum class Shape : uint8_t {
  kWhole,            // the view is the extnValue content as it stands
  kContent,          // the view is the content of the one element tagged `tag`
  kGeneralNames,     // the view is the GeneralNames element (checked on reading)
  kNameConstraints,  // the views nc_permitted and nc_excluded: the contents of
                     // the [0] and [1] subtrees of the NameConstraints SEQUENCE
};

struct Extension {
  const unsigned char* oid;     // the support library's OID constant
  uint32_t critical_bit;        // its X509_CRIT_* bit
  Buffer x509_cert_t::*field;   // its view; null for kNameConstraints
  Shape shape;
  unsigned char tag;            // kContent: the identifier octet of the element
  bool in_mask_form;            // also written by x509_enc_extensions with a mask
};

constexpr size_t kCount = 8;

// NameConstraints, BasicConstraints, KeyUsage, IssuerAltName,
// SubjectAltName, SubjectKeyIdentifier, AuthorityKeyIdentifier,
// CRLDistributionPoints: the order identifiers are compared in, and the
// order the encoder processes them in.
extern const Extension kRecognised[kCount];

}  // namespace x509known

#endif  // PKIX_CERT_X509KNOWN_H_
