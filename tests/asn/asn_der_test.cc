// The DER forms of the ASN.1 object service against OpenSSL's writers:
// AlgorithmIdentifier (X509_ALGOR), Attribute (X509_ATTRIBUTE), the
// attributes of a request made by `openssl req`, IssuerAndSerialNumber
// (PKCS7_ISSUER_AND_SERIAL) of every sample certificate, and the limits of
// Extensions. Every refusal leaves the cursor where it was.
#include <gtest/gtest.h>
#include <openssl/objects.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstring>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "asn/pkix_asn_attrtab.h"
#include "asn/pkix_asn_der.h"
#include "crl/derbuild.h"
#include "testing/der_bytes.h"
#include "testing/ossl_oracle.h"

namespace pkixasn {
namespace {

using pkixtest::Cat;
using pkixtest::OsslDer;
using pkixtest::Tlv;

Octets ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Octets((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}
std::string Examples(const char* rel) { return std::string(PKIX_SOURCE_DIR) + "/examples/" + rel; }

Octets Built(const std::function<int(DerBuilder&)>& body) {
  DerBuilder b;
  if (body(b) != 0) return {};
  Buffer v = b.view();
  return Octets(v.data, v.data + v.len);
}

// Runs decode over der; checks that on failure the cursor did not move and
// on success it stands after the element.
template <class Decode>
int DecodeAll(const Octets& der, Decode decode) {
  Buffer in{nullptr, const_cast<uint8_t*>(der.data()), static_cast<uint32_t>(der.size())};
  DerReader r(in);
  const int rc = decode(r);
  if (rc != 0) {
    EXPECT_EQ(r.pos(), der.data()) << "cursor moved on failure";
  } else {
    EXPECT_EQ(r.left(), 0u) << "element not consumed";
  }
  return rc;
}

// OpenSSL's AlgorithmIdentifier for oid with the parameter (ptype, pval).
Octets OsslAlgor(const char* oid, int ptype, void* pval) {
  X509_ALGOR* a = X509_ALGOR_new();
  X509_ALGOR_set0(a, OBJ_txt2obj(oid, 1), ptype, pval);
  Octets der = OsslDer([&](unsigned char** p) { return i2d_X509_ALGOR(a, p); });
  X509_ALGOR_free(a);
  return der;
}

ASN1_STRING* OsslString(int type, const Octets& v) {
  ASN1_STRING* s = ASN1_STRING_type_new(type);
  ASN1_STRING_set(s, v.data(), static_cast<int>(v.size()));
  return s;
}

// ---------------------------------------------------------------------------
// AlgorithmIdentifier

const Octets kIv = {1, 2, 3, 4, 5, 6, 7, 8};
const Octets kP256 = {0x06, 0x08, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x03, 0x01, 0x07};  // prime256v1

struct AlgCase {
  pki_alg_t alg;
  const char* oid;
};
// Every row with a parameter class (the two DES rows once: the second
// identifier is never written).
constexpr AlgCase kAlgCases[] = {
    {0x1, "1.2.840.113549.1.1.1"},    {0x2, "1.2.840.10040.4.1"},        {0x9, "1.3.14.3.2.7"},
    {0x20001, "1.2.840.113549.1.1.5"}, {0x30001, "1.2.840.113549.1.1.2"}, {0x40001, "1.2.840.113549.1.1.4"},
    {0x10002, "1.3.14.3.2.13"},       {0x20002, "1.2.840.10040.4.3"},    {0x200000D, "1.2.643.2.2.20"},
    {0x205000D, "1.2.643.2.2.4"},     {0x200010D, "1.2.643.2.2.19"},     {0x205010D, "1.2.643.2.2.3"},
    {0x400000E, "1.3.6.1.4.1.12656.1.38"}, {0x400000F, "1.3.6.1.4.1.12656.1.35"},
    {0x406000E, "1.3.6.1.4.1.12656.1.40"}, {0x406000F, "1.3.6.1.4.1.12656.1.43"},
    {PKI_ALG_SHA224, "2.16.840.1.101.3.4.2.4"}, {PKI_ALG_SHA256, "2.16.840.1.101.3.4.2.1"},
    {PKI_ALG_SHA384, "2.16.840.1.101.3.4.2.2"}, {PKI_ALG_SHA512, "2.16.840.1.101.3.4.2.3"},
    {PKI_ALG_SHA224_RSA, "1.2.840.113549.1.1.14"}, {PKI_ALG_SHA256_RSA, "1.2.840.113549.1.1.11"},
    {PKI_ALG_SHA384_RSA, "1.2.840.113549.1.1.12"}, {PKI_ALG_SHA512_RSA, "1.2.840.113549.1.1.13"},
    {PKI_ALG_SHA224_DSA, "2.16.840.1.101.3.4.3.1"}, {PKI_ALG_SHA256_DSA, "2.16.840.1.101.3.4.3.2"},
    {PKI_ALG_EC, "1.2.840.10045.2.1"},   {PKI_ALG_SHA1_ECDSA, "1.2.840.10045.4.1"},
    {PKI_ALG_SHA224_ECDSA, "1.2.840.10045.4.3.1"}, {PKI_ALG_SHA256_ECDSA, "1.2.840.10045.4.3.2"},
    {PKI_ALG_SHA384_ECDSA, "1.2.840.10045.4.3.3"}, {PKI_ALG_SHA512_ECDSA, "1.2.840.10045.4.3.4"},
};

// Our value for a row, and OpenSSL's encoding of the same parameters.
void Fill(const AlgCase& c, AlgId* a, Octets* theirs) {
  ASSERT_EQ(algIdSet(a, c.alg), 0);
  switch (a->kind) {
    case ParamKind::kRsa:
      *theirs = OsslAlgor(c.oid, V_ASN1_NULL, nullptr);
      break;
    case ParamKind::kDes:
      a->iv = kIv;
      *theirs = OsslAlgor(c.oid, V_ASN1_OCTET_STRING, OsslString(V_ASN1_OCTET_STRING, kIv));
      break;
    case ParamKind::kAny: {
      a->has_params = true;
      a->any = kP256;
      const unsigned char* p = kP256.data();
      ASN1_OBJECT* curve = d2i_ASN1_OBJECT(nullptr, &p, static_cast<long>(kP256.size()));
      *theirs = OsslAlgor(c.oid, V_ASN1_OBJECT, curve);
      break;
    }
    case ParamKind::kDsa:
    case ParamKind::kAbsent:
      *theirs = OsslAlgor(c.oid, V_ASN1_UNDEF, nullptr);
      break;
    case ParamKind::kUnsupported:
      FAIL();
  }
}

TEST(AsnDerAlgId, EveryRowEncodesAsOpenSSLAndDecodesItsOwn) {
  for (const AlgCase& c : kAlgCases) {
    SCOPED_TRACE(c.oid);
    AlgId ours;
    Octets theirs;
    Fill(c, &ours, &theirs);
    const Octets mine = Built([&](DerBuilder& b) { return algIdEncode(ours, b); });
    EXPECT_EQ(mine, theirs);
    AlgId back;
    ASSERT_EQ(DecodeAll(theirs, [&](DerReader& r) { return algIdDecode(r, &back); }), 0);
    EXPECT_EQ(back.alg, c.alg);
    EXPECT_EQ(back.iv, ours.iv);
    EXPECT_EQ(back.any, ours.any);
    EXPECT_EQ(Built([&](DerBuilder& b) { return algIdEncode(back, b); }), theirs) << "round trip";
  }
}

// DSA: Dss-Parms of the sample CA key decode into OpenSSL's p, q, g and
// encode back byte for byte.
TEST(AsnDerAlgId, DssParmsOfTheSampleKey) {
  const Octets spki = ReadFile(Examples("keys/dsa-ca-key.pub.der"));
  pkixtest::PKey key = pkixtest::OsslPublicKey(spki);
  ASSERT_NE(key, nullptr);
  const unsigned char* p = spki.data();
  X509_PUBKEY* pub = d2i_X509_PUBKEY(nullptr, &p, static_cast<long>(spki.size()));
  ASSERT_NE(pub, nullptr);
  X509_ALGOR* alg = nullptr;
  X509_PUBKEY_get0_param(nullptr, nullptr, nullptr, &alg, pub);
  const Octets theirs = OsslDer([&](unsigned char** out) { return i2d_X509_ALGOR(alg, out); });
  X509_PUBKEY_free(pub);

  AlgId a;
  ASSERT_EQ(DecodeAll(theirs, [&](DerReader& r) { return algIdDecode(r, &a); }), 0);
  EXPECT_EQ(a.alg, PKI_ALG_DSA);
  EXPECT_TRUE(a.has_params);
  EXPECT_EQ(a.p, pkixtest::OsslNumber(key.get(), "p"));
  EXPECT_EQ(a.q, pkixtest::OsslNumber(key.get(), "q"));
  EXPECT_EQ(a.g, pkixtest::OsslNumber(key.get(), "g"));

  AlgId fresh;
  ASSERT_EQ(algIdSet(&fresh, PKI_ALG_SHA1_DSA), 0);
  fresh.has_params = true;
  fresh.p = a.p;
  fresh.q = a.q;
  fresh.g = a.g;
  AlgId parsed;
  const Octets enc = Built([&](DerBuilder& b) { return algIdEncode(fresh, b); });
  ASSERT_EQ(DecodeAll(enc, [&](DerReader& r) { return algIdDecode(r, &parsed); }), 0);
  EXPECT_EQ(parsed.alg, PKI_ALG_SHA1_DSA);
  EXPECT_EQ(parsed.p, a.p);
  ASSERT_EQ(algIdSet(&fresh, PKI_ALG_DSA), 0);
  fresh.has_params = true;
  fresh.p = a.p;
  fresh.q = a.q;
  fresh.g = a.g;
  EXPECT_EQ(Built([&](DerBuilder& b) { return algIdEncode(fresh, b); }), theirs);
}

// The lookup rules and every refusal, the cursor unmoved.
TEST(AsnDerAlgId, LookupRulesAndRefusals) {
  const Octets kNull = Tlv(0x05, {});
  const Octets kOidDesTeletrust = Tlv(0x06, {0x2B, 0x24, 0x03, 0x01, 0x01});
  const Octets kOidSha1 = Tlv(0x06, {0x2B, 0x0E, 0x03, 0x02, 0x1A});
  const Octets kOidRsa = Tlv(0x06, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01});
  const Octets kOidSha256 = Tlv(0x06, {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x01});
  const Octets kOidUnknown = Tlv(0x06, {0x2A, 0x03});
  const Octets kOidGostSc = Tlv(0x06, {0x2B, 0x06, 0x01, 0x04, 0x01, 0xAD, 0x59, 0x01, 0x01, 0x05});
  struct Case {
    const char* what;
    Octets der;
    int rc;         // 0, kDerRefused, or any negative (< 0 and not refused)
    pki_alg_t alg;  // on success
  };
  const Case kCases[] = {
      {"second DES identifier", Tlv(0x30, Cat({kOidDesTeletrust, Tlv(0x04, kIv)})), 0, PKI_ALG_DES_CBC},
      {"sha256 with NULL", Tlv(0x30, Cat({kOidSha256, kNull})), 0, PKI_ALG_SHA256},
      {"sha256 absent", Tlv(0x30, kOidSha256), 0, PKI_ALG_SHA256},
      {"unknown identifier", Tlv(0x30, Cat({kOidUnknown, kNull})), kDerRefused, 0},
      {"SC GOST not in this table", Tlv(0x30, Cat({kOidGostSc, kNull})), kDerRefused, 0},
      {"sha1 digest: no parameter class", Tlv(0x30, Cat({kOidSha1, kNull})), kDerRefused, 0},
      {"RSA without NULL", Tlv(0x30, kOidRsa), kDerRefused, 0},
      {"RSA with an INTEGER", Tlv(0x30, Cat({kOidRsa, Tlv(0x02, {1})})), kDerRefused, 0},
      {"RSA NULL with content", Tlv(0x30, Cat({kOidRsa, Tlv(0x05, {0})})), -1, 0},
      {"DES without IV", Tlv(0x30, kOidDesTeletrust), kDerRefused, 0},
      {"sha256 with an INTEGER", Tlv(0x30, Cat({kOidSha256, Tlv(0x02, {1})})), kDerRefused, 0},
      {"trailing element", Tlv(0x30, Cat({kOidRsa, kNull, kNull})), -1, 0},
      {"a SET, not a SEQUENCE", Tlv(0x31, Cat({kOidRsa, kNull})), -1, 0},
      {"no identifier", Tlv(0x30, kNull), -1, 0},
      {"empty", {}, -1, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    AlgId a;
    const int rc = DecodeAll(c.der, [&](DerReader& r) { return algIdDecode(r, &a); });
    if (c.rc == 0) {
      EXPECT_EQ(rc, 0);
      EXPECT_EQ(a.alg, c.alg);
    } else if (c.rc == kDerRefused) {
      EXPECT_EQ(rc, kDerRefused);
    } else {
      EXPECT_LT(rc, 0);
      EXPECT_NE(rc, kDerRefused);
    }
  }
  // 0x9 is written with the first DES identifier; SC GOST cannot be set.
  AlgId des;
  ASSERT_EQ(algIdSet(&des, PKI_ALG_DES_CBC), 0);
  des.iv = kIv;
  EXPECT_EQ(Built([&](DerBuilder& b) { return algIdEncode(des, b); }),
            Tlv(0x30, Cat({Tlv(0x06, {0x2B, 0x0E, 0x03, 0x02, 0x07}), Tlv(0x04, kIv)})));
  AlgId sc;
  EXPECT_EQ(algIdSet(&sc, PKI_ALG_GOST3410_SC), kDerRefused);
  EXPECT_EQ(sc.alg, PKI_ALG_NONE);
  // A NULL read with a SHA-2 digest is written back.
  AlgId sha;
  const Octets with_null = Tlv(0x30, Cat({kOidSha256, kNull}));
  ASSERT_EQ(DecodeAll(with_null, [&](DerReader& r) { return algIdDecode(r, &sha); }), 0);
  EXPECT_EQ(Built([&](DerBuilder& b) { return algIdEncode(sha, b); }), with_null);
}

// Every truncation of a good identifier fails without moving the cursor.
TEST(AsnDerAlgId, EveryTruncationFails) {
  AlgId a;
  ASSERT_EQ(algIdSet(&a, PKI_ALG_SHA256_RSA), 0);
  const Octets whole = Built([&](DerBuilder& b) { return algIdEncode(a, b); });
  for (size_t n = 0; n < whole.size(); ++n) {
    SCOPED_TRACE(n);
    Octets cut(whole.begin(), whole.begin() + static_cast<long>(n));
    AlgId out;
    EXPECT_LT(DecodeAll(cut, [&](DerReader& r) { return algIdDecode(r, &out); }), 0);
  }
}

// ---------------------------------------------------------------------------
// Attributes

Octets OsslAttribute(int nid, int type, const Octets& value) {
  X509_ATTRIBUTE* a = X509_ATTRIBUTE_create_by_NID(nullptr, nid, type, value.data(), static_cast<int>(value.size()));
  Octets der = OsslDer([&](unsigned char** p) { return i2d_X509_ATTRIBUTE(a, p); });
  X509_ATTRIBUTE_free(a);
  return der;
}

Octets OidContent(int type) {
  uint32_t n = 0;
  const uint32_t* arcs = attrArcs(type, &n);
  std::string dotted;
  for (uint32_t i = 0; i < n; ++i) dotted += (i ? "." : "") + std::to_string(arcs[i]);
  ASN1_OBJECT* o = OBJ_txt2obj(dotted.c_str(), 1);
  Octets v(OBJ_get0_data(o), OBJ_get0_data(o) + OBJ_length(o));
  ASN1_OBJECT_free(o);
  return v;
}

// The extension elements OpenSSL writes for a subjectAltName and a key
// usage, and the extensionRequest attribute of a request holding them.
std::vector<Octets> OsslExtensions(Octets* attribute) {
  X509_REQ* req = X509_REQ_new();
  STACK_OF(X509_EXTENSION)* exts = sk_X509_EXTENSION_new_null();
  sk_X509_EXTENSION_push(exts, X509V3_EXT_conf_nid(nullptr, nullptr, NID_subject_alt_name, "DNS:gw.example.com"));
  sk_X509_EXTENSION_push(exts, X509V3_EXT_conf_nid(nullptr, nullptr, NID_key_usage, "critical,digitalSignature"));
  std::vector<Octets> elements;
  for (int i = 0; i < sk_X509_EXTENSION_num(exts); ++i) {
    X509_EXTENSION* e = sk_X509_EXTENSION_value(exts, i);
    elements.push_back(OsslDer([&](unsigned char** p) { return i2d_X509_EXTENSION(e, p); }));
  }
  X509_REQ_add_extensions(req, exts);
  X509_ATTRIBUTE* attr = X509_REQ_get_attr(req, X509_REQ_get_attr_by_NID(req, NID_ext_req, -1));
  *attribute = OsslDer([&](unsigned char** p) { return i2d_X509_ATTRIBUTE(attr, p); });
  sk_X509_EXTENSION_pop_free(exts, X509_EXTENSION_free);
  X509_REQ_free(req);
  return elements;
}

TEST(AsnDerAttribute, EachPkcs9TypeAsOpenSSLWritesIt) {
  const Octets kPassword = {'s', '3', 'c', 'r', 'e', 't'};
  const Octets kName = {0, 'g', 0, 'w'};  // "gw" in UCS-2
  const Octets kKeyId = {0xDE, 0xAD, 0xBE, 0xEF};
  Octets ext_attr;
  const std::vector<Octets> exts = OsslExtensions(&ext_attr);
  const Octets ext_value = Built([&](DerBuilder& b) { return extensionsEncode(exts, b); });
  // the SEQUENCE's content, as the attribute keeps it
  Buffer whole{nullptr, const_cast<uint8_t*>(ext_value.data()), static_cast<uint32_t>(ext_value.size())};
  ASSERT_GT(asn1_der_decode(0x30, &whole), 0);
  const Octets ext_content(static_cast<const uint8_t*>(whole.data), ext_value.data() + ext_value.size());

  struct Case {
    int type;
    unsigned char tag;
    Octets value;
    Octets theirs;
  };
  const Case kCases[] = {
      {kAttrChallengePassword, 0x13, kPassword, OsslAttribute(NID_pkcs9_challengePassword, V_ASN1_PRINTABLESTRING, kPassword)},
      {kAttrFriendlyName, 0x1E, kName, OsslAttribute(NID_friendlyName, V_ASN1_BMPSTRING, kName)},
      {kAttrLocalKeyId, 0x04, kKeyId, OsslAttribute(NID_localKeyID, V_ASN1_OCTET_STRING, kKeyId)},
      {kAttrExtensionRequest, 0x30, ext_content, ext_attr},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.type);
    Attribute a;
    a.type = c.type;
    a.oid = OidContent(c.type);
    a.value_tag = c.tag;
    a.value = c.value;
    EXPECT_EQ(Built([&](DerBuilder& b) { return attributeEncode(a, b); }), c.theirs);
    Attribute back;
    ASSERT_EQ(DecodeAll(c.theirs, [&](DerReader& r) { return attributeDecode(r, c.type, &back); }), 0);
    EXPECT_EQ(back.type, c.type);
    EXPECT_EQ(back.value_tag, c.tag);
    EXPECT_EQ(back.value, c.value);
    Attribute any;
    ASSERT_EQ(DecodeAll(c.theirs, [&](DerReader& r) { return attributeDecodeAny(r, &any); }), 0);
    EXPECT_EQ(any.type, c.type) << "the identifier tells the type";
    // Another expected type refuses it.
    const int other = c.type == kAttrLocalKeyId ? kAttrFriendlyName : kAttrLocalKeyId;
    EXPECT_EQ(DecodeAll(c.theirs, [&](DerReader& r) { return attributeDecode(r, other, &back); }), kDerRefused);
  }
}

TEST(AsnDerAttribute, ValueKindsAndUnknownTypes) {
  const Octets kChallengeOid = Tlv(0x06, OidContent(kAttrChallengePassword));
  const Octets kUnknownOid = Tlv(0x06, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x02});  // unstructuredName
  struct Case {
    const char* what;
    Octets der;
    int rc;
  };
  const Case kCases[] = {
      {"PrintableString", Tlv(0x30, Cat({kChallengeOid, Tlv(0x31, Tlv(0x13, {'p', 'w'}))})), 0},
      {"UTF8String", Tlv(0x30, Cat({kChallengeOid, Tlv(0x31, Tlv(0x0C, {'p', 'w'}))})), 0},
      {"TeletexString", Tlv(0x30, Cat({kChallengeOid, Tlv(0x31, Tlv(0x14, {'p', 'w'}))})), 0},
      {"UniversalString", Tlv(0x30, Cat({kChallengeOid, Tlv(0x31, Tlv(0x1C, {0, 0, 0, 'p'}))})), 0},
      {"BMPString", Tlv(0x30, Cat({kChallengeOid, Tlv(0x31, Tlv(0x1E, {0, 'p'}))})), 0},
      {"INTEGER refused", Tlv(0x30, Cat({kChallengeOid, Tlv(0x31, Tlv(0x02, {1}))})), kDerRefused},
      {"IA5String refused", Tlv(0x30, Cat({kChallengeOid, Tlv(0x31, Tlv(0x16, {'p'}))})), kDerRefused},
      {"two values refused", Tlv(0x30, Cat({kChallengeOid, Tlv(0x31, Cat({Tlv(0x13, {'a'}), Tlv(0x13, {'b'})}))})),
       kDerRefused},
      {"no value", Tlv(0x30, Cat({kChallengeOid, Tlv(0x31, {})})), -1},
      {"values not a SET", Tlv(0x30, Cat({kChallengeOid, Tlv(0x30, Tlv(0x13, {'p'}))})), -1},
      {"no values at all", Tlv(0x30, kChallengeOid), -1},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    Attribute a;
    const int rc = DecodeAll(c.der, [&](DerReader& r) { return attributeDecode(r, kAttrChallengePassword, &a); });
    if (c.rc <= 0 && c.rc != -1) {
      EXPECT_EQ(rc, c.rc);
    } else {
      EXPECT_LT(rc, 0);
    }
    if (rc == 0) {
      EXPECT_EQ(Built([&](DerBuilder& b) { return attributeEncode(a, b); }), c.der);
    }
  }
  // An identifier not in the table: any-attribute, kept and written back
  // as it was, several values included.
  const Octets unknown = Tlv(0x30, Cat({kUnknownOid, Tlv(0x31, Cat({Tlv(0x16, {'a'}), Tlv(0x13, {'b'})}))}));
  Attribute any;
  ASSERT_EQ(DecodeAll(unknown, [&](DerReader& r) { return attributeDecodeAny(r, &any); }), 0);
  EXPECT_EQ(any.type, kAttrAny);
  EXPECT_EQ(any.oid, Octets({0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x02}));
  EXPECT_EQ(Built([&](DerBuilder& b) { return attributeEncode(any, b); }), unknown);
}

// The attributes of a request made by `openssl req` (tests/data/asn): the
// [0] set holds a challenge password, an unstructured name and an extension
// request, each decoded and written back byte for byte.
TEST(AsnDerAttribute, AttributesOfAnOpenSSLRequest) {
  const Octets csr = ReadFile(std::string(PKIX_SOURCE_DIR) + "/tests/data/asn/csr-attrs.der");
  const unsigned char* p = csr.data();
  X509_REQ* req = d2i_X509_REQ(nullptr, &p, static_cast<long>(csr.size()));
  ASSERT_NE(req, nullptr);
  std::vector<Octets> theirs;
  for (int i = 0; i < X509_REQ_get_attr_count(req); ++i) {
    X509_ATTRIBUTE* a = X509_REQ_get_attr(req, i);
    theirs.push_back(OsslDer([&](unsigned char** out) { return i2d_X509_ATTRIBUTE(a, out); }));
  }
  X509_REQ_free(req);
  ASSERT_EQ(theirs.size(), 3u);
  const int kTypes[] = {kAttrChallengePassword, kAttrAny, kAttrExtensionRequest};
  for (size_t i = 0; i < theirs.size(); ++i) {
    SCOPED_TRACE(i);
    Attribute a;
    ASSERT_EQ(DecodeAll(theirs[i], [&](DerReader& r) { return attributeDecodeAny(r, &a); }), 0);
    EXPECT_EQ(a.type, kTypes[i]);
    EXPECT_EQ(Built([&](DerBuilder& b) { return attributeEncode(a, b); }), theirs[i]);
  }
}

// ---------------------------------------------------------------------------
// Extensions

TEST(AsnDerExtensions, CountLimits) {
  const Octets ext = Tlv(0x30, Cat({Tlv(0x06, {0x55, 0x1D, 0x13}), Tlv(0x04, Tlv(0x30, {}))}));  // basicConstraints
  auto many = [&](size_t n) {
    Octets content;
    for (size_t i = 0; i < n; ++i) content = Cat({content, ext});
    return Tlv(0x30, content);
  };
  struct Case {
    size_t count;
    int rc;
  };
  const Case kCases[] = {{1, 0}, {20, 0}, {21, kDerRefused}, {0, kDerRefused}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.count);
    std::vector<Octets> list;
    const Octets der = many(c.count);
    EXPECT_EQ(DecodeAll(der, [&](DerReader& r) { return extensionsDecode(r, &list); }), c.rc);
    if (c.rc != 0) continue;
    EXPECT_EQ(list.size(), c.count);
    EXPECT_EQ(Built([&](DerBuilder& b) { return extensionsEncode(list, b); }), der);
  }
  std::vector<Octets> list;
  EXPECT_LT(DecodeAll(Tlv(0x31, ext), [&](DerReader& r) { return extensionsDecode(r, &list); }), 0) << "a SET";
  EXPECT_LT(DecodeAll(Tlv(0x30, Tlv(0x02, {1})), [&](DerReader& r) { return extensionsDecode(r, &list); }), 0);
}

// ---------------------------------------------------------------------------
// Enrolment structures

std::vector<std::string> SampleCerts() {
  std::vector<std::string> out;
  const std::string dir = Examples("certs");
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return out;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n.size() > 4 && n.compare(n.size() - 4, 4, ".der") == 0) out.push_back(dir + "/" + n);
  }
  closedir(d);
  return out;
}

TEST(AsnDerEnrolment, IssuerAndSerialOfEverySampleCertificate) {
  const std::vector<std::string> files = SampleCerts();
  ASSERT_GE(files.size(), 10u);
  for (const std::string& f : files) {
    SCOPED_TRACE(f);
    const Octets der = ReadFile(f);
    const unsigned char* p = der.data();
    X509* x = d2i_X509(nullptr, &p, static_cast<long>(der.size()));
    ASSERT_NE(x, nullptr);
    PKCS7_ISSUER_AND_SERIAL* ias = PKCS7_ISSUER_AND_SERIAL_new();
    X509_NAME_set(&ias->issuer, X509_get_issuer_name(x));
    ASN1_INTEGER_free(ias->serial);
    ias->serial = ASN1_INTEGER_dup(X509_get0_serialNumber(x));
    const Octets theirs = OsslDer([&](unsigned char** out) { return i2d_PKCS7_ISSUER_AND_SERIAL(ias, out); });
    PKCS7_ISSUER_AND_SERIAL_free(ias);
    IssuerAndSerial v;
    v.issuer = OsslDer([&](unsigned char** out) { return i2d_X509_NAME(X509_get_issuer_name(x), out); });
    const Octets serial = OsslDer([&](unsigned char** out) { return i2d_ASN1_INTEGER(X509_get0_serialNumber(x), out); });
    v.serial.assign(serial.begin() + 2, serial.end());  // short serials: 02 LL content
    X509_free(x);
    EXPECT_EQ(Built([&](DerBuilder& b) { return issuerAndSerialEncode(v, b); }), theirs);
    IssuerAndSerial back;
    ASSERT_EQ(DecodeAll(theirs, [&](DerReader& r) { return issuerAndSerialDecode(r, &back); }), 0);
    EXPECT_EQ(back.issuer, v.issuer);
    EXPECT_EQ(back.serial, v.serial);
  }
}

TEST(AsnDerEnrolment, StructuresAndTheirFailures) {
  const Octets kName = Tlv(0x30, Tlv(0x31, Tlv(0x30, Cat({Tlv(0x06, {0x55, 0x04, 0x03}), Tlv(0x13, {'C', 'A'})}))));
  const Octets kName2 = Tlv(0x30, Tlv(0x31, Tlv(0x30, Cat({Tlv(0x06, {0x55, 0x04, 0x03}), Tlv(0x13, {'E', 'E'})}))));
  const Octets kOne = Tlv(0x02, {0x01});
  const Octets kCdp = Tlv(0x30, Cat({Tlv(0x06, {0x55, 0x1D, 0x1F}),
                                     Tlv(0x04, Tlv(0x30, Tlv(0x30, Tlv(0xA0, Tlv(0xA0, Tlv(0x86, {'u'}))))))}));
  // SEQUENCE { N, INTEGER 1 } for serial 01 and issuer N.
  IssuerAndSerial ias{kName, {0x01}};
  EXPECT_EQ(Built([&](DerBuilder& b) { return issuerAndSerialEncode(ias, b); }), Tlv(0x30, Cat({kName, kOne})));
  // GetCert: issuer and subject.
  IssuerAndSubject iasub{kName, kName2};
  const Octets gcm = Tlv(0x30, Cat({kName, kName2}));
  EXPECT_EQ(Built([&](DerBuilder& b) { return issuerAndSubjectEncode(iasub, b); }), gcm);
  // GetCRL: issuer and serial, then the distribution points extension.
  IssuerAndDp dp{ias, kCdp};
  const Octets gcrl = Tlv(0x30, Cat({Tlv(0x30, Cat({kName, kOne})), kCdp}));
  EXPECT_EQ(Built([&](DerBuilder& b) { return issuerAndDpEncode(dp, b); }), gcrl);
  IssuerAndDp dp_back;
  ASSERT_EQ(DecodeAll(gcrl, [&](DerReader& r) { return issuerAndDpDecode(r, &dp_back); }), 0);
  EXPECT_EQ(dp_back.ias.issuer, kName);
  EXPECT_EQ(dp_back.extension, kCdp);

  IssuerAndSubject sub;
  struct Case {
    const char* what;
    Octets der;
  };
  const Case kBadGcm[] = {
      {"second name missing", Tlv(0x30, kName)},
      {"an INTEGER for the subject", Tlv(0x30, Cat({kName, kOne}))},
      {"trailing element", Tlv(0x30, Cat({kName, kName2, kOne}))},
      {"a SET around", Tlv(0x31, Cat({kName, kName2}))},
  };
  for (const Case& c : kBadGcm) {
    SCOPED_TRACE(c.what);
    EXPECT_LT(DecodeAll(c.der, [&](DerReader& r) { return issuerAndSubjectDecode(r, &sub); }), 0);
  }
  IssuerAndSerial bad;
  EXPECT_LT(DecodeAll(Tlv(0x30, Cat({kName, Tlv(0x02, {})})), [&](DerReader& r) { return issuerAndSerialDecode(r, &bad); }), 0)
      << "empty INTEGER";
  EXPECT_LT(DecodeAll(Tlv(0x30, Cat({kName2})), [&](DerReader& r) { return issuerAndSerialDecode(r, &bad); }), 0);
  EXPECT_EQ(Built([&](DerBuilder& b) { return issuerAndSerialEncode(IssuerAndSerial{}, b); }), Octets{});
}

}  // namespace
}  // namespace pkixasn
