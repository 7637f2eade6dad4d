// Small helpers between Buffer views and TBuf objects, used by the
// certificate objects.
#ifndef PKIX_CERT_TBUFVIEW_H_
#define PKIX_CERT_TBUFVIEW_H_

#include <cstring>

#include "contract/tbuf.h"
#include "contract/x509asn.h"
#include "module/cmn_abuf.h"

// A new TBuf showing the octets of view, which lie inside owner's content;
// it keeps owner alive. Null when the buffer service fails.
inline TBuf* tbufView(TBuf* owner, const Buffer& view) {
  TBuf* t = createTBuf();
  if (t == nullptr) return nullptr;
  if (t->setView(owner, view.data, view.len) != 0) {
    t->release();
    return nullptr;
  }
  return t;
}

// A new TBuf holding a copy of the view's octets, or null.
inline TBuf* tbufCopy(const Buffer& view) {
  if (view.len == 0) return createTBuf(static_cast<const unsigned char*>(nullptr), 0);
  return createTBuf(view.data, view.len);
}

// A view record of a TBuf's content (empty for null).
inline Buffer bufferOf(TBuf* t) {
  Buffer b;
  init_buffer(&b);
  if (t != nullptr && t->len() != 0) set_buffer(&b, t->len(), t->datap());
  return b;
}

// 1 when both hold the same octets (two nulls are not equal).
inline int tbufEqual(TBuf* a, TBuf* b) {
  if (a == nullptr || b == nullptr) return 0;
  return (*a != b) == 0 ? 1 : 0;
}

// Drops the reference held in *slot and stores v (whose reference the slot
// takes over).
template <class T>
inline void replaceRef(T*& slot, T* v) {
  T* old = slot;
  slot = v;
  if (old != nullptr) old->release();
}

// A new reference to v for a caller (null stays null).
template <class T>
inline T* shareRef(T* v) {
  if (v != nullptr) v->addRef();
  return v;
}

#endif  // PKIX_CERT_TBUFVIEW_H_
