// pkixtool crl, and pkixtool cert check: revocation lists through the
// loaded module.
//   crl show FILE [--all] [--json]
//                                the fields of a list (DER or PEM) and its
//                                first entries (every entry with --all)
//   crl verify CRL ISSUER [--json]
//                                whether the list's signature verifies under
//                                ISSUER's public key (exit 0 when it does)
//   crl bundle [-o OUT] FILE...  a PKCS #7 CRL set of the lists of the files
//   crl unbundle FILE [PREFIX]   the lists of a set (written as PREFIX1.der,
//                                PREFIX2.der, ... with a prefix)
//   cert check CERT CRL... [--issuer CA] [--json]
//                                whether a list revokes CERT (exit 0 when
//                                none does); with --issuer, a list whose
//                                signature does not verify is not used
// Every object is made by the certificate service and used through its
// interface, with the module's guard raised, as a client module would.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "cert/textn.h"
#include "contract/service_ids.h"
#include "crl/crlextn.h"
#include "crl/tcrl.h"
#include "framework/cmn_rmutex.h"
#include "module/pkixsrv.h"
#include "support/der_reader.h"
#include "support/result_codes.h"
#include "tools/commands.h"
#include "tools/crl_times.h"
#include "tools/der_kind.h"
#include "tools/report.h"
#include "tools/tool_objects.h"
#include "tools/tool_util.h"

namespace pkixtool {
namespace {

// PEM labels of a revocation list and of a PKCS #7 set.
const std::vector<std::string> kCrlLabels = {"X509 CRL"};
const std::vector<std::string> kSetLabels = {"PKCS7"};

// Entries crl show prints without --all.
constexpr size_t kShownEntries = 10;

// A parsed list without nextUpdate reports this next release time.
constexpr long kNoNextUpdate = 0x7FFFFFFF;

// Messages of one command group: "pkixtool crl: ..." or "pkixtool cert: ...".
struct Say {
  const char* group;
  int fail(const std::string& what) const {
    note(what);
    return kExitFailed;
  }
  void note(const std::string& what) const { std::fprintf(stderr, "pkixtool %s: %s\n", group, what.c_str()); }
  int usage(const char* usage) const {
    std::fprintf(stderr, "usage: pkixtool %s %s\n", group, usage);
    return kExitUsage;
  }
};
const Say kCrl{"crl"};
const Say kCert{"cert"};

// CRLReason ::= ENUMERATED, by value (7 is not used).
const char* const kReasonNames[] = {
    "unspecified",          "keyCompromise",   "cACompromise", "affiliationChanged",   "superseded",
    "cessationOfOperation", "certificateHold", "(reason 7)",   "removeFromCRL",        "privilegeWithdrawn",
    "aACompromise",
};
constexpr unsigned kReasonCount = sizeof kReasonNames / sizeof kReasonNames[0];

std::string ReasonName(unsigned v) {
  return v < kReasonCount ? kReasonNames[v] : "(reason " + std::to_string(v) + ")";
}

// The reason flags an issuing distribution point limits a list to, as names.
std::string ReasonFlagNames(X509CRLReasons r) {
  std::string s;
  for (unsigned bit = 1; bit < 8; ++bit) {
    if ((r & (1u << bit)) != 0) s += (s.empty() ? "" : ", ") + ReasonName(bit);
  }
  return s.empty() ? "none" : s;
}

// A Buffer record viewing b's octets.
NO_VPTR_CHECK Buffer ViewOf(TBuf* b) {
  Buffer v;
  init_buffer(&v);
  set_buffer(&v, b->len(), b->datap());
  return v;
}

// The content of the one primitive element tagged tag that value holds
// whole; false when value holds anything else.
bool OnlyPrimitive(TBuf* value, unsigned char tag, Buffer* content) {
  DerReader r(ViewOf(value));
  return r.primitive(tag, content) == 0 && r.atEnd();
}

// An INTEGER's content: decimal when it is non-negative and fits 64 bits,
// else hex.
std::string IntegerText(const Buffer& c) {
  if (c.len == 0) return "(empty)";
  if (c.len > 9 || (c.data[0] & 0x80) != 0 || (c.len == 9 && c.data[0] != 0)) return "0x" + Hex(c.data, c.len);
  uint64_t v = 0;
  for (uint32_t i = 0; i < c.len; ++i) v = v << 8 | c.data[i];
  return std::to_string(v);
}

// A serial number's content in hex, without the sign octet a positive
// number with its top bit set carries.
std::string SerialHex(TBuf* sn) {
  const unsigned char* p = sn->datap();
  size_t n = sn->len();
  if (n > 1 && p[0] == 0) ++p, --n;
  return Hex(p, n);
}

// The words for an extension's value, by kind; "" when the tool reads no
// more of it than its kind.
NO_VPTR_CHECK std::string NumberValue(TExtn* e) {
  Own<TBuf> v(e->getValue());
  Buffer c;
  if (!v || !OnlyPrimitive(v.get(), der::kInteger, &c)) return "(unreadable value)";
  return IntegerText(c);
}

// AuthorityKeyIdentifier ::= SEQUENCE { keyIdentifier [0] OPTIONAL,
//   authorityCertIssuer [1] OPTIONAL, authorityCertSerialNumber [2] OPTIONAL }
NO_VPTR_CHECK std::string AuthorityKeyValue(TExtn* e) {
  Own<TBuf> v(e->getValue());
  if (!v) return "(no value)";
  std::string out;
  DerReader r(ViewOf(v.get()));
  int rc = r.element(der::kSequence, [&out](DerReader& body) {
    Buffer c;
    if (body.peek() == der::kContext0) {
      DER_TRY(body.primitive(der::kContext0, &c));
      out += "key id " + Hex(c.data, c.len, ":");
    }
    if (body.peek() == der::kContext1Constructed) {
      DER_TRY(body.element(der::kContext1Constructed, [](DerReader& names) {
        names.skipRest();
        return 0;
      }));
      out += std::string(out.empty() ? "" : ", ") + "with the issuer's issuer names";
    }
    if (body.peek() == der::kContext2) {
      DER_TRY(body.primitive(der::kContext2, &c));
      out += std::string(out.empty() ? "" : ", ") + "issuer's serial " + Hex(c.data, c.len);
    }
    return 0;
  });
  if (rc != 0 || !r.atEnd()) return "(unreadable value)";
  return out.empty() ? "(empty)" : out;
}

// The parts of an issuing distribution point, in the order shown.
NO_VPTR_CHECK Report IssuingPoint(TExtn* e) {
  auto* idp = static_cast<TIDP*>(e);  // the kind's class
  Report details = Report::array();
  struct NameRow {
    const char* what;
    TName* (TIDP::*get)();
  };
  const NameRow kNames[] = {
      {"full name", &TIDP::getFullDp},
      {"name relative to the issuer", &TIDP::getRdn},
      {"CRL issuer", &TIDP::getIssuer},
  };
  for (const NameRow& n : kNames) {
    Own<TName> name((idp->*n.get)());
    if (name) details.push_back(std::string(n.what) + ": " + Text(name->getPrintable(TName::PRN_LOSSY)));
  }
  struct FlagRow {
    const char* what;
    int (TIDP::*is)();
  };
  const FlagRow kFlags[] = {
      {"only user certificates", &TIDP::isOnlyContainsUserCerts},
      {"only CA certificates", &TIDP::isOnlyContainsCACerts},
      {"indirect CRL", &TIDP::isIndirectCRL},
  };
  for (const FlagRow& f : kFlags) {
    if ((idp->*f.is)() != 0) details.push_back(f.what);
  }
  X509CRLReasons r = idp->getReasons();
  if (r != crlreasons::kAll) details.push_back("only some reasons: " + ReasonFlagNames(r));
  return details;
}

// The list's extensions: name, criticality, and the value in words
// ("value") or in parts ("details"); the identifier of one the module does
// not read ("oid_hex").
NO_VPTR_CHECK Report ListExtensions(TCRL* crl) {
  Report out = Report::array();
  Own<TExtnList> l(crl->getCRLExtns());
  for (TExtn* e = l ? l->getFirst() : nullptr; e != nullptr; e = l->getNext()) {
    Own<TExtn> held(e);
    int kind = e->getType();
    Report x = Report::object();
    x["name"] = ExtnMeaning(kind);
    x["critical"] = e->isCritical() != 0;
    switch (kind) {
      case TExtn::EXT_CRL_NUMBER: x["value"] = NumberValue(e); break;
      case TExtn::EXT_DELTA_CRL: x["value"] = "base CRL number " + NumberValue(e); break;
      case TExtn::EXT_AUTHORITY_KEY_ID: x["value"] = AuthorityKeyValue(e); break;
      case TExtn::EXT_ISSUING_DP: x["details"] = IssuingPoint(e); break;
      case TExtn::EXT_NONE: {
        Own<TBuf> id(e->getObjId());
        x["oid_hex"] = id ? Hex(id->datap(), id->len()) : "";
        break;
      }
      default: break;
    }
    out.push_back(std::move(x));
  }
  return out;
}

void PrintListExtensions(const Report& list) {
  if (list.empty()) {
    std::printf("extensions: none\n");
    return;
  }
  std::printf("extensions:\n");
  for (const Report& x : list) {
    std::printf("  %s%s", x["name"].get<std::string>().c_str(), x["critical"].get<bool>() ? " (critical)" : "");
    if (x.contains("value")) {
      std::printf(": %s\n", x["value"].get<std::string>().c_str());
    } else if (x.contains("details")) {
      std::printf(":\n");
      for (const Report& d : x["details"]) std::printf("    %s\n", d.get<std::string>().c_str());
    } else if (x.contains("oid_hex")) {
      std::printf(" %s\n", x["oid_hex"].get<std::string>().c_str());
    } else {
      std::printf("\n");
    }
  }
}

// Text the entry objects hold for a value that could not be read.
constexpr const char* kUnreadable = "(unreadable)";

// What an entry's extensions add, into *entry: its reason, invalidity date
// and, in an indirect list, the issuer it belongs to when that is not the
// list's.
NO_VPTR_CHECK void EntryDetails(TCert* entry, const std::string& list_issuer, Report* out) {
  Own<TExtnList> l(entry->getExtns());
  for (TExtn* e = l ? l->getFirst() : nullptr; e != nullptr; e = l->getNext()) {
    Own<TExtn> held(e);
    Own<TBuf> v(e->getValue());
    Buffer c;
    switch (e->getType()) {
      case TExtn::EXT_REASON_CODE:
        (*out)["reason"] =
            v && OnlyPrimitive(v.get(), der::kEnumerated, &c) && c.len == 1 ? ReasonName(c.data[0]) : kUnreadable;
        break;
      case TExtn::EXT_INVALIDITY_DATE:
        // GeneralizedTime, shown as the list states it.
        (*out)["invalid_since"] = v && OnlyPrimitive(v.get(), der::kGeneralizedTime, &c)
                                      ? std::string(reinterpret_cast<const char*>(c.data), c.len)
                                      : kUnreadable;
        break;
      default: break;
    }
  }
  Own<TName> issuer(entry->getName(kIssuerDN));
  std::string name = issuer ? Text(issuer->getPrintable(TName::PRN_LOSSY)) : "";
  if (!name.empty() && name != list_issuer) (*out)["certificate_issuer"] = name;
}

// One entry: serial, revocation date (stated is the date the list states
// for it, "" when not known) and what its extensions add.
NO_VPTR_CHECK Report Entry(TCert* entry, const std::string& stated, const std::string& list_issuer) {
  Report out = Report::object();
  Own<TBuf> sn(entry->getSerialNumber());
  out["serial"] = sn ? SerialHex(sn.get()) : std::string("(none)");
  long from = 0, to = 0;
  if (!stated.empty()) {
    out["revoked"] = stated;
  } else if (entry->getValidity(&from, &to) == pkixrc::kOk) {
    out["revoked"] = TimeText(from);
  }
  EntryDetails(entry, list_issuer, &out);
  return out;
}

// ", reason keyCompromise, invalid since ..., certificate issuer ...": what
// an entry's extensions add, as text.
std::string DetailsText(const Report& e) {
  auto has = [&e](const char* key) { return e.contains(key); };
  auto text = [&e](const char* key) { return e[key].get<std::string>(); };
  std::string s;
  if (has("reason")) s += ", reason " + text("reason");
  if (has("invalid_since")) {
    s += text("invalid_since") == kUnreadable ? ", invalidity date (unreadable)" : ", invalid since " + text("invalid_since");
  }
  if (has("certificate_issuer")) s += ", certificate issuer " + text("certificate_issuer");
  return s;
}

// "serial 67, revoked 2026-12-10 13:39:00 UTC, reason keyCompromise ..."
std::string EntryLine(const Report& e) {
  std::string s = "serial " + e["serial"].get<std::string>();
  if (e.contains("revoked")) s += ", revoked " + e["revoked"].get<std::string>();
  return s + DetailsText(e);
}

// Every entry, in the list's order.
NO_VPTR_CHECK Report Entries(TCRL* crl, const StatedTimes& times, const std::string& issuer) {
  Report out = Report::array();
  Own<TCertList> l(crl->getRevokedCerts());
  for (TCert* c = l ? l->getFirst() : nullptr; c != nullptr; c = l->getNext()) {
    Own<TCert> held(c);
    // The module keeps the entries in the list's order.
    size_t i = out.size();
    std::string stated = times.read && i < times.revoked.size() ? times.revoked[i] : "";
    out.push_back(Entry(c, stated, issuer));
  }
  return out;
}

// The report of a list: its fields as it states them, its extensions and
// every entry. The keys are listed in README.md ("JSON output").
NO_VPTR_CHECK Report CrlReport(Context& ctx, TCRL* crl, const std::string& path, const Octets& der) {
  StatedTimes times = TimesOf(der);
  Report r = Report::object();
  r["file"] = path;
  r["version"] = crl->getVersion();
  Own<TName> n(crl->getTName(kIssuerDN));
  std::string issuer = n ? Text(n->getPrintable(TName::PRN_LOSSY)) : "";
  r["issuer"] = n ? issuer : "(none)";
  r["this_update"] = times.read ? times.this_update : TimeText(crl->getThisReleaseTime());
  long next = crl->getNextReleaseTime();
  std::string next_text = times.read ? times.next_update : next == kNoNextUpdate ? "" : TimeText(next);
  r["next_update"] = next_text.empty() ? Report(nullptr) : Report(next_text);
  pki_alg_t alg = crl->getSignatureAlgorithm();
  r["signature_algorithm"] = AlgName(ctx, alg);
  r["signature_algorithm_number"] = AlgNumber(alg);
  r["extensions"] = ListExtensions(crl);
  r["entries"] = Entries(crl, times, issuer);
  return r;
}

void PrintCrlReport(const Report& r, bool all) {
  std::printf("version: %u\n", r["version"].get<unsigned>());
  std::printf("issuer: %s\n", r["issuer"].get<std::string>().c_str());
  std::printf("this update: %s\n", r["this_update"].get<std::string>().c_str());
  std::printf("next update: %s\n", r["next_update"].is_null() ? "none (the list names no next update)"
                                                                 : r["next_update"].get<std::string>().c_str());
  std::string name = r["signature_algorithm"].get<std::string>();
  std::string number = r["signature_algorithm_number"].get<std::string>();
  std::printf("signature algorithm: %s\n", name.empty() ? number.c_str() : (name + " (" + number + ")").c_str());
  PrintListExtensions(r["extensions"]);
  const Report& entries = r["entries"];
  size_t shown = all ? entries.size() : std::min(entries.size(), kShownEntries);
  std::printf("entries: %zu\n", entries.size());
  for (size_t i = 0; i < shown; ++i) std::printf("  %s\n", EntryLine(entries[i]).c_str());
  if (entries.size() > shown) std::printf("  (%zu more; --all shows every entry)\n", entries.size() - shown);
}

// The lists of the file at path (DER: one; PEM: every X509 CRL block).
bool ReadCrls(const std::string& path, std::vector<Block>* out, std::string* why) {
  return ReadObjects(path, kCrlLabels, "CRL", out, why);
}

// The one list of a file, with a note when the file holds more.
bool ReadOneCrl(const Say& say, const std::string& path, Octets* der, std::string* why) {
  std::vector<Block> crls;
  if (!ReadCrls(path, &crls, why)) return false;
  if (crls.size() > 1) say.note(path + " holds " + std::to_string(crls.size()) + " CRLs; the first is used");
  der->swap(crls[0].der);
  return true;
}

// A list the service makes of der, one new reference for the caller; null
// with *why when it cannot ("PATH: a certificate, not a CRL" when der is a
// certificate; what the file holds when it has the shape of another object).
NO_VPTR_CHECK TCRL* MakeCrl(Context& ctx, TPkixService* s, const std::string& path, const Octets& der,
                            std::string* why) {
  Acquired<X509CmnSrv_I> buffers(ctx, pkixid::kBuffers);
  if (!buffers) {
    *why = "the host offers no buffer service";
    return nullptr;
  }
  Own<TBuf> in(buffers->createTBuf(der.data(), static_cast<unsigned>(der.size())));
  // An empty list first, so that the parse's own code can be reported.
  Own<TCRL> crl(s->createTCRL(TCert::CF_X509, nullptr));
  if (!in || !crl) {
    *why = path + ": " + CodeText(pkixrc::kNoMemory);
    return nullptr;
  }
  int rc = crl->setRaw(in.get());
  if (rc != pkixrc::kOk) {
    *why = CertParserCode(ctx, der) == 0 ? path + ": a certificate, not a CRL"
                                         : path + ": not a CRL the module can use: " + CodeText(rc) + KindNote(der, kKindCrl);
    return nullptr;
  }
  return crl.release();
}

NO_VPTR_CHECK int Show(Context& ctx) {
  const char* usage = "show FILE [--all] [--json]";
  std::string path;
  bool all = false;
  for (const std::string& a : ctx.args) {
    if (a == "--all" && !all) {
      all = true;
    } else if (path.empty() && a != "--all") {
      path = a;
    } else {
      return kCrl.usage(usage);
    }
  }
  if (path.empty()) return kCrl.usage(usage);
  Octets der;
  std::string why;
  if (!ReadOneCrl(kCrl, path, &der, &why)) return kCrl.fail(why);
  Acquired<TPkixService> s(ctx, pkixid::kCertService);
  if (!s) return kCrl.fail("the module offers no certificate service");
  GuardLockVar g(ctx.module->guard());
  Own<TCRL> crl(MakeCrl(ctx, s.get(), path, der, &why));
  if (!crl) return kCrl.fail(why);
  Report r = CrlReport(ctx, crl.get(), path, der);
  if (ctx.json) {
    PrintJson(r);
  } else {
    PrintCrlReport(r, all);
  }
  return kExitOk;
}

NO_VPTR_CHECK int Verify(Context& ctx) {
  if (ctx.args.size() != 2) return kCrl.usage("verify CRL ISSUER [--json]");
  Octets crl_der, issuer_der;
  std::string why;
  if (!ReadOneCrl(kCrl, ctx.args[0], &crl_der, &why)) return kCrl.fail(why);
  if (!ReadOneCert("crl", ctx.args[1], &issuer_der, &why)) return kCrl.fail(why);
  Acquired<TPkixService> s(ctx, pkixid::kCertService);
  if (!s) return kCrl.fail("the module offers no certificate service");
  GuardLockVar g(ctx.module->guard());
  Own<TCRL> crl(MakeCrl(ctx, s.get(), ctx.args[0], crl_der, &why));
  if (!crl) return kCrl.fail(why);
  Own<TCert> issuer(MakeCert(ctx, s.get(), ctx.args[1], issuer_der, &why));
  if (!issuer) return kCrl.fail(why);
  return PrintSignatureVerdict(ctx, ctx.args[0], ctx.args[1], crl->checkSign(issuer.get()));
}

// One list of cert check: where it came from, its DER and the object.
struct NamedCrl {
  std::string path;
  const Octets* der;
  Own<TCRL> crl;
};

// When the list revokes cert, as the list states it: the date of the first
// entry the module's issuer-and-serial matching finds for it; the module's
// time of hit when the DER cannot be walked.
NO_VPTR_CHECK std::string RevokedWhen(const NamedCrl& c, TCert* cert, TCert* hit) {
  StatedTimes times = TimesOf(*c.der);
  Own<TCertList> l(c.crl->getRevokedCerts());
  size_t i = 0;
  for (TCert* e = times.read && l ? l->getFirst() : nullptr; e != nullptr; e = l->getNext(), ++i) {
    Own<TCert> held(e);
    if (e->areISNMatched(cert) == 1 && i < times.revoked.size()) return times.revoked[i];
  }
  long from = 0, to = 0;
  return hit->getValidity(&from, &to) == pkixrc::kOk ? TimeText(from) : "";
}

NO_VPTR_CHECK int Check(Context& ctx) {
  const char* usage = "check CERT CRL... [--issuer CA] [--json]";
  std::string issuer_path;
  std::vector<std::string> files;
  for (size_t i = 0; i < ctx.args.size(); ++i) {
    if (ctx.args[i] != "--issuer") {
      files.push_back(ctx.args[i]);
    } else if (i + 1 < ctx.args.size() && issuer_path.empty()) {
      issuer_path = ctx.args[++i];
    } else {
      return kCert.usage(usage);
    }
  }
  if (files.size() < 2) return kCert.usage(usage);
  const std::string cert_path = files[0];
  Octets cert_der, issuer_der;
  std::vector<std::pair<std::string, Octets>> crl_ders;
  std::string why;
  if (!ReadOneCert("cert", cert_path, &cert_der, &why)) return kCert.fail(why);
  if (!issuer_path.empty() && !ReadOneCert("cert", issuer_path, &issuer_der, &why)) return kCert.fail(why);
  for (size_t i = 1; i < files.size(); ++i) {
    std::vector<Block> crls;
    if (!ReadCrls(files[i], &crls, &why)) return kCert.fail(why);
    for (Block& b : crls) crl_ders.emplace_back(files[i], std::move(b.der));
  }
  Acquired<TPkixService> s(ctx, pkixid::kCertService);
  if (!s) return kCert.fail("the module offers no certificate service");
  GuardLockVar g(ctx.module->guard());
  Own<TCert> cert(MakeCert(ctx, s.get(), cert_path, cert_der, &why));
  if (!cert) return kCert.fail(why);
  Own<TCert> issuer;
  if (!issuer_path.empty()) {
    issuer.reset(MakeCert(ctx, s.get(), issuer_path, issuer_der, &why));
    if (!issuer) return kCert.fail(why);
  }
  std::vector<NamedCrl> crls;
  for (const auto& d : crl_ders) {
    Own<TCRL> crl(MakeCrl(ctx, s.get(), d.first, d.second, &why));
    if (!crl) return kCert.fail(why);
    crls.push_back({d.first, &d.second, std::move(crl)});
  }
  bool failed = false;
  bool revoked = false;
  size_t used = 0;
  Report found = Report::array();  // one object per list that revokes cert
  for (const NamedCrl& c : crls) {
    if (issuer) {
      int r = c.crl->checkSign(issuer.get());
      if (r != pkixrc::kOk) {
        kCert.note(c.path + ": " + SignatureVerdict(r) + " under " + issuer_path + "; the list is not used");
        failed = true;
        continue;
      }
    }
    ++used;
    Own<TCert> entry(c.crl->findRevokedCert(cert.get()));
    if (entry) {
      Own<TName> n(c.crl->getTName(kIssuerDN));
      std::string list_issuer = n ? Text(n->getPrintable(TName::PRN_LOSSY)) : "";
      Report hit = Report::object();
      hit["crl"] = c.path;
      std::string when = RevokedWhen(c, cert.get(), entry.get());
      if (!when.empty()) hit["revoked"] = when;
      EntryDetails(entry.get(), list_issuer, &hit);
      if (!ctx.json) {
        std::printf("%s: revoked%s%s (%s)\n", cert_path.c_str(), when.empty() ? "" : (" on " + when).c_str(),
                    DetailsText(hit).c_str(), c.path.c_str());
      }
      found.push_back(std::move(hit));
      revoked = true;
    } else if (c.crl->error() != pkixrc::kNotFound) {
      kCert.note(c.path + ": cannot search the list: " + CodeText(c.crl->error()));
      failed = true;
    }
  }
  if (ctx.json) {
    Report r = Report::object();
    r["file"] = cert_path;
    r["revoked"] = revoked;
    r["lists"] = crls.size();
    r["lists_used"] = used;
    r["revocations"] = std::move(found);
    r["all_lists_usable"] = !failed;
    PrintJson(r);
  } else if (!revoked) {
    std::printf("%s: not revoked (%zu of %zu lists used)\n", cert_path.c_str(), used, crls.size());
  }
  return revoked || failed ? kExitFailed : kExitOk;
}

NO_VPTR_CHECK int Bundle(Context& ctx) {
  std::string out_path;
  std::vector<std::string> files;
  if (!OutputAndFiles(ctx.args, &out_path, &files)) return kCrl.usage("bundle [-o OUT] FILE...");
  // Every list of every file, in order.
  std::vector<std::pair<std::string, Octets>> ders;
  std::string why;
  for (const std::string& f : files) {
    std::vector<Block> crls;
    if (!ReadCrls(f, &crls, &why)) return kCrl.fail(why);
    for (Block& b : crls) ders.emplace_back(f, std::move(b.der));
  }
  Acquired<TPkixService> s(ctx, pkixid::kCertService);
  if (!s) return kCrl.fail("the module offers no certificate service");
  GuardLockVar g(ctx.module->guard());
  Own<TCRLList> l(s->createTCRLList());
  if (!l) return kCrl.fail("no CRL list: " + CodeText(pkixrc::kNoMemory));
  for (const auto& d : ders) {
    Own<TCRL> crl(MakeCrl(ctx, s.get(), d.first, d.second, &why));
    if (!crl) return kCrl.fail(why);
    int rc = l->append(crl.get());
    if (rc != pkixrc::kOk) return kCrl.fail("cannot add " + d.first + ": " + CodeText(rc));
  }
  Own<TBuf> set(l->getPKCS7Crls());
  if (!set) return kCrl.fail("cannot encode the set: " + CodeText(l->error()));
  if (!WriteWholeFile(out_path, set->datap(), set->len(), &why)) return kCrl.fail(why);
  if (!out_path.empty()) std::printf("%zu CRLs, %u octets written to %s\n", ders.size(), set->len(), out_path.c_str());
  return kExitOk;
}

NO_VPTR_CHECK int Unbundle(Context& ctx) {
  if (ctx.args.empty() || ctx.args.size() > 2) return kCrl.usage("unbundle FILE [PREFIX]");
  const std::string& path = ctx.args[0];
  std::vector<Block> sets;
  std::string why;
  if (!ReadObjects(path, kSetLabels, "CRL set", &sets, &why)) return kCrl.fail(why);
  if (sets.size() > 1) kCrl.note(path + " holds " + std::to_string(sets.size()) + " CRL sets; the first is used");
  const Octets& d = sets[0].der;
  Acquired<TPkixService> s(ctx, pkixid::kCertService);
  Acquired<X509CmnSrv_I> buffers(ctx, pkixid::kBuffers);
  if (!s || !buffers) return kCrl.fail("the module offers no certificate service");
  GuardLockVar g(ctx.module->guard());
  Own<TBuf> b(buffers->createTBuf(d.data(), static_cast<unsigned>(d.size())));
  Own<TCRLList> l(s->createTCRLList());
  if (!b || !l) return kCrl.fail("no buffer or list: " + CodeText(pkixrc::kNoMemory));
  int r = l->setPKCS7Crls(b.get());
  if (r != pkixrc::kOk) return kCrl.fail(path + ": not a CRL set the module can use: " + CodeText(r));
  int n = 0;
  for (TCRL* c = l->getFirst(); c != nullptr; c = l->getNext()) {
    Own<TCRL> held(c);
    ++n;
    Own<TName> issuer(c->getTName(kIssuerDN));
    std::printf("%d: %s\n", n, issuer ? Text(issuer->getPrintable(TName::PRN_LOSSY)).c_str() : "(no issuer)");
    if (ctx.args.size() == 2) {
      std::string out = ctx.args[1] + std::to_string(n) + ".der";
      Own<TBuf> raw(c->getRaw(nullptr, nullptr));
      if (!raw) return kCrl.fail("cannot write " + out + ": no DER: " + CodeText(c->error()));
      if (!WriteWholeFile(out, raw->datap(), raw->len(), &why)) return kCrl.fail(why);
    }
  }
  return kExitOk;
}

}  // namespace

int RunCrlShow(Context& ctx) { return Show(ctx); }
int RunCrlVerify(Context& ctx) { return Verify(ctx); }
int RunCrlBundle(Context& ctx) { return Bundle(ctx); }
int RunCrlUnbundle(Context& ctx) { return Unbundle(ctx); }
int RunCertCheck(Context& ctx) { return WithFetchedCrls(ctx, Check); }

}  // namespace pkixtool
