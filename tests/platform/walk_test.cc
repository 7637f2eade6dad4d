// isDN and the attribute walkers of distinguished names and general names.
#include <gtest/gtest.h>

#include <cstddef>

#include "test_util.h"

namespace x509asn_test {
namespace {

// One delivered attribute: tag, type hex, value hex, enclosed flag.
struct Attr {
  int tag;
  std::string type;
  std::string value;
  int enclosed;
  bool operator==(const Attr& o) const {
    return tag == o.tag && type == o.type && value == o.value && enclosed == o.enclosed;
  }
};
std::ostream& operator<<(std::ostream& os, const Attr& a) {
  return os << "{" << a.tag << "," << a.type << "," << a.value << "," << a.enclosed << "}";
}

using First = int (*)(x509_walk_state_t*, const Buffer*, unsigned char*, Buffer*, Buffer*);
using Next = int (*)(x509_walk_state_t*, unsigned char*, Buffer*, Buffer*);

// Walks a name; returns the final result, fills attrs and *total.
int Walk(First first, Next next, const Bytes& in, std::vector<Attr>* attrs, uint32_t* total = nullptr) {
  x509_walk_state_t st;
  Buffer name = in.View(), type, value;
  unsigned char tag = 0;
  attrs->clear();
  int r = first(&st, &name, &tag, &type, &value);
  while (r == 1) {
    // Views lie inside the input.
    EXPECT_GE(type.data, in.data());
    EXPECT_LE(type.data + type.len, in.data() + in.size());
    EXPECT_GE(value.data, in.data());
    EXPECT_LE(value.data + value.len, in.data() + in.size());
    attrs->push_back({tag, ToHex(type), ToHex(value), static_cast<int>(st.enclosed)});
    r = next(&st, &tag, &type, &value);
  }
  if (total) *total = st.total;
  // The end is sticky.
  EXPECT_EQ(next(&st, &tag, &type, &value), r);
  return r;
}

TEST(WalkTest, StateLayout) {
  EXPECT_EQ(sizeof(x509_walk_state_t), 40u);
  EXPECT_EQ(offsetof(x509_walk_state_t, enclosed), 28u);
  EXPECT_EQ(offsetof(x509_walk_state_t, total), 8u);
}

// C=US, O=Ex+OU=Unit, CN=a (one multi-valued RDN)
const char kDn[] =
    "30 32"
    "  31 0B 30 09 06 03 550406 13 02 5553"
    "  31 16 30 09 06 03 55040A 0C 02 4578"
    "        30 09 06 03 55040B 0C 02 5574"
    "  31 0B 30 09 06 03 550403 0C 02 612E";

TEST(WalkTest, DistinguishedName) {
  Bytes in(kDn);
  std::vector<Attr> a;
  uint32_t total;
  EXPECT_EQ(Walk(x509_dn_gfra, x509_dn_gnra, in, &a, &total), 0);
  std::vector<Attr> want = {{0x13, "550406", "5553", 0},
                            {0x0C, "55040A", "4578", 1},
                            {0x0C, "55040B", "5574", 0},
                            {0x0C, "550403", "612E", 0}};
  EXPECT_EQ(a, want);
  EXPECT_EQ(total, in.size());
  // Either-kind walk: the same.
  EXPECT_EQ(Walk(x509_U_gfra, x509_U_gnra, in, &a), 0);
  EXPECT_EQ(a, want);
  Buffer v = in.View();
  EXPECT_EQ(isDN(&v), 1);
}

TEST(WalkTest, IndefiniteLengthsEverywhere) {
  const char dn[] =
      "30 80"
      "  31 80 30 80 06 03 550406 13 02 5553 00 00 00 00"
      "  31 80 30 80 06 03 55040A 2C 80 04 01 45 00 00 00 00"
      "        30 09 06 03 55040B 0C 02 5574 00 00"
      "00 00 FF FF";  // trailing octets after the name
  Bytes in(dn);
  std::vector<Attr> a;
  uint32_t total;
  EXPECT_EQ(Walk(x509_dn_gfra, x509_dn_gnra, in, &a, &total), 0);
  std::vector<Attr> want = {{0x13, "550406", "5553", 0},
                            {0x2C, "55040A", "040145", 1},
                            {0x0C, "55040B", "5574", 0}};
  EXPECT_EQ(a, want);
  EXPECT_EQ(total, in.size() - 2);
}

TEST(WalkTest, EmptyNames) {
  std::vector<Attr> a;
  uint32_t total;
  Bytes empty("30 00 AA"), indef("30 80 00 00");
  EXPECT_EQ(Walk(x509_dn_gfra, x509_dn_gnra, empty, &a, &total), 0);
  EXPECT_TRUE(a.empty());
  EXPECT_EQ(total, 2u);
  EXPECT_EQ(Walk(x509_dn_gfra, x509_dn_gnra, indef, &a, &total), 0);
  EXPECT_EQ(total, 4u);
  EXPECT_EQ(Walk(x509_gfra, x509_gnra, empty, &a, &total), 0);
  EXPECT_EQ(Walk(x509_U_gfra, x509_U_gnra, empty, &a, &total), 0);
  Buffer e = empty.View(), i = indef.View();
  EXPECT_EQ(isDN(&e), 1);
  EXPECT_EQ(isDN(&i), 1);
}

// email a@b, DNS x.y, IP 10.0.0.1, dirName {CN=a}, URI u
const char kGn[] =
    "30 23"
    "  81 03 614062"
    "  82 03 782E79"
    "  87 04 0A000001"
    "  A4 0E 30 0C 31 0A 30 08 06 03 550403 0C 01 61"
    "  86 01 75";

TEST(WalkTest, GeneralNames) {
  Bytes in(kGn);
  std::vector<Attr> a;
  uint32_t total;
  EXPECT_EQ(Walk(x509_gfra, x509_gnra, in, &a, &total), 0);
  std::vector<Attr> want = {{0x81, "81", "614062", 0},
                            {0x82, "82", "782E79", 0},
                            {0x87, "87", "0A000001", 0},
                            {0xA4, "A4", Norm("30 0C 31 0A 30 08 06 03 550403 0C 01 61"), 0},
                            {0x86, "86", "75", 0}};
  EXPECT_EQ(a, want);
  EXPECT_EQ(total, in.size());
  EXPECT_EQ(Walk(x509_U_gfra, x509_U_gnra, in, &a), 0);
  EXPECT_EQ(a, want);
  Buffer v = in.View();
  EXPECT_EQ(isDN(&v), 2);
  // The type view compares with the one-octet constants.
  x509_walk_state_t st;
  Buffer type, value;
  unsigned char tag;
  ASSERT_EQ(x509_gfra(&st, &v, &tag, &type, &value), 1);
  EXPECT_EQ(asn1_oid_eq(&type, gn_rfc822Name), 1);
  // A name of the other kind is refused by the kind-specific walkers.
  EXPECT_EQ(x509_dn_gfra(&st, &v, &tag, &type, &value), X509ASN_E_NAME);
  Bytes dn(kDn);
  Buffer d = dn.View();
  EXPECT_EQ(x509_gfra(&st, &d, &tag, &type, &value), X509ASN_E_NAME);
}

TEST(WalkTest, MalformedNames) {
  struct Row {
    First first;
    const char* hex;
    int result;
  } rows[] = {
      {x509_dn_gfra, "31 00", X509ASN_E_TAG},
      {x509_dn_gfra, "30 02 31 00", X509ASN_E_NAME},               // empty RDN
      {x509_dn_gfra, "30 04 31 02 05 00", X509ASN_E_NAME},          // RDN member not a SEQUENCE
      {x509_dn_gfra, "30 06 31 04 30 02 05 00", X509ASN_E_NAME},    // type not an OID
      {x509_dn_gfra, "30 07 31 05 30 03 06 01 55", X509ASN_E_NAME}, // no value
      {x509_dn_gfra, "30 0B 31 09 30 07 06 01 55 05 00 05 00", X509ASN_E_TRAILING},
      {x509_dn_gfra, "30 09 31 07 30 05 06 01 85 05 00", X509ASN_E_VALUE},  // bad OID
      {x509_dn_gfra, "30 09 31 07 30 05 06 01 55 00 00", X509ASN_E_NAME},  // 00 00 is no value
      {x509_dn_gfra, "30 0A 31 08 30 06 06 01 55 1F 01 00", X509ASN_E_TAGFORM},
      {x509_dn_gfra, "30 09 31 07 30 05 06 01 55 05 01", X509ASN_E_SHORT},
      {x509_dn_gfra, "30 0A 31 08 30 06 06 01 55 0C 01", X509ASN_E_SHORT},
      {x509_dn_gfra, "30 04 05 00 05 00", X509ASN_E_NAME},
      {x509_dn_gfra, "30 80 31 80 30 80 06 01 55 0C 00 00 00 00 00", X509ASN_E_SHORT},
      {x509_dn_gfra, "30 81 05 31 03 30 01 06", X509ASN_E_LENGTH},
      {x509_gfra, "30 02 83 00", X509ASN_E_NAME},   // x400Address must be constructed
      {x509_gfra, "30 02 A1 00", X509ASN_E_NAME},   // rfc822Name must be primitive
      {x509_gfra, "30 02 89 00", X509ASN_E_NAME},   // no choice [9]
      {x509_gfra, "30 02 04 00", X509ASN_E_NAME},   // universal class
      {x509_gfra, "30 02 A4 00", X509ASN_E_NAME},   // directoryName without a Name
      {x509_gfra, "30 06 A4 04 30 00 30 00", X509ASN_E_TRAILING},
      {x509_gfra, "30 06 A4 04 30 02 31 00", X509ASN_E_NAME},
      {x509_gfra, "30 03 81 02 41", X509ASN_E_SHORT},
      {x509_U_gfra, "04 00", X509ASN_E_TAG},
      {x509_U_gfra, "30 02 05 00", X509ASN_E_NAME},
      {x509_U_gfra, "", X509ASN_E_SHORT},
  };
  for (const Row& r : rows) {
    Bytes in(r.hex);
    Buffer b = in.View(), type, value;
    x509_walk_state_t st;
    unsigned char tag;
    EXPECT_EQ(r.first(&st, &b, &tag, &type, &value), r.result) << r.hex;
    // Later steps repeat the failure.
    Next next = r.first == x509_dn_gfra ? x509_dn_gnra : r.first == x509_gfra ? x509_gnra : x509_U_gnra;
    EXPECT_EQ(next(&st, &tag, &type, &value), r.result) << r.hex;
  }
}

TEST(WalkTest, StateMisuse) {
  x509_walk_state_t st;
  std::memset(&st, 0, sizeof st);
  unsigned char tag;
  Buffer type, value;
  EXPECT_EQ(x509_dn_gnra(&st, &tag, &type, &value), X509ASN_E_STATE);
  EXPECT_EQ(x509_gnra(&st, &tag, &type, &value), X509ASN_E_STATE);
  EXPECT_EQ(x509_U_gnra(&st, &tag, &type, &value), X509ASN_E_STATE);
  EXPECT_EQ(x509_dn_gnra(nullptr, &tag, &type, &value), X509ASN_E_ARG);
  Bytes gn(kGn);
  Buffer g = gn.View();
  ASSERT_EQ(x509_gfra(&st, &g, &tag, &type, &value), 1);
  EXPECT_EQ(x509_dn_gnra(&st, &tag, &type, &value), X509ASN_E_STATE);  // other kind
  EXPECT_EQ(x509_gnra(&st, &tag, &type, &value), 1);                   // still fine
  st.pos = st.total + 10;                                               // damaged
  EXPECT_EQ(x509_gnra(&st, &tag, &type, &value), X509ASN_E_STATE);
  EXPECT_EQ(x509_dn_gfra(&st, nullptr, &tag, &type, &value), X509ASN_E_ARG);
  // Outputs are optional.
  Bytes dn(kDn);
  Buffer d = dn.View();
  EXPECT_EQ(x509_dn_gfra(&st, &d, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(x509_dn_gnra(&st, nullptr, nullptr, nullptr), 1);
}

TEST(WalkTest, EveryTruncationFails) {
  for (const char* hex : {kDn, kGn}) {
    std::vector<uint8_t> full = Hex(hex);
    for (size_t cut = 0; cut < full.size(); ++cut) {
      Bytes part(std::vector<uint8_t>(full.begin(), full.begin() + cut));
      std::vector<Attr> a;
      EXPECT_LT(Walk(x509_U_gfra, x509_U_gnra, part, &a), 0) << cut;
      EXPECT_TRUE(a.empty());
    }
  }
}

TEST(WalkTest, IsDnRefusals) {
  Bytes a("04 00"), b("30 05"), c("30 80"), d("30 02 05 00");
  Buffer va = a.View(), vb = b.View(), vc = c.View(), vd = d.View();
  EXPECT_EQ(isDN(&va), X509ASN_E_TAG);
  EXPECT_EQ(isDN(&vb), X509ASN_E_SHORT);
  EXPECT_EQ(isDN(&vc), X509ASN_E_SHORT);
  EXPECT_EQ(isDN(&vd), X509ASN_E_NAME);
  EXPECT_EQ(isDN(nullptr), X509ASN_E_ARG);
}

}  // namespace
}  // namespace x509asn_test
