// The key object and its bodies in-process: kinds, vendors, flags,
// attributes before and after an algorithm, the attribute maps, the size
// rules, RSA's private-key forms, the crypto operations without a crypto
// service, and bad input leaving the key unchanged.
#include "key/keyattr.h"
#include "key/rsakey.h"
#include "key_testutil.h"

namespace keytest {
namespace {

class KeyObjectTest : public KeyTest {
 protected:
  explicit KeyObjectTest(bool with_crypto = true) : KeyTest(with_crypto) {}
  Bytes rsa_pub = ReadFile(KeyData("rsa-1024.pub.der"));
  Bytes rsa_p1 = ReadFile(KeyData("rsa-1024.p1.der"));
  Bytes dsa_pub = ReadFile(KeyData("dsa-1024.pub.der"));

  static TKey* Parse(TKey::key_type_t kind, const Bytes& der) {
    return createTKey(kind, der.data(), static_cast<unsigned>(der.size()));
  }
  // Sets a to the bytes; returns the key's code.
  static int Set(TKey* k, TKey::aka_t a, const Bytes& v) {
    BufRef b(Buf(v));
    return k->setParam(a, b.get());
  }
  static int SetAt(TKey* k, unsigned i, const Bytes& v) {
    BufRef b(Buf(v));
    return k->setParam(i, b.get());
  }
};

Bytes BE(uint32_t v) {
  return {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
          static_cast<uint8_t>(v)};
}

// Without the crypto service: what the bridge's absence looks like.
class KeyObjectNoCryptoTest : public KeyObjectTest {
 protected:
  KeyObjectNoCryptoTest() : KeyObjectTest(false) {}
};

TEST_F(KeyObjectTest, FactoriesAndKinds) {
  EXPECT_EQ(createTKey(TKey::KT_NONE), nullptr);
  EXPECT_EQ(createTKey(static_cast<TKey::key_type_t>(4)), nullptr);
  EXPECT_EQ(createTKey(static_cast<TKey::key_type_t>(4), rsa_pub.data(), 10), nullptr);
  // No length: a key of the kind, nothing parsed.
  KeyRef empty(createTKey(TKey::KT_PUBLIC, rsa_pub.data(), 0));
  ASSERT_NE(empty.get(), nullptr);
  EXPECT_EQ(empty->getType(), TKey::KT_PUBLIC);
  EXPECT_EQ(empty->getAlg(), 0u);
  EXPECT_EQ(empty->getRaw(), nullptr);
  EXPECT_EQ(empty->error(), pkixrc::kUnavailable);

  X509Key none;  // the service's createTKey(): no kind
  EXPECT_EQ(none.getType(), TKey::KT_NONE);
  EXPECT_EQ(none.setRaw(rsa_pub.data(), static_cast<unsigned>(rsa_pub.size())), pkixrc::kUnavailable);
  EXPECT_EQ(none.setType(static_cast<TKey::key_type_t>(4)), pkixrc::kBadArgument);
  EXPECT_EQ(none.setType(TKey::KT_NONE), pkixrc::kBadArgument);
  EXPECT_EQ(none.setType(TKey::KT_PUBLIC), 0);
  EXPECT_EQ(none.setRaw(rsa_pub.data(), static_cast<unsigned>(rsa_pub.size())), 0);
  EXPECT_EQ(none.getVendor(), VENDOR_NONE);
  EXPECT_EQ(none.error(), 0);  // a body exists
  // A change of kind drops the body; the attributes stay.
  EXPECT_EQ(none.setType(TKey::KT_PRIVATE), 0);
  EXPECT_EQ(none.getVendor(), VENDOR_NONE);
  EXPECT_EQ(none.error(), pkixrc::kUnavailable);
  EXPECT_FALSE(Attr(&none, TKey::AKA_MODULUS).empty());

}

TEST_F(KeyObjectTest, BooleanAttributes) {
  KeyRef k(createTKey(TKey::KT_PRIVATE));
  for (int f : {0, 14, 31, -1}) {
    EXPECT_EQ(k->getParam(static_cast<TKey::bka_t>(f)), 0) << f;
    EXPECT_EQ(k->error(), pkixrc::kWrongType) << f;
  }
  for (int f = 1; f <= 13; ++f) {
    TKey::bka_t b = static_cast<TKey::bka_t>(f);
    EXPECT_EQ(k->getParam(b), 0);
    EXPECT_EQ(k->setParam(b, 7), 0);
    EXPECT_EQ(k->getParam(b), 1);
    EXPECT_EQ(k->error(), 0);
  }
  EXPECT_EQ(k->setParam(TKey::BKA_SIGNATURE, 0), 0);
  EXPECT_EQ(k->getParam(TKey::BKA_SIGNATURE), 0);
  EXPECT_EQ(k->getParam(TKey::BKA_EXCHANGE), 1);
  // Any number is accepted, beyond the flag word too.
  for (int f : {0, 14, 31, 32, 40, 1000, -3}) EXPECT_EQ(k->setParam(static_cast<TKey::bka_t>(f), 1), 0) << f;
  EXPECT_EQ(k->getParam(TKey::BKA_13), 1);
}

TEST_F(KeyObjectTest, AttributesBeforeAnAlgorithm) {
  KeyRef k(createTKey(TKey::KT_PUBLIC));
  // Without algorithm nothing judges the identifier: any is stored.
  EXPECT_EQ(Set(k.get(), TKey::AKA_X16, Hex("16")), 0);
  EXPECT_EQ(Set(k.get(), TKey::AKA_MODULUS, Hex("00C3")), 0);
  EXPECT_EQ(Attr(k.get(), TKey::AKA_X16), Hex("16"));
  EXPECT_EQ(k->setParam(TKey::AKA_MODULUS, nullptr), pkixrc::kBadArgument);
  // The index forms and the value need a body.
  EXPECT_EQ(k->getParam(0u), nullptr);
  EXPECT_EQ(k->error(), pkixrc::kUnavailable);
  EXPECT_EQ(SetAt(k.get(), 0, Hex("01")), pkixrc::kUnavailable);
  EXPECT_EQ(k->getKey(), nullptr);
  EXPECT_EQ(k->error(), pkixrc::kUnavailable);

  ASSERT_EQ(k->setAlg(PKI_ALG_RSA), 0);
  EXPECT_EQ(Attr(k.get(), TKey::AKA_MODULUS), Hex("00C3"));
  EXPECT_EQ(Take(k->getParam(0u)), Hex("00C3"));
  // Now the RSA map judges: X16 is not an RSA attribute.
  EXPECT_EQ(k->getParam(TKey::AKA_X16), nullptr);
  EXPECT_EQ(k->error(), pkixrc::kWrongType);
  EXPECT_EQ(Set(k.get(), TKey::AKA_X16, Hex("17")), pkixrc::kWrongType);
  // The value survives a change of body.
  ASSERT_EQ(k->setAlg(PKI_ALG_DSA), 0);
  ASSERT_EQ(k->setAlg(PKI_ALG_RSA), 0);
  EXPECT_EQ(Attr(k.get(), TKey::AKA_MODULUS), Hex("00C3"));
  // An algorithm without body: every delegated operation fails with 9.
  ASSERT_EQ(k->setAlg(PKI_ALG_MD5), 0);
  EXPECT_EQ(k->getParam(TKey::AKA_MODULUS), nullptr);
  EXPECT_EQ(k->error(), pkixrc::kFailed);
}

// The attribute maps: index i of each body names the identifier listed.
TEST_F(KeyObjectTest, AttributeMaps) {
  using A = TKey::aka_t;
  using T = TKey;
  const struct {
    TKey::key_type_t kind;
    pki_alg_t alg;
    std::vector<A> map;
  } bodies[] = {
      {TKey::KT_PRIVATE, PKI_ALG_RSA, {T::AKA_MODULUS, T::AKA_PUB_EXPONENT, T::AKA_PRIV_EXPONENT, T::AKA_PRIME1,
       T::AKA_PRIME2, T::AKA_EXPONENT1, T::AKA_EXPONENT2, T::AKA_COEFFICIENT, T::AKA_RSA_BITS, T::AKA_BITS,
       T::AKA_NONE}},
      {TKey::KT_PUBLIC, PKI_ALG_RSA, {T::AKA_MODULUS, T::AKA_PUB_EXPONENT, T::AKA_RSA_BITS, T::AKA_BITS, T::AKA_NONE}},
      {TKey::KT_PUBLIC, PKI_ALG_DSA, {T::AKA_P, T::AKA_Q, T::AKA_G, T::AKA_KEY, T::AKA_BITS, T::AKA_NONE}},
      {TKey::KT_PRIVATE, PKI_ALG_DSA, {T::AKA_P, T::AKA_Q, T::AKA_G, T::AKA_KEY, T::AKA_BITS, T::AKA_NONE}},
      {TKey::KT_PUBLIC, PKI_ALG_DH, {T::AKA_P, T::AKA_G, T::AKA_KEY, T::AKA_BITS, T::AKA_NONE}},
      {TKey::KT_PRIVATE, PKI_ALG_DH, {T::AKA_P, T::AKA_G, T::AKA_KEY, T::AKA_BITS, T::AKA_NONE}},
      {TKey::KT_SECRET, PKI_ALG_DES_CBC, {T::AKA_KEY, T::AKA_IV, T::AKA_BITS, T::AKA_X16, T::AKA_X17}},
      {TKey::KT_PRIVATE, PKI_ALG_GOST3410_SC, {T::AKA_KEY, T::AKA_CONTAINER_NAME, T::AKA_CONTAINER_ATTR1,
       T::AKA_CONTAINER_ATTR0, T::AKA_CONTAINER_ATTR2}},
      {TKey::KT_PRIVATE, PKI_ALG_GOST341001_SC, {T::AKA_KEY, T::AKA_CONTAINER_NAME, T::AKA_CONTAINER_ATTR1,
       T::AKA_CONTAINER_ATTR0, T::AKA_CONTAINER_ATTR2}},
      {TKey::KT_PUBLIC, PKI_ALG_GOST3410_SC, {T::AKA_KEY, T::AKA_BITS, T::AKA_ALG_PARAMS, T::AKA_NONE}},
      {TKey::KT_PRIVATE, PKI_ALG_GOST3410_CPRO, {T::AKA_CONTAINER_NAME, T::AKA_CONTAINER_ATTR1, T::AKA_NONE}},
      {TKey::KT_PRIVATE, PKI_ALG_GOST341001_CPRO, {T::AKA_CONTAINER_NAME, T::AKA_CONTAINER_ATTR1, T::AKA_NONE}},
      {TKey::KT_PUBLIC, PKI_ALG_GOST341001_CPRO, {T::AKA_KEY, T::AKA_BITS, T::AKA_ALG_PARAMS, T::AKA_NONE}},
      {TKey::KT_PUBLIC, PKI_ALG_GOST3410_TIK, {T::AKA_KEY, T::AKA_BITS, T::AKA_X17, T::AKA_NONE}},
  };
  for (const auto& b : bodies) {
    SCOPED_TRACE(testing::Message() << "kind " << b.kind << " alg 0x" << std::hex << b.alg);
    KeyRef k(createTKey(b.kind));
    ASSERT_EQ(k->setAlg(b.alg), 0);
    for (unsigned i = 0; i < b.map.size(); ++i) {
      A a = b.map[i];
      if (a == TKey::AKA_BITS || a == TKey::AKA_RSA_BITS) continue;  // derived, see the size tests
      Bytes v = {0x5A, static_cast<uint8_t>(i)};
      ASSERT_EQ(SetAt(k.get(), i, v), 0) << i;
      EXPECT_EQ(Take(k->getParam(i)), v) << i;
      if (a != TKey::AKA_NONE) {
        EXPECT_EQ(Attr(k.get(), a), v) << i;
      }
    }
    EXPECT_EQ(k->getParam(static_cast<unsigned>(b.map.size())), nullptr);
    EXPECT_EQ(k->error(), pkixrc::kWrongType);
    EXPECT_EQ(SetAt(k.get(), static_cast<unsigned>(b.map.size()), Hex("01")), pkixrc::kWrongType);
    // By name only what the map lists, and never AKA_NONE.
    for (int a = 0; a <= 23; ++a) {
      bool listed = a != 0 && std::find(b.map.begin(), b.map.end(), A(a)) != b.map.end();
      BufRef v(k->getParam(A(a)));
      EXPECT_EQ(k->error() == pkixrc::kWrongType, !listed) << "aka " << a;
    }
  }
}

TEST_F(KeyObjectTest, RSASizeIsTheModulusBitLength) {
  const struct {
    const char* modulus;
    uint32_t bits;
  } cases[] = {
      // 1024 bits: 129 octets with the sign octet, which is no part of the number
      {"00 80 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
       " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
       " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
       " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01",
       1024},
      {"0F FF", 12},  // no sign octet; the top nibble is zero
      {"00 FF", 8},
      {"01", 1},
  };
  for (const auto& c : cases) {
    KeyRef k(createTKey(TKey::KT_PUBLIC));
    k->setAlg(PKI_ALG_RSA);
    ASSERT_EQ(Set(k.get(), TKey::AKA_MODULUS, Hex(c.modulus)), 0);
    EXPECT_EQ(Attr(k.get(), TKey::AKA_BITS), BE(c.bits)) << c.modulus;
    EXPECT_EQ(Attr(k.get(), TKey::AKA_RSA_BITS), BE(c.bits)) << c.modulus;
  }
  // Without a modulus there is no size.
  KeyRef none(createTKey(TKey::KT_PRIVATE));
  none->setAlg(PKI_ALG_RSA);
  EXPECT_EQ(none->getParam(TKey::AKA_BITS), nullptr);
  EXPECT_EQ(none->error(), pkixrc::kUnavailable);
}

TEST_F(KeyObjectTest, RSASizesStayCoherent) {
  KeyRef k(Parse(TKey::KT_PUBLIC, rsa_pub));
  ASSERT_NE(k.get(), nullptr);
  EXPECT_EQ(Attr(k.get(), TKey::AKA_BITS), BE(1024));
  // Either size sets the other.
  EXPECT_EQ(Set(k.get(), TKey::AKA_RSA_BITS, BE(2000)), 0);
  EXPECT_EQ(Attr(k.get(), TKey::AKA_BITS), BE(2000));
  EXPECT_EQ(Set(k.get(), TKey::AKA_BITS, BE(3000)), 0);
  EXPECT_EQ(Attr(k.get(), TKey::AKA_RSA_BITS), BE(3000));
  // A stored empty size is derived again.
  EXPECT_EQ(Set(k.get(), TKey::AKA_BITS, Bytes()), 0);
  EXPECT_EQ(Attr(k.get(), TKey::AKA_RSA_BITS), BE(1024));
  // A new modulus drops both, and the encoding follows it.
  EXPECT_EQ(Set(k.get(), TKey::AKA_BITS, BE(3000)), 0);
  EXPECT_EQ(Set(k.get(), TKey::AKA_MODULUS, Hex("00 FF FF")), 0);
  EXPECT_EQ(Attr(k.get(), TKey::AKA_RSA_BITS), BE(16));
  EXPECT_EQ(Attr(k.get(), TKey::AKA_BITS), BE(16));
  Bytes raw = Take(k->getRaw());
  EXPECT_NE(raw, rsa_pub);
  EXPECT_EQ(Take(k->getKey()), Hex("30 0A 02 03 00 FF FF 02 03 01 00 01"));
}

TEST_F(KeyObjectTest, OtherFamiliesSizes) {
  // DSA: the bit length of p, without any size set; a new p drops it.
  KeyRef dsa(createTKey(TKey::KT_PUBLIC));
  dsa->setAlg(PKI_ALG_DSA);
  Bytes p(129, 0xAB);
  p[0] = 0x00;
  ASSERT_EQ(Set(dsa.get(), TKey::AKA_P, p), 0);
  EXPECT_EQ(Attr(dsa.get(), TKey::AKA_BITS), BE(1024));
  ASSERT_EQ(Set(dsa.get(), TKey::AKA_P, Hex("00 80 01")), 0);
  EXPECT_EQ(Attr(dsa.get(), TKey::AKA_BITS), BE(16));
  // Symmetric: every octet of the key value counts; a new value drops it.
  KeyRef sym(createTKey(TKey::KT_SECRET));
  sym->setAlg(PKI_ALG_DES_EDE3_CBC);
  BufRef value(Buf(Bytes(24, 0x01)));
  ASSERT_EQ(sym->setKey(value.get()), 0);
  EXPECT_EQ(Attr(sym.get(), TKey::AKA_BITS), BE(192));
  ASSERT_EQ(Set(sym.get(), TKey::AKA_KEY, Hex("00 00 01")), 0);
  EXPECT_EQ(Attr(sym.get(), TKey::AKA_BITS), BE(24));
  EXPECT_EQ(Take(sym->getKey()), Hex("00 00 01"));
  // and it has no DER form
  EXPECT_EQ(sym->getRaw(), nullptr);
  EXPECT_EQ(sym->error(), pkixrc::kFailed);
  // RSA bytes, DES key
  EXPECT_EQ(sym->setRaw(rsa_pub.data(), static_cast<unsigned>(rsa_pub.size())), pkixrc::kWrongType);
  X509Key owner(TKey::KT_SECRET);
  owner.setAlg(PKI_ALG_DES_CBC);
  EXPECT_EQ(owner.setRaw(Hex("30 00").data(), 2), pkixrc::kWrongType);

}

// Diffie-Hellman: the size is the group's, the bit length of p, however
// short the value; without p it falls back on the value's bit length. A
// new p or value drops the size derived from the old one.
TEST_F(KeyObjectTest, DHSizeIsThePrimes) {
  for (TKey::key_type_t kind : {TKey::KT_PUBLIC, TKey::KT_PRIVATE}) {
    SCOPED_TRACE(kind);
    KeyRef dh(createTKey(kind));
    ASSERT_EQ(dh->setAlg(PKI_ALG_DH), pkixrc::kOk);
    EXPECT_EQ(dh->getParam(TKey::AKA_BITS), nullptr);  // neither p nor a value
    EXPECT_EQ(dh->error(), pkixrc::kUnavailable);
    ASSERT_EQ(Set(dh.get(), TKey::AKA_KEY, Hex("3F FF")), pkixrc::kOk);
    EXPECT_EQ(Attr(dh.get(), TKey::AKA_BITS), BE(14));  // the value alone
    Bytes p(129, 0xFF);
    p[0] = 0x00;  // 1024 bits, with the sign octet
    ASSERT_EQ(Set(dh.get(), TKey::AKA_P, p), pkixrc::kOk);
    EXPECT_EQ(Attr(dh.get(), TKey::AKA_BITS), BE(1024));
    ASSERT_EQ(Set(dh.get(), TKey::AKA_KEY, Hex("01")), pkixrc::kOk);
    EXPECT_EQ(Attr(dh.get(), TKey::AKA_BITS), BE(1024));  // still the group's
    ASSERT_EQ(Set(dh.get(), TKey::AKA_P, Hex("00 80 01")), pkixrc::kOk);
    EXPECT_EQ(Attr(dh.get(), TKey::AKA_BITS), BE(16));
  }
}

// RSAPrivKey::setKey: an RSAPrivateKey of exactly eight numbers, or a bare
// private exponent. A refused SEQUENCE changes nothing.
TEST_F(KeyObjectTest, RSAPrivateSetKey) {
  const char* eight = "02 01 0A 02 01 0B 02 01 0C 02 01 0D 02 01 0E 02 01 0F 02 01 10 02 01 11";
  const struct {
    std::string der;
    int code;
  } cases[] = {
      {std::string("30 1B 02 01 00 ") + eight, 0},
      {std::string("30 80 02 01 00 ") + eight + " 00 00", 0},                // indefinite length
      {std::string("30 1E 02 01 00 ") + eight + " 02 01 12", pkixrc::kFailed},             // nine numbers
      {"30 18 02 01 00 02 01 0A 02 01 0B 02 01 0C 02 01 0D 02 01 0E 02 01 0F 02 01 10", pkixrc::kFailed},  // seven
      {std::string("30 1B 02 01 01 ") + eight, pkixrc::kWrongType},                           // version 1
      {std::string("30 1C 02 02 00 00 ") + eight, pkixrc::kWrongType},                        // version not one octet
      {std::string("30 1B 04 01 00 ") + eight, pkixrc::kWrongType},                           // version not an INTEGER
      {std::string("30 1D 02 01 00 ") + eight + " 04 00", pkixrc::kFailed},                // a non-number after eight
      {std::string("30 1C 02 01 00 ") + eight, pkixrc::kFailed},                           // length beyond the bytes
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.der);
    KeyRef k(createTKey(TKey::KT_PRIVATE));
    k->setAlg(PKI_ALG_RSA);
    ASSERT_EQ(Set(k.get(), TKey::AKA_COEFFICIENT, Hex("77")), 0);
    Bytes der = Hex(c.der.c_str());
    der.push_back(0xEE);  // one octet after the element
    BufRef b(Buf(der));
    EXPECT_EQ(k->setKey(b.get()), c.code);
    if (c.code == 0) {
      EXPECT_EQ(Attr(k.get(), TKey::AKA_MODULUS), Hex("0A"));
      EXPECT_EQ(Attr(k.get(), TKey::AKA_PRIV_EXPONENT), Hex("0C"));
      EXPECT_EQ(Attr(k.get(), TKey::AKA_COEFFICIENT), Hex("11"));
      EXPECT_EQ(Of(b.get()), Hex("EE"));  // advanced past the SEQUENCE
    } else {
      EXPECT_EQ(Attr(k.get(), TKey::AKA_COEFFICIENT), Hex("77"));
      EXPECT_EQ(Attr(k.get(), TKey::AKA_MODULUS), Bytes());
      EXPECT_EQ(Of(b.get()), der);
    }
  }
  // Anything that does not start a SEQUENCE is the private exponent.
  KeyRef k(createTKey(TKey::KT_PRIVATE));
  k->setAlg(PKI_ALG_RSA);
  BufRef bare(Buf(Hex("02 01 05")));
  EXPECT_EQ(k->setKey(bare.get()), 0);
  EXPECT_EQ(Attr(k.get(), TKey::AKA_PRIV_EXPONENT), Hex("02 01 05"));
  EXPECT_EQ(Take(k->getKey()), Hex("02 01 05"));
  EXPECT_EQ(k->setKey(nullptr), pkixrc::kBadArgument);
}

// A private exponent whose first octet is 0x30 stays an exponent through
// the private-key structure: it is no RSAPrivateKey.
TEST_F(KeyObjectTest, PrivateExponentStartingLikeASequence) {
  KeyRef k(createTKey(TKey::KT_PRIVATE));
  k->setAlg(PKI_ALG_RSA);
  Set(k.get(), TKey::AKA_MODULUS, Hex("00 C5 A1 3F"));
  Set(k.get(), TKey::AKA_PUB_EXPONENT, Hex("01 00 01"));
  Set(k.get(), TKey::AKA_PRIV_EXPONENT, Hex("30 03 02 01 00"));
  Bytes raw = Take(k->getRaw());
  ASSERT_FALSE(raw.empty());
  KeyRef back(Parse(TKey::KT_PRIVATE, raw));
  ASSERT_NE(back.get(), nullptr);
  EXPECT_EQ(Attr(back.get(), TKey::AKA_PRIV_EXPONENT), Hex("30 03 02 01 00"));
  EXPECT_EQ(Attr(back.get(), TKey::AKA_MODULUS), Hex("00 C5 A1 3F"));
}

TEST_F(KeyObjectTest, PKCS1AsPrivateKeyOnly) {
  KeyRef priv(Parse(TKey::KT_PRIVATE, rsa_p1));
  ASSERT_NE(priv.get(), nullptr);
  EXPECT_EQ(priv->getAlg(), PKI_ALG_RSA);
  EXPECT_EQ(priv->setRaw(rsa_p1.data(), static_cast<unsigned>(rsa_p1.size())), 0);
  KeyRef pub(createTKey(TKey::KT_PUBLIC));
  EXPECT_EQ(pub->setRaw(rsa_p1.data(), static_cast<unsigned>(rsa_p1.size())), pkixrc::kFailed);
  // A truncated PKCS #1 key is refused and leaves no algorithm behind.
  KeyRef cut(createTKey(TKey::KT_PRIVATE));
  EXPECT_EQ(cut->setRaw(rsa_p1.data(), static_cast<unsigned>(rsa_p1.size() - 1)), pkixrc::kFailed);
  EXPECT_EQ(cut->getAlg(), 0u);
  EXPECT_EQ(cut->getVendor(), VENDOR_NONE);
  EXPECT_EQ(cut->error(), pkixrc::kUnavailable);  // no body either
  X509Key owner(TKey::KT_PRIVATE);
  RSAPrivKey body;
  body.fitX509Key(&owner);
  EXPECT_EQ(body.setPKCS1Key(nullptr, 0), pkixrc::kBadArgument);
  EXPECT_EQ(body.getPKCS1Key(), nullptr);  // no numbers yet
  EXPECT_EQ(body.error(), pkixrc::kFailed);

}

TEST_F(KeyObjectNoCryptoTest, FingerprintInput) {
  KeyRef priv(Parse(TKey::KT_PRIVATE, rsa_p1));
  EXPECT_EQ(priv->getMD5(), nullptr);
  EXPECT_EQ(priv->error(), pkixrc::kWrongType);  // no fingerprint of a private RSA key
  KeyRef pub(Parse(TKey::KT_PUBLIC, rsa_pub));
  EXPECT_EQ(pub->getMD5(), nullptr);
  EXPECT_EQ(pub->error(), pkixrc::kUnavailable);  // the digest needs the crypto service
  X509Key owner(TKey::KT_PUBLIC);
  RSAPubKey body;
  body.fitX509Key(&owner);
  ASSERT_EQ(body.setRaw(rsa_pub.data(), static_cast<unsigned>(rsa_pub.size())), 0);
  EXPECT_EQ(Take(body.getHashInput()), Hex("01 00 01"));  // the exponent, not the modulus
  KeyRef none(createTKey(TKey::KT_PUBLIC));
  EXPECT_EQ(none->getMD5(), nullptr);
  EXPECT_EQ(none->error(), pkixrc::kUnavailable);

}

// Without a crypto service every operation reports the bridge's 40 (9 for
// a decryption without result); the pair check refuses wrong pairs first.
TEST_F(KeyObjectNoCryptoTest, CryptoWithoutService) {
  KeyRef pub(Parse(TKey::KT_PUBLIC, rsa_pub));
  KeyRef priv(Parse(TKey::KT_PRIVATE, rsa_p1));
  KeyRef dsa(Parse(TKey::KT_PUBLIC, dsa_pub));
  BufRef data(Buf(Hex("01 02 03")));
  EXPECT_EQ(priv->sign(data.get()), nullptr);
  EXPECT_EQ(priv->error(), pkixrc::kUnavailable);
  EXPECT_EQ(pub->verify(data.get(), data.get()), pkixrc::kUnavailable);
  EXPECT_EQ(pub->encrypt(data.get()), nullptr);
  EXPECT_EQ(pub->error(), pkixrc::kUnavailable);
  EXPECT_EQ(priv->decrypt(data.get()), nullptr);
  EXPECT_EQ(priv->error(), pkixrc::kFailed);

  const struct {
    TKey* a;
    TKey* b;
    int code;
  } pairs[] = {
      {pub.get(), nullptr, pkixrc::kBadArgument},
      {pub.get(), pub.get(), pkixrc::kBadArgument},
      {priv.get(), priv.get(), pkixrc::kBadArgument},
      {dsa.get(), priv.get(), pkixrc::kBadArgument},  // algorithms differ
      {pub.get(), priv.get(), pkixrc::kUnavailable}, {priv.get(), pub.get(), pkixrc::kUnavailable},
  };
  for (const auto& p : pairs) {
    EXPECT_EQ(p.a->isConsistent(p.b, 1), 0);
    EXPECT_EQ(p.a->error(), p.code);
  }
  EXPECT_EQ(checkKeyPairConsistency(nullptr, pub.get(), 0), pkixrc::kBadArgument);
  EXPECT_EQ(checkKeyPairConsistency(pub.get(), priv.get(), 0), 0);
}

TEST_F(KeyObjectTest, VendorOfTheBody) {
  KeyRef k(Parse(TKey::KT_PUBLIC, rsa_pub));
  TBuf* first = k->getRaw();
  ASSERT_NE(first, nullptr);
  // The same vendor keeps the body and its cached encoding (same buffer).
  EXPECT_EQ(k->setVendor(VENDOR_NONE), 0);
  TBuf* again = k->getRaw();
  EXPECT_EQ(again, first);
  again->release();
  first->release();
  // A vendor without body for this algorithm: no body, algorithm kept.
  EXPECT_EQ(k->setVendor(VENDOR_SC), pkixrc::kFailed);
  EXPECT_EQ(k->getVendor(), VENDOR_NONE);
  EXPECT_EQ(k->error(), pkixrc::kUnavailable);
  EXPECT_EQ(k->getAlg(), PKI_ALG_RSA);
  // Any later operation builds the algorithm's own body again.
  EXPECT_EQ(Take(k->getRaw()), rsa_pub);
  EXPECT_EQ(k->getVendor(), VENDOR_NONE);
  EXPECT_EQ(k->error(), 0);
}

TEST_F(KeyObjectTest, IdentifiersAndTokens) {
  KeyRef k(createTKey(TKey::KT_PUBLIC));
  EXPECT_EQ(k->getKeyId(), nullptr);
  EXPECT_EQ(k->error(), 0);
  EXPECT_EQ(k->setKeyId(nullptr), pkixrc::kBadArgument);
  BufRef id(Buf(Hex("AA BB")));
  EXPECT_EQ(k->setKeyId(id.get()), 0);
  EXPECT_EQ(id.get()->references(), 2);
  TBuf* got = k->getKeyId();
  EXPECT_EQ(got, id.get());
  EXPECT_EQ(id.get()->references(), 3);
  got->release();
  BufRef other(Buf(Hex("CC")));
  EXPECT_EQ(k->setKeyId(other.get()), 0);
  EXPECT_EQ(id.get()->references(), 1);  // the old identifier let go
  unsigned a = 1, b = 1;
  k->getTokenId(a, b);
  EXPECT_EQ(a, 0u);
  EXPECT_EQ(b, 0u);
  k->setTokenId(7, 0xFFFFFFFFu);
  k->getTokenId(a, b);
  EXPECT_EQ(a, 7u);
  EXPECT_EQ(b, 0xFFFFFFFFu);
}

TEST_F(KeyObjectTest, AttributeList) {
  KeyAttrList list;
  EXPECT_EQ(list.get(TKey::AKA_KEY), nullptr);
  EXPECT_EQ(list.error(), 0);  // never stored
  EXPECT_EQ(list.append(TKey::AKA_KEY, nullptr), 0);
  EXPECT_EQ(list.getAttr(TKey::AKA_KEY), nullptr);  // a null value adds no node
  BufRef v(Buf(Hex("01")));
  BufRef w(Buf(Hex("02")));
  EXPECT_EQ(list.append(TKey::AKA_KEY, v.get()), 0);
  EXPECT_EQ(list.append(TKey::AKA_IV, w.get()), 0);
  EXPECT_EQ(v.get()->references(), 2);
  EXPECT_EQ(list.append(TKey::AKA_KEY, w.get()), 0);  // replaced, the old one let go
  EXPECT_EQ(v.get()->references(), 1);
  EXPECT_EQ(w.get()->references(), 3);
  EXPECT_EQ(Take(list.get(TKey::AKA_KEY)), Hex("02"));
  EXPECT_EQ(list.append(TKey::AKA_KEY, nullptr), 0);  // emptied, node kept
  EXPECT_NE(list.getAttr(TKey::AKA_KEY), nullptr);
  EXPECT_EQ(list.get(TKey::AKA_KEY), nullptr);
  EXPECT_EQ(list.error(), pkixrc::kUnavailable);
  list.clean();
  EXPECT_EQ(w.get()->references(), 1);
  EXPECT_EQ(list.getAttr(TKey::AKA_IV), nullptr);
}

}  // namespace
}  // namespace keytest
