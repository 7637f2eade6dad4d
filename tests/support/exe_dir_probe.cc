// Prints what zel_get_executable_dir answers for this program: the code, a
// space and the directory (nothing on failure). Copied into test layouts.
#include <cstdio>

#include "support/global.h"

int main() {
  const char* dir = nullptr;
  int rc = zel_get_executable_dir(&dir);
  std::printf("%d %s\n", rc, rc == 0 ? dir : "");
  return 0;
}
