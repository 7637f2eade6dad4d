// pkixtool cert: certificates through the loaded module.
//   show FILE [--json]      the fields of a certificate (DER or PEM)
//   compare A B             equal, same issuer and serial, similar
//   verify CERT ISSUER [--json]
//                           whether CERT's signature verifies under
//                           ISSUER's public key (exit 0 when it does)
//   bundle [-o OUT] FILE... a PKCS #7 certificate set of the files
//   unbundle FILE [PREFIX]  the certificates of a set (written as
//                           PREFIX1.der, PREFIX2.der, ... with a prefix)
// Every object is made by the certificate service and used through its
// interface, with the module's guard raised, as a client module would.
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cert/tcert.h"
#include "contract/service_ids.h"
#include "framework/cmn_rmutex.h"
#include "module/pkixsrv.h"
#include "support/result_codes.h"
#include "tools/cert_report.h"
#include "tools/commands.h"
#include "tools/tool_objects.h"
#include "tools/tool_util.h"

namespace pkixtool {
namespace {

int Fail(const std::string& what) {
  std::fprintf(stderr, "pkixtool cert: %s\n", what.c_str());
  return kExitFailed;
}

int UsageOf(const char* usage) {
  std::fprintf(stderr, "usage: pkixtool cert %s\n", usage);
  return kExitUsage;
}

void Note(const std::string& what) { std::fprintf(stderr, "pkixtool cert: %s\n", what.c_str()); }

// PEM label of a PKCS #7 certificate set.
const std::vector<std::string> kSetLabels = {"PKCS7"};

using CertUse = int (*)(Context& ctx, std::vector<TCert*>& certs);

// Runs use over the certificates the service makes from the files named
// by the arguments (exactly count of them), with the module's guard raised.
NO_VPTR_CHECK int WithCerts(Context& ctx, size_t count, const char* usage, CertUse use) {
  if (ctx.args.size() != count) return UsageOf(usage);
  std::vector<Octets> ders(count);
  std::string why;
  for (size_t i = 0; i < count; ++i) {
    if (!ReadOneCert("cert", ctx.args[i], &ders[i], &why)) return Fail(why);
  }
  Acquired<TPkixService> s(ctx, pkixid::kCertService);
  if (!s) return Fail("the module offers no certificate service");
  GuardLockVar g(ctx.module->guard());
  std::vector<Own<TCert>> held;
  std::vector<TCert*> certs;
  for (size_t i = 0; i < count; ++i) {
    held.emplace_back(MakeCert(ctx, s.get(), ctx.args[i], ders[i], &why));
    if (!held.back()) return Fail(why);
    certs.push_back(held.back().get());
  }
  return use(ctx, certs);
}

// cert show FILE [--json]: the report of the file's certificate, as text
// or as one JSON object.
NO_VPTR_CHECK int Show(Context& ctx) {
  if (ctx.args.size() != 1) return UsageOf("show FILE [--json]");
  const std::string& path = ctx.args[0];
  Octets der;
  std::string why;
  if (!ReadOneCert("cert", path, &der, &why)) return Fail(why);
  Acquired<TPkixService> s(ctx, pkixid::kCertService);
  if (!s) return Fail("the module offers no certificate service");
  GuardLockVar g(ctx.module->guard());
  Own<TCert> c(MakeCert(ctx, s.get(), path, der, &why));
  if (!c) return Fail(why);
  Report r = CertReport(ctx, c.get(), path, der);
  if (ctx.json) {
    PrintJson(r);
  } else {
    PrintCertReport(r);
  }
  return kExitOk;
}

NO_VPTR_CHECK int CompareTwo(Context& ctx, std::vector<TCert*>& certs) {
  TCert* a = certs[0];
  TCert* b = certs[1];
  std::printf("equal: %s\n", *a == *b ? "yes" : "no");
  std::printf("same issuer and serial: %s\n", a->areISNMatched(b) ? "yes" : "no");
  std::printf("similar (B as template): %s\n", a->isCertSimilar(b) ? "yes" : "no");
  return kExitOk;
}

// The first certificate's signature checked with the second's public key.
NO_VPTR_CHECK int VerifyFirstBySecond(Context& ctx, std::vector<TCert*>& certs) {
  return PrintSignatureVerdict(ctx, ctx.args[0], ctx.args[1], certs[0]->checkSign(certs[1]));
}

int Compare(Context& ctx) { return WithCerts(ctx, 2, "compare A B", CompareTwo); }
int Verify(Context& ctx) { return WithCerts(ctx, 2, "verify CERT ISSUER [--json]", VerifyFirstBySecond); }

NO_VPTR_CHECK int Bundle(Context& ctx) {
  const char* usage = "bundle [-o OUT] FILE...";
  std::string out_path;
  std::vector<std::string> files;
  if (!OutputAndFiles(ctx.args, &out_path, &files)) return UsageOf(usage);
  // Every certificate of every file, in order.
  std::vector<std::pair<std::string, Octets>> ders;
  std::string why;
  for (const std::string& f : files) {
    std::vector<Block> certs;
    if (!ReadObjects(f, kCertLabels, "certificate", &certs, &why)) return Fail(why);
    for (Block& b : certs) ders.emplace_back(f, std::move(b.der));
  }
  Acquired<TPkixService> s(ctx, pkixid::kCertService);
  if (!s) return Fail("the module offers no certificate service");
  GuardLockVar g(ctx.module->guard());
  Own<TCertList> l(s->createTCertList());
  if (!l) return Fail("no certificate list: " + CodeText(pkixrc::kNoMemory));
  for (const auto& d : ders) {
    Own<TCert> c(MakeCert(ctx, s.get(), d.first, d.second, &why));
    if (!c) return Fail(why);
    int rc = l->append(c.get());
    if (rc != pkixrc::kOk) return Fail("cannot add " + d.first + ": " + CodeText(rc));
  }
  Own<TBuf> set(l->getPKCS7Certificates());
  if (!set) return Fail("cannot encode the set: " + CodeText(l->error()));
  if (!WriteWholeFile(out_path, set->datap(), set->len(), &why)) return Fail(why);
  if (!out_path.empty()) std::printf("%zu certificates, %u octets written to %s\n", ders.size(), set->len(), out_path.c_str());
  return kExitOk;
}

NO_VPTR_CHECK int Unbundle(Context& ctx) {
  if (ctx.args.empty() || ctx.args.size() > 2) return UsageOf("unbundle FILE [PREFIX]");
  const std::string& path = ctx.args[0];
  std::vector<Block> sets;
  std::string why;
  if (!ReadObjects(path, kSetLabels, "certificate set", &sets, &why)) return Fail(why);
  if (sets.size() > 1) Note(path + " holds " + std::to_string(sets.size()) + " certificate sets; the first is used");
  const Octets& d = sets[0].der;
  Acquired<TPkixService> s(ctx, pkixid::kCertService);
  Acquired<X509CmnSrv_I> buffers(ctx, pkixid::kBuffers);
  if (!s || !buffers) return Fail("the module offers no certificate service");
  GuardLockVar g(ctx.module->guard());
  Own<TBuf> b(buffers->createTBuf(d.data(), static_cast<unsigned>(d.size())));
  Own<TCertList> l(s->createTCertList());
  if (!b || !l) return Fail("no buffer or list: " + CodeText(pkixrc::kNoMemory));
  int r = l->setPKCS7Certificates(b.get());
  if (r != pkixrc::kOk) return Fail(path + ": not a certificate set the module can use: " + CodeText(r));
  int n = 0;
  for (TCert* c = l->getFirst(); c != nullptr; c = l->getNext()) {
    Own<TCert> held(c);
    ++n;
    Own<TName> subject(c->getName(kSubjectDN));
    std::printf("%d: %s\n", n, subject ? Text(subject->getPrintable(TName::PRN_LOSSY)).c_str() : "(no subject)");
    if (ctx.args.size() == 2) {
      std::string out = ctx.args[1] + std::to_string(n) + ".der";
      Own<TBuf> raw(c->getRaw());
      if (!raw) return Fail("cannot write " + out + ": no DER: " + CodeText(c->error()));
      if (!WriteWholeFile(out, raw->datap(), raw->len(), &why)) return Fail(why);
    }
  }
  return kExitOk;
}

}  // namespace

int RunCertShow(Context& ctx) { return Show(ctx); }
int RunCertCompare(Context& ctx) { return Compare(ctx); }
int RunCertVerify(Context& ctx) { return Verify(ctx); }
int RunCertBundle(Context& ctx) { return Bundle(ctx); }
int RunCertUnbundle(Context& ctx) { return Unbundle(ctx); }

}  // namespace pkixtool
