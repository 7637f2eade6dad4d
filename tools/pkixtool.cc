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
    {"info", "", "info                      module identifier and the services that answer", RunInfo,
     "Loads the module and prints its identifier and which of its services answer."},
    {"demo", "", "demo [EXAMPLES_DIR]       every step over the sample PKI", RunDemo,
     "Runs every demonstration step over the sample PKI (examples/ by default)."},
    {"name", "encode", "name encode TEXT          the DER of a name written as text, in hex", RunNameEncode,
     "Encodes a distinguished name written as text (\"C=DE, O=Example, CN=gw1\") and prints its DER in hex."},
    {"name", "print", "name print HEX-OR-FILE [--norm] [--json]  a DER name as text", RunNamePrint,
     "Prints a DER name, given as a file or as hex digits, as text; --norm prints it normalised for comparison.",
     true},
    {"name", "compare", "name compare A B          how two names relate (equal, within, overlap)", RunNameCompare,
     "Prints how two names written as text relate: equal, within, contains, overlap or different."},
    {"cert", "show", "cert show FILE [--json]   a certificate's fields (DER or PEM)", RunCertShow,
     "Prints a certificate's fields: version, serial number (hex), issuer, subject, validity as the certificate\n"
     "states it (with a note when the module's own record differs), public key, signature algorithm,\n"
     "fingerprints, every extension with its value, and the module's verdict on it now.",
     true},
    {"cert", "compare", "cert compare A B          equal, same issuer and serial, similar", RunCertCompare,
     "Prints whether two certificates are equal, share issuer and serial number, and whether the first fits\n"
     "the second as a template."},
    {"cert", "verify", "cert verify CERT ISSUER [--json]  CERT's signature under ISSUER's key", RunCertVerify,
     "Checks CERT's signature with ISSUER's public key: \"signature OK\" (exit 0) or\n"
     "\"signature FAILED (code N: reason)\" (exit 1).",
     true},
    {"cert", "bundle", "cert bundle [-o OUT] FILE...  a PKCS #7 certificate set", RunCertBundle,
     "Writes a PKCS #7 certificate set of every certificate of the files (to OUT, or standard output)."},
    {"cert", "unbundle", "cert unbundle FILE [PREFIX]   the certificates of a set", RunCertUnbundle,
     "Lists the certificates of a PKCS #7 set; with PREFIX, writes them as PREFIX1.der, PREFIX2.der ..."},
    {"cert", "check", "cert check CERT CRL... [--issuer CA] [--json]  whether the lists revoke CERT", RunCertCheck,
     "Prints whether one of the CRLs revokes CERT (when, why). With --issuer, a list whose signature does\n"
     "not verify under CA's key is reported and not used. Exit 0 when not revoked, 1 when revoked or a\n"
     "list failed.",
     true},
    {"crl", "show", "crl show FILE [--all] [--json]  a CRL's fields and entries (DER or PEM)", RunCrlShow,
     "Prints a CRL's fields as it states them, its extensions with their meaning and its first entries\n"
     "(every entry with --all): serial, revocation date, reason.",
     true},
    {"crl", "verify", "crl verify CRL ISSUER [--json]  the CRL's signature under ISSUER's key", RunCrlVerify,
     "Checks the CRL's signature with ISSUER's public key: \"signature OK\" (exit 0) or\n"
     "\"signature FAILED (code N: reason)\" (exit 1).",
     true},
    {"crl", "bundle", "crl bundle [-o OUT] FILE...   a PKCS #7 CRL set", RunCrlBundle,
     "Writes a PKCS #7 CRL set of every CRL of the files (to OUT, or standard output)."},
    {"crl", "fetch", "crl fetch URL|CERT [-o DIR] [--server HOST[:PORT]]  CRLs from LDAP distribution points", RunCrlFetch,
     "Fetches the CRLs an ldap:// URL names, or those of a certificate's distribution points, from the directory\n"
     "server; writes them into DIR (default: the current folder) and prints what was fetched."},
    {"crl", "unbundle", "crl unbundle FILE [PREFIX]    the CRLs of a set", RunCrlUnbundle,
     "Lists the CRLs of a PKCS #7 set; with PREFIX, writes them as PREFIX1.der, PREFIX2.der ..."},
    {"crl", "create",
     "crl create --issuer CERT --key KEY [--next-days N] [--revoke SERIAL[:REASON[:DATE]]]... [--crl-number N] [--idp URI] [--now DATE] -o OUT [--pem]  a new signed CRL",
     RunCrlCreate,
     "Encodes and signs a new CRL through the module with the issuer certificate and its private key: this\n"
     "update now (or --now), next update N days later (default 30), the revoked serials (hex) with optional\n"
     "reason names and dates, a CRL number and an issuing distribution point URI. DER, or PEM with --pem."},
    {"crl", "revoke", "crl revoke CRL SERIAL[:REASON]... --issuer CERT --key KEY [--now DATE] -o OUT [--pem]  the next CRL",
     RunCrlRevoke,
     "Issues the next CRL after CRL: its entries plus the new serials, CRL number + 1, signed with KEY. Exit 1\n"
     "when the module does not accept the new list as the old one's successor."},
    {"scep", "", "scep gcim|gcm|gcrlm CERT [CDP] [-o OUT]  message data of a SCEP query", RunScep,
     "Prints in hex (or writes to OUT) the message data of a SCEP query for CERT, built by the module:\n"
     "gcim GetCertInitial (issuer and subject), gcm GetCert (issuer and serial), gcrlm GetCRL (issuer,\n"
     "serial and the CRL distribution points of CDP, a certificate, or of CERT itself)."},
    {"asn", "dump", "asn dump FILE             the element tree of a DER or PEM file", RunAsnDump,
     "Prints the element tree of any DER (or PEM) file: offset, depth, header and content lengths, tag,\n"
     "and the value of primitive elements, object identifiers as dotted text with their names."},
    {"key", "show", "key show FILE [--json]    a key (DER or PEM): kind, algorithm, size, attributes", RunKeyShow,
     "Prints a key, public or private, DER or PEM: kind, algorithm, size in bits, vendor and every\n"
     "attribute in hex.",
     true},
    {"verify", "",
     "verify --roots DIR|FILE [--untrusted F]... [--crl F]... [--crl-check none|leaf|all] [--at TIME] [--policy OID]... [--explicit-policy] [--inhibit-policy-mapping] [--inhibit-any-policy] [--json] CERT  path validation",
     RunVerify,
     "Builds and validates a certification path from CERT to one of the trusted roots (RFC 5280), with the\n"
     "untrusted intermediates and the CRLs given; prints the chosen path and the verdict. Exit 0 valid,\n"
     "1 not valid (the first failure and the certificate at fault are printed).",
     true},
};

// What every exit status means, for --help and the manual page.
const char kExitText[] =
    "exit status:\n"
    "  0  done (verify: the signature verifies; cert check: not revoked)\n"
    "  1  failed: unusable input, a signature that does not verify, a revoked certificate\n"
    "  2  wrong arguments (a usage line is printed)\n"
    "  3  an input file cannot be read (absent, no permission, a directory, over the input limit)\n";

std::string SelfDir() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  path[n] = '\0';
  std::string s(path);
  size_t slash = s.rfind('/');
  return slash == std::string::npos ? "." : s.substr(0, slash);
}

// The module beside the tool, unless PKIX_MODULE names one: in the build
// tree bin/../lib, installed the library directory of the prefix.
std::string ModulePath() {
  const char* env = std::getenv("PKIX_MODULE");
  if (env != nullptr && *env != '\0') return env;
  std::string built = SelfDir() + "/../lib/libpkix.so";
  std::string installed = SelfDir() + "/" PKIX_TOOL_LIBDIR_FROM_BIN "/libpkix.so";
  return access(built.c_str(), F_OK) == 0 ? built : installed;
}

// The whole usage: every command and the exit statuses, on out.
void PrintUsage(FILE* out) {
  std::fprintf(out,
               "usage: pkixtool COMMAND [ARGS]\n       pkixtool [COMMAND] --help\n       pkixtool --list-commands\n"
               "commands:\n");
  for (const Command& c : kCommands) std::fprintf(out, "  %s\n", c.usage);
  std::fprintf(out, "%s", kExitText);
  std::fprintf(out,
               "input files are read up to %zuM octets; %s=N[K|M|G] sets another limit\n"
               "PKIX_MODULE names the module to load (default: ../lib/libpkix.so beside the tool)\n",
               kDefaultMaxInput >> 20, kMaxInputVariable);
}

int Usage() {
  PrintUsage(stderr);
  return kExitUsage;
}

bool IsHelp(const char* arg) { return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0; }

// "pkixtool --help", "pkixtool GROUP --help", "pkixtool GROUP NAME --help":
// the help asked for on standard output; "pkixtool --list-commands": every
// command ("cert show"), one a line. -1 when argv asks for none.
int Help(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--list-commands") == 0) {
    for (const Command& c : kCommands) std::printf("%s%s%s\n", c.group, c.name[0] != '\0' ? " " : "", c.name);
    return kExitOk;
  }
  bool asked = false;
  for (int i = 1; i < argc; ++i) asked = asked || IsHelp(argv[i]);
  if (!asked) return -1;
  if (argc == 2 || std::strcmp(argv[1], "help") == 0 || IsHelp(argv[1])) {
    PrintUsage(stdout);
    return kExitOk;
  }
  const char* name = argc > 2 && !IsHelp(argv[2]) ? argv[2] : "";
  bool found = false;
  for (const Command& c : kCommands) {
    if (std::strcmp(argv[1], c.group) != 0) continue;
    if (*name != '\0' && c.name[0] != '\0' && std::strcmp(name, c.name) != 0) continue;
    found = true;
    std::printf("usage: pkixtool %s\n", c.usage);
    if (c.help != nullptr) std::printf("%s\n", c.help);
    if (c.json) std::printf("--json prints one JSON object instead of text (keys: README.md, \"JSON output\").\n");
  }
  if (!found) return Usage();
  std::printf("%s", kExitText);
  return kExitOk;
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
  int help = Help(argc, argv);
  if (help >= 0) return help;
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
  for (int i = consumed; i < argc; ++i) {
    if (cmd->json && std::strcmp(argv[i], "--json") == 0) {
      ctx.json = true;
    } else {
      ctx.args.emplace_back(argv[i]);
    }
  }
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
  // A command that failed because an input file could not be read says so.
  return rc == kExitFailed && InputUnreadable() ? kExitInput : rc;
}
