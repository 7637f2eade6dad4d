// Locking primitives: the plain and recursive mutexes and their scope lock
// (declared with the host contract, contract/mutex.h), the scope objects that
// keep a module's guard raised during a call, and thread-local slots.
#ifndef PKIX_FRAMEWORK_CMN_RMUTEX_H_
#define PKIX_FRAMEWORK_CMN_RMUTEX_H_

#include <pthread.h>

#include <cstdint>

#include "contract/mutex.h"

class CMN_Guard;

// Keeps a guard's call counter raised for the lifetime of the scope object.
class GuardLock {
 public:
  explicit GuardLock(CMN_Guard* guard);
  virtual ~GuardLock();
  GuardLock(const GuardLock&) = delete;
  GuardLock& operator=(const GuardLock&) = delete;

 private:
  CMN_Guard* guard_;
};

class GuardLockConst : public GuardLock {
 public:
  explicit GuardLockConst(CMN_Guard* guard) : GuardLock(guard) {}
  ~GuardLockConst() override;
};

class GuardLockVar : public GuardLock {
 public:
  explicit GuardLockVar(CMN_Guard* guard) : GuardLock(guard) {}
  ~GuardLockVar() override;
};

// A POSIX thread-specific key without a destructor function.
template <class T>
class uglyTls {
 public:
  uglyTls() { pthread_key_create(&key_, nullptr); }
  virtual ~uglyTls() { pthread_key_delete(key_); }
  virtual void specific(void* p) {}

  uglyTls(const uglyTls&) = delete;
  uglyTls& operator=(const uglyTls&) = delete;

 protected:
  pthread_key_t key_;
};

// A thread-specific key that also registers the per-thread values it is
// given, and frees them when it is destroyed.
template <class T>
class fineTls : public uglyTls<T> {
 public:
  fineTls() : values_(nullptr), count_(0) {}
  ~fineTls() override;
  // Registers a non-null value. When the registry cannot grow, the value is
  // freed at once rather than lost, and the registry stays as it was.
  void specific(void* p) override;
  uint32_t count() const { return count_; }

 private:
  T** values_;
  uint32_t count_;
};

#include "framework/cmn_rmutex_inl.h"

#endif  // PKIX_FRAMEWORK_CMN_RMUTEX_H_
