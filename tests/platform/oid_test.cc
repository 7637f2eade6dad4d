// Object identifiers: arcs to content octets and back, text, constants.
#include <gtest/gtest.h>

#include <random>

#include "test_util.h"

namespace x509asn_test {
namespace {

std::string Enc(const std::vector<uint32_t>& arcs, int* result = nullptr) {
  Owned o;
  int r = asn1_enc_objid(arcs.data(), static_cast<uint32_t>(arcs.size()), &o.b);
  if (result) *result = r;
  return ToHex(o.b);
}

TEST(OidTest, KnownEncodings) {
  struct Row {
    std::vector<uint32_t> arcs;
    const char* hex;
    const char* text;
  } rows[] = {
      {{1, 2, 840, 113549}, "2A864886F70D", "1.2.840.113549"},
      {{1, 2, 840, 113549, 1, 1, 1}, "2A864886F70D010101", "1.2.840.113549.1.1.1"},
      {{2, 5, 29, 15}, "551D0F", "2.5.29.15"},
      {{0, 9, 2342, 19200300, 100, 1, 25}, "0992268993F22C640119", "0.9.2342.19200300.100.1.25"},
      {{0, 0}, "00", "0.0"},
      {{1, 39}, "4F", "1.39"},
      {{2, 47}, "7F", "2.47"},
      {{2, 48}, "8100", "2.48"},
      {{2, 999, 3}, "883703", "2.999.3"},
      {{1, 2, 4294967295u}, "2A8FFFFFFF7F", "1.2.4294967295"},
      {{2, 4294967215u}, "8FFFFFFF7F", "2.4294967215"},
      {{2, 4294967295u}, "908080804F" /* 2^32 + 79 */, "2.4294967295"},
  };
  for (const Row& r : rows) {
    int res;
    EXPECT_EQ(Enc(r.arcs, &res), Norm(r.hex)) << r.text;
    EXPECT_EQ(res, 0);
    Bytes c(r.hex);
    Buffer v = c.View();
    uint32_t arcs[20];
    int n = asn1_dec_objid(&v, arcs, 20);
    ASSERT_EQ(n, static_cast<int>(r.arcs.size())) << r.text;
    EXPECT_EQ(std::vector<uint32_t>(arcs, arcs + n), r.arcs) << r.text;
    EXPECT_EQ(asn1_dec_objid(&v, nullptr, 0), n);
    char text[64];
    EXPECT_EQ(asn1_oid_to_text(&v, text, sizeof text), static_cast<int>(strlen(r.text)));
    EXPECT_STREQ(text, r.text);
  }
}

TEST(OidTest, EncodeRefusals) {
  int r;
  uint32_t one[1] = {1};
  Owned o;
  EXPECT_EQ(asn1_enc_objid(one, 1, &o.b), X509ASN_E_ARG);
  EXPECT_EQ(asn1_enc_objid(nullptr, 2, &o.b), X509ASN_E_ARG);
  Enc({3, 1}, &r);
  EXPECT_EQ(r, X509ASN_E_ARG);
  Enc({1, 40}, &r);
  EXPECT_EQ(r, X509ASN_E_ARG);
  Enc({0, 40}, &r);
  EXPECT_EQ(r, X509ASN_E_ARG);
  EXPECT_EQ(o.b.len, 0u);
}

TEST(OidTest, SixteenArcsFitSeventyFiveOctets) {
  std::vector<uint32_t> arcs(16, 0xFFFFFFFFu);
  arcs[0] = 2;
  Owned o;
  Room(&o.b, 75);
  unsigned char* block = o.b.start;
  ASSERT_EQ(asn1_enc_objid(arcs.data(), 16, &o.b), 0);
  EXPECT_EQ(o.b.len, 75u);
  EXPECT_EQ(o.b.start, block);  // fitted in the room given
}

TEST(OidTest, CallersAreaOfSeventyFiveOctets) {
  // The name parser's OID scratch: a record over its own 75-octet area.
  unsigned char area[75];
  Buffer scratch = {area, area + sizeof area, 0};
  std::vector<uint32_t> arcs(16, 4294967295u);
  arcs[0] = 2;
  ASSERT_EQ(asn1_enc_objid(arcs.data(), 16, &scratch), 0);
  EXPECT_EQ(scratch.start, area);
  EXPECT_EQ(scratch.data, area);
  EXPECT_EQ(scratch.len, 75u);
  uint32_t back[16];
  EXPECT_EQ(asn1_dec_objid(&scratch, back, 16), 16);
  EXPECT_EQ(std::vector<uint32_t>(back, back + 16), arcs);
}

TEST(OidTest, PrependsInFront) {
  Owned o;
  Bytes tail("AA");
  Buffer t = tail.View();
  insert_buffer(&o.b, &t);
  uint32_t arcs[] = {2, 5, 4, 3};
  ASSERT_EQ(asn1_enc_objid(arcs, 4, &o.b), 0);
  ASSERT_EQ(asn1_der_encode(0x06, &o.b), 0);
  EXPECT_EQ(ToHex(o.b), "0604550403AA");
}

TEST(OidTest, DecodeRefusals) {
  struct Row {
    const char* hex;
    uint32_t max;
    int result;
  } rows[] = {
      {"", 8, X509ASN_E_VALUE},
      {"2A86", 8, X509ASN_E_VALUE},          // last octet continues
      {"2A8001", 8, X509ASN_E_VALUE},        // 0x80 starts a subidentifier
      {"80 2A", 8, X509ASN_E_VALUE},
      {"2A 90808080 00", 8, X509ASN_E_RANGE},  // 2^32
      {"2A864886F70D", 3, X509ASN_E_RANGE},  // four arcs, room for three
      {"9080808050", 8, X509ASN_E_RANGE},    // 2.(2^32)
  };
  for (const Row& r : rows) {
    Bytes c(r.hex);
    Buffer v = c.View();
    uint32_t arcs[8] = {7, 7, 7, 7, 7, 7, 7, 7};
    EXPECT_EQ(asn1_dec_objid(&v, arcs, r.max), r.result) << r.hex;
    EXPECT_EQ(arcs[0], 7u) << "arcs unchanged on failure";
  }
  EXPECT_EQ(asn1_dec_objid(nullptr, nullptr, 0), X509ASN_E_ARG);
}

TEST(OidTest, TextOfHugeArcs) {
  // 2.25 UUID OIDs use 128-bit arcs: 2.25.329800735698586629295641978511506172918
  // Build one: arc 2, 25, then 2^100 + 5.
  std::vector<uint8_t> v = {0x69};  // 2*40 + 25 = 105
  // 2^100 + 5 in base 128: 101 bits -> 15 septets.
  std::vector<uint8_t> digits;
  // Compute base-128 digits of 2^100 + 5 with a small big integer.
  std::vector<uint32_t> n = {5, 0, 0, 16};  // 32-bit limbs, little endian: 2^100 = 16 << 96
  while (!(n[0] == 0 && n[1] == 0 && n[2] == 0 && n[3] == 0)) {
    uint64_t rem = 0;
    for (int i = 3; i >= 0; --i) {
      uint64_t cur = (rem << 32) | n[i];
      n[i] = static_cast<uint32_t>(cur / 128);
      rem = cur % 128;
    }
    digits.push_back(static_cast<uint8_t>(rem));
  }
  for (size_t i = digits.size(); i-- > 0;) v.push_back(static_cast<uint8_t>(digits[i] | (i ? 0x80 : 0)));
  Bytes big(v);
  Buffer b = big.View();
  char text[80];
  ASSERT_GT(asn1_oid_to_text(&b, text, sizeof text), 0);
  EXPECT_STREQ(text, "2.25.1267650600228229401496703205381");
  EXPECT_EQ(asn1_dec_objid(&b, nullptr, 0), X509ASN_E_RANGE);
  char small[10];
  EXPECT_EQ(asn1_oid_to_text(&b, small, sizeof small), X509ASN_E_RANGE);
  EXPECT_STREQ(small, "");
}

TEST(OidTest, RandomRoundTrips) {
  std::mt19937 rng(12345);
  for (int i = 0; i < 5000; ++i) {
    std::vector<uint32_t> arcs;
    uint32_t n = 2 + rng() % 15;
    arcs.push_back(rng() % 3);
    arcs.push_back(arcs[0] < 2 ? rng() % 40 : rng() >> (rng() % 32));
    for (uint32_t k = 2; k < n; ++k) arcs.push_back(rng() >> (rng() % 32));
    Owned o;
    ASSERT_EQ(asn1_enc_objid(arcs.data(), n, &o.b), 0);
    uint32_t back[16];
    ASSERT_EQ(asn1_dec_objid(&o.b, back, 16), static_cast<int>(n));
    ASSERT_EQ(std::vector<uint32_t>(back, back + n), arcs);
  }
}

TEST(OidTest, ConstantsAndEquality) {
  struct Row {
    const unsigned char* oid;
    const char* text;
  } rows[] = {
      {rsaEncryption, "1.2.840.113549.1.1.1"},
      {new_dsa, "1.2.840.10040.4.1"},
      {dhKeyAgreement, "1.2.840.113549.1.3.1"},
      {dsa, "1.3.14.3.2.12"},
      {dhpublicnumber, "1.2.840.10046.2.1"},
      {dsaWithSHA, "1.3.14.3.2.13"},
      {dsaWithsha1, "1.2.840.10040.4.3"},
      {md2WithRSAEncryption, "1.2.840.113549.1.1.2"},
      {md5WithRSAEncryption, "1.2.840.113549.1.1.4"},
      {sha1WithRSAEncryption, "1.2.840.113549.1.1.5"},
      {SubjectKeyIdentifier_Id, "2.5.29.14"},
      {KeyUsage_Id, "2.5.29.15"},
      {SubjectAltName_Id, "2.5.29.17"},
      {IssuerAltName_Id, "2.5.29.18"},
      {BasicConstraints_Id, "2.5.29.19"},
      {CRLNumber_Id, "2.5.29.20"},
      {ReasonCode_Id, "2.5.29.21"},
      {InstructionCode_Id, "2.5.29.23"},
      {InvalidityDate_Id, "2.5.29.24"},
      {DeltaCRLIndicator_Id, "2.5.29.27"},
      {IssuingDistributionPoint_Id, "2.5.29.28"},
      {CertificateIssuer_Id, "2.5.29.29"},
      {NameConstraints_Id, "2.5.29.30"},
      {CRLDistributionPoints_Id, "2.5.29.31"},
      {AuthorityKeyIdentifier_Id, "2.5.29.35"},
      {ExtendedKeyUsage_Id, "2.5.29.37"},
      {id_at_countryName, "2.5.4.6"},
      {id_at_stateOrProvinceName, "2.5.4.8"},
      {id_at_localityName, "2.5.4.7"},
      {id_at_organizationName, "2.5.4.10"},
      {id_at_organizationalUnitName, "2.5.4.11"},
      {id_at_commonName, "2.5.4.3"},
      {id_at_title, "2.5.4.12"},
      {id_at_surname, "2.5.4.4"},
      {id_at_givenName, "2.5.4.42"},
      {id_at_initials, "2.5.4.43"},
      {id_emailAddress, "1.2.840.113549.1.9.1"},
      {id_domainComponent, "0.9.2342.19200300.100.1.25"},
      {id_at_serialNumber, "2.5.4.5"},
      {id_at_streetAddress, "2.5.4.9"},
      {id_userId, "0.9.2342.19200300.100.1.1"},
      {id_at_organizationIdentifier, "2.5.4.97"},
      {unstructedName, "1.2.840.113549.1.9.2"},
  };
  for (const Row& r : rows) {
    Buffer v;
    ASSERT_EQ(asn1_oid_view(r.oid, &v), 0);
    EXPECT_EQ(v.len, r.oid[0]);
    char text[64];
    ASSERT_GT(asn1_oid_to_text(&v, text, sizeof text), 0) << r.text;
    EXPECT_STREQ(text, r.text);
    EXPECT_EQ(asn1_oid_eq(&v, r.oid), 1);
    // A different length or octet is not equal.
    Buffer shorter = v;
    shorter.len--;
    EXPECT_EQ(asn1_oid_eq(&shorter, r.oid), 0);
  }
  EXPECT_EQ(unstructedName[0], 9);
  const unsigned char* gn[] = {gn_otherName, gn_rfc822Name, gn_dNSName, gn_x400Address, directoryName,
                               gn_ediPartyName, gn_uniformResourceIdentifier, gn_iPAddress,
                               gn_registeredID};
  const unsigned char tags[] = {0xA0, 0x81, 0x82, 0xA3, 0xA4, 0xA5, 0x86, 0x87, 0x88};
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(gn[i][0], 1);
    EXPECT_EQ(gn[i][1], tags[i]);
  }
  Buffer v;
  EXPECT_EQ(asn1_oid_view(nullptr, &v), X509ASN_E_ARG);
  EXPECT_EQ(asn1_oid_eq(nullptr, rsaEncryption), 0);
}

}  // namespace
}  // namespace x509asn_test
