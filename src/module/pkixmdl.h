// The module object: what GetInterfaceClass builds and hands the host, and
// the dispatch through which other modules obtain the module's services.
#ifndef PKIX_MODULE_PKIXMDL_H_
#define PKIX_MODULE_PKIXMDL_H_

#include "alg/pki_cnvrt_c.h"
#include "asn/pkix_asnC.h"
#include "contract/basemodule.h"
#include "contract/modmgr.h"
#include "framework/cmn_gref.h"
#include "module/pkixclnt.h"
#include "module/pkixids.h"
#include "support/result_codes.h"

class pkixModule : public BaseModuleInterface, public CMN_GuardedRef {
 public:
  // Each local stub is its own class so the module can tell them apart.
  class PkixCertServiceLocal : public aPkixClnt {
   public:
    explicit PkixCertServiceLocal(TPkixService* s = nullptr) : aPkixClnt(s) {}
    ~PkixCertServiceLocal() override;
  };
  class PkixKeyServiceLocal : public aPkixKeyClnt {
   public:
    explicit PkixKeyServiceLocal(TPkixKeyService* s = nullptr) : aPkixKeyClnt(s) {}
    ~PkixKeyServiceLocal() override;
  };
  class PkixASNServiceLocal : public PkixASNService {
   public:
    explicit PkixASNServiceLocal(TPkixASNService* s = nullptr) : PkixASNService(s) {}
    ~PkixASNServiceLocal() override;
  };
  class AlgCnvrtSrvLocal : public PkiAlgCnvrt {
   public:
    explicit AlgCnvrtSrvLocal(TPkiAlgCnvrt* s = nullptr) : PkiAlgCnvrt(s) {}
    ~AlgCnvrtSrvLocal() override;
  };

  pkixModule();
  ~pkixModule() override;

  unsigned getModuleID() override { return pkixid::kModule; }
  unsigned getVersion() override { return 0; }
  unsigned getBuild() override { return 0; }
  int isReplaceable() override { return 0; }
  CMN_GuardedRef* createObject(unsigned) override { return nullptr; }
  int addModule(unsigned, BaseModuleInterface*) override { return pkixrc::kFailed; }
  // Creates the service on first demand and keeps it in its local stub;
  // the result is not counted for the caller. Null for any other identifier
  // and when the service cannot be created.
  CMN_GuardedRef* getService(const TypifiedID& id) override;
  int init() override { return pkixrc::kOk; }
  // Lets go of the four services, certificate, key, ASN.1, conversion.
  int fini() override;

 private:
  template <class Stub, class Create>
  CMN_GuardedRef* Serve(Stub& local, Create create, int (*prepare)());

  PkixCertServiceLocal cert_;
  PkixKeyServiceLocal key_;
  PkixASNServiceLocal asn_;
  AlgCnvrtSrvLocal cnvrt_;
};

extern CMN_GRefPtr<pkixModule> PKIXModuleLocal;

extern "C" BaseModuleInterface* GetInterfaceClass(CMN_ModuleManager_I* manager, int flag);

#endif  // PKIX_MODULE_PKIXMDL_H_
