// Selectors from arbitrary octets. The input holds a selector A (12 header
// octets, then its data; a total length larger than the input is cut to
// what is there), optionally a selector B laid out the same way, then up to
// 24 octets for a packet and an association record. sel_check decides; what
// it accepts goes through every matcher and operation, and the properties
// every well-formed selector has are checked:
// - A matches itself under sel_match and sel_match_light, and is contained
//   in itself under sel_match_heavy (unless its work bound is reached);
// - a SEL_MATCH from sel_match is a containment the heavy matcher confirms;
// - every selector an operation returns passes sel_check;
// - swapping twice restores A.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "contract/x509asn.h"
#include "name/sel.h"
#include "name/selname.h"

namespace {

void Require(bool ok) {
  if (!ok) __builtin_trap();
}

// Copies the next selector of the input into a block of exactly its size.
_selector* TakeSelector(const uint8_t** data, size_t* size) {
  if (*size < sizeof(_selector)) return nullptr;
  _selector head;
  std::memcpy(&head, *data, sizeof head);
  const size_t room = *size - sizeof head;
  if (head.len > room) head.len = static_cast<uint32_t>(room);
  auto* s = static_cast<_selector*>(std::malloc(sizeof head + head.len));
  if (s == nullptr) return nullptr;
  std::memcpy(s, &head, sizeof head);
  std::memcpy(s + 1, *data + sizeof head, head.len);
  *data += sizeof head + head.len;
  *size -= sizeof head + head.len;
  return s;
}

// Checks and frees a selector an operation returned.
void RequireValid(_selector* s) {
  if (s != nullptr) Require(sel_check(s) == 1);
  sel_destroy(s);
}

void DumpToNowhere(const _selector* s) {
  static const int devnull = open("/dev/null", O_WRONLY);
  if (devnull < 0) return;
  std::fflush(stdout);
  const int out = dup(1), err = dup(2);
  dup2(devnull, 1);
  dup2(devnull, 2);
  sel_dump(s);
  std::fflush(stdout);
  dup2(out, 1);
  dup2(err, 2);
  close(out);
  close(err);
}

void Alone(const _selector* a, const sel_packet& pkt, const sel_sa& sa) {
  Require(sel_match(a, a) == SEL_MATCH);
  Require(sel_match_light(a, a) == SEL_MATCH);
  const int heavy = sel_match_heavy(a, a);
  Require(heavy == SEL_MATCH || heavy == SEL_NOMEM);
  Require(sel_revmatch(a, a) <= SEL_MATCH);
  Require(psel_match(a, &pkt) <= SEL_MATCH);
  Require(sasel_match(a, &sa) <= SEL_MATCH);

  for (int which = 0; which < 4; ++which) {
    _selector *first = nullptr, *rest = nullptr;
    Require(sel_split(a, which, &first, &rest) == 1);
    Require((first == nullptr) == (rest == nullptr));
    RequireValid(first);
    RequireValid(rest);
  }
  RequireValid(sel_get_half(a, 1));
  RequireValid(sel_get_half(a, 2));
  RequireValid(sel_merge(a, a));

  // Remove each element in turn, found by walking both parts.
  RequireValid(sel_dtag(a, nullptr));
  const unsigned char* cursor = nullptr;
  for (int n = 0; n < 64; ++n) {
    const unsigned char* at = cursor;
    unsigned tag = 0, length = 0;
    const unsigned char* value = nullptr;
    if (!sel_getnext(a, &cursor, SEL_M_SRC | SEL_M_DST, &tag, &length, &value)) break;
    RequireValid(sel_dtag(a, at != nullptr ? at : reinterpret_cast<const unsigned char*>(a + 1)));
  }
  if ((a->flags & SEL_F_CMPLX) == 0) {
    for (unsigned tag : {4u, 8u, 24u, 40u}) {
      const unsigned char* pos = nullptr;
      unsigned t = tag;
      Require(sel_getnext(a, &pos, SEL_M_SRC | SEL_M_INSPOS, &t, nullptr, nullptr) == 1);
    }
  }
  unsigned type = 0;
  sel_get_type(a, &type);
  Buffer sn;
  init_buffer(&sn);
  if (sel_get_sn(a, &sn) == 0) release_buffer(&sn);

  _selector* copy = sel_duplicate(a);
  if (copy != nullptr) {
    sel_swap(copy);
    Require(sel_check(copy) == 1);
    sel_swap(copy);
    Require(sel_trivial_cmp(copy, a) == 1);
    sel_destroy(copy);
  }
  DumpToNowhere(a);
}

void Pair(const _selector* a, const _selector* b) {
  const int match = sel_match(a, b);
  const int heavy = sel_match_heavy(a, b);
  Require(heavy <= SEL_NOMEM);
  if (match == SEL_MATCH) Require(heavy == SEL_MATCH || heavy == SEL_NOMEM);
  Require(sel_match_light(a, b) <= SEL_MATCH);
  Require(sel_revmatch(a, b) <= SEL_MATCH);
  RequireValid(sel_merge(a, b));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  _selector* a = TakeSelector(&data, &size);
  if (a == nullptr) return 0;
  _selector* b = TakeSelector(&data, &size);
  uint8_t records[sizeof(sel_sa)] = {};
  std::memcpy(records, data, size < sizeof records ? size : sizeof records);
  sel_packet pkt;
  sel_sa sa;
  std::memcpy(&pkt, records, sizeof pkt);
  std::memcpy(&sa, records, sizeof sa);

  if (sel_check(a) == 1) {
    Alone(a, pkt, sa);
    if (b != nullptr && sel_check(b) == 1) {
      Pair(a, b);
      Pair(b, a);
    }
  }
  sel_destroy(a);
  sel_destroy(b);
  return 0;
}
