// The algorithm table of the ASN.1 object service: every row's identifier
// against OpenSSL's object table, the lookup rules (first row wins, unknown
// gives the no-algorithm value), the parameter classes, and the reader of
// identifier content octets.
#include <gtest/gtest.h>
#include <openssl/asn1.h>
#include <openssl/objects.h>

#include <cstring>
#include <string>
#include <vector>

#include "alg/oid2asn.h"
#include "asn/pkix_asn_algtab.h"

namespace pkixasn {
namespace {

using Octets = std::vector<uint8_t>;

std::string Dotted(const uint32_t* arcs, uint32_t n) {
  std::string s;
  for (uint32_t i = 0; i < n; ++i) s += (i ? "." : "") + std::to_string(arcs[i]);
  return s;
}

Octets OpenSSLContent(const std::string& dotted) {
  ASN1_OBJECT* o = OBJ_txt2obj(dotted.c_str(), 1);
  if (o == nullptr) return {};
  Octets v(OBJ_get0_data(o), OBJ_get0_data(o) + OBJ_length(o));
  ASN1_OBJECT_free(o);
  return v;
}

// The rows as the older table lists them, then the added ones, in order.
struct Expected {
  pki_alg_t alg;
  const char* oid;
  ParamKind kind;
};
constexpr Expected kExpected[] = {
    {0x1, "1.2.840.113549.1.1.1", ParamKind::kRsa},
    {0x2, "1.2.840.10040.4.1", ParamKind::kDsa},
    {0x3, "1.2.840.113549.1.3.1", ParamKind::kUnsupported},
    {0x4, "1.3.14.3.2.12", ParamKind::kUnsupported},
    {0x5, "1.2.840.10046.2.1", ParamKind::kUnsupported},
    {0x6, "1.2.840.113549.3.2", ParamKind::kUnsupported},
    {0x7, "1.2.840.113549.3.4", ParamKind::kUnsupported},
    {0x8, "1.2.840.113549.3.8", ParamKind::kUnsupported},
    {0x9, "1.3.14.3.2.7", ParamKind::kDes},
    {0x9, "1.3.36.3.1.1", ParamKind::kDes},
    {0xA, "1.2.840.113549.1.12.1.3", ParamKind::kUnsupported},
    {0xB, "1.2.840.113549.1.12.1.4", ParamKind::kUnsupported},
    {0x10000, "1.3.14.3.2.18", ParamKind::kUnsupported},
    {0x20000, "1.3.14.3.2.26", ParamKind::kUnsupported},
    {0x30000, "1.2.840.113549.2.2", ParamKind::kUnsupported},
    {0x40000, "1.2.840.113549.2.5", ParamKind::kUnsupported},
    {0x20001, "1.2.840.113549.1.1.5", ParamKind::kRsa},
    {0x30001, "1.2.840.113549.1.1.2", ParamKind::kRsa},
    {0x40001, "1.2.840.113549.1.1.4", ParamKind::kRsa},
    {0x10002, "1.3.14.3.2.13", ParamKind::kDsa},
    {0x20002, "1.2.840.10040.4.3", ParamKind::kDsa},
    {0x200000D, "1.2.643.2.2.20", ParamKind::kAny},
    {0x205000D, "1.2.643.2.2.4", ParamKind::kAny},
    {0x200010D, "1.2.643.2.2.19", ParamKind::kAny},
    {0x205010D, "1.2.643.2.2.3", ParamKind::kAny},
    {0x400000E, "1.3.6.1.4.1.12656.1.38", ParamKind::kAny},
    {0x400000F, "1.3.6.1.4.1.12656.1.35", ParamKind::kAny},
    {0x406000E, "1.3.6.1.4.1.12656.1.40", ParamKind::kAny},
    {0x406000F, "1.3.6.1.4.1.12656.1.43", ParamKind::kAny},
    {PKI_ALG_SHA224, "2.16.840.1.101.3.4.2.4", ParamKind::kAbsent},
    {PKI_ALG_SHA256, "2.16.840.1.101.3.4.2.1", ParamKind::kAbsent},
    {PKI_ALG_SHA384, "2.16.840.1.101.3.4.2.2", ParamKind::kAbsent},
    {PKI_ALG_SHA512, "2.16.840.1.101.3.4.2.3", ParamKind::kAbsent},
    {PKI_ALG_SHA224_RSA, "1.2.840.113549.1.1.14", ParamKind::kRsa},
    {PKI_ALG_SHA256_RSA, "1.2.840.113549.1.1.11", ParamKind::kRsa},
    {PKI_ALG_SHA384_RSA, "1.2.840.113549.1.1.12", ParamKind::kRsa},
    {PKI_ALG_SHA512_RSA, "1.2.840.113549.1.1.13", ParamKind::kRsa},
    {PKI_ALG_SHA224_DSA, "2.16.840.1.101.3.4.3.1", ParamKind::kAbsent},
    {PKI_ALG_SHA256_DSA, "2.16.840.1.101.3.4.3.2", ParamKind::kAbsent},
    {PKI_ALG_EC, "1.2.840.10045.2.1", ParamKind::kAny},
    {PKI_ALG_SHA1_ECDSA, "1.2.840.10045.4.1", ParamKind::kAbsent},
    {PKI_ALG_SHA224_ECDSA, "1.2.840.10045.4.3.1", ParamKind::kAbsent},
    {PKI_ALG_SHA256_ECDSA, "1.2.840.10045.4.3.2", ParamKind::kAbsent},
    {PKI_ALG_SHA384_ECDSA, "1.2.840.10045.4.3.3", ParamKind::kAbsent},
    {PKI_ALG_SHA512_ECDSA, "1.2.840.10045.4.3.4", ParamKind::kAbsent},
};
constexpr size_t kOlderRows = 29;

TEST(AsnAlgTable, RowsInOrderWithOpenSSLsIdentifiers) {
  size_t n = 0;
  const AsnAlgRow* rows = asnAlgRows(&n);
  ASSERT_EQ(n, std::size(kExpected));
  Oid2Asn enc;
  for (size_t i = 0; i < n; ++i) {
    SCOPED_TRACE(kExpected[i].oid);
    EXPECT_EQ(rows[i].alg, kExpected[i].alg) << "row " << i;
    EXPECT_EQ(Dotted(rows[i].arcs, rows[i].count), kExpected[i].oid);
    ASSERT_TRUE(enc.asn(rows[i].arcs, rows[i].count));
    const Octets ours(enc.data(), enc.data() + enc.length());
    EXPECT_EQ(ours, OpenSSLContent(kExpected[i].oid));
    EXPECT_EQ(asnAlgParamKind(kExpected[i].alg), kExpected[i].kind);
  }
  EXPECT_GE(n, kOlderRows);
}

TEST(AsnAlgTable, EveryRowRoundTrips) {
  size_t n = 0;
  const AsnAlgRow* rows = asnAlgRows(&n);
  for (size_t i = 0; i < n; ++i) {
    SCOPED_TRACE(i);
    uint32_t count = 0;
    const uint32_t* arcs = asnAlgArcs(rows[i].alg, &count);
    ASSERT_NE(arcs, nullptr);
    // Identifier to algorithm always gives the row's value; algorithm to
    // identifier gives the first row with it (only DES has two).
    EXPECT_EQ(asnAlgFromArcs(rows[i].arcs, rows[i].count), rows[i].alg);
    EXPECT_EQ(asnAlgFromArcs(arcs, count), rows[i].alg);
  }
}

TEST(AsnAlgTable, LookupRules) {
  constexpr uint32_t kTeletrustDes[] = {1, 3, 36, 3, 1, 1};
  constexpr uint32_t kUnknown[] = {1, 2, 3, 4};
  constexpr uint32_t kRsaPrefix[] = {1, 2, 840, 113549, 1, 1};  // a prefix of rsaEncryption
  EXPECT_EQ(asnAlgFromArcs(kTeletrustDes, 6), PKI_ALG_DES_CBC);
  uint32_t count = 0;
  const uint32_t* des = asnAlgArcs(PKI_ALG_DES_CBC, &count);
  EXPECT_EQ(Dotted(des, count), "1.3.14.3.2.7");
  EXPECT_EQ(asnAlgFromArcs(kUnknown, 4), PKI_ALG_NONE);
  EXPECT_EQ(asnAlgFromArcs(kRsaPrefix, 6), PKI_ALG_NONE);
  EXPECT_EQ(asnAlgFromArcs(nullptr, 0), PKI_ALG_NONE);
  EXPECT_EQ(asnAlgFromArcs(kUnknown, 4, 0xFFFFFFFFu), 0xFFFFFFFFu);  // the caller's default
  EXPECT_EQ(asnAlgFromArcOctets(reinterpret_cast<const uint8_t*>(kTeletrustDes), 23), PKI_ALG_NONE);

  // Values with no row, or the caller's no-algorithm value: no identifier.
  const pki_alg_t kNoIdentifier[] = {PKI_ALG_NONE, PKI_ALG_GOST3410_SC, PKI_ALG_GOST341001_SC, PKI_ALG_GOST3410_TIK,
                                     PKI_ALG_SHA1_SYM_0C, PKI_ALG_SHA_RSA};
  for (pki_alg_t a : kNoIdentifier) {
    SCOPED_TRACE(a);
    count = 7;
    EXPECT_EQ(asnAlgArcs(a, &count), nullptr);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(asnAlgParamKind(a), ParamKind::kUnsupported);
  }
  EXPECT_EQ(asnAlgArcs(PKI_ALG_RSA, &count, PKI_ALG_RSA), nullptr);
  // 0xB is the PKCS #12 identifier here, not DES-EDE3-CBC.
  const uint32_t* pbe = asnAlgArcs(0xB, &count);
  EXPECT_EQ(Dotted(pbe, count), "1.2.840.113549.1.12.1.4");
}

// Identifier content octets to algorithm: malformed content is unknown.
TEST(AsnAlgTable, ContentToAlgorithm) {
  struct Case {
    const char* what;
    Octets content;
    pki_alg_t alg;
  };
  const Case kCases[] = {
      {"rsaEncryption", {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01}, PKI_ALG_RSA},
      {"teletrust DES", {0x2B, 0x24, 0x03, 0x01, 0x01}, PKI_ALG_DES_CBC},
      {"ecdsa-with-SHA384", {0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x04, 0x03, 0x03}, PKI_ALG_SHA384_ECDSA},
      {"unknown", {0x2A, 0x03}, PKI_ALG_NONE},
      {"empty", {}, PKI_ALG_NONE},
      {"open last subidentifier", {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x81}, PKI_ALG_NONE},
      {"leading 0x80", {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x80, 0x01, 0x01}, PKI_ALG_NONE},
      {"arc above 32 bits", {0x2A, 0x90, 0x80, 0x80, 0x80, 0x00}, PKI_ALG_NONE},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(asnAlgFromContent(c.content.data(), c.content.size()), c.alg);
  }
}

}  // namespace
}  // namespace pkixasn
