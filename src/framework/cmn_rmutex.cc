#include "framework/cmn_rmutex.h"

#include "framework/cmn_gref.h"

static_assert(sizeof(std::atomic<uint32_t>) == 4 && sizeof(std::atomic<unsigned long>) == sizeof(long),
              "depth and owner keep their plain sizes");

CMN_Mutex::~CMN_Mutex() { pthread_mutex_destroy(&m_); }

// Every guarded object builds one (its holder-list lock): the static
// initialiser gives the same default mutex as pthread_mutex_init with no
// attributes, without the call.
CMN_RecursiveMutex::CMN_RecursiveMutex(const char* /*name*/)
    : m_(PTHREAD_MUTEX_INITIALIZER), depth_(0), owner_(0) {}

CMN_RecursiveMutex::~CMN_RecursiveMutex() { pthread_mutex_destroy(&m_); }

bool CMN_RecursiveMutex::OwnedByCaller() const {
  return depth_.load(std::memory_order_relaxed) != 0 &&
         thr_equal(owner_.load(std::memory_order_relaxed),
                   static_cast<unsigned long>(pthread_self())) != 0;
}

void CMN_RecursiveMutex::enter() {
  if (OwnedByCaller()) {
    depth_.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  pthread_mutex_lock(&m_);
  depth_.fetch_add(1, std::memory_order_relaxed);
  owner_.store(static_cast<unsigned long>(pthread_self()), std::memory_order_relaxed);
}

int CMN_RecursiveMutex::tryenter() {
  if (OwnedByCaller()) {
    depth_.fetch_add(1, std::memory_order_relaxed);
    return 1;
  }
  if (pthread_mutex_trylock(&m_) != 0) return 0;
  depth_.fetch_add(1, std::memory_order_relaxed);
  owner_.store(static_cast<unsigned long>(pthread_self()), std::memory_order_relaxed);
  return 1;
}

void CMN_RecursiveMutex::exit() {
  if (depth_.fetch_sub(1, std::memory_order_relaxed) - 1 != 0) return;
  owner_.store(0, std::memory_order_relaxed);
  pthread_mutex_unlock(&m_);
}

GuardLock::GuardLock(CMN_Guard* guard) : guard_(guard) {
  if (guard_ != nullptr) guard_->inc();
}

GuardLock::~GuardLock() {
  if (guard_ != nullptr) guard_->dec();
}

GuardLockConst::~GuardLockConst() = default;
GuardLockVar::~GuardLockVar() = default;
