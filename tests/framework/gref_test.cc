#include "framework/cmn_gref.h"

#include <gtest/gtest.h>

#include "framework/cmn_obj_mgr.h"
#include "framework/probe.h"
#include "testing/inproc.h"

namespace pkixtest {
namespace {

class GuardedRefTest : public ::testing::Test {
 protected:
  InProcessManager mgr{false};
  int GuardRefs() { return mgr.guard()->refs.references(); }
};

TEST_F(GuardedRefTest, HolderAccountingMatchesCountAndList) {
  int base = GuardRefs();
  Probe* p = new Probe;
  EXPECT_EQ(p->references(), 0);
  EXPECT_EQ(p->getGuard(), mgr.guard());
  EXPECT_EQ(GuardRefs(), base + 1);
  {
    ProbeRef a(p), b(p);
    EXPECT_EQ(p->references(), 2);
    EXPECT_EQ(p->_getHolders().count, 2u);
    // The newest holder stands first.
    EXPECT_EQ(p->_getHolders().head->holder, &b);
    p->addReference();  // a plain reference has no item
    EXPECT_EQ(p->references(), 3);
    EXPECT_EQ(p->_getHolders().count, 2u);
  }
  EXPECT_EQ(p->references(), 1);
  EXPECT_EQ(p->_getHolders().count, 0u);
  bool dead = false;
  p->dead = &dead;
  EXPECT_EQ(p->remReference(), 0);
  EXPECT_TRUE(dead);
  EXPECT_EQ(GuardRefs(), base);
}

TEST_F(GuardedRefTest, UnknownHolderTakesNothingAway) {
  Probe* p = new Probe;
  ProbeRef a(p);
  ProbeRef stranger;
  EXPECT_EQ(p->remReference(&stranger), 1);
  EXPECT_EQ(p->references(), 1);
  EXPECT_EQ(p->_getHolders().count, 1u);
}

TEST_F(GuardedRefTest, CopyIsANewObjectAndAssignmentChangesNothing) {
  Probe* p = new Probe(9);
  ProbeRef a(p), b(p);
  Probe* q = new Probe(*p);
  EXPECT_EQ(q->references(), 0);
  EXPECT_EQ(q->_getHolders().count, 0u);
  EXPECT_EQ(q->getType(), 9u);
  EXPECT_EQ(q->getGuard(), p->getGuard());
  ProbeRef c(q);
  *q = *p;
  EXPECT_EQ(q->references(), 1);
  EXPECT_EQ(p->references(), 2);
}

TEST_F(GuardedRefTest, AssigningTheSamePointeeChangesNothing) {
  Probe* p = new Probe;
  ProbeRef a(p), b(p);
  a = b;
  EXPECT_EQ(p->references(), 2);
  EXPECT_EQ(p->_getHolders().count, 2u);
}

TEST_F(GuardedRefTest, AssignmentMovesBetweenObjectsAndEmpties) {
  Probe* p = new Probe;
  Probe* q = new Probe;
  bool p_dead = false;
  p->dead = &p_dead;
  ProbeRef keep_q(q);
  ProbeRef a(p);
  ProbeRef to_q(q);
  a = to_q;  // p loses its only reference
  EXPECT_TRUE(p_dead);
  EXPECT_EQ(a.get(), q);
  EXPECT_EQ(q->references(), 3);
  ProbeRef empty;
  a = empty;
  EXPECT_EQ(a.get(), nullptr);
  EXPECT_EQ(q->references(), 2);
}

TEST_F(GuardedRefTest, ReleaseLeavesTheCallCounterAsItWas) {
  Probe* p = new Probe;
  ProbeRef* keep = new ProbeRef(p);
  {
    ProbeRef passing(p);
  }
  EXPECT_EQ(mgr.guard()->callCount(), 0);
  // A release that destroys the object lowers the counter as well, so a
  // host waiting for 0 is never left waiting.
  delete keep;
  EXPECT_EQ(mgr.guard()->callCount(), 0);
}

// A holder that records the order in which it was handed a new pointee.
struct Recorder : CMN_GRefPtr<Probe> {
  Recorder(Probe* p, std::vector<int>* log, int n) : CMN_GRefPtr<Probe>(p), log(log), n(n) {}
  int replacePointee(CMN_GuardedRef* q) override {
    log->push_back(n);
    return CMN_GRefPtr<Probe>::replacePointee(q);
  }
  std::vector<int>* log;
  int n;
};

TEST_F(GuardedRefTest, UpdateHoldersOldestFirstAndDetaches) {
  Probe* p = new Probe;
  p->addReference();  // plain reference keeps it alive
  std::vector<int> order;
  Recorder r1(p, &order, 1), r2(p, &order, 2), r3(p, &order, 3);
  p->lockHolderList();
  CMN_GuardedRef::updateHolders(p->_getHolders(), nullptr);
  p->unlockHolderList();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(p->_getHolders().count, 0u);
  EXPECT_EQ(r1.get(), nullptr);
  EXPECT_EQ(p->references(), 1);
  // With a replacement, every holder moves to it.
  Probe* q = new Probe;
  Recorder r4(p, &order, 4);
  p->lockHolderList();
  q->updateHolders(p->_getHolders());
  p->unlockHolderList();
  EXPECT_EQ(r4.get(), q);
  EXPECT_EQ(q->references(), 1);
  p->remReference();
}

TEST_F(GuardedRefTest, UpdateHoldersLeavesTheKeptHolder) {
  Probe* p = new Probe;
  std::vector<int> order;
  Recorder pin(p, &order, 0), r1(p, &order, 1), r2(p, &order, 2);
  p->lockHolderList();
  CMN_GuardedRef::updateHolders(p->_getHolders(), nullptr, &pin);
  p->unlockHolderList();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  EXPECT_EQ(pin.get(), p);  // the kept holder still holds the only reference
  EXPECT_EQ(p->_getHolders().count, 1u);
  EXPECT_EQ(p->references(), 1);
}

TEST_F(GuardedRefTest, SetGuardMovesTheCount) {
  CMN_Guard* other = CMN_Guard::create();
  other->refs.addReference();
  Probe* p = new Probe;
  ProbeRef a(p);
  int before = GuardRefs();
  p->setGuard(other);
  EXPECT_EQ(GuardRefs(), before - 1);
  EXPECT_EQ(other->refs.references(), 2);
  a = ProbeRef();  // object dies, releasing its count on the other guard
  EXPECT_EQ(other->refs.references(), 1);
  other->refs.remReference();
}

// Guarded objects built before GetInterfaceClass stored a host module
// manager (static objects at library load, say) have no guard to take: they
// are built unguarded, registered and destroyed as usual.
class NoManagerYet {
 public:
  NoManagerYet() : saved_(ModMgr) { ModMgr = nullptr; }
  ~NoManagerYet() { ModMgr = saved_; }

 private:
  CMN_ModuleManager_I* saved_;
};

TEST(GuardedRefWithoutManagerTest, BuiltUnguardedBeforeAManagerIsStored) {
  NoManagerYet none;
  CMN_ObjectManager& objects = CMN_ObjectManager::Local();
  unsigned before = objects.count();
  Probe* p = new Probe;
  EXPECT_EQ(p->getGuard(), nullptr);
  EXPECT_EQ(objects.count(), before + 1);
  Probe* copy = new Probe(*p);
  EXPECT_EQ(copy->getGuard(), nullptr);
  bool dead = false;
  {
    ProbeRef a(p), b(copy);
    EXPECT_EQ(a.guard, nullptr);
    EXPECT_EQ(p->references(), 1);
    p->dead = &dead;
  }
  EXPECT_TRUE(dead);
  EXPECT_EQ(objects.count(), before);
}

}  // namespace
}  // namespace pkixtest
