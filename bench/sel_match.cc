// Per-call cost of the selector matchers. There is no peer library with the
// same selector format, so these are absolute figures: the per-packet paths
// on a typical rule (an address range, a protocol, a port range) and on a
// rule of eight alternatives, the pattern matchers on the same rule, and the
// exact matcher as the pattern's alternatives grow.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "name/sel.h"

namespace {

_selector* FromParts(const std::vector<uint8_t>& src, const std::vector<uint8_t>& dst, uint32_t flags) {
  auto* s = static_cast<_selector*>(std::malloc(sizeof(_selector) + src.size() + dst.size()));
  s->slen = static_cast<uint32_t>(src.size());
  s->len = static_cast<uint32_t>(src.size() + dst.size());
  s->flags = flags;
  auto* d = reinterpret_cast<uint8_t*>(s + 1);
  if (!src.empty()) std::memcpy(d, src.data(), src.size());
  if (!dst.empty()) std::memcpy(d + src.size(), dst.data(), dst.size());
  return s;
}

// 10.0.<net>.0/24, TCP, destination ports lo-hi.
void PutRule(std::vector<uint8_t>* src, std::vector<uint8_t>* dst, uint8_t net, uint16_t lo, uint16_t hi) {
  const uint8_t s[] = {0x05, 0x00, 10, 0, net, 0, 10, 0, net, 255, 0x06, 6};
  src->insert(src->end(), s, s + sizeof s);
  const uint8_t d[] = {0x09, static_cast<uint8_t>(lo >> 8), static_cast<uint8_t>(lo),
                       static_cast<uint8_t>(hi >> 8), static_cast<uint8_t>(hi)};
  dst->insert(dst->end(), d, d + sizeof d);
}

// One alternative, or n of them over consecutive networks (the packet
// matches the last one).
_selector* Rule(int n) {
  std::vector<uint8_t> src, dst;
  for (int i = 0; i < n; ++i) {
    if (i) {
      src.push_back(0x02);
      dst.push_back(0x02);
    }
    PutRule(&src, &dst, static_cast<uint8_t>(i), 1024, 65535);
  }
  return FromParts(src, dst, n > 1 ? SEL_F_CMPLX : 0);
}

sel_packet Packet(uint8_t net) {
  sel_packet p{};
  p.flags = SEL_PKT_SPORT | SEL_PKT_DPORT;
  p.protocol = 6;
  p.saddr = 0x0A000000u | (uint32_t{net} << 8) | 7;
  p.daddr = 0xC0A80001u;
  p.sport = 33000;
  p.dport = 8080;
  return p;
}

sel_sa Association(uint8_t net) {
  sel_sa sa{};
  sa.flags = SEL_SA_PROTO | SEL_SA_SPORT | SEL_SA_DPORT;
  sa.protocol = 6;
  sa.saddr_lo = 0x0A000000u | (uint32_t{net} << 8) | 1;
  sa.saddr_hi = sa.saddr_lo + 9;
  sa.daddr_lo = sa.daddr_hi = 0xC0A80001u;
  sa.sport = 33000;
  sa.dport = 8080;
  return sa;
}

// A candidate selector for the packet of Packet(0).
_selector* Candidate() {
  const std::vector<uint8_t> src = {0x04, 0x00, 10, 0, 0, 7, 0x06, 6, 0x08, 0x80, 0xE8};
  const std::vector<uint8_t> dst = {0x04, 0x00, 192, 168, 0, 1, 0x06, 6, 0x08, 0x1F, 0x90};
  return FromParts(src, dst, 0);
}

// A per-packet matcher on a rule of state.range(0) alternatives and a
// record that matches its last one.
template <class Record, Record (*MakeRecord)(uint8_t), int (*Match)(const _selector*, const Record*)>
void BM_FastMatch(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  _selector* rule = Rule(n);
  const Record r = MakeRecord(static_cast<uint8_t>(n - 1));
  for (auto _ : state) benchmark::DoNotOptimize(Match(rule, &r));
  if (Match(rule, &r) != SEL_MATCH) state.SkipWithError("the record should match");
  sel_destroy(rule);
}
BENCHMARK_TEMPLATE(BM_FastMatch, sel_packet, Packet, psel_match)->Name("BM_PselMatch")->Arg(1)->Arg(8);
BENCHMARK_TEMPLATE(BM_FastMatch, sel_sa, Association, sasel_match)->Name("BM_SaselMatch")->Arg(1)->Arg(8);

// A pattern matcher on the typical rule and the candidate of its packet.
template <int (*Match)(const _selector*, const _selector*)>
void BM_PatternMatch(benchmark::State& state) {
  _selector* rule = Rule(1);
  _selector* cand = Candidate();
  for (auto _ : state) benchmark::DoNotOptimize(Match(rule, cand));
  if (Match(rule, cand) != SEL_MATCH) state.SkipWithError("the candidate should match");
  sel_destroy(rule);
  sel_destroy(cand);
}
BENCHMARK_TEMPLATE(BM_PatternMatch, sel_match)->Name("BM_SelMatch");
BENCHMARK_TEMPLATE(BM_PatternMatch, sel_match_light)->Name("BM_SelMatchLight");

// n pattern alternatives of 16 ports each, side by side, and a candidate
// spanning all of them: every alternative takes its share of the candidate.
void BM_SelMatchHeavy(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<uint8_t> src;
  for (int i = 0; i < n; ++i) {
    if (i) src.push_back(0x02);
    const uint16_t lo = static_cast<uint16_t>(1024 + 16 * i), hi = static_cast<uint16_t>(lo + 15);
    const uint8_t alt[] = {0x06, 6, 0x09, static_cast<uint8_t>(lo >> 8), static_cast<uint8_t>(lo),
                           static_cast<uint8_t>(hi >> 8), static_cast<uint8_t>(hi)};
    src.insert(src.end(), alt, alt + sizeof alt);
  }
  _selector* pattern = FromParts(src, {}, n > 1 ? SEL_F_CMPLX : 0);
  const uint16_t top = static_cast<uint16_t>(1024 + 16 * n - 1);
  _selector* cand = FromParts({0x06, 6, 0x09, 0x04, 0x00, static_cast<uint8_t>(top >> 8),
                               static_cast<uint8_t>(top)},
                              {}, 0);
  for (auto _ : state) benchmark::DoNotOptimize(sel_match_heavy(pattern, cand));
  if (sel_match_heavy(pattern, cand) != SEL_MATCH) state.SkipWithError("the candidate should be inside");
  sel_destroy(pattern);
  sel_destroy(cand);
}
BENCHMARK(BM_SelMatchHeavy)->Arg(1)->Arg(4)->Arg(16)->Arg(64);

}  // namespace
