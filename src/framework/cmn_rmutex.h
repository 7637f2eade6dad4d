// Locking primitives: a plain mutex, the framework's recursive mutex, the
// scope objects that keep a module's guard raised during a call, and
// thread-local slots.
#ifndef PKIX_FRAMEWORK_CMN_RMUTEX_H_
#define PKIX_FRAMEWORK_CMN_RMUTEX_H_

#include <pthread.h>

#include <atomic>
#include <cstdint>

// A POSIX mutex with default attributes; not recursive.
class CMN_Mutex {
 public:
  CMN_Mutex() { pthread_mutex_init(&m_, nullptr); }
  virtual ~CMN_Mutex();
  void lock() { pthread_mutex_lock(&m_); }
  void unlock() { pthread_mutex_unlock(&m_); }

  CMN_Mutex(const CMN_Mutex&) = delete;
  CMN_Mutex& operator=(const CMN_Mutex&) = delete;

 private:
  pthread_mutex_t m_;
};

// A recursive mutex built over a plain POSIX mutex: the owner may enter again
// any number of times and must exit as often.
class CMN_RecursiveMutex {
 public:
  // The name is for the reader of the code only; it is not stored.
  explicit CMN_RecursiveMutex(const char* name);
  virtual ~CMN_RecursiveMutex();

  // Blocks until the calling thread owns the mutex; re-entry by the owner
  // only raises the depth.
  void enter();
  // 1 when the caller now owns the mutex (entered or re-entered), 0 when
  // another thread holds it.
  int tryenter();
  // Leaves once; the mutex is free again when the depth reaches 0.
  void exit();
  // 1 when the two thread identifiers name the same thread.
  static int thr_equal(unsigned long a, unsigned long b) {
    return pthread_equal(static_cast<pthread_t>(a), static_cast<pthread_t>(b)) ? 1 : 0;
  }

  uint32_t depth() const { return depth_.load(std::memory_order_relaxed); }

  CMN_RecursiveMutex(const CMN_RecursiveMutex&) = delete;
  CMN_RecursiveMutex& operator=(const CMN_RecursiveMutex&) = delete;

 private:
  bool OwnedByCaller() const;

  pthread_mutex_t m_;
  // Read without the mutex at the start of enter(): only the owning thread
  // can find its own identifier here, so the test is sound; the atomics keep
  // the unlocked reads well defined.
  std::atomic<uint32_t> depth_;
  std::atomic<unsigned long> owner_;
};

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
