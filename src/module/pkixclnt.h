// Client stubs of the certificate and key services. Any module, this one
// included, creates PKIX objects through them.
#ifndef PKIX_MODULE_PKIXCLNT_H_
#define PKIX_MODULE_PKIXCLNT_H_

#include "framework/cmn_stub.h"
#include "support/abuf.h"
#include "module/pkixids.h"
#include "module/pkixkeysrv.h"
#include "module/pkixsrv.h"

class aPkixClnt : public CMN_ServiceStub<TPkixService> {
 public:
  aPkixClnt() : CMN_ServiceStub(&PKIXServiceID) {}
  explicit aPkixClnt(TPkixService* s) : CMN_ServiceStub(&PKIXServiceID, s) {}
  ~aPkixClnt() override;

  // Each calls the service operation of the same form under the service's
  // guard and returns its result (a new reference for the caller); null,
  // or 40 for the selector form, when no service can be bound.
  TName* createTName(TName::name_type_t t) { return via([&](TPkixService* s) { return s->createTName(t); }); }
  TName* createTName(TName::name_type_t t, TBuf* b) { return via([&](TPkixService* s) { return s->createTName(t, b); }); }
  TName* createTName(TName::name_type_t t, TName* n) { return via([&](TPkixService* s) { return s->createTName(t, n); }); }
  TName* createTName(TName::name_type_t t, const unsigned char* d, unsigned n) { return via([&](TPkixService* s) { return s->createTName(t, d, n); }); }
  int createTName(TName::name_type_t t, const _selector* sel, TName** out);
  TCert* createTCert(TCert::cert_format_t f) { return via([&](TPkixService* s) { return s->createTCert(f); }); }
  TCert* createTCert(TCert::cert_format_t f, TBuf* b) { return via([&](TPkixService* s) { return s->createTCert(f, b); }); }
  TCert* createTCert(TCert::cert_format_t f, const unsigned char* d, unsigned n) { return via([&](TPkixService* s) { return s->createTCert(f, d, n); }); }
  TCertList* createTCertList() { return via([&](TPkixService* s) { return s->createTCertList(); }); }
  TCertList* createTCertList(const _selector* sel) { return via([&](TPkixService* s) { return s->createTCertList(sel); }); }
  TCRL* createTCrl(TCert::cert_format_t f, TBuf* b = nullptr) { return via([&](TPkixService* s) { return s->createTCRL(f, b); }); }
  TCRLList* createTCrlList() { return via([&](TPkixService* s) { return s->createTCRLList(); }); }
  TExtn* createTExtn(TExtn::extn_t t) { return via([&](TPkixService* s) { return s->createTExtn(t); }); }
  // The buffer wrapper's raw TBuf is passed without a reference.
  TExtn* createTExtn(const aBuf& b) { return via([&](TPkixService* s) { return s->createTExtn(b.raw()); }); }
  TExtnList* createTExtnList() { return via([&](TPkixService* s) { return s->createTExtnList(); }); }
  TPkixMisc* createTPkixMisc() { return via([&](TPkixService* s) { return s->createTPkixMisc(); }); }
  TSCEPStructs* createTSCEPStructs() { return via([&](TPkixService* s) { return s->createTSCEPStructs(); }); }
  TLDAPDP* createTLDAPDP() { return via([&](TPkixService* s) { return s->createTLDAPDP(); }); }
  TDPList* createTDPList() { return via([&](TPkixService* s) { return s->createTDPList(); }); }

 private:
  // The client-call pattern for operations that return an object.
  template <class F>
  auto via(F f) -> decltype(f(static_cast<TPkixService*>(nullptr))) {
    return call(f, nullptr);
  }
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
