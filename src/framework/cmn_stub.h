// Client-side stubs: a service stub binds to another module's service through
// the host module manager and raises that module's guard around every call;
// an object stub holds one object and keeps its producing service in use.
#ifndef PKIX_FRAMEWORK_CMN_STUB_H_
#define PKIX_FRAMEWORK_CMN_STUB_H_

#include <cstdint>
#include <utility>

#include "contract/modmgr.h"
#include "framework/cmn_gref.h"
#include "framework/cmn_rmutex.h"
#include "support/result_codes.h"

// The guard a thread keeps raised over a run of calls (CMN_GuardScope),
// or null. The calls that thread makes through a stub of that guard inside
// the run are counted already and raise it no further.
inline thread_local CMN_Guard* tScopedGuard = nullptr;

// Keeps guard raised for the scope, as a GuardLock does, and marks it as
// this thread's scoped guard: stub calls on this thread under the same
// guard skip their own raise while the scope lasts, so a run of calls into
// one service takes the guard's lock twice, not twice per call. A scope
// inside another scope of the same guard does nothing; a scope of another
// guard takes over until it ends. Null does nothing.
class CMN_GuardScope {
 public:
  explicit CMN_GuardScope(CMN_Guard* guard)
      : outer_(tScopedGuard), lock_(guard == tScopedGuard ? nullptr : guard) {
    if (guard != nullptr) tScopedGuard = guard;
  }
  ~CMN_GuardScope() { tScopedGuard = outer_; }
  CMN_GuardScope(const CMN_GuardScope&) = delete;
  CMN_GuardScope& operator=(const CMN_GuardScope&) = delete;

 private:
  CMN_Guard* outer_;
  // Declared last: lowered after the scoped guard is given back.
  GuardLockVar lock_;
};

class CMN_ServiceStubInterface {
 public:
  virtual void ref() = 0;
  virtual void unref() = 0;

 protected:
  ~CMN_ServiceStubInterface() = default;
};

template <class T>
class CMN_ServiceStub : public CMN_ServiceStubInterface {
 public:
  // Holds service (possibly null) without asking the host: the form the
  // static stubs are built in at library load.
  CMN_ServiceStub(const TypifiedID* id, T* service) : holder_(service, id), uses_(0) {}
  // Asks the host for the service at once; the host module manager must be
  // known.
  explicit CMN_ServiceStub(const TypifiedID* id) : holder_(id), uses_(0) { Acquire(); }

  // Binds when possible and counts one more user (also when no service could
  // be had).
  void ref() override {
    CMN_ScopedLock<CMN_Mutex> held(bind_);
    if (Held() == nullptr && ModMgr != nullptr) Acquire();
    ++uses_;
  }
  // Counts one user less; the last one lets the service go.
  void unref() override {
    CMN_ScopedLock<CMN_Mutex> held(bind_);
    if (--uses_ != 0 || Held() == nullptr) return;
    T* s = Held();
    __atomic_store_n(&holder_.pointee, static_cast<T*>(nullptr), __ATOMIC_RELEASE);
    CMN_ReleaseGuarded(holder_.guard, s, &holder_);
    if (ModMgr != nullptr) ModMgr->releaseService(*holder_.serviceID, *pModuleID);
  }

  CMN_ServiceStub& operator=(const CMN_ServiceStub& o) {
    holder_ = o.holder_;
    uses_ = o.uses_;
    return *this;
  }

  virtual ~CMN_ServiceStub() = default;

  // The bound service, binding on first use; null when the host module
  // manager is not known yet or has no such service.
  T* Bind() {
    T* s = Held();
    if (s != nullptr || ModMgr == nullptr) return s;
    CMN_ScopedLock<CMN_Mutex> held(bind_);
    if (Held() == nullptr) Acquire();
    return Held();
  }

  // The client-call pattern: bind, raise the service's guard (unless this
  // thread's CMN_GuardScope holds it raised), run f on the service, lower
  // the guard (also when f leaves by an exception). Returns
  // fail when no service can be bound. f takes the T* and returns the result.
  template <class F>
  auto call(F f, decltype(f(static_cast<T*>(nullptr))) fail = {}) -> decltype(f(static_cast<T*>(nullptr))) {
    T* s = Bind();
    if (s == nullptr) return fail;
    // Raised already for this thread's whole run of calls (CMN_GuardScope).
    if (holder_.guard != nullptr && holder_.guard == tScopedGuard) return f(s);
    GuardLockVar g(holder_.guard);
    return f(s);
  }

  T* service() const { return Held(); }
  int32_t uses() const { return uses_; }
  CMN_Guard* guard() const { return holder_.guard; }

 private:
  T* Held() const { return __atomic_load_n(&holder_.pointee, __ATOMIC_ACQUIRE); }
  void Acquire() {
    if (ModMgr == nullptr) return;
    CMN_GuardedRef* g = ModMgr->acquireService(*holder_.serviceID, *pModuleID);
    if (g == nullptr) return;
    T* s = static_cast<T*>(g);
    holder_.guard = g->getGuard();
    g->addReference(&holder_);
    __atomic_store_n(&holder_.pointee, s, __ATOMIC_RELEASE);
  }

  CMN_GRefPtr<T> holder_;
  int32_t uses_;
  CMN_Mutex bind_;
};

// Drops the reference an object was created with, once a holder has taken
// its own: through the object's release() where its interface has one (the
// PKIX objects, buffers), else as a plain count (transforms, containers).
// The object's guard is raised around the release, which may run the
// object's destructor. Null does nothing.
template <class T>
auto CMN_ReleaseCreationRef(T* created, int) -> decltype(created->release(), void()) {
  created->release();
}
template <class T>
void CMN_ReleaseCreationRef(T* created, long) {
  created->remReference();
}
template <class T>
void CMN_DropCreationRef(T* created) {
  if (created == nullptr) return;
  GuardLockVar g(created->getGuard());
  CMN_ReleaseCreationRef(created, 0);
}

// Holds one object and keeps the service stub that made it referenced.
template <class T>
class CMN_ObjectStub {
 public:
  CMN_ObjectStub(T* obj, CMN_ServiceStubInterface* service) : holder_(obj), service_(service) {
    if (service_ != nullptr) service_->ref();
  }
  // Lets the object go (the release raises the object's guard, since it may
  // run the object's destructor), then the service's use count.
  virtual ~CMN_ObjectStub() {
    holder_.Drop();
    if (service_ != nullptr) service_->unref();
  }

  T* get() const { return holder_.pointee; }
  CMN_Guard* guard() const { return holder_.guard; }

  // Runs f on the held object with its guard raised; fail when no object is
  // held.
  template <class F>
  auto invoke(F f, decltype(f(static_cast<T*>(nullptr))) fail = {}) const
      -> decltype(f(static_cast<T*>(nullptr))) {
    T* o = holder_.pointee;
    if (o == nullptr) return fail;
    GuardLockVar g(holder_.guard);
    return f(o);
  }

 protected:
  // Shares another stub's object (holder assignment).
  void share(const CMN_ObjectStub& o) { holder_ = o.holder_; }
  // Takes obj in place of the held object.
  void take(T* obj) { holder_ = obj; }
  // Takes a new object whose creation reference passes to this stub: the
  // holder adds its own reference and the creation one is dropped. Returns
  // false (holding nothing new) for null.
  bool adopt(T* created) {
    if (created == nullptr) return false;
    take(created);
    CMN_DropCreationRef(created);
    return true;
  }

  CMN_GRefPtr<T> holder_;
  CMN_ServiceStubInterface* service_;

 public:
  // A copy shares the object and keeps the same service in use.
  CMN_ObjectStub(const CMN_ObjectStub& o) : holder_(o.holder_), service_(o.service_) {
    if (service_ != nullptr) service_->ref();
  }
  CMN_ObjectStub& operator=(const CMN_ObjectStub& o) {
    holder_ = o.holder_;
    if (o.service_ != service_) {
      if (o.service_ != nullptr) o.service_->ref();
      if (service_ != nullptr) service_->unref();
      service_ = o.service_;
    }
    return *this;
  }
};

// An object stub that keeps the result of its last operation: 40 when no
// object is held, else the code the operation produced.
template <class T>
class PKIXAnyObject : public CMN_ObjectStub<T> {
 public:
  PKIXAnyObject(T* obj, CMN_ServiceStubInterface* service)
      : CMN_ObjectStub<T>(obj, service), error_(obj == nullptr ? pkixrc::kUnavailable : pkixrc::kOk) {}
  ~PKIXAnyObject() override = default;
  virtual int error() const { return error_; }

 protected:
  // CMN_ObjectStub::adopt that also clears the error when an object came.
  bool adopt(T* created) {
    if (!CMN_ObjectStub<T>::adopt(created)) return false;
    error_ = pkixrc::kOk;
    return true;
  }

  mutable int32_t error_;
};

#endif  // PKIX_FRAMEWORK_CMN_STUB_H_
