// Helpers the tool's commands share: services acquired from the host for a
// scope, and reading files that hold DER or PEM.
#ifndef PKIX_TOOLS_TOOL_UTIL_H_
#define PKIX_TOOLS_TOOL_UTIL_H_

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/host.h"
#include "tools/commands.h"

namespace pkixtool {

// One service acquired from the host for the scope (null when none answers).
template <class S>
class Acquired {
 public:
  // The service's type information stays inside the module: the cast gets
  // no sanitizer dynamic-type check.
  __attribute__((no_sanitize("vptr"))) Acquired(Context& ctx, uint32_t id) : ctx_(ctx), me_(pkixhost::Host::kHostModuleID), id_(id) {
    s_ = static_cast<S*>(ctx.host->acquire(id_, me_));
  }
  ~Acquired() {
    if (s_ != nullptr) ctx_.host->release(id_, me_);
  }
  Acquired(const Acquired&) = delete;
  Acquired& operator=(const Acquired&) = delete;
  S* get() const { return s_; }
  S* operator->() const { return s_; }
  explicit operator bool() const { return s_ != nullptr; }

 private:
  Context& ctx_;
  Tuint32ID me_;
  Tuint32ID id_;
  S* s_;
};

// The whole content of a file; false when it cannot be read.
inline bool ReadWholeFile(const std::string& path, std::string* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// The first PEM block of text: its label ("CERTIFICATE", "PUBLIC KEY", ...)
// and its base64 content decoded. False when text holds no whole block.
inline bool ReadPemBlock(const std::string& text, std::string* label, std::vector<unsigned char>* der) {
  const std::string begin = "-----BEGIN ";
  size_t b = text.find(begin);
  if (b == std::string::npos) return false;
  size_t label_end = text.find("-----", b + begin.size());
  if (label_end == std::string::npos) return false;
  size_t end = text.find("-----END", label_end + 5);
  if (end == std::string::npos) return false;
  label->assign(text, b + begin.size(), label_end - b - begin.size());
  der->clear();
  uint32_t acc = 0;
  int bits = 0;
  for (size_t i = label_end + 5; i < end; ++i) {
    char c = text[i];
    int v = c >= 'A' && c <= 'Z' ? c - 'A'
            : c >= 'a' && c <= 'z' ? c - 'a' + 26
            : c >= '0' && c <= '9' ? c - '0' + 52
            : c == '+' ? 62 : c == '/' ? 63 : -1;
    if (v < 0) continue;
    acc = acc << 6 | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      der->push_back(static_cast<unsigned char>(acc >> bits));
    }
  }
  return true;
}

}  // namespace pkixtool

#endif  // PKIX_TOOLS_TOOL_UTIL_H_
