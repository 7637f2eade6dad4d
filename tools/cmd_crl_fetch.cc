// crl fetch and cert check --fetch: revocation lists fetched from directory
// (LDAP) distribution points through the module's distribution point
// objects and the host's directory service.
#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cert/crldp.h"
#include "cert/ldapdp.h"
#include "contract/ldap.h"
#include "contract/service_ids.h"
#include "contract/tbuf.h"
#include "crl/tcrl.h"
#include "tools/commands.h"
#include "tools/tool_objects.h"
#include "tools/tool_util.h"

namespace pkixtool {
namespace {

constexpr char kLdapScheme[] = "ldap://";
constexpr unsigned short kLdapPort = 389;

void Note(const char* group, const std::string& what) {
  std::fprintf(stderr, "pkixtool %s: %s\n", group, what.c_str());
}

bool IsLdapUrl(const std::string& s) {
  return s.size() >= sizeof kLdapScheme - 1 && strncasecmp(s.c_str(), kLdapScheme, sizeof kLdapScheme - 1) == 0;
}

// What fetch and check --fetch read from their arguments.
struct FetchArgs {
  std::string source;      // URL or certificate file
  std::string out_dir;     // -o DIR ("" : print only)
  std::string server;      // --server HOST[:PORT] for name points
};

// The lists fetched, in order, as DER, each with the point it came from.
struct Fetched {
  std::string point;
  Octets der;
};

// The module's factories through the certificate service, for
// collectDistributionPoints.
struct ServiceFactories {
  TPkixService* s;
  NO_VPTR_CHECK TExtn* createTExtn(TExtn::extn_t t) { return s->createTExtn(t); }
  NO_VPTR_CHECK TDPList* createTDPList() { return s->createTDPList(); }
};

// The points a URL or a certificate file names, in a new list; null with
// *why.
NO_VPTR_CHECK TDPList* PointsOf(Context& ctx, TPkixService* s, const std::string& source, std::string* why) {
  Own<TDPList> list(s->createTDPList());
  if (!list) return *why = "no distribution point list: " + CodeText(pkixrc::kNoMemory), nullptr;
  if (IsLdapUrl(source)) {
    Acquired<X509CmnSrv_I> buffers(ctx, pkixid::kBuffers);
    if (!buffers) return *why = "the host offers no buffer service", nullptr;
    Own<TBuf> url(buffers->createTBuf(reinterpret_cast<const unsigned char*>(source.data()),
                                      static_cast<unsigned>(source.size())));
    Own<TLDAPDP> dp(s->createTLDAPDP());
    if (!url || !dp) return *why = CodeText(pkixrc::kNoMemory), nullptr;
    int rc = dp->setURI(url.get());
    if (rc != pkixrc::kOk) return *why = Excerpt(source) + ": not an LDAP URL: " + CodeText(rc), nullptr;
    if (list->append(dp.get()) != pkixrc::kOk) return *why = CodeText(pkixrc::kNoMemory), nullptr;
    return list.release();
  }
  Octets der;
  if (!ReadOneCert("crl", source, &der, why)) return nullptr;
  Own<TCert> cert(MakeCert(ctx, s, source, der, why));
  if (!cert) return nullptr;
  Own<TCRLList> templates(cert->getCRLList());
  if (!templates) return *why = source + ": names no distribution point: " + CodeText(cert->error()), nullptr;
  ServiceFactories f{s};
  int code = pkixrc::kOk;
  TDPList* points = collectDistributionPoints(templates.get(), f, &code);
  if (points == nullptr) *why = source + ": cannot read its distribution points: " + CodeText(code);
  return points;
}

// "HOST[:PORT]" (an "ldap://" in front is allowed). False for an empty host
// or a port that is not a number from 1 to 65535.
bool ServerOf(const std::string& text, std::string* host, unsigned short* port) {
  std::string s = IsLdapUrl(text) ? text.substr(sizeof kLdapScheme - 1) : text;
  if (!s.empty() && s.back() == '/') s.pop_back();
  std::string::size_type colon = s.rfind(':');
  *port = kLdapPort;
  if (colon != std::string::npos) {
    std::string digits = s.substr(colon + 1);
    char* end = nullptr;
    unsigned long p = std::strtoul(digits.c_str(), &end, 10);
    if (digits.empty() || *end != '\0' || p == 0 || p > 65535) return false;
    *port = static_cast<unsigned short>(p);
    s = s.substr(0, colon);
  }
  *host = s;
  return !s.empty();
}

// Fetches every point of the list; the lists in *out. Each point that
// fails is noted. Returns the number of points that failed.
NO_VPTR_CHECK int FetchAll(const char* group, TDPList* points, std::vector<Fetched>* out) {
  int failed = 0;
  int n = 0;
  for (Own<TDP> dp(points->getFirst()); dp; dp.reset(points->getNext())) {
    const std::string name = "point " + std::to_string(++n);
    CMN_LdapCrlReq* req = dp->send();
    if (req == nullptr) {
      Note(group, name + ": no request could be formed: " + CodeText(dp->error()));
      ++failed;
      continue;
    }
    int rc = req->send(0, nullptr, 0);
    Own<TCRLList> crls(dp->responce());
    if (rc != pkixrc::kOk || !crls) {
      Note(group, name + ": the directory gave no list: " + CodeText(rc != pkixrc::kOk ? rc : dp->error()));
      ++failed;
      continue;
    }
    for (Own<TCRL> c(crls->getFirst()); c; c.reset(crls->getNext())) {
      Own<TBuf> der(c->getRaw(nullptr, nullptr));
      if (!der) continue;
      out->push_back({name, Octets(der->datap(), der->datap() + der->len())});
    }
  }
  return failed;
}

// Reads "SOURCE [-o DIR] [--server HOST[:PORT]]"; false on a usage error.
bool ParseFetchArgs(const std::vector<std::string>& args, FetchArgs* a) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& w = args[i];
    if ((w == "-o" || w == "--server") && i + 1 < args.size()) {
      std::string& slot = w == "-o" ? a->out_dir : a->server;
      if (!slot.empty()) return false;
      slot = args[++i];
    } else if (w.empty() || w[0] == '-' || !a->source.empty()) {
      return false;
    } else {
      a->source = w;
    }
  }
  return !a->source.empty();
}

// Fetches the lists a.source names. 0 with *out (at least one list); else
// the exit code, with the reason noted.
NO_VPTR_CHECK int Fetch(Context& ctx, const char* group, const FetchArgs& a, std::vector<Fetched>* out) {
  Acquired<TPkixService> s(ctx, pkixid::kCertService);
  if (!s) return Note(group, "the module offers no certificate service"), kExitFailed;
  Acquired<CMN_LdapClntSvc_Ext_I> dir(ctx, pkixid::kDirectory);
  if (!dir) return Note(group, "the host offers no directory service"), kExitFailed;
  if (!a.server.empty()) {
    std::string host;
    unsigned short port = 0;
    if (!ServerOf(a.server, &host, &port)) return Note(group, "--server wants HOST[:PORT]"), kExitUsage;
    int rc = dir->AddConnection(host.c_str(), port, nullptr);
    if (rc != pkixrc::kOk && rc != pkixrc::kAlreadyPresent) {
      return Note(group, "cannot use the server " + Excerpt(a.server) + ": " + CodeText(rc)), kExitFailed;
    }
  }
  GuardLockVar g(ctx.module->guard());
  std::string why;
  Own<TDPList> points(PointsOf(ctx, s.get(), a.source, &why));
  if (!points) return Note(group, why), kExitFailed;
  if (points->isEmpty()) return Note(group, a.source + ": names no LDAP distribution point"), kExitFailed;
  FetchAll(group, points.get(), out);
  if (out->empty()) return Note(group, "no revocation list was fetched"), kExitFailed;
  return kExitOk;
}

// Writes the lists as DIR/crl-N.der; the paths in *paths.
bool WriteAll(const std::string& dir, const std::vector<Fetched>& lists, std::vector<std::string>* paths,
              std::string* why) {
  for (size_t i = 0; i < lists.size(); ++i) {
    std::string path = dir + "/crl-" + std::to_string(i + 1) + ".der";
    if (!WriteWholeFile(path, lists[i].der.data(), lists[i].der.size(), why)) return false;
    paths->push_back(path);
  }
  return true;
}

}  // namespace

int RunCrlFetch(Context& ctx) {
  FetchArgs a;
  if (!ParseFetchArgs(ctx.args, &a)) {
    std::fprintf(stderr, "usage: pkixtool crl fetch URL|CERT [-o DIR] [--server HOST[:PORT]]\n");
    return kExitUsage;
  }
  std::vector<Fetched> lists;
  int rc = Fetch(ctx, "crl", a, &lists);
  if (rc != kExitOk) return rc;
  std::vector<std::string> paths;
  std::string why;
  if (!a.out_dir.empty() && !WriteAll(a.out_dir, lists, &paths, &why)) return Note("crl", why), kExitFailed;
  for (size_t i = 0; i < lists.size(); ++i) {
    std::printf("%s: %zu octets%s%s\n", lists[i].point.c_str(), lists[i].der.size(), paths.empty() ? "" : " -> ",
                paths.empty() ? "" : paths[i].c_str());
  }
  return kExitOk;
}

int WithFetchedCrls(Context& ctx, int (*check)(Context&)) {
  // Only "--fetch" (and its "--server") are taken here; the rest is the
  // check's own.
  std::vector<std::string> rest;
  FetchArgs a;
  bool fetch = false;
  for (size_t i = 0; i < ctx.args.size(); ++i) {
    if (ctx.args[i] == "--fetch") {
      fetch = true;
    } else if (ctx.args[i] == "--server" && i + 1 < ctx.args.size()) {
      a.server = ctx.args[++i];
    } else {
      rest.push_back(ctx.args[i]);
    }
  }
  if (!fetch) return check(ctx);
  if (rest.empty() || rest[0].empty() || rest[0][0] == '-') {
    std::fprintf(stderr, "usage: pkixtool cert check CERT --fetch [--server HOST[:PORT]] [--issuer CA]\n");
    return kExitUsage;
  }
  a.source = rest[0];
  std::vector<Fetched> lists;
  int rc = Fetch(ctx, "cert", a, &lists);
  if (rc != kExitOk) return rc;
  char dir_template[] = "/tmp/pkixtool-fetch-XXXXXX";
  if (mkdtemp(dir_template) == nullptr) return Note("cert", "cannot make a folder for the fetched lists"), kExitFailed;
  std::vector<std::string> paths;
  std::string why;
  int result = kExitFailed;
  if (WriteAll(dir_template, lists, &paths, &why)) {
    // CERT, the fetched lists, then the rest of the check's arguments.
    std::vector<std::string> args{rest[0]};
    args.insert(args.end(), paths.begin(), paths.end());
    args.insert(args.end(), rest.begin() + 1, rest.end());
    ctx.args = args;
    result = check(ctx);
  } else {
    Note("cert", why);
  }
  for (const std::string& p : paths) unlink(p.c_str());
  rmdir(dir_template);
  return result;
}

}  // namespace pkixtool
