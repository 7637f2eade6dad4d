// Guarded references: counted objects that know every holder pointing at
// them, the holders themselves, and the host-owned guard through which the
// host learns whether code of a module is running.
#ifndef PKIX_FRAMEWORK_CMN_GREF_H_
#define PKIX_FRAMEWORK_CMN_GREF_H_

#include <atomic>
#include <cstdint>

#include "contract/modmgr.h"
#include "framework/cmn_ref.h"
#include "framework/cmn_rmutex.h"
#include "framework/id_type.h"

// The guard's count of the objects that name it. When it drops to 0 the
// deleting destructor takes the whole guard with it.
class CMN_GuardCount : public CMN_Reference {
 public:
  CMN_GuardCount() = default;
  ~CMN_GuardCount() override;
  static void operator delete(void* p);
};

// Created and owned by the host, one per module; modules only count it and
// raise and lower its call counter.
class CMN_Guard {
 public:
  CMN_Guard() : calls(0) {}
  // Creates a guard with no references; the first object that names it
  // adds one, and the last one to go destroys it.
  static CMN_Guard* create() { return new CMN_Guard; }

  // Raise or lower the call counter; each returns the counter as read after
  // the guard lock was released.
  int inc() {
    lock.lock();
    calls.fetch_add(1, std::memory_order_relaxed);
    lock.unlock();
    return calls.load(std::memory_order_relaxed);
  }
  int dec() {
    lock.lock();
    calls.fetch_sub(1, std::memory_order_relaxed);
    lock.unlock();
    return calls.load(std::memory_order_relaxed);
  }
  int callCount() const { return calls.load(std::memory_order_acquire); }

  CMN_Mutex lock;
  CMN_GuardCount refs;
  std::atomic<int32_t> calls;

 private:
  friend class CMN_GuardCount;
  ~CMN_Guard() = default;
};

class CMN_GRPHolder;

// An item of a holder list: the holder, the next item, and the address of
// the field that points at this item, so it unlinks in constant time.
template <class H>
struct sitem {
  sitem* next;
  sitem** linkBack;
  H* holder;
};

// Singly linked list with back-links; items are heap-allocated one by one.
template <class H>
class slist {
 public:
  slist() : head(nullptr), count(0) {}
  virtual void push_front(H* h) {
    sitem<H>* item = new sitem<H>{head, &head, h};
    if (head != nullptr) head->linkBack = &item->next;
    head = item;
    ++count;
  }
  virtual void eraseitem(sitem<H>* item) {
    if (item == nullptr) return;
    if (item->next != nullptr) item->next->linkBack = item->linkBack;
    *item->linkBack = item->next;
    delete item;
    --count;
  }
  virtual ~slist() = default;

  sitem<H>* head;
  uint32_t count;

  slist(const slist&) = delete;
  slist& operator=(const slist&) = delete;
};

// A holder: something that owns one reference to a guarded object and stands
// in that object's holder list.
class CMN_GRPHolder {
 public:
  CMN_GRPHolder() : guard(nullptr) {}
  // Lets the current pointee go and takes p (which may be null); returns the
  // last count the change produced.
  virtual int replacePointee(CMN_GuardedRef* p) = 0;
  // The identifier of the module the holder lives in.
  virtual const TypifiedID* getModuleID() = 0;

  CMN_Guard* guard;

 protected:
  ~CMN_GRPHolder() = default;
};

// Base of every object that crosses a module boundary.
class CMN_GuardedRef : public CMN_Reference {
 public:
  // Takes the module's guard from the host module manager (which must be
  // known) and registers with the module's object manager. The count is 0:
  // the creator adds the first reference.
  explicit CMN_GuardedRef(unsigned type);
  // A new object with the source's type and guard, count 0, no holders.
  CMN_GuardedRef(const CMN_GuardedRef& other);
  ~CMN_GuardedRef() override;

  virtual int init() = 0;
  virtual int fini() = 0;

  using CMN_Reference::addReference;
  using CMN_Reference::remReference;
  // Adds a reference for holder h and lists h.
  void addReference(CMN_GRPHolder* h);
  // Removes h's item and then its reference, returning the new count; a
  // holder that is not listed takes nothing away and gets the current count.
  int remReference(CMN_GRPHolder* h);

  unsigned getType() const { return type_; }
  void setType(unsigned t) { type_ = t; }
  CMN_Guard* getGuard() const { return guard_; }
  // Replaces the guard; g must be neither null nor the current guard.
  void setGuard(CMN_Guard* g);

  void lockHolderList() { holderLock_.enter(); }
  void unlockHolderList() { holderLock_.exit(); }
  slist<CMN_GRPHolder>& _getHolders() { return holders_; }

  // Hands every holder of list (oldest first) to replacement, which may be
  // null: then each holder is detached. The caller holds the list owner's
  // holder-list lock.
  static void updateHolders(slist<CMN_GRPHolder>& list, CMN_GuardedRef* replacement);
  void updateHolders(slist<CMN_GRPHolder>& list) { updateHolders(list, this); }

  // Object-manager links; null while not registered.
  CMN_GuardedRef** omLinkBack() const { return omLinkBack_; }
  CMN_GuardedRef* omNext() const { return omNext_; }

  CMN_GuardedRef& operator=(const CMN_GuardedRef&) { return *this; }

 private:
  friend class CMN_ObjectManager;
  void Register();

  unsigned type_;
  slist<CMN_GRPHolder> holders_;
  CMN_Guard* guard_;
  CMN_RecursiveMutex holderLock_;
  CMN_GuardedRef** omLinkBack_;
  CMN_GuardedRef* omNext_;
};

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
