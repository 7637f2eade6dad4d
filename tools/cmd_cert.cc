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
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "cert/keyusageext.h"
#include "cert/tcert.h"
#include "framework/cmn_rmutex.h"
#include "module/pkixsrv.h"
#include "tools/commands.h"
#include "tools/tool_util.h"

namespace pkixtool {
namespace {

using Bytes = std::vector<unsigned char>;

constexpr uint32_t kCertServiceID = 0x3f0007;
constexpr uint32_t kBufferServiceID = 111;

// The module's objects carry type information the tool does not link: calls
// into them get no sanitizer dynamic-type check.
#define NO_VPTR_CHECK __attribute__((no_sanitize("vptr")))

int Fail(const std::string& what) {
  std::fprintf(stderr, "pkixtool cert: %s\n", what.c_str());
  return 1;
}

// Drops a module object's reference at scope end.
struct Release {
  template <class T>
  NO_VPTR_CHECK void operator()(T* p) const {
    p->release();
  }
};
template <class T>
using Own = std::unique_ptr<T, Release>;

// The octets of a file; a PEM file ("-----BEGIN CERTIFICATE-----") is
// decoded from base64 (the first block).
bool ReadCert(const std::string& path, Bytes* out) {
  std::string all;
  if (!ReadWholeFile(path, &all)) return false;
  std::string label;
  if (!ReadPemBlock(all, &label, out) || label != "CERTIFICATE") out->assign(all.begin(), all.end());
  return !out->empty();
}

NO_VPTR_CHECK std::string Text(TBuf* b) {
  if (b == nullptr) return "";
  std::string s(reinterpret_cast<const char*>(b->datap()), b->len());
  b->release();
  if (!s.empty() && s.back() == '\0') s.pop_back();
  return s;
}

std::string Hex(const unsigned char* p, unsigned n, const char* sep) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s;
  for (unsigned i = 0; i < n; ++i) {
    if (i != 0) s += sep;
    s += kDigits[p[i] >> 4];
    s += kDigits[p[i] & 15];
  }
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

const char* StatusText(int check) {
  switch (static_cast<uint32_t>(check)) {
    case 0: return "valid now";
    case 0xE0060008u: return "not yet valid";
    case 0xE0060009u: return "expired";
    case 0xE006000Au: return "carries an unrecognised critical extension";
    default: return "undetermined";
  }
}

NO_VPTR_CHECK TCert* MakeCert(TPkixService* s, const std::string& path, std::string* why) {
  Bytes d;
  if (!ReadCert(path, &d)) {
    *why = "cannot read " + path;
    return nullptr;
  }
  TCert* c = s->createTCert(TCert::CF_X509, d.data(), static_cast<unsigned>(d.size()));
  if (c == nullptr) *why = path + ": not a certificate the module can use (unparsable, or its signature or key algorithm is not known)";
  return c;
}

NO_VPTR_CHECK void ShowExtensions(TCert* c) {
  Own<TExtnList> l(c->getExtns());
  if (!l) return;
  std::printf("extensions:\n");
  for (TExtn* e = l->getFirst(); e != nullptr; e = l->getNext()) {
    Own<TExtn> held(e);
    int kind = e->getType();
    std::printf("  %s%s", kExtnMeaning[kind >= 0 && kind < 17 ? kind : 0], e->isCritical() ? " (critical)" : "");
    if (kind == 0) {
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
      std::printf("%s fingerprint: (none, code %d)\n", r.name, c->error());
    }
  }
}

NO_VPTR_CHECK int ShowOne(TCert* c) {
  std::printf("version: %u\n", c->getVersion() + 1);
  Own<TBuf> sn(c->getSerialNumber());
  if (sn) std::printf("serial: %s\n", Hex(sn->datap(), sn->len(), ":").c_str());
  for (int t : {0x101, 0x201}) {
    Own<TName> n(c->getName(static_cast<TName::name_type_t>(t)));
    std::printf("%s: %s\n", t == 0x101 ? "issuer" : "subject",
                n ? Text(n->getPrintable(TName::PRN_LOSSY)).c_str() : "(none)");
  }
  long from = 0, to = 0;
  if (c->getValidity(&from, &to) == 0) std::printf("validity: %s to %s\n", Time(from).c_str(), Time(to).c_str());
  int type = c->getType();
  std::printf("type: %s\n", type == 2 ? "certification authority" : type == 1 ? "end entity" : "undetermined");
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
  std::printf("status: %s\n", StatusText(c->check()));
  return 0;
}

using CertUse = int (*)(std::vector<TCert*>& certs);

// Runs use over the certificates the service makes from the files named
// by the arguments (exactly count of them), with the module's guard raised.
NO_VPTR_CHECK int WithCerts(Context& ctx, size_t count, const char* usage, CertUse use) {
  if (ctx.args.size() != count) return Fail(std::string("usage: pkixtool cert ") + usage);
  Acquired<TPkixService> s(ctx, kCertServiceID);
  if (!s) return Fail("the module offers no certificate service");
  GuardLockVar g(ctx.module->guard());
  std::vector<TCert*> certs;
  std::string why;
  int rc = 0;
  for (const std::string& f : ctx.args) {
    TCert* c = MakeCert(s.operator->(), f, &why);
    if (c == nullptr) {
      rc = Fail(why);
      break;
    }
    certs.push_back(c);
  }
  if (rc == 0) rc = use(certs);
  for (TCert* c : certs) Release()(c);
  return rc;
}

NO_VPTR_CHECK int CompareTwo(std::vector<TCert*>& certs) {
  TCert* a = certs[0];
  TCert* b = certs[1];
  std::printf("equal: %s\n", *a == *b ? "yes" : "no");
  std::printf("same issuer and serial: %s\n", a->areISNMatched(b) ? "yes" : "no");
  std::printf("similar (B as template): %s\n", a->isCertSimilar(b) ? "yes" : "no");
  return 0;
}

int ShowFirst(std::vector<TCert*>& certs) { return ShowOne(certs[0]); }

// The first certificate's signature checked with the second's public key.
NO_VPTR_CHECK int VerifyFirstBySecond(std::vector<TCert*>& certs) {
  int r = certs[0]->checkSign(certs[1]);
  if (r == 0) {
    std::printf("signature OK\n");
    return 0;
  }
  std::printf("signature FAILED (code %d, 0x%X)\n", r, static_cast<unsigned>(r));
  return 1;
}

int Show(Context& ctx) { return WithCerts(ctx, 1, "show FILE", ShowFirst); }
int Compare(Context& ctx) { return WithCerts(ctx, 2, "compare A B", CompareTwo); }
int Verify(Context& ctx) { return WithCerts(ctx, 2, "verify CERT ISSUER", VerifyFirstBySecond); }

NO_VPTR_CHECK int Bundle(Context& ctx) {
  std::string out_path;
  std::vector<std::string> files;
  for (size_t i = 0; i < ctx.args.size(); ++i) {
    if (ctx.args[i] == "-o" && i + 1 < ctx.args.size()) {
      out_path = ctx.args[++i];
    } else {
      files.push_back(ctx.args[i]);
    }
  }
  if (files.empty()) return Fail("usage: pkixtool cert bundle [-o OUT] FILE...");
  Acquired<TPkixService> s(ctx, kCertServiceID);
  if (!s) return Fail("the module offers no certificate service");
  GuardLockVar g(ctx.module->guard());
  Own<TCertList> l(s->createTCertList());
  if (!l) return Fail("no certificate list");
  std::string why;
  for (const std::string& f : files) {
    Own<TCert> c(MakeCert(s.operator->(), f, &why));
    if (!c) return Fail(why);
    if (l->append(c.get()) != 0) return Fail("cannot add " + f);
  }
  Own<TBuf> set(l->getPKCS7Certificates());
  if (!set) return Fail("cannot encode the set (code " + std::to_string(l->error()) + ")");
  FILE* out = out_path.empty() ? stdout : std::fopen(out_path.c_str(), "wb");
  if (out == nullptr) return Fail("cannot write " + out_path);
  std::fwrite(set->datap(), 1, set->len(), out);
  if (out != stdout) std::fclose(out);
  if (!out_path.empty()) std::printf("%zu certificates, %u octets written to %s\n", files.size(), set->len(), out_path.c_str());
  return 0;
}

NO_VPTR_CHECK int Unbundle(Context& ctx) {
  if (ctx.args.empty() || ctx.args.size() > 2) return Fail("usage: pkixtool cert unbundle FILE [PREFIX]");
  Bytes d;
  std::ifstream in(ctx.args[0], std::ios::binary);
  d.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (d.empty()) return Fail("cannot read " + ctx.args[0]);
  Acquired<TPkixService> s(ctx, kCertServiceID);
  Acquired<X509CmnSrv_I> buffers(ctx, kBufferServiceID);
  if (!s || !buffers) return Fail("the module offers no certificate service");
  GuardLockVar g(ctx.module->guard());
  Own<TBuf> b(buffers->createTBuf(d.data(), static_cast<unsigned>(d.size())));
  Own<TCertList> l(s->createTCertList());
  if (!b || !l) return Fail("no buffer or list");
  int r = l->setPKCS7Certificates(b.get());
  if (r != 0) return Fail("not a certificate set (code " + std::to_string(r) + ")");
  int n = 0;
  for (TCert* c = l->getFirst(); c != nullptr; c = l->getNext()) {
    Own<TCert> held(c);
    ++n;
    Own<TName> subject(c->getName(static_cast<TName::name_type_t>(0x201)));
    std::printf("%d: %s\n", n, subject ? Text(subject->getPrintable(TName::PRN_LOSSY)).c_str() : "(no subject)");
    if (ctx.args.size() == 2) {
      Own<TBuf> raw(c->getRaw());
      std::string path = ctx.args[1] + std::to_string(n) + ".der";
      FILE* f = raw ? std::fopen(path.c_str(), "wb") : nullptr;
      if (f == nullptr) return Fail("cannot write " + path);
      std::fwrite(raw->datap(), 1, raw->len(), f);
      std::fclose(f);
    }
  }
  return 0;
}

}  // namespace

int RunCertShow(Context& ctx) { return Show(ctx); }
int RunCertCompare(Context& ctx) { return Compare(ctx); }
int RunCertVerify(Context& ctx) { return Verify(ctx); }
int RunCertBundle(Context& ctx) { return Bundle(ctx); }
int RunCertUnbundle(Context& ctx) { return Unbundle(ctx); }

}  // namespace pkixtool
