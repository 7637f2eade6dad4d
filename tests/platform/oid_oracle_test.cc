// OID content octets against OpenSSL: the same octets accepted, the same
// dotted text (arcs of any size); the same OIDs accepted inside algorithm
// identifiers, names and general names.
#include <gtest/gtest.h>
#include <openssl/asn1.h>
#include <openssl/objects.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <random>

#include "oid_forms.h"
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

// Whether OpenSSL's decoder of a type takes der whole.
template <typename T>
bool OpenSslTakes(T* (*d2i)(T**, const unsigned char**, long), void (*free_fn)(T*),
                  const std::vector<uint8_t>& der) {
  const unsigned char* p = der.data();
  T* obj = d2i(nullptr, &p, static_cast<long>(der.size()));
  bool ok = obj != nullptr && p == der.data() + der.size();
  free_fn(obj);
  return ok;
}

// Each OID form in each structure: the library accepts exactly what OpenSSL
// accepts, and the forms' own verdict agrees with both.
TEST(OidOracleTest, OidFormsInEveryStructure) {
  auto walk = [](const std::vector<uint8_t>& der) {
    Bytes in(der);
    Buffer b = in.View();
    x509_walk_state_t st;
    return x509_U_gfra(&st, &b, nullptr, nullptr, nullptr) == 1;
  };
  for (const OidForm& form : kOidForms) {
    SCOPED_TRACE(std::string(form.what) + " (" + form.hex + ")");
    std::vector<uint8_t> oid = Hex(form.hex);
    Bytes content(oid);
    Buffer cv = content.View();
    bool ours = asn1_oid_check(&cv) == 0;
    EXPECT_EQ(ours, form.valid);
    EXPECT_EQ(OpenSslTakes(d2i_ASN1_OBJECT, ASN1_OBJECT_free, Tlv(0x06, oid)), ours);

    std::vector<uint8_t> alg = AlgIdWith(oid);
    Bytes ab(alg);
    Buffer av = ab.View();
    EXPECT_EQ(x509_parse_algid(&av, nullptr, nullptr) == 0, ours) << "AlgorithmIdentifier";
    EXPECT_EQ(OpenSslTakes(d2i_X509_ALGOR, X509_ALGOR_free, alg), ours) << "AlgorithmIdentifier";

    std::vector<uint8_t> dn = DnWith(oid);
    EXPECT_EQ(walk(dn), ours) << "Name";
    EXPECT_EQ(OpenSslTakes(d2i_X509_NAME, X509_NAME_free, dn), ours) << "Name";

    for (const auto& gn : {RidWith(oid), OtherNameWith(oid), DirNameWith(oid)}) {
      EXPECT_EQ(walk(gn), ours) << "GeneralNames " << ToHex(gn);
      EXPECT_EQ(OpenSslTakes(d2i_GENERAL_NAMES, GENERAL_NAMES_free, gn), ours) << "GeneralNames " << ToHex(gn);
    }
  }
}

}  // namespace
}  // namespace x509asn_test
