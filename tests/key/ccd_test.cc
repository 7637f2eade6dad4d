// The crypto bridge against a scripted crypto service: the fixed call
// sequence on the transform, the size query then fetch, the shortened
// result, the decrypt forms, the argument checks, codes passed through
// unchanged, and what happens with no service at all.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "key/ccdC.h"
#include "contract/service_ids.h"
#include "key/key_testutil.h"
#include "testing/scripted_crypto.h"

namespace {

using keytest::Bytes;
using keytest::Buf;
using keytest::KeyRef;
using keytest::Take;
using pkixtest::live_transforms;
using pkixtest::Script;
using pkixtest::ScriptedService;

const Bytes kData = {'m', 'e', 's', 's', 'a', 'g', 'e'};
// A code of the service's own, which the bridge passes through unchanged.
constexpr int kServiceCode = 33;

class BridgeTest : public keytest::KeyTest {
 protected:
  void SetUp() override {
    KeyTest::SetUp();
    mgr_->offer(pkixid::kCrypto, new ScriptedService(&s_));
    Bytes spki = keytest::ReadFile(std::string(PKIX_SOURCE_DIR) + "/examples/keys/root-key.pub.der");
    key_.reset(createTKey(TKey::KT_PUBLIC, spki.data(), static_cast<unsigned>(spki.size())));
    ASSERT_NE(key_.get(), nullptr);
    data_ = Buf(kData);
  }
  void TearDown() override {
    data_->release();
    key_.reset();
    EXPECT_EQ(live_transforms, 0);
    EXPECT_EQ(ccdService.uses(), 0);
    KeyTest::TearDown();
  }
  using Calls = std::vector<std::string>;

  Script s_;
  KeyRef key_;
  TBuf* data_ = nullptr;
};

TEST_F(BridgeTest, HashRunsTheFixedSequenceIntoTheCallersRoom) {
  s_.result = Bytes(20, 0xAB);
  unsigned char out[20] = {};
  unsigned len = sizeof out;
  EXPECT_EQ(make_hash(PKI_ALG_SHA1, data_, out, &len), 0);
  EXPECT_EQ(s_.calls, (Calls{"lock", "in", "out", "unlock"}));
  EXPECT_EQ(s_.func, CC_HASH);
  EXPECT_EQ(s_.alg, PKI_ALG_SHA1);
  EXPECT_EQ(s_.key, nullptr);
  EXPECT_EQ(s_.input, kData);
  EXPECT_EQ(s_.out_lens, (std::vector<unsigned>{20}));
  EXPECT_EQ(len, 20u);
  EXPECT_EQ(Bytes(out, out + 20), s_.result);
  // The transform was called with its module's guard raised.
  EXPECT_GT(s_.guard_calls_in, 0);
}

TEST_F(BridgeTest, SignAsksTheSizeThenFetchesAndKeepsTheShorterLength) {
  s_.announce = 72;
  s_.result = Bytes(70, 0x5A);  // DSA and ECDSA signatures are often shorter
  TBuf* sig = nullptr;
  EXPECT_EQ(signMessage(key_.get(), data_, &sig, PKI_ALG_SHA256_RSA), 0);
  EXPECT_EQ(s_.calls, (Calls{"lock", "in", "size", "out", "unlock"}));
  EXPECT_EQ(s_.func, CC_SIGN);
  EXPECT_EQ(s_.alg, PKI_ALG_SHA256_RSA);
  EXPECT_EQ(s_.key, key_.get());
  EXPECT_EQ(s_.out_lens, (std::vector<unsigned>{0, 72}));
  EXPECT_EQ(Take(sig), s_.result);
}

TEST_F(BridgeTest, KeyFormsUseAlgorithmZero) {
  TBuf* sig = signMessage(key_.get(), data_);
  EXPECT_EQ(Take(sig), s_.result);
  EXPECT_EQ(s_.alg, 0u);
  s_ = Script();
  TBuf* ct = encryptMessage(key_.get(), data_);
  EXPECT_EQ(s_.func, CC_ENCRYPT);
  EXPECT_EQ(s_.alg, 0u);
  EXPECT_EQ(Take(ct), s_.result);
}

TEST_F(BridgeTest, VerifyGivesTheSignatureToOutAndReturnsItsVerdict) {
  const Bytes sig = {9, 8, 7};
  TBuf* s = Buf(sig);
  s_.out_code = 0xE03F0002;  // any code of the service comes back unchanged
  EXPECT_EQ(verifyMessage(key_.get(), data_, s, PKI_ALG_SHA1_RSA), static_cast<int>(0xE03F0002));
  EXPECT_EQ(s_.calls, (Calls{"lock", "in", "out", "unlock"}));
  EXPECT_EQ(s_.func, CC_VERIFY);
  EXPECT_EQ(s_.input, kData);
  EXPECT_EQ(s_.out_data, sig);
  EXPECT_EQ(s->len(), 3u);  // the signature buffer is left as it was
  s->release();
}

TEST_F(BridgeTest, VerifyWithAnEmptySignatureStillCallsOutWithLengthZero) {
  TBuf* s = Buf({});
  EXPECT_EQ(verifyMessage(key_.get(), data_, s), 0);
  EXPECT_EQ(s_.out_lens, (std::vector<unsigned>{0}));
  s->release();
}

TEST_F(BridgeTest, AFailingLockEndsTheOperationWithItsCode) {
  s_.lock_code = 31;
  TBuf* sig = nullptr;
  EXPECT_EQ(signMessage(key_.get(), data_, &sig), 31);
  EXPECT_EQ(sig, nullptr);
  EXPECT_EQ(s_.calls, (Calls{"lock"}));
}

TEST_F(BridgeTest, WhateverFailsAfterLockStillUnlocks) {
  struct Case {
    const char* what;
    int Script::*field;
    Calls calls;
  };
  const Case cases[] = {
      {"in", &Script::in_code, {"lock", "in", "unlock"}},
      {"size query", &Script::size_code, {"lock", "in", "size", "unlock"}},
      {"fetch", &Script::out_code, {"lock", "in", "size", "out", "unlock"}},
  };
  for (const Case& c : cases) {
    s_ = Script();
    s_.*c.field = kServiceCode;
    TBuf* sig = nullptr;
    EXPECT_EQ(signMessage(key_.get(), data_, &sig), kServiceCode) << c.what;
    EXPECT_EQ(s_.calls, c.calls) << c.what;
    // A partly made result is the caller's; the single-result form drops it.
    if (sig != nullptr) sig->release();
    s_ = Script();
    s_.*c.field = kServiceCode;
    EXPECT_EQ(decryptMessage(key_.get(), data_), nullptr) << c.what;
    EXPECT_EQ(s_.calls.back(), "unlock") << c.what;
  }
}

TEST_F(BridgeTest, DecryptToANewBuffer) {
  s_.announce = 16;
  s_.result = {'p', 'l', 'a', 'i', 'n'};
  TBuf* plain = decryptMessage(key_.get(), data_);
  EXPECT_EQ(s_.calls, (Calls{"lock", "in", "size", "out", "unlock"}));
  EXPECT_EQ(s_.out_lens, (std::vector<unsigned>{0, 16}));
  EXPECT_EQ(Take(plain), s_.result);
}

TEST_F(BridgeTest, DecryptIntoAGivenBufferCopiesOnlyWhenItIsLongEnough) {
  s_.announce = 16;
  s_.result = {'p', 'l', 'a', 'i', 'n'};
  TBuf* room = Buf(Bytes(8, 0xEE));
  EXPECT_EQ(decryptMessage(key_.get(), data_, room), 0);
  EXPECT_EQ(s_.out_lens, (std::vector<unsigned>{8, 16}));  // the query starts from the room
  EXPECT_EQ(Take(room), s_.result);

  s_ = Script();
  s_.result = {'p', 'l', 'a', 'i', 'n'};
  TBuf* small = Buf(Bytes(3, 0xEE));
  EXPECT_EQ(decryptMessage(key_.get(), data_, small), 0);
  EXPECT_EQ(Take(small), Bytes(3, 0xEE));  // too short: nothing is copied
}

// A service that reports more octets than the room it was given is refused,
// and nothing beyond the room is taken as the result.
TEST_F(BridgeTest, AServiceClaimingMoreThanTheRoomIsRefused) {
  s_.announce = 8;
  s_.overstate = 4;
  TBuf* sig = nullptr;
  EXPECT_EQ(signMessage(key_.get(), data_, &sig), pkixrc::kFailed);
  if (sig != nullptr) {
    EXPECT_EQ(sig->len(), 8u);  // the partly made result keeps its room's size
    sig->release();
  }
  EXPECT_EQ(s_.calls.back(), "unlock");
  s_ = Script();
  s_.announce = 8;
  s_.overstate = 4;
  EXPECT_EQ(decryptMessage(key_.get(), data_), nullptr);
  s_ = Script();
  s_.announce = 8;
  s_.overstate = 4;
  TBuf* room = Buf(Bytes(16, 0xEE));
  EXPECT_EQ(decryptMessage(key_.get(), data_, room), pkixrc::kFailed);
  EXPECT_EQ(Take(room), Bytes(16, 0xEE));
}

TEST_F(BridgeTest, ArgumentChecks) {
  unsigned char out[20];
  unsigned len = 20;
  TBuf* sig = nullptr;
  EXPECT_EQ(make_hash(PKI_ALG_SHA1, nullptr, out, &len), pkixrc::kBadArgument);
  EXPECT_EQ(make_hash(PKI_ALG_SHA1, data_, nullptr, &len), pkixrc::kBadArgument);
  EXPECT_EQ(make_hash(PKI_ALG_SHA1, data_, out, nullptr), pkixrc::kBadArgument);
  EXPECT_EQ(signMessage(nullptr, data_, &sig), pkixrc::kBadArgument);
  EXPECT_EQ(signMessage(key_.get(), data_, nullptr), pkixrc::kBadArgument);
  EXPECT_EQ(signMessage(nullptr, data_), nullptr);
  EXPECT_EQ(verifyMessage(nullptr, data_, data_), pkixrc::kBadArgument);
  EXPECT_EQ(verifyMessage(key_.get(), nullptr, data_), pkixrc::kBadArgument);
  EXPECT_EQ(verifyMessage(key_.get(), data_, nullptr), pkixrc::kBadArgument);
  EXPECT_EQ(encryptMessage(nullptr, data_, &sig), pkixrc::kBadArgument);
  EXPECT_EQ(encryptMessage(nullptr, data_), nullptr);
  EXPECT_EQ(decryptMessage(nullptr, data_), nullptr);
  EXPECT_EQ(decryptMessage(nullptr, data_, data_), pkixrc::kBadArgument);
  EXPECT_FALSE(s_.created);  // nothing reached the service
}

TEST_F(BridgeTest, ContextForwardsAndHandsBackTheTransformsKey) {
  aKey k(key_.get());
  ccCtx_Stub ctx(k, CC_VERIFY, PKI_ALG_SHA1_RSA);
  EXPECT_EQ(ccdService.uses(), 1);
  aKey got = ctx.getKey(TKey::KT_PUBLIC);
  EXPECT_EQ(got.raw(), key_.get());
  EXPECT_EQ(ctx.error(), 0);
}

// With no crypto service every operation reports 40 and nothing crashes.
class NoServiceTest : public keytest::KeyNoCryptoTest {};

TEST_F(NoServiceTest, EveryOperationReports40) {
  Bytes spki = keytest::ReadFile(std::string(PKIX_SOURCE_DIR) + "/examples/keys/root-key.pub.der");
  KeyRef key(createTKey(TKey::KT_PUBLIC, spki.data(), static_cast<unsigned>(spki.size())));
  ASSERT_NE(key.get(), nullptr);
  TBuf* data = Buf(kData);
  unsigned char out[20];
  unsigned len = 20;
  TBuf* sig = nullptr;
  EXPECT_EQ(make_hash(PKI_ALG_SHA1, data, out, &len), pkixrc::kUnavailable);
  EXPECT_EQ(signMessage(key.get(), data, &sig), pkixrc::kUnavailable);
  EXPECT_EQ(sig, nullptr);
  EXPECT_EQ(verifyMessage(key.get(), data, data), pkixrc::kUnavailable);
  EXPECT_EQ(encryptMessage(key.get(), data, &sig), pkixrc::kUnavailable);
  EXPECT_EQ(decryptMessage(key.get(), data), nullptr);
  EXPECT_EQ(decryptMessage(key.get(), data, data), pkixrc::kUnavailable);
  // The key's own operations say the same.
  EXPECT_EQ(key->sign(data), nullptr);
  EXPECT_EQ(key->error(), pkixrc::kUnavailable);
  EXPECT_EQ(key->verify(data, data), pkixrc::kUnavailable);
  EXPECT_EQ(key->getMD5(), nullptr);
  aKey none;
  ccCtx_Stub ctx(none, CC_HASH, PKI_ALG_SHA1);
  EXPECT_EQ(ctx.lock(), pkixrc::kUnavailable);
  EXPECT_EQ(ctx.in(nullptr, 0), pkixrc::kUnavailable);
  EXPECT_EQ(ctx.out(nullptr, &len), pkixrc::kUnavailable);
  EXPECT_EQ(ctx.unlock(), pkixrc::kUnavailable);
  EXPECT_EQ(ctx.error(), pkixrc::kUnavailable);
  EXPECT_EQ(ctx.getKey(TKey::KT_PUBLIC).raw(), nullptr);
  data->release();
}

}  // namespace
