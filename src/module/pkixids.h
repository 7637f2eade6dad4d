// Identifiers of this module and of the services it offers.
#ifndef PKIX_MODULE_PKIXIDS_H_
#define PKIX_MODULE_PKIXIDS_H_

#include "framework/id_type.h"

extern Tuint32ID ModuleID;              // 63
extern Tuint32ID PKIXModuleCertListID;  // 0x3f0006, reserved
extern Tuint32ID PKIXServiceID;         // 0x3f0007, certificates
extern Tuint32ID PKIXKeyServiceID;      // 0x3f0008, keys
extern Tuint32ID PkixASNServiceID;      // 0x3f0009, ASN.1 objects
extern Tuint32ID PkiAlgCnvrtSrvID;      // 0x3f000a, algorithm conversion

#endif  // PKIX_MODULE_PKIXIDS_H_
