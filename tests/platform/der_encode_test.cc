// DER encoding: headers prepended in front of the content they cover.
#include <gtest/gtest.h>

#include "test_util.h"

namespace x509asn_test {
namespace {

// Content as an owned buffer with the given room in front.
void Content(Buffer* b, const std::string& hex, uint32_t room) {
  std::vector<uint8_t> v = Hex(hex);
  alloc_buffer(room + static_cast<uint32_t>(v.size()), b);
  shift_buffer(b, room);
  if (!v.empty()) std::memcpy(b->data, v.data(), v.size());
}

TEST(DerEncodeTest, HeaderLengthForms) {
  struct Row {
    uint32_t len;
    const char* header;
  } rows[] = {{0, "3000"},        {1, "3001"},          {127, "307F"},          {128, "308180"},
              {255, "3081FF"},    {256, "30820100"},    {65535, "3082FFFF"},    {65536, "3083010000"},
              {0xFFFFFF, "3083FFFFFF"}, {0x1000000, "308401000000"}};
  for (const Row& r : rows) {
    for (uint32_t room : {0u, 2u, 16u}) {
      Owned o;
      alloc_buffer(room + r.len, &o.b);
      shift_buffer(&o.b, room);
      ASSERT_EQ(asn1_der_encode(0x30, &o.b), 0);
      std::string h = Norm(r.header);
      EXPECT_EQ(ToHex(o.b.data, h.size() / 2), h) << r.len;
      EXPECT_EQ(o.b.len, r.len + h.size() / 2);
      // And it decodes back to the same length.
      Buffer d = o.b;
      EXPECT_EQ(asn1_der_decode(0x30, &d), static_cast<int>(r.len));
    }
  }
}

TEST(DerEncodeTest, Wrappers) {
  struct Row {
    const char* name;
    int (*enc)(Buffer*);
    const char* in;
    const char* out;
  } rows[] = {
      {"integer", asn1_der_encode_integer, "05", "020105"},
      {"integer", asn1_der_encode_integer, "0080", "02020080"},
      {"integer", asn1_der_encode_integer, "FF", "0201FF"},
      {"integer", asn1_der_encode_integer, "", "020100"},
      {"uint", asn1_der_encode_uint, "80", "02020080"},
      {"uint", asn1_der_encode_uint, "000080", "02020080"},
      {"uint", asn1_der_encode_uint, "00007F", "02017F"},
      {"uint", asn1_der_encode_uint, "0000", "020100"},
      {"uint", asn1_der_encode_uint, "", "020100"},
      {"bits", asn1_der_encode_bit_string, "", "030100"},
      {"bits", asn1_der_encode_bit_string, "0000", "0303000000"},
      {"bits", asn1_der_encode_bit_string, "86", "03020086"},
  };
  for (const Row& r : rows) {
    for (uint32_t room : {0u, 1u, 3u, 32u}) {
      Owned o;
      Content(&o.b, r.in, room);
      ASSERT_EQ(r.enc(&o.b), 0);
      EXPECT_EQ(ToHex(o.b), Norm(r.out)) << r.name << " " << r.in << " room " << room;
    }
  }
}

TEST(DerEncodeTest, PrependsInFrontOfExistingContent) {
  // Written backwards: the last element first, then its predecessors.
  Owned o;
  Room(&o.b, 4);
  Buffer v;
  Bytes n("05");
  v = n.View();
  ASSERT_EQ(insert_buffer(&o.b, &v), 0);
  ASSERT_EQ(asn1_der_encode_integer(&o.b), 0);  // 02 01 05
  ASSERT_EQ(asn1_der_encode_time(0, &o.b), 0);  // time in front
  ASSERT_EQ(asn1_der_encode(0x30, &o.b), 0);
  EXPECT_EQ(ToHex(o.b), Norm("30 12 17 0D 3730303130313030303030305A 02 01 05"));
}

TEST(DerEncodeTest, Arguments) {
  Owned o;
  EXPECT_EQ(asn1_der_encode(0x1F, &o.b), X509ASN_E_ARG);
  EXPECT_EQ(asn1_der_encode(0x30, nullptr), X509ASN_E_ARG);
  EXPECT_EQ(asn1_der_encode_integer(nullptr), X509ASN_E_ARG);
  EXPECT_EQ(asn1_der_encode_bit_string(nullptr), X509ASN_E_ARG);
  EXPECT_EQ(asn1_der_encode_time(0, nullptr), X509ASN_E_ARG);
  // An empty record is a valid empty content.
  ASSERT_EQ(asn1_der_encode(0x05, &o.b), 0);
  EXPECT_EQ(ToHex(o.b), "0500");
}

TEST(DerEncodeTest, IntegerRoundTrip) {
  for (const char* hex : {"00", "7F", "0080", "FF", "FF7F", "8000", "0100", "00FFFFFFFF"}) {
    Owned o;
    Content(&o.b, hex, 0);
    ASSERT_EQ(asn1_der_encode_integer(&o.b), 0);
    Buffer d = o.b, v;
    EXPECT_EQ(asn1_decode_integer(&d, &v), static_cast<int>(Hex(hex).size()));
    EXPECT_EQ(ToHex(v), Norm(hex));
  }
}

}  // namespace
}  // namespace x509asn_test
