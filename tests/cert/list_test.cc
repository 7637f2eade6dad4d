#include "cert/list.h"

#include <gtest/gtest.h>

#include <vector>

#include "testing/inproc.h"
#include "support/result_codes.h"

namespace pkixtest {
namespace {

// An object that can be told to refuse new references.
struct Item : XBase {
  explicit Item(int v) : value(v) {}
  int addRef() override { return refuse ? -7 : XBase::addRef(); }
  int value;
  bool refuse = false;
};

class ListTest : public ::testing::Test {
 protected:
  InProcessManager mgr{false};
  List* list = new List;
  std::vector<Item*> items;
  void SetUp() override {
    for (int i = 1; i <= 3; ++i) items.push_back(new Item(i));
  }
  void TearDown() override {
    list->release();
    for (Item* i : items) EXPECT_EQ(i->release(), 0) << "item " << i->value << " still referenced";
  }
  void Fill() {
    for (Item* i : items) ASSERT_EQ(list->append(i), 0);
  }
  // Takes the element, checks it and drops the reference.
  int Value(XBase* x) {
    if (x == nullptr) return 0;
    int v = static_cast<Item*>(x)->value;
    x->release();
    return v;
  }
  std::vector<int> Forward() {
    std::vector<int> out;
    for (XBase* x = list->getFirst(); x != nullptr; x = list->getNext()) out.push_back(Value(x));
    return out;
  }
};

TEST_F(ListTest, EmptyList) {
  EXPECT_EQ(list->getFirst(), nullptr);
  EXPECT_EQ(list->error(), 0);
  XBase* out = reinterpret_cast<XBase*>(1);
  EXPECT_EQ(list->getFirst(&out), 1);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(list->getLast(&out), 0);
  EXPECT_TRUE(list->isEmpty());
  EXPECT_TRUE(list->isHead());
  EXPECT_FALSE(list->isTail());
  EXPECT_EQ(list->getNext(nullptr), pkixrc::kBadArgument);
  EXPECT_EQ(list->getPrev(nullptr), pkixrc::kBadArgument);
}

TEST_F(ListTest, CursorWalksBothWays) {
  Fill();
  EXPECT_EQ(Forward(), (std::vector<int>{1, 2, 3}));
  // Past the end the cursor stays on the last element.
  EXPECT_TRUE(list->isTail());
  EXPECT_EQ(Value(list->getNext()), 0);
  EXPECT_EQ(Value(list->getPrev()), 2);
  // Backwards past the first parks on the sentinel, from which getNext
  // yields the first again.
  EXPECT_EQ(Value(list->getLast()), 3);
  EXPECT_EQ(Value(list->getPrev()), 2);
  EXPECT_EQ(Value(list->getPrev()), 1);
  EXPECT_EQ(Value(list->getPrev()), 0);
  EXPECT_TRUE(list->isHead());
  EXPECT_EQ(Value(list->getNext()), 1);
}

TEST_F(ListTest, EveryElementTakenOutIsANewReference) {
  Fill();
  EXPECT_EQ(items[0]->references(), 2);
  XBase* x = list->getFirst();
  EXPECT_EQ(items[0]->references(), 3);
  x->release();
  XBase* out = nullptr;
  EXPECT_EQ(list->getNext(&out), 1);
  EXPECT_EQ(Value(out), 2);
}

TEST_F(ListTest, InsertPushFrontAndDelete) {
  ASSERT_EQ(list->append(items[1]), 0);
  ASSERT_EQ(list->pushFront(items[0]), 0);
  EXPECT_TRUE(list->isHead());  // pushFront and append leave the cursor
  ASSERT_EQ(list->insert(items[2]), 0);  // cursor on the sentinel: at the front
  EXPECT_EQ(Forward(), (std::vector<int>{3, 1, 2}));
  EXPECT_EQ(Value(list->getFirst()), 3);
  EXPECT_EQ(list->delCurrent(), 0);
  EXPECT_EQ(Value(list->getNext()), 1);
  EXPECT_EQ(list->insert(items[2]), 0);  // after the cursor, cursor moves on it
  EXPECT_EQ(Value(list->getNext()), 2);
  EXPECT_EQ(Forward(), (std::vector<int>{1, 3, 2}));
}

TEST_F(ListTest, StrictAppendComparesIdentityNotContent) {
  Fill();
  EXPECT_EQ(list->strictAppend(items[1]), pkixrc::kAlreadyPresent);
  EXPECT_EQ(items[1]->references(), 2);
  Item twin(2);
  twin.addRef();  // stack object: never released to 0 here
  EXPECT_EQ(list->strictAppend(&twin), 0);
  list->clean();
  EXPECT_EQ(twin.references(), 2);
}

TEST_F(ListTest, CleanLeavesAUsableList) {
  Fill();
  list->getFirst()->release();
  EXPECT_EQ(list->clean(), 0);
  EXPECT_TRUE(list->isEmpty());
  EXPECT_TRUE(list->isHead());
  EXPECT_EQ(items[2]->references(), 1);
  ASSERT_EQ(list->append(items[2]), 0);
  EXPECT_EQ(Forward(), (std::vector<int>{3}));
}

TEST_F(ListTest, NullElementsAndRefusals) {
  ASSERT_EQ(list->pushFront(nullptr), 0);
  XBase* out = reinterpret_cast<XBase*>(1);
  EXPECT_EQ(list->getFirst(&out), 1);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(list->error(), 0);
  items[0]->refuse = true;
  EXPECT_EQ(list->append(items[0]), pkixrc::kNoReference);
  EXPECT_EQ(list->error(), pkixrc::kNoReference);
  items[0]->refuse = false;
  EXPECT_EQ(items[0]->references(), 1);  // nothing was taken
}

TEST_F(ListTest, ConcatenationAppendsInOrder) {
  Fill();
  List* other = new List;
  ASSERT_EQ(other->append(items[2]), 0);
  ASSERT_EQ(other->append(items[0]), 0);
  *list += *other;
  EXPECT_EQ(list->error(), 0);
  EXPECT_EQ(Forward(), (std::vector<int>{1, 2, 3, 3, 1}));
  other->release();
  EXPECT_EQ(items[2]->references(), 3);
}

struct Question : XBase {};

TEST_F(ListTest, ObjectListOfCountedNodes) {
  L_List<Question>* ql = new L_List<Question>;
  Question* q = new Question;
  EXPECT_EQ(ql->append(q), 0);
  EXPECT_EQ(ql->append(nullptr), 0);
  EXPECT_EQ(q->references(), 2);
  int seen = 0;
  ql->forEach([&](Question* e) { seen += e != nullptr; });
  EXPECT_EQ(seen, 1);
  ql->release();
  EXPECT_EQ(q->release(), 0);
}

}  // namespace
}  // namespace pkixtest
