// pkixtool info and demo: which services the loaded module answers with,
// and every step over the sample PKI.
#include <cstdio>
#include <string>

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
  return rc;
}

}  // namespace pkixtool
