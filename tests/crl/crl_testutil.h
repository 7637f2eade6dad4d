// Shared fixtures of the revocation-list tests: the sample lists, their
// issuers, the module's list parsed from octets, and OpenSSL's.
#ifndef PKIX_TESTS_CRL_CRL_TESTUTIL_H_
#define PKIX_TESTS_CRL_CRL_TESTUTIL_H_

#include <openssl/x509.h>

#include <memory>
#include <string>
#include <vector>

#include "cert/cert_testutil.h"
#include "crl/crl_gen.h"
#include "crl/tcrl.h"
#include "crl/x509crl.h"
#include "support/ref.h"
#include "testing/der_bytes.h"
#include "testing/ossl_oracle.h"

namespace pkixtest {

inline std::string crlPath(const std::string& name) { return std::string(PKIX_SOURCE_DIR) + "/examples/crl/" + name; }
inline Bytes crlExample(const std::string& name) { return readFile(crlPath(name)); }
inline Bytes keyExample(const std::string& name) {
  return readFile(std::string(PKIX_SOURCE_DIR) + "/examples/keys/" + name);
}

// Every sample list and the certificate of its issuer.
struct SampleCrl {
  const char* file;
  const char* issuer;
};
constexpr SampleCrl kSampleCrls[] = {
    {"v2-reasons.der", "sub-ca.der"},   {"v1.der", "sub-ca.der"},         {"no-next-update.der", "sub-ca.der"},
    {"idp-reasons.der", "sub-ca.der"},  {"idp-only-ca.der", "root-ca.der"}, {"indirect.der", "sub-ca.der"},
    {"delta.der", "sub-ca.der"},        {"sha256.der", "sub-ca.der"},     {"ecdsa.der", "ec256-sub.der"},
    {"dsa.der", "dsa-ca.der"},
};

struct OsslCrlFree {
  void operator()(X509_CRL* c) const { X509_CRL_free(c); }
};
using OsslCrl = std::unique_ptr<X509_CRL, OsslCrlFree>;
struct OsslX509Free {
  void operator()(X509* c) const { X509_free(c); }
};
using OsslX509 = std::unique_ptr<X509, OsslX509Free>;

inline OsslCrl osslCrl(const Bytes& der) {
  const unsigned char* p = der.data();
  return OsslCrl(d2i_X509_CRL(nullptr, &p, static_cast<long>(der.size())));
}
inline OsslX509 osslCert(const Bytes& der) {
  const unsigned char* p = der.data();
  return OsslX509(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
}

// A new TBuf holding a copy of the octets.
inline Ref<TBuf> tbufOf(const Bytes& b) {
  return adoptRef(b.empty() ? createTBuf(static_cast<const unsigned char*>(nullptr), 0)
                            : createTBuf(b.data(), static_cast<unsigned>(b.size())));
}

// Hand-made DER: Tlv(tag, content[, indefinite]) and Cat(parts).
using pkixtest::Cat;
using pkixtest::Tlv;

inline Bytes dropLast(Bytes b, size_t n) {
  b.resize(b.size() - n);
  return b;
}

class CrlFixture : public CertFixture {
 protected:
  // The module's list parsed from der; *code gets setRaw's result.
  Ref<X509CRL> parse(const Bytes& der, int* code = nullptr) {
    Ref<X509CRL> c = adoptRef(new X509CRL);
    Ref<TBuf> b = tbufOf(der);
    int r = c->setRaw(b.get());
    if (code != nullptr) *code = r;
    return c;
  }
  Ref<TCert> cert(const std::string& name) { return adoptRef(load(name)); }
  // OpenSSL's private key of a sample key file (keys/NAME.p8.der).
  PKey key(const std::string& name) { return OsslPrivateKey(keyExample(name + ".p8.der")); }
  // The subject of a sample certificate, as OpenSSL holds it (owned by the
  // fixture).
  X509_NAME* subject(const std::string& name) {
    certs_.push_back(osslCert(example(name)));
    return X509_get_subject_name(certs_.back().get());
  }

 private:
  std::vector<OsslX509> certs_;
};

}  // namespace pkixtest

#endif  // PKIX_TESTS_CRL_CRL_TESTUTIL_H_
