// Byte buffers that cross module boundaries, and the buffer service that
// makes them (pkixid::kBuffers). Both live in another module; this module only
// creates buffers through the service and calls their operations.
#ifndef PKIX_CONTRACT_TBUF_H_
#define PKIX_CONTRACT_TBUF_H_

#include "contract/guarded_ref.h"
#include "contract/x509asn.h"

// A reference-counted byte string. A new buffer carries one reference for its
// creator, dropped with release().
class TBuf : public CMN_GuardedRef {
 public:
  TBuf() : CMN_GuardedRef(0) {}
  virtual int addRef() = 0;
  // Drops one reference; returns the count left.
  virtual int release() = 0;
  // Replace the content by the text (without its NUL) or by a copy of the
  // bytes; 0 or an error code.
  virtual int set(const char* text) = 0;
  virtual int set(const unsigned char* data, unsigned len) = 0;
  virtual int reserved1() = 0;
  // The first content octet (valid while the buffer lives unchanged).
  virtual unsigned char* datap() = 0;
  virtual unsigned len() = 0;
  // Replace the content by a copy of other's.
  virtual int dup(TBuf* other) = 0;
  virtual int reserved2() = 0;
  // Non-zero when the two contents differ.
  virtual int operator!=(TBuf* other) = 0;
  virtual int load(const char* path) = 0;
  virtual int save(const char* path) = 0;
  // Move the start of the content forward or back by n octets.
  virtual int shift(unsigned n) = 0;
  virtual int retreat(unsigned n) = 0;
  // Make this buffer a view of len octets at data inside owner's content;
  // the view keeps owner alive and copies nothing.
  virtual int setView(TBuf* owner, const unsigned char* data, unsigned len) = 0;
  virtual int reserved3() = 0;
  // The record holding the content; parsers advance it and encoders prepend
  // into it in place.
  virtual Buffer* getBuffer() = 0;
};

// The buffer service.
class X509CmnSrv_I : public CMN_GuardedRef {
 public:
  X509CmnSrv_I() : CMN_GuardedRef(0) {}
  // Each returns a new buffer carrying one reference, or null.
  virtual TBuf* createTBuf() = 0;
  virtual TBuf* createTBuf(const char* text) = 0;
  // A copy of the bytes; null data with length n gives n octets of room.
  virtual TBuf* createTBuf(const unsigned char* data, unsigned len) = 0;
  virtual TBuf* createTBuf(TBuf* other) = 0;
};

#endif  // PKIX_CONTRACT_TBUF_H_
