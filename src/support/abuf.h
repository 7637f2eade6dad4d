// Buffers on the client side, beside the buffer contract (contract/tbuf.h):
// the stub of the buffer service, the creation functions the object
// implementations return bytes with, and the wrapper client code holds
// buffers through.
#ifndef PKIX_SUPPORT_ABUF_H_
#define PKIX_SUPPORT_ABUF_H_

#include "contract/tbuf.h"
#include "framework/cmn_stub.h"
#include "framework/id_type.h"

extern Tuint32ID X509CmnSrvID;  // pkixid::kBuffers

class X509CmnSrv : public CMN_ServiceStub<X509CmnSrv_I> {
 public:
  explicit X509CmnSrv(X509CmnSrv_I* service) : CMN_ServiceStub(&X509CmnSrvID, service) {}
  X509CmnSrv() : CMN_ServiceStub(&X509CmnSrvID) {}
  ~X509CmnSrv() override;
};

extern X509CmnSrv theX509Cmn;

// Keeps the buffer service's guard raised for the scope, so that the
// buffers made inside it on this thread (a certificate's extensions, names
// or key make dozens) do not raise it one by one. Binds the service when it
// can; without one it does nothing.
class BufferCalls {
 public:
  BufferCalls() : scope_(theX509Cmn.Bind() != nullptr ? theX509Cmn.guard() : nullptr) {}

 private:
  CMN_GuardScope scope_;
};

// Each returns a new buffer that the caller owns (one reference, dropped
// with release()), or null when the buffer service cannot be bound or makes
// none. A null data pointer with a length gives that many octets of room.
TBuf* createTBuf();
TBuf* createTBuf(const char* text);
TBuf* createTBuf(const unsigned char* data, unsigned len);
TBuf* createTBuf(TBuf* other);

extern "C" {
// Replaces the buffer stub by one bound at once (through the host module
// manager, which must be stored). Returns 0 (pkixrc::kOk) always.
int x509cmn_init();
// Replaces the buffer stub by an empty one, letting the service go. Returns
// 0 (pkixrc::kOk) always.
int x509cmn_fini();
}

// A buffer held by client code. error() is 40 while no buffer is held, else
// the result of the last operation.
class aBuf : public PKIXAnyObject<TBuf> {
 public:
  explicit aBuf(TBuf* b);
  aBuf();
  explicit aBuf(const char* text);
  aBuf(const unsigned char* data, unsigned len);
  aBuf(const aBuf& other);
  ~aBuf() override;

  int set(const char* text);
  int set(const unsigned char* data, unsigned len);
  int dup(const aBuf& other);
  int load(const char* path);
  int save(const char* path);
  int shift(unsigned n);
  int retreat(unsigned n);
  unsigned char* datap();
  const unsigned char* datap() const;
  unsigned len() const;
  // 1 when the contents differ or this wrapper is empty (error 40).
  int operator!=(const aBuf& other) const;

  // The raw buffer (borrowed; null when empty).
  TBuf* raw() const { return get(); }

 private:
  aBuf& operator=(const aBuf&) = delete;
  template <class F>
  int Code(F f);
};

#endif  // PKIX_SUPPORT_ABUF_H_
