// Client stubs of the certificate and key services. Any module, this one
// included, creates PKIX objects through them.
#ifndef PKIX_MODULE_PKIXCLNT_H_
#define PKIX_MODULE_PKIXCLNT_H_

#include "framework/cmn_stub.h"
#include "module/pkixids.h"
#include "module/pkixkeysrv.h"
#include "module/pkixsrv.h"

class aPkixClnt : public CMN_ServiceStub<TPkixService> {
 public:
  aPkixClnt() : CMN_ServiceStub(&PKIXServiceID) {}
  explicit aPkixClnt(TPkixService* s) : CMN_ServiceStub(&PKIXServiceID, s) {}
  ~aPkixClnt() override;
};

// Each operation binds on first use and calls the key service's operation
// of the same form with its guard raised; the new key (one reference for the
// caller) or null, also when no service can be bound.
class aPkixKeyClnt : public CMN_ServiceStub<TPkixKeyService> {
 public:
  aPkixKeyClnt() : CMN_ServiceStub(&PKIXKeyServiceID) {}
  explicit aPkixKeyClnt(TPkixKeyService* s) : CMN_ServiceStub(&PKIXKeyServiceID, s) {}
  ~aPkixKeyClnt() override;

  TKey* createTKey();
  TKey* createTKey(TKey::key_type_t type);
  TKey* createTKey(TKey::key_type_t type, const unsigned char* data, unsigned len);
};

extern aPkixClnt pkixClnt;
extern aPkixKeyClnt pkixKeyClnt;
extern aPkixClnt* pPKIXService;
extern aPkixKeyClnt* pPKIXKeyService;

#endif  // PKIX_MODULE_PKIXCLNT_H_
