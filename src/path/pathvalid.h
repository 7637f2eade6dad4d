// Certification path validation over the module's objects: builds a path
// from a target certificate through candidate intermediates to one of the
// trust anchors and validates it as RFC 5280 section 6.1 says (signatures,
// validity, name chaining, basic constraints and path length, key usage,
// name constraints, certificate policies, unknown critical extensions,
// DSA parameter inheritance), with revocation from caller-supplied CRLs as
// section 6.3 says (CRL issuer and indirect CRLs, distribution point scope,
// reason coverage, delta CRLs).
#ifndef PKIX_PATH_PATHVALID_H_
#define PKIX_PATH_PATHVALID_H_

#include <cstdint>
#include <vector>

#include "cert/tcert.h"
#include "crl/tcrl.h"
#include "path/pathcodes.h"
#include "path/pathder.h"
#include "support/ref.h"

namespace pkixpath {

// Which certificates revocation is checked for.
enum class Revocation : int { kOff = 0, kLeafOnly = 1, kAll = 2 };

// The inputs beside the certificates.
struct PathParams {
  // Validation time: the module's clock when use_clock, else at.
  bool use_clock = true;
  int64_t at = 0;
  // user-initial-policy-set as OID content octets; empty means any-policy.
  std::vector<Bytes> initial_policies;
  bool initial_explicit_policy = false;
  bool initial_policy_mapping_inhibit = false;
  bool initial_any_policy_inhibit = false;
  Revocation revocation = Revocation::kOff;
  // Bound on the work of path building: candidate issuers tried and
  // signatures checked, over the whole call.
  unsigned step_limit = 20000;
  // Longest path looked for, trust anchor excluded.
  unsigned max_depth = 32;
};

// The outcome.
struct PathVerdict {
  int code = kNoIssuer;
  // The certificate at fault: 0 the target, 1 its issuer ... (-1 none).
  int depth = -1;
  // The chosen path, target first and trust anchor last (for a failure,
  // the path whose validation failed, or the longest partial path).
  std::vector<Ref<TCert>> path;
  // The authorities' policies the path is valid for (OID content), when
  // valid.
  std::vector<Bytes> policies;
};

// Validates target against anchors, with untrusted as candidate
// intermediates (any order, extras and loops allowed) and crls as the
// CRLs (complete and delta) revocation may use. Tries alternative issuers
// until a path validates or the step limit is reached. Returns out->code:
// kValid, or the first failure of the path reported (the first complete
// path tried when no path validates), with its depth; kBadArgument when
// target or out is null. Arguments are not consumed.
int validatePath(TCert* target, const std::vector<TCert*>& untrusted, const std::vector<TCert*>& anchors,
                 const std::vector<TCRL*>& crls, const PathParams& params, PathVerdict* out);

}  // namespace pkixpath

#endif  // PKIX_PATH_PATHVALID_H_
