// Intrusive reference counting under one recursive lock per module
// (declared with the host contract; implemented in cmn_ref.cc), and the
// stripes that module lock is divided into.
#ifndef PKIX_FRAMEWORK_CMN_REF_H_
#define PKIX_FRAMEWORK_CMN_REF_H_

#include "contract/reference.h"
#include "framework/cmn_rmutex.h"

// The module lock is striped. CMN_Reference::RefMutex stays the lock of the
// object manager's walks; beside it the module has kCMN_RefStripes stripe
// locks, and an object is registered, unregistered and loses its last
// reference under the stripe its address hashes to. A walk takes RefMutex
// and then every stripe in index order (CMN_WalkLock), so while it runs no
// thread of the module creates or destroys an object or drops a last
// reference, exactly as with one lock; threads that do not walk take one
// stripe at a time and so no longer meet each other.
//
// Why this cannot deadlock:
//  - a thread that is not walking takes a stripe only to link or unlink one
//    object or to drop one count to 0, and takes no other lock while it
//    holds it: a stripe is a leaf lock for it (objects are destroyed after
//    the stripe is left). Code of another module that drops the last count
//    of one of this module's objects takes RefMutex the same way, as a leaf;
//  - the lock order is unchanged: module lock (RefMutex, then stripes),
//    then holder-list locks, never the other way: no thread waits for a
//    stripe while it holds a holder-list lock (counts are dropped after the
//    list lock is left, objects whose holders are redirected are pinned,
//    and a walker only re-enters stripes it owns);
//  - walkers take RefMutex first, so at most one thread at a time is taking
//    or holding stripes as a walker, always in the same increasing order;
//  - everything a walk does while it holds all the stripes (pinning,
//    releasing, creating objects, holder-list locks) re-enters stripes it
//    already owns (the locks are recursive) or takes holder-list locks,
//    which come after the module lock as before.
//  So a waiting cycle would need a stripe holder that waits for another
//  lock, and only a walker does, for locks that come later in one order.
//
// 32 stripes: far more than the cores that contend for them, and few enough
// that a walker's locks (all stripes, RefMutex, and what its work takes
// inside) stay within the 64 locks a thread may hold at once under the
// thread checker's deadlock detector.
inline constexpr unsigned kCMN_RefStripes = 32;

// One stripe of the module lock, alone on its cache line so that threads
// working on different stripes do not share lines.
struct alignas(64) CMN_RefStripe {
  CMN_RefStripe() : lock("RefStripe") {}
  CMN_RecursiveMutex lock;
};

// The module's stripes (kCMN_RefStripes of them, built with RefMutex).
CMN_RefStripe* CMN_RefStripes();

// The stripe index (below kCMN_RefStripes) of a counted object: a hash of
// its address, so that the object needs no field for it.
unsigned CMN_RefStripeOf(const CMN_Reference* obj);

// Holds a whole striped module lock (its walk lock, then every stripe in
// index order) for its lifetime: what every walk of the object manager
// takes. Released in the opposite order.
class CMN_WalkLock {
 public:
  CMN_WalkLock(CMN_RecursiveMutex* walk, CMN_RefStripe* stripes);
  ~CMN_WalkLock();
  CMN_WalkLock(const CMN_WalkLock&) = delete;
  CMN_WalkLock& operator=(const CMN_WalkLock&) = delete;

 private:
  CMN_RecursiveMutex* walk_;
  CMN_RefStripe* stripes_;
};

#endif  // PKIX_FRAMEWORK_CMN_REF_H_
