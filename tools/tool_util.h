// Helpers the tool's commands share: services acquired from the host for a
// scope, reading and writing files with every error reported, PEM blocks,
// the one-element check on DER input, and the texts of result codes.
//
// Every function that can fail returns false and sets *why to a message
// naming the file and the reason ("cannot read FILE: Is a directory"); the
// caller prints it after the command's prefix.
#ifndef PKIX_TOOLS_TOOL_UTIL_H_
#define PKIX_TOOLS_TOOL_UTIL_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/host.h"
#include "tools/commands.h"

namespace pkixtool {

using Octets = std::vector<unsigned char>;

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

// The largest input file the tool reads unless PKIXTOOL_MAX_INPUT says
// otherwise: 64 MB.
constexpr size_t kDefaultMaxInput = size_t{64} << 20;
// The environment variable that sets the input limit: a number of octets,
// optionally followed by K, M or G (powers of 1024).
constexpr const char* kMaxInputVariable = "PKIXTOOL_MAX_INPUT";

// The input limit in octets: PKIXTOOL_MAX_INPUT when set, else
// kDefaultMaxInput. False (with *why) when the variable is set but is not a
// positive number of octets that fits the address space; *out untouched.
bool MaxInput(size_t* out, std::string* why);

// The whole content of the file at path, read with plain reads and checked
// at every step. Succeeds with *out the content. Fails (with *why "cannot
// read PATH: reason", *out cleared) when the file cannot be opened or read,
// is a directory, or holds more octets than the input limit (files that
// never end, like /dev/zero, meet the limit).
bool ReadWholeFile(const std::string& path, std::string* out, std::string* why);

// Whether a ReadWholeFile of this process failed to read its file (the
// tool then exits with kExitInput rather than kExitFailed).
bool InputUnreadable();

// Writes len octets to path, created or truncated ("" or "-": standard
// output, flushed first so that earlier text stays in order). True when
// every octet was written and the file closed; false with *why "cannot
// write PATH: reason" (a full disk, a closed pipe, no permission ...).
bool WriteWholeFile(const std::string& path, const void* data, size_t len, std::string* why);

// One PEM block: its label ("CERTIFICATE", "PRIVATE KEY" ...) and content.
// A DER file read as one block has an empty label.
struct Block {
  std::string label;
  Octets der;
};

// Whether content is PEM text: it holds "-----BEGIN " and only printable
// ASCII and white space. DER holds tag and length octets outside that set
// (an INTEGER, an OBJECT IDENTIFIER), so no DER structure passes as text.
bool IsPemText(const std::string& content);

// Every PEM block of text, in order, read strictly: each block's END line
// names its BEGIN label, its base64 has no foreign characters and no '='
// before its end. False (with *why "PATH: malformed PEM (reason)") on the
// first bad block, or when a block carries headers (an encrypted block).
bool ReadPemBlocks(const std::string& path, const std::string& text, std::vector<Block>* out, std::string* why);

// Checks that der holds exactly one DER element (definite or indefinite
// length) and nothing after it. False with *why "PATH: N octets follow the
// WHAT" for leftover octets, "PATH: not a WHAT: reason (code N)" when the
// outermost element itself cannot be delimited.
bool CheckOneElement(const std::string& path, const unsigned char* der, size_t len, const char* what,
                     std::string* why);

// The objects of content read from path, DER or PEM: DER is one object;
// from PEM text, every block whose label is one of labels (the others are
// skipped). Every object is checked with CheckOneElement. Succeeds with
// *out holding at least one block. Fails with *why: malformed PEM, "PATH
// holds no WHAT (PEM blocks: ...)", or leftover octets.
bool ObjectsOf(const std::string& path, const std::string& content, const std::vector<std::string>& labels,
               const char* what, std::vector<Block>* out, std::string* why);

// ObjectsOf over the file at path, read with ReadWholeFile (whose message
// a failed read gives).
bool ReadObjects(const std::string& path, const std::vector<std::string>& labels, const char* what,
                 std::vector<Block>* out, std::string* why);

// Hex digits to octets; white space and colons may stand between pairs.
// False (*out then unspecified) for any other character, an odd count of
// digits, or no digit at all.
bool FromHex(const std::string& text, std::string* out);

// Octets as upper-case hex digit pairs, sep between pairs.
std::string Hex(const unsigned char* p, size_t n, const char* sep = "");

// "the signature does not verify (code 14852)" for a code with a text,
// "code N" for one without.
std::string CodeText(int code);

// The first max characters of text, and the count of the rest, so that an
// error message never echoes a large input back.
std::string Excerpt(const std::string& text, size_t max = 40);

}  // namespace pkixtool

#endif  // PKIX_TOOLS_TOOL_UTIL_H_
