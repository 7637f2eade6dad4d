// Guarded references (declared with the host contract,
// contract/guarded_ref.h) and the holder template every client holds them
// through.
#ifndef PKIX_FRAMEWORK_CMN_GREF_H_
#define PKIX_FRAMEWORK_CMN_GREF_H_

#include <cstdint>

#include "contract/guarded_ref.h"
#include "contract/modmgr.h"
#include "framework/cmn_ref.h"
#include "framework/cmn_rmutex.h"
#include "framework/id_type.h"

// The release steps every holder runs when it lets an object go for good:
// the guard's call counter is raised while the release may run the object's
// destructor, and lowered afterwards even when the object died; the guard is
// kept counted across the release so that lowering it is always safe.
// Returns the count remReference produced.
int CMN_ReleaseGuarded(CMN_Guard* guard, CMN_GuardedRef* obj, CMN_GRPHolder* holder);

// A holder of a T (an interface derived from CMN_GuardedRef).
template <class T>
class CMN_GRefPtr : public CMN_GRPHolder {
 public:
  explicit CMN_GRefPtr(const TypifiedID* service = nullptr)
      : serviceID(service), pointee(nullptr), ownerID(pModuleID) {}
  explicit CMN_GRefPtr(T* obj, const TypifiedID* service = nullptr)
      : serviceID(service), pointee(nullptr), ownerID(pModuleID) {
    Take(obj);
  }
  // A holder that stands for another module (a client the host simulates).
  CMN_GRefPtr(T* obj, const TypifiedID* service, const TypifiedID* owner)
      : serviceID(service), pointee(nullptr), ownerID(owner) {
    Take(obj);
  }
  CMN_GRefPtr(const CMN_GRefPtr& o) : serviceID(nullptr), pointee(nullptr), ownerID(pModuleID) {
    *this = o;
  }
  virtual ~CMN_GRefPtr() { Release(); }

  int replacePointee(CMN_GuardedRef* p) override {
    int r = 0;
    if (pointee != nullptr) r = Base(pointee)->remReference(this);
    pointee = p == nullptr ? nullptr : static_cast<T*>(p);
    if (p != nullptr) {
      guard = p->getGuard();
      p->addReference(this);
      r = p->references();
    }
    return r;
  }
  const TypifiedID* getModuleID() override { return ownerID; }

  CMN_GRefPtr& operator=(const CMN_GRefPtr& o) {
    if (pointee == o.pointee) return *this;
    if (pointee != nullptr) {
      Base(pointee)->remReference(this);
      pointee = nullptr;
      if (o.pointee == nullptr) {
        if (serviceID != nullptr && ModMgr != nullptr) ModMgr->releaseService(*serviceID, *ownerID);
        return *this;
      }
    } else {
      if (o.pointee == nullptr) return *this;
      if (o.serviceID != nullptr) serviceID = o.serviceID;
    }
    Take(o.pointee);
    return *this;
  }
  // Takes obj in place of the current pointee (same steps as assignment from
  // a holder on obj).
  CMN_GRefPtr& operator=(T* obj) {
    CMN_GRefPtr tmp(obj);
    return *this = tmp;
  }

  // Lets the pointee go with the release steps and, when a service
  // identifier is set, tells the host module manager.
  void Release() {
    if (pointee != nullptr) {
      T* p = pointee;
      pointee = nullptr;
      CMN_ReleaseGuarded(guard, Base(p), this);
    }
    if (serviceID != nullptr && ModMgr != nullptr) ModMgr->releaseService(*serviceID, *ownerID);
  }

  // The release steps without telling the host module manager: used by
  // object stubs, whose holders carry no service identifier.
  void Drop() {
    if (pointee == nullptr) return;
    T* p = pointee;
    pointee = nullptr;
    CMN_ReleaseGuarded(guard, Base(p), this);
  }

  T* get() const { return pointee; }
  T* operator->() const { return pointee; }
  explicit operator bool() const { return pointee != nullptr; }

  const TypifiedID* serviceID;
  T* pointee;
  const TypifiedID* ownerID;

 private:
  static CMN_GuardedRef* Base(T* p) { return p == nullptr ? nullptr : static_cast<CMN_GuardedRef*>(p); }
  void Take(T* obj) {
    if (obj == nullptr) return;
    guard = Base(obj)->getGuard();
    Base(obj)->addReference(this);
    pointee = obj;
  }
};

#endif  // PKIX_FRAMEWORK_CMN_GREF_H_
