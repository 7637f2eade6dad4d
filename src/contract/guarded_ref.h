// Guarded references as every module and the host lay them out: counted
// objects that know every holder pointing at them, the holders' common base,
// and the host-owned guard through which the host learns whether code of a
// module is running. The framework implements them (framework/cmn_gref.cc).
#ifndef PKIX_CONTRACT_GUARDED_REF_H_
#define PKIX_CONTRACT_GUARDED_REF_H_

#include <atomic>
#include <cstdint>

#include "contract/mutex.h"
#include "contract/reference.h"
#include "contract/typed_id.h"

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
    {
      CMN_ScopedLock<CMN_Mutex> held(lock);
      calls.fetch_add(1, std::memory_order_relaxed);
    }
    return calls.load(std::memory_order_relaxed);
  }
  int dec() {
    {
      CMN_ScopedLock<CMN_Mutex> held(lock);
      calls.fetch_sub(1, std::memory_order_relaxed);
    }
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
class CMN_GuardedRef;

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
  // Takes the module's guard from the host module manager and registers with
  // the module's object manager. Before a manager is stored the object has no
  // guard (and lives unguarded). The count is 0: the creator adds the first
  // reference.
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
  // null: then each holder is detached. A holder equal to keep (the caller's
  // own pin, say) is left where it is. The caller holds the list owner's
  // holder-list lock.
  static void updateHolders(slist<CMN_GRPHolder>& list, CMN_GuardedRef* replacement,
                            const CMN_GRPHolder* keep = nullptr);
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

// An object's scope lock is its holder-list lock (CMN_ScopedLock).
inline void CMN_LockEnter(CMN_GuardedRef& o) { o.lockHolderList(); }
inline void CMN_LockLeave(CMN_GuardedRef& o) { o.unlockHolderList(); }

#endif  // PKIX_CONTRACT_GUARDED_REF_H_
