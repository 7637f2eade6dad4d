// OID content octets against OpenSSL: the same octets accepted, the same
// dotted text (arcs of any size).
#include <gtest/gtest.h>
#include <openssl/asn1.h>
#include <openssl/objects.h>

#include <random>

#include "test_util.h"

namespace x509asn_test {
namespace {

// OpenSSL's dotted text of OID content octets, or "" when it refuses them.
std::string OpenSslText(const std::vector<uint8_t>& content) {
  std::vector<uint8_t> der = {0x06, static_cast<uint8_t>(content.size())};
  der.insert(der.end(), content.begin(), content.end());
  const unsigned char* p = der.data();
  ASN1_OBJECT* obj = d2i_ASN1_OBJECT(nullptr, &p, static_cast<long>(der.size()));
  if (obj == nullptr) return "";
  char text[512];
  int n = OBJ_obj2txt(text, sizeof text, obj, 1);
  ASN1_OBJECT_free(obj);
  return n > 0 ? std::string(text) : "";
}

TEST(OidOracleTest, RandomContents) {
  std::mt19937 rng(4242);
  int valid = 0;
  for (int i = 0; i < 30000; ++i) {
    std::vector<uint8_t> c;
    size_t n = 1 + rng() % 24;
    for (size_t k = 0; k < n; ++k) {
      // Mostly continuation octets so that large arcs occur.
      uint8_t v = static_cast<uint8_t>(rng());
      if (rng() % 3 == 0) v &= 0x7F;
      c.push_back(v);
    }
    if (rng() % 2) c.back() &= 0x7F;
    std::string want = OpenSslText(c);
    Bytes in(c);
    Buffer v = in.View();
    char text[512];
    int r = asn1_oid_to_text(&v, text, sizeof text);
    ASSERT_EQ(r >= 0, !want.empty()) << ToHex(c);
    if (r >= 0) {
      ++valid;
      ASSERT_EQ(std::string(text), want) << ToHex(c);
    }
  }
  EXPECT_GT(valid, 1000);
}

TEST(OidOracleTest, EncodedArcsAgree) {
  std::mt19937 rng(77);
  for (int i = 0; i < 5000; ++i) {
    std::vector<uint32_t> arcs = {static_cast<uint32_t>(rng() % 3)};
    arcs.push_back(arcs[0] < 2 ? rng() % 40 : rng());
    for (uint32_t k = rng() % 10; k > 0; --k) arcs.push_back(rng() >> (rng() % 32));
    std::string text = std::to_string(arcs[0]);
    for (size_t k = 1; k < arcs.size(); ++k) text += "." + std::to_string(arcs[k]);
    ASN1_OBJECT* obj = OBJ_txt2obj(text.c_str(), 1);
    ASSERT_NE(obj, nullptr) << text;
    Owned o;
    ASSERT_EQ(asn1_enc_objid(arcs.data(), static_cast<uint32_t>(arcs.size()), &o.b), 0);
    ASSERT_EQ(static_cast<int>(o.b.len), OBJ_length(obj)) << text;
    EXPECT_EQ(ToHex(o.b), ToHex(OBJ_get0_data(obj), OBJ_length(obj))) << text;
    ASN1_OBJECT_free(obj);
  }
}

}  // namespace
}  // namespace x509asn_test
