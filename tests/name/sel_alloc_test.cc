// The per-packet and pattern matchers allocate nothing. Every allocation of
// the process is counted while the matchers run: through the sanitizer's
// allocation hooks under AddressSanitizer, else by interposing malloc and
// its relatives over the C library's own entry points.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>

#include "name/sel.h"
#include "sel_testutil.h"

namespace {

std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};

void Count() {
  if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1);
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
extern "C" int __sanitizer_install_malloc_and_free_hooks(
    void (*malloc_hook)(const volatile void*, size_t), void (*free_hook)(const volatile void*));

namespace {
void OnMalloc(const volatile void*, size_t) { Count(); }
void OnFree(const volatile void*) {}
const bool g_hooked = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;
}  // namespace
#else
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t n, size_t size);
void* __libc_realloc(void* p, size_t size);
void __libc_free(void* p);

void* malloc(size_t size) {
  Count();
  return __libc_malloc(size);
}
void* calloc(size_t n, size_t size) {
  Count();
  return __libc_calloc(n, size);
}
void* realloc(void* p, size_t size) {
  Count();
  return __libc_realloc(p, size);
}
void free(void* p) { __libc_free(p); }
}
namespace {
const bool g_hooked = true;
}  // namespace
#endif

namespace {

using seltest::Make;
using seltest::SelPtr;

// Counts the allocations made while body runs.
template <class Body>
long AllocationsDuring(Body body) {
  g_allocations = 0;
  g_counting = true;
  body();
  g_counting = false;
  return g_allocations.load();
}

TEST(SelAlloc, TheCounterSeesAllocations) {
  ASSERT_TRUE(g_hooked);
  SelPtr s = Make("0606");
  EXPECT_GE(AllocationsDuring([&] { sel_destroy(sel_duplicate(s.get())); }), 1);
}

TEST(SelAlloc, FastPathsAllocateNothing) {
  // A typical rule, one of eight alternatives, and a candidate selector.
  SelPtr rule = Make("0500 0A000000 0A0000FF 0606 09 0400 FFFF", "0400 C0A80001 080050");
  std::string eight;
  for (int i = 0; i < 8; ++i) eight += (i ? " 02 " : "") + std::string("0500 0A000000 0A0000FF 0606 08 00") +
                                       (i < 4 ? "5" : "6") + std::to_string(i);
  SelPtr alts = Make(eight, eight, SEL_F_CMPLX);
  SelPtr cand = Make("0400 0A000005 0606 080400", "0400 C0A80001 080050");
  ASSERT_EQ(sel_check(rule.get()), 1);
  ASSERT_EQ(sel_check(alts.get()), 1);
  sel_packet pkt{};
  pkt.flags = SEL_PKT_SPORT | SEL_PKT_DPORT;
  pkt.protocol = 6;
  pkt.saddr = 0x0A000005;
  pkt.daddr = 0xC0A80001;
  pkt.sport = 1024;
  pkt.dport = 80;
  sel_sa sa{};
  sa.flags = SEL_SA_PROTO | SEL_SA_SPORT | SEL_SA_DPORT;
  sa.protocol = 6;
  sa.saddr_lo = 0x0A000001;
  sa.saddr_hi = 0x0A000009;
  sa.daddr_lo = sa.daddr_hi = 0xC0A80001;
  sa.sport = 2000;
  sa.dport = 80;
  int sum = 0;
  const long n = AllocationsDuring([&] {
    for (int i = 0; i < 200; ++i) {
      sum += psel_match(rule.get(), &pkt) + psel_match(alts.get(), &pkt);
      sum += sasel_match(rule.get(), &sa) + sasel_match(alts.get(), &sa);
      sum += sel_match(rule.get(), cand.get()) + sel_match(alts.get(), cand.get());
      sum += sel_match_light(rule.get(), cand.get()) + sel_revmatch(alts.get(), cand.get());
      sum += sel_check(alts.get());
      const unsigned char* cursor = nullptr;
      unsigned tag = SEL_TAG(SEL_PORT, 0);
      while (sel_getnext(alts.get(), &cursor, SEL_M_SRC | SEL_M_DST, &tag, nullptr, nullptr)) {
        tag = SEL_TAG(SEL_PORT, 0);
      }
      sel_swap(cand.get());
    }
  });
  EXPECT_EQ(n, 0);
  EXPECT_EQ(psel_match(rule.get(), &pkt), SEL_MATCH);
  EXPECT_EQ(sasel_match(rule.get(), &sa), SEL_MATCH);
  EXPECT_EQ(sel_match(rule.get(), cand.get()), SEL_MATCH);
  EXPECT_GT(sum, 0);
}

}  // namespace
