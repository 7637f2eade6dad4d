// The host-to-module path: the built libpkix.so loaded with dlopen through
// GetInterfaceClass, as in production.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "host/host.h"
#include "host/hostbuf.h"
#include "contract/service_ids.h"
#include "support/result_codes.h"

namespace {

using pkixhost::Host;
using pkixhost::LoadedModule;

class ModuleLoadTest : public ::testing::Test {
 protected:
  Host host;
  LoadedModule* m = nullptr;
  void SetUp() override {
    int code = -1;
    m = host.load(PKIX_MODULE_PATH, &code);
    ASSERT_NE(m, nullptr) << "code " << code;
    EXPECT_EQ(code, 0);
  }
};

TEST_F(ModuleLoadTest, ModuleObjectAnswersAsGiven) {
  BaseModuleInterface* mod = m->module();
  EXPECT_EQ(m->id(), 63u);
  EXPECT_EQ(mod->getVersion(), 0u);
  EXPECT_EQ(mod->getBuild(), 0u);
  EXPECT_EQ(mod->isReplaceable(), 0);
  EXPECT_EQ(mod->createObject(0), nullptr);
  EXPECT_EQ(mod->createObject(7), nullptr);
  EXPECT_EQ(mod->addModule(1, nullptr), pkixrc::kFailed);
}

TEST_F(ModuleLoadTest, GetServiceRefusesWhatItDoesNotOffer) {
  BaseModuleInterface* mod = m->module();
  EXPECT_EQ(mod->getService(Tuint32ID(pkixid::kCertListReserved)), nullptr);
  EXPECT_EQ(mod->getService(Tuint32ID(pkixid::kModule)), nullptr);
  EXPECT_EQ(mod->getService(TstringID("0x3f0007")), nullptr);
  EXPECT_EQ(mod->getService(Tuint32ID(0)), nullptr);
  // Through the broker as well: unknown services are null, never a crash.
  Tuint32ID me(Host::kHostModuleID);
  EXPECT_EQ(host.acquire(Tuint32ID(0x3f00ff), me), nullptr);
  EXPECT_EQ(host.acquire(Tuint32ID(0x7f0001), me), nullptr);
  EXPECT_EQ(host.acquire(TstringID(nullptr), me), nullptr);
}

TEST_F(ModuleLoadTest, EntryPointsAreExportedUnmangled) {
  for (const char* name : {"GetInterfaceClass", "InitObjectManager", "GetObjectManager", "x509cmn_init",
                           "x509cmn_fini", "createIniFile", "zel_get_product_dir", "zel_get_executable_dir"}) {
    EXPECT_NE(m->symbol(name), nullptr) << name;
  }
  // The framework is hidden: the module's lock and manager are its own.
  EXPECT_EQ(m->symbol("_ZN13CMN_Reference8RefMutexE"), nullptr);
  EXPECT_EQ(m->symbol("_ZN17CMN_ObjectManager5LocalEv"), nullptr);
}

TEST_F(ModuleLoadTest, SecondModuleObjectReplacesTheFirst) {
  auto entry = reinterpret_cast<BaseModuleInterface* (*)(CMN_ModuleManager_I*, int)>(m->symbol("GetInterfaceClass"));
  BaseModuleInterface* first = m->module();
  BaseModuleInterface* second = entry(m, 0);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, first);
  // The first object was released by the second call; the module still
  // holds exactly one module object.
  auto objects = m->objectManager();
  EXPECT_EQ(objects->count(), 1u);
  EXPECT_EQ(objects->moduleIsUsed(), 0);
  // flag set: the module object goes, nothing new is built.
  EXPECT_EQ(entry(m, 1), nullptr);
  EXPECT_EQ(objects->count(), 0u);
  // Bring one back so unload has a module to shut down.
  EXPECT_NE(entry(m, 0), nullptr);
}

TEST_F(ModuleLoadTest, BufferClientReachesTheHostBufferService) {
  using Init = int (*)();
  auto init = reinterpret_cast<Init>(m->symbol("x509cmn_init"));
  auto fini = reinterpret_cast<Init>(m->symbol("x509cmn_fini"));
  Tuint32ID me(Host::kHostModuleID);
  CMN_GuardedRef* service = host.acquire(Tuint32ID(pkixhost::kBufferServiceID), me);
  ASSERT_NE(service, nullptr);
  int before = service->references();
  // Bound at once: the module's stub holds one reference of its own.
  EXPECT_EQ(init(), 0);
  EXPECT_EQ(service->references(), before + 1);
  EXPECT_EQ(fini(), 0);
  EXPECT_EQ(service->references(), before);
  EXPECT_EQ(host.hostGuard()->callCount(), 0);
}

TEST(ModuleUnloadTest, UnloadWaitsForNothingAndClosesTheLibrary) {
  Host host;
  LoadedModule* m = host.load(PKIX_MODULE_PATH);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(host.unload(m), 0);
  EXPECT_TRUE(host.modules().empty());
  // Loading again after a clean unload gives a working module.
  m = host.load(PKIX_MODULE_PATH);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->id(), 63u);
}

TEST(ModuleUnloadTest, BadPathsAreReportedNotFatal) {
  Host host;
  int code = 0;
  EXPECT_EQ(host.load("/nonexistent/libpkix.so", &code), nullptr);
  EXPECT_EQ(code, pkixrc::kCannotOpen);
  // A real library without the entry points.
  EXPECT_EQ(host.load("libm.so.6", &code), nullptr);
  EXPECT_EQ(code, pkixrc::kFailed);
  EXPECT_EQ(host.unload(nullptr), pkixrc::kBadArgument);
}

// Only the C runtime and the support library: the module needs nothing else.
TEST(ModuleDependenciesTest, NeedsOnlyTheRuntimeAndTheSupportLibrary) {
  std::string cmd = std::string("readelf -d ") + PKIX_MODULE_PATH + " 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::set<std::string> needed;
  char line[512];
  while (fgets(line, sizeof line, p) != nullptr) {
    std::string s(line);
    size_t a = s.find("Shared library: [");
    if (a == std::string::npos) continue;
    size_t b = s.find(']', a);
    needed.insert(s.substr(a + 17, b - a - 17));
  }
  pclose(p);
  ASSERT_FALSE(needed.empty());
  const std::set<std::string> allowed = {"libs_x509asn.so", "libstdc++.so.6", "libm.so.6", "libgcc_s.so.1",
                                         "libc.so.6", "ld-linux.so.2", "ld-linux-x86-64.so.2",
                                         // sanitizer runtimes in the instrumented builds
                                         "libasan.so.8", "libubsan.so.1", "libtsan.so.2"};
  for (const std::string& n : needed) EXPECT_TRUE(allowed.count(n) != 0) << n;
  EXPECT_TRUE(needed.count("libs_x509asn.so") != 0);
}

}  // namespace
