// Whether a public key may be made later: publicKeyDeferrable must never
// promise a key that createTKey would refuse, and for RSA it must answer
// exactly as createTKey does, since a certificate that defers its key would
// otherwise be accepted or refused differently. Hand-made
// SubjectPublicKeyInfo elements cover each way an RSA key can be refused;
// the keys of the Mozilla roots (extracted by OpenSSL) and the key files
// of the other families cover real input.
#include <openssl/x509.h>

#include "key/x509key.h"
#include "key_testutil.h"
#include "testing/der_bytes.h"

namespace keytest {
namespace {

using pkixtest::Cat;
using pkixtest::Tlv;

// rsaEncryption 1.2.840.113549.1.1.1, as OID content octets.
const Bytes kRsaOid = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01};
const Bytes kNull = {0x05, 0x00};
// A positive 65-octet modulus (leading 00 before a set top bit) and 65537.
Bytes Modulus() {
  Bytes n(65, 0xC5);
  n[0] = 0x00;
  return n;
}
const Bytes kExponent = {0x01, 0x00, 0x01};

// SubjectPublicKeyInfo ::= SEQUENCE { AlgorithmIdentifier, BIT STRING }
Bytes Spki(const Bytes& alg_params, const Bytes& unused_bits, const Bytes& key) {
  return Tlv(0x30, Cat({Tlv(0x30, Cat({Tlv(0x06, kRsaOid), alg_params})), Tlv(0x03, Cat({unused_bits, key}))}));
}
// RSAPublicKey ::= SEQUENCE { modulus INTEGER, publicExponent INTEGER }
Bytes RsaKey(const Bytes& n, const Bytes& e) { return Tlv(0x30, Cat({Tlv(0x02, n), Tlv(0x02, e)})); }

struct Case {
  const char* what;
  Bytes der;
  bool creatable;  // createTKey(KT_PUBLIC) makes a key
};

class KeyDeferTest : public KeyTest {};

TEST_F(KeyDeferTest, RsaAnswersAsCreateTKey) {
  const Bytes good = RsaKey(Modulus(), kExponent);
  Bytes negative = Modulus();
  negative.erase(negative.begin());  // top bit set without the 00: negative
  const Case cases[] = {
      {"well formed", Spki(kNull, {0x00}, good), true},
      {"octets after the element", Cat({Spki(kNull, {0x00}, good), {0x00, 0x00}}), true},
      {"negative modulus", Spki(kNull, {0x00}, RsaKey(negative, kExponent)), false},
      {"zero exponent", Spki(kNull, {0x00}, RsaKey(Modulus(), {0x00})), false},
      {"third INTEGER in RSAPublicKey",
       Spki(kNull, {0x00}, Tlv(0x30, Cat({Tlv(0x02, Modulus()), Tlv(0x02, kExponent), Tlv(0x02, {0x01})}))), false},
      {"octets after RSAPublicKey", Spki(kNull, {0x00}, Cat({good, {0x05, 0x00}})), false},
      {"no parameters", Spki({}, {0x00}, good), false},
      {"INTEGER parameters", Spki(Tlv(0x02, {0x01}), {0x00}, good), false},
      {"unused bits", Spki(kNull, {0x01}, good), false},
      {"key not a SEQUENCE", Spki(kNull, {0x00}, Tlv(0x02, Modulus())), false},
      {"truncated", Bytes(good.begin(), good.begin() + 10), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    unsigned len = static_cast<unsigned>(c.der.size());
    KeyRef made(createTKey(TKey::KT_PUBLIC, c.der.data(), len));
    EXPECT_EQ(made.get() != nullptr, c.creatable);
    EXPECT_EQ(publicKeyDeferrable(c.der.data(), len), c.creatable);
  }
}

TEST_F(KeyDeferTest, OtherFamiliesAreMadeAtOnce) {
  for (const char* f : {"dsa-1024.pub.der", "dh-1024.pub.der", "ec-p-256.pub.der"}) {
    SCOPED_TRACE(f);
    Bytes der = ReadFile(KeyData(f));
    ASSERT_FALSE(der.empty());
    KeyRef made(createTKey(TKey::KT_PUBLIC, der.data(), static_cast<unsigned>(der.size())));
    EXPECT_NE(made.get(), nullptr);
    EXPECT_FALSE(publicKeyDeferrable(der.data(), static_cast<unsigned>(der.size())));
  }
}

// The roots' keys as OpenSSL extracts them: a deferred key is always one
// createTKey makes, and every RSA root's key is deferred.
TEST_F(KeyDeferTest, RootKeys) {
  int rsa = 0;
  for (const std::string& f : DerFiles("tests/data/roots")) {
    SCOPED_TRACE(f);
    Bytes cert = ReadFile(f);
    const unsigned char* p = cert.data();
    X509* x = d2i_X509(nullptr, &p, static_cast<long>(cert.size()));
    if (x == nullptr) continue;
    unsigned char* spki = nullptr;
    int n = i2d_X509_PUBKEY(X509_get_X509_PUBKEY(x), &spki);
    bool is_rsa = X509_get0_pubkey(x) != nullptr && EVP_PKEY_get_base_id(X509_get0_pubkey(x)) == EVP_PKEY_RSA;
    X509_free(x);
    ASSERT_GT(n, 0);
    KeyRef made(createTKey(TKey::KT_PUBLIC, spki, static_cast<unsigned>(n)));
    bool deferred = publicKeyDeferrable(spki, static_cast<unsigned>(n));
    OPENSSL_free(spki);
    if (deferred) {
      EXPECT_NE(made.get(), nullptr);
    }
    if (is_rsa) {
      ++rsa;
      EXPECT_TRUE(deferred);
    }
  }
  EXPECT_GT(rsa, 50);
}

}  // namespace
}  // namespace keytest
