// The host's view of any loaded module: the object GetInterfaceClass returns.
#ifndef PKIX_CONTRACT_BASEMODULE_H_
#define PKIX_CONTRACT_BASEMODULE_H_

#include "contract/typed_id.h"

class CMN_GuardedRef;

class BaseModuleInterface {
 public:
  virtual ~BaseModuleInterface();
  virtual unsigned getModuleID() = 0;
  virtual unsigned getVersion() = 0;
  virtual unsigned getBuild() = 0;
  virtual int isReplaceable() = 0;
  virtual CMN_GuardedRef* createObject(unsigned type) = 0;
  virtual int addModule(unsigned id, BaseModuleInterface* module) = 0;
  // The module's service with that identifier (not counted for the caller),
  // or null.
  virtual CMN_GuardedRef* getService(const TypifiedID& id) = 0;
};

#endif  // PKIX_CONTRACT_BASEMODULE_H_
