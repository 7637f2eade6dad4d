// contract/cmnlog.h on its own: the logging service, its containers and the
// message catalogue entries.
#include "contract/cmnlog.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace {

static_assert(std::is_base_of<CMN_GuardedRef, TCMNLog>::value, "the service is guarded");
static_assert(std::is_base_of<CMN_GuardedRef, TLogContainer>::value, "containers are guarded");

TEST(CmnLogContract, CatalogueEntriesAreIdSeverityText) {
  const LogMsgDesc catalogue[] = {{0x600F1, 2, "first"}, {0x600F2, 3, "second"}};
  EXPECT_EQ(catalogue[1].id, 0x600F2u);
  EXPECT_EQ(catalogue[1].severity, 3u);
  EXPECT_STREQ(catalogue[0].text, "first");
}

}  // namespace
