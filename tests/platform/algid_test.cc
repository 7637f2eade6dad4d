// AlgorithmIdentifier and SubjectPublicKeyInfo encoding and decoding.
#include <gtest/gtest.h>

#include "test_util.h"

namespace x509asn_test {
namespace {

TEST(AlgidTest, EncodeWithAndWithoutParameters) {
  Buffer oid;
  asn1_oid_view(rsaEncryption, &oid);
  Bytes null_params("05 00");
  Buffer p = null_params.View();
  struct Row {
    const Buffer* params;
    const char* der;
  } rows[] = {
      {&p, "300D 0609 2A864886F70D010101 0500"},
      {nullptr, "300B 0609 2A864886F70D010101"},
  };
  for (const Row& r : rows) {
    for (uint32_t room : {0u, 5u, 64u}) {
      Owned o;
      Room(&o.b, room);
      ASSERT_EQ(x509_enc_algid(&oid, r.params, &o.b), 0);
      EXPECT_EQ(ToHex(o.b), Norm(r.der));
      Buffer d = o.b, oid2, params2;
      ASSERT_EQ(x509_parse_algid(&d, &oid2, &params2), 0);
      EXPECT_EQ(ToHex(oid2), ToHex(oid));
      EXPECT_EQ(ToHex(params2), r.params ? "0500" : "");
      EXPECT_EQ(d.len, 0u);
    }
  }
  Buffer empty;
  init_buffer(&empty);
  Owned o;
  EXPECT_EQ(x509_enc_algid(&empty, nullptr, &o.b), X509ASN_E_ARG);
  EXPECT_EQ(x509_enc_algid(nullptr, nullptr, &o.b), X509ASN_E_ARG);
  EXPECT_EQ(x509_enc_algid(&oid, nullptr, nullptr), X509ASN_E_ARG);
}

TEST(AlgidTest, EncodeInFrontOfContent) {
  Owned o;
  Bytes tail("04 00");
  Buffer t = tail.View();
  insert_buffer(&o.b, &t);
  Buffer oid;
  asn1_oid_view(sha1WithRSAEncryption, &oid);
  ASSERT_EQ(x509_enc_algid(&oid, nullptr, &o.b), 0);
  EXPECT_EQ(ToHex(o.b), Norm("300B 0609 2A864886F70D010105 0400"));
}

TEST(AlgidTest, LargeParameters) {
  std::vector<uint8_t> big = {0x04, 0x82, 0x01, 0x00};
  big.resize(4 + 256, 0x11);
  Bytes params(big);
  Buffer p = params.View(), oid;
  asn1_oid_view(dhpublicnumber, &oid);
  Owned o;
  ASSERT_EQ(x509_enc_algid(&oid, &p, &o.b), 0);
  EXPECT_EQ(o.b.len, 4u + 9 + 260);
  EXPECT_EQ(ToHex(o.b.data, 4), "3082010D");
  Buffer d = o.b, oid2, p2;
  ASSERT_EQ(x509_parse_algid(&d, &oid2, &p2), 0);
  EXPECT_EQ(p2.len, 260u);
}

TEST(AlgidTest, SpkiRoundTrip) {
  Buffer oid;
  asn1_oid_view(rsaEncryption, &oid);
  Bytes null_params("05 00"), key("30 06 02 01 03 02 01 05");
  Buffer p = null_params.View(), k = key.View();
  Owned o;
  Room(&o.b, 3);
  ASSERT_EQ(x509_encode_spki(&oid, &p, &k, &o.b), 0);
  EXPECT_EQ(ToHex(o.b), Norm("301A 300D 0609 2A864886F70D010101 0500 0309 00 3006020103020105"));
  // Read back: SEQUENCE { AlgorithmIdentifier, BIT STRING }.
  Buffer d = o.b, body, oid2, p2, bits;
  ASSERT_EQ(asn1_decode_primitive(0x30, &d, &body), 0x1A);
  ASSERT_EQ(x509_parse_algid(&body, &oid2, &p2), 0);
  ASSERT_EQ(asn1_decode_bit_string(&body, &bits), 8);
  EXPECT_EQ(ToHex(bits), ToHex(k));
  EXPECT_EQ(body.len, 0u);
  Owned e;
  ASSERT_EQ(x509_encode_spki(&oid, nullptr, nullptr, &e.b), 0);
  EXPECT_EQ(ToHex(e.b), Norm("3010 300B 0609 2A864886F70D010101 030100"));
}

}  // namespace
}  // namespace x509asn_test
