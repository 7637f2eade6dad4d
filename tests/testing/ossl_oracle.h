// OpenSSL as the tests' oracle: its keys read from DER, the DER one of its
// writers produces, the numbers of its keys as octets, and its signatures
// and PKCS #1 v1.5 encryption. Every operation clears what it left in
// OpenSSL's error queue, so tests of the queue see only the module's.
#ifndef PKIX_TESTS_TESTING_OSSL_ORACLE_H_
#define PKIX_TESTS_TESTING_OSSL_ORACLE_H_

#include <openssl/bn.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace pkixtest {

struct OsslKeyFree {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
using PKey = std::unique_ptr<EVP_PKEY, OsslKeyFree>;

// OpenSSL's key from a SubjectPublicKeyInfo; null when it takes none.
inline PKey OsslPublicKey(const std::vector<uint8_t>& der) {
  const unsigned char* p = der.data();
  PKey k(d2i_PUBKEY(nullptr, &p, static_cast<long>(der.size())));
  ERR_clear_error();
  return k;
}

// OpenSSL's private key from any form d2i_AutoPrivateKey takes (PKCS #8,
// PKCS #1, the DSA form, SEC1); null when it takes none.
inline PKey OsslPrivateKey(const std::vector<uint8_t>& der) {
  const unsigned char* p = der.data();
  PKey k(d2i_AutoPrivateKey(nullptr, &p, static_cast<long>(der.size())));
  ERR_clear_error();
  return k;
}

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

// OpenSSL's signature of msg with digest md; {} on failure.
inline std::vector<uint8_t> OsslSign(EVP_PKEY* k, const EVP_MD* md, const std::vector<uint8_t>& msg) {
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  size_t n = 0;
  std::vector<uint8_t> sig;
  if (EVP_DigestSignInit(ctx, nullptr, md, nullptr, k) == 1 &&
      EVP_DigestSign(ctx, nullptr, &n, msg.data(), msg.size()) == 1) {
    sig.resize(n);
    sig.resize(EVP_DigestSign(ctx, sig.data(), &n, msg.data(), msg.size()) == 1 ? n : 0);
  }
  EVP_MD_CTX_free(ctx);
  ERR_clear_error();
  return sig;
}

// OpenSSL's verdict on sig over msg with digest md.
inline bool OsslVerify(EVP_PKEY* k, const EVP_MD* md, const std::vector<uint8_t>& msg,
                       const std::vector<uint8_t>& sig) {
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  bool ok = EVP_DigestVerifyInit(ctx, nullptr, md, nullptr, k) == 1 &&
            EVP_DigestVerify(ctx, sig.data(), sig.size(), msg.data(), msg.size()) == 1;
  EVP_MD_CTX_free(ctx);
  ERR_clear_error();
  return ok;
}

// PKCS #1 v1.5 encryption (enc) or decryption of in with OpenSSL; {} on
// failure.
inline std::vector<uint8_t> OsslCipher(EVP_PKEY* k, bool enc, const std::vector<uint8_t>& in) {
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(k, nullptr);
  size_t n = 0;
  std::vector<uint8_t> out;
  bool ok = ctx != nullptr && (enc ? EVP_PKEY_encrypt_init(ctx) : EVP_PKEY_decrypt_init(ctx)) == 1 &&
            EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING) == 1;
  auto run = [&](unsigned char* o) {
    return enc ? EVP_PKEY_encrypt(ctx, o, &n, in.data(), in.size()) : EVP_PKEY_decrypt(ctx, o, &n, in.data(), in.size());
  };
  if (ok && run(nullptr) == 1) {
    out.resize(n);
    out.resize(run(out.data()) == 1 ? n : 0);
  }
  EVP_PKEY_CTX_free(ctx);
  ERR_clear_error();
  return out;
}

}  // namespace pkixtest

#endif  // PKIX_TESTS_TESTING_OSSL_ORACLE_H_
