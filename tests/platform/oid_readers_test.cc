// Every reader of an OBJECT IDENTIFIER in the support library refuses the
// malformed forms (empty, a subidentifier opened by 80, an unterminated last
// subidentifier) with X509ASN_E_VALUE and accepts the valid ones: the OID
// functions themselves, algorithm identifiers, the attribute types of the
// distinguished-name walk, registeredID and otherName of the general-names
// walk, the names as text, and the algorithm-identifier encoders.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "oid_forms.h"

namespace x509asn_test {
namespace {

// A reader: runs on the OID content octets (placed in its structure) and
// returns its result; ok tells whether that result is a success.
struct Reader {
  const char* name;
  std::function<int(const std::vector<uint8_t>& oid)> run;
  std::function<bool(int)> ok;
  int empty_code;  // the code for the empty OID (encoders take it as a missing argument)
};

bool NonNegative(int r) { return r >= 0; }
bool Delivered(int r) { return r == 1; }

// Runs a walk's first call over der.
int FirstOf(int (*first)(x509_walk_state_t*, const Buffer*, unsigned char*, Buffer*, Buffer*),
            const std::vector<uint8_t>& der) {
  Bytes in(der);
  Buffer b = in.View(), type, value;
  x509_walk_state_t st;
  unsigned char tag;
  return first(&st, &b, &tag, &type, &value);
}

int TextOf(const std::vector<uint8_t>& der, int mode) {
  Bytes in(der);
  Buffer b = in.View();
  Owned text;
  return x509_parse_name(&b, &text.b, mode);
}

const Reader kReaders[] = {
    {"asn1_oid_check",
     [](const std::vector<uint8_t>& oid) {
       Bytes in(oid);
       Buffer b = in.View();
       return asn1_oid_check(&b);
     },
     [](int r) { return r == 0; }, X509ASN_E_VALUE},
    {"asn1_dec_objid",
     [](const std::vector<uint8_t>& oid) {
       Bytes in(oid);
       Buffer b = in.View();
       uint32_t arcs[16];
       return asn1_dec_objid(&b, arcs, 16);
     },
     [](int r) { return r >= 2; }, X509ASN_E_VALUE},
    {"asn1_oid_to_text",
     [](const std::vector<uint8_t>& oid) {
       Bytes in(oid);
       Buffer b = in.View();
       char text[128];
       return asn1_oid_to_text(&b, text, sizeof text);
     },
     [](int r) { return r >= 3; }, X509ASN_E_VALUE},
    {"x509_parse_algid",
     [](const std::vector<uint8_t>& oid) {
       Bytes in(AlgIdWith(oid));
       Buffer b = in.View(), o, p;
       return x509_parse_algid(&b, &o, &p);
     },
     [](int r) { return r == 0; }, X509ASN_E_VALUE},
    {"x509_dn_gfra on an attribute type",
     [](const std::vector<uint8_t>& oid) { return FirstOf(x509_dn_gfra, DnWith(oid)); }, Delivered,
     X509ASN_E_VALUE},
    {"x509_U_gfra on an attribute type",
     [](const std::vector<uint8_t>& oid) { return FirstOf(x509_U_gfra, DnWith(oid)); }, Delivered,
     X509ASN_E_VALUE},
    {"x509_gfra on registeredID",
     [](const std::vector<uint8_t>& oid) { return FirstOf(x509_gfra, RidWith(oid)); }, Delivered,
     X509ASN_E_VALUE},
    {"x509_U_gfra on registeredID",
     [](const std::vector<uint8_t>& oid) { return FirstOf(x509_U_gfra, RidWith(oid)); }, Delivered,
     X509ASN_E_VALUE},
    {"x509_gfra on otherName's type-id",
     [](const std::vector<uint8_t>& oid) { return FirstOf(x509_gfra, OtherNameWith(oid)); }, Delivered,
     X509ASN_E_VALUE},
    {"x509_gfra on an attribute type in a directoryName",
     [](const std::vector<uint8_t>& oid) { return FirstOf(x509_gfra, DirNameWith(oid)); }, Delivered,
     X509ASN_E_VALUE},
    {"x509_parse_name mode 1 of a Name",
     [](const std::vector<uint8_t>& oid) { return TextOf(DnWith(oid), 1); }, NonNegative, X509ASN_E_VALUE},
    {"x509_parse_name mode 3 of a Name",
     [](const std::vector<uint8_t>& oid) { return TextOf(DnWith(oid), 3); }, NonNegative, X509ASN_E_VALUE},
    {"x509_parse_name of registeredID",
     [](const std::vector<uint8_t>& oid) { return TextOf(RidWith(oid), 1); }, NonNegative, X509ASN_E_VALUE},
    {"x509_parse_name of otherName",
     [](const std::vector<uint8_t>& oid) { return TextOf(OtherNameWith(oid), 3); }, NonNegative,
     X509ASN_E_VALUE},
    {"x509_parse_name of a directoryName",
     [](const std::vector<uint8_t>& oid) { return TextOf(DirNameWith(oid), 1); }, NonNegative,
     X509ASN_E_VALUE},
    {"x509_enc_algid",
     [](const std::vector<uint8_t>& oid) {
       Bytes in(oid);
       Buffer b = in.View();
       Owned out;
       return x509_enc_algid(&b, nullptr, &out.b);
     },
     [](int r) { return r == 0; }, X509ASN_E_ARG},
    {"x509_encode_spki",
     [](const std::vector<uint8_t>& oid) {
       Bytes in(oid);
       Buffer b = in.View();
       Owned out;
       return x509_encode_spki(&b, nullptr, nullptr, &out.b);
     },
     [](int r) { return r == 0; }, X509ASN_E_ARG},
};

TEST(OidReadersTest, EveryReaderChecksTheOid) {
  for (const Reader& reader : kReaders) {
    for (const OidForm& form : kOidForms) {
      SCOPED_TRACE(std::string(reader.name) + ", " + form.what + " (" + form.hex + ")");
      std::vector<uint8_t> oid = Hex(form.hex);
      int r = reader.run(oid);
      if (form.valid) {
        EXPECT_TRUE(reader.ok(r)) << r;
      } else {
        EXPECT_EQ(r, oid.empty() ? reader.empty_code : X509ASN_E_VALUE);
      }
    }
  }
}

// The text of a name holding a valid OID names it; the walk delivers it.
TEST(OidReadersTest, ValidOidsAreDeliveredAsRead) {
  struct Row {
    std::vector<uint8_t> der;
    int mode;
    const char* text;
  } rows[] = {
      {DnWith(Hex("2A 81 00")), 1, "1.2.128=#0C0141"},
      {DnWith(Hex("88 37")), 3, "2.999=#0C0141"},
      {RidWith(Hex("88 37")), 1, "RID=#88028837"},
      {OtherNameWith(Hex("00")), 1, "otherName=#A0080601 00A0030C0141"},
  };
  for (const Row& row : rows) {
    Bytes in(row.der);
    Buffer b = in.View();
    Owned text;
    ASSERT_GE(x509_parse_name(&b, &text.b, row.mode), 0) << row.text;
    std::string want = row.text;
    want.erase(std::remove(want.begin(), want.end(), ' '), want.end());
    EXPECT_EQ(Str(text.b), want);
  }
}

// otherName around a good OID but in another shape is refused as well.
TEST(OidReadersTest, OtherNameShape) {
  struct Row {
    const char* hex;
    int result;
  } rows[] = {
      {"30 0C A0 0A 06 01 00 A0 05 0C 01 41 05 00", X509ASN_E_TRAILING},  // two values
      {"30 07 A0 05 06 01 00 A0 00", X509ASN_E_NAME},                     // [0] empty
      {"30 05 A0 03 06 01 00", X509ASN_E_NAME},                           // no value
      {"30 0A A0 08 06 01 00 80 03 0C 01 41", X509ASN_E_NAME},            // value [0] primitive
      {"30 0A A0 08 04 01 00 A0 03 0C 01 41", X509ASN_E_NAME},            // type-id not an OID
      {"30 0C A0 0A 06 01 00 A0 03 0C 01 41 05 00", X509ASN_E_TRAILING},  // after the value
      {"30 0A A0 08 06 01 00 A0 03 0C 01 41", 1},
      {"30 80 A0 80 06 01 00 A0 80 0C 01 41 00 00 00 00 00 00", 1},       // indefinite forms
  };
  for (const auto& row : rows) {
    Bytes in(row.hex);
    Buffer b = in.View(), type, value;
    x509_walk_state_t st;
    unsigned char tag;
    EXPECT_EQ(x509_gfra(&st, &b, &tag, &type, &value), row.result) << row.hex;
  }
}

}  // namespace
}  // namespace x509asn_test
