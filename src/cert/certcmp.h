// Comparison and search functions over certificates and any certificate
// list: strict means equal, fuzzy means similar to a template.
#ifndef PKIX_CERT_CERTCMP_H_
#define PKIX_CERT_CERTCMP_H_

#include "cert/tcert.h"

// Each returns 1 for a match, 0 otherwise (also for null arguments).
int strictCertCmp(TCert* a, TCert* b);
int strictIssuerSNCmp(TCert* a, TCert* b);
// b acts as the template.
int fuzzyCertCmp(TCert* a, TCert* b);
int fuzzyIssuerSNCmp(TCert* a, TCert* b);

typedef int (*CertCmp)(TCert*, TCert*);

// The first element e of l with cmp(e, c) (cmp(c, e) with reverse) equal
// to 1, with a new reference; null when none matches or an argument is
// null.
TCert* findCertInList(CertCmp cmp, TCertList* l, TCert* c, int reverse);
TCert* fuzzyFindCertInList(TCertList* l, TCert* c);
TCert* reverseFuzzyFindCertInList(TCertList* l, TCert* c);
TCert* strictFindCertInList(TCertList* l, TCert* c);
TCert* reverseStrictFindCertInList(TCertList* l, TCert* c);

#endif  // PKIX_CERT_CERTCMP_H_
