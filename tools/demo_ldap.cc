// The demonstration's directory step: a private directory server started
// with scripts/slapd-test, a revocation list fetched from it by URL, and a
// certificate checked against what came. Without slapd the step says so and
// is skipped.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/commands.h"

namespace pkixtool {
namespace {

// The sub CA's directory entry and the attribute its lists are under.
constexpr char kSubCaEntry[] = "/cn=Example%20Sub%20CA,ou=PKI,o=Example,c=DE?certificateRevocationList;binary";

// The first line a command prints, or "" when it fails.
std::string FirstLine(const std::string& command) {
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return "";
  char line[512] = {0};
  bool got = std::fgets(line, sizeof line, p) != nullptr;
  int status = pclose(p);
  if (!got || status != 0) return "";
  std::string s(line);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

// The server may still be opening its listener when the script returns: a
// few connection attempts on the URL's loopback port.
void WaitUntilListening(const std::string& url) {
  std::string::size_type colon = url.rfind(':');
  if (colon == std::string::npos) return;
  int port = std::atoi(url.c_str() + colon + 1);
  for (int attempt = 0; attempt < 40 && port > 0; ++attempt) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool up = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    if (fd >= 0) close(fd);
    if (up) return;
    usleep(50 * 1000);
  }
}

}  // namespace

int DemoDirectory(Context& ctx) {
  const std::string script = ctx.examples_dir + "/../scripts/slapd-test";
  std::printf("\n== directory: a private server, a CRL fetched by URL, a certificate checked\n");
  struct stat st;
  if (stat("/usr/sbin/slapd", &st) != 0 || access(script.c_str(), X_OK) != 0) {
    std::printf("slapd (or %s) is not available: the directory step is skipped\n", script.c_str());
    return kExitOk;
  }
  char dir_template[] = "/tmp/pkixtool-demo-slapd-XXXXXX";
  if (mkdtemp(dir_template) == nullptr) return kExitFailed;
  const std::string dir = dir_template;
  const std::string server = dir + "/server";
  const std::string url = FirstLine("'" + script + "' start '" + server + "' 2>/dev/null");
  int rc = kExitFailed;
  if (url.empty()) {
    std::printf("the directory server did not start: the directory step is skipped\n");
    rc = kExitOk;
  } else {
    WaitUntilListening(url);
    const std::string lists = dir + "/lists";
    mkdir(lists.c_str(), 0700);
    std::printf("== pkixtool crl fetch %s%s -o %s\n", url.c_str(), kSubCaEntry, lists.c_str());
    ctx.args = {url + kSubCaEntry, "-o", lists};
    rc = RunCrlFetch(ctx);
    const std::string certs = ctx.examples_dir + "/certs/";
    std::printf("== pkixtool cert check %srevoked.der %s/crl-*.der --issuer %ssub-ca.der   (revoked)\n",
                certs.c_str(), lists.c_str(), certs.c_str());
    ctx.args = {certs + "revoked.der"};
    for (int i = 1;; ++i) {
      std::string path = lists + "/crl-" + std::to_string(i) + ".der";
      if (stat(path.c_str(), &st) != 0) break;
      ctx.args.push_back(path);
    }
    ctx.args.insert(ctx.args.end(), {"--issuer", certs + "sub-ca.der"});
    if (rc == kExitOk && RunCertCheck(ctx) != kExitFailed) rc = kExitFailed;
  }
  int cleaned = std::system(("'" + script + "' clean '" + server + "' >/dev/null 2>&1; rm -rf '" + dir + "'").c_str());
  (void)cleaned;  // the step's outcome does not depend on the cleanup
  return rc;
}

}  // namespace pkixtool
