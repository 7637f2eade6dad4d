// Building cert show's report from the module's answers and the DER, and
// printing it.
#include "tools/cert_report.h"

#include <cstdio>

#include "support/result_codes.h"
#include "support/result_text.h"
#include "tools/cert_fields.h"
#include "tools/extn_values.h"
#include "tools/oid_names.h"
#include "tools/tool_objects.h"

namespace pkixtool {
namespace {

// What getType() answers.
constexpr int kEndEntity = 1;
constexpr int kAuthority = 2;

// What check() says of the certificate now.
std::string StatusText(int check) {
  if (check == pkixrc::kOk) return "valid now";
  if (check == kCertUnknownCritical) return "carries an unrecognised critical extension";
  if (check == kCertNotYetValid || check == kCertExpired) return pkix_result_text(check);
  return "undetermined: " + CodeText(check);
}

NO_VPTR_CHECK std::string NameOf(TCert* c, TName::name_type_t t) {
  Own<TName> n(c->getName(t));
  return n ? Text(n->getPrintable(TName::PRN_LOSSY)) : "(none)";
}

NO_VPTR_CHECK unsigned KeyBits(TCert* c) {
  Own<TKey> key(c->getKey(TKey::KT_PUBLIC));
  if (!key) return 0;
  Own<TBuf> size(key->getParam(TKey::AKA_BITS));
  if (!size || size->len() != 4) return 0;
  const unsigned char* p = size->datap();
  return static_cast<unsigned>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

// The SHA-1 and MD5 digests of the DER, colon-separated as the openssl
// command prints fingerprints; "(none: reason)" when the crypto service
// gives none.
NO_VPTR_CHECK Report Fingerprints(TCert* c) {
  struct Row {
    const char* key;
    TBuf* (TCert::*get)();
  };
  const Row kRows[] = {{"sha1", &TCert::getSHA1}, {"md5", &TCert::getMD5}};
  Report out = Report::object();
  for (const Row& r : kRows) {
    Own<TBuf> d((c->*r.get)());
    out[r.key] = d ? Hex(d->datap(), d->len(), ":") : "(none: " + CodeText(c->error()) + ")";
  }
  return out;
}

Report Extensions(const CertFields& f) {
  Report list = Report::array();
  for (const ExtnField& e : f.extensions) {
    Report x = Report::object();
    x["oid"] = e.oid;
    x["oid_hex"] = e.oid_hex;
    const char* name = OidName(e.oid);
    x["name"] = name != nullptr ? name : "unrecognised extension";
    x["critical"] = e.critical;
    std::vector<std::string> entries;
    ExtnReading how = ReadExtnValue(e.oid, e.value, &entries);
    x["reading"] = how == ExtnReading::kRead ? "read" : how == ExtnReading::kUnknown ? "unknown" : "malformed";
    if (how == ExtnReading::kRead) x["value"] = entries;
    x["value_hex"] = Hex(e.value.data(), e.value.size());
    list.push_back(std::move(x));
  }
  return list;
}

}  // namespace

NO_VPTR_CHECK Report CertReport(Context& ctx, TCert* c, const std::string& path, const Octets& der) {
  CertFields f;
  bool stated = ReadCertFields(der, &f) == 0;
  Report r = Report::object();
  r["file"] = path;
  r["version"] = c->getVersion() + 1;
  if (stated) {
    r["serial"] = SerialText(f.serial);
  } else {
    Own<TBuf> sn(c->getSerialNumber());
    r["serial"] = sn ? Hex(sn->datap(), sn->len(), ":") : "";
  }
  r["issuer"] = NameOf(c, kIssuerDN);
  r["subject"] = NameOf(c, kSubjectDN);
  long from = 0, to = 0;
  bool held = c->getValidity(&from, &to) == pkixrc::kOk;
  r["not_before"] = stated ? f.not_before : held ? TimeText(from) : "";
  r["not_after"] = stated ? f.not_after : held ? TimeText(to) : "";
  // The module holds times as seconds in a long: on the 32-bit product a
  // date past 2038 saturates there. Said when its view differs.
  if (held && stated && (TimeText(from) != f.not_before || TimeText(to) != f.not_after)) {
    r["module_validity"] = {{"not_before", TimeText(from)}, {"not_after", TimeText(to)}};
  }
  int type = c->getType();
  r["type"] = type == kAuthority ? "certification authority" : type == kEndEntity ? "end entity" : "undetermined";
  Report key = Report::object();
  key["algorithm"] = stated ? OidText(f.key_oid) : "";
  if (!f.key_param_oid.empty()) key["parameters"] = OidText(f.key_param_oid);
  key["bits"] = KeyBits(c);
  r["public_key"] = key;
  pki_alg_t alg = c->getSignAlg();
  std::string module_name = AlgName(ctx, alg);
  r["signature_algorithm"] = !module_name.empty() ? module_name : stated ? OidText(f.sign_oid) : "";
  r["signature_algorithm_number"] = AlgNumber(alg);
  r["fingerprints"] = Fingerprints(c);
  r["extensions"] = Extensions(f);
  r["status"] = StatusText(c->check());
  return r;
}

void PrintCertReport(const Report& r) {
  auto s = [&r](const char* key) { return r[key].get<std::string>(); };
  std::printf("version: %d\n", r["version"].get<int>());
  std::printf("serial: %s\n", s("serial").c_str());
  std::printf("issuer: %s\n", s("issuer").c_str());
  std::printf("subject: %s\n", s("subject").c_str());
  std::printf("validity: %s to %s\n", s("not_before").c_str(), s("not_after").c_str());
  if (r.contains("module_validity")) {
    const Report& m = r["module_validity"];
    std::printf("note: the module's record holds %s to %s (its time saturates past 2038)\n",
                m["not_before"].get<std::string>().c_str(), m["not_after"].get<std::string>().c_str());
  }
  std::printf("type: %s\n", s("type").c_str());
  const Report& key = r["public_key"];
  std::string param = key.contains("parameters") ? " (" + key["parameters"].get<std::string>() + ")" : "";
  std::printf("public key: %s%s, %u bits\n", key["algorithm"].get<std::string>().c_str(), param.c_str(),
              key["bits"].get<unsigned>());
  std::printf("signature algorithm: %s (%s)\n", s("signature_algorithm").c_str(),
              s("signature_algorithm_number").c_str());
  std::printf("SHA-1 fingerprint: %s\n", r["fingerprints"]["sha1"].get<std::string>().c_str());
  std::printf("MD5 fingerprint: %s\n", r["fingerprints"]["md5"].get<std::string>().c_str());
  std::printf("extensions:%s\n", r["extensions"].empty() ? " none" : "");
  for (const Report& e : r["extensions"]) {
    std::string oid = e["oid"].get<std::string>();
    std::string critical = e["critical"].get<bool>() ? " (critical)" : "";
    std::string reading = e["reading"].get<std::string>();
    if (reading == "malformed") {
      // Known, but not in its syntax: unreadable, as the module finds it.
      std::printf("  unrecognised extension%s %s\n", critical.c_str(), e["oid_hex"].get<std::string>().c_str());
      continue;
    }
    if (reading == "unknown") {
      std::printf("  %s %s%s: %s\n", e["name"].get<std::string>().c_str(), oid.c_str(), critical.c_str(),
                  e["value_hex"].get<std::string>().c_str());
      continue;
    }
    std::string value;
    for (const Report& v : e["value"]) value += (value.empty() ? "" : ", ") + v.get<std::string>();
    std::printf("  %s%s: %s\n", e["name"].get<std::string>().c_str(), critical.c_str(), value.c_str());
  }
  std::printf("status: %s\n", s("status").c_str());
}

}  // namespace pkixtool
