// The GOST R 34.10 bodies over fixtures built from the container layouts:
// SC and CPRO private containers (name with its terminating zero, the [3]
// flag turning SC into CPRO, the usage octets, what a fresh encoding
// writes), CPRO and SC public keys (size from the OCTET STRING, the size
// refused as a setting), TIK keys kept as given with the 1024-bit default.
#include <initializer_list>

#include "key/gr34key.h"
#include "key_testutil.h"
#include "testing/der_bytes.h"

namespace keytest {
namespace {

// Object identifier content octets.
const Bytes kSC94 = Hex("2B 06 01 04 01 AD 59 01 01 05");    // 1.3.6.1.4.1.5849.1.1.5
const Bytes kSC01 = Hex("2B 06 01 04 01 AD 59 01 06 02");    // 1.3.6.1.4.1.5849.1.6.2
const Bytes kCPRO94 = Hex("2A 85 03 02 02 14");              // 1.2.643.2.2.20
const Bytes kCPRO01 = Hex("2A 85 03 02 02 13");              // 1.2.643.2.2.19
const Bytes kTIK = Hex("2B 06 01 04 01 9C 56 01 0A");        // 1.3.6.1.4.1.3670.1.10
const Bytes kParamSet = Hex("2A 85 03 02 02 23 01");         // 1.2.643.2.2.35.1

using pkixtest::Cat;
using pkixtest::Tlv;

Bytes Str(const char* s) { return Bytes(s, s + std::char_traits<char>::length(s)); }

// SEQUENCE { SEQUENCE { OID, parameters }, BIT STRING }, the shape of
// both the public keys and the private containers.
Bytes Spki(const Bytes& oid, const Bytes& params, const Bytes& bits) {
  return Tlv(0x30, Cat({Tlv(0x30, Cat({Tlv(0x06, oid), params})), Tlv(0x03, Cat({{0x00}, bits}))}));
}
Bytes Container(const Bytes& oid, const Bytes& fields, const Bytes& bits) { return Spki(oid, Tlv(0x30, fields), bits); }

Bytes BE(uint32_t v) {
  return {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
          static_cast<uint8_t>(v)};
}

class KeyGostTest : public KeyTest {
 protected:
  static TKey* Parse(TKey::key_type_t kind, const Bytes& der) {
    return createTKey(kind, der.data(), static_cast<unsigned>(der.size()));
  }
  static int Set(TKey* k, TKey::aka_t a, const Bytes& v) {
    BufRef b(Buf(v));
    return k->setParam(a, b.get());
  }
  // Drops the cached encoding through a flag change, then encodes afresh.
  static Bytes Fresh(TKey* k) {
    k->setParam(TKey::BKA_1, 0);
    return Take(k->getRaw());
  }
};

TEST_F(KeyGostTest, SCContainerFields) {
  Bytes fields = Cat({Tlv(0x0C, Str("abc")), Tlv(0x80, Hex("01")), Tlv(0x81, Hex("02 03")), Tlv(0x82, Hex("04"))});
  Bytes der = Container(kSC94, fields, Bytes());
  KeyRef k(Parse(TKey::KT_PRIVATE, der));
  ASSERT_NE(k.get(), nullptr);
  EXPECT_EQ(k->getAlg(), PKI_ALG_GOST3410_SC);
  EXPECT_EQ(k->getVendor(), VENDOR_SC);
  EXPECT_EQ(Attr(k.get(), TKey::AKA_CONTAINER_NAME), Hex("61 62 63 00"));  // the name with its zero
  EXPECT_EQ(Attr(k.get(), TKey::AKA_CONTAINER_ATTR0), Hex("01"));
  EXPECT_EQ(Attr(k.get(), TKey::AKA_CONTAINER_ATTR1), Hex("02 03"));
  EXPECT_EQ(Attr(k.get(), TKey::AKA_CONTAINER_ATTR2), Hex("04"));
  EXPECT_EQ(Attr(k.get(), TKey::AKA_KEY), Bytes());
  EXPECT_EQ(Take(k->getRaw()), der);
  // Written afresh: the name with the 4 octets stored, [0] kept since
  // there is no key value, no [3] for an SC key.
  Bytes written = Cat({Tlv(0x0C, Hex("61 62 63 00")), Tlv(0x80, Hex("01")), Tlv(0x81, Hex("02 03")), Tlv(0x82, Hex("04"))});
  EXPECT_EQ(Fresh(k.get()), Container(kSC94, written, Bytes()));
  // A key value: into the BIT STRING, and [0] is left out.
  ASSERT_EQ(Set(k.get(), TKey::AKA_KEY, Hex("AA BB")), 0);
  Bytes with_value = Cat({Tlv(0x0C, Hex("61 62 63 00")), Tlv(0x81, Hex("02 03")), Tlv(0x82, Hex("04"))});
  EXPECT_EQ(Take(k->getRaw()), Container(kSC94, with_value, Hex("AA BB")));
  // The container's key value is its fingerprint input; it has no key of
  // its own.
  EXPECT_EQ(k->getKey(), nullptr);
  EXPECT_EQ(k->error(), pkixrc::kWrongType);
  BufRef b(Buf(Hex("01")));
  EXPECT_EQ(k->setKey(b.get()), pkixrc::kWrongType);
}

TEST_F(KeyGostTest, SCFlagTurnsTheKeyIntoCPRO) {
  const struct {
    Bytes oid;
    Bytes flag;
    int code;
    pki_alg_t alg;
  } cases[] = {
      {kSC94, Hex("01"), 0, PKI_ALG_GOST3410_CPRO},
      {kSC94, Hex("FF"), 0, PKI_ALG_GOST3410_CPRO},
      {kSC01, Hex("01"), 0, PKI_ALG_GOST341001_CPRO},
      {kSC94, Hex("00"), 0, PKI_ALG_GOST3410_SC},
      {kSC94, Hex("01 01"), 9, 0},
      {kSC94, Bytes(), 9, 0},
  };
  for (const auto& c : cases) {
    Bytes der = Container(c.oid, Cat({Tlv(0x0C, Str("n")), Tlv(0x83, c.flag)}), Hex("77"));
    KeyRef k(createTKey(TKey::KT_PRIVATE));
    EXPECT_EQ(k->setRaw(der.data(), static_cast<unsigned>(der.size())), c.code);
    EXPECT_EQ(k->getAlg(), c.alg);
    if (c.code != 0) continue;
    EXPECT_EQ(k->getVendor(), VENDOR_SC);  // still the SC body
    EXPECT_EQ(Attr(k.get(), TKey::AKA_KEY), Hex("77"));
    // Written afresh, a key of the CPRO form carries [3] FF.
    Bytes flag = c.alg == PKI_ALG_GOST3410_SC || c.alg == PKI_ALG_GOST341001_SC ? Bytes() : Tlv(0x83, Hex("FF"));
    EXPECT_EQ(Fresh(k.get()), Container(c.oid, Cat({Tlv(0x0C, Hex("6E 00")), flag}), Hex("77")));
  }
}

TEST_F(KeyGostTest, MalformedSCContainers) {
  const Bytes name = Tlv(0x0C, Str("n"));
  // A container that is no SubjectPublicKeyInfo at all is taken for RSA:
  // 5 against the algorithm set; one of the right shape but wrong content
  // is refused by the body with 9.
  const struct {
    const char* what;
    Bytes der;
    int code;
  } cases[] = {
      {"no name", Container(kSC94, Tlv(0x80, Hex("01")), Bytes()), pkixrc::kFailed},
      {"name of another string type", Container(kSC94, Tlv(0x13, Str("n")), Bytes()), pkixrc::kFailed},
      {"empty parameters", Container(kSC94, Bytes(), Bytes()), pkixrc::kFailed},
      {"parameters not a SEQUENCE", Spki(kSC94, Tlv(0x04, name), Bytes()), pkixrc::kFailed},
      {"no parameters", Spki(kSC94, Bytes(), Bytes()), pkixrc::kFailed},
      {"fields out of order", Container(kSC94, Cat({name, Tlv(0x81, Hex("01")), Tlv(0x80, Hex("01"))}), Bytes()),
       pkixrc::kFailed},
      {"unknown field", Container(kSC94, Cat({name, Tlv(0x84, Hex("01"))}), Bytes()), pkixrc::kFailed},
      {"two parameter elements", Spki(kSC94, Cat({Tlv(0x30, name), Hex("05 00")}), Bytes()), pkixrc::kWrongType},
      {"truncated",
       [&] {
         Bytes d = Container(kSC94, name, Hex("01 02"));
         d.pop_back();
         return d;
       }(),
       5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    KeyRef k(createTKey(TKey::KT_PRIVATE));
    k->setAlg(PKI_ALG_GOST3410_SC);
    EXPECT_EQ(k->setRaw(c.der.data(), static_cast<unsigned>(c.der.size())), c.code);
    EXPECT_EQ(k->getAlg(), PKI_ALG_GOST3410_SC);
    EXPECT_EQ(Attr(k.get(), TKey::AKA_CONTAINER_NAME), Bytes());
  }
  // The identifier must be the body's own: an SC 2001 container is no SC
  // 94 one.
  X509Key owner(TKey::KT_PRIVATE);
  owner.setAlg(PKI_ALG_GOST3410_SC);
  SCPrivKey body;
  body.fitX509Key(&owner);
  Bytes sc01 = Container(kSC01, name, Bytes());
  EXPECT_EQ(body.setRaw(sc01.data(), static_cast<unsigned>(sc01.size())), pkixrc::kFailed);
  Bytes sc94 = Container(kSC94, name, Bytes());
  EXPECT_EQ(body.setRaw(sc94.data(), static_cast<unsigned>(sc94.size())), 0);
}

TEST_F(KeyGostTest, SCEncodingNeedsNameAndVendor) {
  KeyRef k(createTKey(TKey::KT_PRIVATE));
  k->setAlg(PKI_ALG_GOST3410_SC);
  EXPECT_EQ(k->getRaw(), nullptr);
  EXPECT_EQ(k->error(), pkixrc::kFailed);  // no name
  ASSERT_EQ(Set(k.get(), TKey::AKA_CONTAINER_NAME, Str("x")), 0);
  EXPECT_EQ(Take(k->getRaw()), Container(kSC94, Tlv(0x0C, Str("x")), Bytes()));
  // An SC body under a TIK algorithm has no vendor to write for.
  KeyRef tik(createTKey(TKey::KT_PRIVATE));
  tik->setAlg(PKI_ALG_GOST3410_TIK);
  ASSERT_EQ(tik->setVendor(VENDOR_SC), 0);
  EXPECT_EQ(tik->getVendor(), VENDOR_SC);
  ASSERT_EQ(Set(tik.get(), TKey::AKA_CONTAINER_NAME, Str("x")), 0);
  EXPECT_EQ(tik->getRaw(), nullptr);
  EXPECT_EQ(tik->error(), pkixrc::kFailed);
}

TEST_F(KeyGostTest, CPROContainerUsage) {
  const struct {
    Bytes usage;
    bool sig, exch;
  } cases[] = {
      {Hex("01"), false, true}, {Hex("02"), true, false}, {Hex("03"), false, false}, {Hex("00"), false, false}};
  for (const auto& c : cases) {
    Bytes der = Container(kCPRO94, Cat({Tlv(0x04, c.usage), Tlv(0x04, Hex("C0 FF"))}), Str("cont"));
    KeyRef k(createTKey(TKey::KT_PRIVATE));
    // the flags read replace those set before
    k->setParam(TKey::BKA_SIGNATURE, !c.sig);
    k->setParam(TKey::BKA_EXCHANGE, !c.exch);
    ASSERT_EQ(k->setRaw(der.data(), static_cast<unsigned>(der.size())), 0);
    EXPECT_EQ(k->getAlg(), PKI_ALG_GOST3410_CPRO);
    EXPECT_EQ(k->getVendor(), VENDOR_CPRO);
    EXPECT_EQ(k->getParam(TKey::BKA_SIGNATURE), c.sig ? 1 : 0);
    EXPECT_EQ(k->getParam(TKey::BKA_EXCHANGE), c.exch ? 1 : 0);
    EXPECT_EQ(Attr(k.get(), TKey::AKA_CONTAINER_NAME), Str("cont"));
    EXPECT_EQ(Attr(k.get(), TKey::AKA_CONTAINER_ATTR1), Hex("C0 FF"));
    EXPECT_EQ(Take(k->getRaw()), der);
  }
  // A change of usage shows in the next encoding; signature wins over
  // exchange.
  Bytes der = Container(kCPRO01, Cat({Tlv(0x04, Hex("01")), Tlv(0x04, Hex("C0"))}), Str("c"));
  KeyRef k(createTKey(TKey::KT_PRIVATE, der.data(), static_cast<unsigned>(der.size())));
  ASSERT_NE(k.get(), nullptr);
  EXPECT_EQ(k->getAlg(), PKI_ALG_GOST341001_CPRO);
  ASSERT_EQ(k->setParam(TKey::BKA_SIGNATURE, 1), 0);
  EXPECT_EQ(Take(k->getRaw()), Container(kCPRO01, Cat({Tlv(0x04, Hex("02")), Tlv(0x04, Hex("C0"))}), Str("c")));
  ASSERT_EQ(k->setParam(TKey::BKA_SIGNATURE, 0), 0);
  ASSERT_EQ(k->setParam(TKey::BKA_EXCHANGE, 0), 0);
  EXPECT_EQ(Take(k->getRaw()), Container(kCPRO01, Cat({Tlv(0x04, Hex("00")), Tlv(0x04, Hex("C0"))}), Str("c")));
}

TEST_F(KeyGostTest, MalformedCPROContainers) {
  const Bytes usage = Tlv(0x04, Hex("02"));
  const Bytes attr1 = Tlv(0x04, Hex("C0"));
  const Bytes cases[] = {
      Container(kCPRO94, Cat({Tlv(0x04, Hex("02 02")), attr1}), Str("c")),  // usage of two octets
      Container(kCPRO94, Cat({Tlv(0x04, Bytes()), attr1}), Str("c")),      // or none
      Container(kCPRO94, usage, Str("c")),                                 // second field missing
      Container(kCPRO94, Cat({usage, attr1, attr1}), Str("c")),            // a third one
      Container(kCPRO94, Cat({Tlv(0x02, Hex("02")), attr1}), Str("c")),    // usage not an OCTET STRING
  };
  for (const Bytes& der : cases) {
    KeyRef k(createTKey(TKey::KT_PRIVATE));
    EXPECT_EQ(k->setRaw(der.data(), static_cast<unsigned>(der.size())), pkixrc::kFailed);
    EXPECT_EQ(k->getAlg(), 0u);
  }
  // Encoding needs both the name and the second field.
  KeyRef k(createTKey(TKey::KT_PRIVATE));
  k->setAlg(PKI_ALG_GOST3410_CPRO);
  ASSERT_EQ(Set(k.get(), TKey::AKA_CONTAINER_NAME, Str("c")), 0);
  EXPECT_EQ(k->getRaw(), nullptr);
  EXPECT_EQ(k->error(), pkixrc::kFailed);
  ASSERT_EQ(Set(k.get(), TKey::AKA_CONTAINER_ATTR1, Hex("C0")), 0);
  EXPECT_EQ(Take(k->getRaw()), Container(kCPRO94, Cat({Tlv(0x04, Hex("00")), attr1}), Str("c")));
}

TEST_F(KeyGostTest, VendorChangeKeepsOrRebuildsTheBody) {
  Bytes der = Container(kSC94, Tlv(0x0C, Str("n")), Hex("01"));
  KeyRef k(Parse(TKey::KT_PRIVATE, der));
  ASSERT_NE(k.get(), nullptr);
  TBuf* cached = k->getRaw();
  ASSERT_NE(cached, nullptr);
  EXPECT_EQ(k->setVendor(VENDOR_SC), 0);
  TBuf* again = k->getRaw();
  EXPECT_EQ(again, cached);  // same body, same cached encoding
  again->release();
  cached->release();
  // Another vendor: its own body over the same attributes; the algorithm
  // stays.
  EXPECT_EQ(k->setVendor(VENDOR_CPRO), 0);
  EXPECT_EQ(k->getVendor(), VENDOR_CPRO);
  EXPECT_EQ(k->getAlg(), PKI_ALG_GOST3410_SC);
  EXPECT_EQ(Attr(k.get(), TKey::AKA_CONTAINER_NAME), Hex("6E 00"));
  EXPECT_EQ(k->getRaw(), nullptr);  // a CPRO container needs its second field
  EXPECT_EQ(k->error(), pkixrc::kFailed);
}

TEST_F(KeyGostTest, CPROAndSCPublicKeys) {
  Bytes point(64, 0x3C);
  Bytes params = Tlv(0x30, Cat({Tlv(0x06, kParamSet), Tlv(0x06, Hex("2A 85 03 02 02 1E 01"))}));
  const struct {
    Bytes oid;
    pki_alg_t alg;
    pki_vendor vendor;
  } cases[] = {
      {kCPRO01, PKI_ALG_GOST341001_CPRO, VENDOR_CPRO},
      {kCPRO94, PKI_ALG_GOST3410_CPRO, VENDOR_CPRO},
      {kSC01, PKI_ALG_GOST341001_SC, VENDOR_SC},
  };
  for (const auto& c : cases) {
    Bytes der = Spki(c.oid, params, Tlv(0x04, point));
    KeyRef k(Parse(TKey::KT_PUBLIC, der));
    ASSERT_NE(k.get(), nullptr);
    EXPECT_EQ(k->getAlg(), c.alg);
    EXPECT_EQ(k->getVendor(), c.vendor);
    EXPECT_EQ(Attr(k.get(), TKey::AKA_ALG_PARAMS), params);
    EXPECT_EQ(Attr(k.get(), TKey::AKA_KEY), Tlv(0x04, point));
    EXPECT_EQ(Attr(k.get(), TKey::AKA_BITS), BE(512));
    EXPECT_EQ(Set(k.get(), TKey::AKA_BITS, BE(256)), pkixrc::kBadArgument);  // the size follows the key value only
    EXPECT_EQ(Take(k->getRaw()), der);
    // A key value that is no OCTET STRING has no size.
    ASSERT_EQ(Set(k.get(), TKey::AKA_KEY, Hex("05 00 01")), 0);
    EXPECT_EQ(k->getParam(TKey::AKA_BITS), nullptr);
    EXPECT_EQ(k->error(), pkixrc::kFailed);
    ASSERT_EQ(Set(k.get(), TKey::AKA_KEY, Tlv(0x04, Bytes(32, 1))), 0);
    EXPECT_EQ(Attr(k.get(), TKey::AKA_BITS), BE(256));
    // Only what was read is written: no encoding from attributes.
    EXPECT_EQ(k->getRaw(), nullptr);
    EXPECT_EQ(k->error(), pkixrc::kUnavailable);
  }
  // The body of one vendor refuses the other's identifier.
  X509Key owner(TKey::KT_PUBLIC);
  CPROPubKey cpro;
  cpro.fitX509Key(&owner);
  Bytes sc = Spki(kSC94, params, Tlv(0x04, point));
  EXPECT_EQ(cpro.setRaw(sc.data(), static_cast<unsigned>(sc.size())), pkixrc::kFailed);
  // Without a key value there is no size either.
  KeyRef none(createTKey(TKey::KT_PUBLIC));
  none->setAlg(PKI_ALG_GOST3410_SC);
  EXPECT_EQ(none->getParam(TKey::AKA_BITS), nullptr);
  EXPECT_EQ(none->error(), pkixrc::kFailed);
}

TEST_F(KeyGostTest, TIKKeysAsGiven) {
  Bytes der = Spki(kTIK, Bytes(), Hex("04 02 11 22"));
  for (TKey::key_type_t kind : {TKey::KT_PUBLIC, TKey::KT_PRIVATE}) {
    KeyRef k(Parse(kind, der));
    ASSERT_NE(k.get(), nullptr);
    EXPECT_EQ(k->getAlg(), PKI_ALG_GOST3410_TIK);
    EXPECT_EQ(k->getVendor(), VENDOR_TIK);
    EXPECT_EQ(Attr(k.get(), TKey::AKA_KEY), der);  // the whole element
    EXPECT_EQ(Take(k->getRaw()), der);
    EXPECT_EQ(Attr(k.get(), TKey::AKA_BITS), Hex("00 00 04 00"));
    ASSERT_EQ(Set(k.get(), TKey::AKA_BITS, BE(2048)), 0);
    EXPECT_EQ(Attr(k.get(), TKey::AKA_BITS), BE(2048));
    // a new key value drops a stored size: back to the default
    ASSERT_EQ(Set(k.get(), TKey::AKA_KEY, Hex("01")), 0);
    EXPECT_EQ(Attr(k.get(), TKey::AKA_BITS), BE(1024));
    EXPECT_EQ(Take(k->getRaw()), Hex("01"));
  }
}

}  // namespace
}  // namespace keytest
