// The product directories and their once-per-process caches.
#include "support/global.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "support/ini_file.h"
#include "support/result_codes.h"

namespace {

constexpr size_t kMaxDir = 4096;
using pkixrc::kFailed;
using pkixrc::kOk;
// A resolved executable path this long leaves no room for "../bin".
constexpr size_t kMaxExePath = 4090;

// Each cache is empty (first byte NUL) until filled and never changes once
// filled. The lock makes a caller that finds it filled see the whole text,
// even while another thread has only just filled it.
std::mutex g_cache_mutex;
char g_product_dir[kMaxDir + 1];
char g_executable_dir[kMaxDir + 1];

using FillFn = int (*)(const char* source, char* dir);

// The cached text, or fill's answer from source stored as the cache. A
// failure leaves the cache empty, so the next call tries again.
int Cached(char* cache, FillFn fill, const char* source, const char** out) {
  if (out == nullptr) return kFailed;
  std::lock_guard<std::mutex> lock(g_cache_mutex);
  if (cache[0] == '\0') {
    char dir[kMaxDir + 1];
    int rc = fill(source, dir);
    if (rc != kOk) return rc;
    std::memcpy(cache, dir, sizeof dir);
  }
  *out = cache;
  return kOk;
}

struct IniReleaser {
  void operator()(HIniFile* ini) const { ini->release(); }
};

// "AgentRoot" of the nameless section of the configuration file.
int ReadProductDir(const char* config_path, char* dir) {
  std::unique_ptr<HIniFile, IniReleaser> ini(createIniFile());
  if (ini == nullptr) return kFailed;
  int rc = ini->load(config_path);
  if (rc != kOk) return rc;
  const char* root = ini->getVarValue(nullptr, "AgentRoot");
  if (root == nullptr || std::strlen(root) > kMaxDir) return kFailed;
  std::strcpy(dir, root);
  return kOk;
}

// The directory "bin" beside the directory holding the executable, resolved,
// with a trailing slash.
int ResolveExecutableDir(const char* exe_path, char* dir) {
  static_assert(PATH_MAX <= kMaxDir, "a resolved path and its slash fit a cache");
  char resolved[PATH_MAX];
  if (realpath(exe_path, resolved) == nullptr) return kFailed;
  size_t len = std::strlen(resolved);
  const char* slash = std::strrchr(resolved, '/');
  if (slash == nullptr || len >= kMaxExePath) return kFailed;
  std::strcpy(resolved + (slash - resolved) + 1, "../bin");
  if (realpath(resolved, dir) == nullptr) return kFailed;
  std::strcat(dir, "/");
  return kOk;
}

}  // namespace

namespace pkix_support {

int ProductDirFrom(const char* config_path, const char** out) {
  return Cached(g_product_dir, ReadProductDir, config_path, out);
}

int ExecutableDirFrom(const char* exe_path, const char** out) {
  return Cached(g_executable_dir, ResolveExecutableDir, exe_path, out);
}

void ResetDirCachesForTest() {
  std::lock_guard<std::mutex> lock(g_cache_mutex);
  g_product_dir[0] = '\0';
  g_executable_dir[0] = '\0';
}

}  // namespace pkix_support

extern "C" CMN_EXPORT int zel_get_product_dir(const char** out) {
  return pkix_support::ProductDirFrom("/etc/zelnet.cfg", out);
}

extern "C" CMN_EXPORT int zel_get_executable_dir(const char** out) {
  return pkix_support::ExecutableDirFrom("/proc/self/exe", out);
}
