// Values of the host's ASN.1 type service composed into one another:
// SEQUENCE, SET (DER order checked against OpenSSL's), explicit tags,
// OPTIONAL, CHOICE, ANY, templates and named prototypes; BER input; hostile
// input (every truncation, overlong lengths, deep nesting, cycles); and the
// service reached through the host's registry.
#include <openssl/x509.h>

#include <string>

#include "framework/id_type.h"
#include "host/host.h"
#include "host/hostasn_testutil.h"

namespace asntest {
namespace {

class AsnComposeTest : public AsnTest {
 protected:
  Own<CMN_ASN_Integer_Interface> Int(unsigned char v) {
    auto i = Make<CMN_ASN_Integer_Interface>(kKindInteger);
    EXPECT_EQ(i->setValue(&v, 1), kAsnOk);
    return i;
  }
  Own<CMN_ASN_String_Interface> Str(unsigned kind, const std::string& s) {
    auto o = Make<CMN_ASN_String_Interface>(kind);
    auto b = Buf(Bytes(s.begin(), s.end()));
    EXPECT_EQ(o->setValue(b.get()), kAsnOk);
    return o;
  }
  // SEQUENCE { INTEGER, OPTIONAL [0] EXPLICIT INTEGER, BOOLEAN }
  struct Shape {
    Own<CMN_ASN_Sequence_Interface> seq;
    Own<CMN_ASN_Integer_Interface> first;
    Own<CMN_ASN_Optional_Interface> opt;
    Own<CMN_ASN_Explicit_Interface> tagged;
    Own<CMN_ASN_Integer_Interface> inner;
    Own<CMN_ASN_Bool_Interface> flag;
  };
  Shape MakeShape() {
    Shape s{Make<CMN_ASN_Sequence_Interface>(kKindSequence), Make<CMN_ASN_Integer_Interface>(kKindInteger),
            Make<CMN_ASN_Optional_Interface>(kKindOptional), Make<CMN_ASN_Explicit_Interface>(kKindExplicit),
            Make<CMN_ASN_Integer_Interface>(kKindInteger), Make<CMN_ASN_Bool_Interface>(kKindBool)};
    EXPECT_EQ(s.tagged->addObject(s.inner.get()), kAsnOk);
    EXPECT_EQ(s.opt->addObject(s.tagged.get()), kAsnOk);
    EXPECT_EQ(s.seq->addObject(s.first.get()), kAsnOk);
    EXPECT_EQ(s.seq->addObject(s.opt.get()), kAsnOk);
    EXPECT_EQ(s.seq->addObject(s.flag.get()), kAsnOk);
    return s;
  }
};

TEST_F(AsnComposeTest, SequenceWithOptionalExplicitElement) {
  Shape s = MakeShape();
  const unsigned char five = 5, seven = 7;
  s.first->setValue(&five, 1);
  s.inner->setValue(&seven, 1);
  s.flag->value(1);
  const Bytes present = Tlv(0x30, Cat({Tlv(0x02, {5}), Tlv(0xA0, Tlv(0x02, {7})), Tlv(0x01, {0xFF})}));
  EXPECT_EQ(Enc(s.seq.get()), present);
  EXPECT_EQ(s.seq->getRawLen(), present.size());
  EXPECT_EQ(s.seq->getEncLen(), present.size());  // of the last encode
  EXPECT_EQ(s.seq->setEncLen(3), kAsnOk);
  EXPECT_EQ(s.seq->getEncLen(), 3u);
  EXPECT_EQ(s.seq->isConstructed(), 1);

  struct Case {
    const char* what;
    Bytes der;
    int rc;
    unsigned optId;  // identifier of the OPTIONAL after decode
  } cases[] = {
      {"present", present, kAsnOk, 0xA0},
      {"absent", Tlv(0x30, Cat({Tlv(0x02, {9}), Tlv(0x01, {0x00})})), kAsnOk, 0},
      {"wrong explicit number", Tlv(0x30, Cat({Tlv(0x02, {9}), Tlv(0xA1, Tlv(0x02, {7})), Tlv(0x01, {0})})),
       kAsnBadTag, 0},

      {"last element missing", Tlv(0x30, Tlv(0x02, {9})), kAsnTruncated, 0},
      {"element left over", Tlv(0x30, Cat({Tlv(0x02, {9}), Tlv(0x01, {0}), Tlv(0x05, {})})), kAsnTrailing, 0},
      {"a SET instead", Tlv(0x31, Cat({Tlv(0x02, {9}), Tlv(0x01, {0})})), kAsnBadTag, 0},
  };
  for (const Case& c : cases) {
    Shape d = MakeShape();
    size_t rest = 0;
    EXPECT_EQ(Dec(d.seq.get(), Cat({c.der, {0xEE}}), &rest), c.rc) << c.what;
    if (c.rc != kAsnOk) {
      EXPECT_EQ(rest, c.der.size() + 1) << c.what;
      continue;
    }
    EXPECT_EQ(rest, 1u) << c.what;  // the octet after the element stays unread
    EXPECT_EQ(d.seq->getDecLen(), c.der.size());
    EXPECT_EQ(d.opt->getRealId(), c.optId) << c.what;
    EXPECT_EQ(Enc(d.seq.get()), c.der) << c.what;  // the same DER back
  }
}

TEST_F(AsnComposeTest, WrongIdentifierInsideIsAFaultNotAnotherElement) {
  // OPTIONAL [0] EXPLICIT INTEGER, and CHOICE { SEQUENCE { INTEGER }, NULL }.
  auto opt = Make<CMN_ASN_Optional_Interface>(kKindOptional);
  auto ex = Make<CMN_ASN_Explicit_Interface>(kKindExplicit);
  ex->addObject(Int(1).get());
  opt->addObject(ex.get());
  auto choice = Make<CMN_ASN_Choice_Interface>(kKindChoice);
  auto seq = Make<CMN_ASN_Sequence_Interface>(kKindSequence);
  seq->addObject(Int(1).get());
  choice->addObject(seq.get());
  choice->addObject(Make<CMN_ASN_Null_Interface>(kKindNull).get());
  struct Case {
    const char* what;
    CMN_ASN_Type_Interface* o;
    Bytes der;
    int rc;
    size_t rest;
  } cases[] = {
      {"optional: another element", opt.get(), Tlv(0xA1, Tlv(0x02, {7})), kAsnOk, 5},
      {"optional: [0] holding an OCTET STRING", opt.get(), Tlv(0xA0, Tlv(0x04, {7})), kAsnBadTag, 5},
      {"optional: present", opt.get(), Tlv(0xA0, Tlv(0x02, {7})), kAsnOk, 0},
      {"choice: SEQUENCE holding an OCTET STRING", choice.get(), Tlv(0x30, Tlv(0x04, {7})), kAsnBadTag, 5},
      {"choice: neither", choice.get(), Tlv(0x04, {7}), kAsnNoAlternative, 3},
      {"choice: NULL", choice.get(), Tlv(0x05, {}), kAsnOk, 0},
  };
  for (const Case& c : cases) {
    size_t rest = 0;
    EXPECT_EQ(Dec(c.o, c.der, &rest), c.rc) << c.what;
    EXPECT_EQ(rest, c.rest) << c.what;
  }
}

TEST_F(AsnComposeTest, SetIsWrittenInOpenSSLsDerOrder) {
  // A multi-valued RDN: OpenSSL writes its SET OF sorted by encoding.
  X509_NAME* name = X509_NAME_new();
  X509_NAME_add_entry_by_txt(name, "O", V_ASN1_PRINTABLESTRING, reinterpret_cast<const unsigned char*>("zz-org"), -1, -1, 0);
  X509_NAME_add_entry_by_txt(name, "CN", V_ASN1_PRINTABLESTRING, reinterpret_cast<const unsigned char*>("abc"), -1, -1, -1);
  X509_NAME_add_entry_by_txt(name, "C", V_ASN1_PRINTABLESTRING, reinterpret_cast<const unsigned char*>("US"), -1, -1, -1);
  unsigned char* der = nullptr;
  int n = i2d_X509_NAME(name, &der);
  ASSERT_GT(n, 4);
  Bytes nameDer(der, der + n);
  OPENSSL_free(der);
  X509_NAME_free(name);
  ASSERT_EQ(nameDer[0], 0x30);
  ASSERT_LT(nameDer[1], 0x80);
  Bytes rdn(nameDer.begin() + 2, nameDer.end());  // the one SET inside the Name
  ASSERT_EQ(rdn[0], 0x31);

  // The same attributes, added in the order they were given.
  struct Attr {
    std::vector<unsigned> oid;
    unsigned kind;
    std::string value;
  } attrs[] = {{{2, 5, 4, 10}, kKindPrintableString, "zz-org"},
               {{2, 5, 4, 3}, kKindPrintableString, "abc"},
               {{2, 5, 4, 6}, kKindPrintableString, "US"}};
  auto set = Make<CMN_ASN_Set_Interface>(kKindSet);
  for (const Attr& a : attrs) {
    auto atv = Make<CMN_ASN_Sequence_Interface>(kKindSequence);
    auto oid = Make<CMN_ASN_ObjectId_Interface>(kKindObjectId);
    ASSERT_EQ(oid->setValue(a.oid.data(), static_cast<unsigned>(a.oid.size())), kAsnOk);
    auto v = Str(a.kind, a.value);
    atv->addObject(oid.get());
    atv->addObject(v.get());
    ASSERT_EQ(set->addObject(atv.get()), kAsnOk);
  }
  EXPECT_EQ(Enc(set.get()), rdn);
  // Insertion order on request; the elements keep theirs either way.
  ASSERT_EQ(set->sortByValue(0), kAsnOk);
  Bytes unsorted = Enc(set.get());
  EXPECT_NE(unsorted, rdn);
  EXPECT_EQ(unsorted.size(), rdn.size());
  Own<CMN_ASN_Type_Interface> first(set->getFirst());
  Own<CMN_ASN_Type_Interface> second(set->getNext());
  Own<CMN_ASN_Type_Interface> third(set->getNext());
  EXPECT_EQ(set->getNext(), nullptr);
  EXPECT_EQ(Enc(first.get()), Bytes(unsorted.begin() + 2, unsorted.begin() + 2 + first->getRawLen()));
  EXPECT_NE(third, nullptr);

  // Read without a schema: three elements, written back sorted.
  auto back = Make<CMN_ASN_Set_Interface>(kKindSet);
  ASSERT_EQ(Dec(back.get(), unsorted), kAsnOk);
  Own<CMN_ASN_Type_Interface> e2(back->getObject(2));
  EXPECT_NE(e2, nullptr);
  EXPECT_EQ(back->getObject(3), nullptr);
  EXPECT_EQ(Enc(back.get()), rdn);
  EXPECT_EQ(back->removeLastObject(), kAsnOk);
  EXPECT_EQ(back->getObject(2), nullptr);
}

TEST_F(AsnComposeTest, SetWithSchemaTakesElementsInAnyOrder) {
  auto set = Make<CMN_ASN_Set_Interface>(kKindSet);
  auto i = Make<CMN_ASN_Integer_Interface>(kKindInteger);
  auto b = Make<CMN_ASN_Bool_Interface>(kKindBool);
  auto opt = Make<CMN_ASN_Optional_Interface>(kKindOptional);
  auto os = Make<CMN_ASN_OctetString_Interface>(kKindOctetString);
  opt->addObject(os.get());
  set->addObject(i.get());
  set->addObject(b.get());
  set->addObject(opt.get());
  struct Case {
    const char* what;
    Bytes der;
    int rc;
  } cases[] = {
      {"in order", Tlv(0x31, Cat({Tlv(0x02, {1}), Tlv(0x01, {0xFF})})), kAsnOk},
      {"reversed, optional present", Tlv(0x31, Cat({Tlv(0x04, {0xAB}), Tlv(0x01, {0xFF}), Tlv(0x02, {1})})), kAsnOk},
      {"twice the same", Tlv(0x31, Cat({Tlv(0x02, {1}), Tlv(0x02, {2})})), kAsnBadTag},
      {"one missing", Tlv(0x31, Tlv(0x02, {1})), kAsnTruncated},
      {"one too many", Tlv(0x31, Cat({Tlv(0x02, {1}), Tlv(0x01, {0}), Tlv(0x04, {}), Tlv(0x05, {})})), kAsnTrailing},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Dec(set.get(), c.der), c.rc) << c.what;
    if (c.rc == kAsnOk) {
      EXPECT_EQ(i->signum(), 1) << c.what;
      EXPECT_EQ(b->value(), 1) << c.what;
    }
  }
}

TEST_F(AsnComposeTest, ChoiceOfDirectoryStrings) {
  // DirectoryString ::= CHOICE { PrintableString, UTF8String, BMPString }
  auto choice = Make<CMN_ASN_Choice_Interface>(kKindChoice);
  auto ps = Make<CMN_ASN_String_Interface>(kKindPrintableString);
  auto utf8 = Make<CMN_ASN_Template_Interface>(kKindTemplate);
  ASSERT_EQ(utf8->setRealId(0x0C), kAsnOk);
  auto bmp = Make<CMN_ASN_String_Interface>(kKindBMPString);
  choice->addObject(ps.get());
  choice->addObject(utf8.get());
  choice->addObject(bmp.get());
  EXPECT_EQ(choice->getMinId(), kAsnNoIndex);
  EXPECT_EQ(choice->encode(), nullptr);
  EXPECT_EQ(choice->err(), kAsnNotSet);
  EXPECT_EQ(choice->setFlag(0x80), kAsnBadArgument);

  struct Case {
    Bytes der;
    int rc;
    unsigned index;
    unsigned id;
  } cases[] = {
      {Tlv(0x13, {'a', 'b'}), kAsnOk, 0, 0x13},
      {Tlv(0x0C, {0xC3, 0xA9}), kAsnOk, 1, 0x0C},
      {Tlv(0x1E, {0x00, 'x'}), kAsnOk, 2, 0x1E},
      {Tlv(0x1E, {0x00}), kAsnBadValue, 0, 0},  // the BMPString's own fault is reported
      {Tlv(0x02, {1}), kAsnNoAlternative, 0, 0},
      {{}, kAsnTruncated, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Dec(choice.get(), c.der), c.rc);
    if (c.rc != kAsnOk) continue;
    EXPECT_EQ(choice->getMinId(), c.index);
    EXPECT_EQ(choice->getRealId(), c.id);
    EXPECT_EQ(choice->getFlag() | choice->getObjId(), c.id);
    Own<CMN_ASN_Type_Interface> chosen(choice->getType());
    Own<CMN_ASN_Type_Interface> listed(choice->getObject(c.index));
    EXPECT_EQ(chosen.get(), listed.get());
    EXPECT_EQ(Enc(choice.get()), c.der);
  }
  // Choosing for encoding: only one of the alternatives.
  auto stranger = Str(kKindIA5String, "x");
  EXPECT_EQ(choice->setTypeForEncode(stranger.get()), kAsnBadArgument);
  auto value = Buf({'h', 'i'});
  ps->setValue(value.get());
  ASSERT_EQ(choice->setTypeForEncode(ps.get()), kAsnOk);
  EXPECT_EQ(Enc(choice.get()), Tlv(0x13, {'h', 'i'}));
}

TEST_F(AsnComposeTest, AnyKeepsWhateverElementComes) {
  const Bytes elements[] = {
      Tlv(0x30, Cat({Tlv(0x06, {0x55, 0x04, 0x03}), Tlv(0x0C, {'x'})})),
      Tlv(0xA3, Tlv(0x04, {})),
      Tlv(0x05, {}),
      Tlv(0x9F - 0x1F + 0x1E, {0x01}),  // [30] primitive
  };
  for (const Bytes& der : elements) {
    auto any = Make<CMN_ASN_Any_Interface>(kKindAny);
    size_t rest = 0;
    ASSERT_EQ(Dec(any.get(), Cat({der, Tlv(0x05, {})}), &rest), kAsnOk);
    EXPECT_EQ(rest, 2u);
    EXPECT_EQ(any->getRealId(), der[0]);
    Own<CMN_ASN_Type_Interface> held(any->getFirst());
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(held->getType(), kKindGeneric);
    EXPECT_EQ(Enc(held.get()), der);
    EXPECT_EQ(Enc(any.get()), der);
    // Decoding again replaces what decode put there.
    ASSERT_EQ(Dec(any.get(), der), kAsnOk);
    EXPECT_EQ(any->getObject(1), nullptr);
  }
  // With a candidate that reads the element, the candidate takes it.
  auto any = Make<CMN_ASN_Any_Interface>(kKindAny);
  auto i = Make<CMN_ASN_Integer_Interface>(kKindInteger);
  any->addObject(i.get());
  ASSERT_EQ(Dec(any.get(), Tlv(0x02, {0x2A})), kAsnOk);
  EXPECT_EQ(i->signum(), 1);
  EXPECT_EQ(any->getObject(1), nullptr);
  EXPECT_EQ(Dec(any.get(), {0x02}), kAsnTruncated);
  // A candidate that does not take the element is not written afterwards.
  ASSERT_EQ(Dec(any.get(), Tlv(0x05, {})), kAsnOk);
  Own<CMN_ASN_Type_Interface> kept(any->getObject(1));
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(Enc(any.get()), Tlv(0x05, {}));
}

TEST_F(AsnComposeTest, TemplatesAndNamedPrototypes) {
  auto t = Make<CMN_ASN_Template_Interface>(kKindTemplate);
  EXPECT_EQ(t->encode(), nullptr);  // no identifier yet
  EXPECT_EQ(t->err(), kAsnNotSet);
  EXPECT_EQ(t->setFlag(0x80), kAsnBadArgument);
  ASSERT_EQ(Dec(t.get(), Tlv(0x14, {'T', '6', '1'})), kAsnOk);  // TeletexString taken as it is
  EXPECT_EQ(t->getRealId(), 0x14u);
  Own<CMN_ASN_Buf_Interface> content(t->getValue());
  EXPECT_EQ(Octets(content), (Bytes{'T', '6', '1'}));
  EXPECT_EQ(t->setRealId(0x1F), kAsnBadArgument);
  EXPECT_EQ(t->setRealId(0x100), kAsnBadArgument);
  ASSERT_EQ(t->setRealId(0x81), kAsnOk);
  EXPECT_EQ(Enc(t.get()), Tlv(0x81, {'T', '6', '1'}));
  EXPECT_EQ(Dec(t.get(), Tlv(0x14, {'x'})), kAsnBadTag);
  ASSERT_EQ(t->setObjId(2), kAsnOk);
  EXPECT_EQ(t->getRealId(), 0x82u);

  // A named CHOICE: create(name) gives independent copies of the prototype.
  auto choice = Make<CMN_ASN_Choice_Interface>(kKindChoice);
  auto ps = Make<CMN_ASN_String_Interface>(kKindPrintableString);
  choice->addObject(ps.get());
  ASSERT_EQ(svc_->registry("DirectoryString", choice.get()), kAsnOk);
  auto bmp = Make<CMN_ASN_String_Interface>(kKindBMPString);
  choice->addObject(bmp.get());  // after registration: not in the prototype
  Own<CMN_ASN_Choice_Interface> a(static_cast<CMN_ASN_Choice_Interface*>(svc_->create("DirectoryString")));
  Own<CMN_ASN_Choice_Interface> b(static_cast<CMN_ASN_Choice_Interface*>(svc_->create("DirectoryString")));
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(a->getType(), nullptr);
  EXPECT_EQ(Dec(a.get(), Tlv(0x13, {'o', 'k'})), kAsnOk);
  EXPECT_EQ(Dec(a.get(), Tlv(0x1E, {0, 'k'})), kAsnNoAlternative);
  EXPECT_EQ(b->getMinId(), kAsnNoIndex);  // b was not touched by a's decode
  EXPECT_EQ(svc_->create("nothing"), nullptr);
  EXPECT_EQ(svc_->create(static_cast<const char*>(nullptr)), nullptr);
  EXPECT_EQ(svc_->registry("", choice.get()), kAsnBadArgument);
  EXPECT_EQ(svc_->registry("x", nullptr), kAsnBadArgument);
  // Registering again replaces.
  ASSERT_EQ(svc_->registry("DirectoryString", choice.get()), kAsnOk);
  Own<CMN_ASN_Choice_Interface> c(static_cast<CMN_ASN_Choice_Interface*>(svc_->create("DirectoryString")));
  EXPECT_EQ(Dec(c.get(), Tlv(0x1E, {0, 'k'})), kAsnOk);
}

TEST_F(AsnComposeTest, CloneIsDeep) {
  Shape s = MakeShape();
  const unsigned char five = 5;
  s.first->setValue(&five, 1);
  s.inner->setValue(&five, 1);
  Bytes before = Enc(s.seq.get());
  Own<CMN_ASN_Type_Interface> copy(s.seq->clone());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(Enc(copy.get()), before);
  // Changing the original's element leaves the copy as it was.
  s.first->signum(-1);
  EXPECT_NE(Enc(s.seq.get()), before);
  EXPECT_EQ(Enc(copy.get()), before);
  Own<CMN_ASN_Type_Interface> e0(static_cast<CMN_ASN_Sequence_Interface*>(copy.get())->getObject(0));
  EXPECT_NE(e0.get(), static_cast<CMN_ASN_Type_Interface*>(s.first.get()));
}

TEST_F(AsnComposeTest, BerInputIsReadAndWrittenBackAsDer) {
  // SEQUENCE (indefinite) { INTEGER 5, [0] (indefinite) { OCTET STRING
  // (constructed, indefinite) { AA, BB } } }
  const Bytes ber = Cat({{0x30, 0x80},
                         Tlv(0x02, {5}),
                         {0xA0, 0x80},
                         {0x24, 0x80},
                         Tlv(0x04, {0xAA}),
                         Tlv(0x04, {0xBB}),
                         {0x00, 0x00},
                         {0x00, 0x00},
                         {0x00, 0x00}});
  const Bytes der = Tlv(0x30, Cat({Tlv(0x02, {5}), Tlv(0xA0, Tlv(0x04, {0xAA, 0xBB}))}));
  auto seq = Make<CMN_ASN_Sequence_Interface>(kKindSequence);
  auto i = Make<CMN_ASN_Integer_Interface>(kKindInteger);
  auto ex = Make<CMN_ASN_Explicit_Interface>(kKindExplicit);
  auto os = Make<CMN_ASN_OctetString_Interface>(kKindOctetString);
  ex->addObject(os.get());
  seq->addObject(i.get());
  seq->addObject(ex.get());
  size_t rest = 0;
  EXPECT_EQ(Dec(seq.get(), ber, &rest), kAsnNotDer);
  EXPECT_EQ(rest, ber.size());
  ASSERT_EQ(seq->setEnc(ASN_BER), kAsnOk);
  ASSERT_EQ(Dec(seq.get(), ber, &rest), kAsnOk);
  EXPECT_EQ(rest, 0u);
  EXPECT_EQ(seq->getDecLen(), ber.size());
  EXPECT_EQ(os->getEnc(), ASN_BER);  // handed down
  EXPECT_EQ(Enc(seq.get()), der);
  // Without a schema the BER elements are kept as read.
  auto loose = Make<CMN_ASN_Sequence_Interface>(kKindSequence);
  loose->setEnc(ASN_BER);
  ASSERT_EQ(Dec(loose.get(), ber), kAsnOk);
  Own<CMN_ASN_Type_Interface> second(loose->getObject(1));
  EXPECT_EQ(Enc(second.get()), Bytes(ber.begin() + 5, ber.end() - 2));
  EXPECT_EQ(seq->setEnc(static_cast<asn_encoding_t>(7)), kAsnBadArgument);
}

TEST_F(AsnComposeTest, EveryTruncationIsRefusedWithoutReading) {
  Shape s = MakeShape();
  const unsigned char v = 0x80;
  s.first->setValue(&v, 1);
  s.inner->setValue(&v, 1);
  const Bytes der = Enc(s.seq.get());
  ASSERT_FALSE(der.empty());
  for (size_t n = 0; n < der.size(); ++n) {
    Shape d = MakeShape();
    size_t rest = 0;
    int rc = Dec(d.seq.get(), Bytes(der.begin(), der.begin() + n), &rest);
    EXPECT_NE(rc, kAsnOk) << n;
    EXPECT_EQ(rest, n) << n;
    auto loose = Make<CMN_ASN_Sequence_Interface>(kKindSequence);
    EXPECT_NE(Dec(loose.get(), Bytes(der.begin(), der.begin() + n)), kAsnOk) << n;
  }
}

TEST_F(AsnComposeTest, HostileLengthsAndNesting) {
  Bytes deepBer;
  for (int i = 0; i < 200; ++i) deepBer.insert(deepBer.end(), {0x30, 0x80});
  for (int i = 0; i < 200; ++i) deepBer.insert(deepBer.end(), {0x00, 0x00});
  Bytes deepDer = Tlv(0x05, {});
  for (int i = 0; i < 200; ++i) deepDer = Tlv(0x30, deepDer);
  struct Case {
    const char* what;
    Bytes in;
    int rc;
  } cases[] = {
      {"length beyond the input", {0x30, 0x84, 0x7F, 0xFF, 0xFF, 0xFF, 0x05, 0x00}, kAsnTruncated},
      {"inner length beyond its element", Cat({{0x30, 0x03}, {0x04, 0x05, 0xAA}}), kAsnTruncated},
      {"five length octets", {0x30, 0x85, 0x00, 0x00, 0x00, 0x00, 0x00}, kAsnBadLength},
      {"non-minimal length", {0x30, 0x81, 0x02, 0x05, 0x00}, kAsnBadLength},
      {"indefinite primitive", {0x04, 0x80, 0xAA, 0x00, 0x00}, kAsnBadLength},
      {"unterminated indefinite", {0x30, 0x80, 0x05, 0x00}, kAsnTruncated},
      {"indefinite nesting too deep", deepBer, kAsnTooDeep},
      {"end-of-contents as an element", {0x30, 0x02, 0x00, 0x00}, kAsnBadTag},
      {"high tag-number form", {0x3F, 0x81, 0x01, 0x00}, kAsnBadTag},
  };
  for (const Case& c : cases) {
    auto seq = Make<CMN_ASN_Sequence_Interface>(kKindSequence);
    seq->setEnc(ASN_BER);
    size_t rest = 0;
    EXPECT_EQ(Dec(seq.get(), c.in, &rest), c.rc) << c.what;
    EXPECT_EQ(rest, c.in.size()) << c.what;
  }
  // Deep definite nesting is fine for a generic element: it is kept whole.
  auto seq = Make<CMN_ASN_Sequence_Interface>(kKindSequence);
  ASSERT_EQ(Dec(seq.get(), deepDer), kAsnOk);
  EXPECT_EQ(Enc(seq.get()), deepDer);
}

TEST_F(AsnComposeTest, NestingOfObjectsIsBoundedCyclesIncluded) {
  // A chain deeper than the bound: encode fails cleanly.
  std::vector<Own<CMN_ASN_Sequence_Interface>> chain;
  chain.push_back(Make<CMN_ASN_Sequence_Interface>(kKindSequence));
  chain.back()->addObject(Int(1).get());
  for (unsigned i = 0; i < kAsnMaxDepth + 5; ++i) {
    auto outer = Make<CMN_ASN_Sequence_Interface>(kKindSequence);
    outer->addObject(chain.back().get());
    chain.push_back(std::move(outer));
  }
  EXPECT_EQ(chain.back()->encode(), nullptr);
  EXPECT_EQ(chain.back()->err(), kAsnTooDeep);
  EXPECT_EQ(chain.back()->clone(), nullptr);
  EXPECT_NE(Enc(chain[kAsnMaxDepth - 2].get()), Bytes());  // within the bound

  // A cycle: a container may not hold itself, and a longer loop is cut.
  auto a = Make<CMN_ASN_Sequence_Interface>(kKindSequence);
  auto b = Make<CMN_ASN_Explicit_Interface>(kKindExplicit);
  EXPECT_EQ(a->addObject(a.get()), kAsnBadArgument);
  ASSERT_EQ(a->addObject(b.get()), kAsnOk);
  ASSERT_EQ(b->addObject(a.get()), kAsnOk);
  EXPECT_EQ(a->encode(), nullptr);
  EXPECT_EQ(a->err(), kAsnTooDeep);
  EXPECT_EQ(a->getRawLen(), 0u);
  EXPECT_EQ(Dec(a.get(), Tlv(0x30, Tlv(0xA0, Tlv(0x30, {})))), kAsnTruncated);
  ASSERT_EQ(a->removeLastObject(), kAsnOk);  // break the loop so both can go
  EXPECT_EQ(a->removeLastObject(), kAsnNotFound);
}

TEST_F(AsnComposeTest, FactoryKnowsEveryKindAndNoOther) {
  const unsigned kinds[] = {kKindGeneric,  kKindBool,     kKindInteger,     kKindOctetString, kKindPrintableString,
                            kKindBitString, kKindNull,    kKindSequence,    kKindSet,         kKindObjectId,
                            kKindExplicit, kKindOptional, kKindUtcTime,     kKindGeneralTime, kKindAny,
                            kKindTemplate, kKindChoice,   kKindConstructed, kKindBMPString,   kKindIA5String,
                            kKindUniversalString};
  for (unsigned k : kinds) {
    Own<CMN_GuardedRef> o(svc_->create(k));
    ASSERT_NE(o, nullptr) << std::hex << k;
    EXPECT_EQ(o->getType(), k);
    EXPECT_EQ(o->references(), 1);
    auto* v = static_cast<CMN_ASN_Type_Interface*>(o.get());
    EXPECT_EQ(v->getEnc(), ASN_DER);
    EXPECT_EQ(v->err(), kAsnOk);
    Own<CMN_ASN_Type_Interface> c(v->clone());
    ASSERT_NE(c, nullptr) << std::hex << k;
    EXPECT_EQ(c->getType(), k);
  }
  for (unsigned k : {0u, 0x420013u, 0x420018u, kKindModuleOwn}) EXPECT_EQ(svc_->create(k), nullptr);
  auto con = Make<CMN_ASN_Type_Constructed_Interface>(kKindConstructed);
  EXPECT_EQ(con->setFlag(kAsnClassApplication), kAsnOk);
  EXPECT_EQ(con->getFlag(), kAsnClassApplication | kAsnConstructed);  // stays constructed
  con->setObjId(5);
  con->addObject(Int(3).get());
  EXPECT_EQ(Enc(con.get()), Tlv(0x65, Tlv(0x02, {3})));
}

TEST(AsnHostRegistry, ServiceReachedThroughTheHost) {
  int live = pkixhost::liveAsnObjects();
  {
    pkixhost::Host host;
    Tuint32ID service(pkixid::kGenericAsn);
    Tuint32ID requester(pkixid::kModule);
    CMN_GuardedRef* s = host.acquire(service, requester);
    ASSERT_NE(s, nullptr);
    auto* asn = static_cast<CMN_ASN_Interface*>(s);
    Own<CMN_ASN_Integer_Interface> i(static_cast<CMN_ASN_Integer_Interface*>(asn->create(kKindInteger)));
    ASSERT_NE(i, nullptr);
    EXPECT_EQ(i->getGuard(), host.hostGuard());  // guarded by the host
    const unsigned char v = 0xFF;
    ASSERT_EQ(i->setNumber(&v, 1), kAsnOk);
    Own<CMN_ASN_Buf_Interface> der(i->encode());
    EXPECT_EQ(Octets(der), (Bytes{0x02, 0x02, 0x00, 0xFF}));
    host.release(service, requester);
  }
  EXPECT_EQ(pkixhost::liveAsnObjects(), live);
}

}  // namespace
}  // namespace asntest
