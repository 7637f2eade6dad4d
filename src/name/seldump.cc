// The printed form of a selector, for diagnostics.
#include <cstdio>

#include "name/os_defs.h"
#include "name/sel.h"
#include "name/selelem.h"

namespace {

constexpr uint32_t kHexPerLine = 16;

// The flag text, indexed by the SEL_F_TAGREPS and SEL_F_CMPLX bits.
constexpr const char* kFlagTexts[4] = {"", "TAGREPS", "CMPLX", "TAGREPS, CMPLX"};
static_assert(SEL_F_TAGREPS == 1 && SEL_F_CMPLX == 2, "flag text index");

void DumpValue(const uint8_t* v, uint32_t len) {
  char line[2 * kHexPerLine + 1];
  for (uint32_t off = 0; off < len; off += kHexPerLine) {
    const uint32_t n = len - off < kHexPerLine ? len - off : kHexPerLine;
    for (uint32_t i = 0; i < n; ++i) std::snprintf(line + 2 * i, 3, "%02X", v[off + i]);
    line[2 * n] = '\0';
    os_defs_error(OS_MSG_TEXT, "%s\n", line);
  }
}

void DumpPart(SelSpan part) {
  SelElem e;
  for (const uint8_t* p = part.begin; sel_elem_read(p, part.end, &e); p += e.size) {
    const sel_type_nfo& row = sel_nfo[e.type];
    if (row.flags & kSelHasSubs) {
      os_defs_error(OS_MSG_TEXT, " %s/%s (%x):", row.name, row.subs[e.sub].name, e.tag);
    } else {
      os_defs_error(OS_MSG_TEXT, " %s (%x):", row.name, e.tag);
    }
    DumpValue(e.value, e.vlen);
  }
}

}  // namespace

extern "C" void sel_dump(const _selector* sel) {
  const _selector empty = {0, 0, 0};
  if (sel == nullptr) sel = &empty;
  const char* names = kFlagTexts[sel->flags & (SEL_F_TAGREPS | SEL_F_CMPLX)];
  os_defs_error(OS_MSG_TEXT, "flags = %s (0x%x), slen = 0x%x, dlen = 0x%x\n", names, sel->flags,
                sel->slen, sel->len - sel->slen);
  os_defs_error(OS_MSG_TEXT, "SRC\n");
  DumpPart(sel_part_span(sel, 0));
  os_defs_error(OS_MSG_TEXT, "DST\n");
  DumpPart(sel_part_span(sel, 1));
}
