// pkixtool info and demo: which services the loaded module answers with,
// and every step over the sample PKI.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "contract/service_ids.h"
#include "tools/commands.h"

namespace pkixtool {

namespace {
struct ServiceRow {
  uint32_t id;
  const char* name;
};
const ServiceRow kServices[] = {
    {pkixid::kCertService, "certificate service"},
    {pkixid::kKeyService, "key service"},
    {pkixid::kAsnService, "ASN.1 object service"},
    {pkixid::kAlgConversion, "algorithm conversion service"},
};
// The links of the sample chains (RSA with SHA-1, MD5 and SHA-384, DSA,
// ECDSA over P-256 and P-384): certificate, issuer, and whether its
// signature should verify (server-tampered has one bit flipped).
struct Link {
  const char* cert;
  const char* issuer;
  bool valid;
};
const Link kChain[] = {
    {"root-ca.der", "root-ca.der", true},    {"sub-ca.der", "root-ca.der", true},
    {"server.der", "sub-ca.der", true},      {"revoked.der", "sub-ca.der", true},
    {"md5-user.der", "sub-ca.der", true},    {"server-sha384.der", "sub-ca.der", true},
    {"dsa-user.der", "dsa-ca.der", true},    {"ec256-root.der", "ec256-root.der", true},
    {"ec256-sub.der", "ec256-root.der", true}, {"ec256-leaf.der", "ec256-sub.der", true},
    {"ec384-root.der", "ec384-root.der", true}, {"ec384-leaf-sha512.der", "ec384-root.der", true},
    {"server-tampered.der", "sub-ca.der", false},
};

// Each link through `cert verify`; 0 when every verdict is the expected one.
int VerifyChain(Context& ctx, const std::string& certs) {
  int rc = kExitOk;
  for (const Link& l : kChain) {
    std::printf("\n== pkixtool cert verify %s%s %s%s%s\n", certs.c_str(), l.cert, certs.c_str(), l.issuer,
                l.valid ? "" : "   (must fail)");
    std::fflush(stdout);
    ctx.args = {certs + l.cert, certs + l.issuer};
    bool ok = RunCertVerify(ctx) == kExitOk;
    if (ok != l.valid) {
      std::printf("unexpected verdict\n");
      rc = kExitFailed;
    }
  }
  return rc;
}

// The sample PKI's revocation list and what it says of two certificates:
// revoked.der is on it (keyCompromise), server.der is not.
constexpr const char* kCrlFile = "v2-reasons.der";
constexpr const char* kCrlIssuer = "sub-ca.der";
struct Revocation {
  const char* cert;
  bool revoked;
};
const Revocation kRevocations[] = {{"revoked.der", true}, {"server.der", false}};

// Prints the step's command line and runs it; false when its exit code
// is not the one expected.
bool Step(Context& ctx, const std::string& line, std::vector<std::string> args, int (*run)(Context&), int expected) {
  std::printf("\n== pkixtool %s\n", line.c_str());
  std::fflush(stdout);
  ctx.args = std::move(args);
  if (run(ctx) == expected) return true;
  std::printf("unexpected verdict\n");
  return false;
}

// The list shown, its signature checked against its issuer, and each
// certificate checked against it; 0 when every answer is the expected one.
int CheckRevocations(Context& ctx, const std::string& certs, const std::string& crls) {
  const std::string crl = crls + kCrlFile;
  const std::string issuer = certs + kCrlIssuer;
  bool ok = Step(ctx, "crl show " + crl, {crl}, RunCrlShow, kExitOk);
  ok = Step(ctx, "crl verify " + crl + " " + issuer, {crl, issuer}, RunCrlVerify, kExitOk) && ok;
  for (const Revocation& r : kRevocations) {
    const std::string cert = certs + r.cert;
    ok = Step(ctx, std::string("cert check ") + cert + " " + crl + " --issuer " + issuer +
                       (r.revoked ? "   (revoked)" : "   (not revoked)"),
              {cert, crl, "--issuer", issuer}, RunCertCheck, r.revoked ? kExitFailed : kExitOk) &&
         ok;
  }
  return ok ? kExitOk : kExitFailed;
}
}  // namespace

int RunInfo(Context& ctx) {
  std::printf("module %s\n", ctx.module->path().c_str());
  std::printf("module identifier: %u (0x%x)\n", ctx.module->id(), ctx.module->id());
  Tuint32ID requester(pkixhost::Host::kHostModuleID);
  for (const ServiceRow& row : kServices) {
    Tuint32ID id(row.id);
    CMN_GuardedRef* s = ctx.host->acquire(id, requester);
    std::printf("  0x%06x %-30s %s\n", row.id, row.name, s != nullptr ? "answers" : "not available");
    if (s != nullptr) ctx.host->release(id, requester);
  }
  return kExitOk;
}

int RunDemo(Context& ctx) {
  std::printf("== pkixtool info\n");
  int rc = RunInfo(ctx);
  // A certificate of the sample PKI, and how two of them compare.
  const std::string certs = ctx.examples_dir + "/certs/";
  std::printf("\n== pkixtool cert show %sserver.der\n", certs.c_str());
  ctx.args = {certs + "server.der"};
  if (RunCertShow(ctx) != kExitOk) rc = kExitFailed;
  std::printf("\n== pkixtool cert compare %sserver.der %srevoked.der\n", certs.c_str(), certs.c_str());
  ctx.args = {certs + "server.der", certs + "revoked.der"};
  if (RunCertCompare(ctx) != kExitOk) rc = kExitFailed;
  // The chain link by link, and the tampered certificate refused.
  if (VerifyChain(ctx, certs) != kExitOk) rc = kExitFailed;
  // Revocation: the sub CA's list, checked against its issuer first.
  if (CheckRevocations(ctx, certs, ctx.examples_dir + "/crl/") != kExitOk) rc = kExitFailed;
  if (DemoDirectory(ctx) != kExitOk) rc = kExitFailed;
  if (DemoPath(ctx) != kExitOk) rc = kExitFailed;
  // Issuing: a list the module encodes and signs, verified and used.
  if (DemoCrlCreate(ctx, certs) != kExitOk) rc = kExitFailed;
  // Enrolment: the message data of the SCEP queries for a certificate.
  if (DemoScep(ctx) != kExitOk) rc = kExitFailed;
  return rc;
}

}  // namespace pkixtool
