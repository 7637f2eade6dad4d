// contract/service_ids.h on its own: the module's services are numbered
// module * 65536 + index, and no two numbers coincide.
#include "contract/service_ids.h"

#include <gtest/gtest.h>

namespace {

TEST(ServiceIdsContract, OwnServicesAreModuleTimes65536PlusIndex) {
  struct Case {
    uint32_t id;
    uint32_t index;
  } cases[] = {{pkixid::kCertListReserved, 6}, {pkixid::kCertService, 7}, {pkixid::kKeyService, 8},
               {pkixid::kAsnService, 9}, {pkixid::kAlgConversion, 10}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.id >> 16, pkixid::kModule) << c.index;
    EXPECT_EQ(c.id & 0xFFFFu, c.index);
  }
}

TEST(ServiceIdsContract, OutsideServicesAreOtherModules) {
  const uint32_t outside[] = {pkixid::kCrypto, pkixid::kGenericAsn, pkixid::kDirectory, pkixid::kBuffers,
                              pkixid::kLogging};
  for (size_t i = 0; i < sizeof outside / sizeof outside[0]; ++i) {
    EXPECT_NE(outside[i], pkixid::kModule);
    for (size_t j = i + 1; j < sizeof outside / sizeof outside[0]; ++j) EXPECT_NE(outside[i], outside[j]);
  }
}

}  // namespace
