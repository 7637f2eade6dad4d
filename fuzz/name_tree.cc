// Name trees over arbitrary DER. The input is split at its first octet's
// value into two names; both trees are built and compared, and the
// properties every pair of trees has are checked: a tree matches and
// contains itself, matching is symmetric, and two matching trees contain
// and overlap each other.
#include <cstddef>
#include <cstdint>

#include "contract/tbuf.h"
#include "support/abuf.h"
#include "name/nametree.h"
#include "testing/inproc.h"

namespace {

void Require(bool ok) {
  if (!ok) __builtin_trap();
}

NameTree* Build(const uint8_t* p, size_t n) {
  TBuf* b = createTBuf(p, static_cast<unsigned>(n));
  if (b == nullptr) return nullptr;
  NameTree* t = new NameTree;
  if (!t->build_tree(b)) Require(t->sets() == 0 && t->attributes() == 0);
  b->release();
  return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static pkixtest::InProcessManager* manager = new pkixtest::InProcessManager;
  (void)manager;
  if (size == 0) return 0;
  size_t split = data[0] < size - 1 ? data[0] : size - 1;
  NameTree* a = Build(data + 1, split);
  NameTree* b = Build(data + 1 + split, size - 1 - split);
  if (a == nullptr || b == nullptr) __builtin_trap();
  Require(a->match(a) == 1 && a->subtree(a) == 1);
  int m = a->match(b);
  Require(m == b->match(a));
  if (m == 1) Require(a->subtree(b) == 1 && b->subtree(a) == 1 && a->intersect(b) == 1);
  if (a->subtree(b) == 1 && b->subtree(a) == 1) Require(a->sets() == b->sets());
  Require(a->intersect(b) == b->intersect(a));
  a->release();
  b->release();
  return 0;
}
