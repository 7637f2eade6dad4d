// The numbers of this module and of every service it offers or uses, as the
// host's module manager knows them. The one place these numbers are written:
// the module's typed identifiers, the host, the tool and the tests all take
// them from here.
#ifndef PKIX_CONTRACT_SERVICE_IDS_H_
#define PKIX_CONTRACT_SERVICE_IDS_H_

#include <cstdint>

namespace pkixid {

// This module and the services it offers.
constexpr uint32_t kModule = 63;
constexpr uint32_t kCertListReserved = 0x3f0006;  // reserved, never offered
constexpr uint32_t kCertService = 0x3f0007;       // certificates, CRLs, names (TPkixService)
constexpr uint32_t kKeyService = 0x3f0008;        // keys (TPkixKeyService)
constexpr uint32_t kAsnService = 0x3f0009;        // ASN.1 objects (TPkixASNService)
constexpr uint32_t kAlgConversion = 0x3f000a;     // algorithm conversion (TPkiAlgCnvrt)

// Services of other modules that this module uses.
constexpr uint32_t kCrypto = 58;        // crypto transforms (CCD_Interface)
constexpr uint32_t kGenericAsn = 66;    // generic ASN.1 types
constexpr uint32_t kDirectory = 102;    // directory (LDAP) client
constexpr uint32_t kBuffers = 111;      // byte buffers (X509CmnSrv_I)
constexpr uint32_t kLogging = 118;      // logging

}  // namespace pkixid

#endif  // PKIX_CONTRACT_SERVICE_IDS_H_
