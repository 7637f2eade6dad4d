// The private directory server itself, checked with libldap alone: it serves
// the sample PKI's octets unchanged, refuses connections while stopped, comes
// back on the same port, and takes new entries.
#include <ldap.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/slapd_env.h"

namespace {

using pkixtest::SlapdServer;

// The values of one attribute of one entry (base search), or the LDAP result
// code in *rc.
std::vector<std::vector<uint8_t>> Fetch(const std::string& url, const char* dn, const char* attr, int* rc) {
  std::vector<std::vector<uint8_t>> values;
  LDAP* ld = nullptr;
  *rc = ldap_initialize(&ld, url.c_str());
  if (*rc != LDAP_SUCCESS) return values;
  int version = LDAP_VERSION3;
  ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
  char* attrs[] = {const_cast<char*>(attr), nullptr};
  LDAPMessage* res = nullptr;
  *rc = ldap_search_ext_s(ld, dn, LDAP_SCOPE_BASE, "(objectClass=*)", attrs, 0, nullptr, nullptr, nullptr, 0, &res);
  if (*rc == LDAP_SUCCESS) {
    for (LDAPMessage* e = ldap_first_entry(ld, res); e != nullptr; e = ldap_next_entry(ld, e)) {
      struct berval** vals = ldap_get_values_len(ld, e, attr);
      for (int i = 0; vals != nullptr && vals[i] != nullptr; ++i) {
        const uint8_t* p = reinterpret_cast<const uint8_t*>(vals[i]->bv_val);
        values.emplace_back(p, p + vals[i]->bv_len);
      }
      ldap_value_free_len(vals);
    }
  }
  ldap_msgfree(res);
  ldap_unbind_ext_s(ld, nullptr, nullptr);
  return values;
}

TEST(SlapdFixture, ServesTheSamplePkiUnchanged) {
  SlapdServer* slapd = nullptr;
  PKIX_NEED_SLAPD(slapd);
  struct Case {
    const char* dn;
    const char* attr;
    const char* file;
  } cases[] = {
      {"cn=Example Root CA,ou=PKI,o=Example,c=DE", "cACertificate;binary", "examples/certs/root-ca.der"},
      {"cn=Example Sub CA,ou=PKI,o=Example,c=DE", "cACertificate;binary", "examples/certs/sub-ca.der"},
      {"cn=Example Sub CA,o=Example,c=DE", "certificateRevocationList;binary", "examples/crls/sub-ca.crl.der"},
      {"cn=Plus\\+Sign,ou=Odd,o=Example,c=DE", "certificateRevocationList;binary", "examples/crl/no-next-update.der"},
      {"cn=Nul\\00Byte,ou=Odd,o=Example,c=DE", "certificateRevocationList;binary", "examples/crl/dsa.der"},
      {"email=ops@example.org,cn=gw1.example.org,ou=Gateways,o=Example,l=Berlin,st=Berlin,c=DE",
       "userCertificate;binary", "examples/certs/server.der"},
  };
  for (const Case& c : cases) {
    int rc = -1;
    auto values = Fetch(slapd->url(), c.dn, c.attr, &rc);
    ASSERT_EQ(rc, LDAP_SUCCESS) << c.dn;
    ASSERT_EQ(values.size(), 1u) << c.dn;
    EXPECT_EQ(values[0], SlapdServer::ReadSourceFile(c.file)) << c.dn;
  }
}

TEST(SlapdFixture, StopsRestartsAndTakesEntries) {
  SlapdServer* slapd = nullptr;
  PKIX_NEED_SLAPD(slapd);
  std::string error;
  ASSERT_TRUE(slapd->Stop(&error)) << error;
  int rc = 0;
  Fetch(slapd->url(), "c=DE", "c", &rc);
  EXPECT_EQ(rc, LDAP_SERVER_DOWN);
  ASSERT_TRUE(slapd->Restart(&error)) << error;
  Fetch(slapd->url(), "c=DE", "c", &rc);
  EXPECT_EQ(rc, LDAP_SUCCESS);

  std::vector<uint8_t> crl = SlapdServer::ReadSourceFile("examples/crl/v1.der");
  ASSERT_FALSE(crl.empty());
  ASSERT_TRUE(slapd->Add("dn: cn=Added CA,ou=PKI,o=Example,c=DE\nobjectClass: device\nobjectClass: pkiCA\n"
                         "cn: Added CA\ncertificateRevocationList;binary:: " +
                             SlapdServer::Base64(crl) + "\n",
                         &error))
      << error;
  auto values = Fetch(slapd->url(), "cn=Added CA,ou=PKI,o=Example,c=DE", "certificateRevocationList;binary", &rc);
  ASSERT_EQ(rc, LDAP_SUCCESS);
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0], crl);
}

TEST(SlapdFixture, Base64MatchesRfc4648) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="},
               {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}};
  for (const Case& c : cases) {
    std::string s(c.in);
    EXPECT_EQ(SlapdServer::Base64(std::vector<uint8_t>(s.begin(), s.end())), c.out) << c.in;
  }
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new pkixtest::SlapdEnvironment);
  return RUN_ALL_TESTS();
}
