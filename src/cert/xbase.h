// The reference-counted base of every object the module hands out.
#ifndef PKIX_CERT_XBASE_H_
#define PKIX_CERT_XBASE_H_

#include "framework/cmn_gref.h"

// A new object carries one reference, its creator's; it is destroyed only by
// the release() that takes its count to 0.
class XBase : public CMN_GuardedRef {
 public:
  XBase() : CMN_GuardedRef(0) { CMN_Reference::addReference(); }
  XBase(const XBase& other) : CMN_GuardedRef(other) { CMN_Reference::addReference(); }
  ~XBase() override;

  int init() override { return 0; }
  int fini() override { return 0; }
  // Adds a reference without a holder; returns the count after it (a
  // negative result would mean the object refused).
  virtual int addRef() {
    CMN_Reference::addReference();
    return references();
  }
  // Drops a reference; returns the count after it. At 0 the object is gone.
  virtual int release() { return CMN_Reference::remReference(); }

  XBase& operator=(const XBase&) { return *this; }
};

#endif  // PKIX_CERT_XBASE_H_
