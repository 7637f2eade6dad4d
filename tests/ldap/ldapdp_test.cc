// Directory distribution points, their lists, the issuing distribution
// point's points and the directory client stubs, against a scripted
// directory service (or none): what a point asks the directory for, when it
// matches another, and that every operation reports its code when no
// directory service exists.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "cert/dplist.h"
#include "cert/ldapdp.h"
#include "contract/service_ids.h"
#include "crl/crlextn.h"
#include "crl/crllist.h"
#include "ldap/fake_directory.h"
#include "ldap/s_ldap.h"
#include "module/pkixadp.h"
#include "module/pkixsrv.h"
#include "name/x509name.h"
#include "support/abuf.h"
#include "support/ref.h"
#include "support/result_codes.h"
#include "support/tbufs.h"
#include "testing/der_bytes.h"
#include "testing/inproc.h"

namespace {

using pkixtest::Cat;
using pkixtest::Tlv;
using Bytes = std::vector<uint8_t>;

Ref<TBuf> bufOf(const std::string& s) {
  return tbufCopy(Buffer{nullptr, reinterpret_cast<unsigned char*>(const_cast<char*>(s.data())),
                         static_cast<uint32_t>(s.size())});
}
Ref<TBuf> bufOf(const Bytes& b) {
  return tbufCopy(Buffer{nullptr, const_cast<unsigned char*>(b.data()), static_cast<uint32_t>(b.size())});
}

Ref<TName> dnOf(const char* text, TName::name_type_t t = TName::NAME_DN) {
  Ref<TName> n = adoptRef(createTName(t));
  EXPECT_EQ(n->setPrintable(text), pkixrc::kOk) << text;
  return n;
}

Bytes rawOf(TName* n) {
  Ref<TBuf> der = adoptRef(n->getRaw());
  return Bytes(der->datap(), der->datap() + der->len());
}

// AttributeTypeAndValue ::= SEQUENCE { type OID, value ANY }: id-at-cn
// (2.5.4.3, 55 04 03) with a PrintableString.
Bytes cnAttr(const std::string& v) {
  return Tlv(0x30, Cat({Tlv(0x06, {0x55, 0x04, 0x03}), Tlv(0x13, Bytes(v.begin(), v.end()))}));
}
// RelativeDistinguishedName ::= SET OF AttributeTypeAndValue
Bytes rdnCn(const std::string& v) { return Tlv(0x31, cnAttr(v)); }

Ref<LDAPDP> newPoint() { return adoptRef(static_cast<LDAPDP*>(createTLDAPDP())); }

class LdapPointTest : public ::testing::Test {
 protected:
  pkixtest::InProcessManager mgr_;
};

// ---- setURI ----

TEST_F(LdapPointTest, SetUriAcceptsOnlyTheLdapScheme) {
  struct Case {
    const char* uri;
    int code;
  } cases[] = {
      {"ldap://dir.example/cn=CA", pkixrc::kOk},
      {"LDAP://DIR.EXAMPLE/cn=CA", pkixrc::kOk},  // the scheme in capitals
      {"lDaP://x", pkixrc::kOk},
      {"ldap://", pkixrc::kOk},                    // seven octets: the least
      {"ldap:/", pkixrc::kWrongType},              // six octets
      {"", pkixrc::kWrongType},
      {"ldaps://dir.example/", pkixrc::kWrongType},
      {"http://dir.example/ca.crl", pkixrc::kWrongType},
      {" ldap://dir.example/", pkixrc::kWrongType},
  };
  for (const Case& c : cases) {
    Ref<LDAPDP> dp = newPoint();
    Ref<TBuf> u = bufOf(std::string(c.uri));
    EXPECT_EQ(dp->setURI(u.get()), c.code) << c.uri;
    EXPECT_EQ(dp->error(), c.code) << c.uri;
  }
  Ref<LDAPDP> dp = newPoint();
  EXPECT_EQ(dp->setURI(nullptr), pkixrc::kOk);
  EXPECT_EQ(dp->getType(), TDP::kLdap);
}

// ---- setTName / setRDN ----

TEST_F(LdapPointTest, NameTypesAndRelativeNameRules) {
  Ref<LDAPDP> dp = newPoint();
  Ref<TBuf> rdn = bufOf(rdnCn("CRL1"));
  EXPECT_EQ(dp->setRDN(rdn.get()), pkixrc::kUnavailable);  // no name yet

  struct Case {
    TName::name_type_t type;
    int code;
  } cases[] = {
      {TName::NAME_DN, pkixrc::kOk},
      {TName::NAME_ISSUER | TName::NAME_DN, pkixrc::kOk},
      {TName::NAME_SUBJECT | TName::NAME_DN, pkixrc::kWrongType},
      {TName::NAME_GN, pkixrc::kWrongType},
  };
  for (const Case& c : cases) {
    Ref<TName> n = adoptRef(createTName(c.type));
    EXPECT_EQ(dp->setTName(n.get()), c.code) << c.type;
  }
  Ref<TName> ca = dnOf("CN=CA,O=Example");
  ASSERT_EQ(dp->setTName(ca.get()), pkixrc::kOk);
  EXPECT_EQ(dp->setRDN(rdn.get()), pkixrc::kOk);
  // Not a SET of attributes; a SET followed by trailing octets.
  Ref<TBuf> junk = bufOf(Bytes{0x04, 0x01, 0x00});
  EXPECT_EQ(dp->setRDN(junk.get()), pkixrc::kFailed);
  Ref<TBuf> trailing = bufOf(Cat({rdnCn("A"), Bytes{0x05, 0x00}}));
  EXPECT_EQ(dp->setRDN(trailing.get()), pkixrc::kFailed);
  // Null or empty clears.
  EXPECT_EQ(dp->setRDN(nullptr), pkixrc::kOk);
  Ref<TBuf> empty = bufOf(Bytes{});
  EXPECT_EQ(dp->setRDN(empty.get()), pkixrc::kOk);
}

// ---- isMatch ----

TEST_F(LdapPointTest, MatchRules) {
  Ref<TBuf> url = bufOf(std::string("ldap://dir.example/cn=CA?certificateRevocationList"));
  Ref<TBuf> other_url = bufOf(std::string("ldap://dir.example/cn=CB?certificateRevocationList"));
  Ref<TName> ca = dnOf("CN=CA,O=Example");
  Ref<TName> ca_again = dnOf("CN=CA,O=Example");
  Ref<TName> cb = dnOf("CN=CB,O=Example");
  Ref<TBuf> r1 = bufOf(rdnCn("CRL1"));
  Ref<TBuf> r2 = bufOf(rdnCn("CRL2"));

  enum Form { kEmpty, kUrl, kOtherUrl, kName, kSameName, kOtherName, kNameR1, kSameNameR1, kNameR2 };
  auto make = [&](Form f) {
    Ref<LDAPDP> dp = newPoint();
    switch (f) {
      case kEmpty: break;
      case kUrl: dp->setURI(url.get()); break;
      case kOtherUrl: dp->setURI(other_url.get()); break;
      case kName: dp->setTName(ca.get()); break;
      case kSameName: dp->setTName(ca_again.get()); break;
      case kOtherName: dp->setTName(cb.get()); break;
      case kNameR1: dp->setTName(ca.get()); dp->setRDN(r1.get()); break;
      case kSameNameR1: dp->setTName(ca_again.get()); dp->setRDN(r1.get()); break;
      case kNameR2: dp->setTName(ca.get()); dp->setRDN(r2.get()); break;
    }
    return dp;
  };
  struct Case {
    Form a, b;
    int match;
  } cases[] = {
      {kUrl, kUrl, 1},             {kUrl, kOtherUrl, 0},        {kUrl, kName, 0},
      {kName, kUrl, 0},            {kEmpty, kUrl, 0},           {kUrl, kEmpty, 0},
      {kName, kSameName, 1},       {kName, kOtherName, 0},      {kNameR1, kSameNameR1, 1},
      {kNameR1, kNameR2, 0},       {kNameR1, kName, 0},         {kName, kNameR1, 0},
      {kEmpty, kEmpty, 1},
  };
  for (const Case& c : cases) {
    Ref<LDAPDP> a = make(c.a);
    Ref<LDAPDP> b = make(c.b);
    EXPECT_EQ(a->isMatch(b.get()), c.match) << c.a << " vs " << c.b;
  }
  Ref<LDAPDP> a = make(kUrl);
  EXPECT_EQ(a->isMatch(a.get()), 1);
  EXPECT_EQ(a->isMatch(nullptr), 0);
  // Setting a name drops the URL: the point now matches name points only.
  a->setTName(ca.get());
  Ref<LDAPDP> n = make(kName);
  EXPECT_EQ(a->isMatch(n.get()), 1);
}

// ---- URL reduction ----

TEST(LdapUrlReduce, KeepsHostPortDnAndOneAttribute) {
  struct Case {
    std::string in;
    bool ok;
    const char* out;
  } cases[] = {
      {"ldap://dir.example/cn=CA,o=Example", true, "ldap://dir.example/cn=CA,o=Example"},
      {"LDAP://dir.example:3890/cn=CA?certificateRevocationList;binary", true,
       "ldap://dir.example:3890/cn=CA?certificateRevocationList;binary"},
      // The URL's own scope, filter and extensions cannot widen the search.
      {"ldap://dir.example/o=Example?certificateRevocationList?sub?(objectClass=*)", true,
       "ldap://dir.example/o=Example?certificateRevocationList"},
      {"ldap://dir.example/o=Example??sub?(cn=*)?!x-ext", true, "ldap://dir.example/o=Example"},
      {"ldap:///cn=CA?certificateRevocationList?base?objectClass=cRLDistributionPoint", true,
       "ldap:///cn=CA?certificateRevocationList"},
      {"ldap://dir.example", true, "ldap://dir.example"},
      // Refused.
      {"ldap://dir.example/o=Example?cn,certificateRevocationList", false, ""},   // two attributes
      {"ldap://dir.example/o=Example?(cn=*)", false, ""},                          // a filter as attribute
      {"ldap://user@dir.example/o=Example", false, ""},                            // userinfo
      {"ldap://dir.example?x/o=Example", false, ""},
      {"ldap://dir.example/o=Example#frag", false, ""},
      {"ldap://dir.example/cn=x%00,o=Example", false, ""},                      // DN cut when decoded
      {"ldap://dir.example/o=Ex\nample", false, ""},
      {std::string("ldap://dir.example/o=Ex\0ample", 29), false, ""},               // hidden tail
      {"http://dir.example/", false, ""},
      {"ldap:/", false, ""},
  };
  for (const Case& c : cases) {
    std::string out = "unchanged";
    bool ok = ldapurl::reduce(reinterpret_cast<const unsigned char*>(c.in.data()),
                              static_cast<unsigned>(c.in.size()), &out);
    EXPECT_EQ(ok, c.ok) << c.in;
    EXPECT_EQ(out, c.ok ? std::string(c.out) : std::string("unchanged")) << c.in;
  }
  EXPECT_FALSE(ldapurl::reduce(nullptr, 0, nullptr));
}

// ---- What a point asks the directory for ----

class ScriptedDirectoryTest : public ::testing::Test {
 protected:
  ScriptedDirectoryTest() { mgr_.offer(pkixid::kDirectory, new pkixtest::FakeDirectory(&script_)); }
  // The static stub lets the scripted service go with its last user.
  ~ScriptedDirectoryTest() override {
    cmn_ldap.ref();
    cmn_ldap.unref();
    mgr_.offer(pkixid::kDirectory, nullptr);
  }

  pkixtest::DirectoryScript script_;
  pkixtest::InProcessManager mgr_;
};

TEST_F(ScriptedDirectoryTest, UrlPointSendsTheReducedUrl) {
  Ref<LDAPDP> dp = newPoint();
  Ref<TBuf> u = bufOf(std::string("ldap://dir.example/cn=CA?certificateRevocationList?sub?(cn=*)"));
  ASSERT_EQ(dp->setURI(u.get()), pkixrc::kOk);
  CMN_LdapCrlReq* req = dp->send();
  ASSERT_NE(req, nullptr);
  EXPECT_EQ(dp->error(), pkixrc::kOk);
  ASSERT_EQ(script_.urls.size(), 1u);
  EXPECT_EQ(script_.urls[0], "ldap://dir.example/cn=CA?certificateRevocationList");
  EXPECT_TRUE(script_.dns.empty());
}

TEST_F(ScriptedDirectoryTest, UnsafeUrlIsNotSent) {
  Ref<LDAPDP> dp = newPoint();
  Ref<TBuf> u = bufOf(std::string("ldap://dir.example/o=Example?cn,userPassword"));
  ASSERT_EQ(dp->setURI(u.get()), pkixrc::kOk);
  EXPECT_EQ(dp->send(), nullptr);
  EXPECT_EQ(dp->error(), pkixrc::kFailed);
  EXPECT_TRUE(script_.urls.empty());
}

TEST_F(ScriptedDirectoryTest, RefusedUrlGivesTheRequestCode) {
  script_.url_answer = pkixrc::kWrongType;
  Ref<LDAPDP> dp = newPoint();
  Ref<TBuf> u = bufOf(std::string("ldap://dir.example/cn=CA?cn"));
  ASSERT_EQ(dp->setURI(u.get()), pkixrc::kOk);
  EXPECT_EQ(dp->send(), nullptr);
  EXPECT_EQ(dp->error(), pkixrc::kWrongType);
}

TEST_F(ScriptedDirectoryTest, NamePointAsksForTheNameExtendedByTheRelativeName) {
  Ref<TName> ca = dnOf("CN=CA,O=Example");
  Ref<LDAPDP> dp = newPoint();
  ASSERT_EQ(dp->setTName(ca.get()), pkixrc::kOk);
  ASSERT_NE(dp->send(), nullptr);
  ASSERT_EQ(script_.dns.size(), 1u);
  EXPECT_EQ(script_.dns[0], rawOf(ca.get()));

  // Name ::= SEQUENCE OF RDN: the relative name's SET appended to the
  // name's RDNs.
  Ref<TBuf> r = bufOf(rdnCn("CRL1"));
  ASSERT_EQ(dp->setRDN(r.get()), pkixrc::kOk);
  ASSERT_NE(dp->send(), nullptr);
  ASSERT_EQ(script_.dns.size(), 2u);
  Bytes ca_der = rawOf(ca.get());
  Bytes ca_rdns(ca_der.begin() + 2, ca_der.end());  // short-form header
  EXPECT_EQ(script_.dns[1], Tlv(0x30, Cat({ca_rdns, rdnCn("CRL1")})));
  // The point's own name is unchanged by the extension.
  EXPECT_EQ(rawOf(ca.get()), ca_der);
}

TEST_F(ScriptedDirectoryTest, ResponseNeedsACompletedRequest) {
  Ref<TCRLList> crls = adoptRef(createTCRLList());
  script_.crls = crls.get();
  Ref<LDAPDP> dp = newPoint();
  Ref<TBuf> u = bufOf(std::string("ldap://dir.example/cn=CA"));
  ASSERT_EQ(dp->setURI(u.get()), pkixrc::kOk);
  // Nothing sent yet.
  EXPECT_EQ(dp->responce(), nullptr);
  EXPECT_EQ(dp->error(), pkixrc::kNotFound);

  struct Case {
    int status;
    bool answered;
  } cases[] = {
      {CMN_LdapReqCont_I::kResDone, true},      {CMN_LdapReqCont_I::kResNoAnswer, false},
      {CMN_LdapReqCont_I::kResUnreachable, false}, {CMN_LdapReqCont_I::kResFailed, false},
  };
  for (const Case& c : cases) {
    script_.status_after_send = c.status;
    CMN_LdapCrlReq* req = dp->send();
    ASSERT_NE(req, nullptr);
    req->send(0, nullptr, 0);
    Ref<TCRLList> got = adoptRef(dp->responce());
    EXPECT_EQ(got.get(), c.answered ? crls.get() : nullptr) << c.status;
    EXPECT_EQ(dp->error(), c.answered ? pkixrc::kOk : pkixrc::kNotFound) << c.status;
  }
  // Sending again forms a fresh request: the old answer is gone.
  script_.status_after_send = CMN_LdapReqCont_I::kResDone;
  ASSERT_NE(dp->send(), nullptr);
  EXPECT_EQ(dp->responce(), nullptr);
  script_.crls = nullptr;
}

TEST_F(ScriptedDirectoryTest, EmptyPointSendsNothing) {
  Ref<LDAPDP> dp = newPoint();
  EXPECT_EQ(dp->send(), nullptr);
  EXPECT_EQ(dp->error(), pkixrc::kFailed);
  EXPECT_EQ(script_.created, 0);
}

TEST_F(ScriptedDirectoryTest, ExtendedStubForwards) {
  EXPECT_EQ(cmn_ldap.initialize(1), 1);
  EXPECT_NE(cmn_ldap.GetPointee(), nullptr);
  EXPECT_EQ(cmn_ldap.GetResponseTimeout(), pkixtest::FakeDirectory::kResponseTimeout);
  EXPECT_EQ(cmn_ldap.Start(), 0);
  CMN_LdapClntSvc basic;
  EXPECT_EQ(basic.SetResponseTimeout(5), 0);
  CMN_LdapCertReq certs;
  EXPECT_NE(certs.get(), nullptr);
  EXPECT_EQ(certs.getCertList().raw(), nullptr);
  EXPECT_EQ(certs.getCertListDataLen(), 0u);
}

// ---- Without a directory service ----

TEST_F(LdapPointTest, WithoutDirectoryServiceEveryOperationReportsItsCode) {
  EXPECT_EQ(cmn_ldap.initialize(1), 0);
  EXPECT_EQ(cmn_ldap.initialize(0), 0);
  EXPECT_EQ(cmn_ldap.GetPointee(), nullptr);
  EXPECT_EQ(cmn_ldap.createRequest(CMN_LdapReqCont_I::kReqCrl), nullptr);
  TLdapConnectionKey key{};
  const int codes[] = {
      cmn_ldap.Start(), cmn_ldap.Stop(), cmn_ldap.AddConnection("h", 389, nullptr),
      cmn_ldap.RemoveConnection("h", 389), cmn_ldap.RemoveAllConnections(), cmn_ldap.SetConnectTimeout(1),
      cmn_ldap.SetConnectHoldTimeout(1), cmn_ldap.SetDropConnectTimeout(1), cmn_ldap.GetResponseTimeout(),
      cmn_ldap.FindConnectionUnlocked(key), cmn_ldap.FindAndLockConnection(key),
      cmn_ldap.GetAndLockFirstConnection(), cmn_ldap.GetNextConnectionUnlocked(), cmn_ldap.UnlockConnection(),
      cmn_ldap.CreateTimer(1, 0, 1, nullptr, nullptr, 0, nullptr), cmn_ldap.RemoveTimerEntry(1),
      cmn_ldap.RemoveWildConnTimerEntry(1, key), cmn_ldap.MarkActiveUsage(), cmn_ldap.UnmarkActiveUsage(),
      cmn_ldap.SetConnectionKillerTimer(), cmn_ldap.RemoveConnectionKillerTimer(),
      cmn_ldap.CloseAllConnectionsByTimer(), cmn_ldap.GetConnectTimeout(), cmn_ldap.GetConnectHoldTimeout(),
      cmn_ldap.GetDropConnectTimeout(), cmn_ldap.WildConnectionAdd(key), cmn_ldap.WildConnectionFindAndLock(key),
      cmn_ldap.WildConnectionRemove(key), cmn_ldap.WildConnectionUnlock(), cmn_ldap.SetWildConnTimer(key),
      cmn_ldap.RemoveWildConnTimer(key),
  };
  for (std::size_t i = 0; i < sizeof codes / sizeof codes[0]; ++i) EXPECT_EQ(codes[i], pkixrc::kUnavailable) << i;

  CMN_LdapClntSvc basic(nullptr);
  const int basic_codes[] = {
      basic.Start(), basic.Stop(), basic.AddConnection("h", 389, nullptr), basic.RemoveConnection("h", 389),
      basic.RemoveAllConnections(), basic.SetConnectTimeout(1), basic.SetResponseTimeout(1),
      basic.SetConnectHoldTimeout(1), basic.SetDropConnectTimeout(1),
  };
  for (int c : basic_codes) EXPECT_EQ(c, pkixrc::kUnavailable);

  CMN_LdapCrlReq req;
  EXPECT_EQ(req.get(), nullptr);
  EXPECT_EQ(req.setURL("ldap://h/cn=x"), pkixrc::kUnavailable);
  EXPECT_EQ(req.setDN(nullptr, 0), pkixrc::kUnavailable);
  EXPECT_EQ(req.setServer("h", 389), pkixrc::kUnavailable);
  EXPECT_EQ(req.send(0, nullptr, 0), pkixrc::kUnavailable);
  EXPECT_EQ(req.getResStatus(), 0);
  EXPECT_EQ(req.getCrlList().raw(), nullptr);
  EXPECT_EQ(req.getCrlListDatap(), nullptr);
  EXPECT_EQ(req.getCrlListDataLen(), 0u);

  // A point carries on: it forms no request and says why.
  Ref<LDAPDP> dp = newPoint();
  Ref<TBuf> u = bufOf(std::string("ldap://dir.example/cn=CA"));
  ASSERT_EQ(dp->setURI(u.get()), pkixrc::kOk);
  EXPECT_EQ(dp->send(), nullptr);
  EXPECT_EQ(dp->error(), pkixrc::kUnavailable);
  EXPECT_EQ(dp->responce(), nullptr);
  EXPECT_EQ(dp->error(), pkixrc::kNotFound);
}

TEST(LdapStubs, BeforeTheHostIsKnownNothingBinds) {
  ASSERT_EQ(ModMgr, nullptr);
  EXPECT_EQ(cmn_ldap.initialize(1), 0);
  EXPECT_EQ(cmn_ldap.Start(), pkixrc::kUnavailable);
  CMN_LdapCrlReq req;
  EXPECT_EQ(req.get(), nullptr);
}

// ---- Lists ----

TEST_F(LdapPointTest, DpListKeepsItsPointsInOrder) {
  Ref<TDPList> list = adoptRef(createTDPList());
  EXPECT_TRUE(list->isEmpty());
  EXPECT_EQ(list->getFirst(), nullptr);
  Ref<LDAPDP> a = newPoint();
  Ref<LDAPDP> b = newPoint();
  EXPECT_EQ(list->append(a.get()), pkixrc::kOk);
  EXPECT_EQ(list->append(b.get()), pkixrc::kOk);
  EXPECT_FALSE(list->isEmpty());
  Ref<TDP> first = adoptRef(list->getFirst());
  Ref<TDP> second = adoptRef(list->getNext());
  EXPECT_EQ(first.get(), a.get());
  EXPECT_EQ(second.get(), b.get());
  EXPECT_EQ(list->getNext(), nullptr);
  EXPECT_EQ(list->error(), pkixrc::kOk);
  EXPECT_EQ(list->clear(), pkixrc::kOk);
  EXPECT_TRUE(list->isEmpty());
}

// ---- The issuing distribution point's points ----

// IssuingDistributionPoint ::= SEQUENCE { distributionPoint [0] ... }
// with fullName [0] GeneralNames.
Bytes idpWithFullName(const Bytes& general_names) { return Tlv(0x30, Tlv(0xA0, Tlv(0xA0, general_names))); }
Bytes uriName(const std::string& u) { return Tlv(0x86, Bytes(u.begin(), u.end())); }
Bytes dirName(const Bytes& name_der) { return Tlv(0xA4, name_der); }

int countPoints(TDPList* l) {
  int n = 0;
  for (Ref<TDP> p = adoptRef(l->getFirst()); p; p = adoptRef(l->getNext())) ++n;
  return n;
}

TEST_F(LdapPointTest, IdpFullNameGivesOnePointPerDirectoryComponent) {
  Ref<TName> ca = dnOf("CN=CA,O=Example");
  Bytes ca_der = rawOf(ca.get());
  struct Case {
    const char* what;
    Bytes names;
    int points;
  } cases[] = {
      {"URI of 7 octets and a directory name", Cat({uriName("ldap://"), dirName(ca_der)}), 1},
      {"LDAP URI", uriName("ldap://dir.example/cn=CA"), 1},
      {"HTTP URI is refused", uriName("http://dir.example/ca.crl"), 0},
      {"LDAP and HTTP and DNS name", Cat({uriName("http://x/y.crl"), uriName("ldap://x/cn=CA"), Tlv(0x82, {'x'})}),
       1},
      {"two directory names", Cat({dirName(ca_der), dirName(ca_der)}), 2},
  };
  for (const Case& c : cases) {
    Ref<IDP> idp = adoptRef(new IDP);
    Ref<TBuf> v = bufOf(idpWithFullName(c.names));
    ASSERT_EQ(idp->setValue(v.get()), pkixrc::kOk) << c.what;
    Ref<TDPList> l = adoptRef(idp->getDistributionPoints());
    ASSERT_TRUE(l) << c.what;
    EXPECT_EQ(idp->error(), pkixrc::kOk) << c.what;
    EXPECT_EQ(countPoints(l.get()), c.points) << c.what;
    // Built once and kept.
    Ref<TDPList> again = adoptRef(idp->getDistributionPoints());
    EXPECT_EQ(again.get(), l.get()) << c.what;
  }
}

TEST_F(LdapPointTest, IdpDirectoryNameComponentMatchesANamePoint) {
  Ref<TName> ca = dnOf("CN=CA,O=Example");
  Ref<IDP> idp = adoptRef(new IDP);
  Ref<TBuf> v = bufOf(idpWithFullName(dirName(rawOf(ca.get()))));
  ASSERT_EQ(idp->setValue(v.get()), pkixrc::kOk);
  Ref<TDPList> l = adoptRef(idp->getDistributionPoints());
  Ref<TDP> p = adoptRef(l->getFirst());
  ASSERT_TRUE(p);
  Ref<LDAPDP> mine = newPoint();
  mine->setTName(ca.get());
  EXPECT_EQ(p->isMatch(mine.get()), 1);
}

TEST_F(LdapPointTest, IdpRelativeNameExtendsTheIssuer) {
  Ref<TName> ca = dnOf("CN=CA,O=Example", TName::NAME_ISSUER | TName::NAME_DN);
  Ref<IDP> idp = adoptRef(new IDP);
  // distributionPoint [0] { nameRelativeToCRLIssuer [1] RDN }
  Bytes relative = Tlv(0xA1, cnAttr("CRL1"));
  Ref<TBuf> v = bufOf(Tlv(0x30, Tlv(0xA0, relative)));
  ASSERT_EQ(idp->setValue(v.get()), pkixrc::kOk);

  // Without an issuer the relative name names nothing.
  Ref<TDPList> none = adoptRef(idp->getDistributionPoints());
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->isEmpty());
  EXPECT_EQ(idp->error(), pkixrc::kFailed);

  ASSERT_EQ(idp->setIssuer(ca.get()), pkixrc::kOk);
  Ref<TDPList> l = adoptRef(idp->getDistributionPoints());
  EXPECT_EQ(idp->error(), pkixrc::kOk);
  Ref<TDP> p = adoptRef(l->getFirst());
  ASSERT_TRUE(p);
  Ref<LDAPDP> expect = newPoint();
  expect->setTName(ca.get());
  Ref<TBuf> r = bufOf(rdnCn("CRL1"));
  ASSERT_EQ(expect->setRDN(r.get()), pkixrc::kOk);
  EXPECT_EQ(p->isMatch(expect.get()), 1);
  Ref<LDAPDP> bare = newPoint();
  bare->setTName(ca.get());
  EXPECT_EQ(p->isMatch(bare.get()), 0);
}

// ---- Wrappers ----

class LdapWrapperTest : public ::testing::Test {
 protected:
  LdapWrapperTest() { mgr_.offer(pkixid::kCertService, createTPkixService()); }
  pkixtest::InProcessManager mgr_;
};

TEST_F(LdapWrapperTest, WrappersCreateThroughTheServiceAndShare) {
  aLDAPDP dp;
  ASSERT_NE(dp.raw(), nullptr);
  EXPECT_EQ(dp.getType(), TDP::kLdap);
  Ref<TBuf> url = bufOf(std::string("ldap://dir.example/cn=CA"));
  aBuf u(url.get());
  EXPECT_EQ(dp.setURI(u), pkixrc::kOk);
  aDP generic = dp.asDP();
  EXPECT_EQ(generic.getType(), TDP::kLdap);
  aLDAPDP back(generic);
  EXPECT_EQ(back.raw(), dp.raw());

  aDPList list;
  ASSERT_NE(list.raw(), nullptr);
  EXPECT_TRUE(list.isEmpty());
  EXPECT_EQ(list.append(generic), pkixrc::kOk);
  EXPECT_FALSE(list.isEmpty());
  aDP first = list.getFirst();
  EXPECT_EQ(first.raw(), generic.raw());
  EXPECT_EQ(list.getNext().raw(), nullptr);
  EXPECT_EQ(list.error(), pkixrc::kOk);
  EXPECT_EQ(list.clear(), pkixrc::kOk);

  // No directory service: send gives null and the point says 40.
  EXPECT_EQ(generic.send(), nullptr);
  EXPECT_EQ(generic.error(), pkixrc::kUnavailable);
  EXPECT_EQ(generic.responce().raw(), nullptr);

  aDP empty;
  EXPECT_EQ(empty.error(), pkixrc::kUnavailable);
  EXPECT_EQ(empty.send(), nullptr);
  aDPList none(static_cast<TDPList*>(nullptr));
  EXPECT_TRUE(none.isEmpty());
  EXPECT_EQ(none.error(), pkixrc::kUnavailable);
}

// ---- The stubs' layout ----

// The vtable slot a pointer to a virtual member names (the Itanium C++ ABI
// stores the slot's offset plus one in the pointer's first word).
template <class M>
std::ptrdiff_t slotOf(M member) {
  static_assert(sizeof(M) == 2 * sizeof(std::ptrdiff_t), "Itanium member pointers");
  std::ptrdiff_t words[2];
  std::memcpy(words, &member, sizeof words);
  return (words[0] - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

template <size_t N>
void expectConsecutive(const std::ptrdiff_t (&slots)[N], std::ptrdiff_t first, const char* what) {
  for (size_t i = 0; i < N; ++i) EXPECT_EQ(slots[i], first + static_cast<std::ptrdiff_t>(i)) << what << " " << i;
}

TEST(LdapStubLayout, MembersStandInTheirSlots) {
  // Slots 0 and 1 of a service stub are ref and unref, 2 and 3 the
  // destructor pair.
  using B = CMN_LdapClntSvc;
  EXPECT_EQ(slotOf(&B::ref), 0);
  EXPECT_EQ(slotOf(&B::unref), 1);
  const std::ptrdiff_t basic[] = {
      slotOf(&B::Start),          slotOf(&B::Stop),
      slotOf(&B::AddConnection),  slotOf(&B::RemoveConnection),
      slotOf(&B::RemoveAllConnections), slotOf(&B::SetConnectTimeout),
      slotOf(&B::SetResponseTimeout), slotOf(&B::SetConnectHoldTimeout),
      slotOf(&B::SetDropConnectTimeout),
  };
  expectConsecutive(basic, 4, "basic");
  using E = CMN_LdapClntSvcExt;
  const std::ptrdiff_t ext[] = {
      slotOf(&E::GetResponseTimeout), slotOf(&E::Start), slotOf(&E::Stop), slotOf(&E::AddConnection),
      slotOf(&E::RemoveConnection), slotOf(&E::RemoveAllConnections), slotOf(&E::SetConnectTimeout),
      slotOf(&E::SetConnectHoldTimeout), slotOf(&E::SetDropConnectTimeout), slotOf(&E::FindConnectionUnlocked),
      slotOf(&E::FindAndLockConnection), slotOf(&E::GetAndLockFirstConnection),
      slotOf(&E::GetNextConnectionUnlocked), slotOf(&E::UnlockConnection), slotOf(&E::CreateTimer),
      slotOf(&E::RemoveTimerEntry), slotOf(&E::RemoveWildConnTimerEntry), slotOf(&E::MarkActiveUsage),
      slotOf(&E::UnmarkActiveUsage), slotOf(&E::SetConnectionKillerTimer), slotOf(&E::RemoveConnectionKillerTimer),
      slotOf(&E::CloseAllConnectionsByTimer), slotOf(&E::GetConnectTimeout), slotOf(&E::GetConnectHoldTimeout),
      slotOf(&E::GetDropConnectTimeout), slotOf(&E::WildConnectionAdd), slotOf(&E::WildConnectionFindAndLock),
      slotOf(&E::WildConnectionRemove), slotOf(&E::WildConnectionUnlock), slotOf(&E::SetWildConnTimer),
      slotOf(&E::RemoveWildConnTimer), slotOf(&E::createRequest),
  };
  expectConsecutive(ext, 4, "extended");
  // A request stub: the destructor pair, then its members.
  using R = CMN_LdapReqCont;
  const std::ptrdiff_t req[] = {
      slotOf(static_cast<int (R::*)(aName&)>(&R::setDN)),
      slotOf(static_cast<int (R::*)(const unsigned char*, unsigned)>(&R::setDN)),
      slotOf(&R::setURL), slotOf(&R::setServer), slotOf(&R::send), slotOf(&R::getResStatus),
  };
  expectConsecutive(req, 2, "request");
  const std::ptrdiff_t certs[] = {slotOf(&CMN_LdapCertReq::getCertList), slotOf(&CMN_LdapCertReq::getCertListDatap),
                                  slotOf(&CMN_LdapCertReq::getCertListDataLen)};
  expectConsecutive(certs, 8, "certificate request");
  const std::ptrdiff_t crls[] = {slotOf(&CMN_LdapCrlReq::getCrlList), slotOf(&CMN_LdapCrlReq::getCrlListDatap),
                                 slotOf(&CMN_LdapCrlReq::getCrlListDataLen)};
  expectConsecutive(crls, 8, "CRL request");
}

}  // namespace
