#include "testing/slapd_fixture.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#ifndef PKIX_SOURCE_DIR
#error "PKIX_SOURCE_DIR names the source tree"
#endif

namespace pkixtest {

namespace {

// One argument for the shell, single-quoted.
std::string Quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

// Runs a shell command line; its standard output (and error) lands in *out.
// true when it exited with 0.
bool RunCommand(const std::string& command_line, std::string* out) {
  std::string command = command_line + " 2>&1";
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) {
    *out = "cannot run scripts/slapd-test";
    return false;
  }
  out->clear();
  char chunk[512];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, p)) > 0) out->append(chunk, n);
  int status = pclose(p);
  while (!out->empty() && (out->back() == '\n' || out->back() == '\r')) out->pop_back();
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Runs scripts/slapd-test with args; its output (and error) lands in *out.
// true when it exited with 0.
bool RunScript(const std::string& args, std::string* out) {
  return RunCommand(Quoted(SlapdServer::SourceDir() + "/scripts/slapd-test") + " " + args, out);
}

// The port of "ldap://127.0.0.1:PORT"; 0 when the text is not such a URL.
uint16_t PortOf(const std::string& url) {
  static const std::string kPrefix = "ldap://127.0.0.1:";
  if (url.compare(0, kPrefix.size(), kPrefix) != 0) return 0;
  unsigned long port = 0;
  for (size_t i = kPrefix.size(); i < url.size(); ++i) {
    if (url[i] < '0' || url[i] > '9') return 0;
    port = port * 10 + static_cast<unsigned long>(url[i] - '0');
    if (port > 65535) return 0;
  }
  return static_cast<uint16_t>(port);
}

}  // namespace

std::string SlapdServer::SourceDir() { return PKIX_SOURCE_DIR; }

std::vector<uint8_t> SlapdServer::ReadSourceFile(const std::string& relative) {
  std::ifstream in(SourceDir() + "/" + relative, std::ios::binary);
  if (!in) return {};
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string SlapdServer::Base64(const std::vector<uint8_t>& data) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    uint32_t v = (uint32_t{data[i]} << 16) | (uint32_t{data[i + 1]} << 8) | data[i + 2];
    out += kDigits[v >> 18];
    out += kDigits[(v >> 12) & 63];
    out += kDigits[(v >> 6) & 63];
    out += kDigits[v & 63];
  }
  size_t rest = data.size() - i;
  if (rest > 0) {
    uint32_t v = uint32_t{data[i]} << 16;
    if (rest == 2) v |= uint32_t{data[i + 1]} << 8;
    out += kDigits[v >> 18];
    out += kDigits[(v >> 12) & 63];
    out += rest == 2 ? kDigits[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

SlapdServer::SlapdServer(std::string dir, std::string url, uint16_t port)
    : dir_(std::move(dir)), url_(std::move(url)), port_(port) {}

std::unique_ptr<SlapdServer> SlapdServer::Start(std::string* error, const std::vector<std::string>& extra_ldif) {
  const char* tmp = getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/pkix-slapd-XXXXXX";
  if (mkdtemp(&pattern[0]) == nullptr) {
    *error = "cannot make a temporary folder under " + pattern;
    return nullptr;
  }
  // A watcher stops the server should this program end without its
  // destructor (a crash, a sanitizer's abort).
  std::string args = "SLAPD_TEST_OWNER=" + std::to_string(getpid()) + " ";
  args += Quoted(SourceDir() + "/scripts/slapd-test") + " start " + Quoted(pattern);
  for (const std::string& f : extra_ldif) args += " " + Quoted(f);
  std::string out;
  bool started = RunCommand(args, &out);
  uint16_t port = started ? PortOf(out) : 0;
  if (port == 0) {
    *error = out.empty() ? "scripts/slapd-test start failed" : out;
    std::string ignored;
    RunScript("clean " + Quoted(pattern), &ignored);
    return nullptr;
  }
  return std::unique_ptr<SlapdServer>(new SlapdServer(pattern, out, port));
}

SlapdServer::~SlapdServer() {
  std::string ignored;
  RunScript("clean " + Quoted(dir_), &ignored);
}

bool SlapdServer::Stop(std::string* error) { return RunScript("stop " + Quoted(dir_), error); }

bool SlapdServer::Restart(std::string* error) {
  std::string out;
  if (RunScript("restart " + Quoted(dir_), &out) && out == url_) return true;
  *error = out;
  return false;
}

bool SlapdServer::Add(const std::string& ldif, std::string* error) {
  std::string path = dir_ + "/add.ldif";
  {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << ldif;
    if (!f) {
      *error = "cannot write " + path;
      return false;
    }
  }
  bool ok = RunScript("add " + Quoted(dir_) + " " + Quoted(path), error);
  unlink(path.c_str());
  return ok;
}

}  // namespace pkixtest
