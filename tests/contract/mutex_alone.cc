// contract/mutex.h on its own: the scope lock holds either mutex for its
// scope (or until unlock()), and lets it go exactly once.
#include "contract/mutex.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// Whether another thread can take m right now (and leaves it free again).
bool FreeForOthers(CMN_RecursiveMutex& m) {
  int got = 0;
  std::thread([&] {
    got = m.tryenter();
    if (got != 0) m.exit();
  }).join();
  return got != 0;
}

TEST(MutexContract, ScopedLockHoldsARecursiveMutexForItsScope) {
  CMN_RecursiveMutex m("");
  {
    CMN_ScopedLock<CMN_RecursiveMutex> outer(m);
    {
      CMN_ScopedLock<CMN_RecursiveMutex> inner(m);  // the owner enters again
      EXPECT_EQ(m.depth(), 2u);
    }
    EXPECT_EQ(m.depth(), 1u);
    EXPECT_FALSE(FreeForOthers(m));
  }
  EXPECT_EQ(m.depth(), 0u);
  EXPECT_TRUE(FreeForOthers(m));
}

TEST(MutexContract, EarlyUnlockLeavesOnceOnly) {
  CMN_RecursiveMutex m("");
  m.enter();  // held once outside the scope lock
  {
    CMN_ScopedLock<CMN_RecursiveMutex> held(m);
    held.unlock();
    held.unlock();  // a second unlock changes nothing
    EXPECT_EQ(m.depth(), 1u);
  }
  EXPECT_EQ(m.depth(), 1u);  // the destructor did not leave again
  m.exit();
  EXPECT_TRUE(FreeForOthers(m));
}

TEST(MutexContract, ScopedLockHoldsAPlainMutexAcrossAnException) {
  CMN_Mutex m;
  try {
    CMN_ScopedLock<CMN_Mutex> held(m);
    throw 1;
  } catch (int) {
  }
  // Free again: a plain mutex taken twice by one thread would deadlock.
  CMN_ScopedLock<CMN_Mutex> again(m);
}

}  // namespace
