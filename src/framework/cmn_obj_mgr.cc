#include "framework/cmn_obj_mgr.h"

#include <sched.h>

namespace {
// Built right after the module lock it points at.
CMN_ObjectManager gObjectManager __attribute__((init_priority(102)));
}  // namespace

CMN_ObjectManager& CMN_ObjectManager::Local() { return gObjectManager; }

DummyHolder::DummyHolder(CMN_GuardedRef* obj) { assign(obj); }

DummyHolder::~DummyHolder() = default;

void DummyHolder::die() { delete this; }

void DummyHolder::assign(CMN_GuardedRef* obj) {
  if (obj != nullptr && obj->references() == 0) obj = nullptr;
  CMN_GRefPtr<CMN_GuardedRef> tmp(obj);
  holder_ = tmp;
}

CMN_GuardedRef* MakeObject(unsigned /*type*/, CMN_GuardedRef& /*old*/) { return nullptr; }

CMN_ObjectManager::CMN_ObjectManager() : lock_(&CMN_Reference::RefMutex), head_(nullptr) {}

CMN_ObjectManager::~CMN_ObjectManager() = default;

void CMN_ObjectManager::storeObj(CMN_GuardedRef* obj) {
  lock_->enter();
  obj->omLinkBack_ = &head_;
  obj->omNext_ = head_;
  if (head_ != nullptr) head_->omLinkBack_ = &obj->omNext_;
  head_ = obj;
  lock_->exit();
}

void CMN_ObjectManager::removeObj(CMN_GuardedRef* obj) {
  lock_->enter();
  if (obj->omLinkBack_ != nullptr) {
    if (obj->omNext_ != nullptr) obj->omNext_->omLinkBack_ = obj->omLinkBack_;
    *obj->omLinkBack_ = obj->omNext_;
  }
  obj->omLinkBack_ = nullptr;
  obj->omNext_ = nullptr;
  lock_->exit();
}

unsigned CMN_ObjectManager::count() {
  lock_->enter();
  unsigned n = 0;
  for (CMN_GuardedRef* o = head_; o != nullptr; o = o->omNext_) ++n;
  lock_->exit();
  return n;
}

DummyHolder* CMN_ObjectManager::getObj() {
  lock_->enter();
  DummyHolder* pin = nullptr;
  try {
    for (CMN_GuardedRef* o = head_; o != nullptr; o = o->omNext_) {
      if (o->references() != 0) {
        pin = new DummyHolder(o);
        break;
      }
    }
  } catch (...) {
    lock_->exit();
    throw;
  }
  lock_->exit();
  return pin;
}

// Visits every counted object with two pins, current and next, so the walk
// survives the destruction of any object while it runs, the one under work
// included. Objects with a count of 0 are passed over (see DummyHolder).
template <class Work>
void CMN_ObjectManager::Walk(Work work) {
  DummyHolder current(nullptr);
  DummyHolder next(nullptr);
  lock_->enter();
  try {
    CMN_GuardedRef* obj = head_;
    while (obj != nullptr) {
      if (obj->references() == 0) {
        obj = obj->omNext_;
        continue;
      }
      current.assign(obj);
      next.assign(obj->omNext_);
      work(obj, current, next);
      obj = obj->omNext_;  // re-read: the work may have changed the list
    }
  } catch (...) {
    lock_->exit();
    throw;
  }
  lock_->exit();
  // The pins are released here, after the lock, as they go out of scope.
}

int CMN_ObjectManager::DetachHolders(CMN_GuardedRef* obj, const TypifiedID* owner,
                                     const DummyHolder& a, const DummyHolder& b) {
  int detached = 0;
  obj->lockHolderList();
  slist<CMN_GRPHolder>& list = obj->_getHolders();
  sitem<CMN_GRPHolder>* it = list.head;
  while (it != nullptr) {
    sitem<CMN_GRPHolder>* following = it->next;
    CMN_GRPHolder* h = it->holder;
    // The walk's own pins are never detached: they keep the object under
    // work alive.
    bool mine = h == a.holder() || h == b.holder();
    if (!mine && (owner == nullptr || *h->getModuleID() == *owner)) {
      uint32_t before = list.count;
      h->replacePointee(nullptr);
      if (list.count == before) {
        list.eraseitem(it);  // the holder kept its item: unlink it, count stays
      } else {
        ++detached;
      }
    }
    it = following;
  }
  obj->unlockHolderList();
  return detached;
}

int CMN_ObjectManager::unhookObjs(const TypifiedID& id) {
  int detached = 0;
  Walk([&](CMN_GuardedRef* obj, const DummyHolder& cur, const DummyHolder& nxt) {
    detached += DetachHolders(obj, &id, cur, nxt);
  });
  return detached;
}

void CMN_ObjectManager::fini() {
  Walk([&](CMN_GuardedRef* obj, const DummyHolder& cur, const DummyHolder& nxt) {
    DetachHolders(obj, nullptr, cur, nxt);
  });
}

void CMN_ObjectManager::finiAll() {
  Walk([](CMN_GuardedRef* obj, const DummyHolder&, const DummyHolder&) { obj->fini(); });
}

template <class Match>
int CMN_ObjectManager::AnyHolder(Match match) {
  lock_->enter();
  for (CMN_GuardedRef* o = head_; o != nullptr; o = o->omNext_) {
    o->lockHolderList();
    for (sitem<CMN_GRPHolder>* it = o->_getHolders().head; it != nullptr; it = it->next) {
      if (match(*it->holder->getModuleID())) {
        o->unlockHolderList();
        lock_->exit();
        return 1;
      }
    }
    o->unlockHolderList();
  }
  lock_->exit();
  return 0;
}

int CMN_ObjectManager::moduleIsUsedBy(const TypifiedID& id) {
  return AnyHolder([&](const TypifiedID& owner) { return owner == id; });
}

int CMN_ObjectManager::moduleIsUsed() {
  return AnyHolder([](const TypifiedID& owner) { return !(owner == *pModuleID); });
}

CMN_ObjectManager* CMN_ObjectManager::init(CMN_ObjectManager* old) {
  for (;;) {
    DummyHolder* pin = old->getObj();
    if (pin == nullptr) {
      if (old->count() == 0) return nullptr;
      sched_yield();  // only uncounted objects left: they are being built or dying
      continue;
    }
    CMN_GuardedRef* obj = pin->get();
    CMN_Guard* guard = obj->getGuard();
    if (guard != nullptr) {
      for (;;) {
        while (guard->callCount() != 0) sched_yield();
        guard->lock.lock();
        if (guard->callCount() == 0) break;
        guard->lock.unlock();
      }
    }
    CMN_GuardedRef* replacement = MakeObject(obj->getType(), *obj);
    obj->lockHolderList();
    // The pin must survive the redirection so the object outlives this step.
    slist<CMN_GRPHolder>& holders = obj->_getHolders();
    slist<CMN_GRPHolder> others;
    for (sitem<CMN_GRPHolder>* it = holders.head; it != nullptr; it = it->next) {
      if (it->holder != pin->holder()) others.push_front(it->holder);
    }
    for (sitem<CMN_GRPHolder>* it = others.head; it != nullptr; it = it->next) it->holder->replacePointee(replacement);
    while (others.head != nullptr) others.eraseitem(others.head);
    obj->unlockHolderList();
    if (guard != nullptr) guard->lock.unlock();
    pin->die();
  }
}
