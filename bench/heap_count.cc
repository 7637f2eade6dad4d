#include "heap_count.h"

#include <malloc.h>

#include <atomic>
#include <cstddef>

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);
}

namespace {
std::atomic<long long> gHeapInUse{0};
void Count(void* p, int sign) {
  if (p != nullptr) gHeapInUse += sign * static_cast<long long>(malloc_usable_size(p));
}
}  // namespace

namespace benchutil {
long long HeapInUse() { return gHeapInUse.load(); }
}  // namespace benchutil

extern "C" {
void* malloc(size_t n) {
  void* p = __libc_malloc(n);
  Count(p, 1);
  return p;
}
void* calloc(size_t a, size_t b) {
  void* p = __libc_calloc(a, b);
  Count(p, 1);
  return p;
}
void* realloc(void* old, size_t n) {
  Count(old, -1);
  void* p = __libc_realloc(old, n);
  Count(p != nullptr ? p : (n != 0 ? old : nullptr), 1);
  return p;
}
void free(void* p) {
  Count(p, -1);
  __libc_free(p);
}
}
