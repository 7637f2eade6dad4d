#include "support/abuf.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "host/hostbuf.h"
#include "testing/inproc.h"
#include "support/result_codes.h"

namespace pkixtest {
namespace {

const unsigned char kBytes[] = {0x30, 0x03, 0x02, 0x01, 0x05};

class ABufTest : public ::testing::Test {
 protected:
  void TearDown() override {
    x509cmn_fini();
    EXPECT_EQ(pkixhost::liveBuffers(), 0);
  }
};

TEST_F(ABufTest, WithoutServiceEveryWrapperIsEmpty) {
  InProcessManager mgr(false);
  aBuf b;
  EXPECT_EQ(b.error(), pkixrc::kUnavailable);
  EXPECT_EQ(b.len(), 0u);
  EXPECT_EQ(b.error(), pkixrc::kUnavailable);
  EXPECT_EQ(b.datap(), nullptr);
  EXPECT_EQ(b.set("x"), pkixrc::kUnavailable);
  aBuf other;
  EXPECT_EQ(b != other, 1);
}

TEST_F(ABufTest, EmptyBufferFromTheService) {
  InProcessManager mgr;
  aBuf b;
  EXPECT_EQ(b.error(), 0);
  EXPECT_EQ(b.len(), 0u);
  EXPECT_EQ(b.error(), 0);
  EXPECT_EQ(b.raw()->references(), 1);  // held by the wrapper alone
}

TEST_F(ABufTest, ContentOperations) {
  InProcessManager mgr;
  aBuf b(kBytes, sizeof kBytes);
  ASSERT_EQ(b.error(), 0);
  EXPECT_EQ(b.len(), 5u);
  EXPECT_EQ(b.shift(2), 0);
  EXPECT_EQ(b.len(), 3u);
  EXPECT_EQ(b.datap()[0], 0x02);
  EXPECT_EQ(b.retreat(2), 0);
  EXPECT_EQ(b.datap()[0], 0x30);
  EXPECT_NE(b.shift(6), 0);  // beyond the content
  EXPECT_NE(b.error(), 0);
  aBuf c("text");
  EXPECT_EQ(c.len(), 4u);
  EXPECT_EQ(b != c, 1);
  EXPECT_EQ(c.dup(b), 0);
  EXPECT_EQ(b != c, 0);
  EXPECT_EQ(b.error(), 0);
  EXPECT_EQ(c.set("ab"), 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(c.datap()), c.len()), "ab");
}

TEST_F(ABufTest, ZeroLengthIsPassedAsIs) {
  InProcessManager mgr;
  TBuf* none = createTBuf(kBytes, 0);
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->len(), 0u);
  none->release();
  // Null data with a length: that many octets to write into.
  TBuf* room = createTBuf(nullptr, 16);
  ASSERT_NE(room, nullptr);
  EXPECT_EQ(room->len(), 16u);
  room->release();
}

TEST_F(ABufTest, SaveAndLoad) {
  InProcessManager mgr;
  std::string path = ::testing::TempDir() + "abuf_test.bin";
  aBuf b(kBytes, sizeof kBytes);
  EXPECT_EQ(b.save(path.c_str()), 0);
  aBuf c;
  EXPECT_EQ(c.load(path.c_str()), 0);
  EXPECT_EQ(c != b, 0);
  std::remove(path.c_str());
  EXPECT_EQ(c.load(path.c_str()), pkixhost::kBufCannotOpen);
  EXPECT_EQ(c.error(), pkixhost::kBufCannotOpen);
  EXPECT_EQ(c.save("/nonexistent-dir/x"), pkixhost::kBufCannotOpen);
}

TEST_F(ABufTest, ViewKeepsItsOwnerAlive) {
  InProcessManager mgr;
  TBuf* owner = createTBuf(kBytes, sizeof kBytes);
  TBuf* view = createTBuf();
  ASSERT_EQ(view->setView(owner, owner->datap() + 2, 3), 0);
  owner->release();  // the view still holds it
  EXPECT_EQ(pkixhost::liveBuffers(), 2);
  EXPECT_EQ(view->len(), 3u);
  EXPECT_EQ(view->datap()[0], 0x02);
  // A view outside the owner's content is refused.
  TBuf* other = createTBuf();
  EXPECT_NE(other->setView(view, view->datap() + 1, 3), 0);
  other->release();
  view->release();
  EXPECT_EQ(pkixhost::liveBuffers(), 0);
}

TEST_F(ABufTest, BindAndUnbindThroughInitAndFini) {
  InProcessManager mgr;
  EXPECT_EQ(x509cmn_init(), 0);
  EXPECT_NE(theX509Cmn.service(), nullptr);
  EXPECT_EQ(x509cmn_fini(), 0);
  EXPECT_EQ(theX509Cmn.service(), nullptr);
  EXPECT_GE(mgr.released(), 1);
}

}  // namespace
}  // namespace pkixtest
