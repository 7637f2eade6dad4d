// Name trees: sorted RDN sets and the three comparisons over them.
#include "name/nametree.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "framework/cmn_rmutex.h"

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

NameTree::TreeSet* NameTree::new_tree_set() {
  TreeSet* s = new (std::nothrow) TreeSet;
  if (s != nullptr) {
    s->next = nullptr;
    s->count = 0;
    s->first.next = nullptr;
  }
  return s;
}

void NameTree::free_tree_set(TreeSet* s) {
  TreeAttr* a = s->first.next;
  while (a != nullptr) {
    TreeAttr* next = a->next;
    delete a;
    a = next;
  }
  delete s;
}

// Puts a at its sorted place in s; the smallest attribute stays inline.
bool NameTree::tree_set_insert_attr(TreeSet* s, const TreeAttr& a) {
  if (s->count == 0) {
    s->first = a;
    s->first.next = nullptr;
    s->count = 1;
    return true;
  }
  TreeAttr* node = new (std::nothrow) TreeAttr(a);
  if (node == nullptr) return false;
  if (tree_attr_cmp(&a, &s->first) < 0) {
    // The new one becomes the inline first; the old first moves to node.
    *node = s->first;
    s->first = a;
    s->first.next = node;
  } else {
    TreeAttr* at = &s->first;
    while (at->next != nullptr && tree_attr_cmp(at->next, &a) <= 0) at = at->next;
    node->next = at->next;
    at->next = node;
  }
  ++s->count;
  return true;
}

// Puts s at its sorted place in the list, after any equal sets.
void NameTree::tree_insert(TreeSet* s) {
  TreeSet** at = &sets_;
  while (*at != nullptr && tree_set_cmp(*at, s) <= 0) at = &(*at)->next;
  s->next = *at;
  *at = s;
  ++nsets_;
  nattrs_ += s->count;
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
  Buffer* name = der != nullptr ? der->getBuffer() : nullptr;
  if (name == nullptr) return 0;
  x509_walk_state_t st;
  TreeAttr a{};
  int r = x509_U_gfra(&st, name, &a.tag, &a.type, &a.value);
  if (r < 0) return 0;
  TreeSet* open = nullptr;
  bool ok = true;
  for (; r == 1 && ok; r = x509_U_gnra(&st, &a.tag, &a.type, &a.value)) {
    if (open == nullptr) open = new_tree_set();
    ok = open != nullptr && tree_set_insert_attr(open, a);
    if (ok && st.enclosed == 0) {
      tree_insert(open);
      open = nullptr;
    }
  }
  // An RDN whose last attribute claimed a successor is dropped.
  if (open != nullptr) free_tree_set(open);
  if (!ok || r < 0 || !make_key()) {
    clear();
    return 0;
  }
  der->addRef();
  der_ = der;
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
