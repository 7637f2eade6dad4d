#include "asn/pkix_asn_impl.h"

// The ASN.1 objects are not part of the module yet.
TPkixASNService* createTPkixASNService() { return nullptr; }
