// The mutexes every module and the host share the layout of: a plain mutex
// and the framework's recursive mutex, and the scope object that holds
// either of them.
#ifndef PKIX_CONTRACT_MUTEX_H_
#define PKIX_CONTRACT_MUTEX_H_

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

// How the scope lock below takes and leaves each kind of lock. Further kinds
// (an object's holder list) add their own pair beside their class.
inline void CMN_LockEnter(CMN_Mutex& m) { m.lock(); }
inline void CMN_LockLeave(CMN_Mutex& m) { m.unlock(); }
inline void CMN_LockEnter(CMN_RecursiveMutex& m) { m.enter(); }
inline void CMN_LockLeave(CMN_RecursiveMutex& m) { m.exit(); }

// Holds a lock from construction to the end of the scope, so that every way
// out of a function (early returns, exceptions) lets it go exactly once.
// unlock() lets it go earlier; the destructor then does nothing.
template <class M>
class CMN_ScopedLock {
 public:
  explicit CMN_ScopedLock(M& m) : m_(&m) { CMN_LockEnter(m); }
  ~CMN_ScopedLock() { unlock(); }
  void unlock() {
    if (m_ == nullptr) return;
    M* m = m_;
    m_ = nullptr;
    CMN_LockLeave(*m);
  }

  CMN_ScopedLock(const CMN_ScopedLock&) = delete;
  CMN_ScopedLock& operator=(const CMN_ScopedLock&) = delete;

 private:
  M* m_;
};

#endif  // PKIX_CONTRACT_MUTEX_H_
