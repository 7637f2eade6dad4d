// pkixtool crl create and crl revoke: new revocation lists encoded and
// signed by the loaded module.
//   crl create --issuer CERT --key KEY [--next-days N]
//              [--revoke SERIAL[:REASON[:DATE]]]... [--crl-number N]
//              [--idp URI] [--now DATE] -o OUT [--pem]
//   crl revoke CRL SERIAL[:REASON]... --issuer CERT --key KEY [--now DATE]
//              -o OUT [--pem]
// SERIAL is hex; REASON a CRLReason name (keyCompromise ...) or number;
// DATE is YYYYMMDDHHMMSSZ. The list is issued now (the tool's clock, or
// --now) and valid for N days (30 unless given; crl revoke keeps the
// period of the list it continues). crl revoke writes the next issue of a
// list: its entries and the new ones, CRL number + 1, and checks with the
// module that the new list is a successor of the old one.
// Every object is made by the module's services and used through its
// interface, with the module's guard raised, as a client module would.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "cert/textn.h"
#include "contract/service_ids.h"
#include "contract/x509asn.h"
#include "crl/tcrl.h"
#include "framework/cmn_rmutex.h"
#include "module/pkixkeysrv.h"
#include "module/pkixsrv.h"
#include "support/clock.h"
#include "support/result_codes.h"
#include "tools/commands.h"
#include "tools/tool_objects.h"
#include "tools/tool_util.h"

namespace pkixtool {
namespace {

constexpr long kDay = 86400;
constexpr long kDefaultDays = 30;
const std::vector<std::string> kKeyLabels = {"PRIVATE KEY"};
const std::vector<std::string> kCrlLabels = {"X509 CRL"};

int Fail(const std::string& what) {
  std::fprintf(stderr, "pkixtool crl: %s\n", what.c_str());
  return kExitFailed;
}
int Usage(const char* usage) {
  std::fprintf(stderr, "usage: pkixtool crl %s\n", usage);
  return kExitUsage;
}

// CRLReason ::= ENUMERATED, by the names RFC 5280 gives (7 is unused).
const char* const kReasons[] = {"unspecified",          "keyCompromise", "cACompromise",
                                "affiliationChanged",   "superseded",    "cessationOfOperation",
                                "certificateHold",      "",              "removeFromCRL",
                                "privilegeWithdrawn",   "aACompromise"};
constexpr int kReasonCount = sizeof kReasons / sizeof kReasons[0];

// A reason by name or number; -1 when it is neither.
int ReasonOf(const std::string& text) {
  for (int i = 0; i < kReasonCount; ++i) {
    if (kReasons[i][0] != '\0' && text == kReasons[i]) return i;
  }
  char* end = nullptr;
  long n = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || n < 0 || n >= kReasonCount || kReasons[n][0] == '\0') return -1;
  return static_cast<int>(n);
}

// YYYYMMDDHHMMSSZ as seconds since 1970; false when malformed.
bool DateOf(const std::string& text, long* out) {
  struct tm t = {};
  if (text.size() != 15 || text[14] != 'Z') return false;
  for (size_t i = 0; i < 14; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  auto num = [&](size_t at, size_t n) { return std::atoi(text.substr(at, n).c_str()); };
  t.tm_year = num(0, 4) - 1900;
  t.tm_mon = num(4, 2) - 1;
  t.tm_mday = num(6, 2);
  t.tm_hour = num(8, 2);
  t.tm_min = num(10, 2);
  t.tm_sec = num(12, 2);
  if (t.tm_mon < 0 || t.tm_mon > 11 || t.tm_mday < 1 || t.tm_mday > 31 || t.tm_hour > 23 || t.tm_min > 59 ||
      t.tm_sec > 59) {
    return false;
  }
  time_t s = timegm(&t);
  if (s == static_cast<time_t>(-1)) return false;
  *out = static_cast<long>(s);
  return true;
}

// One --revoke (or crl revoke) argument.
struct Revocation {
  std::string serial;  // octets (unsigned magnitude)
  int reason = -1;     // none
  long date = 0;       // 0: the list's this update
};

// SERIAL[:REASON[:DATE]]; false with *why when malformed.
bool RevocationOf(const std::string& text, bool dated, Revocation* out, std::string* why) {
  std::vector<std::string> parts;
  size_t from = 0;
  for (size_t colon; (colon = text.find(':', from)) != std::string::npos; from = colon + 1) {
    parts.push_back(text.substr(from, colon - from));
  }
  parts.push_back(text.substr(from));
  if (parts.size() > (dated ? 3u : 2u) || !FromHex(parts[0], &out->serial)) {
    *why = "not a revocation (SERIAL[:REASON" + std::string(dated ? "[:DATE]]" : "]") + "): " + Excerpt(text);
    return false;
  }
  // A serial number is positive: a leading 0 keeps its top bit from
  // reading as a sign.
  if ((static_cast<unsigned char>(out->serial[0]) & 0x80) != 0) out->serial.insert(out->serial.begin(), '\0');
  if (parts.size() > 1 && (out->reason = ReasonOf(parts[1])) < 0) {
    *why = "not a reason: " + Excerpt(parts[1]);
    return false;
  }
  if (parts.size() > 2 && !DateOf(parts[2], &out->date)) {
    *why = "not a date (YYYYMMDDHHMMSSZ): " + Excerpt(parts[2]);
    return false;
  }
  return true;
}

// DER of the extensions the tool writes.
Octets Element(unsigned char tag, const Octets& content) {
  Octets out{tag};
  size_t n = content.size();
  if (n < 0x80) {
    out.push_back(static_cast<unsigned char>(n));
  } else {
    Octets len;
    for (; n != 0; n >>= 8) len.insert(len.begin(), static_cast<unsigned char>(n));
    out.push_back(static_cast<unsigned char>(0x80 | len.size()));
    out.insert(out.end(), len.begin(), len.end());
  }
  out.insert(out.end(), content.begin(), content.end());
  return out;
}
Octets Join(std::initializer_list<Octets> parts) {
  Octets out;
  for (const Octets& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
// Extension ::= SEQUENCE { extnID OBJECT IDENTIFIER, critical BOOLEAN
//                          DEFAULT FALSE, extnValue OCTET STRING }
Octets Extension(const Octets& oid, bool critical, const Octets& value) {
  return Element(0x30, Join({Element(0x06, oid), critical ? Octets{0x01, 0x01, 0xFF} : Octets{},
                             Element(0x04, value)}));
}
// id-ce-cRLReasons: CRLReason ::= ENUMERATED
Octets ReasonExtension(int reason) {
  return Extension({0x55, 0x1D, 0x15}, false, Element(0x0A, {static_cast<unsigned char>(reason)}));
}
// id-ce-cRLNumber: CRLNumber ::= INTEGER (0..MAX)
Octets NumberExtension(unsigned long n) {
  Octets v;
  do {
    v.insert(v.begin(), static_cast<unsigned char>(n));
    n >>= 8;
  } while (n != 0);
  if ((v[0] & 0x80) != 0) v.insert(v.begin(), 0);
  return Extension({0x55, 0x1D, 0x14}, false, Element(0x02, v));
}
// id-ce-issuingDistributionPoint, critical:
// IssuingDistributionPoint ::= SEQUENCE { distributionPoint [0] {
//     fullName [0] GeneralNames { uniformResourceIdentifier [6] } } }
Octets IdpExtension(const std::string& uri) {
  Octets name(uri.begin(), uri.end());
  return Extension({0x55, 0x1D, 0x1C}, true, Element(0x30, Element(0xA0, Element(0xA0, Element(0x86, name)))));
}

// The CRL number of a list's extensions (the INTEGER's value); false when
// it has none or it is not a number the tool can count on.
NO_VPTR_CHECK bool NumberOf(TCRL* crl, unsigned long* out) {
  Own<TExtnList> l(crl->getCRLExtns());
  Own<TExtn> e(l ? l->get(TExtn::EXT_CRL_NUMBER) : nullptr);
  Own<TBuf> v(e ? e->getValue() : nullptr);
  if (!v || v->len() < 3 || v->len() > 2 + sizeof(unsigned long) || v->datap()[0] != 0x02) return false;
  unsigned long n = 0;
  for (unsigned i = 2; i < v->len(); ++i) n = (n << 8) | v->datap()[i];
  *out = n;
  return true;
}

// What both commands share: the module's services, the issuer and key.
struct Signer {
  Context& ctx;
  Acquired<TPkixService> certs;
  Acquired<TPkixKeyService> keys;
  Acquired<X509CmnSrv_I> buffers;
  Own<TCert> issuer;
  Own<TKey> key;

  explicit Signer(Context& c)
      : ctx(c), certs(c, pkixid::kCertService), keys(c, pkixid::kKeyService), buffers(c, pkixid::kBuffers) {}

  // Reads the issuer certificate and its private key; false with *why.
  NO_VPTR_CHECK bool load(const std::string& cert_path, const std::string& key_path, std::string* why) {
    if (!certs || !keys || !buffers) return *why = "the module or the host offers no certificate, key or buffer service", false;
    Octets cert_der;
    std::vector<Block> key_blocks;
    if (!ReadOneCert("crl", cert_path, &cert_der, why)) return false;
    if (!ReadObjects(key_path, kKeyLabels, "private key", &key_blocks, why)) return false;
    issuer.reset(MakeCert(ctx, certs.get(), cert_path, cert_der, why));
    if (!issuer) return false;
    const Octets& k = key_blocks[0].der;
    key.reset(keys->createTKey(TKey::KT_PRIVATE, k.data(), static_cast<unsigned>(k.size())));
    if (!key || key->error() != pkixrc::kOk) return *why = key_path + ": not a private key the module can use", false;
    return true;
  }

  // An extension made of der; null when the module cannot read it.
  NO_VPTR_CHECK TExtn* extension(const Octets& der) {
    Own<TBuf> b(buffers->createTBuf(der.data(), static_cast<unsigned>(der.size())));
    return b ? certs->createTExtn(b.get()) : nullptr;
  }

  // Adds one entry to crl; false with *why.
  NO_VPTR_CHECK bool revoke(TCRL* crl, const Revocation& r, long now, std::string* why) {
    Own<TCert> entry(certs->createTCert(TCert::CF_X509));
    const auto* serial = reinterpret_cast<const unsigned char*>(r.serial.data());
    if (!entry || entry->setSerialNumber(serial, static_cast<unsigned>(r.serial.size())) != pkixrc::kOk ||
        entry->setValidity(r.date != 0 ? r.date : now, crl->getNextReleaseTime()) != pkixrc::kOk) {
      return *why = "cannot make the entry of " + Hex(serial, r.serial.size()), false;
    }
    if (r.reason >= 0) {
      Own<TExtn> reason(extension(ReasonExtension(r.reason)));
      if (!reason || entry->addExtn(reason.get()) != pkixrc::kOk) return *why = "cannot add the reason", false;
    }
    int rc = crl->addRevokedCert(entry.get());
    if (rc != pkixrc::kOk) return *why = "cannot add the entry: " + CodeText(rc), false;
    return true;
  }

  // The signature algorithm for the key: SHA-256 with its family.
  NO_VPTR_CHECK pki_alg_t algorithm() {
    return pki_alg_make(pki_alg_base(key->getAlg()), 0, PKI_ALG_HASH_SHA256, PKI_ALG_VENDOR_NONE);
  }

  // Encodes and signs crl and writes it to out (PEM with pem); false with
  // *why.
  NO_VPTR_CHECK bool write(TCRL* crl, const std::string& out, bool pem, std::string* why) {
    Own<TBuf> der(crl->getRaw(issuer.get(), key.get()));
    if (!der) return *why = "cannot encode and sign the CRL: " + CodeText(crl->error()), false;
    std::string text(reinterpret_cast<const char*>(der->datap()), der->len());
    if (pem) text = PemOf("X509 CRL", text);
    return WriteWholeFile(out, text.data(), text.size(), why);
  }

  // PEM of der under label.
  static std::string PemOf(const char* label, const std::string& der) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string b64;
    for (size_t i = 0; i < der.size(); i += 3) {
      unsigned v = static_cast<unsigned char>(der[i]) << 16;
      if (i + 1 < der.size()) v |= static_cast<unsigned char>(der[i + 1]) << 8;
      if (i + 2 < der.size()) v |= static_cast<unsigned char>(der[i + 2]);
      b64 += kDigits[(v >> 18) & 63];
      b64 += kDigits[(v >> 12) & 63];
      b64 += i + 1 < der.size() ? kDigits[(v >> 6) & 63] : '=';
      b64 += i + 2 < der.size() ? kDigits[v & 63] : '=';
    }
    std::string out = std::string("-----BEGIN ") + label + "-----\n";
    for (size_t i = 0; i < b64.size(); i += 64) out += b64.substr(i, 64) + "\n";
    return out + "-----END " + label + "-----\n";
  }
};

// The options both commands take; the rest of the words in *rest. False
// (usage) for an option without its value or an unknown option.
struct Options {
  std::string issuer, key, out, idp;
  std::vector<std::string> revoke;
  long next_days = -1;
  long number = -1;
  long now = 0;
  bool pem = false;
};
bool OptionsOf(const std::vector<std::string>& args, bool create, Options* o, std::vector<std::string>* rest,
               std::string* why) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool has_value = i + 1 < args.size();
    auto number = [&](long* out) {
      char* end = nullptr;
      *out = std::strtol(args[i + 1].c_str(), &end, 10);
      return *end == '\0' && *out >= 0;
    };
    if (a == "--pem") {
      o->pem = true;
    } else if (a == "--issuer" && has_value) {
      o->issuer = args[++i];
    } else if (a == "--key" && has_value) {
      o->key = args[++i];
    } else if (a == "-o" && has_value) {
      o->out = args[++i];
    } else if (a == "--now" && has_value) {
      if (!DateOf(args[++i], &o->now)) return *why = "not a date (YYYYMMDDHHMMSSZ): " + Excerpt(args[i]), false;
    } else if (create && a == "--revoke" && has_value) {
      o->revoke.push_back(args[++i]);
    } else if (create && a == "--idp" && has_value) {
      o->idp = args[++i];
    } else if (create && a == "--next-days" && has_value) {
      if (!number(&o->next_days)) return *why = "not a number of days: " + Excerpt(args[i + 1]), false;
      ++i;
    } else if (create && a == "--crl-number" && has_value) {
      if (!number(&o->number)) return *why = "not a CRL number: " + Excerpt(args[i + 1]), false;
      ++i;
    } else if (a.size() > 1 && a[0] == '-') {
      return *why = "unknown option or missing value: " + Excerpt(a), false;
    } else {
      rest->push_back(a);
    }
  }
  if (o->issuer.empty() || o->key.empty() || o->out.empty()) return *why = "--issuer, --key and -o are needed", false;
  return true;
}

long NowOf(const Options& o) { return o.now != 0 ? o.now : static_cast<long>(pkixclock::now()); }

NO_VPTR_CHECK int Create(Context& ctx) {
  const char* usage =
      "create --issuer CERT --key KEY [--next-days N] [--revoke SERIAL[:REASON[:DATE]]]... [--crl-number N] "
      "[--idp URI] [--now DATE] -o OUT [--pem]";
  Options o;
  std::vector<std::string> rest;
  std::string why;
  if (!OptionsOf(ctx.args, true, &o, &rest, &why) || !rest.empty()) {
    if (!why.empty()) std::fprintf(stderr, "pkixtool crl: %s\n", why.c_str());
    return Usage(usage);
  }
  std::vector<Revocation> entries(o.revoke.size());
  for (size_t i = 0; i < o.revoke.size(); ++i) {
    if (!RevocationOf(o.revoke[i], true, &entries[i], &why)) {
      std::fprintf(stderr, "pkixtool crl: %s\n", why.c_str());
      return Usage(usage);
    }
  }
  Signer s(ctx);
  GuardLockVar g(ctx.module->guard());
  if (!s.load(o.issuer, o.key, &why)) return Fail(why);
  Own<TCRL> crl(s.certs->createTCRL(TCert::CF_X509, nullptr));
  if (!crl) return Fail("cannot make a CRL");
  long now = NowOf(o);
  crl->setVersion(2);
  if (crl->setSignatureAlgorithm(s.algorithm()) != pkixrc::kOk) return Fail("no signature algorithm for the key");
  crl->setThisReleaseTime(now);
  crl->setNextReleaseTime(now + (o.next_days >= 0 ? o.next_days : kDefaultDays) * kDay);
  for (const Revocation& r : entries) {
    if (!s.revoke(crl.get(), r, now, &why)) return Fail(why);
  }
  std::vector<Octets> extensions;
  if (o.number >= 0) extensions.push_back(NumberExtension(static_cast<unsigned long>(o.number)));
  if (!o.idp.empty()) extensions.push_back(IdpExtension(o.idp));
  for (const Octets& der : extensions) {
    Own<TExtn> e(s.extension(der));
    if (!e || crl->addCRLExtn(e.get()) != pkixrc::kOk) return Fail("cannot add an extension");
  }
  if (!s.write(crl.get(), o.out, o.pem, &why)) return Fail(why);
  std::printf("CRL with %zu entries written to %s\n", entries.size(), o.out.c_str());
  return kExitOk;
}

NO_VPTR_CHECK int Revoke(Context& ctx) {
  const char* usage = "revoke CRL SERIAL[:REASON]... --issuer CERT --key KEY [--now DATE] -o OUT [--pem]";
  Options o;
  std::vector<std::string> rest;
  std::string why;
  if (!OptionsOf(ctx.args, false, &o, &rest, &why) || rest.size() < 2) {
    if (!why.empty()) std::fprintf(stderr, "pkixtool crl: %s\n", why.c_str());
    return Usage(usage);
  }
  std::vector<Revocation> entries(rest.size() - 1);
  for (size_t i = 1; i < rest.size(); ++i) {
    if (!RevocationOf(rest[i], false, &entries[i - 1], &why)) {
      std::fprintf(stderr, "pkixtool crl: %s\n", why.c_str());
      return Usage(usage);
    }
  }
  std::vector<Block> blocks;
  if (!ReadObjects(rest[0], kCrlLabels, "CRL", &blocks, &why)) return Fail(why);
  Signer s(ctx);
  GuardLockVar g(ctx.module->guard());
  if (!s.load(o.issuer, o.key, &why)) return Fail(why);
  const Octets& der = blocks[0].der;
  Own<TBuf> in(s.buffers->createTBuf(der.data(), static_cast<unsigned>(der.size())));
  Own<TCRL> old(in ? s.certs->createTCRL(TCert::CF_X509, in.get()) : nullptr);
  Own<TBuf> again(in ? s.buffers->createTBuf(der.data(), static_cast<unsigned>(der.size())) : nullptr);
  Own<TCRL> next(again ? s.certs->createTCRL(TCert::CF_X509, again.get()) : nullptr);
  if (!old || !next) return Fail(rest[0] + ": not a CRL the module can use");
  if (old->checkSign(s.issuer.get()) != pkixrc::kOk) return Fail(rest[0] + ": not signed by " + o.issuer);
  // The next issue: now, for the same period, with the entries so far and
  // the new ones, CRL number + 1.
  long now = NowOf(o);
  long period = old->getNextReleaseTime() - old->getThisReleaseTime();
  if (period <= 0 || old->getNextReleaseTime() == 0x7FFFFFFF) period = kDefaultDays * kDay;
  next->setThisReleaseTime(now);
  next->setNextReleaseTime(now + period);
  for (const Revocation& r : entries) {
    if (!s.revoke(next.get(), r, now, &why)) return Fail(why);
  }
  unsigned long number = 0;
  bool numbered = NumberOf(old.get(), &number);
  Own<TExtn> e(s.extension(NumberExtension(numbered ? number + 1 : 1)));
  if (!e || next->addCRLExtn(e.get()) != pkixrc::kOk) return Fail("cannot set the CRL number");
  if (!s.write(next.get(), o.out, o.pem, &why)) return Fail(why);
  int successor = old->isSuccessor(next.get());
  std::printf("CRL number %lu with %u more entries written to %s; %s\n", numbered ? number + 1 : 1,
              static_cast<unsigned>(entries.size()), o.out.c_str(),
              successor == 1 ? "it succeeds the old list" : ("NOT a successor: " + CodeText(old->error())).c_str());
  return successor == 1 ? kExitOk : kExitFailed;
}

}  // namespace

int RunCrlCreate(Context& ctx) { return Create(ctx); }
int RunCrlRevoke(Context& ctx) { return Revoke(ctx); }

}  // namespace pkixtool
