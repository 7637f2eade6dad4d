// The command-line tool's commands. Each command runs with the module
// loaded through the host and returns the process exit code.
#ifndef PKIX_TOOLS_COMMANDS_H_
#define PKIX_TOOLS_COMMANDS_H_

#include <string>
#include <vector>

#include "host/host.h"

namespace pkixtool {

// Exit codes of every command.
constexpr int kExitOk = 0;      // done; for cert verify and crl verify, the signature
                                // verifies; for cert check, the certificate is not revoked
constexpr int kExitFailed = 1;  // the command failed (unreadable or unusable input, a
                                // write that failed), a signature does not verify, or
                                // cert check found the certificate revoked
constexpr int kExitUsage = 2;   // wrong arguments: a usage line is printed
constexpr int kExitInput = 3;   // an input file cannot be read (absent, no
                                // permission, a directory, over the input limit)

struct Context {
  pkixhost::Host* host;
  pkixhost::LoadedModule* module;
  std::vector<std::string> args;  // after the command word(s)
  std::string examples_dir;       // the sample PKI
  bool json = false;              // --json given: one JSON object per input
};

struct Command {
  const char* group;  // "info", "cert", "key", ...
  const char* name;   // second word, or "" for a one-word command
  const char* usage;
  int (*run)(Context& ctx);
  // What the command does, for "pkixtool GROUP NAME --help" (after the
  // usage line); null when the usage line says it all.
  const char* help = nullptr;
  // Whether the command takes --json (the tool then removes it from the
  // arguments and sets Context::json).
  bool json = false;
};

// Prints the module's identifier and which of its services answer.
int RunInfo(Context& ctx);
// Runs every demonstration step over the sample PKI.
int RunDemo(Context& ctx);
// The demonstration's directory step (a private server from
// scripts/slapd-test; skipped, exit 0, when slapd is missing).
int DemoDirectory(Context& ctx);
// Prints the DER of a name written as text, in hex.
int RunNameEncode(Context& ctx);
// Prints a DER name (hex or a file) as text, normalised with --norm.
int RunNamePrint(Context& ctx);
// Prints how two names written as text relate: equal, within, contains,
// overlap or different.
int RunNameCompare(Context& ctx);

// Certificate files are DER (one certificate and nothing after it) or PEM
// (blocks of other kinds are skipped; the first certificate is used, with a
// note when there are more, except by bundle, which takes them all).

// Prints a certificate's fields (DER or PEM file): serial number, dates
// and extensions as the DER states them, algorithms by name, every
// extension's value; with --json, one JSON object (README.md lists the keys).
int RunCertShow(Context& ctx);
// Prints whether two certificates are equal, share issuer and serial, and
// whether the first fits the second as a template.
int RunCertCompare(Context& ctx);
// Checks the first certificate's signature with the second's public key:
// prints "signature OK" (exit 0) or "signature FAILED (code N: reason)"
// (exit 1).
int RunCertVerify(Context& ctx);
// Writes a PKCS #7 certificate set of every certificate of the files.
int RunCertBundle(Context& ctx);
// Lists (and with a prefix writes) the certificates of a set.
int RunCertUnbundle(Context& ctx);

// Revocation lists are DER (one list and nothing after it) or PEM (blocks
// labelled X509 CRL; the others are skipped).

// Prints a list's fields, its extensions with their meaning and its first
// entries (every entry with --all): serial, revocation date, reason; with
// --json, one JSON object holding every entry.
int RunCrlShow(Context& ctx);
// Validates a certification path from CERT to a trust anchor (with
// candidate intermediates and CRLs); prints the chosen path and the
// verdict. Exit 0 valid, 1 not valid, 2 usage.
int RunVerify(Context& ctx);
// The demonstration's path validation step over the sample PKI; exit 0
// when each path gets the verdict the sample intends.
int DemoPath(Context& ctx);
// Checks a list's signature with a certificate's public key: prints
// "signature OK" (exit 0) or "signature FAILED (code N: reason)" (exit 1).
int RunCrlVerify(Context& ctx);
// Writes a PKCS #7 CRL set of every list of the files.
int RunCrlBundle(Context& ctx);
// Lists (and with a prefix writes) the lists of a set.
int RunCrlUnbundle(Context& ctx);
// Prints whether the lists revoke a certificate (when, why); with
// --issuer, lists whose signature does not verify are reported and not
// used. Exit 0 when not revoked, 1 when revoked or a list failed.
int RunCertCheck(Context& ctx);

// Fetches the revocation lists an "ldap://" URL or a certificate's
// distribution points name from the directory (--server HOST[:PORT] for
// points given as directory names); prints one line per list and with
// -o DIR writes them as DIR/crl-N.der. Exit 0 when at least one list came.
int RunCrlFetch(Context& ctx);
// cert check's "--fetch": fetches the certificate's lists (as crl fetch),
// then runs check with them in place of named list files. Without --fetch
// runs check unchanged.
int WithFetchedCrls(Context& ctx, int (*check)(Context&));
// Encodes and signs a new list through the module (crl create), or the
// next issue of a list with more entries and CRL number + 1 (crl revoke,
// exit 1 when the module does not take it for a successor).
int RunCrlCreate(Context& ctx);
int RunCrlRevoke(Context& ctx);
// The demonstration's step: a list issued by the sub CA, verified, and the
// revoked sample certificate checked against it.
int DemoCrlCreate(Context& ctx, const std::string& certs);

// Prints a key (DER or PEM file, public or private): kind, algorithm, size
// in bits, vendor and every attribute in hex; with --json, one JSON object.
int RunKeyShow(Context& ctx);

// Prints the element tree of a DER file (or of the first PEM block): one
// line per element with offset, depth, header and content lengths, tag and
// the value of primitive kinds. Exit 1 for input that is not DER.
int RunAsnDump(Context& ctx);
// Prints (hex, or to a file with -o) the message data of a SCEP query for a
// certificate: gcim issuer and serial number, gcm issuer and subject, gcrlm
// issuer and serial number with the CRL distribution points of CDP (a
// certificate; CERT's own when omitted).
int RunScep(Context& ctx);
// The demonstration step: the SCEP message data of a sample certificate.
int DemoScep(Context& ctx);

}  // namespace pkixtool

#endif  // PKIX_TOOLS_COMMANDS_H_
