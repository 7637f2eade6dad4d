#include "key/keyattr.h"

#include <new>

namespace {
// A reference for a new holder; false when the buffer refuses one.
bool Reference(TBuf* b) { return b->addRef() > 0; }
}  // namespace

KeyAttrList::Node* KeyAttrList::getAttr(TKey::aka_t a) {
  error_ = 0;
  for (Node* n = head_; n != nullptr; n = n->next) {
    if (n->id == a) return n;
  }
  return nullptr;
}

TBuf* KeyAttrList::get(TKey::aka_t a) {
  Node* n = getAttr(a);
  if (n == nullptr) return nullptr;
  if (n->value == nullptr) {
    error_ = 40;
    return nullptr;
  }
  if (!Reference(n->value)) {
    error_ = 43;
    return nullptr;
  }
  return n->value;
}

int KeyAttrList::append(TKey::aka_t a, TBuf* b) {
  Node* n = getAttr(a);
  if (n != nullptr) {
    if (b != nullptr && !Reference(b)) return error_ = 43;
    TBuf* old = n->value;
    n->value = b;
    if (old != nullptr) old->release();
    return error_ = 0;
  }
  if (b == nullptr) return error_ = 0;
  n = new (std::nothrow) Node{a, b, nullptr};
  if (n == nullptr) return error_ = 1;
  if (!Reference(b)) {
    delete n;
    return error_ = 43;
  }
  if (tail_ == nullptr) {
    head_ = n;
  } else {
    tail_->next = n;
  }
  tail_ = n;
  return error_ = 0;
}

void KeyAttrList::clean() {
  Node* n = head_;
  head_ = tail_ = nullptr;
  while (n != nullptr) {
    Node* next = n->next;
    if (n->value != nullptr) n->value->release();
    delete n;
    n = next;
  }
  error_ = 0;
}
