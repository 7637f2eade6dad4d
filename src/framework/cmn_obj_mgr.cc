#include "framework/cmn_obj_mgr.h"

#include <sched.h>

#include <memory>

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

CMN_ObjectManager::CMN_ObjectManager() : lock_(&CMN_Reference::RefMutex), stripes_(CMN_RefStripes()) {}

CMN_ObjectManager::~CMN_ObjectManager() = default;

void CMN_ObjectManager::storeObj(CMN_GuardedRef* obj) {
  unsigned s = CMN_RefStripeOf(obj);
  CMN_ScopedLock<CMN_RecursiveMutex> held(stripes_[s].lock);
  CMN_GuardedRef*& head = heads_[s].first;
  obj->omLinkBack_ = &head;
  obj->omNext_ = head;
  if (head != nullptr) head->omLinkBack_ = &obj->omNext_;
  head = obj;
}

void CMN_ObjectManager::removeObj(CMN_GuardedRef* obj) {
  CMN_ScopedLock<CMN_RecursiveMutex> held(stripes_[CMN_RefStripeOf(obj)].lock);
  if (obj->omLinkBack_ != nullptr) {
    if (obj->omNext_ != nullptr) obj->omNext_->omLinkBack_ = obj->omLinkBack_;
    *obj->omLinkBack_ = obj->omNext_;
  }
  obj->omLinkBack_ = nullptr;
  obj->omNext_ = nullptr;
}

unsigned CMN_ObjectManager::count() {
  CMN_WalkLock held(lock_, stripes_);
  unsigned n = 0;
  for (const Head& h : heads_) {
    for (CMN_GuardedRef* o = h.first; o != nullptr; o = o->omNext_) ++n;
  }
  return n;
}

DummyHolder* CMN_ObjectManager::getObj() {
  CMN_WalkLock held(lock_, stripes_);
  for (const Head& h : heads_) {
    for (CMN_GuardedRef* o = h.first; o != nullptr; o = o->omNext_) {
      if (o->references() != 0) return new DummyHolder(o);
    }
  }
  return nullptr;
}

// Visits every counted object, stripe by stripe, with two pins, current and
// next, so the walk survives the destruction of any object while it runs,
// the one under work included. Objects with a count of 0 are passed over
// (see DummyHolder). Objects the work creates may or may not be visited.
template <class Work>
void CMN_ObjectManager::Walk(Work work) {
  // Declared before the lock, so they are released after it.
  DummyHolder current(nullptr);
  DummyHolder next(nullptr);
  CMN_WalkLock held(lock_, stripes_);
  for (const Head& h : heads_) {
    CMN_GuardedRef* obj = h.first;
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
  }
}

int CMN_ObjectManager::DetachHolders(CMN_GuardedRef* obj, const TypifiedID* owner,
                                     const DummyHolder& a, const DummyHolder& b) {
  int detached = 0;
  CMN_ScopedLock<CMN_GuardedRef> held(*obj);
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
  CMN_WalkLock held(lock_, stripes_);
  for (const Head& h : heads_) {
    for (CMN_GuardedRef* o = h.first; o != nullptr; o = o->omNext_) {
      CMN_ScopedLock<CMN_GuardedRef> holders(*o);
      for (sitem<CMN_GRPHolder>* it = o->_getHolders().head; it != nullptr; it = it->next) {
        if (match(*it->holder->getModuleID())) return 1;
      }
    }
  }
  return 0;
}

int CMN_ObjectManager::moduleIsUsedBy(const TypifiedID& id) {
  return AnyHolder([&](const TypifiedID& owner) { return owner == id; });
}

int CMN_ObjectManager::moduleIsUsed() {
  return AnyHolder([](const TypifiedID& owner) { return !(owner == *pModuleID); });
}

namespace {

// Holds a guard's lock once its call counter is 0, so that no call into the
// guarded module can start while it is held (inc() blocks on the lock). The
// counter is read without the lock while waiting. A null guard holds nothing.
class IdleGuardLock {
 public:
  explicit IdleGuardLock(CMN_Guard* guard) : guard_(guard) {
    if (guard_ == nullptr) return;
    for (;;) {
      while (guard_->callCount() != 0) sched_yield();
      guard_->lock.lock();
      if (guard_->callCount() == 0) return;
      guard_->lock.unlock();
    }
  }
  ~IdleGuardLock() {
    if (guard_ != nullptr) guard_->lock.unlock();
  }
  IdleGuardLock(const IdleGuardLock&) = delete;
  IdleGuardLock& operator=(const IdleGuardLock&) = delete;

 private:
  CMN_Guard* guard_;
};

// Disposes of a pin with die() when the scope ends.
struct PinDisposer {
  void operator()(DummyHolder* pin) const { pin->die(); }
};

}  // namespace

CMN_ObjectManager* CMN_ObjectManager::init(CMN_ObjectManager* old) {
  for (;;) {
    std::unique_ptr<DummyHolder, PinDisposer> pin(old->getObj());
    if (pin == nullptr) {
      if (old->count() == 0) return nullptr;
      sched_yield();  // only uncounted objects left: they are being built or dying
      continue;
    }
    CMN_GuardedRef* obj = pin->get();
    IdleGuardLock idle(obj->getGuard());
    CMN_GuardedRef* replacement = MakeObject(obj->getType(), *obj);
    // The pin stays in place so that the object outlives the redirection;
    // it is released after the holder-list and guard locks.
    CMN_ScopedLock<CMN_GuardedRef> held(*obj);
    CMN_GuardedRef::updateHolders(obj->_getHolders(), replacement, pin->holder());
  }
}
