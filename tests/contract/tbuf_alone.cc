// contract/tbuf.h on its own: buffers and their service are guarded objects
// whose content is a support library Buffer.
#include "contract/tbuf.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <utility>

namespace {

static_assert(std::is_base_of<CMN_GuardedRef, TBuf>::value, "buffers cross modules guarded");
static_assert(std::is_base_of<CMN_GuardedRef, X509CmnSrv_I>::value, "the service is guarded");
static_assert(std::is_abstract<TBuf>::value && std::is_abstract<X509CmnSrv_I>::value,
              "both are implemented by the buffer service");
static_assert(std::is_same<decltype(std::declval<TBuf&>().getBuffer()), Buffer*>::value,
              "the content is a Buffer record");

TEST(TBufContract, ContentIsAThreeWordBuffer) {
  unsigned char octets[3] = {1, 2, 3};
  Buffer b;
  ASSERT_EQ(set_buffer(&b, sizeof octets, octets), 0);
  EXPECT_EQ(b.data, octets);
  EXPECT_EQ(b.len, 3u);
}

}  // namespace
