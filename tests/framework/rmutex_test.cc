#include "framework/cmn_rmutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "framework/cmn_gref.h"

namespace {

TEST(RecursiveMutexTest, DepthAcrossThreads) {
  CMN_RecursiveMutex m("test");
  m.enter();
  m.enter();
  m.enter();
  EXPECT_EQ(m.depth(), 3u);
  m.exit();
  m.exit();
  // Still owned at depth 1: another thread cannot get in.
  std::atomic<int> got{-1};
  std::thread([&] { got = m.tryenter(); }).join();
  EXPECT_EQ(got.load(), 0);
  m.exit();
  // Free now: another thread enters, and the owner's tryenter re-enters.
  std::thread([&] {
    EXPECT_EQ(m.tryenter(), 1);
    EXPECT_EQ(m.tryenter(), 1);
    EXPECT_EQ(m.depth(), 2u);
    m.exit();
    m.exit();
  }).join();
  EXPECT_EQ(m.depth(), 0u);
}

TEST(RecursiveMutexTest, BlockedThreadEntersOnlyAfterLastExit) {
  CMN_RecursiveMutex m("test");
  std::atomic<bool> inside{false};
  m.enter();
  m.enter();
  std::thread other([&] {
    m.enter();
    inside = true;
    m.exit();
  });
  m.exit();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(inside.load());
  m.exit();
  other.join();
  EXPECT_TRUE(inside.load());
}

TEST(RecursiveMutexTest, ExclusionUnderContention) {
  CMN_RecursiveMutex m("test");
  long counter = 0;
  auto work = [&] {
    for (int i = 0; i < 20000; ++i) {
      m.enter();
      m.enter();
      ++counter;
      m.exit();
      m.exit();
    }
  };
  std::thread a(work), b(work), c(work);
  a.join();
  b.join();
  c.join();
  EXPECT_EQ(counter, 60000);
}

TEST(GuardLockTest, RaisesForItsScopeAndNullIsHarmless) {
  CMN_Guard* g = CMN_Guard::create();
  g->refs.addReference();
  {
    GuardLockVar a(g);
    GuardLockConst b(g);
    EXPECT_EQ(g->callCount(), 2);
  }
  EXPECT_EQ(g->callCount(), 0);
  try {
    GuardLockVar a(g);
    throw 1;
  } catch (int) {
  }
  EXPECT_EQ(g->callCount(), 0);
  { GuardLock none(nullptr); }
  g->refs.remReference();
}

struct Counted {
  static inline int alive = 0;
  Counted() { ++alive; }
  ~Counted() { --alive; }
};

TEST(FineTlsTest, FreesWhatItRegistered) {
  {
    fineTls<Counted> tls;
    tls.specific(new Counted);
    tls.specific(new Counted);
    tls.specific(nullptr);
    EXPECT_EQ(tls.count(), 2u);
    EXPECT_EQ(Counted::alive, 2);
  }
  EXPECT_EQ(Counted::alive, 0);
}

}  // namespace
