#include "module/pkixmdl.h"

#include "framework/cmn_export.h"
#include "framework/cmn_obj_mgr.h"
#include "name/x509conv.h"

CMN_EXPORT CMN_ModuleManager_I* ModMgr = nullptr;
CMN_EXPORT Tuint32ID ModuleID CMN_ID_INIT(pkixid::kModule);
CMN_EXPORT TypifiedID* pModuleID = &ModuleID;

Tuint32ID PKIXModuleCertListID CMN_ID_INIT(pkixid::kCertListReserved);
Tuint32ID PKIXServiceID CMN_ID_INIT(pkixid::kCertService);
Tuint32ID PKIXKeyServiceID CMN_ID_INIT(pkixid::kKeyService);
Tuint32ID PkixASNServiceID CMN_ID_INIT(pkixid::kAsnService);
Tuint32ID PkiAlgCnvrtSrvID CMN_ID_INIT(pkixid::kAlgConversion);

CMN_EXPORT CMN_GRefPtr<pkixModule> PKIXModuleLocal;

pkixModule::PkixCertServiceLocal::~PkixCertServiceLocal() = default;
pkixModule::PkixKeyServiceLocal::~PkixKeyServiceLocal() = default;
pkixModule::PkixASNServiceLocal::~PkixASNServiceLocal() = default;
pkixModule::AlgCnvrtSrvLocal::~AlgCnvrtSrvLocal() = default;

// The module object carries the module number as its object type.
pkixModule::pkixModule() : CMN_GuardedRef(pkixid::kModule) {}

pkixModule::~pkixModule() { fini(); }

template <class Stub, class Create>
CMN_GuardedRef* pkixModule::Serve(Stub& local, Create create, int (*prepare)()) {
  if (local.service() != nullptr) return local.service();
  if (prepare != nullptr && prepare() != 0) return nullptr;
  auto* created = create();
  if (created == nullptr) return nullptr;
  {
    // The temporary's holder carries the service identifier, so letting it
    // go also tells the host module manager; the member keeps the service.
    Stub fresh(created);
    local = fresh;
  }
  return local.service();
}

CMN_GuardedRef* pkixModule::getService(const TypifiedID& id) {
  if (id == PKIXServiceID) return Serve(cert_, createTPkixService, conv_read_ini);
  if (id == PKIXKeyServiceID) return Serve(key_, createTPkixKeyService, nullptr);
  if (id == PkixASNServiceID) return Serve(asn_, createTPkixASNService, nullptr);
  if (id == PkiAlgCnvrtSrvID) return Serve(cnvrt_, createAlgCnvrtSrv, nullptr);
  return nullptr;
}

int pkixModule::fini() {
  { PkixCertServiceLocal empty; cert_ = empty; }
  { PkixKeyServiceLocal empty; key_ = empty; }
  { PkixASNServiceLocal empty; asn_ = empty; }
  { AlgCnvrtSrvLocal empty; cnvrt_ = empty; }
  return pkixrc::kOk;
}

extern "C" CMN_EXPORT BaseModuleInterface* GetInterfaceClass(CMN_ModuleManager_I* manager, int flag) {
  if (manager == nullptr) {
    CMN_ObjectManager::Local().finiAll();
    PKIXModuleLocal.Drop();
    return nullptr;
  }
  ModMgr = manager;
  if (flag != 0) {
    PKIXModuleLocal.Drop();
    return nullptr;
  }
  pkixModule* module = new pkixModule;
  PKIXModuleLocal = module;  // a previous module object is released here
  return module;
}
