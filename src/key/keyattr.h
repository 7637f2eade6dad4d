// The attribute list of a key: every value-carrying attribute of one key,
// whichever body is current, so that values survive a change of body.
#ifndef PKIX_KEY_KEYATTR_H_
#define PKIX_KEY_KEYATTR_H_

#include "key/tkey.h"

// A singly linked list of (identifier, value) nodes in the order they were
// first stored; an identifier occurs at most once and a node may be left
// without a value. The list holds one reference on every value.
class KeyAttrList {
 public:
  struct Node {
    TKey::aka_t id;
    TBuf* value;  // one reference, or null
    Node* next;
  };

  KeyAttrList() = default;
  ~KeyAttrList() { clean(); }
  KeyAttrList(const KeyAttrList&) = delete;
  KeyAttrList& operator=(const KeyAttrList&) = delete;

  // The node of a, or null; clears the error.
  Node* getAttr(TKey::aka_t a);
  // The value of a with a new reference for the caller. Null with error 0
  // when a was never stored, 40 when its node has no value, 43 when the
  // value refuses a reference.
  TBuf* get(TKey::aka_t a);
  // Stores b (referenced) as a's value, releasing an older one; a null b
  // empties an existing node and adds none. 0, or 1 (no memory) or 43 (b
  // refuses a reference) with the list unchanged.
  int append(TKey::aka_t a, TBuf* b);
  // Releases every value and frees every node.
  void clean();
  int error() const { return error_; }

 private:
  Node* head_ = nullptr;
  Node* tail_ = nullptr;
  int error_ = 0;
};

#endif  // PKIX_KEY_KEYATTR_H_
