// Random selectors checked against independent judges:
// - the exact matcher against an oracle that enumerates every point of the
//   candidate (over small domains; values outside the windows in use
//   collapse to one point per stretch between boundaries) and tests it
//   against the pattern's alternatives;
// - sel_match's SEL_MATCH against the same oracle (it must never claim a
//   containment that does not hold);
// - the packet and association matchers against sel_match_light on the same
//   question written as a candidate selector.
// Selectors are written from a model here, octet by octet, not with the
// module's builders. Fixed seeds, so every failure repeats.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "name/sel.h"
#include "sel_testutil.h"

namespace {

using seltest::SelPtr;

// ---- The model ----

enum Dim { kIp = 0, kProto, kPort, kSn, kDims };
constexpr uint8_t kDimType[kDims] = {SEL_IP_ADDR, SEL_PROTOCOL, SEL_PORT, SEL_CERT_SN};
constexpr int kDimOctets[kDims] = {4, 1, 2, 0};
const char* const kSerials[] = {"", "A", "B", "AB"};
constexpr int kSerialCount = 4;  // string ids 0..3; id 4 is every other string

struct Val {
  Dim dim;
  int sub = 0;       // IP_ADDR: SEL_IP4 or SEL_IP6
  bool any = false;  // IP_ADDR only
  bool range = false;
  uint64_t lo = 0, hi = 0;  // numbers; for kSn the string id in lo
};

struct Alt {
  std::vector<Val> vals;
};

// No alternatives: an empty part, which stands for everything.
struct Part {
  std::vector<Alt> alts;
};

struct Model {
  Part parts[2];
};

void PutNumber(std::vector<uint8_t>* out, uint64_t v, int octets) {
  for (int i = octets - 1; i >= 0; --i) out->push_back(i < 8 ? static_cast<uint8_t>(v >> (8 * i)) : 0);
}

void PutVal(std::vector<uint8_t>* out, const Val& v) {
  const uint8_t first = static_cast<uint8_t>(kDimType[v.dim] * 2 + (v.range ? 1 : 0));
  out->push_back(first);
  if (v.dim == kIp) {
    out->push_back(static_cast<uint8_t>(v.sub * 2 + (v.any ? 1 : 0)));
    const int octets = v.sub == SEL_IP6 ? 16 : 4;
    PutNumber(out, v.lo, octets);
    if (v.range) PutNumber(out, v.hi, octets);
    return;
  }
  if (v.dim == kSn) {
    const std::string s = kSerials[v.lo];
    out->push_back(static_cast<uint8_t>(s.size()));
    out->insert(out->end(), s.begin(), s.end());
    return;
  }
  PutNumber(out, v.lo, kDimOctets[v.dim]);
  if (v.range) PutNumber(out, v.hi, kDimOctets[v.dim]);
}

std::vector<uint8_t> PutPart(const Part& p) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < p.alts.size(); ++i) {
    if (i != 0) out.push_back(0x02);
    std::vector<Val> vals = p.alts[i].vals;
    std::stable_sort(vals.begin(), vals.end(), [](const Val& a, const Val& b) { return a.dim < b.dim; });
    for (const Val& v : vals) PutVal(&out, v);
  }
  return out;
}

SelPtr ToSelector(const Model& m) {
  const std::vector<uint8_t> src = PutPart(m.parts[0]), dst = PutPart(m.parts[1]);
  SelPtr s = seltest::Make(seltest::ToHex(src.data(), src.size()), seltest::ToHex(dst.data(), dst.size()));
  if (m.parts[0].alts.size() > 1 || m.parts[1].alts.size() > 1) s->flags |= SEL_F_CMPLX;
  return s;
}

// ---- The oracle ----

// A point: per dimension a coordinate; for kIp, sub << 40 | address.
using Point = std::array<uint64_t, kDims>;
using Coords = std::array<std::vector<uint64_t>, kDims>;
constexpr uint64_t kIp6Point = uint64_t{SEL_IP6} << 40;

bool ValHolds(const Val& v, uint64_t c) {
  if (v.dim == kIp) {
    if (static_cast<int>(c >> 40) != v.sub) return false;
    if (v.any) return true;
    c &= (uint64_t{1} << 40) - 1;
  }
  const uint64_t hi = v.range ? v.hi : v.lo;
  return v.lo <= c && c <= hi;
}

bool AltHolds(const Alt& a, const Point& p) {
  for (int d = 0; d < kDims; ++d) {
    bool named = false, held = false;
    for (const Val& v : a.vals) {
      if (v.dim != d) continue;
      named = true;
      held = held || ValHolds(v, p[d]);
    }
    if (named && !held) return false;
  }
  return true;
}

bool PartHolds(const Part& part, const Point& p) {
  if (part.alts.empty()) return true;
  for (const Alt& a : part.alts) {
    if (AltHolds(a, p)) return true;
  }
  return false;
}

// Every coordinate worth trying per dimension: the lowest value, and every
// bound where some value's membership changes. Between two of these no
// value of either part changes, so one point stands for the whole stretch.
Coords Coordinates(const Part& a, const Part& b) {
  std::array<std::set<uint64_t>, kDims> cuts;
  cuts[kIp] = {uint64_t{SEL_IP4} << 40, kIp6Point};
  cuts[kProto] = {0};
  cuts[kPort] = {0};
  for (uint64_t s = 0; s <= kSerialCount; ++s) cuts[kSn].insert(s);
  const uint64_t max[kDims] = {0xFFFFFFFFu, 0xFF, 0xFFFF, 0};
  for (const Part* part : {&a, &b}) {
    for (const Alt& alt : part->alts) {
      for (const Val& v : alt.vals) {
        if (v.dim == kSn || v.any || v.sub != SEL_IP4) continue;
        const uint64_t base = v.dim == kIp ? uint64_t{SEL_IP4} << 40 : 0;
        const uint64_t hi = v.range ? v.hi : v.lo;
        cuts[v.dim].insert(base + v.lo);
        if (hi < max[v.dim]) cuts[v.dim].insert(base + hi + 1);
      }
    }
  }
  Coords out;
  for (int d = 0; d < kDims; ++d) out[d].assign(cuts[d].begin(), cuts[d].end());
  return out;
}

// True when every point of alternative alt lies in part a.
bool AltInside(const Alt& alt, const Part& a, const Coords& coords) {
  Coords inside;
  for (int d = 0; d < kDims; ++d) {
    Alt one;  // alt's condition on dimension d alone
    for (const Val& v : alt.vals) {
      if (v.dim == d) one.vals.push_back(v);
    }
    for (uint64_t c : coords[d]) {
      Point probe{};
      probe[d] = c;
      if (AltHolds(one, probe)) inside[d].push_back(c);
    }
    if (inside[d].empty()) return true;  // alt holds no point at all
  }
  std::array<size_t, kDims> idx{};
  for (;;) {
    Point p;
    for (int d = 0; d < kDims; ++d) p[d] = inside[d][idx[d]];
    if (!PartHolds(a, p)) return false;
    int d = 0;
    while (d < kDims && ++idx[d] == inside[d].size()) idx[d++] = 0;
    if (d == kDims) return true;
  }
}

// True when every point of part b lies in part a.
bool OracleContains(const Part& a, const Part& b) {
  const Coords coords = Coordinates(a, b);
  if (b.alts.empty()) return AltInside(Alt{}, a, coords);
  for (const Alt& alt : b.alts) {
    if (!AltInside(alt, a, coords)) return false;
  }
  return true;
}

// ---- Random selectors over small domains ----

class Gen {
 public:
  explicit Gen(uint32_t seed) : rng_(seed) {}

  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }

  // A value of dim: mostly inside a small window so that values overlap,
  // sometimes the full range, rarely a reversed (empty) range.
  Val Value(Dim dim) {
    Val v;
    v.dim = dim;
    if (dim == kSn) {
      v.lo = static_cast<uint64_t>(Int(0, kSerialCount - 1));
      return v;
    }
    if (dim == kIp && Chance(0.08)) {
      v.any = true;
      return v;
    }
    const uint64_t base[kDims] = {0x0A000000, 0, 1000, 0};
    const uint64_t max[kDims] = {0xFFFFFFFFu, 0xFF, 0xFFFF, 0};
    const int window = dim == kProto ? 7 : 15;
    if (Chance(0.05)) {
      v.range = true;
      v.hi = max[dim];
      return v;
    }
    v.lo = base[dim] + static_cast<uint64_t>(Int(0, window));
    v.range = Chance(0.6);
    if (v.range) {
      v.hi = base[dim] + static_cast<uint64_t>(Int(0, window));
      if (v.hi < v.lo && !Chance(0.05)) std::swap(v.lo, v.hi);
    }
    return v;
  }

  Alt Alternative(int ndims = kDims) {
    Alt a;
    for (int d = 0; d < ndims; ++d) {
      if (!Chance(0.55)) continue;
      const int n = Int(1, 2);
      for (int i = 0; i < n; ++i) a.vals.push_back(Value(static_cast<Dim>(d)));
    }
    return a;
  }

  Part RandomPart(int ndims = kDims) {
    Part p;
    const int n = Int(0, 3);
    for (int i = 0; i < n; ++i) p.alts.push_back(Alternative(ndims));
    return p;
  }

  // A part likely inside p: some of its alternatives, with ranges narrowed
  // or cut in two alternatives and conditions added.
  Part Inside(const Part& p) {
    Part out;
    for (const Alt& alt : p.alts) {
      if (Chance(0.2)) continue;
      Alt a = alt;
      for (Val& v : a.vals) {
        if (!v.range || v.any || v.lo > v.hi) continue;
        const uint64_t span = v.hi - v.lo;
        const uint64_t cut_lo = span ? v.lo + static_cast<uint64_t>(Int(0, 3)) % (span + 1) : v.lo;
        v.lo = std::min(cut_lo, v.hi);
      }
      if (Chance(0.3)) a.vals.push_back(Value(static_cast<Dim>(Int(0, kDims - 1))));
      out.alts.push_back(a);
    }
    if (!out.alts.empty() && Chance(0.3)) out.alts.push_back(Alternative());
    return out;
  }

 private:
  std::mt19937 rng_;
};

uint32_t RandomAddress(Gen* gen) { return 0x0A000000u + static_cast<uint32_t>(gen->Int(0, 15)); }
uint16_t RandomPort(Gen* gen) { return static_cast<uint16_t>(1000 + gen->Int(0, 15)); }

std::string Describe(const _selector* rule, const _selector* candidate) {
  return "\nrule " + seltest::SrcHex(rule) + " / " + seltest::DstHex(rule) + "\ncandidate " +
         seltest::SrcHex(candidate) + " / " + seltest::DstHex(candidate);
}

TEST(SelOracle, HeavyMatcherAgreesWithEnumeration) {
  int contained = 0, not_contained = 0;
  for (uint32_t seed : {1u, 2u, 3u}) {
    Gen gen(seed);
    for (int i = 0; i < 1200; ++i) {
      Model a, b;
      for (int part = 0; part < 2; ++part) {
        a.parts[part] = gen.RandomPart();
        b.parts[part] = gen.Chance(0.5) ? gen.Inside(a.parts[part]) : gen.RandomPart();
      }
      SelPtr sa = ToSelector(a), sb = ToSelector(b);
      ASSERT_EQ(sel_check(sa.get()), 1);
      ASSERT_EQ(sel_check(sb.get()), 1);
      const bool expected = OracleContains(a.parts[0], b.parts[0]) && OracleContains(a.parts[1], b.parts[1]);
      const int heavy = sel_match_heavy(sa.get(), sb.get());
      (expected ? contained : not_contained)++;
      ASSERT_EQ(heavy, expected ? SEL_MATCH : SEL_NOMATCH)
          << "seed " << seed << " case " << i << Describe(sa.get(), sb.get());
      // sel_match may miss a containment, but never claims a false one.
      if (sel_match(sa.get(), sb.get()) == SEL_MATCH) {
        ASSERT_TRUE(expected) << "seed " << seed << " case " << i;
      }
    }
  }
  // Both answers are well represented, so the agreement means something.
  EXPECT_GT(contained, 600);
  EXPECT_GT(not_contained, 600);
}

// ---- Packets and associations against the light matcher ----

struct Side {
  uint32_t lo, hi;
  bool has_proto;
  uint8_t proto;
  bool has_port;
  uint16_t port;
};

// The candidate selector part for one side: its address (a range for an
// association), protocol and port, each only when known.
Part SidePart(const Side& s) {
  Alt a;
  Val ip;
  ip.dim = kIp;
  ip.lo = s.lo;
  ip.hi = s.hi;
  ip.range = s.lo != s.hi;
  a.vals.push_back(ip);
  if (s.has_proto) {
    Val v;
    v.dim = kProto;
    v.lo = s.proto;
    a.vals.push_back(v);
  }
  if (s.has_port) {
    Val v;
    v.dim = kPort;
    v.lo = s.port;
    a.vals.push_back(v);
  }
  Part p;
  p.alts.push_back(a);
  return p;
}

// A rule over addresses, protocol and ports; now and then an IPv6 element,
// which no IPv4 packet matches.
Part RulePart(Gen* gen) {
  Part p = gen->RandomPart(kSn);
  for (Alt& alt : p.alts) {
    if (!gen->Chance(0.1)) continue;
    Val v;
    v.dim = kIp;
    v.sub = SEL_IP6;
    alt.vals.push_back(v);
  }
  return p;
}

TEST(SelOracle, PacketMatchersAgreeWithTheLightMatcher) {
  int results[3] = {0, 0, 0};
  for (uint32_t seed : {11u, 12u, 13u}) {
    Gen gen(seed);
    for (int i = 0; i < 1500; ++i) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " case " << i);
      Model rule;
      rule.parts[0] = RulePart(&gen);
      rule.parts[1] = RulePart(&gen);
      SelPtr sel = ToSelector(rule);
      ASSERT_EQ(sel_check(sel.get()), 1);

      sel_packet pkt{};
      pkt.flags = static_cast<uint8_t>(gen.Int(0, 3));
      pkt.protocol = static_cast<uint8_t>(gen.Int(0, 7));
      pkt.sport = RandomPort(&gen);
      pkt.dport = RandomPort(&gen);
      pkt.saddr = RandomAddress(&gen);
      pkt.daddr = RandomAddress(&gen);
      Model as_pkt;
      as_pkt.parts[0] = SidePart({pkt.saddr, pkt.saddr, true, pkt.protocol,
                                  (pkt.flags & SEL_PKT_SPORT) != 0, pkt.sport});
      as_pkt.parts[1] = SidePart({pkt.daddr, pkt.daddr, true, pkt.protocol,
                                  (pkt.flags & SEL_PKT_DPORT) != 0, pkt.dport});
      SelPtr cand = ToSelector(as_pkt);
      const int fast = psel_match(sel.get(), &pkt);
      ASSERT_EQ(fast, sel_match_light(sel.get(), cand.get())) << Describe(sel.get(), cand.get());
      results[fast]++;

      sel_sa sa{};
      sa.flags = static_cast<uint8_t>(gen.Int(0, 7));
      sa.protocol = static_cast<uint8_t>(gen.Int(0, 7));
      sa.sport = RandomPort(&gen);
      sa.dport = RandomPort(&gen);
      sa.saddr_lo = RandomAddress(&gen);
      sa.saddr_hi = sa.saddr_lo + static_cast<uint32_t>(gen.Chance(0.5) ? 0 : gen.Int(0, 3));
      sa.daddr_lo = RandomAddress(&gen);
      sa.daddr_hi = sa.daddr_lo + static_cast<uint32_t>(gen.Chance(0.5) ? 0 : gen.Int(0, 3));
      const bool has_proto = sa.flags & SEL_SA_PROTO;
      Model as_sa;
      as_sa.parts[0] = SidePart({sa.saddr_lo, sa.saddr_hi, has_proto, sa.protocol,
                                 (sa.flags & SEL_SA_SPORT) != 0, sa.sport});
      as_sa.parts[1] = SidePart({sa.daddr_lo, sa.daddr_hi, has_proto, sa.protocol,
                                 (sa.flags & SEL_SA_DPORT) != 0, sa.dport});
      SelPtr cand_sa = ToSelector(as_sa);
      ASSERT_EQ(sasel_match(sel.get(), &sa), sel_match_light(sel.get(), cand_sa.get()))
          << Describe(sel.get(), cand_sa.get());
    }
  }
  for (int r = 0; r < 3; ++r) EXPECT_GT(results[r], 200) << "result " << r;
}

}  // namespace
