// Path validation over the generated fixtures: every case of the table
// (tests/data/path/cases.txt) gets its expected verdict from the
// validator, and OpenSSL's X509_verify_cert, given the same inputs and the
// matching flags, agrees on whether the path is valid.
#include <gtest/gtest.h>

#include "path/path_testutil.h"
#include "path/pkix_path.h"
#include "support/clock.h"
#include "testing/cnvrt_binding.h"
#include "testing/inproc.h"

namespace pathtest {
namespace {

class PathFixture : public ::testing::Test {
 protected:
  void SetUp() override { conversion.Bind(); }
  void TearDown() override { conversion.Unbind(); }
  pkixtest::InProcessManager mgr;
  pkixtest::ConversionBinding conversion;
};

using PathCasesTest = PathFixture;

TEST_F(PathCasesTest, EveryCaseGetsItsVerdictAndOpenSSLAgrees) {
  std::vector<Case> cases = loadCases();
  ASSERT_GE(cases.size(), 50u);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Loaded l(c);
    ASSERT_TRUE(l.complete()) << "the module did not take a fixture";
    pkixpath::PathVerdict v;
    int code = l.validate(&v);
    int expected = codeOf(c.verdict);
    ASSERT_NE(expected, -1) << c.verdict;
    EXPECT_EQ(code, expected) << pkixpath::verdictText(code) << " at depth " << v.depth;
    EXPECT_EQ(v.code, code);
    if (code == pkixpath::kValid) {
      // A valid path runs from the target to an anchor.
      ASSERT_FALSE(v.path.empty());
      EXPECT_EQ(v.path.front().get(), l.target.get());
      bool ends_at_anchor = false;
      for (const auto& a : l.anchors) ends_at_anchor = ends_at_anchor || *v.path.back() == *a;
      EXPECT_TRUE(ends_at_anchor);
      EXPECT_EQ(v.depth, -1);
    } else {
      EXPECT_GE(v.depth, 0);
    }
    if (c.oracle()) {
      int error = 0;
      int ossl = opensslVerdict(c, &error);
      EXPECT_EQ(ossl == 1, expected == pkixpath::kValid)
          << "OpenSSL says " << X509_verify_cert_error_string(error);
    }
  }
}

// Where the fault lies: the depth reported names the broken certificate
// (0 the target, 1 its issuer ...).
TEST_F(PathCasesTest, FailureDepthNamesTheBrokenLink) {
  struct Row {
    const char* name;
    int depth;
  } const kRows[] = {
      {"expired_intermediate", 1},  {"not_yet_valid_target", 0},       {"bad_signature", 0},
      {"issuer_ca_false", 1},       {"path_length_exceeded", 1},       {"issuer_without_keycertsign", 1},
      {"nc_dns_outside", 0},        {"intermediate_unknown_critical", 1}, {"revoked_by_full_crl", 0},
      {"intermediate_revoked", 1},  {"status_unknown_no_issuer_crl", 1},
  };
  std::vector<Case> cases = loadCases();
  for (const Row& r : kRows) {
    SCOPED_TRACE(r.name);
    const Case* found = findCase(cases, r.name);
    ASSERT_NE(found, nullptr);
    Loaded l(*found);
    pkixpath::PathVerdict v;
    l.validate(&v);
    EXPECT_EQ(v.depth, r.depth);
  }
}

// The time comes from the module's clock unless one is given.
TEST_F(PathCasesTest, ValidationTimeFromTheModulesClock) {
  std::vector<Case> cases = loadCases();
  const Case* valid = findCase(cases, "valid_chain");
  ASSERT_NE(valid, nullptr);
  Loaded l(*valid);
  l.params.use_clock = true;
  struct Row {
    int64_t now;
    int code;
  } const kRows[] = {
      {kFixtureNow, pkixpath::kValid},
      {946684800, pkixpath::kNotYetValid},  // 2000-01-01, before every notBefore
      {2114380800 + 86400, pkixpath::kExpired},  // 2037-01-02, after every notAfter
  };
  for (const Row& r : kRows) {
    pkixclock::FixedTime clock(r.now);
    pkixpath::PathVerdict v;
    EXPECT_EQ(l.validate(&v), r.code) << r.now;
  }
}

// Revocation switched off, on for the target only, on for every link.
TEST_F(PathCasesTest, RevocationScopeSwitches) {
  std::vector<Case> cases = loadCases();
  const Case* c = findCase(cases, "intermediate_revoked");
  ASSERT_NE(c, nullptr);
  Loaded l(*c);
  struct Row {
    pkixpath::Revocation mode;
    int code;
  } const kRows[] = {
      {pkixpath::Revocation::kOff, pkixpath::kValid},
      {pkixpath::Revocation::kLeafOnly, pkixpath::kValid},
      {pkixpath::Revocation::kAll, pkixpath::kRevoked},
  };
  for (const Row& r : kRows) {
    l.params.revocation = r.mode;
    pkixpath::PathVerdict v;
    EXPECT_EQ(l.validate(&v), r.code) << static_cast<int>(r.mode);
  }
}

// Path building stops at the step limit instead of searching on.
TEST_F(PathCasesTest, StepLimitBoundsTheSearch) {
  std::vector<Case> cases = loadCases();
  const Case* c = findCase(cases, "cross_certificate_path");
  ASSERT_NE(c, nullptr);
  Loaded l(*c);
  l.params.step_limit = 1;
  pkixpath::PathVerdict v;
  EXPECT_EQ(l.validate(&v), pkixpath::kStepLimit);
  l.params.step_limit = 1000;
  EXPECT_EQ(l.validate(&v), pkixpath::kValid);
  // The chosen path goes through the cross-certificate to the old root.
  EXPECT_EQ(v.path.size(), 4u);
}

// The plain function over DER gives the verdicts the objects get, and
// says where each certificate of the chosen path came from.
TEST_F(PathCasesTest, PlainFunctionOverDer) {
  struct Row {
    const char* name;
    std::vector<int> lists;  // of the chosen path, target first
  } const kRows[] = {
      {"valid_chain", {PKIX_PATH_TARGET, PKIX_PATH_UNTRUSTED, PKIX_PATH_ANCHOR}},
      {"revoked_by_full_crl", {PKIX_PATH_TARGET, PKIX_PATH_UNTRUSTED, PKIX_PATH_ANCHOR}},
      {"policy_mapping_inhibited", {PKIX_PATH_TARGET, PKIX_PATH_UNTRUSTED, PKIX_PATH_ANCHOR}},
      {"target_is_anchor", {PKIX_PATH_TARGET}},
      {"missing_intermediate", {PKIX_PATH_TARGET}},
  };
  std::vector<Case> cases = loadCases();
  for (const Row& r : kRows) {
    SCOPED_TRACE(r.name);
    const Case* c = findCase(cases, r.name);
    ASSERT_NE(c, nullptr);
    Loaded l(*c);
    std::vector<Bytes> held;
    auto ders = [&](const std::vector<std::string>& files) {
      std::vector<pkix_der> out;
      for (const std::string& f : files) {
        held.push_back(readData(f));
      }
      for (size_t i = held.size() - files.size(); i < held.size(); ++i) {
        out.push_back(pkix_der{held[i].data(), static_cast<unsigned>(held[i].size())});
      }
      return out;
    };
    held.reserve(64);
    std::vector<pkix_der> target = ders({c->target}), untrusted = ders(c->untrusted), anchors = ders(c->anchors),
                          crls = ders(c->crls);
    std::vector<pkix_der> policies;
    for (const Bytes& p : l.params.initial_policies) policies.push_back(pkix_der{p.data(), static_cast<unsigned>(p.size())});
    pkix_path_params params{};
    params.at = kFixtureNow;
    params.policies = policies.data();
    params.policy_count = static_cast<unsigned>(policies.size());
    params.explicit_policy = l.params.initial_explicit_policy;
    params.inhibit_policy_mapping = l.params.initial_policy_mapping_inhibit;
    params.inhibit_any_policy = l.params.initial_any_policy_inhibit;
    params.revocation = static_cast<int>(l.params.revocation);
    pkix_path_verdict out;
    int code = pkix_verify_path(target.data(), untrusted.data(), static_cast<unsigned>(untrusted.size()), anchors.data(),
                                static_cast<unsigned>(anchors.size()), crls.data(), static_cast<unsigned>(crls.size()),
                                &params, &out);
    EXPECT_EQ(code, codeOf(c->verdict));
    EXPECT_EQ(out.code, code);
    ASSERT_EQ(out.path_len, r.lists.size());
    for (size_t i = 0; i < r.lists.size(); ++i) EXPECT_EQ(out.path[i].list, r.lists[i]) << i;
  }
  // Inputs the module does not take, and missing ones.
  const unsigned char junk[] = {0x30, 0x03, 0x02, 0x01, 0x01};
  pkix_der bad{junk, sizeof junk};
  pkix_path_verdict out;
  EXPECT_EQ(pkix_verify_path(&bad, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, &out), pkixpath::kBadArgument);
  EXPECT_EQ(out.depth, -1);
  EXPECT_EQ(pkix_verify_path(nullptr, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, &out), pkixpath::kBadArgument);
  EXPECT_EQ(pkix_verify_path(&bad, nullptr, 1, nullptr, 0, nullptr, 0, nullptr, &out), pkixpath::kBadArgument);
  EXPECT_EQ(pkix_verify_path(&bad, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, nullptr), pkixpath::kBadArgument);
}

TEST_F(PathCasesTest, NullArguments) {
  pkixpath::PathParams p;
  pkixpath::PathVerdict v;
  EXPECT_EQ(pkixpath::validatePath(nullptr, {}, {}, {}, p, &v), pkixpath::kBadArgument);
  EXPECT_EQ(pkixpath::validatePath(nullptr, {}, {}, {}, p, nullptr), pkixpath::kBadArgument);
}

}  // namespace
}  // namespace pathtest
