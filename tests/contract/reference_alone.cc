// contract/reference.h on its own: counts under the module lock, destroyed
// at 0, copies start from nothing.
#include "contract/reference.h"

#include <gtest/gtest.h>

namespace {

class Counted : public CMN_Reference {
 public:
  explicit Counted(bool* dead) : dead_(dead) {}
  ~Counted() override { *dead_ = true; }

 private:
  bool* dead_;
};

TEST(ReferenceContract, LastRemovalDestroys) {
  bool dead = false;
  Counted* c = new Counted(&dead);
  EXPECT_EQ(c->refMutex(), &CMN_Reference::RefMutex);
  c->addReference();
  c->addReference();
  EXPECT_EQ(c->references(), 2);
  EXPECT_EQ(c->remReference(), 1);
  EXPECT_FALSE(dead);
  EXPECT_EQ(c->remReference(), 0);
  EXPECT_TRUE(dead);
}

TEST(ReferenceContract, CopyStartsAtZeroOnTheModuleLock) {
  CMN_RecursiveMutex own("");
  CMN_Reference b(&own);
  b.addReference();
  EXPECT_EQ(b.refMutex(), &own);
  CMN_Reference copy(b);  // neither the count nor the lock is copied
  EXPECT_EQ(copy.references(), 0);
  EXPECT_EQ(copy.refMutex(), &CMN_Reference::RefMutex);
  copy = b;  // assignment changes nothing
  EXPECT_EQ(copy.references(), 0);
  EXPECT_EQ(b.references(), 1);
}

}  // namespace
