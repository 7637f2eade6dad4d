// The certificate object's own behaviour: re-encoding after setters,
// duplicates, validity and status, comparisons and templates, list
// searches and PKCS #7 sets, and the extension classes.
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>

#include <ctime>

#include "cert/authkext.h"
#include "cert/cert_testutil.h"
#include "cert/certcmp.h"
#include "cert/certlist.h"
#include "cert/crtextn.h"
#include "cert/exkuext.h"
#include "cert/keyusageext.h"
#include "cert/namecext.h"
#include "cert/selident.h"
#include "cert/subjkext.h"
#include "cert/x509extn.h"
#include "key/x509key.h"
#include "name/x509name.h"
#include "support/result_codes.h"

namespace pkixtest {
namespace {

const TName::name_type_t kSubject = static_cast<TName::name_type_t>(certname::kSubject);
const TName::name_type_t kIssuer = static_cast<TName::name_type_t>(certname::kIssuer);

// The module's clock, fixed by the fixture.
long now() { return kTestNow; }

X509* openssl(TBuf* raw) {
  const unsigned char* p = raw->datap();
  return d2i_X509(nullptr, &p, raw->len());
}

using CertTest = CertFixture;

TEST_F(CertTest, FormatOtherThanDerIsRefused) {
  Bytes d = example("server.der");
  EXPECT_EQ(createTCert(static_cast<TCert::cert_format_t>(2), d.data(), static_cast<unsigned>(d.size())), nullptr);
  EXPECT_EQ(createTCert(static_cast<TCert::cert_format_t>(0)), nullptr);
  Own<TCert> empty(createTCert(TCert::CF_X509));
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->getVersion(), 0u);
  EXPECT_EQ(empty->error(), pkixrc::kUnavailable);
  EXPECT_EQ(empty->getType(), 0);
  EXPECT_EQ(empty->error(), pkixrc::kUnavailable);
}

TEST_F(CertTest, BadInputIsRefusedAndLeavesNothing) {
  Bytes d = example("server.der");
  struct Case {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"truncated", Bytes(d.begin(), d.begin() + d.size() / 2)},
      {"header only", Bytes(d.begin(), d.begin() + 4)},
      {"not a sequence", Bytes{0x04, 0x01, 0x00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    X509Cert* cert = new X509Cert;
    TBuf* in = createTBuf(c.bytes.data(), static_cast<unsigned>(c.bytes.size()));
    EXPECT_EQ(cert->setRaw(in), pkixrc::kFailed);
    EXPECT_EQ(in->len(), c.bytes.size());  // not consumed
    EXPECT_EQ(cert->getX509Struct(), nullptr);
    in->release();
    EXPECT_EQ(cert->release(), 0);
  }
  X509Cert* cert = new X509Cert;
  EXPECT_EQ(cert->setRaw(nullptr), pkixrc::kBadArgument);
  cert->release();
}

TEST_F(CertTest, CertificatesLaidEndToEndAreReadOneByOne) {
  Bytes a = example("root-ca.der"), b = example("server.der");
  Bytes both = a;
  both.insert(both.end(), b.begin(), b.end());
  TBuf* in = createTBuf(both.data(), static_cast<unsigned>(both.size()));
  Own<TCert> first(createTCert(TCert::CF_X509)), second(createTCert(TCert::CF_X509));
  ASSERT_EQ(first->setRaw(in), 0);
  EXPECT_EQ(in->len(), b.size());
  ASSERT_EQ(second->setRaw(in), 0);
  EXPECT_EQ(in->len(), 0u);
  in->release();
  Own<TBuf> r1(first->getRaw()), r2(second->getRaw());
  EXPECT_EQ(bytesOf(r1.get()), a);
  EXPECT_EQ(bytesOf(r2.get()), b);
}

TEST_F(CertTest, SettersReencodeAndTheResultParsesBack) {
  Own<TCert> c(load("server.der"));
  Own<TCert> root(load("root-ca.der"));
  ASSERT_TRUE(c);
  ASSERT_TRUE(root);
  const unsigned char serial[] = {0x01, 0x23, 0x45};
  ASSERT_EQ(c->setSerialNumber(serial, sizeof serial), 0);
  ASSERT_EQ(c->setSignAlg(PKI_ALG_MD5_RSA), 0);
  ASSERT_EQ(c->setValidity(1000000000, 1100000000), 0);
  Own<TName> root_subject(root->getName(kSubject));
  // The root's subject becomes this certificate's subject.
  ASSERT_EQ(c->setName(root_subject.get()), 0);
  Own<TKey> root_key(root->getKey(TKey::KT_PUBLIC));
  ASSERT_EQ(c->setKey(root_key.get()), 0);
  // A new key usage replaces the one the certificate had.
  X509KeyUsage* ku = new X509KeyUsage;
  ASSERT_EQ(ku->set(TX509KeyUsage::KUSAGE_KEY_AGREEMENT, 1), 0);
  ku->setCritical(1);
  ASSERT_EQ(c->addExtn(ku), 0);
  ku->release();

  Own<TBuf> raw(c->getRaw());
  ASSERT_TRUE(raw) << c->error();
  X509* x = openssl(raw.get());
  ASSERT_NE(x, nullptr);
  const ASN1_INTEGER* sn = X509_get0_serialNumber(x);
  EXPECT_EQ(ASN1_INTEGER_get(sn), 0x012345);
  EXPECT_EQ(X509_get_signature_nid(x), NID_md5WithRSAEncryption);
  EXPECT_EQ(ASN1_TIME_cmp_time_t(X509_get0_notBefore(x), 1000000000), 0);
  EXPECT_EQ(ASN1_TIME_cmp_time_t(X509_get0_notAfter(x), 1100000000), 0);
  Own<TBuf> name_der(root_subject->getRaw());
  Bytes subject(i2d_X509_NAME(X509_get_subject_name(x), nullptr));
  unsigned char* p = subject.data();
  i2d_X509_NAME(X509_get_subject_name(x), &p);
  EXPECT_EQ(subject, bytesOf(name_der.get()));
  Own<TBuf> key_der(root_key->getRaw());
  Bytes spki(i2d_X509_PUBKEY(X509_get_X509_PUBKEY(x), nullptr));
  p = spki.data();
  i2d_X509_PUBKEY(X509_get_X509_PUBKEY(x), &p);
  EXPECT_EQ(spki, bytesOf(key_der.get()));
  EXPECT_EQ(X509_get_key_usage(x), static_cast<uint32_t>(X509v3_KU_KEY_AGREEMENT));
  int ku_pos = X509_get_ext_by_NID(x, NID_key_usage, -1);
  ASSERT_GE(ku_pos, 0);
  EXPECT_EQ(X509_EXTENSION_get_critical(X509_get_ext(x, ku_pos)), 1);
  // Every other extension is still there.
  Own<TCert> original(load("server.der"));
  Own<TExtnList> extns(original->getExtns());
  int count = 0;
  for (TExtn* e = extns->getFirst(); e != nullptr; e = extns->getNext()) {
    ++count;
    e->release();
  }
  Own<TExtn> old_ku(extns->get(TExtn::EXT_KEY_USAGE));
  EXPECT_EQ(X509_get_ext_count(x), count + (old_ku ? 0 : 1));
  X509_free(x);

  // Our own parser reads the new values back.
  TBuf* again = createTBuf(raw->datap(), raw->len());
  Own<TCert> back(createTCert(TCert::CF_X509));
  ASSERT_EQ(back->setRaw(again), 0);
  again->release();
  EXPECT_EQ(back->getSignAlg(), static_cast<pki_alg_t>(PKI_ALG_MD5_RSA));
  Own<TBuf> back_sn(back->getSerialNumber());
  EXPECT_EQ(bytesOf(back_sn.get()), Bytes(serial, serial + 3));
  long from = 0, to = 0;
  EXPECT_EQ(back->getValidity(&from, &to), 0);
  EXPECT_EQ(from, 1000000000);
  EXPECT_EQ(to, 1100000000);
}

TEST_F(CertTest, SetterArgumentsAreChecked) {
  Own<TCert> c(load("server.der"));
  EXPECT_EQ(c->setVersion(3), pkixrc::kBadArgument);
  EXPECT_EQ(c->setSerialNumber(nullptr, 3), pkixrc::kBadArgument);
  EXPECT_EQ(c->setSignAlg(PKI_ALG_RSA), pkixrc::kBadArgument);   // no hash octet
  EXPECT_EQ(c->setSignAlg(PKI_ALG_SHA1), pkixrc::kBadArgument);  // no key octet
  EXPECT_EQ(c->setName(nullptr), pkixrc::kBadArgument);
  Own<TName> dn(createTName(TName::NAME_DN));
  EXPECT_EQ(c->setName(dn.get()), pkixrc::kWrongType);  // no role
  EXPECT_EQ(c->setKey(nullptr), pkixrc::kBadArgument);
  Own<TKey> secret(createTKey(TKey::KT_SECRET));
  EXPECT_EQ(c->setKey(secret.get()), pkixrc::kWrongType);
  EXPECT_EQ(c->getKey(TKey::KT_SECRET), nullptr);
  EXPECT_EQ(c->error(), pkixrc::kBadArgument);
  EXPECT_EQ(c->getKey(TKey::KT_PRIVATE), nullptr);
  EXPECT_EQ(c->error(), pkixrc::kUnavailable);
  EXPECT_EQ(c->getValidity(nullptr, nullptr), pkixrc::kBadArgument);
  EXPECT_EQ(c->getName(static_cast<TName::name_type_t>(0x301)), nullptr);
  EXPECT_EQ(c->error(), pkixrc::kWrongType);
  // The unmodified certificate still gives back its own octets.
  Own<TBuf> raw(c->getRaw());
  EXPECT_EQ(bytesOf(raw.get()), example("server.der"));
}

TEST_F(CertTest, DupIsEqualAndIndependent) {
  Own<TCert> c(load("server.der"));
  Own<TCert> d(c->dup());
  ASSERT_TRUE(d);
  EXPECT_EQ(*c == *d, 1);
  EXPECT_EQ(*d == *c, 1);
  EXPECT_EQ(*c != *d, 0);
  const unsigned char serial[] = {0x7F};
  ASSERT_EQ(d->setSerialNumber(serial, 1), 0);
  EXPECT_EQ(*c == *d, 0);
  EXPECT_EQ(c->areISNMatched(d.get()), 0);
  Own<TBuf> raw(c->getRaw());
  EXPECT_EQ(bytesOf(raw.get()), example("server.der"));
}

TEST_F(CertTest, TypeVersionAndNames) {
  struct Case {
    const char* file;
    int type;
  } cases[] = {{"root-ca.der", 2}, {"sub-ca.der", 2}, {"server.der", 1}, {"dsa-user.der", 1}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.file);
    Own<TCert> c(load(k.file));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->getType(), k.type);
    EXPECT_EQ(c->getVersion(), 2u);
    EXPECT_EQ(c->getFormat(), TCert::CF_X509);
  }
  Own<TCert> root(load("root-ca.der"));
  Own<TName> alt(root->getName(static_cast<TName::name_type_t>(certname::kSubjectAlt)));
  EXPECT_FALSE(alt);
  EXPECT_EQ(root->error(), pkixrc::kNotFound);
  Own<TCert> server(load("server.der"));
  Own<TName> server_alt(server->getName(static_cast<TName::name_type_t>(certname::kSubjectAlt)));
  EXPECT_TRUE(server_alt);
  Own<TName> norm(server->getNormName(kSubject));
  EXPECT_TRUE(norm);
}

TEST_F(CertTest, ValidityAtTheExactSecondAndStatus) {
  Own<TCert> c(load("server.der"));
  long t = now();
  // Not yet valid while not_before is now or later.
  ASSERT_EQ(c->setValidity(t + 2, t + 1000), 0);
  EXPECT_EQ(c->check(), kCertNotYetValid);
  EXPECT_EQ(c->getStatus(), TCert::CS_OUT_OF_VALIDITY);
  EXPECT_EQ(c->error(), kCertNotYetValid);
  ASSERT_EQ(c->setValidity(t - 10, t + 1000), 0);
  EXPECT_EQ(c->check(), 0);
  ASSERT_EQ(c->setValidity(t - 1000, t - 10), 0);
  EXPECT_EQ(c->check(), kCertExpired);

  // Expired: a CA keeps the sticky verdict 7, an end entity becomes 6.
  Own<TCert> ca(load("root-ca.der"));
  ASSERT_EQ(ca->setStatus(TCert::CS_STICKY), 0);
  ASSERT_EQ(ca->setValidity(t - 1000, t - 10), 0);
  EXPECT_EQ(ca->getStatus(), TCert::CS_STICKY);
  EXPECT_EQ(ca->error(), kCertExpired);
  ASSERT_EQ(c->setStatus(TCert::CS_STICKY), 0);
  EXPECT_EQ(c->getStatus(), TCert::CS_OUT_OF_VALIDITY);
  EXPECT_EQ(c->error(), kCertExpired);

  // The CRL period.
  Own<TCert> v(load("root-ca.der"));
  long from = 0, to = 0;
  EXPECT_EQ(v->getCRLPeriod(&from, &to), 0);
  EXPECT_EQ(from, -1);
  EXPECT_EQ(to, -1);
  EXPECT_EQ(v->setCRLPeriod(t + 10, t), pkixrc::kBadArgument);
  ASSERT_EQ(v->setCRLPeriod(t + 100, t + 200), 0);
  EXPECT_EQ(v->getStatus(), 0);
  EXPECT_EQ(v->error(), kCertBeforeCRLPeriod);
  ASSERT_EQ(v->setCRLPeriod(t - 200, t - 100), 0);
  EXPECT_EQ(v->getStatus(), 0);
  EXPECT_EQ(v->error(), kCertAfterCRLPeriod);
  // Inside the period it may only narrow.
  ASSERT_EQ(v->setCRLPeriod(t - 100, t + 100), 0);
  ASSERT_EQ(v->setCRLPeriod(t - 200, t + 50), 0);
  EXPECT_EQ(v->getCRLPeriod(&from, &to), 0);
  EXPECT_EQ(from, t - 100);
  EXPECT_EQ(to, t + 50);
  EXPECT_EQ(v->setCRLPeriod(-1, 5), pkixrc::kBadArgument);
  EXPECT_EQ(v->setCRLPeriod(-1, -1), 0);
  EXPECT_EQ(v->getCRLPeriod(&from, &to), 0);
  EXPECT_EQ(from, -1);
}

TEST_F(CertTest, ComparisonsAndTemplates) {
  Own<TCert> server(load("server.der"));
  Own<TCert> again(load("server.der"));
  Own<TCert> revoked(load("revoked.der"));
  Own<TCert> root(load("root-ca.der"));
  EXPECT_EQ(*server == *server, 1);
  EXPECT_EQ(*server == *again, 1);
  EXPECT_EQ(server->areISNMatched(again.get()), 1);
  EXPECT_EQ(*server == *revoked, 0);
  EXPECT_EQ(server->areISNMatched(revoked.get()), 0);
  EXPECT_EQ(server->areISNMatched(nullptr), 0);
  EXPECT_EQ(server->error(), pkixrc::kBadArgument);

  // A template from the certificate's own selector fits it, and only it.
  _selector* sel = server->getSelector();
  ASSERT_NE(sel, nullptr);
  _selector* sel2 = server->getSelector();
  EXPECT_EQ(sel_trivial_cmp(sel, sel2), 1);
  sel_destroy(sel2);
  Own<TCert> tmpl(createTCert(TCert::CF_X509));
  ASSERT_EQ(tmpl->setSelector(sel), 0) << tmpl->error();
  EXPECT_EQ(server->isCertSimilar(tmpl.get()), 1) << server->error();
  // The template's fingerprints are the selector's, each of its own kind
  // (both share one selector type and differ in the subtype).
  Own<TBuf> want_sha1(server->getSHA1()), got_sha1(tmpl->getSHA1());
  Own<TBuf> want_md5(server->getMD5()), got_md5(tmpl->getMD5());
  ASSERT_TRUE(got_sha1 && got_md5);
  EXPECT_EQ(bytesOf(got_sha1.get()), bytesOf(want_sha1.get()));
  EXPECT_EQ(bytesOf(got_md5.get()), bytesOf(want_md5.get()));
  EXPECT_EQ(server->areISNSimilar(tmpl.get()), 1);
  EXPECT_EQ(revoked->isCertSimilar(tmpl.get()), 0);
  EXPECT_EQ(root->isCertSimilar(tmpl.get()), 0);
  EXPECT_EQ(tmpl->is_complete(), 0);

  // The name-pattern rule: a subject marked as a pattern.
  Own<TName> pattern(server->getName(kSubject));
  pattern->setComplete(0);
  Own<TCert> by_subject(createTCert(TCert::CF_X509));
  ASSERT_EQ(by_subject->setName(pattern.get()), 0);
  EXPECT_EQ(server->isCertSimilar(by_subject.get()), 1) << server->error();
  EXPECT_EQ(root->isCertSimilar(by_subject.get()), 0);

  // A pattern without a serial compares issuers only.
  Own<TCert> by_issuer(createTCert(TCert::CF_X509));
  Own<TName> issuer(server->getName(kIssuer));
  ASSERT_EQ(by_issuer->setName(issuer.get()), 0);
  EXPECT_EQ(revoked->areISNSimilar(by_issuer.get()), 1);
  EXPECT_EQ(root->areISNSimilar(by_issuer.get()), 0);

  // Key algorithm of the pattern: variant and vendor octets are ignored.
  _selector* by_key = sel_insert(nullptr, kSelTagKeyAlg, static_cast<unsigned>(htonl(PKI_ALG_RSA)), 0, 0);
  ASSERT_NE(by_key, nullptr);
  Own<TCert> key_tmpl(createTCert(TCert::CF_X509));
  ASSERT_EQ(key_tmpl->setSelector(by_key), 0);
  EXPECT_EQ(server->isCertSimilar(key_tmpl.get()), 1);
  Own<TCert> dsa(load("dsa-user.der"));
  EXPECT_EQ(dsa->isCertSimilar(key_tmpl.get()), 0);
  sel_destroy(by_key);
  sel_destroy(sel);
}

// ---- Lists ----

class CertListTest : public CertFixture {
 protected:
  void SetUp() override {
    CertFixture::SetUp();
    for (const char* f : {"root-ca.der", "server.der", "revoked.der", "server.der"}) {
      TCert* c = load(f);
      ASSERT_NE(c, nullptr);
      ASSERT_EQ(list->append(c), 0);
      c->release();
    }
  }
  void TearDown() override {
    list->release();
    CertFixture::TearDown();
  }
  static int count(TCertList* l) {
    int n = 0;
    for (TCert* c = l->getFirst(); c != nullptr; c = l->getNext()) {
      ++n;
      c->release();
    }
    return n;
  }
  CertList* list = new CertList;
};

TEST_F(CertListTest, StrictFindKeepsTheCursor) {
  Own<TCert> server(load("server.der"));
  Own<TCert> first(list->getFirst()), second(list->getNext());
  Own<TCertList> found(list->strictFind(server.get(), 0));
  ASSERT_TRUE(found);
  EXPECT_EQ(count(found.get()), 2);
  // The cursor is back on the second element.
  Own<TCert> third(list->getNext());
  Own<TCert> revoked(load("revoked.der"));
  EXPECT_EQ(*third.get() == *revoked.get(), 1);
  Own<TCert> other(load("sub-ca.der"));
  Own<TCertList> none(list->strictFind(other.get(), 0));
  ASSERT_TRUE(none);
  EXPECT_EQ(count(none.get()), 0);
}

TEST_F(CertListTest, FuzzyFindAndTheReverseFlag) {
  Own<TCert> server(load("server.der"));
  Own<TCert> tmpl(createTCert(TCert::CF_X509));
  Own<TName> issuer(server->getName(kIssuer));
  ASSERT_EQ(tmpl->setName(issuer.get()), 0);
  Own<TCertList> found(list->fuzzyFind(tmpl.get(), 0));
  ASSERT_TRUE(found);
  EXPECT_EQ(count(found.get()), 3);  // everything the intermediate issued
  // With reverse the template is the one tested: it has no serial, so no
  // element fits.
  Own<TCertList> reversed(list->fuzzyFind(tmpl.get(), 1));
  ASSERT_TRUE(reversed);
  EXPECT_EQ(count(reversed.get()), 0);
  // The free search functions.
  Own<TCert> hit(fuzzyFindCertInList(list, tmpl.get()));
  EXPECT_TRUE(hit);
  EXPECT_EQ(reverseFuzzyFindCertInList(list, tmpl.get()), nullptr);
  Own<TCert> strict(strictFindCertInList(list, server.get()));
  EXPECT_TRUE(strict);
  EXPECT_EQ(strictFindCertInList(nullptr, server.get()), nullptr);
  EXPECT_EQ(strictCertCmp(nullptr, server.get()), 0);
}

TEST_F(CertListTest, OutFormsAndEmptiness) {
  CertList* empty = new CertList;
  TCert* out = reinterpret_cast<TCert*>(1);
  EXPECT_EQ(empty->getFirst(&out), 0);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(empty->getFirst(nullptr), pkixrc::kBadArgument);
  EXPECT_TRUE(empty->isEmpty());
  *empty += *list;
  EXPECT_EQ(count(empty), 4);
  EXPECT_FALSE(empty->isEmpty());
  EXPECT_EQ(empty->getLast(&out), 1);
  out->release();
  EXPECT_EQ(empty->del(), 0);
  EXPECT_EQ(count(empty), 3);
  // A failed selector leaves no list.
  EXPECT_EQ(empty->setSelector(nullptr), pkixrc::kBadArgument);
  EXPECT_TRUE(empty->isEmpty());
  EXPECT_EQ(empty->error(), pkixrc::kUnavailable);
  empty->release();
}

TEST_F(CertListTest, PKCS7SetsReadBackInReverse) {
  Own<TBuf> set(list->getPKCS7Certificates());
  ASSERT_TRUE(set);
  EXPECT_EQ(set->datap()[0], 0xA2);
  CertList* back = new CertList;
  TBuf* in = createTBuf(set->datap(), set->len());
  ASSERT_EQ(back->setPKCS7Certificates(in), 0);
  in->release();
  std::vector<Bytes> want, got;
  for (TCert* c = list->getFirst(); c != nullptr; c = list->getNext()) {
    Own<TBuf> r(c->getRaw());
    want.insert(want.begin(), bytesOf(r.get()));
    c->release();
  }
  for (TCert* c = back->getFirst(); c != nullptr; c = back->getNext()) {
    Own<TBuf> r(c->getRaw());
    got.push_back(bytesOf(r.get()));
    c->release();
  }
  EXPECT_EQ(got, want);
  back->release();
}

TEST_F(CertListTest, PKCS7WrappersAndBadInput) {
  Bytes a = example("root-ca.der"), b = example("sub-ca.der");
  Bytes body = a;
  body.insert(body.end(), b.begin(), b.end());
  auto definite = [&](unsigned char tag) {
    Bytes out{tag, 0x82, static_cast<unsigned char>(body.size() >> 8), static_cast<unsigned char>(body.size())};
    out.insert(out.end(), body.begin(), body.end());
    return out;
  };
  Bytes indefinite{0xA0, 0x80};
  indefinite.insert(indefinite.end(), body.begin(), body.end());
  indefinite.push_back(0);
  indefinite.push_back(0);
  Bytes truncated = definite(0xA2);
  truncated.resize(truncated.size() - 10);
  Bytes trailing = definite(0xA2);
  trailing.push_back(0x05);  // an octet after the set is not read
  struct Case {
    const char* what;
    Bytes bytes;
    int result;
    int count;
  } cases[] = {
      {"[0]", definite(0xA0), 0, 2},
      {"[2]", definite(0xA2), 0, 2},
      {"[0] indefinite", indefinite, 0, 2},
      {"[2] and an octet after", trailing, 0, 2},
      {"other tag", Bytes{0x30, 0x00}, X509ASN_E_TAG, 0},
      {"truncated certificate", truncated, X509ASN_E_SHORT, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    CertList* l = new CertList;
    TBuf* in = createTBuf(k.bytes.data(), static_cast<unsigned>(k.bytes.size()));
    EXPECT_EQ(l->setPKCS7Certificates(in), k.result);
    EXPECT_EQ(count(l), k.count);
    in->release();
    l->release();
  }
  CertList* l = new CertList;
  EXPECT_EQ(l->setPKCS7Certificates(nullptr), -7);
  EXPECT_EQ(l->getPKCS7Certificates(), nullptr);
  EXPECT_EQ(l->error(), pkixrc::kFailed);
  l->release();
}

TEST_F(CertListTest, TemplatesFromASelector) {
  Own<TCert> server(load("server.der"));
  _selector* s = server->getSelector();
  ASSERT_NE(s, nullptr);
  Own<TCertList> templates(createTCertList(s));
  ASSERT_TRUE(templates);
  EXPECT_EQ(count(templates.get()), 1);
  Own<TCert> t(templates->getFirst());
  Own<TCertList> found(list->fuzzyFind(t.get(), 0));
  EXPECT_EQ(count(found.get()), 2);
  sel_destroy(s);
}

// ---- Extensions ----

TEST_F(CertTest, GenericExtensionRoundTrip) {
  // Extension { 1.2.3.4, critical, OCTET STRING { 05 00 } }
  const unsigned char der[] = {0x30, 0x0C, 0x06, 0x03, 0x2A, 0x03, 0x04, 0x01, 0x01,
                               0xFF, 0x04, 0x02, 0x05, 0x00};
  TBuf* in = createTBuf(der, sizeof der);
  Own<TExtn> e(createX509Extn(in));
  ASSERT_TRUE(e);
  EXPECT_EQ(in->len(), 0u);
  in->release();
  EXPECT_EQ(e->getType(), TExtn::EXT_NONE);
  EXPECT_EQ(e->isCritical(), 1);
  Own<TBuf> raw(e->getRaw());
  EXPECT_EQ(bytesOf(raw.get()), Bytes(der, der + sizeof der));
  // After setValue it is rebuilt with the parsed identifier, and keeps its
  // criticality.
  const unsigned char v[] = {0x02, 0x01, 0x07};
  TBuf* value = createTBuf(v, 3);
  ASSERT_EQ(e->setValue(value), 0);
  value->release();
  Own<TBuf> rebuilt(e->getRaw());
  const unsigned char want[] = {0x30, 0x0D, 0x06, 0x03, 0x2A, 0x03, 0x04, 0x01, 0x01,
                                0xFF, 0x04, 0x03, 0x02, 0x01, 0x07};
  EXPECT_EQ(bytesOf(rebuilt.get()), Bytes(want, want + sizeof want));
  // A generic extension of kind 0 with only a value has no identifier.
  Own<TExtn> bare(createTExtn(TExtn::EXT_NONE));
  value = createTBuf(v, 3);
  bare->setValue(value);
  value->release();
  EXPECT_EQ(bare->getRaw(), nullptr);
  EXPECT_EQ(bare->error(), pkixrc::kUnavailable);
  EXPECT_EQ(bare->setCritical(5), 0);
  EXPECT_EQ(bare->isCritical(), 5);
  // Name constraints are generic through the factory.
  Own<TExtn> nc(createX509Extn(TExtn::EXT_NAME_CONSTRAINTS));
  EXPECT_EQ(dynamic_cast<X509Extn*>(nc.get()) != nullptr, true);
}

TEST_F(CertTest, ExtensionListKeepsOnePerIdentifier) {
  Own<TExtnList> l(createTExtnList());
  Own<TExtn> ski(createTExtn(TExtn::EXT_SUBJECT_KEY_ID));
  Own<TExtn> ku1(createTExtn(TExtn::EXT_KEY_USAGE));
  Own<TExtn> eku(createTExtn(TExtn::EXT_EXT_KEY_USAGE));
  Own<TExtn> ku2(createTExtn(TExtn::EXT_KEY_USAGE));
  for (TExtn* e : {ski.get(), ku1.get(), eku.get(), ku2.get()}) ASSERT_EQ(l->append(e), 0);
  std::vector<TExtn*> order;
  for (TExtn* e = l->getFirst(); e != nullptr; e = l->getNext()) {
    order.push_back(e);
    e->release();
  }
  EXPECT_EQ(order, (std::vector<TExtn*>{ski.get(), ku2.get(), eku.get()}));
  EXPECT_EQ(l->get(TExtn::EXT_NONE), nullptr);
  EXPECT_EQ(l->error(), pkixrc::kBadArgument);
  EXPECT_EQ(l->get(TExtn::EXT_LIMIT), nullptr);
  EXPECT_EQ(l->error(), pkixrc::kBadArgument);
  Own<TExtn> found(l->get(TExtn::EXT_KEY_USAGE));
  EXPECT_EQ(found.get(), ku2.get());
  EXPECT_EQ(ku1->references(), 1);  // the replaced one was let go
}

TEST_F(CertTest, KeyUsageBits) {
  Own<X509KeyUsage> ku(new X509KeyUsage);
  ASSERT_EQ(ku->set(TX509KeyUsage::KUSAGE_KEY_CERT_SIGN, 1), 0);
  Own<TBuf> v(ku->getValue());
  ASSERT_TRUE(v);
  ASSERT_EQ(v->len(), 5u);
  EXPECT_EQ(v->datap()[0], 0x03);
  EXPECT_EQ(v->datap()[1], 0x03);
  EXPECT_EQ(v->datap()[3], 0x04);
  EXPECT_EQ(v->datap()[4], 0x00);
  EXPECT_EQ(ku->isCertSign(), 1);
  EXPECT_EQ(ku->isCRLSign(), 0);
  struct Case {
    Bytes value;
    int result;
    bool ds, cs, crl;
  } cases[] = {
      {{0x03, 0x02, 0x01, 0x86}, 0, true, true, true},
      {{0x03, 0x03, 0x07, 0x80, 0x00}, 0, true, false, false},
      {{0x03, 0x04, 0x00, 0x01, 0x02, 0x03}, 9, false, false, false},
      {{0x04, 0x01, 0x00}, 9, false, false, false},
  };
  for (const Case& k : cases) {
    Own<X509KeyUsage> u(new X509KeyUsage);
    TBuf* b = createTBuf(k.value.data(), static_cast<unsigned>(k.value.size()));
    EXPECT_EQ(u->setValue(b), k.result);
    b->release();
    if (k.result != 0) continue;
    EXPECT_EQ(u->isDigitalSignature() != 0, k.ds);
    EXPECT_EQ(u->isCertSign() != 0, k.cs);
    EXPECT_EQ(u->isCRLSign() != 0, k.crl);
  }
  Own<X509KeyUsage> none(new X509KeyUsage);
  EXPECT_EQ(none->isBitSet(TX509KeyUsage::KUSAGE_CRL_SIGN), 0);
  EXPECT_EQ(none->error(), pkixrc::kUnavailable);
  Own<TBuf> zero(none->getValue());
  EXPECT_EQ(bytesOf(zero.get()), (Bytes{0x03, 0x03, 0x00, 0x00, 0x00}));
}

TEST_F(CertTest, ExtendedKeyUsageIdentifiers) {
  Own<X509ExtKeyUsage> e(new X509ExtKeyUsage);
  char spaced[] = "1 3 6 1 5 5 7 3 1";
  char dotted[] = "1.3.6.1.5.5.7.3.1";
  char other[] = "1.3.6.1.5.5.7.3.2";
  char junk[] = "x.y";
  ASSERT_EQ(e->setId(spaced, 0), 0);
  EXPECT_EQ(e->isIdPresent(dotted), 1);
  EXPECT_EQ(e->isIdPresent(other), 0);
  EXPECT_EQ(e->setId(junk, 1), pkixrc::kFailed);
  EXPECT_EQ(e->isIdPresent(dotted), 1);  // unchanged
  EXPECT_EQ(e->isIdPresent(nullptr), 0);
  EXPECT_EQ(e->error(), pkixrc::kFailed);
  ASSERT_EQ(e->setId(other, 0), 0);
  Own<TBuf> raw(e->getRaw());
  ASSERT_TRUE(raw);
  // Read back: both identifiers, in reverse of the DER order.
  Own<TExtn> back(createX509Extn(raw.get()));
  auto* typed = dynamic_cast<X509ExtKeyUsage*>(back.get());
  ASSERT_NE(typed, nullptr);
  EXPECT_EQ(typed->isIdPresent(dotted), 1);
  EXPECT_EQ(typed->isIdPresent(other), 1);
}

TEST_F(CertTest, KeyIdentifiersOfTheChain) {
  Own<TCert> sub(load("sub-ca.der"));
  Own<TCert> root(load("root-ca.der"));
  Own<TCert> server(load("server.der"));
  Own<TExtnList> l(server->getExtns());
  Own<TExtn> aki(l->get(TExtn::EXT_AUTHORITY_KEY_ID));
  auto* a = dynamic_cast<X509AuthKeyId*>(aki.get());
  ASSERT_NE(a, nullptr);
  EXPECT_NE(a->getIdType() & 1, 0);
  EXPECT_EQ(a->isCertCompliant(sub.get()), 1);
  EXPECT_EQ(a->isCertCompliant(root.get()), 0);
  EXPECT_EQ(a->setIdType(TX509AuthKeyId::ID_ISSUER_SERIAL), 0);
  int t = a->getIdType();
  if ((t & 2) == 0) {
    EXPECT_EQ(a->isCertCompliant(sub.get()), 0);
  }
  // Made from the authority's certificate: key id, issuer and serial.
  Own<X509AuthKeyId> made(new X509AuthKeyId);
  ASSERT_EQ(made->setIssuer(sub.get()), 0);
  EXPECT_EQ(made->getIdType(), 3);
  Own<TBuf> raw(made->getRaw());
  ASSERT_TRUE(raw);
  Own<TExtn> back(createX509Extn(raw.get()));
  auto* b = dynamic_cast<X509AuthKeyId*>(back.get());
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->getIdType(), 3);
  Own<TBuf> k1(made->getCertKeyId()), k2(b->getCertKeyId());
  EXPECT_EQ(bytesOf(k1.get()), bytesOf(k2.get()));
  // The subject key identifier.
  Own<X509SubjectKeyId> ski(new X509SubjectKeyId);
  EXPECT_EQ(ski->getKeyId(), nullptr);
  EXPECT_EQ(ski->error(), pkixrc::kFailed);
  ASSERT_EQ(ski->setKeyId(sub.get()), 0);
  Own<TBuf> id(ski->getKeyId());
  EXPECT_EQ(bytesOf(id.get()), bytesOf(k1.get()));
  EXPECT_EQ(ski->isCertCompliant(sub.get()), 0);
}

TEST_F(CertTest, AlternativeNamesAndNameConstraints) {
  Own<TCert> server(load("server.der"));
  Own<TExtnList> l(server->getExtns());
  Own<TExtn> san(l->get(TExtn::EXT_SUBJECT_ALT_NAME));
  auto* alt = dynamic_cast<TAltSubject*>(san.get());
  ASSERT_NE(alt, nullptr);
  Own<TName> n(alt->getName());
  ASSERT_TRUE(n);
  Own<TName> from_cert(server->getName(static_cast<TName::name_type_t>(certname::kSubjectAlt)));
  EXPECT_EQ(*n.get() == *from_cert.get(), 1);
  Own<TName> wrong(createTName(kSubject));
  EXPECT_EQ(alt->setName(wrong.get()), pkixrc::kWrongType);
  EXPECT_EQ(alt->setName(nullptr), pkixrc::kBadArgument);

  Own<TCert> sub(load("sub-ca.der"));
  Own<TExtnList> sl(sub->getExtns());
  Own<TExtn> generic(sl->get(TExtn::EXT_NAME_CONSTRAINTS));
  ASSERT_TRUE(generic);
  Own<TBuf> raw(generic->getRaw());
  Own<X509NameConstrs> nc(new X509NameConstrs);
  ASSERT_EQ(nc->setRaw(raw.get()), 0);
  EXPECT_TRUE(nc->permitted() != nullptr || nc->excluded() != nullptr);
  Own<TBuf> value(generic->getValue());
  Own<TBuf> again(nc->getValue());
  EXPECT_EQ(bytesOf(again.get()), bytesOf(value.get()));
}

}  // namespace
}  // namespace pkixtest
