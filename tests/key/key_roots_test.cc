// The public keys of the Mozilla root corpus (tests/data/roots): every RSA
// key parses as the key object and agrees with OpenSSL on modulus, exponent
// and size; keys of algorithms without a body are refused with 9.
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include "key_testutil.h"

namespace keytest {
namespace {

std::vector<std::string> Roots() { return DerFiles("tests/data/roots"); }

Bytes Number(EVP_PKEY* k, const char* name) {
  BIGNUM* bn = nullptr;
  if (EVP_PKEY_get_bn_param(k, name, &bn) != 1) return {};
  Bytes b(static_cast<size_t>(BN_num_bytes(bn)));
  BN_bn2bin(bn, b.data());
  BN_free(bn);
  return b;
}

// DER INTEGER content without its sign octet.
Bytes Magnitude(Bytes b) {
  while (!b.empty() && b[0] == 0) b.erase(b.begin());
  return b;
}

class KeyRootsTest : public KeyTest {};

TEST_F(KeyRootsTest, EveryRSAKeyMatchesOpenSSL) {
  int rsa = 0;
  int refused = 0;
  for (const std::string& path : Roots()) {
    SCOPED_TRACE(path);
    Bytes der = ReadFile(path);
    const unsigned char* p = der.data();
    X509* cert = d2i_X509(nullptr, &p, static_cast<long>(der.size()));
    ASSERT_NE(cert, nullptr);
    unsigned char* spki_der = nullptr;
    int n = i2d_X509_PUBKEY(X509_get_X509_PUBKEY(cert), &spki_der);
    ASSERT_GT(n, 0);
    Bytes spki(spki_der, spki_der + n);
    OPENSSL_free(spki_der);
    EVP_PKEY* ossl = X509_get0_pubkey(cert);
    ASSERT_NE(ossl, nullptr);

    KeyRef k(createTKey(TKey::KT_PUBLIC));
    int rc = k->setRaw(spki.data(), static_cast<unsigned>(spki.size()));
    if (EVP_PKEY_get_base_id(ossl) == EVP_PKEY_RSA) {
      ++rsa;
      ASSERT_EQ(rc, 0);
      EXPECT_EQ(k->getAlg(), PKI_ALG_RSA);
      EXPECT_EQ(Magnitude(Attr(k.get(), TKey::AKA_MODULUS)), Number(ossl, OSSL_PKEY_PARAM_RSA_N));
      EXPECT_EQ(Magnitude(Attr(k.get(), TKey::AKA_PUB_EXPONENT)), Number(ossl, OSSL_PKEY_PARAM_RSA_E));
      Bytes bits = Attr(k.get(), TKey::AKA_BITS);
      ASSERT_EQ(bits.size(), 4u);
      EXPECT_EQ(bits[0] << 24 | bits[1] << 16 | bits[2] << 8 | bits[3], EVP_PKEY_get_bits(ossl));
      EXPECT_EQ(Take(k->getRaw()), spki);
    } else {
      ++refused;
      EXPECT_EQ(rc, 9);
      EXPECT_EQ(k->getAlg(), 0u);
    }
    X509_free(cert);
  }
  // The corpus is mostly RSA, the rest elliptic-curve keys.
  EXPECT_GT(rsa, 100);
  EXPECT_GT(refused, 0);
  EXPECT_EQ(rsa + refused, static_cast<int>(Roots().size()));
}

}  // namespace
}  // namespace keytest
