// The certificate parser on the generated fixtures and on hand-made DER:
// what lands in the record, indefinite lengths, bad input (every
// truncation, wrong tags, trailing octets, deep nesting), the key parsers,
// and the small readers (basic constraints, key usage, authority key
// identifier).
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "cert/basiccon.h"
#include "cert/keyusage.h"
#include "support/der_reader.h"
#include "x509_testutil.h"

namespace x509test {
namespace {

const Octets kKeyUsageOid = Hex("551D0F");
const Octets kBasicConstraintsOid = Hex("551D13");
const Octets kSubjectKeyIdOid = Hex("551D0E");
const Octets kPrivateOid = Hex("2B06010401868D1F07");  // 1.3.6.1.4.1.99999.7

TEST(X509RecordTest, InitSetsTheUnparsedMarks) {
  Record rec;
  ASSERT_NE(rec.get(), nullptr);
  uint16_t first_two;
  std::memcpy(&first_two, rec->markers, 2);
  EXPECT_EQ(first_two, 0xFFFF);
  EXPECT_EQ(rec->markers[3], 0xFF);
  EXPECT_EQ(rec->version, 0xFFFF);
  EXPECT_EQ(rec->reserved[0], 0xFF);
  EXPECT_EQ(rec->not_before, -1);
  EXPECT_EQ(rec->not_after, -1);
  EXPECT_EQ(rec->raw.len, 0u);
  EXPECT_EQ(rec->selector, nullptr);
  EXPECT_EQ(x509_init_cert(nullptr), X509_E_NULL);
  x509_release_cert(nullptr);
}

TEST(X509ParseTest, VersionOneHasNoExtensions) {
  Parsed c(Fixture("v1.der"));
  ASSERT_EQ(c.code(), X509_OK);
  EXPECT_EQ(c->markers[0], 1);
  EXPECT_EQ(c->markers[1], 1);
  EXPECT_EQ(c->version, 0);
  for (const Buffer* v : {&c->nc_permitted, &c->nc_excluded, &c->basic_constraints, &c->key_usage,
                          &c->issuer_alt_name, &c->subject_alt_name, &c->subject_key_id, &c->authority_key_id,
                          &c->crl_dp, &c->extensions, &c->other_extns, &c->other_critical_extns}) {
    EXPECT_EQ(v->len, 0u);
  }
  EXPECT_EQ(c->critical, 0u);
  EXPECT_EQ(c.consumed(), Fixture("v1.der").size());
}

TEST(X509ParseTest, ExtensionsLandInTheirViews) {
  Parsed c(Fixture("ext.der"));
  ASSERT_EQ(c.code(), X509_OK);
  EXPECT_EQ(c->version, 2);
  EXPECT_EQ(Of(c->basic_constraints), Hex("3000"));
  EXPECT_EQ(Of(c->key_usage), Hex("078880"));
  EXPECT_EQ(c->subject_key_id.len, 20u);
  EXPECT_EQ(c->authority_key_id.data[0], 0x80);  // content: keyIdentifier first
  EXPECT_EQ(c->subject_alt_name.data[0], 0x30);
  EXPECT_EQ(Of(c->issuer_alt_name), Hex("3010820E63612E6578616D706C652E636F6D"));
  EXPECT_EQ(c->crl_dp.data[0], 0x30);
  EXPECT_EQ(c->critical, X509_CRIT_KEY_USAGE);
  // The unknown critical extension whole in its buffer; the unknown
  // non-critical one and extended key usage (not among the recognised) in
  // the other, in certificate order.
  EXPECT_EQ(Of(c->other_critical_extns), Ext(kPrivateOid, {0xFF}, Hex("0500")));
  Octets eku = Ext(Hex("551D25"), {}, Hex("300A06082B06010505070302"));
  Octets note = Ext(Hex("2B06010401868D1F08"), {}, Tlv(0x0C, Octets(19, 0)));
  ASSERT_EQ(c->other_extns.len, eku.size() + note.size());
  EXPECT_EQ(Octets(c->other_extns.data, c->other_extns.data + eku.size()), eku);
  EXPECT_NE(c->other_extns.start, nullptr);  // owned
  // The extensions view is the content of the extensions SEQUENCE.
  EXPECT_EQ(c->extensions.data[0], 0x30);
  EXPECT_EQ(c->extensions.data + c->extensions.len, c->tbs.data + c->tbs.len);
}

TEST(X509ParseTest, NameConstraintsFillBothViews) {
  Parsed c(Fixture("nc.der"));
  ASSERT_EQ(c.code(), X509_OK);
  // permitted: DNS .example.com and IP 10/8; excluded: DNS and e-mail.
  EXPECT_EQ(c->nc_permitted.data[0], 0x30);
  EXPECT_EQ(c->nc_excluded.data[0], 0x30);
  EXPECT_NE(ToHex(Of(c->nc_permitted)).find(ToHex({'.', 'e', 'x', 'a', 'm', 'p', 'l', 'e'})), std::string::npos);
  EXPECT_NE(ToHex(Of(c->nc_excluded)).find(ToHex({'b', 'a', 'd'})), std::string::npos);
  EXPECT_EQ(c->critical, X509_CRIT_NAME_CONSTRAINTS | X509_CRIT_BASIC_CONSTRAINTS | X509_CRIT_KEY_USAGE);
}

// The parts of a record that do not depend on how lengths were written.
void ExpectSameContent(const x509_cert_t* a, const x509_cert_t* b) {
  EXPECT_EQ(a->version, b->version);
  EXPECT_EQ(a->not_before, b->not_before);
  EXPECT_EQ(a->not_after, b->not_after);
  EXPECT_EQ(a->critical, b->critical);
  for (auto field : {&x509_cert_t::serial, &x509_cert_t::sig_alg_oid, &x509_cert_t::sig_alg_params,
                     &x509_cert_t::signature, &x509_cert_t::key_usage, &x509_cert_t::basic_constraints,
                     &x509_cert_t::subject_key_id, &x509_cert_t::subject_alt_name,
                     &x509_cert_t::issuer_alt_name, &x509_cert_t::crl_dp, &x509_cert_t::authority_key_id}) {
    EXPECT_EQ(Of(a->*field), Of(b->*field));
  }
  Buffer text_a, text_b;
  ASSERT_GT(x509_parse_name(&a->subject, &text_a, 3), 0);
  ASSERT_GT(x509_parse_name(&b->subject, &text_b, 3), 0);
  EXPECT_EQ(Of(text_a), Of(text_b));
  release_buffer(&text_a);
  release_buffer(&text_b);
  Buffer ka = a->spki, kb = b->spki, bits_a, bits_b;
  ASSERT_EQ(x509_parse_spki(&ka, nullptr, nullptr, &bits_a), X509_OK);
  ASSERT_EQ(x509_parse_spki(&kb, nullptr, nullptr, &bits_b), X509_OK);
  EXPECT_EQ(Of(bits_a), Of(bits_b));
}

TEST(X509ParseTest, IndefiniteLengthsParseLikeDer) {
  Parsed der(Fixture("ext.der"));
  ASSERT_EQ(der.code(), X509_OK);
  for (const char* name : {"ber-outer.der", "ber-all.der"}) {
    SCOPED_TRACE(name);
    Octets ber = Fixture(name);
    Parsed c(ber);
    ASSERT_EQ(c.code(), X509_OK);
    EXPECT_EQ(c.consumed(), ber.size());
    EXPECT_EQ(c->raw.len, ber.size());
    ExpectSameContent(der.get(), c.get());
    EXPECT_EQ(c->tbs.data[1], 0x80);
  }
  // Only the two outer levels are indefinite: everything inside is as in
  // the DER form.
  Parsed outer(Fixture("ber-outer.der"));
  EXPECT_EQ(Of(outer->issuer), Of(der->issuer));
  EXPECT_EQ(Of(outer->extensions), Of(der->extensions));
  EXPECT_EQ(Of(outer->other_critical_extns), Of(der->other_critical_extns));
}

TEST(X509ParseTest, MissingEndOfContentsIsRefused) {
  Octets ber = Fixture("ber-outer.der");
  Parsed good(ber);
  ASSERT_EQ(good.code(), X509_OK);
  size_t tbs_eoc = (good->tbs.data - good->raw.data) + good->tbs.len - 2;
  struct Case {
    const char* what;
    Octets der;
    int code;
  } cases[] = {
      {"certificate's pair replaced", Cat({Octets(ber.begin(), ber.end() - 2), {0x01, 0x01}}), X509_E_NO_EOC},
      {"certificate's pair cut off", Octets(ber.begin(), ber.end() - 2), X509_E_SHORT},
      {"one octet of it left", Octets(ber.begin(), ber.end() - 1), X509_E_SHORT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Parsed(c.der).code(), c.code);
  }
  // The TBSCertificate's pair turned into a NULL: the content goes on past
  // where it should have ended.
  Octets bad = ber;
  bad[tbs_eoc] = 0x05;
  EXPECT_EQ(Parsed(bad).code(), X509_E_NO_EOC);
}

// The cursor the parser reads with: an indefinite content not closed by
// 00 00 fails with the code the cursor was made with, at every depth, and
// with the support library's code otherwise; a content cut short is
// X509ASN_E_SHORT either way.
TEST(DerReaderTest, UnclosedCodeIsInherited) {
  struct Case {
    const char* what;
    Octets der;
    int plain, own;  // results of a plain cursor and of one given X509_E_NO_EOC
  } cases[] = {
      {"closed", Indef(0x30, {Indef(0x30, {Int({1})})}), X509_OK, X509_OK},
      {"outer not closed", Cat({{0x30, 0x80}, Indef(0x30, {Int({1})}), Int({2}), {0, 0}}), X509ASN_E_EOC,
       X509_E_NO_EOC},
      {"inner not closed", Cat({{0x30, 0x80, 0x30, 0x80}, Int({1}), Int({2}), {0, 0, 0, 0}}), X509ASN_E_EOC,
       X509_E_NO_EOC},
      {"inner cut short", Hex("30 80 30 80 02 01 01"), X509ASN_E_SHORT, X509ASN_E_SHORT},
  };
  // Reads SEQUENCE { SEQUENCE { INTEGER } }.
  auto read = [](DerReader r) {
    return r.element(der::kSequence, [](DerReader& outer) {
      return outer.element(der::kSequence, [](DerReader& inner) {
        Buffer v;
        return inner.primitive(der::kInteger, &v);
      });
    });
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes der(c.der);
    EXPECT_EQ(read(DerReader(der.View())), c.plain);
    EXPECT_EQ(read(DerReader(der.View(), X509_E_NO_EOC)), c.own);
  }
}

TEST(X509ParseTest, UniqueIdentifiersAreSkipped) {
  Parsed der(Fixture("ext.der"));
  Parsed c(Fixture("uid.der"));
  ASSERT_EQ(c.code(), X509_OK);
  ExpectSameContent(der.get(), c.get());
  EXPECT_EQ(Of(c->extensions), Of(der->extensions));
  // The constructed form is skipped as well.
  CertParts p;
  p.unique_ids = Cat({Tlv(0xA1, Tlv(0x03, {0x00, 0x01})), Tlv(0x82, {0x00, 0x02})});
  p.extensions = {Ext(kSubjectKeyIdOid, {}, Tlv(0x04, {0x01, 0x02}))};
  Parsed h(p.Der());
  ASSERT_EQ(h.code(), X509_OK);
  EXPECT_EQ(Of(h->subject_key_id), Octets({0x01, 0x02}));
}

TEST(X509ParseTest, TimesOutsideThirtyTwoBitsSaturate) {
  Parsed c(Fixture("time-extremes.der"));
  ASSERT_EQ(c.code(), X509_OK);
  EXPECT_EQ(c->not_before, INT32_MIN);
  EXPECT_EQ(c->not_after, INT32_MAX);
}

TEST(X509ParseTest, CertificatesLaidEndToEnd) {
  Octets a = Fixture("ca.der"), b = Fixture("ext.der"), v = Fixture("v1.der");
  Bytes all(Cat({a, b, v}));
  Buffer in = all.View();
  for (const Octets* one : {&a, &b, &v}) {
    Record rec;
    const uint8_t* before = in.data;
    ASSERT_EQ(x509_parse_cert(&in, rec.get()), X509_OK);
    EXPECT_EQ(Of(rec->raw), *one);
    EXPECT_EQ(rec->raw.data, before);
  }
  EXPECT_EQ(in.len, 0u);
  Record rec;
  EXPECT_EQ(x509_parse_cert(&in, rec.get()), X509ASN_E_SHORT);
  EXPECT_EQ(x509_parse_cert(nullptr, rec.get()), X509_E_NULL);
}

TEST(X509ParseTest, SignatureAlgorithmsAreComparedByIdentifierOnly) {
  Octets sha256 = Tlv(0x06, Hex("2A864886F70D01010B"));
  struct Case {
    const char* what;
    Octets inner, outer;
    int code;
    Octets params;  // sig_alg_params afterwards
  } cases[] = {
      {"same", Seq({sha256, Hex("0500")}), Seq({sha256, Hex("0500")}), X509_OK, Hex("0500")},
      {"outer without parameters", Seq({sha256, Hex("0500")}), Seq({sha256}), X509_OK, Hex("0500")},
      {"inner without parameters", Seq({sha256}), Seq({sha256, Hex("0500")}), X509_OK, Hex("0500")},
      {"different parameters", Seq({sha256, Hex("0500")}), Seq({sha256, Hex("0400")}), X509_OK, Hex("0500")},
      {"other identifier", Seq({sha256, Hex("0500")}), Seq({Tlv(0x06, Hex("2A864886F70D010105")), Hex("0500")}),
       X509_E_SIG_MISMATCH, {}},
      {"identifier one octet longer", Seq({sha256}), Seq({Tlv(0x06, Hex("2A864886F70D01010B01"))}),
       X509_E_SIG_MISMATCH, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CertParts p;
    p.inner_alg = c.inner;
    p.outer_alg = c.outer;
    Parsed r(p.Der());
    EXPECT_EQ(r.code(), c.code);
    if (c.code == X509_OK) {
      EXPECT_EQ(Of(r->sig_alg_params), c.params);
    }
  }
}

TEST(X509ParseTest, CriticalFlagFollowsTheBoolean) {
  struct Case {
    const char* what;
    Octets boolean;
    int code;
    uint32_t critical;
  } cases[] = {
      {"FF", {0xFF}, X509_OK, X509_CRIT_KEY_USAGE},
      {"01 (not DER, still non-zero)", {0x01}, X509_OK, X509_CRIT_KEY_USAGE},
      {"00", {0x00}, X509_OK, 0},
      {"absent", {}, X509_OK, 0},
      {"two octets", {0xFF, 0xFF}, X509_E_BOOLEAN, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CertParts p;
    p.extensions = {Ext(kKeyUsageOid, c.boolean, Tlv(0x03, {0x07, 0x80}))};
    Parsed r(p.Der());
    EXPECT_EQ(r.code(), c.code);
    if (c.code == X509_OK) {
      EXPECT_EQ(r->critical, c.critical);
    }
  }
  // A later occurrence overwrites the earlier view and flag.
  CertParts p;
  p.extensions = {Ext(kKeyUsageOid, {0xFF}, Tlv(0x03, {0x07, 0x80})), Ext(kKeyUsageOid, {}, Tlv(0x03, {0x01, 0x06}))};
  Parsed r(p.Der());
  ASSERT_EQ(r.code(), X509_OK);
  EXPECT_EQ(Of(r->key_usage), Octets({0x01, 0x06}));
  EXPECT_EQ(r->critical, 0u);
}

TEST(X509ParseTest, MalformedFieldsGiveTheirCodes) {
  auto with = [](auto edit) {
    CertParts p;
    edit(p);
    return p.Der();
  };
  struct Case {
    const char* what;
    Octets der;
    int code;
  } cases[] = {
      {"version 3", with([](CertParts& p) { p.version = Tlv(0xA0, Int({0x03})); }), X509_E_VERSION},
      {"version of two octets", with([](CertParts& p) { p.version = Tlv(0xA0, Int({0x00, 0x02})); }),
       X509_E_VERSION},
      {"version negative", with([](CertParts& p) { p.version = Tlv(0xA0, Int({0xFF})); }), X509_E_VERSION},
      {"version not an INTEGER", with([](CertParts& p) { p.version = Tlv(0xA0, Tlv(0x04, {0x02})); }),
       X509_E_VERSION},
      {"octets after the version", with([](CertParts& p) { p.version = Tlv(0xA0, Cat({Int({0x02}), {0x05, 0x00}})); }),
       X509ASN_E_TRAILING},
      {"serial not minimal", with([](CertParts& p) { p.serial = Int({0x00, 0x01}); }), X509ASN_E_VALUE},
      {"serial missing", with([](CertParts& p) { p.serial = {}; }), X509ASN_E_TAG},
      {"issuer not a Name", with([](CertParts& p) { p.issuer = Seq({Tlv(0x0C, {'x'})}); }), X509ASN_E_NAME},
      {"bad time", with([](CertParts& p) { p.validity = Seq({Tlv(0x17, {'x'}), Tlv(0x17, {'y'})}); }),
       X509ASN_E_VALUE},
      {"one time only", with([](CertParts& p) {
         p.validity = Seq({Tlv(0x17, Octets{'2', '5', '0', '1', '0', '1', '0', '0', '0', '0', '0', '0', 'Z'})});
       }),
       X509ASN_E_SHORT},
      {"octets after the last field", with([](CertParts& p) { p.tbs_tail = {0x05, 0x00}; }), X509ASN_E_TRAILING},
      {"extension value of the wrong type",
       with([](CertParts& p) { p.extensions = {Ext(kKeyUsageOid, {}, Tlv(0x04, {0x07, 0x80}))}; }), X509ASN_E_TAG},
      {"octets after a key identifier",
       with([](CertParts& p) { p.extensions = {Ext(kSubjectKeyIdOid, {}, Cat({Tlv(0x04, {1}), {0x05, 0x00}}))}; }),
       X509ASN_E_TRAILING},
      {"octets inside an Extension after its value",
       with([](CertParts& p) {
         p.extensions = {Seq({Tlv(0x06, kKeyUsageOid), Tlv(0x04, Tlv(0x03, {0x07, 0x80})), {0x05, 0x00}})};
       }),
       X509ASN_E_TRAILING},
      {"extension without a value",
       with([](CertParts& p) { p.extensions = {Seq({Tlv(0x06, kKeyUsageOid)})}; }), X509ASN_E_SHORT},
      {"signature not a BIT STRING", with([](CertParts& p) { p.signature = Tlv(0x04, {0x00}); }), X509ASN_E_TAG},
      {"octets after the signature",
       with([](CertParts& p) { p.signature = Cat({Tlv(0x03, {0x00, 0x01}), {0x05, 0x00}}); }), X509ASN_E_TRAILING},
      {"not a SEQUENCE", Hex("31 03 02 01 00"), X509ASN_E_TAG},
      {"length beyond the input", Hex("30 83 01 00 00 30 00"), X509ASN_E_SHORT},
      {"length in five octets", Hex("30 85 00 00 00 00 02"), X509ASN_E_LENGTH},
      {"empty", {}, X509ASN_E_SHORT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Parsed(c.der).code(), c.code);
  }
}

// ---- Bit strings that must hold whole octets -----------------------------

// der with the octet at offset set to value.
Octets Patched(Octets der, size_t offset, uint8_t value) {
  der.at(offset) = value;
  return der;
}

// Offset from base of the unused-bits octet of the BIT STRING whose bits
// the view shows: the octet just before them.
size_t UnusedBitsOffset(const uint8_t* base, const Buffer& bits) {
  return static_cast<size_t>(bits.data - base) - 1;
}

TEST(X509BitStringTest, SignatureWithUnusedBitsIsMalformed) {
  // A certificate of the sample PKI with the unused-bits octet of its
  // signatureValue patched: every count but 0 is refused, the input stays.
  Octets good = ReadFile(SourcePath("examples/certs/server.der"));
  Bytes good_bytes(good);
  Buffer in = good_bytes.View();
  Record rec;
  ASSERT_EQ(x509_parse_cert(&in, rec.get()), X509_OK);
  size_t at = UnusedBitsOffset(good_bytes.data(), rec->signature);
  ASSERT_EQ(good[at], 0x00);
  for (uint8_t unused = 0; unused <= 7; ++unused) {
    SCOPED_TRACE(static_cast<int>(unused));
    Parsed c(Patched(good, at, unused));
    EXPECT_EQ(c.code(), unused == 0 ? X509_OK : X509_E_UNUSED_BITS);
    if (unused != 0) {
      EXPECT_EQ(c.consumed(), 0u);
    }
  }
  // Hand-made signatures: the unused-bits octet alone, 07 over one octet,
  // and the malformed ones the support library refuses itself.
  struct Case {
    const char* what;
    Octets signature;
    int code;
  } cases[] = {
      {"no octets, no unused bits", Tlv(0x03, {0x00}), X509_OK},
      {"seven unused bits of one octet", Tlv(0x03, {0x07, 0x80}), X509_E_UNUSED_BITS},
      {"one unused bit of four octets", Tlv(0x03, {0x01, 0x5A, 0x5A, 0x5A, 0x5A}), X509_E_UNUSED_BITS},
      {"empty content", Tlv(0x03, {}), X509ASN_E_VALUE},
      {"constructed", Tlv(0x23, Tlv(0x03, {0x00, 0x5A})), X509ASN_E_TAG},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    CertParts p;
    p.signature = k.signature;
    EXPECT_EQ(Parsed(p.Der()).code(), k.code);
  }
}

TEST(X509BitStringTest, PublicKeyWithUnusedBitsIsMalformed) {
  // SubjectPublicKeyInfo of each key family with the unused-bits octet of
  // its BIT STRING at 1 to 7: x509_parse_spki and a certificate holding it
  // refuse it; x509_parse_key refuses the ones it recognises (the EC key
  // it does not: its algorithm is refused first).
  struct Key {
    const char* what;
    Octets der;
    int key_code;  // x509_parse_key on the patched key
  } keys[] = {
      {"RSA", Fixture("rsa.pub.der"), X509_E_UNUSED_BITS},
      {"DSA", Fixture("dsa.pub.der"), X509_E_UNUSED_BITS},
      {"DH", Fixture("dh.pub.der"), X509_E_UNUSED_BITS},
      {"DH X9.42", Fixture("dhx.pub.der"), X509_E_UNUSED_BITS},
      {"EC P-384", ReadFile(SourcePath("examples/keys/ec-user-key.pub.der")), X509_E_PUBKEY_ALG},
  };
  for (const Key& key : keys) {
    ASSERT_FALSE(key.der.empty()) << key.what;
    Bytes original(key.der);
    Buffer in = original.View(), bits;
    ASSERT_EQ(x509_parse_spki(&in, nullptr, nullptr, &bits), X509_OK) << key.what;
    size_t at = UnusedBitsOffset(original.data(), bits);
    for (uint8_t unused = 1; unused <= 7; ++unused) {
      SCOPED_TRACE(std::string(key.what) + " unused " + std::to_string(unused));
      Bytes der(Patched(key.der, at, unused));
      Buffer spki = der.View();
      EXPECT_EQ(x509_parse_spki(&spki, nullptr, nullptr, nullptr), X509_E_UNUSED_BITS);
      EXPECT_EQ(spki.data, der.data());
      spki = der.View();
      uint16_t type = 0;
      EXPECT_EQ(x509_parse_key(&spki, &type, nullptr, nullptr), key.key_code);
      CertParts p;
      p.spki = Patched(key.der, at, unused);
      EXPECT_EQ(Parsed(p.Der()).code(), X509_E_UNUSED_BITS);
    }
  }
}

// ---- Object identifiers ----------------------------------------------

// Malformed identifier contents, each refused by OpenSSL's reader as well.
struct BadOid {
  const char* what;
  Octets content;
};
const BadOid kBadOids[] = {
    {"empty", {}},
    {"first subidentifier padded with 0x80", Hex("80 01")},
    {"later subidentifier padded with 0x80", Hex("55 1D 80 0F")},
    {"last subidentifier unterminated", Hex("55 9D")},
    {"a single unterminated octet", Hex("88")},
};

TEST(X509OidTest, MalformedExtensionIdentifiersAreRefused) {
  for (const BadOid& bad : kBadOids) {
    SCOPED_TRACE(bad.what);
    // The Extension alone: nothing is delivered, the input stays.
    Bytes ext(Ext(bad.content, {}, Hex("0500")));
    Buffer in = ext.View(), oid = {}, value = {};
    int critical = -1;
    EXPECT_EQ(x509_parse_extension(&in, &oid, &critical, &value), X509ASN_E_VALUE);
    EXPECT_EQ(in.data, ext.data());
    EXPECT_EQ(oid.len, 0u);
    EXPECT_EQ(critical, -1);
    // In a certificate, critical or not, among good extensions.
    for (const Octets& boolean : {Octets{}, Octets{0xFF}}) {
      CertParts p;
      p.extensions = {Ext(kSubjectKeyIdOid, {}, Tlv(0x04, {0x01})), Ext(bad.content, boolean, Hex("0500"))};
      EXPECT_EQ(Parsed(p.Der()).code(), X509ASN_E_VALUE);
    }
    // The encoder writes no Extension with it either.
    Bytes oid_bytes(bad.content);
    Buffer bad_oid = oid_bytes.View();
    OwnedBuffer b(2);
    int written = x509_enc_extension(&bad_oid, 0, b.get());
    EXPECT_EQ(written, bad.content.empty() ? X509_E_NULL : X509ASN_E_VALUE);
  }
  // Well-formed identifiers of every length class still read.
  for (const char* good : {"55 1D 0F", "2B 06 01 04 01 86 8D 1F 07", "88 37 03", "00"}) {
    SCOPED_TRACE(good);
    Bytes ext(Ext(Hex(good), {}, Hex("0500")));
    Buffer in = ext.View(), oid;
    EXPECT_EQ(x509_parse_extension(&in, &oid, nullptr, nullptr), 2);
    EXPECT_EQ(Of(oid), Hex(good));
  }
}

TEST(X509OidTest, MalformedAlgorithmIdentifiersAreRefused) {
  // The signature algorithm (inner and outer) and the key's algorithm.
  for (const BadOid& bad : kBadOids) {
    SCOPED_TRACE(bad.what);
    Octets alg = Seq({Tlv(0x06, bad.content), Hex("0500")});
    CertParts inner, both, key;
    inner.inner_alg = alg;
    both.inner_alg = alg;
    both.outer_alg = alg;
    key.spki = Seq({alg, Tlv(0x03, Cat({{0x00}, Seq({Int({0x00, 0xC1}), Int({0x03})})}))});
    for (const CertParts* p : {&inner, &both, &key}) EXPECT_EQ(Parsed(p->Der()).code(), X509ASN_E_VALUE);
    Bytes spki(key.spki);
    Buffer in = spki.View();
    EXPECT_EQ(x509_parse_spki(&in, nullptr, nullptr, nullptr), X509ASN_E_VALUE);
    in = spki.View();
    EXPECT_EQ(x509_parse_key(&in, nullptr, nullptr, nullptr), X509ASN_E_VALUE);
    Bytes secret(Seq({Int({0}), alg, Tlv(0x04, Int({0x11}))}));
    in = secret.View();
    EXPECT_EQ(asn1_der_decode_secret(&in, nullptr, nullptr, nullptr), X509ASN_E_VALUE);
    in = secret.View();
    EXPECT_EQ(x509_parse_secret(&in, nullptr, nullptr, nullptr), X509ASN_E_VALUE);
  }
}

// Every proper prefix of a certificate fails with a code and reads nothing
// past its end; a certificate with room after it parses and leaves the rest.
TEST(X509ParseTest, EveryTruncationFails) {
  for (const char* name : {"ext.der", "ber-all.der", "nc.der"}) {
    SCOPED_TRACE(name);
    Octets der = Fixture(name);
    for (size_t n = 0; n < der.size(); ++n) {
      int code = Parsed(Octets(der.begin(), der.begin() + n)).code();
      EXPECT_LT(code, 0) << "prefix of " << n;
      if (code >= 0) break;
    }
    Parsed longer(Cat({der, {0x00, 0x00, 0x30}}));
    EXPECT_EQ(longer.code(), X509_OK);
    EXPECT_EQ(longer.consumed(), der.size());
  }
}

TEST(X509ParseTest, DeepNestingEndsWithACode) {
  // A hundred thousand levels of indefinite SEQUENCEs: the parser does not
  // descend through them.
  Octets deep;
  for (int i = 0; i < 100000; ++i) deep.insert(deep.end(), {0x30, 0x80});
  EXPECT_EQ(Parsed(deep).code(), X509ASN_E_TAG);
  // Nested parameters of the key's algorithm: the library's depth limit.
  Octets params;
  for (int i = 0; i < 200; ++i) params.insert(params.end(), {0x30, 0x80});
  for (int i = 0; i < 200; ++i) params.insert(params.end(), {0x00, 0x00});
  CertParts p;
  p.spki = Seq({Seq({Tlv(0x06, Hex("2A864886F70D010101")), params}), Tlv(0x03, {0x00})});
  EXPECT_EQ(Parsed(p.Der()).code(), X509ASN_E_DEPTH);
}

TEST(X509ParseTest, ExtensionParserAlone) {
  Bytes ext(Ext(kBasicConstraintsOid, {0xFF}, Hex("30030101FF")));
  Buffer in = ext.View(), oid, value;
  int critical = -1;
  EXPECT_EQ(x509_parse_extension(&in, &oid, &critical, &value), 5);
  EXPECT_EQ(Of(oid), kBasicConstraintsOid);
  EXPECT_EQ(critical, 0xFF);
  EXPECT_EQ(Of(value), Hex("30030101FF"));
  EXPECT_EQ(in.len, 0u);
  in = ext.View();
  EXPECT_EQ(x509_parse_extension(&in, nullptr, nullptr, nullptr), 5);
}

TEST(X509ParseTest, NamesAndGeneralNames) {
  Parsed c(Fixture("ext.der"));
  ASSERT_EQ(c.code(), X509_OK);
  Buffer in = c->subject;
  EXPECT_EQ(x509_parse_dn(&in), X509_OK);
  EXPECT_EQ(in.len, 0u);
  in = c->subject_alt_name;
  EXPECT_EQ(x509_parse_gn(&in), X509_OK);
  EXPECT_EQ(in.len, 0u);
  // The other kind is refused, and the input stays where it was.
  in = c->subject_alt_name;
  EXPECT_LT(x509_parse_dn(&in), 0);
  EXPECT_EQ(in.data, c->subject_alt_name.data);
  in = c->subject;
  EXPECT_LT(x509_parse_gn(&in), 0);
  Bytes empty_name(Hex("3000"));
  in = empty_name.View();
  EXPECT_EQ(x509_parse_dn(&in), X509_OK);
  EXPECT_EQ(in.len, 0u);
  EXPECT_EQ(x509_parse_dn(nullptr), X509_E_NULL);
}

// ---- Keys --------------------------------------------------------------

TEST(X509KeyTest, PublicKeysAreRecognised) {
  struct Case {
    const char* file;
    uint16_t type;
    bool third;  // a third parameter INTEGER
  } cases[] = {
      {"rsa.pub.der", X509_KEY_RSA, false},
      {"dsa.pub.der", X509_KEY_DSA, true},
      {"dh.pub.der", X509_KEY_DH, false},
      {"dhx.pub.der", X509_KEY_DH_X942, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Bytes der(Fixture(c.file));
    Buffer in = der.View(), value;
    uint16_t type = 0;
    x509_key_params_t* params = nullptr;
    ASSERT_EQ(x509_parse_key(&in, &type, &params, &value), X509_OK);
    EXPECT_EQ(in.len, 0u);
    EXPECT_EQ(type, c.type);
    ASSERT_NE(params, nullptr);
    EXPECT_GT(params->first.len, 0u);
    EXPECT_GT(params->second.len, 0u);
    EXPECT_EQ(params->third.len != 0, c.third);
    EXPECT_GT(value.len, 0u);
    if (c.type == X509_KEY_RSA) {
      // The key value is the whole RSAPublicKey, as the PKCS #1 file holds it.
      EXPECT_EQ(Of(value), Fixture("rsa.p1pub.der"));
      EXPECT_EQ(params->second.len, 3u);  // 65537
    }
    std::free(params);
    // Only checked: no record.
    in = der.View();
    EXPECT_EQ(x509_parse_key(&in, &type, nullptr, nullptr), X509_OK);
  }
}

TEST(X509KeyTest, BadPublicKeys) {
  Octets rsa_alg = Tlv(0x06, Hex("2A864886F70D010101"));
  Octets rsa_key = Seq({Int({0x00, 0xC1}), Int({0x03})});
  auto spki = [](const Octets& alg, const Octets& bits) { return Seq({alg, Tlv(0x03, bits)}); };
  struct Case {
    const char* what;
    Octets der;
    int code;
    uint16_t type;
  } cases[] = {
      {"RSA without parameters", spki(Seq({rsa_alg}), Cat({{0x00}, rsa_key})), X509_E_RSA_PARAMS, X509_KEY_RSA},
      {"RSA with INTEGER parameters", spki(Seq({rsa_alg, Int({0})}), Cat({{0x00}, rsa_key})), X509_E_RSA_PARAMS,
       X509_KEY_RSA},
      {"unused bits", spki(Seq({rsa_alg, Hex("0500")}), Cat({{0x01}, rsa_key})), X509_E_UNUSED_BITS, X509_KEY_RSA},
      {"empty BIT STRING", spki(Seq({rsa_alg, Hex("0500")}), {}), X509_E_UNUSED_BITS, X509_KEY_RSA},
      {"octets after the RSAPublicKey", spki(Seq({rsa_alg, Hex("0500")}), Cat({{0x00}, rsa_key, {0x05, 0x00}})),
       X509ASN_E_TRAILING, X509_KEY_RSA},
      {"RSAPublicKey of one INTEGER", spki(Seq({rsa_alg, Hex("0500")}), Cat({{0x00}, Seq({Int({0x05})})})),
       X509ASN_E_SHORT, X509_KEY_RSA},
      {"DSA without parameters", spki(Seq({Tlv(0x06, Hex("2A8648CE380401"))}), Cat({{0x00}, Int({0x05})})),
       X509ASN_E_SHORT, X509_KEY_DSA},
      {"unknown algorithm (EC)", ReadFile(SourcePath("examples/keys/ec-ca-key.pub.der")), X509_E_PUBKEY_ALG, 0},
      {"a bare RSAPublicKey", Fixture("rsa.p1pub.der"), X509ASN_E_TAG, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes der(c.der);
    Buffer in = der.View();
    uint16_t type = 0;
    x509_key_params_t* params = reinterpret_cast<x509_key_params_t*>(1);
    EXPECT_EQ(x509_parse_key(&in, &type, &params, nullptr), c.code);
    EXPECT_EQ(params, nullptr);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(in.data, der.data());
  }
  EXPECT_EQ(x509_parse_key(nullptr, nullptr, nullptr, nullptr), X509_E_NULL);
}

TEST(X509KeyTest, PrivateKeysAreRecognised) {
  struct Case {
    const char* file;
    int code;
    uint16_t type;
    bool params;
  } cases[] = {
      {"dsa.p8.der", X509_OK, X509_KEY_DSA, true},
      {"dh.p8.der", X509_OK, X509_KEY_DH, true},
      {"rsa.p8.der", X509_OK, X509_KEY_RSA, false},  // NULL parameters, RSAPrivateKey inside
      {"dhx.p8.der", X509_E_KEY_ALG, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Bytes der(Fixture(c.file));
    Buffer in = der.View(), value = {};
    uint16_t type = 0;
    x509_key_params_t* params = nullptr;
    EXPECT_EQ(asn1_der_decode_secret(&in, &type, &params, &value), c.code);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(params != nullptr, c.params);
    if (c.code == X509_OK) {
      EXPECT_EQ(in.len, 0u);
      EXPECT_GT(value.len, 0u);
      if (c.type == X509_KEY_DSA) {
        EXPECT_GT(params->third.len, 0u);
      }
      if (c.type == X509_KEY_RSA) {
        EXPECT_EQ(Of(value), Fixture("rsa.p1.der"));
      }
    }
    std::free(params);
    // Without type recognition every one of them reads.
    in = der.View();
    Buffer alg;
    EXPECT_EQ(x509_parse_secret(&in, &alg, nullptr, nullptr), X509_OK);
    EXPECT_EQ(in.len, 0u);
    EXPECT_GT(alg.len, 0u);
  }
  // The PKCS #1 form is no PrivateKeyInfo: an INTEGER where the
  // AlgorithmIdentifier should be.
  Bytes pkcs1(Fixture("rsa.p1.der"));
  Buffer in = pkcs1.View();
  EXPECT_EQ(x509_parse_secret(&in, nullptr, nullptr, nullptr), X509ASN_E_TAG);
  EXPECT_EQ(in.data, pkcs1.data());
}

TEST(X509KeyTest, BadPrivateKeys) {
  Octets dsa_oid = Tlv(0x06, Hex("2A8648CE380401"));
  Octets x = Tlv(0x04, Int({0x11}));
  struct Case {
    const char* what;
    Octets der;
    int code;
  } cases[] = {
      {"indefinite", Indef(0x30, {Int({0}), Seq({dsa_oid, Seq({Int({1}), Int({2}), Int({3})})}), x}),
       X509ASN_INDEFINITE},
      {"version 1", Seq({Int({1}), Seq({dsa_oid, Seq({Int({1}), Int({2}), Int({3})})}), x}), X509_E_VERSION},
      {"version of two octets", Seq({Int({0, 0}), Seq({dsa_oid}), x}), X509_E_VERSION},
      {"DSA with two parameters", Seq({Int({0}), Seq({dsa_oid, Seq({Int({1}), Int({2})})}), x}), X509_E_DSA_PARAMS},
      {"DSA key holding a SEQUENCE", Seq({Int({0}), Seq({dsa_oid, Seq({Int({1}), Int({2}), Int({3})})}),
                                          Tlv(0x04, Seq({Int({0x11})}))}),
       X509ASN_E_TAG},
      {"octets after the private INTEGER",
       Seq({Int({0}), Seq({dsa_oid, Seq({Int({1}), Int({2}), Int({3})})}), Tlv(0x04, Cat({Int({0x11}), {0, 0}}))}),
       X509ASN_E_TRAILING},
      {"unknown algorithm", Seq({Int({0}), Seq({Tlv(0x06, Hex("2A03"))}), x}), X509_E_KEY_ALG},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes der(c.der);
    Buffer in = der.View();
    x509_key_params_t* params = nullptr;
    EXPECT_EQ(asn1_der_decode_secret(&in, nullptr, &params, nullptr), c.code);
    EXPECT_EQ(params, nullptr);
    EXPECT_EQ(in.data, der.data());
  }
  // With attributes after the key, and without a params record (then the
  // parameters are not looked at).
  Bytes with_attrs(Seq({Int({0}), Seq({dsa_oid, Seq({Int({1}), Int({2})})}), x, Tlv(0xA0, {})}));
  Buffer in = with_attrs.View(), value;
  EXPECT_EQ(asn1_der_decode_secret(&in, nullptr, nullptr, &value), X509_OK);
  EXPECT_EQ(Of(value), Octets{0x11});
}

TEST(X509KeyTest, ParameterSequences) {
  struct Case {
    const char* what;
    Octets der;
    int pair, dhka;   // results of the two parsers
    size_t consumed;  // by both, on success
  } cases[] = {
      {"two", Seq({Int({1}), Int({2})}), X509_OK, X509_OK, 8},
      {"three", Seq({Int({1}), Int({2}), Int({3})}), X509_OK, X509_OK, 11},
      {"one", Seq({Int({1})}), X509ASN_E_SHORT, X509ASN_E_SHORT, 0},
      {"three and more, definite", Seq({Int({1}), Int({2}), Int({3}), Tlv(0x04, {})}), X509_OK, X509_OK, 13},
      {"indefinite, two", Indef(0x30, {Int({1}), Int({2})}), X509_OK, X509_OK, 10},
      {"indefinite, three", Indef(0x30, {Int({1}), Int({2}), Int({3})}), X509_E_NO_EOC, X509_OK, 13},
      {"not INTEGERs", Seq({Tlv(0x04, {1}), Int({2})}), X509ASN_E_TAG, X509ASN_E_TAG, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes der(c.der);
    for (int dhka = 0; dhka < 2; ++dhka) {
      Buffer in = der.View();
      x509_key_params_t* p = nullptr;
      int r = dhka ? x509_parse_params_dhKA(&in, &p) : x509_parse_params_pair(&in, &p);
      EXPECT_EQ(r, dhka ? c.dhka : c.pair) << (dhka ? "dhKA" : "pair");
      if (r == X509_OK) {
        EXPECT_EQ(Of(p->first), Octets{1});
        EXPECT_EQ(Of(p->second), Octets{2});
        EXPECT_EQ(p->third.len, dhka && c.der.size() > 10 ? 1u : 0u);
        EXPECT_EQ(in.data - der.data(), static_cast<ptrdiff_t>(c.consumed));
      } else {
        EXPECT_EQ(p, nullptr);
      }
      std::free(p);
    }
  }
}

// ---- The small readers -------------------------------------------------

TEST(BasicConstraintsTest, Cases) {
  struct Case {
    const char* hex;
    bool want_path;
    int code;
    uint8_t ca;
    uint32_t path;
  } cases[] = {
      {"30 00", true, X509_OK, 0, 0},
      {"30 03 01 01 FF", true, X509_OK, 0xFF, 0},
      {"30 06 01 01 FF 02 01 03", true, X509_OK, 0xFF, 3},
      {"30 06 01 01 FF 02 01 03", false, X509_OK, 0xFF, 0},
      {"30 03 02 01 05", true, X509_OK, 0, 5},  // cA left at its default
      {"30 09 01 01 FF 02 04 7F FF FF FF", true, X509_OK, 0xFF, 0x7FFFFFFF},
      {"30 0A 01 01 FF 02 05 00 FF FF FF FF", true, X509_E_PATHLEN, 0xFF, 0},
      {"30 06 01 01 FF 02 01 80", true, X509_E_PATHLEN, 0xFF, 0},
      {"30 04 01 02 FF FF", true, X509_E_BOOLEAN, 0, 0},
      {"30 05 01 01 FF 05 00", true, X509ASN_E_TAG, 0xFF, 0},
      {"30 08 01 01 FF 02 01 03 05 00", true, X509ASN_E_TRAILING, 0xFF, 3},
      {"30 80 01 01 FF 02 01 02 00 00", true, X509_OK, 0xFF, 2},
      {"30 80 01 01 FF 02 01 02", true, X509_E_SHORT, 0xFF, 2},
      // Without the path length: a definite rest is not examined, an
      // indefinite content is still read to its end-of-contents.
      {"30 08 01 01 FF 02 01 03 05 00", false, X509_OK, 0xFF, 0},
      {"30 80 01 01 FF 02 01 02 00 00", false, X509_OK, 0xFF, 0},
      {"30 80 01 01 FF 02 01 02", false, X509_E_SHORT, 0xFF, 0},
      {"30 80 01 01 FF 02 01 02 05 00 00", false, X509ASN_E_TAG, 0xFF, 0},  // a stray 00
      {"04 00", true, X509ASN_E_TAG, 0, 0},
      {"30 05 01 01", true, X509ASN_E_SHORT, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hex);
    Bytes der(Hex(c.hex));
    Buffer bc = der.View();
    uint8_t ca = 0x55;
    uint32_t path = 0x55;
    EXPECT_EQ(parse_basic_constraints(&bc, &ca, c.want_path ? &path : nullptr), c.code);
    EXPECT_EQ(ca, c.ca);
    if (c.want_path) {
      EXPECT_EQ(path, c.path);
    }
    EXPECT_EQ(bc.data, der.data());
  }
  Buffer empty = {};
  uint8_t ca;
  EXPECT_EQ(parse_basic_constraints(&empty, &ca, nullptr), X509_E_NULL);
  EXPECT_EQ(parse_basic_constraints(nullptr, &ca, nullptr), X509_E_NULL);
}

TEST(KeyUsageTest, BitsAndTheirNames) {
  struct Case {
    const char* hex;
    uint16_t mask;
    int code;
  } cases[] = {
      {"07 80", X509_KU_DIGITAL_SIGNATURE, 1},   {"07 80", X509_KU_NON_REPUDIATION, 0},
      {"07 00 80", X509_KU_DECIPHER_ONLY, 1},    {"01 06", X509_KU_KEY_CERT_SIGN | X509_KU_CRL_SIGN, 1},
      {"00", X509_KU_DIGITAL_SIGNATURE, X509_E_UNUSED_BITS},
      {"07 80 00 00", X509_KU_DIGITAL_SIGNATURE, X509_E_UNUSED_BITS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hex);
    Bytes der(Hex(c.hex));
    Buffer bits = der.View();
    EXPECT_EQ(is_set(&bits, c.mask), c.code);
  }
  EXPECT_EQ(is_set(nullptr, 1), X509_E_UNUSED_BITS);

  auto printed = [](const std::string& hex) {
    Bytes der(Hex(hex));
    Buffer bits = der.View();
    testing::internal::CaptureStdout();
    print_keyusage(&bits);
    return testing::internal::GetCapturedStdout();
  };
  EXPECT_EQ(printed("07 80"), "\tdigitalSignature\n");
  EXPECT_EQ(printed("07 88 80"), "\tdigitalSignature\n\tkeyAgreement\n\tdecipherOnly\n");
  EXPECT_EQ(printed("01 FE"),
            "\tdigitalSignature\n\tnonRepudiation\n\tkeyEncipherment\n\tdataEncipherment\n\tkeyAgreement\n"
            "\tkeyCertSign\n\tcRLSign\n");
  EXPECT_EQ(printed("00"), "");
}

TEST(SearchByteTest, LooksBackThroughTheRoom) {
  OwnedBuffer b(8);
  Buffer* buf = b.get();
  const uint8_t content[] = {0xAA, 0x01, 0x02, 0xBB, 0x03, 0x04, 0x05, 0x06};
  std::memcpy(buf->data, content, 8);
  shift_buffer(buf, 4);  // data at 03; 4 octets of room in front
  EXPECT_EQ(search_byte(buf, 0x03), 0);
  EXPECT_EQ(search_byte(buf, 0xBB), 1);
  EXPECT_EQ(search_byte(buf, 0xAA), 4);
  EXPECT_EQ(search_byte(buf, 0x05), -1);  // after the data pointer
  EXPECT_EQ(search_byte(buf, 0x77), -1);
  // A view has no room to search; an empty content has no octet of its own.
  Buffer view = {nullptr, buf->data, buf->len};
  EXPECT_EQ(search_byte(&view, 0xBB), -1);
  EXPECT_EQ(search_byte(&view, 0x03), 0);
  Buffer empty_end = {buf->start, buf->data + buf->len, 0};
  EXPECT_EQ(search_byte(&empty_end, 0x06), 1);
  EXPECT_EQ(search_byte(nullptr, 0), -1);
}

TEST(AuthorityKeyIdTest, ReadsTheThreeFields) {
  Parsed ca(Fixture("ca.der"));
  Parsed c(Fixture("ext.der"));
  ASSERT_EQ(c.code(), X509_OK);
  Bytes aki(Tlv(0x30, Of(c->authority_key_id)));
  Buffer in = aki.View(), key_id, serial, issuer;
  EXPECT_EQ(x509_parse_KI(&in, &key_id, &serial, &issuer, 1), X509_OK);
  EXPECT_EQ(in.data, aki.data());  // not advanced
  EXPECT_EQ(Of(key_id), Of(ca->subject_key_id));
  EXPECT_EQ(Of(serial), Of(ca->serial));
  // The issuer: one directoryName holding the CA's subject.
  EXPECT_EQ(Of(issuer), Tlv(0xA4, Of(ca->subject)));

  Octets id = Tlv(0x80, {1, 2, 3});
  struct Case {
    const char* what;
    Octets der;
    int code;
  } cases[] = {
      {"key identifier only", Seq({id}), X509_OK},
      {"constructed forms", Seq({Tlv(0xA0, {}), Tlv(0xA2, {})}), X509_OK},
      {"empty", Seq({}), X509_OK},
      {"key identifier twice", Seq({id, id}), X509_E_DUPLICATE},
      {"an end-of-contents octet", Cat({{0x30, 0x04, 0x00, 0x00}, Tlv(0x80, {})}), X509_E_AKI_EOC},
      {"another element", Seq({Tlv(0x83, {1})}), X509_E_AKI_TAG},
      {"a universal element", Seq({Int({1})}), X509_E_AKI_TAG},
      {"an issuer that is no GeneralNames", Seq({Tlv(0xA1, Tlv(0x0C, {'x'}))}), X509ASN_E_NAME},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Bytes der(k.der);
    Buffer b = der.View();
    EXPECT_EQ(x509_parse_KI(&b, &key_id, nullptr, nullptr, 1), k.code);
  }
  EXPECT_EQ(x509_parse_KI(nullptr, nullptr, nullptr, nullptr, 0), X509_E_NULL);
}

}  // namespace
}  // namespace x509test
