// The public keys of the Mozilla root corpus (tests/data/roots): every key
// parses as the key object and writes the SubjectPublicKeyInfo OpenSSL
// writes; RSA keys agree with OpenSSL on modulus, exponent and size, EC keys
// on point, curve parameters and size.
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include "key_testutil.h"
#include "testing/ossl_oracle.h"

namespace keytest {
namespace {

std::vector<std::string> Roots() { return DerFiles("tests/data/roots"); }

using pkixtest::OsslNumber;

Bytes Point(EVP_PKEY* k) { return pkixtest::OsslOctets(k, OSSL_PKEY_PARAM_PUB_KEY); }

// The parameters element of the certificate's key algorithm, as it stands.
Bytes CurveParams(X509* cert) {
  X509_ALGOR* alg = nullptr;
  if (X509_PUBKEY_get0_param(nullptr, nullptr, nullptr, &alg, X509_get_X509_PUBKEY(cert)) != 1) return {};
  if (alg->parameter == nullptr) return {};
  return pkixtest::OsslDer([&](unsigned char** p) { return i2d_ASN1_TYPE(alg->parameter, p); });
}

// DER INTEGER content without its sign octet.
Bytes Magnitude(Bytes b) {
  while (!b.empty() && b[0] == 0) b.erase(b.begin());
  return b;
}

class KeyRootsTest : public KeyTest {};

TEST_F(KeyRootsTest, EveryKeyMatchesOpenSSL) {
  int rsa = 0;
  int ec = 0;
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
    ASSERT_EQ(k->setRaw(spki.data(), static_cast<unsigned>(spki.size())), 0);
    EXPECT_EQ(Bits(k.get()), static_cast<uint32_t>(EVP_PKEY_get_bits(ossl)));
    EXPECT_EQ(Take(k->getRaw()), spki);
    switch (EVP_PKEY_get_base_id(ossl)) {
      case EVP_PKEY_RSA:
        ++rsa;
        EXPECT_EQ(k->getAlg(), PKI_ALG_RSA);
        EXPECT_EQ(Magnitude(Attr(k.get(), TKey::AKA_MODULUS)), OsslNumber(ossl, OSSL_PKEY_PARAM_RSA_N));
        EXPECT_EQ(Magnitude(Attr(k.get(), TKey::AKA_PUB_EXPONENT)), OsslNumber(ossl, OSSL_PKEY_PARAM_RSA_E));
        break;
      case EVP_PKEY_EC:
        ++ec;
        EXPECT_EQ(k->getAlg(), PKI_ALG_EC);
        EXPECT_EQ(Attr(k.get(), TKey::AKA_KEY), Point(ossl));
        EXPECT_EQ(Attr(k.get(), TKey::AKA_ALG_PARAMS), CurveParams(cert));
        break;
      default:
        ADD_FAILURE() << "a root key of neither RSA nor EC";
    }
    X509_free(cert);
  }
  // The corpus: 107 RSA keys, 35 elliptic-curve keys.
  EXPECT_EQ(rsa, 107);
  EXPECT_EQ(ec, 35);
  EXPECT_EQ(rsa + ec, static_cast<int>(Roots().size()));
}

}  // namespace
}  // namespace keytest
