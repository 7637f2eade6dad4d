#include "host/host.h"

#include <dlfcn.h>

#include <chrono>
#include <thread>

#include "host/hostasn.h"
#include "host/hostbuf.h"
#include "host/hostcrypto.h"
#include "host/hostlog.h"

// The host links the framework like every module: it has its own manager
// face, identifier, module lock and object manager.
CMN_ModuleManager_I* ModMgr = nullptr;
static Tuint32ID gHostID(pkixhost::Host::kHostModuleID);
TypifiedID* pModuleID = &gHostID;

namespace pkixhost {

namespace {
Host* gCurrent = nullptr;

// A module's services are numbered module * 65536 + index: the module is
// the number above the index bits.
constexpr unsigned kServiceIndexBits = 16;
uint32_t OfferingModule(uint32_t service) { return service >> kServiceIndexBits; }

uint32_t ValueOf(const TypifiedID& id) {
  return id.kind() == kIdUint32 ? static_cast<const Tuint32ID&>(id).value() : 0;
}
bool IsNumeric(const TypifiedID& id) { return id.kind() == kIdUint32; }
}  // namespace

// The manager face the host's own objects are built under.
class Host::HostFace : public CMN_ModuleManager_I {
 public:
  explicit HostFace(Host* host) : host_(host) {}
  CMN_Guard* moduleGuard() override { return host_->guard_; }
  CMN_GuardedRef* acquireService(const TypifiedID& service, const TypifiedID& requester) override {
    return host_->acquire(service, requester);
  }
  void releaseService(const TypifiedID& service, const TypifiedID& requester) override {
    host_->release(service, requester);
  }

 private:
  Host* host_;
};

CMN_GuardedRef* LoadedModule::acquireService(const TypifiedID& service, const TypifiedID& requester) {
  return host_->acquire(service, requester);
}

void LoadedModule::releaseService(const TypifiedID& service, const TypifiedID& requester) {
  host_->release(service, requester);
}

void* LoadedModule::symbol(const char* name) const { return handle_ == nullptr ? nullptr : dlsym(handle_, name); }

Host::Host() : guard_(CMN_Guard::create()), face_(new HostFace(this)) {
  guard_->refs.addReference();  // the host's own count: the guard outlives its objects
  gCurrent = this;
  ModMgr = face_.get();
  registerService(kBufferServiceID, createBufferService());
  registerService(kLogServiceID, createLogService());
  registerService(kCryptoServiceID, createCryptoService());
  registerService(kAsnServiceID, createAsnService());
}

Host::~Host() {
  while (!modules_.empty()) {
    LoadedModule* m = modules_.back();
    if (unload(m, true) != kHostOk) modules_.pop_back();  // still busy: left open
  }
  for (Registered& r : services_) delete r.holder;
  services_.clear();
  ModMgr = nullptr;
  gCurrent = nullptr;
  guard_->refs.remReference();
}

Host* Host::current() { return gCurrent; }

void Host::registerService(uint32_t id, CMN_GuardedRef* service) {
  if (service == nullptr) return;
  services_.push_back({id, new CMN_GRefPtr<CMN_GuardedRef>(service)});
}

LoadedModule* Host::ModuleFor(uint32_t service) const {
  for (LoadedModule* m : modules_) {
    if (m->module_ != nullptr && m->id_ == OfferingModule(service)) return m;
  }
  return nullptr;
}

CMN_GuardedRef* Host::acquire(const TypifiedID& service, const TypifiedID& requester) {
  if (!IsNumeric(service)) return nullptr;
  uint32_t id = ValueOf(service);
  CMN_GuardedRef* found = nullptr;
  for (Registered& r : services_) {
    if (r.id == id) found = r.holder->get();
  }
  if (found == nullptr) {
    LoadedModule* m = ModuleFor(id);
    if (m == nullptr) return nullptr;
    GuardLock calling(m->guard_);
    found = m->module_->getService(service);
  }
  if (found != nullptr) {
    std::lock_guard<std::mutex> g(grants_lock_);
    bool counted = false;
    for (Grant& gr : grants_) {
      if (gr.service == id) {
        ++gr.count;
        counted = true;
      }
    }
    if (!counted) grants_.push_back({id, 1});
  }
  return found;
}

void Host::release(const TypifiedID& service, const TypifiedID& /*requester*/) {
  // Also called for holders whose pointee never came from acquire: an
  // unknown release changes nothing.
  uint32_t id = ValueOf(service);
  std::lock_guard<std::mutex> g(grants_lock_);
  for (Grant& gr : grants_) {
    if (gr.service == id && gr.count > 0) --gr.count;
  }
}

int Host::outstanding(uint32_t service) const {
  std::lock_guard<std::mutex> g(grants_lock_);
  for (const Grant& gr : grants_) {
    if (gr.service == service) return gr.count;
  }
  return 0;
}

LoadedModule* Host::load(const std::string& path, int* code) {
  int dummy;
  if (code == nullptr) code = &dummy;
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    *code = kHostCannotOpen;
    return nullptr;
  }
  auto entry = reinterpret_cast<BaseModuleInterface* (*)(CMN_ModuleManager_I*, int)>(dlsym(handle, "GetInterfaceClass"));
  auto objects = reinterpret_cast<CMN_ObjectManager* (*)()>(dlsym(handle, "GetObjectManager"));
  if (entry == nullptr || objects == nullptr) {
    dlclose(handle);
    *code = kHostFailed;
    return nullptr;
  }
  LoadedModule* m = new LoadedModule(this, path);
  m->handle_ = handle;
  m->entry_ = entry;
  m->objects_ = objects();
  m->guard_ = CMN_Guard::create();
  m->guard_->refs.addReference();
  {
    GuardLock calling(m->guard_);
    m->module_ = entry(m, 0);
    if (m->module_ != nullptr) m->id_ = m->module_->getModuleID();
  }
  if (m->module_ == nullptr) {
    entry(nullptr, 0);
    dlclose(handle);
    m->guard_->refs.remReference();
    delete m;
    *code = kHostFailed;
    return nullptr;
  }
  modules_.push_back(m);
  *code = kHostOk;
  return m;
}

int Host::unhookClient(const TypifiedID& id) {
  int detached = CMN_ObjectManager::Local().unhookObjs(id);
  for (LoadedModule* m : modules_) {
    if (m->module_ != nullptr && !(Tuint32ID(m->id_) == id)) {
      GuardLock calling(m->guard_);
      detached += m->objects_->unhookObjs(id);
    }
  }
  return detached;
}

int Host::unload(LoadedModule* m, bool force) {
  if (m == nullptr) return kHostBadArgument;
  if (m->module_ != nullptr) {
    {
      GuardLock calling(m->guard_);
      if (!force && m->objects_->moduleIsUsed() != 0) return kHostBusy;
      m->entry_(nullptr, 0);  // every live object's fini(), then the module object goes
    }
    m->module_ = nullptr;
    // Holders that live in the departing module's memory must not stay in
    // the lists of objects that outlive it.
    unhookClient(Tuint32ID(m->id_));
  }
  // No thread may still run the module's code when it is closed. The wait is
  // bounded: a module that stays busy is left open rather than closed under
  // a running call.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(idle_wait_ms_);
  while (m->guard_->callCount() != 0) {
    if (std::chrono::steady_clock::now() >= deadline) return kHostBusy;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  dlclose(m->handle_);
  m->handle_ = nullptr;
  for (size_t i = 0; i < modules_.size(); ++i) {
    if (modules_[i] == m) modules_.erase(modules_.begin() + static_cast<long>(i));
  }
  m->guard_->refs.remReference();
  delete m;
  return kHostOk;
}

}  // namespace pkixhost
