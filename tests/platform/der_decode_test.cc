// DER decoding: element headers, definite and indefinite lengths, the typed
// decoders; every truncation and trailing-garbage case in one table.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "test_util.h"

namespace x509asn_test {
namespace {

// A decoder under test: runs on b, fills out (hex of what it delivers).
struct Decoder {
  const char* name;
  std::function<int(Buffer*, std::string*)> run;
};

Decoder DerDecode(unsigned char tag) {
  return {"asn1_der_decode", [tag](Buffer* b, std::string* out) {
            int r = asn1_der_decode(tag, b);
            *out = "";
            return r;
          }};
}
Decoder Primitive(unsigned char tag) {
  return {"asn1_decode_primitive", [tag](Buffer* b, std::string* out) {
            Buffer v;
            init_buffer(&v);
            int r = asn1_decode_primitive(tag, b, &v);
            *out = ToHex(v);
            return r;
          }};
}
const Decoder kInteger = {"asn1_decode_integer", [](Buffer* b, std::string* out) {
                            Buffer v;
                            init_buffer(&v);
                            int r = asn1_decode_integer(b, &v);
                            *out = ToHex(v);
                            return r;
                          }};
const Decoder kBits = {"asn1_decode_bit_string", [](Buffer* b, std::string* out) {
                         Buffer v;
                         init_buffer(&v);
                         int r = asn1_decode_bit_string(b, &v);
                         *out = ToHex(v);
                         return r;
                       }};
const Decoder kAny = {"asn1_decode_any_type", [](Buffer* b, std::string* out) {
                        Buffer v;
                        init_buffer(&v);
                        int r = asn1_decode_any_type(b, &v);
                        *out = ToHex(v);
                        return r;
                      }};
const Decoder kTime = {"asn1_decode_time", [](Buffer* b, std::string* out) {
                         int32_t t = 12345;
                         int r = asn1_decode_time(b, &t);
                         *out = std::to_string(t);
                         return r;
                       }};
const Decoder kAlgid = {"x509_parse_algid", [](Buffer* b, std::string* out) {
                          Buffer oid, params;
                          init_buffer(&oid);
                          init_buffer(&params);
                          int r = x509_parse_algid(b, &oid, &params);
                          *out = ToHex(oid) + "/" + ToHex(params);
                          return r;
                        }};
const Decoder kReadLength = {"asn1_read_length", [](Buffer* b, std::string* out) {
                               uint32_t len = 777;
                               int r = asn1_read_length(b, &len);
                               *out = std::to_string(len);
                               return r;
                             }};

struct Case {
  Decoder dec;
  const char* input;
  int result;
  const char* out;    // expected delivery on success (hex, or decimal for times)
  uint32_t consumed;  // octets stepped over on success
};

const Case kCases[] = {
    // asn1_der_decode: header only, content stays.
    {DerDecode(0x30), "30 03 02 01 05", 3, "", 2},
    {DerDecode(0x30), "30 00", 0, "", 2},
    {DerDecode(0x30), "30 80 02 01 05 00 00", X509ASN_INDEFINITE, "", 2},
    {DerDecode(0x30), "31 00", X509ASN_E_TAG, "", 0},
    {DerDecode(0x30), "", X509ASN_E_SHORT, "", 0},
    {DerDecode(0x30), "30", X509ASN_E_SHORT, "", 0},
    {DerDecode(0x30), "30 03 02 01", X509ASN_E_SHORT, "", 0},
    {DerDecode(0x30), "30 81 05 0102030405", X509ASN_E_LENGTH, "", 0},  // short form would do
    {DerDecode(0x30), "30 82 00 80", X509ASN_E_LENGTH, "", 0},          // leading zero octet
    {DerDecode(0x30), "30 85 0000000001 00", X509ASN_E_LENGTH, "", 0},  // five length octets
    {DerDecode(0x30), "30 FF", X509ASN_E_LENGTH, "", 0},                // reserved
    {DerDecode(0x30), "30 84 80000000", X509ASN_E_LENGTH, "", 0},       // above INT32_MAX
    {DerDecode(0x30), "30 84 7FFFFFFF", X509ASN_E_SHORT, "", 0},
    {DerDecode(0x30), "30 82 01", X509ASN_E_SHORT, "", 0},
    {DerDecode(0x04), "04 80 00 00", X509ASN_E_INDEF, "", 0},           // primitive, indefinite
    {DerDecode(0x30), "1F 01 00", X509ASN_E_TAG, "", 0},
    // asn1_decode_primitive: whole element, content delivered.
    {Primitive(0x04), "04 03 010203", 3, "010203", 5},
    {Primitive(0x04), "04 00", 0, "", 2},
    {Primitive(0x30), "30 80 02 01 05 00 00", 3, "020105", 7},
    {Primitive(0x30), "30 80 30 80 00 00 00 00", 4, "30800000", 8},
    {Primitive(0x30), "30 80 02 01 05", X509ASN_E_SHORT, "", 0},   // no end of contents
    {Primitive(0x30), "30 80 02 01 05 00 01", X509ASN_E_EOC, "", 0},
    {Primitive(0x30), "30 80 02 01 05 00", X509ASN_E_SHORT, "", 0},
    {Primitive(0x30), "30 80 04 80 00 00 00 00", X509ASN_E_INDEF, "", 0},
    {Primitive(0x30), "30 80 1F 01 00 00 00", X509ASN_E_TAGFORM, "", 0},
    {Primitive(0x04), "05 00", X509ASN_E_TAG, "", 0},
    {Primitive(0x1F), "1F 01 00", X509ASN_E_TAGFORM, "", 0},
    // INTEGER
    {kInteger, "02 01 05", 1, "05", 3},
    {kInteger, "02 01 00", 1, "00", 3},
    {kInteger, "02 01 FF", 1, "FF", 3},
    {kInteger, "02 02 00 80", 2, "0080", 4},
    {kInteger, "02 02 FF 7F", 2, "FF7F", 4},
    {kInteger, "02 09 00 FF FF FF FF FF FF FF FF", 9, "00FFFFFFFFFFFFFFFF", 11},
    {kInteger, "02 00", X509ASN_E_VALUE, "", 0},
    {kInteger, "02 02 00 7F", X509ASN_E_VALUE, "", 0},
    {kInteger, "02 02 FF 80", X509ASN_E_VALUE, "", 0},
    {kInteger, "22 03 02 01 05", X509ASN_E_TAG, "", 0},
    {kInteger, "02 80 00 00", X509ASN_E_INDEF, "", 0},
    // BIT STRING
    {kBits, "03 02 00 80", 1, "80", 4},
    {kBits, "03 02 07 80", 1, "80", 4},
    {kBits, "03 01 00", 0, "", 3},
    {kBits, "03 00", X509ASN_E_VALUE, "", 0},
    {kBits, "03 01 01", X509ASN_E_VALUE, "", 0},
    {kBits, "03 02 08 00", X509ASN_E_VALUE, "", 0},
    {kBits, "23 80 03 02 00 80 00 00", X509ASN_E_TAG, "", 0},
    // any element
    {kAny, "05 00", 2, "0500", 2},
    {kAny, "A0 03 02 01 02", 5, "A003020102", 5},
    {kAny, "30 80 30 80 00 00 00 00", 8, "3080308000000000", 8},
    {kAny, "30 80 04 01 AA 30 02 05 00 00 00", 11, "308004 01AA30020500 0000", 11},
    {kAny, "00 00", X509ASN_E_TAG, "", 0},
    {kAny, "1F 81 00 00", X509ASN_E_TAGFORM, "", 0},
    // times (see time_test.cc for the text rules)
    {kTime, "17 0D 373030313031303030303030 5A", 0, "0", 15},
    {kTime, "18 0F 3230333830313139303331343038 5A", 0, "2147483647", 17},
    {kTime, "17 0D 373030313031303030303030 5B", X509ASN_E_VALUE, "", 0},
    {kTime, "37 80 00 00", X509ASN_E_INDEF, "", 0},
    {kTime, "04 00", X509ASN_E_TAG, "", 0},
    // AlgorithmIdentifier
    {kAlgid, "30 0D 06 09 2A864886F70D01010B 05 00", 0, "2A864886F70D01010B/0500", 15},
    {kAlgid, "30 0B 06 09 2A864886F70D01010B", 0, "2A864886F70D01010B/", 13},
    {kAlgid, "30 80 06 03 2B0E03 05 00 00 00", 0, "2B0E03/0500", 11},
    {kAlgid, "30 09 06 03 2B0E03 05 00 05 00", X509ASN_E_TRAILING, "", 0},
    {kAlgid, "30 05 04 03 2B0E03", X509ASN_E_TAG, "", 0},
    {kAlgid, "30 05 06 03 2B0E83", X509ASN_E_VALUE, "", 0},
    {kAlgid, "30 05 06 03 802B0E", X509ASN_E_VALUE, "", 0},
    {kAlgid, "30 02 06 00", X509ASN_E_VALUE, "", 0},
    {kAlgid, "30 06 06 03 2B0E03 05", X509ASN_E_SHORT, "", 0},
    {kAlgid, "31 00", X509ASN_E_TAG, "", 0},
    // length octets alone
    {kReadLength, "05 0102030405", 1, "5", 1},
    {kReadLength, "05 01", X509ASN_E_SHORT, "", 0},
    {kReadLength, "81 80", X509ASN_E_SHORT, "", 0},
    {kReadLength, "80", 0, "0", 1},
    {kReadLength, "81 7F", X509ASN_E_LENGTH, "", 0},
};

TEST(DerDecodeTest, Table) {
  for (const Case& c : kCases) {
    Bytes in(c.input);
    Buffer b = in.View();
    std::string out;
    int r = c.dec.run(&b, &out);
    SCOPED_TRACE(std::string(c.dec.name) + " on " + c.input);
    EXPECT_EQ(r, c.result);
    if (r >= 0 && r != X509ASN_INDEFINITE) {
      bool decimal = c.dec.name == std::string("asn1_decode_time") ||
                     c.dec.name == std::string("asn1_read_length") ||
                     c.dec.name == std::string("x509_parse_algid");
      EXPECT_EQ(out, decimal ? std::string(c.out) : Norm(c.out));
    }
    if (r >= 0 || r == X509ASN_INDEFINITE) {
      EXPECT_EQ(b.data - in.data(), static_cast<ptrdiff_t>(c.consumed));
      EXPECT_EQ(b.len, in.size() - c.consumed);
    } else {
      EXPECT_EQ(b.data, in.data()) << "a failure must not consume";
      EXPECT_EQ(b.len, in.size());
    }
  }
}

TEST(DerDecodeTest, LongLengthForms) {
  // 81 80: 128 octets; 82 01 00: 256 octets; 83 01 00 00: 65536 octets.
  for (uint32_t n : {128u, 255u, 256u, 65535u, 65536u}) {
    std::vector<uint8_t> v = {0x04};
    if (n < 256) {
      v.insert(v.end(), {0x81, static_cast<uint8_t>(n)});
    } else if (n < 65536) {
      v.insert(v.end(), {0x82, static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
    } else {
      v.insert(v.end(), {0x83, static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
                         static_cast<uint8_t>(n)});
    }
    v.resize(v.size() + n, 0xAB);
    Bytes in(v);
    Buffer b = in.View(), out;
    EXPECT_EQ(asn1_decode_primitive(0x04, &b, &out), static_cast<int>(n));
    EXPECT_EQ(b.len, 0u);
    Bytes len_only(std::vector<uint8_t>(v.begin() + 1, v.end()));
    Buffer l = len_only.View();
    EXPECT_EQ(asn1_get_length(&l), n);
  }
}

// Length octets: every form through each path that reads them (the element
// header of asn1_der_decode for a constructed and a primitive identifier,
// asn1_read_length, asn1_get_length), which must agree. A definite length
// gets its content (filled with 5A) after the length octets.
TEST(DerDecodeTest, LengthForms) {
  struct Row {
    const char* length;  // the length octets
    uint32_t content;    // content octets that follow
    int result;          // asn1_read_length: 1 definite, 0 indefinite, or the code
    uint32_t value;      // the length value on success
  } rows[] = {
      {"00", 0, 1, 0},
      {"05", 5, 1, 5},
      {"7F", 127, 1, 127},
      {"80", 0, 0, 0},                        // indefinite
      {"81 80", 128, 1, 128},
      {"81 FF", 255, 1, 255},
      {"81 7F", 127, X509ASN_E_LENGTH, 0},    // short form would do
      {"81 00", 0, X509ASN_E_LENGTH, 0},
      {"82 01 00", 256, 1, 256},
      {"82 00 FF", 255, X509ASN_E_LENGTH, 0}, // leading zero octet
      {"83 01 00 00", 65536, 1, 65536},
      {"83 00 01 00", 256, X509ASN_E_LENGTH, 0},
      {"84 00 00 01 00", 256, X509ASN_E_LENGTH, 0},  // four octets with a leading zero
      {"84 7F FF FF FF", 0, X509ASN_E_SHORT, 0},     // above what remains
      {"84 80 00 00 00", 0, X509ASN_E_LENGTH, 0},    // above INT32_MAX
      {"84 FF FF FF FF", 0, X509ASN_E_LENGTH, 0},
      {"85 00 00 00 01 00", 256, X509ASN_E_LENGTH, 0},  // five octets
      {"85 01 00 00 00 00", 0, X509ASN_E_LENGTH, 0},
      {"88 00 00 00 00 00 00 00 01", 1, X509ASN_E_LENGTH, 0},
      {"FF", 0, X509ASN_E_LENGTH, 0},           // reserved
      {"", 0, X509ASN_E_SHORT, 0},
      {"81", 0, X509ASN_E_SHORT, 0},
      {"82 01", 0, X509ASN_E_SHORT, 0},
      {"84 00 00 01", 0, X509ASN_E_SHORT, 0},
      {"05", 4, X509ASN_E_SHORT, 0},          // content cut short
      {"82 01 00", 255, X509ASN_E_SHORT, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string("length ") + row.length + ", " + std::to_string(row.content) + " content octets");
    std::vector<uint8_t> len = Hex(row.length), v = len;
    v.resize(v.size() + row.content, 0x5A);
    uint32_t used = row.result >= 0 ? static_cast<uint32_t>(len.size()) : 0;

    Bytes in(v);
    Buffer b = in.View();
    uint32_t value = 777;
    EXPECT_EQ(asn1_read_length(&b, &value), row.result);
    EXPECT_EQ(b.len, v.size() - used);
    EXPECT_EQ(value, row.result >= 0 ? row.value : 777u);

    Buffer g = in.View();
    EXPECT_EQ(asn1_get_length(&g), row.result == 1 ? row.value : 0u);
    EXPECT_EQ(g.len, v.size() - (row.result == 1 ? used : 0));

    // The same octets as the length of an element header.
    for (uint8_t tag : {0x30, 0x04}) {
      std::vector<uint8_t> e = {tag};
      e.insert(e.end(), v.begin(), v.end());
      Bytes el(e);
      Buffer h = el.View();
      int want = row.result == 1 ? static_cast<int>(row.value)
                 : row.result == 0 ? (tag == 0x30 ? X509ASN_INDEFINITE : X509ASN_E_INDEF)
                                   : row.result;
      EXPECT_EQ(asn1_der_decode(tag, &h), want) << "identifier " << int(tag);
      bool moved = want >= X509ASN_INDEFINITE;
      EXPECT_EQ(h.len, e.size() - (moved ? 1 + used : 0)) << "identifier " << int(tag);
    }
  }
}

TEST(DerDecodeTest, GetLengthFailureAndZero) {
  Bytes zero("00"), bad("81 05 00"), indef("80 00 00");
  Buffer z = zero.View(), b = bad.View(), i = indef.View();
  EXPECT_EQ(asn1_get_length(&z), 0u);
  EXPECT_EQ(z.len, 0u);  // a genuine zero length steps over its octet
  EXPECT_EQ(asn1_get_length(&b), 0u);
  EXPECT_EQ(b.len, 3u);  // failure: unchanged
  EXPECT_EQ(asn1_get_length(&i), 0u);
  EXPECT_EQ(i.len, 3u);
}

TEST(DerDecodeTest, PeekAndEndOfContents) {
  Bytes x("00 00 05"), e("");
  Buffer b = x.View(), eb = e.View();
  EXPECT_EQ(asn1_peek_tag(&b), 0);
  EXPECT_EQ(asn1_is_eoc(&b), 1);
  shift_buffer(&b, 2);
  EXPECT_EQ(asn1_peek_tag(&b), 5);
  EXPECT_EQ(asn1_is_eoc(&b), 0);
  EXPECT_EQ(asn1_peek_tag(&eb), X509ASN_E_SHORT);
  EXPECT_EQ(asn1_peek_tag(nullptr), X509ASN_E_ARG);
}

// Indefinite lengths nested to the limit and one deeper.
TEST(DerDecodeTest, NestingLimit) {
  for (int depth : {1, X509ASN_MAX_DEPTH, X509ASN_MAX_DEPTH + 1, 10000}) {
    std::vector<uint8_t> v;
    for (int i = 0; i < depth; ++i) v.insert(v.end(), {0x30, 0x80});
    for (int i = 0; i < depth; ++i) v.insert(v.end(), {0x00, 0x00});
    Bytes in(v);
    Buffer b = in.View(), out;
    int r = asn1_decode_any_type(&b, &out);
    if (depth <= X509ASN_MAX_DEPTH) {
      EXPECT_EQ(r, static_cast<int>(v.size())) << depth;
    } else {
      EXPECT_EQ(r, X509ASN_E_DEPTH) << depth;
    }
  }
  // Definite lengths are stepped over without descending: any depth.
  std::vector<uint8_t> v = {0x05, 0x00};
  for (int i = 0; i < 100; ++i) {
    std::vector<uint8_t> w = {0x30, static_cast<uint8_t>(0x82), static_cast<uint8_t>(v.size() >> 8),
                              static_cast<uint8_t>(v.size())};
    if (v.size() < 256) w = {0x30, 0x81, static_cast<uint8_t>(v.size())};
    if (v.size() < 128) w = {0x30, static_cast<uint8_t>(v.size())};
    w.insert(w.end(), v.begin(), v.end());
    v = w;
  }
  Bytes in(v);
  Buffer b = in.View();
  EXPECT_EQ(asn1_decode_any_type(&b, nullptr), static_cast<int>(v.size()));
}

TEST(DerDecodeTest, NullArguments) {
  Buffer out;
  EXPECT_EQ(asn1_der_decode(0x30, nullptr), X509ASN_E_ARG);
  EXPECT_EQ(asn1_decode_primitive(4, nullptr, &out), X509ASN_E_ARG);
  EXPECT_EQ(asn1_decode_integer(nullptr, &out), X509ASN_E_ARG);
  EXPECT_EQ(asn1_decode_bit_string(nullptr, &out), X509ASN_E_ARG);
  EXPECT_EQ(asn1_decode_any_type(nullptr, &out), X509ASN_E_ARG);
  EXPECT_EQ(asn1_decode_time(nullptr, nullptr), X509ASN_E_ARG);
  EXPECT_EQ(x509_parse_algid(nullptr, nullptr, nullptr), X509ASN_E_ARG);
  EXPECT_EQ(asn1_get_length(nullptr), 0u);
  // Outputs are optional.
  Bytes in("02 01 05 03 02 00 80 04 01 AA 05 00");
  Buffer b = in.View();
  EXPECT_EQ(asn1_decode_integer(&b, nullptr), 1);
  EXPECT_EQ(asn1_decode_bit_string(&b, nullptr), 1);
  EXPECT_EQ(asn1_decode_primitive(4, &b, nullptr), 1);
  EXPECT_EQ(asn1_decode_any_type(&b, nullptr), 2);
  EXPECT_EQ(b.len, 0u);
}

// Every valid element of each decoder, cut short at every length, fails
// without consuming; followed by garbage, it decodes the same and leaves the
// garbage.
struct Valid {
  Decoder dec;
  const char* input;
};

const Valid kValid[] = {
    {Primitive(0x04), "04 03 010203"},
    {Primitive(0x04), "04 81 80" /* filled below */},
    {Primitive(0x30), "30 80 02 01 05 30 80 04 00 00 00 00 00"},
    {DerDecode(0x30), "30 82 0100"},
    {kInteger, "02 03 00 FF 01"},
    {kBits, "03 03 06 FF C0"},
    {kAny, "A3 80 30 80 06 03 551D0F 01 01 FF 04 04 03020186 00 00 00 00"},
    {kAny, "30 0A 30 08 06 03 550403 0C 01 41"},
    {kTime, "17 0D 3439313233313233353935395A"},
    {kTime, "18 13 32303530303130313030303030302E3132335A"},
    {kTime, "17 11 3730303130313030303030302B30313030"},
    {kAlgid, "30 0D 06 09 2A864886F70D01010B 05 00"},
    {kAlgid, "30 80 06 07 2A8648CE380401 30 80 02 01 01 00 00 00 00"},
    {kReadLength, "83 010000"},
};

std::vector<uint8_t> Expand(const Valid& v) {
  std::vector<uint8_t> in = Hex(v.input);
  // Give declared definite lengths their content.
  if (in.size() >= 3 && in[1] == 0x81 && in.size() == 3) in.resize(3 + in[2], 0x5A);
  if (in.size() == 4 && in[1] == 0x82) in.resize(4 + (in[2] << 8 | in[3]), 0x5A);
  if (in.size() == 4 && in[0] == 0x83) in.resize(4 + (in[1] << 16 | in[2] << 8 | in[3]), 0x5A);
  return in;
}

TEST(DerDecodeTest, EveryTruncationAndTrailingGarbage) {
  for (const Valid& v : kValid) {
    std::vector<uint8_t> full = Expand(v);
    SCOPED_TRACE(std::string(v.dec.name) + " on " + v.input);
    Bytes whole(full);
    Buffer wb = whole.View();
    std::string want;
    int want_r = v.dec.run(&wb, &want);
    ASSERT_TRUE(want_r >= 0 || want_r == X509ASN_INDEFINITE) << want_r;
    uint32_t consumed = static_cast<uint32_t>(full.size()) - wb.len;
    bool header_only = std::string(v.dec.name) == "asn1_der_decode" ||
                       std::string(v.dec.name) == "asn1_read_length";
    if (!header_only) {
      EXPECT_EQ(consumed, full.size());
    }
    for (size_t cut = 0; cut < full.size(); ++cut) {
      // Long inputs: every cut in the first and the last 300 octets.
      if (cut == 300 && full.size() > 700) cut = full.size() - 300;
      Bytes part(std::vector<uint8_t>(full.begin(), full.begin() + cut));
      Buffer b = part.View();
      std::string out;
      int r = v.dec.run(&b, &out);
      EXPECT_LT(r, X509ASN_INDEFINITE) << "cut at " << cut;
      EXPECT_EQ(b.len, cut) << "cut at " << cut;
      EXPECT_EQ(r, X509ASN_E_SHORT) << "cut at " << cut;
    }
    for (const char* garbage : {"00", "FF", "0000", "3000", "02 01 05"}) {
      std::vector<uint8_t> g = full, tail = Hex(garbage);
      g.insert(g.end(), tail.begin(), tail.end());
      Bytes in(g);
      Buffer b = in.View();
      std::string out;
      int r = v.dec.run(&b, &out);
      EXPECT_EQ(r, want_r) << "garbage " << garbage;
      EXPECT_EQ(out, want) << "garbage " << garbage;
      EXPECT_EQ(b.len, g.size() - consumed) << "garbage " << garbage;
    }
  }
}

}  // namespace
}  // namespace x509asn_test
