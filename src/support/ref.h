// Ref<T>: a scoped owner of one reference on a counted object (anything with
// addRef() and release(): the module's objects and the host's buffers).
//
// Every place that keeps an object — a member, a local, a cache slot — holds
// it through a Ref, so that clearing, replacing and every early return drop
// exactly the references that were taken, in one place.
//
//   Ref<TBuf> der = Ref<TBuf>::adopt(createTBuf(...));  // takes the creation reference
//   Ref<TName> n = Ref<TName>::share(borrowed);         // adds a reference of its own
//   return der.detach();                                // hands the reference to the caller
//   return n.newRef();                                  // a further reference for the caller
#ifndef PKIX_SUPPORT_REF_H_
#define PKIX_SUPPORT_REF_H_

#include <cstddef>
#include <utility>

template <class T>
class Ref {
 public:
  Ref() = default;
  ~Ref() { reset(); }

  // Takes over the reference p already carries (a factory's or getter's
  // result); null gives an empty holder.
  static Ref adopt(T* p) {
    Ref r;
    r.p_ = p;
    return r;
  }
  // Adds a reference of its own to p (a borrowed pointer); null gives an
  // empty holder.
  static Ref share(T* p) {
    if (p != nullptr) p->addRef();
    return adopt(p);
  }

  Ref(const Ref& other) : p_(other.p_) {
    if (p_ != nullptr) p_->addRef();
  }
  Ref(Ref&& other) noexcept : p_(other.detach()) {}
  Ref& operator=(const Ref& other) {
    if (this != &other) reset(other.newRef());
    return *this;
  }
  Ref& operator=(Ref&& other) noexcept {
    if (this != &other) reset(other.detach());
    return *this;
  }

  T* get() const { return p_; }
  bool operator==(std::nullptr_t) const { return p_ == nullptr; }
  bool operator!=(std::nullptr_t) const { return p_ != nullptr; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // Drops the reference held (if any) and takes over p's.
  void reset(T* adopted = nullptr) {
    T* old = p_;
    p_ = adopted;
    if (old != nullptr) old->release();
  }
  // Gives the held reference to the caller; the holder is left empty.
  [[nodiscard]] T* detach() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }
  // A new reference to the held object for a caller (null when empty).
  [[nodiscard]] T* newRef() const {
    if (p_ != nullptr) p_->addRef();
    return p_;
  }

 private:
  T* p_ = nullptr;
};

// Shorthands for the two ways a holder is filled.
template <class T>
Ref<T> adoptRef(T* p) {
  return Ref<T>::adopt(p);
}
template <class T>
Ref<T> shareRef(T* p) {
  return Ref<T>::share(p);
}

// A new reference to p for a caller (null stays null): what a getter that
// returns a cached object hands out.
template <class T>
T* newRefTo(T* p) {
  if (p != nullptr) p->addRef();
  return p;
}

#endif  // PKIX_SUPPORT_REF_H_
