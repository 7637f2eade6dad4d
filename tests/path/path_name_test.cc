// Name matching, times, the policy tree and the DER readers of path
// validation, over inline cases and the path fixtures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "path/pathname.h"
#include "path/policytree.h"

namespace pkixpath {
namespace {

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

GeneralName gn(int type, const std::string& s) { return GeneralName{type, text(s)}; }

TEST(PathNameTest, SubtreesOfTheTextForms) {
  struct Row {
    int type;
    const char* name;
    const char* base;
    Within want;
  } const kRows[] = {
      // dNSName: the name itself or any name below it, label by label.
      {kDnsName, "example.com", "example.com", Within::kYes},
      {kDnsName, "WWW.Example.COM", "example.com", Within::kYes},
      {kDnsName, "notexample.com", "example.com", Within::kNo},
      {kDnsName, "example.com", ".example.com", Within::kNo},
      {kDnsName, "a.example.com", ".example.com", Within::kYes},
      {kDnsName, "anything", "", Within::kYes},
      {kDnsName, "example.org", "example.com", Within::kNo},
      // rfc822Name: a mailbox, a host, or a domain below which hosts lie.
      {kRfc822Name, "user@example.com", "user@example.com", Within::kYes},
      {kRfc822Name, "user@EXAMPLE.com", "user@example.com", Within::kYes},
      {kRfc822Name, "other@example.com", "user@example.com", Within::kNo},
      {kRfc822Name, "user@example.com", "example.com", Within::kYes},
      {kRfc822Name, "user@mail.example.com", "example.com", Within::kNo},
      {kRfc822Name, "user@mail.example.com", ".example.com", Within::kYes},
      {kRfc822Name, "user@example.com", ".example.com", Within::kNo},
      {kRfc822Name, "no-at-sign", "example.com", Within::kNo},
      // uniformResourceIdentifier: the host part, as for hosts.
      {kUri, "http://example.com/path", "example.com", Within::kYes},
      {kUri, "http://user@example.com:8080/", "example.com", Within::kYes},
      {kUri, "http://www.example.com/", "example.com", Within::kNo},
      {kUri, "http://www.example.com/", ".example.com", Within::kYes},
      {kUri, "urn:isbn:123", "example.com", Within::kNo},
      // Forms the constraints are not checked for cannot be judged.
      {kOtherName, "x", "x", Within::kCannotTell},
      {kRegisteredId, "x", "x", Within::kCannotTell},
  };
  for (const Row& r : kRows) {
    EXPECT_EQ(withinSubtree(gn(r.type, r.name), gn(r.type, r.base)), r.want) << r.name << " in " << r.base;
  }
}

TEST(PathNameTest, AddressesWithinNetworks) {
  struct Row {
    Bytes addr, base;
    Within want;
  } const kRows[] = {
      {{10, 1, 2, 3}, {10, 0, 0, 0, 255, 0, 0, 0}, Within::kYes},
      {{11, 1, 2, 3}, {10, 0, 0, 0, 255, 0, 0, 0}, Within::kNo},
      {{192, 168, 1, 200}, {192, 168, 1, 128, 255, 255, 255, 128}, Within::kYes},
      {{192, 168, 1, 127}, {192, 168, 1, 128, 255, 255, 255, 128}, Within::kNo},
      // An IPv4 address is not within an IPv6 network.
      {{10, 1, 2, 3}, Bytes(32, 0), Within::kNo},
      // A constraint of the wrong length cannot be judged.
      {{10, 1, 2, 3}, {10, 0, 0, 0, 255}, Within::kCannotTell},
  };
  for (const Row& r : kRows) {
    EXPECT_EQ(withinSubtree(GeneralName{kIpAddress, r.addr}, GeneralName{kIpAddress, r.base}), r.want);
  }
}

// Names as DER: SEQUENCE { SET { SEQUENCE { OID 2.5.4.x, string } } ... }.
Bytes rdn(uint8_t attr, uint8_t tag, const std::string& value) {
  Bytes atv{0x06, 0x03, 0x55, 0x04, attr, tag, static_cast<uint8_t>(value.size())};
  atv.insert(atv.end(), value.begin(), value.end());
  Bytes seq{0x30, static_cast<uint8_t>(atv.size())};
  seq.insert(seq.end(), atv.begin(), atv.end());
  Bytes set{0x31, static_cast<uint8_t>(seq.size())};
  set.insert(set.end(), seq.begin(), seq.end());
  return set;
}
Bytes dn(std::initializer_list<Bytes> rdns) {
  Bytes body;
  for (const Bytes& r : rdns) body.insert(body.end(), r.begin(), r.end());
  Bytes out{0x30, static_cast<uint8_t>(body.size())};
  out.insert(out.end(), body.begin(), body.end());
  return out;
}
constexpr uint8_t kC = 6, kO = 10, kCN = 3;
constexpr uint8_t kPrintable = 0x13, kUtf8 = 0x0C;

TEST(PathNameTest, DistinguishedNamesFoldCaseAndSpaces) {
  Bytes a = dn({rdn(kC, kPrintable, "US"), rdn(kO, kPrintable, "Test Org")});
  struct Row {
    Bytes other;
    bool same;
  } const kRows[] = {
      {dn({rdn(kC, kPrintable, "US"), rdn(kO, kPrintable, "Test Org")}), true},
      {dn({rdn(kC, kPrintable, "us"), rdn(kO, kUtf8, "  test   ORG ")}), true},
      {dn({rdn(kC, kPrintable, "US"), rdn(kO, kPrintable, "Test Org2")}), false},
      {dn({rdn(kO, kPrintable, "Test Org"), rdn(kC, kPrintable, "US")}), false},
      {dn({rdn(kC, kPrintable, "US")}), false},
      {dn({rdn(kC, kPrintable, "US"), rdn(kCN, kPrintable, "Test Org")}), false},
  };
  for (size_t i = 0; i < sizeof(kRows) / sizeof(kRows[0]); ++i) {
    EXPECT_EQ(sameName(a, kRows[i].other), kRows[i].same) << i;
  }
}

TEST(PathNameTest, DirectoryNameSubtreesArePrefixes) {
  Bytes base = dn({rdn(kC, kPrintable, "US"), rdn(kO, kPrintable, "Good")});
  struct Row {
    Bytes name;
    Within want;
  } const kRows[] = {
      {dn({rdn(kC, kPrintable, "US"), rdn(kO, kPrintable, "Good"), rdn(kCN, kPrintable, "x")}), Within::kYes},
      {dn({rdn(kC, kPrintable, "US"), rdn(kO, kUtf8, "good")}), Within::kYes},
      {dn({rdn(kC, kPrintable, "US"), rdn(kO, kPrintable, "Bad"), rdn(kCN, kPrintable, "x")}), Within::kNo},
      {dn({rdn(kC, kPrintable, "US")}), Within::kNo},
      {Bytes{0x30, 0x03, 0x31, 0x01, 0x00}, Within::kCannotTell},  // a malformed RDN
  };
  for (size_t i = 0; i < sizeof(kRows) / sizeof(kRows[0]); ++i) {
    EXPECT_EQ(withinSubtree(GeneralName{kDirectoryName, kRows[i].name}, GeneralName{kDirectoryName, base}), kRows[i].want) << i;
  }
}

TEST(PathNameTest, TimesOfBothForms) {
  struct Row {
    int tag;
    const char* text;
    bool ok;
    int64_t seconds;
  } const kRows[] = {
      {der::kUtcTime, "700101000000Z", true, 0},
      {der::kUtcTime, "491231235959Z", true, 2524607999},  // 2049
      {der::kUtcTime, "500101000000Z", true, -631152000},  // 1950
      {der::kGeneralizedTime, "20300101000000Z", true, 1893456000},
      {der::kGeneralizedTime, "21000301000000Z", true, 4107542400},
      {der::kUtcTime, "7001010000Z", false, 0},     // no seconds
      {der::kUtcTime, "700101000000+0100", false, 0},
      {der::kGeneralizedTime, "20301301000000Z", false, 0},  // month 13
      {der::kUtcTime, "70010100000aZ", false, 0},
  };
  for (const Row& r : kRows) {
    int64_t t = -1;
    bool ok = parseTime(r.tag, reinterpret_cast<const uint8_t*>(r.text), std::strlen(r.text), &t);
    EXPECT_EQ(ok, r.ok) << r.text;
    if (ok) EXPECT_EQ(t, r.seconds) << r.text;
  }
}

Bytes oid(uint8_t last) { return Bytes{0x2b, 0x06, 0x01, 0x04, 0x01, last}; }

TEST(PathPolicyTreeTest, GrowthMappingAndIntersection) {
  const Bytes a = oid(1), b = oid(2), m = oid(9);
  {
    // Two certificates asserting a: a survives, b is not in the tree.
    PolicyTree t;
    t.addCertificatePolicies(1, {a, b}, true);
    t.addCertificatePolicies(2, {a}, true);
    EXPECT_EQ(t.policiesAt(2), std::vector<Bytes>{a});
    t.intersect(2, {b});
    EXPECT_TRUE(t.null());
  }
  {
    // Disjoint policies empty the tree.
    PolicyTree t;
    t.addCertificatePolicies(1, {a}, true);
    t.addCertificatePolicies(2, {b}, true);
    EXPECT_TRUE(t.null());
  }
  {
    // a mapped to m: m at the next level stands for a.
    PolicyTree t;
    t.addCertificatePolicies(1, {a}, true);
    t.applyMappings(1, {PolicyMapping{a, m}}, true);
    t.addCertificatePolicies(2, {m}, true);
    EXPECT_FALSE(t.null());
    t.intersect(2, {a});
    EXPECT_FALSE(t.null());
  }
  {
    // Mapping inhibited: the mapped policy's node goes.
    PolicyTree t;
    t.addCertificatePolicies(1, {a}, true);
    t.applyMappings(1, {PolicyMapping{a, m}}, false);
    EXPECT_TRUE(t.null());
  }
  {
    // anyPolicy below a: expands to a when allowed, is dropped when not.
    PolicyTree allowed, inhibited;
    allowed.addCertificatePolicies(1, {a}, true);
    allowed.addCertificatePolicies(2, {anyPolicyOid()}, true);
    EXPECT_EQ(allowed.policiesAt(2), std::vector<Bytes>{a});
    inhibited.addCertificatePolicies(1, {a}, true);
    inhibited.addCertificatePolicies(2, {anyPolicyOid()}, false);
    EXPECT_TRUE(inhibited.null());
  }
  {
    // An anyPolicy leaf takes any initial policy.
    PolicyTree t;
    t.addCertificatePolicies(1, {anyPolicyOid()}, true);
    t.intersect(1, {b});
    EXPECT_EQ(t.policiesAt(1), std::vector<Bytes>{b});
  }
}

Bytes fixture(const std::string& name) {
  std::ifstream f(std::string(PKIX_SOURCE_DIR) + "/tests/data/path/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Every truncation of a certificate and of a CRL is refused, and so is
// one more octet after it; the whole parses with the fields expected.
TEST(PathDerTest, TruncationsAndTrailingOctetsAreRefused) {
  struct Row {
    const char* file;
    bool crl;
  } const kRows[] = {{"int_nc.der", false}, {"ee_with_dp.der", false}, {"crl_indirect.der", true},
                     {"crl_delta_remove.der", true}};
  for (const Row& r : kRows) {
    SCOPED_TRACE(r.file);
    Bytes der = fixture(r.file);
    ASSERT_FALSE(der.empty());
    auto parse = [&](size_t len) {
      Bytes copy(der.begin(), der.begin() + static_cast<long>(std::min(len, der.size())));
      if (len > der.size()) copy.push_back(0);
      CertFields c;
      CrlFields l;
      return r.crl ? parseCrl(copy.data(), copy.size(), &l) : parseCert(copy.data(), copy.size(), &c);
    };
    EXPECT_EQ(parse(der.size()), 0);
    for (size_t n = 0; n < der.size(); ++n) EXPECT_NE(parse(n), 0) << n;
    EXPECT_NE(parse(der.size() + 1), 0);
  }
}

TEST(PathDerTest, FieldsOfTheFixtures) {
  CertFields nc;
  Bytes d = fixture("int_nc.der");
  ASSERT_EQ(parseCert(d.data(), d.size(), &nc), 0);
  EXPECT_TRUE(nc.has_name_constraints && nc.has_permitted && nc.has_excluded);
  EXPECT_EQ(nc.permitted.size(), 6u);
  EXPECT_EQ(nc.excluded.size(), 2u);
  EXPECT_TRUE(nc.ca);
  EXPECT_EQ(nc.key_usage & (keyusage::kKeyCertSign | keyusage::kCrlSign), keyusage::kKeyCertSign | keyusage::kCrlSign);

  CertFields dp;
  d = fixture("ee_indirect.der");
  ASSERT_EQ(parseCert(d.data(), d.size(), &dp), 0);
  ASSERT_EQ(dp.crl_dps.size(), 1u);
  EXPECT_FALSE(dp.crl_dps[0].has_name);
  ASSERT_EQ(dp.crl_dps[0].crl_issuer.size(), 1u);
  EXPECT_EQ(dp.crl_dps[0].crl_issuer[0].type, kDirectoryName);

  CrlFields ind;
  d = fixture("crl_indirect.der");
  ASSERT_EQ(parseCrl(d.data(), d.size(), &ind), 0);
  EXPECT_TRUE(ind.has_idp && ind.indirect);
  ASSERT_EQ(ind.entries.size(), 1u);
  EXPECT_EQ(ind.entries[0].reason, 1);  // keyCompromise
  EXPECT_EQ(ind.entries[0].cert_issuer.size(), 1u);

  CrlFields delta;
  d = fixture("crl_delta_remove.der");
  ASSERT_EQ(parseCrl(d.data(), d.size(), &delta), 0);
  EXPECT_TRUE(delta.is_delta);
  EXPECT_EQ(delta.base_crl_number, Bytes{20});
  EXPECT_EQ(delta.crl_number, Bytes{21});
  ASSERT_EQ(delta.entries.size(), 1u);
  EXPECT_EQ(delta.entries[0].reason, kReasonRemoveFromCRL);
}

}  // namespace
}  // namespace pkixpath
