// Name trees: equality whatever the order of RDNs and of attributes inside
// an RDN, containment, overlap, bad DER, and reference counts released from
// several threads.
#include "name/nametree.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "support/abuf.h"
#include "name_test_util.h"
#include "testing/inproc.h"

namespace nametest {
namespace {

class TreeTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (NameTree* t : trees_) t->release();
    x509cmn_fini();
  }
  // A tree of der (which must build).
  NameTree* Tree(const Bytes& der) {
    NameTree* t = new NameTree;
    trees_.push_back(t);
    TBuf* b = createTBuf(reinterpret_cast<const unsigned char*>(der.data()), static_cast<unsigned>(der.size()));
    EXPECT_NE(b, nullptr);
    EXPECT_EQ(t->build_tree(b), 1) << Hex(der);
    if (b != nullptr) b->release();  // the tree keeps its own reference
    return t;
  }

  pkixtest::InProcessManager mgr_;
  std::vector<NameTree*> trees_;
};

const Bytes kA = Rdn({Atv(kCN, 0x0C, "A")});
const Bytes kB = Rdn({Atv(kO, 0x0C, "B")});
const Bytes kC1 = Rdn({Atv(kC, 0x0C, "NO")});
const Bytes kMulti = Rdn({Atv(kCN, 0x0C, "A"), Atv(kOU, 0x0C, "U")});
const Bytes kMultiSwapped = Rdn({Atv(kOU, 0x0C, "U"), Atv(kCN, 0x0C, "A")});

TEST_F(TreeTest, MatchSubtreeIntersect) {
  NameTree* ab = Tree(Seq({kA, kB}));
  NameTree* ba = Tree(Seq({kB, kA}));
  NameTree* abc = Tree(Seq({kA, kB, kC1}));
  NameTree* b = Tree(Seq({kB}));
  NameTree* c = Tree(Seq({kC1}));
  NameTree* empty = Tree(Seq({}));
  NameTree* multi = Tree(Seq({kMulti, kB}));
  NameTree* swapped = Tree(Seq({kB, kMultiSwapped}));
  NameTree* aSameTypeOtherTag = Tree(Seq({Rdn({Atv(kCN, 0x13, "A")}), kB}));

  EXPECT_EQ(ab->match(ba), 1) << "RDN order does not matter";
  EXPECT_EQ(multi->match(swapped), 1) << "attribute order inside an RDN does not matter";
  EXPECT_EQ(ab->match(abc), 0);
  EXPECT_EQ(ab->match(multi), 0);
  EXPECT_EQ(ab->match(aSameTypeOtherTag), 0) << "string types differ";
  EXPECT_EQ(empty->match(empty), 1);

  EXPECT_EQ(abc->subtree(ab), 1) << "an extra RDN lies within the shorter name";
  EXPECT_EQ(ab->subtree(abc), 0);
  EXPECT_EQ(ab->subtree(ba), 1);
  EXPECT_EQ(ab->subtree(empty), 1) << "any name lies within the empty name";
  EXPECT_EQ(empty->subtree(ab), 0);
  EXPECT_EQ(multi->subtree(ab), 1) << "an RDN's attributes contain a smaller RDN";
  EXPECT_EQ(ab->subtree(multi), 0);
  EXPECT_EQ(c->subtree(b), 0);

  EXPECT_EQ(abc->intersect(b), 1) << "one whole RDN in common";
  EXPECT_EQ(b->intersect(abc), 1);
  EXPECT_EQ(c->intersect(ab), 0);
  EXPECT_EQ(multi->intersect(Tree(Seq({kA}))), 0) << "part of an RDN is not a shared RDN";
  EXPECT_EQ(empty->intersect(c), 1) << "an empty name overlaps everything";
  EXPECT_EQ(c->intersect(empty), 1);

  EXPECT_EQ(multi->sets(), 2u);
  EXPECT_EQ(multi->attributes(), 3u);
}

TEST_F(TreeTest, GeneralNamesOneComponentPerSet) {
  NameTree* x = Tree(Seq({Tlv(0x81, "A@B"), Tlv(0x82, "H")}));
  NameTree* y = Tree(Seq({Tlv(0x82, "H"), Tlv(0x81, "A@B")}));
  NameTree* h = Tree(Seq({Tlv(0x82, "H")}));
  EXPECT_EQ(x->sets(), 2u);
  EXPECT_EQ(x->match(y), 1);
  EXPECT_EQ(x->subtree(h), 1);
  EXPECT_EQ(h->intersect(x), 1);
}

// A walk that cannot read the whole name builds nothing: the last RDN
// claiming more octets than there are, an attribute without its value,
// octets that are no name at all, or no octets.
TEST_F(TreeTest, BadDerBuildsNothing) {
  const Bytes good = Seq({kA, kB});
  const Bytes cases[] = {
      good.substr(0, good.size() - 1),
      FromHex("300B3109300706035504030C"),
      FromHex("0403414243"),
      FromHex("3080"),
      Bytes(),
  };
  for (const Bytes& der : cases) {
    NameTree* t = new NameTree;
    TBuf* b = createTBuf(reinterpret_cast<const unsigned char*>(der.data()), static_cast<unsigned>(der.size()));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(t->build_tree(b), 0) << Hex(der);
    EXPECT_EQ(t->sets(), 0u);
    EXPECT_EQ(t->attributes(), 0u);
    b->release();
    t->release();
  }
  NameTree* t = Tree(good);
  EXPECT_EQ(t->build_tree(nullptr), 0) << "a rebuild clears what was there";
  EXPECT_EQ(t->sets(), 0u);
}

TEST_F(TreeTest, CountsReleasedFromSeveralThreads) {
  NameTree* t = new NameTree;
  TBuf* b = createTBuf(reinterpret_cast<const unsigned char*>(kA.data()), static_cast<unsigned>(kA.size()));
  Bytes der = Seq({kA, kB});
  b->set(reinterpret_cast<const unsigned char*>(der.data()), static_cast<unsigned>(der.size()));
  ASSERT_EQ(t->build_tree(b), 1);
  b->release();
  constexpr int kThreads = 4, kEach = 500;
  for (int i = 0; i < kThreads * kEach; ++i) t->addref();
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([t] {
      for (int j = 0; j < kEach; ++j) t->release();
    });
  }
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(t->sets(), 2u) << "the creator's reference is still there";
  t->release();
}

}  // namespace
}  // namespace nametest
