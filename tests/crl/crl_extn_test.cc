// The list extensions by themselves: the issuing distribution point read
// from OpenSSL's octets and written back, its reason flags against
// OpenSSL's bit numbering, the certificate issuer, the restricted generic
// extensions, and the distribution points extension's templates. The
// extension factory's classes for the kinds of these extensions.
#include <openssl/x509v3.h>

#include "cert/crldp.h"
#include "crl/crl_testutil.h"
#include "crl/crlextn.h"
#include "cert/x509extn.h"
#include "name/x509name.h"

namespace pkixtest {
namespace {

using CrlExtnTest = CrlFixture;

Bytes valueOf(TExtn* e) {
  Ref<TBuf> v = adoptRef(e->getValue());
  return bytesOf(v.get());
}

// The DER of OpenSSL's IssuingDistributionPoint with the reason bits set.
Bytes osslIdp(std::vector<int> bits, bool only_user, bool only_ca, bool indirect) {
  ISSUING_DIST_POINT* idp = ISSUING_DIST_POINT_new();
  if (!bits.empty()) {
    idp->onlysomereasons = ASN1_BIT_STRING_new();
    for (int b : bits) ASN1_BIT_STRING_set_bit(idp->onlysomereasons, b, 1);
  }
  idp->onlyuser = only_user ? 0xFF : 0;
  idp->onlyCA = only_ca ? 0xFF : 0;
  idp->indirectCRL = indirect ? 0xFF : 0;
  Bytes der = OsslDer([&](unsigned char** p) { return i2d_ISSUING_DIST_POINT(idp, p); });
  ISSUING_DIST_POINT_free(idp);
  return der;
}

TEST_F(CrlExtnTest, ReasonFlagsFollowOpenSSLsBitNumbers) {
  struct Case {
    std::vector<int> bits;
    X509CRLReasons flags;
  } cases[] = {
      {{1}, 0x02},                         // keyCompromise
      {{1, 2, 4}, 0x16},                   // the sample list's
      {{7}, 0x80},                         // privilegeWithdrawn
      {{1, 2, 3, 4, 5, 6, 7}, 0xFE},       // every reason of the octet
      {{6, 8}, 0x40},                      // aACompromise is not tracked
      {{3, 5}, 0x28},
  };
  for (const Case& c : cases) {
    Bytes der = osslIdp(c.bits, false, false, false);
    Ref<IDP> idp = adoptRef(new IDP);
    Ref<TBuf> v = tbufOf(der);
    ASSERT_EQ(idp->setValue(v.get()), 0);
    EXPECT_EQ(idp->getReasons(), c.flags);
    // Written by the module, read by OpenSSL: the same bits (within the
    // octet).
    Ref<IDP> fresh = adoptRef(new IDP);
    X509CRLReasons r = c.flags;
    fresh->setReasons(r);
    Bytes out = valueOf(fresh.get());
    const unsigned char* p = out.data();
    ISSUING_DIST_POINT* o = d2i_ISSUING_DIST_POINT(nullptr, &p, static_cast<long>(out.size()));
    ASSERT_NE(o, nullptr);
    for (int bit = 1; bit < 8; ++bit) {
      bool mine = (c.flags & (1 << bit)) != 0;
      bool theirs = c.flags != 0xFE && o->onlysomereasons != nullptr && ASN1_BIT_STRING_get_bit(o->onlysomereasons, bit) != 0;
      if (c.flags != 0xFE) {
        EXPECT_EQ(theirs, mine) << "bit " << bit;
      }
    }
    ISSUING_DIST_POINT_free(o);
    if (c.flags != 0xFE && c.bits.back() < 8) {
      EXPECT_EQ(out, der);
    }
  }
}

TEST_F(CrlExtnTest, IssuingDistributionPointsReadAndWriteBack) {
  struct Case {
    const char* what;
    Bytes value;
    int code;
    int user, ca, indirect;
  } cases[] = {
      {"no field", {0x30, 0x00}, 0, 0, 0, 0},
      {"an empty value", {}, 9, 0, 0, 0},
      {"only user certificates", osslIdp({}, true, false, false), 0, 1, 0, 0},
      {"only CA certificates", osslIdp({}, false, true, false), 0, 0, 1, 0},
      {"indirect, some reasons", osslIdp({1, 2}, false, false, true), 0, 0, 0, 1},
      {"both only flags", {0x30, 0x06, 0x81, 0x01, 0xFF, 0x82, 0x01, 0xFF}, 9, 0, 0, 0},
      {"a flag of two octets", {0x30, 0x04, 0x81, 0x02, 0xFF, 0xFF}, 9, 0, 0, 0},
      {"reasons with 8 unused bits", {0x30, 0x04, 0x83, 0x02, 0x08, 0x40}, 9, 0, 0, 0},
      {"fields out of order", {0x30, 0x06, 0x82, 0x01, 0xFF, 0x81, 0x01, 0xFF}, 9, 0, 0, 0},
      {"trailing octets", {0x30, 0x00, 0x05, 0x00}, 9, 0, 0, 0},
      {"a distribution point of another tag", {0x30, 0x04, 0xA0, 0x02, 0xA2, 0x00}, 6, 0, 0, 0},
  };
  for (const Case& c : cases) {
    Ref<IDP> idp = adoptRef(new IDP);
    Ref<TBuf> v = tbufOf(c.value);
    EXPECT_EQ(idp->setValue(v.get()), c.code) << c.what;
    if (c.code != 0) continue;
    EXPECT_EQ(idp->isOnlyContainsUserCerts(), c.user) << c.what;
    EXPECT_EQ(idp->isOnlyContainsCACerts(), c.ca) << c.what;
    EXPECT_EQ(idp->isIndirectCRL(), c.indirect) << c.what;
    EXPECT_EQ(valueOf(idp.get()), c.value) << c.what;
  }
  // Both flags set through the setters cannot be written.
  Ref<IDP> both = adoptRef(new IDP);
  both->onlyContainsUserCerts();
  both->onlyContainsCACerts();
  EXPECT_FALSE(adoptRef(both->getValue()));
  EXPECT_EQ(both->error(), 9);
  // A new one without fields writes 30 00.
  Ref<IDP> empty = adoptRef(new IDP);
  EXPECT_EQ(valueOf(empty.get()), (Bytes{0x30, 0x00}));
  // Without a name there is no point to fetch from: an empty list, 9.
  Ref<TDPList> no_points = adoptRef(empty->getDistributionPoints());
  ASSERT_TRUE(no_points);
  EXPECT_TRUE(no_points->isEmpty());
  EXPECT_EQ(empty->error(), 9);
}

TEST_F(CrlExtnTest, TheSampleListsIssuingDistributionPoints) {
  Ref<X509CRL> only_ca = parse(crlExample("idp-only-ca.der"));
  Ref<IDP> idp = adoptRef(only_ca->getIDP());
  ASSERT_TRUE(idp);
  EXPECT_EQ(idp->isOnlyContainsCACerts(), 1);
  EXPECT_EQ(idp->isCritical(), 1);
  Ref<TName> full = adoptRef(idp->getFullDp());
  ASSERT_TRUE(full);
  Ref<TBuf> dp = adoptRef(idp->getDp());
  ASSERT_TRUE(dp);
  EXPECT_EQ(dp->datap()[0], 0xA0);
  Ref<X509CRL> indirect = parse(crlExample("indirect.der"));
  Ref<IDP> ind = adoptRef(indirect->getIDP());
  ASSERT_TRUE(ind);
  EXPECT_EQ(ind->isIndirectCRL(), 1);
  // Neither list names an LDAP location: the one names none at all (9),
  // the other only an HTTP one.
  Ref<TDPList> none = adoptRef(indirect->getDistributionPoints());
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->isEmpty());
  EXPECT_EQ(indirect->error(), 9);
  Ref<TDPList> http_only = adoptRef(only_ca->getDistributionPoints());
  ASSERT_TRUE(http_only);
  EXPECT_TRUE(http_only->isEmpty());
  EXPECT_EQ(only_ca->error(), 0);
}

TEST_F(CrlExtnTest, RelativeDistributionPointNames) {
  // [1] nameRelativeToCRLIssuer { CN=CRL1 }:
  // A1 0D 30 0B 06 03 55 04 03 0C 04 'C' 'R' 'L' '1'
  const Bytes rdn = {0xA1, 0x0D, 0x30, 0x0B, 0x06, 0x03, 0x55, 0x04, 0x03, 0x0C, 0x04, 'C', 'R', 'L', '1'};
  Ref<IDP> idp = adoptRef(new IDP);
  ASSERT_EQ(idp->setDp(rdn.data(), static_cast<unsigned>(rdn.size())), 0);
  Ref<TBuf> dp = adoptRef(idp->getDp());
  EXPECT_EQ(bytesOf(dp.get()), rdn);
  Ref<TName> n = adoptRef(idp->getRdn());
  ASSERT_TRUE(n);
  Ref<TBuf> text = adoptRef(n->getPrintable(TName::PRN_PLAIN));
  ASSERT_TRUE(text);
  EXPECT_NE(std::string(reinterpret_cast<char*>(text->datap())).find("CRL1"), std::string::npos);
  // Written as the value's distributionPoint: 30 11 A0 0F <rdn>
  Bytes v = valueOf(idp.get());
  ASSERT_EQ(v.size(), rdn.size() + 4);
  EXPECT_EQ(Bytes(v.begin() + 4, v.end()), rdn);
  EXPECT_EQ(idp->setRdn(n.get()), 4);
  EXPECT_FALSE(adoptRef(idp->getRdn()));
  EXPECT_EQ(idp->setDp(nullptr, 0), 4);
}

TEST_F(CrlExtnTest, CertificateIssuerNames) {
  Ref<CertIssuer> ci = adoptRef(new CertIssuer);
  EXPECT_EQ(ci->getType(), TExtn::EXT_CERT_ISSUER);
  Ref<TCert> root = cert("root-ca.der");
  Ref<TName> dn = adoptRef(root->getName(static_cast<TName::name_type_t>(0x201)));
  EXPECT_EQ(ci->setName(dn.get()), 5);
  Ref<TName> gn = adoptRef(createTName(TName::NAME_GN, dn.get()));
  ASSERT_TRUE(gn);
  ASSERT_EQ(ci->setName(gn.get()), 0);
  Bytes value = valueOf(ci.get());
  Ref<TBuf> gn_der = adoptRef(gn->getRaw());
  EXPECT_EQ(value, bytesOf(gn_der.get()));
  Ref<CertIssuer> back = adoptRef(new CertIssuer);
  Ref<TBuf> v = tbufOf(value);
  ASSERT_EQ(back->setValue(v.get()), 0);
  Ref<TName> n = adoptRef(back->getName());
  ASSERT_TRUE(n);
  EXPECT_EQ(*n == *gn, 1);
  Ref<TBuf> junk = tbufOf(Bytes{0x02, 0x01, 0x01});
  EXPECT_EQ(back->setValue(junk.get()), 9);
  EXPECT_EQ(ci->setName(nullptr), 4);
}

TEST_F(CrlExtnTest, RestrictedExtensionsAcceptOnlyTheirKinds) {
  // Extension { keyUsage, critical, BIT STRING 05 A0 }: 30 0E 06 03 55 1D 0F 01 01 FF 04 04 03 02 05 A0
  const Bytes key_usage = {0x30, 0x0E, 0x06, 0x03, 0x55, 0x1D, 0x0F, 0x01, 0x01, 0xFF, 0x04, 0x04, 0x03, 0x02, 0x05, 0xA0};
  // Extension { reasonCode, ENUMERATED 1 }
  const Bytes reason = {0x30, 0x0A, 0x06, 0x03, 0x55, 0x1D, 0x15, 0x04, 0x03, 0x0A, 0x01, 0x01};
  // Extension { cRLNumber, INTEGER 5 }
  const Bytes number = {0x30, 0x0A, 0x06, 0x03, 0x55, 0x1D, 0x14, 0x04, 0x03, 0x02, 0x01, 0x05};
  const Bytes garbage = {0x30, 0x03, 0x02, 0x01, 0x01};
  struct Case {
    const char* what;
    bool entry;
    Bytes der;
    int code;
    int error;
  } cases[] = {
      {"a reason code as entry extension", true, reason, 0, 0},
      {"a CRL number as list extension", false, number, 0, 0},
      {"a key usage as entry extension", true, key_usage, 9, kExtnNotAllowed},
      {"a key usage as list extension", false, key_usage, 9, kExtnNotAllowed},
      {"a reason code as list extension", false, reason, 9, kExtnNotAllowed},
      {"a CRL number as entry extension", true, number, 9, kExtnNotAllowed},
      {"no extension at all", true, garbage, 9, kExtnUnparsable},
  };
  for (const Case& c : cases) {
    Ref<TBuf> b = tbufOf(c.der);
    Ref<X509Extn> e = c.entry ? adoptRef<X509Extn>(new X509CRLEntryExtn) : adoptRef<X509Extn>(new X509CRLExtn);
    EXPECT_EQ(e->setRaw(b.get()), c.code) << c.what;
    EXPECT_EQ(e->error(), c.error) << c.what;
    if (c.code == 0) {
      Ref<TBuf> raw = adoptRef(e->getRaw());
      EXPECT_EQ(bytesOf(raw.get()), c.der) << c.what;
    }
  }
}

TEST_F(CrlExtnTest, DistributionPointTemplates) {
  Ref<TCert> sub = cert("sub-ca.der");
  Ref<TName> issuer = adoptRef(sub->getName(static_cast<TName::name_type_t>(0x201)));
  Ref<TName> as_issuer = adoptRef(createTName(static_cast<TName::name_type_t>(0x101), issuer.get()));
  // Only a certificate issuer: one template named by it.
  Ref<X509CRLDP> dp = adoptRef(new X509CRLDP);
  EXPECT_FALSE(adoptRef(dp->getCRLList()));
  EXPECT_EQ(dp->error(), 40);
  ASSERT_EQ(dp->setCertIssuer(as_issuer.get()), 0);
  EXPECT_EQ(dp->setCertIssuer(issuer.get()), 4);
  Ref<TCRLList> l = adoptRef(dp->getCRLList());
  ASSERT_TRUE(l);
  Ref<TCRL> t = adoptRef(l->getFirst());
  ASSERT_TRUE(t);
  Ref<TName> n = adoptRef(t->getTName(static_cast<TName::name_type_t>(0x101)));
  ASSERT_TRUE(n);
  EXPECT_EQ(*n == *as_issuer, 1);
  EXPECT_FALSE(adoptRef(l->getNext()));

  // DistributionPoint { [0] { [0] URI }, [1] reasons keyCompromise,
  // [2] cRLIssuer { [4] the sub CA } } read into one template and back.
  Ref<TBuf> issuer_der = adoptRef(issuer->getRaw());
  const std::string uri = "http://crl.example.org/sub.crl";
  Bytes value = Tlv(0x30, Tlv(0x30, Cat({Tlv(0xA0, Tlv(0xA0, Tlv(0x86, Bytes(uri.begin(), uri.end())))),
                                          {0x81, 0x02, 0x06, 0x40},
                                          Tlv(0xA2, Tlv(0xA4, bytesOf(issuer_der.get())))})));
  Ref<X509CRLDP> read = adoptRef(new X509CRLDP);
  Ref<TBuf> v = tbufOf(value);
  ASSERT_EQ(read->setValue(v.get()), 0);
  Ref<TCRLList> templates = adoptRef(read->getCRLList());
  Ref<TCRL> one = adoptRef(templates->getFirst());
  ASSERT_TRUE(one);
  EXPECT_EQ(one->getReasons(), 0x02);
  Ref<TName> dn = adoptRef(one->getTName(static_cast<TName::name_type_t>(0x101)));
  ASSERT_TRUE(dn);
  EXPECT_EQ(*dn == *issuer, 1);
  read->setCRLList(templates.get());
  EXPECT_EQ(valueOf(read.get()), value);
  // OpenSSL reads the same point.
  const unsigned char* p = value.data();
  CRL_DIST_POINTS* points = d2i_CRL_DIST_POINTS(nullptr, &p, static_cast<long>(value.size()));
  ASSERT_NE(points, nullptr);
  DIST_POINT* first = sk_DIST_POINT_value(points, 0);
  EXPECT_EQ(ASN1_BIT_STRING_get_bit(first->reasons, 1), 1);
  CRL_DIST_POINTS_free(points);
  // Malformed values.
  struct Case {
    const char* what;
    Bytes value;
    int code;
  } bad[] = {
      {"not a sequence", {0x31, 0x00}, 9},
      {"an empty value", {}, 9},
      {"a point that is not a sequence", {0x30, 0x02, 0x05, 0x00}, 9},
      {"reasons that are not a bit string", {0x30, 0x04, 0x30, 0x02, 0x81, 0x00}, 6},
      {"a name of another tag", {0x30, 0x06, 0x30, 0x04, 0xA0, 0x02, 0xA3, 0x00}, 6},
      {"trailing octets", {0x30, 0x02, 0x30, 0x00, 0x00}, 9},
  };
  for (const Case& c : bad) {
    Ref<X509CRLDP> x = adoptRef(new X509CRLDP);
    Ref<TBuf> b = tbufOf(c.value);
    EXPECT_EQ(x->setValue(b.get()), c.code) << c.what;
  }
}

// Extensions OpenSSL wrote (a sample list's issuing distribution point, an
// indirect list's certificate issuer entry extension, a certificate's
// distribution points): the factory reads each into its kind's class, which
// gives the same DER back.
TEST_F(CrlExtnTest, TheFactoryMakesEachKindsClass) {
  OsslCrl only_ca = osslCrl(crlExample("idp-only-ca.der"));
  OsslCrl indirect = osslCrl(crlExample("indirect.der"));
  OsslX509 server = osslCert(example("server.der"));
  ASSERT_TRUE(only_ca && indirect && server);
  auto der = [](X509_EXTENSION* e) { return OsslDer([&](unsigned char** p) { return i2d_X509_EXTENSION(e, p); }); };
  // The certificate issuer extension of the first entry that has one.
  X509_EXTENSION* cert_issuer = nullptr;
  STACK_OF(X509_REVOKED)* revoked = X509_CRL_get_REVOKED(indirect.get());
  for (int i = 0; i < sk_X509_REVOKED_num(revoked) && cert_issuer == nullptr; ++i) {
    X509_REVOKED* r = sk_X509_REVOKED_value(revoked, i);
    int at = X509_REVOKED_get_ext_by_NID(r, NID_certificate_issuer, -1);
    if (at >= 0) cert_issuer = X509_REVOKED_get_ext(r, at);
  }
  ASSERT_NE(cert_issuer, nullptr);
  struct Case {
    const char* label;
    Bytes extension;
    TExtn::extn_t kind;
    bool (*isClass)(TExtn*);
  };
  const Case cases[] = {
      {"issuing distribution point",
       der(X509_CRL_get_ext(only_ca.get(), X509_CRL_get_ext_by_NID(only_ca.get(), NID_issuing_distribution_point, -1))),
       TExtn::EXT_ISSUING_DP, [](TExtn* e) { return dynamic_cast<IDP*>(e) != nullptr; }},
      {"certificate issuer", der(cert_issuer), TExtn::EXT_CERT_ISSUER,
       [](TExtn* e) { return dynamic_cast<CertIssuer*>(e) != nullptr; }},
      {"CRL distribution points",
       der(X509_get_ext(server.get(), X509_get_ext_by_NID(server.get(), NID_crl_distribution_points, -1))),
       TExtn::EXT_CRL_DP, [](TExtn* e) { return dynamic_cast<X509CRLDP*>(e) != nullptr; }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.label);
    ASSERT_FALSE(k.extension.empty());
    Ref<TBuf> in = tbufOf(k.extension);
    Ref<TExtn> e = adoptRef(createX509Extn(in.get()));
    ASSERT_TRUE(e);
    EXPECT_EQ(in->len(), 0u);  // the whole element was read
    EXPECT_EQ(e->getType(), k.kind);
    EXPECT_TRUE(k.isClass(e.get()));
    Ref<TBuf> raw = adoptRef(e->getRaw());
    EXPECT_EQ(bytesOf(raw.get()), k.extension);
    // The CRL reader's entry point is the same factory.
    Ref<TBuf> again = tbufOf(k.extension);
    Ref<TExtn> same = adoptRef(createCRLExtn(again.get()));
    ASSERT_TRUE(same);
    EXPECT_TRUE(k.isClass(same.get()));
    // An empty one of the kind is of the same class.
    Ref<TExtn> empty = adoptRef(createX509Extn(k.kind));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(k.isClass(empty.get()));
  }
}

// A value the kind's class cannot read leaves the input where it was, for
// the list readers to keep the element unread.
TEST_F(CrlExtnTest, AnUnreadableValueLeavesTheInputInPlace) {
  // Extension { issuingDistributionPoint (2.5.29.28), OCTET STRING { 04 00 } }:
  // the value is an OCTET STRING, not the IssuingDistributionPoint SEQUENCE.
  const Bytes bad = {0x30, 0x09, 0x06, 0x03, 0x55, 0x1D, 0x1C, 0x04, 0x02, 0x04, 0x00};
  Ref<TBuf> in = tbufOf(bad);
  EXPECT_FALSE(adoptRef(createCRLExtn(in.get())));
  EXPECT_EQ(in->len(), bad.size());
}

// Every truncation of an OpenSSL-written distribution points extension,
// with the outer lengths fixed up so that only the value is cut short:
// refused, the input untouched.
TEST_F(CrlExtnTest, EveryTruncatedDistributionPointsValueIsRefused) {
  OsslX509 server = osslCert(example("server.der"));
  ASSERT_TRUE(server);
  ASN1_OCTET_STRING* v =
      X509_EXTENSION_get_data(X509_get_ext(server.get(), X509_get_ext_by_NID(server.get(), NID_crl_distribution_points, -1)));
  const Bytes value(v->data, v->data + v->length);
  const Bytes oid = {0x06, 0x03, 0x55, 0x1D, 0x1F};  // cRLDistributionPoints
  for (size_t n = 0; n < value.size(); ++n) {
    SCOPED_TRACE(n);
    const Bytes cut(value.begin(), value.begin() + static_cast<long>(n));
    const Bytes extn = Tlv(0x30, Cat({oid, Tlv(0x04, cut)}));
    Ref<TBuf> in = tbufOf(extn);
    EXPECT_FALSE(adoptRef(createX509Extn(in.get())));
    EXPECT_EQ(in->len(), extn.size());
  }
}

}  // namespace
}  // namespace pkixtest
