// Counted lists with a built-in cursor. Each node owns one reference to its
// object; taking an element out hands the caller a new reference, putting
// one in leaves the caller's own reference untouched.
#ifndef PKIX_CERT_LIST_H_
#define PKIX_CERT_LIST_H_

#include "cert/xbase.h"
#include "support/result_codes.h"

// List error codes: the module's codes a list answers with.
enum ListCode : int {
  kListOk = pkixrc::kOk,
  kListNoMemory = pkixrc::kNoMemory,
  kListNullArgument = pkixrc::kBadArgument,
  kListAlreadyPresent = pkixrc::kAlreadyPresent,
  kListNoPosition = pkixrc::kUnavailable,
  kListRefused = pkixrc::kNoReference,
};

class Node {
 public:
  // Holds obj (possibly null) with a reference of its own; error 43 when the
  // object refused it.
  explicit Node(XBase* obj);
  virtual ~Node();

  // Releases the held object and takes obj; returns the node's error.
  int setAddr(XBase* obj);
  // A new reference to the held object, or null (empty node, or error 43).
  XBase* getAddr();

  Node* next;
  Node* prev;
  XBase* obj;
  int error;

  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;
};

// A ring sentinel, first, ..., last, sentinel; the cursor rests on the
// sentinel before the first element. Not locked: one thread at a time.
class List : public XBase {
 public:
  List();
  ~List() override;

  // Each returns a new reference the caller releases, or null.
  XBase* getFirst();
  // Moves to the next element; at the end returns null and stays on the last.
  XBase* getNext();
  XBase* getLast();
  // Moves to the previous element; before the first returns null and parks
  // on the sentinel.
  XBase* getPrev();
  // Out-parameter forms: 4 for a null out; otherwise the element in *out and
  // 1 when the list's error is 0, else 0.
  int getFirst(XBase** out);
  int getNext(XBase** out);
  // Out-parameter forms: 4 for a null out; otherwise the list's error.
  int getLast(XBase** out);
  int getPrev(XBase** out);

  // Each returns 0, or 1 (memory) or 43 (refused); the list is unchanged on
  // failure.
  int pushFront(XBase* obj);
  int append(XBase* obj);
  // After the cursor node; the cursor moves onto the new node.
  int insert(XBase* obj);
  // 33 when this very object is already in the list.
  int strictAppend(XBase* obj);
  List& operator+=(List& other);
  // Removes the cursor's element; the cursor moves to the one before it.
  int delCurrent();
  int clean();
  bool isEmpty();
  bool isHead();
  bool isTail();
  int error() const { return error_; }
  // The nodes of the first and last elements, and the node after n (each
  // null where there is none), for a caller that finds its elements without
  // moving the cursor and replaces one in place with setAddr. A node is
  // valid until its element is removed or the list cleaned.
  Node* firstNode() { return sentinel_.next != &sentinel_ ? sentinel_.next : nullptr; }
  Node* lastNode() { return sentinel_.prev != &sentinel_ ? sentinel_.prev : nullptr; }
  Node* nextNode(Node* n) { return n->next != &sentinel_ ? n->next : nullptr; }
  // Unlinks and destroys node n of this list (releasing its object); a
  // cursor on it moves to the node before. 0.
  int removeNode(Node* n);

 private:
  XBase* Take(Node* n);
  int Link(XBase* obj, Node* after, bool move_cursor);

  Node* cursor_;
  Node sentinel_;
  int error_;
};

// A list of counted nodes that are themselves objects.
template <class T>
class L_Node : public XBase {
 public:
  L_Node() : next(this), prev(this), obj(nullptr), error(0) {}
  ~L_Node() override {
    if (obj != nullptr) obj->release();
  }
  L_Node* next;
  L_Node* prev;
  T* obj;
  int error;
};

template <class T>
class L_List : public XBase {
 public:
  L_List() : cursor_(nullptr), sentinel_(new L_Node<T>), error_(0) { cursor_ = sentinel_; }
  ~L_List() override {
    clean();
    sentinel_->release();
  }

  // 0; or a refused reference R, returned with the bits 0xE0060000 set.
  int append(T* obj) {
    L_Node<T>* n = new L_Node<T>;
    if (obj != nullptr) {
      int r = obj->addRef();
      if (r < 0) {
        error_ = r;
        n->release();
        return static_cast<int>(static_cast<unsigned>(r) | 0xE0060000u);
      }
      n->obj = obj;
    }
    n->prev = sentinel_->prev;
    n->next = sentinel_;
    sentinel_->prev->next = n;
    sentinel_->prev = n;
    return 0;
  }
  int clean() {
    L_Node<T>* n = sentinel_->next;
    while (n != sentinel_) {
      L_Node<T>* following = n->next;
      n->release();
      n = following;
    }
    sentinel_->next = sentinel_->prev = sentinel_;
    cursor_ = sentinel_;
    return 0;
  }
  // Walks the elements in order (borrowed pointers).
  template <class F>
  void forEach(F f) const {
    for (L_Node<T>* n = sentinel_->next; n != sentinel_; n = n->next) f(n->obj);
  }
  int error() const { return error_; }

 private:
  L_Node<T>* cursor_;
  L_Node<T>* sentinel_;
  int error_;
};

#endif  // PKIX_CERT_LIST_H_
