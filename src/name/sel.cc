// Selector records: creation, validation, iteration, and the operations on
// parts (removing an element, split, merge, swap, halves), and the dump.
#include "name/sel.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "name/os_defs.h"
#include "name/selelem.h"

namespace {

constexpr uint8_t kOrOctet[1] = {kSelOrOctet};
constexpr SelSpan kOrSpan = {kOrOctet, kOrOctet + 1};
constexpr SelSpan kNone = {nullptr, nullptr};

// SEL_F_CMPLX exactly when one of the parts holds an OR.
uint32_t WithCmplxFromData(uint32_t flags, SelSpan src, SelSpan dst) {
  flags &= ~SEL_F_CMPLX;
  if (sel_span_has_or(src) || sel_span_has_or(dst)) flags |= SEL_F_CMPLX;
  return flags;
}

// The first OR element of a part; null when there is none.
const uint8_t* FirstOr(SelSpan span) {
  SelElem e;
  for (const uint8_t* p = span.begin; sel_elem_read(p, span.end, &e); p += e.size) {
    if (sel_elem_is_or(e)) return p;
  }
  return nullptr;
}

bool Inside(const uint8_t* p, const uint8_t* begin, const uint8_t* end) {
  const auto v = reinterpret_cast<uintptr_t>(p);
  return v >= reinterpret_cast<uintptr_t>(begin) && v <= reinterpret_cast<uintptr_t>(end);
}

}  // namespace

extern "C" {

_selector* sel_create_empty(void) {
  return static_cast<_selector*>(std::calloc(1, sizeof(_selector)));
}

_selector* sel_duplicate(const _selector* sel) {
  if (sel == nullptr) return sel_create_empty();
  const size_t size = sizeof(_selector) + sel->len;
  auto* out = static_cast<_selector*>(std::malloc(size));
  if (out != nullptr) std::memcpy(out, sel, size);
  return out;
}

void sel_destroy(_selector* sel) { std::free(sel); }

int sel_is_empty(const _selector* sel) {
  if (sel == nullptr) return 1;
  const uint8_t* d = sel_bytes(sel);
  for (uint32_t i = 0; i < sel->len; ++i) {
    if (d[i] != 0x02 && d[i] != 0x03) return 0;
  }
  return 1;
}

int sel_trivial_cmp(const _selector* a, const _selector* b) {
  if (a == nullptr || b == nullptr) return a == b;
  if (a->len != b->len) return 0;
  return std::memcmp(a, b, sizeof(_selector) + a->len) == 0;
}

int sel_check(const _selector* sel) {
  if (sel == nullptr) return 0;
  if (sel->len == 0) return sel->slen == 0;
  if (sel->slen > sel->len) return 0;
  const uint8_t* d = sel_bytes(sel);
  const uint8_t* end = d + sel->len;
  bool part_boundary = sel->slen == 0;
  SelElem e;
  for (const uint8_t* p = d; p != end; p += e.size) {
    if (!sel_elem_read(p, end, &e)) return 0;
    if (static_cast<uint32_t>(p + e.size - d) == sel->slen) part_boundary = true;
  }
  return part_boundary;
}

int sel_getnext(const _selector* sel, const unsigned char** cursor, unsigned mode, unsigned* tag,
                unsigned* length, const unsigned char** data) {
  if (sel == nullptr || cursor == nullptr || tag == nullptr) return 0;
  const SelSpan src = sel_part_span(sel, 0);
  const SelSpan dst = sel_part_span(sel, 1);
  const bool source_only = (mode & SEL_M_SRC) && !(mode & SEL_M_DST);
  const uint8_t* end = source_only ? src.end : dst.end;
  const uint8_t* p = *cursor;
  if (p == nullptr) {
    if (mode & SEL_M_SRC) {
      p = src.begin;
    } else if (mode & SEL_M_DST) {
      p = dst.begin;
    } else {
      return 0;
    }
  } else if (!Inside(p, src.begin, end)) {
    return 0;
  }

  SelElem e;
  if (mode & SEL_M_INSPOS) {
    if (sel->flags & SEL_F_CMPLX) {
      os_defs_error(OS_MSG_WARN, "sel_getnext: complex selector as input");
      return 0;
    }
    const unsigned type = (*tag & 0xFF) >> 1;
    unsigned before = 0;
    while (sel_elem_read(p, end, &e) && e.type <= type) {
      before = e.tag;
      p += e.size;
    }
    *cursor = p;
    *tag = before;
    if (length != nullptr) *length = 0;
    if (data != nullptr) *data = p;
    return 1;
  }

  // Type always; subtype, range flag, or all 16 bits with both.
  unsigned mask = 0xFE;
  if (mode & SEL_M_SUBTYPE) mask |= 0xFE00;
  if (mode & SEL_M_RANGE) mask |= 0x01;
  if ((mode & SEL_M_SUBTYPE) && (mode & SEL_M_RANGE)) mask = 0xFFFF;
  const unsigned want = *tag & 0xFFFF;
  while (sel_elem_read(p, end, &e)) {
    if ((mode & SEL_M_STOPOR) && sel_elem_is_or(e)) break;
    p += e.size;
    if (want == 0 || ((e.tag ^ want) & mask) == 0) {
      *cursor = p;
      *tag = e.tag;
      if (length != nullptr) *length = e.vlen;
      if (data != nullptr) *data = e.value;
      return 1;
    }
  }
  *cursor = p;
  return 0;
}

_selector* sel_dtag(const _selector* sel, const unsigned char* element) {
  if (sel == nullptr) return nullptr;
  SelSpan parts[2] = {sel_part_span(sel, 0), sel_part_span(sel, 1)};
  for (int part = 0; part < 2; ++part) {
    SelElem e;
    for (const uint8_t* p = parts[part].begin; sel_elem_read(p, parts[part].end, &e); p += e.size) {
      const bool hit = element == nullptr || (Inside(element, e.pos, e.pos + e.size) &&
                                              element != e.pos + e.size);
      if (!hit) continue;
      const SelSpan before = {parts[part].begin, e.pos};
      const SelSpan after = {e.pos + e.size, parts[part].end};
      SelSpan pieces[2][2] = {{parts[0], kNone}, {parts[1], kNone}};
      pieces[part][0] = before;
      pieces[part][1] = after;
      _selector* out = sel_build(pieces[0], 2, pieces[1], 2, 0);
      if (out != nullptr) {
        out->flags = WithCmplxFromData(sel->flags, sel_part_span(out, 0), sel_part_span(out, 1));
      }
      return out;
    }
  }
  return nullptr;
}

int sel_split(const _selector* sel, int which, _selector** first, _selector** rest) {
  if (first == nullptr || rest == nullptr) return 0;
  *first = nullptr;
  *rest = nullptr;
  SelSpan first_parts[2] = {kNone, kNone};
  SelSpan rest_parts[2] = {sel_part_span(sel, 0), sel_part_span(sel, 1)};
  bool split = false;
  for (int part = 0; part < 2; ++part) {
    if ((which & (1 << part)) == 0) continue;
    const uint8_t* sep = FirstOr(rest_parts[part]);
    if (sep == nullptr) continue;
    // The separator goes to neither output, also when nothing follows it:
    // an empty part stands for the empty alternative, and keeping a lone
    // separator would split into itself for ever.
    first_parts[part] = {rest_parts[part].begin, sep};
    rest_parts[part] = {sep + 1, rest_parts[part].end};
    split = true;
  }
  if (!split) return 1;
  *first = sel_build(first_parts, 1, first_parts + 1, 1, sel->flags & ~SEL_F_CMPLX);
  *rest = sel_build(rest_parts, 1, rest_parts + 1, 1,
                    WithCmplxFromData(sel->flags, rest_parts[0], rest_parts[1]));
  if (*first == nullptr || *rest == nullptr) {
    sel_destroy(*first);
    sel_destroy(*rest);
    *first = nullptr;
    *rest = nullptr;
    return 0;
  }
  return 1;
}

_selector* sel_merge(const _selector* a, const _selector* b) {
  uint32_t flags = (a ? a->flags : 0) | (b ? b->flags : 0);
  SelSpan pieces[2][3];
  for (int part = 0; part < 2; ++part) {
    const SelSpan pa = sel_part_span(a, part);
    const SelSpan pb = sel_part_span(b, part);
    const bool both = !pa.empty() && !pb.empty();
    if (both) flags |= SEL_F_CMPLX;
    pieces[part][0] = pa;
    pieces[part][1] = both ? kOrSpan : kNone;
    pieces[part][2] = pb;
  }
  return sel_build(pieces[0], 3, pieces[1], 3, flags);
}

unsigned sel_swap(_selector* sel) {
  if (sel == nullptr) return 0;
  const uint32_t slen = sel->slen < sel->len ? sel->slen : sel->len;
  uint8_t* d = sel_bytes(sel);
  std::rotate(d, d + slen, d + sel->len);
  sel->slen = sel->len - slen;
  return sel->slen;
}

_selector* sel_get_half(const _selector* sel, int which) {
  if (which != 1 && which != 2) return nullptr;
  const SelSpan half = sel_part_span(sel, which - 1);
  const uint32_t flags = which == 1 || sel == nullptr ? 0 : sel->flags;
  return sel_build(&half, 1, nullptr, 0, WithCmplxFromData(flags, half, kNone));
}

}  // extern "C"
