#include <cstdio>

#include "tools/commands.h"

namespace pkixtool {

namespace {
struct ServiceRow {
  uint32_t id;
  const char* name;
};
const ServiceRow kServices[] = {
    {0x3f0007, "certificate service"},
    {0x3f0008, "key service"},
    {0x3f0009, "ASN.1 object service"},
    {0x3f000a, "algorithm conversion service"},
};
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
  return 0;
}

int RunDemo(Context& ctx) {
  std::printf("== pkixtool info\n");
  int rc = RunInfo(ctx);
  // A certificate of the sample PKI, and how two of them compare.
  const std::string certs = ctx.examples_dir + "/certs/";
  std::printf("\n== pkixtool cert show %sserver.der\n", certs.c_str());
  ctx.args = {certs + "server.der"};
  rc |= RunCertShow(ctx);
  std::printf("\n== pkixtool cert compare %sserver.der %srevoked.der\n", certs.c_str(), certs.c_str());
  ctx.args = {certs + "server.der", certs + "revoked.der"};
  rc |= RunCertCompare(ctx);
  return rc;
}

}  // namespace pkixtool
