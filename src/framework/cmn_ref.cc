#include "framework/cmn_ref.h"

// Built before any other static object of the library, so that statics which
// take references during their own construction find it ready.
CMN_RecursiveMutex CMN_Reference::RefMutex __attribute__((init_priority(101)))("RefMutex");

CMN_Reference::~CMN_Reference() = default;

// The count is an atomic word; the module lock is needed only where a count
// reaches 0. The object manager's walks take the lock and then pin every
// object whose count they read as not 0: such an object cannot die while the
// lock is held, because its last reference can only be dropped under the
// lock. Any other change of the count is made by a thread that already owns
// a reference (or by the creator of a new object), so it needs no lock and
// cannot race with the object's end.
void CMN_Reference::addReference() { count_.fetch_add(1, std::memory_order_relaxed); }

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
    CMN_ScopedLock<CMN_RecursiveMutex> held(*mutex_);
    now = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  }
  if (now == 0) delete this;
  return now;
}
