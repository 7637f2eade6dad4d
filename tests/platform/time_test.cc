// Times: the text forms, saturation to 32 bits, and encoding back.
#include <gtest/gtest.h>

#include "test_util.h"

namespace x509asn_test {
namespace {

// Decodes tag + text as a time element.
int Decode(unsigned char tag, const std::string& text, int64_t* t64, int32_t* t32) {
  std::vector<uint8_t> v = {tag, static_cast<uint8_t>(text.size())};
  v.insert(v.end(), text.begin(), text.end());
  Bytes in(v);
  Buffer b = in.View(), c = in.View();
  int r = asn1_decode_time64(&b, t64);
  int r32 = asn1_decode_time(&c, t32);
  EXPECT_EQ(r, r32);
  return r;
}

TEST(TimeTest, Table) {
  struct Row {
    unsigned char tag;
    const char* text;
    int result;
    int64_t seconds;
  } rows[] = {
      {0x17, "700101000000Z", 0, 0},
      {0x17, "7001010000Z", 0, 0},  // seconds left out
      {0x17, "991231235959Z", 0, 946684799},
      {0x17, "000101000000Z", 0, 946684800},
      {0x17, "491231235959Z", 0, 2524607999},  // 2049
      {0x17, "500101000000Z", 0, -631152000},  // 1950
      {0x17, "000229000000Z", 0, 951782400},   // 2000 is a leap year
      {0x17, "010229000000Z", X509ASN_E_VALUE, 0},
      {0x17, "700101000000+0100", 0, -3600},
      {0x17, "700101000000-0130", 0, 5400},
      {0x17, "7001010000+0000", 0, 0},
      {0x17, "700101000000+1300", X509ASN_E_VALUE, 0},  // offset hours above 12
      {0x17, "700101000000+0060", X509ASN_E_VALUE, 0},
      {0x17, "700101000000+010", X509ASN_E_VALUE, 0},
      {0x17, "700101000000", X509ASN_E_VALUE, 0},  // no zone
      {0x17, "700101000060Z", X509ASN_E_VALUE, 0},  // second 60
      {0x17, "700101240000Z", X509ASN_E_VALUE, 0},
      {0x17, "701301000000Z", X509ASN_E_VALUE, 0},
      {0x17, "700100000000Z", X509ASN_E_VALUE, 0},
      {0x17, "700431000000Z", X509ASN_E_VALUE, 0},
      {0x17, "7001010000005Z", X509ASN_E_VALUE, 0},
      {0x17, "700101000000ZZ", X509ASN_E_VALUE, 0},
      {0x17, "70010100000AZ", X509ASN_E_VALUE, 0},
      {0x17, "700101000000.5Z", X509ASN_E_VALUE, 0},  // no fractions in UTCTime
      {0x17, "7001010000", X509ASN_E_VALUE, 0},
      {0x17, "", X509ASN_E_VALUE, 0},
      {0x18, "19700101000000Z", 0, 0},
      {0x18, "197001010000Z", 0, 0},
      {0x18, "19700101000000.999Z", 0, 0},
      {0x18, "19700101000000.Z", X509ASN_E_VALUE, 0},
      {0x18, "19700101000000.5", X509ASN_E_VALUE, 0},
      {0x18, "20380119031407Z", 0, 2147483647},
      {0x18, "20380119031408Z", 0, 2147483648LL},
      {0x18, "19011213204552Z", 0, -2147483648LL},
      {0x18, "19011213204551Z", 0, -2147483649LL},
      {0x18, "99991231235959Z", 0, 253402300799LL},
      {0x18, "00000101000000Z", 0, -62167219200LL},
      {0x18, "21000229000000Z", X509ASN_E_VALUE, 0},  // 2100 is not a leap year
      {0x18, "20000229000000Z", 0, 951782400},
      {0x18, "19700101000000+0100", 0, -3600},
      {0x18, "700101000000Z", X509ASN_E_VALUE, 0},  // UTCTime text under the other tag
  };
  for (const Row& r : rows) {
    int64_t t64 = 99;
    int32_t t32 = 99;
    int res = Decode(r.tag, r.text, &t64, &t32);
    EXPECT_EQ(res, r.result) << r.text;
    if (res == 0) {
      EXPECT_EQ(t64, r.seconds) << r.text;
      EXPECT_EQ(t32, asn1_time_saturate(r.seconds)) << r.text;
    } else {
      EXPECT_EQ(t64, 99) << "output unchanged on failure";
    }
  }
}

TEST(TimeTest, Saturation) {
  int64_t t64;
  int32_t t32;
  ASSERT_EQ(Decode(0x18, "20450101000000Z", &t64, &t32), 0);
  EXPECT_EQ(t32, INT32_MAX);
  ASSERT_EQ(Decode(0x18, "18000101000000Z", &t64, &t32), 0);
  EXPECT_EQ(t32, INT32_MIN);
  EXPECT_EQ(asn1_time_saturate(INT64_MAX), INT32_MAX);
  EXPECT_EQ(asn1_time_saturate(INT64_MIN), INT32_MIN);
  EXPECT_EQ(asn1_time_saturate(-5), -5);
}

TEST(TimeTest, EncodeForms) {
  struct Row {
    int32_t t;
    const char* der;
  } rows[] = {
      {0, "170D 3730303130313030303030305A"},
      {INT32_MAX, "170D 3338303131393033313430375A"},
      {INT32_MIN, "180F 31393031313231333230343535325A"},
      {-631152000, "170D 3530303130313030303030305A"},     // 1950-01-01: UTCTime
      {-631152001, "180F 31393439313233313233353935395A"},  // 1949-12-31T23:59:59
      {951782400, "170D 3030303232393030303030305A"},
      {-1, "170D 3639313233313233353935395A"},
  };
  for (const Row& r : rows) {
    Owned o;
    ASSERT_EQ(asn1_der_encode_time(r.t, &o.b), 0);
    EXPECT_EQ(ToHex(o.b), Norm(r.der)) << r.t;
    Buffer d = o.b;
    int32_t back;
    ASSERT_EQ(asn1_decode_time(&d, &back), 0);
    EXPECT_EQ(back, r.t);
  }
}

TEST(TimeTest, EncodeDecodeEverySecondStep) {
  // Every 7777th second across the whole 32-bit range round-trips.
  for (int64_t t = INT32_MIN; t <= INT32_MAX; t += 7777 * 97) {
    Owned o;
    ASSERT_EQ(asn1_der_encode_time(static_cast<int32_t>(t), &o.b), 0);
    int32_t back;
    ASSERT_EQ(asn1_decode_time(&o.b, &back), 0);
    ASSERT_EQ(back, t);
  }
}

TEST(TimeTest, CivilSeconds) {
  EXPECT_EQ(asn1_civil_to_seconds(1970, 1, 1, 0, 0, 0), 0);
  EXPECT_EQ(asn1_civil_to_seconds(2038, 1, 19, 3, 14, 7), INT32_MAX);
  EXPECT_EQ(asn1_civil_to_seconds(1901, 12, 13, 20, 45, 52), INT32_MIN);
  EXPECT_EQ(asn1_civil_to_seconds(1600, 3, 1, 0, 0, 0), -11670912000LL);
}

}  // namespace
}  // namespace x509asn_test
