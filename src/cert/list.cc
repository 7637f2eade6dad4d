#include "cert/list.h"

#include <new>

Node::Node(XBase* o) : next(this), prev(this), obj(o), error(0) {
  if (obj != nullptr && obj->addRef() < 0) error = kListRefused;
}

Node::~Node() {
  if (obj != nullptr && error == 0) obj->release();
}

int Node::setAddr(XBase* o) {
  if (obj != nullptr && error == 0) obj->release();
  obj = nullptr;
  error = 0;
  if (o != nullptr) {
    if (o->addRef() < 0) {
      error = kListRefused;
    } else {
      obj = o;
    }
  }
  return error;
}

XBase* Node::getAddr() {
  error = 0;
  if (obj == nullptr) return nullptr;
  if (obj->addRef() < 0) {
    error = kListRefused;
    return nullptr;
  }
  return obj;
}

List::List() : cursor_(&sentinel_), sentinel_(nullptr), error_(0) {}

List::~List() { clean(); }

XBase* List::Take(Node* n) {
  XBase* o = n->getAddr();
  error_ = n->error;
  return o;
}

XBase* List::getFirst() {
  cursor_ = &sentinel_;
  return getNext();
}

XBase* List::getNext() {
  error_ = 0;
  if (cursor_ == nullptr) {
    error_ = kListNoPosition;
    return nullptr;
  }
  if (cursor_->next == &sentinel_) return nullptr;
  cursor_ = cursor_->next;
  return Take(cursor_);
}

XBase* List::getLast() {
  cursor_ = &sentinel_;
  return getPrev();
}

XBase* List::getPrev() {
  error_ = 0;
  if (cursor_ == nullptr) {
    error_ = kListNoPosition;
    return nullptr;
  }
  cursor_ = cursor_->prev;
  if (cursor_ == &sentinel_) return nullptr;
  return Take(cursor_);
}

int List::getFirst(XBase** out) {
  if (out == nullptr) return error_ = kListNullArgument;
  *out = getFirst();
  return error_ == 0 ? 1 : 0;
}

int List::getNext(XBase** out) {
  if (out == nullptr) return error_ = kListNullArgument;
  *out = getNext();
  return error_ == 0 ? 1 : 0;
}

int List::getLast(XBase** out) {
  if (out == nullptr) return error_ = kListNullArgument;
  *out = getLast();
  return error_;
}

int List::getPrev(XBase** out) {
  if (out == nullptr) return error_ = kListNullArgument;
  *out = getPrev();
  return error_;
}

// The common steps of pushFront, append and insert: a node for obj linked
// after the given node.
int List::Link(XBase* obj, Node* after, bool move_cursor) {
  Node* n = new (std::nothrow) Node(obj);
  if (n == nullptr) return error_ = kListNoMemory;
  if (n->error != 0) {
    error_ = n->error;
    delete n;
    return error_;
  }
  n->prev = after;
  n->next = after->next;
  after->next->prev = n;
  after->next = n;
  if (move_cursor) cursor_ = n;
  return error_ = kListOk;
}

int List::pushFront(XBase* obj) { return Link(obj, &sentinel_, false); }

int List::append(XBase* obj) { return Link(obj, sentinel_.prev, false); }

int List::insert(XBase* obj) {
  if (cursor_ == nullptr) return error_ = kListNoPosition;
  return Link(obj, cursor_, true);
}

int List::strictAppend(XBase* obj) {
  for (Node* n = sentinel_.next; n != &sentinel_; n = n->next) {
    if (n->obj == obj) return error_ = kListAlreadyPresent;
  }
  return append(obj);
}

List& List::operator+=(List& other) {
  int code = 0;
  for (XBase* o = other.getFirst(); o != nullptr; o = other.getNext()) {
    code = append(o);
    o->release();
    if (code != 0) break;
  }
  error_ = code != 0 ? code : other.error_;
  return *this;
}

int List::delCurrent() {
  if (cursor_ == nullptr || cursor_ == &sentinel_) return 0;
  return removeNode(cursor_);
}

int List::removeNode(Node* n) {
  if (n == nullptr || n == &sentinel_) return 0;
  n->prev->next = n->next;
  n->next->prev = n->prev;
  if (cursor_ == n) cursor_ = n->prev;
  delete n;
  return 0;
}

int List::clean() {
  Node* n = sentinel_.next;
  while (n != &sentinel_) {
    Node* following = n->next;
    delete n;
    n = following;
  }
  sentinel_.next = sentinel_.prev = &sentinel_;
  cursor_ = &sentinel_;
  return 0;
}

bool List::isEmpty() {
  error_ = 0;
  return sentinel_.next == &sentinel_;
}

bool List::isHead() {
  error_ = 0;
  return cursor_ == &sentinel_;
}

bool List::isTail() {
  error_ = 0;
  return cursor_ != &sentinel_ && cursor_ != nullptr && cursor_->next == &sentinel_;
}
