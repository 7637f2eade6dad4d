// The plain and the service forms of path validation, over validatePath.
#include "path/pkix_path.h"

#include "cert/x509crt.h"
#include "crl/tcrl.h"
#include "module/pkixsrv.h"
#include "path/pathvalid.h"
#include "support/abuf.h"

namespace pkixpath {
namespace {

PathParams paramsOf(const pkix_path_params* p) {
  PathParams out;
  if (p == nullptr) return out;
  out.use_clock = p->use_clock != 0;
  out.at = p->at;
  for (unsigned i = 0; p->policies != nullptr && i < p->policy_count; ++i) {
    out.initial_policies.emplace_back(p->policies[i].data, p->policies[i].data + p->policies[i].len);
  }
  out.initial_explicit_policy = p->explicit_policy != 0;
  out.initial_policy_mapping_inhibit = p->inhibit_policy_mapping != 0;
  out.initial_any_policy_inhibit = p->inhibit_any_policy != 0;
  out.revocation = p->revocation == PKIX_REVOCATION_ALL    ? Revocation::kAll
                   : p->revocation == PKIX_REVOCATION_LEAF ? Revocation::kLeafOnly
                                                           : Revocation::kOff;
  if (p->step_limit != 0) out.step_limit = p->step_limit;
  return out;
}

// The elements of a certificate or CRL list, each held once.
template <class T, class L>
std::vector<Ref<T>> elements(L* list) {
  std::vector<Ref<T>> out;
  if (list == nullptr) return out;
  for (T* e = list->getFirst(); e != nullptr; e = list->getNext()) out.push_back(Ref<T>::adopt(e));
  return out;
}

template <class T>
std::vector<T*> pointers(const std::vector<Ref<T>>& held) {
  std::vector<T*> out;
  for (const Ref<T>& r : held) out.push_back(r.get());
  return out;
}

// Which input list and index cert is (by identity).
void locate(TCert* cert, TCert* target, const std::vector<TCert*>& untrusted, const std::vector<TCert*>& anchors,
            int* list, unsigned* index) {
  struct Source {
    int list;
    const std::vector<TCert*>* certs;
  };
  std::vector<TCert*> only{target};
  const Source kSources[] = {{PKIX_PATH_TARGET, &only}, {PKIX_PATH_ANCHOR, &anchors}, {PKIX_PATH_UNTRUSTED, &untrusted}};
  for (const Source& s : kSources) {
    for (size_t i = 0; i < s.certs->size(); ++i) {
      if ((*s.certs)[i] == cert) {
        *list = s.list;
        *index = static_cast<unsigned>(i);
        return;
      }
    }
  }
  // An equal copy (duplicates are merged by content): the first equal one.
  for (const Source& s : kSources) {
    for (size_t i = 0; i < s.certs->size(); ++i) {
      if (*(*s.certs)[i] == *cert) {
        *list = s.list;
        *index = static_cast<unsigned>(i);
        return;
      }
    }
  }
}

void fillVerdict(const PathVerdict& v, TCert* target, const std::vector<TCert*>& untrusted,
                 const std::vector<TCert*>& anchors, pkix_path_verdict* out) {
  *out = pkix_path_verdict{};
  out->code = v.code;
  out->depth = v.depth;
  for (const Ref<TCert>& c : v.path) {
    if (out->path_len == PKIX_PATH_MAX) break;
    locate(c.get(), target, untrusted, anchors, &out->path[out->path_len].list, &out->path[out->path_len].index);
    ++out->path_len;
  }
}

}  // namespace

int verifyLists(TCert* target, TCertList* untrusted, TCertList* anchors, TCRLList* crls,
                const pkix_path_params* params, pkix_path_verdict* out, TCertList* chosen) {
  if (out == nullptr) return kBadArgument;
  std::vector<Ref<TCert>> u = elements<TCert>(untrusted), a = elements<TCert>(anchors);
  std::vector<Ref<TCRL>> l = elements<TCRL>(crls);
  std::vector<TCert*> up = pointers(u), ap = pointers(a);
  PathVerdict v;
  validatePath(target, up, ap, pointers(l), paramsOf(params), &v);
  fillVerdict(v, target, up, ap, out);
  if (chosen != nullptr) {
    for (const Ref<TCert>& c : v.path) chosen->append(c.get());
  }
  return out->code;
}

}  // namespace pkixpath

extern "C" int pkix_verify_path(const pkix_der* target, const pkix_der* untrusted, unsigned untrusted_count,
                                const pkix_der* anchors, unsigned anchor_count, const pkix_der* crls,
                                unsigned crl_count, const pkix_path_params* params, pkix_path_verdict* out) {
  using pkixpath::kBadArgument;
  if (out == nullptr) return kBadArgument;
  *out = pkix_path_verdict{};
  out->code = kBadArgument;
  out->depth = -1;
  if (target == nullptr || (untrusted == nullptr && untrusted_count != 0) || (anchors == nullptr && anchor_count != 0) ||
      (crls == nullptr && crl_count != 0)) {
    return out->code;
  }
  auto cert = [](const pkix_der& d) { return Ref<TCert>::adopt(createTCert(TCert::CF_X509, d.data, d.len)); };
  Ref<TCert> t = cert(*target);
  if (!t) return out->code;
  std::vector<Ref<TCert>> u, a;
  std::vector<Ref<TCRL>> l;
  for (unsigned i = 0; i < untrusted_count; ++i) {
    u.push_back(cert(untrusted[i]));
    if (!u.back()) return out->code;
  }
  for (unsigned i = 0; i < anchor_count; ++i) {
    a.push_back(cert(anchors[i]));
    if (!a.back()) return out->code;
  }
  for (unsigned i = 0; i < crl_count; ++i) {
    Ref<TBuf> b = Ref<TBuf>::adopt(createTBuf(crls[i].data, crls[i].len));
    l.push_back(Ref<TCRL>::adopt(b ? createTCRL(TCert::CF_X509, b.get()) : nullptr));
    if (!l.back()) return out->code;
  }
  std::vector<TCert*> up = pkixpath::pointers(u), ap = pkixpath::pointers(a);
  pkixpath::PathVerdict v;
  pkixpath::validatePath(t.get(), up, ap, pkixpath::pointers(l), pkixpath::paramsOf(params), &v);
  pkixpath::fillVerdict(v, t.get(), up, ap, out);
  return out->code;
}

// The certificate service's operation (module/pkixsrv.h), kept beside the
// plain form.
int pkixService::verifyPath(TCert* target, TCertList* untrusted, TCertList* anchors, TCRLList* crls,
                            const pkix_path_params* params, pkix_path_verdict* out, TCertList* chosen) {
  return pkixpath::verifyLists(target, untrusted, anchors, crls, params, out, chosen);
}
