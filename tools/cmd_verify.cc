// pkixtool verify: certification path validation through the certificate
// service's verifyPath.
//   verify --roots DIR|FILE [--untrusted FILE]... [--crl FILE]...
//          [--crl-check none|leaf|all] [--at TIME] [--policy OID]...
//          [--explicit-policy] [--inhibit-policy-mapping]
//          [--inhibit-any-policy] [--json] CERT
// Prints the chosen path, target first, and the verdict. With CRLs given,
// revocation is checked for every certificate unless --crl-check says
// otherwise. TIME is YYYYMMDDHHMMSSZ or @SECONDS; without it the module's
// clock decides. Exit 0 valid, 1 not valid (or unusable input), 2 usage.
#include <dirent.h>

#include <algorithm>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "cert/tcert.h"
#include "contract/service_ids.h"
#include "crl/tcrl.h"
#include "framework/cmn_rmutex.h"
#include "module/pkixsrv.h"
#include "path/pathtime.h"
#include "path/pathcodes.h"
#include "path/pkix_path.h"
#include "support/result_codes.h"
#include "tools/commands.h"
#include "tools/report.h"
#include "tools/tool_objects.h"
#include "tools/tool_util.h"

namespace pkixtool {
namespace {

const char kUsage[] =
    "verify --roots DIR|FILE [--untrusted FILE]... [--crl FILE]... [--crl-check none|leaf|all] [--at TIME] "
    "[--policy OID]... [--explicit-policy] [--inhibit-policy-mapping] [--inhibit-any-policy] [--json] CERT";

int Usage() {
  std::fprintf(stderr, "usage: pkixtool %s\n", kUsage);
  return kExitUsage;
}

int Fail(const std::string& what) {
  std::fprintf(stderr, "pkixtool verify: %s\n", what.c_str());
  return kExitFailed;
}

struct Options {
  std::string roots, target;
  std::vector<std::string> untrusted, crls;
  std::vector<std::vector<unsigned char>> policies;
  pkix_path_params params{};
  bool json = false;
  bool crl_check_set = false;
};

// OID content octets of a dotted identifier; false when it is not one.
bool OidOf(const std::string& dotted, std::vector<unsigned char>* out) {
  std::vector<unsigned long> arcs;
  size_t start = 0;
  while (start <= dotted.size()) {
    size_t dot = dotted.find('.', start);
    std::string arc = dotted.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    if (arc.empty() || arc.find_first_not_of("0123456789") != std::string::npos || arc.size() > 9) return false;
    arcs.push_back(std::strtoul(arc.c_str(), nullptr, 10));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  if (arcs.size() < 2 || arcs[0] > 2 || (arcs[0] < 2 && arcs[1] > 39)) return false;
  std::vector<unsigned long> values{arcs[0] * 40 + arcs[1]};
  values.insert(values.end(), arcs.begin() + 2, arcs.end());
  out->clear();
  for (unsigned long v : values) {
    std::vector<unsigned char> chunk{static_cast<unsigned char>(v & 0x7F)};
    for (v >>= 7; v != 0; v >>= 7) chunk.insert(chunk.begin(), static_cast<unsigned char>(0x80 | (v & 0x7F)));
    out->insert(out->end(), chunk.begin(), chunk.end());
  }
  return true;
}

// YYYYMMDDHHMMSSZ or @SECONDS.
bool TimeOf(const std::string& text, int64_t* out) {
  if (!text.empty() && text[0] == '@') {
    if (text.size() < 2 || text.find_first_not_of("0123456789", 1) != std::string::npos || text.size() > 19) return false;
    *out = std::strtoll(text.c_str() + 1, nullptr, 10);
    return true;
  }
  return pkixpath::parseTime(pkixpath::kGeneralizedTimeTag, reinterpret_cast<const uint8_t*>(text.data()), text.size(), out);
}

// The arguments into *o; false for a usage error.
bool ParseArgs(const std::vector<std::string>& args, Options* o) {
  o->params.use_clock = 1;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool has_value = i + 1 < args.size();
    if (a == "--roots" && has_value && o->roots.empty()) {
      o->roots = args[++i];
    } else if (a == "--untrusted" && has_value) {
      o->untrusted.push_back(args[++i]);
    } else if (a == "--crl" && has_value) {
      o->crls.push_back(args[++i]);
    } else if (a == "--crl-check" && has_value && !o->crl_check_set) {
      const std::string& v = args[++i];
      o->crl_check_set = true;
      if (v == "none") {
        o->params.revocation = PKIX_REVOCATION_OFF;
      } else if (v == "leaf") {
        o->params.revocation = PKIX_REVOCATION_LEAF;
      } else if (v == "all") {
        o->params.revocation = PKIX_REVOCATION_ALL;
      } else {
        return false;
      }
    } else if (a == "--at" && has_value && o->params.use_clock != 0) {
      if (!TimeOf(args[++i], &o->params.at)) return false;
      o->params.use_clock = 0;
    } else if (a == "--policy" && has_value) {
      std::vector<unsigned char> oid;
      if (!OidOf(args[++i], &oid)) return false;
      o->policies.push_back(oid);
    } else if (a == "--explicit-policy") {
      o->params.explicit_policy = 1;
    } else if (a == "--inhibit-policy-mapping") {
      o->params.inhibit_policy_mapping = 1;
    } else if (a == "--inhibit-any-policy") {
      o->params.inhibit_any_policy = 1;
    } else if (a == "--json") {
      o->json = true;
    } else if (!a.empty() && a[0] != '-' && o->target.empty()) {
      o->target = a;
    } else {
      return false;
    }
  }
  if (!o->crl_check_set && !o->crls.empty()) o->params.revocation = PKIX_REVOCATION_ALL;
  return !o->roots.empty() && !o->target.empty();
}

// The files of --roots: a directory's regular files (in name order) or
// the one file.
std::vector<std::string> RootFiles(const std::string& roots) {
  std::vector<std::string> out;
  DIR* d = opendir(roots.c_str());
  if (d == nullptr) return {roots};
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != "..") out.push_back(roots + "/" + n);
  }
  closedir(d);
  std::sort(out.begin(), out.end());
  return out;
}

// Appends every certificate of path to list. From a directory of roots,
// files that hold none are skipped (skip_unusable); otherwise false.
NO_VPTR_CHECK bool AddCerts(Context& ctx, TPkixService* s, const std::string& path, TCertList* list,
                            bool skip_unusable, std::string* why) {
  std::vector<Block> blocks;
  if (!ReadObjects(path, kCertLabels, "certificate", &blocks, why)) return skip_unusable;
  for (const Block& b : blocks) {
    Own<TCert> c(MakeCert(ctx, s, path, b.der, why));
    if (!c) {
      if (skip_unusable) continue;
      return false;
    }
    list->append(c.get());
  }
  return true;
}

NO_VPTR_CHECK bool AddCrls(Context& ctx, TPkixService* s, const std::string& path, TCRLList* list, std::string* why) {
  std::vector<Block> blocks;
  if (!ReadObjects(path, {"X509 CRL"}, "CRL", &blocks, why)) return false;
  Acquired<X509CmnSrv_I> buffers(ctx, pkixid::kBuffers);
  if (!buffers) {
    *why = "the host offers no buffer service";
    return false;
  }
  for (const Block& b : blocks) {
    Own<TBuf> in(buffers->createTBuf(b.der.data(), static_cast<unsigned>(b.der.size())));
    Own<TCRL> crl(in ? s->createTCRL(TCert::CF_X509, in.get()) : nullptr);
    if (!crl) {
      *why = path + ": not a CRL the module can use";
      return false;
    }
    list->append(crl.get());
  }
  return true;
}

NO_VPTR_CHECK std::string SubjectOf(TCert* c) {
  Own<TName> n(c->getName(kSubjectDN));
  if (!n) return "(no subject)";
  return Text(n->getPrintable(TName::PRN_LOSSY));  // Text takes the buffer's reference
}

NO_VPTR_CHECK void PrintVerdict(const Options& o, const pkix_path_verdict& v, TCertList* chosen) {
  std::vector<std::string> subjects;
  for (TCert* c = chosen->getFirst(); c != nullptr; c = chosen->getNext()) {
    Own<TCert> held(c);
    subjects.push_back(SubjectOf(c));
  }
  const char* kListNames[] = {"target", "untrusted", "anchor"};
  if (o.json) {
    Report out;
    out["valid"] = v.code == 0;
    out["code"] = v.code;
    out["verdict"] = pkixpath::verdictText(v.code);
    out["depth"] = v.depth;
    out["path"] = Report::array();
    for (size_t i = 0; i < subjects.size(); ++i) {
      const char* from = i < v.path_len ? kListNames[v.path[i].list] : "untrusted";
      out["path"].push_back({{"depth", i}, {"from", from}, {"subject", subjects[i]}});
    }
    PrintJson(out);
    return;
  }
  for (size_t i = 0; i < subjects.size(); ++i) {
    const char* from = i < v.path_len ? kListNames[v.path[i].list] : "untrusted";
    std::printf("%zu: %s (%s)\n", i, subjects[i].c_str(), from);
  }
  if (v.code == 0) {
    std::printf("verdict: valid\n");
  } else {
    std::printf("verdict: not valid: %s (depth %d)\n", pkixpath::verdictText(v.code), v.depth);
  }
}

}  // namespace

NO_VPTR_CHECK int RunVerify(Context& ctx) {
  Options o;
  if (!ParseArgs(ctx.args, &o)) return Usage();
  o.json = o.json || ctx.json;
  o.params.policy_count = static_cast<unsigned>(o.policies.size());
  std::vector<pkix_der> policy_ders;
  for (const std::vector<unsigned char>& p : o.policies) policy_ders.push_back(pkix_der{p.data(), static_cast<unsigned>(p.size())});
  o.params.policies = policy_ders.data();

  Acquired<TPkixService> s(ctx, pkixid::kCertService);
  if (!s) return Fail("the module offers no certificate service");
  GuardLockVar g(ctx.module->guard());
  std::string why;
  Octets target_der;
  if (!ReadOneCert("verify", o.target, &target_der, &why)) return Fail(why);
  Own<TCert> target(MakeCert(ctx, s.get(), o.target, target_der, &why));
  if (!target) return Fail(why);
  Own<TCertList> anchors(s->createTCertList()), untrusted(s->createTCertList()), chosen(s->createTCertList());
  Own<TCRLList> crls(s->createTCRLList());
  if (!anchors || !untrusted || !chosen || !crls) return Fail(CodeText(pkixrc::kNoMemory));
  std::vector<std::string> roots = RootFiles(o.roots);
  bool from_dir = roots.size() != 1 || roots[0] != o.roots;
  for (const std::string& f : roots) {
    if (!AddCerts(ctx, s.get(), f, anchors.get(), from_dir, &why)) return Fail(why);
  }
  if (anchors->isEmpty()) return Fail(o.roots + ": no trust anchor");
  for (const std::string& f : o.untrusted) {
    if (!AddCerts(ctx, s.get(), f, untrusted.get(), false, &why)) return Fail(why);
  }
  for (const std::string& f : o.crls) {
    if (!AddCrls(ctx, s.get(), f, crls.get(), &why)) return Fail(why);
  }
  pkix_path_verdict v{};
  int rc = s->verifyPath(target.get(), untrusted.get(), anchors.get(), crls.get(), &o.params, &v, chosen.get());
  PrintVerdict(o, v, chosen.get());
  return rc == 0 ? kExitOk : kExitFailed;
}

}  // namespace pkixtool
