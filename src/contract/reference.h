// Intrusive reference counting under one recursive lock per module: the base
// of every counted object that crosses a module boundary.
#ifndef PKIX_CONTRACT_REFERENCE_H_
#define PKIX_CONTRACT_REFERENCE_H_

#include <atomic>
#include <cstdint>

#include "contract/mutex.h"

class CMN_Reference {
 public:
  // The module's lock: the lock its object manager's walks take first. The
  // framework divides the module lock into stripes: objects counted on it are
  // registered and lose their last reference under a stripe chosen by their
  // address, and a walk takes this mutex and then every stripe. One per
  // module: the symbol is hidden, so each library that links the framework
  // has its own.
  static CMN_RecursiveMutex RefMutex;

  CMN_Reference() : mutex_(&RefMutex), count_(0) {}
  explicit CMN_Reference(CMN_RecursiveMutex* m) : mutex_(m), count_(0) {}
  // A copy is a new object: neither the count nor the mutex is copied.
  CMN_Reference(const CMN_Reference&) : mutex_(&RefMutex), count_(0) {}
  CMN_Reference& operator=(const CMN_Reference&) { return *this; }
  virtual ~CMN_Reference();

  // Adds one reference (an atomic increment; no lock).
  void addReference();
  // Removes one reference and returns the new count. Only the step that can
  // reach 0 takes the mutex (for RefMutex of the module that runs it: the
  // object's stripe of it), so that a walker pinning objects under it never
  // revives one being destroyed; at 0 the
  // object has been destroyed through its deleting destructor and must not be
  // touched again.
  int remReference();
  // The count, read without the lock (waiting loops and diagnostics only).
  int references() const { return count_.load(std::memory_order_acquire); }

  CMN_RecursiveMutex* refMutex() const { return mutex_; }

 private:
  CMN_RecursiveMutex* mutex_;
  std::atomic<int32_t> count_;
};

static_assert(sizeof(std::atomic<int32_t>) == 4, "the count is a 32-bit word");
static_assert(sizeof(CMN_Reference) == 3 * sizeof(void*) || sizeof(void*) == 8,
              "CMN_Reference is vptr, mutex, count");

#endif  // PKIX_CONTRACT_REFERENCE_H_
