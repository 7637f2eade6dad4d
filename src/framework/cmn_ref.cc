#include "framework/cmn_ref.h"

// Built before any other static object of the library, so that statics which
// take references during their own construction find it ready.
CMN_RecursiveMutex CMN_Reference::RefMutex __attribute__((init_priority(101)))("RefMutex");

CMN_Reference::~CMN_Reference() = default;

void CMN_Reference::addReference() {
  mutex_->enter();
  count_.fetch_add(1, std::memory_order_acq_rel);
  mutex_->exit();
}

int CMN_Reference::remReference() {
  mutex_->enter();
  int now = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  mutex_->exit();
  if (now == 0) delete this;
  return now;
}
