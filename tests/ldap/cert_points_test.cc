// A certificate's CRL distribution points as directory points: OpenSSL
// writes the extension from its configuration text (URIs, directory names,
// relative names, CRL issuers) into a re-signed sample certificate, and the
// points the module derives from it are compared with points made directly
// from the names and URLs the configuration gave.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cert/cert_testutil.h"
#include "ldap/ldap_testutil.h"
#include "cert/crldp.h"
#include "cert/ldapdp.h"
#include "crl/tcrl.h"
#include "name/x509name.h"
#include "support/ref.h"
#include "support/result_codes.h"
#include "support/tbufs.h"

namespace {

using pkixtest::Bytes;

// What one expected point is: a URL, or a name with an optional relative
// name (one CN attribute), both as text.
struct Expected {
  const char* url;
  const char* name;
  const char* rdn_cn;
};

Ref<LDAPDP> pointOf(const Expected& e) {
  Ref<LDAPDP> dp = adoptRef(static_cast<LDAPDP*>(createTLDAPDP()));
  if (e.url != nullptr) {
    std::string u = e.url;
    Ref<TBuf> b = tbufCopy(Buffer{nullptr, reinterpret_cast<unsigned char*>(&u[0]), static_cast<uint32_t>(u.size())});
    EXPECT_EQ(dp->setURI(b.get()), pkixrc::kOk);
    return dp;
  }
  Ref<TName> n = adoptRef(createTName(TName::NAME_DN));
  EXPECT_EQ(n->setPrintable(e.name), pkixrc::kOk) << e.name;
  EXPECT_EQ(dp->setTName(n.get()), pkixrc::kOk);
  if (e.rdn_cn != nullptr) {
    // The RDN as OpenSSL writes it: SET { SEQUENCE { cn, UTF8String } }.
    Ref<TName> r = adoptRef(createTName(TName::NAME_DN));
    EXPECT_EQ(r->setPrintable((std::string("CN=") + e.rdn_cn).c_str()), pkixrc::kOk);
    Ref<TBuf> der = adoptRef(r->getRaw());
    Buffer whole = viewOf(der.get());
    Buffer set{nullptr, whole.data + 2, whole.len - 2};  // past the short SEQUENCE header
    Ref<TBuf> s = tbufCopy(set);
    EXPECT_EQ(dp->setRDN(s.get()), pkixrc::kOk);
  }
  return dp;
}

// The module's own factories, as a client would pass its service.
struct Factories {
  TExtn* createTExtn(TExtn::extn_t t) { return ::createTExtn(t); }
  TDPList* createTDPList() { return ::createTDPList(); }
};

class CertPointsTest : public pkixtest::CertFixture {};

TEST_F(CertPointsTest, EveryFormOfDistributionPointBecomesItsDirectoryPoint) {
  const char* kIssuer = "C=DE,O=Example,OU=PKI,CN=Example Sub CA";
  struct Case {
    const char* what;
    std::string conf;
    std::vector<Expected> points;
  } cases[] = {
      {"an LDAP URI beside an HTTP one",
       "[ext]\ncdp = URI:http://crl.example.org/sub.crl, URI:ldap://dir.example/cn=Sub?certificateRevocationList\n",
       {{"ldap://dir.example/cn=Sub?certificateRevocationList", nullptr, nullptr}}},
      {"a directory name",
       "[ext]\ncdp = dirName:dn\n[dn]\nC=DE\nO=Example\nCN=CRL Holder\n",
       {{nullptr, "C=DE,O=Example,CN=CRL Holder", nullptr}}},
      {"two points, each with its full name",
       "[ext]\ncdp = p1, p2\n[p1]\nfullname = URI:ldap://a.example/cn=A\n[p2]\nfullname = dirName:dn\n"
       "[dn]\nC=DE\nCN=B\n",
       {{"ldap://a.example/cn=A", nullptr, nullptr}, {nullptr, "C=DE,CN=B", nullptr}}},
      {"a relative name under the certificate's issuer",
       "[ext]\ncdp = p\n[p]\nrelativename = rdn\n[rdn]\nCN=CRL1\n",
       {{nullptr, kIssuer, "CRL1"}}},
      {"a relative name under a CRL issuer of its own",
       "[ext]\ncdp = p\n[p]\nrelativename = rdn\nCRLissuer = dirName:iss\n[rdn]\nCN=CRL2\n[iss]\nC=DE\nO=Other\n",
       {{nullptr, "C=DE,O=Other", "CRL2"}}},
      {"only a CRL issuer: its own entry",
       "[ext]\ncdp = p\n[p]\nCRLissuer = dirName:iss\n[iss]\nC=DE\nO=Other\nCN=Issuer\n",
       {{nullptr, "C=DE,O=Other,CN=Issuer", nullptr}}},
      {"HTTP only: no directory point", "[ext]\ncdp = URI:http://crl.example.org/sub.crl\n", {}},
  };
  for (const Case& c : cases) {
    Bytes der = pkixtest::withPoints(c.conf);
    ASSERT_FALSE(der.empty()) << c.what;
    pkixtest::Own<TCert> cert(createTCert(TCert::CF_X509, der.data(), static_cast<unsigned>(der.size())));
    ASSERT_TRUE(cert) << c.what;
    pkixtest::Own<TCRLList> templates(cert->getCRLList());
    ASSERT_TRUE(templates) << c.what;
    Factories f;
    int code = -1;
    Ref<TDPList> got = adoptRef(collectDistributionPoints(templates.get(), f, &code));
    ASSERT_TRUE(got) << c.what;
    EXPECT_EQ(code, pkixrc::kOk) << c.what;
    size_t i = 0;
    for (Ref<TDP> p = adoptRef(got->getFirst()); p; p = adoptRef(got->getNext()), ++i) {
      ASSERT_LT(i, c.points.size()) << c.what;
      Ref<LDAPDP> want = pointOf(c.points[i]);
      EXPECT_EQ(p->isMatch(want.get()), 1) << c.what << ": point " << i;
    }
    EXPECT_EQ(i, c.points.size()) << c.what;
  }
}

TEST_F(CertPointsTest, TheExtensionObjectGivesTheSamePoints) {
  Bytes der = pkixtest::example("server.der");
  pkixtest::Own<TCert> cert(createTCert(TCert::CF_X509, der.data(), static_cast<unsigned>(der.size())));
  ASSERT_TRUE(cert);
  pkixtest::Own<TExtnList> extns(cert->getExtns());
  ASSERT_TRUE(extns);
  pkixtest::Own<TExtn> e(extns->get(TExtn::EXT_CRL_DP));
  ASSERT_TRUE(e);
  ASSERT_EQ(e->getType(), TExtn::EXT_CRL_DP);
  Ref<TDPList> l = adoptRef(static_cast<X509CRLDP*>(e.get())->getDistributionPoints());
  ASSERT_TRUE(l);
  Ref<TDP> p = adoptRef(l->getFirst());
  ASSERT_TRUE(p);
  Ref<LDAPDP> want = pointOf(
      {"ldap://ldap.example.org/cn=Example%20Sub%20CA%2Co=Example%2Cc=DE?certificateRevocationList", nullptr, nullptr});
  EXPECT_EQ(p->isMatch(want.get()), 1);
  EXPECT_EQ(l->getNext(), nullptr);
  // Without templates there is nothing to walk.
  Factories f;
  int code = 0;
  EXPECT_EQ(collectDistributionPoints(nullptr, f, &code), nullptr);
  EXPECT_EQ(code, pkixrc::kBadArgument);
}

}  // namespace
