// contract/guarded_ref.h on its own: the holder list unlinks in constant
// time through its back-links, and the guard counts calls and the objects
// that name it.
#include "contract/guarded_ref.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace {

// A holder that is only ever listed, never called.
class ListedHolder : public CMN_GRPHolder {
 public:
  int replacePointee(CMN_GuardedRef*) override { return 0; }
  const TypifiedID* getModuleID() override { return nullptr; }
};

TEST(GuardedRefContract, HolderListUnlinksAnyItem) {
  ListedHolder a, b, c;
  slist<CMN_GRPHolder> list;
  list.push_front(&a);
  list.push_front(&b);
  list.push_front(&c);  // c, b, a
  ASSERT_EQ(list.count, 3u);
  list.eraseitem(list.head->next);  // b, from the middle
  ASSERT_EQ(list.count, 2u);
  EXPECT_EQ(list.head->holder, &c);
  EXPECT_EQ(list.head->next->holder, &a);
  EXPECT_EQ(list.head->next->linkBack, &list.head->next);
  list.eraseitem(list.head);  // the head: a's back-link follows
  EXPECT_EQ(list.head->holder, &a);
  EXPECT_EQ(list.head->linkBack, &list.head);
  list.eraseitem(nullptr);  // nothing
  list.eraseitem(list.head);
  EXPECT_EQ(list.head, nullptr);
  EXPECT_EQ(list.count, 0u);
}

TEST(GuardedRefContract, GuardCountsCallsAndGoesWithItsLastReference) {
  CMN_Guard* g = CMN_Guard::create();
  g->refs.addReference();
  EXPECT_EQ(g->inc(), 1);
  EXPECT_EQ(g->inc(), 2);
  EXPECT_EQ(g->dec(), 1);
  EXPECT_EQ(g->callCount(), 1);
  EXPECT_EQ(g->dec(), 0);
  EXPECT_EQ(g->refs.remReference(), 0);  // the guard is gone (the sanitizer checks)
}

static_assert(std::is_abstract<CMN_GuardedRef>::value, "init() and fini() are the derived class's");
static_assert(std::is_base_of<CMN_Reference, CMN_GuardedRef>::value, "a guarded object is counted");

}  // namespace
