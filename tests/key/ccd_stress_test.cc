// Several threads sign, verify and hash at once through the crypto bridge
// and the host's crypto service: the bridge's one service stub binds and lets
// go of the service as the number of operations in flight rises and falls to
// zero, while every transform stays private to its operation. Run under
// ThreadSanitizer and AddressSanitizer: every result is right, and afterwards
// no transform is alive and the stub has no users.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "host/hostcrypto.h"
#include "key/ccdC.h"
#include "key/key_testutil.h"

namespace {

using keytest::Buf;
using keytest::Bytes;
using keytest::KeyData;
using keytest::KeyRef;
using keytest::ReadFile;

constexpr int kThreads = 4;
constexpr int kOpsPerThread = 60;

TKey* LoadKey(TKey::key_type_t kind, const std::string& file) {
  Bytes der = ReadFile(KeyData(file));
  return createTKey(kind, der.data(), static_cast<unsigned>(der.size()));
}

class BridgeStressTest : public keytest::KeyTest {};

TEST_F(BridgeStressTest, ConcurrentOperationsShareOnlyTheService) {
  std::atomic<int> wrong{0};
  auto worker = [&](int id) {
    // Key objects are not shared between threads; the service is.
    KeyRef priv(LoadKey(TKey::KT_PRIVATE, id % 2 == 0 ? "rsa-1024.p8.der" : "dsa-1024.p8.der"));
    KeyRef pub(LoadKey(TKey::KT_PUBLIC, id % 2 == 0 ? "rsa-1024.pub.der" : "dsa-1024.pub.der"));
    if (priv.get() == nullptr || pub.get() == nullptr) {
      ++wrong;
      return;
    }
    for (int i = 0; i < kOpsPerThread; ++i) {
      Bytes msg = {static_cast<uint8_t>(id), static_cast<uint8_t>(i), 'm', 's', 'g'};
      TBuf* data = Buf(msg);
      TBuf* sig = nullptr;
      if (signMessage(priv.get(), data, &sig) != 0 || sig == nullptr) {
        ++wrong;
      } else {
        if (verifyMessage(pub.get(), data, sig) != 0) ++wrong;
        sig->datap()[sig->len() / 2] ^= 0x01;
        if (verifyMessage(pub.get(), data, sig) == 0) ++wrong;
      }
      if (sig != nullptr) sig->release();
      unsigned char digest[20];
      unsigned len = sizeof digest;
      if (make_hash(PKI_ALG_SHA1, data, digest, &len) != 0 || len != 20) ++wrong;
      data->release();
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) threads.emplace_back(worker, t);
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(pkixhost::liveTransforms(), 0);
  EXPECT_EQ(ccdService.uses(), 0);
}

}  // namespace
