#include "framework/cmn_ref.h"

// Built before any other static object of the library, so that statics which
// take references during their own construction find it ready.
CMN_RecursiveMutex CMN_Reference::RefMutex __attribute__((init_priority(101)))("RefMutex");

CMN_Reference::~CMN_Reference() = default;

void CMN_Reference::addReference() {
  CMN_ScopedLock<CMN_RecursiveMutex> held(*mutex_);
  count_.fetch_add(1, std::memory_order_acq_rel);
}

int CMN_Reference::remReference() {
  int now;
  {
    CMN_ScopedLock<CMN_RecursiveMutex> held(*mutex_);
    now = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  }
  if (now == 0) delete this;
  return now;
}
