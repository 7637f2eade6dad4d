// Small helpers for the buffers the key code handles: a scope that owns one
// reference, and a Buffer view of a buffer's content.
#ifndef PKIX_KEY_KEYBUF_H_
#define PKIX_KEY_KEYBUF_H_

#include "contract/tbuf.h"
#include "contract/x509asn.h"

// Owns one reference on a buffer (or none) and releases it at scope end.
class BufRef {
 public:
  explicit BufRef(TBuf* b = nullptr) : b_(b) {}
  ~BufRef() { reset(nullptr); }
  BufRef(const BufRef&) = delete;
  BufRef& operator=(const BufRef&) = delete;

  TBuf* get() const { return b_; }
  explicit operator bool() const { return b_ != nullptr; }
  // Gives the reference to the caller.
  TBuf* release() {
    TBuf* b = b_;
    b_ = nullptr;
    return b;
  }
  void reset(TBuf* b) {
    if (b_ != nullptr) b_->release();
    b_ = b;
  }

 private:
  TBuf* b_;
};

// A Buffer owned by one scope: empty at first, its block freed at the end.
struct ScratchBuffer {
  ScratchBuffer() { init_buffer(&b); }
  ~ScratchBuffer() { release_buffer(&b); }
  ScratchBuffer(const ScratchBuffer&) = delete;
  ScratchBuffer& operator=(const ScratchBuffer&) = delete;
  Buffer b;
};

// A view (no copy) of b's content; b must outlive it.
inline Buffer BufView(TBuf* b) {
  Buffer v;
  init_buffer(&v);
  if (b != nullptr) set_buffer(&v, b->len(), b->datap());
  return v;
}

#endif  // PKIX_KEY_KEYBUF_H_
