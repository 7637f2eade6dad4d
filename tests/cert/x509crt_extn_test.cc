// Certificates whose recognised extensions cannot be read: the extension
// list keeps every extension and reports the failure, and a critical one
// that cannot be read makes the certificate invalid. Fixtures are the
// sample server certificate with one extension replaced by OpenSSL and
// signed again by the sample sub-CA; OpenSSL also counts the extensions.
// Then the extension list's order and replacement over many identifiers,
// and a certificate's distribution points read into CRL templates and
// written back through the certificate.
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cert/cert_testutil.h"
#include "cert/crldp.h"
#include "crl/crl_testutil.h"
#include "crl/crlextn.h"
#include "cert/keyusageext.h"
#include "cert/x509extn.h"
#include "support/clock.h"
#include "support/result_codes.h"

namespace pkixtest {
namespace {

using namespace pkixrc;

// 2030-01-01T00:00:00Z: inside the sample PKI's validity.
constexpr int64_t kInsideValidity = 1893456000;

Bytes keyFile(const std::string& name) { return readFile(std::string(PKIX_SOURCE_DIR) + "/examples/keys/" + name); }

// server.der with the extension of kind nid replaced by one holding value
// (critical or not), signed again with the sub-CA's key. Empty on failure.
Bytes withExtension(int nid, bool critical, const Bytes& value) {
  Bytes der = example("server.der");
  const unsigned char* p = der.data();
  X509* x = d2i_X509(nullptr, &p, static_cast<long>(der.size()));
  Bytes key = keyFile("sub-key.p8.der");
  const unsigned char* k = key.data();
  EVP_PKEY* signer = d2i_AutoPrivateKey(nullptr, &k, static_cast<long>(key.size()));
  ASN1_OCTET_STRING* os = ASN1_OCTET_STRING_new();
  Bytes out;
  if (x != nullptr && signer != nullptr && os != nullptr &&
      ASN1_OCTET_STRING_set(os, value.data(), static_cast<int>(value.size())) == 1) {
    int at = X509_get_ext_by_NID(x, nid, -1);
    if (at >= 0) X509_EXTENSION_free(X509_delete_ext(x, at));
    X509_EXTENSION* e = X509_EXTENSION_create_by_NID(nullptr, nid, critical ? 1 : 0, os);
    if (e != nullptr && X509_add_ext(x, e, -1) == 1 && X509_sign(x, signer, EVP_sha256()) > 0) {
      unsigned char* q = nullptr;
      int n = i2d_X509(x, &q);
      if (n > 0) out.assign(q, q + n);
      OPENSSL_free(q);
    }
    X509_EXTENSION_free(e);
  }
  ASN1_OCTET_STRING_free(os);
  EVP_PKEY_free(signer);
  X509_free(x);
  return out;
}

int opensslExtCount(const Bytes& der) {
  const unsigned char* p = der.data();
  X509* x = d2i_X509(nullptr, &p, static_cast<long>(der.size()));
  int n = x != nullptr ? X509_get_ext_count(x) : -1;
  X509_free(x);
  return n;
}

// The content octets of the identifier of nid.
Bytes oidContent(int nid) {
  const ASN1_OBJECT* o = OBJ_nid2obj(nid);
  const unsigned char* d = OBJ_get0_data(o);
  return Bytes(d, d + OBJ_length(o));
}

class UnreadableExtnTest : public CertFixture {
 protected:
  pkixclock::FixedTime clock_{kInsideValidity};
};

struct BadExtn {
  const char* what;
  int nid;
  Bytes value;
};

// Values the kinds' classes cannot read, each well formed as an Extension.
const BadExtn kBadExtns[] = {
    // BIT STRING { 8 unused bits, 80 }: a key usage whose one value octet
    // is all padding
    {"key usage with 8 unused bits", NID_key_usage, {0x03, 0x02, 0x08, 0x80}},
    // SEQUENCE {}: an extended key usage without a purpose
    {"empty extended key usage", NID_ext_key_usage, {0x30, 0x00}},
    // SEQUENCE { [5] 00 }: an element of no tag the identifier knows
    {"garbage authority key identifier", NID_authority_key_identifier, {0x30, 0x03, 0x85, 0x01, 0x00}},
    // SEQUENCE { [0] 2 octets } whose element runs past its end
    {"truncated authority key identifier", NID_authority_key_identifier, {0x30, 0x04, 0x80, 0x05, 0x01, 0x02}},
};

// Each bad extension, not critical and critical, in a certificate.
struct BadCert {
  std::string label;
  const BadExtn* extn;
  bool critical;
  Bytes der;
};

const std::vector<BadCert>& badCerts() {
  static const std::vector<BadCert> kCerts = [] {
    std::vector<BadCert> out;
    for (const BadExtn& b : kBadExtns) {
      for (bool critical : {false, true}) {
        out.push_back({std::string(b.what) + (critical ? ", critical" : ", not critical"), &b, critical,
                       withExtension(b.nid, critical, b.value)});
      }
    }
    return out;
  }();
  return kCerts;
}

TEST_F(UnreadableExtnTest, TheListKeepsEveryExtensionAndReportsTheBadOne) {
  for (const BadCert& k : badCerts()) {
    SCOPED_TRACE(k.label);
    const BadExtn& b = *k.extn;
    const bool critical = k.critical;
    const Bytes& der = k.der;
    ASSERT_FALSE(der.empty());
    Own<TCert> c(createTCert(TCert::CF_X509, der.data(), static_cast<unsigned>(der.size())));
    ASSERT_TRUE(c);
    Own<TExtnList> l(c->getExtns());
    ASSERT_TRUE(l);
    EXPECT_EQ(c->error(), kMalformed);
    // Asked again, the cached list says the same.
    Own<TExtnList> again(c->getExtns());
    EXPECT_EQ(again.get(), l.get());
    EXPECT_EQ(c->error(), kMalformed);

    int count = 0, unread = 0;
    for (TExtn* e = l->getFirst(); e != nullptr; e = l->getNext()) {
      Own<TExtn> held(e);
      ++count;
      Own<TBuf> id(e->getObjId());
      ASSERT_TRUE(id);
      if (bytesOf(id.get()) != oidContent(b.nid)) continue;
      ++unread;
      // Kept as an unrecognised extension: no caller takes it for its
      // kind's class.
      EXPECT_EQ(e->getType(), TExtn::EXT_NONE);
      EXPECT_EQ(e->isCritical(), critical ? 1 : 0);
      Own<TBuf> value(e->getValue());
      EXPECT_EQ(bytesOf(value.get()), b.value);
    }
    EXPECT_EQ(count, opensslExtCount(der));
    EXPECT_EQ(unread, 1);
    // The readable ones are still typed.
    Own<TExtn> ski(l->get(TExtn::EXT_SUBJECT_KEY_ID));
    EXPECT_TRUE(ski);
  }
}

TEST_F(UnreadableExtnTest, ACriticalOneThatCannotBeReadMakesTheCertificateInvalid) {
  for (const BadCert& k : badCerts()) {
    SCOPED_TRACE(k.label);
    const Bytes& der = k.der;
    ASSERT_FALSE(der.empty());
    int want = k.critical ? kCertUnknownCritical : kOk;
    // check() first, on a fresh object, and after the list was built.
    Own<TCert> fresh(createTCert(TCert::CF_X509, der.data(), static_cast<unsigned>(der.size())));
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->check(), want);
    Own<TCert> listed(createTCert(TCert::CF_X509, der.data(), static_cast<unsigned>(der.size())));
    ASSERT_TRUE(listed);
    Own<TExtnList> l(listed->getExtns());
    EXPECT_EQ(listed->check(), want);
    EXPECT_EQ(listed->error(), want);
  }
  // The unchanged certificate is valid, and its list reads whole.
  Own<TCert> good(load("server.der"));
  EXPECT_EQ(good->check(), kOk);
  Own<TExtnList> l(good->getExtns());
  ASSERT_TRUE(l);
  EXPECT_EQ(good->error(), kOk);
}

TEST_F(UnreadableExtnTest, AValueTheClassCannotReadLeavesTheInputWhereItWas) {
  // Extension { keyUsage, OCTET STRING { BIT STRING { 8 unused bits, 80 } } }
  const unsigned char der[] = {0x30, 0x0B, 0x06, 0x03, 0x55, 0x1D, 0x0F, 0x04,
                               0x04, 0x03, 0x02, 0x08, 0x80};
  Own<TBuf> in(createTBuf(der, sizeof der));
  EXPECT_EQ(createX509Extn(in.get()), nullptr);
  EXPECT_EQ(in->len(), sizeof der);
  Own<TExtn> unread(createUnreadExtn(in.get()));
  ASSERT_TRUE(unread);
  EXPECT_EQ(in->len(), 0u);
  EXPECT_EQ(unread->getType(), TExtn::EXT_NONE);
  Own<TBuf> raw(unread->getRaw());
  EXPECT_EQ(bytesOf(raw.get()), Bytes(der, der + sizeof der));
  // Not an Extension element at all: nothing is made, nothing consumed.
  const unsigned char junk[] = {0x04, 0x01, 0x00};
  Own<TBuf> j(createTBuf(junk, sizeof junk));
  EXPECT_EQ(createUnreadExtn(j.get()), nullptr);
  EXPECT_EQ(j->len(), sizeof junk);
  EXPECT_EQ(createUnreadExtn(nullptr), nullptr);
}

TEST_F(UnreadableExtnTest, ParsingFromAnotherExtensionsDerLeavesThatExtensionWhole) {
  // Reading one extension from the DER another one gave out advances that
  // buffer: the extension that gave it keeps its element, identifier and
  // value all the same.
  Own<TCert> sub(load("sub-ca.der"));
  Own<TExtnList> l(sub->getExtns());
  Own<TExtn> generic(l->get(TExtn::EXT_NAME_CONSTRAINTS));
  ASSERT_TRUE(generic);
  Own<TBuf> raw(generic->getRaw());
  const Bytes whole = bytesOf(raw.get());
  Own<TExtn> copy(createX509Extn(raw.get()));
  ASSERT_TRUE(copy);
  EXPECT_EQ(raw->len(), 0u);
  Own<TBuf> again(generic->getRaw());
  EXPECT_EQ(bytesOf(again.get()), whole);
  Own<TBuf> value(generic->getValue());
  Own<TBuf> copied(copy->getValue());
  ASSERT_TRUE(value);
  EXPECT_EQ(bytesOf(value.get()), bytesOf(copied.get()));
  Own<TBuf> id(generic->getObjId());
  const Bytes nc_id = {0x55, 0x1D, 0x1E};
  EXPECT_EQ(bytesOf(id.get()), nc_id);
}

// ---- The extension list over many identifiers ----

// A generic extension with identifier 1.2.3.<n> (n below 128) and a one-octet
// value v.
Own<TExtn>* genericExtn(unsigned n, unsigned char v) {
  // Extension { 1.2.3.n, OCTET STRING { 05 v } }
  const unsigned char der[] = {0x30, 0x09, 0x06, 0x03, 0x2A, 0x03, static_cast<unsigned char>(n),
                               0x04, 0x02, 0x05, v};
  Own<TBuf> in(createTBuf(der, sizeof der));
  return new Own<TExtn>(createX509Extn(in.get()));
}

using ExtnListTest = CertFixture;

TEST_F(ExtnListTest, ManyIdentifiersKeepTheirOrderAndReplaceInPlace) {
  Own<TExtnList> l(createTExtnList());
  std::vector<std::unique_ptr<Own<TExtn>>> made;
  for (unsigned n = 0; n < 100; ++n) {
    made.emplace_back(genericExtn(n, 0));
    ASSERT_TRUE(*made.back());
    ASSERT_EQ(l->append(made.back()->get()), kOk);
  }
  // A second extension with identifier 1.2.3.50 takes the first's place;
  // one with a new identifier goes last.
  std::unique_ptr<Own<TExtn>> replacement(genericExtn(50, 1));
  std::unique_ptr<Own<TExtn>> last(genericExtn(127, 2));
  ASSERT_EQ(l->append(replacement->get()), kOk);
  ASSERT_EQ(l->append(last->get()), kOk);
  EXPECT_EQ((*made[50])->references(), 1);  // the list let the replaced one go
  std::vector<TExtn*> order;
  for (TExtn* e = l->getFirst(); e != nullptr; e = l->getNext()) {
    order.push_back(e);
    e->release();
  }
  ASSERT_EQ(order.size(), 101u);
  for (unsigned n = 0; n < 100; ++n) {
    EXPECT_EQ(order[n], n == 50 ? replacement->get() : made[n]->get()) << n;
  }
  EXPECT_EQ(order[100], last->get());
  // Cleared, it takes every identifier again.
  ASSERT_EQ(l->clear(), kOk);
  ASSERT_EQ(l->append(made[50]->get()), kOk);
  ASSERT_EQ(l->append(replacement->get()), kOk);
  Own<TExtn> first(l->getFirst());
  EXPECT_EQ(first.get(), replacement->get());
  Own<TExtn> none(l->getNext());
  EXPECT_FALSE(none);
}

// ---- Distribution points through the certificate ----

const TName::name_type_t kIssuerDN = static_cast<TName::name_type_t>(TName::NAME_ISSUER | TName::NAME_DN);

Bytes text(const char* t) { return Bytes(t, t + std::strlen(t)); }
Bytes nameDer(X509_NAME* n) {
  return OsslDer([&](unsigned char** p) { return i2d_X509_NAME(n, p); });
}
// DistributionPoint { distributionPoint [0] { fullName [0] { uri } } }
// plus optional reasons [1] and cRLIssuer [2] octets.
Bytes point(const char* uri, const Bytes& more = {}) {
  return Tlv(0x30, Cat({Tlv(0xA0, Tlv(0xA0, Tlv(0x86, text(uri)))), more}));
}
// The DistributionPointName a template's issuing distribution point keeps
// for uri: fullName [0] { uniformResourceIdentifier [6] uri }.
Bytes dpName(const char* uri) { return Tlv(0xA0, Tlv(0x86, text(uri))); }

class CrlDpTest : public UnreadableExtnTest {
 protected:
  // The issuer DN of a certificate as OpenSSL writes it.
  Bytes osslIssuer(const Bytes& der) {
    OsslX509 x = osslCert(der);
    return x ? nameDer(X509_get_issuer_name(x.get())) : Bytes();
  }
  static Bytes nameOf(TCRL* t) {
    Ref<TName> n = adoptRef(t->getTName(kIssuerDN));
    Ref<TBuf> d = adoptRef(n ? n->getRaw() : nullptr);
    return bytesOf(d.get());
  }
  static Bytes dpOf(TCRL* t) {
    Ref<IDP> idp = adoptRef(static_cast<X509CRL*>(t)->getIDP());
    Ref<TBuf> d = adoptRef(idp ? idp->getDp() : nullptr);
    return bytesOf(d.get());
  }
};

// Certificates whose distribution points OpenSSL writes into server.der and
// signs: each is read into templates (one per point, the point's name,
// reasons and CRL issuer; the certificate issuer where the point names
// none), given back with setCRLList, and the re-encoded certificate carries
// the same extensions in the same order, as OpenSSL's parse of it shows.
TEST_F(CrlDpTest, TemplatesReadAndWrittenBackGiveTheSameExtensions) {
  OsslX509 root = osslCert(example("root-ca.der"));
  ASSERT_TRUE(root);
  // cRLIssuer [2] { directoryName [4] { the root's name } }
  const Bytes other_issuer = nameDer(X509_get_subject_name(root.get()));
  const Bytes crl_issuer = Tlv(0xA2, Tlv(0xA4, other_issuer));
  // reasons [1]: keyCompromise (1) and cACompromise (2), 5 unused bits.
  const Bytes reasons = Tlv(0x81, {0x05, 0x60});
  struct Expect {
    const char* uri;
    X509CRLReasons reasons;
    bool own_issuer;
  };
  struct Case {
    const char* label;
    Bytes value;
    std::vector<Expect> points;
  };
  const char* kLdap = "ldap://ldap.example.org/cn=Example%20Sub%20CA?certificateRevocationList";
  const char* kHttp = "http://crl.example.org/sub.crl";
  const Case cases[] = {
      {"one point", Tlv(0x30, point(kLdap)), {{kLdap, crlreasons::kAll, false}}},
      {"reasons", Tlv(0x30, point(kHttp, reasons)), {{kHttp, 0x06, false}}},
      {"two points, the second with its own CRL issuer",
       Tlv(0x30, Cat({point(kLdap), point(kHttp, Cat({reasons, crl_issuer}))})),
       {{kLdap, crlreasons::kAll, false}, {kHttp, 0x06, true}}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.label);
    const Bytes der = withExtension(NID_crl_distribution_points, false, k.value);
    ASSERT_FALSE(der.empty());
    const Bytes issuer = osslIssuer(der);
    Own<TCert> c(createTCert(TCert::CF_X509, der.data(), static_cast<unsigned>(der.size())));
    ASSERT_TRUE(c);
    Ref<TCRLList> l = adoptRef(c->getCRLList());
    ASSERT_TRUE(l);
    EXPECT_EQ(c->error(), kOk);
    size_t n = 0;
    for (Ref<TCRL> t = adoptRef(l->getFirst()); t; t = adoptRef(l->getNext()), ++n) {
      ASSERT_LT(n, k.points.size());
      const Expect& want = k.points[n];
      EXPECT_EQ(dpOf(t.get()), dpName(want.uri));
      EXPECT_EQ(t->getReasons(), want.reasons);
      EXPECT_EQ(nameOf(t.get()), want.own_issuer ? other_issuer : issuer);
    }
    EXPECT_EQ(n, k.points.size());

    ASSERT_EQ(c->setCRLList(l.get()), kOk);
    Own<TBuf> out(c->getRaw());
    ASSERT_TRUE(out);
    const Bytes again = bytesOf(out.get());
    OsslX509 parsed = osslCert(again);
    ASSERT_TRUE(parsed);
    // Every extension, in its place, is the one OpenSSL wrote.
    OsslX509 original = osslCert(der);
    ASSERT_EQ(X509_get_ext_count(parsed.get()), X509_get_ext_count(original.get()));
    for (int e = 0; e < X509_get_ext_count(original.get()); ++e) {
      EXPECT_EQ(OsslDer([&](unsigned char** q) { return i2d_X509_EXTENSION(X509_get_ext(parsed.get(), e), q); }),
                OsslDer([&](unsigned char** q) { return i2d_X509_EXTENSION(X509_get_ext(original.get(), e), q); }))
          << "extension " << e;
    }
    int at = X509_get_ext_by_NID(parsed.get(), NID_crl_distribution_points, -1);
    ASSERT_GE(at, 0);
    ASN1_OCTET_STRING* v = X509_EXTENSION_get_data(X509_get_ext(parsed.get(), at));
    EXPECT_EQ(Bytes(v->data, v->data + v->length), k.value);
    STACK_OF(DIST_POINT)* dps =
        static_cast<STACK_OF(DIST_POINT)*>(X509_get_ext_d2i(parsed.get(), NID_crl_distribution_points, nullptr, nullptr));
    ASSERT_NE(dps, nullptr);
    EXPECT_EQ(static_cast<size_t>(sk_DIST_POINT_num(dps)), k.points.size());
    sk_DIST_POINT_pop_free(dps, DIST_POINT_free);
  }
}

// A certificate without the extension: its list of extensions is what it
// carries, its templates are the one named by the issuer (covering
// authority certificates, for a CA), and setCRLList adds the extension.
TEST_F(CrlDpTest, ACertificateWithoutDistributionPointsGetsOneFromItsTemplates) {
  const Bytes der = example("root-ca.der");
  Own<TCert> c(createTCert(TCert::CF_X509, der.data(), static_cast<unsigned>(der.size())));
  ASSERT_TRUE(c);
  Own<TExtnList> extns(c->getExtns());
  ASSERT_TRUE(extns);
  int count = 0;
  for (TExtn* e = extns->getFirst(); e != nullptr; e = extns->getNext(), ++count) e->release();
  EXPECT_EQ(count, opensslExtCount(der));

  Ref<TCRLList> made = adoptRef(c->getCRLList());
  ASSERT_TRUE(made);
  Ref<TCRL> only = adoptRef(made->getFirst());
  ASSERT_TRUE(only);
  EXPECT_EQ(nameOf(only.get()), osslIssuer(der));
  Ref<IDP> idp = adoptRef(static_cast<X509CRL*>(only.get())->getIDP());
  ASSERT_TRUE(idp);
  EXPECT_EQ(idp->isOnlyContainsCACerts(), 1);
  EXPECT_FALSE(adoptRef(made->getNext()));

  // A template for one HTTP point limited to keyCompromise and cACompromise.
  const char* kUri = "http://crl.example.org/root.crl";
  Ref<TCRLList> l = adoptRef(createTCRLList());
  Ref<TCRL> t = adoptRef(createTCRL(TCert::CF_X509));
  Ref<IDP> dp = adoptRef(new IDP);
  const Bytes name = dpName(kUri);
  ASSERT_EQ(dp->setDp(name.data(), static_cast<unsigned>(name.size())), kOk);
  ASSERT_EQ(t->addCRLExtn(dp.get()), kOk);
  X509CRLReasons r = 0x06;  // keyCompromise (1), cACompromise (2)
  ASSERT_EQ(t->setReasons(r), kOk);
  ASSERT_EQ(l->append(t.get()), kOk);
  EXPECT_EQ(c->setCRLList(nullptr), kBadArgument);
  ASSERT_EQ(c->setCRLList(l.get()), kOk);
  Own<TBuf> out(c->getRaw());
  ASSERT_TRUE(out);
  const Bytes written = bytesOf(out.get());
  EXPECT_EQ(opensslExtCount(written), opensslExtCount(der) + 1);
  OsslX509 parsed = osslCert(written);
  ASSERT_TRUE(parsed);
  STACK_OF(DIST_POINT)* dps =
      static_cast<STACK_OF(DIST_POINT)*>(X509_get_ext_d2i(parsed.get(), NID_crl_distribution_points, nullptr, nullptr));
  ASSERT_NE(dps, nullptr);
  ASSERT_EQ(sk_DIST_POINT_num(dps), 1);
  DIST_POINT* p = sk_DIST_POINT_value(dps, 0);
  ASSERT_NE(p->distpoint, nullptr);
  ASSERT_EQ(p->distpoint->type, 0);
  GENERAL_NAME* g = sk_GENERAL_NAME_value(p->distpoint->name.fullname, 0);
  ASSERT_EQ(g->type, GEN_URI);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(ASN1_STRING_get0_data(g->d.uniformResourceIdentifier))), kUri);
  ASSERT_NE(p->reasons, nullptr);
  EXPECT_EQ(ASN1_BIT_STRING_get_bit(p->reasons, 1), 1);
  EXPECT_EQ(ASN1_BIT_STRING_get_bit(p->reasons, 2), 1);
  EXPECT_EQ(ASN1_BIT_STRING_get_bit(p->reasons, 3), 0);
  // The root names itself: no cRLIssuer is written for its own issuer.
  EXPECT_EQ(p->CRLissuer, nullptr);
  sk_DIST_POINT_pop_free(dps, DIST_POINT_free);
  // Read back by the module, the point is the one given.
  Own<TCert> back(createTCert(TCert::CF_X509, written.data(), static_cast<unsigned>(written.size())));
  ASSERT_TRUE(back);
  Ref<TCRLList> back_list = adoptRef(back->getCRLList());
  ASSERT_TRUE(back_list);
  Ref<TCRL> back_first = adoptRef(back_list->getFirst());
  ASSERT_TRUE(back_first);
  EXPECT_EQ(dpOf(back_first.get()), name);
}

}  // namespace
}  // namespace pkixtest
