// The miscellaneous object of the certificate service: an empty,
// reference-counted placeholder with no operations of its own.
#ifndef PKIX_ASN_PKIX_MISC_H_
#define PKIX_ASN_PKIX_MISC_H_

#include "cert/xbase.h"

class TPkixMisc : public XBase {
 public:
  ~TPkixMisc() override = default;
};

class theMisc : public TPkixMisc {
 public:
  ~theMisc() override;
};

// A new theMisc with one reference (its creator's); null when memory is
// short.
TPkixMisc* createTPkixMisc();

#endif  // PKIX_ASN_PKIX_MISC_H_
