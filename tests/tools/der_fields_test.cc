// The tool's own DER readers: extension values in words, a certificate's
// stated fields, and what kind of object a DER element is. Fixtures are
// built element by element (pkixtest::Tlv); every syntax has its good
// forms, its truncations and its foreign elements in one table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/der_bytes.h"
#include "tools/cert_fields.h"
#include "tools/der_kind.h"
#include "tools/extn_values.h"
#include "tools/oid_names.h"

namespace {

using pkixtest::Cat;
using pkixtest::Tlv;
using pkixtool::ExtnReading;
using Bytes = std::vector<uint8_t>;

// Tags used by the fixtures.
constexpr uint8_t kBool = 0x01, kInt = 0x02, kBits = 0x03, kOctets = 0x04, kOid = 0x06, kIa5 = 0x16;
constexpr uint8_t kSeq = 0x30, kSet = 0x31, kPrintable = 0x13, kUtc = 0x17, kNull = 0x05;

Bytes Str(const std::string& s) { return Bytes(s.begin(), s.end()); }

// OID content octets, by name.
const Bytes kServerAuth = {0x2B, 0x06, 0x01, 0x05, 0x05, 0x07, 0x03, 0x01};  // 1.3.6.1.5.5.7.3.1
const Bytes kClientAuth = {0x2B, 0x06, 0x01, 0x05, 0x05, 0x07, 0x03, 0x02};  // 1.3.6.1.5.5.7.3.2
const Bytes kOcsp = {0x2B, 0x06, 0x01, 0x05, 0x05, 0x07, 0x30, 0x01};        // 1.3.6.1.5.5.7.48.1
const Bytes kCps = {0x2B, 0x06, 0x01, 0x05, 0x05, 0x07, 0x02, 0x01};         // 1.3.6.1.5.5.7.2.1
const Bytes kAnyPolicy = {0x55, 0x1D, 0x20, 0x00};                           // 2.5.29.32.0
const Bytes kCommonName = {0x55, 0x04, 0x03};                                // 2.5.4.3

// Name ::= SEQUENCE OF SET OF { type, value }: CN=<cn>.
Bytes NameCn(const std::string& cn) {
  return Tlv(kSeq, Tlv(kSet, Tlv(kSeq, Cat({Tlv(kOid, kCommonName), Tlv(kPrintable, Str(cn))}))));
}

struct ExtnCase {
  const char* what;
  const char* oid;
  Bytes value;
  ExtnReading reading;
  std::vector<std::string> entries;
};

std::vector<ExtnCase> ExtnCases() {
  const Bytes uri = Tlv(0x86, Str("http://crl.example.org/a.crl"));
  return {
      // basicConstraints: SEQUENCE { cA BOOLEAN DEFAULT FALSE, pathLen INTEGER OPTIONAL }
      {"basic constraints, empty", "2.5.29.19", Tlv(kSeq, {}), ExtnReading::kRead, {"CA:FALSE"}},
      {"basic constraints, CA", "2.5.29.19", Tlv(kSeq, Tlv(kBool, {0xFF})), ExtnReading::kRead, {"CA:TRUE"}},
      {"basic constraints, CA, path length 0", "2.5.29.19", Tlv(kSeq, Cat({Tlv(kBool, {0xFF}), Tlv(kInt, {0x00})})),
       ExtnReading::kRead, {"CA:TRUE", "pathlen:0"}},
      {"basic constraints, negative path length", "2.5.29.19", Tlv(kSeq, Cat({Tlv(kBool, {0xFF}), Tlv(kInt, {0xFF})})),
       ExtnReading::kMalformed, {}},
      {"basic constraints, trailing octets", "2.5.29.19", Cat({Tlv(kSeq, {}), Bytes{0x00}}), ExtnReading::kMalformed, {}},
      {"basic constraints, truncated", "2.5.29.19", Bytes{0x30, 0x03, 0x01, 0x01}, ExtnReading::kMalformed, {}},
      {"basic constraints, empty value", "2.5.29.19", {}, ExtnReading::kMalformed, {}},
      // keyUsage: BIT STRING, first content octet the unused bit count
      {"key usage, digitalSignature and keyEncipherment", "2.5.29.15", Tlv(kBits, {0x05, 0xA0}), ExtnReading::kRead,
       {"digitalSignature", "keyEncipherment"}},
      {"key usage, decipherOnly (second octet)", "2.5.29.15", Tlv(kBits, {0x07, 0x00, 0x80}), ExtnReading::kRead,
       {"decipherOnly"}},
      {"key usage, 8 unused bits", "2.5.29.15", Tlv(kBits, {0x08, 0x80}), ExtnReading::kMalformed, {}},
      {"key usage, an OCTET STRING", "2.5.29.15", Tlv(kOctets, {0x05, 0xA0}), ExtnReading::kMalformed, {}},
      // extKeyUsage: SEQUENCE SIZE (1..MAX) OF OBJECT IDENTIFIER
      {"extended key usage, two purposes", "2.5.29.37", Tlv(kSeq, Cat({Tlv(kOid, kServerAuth), Tlv(kOid, kClientAuth)})),
       ExtnReading::kRead, {"serverAuth", "clientAuth"}},
      {"extended key usage, unnamed purpose", "2.5.29.37", Tlv(kSeq, Tlv(kOid, {0x2A, 0x03})), ExtnReading::kRead,
       {"1.2.3"}},
      {"extended key usage, empty", "2.5.29.37", Tlv(kSeq, {}), ExtnReading::kMalformed, {}},
      {"extended key usage, a bad identifier", "2.5.29.37", Tlv(kSeq, Tlv(kOid, {0x2B, 0x86})), ExtnReading::kMalformed,
       {}},
      // subjectKeyIdentifier: OCTET STRING
      {"subject key identifier", "2.5.29.14", Tlv(kOctets, {0x01, 0xAB, 0xFF}), ExtnReading::kRead, {"01:AB:FF"}},
      // authorityKeyIdentifier: SEQUENCE { [0] keyid, [1] issuer names, [2] serial }
      {"authority key identifier, every part", "2.5.29.35",
       Tlv(kSeq, Cat({Tlv(0x80, {0x0A, 0x0B}), Tlv(0xA1, Tlv(0xA4, NameCn("Root"))), Tlv(0x82, {0x01, 0x00})})),
       ExtnReading::kRead, {"keyid:0A:0B", "issuer:DirName:CN=Root", "serial:01:00"}},
      {"authority key identifier, an unknown [5]", "2.5.29.35", Tlv(kSeq, Tlv(0x85, {0x00})), ExtnReading::kMalformed,
       {}},
      {"authority key identifier, parts out of order", "2.5.29.35",
       Tlv(kSeq, Cat({Tlv(0x82, {0x01}), Tlv(0x80, {0x0A})})), ExtnReading::kMalformed, {}},
      // subjectAltName: GeneralNames, entry by entry
      {"alternative names, every common form", "2.5.29.17",
       Tlv(kSeq, Cat({Tlv(0x82, Str("gw1.example.org")), Tlv(0x87, {192, 0, 2, 1}),
                      Tlv(0x87, {0x20, 0x01, 0x0D, 0xB8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}),
                      Tlv(0x81, Str("ops@example.org")), uri, Tlv(0xA4, NameCn("gw1")), Tlv(0x88, {0x2A, 0x03})})),
       ExtnReading::kRead,
       {"DNS:gw1.example.org", "IP Address:192.0.2.1", "IP Address:2001:db8::1", "email:ops@example.org",
        "URI:http://crl.example.org/a.crl", "DirName:CN=gw1", "Registered ID:1.2.3"}},
      {"alternative names, an address of 5 octets", "2.5.29.17", Tlv(kSeq, Tlv(0x87, {1, 2, 3, 4, 5})),
       ExtnReading::kRead, {"IP Address:<invalid 01:02:03:04:05>"}},
      {"alternative names, empty", "2.5.29.17", Tlv(kSeq, {}), ExtnReading::kMalformed, {}},
      {"alternative names, a universal tag inside", "2.5.29.17", Tlv(kSeq, Tlv(kIa5, Str("x"))), ExtnReading::kMalformed,
       {}},
      {"alternative names, tag [9]", "2.5.29.17", Tlv(kSeq, Tlv(0x89, Str("x"))), ExtnReading::kMalformed, {}},
      {"issuer alternative names", "2.5.29.18", Tlv(kSeq, Tlv(0x82, Str("ca.example.org"))), ExtnReading::kRead,
       {"DNS:ca.example.org"}},
      // cRLDistributionPoints: SEQUENCE OF { [0] { [0] fullName }, [1] reasons, [2] cRLIssuer }
      {"distribution points, two URIs and reasons", "2.5.29.31",
       Tlv(kSeq, Cat({Tlv(kSeq, Tlv(0xA0, Tlv(0xA0, uri))),
                      Tlv(kSeq, Cat({Tlv(0xA0, Tlv(0xA0, Tlv(0x86, Str("ldap://ldap.example.org/")))),
                                     Tlv(0x81, {0x05, 0x60})}))})),
       ExtnReading::kRead,
       {"URI:http://crl.example.org/a.crl", "URI:ldap://ldap.example.org/", "reasons: keyCompromise, cACompromise"}},
      {"distribution points, CRL issuer only", "2.5.29.31", Tlv(kSeq, Tlv(kSeq, Tlv(0xA2, Tlv(0xA4, NameCn("CA"))))),
       ExtnReading::kRead, {"CRL issuer: DirName:CN=CA"}},
      {"distribution points, empty", "2.5.29.31", Tlv(kSeq, {}), ExtnReading::kMalformed, {}},
      {"distribution points, empty full name", "2.5.29.31", Tlv(kSeq, Tlv(kSeq, Tlv(0xA0, Tlv(0xA0, {})))),
       ExtnReading::kMalformed, {}},
      // nameConstraints: SEQUENCE { [0] permitted, [1] excluded } of GeneralSubtree
      {"name constraints", "2.5.29.30",
       Tlv(kSeq, Cat({Tlv(0xA0, Tlv(kSeq, Tlv(0x82, Str(".example.org")))),
                      Tlv(0xA1, Tlv(kSeq, Tlv(0x87, {10, 0, 0, 0, 255, 0, 0, 0})))})),
       ExtnReading::kRead, {"permitted: DNS:.example.org", "excluded: IP Address:10.0.0.0/255.0.0.0"}},
      {"name constraints, empty subtrees", "2.5.29.30", Tlv(kSeq, Tlv(0xA0, {})), ExtnReading::kMalformed, {}},
      // certificatePolicies: SEQUENCE OF { policy OID, qualifiers OPTIONAL }
      {"policies with a CPS", "2.5.29.32",
       Tlv(kSeq, Tlv(kSeq, Cat({Tlv(kOid, kAnyPolicy),
                                Tlv(kSeq, Tlv(kSeq, Cat({Tlv(kOid, kCps), Tlv(kIa5, Str("http://cps.example.org/"))})))}))),
       ExtnReading::kRead, {"policy: anyPolicy", "CPS: http://cps.example.org/"}},
      {"policies, a qualifier of no form", "2.5.29.32", Tlv(kSeq, Tlv(kSeq, Cat({Tlv(kOid, kAnyPolicy), Tlv(kNull, {})}))),
       ExtnReading::kMalformed, {}},
      // authorityInfoAccess: SEQUENCE OF { method OID, location GeneralName }
      {"information access", "1.3.6.1.5.5.7.1.1",
       Tlv(kSeq, Tlv(kSeq, Cat({Tlv(kOid, kOcsp), Tlv(0x86, Str("http://ocsp.example.org"))}))), ExtnReading::kRead,
       {"OCSP - URI:http://ocsp.example.org"}},
      {"information access, no location", "1.3.6.1.5.5.7.1.1", Tlv(kSeq, Tlv(kSeq, Tlv(kOid, kOcsp))),
       ExtnReading::kMalformed, {}},
      // No reader: the tool shows the value in hex.
      {"an unknown extension", "1.3.6.1.4.1.99999.1", Tlv(kIa5, Str("x")), ExtnReading::kUnknown, {}},
  };
}

TEST(ExtnValuesTest, ReadsEverySyntaxAndRefusesWhatBreaksIt) {
  for (const ExtnCase& c : ExtnCases()) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> entries{"stale"};
    EXPECT_EQ(pkixtool::ReadExtnValue(c.oid, c.value, &entries), c.reading);
    EXPECT_EQ(entries, c.entries);
  }
}

TEST(ExtnValuesTest, EveryTruncationOfAGoodValueIsRefused) {
  for (const ExtnCase& c : ExtnCases()) {
    if (c.reading != ExtnReading::kRead) continue;
    SCOPED_TRACE(c.what);
    for (size_t n = 0; n < c.value.size(); ++n) {
      std::vector<std::string> entries;
      Bytes cut(c.value.begin(), c.value.begin() + static_cast<std::ptrdiff_t>(n));
      EXPECT_EQ(pkixtool::ReadExtnValue(c.oid, cut, &entries), ExtnReading::kMalformed) << n << " octets";
    }
  }
}

TEST(OidNamesTest, DottedTextAndNames) {
  struct Case {
    Bytes content;
    const char* dotted;
    const char* name;  // null: none
  };
  const Case kCases[] = {
      {{0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0B}, "1.2.840.113549.1.1.11", "sha256WithRSAEncryption"},
      {{0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x03, 0x01, 0x07}, "1.2.840.10045.3.1.7", "prime256v1"},
      {{0x55, 0x1D, 0x25, 0x00}, "2.5.29.37.0", "anyExtendedKeyUsage"},
      {{0x2A, 0x03}, "1.2.3", nullptr},
      {{0x2A, 0x83}, "", nullptr},  // the last arc does not end
      {{}, "", nullptr},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.dotted);
    Buffer b;
    init_buffer(&b);
    set_buffer(&b, static_cast<uint32_t>(c.content.size()), c.content.data());
    EXPECT_EQ(pkixtool::DottedOid(b), c.dotted);
    const char* name = pkixtool::OidName(c.dotted);
    EXPECT_STREQ(name, c.name);
  }
}

// A certificate skeleton: TBSCertificate with version, serial, signature
// algorithm, issuer, validity, subject, key, then extensions.
Bytes Certificate(const Bytes& serial, const Bytes& not_after, uint8_t after_tag, const Bytes& extensions) {
  const Bytes sha256_rsa = Tlv(kSeq, Cat({Tlv(kOid, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0B}),
                                          Tlv(kNull, {})}));
  const Bytes ec_key = Tlv(kSeq, Cat({Tlv(kSeq, Cat({Tlv(kOid, {0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x02, 0x01}),
                                                     Tlv(kOid, {0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x03, 0x01, 0x07})})),
                                      Tlv(kBits, {0x00, 0x04})}));
  Bytes tbs = Cat({Tlv(0xA0, Tlv(kInt, {0x02})), Tlv(kInt, serial), sha256_rsa, NameCn("CA"),
                   Tlv(kSeq, Cat({Tlv(kUtc, Str("261209223500Z")), Tlv(after_tag, not_after)})), NameCn("EE"), ec_key});
  if (!extensions.empty()) tbs = Cat({tbs, Tlv(0xA3, Tlv(kSeq, extensions))});
  return Tlv(kSeq, Cat({Tlv(kSeq, tbs), sha256_rsa, Tlv(kBits, {0x00, 0x00})}));
}

TEST(CertFieldsTest, StatedFieldsPast2038AndEveryExtension) {
  // GeneralizedTime 2046: past what a 32-bit count of seconds holds.
  const Bytes extensions =
      Cat({Tlv(kSeq, Cat({Tlv(kOid, {0x55, 0x1D, 0x13}), Tlv(kBool, {0xFF}), Tlv(kOctets, Tlv(kSeq, {}))})),
           Tlv(kSeq, Cat({Tlv(kOid, {0x2B, 0x06, 0x01, 0x04, 0x01, 0x86, 0x8D, 0x1F, 0x01}), Tlv(kOctets, {0x05, 0x00})}))});
  Bytes der = Certificate({0x00, 0x8C, 0x01}, Str("20461204223500Z"), 0x18, extensions);
  pkixtool::CertFields f;
  ASSERT_EQ(pkixtool::ReadCertFields(der, &f), 0);
  EXPECT_EQ(pkixtool::SerialText(f.serial), "8C:01");
  EXPECT_EQ(f.not_before, "2026-12-09 22:35:00 UTC");
  EXPECT_EQ(f.not_after, "2046-12-04 22:35:00 UTC");
  EXPECT_EQ(f.sign_oid, "1.2.840.113549.1.1.11");
  EXPECT_EQ(f.key_oid, "1.2.840.10045.2.1");
  EXPECT_EQ(f.key_param_oid, "1.2.840.10045.3.1.7");
  ASSERT_EQ(f.extensions.size(), 2u);
  EXPECT_EQ(f.extensions[0].oid, "2.5.29.19");
  EXPECT_TRUE(f.extensions[0].critical);
  EXPECT_EQ(f.extensions[0].value, (pkixtool::Octets{0x30, 0x00}));
  EXPECT_EQ(f.extensions[1].oid, "1.3.6.1.4.1.99999.1");
  EXPECT_EQ(f.extensions[1].oid_hex, "2B06010401868D1F01");
  EXPECT_FALSE(f.extensions[1].critical);
}

TEST(CertFieldsTest, SerialNumbersAsHex) {
  struct Case {
    Bytes content;
    const char* text;
  };
  const Case kCases[] = {
      {{0x66}, "66"},                   // small: hex, never decimal
      {{0x00, 0x80}, "80"},             // the sign octet left out
      {{0x01, 0x00, 0xFF}, "01:00:FF"},
      {{0xFF, 0x7F}, "-FF:7F"},         // negative: as it stands, marked
      {{0x00}, "00"},
  };
  for (const Case& c : kCases) EXPECT_EQ(pkixtool::SerialText(c.content), c.text);
}

TEST(CertFieldsTest, EveryTruncationIsRefused) {
  Bytes der = Certificate({0x01}, Str("461204223500Z"), kUtc, {});
  pkixtool::CertFields f;
  ASSERT_EQ(pkixtool::ReadCertFields(der, &f), 0);
  EXPECT_EQ(f.not_after, "2046-12-04 22:35:00 UTC");
  for (size_t n = 0; n < der.size(); ++n) {
    pkixtool::CertFields cut_fields;
    Bytes cut(der.begin(), der.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_NE(pkixtool::ReadCertFields(cut, &cut_fields), 0) << n << " octets";
  }
}

TEST(DerKindTest, TellsObjectsApartByShape) {
  const Bytes alg = Tlv(kSeq, Tlv(kOid, {0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x02, 0x01}));
  struct Case {
    const char* what;
    Bytes der;
    const char* kind;  // null: not recognised
  };
  const Case kCases[] = {
      {"certificate", Certificate({0x01}, Str("461204223500Z"), kUtc, {}), pkixtool::kKindCertificate},
      // CertificateList: its TBS holds thisUpdate directly
      {"CRL", Tlv(kSeq, Cat({Tlv(kSeq, Cat({alg, NameCn("CA"), Tlv(kUtc, Str("261209223500Z"))})), alg, Tlv(kBits, {0})})),
       pkixtool::kKindCrl},
      {"SubjectPublicKeyInfo", Tlv(kSeq, Cat({alg, Tlv(kBits, {0x00, 0x04})})), pkixtool::kKindPublicKey},
      {"RSAPublicKey", Tlv(kSeq, Cat({Tlv(kInt, {0x05}), Tlv(kInt, {0x03})})), pkixtool::kKindPublicKey},
      {"PKCS #8", Tlv(kSeq, Cat({Tlv(kInt, {0x00}), alg, Tlv(kOctets, {0x01})})), pkixtool::kKindPrivateKey},
      {"traditional private key", Tlv(kSeq, Cat({Tlv(kInt, {0}), Tlv(kInt, {5}), Tlv(kInt, {3})})),
       pkixtool::kKindPrivateKey},
      {"PKCS #7", Tlv(kSeq, Cat({Tlv(kOid, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02}), Tlv(0xA0, {})})),
       pkixtool::kKindSet},
      {"a lone INTEGER", Tlv(kInt, {0x01}), nullptr},
      {"truncated", Bytes{0x30, 0x05, 0x02, 0x01}, nullptr},
      {"empty", {}, nullptr},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_STREQ(pkixtool::DerKind(c.der), c.kind);
  }
  Bytes spki = kCases[2].der;
  EXPECT_EQ(pkixtool::KindNote(spki, pkixtool::kKindCertificate), "; the file holds a public key");
  EXPECT_EQ(pkixtool::KindNote(kCases[0].der, pkixtool::kKindCertificate), "");
}

}  // namespace
