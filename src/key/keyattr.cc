#include "key/keyattr.h"

#include <new>

#include "support/ref.h"

struct KeyAttrList::Node {
  TKey::aka_t id;
  Ref<TBuf> value;  // empty when the attribute was emptied
  Node* next;
};

KeyAttrList::Node* KeyAttrList::getAttr(TKey::aka_t a) {
  error_ = pkixrc::kOk;
  for (Node* n = head_; n != nullptr; n = n->next) {
    if (n->id == a) return n;
  }
  return nullptr;
}

TBuf* KeyAttrList::get(TKey::aka_t a) {
  Node* n = getAttr(a);
  if (n == nullptr) return nullptr;
  if (!n->value) {
    error_ = pkixrc::kUnavailable;
    return nullptr;
  }
  if ((error_ = addRefTo(n->value.get())) != pkixrc::kOk) return nullptr;
  return n->value.get();
}

int KeyAttrList::append(TKey::aka_t a, TBuf* b) {
  Node* n = getAttr(a);
  if (n == nullptr && b == nullptr) return error_ = pkixrc::kOk;
  if (b != nullptr && (error_ = addRefTo(b)) != pkixrc::kOk) return error_;
  // From here the reference on b (if any) belongs to held.
  Ref<TBuf> held = adoptRef(b);
  if (n != nullptr) {
    n->value = std::move(held);
    return error_ = pkixrc::kOk;
  }
  n = new (std::nothrow) Node{a, std::move(held), nullptr};
  if (n == nullptr) return error_ = pkixrc::kNoMemory;
  if (tail_ == nullptr) {
    head_ = n;
  } else {
    tail_->next = n;
  }
  tail_ = n;
  return error_ = pkixrc::kOk;
}

void KeyAttrList::clean() {
  Node* n = head_;
  head_ = tail_ = nullptr;
  while (n != nullptr) {
    Node* next = n->next;
    delete n;  // its value's reference goes with it
    n = next;
  }
  error_ = pkixrc::kOk;
}
