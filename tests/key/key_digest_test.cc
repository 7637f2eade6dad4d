// The crypto service's one-call digest: the host's answers equal OpenSSL's
// over a table of algorithms and inputs; what it declines (too little room,
// missing arguments, digests it has not) it declines with
// kDigestNotOffered and writes nothing; and the bridge's make_hash, which
// uses it, still gives OpenSSL's digest.
#include <openssl/evp.h>

#include <string>
#include <vector>

#include "host/hostcrypto.h"
#include "key/ccdC.h"
#include "key_testutil.h"
#include "support/result_codes.h"

namespace {

using keytest::Bytes;

// OpenSSL's digest of in.
Bytes OsslDigest(const EVP_MD* md, const Bytes& in) {
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned n = 0;
  if (EVP_Digest(in.data(), in.size(), out, &n, md, nullptr) != 1) return {};
  return Bytes(out, out + n);
}

// Inputs: empty, shorter than a block, and several blocks long.
std::vector<Bytes> Inputs() {
  Bytes several(1000);
  for (size_t i = 0; i < several.size(); ++i) several[i] = static_cast<uint8_t>(i * 7 + 3);
  return {Bytes{}, Bytes{'a', 'b', 'c'}, several};
}

struct DigestRow {
  const char* name;
  pki_alg_t alg;
  const EVP_MD* (*md)();
};

const DigestRow kDigests[] = {
    {"MD5", PKI_ALG_MD5, &EVP_md5},         {"SHA1", PKI_ALG_SHA1, &EVP_sha1},
    {"SHA224", PKI_ALG_SHA224, &EVP_sha224}, {"SHA256", PKI_ALG_SHA256, &EVP_sha256},
    {"SHA384", PKI_ALG_SHA384, &EVP_sha384}, {"SHA512", PKI_ALG_SHA512, &EVP_sha512},
    // A signature algorithm names its hash: the digest is that hash's.
    {"SHA256 of SHA256withRSA", PKI_ALG_SHA256_RSA, &EVP_sha256},
};

// One host crypto service, with the test's reference.
class HostDigestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    svc_ = pkixhost::createCryptoService();
    ASSERT_NE(svc_, nullptr);
    svc_->addReference();
  }
  void TearDown() override { svc_->remReference(); }
  CCD_Interface* svc_ = nullptr;
};

TEST_F(HostDigestTest, EqualsOpenSSLForEveryAlgorithmAndInput) {
  for (const DigestRow& row : kDigests) {
    for (const Bytes& in : Inputs()) {
      SCOPED_TRACE(std::string(row.name) + " over " + std::to_string(in.size()) + " octets");
      Bytes want = OsslDigest(row.md(), in);
      ASSERT_FALSE(want.empty());
      // More room than needed: the length comes back as the digest's.
      Bytes out(EVP_MAX_MD_SIZE + 4, 0xEE);
      unsigned len = static_cast<unsigned>(out.size());
      ASSERT_EQ(svc_->digest(row.alg, in.data(), static_cast<unsigned>(in.size()), out.data(), &len), pkixrc::kOk);
      ASSERT_EQ(len, want.size());
      EXPECT_EQ(Bytes(out.begin(), out.begin() + len), want);
      // Nothing past the digest is touched.
      EXPECT_EQ(out[len], 0xEE);
    }
  }
}

TEST_F(HostDigestTest, DeclinesWithoutWritingAnything) {
  const Bytes in = {'a', 'b', 'c'};
  struct Case {
    const char* what;
    pki_alg_t alg;
    unsigned room;
    bool null_out;
    bool null_len;
  };
  const Case kCases[] = {
      {"room one short of SHA1's 20", PKI_ALG_SHA1, 19, false, false},
      {"no room", PKI_ALG_MD5, 0, false, false},
      {"null output", PKI_ALG_SHA1, 20, true, false},
      {"null length", PKI_ALG_SHA1, 20, false, true},
      {"a GOST hash", PKI_ALG_GOST3411_CPRO, 64, false, false},
      {"no hash named", PKI_ALG_NONE, 64, false, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    Bytes out(64, 0xEE);
    unsigned len = c.room;
    int r = svc_->digest(c.alg, in.data(), static_cast<unsigned>(in.size()), c.null_out ? nullptr : out.data(),
                         c.null_len ? nullptr : &len);
    EXPECT_EQ(r, CCD_Interface::kDigestNotOffered);
    EXPECT_EQ(out, Bytes(64, 0xEE));
    if (!c.null_len) {
      EXPECT_EQ(len, c.room);
    }
  }
}

// The bridge with the host service offered: make_hash answers OpenSSL's
// digest, and, for too little room, the transform path's answer.
class BridgeDigestTest : public keytest::KeyTest {};

TEST_F(BridgeDigestTest, MakeHashEqualsOpenSSL) {
  for (const DigestRow& row : kDigests) {
    for (const Bytes& in : Inputs()) {
      SCOPED_TRACE(std::string(row.name) + " over " + std::to_string(in.size()) + " octets");
      Bytes want = OsslDigest(row.md(), in);
      TBuf* data = keytest::Buf(in);
      ASSERT_NE(data, nullptr);
      unsigned char out[EVP_MAX_MD_SIZE] = {};
      unsigned len = sizeof out;
      EXPECT_EQ(make_hash(row.alg, data, out, &len), pkixrc::kOk);
      EXPECT_EQ(Bytes(out, out + len), want);
      data->release();
    }
  }
}

}  // namespace
