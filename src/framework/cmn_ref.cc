#include "framework/cmn_ref.h"

#include <cstdint>

// Built before any other static object of the library, so that statics which
// take references during their own construction find them ready; the stripes
// are built right after RefMutex (same priority, declared later).
CMN_RecursiveMutex CMN_Reference::RefMutex __attribute__((init_priority(101)))("RefMutex");

namespace {
CMN_RefStripe gStripes[kCMN_RefStripes] __attribute__((init_priority(101)));

// The lock under which obj's count may reach 0. An object counted on this
// module's lock takes its stripe. Any other mutex (a lock of its own, or the
// module lock of another module whose object this module's code releases)
// is taken whole: that module's walks take its RefMutex first, so they still
// exclude the release.
CMN_RecursiveMutex& LastReleaseLock(CMN_RecursiveMutex* mutex, const CMN_Reference* obj) {
  if (mutex != &CMN_Reference::RefMutex) return *mutex;
  return gStripes[CMN_RefStripeOf(obj)].lock;
}
}  // namespace

CMN_RefStripe* CMN_RefStripes() { return gStripes; }

unsigned CMN_RefStripeOf(const CMN_Reference* obj) {
  constexpr unsigned kBits = 5;
  static_assert(1u << kBits == kCMN_RefStripes, "the stripe count is 2^kBits");
  // Only the 1 MiB block of the address counts. The allocator serves each
  // thread from its own heap region, so the objects one thread makes and
  // drops land in the stripe of its own block or two: their locks stay in
  // that thread's cache instead of moving between cores on every object, as
  // they would if neighbouring objects were spread over all stripes. With
  // smaller blocks each thread's working set spans several stripes, and two
  // threads often share one: two threads making certificate objects then
  // ran at 1.1x one thread's rate in one process of three, against 1.7x.
  auto a = reinterpret_cast<uintptr_t>(obj) >> 20;
  // Fibonacci hashing: the top bits of the product mix every bit of a.
  if constexpr (sizeof(uintptr_t) == 8) {
    return static_cast<unsigned>((static_cast<uint64_t>(a) * 0x9E3779B97F4A7C15ull) >> (64 - kBits));
  } else {
    return static_cast<unsigned>((static_cast<uint32_t>(a) * 0x9E3779B9u) >> (32 - kBits));
  }
}

CMN_WalkLock::CMN_WalkLock(CMN_RecursiveMutex* walk, CMN_RefStripe* stripes) : walk_(walk), stripes_(stripes) {
  walk_->enter();
  for (unsigned i = 0; i < kCMN_RefStripes; ++i) stripes_[i].lock.enter();
}

CMN_WalkLock::~CMN_WalkLock() {
  for (unsigned i = kCMN_RefStripes; i-- > 0;) stripes_[i].lock.exit();
  walk_->exit();
}

CMN_Reference::~CMN_Reference() = default;

// The count is an atomic word; the module lock (the object's stripe of it) is
// needed only where a count reaches 0. The object manager's walks take the
// whole lock and then pin every object whose count they read as not 0: such
// an object cannot die while the lock is held, because its last reference can
// only be dropped under its stripe. Any other change of the count is made by
// a thread that already owns a reference (or by the creator of a new object),
// so it needs no lock and cannot race with the object's end.
//
// The increment is a release: the first one follows the construction of the
// object (registered with a count of 0), and a walker that reads the count
// as not 0 (an acquire) goes on to call the object's virtual functions, so
// it must also see everything the constructors wrote after registration.
// (On x86 the locked increment is the same instruction either way.)
void CMN_Reference::addReference() { count_.fetch_add(1, std::memory_order_release); }

int CMN_Reference::remReference() {
  int32_t seen = count_.load(std::memory_order_relaxed);
  while (seen > 1) {
    // Not the last reference: the object stays alive whatever else runs.
    if (count_.compare_exchange_weak(seen, seen - 1, std::memory_order_release, std::memory_order_relaxed)) {
      return seen - 1;
    }
  }
  int now;
  {
    CMN_ScopedLock<CMN_RecursiveMutex> held(LastReleaseLock(mutex_, this));
    now = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  }
  if (now == 0) delete this;
  return now;
}
