// Keys no one here wrote, read by the key object and by OpenSSL from the
// same bytes: RSA, DSA and Diffie-Hellman keys generated with the openssl
// command (tests/data/key, examples/keys) in SubjectPublicKeyInfo, PKCS #8
// and PKCS #1 form. Every attribute must equal OpenSSL's number as DER
// INTEGER content octets, the sizes must be the bit lengths OpenSSL reports,
// and the public encodings must be byte-identical to i2d_PUBKEY, also when
// written afresh from the attributes.
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include "key/rsakey.h"
#include "key_testutil.h"
#include "testing/ossl_oracle.h"

namespace keytest {
namespace {

using x509test::Cat;
using x509test::Int;
using x509test::Seq;
using x509test::Tlv;

struct Source {
  std::string path;
  TKey::key_type_t kind;
  pki_alg_t alg;
};

std::vector<Source> Sources() {
  std::vector<Source> out;
  auto add = [&](const std::string& path, TKey::key_type_t kind, pki_alg_t alg) { out.push_back({path, kind, alg}); };
  for (const char* rsa : {"rsa-1024", "rsa-2048", "rsa-4096", "rsa-1020"}) {
    add(KeyData(rsa) + ".pub.der", TKey::KT_PUBLIC, PKI_ALG_RSA);
    add(KeyData(rsa) + ".p8.der", TKey::KT_PRIVATE, PKI_ALG_RSA);
    add(KeyData(rsa) + ".p1.der", TKey::KT_PRIVATE, PKI_ALG_RSA);
  }
  for (const char* dsa : {"dsa-1024", "dsa-2048"}) {
    add(KeyData(dsa) + ".pub.der", TKey::KT_PUBLIC, PKI_ALG_DSA);
    add(KeyData(dsa) + ".p8.der", TKey::KT_PRIVATE, PKI_ALG_DSA);
  }
  for (const char* dh : {"dh-1024", "dh-ffdhe2048"}) {
    add(KeyData(dh) + ".pub.der", TKey::KT_PUBLIC, PKI_ALG_DH);
    add(KeyData(dh) + ".p8.der", TKey::KT_PRIVATE, PKI_ALG_DH);
  }
  const std::string ex = PKIX_SOURCE_DIR "/examples/keys/";
  for (const char* rsa : {"root-key", "sub-key", "server-key"}) {
    add(ex + rsa + ".pub.der", TKey::KT_PUBLIC, PKI_ALG_RSA);
    add(ex + rsa + ".p8.der", TKey::KT_PRIVATE, PKI_ALG_RSA);
  }
  add(ex + "server-key.p1.der", TKey::KT_PRIVATE, PKI_ALG_RSA);
  // (the sample's "p8" files of RSA keys hold PKCS #1, those of DSA keys
  // OpenSSL's own DSA form: see RefusedCleanly)
  for (const char* dsa : {"dsa-ca-key", "dsa-user-key"}) add(ex + dsa + ".pub.der", TKey::KT_PUBLIC, PKI_ALG_DSA);
  add(ex + "dh-key.pub.der", TKey::KT_PUBLIC, PKI_ALG_DH);
  add(ex + "dh-key.p8.der", TKey::KT_PRIVATE, PKI_ALG_DH);
  return out;
}

struct PKeyFree {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
using PKey = std::unique_ptr<EVP_PKEY, PKeyFree>;

// OpenSSL's key from the same bytes.
PKey Load(const Source& s, const Bytes& der) {
  const unsigned char* p = der.data();
  long n = static_cast<long>(der.size());
  return PKey(s.kind == TKey::KT_PUBLIC ? d2i_PUBKEY(nullptr, &p, n) : d2i_AutoPrivateKey(nullptr, &p, n));
}

// A number as DER INTEGER content: big-endian, a zero octet in front when
// the top bit is set.
Bytes IntegerContent(const BIGNUM* bn) {
  Bytes b(static_cast<size_t>(BN_num_bytes(bn)));
  BN_bn2bin(bn, b.data());
  if (b.empty() || (b[0] & 0x80) != 0) b.insert(b.begin(), 0);
  return b;
}

Bytes Param(EVP_PKEY* k, const char* name) {
  BIGNUM* bn = nullptr;
  if (EVP_PKEY_get_bn_param(k, name, &bn) != 1) return {};
  Bytes out = IntegerContent(bn);
  BN_free(bn);
  return out;
}

int ParamBits(EVP_PKEY* k, const char* name) {
  BIGNUM* bn = nullptr;
  if (EVP_PKEY_get_bn_param(k, name, &bn) != 1) return -1;
  int bits = BN_num_bits(bn);
  BN_free(bn);
  return bits;
}


struct Expect {
  TKey::aka_t aka;
  const char* name;
};

// Which of OpenSSL's numbers each attribute must equal.
std::vector<Expect> Expected(pki_alg_t alg, TKey::key_type_t kind) {
  bool priv = kind == TKey::KT_PRIVATE;
  switch (alg) {
    case PKI_ALG_RSA:
      if (!priv) return {{TKey::AKA_MODULUS, OSSL_PKEY_PARAM_RSA_N}, {TKey::AKA_PUB_EXPONENT, OSSL_PKEY_PARAM_RSA_E}};
      return {{TKey::AKA_MODULUS, OSSL_PKEY_PARAM_RSA_N},           {TKey::AKA_PUB_EXPONENT, OSSL_PKEY_PARAM_RSA_E},
              {TKey::AKA_PRIV_EXPONENT, OSSL_PKEY_PARAM_RSA_D},     {TKey::AKA_PRIME1, OSSL_PKEY_PARAM_RSA_FACTOR1},
              {TKey::AKA_PRIME2, OSSL_PKEY_PARAM_RSA_FACTOR2},      {TKey::AKA_EXPONENT1, OSSL_PKEY_PARAM_RSA_EXPONENT1},
              {TKey::AKA_EXPONENT2, OSSL_PKEY_PARAM_RSA_EXPONENT2}, {TKey::AKA_COEFFICIENT, OSSL_PKEY_PARAM_RSA_COEFFICIENT1}};
    case PKI_ALG_DSA:
      return {{TKey::AKA_P, OSSL_PKEY_PARAM_FFC_P},
              {TKey::AKA_Q, OSSL_PKEY_PARAM_FFC_Q},
              {TKey::AKA_G, OSSL_PKEY_PARAM_FFC_G},
              {TKey::AKA_KEY, priv ? OSSL_PKEY_PARAM_PRIV_KEY : OSSL_PKEY_PARAM_PUB_KEY}};
    default:
      return {{TKey::AKA_P, OSSL_PKEY_PARAM_FFC_P},
              {TKey::AKA_G, OSSL_PKEY_PARAM_FFC_G},
              {TKey::AKA_KEY, priv ? OSSL_PKEY_PARAM_PRIV_KEY : OSSL_PKEY_PARAM_PUB_KEY}};
  }
}

Bytes PubkeyDer(EVP_PKEY* k) {
  return pkixtest::OsslDer([&](unsigned char** p) { return i2d_PUBKEY(k, p); });
}

class KeyOracleTest : public KeyTest {};

TEST_F(KeyOracleTest, EveryAttributeEqualsOpenSSL) {
  for (const Source& s : Sources()) {
    SCOPED_TRACE(s.path);
    Bytes der = ReadFile(s.path);
    ASSERT_FALSE(der.empty());
    PKey ossl = Load(s, der);
    ASSERT_NE(ossl, nullptr);
    KeyRef k(createTKey(s.kind, der.data(), static_cast<unsigned>(der.size())));
    ASSERT_NE(k.get(), nullptr);
    EXPECT_EQ(k->getAlg(), s.alg);
    for (const Expect& e : Expected(s.alg, s.kind)) {
      EXPECT_EQ(Attr(k.get(), e.aka), Param(ossl.get(), e.name)) << "attribute " << e.aka;
      EXPECT_EQ(k->error(), 0);
    }
    // Sizes: the bit length of the modulus or of p, what OpenSSL reports;
    // for Diffie-Hellman too, whose values are often shorter than p (the
    // 1024-bit group's public value here has 1022 bits).
    EXPECT_EQ(Bits(k.get(), TKey::AKA_BITS), static_cast<uint32_t>(EVP_PKEY_get_bits(ossl.get())));
    if (s.alg == PKI_ALG_DH || s.alg == PKI_ALG_DSA) {
      EXPECT_EQ(Bits(k.get(), TKey::AKA_BITS), static_cast<uint32_t>(ParamBits(ossl.get(), OSSL_PKEY_PARAM_FFC_P)));
    }
    if (s.alg == PKI_ALG_RSA) {
      EXPECT_EQ(Bits(k.get(), TKey::AKA_RSA_BITS), Bits(k.get(), TKey::AKA_BITS));
    }
    // A key read from DER hands back those bytes.
    EXPECT_EQ(Take(k->getRaw()), der);
  }
}

// A public key written afresh from its attributes alone is what OpenSSL
// writes: i2d_PUBKEY byte for byte.
TEST_F(KeyOracleTest, FreshPublicEncodingIsOpenSSLs) {
  for (const Source& s : Sources()) {
    if (s.kind != TKey::KT_PUBLIC) continue;
    SCOPED_TRACE(s.path);
    Bytes der = ReadFile(s.path);
    PKey ossl = Load(s, der);
    ASSERT_NE(ossl, nullptr);
    KeyRef parsed(createTKey(TKey::KT_PUBLIC, der.data(), static_cast<unsigned>(der.size())));
    ASSERT_NE(parsed.get(), nullptr);
    KeyRef fresh(createTKey(TKey::KT_PUBLIC));
    ASSERT_EQ(fresh->setAlg(s.alg), 0);
    for (const Expect& e : Expected(s.alg, TKey::KT_PUBLIC)) {
      BufRef v(parsed->getParam(e.aka));
      ASSERT_EQ(fresh->setParam(e.aka, v.get()), 0);
    }
    EXPECT_EQ(Take(fresh->getRaw()), PubkeyDer(ossl.get()));
    EXPECT_EQ(fresh->error(), 0);
  }
}

// DSA and Diffie-Hellman private keys written afresh are OpenSSL's PKCS #8;
// an RSA private key written afresh reads back to the same numbers.
TEST_F(KeyOracleTest, FreshPrivateEncodingRoundTrips) {
  for (const Source& s : Sources()) {
    if (s.kind != TKey::KT_PRIVATE) continue;
    SCOPED_TRACE(s.path);
    Bytes der = ReadFile(s.path);
    KeyRef parsed(createTKey(TKey::KT_PRIVATE, der.data(), static_cast<unsigned>(der.size())));
    ASSERT_NE(parsed.get(), nullptr);
    KeyRef fresh(createTKey(TKey::KT_PRIVATE));
    ASSERT_EQ(fresh->setAlg(s.alg), 0);
    std::vector<Expect> expected = Expected(s.alg, TKey::KT_PRIVATE);
    for (const Expect& e : expected) {
      BufRef v(parsed->getParam(e.aka));
      ASSERT_EQ(fresh->setParam(e.aka, v.get()), 0);
    }
    Bytes written = Take(fresh->getRaw());
    ASSERT_FALSE(written.empty());
    bool pkcs1 = s.path.find(".p1.") != std::string::npos;
    if (s.alg != PKI_ALG_RSA && !pkcs1) {
      EXPECT_EQ(written, der);
    }
    KeyRef again(createTKey(TKey::KT_PRIVATE, written.data(), static_cast<unsigned>(written.size())));
    ASSERT_NE(again.get(), nullptr);
    EXPECT_EQ(again->getAlg(), s.alg);
    for (const Expect& e : expected) {
      // The private-key structure carries modulus, exponents and value of
      // RSA; CRT numbers travel only in PKCS #1.
      if (s.alg == PKI_ALG_RSA && e.aka != TKey::AKA_MODULUS && e.aka != TKey::AKA_PUB_EXPONENT &&
          e.aka != TKey::AKA_PRIV_EXPONENT)
        continue;
      EXPECT_EQ(Attr(again.get(), e.aka), Attr(parsed.get(), e.aka)) << "attribute " << e.aka;
    }
  }
}

// PKCS #1 written from the attributes of any RSA private key form is the
// byte image of OpenSSL's RSAPrivateKey.
TEST_F(KeyOracleTest, PKCS1FromAttributesIsOpenSSLs) {
  for (const char* rsa : {"rsa-1024", "rsa-2048", "rsa-4096", "rsa-1020"}) {
    SCOPED_TRACE(rsa);
    Bytes p1 = ReadFile(KeyData(rsa) + ".p1.der");
    Bytes p8 = ReadFile(KeyData(rsa) + ".p8.der");
    X509Key owner(TKey::KT_PRIVATE);
    RSAPrivKey body;
    body.fitX509Key(&owner);
    ASSERT_EQ(body.setRaw(p8.data(), static_cast<unsigned>(p8.size())), 0);
    EXPECT_FALSE(body.isPKCS1Key());
    EXPECT_EQ(Take(body.getPKCS1Key()), p1);
    EXPECT_TRUE(body.isPKCS1Key());
    // and the PKCS #1 form itself is recognised and kept
    EXPECT_TRUE(RSAPrivKey::isPKCS1Key(p1.data(), static_cast<unsigned>(p1.size())));
    EXPECT_FALSE(RSAPrivKey::isPKCS1Key(p8.data(), static_cast<unsigned>(p8.size())));
    ASSERT_EQ(body.setRaw(p1.data(), static_cast<unsigned>(p1.size())), 0);
    EXPECT_TRUE(body.isPKCS1Key());
    EXPECT_EQ(Take(body.getRaw()), p1);
  }
}

// An RSAPublicKey alone (not a SubjectPublicKeyInfo) is refused by setRaw
// but taken by setKey, after which the key writes OpenSSL's SPKI.
TEST_F(KeyOracleTest, RSAPublicKeyThroughSetKey) {
  Bytes p1pub = ReadFile(PKIX_SOURCE_DIR "/examples/keys/server-key.p1pub.der");
  Bytes spki = ReadFile(PKIX_SOURCE_DIR "/examples/keys/server-key.pub.der");
  KeyRef k(createTKey(TKey::KT_PUBLIC));
  EXPECT_EQ(k->setRaw(p1pub.data(), static_cast<unsigned>(p1pub.size())), pkixrc::kFailed);
  EXPECT_EQ(k->getAlg(), 0u);
  ASSERT_EQ(k->setAlg(PKI_ALG_RSA), 0);
  BufRef b(Buf(p1pub));
  ASSERT_EQ(k->setKey(b.get()), 0);
  EXPECT_EQ(Take(k->getKey()), p1pub);
  EXPECT_EQ(Take(k->getRaw()), spki);
}

// The same bytes as the other kind, or under another algorithm.
TEST_F(KeyOracleTest, WrongKindOrAlgorithmIsRefused) {
  Bytes p1 = ReadFile(KeyData("rsa-1024.p1.der"));
  Bytes p8 = ReadFile(KeyData("rsa-1024.p8.der"));
  Bytes dsa = ReadFile(KeyData("dsa-1024.pub.der"));
  Bytes rsa = ReadFile(KeyData("rsa-1024.pub.der"));
  struct Case {
    const Bytes* der;
    TKey::key_type_t kind;
    pki_alg_t preset;
    int code;
  } cases[] = {
      {&p1, TKey::KT_PUBLIC, 0, pkixrc::kFailed},            // PKCS #1 is no SubjectPublicKeyInfo
      {&p8, TKey::KT_PUBLIC, 0, pkixrc::kFailed},            // nor is PKCS #8
      {&rsa, TKey::KT_PRIVATE, 0, pkixrc::kFailed},          // an SPKI is no private key (taken for RSA, then refused)
      {&dsa, TKey::KT_PUBLIC, PKI_ALG_RSA, pkixrc::kWrongType}, // algorithm set to RSA, DSA bytes
      {&rsa, TKey::KT_PUBLIC, PKI_ALG_DSA, pkixrc::kWrongType},
      {&p8, TKey::KT_PRIVATE, PKI_ALG_DH, pkixrc::kWrongType},
  };
  for (const Case& c : cases) {
    KeyRef k(createTKey(c.kind));
    if (c.preset != 0) k->setAlg(c.preset);
    EXPECT_EQ(k->setRaw(c.der->data(), static_cast<unsigned>(c.der->size())), c.code);
    EXPECT_EQ(k->error(), c.code);
    // unchanged: the algorithm as it was, no key value taken
    EXPECT_EQ(k->getAlg(), c.preset);
    EXPECT_EQ(k->getVendor(), VENDOR_NONE);
    if (c.preset != 0) {
      EXPECT_EQ(Take(k->getKey()), Bytes());
    }
  }
}

// Forms no body reads (a bare RSAPublicKey as a public key, PEM text): 9,
// no key left behind.
TEST_F(KeyOracleTest, RefusedCleanly) {
  const std::string ex = PKIX_SOURCE_DIR "/examples/keys/";
  const struct {
    std::string path;
    TKey::key_type_t kind;
  } cases[] = {
      {ex + "server-key.p1pub.der", TKey::KT_PUBLIC},
      {ex + "server-key.pem", TKey::KT_PRIVATE},  // text, not DER
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    Bytes der = ReadFile(c.path);
    ASSERT_FALSE(der.empty());
    EXPECT_EQ(createTKey(c.kind, der.data(), static_cast<unsigned>(der.size())), nullptr);
    KeyRef k(createTKey(c.kind));
    EXPECT_EQ(k->setRaw(der.data(), static_cast<unsigned>(der.size())), pkixrc::kFailed);
    EXPECT_EQ(k->getAlg(), 0u);
  }
}

// A bare RSAPublicKey (the value setKey of an RSA public key reads, and
// what pkixtool key show falls back on) is exactly two positive INTEGERs, a
// non-zero modulus, and nothing after them. OpenSSL's own RSAPublicKey of
// every RSA fixture is taken whole; a SEQUENCE that merely starts with two
// INTEGERs is some other structure and is refused, storing nothing.
TEST_F(KeyOracleTest, BareRSAPublicKeyIsExactlyTwoPositiveIntegers) {
  for (const Source& s : Sources()) {
    if (s.alg != PKI_ALG_RSA || s.kind != TKey::KT_PUBLIC) continue;
    SCOPED_TRACE(s.path);
    PKey ossl = Load(s, ReadFile(s.path));
    ASSERT_NE(ossl, nullptr);
    Bytes pkcs1 = pkixtest::OsslDer([&](unsigned char** p) { return i2d_PublicKey(ossl.get(), p); });
    ASSERT_FALSE(pkcs1.empty());
    KeyRef k(createTKey(TKey::KT_PUBLIC));
    ASSERT_EQ(k->setAlg(PKI_ALG_RSA), pkixrc::kOk);
    BufRef b(Buf(pkcs1));
    EXPECT_EQ(k->setKey(b.get()), pkixrc::kOk);
    EXPECT_EQ(Attr(k.get(), TKey::AKA_MODULUS), Param(ossl.get(), OSSL_PKEY_PARAM_RSA_N));
    EXPECT_EQ(Attr(k.get(), TKey::AKA_PUB_EXPONENT), Param(ossl.get(), OSSL_PKEY_PARAM_RSA_E));
    EXPECT_EQ(Bits(k.get()), static_cast<uint32_t>(EVP_PKEY_get_bits(ossl.get())));
    EXPECT_EQ(Take(k->getKey()), pkcs1);
  }

  // OpenSSL's traditional DSA private key: SEQUENCE { 0, p, q, g, y, x }.
  pkixtest::PKey dsa = pkixtest::OsslPrivateKey(ReadFile(KeyData("dsa-1024.p8.der")));
  ASSERT_NE(dsa, nullptr);
  Bytes dsa_traditional = pkixtest::OsslDer([&](unsigned char** p) { return i2d_PrivateKey(dsa.get(), p); });
  ASSERT_GT(dsa_traditional.size(), 300u);
  const Bytes n = {0x00, 0xC1};  // 193, with its sign octet
  const Bytes e = {0x03};
  const struct {
    const char* what;
    Bytes der;
  } refused[] = {
      {"DSA private key, six INTEGERs", dsa_traditional},
      {"three INTEGERs", Seq({Int(n), Int(e), Int({0x05})})},
      {"zero modulus", Seq({Int({0x00}), Int(e)})},
      {"negative modulus", Seq({Int({0xC1}), Int(e)})},
      {"negative exponent", Seq({Int(n), Int({0xFD})})},
      {"zero exponent", Seq({Int(n), Int({0x00})})},
      {"octets after the SEQUENCE", Cat({Seq({Int(n), Int(e)}), Bytes{0x00}})},
      {"one INTEGER", Seq({Int(n)})},
      {"an INTEGER and an OCTET STRING", Seq({Int(n), Tlv(0x04, e)})},
      {"an INTEGER alone", Int(n)},
      {"nothing", {}},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.what);
    KeyRef k(createTKey(TKey::KT_PUBLIC));
    ASSERT_EQ(k->setAlg(PKI_ALG_RSA), pkixrc::kOk);
    BufRef b(Buf(c.der));
    EXPECT_EQ(k->setKey(b.get()), pkixrc::kFailed);
    EXPECT_EQ(k->error(), pkixrc::kFailed);
    EXPECT_EQ(Attr(k.get(), TKey::AKA_MODULUS), Bytes());
    EXPECT_EQ(Attr(k.get(), TKey::AKA_PUB_EXPONENT), Bytes());
    EXPECT_EQ(k->getKey(), nullptr);
    EXPECT_EQ(k->error(), pkixrc::kUnavailable);
  }
}

// A DSA public key may come without domain parameters: RFC 3279 lets a
// certificate inherit them from its issuer's key. It is read for its value
// alone (the values are OpenSSL's, of a fixture), has no p, q, g and so no
// size, and hands
// back the bytes read. The private-key structure without parameters reads
// the same way. Families that need their parameters refuse such a key with
// kFailed, and so does every truncation.
TEST_F(KeyOracleTest, DSAKeyWithoutParameters) {
  const Bytes dsa_oid = Tlv(0x06, Hex("2A8648CE380401"));     // id-dsa 1.2.840.10040.4.1
  const Bytes dh_oid = Tlv(0x06, Hex("2A864886F70D010301"));  // dhKeyAgreement 1.2.840.113549.1.3.1
  const Bytes rsa_oid = Tlv(0x06, Hex("2A864886F70D010101"));  // rsaEncryption
  pkixtest::PKey full = pkixtest::OsslPrivateKey(ReadFile(KeyData("dsa-1024.p8.der")));
  ASSERT_NE(full, nullptr);
  const Bytes y = Param(full.get(), OSSL_PKEY_PARAM_PUB_KEY);
  const Bytes x = Param(full.get(), OSSL_PKEY_PARAM_PRIV_KEY);
  // SubjectPublicKeyInfo { { id-dsa }, BIT STRING { 00, INTEGER y } }
  auto spki = [](const Bytes& oid, const Bytes& bits) { return Seq({Seq({oid}), Tlv(0x03, bits)}); };
  const Bytes bare = spki(dsa_oid, Cat({Bytes{0x00}, Int(y)}));
  // PrivateKeyInfo { 0, { id-dsa }, OCTET STRING { INTEGER x } }
  const Bytes bare_private = Seq({Int({0x00}), Seq({dsa_oid}), Tlv(0x04, Int(x))});

  const struct {
    const Bytes* der;
    TKey::key_type_t kind;
    const Bytes* value;
  } read[] = {{&bare, TKey::KT_PUBLIC, &y}, {&bare_private, TKey::KT_PRIVATE, &x}};
  for (const auto& c : read) {
    SCOPED_TRACE(c.kind);
    KeyRef k(createTKey(c.kind, c.der->data(), static_cast<unsigned>(c.der->size())));
    ASSERT_NE(k.get(), nullptr);
    EXPECT_EQ(k->getAlg(), PKI_ALG_DSA);
    EXPECT_EQ(Attr(k.get(), TKey::AKA_KEY), *c.value);
    for (TKey::aka_t a : {TKey::AKA_P, TKey::AKA_Q, TKey::AKA_G}) {
      EXPECT_EQ(Attr(k.get(), a), Bytes()) << a;
      EXPECT_EQ(k->error(), pkixrc::kOk);
    }
    EXPECT_EQ(k->getParam(TKey::AKA_BITS), nullptr);
    EXPECT_EQ(k->error(), pkixrc::kUnavailable);
    EXPECT_EQ(Take(k->getRaw()), *c.der);
    // Written afresh the parameters are missing: refused, not guessed.
    BufRef value(Buf(*c.value));
    ASSERT_EQ(k->setParam(TKey::AKA_KEY, value.get()), pkixrc::kOk);
    EXPECT_EQ(k->getRaw(), nullptr);
    EXPECT_EQ(k->error(), pkixrc::kFailed);
  }

  const struct {
    const char* what;
    Bytes der;
  } refused[] = {
      {"Diffie-Hellman", spki(dh_oid, Cat({Bytes{0x00}, Int(y)}))},
      {"RSA", spki(rsa_oid, Cat({Bytes{0x00}, Seq({Int({0x00, 0xC1}), Int({0x03})})}))},
      {"unused bits", spki(dsa_oid, Cat({Bytes{0x01}, Int(y)}))},
      {"empty BIT STRING", spki(dsa_oid, {})},
      {"no INTEGER", spki(dsa_oid, Bytes{0x00})},
      {"octets after the INTEGER", spki(dsa_oid, Cat({Bytes{0x00}, Int(y), Bytes{0x00}}))},
      {"OCTET STRING for INTEGER", spki(dsa_oid, Cat({Bytes{0x00}, Tlv(0x04, y)}))},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.what);
    KeyRef k(createTKey(TKey::KT_PUBLIC));
    EXPECT_EQ(k->setRaw(c.der.data(), static_cast<unsigned>(c.der.size())), pkixrc::kFailed);
    EXPECT_EQ(k->getAlg(), PKI_ALG_NONE);
  }
  for (size_t cut = 0; cut < bare.size(); ++cut) {
    KeyRef k(createTKey(TKey::KT_PUBLIC));
    EXPECT_EQ(k->setRaw(bare.data(), static_cast<unsigned>(cut)), pkixrc::kFailed) << cut;
    EXPECT_EQ(k->getAlg(), PKI_ALG_NONE);
  }
}

}  // namespace
}  // namespace keytest
