// contract/ldap.h on its own: the directory client's two service interfaces
// and its request object, with the module types named but not needed. The
// slot of every operation is read from its pointer to member (the Itanium
// C++ ABI stores a virtual member's vtable offset plus one there), so a
// reordered declaration fails here rather than in a caller across modules.
#include "contract/ldap.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <type_traits>

namespace {

static_assert(std::is_base_of<CMN_GuardedRef, CMN_LdapClntSvc_I>::value, "the service is guarded");
static_assert(std::is_base_of<CMN_LdapClntSvc_I, CMN_LdapClntSvc_Ext_I>::value,
              "the extended interface begins with the basic one");
static_assert(std::is_base_of<CMN_GuardedRef, CMN_LdapReqCont_I>::value, "requests are guarded");
static_assert(sizeof(CMN_LdapReqCont_I::ReqType) == 4, "request kinds pass as 32-bit values");
static_assert(std::is_standard_layout<TLdapConnectionKey>::value, "keys are plain records");

// The vtable slot a pointer to a virtual member names.
template <class M>
std::ptrdiff_t slotOf(M member) {
  static_assert(sizeof(M) == 2 * sizeof(std::ptrdiff_t), "Itanium member pointers");
  std::ptrdiff_t words[2];
  std::memcpy(words, &member, sizeof words);
  return (words[0] - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

// Slots 0 and 1 are the destructor pair, 2 and 3 init and fini: the four
// slots the module does not use.
constexpr std::ptrdiff_t kFirst = 4;

TEST(LdapContract, BasicServiceSlots) {
  using S = CMN_LdapClntSvc_I;
  const std::ptrdiff_t slots[] = {
      slotOf(&S::Start),                 slotOf(&S::Stop),
      slotOf(&S::AddConnection),         slotOf(&S::RemoveConnection),
      slotOf(&S::RemoveAllConnections),  slotOf(&S::SetConnectTimeout),
      slotOf(&S::SetResponseTimeout),    slotOf(&S::SetConnectHoldTimeout),
      slotOf(&S::SetDropConnectTimeout),
  };
  for (std::size_t i = 0; i < sizeof slots / sizeof slots[0]; ++i)
    EXPECT_EQ(slots[i], kFirst + static_cast<std::ptrdiff_t>(i)) << "operation " << i;
}

TEST(LdapContract, ExtendedServiceSlots) {
  using S = CMN_LdapClntSvc_Ext_I;
  const std::ptrdiff_t slots[] = {
      slotOf(&S::Start),
      slotOf(&S::Stop),
      slotOf(&S::AddConnection),
      slotOf(&S::RemoveConnection),
      slotOf(&S::RemoveAllConnections),
      slotOf(&S::SetConnectTimeout),
      slotOf(&S::SetResponseTimeout),
      slotOf(&S::SetConnectHoldTimeout),
      slotOf(&S::SetDropConnectTimeout),
      slotOf(&S::createRequest),
      slotOf(&S::GetResponseTimeout),
      slotOf(&S::FindConnectionUnlocked),
      slotOf(&S::FindAndLockConnection),
      slotOf(&S::GetAndLockFirstConnection),
      slotOf(&S::GetNextConnectionUnlocked),
      slotOf(&S::UnlockConnection),
      slotOf(&S::CreateTimer),
      slotOf(&S::RemoveTimerEntry),
      slotOf(&S::RemoveWildConnTimerEntry),
      slotOf(&S::MarkActiveUsage),
      slotOf(&S::UnmarkActiveUsage),
      slotOf(&S::SetConnectionKillerTimer),
      slotOf(&S::RemoveConnectionKillerTimer),
      slotOf(&S::CloseAllConnectionsByTimer),
      slotOf(&S::GetConnectTimeout),
      slotOf(&S::GetConnectHoldTimeout),
      slotOf(&S::GetDropConnectTimeout),
      slotOf(&S::WildConnectionAdd),
      slotOf(&S::WildConnectionFindAndLock),
      slotOf(&S::WildConnectionRemove),
      slotOf(&S::WildConnectionUnlock),
      slotOf(&S::SetWildConnTimer),
      slotOf(&S::RemoveWildConnTimer),
      slotOf(&S::GetCurrentConnection),
  };
  for (std::size_t i = 0; i < sizeof slots / sizeof slots[0]; ++i)
    EXPECT_EQ(slots[i], kFirst + static_cast<std::ptrdiff_t>(i)) << "operation " << i;
}

TEST(LdapContract, RequestSlots) {
  using R = CMN_LdapReqCont_I;
  const std::ptrdiff_t slots[] = {
      slotOf(static_cast<int (R::*)(TName*)>(&R::setDN)),
      slotOf(static_cast<int (R::*)(const unsigned char*, unsigned)>(&R::setDN)),
      slotOf(&R::setURL),
      slotOf(&R::setServer),
      slotOf(&R::send),
      slotOf(&R::getResStatus),
      slotOf(&R::error),  // the slot the module does not use
      slotOf(&R::getCertList),
      slotOf(&R::getCertListDatap),
      slotOf(&R::getCertListDataLen),
      slotOf(&R::getCrlList),
      slotOf(&R::getCrlListDatap),
      slotOf(&R::getCrlListDataLen),
  };
  for (std::size_t i = 0; i < sizeof slots / sizeof slots[0]; ++i)
    EXPECT_EQ(slots[i], kFirst + static_cast<std::ptrdiff_t>(i)) << "operation " << i;
}

TEST(LdapContract, NumbersOfKindsAndStatuses) {
  struct Case {
    int value;
    int expected;
  } cases[] = {
      {CMN_LdapReqCont_I::kReqCrl, 0},        {CMN_LdapReqCont_I::kReqArl, 1},
      {CMN_LdapReqCont_I::kReqCaCert, 2},     {CMN_LdapReqCont_I::kReqUserCert, 3},
      {CMN_LdapReqCont_I::kReqAllCrls, 4},    {CMN_LdapReqCont_I::kReqAllCerts, 5},
      {CMN_LdapReqCont_I::kResNotSent, 0},    {CMN_LdapReqCont_I::kResSending, 1},
      {CMN_LdapReqCont_I::kResDone, 2},       {CMN_LdapReqCont_I::kResNoAnswer, 3},
      {CMN_LdapReqCont_I::kResUnreachable, 4}, {CMN_LdapReqCont_I::kResFailed, 5},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value, c.expected);
  EXPECT_EQ(kLdapMaxAnswerBytes, 64u << 20);
  EXPECT_EQ(TLdapConnectionKey::kHostMax, 256u);
}

}  // namespace
