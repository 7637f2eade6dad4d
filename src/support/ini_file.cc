// The INI reader: load merges a file into sections and variables, save writes
// them back with every comment before the item it was read with.
#include "support/ini_file.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <memory>
#include <new>

#include "support/result_codes.h"

namespace {

constexpr unsigned kNoIndex = ~0u;  // no such section or variable
constexpr size_t kLineChunk = 1024;

using pkixrc::kBadArgument;
using pkixrc::kCannotOpen;
using pkixrc::kFailed;
using pkixrc::kNoMemory;
using pkixrc::kOk;
constexpr int kNotPresent = pkixrc::kNotFound;
using pkixrc::kBadLine;  // a line the reader cannot take

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// Reads one line at a time into a buffer that starts at 1024 bytes and grows
// by 1024 whenever a line does not fit, so a line of any length is read whole.
class LineReader {
 public:
  // next()'s answer once every line has been read; no code of the module.
  static constexpr int kEndOfFile = -1;

  explicit LineReader(FILE* f) : f_(f) {}
  ~LineReader() { std::free(buf_); }
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // 0 with *line set (without its line feed), kEndOfFile at the end of the file, or
  // the reader's code: 1 when the buffer cannot grow, 59 on a read error or a
  // line holding a NUL byte (it could not be kept whole as text).
  int next(std::string_view* line) {
    size_t len = 0;
    bool nul = false;
    int c;
    while ((c = std::getc(f_)) != EOF && c != '\n') {
      if (len == cap_ && !grow()) return kNoMemory;
      nul |= (c == '\0');
      buf_[len++] = static_cast<char>(c);
    }
    if (std::ferror(f_)) return kBadLine;
    if (c == EOF && len == 0) return kEndOfFile;  // a final line without line feed is kept
    if (nul) return kBadLine;
    *line = std::string_view(buf_, len);
    return kOk;
  }

 private:
  bool grow() {
    char* bigger = static_cast<char*>(std::realloc(buf_, cap_ + kLineChunk));
    if (bigger == nullptr) return false;
    buf_ = bigger;
    cap_ += kLineChunk;
    return true;
  }

  FILE* f_;
  char* buf_ = nullptr;
  size_t cap_ = 0;
};

// Closes a stream on every path out of the function that opened it.
struct FileCloser {
  void operator()(FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};

// Whether path still names the regular file that st describes (and not a
// device, a pipe or a symbolic link put there meanwhile).
bool SameRegularFile(const char* path, const struct stat& st) {
  struct stat now;
  if (lstat(path, &now) != 0 || !S_ISREG(now.st_mode)) return false;
  return now.st_dev == st.st_dev && now.st_ino == st.st_ino;
}

bool WritePiece(FILE* f, const std::string& piece) {
  return piece.empty() || std::fwrite(piece.data(), 1, piece.size(), f) == piece.size();
}

}  // namespace

const char* IniFile::pEmptyStr = "Empty string";

extern "C" CMN_EXPORT HIniFile* createIniFile() { return new (std::nothrow) IniFile(); }

void IniFile::release() { delete this; }

std::string_view IniFile::getWithoutSpaces(std::string_view text) noexcept {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsSpace(text[begin])) ++begin;
  while (end > begin && IsSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

IniFile::SecItem* IniFile::findSection(const char* name) {
  std::string_view wanted = name == nullptr ? std::string_view() : std::string_view(name);
  for (SecItem& sec : sections_) {
    if (sec.name == wanted) return &sec;
  }
  return nullptr;
}

IniFile::VarItem* IniFile::findVar(SecItem* sec, const char* name) {
  if (sec == nullptr || name == nullptr) return nullptr;
  for (VarItem& var : sec->vars) {
    if (var.name == name) return &var;
  }
  return nullptr;
}

unsigned IniFile::setVarSection(const char* section, const char* comment) {
  if (section == nullptr) section = "";
  unsigned idx = getSectionIdx(section);
  if (idx != kNoIndex) return idx;
  try {
    SecItem sec;
    sec.comment = comment == nullptr ? "" : comment;
    sec.name = section;
    if (sec.name.empty()) {
      sections_.insert(sections_.begin(), std::move(sec));
      return 0;
    }
    sections_.push_back(std::move(sec));
    return static_cast<unsigned>(sections_.size() - 1);
  } catch (const std::exception&) {
    return kNoIndex;
  }
}

int IniFile::setVarValue(const char* section, const char* name, const char* value,
                         const char* comment) {
  if (name == nullptr || value == nullptr) return kBadArgument;
  try {
    // Copies first: the arguments may point into this object's own texts,
    // which creating a section can move.
    VarItem item{name, value, comment == nullptr ? "" : comment};
    unsigned idx = setVarSection(section, "");
    if (idx == kNoIndex) return kFailed;
    SecItem& sec = sections_[idx];
    if (VarItem* var = findVar(&sec, item.name.c_str())) {
      var->value.swap(item.value);
      return kOk;
    }
    sec.vars.push_back(std::move(item));
    return kOk;
  } catch (const std::exception&) {
    return kFailed;
  }
}

int IniFile::setVarValue(const char* section, const char* name, const char* value) {
  return setVarValue(section, name, value, "");
}

const char* IniFile::getVarValue(const char* section, const char* name) {
  VarItem* var = findVar(findSection(section), name);
  return var == nullptr ? nullptr : var->value.c_str();
}

int IniFile::removeVar(const char* section, const char* name) {
  unsigned idx = getSectionIdx(section);
  if (idx == kNoIndex || name == nullptr) return kNotPresent;
  std::vector<VarItem>& vars = sections_[idx].vars;
  for (size_t j = 0; j < vars.size(); ++j) {
    if (vars[j].name == name) return removeVar(idx, static_cast<unsigned>(j));
  }
  return kNotPresent;
}

unsigned IniFile::getSectionCount() { return static_cast<unsigned>(sections_.size()); }

unsigned IniFile::getSectionIdx(const char* name) {
  SecItem* sec = findSection(name);
  return sec == nullptr ? kNoIndex : static_cast<unsigned>(sec - sections_.data());
}

const char* IniFile::getSectionName(unsigned i) {
  return i < sections_.size() ? sections_[i].name.c_str() : nullptr;
}

unsigned IniFile::getVarCount(unsigned i) {
  return i < sections_.size() ? static_cast<unsigned>(sections_[i].vars.size()) : 0;
}

const char* IniFile::getVarName(unsigned section, unsigned var) {
  if (section >= sections_.size() || var >= sections_[section].vars.size()) return nullptr;
  return sections_[section].vars[var].name.c_str();
}

const char* IniFile::getVarValue(unsigned section, unsigned var) {
  if (section >= sections_.size() || var >= sections_[section].vars.size()) return nullptr;
  return sections_[section].vars[var].value.c_str();
}

int IniFile::removeVar(unsigned section, unsigned var) {
  if (section >= sections_.size() || var >= sections_[section].vars.size()) return kNotPresent;
  std::vector<VarItem>& vars = sections_[section].vars;
  vars.erase(vars.begin() + var);
  return kOk;
}

int IniFile::clearSection(unsigned i) {
  if (i >= sections_.size()) return kNotPresent;
  sections_[i].vars.clear();
  return kOk;
}

// One line, without its line feed: a comment, a header or a variable.
int IniFile::parseLine(std::string_view line, std::string* current_section) {
  size_t start = 0;
  while (start < line.size() && IsSpace(line[start])) ++start;

  if (start == line.size() || line[start] == '!') {
    pending_comment_.append(line).push_back('\n');
    return kOk;
  }

  if (line[start] == '[') {
    std::string_view header = getWithoutSpaces(line);
    if (header.size() < 2 || header.back() != ']') return kBadLine;
    std::string name(header.substr(1, header.size() - 2));
    if (setVarSection(name.c_str(), pending_comment_.c_str()) == kNoIndex) return kFailed;
    *current_section = std::move(name);
    pending_comment_.clear();
    return kOk;
  }

  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return kBadLine;
  std::string name(getWithoutSpaces(line.substr(0, eq)));
  std::string value(getWithoutSpaces(line.substr(eq + 1)));
  int rc = setVarValue(current_section->c_str(), name.c_str(), value.c_str(),
                       pending_comment_.c_str());
  if (rc != kOk) return rc;
  pending_comment_.clear();
  return kOk;
}

int IniFile::loadLines(FILE* f) {
  LineReader reader(f);
  std::string current_section;  // the nameless section until the first header
  std::string_view line;
  int rc;
  while ((rc = reader.next(&line)) == kOk) {
    rc = parseLine(line, &current_section);
    if (rc != kOk) return rc;
  }
  return rc == LineReader::kEndOfFile ? kOk : rc;
}

int IniFile::load(const char* path) {
  if (path == nullptr) return kBadArgument;
  pending_comment_.clear();
  std::unique_ptr<FILE, FileCloser> f(std::fopen(path, "rt"));
  if (f == nullptr) return kCannotOpen;
  try {
    return loadLines(f.get());
  } catch (const std::exception&) {
    return kNoMemory;
  }
}

// Every section's comment (or a blank line between sections) and header, its
// variables each with its comment, and the trailing comment.
int IniFile::writeAll(FILE* f) const {
  for (size_t i = 0; i < sections_.size(); ++i) {
    const SecItem& sec = sections_[i];
    std::string piece = sec.comment.empty() && i != 0 ? "\n" : sec.comment;
    if (!sec.name.empty()) piece += "[" + sec.name + "]\n";
    if (!WritePiece(f, piece)) return kFailed;
    for (const VarItem& var : sec.vars) {
      if (!WritePiece(f, var.comment + var.name + "=" + var.value + "\n")) return kFailed;
    }
  }
  return WritePiece(f, pending_comment_) ? kOk : kFailed;
}

int IniFile::save(const char* path) {
  if (path == nullptr) return kBadArgument;
  FILE* f = std::fopen(path, "wt");
  if (f == nullptr) return kFailed;
  struct stat st;
  bool regular = fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode);
  int rc;
  try {
    rc = writeAll(f);
  } catch (const std::exception&) {
    rc = kNoMemory;
  }
  // Buffered data reaches the file only here, so a full disk shows at close.
  if (std::fclose(f) != 0 && rc == kOk) rc = kFailed;
  if (rc != kOk && regular && SameRegularFile(path, st)) std::remove(path);
  return rc;
}
