// Unloading as the host does it: refuse while another module holds the
// module's objects, detach a departing client's holders, and never wait
// forever for a call counter.
#include <gtest/gtest.h>

#include "framework/cmn_obj_mgr.h"
#include "host/host.h"

namespace {

using pkixhost::Host;
using pkixhost::LoadedModule;

TEST(UnloadTest, RefusedWhileAClientHoldsAnObject) {
  Host host;
  LoadedModule* m = host.load(PKIX_MODULE_PATH);
  ASSERT_NE(m, nullptr);
  // A client module (identifier 200) takes a holder on the module's newest
  // object, the module object itself.
  Tuint32ID client(200);
  DummyHolder* pin = m->objectManager()->getObj();
  ASSERT_NE(pin, nullptr);
  CMN_GRefPtr<CMN_GuardedRef> held(pin->get(), nullptr, &client);
  pin->die();
  EXPECT_EQ(m->objectManager()->moduleIsUsed(), 1);
  EXPECT_EQ(m->objectManager()->moduleIsUsedBy(client), 1);
  EXPECT_EQ(host.unload(m), pkixhost::kHostBusy);
  ASSERT_EQ(host.modules().size(), 1u);
  // The client goes away: its holder is detached, and the module may go.
  EXPECT_EQ(host.unhookClient(client), 1);
  EXPECT_EQ(held.get(), nullptr);
  EXPECT_EQ(m->objectManager()->moduleIsUsed(), 0);
  EXPECT_EQ(host.unload(m), pkixhost::kHostOk);
  EXPECT_TRUE(host.modules().empty());
}

TEST(UnloadTest, BusyModuleIsLeftOpenNotClosedUnderACall) {
  Host host;
  host.setIdleWaitMillis(30);
  LoadedModule* m = host.load(PKIX_MODULE_PATH);
  ASSERT_NE(m, nullptr);
  CMN_Guard* guard = m->guard();
  guard->inc();  // a thread is inside the module
  EXPECT_EQ(host.unload(m), pkixhost::kHostBusy);
  EXPECT_EQ(host.modules().size(), 1u);
  guard->dec();  // the call returns
  EXPECT_EQ(host.unload(m), pkixhost::kHostOk);
  EXPECT_TRUE(host.modules().empty());
}

}  // namespace
