// Selector elements inside the module: the type table, reading one element,
// and walking parts and alternatives. Every read is bounded by the end of
// the walk, so a malformed element ends a walk instead of leading it astray.
#ifndef PKIX_NAME_SELELEM_H_
#define PKIX_NAME_SELELEM_H_

#include <cstdint>
#include <cstring>

#include "name/sel.h"

// A subtype row: its name, flags (length kind in kSelLenMask; kSelSubEnd on
// the row that ends the table) and fixed value length.
struct sel_sub_nfo {
  const char* name;
  uint32_t flags;
  uint32_t length;
};

// A type row: its name, flags (kSelHasSubs, length kind), fixed value
// length, subtype table and number of subtype rows before the end row.
struct sel_type_nfo {
  const char* name;
  uint32_t flags;
  uint32_t length;
  const sel_sub_nfo* subs;
  uint32_t nsubs;
};

constexpr uint32_t kSelHasSubs = 1;
constexpr uint32_t kSelLenMask = 6;  // 0 fixed, kSelLen1, kSelLen2
constexpr uint32_t kSelLen1 = 2;     // one length octet
constexpr uint32_t kSelLen2 = 4;     // two length octets, host order
constexpr uint32_t kSelSubEnd = 0x10;
constexpr unsigned kSelMaxFirst = 41;  // highest valid first tag octet
constexpr uint32_t kSelMaxFixed = 20;  // longest fixed value (SHA-1)
constexpr uint8_t kSelOrOctet = 0x02;

// Indexed by type index.
extern const sel_type_nfo sel_nfo[SEL_NTYPES];

// One element as read from the data.
struct SelElem {
  const uint8_t* pos;    // first tag octet
  const uint8_t* value;  // first value octet
  uint32_t vlen;         // value octets (both values of a range)
  uint32_t vsize;        // octets of one value
  uint32_t size;         // the whole element
  uint16_t tag;          // first octet | second octet << 8
  uint8_t type;          // type index
  uint8_t sub;           // subtype index (0 without a subtype table)
  bool range;
  bool any;
  bool var;              // variable-length value
};

// Reads the element at p, which lies before end. False when the octets from
// p do not form a whole element ending at or before end: unknown type or
// subtype, missing length octets, a value running past end, or a
// variable-length value with the range flag (which has no layout).
inline bool sel_elem_read(const uint8_t* p, const uint8_t* end, SelElem* e) {
  if (p >= end) return false;
  const uint32_t avail = static_cast<uint32_t>(end - p);
  const uint8_t first = p[0];
  if (first > kSelMaxFirst) return false;
  const sel_type_nfo& row = sel_nfo[first >> 1];
  uint32_t flags = row.flags;
  uint32_t fixed = row.length;
  uint32_t hdr = 1;
  uint8_t second = 0;
  if (row.flags & kSelHasSubs) {
    if (avail < 2) return false;
    second = p[1];
    if ((second >> 1) >= row.nsubs) return false;
    const sel_sub_nfo& s = row.subs[second >> 1];
    flags = s.flags;
    fixed = s.length;
    hdr = 2;
  }
  const bool range = first & 1;
  const uint32_t kind = flags & kSelLenMask;
  uint32_t vlen;
  uint32_t vsize;
  if (kind == 0) {
    vsize = fixed;
    vlen = range ? 2 * fixed : fixed;
  } else if (range) {
    return false;
  } else if (kind == kSelLen1) {
    if (avail < hdr + 1) return false;
    vlen = vsize = p[hdr];
    hdr += 1;
  } else {
    if (avail < hdr + 2) return false;
    uint16_t l;
    std::memcpy(&l, p + hdr, 2);
    vlen = vsize = l;
    hdr += 2;
  }
  if (vlen > avail - hdr) return false;
  e->pos = p;
  e->value = p + hdr;
  e->vlen = vlen;
  e->vsize = vsize;
  e->size = hdr + vlen;
  e->tag = static_cast<uint16_t>(first | (second << 8));
  e->type = first >> 1;
  e->sub = second >> 1;
  e->range = range;
  e->any = second & 1;
  e->var = kind != 0;
  return true;
}

// Low and high value of an element (equal for a single value).
inline const uint8_t* sel_elem_lo(const SelElem& e) { return e.value; }
inline const uint8_t* sel_elem_hi(const SelElem& e) { return e.range ? e.value + e.vsize : e.value; }

inline bool sel_elem_is_or(const SelElem& e) { return e.type == SEL_OR; }

// A run of data octets.
struct SelSpan {
  const uint8_t* begin;
  const uint8_t* end;
  bool empty() const { return begin == end; }
  uint32_t size() const { return static_cast<uint32_t>(end - begin); }
};

inline const uint8_t* sel_bytes(const _selector* s) {
  return reinterpret_cast<const uint8_t*>(s) + sizeof(_selector);
}
inline uint8_t* sel_bytes(_selector* s) { return reinterpret_cast<uint8_t*>(s) + sizeof(_selector); }

// The source (part 0) or destination (part 1) octets; empty for a null
// selector. slen is clamped to len.
inline SelSpan sel_part_span(const _selector* s, int part) {
  if (s == nullptr) return {nullptr, nullptr};
  const uint8_t* d = sel_bytes(s);
  const uint32_t slen = s->slen < s->len ? s->slen : s->len;
  return part == 0 ? SelSpan{d, d + slen} : SelSpan{d + slen, d + s->len};
}

// Steps through the alternatives of a part: the runs between OR elements.
// An empty part is one empty alternative. A malformed element ends the part.
class SelAlts {
 public:
  explicit SelAlts(SelSpan part) : pos_(part.begin), end_(part.end) {}
  // The next alternative; false once the part is used up.
  bool next(SelSpan* alt) {
    if (done_) return false;
    const uint8_t* p = pos_;
    SelElem e;
    while (sel_elem_read(p, end_, &e) && !sel_elem_is_or(e)) p += e.size;
    *alt = {pos_, p};
    if (p < end_ && p[0] >> 1 == SEL_OR) {
      pos_ = p + 1;
    } else {
      done_ = true;
    }
    return true;
  }

 private:
  const uint8_t* pos_;
  const uint8_t* end_;
  bool done_ = false;
};

// True when the span holds an OR element.
bool sel_span_has_or(SelSpan span);

// A new selector made of the given pieces: the source part is the
// concatenation of src[0..nsrc), the destination that of dst[0..ndst).
// Null when memory is short or the size would not fit 32 bits.
_selector* sel_build(const SelSpan* src, int nsrc, const SelSpan* dst, int ndst, uint32_t flags);

#endif  // PKIX_NAME_SELELEM_H_
