// Every certificate of the sample PKI and every Mozilla root becomes an
// object whose fields, names, key and extensions agree with what OpenSSL
// reads from the same bytes; a certificate whose signature algorithm the
// algorithm table does not know is refused with 68.
#include <openssl/objects.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>

#include "cert/cert_testutil.h"
#include "cert/keyusageext.h"
#include "cert/x509extn.h"
#include "host/hostbuf.h"

namespace pkixtest {
namespace {

// The signature algorithms the table maps to a key and a hash octet.
bool knownSignature(int nid) {
  switch (nid) {
    case NID_sha1WithRSAEncryption:
    case NID_md5WithRSAEncryption:
    case NID_md2WithRSAEncryption:
    case NID_dsaWithSHA1:
    case NID_dsaWithSHA:
    case NID_shaWithRSAEncryption:
    case NID_sha224WithRSAEncryption:
    case NID_sha256WithRSAEncryption:
    case NID_sha384WithRSAEncryption:
    case NID_sha512WithRSAEncryption:
    case NID_dsa_with_SHA224:
    case NID_dsa_with_SHA256:
    case NID_ecdsa_with_SHA1:
    case NID_ecdsa_with_SHA224:
    case NID_ecdsa_with_SHA256:
    case NID_ecdsa_with_SHA384:
    case NID_ecdsa_with_SHA512:
      return true;
    default:
      return false;
  }
}

template <class T, class F>
Bytes der(T* obj, F i2d) {
  int n = i2d(obj, nullptr);
  Bytes out(n > 0 ? n : 0);
  unsigned char* p = out.data();
  if (n > 0) i2d(obj, &p);
  return out;
}

// Seconds since 1970 of an ASN.1 time.
int64_t posix(const ASN1_TIME* t) {
  int days = 0, secs = 0;
  ASN1_TIME* epoch = ASN1_TIME_set(nullptr, 0);
  ASN1_TIME_diff(&days, &secs, epoch, t);
  ASN1_TIME_free(epoch);
  return static_cast<int64_t>(days) * 86400 + secs;
}

class CertOracleTest : public CertFixture {
 protected:
  // Compares one certificate; returns false when the table refused it.
  bool Compare(const std::string& path) {
    SCOPED_TRACE(path);
    Bytes d = readFile(path);
    const unsigned char* p = d.data();
    X509* x = d2i_X509(nullptr, &p, static_cast<long>(d.size()));
    EXPECT_NE(x, nullptr);
    if (x == nullptr) return false;
    int sig_nid = X509_get_signature_nid(x);
    TBuf* in = createTBuf(d.data(), static_cast<unsigned>(d.size()));
    X509Cert* c = new X509Cert;
    int r = c->setRaw(in);
    in->release();
    bool made = r == 0;
    if (!knownSignature(sig_nid)) {
      EXPECT_EQ(r, 68) << OBJ_nid2sn(sig_nid);
      // Nothing is left behind: no DER, no record.
      EXPECT_EQ(c->getX509Struct(), nullptr);
      Own<TBuf> raw(c->getRaw());
      EXPECT_FALSE(raw);
    } else if (r == 0) {
      CompareFields(c, x);
    } else {
      ADD_FAILURE() << "refused with " << r;
    }
    EXPECT_EQ(c->release(), 0);
    X509_free(x);
    return made;
  }

  void CompareFields(X509Cert* c, X509* x) {
    EXPECT_EQ(c->getVersion(), static_cast<unsigned>(X509_get_version(x)));
    Own<TBuf> serial(c->getSerialNumber());
    ASN1_INTEGER* sn = X509_get_serialNumber(x);
    Bytes sn_der = der(sn, i2d_ASN1_INTEGER);
    ASSERT_TRUE(serial);
    // OpenSSL's DER of the INTEGER ends with the content octets.
    EXPECT_EQ(bytesOf(serial.get()), Bytes(sn_der.end() - serial->len(), sn_der.end()));
    long from = 0, to = 0;
    ASSERT_EQ(c->getValidity(&from, &to), 0);
    int64_t want_from = posix(X509_get0_notBefore(x));
    int64_t want_to = posix(X509_get0_notAfter(x));
    EXPECT_EQ(from, want_from > INT32_MAX ? INT32_MAX : want_from);
    EXPECT_EQ(to, want_to > INT32_MAX ? INT32_MAX : want_to);
    // Names: the DER of each, as OpenSSL writes it back.
    Own<TName> subject(c->getName(static_cast<TName::name_type_t>(0x201)));
    Own<TName> issuer(c->getName(static_cast<TName::name_type_t>(0x101)));
    ASSERT_TRUE(subject);
    ASSERT_TRUE(issuer);
    Own<TBuf> s_raw(subject->getRaw()), i_raw(issuer->getRaw());
    EXPECT_EQ(bytesOf(s_raw.get()), der(X509_get_subject_name(x), i2d_X509_NAME));
    EXPECT_EQ(bytesOf(i_raw.get()), der(X509_get_issuer_name(x), i2d_X509_NAME));
    // The key: the same SubjectPublicKeyInfo and algorithm family.
    Own<TKey> key(c->getKey(TKey::KT_PUBLIC));
    ASSERT_TRUE(key);
    Own<TBuf> k_raw(key->getRaw());
    EXPECT_EQ(bytesOf(k_raw.get()), der(X509_get_X509_PUBKEY(x), i2d_X509_PUBKEY));
    EVP_PKEY* pk = X509_get0_pubkey(x);
    int base = EVP_PKEY_get_base_id(pk);
    uint32_t want_base = base == EVP_PKEY_RSA ? PKI_ALG_BASE_RSA : base == EVP_PKEY_EC ? PKI_ALG_BASE_EC : PKI_ALG_BASE_DSA;
    EXPECT_EQ(pki_alg_base(key->getAlg()), want_base);
    // Type: CA exactly when OpenSSL's basic constraints say so (v3), or v1.
    int want_type = X509_get_version(x) != 2 ? 2 : ((X509_get_extension_flags(x) & EXFLAG_CA) ? 2 : 1);
    EXPECT_EQ(c->getType(), want_type);
    // Extensions in order, with identifiers and criticality.
    Own<TExtnList> list(c->getExtns());
    ASSERT_TRUE(list);
    int n = 0;
    for (TExtn* e = list->getFirst(); e != nullptr; e = list->getNext(), ++n) {
      Own<TExtn> held(e);
      ASSERT_LT(n, X509_get_ext_count(x));
      X509_EXTENSION* ox = X509_get_ext(x, n);
      Own<TBuf> id(e->getObjId());
      ASSERT_TRUE(id);
      Bytes want_id = der(X509_EXTENSION_get_object(ox), i2d_ASN1_OBJECT);
      EXPECT_EQ(bytesOf(id.get()), Bytes(want_id.begin() + 2, want_id.end()));
      EXPECT_EQ(e->isCritical(), X509_EXTENSION_get_critical(ox));
      Own<TBuf> value(e->getValue());
      ASSERT_TRUE(value);
      ASN1_OCTET_STRING* ov = X509_EXTENSION_get_data(ox);
      EXPECT_EQ(bytesOf(value.get()), Bytes(ov->data, ov->data + ov->length));
      // Unchanged, each extension gives back the octets it was read from.
      Own<TBuf> raw(e->getRaw());
      EXPECT_EQ(bytesOf(raw.get()), der(ox, i2d_X509_EXTENSION));
    }
    EXPECT_EQ(n, X509_get_ext_count(x));
    // Key usage as OpenSSL reads it.
    if (X509_get_extension_flags(x) & EXFLAG_KUSAGE) {
      Own<TExtn> ku(list->get(TExtn::EXT_KEY_USAGE));
      auto* typed = dynamic_cast<TX509KeyUsage*>(ku.get());
      ASSERT_NE(typed, nullptr);
      uint32_t want = X509_get_key_usage(x);
      EXPECT_EQ(typed->isCertSign() != 0, (want & KU_KEY_CERT_SIGN) != 0);
      EXPECT_EQ(typed->isCRLSign() != 0, (want & KU_CRL_SIGN) != 0);
      EXPECT_EQ(typed->isDigitalSignature() != 0, (want & KU_DIGITAL_SIGNATURE) != 0);
    }
    // The unchanged certificate gives back its own octets.
    Own<TBuf> raw(c->getRaw());
    EXPECT_EQ(bytesOf(raw.get()), der(x, i2d_X509));
  }
};

TEST_F(CertOracleTest, SamplePKI) {
  ASSERT_GE(exampleCerts().size(), 10u);
  int made = 0;
  for (const std::string& f : exampleCerts()) made += Compare(f) ? 1 : 0;
  // Every one: RSA with SHA-1, MD5 and SHA-2, DSA with SHA-1 and SHA-256,
  // and the EC chains with ECDSA and SHA-256, SHA-384 and SHA-512.
  EXPECT_EQ(made, 19);
}

TEST_F(CertOracleTest, MozillaRoots) {
  std::vector<std::string> roots = filesIn(std::string(PKIX_SOURCE_DIR) + "/tests/data/roots", ".der");
  ASSERT_GT(roots.size(), 100u);
  int made = 0;
  int live = pkixhost::liveBuffers();
  for (const std::string& f : roots) made += Compare(f) ? 1 : 0;
  // Every root: RSA with SHA-1 and SHA-2, ECDSA with SHA-256 and SHA-384.
  EXPECT_EQ(made, static_cast<int>(roots.size()));
  EXPECT_EQ(pkixhost::liveBuffers(), live);
}

}  // namespace
}  // namespace pkixtest
