// The exact matcher: is the union of the candidate's alternatives contained
// in the union of the pattern's, part by part?
//
// Each alternative is read as a box: for every type it names, a set of
// values (intervals [lo, hi] of one subtype, or wildcards for every value of
// a variable-length subtype); a type it does not name is unconstrained. A
// candidate box is covered by subtracting the pattern's boxes from it one
// after the other: whatever survives the last one is not contained.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "name/os_defs.h"
#include "name/sel.h"
#include "name/selelem.h"

namespace {

// Relation of a pattern interval A to a candidate interval B, indexed by
// 27*c1 + 9*c2 + 3*c3 + c4 with c1 = cmp(Alo, Blo), c2 = cmp(Alo, Bhi),
// c3 = cmp(Ahi, Blo), c4 = cmp(Ahi, Bhi), each 0 less, 1 equal, 2 greater:
// 0 A strictly inside B, 1 A covers B's lower end, 2 A covers B's upper end,
// 3 B fully covered, 4 disjoint, 5 impossible for lo <= hi.
constexpr uint8_t c_matrix[81] = {
    4, 5, 5, 1, 3, 5, 1, 3, 3,  // 0
    5, 5, 5, 5, 5, 5, 5, 5, 5,  // 9
    5, 5, 5, 5, 5, 5, 5, 5, 5,  // 18
    5, 5, 5, 1, 5, 5, 1, 3, 3,  // 27
    5, 5, 5, 5, 3, 5, 5, 5, 3,  // 36
    5, 5, 5, 5, 5, 5, 5, 5, 5,  // 45
    5, 5, 5, 5, 5, 5, 0, 2, 2,  // 54
    5, 5, 5, 5, 5, 5, 5, 2, 2,  // 63
    5, 5, 5, 5, 5, 5, 5, 5, 4,  // 72
};
enum Relation { kInside = 0, kLowerEnd = 1, kUpperEnd = 2, kCovered = 3, kDisjoint = 4 };

// Work (box subtractions and boxes spawned) one candidate alternative may
// take before the matcher gives up with SEL_NOMEM: subtraction can multiply
// boxes with every pattern alternative, and no caller may be held hostage
// to that.
constexpr uint32_t kWorkLimit = 1u << 18;

// One value set member: an interval of one subtype, or a wildcard.
struct HVal {
  const uint8_t* var;  // the octets of a variable-length value (lo = hi)
  uint16_t len;        // octets of one bound
  uint8_t type;
  uint8_t sub;
  bool wild;    // every value of the subtype
  bool is_var;  // variable length: var holds the value
  uint8_t lo[kSelMaxFixed];
  uint8_t hi[kSelMaxFixed];
  const uint8_t* Lo() const { return is_var ? var : lo; }
  const uint8_t* Hi() const { return is_var ? var : hi; }
};

// Values sorted by type; a plain record, freed with FreeBox.
struct Box {
  HVal* v;
  uint32_t n;
  uint32_t cap;
};

void FreeBox(Box* b) {
  std::free(b->v);
  *b = Box{};
}

bool Push(Box* b, const HVal& x) {
  if (b->n == b->cap) {
    const uint32_t cap = b->cap == 0 ? 4 : 2 * b->cap;
    void* grown = std::realloc(b->v, cap * sizeof(HVal));
    if (grown == nullptr) return false;
    b->v = static_cast<HVal*>(grown);
    b->cap = cap;
  }
  b->v[b->n++] = x;
  return true;
}

bool PushAll(Box* b, const HVal* v, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    if (!Push(b, v[i])) return false;
  }
  return true;
}

// Frees the boxes it holds when it goes out of scope.
class BoxGuard {
 public:
  explicit BoxGuard(Box* a, Box* b = nullptr, Box* c = nullptr) : boxes_{a, b, c} {}
  ~BoxGuard() {
    for (Box* b : boxes_) {
      if (b != nullptr) FreeBox(b);
    }
  }
  BoxGuard(const BoxGuard&) = delete;
  BoxGuard& operator=(const BoxGuard&) = delete;

 private:
  Box* boxes_[3];
};

// A list of boxes that owns them.
class BoxList {
 public:
  BoxList() = default;
  ~BoxList() { Clear(); }
  BoxList(const BoxList&) = delete;
  BoxList& operator=(const BoxList&) = delete;

  uint32_t size() const { return n_; }
  const Box& operator[](uint32_t i) const { return b_[i]; }
  // Takes ownership of box, also when it fails (the box is then freed).
  bool Take(Box box) {
    if (n_ == cap_) {
      const uint32_t cap = cap_ == 0 ? 4 : 2 * cap_;
      void* grown = std::realloc(b_, cap * sizeof(Box));
      if (grown == nullptr) {
        FreeBox(&box);
        return false;
      }
      b_ = static_cast<Box*>(grown);
      cap_ = cap;
    }
    b_[n_++] = box;
    return true;
  }
  // Hands box i over to the caller; the list keeps an empty box there.
  Box Release(uint32_t i) {
    Box out = b_[i];
    b_[i] = Box{};
    return out;
  }
  void Swap(BoxList* other) {
    std::swap(b_, other->b_);
    std::swap(n_, other->n_);
    std::swap(cap_, other->cap_);
  }
  void Clear() {
    for (uint32_t i = 0; i < n_; ++i) FreeBox(&b_[i]);
    std::free(b_);
    b_ = nullptr;
    n_ = cap_ = 0;
  }

 private:
  Box* b_ = nullptr;
  uint32_t n_ = 0;
  uint32_t cap_ = 0;
};

// Every value of one subtype: the full range of a fixed length, or a
// wildcard.
HVal Whole(uint8_t type, uint8_t sub, bool var, uint32_t len) {
  HVal v{};
  v.type = type;
  v.sub = sub;
  if (var) {
    v.wild = true;
    return v;
  }
  v.len = static_cast<uint16_t>(len);
  std::memset(v.lo, 0x00, len);
  std::memset(v.hi, 0xFF, len);
  return v;
}

// Every value of a type: one whole range per subtype, or one for a type
// without subtypes.
bool WholeType(uint8_t type, Box* out) {
  const sel_type_nfo& row = sel_nfo[type];
  if ((row.flags & kSelHasSubs) == 0) {
    return Push(out, Whole(type, 0, (row.flags & kSelLenMask) != 0, row.length));
  }
  for (uint32_t i = 0; i < row.nsubs; ++i) {
    const sel_sub_nfo& s = row.subs[i];
    if (!Push(out, Whole(type, static_cast<uint8_t>(i), (s.flags & kSelLenMask) != 0, s.length))) {
      return false;
    }
  }
  return true;
}

// The values an element stands for; false when it stands for none (a range
// whose low bound lies above its high bound).
bool ToValue(const SelElem& e, HVal* v) {
  if (e.any) {
    *v = Whole(e.type, e.sub, e.var, e.vsize);
    return true;
  }
  *v = HVal{};
  v->type = e.type;
  v->sub = e.sub;
  v->len = static_cast<uint16_t>(e.vsize);
  if (e.var) {
    v->is_var = true;
    v->var = e.value;
    return true;
  }
  std::memcpy(v->lo, sel_elem_lo(e), e.vsize);
  std::memcpy(v->hi, sel_elem_hi(e), e.vsize);
  return std::memcmp(v->lo, v->hi, e.vsize) <= 0;
}

// The box of one alternative, its values sorted by type. *holds_nothing is
// set when one of its types has elements but no values at all, so the
// alternative stands for no point.
bool ToBox(SelSpan alt, Box* out, bool* holds_nothing) {
  Box all{};
  BoxGuard guard(&all);
  uint32_t named = 0, valued = 0;
  SelElem e;
  for (const uint8_t* p = alt.begin; sel_elem_read(p, alt.end, &e); p += e.size) {
    named |= 1u << e.type;
    HVal v;
    if (!ToValue(e, &v)) continue;
    if (!Push(&all, v)) return false;
    valued |= 1u << e.type;
  }
  *holds_nothing = named != valued;
  for (uint8_t t = 0; t < SEL_NTYPES; ++t) {
    for (uint32_t i = 0; i < all.n; ++i) {
      if (all.v[i].type == t && !Push(out, all.v[i])) return false;
    }
  }
  return true;
}

// The list form of a part: one box per alternative that holds any point.
bool PartToBoxes(SelSpan part, BoxList* out) {
  SelAlts alts(part);
  SelSpan alt;
  while (alts.next(&alt)) {
    Box box{};
    bool holds_nothing = false;
    if (!ToBox(alt, &box, &holds_nothing)) {
      FreeBox(&box);
      return false;
    }
    if (holds_nothing) {
      FreeBox(&box);
      continue;
    }
    if (!out->Take(box)) return false;
  }
  return true;
}

// The values of type t in box: [*begin, *end).
void FindRun(const Box& box, uint8_t t, uint32_t* begin, uint32_t* end) {
  uint32_t i = 0;
  while (i < box.n && box.v[i].type < t) ++i;
  uint32_t j = i;
  while (j < box.n && box.v[j].type == t) ++j;
  *begin = i;
  *end = j;
}

// A copy of box whose values of type t are vals.
bool ReplaceRun(const Box& box, uint8_t t, const Box& vals, Box* out) {
  uint32_t i, j;
  FindRun(box, t, &i, &j);
  return PushAll(out, box.v, i) && PushAll(out, vals.v, vals.n) && PushAll(out, box.v + j, box.n - j);
}

int Cmp3(const uint8_t* x, const uint8_t* y, uint32_t n) {
  const int c = n == 0 ? 0 : std::memcmp(x, y, n);
  return c < 0 ? 0 : (c == 0 ? 1 : 2);
}

// v - 1 and v + 1, big-endian with carry; never called at 00..00 or FF..FF.
void Decrement(uint8_t* v, uint32_t n) {
  for (uint32_t i = n; i-- > 0;) {
    if (v[i]-- != 0x00) return;
  }
}
void Increment(uint8_t* v, uint32_t n) {
  for (uint32_t i = n; i-- > 0;) {
    if (v[i]++ != 0xFF) return;
  }
}

HVal Piece(const HVal& b, const uint8_t* lo, const uint8_t* hi) {
  HVal out = b;
  std::memcpy(out.lo, lo, b.len);
  std::memcpy(out.hi, hi, b.len);
  return out;
}

// Splits candidate value b by pattern value a: what a covers goes to
// covered, the rest to rest.
bool SplitOne(const HVal& b, const HVal& a, Box* covered, Box* rest) {
  if (b.sub != a.sub) return Push(rest, b);
  if (a.wild) return Push(covered, b);
  if (b.wild || b.len != a.len || b.is_var != a.is_var) return Push(rest, b);
  const uint32_t n = b.len;
  const int c1 = Cmp3(a.Lo(), b.Lo(), n), c2 = Cmp3(a.Lo(), b.Hi(), n);
  const int c3 = Cmp3(a.Hi(), b.Lo(), n), c4 = Cmp3(a.Hi(), b.Hi(), n);
  uint8_t below_a[kSelMaxFixed] = {}, above_a[kSelMaxFixed] = {};
  if (!b.is_var) {
    std::memcpy(below_a, a.lo, n);
    Decrement(below_a, n);
    std::memcpy(above_a, a.hi, n);
    Increment(above_a, n);
  }
  switch (c_matrix[27 * c1 + 9 * c2 + 3 * c3 + c4]) {
    case kInside:
      return Push(covered, Piece(b, a.lo, a.hi)) && Push(rest, Piece(b, b.lo, below_a)) &&
             Push(rest, Piece(b, above_a, b.hi));
    case kLowerEnd:
      return Push(covered, Piece(b, b.lo, a.hi)) && Push(rest, Piece(b, above_a, b.hi));
    case kUpperEnd:
      return Push(covered, Piece(b, a.lo, b.hi)) && Push(rest, Piece(b, b.lo, below_a));
    case kCovered:
      return Push(covered, b);
    case kDisjoint:
      return Push(rest, b);
    default:
      os_defs_error(OS_MSG_PANIC, "sel_l_compare_tag_values: wrong value in c_matrix");
      return false;
  }
}

// Splits the candidate values v[0..nv) by the pattern values w[0..nw):
// the covered pieces and the uncovered remainder, both disjoint.
bool SplitSet(const HVal* v, uint32_t nv, const HVal* w, uint32_t nw, Box* covered, Box* rest) {
  for (uint32_t i = 0; i < nv; ++i) {
    Box left{}, next{};
    BoxGuard guard(&left, &next);
    if (!Push(&left, v[i])) return false;
    for (uint32_t k = 0; k < nw && left.n != 0; ++k) {
      for (uint32_t r = 0; r < left.n; ++r) {
        if (!SplitOne(left.v[r], w[k], covered, &next)) return false;
      }
      std::swap(left, next);
      next.n = 0;
    }
    if (!PushAll(rest, left.v, left.n)) return false;
  }
  return true;
}

struct Budget {
  uint32_t work = 0;
  bool Spend() { return ++work <= kWorkLimit; }
};

// Subtracts pattern box a from candidate box cur (taken over): for each of
// a's types, the part of the box outside a's values of that type goes to out
// as a new box, and the box narrows to the part inside. What is left at the
// end lies inside a and is dropped.
bool Subtract(Box cur, const Box& a, BoxList* out, Budget* budget) {
  BoxGuard hold_cur(&cur);
  if (!budget->Spend()) return false;
  uint32_t i = 0;
  while (i < a.n) {
    const uint8_t t = a.v[i].type;
    uint32_t j = i;
    while (j < a.n && a.v[j].type == t) ++j;
    uint32_t bi, bj;
    FindRun(cur, t, &bi, &bj);
    Box whole{}, covered{}, rest{};
    BoxGuard guard(&whole, &covered, &rest);
    if (bi == bj && !WholeType(t, &whole)) return false;
    const HVal* vals = bi == bj ? whole.v : cur.v + bi;
    const uint32_t nvals = bi == bj ? whole.n : bj - bi;
    if (!SplitSet(vals, nvals, a.v + i, j - i, &covered, &rest)) return false;
    if (rest.n != 0) {
      Box spawned{};
      if (!ReplaceRun(cur, t, rest, &spawned) || !budget->Spend()) {
        FreeBox(&spawned);
        return false;
      }
      if (!out->Take(spawned)) return false;
    }
    if (covered.n == 0) return true;
    Box narrowed{};
    if (!ReplaceRun(cur, t, covered, &narrowed)) {
      FreeBox(&narrowed);
      return false;
    }
    FreeBox(&cur);
    cur = narrowed;
    i = j;
  }
  return true;
}

// SEL_MATCH when part b is contained in part a, SEL_NOMATCH when not,
// SEL_NOMEM when memory or the budget runs out.
int HeavyPart(SelSpan part_a, SelSpan part_b) {
  BoxList as, bs;
  if (!PartToBoxes(part_a, &as) || !PartToBoxes(part_b, &bs)) return SEL_NOMEM;
  for (uint32_t k = 0; k < bs.size(); ++k) {
    Budget budget;
    BoxList work;
    if (!work.Take(bs.Release(k))) return SEL_NOMEM;
    for (uint32_t m = 0; m < as.size() && work.size() != 0; ++m) {
      BoxList next;
      for (uint32_t w = 0; w < work.size(); ++w) {
        if (!Subtract(work.Release(w), as[m], &next, &budget)) return SEL_NOMEM;
      }
      work.Swap(&next);
    }
    if (work.size() != 0) return SEL_NOMATCH;
  }
  return SEL_MATCH;
}

}  // namespace

extern "C" int sel_match_heavy(const _selector* a, const _selector* b) {
  const int src = HeavyPart(sel_part_span(a, 0), sel_part_span(b, 0));
  if (src != SEL_MATCH) return src;
  return HeavyPart(sel_part_span(a, 1), sel_part_span(b, 1));
}
