// The certificate encoder: what it writes for given records, the order and
// flags of extensions, algorithm identifiers, keys and private keys, each
// read back by the parser; key encodings against the openssl-made files;
// the SHA-2 and ECDSA signature identifiers against OpenSSL's.
#include <gtest/gtest.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

#include <string>

#include "alg/oid2asn.h"
#include "alg/pki_static.h"
#include "testing/ossl_oracle.h"
#include "x509_testutil.h"

namespace x509test {
namespace {

// Encodes rec into a fresh buffer with the ten reserved octets.
struct Encoded {
  explicit Encoded(x509_cert_t* rec) : out(10) { code = x509_enc_cert(rec, out.get(), &tbs); }
  OwnedBuffer out;
  Buffer tbs = {};
  int code;
  Octets der() { return out.octets(); }
};

// A record with only what every certificate needs, from the hand-made
// certificate of the test helpers.
struct Minimal {
  explicit Minimal(const CertParts& p = CertParts()) : parsed(p.Der()) {}
  Parsed parsed;
  x509_cert_t* rec() { return parsed.get(); }
};

// The Extension elements of an encoded certificate, in order.
std::vector<Octets> ExtensionsOf(const Octets& der) {
  Parsed c(der);
  std::vector<Octets> out;
  if (c.code() != X509_OK) return out;
  Buffer in = c->extensions;
  while (in.len != 0) {
    const uint8_t* from = in.data;
    if (x509_parse_extension(&in, nullptr, nullptr, nullptr) < 0) break;
    out.push_back(Octets(from, static_cast<const uint8_t*>(in.data)));
  }
  return out;
}

TEST(X509EncCertTest, VersionElementOnlyWhenNotOne) {
  struct Case {
    uint16_t version;
    int code;
    std::string starts;  // the TBSCertificate's first octets
  } cases[] = {
      {0, X509_OK, "02"},            // straight to the serial
      {1, X509_OK, "A00302010102"},  // then the serial
      {2, X509_OK, "A00302010202"},
      {0xFFFF, X509_OK, "A00302010202"},  // unset: a new certificate is v3
      {3, X509_E_VERSION, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    Minimal m;
    m.rec()->version = c.version;
    Encoded e(m.rec());
    EXPECT_EQ(e.code, c.code);
    if (c.code != X509_OK) continue;
    Parsed back(e.der());
    ASSERT_EQ(back.code(), X509_OK);
    EXPECT_EQ(back->version, c.version == 0xFFFF ? 2 : c.version);
    Buffer content = back->tbs;
    ASSERT_GE(asn1_der_decode(0x30, &content), 0);
    EXPECT_EQ(ToHex(content.data, c.starts.size() / 2), c.starts);
  }
}

TEST(X509EncCertTest, TbsViewAndReservedRoom) {
  Parsed c(Fixture("ext.der"));
  ASSERT_EQ(c.code(), X509_OK);
  Encoded e(c.get());
  ASSERT_EQ(e.code, X509_OK);
  Parsed back(e.der());
  ASSERT_EQ(back.code(), X509_OK);
  EXPECT_EQ(Of(e.tbs), Of(back->tbs));
  EXPECT_GE(e.tbs.data, e.out.get()->data);
  EXPECT_LE(e.tbs.data + e.tbs.len, e.out.get()->data + e.out.get()->len);
  // Fewer than ten octets to step over.
  OwnedBuffer small(9);
  EXPECT_EQ(x509_enc_cert(c.get(), small.get(), nullptr), X509_E_SHORT);
  // More than ten: the rest is replaced, not kept in front.
  OwnedBuffer big(64);
  ASSERT_EQ(x509_enc_cert(c.get(), big.get(), nullptr), X509_OK);
  EXPECT_EQ(big.octets(), e.der());
  EXPECT_EQ(x509_enc_cert(nullptr, big.get(), nullptr), X509_E_NULL);
}

TEST(X509EncCertTest, ExtensionOrderAndCriticalFlags) {
  Octets ku = Ext(Hex("551D0F"), {0xFF}, Tlv(0x03, {0x07, 0x80}));
  Octets ski = Ext(Hex("551D0E"), {}, Tlv(0x04, {0x01, 0x02}));
  CertParts p;
  p.extensions = {ku, ski};
  Minimal m(p);
  ASSERT_EQ(m.parsed.code(), X509_OK);
  Encoded e(m.rec());
  ASSERT_EQ(e.code, X509_OK);
  // The key identifier first, only key usage critical.
  EXPECT_EQ(ExtensionsOf(e.der()), (std::vector<Octets>{ski, ku}));
}

TEST(X509EncCertTest, EveryKindOfExtensionComesBack) {
  // The fixture with every recognised extension and two unknown ones; the
  // name-constraints fixture for the subtrees and their critical flag.
  for (const char* name : {"ext.der", "nc.der"}) {
    SCOPED_TRACE(name);
    Parsed c(Fixture(name));
    ASSERT_EQ(c.code(), X509_OK);
    Encoded e(c.get());
    ASSERT_EQ(e.code, X509_OK);
    Parsed back(e.der());
    ASSERT_EQ(back.code(), X509_OK);
    EXPECT_EQ(back->critical, c->critical);
    for (auto field : {&x509_cert_t::nc_permitted, &x509_cert_t::nc_excluded, &x509_cert_t::basic_constraints,
                       &x509_cert_t::key_usage, &x509_cert_t::issuer_alt_name, &x509_cert_t::subject_alt_name,
                       &x509_cert_t::subject_key_id, &x509_cert_t::authority_key_id, &x509_cert_t::crl_dp,
                       &x509_cert_t::other_extns, &x509_cert_t::other_critical_extns}) {
      EXPECT_EQ(Of(back.get()->*field), Of(c.get()->*field));
    }
  }
  // The written order: unknown critical, unknown non-critical, then the
  // recognised from distribution points to name constraints.
  Parsed c(Fixture("ext.der"));
  std::vector<Octets> exts = ExtensionsOf(Encoded(c.get()).der());
  std::vector<std::string> oids;
  for (const Octets& x : exts) {
    Bytes b(x);
    Buffer in = b.View(), oid;
    x509_parse_extension(&in, &oid, nullptr, nullptr);
    oids.push_back(ToHex(Of(oid)));
  }
  EXPECT_EQ(oids, (std::vector<std::string>{"2B06010401868D1F07", "551D25", "2B06010401868D1F08", "551D1F",
                                            "551D23", "551D0E", "551D11", "551D12", "551D0F", "551D13"}));
}

TEST(X509EncExtensionsTest, MaskRestrictsToFiveExtensions) {
  Parsed c(Fixture("ext.der"));
  ASSERT_EQ(c.code(), X509_OK);
  struct Case {
    uint32_t mask;
    std::vector<std::string> oids;
  } cases[] = {
      {0, {}},
      {X509_CRIT_KEY_USAGE, {"551D0F"}},
      {X509_CRIT_SUBJECT_KEY_ID | X509_CRIT_BASIC_CONSTRAINTS, {"551D0E", "551D13"}},
      {0xFFFFFFFFu, {"551D0E", "551D11", "551D12", "551D0F", "551D13"}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.mask);
    OwnedBuffer out = OwnedBuffer::WithRoom(0);
    uint32_t mask = k.mask;
    ASSERT_EQ(x509_enc_extensions(c.get(), &mask, out.get()), X509_OK);
    Buffer in = *out.get();
    std::vector<std::string> got;
    while (in.len != 0) {
      Buffer oid;
      int critical = -1;
      ASSERT_GE(x509_parse_extension(&in, &oid, &critical, nullptr), 0);
      got.push_back(ToHex(Of(oid)));
      EXPECT_EQ(critical != 0, got.back() == "551D0F");
    }
    EXPECT_EQ(got, k.oids);
  }
}

TEST(X509EncExtensionsTest, OneExtension) {
  Octets value = Hex("30030101FF");
  for (uint8_t critical : {0, 1, 0x10}) {
    OwnedBuffer b(static_cast<uint32_t>(value.size()));
    std::memcpy(b.get()->data, value.data(), value.size());
    Bytes oid_bytes(Hex("551D13"));
    Buffer oid = oid_bytes.View();
    ASSERT_EQ(x509_enc_extension(&oid, critical, b.get()), X509_OK);
    EXPECT_EQ(b.octets(), Ext(Hex("551D13"), critical ? Octets{0xFF} : Octets{}, value));
  }
  Buffer empty = {};
  OwnedBuffer b(1);
  EXPECT_EQ(x509_enc_extension(&empty, 0, b.get()), X509_E_NULL);
}

TEST(X509EncAlgTest, IdentifiersOfTheCodes) {
  auto alg = [](uint16_t code, x509_key_params_t* params = nullptr) {
    OwnedBuffer out = OwnedBuffer::WithRoom(0);
    int r = x509_enc_alg(code, params, out.get());
    return r == X509_OK ? ToHex(out.octets()) : std::to_string(r);
  };
  EXPECT_EQ(alg(0x0201), "300B06092A864886F70D010105");
  EXPECT_EQ(alg(1), "300D06092A864886F70D0101010500");
  EXPECT_EQ(alg(0x0401), "300B06092A864886F70D010104");
  EXPECT_EQ(alg(0x0301), "300B06092A864886F70D010102");
  EXPECT_EQ(alg(0x0102), "300706052B0E03020D");
  EXPECT_EQ(alg(0x0104), alg(0x0102));
  EXPECT_EQ(alg(0x0202), "300906072A8648CE380403");
  EXPECT_EQ(alg(0x0204), alg(0x0202));
  EXPECT_EQ(alg(2), "300906072A8648CE380401");
  EXPECT_EQ(alg(4), "300706052B0E03020C");
  EXPECT_EQ(alg(5), "300906072A8648CE3E0201");
  EXPECT_EQ(alg(3), "300B06092A864886F70D010301");
  for (uint16_t bad : {0, 6, 0x0203, 0x0501, 0xFFFF}) EXPECT_EQ(alg(bad), std::to_string(X509_E_ENC_ALG)) << bad;
  // Parameters: the third only for DSA and DH.
  Bytes one(Hex("01")), two(Hex("02")), three(Hex("03"));
  x509_key_params_t p = {one.View(), two.View(), three.View()};
  EXPECT_EQ(alg(2, &p), "301406072A8648CE380401" "3009020101020102020103");
  EXPECT_EQ(alg(5, &p), "301106072A8648CE3E0201" "3006020101020102");
  EXPECT_EQ(alg(1, &p), "301306092A864886F70D010101" "3006020101020102");
}

// Every row of the conversion table without a vendor, as an encoder code
// (hash octet above base octet): the key algorithms 1 to 5 and the signature
// algorithms are written with the row's identifier, and with NULL exactly
// where the table's parameters column says so, except the RSA and DSA
// signatures of the older digests, which are written bare; the digests,
// ciphers and the EC key are no codes of the encoder.
TEST(X509EncAlgTest, IdentifiersComeFromTheConversionTable) {
  Oid2Asn enc;
  int written = 0;
  for (uint32_t i = 0; i < staticAlgSize; ++i) {
    const pki_alg_row& row = staticAlgTable[i];
    if (pki_alg_vendor(row.alg) != PKI_ALG_VENDOR_NONE || row.arcs == nullptr) continue;
    uint32_t base = pki_alg_base(row.alg), hash = pki_alg_hash(row.alg);
    uint16_t code = static_cast<uint16_t>(base | hash << 8);
    SCOPED_TRACE(code);
    OwnedBuffer out = OwnedBuffer::WithRoom(0);
    int r = x509_enc_alg(code, nullptr, out.get());
    bool signature = base != 0 && hash != 0;
    if (!signature && (base == 0 || base > X509_KEY_DH_X942)) {
      EXPECT_EQ(r, X509_E_ENC_ALG);
      continue;
    }
    ASSERT_EQ(r, X509_OK);
    ++written;
    Buffer in = *out.get(), oid, params;
    ASSERT_EQ(x509_parse_algid(&in, &oid, &params), X509_OK);
    ASSERT_TRUE(enc.asn(row.arcs, row.count));
    EXPECT_EQ(Of(oid), Octets(enc.data(), enc.data() + enc.length()));
    bool bare = signature && (base == PKI_ALG_BASE_RSA || base == PKI_ALG_BASE_DSA) && hash <= PKI_ALG_HASH_MD5;
    EXPECT_EQ(Of(params), row.null_params && !bare ? Hex("0500") : Octets{});
  }
  EXPECT_EQ(written, 5 + 16);
}

// The SHA-2 and ECDSA signature codes: the code, OpenSSL's algorithm and
// whether the identifier carries NULL parameters (RSA) or none (DSA, ECDSA).
struct SigCode {
  uint16_t code;
  int nid;
  bool null_params;
};
const SigCode kSha2AndEcdsaCodes[] = {
    {X509_ENC_SHA224_RSA, NID_sha224WithRSAEncryption, true},
    {X509_ENC_SHA256_RSA, NID_sha256WithRSAEncryption, true},
    {X509_ENC_SHA384_RSA, NID_sha384WithRSAEncryption, true},
    {X509_ENC_SHA512_RSA, NID_sha512WithRSAEncryption, true},
    {X509_ENC_DSA_SHA224, NID_dsa_with_SHA224, false},
    {X509_ENC_DSA_SHA256, NID_dsa_with_SHA256, false},
    {X509_ENC_ECDSA_SHA1, NID_ecdsa_with_SHA1, false},
    {X509_ENC_ECDSA_SHA224, NID_ecdsa_with_SHA224, false},
    {X509_ENC_ECDSA_SHA256, NID_ecdsa_with_SHA256, false},
    {X509_ENC_ECDSA_SHA384, NID_ecdsa_with_SHA384, false},
    {X509_ENC_ECDSA_SHA512, NID_ecdsa_with_SHA512, false},
};

// OpenSSL's DER of the AlgorithmIdentifier of nid, with NULL or without
// parameters.
Octets OpenSSLAlgId(int nid, bool null_params) {
  X509_ALGOR* a = X509_ALGOR_new();
  X509_ALGOR_set0(a, OBJ_nid2obj(nid), null_params ? V_ASN1_NULL : V_ASN1_UNDEF, nullptr);
  Octets out = pkixtest::OsslDer([&](unsigned char** p) { return i2d_X509_ALGOR(a, p); });
  X509_ALGOR_free(a);
  return out;
}

TEST(X509EncAlgTest, Sha2AndEcdsaIdentifiersAsOpenSSLWritesThem) {
  // Key parameters given with a signature code are not written.
  Bytes one(Hex("01")), two(Hex("02")), three(Hex("03"));
  x509_key_params_t p = {one.View(), two.View(), three.View()};
  for (const SigCode& c : kSha2AndEcdsaCodes) {
    SCOPED_TRACE(OBJ_nid2sn(c.nid));
    Octets want = OpenSSLAlgId(c.nid, c.null_params);
    ASSERT_FALSE(want.empty());
    for (x509_key_params_t* params : {static_cast<x509_key_params_t*>(nullptr), &p}) {
      OwnedBuffer out = OwnedBuffer::WithRoom(0);
      ASSERT_EQ(x509_enc_alg(c.code, params, out.get()), X509_OK);
      EXPECT_EQ(ToHex(out.octets()), ToHex(want));
    }
    // The code's octets: the hash above the base, as the algorithm numbering.
    int dig = NID_undef, pkey = NID_undef;
    ASSERT_EQ(OBJ_find_sigid_algs(c.nid, &dig, &pkey), 1);
    int want_pkey = (c.code & 0xFF) == 0x01 ? NID_rsaEncryption : (c.code & 0xFF) == 0x02 ? NID_dsa
                                                                                         : NID_X9_62_id_ecPublicKey;
    EXPECT_EQ(pkey, want_pkey);
  }
  // Neighbours of the new codes stay unknown: no SHA-2 DSA beyond SHA-256,
  // no ECDSA with MD5 or SHA, no bare EC key code.
  for (uint16_t bad : {0x0902, 0x0A02, 0x0410, 0x0110, 0x0010, 0x0B10, 0x0B01}) {
    OwnedBuffer out = OwnedBuffer::WithRoom(0);
    EXPECT_EQ(x509_enc_alg(bad, nullptr, out.get()), X509_E_ENC_ALG) << bad;
  }
}

// A certificate assembled field by field in a fresh record, with each new
// signature algorithm in both of its places. OpenSSL parses the DER, names
// the same signature algorithm in both, sees the same parameters and writes
// the same octets back; the TBS view is the TBSCertificate OpenSSL reads.
TEST(X509EncCertTest, Sha2AndEcdsaSignatureAlgorithmsInACertificate) {
  Octets spki = ReadFile(SourcePath("examples/keys/ec-user-key.pub.der"));
  ASSERT_FALSE(spki.empty());
  Octets issuer = Seq({Tlv(0x31, Seq({Tlv(0x06, Hex("550403")), Tlv(0x0C, {'C', 'A'})}))});
  Octets subject = Seq({Tlv(0x31, Seq({Tlv(0x06, Hex("550403")), Tlv(0x0C, {'E', 'E'})}))});
  Octets serial = {0x01, 0x02, 0x03};
  Octets signature = Hex("30060201010201 01");
  for (const SigCode& c : kSha2AndEcdsaCodes) {
    SCOPED_TRACE(OBJ_nid2sn(c.nid));
    OwnedBuffer alg = OwnedBuffer::WithRoom(0);
    ASSERT_EQ(x509_enc_alg(c.code, nullptr, alg.get()), X509_OK);
    Octets alg_der = alg.octets();
    Bytes alg_bytes(alg_der), spki_bytes(spki), issuer_bytes(issuer), subject_bytes(subject), serial_bytes(serial),
        sig_bytes(signature);
    Buffer in = alg_bytes.View(), oid, params;
    ASSERT_EQ(x509_parse_algid(&in, &oid, &params), X509_OK);

    Record rec;
    rec->version = 2;
    rec->serial = serial_bytes.View();
    rec->sig_alg_oid = oid;
    rec->sig_alg_params = params;
    rec->issuer = issuer_bytes.View();
    rec->subject = subject_bytes.View();
    rec->not_before = 1735689600;  // 2025-01-01
    rec->not_after = 2051222400;   // 2035-01-01
    rec->spki = spki_bytes.View();
    rec->signature = sig_bytes.View();
    OwnedBuffer out(10);
    Buffer tbs = {};
    ASSERT_EQ(x509_enc_cert(rec.get(), out.get(), &tbs), X509_OK);
    Octets der = out.octets();

    const unsigned char* p = der.data();
    X509* x = d2i_X509(nullptr, &p, static_cast<long>(der.size()));
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(p, der.data() + der.size());
    EXPECT_EQ(X509_get_signature_nid(x), c.nid);
    const X509_ALGOR* outer = nullptr;
    X509_get0_signature(nullptr, &outer, x);
    for (const X509_ALGOR* a : {outer, X509_get0_tbs_sigalg(x)}) {
      const ASN1_OBJECT* obj = nullptr;
      int ptype = -1;
      X509_ALGOR_get0(&obj, &ptype, nullptr, a);
      EXPECT_EQ(OBJ_obj2nid(obj), c.nid);
      EXPECT_EQ(ptype, c.null_params ? V_ASN1_NULL : V_ASN1_UNDEF);
      unsigned char* a_der = nullptr;
      int n = i2d_X509_ALGOR(a, &a_der);
      EXPECT_EQ(Octets(a_der, a_der + (n > 0 ? n : 0)), alg_der);
      OPENSSL_free(a_der);
    }
    EXPECT_EQ(X509_get_version(x), 2);
    // OpenSSL writes the same certificate and the same TBSCertificate.
    unsigned char* again = nullptr;
    int n = i2d_X509(x, &again);
    EXPECT_EQ(Octets(again, again + (n > 0 ? n : 0)), der);
    OPENSSL_free(again);
    unsigned char* tbs_der = nullptr;
    n = i2d_re_X509_tbs(x, &tbs_der);
    EXPECT_EQ(Octets(tbs_der, tbs_der + (n > 0 ? n : 0)), Of(tbs));
    OPENSSL_free(tbs_der);
    X509_free(x);
  }
}

// Parse an openssl-made key, write it again, compare the octets: public
// keys with x509_parse_key and x509_enc_key, private keys with
// asn1_der_decode_secret and asn1_der_encode_secret (the pairs have the
// same shapes).
TEST(X509EncKeyTest, KeysComeBackAsTheyWere) {
  using Parse = int (*)(Buffer*, uint16_t*, x509_key_params_t**, Buffer*);
  using Write = int (*)(uint16_t, x509_key_params_t*, Buffer*, Buffer*);
  struct Case {
    const char* file;
    Parse parse;
    Write write;
  } cases[] = {
      {"rsa.pub.der", x509_parse_key, x509_enc_key},
      {"dsa.pub.der", x509_parse_key, x509_enc_key},
      {"dh.pub.der", x509_parse_key, x509_enc_key},
      {"dsa.p8.der", asn1_der_decode_secret, asn1_der_encode_secret},
      {"dh.p8.der", asn1_der_decode_secret, asn1_der_encode_secret},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Octets der = Fixture(c.file);
    Bytes bytes(der);
    Buffer in = bytes.View(), value;
    uint16_t type = 0;
    x509_key_params_t* params = nullptr;
    ASSERT_EQ(c.parse(&in, &type, &params, &value), X509_OK);
    OwnedBuffer out = OwnedBuffer::WithRoom(16);
    EXPECT_EQ(c.write(type, params, &value, out.get()), X509_OK);
    EXPECT_EQ(ToHex(out.octets()), ToHex(der));
    // RSA without the parameters record writes the key value as it is.
    if (c.parse == x509_parse_key && type == X509_KEY_RSA) {
      OwnedBuffer again = OwnedBuffer::WithRoom(0);
      EXPECT_EQ(x509_enc_key(type, nullptr, &value, again.get()), X509_OK);
      EXPECT_EQ(again.octets(), der);
    }
    std::free(params);
  }
}

TEST(X509EncKeyTest, PublicKeyRefusals) {
  // X9.42 keys are read but not written; an empty value is refused.
  Bytes dhx(Fixture("dhx.pub.der"));
  Buffer in = dhx.View(), value, empty = {};
  uint16_t type;
  ASSERT_EQ(x509_parse_key(&in, &type, nullptr, &value), X509_OK);
  OwnedBuffer out = OwnedBuffer::WithRoom(0);
  EXPECT_EQ(x509_enc_key(type, nullptr, &value, out.get()), X509_E_PUBKEY_ALG);
  EXPECT_EQ(x509_enc_key(X509_KEY_DSA, nullptr, &empty, out.get()), X509_E_NULL);
  // Written in front of what the buffer already holds.
  OwnedBuffer tail(2);
  tail.get()->data[0] = 0x05;
  EXPECT_EQ(x509_enc_key(X509_KEY_DSA, nullptr, &value, tail.get()), X509_OK);
  EXPECT_EQ(tail.octets().back(), 0x00);
  EXPECT_EQ(tail.octets()[tail.octets().size() - 2], 0x05);
}

TEST(X509EncKeyTest, PrivateKeyLayoutOfThisModule) {
  // This module's own RSA layout: modulus and exponent as the parameters,
  // the private exponent as the value.
  Bytes n(Hex("00C1")), e(Hex("03")), d(Hex("4B"));
  x509_key_params_t p = {n.View(), e.View(), {}};
  Buffer dv = d.View();
  OwnedBuffer out = OwnedBuffer::WithRoom(0);
  ASSERT_EQ(asn1_der_encode_secret(X509_KEY_RSA, &p, &dv, out.get()), X509_OK);
  Buffer in = *out.get(), value;
  uint16_t type = 0;
  x509_key_params_t* back = nullptr;
  ASSERT_EQ(asn1_der_decode_secret(&in, &type, &back, &value), X509_OK);
  EXPECT_EQ(type, X509_KEY_RSA);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(Of(back->first), Hex("00C1"));
  EXPECT_EQ(Of(back->second), Hex("03"));
  EXPECT_EQ(Of(value), Hex("4B"));
  std::free(back);
  // The output must be empty; the value must be given.
  EXPECT_EQ(asn1_der_encode_secret(X509_KEY_RSA, &p, &dv, out.get()), X509_E_NULL);
  Buffer empty = {};
  OwnedBuffer fresh = OwnedBuffer::WithRoom(0);
  EXPECT_EQ(asn1_der_encode_secret(X509_KEY_DSA, nullptr, &empty, fresh.get()), X509_E_NULL);
  EXPECT_EQ(asn1_der_encode_secret(0x77, nullptr, &dv, fresh.get()), X509_E_ENC_ALG);
}

}  // namespace
}  // namespace x509test
