// Identifiers of this module and of the services it offers, as the typed
// identifiers the host module manager compares. Their numbers are those of
// contract/service_ids.h.
#ifndef PKIX_MODULE_PKIXIDS_H_
#define PKIX_MODULE_PKIXIDS_H_

#include "contract/service_ids.h"
#include "contract/typed_id.h"

extern Tuint32ID ModuleID;              // pkixid::kModule
extern Tuint32ID PKIXModuleCertListID;  // pkixid::kCertListReserved, never offered
extern Tuint32ID PKIXServiceID;         // pkixid::kCertService, certificates
extern Tuint32ID PKIXKeyServiceID;      // pkixid::kKeyService, keys
extern Tuint32ID PkixASNServiceID;      // pkixid::kAsnService, ASN.1 objects
extern Tuint32ID PkiAlgCnvrtSrvID;      // pkixid::kAlgConversion, algorithm conversion

#endif  // PKIX_MODULE_PKIXIDS_H_
