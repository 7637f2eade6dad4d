// A back-to-front DER builder for the revocation-list values: content is
// prepended, then wrapped in its header, so that each element is written
// once and never moved.
#ifndef PKIX_CRL_DERBUILD_H_
#define PKIX_CRL_DERBUILD_H_

#include <cstdint>

#include "contract/tbuf.h"
#include "support/buffers.h"

class DerBuilder {
 public:
  // An empty builder with room for about `room` octets (it grows on
  // demand).
  explicit DerBuilder(uint32_t room = 256);

  // Each step returns 0 or the support library's negative code; after a
  // failure every later step returns that code and changes nothing.

  // Prepends len octets at p.
  int prepend(const unsigned char* p, uint32_t len);
  int prepend(const Buffer& b) { return prepend(b.data, b.len); }
  // Prepends the whole content of another builder.
  int prepend(const DerBuilder& inner) { return prepend(inner.view()); }
  // Prepends the element tag { content } built by body(DerBuilder&).
  template <class Body>
  int element(unsigned char tag, Body body) {
    if (status_ != 0) return status_;
    DerBuilder inner;
    int r = body(inner);
    if (r == 0) r = inner.wrap(tag);
    if (r != 0) return status_ = r;
    return prepend(inner);
  }
  // Wraps everything prepended so far as the content of tag.
  int wrap(unsigned char tag);
  // Replaces the first octet written (retagging a whole element).
  void retag(unsigned char tag) {
    if (status_ == 0 && ob_.b.len != 0) ob_.b.data[0] = tag;
  }

  int status() const { return status_; }
  Buffer view() const { return Buffer{nullptr, ob_.b.data, ob_.b.len}; }
  // A new TBuf holding a copy of the content; null on failure.
  TBuf* toTBuf() const;

 private:
  OwnedBuffer ob_;
  int status_ = 0;
};


#endif  // PKIX_CRL_DERBUILD_H_
