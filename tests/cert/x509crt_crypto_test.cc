// Certificates through the crypto service: fingerprints, signature checks
// and signing, with OpenSSL as the oracle over the sample PKI and the
// Mozilla roots; the private key check; and what every operation reports
// when the host offers no crypto service.
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "cert/cert_testutil.h"
#include "cert/x509_testutil.h"
#include "host/hostcrypto.h"
#include "key/x509key.h"
#include "name/x509name.h"
#include "support/result_codes.h"

namespace pkixtest {
namespace {

const TName::name_type_t kSubject = static_cast<TName::name_type_t>(certname::kSubject);
const TName::name_type_t kIssuer = static_cast<TName::name_type_t>(certname::kIssuer);

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// Owns an OpenSSL certificate.
struct OsslCert {
  explicit OsslCert(const Bytes& der) {
    const unsigned char* p = der.data();
    x = d2i_X509(nullptr, &p, static_cast<long>(der.size()));
  }
  ~OsslCert() { X509_free(x); }
  OsslCert(const OsslCert&) = delete;
  OsslCert& operator=(const OsslCert&) = delete;
  X509* x;
};

Bytes OsslDigest(const Bytes& der, const EVP_MD* md) {
  OsslCert c(der);
  if (c.x == nullptr) return {};
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned len = 0;
  if (X509_digest(c.x, md, out, &len) != 1) return {};
  return Bytes(out, out + len);
}

// OpenSSL's verdict on cert's signature under issuer's public key.
bool OsslVerifies(const Bytes& cert, const Bytes& issuer) {
  OsslCert c(cert), i(issuer);
  if (c.x == nullptr || i.x == nullptr) return false;
  EVP_PKEY* k = X509_get0_pubkey(i.x);
  return k != nullptr && X509_verify(c.x, k) == 1;
}

bool OsslSelfIssued(const Bytes& der) {
  OsslCert c(der);
  return c.x != nullptr && X509_NAME_cmp(X509_get_subject_name(c.x), X509_get_issuer_name(c.x)) == 0;
}

// Where the whole TBSCertificate element stands in a certificate's DER, as
// the parser finds it; empty when the DER does not parse.
struct Span {
  size_t off, len;
  size_t end() const { return off + len; }
};
Span Tbs(const Bytes& der) {
  x509test::Parsed p(der);
  if (p.code() < 0) return {0, 0};
  return {static_cast<size_t>(p->tbs.data - p->raw.data), p->tbs.len};
}

TCert* Make(const Bytes& d) { return createTCert(TCert::CF_X509, d.data(), static_cast<unsigned>(d.size())); }

Bytes KeyFile(const std::string& name) { return readFile(std::string(PKIX_SOURCE_DIR) + "/examples/keys/" + name); }

TKey* MakeKey(TKey::key_type_t kind, const Bytes& d) {
  return createTKey(kind, d.data(), static_cast<unsigned>(d.size()));
}

const std::vector<std::string>& RootFiles() {
  static const std::vector<std::string> kFiles = filesIn(std::string(PKIX_SOURCE_DIR) + "/tests/data/roots", ".der");
  return kFiles;
}

// The certificates the module turns into objects, with their DER.
struct Loaded {
  std::string name;
  Bytes der;
};
std::vector<Loaded> Objects(const std::vector<std::string>& files, size_t* refused) {
  std::vector<Loaded> out;
  *refused = 0;
  for (const std::string& f : files) {
    Bytes d = readFile(f);
    Own<TCert> c(Make(d));
    if (c) {
      out.push_back({BaseName(f), d});
    } else {
      ++*refused;
    }
  }
  return out;
}

using CryptoCertTest = CertFixture;

TEST_F(CryptoCertTest, FingerprintsEqualOpenSSLsOverSamplesAndRoots) {
  std::vector<std::string> files = exampleCerts();
  files.insert(files.end(), RootFiles().begin(), RootFiles().end());
  size_t refused = 0;
  std::vector<Loaded> certs = Objects(files, &refused);
  // Every sample and every root becomes an object.
  EXPECT_EQ(refused, 0u);
  ASSERT_EQ(certs.size(), files.size());
  for (const Loaded& l : certs) {
    SCOPED_TRACE(l.name);
    Own<TCert> c(Make(l.der));
    Own<TBuf> sha1(c->getSHA1());
    ASSERT_TRUE(sha1) << c->error();
    EXPECT_EQ(bytesOf(sha1.get()), OsslDigest(l.der, EVP_sha1()));
    Own<TBuf> md5(c->getMD5());
    ASSERT_TRUE(md5) << c->error();
    EXPECT_EQ(bytesOf(md5.get()), OsslDigest(l.der, EVP_md5()));
    // Asked again: the same digest.
    Own<TBuf> again(c->getSHA1());
    EXPECT_EQ(bytesOf(again.get()), bytesOf(sha1.get()));
  }
}

TEST_F(CryptoCertTest, SelfSignedRootsVerifyAsOpenSSLSays) {
  size_t refused = 0;
  std::vector<Loaded> roots = Objects(RootFiles(), &refused);
  int checked = 0, valid = 0;
  for (const Loaded& l : roots) {
    if (!OsslSelfIssued(l.der)) continue;
    SCOPED_TRACE(l.name);
    Own<TCert> c(Make(l.der));
    int r = c->checkSign(c.get());
    bool oracle = OsslVerifies(l.der, l.der);
    EXPECT_EQ(r == 0, oracle) << "code " << r;
    EXPECT_EQ(c->error(), r);
    ++checked;
    valid += r == 0;
  }
  // Every root is an object and every one verifies its own signature.
  EXPECT_EQ(refused, 0u);
  EXPECT_EQ(checked, static_cast<int>(RootFiles().size()));
  EXPECT_EQ(valid, checked);
}

// One bit flipped in the signed part or in the signature: the check fails.
TEST_F(CryptoCertTest, OneFlippedBitFailsTheCheck) {
  size_t refused = 0;
  std::vector<Loaded> roots = Objects(RootFiles(), &refused);
  std::vector<Loaded> table = {{"root-ca.der", example("root-ca.der")}};
  for (const Loaded& l : roots) {
    if (table.size() == 5) break;
    Own<TCert> c(Make(l.der));
    if (OsslSelfIssued(l.der) && c->checkSign(c.get()) == 0) table.push_back(l);
  }
  ASSERT_EQ(table.size(), 5u);
  for (const Loaded& l : table) {
    SCOPED_TRACE(l.name);
    Own<TCert> original(Make(l.der));
    ASSERT_EQ(original->checkSign(original.get()), 0);
    // In the signed part: the first bit position from the middle of the TBS
    // on that still parses (the original stays the issuer, so the key is
    // the right one).
    Span tbs = Tbs(l.der);
    ASSERT_NE(tbs.len, 0u);
    bool flipped = false;
    for (size_t at = tbs.off + tbs.len / 2; at < tbs.end() && !flipped; ++at) {
      Bytes d = l.der;
      d[at] ^= 0x01;
      Own<TCert> c(Make(d));
      if (!c) continue;
      flipped = true;
      EXPECT_EQ(c->checkSign(original.get()), pkixhost::kCryptoBadSignature) << "TBS octet " << at;
      EXPECT_FALSE(OsslVerifies(d, l.der));
    }
    EXPECT_TRUE(flipped);
    // In the signature: its last octet.
    Bytes d = l.der;
    d.back() ^= 0x80;
    Own<TCert> c(Make(d));
    ASSERT_TRUE(c);
    EXPECT_NE(c->checkSign(original.get()), 0);
    EXPECT_NE(c->checkSign(c.get()), 0);
  }
}

struct Link {
  const char* cert;
  const char* issuer;
  bool valid;
};

TEST_F(CryptoCertTest, SampleChainVerifiesLinkByLink) {
  const Link kLinks[] = {
      {"root-ca.der", "root-ca.der", true},
      {"sub-ca.der", "root-ca.der", true},
      {"server.der", "sub-ca.der", true},
      {"revoked.der", "sub-ca.der", true},
      {"md5-user.der", "sub-ca.der", true},
      {"server-sha256.der", "sub-ca.der", true},
      {"dsa-ca.der", "dsa-ca.der", true},
      {"dsa-user.der", "dsa-ca.der", true},
      {"ec-ca.der", "ec-ca.der", true},
      {"ec-user.der", "ec-ca.der", true},
      {"server-sha384.der", "sub-ca.der", true},
      {"dsa-user-sha256.der", "dsa-ca.der", true},
      {"ec256-root.der", "ec256-root.der", true},
      {"ec256-sub.der", "ec256-root.der", true},
      {"ec256-leaf.der", "ec256-sub.der", true},
      {"ec384-root.der", "ec384-root.der", true},
      {"ec384-leaf.der", "ec384-root.der", true},
      {"ec384-leaf-sha512.der", "ec384-root.der", true},
      // One bit of the signed part flipped.
      {"server-tampered.der", "sub-ca.der", false},
      // Wrong issuers: another RSA key, another algorithm, itself.
      {"server.der", "root-ca.der", false},
      {"sub-ca.der", "sub-ca.der", false},
      {"dsa-user.der", "root-ca.der", false},
      {"server.der", "dsa-ca.der", false},
      {"ec256-leaf.der", "ec256-root.der", false},  // skips a link
      {"ec384-leaf.der", "ec256-root.der", false},  // another curve
      {"ec256-sub.der", "root-ca.der", false},
  };
  int verified = 0, valid = 0;
  for (const Link& l : kLinks) {
    SCOPED_TRACE(std::string(l.cert) + " by " + l.issuer);
    Bytes cd = example(l.cert), id = example(l.issuer);
    ASSERT_EQ(OsslVerifies(cd, id), l.valid);  // the oracle agrees with the table
    Own<TCert> c(Make(cd)), issuer(Make(id));
    ASSERT_TRUE(c && issuer);
    int r = c->checkSign(issuer.get());
    valid += l.valid;
    if (l.valid) {
      EXPECT_EQ(r, 0);
      verified += r == 0;
    } else {
      EXPECT_NE(r, 0);
    }
  }
  EXPECT_EQ(verified, valid);
}

TEST_F(CryptoCertTest, CheckSignArgumentsAndAnIssuerWithoutKey) {
  Own<TCert> c(load("server.der"));
  EXPECT_EQ(c->checkSign(static_cast<TCert*>(nullptr)), pkixrc::kBadArgument);
  Own<TCert> empty(createTCert(TCert::CF_X509));
  EXPECT_EQ(c->checkSign(empty.get()), pkixrc::kUnavailable);
}

// A certificate built field by field, signed with a CA certificate that
// holds its private key: OpenSSL accepts the result under the CA's key.
class SigningTest : public CertFixture {
 protected:
  // A CA certificate with its private key set beside the public one.
  TCert* Signer(const char* ca_file = "sub-ca.der", const char* key_file = "sub-key.p8.der") {
    TCert* ca = load(ca_file);
    Own<TKey> priv(MakeKey(TKey::KT_PRIVATE, KeyFile(key_file)));
    EXPECT_TRUE(priv);
    if (ca != nullptr && priv) {
      EXPECT_EQ(ca->setKey(priv.get()), 0);
    }
    return ca;
  }
  // A new certificate with the subject, issuer and key of the template.
  TCert* Build(pki_alg_t alg, const char* template_file = "server.der") {
    Own<TCert> model(load(template_file));
    TCert* c = createTCert(TCert::CF_X509);
    const unsigned char serial[] = {0x0B, 0xAD, 0xC0, 0xDE};
    Own<TName> subject(model->getName(kSubject));
    Own<TName> issuer(model->getName(kIssuer));
    Own<TKey> key(model->getKey(TKey::KT_PUBLIC));
    long now = kTestNow;
    EXPECT_EQ(c->setVersion(2), 0);
    EXPECT_EQ(c->setSerialNumber(serial, sizeof serial), 0);
    EXPECT_EQ(c->setName(issuer.get()), 0);
    EXPECT_EQ(c->setName(subject.get()), 0);
    EXPECT_EQ(c->setValidity(now - 3600, now + 86400), 0);
    EXPECT_EQ(c->setKey(key.get()), 0);
    EXPECT_EQ(c->setSignAlg(alg), 0);
    return c;
  }
};

TEST_F(SigningTest, BuiltCertificateSignedByTheCAVerifiesInOpenSSL) {
  const struct {
    const char* what;
    pki_alg_t alg;
    int nid;
    const char *ca, *key, *model;
  } kCases[] = {
      {"SHA-1 RSA", PKI_ALG_SHA1_RSA, NID_sha1WithRSAEncryption, "sub-ca.der", "sub-key.p8.der", "server.der"},
      {"MD5 RSA", PKI_ALG_MD5_RSA, NID_md5WithRSAEncryption, "sub-ca.der", "sub-key.p8.der", "server.der"},
      {"SHA-256 RSA", PKI_ALG_SHA256_RSA, NID_sha256WithRSAEncryption, "sub-ca.der", "sub-key.p8.der", "server.der"},
      {"SHA-1 DSA", PKI_ALG_SHA1_DSA, NID_dsaWithSHA1, "dsa-ca.der", "dsa-ca-key.p8.der", "dsa-user.der"},
      {"SHA-224 RSA", PKI_ALG_SHA224_RSA, NID_sha224WithRSAEncryption, "sub-ca.der", "sub-key.p8.der", "server.der"},
      {"SHA-384 RSA", PKI_ALG_SHA384_RSA, NID_sha384WithRSAEncryption, "sub-ca.der", "sub-key.p8.der", "server.der"},
      {"SHA-512 RSA", PKI_ALG_SHA512_RSA, NID_sha512WithRSAEncryption, "sub-ca.der", "sub-key.p8.der", "server.der"},
      {"SHA-224 DSA", PKI_ALG_SHA224_DSA, NID_dsa_with_SHA224, "dsa-ca.der", "dsa-ca-key.p8.der", "dsa-user.der"},
      {"SHA-256 DSA", PKI_ALG_SHA256_DSA, NID_dsa_with_SHA256, "dsa-ca.der", "dsa-ca-key.p8.der", "dsa-user.der"},
      {"SHA-1 ECDSA P-256", PKI_ALG_SHA1_ECDSA, NID_ecdsa_with_SHA1, "ec256-sub.der", "ec256-sub-key.p8.der",
       "ec256-leaf.der"},
      {"SHA-224 ECDSA P-256", PKI_ALG_SHA224_ECDSA, NID_ecdsa_with_SHA224, "ec256-sub.der", "ec256-sub-key.p8.der",
       "ec256-leaf.der"},
      {"SHA-256 ECDSA P-256", PKI_ALG_SHA256_ECDSA, NID_ecdsa_with_SHA256, "ec256-sub.der", "ec256-sub-key.p8.der",
       "ec256-leaf.der"},
      {"SHA-384 ECDSA P-384", PKI_ALG_SHA384_ECDSA, NID_ecdsa_with_SHA384, "ec384-root.der", "ec384-root-key.p8.der",
       "ec384-leaf.der"},
      {"SHA-512 ECDSA P-384", PKI_ALG_SHA512_ECDSA, NID_ecdsa_with_SHA512, "ec384-root.der", "ec384-root-key.p8.der",
       "ec384-leaf.der"},
  };
  Bytes root = example("root-ca.der");
  for (const auto& k : kCases) {
    SCOPED_TRACE(k.what);
    Own<TCert> signer(Signer(k.ca, k.key));
    ASSERT_TRUE(signer);
    Bytes ca = example(k.ca);
    Own<TCert> c(Build(k.alg, k.model));
    ASSERT_EQ(c->sign(signer.get()), 0);
    Own<TBuf> raw(c->getRaw());
    ASSERT_TRUE(raw) << c->error();
    Bytes der = bytesOf(raw.get());
    OsslCert x(der);
    ASSERT_NE(x.x, nullptr);
    EXPECT_EQ(X509_get_signature_nid(x.x), k.nid);
    EXPECT_TRUE(OsslVerifies(der, ca));
    EXPECT_FALSE(OsslVerifies(der, root));
    // Our own check agrees, on the object and on the DER read back.
    EXPECT_EQ(c->checkSign(signer.get()), 0);
    Own<TCert> back(Make(der));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->checkSign(signer.get()), 0);
  }
}

TEST_F(SigningTest, ResigningAChangedCertificateReplacesTheSignature) {
  Own<TCert> signer(Signer());
  Own<TCert> c(load("server.der"));
  const unsigned char serial[] = {0x42};
  ASSERT_EQ(c->setSerialNumber(serial, 1), 0);
  // Changed and not signed again: the old signature no longer fits.
  EXPECT_NE(c->checkSign(signer.get()), 0);
  ASSERT_EQ(c->sign(signer.get()), 0);
  Own<TBuf> raw(c->getRaw());
  ASSERT_TRUE(raw);
  EXPECT_TRUE(OsslVerifies(bytesOf(raw.get()), example("sub-ca.der")));
}

TEST_F(SigningTest, ASignatureNotYetEncodedStaysWithDuplicatesAndOutlivesTheSigner) {
  // Parsed and built certificates alike: signed, then duplicated before
  // either is encoded again; the duplicate outlives the original.
  for (bool parsed : {true, false}) {
    SCOPED_TRACE(parsed ? "parsed" : "built by setters");
    TCert* copy = nullptr;
    Bytes original;
    {
      Own<TCert> c(parsed ? load("server.der") : Build(PKI_ALG_SHA256_RSA));
      if (parsed) {
        const unsigned char serial[] = {0x43};
        ASSERT_EQ(c->setSerialNumber(serial, 1), pkixrc::kOk);
      }
      {
        Own<TCert> signer(Signer());
        ASSERT_EQ(c->sign(signer.get()), pkixrc::kOk);
      }
      copy = c->dup();
      Own<TBuf> mine(c->getRaw());
      ASSERT_TRUE(mine);
      original = bytesOf(mine.get());
    }
    Own<TCert> held(copy);
    ASSERT_TRUE(held);
    Own<TBuf> theirs(held->getRaw());
    ASSERT_TRUE(theirs);
    EXPECT_EQ(bytesOf(theirs.get()), original);
    EXPECT_TRUE(OsslVerifies(bytesOf(theirs.get()), example("sub-ca.der")));
  }
}

TEST_F(SigningTest, SignerWithoutPrivateKeyIsRefused) {
  Own<TCert> c(Build(PKI_ALG_SHA1_RSA));
  Own<TCert> ca(load("sub-ca.der"));
  EXPECT_EQ(c->sign(ca.get()), pkixrc::kUnavailable);
  EXPECT_EQ(c->sign(static_cast<TCert*>(nullptr)), pkixrc::kBadArgument);
}

TEST_F(SigningTest, MessageSignedWithTheKeyFormsChecksWithThePublicKey) {
  Own<TCert> signer(Signer());
  Own<TKey> priv(signer->getKey(TKey::KT_PRIVATE));
  Own<TKey> pub(signer->getKey(TKey::KT_PUBLIC));
  const unsigned char text[] = "a message to sign";
  Own<TBuf> msg(createTBuf(text, sizeof text));
  Own<TBuf> other(createTBuf(text, sizeof text - 1));
  for (pki_alg_t a : {static_cast<pki_alg_t>(PKI_ALG_SHA1_RSA), static_cast<pki_alg_t>(PKI_ALG_MD5_RSA)}) {
    SCOPED_TRACE(a);
    // Null key: the certificate's own private key.
    Own<TBuf> sig(signer->sign(nullptr, a, msg.get()));
    ASSERT_TRUE(sig) << signer->error();
    EXPECT_EQ(signer->checkSign(pub.get(), a, sig.get(), msg.get()), 0);
    EXPECT_EQ(signer->checkSign(nullptr, a, sig.get(), msg.get()), 0);
    EXPECT_EQ(signer->checkSign(pub.get(), a, sig.get(), other.get()), pkixhost::kCryptoBadSignature);
  }
  Own<TCert> plain(load("server.der"));
  EXPECT_EQ(plain->sign(nullptr, PKI_ALG_SHA1_RSA, msg.get()), nullptr);
  EXPECT_EQ(plain->error(), pkixrc::kUnavailable);
}

// The key pair check answers 1 for a pair and 0 for keys that do not match;
// 4 (null argument) and 9 (no public key) when it cannot run.
TEST_F(CryptoCertTest, PrivateKeyConsistency) {
  Own<TCert> server(load("server.der"));
  Own<TKey> mine(MakeKey(TKey::KT_PRIVATE, KeyFile("server-key.p8.der")));
  Own<TKey> root(MakeKey(TKey::KT_PRIVATE, KeyFile("root-key.p8.der")));
  Own<TKey> dsa(MakeKey(TKey::KT_PRIVATE, KeyFile("dsa-user-key.p8.der")));
  ASSERT_TRUE(mine);
  ASSERT_TRUE(root);
  for (int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    EXPECT_EQ(checkPrivKeyConsistency(server.get(), mine.get(), mode), 1);
    EXPECT_EQ(checkPrivKeyConsistency(server.get(), root.get(), mode), 0);
    if (dsa) {
      EXPECT_EQ(checkPrivKeyConsistency(server.get(), dsa.get(), mode), 0);
    }
  }
  EXPECT_EQ(checkPrivKeyConsistency(nullptr, mine.get(), 0), pkixrc::kBadArgument);
  EXPECT_EQ(checkPrivKeyConsistency(server.get(), nullptr, 0), pkixrc::kBadArgument);
}

// Buffers and logging without crypto: every crypto operation reports 40.
class NoCryptoCertTest : public ::testing::Test {
 protected:
  void SetUp() override { conversion.Bind(); }
  void TearDown() override { conversion.Unbind(); }
  InProcessManager mgr{true, false};
  ConversionBinding conversion;
};

TEST_F(NoCryptoCertTest, FingerprintsSigningAndChecksReport40) {
  Own<TCert> c(Make(example("server.der")));
  Own<TCert> ca(Make(example("sub-ca.der")));
  ASSERT_TRUE(c);
  ASSERT_TRUE(ca);
  EXPECT_EQ(c->getSHA1(), nullptr);
  EXPECT_EQ(c->error(), pkixrc::kUnavailable);
  EXPECT_EQ(c->getMD5(), nullptr);
  EXPECT_EQ(c->error(), pkixrc::kUnavailable);
  EXPECT_EQ(c->checkSign(ca.get()), pkixrc::kUnavailable);
  Own<TKey> priv(MakeKey(TKey::KT_PRIVATE, KeyFile("sub-key.p8.der")));
  ASSERT_TRUE(priv);
  ASSERT_EQ(ca->setKey(priv.get()), 0);
  EXPECT_EQ(c->sign(ca.get()), pkixrc::kUnavailable);
  const unsigned char text[] = "m";
  Own<TBuf> msg(createTBuf(text, 1));
  EXPECT_EQ(c->sign(priv.get(), PKI_ALG_SHA1_RSA, msg.get()), nullptr);
  EXPECT_EQ(c->error(), pkixrc::kUnavailable);
  // The pair check says "no pair"; the public key holds the reason.
  EXPECT_EQ(checkPrivKeyConsistency(c.get(), priv.get(), 1), 0);
  Own<TKey> pub(c->getKey(TKey::KT_PUBLIC));
  EXPECT_EQ(pub->error(), pkixrc::kUnavailable);
  // The certificate is still whole: its DER comes back unchanged.
  Own<TBuf> raw(c->getRaw());
  EXPECT_EQ(bytesOf(raw.get()), example("server.der"));
}

}  // namespace
}  // namespace pkixtest
