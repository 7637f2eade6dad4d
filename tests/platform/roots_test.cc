// The names of the Mozilla roots (Debian's ca-certificates, PEM) against
// OpenSSL: walker attributes against X509_NAME's entries, x509_parse_name's
// values against ASN1_STRING_to_UTF8, the one-line rendering against
// X509_NAME_print_ex where both write no escapes, and validity times against
// ASN1_TIME_to_tm.
#include <dirent.h>
#include <gtest/gtest.h>
#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <string>

#include "dn_reader.h"
#include "test_util.h"

namespace x509asn_test {
namespace {

const char kRootsDir[] = "/usr/share/ca-certificates/mozilla";

std::vector<std::string> RootFiles() {
  std::vector<std::string> files;
  DIR* d = opendir(kRootsDir);
  if (d == nullptr) return files;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n.size() > 4 && n.compare(n.size() - 4, 4, ".crt") == 0) files.push_back(std::string(kRootsDir) + "/" + n);
  }
  closedir(d);
  std::sort(files.begin(), files.end());
  return files;
}

X509* ReadPem(const std::string& path) {
  FILE* f = fopen(path.c_str(), "r");
  if (f == nullptr) return nullptr;
  X509* x = PEM_read_X509(f, nullptr, nullptr, nullptr);
  fclose(f);
  return x;
}

std::vector<uint8_t> NameDer(const X509_NAME* name) {
  const unsigned char* der = nullptr;
  size_t len = 0;
  X509_NAME_get0_der(const_cast<X509_NAME*>(name), &der, &len);
  return std::vector<uint8_t>(der, der + len);
}

// One attribute of our text: keyword and value as written.
struct TextAttr {
  std::string key;
  std::string raw;   // value as written (escaped)
  std::string value; // unescaped octets
  bool plus_before;  // joined to the previous one with "+"
};

int HexVal(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Reads our text format back (a small reader of the documented grammar).
bool ReadText(const std::string& s, std::vector<TextAttr>* out) {
  out->clear();
  size_t i = 0;
  bool plus = false;
  while (i < s.size()) {
    TextAttr a;
    a.plus_before = plus;
    size_t eq = s.find('=', i);
    if (eq == std::string::npos) return false;
    a.key = s.substr(i, eq - i);
    i = eq + 1;
    size_t start = i;
    while (i < s.size() && s[i] != ',' && s[i] != '+') {
      if (s[i] == '\\') {
        if (i + 1 >= s.size()) return false;
        int h1 = HexVal(s[i + 1]), h2 = i + 2 < s.size() ? HexVal(s[i + 2]) : -1;
        if (h1 >= 0 && h2 >= 0) {
          a.value += static_cast<char>(h1 * 16 + h2);
          i += 3;
        } else if (strchr("\"#+,;<=>\\", s[i + 1])) {
          a.value += s[i + 1];
          i += 2;
        } else {
          return false;
        }
      } else {
        if (strchr("\"#;<=>", s[i]) && !(s[i] == '#' && i == start)) return false;  // unescaped special
        a.value += s[i++];
      }
    }
    a.raw = s.substr(start, i - start);
    out->push_back(a);
    if (i == s.size()) break;
    plus = s[i] == '+';
    if (!plus) {
      if (s.compare(i, 2, ", ") != 0) return false;
      ++i;
    }
    ++i;
  }
  return true;
}

std::string KeywordOf(const ASN1_OBJECT* obj) {
  Buffer c;
  set_buffer(&c, static_cast<uint32_t>(OBJ_length(obj)), OBJ_get0_data(obj));
  for (const auto& row : sub_rdn)
    if (asn1_oid_eq(&c, row.oid)) return row.keyword;
  char text[256];
  OBJ_obj2txt(text, sizeof text, obj, 1);
  return text;
}

std::string Utf8Of(const ASN1_STRING* s) {
  unsigned char* u = nullptr;
  int n = ASN1_STRING_to_UTF8(&u, s);
  if (n < 0) return "<unconvertible>";
  std::string r(reinterpret_cast<char*>(u), static_cast<size_t>(n));
  OPENSSL_free(u);
  return r;
}

std::string OpenSslOneLine(const X509_NAME* name) {
  BIO* bio = BIO_new(BIO_s_mem());
  // RFC 2253 string rules with UTF-8 left as it is, DER order, ", " between
  // RDNs and " + " inside, short names.
  unsigned long flags = (ASN1_STRFLGS_RFC2253 & ~ASN1_STRFLGS_ESC_MSB) | XN_FLAG_SEP_CPLUS_SPC | XN_FLAG_FN_SN;
  X509_NAME_print_ex(bio, name, 0, flags);
  char* p = nullptr;
  long n = BIO_get_mem_data(bio, &p);
  std::string s(p, static_cast<size_t>(n));
  BIO_free(bio);
  return s;
}

struct Totals {
  int names = 0, attributes = 0, same_line = 0, comparable_lines = 0;
};

void CheckName(const std::string& where, const X509_NAME* name, Totals* totals) {
  SCOPED_TRACE(where);
  std::vector<uint8_t> der = NameDer(name);
  Bytes in(der);
  Buffer b = in.View();
  int count = X509_NAME_entry_count(name);
  ++totals->names;
  totals->attributes += count;
  ASSERT_EQ(isDN(&b), 1);

  // Walkers (all three kinds) against OpenSSL's entries.
  for (int kind = 0; kind < 2; ++kind) {
    x509_walk_state_t st;
    unsigned char tag;
    Buffer type, value;
    int r = kind == 0 ? x509_dn_gfra(&st, &b, &tag, &type, &value) : x509_U_gfra(&st, &b, &tag, &type, &value);
    int i = 0;
    while (r == 1) {
      ASSERT_LT(i, count);
      const X509_NAME_ENTRY* e = X509_NAME_get_entry(name, i);
      const ASN1_OBJECT* obj = X509_NAME_ENTRY_get_object(e);
      const ASN1_STRING* data = X509_NAME_ENTRY_get_data(e);
      EXPECT_EQ(ToHex(type), ToHex(OBJ_get0_data(obj), OBJ_length(obj)));
      EXPECT_EQ(tag, ASN1_STRING_type(data));
      EXPECT_EQ(ToHex(value), ToHex(ASN1_STRING_get0_data(data), ASN1_STRING_length(data)));
      bool same_rdn_follows =
          i + 1 < count && X509_NAME_ENTRY_set(X509_NAME_get_entry(name, i + 1)) == X509_NAME_ENTRY_set(e);
      EXPECT_EQ(st.enclosed != 0, same_rdn_follows) << i;
      ++i;
      r = kind == 0 ? x509_dn_gnra(&st, &tag, &type, &value) : x509_U_gnra(&st, &tag, &type, &value);
    }
    EXPECT_EQ(r, 0);
    EXPECT_EQ(i, count);
    EXPECT_EQ(st.total, der.size());
  }

  // Text, UTF-8 and ASCII.
  Owned t3, t1;
  ASSERT_GE(x509_parse_name(&b, &t3.b, 3), 0);
  ASSERT_GE(x509_parse_name(&b, &t1.b, 1), 0);
  std::string s3 = Str(t3.b), s1 = Str(t1.b);
  for (unsigned char c : s1) EXPECT_LT(c, 0x80) << s1;
  std::vector<TextAttr> a3, a1;
  ASSERT_TRUE(ReadText(s3, &a3)) << s3;
  ASSERT_TRUE(ReadText(s1, &a1)) << s1;
  ASSERT_EQ(static_cast<int>(a3.size()), count) << s3;
  ASSERT_EQ(a1.size(), a3.size());
  for (int i = 0; i < count; ++i) {
    const X509_NAME_ENTRY* e = X509_NAME_get_entry(name, i);
    const ASN1_STRING* data = X509_NAME_ENTRY_get_data(e);
    EXPECT_EQ(a3[i].key, KeywordOf(X509_NAME_ENTRY_get_object(e)));
    EXPECT_EQ(a1[i].key, a3[i].key);
    EXPECT_EQ(a1[i].value, a3[i].value);
    EXPECT_EQ(a3[i].plus_before, i > 0 && X509_NAME_ENTRY_set(X509_NAME_get_entry(name, i - 1)) == X509_NAME_ENTRY_set(e));
    if (!a3[i].raw.empty() && a3[i].raw[0] == '#') {
      std::vector<uint8_t> elem = {static_cast<uint8_t>(ASN1_STRING_type(data))};
      EXPECT_LT(ASN1_STRING_length(data), 128);
      elem.push_back(static_cast<uint8_t>(ASN1_STRING_length(data)));
      elem.insert(elem.end(), ASN1_STRING_get0_data(data), ASN1_STRING_get0_data(data) + ASN1_STRING_length(data));
      EXPECT_EQ(a3[i].raw, "#" + ToHex(elem));
    } else {
      EXPECT_EQ(a3[i].value, Utf8Of(data)) << s3;
    }
  }

  // What the module's text parser reads back from either text: the same
  // types, RDN grouping and values (a value written in the hex form with its
  // own string type; a text value as its UTF-8 form, trailing blanks
  // dropped by that parser).
  for (const std::string* text : {&s1, &s3}) {
    std::vector<ReadAttr> back;
    ASSERT_EQ(DnReader().Read(*text, &back), 0) << *text;
    ASSERT_EQ(static_cast<int>(back.size()), count) << *text;
    for (int i = 0; i < count; ++i) {
      const X509_NAME_ENTRY* e = X509_NAME_get_entry(name, i);
      const ASN1_OBJECT* obj = X509_NAME_ENTRY_get_object(e);
      const ASN1_STRING* data = X509_NAME_ENTRY_get_data(e);
      EXPECT_EQ(back[i].oid, std::string(reinterpret_cast<const char*>(OBJ_get0_data(obj)), OBJ_length(obj)));
      EXPECT_EQ(back[i].plus_before, a3[i].plus_before);
      if (!a3[i].raw.empty() && a3[i].raw[0] == '#') {
        EXPECT_EQ(back[i].type, ASN1_STRING_type(data));
        EXPECT_EQ(back[i].value, std::string(reinterpret_cast<const char*>(ASN1_STRING_get0_data(data)),
                                             ASN1_STRING_length(data)));
      } else {
        std::string want = Utf8Of(data);
        while (!want.empty() && (want.back() == ' ' || want.back() == '\t')) want.pop_back();
        EXPECT_EQ(back[i].value, want) << *text;
        EXPECT_TRUE(back[i].type == 19 || back[i].type == 22 || back[i].type == 12);
      }
    }
  }

  // OpenSSL's one line (DER order, ", " and " + ", short names) where
  // neither side escapes anything.
  std::string ossl = OpenSslOneLine(name);
  std::string ours = s3;
  // Our multi-valued separator is "+"; OpenSSL's " + ".
  std::string plus_spaced;
  for (size_t i = 0; i < ours.size(); ++i) {
    if (ours[i] == '+' && (i == 0 || ours[i - 1] != '\\')) plus_spaced += " + ";
    else plus_spaced += ours[i];
  }
  // OpenSSL's short name of title is "title"; ours is "T" (no root uses it).
  if (ours.find('\\') == std::string::npos && ossl.find('\\') == std::string::npos) {
    ++totals->comparable_lines;
    EXPECT_EQ(plus_spaced, ossl);
    if (plus_spaced == ossl) ++totals->same_line;
  }
}

// The validity times as our decoder reads them, against OpenSSL.
void CheckTime(const std::string& where, const ASN1_TIME* t, int* past_2038) {
  SCOPED_TRACE(where);
  unsigned char* der = nullptr;
  int n = i2d_ASN1_TIME(const_cast<ASN1_TIME*>(t), &der);
  ASSERT_GT(n, 0);
  Bytes in(std::vector<uint8_t>(der, der + n));
  OPENSSL_free(der);
  Buffer b = in.View();
  int64_t ours64;
  ASSERT_EQ(asn1_decode_time64(&b, &ours64), 0);
  EXPECT_EQ(b.len, 0u);
  struct tm tm;
  ASSERT_EQ(ASN1_TIME_to_tm(t, &tm), 1);
  int64_t want = asn1_civil_to_seconds(static_cast<int64_t>(tm.tm_year) + 1900, static_cast<unsigned>(tm.tm_mon + 1),
                                       static_cast<unsigned>(tm.tm_mday), static_cast<unsigned>(tm.tm_hour),
                                       static_cast<unsigned>(tm.tm_min), static_cast<unsigned>(tm.tm_sec));
  EXPECT_EQ(ours64, want);
  Buffer c = in.View();
  int32_t ours32;
  ASSERT_EQ(asn1_decode_time(&c, &ours32), 0);
  if (want > INT32_MAX) {
    ++*past_2038;
    EXPECT_EQ(ours32, INT32_MAX);
  } else {
    EXPECT_EQ(ours32, want);
  }
}

TEST(RootsTest, NamesAndTimesAgreeWithOpenSsl) {
  std::vector<std::string> files = RootFiles();
  ASSERT_GT(files.size(), 100u) << "Mozilla roots not found in " << kRootsDir;
  Totals totals;
  int past_2038 = 0;
  for (const std::string& f : files) {
    X509* x = ReadPem(f);
    ASSERT_NE(x, nullptr) << f;
    CheckName(f + " subject", X509_get_subject_name(x), &totals);
    CheckName(f + " issuer", X509_get_issuer_name(x), &totals);
    CheckTime(f + " notBefore", X509_get0_notBefore(x), &past_2038);
    CheckTime(f + " notAfter", X509_get0_notAfter(x), &past_2038);
    X509_free(x);
  }
  EXPECT_EQ(totals.names, 2 * static_cast<int>(files.size()));
  EXPECT_GT(totals.comparable_lines, totals.names / 2);
  EXPECT_GT(past_2038, 0) << "some roots run past 2038";
  std::printf("roots: %zu certificates, %d names, %d attributes, %d of %d one-line texts identical "
              "to OpenSSL's, %d validity ends past 2038\n",
              files.size(), totals.names, totals.attributes, totals.same_line, totals.comparable_lines, past_2038);
}

// Every root name survives every truncation with a clean failure.
TEST(RootsTest, TruncatedNamesFail) {
  std::vector<std::string> files = RootFiles();
  ASSERT_FALSE(files.empty());
  for (size_t k = 0; k < files.size(); k += 7) {
    X509* x = ReadPem(files[k]);
    ASSERT_NE(x, nullptr);
    std::vector<uint8_t> der = NameDer(X509_get_subject_name(x));
    X509_free(x);
    for (size_t cut = 0; cut < der.size(); ++cut) {
      Bytes part(std::vector<uint8_t>(der.begin(), der.begin() + cut));
      Buffer b = part.View();
      Owned t;
      EXPECT_LT(x509_parse_name(&b, &t.b, 3), 0) << files[k] << " cut " << cut;
    }
  }
}

}  // namespace
}  // namespace x509asn_test
