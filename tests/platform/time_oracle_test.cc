// Times against OpenSSL: the same texts accepted, the same seconds.
#include <gtest/gtest.h>
#include <openssl/asn1.h>

#include <random>
#include <string>

#include "test_util.h"

namespace x509asn_test {
namespace {

// OpenSSL's reading of a time text: 1 and the seconds, or 0.
int OpenSslTime(int tag, const std::string& text, int64_t* out) {
  ASN1_STRING* s = ASN1_STRING_type_new(tag == 0x17 ? V_ASN1_UTCTIME : V_ASN1_GENERALIZEDTIME);
  ASN1_STRING_set(s, text.data(), static_cast<int>(text.size()));
  struct tm tm;
  std::memset(&tm, 0, sizeof tm);
  int ok = ASN1_TIME_to_tm(s, &tm);
  ASN1_STRING_free(s);
  if (ok != 1) return 0;
  *out = asn1_civil_to_seconds(static_cast<int64_t>(tm.tm_year) + 1900, static_cast<unsigned>(tm.tm_mon + 1),
                               static_cast<unsigned>(tm.tm_mday), static_cast<unsigned>(tm.tm_hour),
                               static_cast<unsigned>(tm.tm_min), static_cast<unsigned>(tm.tm_sec));
  return 1;
}

int OursTime(int tag, const std::string& text, int64_t* out, int32_t* out32) {
  std::vector<uint8_t> v = {static_cast<uint8_t>(tag), static_cast<uint8_t>(text.size())};
  v.insert(v.end(), text.begin(), text.end());
  Bytes in(v);
  Buffer b = in.View(), c = in.View();
  int r = asn1_decode_time64(&b, out);
  EXPECT_EQ(asn1_decode_time(&c, out32), r);
  return r;
}

std::string Two(unsigned v) {
  char s[3] = {static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10), 0};
  return s;
}

// Texts near the valid forms: random fields (in and out of range), optional
// seconds, fractions and zones, then random single-character damage.
std::string Candidate(std::mt19937& rng, int tag) {
  auto pick = [&](unsigned n) { return static_cast<unsigned>(rng() % n); };
  std::string s;
  if (tag == 0x18) s += Two(pick(100));
  s += Two(pick(100));
  s += Two(pick(14));
  s += Two(pick(33));
  s += Two(pick(25));
  s += Two(pick(61));
  if (pick(4) != 0) s += Two(pick(62));
  if (tag == 0x18 && pick(4) == 0) {
    s += ".";
    for (unsigned i = pick(4); i > 0; --i) s += static_cast<char>('0' + pick(10));
  }
  switch (pick(5)) {
    case 0: break;
    case 1: case 2: s += "Z"; break;
    default:
      s += pick(2) ? "+" : "-";
      s += Two(pick(14));
      s += Two(pick(61));
      break;
  }
  if (pick(5) == 0 && !s.empty()) {
    static const char kAlphabet[] = "0123456789Z+-. a";
    s[pick(static_cast<unsigned>(s.size()))] = kAlphabet[pick(sizeof kAlphabet - 1)];
  }
  if (pick(10) == 0 && !s.empty()) s.erase(pick(static_cast<unsigned>(s.size())), 1);
  if (pick(10) == 0) s += "0";
  return s;
}

TEST(TimeOracleTest, TextsAgreeWithOpenSsl) {
  std::mt19937 rng(2038);
  int accepted = 0, total = 0, skipped = 0;
  for (int i = 0; i < 40000; ++i) {
    int tag = (i & 1) ? 0x18 : 0x17;
    std::string text = Candidate(rng, tag);
    int64_t want = 0, got = 0;
    int32_t got32 = 0;
    int ok = OpenSslTime(tag, text, &want);
    int r = OursTime(tag, text, &got, &got32);
    ++total;
    // OpenSSL applies an offset only when the result lies in the years
    // 1900 to 9999 (OPENSSL_gmtime_adj); we apply it to any year.
    bool offset = text.find_first_of("+-") != std::string::npos;
    if (offset && r == 0 && !ok &&
        (got < asn1_civil_to_seconds(1900, 1, 1, 0, 0, 0) || got >= asn1_civil_to_seconds(10000, 1, 1, 0, 0, 0))) {
      ++skipped;
      continue;
    }
    ASSERT_EQ(r == 0, ok == 1) << tag << " '" << text << "' ours " << r;
    if (ok) {
      ++accepted;
      ASSERT_EQ(got, want) << text;
      ASSERT_EQ(got32, asn1_time_saturate(want)) << text;
    }
  }
  EXPECT_GT(accepted, total / 10);  // the generator reaches both outcomes
  EXPECT_LT(accepted, total);
  EXPECT_LT(skipped, total / 10);
}

TEST(TimeOracleTest, EncodingAgreesWithOpenSsl) {
  std::mt19937 rng(1901);
  for (int i = 0; i < 20000; ++i) {
    int32_t t = static_cast<int32_t>(rng());
    if (i < 4) t = i == 0 ? INT32_MIN : i == 1 ? INT32_MAX : i == 2 ? 0 : -1;
    ASN1_TIME* at = ASN1_TIME_set(nullptr, static_cast<time_t>(t));
    ASSERT_NE(at, nullptr);
    unsigned char* der = nullptr;
    int n = i2d_ASN1_TIME(at, &der);
    ASSERT_GT(n, 0);
    Owned o;
    ASSERT_EQ(asn1_der_encode_time(t, &o.b), 0);
    EXPECT_EQ(ToHex(o.b), ToHex(der, static_cast<size_t>(n))) << t;
    OPENSSL_free(der);
    ASN1_TIME_free(at);
  }
}

}  // namespace
}  // namespace x509asn_test
