// pkixtool: loads the PKIX module through the host, as an application
// would, and runs one command against it.
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/commands.h"
#include "tools/tool_util.h"

namespace pkixtool {
namespace {

const Command kCommands[] = {
    {"info", "", "info                      module identifier and the services that answer", RunInfo},
    {"demo", "", "demo [EXAMPLES_DIR]       every step over the sample PKI", RunDemo},
    {"name", "encode", "name encode TEXT          the DER of a name written as text, in hex", RunNameEncode},
    {"name", "print", "name print HEX-OR-FILE [--norm]  a DER name as text", RunNamePrint},
    {"name", "compare", "name compare A B          how two names relate (equal, within, overlap)", RunNameCompare},
    {"cert", "show", "cert show FILE            a certificate's fields (DER or PEM)", RunCertShow},
    {"cert", "compare", "cert compare A B          equal, same issuer and serial, similar", RunCertCompare},
    {"cert", "verify", "cert verify CERT ISSUER   CERT's signature under ISSUER's key", RunCertVerify},
    {"cert", "bundle", "cert bundle [-o OUT] FILE...  a PKCS #7 certificate set", RunCertBundle},
    {"cert", "unbundle", "cert unbundle FILE [PREFIX]   the certificates of a set", RunCertUnbundle},
    {"cert", "check", "cert check CERT CRL... [--issuer CA]  whether the lists revoke CERT", RunCertCheck},
    {"crl", "show", "crl show FILE [--all]     a CRL's fields and entries (DER or PEM)", RunCrlShow},
    {"crl", "verify", "crl verify CRL ISSUER     the CRL's signature under ISSUER's key", RunCrlVerify},
    {"crl", "bundle", "crl bundle [-o OUT] FILE...   a PKCS #7 CRL set", RunCrlBundle},
    {"crl", "unbundle", "crl unbundle FILE [PREFIX]    the CRLs of a set", RunCrlUnbundle},
    {"crl", "create", "crl create --issuer CERT --key KEY [--next-days N] [--revoke SERIAL[:REASON[:DATE]]]... [--crl-number N] [--idp URI] [--now DATE] -o OUT [--pem]  a new signed CRL", RunCrlCreate},
    {"crl", "revoke", "crl revoke CRL SERIAL[:REASON]... --issuer CERT --key KEY [--now DATE] -o OUT [--pem]  the next CRL", RunCrlRevoke},
    {"scep", "", "scep gcim|gcm|gcrlm CERT [CDP] [-o OUT]  message data of a SCEP query", RunScep},
    {"asn", "dump", "asn dump FILE             the element tree of a DER or PEM file", RunAsnDump},
    {"key", "show", "key show FILE             a key (DER or PEM): kind, algorithm, size, attributes", RunKeyShow},
};

std::string SelfDir() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  path[n] = '\0';
  std::string s(path);
  size_t slash = s.rfind('/');
  return slash == std::string::npos ? "." : s.substr(0, slash);
}

// The module beside the tool (bin/../lib), unless PKIX_MODULE names one.
std::string ModulePath() {
  const char* env = std::getenv("PKIX_MODULE");
  if (env != nullptr && *env != '\0') return env;
  return SelfDir() + "/../lib/libpkix.so";
}

int Usage() {
  std::fprintf(stderr, "usage: pkixtool COMMAND [ARGS]\n");
  for (const Command& c : kCommands) std::fprintf(stderr, "  %s\n", c.usage);
  std::fprintf(stderr,
               "exit status: %d done (verify: the signature verifies; cert check: not revoked), %d failed\n"
               "(or revoked), %d wrong arguments\n"
               "input files are read up to %zuM octets; %s=N[K|M|G] sets another limit\n",
               kExitOk, kExitFailed, kExitUsage, kDefaultMaxInput >> 20, kMaxInputVariable);
  return kExitUsage;
}

const Command* Find(int argc, char** argv, int* consumed) {
  for (const Command& c : kCommands) {
    if (std::strcmp(argv[1], c.group) != 0) continue;
    if (c.name[0] == '\0') {
      *consumed = 2;
      return &c;
    }
    if (argc > 2 && std::strcmp(argv[2], c.name) == 0) {
      *consumed = 3;
      return &c;
    }
  }
  return nullptr;
}

}  // namespace
}  // namespace pkixtool

int main(int argc, char** argv) {
  using namespace pkixtool;
  if (argc < 2) return Usage();
  int consumed = 0;
  const Command* cmd = Find(argc, argv, &consumed);
  if (cmd == nullptr) return Usage();

  pkixhost::Host host;
  int code = 0;
  std::string path = ModulePath();
  pkixhost::LoadedModule* module = host.load(path, &code);
  if (module == nullptr) {
    std::fprintf(stderr, "pkixtool: cannot load %s: %s\n", path.c_str(), CodeText(code).c_str());
    return kExitFailed;
  }
  Context ctx{&host, module, {}, ""};
  for (int i = consumed; i < argc; ++i) ctx.args.emplace_back(argv[i]);
  const char* examples = std::getenv("PKIX_EXAMPLES");
  ctx.examples_dir = examples != nullptr ? examples : SelfDir() + "/../../../examples";
  if (std::strcmp(cmd->group, "demo") == 0 && !ctx.args.empty()) ctx.examples_dir = ctx.args[0];
  int rc = cmd->run(ctx);
  host.unload(module);
  // Text lost on the way out (a full disk, a closed pipe) is a failure.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "pkixtool: cannot write standard output: %s\n", std::strerror(errno));
    return kExitFailed;
  }
  return rc;
}
