// The key service through the loaded module, as another module reaches it:
// getService(0x3f0008) through the host, keys created from DER and read
// through the TKey interface.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "contract/service_ids.h"
#include "cert/x509_testutil.h"
#include "host/host.h"
#include "key/tkey.h"
#include "module/pkixkeysrv.h"
#include "support/result_codes.h"

namespace {

using pkixhost::Host;
using Bytes = std::vector<uint8_t>;

using x509test::ReadFile;

Bytes Take(TBuf* b) {
  if (b == nullptr) return {};
  Bytes out(b->datap(), b->datap() + b->len());
  b->release();
  return out;
}

class KeyHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    int code = -1;
    module = host.load(PKIX_MODULE_PATH, &code);
    ASSERT_NE(module, nullptr) << "code " << code;
    CMN_GuardedRef* s = host.acquire(id, me);
    ASSERT_NE(s, nullptr);
    service = static_cast<TPkixKeyService*>(s);
  }
  void TearDown() override {
    if (service != nullptr) host.release(id, me);
    EXPECT_EQ(host.unload(module), 0);
  }

  Host host;
  pkixhost::LoadedModule* module = nullptr;
  Tuint32ID id{pkixid::kKeyService};
  Tuint32ID me{Host::kHostModuleID};
  TPkixKeyService* service = nullptr;
};

TEST_F(KeyHostTest, ServiceCreatesKeysFromDER) {
  EXPECT_EQ(module->module()->getService(id), service);  // the same service each time
  Bytes spki = ReadFile(PKIX_SOURCE_DIR "/tests/data/key/rsa-4096.pub.der");
  Bytes p8 = ReadFile(PKIX_SOURCE_DIR "/tests/data/key/dsa-2048.p8.der");
  ASSERT_FALSE(spki.empty());
  TKey* pub = service->createTKey(TKey::KT_PUBLIC, spki.data(), static_cast<unsigned>(spki.size()));
  ASSERT_NE(pub, nullptr);
  EXPECT_EQ(pub->references(), 1);
  EXPECT_EQ(pub->getAlg(), 0x1u);
  EXPECT_EQ(Take(pub->getParam(TKey::AKA_BITS)), (Bytes{0x00, 0x00, 0x10, 0x00}));
  EXPECT_EQ(Take(pub->getRaw()), spki);
  EXPECT_EQ(pub->release(), 0);

  TKey* priv = service->createTKey(TKey::KT_PRIVATE, p8.data(), static_cast<unsigned>(p8.size()));
  ASSERT_NE(priv, nullptr);
  EXPECT_EQ(priv->getAlg(), 0x2u);
  EXPECT_EQ(Take(priv->getParam(TKey::AKA_BITS)), (Bytes{0x00, 0x00, 0x08, 0x00}));
  priv->release();

  EXPECT_EQ(service->createTKey(TKey::KT_PUBLIC, p8.data(), static_cast<unsigned>(p8.size())), nullptr);
  EXPECT_EQ(service->createTKey(static_cast<TKey::key_type_t>(4)), nullptr);
  TKey* blank = service->createTKey();
  ASSERT_NE(blank, nullptr);
  EXPECT_EQ(blank->getType(), TKey::KT_NONE);
  EXPECT_EQ(blank->setRaw(spki.data(), static_cast<unsigned>(spki.size())), pkixrc::kUnavailable);
  blank->release();
  TKey* empty = service->createTKey(TKey::KT_SECRET, spki.data(), 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->getType(), TKey::KT_SECRET);
  empty->release();
  EXPECT_EQ(service->init(), 0);
  EXPECT_EQ(service->fini(), 0);
}

}  // namespace
