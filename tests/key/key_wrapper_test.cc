// The key service's client and the aKey wrapper in-process: creation
// through pkixKeyClnt leaves the wrapper holding the only reference, every
// operation forwards, an empty wrapper calls nothing and reports 40.
#include "module/pkixakey.h"
#include "key_testutil.h"

namespace keytest {
namespace {

class KeyWrapperTest : public KeyTest {
 protected:
  explicit KeyWrapperTest(bool with_crypto = true) : KeyTest(with_crypto) {}
  Bytes spki = ReadFile(KeyData("rsa-2048.pub.der"));
  Bytes p1 = ReadFile(KeyData("rsa-2048.p1.der"));
  unsigned n(const Bytes& b) { return static_cast<unsigned>(b.size()); }
};

Bytes Of(const aBuf& b) { return Bytes(b.datap(), b.datap() + b.len()); }

TEST_F(KeyWrapperTest, CreatedThroughTheClientHeldByTheWrapperAlone) {
  aKey k(TKey::KT_PUBLIC, spki.data(), n(spki));
  ASSERT_EQ(k.error(), 0);
  ASSERT_NE(k.raw(), nullptr);
  EXPECT_EQ(k.raw()->references(), 1);
  EXPECT_EQ(k.getType(), TKey::KT_PUBLIC);
  EXPECT_EQ(k.getAlg(), PKI_ALG_RSA);
  EXPECT_EQ(Of(k.getRaw()), spki);
  EXPECT_EQ(k.error(), 0);
  aBuf bits = k.getParam(TKey::AKA_BITS);
  EXPECT_EQ(Of(bits), Hex("00 00 08 00"));
  EXPECT_EQ(bits.raw()->references(), 3);  // the list (as AKA_BITS and AKA_RSA_BITS) and this wrapper
  EXPECT_EQ(Of(k.getParam(static_cast<unsigned char>(1))), Hex("01 00 01"));
  EXPECT_EQ(k.getVendor(), VENDOR_NONE);
  // A copy shares the key.
  {
    aKey copy(k);
    EXPECT_EQ(copy.raw(), k.raw());
    EXPECT_EQ(k.raw()->references(), 2);
  }
  EXPECT_EQ(k.raw()->references(), 1);
  // Garbage: no key, error 40.
  aKey bad(TKey::KT_PUBLIC, p1.data(), n(p1));
  EXPECT_EQ(bad.raw(), nullptr);
  EXPECT_EQ(bad.error(), pkixrc::kUnavailable);
  // The typed empty key.
  aKey typed(TKey::KT_SECRET);
  ASSERT_NE(typed.raw(), nullptr);
  EXPECT_EQ(typed.getType(), TKey::KT_SECRET);
  EXPECT_EQ(typed.raw()->references(), 1);
  aKey none(static_cast<TKey::key_type_t>(9));
  EXPECT_EQ(none.raw(), nullptr);
}

// The crypto operations are checked here without the crypto service, where
// every one must report the bridge's 40.
class KeyWrapperNoCryptoTest : public KeyWrapperTest {
 protected:
  KeyWrapperNoCryptoTest() : KeyWrapperTest(false) {}
};

TEST_F(KeyWrapperNoCryptoTest, OperationsForwardAndKeepTheCode) {
  aKey k(TKey::KT_PRIVATE);
  EXPECT_EQ(k.setRaw(spki.data(), n(spki)), pkixrc::kFailed);  // an SPKI is no private key
  EXPECT_EQ(k.error(), pkixrc::kFailed);
  aBuf der(p1.data(), n(p1));
  EXPECT_EQ(k.setRaw(der), 0);
  EXPECT_EQ(k.getAlg(), PKI_ALG_RSA);
  EXPECT_EQ(Of(k.getKey()), Of(k.getParam(TKey::AKA_PRIV_EXPONENT)));
  aBuf v(Hex("01 02").data(), 2);
  EXPECT_EQ(k.setParam(TKey::AKA_X16, v), pkixrc::kWrongType);
  EXPECT_EQ(k.setParam(TKey::AKA_COEFFICIENT, v), 0);
  EXPECT_EQ(Of(k.getParam(static_cast<unsigned char>(7))), Hex("01 02"));
  EXPECT_EQ(k.setParam(static_cast<unsigned char>(11), v), pkixrc::kWrongType);
  EXPECT_EQ(k.setParam(TKey::BKA_SIGNATURE, 1), 0);
  EXPECT_EQ(k.getParam(TKey::BKA_SIGNATURE), 1);
  EXPECT_EQ(k.getParam(static_cast<TKey::bka_t>(14)), 0);
  EXPECT_EQ(k.error(), pkixrc::kWrongType);
  EXPECT_EQ(k.setTokenId(3, 4), 0);
  unsigned a = 0, b = 0;
  EXPECT_EQ(k.getTokenId(a, b), 0);
  EXPECT_EQ(a + b, 7u);
  EXPECT_EQ(k.setKeyId(v), 0);
  EXPECT_EQ(Of(k.getKeyId()), Hex("01 02"));
  // Without a crypto service.
  aBuf sig = k.sign(v);
  EXPECT_EQ(sig.raw(), nullptr);
  EXPECT_EQ(sig.error(), pkixrc::kUnavailable);
  EXPECT_EQ(k.error(), pkixrc::kUnavailable);
  EXPECT_EQ(k.verify(v, v), pkixrc::kUnavailable);
  aKey pub(TKey::KT_PUBLIC, spki.data(), n(spki));
  EXPECT_EQ(k.isConsistent(pub, 0), 0);
  EXPECT_EQ(k.error(), pkixrc::kUnavailable);
  EXPECT_EQ(pub.encrypt(v).raw(), nullptr);
  EXPECT_EQ(k.decrypt(v).raw(), nullptr);
  EXPECT_EQ(k.setVendor(VENDOR_NONE), 0);
  EXPECT_EQ(k.setAlg(PKI_ALG_DSA), 0);
  EXPECT_EQ(k.getAlg(), PKI_ALG_DSA);
  aBuf value(Hex("05").data(), 1);
  EXPECT_EQ(k.setKey(value), 0);
  EXPECT_EQ(Of(k.getParam(TKey::AKA_KEY)), Hex("05"));
}

TEST_F(KeyWrapperTest, EmptyWrapperCallsNothing) {
  aKey k;
  EXPECT_EQ(k.error(), pkixrc::kUnavailable);
  aBuf v(Hex("01").data(), 1);
  unsigned a = 0, b = 0;
  const int codes[] = {k.setAlg(1),
                       k.setKey(v),
                       k.setParam(static_cast<unsigned char>(0), v),
                       k.setParam(TKey::AKA_KEY, v),
                       k.setParam(TKey::BKA_1, 1),
                       k.setRaw(v),
                       k.setRaw(spki.data(), n(spki)),
                       k.setTokenId(1, 2),
                       k.getTokenId(a, b),
                       k.setKeyId(v),
                       k.verify(v, v),
                       k.setVendor(VENDOR_SC)};
  for (int c : codes) EXPECT_EQ(c, pkixrc::kUnavailable);
  EXPECT_EQ(k.getType(), TKey::KT_NONE);
  EXPECT_EQ(k.getAlg(), 0u);
  EXPECT_EQ(k.getParam(TKey::BKA_1), 0);
  EXPECT_EQ(k.getVendor(), VENDOR_NONE);
  aKey other(TKey::KT_PUBLIC);
  EXPECT_EQ(k.isConsistent(other, 1), 0);
  for (const aBuf& r : {k.getKey(), k.getParam(static_cast<unsigned char>(0)), k.getParam(TKey::AKA_KEY),
                        k.getRaw(), k.getKeyId(), k.encrypt(v), k.decrypt(v), k.sign(v)}) {
    EXPECT_EQ(r.raw(), nullptr);
    EXPECT_EQ(r.error(), pkixrc::kUnavailable);
  }
  EXPECT_EQ(k.error(), pkixrc::kUnavailable);
}

TEST_F(KeyWrapperTest, WrapsAGivenKey) {
  TKey* raw = createTKey(TKey::KT_PUBLIC, spki.data(), n(spki));
  ASSERT_NE(raw, nullptr);
  {
    aKey k(raw);
    EXPECT_EQ(k.error(), 0);
    EXPECT_EQ(raw->references(), 2);  // the caller keeps its own
    EXPECT_EQ(k.getAlg(), PKI_ALG_RSA);
  }
  EXPECT_EQ(raw->references(), 1);
  raw->release();
}

TEST_F(KeyWrapperTest, ClientWithoutService) {
  mgr_->refuseAll(true);
  EXPECT_EQ(pkixKeyClnt.createTKey(), nullptr);
  aKey k(TKey::KT_PUBLIC, spki.data(), n(spki));
  EXPECT_EQ(k.raw(), nullptr);
  EXPECT_EQ(k.error(), pkixrc::kUnavailable);
}

TEST_F(KeyWrapperTest, ClientForms) {
  KeyRef blank(pkixKeyClnt.createTKey());
  ASSERT_NE(blank.get(), nullptr);
  EXPECT_EQ(blank->getType(), TKey::KT_NONE);
  EXPECT_EQ(blank->references(), 1);
  KeyRef typed(pkixKeyClnt.createTKey(TKey::KT_PRIVATE));
  ASSERT_NE(typed.get(), nullptr);
  EXPECT_EQ(typed->getType(), TKey::KT_PRIVATE);
  EXPECT_EQ(pkixKeyClnt.createTKey(TKey::KT_NONE), nullptr);
  KeyRef no_bytes(pkixKeyClnt.createTKey(TKey::KT_PUBLIC, spki.data(), 0));
  ASSERT_NE(no_bytes.get(), nullptr);
  EXPECT_EQ(no_bytes->getAlg(), 0u);
  KeyRef parsed(pkixKeyClnt.createTKey(TKey::KT_PRIVATE, p1.data(), n(p1)));
  ASSERT_NE(parsed.get(), nullptr);
  EXPECT_EQ(parsed->getAlg(), PKI_ALG_RSA);
  EXPECT_EQ(pkixKeyClnt.createTKey(TKey::KT_PUBLIC, p1.data(), n(p1)), nullptr);
}

}  // namespace
}  // namespace keytest
