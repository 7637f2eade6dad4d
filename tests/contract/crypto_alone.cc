// contract/crypto.h on its own: the crypto service and its transforms, with
// the key wrapper named but not needed.
#include "contract/crypto.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace {

static_assert(std::is_same<pki_alg_t, uint32_t>::value, "algorithm numbers are 32-bit");
static_assert(std::is_base_of<CMN_GuardedRef, ccTransform>::value, "transforms are guarded");
static_assert(std::is_base_of<CMN_GuardedRef, CCD_Interface>::value, "the service is guarded");

TEST(CryptoContract, OperationNumbers) {
  struct Case {
    ccFunc f;
    int value;
  } cases[] = {{CC_ENCRYPT, 1}, {CC_DECRYPT, 2}, {CC_HASH, 3}, {CC_SIGN, 4}, {CC_VERIFY, 5}};
  for (const Case& c : cases) EXPECT_EQ(static_cast<int>(c.f), c.value);
}

}  // namespace
