// The primitive kinds of the host's ASN.1 type service against OpenSSL's
// encoders and decoders: what this service writes is byte for byte what
// i2d writes, what i2d writes decodes here to the same value, and BER that
// OpenSSL reads is read here too.
#include <openssl/asn1.h>
#include <openssl/bn.h>
#include <openssl/objects.h>

#include <climits>
#include <cstring>
#include <string>

#include "host/hostasn_testutil.h"

namespace asntest {
namespace {

struct OsslFree {
  void operator()(ASN1_TYPE* t) const { ASN1_TYPE_free(t); }
  void operator()(ASN1_OBJECT* o) const { ASN1_OBJECT_free(o); }
  void operator()(ASN1_STRING* s) const { ASN1_STRING_free(s); }
  void operator()(BIGNUM* b) const { BN_free(b); }
};
template <class T>
using Ossl = std::unique_ptr<T, OsslFree>;

// DER of an ASN1_TYPE holding a string of OpenSSL type `type`.
Bytes OsslStringDer(int type, const Bytes& content) {
  Ossl<ASN1_STRING> s(ASN1_STRING_type_new(type));
  ASN1_STRING_set(s.get(), content.data(), static_cast<int>(content.size()));
  Ossl<ASN1_TYPE> t(ASN1_TYPE_new());
  ASN1_TYPE_set1(t.get(), type, s.get());
  unsigned char* der = nullptr;
  int n = i2d_ASN1_TYPE(t.get(), &der);
  Bytes out(der, der + (n > 0 ? n : 0));
  OPENSSL_free(der);
  return out;
}

template <class T, class F>
Bytes I2d(T* obj, F i2d) {
  unsigned char* der = nullptr;
  int n = i2d(obj, &der);
  Bytes out(der, der + (n > 0 ? n : 0));
  OPENSSL_free(der);
  return out;
}

class AsnKindsTest : public AsnTest {};

// ---------------------------------------------------------------------------
// INTEGER

TEST_F(AsnKindsTest, IntegerFromSignAndMagnitudeMatchesOpenSSL) {
  struct Case {
    Bytes magnitude;
    bool negative;
  } cases[] = {
      {{}, false},           {{0x00}, false},       {{0x01}, false},          {{0x7F}, false},
      {{0x80}, false},       {{0xFF}, false},       {{0x01, 0x00}, false},    {{0x00, 0x00, 0x05}, false},
      {{0x01}, true},        {{0x7F}, true},        {{0x80}, true},           {{0x81}, true},
      {{0xFF}, true},        {{0x01, 0x00}, true},  {{0x80, 0x00}, true},     {{0x00}, true},
      {Cat({{0x80}, Bytes(19, 0x00)}), false},      {Cat({{0x80}, Bytes(19, 0x00)}), true},
      {Bytes(40, 0xFF), true},
  };
  for (const Case& c : cases) {
    std::string what = std::to_string(c.magnitude.size()) + (c.negative ? " negative" : " positive") +
                       (c.magnitude.empty() ? "" : " first " + std::to_string(c.magnitude[0]));
    Ossl<BIGNUM> bn(BN_bin2bn(c.magnitude.data(), static_cast<int>(c.magnitude.size()), nullptr));
    BN_set_negative(bn.get(), c.negative ? 1 : 0);
    Ossl<ASN1_STRING> oi(BN_to_ASN1_INTEGER(bn.get(), nullptr));
    Bytes want = I2d(oi.get(), i2d_ASN1_INTEGER);
    ASSERT_FALSE(want.empty()) << what;

    auto i = Make<CMN_ASN_Integer_Interface>(kKindInteger);
    ASSERT_EQ(i->setNumber(c.magnitude.data(), static_cast<unsigned>(c.magnitude.size())), kAsnOk) << what;
    ASSERT_EQ(i->signum(c.negative ? -1 : 1), kAsnOk) << what;
    EXPECT_EQ(Enc(i.get()), want) << what;
    EXPECT_EQ(i->getRawLen(), want.size()) << what;

    // OpenSSL's DER read back: the two's complement octets are the content
    // OpenSSL wrote, the magnitude is BN's, the sign is BN's.
    auto back = Make<CMN_ASN_Integer_Interface>(kKindInteger);
    ASSERT_EQ(Dec(back.get(), want), kAsnOk) << what;
    EXPECT_EQ(back->getDecLen(), want.size());
    Own<CMN_ASN_Buf_Interface> value(back->getValue());
    EXPECT_EQ(Octets(value), Bytes(want.begin() + (want.size() - value->len()), want.end())) << what;
    Bytes mag(static_cast<size_t>(BN_num_bytes(bn.get())));
    BN_bn2bin(bn.get(), mag.data());
    if (mag.empty()) mag.push_back(0x00);
    Own<CMN_ASN_Buf_Interface> number(back->getNumber());
    EXPECT_EQ(Octets(number), mag) << what;
    EXPECT_EQ(back->signum(), BN_is_zero(bn.get()) ? 0 : (c.negative ? -1 : 1)) << what;
  }
}

TEST_F(AsnKindsTest, IntegerTwosComplementInputIsMinimised) {
  struct Case {
    Bytes in;
    Bytes der;
  } cases[] = {
      {{0x00, 0x00, 0x05}, {0x02, 0x01, 0x05}},
      {{0xFF, 0xFF, 0x80}, {0x02, 0x01, 0x80}},  // -128
      {{0x00, 0x80}, {0x02, 0x02, 0x00, 0x80}},  // 128 keeps its sign octet
      {{0xFF}, {0x02, 0x01, 0xFF}},              // -1
      {{0x00, 0x00}, {0x02, 0x01, 0x00}},
  };
  for (const Case& c : cases) {
    auto i = Make<CMN_ASN_Integer_Interface>(kKindInteger);
    auto in = Buf(c.in);
    ASSERT_EQ(i->setValue(in.get()), kAsnOk);
    EXPECT_EQ(Enc(i.get()), c.der);
    // OpenSSL reads the same number.
    const unsigned char* p = c.der.data();
    Ossl<ASN1_STRING> oi(d2i_ASN1_INTEGER(nullptr, &p, static_cast<long>(c.der.size())));
    ASSERT_NE(oi, nullptr);
    EXPECT_EQ(I2d(oi.get(), i2d_ASN1_INTEGER), c.der);
  }
  auto i = Make<CMN_ASN_Integer_Interface>(kKindInteger);
  EXPECT_EQ(i->setValue(nullptr, 0), kAsnBadArgument);
  EXPECT_EQ(i->getValue(), nullptr);
  EXPECT_EQ(i->encode(), nullptr);
  EXPECT_EQ(i->err(), kAsnNotSet);
  EXPECT_EQ(i->signum(1), kAsnNotSet);
}

TEST_F(AsnKindsTest, IntegerContentRefusedAsOpenSSLRefusesIt) {
  struct Case {
    const char* what;
    Bytes der;
    int rc;
  } cases[] = {
      {"empty content", {0x02, 0x00}, kAsnBadValue},
      {"redundant 00", {0x02, 0x02, 0x00, 0x05}, kAsnBadValue},
      {"redundant FF", {0x02, 0x02, 0xFF, 0x80}, kAsnBadValue},
      {"constructed", {0x22, 0x03, 0x02, 0x01, 0x05}, kAsnBadTag},
      {"another kind", {0x04, 0x01, 0x05}, kAsnBadTag},
      {"content cut", {0x02, 0x02, 0x05}, kAsnTruncated},
  };
  for (const Case& c : cases) {
    auto i = Make<CMN_ASN_Integer_Interface>(kKindInteger);
    size_t rest = 0;
    EXPECT_EQ(Dec(i.get(), c.der, &rest), c.rc) << c.what;
    EXPECT_EQ(rest, c.der.size()) << c.what;  // nothing read
    EXPECT_EQ(i->err(), c.rc) << c.what;
    const unsigned char* p = c.der.data();
    Ossl<ASN1_STRING> oi(d2i_ASN1_INTEGER(nullptr, &p, static_cast<long>(c.der.size())));
    EXPECT_EQ(oi, nullptr) << c.what << " (OpenSSL)";
  }
}

TEST_F(AsnKindsTest, ImplicitTagReplacesTheIdentifier) {
  auto i = Make<CMN_ASN_Integer_Interface>(kKindInteger);
  const unsigned char five = 5;
  ASSERT_EQ(i->setValue(&five, 1), kAsnOk);
  EXPECT_EQ(i->setFlag(kAsnClassContext | kAsnConstructed), kAsnBadArgument);  // INTEGER is primitive
  EXPECT_EQ(i->setObjId(31), kAsnBadArgument);
  ASSERT_EQ(i->setFlag(kAsnClassContext), kAsnOk);
  ASSERT_EQ(i->setObjId(1), kAsnOk);
  EXPECT_EQ(Enc(i.get()), (Bytes{0x81, 0x01, 0x05}));  // [1] IMPLICIT INTEGER
  EXPECT_EQ(i->getFlag(), kAsnClassContext);
  EXPECT_EQ(i->getObjId(), 1u);
  EXPECT_EQ(Dec(i.get(), {0x02, 0x01, 0x07}), kAsnBadTag);
  EXPECT_EQ(Dec(i.get(), {0x81, 0x01, 0x07}), kAsnOk);
  EXPECT_EQ(i->signum(), 1);
}

// ---------------------------------------------------------------------------
// OBJECT IDENTIFIER

TEST_F(AsnKindsTest, ObjectIdentifierMatchesOpenSSL) {
  struct Case {
    const char* text;
    std::vector<unsigned> arcs;
  } cases[] = {
      {"1.2.840.113549.1.1.1", {1, 2, 840, 113549, 1, 1, 1}},
      {"2.5.4.3", {2, 5, 4, 3}},
      {"2.999.1", {2, 999, 1}},
      {"0.9.2342.19200300.100.1.25", {0, 9, 2342, 19200300, 100, 1, 25}},
      {"1.3.6.1.4.1.311.21.20", {1, 3, 6, 1, 4, 1, 311, 21, 20}},
      {"2.25.4294967295", {2, 25, 4294967295u}},
      {"1.39", {1, 39}},
  };
  for (const Case& c : cases) {
    Ossl<ASN1_OBJECT> o(OBJ_txt2obj(c.text, 1));
    ASSERT_NE(o, nullptr) << c.text;
    Bytes want = I2d(o.get(), i2d_ASN1_OBJECT);
    auto oid = Make<CMN_ASN_ObjectId_Interface>(kKindObjectId);
    ASSERT_EQ(oid->setValue(c.arcs.data(), static_cast<unsigned>(c.arcs.size())), kAsnOk) << c.text;
    EXPECT_EQ(Enc(oid.get()), want) << c.text;
    auto back = Make<CMN_ASN_ObjectId_Interface>(kKindObjectId);
    ASSERT_EQ(Dec(back.get(), want), kAsnOk) << c.text;
    Own<CMN_ASN_Buf_Interface> content(back->getValue());
    EXPECT_EQ(Octets(content), Bytes(want.begin() + 2, want.end())) << c.text;
  }
}

TEST_F(AsnKindsTest, ObjectIdentifierRefusesMalformedOctetsAndArcs) {
  const Bytes bad[] = {
      {0x06, 0x00},              // no content
      {0x06, 0x02, 0x80, 0x01},  // padded subidentifier
      {0x06, 0x02, 0x2A, 0x86},  // last subidentifier unfinished
  };
  for (const Bytes& der : bad) {
    auto oid = Make<CMN_ASN_ObjectId_Interface>(kKindObjectId);
    EXPECT_EQ(Dec(oid.get(), der), kAsnBadValue);
    const unsigned char* p = der.data();
    EXPECT_EQ(d2i_ASN1_OBJECT(nullptr, &p, static_cast<long>(der.size())), nullptr);
  }
  auto oid = Make<CMN_ASN_ObjectId_Interface>(kKindObjectId);
  const unsigned one[] = {1};
  const unsigned badFirst[] = {3, 1};
  const unsigned badSecond[] = {1, 40};
  EXPECT_EQ(oid->setValue(one, 1), kAsnBadArgument);
  EXPECT_EQ(oid->setValue(badFirst, 2), kAsnBadArgument);
  EXPECT_EQ(oid->setValue(badSecond, 2), kAsnBadArgument);
  auto junk = Buf({0x80, 0x01});
  EXPECT_EQ(oid->setValue(junk.get()), kAsnBadValue);
  EXPECT_EQ(oid->encode(), nullptr);  // still unset
}

// ---------------------------------------------------------------------------
// Strings

TEST_F(AsnKindsTest, StringsMatchOpenSSL) {
  struct Case {
    unsigned kind;
    int osslType;
    Bytes content;
  } cases[] = {
      {kKindOctetString, V_ASN1_OCTET_STRING, {0x00, 0x01, 0xFF}},
      {kKindOctetString, V_ASN1_OCTET_STRING, {}},
      {kKindOctetString, V_ASN1_OCTET_STRING, Bytes(300, 0x5A)},  // long-form length
      {kKindPrintableString, V_ASN1_PRINTABLESTRING, Bytes{'H', 'i', ' ', '(', '1', ')', '?'}},
      {kKindIA5String, V_ASN1_IA5STRING, Bytes{'a', '@', 'b', '.', 'c'}},
      {kKindBMPString, V_ASN1_BMPSTRING, Bytes{0x00, 'A', 0x04, 0x10}},
      {kKindUniversalString, V_ASN1_UNIVERSALSTRING, Bytes{0, 0, 0, 'A', 0, 1, 0xF6, 0x00}},
  };
  for (const Case& c : cases) {
    Bytes want = OsslStringDer(c.osslType, c.content);
    auto s = Make<CMN_ASN_String_Interface>(c.kind);
    auto in = Buf(c.content);
    ASSERT_EQ(s->setValue(in.get()), kAsnOk) << std::hex << c.kind;
    EXPECT_EQ(Enc(s.get()), want) << std::hex << c.kind;
    auto back = Make<CMN_ASN_String_Interface>(c.kind);
    ASSERT_EQ(Dec(back.get(), want), kAsnOk);
    Own<CMN_ASN_Buf_Interface> v(back->getValue());
    EXPECT_EQ(Octets(v), c.content);
  }
  auto o = Make<CMN_ASN_OctetString_Interface>(kKindOctetString);
  const unsigned char raw[] = {1, 2};
  ASSERT_EQ(o->setValue(raw, 2), kAsnOk);
  EXPECT_EQ(Enc(o.get()), (Bytes{0x04, 0x02, 0x01, 0x02}));
}

TEST_F(AsnKindsTest, StringsRefuseCharactersOfAnotherSet) {
  struct Case {
    unsigned kind;
    Bytes content;
  } cases[] = {
      {kKindPrintableString, {'a', '@', 'b'}}, {kKindPrintableString, {'*'}},
      {kKindPrintableString, {0x00}},          {kKindIA5String, {'a', 0x80}},
      {kKindBMPString, {0x00, 'A', 0x00}},     {kKindUniversalString, {0, 0, 'A'}},
  };
  for (const Case& c : cases) {
    auto s = Make<CMN_ASN_String_Interface>(c.kind);
    auto in = Buf(c.content);
    EXPECT_EQ(s->setValue(in.get()), kAsnBadArgument) << std::hex << c.kind;
    EXPECT_EQ(Enc(s.get()).size(), 2u);  // still empty
  }
  // Decoding: structural rules hold, PrintableString's characters are taken.
  auto bmp = Make<CMN_ASN_String_Interface>(kKindBMPString);
  EXPECT_EQ(Dec(bmp.get(), {0x1E, 0x01, 0x41}), kAsnBadValue);
  auto ps = Make<CMN_ASN_String_Interface>(kKindPrintableString);
  EXPECT_EQ(Dec(ps.get(), {0x13, 0x03, 'a', '@', 'b'}), kAsnOk);
}

TEST_F(AsnKindsTest, ConstructedBerStringsJoinTheirSegmentsAsOpenSSLDoes) {
  struct Case {
    const char* what;
    Bytes ber;
    int berRc;
    Bytes joined;
    bool osslAgrees = true;
  } cases[] = {
      {"indefinite, two segments",
       Cat({{0x24, 0x80}, Tlv(0x04, {0xAA, 0xBB}), Tlv(0x04, {0xCC}), {0x00, 0x00}}), kAsnOk, {0xAA, 0xBB, 0xCC}},
      {"definite, nested", Tlv(0x24, Cat({Tlv(0x24, Tlv(0x04, {0xAA, 0xBB})), Tlv(0x04, {0xCC})})), kAsnOk,
       {0xAA, 0xBB, 0xCC}},
      {"no segments", {0x24, 0x80, 0x00, 0x00}, kAsnOk, {}},
      // OpenSSL joins the content of any segment; X.690 8.7.3 wants OCTET STRINGs.
      {"a segment of another kind", Tlv(0x24, Tlv(0x02, {0x05})), kAsnBadValue, {}, false},
      {"unterminated", {0x24, 0x80, 0x04, 0x01, 0xAA}, kAsnTruncated, {}},
  };
  for (const Case& c : cases) {
    auto der = Make<CMN_ASN_OctetString_Interface>(kKindOctetString);
    size_t rest = 0;
    EXPECT_NE(Dec(der.get(), c.ber, &rest), kAsnOk) << c.what << " under DER";
    EXPECT_EQ(rest, c.ber.size());

    auto s = Make<CMN_ASN_OctetString_Interface>(kKindOctetString);
    ASSERT_EQ(s->setEnc(ASN_BER), kAsnOk);
    EXPECT_EQ(Dec(s.get(), c.ber, &rest), c.berRc) << c.what;
    const unsigned char* p = c.ber.data();
    Ossl<ASN1_STRING> os(d2i_ASN1_OCTET_STRING(nullptr, &p, static_cast<long>(c.ber.size())));
    if (c.osslAgrees) {
      EXPECT_EQ(os != nullptr, c.berRc == kAsnOk) << c.what << " (OpenSSL)";
    }
    if (c.berRc != kAsnOk) continue;
    EXPECT_EQ(rest, 0u);
    Own<CMN_ASN_Buf_Interface> v(s->getValue());
    EXPECT_EQ(Octets(v), c.joined) << c.what;
    EXPECT_EQ(Octets(v), Bytes(ASN1_STRING_get0_data(os.get()),
                               ASN1_STRING_get0_data(os.get()) + ASN1_STRING_length(os.get())));
    EXPECT_EQ(Enc(s.get()), Tlv(0x04, c.joined)) << c.what;  // written back as DER
  }
  auto der = Make<CMN_ASN_OctetString_Interface>(kKindOctetString);
  EXPECT_EQ(Dec(der.get(), Tlv(0x24, Tlv(0x04, {0xAA}))), kAsnNotDer);
}

// ---------------------------------------------------------------------------
// BIT STRING

TEST_F(AsnKindsTest, BitStringUnusedBitsMatchOpenSSL) {
  struct Case {
    Bytes bits;
    unsigned char unused;
  } cases[] = {
      {{}, 0}, {{0x12, 0x34}, 0}, {{0xA0}, 5}, {{0xFF, 0xFF}, 7}, {{0x80}, 7}, {{0x6E, 0x5D, 0xC0}, 6},
  };
  for (const Case& c : cases) {
    Ossl<ASN1_STRING> bs(ASN1_STRING_type_new(V_ASN1_BIT_STRING));
    ASN1_STRING_set(bs.get(), c.bits.data(), static_cast<int>(c.bits.size()));
    bs->flags = ASN1_STRING_FLAG_BITS_LEFT | c.unused;
    Bytes want = I2d(bs.get(), i2d_ASN1_BIT_STRING);

    auto b = Make<CMN_ASN_BitString_Interface>(kKindBitString);
    ASSERT_EQ(b->setValue(c.bits.data(), static_cast<unsigned>(c.bits.size())), kAsnOk);
    ASSERT_EQ(b->unused(c.unused), c.bits.empty() && c.unused != 0 ? kAsnBadArgument : kAsnOk);
    EXPECT_EQ(Enc(b.get()), want) << c.bits.size() << "/" << int(c.unused);

    auto back = Make<CMN_ASN_BitString_Interface>(kKindBitString);
    ASSERT_EQ(Dec(back.get(), want), kAsnOk);
    EXPECT_EQ(back->unused(), c.unused);
    Own<CMN_ASN_Buf_Interface> v(back->getValue());
    EXPECT_EQ(Octets(v), Bytes(want.begin() + 3, want.end()));
  }
  auto b = Make<CMN_ASN_BitString_Interface>(kKindBitString);
  EXPECT_EQ(b->unused(8), kAsnBadArgument);
}

TEST_F(AsnKindsTest, BitStringContentRules) {
  struct Case {
    const char* what;
    Bytes der;
    int derRc;
    int berRc;
  } cases[] = {
      {"no unused-bits octet", {0x03, 0x00}, kAsnBadValue, kAsnBadValue},
      {"unused above 7", {0x03, 0x02, 0x08, 0x00}, kAsnBadValue, kAsnBadValue},
      {"unused with no bits", {0x03, 0x01, 0x03}, kAsnBadValue, kAsnBadValue},
      {"unused bits set", {0x03, 0x02, 0x04, 0xAF}, kAsnNotDer, kAsnOk},
      {"constructed", Cat({{0x23, 0x80}, Tlv(0x03, {0x00, 0xAA}), Tlv(0x03, {0x04, 0xB0}), {0, 0}}),
       kAsnNotDer, kAsnOk},
      {"unused bits in a middle segment", Tlv(0x23, Cat({Tlv(0x03, {0x04, 0xA0}), Tlv(0x03, {0x00, 0xB0})})),
       kAsnNotDer, kAsnBadValue},
  };
  for (const Case& c : cases) {
    auto d = Make<CMN_ASN_BitString_Interface>(kKindBitString);
    EXPECT_EQ(Dec(d.get(), c.der), c.derRc) << c.what;
    auto b = Make<CMN_ASN_BitString_Interface>(kKindBitString);
    b->setEnc(ASN_BER);
    EXPECT_EQ(Dec(b.get(), c.der), c.berRc) << c.what;
  }
  auto b = Make<CMN_ASN_BitString_Interface>(kKindBitString);
  b->setEnc(ASN_BER);
  ASSERT_EQ(Dec(b.get(), Cat({{0x23, 0x80}, Tlv(0x03, {0x00, 0xAA}), Tlv(0x03, {0x04, 0xB0}), {0, 0}})), kAsnOk);
  EXPECT_EQ(Enc(b.get()), (Bytes{0x03, 0x03, 0x04, 0xAA, 0xB0}));
}

// ---------------------------------------------------------------------------
// BOOLEAN and NULL

TEST_F(AsnKindsTest, BooleanAndNullMatchOpenSSL) {
  for (int v : {0, 1, 42}) {
    Ossl<ASN1_TYPE> t(ASN1_TYPE_new());
    ASN1_TYPE_set(t.get(), V_ASN1_BOOLEAN, v != 0 ? reinterpret_cast<void*>(1) : nullptr);
    Bytes want = I2d(t.get(), i2d_ASN1_TYPE);
    auto b = Make<CMN_ASN_Bool_Interface>(kKindBool);
    ASSERT_EQ(b->value(v), kAsnOk);
    EXPECT_EQ(Enc(b.get()), want);
    auto back = Make<CMN_ASN_Bool_Interface>(kKindBool);
    ASSERT_EQ(Dec(back.get(), want), kAsnOk);
    EXPECT_EQ(back->value(), v != 0 ? 1 : 0);
  }
  Ossl<ASN1_TYPE> t(ASN1_TYPE_new());
  ASN1_TYPE_set(t.get(), V_ASN1_NULL, nullptr);
  auto n = Make<CMN_ASN_Null_Interface>(kKindNull);
  EXPECT_EQ(Enc(n.get()), I2d(t.get(), i2d_ASN1_TYPE));
  EXPECT_EQ(Dec(n.get(), {0x05, 0x01, 0x00}), kAsnBadValue);

  struct Case {
    Bytes der;
    int derRc;
    int berRc;
    int value;
  } cases[] = {
      {{0x01, 0x01, 0x00}, kAsnOk, kAsnOk, 0},     {{0x01, 0x01, 0xFF}, kAsnOk, kAsnOk, 1},
      {{0x01, 0x01, 0x01}, kAsnNotDer, kAsnOk, 1}, {{0x01, 0x00}, kAsnBadValue, kAsnBadValue, 0},
      {{0x01, 0x02, 0xFF, 0xFF}, kAsnBadValue, kAsnBadValue, 0},
  };
  for (const Case& c : cases) {
    auto d = Make<CMN_ASN_Bool_Interface>(kKindBool);
    EXPECT_EQ(Dec(d.get(), c.der), c.derRc);
    auto b = Make<CMN_ASN_Bool_Interface>(kKindBool);
    b->setEnc(ASN_BER);
    EXPECT_EQ(Dec(b.get(), c.der), c.berRc);
    if (c.berRc == kAsnOk) {
      EXPECT_EQ(b->value(), c.value);
    }
  }
}

// ---------------------------------------------------------------------------
// Times

TEST_F(AsnKindsTest, TimesMatchOpenSSL) {
  struct Case {
    long seconds;
    bool utc;
  } cases[] = {
      {0, true},          {951782400, true},  // 2000-02-29
      {-631152000, true},                     // 1950-01-01
      {2147483647, true}, {0, false},         {951782400, false},
#if LONG_MAX > 2147483647L
      {-2208988800L, false},   // 1900-01-01
      {2524607999L, true},    // 2049-12-31T23:59:59
      {2524608000L, false},   // 2050-01-01
      {253402300799L, false},  // 9999-12-31T23:59:59
#endif
  };
  for (const Case& c : cases) {
    Ossl<ASN1_STRING> t(c.utc ? ASN1_UTCTIME_set(nullptr, static_cast<time_t>(c.seconds))
                              : ASN1_GENERALIZEDTIME_set(nullptr, static_cast<time_t>(c.seconds)));
    ASSERT_NE(t, nullptr) << c.seconds;
    Bytes want = c.utc ? I2d(t.get(), i2d_ASN1_UTCTIME) : I2d(t.get(), i2d_ASN1_GENERALIZEDTIME);
    auto tm = Make<CMN_ASN_Time_Interface>(c.utc ? kKindUtcTime : kKindGeneralTime);
    ASSERT_EQ(tm->setTime(c.seconds), kAsnOk) << c.seconds;
    EXPECT_EQ(Enc(tm.get()), want) << c.seconds;
    auto back = Make<CMN_ASN_Time_Interface>(c.utc ? kKindUtcTime : kKindGeneralTime);
    ASSERT_EQ(Dec(back.get(), want), kAsnOk) << c.seconds;
    EXPECT_EQ(back->getTime(), c.seconds);
  }
}

TEST_F(AsnKindsTest, UtcTimeOnlyForItsCentury) {
  auto utc = Make<CMN_ASN_Time_Interface>(kKindUtcTime);
  EXPECT_EQ(utc->setTime(-631152001L), kAsnBadArgument);  // 1949-12-31T23:59:59
#if LONG_MAX > 2147483647L
  EXPECT_EQ(utc->setTime(2524608000L), kAsnBadArgument);  // 2050-01-01
#endif
  EXPECT_EQ(utc->encode(), nullptr);
  EXPECT_EQ(utc->err(), kAsnNotSet);
}

TEST_F(AsnKindsTest, TimeTextFormsUnderDerAndBer) {
  auto text = [](const char* s) { return Bytes(s, s + std::strlen(s)); };
  struct Case {
    const char* what;
    unsigned kind;
    Bytes der;
    int derRc;
    int berRc;
    int64_t seconds;
  } cases[] = {
      {"UTC canonical", kKindUtcTime, Tlv(0x17, text("491231235959Z")), kAsnOk, kAsnOk, INT64_C(2524607999)},
      {"UTC without seconds", kKindUtcTime, Tlv(0x17, text("7001010001Z")), kAsnNotDer, kAsnOk, 60},
      {"UTC with offset", kKindUtcTime, Tlv(0x17, text("700101010000+0100")), kAsnNotDer, kAsnOk, 0},
      {"general with fraction", kKindGeneralTime, Tlv(0x18, text("19700101000001.5Z")), kAsnNotDer, kAsnOk, 1},
      {"general canonical", kKindGeneralTime, Tlv(0x18, text("19700102000000Z")), kAsnOk, kAsnOk, 86400},
      {"month 13", kKindUtcTime, Tlv(0x17, text("701301000000Z")), kAsnBadValue, kAsnBadValue, 0},
      {"letters", kKindGeneralTime, Tlv(0x18, text("1970010100000AZ")), kAsnBadValue, kAsnBadValue, 0},
      {"UTC read as general", kKindGeneralTime, Tlv(0x17, text("700101000000Z")), kAsnBadTag, kAsnBadTag, 0},
  };
  for (const Case& c : cases) {
    if (c.seconds > LONG_MAX) continue;  // not a time this platform's long holds
    auto d = Make<CMN_ASN_Time_Interface>(c.kind);
    EXPECT_EQ(Dec(d.get(), c.der), c.derRc) << c.what;
    auto b = Make<CMN_ASN_Time_Interface>(c.kind);
    b->setEnc(ASN_BER);
    EXPECT_EQ(Dec(b.get(), c.der), c.berRc) << c.what;
    if (c.berRc == kAsnOk) {
      EXPECT_EQ(static_cast<int64_t>(b->getTime()), c.seconds) << c.what;
      // Whatever form was read, the DER form is written.
      auto canonical = Make<CMN_ASN_Time_Interface>(c.kind);
      ASSERT_EQ(canonical->setTime(static_cast<long>(c.seconds)), kAsnOk);
      EXPECT_EQ(Enc(b.get()), Enc(canonical.get())) << c.what;
    }
  }
}

}  // namespace
}  // namespace asntest
