// The base of every client wrapper (aCert, aName, aKey, ...): an object stub
// that holds one object, keeps the producing service in use, raises the
// object's guard around every call and keeps the result of its last
// operation as its error (40 while no object is held).
//
// Each wrapper operation is one line over one of the forwarding forms below:
//   code(f)        operations that return an int code: the code becomes the
//                  error and is returned;
//   query(fail, f) operations that return a plain value: the value is
//                  returned and the error is the object's own error();
//   wrap<W>(f)     operations that return a new object: it comes back in a
//                  wrapper W (which takes its own reference; the returned
//                  one is dropped) and the error is the object's error().
// Without an object each sets the error to 40 and returns its failure value
// without calling anything.
#ifndef PKIX_MODULE_PKIXWRAP_H_
#define PKIX_MODULE_PKIXWRAP_H_

#include "cert/xbase.h"
#include "framework/cmn_stub.h"
#include "support/abuf.h"
#include "module/pkixclnt.h"

// The interface a wrapper class W holds: W::Object for the wrappers built
// here, TBuf for the buffer wrapper.
template <class W>
struct WrappedType {
  using type = typename W::Object;
};
template <>
struct WrappedType<aBuf> {
  using type = TBuf;
};

template <class T>
class PKIXWrapper : public PKIXAnyObject<T> {
 public:
  using Object = T;
  PKIXWrapper(T* obj, CMN_ServiceStubInterface* service) : PKIXAnyObject<T>(obj, service) {}
  ~PKIXWrapper() override = default;

  // The raw object (borrowed; null when empty).
  T* raw() const { return this->holder_.pointee; }

 protected:
  template <class F>
  int code(F f) const {
    if (raw() == nullptr) return this->error_ = pkixrc::kUnavailable;
    return this->error_ = this->invoke(f, pkixrc::kUnavailable);
  }

  template <class R, class F>
  R query(R fail, F f) const {
    T* o = raw();
    if (o == nullptr) {
      this->error_ = pkixrc::kUnavailable;
      return fail;
    }
    GuardLockVar g(this->holder_.guard);
    R r = f(o);
    this->error_ = o->error();
    return r;
  }

  template <class W, class F>
  W wrap(F f) const {
    T* o = raw();
    if (o == nullptr) {
      this->error_ = pkixrc::kUnavailable;
      return W(static_cast<typename WrappedType<W>::type*>(nullptr));
    }
    GuardLockVar g(this->holder_.guard);
    auto* made = f(o);
    W w(made);
    CMN_DropCreationRef(made);  // w holds its own reference
    this->error_ = o->error();
    return w;
  }

  // Creation through a service client: PKIXAnyObject::adopt takes what
  // comes back and drops the creation reference.
  using PKIXAnyObject<T>::adopt;
  // Shares another wrapper's object and copies its error.
  void shareWith(const PKIXWrapper& other) {
    this->share(other);
    this->error_ = other.error_;
  }
};

// Wrappers of objects made by the certificate service.
template <class T>
class PKIXObject : public PKIXWrapper<T> {
 public:
  explicit PKIXObject(T* obj) : PKIXWrapper<T>(obj, pPKIXService) {}
  ~PKIXObject() override = default;
};

// Wrappers of objects made by the key service.
template <class T>
class PKIXKeyObject : public PKIXWrapper<T> {
 public:
  explicit PKIXKeyObject(T* obj) : PKIXWrapper<T>(obj, pPKIXKeyService) {}
  PKIXKeyObject(T* obj, CMN_ServiceStubInterface* service) : PKIXWrapper<T>(obj, service) {}
  ~PKIXKeyObject() override = default;
};

// The raw object of any wrapper, or null when it is empty. With take set, a
// reference is added for the receiver, who releases it with release().
template <class T>
XBase* getXBase(const PKIXWrapper<T>& w, int take) {
  T* o = w.raw();
  if (o == nullptr) return nullptr;
  XBase* x = o;
  // A plain reference: the receiver drops it with release(), so it must not
  // leave a holder's item behind in the object's holder list.
  if (take != 0) x->addRef();
  return x;
}

#endif  // PKIX_MODULE_PKIXWRAP_H_
