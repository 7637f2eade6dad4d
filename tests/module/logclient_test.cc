// The logging client as the module uses it, against the host's logging
// service.
#include "support/cmn_logC.h"

#include <gtest/gtest.h>

#include "host/hostlog.h"
#include "testing/inproc.h"
#include "support/result_codes.h"

namespace pkixtest {
namespace {

TEST(LogClientTest, MessageReachesTheSinkWithItsVariables) {
  InProcessManager mgr;
  pkixhost::LogCapture capture;
  {
    aLogContainer msg(0x600F1, static_cast<cmn_resource>(3), 0);
    EXPECT_EQ(msg.addVar(1, "UTF8String"), 0);
    EXPECT_EQ(msg.addVar(2, 42u), 0);
    unsigned char raw[] = {0xde, 0xad};
    EXPECT_EQ(msg.addVar(3, raw, 2), 0);
    EXPECT_EQ(msg.send(), 0);
  }
  auto got = capture.with(0x600F1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].resource, 3u);
  ASSERT_NE(got[0].var(1), nullptr);
  EXPECT_EQ(*got[0].var(1), "UTF8String");
  EXPECT_EQ(*got[0].var(2), "42");
  EXPECT_EQ(*got[0].var(3), "dead");
  EXPECT_EQ(mgr.guard()->callCount(), 0);
}

TEST(LogClientTest, WithoutServiceNothingIsLoggedAndCallsReturn40) {
  InProcessManager mgr(false);
  pkixhost::LogCapture capture;
  aLogContainer msg(0x600F2, 0);
  EXPECT_EQ(msg.addVar(1, 5), pkixrc::kUnavailable);
  EXPECT_EQ(msg.send(), pkixrc::kUnavailable);
  EXPECT_EQ(msg.getMsg(), nullptr);
  EXPECT_TRUE(capture.records().empty());
}

}  // namespace
}  // namespace pkixtest
