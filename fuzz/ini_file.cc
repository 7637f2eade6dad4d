// The INI reader over arbitrary files: load ends with one of its codes and
// keeps what it read before a bad line; what save writes reads back without
// error, to the same variables, and saves again to the same text.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/ini_file.h"

namespace {

void Fail(const char* what) {
  std::fprintf(stderr, "ini_file fuzz: %s\n", what);
  std::abort();
}

// Three files in a private temporary directory, removed at exit.
class Scratch {
 public:
  Scratch() {
    const char* base = std::getenv("TMPDIR");
    dir_ = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/pkix_ini_fuzz_XXXXXX";
    if (mkdtemp(dir_.data()) == nullptr) Fail("no temporary directory");
    input = dir_ + "/input.ini";
    once = dir_ + "/once.ini";
    twice = dir_ + "/twice.ini";
  }
  ~Scratch() {
    clear();
    rmdir(dir_.c_str());
  }
  // Removes the files. New files are much cheaper than truncated ones on
  // file systems that flush a truncated file at close.
  void clear() {
    for (const std::string* p : {&input, &once, &twice}) unlink(p->c_str());
  }

  std::string input, once, twice;

 private:
  std::string dir_;
};

void WriteAll(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) Fail("cannot write the input");
  if (size != 0 && std::fwrite(data, 1, size, f) != size) Fail("cannot write the input");
  if (std::fclose(f) != 0) Fail("cannot write the input");
}

std::string ReadAll(const std::string& path) {
  std::string out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) Fail("cannot read a saved file");
  char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out.append(chunk, n);
  std::fclose(f);
  return out;
}

// Every variable of from is in to, in the same section, with the same value.
void ExpectVariablesIn(HIniFile* from, HIniFile* to) {
  for (unsigned i = 0; i < from->getSectionCount(); ++i) {
    const char* section = from->getSectionName(i);
    for (unsigned j = 0; j < from->getVarCount(i); ++j) {
      const char* value = to->getVarValue(section, from->getVarName(i, j));
      if (value == nullptr || std::strcmp(value, from->getVarValue(i, j)) != 0) {
        Fail("a variable changed on the way through save and load");
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Scratch scratch;
  scratch.clear();
  WriteAll(scratch.input, data, size);

  HIniFile* first = createIniFile();
  HIniFile* second = createIniFile();
  if (first == nullptr || second == nullptr) Fail("no reader");
  int rc = first->load(scratch.input.c_str());
  if (rc != 0 && rc != 59) Fail("unexpected load code");
  if (first->save(scratch.once.c_str()) != 0) Fail("save failed");
  if (second->load(scratch.once.c_str()) != 0) Fail("saved text does not load");
  ExpectVariablesIn(first, second);
  if (second->save(scratch.twice.c_str()) != 0) Fail("second save failed");
  if (ReadAll(scratch.once) != ReadAll(scratch.twice)) Fail("saved text is not stable");
  first->release();
  second->release();
  return 0;
}
