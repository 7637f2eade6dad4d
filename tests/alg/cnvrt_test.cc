// The conversion table, the identifier encoder and the conversion service,
// in process. The identifiers are checked against OpenSSL's object table
// wherever OpenSSL knows the object.
#include <gtest/gtest.h>
#include <openssl/asn1.h>
#include <openssl/objects.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "alg/oid2asn.h"
#include "alg/pki_cnvrt_c.h"
#include "alg/pki_static.h"
#include "support/result_codes.h"
#include "testing/cnvrt_binding.h"
#include "testing/inproc.h"

namespace pkixtest {
namespace {

using Octets = std::vector<uint8_t>;

Octets Of(const aBuf& b) {
  if (b.raw() == nullptr || b.len() == 0) return {};
  return Octets(b.datap(), b.datap() + b.len());
}

Octets ArcOctets(const uint32_t* arcs, uint32_t n) {
  const auto* p = reinterpret_cast<const uint8_t*>(arcs);
  return Octets(p, p + 4 * n);
}

// DER content octets of a dotted identifier, as OpenSSL writes them.
Octets OpenSSLContent(const std::string& dotted) {
  ASN1_OBJECT* o = OBJ_txt2obj(dotted.c_str(), 1);
  if (o == nullptr) return {};
  Octets v(OBJ_get0_data(o), OBJ_get0_data(o) + OBJ_length(o));
  ASN1_OBJECT_free(o);
  return v;
}

std::string Dotted(const pki_alg_row& row) {
  std::string s;
  for (uint32_t i = 0; i < row.count; ++i) s += (i ? "." : "") + std::to_string(row.arcs[i]);
  return s;
}

TEST(Oid2AsnTest, EncodesAndRefusesAsGiven) {
  struct Case {
    std::vector<uint32_t> arcs;
    bool ok;
    Octets content;
  } cases[] = {
      {{1, 2, 840, 113549}, true, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D}},
      {{1, 2, 840, 113549, 1, 1, 1}, true, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01}},
      {{2, 999, 3}, true, {0x88, 0x37, 0x03}},                       // 2 x 40 + 999 = 1079
      {{0, 39}, true, {0x27}},
      {{1, 2, 0xFFFFFFFFu}, true, {0x2A, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F}},
      {{2, 0xFFFFFFFFu}, true, {0x90, 0x80, 0x80, 0x80, 0x4F}},       // 2^32 + 79
      {{1}, false, {}},                                              // a single arc
      {{3, 1}, false, {}},                                           // first arc above 2
      {{1, 40}, false, {}},                                          // would read back as 2.0
  };
  Oid2Asn enc;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arcs));
    EXPECT_EQ(enc.asn(c.arcs.data(), static_cast<uint32_t>(c.arcs.size())), c.ok);
    EXPECT_EQ(Octets(enc.data(), enc.data() + enc.length()), c.content);
  }
  // The area is reused: a long identifier, then a short one.
  std::vector<uint32_t> longer(40, 7);
  longer[0] = 1;
  ASSERT_TRUE(enc.asn(longer.data(), 40));
  EXPECT_EQ(enc.length(), 39u);
  uint32_t two[] = {1, 3};
  ASSERT_TRUE(enc.asn(two, 2));
  EXPECT_EQ(Octets(enc.data(), enc.data() + enc.length()), Octets{0x2B});
  EXPECT_FALSE(enc.asn(nullptr, 2));
}

// Every identifier the table holds, encoded by us, against OpenSSL's DER.
TEST(StaticTableTest, IdentifiersEncodeAsOpenSSLWritesThem) {
  Oid2Asn enc;
  for (uint32_t i = 0; i < staticAlgSize; ++i) {
    const pki_alg_row& row = staticAlgTable[i];
    if (row.arcs == nullptr) continue;
    SCOPED_TRACE(Dotted(row));
    ASSERT_TRUE(enc.asn(row.arcs, row.count));
    EXPECT_EQ(Octets(enc.data(), enc.data() + enc.length()), OpenSSLContent(Dotted(row)));
  }
}

// The parameters column: NULL for exactly the rows whose base algorithm the
// certificate object has always given NULL parameters (RSA 0x01, GOST R
// 34.10 0x0D, and 0x0E and 0x0F, which the table does not hold); among the
// signature algorithms OpenSSL knows outside GOST, exactly those whose key
// is RSA.
TEST(StaticTableTest, NullParametersColumn) {
  auto old_rule = [](pki_alg_t a) {
    uint32_t base = pki_alg_base(a);
    return base == 1 || base == 13 || base == 14 || base == 15;
  };
  int null_rows = 0;
  for (uint32_t i = 0; i < staticAlgSize; ++i) {
    const pki_alg_row& row = staticAlgTable[i];
    SCOPED_TRACE(testing::Message() << std::hex << row.alg);
    EXPECT_EQ(pki_alg_find(row.alg), &row);
    EXPECT_EQ(row.null_params, old_rule(row.alg));
    EXPECT_EQ(pki_alg_null_params(row.alg), row.null_params ? 1 : 0);
    null_rows += row.null_params;
    if (row.arcs == nullptr || !pki_alg_is_signature(row.alg) || pki_alg_base(row.alg) == PKI_ALG_BASE_GOST3410) {
      continue;
    }
    int dig = NID_undef, pkey = NID_undef;
    int nid = OBJ_txt2nid(Dotted(row).c_str());
    ASSERT_NE(nid, NID_undef);
    ASSERT_EQ(OBJ_find_sigid_algs(nid, &dig, &pkey), 1);
    EXPECT_EQ(row.null_params, pkey == NID_rsaEncryption);
  }
  EXPECT_EQ(null_rows, 19);
  // Values the table does not hold have no column: 0.
  for (pki_alg_t a : {pki_alg_t{PKI_ALG_NONE}, pki_alg_t{0x0E}, pki_alg_t{0x0F}, pki_alg_t{0x00050001},
                      pki_alg_t{0x0400000D}}) {
    EXPECT_EQ(pki_alg_find(a), a == PKI_ALG_NONE ? &staticAlgTable[staticAlgSize - 1] : nullptr) << a;
    EXPECT_EQ(pki_alg_null_params(a), 0) << a;
  }
}

// The rows against OpenSSL's names for the same algorithms; the vendor
// identifiers OpenSSL does not know are given as text.
TEST(StaticTableTest, RowsNameTheRightAlgorithms) {
  struct Expect {
    pki_alg_t alg;
    int nid;             // NID_undef: no identifier, or one OpenSSL lacks
    const char* dotted;  // for the ones OpenSSL lacks
  } expected[] = {
      {PKI_ALG_RSA, NID_rsaEncryption, nullptr},
      {PKI_ALG_DSA, NID_dsa, nullptr},
      {PKI_ALG_DH, NID_dhKeyAgreement, nullptr},
      {PKI_ALG_DSA_OIW, NID_dsa_2, nullptr},
      {PKI_ALG_DH_X942, NID_dhpublicnumber, nullptr},
      {PKI_ALG_RC2_CBC, NID_rc2_cbc, nullptr},
      {PKI_ALG_RC4, NID_rc4, nullptr},
      {PKI_ALG_RC5_CBC, NID_rc5_cbc, nullptr},
      {PKI_ALG_DES_CBC, NID_des_cbc, nullptr},
      {PKI_ALG_SYM_0A, NID_undef, nullptr},
      {PKI_ALG_DES_EDE3_CBC, NID_des_ede3_cbc, nullptr},
      {PKI_ALG_GOST3410_TIK, NID_undef, "1.3.6.1.4.1.3670.1.10"},
      {PKI_ALG_GOST3410_CPRO, NID_id_GostR3410_94, nullptr},
      {PKI_ALG_GOST341001_CPRO, NID_id_GostR3410_2001, nullptr},
      {PKI_ALG_GOST3410_SC, NID_undef, "1.3.6.1.4.1.5849.1.1.5"},
      {PKI_ALG_GOST341001_SC, NID_undef, "1.3.6.1.4.1.5849.1.6.2"},
      {PKI_ALG_SHA, NID_sha, nullptr},
      {PKI_ALG_SHA1, NID_sha1, nullptr},
      {PKI_ALG_MD2, NID_md2, nullptr},
      {PKI_ALG_MD5, NID_md5, nullptr},
      {PKI_ALG_GOST3411_TIK, NID_undef, "1.3.6.1.4.1.3670.1.5"},
      {PKI_ALG_GOST3411_CPRO, NID_id_GostR3411_94, nullptr},
      {PKI_ALG_GOST3411_SC, NID_undef, "1.3.6.1.4.1.5849.1.2.1"},
      {PKI_ALG_SHA_RSA, NID_undef, nullptr},
      {PKI_ALG_SHA1_RSA, NID_sha1WithRSAEncryption, nullptr},
      {PKI_ALG_MD2_RSA, NID_md2WithRSAEncryption, nullptr},
      {PKI_ALG_MD5_RSA, NID_md5WithRSAEncryption, nullptr},
      {PKI_ALG_SHA_DSA, NID_dsaWithSHA, nullptr},
      {PKI_ALG_SHA1_DSA, NID_dsaWithSHA1, nullptr},
      {PKI_ALG_SHA1_SYM_0C, NID_undef, nullptr},
      {PKI_ALG_GOST3411_3410_TIK, NID_undef, "1.3.6.1.4.1.3670.1.6"},
      {PKI_ALG_GOST3411_3410_CPRO, NID_id_GostR3411_94_with_GostR3410_94, nullptr},
      {PKI_ALG_GOST3411_341001_CPRO, NID_id_GostR3411_94_with_GostR3410_2001, nullptr},
      {PKI_ALG_GOST3411_3410_SC, NID_undef, "1.3.6.1.4.1.5849.1.3.1"},
      {PKI_ALG_GOST3411_341001_SC, NID_undef, "1.3.6.1.4.1.5849.1.3.2"},
      {PKI_ALG_SHA224, NID_sha224, nullptr},
      {PKI_ALG_SHA256, NID_sha256, nullptr},
      {PKI_ALG_SHA384, NID_sha384, nullptr},
      {PKI_ALG_SHA512, NID_sha512, nullptr},
      {PKI_ALG_SHA224_RSA, NID_sha224WithRSAEncryption, nullptr},
      {PKI_ALG_SHA256_RSA, NID_sha256WithRSAEncryption, nullptr},
      {PKI_ALG_SHA384_RSA, NID_sha384WithRSAEncryption, nullptr},
      {PKI_ALG_SHA512_RSA, NID_sha512WithRSAEncryption, nullptr},
      {PKI_ALG_SHA224_DSA, NID_dsa_with_SHA224, nullptr},
      {PKI_ALG_SHA256_DSA, NID_dsa_with_SHA256, nullptr},
      {PKI_ALG_EC, NID_X9_62_id_ecPublicKey, nullptr},
      {PKI_ALG_SHA1_ECDSA, NID_ecdsa_with_SHA1, nullptr},
      {PKI_ALG_SHA224_ECDSA, NID_ecdsa_with_SHA224, nullptr},
      {PKI_ALG_SHA256_ECDSA, NID_ecdsa_with_SHA256, nullptr},
      {PKI_ALG_SHA384_ECDSA, NID_ecdsa_with_SHA384, nullptr},
      {PKI_ALG_SHA512_ECDSA, NID_ecdsa_with_SHA512, nullptr},
      {PKI_ALG_NONE, NID_undef, nullptr},
  };
  ASSERT_EQ(staticAlgSize, std::size(expected));
  Oid2Asn enc;
  for (uint32_t i = 0; i < staticAlgSize; ++i) {
    const pki_alg_row& row = staticAlgTable[i];
    const Expect& e = expected[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(row.alg, e.alg);
    if (e.nid == NID_undef && e.dotted == nullptr) {
      EXPECT_EQ(row.arcs, nullptr);
      EXPECT_EQ(row.count, 0u);
      continue;
    }
    ASSERT_NE(row.arcs, nullptr);
    if (e.dotted != nullptr) {
      EXPECT_EQ(Dotted(row), e.dotted);
    } else {
      ASSERT_TRUE(enc.asn(row.arcs, row.count));
      const ASN1_OBJECT* o = OBJ_nid2obj(e.nid);
      EXPECT_EQ(Octets(enc.data(), enc.data() + enc.length()),
                Octets(OBJ_get0_data(o), OBJ_get0_data(o) + OBJ_length(o)))
          << OBJ_nid2sn(e.nid);
    }
  }
}

TEST(PkiAlgTest, OctetsAndTests) {
  EXPECT_EQ(pki_alg_make(0x0D, 1, 5, 2), PKI_ALG_GOST3411_341001_CPRO);
  EXPECT_EQ(pki_alg_vendor(PKI_ALG_GOST3411_341001_SC), 3u);
  EXPECT_EQ(pki_alg_hash(PKI_ALG_MD5_RSA), PKI_ALG_HASH_MD5 + 0u);
  EXPECT_EQ(pki_alg_variant(PKI_ALG_GOST341001_CPRO), 1u);
  EXPECT_TRUE(pki_alg_is_gost_key(PKI_ALG_GOST341001_SC));
  EXPECT_FALSE(pki_alg_is_gost_key(PKI_ALG_GOST3411_3410_SC));
  EXPECT_EQ(pki_alg_gost_family(PKI_ALG_GOST341001_CPRO), PKI_ALG_GOST3410_CPRO + 0u);
  EXPECT_TRUE(pki_alg_is_signature(PKI_ALG_SHA1_DSA));
  EXPECT_FALSE(pki_alg_is_signature(PKI_ALG_SHA1));
}

// The service through its interface, the client stub, and the exported
// functions over the static stub, all on one service object.
class CnvrtTest : public ::testing::Test {
 protected:
  InProcessManager mgr;
  ConversionBinding conversion;
  void SetUp() override { conversion.Bind(); }
  void TearDown() override { conversion.Unbind(); }
  TPkiAlgCnvrt* svc() { return conversion.service(); }
  static aBuf Bytes(const Octets& v) { return v.empty() ? aBuf() : aBuf(v.data(), static_cast<unsigned>(v.size())); }
};

TEST_F(CnvrtTest, EveryRowRoundTripsThroughTheThreeForms) {
  for (uint32_t i = 0; i < staticAlgSize; ++i) {
    const pki_alg_row& row = staticAlgTable[i];
    SCOPED_TRACE(i);
    Octets oid = row.arcs != nullptr ? ArcOctets(row.arcs, row.count) : Octets{};
    Oid2Asn enc;
    Octets asn;
    if (row.arcs != nullptr && enc.asn(row.arcs, row.count)) asn.assign(enc.data(), enc.data() + enc.length());
    pki_alg_t back = row.arcs != nullptr ? row.alg : 0;

    // The service itself.
    EXPECT_EQ(Of(svc()->alg2oid(row.alg)), oid);
    EXPECT_EQ(Of(svc()->alg2asn(row.alg)), asn);
    EXPECT_EQ(svc()->oid2alg(Bytes(oid)), back);
    EXPECT_EQ(svc()->asn2alg(Bytes(asn)), back);
    // The stub.
    EXPECT_EQ(Of(cnvrt.alg2oid(row.alg)), oid);
    EXPECT_EQ(cnvrt.asn2alg(Bytes(asn)), back);
    // The exported functions.
    unsigned n = 99;
    const unsigned* arcs = alg2oid(row.alg, &n);
    EXPECT_EQ(n, row.count);
    if (row.arcs != nullptr) {
      ASSERT_NE(arcs, nullptr);
      EXPECT_EQ(std::memcmp(arcs, row.arcs, 4 * n), 0);
    } else {
      EXPECT_EQ(arcs, nullptr);
    }
    unsigned len = 99;
    const unsigned char* content = alg2asn(row.alg, &len);
    EXPECT_EQ(Octets(content, content + len), asn);
    EXPECT_EQ(oid2alg(row.arcs, row.count), back);
    EXPECT_EQ(asn2alg(asn.data(), static_cast<unsigned>(asn.size())), back);

    // convert from each single form completes the triple.
    if (row.arcs == nullptr) continue;
    for (int from = 0; from < 3; ++from) {
      SCOPED_TRACE(from);
      pki_alg_t a = from == 0 ? row.alg : 0;
      aBuf o = from == 1 ? Bytes(oid) : aBuf();
      aBuf s = from == 2 ? Bytes(asn) : aBuf();
      EXPECT_EQ(cnvrt.convert(a, o, s), pkixrc::kOk);
      EXPECT_EQ(a, row.alg);
      EXPECT_EQ(Of(o), oid);
      EXPECT_EQ(Of(s), asn);
    }
  }
}

// The SHA-2 and elliptic-curve values through all three forms, starting
// from what OpenSSL says about each algorithm: its dotted text becomes the
// arcs, its DER the content octets, and each must lead to the value and back.
// OpenSSL's digest and signature pairing must agree with the hash and base
// octets of the value.
TEST_F(CnvrtTest, Sha2AndEcValuesAgreeWithOpenSSL) {
  struct Case {
    pki_alg_t alg;
    int nid;
  } cases[] = {
      {PKI_ALG_SHA224, NID_sha224},
      {PKI_ALG_SHA256, NID_sha256},
      {PKI_ALG_SHA384, NID_sha384},
      {PKI_ALG_SHA512, NID_sha512},
      {PKI_ALG_SHA224_RSA, NID_sha224WithRSAEncryption},
      {PKI_ALG_SHA256_RSA, NID_sha256WithRSAEncryption},
      {PKI_ALG_SHA384_RSA, NID_sha384WithRSAEncryption},
      {PKI_ALG_SHA512_RSA, NID_sha512WithRSAEncryption},
      {PKI_ALG_SHA224_DSA, NID_dsa_with_SHA224},
      {PKI_ALG_SHA256_DSA, NID_dsa_with_SHA256},
      {PKI_ALG_EC, NID_X9_62_id_ecPublicKey},
      {PKI_ALG_SHA1_ECDSA, NID_ecdsa_with_SHA1},
      {PKI_ALG_SHA224_ECDSA, NID_ecdsa_with_SHA224},
      {PKI_ALG_SHA256_ECDSA, NID_ecdsa_with_SHA256},
      {PKI_ALG_SHA384_ECDSA, NID_ecdsa_with_SHA384},
      {PKI_ALG_SHA512_ECDSA, NID_ecdsa_with_SHA512},
  };
  // OpenSSL's digest of each hash octet, and its key type of each base.
  auto digest_nid = [](uint32_t hash) {
    switch (hash) {
      case PKI_ALG_HASH_SHA1: return NID_sha1;
      case PKI_ALG_HASH_SHA224: return NID_sha224;
      case PKI_ALG_HASH_SHA256: return NID_sha256;
      case PKI_ALG_HASH_SHA384: return NID_sha384;
      case PKI_ALG_HASH_SHA512: return NID_sha512;
      default: return NID_undef;
    }
  };
  auto key_nid = [](uint32_t base) {
    switch (base) {
      case PKI_ALG_BASE_RSA: return NID_rsaEncryption;
      case PKI_ALG_BASE_DSA: return NID_dsa;
      case PKI_ALG_BASE_EC: return NID_X9_62_id_ecPublicKey;
      default: return NID_undef;
    }
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(OBJ_nid2sn(c.nid));
    const ASN1_OBJECT* o = OBJ_nid2obj(c.nid);
    ASSERT_NE(o, nullptr);
    // The whole DER element as OpenSSL writes it: 06, length, content.
    int n = i2d_ASN1_OBJECT(o, nullptr);
    ASSERT_GT(n, 2);
    Octets element(static_cast<size_t>(n));
    unsigned char* w = element.data();
    i2d_ASN1_OBJECT(o, &w);
    ASSERT_EQ(element[0], 0x06);
    ASSERT_EQ(element[1], n - 2);
    Octets content(element.begin() + 2, element.end());
    // The dotted text as OpenSSL writes it, as arcs.
    char text[128];
    ASSERT_GT(OBJ_obj2txt(text, sizeof text, o, 1), 0);
    std::vector<uint32_t> arcs;
    for (const char* p = text; *p != 0;) {
      char* end = nullptr;
      arcs.push_back(static_cast<uint32_t>(std::strtoul(p, &end, 10)));
      p = *end == '.' ? end + 1 : end;
    }
    Octets arc_octets = ArcOctets(arcs.data(), static_cast<uint32_t>(arcs.size()));

    // Value to forms.
    EXPECT_EQ(Of(svc()->alg2asn(c.alg)), content);
    EXPECT_EQ(Of(svc()->alg2oid(c.alg)), arc_octets);
    unsigned len = 0, count = 0;
    const unsigned char* asn = alg2asn(c.alg, &len);
    EXPECT_EQ(Octets(asn, asn + len), content);
    const unsigned* got_arcs = alg2oid(c.alg, &count);
    ASSERT_EQ(count, arcs.size());
    EXPECT_EQ(std::vector<uint32_t>(got_arcs, got_arcs + count), arcs);
    // Forms to value.
    EXPECT_EQ(asn2alg(content.data(), static_cast<unsigned>(content.size())), c.alg);
    EXPECT_EQ(oid2alg(arcs.data(), static_cast<unsigned>(arcs.size())), c.alg);
    EXPECT_EQ(svc()->asn2alg(Bytes(content)), c.alg);
    EXPECT_EQ(svc()->oid2alg(Bytes(arc_octets)), c.alg);
    // convert with all three forms given agrees; one foreign form refuses.
    pki_alg_t a = c.alg;
    aBuf oid = Bytes(arc_octets), der = Bytes(content);
    EXPECT_EQ(cnvrt.convert(a, oid, der), pkixrc::kOk);
    pki_alg_t other = c.alg == PKI_ALG_SHA256 ? PKI_ALG_SHA384 : PKI_ALG_SHA256;
    aBuf der2 = Bytes(content), none;
    EXPECT_EQ(cnvrt.convert(other, none, der2), pkixrc::kBadArgument);

    // The octets of the value say what OpenSSL's pairing says.
    int dig = NID_undef, pkey = NID_undef;
    if (pki_alg_is_signature(c.alg)) {
      ASSERT_EQ(OBJ_find_sigid_algs(c.nid, &dig, &pkey), 1);
      EXPECT_EQ(digest_nid(pki_alg_hash(c.alg)), dig);
      EXPECT_EQ(key_nid(pki_alg_base(c.alg)), pkey);
    } else if (pki_alg_base(c.alg) != 0) {
      EXPECT_EQ(key_nid(pki_alg_base(c.alg)), c.nid);
      EXPECT_EQ(pki_alg_hash(c.alg), 0u);
    } else {
      EXPECT_EQ(digest_nid(pki_alg_hash(c.alg)), c.nid);
    }
    EXPECT_EQ(pki_alg_vendor(c.alg), 0u);
    EXPECT_EQ(pki_alg_variant(c.alg), 0u);
  }
}

TEST_F(CnvrtTest, GivenCases) {
  for (pki_alg_t a : std::vector<pki_alg_t>{PKI_ALG_SYM_0A, PKI_ALG_SHA_RSA, PKI_ALG_SHA1_SYM_0C, PKI_ALG_NONE, 0x12345678u}) {
    EXPECT_EQ(svc()->alg2oid(a).raw(), nullptr) << a;
    EXPECT_EQ(svc()->alg2asn(a).raw(), nullptr) << a;
  }
  const uint8_t rsa[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01};
  EXPECT_EQ(asn2alg(rsa, sizeof rsa), PKI_ALG_RSA);
  const uint8_t gost2001_cpro[] = {0x2A, 0x85, 0x03, 0x02, 0x02, 0x13};  // 1.2.643.2.2.19
  EXPECT_EQ(asn2alg(gost2001_cpro, sizeof gost2001_cpro), PKI_ALG_GOST341001_CPRO);
  // A prefix, an extension and nothing at all match no row.
  EXPECT_EQ(asn2alg(rsa, sizeof rsa - 1), 0u);
  const uint8_t longer[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01, 0x01};
  EXPECT_EQ(asn2alg(longer, sizeof longer), 0u);
  EXPECT_EQ(asn2alg(nullptr, 9), 0u);
  EXPECT_EQ(asn2alg(rsa, 0), 0u);
  EXPECT_EQ(svc()->asn2alg(aBuf()), 0u);
  // Null output pointers.
  EXPECT_EQ(alg2oid(PKI_ALG_RSA, nullptr), nullptr);
  EXPECT_EQ(alg2asn(PKI_ALG_RSA, nullptr), nullptr);
  // The arcs and their count agree with the byte length.
  aBuf oid = svc()->alg2oid(PKI_ALG_GOST3410_SC);
  unsigned count = 0;
  EXPECT_NE(alg2oid(PKI_ALG_GOST3410_SC, &count), nullptr);
  EXPECT_EQ(count * 4, oid.len());
}

TEST_F(CnvrtTest, ConvertChecksTheFormsGiven) {
  Oid2Asn enc;
  auto asn_of = [&](const uint32_t* arcs, uint32_t n) {
    enc.asn(arcs, n);
    return Octets(enc.data(), enc.data() + enc.length());
  };
  const Octets md5_asn = asn_of(pki_oid::md5, 6);
  const Octets rsa_asn = asn_of(pki_oid::rsaEncryption, 7);
  const Octets rsa_oid = ArcOctets(pki_oid::rsaEncryption, 7);
  const Octets unknown = {0x2A, 0x03};
  struct Case {
    const char* what;
    pki_alg_t alg;
    Octets oid, asn;
    int code;
    pki_alg_t alg_after;
    Octets oid_after, asn_after;
  } cases[] = {
      {"alg 1 with the asn form of MD5", PKI_ALG_RSA, {}, md5_asn, pkixrc::kBadArgument, PKI_ALG_RSA, rsa_oid, md5_asn},
      {"alg with its own forms", PKI_ALG_RSA, rsa_oid, rsa_asn, pkixrc::kOk, PKI_ALG_RSA, rsa_oid, rsa_asn},
      {"oid against another asn", 0, rsa_oid, md5_asn, pkixrc::kBadArgument, PKI_ALG_RSA, rsa_oid, md5_asn},
      {"unknown asn alone", 0, {}, unknown, pkixrc::kOk, 0, {}, unknown},
      {"unknown alg alone", 0x7F, {}, {}, pkixrc::kOk, 0x7F, {}, {}},
      {"unknown alg with an oid", 0x7F, rsa_oid, {}, pkixrc::kBadArgument, 0x7F, rsa_oid, {}},
      {"nothing given", 0, {}, {}, pkixrc::kOk, 0, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    pki_alg_t a = c.alg;
    aBuf o = Bytes(c.oid), s = Bytes(c.asn);
    EXPECT_EQ(svc()->convert(a, o, s), c.code);
    EXPECT_EQ(a, c.alg_after);
    EXPECT_EQ(Of(o), c.oid_after);
    EXPECT_EQ(Of(s), c.asn_after);
  }
  // Output wrappers that hold no buffer receive the service's forms.
  pki_alg_t a = PKI_ALG_RSA;
  aBuf o(static_cast<TBuf*>(nullptr)), s(static_cast<TBuf*>(nullptr));
  EXPECT_EQ(svc()->convert(a, o, s), pkixrc::kOk);
  EXPECT_EQ(Of(s), rsa_asn);
  // Filling a caller's buffer never writes into the service's own.
  aBuf mine;
  pki_alg_t none = 0;
  aBuf md5 = Bytes(md5_asn);
  EXPECT_EQ(svc()->convert(none, mine, md5), pkixrc::kOk);
  mine.set(reinterpret_cast<const unsigned char*>("junk"), 4);
  EXPECT_EQ(Of(svc()->alg2oid(PKI_ALG_MD5)), ArcOctets(pki_oid::md5, 6));
}

TEST_F(CnvrtTest, FiniEmptiesEveryLookup) {
  EXPECT_EQ(svc()->init(), 0);
  EXPECT_EQ(svc()->fini(), 0);
  EXPECT_EQ(svc()->alg2asn(PKI_ALG_RSA).raw(), nullptr);
  const uint8_t rsa[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01};
  EXPECT_EQ(asn2alg(rsa, sizeof rsa), 0u);
  EXPECT_EQ(svc()->fini(), 0);
}

TEST_F(CnvrtTest, StubWithoutServiceAnswersEmpty) {
  PkiAlgCnvrt empty(nullptr);
  cnvrt = empty;
  mgr.refuseAll(true);
  pki_alg_t a = PKI_ALG_RSA;
  aBuf o, s;
  EXPECT_EQ(cnvrt.convert(a, o, s), pkixrc::kUnavailable);
  EXPECT_EQ(cnvrt.alg2asn(PKI_ALG_RSA).raw(), nullptr);
  EXPECT_EQ(cnvrt.oid2alg(o), 0u);
  unsigned len = 7;
  EXPECT_EQ(alg2asn(PKI_ALG_RSA, &len), nullptr);
  EXPECT_EQ(len, 0u);
  const uint8_t rsa[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01};
  EXPECT_EQ(asn2alg(rsa, sizeof rsa), 0u);
}

// Without the buffer service the service still answers, with empty forms.
TEST(CnvrtNoBuffersTest, BuildsWithoutForms) {
  InProcessManager mgr(false);
  CMN_GRefPtr<TPkiAlgCnvrt> service(createAlgCnvrtSrv());
  ASSERT_NE(service.get(), nullptr);
  EXPECT_EQ(service->alg2asn(PKI_ALG_RSA).raw(), nullptr);
  service.Drop();
  x509cmn_fini();
}

}  // namespace
}  // namespace pkixtest
