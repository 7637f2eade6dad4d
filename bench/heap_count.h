// Heap bytes in use, counted over every allocation of the process: a
// benchmark that links heap_count.cc replaces malloc, calloc, realloc and
// free with counting forms, and reads the count before and after building
// an object to learn what the object holds.
#ifndef PKIX_BENCH_HEAP_COUNT_H_
#define PKIX_BENCH_HEAP_COUNT_H_

namespace benchutil {

// The bytes of every block now allocated (malloc_usable_size of each).
long long HeapInUse();

}  // namespace benchutil

#endif  // PKIX_BENCH_HEAP_COUNT_H_
