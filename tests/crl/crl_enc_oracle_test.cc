// The CRL encoder and X509CRL::getRaw(issuer, key) against OpenSSL: lists
// the module encodes and signs verify under the issuer's key with OpenSSL
// and read back with the same issuer, times, entries, reasons and
// extensions, for every signature family; the sample lists re-encoded with
// their own issuer and key come out as they went in wherever the extension
// order allows; the version and time rules, empty lists, unreadable dates,
// saturated 32-bit times and a host without the ASN.1 service.
#include <gtest/gtest.h>
#include <openssl/x509v3.h>

#include <cstring>
#include <string>
#include <vector>

#include "asn/cmn_asn.h"
#include "cert/x509extn.h"
#include "contract/service_ids.h"
#include "crl/crl_enc_asn_double.h"
#include "crl/crl_testutil.h"
#include "crl/x509crlenc.h"
#include "key/x509key.h"
#include "name/x509name.h"
#include "cert/certlist.h"

namespace pkixtest {
namespace {

constexpr auto kIssuerDN = static_cast<TName::name_type_t>(TName::NAME_ISSUER | TName::NAME_DN);
// 2030-01-01T00:00:00Z and a week later.
constexpr long kThis = kTestNow;
constexpr long kNext = kTestNow + 7 * 86400;
constexpr long kDay = 86400;

// Extension ::= SEQUENCE { extnID, critical, extnValue OCTET STRING }
// id-ce-cRLReasons (2.5.29.21): CRLReason ::= ENUMERATED
Bytes reasonExtension(int reason) {
  return Tlv(0x30, Cat({Tlv(0x06, {0x55, 0x1D, 0x15}), Tlv(0x04, Tlv(0x0A, {static_cast<uint8_t>(reason)}))}));
}
// id-ce-cRLNumber (2.5.29.20): CRLNumber ::= INTEGER
Bytes numberExtension(uint8_t n) { return Tlv(0x30, Cat({Tlv(0x06, {0x55, 0x1D, 0x14}), Tlv(0x04, Tlv(0x02, {n}))})); }

// The elements of tbsCertList, whole, in order (a plain walk over
// definite lengths, enough for what the encoder writes).
std::vector<Bytes> tbsElements(const Bytes& der) {
  // The header at p: *len gets the content length; returns the header size.
  auto header = [](const uint8_t* p, size_t* len) -> size_t {
    if (p[1] < 0x80) return *len = p[1], 2;
    size_t k = p[1] & 0x7F;
    *len = 0;
    for (size_t i = 0; i < k; ++i) *len = (*len << 8) | p[2 + i];
    return 2 + k;
  };
  size_t len = 0;
  const uint8_t* p = der.data();
  p += header(p, &len);        // CertificateList
  size_t h = header(p, &len);  // tbsCertList
  const uint8_t* end = p + h + len;
  std::vector<Bytes> out;
  for (p += h; p < end;) {
    size_t n = header(p, &len) + len;
    out.emplace_back(p, p + n);
    p += n;
  }
  return out;
}
std::vector<uint8_t> tbsTags(const Bytes& der) {
  std::vector<uint8_t> tags;
  for (const Bytes& e : tbsElements(der)) tags.push_back(e[0]);
  return tags;
}

// Sets the subject of issuer as the issuer of crl.
void issuedBy(X509CRL* crl, TCert* issuer) {
  Ref<TName> name = adoptRef(issuer->getName(static_cast<TName::name_type_t>(TName::NAME_SUBJECT | TName::NAME_DN)));
  Ref<TName> as_issuer = adoptRef(createTName(kIssuerDN, name.get()));
  EXPECT_EQ(crl->setTName(as_issuer.get()), 0);
}

// Encoding crl fails with 9 both ways, *out stays null, and the list keeps
// the DER it was parsed from.
void expectEncodingFails(X509CRL* crl, TCert* issuer, TKey* key, const Bytes& original) {
  TBuf* out = reinterpret_cast<TBuf*>(1);
  EXPECT_EQ(x509_enc_crl(crl, issuer, key, &out), pkixrc::kFailed);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(crl->getRaw(issuer, key), nullptr);
  EXPECT_EQ(crl->error(), pkixrc::kFailed);
  Ref<TBuf> kept = adoptRef(crl->getRaw(nullptr, nullptr));
  EXPECT_EQ(bytesOf(kept.get()), original);
}

struct Key {
  const char* cert;
  const char* key;  // examples/keys/NAME.p8.der
};
constexpr Key kRsa{"sub-ca.der", "sub-key"};
constexpr Key kRoot{"root-ca.der", "root-key"};
constexpr Key kDsa{"dsa-ca.der", "dsa-ca-key"};
constexpr Key kEc256{"ec256-sub.der", "ec256-sub-key"};
constexpr Key kEc384{"ec384-root.der", "ec384-root-key"};

class CrlEncTest : public CrlFixture {
 protected:
  void SetUp() override {
    CrlFixture::SetUp();
    mgr.offer(pkixid::kGenericAsn, new DoubleService);
  }
  void TearDown() override {
    CrlFixture::TearDown();
    // Every value object of the encoder went with its last stub.
    EXPECT_EQ(asnDoubleLive(), 1);  // the service itself
  }

  Ref<TKey> privateKey(const char* stem) {
    Bytes d = keyExample(std::string(stem) + ".p8.der");
    return adoptRef(createTKey(TKey::KT_PRIVATE, d.data(), static_cast<unsigned>(d.size())));
  }
  // A revoked entry: serial, date, and a reason extension when reason >= 0.
  Ref<TCert> entry(const Bytes& serial, long date, int reason = -1) {
    Ref<TCert> c = adoptRef(createTCert(TCert::CF_X509));
    EXPECT_EQ(c->setSerialNumber(serial.data(), static_cast<unsigned>(serial.size())), 0);
    EXPECT_EQ(c->setValidity(date, kNext), 0);
    if (reason >= 0) {
      Ref<TExtn> e = extension(reasonExtension(reason));
      Ref<TExtnList> l = adoptRef(createTExtnList());
      EXPECT_EQ(l->append(e.get()), 0);
      EXPECT_EQ(c->setExtns(l.get()), 0);
    }
    return c;
  }
  Ref<TExtn> extension(const Bytes& der) {
    Ref<TBuf> b = tbufOf(der);
    Ref<TExtn> e = adoptRef(createTExtn(TExtn::EXT_NONE));
    EXPECT_EQ(e->setRaw(b.get()), 0);
    return e;
  }
  // A list of three entries (reasons keyCompromise, none, cessation) and a
  // CRL number, signed with alg.
  Ref<X509CRL> sampleList(pki_alg_t alg) {
    Ref<X509CRL> crl = adoptRef(new X509CRL);
    EXPECT_EQ(crl->setSignatureAlgorithm(alg), 0);
    EXPECT_EQ(crl->setVersion(2), 0);
    crl->setThisReleaseTime(kThis);
    crl->setNextReleaseTime(kNext);
    crl->addRevokedCert(entry({0x01, 0x23}, kThis - kDay, 1).get());
    crl->addRevokedCert(entry({0x80, 0x00, 0x01}, kThis - 2 * kDay).get());  // top bit set
    crl->addRevokedCert(entry({0x7F}, kThis - 3 * kDay, 5).get());
    crl->addCRLExtn(extension(numberExtension(42)).get());
    return crl;
  }
};

// OpenSSL's reading of a list.
struct Read {
  OsslCrl crl;
  explicit Read(const Bytes& der) : crl(osslCrl(der)) {}
  long long time(const ASN1_TIME* t) const {
    struct tm parts;
    if (t == nullptr || ASN1_TIME_to_tm(t, &parts) != 1) return -1;
    return static_cast<long long>(timegm(&parts));
  }
  int entries() const { return sk_X509_REVOKED_num(X509_CRL_get_REVOKED(crl.get())); }
  X509_REVOKED* at(int i) const { return sk_X509_REVOKED_value(X509_CRL_get_REVOKED(crl.get()), i); }
  int reason(int i) const {
    ASN1_ENUMERATED* r = static_cast<ASN1_ENUMERATED*>(X509_REVOKED_get_ext_d2i(at(i), NID_crl_reason, nullptr, nullptr));
    int v = r == nullptr ? -1 : static_cast<int>(ASN1_ENUMERATED_get(r));
    ASN1_ENUMERATED_free(r);
    return v;
  }
  Bytes serial(int i) const {
    const ASN1_INTEGER* s = X509_REVOKED_get0_serialNumber(at(i));
    return Bytes(s->data, s->data + s->length);
  }
  // The type of the parameters of the outer and inner algorithm
  // identifiers (V_ASN1_UNDEF when absent).
  int paramType(const Bytes& der, bool inner) const {
    X509_ALGOR* held = nullptr;
    const X509_ALGOR* a = nullptr;
    if (inner) {
      // tbsCertList's signature: the element after the version.
      Bytes alg = tbsElements(der).at(1);
      const unsigned char* p = alg.data();
      held = d2i_X509_ALGOR(nullptr, &p, static_cast<long>(alg.size()));
      a = held;
    } else {
      X509_CRL_get0_signature(crl.get(), nullptr, &a);
    }
    int type = -1;
    if (a != nullptr) X509_ALGOR_get0(nullptr, &type, nullptr, a);
    X509_ALGOR_free(held);
    return type;
  }
};

struct AlgCase {
  pki_alg_t alg;
  Key key;
  int nid;          // OpenSSL's signature algorithm
  int param_type;   // V_ASN1_NULL for RSA, V_ASN1_UNDEF for DSA and ECDSA
};
const AlgCase kAlgCases[] = {
    {PKI_ALG_MD5_RSA, kRsa, NID_md5WithRSAEncryption, V_ASN1_NULL},
    {PKI_ALG_SHA1_RSA, kRsa, NID_sha1WithRSAEncryption, V_ASN1_NULL},
    {PKI_ALG_SHA256_RSA, kRsa, NID_sha256WithRSAEncryption, V_ASN1_NULL},
    {PKI_ALG_SHA384_RSA, kRoot, NID_sha384WithRSAEncryption, V_ASN1_NULL},
    {PKI_ALG_SHA512_RSA, kRoot, NID_sha512WithRSAEncryption, V_ASN1_NULL},
    {PKI_ALG_SHA1_DSA, kDsa, NID_dsaWithSHA1, V_ASN1_UNDEF},
    {PKI_ALG_SHA256_DSA, kDsa, NID_dsa_with_SHA256, V_ASN1_UNDEF},
    {PKI_ALG_SHA256_ECDSA, kEc256, NID_ecdsa_with_SHA256, V_ASN1_UNDEF},
    {PKI_ALG_SHA384_ECDSA, kEc384, NID_ecdsa_with_SHA384, V_ASN1_UNDEF},
    {PKI_ALG_SHA512_ECDSA, kEc384, NID_ecdsa_with_SHA512, V_ASN1_UNDEF},
};

TEST_F(CrlEncTest, EverySignatureAlgorithmVerifiesAndReadsBack) {
  for (const AlgCase& c : kAlgCases) {
    SCOPED_TRACE(OBJ_nid2sn(c.nid));
    Ref<TCert> issuer = cert(c.key.cert);
    Ref<TKey> key = privateKey(c.key.key);
    ASSERT_TRUE(issuer && key);
    Ref<X509CRL> crl = sampleList(c.alg);
    Ref<TBuf> der = adoptRef(crl->getRaw(issuer.get(), key.get()));
    ASSERT_TRUE(der) << crl->error();
    EXPECT_EQ(crl->error(), 0);
    Bytes out = bytesOf(der.get());

    Read r(out);
    ASSERT_TRUE(r.crl);
    OsslX509 ca = osslCert(example(c.key.cert));
    EXPECT_EQ(X509_CRL_verify(r.crl.get(), X509_get0_pubkey(ca.get())), 1);
    EXPECT_EQ(X509_CRL_get_signature_nid(r.crl.get()), c.nid);
    EXPECT_EQ(r.paramType(out, true), c.param_type);
    EXPECT_EQ(r.paramType(out, false), c.param_type);
    EXPECT_EQ(X509_CRL_get_version(r.crl.get()), 1);  // v2
    EXPECT_EQ(X509_NAME_cmp(X509_CRL_get_issuer(r.crl.get()), X509_get_subject_name(ca.get())), 0);
    EXPECT_EQ(r.time(X509_CRL_get0_lastUpdate(r.crl.get())), kThis);
    EXPECT_EQ(r.time(X509_CRL_get0_nextUpdate(r.crl.get())), kNext);
    ASSERT_EQ(r.entries(), 3);
    EXPECT_EQ(r.serial(0), (Bytes{0x01, 0x23}));
    EXPECT_EQ(r.serial(1), (Bytes{0x80, 0x00, 0x01}));  // written non-negative
    EXPECT_EQ(r.serial(2), (Bytes{0x7F}));
    EXPECT_EQ(r.reason(0), 1);
    EXPECT_EQ(r.reason(1), -1);
    EXPECT_EQ(r.reason(2), 5);
    EXPECT_EQ(r.time(X509_REVOKED_get0_revocationDate(r.at(2))), kThis - 3 * kDay);
    // CRL number kept, authority key identifier of the issuer added.
    ASN1_INTEGER* number = static_cast<ASN1_INTEGER*>(X509_CRL_get_ext_d2i(r.crl.get(), NID_crl_number, nullptr, nullptr));
    ASSERT_NE(number, nullptr);
    EXPECT_EQ(ASN1_INTEGER_get(number), 42);
    ASN1_INTEGER_free(number);
    AUTHORITY_KEYID* akid =
        static_cast<AUTHORITY_KEYID*>(X509_CRL_get_ext_d2i(r.crl.get(), NID_authority_key_identifier, nullptr, nullptr));
    ASSERT_NE(akid, nullptr);
    EXPECT_EQ(X509_check_akid(ca.get(), akid), X509_V_OK);
    AUTHORITY_KEYID_free(akid);

    // The module reads back what it wrote, and the object now is that list.
    Ref<TBuf> same = adoptRef(crl->getRaw(nullptr, nullptr));
    EXPECT_EQ(bytesOf(same.get()), out);
    EXPECT_EQ(crl->checkSign(issuer.get()), 0);
    Ref<X509CRL> back = parse(out);
    EXPECT_EQ(back->error(), 0);
    EXPECT_EQ(back->getSignatureAlgorithm(), c.alg);
    EXPECT_EQ(back->getThisReleaseTime(), kThis);
    EXPECT_EQ(back->getNextReleaseTime(), kNext);
    EXPECT_EQ(back->revokedCount(), 3u);
    EXPECT_EQ(back->isSerialRevoked(reinterpret_cast<const unsigned char*>("\x01\x23"), 2), 1);
  }
}

// The issuer of each sample list and the key it was signed with.
struct SampleKey {
  const char* issuer;
  const char* key;
};
constexpr SampleKey kSampleKeys[] = {
    {"sub-ca.der", "sub-key"}, {"root-ca.der", "root-key"}, {"ec256-sub.der", "ec256-sub-key"}, {"dsa-ca.der", "dsa-ca-key"}};

// Lists whose TBSCertList changes when re-encoded, and why: a v1 list gains
// the version and the authority key identifier; lists without an authority
// key identifier gain one at the end of their extensions.
const char* const kChangedTbs[] = {"v1.der", "indirect.der", "no-next-update.der"};

TEST_F(CrlEncTest, SampleListsReencodeAsTheyWere) {
  for (const SampleCrl& s : kSampleCrls) {
    SCOPED_TRACE(s.file);
    const char* stem = nullptr;
    for (const SampleKey& k : kSampleKeys) {
      if (std::strcmp(k.issuer, s.issuer) == 0) stem = k.key;
    }
    ASSERT_NE(stem, nullptr);
    Bytes original = crlExample(s.file);
    Ref<X509CRL> crl = parse(original);
    Ref<TCert> issuer = cert(s.issuer);
    Ref<TKey> key = privateKey(stem);
    Ref<TBuf> der = adoptRef(crl->getRaw(issuer.get(), key.get()));
    ASSERT_TRUE(der) << crl->error();
    Bytes out = bytesOf(der.get());
    Read before(original);
    Read after(out);
    ASSERT_TRUE(after.crl);
    OsslX509 ca = osslCert(example(s.issuer));
    EXPECT_EQ(X509_CRL_verify(after.crl.get(), X509_get0_pubkey(ca.get())), 1);
    Bytes tbs_before = OsslDer([&](unsigned char** p) { return i2d_re_X509_CRL_tbs(before.crl.get(), p); });
    Bytes tbs_after = OsslDer([&](unsigned char** p) { return i2d_re_X509_CRL_tbs(after.crl.get(), p); });
    bool changes = false;
    for (const char* f : kChangedTbs) changes = changes || std::strcmp(f, s.file) == 0;
    if (changes) {
      EXPECT_NE(tbs_before, tbs_after);
      EXPECT_EQ(after.entries(), before.entries());
      continue;
    }
    EXPECT_EQ(tbs_before, tbs_after);
    // RSA signatures are deterministic: the whole list is the same.
    if (EVP_PKEY_get_base_id(X509_get0_pubkey(ca.get())) == EVP_PKEY_RSA) {
      EXPECT_EQ(out, original);
    }
  }
}

// Version ::= INTEGER { v1(0), v2(1) }, as TCRL counts it.
class VersionedCrl : public X509CRL {
 public:
  explicit VersionedCrl(unsigned v) : v_(v) {}
  unsigned getVersion() override { return v_; }

 private:
  unsigned v_;
};

TEST_F(CrlEncTest, VersionRules) {
  struct Case {
    unsigned version;
    int code;
    int written;  // the INTEGER's value, -1 absent
  };
  const Case cases[] = {{0, 0, 0}, {1, 0, 1}, {2, 0, 1}, {crlenc::kVersionUnset, 0, -1}, {3, pkixrc::kFailed, 0},
                        {5, pkixrc::kFailed, 0}};
  Ref<TCert> issuer = cert(kRsa.cert);
  Ref<TKey> key = privateKey(kRsa.key);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    Ref<VersionedCrl> crl = adoptRef(new VersionedCrl(c.version));
    crl->setSignatureAlgorithm(PKI_ALG_SHA256_RSA);
    crl->setThisReleaseTime(kThis);
    issuedBy(crl.get(), issuer.get());
    TBuf* out = reinterpret_cast<TBuf*>(1);
    EXPECT_EQ(x509_enc_crl(crl.get(), issuer.get(), key.get(), &out), c.code);
    Ref<TBuf> held = adoptRef(out);
    if (c.code != 0) {
      EXPECT_EQ(out, nullptr);
      continue;
    }
    Read r(bytesOf(out));
    ASSERT_TRUE(r.crl);
    // OpenSSL reports an absent version as 0, like v1.
    EXPECT_EQ(X509_CRL_get_version(r.crl.get()), c.written < 0 ? 0 : c.written);
    // The element itself: tbsCertList's first element is an INTEGER only
    // when the version is written.
    std::vector<uint8_t> tags = tbsTags(bytesOf(out));
    ASSERT_FALSE(tags.empty());
    EXPECT_EQ(tags[0] == der::kInteger, c.written >= 0);
  }
}

TEST_F(CrlEncTest, TimesChangeFormIn2050) {
  if (sizeof(long) < 8) GTEST_SKIP() << "long holds no date after 2038";
  struct Case {
    long t;
    unsigned char tag;
    const char* text;
  };
  const Case cases[] = {
      {2524607999L, der::kUtcTime, "491231235959Z"},           // 2049-12-31T23:59:59Z
      {2524608000L, der::kGeneralizedTime, "20500101000000Z"},  // 2050-01-01T00:00:00Z
      {kThis, der::kUtcTime, "300101000000Z"},
      {0, der::kUtcTime, "700101000000Z"},
      {-631152001L, der::kGeneralizedTime, "19491231235959Z"},  // before UTCTime's range
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    long t = c.t;
    CMN_ASN_Buf_Stub b = x509_enc_time(&t);
    ASSERT_FALSE(b.empty());
    Bytes got(b.datap(), b.datap() + b.len_of_datap());
    size_t n = std::strlen(c.text);
    Bytes want = Tlv(c.tag, Bytes(c.text, c.text + n));
    EXPECT_EQ(got, want);
    // OpenSSL reads the same moment.
    const unsigned char* p = got.data();
    ASN1_TIME* a = d2i_ASN1_TIME(nullptr, &p, static_cast<long>(got.size()));
    ASSERT_NE(a, nullptr);
    struct tm parts;
    ASSERT_EQ(ASN1_TIME_to_tm(a, &parts), 1);
    EXPECT_EQ(static_cast<long>(timegm(&parts)), c.t);
    ASN1_TIME_free(a);
  }
  // Null and saturated times give nothing.
  EXPECT_TRUE(x509_enc_time(nullptr).empty());
  long late = crlenc::kSaturatedLate;
  long early = crlenc::kSaturatedEarly;
  EXPECT_TRUE(x509_enc_time(&late).empty());
  EXPECT_TRUE(x509_enc_time(&early).empty());
}

TEST_F(CrlEncTest, AlgorithmIdentifiersAsOpenSslWritesThem) {
  struct Case {
    pki_alg_t alg;
    int nid;
    int param;
  };
  const Case cases[] = {
      {PKI_ALG_MD5_RSA, NID_md5WithRSAEncryption, V_ASN1_NULL},
      {PKI_ALG_SHA256_RSA, NID_sha256WithRSAEncryption, V_ASN1_NULL},
      {PKI_ALG_SHA1_DSA, NID_dsaWithSHA1, V_ASN1_UNDEF},
      {PKI_ALG_SHA384_ECDSA, NID_ecdsa_with_SHA384, V_ASN1_UNDEF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(OBJ_nid2sn(c.nid));
    X509_ALGOR* a = X509_ALGOR_new();
    X509_ALGOR_set0(a, OBJ_nid2obj(c.nid), c.param, nullptr);
    Bytes want = OsslDer([&](unsigned char** p) { return i2d_X509_ALGOR(a, p); });
    X509_ALGOR_free(a);
    CMN_ASN_Buf_Stub b = x509_algid_enc(c.alg);
    ASSERT_FALSE(b.empty());
    EXPECT_EQ(Bytes(b.datap(), b.datap() + b.len_of_datap()), want);
  }
  EXPECT_TRUE(x509_algid_enc(PKI_ALG_NONE).empty());
  EXPECT_TRUE(x509_algid_enc(PKI_ALG_SHA_RSA).empty());  // no identifier in the table
}

TEST_F(CrlEncTest, EmptyListsWriteNeitherEntriesNorExtensions) {
  Ref<TCert> issuer = cert(kRsa.cert);
  Ref<TKey> key = privateKey(kRsa.key);
  Ref<X509CRL> crl = adoptRef(new X509CRL);
  crl->setSignatureAlgorithm(PKI_ALG_SHA256_RSA);
  crl->setVersion(2);
  crl->setThisReleaseTime(kThis);
  crl->setNextReleaseTime(kNext);
  issuedBy(crl.get(), issuer.get());
  // An empty entry list and an empty extension list count as none.
  Ref<TCertList> none = adoptRef(createTCertList());
  crl->setRevokedCerts(none.get());
  Ref<TExtnList> no_extns = adoptRef(createTExtnList());
  crl->setCRLExtns(no_extns.get());
  TBuf* out = nullptr;
  ASSERT_EQ(x509_enc_crl(crl.get(), issuer.get(), key.get(), &out), 0);
  Ref<TBuf> held = adoptRef(out);
  Bytes der = bytesOf(out);
  // tbsCertList: version, signature, issuer, thisUpdate, nextUpdate and
  // nothing after them.
  EXPECT_EQ(tbsTags(der), (std::vector<uint8_t>{der::kInteger, der::kSequence, der::kSequence, der::kUtcTime,
                                                  der::kUtcTime}));
  Read r(der);
  ASSERT_TRUE(r.crl);
  EXPECT_EQ(X509_CRL_get_REVOKED(r.crl.get()), nullptr);
  EXPECT_EQ(X509_CRL_get0_extensions(r.crl.get()), nullptr);
  OsslX509 ca = osslCert(example(kRsa.cert));
  EXPECT_EQ(X509_CRL_verify(r.crl.get(), X509_get0_pubkey(ca.get())), 1);
}

TEST_F(CrlEncTest, FailuresLeaveTheListAsItWas) {
  Ref<TCert> issuer = cert(kRsa.cert);
  Ref<TKey> key = privateKey(kRsa.key);
  Bytes original = crlExample("sha256.der");
  struct Case {
    const char* what;
    void (*spoil)(X509CRL* crl);
  };
  const Case cases[] = {
      // An entry without a revocation date.
      {"undated entry",
       [](X509CRL* crl) {
         Ref<TCert> c = adoptRef(createTCert(TCert::CF_X509));
         const unsigned char serial[] = {0x05};
         c->setSerialNumber(serial, 1);
         crl->addRevokedCert(c.get());
       }},
      // An entry without a serial number.
      {"entry without serial",
       [](X509CRL* crl) {
         Ref<TCert> c = adoptRef(createTCert(TCert::CF_X509));
         c->setValidity(kThis, kNext);
         crl->addRevokedCert(c.get());
       }},
      {"no this update", [](X509CRL* crl) { crl->setThisReleaseTime(0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Ref<X509CRL> crl = parse(original);
    c.spoil(crl.get());
    expectEncodingFails(crl.get(), issuer.get(), key.get(), original);
  }
}

// The TBSCertList alone is what the signed list carries and what its
// signature covers.
TEST_F(CrlEncTest, TbsAloneIsTheSignedPart) {
  Ref<TCert> issuer = cert(kRsa.cert);
  Ref<TKey> key = privateKey(kRsa.key);
  Ref<X509CRL> crl = parse(crlExample("v2-reasons.der"));
  TBuf* tbs = nullptr;
  ASSERT_EQ(x509_enc_crl_tbs(crl.get(), &tbs), 0);
  Ref<TBuf> held_tbs = adoptRef(tbs);
  TBuf* whole = nullptr;
  ASSERT_EQ(x509_enc_crl(crl.get(), issuer.get(), key.get(), &whole), 0);
  Ref<TBuf> held_whole = adoptRef(whole);
  Read r(bytesOf(whole));
  ASSERT_TRUE(r.crl);
  Bytes signed_part = OsslDer([&](unsigned char** p) { return i2d_re_X509_CRL_tbs(r.crl.get(), p); });
  EXPECT_EQ(bytesOf(tbs), signed_part);
  TBuf* none = reinterpret_cast<TBuf*>(1);
  EXPECT_EQ(x509_enc_crl_tbs(nullptr, &none), pkixrc::kBadArgument);
  EXPECT_EQ(x509_enc_crl_tbs(crl.get(), nullptr), pkixrc::kBadArgument);
}

TEST_F(CrlEncTest, ArgumentsAreChecked) {
  Ref<TCert> issuer = cert(kRsa.cert);
  Ref<X509CRL> crl = parse(crlExample("sha256.der"));
  TBuf* out = nullptr;
  EXPECT_EQ(x509_enc_crl(nullptr, issuer.get(), nullptr, &out), pkixrc::kBadArgument);
  EXPECT_EQ(x509_enc_crl(crl.get(), nullptr, nullptr, &out), pkixrc::kBadArgument);
  EXPECT_EQ(x509_enc_crl(crl.get(), issuer.get(), nullptr, nullptr), pkixrc::kBadArgument);
  CMN_ASN_Sequence_Stub seq;
  CMN_ASN_Explicit_Stub ext;
  EXPECT_EQ(x509_enc_certlist(nullptr, seq), pkixrc::kBadArgument);
  EXPECT_EQ(x509_enc_revcert(nullptr, seq), pkixrc::kBadArgument);
  EXPECT_EQ(x509_enc_crlextns(nullptr, ext), pkixrc::kBadArgument);
  EXPECT_EQ(buf_append(nullptr, nullptr), pkixrc::kBadArgument);
  // getRaw with a key but no issuer; an issuer without a private key.
  Ref<TKey> key = privateKey(kRsa.key);
  EXPECT_EQ(crl->getRaw(nullptr, key.get()), nullptr);
  EXPECT_EQ(crl->error(), pkixrc::kBadArgument);
  EXPECT_EQ(crl->getRaw(issuer.get(), nullptr), nullptr);
  EXPECT_EQ(crl->error(), pkixrc::kUnavailable);
}

TEST_F(CrlEncTest, BufAppendJoins) {
  struct Case {
    Bytes a, b;
  };
  const Case cases[] = {{{0x01, 0x02}, {0x03}}, {{}, {0x04}}, {{0x05}, {}}, {{}, {}}};
  for (const Case& c : cases) {
    CMN_ASN_Buf_Stub a(c.a.data(), static_cast<unsigned>(c.a.size()));
    CMN_ASN_Buf_Stub b(c.b.data(), static_cast<unsigned>(c.b.size()));
    CMN_ASN_Buf_Stub a_before = a;
    ASSERT_EQ(buf_append(&a, &b), 0);
    Bytes want = Cat({c.a, c.b});
    EXPECT_EQ(Bytes(a.datap(), a.datap() + a.len_of_datap()), want);
    // a is a new buffer: the old one keeps its octets.
    EXPECT_EQ(a_before.len_of_datap(), c.a.size());
  }
}

// Dates past 2038 are held saturated at 0x7FFFFFFF: writing such a list
// again would put 2038-01-19 where the list said something else.
TEST_F(CrlEncTest, SaturatedTimesAreRefused) {
  Ref<TCert> issuer = cert(kRsa.cert);
  Ref<TKey> key = privateKey(kRsa.key);
  PKey osslKey = this->key(kRsa.key);
  const int64_t k2040 = 2208988800LL;  // 2040-01-01T00:00:00Z
  struct Case {
    const char* what;
    int64_t this_update, next_update, revoked;
  };
  const Case cases[] = {
      {"next update in 2040", kThis, k2040, kThis},
      {"this update in 2040", k2040, 0, kThis},
      {"entry revoked in 2040", kThis, kNext, k2040},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GenCrl g;
    g.issuer = subject(kRsa.cert);
    g.this_update = c.this_update;
    g.next_update = c.next_update;
    g.entries.push_back(GenEntry{{0x09}, c.revoked});
    Ref<X509CRL> crl = parse(MakeCrl(g, osslKey.get(), EVP_sha256()));
    ASSERT_EQ(crl->error(), 0);
    EXPECT_EQ(crl->getRaw(issuer.get(), key.get()), nullptr);
    EXPECT_EQ(crl->error(), pkixrc::kWrongType);
  }
  // Setting the time again makes the list writable.
  GenCrl g;
  g.issuer = subject(kRsa.cert);
  g.this_update = kThis;
  g.next_update = k2040;
  Ref<X509CRL> crl = parse(MakeCrl(g, osslKey.get(), EVP_sha256()));
  crl->setNextReleaseTime(kNext);
  Ref<TBuf> der = adoptRef(crl->getRaw(issuer.get(), key.get()));
  ASSERT_TRUE(der);
  Read r(bytesOf(der.get()));
  EXPECT_EQ(r.time(X509_CRL_get0_nextUpdate(r.crl.get())), kNext);
  // A list without nextUpdate is written without one.
  GenCrl open;
  open.issuer = subject(kRsa.cert);
  open.this_update = kThis;
  Ref<X509CRL> endless = parse(MakeCrl(open, osslKey.get(), EVP_sha256()));
  Ref<TBuf> again = adoptRef(endless->getRaw(issuer.get(), key.get()));
  ASSERT_TRUE(again);
  Read e(bytesOf(again.get()));
  EXPECT_EQ(X509_CRL_get0_nextUpdate(e.crl.get()), nullptr);
}

// The host without the generic ASN.1 service: every encoding fails with 9
// and changes nothing.
class CrlEncNoServiceTest : public CrlFixture {};

TEST_F(CrlEncNoServiceTest, EncoderFailsAndChangesNothing) {
  Ref<TCert> issuer = cert(kRsa.cert);
  Bytes d = keyExample(std::string(kRsa.key) + ".p8.der");
  Ref<TKey> key = adoptRef(createTKey(TKey::KT_PRIVATE, d.data(), static_cast<unsigned>(d.size())));
  Bytes original = crlExample("sha256.der");
  Ref<X509CRL> crl = parse(original);
  expectEncodingFails(crl.get(), issuer.get(), key.get(), original);
  long t = kThis;
  EXPECT_TRUE(x509_enc_time(&t).empty());
  EXPECT_TRUE(x509_algid_enc(PKI_ALG_SHA256_RSA).empty());
  CMN_ASN_Buf_Stub a;
  CMN_ASN_Buf_Stub b;
  EXPECT_EQ(buf_append(&a, &b), pkixrc::kFailed);
}

}  // namespace
}  // namespace pkixtest
