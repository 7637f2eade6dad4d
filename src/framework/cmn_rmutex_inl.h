// Template bodies of cmn_rmutex.h.
#ifndef PKIX_FRAMEWORK_CMN_RMUTEX_INL_H_
#define PKIX_FRAMEWORK_CMN_RMUTEX_INL_H_

#include <cstdlib>

template <class T>
fineTls<T>::~fineTls() {
  for (uint32_t i = 0; i < count_; ++i) delete values_[i];
  std::free(values_);
}

template <class T>
void fineTls<T>::specific(void* p) {
  if (p == nullptr) return;
  void* grown = std::realloc(values_, (count_ + 1) * sizeof(T*));
  if (grown == nullptr) {
    // The registry keeps what it has; the new value is released here so that
    // it neither leaks nor takes the earlier values with it.
    delete static_cast<T*>(p);
    return;
  }
  values_ = static_cast<T**>(grown);
  values_[count_++] = static_cast<T*>(p);
}

#endif  // PKIX_FRAMEWORK_CMN_RMUTEX_INL_H_
