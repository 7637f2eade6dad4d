// The host: loads modules with dlopen, gives each its guard, brokers services
// between the modules and the host's own services, and unloads modules the
// way the framework expects (use check, detaching a departing client's
// holders, module shutdown, wait for idle, dlclose).
#ifndef PKIX_HOST_HOST_H_
#define PKIX_HOST_HOST_H_

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "contract/basemodule.h"
#include "contract/modmgr.h"
#include "framework/cmn_gref.h"
#include "framework/cmn_obj_mgr.h"
#include "framework/id_type.h"
#include "support/result_codes.h"

namespace pkixhost {

// Result codes of the host's own operations.
enum HostCode : int {
  kHostOk = pkixrc::kOk,
  kHostBadArgument = pkixrc::kBadArgument,
  kHostFailed = pkixrc::kFailed,
  kHostNothing = pkixrc::kUnavailable,
  kHostCannotOpen = pkixrc::kCannotOpen,
  kHostBusy = 16,  // the module still runs code or is still used (the host's own)
};

class Host;

// One loaded module as the host knows it. Its face is the manager object the
// module was given: moduleGuard() answers with this module's guard.
class LoadedModule final : public CMN_ModuleManager_I {
 public:
  CMN_Guard* moduleGuard() override { return guard_; }
  CMN_GuardedRef* acquireService(const TypifiedID& service, const TypifiedID& requester) override;
  void releaseService(const TypifiedID& service, const TypifiedID& requester) override;

  // The module's identifier as it reports it (pkixid::kModule for the PKIX
  // module).
  uint32_t id() const { return id_; }
  BaseModuleInterface* module() const { return module_; }
  CMN_ObjectManager* objectManager() const { return objects_; }
  CMN_Guard* guard() const { return guard_; }
  const std::string& path() const { return path_; }
  // Resolves a symbol of the module (null when absent).
  void* symbol(const char* name) const;

 private:
  friend class Host;
  LoadedModule(Host* host, std::string path) : host_(host), path_(std::move(path)) {}
  ~LoadedModule() = default;

  Host* host_;
  std::string path_;
  void* handle_ = nullptr;
  BaseModuleInterface* (*entry_)(CMN_ModuleManager_I*, int) = nullptr;
  CMN_ObjectManager* objects_ = nullptr;
  BaseModuleInterface* module_ = nullptr;
  CMN_Guard* guard_ = nullptr;
  uint32_t id_ = 0;
};

class Host {
 public:
  // The host's own module number; its objects carry the host's guard.
  static constexpr uint32_t kHostModuleID = 1;

  // Makes this the process's host (one at a time) and registers the host's
  // own services: buffers, logging, crypto, generic ASN.1 types and the directory client.
  Host();
  // Unloads every module still loaded, then releases the host's services.
  ~Host();

  static Host* current();

  // Loads the module at path and calls its GetInterfaceClass(face, 0).
  // Returns the module, or null with *code set: 50 when the library cannot
  // be opened, 9 when it lacks an entry point or builds no module object.
  LoadedModule* load(const std::string& path, int* code = nullptr);
  // Shuts the module down and closes it. Refuses (16) while another module
  // still holds its objects (unless force), or when its guard's call counter
  // does not drop to 0 within the wait limit; then the module stays loaded.
  int unload(LoadedModule* m, bool force = false);
  // Detaches, in every loaded module, the holders that module id owns (the
  // step taken when a client module goes away); returns how many detached.
  int unhookClient(const TypifiedID& id);

  // Registers a service the host itself offers; the host keeps a holder.
  void registerService(uint32_t id, CMN_GuardedRef* service);
  // The host's service or the module service with that identifier, with the
  // offering module's guard raised around the module's getService; null when
  // none answers.
  CMN_GuardedRef* acquire(const TypifiedID& service, const TypifiedID& requester);
  void release(const TypifiedID& service, const TypifiedID& requester);
  // Acquisitions not yet released, for one service (diagnostics and tests).
  int outstanding(uint32_t service) const;

  // How long unload waits for a module's call counter to reach 0.
  void setIdleWaitMillis(unsigned ms) { idle_wait_ms_ = ms; }

  CMN_Guard* hostGuard() const { return guard_; }
  const std::vector<LoadedModule*>& modules() const { return modules_; }

 private:
  class HostFace;
  struct Grant {
    uint32_t service;
    int count;
  };

  LoadedModule* ModuleFor(uint32_t service) const;

  CMN_Guard* guard_;
  std::unique_ptr<HostFace> face_;
  std::vector<LoadedModule*> modules_;
  struct Registered {
    uint32_t id;
    CMN_GRefPtr<CMN_GuardedRef>* holder;
  };
  std::vector<Registered> services_;
  mutable std::mutex grants_lock_;
  std::vector<Grant> grants_;
  unsigned idle_wait_ms_ = 10000;
};

}  // namespace pkixhost

#endif  // PKIX_HOST_HOST_H_
