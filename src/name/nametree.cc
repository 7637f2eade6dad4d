// Name trees: sorted RDN sets and the three comparisons over them.
#include "name/nametree.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "framework/cmn_rmutex.h"
#include "support/buffers.h"
#include "support/ref.h"

namespace {

// Guards the reference counts of every name tree in the process.
CMN_Mutex name_tree_mutex;

}  // namespace

NameTree::NameTree()
    : der_(nullptr), sets_(nullptr), key_(nullptr), key_len_(0), nsets_(0), nattrs_(0), refs_(1) {}

NameTree::~NameTree() { clear(); }

void NameTree::addref() {
  name_tree_mutex.lock();
  ++refs_;
  name_tree_mutex.unlock();
}

void NameTree::release() {
  name_tree_mutex.lock();
  int left = --refs_;
  name_tree_mutex.unlock();
  if (left == 0) delete this;
}

int NameTree::tree_attr_cmp(const TreeAttr* a, const TreeAttr* b) {
  int c = cmp_buffers(&a->type, &b->type);
  if (c != 0) return c;
  c = static_cast<int>(a->tag) - static_cast<int>(b->tag);
  if (c != 0) return c;
  return cmp_buffers(&a->value, &b->value);
}

int NameTree::tree_set_cmp(const TreeSet* a, const TreeSet* b) {
  const TreeAttr* x = &a->first;
  const TreeAttr* y = &b->first;
  for (; x != nullptr && y != nullptr; x = x->next, y = y->next) {
    int c = tree_attr_cmp(x, y);
    if (c != 0) return c;
  }
  if (x == nullptr) return y == nullptr ? 0 : -1;
  return 1;
}

// A set of the attributes of one RDN, sorted once (equal attributes keep
// their order); the smallest is held inline. Null when memory runs out.
NameTree::TreeSet* NameTree::new_tree_set(std::vector<TreeAttr>* attrs) {
  std::stable_sort(attrs->begin(), attrs->end(),
                   [](const TreeAttr& a, const TreeAttr& b) { return tree_attr_cmp(&a, &b) < 0; });
  TreeSet* s = new (std::nothrow) TreeSet;
  if (s == nullptr) return nullptr;
  s->next = nullptr;
  s->count = 0;
  TreeAttr* last = &s->first;
  for (const TreeAttr& a : *attrs) {
    TreeAttr* node = s->count == 0 ? &s->first : new (std::nothrow) TreeAttr(a);
    if (node == nullptr) {
      free_tree_set(s);
      return nullptr;
    }
    *node = a;
    node->next = nullptr;
    if (s->count != 0) last->next = node;
    last = node;
    ++s->count;
  }
  return s;
}

void NameTree::free_tree_set(TreeSet* s) {
  TreeAttr* a = s->count != 0 ? s->first.next : nullptr;
  while (a != nullptr) {
    TreeAttr* next = a->next;
    delete a;
    a = next;
  }
  delete s;
}

// Sorts the sets once (equal sets keep their order) and links them as the
// tree's list.
void NameTree::tree_insert(std::vector<TreeSet*>* sets) {
  std::stable_sort(sets->begin(), sets->end(),
                   [](const TreeSet* a, const TreeSet* b) { return tree_set_cmp(a, b) < 0; });
  TreeSet** at = &sets_;
  for (TreeSet* s : *sets) {
    *at = s;
    at = &s->next;
    ++nsets_;
    nattrs_ += s->count;
  }
  *at = nullptr;
  sets->clear();
}

void NameTree::clear() {
  while (sets_ != nullptr) {
    TreeSet* next = sets_->next;
    free_tree_set(sets_);
    sets_ = next;
  }
  nsets_ = 0;
  nattrs_ = 0;
  std::free(key_);
  key_ = nullptr;
  key_len_ = 0;
  if (der_ != nullptr) der_->release();
  der_ = nullptr;
}

int NameTree::build_tree(TBuf* der) {
  clear();
  // No DER, or none to walk (the walkers want content to point at).
  Buffer name = viewOf(der);
  if (name.len == 0) return 0;
  // The sets and the attributes of the open RDN are gathered first and
  // sorted once each, so a name of n attributes builds in O(n log n).
  std::vector<TreeSet*> sets;
  bool ok = true;
  int r = 0;
  try {
    x509_walk_state_t st;
    TreeAttr a{};
    std::vector<TreeAttr> open;
    r = x509_U_gfra(&st, &name, &a.tag, &a.type, &a.value);
    for (; r == 1 && ok; r = x509_U_gnra(&st, &a.tag, &a.type, &a.value)) {
      open.push_back(a);
      if (st.enclosed != 0) continue;
      sets.push_back(nullptr);
      sets.back() = new_tree_set(&open);
      ok = sets.back() != nullptr;
      open.clear();
    }
    // An RDN whose last attribute claimed a successor (still open) is
    // dropped.
    if (ok) tree_insert(&sets);
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  for (TreeSet* s : sets) {
    if (s != nullptr) free_tree_set(s);
  }
  if (!ok || r < 0 || !make_key()) {
    clear();
    return 0;
  }
  der_ = newRefTo(der);
  return 1;
}

namespace {

// A length in 7-bit groups, the last one without the high bit.
unsigned char* PutLength(unsigned char* p, uint32_t n) {
  while (n >= 0x80) {
    *p++ = static_cast<unsigned char>(n | 0x80);
    n >>= 7;
  }
  *p++ = static_cast<unsigned char>(n);
  return p;
}

constexpr size_t kMaxLength = 5;  // octets of the longest written length

}  // namespace

bool NameTree::make_key() {
  size_t room = 0;
  for (const TreeSet* s = sets_; s != nullptr; s = s->next) {
    room += kMaxLength;
    for (const TreeAttr* a = &s->first; a != nullptr; a = a->next) room += 2 * kMaxLength + 1 + a->type.len + a->value.len;
  }
  key_ = static_cast<unsigned char*>(std::malloc(room == 0 ? 1 : room));
  if (key_ == nullptr) return false;
  unsigned char* p = key_;
  for (const TreeSet* s = sets_; s != nullptr; s = s->next) {
    p = PutLength(p, s->count);  // where one set ends and the next begins
    for (const TreeAttr* a = &s->first; a != nullptr; a = a->next) {
      p = PutLength(p, a->type.len);
      if (a->type.len != 0) std::memcpy(p, a->type.data, a->type.len);
      p += a->type.len;
      *p++ = a->tag;
      p = PutLength(p, a->value.len);
      if (a->value.len != 0) std::memcpy(p, a->value.data, a->value.len);
      p += a->value.len;
    }
  }
  key_len_ = static_cast<size_t>(p - key_);
  return true;
}

int NameTree::match(const NameTree* b) const {
  if (b == nullptr || nsets_ != b->nsets_ || nattrs_ != b->nattrs_ || key_len_ != b->key_len_) return 0;
  return key_len_ == 0 || std::memcmp(key_, b->key_, key_len_) == 0 ? 1 : 0;
}

// Every attribute of b is in a (a merge walk over the two sorted lists,
// skipping a's extra attributes).
bool NameTree::set_contains(const TreeSet* a, const TreeSet* b) {
  if (a->count < b->count) return false;
  const TreeAttr* x = &a->first;
  for (const TreeAttr* y = &b->first; y != nullptr; y = y->next) {
    while (x != nullptr && tree_attr_cmp(x, y) < 0) x = x->next;
    if (x == nullptr || tree_attr_cmp(x, y) != 0) return false;
    x = x->next;
  }
  return true;
}

int NameTree::subtree(const NameTree* b) const {
  if (b == nullptr) return 0;
  if (b->nattrs_ == 0) return 1;
  if (b->nattrs_ > nattrs_ || b->nsets_ > nsets_ || nsets_ == 0) return 0;
  const TreeSet* x = sets_;
  for (const TreeSet* y = b->sets_; y != nullptr; y = y->next) {
    while (x != nullptr && !set_contains(x, y)) x = x->next;
    if (x == nullptr) return 0;
    x = x->next;
  }
  return 1;
}

int NameTree::intersect(const NameTree* b) const {
  if (b == nullptr) return 0;
  if (nattrs_ == 0 || b->nattrs_ == 0) return 1;
  const TreeSet* x = sets_;
  const TreeSet* y = b->sets_;
  while (x != nullptr && y != nullptr) {
    int c = tree_set_cmp(x, y);
    if (c == 0) return 1;
    if (c < 0) {
      x = x->next;
    } else {
      y = y->next;
    }
  }
  return 0;
}
