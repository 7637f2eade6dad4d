// The allocation-free matchers: a pattern selector against a candidate
// selector (sel_match, sel_revmatch, sel_match_light) and the per-packet and
// per-association matchers (psel_match, sasel_match). Values stay
// network-order octets as the selector holds them: the pattern matchers
// compare them with memcmp, the per-packet path loads them as big-endian
// numbers, which orders them the same way.
#include <arpa/inet.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "name/sel.h"
#include "name/selelem.h"

namespace {

bool AllOctets(const uint8_t* v, uint32_t n, uint8_t x) {
  for (uint32_t i = 0; i < n; ++i) {
    if (v[i] != x) return false;
  }
  return true;
}

// True when pattern element a covers every value of candidate element b. An
// ANY candidate stands for its whole subtype: only an ANY pattern or a full
// range covers it.
bool Covers(const SelElem& a, const SelElem& b) {
  if (a.sub != b.sub) return false;
  if (a.any) return true;
  if (a.vsize != b.vsize) return false;
  if (b.any) {
    return !a.var && a.range && AllOctets(sel_elem_lo(a), a.vsize, 0x00) &&
           AllOctets(sel_elem_hi(a), a.vsize, 0xFF);
  }
  if (a.var) return std::memcmp(a.value, b.value, a.vsize) == 0;
  return std::memcmp(sel_elem_lo(a), sel_elem_lo(b), a.vsize) <= 0 &&
         std::memcmp(sel_elem_hi(b), sel_elem_hi(a), a.vsize) <= 0;
}

bool RunCovers(SelSpan run, const SelElem& b) {
  SelElem a;
  for (const uint8_t* p = run.begin; sel_elem_read(p, run.end, &a); p += a.size) {
    if (Covers(a, b)) return true;
  }
  return false;
}

// One alternative of the pattern against one of the candidate, both walked
// in type order. light: only the candidate's first element of each type is
// compared.
int CompareAlt(SelSpan alt_a, SelSpan alt_b, bool light) {
  const uint8_t* pa = alt_a.begin;
  const uint8_t* pb = alt_b.begin;
  SelElem ea, eb;
  bool has_a = sel_elem_read(pa, alt_a.end, &ea);
  bool has_b = sel_elem_read(pb, alt_b.end, &eb);
  for (;;) {
    if (!has_a) return SEL_MATCH;
    if (!has_b) return SEL_UNDETERMINED;
    if (eb.type < ea.type) {  // a condition the pattern does not test
      pb += eb.size;
      has_b = sel_elem_read(pb, alt_b.end, &eb);
      continue;
    }
    if (ea.type < eb.type) return SEL_UNDETERMINED;  // the candidate does not say
    const uint8_t type = ea.type;
    const uint8_t* run_begin = pa;
    do {
      pa += ea.size;
      has_a = sel_elem_read(pa, alt_a.end, &ea);
    } while (has_a && ea.type == type);
    const SelSpan run = {run_begin, pa};
    bool first = true;
    while (has_b && eb.type == type) {
      if ((first || !light) && !RunCovers(run, eb)) return SEL_NOMATCH;
      first = false;
      pb += eb.size;
      has_b = sel_elem_read(pb, alt_b.end, &eb);
    }
  }
}

// For each alternative of the candidate's part, the best over the
// pattern's alternatives; the smallest of these.
int ComparePart(SelSpan part_a, SelSpan part_b, bool light) {
  int result = SEL_MATCH;
  SelAlts alts_b(part_b);
  SelSpan alt_b;
  while (alts_b.next(&alt_b)) {
    int best = SEL_NOMATCH;
    SelAlts alts_a(part_a);
    SelSpan alt_a;
    while (best != SEL_MATCH && alts_a.next(&alt_a)) {
      const int r = CompareAlt(alt_a, alt_b, light);
      if (r > best) best = r;
    }
    if (best < result) result = best;
    if (result == SEL_NOMATCH) break;
  }
  return result;
}

// Pattern source against candidate part b_src, pattern destination against
// b_dst.
int CompareSelectors(const _selector* a, const _selector* b, int b_src, int b_dst, bool light) {
  const int src = ComparePart(sel_part_span(a, 0), sel_part_span(b, b_src), light);
  if (src == SEL_NOMATCH) return src;
  const int dst = ComparePart(sel_part_span(a, 1), sel_part_span(b, b_dst), light);
  return dst < src ? dst : src;
}

// What one direction of a packet or association says: the address range
// (one address for a packet), protocol and port, as host-order numbers.
struct Side {
  uint32_t lo;
  uint32_t hi;
  uint16_t port;
  uint8_t proto;
  bool has_proto;
  bool has_port;
};

// N octets of network-order value as a number. Comparing two of these
// orders values exactly as memcmp orders their octets; the load is written
// out so that it stays in the per-packet loop instead of becoming a call.
template <size_t N>
inline uint32_t LoadBE(const uint8_t* p) {
  static_assert(N == 1 || N == 2 || N == 4, "value length");
  if (N == 1) return p[0];
  if (N == 2) return static_cast<uint32_t>(p[0]) << 8 | p[1];
  uint32_t v;
  std::memcpy(&v, p, 4);
  return ntohl(v);
}

// True when [lo, hi] of a side lies inside the element's [low value, high
// value] (equal for a single value) of N octets each at v.
template <size_t N>
inline bool Holds(const uint8_t* v, bool range, uint32_t lo, uint32_t hi) {
  return LoadBE<N>(v) <= lo && hi <= LoadBE<N>(range ? v + N : v);
}

// Reads the element at p for the fast matchers: its type, its size, and
// its result against side s: SEL_MATCH, SEL_UNDETERMINED when the side
// lacks the value, else SEL_NOMATCH (also for every type but IPv4
// addresses, protocol and port). The three types the rules are made of are
// read here directly; any other goes through the general reader for its
// size. False when the element is malformed.
inline bool FastElem(const uint8_t* p, const uint8_t* end, const Side& s, uint8_t* type,
                     uint32_t* size, int* result) {
  if (p >= end) return false;
  const size_t avail = static_cast<size_t>(end - p);
  const bool range = p[0] & 1;
  *type = p[0] >> 1;
  if (*type == SEL_IP_ADDR && avail >= 2 && (p[1] >> 1) == SEL_IP4) {
    *size = range ? 10 : 6;
    if (*size > avail) return false;
    *result = (p[1] & 1) || Holds<4>(p + 2, range, s.lo, s.hi) ? SEL_MATCH : SEL_NOMATCH;
    return true;
  }
  if (*type == SEL_PROTOCOL) {
    *size = range ? 3 : 2;
    if (*size > avail) return false;
    *result = !s.has_proto                               ? SEL_UNDETERMINED
              : Holds<1>(p + 1, range, s.proto, s.proto) ? SEL_MATCH
                                                         : SEL_NOMATCH;
    return true;
  }
  if (*type == SEL_PORT) {
    *size = range ? 5 : 3;
    if (*size > avail) return false;
    *result = !s.has_port                              ? SEL_UNDETERMINED
              : Holds<2>(p + 1, range, s.port, s.port) ? SEL_MATCH
                                                       : SEL_NOMATCH;
    return true;
  }
  SelElem e;
  if (!sel_elem_read(p, end, &e)) return false;
  *size = e.size;
  *result = SEL_NOMATCH;
  return true;
}

// A rule's part against one side, in one pass. Within an alternative each
// run of one type needs one matching element; the first run without one
// decides the alternative (undetermined or no match), as the light matcher
// does. The first matching alternative matches the part.
int FastPart(SelSpan part, const Side& s) {
  bool undetermined = false;
  int alt = SEL_MATCH;     // the current alternative, while undecided
  int run = -1;            // type of the current run; -1 when none is open
  int best = SEL_NOMATCH;  // best result within the run
  const uint8_t* p = part.begin;
  uint8_t type;
  uint32_t size;
  int r;
  while (FastElem(p, part.end, s, &type, &size, &r)) {
    p += size;
    if (type == SEL_OR) {
      if (run >= 0) alt = best;
      if (alt == SEL_MATCH) return SEL_MATCH;
      undetermined |= alt == SEL_UNDETERMINED;
      alt = SEL_MATCH;
      run = -1;
      continue;
    }
    if (alt != SEL_MATCH) continue;  // decided: skip to the next OR
    if (type == run) {
      if (r > best) best = r;
      continue;
    }
    if (run >= 0 && best != SEL_MATCH) {
      alt = best;
      run = -1;
      continue;
    }
    run = type;
    best = r;
  }
  if (run >= 0) alt = best;
  if (alt == SEL_MATCH) return SEL_MATCH;
  return undetermined || alt == SEL_UNDETERMINED ? SEL_UNDETERMINED : SEL_NOMATCH;
}

int FastMatch(const _selector* sel, const Side& src, const Side& dst) {
  const int r_src = FastPart(sel_part_span(sel, 0), src);
  if (r_src == SEL_NOMATCH) return SEL_NOMATCH;
  const int r_dst = FastPart(sel_part_span(sel, 1), dst);
  if (r_dst == SEL_NOMATCH) return SEL_NOMATCH;
  return r_src == SEL_UNDETERMINED || r_dst == SEL_UNDETERMINED ? SEL_UNDETERMINED : SEL_MATCH;
}

Side MakeSide(uint32_t lo, uint32_t hi, bool has_proto, uint8_t proto, bool has_port, uint16_t port) {
  return Side{lo, hi, port, proto, has_proto, has_port};
}

}  // namespace

extern "C" {

int sel_match(const _selector* a, const _selector* b) { return CompareSelectors(a, b, 0, 1, false); }

int sel_revmatch(const _selector* a, const _selector* b) { return CompareSelectors(a, b, 1, 0, false); }

int sel_match_light(const _selector* a, const _selector* b) {
  return CompareSelectors(a, b, 0, 1, true);
}

int psel_match(const _selector* sel, const sel_packet* packet) {
  if (sel == nullptr) return SEL_MATCH;
  if (packet == nullptr) return SEL_NOMATCH;
  const Side src = MakeSide(packet->saddr, packet->saddr, true, packet->protocol,
                            packet->flags & SEL_PKT_SPORT, packet->sport);
  const Side dst = MakeSide(packet->daddr, packet->daddr, true, packet->protocol,
                            packet->flags & SEL_PKT_DPORT, packet->dport);
  return FastMatch(sel, src, dst);
}

int sasel_match(const _selector* sel, const sel_sa* sa) {
  if (sel == nullptr) return SEL_MATCH;
  if (sa == nullptr) return SEL_NOMATCH;
  const bool has_proto = sa->flags & SEL_SA_PROTO;
  const Side src = MakeSide(sa->saddr_lo, sa->saddr_hi, has_proto, sa->protocol,
                            sa->flags & SEL_SA_SPORT, sa->sport);
  const Side dst = MakeSide(sa->daddr_lo, sa->daddr_hi, has_proto, sa->protocol,
                            sa->flags & SEL_SA_DPORT, sa->dport);
  return FastMatch(sel, src, dst);
}

}  // extern "C"
