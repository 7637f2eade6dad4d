#include "testing/inproc.h"

#include "host/hostbuf.h"
#include "host/hostcrypto.h"
#include "host/hostlog.h"

namespace pkixtest {

InProcessManager::InProcessManager(bool with_services, bool with_crypto)
    : guard_(CMN_Guard::create()), previous_(ModMgr) {
  guard_->refs.addReference();
  ModMgr = this;
  if (with_services) {
    offer(pkixhost::kBufferServiceID, pkixhost::createBufferService());
    offer(pkixhost::kLogServiceID, pkixhost::createLogService());
  }
  if (with_crypto) offer(pkixhost::kCryptoServiceID, pkixhost::createCryptoService());
}

InProcessManager::~InProcessManager() {
  for (Offer& o : offers_) delete o.holder;
  ModMgr = previous_;
  guard_->refs.remReference();
}

void InProcessManager::offer(uint32_t id, CMN_GuardedRef* service) {
  for (Offer& o : offers_) {
    if (o.id == id) {
      delete o.holder;
      o.holder = new CMN_GRefPtr<CMN_GuardedRef>(service);
      return;
    }
  }
  offers_.push_back({id, new CMN_GRefPtr<CMN_GuardedRef>(service)});
}

CMN_GuardedRef* InProcessManager::acquireService(const TypifiedID& service, const TypifiedID&) {
  if (refuse_ || service.kind() != kIdUint32) return nullptr;
  uint32_t id = static_cast<const Tuint32ID&>(service).value();
  for (Offer& o : offers_) {
    if (o.id == id) {
      ++acquired_;
      return o.holder->get();
    }
  }
  return nullptr;
}

void InProcessManager::releaseService(const TypifiedID&, const TypifiedID&) { ++released_; }

}  // namespace pkixtest
