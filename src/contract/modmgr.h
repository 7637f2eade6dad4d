// The host module manager as a module sees it: the object passed to
// GetInterfaceClass, through which a module gets its guard and reaches the
// services of other modules.
#ifndef PKIX_CONTRACT_MODMGR_H_
#define PKIX_CONTRACT_MODMGR_H_

#include "contract/typed_id.h"

class CMN_Guard;
class CMN_GuardedRef;

class CMN_ModuleManager_I {
 public:
  // Five operations a module never calls; their slots keep the three below
  // where every module expects them.
  virtual void reserved0();
  virtual void reserved1();
  virtual void reserved2();
  virtual void reserved3();
  virtual void reserved4();
  // The guard for every guarded object the module builds from now on, or
  // null.
  virtual CMN_Guard* moduleGuard() = 0;
  // An object implementing the service's interface (its CMN_GuardedRef part
  // first), or null. The caller takes its own reference through a holder.
  virtual CMN_GuardedRef* acquireService(const TypifiedID& service, const TypifiedID& requester) = 0;
  // Told after a holder that carries a service identifier let its pointee go.
  virtual void releaseService(const TypifiedID& service, const TypifiedID& requester) = 0;

 protected:
  ~CMN_ModuleManager_I() = default;
};

// Every module that links the framework defines these two: the manager that
// was passed to it (null until then) and the address of its own identifier.
extern CMN_ModuleManager_I* ModMgr;
extern TypifiedID* pModuleID;

#endif  // PKIX_CONTRACT_MODMGR_H_
