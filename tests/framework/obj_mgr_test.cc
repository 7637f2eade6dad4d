#include "framework/cmn_obj_mgr.h"

#include <gtest/gtest.h>

#include <memory>

#include "framework/probe.h"
#include "testing/inproc.h"

extern "C" CMN_ObjectManager* InitObjectManager();
extern "C" CMN_ObjectManager* GetObjectManager();

namespace pkixtest {
namespace {

class ObjectManagerTest : public ::testing::Test {
 protected:
  InProcessManager mgr{false};
  CMN_ObjectManager& om = CMN_ObjectManager::Local();
  void SetUp() override { base_ = om.count(); }
  unsigned Live() { return om.count() - base_; }
  unsigned base_ = 0;
};

TEST_F(ObjectManagerTest, EntryPointsNameTheOneManager) {
  EXPECT_EQ(InitObjectManager(), GetObjectManager());
  EXPECT_EQ(GetObjectManager(), &om);
}

TEST_F(ObjectManagerTest, RegistersAndForgetsObjects) {
  Probe* p = new Probe;
  ProbeRef* h = new ProbeRef(p);
  EXPECT_EQ(Live(), 1u);
  delete h;
  EXPECT_EQ(Live(), 0u);
}

TEST_F(ObjectManagerTest, UseIsReportedOnlyForOtherModules) {
  Probe* p = new Probe;
  ProbeRef own(p);
  EXPECT_EQ(om.moduleIsUsed(), 0);
  EXPECT_EQ(om.moduleIsUsedBy(kClientA), 0);
  std::unique_ptr<ProbeRef> a(HoldAs(p, &kClientA));
  EXPECT_EQ(om.moduleIsUsed(), 1);
  EXPECT_EQ(om.moduleIsUsedBy(kClientA), 1);
  EXPECT_EQ(om.moduleIsUsedBy(kClientB), 0);
}

TEST_F(ObjectManagerTest, UnhookDetachesOnlyThatModulesHolders) {
  Probe* p = new Probe;
  Probe* q = new Probe;
  bool q_dead = false;
  q->dead = &q_dead;
  ProbeRef own(p);
  std::unique_ptr<ProbeRef> a1(HoldAs(p, &kClientA)), a2(HoldAs(q, &kClientA)), a3(HoldAs(q, &kClientA));
  std::unique_ptr<ProbeRef> b1(HoldAs(p, &kClientB));
  EXPECT_EQ(om.unhookObjs(kClientA), 3);
  EXPECT_EQ(a1->get(), nullptr);
  EXPECT_EQ(a2->get(), nullptr);
  EXPECT_EQ(a3->get(), nullptr);
  EXPECT_EQ(b1->get(), p);
  EXPECT_TRUE(q_dead);  // held only by the departed module's holders
  EXPECT_EQ(p->references(), 2);
  EXPECT_EQ(om.moduleIsUsedBy(kClientA), 0);
  EXPECT_EQ(om.moduleIsUsedBy(kClientB), 1);
  EXPECT_EQ(om.unhookObjs(kClientA), 0);
}

// A holder that will not let go: the manager unlinks its item itself and
// the reference stays counted.
struct Stubborn : CMN_GRefPtr<Probe> {
  Stubborn(Probe* p) : CMN_GRefPtr<Probe>(p, nullptr, &kClientA) {}
  int replacePointee(CMN_GuardedRef*) override { return 0; }
  ~Stubborn() { pointee = nullptr; }  // its reference was never given back
};

TEST_F(ObjectManagerTest, HolderThatKeepsItsItemIsUnlinked) {
  Probe* p = new Probe;
  ProbeRef own(p);
  Stubborn s(p);
  EXPECT_EQ(om.unhookObjs(kClientA), 0);
  EXPECT_EQ(p->_getHolders().count, 1u);
  EXPECT_EQ(p->references(), 2);
  p->remReference();  // settle the stubborn holder's count
}

TEST_F(ObjectManagerTest, FiniDetachesEveryHolder) {
  Probe* p = new Probe;
  Probe* q = new Probe;
  q->addReference();  // a plain reference survives fini
  bool p_dead = false;
  p->dead = &p_dead;
  ProbeRef own(p), own_q(q);
  std::unique_ptr<ProbeRef> a(HoldAs(p, &kClientA));
  om.fini();
  EXPECT_TRUE(p_dead);
  EXPECT_EQ(own.get(), nullptr);
  EXPECT_EQ(own_q.get(), nullptr);
  EXPECT_EQ(q->references(), 1);
  EXPECT_EQ(Live(), 1u);
  q->remReference();
  EXPECT_EQ(Live(), 0u);
}

// An object whose fini() lets go of the next object in the manager's list:
// the walk must survive destruction of objects around the one under work.
struct Chain : Probe {
  ProbeRef* other = nullptr;
  int fini() override {
    Probe::fini();
    delete other;
    other = nullptr;
    return 0;
  }
};

TEST_F(ObjectManagerTest, FiniAllSurvivesObjectsDyingUnderIt) {
  Probe* older = new Probe;  // registered first, so later in the list
  bool older_dead = false;
  older->dead = &older_dead;
  Chain* newer = new Chain;
  newer->other = new ProbeRef(older);
  ProbeRef keep(newer);
  om.finiAll();
  EXPECT_EQ(newer->finis, 1);
  EXPECT_TRUE(older_dead);
  EXPECT_EQ(Live(), 1u);
}

TEST_F(ObjectManagerTest, UncountedObjectsDoNotHangWalks) {
  // Registered but not yet counted by its creator.
  Probe* fresh = new Probe;
  Probe* held = new Probe;
  std::unique_ptr<ProbeRef> a(HoldAs(held, &kClientA));
  EXPECT_EQ(om.unhookObjs(kClientA), 1);
  om.fini();
  om.finiAll();
  EXPECT_EQ(fresh->finis, 0);  // passed over
  EXPECT_EQ(fresh->references(), 0);
  fresh->addReference();
  fresh->remReference();
}

TEST_F(ObjectManagerTest, InitTakesOverAnotherManagersObjects) {
  // Objects of this manager stand in for those of an older instance.
  Probe* p = new Probe;
  std::unique_ptr<ProbeRef> a(HoldAs(p, &kClientA)), b(HoldAs(p, &kClientB));
  bool dead = false;
  p->dead = &dead;
  CMN_ObjectManager fresh;
  EXPECT_EQ(fresh.init(&om), nullptr);
  EXPECT_TRUE(dead);  // no replacement here: holders detached, object gone
  EXPECT_EQ(a->get(), nullptr);
  EXPECT_EQ(b->get(), nullptr);
  EXPECT_EQ(Live(), 0u);
  // An empty old list returns at once.
  EXPECT_EQ(fresh.init(&om), nullptr);
}

}  // namespace
}  // namespace pkixtest
