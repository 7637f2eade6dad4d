// pkixtool name: distinguished names through the loaded module.
//   encode TEXT               the DER of a name written as text, in hex
//   print HEX-OR-FILE [--norm] [--json]
//                             the text of a DER name (normalised with --norm)
//   compare A B               how two names (text) relate
// encode uses the module's exported x509_enc_name and print the support
// library's x509_parse_name; the normalised print and compare use name
// objects made by the module's certificate service.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "contract/service_ids.h"
#include "contract/x509asn.h"
#include "framework/cmn_rmutex.h"
#include "module/pkixsrv.h"
#include "name/tname.h"
#include "support/result_codes.h"
#include "tools/commands.h"
#include "tools/report.h"
#include "tools/tool_util.h"

namespace pkixtool {
namespace {

using Bytes = std::string;
using EncNameFn = int (*)(Buffer*, Buffer*, unsigned char);

int Fail(const std::string& what) {
  std::fprintf(stderr, "pkixtool name: %s\n", what.c_str());
  return kExitFailed;
}

int UsageOf(const char* usage) {
  std::fprintf(stderr, "usage: pkixtool name %s\n", usage);
  return kExitUsage;
}

// The DER named by arg: a file's octets when arg names anything that
// exists, else hex digits. The DER must be one element with nothing after
// it. False with *why when the file cannot be read, arg is neither, or
// octets are left over.
bool ReadDer(const std::string& arg, Bytes* der, std::string* why) {
  struct stat st;
  std::string source = arg;
  if (stat(arg.c_str(), &st) == 0) {
    if (!ReadWholeFile(arg, der, why)) return false;
  } else if (FromHex(arg, der)) {
    source = "hex \"" + Excerpt(arg, 24) + "\"";
  } else {
    *why = "\"" + Excerpt(arg, 24) + "\" is neither a file nor pairs of hex digits";
    return false;
  }
  return CheckOneElement(source, reinterpret_cast<const unsigned char*>(der->data()), der->size(), "name", why);
}

// x509_enc_name of the module over text.
int EncodeText(Context& ctx, const std::string& text, Bytes* der) {
  auto enc = reinterpret_cast<EncNameFn>(ctx.module->symbol("x509_enc_name"));
  if (enc == nullptr) return Fail("the module exports no x509_enc_name");
  Buffer in, out;
  set_buffer(&in, static_cast<uint32_t>(text.size()), reinterpret_cast<const unsigned char*>(text.data()));
  int rc;
  {
    GuardLockVar g(ctx.module->guard());
    rc = enc(&in, &out, 0);
  }
  if (rc == 0) der->assign(reinterpret_cast<const char*>(out.data), out.len);
  release_buffer(&out);
  if (rc != 0) return Fail("cannot encode \"" + Excerpt(text) + "\": " + CodeText(rc));
  return kExitOk;
}

// Name objects live in the module, whose object base the tool does not
// link: calls into them get no sanitizer dynamic-type check (its data would
// name the base's type information).
#define NO_VPTR_CHECK __attribute__((no_sanitize("vptr")))

using NameUse = int (*)(Context& ctx, std::vector<TName*>& names);

// Runs use over name objects the certificate service makes from the DERs,
// with the module's guard raised, and releases them.
NO_VPTR_CHECK int WithNames(Context& ctx, const std::vector<Bytes>& ders, NameUse use) {
  Acquired<TPkixService> service(ctx, pkixid::kCertService);
  if (!service) return Fail("the module offers no certificate service, which makes name objects");
  GuardLockVar g(ctx.module->guard());
  std::vector<TName*> names;
  int rc = kExitOk;
  for (const Bytes& der : ders) {
    TName* n = service.get()->createTName(TName::NAME_NONE, reinterpret_cast<const unsigned char*>(der.data()),
                                          static_cast<unsigned>(der.size()));
    if (n == nullptr) {
      std::string hex = Hex(reinterpret_cast<const unsigned char*>(der.data()), der.size());
      rc = Fail("not a name the module can use: " + Excerpt(hex));
      break;
    }
    names.push_back(n);
  }
  if (rc == kExitOk) rc = use(ctx, names);
  for (TName* n : names) n->release();
  return rc;
}

std::string TextOf(TBuf* b) {
  std::string s(reinterpret_cast<const char*>(b->datap()), b->len());
  b->release();
  if (!s.empty() && s.back() == '\0') s.pop_back();
  return s;
}

// The name's text: as it stands, or with --json one object {source, name,
// normalised}.
void PrintName(const Context& ctx, const std::string& text, bool normalised) {
  if (ctx.json) {
    std::string source;  // the argument that is not --norm
    for (const std::string& a : ctx.args) {
      if (a != "--norm") source = a;
    }
    PrintJson(Report{{"source", source}, {"name", text}, {"normalised", normalised}});
  } else {
    std::printf("%s\n", text.c_str());
  }
}

NO_VPTR_CHECK int PrintNormalised(Context& ctx, std::vector<TName*>& names) {
  TBuf* text = names[0]->getPrintable(TName::PRN_NORM | TName::PRN_LOSSY);
  if (text == nullptr) return Fail("cannot print the name: " + CodeText(names[0]->error()));
  PrintName(ctx, TextOf(text), true);
  return kExitOk;
}

NO_VPTR_CHECK int PrintRelation(Context& ctx, std::vector<TName*>& names) {
  TName& a = *names[0];
  TName& b = *names[1];
  const char* verdict = "different";
  if (a == b) {
    verdict = "equal";
  } else if (a << b) {
    verdict = "within (A lies in the subtree B names)";
  } else if (b << a) {
    verdict = "contains (B lies in the subtree A names)";
  } else if (a.doesContainSmth(&b)) {
    verdict = "overlap (an RDN in common)";
  }
  std::printf("%s\n", verdict);
  return kExitOk;
}

int Encode(Context& ctx) {
  if (ctx.args.size() != 1) return UsageOf("encode TEXT");
  Bytes der;
  if (int rc = EncodeText(ctx, ctx.args[0], &der)) return rc;
  std::printf("%s\n", Hex(reinterpret_cast<const unsigned char*>(der.data()), der.size()).c_str());
  return kExitOk;
}

int Print(Context& ctx) {
  bool norm = false;
  std::string source;
  for (const std::string& a : ctx.args) {
    if (a == "--norm") {
      norm = true;
    } else if (source.empty()) {
      source = a;
    } else {
      return UsageOf("print HEX-OR-FILE [--norm] [--json]");
    }
  }
  if (source.empty()) return UsageOf("print HEX-OR-FILE [--norm] [--json]");
  Bytes der;
  std::string why;
  if (!ReadDer(source, &der, &why)) return Fail(why);
  if (!norm) {
    Buffer in, text;
    set_buffer(&in, static_cast<uint32_t>(der.size()), reinterpret_cast<const unsigned char*>(der.data()));
    int rc = x509_parse_name(&in, &text, 1);
    if (rc < 0) return Fail("not a name: " + CodeText(rc));
    std::string printed = text.len != 0 ? reinterpret_cast<const char*>(text.data) : "";
    release_buffer(&text);
    PrintName(ctx, printed, false);
    return kExitOk;
  }
  return WithNames(ctx, {der}, PrintNormalised);
}

int Compare(Context& ctx) {
  if (ctx.args.size() != 2) return UsageOf("compare A B");
  Bytes da, db;
  if (int rc = EncodeText(ctx, ctx.args[0], &da)) return rc;
  if (int rc = EncodeText(ctx, ctx.args[1], &db)) return rc;
  return WithNames(ctx, {da, db}, PrintRelation);
}

}  // namespace

int RunNameEncode(Context& ctx) { return Encode(ctx); }
int RunNamePrint(Context& ctx) { return Print(ctx); }
int RunNameCompare(Context& ctx) { return Compare(ctx); }

}  // namespace pkixtool
