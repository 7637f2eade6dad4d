// Reading and writing files for the tool, PEM blocks and the texts of
// result codes. Nothing here throws: every failure comes back as false and
// a message.
#include "tools/tool_util.h"

#include <fcntl.h>
#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>

#include "contract/x509asn.h"
#include "support/result_text.h"

namespace pkixtool {
namespace {

// Octets asked of the kernel per read.
constexpr size_t kReadChunk = size_t{64} << 10;

// Closes a descriptor at scope end (unless released to an explicit close).
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // Closes now; false with errno set when closing reports an error.
  bool closeNow() {
    int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

std::string Reason(int err) { return std::strerror(err); }

// Set by the first read of an input file that fails.
bool g_input_unreadable = false;

std::string LimitText(size_t limit) {
  return "larger than the input limit of " + std::to_string(limit) + " octets (set " + kMaxInputVariable + ")";
}

// Writes every octet to fd, retrying after interruptions and short writes.
bool WriteAll(int fd, const unsigned char* p, size_t len) {
  while (len > 0) {
    ssize_t n = write(fd, p, len);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    p += n;
    len -= static_cast<size_t>(n);
  }
  return true;
}

// Reserves (reserve) or resizes s to size; false when memory is short.
bool Grow(std::string* s, size_t size, bool reserve) {
  try {
    if (reserve) {
      s->reserve(size);
    } else {
      s->resize(size);
    }
  } catch (const std::exception&) {  // std::bad_alloc, std::length_error
    return false;
  }
  return true;
}

bool IsText(unsigned char c) { return (c >= 0x20 && c < 0x7F) || c == '\n' || c == '\r' || c == '\t'; }

struct OpenSslFree {
  void operator()(void* p) const { OPENSSL_free(p); }
};
using OpenSslText = std::unique_ptr<char, OpenSslFree>;
using OpenSslOctets = std::unique_ptr<unsigned char, OpenSslFree>;

struct BioFree {
  void operator()(BIO* b) const { BIO_free(b); }
};

}  // namespace

bool MaxInput(size_t* out, std::string* why) {
  const char* v = std::getenv(kMaxInputVariable);
  if (v == nullptr || *v == '\0') {
    *out = kDefaultMaxInput;
    return true;
  }
  // Digits, then at most one unit letter.
  size_t n = 0;
  bool overflow = false;
  const char* p = v;
  for (; *p >= '0' && *p <= '9'; ++p) {
    size_t digit = static_cast<size_t>(*p - '0');
    overflow = overflow || n > (SIZE_MAX - digit) / 10;
    if (!overflow) n = n * 10 + digit;
  }
  unsigned shift = 0;
  if (p != v && (*p == 'K' || *p == 'k')) shift = 10, ++p;
  else if (p != v && (*p == 'M' || *p == 'm')) shift = 20, ++p;
  else if (p != v && (*p == 'G' || *p == 'g')) shift = 30, ++p;
  if (p == v || *p != '\0' || overflow || n == 0 || n > (SIZE_MAX >> shift)) {
    *why = std::string(kMaxInputVariable) + " must be a positive number of octets (K, M or G may follow): \"" +
           Excerpt(v) + "\"";
    return false;
  }
  *out = n << shift;
  return true;
}

bool InputUnreadable() { return g_input_unreadable; }

bool ReadWholeFile(const std::string& path, std::string* out, std::string* why) {
  out->clear();
  size_t limit = 0;
  if (!MaxInput(&limit, why)) return false;
  // Every failure past this point is the file's: marked at scope end.
  struct MarkUnlessRead {
    bool read = false;
    ~MarkUnlessRead() {
      if (!read) g_input_unreadable = true;
    }
  } mark;
  const std::string prefix = "cannot read " + path + ": ";
  Descriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    *why = prefix + Reason(errno);
    return false;
  }
  struct stat st;
  if (fstat(fd.get(), &st) != 0) {
    *why = prefix + Reason(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    *why = prefix + Reason(EISDIR);
    return false;
  }
  if (S_ISREG(st.st_mode) && static_cast<unsigned long long>(st.st_size) > limit) {
    *why = prefix + LimitText(limit);
    return false;
  }
  std::string data;
  // A limit set above what memory holds ends in "out of memory", not in an
  // exception out of the tool.
  if (S_ISREG(st.st_mode) && !Grow(&data, static_cast<size_t>(st.st_size), true)) {
    *why = prefix + Reason(ENOMEM);
    return false;
  }
  for (;;) {
    // One octet beyond the limit tells a file at the limit from a longer one.
    size_t room = limit + 1 - data.size();
    size_t want = room < kReadChunk ? room : kReadChunk;
    size_t at = data.size();
    if (!Grow(&data, at + want, false)) {
      *why = prefix + Reason(ENOMEM);
      return false;
    }
    ssize_t n = read(fd.get(), &data[at], want);
    if (n < 0 && errno == EINTR) {
      data.resize(at);
      continue;
    }
    if (n < 0) {
      *why = prefix + Reason(errno);
      return false;
    }
    data.resize(at + static_cast<size_t>(n));
    if (n == 0) break;
    if (data.size() > limit) {
      *why = prefix + LimitText(limit);
      return false;
    }
  }
  out->swap(data);
  mark.read = true;
  return true;
}

bool WriteWholeFile(const std::string& path, const void* data, size_t len, std::string* why) {
  const auto* p = static_cast<const unsigned char*>(data);
  if (path.empty() || path == "-") {
    if (std::fflush(stdout) != 0 || !WriteAll(STDOUT_FILENO, p, len)) {
      *why = "cannot write standard output: " + Reason(errno);
      return false;
    }
    return true;
  }
  const std::string prefix = "cannot write " + path + ": ";
  Descriptor fd(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (fd.get() < 0) {
    *why = prefix + Reason(errno);
    return false;
  }
  if (!WriteAll(fd.get(), p, len)) {
    *why = prefix + Reason(errno);
    return false;
  }
  // A network or full file system may report the failure only at close.
  if (!fd.closeNow()) {
    *why = prefix + Reason(errno);
    return false;
  }
  return true;
}

bool IsPemText(const std::string& content) {
  if (content.find("-----BEGIN ") == std::string::npos) return false;
  for (char c : content) {
    if (!IsText(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

bool ReadPemBlocks(const std::string& path, const std::string& text, std::vector<Block>* out, std::string* why) {
  out->clear();
  if (text.size() > static_cast<size_t>(INT32_MAX)) {
    *why = path + ": malformed PEM (too large)";
    return false;
  }
  std::unique_ptr<BIO, BioFree> bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
  if (!bio) {
    *why = path + ": cannot read PEM (no memory)";
    return false;
  }
  ERR_clear_error();
  for (;;) {
    char* name = nullptr;
    char* header = nullptr;
    unsigned char* data = nullptr;
    long len = 0;
    int ok = PEM_read_bio(bio.get(), &name, &header, &data, &len);
    OpenSslText held_name(name);
    OpenSslText held_header(header);
    OpenSslOctets held_data(data);
    if (ok != 1) {
      unsigned long err = ERR_peek_last_error();
      ERR_clear_error();
      // No further BEGIN line: the end of the text.
      if (ERR_GET_LIB(err) == ERR_LIB_PEM && ERR_GET_REASON(err) == PEM_R_NO_START_LINE && !out->empty()) return true;
      const char* reason = ERR_reason_error_string(err);
      *why = path + ": malformed PEM (" + (reason != nullptr ? reason : "unreadable block") + ")";
      return false;
    }
    if (header != nullptr && *header != '\0') {
      *why = path + ": PEM block " + name + " carries headers (an encrypted block is not read)";
      return false;
    }
    Block b;
    b.label = name;
    b.der.assign(data, data + len);
    out->push_back(std::move(b));
  }
}

bool CheckOneElement(const std::string& path, const unsigned char* der, size_t len, const char* what,
                     std::string* why) {
  Buffer in;
  init_buffer(&in);
  if (len == 0 || len > UINT32_MAX - 1 || set_buffer(&in, static_cast<uint32_t>(len), der) != 0) {
    *why = path + ": not a " + what + ": " + (len == 0 ? "empty" : "too large");
    return false;
  }
  int rc = asn1_decode_any_type(&in, nullptr);
  if (rc < 0) {
    *why = path + ": not a " + what + ": " + CodeText(rc);
    return false;
  }
  if (in.len != 0) {
    *why = path + ": " + std::to_string(in.len) + " octets follow the " + what;
    return false;
  }
  return true;
}

bool ReadObjects(const std::string& path, const std::vector<std::string>& labels, const char* what,
                 std::vector<Block>* out, std::string* why) {
  out->clear();
  std::string content;
  if (!ReadWholeFile(path, &content, why)) return false;
  return ObjectsOf(path, content, labels, what, out, why);
}

bool ObjectsOf(const std::string& path, const std::string& content, const std::vector<std::string>& labels,
               const char* what, std::vector<Block>* out, std::string* why) {
  out->clear();
  if (!IsPemText(content)) {
    Block b;
    b.der.assign(content.begin(), content.end());
    if (!CheckOneElement(path, b.der.data(), b.der.size(), what, why)) return false;
    out->push_back(std::move(b));
    return true;
  }
  std::vector<Block> blocks;
  if (!ReadPemBlocks(path, content, &blocks, why)) return false;
  std::string skipped;
  for (Block& b : blocks) {
    bool wanted = false;
    for (const std::string& l : labels) wanted = wanted || b.label == l;
    if (!wanted) {
      skipped += (skipped.empty() ? "" : ", ") + b.label;
      continue;
    }
    if (!CheckOneElement(path, b.der.data(), b.der.size(), what, why)) return false;
    out->push_back(std::move(b));
  }
  if (out->empty()) {
    *why = path + " holds no " + what + " (PEM blocks: " + Excerpt(skipped, 80) + ")";
    return false;
  }
  return true;
}

bool FromHex(const std::string& text, std::string* out) {
  out->clear();
  int high = -1;
  for (char c : text) {
    if (c == ' ' || c == ':' || c == '\n' || c == '\t') continue;
    int v = (c >= '0' && c <= '9')   ? c - '0'
            : (c >= 'a' && c <= 'f') ? c - 'a' + 10
            : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                     : -1;
    if (v < 0) return false;
    if (high < 0) {
      high = v;
    } else {
      out->push_back(static_cast<char>(high * 16 + v));
      high = -1;
    }
  }
  return high < 0 && !out->empty();
}

std::string Hex(const unsigned char* p, size_t n, const char* sep) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    if (i != 0) s += sep;
    s += kDigits[p[i] >> 4];
    s += kDigits[p[i] & 15];
  }
  return s;
}

std::string CodeText(int code) {
  const char* text = pkix_result_text(code);
  std::string number = "code " + std::to_string(code);
  return text != nullptr ? std::string(text) + " (" + number + ")" : number;
}

std::string Excerpt(const std::string& text, size_t max) {
  if (text.size() <= max) return text;
  return text.substr(0, max) + "... (" + std::to_string(text.size()) + " characters)";
}

}  // namespace pkixtool
