#include "framework/cmn_gref.h"

#include <cstddef>
#include <new>

#include "framework/cmn_obj_mgr.h"

// The guard is only ever destroyed through its count, so the count's
// destructor ends the guard's other members and frees the guard's storage.
CMN_GuardCount::~CMN_GuardCount() {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
  CMN_Guard* g = reinterpret_cast<CMN_Guard*>(reinterpret_cast<char*>(this) - offsetof(CMN_Guard, refs));
#pragma GCC diagnostic pop
  g->lock.~CMN_Mutex();
}

void CMN_GuardCount::operator delete(void* p) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
  ::operator delete(static_cast<char*>(p) - offsetof(CMN_Guard, refs));
#pragma GCC diagnostic pop
}

CMN_GuardedRef::CMN_GuardedRef(unsigned type)
    : type_(type), guard_(nullptr), holderLock_(""), omLinkBack_(nullptr), omNext_(nullptr) {
  // Before the host module manager is stored there is no guard to take.
  if (ModMgr != nullptr) guard_ = ModMgr->moduleGuard();
  if (guard_ != nullptr) guard_->refs.addReference();
  Register();
}

CMN_GuardedRef::CMN_GuardedRef(const CMN_GuardedRef& other)
    : CMN_Reference(), type_(other.type_), guard_(other.guard_), holderLock_(""),
      omLinkBack_(nullptr), omNext_(nullptr) {
  if (guard_ != nullptr) guard_->refs.addReference();
  Register();
}

void CMN_GuardedRef::Register() {
  try {
    CMN_ObjectManager::Local().storeObj(this);
  } catch (...) {
    if (guard_ != nullptr) guard_->refs.remReference();
    throw;
  }
}

CMN_GuardedRef::~CMN_GuardedRef() {
  if (guard_ != nullptr) guard_->refs.remReference();
  CMN_ObjectManager::Local().removeObj(this);
  // Holders still listed are not told; their items are freed with the list.
  while (holders_.head != nullptr) holders_.eraseitem(holders_.head);
}

void CMN_GuardedRef::addReference(CMN_GRPHolder* h) {
  CMN_Reference::addReference();
  try {
    CMN_ScopedLock<CMN_RecursiveMutex> held(holderLock_);
    holders_.push_front(h);
  } catch (...) {
    CMN_Reference::remReference();
    throw;
  }
}

int CMN_GuardedRef::remReference(CMN_GRPHolder* h) {
  CMN_ScopedLock<CMN_RecursiveMutex> held(holderLock_);
  for (sitem<CMN_GRPHolder>* it = holders_.head; it != nullptr; it = it->next) {
    if (it->holder == h) {
      holders_.eraseitem(it);
      // The count is changed outside the holder-list lock: the module lock
      // is never taken inside it here.
      held.unlock();
      return CMN_Reference::remReference();
    }
  }
  return references();
}

void CMN_GuardedRef::setGuard(CMN_Guard* g) {
  if (guard_ != nullptr) guard_->refs.remReference();
  guard_ = g;
  guard_->refs.addReference();
}

void CMN_GuardedRef::updateHolders(slist<CMN_GRPHolder>& list, CMN_GuardedRef* replacement,
                                   const CMN_GRPHolder* keep) {
  // Each replacePointee unlinks its holder from list, so work from a copy;
  // pushing at the front turns newest-first into oldest-first.
  slist<CMN_GRPHolder> copy;
  for (sitem<CMN_GRPHolder>* it = list.head; it != nullptr; it = it->next) {
    if (it->holder != keep) copy.push_front(it->holder);
  }
  for (sitem<CMN_GRPHolder>* it = copy.head; it != nullptr; it = it->next) it->holder->replacePointee(replacement);
  while (copy.head != nullptr) copy.eraseitem(copy.head);
}

int CMN_ReleaseGuarded(CMN_Guard* guard, CMN_GuardedRef* obj, CMN_GRPHolder* holder) {
  if (guard == nullptr) return obj->remReference(holder);
  guard->refs.addReference();
  guard->inc();
  int r = obj->remReference(holder);
  guard->dec();
  guard->refs.remReference();
  return r;
}
