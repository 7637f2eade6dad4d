// Certificate objects from several threads at once: each thread makes its
// own objects from the sample PKI and asks them the usual questions (the
// public key made on first use, the fingerprints through the crypto
// service, the extensions, a signature check), while all threads keep
// taking and dropping references on one shared certificate. Run under
// ThreadSanitizer and AddressSanitizer: every answer equals the one a
// single thread got first, the shared certificate survives until its last
// reference goes, and afterwards no transform or prepared key is alive.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "cert/x509crt.h"
#include "host/hostcrypto.h"
#include "key/key_testutil.h"

namespace {

using keytest::Bytes;
using keytest::ReadFile;

constexpr int kThreads = 4;
constexpr int kRounds = 40;

Bytes Example(const std::string& name) { return ReadFile(PKIX_SOURCE_DIR "/examples/certs/" + name); }

TCert* Make(const Bytes& der) { return createTCert(TCert::CF_X509, der.data(), static_cast<unsigned>(der.size())); }

// What one certificate answers: key algorithm, SHA-1, the key's DER, and
// whether its issuer's key checks its signature (the extension list is
// made too).
struct Answers {
  pki_alg_t key_alg = 0;
  Bytes sha1;
  Bytes key;
  int checked = -1;
  bool operator==(const Answers& o) const {
    return key_alg == o.key_alg && sha1 == o.sha1 && key == o.key && checked == o.checked;
  }
};

Answers Ask(TCert* c, TCert* issuer) {
  Answers a;
  Ref<TKey> k = adoptRef(c->getKey(TKey::KT_PUBLIC));
  if (k) {
    a.key_alg = k->getAlg();
    a.key = keytest::Take(k->getRaw());
  }
  a.sha1 = keytest::Take(c->getSHA1());
  Ref<TExtnList> l = adoptRef(c->getExtns());
  a.checked = c->checkSign(issuer);
  return a;
}

class CertThreadsTest : public keytest::KeyTest {};

TEST_F(CertThreadsTest, OwnObjectsAndOneSharedCertificate) {
  const Bytes server = Example("server.der"), ca = Example("sub-ca.der");
  Ref<TCert> shared = adoptRef(Make(server));
  Ref<TCert> issuer_once = adoptRef(Make(ca));
  ASSERT_TRUE(shared);
  ASSERT_TRUE(issuer_once);
  const Answers expected = Ask(shared.get(), issuer_once.get());
  ASSERT_EQ(expected.checked, 0);
  ASSERT_EQ(expected.sha1.size(), 20u);
  std::atomic<int> wrong{0};
  auto worker = [&] {
    for (int i = 0; i < kRounds; ++i) {
      Ref<TCert> mine = adoptRef(Make(server));
      Ref<TCert> issuer = adoptRef(Make(ca));
      if (!mine || !issuer || !(Ask(mine.get(), issuer.get()) == expected)) ++wrong;
      // References on the shared object come and go in every thread (its
      // other operations belong to one thread at a time).
      if (shared->addRef() < 2) ++wrong;
      Ref<TCert> extra = adoptRef(static_cast<TCert*>(shared.get()));
    }
  };
  std::vector<std::thread> pool;
  for (int t = 0; t < kThreads; ++t) pool.emplace_back(worker);
  for (std::thread& t : pool) t.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(shared->addRef(), 2);
  shared->release();
  shared.reset();
  issuer_once.reset();
  EXPECT_EQ(pkixhost::liveTransforms(), 0);
  EXPECT_EQ(pkixhost::liveKeyHandles(), 0);
}

}  // namespace
