// Long and large names. Values at the boundaries of the DER length forms:
// 127/128 (short to one length octet), 255/256 (one to two), 32767/32768,
// 65535/65536 (two to three), each through the text encoder,
// normalisation, comparison and normalised printing; and names of many
// RDNs and RDNs of many values, encoded from text in both orders and
// compared. OpenSSL builds and reads the DER we compare with, so a header
// one octet short cannot pass on both sides.
#include <gtest/gtest.h>
#include <openssl/asn1.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "support/abuf.h"
#include "name/name.h"
#include "name/x509conv.h"
#include "name/x509name.h"
#include "name_test_util.h"
#include "support/buffers.h"
#include "support/ref.h"
#include "support/result_codes.h"
#include "testing/inproc.h"

namespace nametest {
namespace {

const size_t kBoundaries[] = {127, 128, 255, 256, 32767, 32768, 65535, 65536};

struct OsslFree {
  void operator()(X509_NAME* n) const { X509_NAME_free(n); }
};
using OsslName = std::unique_ptr<X509_NAME, OsslFree>;

// The DER OpenSSL writes for the Name of the given attributes, each a
// (NID, string type, value) in RDN order, one attribute per RDN.
struct OsslAtv {
  int nid;
  int type;  // V_ASN1_PRINTABLESTRING, V_ASN1_UTF8STRING ...
  std::string value;
  bool joined = false;  // joins the RDN before instead of starting one
};
Bytes OsslDer(const std::vector<OsslAtv>& atvs) {
  OsslName name(X509_NAME_new());
  if (!name) return Bytes();
  for (const OsslAtv& a : atvs) {
    // A plain string type (not MBSTRING_*) takes the octets as they are,
    // without the attribute's upper length bound.
    if (X509_NAME_add_entry_by_NID(name.get(), a.nid, a.type,
                                   reinterpret_cast<const unsigned char*>(a.value.data()),
                                   static_cast<int>(a.value.size()), -1, a.joined ? -1 : 0) != 1)
      return Bytes();
  }
  unsigned char* der = nullptr;
  int n = i2d_X509_NAME(name.get(), &der);
  if (n <= 0) return Bytes();
  Bytes out(reinterpret_cast<const char*>(der), static_cast<size_t>(n));
  OPENSSL_free(der);
  return out;
}

// Whether OpenSSL reads der as exactly one Name, every octet consumed.
bool OsslReadsWhole(const Bytes& der) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(der.data());
  OsslName n(d2i_X509_NAME(nullptr, &p, static_cast<long>(der.size())));
  return n != nullptr && p == reinterpret_cast<const unsigned char*>(der.data()) + der.size();
}

Bytes Octets(TBuf* b) {
  Ref<TBuf> held = adoptRef(b);
  if (!held) return "(null)";
  return Bytes(reinterpret_cast<const char*>(held->datap()), held->len());
}

Ref<TName> FromText(const std::string& text) {
  Ref<TName> n = adoptRef(createTName(TName::NAME_DN));
  if (n && n->setPrintable(text.c_str()) != pkixrc::kOk) n.reset();
  return n;
}

Ref<TName> FromDer(const Bytes& der) {
  return adoptRef(createTName(TName::NAME_DN, reinterpret_cast<const unsigned char*>(der.data()),
                              static_cast<unsigned>(der.size())));
}

// The normalised DER of der in mode, or empty after a failure.
Bytes Normalised(const Bytes& der, int mode, int* rc) {
  Buffer in = View(der);
  OwnedBuffer out;
  *rc = x509_norm_name(&in, &out.b, mode);
  return Bytes(reinterpret_cast<const char*>(out.b.data), out.b.len);
}

class LengthTest : public ::testing::TestWithParam<size_t> {
 protected:
  void TearDown() override { x509cmn_fini(); }
  pkixtest::InProcessManager mgr_;
};

// The text encoder writes what OpenSSL writes for the same PrintableString.
TEST_P(LengthTest, EncodeMatchesOpenSsl) {
  const std::string value(GetParam(), 'a');
  Ref<TName> n = FromText("CN=" + value);
  ASSERT_TRUE(n);
  Bytes ours = Octets(n->getRaw());
  Bytes theirs = OsslDer({{NID_commonName, V_ASN1_PRINTABLESTRING, value}});
  ASSERT_FALSE(theirs.empty());
  EXPECT_EQ(ours, theirs);
}

// Normalisation re-encodes the value as UTF8String with every header
// counted right: the result is OpenSSL's DER of the UTF8String value, and
// OpenSSL reads it back whole.
TEST_P(LengthTest, NormaliseMatchesOpenSsl) {
  const std::string lower(GetParam(), 'a');
  const std::string upper(GetParam(), 'A');
  const Bytes printable = OsslDer({{NID_commonName, V_ASN1_PRINTABLESTRING, lower}});
  const Bytes utf8 = OsslDer({{NID_commonName, V_ASN1_UTF8STRING, lower}});
  struct Case {
    const char* what;
    Bytes in;
    int mode;
    Bytes expect;
  } const cases[] = {
      {"PrintableString, comparison form", printable, NORM_UPPER,
       OsslDer({{NID_commonName, V_ASN1_UTF8STRING, upper}})},
      {"PrintableString, printing form", printable, NORM_STRICT, utf8},
      {"UTF8String, comparison form", utf8, NORM_UPPER, OsslDer({{NID_commonName, V_ASN1_UTF8STRING, upper}})},
      {"two RDNs, the long one first", OsslDer({{NID_commonName, V_ASN1_PRINTABLESTRING, lower},
                                                {NID_organizationName, V_ASN1_PRINTABLESTRING, "x"}}),
       NORM_UPPER,
       OsslDer({{NID_commonName, V_ASN1_UTF8STRING, upper}, {NID_organizationName, V_ASN1_UTF8STRING, "X"}})},
  };
  for (const Case& c : cases) {
    int rc = -1;
    Bytes got = Normalised(c.in, c.mode, &rc);
    EXPECT_EQ(rc, pkixrc::kOk) << c.what;
    EXPECT_EQ(got.size(), c.expect.size()) << c.what;
    EXPECT_TRUE(got == c.expect) << c.what;
    EXPECT_TRUE(OsslReadsWhole(got)) << c.what;
  }
}

// Comparison sees through the string type and finds containment.
TEST_P(LengthTest, CompareAcrossStringTypesAndSubtrees) {
  const std::string value(GetParam(), 'a');
  Ref<TName> printable = FromDer(OsslDer({{NID_commonName, V_ASN1_PRINTABLESTRING, value}}));
  Ref<TName> utf8 = FromDer(OsslDer({{NID_commonName, V_ASN1_UTF8STRING, value}}));
  Ref<TName> text = FromText("CN=" + value);
  Ref<TName> longer = FromText("CN=" + value + ",O=x");
  ASSERT_TRUE(printable && utf8 && text && longer);
  EXPECT_EQ(*printable == *utf8, 1) << "the same value in two string types";
  EXPECT_EQ(*utf8 == *text, 1);
  EXPECT_EQ(*text == *longer, 0);
  EXPECT_EQ(*longer << *text, 1) << "the longer name lies within the shorter";
  EXPECT_EQ(*text << *longer, 0);
  EXPECT_EQ(text->doesContainSmth(longer.get()), 1);
}

// Printing the normalised form renders the whole value.
TEST_P(LengthTest, PrintNormalised) {
  const std::string value(GetParam(), 'a');
  Ref<TName> n = FromText("CN=" + value);
  ASSERT_TRUE(n);
  Bytes text = Octets(n->getPrintable(TName::PRN_NORM));
  EXPECT_EQ(n->error(), pkixrc::kOk);
  EXPECT_TRUE(text == "CN=" + value + '\0') << text.size();
}

INSTANTIATE_TEST_SUITE_P(DerLengthForms, LengthTest, ::testing::ValuesIn(kBoundaries),
                         [](const ::testing::TestParamInfo<size_t>& i) { return std::to_string(i.param); });

// Value i of a large name: all of one length and ascending, so that the
// order we write (text order) is also the order DER gives a SET OF, which
// OpenSSL writes sorted.
std::string NthValue(int i) {
  char v[16];
  std::snprintf(v, sizeof v, "v%06d", i);
  return v;
}

// The DER x509_enc_name writes for text, or "error N".
Bytes Encode(const std::string& text, unsigned char reverse) {
  Buffer in;
  set_buffer(&in, static_cast<uint32_t>(text.size()), reinterpret_cast<const unsigned char*>(text.data()));
  OwnedBuffer out;
  int rc = x509_enc_name(&in, &out.b, reverse);
  if (rc != 0) return "error " + std::to_string(rc);
  return Bytes(reinterpret_cast<const char*>(out.b.data), out.b.len);
}

class LargeNameTest : public ::testing::Test {
 protected:
  void TearDown() override { x509cmn_fini(); }
  pkixtest::InProcessManager mgr_;
};

// Names of n RDNs ("," between the attributes) and RDNs of n values ("+"),
// in text order and in reverse mode (the text lists the RDNs from the last
// to the first; the values of one RDN stay in text order).
TEST_F(LargeNameTest, EncodeManyRdnsAndValues) {
  struct Case {
    int n;
    const char* separator;
    unsigned char reverse;
  } const cases[] = {
      {1, ",", 0},     {2, ",", 0},     {2, ",", 1},    {1000, ",", 0}, {1000, ",", 1},
      {10000, ",", 0}, {10000, ",", 1}, {2, "+", 0},    {2, "+", 1},    {1000, "+", 0},
      {10000, "+", 0}, {10000, "+", 1},
  };
  for (const Case& c : cases) {
    const bool one_rdn = std::string(c.separator) == "+";
    std::string text;
    std::vector<OsslAtv> atvs;
    for (int i = 0; i < c.n; ++i) {
      if (i != 0) text += c.separator;
      text += "CN=" + NthValue(i);
      // In reverse mode the last RDN of the text is the first of the name.
      int at = c.reverse && !one_rdn ? c.n - 1 - i : i;
      atvs.push_back({NID_commonName, V_ASN1_PRINTABLESTRING, NthValue(at), one_rdn && i != 0});
    }
    Bytes expect = OsslDer(atvs);
    ASSERT_FALSE(expect.empty());
    Bytes got = Encode(text, c.reverse);
    EXPECT_EQ(got.size(), expect.size()) << c.n << c.separator << " reverse " << int(c.reverse);
    EXPECT_TRUE(got == expect) << c.n << c.separator << " reverse " << int(c.reverse);
  }
}

// A long value given piece by piece: escaped octets, text and escapes
// taking turns, and a quoted run.
TEST_F(LargeNameTest, EncodeLongValuesPieceByPiece) {
  const int n = 100000;
  std::string escapes, mixed, quoted;
  for (int i = 0; i < n; ++i) {
    escapes += "\\41";
    mixed += "a\\2C";
  }
  quoted = "\"" + std::string(n, 'q') + "\"";
  struct Case {
    const char* what;
    std::string text;
    std::string value;  // PrintableString
  } const cases[] = {
      {"escaped octets", "CN=" + escapes, std::string(n, 'A')},
      {"text and escapes in turn", "CN=" + mixed, [&] {
         std::string v;
         for (int i = 0; i < n; ++i) v += "a,";
         return v;
       }()},
      {"quoted", "CN=" + quoted, std::string(n, 'q')},
  };
  for (const Case& c : cases) {
    Bytes expect = OsslDer({{NID_commonName, V_ASN1_PRINTABLESTRING, c.value}});
    ASSERT_FALSE(expect.empty());
    Bytes got = Encode(c.text, 0);
    EXPECT_EQ(got.size(), expect.size()) << c.what;
    EXPECT_TRUE(got == expect) << c.what;
  }
}

// Large names compare as names: RDN order and the order of values inside an
// RDN do not matter, an RDN more or less is containment, repeated RDNs
// count.
TEST_F(LargeNameTest, CompareManyRdnsAndValues) {
  const int n = 5000;
  std::vector<OsslAtv> forwards, backwards, longer, repeated, values, values_backwards;
  for (int i = 0; i < n; ++i) {
    forwards.push_back({NID_commonName, V_ASN1_PRINTABLESTRING, NthValue(i)});
    backwards.push_back({NID_commonName, V_ASN1_UTF8STRING, NthValue(n - 1 - i)});
    repeated.push_back({NID_commonName, V_ASN1_PRINTABLESTRING, NthValue(i / 2)});
    values.push_back({NID_commonName, V_ASN1_PRINTABLESTRING, NthValue(i), i != 0});
    values_backwards.push_back({NID_commonName, V_ASN1_UTF8STRING, NthValue(i), i != 0});
  }
  longer = forwards;
  longer.push_back({NID_organizationName, V_ASN1_PRINTABLESTRING, "x"});
  Ref<TName> a = FromDer(OsslDer(forwards));
  Ref<TName> b = FromDer(OsslDer(backwards));
  Ref<TName> c = FromDer(OsslDer(longer));
  Ref<TName> r = FromDer(OsslDer(repeated));
  Ref<TName> v = FromDer(OsslDer(values));
  // OpenSSL sorts the SET OF, so the values' text order is built by hand:
  // the same RDN with its values written from the last to the first.
  Bytes content;
  for (int i = n - 1; i >= 0; --i) content += Atv(kCN, 0x0C, NthValue(i));
  Ref<TName> w = FromDer(Seq({Tlv(0x31, content)}));
  ASSERT_TRUE(a && b && c && r && v && w);
  struct Case {
    const char* what;
    TName* x;
    TName* y;
    int equal, within, overlap;  // x == y, x << y, x shares an RDN with y
  } const cases[] = {
      {"RDNs backwards, other string type", a.get(), b.get(), 1, 1, 1},
      {"one RDN more", c.get(), a.get(), 0, 1, 1},
      {"one RDN less", a.get(), c.get(), 0, 0, 1},
      {"every RDN twice, half the values", r.get(), a.get(), 0, 0, 1},
      {"one RDN of n values, written backwards", v.get(), w.get(), 1, 1, 1},
      {"n RDNs against one RDN of the n values", a.get(), v.get(), 0, 0, 0},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(*k.x == *k.y, k.equal) << k.what;
    EXPECT_EQ(*k.x << *k.y, k.within) << k.what;
    EXPECT_EQ(k.x->doesContainSmth(k.y), k.overlap) << k.what;
  }
}

}  // namespace
}  // namespace nametest
