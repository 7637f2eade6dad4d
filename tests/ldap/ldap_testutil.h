// Shared by the directory tests: certificates whose CRL distribution points
// OpenSSL writes from its configuration text.
#ifndef PKIX_TESTS_LDAP_LDAP_TESTUTIL_H_
#define PKIX_TESTS_LDAP_LDAP_TESTUTIL_H_

#include <openssl/conf.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <string>

#include "cert/cert_testutil.h"

namespace pkixtest {

// server.der with its crlDistributionPoints replaced by the one OpenSSL
// makes of `conf` (the value under [ext], with any sections it names),
// signed again by the sub CA's key; {} when OpenSSL refuses.
inline Bytes withPoints(const std::string& conf_text) {
  Bytes der = example("server.der");
  Bytes key = readFile(std::string(PKIX_SOURCE_DIR) + "/examples/keys/sub-key.p8.der");
  const unsigned char* p = der.data();
  X509* x = d2i_X509(nullptr, &p, static_cast<long>(der.size()));
  const unsigned char* k = key.data();
  EVP_PKEY* signer = d2i_AutoPrivateKey(nullptr, &k, static_cast<long>(key.size()));
  CONF* conf = NCONF_new(nullptr);
  BIO* in = BIO_new_mem_buf(conf_text.data(), static_cast<int>(conf_text.size()));
  Bytes out;
  long line = 0;
  if (x != nullptr && signer != nullptr && conf != nullptr && in != nullptr && NCONF_load_bio(conf, in, &line) > 0) {
    X509V3_CTX ctx;
    X509V3_set_ctx(&ctx, nullptr, x, nullptr, nullptr, 0);
    X509V3_set_nconf(&ctx, conf);
    int at = X509_get_ext_by_NID(x, NID_crl_distribution_points, -1);
    if (at >= 0) X509_EXTENSION_free(X509_delete_ext(x, at));
    X509_EXTENSION* e = X509V3_EXT_nconf(conf, &ctx, "crlDistributionPoints", NCONF_get_string(conf, "ext", "cdp"));
    if (e != nullptr && X509_add_ext(x, e, -1) == 1 && X509_sign(x, signer, EVP_sha256()) > 0) {
      unsigned char* q = nullptr;
      int n = i2d_X509(x, &q);
      if (n > 0) out.assign(q, q + n);
      OPENSSL_free(q);
    }
    X509_EXTENSION_free(e);
  }
  BIO_free(in);
  NCONF_free(conf);
  EVP_PKEY_free(signer);
  X509_free(x);
  return out;
}

}  // namespace pkixtest

#endif  // PKIX_TESTS_LDAP_LDAP_TESTUTIL_H_
