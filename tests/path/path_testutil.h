// Shared by the path tests: the generated fixtures (tests/data/path, made by
// scripts/gen-path-pki), their table of cases, the module's objects made
// from them, and OpenSSL's verdict on the same inputs.
#ifndef PKIX_TESTS_PATH_PATH_TESTUTIL_H_
#define PKIX_TESTS_PATH_PATH_TESTUTIL_H_

#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "cert/x509crt.h"
#include "crl/tcrl.h"
#include "path/pathvalid.h"
#include "support/abuf.h"
#include "support/ref.h"

namespace pathtest {

using Bytes = std::vector<unsigned char>;

// 2030-01-01T00:00:00Z: inside every fixture's validity but the ones made
// to be outside it.
constexpr long kFixtureNow = 1893456000L;

inline std::string dataPath(const std::string& file) { return std::string(PKIX_SOURCE_DIR) + "/tests/data/path/" + file; }

inline Bytes readData(const std::string& file) {
  std::ifstream f(dataPath(file), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::string part;
  std::istringstream in(s);
  while (std::getline(in, part, sep)) {
    if (!part.empty()) out.push_back(part);
  }
  return out;
}

// One line of cases.txt.
struct Case {
  std::string name, verdict, target;
  std::vector<std::string> untrusted, anchors, crls, options;
  std::string option(const std::string& key) const {
    for (const std::string& o : options) {
      if (o.compare(0, key.size() + 1, key + "=") == 0) return o.substr(key.size() + 1);
    }
    return "";
  }
  bool has(const std::string& flag) const {
    for (const std::string& o : options) {
      if (o == flag) return true;
    }
    return false;
  }
  // The "no_oracle=WHY" option runs to the end of the line.
  bool oracle() const {
    for (const std::string& o : options) {
      if (o.compare(0, 10, "no_oracle=") == 0) return false;
    }
    return true;
  }
};

inline std::vector<Case> loadCases() {
  std::ifstream f(dataPath("cases.txt"));
  std::vector<Case> out;
  std::string line;
  while (std::getline(f, line)) {
    std::vector<std::string> fields;
    std::string part;
    std::istringstream in(line);
    while (std::getline(in, part, '|')) fields.push_back(part);
    if (fields.size() < 6) continue;
    fields.resize(7);
    Case c{fields[0], fields[1], fields[2], split(fields[3], ','), split(fields[4], ','), split(fields[5], ','), split(fields[6], ' ')};
    out.push_back(c);
  }
  return out;
}

// The case of the table named name, or null.
inline const Case* findCase(const std::vector<Case>& cases, const std::string& name) {
  for (const Case& c : cases) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

// The verdict names of cases.txt and the validator's codes.
struct VerdictName {
  const char* name;
  int code;
};
const VerdictName kVerdictNames[] = {
    {"valid", pkixpath::kValid},
    {"no_issuer", pkixpath::kNoIssuer},
    {"bad_signature", pkixpath::kBadSignature},
    {"not_yet_valid", pkixpath::kNotYetValid},
    {"expired", pkixpath::kExpired},
    {"not_ca", pkixpath::kNotCA},
    {"path_length", pkixpath::kPathLength},
    {"key_usage", pkixpath::kKeyUsage},
    {"name_constraints", pkixpath::kNameConstraints},
    {"policy", pkixpath::kPolicy},
    {"unknown_critical", pkixpath::kUnknownCritical},
    {"revoked", pkixpath::kRevoked},
    {"status_unknown", pkixpath::kStatusUnknown},
};

inline int codeOf(const std::string& verdict) {
  for (const VerdictName& v : kVerdictNames) {
    if (verdict == v.name) return v.code;
  }
  return -1;
}

// OID content octets of a dotted object identifier.
inline Bytes oidContent(const std::string& dotted) {
  std::vector<unsigned long> arcs;
  for (const std::string& a : split(dotted, '.')) arcs.push_back(std::stoul(a));
  Bytes out;
  std::vector<unsigned long> values{arcs[0] * 40 + arcs[1]};
  values.insert(values.end(), arcs.begin() + 2, arcs.end());
  for (unsigned long v : values) {
    Bytes chunk{static_cast<unsigned char>(v & 0x7F)};
    for (v >>= 7; v != 0; v >>= 7) chunk.insert(chunk.begin(), static_cast<unsigned char>(0x80 | (v & 0x7F)));
    out.insert(out.end(), chunk.begin(), chunk.end());
  }
  return out;
}

// The module's objects of a case, and the parameters its options say.
struct Loaded {
  std::vector<Ref<TCert>> untrusted, anchors;
  std::vector<Ref<TCRL>> crls;
  Ref<TCert> target;
  pkixpath::PathParams params;

  static Ref<TCert> cert(const std::string& file) {
    Bytes d = readData(file);
    return Ref<TCert>::adopt(createTCert(TCert::CF_X509, d.data(), static_cast<unsigned>(d.size())));
  }
  static Ref<TCRL> crl(const std::string& file) {
    Bytes d = readData(file);
    Ref<TBuf> b = Ref<TBuf>::adopt(createTBuf(d.data(), static_cast<unsigned>(d.size())));
    return Ref<TCRL>::adopt(createTCRL(TCert::CF_X509, b.get()));
  }

  explicit Loaded(const Case& c) {
    target = cert(c.target);
    for (const std::string& f : c.untrusted) untrusted.push_back(cert(f));
    for (const std::string& f : c.anchors) anchors.push_back(cert(f));
    for (const std::string& f : c.crls) crls.push_back(crl(f));
    params.use_clock = false;
    params.at = kFixtureNow;
    params.revocation = c.has("crl_all") ? pkixpath::Revocation::kAll
                        : c.has("crl_leaf") ? pkixpath::Revocation::kLeafOnly
                                            : pkixpath::Revocation::kOff;
    params.initial_explicit_policy = c.has("explicit");
    params.initial_policy_mapping_inhibit = c.has("inhibit_map");
    params.initial_any_policy_inhibit = c.has("inhibit_any");
    for (const std::string& o : c.options) {
      if (o.compare(0, 7, "policy=") == 0) params.initial_policies.push_back(oidContent(o.substr(7)));
    }
  }

  // Every object was made.
  bool complete() const {
    bool ok = target != nullptr;
    for (const auto& c : untrusted) ok = ok && c != nullptr;
    for (const auto& c : anchors) ok = ok && c != nullptr;
    for (const auto& c : crls) ok = ok && c != nullptr;
    return ok;
  }

  int validate(pkixpath::PathVerdict* out) const {
    std::vector<TCert*> u, a;
    std::vector<TCRL*> l;
    for (const auto& c : untrusted) u.push_back(c.get());
    for (const auto& c : anchors) a.push_back(c.get());
    for (const auto& c : crls) l.push_back(c.get());
    return pkixpath::validatePath(target.get(), u, a, l, params, out);
  }
};

// OpenSSL's X509_verify_cert on a case's inputs with the matching flags:
// 1 valid, 0 not valid; *error its error code.
inline int opensslVerdict(const Case& c, int* error) {
  auto x509 = [](const std::string& f) {
    Bytes d = readData(f);
    const unsigned char* p = d.data();
    return d2i_X509(nullptr, &p, static_cast<long>(d.size()));
  };
  X509_STORE* store = X509_STORE_new();
  for (const std::string& f : c.anchors) {
    X509* x = x509(f);
    X509_STORE_add_cert(store, x);
    X509_free(x);
  }
  STACK_OF(X509)* chain = sk_X509_new_null();
  for (const std::string& f : c.untrusted) sk_X509_push(chain, x509(f));
  STACK_OF(X509_CRL)* crls = sk_X509_CRL_new_null();
  for (const std::string& f : c.crls) {
    Bytes d = readData(f);
    const unsigned char* p = d.data();
    sk_X509_CRL_push(crls, d2i_X509_CRL(nullptr, &p, static_cast<long>(d.size())));
  }
  X509* target = x509(c.target);
  X509_STORE_CTX* ctx = X509_STORE_CTX_new();
  X509_STORE_CTX_init(ctx, store, target, chain);
  X509_STORE_CTX_set0_crls(ctx, crls);
  X509_VERIFY_PARAM* vp = X509_STORE_CTX_get0_param(ctx);
  X509_VERIFY_PARAM_set_time(vp, static_cast<time_t>(kFixtureNow));
  // Policy processing always on, so that policy constraints in the
  // certificates count as they do for the validator.
  unsigned long flags = X509_V_FLAG_X509_STRICT | X509_V_FLAG_POLICY_CHECK;
  if (c.has("crl_leaf")) flags |= X509_V_FLAG_CRL_CHECK;
  if (c.has("crl_all")) flags |= X509_V_FLAG_CRL_CHECK | X509_V_FLAG_CRL_CHECK_ALL;
  if (c.has("extended")) flags |= X509_V_FLAG_EXTENDED_CRL_SUPPORT;
  if (c.has("deltas")) flags |= X509_V_FLAG_USE_DELTAS;
  if (c.has("explicit")) flags |= X509_V_FLAG_EXPLICIT_POLICY | X509_V_FLAG_POLICY_CHECK;
  if (c.has("inhibit_map")) flags |= X509_V_FLAG_INHIBIT_MAP | X509_V_FLAG_POLICY_CHECK;
  if (c.has("inhibit_any")) flags |= X509_V_FLAG_INHIBIT_ANY | X509_V_FLAG_POLICY_CHECK;
  for (const std::string& o : c.options) {
    if (o.compare(0, 7, "policy=") == 0) {
      X509_VERIFY_PARAM_add0_policy(vp, OBJ_txt2obj(o.substr(7).c_str(), 1));
      flags |= X509_V_FLAG_POLICY_CHECK;
    }
  }
  X509_VERIFY_PARAM_set_flags(vp, flags);
  int ok = X509_verify_cert(ctx);
  *error = X509_STORE_CTX_get_error(ctx);
  X509_STORE_CTX_free(ctx);
  sk_X509_CRL_pop_free(crls, X509_CRL_free);
  sk_X509_pop_free(chain, X509_free);
  X509_free(target);
  X509_STORE_free(store);
  return ok == 1 ? 1 : 0;
}

}  // namespace pathtest

#endif  // PKIX_TESTS_PATH_PATH_TESTUTIL_H_
