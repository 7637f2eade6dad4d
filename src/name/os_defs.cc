// Messages of the plain C code: standard output for plain text, standard
// error with a prefix for notes, warnings and panics.
#include "name/os_defs.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

// Prefix and stream per level; level 0 is also the fallback row.
struct MsgLevel {
  const char* prefix;
  bool to_stderr;
};

constexpr MsgLevel kLevels[] = {
    {"", false},
    {"NOTE: ", true},
    {"WARN: ", true},
    {"PANIC: ", true},
};

}  // namespace

extern "C" void os_defs_error(int level, const char* format, ...) {
  if (level < OS_MSG_TEXT || level > OS_MSG_PANIC) level = OS_MSG_TEXT;
  const MsgLevel& row = kLevels[level];
  FILE* out = row.to_stderr ? stderr : stdout;
  std::fputs(row.prefix, out);
  va_list ap;
  va_start(ap, format);
  std::vfprintf(out, format, ap);
  va_end(ap);
  std::fputc('\n', stderr);
  std::fflush(out);
  if (level == OS_MSG_PANIC) std::abort();
}
