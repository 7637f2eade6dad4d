// Building selectors from argument groups: sorted insertion and appending.
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "name/os_defs.h"
#include "name/sel.h"
#include "name/selelem.h"

namespace {

// One element taken from the argument list.
struct ArgElem {
  unsigned tag;
  uint32_t hdr;    // tag and length octets
  uint32_t kind;   // length kind of the type or subtype
  uint32_t vsize;  // octets of one value
  int nvals;       // 0 (OR), 1, or 2 (range)
  bool has_sub;    // two tag octets
  bool by_pointer; // values are given by pointer, else held in words
  const uint8_t* ptr[2];
  uint32_t word[2];
  uint32_t size() const { return hdr + vsize * static_cast<uint32_t>(nvals); }
};

enum class Arg { kElem, kEnd, kBad };

Arg Refuse(const char* who, const char* what, unsigned tag) {
  os_defs_error(OS_MSG_WARN, "%s: %s (tag 0x%x)", who, what, tag);
  return Arg::kBad;
}

// Reads one element of a group from the arguments: kEnd at the 0 tag that
// ends the group; kBad (with a warning naming who) for a tag the builders
// cannot write: unknown type or subtype, NULL, an OR where none is allowed,
// a variable-length range, a length the type cannot hold, a null pointer.
Arg ReadArg(va_list* ap, bool allow_or, const char* who, ArgElem* out) {
  const unsigned tag = va_arg(*ap, unsigned);
  if (tag == 0) return Arg::kEnd;
  const unsigned first = tag & 0xFF;
  const unsigned second = tag >> 8;
  if (tag > 0xFFFF || first > kSelMaxFirst) return Refuse(who, "unknown tag", tag);
  const unsigned type = first >> 1;
  if (type == SEL_NULL) return Refuse(who, "NULL element", tag);
  *out = ArgElem{};
  out->tag = tag;
  if (type == SEL_OR) {
    if (!allow_or || tag != kSelOrOctet) return Refuse(who, "OR separator not allowed", tag);
    out->hdr = 1;
    return Arg::kElem;
  }
  const sel_type_nfo& row = sel_nfo[type];
  uint32_t flags = row.flags;
  uint32_t fixed = row.length;
  out->hdr = 1;
  if (row.flags & kSelHasSubs) {
    if ((second >> 1) >= row.nsubs) return Refuse(who, "unknown subtype", tag);
    flags = row.subs[second >> 1].flags;
    fixed = row.subs[second >> 1].length;
    out->hdr = 2;
    out->has_sub = true;
  } else if (second != 0) {
    return Refuse(who, "type has no subtypes", tag);
  }
  const bool range = first & 1;
  out->kind = flags & kSelLenMask;
  if (out->kind != 0) {
    if (range) return Refuse(who, "variable-length value with the range flag", tag);
    const unsigned len = va_arg(*ap, unsigned);
    const unsigned max = out->kind == kSelLen1 ? 0xFF : 0xFFFF;
    if (len > max) return Refuse(who, "value too long for its type", tag);
    out->hdr += out->kind == kSelLen1 ? 1 : 2;
    out->vsize = len;
    fixed = len;
  } else {
    out->vsize = fixed;
  }
  out->nvals = range ? 2 : 1;
  out->by_pointer = out->kind != 0 || fixed > 4;
  for (int i = 0; i < out->nvals; ++i) {
    if (out->by_pointer) {
      out->ptr[i] = static_cast<const uint8_t*>(va_arg(*ap, const void*));
      if (out->ptr[i] == nullptr && out->vsize != 0) return Refuse(who, "null value", tag);
    } else {
      out->word[i] = va_arg(*ap, uint32_t);
    }
  }
  return Arg::kElem;
}

// Writes the element's octets at w; returns the position after them.
uint8_t* WriteArg(const ArgElem& a, uint8_t* w) {
  *w++ = static_cast<uint8_t>(a.tag & 0xFF);
  if (a.has_sub) *w++ = static_cast<uint8_t>(a.tag >> 8);
  if (a.kind == kSelLen1) {
    *w++ = static_cast<uint8_t>(a.vsize);
  } else if (a.kind == kSelLen2) {
    const uint16_t l = static_cast<uint16_t>(a.vsize);
    std::memcpy(w, &l, 2);
    w += 2;
  }
  for (int i = 0; i < a.nvals; ++i) {
    if (a.by_pointer) {
      if (a.vsize != 0) std::memcpy(w, a.ptr[i], a.vsize);
    } else {
      // A word's first octets in memory order, so network-order numbers
      // keep their octet order (a word value is at most 4 octets long).
      std::memcpy(w, &a.word[i], a.vsize < 4 ? a.vsize : 4);
    }
    w += a.vsize;
  }
  return w;
}

// A copy of cur with a inserted at its sorted position in part (0 source,
// 1 destination); null when memory is short.
_selector* InsertOne(const _selector* cur, int part, const ArgElem& a) {
  const uint8_t* pos = nullptr;
  unsigned before = a.tag;
  const unsigned mode = (part == 0 ? SEL_M_SRC : SEL_M_DST) | SEL_M_INSPOS;
  if (!sel_getnext(cur, &pos, mode, &before, nullptr, nullptr)) return nullptr;
  const uint32_t size = a.size();
  if (cur->len > UINT32_MAX - sizeof(_selector) - size) return nullptr;
  auto* out = static_cast<_selector*>(std::malloc(sizeof(_selector) + cur->len + size));
  if (out == nullptr) return nullptr;
  const uint8_t* from = sel_bytes(cur);
  const uint32_t offset = static_cast<uint32_t>(pos - from);
  *out = *cur;
  uint8_t* to = sel_bytes(out);
  std::memcpy(to, from, offset);
  WriteArg(a, to + offset);
  std::memcpy(to + offset + size, from + offset, cur->len - offset);
  out->len += size;
  if (part == 0) out->slen += size;
  if (before == a.tag) out->flags |= SEL_F_TAGREPS;
  return out;
}

_selector* InsertGroups(const _selector* sel, va_list* ap) {
  const _selector empty = {0, 0, 0};
  const _selector* cur = sel != nullptr ? sel : &empty;
  _selector* owned = nullptr;  // the latest intermediate, never the input
  for (int part = 0; part < 2; ++part) {
    ArgElem a;
    for (;;) {
      const Arg got = ReadArg(ap, false, "sel_insert", &a);
      if (got == Arg::kEnd) break;
      _selector* next = got == Arg::kElem ? InsertOne(cur, part, a) : nullptr;
      sel_destroy(owned);
      if (next == nullptr) return nullptr;
      owned = next;
      cur = next;
    }
  }
  return owned != nullptr ? owned : sel_duplicate(cur);
}

// Reads both groups once to size them: octets per part, and whether an OR
// was given. False when an argument is refused.
bool SizeGroups(va_list* ap, uint64_t size[2], bool* has_or) {
  *has_or = false;
  for (int part = 0; part < 2; ++part) {
    size[part] = 0;
    ArgElem a;
    for (;;) {
      const Arg got = ReadArg(ap, true, "sel_append", &a);
      if (got == Arg::kEnd) break;
      if (got == Arg::kBad) return false;
      size[part] += a.size();
      if (a.nvals == 0) *has_or = true;
    }
  }
  return true;
}

// Writes one group, read again from the arguments; returns the position
// after it.
uint8_t* WriteGroup(va_list* ap, uint8_t* w) {
  ArgElem a;
  while (ReadArg(ap, true, "sel_append", &a) == Arg::kElem) w = WriteArg(a, w);
  return w;
}

}  // namespace

extern "C" {

_selector* sel_insert(const _selector* sel, ...) {
  if (sel != nullptr && (sel->flags & SEL_F_CMPLX)) {
    os_defs_error(OS_MSG_WARN, "sel_insert: complex selector as input");
    return nullptr;
  }
  va_list ap;
  va_start(ap, sel);
  _selector* out = InsertGroups(sel, &ap);
  va_end(ap);
  return out;
}

_selector* sel_append(const _selector* sel, ...) {
  const _selector empty = {0, 0, 0};
  if (sel == nullptr) sel = &empty;
  va_list ap;
  va_list again;
  va_start(ap, sel);
  va_copy(again, ap);
  uint64_t size[2];
  bool has_or;
  _selector* out = nullptr;
  if (SizeGroups(&ap, size, &has_or) &&
      sel->len + size[0] + size[1] <= UINT32_MAX - sizeof(_selector)) {
    out = static_cast<_selector*>(std::malloc(sizeof(_selector) + sel->len + size[0] + size[1]));
  }
  if (out != nullptr) {
    const SelSpan src = sel_part_span(sel, 0);
    const SelSpan dst = sel_part_span(sel, 1);
    out->slen = src.size() + static_cast<uint32_t>(size[0]);
    out->len = sel->len + static_cast<uint32_t>(size[0] + size[1]);
    out->flags = sel->flags | (has_or ? SEL_F_CMPLX : 0);
    uint8_t* w = sel_bytes(out);
    std::memcpy(w, src.begin, src.size());
    w = WriteGroup(&again, w + src.size());
    std::memcpy(w, dst.begin, dst.size());
    WriteGroup(&again, w + dst.size());
  }
  va_end(again);
  va_end(ap);
  return out;
}

}  // extern "C"
