// The per-module object manager: knows every live guarded object of its
// module and, through their holder lists, every holder pointing at them.
#ifndef PKIX_FRAMEWORK_CMN_OBJ_MGR_H_
#define PKIX_FRAMEWORK_CMN_OBJ_MGR_H_

#include "framework/cmn_gref.h"

// A pin with which the manager keeps one object alive while it works on it.
// Objects whose count is 0 (registered but not yet counted by their creator,
// or already dying in another thread) are never pinned: such a pin stays
// empty, so no walk waits on a count that only a blocked thread could change.
// Callers hold the whole module lock (all its stripes) while they pin.
class DummyHolder {
 public:
  explicit DummyHolder(CMN_GuardedRef* obj);
  virtual void die();
  virtual ~DummyHolder();

  // Moves the pin to obj (possibly null or uncounted, giving an empty pin);
  // the object pinned before may be destroyed here.
  void assign(CMN_GuardedRef* obj);
  CMN_GuardedRef* get() const { return holder_.get(); }
  const CMN_GRPHolder* holder() const { return &holder_; }

  DummyHolder(const DummyHolder&) = delete;
  DummyHolder& operator=(const DummyHolder&) = delete;

 private:
  CMN_GRefPtr<CMN_GuardedRef> holder_;
};

// The hook through which a module builds, for an object of an older instance,
// the object that replaces it. This module builds none.
CMN_GuardedRef* MakeObject(unsigned type, CMN_GuardedRef& old);

class CMN_ObjectManager {
 public:
  CMN_ObjectManager();
  virtual ~CMN_ObjectManager();

  // Detaches every holder of every object, whatever module owns it.
  virtual void fini();
  // 1 when a holder that lives in another module points at an object of this
  // one, else 0.
  virtual int moduleIsUsed();

  // The manager of the module this code is linked into.
  static CMN_ObjectManager& Local();

  // Registers obj (in the list of its stripe, under that stripe only).
  void storeObj(CMN_GuardedRef* obj);
  // Unregisters obj, under its stripe only; an object not registered is left
  // as it is.
  void removeObj(CMN_GuardedRef* obj);
  // A new heap pin on a counted object (which one is unspecified), or null
  // when there is none; dispose of it with die().
  DummyHolder* getObj();
  // 1 when a holder owned by module id points at an object of this module.
  int moduleIsUsedBy(const TypifiedID& id);
  // Detaches every holder owned by module id; returns how many detached
  // themselves.
  int unhookObjs(const TypifiedID& id);
  // Calls fini() on every live object.
  void finiAll();
  // Takes over the objects of an older instance of the module: waits until
  // the old instance is idle, then redirects (here: detaches) the holders of
  // each of its objects until its list is empty.
  CMN_ObjectManager* init(CMN_ObjectManager* old);

  // Number of registered objects (diagnostics and tests).
  unsigned count();
  // The walk lock: the first lock every walk takes before the stripes.
  CMN_RecursiveMutex* lock() const { return lock_; }

  CMN_ObjectManager(const CMN_ObjectManager&) = delete;
  CMN_ObjectManager& operator=(const CMN_ObjectManager&) = delete;

 private:
  template <class Work>
  void Walk(Work work);
  int DetachHolders(CMN_GuardedRef* obj, const TypifiedID* owner, const DummyHolder& a,
                    const DummyHolder& b);
  template <class Match>
  int AnyHolder(Match match);

  // The first registered object of one stripe's list, alone on its cache
  // line like the stripe's lock.
  struct alignas(64) Head {
    CMN_GuardedRef* first = nullptr;
  };

  CMN_RecursiveMutex* lock_;
  CMN_RefStripe* stripes_;
  Head heads_[kCMN_RefStripes];
};

#endif  // PKIX_FRAMEWORK_CMN_OBJ_MGR_H_
