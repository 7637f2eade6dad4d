// Certificates made by the certificate service for the tool's commands, and
// the words the tool prints for the module's numbers.
#include "tools/tool_objects.h"

#include <cstdio>
#include <ctime>

#include "cert/x509.h"
#include "contract/service_ids.h"
#include "support/result_codes.h"
#include "support/result_text.h"
#include "tools/der_kind.h"
#include "tools/oid_names.h"
#include "tools/report.h"

namespace pkixtool {

const std::vector<std::string> kCertLabels = {"CERTIFICATE", "X509 CERTIFICATE"};

namespace {

// What each extension kind means, by TExtn::extn_t.
const char* const kExtnMeaning[] = {
    "unrecognised extension",       "authority key identifier", "issuer alternative name",
    "CRL number",                   "delta CRL indicator",      "issuing distribution point",
    "reason code",                  "hold instruction code",    "invalidity date",
    "certificate issuer",           "subject key identifier",   "key usage",
    "subject alternative name",     "basic constraints",        "name constraints",
    "CRL distribution points",      "extended key usage",
};

using InitCertFn = int (*)(x509_cert_t**);
using ParseCertFn = int (*)(Buffer*, x509_cert_t*);
using ReleaseCertFn = void (*)(x509_cert_t*);
using AlgToAsnFn = const unsigned char* (*)(pki_alg_t, unsigned*);

}  // namespace

int CertParserCode(Context& ctx, const Octets& der) {
  auto init = reinterpret_cast<InitCertFn>(ctx.module->symbol("x509_init_cert"));
  auto parse = reinterpret_cast<ParseCertFn>(ctx.module->symbol("x509_parse_cert"));
  auto release = reinterpret_cast<ReleaseCertFn>(ctx.module->symbol("x509_release_cert"));
  if (init == nullptr || parse == nullptr || release == nullptr) return 0;
  x509_cert_t* rec = nullptr;
  if (init(&rec) != 0) return 0;
  std::unique_ptr<x509_cert_t, ReleaseCertFn> held(rec, release);
  Buffer in;
  init_buffer(&in);
  set_buffer(&in, static_cast<uint32_t>(der.size()), der.data());
  int rc = parse(&in, rec);
  return rc < 0 ? rc : 0;
}

namespace {

// Why the service could not make a certificate of der: the parser's code
// when the DER does not parse, else the object's own code (an unusable
// signature algorithm, a public key that cannot be made ...); followed by
// what the file holds when it has the shape of another object.
std::string WhyRefused(Context& ctx, const std::string& path, const Octets& der, int code) {
  std::string kind = KindNote(der, kKindCertificate);
  if (code != pkixrc::kUnusableSignAlg && code != pkixrc::kKeyNotCreatable) {
    int parsed = CertParserCode(ctx, der);
    if (parsed < 0) return path + ": not a certificate: " + CodeText(parsed) + kind;
  }
  return path + ": not a certificate the module can use: " + CodeText(code) + kind;
}

}  // namespace

NO_VPTR_CHECK std::string Text(TBuf* b) {
  if (b == nullptr) return "";
  std::string s(reinterpret_cast<const char*>(b->datap()), b->len());
  b->release();
  if (!s.empty() && s.back() == '\0') s.pop_back();
  return s;
}

std::string TimeText(long t) {
  time_t v = static_cast<time_t>(t);
  struct tm tm;
  if (gmtime_r(&v, &tm) == nullptr) return "(time " + std::to_string(t) + ")";
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S UTC", &tm);
  return buf;
}

const char* ExtnMeaning(int kind) {
  const int known = static_cast<int>(sizeof kExtnMeaning / sizeof kExtnMeaning[0]);
  return kExtnMeaning[kind >= 0 && kind < known ? kind : 0];
}

std::string AlgName(Context& ctx, pki_alg_t a) {
  auto to_asn = reinterpret_cast<AlgToAsnFn>(ctx.module->symbol("alg2asn"));
  if (to_asn == nullptr) return "";
  unsigned len = 0;
  const unsigned char* content = to_asn(a, &len);
  if (content == nullptr || len == 0) return "";
  Buffer oid;
  init_buffer(&oid);
  set_buffer(&oid, len, content);
  std::string dotted = DottedOid(oid);
  return dotted.empty() ? "" : OidText(dotted);
}

std::string AlgNumber(pki_alg_t a) {
  char number[16];
  std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(a));
  return number;
}

std::string SignAlgText(Context& ctx, pki_alg_t a) {
  std::string name = AlgName(ctx, a);
  return name.empty() ? AlgNumber(a) : name + " (" + AlgNumber(a) + ")";
}

void PrintJson(const Report& r) {
  std::printf("%s\n", r.dump(2, ' ', false, Report::error_handler_t::replace).c_str());
}

std::string SignatureVerdict(int r) {
  if (r == pkixrc::kOk) return "signature OK";
  const char* text = pkix_result_text(r);
  return "signature FAILED (code " + std::to_string(r) + (text != nullptr ? ": " : "") + (text != nullptr ? text : "") +
         ")";
}

int PrintSignatureVerdict(const Context& ctx, const std::string& file, const std::string& issuer, int r) {
  if (ctx.json) {
    PrintJson(Report{{"file", file},
                     {"issuer", issuer},
                     {"verified", r == pkixrc::kOk},
                     {"verdict", SignatureVerdict(r)},
                     {"code", r}});
  } else {
    std::printf("%s\n", SignatureVerdict(r).c_str());
  }
  return r == pkixrc::kOk ? kExitOk : kExitFailed;
}

NO_VPTR_CHECK TCert* MakeCert(Context& ctx, TPkixService* s, const std::string& path, const Octets& der,
                              std::string* why) {
  Acquired<X509CmnSrv_I> buffers(ctx, pkixid::kBuffers);
  if (!buffers) {
    *why = "the host offers no buffer service";
    return nullptr;
  }
  Own<TBuf> in(buffers->createTBuf(der.data(), static_cast<unsigned>(der.size())));
  Own<TCert> c(s->createTCert(TCert::CF_X509));
  if (!in || !c) {
    *why = path + ": " + CodeText(pkixrc::kNoMemory);
    return nullptr;
  }
  int rc = c->setRaw(in.get());
  if (rc != pkixrc::kOk) {
    *why = WhyRefused(ctx, path, der, rc);
    return nullptr;
  }
  return c.release();
}

bool OutputAndFiles(const std::vector<std::string>& args, std::string* out_path, std::vector<std::string>* files) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "-o") {
      files->push_back(args[i]);
    } else if (i + 1 < args.size() && out_path->empty()) {
      *out_path = args[++i];
    } else {
      return false;
    }
  }
  return !files->empty();
}

bool ReadOneCert(const char* group, const std::string& path, Octets* der, std::string* why) {
  std::vector<Block> certs;
  if (!ReadObjects(path, kCertLabels, "certificate", &certs, why)) return false;
  if (certs.size() > 1) {
    std::fprintf(stderr, "pkixtool %s: %s holds %zu certificates; the first is used\n", group, path.c_str(),
                 certs.size());
  }
  der->swap(certs[0].der);
  return true;
}

}  // namespace pkixtool
