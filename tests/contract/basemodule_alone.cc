// contract/basemodule.h on its own: the host's view of a module.
#include "contract/basemodule.h"

#include <gtest/gtest.h>

namespace {

class NoServices : public BaseModuleInterface {
 public:
  unsigned getModuleID() override { return 9; }
  unsigned getVersion() override { return 1; }
  unsigned getBuild() override { return 2; }
  int isReplaceable() override { return 0; }
  CMN_GuardedRef* createObject(unsigned) override { return nullptr; }
  int addModule(unsigned, BaseModuleInterface*) override { return 0; }
  CMN_GuardedRef* getService(const TypifiedID&) override { return nullptr; }
};

TEST(BaseModuleContract, HostAsksThroughTheInterface) {
  NoServices m;
  BaseModuleInterface* face = &m;
  EXPECT_EQ(face->getModuleID(), 9u);
  EXPECT_EQ(face->getService(TstringID("any")), nullptr);
}

}  // namespace
