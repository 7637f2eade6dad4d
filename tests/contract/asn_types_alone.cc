// contract/asn_types.h on its own: the generic ASN.1 service's kind codes,
// identifier bits, codes, and the order of every interface's virtual slots
// (other modules call them by slot, so a reordered declaration breaks them).
#include "contract/asn_types.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <set>
#include <type_traits>
#include <vector>

namespace {

using namespace pkixasn;

static_assert(std::is_base_of<CMN_GuardedRef, CMN_ASN_Buf_Interface>::value, "buffers are guarded");
static_assert(std::is_base_of<CMN_GuardedRef, CMN_ASN_Type_Interface>::value, "values are guarded");
static_assert(std::is_base_of<CMN_GuardedRef, CMN_ASN_Interface>::value, "the service is guarded");
static_assert(std::is_base_of<CMN_ASN_Type_Interface, CMN_ASN_Template_Interface>::value, "kinds are values");
static_assert(!std::is_base_of<CMN_ASN_Type_Interface, CMN_ASN_Buf_Interface>::value,
              "a buffer is not a value");

TEST(AsnTypesContract, KindCodesAreTheTwentyOneKnown) {
  const uint32_t kinds[] = {kKindBuffer,      kKindGeneric,       kKindBool,         kKindInteger,
                            kKindOctetString, kKindPrintableString, kKindBitString,  kKindNull,
                            kKindSequence,    kKindSet,           kKindObjectId,     kKindExplicit,
                            kKindOptional,    kKindUtcTime,       kKindGeneralTime,  kKindAny,
                            kKindTemplate,    kKindChoice,        kKindConstructed,  kKindBMPString,
                            kKindIA5String,   kKindUniversalString};
  std::set<uint32_t> seen;
  for (uint32_t k : kinds) {
    EXPECT_EQ(k >> 16, 0x42u) << std::hex << k;
    EXPECT_GE(k & 0xFFFFu, 1u);
    EXPECT_LE(k & 0xFFFFu, 0x17u);
    EXPECT_NE(k, 0x420013u);
    EXPECT_TRUE(seen.insert(k).second) << std::hex << k;
  }
  EXPECT_EQ(seen.size(), 22u);
  EXPECT_EQ(kKindConstructed, 4325396u);
  EXPECT_EQ(kKindGeneric, 4325378u);
}

TEST(AsnTypesContract, IdentifierBitsComposeOneOctet) {
  struct Case {
    unsigned char flag;
    unsigned number;
    unsigned char octet;
  } cases[] = {
      {kAsnClassUniversal | kAsnConstructed, 16, 0x30},  // SEQUENCE
      {kAsnClassUniversal | kAsnConstructed, 17, 0x31},  // SET
      {kAsnClassContext | kAsnConstructed, 0, 0xA0},     // [0] EXPLICIT
      {kAsnClassContext, 1, 0x81},                       // [1] IMPLICIT primitive
      {kAsnClassApplication, 30, 0x5E},
      {kAsnClassPrivate | kAsnConstructed, 2, 0xE2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(static_cast<unsigned char>(c.flag | c.number), c.octet);
    EXPECT_EQ(c.flag & ~kAsnFlagMask, 0);
  }
  EXPECT_LT(kAsnMaxTagNumber, 31u);  // 31 would announce the high tag-number form
}

TEST(AsnTypesContract, CodesAreDistinctAndModuleCompatible) {
  const int codes[] = {kAsnOk,       kAsnNoMemory,  kAsnBadArgument, kAsnWrongType, kAsnFailed,
                       kAsnAlreadyPresent, kAsnNotFound, kAsnNotSet, kAsnTruncated, kAsnBadTag,
                       kAsnBadLength, kAsnBadValue, kAsnNotDer, kAsnTooDeep, kAsnTrailing,
                       kAsnNoAlternative};
  std::set<int> seen(std::begin(codes), std::end(codes));
  EXPECT_EQ(seen.size(), sizeof codes / sizeof codes[0]);
  // The shared group carries the module's numbers.
  EXPECT_EQ(kAsnNoMemory, 1);
  EXPECT_EQ(kAsnBadArgument, 4);
  EXPECT_EQ(kAsnFailed, 9);
  EXPECT_EQ(kAsnNotSet, 40);
  for (int c : {kAsnTruncated, kAsnBadTag, kAsnBadLength, kAsnBadValue, kAsnNotDer, kAsnTooDeep,
                kAsnTrailing, kAsnNoAlternative})
    EXPECT_EQ(c >> 8, 0x42);
  EXPECT_EQ(ASN_DER, 1);  // every object's default
}

// The vtable offset of a virtual member function (Itanium C++ ABI: the
// pointer word holds 1 + the offset in octets).
template <class M>
std::ptrdiff_t SlotOf(M m) {
  std::ptrdiff_t word;
  static_assert(sizeof(M) >= sizeof word, "member pointer holds the offset word");
  std::memcpy(&word, &m, sizeof word);
  return (word - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

// Expects the slots to follow each other, the first at `first`.
void ExpectConsecutive(const char* name, std::ptrdiff_t first, const std::vector<std::ptrdiff_t>& slots) {
  for (size_t i = 0; i < slots.size(); ++i) EXPECT_EQ(slots[i], first + static_cast<std::ptrdiff_t>(i)) << name << " #" << i;
}

// Slot 0 and 1 are the destructor pair, 2 and 3 init and fini.
constexpr std::ptrdiff_t kFirstOwnSlot = 4;

using T = CMN_ASN_Type_Interface;
using B = CMN_ASN_Buf_Interface;

TEST(AsnTypesContract, BaseSlotsInOrder) {
  EXPECT_EQ(SlotOf(&T::init), 2);
  EXPECT_EQ(SlotOf(&T::fini), 3);
  ExpectConsecutive("type", kFirstOwnSlot,
                    {SlotOf(&T::encode), SlotOf(&T::decode), SlotOf(&T::err), SlotOf(&T::getDecLen),
                     SlotOf(&T::getRawLen), SlotOf(&T::getEncLen), SlotOf(&T::setEncLen), SlotOf(&T::getEnc),
                     SlotOf(&T::setEnc), SlotOf(&T::getFlag), SlotOf(&T::setFlag), SlotOf(&T::getObjId),
                     SlotOf(&T::setObjId), SlotOf(&T::clone), SlotOf(&T::isConstructed)});
}

constexpr std::ptrdiff_t kKindFirst = kFirstOwnSlot + 15;

TEST(AsnTypesContract, BufferSlotsInOrder) {
  ExpectConsecutive(
      "buffer", kFirstOwnSlot,
      {SlotOf(&B::load), SlotOf(&B::save), SlotOf(static_cast<int (B::*)(unsigned)>(&B::init)), SlotOf(&B::set),
       SlotOf(&B::operator==), SlotOf(&B::clone), SlotOf(&B::len), SlotOf(&B::datap), SlotOf(&B::base),
       SlotOf(&B::len_of_datap), SlotOf(&B::operator[]), SlotOf(&B::operator>>), SlotOf(&B::operator<<),
       SlotOf(&B::reset), SlotOf(&B::retreat), SlotOf(&B::shift), SlotOf(&B::insert), SlotOf(&B::getTag),
       SlotOf(&B::putTag), SlotOf(&B::chkTag), SlotOf(&B::putLen), SlotOf(&B::getLen)});
}

TEST(AsnTypesContract, KindSlotsInOrder) {
  using I = CMN_ASN_Integer_Interface;
  using O = CMN_ASN_OctetString_Interface;
  using S = CMN_ASN_PrintableString_Interface;
  using Bits = CMN_ASN_BitString_Interface;
  using Oid = CMN_ASN_ObjectId_Interface;
  using Bool = CMN_ASN_Bool_Interface;
  using Utc = CMN_ASN_UtcTime_Interface;
  using Seq = CMN_ASN_Sequence_Interface;
  using Set = CMN_ASN_Set_Interface;
  using Ch = CMN_ASN_Choice_Interface;
  using Any = CMN_ASN_Any_Interface;
  using Opt = CMN_ASN_Optional_Interface;
  using Ex = CMN_ASN_Explicit_Interface;
  using Con = CMN_ASN_Type_Constructed_Interface;
  using Tpl = CMN_ASN_Template_Interface;
  ExpectConsecutive("integer", kKindFirst,
                    {SlotOf(static_cast<int (I::*)(B*)>(&I::setValue)), SlotOf(&I::getValue),
                     SlotOf(static_cast<int (I::*)(const unsigned char*, unsigned)>(&I::setValue)),
                     SlotOf(static_cast<int (I::*)(B*)>(&I::setNumber)),
                     SlotOf(static_cast<int (I::*)(const unsigned char*, unsigned)>(&I::setNumber)),
                     SlotOf(&I::getNumber), SlotOf(static_cast<int (I::*)()>(&I::signum)),
                     SlotOf(static_cast<int (I::*)(int)>(&I::signum))});
  ExpectConsecutive("octet string", kKindFirst,
                    {SlotOf(static_cast<int (O::*)(B*)>(&O::setValue)), SlotOf(&O::getValue),
                     SlotOf(static_cast<int (O::*)(const unsigned char*, unsigned)>(&O::setValue))});
  ExpectConsecutive("printable string", kKindFirst, {SlotOf(&S::setValue), SlotOf(&S::getValue)});
  ExpectConsecutive("bit string", kKindFirst,
                    {SlotOf(static_cast<int (Bits::*)(B*)>(&Bits::setValue)), SlotOf(&Bits::getValue),
                     SlotOf(static_cast<int (Bits::*)(const unsigned char*, unsigned)>(&Bits::setValue)),
                     SlotOf(static_cast<unsigned (Bits::*)()>(&Bits::unused)),
                     SlotOf(static_cast<int (Bits::*)(unsigned char)>(&Bits::unused))});
  ExpectConsecutive("object identifier", kKindFirst,
                    {SlotOf(static_cast<int (Oid::*)(B*)>(&Oid::setValue)), SlotOf(&Oid::getValue),
                     SlotOf(static_cast<int (Oid::*)(const unsigned*, unsigned)>(&Oid::setValue))});
  ExpectConsecutive("boolean", kKindFirst,
                    {SlotOf(static_cast<int (Bool::*)()>(&Bool::value)),
                     SlotOf(static_cast<int (Bool::*)(int)>(&Bool::value))});
  ExpectConsecutive("time", kKindFirst, {SlotOf(&Utc::setTime), SlotOf(&Utc::getTime)});
  ExpectConsecutive("sequence", kKindFirst,
                    {SlotOf(&Seq::addObject), SlotOf(&Seq::getObject), SlotOf(&Seq::removeLastObject)});
  ExpectConsecutive("set", kKindFirst,
                    {SlotOf(&Set::addObject), SlotOf(&Set::getObject), SlotOf(&Set::getFirst),
                     SlotOf(&Set::getNext), SlotOf(&Set::sortByValue), SlotOf(&Set::removeLastObject)});
  ExpectConsecutive("choice", kKindFirst,
                    {SlotOf(&Ch::addObject), SlotOf(&Ch::getObject), SlotOf(&Ch::setTypeForEncode),
                     SlotOf(&Ch::getType), SlotOf(&Ch::getRealId), SlotOf(&Ch::getMinId)});
  ExpectConsecutive("any", kKindFirst,
                    {SlotOf(&Any::addObject), SlotOf(&Any::getObject), SlotOf(&Any::getFirst),
                     SlotOf(&Any::getNext), SlotOf(&Any::getRealId)});
  ExpectConsecutive("optional", kKindFirst,
                    {SlotOf(&Opt::addObject), SlotOf(&Opt::getObject), SlotOf(&Opt::getRealId)});
  ExpectConsecutive("explicit", kKindFirst, {SlotOf(&Ex::addObject), SlotOf(&Ex::getObject)});
  ExpectConsecutive("constructed", kKindFirst, {SlotOf(&Con::addObject), SlotOf(&Con::getObject)});
  ExpectConsecutive("template", kKindFirst,
                    {SlotOf(&Tpl::setValue), SlotOf(&Tpl::getValue), SlotOf(&Tpl::getRealId),
                     SlotOf(&Tpl::setRealId)});
}

TEST(AsnTypesContract, ServiceSlotsInOrder) {
  using A = CMN_ASN_Interface;
  ExpectConsecutive("service", kFirstOwnSlot,
                    {SlotOf(static_cast<CMN_GuardedRef* (A::*)(unsigned)>(&A::create)),
                     SlotOf(static_cast<CMN_ASN_Type_Interface* (A::*)(const char*)>(&A::create)),
                     SlotOf(&A::registry)});
}

}  // namespace
