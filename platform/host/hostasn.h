// The host's generic ASN.1 type service (pkixid::kGenericAsn): buffers and
// typed values that encode DER and decode DER or BER, built on the ASN.1
// support library's encoders and decoders. What each kind and operation
// does is stated in contract/asn_types.h.
#ifndef PKIX_HOST_HOSTASN_H_
#define PKIX_HOST_HOSTASN_H_

#include <cstdint>

#include "contract/asn_types.h"
#include "contract/service_ids.h"

namespace pkixhost {

constexpr uint32_t kAsnServiceID = pkixid::kGenericAsn;

// A new ASN.1 type service with count 0 (the host's holder adds the first).
// Returns null only when memory is short. The service keeps the named
// prototypes given to registry(); create() and the objects are usable from
// any thread, each value object by one thread at a time.
CMN_ASN_Interface* createAsnService();

// Buffers and value objects of the service currently alive (leak checks in
// tests).
int liveAsnObjects();

}  // namespace pkixhost

#endif  // PKIX_HOST_HOSTASN_H_
