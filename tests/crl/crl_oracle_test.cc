// The module's revocation lists against OpenSSL's reading of the same
// octets: every sample list and lists OpenSSL makes in process (issuer,
// times, version, signature algorithm, every entry's serial, date, reason
// and invalidity date, the criticality of every extension, the signature
// check), the indirect list's issuers, lookups, PKCS #7 list sets, and the
// distribution points extensions of the sample PKI and the Mozilla roots.
#include <openssl/pkcs7.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cstring>

#include "alg/pki_cnvrt_c.h"
#include "cert/crldp.h"
#include "crl/crl_testutil.h"
#include "crl/crllist.h"
#include "host/hostcrypto.h"
#include "name/x509name.h"

namespace pkixtest {
namespace {

const TName::name_type_t kIssuerDN = static_cast<TName::name_type_t>(0x101);

// OpenSSL's reading of a time, saturated to 32 bits as the module keeps
// times (without time_t, which has 32 bits on i386).
long osslTime(const ASN1_TIME* t) {
  struct tm tm {};
  if (t == nullptr || ASN1_TIME_to_tm(t, &tm) != 1) return -1;
  int64_t v = asn1_civil_to_seconds(tm.tm_year + 1900, static_cast<unsigned>(tm.tm_mon + 1),
                                    static_cast<unsigned>(tm.tm_mday), static_cast<unsigned>(tm.tm_hour),
                                    static_cast<unsigned>(tm.tm_min), static_cast<unsigned>(tm.tm_sec));
  return asn1_time_saturate(v);
}

Bytes integerContent(const ASN1_INTEGER* i) {
  // The DER content octets of the INTEGER, sign octet included.
  unsigned char* der = nullptr;
  int n = i2d_ASN1_INTEGER(const_cast<ASN1_INTEGER*>(i), &der);
  Bytes all(der, der + n);
  OPENSSL_free(der);
  unsigned hdr = all[1] < 0x80 ? 2 : 2 + (all[1] & 0x7F);
  return Bytes(all.begin() + hdr, all.end());
}

Bytes nameDer(X509_NAME* n) {
  return OsslDer([&](unsigned char** p) { return i2d_X509_NAME(n, p); });
}

// The value octets of the extension of kind t in l, or {}.
Bytes extnValue(TExtnList* l, TExtn::extn_t t, int* critical = nullptr) {
  if (l == nullptr) return {};
  Ref<TExtn> e = adoptRef(l->get(t));
  if (!e) return {};
  if (critical != nullptr) *critical = e->isCritical();
  Ref<TBuf> v = adoptRef(e->getValue());
  return bytesOf(v.get());
}

// Every criticality flag of a list of extensions, in order.
std::vector<int> criticalities(TExtnList* l) {
  std::vector<int> out;
  if (l == nullptr) return out;
  for (Ref<TExtn> e = adoptRef(l->getFirst()); e; e.reset(l->getNext())) out.push_back(e->isCritical() != 0);
  return out;
}
std::vector<int> osslCriticalities(const STACK_OF(X509_EXTENSION) * s) {
  std::vector<int> out;
  for (int i = 0; i < sk_X509_EXTENSION_num(s); ++i) out.push_back(X509_EXTENSION_get_critical(sk_X509_EXTENSION_value(s, i)));
  return out;
}

class CrlOracleTest : public CrlFixture {
 protected:
  // Compares everything the module reads from der with OpenSSL's reading;
  // issuer (may be null) checks the signature both ways.
  void agree(const std::string& what, const Bytes& der, TCert* issuer, X509* ossl_issuer) {
    SCOPED_TRACE(what);
    int code = -1;
    Ref<X509CRL> c = parse(der, &code);
    ASSERT_EQ(code, 0);
    OsslCrl o = osslCrl(der);
    ASSERT_TRUE(o);
    Ref<TName> issuer_name = adoptRef(c->getTName(kIssuerDN));
    ASSERT_TRUE(issuer_name);
    Ref<TBuf> issuer_der = adoptRef(issuer_name->getRaw());
    EXPECT_EQ(bytesOf(issuer_der.get()), nameDer(X509_CRL_get_issuer(o.get())));
    EXPECT_EQ(c->getVersion(), static_cast<unsigned>(X509_CRL_get_version(o.get()) + 1));
    EXPECT_EQ(c->getThisReleaseTime(), osslTime(X509_CRL_get0_lastUpdate(o.get())));
    const ASN1_TIME* next = X509_CRL_get0_nextUpdate(o.get());
    EXPECT_EQ(c->getNextReleaseTime(), next != nullptr ? osslTime(next) : 0x7FFFFFFF);
    const X509_ALGOR* alg = nullptr;
    X509_CRL_get0_signature(o.get(), nullptr, &alg);
    const ASN1_OBJECT* alg_oid = nullptr;
    X509_ALGOR_get0(&alg_oid, nullptr, nullptr, alg);
    EXPECT_EQ(c->getSignatureAlgorithm(), asn2alg(OBJ_get0_data(alg_oid), static_cast<unsigned>(OBJ_length(alg_oid))));
    Ref<TExtnList> extns = adoptRef(c->getCRLExtns());
    EXPECT_EQ(criticalities(extns.get()), osslCriticalities(X509_CRL_get0_extensions(o.get())));

    // The entries in DER order (OpenSSL keeps it until a lookup sorts).
    STACK_OF(X509_REVOKED)* revoked = X509_CRL_get_REVOKED(o.get());
    int n = sk_X509_REVOKED_num(revoked);
    EXPECT_EQ(c->revokedCount(), static_cast<unsigned>(std::max(n, 0)));
    Ref<TCertList> list = adoptRef(c->getRevokedCerts());
    ASSERT_EQ(static_cast<bool>(list), n > 0);
    int i = 0;
    for (Ref<TCert> e = adoptRef(n > 0 ? list->getFirst() : nullptr); e; e.reset(list->getNext()), ++i) {
      SCOPED_TRACE("entry " + std::to_string(i));
      ASSERT_LT(i, n);
      X509_REVOKED* r = sk_X509_REVOKED_value(revoked, i);
      Ref<TBuf> serial = adoptRef(e->getSerialNumber());
      EXPECT_EQ(bytesOf(serial.get()), integerContent(X509_REVOKED_get0_serialNumber(r)));
      long from = 0, to = 0;
      ASSERT_EQ(e->getValidity(&from, &to), 0);
      EXPECT_EQ(from, osslTime(X509_REVOKED_get0_revocationDate(r)));
      EXPECT_EQ(to, c->getNextReleaseTime());
      Ref<TExtnList> ex = adoptRef(e->getExtns());
      EXPECT_EQ(criticalities(ex.get()), osslCriticalities(X509_REVOKED_get0_extensions(r)));
      // reasonCode ::= ENUMERATED
      ASN1_ENUMERATED* reason = static_cast<ASN1_ENUMERATED*>(X509_REVOKED_get_ext_d2i(r, NID_crl_reason, nullptr, nullptr));
      Bytes mine = extnValue(ex.get(), TExtn::EXT_REASON_CODE);
      if (reason != nullptr) {
        ASSERT_EQ(mine.size(), 3u);
        EXPECT_EQ(mine[2], ASN1_ENUMERATED_get(reason));
      } else {
        EXPECT_TRUE(mine.empty());
      }
      ASN1_ENUMERATED_free(reason);
      ASN1_GENERALIZEDTIME* inv =
          static_cast<ASN1_GENERALIZEDTIME*>(X509_REVOKED_get_ext_d2i(r, NID_invalidity_date, nullptr, nullptr));
      Bytes inv_value = extnValue(ex.get(), TExtn::EXT_INVALIDITY_DATE);
      if (inv != nullptr) {
        Buffer b{nullptr, inv_value.data(), static_cast<uint32_t>(inv_value.size())};
        int32_t t = 0;
        ASSERT_EQ(asn1_decode_time(&b, &t), 0);
        EXPECT_EQ(t, osslTime(inv));
      } else {
        EXPECT_TRUE(inv_value.empty());
      }
      ASN1_GENERALIZEDTIME_free(inv);
    }
    EXPECT_EQ(i, std::max(n, 0));

    if (issuer != nullptr) {
      int verdict = X509_CRL_verify(o.get(), X509_get0_pubkey(ossl_issuer));
      EXPECT_EQ(verdict == 1, c->checkSign(issuer) == 0);
      EXPECT_EQ(verdict, 1);
    }
  }
};

TEST_F(CrlOracleTest, EverySampleListReadsAsOpenSSLReadsIt) {
  for (const SampleCrl& s : kSampleCrls) {
    Ref<TCert> issuer = cert(s.issuer);
    ASSERT_TRUE(issuer) << s.issuer;
    OsslX509 ossl_issuer = osslCert(example(s.issuer));
    agree(s.file, crlExample(s.file), issuer.get(), ossl_issuer.get());
  }
  // The older list of the sample PKI.
  Ref<TCert> sub = cert("sub-ca.der");
  OsslX509 ossl_sub = osslCert(example("sub-ca.der"));
  agree("crls/sub-ca.crl.der", readFile(std::string(PKIX_SOURCE_DIR) + "/examples/crls/sub-ca.crl.der"), sub.get(),
        ossl_sub.get());
}

TEST_F(CrlOracleTest, GeneratedListsReadAsOpenSSLReadsThem) {
  PKey k = key("sub-key");
  Ref<TCert> sub = cert("sub-ca.der");
  OsslX509 ossl_sub = osslCert(example("sub-ca.der"));
  const int64_t t0 = 1700000000;
  struct Case {
    const char* what;
    int entries;
    const EVP_MD* md;
    int64_t next;
    bool big_serials;
  } cases[] = {
      {"no entries", 0, EVP_sha256(), t0 + 86400, false},
      {"one entry, sha384", 1, EVP_sha384(), t0 + 86400, false},
      {"300 entries, after 2038", 300, EVP_sha256(), 2200000000, true},
      {"no next update, sha512", 17, EVP_sha512(), 0, true},
  };
  for (const Case& k_case : cases) {
    GenCrl g;
    g.issuer = subject("sub-ca.der");
    g.this_update = t0;
    g.next_update = k_case.next;
    g.number = 7;
    for (int i = 0; i < k_case.entries; ++i) {
      GenEntry e;
      e.serial = k_case.big_serials ? Bytes(16, static_cast<uint8_t>(0x80 + i % 100)) : Bytes{static_cast<uint8_t>(i + 1)};
      e.serial[0] = static_cast<uint8_t>(e.serial[0] ^ (i >> 8));
      if (k_case.big_serials) e.serial.back() = static_cast<uint8_t>(i);
      e.revoked = t0 - i * 60;
      e.reason = i % 2 == 0 ? i % 11 : -1;
      if (e.reason == 7) e.reason = 8;  // 7 is not a reason
      if (i % 3 == 0) e.invalidity = t0 - 86400 - i;
      g.entries.push_back(e);
    }
    Bytes der = MakeCrl(g, k.get(), k_case.md);
    ASSERT_FALSE(der.empty()) << k_case.what;
    agree(k_case.what, der, sub.get(), ossl_sub.get());
  }
}

TEST_F(CrlOracleTest, AFlippedBitFailsTheSignatureCheck) {
  Bytes der = crlExample("sha256.der");
  Ref<TCert> sub = cert("sub-ca.der");
  OsslX509 ossl_sub = osslCert(example("sub-ca.der"));
  Ref<X509CRL> good = parse(der);
  ASSERT_EQ(good->checkSign(sub.get()), 0);
  // Flipping the last bit of every tenth octet: where the list still reads,
  // the module and OpenSSL both refuse the signature.
  int checked = 0;
  for (size_t at = 0; at < der.size(); at += 10) {
    Bytes bad = der;
    bad[at] ^= 0x01;
    int code = 0;
    Ref<X509CRL> c = parse(bad, &code);
    OsslCrl o = osslCrl(bad);
    if (code != 0 || !o) continue;
    ++checked;
    EXPECT_NE(c->checkSign(sub.get()), 0) << "octet " << at;
    EXPECT_NE(X509_CRL_verify(o.get(), X509_get0_pubkey(ossl_sub.get())), 1) << "octet " << at;
  }
  EXPECT_GT(checked, 20);
  // A list checked against another key.
  Ref<TCert> root = cert("root-ca.der");
  EXPECT_EQ(good->checkSign(root.get()), pkixhost::kCryptoBadSignature);
}

TEST_F(CrlOracleTest, IndirectEntriesCarryTheIssuerInForce) {
  Ref<X509CRL> c = parse(crlExample("indirect.der"));
  Ref<TCert> sub = cert("sub-ca.der");
  Ref<TCert> root = cert("root-ca.der");
  Ref<TCert> revoked = cert("revoked.der");
  Ref<TName> sub_name = adoptRef(sub->getName(static_cast<TName::name_type_t>(0x201)));
  Ref<TName> root_name = adoptRef(root->getName(static_cast<TName::name_type_t>(0x201)));
  Ref<TCertList> list = adoptRef(c->getRevokedCerts());
  ASSERT_TRUE(list);
  std::vector<Ref<TCert>> entries;
  for (Ref<TCert> e = adoptRef(list->getFirst()); e; e.reset(list->getNext())) entries.push_back(e);
  ASSERT_EQ(entries.size(), 4u);
  TName* expected[] = {sub_name.get(), sub_name.get(), root_name.get(), root_name.get()};
  for (size_t i = 0; i < entries.size(); ++i) {
    Ref<TName> n = adoptRef(entries[i]->getName(kIssuerDN));
    ASSERT_TRUE(n);
    EXPECT_EQ(*n == *expected[i], 1) << "entry " << i;
  }
  // The root's certificate of the sub CA: only the third entry (after the
  // issuer changed) revokes it.
  std::vector<int> matches;
  for (auto& e : entries) matches.push_back(e->areISNMatched(sub.get()));
  EXPECT_EQ(matches, (std::vector<int>{0, 0, 1, 0}));
  // The certificate's own comparison finds the same entry: the entries
  // carry what it asks for.
  matches.clear();
  for (auto& e : entries) matches.push_back(sub->areISNMatched(e.get()));
  EXPECT_EQ(matches, (std::vector<int>{0, 0, 1, 0}));
  // revoked.der (the sub CA's, serial of entries 1 and 4): only the first.
  matches.clear();
  for (auto& e : entries) matches.push_back(e->areISNMatched(revoked.get()));
  EXPECT_EQ(matches, (std::vector<int>{1, 0, 0, 0}));
  // The same serial under the root: only the last.
  Ref<TCert> tmpl = adoptRef(createTCert(TCert::CF_X509));
  Ref<TBuf> serial = adoptRef(revoked->getSerialNumber());
  ASSERT_EQ(tmpl->setSerialNumber(serial->datap(), serial->len()), 0);
  Ref<TName> as_issuer = adoptRef(createTName(kIssuerDN, root_name.get()));
  ASSERT_EQ(tmpl->setName(as_issuer.get()), 0);
  matches.clear();
  for (auto& e : entries) matches.push_back(e->areISNMatched(tmpl.get()));
  EXPECT_EQ(matches, (std::vector<int>{0, 0, 0, 1}));
  // The index agrees.
  for (TCert* probe : {sub.get(), revoked.get(), tmpl.get()}) {
    Ref<TCert> hit = adoptRef(c->findRevokedCert(probe));
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->areISNMatched(probe), 1);
  }
  Ref<TCert> server = cert("server.der");
  EXPECT_TRUE(adoptRef(c->findRevokedCert(server.get())));
  Ref<TCert> md5 = cert("md5-user.der");
  EXPECT_FALSE(adoptRef(c->findRevokedCert(md5.get())));
  EXPECT_EQ(c->error(), 36);
  // By serial alone only the list's own issuer counts: the sub CA's
  // certificate (revoked by the root's entry) is not found that way.
  Ref<TBuf> sub_serial = adoptRef(sub->getSerialNumber());
  EXPECT_EQ(c->isSerialRevoked(sub_serial->datap(), sub_serial->len()), 0);
  EXPECT_EQ(c->isRevoked(sub.get()), 1);
}

TEST_F(CrlOracleTest, LookupsAgreeWithOpenSSLOverAGeneratedList) {
  PKey k = key("sub-key");
  GenCrl g;
  g.issuer = subject("sub-ca.der");
  g.this_update = 1700000000;
  g.next_update = 1800000000;
  const int kEntries = 2000;
  for (int i = 0; i < kEntries; ++i) {
    GenEntry e;
    e.serial = Bytes(16);
    for (int j = 0; j < 16; ++j) e.serial[j] = static_cast<uint8_t>((i * 2654435761u) >> (j % 4 * 8) ^ j * 29);
    e.serial[0] = static_cast<uint8_t>((e.serial[0] & 0x7F) | 0x01);  // positive, minimal
    e.revoked = 1699000000;
    g.entries.push_back(e);
  }
  Bytes der = MakeCrl(g, k.get(), EVP_sha256());
  Ref<X509CRL> c = parse(der);
  OsslCrl o = osslCrl(der);
  ASSERT_TRUE(o);
  Ref<TName> issuer = adoptRef(c->getTName(kIssuerDN));
  Ref<TCert> probe = adoptRef(createTCert(TCert::CF_X509));
  ASSERT_EQ(probe->setName(issuer.get()), 0);
  for (int i = 0; i < kEntries + 200; ++i) {
    Bytes s = i < kEntries ? g.entries[i].serial : Bytes(16, static_cast<uint8_t>(i));
    ASSERT_EQ(probe->setSerialNumber(s.data(), static_cast<unsigned>(s.size())), 0);
    Ref<TCert> hit = adoptRef(c->findRevokedCert(probe.get()));
    BIGNUM* bn = BN_bin2bn(s.data(), static_cast<int>(s.size()), nullptr);
    ASN1_INTEGER* ai = BN_to_ASN1_INTEGER(bn, nullptr);
    X509_REVOKED* r = nullptr;
    int found = X509_CRL_get0_by_serial(o.get(), &r, ai);
    ASN1_INTEGER_free(ai);
    BN_free(bn);
    EXPECT_EQ(static_cast<bool>(hit), found == 1) << i;
    EXPECT_EQ(c->isRevoked(probe.get()), found == 1 ? 1 : 0) << i;
    EXPECT_EQ(c->isSerialRevoked(s.data(), static_cast<unsigned>(s.size())), found == 1 ? 1 : 0) << i;
  }
}

TEST_F(CrlOracleTest, ListSetsRoundTripAndAgreeWithOpenSSL) {
  const char* files[] = {"v2-reasons.der", "v1.der", "ecdsa.der"};
  Ref<TCRLList> list = adoptRef(createTCRLList());
  std::vector<Bytes> ders;
  for (const char* f : files) {
    ders.push_back(crlExample(f));
    Ref<TBuf> b = tbufOf(ders.back());
    Ref<TCRL> c = adoptRef(createTCRL(TCert::CF_X509, b.get()));
    ASSERT_TRUE(c) << f;
    ASSERT_EQ(list->append(c.get()), 0);
  }
  Ref<TBuf> set = adoptRef(list->getPKCS7Crls());
  ASSERT_TRUE(set);
  Bytes set_der = bytesOf(set.get());
  EXPECT_EQ(set_der[0], 0xA3);
  Ref<TCRLList> back = adoptRef(createTCRLList());
  ASSERT_EQ(back->setPKCS7Crls(set.get()), 0);
  std::vector<Bytes> order;
  for (Ref<TCRL> c = adoptRef(back->getFirst()); c; c.reset(back->getNext())) {
    Ref<TBuf> d = adoptRef(c->getRaw(nullptr, nullptr));
    order.push_back(bytesOf(d.get()));
  }
  EXPECT_EQ(order, (std::vector<Bytes>{ders[2], ders[1], ders[0]}));

  // OpenSSL reads each list of the module's set ...
  Buffer b{nullptr, set_der.data(), static_cast<uint32_t>(set_der.size())};
  ASSERT_GT(asn1_der_decode(0xA3, &b), 0);
  for (int i = 0; i < 3; ++i) {
    const unsigned char* p = b.data;
    OsslCrl o(d2i_X509_CRL(nullptr, &p, b.len));
    ASSERT_TRUE(o) << i;
    shift_buffer(&b, static_cast<uint32_t>(p - b.data));
  }
  EXPECT_EQ(b.len, 0u);
  // ... and the module reads the [1] set of OpenSSL's SignedData.
  PKCS7* p7 = PKCS7_new();
  ASSERT_EQ(PKCS7_set_type(p7, NID_pkcs7_signed), 1);
  ASSERT_EQ(PKCS7_content_new(p7, NID_pkcs7_data), 1);
  for (const Bytes& d : ders) {
    OsslCrl o = osslCrl(d);
    ASSERT_EQ(PKCS7_add_crl(p7, o.get()), 1);
  }
  Bytes p7der = OsslDer([&](unsigned char** p) { return i2d_PKCS7(p7, p); });
  PKCS7_free(p7);
  // ContentInfo { contentType, [0] { SignedData { version, digestAlgorithms,
  // encapContentInfo, [1] crls, signerInfos } } }
  Buffer w{nullptr, p7der.data(), static_cast<uint32_t>(p7der.size())};
  ASSERT_GE(asn1_der_decode(0x30, &w), 0);
  ASSERT_GE(asn1_decode_primitive(0x06, &w, nullptr), 0);
  ASSERT_GE(asn1_der_decode(0xA0, &w), 0);
  ASSERT_GE(asn1_der_decode(0x30, &w), 0);
  ASSERT_GE(asn1_decode_primitive(0x02, &w, nullptr), 0);
  ASSERT_GE(asn1_decode_primitive(0x31, &w, nullptr), 0);
  ASSERT_GE(asn1_decode_primitive(0x30, &w, nullptr), 0);
  Buffer crls{};
  ASSERT_GT(asn1_decode_any_type(&w, &crls), 0);
  ASSERT_EQ(crls.data[0], 0xA1);
  Ref<TBuf> ossl_set = tbufOf(Bytes(crls.data, crls.data + crls.len));
  Ref<TCRLList> from_ossl = adoptRef(createTCRLList());
  ASSERT_EQ(from_ossl->setPKCS7Crls(ossl_set.get()), 0);
  std::vector<Bytes> got;
  for (Ref<TCRL> c = adoptRef(from_ossl->getFirst()); c; c.reset(from_ossl->getNext())) {
    Ref<TBuf> d = adoptRef(c->getRaw(nullptr, nullptr));
    got.push_back(bytesOf(d.get()));
  }
  // A SET OF is written sorted: compare as sets.
  std::vector<Bytes> want = ders;
  std::sort(want.begin(), want.end());
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, want);
}

// Every crlDistributionPoints value of the sample certificates and the
// Mozilla roots reads into templates and writes back octet for octet.
TEST_F(CrlOracleTest, DistributionPointsRoundTripOverSamplesAndRoots) {
  std::vector<std::string> files = exampleCerts();
  for (const std::string& f : filesIn(std::string(PKIX_SOURCE_DIR) + "/tests/data/roots", ".der")) files.push_back(f);
  for (const std::string& f : filesIn(std::string(PKIX_SOURCE_DIR) + "/tests/data/roots", ".crt")) files.push_back(f);
  int seen = 0;
  for (const std::string& f : files) {
    Bytes der = readFile(f);
    OsslX509 x = osslCert(der);
    if (!x) continue;
    int at = X509_get_ext_by_NID(x.get(), NID_crl_distribution_points, -1);
    if (at < 0) continue;
    SCOPED_TRACE(f);
    ++seen;
    ASN1_OCTET_STRING* data = X509_EXTENSION_get_data(X509_get_ext(x.get(), at));
    Bytes value(data->data, data->data + data->length);
    Ref<X509CRLDP> dp = adoptRef(new X509CRLDP);
    Ref<TBuf> v = tbufOf(value);
    ASSERT_EQ(dp->setValue(v.get()), 0);
    Ref<TCRLList> templates = adoptRef(dp->getCRLList());
    ASSERT_TRUE(templates);
    CRL_DIST_POINTS* points = static_cast<CRL_DIST_POINTS*>(X509_get_ext_d2i(x.get(), NID_crl_distribution_points, nullptr, nullptr));
    int count = 0;
    for (Ref<TCRL> t = adoptRef(templates->getFirst()); t; t.reset(templates->getNext())) ++count;
    EXPECT_EQ(count, sk_DIST_POINT_num(points));
    CRL_DIST_POINTS_free(points);
    // Marked stale, the value is written again from the templates.
    ASSERT_EQ(dp->setCRLList(templates.get()), 0);
    Ref<TBuf> out = adoptRef(dp->getValue());
    ASSERT_TRUE(out);
    EXPECT_EQ(bytesOf(out.get()), value);
  }
  EXPECT_GT(seen, 3);
}

}  // namespace
}  // namespace pkixtest
