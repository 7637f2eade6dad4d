// The ASN type stubs without the generic ASN.1 service: every stub stays
// empty, every operation answers 9 (kFailed) or an empty value, nothing
// crashes, and the service stub neither binds nor asks again and again.
#include <gtest/gtest.h>

#include "asn/cmn_asn.h"
#include "support/result_codes.h"
#include "testing/inproc.h"

namespace {

// The operations every kind stub has, checked once per kind.
template <class Stub>
class EmptyKindStub : public ::testing::Test {};

using AllKinds = ::testing::Types<
    CMN_ASN_Type, CMN_ASN_Bool_Stub, CMN_ASN_Integer_Stub, CMN_ASN_OctetString_Stub, CMN_ASN_PrintableString_Stub,
    CMN_ASN_BitString_Stub, CMN_ASN_Null_Stub, CMN_ASN_Sequence_Stub, CMN_ASN_Set_Stub, CMN_ASN_ObjectId_Stub,
    CMN_ASN_Explicit_Stub, CMN_ASN_Optional_Stub, CMN_ASN_UtcTime_Stub, CMN_ASN_GeneralTime_Stub, CMN_ASN_Any_Stub,
    CMN_ASN_Template_Stub, CMN_ASN_Choice_Stub, CMN_ASN_Type_Constructed_Stub, CMN_ASN_BMPString_Stub,
    CMN_ASN_IA5String_Stub, CMN_ASN_UniversalString_Stub>;
TYPED_TEST_SUITE(EmptyKindStub, AllKinds);

TYPED_TEST(EmptyKindStub, EveryCommonOperationFails) {
  pkixtest::InProcessManager host;  // buffers, logging, crypto; no service 66
  TypeParam stub;
  EXPECT_TRUE(stub.empty());
  CMN_ASN_Buf_Stub in;
  EXPECT_TRUE(in.empty());
  EXPECT_EQ(stub.decode(in), pkixrc::kFailed);
  EXPECT_EQ(stub.err(), pkixrc::kFailed);
  EXPECT_TRUE(stub.encode().empty());
  EXPECT_EQ(stub.getRawLen(), 0u);
  EXPECT_EQ(stub.setFlag(0x80), pkixrc::kFailed);
  EXPECT_EQ(stub.setObjId(1), pkixrc::kFailed);
  EXPECT_EQ(stub.setEnc(ASN_BER), pkixrc::kFailed);
  // Conversions keep it empty.
  CMN_ASN_Type any = stub;
  EXPECT_TRUE(any.empty());
  TypeParam back(any);
  EXPECT_TRUE(back.empty());
}

TEST(EmptyStubs, KindOperationsFail) {
  pkixtest::InProcessManager host;
  CMN_ASN_Buf_Stub buf;
  const unsigned char octets[] = {0x02, 0x01, 0x05};  // INTEGER 5
  const unsigned arcs[] = {1, 2, 840, 113549};

  CMN_ASN_Bool_Stub b;
  EXPECT_EQ(b.value(1), pkixrc::kFailed);
  EXPECT_EQ(b.value(), 0);

  CMN_ASN_Integer_Stub i;
  EXPECT_EQ(i.setValue(buf), pkixrc::kFailed);
  EXPECT_EQ(i.setValue(octets, sizeof octets), pkixrc::kFailed);
  EXPECT_EQ(i.setNumber(buf), pkixrc::kFailed);
  EXPECT_EQ(i.setNumber(octets, sizeof octets), pkixrc::kFailed);
  EXPECT_EQ(i.setNumber(5ul), pkixrc::kFailed);
  EXPECT_TRUE(i.getValue().empty());
  EXPECT_TRUE(i.getNumber().empty());
  EXPECT_EQ(i.signum(), 0);
  EXPECT_EQ(i.signum(-1), pkixrc::kFailed);

  CMN_ASN_OctetString_Stub os;
  EXPECT_EQ(os.setValue(octets, sizeof octets), pkixrc::kFailed);
  EXPECT_TRUE(os.getValue().empty());
  CMN_ASN_IA5String_Stub ia5;
  EXPECT_EQ(ia5.setValue(buf), pkixrc::kFailed);

  CMN_ASN_BitString_Stub bits;
  EXPECT_EQ(bits.setValue(octets, sizeof octets), pkixrc::kFailed);
  EXPECT_EQ(bits.unused(3), pkixrc::kFailed);
  EXPECT_EQ(bits.unused(), 0u);

  CMN_ASN_ObjectId_Stub oid;
  EXPECT_EQ(oid.setValue(arcs, 4), pkixrc::kFailed);

  CMN_ASN_UtcTime_Stub utc;
  EXPECT_EQ(utc.setTime(86400), pkixrc::kFailed);
  EXPECT_EQ(utc.getTime(), 0);

  CMN_ASN_Sequence_Stub seq;
  EXPECT_EQ(seq.addObject(i), pkixrc::kFailed);
  EXPECT_TRUE(seq.getObject(0).empty());
  EXPECT_EQ(seq.removeLastObject(), pkixrc::kFailed);

  CMN_ASN_Set_Stub set;
  EXPECT_TRUE(set.getFirst().empty());
  EXPECT_TRUE(set.getNext().empty());
  EXPECT_EQ(set.sortByValue(0), pkixrc::kFailed);
  EXPECT_EQ(set.removeLastObject(), pkixrc::kFailed);

  CMN_ASN_Choice_Stub choice;
  EXPECT_EQ(choice.setTypeForEncode(i), pkixrc::kFailed);
  EXPECT_TRUE(choice.getType().empty());
  EXPECT_EQ(choice.getRealId(), 0u);
  EXPECT_EQ(choice.getMinId(), pkixasn::kAsnNoIndex);

  CMN_ASN_Any_Stub any;
  EXPECT_TRUE(any.getFirst().empty());
  EXPECT_EQ(any.getRealId(), 0u);
  CMN_ASN_Optional_Stub opt;
  EXPECT_EQ(opt.getRealId(), 0u);
  CMN_ASN_Template_Stub tmpl;
  EXPECT_EQ(tmpl.setRealId(0x30), pkixrc::kFailed);
  EXPECT_EQ(tmpl.getRealId(), 0u);
}

TEST(EmptyStubs, BufferOperationsFail) {
  pkixtest::InProcessManager host;
  const unsigned char octets[] = {0x05, 0x00};
  CMN_ASN_Buf_Stub made(octets, sizeof octets);
  EXPECT_TRUE(made.empty());
  CMN_ASN_Buf_Stub b;
  unsigned n = 7;
  unsigned char flag = 1;
  unsigned count = 9;
  EXPECT_EQ(b.load("/dev/null"), pkixrc::kFailed);
  EXPECT_EQ(b.save("/dev/null"), pkixrc::kFailed);
  EXPECT_EQ(b.init(4), pkixrc::kFailed);
  EXPECT_EQ(b.set(octets, sizeof octets), pkixrc::kFailed);
  EXPECT_FALSE(b == made);
  EXPECT_TRUE(b.clone().empty());
  EXPECT_EQ(b.len(), 0u);
  EXPECT_EQ(b.datap(), nullptr);
  EXPECT_EQ(b.base(), nullptr);
  EXPECT_EQ(b.len_of_datap(), 0u);
  EXPECT_EQ(b[0], 0);
  EXPECT_EQ(b >> 1, pkixrc::kFailed);
  EXPECT_EQ(b << 1, pkixrc::kFailed);
  EXPECT_EQ(b.reset(), pkixrc::kFailed);
  EXPECT_EQ(b.retreat(1), pkixrc::kFailed);
  EXPECT_EQ(b.shift(1), pkixrc::kFailed);
  EXPECT_EQ(b.insert(made), pkixrc::kFailed);
  EXPECT_EQ(b.getTag(n, flag, count), pkixrc::kFailed);
  EXPECT_EQ(b.putTag(2, 0), pkixrc::kFailed);
  EXPECT_EQ(b.chkTag(2, 0), pkixrc::kFailed);
  EXPECT_EQ(b.putLen(3), pkixrc::kFailed);
  EXPECT_EQ(b.getLen(n), pkixrc::kFailed);
  // Outputs stay as they were.
  EXPECT_EQ(n, 7u);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(count, 9u);
}

TEST(EmptyStubs, ServiceStubAnswersNothing) {
  pkixtest::InProcessManager host;
  int asked = host.acquired();
  EXPECT_EQ(asnService.create(pkixasn::kKindInteger), nullptr);
  EXPECT_EQ(asnService.create("AlgorithmIdentifier"), nullptr);
  EXPECT_EQ(asnService.create(static_cast<const char*>(nullptr)), nullptr);
  CMN_ASN_Type none(static_cast<CMN_ASN_Type_Interface*>(nullptr));
  EXPECT_EQ(asnService.registry("X", none), pkixrc::kFailed);
  EXPECT_EQ(asnService.service(), nullptr);
  // No manager answers: each call asked the host (lazily, not at load).
  EXPECT_GE(host.acquired(), asked);
}

TEST(EmptyStubs, NoHostManagerAtAll) {
  // Before the host hands the module its manager: nothing binds, nothing
  // crashes.
  CMN_ASN_Integer_Stub i;
  EXPECT_TRUE(i.empty());
  EXPECT_EQ(i.setNumber(1ul), pkixrc::kFailed);
  EXPECT_TRUE(i.encode().empty());
}

}  // namespace
