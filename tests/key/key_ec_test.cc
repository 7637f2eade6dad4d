// Elliptic-curve keys generated with the openssl command (tests/data/key,
// make-keys ec) over P-256, P-384, P-521 and secp256k1, read by the key
// object and by OpenSSL from the same bytes: point, scalar, curve and size
// must equal OpenSSL's, and what the key writes must be byte-identical to
// OpenSSL's SubjectPublicKeyInfo and PKCS #8, also when written afresh from
// the attributes. Malformed keys are refused and leave the key as it was.
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

#include "key/eckey.h"
#include "key_testutil.h"
#include "testing/ossl_oracle.h"

namespace keytest {
namespace {

using x509test::Cat;
using x509test::Int;
using x509test::Seq;
using x509test::Tlv;

struct CurveCase {
  const char* name;  // the fixture's base name
  uint32_t bits;
};

const CurveCase kCases[] = {{"ec-p-256", 256}, {"ec-p-384", 384}, {"ec-p-521", 521}, {"ec-secp256k1", 256}};

const char kECKeyOid[] = "2A8648CE3D0201";
const char kP256[] = "06082A8648CE3D030107";
const char kP384[] = "06052B81040022";

// ---- OpenSSL's view ---------------------------------------------------------

using pkixtest::OsslPrivateKey;
using pkixtest::OsslPublicKey;
using pkixtest::PKey;

Bytes OsslPoint(EVP_PKEY* k) { return pkixtest::OsslOctets(k, OSSL_PKEY_PARAM_PUB_KEY); }

// The private scalar as OpenSSL writes it: padded to the field's octets.
Bytes OsslScalar(EVP_PKEY* k, uint32_t bits) {
  BIGNUM* bn = nullptr;
  if (EVP_PKEY_get_bn_param(k, OSSL_PKEY_PARAM_PRIV_KEY, &bn) != 1) return {};
  Bytes b((bits + 7) / 8);
  BN_bn2binpad(bn, b.data(), static_cast<int>(b.size()));
  BN_free(bn);
  return b;
}

// The DER OBJECT IDENTIFIER element of the key's group.
Bytes OsslCurve(EVP_PKEY* k) {
  char name[80];
  size_t len = 0;
  if (EVP_PKEY_get_utf8_string_param(k, OSSL_PKEY_PARAM_GROUP_NAME, name, sizeof name, &len) != 1) return {};
  ASN1_OBJECT* obj = OBJ_txt2obj(name, 0);
  if (obj == nullptr) return {};
  Bytes out = pkixtest::OsslDer([&](unsigned char** p) { return i2d_ASN1_OBJECT(obj, p); });
  ASN1_OBJECT_free(obj);
  return out;
}

Bytes OsslSpki(EVP_PKEY* k) {
  return pkixtest::OsslDer([&](unsigned char** p) { return i2d_PUBKEY(k, p); });
}

Bytes OsslPkcs8(EVP_PKEY* k) {
  PKCS8_PRIV_KEY_INFO* info = EVP_PKEY2PKCS8(k);
  if (info == nullptr) return {};
  Bytes out = pkixtest::OsslDer([&](unsigned char** p) { return i2d_PKCS8_PRIV_KEY_INFO(info, p); });
  PKCS8_PRIV_KEY_INFO_free(info);
  return out;
}

// ---- the key object's view
// ----------------------------------------------------


TKey* Parse(TKey::key_type_t kind, const Bytes& der) {
  return createTKey(kind, der.data(), static_cast<unsigned>(der.size()));
}

int SetRaw(TKey* k, const Bytes& der) { return k->setRaw(der.data(), static_cast<unsigned>(der.size())); }

int Set(TKey* k, TKey::aka_t a, const Bytes& v) {
  BufRef b(Buf(v));
  return k->setParam(a, b.get());
}

// A key of kind and algorithm EC with the given attributes, nothing parsed.
TKey* Built(TKey::key_type_t kind, const Bytes& curve, const Bytes& value, const Bytes& point = {}) {
  TKey* k = createTKey(kind);
  k->setAlg(PKI_ALG_EC);
  Set(k, TKey::AKA_ALG_PARAMS, curve);
  BufRef v(Buf(value));
  k->setKey(v.get());
  if (!point.empty()) Set(k, TKey::AKA_X16, point);
  return k;
}

Bytes Spki(const Bytes& curve, const Bytes& point) {
  return Seq({Seq({Tlv(0x06, Hex(kECKeyOid)), curve}), Tlv(0x03, Cat({Bytes{0}, point}))});
}

// ECPrivateKey with [0] curve and [1] point when given.
Bytes Sec1(const Bytes& scalar, const Bytes& curve, const Bytes& point = {}) {
  return Seq({Int({1}), Tlv(0x04, scalar), curve.empty() ? Bytes{} : Tlv(0xA0, curve),
              point.empty() ? Bytes{} : Tlv(0xA1, Tlv(0x03, Cat({Bytes{0}, point})))});
}

Bytes Pkcs8(const Bytes& curve, const Bytes& inner) {
  return Seq({Int({0}), Seq({Tlv(0x06, Hex(kECKeyOid)), curve}), Tlv(0x04, inner)});
}

class KeyECTest : public KeyTest {};

// ---- agreement with OpenSSL
// -----------------------------------------------------

TEST_F(KeyECTest, PublicKeysAgreeWithOpenSSL) {
  for (const CurveCase& c : kCases) {
    SCOPED_TRACE(c.name);
    Bytes der = ReadFile(KeyData(c.name) + ".pub.der");
    PKey ossl = OsslPublicKey(der);
    ASSERT_TRUE(ossl);
    KeyRef k(Parse(TKey::KT_PUBLIC, der));
    ASSERT_NE(k.get(), nullptr);
    EXPECT_EQ(k->getAlg(), PKI_ALG_EC);
    EXPECT_EQ(Take(k->getKey()), OsslPoint(ossl.get()));
    EXPECT_EQ(Attr(k.get(), TKey::AKA_KEY), OsslPoint(ossl.get()));
    EXPECT_EQ(Attr(k.get(), TKey::AKA_ALG_PARAMS), OsslCurve(ossl.get()));
    EXPECT_EQ(Bits(k.get()), static_cast<uint32_t>(EVP_PKEY_get_bits(ossl.get())));
    EXPECT_EQ(Bits(k.get()), c.bits);
    EXPECT_EQ(Take(k->getRaw()), OsslSpki(ossl.get()));
    // The map's order: value, size, curve.
    EXPECT_EQ(Take(k->getParam(0u)), OsslPoint(ossl.get()));
    EXPECT_EQ(Take(k->getParam(2u)), OsslCurve(ossl.get()));

    // Written afresh from the two attributes.
    KeyRef built(Built(TKey::KT_PUBLIC, OsslCurve(ossl.get()), OsslPoint(ossl.get())));
    EXPECT_EQ(Take(built->getRaw()), der);
    EXPECT_EQ(Bits(built.get()), c.bits);
  }
}

TEST_F(KeyECTest, PrivateKeysAgreeWithOpenSSLInBothForms) {
  for (const CurveCase& c : kCases) {
    Bytes p8 = ReadFile(KeyData(c.name) + ".p8.der");
    for (const char* form : {".p8.der", ".sec1.der"}) {
      SCOPED_TRACE(std::string(c.name) + form);
      Bytes der = ReadFile(KeyData(c.name) + form);
      PKey ossl = OsslPrivateKey(der);
      ASSERT_TRUE(ossl);
      KeyRef k(Parse(TKey::KT_PRIVATE, der));
      ASSERT_NE(k.get(), nullptr);
      EXPECT_EQ(k->getAlg(), PKI_ALG_EC);
      EXPECT_EQ(Attr(k.get(), TKey::AKA_KEY), OsslScalar(ossl.get(), c.bits));
      EXPECT_EQ(Attr(k.get(), TKey::AKA_X16), OsslPoint(ossl.get()));
      EXPECT_EQ(Attr(k.get(), TKey::AKA_ALG_PARAMS), OsslCurve(ossl.get()));
      EXPECT_EQ(Bits(k.get()), static_cast<uint32_t>(EVP_PKEY_get_bits(ossl.get())));
      // PKCS #8 whatever the form read, as OpenSSL writes it.
      EXPECT_EQ(Take(k->getRaw()), OsslPkcs8(ossl.get()));
      EXPECT_EQ(Take(k->getRaw()), p8);
    }
  }
}

TEST_F(KeyECTest, PrivateKeysWrittenFromAttributes) {
  for (const CurveCase& c : kCases) {
    SCOPED_TRACE(c.name);
    Bytes p8 = ReadFile(KeyData(c.name) + ".p8.der");
    PKey ossl = OsslPrivateKey(p8);
    ASSERT_TRUE(ossl);
    Bytes scalar = OsslScalar(ossl.get(), c.bits);
    Bytes curve = OsslCurve(ossl.get());
    KeyRef with_point(Built(TKey::KT_PRIVATE, curve, scalar, OsslPoint(ossl.get())));
    EXPECT_EQ(Take(with_point->getRaw()), p8);

    // Without the point: OpenSSL reads the result as the same key and
    // computes the same point.
    KeyRef bare(Built(TKey::KT_PRIVATE, curve, scalar));
    Bytes written = Take(bare->getRaw());
    PKey back = OsslPrivateKey(written);
    ASSERT_TRUE(back);
    EXPECT_EQ(OsslScalar(back.get(), c.bits), scalar);
    EXPECT_EQ(OsslPoint(back.get()), OsslPoint(ossl.get()));
    // And so does the key object, without a point to keep.
    KeyRef again(Parse(TKey::KT_PRIVATE, written));
    ASSERT_NE(again.get(), nullptr);
    EXPECT_EQ(Attr(again.get(), TKey::AKA_KEY), scalar);
    EXPECT_EQ(Attr(again.get(), TKey::AKA_X16), Bytes{});
  }
}

TEST_F(KeyECTest, CompressedPointIsAPublicKey) {
  Bytes der = ReadFile(KeyData("ec-p-256.pub.der"));
  PKey full = OsslPublicKey(der);
  ASSERT_TRUE(full);
  Bytes point = OsslPoint(full.get());
  Bytes compressed(point.begin(), point.begin() + 33);
  compressed[0] = (point.back() & 1) != 0 ? 0x03 : 0x02;
  Bytes spki = Spki(Hex(kP256), compressed);
  PKey ossl = OsslPublicKey(spki);
  ASSERT_TRUE(ossl);  // OpenSSL takes it for the same key
  KeyRef k(Parse(TKey::KT_PUBLIC, spki));
  ASSERT_NE(k.get(), nullptr);
  EXPECT_EQ(Attr(k.get(), TKey::AKA_KEY), compressed);
  EXPECT_EQ(Bits(k.get()), 256u);
  EXPECT_EQ(Take(k->getRaw()), spki);
}

TEST_F(KeyECTest, FingerprintInputIsThePoint) {
  Bytes pub = ReadFile(KeyData("ec-p-384.pub.der"));
  Bytes p8 = ReadFile(KeyData("ec-p-384.p8.der"));
  PKey ossl = OsslPublicKey(pub);
  ASSERT_TRUE(ossl);
  Bytes point = OsslPoint(ossl.get());
  unsigned char md5[EVP_MAX_MD_SIZE];
  unsigned md5_len = 0;
  ASSERT_EQ(EVP_Digest(point.data(), point.size(), md5, &md5_len, EVP_md5(), nullptr), 1);
  for (auto kind : {TKey::KT_PUBLIC, TKey::KT_PRIVATE}) {
    KeyRef k(Parse(kind, kind == TKey::KT_PUBLIC ? pub : p8));
    ASSERT_NE(k.get(), nullptr);
    EXPECT_EQ(Take(k->getMD5()), Bytes(md5, md5 + md5_len));
  }
  {
    X509Key owner(TKey::KT_PUBLIC);
    ECPubKey body;
    body.fitX509Key(&owner);
    ASSERT_EQ(body.setRaw(pub.data(), static_cast<unsigned>(pub.size())), 0);
    EXPECT_EQ(Take(body.getHashInput()), point);
  }
  {
    // A private key's input is the public point it keeps, so both halves of
    // a pair share one fingerprint.
    X509Key owner(TKey::KT_PRIVATE);
    ECPrivKey body;
    body.fitX509Key(&owner);
    ASSERT_EQ(body.setRaw(p8.data(), static_cast<unsigned>(p8.size())), 0);
    EXPECT_EQ(Take(body.getHashInput()), point);
    Bytes bare = Sec1(Attr(&owner, TKey::AKA_KEY), Hex(kP384));
    ASSERT_EQ(body.setRaw(bare.data(), static_cast<unsigned>(bare.size())), 0);
    EXPECT_EQ(body.getHashInput(), nullptr);
    EXPECT_EQ(body.error(), pkixrc::kUnavailable);
  }
}

// Every curve of the table, with keys OpenSSL generates: sizes, encodings,
// and the order bounding the scalar (n - 1 taken, n refused). A curve
// OpenSSL knows and the table does not is refused with 5.
TEST_F(KeyECTest, EveryNamedCurveAgreesWithOpenSSL) {
  const char* names[] = {"prime192v1", "secp224r1",       "prime256v1",      "secp384r1",      "secp521r1",
                         "secp256k1",  "brainpoolP256r1", "brainpoolP384r1", "brainpoolP512r1"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    PKey gen(EVP_EC_gen(name));
    ASSERT_TRUE(gen);
    uint32_t bits = static_cast<uint32_t>(EVP_PKEY_get_bits(gen.get()));
    Bytes curve = OsslCurve(gen.get());
    Bytes spki = OsslSpki(gen.get());
    Bytes p8 = OsslPkcs8(gen.get());
    KeyRef pub(Parse(TKey::KT_PUBLIC, spki));
    KeyRef priv(Parse(TKey::KT_PRIVATE, p8));
    ASSERT_NE(pub.get(), nullptr);
    ASSERT_NE(priv.get(), nullptr);
    EXPECT_EQ(Bits(pub.get()), bits);
    EXPECT_EQ(Bits(priv.get()), bits);
    EXPECT_EQ(Attr(pub.get(), TKey::AKA_ALG_PARAMS), curve);
    EXPECT_EQ(Take(pub->getRaw()), spki);
    EXPECT_EQ(Attr(priv.get(), TKey::AKA_KEY), OsslScalar(gen.get(), bits));
    KeyRef rebuilt(Built(TKey::KT_PRIVATE, curve, OsslScalar(gen.get(), bits), OsslPoint(gen.get())));
    EXPECT_EQ(Take(rebuilt->getRaw()), p8);

    EC_GROUP* group = EC_GROUP_new_by_curve_name(OBJ_sn2nid(name));
    ASSERT_NE(group, nullptr);
    BIGNUM* n = BN_dup(EC_GROUP_get0_order(group));
    Bytes order((bits + 7) / 8);
    BN_bn2binpad(n, order.data(), static_cast<int>(order.size()));
    BN_sub_word(n, 1);
    Bytes below(order.size());
    BN_bn2binpad(n, below.data(), static_cast<int>(below.size()));
    BN_free(n);
    EC_GROUP_free(group);
    KeyRef k(createTKey(TKey::KT_PRIVATE));
    EXPECT_EQ(SetRaw(k.get(), Pkcs8(curve, Sec1(below, {}))), 0);
    EXPECT_EQ(SetRaw(k.get(), Pkcs8(curve, Sec1(order, {}))), pkixrc::kWrongType);
  }
  PKey other(EVP_EC_gen("secp192k1"));
  ASSERT_TRUE(other);
  KeyRef pub(createTKey(TKey::KT_PUBLIC));
  EXPECT_EQ(SetRaw(pub.get(), OsslSpki(other.get())), pkixrc::kWrongType);
  KeyRef priv(createTKey(TKey::KT_PRIVATE));
  EXPECT_EQ(SetRaw(priv.get(), OsslPkcs8(other.get())), pkixrc::kWrongType);
}

// A private key and its public half sign and verify through the crypto
// service; another key of the same curve does not verify.
TEST_F(KeyECTest, PairsAreConsistent) {
  for (const CurveCase& c : kCases) {
    SCOPED_TRACE(c.name);
    KeyRef priv(Parse(TKey::KT_PRIVATE, ReadFile(KeyData(c.name) + ".sec1.der")));
    KeyRef pub(Parse(TKey::KT_PUBLIC, ReadFile(KeyData(c.name) + ".pub.der")));
    ASSERT_NE(priv.get(), nullptr);
    ASSERT_NE(pub.get(), nullptr);
    EXPECT_EQ(priv->isConsistent(pub.get(), 0), 1) << priv->error();
    EXPECT_EQ(pub->isConsistent(priv.get(), 1), 1) << pub->error();
  }
  PKey other(EVP_EC_gen("prime256v1"));
  ASSERT_TRUE(other);
  KeyRef priv(Parse(TKey::KT_PRIVATE, ReadFile(KeyData("ec-p-256.p8.der"))));
  KeyRef stranger(Parse(TKey::KT_PUBLIC, OsslSpki(other.get())));
  ASSERT_NE(stranger.get(), nullptr);
  EXPECT_EQ(priv->isConsistent(stranger.get(), 0), 0);
  EXPECT_NE(priv->error(), 0);
}

// ---- the size follows the curve
// -------------------------------------------------

TEST_F(KeyECTest, SizeFollowsTheCurveAndCannotBeSet) {
  KeyRef k(Parse(TKey::KT_PUBLIC, ReadFile(KeyData("ec-p-256.pub.der"))));
  ASSERT_NE(k.get(), nullptr);
  EXPECT_EQ(Bits(k.get()), 256u);
  EXPECT_EQ(Set(k.get(), TKey::AKA_BITS, {0, 0, 1, 0}), pkixrc::kBadArgument);
  ASSERT_EQ(Set(k.get(), TKey::AKA_ALG_PARAMS, Hex(kP384)), 0);
  EXPECT_EQ(Bits(k.get()), 384u);
  // A P-256 point does not fit P-384: nothing is written.
  EXPECT_EQ(k->getRaw(), nullptr);
  EXPECT_EQ(k->error(), pkixrc::kWrongType);
  ASSERT_EQ(Set(k.get(), TKey::AKA_ALG_PARAMS, Hex("06082A8648CE3D030199")), 0);
  EXPECT_EQ(k->getParam(TKey::AKA_BITS), nullptr);
  EXPECT_EQ(k->error(), pkixrc::kWrongType);  // a curve outside the table has no known size
}

// ---- refusals
// ------------------------------------------------------------------

struct Refusal {
  const char* what;
  TKey::key_type_t kind;
  Bytes der;
  int code;
  // Bytes that are no private-key structure at all are taken for PKCS #1,
  // so a key whose algorithm is already EC refuses them with 5.
  bool unrecognised = false;
};

std::vector<Refusal> Refusals() {
  PKey pub = OsslPublicKey(ReadFile(KeyData("ec-p-256.pub.der")));
  PKey priv = OsslPrivateKey(ReadFile(KeyData("ec-p-256.p8.der")));
  Bytes point = OsslPoint(pub.get());
  Bytes scalar = OsslScalar(priv.get(), 256);
  Bytes p256 = Hex(kP256);
  Bytes order = Hex("FFFFFFFF00000000FFFFFFFFFFFFFFFFBCE6FAADA7179E84F3B9CAC2FC632551");
  Bytes unknown = Hex("06082A8648CE3D030199");
  Bytes explicit_params = Seq({Int({1}), Seq({Tlv(0x06, Hex("2A8648CE3D0101")), Int({0x17})})});
  Bytes short_point(point.begin(), point.end() - 1);
  Bytes long_scalar = Cat({Bytes{0x01}, scalar});
  const auto pub_k = TKey::KT_PUBLIC;
  const auto priv_k = TKey::KT_PRIVATE;
  return {
      {"unknown curve", pub_k, Spki(unknown, point), pkixrc::kWrongType},
      {"explicit parameters", pub_k, Spki(explicit_params, point), pkixrc::kWrongType},
      {"no parameters", pub_k, Spki({}, point), pkixrc::kFailed},
      {"two elements as parameters", pub_k, Spki(Cat({p256, p256}), point), pkixrc::kFailed},
      {"point one octet short", pub_k, Spki(p256, short_point), pkixrc::kWrongType},
      {"point of P-384 length", pub_k, Spki(p256, Cat({point, Bytes(32, 0x11)})), pkixrc::kWrongType},
      {"point of unknown form", pub_k, Spki(p256, Cat({Bytes{0x05}, Bytes(point.begin() + 1, point.end())})),
       pkixrc::kWrongType},
      {"empty point", pub_k, Spki(p256, {}), pkixrc::kWrongType},
      {"scalar equal to the order", priv_k, Pkcs8(p256, Sec1(order, {})), pkixrc::kWrongType},
      {"scalar above the order", priv_k,
       Sec1(Hex("FFFFFFFF10000000FFFFFFFFFFFFFFFFBCE6FAADA7179E84F3B9CAC2FC6325"
                "51"),
            p256),
       5},
      {"scalar longer than the order", priv_k, Pkcs8(p256, Sec1(long_scalar, {})), pkixrc::kWrongType},
      {"scalar zero", priv_k, Sec1(Bytes(32, 0), p256), pkixrc::kWrongType},
      {"empty scalar", priv_k, Sec1({}, p256), pkixrc::kWrongType},
      {"private point one octet short", priv_k, Pkcs8(p256, Sec1(scalar, {}, short_point)), pkixrc::kWrongType},
      {"curves that differ", priv_k, Pkcs8(p256, Sec1(scalar, Hex(kP384))), pkixrc::kWrongType},
      {"unknown private curve", priv_k, Pkcs8(unknown, Sec1(scalar, {})), pkixrc::kWrongType},
      {"bare key without a curve", priv_k, Sec1(scalar, {}), pkixrc::kFailed},
      {"version 2", priv_k, Pkcs8(p256, Seq({Int({2}), Tlv(0x04, scalar)})), pkixrc::kFailed},
      {"element after the ECPrivateKey", priv_k, Pkcs8(p256, Cat({Sec1(scalar, {}, point), Bytes{0x05, 0x00}})), 9,
       true},
      {"trailing field inside", priv_k,
       Pkcs8(p256, Seq({Int({1}), Tlv(0x04, scalar), Tlv(0xA1, Tlv(0x03, Cat({Bytes{0}, point}))), Int({1})})),
       pkixrc::kFailed},
      {"[1] not a BIT STRING", priv_k, Pkcs8(p256, Seq({Int({1}), Tlv(0x04, scalar), Tlv(0xA1, Tlv(0x04, point))})),
       pkixrc::kFailed},
      {"PKCS #8 holding an INTEGER", priv_k, Pkcs8(p256, Int(scalar)), pkixrc::kFailed},
  };
}

TEST_F(KeyECTest, BadKeysAreRefusedAndLeaveTheKeyUnchanged) {
  for (const Refusal& r : Refusals()) {
    SCOPED_TRACE(r.what);
    // A fresh key stays without algorithm.
    KeyRef fresh(createTKey(r.kind));
    EXPECT_EQ(SetRaw(fresh.get(), r.der), r.code);
    EXPECT_EQ(fresh->getAlg(), 0u);
    // A key holding another EC key keeps it whole.
    Bytes good = ReadFile(KeyData(r.kind == TKey::KT_PUBLIC ? "ec-p-521.pub.der" : "ec-p-521.p8.der"));
    KeyRef held(Parse(r.kind, good));
    ASSERT_NE(held.get(), nullptr);
    Bytes value = Attr(held.get(), TKey::AKA_KEY);
    EXPECT_EQ(SetRaw(held.get(), r.der), r.unrecognised ? pkixrc::kWrongType : r.code);
    EXPECT_EQ(held->getAlg(), PKI_ALG_EC);
    EXPECT_EQ(Attr(held.get(), TKey::AKA_KEY), value);
    EXPECT_EQ(Attr(held.get(), TKey::AKA_ALG_PARAMS), Hex("06052B81040023"));
    EXPECT_EQ(Bits(held.get()), 521u);
    EXPECT_EQ(Take(held->getRaw()), good);
  }
}

TEST_F(KeyECTest, EveryTruncationIsRefused) {
  for (const char* file : {"ec-p-256.pub.der", "ec-p-256.p8.der", "ec-p-256.sec1.der"}) {
    SCOPED_TRACE(file);
    Bytes der = ReadFile(KeyData(file));
    auto kind = std::string(file).find(".pub.") != std::string::npos ? TKey::KT_PUBLIC : TKey::KT_PRIVATE;
    for (size_t n = 1; n < der.size(); ++n) {
      Bytes cut(der.begin(), der.begin() + n);
      KeyRef fresh(createTKey(kind));
      EXPECT_EQ(SetRaw(fresh.get(), cut), pkixrc::kFailed) << n << " octets";
      EXPECT_EQ(fresh->getAlg(), 0u);
      // With the algorithm set, a cut that no longer names EC is taken for
      // PKCS #1 and refused as another algorithm.
      KeyRef ec(createTKey(kind));
      ec->setAlg(PKI_ALG_EC);
      int rc = SetRaw(ec.get(), cut);
      EXPECT_TRUE(rc == pkixrc::kFailed || (rc == pkixrc::kWrongType && kind == TKey::KT_PRIVATE))
          << n << " octets: " << rc;
      EXPECT_EQ(ec->getAlg(), PKI_ALG_EC);
      EXPECT_EQ(ec->getKey(), nullptr);
    }
  }
}

TEST_F(KeyECTest, ScalarJustBelowTheOrderIsAccepted) {
  Bytes below = Hex("FFFFFFFF00000000FFFFFFFFFFFFFFFFBCE6FAADA7179E84F3B9CAC2FC632550");
  Bytes one = Cat({Bytes(31, 0), Bytes{1}});
  for (const Bytes& scalar : {below, one}) {
    Bytes der = Pkcs8(Hex(kP256), Sec1(scalar, {}));
    ASSERT_TRUE(OsslPrivateKey(der));  // OpenSSL takes it too
    KeyRef k(Parse(TKey::KT_PRIVATE, der));
    ASSERT_NE(k.get(), nullptr);
    EXPECT_EQ(Attr(k.get(), TKey::AKA_KEY), scalar);
    EXPECT_EQ(Take(k->getRaw()), der);
  }
}

// ---- the other families keep their paths
// -----------------------------------------

TEST_F(KeyECTest, OtherPrivateKeysAreNotTakenForEC) {
  struct Case {
    const char* file;
    pki_alg_t alg;
  } cases[] = {{"rsa-2048.p8.der", PKI_ALG_RSA},
               {"rsa-2048.p1.der", PKI_ALG_RSA},
               {"dsa-1024.p8.der", PKI_ALG_DSA},
               {"dh-1024.p8.der", PKI_ALG_DH}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    KeyRef k(Parse(TKey::KT_PRIVATE, ReadFile(KeyData(c.file))));
    ASSERT_NE(k.get(), nullptr);
    EXPECT_EQ(k->getAlg(), c.alg);
  }
  // An EC key is never read as RSA, nor an RSA key as EC.
  for (const char* form : {"ec-p-256.p8.der", "ec-p-256.sec1.der"}) {
    SCOPED_TRACE(form);
    KeyRef rsa(createTKey(TKey::KT_PRIVATE));
    rsa->setAlg(PKI_ALG_RSA);
    EXPECT_EQ(SetRaw(rsa.get(), ReadFile(KeyData(form))), pkixrc::kWrongType);
    EXPECT_EQ(rsa->getAlg(), PKI_ALG_RSA);
  }
  KeyRef ec(createTKey(TKey::KT_PRIVATE));
  ec->setAlg(PKI_ALG_EC);
  EXPECT_EQ(SetRaw(ec.get(), ReadFile(KeyData("rsa-2048.p1.der"))), pkixrc::kWrongType);
  EXPECT_EQ(SetRaw(ec.get(), ReadFile(KeyData("rsa-2048.p8.der"))), pkixrc::kWrongType);
  // Nor a public key of the other kind.
  KeyRef pub(createTKey(TKey::KT_PUBLIC));
  EXPECT_EQ(SetRaw(pub.get(), ReadFile(KeyData("ec-p-256.p8.der"))), pkixrc::kFailed);
}

TEST_F(KeyECTest, SampleKeysOfTheExamplePKI) {
  // Whichever private form the samples hold (PKCS #8 or a bare
  // ECPrivateKey), the key is the one OpenSSL reads.
  for (const char* name : {"ec-ca-key", "ec-user-key"}) {
    SCOPED_TRACE(name);
    std::string base = std::string(PKIX_SOURCE_DIR "/examples/keys/") + name;
    Bytes pub_der = ReadFile(base + ".pub.der");
    Bytes priv_der = ReadFile(base + ".p8.der");
    PKey pub = OsslPublicKey(pub_der);
    PKey priv = OsslPrivateKey(priv_der);
    ASSERT_TRUE(pub);
    ASSERT_TRUE(priv);
    KeyRef k_pub(Parse(TKey::KT_PUBLIC, pub_der));
    KeyRef k_priv(Parse(TKey::KT_PRIVATE, priv_der));
    ASSERT_NE(k_pub.get(), nullptr);
    ASSERT_NE(k_priv.get(), nullptr);
    EXPECT_EQ(Take(k_pub->getRaw()), pub_der);
    EXPECT_EQ(Take(k_priv->getRaw()), OsslPkcs8(priv.get()));
    EXPECT_EQ(Attr(k_priv.get(), TKey::AKA_X16), Attr(k_pub.get(), TKey::AKA_KEY));
  }
}

}  // namespace
}  // namespace keytest
