// TBufs made from Buffer views, the one way every object makes them: a view
// that keeps its owner alive, a copy, and a comparison. Buffer views of a
// TBuf come from viewOf (support/buffers.h); references are held in Ref
// (support/ref.h).
#ifndef PKIX_SUPPORT_TBUFS_H_
#define PKIX_SUPPORT_TBUFS_H_

#include "contract/tbuf.h"
#include "contract/x509asn.h"
#include "support/abuf.h"
#include "support/buffers.h"
#include "support/ref.h"

// A new TBuf showing the octets of view, which lie inside owner's content;
// it keeps owner alive and copies nothing. Empty when the buffer service
// fails.
inline Ref<TBuf> tbufView(TBuf* owner, const Buffer& view) {
  Ref<TBuf> t = adoptRef(createTBuf());
  if (t && t->setView(owner, view.data, view.len) != 0) t.reset();
  return t;
}

// A new TBuf holding a copy of the view's octets; empty when the buffer
// service fails.
inline Ref<TBuf> tbufCopy(const Buffer& view) {
  if (view.len == 0) return adoptRef(createTBuf(static_cast<const unsigned char*>(nullptr), 0));
  return adoptRef(createTBuf(view.data, view.len));
}

// 1 when both hold the same octets (two nulls are not equal), else 0.
inline int tbufEqual(TBuf* a, TBuf* b) {
  if (a == nullptr || b == nullptr) return 0;
  return (*a != b) == 0 ? 1 : 0;
}

#endif  // PKIX_SUPPORT_TBUFS_H_
