// The revocation-list object by itself: malformed input in one table (every
// truncation, trailing octets at every level, the awkward shapes), the
// version, status and successor rules under a fixed clock, reasons
// coverage of lists, duplicates, and the checking questions.
#include <cstring>
#include <functional>

#include "crl/crl_testutil.h"
#include "crl/crlentry.h"
#include "crl/crllist.h"
#include "crl/x509qst.h"
#include "name/x509name.h"
#include "support/clock.h"

namespace pkixtest {
namespace {

// The pieces of a list (the signature is not checked here).
// 30 0D 06 09 2A864886F70D01010B 05 00: sha256WithRSAEncryption
const Bytes kAlg = {0x30, 0x0D, 0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0B, 0x05, 0x00};
// 30 0D 06 09 2A864886F70D010105 05 00: sha1WithRSAEncryption
const Bytes kSha1Alg = {0x30, 0x0D, 0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x05, 0x05, 0x00};
// 30 0B 06 09 2A864886F70D010101: rsaEncryption (not a signature)
const Bytes kKeyAlg = {0x30, 0x0B, 0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01};
// Name: CN=CA (30 0D 31 0B 30 09 06 03 55 04 03 0C 02 'C' 'A')
const Bytes kName = {0x30, 0x0D, 0x31, 0x0B, 0x30, 0x09, 0x06, 0x03, 0x55, 0x04, 0x03, 0x0C, 0x02, 'C', 'A'};
const Bytes kV2 = {0x02, 0x01, 0x01};
// UTCTime 231114221320Z and 241114221320Z
const Bytes kThis = Tlv(0x17, Bytes{'2', '3', '1', '1', '1', '4', '2', '2', '1', '3', '2', '0', 'Z'});
const Bytes kNext = Tlv(0x17, Bytes{'2', '4', '1', '1', '1', '4', '2', '2', '1', '3', '2', '0', 'Z'});
const Bytes kSig = {0x03, 0x03, 0x00, 0xAB, 0xCD};
// Extension { reasonCode, ENUMERATED 1 }: 30 0A 06 03 55 1D 15 04 03 0A 01 01
const Bytes kReasonExt = {0x30, 0x0A, 0x06, 0x03, 0x55, 0x1D, 0x15, 0x04, 0x03, 0x0A, 0x01, 0x01};
// Extension { cRLNumber, INTEGER 5 }: 30 0A 06 03 55 1D 14 04 03 02 01 05
const Bytes kNumberExt = {0x30, 0x0A, 0x06, 0x03, 0x55, 0x1D, 0x14, 0x04, 0x03, 0x02, 0x01, 0x05};

Bytes entry(uint8_t serial, const Bytes& extns = {}) {
  return Tlv(0x30, Cat({{0x02, 0x01, serial}, kThis, extns.empty() ? Bytes{} : Tlv(0x30, extns)}));
}
Bytes crlExtensions(const Bytes& extns) { return Tlv(0xA0, Tlv(0x30, extns)); }
Bytes listOf(const Bytes& tbs_content, const Bytes& outer_alg = kAlg) {
  return Tlv(0x30, Cat({Tlv(0x30, tbs_content), outer_alg, kSig}));
}
// A complete v2 list with two entries and a CRL number.
Bytes fullTbs() {
  return Cat({kV2, kAlg, kName, kThis, kNext, Tlv(0x30, Cat({entry(1, kReasonExt), entry(2)})),
              crlExtensions(kNumberExt)});
}

using CrlObjectTest = CrlFixture;

TEST_F(CrlObjectTest, EveryTruncationIsRefused) {
  Bytes der = listOf(fullTbs());
  int code = -1;
  Ref<X509CRL> whole = parse(der, &code);
  ASSERT_EQ(code, 0);
  EXPECT_EQ(whole->revokedCount(), 2u);
  for (size_t n = 1; n < der.size(); ++n) {
    Ref<X509CRL> c = parse(Bytes(der.begin(), der.begin() + n), &code);
    EXPECT_EQ(code, 9) << "length " << n;
    EXPECT_EQ(c->revokedCount(), 0u);
    EXPECT_EQ(c->getThisReleaseTime(), -1);
  }
  // Nothing at all is an empty list.
  EXPECT_EQ((parse(Bytes{}, &code), code), 0);
}

TEST_F(CrlObjectTest, MalformedShapesGetClearCodes) {
  const Bytes junk = {0x05, 0x00};
  // crlEntryExtensions with certificateIssuer whose value is not GeneralNames
  // (an INTEGER): 30 0C 06 03 55 1D 1D 04 05 02 03 01 02 03
  const Bytes bad_issuer_ext = {0x30, 0x0C, 0x06, 0x03, 0x55, 0x1D, 0x1D, 0x04, 0x05, 0x02, 0x03, 0x01, 0x02, 0x03};
  // issuingDistributionPoint with onlyContainsUserCerts and onlyContainsCACerts:
  // 30 0F 06 03 55 1D 1C 01 01 FF 04 05 30 06 81 01 FF 82 01 FF (value 30 06 ...)
  const Bytes both_only = {0x30, 0x12, 0x06, 0x03, 0x55, 0x1D, 0x1C, 0x01, 0x01, 0xFF, 0x04, 0x08,
                           0x30, 0x06, 0x81, 0x01, 0xFF, 0x82, 0x01, 0xFF};
  struct Case {
    const char* what;
    Bytes der;
    int code;
  } cases[] = {
      {"trailing octets inside CertificateList", Tlv(0x30, Cat({Tlv(0x30, fullTbs()), kAlg, kSig, junk})), 9},
      {"trailing octets inside TBSCertList", listOf(Cat({fullTbs(), junk})), 9},
      {"trailing octets inside an entry",
       listOf(Cat({kV2, kAlg, kName, kThis, kNext,
                   Tlv(0x30, Tlv(0x30, Cat({{0x02, 0x01, 0x01}, kThis, Tlv(0x30, kReasonExt), junk})))})),
       9},
      {"trailing octets inside entry extensions", listOf(Cat({kV2, kAlg, kName, kThis, kNext, Tlv(0x30, entry(1, Cat({kReasonExt, junk})))})), 9},
      {"a non-entry among the entries", listOf(Cat({kV2, kAlg, kName, kThis, kNext, Tlv(0x30, Cat({entry(1), junk}))})), 9},
      {"trailing octets inside the [0] wrapper",
       listOf(Cat({kV2, kAlg, kName, kThis, kNext, Tlv(0xA0, Cat({Tlv(0x30, kNumberExt), junk}))})), 9},
      {"trailing octets inside the extensions", listOf(Cat({kV2, kAlg, kName, kThis, kNext, crlExtensions(Cat({kNumberExt, junk}))})), 9},
      {"trailing octets inside the signature algorithm",
       Tlv(0x30, Cat({Tlv(0x30, fullTbs()), Tlv(0x30, Cat({Bytes(kAlg.begin() + 2, kAlg.end()), junk})), kSig})), 9},
      {"an entry without serial", listOf(Cat({kV2, kAlg, kName, kThis, kNext, Tlv(0x30, Tlv(0x30, kThis))})), 9},
      {"an entry with an empty serial",
       listOf(Cat({kV2, kAlg, kName, kThis, kNext, Tlv(0x30, Tlv(0x30, Cat({{0x02, 0x00}, kThis})))})), 9},
      {"a certificate issuer that is not a name",
       listOf(Cat({kV2, kAlg, kName, kThis, kNext, Tlv(0x30, entry(1, bad_issuer_ext))})), 9},
      // Extension { issuingDistributionPoint, critical, OCTET STRING {} }:
      // 30 0A 06 03 55 1D 1C 01 01 FF 04 00
      {"an issuing distribution point with an empty value",
       listOf(Cat({kV2, kAlg, kName, kThis, kNext,
                   crlExtensions({0x30, 0x0A, 0x06, 0x03, 0x55, 0x1D, 0x1C, 0x01, 0x01, 0xFF, 0x04, 0x00})})),
       9},
      {"an issuing distribution point with both only flags",
       listOf(Cat({kV2, kAlg, kName, kThis, kNext, crlExtensions(both_only)})), 9},
      {"version 3", listOf(Cat({{0x02, 0x01, 0x02}, kAlg, kName, kThis, kNext})), 9},
      {"no thisUpdate", listOf(Cat({kV2, kAlg, kName})), 9},
      {"an issuer that is not a name", listOf(Cat({kV2, kAlg, {0x30, 0x03, 0x02, 0x01, 0x01}, kThis})), 9},
      {"a key algorithm as signature algorithm", listOf(Cat({kV2, kKeyAlg, kName, kThis}), kKeyAlg), 6},
      {"outer and inner algorithms differ", listOf(Cat({kV2, kAlg, kName, kThis}), kSha1Alg), 6},
      {"an indefinite list without end-of-contents",
       dropLast(Tlv(0x30, Cat({Tlv(0x30, fullTbs()), kAlg, kSig}), true), 2),
       9},
  };
  for (const Case& c : cases) {
    int code = -1;
    Ref<X509CRL> crl = parse(c.der, &code);
    EXPECT_EQ(code, c.code) << c.what;
    EXPECT_EQ(crl->error(), c.code) << c.what;
    EXPECT_EQ(crl->revokedCount(), 0u) << c.what;
    // What OpenSSL makes of the same octets: it refuses them too (it does
    // not look into the certificate issuer or the IDP flags while
    // reading).
    if (c.code == 9 && std::strstr(c.what, "certificate issuer") == nullptr && std::strstr(c.what, "issuing distribution point") == nullptr &&
        std::strstr(c.what, "version") == nullptr) {
      EXPECT_FALSE(osslCrl(c.der)) << c.what;
    }
  }
}

TEST_F(CrlObjectTest, AcceptedShapesReadLikeTheDefiniteForm) {
  Ref<X509CRL> plain = parse(listOf(fullTbs()));
  struct Case {
    const char* what;
    Bytes der;
    unsigned entries;
    bool extensions;
  } cases[] = {
      // An empty revokedCertificates is read as no entries; the
      // extensions after it stay visible.
      {"an empty revokedCertificates", listOf(Cat({kV2, kAlg, kName, kThis, kNext, Tlv(0x30, {}), crlExtensions(kNumberExt)})), 0, true},
      {"nested indefinite lengths",
       Tlv(0x30,
           Cat({Tlv(0x30,
                    Cat({kV2, kAlg, kName, kThis, kNext,
                         Tlv(0x30, Cat({Tlv(0x30, Cat({{0x02, 0x01, 0x01}, kThis, Tlv(0x30, kReasonExt, true)}), true), entry(2)}), true),
                         Tlv(0xA0, Tlv(0x30, kNumberExt, true), true)}),
                    true),
                kAlg, kSig}),
           true),
       2, true},
      {"no version, no nextUpdate", listOf(Cat({kAlg, kName, kThis, Tlv(0x30, entry(7))})), 1, false},
  };
  for (const Case& c : cases) {
    int code = -1;
    Ref<X509CRL> crl = parse(c.der, &code);
    ASSERT_EQ(code, 0) << c.what;
    EXPECT_EQ(crl->revokedCount(), c.entries) << c.what;
    Ref<TExtnList> extns = adoptRef(crl->getCRLExtns());
    EXPECT_EQ(static_cast<bool>(extns), c.extensions) << c.what;
    EXPECT_EQ(crl->getThisReleaseTime(), plain->getThisReleaseTime()) << c.what;
    Ref<TBuf> raw = adoptRef(crl->getRaw(nullptr, nullptr));
    EXPECT_EQ(bytesOf(raw.get()), c.der) << c.what;
  }
  // OpenSSL agrees on the empty revokedCertificates.
  OsslCrl o = osslCrl(cases[0].der);
  ASSERT_TRUE(o);
  EXPECT_EQ(sk_X509_REVOKED_num(X509_CRL_get_REVOKED(o.get())), 0);
  // The nested indefinite entry keeps its reason code.
  Ref<X509CRL> nested = parse(cases[1].der);
  Ref<TCertList> l = adoptRef(nested->getRevokedCerts());
  Ref<TCert> first = adoptRef(l->getFirst());
  Ref<TExtnList> ex = adoptRef(first->getExtns());
  ASSERT_TRUE(ex);
  EXPECT_TRUE(adoptRef(ex->get(TExtn::EXT_REASON_CODE)));
}

TEST_F(CrlObjectTest, OneListIsReadAndTheCursorMovesPastIt) {
  Bytes two = Cat({listOf(fullTbs()), listOf(Cat({kAlg, kName, kThis}))});
  Ref<TBuf> b = tbufOf(two);
  Ref<X509CRL> first = adoptRef(new X509CRL);
  ASSERT_EQ(first->setRaw(b.get()), 0);
  Ref<X509CRL> second = adoptRef(new X509CRL);
  ASSERT_EQ(second->setRaw(b.get()), 0);
  EXPECT_EQ(b->len(), 0u);
  EXPECT_EQ(first->revokedCount(), 2u);
  EXPECT_EQ(second->getVersion(), 1u);
  // A null buffer leaves an empty list.
  EXPECT_EQ(first->setRaw(nullptr), 0);
  EXPECT_EQ(first->revokedCount(), 0u);
  EXPECT_FALSE(adoptRef(first->getRaw(nullptr, nullptr)));
  EXPECT_EQ(first->error(), 40);
}

TEST_F(CrlObjectTest, VersionsAndSetters) {
  EXPECT_EQ(parse(crlExample("v1.der"))->getVersion(), 1u);
  Ref<X509CRL> v2 = parse(crlExample("v2-reasons.der"));
  EXPECT_EQ(v2->getVersion(), 2u);
  struct {
    unsigned v;
    int code;
  } versions[] = {{0, 4}, {1, 4}, {2, 0}, {3, 4}};
  for (auto& c : versions) EXPECT_EQ(v2->setVersion(c.v), c.code) << c.v;
  EXPECT_EQ(v2->setSignatureAlgorithm(0x01), 4);
  // Encoding a new list comes later: 40.
  Ref<TCert> sub = cert("sub-ca.der");
  EXPECT_FALSE(adoptRef(v2->getRaw(sub.get(), nullptr)));
  EXPECT_EQ(v2->error(), 40);
  EXPECT_EQ(v2->setTName(nullptr), 4);
  Ref<TName> subject = adoptRef(sub->getName(static_cast<TName::name_type_t>(0x201)));
  EXPECT_EQ(v2->setTName(subject.get()), 5);
  EXPECT_FALSE(adoptRef(v2->getTName(static_cast<TName::name_type_t>(0x201))));
  EXPECT_EQ(v2->error(), 4);
  EXPECT_FALSE(adoptRef(v2->getTName(static_cast<TName::name_type_t>(0x102))));
  EXPECT_EQ(v2->error(), 36);
  // The issuer as general names holds the distinguished name.
  Ref<TName> gn = adoptRef(v2->getIssuer());
  ASSERT_TRUE(gn);
  Ref<TName> dn = adoptRef(gn->produce(static_cast<TName::name_type_t>(0x101)));
  Ref<TName> issuer = adoptRef(v2->getTName(static_cast<TName::name_type_t>(0x101)));
  ASSERT_TRUE(dn);
  EXPECT_EQ(*dn == *issuer, 1);
}

TEST_F(CrlObjectTest, StatusFollowsTheClock) {
  Ref<X509CRL> c = parse(crlExample("v2-reasons.der"));
  Ref<X509CRL> open_ended = parse(crlExample("no-next-update.der"));
  long t = c->getThisReleaseTime(), n = c->getNextReleaseTime();
  EXPECT_EQ(open_ended->getNextReleaseTime(), 0x7FFFFFFF);
  struct {
    int64_t now;
    int status;
  } cases[] = {{t - 10, 0}, {t, 0}, {n, 0}, {n + 1, 6}, {t - 10, 0}, {int64_t{1} << 33, 6}};
  for (auto& k : cases) {
    pkixclock::FixedTime at(k.now);
    EXPECT_EQ(c->getStatus(), k.status) << k.now;
    EXPECT_EQ(open_ended->getStatus(), 0) << k.now;
  }
  // A status of the caller's stays while the list is current.
  pkixclock::FixedTime at(t + 1);
  c->setStatus(3);
  EXPECT_EQ(c->getStatus(), 3);
  Ref<TCRL> copy = adoptRef(c->dup());
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->getStatus(), 3);
  Ref<TBuf> a = adoptRef(c->getRaw(nullptr, nullptr));
  Ref<TBuf> b = adoptRef(copy->getRaw(nullptr, nullptr));
  EXPECT_EQ(bytesOf(a.get()), bytesOf(b.get()));
  EXPECT_NE(a->datap(), b->datap());
}

TEST_F(CrlObjectTest, SuccessorsOverAChainOfLists) {
  PKey k = key("sub-key");
  PKey other_key = key("root-key");
  const int64_t day = 86400, t0 = 1700000000;
  auto make = [&](int64_t this_update, int64_t next_update, const char* uri, EVP_PKEY* signer, const char* issuer) {
    GenCrl g;
    g.issuer = subject(issuer);
    g.this_update = this_update;
    g.next_update = next_update;
    if (uri != nullptr) g.idp_uri = uri;
    Ref<X509CRL> c = parse(MakeCrl(g, signer, EVP_sha256()));
    return c;
  };
  Ref<X509CRL> a = make(t0, t0 + 7 * day, "http://a.example/x.crl", k.get(), "sub-ca.der");
  Ref<X509CRL> b = make(t0 + day, t0 + 8 * day, "http://a.example/x.crl", k.get(), "sub-ca.der");
  Ref<X509CRL> late = make(t0 + 10 * day, t0 + 17 * day, "http://a.example/x.crl", k.get(), "sub-ca.der");
  Ref<X509CRL> shorter = make(t0 + day, t0 + 6 * day, "http://a.example/x.crl", k.get(), "sub-ca.der");
  Ref<X509CRL> elsewhere = make(t0 + day, t0 + 8 * day, "http://b.example/y.crl", k.get(), "sub-ca.der");
  Ref<X509CRL> foreign = make(t0 + day, t0 + 8 * day, "http://a.example/x.crl", other_key.get(), "root-ca.der");
  struct Case {
    const char* what;
    X509CRL* next;
    int64_t now;
    int result;
    int error;
  } cases[] = {
      {"the next issue", b.get(), t0 + 2 * day, 1, 0},
      {"the next issue, not yet issued", b.get(), t0, 1, kCRLNotYetIssued},
      {"the next issue, already expired", b.get(), t0 + 9 * day, 1, kCRLSuccessorExpired},
      {"issued after this one's next update", late.get(), t0 + 11 * day, 0, 9},
      {"ending before this one", shorter.get(), t0 + 2 * day, 0, 9},
      {"another distribution point", elsewhere.get(), t0 + 2 * day, 0, kCRLScopeDiffers},
      {"another issuer", foreign.get(), t0 + 2 * day, 0, 0},
  };
  for (const Case& c : cases) {
    pkixclock::FixedTime at(c.now);
    EXPECT_EQ(a->isSuccessor(c.next), c.result) << c.what;
    EXPECT_EQ(a->error(), c.error) << c.what;
  }
  EXPECT_EQ(a->isSuccessor(nullptr), 0);
  EXPECT_EQ(a->error(), 5);
  // Along a chain each issue succeeds the one before.
  pkixclock::FixedTime at(t0 + 12 * day);
  Ref<X509CRL> c2 = make(t0 + 6 * day, t0 + 13 * day, "http://a.example/x.crl", k.get(), "sub-ca.der");
  Ref<X509CRL> c3 = make(t0 + 12 * day, t0 + 19 * day, "http://a.example/x.crl", k.get(), "sub-ca.der");
  EXPECT_EQ(a->isSuccessor(c2.get()), 1);
  EXPECT_EQ(c2->isSuccessor(c3.get()), 1);
  EXPECT_EQ(a->isSuccessor(c3.get()), 0);
}

TEST_F(CrlObjectTest, ReasonsCoverageOfLists) {
  PKey k = key("sub-key");
  auto limited = [&](std::vector<int> reasons) {
    GenCrl g;
    g.issuer = subject("sub-ca.der");
    g.this_update = 1700000000;
    g.idp_reasons = reasons;
    return parse(MakeCrl(g, k.get(), EVP_sha256()));
  };
  Ref<X509CRL> sample = parse(crlExample("idp-reasons.der"));
  // keyCompromise (1), cACompromise (2), superseded (4).
  EXPECT_EQ(sample->getReasons(), 0x16);
  Ref<X509CRL> rest = limited({3, 5, 6, 7, 8});
  EXPECT_EQ(rest->getReasons(), 0xE8);
  Ref<X509CRL> plain = parse(crlExample("v2-reasons.der"));
  EXPECT_EQ(plain->getReasons(), 0xFE);
  struct Case {
    const char* what;
    std::vector<X509CRL*> members;
    bool complete;
  } cases[] = {
      {"nothing", {}, false},
      {"one list without an issuing distribution point", {plain.get()}, true},
      {"one limited list", {sample.get()}, false},
      {"two limited lists covering every reason", {sample.get(), rest.get()}, true},
      {"the same limited list twice", {rest.get(), rest.get()}, false},
  };
  for (const Case& c : cases) {
    Ref<TCRLList> l = adoptRef(createTCRLList());
    for (X509CRL* m : c.members) ASSERT_EQ(l->append(m), 0);
    EXPECT_EQ(l->isComplete(), c.complete) << c.what;
    EXPECT_EQ(l->isEmpty(), c.members.empty()) << c.what;
  }
  // strictAppend refuses the same list twice; += stops there.
  Ref<TCRLList> l = adoptRef(createTCRLList());
  EXPECT_EQ(l->strictAppend(sample.get()), 0);
  EXPECT_EQ(l->strictAppend(sample.get()), 33);
  Ref<TCRLList> m = adoptRef(createTCRLList());
  m->append(rest.get());
  *l += *m;
  EXPECT_TRUE(l->isComplete());
  EXPECT_EQ(l->clear(), 0);
  EXPECT_FALSE(l->isComplete());
  EXPECT_FALSE(adoptRef(l->getPKCS7Crls()));
  // setReasons on a list without one adds an issuing distribution point.
  Ref<X509CRL> fresh = adoptRef(new X509CRL);
  X509CRLReasons only_key = 0x02;
  EXPECT_EQ(fresh->setReasons(only_key), 0);
  EXPECT_EQ(fresh->getReasons(), 0x02);
  Ref<TExtnList> ex = adoptRef(fresh->getCRLExtns());
  ASSERT_TRUE(ex);
  Ref<TExtn> idp = adoptRef(ex->get(TExtn::EXT_ISSUING_DP));
  ASSERT_TRUE(idp);
  Ref<TBuf> v = adoptRef(idp->getValue());
  // 30 04 83 02 06 40: onlySomeReasons, six unused bits, keyCompromise
  EXPECT_EQ(bytesOf(v.get()), (Bytes{0x30, 0x04, 0x83, 0x02, 0x06, 0x40}));
}

TEST_F(CrlObjectTest, ListSetsRefuseMalformedInput) {
  Bytes one = listOf(fullTbs());
  struct Case {
    const char* what;
    Bytes der;
    int code;
    int count;
  } cases[] = {
      {"another tag", Tlv(0xA0, one), 9, 0},
      {"an empty set", Tlv(0xA3, {}), 0, 0},
      {"trailing octets", Tlv(0xA3, Cat({one, {0x05, 0x00}})), 9, 0},
      {"a list that does not read", Tlv(0xA3, Cat({one, Tlv(0x30, {0x02, 0x01, 0x01})})), 9, 0},
      {"indefinite, two lists", Tlv(0xA1, Cat({one, one}), true), 0, 2},
      {"indefinite without end-of-contents", dropLast(Tlv(0xA1, one, true), 2), 9, 0},
  };
  for (const Case& c : cases) {
    Ref<TCRLList> l = adoptRef(createTCRLList());
    Ref<TBuf> b = tbufOf(c.der);
    EXPECT_EQ(l->setPKCS7Crls(b.get()), c.code) << c.what;
    int n = 0;
    for (Ref<TCRL> x = adoptRef(l->getFirst()); x; x.reset(l->getNext())) ++n;
    EXPECT_EQ(n, c.count) << c.what;
  }
  Ref<TCRLList> l = adoptRef(createTCRLList());
  EXPECT_EQ(l->setPKCS7Crls(nullptr), 4);
}

TEST_F(CrlObjectTest, EntriesSetByTheCallerAreSearchedOneByOne) {
  Ref<X509CRL> c = parse(crlExample("v2-reasons.der"));
  Ref<TCert> revoked = cert("revoked.der");
  Ref<TCert> server = cert("server.der");
  EXPECT_TRUE(adoptRef(c->findRevokedCert(revoked.get())));
  ASSERT_EQ(c->addRevokedCert(server.get()), 0);
  EXPECT_EQ(c->revokedCount(), 6u);
  EXPECT_TRUE(adoptRef(c->findRevokedCert(revoked.get())));
  EXPECT_TRUE(adoptRef(c->findRevokedCert(server.get())));
  ASSERT_EQ(c->setRevokedCerts(nullptr), 0);
  EXPECT_FALSE(adoptRef(c->findRevokedCert(revoked.get())));
  EXPECT_EQ(c->error(), 36);
  EXPECT_EQ(c->addRevokedCert(nullptr), 4);
}

// An archive of one certificate (or none).
class OneCertArchive : public Archive {
 public:
  explicit OneCertArchive(TCert* c) : c_(c) {}
  TCert* getCert() override { return c_; }

 private:
  TCert* c_;
};

TEST_F(CrlObjectTest, TheSimpleCheckingQuestion) {
  Ref<L_List<Question>> questions = adoptRef(getX509CertQuestions());
  ASSERT_TRUE(questions);
  std::vector<Question*> qs;
  questions->forEach([&](Question* q) { qs.push_back(q); });
  ASSERT_EQ(qs.size(), 1u);
  Question* q = qs[0];
  EXPECT_EQ(q->answer(), 0);
  EXPECT_EQ(q->ask(), 4);
  EXPECT_EQ(q->answer(), 4);
  OneCertArchive empty(nullptr);
  q->setArchive(&empty);
  EXPECT_EQ(q->ask(), 6);
  // The answer is the certificate's own check (here an entry object,
  // whose check answers 40 whatever the clock says).
  Ref<TCert> entry = adoptRef<TCert>(new CRLEntry);
  OneCertArchive archive(entry.get());
  q->setArchive(&archive);
  EXPECT_EQ(q->ask(), 40);
  EXPECT_EQ(q->answer(), 40);
}

}  // namespace
}  // namespace pkixtest
