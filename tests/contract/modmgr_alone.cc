// contract/modmgr.h on its own: a host module manager answers the three
// operations a module calls, in their slots after the five it never calls.
#include "contract/modmgr.h"

#include <gtest/gtest.h>

namespace {

class CountingManager : public CMN_ModuleManager_I {
 public:
  CMN_Guard* moduleGuard() override { return nullptr; }
  CMN_GuardedRef* acquireService(const TypifiedID& service, const TypifiedID&) override {
    ++acquired;
    last = &service;
    return nullptr;
  }
  void releaseService(const TypifiedID&, const TypifiedID&) override { ++released; }
  int acquired = 0;
  int released = 0;
  const TypifiedID* last = nullptr;
};

TEST(ModMgrContract, ModuleCallsReachTheManager) {
  CountingManager host;
  CMN_ModuleManager_I* face = &host;
  const Tuint32ID service(5), me(6);
  EXPECT_EQ(face->moduleGuard(), nullptr);
  EXPECT_EQ(face->acquireService(service, me), nullptr);
  face->releaseService(service, me);
  face->reserved0();  // the unused slots still have bodies
  EXPECT_EQ(host.acquired, 1);
  EXPECT_EQ(host.released, 1);
  EXPECT_EQ(host.last, &service);
  EXPECT_NE(pModuleID, nullptr);  // every module publishes its identifier
}

}  // namespace
