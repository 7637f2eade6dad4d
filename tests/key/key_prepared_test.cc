// Private keys prepared by the crypto service: a key object that signs or
// decrypts keeps one handle from the service for as long as it lives and
// keeps its material; releasing the key or changing it gives the handle
// back (the service's count of live handles shows it). Signatures made with
// the prepared material verify in OpenSSL, and a decryption with it reads
// what OpenSSL encrypted.
#include <openssl/evp.h>

#include <string>

#include "host/hostcrypto.h"
#include "key/ccdC.h"
#include "key/x509key.h"
#include "key_testutil.h"
#include "testing/ossl_oracle.h"

namespace keytest {
namespace {

const Bytes kMessage = {'p', 'r', 'e', 'p', 'a', 'r', 'e', 'd'};

TKey* Load(TKey::key_type_t kind, const std::string& file) {
  Bytes d = ReadFile(KeyData(file));
  return createTKey(kind, d.data(), static_cast<unsigned>(d.size()));
}

Bytes Sign(TKey* k) {
  BufRef data(Buf(kMessage));
  return Take(k->sign(data.get()));
}

class KeyPreparedTest : public KeyTest {
 protected:
  void SetUp() override {
    KeyTest::SetUp();
    // The module's stub may still hold the service of an earlier test and
    // let it go on its next calls: one signature settles it on this test's
    // service before anything is counted.
    KeyRef warm(Load(TKey::KT_PRIVATE, "rsa-1024.p8.der"));
    ASSERT_FALSE(Sign(warm.get()).empty());
    warm.reset();
    ASSERT_EQ(pkixhost::liveKeyHandles(), 0);
  }
};

// Each family the service prepares: one handle across many signatures,
// none after the release; every signature verifies in OpenSSL.
TEST_F(KeyPreparedTest, OneHandlePerKeyUntilReleased) {
  const char* kStems[] = {"rsa-2048", "dsa-1024"};
  for (const char* stem : kStems) {
    SCOPED_TRACE(stem);
    std::string s = stem;
    KeyRef priv(Load(TKey::KT_PRIVATE, s + ".p8.der"));
    ASSERT_NE(priv.get(), nullptr);
    pkixtest::PKey verifier = pkixtest::OsslPublicKey(ReadFile(KeyData(s + ".pub.der")));
    auto* own = dynamic_cast<X509Key*>(priv.get());
    ASSERT_NE(own, nullptr);
    ccKeyHandle* first = nullptr;
    for (int round = 0; round < 3; ++round) {
      Bytes sig = Sign(priv.get());
      // The same handle serves every signature.
      if (round == 0) first = own->preparedHandle();
      EXPECT_NE(first, nullptr);
      EXPECT_EQ(own->preparedHandle(), first);
      ASSERT_FALSE(sig.empty());
      EXPECT_TRUE(pkixtest::OsslVerify(verifier.get(), EVP_sha1(), kMessage, sig));
      EXPECT_EQ(pkixhost::liveKeyHandles(), 1);
    }
    priv.reset();
    EXPECT_EQ(pkixhost::liveKeyHandles(), 0);
  }
}

// Changing the key lets go of the old material at once; the next signature
// is made with the new material (it verifies under the new public key
// only).
TEST_F(KeyPreparedTest, ChangedKeyDropsItsHandle) {
  KeyRef priv(Load(TKey::KT_PRIVATE, "rsa-1024.p8.der"));
  ASSERT_FALSE(Sign(priv.get()).empty());
  EXPECT_EQ(pkixhost::liveKeyHandles(), 1);
  Bytes other = ReadFile(KeyData("rsa-2048.p8.der"));
  ASSERT_EQ(priv->setRaw(other.data(), static_cast<unsigned>(other.size())), 0);
  EXPECT_EQ(pkixhost::liveKeyHandles(), 0);
  Bytes sig = Sign(priv.get());
  pkixtest::PKey old_pub = pkixtest::OsslPublicKey(ReadFile(KeyData("rsa-1024.pub.der")));
  pkixtest::PKey new_pub = pkixtest::OsslPublicKey(ReadFile(KeyData("rsa-2048.pub.der")));
  EXPECT_TRUE(pkixtest::OsslVerify(new_pub.get(), EVP_sha1(), kMessage, sig));
  EXPECT_FALSE(pkixtest::OsslVerify(old_pub.get(), EVP_sha1(), kMessage, sig));
  EXPECT_EQ(pkixhost::liveKeyHandles(), 1);
  // A new attribute value is a change too.
  BufRef exponent(Buf({0x01, 0x00, 0x01}));
  ASSERT_EQ(priv->setParam(TKey::AKA_PUB_EXPONENT, exponent.get()), 0);
  EXPECT_EQ(pkixhost::liveKeyHandles(), 0);
}

// Public keys and verification never make a handle.
TEST_F(KeyPreparedTest, PublicKeysAreNotPrepared) {
  KeyRef priv(Load(TKey::KT_PRIVATE, "rsa-1024.p8.der"));
  KeyRef pub(Load(TKey::KT_PUBLIC, "rsa-1024.pub.der"));
  BufRef data(Buf(kMessage));
  Bytes s = Sign(priv.get());
  BufRef signature(Buf(s));
  EXPECT_EQ(pub->verify(data.get(), signature.get()), 0);
  aKey wrapped(pub.get());
  EXPECT_EQ(ccdService.prepareKey(wrapped), nullptr);
  priv.reset();
  EXPECT_EQ(pkixhost::liveKeyHandles(), 0);
}

// The service side: a handle it did not make is ignored on release and in
// a transform, which then reads the key's own material.
TEST_F(KeyPreparedTest, UnknownHandlesAreIgnored) {
  KeyRef priv(Load(TKey::KT_PRIVATE, "rsa-1024.p8.der"));
  KeyRef pub_of_other(Load(TKey::KT_PUBLIC, "rsa-2048.pub.der"));
  aKey wrapped(priv.get());
  ccKeyHandle* h = ccdService.prepareKey(wrapped);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(pkixhost::liveKeyHandles(), 1);
  ccdService.prepareKeyRelease(h, pub_of_other.get());  // another key's: ignored
  EXPECT_EQ(pkixhost::liveKeyHandles(), 1);
  ccdService.prepareKeyRelease(h, priv.get());
  EXPECT_EQ(pkixhost::liveKeyHandles(), 0);
  ccdService.prepareKeyRelease(h, priv.get());  // twice: nothing happens
  EXPECT_EQ(pkixhost::liveKeyHandles(), 0);
  ccCtx_Stub ctx(h, wrapped, CC_SIGN, PKI_ALG_NONE);
  BufRef data(Buf(kMessage));
  TBuf* out = nullptr;
  EXPECT_EQ(encryptMessage(ctx, data.get(), &out), 0);
  Bytes sig = Take(out);
  pkixtest::PKey pub = pkixtest::OsslPublicKey(ReadFile(KeyData("rsa-1024.pub.der")));
  EXPECT_TRUE(pkixtest::OsslVerify(pub.get(), EVP_sha1(), kMessage, sig));
}

// A service that goes away frees the handles it still holds.
TEST_F(KeyPreparedTest, ServiceTakesItsHandlesAlong) {
  KeyRef priv(Load(TKey::KT_PRIVATE, "rsa-1024.p8.der"));
  CCD_Interface* svc = pkixhost::createCryptoService();
  svc->addReference();
  aKey wrapped(priv.get());
  EXPECT_NE(svc->prepareKey(wrapped), nullptr);
  EXPECT_NE(svc->prepareKey(wrapped), nullptr);
  EXPECT_EQ(pkixhost::liveKeyHandles(), 2);
  svc->remReference();
  EXPECT_EQ(pkixhost::liveKeyHandles(), 0);
}

// Decryption through the prepared material reads what OpenSSL encrypted.
TEST_F(KeyPreparedTest, DecryptWithPreparedKey) {
  KeyRef priv(Load(TKey::KT_PRIVATE, "rsa-2048.p8.der"));
  pkixtest::PKey pub = pkixtest::OsslPublicKey(ReadFile(KeyData("rsa-2048.pub.der")));
  for (int round = 0; round < 2; ++round) {
    Bytes cipher = pkixtest::OsslCipher(pub.get(), true, kMessage);
    ASSERT_FALSE(cipher.empty());
    BufRef c(Buf(cipher));
    EXPECT_EQ(Take(priv->decrypt(c.get())), kMessage);
    EXPECT_EQ(pkixhost::liveKeyHandles(), 1);
  }
  priv.reset();
  EXPECT_EQ(pkixhost::liveKeyHandles(), 0);
}

}  // namespace
}  // namespace keytest
