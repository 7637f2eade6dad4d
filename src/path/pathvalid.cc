// Path building and validation. The certificates are loaded once into a
// table of nodes (DER parsed, module names made); path building is a
// depth-first search from the target toward the trust anchors that prunes
// issuers whose key does not verify the signature below them, and every
// path that reaches an anchor is validated in full, top down, as RFC 5280
// section 6.1 orders the checks.
#include "path/pathvalid.h"

#include <algorithm>
#include <map>
#include <utility>

#include "key/x509key.h"
#include "path/pathname.h"
#include "path/policytree.h"
#include "support/abuf.h"
#include "support/clock.h"

namespace pkixpath {
namespace {

constexpr TName::name_type_t kSubjectDN = static_cast<TName::name_type_t>(TName::NAME_SUBJECT | TName::NAME_DN);
constexpr TName::name_type_t kIssuerDN = static_cast<TName::name_type_t>(TName::NAME_ISSUER | TName::NAME_DN);

// id-dsa, 1.2.840.10040.4.1
const Bytes kDsaOid{0x2a, 0x86, 0x48, 0xce, 0x38, 0x04, 0x01};

// How deep CRL signer paths may nest (a signer's path checked for its own
// revocation, whose CRL signer ...).
constexpr int kMaxSignerNesting = 3;

struct CertNode {
  Ref<TCert> obj;
  Bytes der;
  CertFields f;
  bool parsed = false;
  bool anchor = false;
  Ref<TName> subject, issuer;  // the module's names, for chaining
  bool selfIssued() const { return sameName(f.subject, f.issuer); }
  bool isCA() const { return f.has_basic_constraints && f.ca; }
  bool inheritsDsa() const { return f.key_alg_oid == kDsaOid && f.key_params_absent; }
};

struct CrlNode {
  Ref<TCRL> obj;
  CrlFields f;
  bool parsed = false;
};

// A failure met while searching, with the path it was met on.
struct Failure {
  int code = kValid;
  int depth = -1;
  std::vector<int> path;
  bool set() const { return code != kValid; }
};

// Compares two non-negative INTEGER contents.
int compareInteger(const Bytes& a, const Bytes& b) {
  size_t i = 0, j = 0;
  while (i + 1 < a.size() && a[i] == 0) ++i;
  while (j + 1 < b.size() && b[j] == 0) ++j;
  if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j ? -1 : 1;
  for (; i < a.size(); ++i, ++j) {
    if (a[i] != b[j]) return a[i] < b[j] ? -1 : 1;
  }
  return 0;
}

Bytes tbufBytes(TBuf* b) { return b == nullptr ? Bytes() : Bytes(b->datap(), b->datap() + b->len()); }

// The SubjectPublicKeyInfo spki with the AlgorithmIdentifier's parameters
// replaced by params (a whole element): DSA parameter inheritance.
Bytes withParameters(const Bytes& spki, const Bytes& key_oid, const Bytes& params) {
  Buffer in{nullptr, const_cast<unsigned char*>(spki.data()), static_cast<uint32_t>(spki.size())};
  DerReader r(in);
  Bytes key_bits;
  int rc = r.element(der::kSequence, [&](DerReader& k) {
    DER_TRY(k.element(der::kSequence, [](DerReader& a) {
      a.skipRest();
      return 0;
    }));
    const unsigned char* from = k.pos();
    DER_TRY(k.primitive(der::kBitString, nullptr));
    key_bits.assign(from, k.pos());
    return 0;
  });
  if (rc != 0) return {};
  Bytes alg = derElement(der::kOid, key_oid);
  alg.insert(alg.end(), params.begin(), params.end());
  Bytes body = derElement(der::kSequence, alg);
  body.insert(body.end(), key_bits.begin(), key_bits.end());
  return derElement(der::kSequence, body);
}

// The parameters element of an SPKI's AlgorithmIdentifier (empty if none).
Bytes parametersOf(const Bytes& spki) {
  Buffer in{nullptr, const_cast<unsigned char*>(spki.data()), static_cast<uint32_t>(spki.size())};
  DerReader r(in);
  Bytes params;
  int rc = r.element(der::kSequence, [&](DerReader& k) {
    DER_TRY(k.element(der::kSequence, [&](DerReader& a) {
      DER_TRY(a.primitive(der::kOid, nullptr));
      params.assign(a.pos(), a.pos() + a.left());
      a.skipRest();
      return 0;
    }));
    k.skipRest();
    return 0;
  });
  return rc == 0 ? params : Bytes();
}

class Validator {
 public:
  Validator(const PathParams& params, int64_t at) : params_(params), at_(at) {}

  int addCert(TCert* c, bool anchor) {
    if (c == nullptr) return -1;
    Ref<TBuf> raw = Ref<TBuf>::adopt(c->getRaw());
    Bytes der = tbufBytes(raw.get());
    for (size_t i = 0; i < certs_.size(); ++i) {
      if (!der.empty() && certs_[i].der == der) {
        certs_[i].anchor = certs_[i].anchor || anchor;
        return static_cast<int>(i);
      }
    }
    CertNode n;
    n.obj = Ref<TCert>::share(c);
    n.der = std::move(der);
    n.anchor = anchor;
    n.parsed = !n.der.empty() && parseCert(n.der.data(), n.der.size(), &n.f) == 0;
    if (n.parsed) {
      n.subject = Ref<TName>::adopt(c->getName(kSubjectDN));
      n.issuer = Ref<TName>::adopt(c->getName(kIssuerDN));
    }
    certs_.push_back(std::move(n));
    return static_cast<int>(certs_.size() - 1);
  }

  void addCrl(TCRL* c) {
    if (c == nullptr) return;
    CrlNode n;
    n.obj = Ref<TCRL>::share(c);
    Ref<TBuf> raw = Ref<TBuf>::adopt(c->getRaw(nullptr, nullptr));
    Bytes der = tbufBytes(raw.get());
    n.parsed = !der.empty() && parseCrl(der.data(), der.size(), &n.f) == 0;
    if (n.parsed) {
      for (const CrlEntry& e : n.f.entries) n.f.unknown_critical = n.f.unknown_critical || e.unknown_critical;
      crls_.push_back(std::move(n));
    }
  }

  // Searches from the node target; fills out.
  void run(int target, PathVerdict* out) {
    if (!certs_[target].parsed) {
      out->code = kMalformed;
      out->depth = 0;
      out->path.push_back(certs_[target].obj);
      return;
    }
    std::vector<int> path{target};
    std::vector<int> found;
    Failure failure;
    int rc = search(&path, &found, &failure, 0);
    if (rc == kValid) {
      out->code = kValid;
      out->depth = -1;
      fillPath(found, out);
      out->policies = policies_;
      return;
    }
    Failure report = complete_failure_.set() ? complete_failure_ : sig_failure_.set() ? sig_failure_ : Failure{};
    if (!report.set()) {
      report.code = rc == kStepLimit ? kStepLimit : kNoIssuer;
      report.path = longest_;
      report.depth = static_cast<int>(longest_.size()) - 1;
    } else if (rc == kStepLimit && !complete_failure_.set()) {
      report.code = kStepLimit;
    }
    out->code = report.code;
    out->depth = report.depth;
    fillPath(report.path, out);
  }

 private:
  void fillPath(const std::vector<int>& path, PathVerdict* out) {
    out->path.clear();
    for (int i : path) out->path.push_back(certs_[i].obj);
  }

  bool step() { return ++steps_ <= params_.step_limit; }

  // True when parent's subject names child's issuer, by the module's name
  // comparison (the parsed names when the module cannot make them).
  bool chains(int child, int parent) {
    CertNode& c = certs_[child];
    CertNode& p = certs_[parent];
    if (!c.parsed || !p.parsed) return false;
    if (c.issuer && p.subject && (*c.issuer == *p.subject) != 0) return true;
    // The names again under RFC 5280's folding of their string values,
    // for what the module's comparison may not fold.
    return sameName(c.f.issuer, p.f.subject);
  }

  // The signature of child under parent's key (cached). Parameters
  // inherited from above are not known here: a parent whose DSA key lacks
  // them is taken as verifying, and checked during validation.
  int signatureBy(int child, int parent) {
    if (certs_[parent].inheritsDsa()) return kValid;
    auto key = std::make_pair(child, parent);
    auto it = sig_cache_.find(key);
    if (it != sig_cache_.end()) return it->second;
    ++steps_;
    int rc = certs_[child].f.sig_alg != certs_[child].f.tbs_sig_alg ? kBadSignature
             : certs_[child].obj->checkSign(certs_[parent].obj.get()) == pkixrc::kOk ? kValid
                                                                                  : kBadSignature;
    sig_cache_[key] = rc;
    return rc;
  }

  // True when signature over tbs, with algorithm alg, verifies under
  // signer's key completed with the DSA parameters params.
  bool verifiesWithParams(int signer, const Bytes& params, pki_alg_t alg, const Bytes& signature, const Bytes& tbs) {
    const CertNode& p = certs_[signer];
    Bytes spki = withParameters(p.f.spki, p.f.key_alg_oid, params);
    Ref<TKey> key = Ref<TKey>::adopt(createTKey(TKey::KT_PUBLIC, spki.data(), static_cast<unsigned>(spki.size())));
    Ref<TBuf> sig = Ref<TBuf>::adopt(createTBuf(signature.data(), static_cast<unsigned>(signature.size())));
    Ref<TBuf> msg = Ref<TBuf>::adopt(createTBuf(tbs.data(), static_cast<unsigned>(tbs.size())));
    if (!key || !sig || !msg) return false;
    return p.obj->checkSign(key.get(), alg, sig.get(), msg.get()) == pkixrc::kOk;
  }

  // The signature of child under parent's key completed with the DSA
  // parameters params.
  int signatureWithParams(int child, int parent, const Bytes& params) {
    const CertNode& c = certs_[child];
    return verifiesWithParams(parent, params, c.obj->getSignAlg(), c.f.signature, c.f.tbs) ? kValid : kBadSignature;
  }

  // The DSA parameters in force for the key of path[k]: those of the
  // first key above it (toward the anchor) that carries parameters.
  Bytes inheritedParameters(const std::vector<int>& path, size_t k) {
    for (size_t j = k; j < path.size(); ++j) {
      if (!certs_[path[j]].inheritsDsa()) return parametersOf(certs_[path[j]].f.spki);
    }
    return {};
  }

  // Issuer candidates of node: anchors first, then the rest; within each,
  // those whose subject key identifier matches the authority key
  // identifier first.
  std::vector<int> candidates(int node, const std::vector<int>& path) {
    std::vector<std::pair<int, int>> ranked;
    const Bytes& aki = certs_[node].f.authority_key_id;
    for (size_t j = 0; j < certs_.size(); ++j) {
      int idx = static_cast<int>(j);
      if (std::find(path.begin(), path.end(), idx) != path.end()) continue;
      if (!chains(node, idx)) continue;
      int rank = certs_[j].anchor ? 0 : 2;
      if (!aki.empty() && certs_[j].f.subject_key_id != aki) rank += 1;
      ranked.emplace_back(rank, idx);
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const std::pair<int, int>& a, const std::pair<int, int>& b) { return a.first < b.first; });
    std::vector<int> out;
    for (const auto& r : ranked) out.push_back(r.second);
    return out;
  }

  // Depth-first search from path.back(). kValid with *found; kStepLimit;
  // or kNoIssuer when this branch holds no valid path.
  int search(std::vector<int>* path, std::vector<int>* found, Failure* failure, int nesting) {
    if (path->size() > longest_.size() && nesting == 0) longest_ = *path;
    int top = path->back();
    if (certs_[top].anchor) {
      Failure f;
      if (validate(*path, &f, nesting)) {
        *found = *path;
        return kValid;
      }
      if (!failure->set()) *failure = f;
      if (nesting == 0 && !complete_failure_.set()) complete_failure_ = f;
      return kNoIssuer;
    }
    if (path->size() > params_.max_depth) return kNoIssuer;
    // A bad signature is worth reporting only where no issuer of the
    // name verifies it: otherwise it is just a wrong candidate.
    int refused = -1;
    bool verified = false;
    for (int cand : candidates(top, *path)) {
      if (!step()) return kStepLimit;
      if (!certs_[cand].parsed) continue;
      if (signatureBy(top, cand) != kValid) {
        if (refused < 0) refused = cand;
        continue;
      }
      verified = true;
      path->push_back(cand);
      int rc = search(path, found, failure, nesting);
      path->pop_back();
      if (rc == kValid || rc == kStepLimit) return rc;
    }
    if (!verified && refused >= 0 && nesting == 0 && !sig_failure_.set()) {
      sig_failure_.code = kBadSignature;
      sig_failure_.depth = static_cast<int>(path->size()) - 1;
      sig_failure_.path = *path;
      sig_failure_.path.push_back(refused);
    }
    return kNoIssuer;
  }

  // The names of a certificate that name constraints apply to: its
  // subject (when not empty), the e-mail addresses in it, and its
  // alternative names.
  static std::vector<GeneralName> constrainedNames(const CertFields& f) {
    std::vector<GeneralName> out;
    if (!emptyName(f.subject)) {
      out.push_back(GeneralName{kDirectoryName, f.subject});
      for (Bytes& mail : emailAddresses(f.subject)) out.push_back(GeneralName{kRfc822Name, std::move(mail)});
    }
    out.insert(out.end(), f.subject_alt.begin(), f.subject_alt.end());
    return out;
  }

  // 6.1.3 (b), (c): every name within each permitted set that constrains
  // its form, and within no excluded subtree.
  static bool namesAllowed(const CertFields& f, const std::vector<std::vector<Subtree>>& permitted,
                           const std::vector<Subtree>& excluded) {
    for (const GeneralName& name : constrainedNames(f)) {
      for (const std::vector<Subtree>& set : permitted) {
        bool constrained = false, inside = false;
        for (const Subtree& s : set) {
          if (s.unusable || s.base.type != name.type) continue;
          constrained = true;
          Within w = withinSubtree(name, s.base);
          if (w == Within::kCannotTell) return false;
          inside = inside || w == Within::kYes;
        }
        if (constrained && !inside) return false;
      }
      for (const Subtree& s : excluded) {
        if (s.unusable || s.base.type != name.type) continue;
        Within w = withinSubtree(name, s.base);
        if (w != Within::kNo) return false;
      }
    }
    return true;
  }

  // Validates path (target first, anchor last) per 6.1; on failure *f
  // holds the code and the depth of the certificate at fault.
  bool validate(const std::vector<int>& path, Failure* f, int nesting) {
    f->path = path;
    int n = static_cast<int>(path.size()) - 1;  // certificates below the anchor
    auto fail = [&](int code, int i) {
      f->code = code;
      f->depth = n - i;
      return false;
    };
    if (n == 0) {
      if (nesting == 0) policies_.clear();
      return true;  // the target is itself trusted
    }
    const CertNode& anchor = certs_[path[n]];
    // 6.1.2 initialisation.
    PolicyTree tree;
    std::vector<std::vector<Subtree>> permitted;
    std::vector<Subtree> excluded;
    bool top = nesting == 0;
    int explicit_policy = top && params_.initial_explicit_policy ? 0 : n + 1;
    int inhibit_any = top && params_.initial_any_policy_inhibit ? 0 : n + 1;
    int policy_mapping = top && params_.initial_policy_mapping_inhibit ? 0 : n + 1;
    int max_path_length = n;
    Bytes working_params = parametersOf(anchor.f.spki);
    int working_issuer = path[n];
    for (int i = 1; i <= n; ++i) {
      int idx = path[n - i];
      const CertNode& c = certs_[idx];
      const CertFields& cf = c.f;
      bool last = i == n;
      // (a) (1) signature, with DSA parameters inherited when the issuer's
      // key has none.
      int sig = certs_[working_issuer].inheritsDsa() && !working_params.empty()
                    ? signatureWithParams(idx, working_issuer, working_params)
                    : signatureBy(idx, working_issuer);
      if (certs_[working_issuer].inheritsDsa() && working_params.empty()) sig = kBadSignature;
      if (sig != kValid) return fail(kBadSignature, i);
      // (a) (2) validity.
      if (at_ < cf.not_before) return fail(kNotYetValid, i);
      if (at_ > cf.not_after) return fail(kExpired, i);
      // (a) (4) name chaining (the search only links matching names).
      if (!chains(idx, working_issuer)) return fail(kNameChaining, i);
      // (b), (c) name constraints, except on self-issued intermediates.
      if ((last || !c.selfIssued()) && !namesAllowed(cf, permitted, excluded)) return fail(kNameConstraints, i);
      // (d), (e) policies.
      if (cf.has_policies) {
        tree.addCertificatePolicies(i, cf.policies, inhibit_any > 0 || (!last && c.selfIssued()));
      } else {
        tree.clear();
      }
      // (f)
      if (explicit_policy == 0 && tree.null()) return fail(kPolicy, i);
      if (last) break;
      // 6.1.4 preparation for certificate i+1.
      // (a), (b) policy mappings.
      for (const PolicyMapping& m : cf.mappings) {
        if (m.issuer_policy == anyPolicyOid() || m.subject_policy == anyPolicyOid()) return fail(kPolicy, i);
      }
      if (cf.has_mappings) tree.applyMappings(i, cf.mappings, policy_mapping > 0);
      // (c)-(f) working issuer and key; DSA parameters carried down.
      working_issuer = idx;
      if (!c.inheritsDsa()) working_params = parametersOf(cf.spki);
      // (g) name constraints.
      if (cf.has_permitted) permitted.push_back(cf.permitted);
      if (cf.has_excluded) excluded.insert(excluded.end(), cf.excluded.begin(), cf.excluded.end());
      // (h)
      if (!c.selfIssued()) {
        if (explicit_policy > 0) --explicit_policy;
        if (policy_mapping > 0) --policy_mapping;
        if (inhibit_any > 0) --inhibit_any;
      }
      // (i), (j)
      if (cf.require_explicit >= 0 && cf.require_explicit < explicit_policy) explicit_policy = cf.require_explicit;
      if (cf.inhibit_mapping >= 0 && cf.inhibit_mapping < policy_mapping) policy_mapping = cf.inhibit_mapping;
      if (cf.inhibit_any >= 0 && cf.inhibit_any < inhibit_any) inhibit_any = cf.inhibit_any;
      // (k) a CA.
      if (!c.isCA()) return fail(kNotCA, i);
      // (l), (m) path length.
      if (!c.selfIssued()) {
        if (max_path_length <= 0) return fail(kPathLength, i);
        --max_path_length;
      }
      if (cf.path_len >= 0 && cf.path_len < max_path_length) max_path_length = cf.path_len;
      // (n) key usage.
      if (cf.has_key_usage && (cf.key_usage & keyusage::kKeyCertSign) == 0) return fail(kKeyUsage, i);
      // (o) critical extensions.
      if (cf.unknown_critical || cf.duplicate_extension) return fail(kUnknownCritical, i);
    }
    // 6.1.5 wrap-up.
    const CertFields& target = certs_[path[0]].f;
    if (explicit_policy > 0) --explicit_policy;
    if (target.require_explicit == 0) explicit_policy = 0;
    if (target.unknown_critical || target.duplicate_extension) return fail(kUnknownCritical, n);
    if (top) tree.intersect(n, params_.initial_policies);
    if (explicit_policy == 0 && tree.null()) return fail(kPolicy, n);
    // 6.3 revocation, top down, once the path itself holds.
    // A CRL signer's own path is checked for revocation only when every
    // link is.
    Revocation scope = top ? params_.revocation : params_.revocation == Revocation::kAll ? Revocation::kAll : Revocation::kOff;
    if (scope != Revocation::kOff) {
      for (int i = 1; i <= n; ++i) {
        int k = n - i;  // index in path
        if (scope == Revocation::kLeafOnly && k != 0) continue;
        int rc = revocationStatus(path, k, nesting);
        if (rc != kValid) return fail(rc, i);
      }
    }
    if (top) policies_ = tree.policiesAt(n);
    return true;
  }

  // --- 6.3 revocation -----------------------------------------------

  // The names a distribution point name stands for: its full names, or
  // the relative name appended to base (a Name element).
  static std::vector<GeneralName> dpNames(const std::vector<GeneralName>& full, const Bytes& relative, const Bytes& base) {
    if (!full.empty()) return full;
    std::vector<GeneralName> out;
    if (!relative.empty()) out.push_back(GeneralName{kDirectoryName, appendRdn(base, relative)});
    return out;
  }

  static bool anyCommon(const std::vector<GeneralName>& a, const std::vector<GeneralName>& b) {
    for (const GeneralName& x : a) {
      for (const GeneralName& y : b) {
        if (sameGeneralName(x, y)) return true;
      }
    }
    return false;
  }

  static bool namesDirectory(const std::vector<GeneralName>& names, const Bytes& dn) {
    for (const GeneralName& g : names) {
      if (g.type == kDirectoryName && sameName(g.value, dn)) return true;
    }
    return false;
  }

  // 6.3.3 (b), (c): the reasons crl covers for cert through dp, or 0
  // when it is out of scope.
  static unsigned scopeReasons(const CertFields& cert, const DistributionPoint& dp, const CrlFields& crl) {
    // (b) (1) the CRL issuer.
    if (!dp.crl_issuer.empty()) {
      if (!namesDirectory(dp.crl_issuer, crl.issuer) || !crl.indirect) return 0;
    } else if (!sameName(crl.issuer, cert.issuer)) {
      return 0;
    }
    // (b) (2) the issuing distribution point.
    if (crl.has_idp) {
      if (crl.idp_has_name) {
        std::vector<GeneralName> idp = dpNames(crl.idp_full_name, crl.idp_relative_name, crl.issuer);
        if (dp.has_name) {
          const Bytes& base = dp.crl_issuer.empty() ? cert.issuer : dp.crl_issuer.front().value;
          if (!anyCommon(idp, dpNames(dp.full_name, dp.relative_name, base))) return 0;
        } else if (dp.crl_issuer.empty() || !anyCommon(idp, dp.crl_issuer)) {
          return 0;
        }
      }
      bool ca = cert.has_basic_constraints && cert.ca;
      if (crl.only_user && ca) return 0;
      if (crl.only_ca && !ca) return 0;
      if (crl.only_attribute) return 0;
    }
    // (c)
    unsigned reasons = crl.has_only_reasons ? crl.only_reasons & reason::kAll : reason::kAll;
    if (dp.has_reasons) reasons &= dp.reasons;
    return reasons;
  }

  static bool current(const CrlFields& crl, int64_t at) {
    if (crl.this_update > at) return false;
    return !crl.has_next_update || crl.next_update >= at;
  }

  // The entry of crl for cert, or null. Entries of an indirect CRL name
  // the issuer of the certificates they revoke.
  static const CrlEntry* entryFor(const CertFields& cert, const CrlFields& crl) {
    for (const CrlEntry& e : crl.entries) {
      if (compareInteger(e.serial, cert.serial) != 0 || e.serial.size() != cert.serial.size()) continue;
      bool issuer_ok = e.cert_issuer.empty() ? sameName(crl.issuer, cert.issuer) : namesDirectory(e.cert_issuer, cert.issuer);
      if (issuer_ok) return &e;
    }
    return nullptr;
  }

  // True when a delta CRL and its base share issuer and scope.
  static bool sameScope(const CrlFields& a, const CrlFields& b) {
    if (!sameName(a.issuer, b.issuer) || a.has_idp != b.has_idp) return false;
    if (!a.has_idp) return true;
    if (a.only_user != b.only_user || a.only_ca != b.only_ca || a.indirect != b.indirect ||
        a.has_only_reasons != b.has_only_reasons || a.only_reasons != b.only_reasons || a.idp_has_name != b.idp_has_name) {
      return false;
    }
    if (!a.idp_has_name) return true;
    return anyCommon(dpNames(a.idp_full_name, a.idp_relative_name, a.issuer), dpNames(b.idp_full_name, b.idp_relative_name, b.issuer));
  }

  // The signature of crl under signer's key (cached), completed with the
  // DSA parameters params when the key has none.
  bool crlSignedBy(int crl, int signer, const Bytes& params) {
    auto key = std::make_pair(crl, signer);
    auto it = crl_sig_cache_.find(key);
    if (it != crl_sig_cache_.end()) return it->second;
    ++steps_;
    const CrlNode& c = crls_[crl];
    bool ok = certs_[signer].inheritsDsa()
                  ? !params.empty() && verifiesWithParams(signer, params, c.obj->getSignatureAlgorithm(), c.f.signature, c.f.tbs)
                  : c.obj->checkSign(certs_[signer].obj.get()) == pkixrc::kOk;
    crl_sig_cache_[key] = ok;
    return ok;
  }

  // 6.3.3 (f): a certificate of the CRL's issuer that may sign CRLs, that
  // signed this one, and whose own path validates: the certificate's
  // issuer in path first, then any other. The signer's index, or -1.
  int crlSigner(const std::vector<int>& path, size_t k, int crl, int nesting, Bytes* params) {
    const CrlFields& cf = crls_[crl].f;
    int issuer = path[k + 1];
    std::vector<int> order{issuer};
    for (size_t j = 0; j < certs_.size(); ++j) {
      if (static_cast<int>(j) != issuer && certs_[j].parsed && sameName(certs_[j].f.subject, cf.issuer)) order.push_back(static_cast<int>(j));
    }
    for (int s : order) {
      const CertNode& c = certs_[s];
      if (!sameName(c.f.subject, cf.issuer)) continue;
      if (c.f.has_key_usage && (c.f.key_usage & keyusage::kCrlSign) == 0) continue;
      // DSA parameters are known for the signer in this path.
      *params = s == issuer ? inheritedParameters(path, k + 1) : Bytes();
      if (!step() || !crlSignedBy(crl, s, *params)) continue;
      if (s == issuer || c.anchor) return s;  // its path is the rest of this one, or it is trusted
      if (nesting >= kMaxSignerNesting) continue;
      std::vector<int> signer_path{s}, found;
      Failure f;
      if (search(&signer_path, &found, &f, nesting + 1) == kValid) return s;
    }
    return -1;
  }

  // The status of path[k] (k: index, its issuer at k + 1): kValid,
  // kRevoked or kStatusUnknown.
  int revocationStatus(const std::vector<int>& path, size_t k, int nesting) {
    const CertFields& cert = certs_[path[k]].f;
    std::vector<DistributionPoint> dps = cert.crl_dps;
    if (dps.empty()) dps.emplace_back();  // the issuer's CRLs for all reasons
    unsigned covered = 0;
    for (const DistributionPoint& dp : dps) {
      for (size_t ci = 0; ci < crls_.size() && covered != reason::kAll; ++ci) {
        const CrlFields& crl = crls_[ci].f;
        if (crl.is_delta || crl.unknown_critical || !current(crl, at_)) continue;
        unsigned interim = scopeReasons(cert, dp, crl);
        if ((interim & ~covered) == 0) continue;
        Bytes signer_params;
        int signer = crlSigner(path, k, static_cast<int>(ci), nesting, &signer_params);
        if (signer < 0) continue;
        // (g) the newest usable delta CRL of the same scope, if any.
        // A delta of this CRL that is no longer current leaves the status
        // undetermined unless a current one is found.
        const CrlFields* delta = nullptr;
        bool stale_delta = false;
        for (size_t di = 0; di < crls_.size(); ++di) {
          const CrlFields& d = crls_[di].f;
          if (!d.is_delta || d.unknown_critical || !crl.has_crl_number || !d.has_crl_number) continue;
          if (!sameScope(crl, d) || compareInteger(d.base_crl_number, crl.crl_number) > 0 ||
              compareInteger(d.crl_number, crl.crl_number) <= 0) {
            continue;
          }
          if (!crlSignedBy(static_cast<int>(di), signer, signer_params)) continue;
          if (!current(d, at_)) {
            stale_delta = true;
            continue;
          }
          if (delta != nullptr && compareInteger(d.crl_number, delta->crl_number) <= 0) continue;
          delta = &d;
        }
        if (stale_delta && delta == nullptr) continue;
        const CrlEntry* in_delta = delta != nullptr ? entryFor(cert, *delta) : nullptr;
        if (in_delta != nullptr) {
          if (in_delta->reason != kReasonRemoveFromCRL) return kRevoked;
        } else {
          const CrlEntry* in_base = entryFor(cert, crl);
          if (in_base != nullptr && in_base->reason != kReasonRemoveFromCRL) return kRevoked;
        }
        covered |= interim;
      }
    }
    return covered == reason::kAll ? kValid : kStatusUnknown;
  }

  const PathParams& params_;
  int64_t at_;
  std::vector<CertNode> certs_;
  std::vector<CrlNode> crls_;
  unsigned steps_ = 0;
  std::map<std::pair<int, int>, int> sig_cache_;
  std::map<std::pair<int, int>, bool> crl_sig_cache_;
  Failure complete_failure_, sig_failure_;
  std::vector<int> longest_;
  std::vector<Bytes> policies_;

 public:
  std::vector<CertNode>& certs() { return certs_; }
};

}  // namespace

int validatePath(TCert* target, const std::vector<TCert*>& untrusted, const std::vector<TCert*>& anchors,
                 const std::vector<TCRL*>& crls, const PathParams& params, PathVerdict* out) {
  if (out == nullptr) return kBadArgument;
  *out = PathVerdict{};
  if (target == nullptr) {
    out->code = kBadArgument;
    return out->code;
  }
  Validator v(params, params.use_clock ? pkixclock::now() : params.at);
  int t = v.addCert(target, false);
  for (TCert* a : anchors) v.addCert(a, true);
  for (TCert* u : untrusted) v.addCert(u, false);
  for (TCRL* c : crls) v.addCrl(c);
  v.run(t, out);
  return out->code;
}

}  // namespace pkixpath
