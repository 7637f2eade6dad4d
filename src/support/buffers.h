// The module's few ways of handling octets besides Ref<TBuf>: a Buffer
// record owned by one scope, a Buffer view of a TBuf's content, and TBufs
// made from views.
#ifndef PKIX_SUPPORT_BUFFERS_H_
#define PKIX_SUPPORT_BUFFERS_H_

#include <cstdlib>

#include "contract/tbuf.h"
#include "contract/x509asn.h"

// A Buffer whose block belongs to one scope: empty at first, its block freed
// at the end. The support library allocates and grows it.
struct OwnedBuffer {
  OwnedBuffer() { init_buffer(&b); }
  ~OwnedBuffer() { release_buffer(&b); }
  OwnedBuffer(const OwnedBuffer&) = delete;
  OwnedBuffer& operator=(const OwnedBuffer&) = delete;
  Buffer b;
};

// A block obtained with malloc (the support library's key parameters, a
// normalised name), freed at scope end.
template <class T>
class MallocPtr {
 public:
  explicit MallocPtr(T* p = nullptr) : p_(p) {}
  ~MallocPtr() { std::free(p_); }
  MallocPtr(const MallocPtr&) = delete;
  MallocPtr& operator=(const MallocPtr&) = delete;
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  // The slot an allocating function writes its result to; frees what was held.
  T** out() {
    std::free(p_);
    p_ = nullptr;
    return &p_;
  }
  [[nodiscard]] T* detach() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }

 private:
  T* p_;
};

// A view record (no copy, no block of its own) of t's content; empty for
// null. Valid while t lives unchanged. One call on the buffer and none into
// the support library: comparisons of cached names go through here.
inline Buffer viewOf(TBuf* t) {
  const Buffer* b = t != nullptr ? t->getBuffer() : nullptr;
  if (b == nullptr || b->len == 0) return Buffer{nullptr, nullptr, 0};
  return Buffer{nullptr, b->data, b->len};
}

#endif  // PKIX_SUPPORT_BUFFERS_H_
