// The ASN.1 object service through the loaded module, as another module
// reaches it: the host hands it out under 0x3f0009, its objects are made and
// used from the host's side, and without the host's generic ASN.1 service
// (66) every object fails cleanly with 9 where it needs a buffer (the
// in-process tests check that case whatever the host offers).
#include <gtest/gtest.h>

#include "asn/pkix_asn_impl.h"
#include "contract/service_ids.h"
#include "host/host.h"
#include "support/result_codes.h"

namespace {

using pkixhost::Host;

TEST(AsnModuleTest, ServiceAnswersAndObjectsFailCleanlyWithoutTheGenericService) {
  Host host;
  pkixhost::LoadedModule* m = host.load(PKIX_MODULE_PATH);
  ASSERT_NE(m, nullptr);
  Tuint32ID me(Host::kHostModuleID);
  Tuint32ID id(pkixid::kAsnService);
  auto* s = static_cast<TPkixASNService*>(host.acquire(id, me));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(m->module()->getService(id), s) << "the same service every time";
  const bool generic = host.acquire(Tuint32ID(pkixid::kGenericAsn), me) != nullptr;
  if (generic) host.release(Tuint32ID(pkixid::kGenericAsn), me);

  for (int n = 0; n < TPkixASNService::kObjectNames; ++n) {
    SCOPED_TRACE(n);
    if (n == TPkixASNService::OBJ_ATTRIBUTES) continue;  // an empty set is a value: below
    CMN_ASN_Type_Interface* o = s->createObj(static_cast<TPkixASNService::objectName_type>(n));
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->decode(nullptr), pkixrc::kBadArgument);
    CMN_ASN_Buf_Interface* enc = o->encode();
    // Nothing set: nothing to write, whatever the host offers.
    EXPECT_EQ(enc, nullptr);
    EXPECT_NE(o->err(), 0);
    EXPECT_EQ(o->remReference(), 0);
  }
  // An empty attribute set has all it needs to be written (SET {}): it
  // fails, with 9, only for want of a buffer of the generic service.
  CMN_ASN_Type_Interface* a = s->createObj(TPkixASNService::OBJ_ATTRIBUTES);
  ASSERT_NE(a, nullptr);
  CMN_ASN_Buf_Interface* empty_set = a->encode();
  if (generic) {
    ASSERT_NE(empty_set, nullptr);
    EXPECT_EQ(empty_set->len(), 2u);  // 31 00
    empty_set->remReference();
  } else {
    EXPECT_EQ(empty_set, nullptr);
    EXPECT_EQ(a->err(), pkixrc::kFailed);
  }
  a->remReference();
  EXPECT_EQ(s->createObj(static_cast<TPkixASNService::objectName_type>(11)), nullptr);
  EXPECT_EQ(s->createObj(static_cast<ASNAttribute_Interface::attribute_t>(0)), nullptr);
  host.release(id, me);
  EXPECT_EQ(m->guard()->callCount(), 0);
}

}  // namespace
