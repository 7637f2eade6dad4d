// Keys through the host's crypto service: sign and verify, encrypt and
// decrypt over the committed RSA and DSA fixtures, each checked against
// OpenSSL in both directions; the key pair check over matching and
// mismatched pairs; the MD5 of an RSA public key; and the CPRO container
// check's paths with a scripted service in place of the host's.
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <string>

#include "contract/service_ids.h"
#include "host/hostcrypto.h"
#include "key/keypair.h"
#include "key_testutil.h"
#include "testing/ossl_oracle.h"
#include "testing/scripted_crypto.h"

namespace keytest {
namespace {

const Bytes kMessage = {'t', 'h', 'e', ' ', 's', 'i', 'g', 'n', 'e', 'd', ' ', 't', 'e', 'x', 't'};

TKey* Load(TKey::key_type_t kind, const std::string& file) {
  Bytes d = ReadFile(KeyData(file));
  return createTKey(kind, d.data(), static_cast<unsigned>(d.size()));
}

using pkixtest::OsslCipher;
using pkixtest::PKey;

// OpenSSL's key read from a fixture.
PKey Ossl(const std::string& file, bool priv) {
  Bytes d = ReadFile(KeyData(file));
  return priv ? pkixtest::OsslPrivateKey(d) : pkixtest::OsslPublicKey(d);
}

// OpenSSL's signature and verdict with SHA-1, the service's default.
Bytes OsslSign(EVP_PKEY* k, const Bytes& m) { return pkixtest::OsslSign(k, EVP_sha1(), m); }
bool OsslVerify(EVP_PKEY* k, const Bytes& m, const Bytes& sig) { return pkixtest::OsslVerify(k, EVP_sha1(), m, sig); }

struct Fixture {
  const char* name;  // file stem in tests/data/key
  bool rsa;
};
const Fixture kFixtures[] = {
    {"rsa-1024", true}, {"rsa-2048", true}, {"rsa-4096", true}, {"dsa-1024", false}, {"dsa-2048", false},
};

using KeyCryptoTest = KeyTest;

TEST_F(KeyCryptoTest, SignaturesVerifyHereAndInOpenSSL) {
  for (const Fixture& f : kFixtures) {
    std::string stem = f.name;
    SCOPED_TRACE(stem);
    KeyRef priv(Load(TKey::KT_PRIVATE, stem + ".p8.der"));
    KeyRef pub(Load(TKey::KT_PUBLIC, stem + ".pub.der"));
    ASSERT_NE(priv.get(), nullptr);
    ASSERT_NE(pub.get(), nullptr);
    PKey opriv = Ossl(stem + ".p8.der", true), opub = Ossl(stem + ".pub.der", false);
    ASSERT_NE(opriv.get(), nullptr);
    ASSERT_NE(opub.get(), nullptr);
    BufRef msg(Buf(kMessage));
    Bytes altered = kMessage;
    altered[0] ^= 1;
    BufRef other(Buf(altered));

    // Ours: verifies here and in OpenSSL, fails on other data.
    Bytes sig = Take(priv->sign(msg.get()));
    ASSERT_FALSE(sig.empty()) << priv->error();
    EXPECT_EQ(priv->error(), 0);
    BufRef s(Buf(sig));
    EXPECT_EQ(pub->verify(msg.get(), s.get()), 0);
    EXPECT_EQ(pub->verify(other.get(), s.get()), pkixhost::kCryptoBadSignature);
    EXPECT_EQ(pub->error(), pkixhost::kCryptoBadSignature);
    EXPECT_TRUE(OsslVerify(opub.get(), kMessage, sig));
    EXPECT_FALSE(OsslVerify(opub.get(), altered, sig));
    // RSA PKCS #1 v1.5 is deterministic: the same octets as OpenSSL's.
    Bytes theirs = OsslSign(opriv.get(), kMessage);
    ASSERT_FALSE(theirs.empty());
    if (f.rsa) {
      EXPECT_EQ(sig, theirs);
    }
    // OpenSSL's: verifies here.
    BufRef t(Buf(theirs));
    EXPECT_EQ(pub->verify(msg.get(), t.get()), 0);
    Bytes broken = theirs;
    broken[broken.size() / 2] ^= 0x10;
    BufRef b(Buf(broken));
    EXPECT_NE(pub->verify(msg.get(), b.get()), 0);
  }
}

TEST_F(KeyCryptoTest, RSAEncryptionRoundTripsHereAndWithOpenSSL) {
  for (const Fixture& f : kFixtures) {
    if (!f.rsa) continue;
    std::string stem = f.name;
    SCOPED_TRACE(stem);
    KeyRef priv(Load(TKey::KT_PRIVATE, stem + ".p8.der"));
    KeyRef pub(Load(TKey::KT_PUBLIC, stem + ".pub.der"));
    PKey opriv = Ossl(stem + ".p8.der", true), opub = Ossl(stem + ".pub.der", false);
    BufRef msg(Buf(kMessage));
    Bytes cipher = Take(pub->encrypt(msg.get()));
    ASSERT_FALSE(cipher.empty()) << pub->error();
    // PKCS #1 v1.5 padding is random: a second ciphertext differs.
    EXPECT_NE(Take(pub->encrypt(msg.get())), cipher);
    BufRef c(Buf(cipher));
    EXPECT_EQ(Take(priv->decrypt(c.get())), kMessage);
    EXPECT_EQ(OsslCipher(opriv.get(), false, cipher), kMessage);
    Bytes theirs = OsslCipher(opub.get(), true, kMessage);
    BufRef t(Buf(theirs));
    EXPECT_EQ(Take(priv->decrypt(t.get())), kMessage);
    // A damaged ciphertext gives no plaintext and a code.
    Bytes bad = cipher;
    bad[0] ^= 0xFF;
    BufRef d(Buf(bad));
    EXPECT_TRUE(Take(priv->decrypt(d.get())).empty());
    EXPECT_NE(priv->error(), 0);
  }
}

TEST_F(KeyCryptoTest, PairCheckOverMatchingAndMismatchedPairs) {
  const struct {
    const char* priv;
    const char* pub;
    int consistent;
  } kPairs[] = {
      {"rsa-1024", "rsa-1024", 1}, {"rsa-2048", "rsa-2048", 1}, {"dsa-1024", "dsa-1024", 1},
      {"dsa-2048", "dsa-2048", 1}, {"rsa-1024", "rsa-2048", 0}, {"rsa-2048", "rsa-1020", 0},
      {"dsa-1024", "dsa-2048", 0}, {"rsa-2048", "dsa-2048", 0},
  };
  for (const auto& p : kPairs) {
    for (int full : {0, 1}) {
      SCOPED_TRACE(std::string(p.priv) + " / " + p.pub + (full ? " full" : " quick"));
      KeyRef priv(Load(TKey::KT_PRIVATE, std::string(p.priv) + ".p8.der"));
      KeyRef pub(Load(TKey::KT_PUBLIC, std::string(p.pub) + ".pub.der"));
      ASSERT_NE(priv.get(), nullptr);
      ASSERT_NE(pub.get(), nullptr);
      // From either side; the key asked holds the reason of a mismatch.
      for (TKey* k : {priv.get(), pub.get()}) {
        TKey* other = k == priv.get() ? pub.get() : priv.get();
        EXPECT_EQ(k->isConsistent(other, full), p.consistent);
        if (p.consistent == 1) {
          EXPECT_EQ(k->error(), 0);
        } else {
          EXPECT_NE(k->error(), 0);
        }
      }
    }
  }
  // Two public keys are no pair.
  KeyRef a(Load(TKey::KT_PUBLIC, "rsa-1024.pub.der"));
  EXPECT_EQ(a->isConsistent(a.get(), 1), 0);
  EXPECT_EQ(a->error(), pkixrc::kBadArgument);
  EXPECT_EQ(a->isConsistent(nullptr, 1), 0);
}

// getMD5 digests the octets the key stores as its hash input: the public
// exponent of an RSA key, the public value of a DSA key.
TEST_F(KeyCryptoTest, MD5OfAPublicKeyIsThatOfItsHashInput) {
  const struct {
    const char* stem;
    TKey::aka_t input;
  } kCases[] = {
      {"rsa-1020", TKey::AKA_PUB_EXPONENT}, {"rsa-1024", TKey::AKA_PUB_EXPONENT},
      {"rsa-2048", TKey::AKA_PUB_EXPONENT}, {"rsa-4096", TKey::AKA_PUB_EXPONENT},
      {"dsa-1024", TKey::AKA_KEY},          {"dsa-2048", TKey::AKA_KEY},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.stem);
    KeyRef pub(Load(TKey::KT_PUBLIC, std::string(c.stem) + ".pub.der"));
    ASSERT_NE(pub.get(), nullptr);
    Bytes in = Attr(pub.get(), c.input);
    ASSERT_FALSE(in.empty());
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned n = 0;
    ASSERT_EQ(EVP_Digest(in.data(), in.size(), md, &n, EVP_md5(), nullptr), 1);
    EXPECT_EQ(Take(pub->getMD5()), Bytes(md, md + n));
  }
}

TEST_F(KeyCryptoTest, MismatchedKeyKindsAreRefusedWithACode) {
  KeyRef pub(Load(TKey::KT_PUBLIC, "rsa-1024.pub.der"));
  KeyRef dsa(Load(TKey::KT_PRIVATE, "dsa-1024.p8.der"));
  BufRef msg(Buf(kMessage));
  // A DSA key does not encrypt.
  EXPECT_EQ(dsa->encrypt(msg.get()), nullptr);
  EXPECT_NE(dsa->error(), 0);
  // Garbage as a signature.
  BufRef junk(Buf(Bytes(7, 0x42)));
  EXPECT_NE(pub->verify(msg.get(), junk.get()), 0);
  EXPECT_EQ(pub->verify(nullptr, junk.get()), pkixrc::kBadArgument);
}

// ---- The CPRO container check through a scripted crypto service ----

const Bytes kCPRO94 = Hex("2A 85 03 02 02 14");  // 1.2.643.2.2.20
const Bytes kParamSet = Hex("2A 85 03 02 02 23 01");

// A CPRO private container with the usage octet, and a public key of the
// same algorithm.
Bytes CproContainer(uint8_t usage) {
  using x509test::Seq;
  using x509test::Tlv;
  Bytes fields = x509test::Cat({Tlv(0x04, {usage}), Tlv(0x04, Hex("C0 FF"))});
  return Seq({Seq({Tlv(0x06, kCPRO94), Tlv(0x30, fields)}), Tlv(0x03, Bytes{0x00, 'c'})});
}
Bytes CproPublic() {
  using x509test::Seq;
  using x509test::Tlv;
  Bytes params = Seq({Tlv(0x06, kParamSet), Tlv(0x06, Hex("2A 85 03 02 02 1E 01"))});
  return Seq({Seq({Tlv(0x06, kCPRO94), params}), Tlv(0x03, x509test::Cat({{0x00}, Tlv(0x04, Bytes(64, 0x3C))}))});
}

class CproCheckTest : public KeyTest {
 protected:
  void SetUp() override {
    KeyTest::SetUp();
    mgr_->offer(pkixid::kCrypto, new pkixtest::ScriptedService(&s_));
  }
  void TearDown() override {
    EXPECT_EQ(pkixtest::live_transforms, 0);
    KeyTest::TearDown();
  }
  pkixtest::Script s_;
};

// The script refuses to sign with a container used for key exchange.
int RefuseExchange(const pkixtest::Script& s) {
  bool exchange = s.key != nullptr && s.key->getParam(TKey::BKA_EXCHANGE) != 0;
  return s.func == CC_SIGN && exchange ? kCproContainerUnusable : 0;
}

TEST_F(CproCheckTest, UsageAndVerdictsFromTheService) {
  const struct {
    const char* what;
    uint8_t usage;  // 00 none (guessed), 01 exchange, 02 signature
    int lock;       // every operation's code (unless refuse_exchange)
    int verdict;    // verify's verdict
    bool refuse_exchange;
    int code;
    bool sig, exch;  // the container's flags after the check
  } kCases[] = {
      {"signs and verifies: guessed as exchange", 0x00, 0, 0, false, 0, false, true},
      {"unusable container", 0x00, kCproContainerUnusable, 0, false, kCproContainerUnusable, false, false},
      {"exchange given, unusable", 0x01, kCproContainerUnusable, 0, false, kCproContainerUnusable, false, true},
      {"signature given, verifies", 0x02, 0, 0, false, 0, true, false},
      {"bad signature both ways", 0x00, 0, pkixhost::kCryptoBadSignature, false, pkixhost::kCryptoBadSignature,
       false, false},
      {"refused as exchange", 0x00, 0, 0, true, kCproContainerUnusable, false, false},
      {"signature given, refused only as exchange", 0x02, 0, 0, true, 0, true, false},
  };
  KeyRef pub(createTKey(TKey::KT_PUBLIC));
  Bytes spki = CproPublic();
  ASSERT_EQ(pub->setRaw(spki.data(), static_cast<unsigned>(spki.size())), 0);
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    s_ = pkixtest::Script();
    s_.lock_code = c.lock;
    s_.out_code = c.verdict;
    if (c.refuse_exchange) s_.lock_hook = RefuseExchange;
    Bytes der = CproContainer(c.usage);
    KeyRef priv(createTKey(TKey::KT_PRIVATE));
    ASSERT_EQ(priv->setRaw(der.data(), static_cast<unsigned>(der.size())), 0);
    ASSERT_EQ(priv->getVendor(), VENDOR_CPRO);
    EXPECT_EQ(priv->isConsistent(pub.get(), 1), c.code == 0 ? 1 : 0);
    EXPECT_EQ(priv->error(), c.code);
    EXPECT_EQ(priv->getParam(TKey::BKA_SIGNATURE), c.sig ? 1 : 0);
    EXPECT_EQ(priv->getParam(TKey::BKA_EXCHANGE), c.exch ? 1 : 0);
    EXPECT_TRUE(s_.created);
  }
}

}  // namespace
}  // namespace keytest
