// The distribution points extension reads its templates only when asked:
// what it answers must not depend on when that happens. Values given one
// after another, a refused value after an accepted one, the certificate
// issuer given before or after the value, and an extension that outlives
// the certificate it came from, each against the templates OpenSSL's
// reading of the same value implies.
#include <openssl/x509v3.h>

#include <string>

#include "cert/crldp.h"
#include "cert/x509extn.h"
#include "crl/crl_testutil.h"
#include "name/x509name.h"

namespace pkixtest {
namespace {

using CrlDpTest = CrlFixture;

const TName::name_type_t kIssuerDN = static_cast<TName::name_type_t>(0x101);
const TName::name_type_t kSubjectDN = static_cast<TName::name_type_t>(0x201);

// DistributionPoint { [0] { fullName [0] { [6] uri } } }
Bytes UriPoint(const std::string& uri) {
  return Tlv(0x30, Tlv(0xA0, Tlv(0xA0, Tlv(0x86, Bytes(uri.begin(), uri.end())))));
}

// CRLDistributionPoints with one point per URI.
Bytes UriPoints(std::initializer_list<std::string> uris) {
  Bytes points;
  for (const std::string& u : uris) {
    Bytes p = UriPoint(u);
    points.insert(points.end(), p.begin(), p.end());
  }
  return Tlv(0x30, points);
}

// How many templates the extension's list holds; -1 without a list.
int TemplateCount(TX509CRLDP* dp) {
  Ref<TCRLList> l = adoptRef(dp->getCRLList());
  if (!l) return -1;
  int n = 0;
  for (Ref<TCRL> c = adoptRef(l->getFirst()); c; c = adoptRef(l->getNext())) ++n;
  return n;
}

// How many points OpenSSL reads from the value; -1 when it refuses it.
int OsslPointCount(const Bytes& value) {
  const unsigned char* p = value.data();
  CRL_DIST_POINTS* points = d2i_CRL_DIST_POINTS(nullptr, &p, static_cast<long>(value.size()));
  if (points == nullptr) return -1;
  int n = sk_DIST_POINT_num(points);
  CRL_DIST_POINTS_free(points);
  return n;
}

Bytes ValueOf(TExtn* e) {
  Ref<TBuf> v = adoptRef(e->getValue());
  return bytesOf(v.get());
}

TEST_F(CrlDpTest, TheLastValueGivenDecidesTheTemplates) {
  const Bytes one = UriPoints({"http://a.example/1.crl"});
  const Bytes three = UriPoints({"http://a.example/1.crl", "http://b.example/2.crl", "ldap://c.example/cn=x"});
  const Bytes refused = {0x30, 0x04, 0x30, 0x02, 0x81, 0x00};  // reasons that are not a bit string
  ASSERT_EQ(OsslPointCount(one), 1);
  ASSERT_EQ(OsslPointCount(three), 3);
  struct Step {
    const Bytes* value;
    int code;
    bool read_after;  // ask for the templates after this step
  };
  struct Case {
    const char* what;
    std::vector<Step> steps;
    int templates;
    const Bytes* value;
  };
  const Case kCases[] = {
      {"one value, read", {{&three, 0, true}}, 3, &three},
      {"two values, neither read between", {{&one, 0, false}, {&three, 0, false}}, 3, &three},
      {"two values, the first read", {{&one, 0, true}, {&three, 0, false}}, 3, &three},
      {"a refused value after an unread one", {{&three, 0, false}, {&refused, 6, false}}, 3, &three},
      {"a refused value after a read one", {{&one, 0, true}, {&refused, 6, false}}, 1, &one},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    Ref<X509CRLDP> dp = adoptRef(new X509CRLDP);
    for (const Step& s : c.steps) {
      Ref<TBuf> v = tbufOf(*s.value);
      EXPECT_EQ(dp->setValue(v.get()), s.code);
      if (s.read_after) {
        EXPECT_EQ(TemplateCount(dp.get()), OsslPointCount(*s.value));
      }
    }
    EXPECT_EQ(TemplateCount(dp.get()), c.templates);
    EXPECT_EQ(ValueOf(dp.get()), *c.value);
  }
}

TEST_F(CrlDpTest, TheCertificateIssuerReachesTemplatesWhenEverGiven) {
  Ref<TCert> sub = cert("sub-ca.der");
  Ref<TName> subject = adoptRef(sub->getName(kSubjectDN));
  Ref<TName> issuer = adoptRef(createTName(kIssuerDN, subject.get()));
  ASSERT_TRUE(issuer);
  const Bytes value = UriPoints({"http://a.example/1.crl", "http://b.example/2.crl"});
  enum Order { kIssuerFirst, kValueFirst, kValueReadThenIssuer };
  for (Order order : {kIssuerFirst, kValueFirst, kValueReadThenIssuer}) {
    SCOPED_TRACE(order);
    Ref<X509CRLDP> dp = adoptRef(new X509CRLDP);
    Ref<TBuf> v = tbufOf(value);
    if (order == kIssuerFirst) {
      ASSERT_EQ(dp->setCertIssuer(issuer.get()), 0);
    }
    ASSERT_EQ(dp->setValue(v.get()), 0);
    if (order == kValueReadThenIssuer) {
      EXPECT_EQ(TemplateCount(dp.get()), 2);
    }
    if (order != kIssuerFirst) {
      ASSERT_EQ(dp->setCertIssuer(issuer.get()), 0);
    }
    Ref<TCRLList> l = adoptRef(dp->getCRLList());
    ASSERT_TRUE(l);
    int n = 0;
    for (Ref<TCRL> c = adoptRef(l->getFirst()); c; c = adoptRef(l->getNext()), ++n) {
      Ref<TName> named = adoptRef(c->getTName(kIssuerDN));
      ASSERT_TRUE(named);
      EXPECT_EQ(*named == *issuer, 1);
    }
    EXPECT_EQ(n, 2);
    // The issuer is the certificate's: written back, the value names none.
    EXPECT_EQ(ValueOf(dp.get()), value);
  }
}

// The extension from a certificate's list keeps what it needs of the
// certificate's DER once the certificate and the list are gone.
TEST_F(CrlDpTest, OutlivesItsCertificate) {
  Ref<TExtn> e;
  {
    Ref<TCert> server = cert("server.der");
    ASSERT_TRUE(server);
    Ref<TExtnList> l = adoptRef(server->getExtns());
    ASSERT_TRUE(l);
    e = adoptRef(l->get(TExtn::EXT_CRL_DP));
  }
  ASSERT_TRUE(e);
  ASSERT_EQ(e->getType(), TExtn::EXT_CRL_DP);
  auto* dp = static_cast<TX509CRLDP*>(e.get());
  OsslX509 server = osslCert(example("server.der"));
  ASSERT_TRUE(server);
  const ASN1_OCTET_STRING* v =
      X509_EXTENSION_get_data(X509_get_ext(server.get(), X509_get_ext_by_NID(server.get(), NID_crl_distribution_points, -1)));
  const Bytes want(v->data, v->data + v->length);
  EXPECT_EQ(TemplateCount(dp), OsslPointCount(want));
  EXPECT_EQ(ValueOf(e.get()), want);
}

}  // namespace
}  // namespace pkixtest
