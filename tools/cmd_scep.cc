// pkixtool scep gcim|gcm|gcrlm: the message data of the three SCEP queries
// (RFC 8894) for a certificate, built by the module's SCEPStructs:
// GetCertInitial (issuer and serial number), GetCert (issuer and subject),
// GetCRL (issuer and serial number with a CRL distribution points
// extension).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "asn/scepstructs.h"
#include "contract/service_ids.h"
#include "tools/commands.h"
#include "tools/tool_objects.h"
#include "tools/tool_util.h"

namespace pkixtool {
namespace {

enum class Query { kGcim, kGcm, kGcrlm };

struct QueryName {
  const char* word;
  Query query;
};
const QueryName kQueries[] = {{"gcim", Query::kGcim}, {"gcm", Query::kGcm}, {"gcrlm", Query::kGcrlm}};

// Holds SCEPStructs (made with no reference) for the scope.
struct HeldScep {
  TSCEPStructs* p;
  NO_VPTR_CHECK explicit HeldScep(TSCEPStructs* s) : p(s) {
    if (p != nullptr) p->addReference();
  }
  NO_VPTR_CHECK ~HeldScep() {
    if (p != nullptr) p->remReference();
  }
};

// The distribution points extension of a certificate; null (with *why)
// when it has none.
NO_VPTR_CHECK TExtn* DistributionPoints(TCert* c, const std::string& path, std::string* why) {
  Own<TExtnList> list(c->getExtns());
  TExtn* dp = list ? list->get(TExtn::EXT_CRL_DP) : nullptr;
  if (dp == nullptr) *why = path + " has no CRL distribution points extension";
  return dp;
}

NO_VPTR_CHECK int Run(Context& ctx, Query q, const std::string& cert_path, const std::string& cdp_path,
                      const std::string& out_path) {
  std::string why;
  Acquired<TPkixService> service(ctx, pkixid::kCertService);
  if (!service) {
    std::fprintf(stderr, "pkixtool scep: the certificate service does not answer\n");
    return kExitFailed;
  }
  Octets der;
  if (!ReadOneCert("scep", cert_path, &der, &why)) {
    std::fprintf(stderr, "pkixtool scep: %s\n", why.c_str());
    return kExitFailed;
  }
  Own<TCert> cert(MakeCert(ctx, service.get(), cert_path, der, &why));
  if (!cert) {
    std::fprintf(stderr, "pkixtool scep: %s\n", why.c_str());
    return kExitFailed;
  }
  HeldScep scep(service->createTSCEPStructs());
  if (scep.p == nullptr) {
    std::fprintf(stderr, "pkixtool scep: the module makes no SCEP structures\n");
    return kExitFailed;
  }
  TBuf* made = nullptr;
  if (q == Query::kGcim) made = scep.p->encodeGCIM(cert.get());
  if (q == Query::kGcm) made = scep.p->encodeGCM(cert.get());
  if (q == Query::kGcrlm) {
    // The distribution points of CDP (a certificate), else of CERT itself.
    Own<TCert> other;
    TCert* holder = cert.get();
    std::string holder_path = cert_path;
    if (!cdp_path.empty()) {
      Octets cdp_der;
      if (!ReadOneCert("scep", cdp_path, &cdp_der, &why)) {
        std::fprintf(stderr, "pkixtool scep: %s\n", why.c_str());
        return kExitFailed;
      }
      other.reset(MakeCert(ctx, service.get(), cdp_path, cdp_der, &why));
      if (!other) {
        std::fprintf(stderr, "pkixtool scep: %s\n", why.c_str());
        return kExitFailed;
      }
      holder = other.get();
      holder_path = cdp_path;
    }
    Own<TExtn> dp(DistributionPoints(holder, holder_path, &why));
    if (!dp) {
      std::fprintf(stderr, "pkixtool scep: %s\n", why.c_str());
      return kExitFailed;
    }
    made = scep.p->encodeGCRLM(cert.get(), dp.get());
  }
  Own<TBuf> out(made);
  if (!out) {
    std::fprintf(stderr, "pkixtool scep: %s: no message data (%s)\n", cert_path.c_str(), CodeText(scep.p->error()).c_str());
    return kExitFailed;
  }
  if (out_path.empty()) {
    std::printf("%s\n", Hex(out->datap(), out->len()).c_str());
    return kExitOk;
  }
  if (!WriteWholeFile(out_path, out->datap(), out->len(), &why)) {
    std::fprintf(stderr, "pkixtool scep: %s\n", why.c_str());
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace

int RunScep(Context& ctx) {
  std::vector<std::string> rest;
  std::string out_path;
  for (size_t i = 0; i < ctx.args.size(); ++i) {
    if (ctx.args[i] == "-o") {
      if (i + 1 == ctx.args.size() || !out_path.empty()) return kExitUsage;
      out_path = ctx.args[++i];
      continue;
    }
    rest.push_back(ctx.args[i]);
  }
  if (rest.size() < 2 || rest.size() > 3) return kExitUsage;
  for (const QueryName& q : kQueries) {
    if (rest[0] != q.word) continue;
    if (rest.size() == 3 && q.query != Query::kGcrlm) return kExitUsage;
    return Run(ctx, q.query, rest[1], rest.size() == 3 ? rest[2] : std::string(), out_path);
  }
  return kExitUsage;
}

}  // namespace pkixtool
