// Names as text (x509_parse_name), value escaping and the keyword tables.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <strings.h>

#include "dn_reader.h"
#include "test_util.h"

namespace x509asn_test {
namespace {

// DER of a Name with one RDN per (oid hex, tag, value hex) triple.
std::string Dn(std::initializer_list<std::tuple<const char*, int, std::string>> attrs) {
  std::vector<uint8_t> body;
  for (const auto& a : attrs) {
    std::vector<uint8_t> oid = Hex(std::get<0>(a)), val = Hex(std::get<2>(a));
    std::vector<uint8_t> atv = {0x06, static_cast<uint8_t>(oid.size())};
    atv.insert(atv.end(), oid.begin(), oid.end());
    atv.push_back(static_cast<uint8_t>(std::get<1>(a)));
    atv.push_back(static_cast<uint8_t>(val.size()));
    atv.insert(atv.end(), val.begin(), val.end());
    std::vector<uint8_t> set = {0x31, static_cast<uint8_t>(atv.size() + 2), 0x30,
                                static_cast<uint8_t>(atv.size())};
    set.insert(set.end(), atv.begin(), atv.end());
    body.insert(body.end(), set.begin(), set.end());
  }
  std::vector<uint8_t> out = {0x30, static_cast<uint8_t>(body.size())};
  out.insert(out.end(), body.begin(), body.end());
  return ToHex(out);
}

std::string HexOf(const std::string& s) { return ToHex(reinterpret_cast<const uint8_t*>(s.data()), s.size()); }

std::string Render(const std::string& hex, int mode, int* result = nullptr) {
  Bytes in(hex);
  Buffer der = in.View();
  Owned text;
  int r = x509_parse_name(&der, &text.b, mode);
  if (result) *result = r;
  if (r < 0) return "<" + std::to_string(r) + ">";
  EXPECT_EQ(r, static_cast<int>(text.b.len));
  EXPECT_EQ(text.b.data[text.b.len], 0) << "zero octet after the text";
  return Str(text.b);
}

const char kCN[] = "550403";

TEST(NameTextTest, DistinguishedNames) {
  struct Row {
    std::string der;
    const char* mode1;
    const char* mode3;
  } rows[] = {
      {"30 32 310B300906035504061302 5553 3116300906035504 0A0C024578 300906035504 0B0C025574"
       "310B300906035504030C02612E",
       "C=US, O=Ex+OU=Ut, CN=a.", "C=US, O=Ex+OU=Ut, CN=a."},
      {"3000", "", ""},
      {Dn({{kCN, 0x0C, HexOf("a,b+c\"d\\e#f;g<h>i=j")}}), "CN=a\\,b\\+c\\\"d\\\\e\\#f\\;g\\<h\\>i\\=j",
       "CN=a\\,b\\+c\\\"d\\\\e\\#f\\;g\\<h\\>i\\=j"},
      {Dn({{kCN, 0x13, HexOf(" a b ")}}), "CN=\\20a b\\20", "CN=\\20a b\\20"},
      {Dn({{kCN, 0x13, HexOf(" ")}}), "CN=\\20", "CN=\\20"},
      {Dn({{kCN, 0x0C, ""}}), "CN=", "CN="},
      {Dn({{kCN, 0x16, "610A62097F00"}}), "CN=a\\0Ab\\09\\7F\\00", "CN=a\\0Ab\\09\\7F\\00"},
      {Dn({{kCN, 0x0C, "C3A9"}}), "CN=\\C3\\A9", "CN=\xC3\xA9"},
      {Dn({{kCN, 0x1E, "00E9"}}), "CN=\\C3\\A9", "CN=\xC3\xA9"},
      {Dn({{kCN, 0x1E, "D83DDE00"}}), "CN=\\F0\\9F\\98\\80", "CN=\xF0\x9F\x98\x80"},
      {Dn({{kCN, 0x1E, "D83D"}}), "CN=#1E02D83D", "CN=#1E02D83D"},
      {Dn({{kCN, 0x1E, "00"}}), "CN=#1E0100", "CN=#1E0100"},
      {Dn({{kCN, 0x1C, "000000E9"}}), "CN=\\C3\\A9", "CN=\xC3\xA9"},
      {Dn({{kCN, 0x1C, "00110000"}}), "CN=#1C0400110000", "CN=#1C0400110000"},
      {Dn({{kCN, 0x14, "E9"}}), "CN=\\C3\\A9", "CN=\xC3\xA9"},
      {Dn({{kCN, 0x13, "E9"}}), "CN=#1301E9", "CN=#1301E9"},
      {Dn({{kCN, 0x0C, "C328"}}), "CN=#0C02C328", "CN=#0C02C328"},
      {Dn({{kCN, 0x0C, "EDA080"}}), "CN=#0C03EDA080", "CN=#0C03EDA080"},  // a surrogate in UTF-8
      {Dn({{kCN, 0x02, "05"}}), "CN=#020105", "CN=#020105"},
      {Dn({{"2A0304", 0x0C, "78"}}), "1.2.3.4=#0C0178", "1.2.3.4=#0C0178"},
      {Dn({{"2A864886F70D010902", 0x16, "78"}}), "1.2.840.113549.1.9.2=#160178",
       "1.2.840.113549.1.9.2=#160178"},
      {Dn({{"550406", 0x13, "5255"}, {"2A864886F70D010901", 0x16, HexOf("a@b")},
           {"0992268993F22C640119", 0x16, HexOf("com")}, {"550405", 0x13, HexOf("123")},
           {"550461", 0x0C, HexOf("VATDE-1")}}),
       "C=RU, emailAddress=a@b, DC=com, serialNumber=123, organizationIdentifier=VATDE-1",
       "C=RU, emailAddress=a@b, DC=com, serialNumber=123, organizationIdentifier=VATDE-1"},
      // Indefinite-length value: the hex form carries a DER length.
      {"30 80 31 80 30 80 06 03 550403 2C 80 0C 01 41 00 00 00 00 00 00 00 00", "CN=#2C030C0141",
       "CN=#2C030C0141"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(Render(r.der, 1), r.mode1) << r.der;
    EXPECT_EQ(Render(r.der, 3), r.mode3) << r.der;
    // Both texts read back (the text parser's rules) into the same attributes, with
    // the attribute types and the value octets of the name.
    std::vector<ReadAttr> b1, b3;
    ASSERT_EQ(DnReader().Read(r.mode1, &b1), 0) << r.mode1;
    ASSERT_EQ(DnReader().Read(r.mode3, &b3), 0) << r.mode3;
    ASSERT_EQ(b1.size(), b3.size());
    Bytes in(r.der);
    Buffer name = in.View(), type, value;
    x509_walk_state_t st;
    unsigned char tag;
    size_t i = 0;
    for (int w = x509_dn_gfra(&st, &name, &tag, &type, &value); w == 1; w = x509_dn_gnra(&st, &tag, &type, &value), ++i) {
      ASSERT_LT(i, b1.size());
      EXPECT_EQ(b1[i].oid, Str(type));
      EXPECT_EQ(b1[i].value, b3[i].value);
      EXPECT_EQ(b1[i].type, b3[i].type);
      bool hex = std::string(r.mode1).find("=#") != std::string::npos;
      if (hex || tag == 0x13 || tag == 0x16) {
        // Hex form, or ASCII text: the very octets (trailing blanks aside).
        std::string want = Str(value);
        if (!hex || b1[i].type != 4)
          while (!want.empty() && want.back() == ' ') want.pop_back();
        EXPECT_EQ(b1[i].value, want) << r.mode1;
        if (hex) {
          EXPECT_EQ(b1[i].type, tag);
        }
      }
    }
    EXPECT_EQ(i, b1.size());
  }
}

TEST(NameTextTest, GeneralNames) {
  struct Row {
    const char* der;
    const char* mode3;
  } rows[] = {
      // email, DNS, IP, URI, then the directory name last: written inline.
      {"30 28 81 03 614062 82 03 782E79 87 04 0A000001 86 06 687474703A2F"
       "  A4 0E 30 0C 31 0A 30 08 06 03 550403 0C 01 61",
       "email=a@b, DNS=x.y, IP=10.0.0.1, URI=http:/, CN=a"},
      // Not last: hex form.
      {"30 15 A4 0E 30 0C 31 0A 30 08 06 03 550403 0C 01 61 82 03 782E79",
       "dirName=#A40E300C310A300806035504030C0161, DNS=x.y"},
      // Only component: inline, so the text is that of the Name.
      {"30 10 A4 0E 30 0C 31 0A 30 08 06 03 550403 0C 01 61", "CN=a"},
      // An empty directory name cannot be written as attributes.
      {"30 04 A4 02 30 00", "dirName=#A4023000"},
      {"30 12 87 10 20010DB8000000000000000000000001", "IP=2001:db8::1"},
      {"30 0A 87 08 0A000000FF000000", "IP=10.0.0.0/255.0.0.0"},
      {"30 05 87 03 0A0000", "IP=#87030A0000"},
      {"30 0B A0 09 06 03 2A0304 A0 02 0C 00", "otherName=#A00906032A0304A0020C00"},
      {"30 05 88 03 2A0304", "RID=#88032A0304"},
      {"30 08 81 06 612C622B5C20", "email=a\\,b\\+\\\\\\20"},
      {"30 04 82 02 C3A9", "DNS=\xC3\xA9"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(Render(r.der, 3), r.mode3) << r.der;
  }
  EXPECT_EQ(Render("30 04 82 02 C3A9", 1), "DNS=\\C3\\A9");
  EXPECT_EQ(Render("30 0B 81 03 614062 82 04 782E7920", 1), "email=a@b, DNS=x.y\\20");
}

TEST(NameTextTest, Refusals) {
  int r;
  Render("30 00", 2, &r);
  EXPECT_EQ(r, X509ASN_E_ARG);
  Render("30 00", 0, &r);
  EXPECT_EQ(r, X509ASN_E_ARG);
  Render("04 00", 1, &r);
  EXPECT_EQ(r, X509ASN_E_TAG);
  Render("30 02 31 00", 1, &r);
  EXPECT_EQ(r, X509ASN_E_NAME);
  Render("30 05 31 03 30 01", 3, &r);
  EXPECT_EQ(r, X509ASN_E_SHORT);
  Owned t;
  EXPECT_EQ(x509_parse_name(nullptr, &t.b, 1), X509ASN_E_ARG);
  Bytes in("3000");
  Buffer d = in.View();
  EXPECT_EQ(x509_parse_name(&d, nullptr, 1), X509ASN_E_ARG);
}

TEST(NameTextTest, EscapeValue) {
  struct Row {
    std::string in;
    int flags;
    const char* out;
  } rows[] = {
      {"plain", X509_ESC_ASCII, "plain"},
      {"", X509_ESC_ASCII, ""},
      {"a b", X509_ESC_ASCII, "a b"},
      {" lead", X509_ESC_ASCII, "\\20lead"},
      {"trail ", X509_ESC_ASCII, "trail\\20"},
      {"\"#+,;<=>\\", X509_ESC_ASCII, "\\\"\\#\\+\\,\\;\\<\\=\\>\\\\"},
      {"x/y@z_'()", X509_ESC_ASCII, "x/y@z_'()"},
      {std::string("a\0b", 3), X509_ESC_ASCII, "a\\00b"},
      {"\xC3\xA9", X509_ESC_ASCII, "\\C3\\A9"},
      {"\xC3\xA9", X509_ESC_UTF8, "\xC3\xA9"},
      {"\xC3", X509_ESC_UTF8, "\\C3"},         // not UTF-8: escaped even in UTF-8 mode
      {"\xC0\x80", X509_ESC_UTF8, "\\C0\\80"}, // overlong
  };
  for (const Row& r : rows) {
    Bytes in = Bytes::Text(r.in);
    Buffer v = in.View();
    Owned out;
    int n = x509_esc_value(&v, &out.b, r.flags);
    ASSERT_GE(n, 0);
    EXPECT_EQ(Str(out.b), r.out);
    EXPECT_EQ(out.b.data[out.b.len], 0);
  }
  Owned out;
  Bytes in = Bytes::Text("x");
  Buffer v = in.View();
  EXPECT_EQ(x509_esc_value(&v, &out.b, 7), X509ASN_E_ARG);
  EXPECT_EQ(x509_esc_value(nullptr, &out.b, 0), X509ASN_E_ARG);
}

TEST(KeywordTablesTest, Shape) {
  EXPECT_EQ(sizeof(x509_keyword_t), 4 * sizeof(void*));
  EXPECT_EQ(sizeof(sub_rdn) / sizeof(sub_rdn[0]), 16u);
  EXPECT_EQ(sizeof(sub_rgn) / sizeof(sub_rgn[0]), 9u);
  EXPECT_EQ(sizeof(sub_recognized_rgn) / sizeof(sub_recognized_rgn[0]), 9u);
  // Rows of the selector components: subtype i -> 32 + 512 i / 34 + 512 i.
  const char* dn_kw[] = {"C", "ST", "L", "O", "OU", "CN", "T", "SN", "GN", "initials", "emailAddress"};
  for (int i = 0; i < 11; ++i) {
    EXPECT_STREQ(sub_rdn[i].keyword, dn_kw[i]);
    EXPECT_EQ(sub_rdn[i].subject_tag, 32 + 512 * i);
    EXPECT_EQ(sub_rdn[i].issuer_tag, 34 + 512 * i);
  }
  for (int i = 11; i < 16; ++i) {
    EXPECT_EQ(sub_rdn[i].subject_tag, 0);
    EXPECT_EQ(sub_rdn[i].issuer_tag, 0);
  }
  // sub_rgn row i is GeneralName choice [i].
  const unsigned char choice[] = {0xA0, 0x81, 0x82, 0xA3, 0xA4, 0xA5, 0x86, 0x87, 0x88};
  for (int i = 0; i < 9; ++i) {
    ASSERT_NE(sub_rgn[i].oid, nullptr);
    EXPECT_EQ(sub_rgn[i].oid[0], 1);
    EXPECT_EQ(sub_rgn[i].oid[1], choice[i]);
  }
  EXPECT_EQ(sub_rgn[X509_SUB_RGN_DIRNAME].oid, directoryName);
  EXPECT_EQ(sub_rgn[1].subject_tag, 5152);  // X509S_MAIL
  EXPECT_EQ(sub_rgn[7].subject_tag, 6176);  // X509S_IP
  EXPECT_EQ(sub_rgn[7].issuer_tag, 6178);   // X509I_IP
  // sub_recognized_rgn: mail, DNS, IP first (subtypes 10, 11, 12).
  const unsigned char first3[] = {0x81, 0x82, 0x87};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(sub_recognized_rgn[i].oid[1], first3[i]);
    EXPECT_EQ(sub_recognized_rgn[i].subject_tag, 32 + 512 * (10 + i));
    EXPECT_EQ(sub_recognized_rgn[i].issuer_tag, 34 + 512 * (10 + i));
  }
  for (int i = 3; i < 9; ++i) EXPECT_EQ(sub_recognized_rgn[i].subject_tag, 0);
  // Keywords: what the parser's keyword rule accepts, unique across sub_rdn
  // and sub_rgn (case-insensitive), lengths recorded.
  std::set<std::string> seen;
  auto check = [&](const x509_keyword_t& row, bool unique) {
    EXPECT_EQ(row.keyword_len, strlen(row.keyword));
    EXPECT_TRUE(isalpha(static_cast<unsigned char>(row.keyword[0])));
    for (const char* p = row.keyword; *p; ++p) EXPECT_TRUE(isalnum(static_cast<unsigned char>(*p)) || *p == '-');
    std::string k = row.keyword;
    for (char& ch : k) ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
    if (unique) {
      EXPECT_TRUE(seen.insert(k).second) << row.keyword;
    }
  };
  for (const auto& row : sub_rdn) check(row, true);
  for (const auto& row : sub_rgn) check(row, true);
  for (const auto& row : sub_recognized_rgn) check(row, false);
  // Distinct OIDs in sub_rdn.
  for (int i = 0; i < 16; ++i)
    for (int j = i + 1; j < 16; ++j) {
      Buffer a;
      asn1_oid_view(sub_rdn[i].oid, &a);
      EXPECT_EQ(asn1_oid_eq(&a, sub_rdn[j].oid), 0);
    }
}

}  // namespace
}  // namespace x509asn_test
