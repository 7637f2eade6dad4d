// Values at the boundaries of the DER length forms: 127/128 (short to one
// length octet), 255/256 (one to two), 32767/32768, 65535/65536 (two to
// three). Each length goes through the text encoder, normalisation,
// comparison and normalised printing; OpenSSL builds and reads the DER we
// compare with, so a header one octet short cannot pass on both sides.
#include <gtest/gtest.h>
#include <openssl/asn1.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

#include "module/cmn_abuf.h"
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
};
Bytes OsslDer(std::initializer_list<OsslAtv> atvs) {
  OsslName name(X509_NAME_new());
  if (!name) return Bytes();
  for (const OsslAtv& a : atvs) {
    // A plain string type (not MBSTRING_*) takes the octets as they are,
    // without the attribute's upper length bound.
    if (X509_NAME_add_entry_by_NID(name.get(), a.nid, a.type,
                                   reinterpret_cast<const unsigned char*>(a.value.data()),
                                   static_cast<int>(a.value.size()), -1, 0) != 1)
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

}  // namespace
}  // namespace nametest
