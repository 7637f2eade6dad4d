// The objects of the ASN.1 object service in process, reached the way other
// modules reach them: through the client stubs bound to the service via the
// module manager, over a stand-in for the host's generic ASN.1 service.
// OpenSSL says what the DER must be; the sample PKI and the Mozilla roots
// are the inputs.
#include <gtest/gtest.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <string>
#include <vector>

#include "asn/pkix_asn_attrs.h"
#include "asn/pkix_asnC.h"
#include "asn/scepstructs.h"
#include "cert/cert_testutil.h"
#include "contract/service_ids.h"
#include "crl/crl_enc_asn_double.h"
#include "module/pkixsrv.h"
#include "testing/der_bytes.h"
#include "testing/ossl_oracle.h"

namespace pkixtest {
namespace {

using Octets = std::vector<unsigned char>;

class AsnObjectsTest : public CertFixture {
 protected:
  void SetUp() override {
    CertFixture::SetUp();
    mgr.offer(pkixid::kGenericAsn, new DoubleService);
    mgr.offer(pkixid::kCertService, createTPkixService());
    mgr.offer(pkixid::kKeyService, createTPkixKeyService());
    mgr.offer(pkixid::kAsnService, createTPkixASNService());
  }
};

Octets OctetsOf(const CMN_ASN_Buf_Stub& b) {
  if (b.empty() || b.len_of_datap() == 0) return {};
  return Octets(b.datap(), b.datap() + b.len_of_datap());
}
Octets OctetsOf(const aBuf& b) {
  if (b.raw() == nullptr || b.len() == 0) return {};
  return Octets(b.datap(), b.datap() + b.len());
}
CMN_ASN_Buf_Stub Buf(const Octets& v) { return CMN_ASN_Buf_Stub(v.data(), static_cast<unsigned>(v.size())); }

// Decodes der with stub s and checks the encoding comes back byte for byte.
template <class Stub>
void RoundTrip(Stub& s, const Octets& der) {
  CMN_ASN_Buf_Stub in = Buf(der);
  ASSERT_EQ(s.decode(in), 0);
  EXPECT_EQ(in.len_of_datap(), 0u);
  EXPECT_EQ(OctetsOf(s.encode()), der);
  EXPECT_EQ(s.getRawLen(), der.size());
}

TName::name_type_t kIssuerDN() { return static_cast<TName::name_type_t>(TName::NAME_DN | TName::NAME_ISSUER); }
TName::name_type_t kSubjectDN() { return static_cast<TName::name_type_t>(TName::NAME_DN | TName::NAME_SUBJECT); }

struct OsslCert {
  X509* x = nullptr;
  explicit OsslCert(const Octets& der) {
    const unsigned char* p = der.data();
    x = d2i_X509(nullptr, &p, static_cast<long>(der.size()));
  }
  ~OsslCert() { X509_free(x); }
};

TEST_F(AsnObjectsTest, ServiceMakesEveryObjectAndAttribute) {
  std::unique_ptr<TPkixASNService, void (*)(TPkixASNService*)> s(createTPkixASNService(),
                                                                  [](TPkixASNService* p) { delete p; });
  ASSERT_NE(s, nullptr);
  for (int n = 0; n < TPkixASNService::kObjectNames; ++n) {
    SCOPED_TRACE(n);
    CMN_ASN_Type_Interface* o = s->createObj(static_cast<TPkixASNService::objectName_type>(n));
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->references(), 1);
    EXPECT_EQ(o->getType(), pkixasn::kKindGeneric);
    EXPECT_EQ(o->remReference(), 0);
  }
  EXPECT_EQ(s->createObj(static_cast<TPkixASNService::objectName_type>(11)), nullptr);
  EXPECT_EQ(s->createObj(static_cast<TPkixASNService::objectName_type>(-1)), nullptr);
  for (int t = 1; t <= 5; ++t) {
    CMN_ASN_Type_Interface* a = s->createObj(static_cast<ASNAttribute_Interface::attribute_t>(t));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(static_cast<ASNAttribute_Interface*>(a)->getType(), t);
    a->remReference();
  }
  EXPECT_EQ(s->createObj(static_cast<ASNAttribute_Interface::attribute_t>(0)), nullptr);
  EXPECT_EQ(s->createObj(static_cast<ASNAttribute_Interface::attribute_t>(6)), nullptr);
}

// DSA parameters: decoded into p, q, g of a key, and encoded from a key, as
// OpenSSL writes the key's AlgorithmIdentifier.
TEST_F(AsnObjectsTest, AlgorithmIdentifierAndKeyParameters) {
  const Octets spki = readFile(std::string(PKIX_SOURCE_DIR) + "/examples/keys/dsa-ca-key.pub.der");
  PKey ossl = OsslPublicKey(spki);
  const unsigned char* p = spki.data();
  X509_PUBKEY* pub = d2i_X509_PUBKEY(nullptr, &p, static_cast<long>(spki.size()));
  X509_ALGOR* alg = nullptr;
  X509_PUBKEY_get0_param(nullptr, nullptr, nullptr, &alg, pub);
  const Octets theirs = OsslDer([&](unsigned char** out) { return i2d_X509_ALGOR(alg, out); });
  X509_PUBKEY_free(pub);

  CMN_ASN_AlgorithmId a;
  ASSERT_NE(a.get(), nullptr);
  RoundTrip(a, theirs);
  EXPECT_EQ(a.getAlgorithm(), PKI_ALG_DSA);
  aKey empty_key(TKey::KT_PUBLIC);
  ASSERT_EQ(a.getValue(empty_key), 0);
  EXPECT_EQ(empty_key.getAlg(), PKI_ALG_DSA);
  EXPECT_EQ(OctetsOf(empty_key.getParam(TKey::AKA_P)), OsslNumber(ossl.get(), "p"));
  EXPECT_EQ(OctetsOf(empty_key.getParam(TKey::AKA_Q)), OsslNumber(ossl.get(), "q"));
  EXPECT_EQ(OctetsOf(empty_key.getParam(TKey::AKA_G)), OsslNumber(ossl.get(), "g"));

  aKey key(TKey::KT_PUBLIC, spki.data(), static_cast<unsigned>(spki.size()));
  ASSERT_NE(key.raw(), nullptr);
  CMN_ASN_AlgorithmId from_key;
  ASSERT_EQ(from_key.setValue(key, 0), 0);
  EXPECT_EQ(OctetsOf(from_key.encode()), theirs);

  // Missing key for DSA and DES, SC GOST refused, the teletrust DES read as DES.
  aKey none;
  CMN_ASN_AlgorithmId b;
  EXPECT_EQ(b.setValue(none, PKI_ALG_DSA), pkixrc::kBadArgument);
  EXPECT_EQ(b.setValue(none, PKI_ALG_DES_CBC), pkixrc::kBadArgument);
  EXPECT_EQ(b.setValue(none, 0), pkixrc::kBadArgument);
  EXPECT_EQ(b.setValue(none, PKI_ALG_GOST3410_SC), pkixrc::kFailed);
  EXPECT_EQ(b.setValue(none, PKI_ALG_SHA256_RSA), 0);
  EXPECT_EQ(OctetsOf(b.encode()), Tlv(0x30, Cat({Tlv(0x06, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0B}),
                                                  Tlv(0x05, {})})));
  const Octets des2 = Tlv(0x30, Cat({Tlv(0x06, {0x2B, 0x24, 0x03, 0x01, 0x01}), Tlv(0x04, {1, 2, 3, 4, 5, 6, 7, 8})}));
  CMN_ASN_Buf_Stub in = Buf(des2);
  ASSERT_EQ(b.decode(in), 0);
  EXPECT_EQ(b.getAlgorithm(), PKI_ALG_DES_CBC);
  EXPECT_EQ(OctetsOf(b.encode()), Tlv(0x30, Cat({Tlv(0x06, {0x2B, 0x0E, 0x03, 0x02, 0x07}),  // 1.3.14.3.2.7
                                                  Tlv(0x04, {1, 2, 3, 4, 5, 6, 7, 8})})));
  const Octets unknown = Tlv(0x30, Cat({Tlv(0x06, {0x2A, 0x03}), Tlv(0x05, {})}));
  CMN_ASN_Buf_Stub in2 = Buf(unknown);
  EXPECT_EQ(b.decode(in2), pkixrc::kFailed);
  EXPECT_EQ(in2.len_of_datap(), unknown.size()) << "cursor unmoved";
  EXPECT_EQ(b.err(), pkixrc::kFailed);
}

// The parameter values on their own, made locally by their stubs.
TEST_F(AsnObjectsTest, ParameterValues) {
  const Octets spki = readFile(std::string(PKIX_SOURCE_DIR) + "/examples/keys/dsa-ca-key.pub.der");
  PKey ossl = OsslPublicKey(spki);
  aKey key(TKey::KT_PUBLIC, spki.data(), static_cast<unsigned>(spki.size()));
  ASSERT_NE(key.raw(), nullptr);
  auto uint = [](Octets m) {
    if (m.empty() || (m[0] & 0x80) != 0) m.insert(m.begin(), 0);
    return Tlv(0x02, m);
  };
  const Octets dss = Tlv(0x30, Cat({uint(OsslNumber(ossl.get(), "p")), uint(OsslNumber(ossl.get(), "q")),
                                    uint(OsslNumber(ossl.get(), "g"))}));
  CMN_ASN_DsaValue dsa;
  ASSERT_NE(dsa.get(), nullptr);
  ASSERT_EQ(dsa.setValue(key), 0);
  EXPECT_EQ(OctetsOf(dsa.encode()), dss);
  CMN_ASN_DsaValue back;
  RoundTrip(back, dss);
  aKey bare(TKey::KT_PUBLIC);
  ASSERT_EQ(back.getValue(bare), 0);
  EXPECT_EQ(OctetsOf(bare.getParam(TKey::AKA_G)), OsslNumber(ossl.get(), "g"));

  CMN_ASN_RsaValue rsa;
  EXPECT_EQ(OctetsOf(rsa.encode()), Tlv(0x05, {}));
  CMN_ASN_AnyValue curve;
  const Octets p256 = Tlv(0x06, {0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x03, 0x01, 0x07});
  RoundTrip(curve, p256);
  CMN_ASN_DesValue des;
  aKey none;
  EXPECT_EQ(des.setValue(none), pkixrc::kBadArgument);
  EXPECT_EQ(des.getValue(bare), pkixrc::kFailed) << "no IV held";
  CMN_ASN_Buf_Stub two = Buf(Cat({Tlv(0x05, {}), Tlv(0x05, {})}));
  EXPECT_EQ(rsa.decode(two), 0);
  EXPECT_EQ(two.len_of_datap(), 2u) << "one element read";
  CMN_ASN_Buf_Stub wrong = Buf(Tlv(0x02, {1}));
  EXPECT_EQ(rsa.decode(wrong), pkixrc::kFailed);
}

// Names, keys and extensions of every sample certificate and Mozilla root
// decode and encode back byte for byte.
TEST_F(AsnObjectsTest, NamesKeysExtensionsOfSamplesAndRoots) {
  std::vector<std::string> files = exampleCerts();
  for (const std::string& f : filesIn(std::string(PKIX_SOURCE_DIR) + "/tests/data/roots", ".der")) files.push_back(f);
  ASSERT_GT(files.size(), 100u);
  for (const std::string& f : files) {
    SCOPED_TRACE(f);
    OsslCert c(readFile(f));
    ASSERT_NE(c.x, nullptr);
    CMN_ASN_Name issuer;
    RoundTrip(issuer, OsslDer([&](unsigned char** out) { return i2d_X509_NAME(X509_get_issuer_name(c.x), out); }));
    CMN_ASN_Name subject;
    RoundTrip(subject, OsslDer([&](unsigned char** out) { return i2d_X509_NAME(X509_get_subject_name(c.x), out); }));
    EXPECT_NE(subject.getName().raw(), nullptr);
    CMN_ASN_Key key;
    RoundTrip(key, OsslDer([&](unsigned char** out) { return i2d_X509_PUBKEY(X509_get_X509_PUBKEY(c.x), out); }));
    const STACK_OF(X509_EXTENSION)* exts = X509_get0_extensions(c.x);
    if (exts == nullptr) continue;
    Octets all;
    for (int i = 0; i < sk_X509_EXTENSION_num(exts); ++i) {
      const Octets e = OsslDer([&](unsigned char** out) { return i2d_X509_EXTENSION(sk_X509_EXTENSION_value(exts, i), out); });
      CMN_ASN_Extension one;
      RoundTrip(one, e);
      all = Cat({all, e});
    }
    CMN_ASN_Extensions list;
    RoundTrip(list, Tlv(0x30, all));
    EXPECT_EQ(list.getNumber(), static_cast<unsigned>(sk_X509_EXTENSION_num(exts)));
  }
}

TEST_F(AsnObjectsTest, RefusalsLeaveTheCursor) {
  const Octets ext = Tlv(0x30, Cat({Tlv(0x06, {0x55, 0x1D, 0x13}), Tlv(0x04, Tlv(0x30, {}))}));
  auto many = [&](size_t n) {
    Octets content;
    for (size_t i = 0; i < n; ++i) content = Cat({content, ext});
    return Tlv(0x30, content);
  };
  CMN_ASN_Extensions twenty;
  RoundTrip(twenty, many(20));
  EXPECT_EQ(twenty.getNumber(), 20u);
  EXPECT_EQ(twenty.getValue().raw() != nullptr, true);

  struct Case {
    const char* what;
    Octets der;
  };
  const Case kExtensions[] = {{"21 extensions", many(21)}, {"none", many(0)}, {"a SET", Tlv(0x31, ext)}};
  for (const Case& c : kExtensions) {
    SCOPED_TRACE(c.what);
    CMN_ASN_Extensions l;
    CMN_ASN_Buf_Stub in = Buf(c.der);
    EXPECT_EQ(l.decode(in), pkixrc::kFailed);
    EXPECT_EQ(in.len_of_datap(), c.der.size());
  }
  const Octets name = Tlv(0x30, Tlv(0x31, Tlv(0x30, Cat({Tlv(0x06, {0x55, 0x04, 0x03}), Tlv(0x13, {'A'})}))));
  const Case kNames[] = {{"a SET", Tlv(0x31, Tlv(0x31, {}))}, {"empty SEQUENCE", Tlv(0x30, {})}, {"INTEGER", Tlv(0x02, {1})}};
  for (const Case& c : kNames) {
    SCOPED_TRACE(c.what);
    CMN_ASN_Name n;
    CMN_ASN_Buf_Stub in = Buf(Cat({c.der, name}));
    EXPECT_EQ(n.decode(in), pkixrc::kFailed);
    EXPECT_EQ(in.len_of_datap(), c.der.size() + name.size());
  }
  // An indefinite length inside: refused under DER (the default), taken
  // under BER.
  const Octets ber = Tlv(0x30, Cat({Tlv(0x06, {0x55, 0x1D, 0x13}), Tlv(0x04, Tlv(0x30, {}))}), true);
  const Octets ber_list = Tlv(0x30, ber);
  CMN_ASN_Extensions strict;
  CMN_ASN_Buf_Stub bin = Buf(ber_list);
  EXPECT_EQ(strict.decode(bin), pkixasn::kAsnNotDer);
  EXPECT_EQ(bin.len_of_datap(), ber_list.size());
  CMN_ASN_Extensions lenient;
  ASSERT_EQ(lenient.setEnc(ASN_BER), 0);
  EXPECT_EQ(lenient.decode(bin), 0);
  EXPECT_EQ(bin.len_of_datap(), 0u);

  CMN_ASN_Name n;
  CMN_ASN_Buf_Stub empty(static_cast<CMN_ASN_Buf_Interface*>(nullptr));
  EXPECT_EQ(n.decode(empty), pkixrc::kFailed) << "no buffer object";
  EXPECT_EQ(n.get()->decode(nullptr), pkixrc::kBadArgument);
}

Octets OsslAttribute(int nid, int type, const Octets& v) {
  X509_ATTRIBUTE* a = X509_ATTRIBUTE_create_by_NID(nullptr, nid, type, v.data(), static_cast<int>(v.size()));
  Octets der = OsslDer([&](unsigned char** p) { return i2d_X509_ATTRIBUTE(a, p); });
  X509_ATTRIBUTE_free(a);
  return der;
}

TEST_F(AsnObjectsTest, AttributesAsOpenSSLWritesThem) {
  struct Case {
    ASNAttribute_Interface::attribute_t type;
    Octets value;
    Octets theirs;
  };
  const Octets pw = {'e', 'n', 'r', 'o', 'l'};
  const Octets name = {0, 'g', 0, 'w'};
  const Octets id = {1, 2, 3};
  const Case kCases[] = {
      {ASNAttribute_Interface::ATTR_CHALLENGE_PASSWORD, pw, OsslAttribute(NID_pkcs9_challengePassword, V_ASN1_PRINTABLESTRING, pw)},
      {ASNAttribute_Interface::ATTR_FRIENDLY_NAME, name, OsslAttribute(NID_friendlyName, V_ASN1_BMPSTRING, name)},
      {ASNAttribute_Interface::ATTR_LOCAL_KEY_ID, id, OsslAttribute(NID_localKeyID, V_ASN1_OCTET_STRING, id)},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.type);
    CMN_ASN_Attribute a(c.type);
    ASSERT_NE(a.get(), nullptr);
    CMN_ASN_Buf_Stub v = Buf(c.value);
    ASSERT_EQ(a.setValue(v), 0);
    EXPECT_EQ(OctetsOf(a.encode()), c.theirs);
    CMN_ASN_Buf_Stub in = Buf(c.theirs);
    CMN_ASN_BaseAttribute made = createAttr(in);
    ASSERT_NE(made.get(), nullptr);
    EXPECT_EQ(made.getType(), c.type);
    EXPECT_EQ(OctetsOf(CMN_ASN_Attribute(made).getValue()), c.value);
  }
  // A challenge password with an INTEGER value is refused.
  const Octets bad = Tlv(0x30, Cat({Tlv(0x06, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x07}), Tlv(0x31, Tlv(0x02, {1}))}));
  CMN_ASN_Attribute chal(ASNAttribute_Interface::ATTR_CHALLENGE_PASSWORD);
  CMN_ASN_Buf_Stub in = Buf(bad);
  EXPECT_EQ(chal.decode(in), pkixrc::kFailed);
  EXPECT_EQ(in.len_of_datap(), bad.size());
  // Stubs from identifiers, and the typed views.
  CMN_ASN_Attribute friendly(Buf({0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x14}));
  EXPECT_EQ(friendly.getType(), ASNAttribute_Interface::ATTR_FRIENDLY_NAME);
  CMN_ASN_Attribute other(Buf({0x2A, 0x03, 0x04}));
  EXPECT_EQ(other.getType(), ASNAttribute_Interface::ATTR_ANY);
  EXPECT_EQ(OctetsOf(other.getOID()), Octets({0x2A, 0x03, 0x04}));
  CMN_ASN_ExtensionAttribute wrong(friendly);
  EXPECT_EQ(wrong.get(), nullptr);
  EXPECT_EQ(wrong.isEmpty(), 1);
  EXPECT_EQ(wrong.setValue(aExtnList()), pkixrc::kFailed);
  CMN_ASN_AnyAttribute any(other);
  ASSERT_NE(any.get(), nullptr);
  EXPECT_EQ(any.setValueId(22, 0), 0);  // IA5String
  CMN_ASN_Buf_Stub text = Buf({'x'});
  EXPECT_EQ(any.setValue(text), 0);
  EXPECT_EQ(OctetsOf(any.encode()), Tlv(0x30, Cat({Tlv(0x06, {0x2A, 0x03, 0x04}), Tlv(0x31, Tlv(0x16, {'x'}))})));
}

// The attributes of a request made by `openssl req` decode as a set under
// [0] and write back byte for byte; as a plain SET they are refused.
TEST_F(AsnObjectsTest, RequestAttributesUnderContextZero) {
  const Octets csr = readFile(std::string(PKIX_SOURCE_DIR) + "/tests/data/asn/csr-attrs.der");
  // CertificationRequestInfo: version, subject, subjectPKInfo, [0] attributes.
  Buffer b{nullptr, const_cast<unsigned char*>(csr.data()), static_cast<uint32_t>(csr.size())};
  ASSERT_GT(asn1_der_decode(0x30, &b), 0);
  ASSERT_GT(asn1_der_decode(0x30, &b), 0);
  for (int skip = 0; skip < 3; ++skip) ASSERT_GT(asn1_decode_any_type(&b, nullptr), 0);
  Buffer attrs{};
  Buffer rest = b;
  ASSERT_GT(asn1_decode_any_type(&rest, &attrs), 0);
  const Octets set(attrs.data, attrs.data + attrs.len);
  ASSERT_EQ(set[0], 0xA0);

  CMN_ASN_Attributes plain;
  CMN_ASN_Buf_Stub in = Buf(set);
  EXPECT_EQ(plain.decode(in), pkixrc::kFailed);
  EXPECT_EQ(in.len_of_datap(), set.size());

  CMN_ASN_Attributes tagged;
  ASSERT_EQ(tagged.setFlag(0xA0), 0);
  ASSERT_EQ(tagged.setObjId(0), 0);
  RoundTrip(tagged, set);
  const int kTypes[] = {4, 5, 1};
  CMN_ASN_BaseAttribute a = tagged.getFirst();
  for (int t : kTypes) {
    ASSERT_NE(a.get(), nullptr);
    EXPECT_EQ(a.getType(), t);
    a = tagged.getNext();
  }
  EXPECT_EQ(a.get(), nullptr);
  CMN_ASN_ExtensionAttribute req(CMN_ASN_Attribute(tagged.getNext()));
  EXPECT_EQ(req.get(), nullptr);
}

// Issuer and serial of every sample certificate as OpenSSL's
// PKCS7_ISSUER_AND_SERIAL, read back into a partial certificate; GetCert
// and GetCRL message data as RFC 8894 lays them out.
TEST_F(AsnObjectsTest, ScepMessageDataOfEverySample) {
  SCEPStructs scep;
  for (const std::string& f : exampleCerts()) {
    SCOPED_TRACE(f);
    const Octets der = readFile(f);
    OsslCert c(der);
    PKCS7_ISSUER_AND_SERIAL* ias = PKCS7_ISSUER_AND_SERIAL_new();
    X509_NAME_set(&ias->issuer, X509_get_issuer_name(c.x));
    ASN1_INTEGER_free(ias->serial);
    ias->serial = ASN1_INTEGER_dup(X509_get0_serialNumber(c.x));
    const Octets theirs = OsslDer([&](unsigned char** out) { return i2d_PKCS7_ISSUER_AND_SERIAL(ias, out); });
    PKCS7_ISSUER_AND_SERIAL_free(ias);
    const Octets issuer = OsslDer([&](unsigned char** out) { return i2d_X509_NAME(X509_get_issuer_name(c.x), out); });
    const Octets subject = OsslDer([&](unsigned char** out) { return i2d_X509_NAME(X509_get_subject_name(c.x), out); });

    aCert cert(TCert::CF_X509, der.data(), static_cast<unsigned>(der.size()));
    ASSERT_NE(cert.raw(), nullptr);
    aBuf gcim = scep.setGCIM(cert);
    EXPECT_EQ(scep.error(), 0);
    EXPECT_EQ(OctetsOf(gcim), theirs);
    aCert back = scep.getGCIM(gcim);
    ASSERT_NE(back.raw(), nullptr);
    EXPECT_EQ(OctetsOf(back.getName(kIssuerDN()).getRaw()), issuer);
    EXPECT_EQ(OctetsOf(back.getSerialNumber()), OctetsOf(cert.getSerialNumber()));

    aBuf gcm = scep.setGCM(cert);
    EXPECT_EQ(OctetsOf(gcm), Tlv(0x30, Cat({issuer, subject})));
    aCert named = scep.getGCM(gcm);
    ASSERT_NE(named.raw(), nullptr);
    EXPECT_EQ(OctetsOf(named.getName(kSubjectDN()).getRaw()), subject);
  }
  // GetCRL with the server's distribution points extension.
  const Octets der = example("server.der");
  aCert server(TCert::CF_X509, der.data(), static_cast<unsigned>(der.size()));
  aExtnList exts = server.getExtns();
  aExtn dp = exts.get(TExtn::EXT_CRL_DP);
  ASSERT_NE(dp.raw(), nullptr);
  aCDP cdp(dp);
  aBuf gcrl = scep.setGCRLM(server, cdp);
  ASSERT_EQ(scep.error(), 0);
  aBuf gcim = scep.setGCIM(server);
  EXPECT_EQ(OctetsOf(gcrl), Tlv(0x30, Cat({OctetsOf(gcim), OctetsOf(dp.getRaw())})));
  aCert out_cert;
  aCDP out_dp;
  ASSERT_EQ(scep.getGCRLM(gcrl, out_cert, out_dp), 0);
  EXPECT_EQ(OctetsOf(out_cert.getSerialNumber()), OctetsOf(server.getSerialNumber()));
  EXPECT_EQ(OctetsOf(out_dp.getRaw()), OctetsOf(dp.getRaw()));

  // Failures: an empty wrapper, a GetCert structure without its second name.
  aCert none;
  EXPECT_EQ(scep.setGCIM(none).raw(), nullptr);
  EXPECT_EQ(scep.error(), pkixrc::kBadArgument);
  const Octets name = Tlv(0x30, Tlv(0x31, Tlv(0x30, Cat({Tlv(0x06, {0x55, 0x04, 0x03}), Tlv(0x13, {'A'})}))));
  aBuf half(Tlv(0x30, name).data(), static_cast<unsigned>(Tlv(0x30, name).size()));
  EXPECT_EQ(scep.getGCM(half).raw(), nullptr);
  EXPECT_EQ(scep.error(), pkixrc::kFailed);
  // serial 01 and issuer N: SEQUENCE { N, INTEGER 1 }.
  const Octets one = Tlv(0x30, Cat({name, Tlv(0x02, {0x01})}));
  aBuf b(one.data(), static_cast<unsigned>(one.size()));
  aCert partial = scep.getGCIM(b);
  ASSERT_NE(partial.raw(), nullptr);
  EXPECT_EQ(OctetsOf(partial.getSerialNumber()), Octets({0x01}));
  EXPECT_EQ(OctetsOf(scep.setGCIM(partial)), one);
}

// Without the host's generic ASN.1 service: no buffer can be had, so every
// encoding fails with 9, and the stubs of the generic kinds stay empty.
class AsnWithoutGenericServiceTest : public CertFixture {
 protected:
  void SetUp() override {
    CertFixture::SetUp();
    mgr.offer(pkixid::kCertService, createTPkixService());
    mgr.offer(pkixid::kAsnService, createTPkixASNService());
  }
};

TEST_F(AsnWithoutGenericServiceTest, EveryObjectFailsWithNine) {
  CMN_ASN_AlgorithmId a;
  ASSERT_NE(a.get(), nullptr) << "the module's own service still answers";
  aKey none;
  ASSERT_EQ(a.setValue(none, PKI_ALG_SHA256_RSA), 0);
  EXPECT_TRUE(a.encode().empty());
  EXPECT_EQ(a.err(), pkixrc::kFailed);
  CMN_ASN_Attributes set;
  EXPECT_TRUE(set.encode().empty());
  EXPECT_EQ(set.err(), pkixrc::kFailed);
  CMN_ASN_Buf_Stub in(reinterpret_cast<const unsigned char*>("\x05\x00"), 2);
  EXPECT_TRUE(in.empty());
  EXPECT_EQ(a.decode(in), pkixrc::kFailed);
  SCEPStructs scep;
  const Octets der = example("server.der");
  aCert cert(TCert::CF_X509, der.data(), static_cast<unsigned>(der.size()));
  ASSERT_NE(cert.raw(), nullptr);
  EXPECT_EQ(scep.setGCIM(cert).raw(), nullptr);
  EXPECT_EQ(scep.error(), pkixrc::kFailed);
}

}  // namespace
}  // namespace pkixtest
