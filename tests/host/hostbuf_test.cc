// The host's buffer service (platform/host/hostbuf.cc) through the client
// functions: content held in the object's own allocation and in blocks of
// its own, front room, growth by the support library's encoders, views and
// views of views, and creation and release from several threads.
#include "host/hostbuf.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "contract/x509asn.h"
#include "support/abuf.h"
#include "testing/inproc.h"

namespace pkixtest {
namespace {

// Room every fresh content has in front of it (hostbuf.cc).
constexpr unsigned kFrontRoom = 64;

// n octets counting up from first.
std::vector<unsigned char> Octets(size_t n, unsigned char first = 1) {
  std::vector<unsigned char> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<unsigned char>(first + i);
  return v;
}

bool Holds(TBuf* b, const unsigned char* want, size_t n) {
  return b->len() == n && (n == 0 || std::memcmp(b->datap(), want, n) == 0);
}

class HostBufTest : public ::testing::Test {
 protected:
  void SetUp() override { live_ = pkixhost::liveBuffers(); }
  void TearDown() override {
    x509cmn_fini();
    EXPECT_EQ(pkixhost::liveBuffers(), live_);
  }
  InProcessManager mgr_;
  int live_ = 0;
};

// Fresh copies of every size class: content in the object's allocation (up
// to 16 KiB) and in a block of its own beyond. Each has the front room, and
// an encoder that outgrows it moves the content to a new block; the old one
// is never freed apart from its object (ASan reports a wrong free).
TEST_F(HostBufTest, FreshCopiesHaveRoomAndGrow) {
  for (size_t n : {size_t{1}, size_t{63}, size_t{64}, size_t{1000}, size_t{16 * 1024}, size_t{16 * 1024 + 1},
                   size_t{70000}}) {
    SCOPED_TRACE(n);
    std::vector<unsigned char> content = Octets(n);
    TBuf* b = createTBuf(content.data(), static_cast<unsigned>(n));
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(Holds(b, content.data(), n));
    // Content as aligned as malloc's blocks (arrays of words are kept in
    // buffers), with at least the front room before it; retreating stops
    // at the start of the room.
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b->datap()) % alignof(std::max_align_t), 0u);
    unsigned room = static_cast<unsigned>(b->getBuffer()->data - b->getBuffer()->start);
    EXPECT_GE(room, kFrontRoom);
    EXPECT_EQ(b->retreat(room + 1), pkixhost::kBufOutOfRange);
    ASSERT_EQ(b->retreat(room), pkixhost::kBufOk);
    EXPECT_EQ(b->len(), n + room);
    ASSERT_EQ(b->shift(room), pkixhost::kBufOk);
    // A header in the room moves nothing; a second one outgrows the room
    // (less than 80 octets).
    Buffer* rec = b->getBuffer();
    const unsigned char* before = rec->data;
    std::vector<unsigned char> head = Octets(40, 0x80);
    Buffer h{nullptr, head.data(), 40};
    ASSERT_EQ(insert_buffer(rec, &h), 0);
    EXPECT_EQ(rec->data, before - 40);
    ASSERT_EQ(insert_buffer(rec, &h), 0);
    ASSERT_EQ(b->len(), n + 80);
    EXPECT_EQ(std::memcmp(b->datap(), head.data(), 40), 0);
    EXPECT_EQ(std::memcmp(b->datap() + 40, head.data(), 40), 0);
    EXPECT_EQ(std::memcmp(b->datap() + 80, content.data(), n), 0);
    // Replacing the content after growth, then again with a shorter text.
    ASSERT_EQ(b->set(content.data(), 1), pkixhost::kBufOk);
    EXPECT_TRUE(Holds(b, content.data(), 1));
    EXPECT_EQ(b->release(), 0);
  }
}

// Null data with a length gives that many zero octets, embedded or not.
TEST_F(HostBufTest, NullDataGivesZeroes) {
  for (unsigned n : {1u, 200u, 20000u}) {
    TBuf* b = createTBuf(static_cast<const unsigned char*>(nullptr), n);
    ASSERT_NE(b, nullptr);
    std::vector<unsigned char> zeroes(n, 0);
    EXPECT_TRUE(Holds(b, zeroes.data(), n)) << n;
    b->release();
  }
}

// A fresh empty buffer: zero octets at a valid address, the front room when
// something is put in front, and encoders writing into its record.
TEST_F(HostBufTest, EmptyBufferRoomAndEncoding) {
  TBuf* e = createTBuf();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->len(), 0u);
  EXPECT_NE(e->datap(), nullptr);
  EXPECT_EQ(e->retreat(0), pkixhost::kBufOk);
  EXPECT_EQ(e->shift(1), pkixhost::kBufOutOfRange);
  EXPECT_EQ(e->retreat(kFrontRoom + 1), pkixhost::kBufOutOfRange);
  EXPECT_EQ(e->retreat(kFrontRoom), pkixhost::kBufOk);
  EXPECT_EQ(e->len(), kFrontRoom);
  e->release();

  TBuf* enc = createTBuf();
  ASSERT_NE(enc, nullptr);
  ASSERT_EQ(asn1_der_encode(0x30, enc->getBuffer()), 0);
  const unsigned char kEmptySequence[] = {0x30, 0x00};
  EXPECT_TRUE(Holds(enc, kEmptySequence, 2));
  // Copies of an empty buffer are empty and equal to it.
  TBuf* none = createTBuf();
  TBuf* copy = createTBuf(none);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->len(), 0u);
  EXPECT_EQ(*copy != none, 0);
  EXPECT_EQ(enc->dup(none), pkixhost::kBufOk);
  EXPECT_EQ(enc->len(), 0u);
  copy->release();
  none->release();
  enc->release();
}

// Shifting moves through the content and never past its end.
TEST_F(HostBufTest, ShiftStopsAtTheEnd) {
  std::vector<unsigned char> content = Octets(5);
  TBuf* b = createTBuf(content.data(), 5);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->shift(6), pkixhost::kBufOutOfRange);
  EXPECT_TRUE(Holds(b, content.data(), 5));  // unchanged
  EXPECT_EQ(b->shift(5), pkixhost::kBufOk);
  EXPECT_EQ(b->len(), 0u);
  EXPECT_EQ(b->shift(1), pkixhost::kBufOutOfRange);
  EXPECT_EQ(b->retreat(5), pkixhost::kBufOk);
  EXPECT_TRUE(Holds(b, content.data(), 5));
  b->release();
}

// A view of a view holds the octets' buffer; every intermediate view may go
// first, and the octets stay until the last view goes.
TEST_F(HostBufTest, ViewsOfViewsKeepTheRootAlive) {
  std::vector<unsigned char> content = Octets(300);
  TBuf* root = createTBuf(content.data(), 300);
  TBuf* mid = createTBuf();
  TBuf* leaf = createTBuf();
  ASSERT_NE(leaf, nullptr);
  ASSERT_EQ(mid->setView(root, root->datap() + 10, 200), pkixhost::kBufOk);
  ASSERT_EQ(leaf->setView(mid, mid->datap() + 5, 100), pkixhost::kBufOk);
  root->release();
  mid->release();
  EXPECT_EQ(pkixhost::liveBuffers(), live_ + 2);  // leaf and root: mid is gone
  EXPECT_TRUE(Holds(leaf, content.data() + 15, 100));
  // A view made from the leaf again reaches the same octets.
  TBuf* again = createTBuf();
  ASSERT_EQ(again->setView(leaf, leaf->datap(), 1), pkixhost::kBufOk);
  leaf->release();
  EXPECT_TRUE(Holds(again, content.data() + 15, 1));
  again->release();
}

// Refused views: outside the owner's content, of itself, and of a view of
// itself (which would hold itself alive); nothing changes and nothing leaks.
TEST_F(HostBufTest, RefusedViewsChangeNothing) {
  std::vector<unsigned char> content = Octets(8);
  TBuf* root = createTBuf(content.data(), 8);
  TBuf* view = createTBuf();
  ASSERT_EQ(view->setView(root, root->datap() + 2, 4), pkixhost::kBufOk);
  struct Case {
    TBuf* target;
    TBuf* owner;
    const unsigned char* data;
    unsigned len;
    int code;
  } cases[] = {
      {view, root, root->datap() + 5, 4, pkixhost::kBufOutOfRange},
      {view, root, root->datap() - 1, 1, pkixhost::kBufOutOfRange},
      {view, nullptr, nullptr, 0, pkixhost::kBufBadArgument},
      {view, root, nullptr, 1, pkixhost::kBufBadArgument},
      {root, root, root->datap(), 1, pkixhost::kBufBadArgument},
      {root, view, view->datap(), 2, pkixhost::kBufBadArgument},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.target->setView(c.owner, c.data, c.len), c.code);
  }
  EXPECT_TRUE(Holds(root, content.data(), 8));
  EXPECT_TRUE(Holds(view, content.data() + 2, 4));
  view->release();
  root->release();
}

// An encoder growing a view moves the view into a block of its own; the
// viewed octets stay as they were, and the view still lets its owner go.
TEST_F(HostBufTest, GrowingAViewCopies) {
  std::vector<unsigned char> content = Octets(16);
  TBuf* root = createTBuf(content.data(), 16);
  TBuf* view = createTBuf();
  ASSERT_EQ(view->setView(root, root->datap() + 4, 8), pkixhost::kBufOk);
  ASSERT_EQ(asn1_der_encode(0x04, view->getBuffer()), 0);
  ASSERT_EQ(view->len(), 10u);
  EXPECT_EQ(view->datap()[0], 0x04);
  EXPECT_EQ(view->datap()[1], 8);
  EXPECT_EQ(std::memcmp(view->datap() + 2, content.data() + 4, 8), 0);
  EXPECT_TRUE(Holds(root, content.data(), 16));
  root->release();
  EXPECT_EQ(view->retreat(1), pkixhost::kBufOk);  // the new block has room
  view->release();
}

// Threads make copies, views and views of views of one shared buffer and of
// their own, and let them go in another order; the count of live buffers is
// exact once they are done.
TEST_F(HostBufTest, ConcurrentCreateAndRelease) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 500;
  std::vector<unsigned char> content = Octets(100);
  TBuf* shared = createTBuf(content.data(), 100);
  ASSERT_NE(shared, nullptr);
  std::vector<int> failures(kThreads, 0);
  std::atomic<TBuf*> handed[kThreads] = {};
  auto work = [&](int t) {
    for (int r = 0; r < kRounds; ++r) {
      TBuf* own = createTBuf(content.data(), 1 + (r % 100));
      TBuf* v1 = createTBuf();
      TBuf* v2 = createTBuf();
      if (own == nullptr || v1 == nullptr || v2 == nullptr) {
        ++failures[t];
        break;
      }
      if (v1->setView(shared, shared->datap() + 1, 50) != 0) ++failures[t];
      if (v2->setView(v1, v1->datap() + 1, 10) != 0) ++failures[t];
      v1->release();
      if (!Holds(v2, content.data() + 2, 10)) ++failures[t];
      if (own->setView(v2, v2->datap(), 3) != 0) ++failures[t];
      own->release();
      // Every other round the last view is released by the next thread's
      // round instead (a buffer ending on another thread than its maker).
      if (r % 2 == 0) {
        v2->release();
      } else {
        v2 = handed[(t + 1) % kThreads].exchange(v2, std::memory_order_acq_rel);
        if (v2 != nullptr) v2->release();
      }
    }
  };
  std::vector<std::thread> pool;
  for (int t = 0; t < kThreads; ++t) pool.emplace_back(work, t);
  for (std::thread& th : pool) th.join();
  for (std::atomic<TBuf*>& h : handed) {
    if (TBuf* b = h.load(); b != nullptr) b->release();
  }
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << t;
  EXPECT_EQ(pkixhost::liveBuffers(), live_ + 1);
  shared->release();
}

}  // namespace
}  // namespace pkixtest
