// Runs a fuzz target over saved inputs: every regular file named on the
// command line, or found (not recursively) in a folder named there. Used as a
// regression test so that every input a campaign kept is replayed on each run.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool ReadFile(const std::string& path, std::vector<uint8_t>* out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  out->clear();
  uint8_t chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out->insert(out->end(), chunk, chunk + n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

int RunOne(const std::string& path) {
  std::vector<uint8_t> data;
  if (!ReadFile(path, &data)) {
    std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
    return 1;
  }
  // A copy of exactly the file's size, so reads past the end are caught.
  std::vector<uint8_t> exact(data);
  LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int failures = 0;
  unsigned runs = 0;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    struct stat st;
    if (stat(arg.c_str(), &st) != 0) continue;  // a target may have no crash folder
    if (S_ISDIR(st.st_mode)) {
      DIR* d = opendir(arg.c_str());
      if (d == nullptr) continue;
      std::vector<std::string> names;
      while (dirent* e = readdir(d)) {
        if (e->d_name[0] != '.') names.push_back(arg + "/" + e->d_name);
      }
      closedir(d);
      for (const std::string& n : names) {
        struct stat fs;
        if (stat(n.c_str(), &fs) == 0 && S_ISREG(fs.st_mode)) {
          failures += RunOne(n);
          ++runs;
        }
      }
    } else if (S_ISREG(st.st_mode)) {
      failures += RunOne(arg);
      ++runs;
    }
  }
  // An empty input is always replayed too: it is the first edge case of all.
  LLVMFuzzerTestOneInput(nullptr, 0);
  std::printf("replay: %u inputs, %d unreadable\n", runs, failures);
  return failures == 0 ? 0 : 1;
}
