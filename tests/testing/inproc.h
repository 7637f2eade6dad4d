// An in-process module manager for unit tests of the module's internals:
// the test program links the module's objects and the host's services, and
// this manager stands between them as the host would, with a real guard and
// the real buffer, logging and crypto services.
#ifndef PKIX_TESTS_TESTING_INPROC_H_
#define PKIX_TESTS_TESTING_INPROC_H_

#include <atomic>
#include <cstdint>
#include <vector>

#include "contract/modmgr.h"
#include "framework/cmn_gref.h"

namespace pkixtest {

class InProcessManager : public CMN_ModuleManager_I {
 public:
  // Installs itself as the module's manager. With services, offers the
  // buffer, logging and crypto services.
  explicit InProcessManager(bool with_services = true) : InProcessManager(with_services, with_services) {}
  // The same, with crypto offered only when with_crypto (buffers and
  // logging without crypto: every crypto operation then reports 40).
  InProcessManager(bool with_services, bool with_crypto);
  ~InProcessManager();

  CMN_Guard* moduleGuard() override { return guard_; }
  CMN_GuardedRef* acquireService(const TypifiedID& service, const TypifiedID& requester) override;
  void releaseService(const TypifiedID& service, const TypifiedID& requester) override;

  // Offers another service (the manager keeps a holder on it); replaces an
  // earlier offer of the same identifier.
  void offer(uint32_t id, CMN_GuardedRef* service);
  // Stops answering acquireService (services already bound stay bound).
  void refuseAll(bool refuse) { refuse_ = refuse; }

  int acquired() const { return acquired_; }
  int released() const { return released_; }
  CMN_Guard* guard() const { return guard_; }

 private:
  struct Offer {
    uint32_t id;
    CMN_GRefPtr<CMN_GuardedRef>* holder;
  };
  CMN_Guard* guard_;
  std::vector<Offer> offers_;
  std::atomic<int> acquired_{0};
  std::atomic<int> released_{0};
  bool refuse_ = false;
  CMN_ModuleManager_I* previous_;
};

}  // namespace pkixtest

#endif  // PKIX_TESTS_TESTING_INPROC_H_
