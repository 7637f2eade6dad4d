// Shared by the key tests: the in-process fixture with the module services
// the keys need (buffers, algorithm conversion, keys), the committed key
// fixtures, and byte helpers.
#ifndef PKIX_TESTS_KEY_KEY_TESTUTIL_H_
#define PKIX_TESTS_KEY_KEY_TESTUTIL_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "contract/service_ids.h"
#include "alg/pki_cnvrt_c.h"
#include "cert/x509_testutil.h"
#include "host/hostbuf.h"
#include "key/x509key.h"
#include "support/abuf.h"
#include "module/pkixclnt.h"
#include "module/pkixkeysrv.h"
#include "support/ref.h"
#include "support/result_codes.h"
#include "testing/inproc.h"

namespace keytest {

using Bytes = std::vector<uint8_t>;

// Files and hex as the certificate and support-library tests read them.
using x509test::DerFiles;
using x509test::Hex;
using x509test::ReadFile;

inline std::string KeyData(const std::string& name) { return std::string(PKIX_SOURCE_DIR "/tests/data/key/") + name; }

// Holds a buffer a call returned (its reference is taken over).
struct BufRef : Ref<TBuf> {
  explicit BufRef(TBuf* b = nullptr) { reset(b); }
};

inline Bytes Of(TBuf* b) {
  if (b == nullptr) return {};
  return Bytes(b->datap(), b->datap() + b->len());
}

// The content of a returned buffer, which is released; {} for null.
inline Bytes Take(TBuf* b) {
  BufRef hold(b);
  return Of(b);
}

// A buffer holding the bytes; the caller releases it.
inline TBuf* Buf(const Bytes& b) { return createTBuf(b.data(), static_cast<unsigned>(b.size())); }

// The attribute of a key by identifier, as octets ({} when none).
inline Bytes Attr(TKey* k, TKey::aka_t a) { return Take(k->getParam(a)); }

// A size attribute (AKA_BITS unless told) as a number; 0xFFFFFFFF when the
// key has none of four octets.
inline uint32_t Bits(TKey* k, TKey::aka_t a = TKey::AKA_BITS) {
  Bytes b = Attr(k, a);
  if (b.size() != 4) return 0xFFFFFFFFu;
  return uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
}

// Holds a key a call returned (its reference is taken over).
struct KeyRef : Ref<TKey> {
  explicit KeyRef(TKey* key = nullptr) { reset(key); }
};

// Every key test runs against the real buffer service, the algorithm
// conversion service and the key service, offered by an in-process manager,
// and the host's crypto service unless the fixture is built without it.
// TearDown lets every static stub go and checks that no buffer is left.
class KeyTest : public ::testing::Test {
 protected:
  explicit KeyTest(bool with_crypto = true) : with_crypto_(with_crypto) {}
  void SetUp() override {
    mgr_.reset(new pkixtest::InProcessManager(true, with_crypto_));
    mgr_->offer(pkixid::kAlgConversion, createAlgCnvrtSrv());
    mgr_->offer(pkixid::kKeyService, createTPkixKeyService());
  }
  void TearDown() override {
    {
      PkiAlgCnvrt empty(static_cast<TPkiAlgCnvrt*>(nullptr));
      cnvrt = empty;
    }
    {
      aPkixKeyClnt empty(static_cast<TPkixKeyService*>(nullptr));
      pkixKeyClnt = empty;
    }
    mgr_.reset();
    x509cmn_fini();
    EXPECT_EQ(pkixhost::liveBuffers(), 0);
  }

  const bool with_crypto_;
  std::unique_ptr<pkixtest::InProcessManager> mgr_;
};

// The same without the crypto service: what every operation reports then.
class KeyNoCryptoTest : public KeyTest {
 protected:
  KeyNoCryptoTest() : KeyTest(false) {}
};

}  // namespace keytest

#endif  // PKIX_TESTS_KEY_KEY_TESTUTIL_H_
