// The host's crypto service driven as the module drives it (lock, one in,
// one or two out, unlock), with keys read by the module's own key code from
// files the openssl command made, and libcrypto as the oracle: digests equal
// EVP_Digest, signatures made here verify under OpenSSL and OpenSSL's verify
// here, ciphertexts decrypt both ways. Failures answer the service's codes,
// leave nothing on the error queue and no transform alive.
#include "host/hostcrypto.h"

#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <string>
#include <thread>
#include <vector>

#include "key/key_testutil.h"
#include "key/tkey.h"
#include "module/pkixakey.h"
#include "testing/ossl_oracle.h"
#include "contract/service_ids.h"

namespace keytest {
namespace {

using pkixhost::kCryptoBadArgument;
using pkixhost::kCryptoBadKey;
using pkixhost::kCryptoBadSignature;
using pkixhost::kCryptoBadState;
using pkixhost::kCryptoFailed;
using pkixhost::kCryptoKeyMismatch;
using pkixhost::kCryptoNoRoom;
using pkixhost::kCryptoUnsupported;

const std::string kExamples = PKIX_SOURCE_DIR "/examples/keys/";

using pkixtest::OsslCipher;
using pkixtest::PKey;

// OpenSSL's key from DER (public: SubjectPublicKeyInfo; private: any form
// d2i_AutoPrivateKey takes), or from a file.
PKey OsslKey(const Bytes& der, bool priv) {
  return priv ? pkixtest::OsslPrivateKey(der) : pkixtest::OsslPublicKey(der);
}
PKey OsslKey(const std::string& path, bool priv) { return OsslKey(ReadFile(path), priv); }

const EVP_MD* OsslDigest(uint32_t hash) {
  switch (hash) {
    case 0x02: return EVP_sha1();
    case 0x04: return EVP_md5();
    case 0x07: return EVP_sha224();
    case 0x08: return EVP_sha256();
    case 0x09: return EVP_sha384();
    case 0x0A: return EVP_sha512();
    default: return nullptr;
  }
}

// OpenSSL's signature and verdict by the algorithm's hash octet.
Bytes OsslSign(EVP_PKEY* k, uint32_t hash, const Bytes& msg) { return pkixtest::OsslSign(k, OsslDigest(hash), msg); }

bool OsslVerify(EVP_PKEY* k, uint32_t hash, const Bytes& msg, const Bytes& sig) {
  return pkixtest::OsslVerify(k, OsslDigest(hash), msg, sig);
}

Bytes Message(size_t n, uint8_t seed) {
  Bytes m(n);
  for (size_t i = 0; i < n; ++i) m[i] = static_cast<uint8_t>(seed + i * 31);
  return m;
}

// The result of one driven operation.
struct Outcome {
  int code = -1;      // the first nonzero code of the sequence, else 0
  unsigned bound = 0; // what out(nullptr, &n) announced
  Bytes out;
};

class CryptoTest : public KeyTest {
 protected:
  void SetUp() override {
    KeyTest::SetUp();
    svc_ = pkixhost::createCryptoService();
    svc_->addReference();
    ERR_clear_error();
  }
  void TearDown() override {
    svc_->remReference();
    EXPECT_EQ(pkixhost::liveTransforms(), 0);
    EXPECT_EQ(ERR_peek_error(), 0u) << "the service left an error on the queue";
    KeyTest::TearDown();
  }

  // A transform held for the test's scope.
  struct Transform {
    explicit Transform(ccTransform* tr) : t(tr) {}
    ~Transform() {
      if (t != nullptr) t->remReference();
    }
    ccTransform* operator->() const { return t; }
    ccTransform* t;
  };

  ccTransform* Create(TKey* key, ccFunc f, pki_alg_t alg) {
    aKey k(key, nullptr);
    return svc_->create_ccTransform(k, f, alg);
  }

  // Hash, sign, encrypt or decrypt in the client's sequence: lock, in, the
  // size query (hash: straight to the output with capacity cap), out, unlock.
  Outcome Produce(TKey* key, ccFunc f, pki_alg_t alg, const Bytes& in, unsigned cap = 0) {
    Outcome o;
    Transform t(Create(key, f, alg));
    if (t.t == nullptr) return o;
    o.code = t->lock();
    if (o.code != 0) return o;
    o.code = t->in(const_cast<uint8_t*>(in.data()), static_cast<unsigned>(in.size()));
    unsigned n = cap;
    if (o.code == 0 && f != CC_HASH) {
      o.code = t->out(nullptr, &n);
      o.bound = n;
    }
    if (o.code == 0) {
      o.out.resize(n + 1);  // a non-null pointer even for capacity 0
      o.code = t->out(o.out.data(), &n);
      o.out.resize(o.code == 0 ? n : 0);
      if (o.code == kCryptoNoRoom) o.bound = n;
    }
    int u = t->unlock();
    if (o.code == 0) o.code = u;
    return o;
  }

  int Verify(TKey* key, pki_alg_t alg, const Bytes& msg, const Bytes& sig) {
    Transform t(Create(key, CC_VERIFY, alg));
    if (t.t == nullptr) return -1;
    int rc = t->lock();
    if (rc != 0) return rc;
    rc = t->in(const_cast<uint8_t*>(msg.data()), static_cast<unsigned>(msg.size()));
    unsigned n = static_cast<unsigned>(sig.size());
    if (rc == 0) rc = t->out(const_cast<uint8_t*>(sig.data()), &n);
    EXPECT_EQ(t->error(), rc);
    t->unlock();
    return rc;
  }

  // A key by the module's key code from a file; the test releases it.
  TKey* Key(const std::string& path, TKey::key_type_t kind) {
    Bytes der = ReadFile(path);
    return der.empty() ? nullptr : createTKey(kind, der.data(), static_cast<unsigned>(der.size()));
  }

  CCD_Interface* svc_ = nullptr;
};

// ---- digests ------------------------------------------------------------------

TEST_F(CryptoTest, DigestsEqualOpenSSL) {
  const std::vector<Bytes> inputs = {{}, {'a', 'b', 'c'}, Message(1000, 7), Message(70000, 1)};
  for (uint32_t hash : {0x02u, 0x04u, 0x07u, 0x08u, 0x09u, 0x0Au}) {
    const EVP_MD* md = OsslDigest(hash);
    unsigned size = static_cast<unsigned>(EVP_MD_get_size(md));
    for (const Bytes& in : inputs) {
      SCOPED_TRACE(testing::Message() << "hash " << hash << " input " << in.size());
      Bytes want(EVP_MAX_MD_SIZE);
      unsigned wn = 0;
      ASSERT_EQ(EVP_Digest(in.data(), in.size(), want.data(), &wn, md, nullptr), 1);
      want.resize(wn);
      // A digest transform takes the hash octet of any algorithm number.
      for (pki_alg_t alg : {hash << 16, (hash << 16) | PKI_ALG_BASE_RSA}) {
        Outcome o = Produce(nullptr, CC_HASH, alg, in, 64);
        ASSERT_EQ(o.code, 0);
        EXPECT_EQ(o.out, want);
      }
      Outcome exact = Produce(nullptr, CC_HASH, hash << 16, in, size);
      EXPECT_EQ(exact.code, 0);
      EXPECT_EQ(exact.out, want);
      Outcome small = Produce(nullptr, CC_HASH, hash << 16, in, size - 1);
      EXPECT_EQ(small.code, kCryptoNoRoom);
      EXPECT_EQ(small.bound, size) << "the length needed comes back";
    }
  }
}

// ---- signatures ---------------------------------------------------------------

struct SignCase {
  std::string pub, priv;  // files: SubjectPublicKeyInfo, private key
  pki_alg_t base;         // the key's algorithm octet to sign with
  std::vector<uint32_t> hashes;
};

std::vector<SignCase> SignCases() {
  const std::vector<uint32_t> rsa = {0x02, 0x04, 0x07, 0x08, 0x09, 0x0A};
  return {
      {KeyData("rsa-1024.pub.der"), KeyData("rsa-1024.p8.der"), PKI_ALG_BASE_RSA, rsa},
      {KeyData("rsa-2048.pub.der"), KeyData("rsa-2048.p1.der"), PKI_ALG_BASE_RSA, rsa},
      {KeyData("rsa-1020.pub.der"), KeyData("rsa-1020.p8.der"), PKI_ALG_BASE_RSA, {0x02, 0x08}},
      {KeyData("dsa-1024.pub.der"), KeyData("dsa-1024.p8.der"), PKI_ALG_BASE_DSA, {0x02, 0x07, 0x08}},
      {KeyData("dsa-2048.pub.der"), KeyData("dsa-2048.p8.der"), PKI_ALG_BASE_DSA_OIW, {0x02, 0x07, 0x08}},
      {kExamples + "server-key.pub.der", kExamples + "server-key.p1.der", PKI_ALG_BASE_RSA, {0x08}},
  };
}

TEST_F(CryptoTest, SignaturesAgreeWithOpenSSLBothWays) {
  for (const SignCase& c : SignCases()) {
    KeyRef pub(Key(c.pub, TKey::KT_PUBLIC)), priv(Key(c.priv, TKey::KT_PRIVATE));
    ASSERT_NE(pub.get(), nullptr) << c.pub;
    ASSERT_NE(priv.get(), nullptr) << c.priv;
    PKey opub = OsslKey(c.pub, false), opriv = OsslKey(c.priv, true);
    ASSERT_TRUE(opub && opriv) << c.priv;
    unsigned size = static_cast<unsigned>(EVP_PKEY_get_size(opub.get()));
    for (uint32_t hash : c.hashes) {
      SCOPED_TRACE(testing::Message() << c.priv << " hash " << hash);
      pki_alg_t alg = (hash << 16) | c.base;
      Bytes msg = Message(300, static_cast<uint8_t>(hash));
      Outcome s = Produce(priv.get(), CC_SIGN, alg, msg);
      ASSERT_EQ(s.code, 0);
      EXPECT_GE(s.bound, s.out.size());
      EXPECT_LE(s.out.size(), size);
      if (c.base == PKI_ALG_BASE_RSA) {
        EXPECT_EQ(s.out.size(), size);
      }
      EXPECT_TRUE(OsslVerify(opub.get(), hash, msg, s.out)) << "OpenSSL refuses the service's signature";
      EXPECT_EQ(Verify(pub.get(), alg, msg, s.out), 0);
      EXPECT_EQ(Verify(priv.get(), alg, msg, s.out), 0) << "a private key verifies too";

      Bytes theirs = OsslSign(opriv.get(), hash, msg);
      ASSERT_FALSE(theirs.empty());
      EXPECT_EQ(Verify(pub.get(), alg, msg, theirs), 0) << "the service refuses OpenSSL's signature";

      Bytes other_msg = msg;
      other_msg[17] ^= 0x01;
      Bytes bad_sig = theirs;
      bad_sig[bad_sig.size() / 2] ^= 0x40;
      EXPECT_EQ(Verify(pub.get(), alg, other_msg, theirs), kCryptoBadSignature);
      EXPECT_EQ(Verify(pub.get(), alg, msg, bad_sig), kCryptoBadSignature);
      EXPECT_EQ(Verify(pub.get(), alg, msg, Bytes(theirs.begin(), theirs.end() - 1)), kCryptoBadSignature);
      EXPECT_EQ(Verify(pub.get(), alg, msg, {}), kCryptoBadSignature);
      // Another digest than the one signed with.
      uint32_t wrong = hash == 0x08 ? 0x02 : 0x08;
      EXPECT_EQ(Verify(pub.get(), (wrong << 16) | c.base, msg, theirs), kCryptoBadSignature);
    }
  }
}

// The service keeps the public keys it built, by their SubjectPublicKeyInfo:
// a kept key never answers for another one, and a key pushed out by many
// others is built again. The other keys share the modulus and differ in the
// public exponent, so only the real one accepts the signature.
TEST_F(CryptoTest, KeptPublicKeysNeverStandInForAnother) {
  KeyRef priv(Key(KeyData("rsa-1024.p8.der"), TKey::KT_PRIVATE));
  Bytes spki = ReadFile(KeyData("rsa-1024.pub.der"));
  ASSERT_NE(priv.get(), nullptr);
  ASSERT_GE(spki.size(), 5u);
  ASSERT_EQ(Bytes(spki.end() - 5, spki.end()), (Bytes{0x02, 0x03, 0x01, 0x00, 0x01}));
  Bytes msg = Message(100, 3);
  Outcome s = Produce(priv.get(), CC_SIGN, PKI_ALG_SHA1_RSA, msg);
  ASSERT_EQ(s.code, 0);
  auto load = [](const Bytes& der) {
    return createTKey(TKey::KT_PUBLIC, der.data(), static_cast<unsigned>(der.size()));
  };
  KeyRef real(load(spki));
  EXPECT_EQ(Verify(real.get(), PKI_ALG_SHA1_RSA, msg, s.out), 0);
  for (unsigned i = 1; i <= 300; ++i) {
    Bytes other = spki;
    unsigned e = 0x10001 + 2 * i;  // odd, three octets like the real one
    other[other.size() - 2] = static_cast<uint8_t>(e >> 8);
    other[other.size() - 1] = static_cast<uint8_t>(e);
    KeyRef fake(load(other));
    ASSERT_NE(fake.get(), nullptr) << i;
    EXPECT_EQ(Verify(fake.get(), PKI_ALG_SHA1_RSA, msg, s.out), kCryptoBadSignature) << i;
    if (i == 1) {
      EXPECT_EQ(Verify(real.get(), PKI_ALG_SHA1_RSA, msg, s.out), 0);
    }
  }
  // Pushed out by then, built again; and another object with the same key.
  EXPECT_EQ(Verify(real.get(), PKI_ALG_SHA1_RSA, msg, s.out), 0);
  KeyRef twin(load(spki));
  EXPECT_EQ(Verify(twin.get(), PKI_ALG_SHA1_RSA, msg, s.out), 0);
}

// Algorithm 0 and a number without base octet: the key's algorithm, with
// SHA-1 for RSA and DSA unless a hash octet says otherwise.
TEST_F(CryptoTest, AlgorithmZeroMeansKeysOwnWithDefaultHash) {
  for (const char* name : {"rsa-1024", "dsa-1024"}) {
    SCOPED_TRACE(name);
    KeyRef priv(Key(KeyData(std::string(name) + ".p8.der"), TKey::KT_PRIVATE));
    PKey opub = OsslKey(KeyData(std::string(name) + ".pub.der"), false);
    ASSERT_TRUE(priv.get() != nullptr && opub);
    Bytes msg = Message(64, 3);
    Outcome s = Produce(priv.get(), CC_SIGN, 0, msg);
    ASSERT_EQ(s.code, 0);
    EXPECT_TRUE(OsslVerify(opub.get(), 0x02, msg, s.out));
    Outcome s256 = Produce(priv.get(), CC_SIGN, PKI_ALG_SHA256, msg);
    ASSERT_EQ(s256.code, 0);
    EXPECT_TRUE(OsslVerify(opub.get(), 0x08, msg, s256.out));
  }
}

// An EC key pair as DER: the SubjectPublicKeyInfo and a private form.
struct ECPair {
  std::string what;
  Bytes pub, priv;
};

using pkixtest::OsslDer;

// The sample PKI's keys (P-256, P-384; the private ones in SEC 1 form) and
// fresh OpenSSL keys on each named curve in PKCS #8.
std::vector<ECPair> ECPairs() {
  std::vector<ECPair> out;
  for (const char* name : {"ec-ca-key", "ec-user-key"}) {
    out.push_back({name, ReadFile(kExamples + name + ".pub.der"), ReadFile(kExamples + name + ".p8.der")});
  }
  for (const char* curve : {"P-256", "P-384", "P-521"}) {
    PKey k(EVP_EC_gen(curve));
    if (!k) continue;
    Bytes pub = OsslDer([&](unsigned char** p) { return i2d_PUBKEY(k.get(), p); });
    PKCS8_PRIV_KEY_INFO* info = EVP_PKEY2PKCS8(k.get());
    Bytes priv = OsslDer([&](unsigned char** p) { return i2d_PKCS8_PRIV_KEY_INFO(info, p); });
    PKCS8_PRIV_KEY_INFO_free(info);
    out.push_back({curve, pub, priv});
  }
  return out;
}

// EC keys, once the key code reads them: SHA-256 by default; the public
// point of a private key is computed by the service.
TEST_F(CryptoTest, ECDSAAgreesWithOpenSSL) {
  std::vector<ECPair> pairs = ECPairs();
  ASSERT_EQ(pairs.size(), 5u);
  for (const ECPair& c : pairs) {
    SCOPED_TRACE(c.what);
    KeyRef pub(createTKey(TKey::KT_PUBLIC, c.pub.data(), static_cast<unsigned>(c.pub.size())));
    KeyRef priv(createTKey(TKey::KT_PRIVATE, c.priv.data(), static_cast<unsigned>(c.priv.size())));
    if (pub.get() == nullptr || priv.get() == nullptr) GTEST_SKIP() << "the key code does not read EC keys yet";
    PKey opub = OsslKey(c.pub, false), opriv = OsslKey(c.priv, true);
    ASSERT_TRUE(opub && opriv);
    Bytes msg = Message(200, 9);
    for (uint32_t hash : {0u, 0x02u, 0x07u, 0x08u, 0x09u, 0x0Au}) {
      SCOPED_TRACE(hash);
      pki_alg_t alg = hash == 0 ? 0 : (hash << 16) | PKI_ALG_BASE_EC;
      uint32_t used = hash == 0 ? 0x08 : hash;
      Outcome s = Produce(priv.get(), CC_SIGN, alg, msg);
      ASSERT_EQ(s.code, 0);
      EXPECT_GE(s.bound, s.out.size());
      EXPECT_TRUE(OsslVerify(opub.get(), used, msg, s.out));
      EXPECT_EQ(Verify(priv.get(), alg, msg, s.out), 0) << "the computed public point";
      Bytes theirs = OsslSign(opriv.get(), used, msg);
      EXPECT_EQ(Verify(pub.get(), alg, msg, theirs), 0);
      theirs[theirs.size() - 3] ^= 0x01;
      EXPECT_EQ(Verify(pub.get(), alg, msg, theirs), kCryptoBadSignature);
    }
    EXPECT_EQ(Produce(pub.get(), CC_ENCRYPT, 0, msg).code, kCryptoUnsupported);
  }
}

// An EC private scalar of another length than the curve order's is taken
// from inside one whole DER OCTET STRING or INTEGER; anything else is the
// number itself (too large for the curve here, so the key cannot be built).
TEST_F(CryptoTest, ECScalarIsUnwrappedFromOneWholeDERElement) {
  std::string base = kExamples + "ec-user-key";
  KeyRef priv(createTKey(TKey::KT_PRIVATE, ReadFile(base + ".p8.der").data(),
                         static_cast<unsigned>(ReadFile(base + ".p8.der").size())));
  if (priv.get() == nullptr) GTEST_SKIP() << "the key code does not read EC keys yet";
  const Bytes scalar = Attr(priv.get(), TKey::AKA_KEY);
  ASSERT_FALSE(scalar.empty());
  ASSERT_LT(scalar.size(), 0x80u);  // the short length form below
  const uint8_t n = static_cast<uint8_t>(scalar.size());
  auto with = [&](std::initializer_list<uint8_t> head, std::initializer_list<uint8_t> tail = {}) {
    Bytes v(head);
    v.insert(v.end(), scalar.begin(), scalar.end());
    v.insert(v.end(), tail);
    return v;
  };
  struct Case {
    const char* what;
    Bytes value;
    int code;
  } cases[] = {
      {"bare scalar", scalar, 0},
      {"OCTET STRING", with({0x04, n}), 0},
      {"INTEGER", with({0x02, n}), 0},
      {"INTEGER with a sign octet", with({0x02, static_cast<uint8_t>(n + 1), 0x00}), 0},
      {"non-minimal length is not DER", with({0x04, 0x81, n}), kCryptoBadKey},
      {"length one short", with({0x04, static_cast<uint8_t>(n - 1)}), kCryptoBadKey},
      {"octet after the element", with({0x04, n}, {0x00}), kCryptoBadKey},
      {"another tag", with({0x03, n}), kCryptoBadKey},
  };
  PKey opub = OsslKey(base + ".pub.der", false);
  ASSERT_TRUE(opub);
  Bytes msg = Message(64, 3);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BufRef v(createTBuf(c.value.data(), static_cast<unsigned>(c.value.size())));
    ASSERT_EQ(priv->setParam(TKey::AKA_KEY, v.get()), 0);
    Outcome s = Produce(priv.get(), CC_SIGN, PKI_ALG_SHA256_ECDSA, msg);
    EXPECT_EQ(s.code, c.code);
    if (c.code == 0) EXPECT_TRUE(OsslVerify(opub.get(), 0x08, msg, s.out));
  }
}

// A private RSA key holding only n, e and d signs without the CRT values.
TEST_F(CryptoTest, RSAKeyWithoutCRTValuesSigns) {
  KeyRef full(Key(KeyData("rsa-1024.p1.der"), TKey::KT_PRIVATE));
  ASSERT_NE(full.get(), nullptr);
  KeyRef bare(createTKey(TKey::KT_PRIVATE));
  ASSERT_EQ(bare->setAlg(PKI_ALG_RSA), 0);
  for (TKey::aka_t a : {TKey::AKA_MODULUS, TKey::AKA_PUB_EXPONENT, TKey::AKA_PRIV_EXPONENT}) {
    BufRef v(full->getParam(a));
    ASSERT_TRUE(v);
    ASSERT_EQ(bare->setParam(a, v.get()), 0);
  }
  ASSERT_TRUE(Attr(bare.get(), TKey::AKA_PRIME1).empty());
  PKey opub = OsslKey(KeyData("rsa-1024.pub.der"), false);
  Bytes msg = Message(50, 1);
  Outcome s = Produce(bare.get(), CC_SIGN, PKI_ALG_SHA256_RSA, msg);
  ASSERT_EQ(s.code, 0);
  EXPECT_TRUE(OsslVerify(opub.get(), 0x08, msg, s.out));
  // PKCS #1 v1.5 is deterministic: the same bytes as with the full key.
  EXPECT_EQ(Produce(full.get(), CC_SIGN, PKI_ALG_SHA256_RSA, msg).out, s.out);
}

// ---- RSA encryption -----------------------------------------------------------

TEST_F(CryptoTest, RSAEncryptionAgreesWithOpenSSL) {
  for (const char* name : {"rsa-1024", "rsa-2048"}) {
    SCOPED_TRACE(name);
    KeyRef pub(Key(KeyData(std::string(name) + ".pub.der"), TKey::KT_PUBLIC));
    KeyRef priv(Key(KeyData(std::string(name) + ".p8.der"), TKey::KT_PRIVATE));
    PKey opub = OsslKey(KeyData(std::string(name) + ".pub.der"), false);
    PKey opriv = OsslKey(KeyData(std::string(name) + ".p8.der"), true);
    ASSERT_TRUE(pub.get() && priv.get() && opub && opriv);
    unsigned size = static_cast<unsigned>(EVP_PKEY_get_size(opub.get()));
    for (size_t len : {size_t{0}, size_t{1}, size_t{20}, size_t{size - 11}}) {
      SCOPED_TRACE(len);
      Bytes plain = Message(len, 5);
      Outcome c = Produce(pub.get(), CC_ENCRYPT, PKI_ALG_RSA, plain);
      ASSERT_EQ(c.code, 0);
      EXPECT_EQ(c.out.size(), size);
      EXPECT_GE(c.bound, size);
      EXPECT_EQ(OsslCipher(opriv.get(), false, c.out), plain);
      // The size query may come with 0 or with a capacity.
      Outcome d = Produce(priv.get(), CC_DECRYPT, 0, c.out);
      ASSERT_EQ(d.code, 0);
      EXPECT_EQ(d.out, plain);
      EXPECT_GE(d.bound, plain.size());
      Bytes theirs = OsslCipher(opub.get(), true, plain);
      ASSERT_EQ(theirs.size(), size);
      Outcome d2 = Produce(priv.get(), CC_DECRYPT, PKI_ALG_RSA, theirs, 4096);
      ASSERT_EQ(d2.code, 0);
      EXPECT_EQ(d2.out, plain);
    }
    // Too long for PKCS #1 v1.5, and a ciphertext that is not one.
    EXPECT_EQ(Produce(pub.get(), CC_ENCRYPT, 0, Message(size - 10, 1)).code, kCryptoFailed);
    Bytes junk = OsslCipher(opub.get(), true, Message(16, 2));
    junk[5] ^= 0x80;
    Outcome bad = Produce(priv.get(), CC_DECRYPT, 0, junk);
    EXPECT_TRUE(bad.code == kCryptoFailed || (bad.code == 0 && bad.out != Message(16, 2))) << bad.code;
    EXPECT_EQ(Produce(priv.get(), CC_DECRYPT, 0, Bytes(size + 1, 1)).code, kCryptoFailed);
  }
}

TEST_F(CryptoTest, OutputCapacityTooSmallIsNoRoom) {
  KeyRef priv(Key(KeyData("rsa-1024.p8.der"), TKey::KT_PRIVATE));
  Transform t(Create(priv.get(), CC_SIGN, PKI_ALG_SHA1_RSA));
  Bytes msg = Message(10, 1), sig(128);
  ASSERT_EQ(t->lock(), 0);
  ASSERT_EQ(t->in(msg.data(), 10), 0);
  unsigned n = 100;
  EXPECT_EQ(t->out(sig.data(), &n), kCryptoNoRoom);
  EXPECT_EQ(n, 128u);
  EXPECT_EQ(t->error(), kCryptoNoRoom);
  EXPECT_EQ(t->out(sig.data(), &n), 0) << "a larger buffer then takes the result";
  EXPECT_EQ(t->unlock(), 0);
}

// ---- what the service refuses ---------------------------------------------------

// Every call of a transform made for something the service cannot do
// answers the same code.
void ExpectEveryCallAnswers(ccTransform* t, int code) {
  ASSERT_NE(t, nullptr);
  Bytes b(64);
  unsigned n = 64;
  EXPECT_EQ(t->lock(), code);
  EXPECT_EQ(t->in(b.data(), 3), code);
  EXPECT_EQ(t->out(b.data(), &n), code);
  EXPECT_EQ(t->out(nullptr, &n), code);
  EXPECT_EQ(t->unlock(), code);
  EXPECT_EQ(t->error(), code);
  EXPECT_EQ(ERR_peek_error(), 0u);
  t->remReference();
}

TEST_F(CryptoTest, RefusedAlgorithmsAndKeysAnswerTheirCode) {
  KeyRef rsa_pub(Key(KeyData("rsa-1024.pub.der"), TKey::KT_PUBLIC));
  KeyRef rsa_priv(Key(KeyData("rsa-1024.p8.der"), TKey::KT_PRIVATE));
  KeyRef dsa_pub(Key(KeyData("dsa-1024.pub.der"), TKey::KT_PUBLIC));
  KeyRef dsa_priv(Key(KeyData("dsa-1024.p8.der"), TKey::KT_PRIVATE));
  KeyRef dh_priv(Key(KeyData("dh-1024.p8.der"), TKey::KT_PRIVATE));
  KeyRef secret(createTKey(TKey::KT_SECRET));
  ASSERT_TRUE(rsa_pub.get() && rsa_priv.get() && dsa_pub.get() && dsa_priv.get() && dh_priv.get() && secret.get());
  struct Case {
    const char* what;
    TKey* key;
    ccFunc f;
    pki_alg_t alg;
    int code;
  } cases[] = {
      {"GOST 34.11 digest", nullptr, CC_HASH, PKI_ALG_GOST3411_CPRO, kCryptoUnsupported},
      {"GOST digest without vendor", nullptr, CC_HASH, 0x00050000, kCryptoUnsupported},
      {"MD2 digest", nullptr, CC_HASH, PKI_ALG_MD2, kCryptoUnsupported},
      {"SHA-0 digest", nullptr, CC_HASH, PKI_ALG_SHA, kCryptoUnsupported},
      {"no digest", nullptr, CC_HASH, 0, kCryptoUnsupported},
      {"unknown digest octet", nullptr, CC_HASH, 0x00060000, kCryptoUnsupported},
      {"GOST signature", rsa_priv.get(), CC_SIGN, PKI_ALG_GOST341001_CPRO, kCryptoUnsupported},
      {"vendor octet", rsa_pub.get(), CC_VERIFY, 0x01020001, kCryptoUnsupported},
      {"MD2 with RSA", rsa_priv.get(), CC_SIGN, PKI_ALG_MD2_RSA, kCryptoUnsupported},
      {"SHA-0 with RSA", rsa_pub.get(), CC_VERIFY, PKI_ALG_SHA_RSA, kCryptoUnsupported},
      {"DSA encryption", dsa_pub.get(), CC_ENCRYPT, 0, kCryptoUnsupported},
      {"DH signature", dh_priv.get(), CC_SIGN, 0, kCryptoUnsupported},
      {"unknown function", nullptr, static_cast<ccFunc>(9), PKI_ALG_SHA1, kCryptoUnsupported},
      {"RSA key, DSA algorithm", rsa_priv.get(), CC_SIGN, PKI_ALG_SHA1 | PKI_ALG_BASE_DSA, kCryptoKeyMismatch},
      {"DSA key, RSA algorithm", dsa_pub.get(), CC_VERIFY, PKI_ALG_SHA1_RSA, kCryptoKeyMismatch},
      {"RSA key, EC algorithm", rsa_pub.get(), CC_VERIFY, PKI_ALG_SHA256_ECDSA, kCryptoKeyMismatch},
      {"RSA key, DH algorithm", rsa_pub.get(), CC_ENCRYPT, PKI_ALG_DH, kCryptoKeyMismatch},
      {"no key to sign", nullptr, CC_SIGN, PKI_ALG_SHA1_RSA, kCryptoBadKey},
      {"no key to verify", nullptr, CC_VERIFY, 0, kCryptoBadKey},
      {"public key signs", rsa_pub.get(), CC_SIGN, PKI_ALG_SHA1_RSA, kCryptoBadKey},
      {"public key decrypts", rsa_pub.get(), CC_DECRYPT, 0, kCryptoBadKey},
      {"symmetric key", secret.get(), CC_VERIFY, 0, kCryptoUnsupported},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ERR_raise(ERR_LIB_USER, 1);  // someone else's error stays; nothing is added
    ccTransform* t = Create(c.key, c.f, c.alg);
    EXPECT_EQ(ERR_get_error(), ERR_PACK(ERR_LIB_USER, 0, 1));
    ExpectEveryCallAnswers(t, c.code);
  }
}

// Keys whose numbers cannot make a key.
TEST_F(CryptoTest, UnbuildableKeysAreBadKey) {
  KeyRef dsa(Key(KeyData("dsa-1024.p8.der"), TKey::KT_PRIVATE));
  ASSERT_NE(dsa.get(), nullptr);
  BufRef zero(createTBuf(reinterpret_cast<const unsigned char*>("\0"), 1));
  ASSERT_EQ(dsa->setParam(TKey::AKA_KEY, zero.get()), 0);
  ExpectEveryCallAnswers(Create(dsa.get(), CC_SIGN, 0), kCryptoBadKey);
  KeyRef rsa(createTKey(TKey::KT_PRIVATE));
  ASSERT_EQ(rsa->setAlg(PKI_ALG_RSA), 0);
  ExpectEveryCallAnswers(Create(rsa.get(), CC_SIGN, 0), kCryptoBadKey);
  KeyRef pub(createTKey(TKey::KT_PUBLIC));
  ASSERT_EQ(pub->setAlg(PKI_ALG_RSA), 0);
  ExpectEveryCallAnswers(Create(pub.get(), CC_VERIFY, 0), kCryptoBadKey);
  ExpectEveryCallAnswers(Create(pub.get(), CC_ENCRYPT, 0), kCryptoBadKey);
}

TEST_F(CryptoTest, CallsOutOfSequenceAreBadState) {
  KeyRef pub(Key(KeyData("rsa-1024.pub.der"), TKey::KT_PUBLIC));
  Bytes msg = Message(8, 1), buf(512);
  unsigned n = 512;
  for (ccFunc f : {CC_HASH, CC_VERIFY, CC_ENCRYPT}) {
    SCOPED_TRACE(f);
    Transform t(Create(f == CC_HASH ? nullptr : pub.get(), f, f == CC_HASH ? PKI_ALG_SHA1 : 0));
    EXPECT_EQ(t->in(msg.data(), 8), kCryptoBadState) << "in before lock";
    EXPECT_EQ(t->out(buf.data(), &n), kCryptoBadState) << "out before lock";
    EXPECT_EQ(t->unlock(), kCryptoBadState) << "unlock without lock";
    ASSERT_EQ(t->lock(), 0);
    EXPECT_EQ(t->lock(), kCryptoBadState) << "lock twice";
    EXPECT_EQ(t->out(buf.data(), &n), kCryptoBadState) << "out before in";
    EXPECT_EQ(t->in(nullptr, 3), kCryptoBadArgument);
    ASSERT_EQ(t->in(msg.data(), 8), 0);
    EXPECT_EQ(t->in(msg.data(), 8), kCryptoBadState) << "in twice";
    EXPECT_EQ(t->out(buf.data(), nullptr), kCryptoBadArgument);
    EXPECT_EQ(t->error(), kCryptoBadArgument);
    EXPECT_EQ(t->unlock(), 0) << "unlock ends the operation after failures";
    // The transform serves a new operation afterwards.
    ASSERT_EQ(t->lock(), 0);
    ASSERT_EQ(t->in(msg.data(), 8), 0);
    n = 512;
    if (f == CC_VERIFY) {
      EXPECT_EQ(t->out(buf.data(), &n), kCryptoBadSignature);
      EXPECT_EQ(t->out(buf.data(), &n), kCryptoBadState) << "one verdict per operation";
    } else {
      EXPECT_EQ(t->out(buf.data(), &n), 0);
    }
    EXPECT_EQ(t->unlock(), 0);
  }
}

TEST_F(CryptoTest, TransformReportsWhatItWasMadeFor) {
  KeyRef pub(Key(KeyData("dsa-1024.pub.der"), TKey::KT_PUBLIC));
  int refs = pub->references();
  {
    Transform t(Create(pub.get(), CC_VERIFY, PKI_ALG_SHA1 | PKI_ALG_BASE_DSA));
    EXPECT_EQ(t.t->references(), 1) << "one reference, the caller's";
    EXPECT_EQ(t->getFunc(), CC_VERIFY);
    EXPECT_EQ(t->getAlgorithm(), PKI_ALG_SHA1 | PKI_ALG_BASE_DSA);
    EXPECT_EQ(t->error(), 0);
    EXPECT_GT(pub->references(), refs) << "the transform holds the key";
    aKey same = t->getKey(TKey::KT_PUBLIC);
    EXPECT_EQ(same.raw(), pub.get());
    aKey none = t->getKey(TKey::KT_PRIVATE);
    EXPECT_EQ(none.raw(), nullptr);
    EXPECT_EQ(pkixhost::liveTransforms(), 1);
  }
  EXPECT_EQ(pub->references(), refs);
}

// Transforms of one shared service run in parallel threads.
TEST_F(CryptoTest, IndependentTransformsInParallel) {
  KeyRef pub(Key(KeyData("rsa-1024.pub.der"), TKey::KT_PUBLIC));
  KeyRef priv(Key(KeyData("rsa-1024.p8.der"), TKey::KT_PRIVATE));
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&, i] {
      for (int j = 0; j < 5; ++j) {
        Bytes msg = Message(100, static_cast<uint8_t>(i * 10 + j));
        Outcome s = Produce(priv.get(), CC_SIGN, PKI_ALG_SHA256_RSA, msg);
        if (s.code != 0 || Verify(pub.get(), PKI_ALG_SHA256_RSA, msg, s.out) != 0) ++failures[i];
        msg[0] ^= 1;
        if (Verify(pub.get(), PKI_ALG_SHA256_RSA, msg, s.out) != kCryptoBadSignature) ++failures[i];
        if (ERR_peek_error() != 0) ++failures[i];
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
}

// The in-process manager offers the service by default, can leave it out,
// and a later offer of the crypto service (a scripted one) takes its place.
TEST(InProcessCryptoOffer, OfferedByDefaultOptionalAndReplaceable) {
  Tuint32ID crypto(pkixhost::kCryptoServiceID), buffers(pkixid::kBuffers), me(1);  // any requester
  {
    pkixtest::InProcessManager without(true, false);
    EXPECT_EQ(without.acquireService(crypto, me), nullptr);
    EXPECT_NE(without.acquireService(buffers, me), nullptr);
  }
  pkixtest::InProcessManager mgr;
  auto* svc = static_cast<CCD_Interface*>(mgr.acquireService(crypto, me));
  ASSERT_NE(svc, nullptr);
  aKey none(nullptr, nullptr);
  ccTransform* t = svc->create_ccTransform(none, CC_HASH, PKI_ALG_SHA1);
  ASSERT_NE(t, nullptr);
  Bytes in = {'a', 'b', 'c'}, out(20);
  unsigned n = 20;
  EXPECT_EQ(t->lock(), 0);
  EXPECT_EQ(t->in(in.data(), 3), 0);
  EXPECT_EQ(t->out(out.data(), &n), 0);
  EXPECT_EQ(t->unlock(), 0);
  EXPECT_EQ(out, Hex("A9993E364706816ABA3E25717850C26C9CD0D89D"));
  t->remReference();
  CCD_Interface* other = pkixhost::createCryptoService();
  mgr.offer(pkixhost::kCryptoServiceID, other);
  EXPECT_EQ(mgr.acquireService(crypto, me), other);
  EXPECT_EQ(pkixhost::liveTransforms(), 0);
}

}  // namespace
}  // namespace keytest
