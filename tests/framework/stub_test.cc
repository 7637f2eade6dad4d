#include "framework/cmn_stub.h"

#include <gtest/gtest.h>

#include "framework/probe.h"
#include "host/hostbuf.h"
#include "support/abuf.h"
#include "support/result_codes.h"
#include "testing/inproc.h"

namespace pkixtest {
namespace {

class StubTest : public ::testing::Test {
 protected:
  void TearDown() override { x509cmn_fini(); }
};

TEST_F(StubTest, StaticStubBindsOnFirstCallAfterTheManagerIsKnown) {
  ASSERT_EQ(ModMgr, nullptr);
  EXPECT_EQ(createTBuf(), nullptr);  // no manager yet: fails without calling
  InProcessManager mgr;
  EXPECT_EQ(mgr.acquired(), 0);
  TBuf* b = createTBuf(reinterpret_cast<const unsigned char*>("ab"), 2);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->len(), 2u);
  b->release();
  TBuf* c = createTBuf("xyz");
  ASSERT_NE(c, nullptr);
  c->release();
  EXPECT_EQ(mgr.acquired(), 1);  // bound once
  EXPECT_EQ(mgr.guard()->callCount(), 0);
}

TEST_F(StubTest, UseCountKeepsTheServiceUntilTheLastUnref) {
  InProcessManager mgr;
  X509CmnSrv stub(nullptr);
  stub.ref();
  stub.ref();
  EXPECT_NE(stub.service(), nullptr);
  stub.unref();
  EXPECT_NE(stub.service(), nullptr);
  EXPECT_EQ(mgr.released(), 0);
  stub.unref();
  EXPECT_EQ(stub.service(), nullptr);
  EXPECT_EQ(mgr.released(), 1);
}

TEST_F(StubTest, NoServiceFailsAndTheNextCallTriesAgain) {
  InProcessManager mgr;
  mgr.refuseAll(true);
  X509CmnSrv stub(nullptr);
  auto make = [](X509CmnSrv_I* s) { return s->createTBuf(); };
  EXPECT_EQ(stub.call(make), nullptr);
  mgr.refuseAll(false);
  TBuf* b = stub.call(make);
  ASSERT_NE(b, nullptr);
  b->release();
}

// Records, when the service's use count drops, whether the object was
// already gone.
struct OrderProbe : CMN_ServiceStubInterface {
  void ref() override { ++refs; }
  void unref() override { object_dead_at_unref = *dead; }
  int refs = 0;
  bool object_dead_at_unref = false;
  bool* dead = nullptr;
};

TEST_F(StubTest, ObjectStubReleasesTheObjectBeforeTheService) {
  InProcessManager mgr(false);
  Probe* p = new Probe;
  bool dead = false;
  p->dead = &dead;
  OrderProbe svc;
  svc.dead = &dead;
  {
    CMN_ObjectStub<Probe> stub(p, &svc);
    EXPECT_EQ(svc.refs, 1);
    EXPECT_EQ(p->references(), 1);
    EXPECT_EQ(stub.invoke([](Probe* o) { return o->getType(); }), 7u);
  }
  EXPECT_TRUE(svc.object_dead_at_unref);
  EXPECT_EQ(mgr.guard()->callCount(), 0);
  CMN_ObjectStub<Probe> empty(nullptr, nullptr);
  EXPECT_EQ(empty.invoke([](Probe* o) { return 1; }, -1), -1);
}

// A stub that adopts a new object takes the creator's reference over: the
// object ends with exactly the stub's one, whether its interface drops
// references with release() (buffers) or only as a plain count (Probe, like
// transforms), and the release ran under a raised guard that is lowered
// again.
class AdoptingStub : public CMN_ObjectStub<Probe> {
 public:
  AdoptingStub() : CMN_ObjectStub<Probe>(nullptr, nullptr) {}
  using CMN_ObjectStub<Probe>::adopt;
};

TEST_F(StubTest, AdoptingTakesOverTheCreationReference) {
  InProcessManager mgr;
  Probe* p = new Probe;
  p->addReference();  // the creator's
  {
    AdoptingStub stub;
    EXPECT_TRUE(stub.adopt(p));
    EXPECT_EQ(p->references(), 1);
    EXPECT_EQ(p->_getHolders().count, 1u);
    EXPECT_FALSE(stub.adopt(nullptr));
    EXPECT_EQ(stub.get(), p);  // null leaves the held object
  }
  EXPECT_EQ(mgr.guard()->callCount(), 0);
  aBuf made("abc");  // through the buffer service: adopted with release()
  ASSERT_NE(made.raw(), nullptr);
  EXPECT_EQ(made.error(), pkixrc::kOk);
  EXPECT_EQ(made.raw()->references(), 1);
  EXPECT_EQ(mgr.guard()->callCount(), 0);
}

}  // namespace
}  // namespace pkixtest
