// The attribute list of a key: every value-carrying attribute of one key,
// whichever body is current, so that values survive a change of body.
#ifndef PKIX_KEY_KEYATTR_H_
#define PKIX_KEY_KEYATTR_H_

#include "key/tkey.h"
#include "support/result_codes.h"

// Takes one reference on b (not null) for a holder that keeps it or for a
// caller it is handed to. pkixrc::kOk, or pkixrc::kNoReference when b
// refuses one (b is then unchanged).
inline int addRefTo(TBuf* b) { return b->addRef() > 0 ? pkixrc::kOk : pkixrc::kNoReference; }

// A singly linked list of (identifier, value) nodes in the order they were
// first stored; an identifier occurs at most once and a node may be left
// without a value. The list holds one reference on every value.
class KeyAttrList {
 public:
  // One attribute: its identifier and its value (held), and the next node.
  // Defined with the list's operations: nothing outside reads a node.
  struct Node;

  KeyAttrList() = default;
  ~KeyAttrList() { clean(); }
  KeyAttrList(const KeyAttrList&) = delete;
  KeyAttrList& operator=(const KeyAttrList&) = delete;

  // The node of a, or null; clears the error.
  Node* getAttr(TKey::aka_t a);
  // The value of a with a new reference for the caller. Null with error
  // kOk when a was never stored, kUnavailable when its node has no value,
  // kNoReference when the value refuses a reference.
  TBuf* get(TKey::aka_t a);
  // Stores b (referenced) as a's value, releasing an older one; a null b
  // empties an existing node and adds none. kOk, or kNoMemory or
  // kNoReference (b refuses a reference) with the list unchanged.
  int append(TKey::aka_t a, TBuf* b);
  // Releases every value and frees every node.
  void clean();
  int error() const { return error_; }

 private:
  Node* head_ = nullptr;
  Node* tail_ = nullptr;
  int error_ = pkixrc::kOk;
};

#endif  // PKIX_KEY_KEYATTR_H_
