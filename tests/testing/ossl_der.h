// OpenSSL as the tests' oracle: the DER one of its writers produces and the
// numbers of its keys, as octets.
#ifndef PKIX_TESTS_TESTING_OSSL_DER_H_
#define PKIX_TESTS_TESTING_OSSL_DER_H_

#include <openssl/bn.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <cstdint>
#include <vector>

namespace pkixtest {

// The octets an i2d-style writer produces, called as i2d(&out) so that
// OpenSSL allocates them; {} when it fails.
//   Bytes spki = OsslDer([&](unsigned char** p) { return i2d_PUBKEY(key, p); });
template <class Writer>
std::vector<uint8_t> OsslDer(Writer i2d) {
  unsigned char* der = nullptr;
  int n = i2d(&der);
  std::vector<uint8_t> out;
  if (n > 0 && der != nullptr) out.assign(der, der + n);
  OPENSSL_free(der);
  return out;
}

// The key's number parameter NAME (an OSSL_PKEY_PARAM_* name) as unsigned
// big-endian octets, no sign octet; {} when the key has none.
inline std::vector<uint8_t> OsslNumber(const EVP_PKEY* k, const char* name) {
  BIGNUM* bn = nullptr;
  if (EVP_PKEY_get_bn_param(k, name, &bn) != 1) return {};
  std::vector<uint8_t> out(static_cast<size_t>(BN_num_bytes(bn)));
  BN_bn2bin(bn, out.data());
  BN_free(bn);
  return out;
}

// The key's octet-string parameter NAME (an EC key's point, say); {} when
// the key has none.
inline std::vector<uint8_t> OsslOctets(const EVP_PKEY* k, const char* name) {
  size_t len = 0;
  if (EVP_PKEY_get_octet_string_param(k, name, nullptr, 0, &len) != 1) return {};
  std::vector<uint8_t> out(len);
  if (EVP_PKEY_get_octet_string_param(k, name, out.data(), out.size(), &len) != 1) return {};
  out.resize(len);
  return out;
}

}  // namespace pkixtest

#endif  // PKIX_TESTS_TESTING_OSSL_DER_H_
