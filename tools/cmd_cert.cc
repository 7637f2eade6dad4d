// pkixtool cert: certificates through the loaded module.
//   show FILE               the fields of a certificate (DER or PEM)
//   compare A B             equal, same issuer and serial, similar
//   verify CERT ISSUER      whether CERT's signature verifies under
//                           ISSUER's public key (exit 0 when it does)
//   bundle [-o OUT] FILE... a PKCS #7 certificate set of the files
//   unbundle FILE [PREFIX]  the certificates of a set (written as
//                           PREFIX1.der, PREFIX2.der, ... with a prefix)
// Every object is made by the certificate service and used through its
// interface, with the module's guard raised, as a client module would.
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cert/keyusageext.h"
#include "cert/tcert.h"
#include "cert/x509.h"
#include "contract/service_ids.h"
#include "framework/cmn_rmutex.h"
#include "module/pkixsrv.h"
#include "support/result_codes.h"
#include "support/result_text.h"
#include "tools/commands.h"
#include "tools/tool_util.h"

namespace pkixtool {
namespace {

// The module's objects carry type information the tool does not link: calls
// into them get no sanitizer dynamic-type check.
#define NO_VPTR_CHECK __attribute__((no_sanitize("vptr")))

int Fail(const std::string& what) {
  std::fprintf(stderr, "pkixtool cert: %s\n", what.c_str());
  return kExitFailed;
}

int UsageOf(const char* usage) {
  std::fprintf(stderr, "usage: pkixtool cert %s\n", usage);
  return kExitUsage;
}

void Note(const std::string& what) { std::fprintf(stderr, "pkixtool cert: %s\n", what.c_str()); }

// Drops a module object's reference at scope end.
struct Release {
  template <class T>
  NO_VPTR_CHECK void operator()(T* p) const {
    p->release();
  }
};
template <class T>
using Own = std::unique_ptr<T, Release>;

// PEM labels of a certificate.
const std::vector<std::string> kCertLabels = {"CERTIFICATE", "X509 CERTIFICATE"};
// PEM label of a PKCS #7 certificate set.
const std::vector<std::string> kSetLabels = {"PKCS7"};

constexpr TName::name_type_t kIssuerDN = static_cast<TName::name_type_t>(TName::NAME_DN | TName::NAME_ISSUER);
constexpr TName::name_type_t kSubjectDN = static_cast<TName::name_type_t>(TName::NAME_DN | TName::NAME_SUBJECT);

// What getType() answers.
constexpr int kEndEntity = 1;
constexpr int kAuthority = 2;

NO_VPTR_CHECK std::string Text(TBuf* b) {
  if (b == nullptr) return "";
  std::string s(reinterpret_cast<const char*>(b->datap()), b->len());
  b->release();
  if (!s.empty() && s.back() == '\0') s.pop_back();
  return s;
}

std::string Time(long t) {
  time_t v = static_cast<time_t>(t);
  struct tm tm;
  gmtime_r(&v, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S UTC", &tm);
  return buf;
}

// What each extension kind means.
const char* const kExtnMeaning[] = {
    "unrecognised extension",       "authority key identifier", "issuer alternative name",
    "CRL number",                   "delta CRL indicator",      "issuing distribution point",
    "reason code",                  "hold instruction code",    "invalidity date",
    "certificate issuer",           "subject key identifier",   "key usage",
    "subject alternative name",     "basic constraints",        "name constraints",
    "CRL distribution points",      "extended key usage",
};

struct Usage {
  TX509KeyUsage::kusage_t mask;
  const char* name;
};
const Usage kUsages[] = {
    {TX509KeyUsage::KUSAGE_DIGITAL_SIGNATURE, "digitalSignature"},
    {TX509KeyUsage::KUSAGE_NON_REPUDIATION, "nonRepudiation"},
    {TX509KeyUsage::KUSAGE_KEY_ENCIPHERMENT, "keyEncipherment"},
    {TX509KeyUsage::KUSAGE_DATA_ENCIPHERMENT, "dataEncipherment"},
    {TX509KeyUsage::KUSAGE_KEY_AGREEMENT, "keyAgreement"},
    {TX509KeyUsage::KUSAGE_KEY_CERT_SIGN, "keyCertSign"},
    {TX509KeyUsage::KUSAGE_CRL_SIGN, "cRLSign"},
    {TX509KeyUsage::KUSAGE_ENCIPHER_ONLY, "encipherOnly"},
    {TX509KeyUsage::KUSAGE_DECIPHER_ONLY, "decipherOnly"},
};

const char* KeyAlgName(pki_alg_t a) {
  switch (pki_alg_base(a)) {
    case PKI_ALG_BASE_RSA: return "RSA";
    case PKI_ALG_BASE_DSA:
    case PKI_ALG_BASE_DSA_OIW: return "DSA";
    case PKI_ALG_BASE_DH:
    case PKI_ALG_BASE_DH_X942: return "Diffie-Hellman";
    case PKI_ALG_BASE_GOST3410: return "GOST R 34.10";
    default: return "unknown";
  }
}

// What check() says of the certificate now.
std::string StatusText(int check) {
  if (check == pkixrc::kOk) return "valid now";
  if (check == kCertUnknownCritical) return "carries an unrecognised critical extension";
  if (check == kCertNotYetValid || check == kCertExpired) return pkix_result_text(check);
  return "undetermined: " + CodeText(check);
}

using InitCertFn = int (*)(x509_cert_t**);
using ParseCertFn = int (*)(Buffer*, x509_cert_t*);
using ReleaseCertFn = void (*)(x509_cert_t*);

// The module's certificate parser's verdict on der: 0 when it parses, its
// negative code when not; 0 too when the module does not export the
// parser (the caller then reports the object's code alone).
int ParserCode(Context& ctx, const Octets& der) {
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

// Why the service could not make a certificate of der: the parser's code
// when the DER does not parse, else the object's own code (an unusable
// signature algorithm, a public key that cannot be made ...).
std::string WhyRefused(Context& ctx, const std::string& path, const Octets& der, int code) {
  if (code != pkixrc::kUnusableSignAlg && code != pkixrc::kKeyNotCreatable) {
    int parsed = ParserCode(ctx, der);
    if (parsed < 0) return path + ": not a certificate: " + CodeText(parsed);
  }
  return path + ": not a certificate the module can use: " + CodeText(code);
}

// A certificate the service makes of der, one new reference for the
// caller; null with *why when it cannot.
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

// The one certificate of a file, with a note when the file holds more.
bool ReadOneCert(const std::string& path, Octets* der, std::string* why) {
  std::vector<Block> certs;
  if (!ReadObjects(path, kCertLabels, "certificate", &certs, why)) return false;
  if (certs.size() > 1) Note(path + " holds " + std::to_string(certs.size()) + " certificates; the first is used");
  der->swap(certs[0].der);
  return true;
}

NO_VPTR_CHECK void ShowExtensions(TCert* c) {
  Own<TExtnList> l(c->getExtns());
  if (!l) return;
  std::printf("extensions:\n");
  for (TExtn* e = l->getFirst(); e != nullptr; e = l->getNext()) {
    Own<TExtn> held(e);
    int kind = e->getType();
    const int known = static_cast<int>(sizeof kExtnMeaning / sizeof kExtnMeaning[0]);
    std::printf("  %s%s", kExtnMeaning[kind >= 0 && kind < known ? kind : 0], e->isCritical() ? " (critical)" : "");
    if (kind == TExtn::EXT_NONE) {
      Own<TBuf> id(e->getObjId());
      if (id) std::printf(" %s", Hex(id->datap(), id->len(), "").c_str());
    }
    if (kind == TExtn::EXT_KEY_USAGE) {
      auto* ku = static_cast<TX509KeyUsage*>(e);  // the kind's class
      for (const Usage& u : kUsages) {
        if (ku->isBitSet(u.mask)) std::printf(" %s", u.name);
      }
    }
    std::printf("\n");
  }
}

// The SHA-1 and MD5 digests of the DER, colon-separated as the openssl
// command prints fingerprints; the code when the crypto service gives none.
NO_VPTR_CHECK void ShowFingerprints(TCert* c) {
  struct Row {
    const char* name;
    TBuf* (TCert::*get)();
  };
  const Row kRows[] = {{"SHA-1", &TCert::getSHA1}, {"MD5", &TCert::getMD5}};
  for (const Row& r : kRows) {
    Own<TBuf> d((c->*r.get)());
    if (d) {
      std::printf("%s fingerprint: %s\n", r.name, Hex(d->datap(), d->len(), ":").c_str());
    } else {
      std::printf("%s fingerprint: (none: %s)\n", r.name, CodeText(c->error()).c_str());
    }
  }
}

NO_VPTR_CHECK int ShowOne(TCert* c) {
  std::printf("version: %u\n", c->getVersion() + 1);
  Own<TBuf> sn(c->getSerialNumber());
  if (sn) std::printf("serial: %s\n", Hex(sn->datap(), sn->len(), ":").c_str());
  for (TName::name_type_t t : {kIssuerDN, kSubjectDN}) {
    Own<TName> n(c->getName(t));
    std::printf("%s: %s\n", t == kIssuerDN ? "issuer" : "subject",
                n ? Text(n->getPrintable(TName::PRN_LOSSY)).c_str() : "(none)");
  }
  long from = 0, to = 0;
  if (c->getValidity(&from, &to) == pkixrc::kOk) std::printf("validity: %s to %s\n", Time(from).c_str(), Time(to).c_str());
  int type = c->getType();
  std::printf("type: %s\n", type == kAuthority ? "certification authority" : type == kEndEntity ? "end entity" : "undetermined");
  Own<TKey> key(c->getKey(TKey::KT_PUBLIC));
  if (key) {
    unsigned bits = 0;
    Own<TBuf> size(key->getParam(TKey::AKA_BITS));
    if (size && size->len() == 4) {
      const unsigned char* p = size->datap();
      bits = static_cast<unsigned>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
    }
    std::printf("key: %s, %u bits\n", KeyAlgName(key->getAlg()), bits);
  }
  std::printf("signature algorithm: 0x%08X\n", static_cast<unsigned>(c->getSignAlg()));
  ShowFingerprints(c);
  ShowExtensions(c);
  std::printf("status: %s\n", StatusText(c->check()).c_str());
  return kExitOk;
}

using CertUse = int (*)(std::vector<TCert*>& certs);

// Runs use over the certificates the service makes from the files named
// by the arguments (exactly count of them), with the module's guard raised.
NO_VPTR_CHECK int WithCerts(Context& ctx, size_t count, const char* usage, CertUse use) {
  if (ctx.args.size() != count) return UsageOf(usage);
  std::vector<Octets> ders(count);
  std::string why;
  for (size_t i = 0; i < count; ++i) {
    if (!ReadOneCert(ctx.args[i], &ders[i], &why)) return Fail(why);
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
  return use(certs);
}

NO_VPTR_CHECK int CompareTwo(std::vector<TCert*>& certs) {
  TCert* a = certs[0];
  TCert* b = certs[1];
  std::printf("equal: %s\n", *a == *b ? "yes" : "no");
  std::printf("same issuer and serial: %s\n", a->areISNMatched(b) ? "yes" : "no");
  std::printf("similar (B as template): %s\n", a->isCertSimilar(b) ? "yes" : "no");
  return kExitOk;
}

int ShowFirst(std::vector<TCert*>& certs) { return ShowOne(certs[0]); }

// The first certificate's signature checked with the second's public key.
NO_VPTR_CHECK int VerifyFirstBySecond(std::vector<TCert*>& certs) {
  int r = certs[0]->checkSign(certs[1]);
  if (r == pkixrc::kOk) {
    std::printf("signature OK\n");
    return kExitOk;
  }
  const char* text = pkix_result_text(r);
  std::printf("signature FAILED (code %d%s%s)\n", r, text != nullptr ? ": " : "", text != nullptr ? text : "");
  return kExitFailed;
}

int Show(Context& ctx) { return WithCerts(ctx, 1, "show FILE", ShowFirst); }
int Compare(Context& ctx) { return WithCerts(ctx, 2, "compare A B", CompareTwo); }
int Verify(Context& ctx) { return WithCerts(ctx, 2, "verify CERT ISSUER", VerifyFirstBySecond); }

NO_VPTR_CHECK int Bundle(Context& ctx) {
  const char* usage = "bundle [-o OUT] FILE...";
  std::string out_path;
  std::vector<std::string> files;
  for (size_t i = 0; i < ctx.args.size(); ++i) {
    if (ctx.args[i] != "-o") {
      files.push_back(ctx.args[i]);
    } else if (i + 1 < ctx.args.size() && out_path.empty()) {
      out_path = ctx.args[++i];
    } else {
      return UsageOf(usage);
    }
  }
  if (files.empty()) return UsageOf(usage);
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
